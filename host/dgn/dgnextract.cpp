// Extraction: points, arcs and texts out of element records, in the
// current coordinates.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/text_host.h"
#include "dgn_int.h"
#include "dgnelem_int.h"
#include "dgn/mdlelem.h"

using namespace mdlhost::dgn;

namespace {

int fail(int error)
{
    mdlErrno = error;
    return error;
}

bool valid(const MSElement *el)
{
    return el && validateElement(el) == 0;
}

void paramsOf(const TextAttr &a, TextParamWide *p)
{
    if (!p) return;
    *p = TextParamWide{};
    p->size.width = lengthFromUor(a.width);
    p->size.height = lengthFromUor(a.height);
    p->font = static_cast<int>(a.font);
    p->justification = static_cast<int>(a.justification);
    p->lineSpacing = lengthFromUor(a.lineSpacing);
    p->slant = a.slant;
    p->flags = a.flags;
    p->style[0] = p->style[1] = -1;
}

int textParts(DPoint3d *origin, RotMatrix *rotation, TextParamWide *params, TextSizeParam *extent,
              const MSElement *el)
{
    if (!valid(el) || elementType(el) != TEXT_ELM) return fail(DGNERR_BADELEMENT);
    const Text_elm &t = el->text;
    if (origin) {
        *origin = t.origin;
        fromUor(origin, 1);
    }
    if (rotation) {
        *rotation = t.rotation;
        rotationFromUor(rotation);
    }
    paramsOf(t.attr, params);
    if (extent) {
        extent->width = lengthFromUor(t.attr.width * t.numChars);
        extent->height = lengthFromUor(t.attr.height);
    }
    return 0;
}

} // namespace

extern "C" {

int mdlLinear_getPointCount(const MSElement *el)
{
    mdlErrno = 0;
    if (!valid(el)) return 0;
    int type = elementType(el);
    if (type == LINE_ELM) return 2;
    return isLinear(type) ? static_cast<int>(el->linear.numVerts) : 0;
}

int mdlLinear_extract(DPoint3d *points, int *numPoints, const MSElement *el, DgnModelRefP)
{
    mdlErrno = 0;
    if (!points || !valid(el)) return fail(DGNERR_BADELEMENT);
    int type = elementType(el), n;
    if (type == LINE_ELM) {
        points[0] = el->line.start;
        points[1] = el->line.end;
        n = 2;
    } else if (isLinear(type)) {
        n = static_cast<int>(el->linear.numVerts);
        std::memcpy(points, el->linear.vertice, static_cast<size_t>(n) * sizeof(DPoint3d));
    } else {
        return fail(DGNERR_BADELEMENT);
    }
    fromUor(points, n);
    if (numPoints) *numPoints = n;
    return 0;
}

int mdlLinear_getClosestSegment(DPoint3d *closest, int *segment, const MSElement *el, const DPoint3d *point)
{
    mdlErrno = 0;
    if (!point || !valid(el)) return fail(DGNERR_BADELEMENT);
    int type = elementType(el);
    std::vector<DPoint3d> pts;
    int first = 0;
    if (type == LINE_ELM) {
        pts = {el->line.start, el->line.end};
    } else if (isLinear(type)) {
        pts.assign(el->linear.vertice, el->linear.vertice + el->linear.numVerts);
        // A curve's control points are not on it.
        if (type == CURVE_ELM && pts.size() >= 6) {
            first = 2;
            pts.assign(el->linear.vertice + 2, el->linear.vertice + el->linear.numVerts - 2);
        }
    } else {
        return fail(DGNERR_BADELEMENT);
    }
    if (pts.empty()) return fail(DGNERR_BADELEMENT);
    DPoint3d p = *point;
    toUor(&p, 1);
    double best = INFINITY;
    DPoint3d bestPoint = pts[0];
    int bestSeg = 0;
    for (size_t i = 0; i + 1 < pts.size() || (pts.size() == 1 && i == 0); ++i) {
        const DPoint3d &a = pts[i], &b = pts.size() == 1 ? pts[0] : pts[i + 1];
        DPoint3d d{b.x - a.x, b.y - a.y, b.z - a.z};
        double dd = d.x * d.x + d.y * d.y + d.z * d.z;
        double t = dd > 0 ? ((p.x - a.x) * d.x + (p.y - a.y) * d.y + (p.z - a.z) * d.z) / dd : 0;
        t = std::clamp(t, 0.0, 1.0);
        DPoint3d q{a.x + t * d.x, a.y + t * d.y, a.z + t * d.z};
        double dist = (q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y) + (q.z - p.z) * (q.z - p.z);
        if (dist < best) {
            best = dist;
            bestPoint = q;
            bestSeg = static_cast<int>(i);
        }
        if (pts.size() == 1) break;
    }
    fromUor(&bestPoint, 1);
    if (closest) *closest = bestPoint;
    if (segment) *segment = first + bestSeg;
    return 0;
}

int mdlArc_extract(DPoint3d startEnd[2], double *start, double *sweep, double *axis1, double *axis2,
                   RotMatrix *rotation, DPoint3d *center, const MSElement *el)
{
    mdlErrno = 0;
    if (!valid(el) || (elementType(el) != ARC_ELM && elementType(el) != ELLIPSE_ELM))
        return fail(DGNERR_BADELEMENT);
    const Ellipse_elm &e = el->ellipse;
    if (startEnd) {
        startEnd[0] = ellipsePoint(e, e.start);
        startEnd[1] = ellipsePoint(e, e.start + e.sweep);
        fromUor(startEnd, 2);
    }
    if (start) *start = e.start;
    if (sweep) *sweep = e.sweep;
    if (axis1) *axis1 = lengthFromUor(e.primary);
    if (axis2) *axis2 = lengthFromUor(e.secondary);
    if (rotation) {
        *rotation = e.rotation;
        rotationFromUor(rotation);
    }
    if (center) {
        *center = e.origin;
        fromUor(center, 1);
    }
    return 0;
}

int mdlText_extract(char *string, int stringSize, DPoint3d *origin, RotMatrix *rotation, TextParamWide *params,
                    TextSizeParam *extent, const MSElement *el)
{
    mdlErrno = 0;
    int rc = textParts(origin, rotation, params, extent, el);
    if (rc != 0 || !string || stringSize <= 0) return rc;
    const Text_elm &t = el->text;
    size_t n = std::min<size_t>(t.numChars, static_cast<size_t>(stringSize) - 1);
    mdlhost::copyText(string, static_cast<size_t>(stringSize), unitsToLatin1(t.string, n));
    return 0;
}

int mdlText_extractWide(char16_t *string, int maxChars, DPoint3d *origin, RotMatrix *rotation,
                        TextParamWide *params, TextSizeParam *extent, const MSElement *el)
{
    mdlErrno = 0;
    int rc = textParts(origin, rotation, params, extent, el);
    if (rc != 0 || !string || maxChars <= 0) return rc;
    const Text_elm &t = el->text;
    size_t n = std::min<size_t>(t.numChars, static_cast<size_t>(maxChars) - 1);
    std::memcpy(string, t.string, n * sizeof(char16_t));
    string[n] = 0;
    return 0;
}

int mdlText_extractShape(DPoint3d corners[4], const MSElement *el)
{
    mdlErrno = 0;
    if (!corners || !valid(el) || elementType(el) != TEXT_ELM) return fail(DGNERR_BADELEMENT);
    textBox(el->text, corners);
    fromUor(corners, 4);
    return 0;
}

int mdlTextNode_extract(DPoint3d *origin, RotMatrix *rotation, TextParamWide *params, const MSElement *el)
{
    mdlErrno = 0;
    if (!valid(el) || elementType(el) != TEXT_NODE_ELM) return fail(DGNERR_BADELEMENT);
    if (origin) {
        *origin = el->textNode.origin;
        fromUor(origin, 1);
    }
    if (rotation) {
        *rotation = el->textNode.rotation;
        rotationFromUor(rotation);
    }
    paramsOf(el->textNode.attr, params);
    return 0;
}

} // extern "C"
