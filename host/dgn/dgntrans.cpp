// The current transformation stack and the rotation/transform maths.
#include <cmath>
#include <vector>

#include "dgn_int.h"
#include "dgnelem_int.h"
#include "dgn/mdlelem.h"

namespace {

// One level of the stack: current -> UOR is scaleToUor(master) * local.
// The master-unit factor is read when used, so a stack set up before a
// design file is opened follows the active model.
struct CurrTrans {
    bool masterUnits = false;
    Transform local{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
};

std::vector<CurrTrans> &stack()
{
    static std::vector<CurrTrans> s{CurrTrans{}};
    return s;
}

double activeUorPerMaster()
{
    double upm = mdlModelRef_getUorPerMaster(mdlModelRef_getActive());
    return (std::isfinite(upm) && upm > 0) ? upm : 1.0;
}

void apply(const Transform &t, DPoint3d &p)
{
    const auto &f = t.form3d;
    DPoint3d q{f[0][0] * p.x + f[0][1] * p.y + f[0][2] * p.z + f[0][3],
               f[1][0] * p.x + f[1][1] * p.y + f[1][2] * p.z + f[1][3],
               f[2][0] * p.x + f[2][1] * p.y + f[2][2] * p.z + f[2][3]};
    p = q;
}

double det3(const double m[3][4])
{
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Full transform of the top, current -> UOR.
Transform topTransform()
{
    const CurrTrans &c = stack().back();
    Transform t = c.local;
    if (c.masterUnits) {
        double s = activeUorPerMaster();
        for (auto &row : t.form3d)
            for (double &v : row) v *= s;
    }
    return t;
}

} // namespace

namespace mdlhost::dgn {

void toUor(DPoint3d *pts, int n)
{
    if (!pts || n <= 0) return;
    Transform t = topTransform();
    for (int i = 0; i < n; ++i) apply(t, pts[i]);
}

void fromUor(DPoint3d *pts, int n)
{
    if (!pts || n <= 0) return;
    Transform t = topTransform(), inv;
    if (mdlTMatrix_invert(&inv, &t) != 0) return;
    for (int i = 0; i < n; ++i) apply(inv, pts[i]);
}

// Lengths scale with the plane of the current x and y axes (the geometric
// mean of their scales), so a transform that leaves z alone still scales
// radii and text sizes drawn in that plane.
static double planeScale()
{
    Transform t = topTransform();
    const auto &f = t.form3d;
    double sx = std::sqrt(f[0][0] * f[0][0] + f[1][0] * f[1][0] + f[2][0] * f[2][0]);
    double sy = std::sqrt(f[0][1] * f[0][1] + f[1][1] * f[1][1] + f[2][1] * f[2][1]);
    double s = std::sqrt(sx * sy);
    return std::isfinite(s) && s > 0 ? s : 1.0;
}

static RotMatrix turn()
{
    Transform t = topTransform();
    double s = planeScale();
    RotMatrix m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.form3d[i][j] = t.form3d[i][j] / s;
    return m;
}

void rotationToUor(RotMatrix *rotation)
{
    if (!rotation) return;
    RotMatrix m = turn();
    mdlRMatrix_multiply(rotation, &m, rotation);
}

void rotationFromUor(RotMatrix *rotation)
{
    if (!rotation) return;
    RotMatrix m = turn(), inv;
    if (mdlRMatrix_invert(&inv, &m) == 0) mdlRMatrix_multiply(rotation, &inv, rotation);
}

double lengthToUor(double length)
{
    return length * planeScale();
}

double lengthFromUor(double length)
{
    return length / planeScale();
}

} // namespace mdlhost::dgn

using mdlhost::dgn::rotate;

extern "C" {

void mdlCurrTrans_begin(void)
{
    stack().push_back(stack().back());
}

void mdlCurrTrans_end(void)
{
    // The bottom level stays: it is the default identity.
    if (stack().size() > 1) stack().pop_back();
}

void mdlCurrTrans_identity(void)
{
    stack().back() = CurrTrans{};
}

void mdlCurrTrans_masterUnitsIdentity(int masterUnits)
{
    stack().back() = CurrTrans{};
    stack().back().masterUnits = masterUnits != 0;
}

void mdlCurrTrans_translateOrigin(const DPoint3d *origin)
{
    if (!origin) return;
    Transform &l = stack().back().local;
    mdlTMatrix_translate(&l, &l, origin->x, origin->y, origin->z);
}

void mdlCurrTrans_rotateByRMatrix(const RotMatrix *rotation)
{
    if (!rotation) return;
    Transform r;
    DPoint3d zero{0, 0, 0};
    mdlTMatrix_fromRMatrix(&r, rotation, &zero);
    Transform &l = stack().back().local;
    mdlTMatrix_multiply(&l, &l, &r);
}

void mdlCurrTrans_scale(double scale)
{
    if (!std::isfinite(scale) || scale <= 0) return;
    Transform &l = stack().back().local;
    mdlTMatrix_scale(&l, &l, scale, scale, scale);
}

void mdlCurrTrans_transformPointArray(DPoint3d *out, const DPoint3d *in, int numPoints)
{
    if (!out || !in || numPoints <= 0) return;
    if (out != in)
        for (int i = 0; i < numPoints; ++i) out[i] = in[i];
    mdlhost::dgn::toUor(out, numPoints);
}

void mdlCurrTrans_invtransPointArray(DPoint3d *out, const DPoint3d *in, int numPoints)
{
    if (!out || !in || numPoints <= 0) return;
    if (out != in)
        for (int i = 0; i < numPoints; ++i) out[i] = in[i];
    mdlhost::dgn::fromUor(out, numPoints);
}

void mdlCurrTrans_getTransform(Transform *transform)
{
    if (transform) *transform = topTransform();
}

// --- rotation matrices ---------------------------------------------------------

void mdlRMatrix_getIdentity(RotMatrix *m)
{
    if (!m) return;
    *m = RotMatrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

void mdlRMatrix_fromAngle(RotMatrix *m, double angle)
{
    if (!m) return;
    double c = std::cos(angle), s = std::sin(angle);
    *m = RotMatrix{{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

double mdlRMatrix_toAngle(const RotMatrix *m)
{
    if (!m) return 0;
    return std::atan2(m->form3d[1][0], m->form3d[0][0]);
}

void mdlRMatrix_rotatePoint(DPoint3d *p, const RotMatrix *m)
{
    if (!p || !m) return;
    *p = rotate(*m, *p);
}

void mdlRMatrix_multiply(RotMatrix *out, const RotMatrix *a, const RotMatrix *b)
{
    if (!out || !a || !b) return;
    RotMatrix r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.form3d[i][j] += a->form3d[i][k] * b->form3d[k][j];
    *out = r;
}

void mdlRMatrix_transpose(RotMatrix *out, const RotMatrix *in)
{
    if (!out || !in) return;
    RotMatrix r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.form3d[i][j] = in->form3d[j][i];
    *out = r;
}

int mdlRMatrix_invert(RotMatrix *out, const RotMatrix *in)
{
    if (!out || !in) return 1;
    Transform t, inv;
    DPoint3d zero{0, 0, 0};
    mdlTMatrix_fromRMatrix(&t, in, &zero);
    if (mdlTMatrix_invert(&inv, &t) != 0) return 1;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out->form3d[i][j] = inv.form3d[i][j];
    return 0;
}

// --- transforms ---------------------------------------------------------------

void mdlTMatrix_getIdentity(Transform *t)
{
    if (!t) return;
    *t = Transform{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
}

void mdlTMatrix_fromRMatrix(Transform *t, const RotMatrix *m, const DPoint3d *translation)
{
    if (!t || !m) return;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t->form3d[i][j] = m->form3d[i][j];
    t->form3d[0][3] = translation ? translation->x : 0;
    t->form3d[1][3] = translation ? translation->y : 0;
    t->form3d[2][3] = translation ? translation->z : 0;
}

void mdlTMatrix_multiply(Transform *out, const Transform *a, const Transform *b)
{
    if (!out || !a || !b) return;
    Transform r{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            double v = j == 3 ? a->form3d[i][3] : 0;
            for (int k = 0; k < 3; ++k) v += a->form3d[i][k] * b->form3d[k][j];
            r.form3d[i][j] = v;
        }
    }
    *out = r;
}

// The new current origin lies at (x, y, z) of the old current coordinates.
void mdlTMatrix_translate(Transform *out, const Transform *in, double x, double y, double z)
{
    if (!out || !in) return;
    Transform t;
    mdlTMatrix_getIdentity(&t);
    t.form3d[0][3] = x;
    t.form3d[1][3] = y;
    t.form3d[2][3] = z;
    mdlTMatrix_multiply(out, in, &t);
}

void mdlTMatrix_scale(Transform *out, const Transform *in, double x, double y, double z)
{
    if (!out || !in) return;
    Transform t = Transform{{{x, 0, 0, 0}, {0, y, 0, 0}, {0, 0, z, 0}}};
    mdlTMatrix_multiply(out, in, &t);
}

int mdlTMatrix_invert(Transform *out, const Transform *t)
{
    if (!out || !t) return 1;
    const auto &m = t->form3d;
    double d = det3(m);
    if (!std::isfinite(d) || d == 0) return 1;
    Transform r;
    auto &q = r.form3d;
    q[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / d;
    q[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / d;
    q[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / d;
    q[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / d;
    q[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / d;
    q[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / d;
    q[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / d;
    q[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / d;
    q[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / d;
    for (int i = 0; i < 3; ++i)
        q[i][3] = -(q[i][0] * m[0][3] + q[i][1] * m[1][3] + q[i][2] * m[2][3]);
    *out = r;
    return 0;
}

void mdlTMatrix_transformPoint(DPoint3d *p, const Transform *t)
{
    if (p && t) apply(*t, *p);
}

void mdlTMatrix_transformPointArray(DPoint3d *pts, const Transform *t, int n)
{
    if (!pts || !t) return;
    for (int i = 0; i < n; ++i) apply(*t, pts[i]);
}

// --- vectors ----------------------------------------------------------------------

double mdlVec_distance(const DPoint3d *a, const DPoint3d *b)
{
    if (!a || !b) return 0;
    return std::sqrt((a->x - b->x) * (a->x - b->x) + (a->y - b->y) * (a->y - b->y) +
                     (a->z - b->z) * (a->z - b->z));
}

int mdlVec_colinear(const DPoint3d *a, const DPoint3d *b, const DPoint3d *c)
{
    if (!a || !b || !c) return 1;
    DPoint3d u{b->x - a->x, b->y - a->y, b->z - a->z};
    DPoint3d v{c->x - a->x, c->y - a->y, c->z - a->z};
    DPoint3d x{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    double cross = std::sqrt(x.x * x.x + x.y * x.y + x.z * x.z);
    double lu = std::sqrt(u.x * u.x + u.y * u.y + u.z * u.z);
    double lv = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    double lw = mdlVec_distance(b, c);
    double longest = std::fmax(lu, std::fmax(lv, lw));
    if (longest == 0) return 1;
    // |u x v| is twice the triangle's area; compare its height with the side.
    return cross / longest <= 1e-12 * longest ? 1 : 0;
}

} // extern "C"
