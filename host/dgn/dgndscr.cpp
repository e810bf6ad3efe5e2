// Element descriptors in memory: building, walking, modifying, reversing,
// flattening, transforming, validating and stroking element trees.
//
// Invariant kept by every function here: a header's numComponents counts its
// direct components, its totalWords is its own size plus its components'
// totalWords (or sizes), every component carries ELM_COMPLEX_BIT, and every
// range holds its subtree.  refreshUp restores it from a changed node to the
// top; fixTree rebuilds a whole subtree.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "dgn_int.h"
#include "dgnelem_int.h"
#include "dgn/mdlelem.h"
#include "sys/mdlsys.h"

namespace mdlhost::dgn {
namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

int fail(int error)
{
    mdlErrno = error;
    return error;
}

bool isHeaderNode(const MSElementDescr *d)
{
    return d->h.isHeader || d->h.firstElem || isHeaderType(elementType(&d->el));
}

// Headers whose body starts with Complex_hdr's counts.
bool hasCounts(const MSElement *el)
{
    return isHeaderType(elementType(el)) && el->ehdr.attrOffset * 2u >= sizeof(Complex_hdr);
}

bool hasDisplayHeader(const MSElement *el)
{
    return isGraphic(elementType(el)) && el->ehdr.attrOffset * 2u >= ELM_BODY_OFFSET;
}

uint32_t subtreeWords(const MSElementDescr *d)
{
    return hasCounts(&d->el) && d->h.firstElem ? d->el.complexHdr.totalWords : d->el.ehdr.elementSize;
}

// The stored range of a node that has one (an empty complex header has none).
bool storedRange(const MSElementDescr *d, DRange3d &r)
{
    if (!hasDisplayHeader(&d->el)) return false;
    int t = elementType(&d->el);
    if (!d->h.firstElem && (t == CMPLX_STRING_ELM || t == CMPLX_SHAPE_ELM || t == SHAREDCELL_DEF_ELM)) return false;
    r = d->el.line.dhdr.range;
    return true;
}

// Counts and range of one node from its element and its components' stored
// values.
void refreshNode(MSElementDescr *d)
{
    MSElement &el = d->el;
    if (d->h.firstElem) d->h.isHeader = 1;
    DRange3d r{};
    bool any = false;
    if (d->h.firstElem) {
        uint32_t n = 0;
        uint64_t words = el.ehdr.elementSize;
        RangeAccumulator acc;
        for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next) {
            ++n;
            words += subtreeWords(c);
            DRange3d cr;
            if (storedRange(c, cr)) acc.add(cr);
        }
        if (hasCounts(&el)) {
            el.complexHdr.numComponents = n;
            el.complexHdr.totalWords = static_cast<uint32_t>(std::min<uint64_t>(words, UINT32_MAX));
        }
        int t = elementType(&el);
        DRange3d own;
        if ((t == CELL_HEADER_ELM || t == TEXT_NODE_ELM) && elementGeometryRange(&el, &own)) acc.add(own);
        any = acc.get(r);
    } else {
        if (hasCounts(&el)) {
            el.complexHdr.numComponents = 0;
            el.complexHdr.totalWords = el.ehdr.elementSize;
        }
        any = elementGeometryRange(&el, &r);
    }
    if (any && hasDisplayHeader(&el)) el.line.dhdr.range = r;
}

void refreshUp(MSElementDescr *d)
{
    for (; d; d = d->h.myHeader) refreshNode(d);
}

// Rebuilds counts, flags and ranges of d's subtree (not its siblings).
int fixTree(MSElementDescr *d)
{
    if (validateElement(&d->el) != 0) return DGNERR_BADELEMENT;
    for (MSElementDescr *c = d->h.firstElem; c; c = c->h.next) {
        c->h.myHeader = d;
        c->el.ehdr.type |= ELM_COMPLEX_BIT;
        int rc = fixTree(c);
        if (rc != 0) return rc;
    }
    if (!d->h.myHeader) d->el.ehdr.type &= ~ELM_COMPLEX_BIT;
    refreshNode(d);
    return 0;
}

MSElementDescr *nodeOf(const MSElement *el)
{
    if (!el || validateElement(el) != 0) return nullptr;
    MSElementDescr *d = allocDescrNode();
    if (!d) return nullptr;
    std::memcpy(&d->el, el, elementBytes(el));
    d->h.isHeader = isHeaderType(elementType(el)) ? 1 : 0;
    return d;
}

MSElementDescr *lastOf(MSElementDescr *d)
{
    while (d && d->h.next) d = d->h.next;
    return d;
}

// Hangs chain (owned) below header as its last components.
void attachComponents(MSElementDescr *header, MSElementDescr *chain)
{
    header->h.isHeader = 1;
    MSElementDescr *last = lastOf(header->h.firstElem);
    if (last) {
        last->h.next = chain;
        chain->h.previous = last;
    } else {
        header->h.firstElem = chain;
        chain->h.previous = nullptr;
    }
    for (MSElementDescr *c = chain; c; c = c->h.next) {
        c->h.myHeader = header;
        c->el.ehdr.type |= ELM_COMPLEX_BIT;
        fixTree(c);
    }
    refreshUp(header);
}

// Adds chain after the last sibling of d.
void attachSiblings(MSElementDescr *d, MSElementDescr *chain)
{
    MSElementDescr *last = lastOf(d);
    last->h.next = chain;
    chain->h.previous = last;
    for (MSElementDescr *c = chain; c; c = c->h.next) {
        c->h.myHeader = d->h.myHeader;
        if (d->h.myHeader)
            c->el.ehdr.type |= ELM_COMPLEX_BIT;
        else
            c->el.ehdr.type &= ~ELM_COMPLEX_BIT;
        fixTree(c);
    }
    if (d->h.myHeader) refreshUp(d->h.myHeader);
}

MSElementDescr *copySubtree(const MSElementDescr *d, MSElementDescr *header)
{
    MSElementDescr *n = allocDescrNode();
    if (!n) return nullptr;
    std::memcpy(&n->el, &d->el, elementBytes(&d->el));
    n->h.isHeader = d->h.isHeader;
    n->h.dgnModelRef = d->h.dgnModelRef;
    n->h.filePos = d->h.filePos;
    n->h.myHeader = header;
    MSElementDescr *prev = nullptr;
    for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next) {
        MSElementDescr *cc = copySubtree(c, n);
        if (!cc) {
            mdlElmdscr_freeAll(&n);
            return nullptr;
        }
        appendComponent(n, prev, cc);
    }
    return n;
}

// Unlinks d (and its subtree) from its chain; returns what took its place.
void unlink(MSElementDescr *d, MSElementDescr **top)
{
    if (d->h.previous)
        d->h.previous->h.next = d->h.next;
    else if (d->h.myHeader)
        d->h.myHeader->h.firstElem = d->h.next;
    else if (top && *top == d)
        *top = d->h.next;
    if (d->h.next) d->h.next->h.previous = d->h.previous;
    d->h.next = d->h.previous = nullptr;
    d->h.myHeader = nullptr;
}

// --- element-wise geometry ------------------------------------------------------

DPoint3d apply(const Transform &t, const DPoint3d &p)
{
    DPoint3d q = p;
    mdlTMatrix_transformPoint(&q, &t);
    return q;
}

DPoint3d column(const RotMatrix &m, int j) { return DPoint3d{m.form3d[0][j], m.form3d[1][j], m.form3d[2][j]}; }
DPoint3d linearPart(const Transform &t, const DPoint3d &v)
{
    const auto &f = t.form3d;
    return DPoint3d{f[0][0] * v.x + f[0][1] * v.y + f[0][2] * v.z, f[1][0] * v.x + f[1][1] * v.y + f[1][2] * v.z,
                    f[2][0] * v.x + f[2][1] * v.y + f[2][2] * v.z};
}
double norm(const DPoint3d &v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
DPoint3d cross(const DPoint3d &a, const DPoint3d &b)
{
    return DPoint3d{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
DPoint3d unit(const DPoint3d &v)
{
    double n = norm(v);
    return n > 0 ? DPoint3d{v.x / n, v.y / n, v.z / n} : v;
}
void setColumns(RotMatrix &m, const DPoint3d &x, const DPoint3d &y, const DPoint3d &z)
{
    const DPoint3d c[3] = {x, y, z};
    for (int j = 0; j < 3; ++j) {
        m.form3d[0][j] = c[j].x;
        m.form3d[1][j] = c[j].y;
        m.form3d[2][j] = c[j].z;
    }
}

// The rotated and scaled axes of rotation r under t: new orthonormal
// rotation, the scales of x and y; false when an axis collapses.  flipped
// tells that the plane's normal had to be turned up.
bool mapAxes(const Transform &t, const RotMatrix &r, RotMatrix &out, double &sx, double &sy, bool &flipped)
{
    DPoint3d vx = linearPart(t, column(r, 0)), vy = linearPart(t, column(r, 1));
    sx = norm(vx);
    sy = norm(vy);
    if (!(sx > 0) || !(sy > 0) || !std::isfinite(sx) || !std::isfinite(sy)) return false;
    DPoint3d x = unit(vx), z = unit(cross(vx, vy));
    if (!(norm(z) > 0)) return false;
    flipped = false;
    DPoint3d y = cross(z, x);
    // A mirror turns the plane over; keep its normal's sense in the sweep.
    DPoint3d zr = column(r, 2);
    DPoint3d zt = linearPart(t, zr);
    if (zt.x * z.x + zt.y * z.y + zt.z * z.z < 0 && z.z < 0) {
        z = DPoint3d{-z.x, -z.y, -z.z};
        y = DPoint3d{-y.x, -y.y, -y.z};
        flipped = true;
    }
    setColumns(out, x, y, z);
    return true;
}

int transformElement(MSElement &el, const Transform &t)
{
    switch (elementType(&el)) {
    case LINE_ELM:
        el.line.start = apply(t, el.line.start);
        el.line.end = apply(t, el.line.end);
        break;
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case CURVE_ELM:
    case MULTILINE_ELM:
        for (uint32_t i = 0; i < el.linear.numVerts; ++i) el.linear.vertice[i] = apply(t, el.linear.vertice[i]);
        break;
    case ELLIPSE_ELM:
    case ARC_ELM: {
        Ellipse_elm &e = el.ellipse;
        RotMatrix r;
        double sx, sy;
        bool flipped;
        if (!mapAxes(t, e.rotation, r, sx, sy, flipped)) return DGNERR_BADELEMENT;
        e.origin = apply(t, e.origin);
        e.rotation = r;
        e.primary *= sx;
        e.secondary *= sy;
        if (flipped) {
            e.start = -e.start;
            e.sweep = -e.sweep;
        }
        break;
    }
    case TEXT_ELM:
    case TEXT_NODE_ELM: {
        bool node = elementType(&el) == TEXT_NODE_ELM;
        DPoint3d &o = node ? el.textNode.origin : el.text.origin;
        RotMatrix &rot = node ? el.textNode.rotation : el.text.rotation;
        TextAttr &a = node ? el.textNode.attr : el.text.attr;
        RotMatrix r;
        double sx, sy;
        bool flipped;
        if (!mapAxes(t, rot, r, sx, sy, flipped)) return DGNERR_BADELEMENT;
        o = apply(t, o);
        rot = r;
        a.width *= sx;
        a.height *= sy;
        a.lineSpacing *= sy;
        break;
    }
    case CELL_HEADER_ELM: {
        // A cell keeps its placement's scale in its rotation.
        Cell_elm &c = el.cell;
        c.origin = apply(t, c.origin);
        RotMatrix lin;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) lin.form3d[i][j] = t.form3d[i][j];
        mdlRMatrix_multiply(&c.rotation, &lin, &c.rotation);
        break;
    }
    case SHARED_CELL_ELM: {
        SharedCell_elm &s = el.sharedCell;
        RotMatrix r;
        double sx, sy;
        bool flipped;
        if (!mapAxes(t, s.rotation, r, sx, sy, flipped)) return DGNERR_BADELEMENT;
        s.origin = apply(t, s.origin);
        s.rotation = r;
        s.scale.x *= sx;
        s.scale.y *= sy;
        break;
    }
    default:
        break;
    }
    return 0;
}

// z of every coordinate := z (flatten or lift); rotations keep their turn
// about z when flattened.
void setZ(MSElement &el, double z, bool flatten)
{
    auto flatRotation = [](RotMatrix &r) {
        double a = std::atan2(r.form3d[1][0], r.form3d[0][0]);
        bool down = r.form3d[2][2] < 0;
        mdlRMatrix_fromAngle(&r, a);
        return down;
    };
    switch (elementType(&el)) {
    case LINE_ELM:
        el.line.start.z = el.line.end.z = z;
        break;
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case CURVE_ELM:
    case MULTILINE_ELM:
        for (uint32_t i = 0; i < el.linear.numVerts; ++i) el.linear.vertice[i].z = z;
        break;
    case ELLIPSE_ELM:
    case ARC_ELM:
        el.ellipse.origin.z = z;
        if (flatten && flatRotation(el.ellipse.rotation)) {
            // Seen from above the arc turns the other way.
            el.ellipse.start = -el.ellipse.start;
            el.ellipse.sweep = -el.ellipse.sweep;
        }
        break;
    case TEXT_ELM:
        el.text.origin.z = z;
        if (flatten) flatRotation(el.text.rotation);
        break;
    case TEXT_NODE_ELM:
        el.textNode.origin.z = z;
        if (flatten) flatRotation(el.textNode.rotation);
        break;
    case CELL_HEADER_ELM:
        el.cell.origin.z = z;
        if (flatten) {
            auto &f = el.cell.rotation.form3d;
            f[0][2] = f[1][2] = f[2][0] = f[2][1] = 0;
            f[2][2] = 1;
        }
        break;
    case SHARED_CELL_ELM:
        el.sharedCell.origin.z = z;
        if (flatten) flatRotation(el.sharedCell.rotation);
        break;
    default:
        break;
    }
    if (flatten)
        el.ehdr.properties &= ~ELM_PROP_3D;
    else
        el.ehdr.properties |= ELM_PROP_3D;
}

template <typename Fn> void forEachNode(MSElementDescr *d, Fn fn)
{
    for (; d; d = d->h.next) {
        fn(d);
        forEachNode(d->h.firstElem, fn);
    }
}

void reverseElement(MSElement &el)
{
    switch (elementType(&el)) {
    case LINE_ELM:
        std::swap(el.line.start, el.line.end);
        break;
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case CURVE_ELM:
    case MULTILINE_ELM:
        std::reverse(el.linear.vertice, el.linear.vertice + el.linear.numVerts);
        break;
    case ELLIPSE_ELM:
    case ARC_ELM:
        el.ellipse.start += el.ellipse.sweep;
        el.ellipse.sweep = -el.ellipse.sweep;
        break;
    default:
        break;
    }
}

bool reversible(const MSElementDescr *d)
{
    const int type = elementType(&d->el);
    if (isStrokable(type)) return !d->h.firstElem;
    if (type != CMPLX_STRING_ELM && type != CMPLX_SHAPE_ELM) return false;
    for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next)
        if (!reversible(c)) return false;
    return true;
}

void reverseTree(MSElementDescr *d)
{
    reverseElement(d->el);
    MSElementDescr *c = d->h.firstElem, *prev = nullptr;
    while (c) {
        MSElementDescr *next = c->h.next;
        reverseTree(c);
        c->h.next = prev;
        c->h.previous = next;
        prev = c;
        c = next;
    }
    if (prev) d->h.firstElem = prev;
}

// --- stroking ---------------------------------------------------------------------

void appendJoined(std::vector<DPoint3d> &out, const std::vector<DPoint3d> &part)
{
    size_t from = 0;
    if (!out.empty() && !part.empty()) {
        const DPoint3d &a = out.back(), &b = part.front();
        if (a.x == b.x && a.y == b.y && a.z == b.z) from = 1;
    }
    out.insert(out.end(), part.begin() + static_cast<std::ptrdiff_t>(from), part.end());
}

int arcSegments(const Ellipse_elm &e, double tol)
{
    double r = std::max(std::fabs(e.primary), std::fabs(e.secondary));
    if (!(tol > 0) || !std::isfinite(tol)) tol = r * 1e-3;
    double step = tol >= r ? kTwoPi / 4 : 2 * std::acos(1 - tol / r);
    step = std::min(step, kTwoPi / 16);
    double n = std::ceil(std::fabs(e.sweep) / step);
    return static_cast<int>(std::clamp(n, 1.0, 100000.0));
}

} // namespace

int strokeTree(const MSElementDescr *d, double tol, std::vector<DPoint3d> &out)
{
    const MSElement &el = d->el;
    switch (elementType(&el)) {
    case LINE_ELM:
        out.push_back(el.line.start);
        out.push_back(el.line.end);
        return 0;
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case MULTILINE_ELM:
        out.insert(out.end(), el.linear.vertice, el.linear.vertice + el.linear.numVerts);
        return 0;
    case CURVE_ELM:
        strokeCurve(el.linear.vertice, static_cast<int>(el.linear.numVerts), 8, out);
        return 0;
    case ELLIPSE_ELM:
    case ARC_ELM:
        strokeEllipse(el.ellipse, arcSegments(el.ellipse, tol) + 1, out);
        return 0;
    case CMPLX_STRING_ELM:
    case CMPLX_SHAPE_ELM: {
        if (!d->h.firstElem) return DGNERR_BADELEMENT;
        for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next) {
            std::vector<DPoint3d> part;
            int rc = strokeTree(c, tol, part);
            if (rc != 0) return rc;
            appendJoined(out, part);
        }
        if (elementType(&el) == CMPLX_SHAPE_ELM && !out.empty()) {
            const DPoint3d &a = out.front(), &b = out.back();
            if (a.x != b.x || a.y != b.y || a.z != b.z) out.push_back(a);
        }
        return 0;
    }
    default:
        return DGNERR_BADELEMENT;
    }
}

void descrSizeChanged(MSElementDescr *node, uint32_t)
{
    refreshUp(node);
}

} // namespace mdlhost::dgn

using namespace mdlhost::dgn;

extern "C" {

int mdlElmdscr_new(MSElementDescr **dscr, MSElementDescr *header, const MSElement *el)
{
    mdlErrno = 0;
    if (!dscr) return fail(DGNERR_BADELEMENT);
    MSElementDescr *d = nodeOf(el);
    if (!d) return fail(el ? DGNERR_BADELEMENT : DGNERR_BADELEMENT);
    if (header)
        attachComponents(header, d);
    else
        refreshNode(d);
    *dscr = d;
    return 0;
}

int mdlElmdscr_appendElement(MSElementDescr *dscr, const MSElement *el)
{
    mdlErrno = 0;
    if (!dscr) return fail(DGNERR_BADELEMENT);
    MSElementDescr *d = nodeOf(el);
    if (!d) return fail(DGNERR_BADELEMENT);
    if (isHeaderNode(dscr))
        attachComponents(dscr, d);
    else
        attachSiblings(dscr, d);
    return 0;
}

int mdlElmdscr_appendDscr(MSElementDescr *dscr, MSElementDescr *append)
{
    mdlErrno = 0;
    if (!dscr || !append || append == dscr) return fail(DGNERR_BADELEMENT);
    if (isHeaderNode(dscr))
        attachComponents(dscr, append);
    else
        attachSiblings(dscr, append);
    return 0;
}

void mdlElmdscr_freeAll(MSElementDescr **dscr)
{
    if (!dscr || !*dscr) return;
    // Iterative, so a long chain or a deep tree cannot exhaust the stack.
    std::vector<MSElementDescr *> todo{*dscr};
    *dscr = nullptr;
    while (!todo.empty()) {
        MSElementDescr *d = todo.back();
        todo.pop_back();
        if (d->h.next) todo.push_back(d->h.next);
        if (d->h.firstElem) todo.push_back(d->h.firstElem);
        freeDescrNode(d);
    }
}

int mdlElmdscr_duplicate(MSElementDescr **out, const MSElementDescr *in)
{
    mdlErrno = 0;
    if (!out || !in) return fail(DGNERR_BADELEMENT);
    MSElementDescr *head = nullptr, *prev = nullptr;
    for (const MSElementDescr *d = in; d; d = d->h.next) {
        MSElementDescr *c = copySubtree(d, nullptr);
        if (!c) {
            mdlElmdscr_freeAll(&head);
            return fail(DGNERR_FILEFULL);
        }
        c->h.previous = prev;
        if (prev)
            prev->h.next = c;
        else
            head = c;
        prev = c;
    }
    *out = head;
    return 0;
}

int mdlElmdscr_replaceElement(MSElementDescr **dscr, const MSElement *el)
{
    mdlErrno = 0;
    if (!dscr || !*dscr || !el || validateElement(el) != 0) return fail(DGNERR_BADELEMENT);
    MSElementDescr *d = *dscr;
    if (el != &d->el) std::memmove(&d->el, el, elementBytes(el));
    if (d->h.myHeader)
        d->el.ehdr.type |= ELM_COMPLEX_BIT;
    else
        d->el.ehdr.type &= ~ELM_COMPLEX_BIT;
    if (isHeaderType(elementType(&d->el))) d->h.isHeader = 1;
    refreshUp(d);
    return 0;
}

int mdlElmdscr_operation(MSElementDescr *dscr, MdlElementOperationFunc fn, void *arg, unsigned flags)
{
    mdlErrno = 0;
    if (!fn) return fail(DGNERR_BADELEMENT);
    for (MSElementDescr *d = dscr; d; d = d->h.next) {
        int rc = 0;
        uint32_t before = d->el.ehdr.elementSize;
        if (isHeaderNode(d)) {
            if (flags & ELMD_HEADER) rc = fn(&d->el, arg, static_cast<int>(ELMD_HEADER), d);
            if (rc == 0 && d->h.firstElem) rc = mdlElmdscr_operation(d->h.firstElem, fn, arg, flags);
        } else if (flags & ELMD_ELEMENT) {
            rc = fn(&d->el, arg, static_cast<int>(ELMD_ELEMENT), d);
        }
        if (d->el.ehdr.elementSize != before) refreshUp(d);
        if (rc != 0) return rc;
    }
    return 0;
}

namespace {

// Walks chain *first (a top chain or a header's components) for
// mdlModify_elementDescr; returns the or-ed statuses, stopping on ABORT.
int modifyChain(MSElementDescr **first, DgnModelRefP model, MdlModifyElementFunc fn, void *arg, bool &abort)
{
    int all = 0;
    MSElementDescr *d = *first;
    while (d && !abort) {
        MSElementDescr *next = d->h.next;
        MSElementDescr *replacement = nullptr;
        int st = fn(&d->el, arg, model, d, &replacement);
        all |= st;
        if (st & MODIFY_STATUS_ABORT) abort = true;
        if (st & (MODIFY_STATUS_DELETE | MODIFY_STATUS_REPLACEDSCR)) {
            MSElementDescr *header = d->h.myHeader, *prev = d->h.previous;
            unlink(d, first);
            mdlElmdscr_freeAll(&d);
            if ((st & MODIFY_STATUS_REPLACEDSCR) && !(st & MODIFY_STATUS_DELETE) && replacement) {
                // The new chain takes the old element's place.
                MSElementDescr *last = lastOf(replacement);
                replacement->h.previous = prev;
                last->h.next = next;
                if (next) next->h.previous = last;
                if (prev)
                    prev->h.next = replacement;
                else if (header)
                    header->h.firstElem = replacement;
                else
                    *first = replacement;
                for (MSElementDescr *r = replacement; r != next; r = r->h.next) r->h.myHeader = header;
            } else {
                mdlElmdscr_freeAll(&replacement);
            }
        } else {
            if (replacement) mdlElmdscr_freeAll(&replacement);
            if (d->h.firstElem) all |= modifyChain(&d->h.firstElem, model, fn, arg, abort);
        }
        d = next;
    }
    return all;
}

} // namespace

int mdlModify_elementDescr(MSElementDescr **dscr, DgnModelRefP model, MdlModifyElementFunc fn, void *arg)
{
    mdlErrno = 0;
    if (!dscr || !*dscr || !fn) return fail(DGNERR_BADELEMENT);
    bool abort = false;
    int all = modifyChain(dscr, model, fn, arg, abort);
    for (MSElementDescr *d = *dscr; d; d = d->h.next) fixTree(d);
    return all;
}

int mdlModify_elementDescr2(MSElementDescr **dscr, DgnModelRefP model, MdlModifyElementFunc fn, void *arg)
{
    mdlErrno = 0;
    return mdlModify_elementDescr(dscr, model, fn, arg);
}

int mdlModify_elementSingle(DgnModelRefP model, uint32_t pos, MdlModifyElementFunc fn, void *arg)
{
    mdlErrno = 0;
    if (!fn) return fail(DGNERR_BADELEMENT);
    MSElementDescr *d = nullptr;
    if (mdlElmdscr_read(&d, pos, model, 0, nullptr) == 0 || !d) return mdlErrno ? mdlErrno : fail(DGNERR_NOTFOUND);
    MSElementDescr *replacement = nullptr;
    int st = fn(&d->el, arg, model, d, &replacement);
    int rc = 0;
    if (st & MODIFY_STATUS_DELETE) {
        rc = mdlElmdscr_undoableDelete(d, pos, 0);
    } else if ((st & MODIFY_STATUS_REPLACEDSCR) && replacement) {
        if (fixTree(replacement) != 0 || mdlElmdscr_rewrite(replacement, d, pos) == 0)
            rc = mdlErrno ? mdlErrno : DGNERR_BADELEMENT;
    } else if (st & MODIFY_STATUS_MODIFY) {
        if (fixTree(d) != 0 || mdlElmdscr_rewrite(d, nullptr, pos) == 0) rc = mdlErrno ? mdlErrno : DGNERR_BADELEMENT;
    }
    mdlElmdscr_freeAll(&replacement);
    mdlElmdscr_freeAll(&d);
    return rc != 0 ? (rc < 0 ? rc : -rc) : st;
}

int mdlElmdscr_reverse(MSElementDescr **out, const MSElementDescr *in, DgnModelRefP)
{
    mdlErrno = 0;
    if (!out || !in || !reversible(in)) return fail(DGNERR_BADELEMENT);
    MSElementDescr *c = copySubtree(in, nullptr);
    if (!c) return fail(DGNERR_FILEFULL);
    reverseTree(c);
    fixTree(c);
    *out = c;
    return 0;
}

static int convertZ(MSElementDescr **out, const MSElementDescr *in, double z, bool flatten)
{
    if (!out || !in || !std::isfinite(z)) return fail(DGNERR_BADELEMENT);
    MSElementDescr *c = copySubtree(in, nullptr);
    if (!c) return fail(DGNERR_FILEFULL);
    forEachNode(c, [&](MSElementDescr *d) { setZ(d->el, z, flatten); });
    if (fixTree(c) != 0) {
        mdlElmdscr_freeAll(&c);
        return fail(DGNERR_BADELEMENT);
    }
    *out = c;
    return 0;
}

int mdlElmdscr_convertTo2D(MSElementDescr **out, const MSElementDescr *in, DgnModelRefP)
{
    mdlErrno = 0;
    return convertZ(out, in, 0.0, true);
}

int mdlElmdscr_convertTo3D(MSElementDescr **out, const MSElementDescr *in, DgnModelRefP, double height)
{
    mdlErrno = 0;
    return convertZ(out, in, height, false);
}

int mdlElmdscr_addFill(MSElementDescr *dscr, const uint32_t *fillColor)
{
    mdlErrno = 0;
    if (!dscr) return fail(DGNERR_BADELEMENT);
    uint32_t color = fillColor ? *fillColor : dscr->el.line.dhdr.color;
    return mdlElement_setFillColor(&dscr->el, color);
}

int mdlElmdscr_stripFill(MSElementDescr *dscr)
{
    mdlErrno = 0;
    if (!dscr || !hasDisplayHeader(&dscr->el)) return fail(DGNERR_BADELEMENT);
    dscr->el.ehdr.properties &= ~ELM_PROP_FILLED;
    dscr->el.line.dhdr.fillColor = 0;
    return 0;
}

int mdlElmdscr_transform(MSElementDescr *dscr, const Transform *t)
{
    mdlErrno = 0;
    if (!dscr || !t) return fail(DGNERR_BADELEMENT);
    for (const auto &row : t->form3d)
        for (double v : row)
            if (!std::isfinite(v)) return fail(DGNERR_BADELEMENT);
    int rc = 0;
    forEachNode(dscr, [&](MSElementDescr *d) {
        if (rc == 0) rc = transformElement(d->el, *t);
    });
    for (MSElementDescr *d = dscr; d; d = d->h.next) fixTree(d);
    return rc ? fail(rc) : 0;
}

int mdlElmdscr_validate(MSElementDescr *dscr, DgnModelRefP)
{
    mdlErrno = 0;
    if (!dscr) return fail(DGNERR_BADELEMENT);
    for (MSElementDescr *d = dscr; d; d = d->h.next)
        if (fixTree(d) != 0) return fail(DGNERR_BADELEMENT);
    return 0;
}

int mdlElmdscr_setRange(MSElementDescr *dscr, DgnModelRefP model)
{
    mdlErrno = 0;
    return mdlElmdscr_validate(dscr, model);
}

int mdlElmdscr_getRange(DRange3d *range, const MSElementDescr *dscr)
{
    mdlErrno = 0;
    if (!range || !dscr) return fail(DGNERR_BADELEMENT);
    return descrRange(dscr, range) == 0 ? 0 : fail(DGNERR_BADELEMENT);
}

int mdlElmdscr_extractEndPoints(DPoint3d *start, DPoint3d *end, const MSElementDescr *dscr, DgnModelRefP)
{
    mdlErrno = 0;
    if (!dscr) return fail(DGNERR_BADELEMENT);
    const MSElement &el = dscr->el;
    DPoint3d p[2];
    switch (elementType(&el)) {
    case LINE_ELM:
        p[0] = el.line.start;
        p[1] = el.line.end;
        break;
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case MULTILINE_ELM:
        if (el.linear.numVerts < 1) return fail(DGNERR_BADELEMENT);
        p[0] = el.linear.vertice[0];
        p[1] = el.linear.vertice[el.linear.numVerts - 1];
        break;
    case CURVE_ELM: {
        uint32_t n = el.linear.numVerts;
        if (n < 1) return fail(DGNERR_BADELEMENT);
        p[0] = el.linear.vertice[n >= 6 ? 2 : 0];
        p[1] = el.linear.vertice[n >= 6 ? n - 3 : n - 1];
        break;
    }
    case ELLIPSE_ELM:
    case ARC_ELM:
        p[0] = ellipsePoint(el.ellipse, el.ellipse.start);
        p[1] = ellipsePoint(el.ellipse, el.ellipse.start + el.ellipse.sweep);
        break;
    case CMPLX_STRING_ELM:
    case CMPLX_SHAPE_ELM: {
        const MSElementDescr *first = dscr->h.firstElem, *last = lastOf(dscr->h.firstElem);
        if (!first) return fail(DGNERR_BADELEMENT);
        DPoint3d a, b, ignore;
        mdlCurrTrans_begin();
        mdlCurrTrans_identity();
        int rc = mdlElmdscr_extractEndPoints(&a, &ignore, first, 0);
        if (rc == 0) rc = mdlElmdscr_extractEndPoints(&ignore, &b, last, 0);
        mdlCurrTrans_end();
        if (rc != 0) return rc;
        p[0] = a;
        p[1] = b;
        break;
    }
    default:
        return fail(DGNERR_BADELEMENT);
    }
    fromUor(p, 2);
    if (start) *start = p[0];
    if (end) *end = p[1];
    return 0;
}

int mdlElmdscr_stroke(DPoint3d **points, int *numPoints, const MSElementDescr *dscr, double tolerance)
{
    mdlErrno = 0;
    if (!points || !numPoints || !dscr) return fail(DGNERR_BADELEMENT);
    std::vector<DPoint3d> out;
    double tol = std::isfinite(tolerance) && tolerance > 0 ? lengthToUor(tolerance) : 0;
    int rc = strokeTree(dscr, tol, out);
    if (rc != 0 || out.empty()) return fail(DGNERR_BADELEMENT);
    if (out.size() > static_cast<size_t>(INT32_MAX / sizeof(DPoint3d))) return fail(DGNERR_FILEFULL);
    DPoint3d *mem = static_cast<DPoint3d *>(dlmSystem_mdlMalloc(out.size() * sizeof(DPoint3d)));
    if (!mem) return fail(DGNERR_FILEFULL);
    std::memcpy(mem, out.data(), out.size() * sizeof(DPoint3d));
    fromUor(mem, static_cast<int>(out.size()));
    *points = mem;
    *numPoints = static_cast<int>(out.size());
    return 0;
}

} // extern "C"
