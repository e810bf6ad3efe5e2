// Element creation: every create checks its arguments before it writes
// anything, so a refused call leaves the caller's buffer as it was.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "dgn_int.h"
#include "dgncell_int.h"
#include "dgnelem_int.h"
#include "dgn/mdlelem.h"

namespace mdlhost::dgn {
namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// What an element takes over from its template, copied before out is
// written because the template may be the same buffer.
struct Base {
    Elm_hdr ehdr{};
    Disp_hdr dhdr{};
    std::vector<uint16_t> links;
};

int refuse()
{
    mdlErrno = DGNERR_BADELEMENT;
    return DGNERR_BADELEMENT;
}

bool activeIs3d()
{
    DgnModelRefP m = mdlModelRef_getActive();
    return m != MDLHOST_NO_MODEL && mdlModelRef_is3D(m) != 0;
}

bool closedType(int type)
{
    return type == SHAPE_ELM || type == CMPLX_SHAPE_ELM || type == ELLIPSE_ELM;
}

Base baseFrom(const MSElement *in)
{
    Base b;
    if (!in || validateElement(in) != 0) return b;
    b.ehdr.level = in->ehdr.level;
    b.ehdr.graphicGroup = in->ehdr.graphicGroup;
    b.ehdr.properties = in->ehdr.properties & ~(ELM_PROP_3D);
    if (isGraphic(elementType(in)) && in->ehdr.attrOffset * 2u >= ELM_BODY_OFFSET) {
        b.dhdr = in->line.dhdr;
        b.dhdr.range = DRange3d{};
    }
    b.links.assign(in->buf + in->ehdr.attrOffset, in->buf + in->ehdr.elementSize);
    return b;
}

// Words needed for bodyEnd bytes plus the template's linkages.
bool fits(const Base &b, size_t bodyEnd)
{
    return (bodyEnd + 1) / 2 + b.links.size() <= MAX_ELEMENT_WORDS;
}

// Writes header, display header and zeroed body up to bodyEnd; the caller
// fills the body, then calls finish.
void beginElement(MSElement *out, const Base &b, int type, size_t bodyEnd, bool is3d)
{
    std::memset(out, 0, bodyEnd + (bodyEnd & 1));
    out->ehdr = b.ehdr;
    out->ehdr.type = static_cast<uint32_t>(type);
    out->ehdr.uniqueId = 0;
    out->ehdr.attrOffset = static_cast<uint32_t>((bodyEnd + 1) / 2);
    out->ehdr.elementSize = out->ehdr.attrOffset + static_cast<uint32_t>(b.links.size());
    if (is3d)
        out->ehdr.properties |= ELM_PROP_3D;
    else
        out->ehdr.properties &= ~ELM_PROP_3D;
    out->line.dhdr = b.dhdr;
    if (!closedType(type)) {
        out->ehdr.properties &= ~ELM_PROP_FILLED;
        out->line.dhdr.fillColor = 0;
    }
}

void finish(MSElement *out, const Base &b)
{
    if (!b.links.empty())
        std::memcpy(out->buf + out->ehdr.attrOffset, b.links.data(), b.links.size() * sizeof(uint16_t));
    DRange3d r{};
    if (elementGeometryRange(out, &r)) out->line.dhdr.range = r;
}

void applyFill(MSElement *out, int fillMode)
{
    if (fillMode == 1) {
        out->ehdr.properties |= ELM_PROP_FILLED;
        out->line.dhdr.fillColor = out->line.dhdr.color;
    } else if (fillMode == 0) {
        out->ehdr.properties &= ~ELM_PROP_FILLED;
        out->line.dhdr.fillColor = 0;
    }
}

// Current coordinates to UOR, z dropped in a 2D model; false when a point is
// not finite before or after.
bool toRecord(const DPoint3d *in, int n, bool is3d, std::vector<DPoint3d> &out)
{
    out.assign(in, in + n);
    for (const DPoint3d &p : out)
        if (!finitePoint(p)) return false;
    toUor(out.data(), n);
    for (DPoint3d &p : out) {
        if (!is3d) p.z = 0;
        if (!finitePoint(p)) return false;
    }
    return true;
}

bool finiteLength(double v) { return std::isfinite(v) && v > 0; }

bool finiteMatrix(const RotMatrix &m)
{
    for (const auto &row : m.form3d)
        for (double v : row)
            if (!std::isfinite(v)) return false;
    return true;
}

RotMatrix identityMatrix()
{
    RotMatrix m;
    mdlRMatrix_getIdentity(&m);
    return m;
}

DPoint3d sub(const DPoint3d &a, const DPoint3d &b) { return DPoint3d{a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(const DPoint3d &a, const DPoint3d &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
DPoint3d cross(const DPoint3d &a, const DPoint3d &b)
{
    return DPoint3d{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
DPoint3d scaled(const DPoint3d &a, double s) { return DPoint3d{a.x * s, a.y * s, a.z * s}; }

int linearCreate(MSElement *out, const MSElement *in, int type, const DPoint3d *pts, int n)
{
    const bool is3d = activeIs3d();
    Base b = baseFrom(in);
    size_t bodyEnd = offsetof(Linear_elm, vertice) + static_cast<size_t>(n) * sizeof(DPoint3d);
    if (!fits(b, bodyEnd)) return refuse();
    beginElement(out, b, type, bodyEnd, is3d);
    out->linear.numVerts = static_cast<uint32_t>(n);
    std::memcpy(out->linear.vertice, pts, static_cast<size_t>(n) * sizeof(DPoint3d));
    finish(out, b);
    return 0;
}

struct Circle {
    DPoint3d center;
    RotMatrix rotation;
    double radius;
    double sweep; // from the first point through the second to the third
};

// The circle through three points (UOR); false when they are colinear or
// two coincide.
bool circleThrough(const DPoint3d &a, const DPoint3d &m, const DPoint3d &e, Circle &c)
{
    DPoint3d u = sub(m, a), v = sub(e, a), w = cross(u, v);
    double uu = dot(u, u), vv = dot(v, v), ww = dot(w, w);
    double longest = std::max({uu, vv, dot(sub(e, m), sub(e, m))});
    if (uu == 0 || vv == 0 || longest == 0 || dot(sub(e, m), sub(e, m)) == 0) return false;
    // |u x v| against the sides: a sliver of a triangle has no sound circle.
    if (std::sqrt(ww) <= 1e-12 * longest) return false;
    DPoint3d off = scaled(DPoint3d{uu * (v.y * w.z - v.z * w.y) + vv * (w.y * u.z - w.z * u.y),
                                   uu * (v.z * w.x - v.x * w.z) + vv * (w.z * u.x - w.x * u.z),
                                   uu * (v.x * w.y - v.y * w.x) + vv * (w.x * u.y - w.y * u.x)},
                          1.0 / (2 * ww));
    c.center = DPoint3d{a.x + off.x, a.y + off.y, a.z + off.z};
    c.radius = std::sqrt(dot(off, off));
    if (!std::isfinite(c.radius) || c.radius == 0) return false;
    DPoint3d n = scaled(w, 1.0 / std::sqrt(ww));
    // An upward normal keeps the turning sense in the sweep's sign.
    if (n.z < 0) n = scaled(n, -1);
    DPoint3d x = scaled(sub(a, c.center), 1.0 / c.radius);
    DPoint3d y = cross(n, x);
    for (int i = 0; i < 3; ++i) {
        c.rotation.form3d[0][i] = i == 0 ? x.x : i == 1 ? y.x : n.x;
        c.rotation.form3d[1][i] = i == 0 ? x.y : i == 1 ? y.y : n.y;
        c.rotation.form3d[2][i] = i == 0 ? x.z : i == 1 ? y.z : n.z;
    }
    auto angle = [&](const DPoint3d &q) {
        DPoint3d d = sub(q, c.center);
        double t = std::atan2(dot(d, y), dot(d, x));
        return t < 0 ? t + kTwoPi : t;
    };
    double am = angle(m), ae = angle(e);
    c.sweep = am < ae ? ae : ae - kTwoPi;
    return true;
}

int ellipseCreate(MSElement *out, const MSElement *in, int type, const DPoint3d &center, const RotMatrix &rotation,
                  double axis1, double axis2, double start, double sweep, int fillMode)
{
    const bool is3d = activeIs3d();
    Base b = baseFrom(in);
    if (!fits(b, sizeof(Ellipse_elm))) return refuse();
    beginElement(out, b, type, sizeof(Ellipse_elm), is3d);
    out->ellipse.origin = center;
    if (!is3d) out->ellipse.origin.z = 0;
    out->ellipse.rotation = rotation;
    out->ellipse.primary = axis1;
    out->ellipse.secondary = axis2;
    out->ellipse.start = start;
    out->ellipse.sweep = sweep;
    if (type == ELLIPSE_ELM) applyFill(out, fillMode);
    finish(out, b);
    return 0;
}

thread_local std::vector<DPoint3d> scratch;

// Text: size and parameters already in UOR.
int textCreate(MSElement *out, const Base &b, const char16_t *text, size_t n, const DPoint3d *origin,
               const RotMatrix *rotation, const TextAttr &attr)
{
    if (n == 0 || n > MDLHOST_MAX_TEXT || !origin) return refuse();
    if (!finiteLength(attr.width) || !finiteLength(attr.height) || !std::isfinite(attr.slant) ||
        !std::isfinite(attr.lineSpacing) || attr.justification > TEXT_JUST_MAX)
        return refuse();
    RotMatrix rot = rotation ? *rotation : identityMatrix();
    rotationToUor(&rot);
    if (!finiteMatrix(rot)) return refuse();
    const bool is3d = activeIs3d();
    std::vector<DPoint3d> o;
    if (!toRecord(origin, 1, is3d, o)) return refuse();
    size_t bodyEnd = offsetof(Text_elm, string) + n * sizeof(char16_t);
    if (!fits(b, bodyEnd)) return refuse();
    beginElement(out, b, TEXT_ELM, bodyEnd, is3d);
    out->text.origin = o[0];
    out->text.rotation = rot;
    out->text.attr = attr;
    out->text.numChars = static_cast<uint32_t>(n);
    std::memcpy(out->text.string, text, n * sizeof(char16_t));
    finish(out, b);
    return 0;
}

// Sizes of wide parameters converted to UOR; false when they are unusable.
bool attrFromWide(const TextParamWide &p, TextAttr &a)
{
    a = TextAttr{};
    a.width = lengthToUor(p.size.width);
    a.height = lengthToUor(p.size.height);
    a.lineSpacing = lengthToUor(p.lineSpacing);
    a.slant = (p.flags & TEXT_FLAG_SLANT) ? p.slant : 0;
    a.font = static_cast<uint32_t>(p.font < 0 ? 0 : p.font);
    if (p.justification < -1 || p.justification > TEXT_JUST_MAX) return false;
    a.justification = static_cast<uint32_t>(p.justification < 0 ? TEXT_JUST_LEFT_BOTTOM : p.justification);
    a.flags = p.flags;
    return true;
}

} // namespace
} // namespace mdlhost::dgn

using namespace mdlhost::dgn;

extern "C" {

int mdlLine_create(MSElement *out, const MSElement *in, const DPoint3d points[2])
{
    mdlErrno = 0;
    if (!out || !points) return refuse();
    const bool is3d = activeIs3d();
    if (!toRecord(points, 2, is3d, scratch)) return refuse();
    Base b = baseFrom(in);
    if (!fits(b, sizeof(Line_elm))) return refuse();
    beginElement(out, b, LINE_ELM, sizeof(Line_elm), is3d);
    out->line.start = scratch[0];
    out->line.end = scratch[1];
    finish(out, b);
    return 0;
}

int mdlLineString_create(MSElement *out, const MSElement *in, const DPoint3d *points, int numVerts)
{
    mdlErrno = 0;
    if (!out || !points || numVerts < 2 || numVerts > MAX_VERTICES) return refuse();
    if (!toRecord(points, numVerts, activeIs3d(), scratch)) return refuse();
    return linearCreate(out, in, LINE_STRING_ELM, scratch.data(), numVerts);
}

int mdlShape_create(MSElement *out, const MSElement *in, const DPoint3d *points, int numVerts, int fillMode)
{
    mdlErrno = 0;
    if (!out || !points || numVerts < 3 || numVerts > MAX_VERTICES) return refuse();
    if (!toRecord(points, numVerts, activeIs3d(), scratch)) return refuse();
    const DPoint3d &f = scratch.front(), &l = scratch.back();
    if (f.x != l.x || f.y != l.y || f.z != l.z) {
        // No room for the closing point: refusing beats moving a vertex.
        if (numVerts == MAX_VERTICES) return refuse();
        scratch.push_back(f);
    }
    if (scratch.size() < 4) return refuse();
    const bool templateFilled = in && validateElement(in) == 0 && closedType(elementType(in)) &&
                                (in->ehdr.properties & ELM_PROP_FILLED);
    int rc = linearCreate(out, in, SHAPE_ELM, scratch.data(), static_cast<int>(scratch.size()));
    if (rc != 0) return rc;
    if (fillMode == -1) {
        // The template's fill carries over only from a closed template.
        if (!templateFilled) applyFill(out, 0);
    } else {
        applyFill(out, fillMode);
    }
    return 0;
}

int mdlCurve_create(MSElement *out, const MSElement *in, const DPoint3d *points, int numVerts)
{
    mdlErrno = 0;
    if (!out || !points || numVerts < 2 || numVerts > MAX_CURVE_POINTS) return refuse();
    if (!toRecord(points, numVerts, activeIs3d(), scratch)) return refuse();
    // Two control points at each end repeat the end points, so the curve
    // starts and ends at the given points with a natural tangent.
    DPoint3d first = scratch.front(), last = scratch.back();
    scratch.insert(scratch.begin(), 2, first);
    scratch.insert(scratch.end(), 2, last);
    return linearCreate(out, in, CURVE_ELM, scratch.data(), numVerts + 4);
}

int mdlArc_createByCenter(MSElement *out, const MSElement *in, const DPoint3d *start, const DPoint3d *center,
                          const DPoint3d *end, int counterClockwise, double radius)
{
    mdlErrno = 0;
    if (!out || !start || !center || !end || !std::isfinite(radius)) return refuse();
    const DPoint3d given[3] = {*start, *center, *end};
    std::vector<DPoint3d> p;
    if (!toRecord(given, 3, activeIs3d(), p)) return refuse();
    const DPoint3d &c = p[1];
    double sx = p[0].x - c.x, sy = p[0].y - c.y, ex = p[2].x - c.x, ey = p[2].y - c.y;
    double r = std::hypot(sx, sy);
    if (!finiteLength(r) || (ex == 0 && ey == 0)) return refuse();
    double a0 = std::atan2(sy, sx), a1 = std::atan2(ey, ex);
    double sweep = a1 - a0;
    if (counterClockwise) {
        while (sweep <= 0) sweep += kTwoPi;
    } else {
        while (sweep >= 0) sweep -= kTwoPi;
    }
    RotMatrix rot;
    mdlRMatrix_fromAngle(&rot, a0);
    return ellipseCreate(out, in, ARC_ELM, c, rot, r, r, 0, sweep, 0);
}

int mdlArc_createByPoints(MSElement *out, const MSElement *in, const DPoint3d *start, const DPoint3d *mid,
                          const DPoint3d *end)
{
    mdlErrno = 0;
    if (!out || !start || !mid || !end) return refuse();
    const DPoint3d given[3] = {*start, *mid, *end};
    std::vector<DPoint3d> p;
    Circle c;
    if (!toRecord(given, 3, activeIs3d(), p) || !circleThrough(p[0], p[1], p[2], c)) return refuse();
    return ellipseCreate(out, in, ARC_ELM, c.center, c.rotation, c.radius, c.radius, 0, c.sweep, 0);
}

int mdlCircle_createBy3Pts(MSElement *out, const MSElement *in, const DPoint3d points[3])
{
    mdlErrno = 0;
    if (!out || !points) return refuse();
    std::vector<DPoint3d> p;
    Circle c;
    if (!toRecord(points, 3, activeIs3d(), p) || !circleThrough(p[0], p[1], p[2], c)) return refuse();
    return ellipseCreate(out, in, ELLIPSE_ELM, c.center, c.rotation, c.radius, c.radius, 0, kTwoPi, -1);
}

int mdlEllipse_create(MSElement *out, const MSElement *in, const DPoint3d *center, double axis1, double axis2,
                      const RotMatrix *rotation, int fillMode)
{
    mdlErrno = 0;
    if (!out || !center) return refuse();
    RotMatrix rot = rotation ? *rotation : identityMatrix();
    rotationToUor(&rot);
    double a1 = lengthToUor(axis1), a2 = lengthToUor(axis2);
    std::vector<DPoint3d> c;
    if (!finiteLength(a1) || !finiteLength(a2) || !finiteMatrix(rot) || !toRecord(center, 1, activeIs3d(), c))
        return refuse();
    int rc = ellipseCreate(out, in, ELLIPSE_ELM, c[0], rot, a1, a2, 0, kTwoPi, fillMode);
    if (rc == 0 && fillMode == -1 && !(in && closedType(elementType(in)))) applyFill(out, 0);
    return rc;
}

int mdlArc_create(MSElement *out, const MSElement *in, const DPoint3d *center, double axis1, double axis2,
                  const RotMatrix *rotation, double start, double sweep)
{
    mdlErrno = 0;
    if (!out || !center || !std::isfinite(start) || !std::isfinite(sweep)) return refuse();
    if (sweep == 0 || std::fabs(sweep) > kTwoPi * (1 + 1e-12)) return refuse();
    RotMatrix rot = rotation ? *rotation : identityMatrix();
    rotationToUor(&rot);
    double a1 = lengthToUor(axis1), a2 = lengthToUor(axis2);
    std::vector<DPoint3d> c;
    if (!finiteLength(a1) || !finiteLength(a2) || !finiteMatrix(rot) || !toRecord(center, 1, activeIs3d(), c))
        return refuse();
    return ellipseCreate(out, in, ARC_ELM, c[0], rot, a1, a2, start, sweep, 0);
}

int mdlText_create(MSElement *out, const MSElement *in, const char *text, const DPoint3d *origin,
                   const RotMatrix *rotation, const TextSizeParam *size, const TextParam *params)
{
    mdlErrno = 0;
    if (!out || !text || !size) return refuse();
    size_t n = std::strlen(text);
    if (n == 0 || n > MDLHOST_MAX_TEXT) return refuse();
    // ISO 8859-1 maps one to one onto the first 256 code points.
    char16_t wide[MDLHOST_MAX_TEXT];
    for (size_t i = 0; i < n; ++i) wide[i] = static_cast<unsigned char>(text[i]);
    TextAttr a{};
    a.height = lengthToUor(size->height);
    a.width = lengthToUor(size->width);
    if (params && !(size->width > 0) && params->aspectRatio > 0) a.width = a.height * params->aspectRatio;
    int just = params ? params->justification : -1;
    if (just < -1 || just > TEXT_JUST_MAX) return refuse();
    a.justification = static_cast<uint32_t>(just < 0 ? TEXT_JUST_LEFT_BOTTOM : just);
    a.font = static_cast<uint32_t>(params && params->font > 0 ? params->font : 0);
    return textCreate(out, baseFrom(in), wide, n, origin, rotation, a);
}

int mdlText_createWide(MSElement *out, const MSElement *in, const char16_t *text, const DPoint3d *origin,
                       const RotMatrix *rotation, DgnModelRefP, const TextParamWide *params)
{
    mdlErrno = 0;
    if (!out || !text || !params) return refuse();
    size_t n = wideLength(text, MDLHOST_MAX_TEXT);
    TextAttr a;
    if (!attrFromWide(*params, a)) return refuse();
    return textCreate(out, baseFrom(in), text, n, origin, rotation, a);
}

int mdlTextNode_createWithStrings(MSElementDescr **out, const MSElement *in, const char16_t *const *strings,
                                  int numStrings, const DPoint3d *origin, const RotMatrix *rotation,
                                  const TextParamWide *params, DgnModelRefP model)
{
    mdlErrno = 0;
    if (!out || !strings || numStrings <= 0 || !origin || !params) return refuse();
    TextAttr a;
    RotMatrix rot = rotation ? *rotation : identityMatrix();
    rotationToUor(&rot);
    const bool is3d = activeIs3d();
    std::vector<DPoint3d> o;
    if (!attrFromWide(*params, a) || !finiteLength(a.height) || !finiteLength(a.width) ||
        !std::isfinite(a.lineSpacing) || !finiteMatrix(rot) || !toRecord(origin, 1, is3d, o))
        return refuse();
    bool any = false;
    for (int i = 0; i < numStrings; ++i) {
        if (!strings[i]) continue;
        size_t n = wideLength(strings[i], MDLHOST_MAX_TEXT);
        if (n > MDLHOST_MAX_TEXT) return refuse();
        any = any || n > 0;
    }
    if (!any) return refuse();

    Base b = baseFrom(in);
    MSElement *node = new MSElement;
    beginElement(node, b, TEXT_NODE_ELM, sizeof(TextNode_elm), is3d);
    node->textNode.origin = o[0];
    node->textNode.rotation = rot;
    node->textNode.attr = a;
    finish(node, b);
    MSElementDescr *dscr = nullptr;
    int rc = mdlElmdscr_new(&dscr, nullptr, node);
    delete node;
    if (rc != 0) return rc;

    // The lines are placed in UOR under an identity transformation.
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    MSElement *text = new MSElement;
    Base plain = b;
    plain.links.clear(); // the node carries the linkages
    for (int i = 0; i < numStrings && rc == 0; ++i) {
        if (!strings[i] || !strings[i][0]) continue;
        DPoint3d step{0, -i * (a.height + a.lineSpacing), 0};
        DPoint3d d = rotate(rot, step);
        DPoint3d lineOrigin{o[0].x + d.x, o[0].y + d.y, o[0].z + d.z};
        rc = textCreate(text, plain, strings[i], wideLength(strings[i], MDLHOST_MAX_TEXT), &lineOrigin, &rot, a);
        if (rc == 0) rc = mdlElmdscr_appendElement(dscr, text);
    }
    delete text;
    mdlCurrTrans_end();
    if (rc == 0) rc = mdlElmdscr_validate(dscr, model);
    if (rc != 0) {
        mdlElmdscr_freeAll(&dscr);
        return refuse();
    }
    *out = dscr;
    return 0;
}

int mdlComplexChain_createHeader(MSElement *out, int closed, int fillMode)
{
    mdlErrno = 0;
    if (!out) return refuse();
    Base b;
    int type = closed ? CMPLX_SHAPE_ELM : CMPLX_STRING_ELM;
    beginElement(out, b, type, sizeof(Complex_hdr), activeIs3d());
    out->complexHdr.totalWords = out->ehdr.elementSize;
    if (closed) applyFill(out, fillMode == 1 ? 1 : 0);
    return 0;
}

int mdlCell_create(MSElement *out, const char16_t *name, const DPoint3d *origin, int pointCell)
{
    mdlErrno = 0;
    if (!out || !origin) return refuse();
    size_t n = name ? wideLength(name, MDLHOST_MAX_TEXT) : 0;
    if (n > MDLHOST_MAX_CELLNAME) return refuse();
    const bool is3d = activeIs3d();
    std::vector<DPoint3d> o;
    if (!toRecord(origin, 1, is3d, o)) return refuse();
    Base b;
    beginElement(out, b, CELL_HEADER_ELM, sizeof(Cell_elm), is3d);
    out->cell.origin = o[0];
    mdlRMatrix_getIdentity(&out->cell.rotation);
    out->cell.flags = pointCell ? CELL_FLAG_POINT : 0;
    if (n) std::memcpy(out->cell.name, name, n * sizeof(char16_t));
    out->cell.totalWords = out->ehdr.elementSize;
    finish(out, b);
    return 0;
}

int mdlElmdscr_createFromVertices(MSElementDescr **out, const MSElement *in, const DPoint3d *points, int numVerts,
                                  int closed, int fillMode)
{
    mdlErrno = 0;
    if (!out || !points || numVerts < 2 || (closed && numVerts < 3)) return refuse();
    MSElement *el = new MSElement;
    MSElementDescr *dscr = nullptr;
    int rc = 0;
    if (numVerts <= MAX_VERTICES && !(closed && numVerts == MAX_VERTICES)) {
        if (closed)
            rc = mdlShape_create(el, in, points, numVerts, fillMode);
        else if (numVerts == 2)
            rc = mdlLine_create(el, in, points);
        else
            rc = mdlLineString_create(el, in, points, numVerts);
        if (rc == 0) rc = mdlElmdscr_new(&dscr, nullptr, el);
    } else {
        // Pieces of a complex element share their end points; the header
        // carries the template's linkages, the pieces its symbology.
        Base b = baseFrom(in);
        beginElement(el, b, closed ? CMPLX_SHAPE_ELM : CMPLX_STRING_ELM, sizeof(Complex_hdr), activeIs3d());
        applyFill(el, closed && fillMode == 1 ? 1 : 0);
        finish(el, b);
        rc = mdlElmdscr_new(&dscr, nullptr, el);
        Base plain = b;
        plain.links.clear();
        std::vector<DPoint3d> all(points, points + numVerts);
        if (closed) {
            const DPoint3d &f = all.front(), &l = all.back();
            if (f.x != l.x || f.y != l.y || f.z != l.z) all.push_back(f);
        }
        MSElement *piece = new MSElement;
        beginElement(piece, plain, LINE_ELM, sizeof(Line_elm), false);
        for (size_t at = 0; rc == 0 && at + 1 < all.size();) {
            size_t n = std::min<size_t>(MAX_VERTICES, all.size() - at);
            rc = n == 2 ? mdlLine_create(el, piece, &all[at])
                        : mdlLineString_create(el, piece, &all[at], static_cast<int>(n));
            if (rc == 0) rc = mdlElmdscr_appendElement(dscr, el);
            at += n - 1;
        }
        delete piece;
        if (rc == 0) rc = mdlElmdscr_validate(dscr, MDLHOST_NO_MODEL);
    }
    delete el;
    if (rc != 0) {
        mdlElmdscr_freeAll(&dscr);
        return refuse();
    }
    *out = dscr;
    return 0;
}

} // extern "C"
