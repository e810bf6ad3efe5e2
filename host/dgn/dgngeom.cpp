// Geometry of element records: ranges, ellipse and curve evaluation, text boxes.
#include <algorithm>
#include <cmath>

#include "dgn_int.h"
#include "dgnelem_int.h"

namespace mdlhost::dgn {

bool RangeAccumulator::get(DRange3d &out) const
{
    if (!any_) return false;
    out.low = low_;
    out.high = high_;
    // An axis still at [+inf, -inf] got no number (or only that empty
    // interval): NaN, which the store and the envelopes read as no extent.
    auto settle = [](double &low, double &high) {
        if (low == kInf && high == -kInf) low = high = std::numeric_limits<double>::quiet_NaN();
    };
    settle(out.low.x, out.high.x);
    settle(out.low.y, out.high.y);
    settle(out.low.z, out.high.z);
    return true;
}

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// Is angle a (any value) within the sweep from start (signed)?
bool angleInSweep(double a, double start, double sweep)
{
    if (std::fabs(sweep) >= kTwoPi) return true;
    double d = sweep >= 0 ? a - start : start - a;
    d = std::fmod(d, kTwoPi);
    if (d < 0) d += kTwoPi;
    return d <= std::fabs(sweep);
}

void ellipseRange(const Ellipse_elm &e, RangeAccumulator &acc)
{
    acc.add(ellipsePoint(e, e.start));
    acc.add(ellipsePoint(e, e.start + e.sweep));
    // Each coordinate c(t) = o + m[i][0] a cos t + m[i][1] b sin t is extreme
    // where tan t = m[i][1] b / (m[i][0] a).
    for (int i = 0; i < 3; ++i) {
        double p = e.rotation.form3d[i][0] * e.primary;
        double q = e.rotation.form3d[i][1] * e.secondary;
        if (p == 0 && q == 0) continue;
        double t = std::atan2(q, p);
        for (double a : {t, t + kTwoPi / 2}) {
            if (angleInSweep(a, e.start, e.sweep)) acc.add(ellipsePoint(e, a));
        }
    }
}

} // namespace

DPoint3d rotate(const RotMatrix &m, const DPoint3d &p)
{
    const auto &f = m.form3d;
    return DPoint3d{f[0][0] * p.x + f[0][1] * p.y + f[0][2] * p.z,
                    f[1][0] * p.x + f[1][1] * p.y + f[1][2] * p.z,
                    f[2][0] * p.x + f[2][1] * p.y + f[2][2] * p.z};
}

bool finitePoint(const DPoint3d &p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

DPoint3d ellipsePoint(const Ellipse_elm &e, double angle)
{
    DPoint3d local{e.primary * std::cos(angle), e.secondary * std::sin(angle), 0};
    DPoint3d w = rotate(e.rotation, local);
    return DPoint3d{e.origin.x + w.x, e.origin.y + w.y, e.origin.z + w.z};
}

void strokeEllipse(const Ellipse_elm &e, int n, std::vector<DPoint3d> &out)
{
    if (n < 2) n = 2;
    for (int i = 0; i < n; ++i) out.push_back(ellipsePoint(e, e.start + e.sweep * i / (n - 1)));
}

void strokeCurve(const DPoint3d *s, int numStored, int perSpan, std::vector<DPoint3d> &out)
{
    // Stored points 0, 1, n-2 and n-1 are control points; the curve runs
    // through 2 .. n-3 as a Catmull-Rom spline, the control points giving
    // the neighbours of the end points.
    if (numStored < 6) {
        for (int i = 2; i < numStored - 2; ++i) out.push_back(s[i]);
        return;
    }
    if (perSpan < 1) perSpan = 1;
    const int first = 2, last = numStored - 3;
    out.push_back(s[first]);
    for (int i = first; i < last; ++i) {
        const DPoint3d &p0 = s[i - 1], &p1 = s[i], &p2 = s[i + 1], &p3 = s[i + 2];
        for (int k = 1; k <= perSpan; ++k) {
            if (k == perSpan) {
                out.push_back(p2);
                break;
            }
            double t = static_cast<double>(k) / perSpan, t2 = t * t, t3 = t2 * t;
            auto c = [&](double a0, double a1, double a2, double a3) {
                return 0.5 * (2 * a1 + (-a0 + a2) * t + (2 * a0 - 5 * a1 + 4 * a2 - a3) * t2 +
                              (-a0 + 3 * a1 - 3 * a2 + a3) * t3);
            };
            out.push_back(DPoint3d{c(p0.x, p1.x, p2.x, p3.x), c(p0.y, p1.y, p2.y, p3.y),
                                   c(p0.z, p1.z, p2.z, p3.z)});
        }
    }
}

void textBoxLocal(const TextAttr &a, uint32_t numChars, double &x0, double &y0, double &x1, double &y1)
{
    const double w = a.width * numChars, h = a.height;
    uint32_t j = a.justification <= 14 ? a.justification : 2;
    // Codes run in threes (top, middle, bottom) from left to right.
    uint32_t column = j / 3, row = j % 3;
    x0 = column <= 1 ? 0 : column == 2 ? -w / 2 : -w;
    y0 = row == 0 ? -h : row == 1 ? -h / 2 : 0;
    x1 = x0 + w;
    y1 = y0 + h;
}

void textBox(const Text_elm &t, DPoint3d corners[4])
{
    double x0, y0, x1, y1;
    textBoxLocal(t.attr, t.numChars, x0, y0, x1, y1);
    const DPoint3d local[4] = {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}};
    for (int i = 0; i < 4; ++i) {
        DPoint3d r = rotate(t.rotation, local[i]);
        corners[i] = DPoint3d{t.origin.x + r.x, t.origin.y + r.y, t.origin.z + r.z};
    }
}

bool elementGeometryRange(const MSElement *el, DRange3d *range)
{
    RangeAccumulator acc;
    switch (elementType(el)) {
    case LINE_ELM:
        acc.add(el->line.start);
        acc.add(el->line.end);
        break;
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case MULTILINE_ELM: {
        uint32_t n = std::min<uint32_t>(el->linear.numVerts, MAX_VERTICES);
        for (uint32_t i = 0; i < n; ++i) acc.add(el->linear.vertice[i]);
        break;
    }
    case CURVE_ELM: {
        int n = static_cast<int>(std::min<uint32_t>(el->linear.numVerts, MAX_VERTICES));
        std::vector<DPoint3d> pts;
        strokeCurve(el->linear.vertice, n, 8, pts);
        for (const DPoint3d &p : pts) acc.add(p);
        break;
    }
    case ELLIPSE_ELM:
    case ARC_ELM:
        ellipseRange(el->ellipse, acc);
        break;
    case TEXT_ELM: {
        DPoint3d c[4];
        textBox(el->text, c);
        for (const DPoint3d &p : c) acc.add(p);
        break;
    }
    case CELL_HEADER_ELM:
        acc.add(el->cell.origin);
        break;
    case TEXT_NODE_ELM:
        acc.add(el->textNode.origin);
        break;
    case SHARED_CELL_ELM: {
        // The extent of the placed definition is known only where the
        // definition is; keep what the placement stored.
        acc.add(el->sharedCell.origin);
        const DRange3d &r = el->sharedCell.dhdr.range;
        if (finitePoint(r.low) && finitePoint(r.high)) {
            acc.add(r.low);
            acc.add(r.high);
        }
        break;
    }
    case CMPLX_STRING_ELM:
    case CMPLX_SHAPE_ELM:
    case SHAREDCELL_DEF_ELM:
        break; // their geometry is their components'
    default:
        // Types whose geometry the host does not know keep the range their
        // writer stored.
        if (isGraphic(elementType(el)) && el->ehdr.attrOffset * 2u >= ELM_BODY_OFFSET) {
            acc.add(el->line.dhdr.range.low);
            acc.add(el->line.dhdr.range.high);
        }
        break;
    }
    return acc.get(*range);
}

} // namespace mdlhost::dgn
