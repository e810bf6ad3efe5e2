// Element records: structural checks, sizes and ranges; symbology and
// properties; linkages and attribute data.
#include <cmath>
#include <cstddef>
#include <cstring>

#include "dgn_int.h"
#include "dgnelem_int.h"
#include "dgn/mdlelem.h"

namespace mdlhost::dgn {

size_t elementBytes(const MSElement *el)
{
    return el ? 2u * static_cast<size_t>(el->ehdr.elementSize) : 0;
}

bool isGraphic(int type)
{
    return type > 0 && type <= 255 && type != MICROSTATION_ELM;
}

// Smallest body (bytes up to the linkages) a record of this type can have,
// before counts stored in the body are looked at.
size_t minimumBodyBytes(int type)
{
    switch (type) {
    case LINE_ELM: return sizeof(Line_elm);
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case CURVE_ELM:
    case MULTILINE_ELM: return offsetof(Linear_elm, vertice);
    case CELL_HEADER_ELM: return sizeof(Cell_elm);
    case TEXT_NODE_ELM: return sizeof(TextNode_elm);
    case CMPLX_STRING_ELM:
    case CMPLX_SHAPE_ELM: return sizeof(Complex_hdr);
    case ELLIPSE_ELM:
    case ARC_ELM: return sizeof(Ellipse_elm);
    case TEXT_ELM: return offsetof(Text_elm, string);
    case SHARED_CELL_ELM: return sizeof(SharedCell_elm);
    case MICROSTATION_ELM: return ELM_APPL_BODY_OFFSET;
    default: return ELM_BODY_OFFSET;
    }
}

size_t linkageWords(uint16_t hdr)
{
    size_t len = hdr & LINKAGE_LENGTH_MASK;
    return (hdr & LINKAGE_LONG) ? (len + 1) * 4 : len + 1;
}

int validateElement(const MSElement *el)
{
    if (!el) return DGNERR_BADELEMENT;
    const Elm_hdr &h = el->ehdr;
    const int type = elementType(h);
    if (type == 0) return DGNERR_BADELEMENT;
    if (h.elementSize > MAX_ELEMENT_WORDS || h.attrOffset > h.elementSize) return DGNERR_BADELEMENT;
    const size_t body = 2u * static_cast<size_t>(h.attrOffset);
    if (body < minimumBodyBytes(type)) return DGNERR_BADELEMENT;
    switch (type) {
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case CURVE_ELM:
    case MULTILINE_ELM: {
        uint32_t n = el->linear.numVerts;
        if (n > MAX_VERTICES) return DGNERR_BADELEMENT;
        if (offsetof(Linear_elm, vertice) + n * sizeof(DPoint3d) > body) return DGNERR_BADELEMENT;
        break;
    }
    case TEXT_ELM: {
        uint32_t n = el->text.numChars;
        if (n > MDLHOST_MAX_TEXT) return DGNERR_BADELEMENT;
        if (offsetof(Text_elm, string) + n * sizeof(char16_t) > body) return DGNERR_BADELEMENT;
        break;
    }
    default: break;
    }
    // Linkages must tile the words between attrOffset and the end exactly.
    size_t w = h.attrOffset;
    while (w < h.elementSize) {
        size_t words = linkageWords(el->buf[w]);
        if (words < 2 || words > h.elementSize - w) return DGNERR_BADELEMENT;
        w += words;
    }
    return 0;
}

namespace {

void descrRangeAdd(const MSElementDescr *d, RangeAccumulator &acc)
{
    for (; d; d = d->h.next) {
        DRange3d er;
        const int type = elementType(&d->el);
        if (d->h.firstElem) {
            descrRangeAdd(d->h.firstElem, acc);
            // A cell's or text node's origin belongs to its extent.
            if (type == CELL_HEADER_ELM || type == TEXT_NODE_ELM) {
                if (elementGeometryRange(&d->el, &er)) acc.add(er);
            }
        } else if (elementGeometryRange(&d->el, &er)) {
            acc.add(er);
        }
    }
}

} // namespace

int descrRange(const MSElementDescr *dscr, DRange3d *range)
{
    if (!dscr || !range) return DGNERR_BADELEMENT;
    RangeAccumulator acc;
    // Only this node and its components, not its siblings.
    if (dscr->h.firstElem) {
        descrRangeAdd(dscr->h.firstElem, acc);
        DRange3d er;
        const int type = elementType(&dscr->el);
        if ((type == CELL_HEADER_ELM || type == TEXT_NODE_ELM) && elementGeometryRange(&dscr->el, &er)) acc.add(er);
    } else {
        DRange3d er;
        if (elementGeometryRange(&dscr->el, &er)) acc.add(er);
    }
    DRange3d r{};
    bool any = acc.get(r);
    *range = r;
    return any ? 0 : 1;
}

} // namespace mdlhost::dgn

using mdlhost::dgn::elementType;
using mdlhost::dgn::linkageWords;
using mdlhost::dgn::validateElement;

namespace {

int fail(int error)
{
    mdlErrno = error;
    return error;
}

// Symbology lives in the display header, which only graphic records have.
bool hasDisplayHeader(const MSElement *el)
{
    return el && mdlhost::dgn::isGraphic(elementType(el)) && el->ehdr.attrOffset * 2u >= ELM_BODY_OFFSET;
}

bool closedType(int type)
{
    return type == SHAPE_ELM || type == CMPLX_SHAPE_ELM || type == ELLIPSE_ELM;
}

// Words of whole linkages at the start of words[0 .. n); false when the run
// does not split into whole linkages.
bool wholeLinkages(const uint16_t *words, size_t n)
{
    size_t w = 0;
    while (w < n) {
        size_t len = linkageWords(words[w]);
        if (len < 2 || len > n - w) return false;
        w += len;
    }
    return true;
}

} // namespace

extern "C" {

// --- symbology and properties --------------------------------------------------

int mdlElement_setSymbology(MSElement *el, const uint32_t *color, const uint32_t *weight, const int32_t *style)
{
    mdlErrno = 0;
    if (!hasDisplayHeader(el)) return fail(DGNERR_BADELEMENT);
    if (color) el->line.dhdr.color = *color;
    if (weight) el->line.dhdr.weight = *weight;
    if (style) el->line.dhdr.style = *style;
    return 0;
}

int mdlElement_getSymbology(uint32_t *color, uint32_t *weight, int32_t *style, const MSElement *el)
{
    mdlErrno = 0;
    if (!hasDisplayHeader(el)) return fail(DGNERR_BADELEMENT);
    if (color) *color = el->line.dhdr.color;
    if (weight) *weight = el->line.dhdr.weight;
    if (style) *style = el->line.dhdr.style;
    return 0;
}

int mdlElement_getEffectiveSymbology(uint32_t *color, uint32_t *weight, int32_t *style, const MSElement *el,
                                     DgnModelRefP model)
{
    mdlErrno = 0;
    uint32_t c, w;
    int32_t s;
    int rc = mdlElement_getSymbology(&c, &w, &s, el);
    if (rc != 0) return rc;
    if (model == MDLHOST_NO_MODEL) model = mdlModelRef_getActive();
    const uint32_t level = el->ehdr.level;
    if (c == COLOR_BYLEVEL && mdlLevel_getElementColor(&c, model, level) != 0) c = 0;
    if (w == WEIGHT_BYLEVEL && mdlLevel_getElementWeight(&w, model, level) != 0) w = 0;
    if (s == STYLE_BYLEVEL && mdlLevel_getElementStyle(&s, model, level) != 0) s = 0;
    mdlErrno = 0;
    if (color) *color = c;
    if (weight) *weight = w;
    if (style) *style = s;
    return 0;
}

int mdlElement_setProperties(MSElement *el, const uint32_t *level, const uint32_t *graphicGroup,
                             const uint32_t *elementClass, const int *locked, const int *isNew, const int *modified,
                             const int *viewIndependent, const int *solidHole)
{
    mdlErrno = 0;
    if (!el || validateElement(el) != 0) return fail(DGNERR_BADELEMENT);
    if (elementClass && *elementClass > ELM_PROP_CLASS_MASK) return fail(DGNERR_BADELEMENT);
    uint32_t &p = el->ehdr.properties;
    auto flag = [&p](const int *v, uint32_t bit) {
        if (v) p = *v ? (p | bit) : (p & ~bit);
    };
    if (level) el->ehdr.level = *level;
    if (graphicGroup) el->ehdr.graphicGroup = *graphicGroup;
    if (elementClass) p = (p & ~ELM_PROP_CLASS_MASK) | *elementClass;
    flag(locked, ELM_PROP_LOCKED);
    flag(isNew, ELM_PROP_NEW);
    flag(modified, ELM_PROP_MODIFIED);
    flag(viewIndependent, ELM_PROP_VIEWINDEP);
    flag(solidHole, ELM_PROP_HOLE);
    return 0;
}

int mdlElement_getProperties(uint32_t *level, uint32_t *graphicGroup, uint32_t *elementClass, int *locked,
                             int *isNew, int *modified, int *viewIndependent, int *solidHole, const MSElement *el)
{
    mdlErrno = 0;
    if (!el || validateElement(el) != 0) return fail(DGNERR_BADELEMENT);
    const uint32_t p = el->ehdr.properties;
    if (level) *level = el->ehdr.level;
    if (graphicGroup) *graphicGroup = el->ehdr.graphicGroup;
    if (elementClass) *elementClass = p & ELM_PROP_CLASS_MASK;
    if (locked) *locked = (p & ELM_PROP_LOCKED) != 0;
    if (isNew) *isNew = (p & ELM_PROP_NEW) != 0;
    if (modified) *modified = (p & ELM_PROP_MODIFIED) != 0;
    if (viewIndependent) *viewIndependent = (p & ELM_PROP_VIEWINDEP) != 0;
    if (solidHole) *solidHole = (p & ELM_PROP_HOLE) != 0;
    return 0;
}

int mdlElement_setFillColor(MSElement *el, uint32_t fillColor)
{
    mdlErrno = 0;
    if (!hasDisplayHeader(el) || !closedType(elementType(el))) return fail(DGNERR_BADELEMENT);
    el->ehdr.properties |= ELM_PROP_FILLED;
    el->line.dhdr.fillColor = fillColor;
    return 0;
}

int mdlElement_isFilled(const MSElement *el, uint32_t *fillColor)
{
    mdlErrno = 0;
    if (!hasDisplayHeader(el) || !(el->ehdr.properties & ELM_PROP_FILLED)) return 0;
    if (fillColor) *fillColor = el->line.dhdr.fillColor;
    return 1;
}

// --- sizes -------------------------------------------------------------------------

int mdlElement_getType(const MSElement *el)
{
    mdlErrno = 0;
    return el ? elementType(el) : 0;
}

int mdlElement_size(const MSElement *el)
{
    mdlErrno = 0;
    return static_cast<int>(mdlhost::dgn::elementBytes(el));
}

int mdlElement_memcpy(MSElement *dst, const MSElement *src)
{
    mdlErrno = 0;
    if (!dst || !src || validateElement(src) != 0) return fail(DGNERR_BADELEMENT);
    if (dst != src) std::memmove(dst, src, mdlhost::dgn::elementBytes(src));
    return 0;
}

int mdlElement_extractRange(DRange3d *range, const MSElement *el)
{
    mdlErrno = 0;
    if (!range || !hasDisplayHeader(el)) return fail(DGNERR_BADELEMENT);
    *range = el->line.dhdr.range;
    return 0;
}

// --- linkages --------------------------------------------------------------------

int mdlLinkage_setWords(LinkageHeader *hdr, int words)
{
    mdlErrno = 0;
    if (!hdr) return fail(DGNERR_BADELEMENT);
    uint16_t len;
    uint16_t flags = hdr->hdr & static_cast<uint16_t>(~(LINKAGE_LENGTH_MASK | LINKAGE_LONG));
    if (words >= 2 && words <= static_cast<int>(LINKAGE_LENGTH_MASK) + 1) {
        len = static_cast<uint16_t>(words - 1);
    } else if (words > 0 && words % 4 == 0 && words / 4 <= static_cast<int>(LINKAGE_LENGTH_MASK) + 1) {
        len = static_cast<uint16_t>(words / 4 - 1) | LINKAGE_LONG;
    } else {
        return fail(DGNERR_BADELEMENT);
    }
    hdr->hdr = flags | len;
    return 0;
}

int mdlLinkage_getWords(const LinkageHeader *hdr)
{
    mdlErrno = 0;
    return hdr ? static_cast<int>(linkageWords(hdr->hdr)) : 0;
}

int mdlLinkage_appendToElement(MSElement *el, const LinkageHeader *hdr, const void *data)
{
    mdlErrno = 0;
    if (!el || !hdr || validateElement(el) != 0) return fail(DGNERR_BADELEMENT);
    size_t words = linkageWords(hdr->hdr);
    if (words < 2) return fail(DGNERR_BADELEMENT);
    if (el->ehdr.elementSize + words > MAX_ELEMENT_WORDS) return fail(DGNERR_FILEFULL);
    uint16_t *at = el->buf + el->ehdr.elementSize;
    at[0] = hdr->hdr;
    at[1] = hdr->primaryID;
    if (words > 2) {
        if (data)
            std::memcpy(at + 2, data, (words - 2) * sizeof(uint16_t));
        else
            std::memset(at + 2, 0, (words - 2) * sizeof(uint16_t));
    }
    el->ehdr.elementSize += static_cast<uint32_t>(words);
    return 0;
}

int mdlLinkage_findByID(const uint16_t **linkage, int *words, const MSElement *el, int linkageId, int index)
{
    mdlErrno = 0;
    if (!el || validateElement(el) != 0) return fail(DGNERR_BADELEMENT);
    int seen = 0;
    for (size_t w = el->ehdr.attrOffset; w < el->ehdr.elementSize; w += linkageWords(el->buf[w])) {
        if (linkageId >= 0 && el->buf[w + 1] != linkageId) continue;
        if (seen++ < index) continue;
        if (linkage) *linkage = el->buf + w;
        if (words) *words = static_cast<int>(linkageWords(el->buf[w]));
        return 0;
    }
    return fail(DGNERR_NOTFOUND);
}

int mdlLinkage_deleteByID(MSElement *el, int linkageId)
{
    mdlErrno = 0;
    if (!el || validateElement(el) != 0) return 0;
    size_t in = el->ehdr.attrOffset, out = in;
    int deleted = 0;
    while (in < el->ehdr.elementSize) {
        size_t words = linkageWords(el->buf[in]);
        if (el->buf[in + 1] == linkageId) {
            ++deleted;
        } else {
            if (out != in) std::memmove(el->buf + out, el->buf + in, words * sizeof(uint16_t));
            out += words;
        }
        in += words;
    }
    el->ehdr.elementSize = static_cast<uint32_t>(out);
    return deleted;
}

int mdlElement_extractAttributes(int *numWords, uint16_t *words, int maxWords, const MSElement *el)
{
    mdlErrno = 0;
    if (!el || validateElement(el) != 0) return fail(DGNERR_BADELEMENT);
    size_t n = el->ehdr.elementSize - el->ehdr.attrOffset;
    if (numWords) *numWords = static_cast<int>(n);
    if (words) {
        if (maxWords < 0 || n > static_cast<size_t>(maxWords)) return fail(DGNERR_FILEFULL);
        std::memcpy(words, el->buf + el->ehdr.attrOffset, n * sizeof(uint16_t));
    }
    return 0;
}

int mdlElement_appendAttributes(MSElement *el, int numWords, const uint16_t *words)
{
    mdlErrno = 0;
    if (!el || numWords < 0 || (numWords > 0 && !words) || validateElement(el) != 0) return fail(DGNERR_BADELEMENT);
    if (static_cast<size_t>(el->ehdr.elementSize) + static_cast<size_t>(numWords) > MAX_ELEMENT_WORDS)
        return fail(DGNERR_FILEFULL);
    if (!wholeLinkages(words, static_cast<size_t>(numWords))) return fail(DGNERR_BADELEMENT);
    std::memcpy(el->buf + el->ehdr.elementSize, words, static_cast<size_t>(numWords) * sizeof(uint16_t));
    el->ehdr.elementSize += static_cast<uint32_t>(numWords);
    return 0;
}

int mdlElement_stripAttributes(MSElement *out, const MSElement *in)
{
    mdlErrno = 0;
    if (!out || !in || validateElement(in) != 0) return fail(DGNERR_BADELEMENT);
    // A cell's name and description are body fields, so they stay.
    if (out != in) std::memcpy(out, in, 2u * in->ehdr.attrOffset);
    out->ehdr.elementSize = out->ehdr.attrOffset;
    return 0;
}

int mdlElmdscr_extractAttributes(int *numWords, uint16_t *words, int maxWords, const MSElementDescr *dscr)
{
    mdlErrno = 0;
    if (!dscr) return fail(DGNERR_BADELEMENT);
    return mdlElement_extractAttributes(numWords, words, maxWords, &dscr->el);
}

int mdlElmdscr_appendAttributes(MSElementDescr *dscr, int numWords, const uint16_t *words)
{
    mdlErrno = 0;
    if (!dscr) return fail(DGNERR_BADELEMENT);
    uint32_t before = dscr->el.ehdr.elementSize;
    int rc = mdlElement_appendAttributes(&dscr->el, numWords, words);
    if (rc == 0) mdlhost::dgn::descrSizeChanged(dscr, before);
    return rc;
}

int mdlElmdscr_stripAttributes(MSElementDescr *dscr)
{
    mdlErrno = 0;
    if (!dscr) return fail(DGNERR_BADELEMENT);
    uint32_t before = dscr->el.ehdr.elementSize;
    int rc = mdlElement_stripAttributes(&dscr->el, &dscr->el);
    if (rc == 0) mdlhost::dgn::descrSizeChanged(dscr, before);
    return rc;
}

} // extern "C"
