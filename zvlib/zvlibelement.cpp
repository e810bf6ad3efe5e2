// Elements made with an attribute set, symbology by level, copies without
// attribute data, element descriptors (range, fitting, drawing into a
// dialog) and the library's user data on elements.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "mdlhost.h"
#include "zvlibelement.h"
#include "zvlibelmattr.h"
#include "zvlibmain.h"
#include "zvlibutil.h"

namespace {

// The library's element buffer (the platform's global element buffer).
MSElement elementBuffer;

// Words of the linkage header, id, type and value before the data.
constexpr int USERDATA_HEAD_WORDS = 4;
constexpr int USERDATA_TYPE_WORD = 2;
constexpr int USERDATA_VALUE_WORD = 3;
// Words of the linkage that holds ZVLIB_USERDATA_MAX bytes: no linkage the
// library writes is longer.
constexpr int USERDATA_MAX_WORDS = ((ZVLIB_USERDATA_MAX + 1) / 2 + 7) / 4 * 4;
static_assert(2 * USERDATA_MAX_WORDS - 2 * USERDATA_HEAD_WORDS == ZVLIB_USERDATA_EXTRACT_MAX);

// Ranges narrower than this are taken as DEGENERATE_EXTENT wide, so that
// a point or a straight line still gives a finite scale.
constexpr double MIN_EXTENT = 0.001;
constexpr double DEGENERATE_EXTENT = 0.0001;

// Builds into a scratch element so that a refused element, or an
// attribute the application has not registered, leaves the buffer as it
// was.
template <class Build> int createElement(Build build, int attrId, MSElementDescr *dscr)
{
    auto el = std::make_unique<MSElement>();
    if (build(el.get()) != 0 || zvlibElmAttr_setSymbologyAndProperties(el.get(), attrId, nullptr) != 0)
        return ZVLIB_FAILURE;
    mdlElement_memcpy(&elementBuffer, el.get());
    if (dscr != nullptr && mdlElmdscr_appendElement(dscr, &elementBuffer) != 0)
        return ZVLIB_FAILURE;
    return 0;
}

int elementType(const MSElement &el) { return mdlElement_getType(&el); }

// The range of dscr and its following siblings (UOR); false when none has
// geometry.
bool chainRange(const MSElementDescr *dscr, DRange3d &range)
{
    bool any = false;
    for (const MSElementDescr *d = dscr; d != nullptr; d = d->h.next) {
        DRange3d r;
        if (mdlElmdscr_getRange(&r, d) != 0)
            continue;
        if (!any) {
            range = r;
            any = true;
            continue;
        }
        range.low.x = std::min(range.low.x, r.low.x);
        range.low.y = std::min(range.low.y, r.low.y);
        range.low.z = std::min(range.low.z, r.low.z);
        range.high.x = std::max(range.high.x, r.high.x);
        range.high.y = std::max(range.high.y, r.high.y);
        range.high.z = std::max(range.high.z, r.high.z);
    }
    return any;
}

double extent(double low, double high)
{
    double e = high - low;
    return std::fabs(e) < MIN_EXTENT ? DEGENERATE_EXTENT : e;
}

// --- drawing into a dialog ---------------------------------------------------

struct WindowFit {
    MSDialog *db;
    int colour; // -1: each element's own
    DRange3d range;
    double scale;
    double left, bottom; // pixel of the range's low corner
};

int pixelX(const WindowFit &f, double x)
{
    return static_cast<int>(std::lround(f.left + (x - f.range.low.x) * f.scale));
}
// Window y grows downwards.
int pixelY(const WindowFit &f, double y)
{
    return static_cast<int>(std::lround(f.bottom - (y - f.range.low.y) * f.scale));
}

int drawOne(MSElement *el, void *arg, int, MSElementDescr *node)
{
    const WindowFit &f = *static_cast<const WindowFit *>(arg);
    int colour = f.colour;
    if (colour == -1) {
        uint32_t c = 0;
        colour = mdlElement_getEffectiveSymbology(&c, nullptr, nullptr, el, mdlModelRef_getActive()) == 0
                     ? static_cast<int>(c)
                     : 0;
    }
    switch (elementType(*el)) {
    case LINE_ELM:
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case CURVE_ELM:
    case MULTILINE_ELM:
    case ELLIPSE_ELM:
    case ARC_ELM: {
        DPoint3d *points = nullptr;
        int n = 0;
        if (mdlElmdscr_stroke(&points, &n, node, 0) != 0)
            return 0;
        for (int i = 1; i < n; ++i)
            mdlDialog_lineDraw(f.db, pixelX(f, points[i - 1].x), pixelY(f, points[i - 1].y), pixelX(f, points[i].x),
                               pixelY(f, points[i].y), colour);
        dlmSystem_mdlFree(points);
        return 0;
    }
    case TEXT_ELM: {
        char text[MDLHOST_MAX_TEXT + 1];
        DPoint3d box[4];
        if (mdlText_extract(text, sizeof text, nullptr, nullptr, nullptr, nullptr, el) == 0 &&
            mdlText_extractShape(box, el) == 0)
            mdlDialog_textDraw(f.db, text, pixelX(f, box[0].x), pixelY(f, box[0].y), colour);
        return 0;
    }
    default:
        return 0; // nothing the top view shows as lines
    }
}

// --- user data ---------------------------------------------------------------

// The first linkage of the library's id that the library could have
// written; null when there is none.  The host has checked that linkages
// tile the element, so a linkage found lies wholly inside it.
const uint16_t *findUserData(const MSElement *el, int &words)
{
    const uint16_t *linkage = nullptr;
    for (int i = 0; mdlLinkage_findByID(&linkage, &words, el, ZVLIB_USERDATA_ID, i) == 0; ++i) {
        if ((linkage[0] & LINKAGE_USER) != 0 && words >= USERDATA_HEAD_WORDS && words <= USERDATA_MAX_WORDS)
            return linkage;
    }
    return nullptr;
}

} // namespace

// --- elements --------------------------------------------------------------------

MSElement *zvlibElement_getElementBuffer(void) { return &elementBuffer; }

int zvlibElement_createLine(const DPoint3d points[2], int attrId, MSElementDescr *dscr)
{
    return createElement([&](MSElement *el) { return mdlLine_create(el, nullptr, points); }, attrId, dscr);
}

int zvlibElement_createLineString(const DPoint3d *points, int count, int attrId, MSElementDescr *dscr)
{
    return createElement([&](MSElement *el) { return mdlLineString_create(el, nullptr, points, count); }, attrId,
                         dscr);
}

int zvlibElement_createArc(const DPoint3d *centre, double radius, double startAngle, double sweepAngle, int attrId,
                           MSElementDescr *dscr)
{
    return createElement(
        [&](MSElement *el) {
            return mdlArc_create(el, nullptr, centre, radius, radius, nullptr, startAngle, sweepAngle);
        },
        attrId, dscr);
}

int zvlibElement_createArcByCenter(const DPoint3d *start, const DPoint3d *centre, const DPoint3d *end,
                                   int counterClockwise, double radius, int attrId, MSElementDescr *dscr)
{
    return createElement(
        [&](MSElement *el) {
            return mdlArc_createByCenter(el, nullptr, start, centre, end, counterClockwise, radius);
        },
        attrId, dscr);
}

int zvlibElement_createEllipse(const DPoint3d *centre, double radius, int attrId, MSElementDescr *dscr)
{
    return zvlibElement_createEllipseExtended(centre, radius, 0, attrId, dscr);
}

int zvlibElement_createEllipseExtended(const DPoint3d *centre, double radius, int fillMode, int attrId,
                                       MSElementDescr *dscr)
{
    return createElement(
        [&](MSElement *el) { return mdlEllipse_create(el, nullptr, centre, radius, radius, nullptr, fillMode); },
        attrId, dscr);
}

int zvlibElement_createShape(const DPoint3d *points, int count, int fillMode, int attrId, MSElementDescr *dscr)
{
    return createElement([&](MSElement *el) { return mdlShape_create(el, nullptr, points, count, fillMode); },
                         attrId, dscr);
}

int zvlibElement_createText(const DPoint3d *origin, const char *text, double scale, const int *justification,
                            int attrId, MSElementDescr *dscr)
{
    if (zvlibMain_getGlobalDataP() == nullptr)
        return ZVLIB_FAILURE;
    const ZvlibElmAttrSettings *found = elmAttr_findSettings(attrId);
    if (found == nullptr)
        return ZVLIB_FAILURE;
    // The justification applies to this text only, so it goes into a copy
    // and the attribute keeps its own.
    ZvlibElmAttrSettings settings = *found;
    if (justification != nullptr) {
        settings.justification = *justification;
        settings.useFlags |= ZVLIB_ATTR_JUSTIFICATION;
    }
    auto el = std::make_unique<MSElement>();
    if (elmAttr_createTextWithSettings(el.get(), nullptr, text, origin, nullptr, mdlModelRef_getActive(), &settings,
                                       scale) != 0)
        return ZVLIB_FAILURE;
    mdlElement_memcpy(&elementBuffer, el.get());
    if (dscr != nullptr && mdlElmdscr_appendElement(dscr, &elementBuffer) != 0)
        return ZVLIB_FAILURE;
    return 0;
}

int zvlibElement_setSymbologyByLevel(MSElement *el)
{
    const uint32_t colour = COLOR_BYLEVEL, weight = WEIGHT_BYLEVEL;
    const int32_t style = STYLE_BYLEVEL;
    return mdlElement_setSymbology(el, &colour, &weight, &style) == 0 ? 0 : ZVLIB_FAILURE;
}

int zvlibElement_setSymbologyFromLevel(MSElement *el, uint32_t levelId)
{
    DgnModelRefP model = mdlModelRef_getActive();
    uint32_t colour = 0, weight = 0;
    int32_t style = 0;
    if (el == nullptr || mdlLevel_getElementColor(&colour, model, levelId) != 0 ||
        mdlLevel_getElementWeight(&weight, model, levelId) != 0 ||
        mdlLevel_getElementStyle(&style, model, levelId) != 0)
        return ZVLIB_FAILURE;
    return mdlElement_setSymbology(el, &colour, &weight, &style) == 0 ? 0 : ZVLIB_FAILURE;
}

int zvlibElement_stripAttributes(MSElement *out, const MSElement *el)
{
    if (out == nullptr || el == nullptr)
        return ZVLIB_FAILURE;
    if (out != el && mdlElement_memcpy(out, el) != 0)
        return ZVLIB_FAILURE;
    mdlLinkage_deleteByID(out, ZVLIB_USERDATA_ID);
    return 0;
}

int zvlibElement_stripAttributes2(MSElement *out, const MSElement *el)
{
    return mdlElement_stripAttributes(out, el) == 0 ? 0 : ZVLIB_FAILURE;
}

// --- element descriptors ------------------------------------------------------------

int zvlibElemDscr_getRange(DPoint3d *low, DPoint3d *high, const MSElementDescr *dscr)
{
    DRange3d range;
    if (low == nullptr || high == nullptr || dscr == nullptr || mdlElmdscr_getRange(&range, dscr) != 0)
        return ZVLIB_FAILURE;
    *low = range.low;
    *high = range.high;
    return 0;
}

int zvlibElemDscr_placeElementDescr(const DPoint3d *rectangle, int centre, MSElementDescr *dscr)
{
    DRange3d range;
    if (rectangle == nullptr || dscr == nullptr || mdlElmdscr_validate(dscr, mdlModelRef_getActive()) != 0 ||
        !chainRange(dscr, range))
        return ZVLIB_FAILURE;
    const DPoint3d &low = rectangle[0], &high = rectangle[2];
    double width = high.x - low.x, height = high.y - low.y;
    if (width == 0)
        width = 1;
    if (height == 0)
        height = 1;
    const double rangeWidth = extent(range.low.x, range.high.x), rangeHeight = extent(range.low.y, range.high.y);
    const double scale = std::min(width / rangeWidth, height / rangeHeight);
    if (!std::isfinite(scale))
        return ZVLIB_FAILURE;
    Transform t{};
    t.form3d[0][0] = t.form3d[1][1] = t.form3d[2][2] = scale;
    if (centre) {
        t.form3d[0][3] = (width - scale * rangeWidth) / 2 - scale * range.low.x + low.x;
        t.form3d[1][3] = (height - scale * rangeHeight) / 2 - scale * range.low.y + low.y;
    }
    return mdlElmdscr_transform(dscr, &t) == 0 ? 0 : ZVLIB_FAILURE;
}

int zvlibElemDscr_drawElementDescr(MSDialog *db, const BSIRect *rect, MSElementDescr *dscr, const void *, int colour)
{
    if (db == nullptr || rect == nullptr || dscr == nullptr || !mdlhost_dialogIsOpen(db))
        return ZVLIB_FAILURE;
    WindowFit f{db, colour, {}, 0, 0, 0};
    if (!chainRange(dscr, f.range))
        return ZVLIB_FAILURE;
    // The corner is exclusive, so the last pixel is one before it.
    const double width = std::max(1, rect->corner.x - rect->origin.x - 1);
    const double height = std::max(1, rect->corner.y - rect->origin.y - 1);
    const double rangeWidth = extent(f.range.low.x, f.range.high.x);
    const double rangeHeight = extent(f.range.low.y, f.range.high.y);
    f.scale = std::min(width / rangeWidth, height / rangeHeight);
    f.left = rect->origin.x + (width - f.scale * (f.range.high.x - f.range.low.x)) / 2;
    f.bottom = rect->corner.y - 1 - (height - f.scale * (f.range.high.y - f.range.low.y)) / 2;
    // Records and ranges are UOR; stroking gives current coordinates, so
    // those are made UOR while drawing.
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    mdlElmdscr_operation(dscr, drawOne, &f, ELMD_ELEMENT);
    mdlCurrTrans_end();
    return 0;
}

// --- user data ------------------------------------------------------------------------

int zvlibAttrib_appendElementUserData(int type, int value, MSElement *el, const void *data, int bytes)
{
    if (bytes > ZVLIB_USERDATA_MAX) {
        toolSubsystem_printf("Userdata er for stor. buffersize=%d\n", bytes);
        return ZVLIB_FAILURE;
    }
    if (el == nullptr || bytes < 0 || (bytes > 0 && data == nullptr) || type < INT16_MIN || type > INT16_MAX ||
        value < INT16_MIN || value > INT16_MAX)
        return ZVLIB_FAILURE;
    const int words = ((bytes + 1) / 2 + 7) / 4 * 4;
    LinkageHeader hdr{LINKAGE_USER, ZVLIB_USERDATA_ID};
    if (mdlLinkage_setWords(&hdr, words) != 0)
        return ZVLIB_FAILURE;
    // Zero-filled, so the padding after the data is zero.
    std::vector<uint16_t> body(static_cast<size_t>(words - 2), 0);
    body[USERDATA_TYPE_WORD - 2] = static_cast<uint16_t>(static_cast<int16_t>(type));
    body[USERDATA_VALUE_WORD - 2] = static_cast<uint16_t>(static_cast<int16_t>(value));
    if (bytes > 0)
        std::memcpy(&body[USERDATA_HEAD_WORDS - 2], data, static_cast<size_t>(bytes));
    return mdlLinkage_appendToElement(el, &hdr, body.data()) == 0 ? 0 : ZVLIB_FAILURE;
}

int zvlibAttrib_extractElementUserDataExtended(const MSElement *el, int type, int *value, void *data, int capacity,
                                               int *bytes)
{
    if (el == nullptr)
        return ZVLIB_FAILURE;
    int words = 0;
    const uint16_t *linkage = findUserData(el, words);
    if (linkage == nullptr || static_cast<int16_t>(linkage[USERDATA_TYPE_WORD]) != type)
        return ZVLIB_FAILURE;
    const int held = 2 * words - 2 * USERDATA_HEAD_WORDS;
    if (value != nullptr)
        *value = static_cast<int16_t>(linkage[USERDATA_VALUE_WORD]);
    if (bytes != nullptr)
        *bytes = held;
    if (data != nullptr && capacity > 0)
        std::memcpy(data, linkage + USERDATA_HEAD_WORDS, static_cast<size_t>(std::min(held, capacity)));
    return 0;
}

int zvlibAttrib_extractElementUserData(const MSElement *el, int type, int *value, void *data, int *bytes)
{
    return zvlibAttrib_extractElementUserDataExtended(el, type, value, data, ZVLIB_USERDATA_EXTRACT_MAX, bytes);
}
