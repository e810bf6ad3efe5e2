// Measurements of descriptors and point lists, and growable arrays.
#include <cmath>
#include <cstring>
#include <vector>

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

double dist(const DPoint3d &a, const DPoint3d &b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

double polylineLength(const std::vector<DPoint3d> &p, DPoint3d &weighted)
{
    double len = 0;
    for (size_t i = 1; i < p.size(); ++i) {
        double l = dist(p[i - 1], p[i]);
        len += l;
        weighted.x += l * (p[i - 1].x + p[i].x) / 2;
        weighted.y += l * (p[i - 1].y + p[i].y) / 2;
        weighted.z += l * (p[i - 1].z + p[i].z) / 2;
    }
    return len;
}

struct Ring {
    double area;      // of the projection to xy, unsigned
    DPoint3d centroid;
    double perimeter;
};

// Shoelace area and centroid of a closed ring in xy; z is the mean of the
// ring's vertices.
bool ringOf(std::vector<DPoint3d> pts, Ring &r)
{
    if (pts.size() < 3) return false;
    const DPoint3d &f = pts.front(), &l = pts.back();
    if (f.x != l.x || f.y != l.y || f.z != l.z) pts.push_back(f);
    // Coordinates relative to the first vertex keep the cross products
    // small for map coordinates far from the origin.
    const DPoint3d o = pts.front();
    double a2 = 0, cx = 0, cy = 0, z = 0, per = 0;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        double x0 = pts[i].x - o.x, y0 = pts[i].y - o.y, x1 = pts[i + 1].x - o.x, y1 = pts[i + 1].y - o.y;
        double c = x0 * y1 - x1 * y0;
        a2 += c;
        cx += (x0 + x1) * c;
        cy += (y0 + y1) * c;
        z += pts[i].z;
        per += dist(pts[i], pts[i + 1]);
    }
    if (a2 == 0 || !std::isfinite(a2)) return false;
    r.area = std::fabs(a2) / 2;
    r.centroid = DPoint3d{o.x + cx / (3 * a2), o.y + cy / (3 * a2), z / static_cast<double>(pts.size() - 1)};
    r.perimeter = per;
    return true;
}

bool closedType(int type)
{
    return type == SHAPE_ELM || type == CMPLX_SHAPE_ELM || type == ELLIPSE_ELM;
}

// Closed elements of the tree as rings: solids add, holes subtract.
int collectRings(const MSElementDescr *d, double tol, std::vector<std::pair<Ring, bool>> &rings)
{
    int type = elementType(&d->el);
    if (closedType(type)) {
        std::vector<DPoint3d> pts;
        int rc = strokeTree(d, tol, pts);
        Ring r;
        if (rc != 0 || !ringOf(pts, r)) return DGNERR_BADELEMENT;
        rings.emplace_back(r, (d->el.ehdr.properties & ELM_PROP_HOLE) != 0);
        return 0;
    }
    if (type == CELL_HEADER_ELM) {
        for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next) {
            int rc = collectRings(c, tol, rings);
            if (rc != 0 && closedType(elementType(&c->el))) return rc;
        }
        return 0;
    }
    return 0;
}

void linearTotal(const MSElementDescr *d, double tol, double &len, DPoint3d &weighted, bool &any)
{
    for (; d; d = d->h.next) {
        if (!isStrokable(elementType(&d->el))) {
            linearTotal(d->h.firstElem, tol, len, weighted, any);
            continue;
        }
        std::vector<DPoint3d> pts;
        if (strokeTree(d, tol, pts) == 0) {
            len += polylineLength(pts, weighted);
            any = true;
        }
    }
}

} // namespace

extern "C" {

int mdlMeasure_areaProperties(double *perimeter, double *area, DPoint3d *centroid, const MSElementDescr *dscr,
                              double tolerance)
{
    mdlErrno = 0;
    if (!dscr) return fail(DGNERR_BADELEMENT);
    double tol = std::isfinite(tolerance) && tolerance > 0 ? lengthToUor(tolerance) : 0;
    std::vector<std::pair<Ring, bool>> rings;
    int rc = collectRings(dscr, tol, rings);
    if (rc != 0) return fail(rc);
    double a = 0, per = 0;
    DPoint3d m{0, 0, 0};
    bool solid = false;
    for (const auto &[r, hole] : rings) {
        double s = hole ? -r.area : r.area;
        solid = solid || !hole;
        a += s;
        per += r.perimeter;
        m.x += s * r.centroid.x;
        m.y += s * r.centroid.y;
        m.z += s * r.centroid.z;
    }
    if (!solid || !(a > 0)) return fail(DGNERR_BADELEMENT);
    DPoint3d c{m.x / a, m.y / a, m.z / a};
    fromUor(&c, 1);
    double unit = lengthToUor(1.0);
    if (perimeter) *perimeter = lengthFromUor(per);
    if (area) *area = a / (unit * unit);
    if (centroid) *centroid = c;
    return 0;
}

int mdlMeasure_linearProperties(double *length, DPoint3d *centroid, const MSElementDescr *dscr, double tolerance)
{
    mdlErrno = 0;
    if (!dscr) return fail(DGNERR_BADELEMENT);
    double tol = std::isfinite(tolerance) && tolerance > 0 ? lengthToUor(tolerance) : 0;
    double len = 0;
    DPoint3d w{0, 0, 0};
    bool any = false;
    // The descriptor only, not its siblings.
    const MSElementDescr *next = dscr->h.next;
    const_cast<MSElementDescr *>(dscr)->h.next = nullptr;
    linearTotal(dscr, tol, len, w, any);
    const_cast<MSElementDescr *>(dscr)->h.next = const_cast<MSElementDescr *>(next);
    if (!any) return fail(DGNERR_BADELEMENT);
    if (length) *length = lengthFromUor(len);
    if (centroid) {
        DPoint3d c = len > 0 ? DPoint3d{w.x / len, w.y / len, w.z / len} : DPoint3d{0, 0, 0};
        fromUor(&c, 1);
        *centroid = c;
    }
    return 0;
}

int mdlMeasure_polygonArea(double *area, double *perimeter, const DPoint3d *points, int numPoints)
{
    mdlErrno = 0;
    if (!points || numPoints < 3) return fail(DGNERR_BADELEMENT);
    // Newell's normal: its length is twice the area of a plane polygon in any
    // orientation.
    const DPoint3d o = points[0];
    DPoint3d n{0, 0, 0};
    double per = 0;
    for (int i = 0; i < numPoints; ++i) {
        const DPoint3d &p = points[i], &q = points[(i + 1) % numPoints];
        if (!finitePoint(p)) return fail(DGNERR_BADELEMENT);
        double px = p.x - o.x, py = p.y - o.y, pz = p.z - o.z, qx = q.x - o.x, qy = q.y - o.y, qz = q.z - o.z;
        n.x += (py - qy) * (pz + qz);
        n.y += (pz - qz) * (px + qx);
        n.z += (px - qx) * (py + qy);
        per += dist(p, q);
    }
    if (area) *area = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z) / 2;
    if (perimeter) *perimeter = per;
    return 0;
}

// --- growable arrays -------------------------------------------------------------

} // extern "C"

struct MdlDArray {
    size_t memberSize;
    std::vector<unsigned char> data;
    size_t count() const { return data.size() / memberSize; }
};

namespace {
constexpr int kMaxMemberSize = 65536;
}

extern "C" {

MdlDArray *mdlDArray_create(int memberSize)
{
    if (memberSize < 1 || memberSize > kMaxMemberSize) return nullptr;
    return new MdlDArray{static_cast<size_t>(memberSize), {}};
}

void mdlDArray_destroy(MdlDArray *array)
{
    delete array;
}

int mdlDArray_getCount(const MdlDArray *array)
{
    return array ? static_cast<int>(array->count()) : 0;
}

int mdlDArray_insertMember(MdlDArray *array, const void *member, int index)
{
    if (!array || !member) return -1;
    size_t n = array->count();
    if (index == -1) index = static_cast<int>(n);
    if (index < 0 || static_cast<size_t>(index) > n || n >= static_cast<size_t>(INT32_MAX)) return -1;
    const unsigned char *m = static_cast<const unsigned char *>(member);
    // member may point into the array itself, which the insert moves.
    std::vector<unsigned char> copy(m, m + array->memberSize);
    array->data.insert(array->data.begin() + static_cast<std::ptrdiff_t>(index * array->memberSize), copy.begin(),
                       copy.end());
    return index;
}

int mdlDArray_setMember(MdlDArray *array, const void *member, int index)
{
    if (!array || !member || index < 0 || static_cast<size_t>(index) >= array->count()) return -1;
    std::memmove(array->data.data() + static_cast<size_t>(index) * array->memberSize, member, array->memberSize);
    return 0;
}

int mdlDArray_deleteMember(MdlDArray *array, int index)
{
    if (!array || index < 0 || static_cast<size_t>(index) >= array->count()) return -1;
    auto at = array->data.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(index) * array->memberSize);
    array->data.erase(at, at + static_cast<std::ptrdiff_t>(array->memberSize));
    return 0;
}

void *mdlDArray_getMemberP(MdlDArray *array, int index)
{
    if (!array || index < 0 || static_cast<size_t>(index) >= array->count()) return nullptr;
    return array->data.data() + static_cast<size_t>(index) * array->memberSize;
}

} // extern "C"
