// Clipping against a polygon seen in a view, with GEOS.
//
//   geos context        GEOS opened on first use, one reentrant context for the host
//   clip descriptor     the polygon in view coordinates, prepared
//   splitting           an element's path cut into runs inside and outside
//   pieces              runs made into element records
//   mdlClip_*           the public calls; the linkage mode
//
// Paths are cut where they cross the polygon's boundary.  Each crossing
// point is computed once and copied into both pieces that meet there, so
// the inside and outside parts of an element share their end points exactly.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <geos_c.h>

#include "base/lazy_host.h"
#include "base/text_host.h"
#include "dgn_int.h"
#include "dgnelem_int.h"
#include "dgnscan_int.h"
#include "dgn/mdlelem.h"
#include "dgn/mdlscan.h"

namespace {

using mdlhost::dgn::elementType;

// --- geos context --------------------------------------------------------------------

// GEOS is opened with the first clip (base/lazy_host.h); its functions are
// called through pointers under the names the header gives them.
#define HOST_GEOS_FUNCTIONS(X) X(GEOS_init_r) X(GEOS_finish_r) X(GEOSArea_r) X(GEOSBoundary_r) \
    X(GEOSCoordSeq_copyFromBuffer_r) X(GEOSCoordSeq_getSize_r) X(GEOSCoordSeq_getXY_r) X(GEOSGeomTypeId_r) \
    X(GEOSGeom_createLineString_r) X(GEOSGeom_createLinearRing_r) X(GEOSGeom_createPointFromXY_r) \
    X(GEOSGeom_createPolygon_r) X(GEOSGeom_destroy_r) X(GEOSGeom_getCoordSeq_r) X(GEOSGetGeometryN_r) \
    X(GEOSGetNumGeometries_r) X(GEOSMakeValid_r) X(GEOSOrientationIndex_r) X(GEOSPrepare_r) X(GEOSPreparedCovers_r) \
    X(GEOSPreparedGeom_destroy_r) X(GEOSPreparedIntersects_r) X(GEOSSTRtree_create_r) X(GEOSSTRtree_destroy_r) \
    X(GEOSSTRtree_insert_r) X(GEOSSTRtree_query_r) X(GEOSSegmentIntersection_r) X(GEOSisEmpty_r) X(GEOSisValid_r)
MDLHOST_LAZY_LIBRARY(GeosApi, geosApi, HOST_GEOS_LIBRARY, HOST_GEOS_FUNCTIONS)
#define GEOS_init_r geosApi().GEOS_init_r
#define GEOS_finish_r geosApi().GEOS_finish_r
#define GEOSArea_r geosApi().GEOSArea_r
#define GEOSBoundary_r geosApi().GEOSBoundary_r
#define GEOSCoordSeq_copyFromBuffer_r geosApi().GEOSCoordSeq_copyFromBuffer_r
#define GEOSCoordSeq_getSize_r geosApi().GEOSCoordSeq_getSize_r
#define GEOSCoordSeq_getXY_r geosApi().GEOSCoordSeq_getXY_r
#define GEOSGeomTypeId_r geosApi().GEOSGeomTypeId_r
#define GEOSGeom_createLineString_r geosApi().GEOSGeom_createLineString_r
#define GEOSGeom_createLinearRing_r geosApi().GEOSGeom_createLinearRing_r
#define GEOSGeom_createPointFromXY_r geosApi().GEOSGeom_createPointFromXY_r
#define GEOSGeom_createPolygon_r geosApi().GEOSGeom_createPolygon_r
#define GEOSGeom_destroy_r geosApi().GEOSGeom_destroy_r
#define GEOSGeom_getCoordSeq_r geosApi().GEOSGeom_getCoordSeq_r
#define GEOSGetGeometryN_r geosApi().GEOSGetGeometryN_r
#define GEOSGetNumGeometries_r geosApi().GEOSGetNumGeometries_r
#define GEOSMakeValid_r geosApi().GEOSMakeValid_r
#define GEOSOrientationIndex_r geosApi().GEOSOrientationIndex_r
#define GEOSPrepare_r geosApi().GEOSPrepare_r
#define GEOSPreparedCovers_r geosApi().GEOSPreparedCovers_r
#define GEOSPreparedGeom_destroy_r geosApi().GEOSPreparedGeom_destroy_r
#define GEOSPreparedIntersects_r geosApi().GEOSPreparedIntersects_r
#define GEOSSTRtree_create_r geosApi().GEOSSTRtree_create_r
#define GEOSSTRtree_destroy_r geosApi().GEOSSTRtree_destroy_r
#define GEOSSTRtree_insert_r geosApi().GEOSSTRtree_insert_r
#define GEOSSTRtree_query_r geosApi().GEOSSTRtree_query_r
#define GEOSSegmentIntersection_r geosApi().GEOSSegmentIntersection_r
#define GEOSisEmpty_r geosApi().GEOSisEmpty_r
#define GEOSisValid_r geosApi().GEOSisValid_r

// GEOS reports errors through a handler; without one they are dropped and
// the call's result (null, or 2 for predicates) tells of the failure.  No
// context when GEOS cannot be opened: no clip is made then.
struct Geos {
    GEOSContextHandle_t ctx = geosApi().ok ? GEOS_init_r() : nullptr;
    ~Geos()
    {
        if (ctx != nullptr)
            GEOS_finish_r(ctx);
    }
};

GEOSContextHandle_t geos()
{
    static Geos g;
    return g.ctx;
}

struct GeomDeleter {
    void operator()(GEOSGeometry *g) const { GEOSGeom_destroy_r(geos(), g); }
};
using Geom = std::unique_ptr<GEOSGeometry, GeomDeleter>;

// A line string of the x and y of points; null when GEOS refuses it.
Geom lineOf(const DPoint3d *points, size_t n)
{
    std::vector<double> xy;
    xy.reserve(2 * n);
    for (size_t i = 0; i < n; ++i) {
        xy.push_back(points[i].x);
        xy.push_back(points[i].y);
    }
    GEOSCoordSequence *seq = GEOSCoordSeq_copyFromBuffer_r(geos(), xy.data(), static_cast<unsigned>(n), 0, 0);
    if (seq == nullptr)
        return nullptr;
    return Geom(GEOSGeom_createLineString_r(geos(), seq)); // takes seq
}

// Appends every coordinate of g (points, lines, collections of them).
void collectCoordinates(const GEOSGeometry *g, std::vector<DPoint3d> &out)
{
    GEOSContextHandle_t h = geos();
    int type = GEOSGeomTypeId_r(h, g);
    if (type == GEOS_POINT || type == GEOS_LINESTRING || type == GEOS_LINEARRING) {
        if (GEOSisEmpty_r(h, g) != 0)
            return;
        const GEOSCoordSequence *seq = GEOSGeom_getCoordSeq_r(h, g);
        unsigned n = 0;
        if (seq == nullptr || GEOSCoordSeq_getSize_r(h, seq, &n) == 0)
            return;
        for (unsigned i = 0; i < n; ++i) {
            DPoint3d p{0, 0, 0};
            if (GEOSCoordSeq_getXY_r(h, seq, i, &p.x, &p.y) != 0)
                out.push_back(p);
        }
        return;
    }
    if (type == GEOS_POLYGON)
        return; // an overlay of lines with lines gives none
    int count = GEOSGetNumGeometries_r(h, g);
    for (int i = 0; i < count; ++i)
        collectCoordinates(GEOSGetGeometryN_r(h, g, i), out);
}

// Appends the boundary's lines as point runs.
void collectLines(const GEOSGeometry *g, std::vector<std::vector<DPoint3d>> &out)
{
    GEOSContextHandle_t h = geos();
    int type = GEOSGeomTypeId_r(h, g);
    if (type == GEOS_LINESTRING || type == GEOS_LINEARRING) {
        std::vector<DPoint3d> line;
        collectCoordinates(g, line);
        if (line.size() >= 2)
            out.push_back(std::move(line));
        return;
    }
    if (type == GEOS_POINT)
        return;
    int count = GEOSGetNumGeometries_r(h, g);
    for (int i = 0; i < count; ++i)
        collectLines(GEOSGetGeometryN_r(h, g, i), out);
}

} // namespace

// --- clip descriptor ------------------------------------------------------------------

struct MdlClipDescr {
    int view = 0;
    RotMatrix rotation{};  // world -> view
    RotMatrix back{};      // view -> world
    bool identity = true;  // a top view: no rotation, coordinates stay exact
    Geom polygon, boundary;
    const GEOSPreparedGeometry *inside = nullptr; // prepared polygon
    const GEOSPreparedGeometry *edge = nullptr;   // prepared boundary
    std::vector<std::vector<DPoint3d>> edges;     // boundary lines, view x and y
    // Each boundary segment on its own, indexed: a cut meets only the few
    // segments near it, not the whole boundary.
    std::vector<std::array<double, 4>> segments; // x0 y0 x1 y1
    std::vector<Geom> envelopes;                  // the index's geometries
    GEOSSTRtree *index = nullptr;

    ~MdlClipDescr()
    {
        if (inside != nullptr)
            GEOSPreparedGeom_destroy_r(geos(), inside);
        if (edge != nullptr)
            GEOSPreparedGeom_destroy_r(geos(), edge);
        if (index != nullptr)
            GEOSSTRtree_destroy_r(geos(), index);
    }
};

namespace {

DPoint3d toView(const MdlClipDescr &c, const DPoint3d &p)
{
    return c.identity ? p : mdlhost::dgn::rotate(c.rotation, p);
}

DPoint3d toWorld(const MdlClipDescr &c, const DPoint3d &v)
{
    return c.identity ? v : mdlhost::dgn::rotate(c.back, v);
}

bool isIdentity(const RotMatrix &m)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (m.form3d[i][j] != (i == j ? 1.0 : 0.0))
                return false;
    return true;
}

// True when the view point (x, y) lies inside the polygon or on its boundary.
bool covers(const MdlClipDescr &c, double x, double y)
{
    Geom pt(GEOSGeom_createPointFromXY_r(geos(), x, y));
    return pt && GEOSPreparedCovers_r(geos(), c.inside, pt.get()) == 1;
}

// --- splitting --------------------------------------------------------------------------

// A run of a path on one side: points (world, UOR) for lines and curves, or
// the angles of an arc.
struct Part {
    bool inside = false;
    std::vector<DPoint3d> points;
    double start = 0, sweep = 0;
};

constexpr double kParamEps = 1e-12; // cuts this close to a vertex are the vertex

void addSubPiece(std::vector<Part> &parts, bool inside, const DPoint3d &from, const DPoint3d &to)
{
    if (parts.empty() || parts.back().inside != inside) {
        Part p;
        p.inside = inside;
        p.points = {from, to};
        parts.push_back(std::move(p));
    } else {
        parts.back().points.push_back(to);
    }
}

// A closed path's first and last runs are one run when they lie on the same
// side.
void joinEnds(std::vector<Part> &parts)
{
    if (parts.size() < 2 || parts.front().inside != parts.back().inside)
        return;
    Part &last = parts.back();
    const Part &first = parts.front();
    if (first.points.empty()) { // arcs: angles continue across the start
        last.sweep += first.sweep;
    } else {
        last.points.insert(last.points.end(), first.points.begin() + 1, first.points.end());
    }
    parts.front() = std::move(last);
    parts.pop_back();
}

// Cuts one segment a-b (world) where it meets the boundary; sub-pieces go to
// parts.
void splitSegment(const MdlClipDescr &c, const DPoint3d &a, const DPoint3d &b, std::vector<Part> &parts)
{
    const DPoint3d va = toView(c, a), vb = toView(c, b);
    const double dx = vb.x - va.x, dy = vb.y - va.y, len2 = dx * dx + dy * dy;
    if (len2 == 0) { // seen end-on: a point
        addSubPiece(parts, covers(c, va.x, va.y), a, b);
        return;
    }
    struct Cut {
        double t;
        DPoint3d world;
    };
    std::vector<Cut> cuts;
    // The crossing keeps GEOS's x and y exactly; depth and z follow the
    // segment.
    auto cutAt = [&](double x, double y) {
        const double t = ((x - va.x) * dx + (y - va.y) * dy) / len2;
        if (!(t > kParamEps && t < 1 - kParamEps))
            return;
        DPoint3d w = toWorld(c, DPoint3d{x, y, va.z + t * (vb.z - va.z)});
        if (c.identity)
            w.z = a.z + t * (b.z - a.z);
        cuts.push_back({t, w});
    };
    DPoint3d seg[2] = {va, vb};
    Geom line = lineOf(seg, 2);
    std::vector<size_t> near;
    if (line)
        GEOSSTRtree_query_r(
            geos(), c.index, line.get(),
            [](void *item, void *found) {
                static_cast<std::vector<size_t> *>(found)->push_back(reinterpret_cast<uintptr_t>(item) - 1);
            },
            &near);
    GEOSContextHandle_t h = geos();
    for (size_t k : near) {
        const double *q = c.segments[k].data();
        double x = 0, y = 0;
        if (GEOSSegmentIntersection_r(h, va.x, va.y, vb.x, vb.y, q[0], q[1], q[2], q[3], &x, &y) == 1)
            cutAt(x, y);
        // A boundary segment along this one: its ends are the cuts.
        for (int e = 0; e < 2; ++e)
            if (GEOSOrientationIndex_r(h, va.x, va.y, vb.x, vb.y, q[2 * e], q[2 * e + 1]) == 0)
                cutAt(q[2 * e], q[2 * e + 1]);
    }
    std::sort(cuts.begin(), cuts.end(), [](const Cut &l, const Cut &r) { return l.t < r.t; });
    cuts.erase(std::unique(cuts.begin(), cuts.end(),
                           [](const Cut &l, const Cut &r) { return r.t - l.t <= kParamEps; }),
               cuts.end());

    DPoint3d from = a;
    double t0 = 0;
    for (size_t i = 0; i <= cuts.size(); ++i) {
        const DPoint3d &to = i < cuts.size() ? cuts[i].world : b;
        const double t1 = i < cuts.size() ? cuts[i].t : 1.0;
        const double tm = 0.5 * (t0 + t1);
        addSubPiece(parts, covers(c, va.x + tm * dx, va.y + tm * dy), from, to);
        from = to;
        t0 = t1;
    }
}

// Cuts a path (world points) into runs; a closed path's runs wrap around.
void splitPath(const MdlClipDescr &c, const std::vector<DPoint3d> &pts, bool closed, std::vector<Part> &parts)
{
    parts.clear();
    if (pts.empty())
        return;
    if (pts.size() == 1) { // one point: a zero-length line
        addSubPiece(parts, covers(c, toView(c, pts[0]).x, toView(c, pts[0]).y), pts[0], pts[0]);
        return;
    }
    // Most elements do not meet the boundary at all: one test decides.
    std::vector<DPoint3d> view(pts.size());
    for (size_t i = 0; i < pts.size(); ++i)
        view[i] = toView(c, pts[i]);
    bool degenerate = std::all_of(view.begin(), view.end(),
                                  [&](const DPoint3d &v) { return v.x == view[0].x && v.y == view[0].y; });
    Geom line = degenerate ? nullptr : lineOf(view.data(), view.size());
    if (degenerate || (line && GEOSPreparedIntersects_r(geos(), c.edge, line.get()) == 0)) {
        Part p;
        p.inside = covers(c, view[0].x, view[0].y);
        p.points = pts;
        parts.push_back(std::move(p));
        return;
    }
    for (size_t i = 0; i + 1 < pts.size(); ++i)
        splitSegment(c, pts[i], pts[i + 1], parts);
    if (closed)
        joinEnds(parts);
}

// Angle parameters (0..1 along the sweep) where an arc meets the boundary.
void arcCuts(const MdlClipDescr &c, const Ellipse_elm &e, std::vector<double> &us)
{
    const DPoint3d centre = toView(c, e.origin);
    const DPoint3d p0 = toView(c, mdlhost::dgn::ellipsePoint(e, 0.0));
    const DPoint3d p90 = toView(c, mdlhost::dgn::ellipsePoint(e, M_PI / 2));
    // The arc seen in the view: centre + cos(a) u + sin(a) v.
    const double ux = p0.x - centre.x, uy = p0.y - centre.y;
    const double vx = p90.x - centre.x, vy = p90.y - centre.y;
    const double sweep = e.sweep;
    if (sweep == 0 || !std::isfinite(sweep))
        return;
    for (const std::vector<DPoint3d> &line : c.edges)
        for (size_t i = 0; i + 1 < line.size(); ++i) {
            const DPoint3d &q0 = line[i], &q1 = line[i + 1];
            const double dx = q1.x - q0.x, dy = q1.y - q0.y, len2 = dx * dx + dy * dy;
            if (len2 == 0)
                continue;
            const double nx = -dy, ny = dx; // normal of the edge
            const double A = nx * ux + ny * uy, B = nx * vx + ny * vy;
            const double D = nx * (centre.x - q0.x) + ny * (centre.y - q0.y);
            const double R = std::hypot(A, B);
            if (R == 0 || std::fabs(D) > R)
                continue;
            const double phi = std::atan2(B, A), alpha = std::acos(std::clamp(-D / R, -1.0, 1.0));
            for (double angle : {phi + alpha, phi - alpha}) {
                const double px = centre.x + std::cos(angle) * ux + std::sin(angle) * vx;
                const double py = centre.y + std::cos(angle) * uy + std::sin(angle) * vy;
                const double s = ((px - q0.x) * dx + (py - q0.y) * dy) / len2;
                if (s < -kParamEps || s > 1 + kParamEps)
                    continue;
                double tau = std::fmod(sweep > 0 ? angle - e.start : e.start - angle, 2 * M_PI);
                if (tau < 0)
                    tau += 2 * M_PI;
                const double u = tau / std::fabs(sweep);
                if (u > kParamEps && u < 1 - kParamEps)
                    us.push_back(u);
            }
        }
}

void splitArc(const MdlClipDescr &c, const Ellipse_elm &e, bool closed, std::vector<Part> &parts)
{
    parts.clear();
    std::vector<double> us;
    arcCuts(c, e, us);
    std::sort(us.begin(), us.end());
    us.erase(std::unique(us.begin(), us.end(), [](double l, double r) { return r - l <= kParamEps; }), us.end());
    us.insert(us.begin(), 0.0);
    us.push_back(1.0);
    for (size_t i = 0; i + 1 < us.size(); ++i) {
        const double mid = e.start + e.sweep * 0.5 * (us[i] + us[i + 1]);
        const DPoint3d m = toView(c, mdlhost::dgn::ellipsePoint(e, mid));
        const bool in = covers(c, m.x, m.y);
        const double from = e.start + e.sweep * us[i], sweep = e.sweep * (us[i + 1] - us[i]);
        if (!parts.empty() && parts.back().inside == in) {
            parts.back().sweep += sweep;
            continue;
        }
        Part p;
        p.inside = in;
        p.start = from;
        p.sweep = sweep;
        parts.push_back(p);
    }
    if (closed)
        joinEnds(parts);
}

// Path of a linear element's own points (a curve: the points between its
// control points).
std::vector<DPoint3d> pathOf(const MSElement &el)
{
    const int type = elementType(&el);
    if (type == LINE_ELM)
        return {el.line.start, el.line.end};
    const Linear_elm &l = el.linear;
    const uint32_t n = std::min<uint32_t>(l.numVerts, MAX_VERTICES);
    if (type == CURVE_ELM && n >= 5)
        return std::vector<DPoint3d>(l.vertice + 2, l.vertice + n - 2);
    std::vector<DPoint3d> pts(l.vertice, l.vertice + n);
    // A shape's outline ends where it began, stored or not.
    if (type == SHAPE_ELM && n > 1 && std::memcmp(&pts.front(), &pts.back(), sizeof(DPoint3d)) != 0)
        pts.push_back(pts.front());
    return pts;
}

// A line or a linear element: clipped as its path of points.
bool isPath(int type) { return type == LINE_ELM || mdlhost::dgn::isLinear(type); }

bool isArc(int type) { return type == ARC_ELM || type == ELLIPSE_ELM; }

bool isHeader(int type)
{
    return type == CELL_HEADER_ELM || type == TEXT_NODE_ELM || type == CMPLX_STRING_ELM || type == CMPLX_SHAPE_ELM;
}

// An outline that decides the side of an element that is not cut: a text's
// box, a shared cell's range.
bool outlineOf(const MSElement &el, std::vector<DPoint3d> &outline, DPoint3d &anchor)
{
    const int type = elementType(&el);
    if (type == TEXT_ELM) {
        DPoint3d box[4];
        mdlhost::dgn::textBox(el.text, box);
        outline.assign(box, box + 4);
        outline.push_back(box[0]);
        anchor = el.text.origin;
        return true;
    }
    if (type == SHARED_CELL_ELM) {
        const DRange3d &r = el.sharedCell.dhdr.range;
        outline = {{r.low.x, r.low.y, r.low.z},
                   {r.high.x, r.low.y, r.low.z},
                   {r.high.x, r.high.y, r.low.z},
                   {r.low.x, r.high.y, r.low.z},
                   {r.low.x, r.low.y, r.low.z}};
        anchor = el.sharedCell.origin;
        return true;
    }
    return false;
}

// Sides met by an element's own geometry.
struct Sides {
    bool in = false, out = false;
    void add(bool inside) { (inside ? in : out) = true; }
    void add(const Sides &s)
    {
        in = in || s.in;
        out = out || s.out;
    }
};

Sides sidesOf(const MdlClipDescr &c, const MSElement &el)
{
    Sides s;
    std::vector<Part> parts;
    const int type = elementType(&el);
    std::vector<DPoint3d> outline;
    DPoint3d anchor{};
    if (isPath(type))
        splitPath(c, pathOf(el), type == SHAPE_ELM, parts);
    else if (isArc(type))
        splitArc(c, el.ellipse, type == ELLIPSE_ELM, parts);
    else if (outlineOf(el, outline, anchor))
        splitPath(c, outline, true, parts);
    for (const Part &p : parts)
        s.add(p.inside);
    return s;
}

Sides sidesOfTree(const MdlClipDescr &c, const MSElementDescr *node)
{
    Sides s;
    for (; node != nullptr; node = node->h.next) {
        if (node->h.isHeader)
            s.add(sidesOfTree(c, node->h.firstElem));
        else
            s.add(sidesOf(c, node->el));
    }
    return s;
}

// --- pieces ---------------------------------------------------------------------------

int linkageMode = MDLDB_LINKAGE_NONE;

struct DescrDeleter {
    void operator()(MSElementDescr *d) const
    {
        while (d != nullptr) { // a chain of top-level descriptors
            MSElementDescr *next = d->h.next;
            d->h.next = nullptr;
            mdlElmdscr_freeAll(&d);
            d = next;
        }
    }
};
using Descr = std::unique_ptr<MSElementDescr, DescrDeleter>;

// Builds a new element from src's header and display header with its body
// made by fill (which returns the body's bytes); attribute data are copied
// when asked.  False when the result would exceed the element size.
template <class Fill>
bool buildElement(MSElement &out, const MSElement &src, int type, bool component, bool attributes, Fill fill)
{
    std::memcpy(&out, &src, ELM_BODY_OFFSET);
    out.ehdr.type = static_cast<uint32_t>(type) | (component ? ELM_COMPLEX_BIT : 0u);
    out.ehdr.uniqueId = 0;
    size_t body = fill(out);
    size_t bodyWords = (body + 1) / 2;
    size_t attrWords = 0;
    if (attributes && src.ehdr.elementSize > src.ehdr.attrOffset)
        attrWords = src.ehdr.elementSize - src.ehdr.attrOffset;
    if (bodyWords + attrWords > MAX_ELEMENT_WORDS)
        return false;
    if (body % 2 != 0)
        reinterpret_cast<uint8_t *>(&out)[body] = 0;
    if (attrWords > 0)
        std::memcpy(&out.buf[bodyWords], &src.buf[src.ehdr.attrOffset], 2 * attrWords);
    out.ehdr.attrOffset = static_cast<uint32_t>(bodyWords);
    out.ehdr.elementSize = static_cast<uint32_t>(bodyWords + attrWords);
    DRange3d range{};
    if (mdlhost::dgn::elementGeometryRange(&out, &range))
        out.line.dhdr.range = range;
    return true;
}

// A piece of a closed element is open: it has no fill and is no hole.
void openUp(MSElement &el) { el.ehdr.properties &= ~(ELM_PROP_FILLED | ELM_PROP_HOLE); }

MSElementDescr *newNode(const MSElement &el)
{
    MSElementDescr *d = nullptr;
    if (mdlElmdscr_new(&d, nullptr, &el) != 0)
        return nullptr;
    return d;
}

// Elements made of a run of a linear element: pieces longer than an element
// holds are split where they share a point.
bool linearPieces(const MSElement &src, const Part &part, bool component, bool attributes,
                  std::vector<Descr> &out)
{
    const bool curve = elementType(&src) == CURVE_ELM;
    const bool closedSource = elementType(&src) == SHAPE_ELM;
    const size_t cap = curve ? MAX_VERTICES - 4 : MAX_VERTICES;
    const std::vector<DPoint3d> &pts = part.points;
    std::unique_ptr<MSElement> el(new (std::nothrow) MSElement);
    if (!el)
        return false;
    for (size_t from = 0;;) {
        size_t n = std::min(cap, pts.size() - from);
        std::vector<DPoint3d> run(pts.begin() + from, pts.begin() + from + n);
        if (curve) {
            run.insert(run.begin(), 2, run.front());
            run.insert(run.end(), 2, run.back());
        }
        int type = curve ? CURVE_ELM : (run.size() == 2 ? LINE_ELM : LINE_STRING_ELM);
        bool ok = buildElement(*el, src, type, component, attributes, [&](MSElement &e) -> size_t {
            if (type == LINE_ELM) {
                e.line.start = run[0];
                e.line.end = run[1];
                return sizeof(Line_elm);
            }
            e.linear.numVerts = static_cast<uint32_t>(run.size());
            e.linear.reserved = 0;
            std::memcpy(e.linear.vertice, run.data(), run.size() * sizeof(DPoint3d));
            return offsetof(Linear_elm, vertice) + run.size() * sizeof(DPoint3d);
        });
        if (!ok)
            return false;
        if (closedSource)
            openUp(*el);
        MSElementDescr *d = newNode(*el);
        if (d == nullptr)
            return false;
        out.emplace_back(d);
        if (from + n >= pts.size())
            break;
        from += n - 1; // the next piece starts where this one ends
    }
    return true;
}

bool arcPiece(const MSElement &src, const Part &part, bool component, bool attributes, std::vector<Descr> &out)
{
    std::unique_ptr<MSElement> el(new (std::nothrow) MSElement);
    if (!el)
        return false;
    bool ok = buildElement(*el, src, ARC_ELM, component, attributes, [&](MSElement &e) -> size_t {
        std::memcpy(reinterpret_cast<uint8_t *>(&e) + ELM_BODY_OFFSET,
                    reinterpret_cast<const uint8_t *>(&src) + ELM_BODY_OFFSET, sizeof(Ellipse_elm) - ELM_BODY_OFFSET);
        e.ellipse.start = part.start;
        e.ellipse.sweep = part.sweep;
        return sizeof(Ellipse_elm);
    });
    if (!ok)
        return false;
    if (elementType(&src) == ELLIPSE_ELM)
        openUp(*el);
    MSElementDescr *d = newNode(*el);
    if (d == nullptr)
        return false;
    out.emplace_back(d);
    return true;
}

// A simple element's pieces on each side, in path order.
struct Sided {
    bool inside;
    Descr piece;
};

// Copy of a whole descriptor as a new one (no position, no id).
MSElementDescr *copyOf(const MSElementDescr *dscr)
{
    MSElementDescr *copy = nullptr;
    if (mdlElmdscr_duplicate(&copy, dscr) != 0 || copy == nullptr)
        return nullptr;
    if (copy->h.next != nullptr) { // the duplicate takes dscr's siblings along
        MSElementDescr *rest = copy->h.next;
        copy->h.next = nullptr;
        rest->h.previous = nullptr;
        mdlElmdscr_freeAll(&rest);
    }
    copy->h.dgnModelRef = MDLHOST_NO_MODEL;
    copy->h.filePos = 0;
    copy->el.ehdr.uniqueId = 0;
    return copy;
}

MSElementDescr *copyNode(const MSElement &el, bool component)
{
    std::unique_ptr<MSElement> copy(new (std::nothrow) MSElement);
    if (!copy)
        return nullptr;
    std::memcpy(copy.get(), &el, mdlhost::dgn::elementBytes(&el));
    copy->ehdr.uniqueId = 0;
    copy->ehdr.type = (copy->ehdr.type & ~ELM_COMPLEX_BIT) | (component ? ELM_COMPLEX_BIT : 0u);
    return newNode(*copy);
}

// Cuts one simple element; a side it lies on wholly gets a copy.
int clipSimple(const MdlClipDescr &c, const MSElement &el, bool component, std::vector<Sided> &out)
{
    const int type = elementType(&el);
    const bool attributes = linkageMode == MDLDB_LINKAGE_DUPLICATE;
    std::vector<Part> parts;
    std::vector<DPoint3d> outline;
    DPoint3d anchor{};
    if (isPath(type))
        splitPath(c, pathOf(el), type == SHAPE_ELM, parts);
    else if (isArc(type))
        splitArc(c, el.ellipse, type == ELLIPSE_ELM, parts);
    else if (outlineOf(el, outline, anchor)) {
        splitPath(c, outline, true, parts);
        if (parts.size() > 1) { // goes whole to the side of its origin
            const DPoint3d v = toView(c, anchor);
            parts.resize(1);
            parts[0].inside = covers(c, v.x, v.y);
        }
    }
    if (parts.empty()) // no geometry: outside
        parts.push_back(Part{});
    if (parts.size() == 1) {
        MSElementDescr *d = copyNode(el, component);
        if (d == nullptr)
            return DGNERR_IO;
        out.push_back({parts[0].inside, Descr(d)});
        return 0;
    }
    for (const Part &p : parts) {
        std::vector<Descr> pieces;
        bool ok = isArc(type) ? arcPiece(el, p, component, attributes, pieces)
                              : linearPieces(el, p, component, attributes, pieces);
        if (!ok)
            return DGNERR_FILEFULL;
        for (Descr &d : pieces)
            out.push_back({p.inside, std::move(d)});
    }
    return 0;
}

// Appends d to the chain that ends at tail.
void link(MSElementDescr *&head, MSElementDescr *&tail, MSElementDescr *d)
{
    d->h.previous = tail;
    d->h.next = nullptr;
    if (tail != nullptr)
        tail->h.next = d;
    else
        head = d;
    tail = d;
}

// A complex chain of the pieces, with src's header.
MSElementDescr *chainOf(const MSElement &src, std::vector<Sided> &pieces, size_t from, size_t to)
{
    std::unique_ptr<MSElement> hdr(new (std::nothrow) MSElement);
    if (!hdr)
        return nullptr;
    bool ok = buildElement(*hdr, src, CMPLX_STRING_ELM, false, false, [&](MSElement &e) -> size_t {
        e.complexHdr.numComponents = 0;
        e.complexHdr.totalWords = 0;
        return sizeof(Complex_hdr);
    });
    if (!ok)
        return nullptr;
    openUp(*hdr);
    Descr head(newNode(*hdr));
    if (!head)
        return nullptr;
    for (size_t i = from; i < to; ++i)
        if (mdlElmdscr_appendDscr(head.get(), pieces[i].piece.release()) != 0)
            return nullptr;
    // The header's range is its components' only, not the source's.
    mdlhost::dgn::RangeAccumulator acc;
    for (const MSElementDescr *d = head->h.firstElem; d != nullptr; d = d->h.next) {
        DRange3d r{};
        if (mdlhost::dgn::elementGeometryRange(&d->el, &r))
            acc.add(r);
    }
    acc.get(head->el.complexHdr.dhdr.range);
    return head.release();
}

struct Chains {
    MSElementDescr *head[2] = {nullptr, nullptr}; // outside, inside
    MSElementDescr *tail[2] = {nullptr, nullptr};
    void add(bool inside, MSElementDescr *d) { link(head[inside], tail[inside], d); }
    ~Chains()
    {
        DescrDeleter del;
        del(head[0]);
        del(head[1]);
    }
};

int clipComplex(const MdlClipDescr &c, const MSElementDescr *dscr, Chains &chains)
{
    std::vector<Sided> pieces;
    for (const MSElementDescr *comp = dscr->h.firstElem; comp != nullptr; comp = comp->h.next) {
        if (comp->h.isHeader)
            return DGNERR_BADELEMENT;
        int rc = clipSimple(c, comp->el, true, pieces);
        if (rc != 0)
            return rc;
    }
    if (std::all_of(pieces.begin(), pieces.end(), [&](const Sided &p) { return p.inside == pieces[0].inside; })) {
        MSElementDescr *copy = copyOf(dscr); // wholly on one side
        if (copy == nullptr)
            return DGNERR_IO;
        chains.add(!pieces.empty() && pieces[0].inside, copy);
        return 0;
    }
    // Runs of pieces on one side; a complex shape's last run goes on into its
    // first.
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (runs.empty() || pieces[i].inside != pieces[runs.back().first].inside)
            runs.push_back({i, i + 1});
        else
            runs.back().second = i + 1;
    }
    if (elementType(&dscr->el) == CMPLX_SHAPE_ELM && runs.size() > 1 &&
        pieces.front().inside == pieces.back().inside) {
        std::rotate(pieces.begin(), pieces.begin() + runs.back().first, pieces.end());
        size_t moved = runs.back().second - runs.back().first;
        runs.pop_back();
        runs.front().second += moved;
        for (size_t r = 1; r < runs.size(); ++r) {
            runs[r].first += moved;
            runs[r].second += moved;
        }
    }
    for (const auto &r : runs) {
        MSElementDescr *chain = chainOf(dscr->el, pieces, r.first, r.second);
        if (chain == nullptr)
            return DGNERR_IO;
        chains.add(pieces[r.first].inside, chain);
    }
    return 0;
}

int fail(int error)
{
    mdlErrno = error;
    return error;
}

// Every record of the tree holds together, so counts can be trusted.
bool validTree(const MSElementDescr *node, int depth = 0)
{
    if (depth > 16) // cells nest a few levels; more is a broken tree
        return false;
    for (; node != nullptr; node = node->h.next) {
        if (mdlhost::dgn::validateElement(&node->el) != 0)
            return false;
        if (node->h.isHeader && !validTree(node->h.firstElem, depth + 1))
            return false;
    }
    return true;
}

} // namespace

namespace mdlhost::dgn {

bool isPlanView(const RotMatrix &m)
{
    return m.form3d[2][0] == 0 && m.form3d[2][1] == 0 && std::fabs(m.form3d[2][2]) == 1.0;
}

MdlClipDescr *clipCreate(const std::vector<DPoint3d> &polygon, int view)
{
    MdlViewExtent extent{};
    if (geos() == nullptr || polygon.size() < 4 || !viewGeometry(view, extent))
        return nullptr;
    std::unique_ptr<MdlClipDescr> c(new (std::nothrow) MdlClipDescr);
    if (!c)
        return nullptr;
    c->view = view;
    c->rotation = extent.rotation;
    mdlRMatrix_transpose(&c->back, &extent.rotation);
    c->identity = isIdentity(extent.rotation);
    std::vector<double> xy;
    for (const DPoint3d &p : polygon) {
        DPoint3d v = toView(*c, p);
        xy.push_back(v.x);
        xy.push_back(v.y);
    }
    // The ring must close exactly in the view.
    xy[xy.size() - 2] = xy[0];
    xy[xy.size() - 1] = xy[1];
    GEOSContextHandle_t h = geos();
    GEOSCoordSequence *seq = GEOSCoordSeq_copyFromBuffer_r(h, xy.data(), static_cast<unsigned>(polygon.size()), 0, 0);
    GEOSGeometry *ring = seq ? GEOSGeom_createLinearRing_r(h, seq) : nullptr;
    Geom poly(ring ? GEOSGeom_createPolygon_r(h, ring, nullptr, 0) : nullptr);
    if (!poly)
        return nullptr;
    if (GEOSisValid_r(h, poly.get()) != 1) {
        // A fence that crosses itself still has an inside: GEOS repairs it.
        poly.reset(GEOSMakeValid_r(h, poly.get()));
        if (!poly)
            return nullptr;
    }
    double area = 0;
    if (GEOSArea_r(h, poly.get(), &area) == 0 || !(area > 0))
        return nullptr;
    c->polygon = std::move(poly);
    c->boundary.reset(GEOSBoundary_r(h, c->polygon.get()));
    if (!c->boundary)
        return nullptr;
    c->inside = GEOSPrepare_r(h, c->polygon.get());
    c->edge = GEOSPrepare_r(h, c->boundary.get());
    if (c->inside == nullptr || c->edge == nullptr)
        return nullptr;
    collectLines(c->boundary.get(), c->edges);
    c->index = GEOSSTRtree_create_r(h, 10);
    if (c->index == nullptr)
        return nullptr;
    for (const std::vector<DPoint3d> &line : c->edges)
        for (size_t i = 0; i + 1 < line.size(); ++i) {
            Geom seg = lineOf(&line[i], 2);
            if (!seg)
                return nullptr;
            c->segments.push_back({line[i].x, line[i].y, line[i + 1].x, line[i + 1].y});
            // Items are 1-based indices: a null item cannot be told apart.
            GEOSSTRtree_insert_r(h, c->index, seg.get(),
                                 reinterpret_cast<void *>(static_cast<uintptr_t>(c->segments.size())));
            c->envelopes.push_back(std::move(seg));
        }
    return c.release();
}

} // namespace mdlhost::dgn

int mdlClip_getFence(MdlClipDescr **clip)
{
    if (clip == nullptr)
        return fail(DGNERR_BADELEMENT);
    *clip = nullptr;
    std::vector<DPoint3d> polygon;
    int view = 0;
    if (!mdlhost::dgn::fencePolygon(polygon, view))
        return fail(DGNERR_NOTFOUND);
    *clip = mdlhost::dgn::clipCreate(polygon, view);
    if (*clip == nullptr)
        return fail(DGNERR_BADELEMENT);
    mdlErrno = 0;
    return 0;
}

void mdlClip_free(MdlClipDescr **clip)
{
    if (clip == nullptr)
        return;
    delete *clip;
    *clip = nullptr;
}

int mdlClip_isElemInside(const MSElementDescr *dscr, const MdlClipDescr *clip, int, int overlapAllowed)
{
    if (dscr == nullptr || clip == nullptr || mdlhost::dgn::validateElement(&dscr->el) != 0 ||
        (dscr->h.isHeader && !validTree(dscr->h.firstElem)))
        return fail(DGNERR_BADELEMENT);
    Sides s = dscr->h.isHeader ? sidesOfTree(*clip, dscr->h.firstElem) : sidesOf(*clip, dscr->el);
    mdlErrno = 0;
    if (s.in && !s.out)
        return MDLCLIP_INSIDE;
    if (s.in && s.out)
        return overlapAllowed ? MDLCLIP_CROSSING : MDLCLIP_OUTSIDE;
    return MDLCLIP_OUTSIDE;
}

int mdlClip_element(MSElementDescr **inside, MSElementDescr **outside, const MSElementDescr *dscr, DgnModelRefP,
                    const MdlClipDescr *clip, int)
{
    if (inside != nullptr)
        *inside = nullptr;
    if (outside != nullptr)
        *outside = nullptr;
    if (dscr == nullptr || clip == nullptr || mdlhost::dgn::validateElement(&dscr->el) != 0 ||
        (dscr->h.isHeader && !validTree(dscr->h.firstElem)))
        return fail(DGNERR_BADELEMENT);
    const int type = elementType(&dscr->el);
    Chains chains;
    if (type == CMPLX_STRING_ELM || type == CMPLX_SHAPE_ELM) {
        int rc = clipComplex(*clip, dscr, chains);
        if (rc != 0)
            return fail(rc);
    } else if (isHeader(type)) {
        Sides s = sidesOfTree(*clip, dscr->h.firstElem);
        if (s.in && s.out)
            return fail(DGNERR_BADELEMENT); // cells and text nodes are not cut
        MSElementDescr *copy = copyOf(dscr);
        if (copy == nullptr)
            return fail(DGNERR_IO);
        chains.add(s.in, copy);
    } else {
        std::vector<Sided> pieces;
        int rc = clipSimple(*clip, dscr->el, false, pieces);
        if (rc != 0)
            return fail(rc);
        for (Sided &p : pieces)
            chains.add(p.inside, p.piece.release());
    }
    if (inside != nullptr)
        std::swap(*inside, chains.head[1]);
    if (outside != nullptr)
        std::swap(*outside, chains.head[0]);
    mdlErrno = 0;
    return 0;
}

int mdlDB_activeLinkageMode(const char *mode)
{
    if (mode == nullptr)
        return linkageMode;
    if (mdlhost::sameName(mode, "none"))
        linkageMode = MDLDB_LINKAGE_NONE;
    else if (mdlhost::sameName(mode, "duplicate"))
        linkageMode = MDLDB_LINKAGE_DUPLICATE;
    else
        return -1;
    return linkageMode;
}
