// Element records: creation and extraction round trips through a design
// file, refusals, linkages, symbology and the current transformation.
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dgn_int.h"
#include "dgnelem_int.h"
#include "dgn_testing.h"

namespace {

using dgntest::DgnTest;
using Elem = std::unique_ptr<MSElement>;
constexpr double kPi = std::numbers::pi;

Elem newElem()
{
    return std::make_unique<MSElement>();
}

void expectPoint(const DPoint3d &a, const DPoint3d &b, double tol = 1e-9)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

void expectInRange(const DRange3d &r, const DPoint3d &p, double tol = 1e-9)
{
    EXPECT_LE(r.low.x - tol, p.x);
    EXPECT_LE(r.low.y - tol, p.y);
    EXPECT_LE(r.low.z - tol, p.z);
    EXPECT_GE(r.high.x + tol, p.x);
    EXPECT_GE(r.high.y + tol, p.y);
    EXPECT_GE(r.high.z + tol, p.z);
}

std::vector<DPoint3d> zigzag(int n, double z = 0)
{
    std::vector<DPoint3d> p;
    for (int i = 0; i < n; ++i) p.push_back(DPoint3d{i * 10.0, (i % 2) * 7.0, z + i});
    return p;
}

// --- round trips ------------------------------------------------------------------

struct RoundTrip {
    const char *name;
    int type;
    std::function<int(MSElement *)> create;
    std::function<void(const MSElement &)> check;
};

std::vector<RoundTrip> roundTrips()
{
    static const std::vector<DPoint3d> line = {{1, 2, 3}, {4, 5, 6}};
    static const std::vector<DPoint3d> many = zigzag(100, 5);
    static const std::vector<DPoint3d> open = {{0, 0, 1}, {10, 0, 1}, {10, 10, 1}, {0, 10, 1}};
    static const std::vector<DPoint3d> curve = {{0, 0, 0}, {10, 5, 1}, {20, 0, 2}, {30, 5, 3}, {40, 0, 4}};
    return {
        {"line", LINE_ELM, [](MSElement *e) { return mdlLine_create(e, nullptr, line.data()); },
         [](const MSElement &e) {
             DPoint3d p[MAX_VERTICES];
             int n = 0;
             ASSERT_EQ(mdlLinear_extract(p, &n, &e, 0), 0);
             ASSERT_EQ(n, 2);
             expectPoint(p[0], line[0]);
             expectPoint(p[1], line[1]);
         }},
        {"line string", LINE_STRING_ELM,
         [](MSElement *e) { return mdlLineString_create(e, nullptr, many.data(), int(many.size())); },
         [](const MSElement &e) {
             std::vector<DPoint3d> p(MAX_VERTICES);
             int n = 0;
             ASSERT_EQ(mdlLinear_extract(p.data(), &n, &e, 0), 0);
             ASSERT_EQ(n, 100);
             for (int i = 0; i < n; ++i) expectPoint(p[i], many[i]);
             EXPECT_EQ(mdlLinear_getPointCount(&e), 100);
         }},
        {"shape closes and fills", SHAPE_ELM,
         [](MSElement *e) {
             int rc = mdlShape_create(e, nullptr, open.data(), 4, 1);
             uint32_t red = 3;
             if (rc == 0) rc = mdlElement_setSymbology(e, &red, nullptr, nullptr);
             if (rc == 0) rc = mdlElement_setFillColor(e, red);
             return rc;
         },
         [](const MSElement &e) {
             DPoint3d p[MAX_VERTICES];
             int n = 0;
             ASSERT_EQ(mdlLinear_extract(p, &n, &e, 0), 0);
             ASSERT_EQ(n, 5);
             expectPoint(p[4], open[0]);
             uint32_t fill = 0;
             EXPECT_TRUE(mdlElement_isFilled(&e, &fill));
             EXPECT_EQ(fill, 3u);
         }},
        {"curve keeps control points", CURVE_ELM,
         [](MSElement *e) { return mdlCurve_create(e, nullptr, curve.data(), int(curve.size())); },
         [](const MSElement &e) {
             DPoint3d p[MAX_VERTICES];
             int n = 0;
             ASSERT_EQ(mdlLinear_extract(p, &n, &e, 0), 0);
             ASSERT_EQ(n, 9);
             for (int i = 0; i < 5; ++i) expectPoint(p[i + 2], curve[i]);
             expectPoint(p[0], curve[0]);
             expectPoint(p[1], curve[0]);
             expectPoint(p[7], curve[4]);
             expectPoint(p[8], curve[4]);
         }},
        {"arc by points", ARC_ELM,
         [](MSElement *e) {
             DPoint3d s{110, 100, 7}, m{100, 110, 7}, f{90, 100, 7};
             return mdlArc_createByPoints(e, nullptr, &s, &m, &f);
         },
         [](const MSElement &e) {
             DPoint3d ends[2], c;
             double start, sweep, a1, a2;
             ASSERT_EQ(mdlArc_extract(ends, &start, &sweep, &a1, &a2, nullptr, &c, &e), 0);
             expectPoint(c, DPoint3d{100, 100, 7});
             EXPECT_NEAR(a1, 10, 1e-9);
             EXPECT_NEAR(a2, 10, 1e-9);
             EXPECT_NEAR(sweep, kPi, 1e-9);
             expectPoint(ends[0], DPoint3d{110, 100, 7});
             expectPoint(ends[1], DPoint3d{90, 100, 7});
             expectInRange(e.line.dhdr.range, DPoint3d{100, 110, 7});
             EXPECT_NEAR(e.line.dhdr.range.low.y, 100, 1e-9); // the lower half is not swept
         }},
        {"circle by three points", ELLIPSE_ELM,
         [](MSElement *e) {
             DPoint3d p[3] = {{5, 0, 0}, {0, 5, 0}, {-5, 0, 0}};
             return mdlCircle_createBy3Pts(e, nullptr, p);
         },
         [](const MSElement &e) {
             double sweep, a1;
             DPoint3d c;
             ASSERT_EQ(mdlArc_extract(nullptr, nullptr, &sweep, &a1, nullptr, nullptr, &c, &e), 0);
             EXPECT_NEAR(sweep, 2 * kPi, 1e-12);
             EXPECT_NEAR(a1, 5, 1e-9);
             expectPoint(c, DPoint3d{0, 0, 0});
             expectPoint(e.line.dhdr.range.low, DPoint3d{-5, -5, 0});
             expectPoint(e.line.dhdr.range.high, DPoint3d{5, 5, 0});
         }},
        {"rotated ellipse", ELLIPSE_ELM,
         [](MSElement *e) {
             DPoint3d c{50, 60, 2};
             RotMatrix r;
             mdlRMatrix_fromAngle(&r, kPi / 6);
             return mdlEllipse_create(e, nullptr, &c, 5, 3, &r, 0);
         },
         [](const MSElement &e) {
             double a1, a2;
             RotMatrix r;
             ASSERT_EQ(mdlArc_extract(nullptr, nullptr, nullptr, &a1, &a2, &r, nullptr, &e), 0);
             EXPECT_NEAR(a1, 5, 1e-12);
             EXPECT_NEAR(a2, 3, 1e-12);
             EXPECT_NEAR(mdlRMatrix_toAngle(&r), kPi / 6, 1e-12);
             EXPECT_FALSE(mdlElement_isFilled(&e, nullptr));
         }},
        {"arc by centre, axes and sweep", ARC_ELM,
         [](MSElement *e) {
             DPoint3d c{0, 0, 0};
             return mdlArc_create(e, nullptr, &c, 4, 4, nullptr, kPi / 4, -kPi / 2);
         },
         [](const MSElement &e) {
             double start, sweep;
             DPoint3d ends[2];
             ASSERT_EQ(mdlArc_extract(ends, &start, &sweep, nullptr, nullptr, nullptr, nullptr, &e), 0);
             EXPECT_NEAR(start, kPi / 4, 1e-12);
             EXPECT_NEAR(sweep, -kPi / 2, 1e-12);
             expectPoint(ends[1], DPoint3d{4 * std::cos(-kPi / 4), 4 * std::sin(-kPi / 4), 0});
             EXPECT_NEAR(e.line.dhdr.range.high.x, 4, 1e-9); // the sweep passes angle 0
         }},
        {"text with Norwegian letters", TEXT_ELM,
         [](MSElement *e) {
             DPoint3d o{100, 200, 3};
             RotMatrix r;
             mdlRMatrix_fromAngle(&r, 0.5);
             TextSizeParam size{2.0, 3.0};
             TextParam tp{105, 2, 1.0, 1, {-1, -1}};
             return mdlText_create(e, nullptr, "Bj\xF8rn\xF8ya \xC6\xD8\xC5 \xE6\xF8\xE5", &o, &r, &size, &tp);
         },
         [](const MSElement &e) {
             char s[64];
             DPoint3d o;
             RotMatrix r;
             TextParamWide tp;
             TextSizeParam extent;
             ASSERT_EQ(mdlText_extract(s, sizeof s, &o, &r, &tp, &extent, &e), 0);
             EXPECT_STREQ(s, "Bj\xF8rn\xF8ya \xC6\xD8\xC5 \xE6\xF8\xE5");
             expectPoint(o, DPoint3d{100, 200, 3});
             EXPECT_NEAR(mdlRMatrix_toAngle(&r), 0.5, 1e-12);
             EXPECT_EQ(tp.font, 105);
             EXPECT_EQ(tp.justification, 2);
             EXPECT_DOUBLE_EQ(tp.size.width, 2.0);
             EXPECT_DOUBLE_EQ(tp.size.height, 3.0);
             EXPECT_DOUBLE_EQ(extent.width, 2.0 * 16);
             char16_t w[64];
             ASSERT_EQ(mdlText_extractWide(w, 64, nullptr, nullptr, nullptr, nullptr, &e), 0);
             EXPECT_EQ(w[2], u'\u00F8');
             EXPECT_EQ(w[9], u'\u00C6');
         }},
        {"cell header", CELL_HEADER_ELM,
         [](MSElement *e) {
             DPoint3d o{7, 8, 9};
             return mdlCell_create(e, u"Kryss \u00C6", &o, 0);
         },
         [](const MSElement &e) {
             EXPECT_EQ(std::u16string(e.cell.name), u"Kryss \u00C6");
             expectPoint(e.cell.origin, DPoint3d{7, 8, 9});
             EXPECT_EQ(e.cell.flags & CELL_FLAG_POINT, 0u);
             EXPECT_EQ(e.cell.numComponents, 0u);
         }},
    };
}

TEST_F(DgnTest, EveryTypeRoundTripsThroughTheFile)
{
    make3d();
    for (const RoundTrip &c : roundTrips()) {
        SCOPED_TRACE(c.name);
        Elem e = newElem(), back = newElem();
        ASSERT_EQ(c.create(e.get()), 0);
        ASSERT_EQ(mdlhost::dgn::validateElement(e.get()), 0);
        EXPECT_EQ(mdlElement_getType(e.get()), c.type);
        c.check(*e);
        uint32_t pos = mdlElement_add(e.get());
        ASSERT_NE(pos, 0u) << mdlErrno;
        ASSERT_EQ(mdlElement_read(back.get(), mdlModelRef_getActive(), pos), 0);
        EXPECT_EQ(mdlElement_size(back.get()), mdlElement_size(e.get()));
        EXPECT_TRUE(back->ehdr.properties & ELM_PROP_3D);
        c.check(*back);
    }
}

TEST_F(DgnTest, ATwoDimensionalDesignDropsHeights)
{
    Elem e = newElem();
    DPoint3d p[2] = {{1, 2, 3}, {4, 5, 6}};
    ASSERT_EQ(mdlLine_create(e.get(), nullptr, p), 0);
    EXPECT_EQ(e->line.start.z, 0);
    EXPECT_EQ(e->line.end.z, 0);
    EXPECT_FALSE(e->ehdr.properties & ELM_PROP_3D);
}

TEST_F(DgnTest, ComplexHeadersFollowTheClosedFlag)
{
    Elem e = newElem();
    ASSERT_EQ(mdlComplexChain_createHeader(e.get(), 0, 1), 0);
    EXPECT_EQ(mdlElement_getType(e.get()), CMPLX_STRING_ELM);
    EXPECT_FALSE(mdlElement_isFilled(e.get(), nullptr));
    ASSERT_EQ(mdlComplexChain_createHeader(e.get(), 1, 1), 0);
    EXPECT_EQ(mdlElement_getType(e.get()), CMPLX_SHAPE_ELM);
    EXPECT_TRUE(mdlElement_isFilled(e.get(), nullptr));
    EXPECT_EQ(e->complexHdr.totalWords, e->ehdr.elementSize);
}

// --- refusals -------------------------------------------------------------------------

TEST_F(DgnTest, BadArgumentsAreRefusedAndLeaveTheBufferAlone)
{
    const double nan = std::nan(""), inf = INFINITY;
    std::vector<DPoint3d> pts = zigzag(MAX_VERTICES + 1);
    std::string longText(MDLHOST_MAX_TEXT + 1, 'x');
    std::u16string longName(MDLHOST_MAX_CELLNAME + 1, u'c');
    TextSizeParam size{1, 1}, flat{1, 0};
    TextParam badJust{0, 15, 1, 1, {-1, -1}};
    DPoint3d a{0, 0, 0}, b{1, 1, 0}, c{2, 2, 0}, bad{nan, 0, 0}, far{inf, 0, 0};
    const struct {
        const char *name;
        std::function<int(MSElement *)> create;
    } cases[] = {
        {"line with NaN", [&](MSElement *e) { DPoint3d p[2] = {a, bad}; return mdlLine_create(e, nullptr, p); }},
        {"line string with inf",
         [&](MSElement *e) { DPoint3d p[3] = {a, b, far}; return mdlLineString_create(e, nullptr, p, 3); }},
        {"line string of 1 point", [&](MSElement *e) { return mdlLineString_create(e, nullptr, pts.data(), 1); }},
        {"line string of 5001 points",
         [&](MSElement *e) { return mdlLineString_create(e, nullptr, pts.data(), MAX_VERTICES + 1); }},
        {"shape of 2 points", [&](MSElement *e) { return mdlShape_create(e, nullptr, pts.data(), 2, 0); }},
        {"open shape of 5000 points",
         [&](MSElement *e) { return mdlShape_create(e, nullptr, pts.data(), MAX_VERTICES, 0); }},
        {"curve of 1 point", [&](MSElement *e) { return mdlCurve_create(e, nullptr, pts.data(), 1); }},
        {"curve of 4997 points",
         [&](MSElement *e) { return mdlCurve_create(e, nullptr, pts.data(), MAX_CURVE_POINTS + 1); }},
        {"arc through colinear points",
         [&](MSElement *e) { return mdlArc_createByPoints(e, nullptr, &a, &b, &c); }},
        {"arc through a repeated point",
         [&](MSElement *e) { return mdlArc_createByPoints(e, nullptr, &a, &b, &a); }},
        {"circle through colinear points",
         [&](MSElement *e) { DPoint3d p[3] = {a, b, c}; return mdlCircle_createBy3Pts(e, nullptr, p); }},
        {"arc with start on the centre",
         [&](MSElement *e) { return mdlArc_createByCenter(e, nullptr, &a, &a, &b, 1, 1.0); }},
        {"arc with a NaN radius",
         [&](MSElement *e) { return mdlArc_createByCenter(e, nullptr, &b, &a, &c, 1, nan); }},
        {"ellipse with a zero axis",
         [&](MSElement *e) { return mdlEllipse_create(e, nullptr, &a, 0, 1, nullptr, 0); }},
        {"ellipse with a NaN axis",
         [&](MSElement *e) { return mdlEllipse_create(e, nullptr, &a, nan, 1, nullptr, 0); }},
        {"arc with zero sweep", [&](MSElement *e) { return mdlArc_create(e, nullptr, &a, 1, 1, nullptr, 0, 0); }},
        {"arc sweeping past a full turn",
         [&](MSElement *e) { return mdlArc_create(e, nullptr, &a, 1, 1, nullptr, 0, 7); }},
        {"empty text",
         [&](MSElement *e) { return mdlText_create(e, nullptr, "", &a, nullptr, &size, nullptr); }},
        {"text too long",
         [&](MSElement *e) { return mdlText_create(e, nullptr, longText.c_str(), &a, nullptr, &size, nullptr); }},
        {"text without height",
         [&](MSElement *e) { return mdlText_create(e, nullptr, "abc", &a, nullptr, &flat, nullptr); }},
        {"text with an unknown justification",
         [&](MSElement *e) { return mdlText_create(e, nullptr, "abc", &a, nullptr, &size, &badJust); }},
        {"text at a NaN origin",
         [&](MSElement *e) { return mdlText_create(e, nullptr, "abc", &bad, nullptr, &size, nullptr); }},
        {"cell name too long", [&](MSElement *e) { return mdlCell_create(e, longName.c_str(), &a, 0); }},
    };
    Elem e = newElem(), before = newElem();
    std::memset(e.get(), 0xA5, sizeof(MSElement));
    std::memcpy(before.get(), e.get(), sizeof(MSElement));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        mdlErrno = 0;
        EXPECT_NE(c.create(e.get()), 0);
        EXPECT_EQ(mdlErrno, DGNERR_BADELEMENT);
        EXPECT_EQ(std::memcmp(e.get(), before.get(), sizeof(MSElement)), 0);
    }
    // The next call that works clears the error.
    DPoint3d p[2] = {a, b};
    EXPECT_EQ(mdlLine_create(e.get(), nullptr, p), 0);
    EXPECT_EQ(mdlErrno, 0);
}

TEST_F(DgnTest, CountsAtTheirLimitsAreAccepted)
{
    std::vector<DPoint3d> pts = zigzag(MAX_VERTICES);
    Elem e = newElem();
    ASSERT_EQ(mdlLineString_create(e.get(), nullptr, pts.data(), MAX_VERTICES), 0);
    ASSERT_EQ(mdlCurve_create(e.get(), nullptr, pts.data(), MAX_CURVE_POINTS), 0);
    EXPECT_EQ(mdlLinear_getPointCount(e.get()), MAX_VERTICES);
    ASSERT_EQ(mdlShape_create(e.get(), nullptr, pts.data(), MAX_VERTICES - 1, 0), 0);
    EXPECT_EQ(mdlLinear_getPointCount(e.get()), MAX_VERTICES);
    EXPECT_NE(mdlElement_add(e.get()), 0u);
}

// --- curves and arcs ------------------------------------------------------------------

TEST_F(DgnTest, CurvePassesThroughItsPointsAndItsRangeHoldsTheBulge)
{
    DPoint3d p[4] = {{0, 0, 0}, {10, 10, 0}, {20, 10, 0}, {30, 0, 0}};
    Elem e = newElem();
    ASSERT_EQ(mdlCurve_create(e.get(), nullptr, p, 4), 0);
    std::vector<DPoint3d> stroke;
    mdlhost::dgn::strokeCurve(e->linear.vertice, int(e->linear.numVerts), 8, stroke);
    ASSERT_EQ(stroke.size(), 3u * 8 + 1);
    for (int i = 0; i < 4; ++i) expectPoint(stroke[size_t(i) * 8], p[i]);
    // The spline overshoots the given points between them.
    double top = 0;
    for (const DPoint3d &q : stroke) top = std::max(top, q.y);
    EXPECT_GT(top, 10);
    EXPECT_DOUBLE_EQ(e->line.dhdr.range.high.y, top);
    DPoint3d a, b;
    MSElementDescr *d = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&d, nullptr, e.get()), 0);
    ASSERT_EQ(mdlElmdscr_extractEndPoints(&a, &b, d, 0), 0);
    expectPoint(a, p[0]);
    expectPoint(b, p[3]);
    mdlElmdscr_freeAll(&d);
}

// The export derives the radius sign from the sweep (2D) or from the sweep
// and the rotation's z-z component (3D); the import swaps the end points for
// a negative radius.  Both rely on these turning senses.
TEST_F(DgnTest, ArcTurningSenseIsInTheSweepSign)
{
    make3d();
    const struct {
        const char *name;
        DPoint3d s, m, e;
        double sweep;
    } byPoints[] = {
        {"counter-clockwise quarter", {10, 0, 0}, {7.0710678118654755, 7.0710678118654755, 0}, {0, 10, 0}, kPi / 2},
        {"clockwise quarter", {0, 10, 0}, {7.0710678118654755, 7.0710678118654755, 0}, {10, 0, 0}, -kPi / 2},
        {"clockwise three quarters", {10, 0, 0}, {-10, 0, 0}, {0, 10, 0}, -3 * kPi / 2},
        // Centre (0, 1, 0.5): the arc through the raised point is the long one.
        {"tilted plane keeps an upward normal", {10, 0, 0}, {0, 10, 5}, {-10, 0, 0},
         2 * std::acos(-11.25 / 101.25)},
    };
    Elem el = newElem();
    for (const auto &c : byPoints) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(mdlArc_createByPoints(el.get(), nullptr, &c.s, &c.m, &c.e), 0);
        double sweep;
        RotMatrix r;
        DPoint3d ends[2];
        ASSERT_EQ(mdlArc_extract(ends, nullptr, &sweep, nullptr, nullptr, &r, nullptr, el.get()), 0);
        EXPECT_NEAR(sweep, c.sweep, 1e-9);
        EXPECT_GE(r.form3d[2][2], 0);
        expectPoint(ends[0], c.s, 1e-9);
        expectPoint(ends[1], c.e, 1e-9);
    }
    const struct {
        int ccw;
        double sweep;
    } byCenter[] = {{1, kPi / 2}, {0, -3 * kPi / 2}};
    DPoint3d s{10, 0, 0}, c{0, 0, 0}, e{0, 10, 0};
    for (const auto &k : byCenter) {
        ASSERT_EQ(mdlArc_createByCenter(el.get(), nullptr, &s, &c, &e, k.ccw, 10.0), 0);
        double sweep, axis;
        ASSERT_EQ(mdlArc_extract(nullptr, nullptr, &sweep, &axis, nullptr, nullptr, nullptr, el.get()), 0);
        EXPECT_NEAR(sweep, k.sweep, 1e-12);
        EXPECT_NEAR(axis, 10, 1e-12);
    }
}

// --- texts ------------------------------------------------------------------------------

TEST_F(DgnTest, TextBoxFollowsTheJustification)
{
    const struct {
        int just;
        double x0, y0; // lower left corner relative to the origin
    } cases[] = {{0, 0, -2}, {2, 0, 0}, {7, -3, -1}, {12, -6, -2}, {14, -6, 0}};
    TextParamWide p{};
    p.size = {2, 2};
    Elem e = newElem();
    DPoint3d o{100, 100, 0};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.just);
        p.justification = c.just;
        ASSERT_EQ(mdlText_createWide(e.get(), nullptr, u"abc", &o, nullptr, 0, &p), 0);
        DPoint3d box[4];
        ASSERT_EQ(mdlText_extractShape(box, e.get()), 0);
        expectPoint(box[0], DPoint3d{100 + c.x0, 100 + c.y0, 0});
        expectPoint(box[2], DPoint3d{100 + c.x0 + 6, 100 + c.y0 + 2, 0});
        expectPoint(e->line.dhdr.range.low, box[0]);
    }
}

TEST_F(DgnTest, TextNodeHoldsOneTextPerLine)
{
    const char16_t *lines[] = {u"F\u00F8rste", u"", u"Tredje"};
    TextParamWide p{};
    p.size = {1, 2};
    p.lineSpacing = 1;
    p.justification = 2;
    DPoint3d o{10, 20, 0};
    MSElementDescr *d = nullptr;
    ASSERT_EQ(mdlTextNode_createWithStrings(&d, nullptr, lines, 3, &o, nullptr, &p, 0), 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(mdlElement_getType(&d->el), TEXT_NODE_ELM);
    EXPECT_EQ(d->el.textNode.numComponents, 2u);
    ASSERT_NE(d->h.firstElem, nullptr);
    ASSERT_NE(d->h.firstElem->h.next, nullptr);
    DPoint3d first, third, nodeOrigin;
    ASSERT_EQ(mdlText_extract(nullptr, 0, &first, nullptr, nullptr, nullptr, &d->h.firstElem->el), 0);
    ASSERT_EQ(mdlText_extract(nullptr, 0, &third, nullptr, nullptr, nullptr, &d->h.firstElem->h.next->el), 0);
    ASSERT_EQ(mdlTextNode_extract(&nodeOrigin, nullptr, nullptr, &d->el), 0);
    expectPoint(first, o);
    expectPoint(nodeOrigin, o);
    expectPoint(third, DPoint3d{10, 20 - 2 * 3, 0}); // the empty line keeps its place
    EXPECT_TRUE(d->h.firstElem->el.ehdr.type & ELM_COMPLEX_BIT);
    expectInRange(d->el.line.dhdr.range, DPoint3d{10 + 6 * 1, 20 - 6 + 2, 0});
    uint32_t pos = mdlElmdscr_add(d);
    EXPECT_NE(pos, 0u);
    mdlElmdscr_freeAll(&d);

    const char16_t *none[] = {u"", nullptr};
    EXPECT_NE(mdlTextNode_createWithStrings(&d, nullptr, none, 2, &o, nullptr, &p, 0), 0);
    EXPECT_EQ(d, nullptr);
}

// --- the current transformation --------------------------------------------------------

TEST_F(DgnTest, MasterUnitsIdentityScalesPointsAndLengths)
{
    Elem e = newElem();
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    DPoint3d p[2] = {{1.5, 2, 0}, {3, 4, 0}};
    ASSERT_EQ(mdlLine_create(e.get(), nullptr, p), 0);
    EXPECT_DOUBLE_EQ(e->line.start.x, 1500);
    EXPECT_DOUBLE_EQ(e->line.end.y, 4000);
    DPoint3d c{10, 10, 0};
    Elem circle = newElem();
    ASSERT_EQ(mdlEllipse_create(circle.get(), nullptr, &c, 2, 2, nullptr, 0), 0);
    EXPECT_DOUBLE_EQ(circle->ellipse.primary, 2000);

    // A nested identity sees UOR and ends where it began.
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    DPoint3d out[MAX_VERTICES];
    int n;
    ASSERT_EQ(mdlLinear_extract(out, &n, e.get(), 0), 0);
    EXPECT_DOUBLE_EQ(out[0].x, 1500);
    mdlCurrTrans_end();

    ASSERT_EQ(mdlLinear_extract(out, &n, e.get(), 0), 0);
    EXPECT_DOUBLE_EQ(out[0].x, 1.5);
    double axis;
    ASSERT_EQ(mdlArc_extract(nullptr, nullptr, nullptr, &axis, nullptr, nullptr, nullptr, circle.get()), 0);
    EXPECT_DOUBLE_EQ(axis, 2);
    DPoint3d q{2, 3, 0}, r;
    mdlCurrTrans_transformPointArray(&r, &q, 1);
    expectPoint(r, DPoint3d{2000, 3000, 0});
    mdlCurrTrans_invtransPointArray(&r, &r, 1);
    expectPoint(r, q);
    EXPECT_DOUBLE_EQ(mdlhost::dgn::lengthToUor(0.5), 500);
    EXPECT_DOUBLE_EQ(mdlhost::dgn::lengthFromUor(500), 0.5);
    mdlCurrTrans_end();

    mdlCurrTrans_transformPointArray(&r, &q, 1);
    expectPoint(r, q);
    mdlCurrTrans_end(); // an unmatched end keeps the identity
    mdlCurrTrans_transformPointArray(&r, &q, 1);
    expectPoint(r, q);
}

TEST_F(DgnTest, PushedTranslationAndRotationCompose)
{
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    DPoint3d origin{100, 0, 0};
    mdlCurrTrans_translateOrigin(&origin);
    RotMatrix quarter;
    mdlRMatrix_fromAngle(&quarter, kPi / 2);
    mdlCurrTrans_rotateByRMatrix(&quarter);
    DPoint3d p{1, 0, 0}, r;
    mdlCurrTrans_transformPointArray(&r, &p, 1);
    expectPoint(r, DPoint3d{100, 1, 0}, 1e-12);
    mdlCurrTrans_invtransPointArray(&r, &r, 1);
    expectPoint(r, p, 1e-12);

    // A text drawn along the current x axis lies along the turned one.
    Elem text = newElem();
    TextSizeParam size{1, 1};
    ASSERT_EQ(mdlText_create(text.get(), nullptr, "ab", &p, nullptr, &size, nullptr), 0);
    EXPECT_NEAR(mdlRMatrix_toAngle(&text->text.rotation), kPi / 2, 1e-12);
    expectPoint(text->text.origin, DPoint3d{100, 1, 0}, 1e-12);
    RotMatrix back;
    DPoint3d origin2;
    ASSERT_EQ(mdlText_extract(nullptr, 0, &origin2, &back, nullptr, nullptr, text.get()), 0);
    EXPECT_NEAR(mdlRMatrix_toAngle(&back), 0, 1e-12);
    expectPoint(origin2, p, 1e-12);

    // Scales compose too; lengths follow the plane of x and y even when a
    // matrix leaves z alone.
    mdlCurrTrans_identity();
    mdlCurrTrans_scale(2);
    RotMatrix flat = {{{3, 0, 0}, {0, 3, 0}, {0, 0, 1}}};
    mdlCurrTrans_rotateByRMatrix(&flat);
    mdlCurrTrans_transformPointArray(&r, &p, 1);
    expectPoint(r, DPoint3d{6, 0, 0}, 1e-12);
    EXPECT_DOUBLE_EQ(mdlhost::dgn::lengthToUor(1.5), 9);
    Elem e = newElem();
    DPoint3d c{0, 0, 0};
    ASSERT_EQ(mdlEllipse_create(e.get(), nullptr, &c, 1, 1, nullptr, 0), 0);
    EXPECT_DOUBLE_EQ(e->ellipse.primary, 6);
    mdlCurrTrans_end();
}

TEST(DgnMaths, RotationsTransformsAndVectors)
{
    RotMatrix a, b, ab, inv, id;
    mdlRMatrix_fromAngle(&a, 0.3);
    mdlRMatrix_fromAngle(&b, 0.4);
    mdlRMatrix_multiply(&ab, &a, &b);
    EXPECT_NEAR(mdlRMatrix_toAngle(&ab), 0.7, 1e-12);
    ASSERT_EQ(mdlRMatrix_invert(&inv, &ab), 0);
    EXPECT_NEAR(mdlRMatrix_toAngle(&inv), -0.7, 1e-12);
    RotMatrix singular{};
    EXPECT_NE(mdlRMatrix_invert(&inv, &singular), 0);
    mdlRMatrix_getIdentity(&id);
    DPoint3d p{1, 0, 5};
    mdlRMatrix_rotatePoint(&p, &a);
    expectPoint(p, DPoint3d{std::cos(0.3), std::sin(0.3), 5}, 1e-12);

    Transform t, ti, both;
    DPoint3d move{10, 20, 30};
    mdlTMatrix_fromRMatrix(&t, &a, &move);
    mdlTMatrix_scale(&t, &t, 2, 2, 2);
    ASSERT_EQ(mdlTMatrix_invert(&ti, &t), 0);
    mdlTMatrix_multiply(&both, &ti, &t);
    DPoint3d q{3, -4, 5}, q0 = q;
    mdlTMatrix_transformPoint(&q, &both);
    expectPoint(q, q0, 1e-12);

    DPoint3d u{0, 0, 0}, v{3, 4, 0}, w{6, 8, 0}, x{6, 8.001, 0};
    EXPECT_DOUBLE_EQ(mdlVec_distance(&u, &v), 5);
    EXPECT_TRUE(mdlVec_colinear(&u, &v, &w));
    EXPECT_FALSE(mdlVec_colinear(&u, &v, &x));
    EXPECT_TRUE(mdlVec_colinear(&u, &u, &u));
}

// --- symbology and properties ----------------------------------------------------------

TEST_F(DgnTest, EffectiveSymbologyResolvesByLevel)
{
    DgnModelRefP model = mdlModelRef_getActive();
    uint32_t level = 0;
    ASSERT_EQ(mdlLevel_create(model, u"3001", &level), 0);
    ASSERT_EQ(mdlLevel_setElementColor(model, level, 5), 0);
    ASSERT_EQ(mdlLevel_setElementWeight(model, level, 2), 0);
    ASSERT_EQ(mdlLevel_setElementStyle(model, level, 3), 0);
    Elem e = newElem();
    DPoint3d p[2] = {{0, 0, 0}, {1, 1, 0}};
    ASSERT_EQ(mdlLine_create(e.get(), nullptr, p), 0);
    ASSERT_EQ(mdlElement_setProperties(e.get(), &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              0);
    const struct {
        uint32_t c, w;
        int32_t s;
        uint32_t ec, ew;
        int32_t es;
    } cases[] = {
        {COLOR_BYLEVEL, WEIGHT_BYLEVEL, STYLE_BYLEVEL, 5, 2, 3},
        {7, WEIGHT_BYLEVEL, 1, 7, 2, 1},
        {COLOR_BYLEVEL, 4, STYLE_BYLEVEL, 5, 4, 3},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(mdlElement_setSymbology(e.get(), &c.c, &c.w, &c.s), 0);
        uint32_t color, weight;
        int32_t style;
        ASSERT_EQ(mdlElement_getSymbology(&color, &weight, &style, e.get()), 0);
        EXPECT_EQ(color, c.c);
        ASSERT_EQ(mdlElement_getEffectiveSymbology(&color, &weight, &style, e.get(), model), 0);
        EXPECT_EQ(color, c.ec);
        EXPECT_EQ(weight, c.ew);
        EXPECT_EQ(style, c.es);
    }
    // A level the file does not know resolves to 0.
    uint32_t unknown = 999;
    ASSERT_EQ(mdlElement_setProperties(e.get(), &unknown, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr),
              0);
    uint32_t color = 1;
    ASSERT_EQ(mdlElement_getEffectiveSymbology(&color, nullptr, nullptr, e.get(), model), 0);
    EXPECT_EQ(color, 0u);
}

TEST_F(DgnTest, PropertiesAreSetAndReadOneByOne)
{
    Elem e = newElem();
    DPoint3d p[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}};
    ASSERT_EQ(mdlShape_create(e.get(), nullptr, p, 4, 0), 0);
    uint32_t level = 12, group = 0xFFFF0001u, cls = 3;
    int on = 1, off = 0;
    ASSERT_EQ(mdlElement_setProperties(e.get(), &level, &group, &cls, &on, &off, &on, &on, &on), 0);
    uint32_t l, g, c;
    int locked, isNew, modified, vi, hole;
    ASSERT_EQ(mdlElement_getProperties(&l, &g, &c, &locked, &isNew, &modified, &vi, &hole, e.get()), 0);
    EXPECT_EQ(l, 12u);
    EXPECT_EQ(g, 0xFFFF0001u); // graphic groups are 32-bit
    EXPECT_EQ(c, 3u);
    EXPECT_EQ(locked, 1);
    EXPECT_EQ(isNew, 0);
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(vi, 1);
    EXPECT_EQ(hole, 1);
    ASSERT_EQ(mdlElement_setProperties(e.get(), nullptr, nullptr, nullptr, &off, nullptr, nullptr, nullptr, &off), 0);
    ASSERT_EQ(mdlElement_getProperties(&l, &g, nullptr, &locked, nullptr, nullptr, nullptr, &hole, e.get()), 0);
    EXPECT_EQ(l, 12u);
    EXPECT_EQ(locked, 0);
    EXPECT_EQ(hole, 0);
    uint32_t tooBig = 16;
    EXPECT_NE(mdlElement_setProperties(e.get(), nullptr, nullptr, &tooBig, nullptr, nullptr, nullptr, nullptr, nullptr),
              0);
}

TEST_F(DgnTest, TemplateGivesSymbologyAndLinkagesEvenWhenItIsTheTarget)
{
    Elem e = newElem();
    std::vector<DPoint3d> p = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 0.001, 0}};
    ASSERT_EQ(mdlLineString_create(e.get(), nullptr, p.data(), 4), 0);
    uint32_t color = 4, weight = 2, level = 9, group = 77;
    int32_t style = 1;
    ASSERT_EQ(mdlElement_setSymbology(e.get(), &color, &weight, &style), 0);
    ASSERT_EQ(mdlElement_setProperties(e.get(), &level, &group, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              0);
    LinkageHeader h{0, 0};
    ASSERT_EQ(mdlLinkage_setWords(&h, 4), 0);
    uint16_t serial[2] = {1234, 0};
    ASSERT_EQ(mdlLinkage_appendToElement(e.get(), &h, serial), 0);
    p.back() = p.front();
    // The shape is built into the line string's own buffer.
    ASSERT_EQ(mdlShape_create(e.get(), e.get(), p.data(), 4, -1), 0);
    EXPECT_EQ(mdlElement_getType(e.get()), SHAPE_ELM);
    uint32_t c, w, l, g;
    int32_t s;
    ASSERT_EQ(mdlElement_getSymbology(&c, &w, &s, e.get()), 0);
    EXPECT_EQ(c, 4u);
    EXPECT_EQ(w, 2u);
    EXPECT_EQ(s, 1);
    ASSERT_EQ(mdlElement_getProperties(&l, &g, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, e.get()), 0);
    EXPECT_EQ(l, 9u);
    EXPECT_EQ(g, 77u);
    EXPECT_FALSE(mdlElement_isFilled(e.get(), nullptr));
    const uint16_t *link = nullptr;
    int words = 0;
    ASSERT_EQ(mdlLinkage_findByID(&link, &words, e.get(), 0, 0), 0);
    EXPECT_EQ(words, 4);
    EXPECT_EQ(link[2], 1234);
    EXPECT_EQ(mdlLinear_getPointCount(e.get()), 4);
}

TEST_F(DgnTest, FillBelongsToClosedElements)
{
    Elem e = newElem();
    DPoint3d p[2] = {{0, 0, 0}, {1, 1, 0}};
    ASSERT_EQ(mdlLine_create(e.get(), nullptr, p), 0);
    EXPECT_NE(mdlElement_setFillColor(e.get(), 3), 0);
    EXPECT_FALSE(mdlElement_isFilled(e.get(), nullptr));
    DPoint3d c{0, 0, 0};
    ASSERT_EQ(mdlEllipse_create(e.get(), nullptr, &c, 1, 1, nullptr, 1), 0);
    EXPECT_TRUE(mdlElement_isFilled(e.get(), nullptr));
}

// --- linkages --------------------------------------------------------------------

TEST(DgnLinkage, WordCountsAndTheirEncoding)
{
    const struct {
        int words;
        bool ok;
        uint16_t bits; // length field and long flag
    } cases[] = {
        {1, false, 0},
        {2, true, 1},
        {4, true, 3},
        {12, true, 11},
        {2048, true, 0x7FF},
        {2049, false, 0},
        {2052, true, LINKAGE_LONG | 512},
        {4100, true, LINKAGE_LONG | 1024},
        {8192, true, LINKAGE_LONG | 2047},
        {8196, false, 0},
        {4101, false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.words);
        LinkageHeader h{LINKAGE_USER, 20275};
        EXPECT_EQ(mdlLinkage_setWords(&h, c.words) == 0, c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(h.hdr & (LINKAGE_LENGTH_MASK | LINKAGE_LONG), c.bits);
        EXPECT_TRUE(h.hdr & LINKAGE_USER);
        EXPECT_EQ(mdlLinkage_getWords(&h), c.words);
    }
}

// The user-data linkage: header, id, type, value, then the data padded to
// ((bytes + 1) / 2 + 7) / 4 * 4 words.
std::vector<uint16_t> userData(int16_t type, int16_t value, const std::vector<uint8_t> &data, LinkageHeader &h)
{
    int words = (int(data.size() + 1) / 2 + 7) / 4 * 4;
    h = LinkageHeader{LINKAGE_USER, 20275};
    EXPECT_EQ(mdlLinkage_setWords(&h, words), 0);
    std::vector<uint16_t> body(size_t(words - 2), 0);
    std::memcpy(&body[0], &type, 2);
    std::memcpy(&body[1], &value, 2);
    std::memcpy(&body[2], data.data(), data.size());
    return body;
}

TEST_F(DgnTest, LargestUserDataLinkageSurvivesTheFile)
{
    std::vector<uint8_t> data(8188);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7 + 1);
    LinkageHeader h;
    std::vector<uint16_t> body = userData(6, -2, data, h);
    EXPECT_EQ(mdlLinkage_getWords(&h), 4100);
    Elem e = newElem(), back = newElem();
    DPoint3d p[2] = {{0, 0, 0}, {5, 5, 0}};
    ASSERT_EQ(mdlLine_create(e.get(), nullptr, p), 0);
    ASSERT_EQ(mdlLinkage_appendToElement(e.get(), &h, body.data()), 0);
    uint32_t pos = mdlElement_add(e.get());
    ASSERT_NE(pos, 0u) << mdlErrno;
    ASSERT_EQ(mdlElement_read(back.get(), mdlModelRef_getActive(), pos), 0);
    const uint16_t *link = nullptr;
    int words = 0;
    ASSERT_EQ(mdlLinkage_findByID(&link, &words, back.get(), 20275, 0), 0);
    EXPECT_EQ(words, 4100);
    EXPECT_EQ(link[0], h.hdr);
    EXPECT_EQ(2 * words - 8, 8192); // what the user-data reader reports
    EXPECT_EQ(std::memcmp(link + 4, data.data(), data.size()), 0);
    EXPECT_EQ(int16_t(link[3]), -2);
}

TEST(DgnLinkage, FindIteratesByIdAndDeleteRemovesOneId)
{
    Elem e = newElem();
    DPoint3d p[2] = {{0, 0, 0}, {5, 5, 0}};
    ASSERT_EQ(mdlLine_create(e.get(), nullptr, p), 0);
    const uint32_t bare = e->ehdr.elementSize;
    LinkageHeader h;
    std::vector<uint16_t> six = userData(6, 1, {1, 2, 3}, h);
    ASSERT_EQ(mdlLinkage_appendToElement(e.get(), &h, six.data()), 0);
    LinkageHeader other{0, 0};
    ASSERT_EQ(mdlLinkage_setWords(&other, 4), 0);
    uint16_t serial[2] = {42, 0};
    ASSERT_EQ(mdlLinkage_appendToElement(e.get(), &other, serial), 0);
    std::vector<uint16_t> seven = userData(7, 2, std::vector<uint8_t>(10, 9), h);
    ASSERT_EQ(mdlLinkage_appendToElement(e.get(), &h, seven.data()), 0);

    const uint16_t *link;
    int words;
    ASSERT_EQ(mdlLinkage_findByID(&link, &words, e.get(), 20275, 0), 0);
    EXPECT_EQ(link[2], 6);
    ASSERT_EQ(mdlLinkage_findByID(&link, &words, e.get(), 20275, 1), 0);
    EXPECT_EQ(link[2], 7);
    EXPECT_EQ(words, 12); // 10 bytes take 12 words
    EXPECT_NE(mdlLinkage_findByID(&link, &words, e.get(), 20275, 2), 0);
    ASSERT_EQ(mdlLinkage_findByID(&link, &words, e.get(), -1, 1), 0);
    EXPECT_EQ(link[2], 42);

    EXPECT_EQ(mdlLinkage_deleteByID(e.get(), 20275), 2);
    EXPECT_EQ(e->ehdr.elementSize, bare + 4);
    ASSERT_EQ(mdlLinkage_findByID(&link, &words, e.get(), 0, 0), 0);
    EXPECT_EQ(link[2], 42);
    EXPECT_EQ(mdlhost::dgn::validateElement(e.get()), 0);
}

TEST(DgnLinkage, CorruptLengthIsRefusedWithoutReadingPastTheElement)
{
    // The element sits at the very end of its allocation, so a walk that
    // trusted the damaged length would read beyond it.
    Elem holder = newElem();
    DPoint3d p[2] = {{0, 0, 0}, {5, 5, 0}};
    ASSERT_EQ(mdlLine_create(holder.get(), nullptr, p), 0);
    LinkageHeader h{0, 0};
    ASSERT_EQ(mdlLinkage_setWords(&h, 4), 0);
    uint16_t data[2] = {1, 2};
    ASSERT_EQ(mdlLinkage_appendToElement(holder.get(), &h, data), 0);
    const size_t bytes = mdlElement_size(holder.get());
    std::vector<uint8_t> exact(bytes);
    std::memcpy(exact.data(), holder.get(), bytes);
    MSElement *el = reinterpret_cast<MSElement *>(exact.data());
    const uint16_t damaged[] = {0x07FF, LINKAGE_LONG | 0x07FF, 0x0000, 0x0004};
    for (uint16_t hdr : damaged) {
        SCOPED_TRACE(hdr);
        el->buf[el->ehdr.attrOffset] = hdr;
        EXPECT_EQ(mdlhost::dgn::validateElement(el), DGNERR_BADELEMENT);
        const uint16_t *link;
        int words;
        EXPECT_NE(mdlLinkage_findByID(&link, &words, el, 0, 0), 0);
        int n;
        uint16_t out[8];
        EXPECT_NE(mdlElement_extractAttributes(&n, out, 8, el), 0);
        EXPECT_EQ(mdlLinkage_deleteByID(el, 0), 0);
        EXPECT_NE(mdlElement_memcpy(holder.get(), el), 0);
    }
}

TEST_F(DgnTest, AppendedAttributesMustBeWholeLinkagesAndFit)
{
    std::vector<DPoint3d> pts = zigzag(MAX_VERTICES);
    Elem e = newElem(), before = newElem();
    ASSERT_EQ(mdlLineString_create(e.get(), nullptr, pts.data(), MAX_VERTICES), 0);
    LinkageHeader h;
    std::vector<uint16_t> body = userData(1, 0, std::vector<uint8_t>(8188, 0x55), h);
    std::vector<uint16_t> words{h.hdr, h.primaryID};
    words.insert(words.end(), body.begin(), body.end());
    ASSERT_EQ(mdlElement_appendAttributes(e.get(), int(words.size()), words.data()), 0);
    const int size = mdlElement_size(e.get());
    std::memcpy(before.get(), e.get(), size_t(size));

    // Another 4100 words would pass the largest element.
    ASSERT_GT(e->ehdr.elementSize + words.size(), MAX_ELEMENT_WORDS);
    EXPECT_EQ(mdlElement_appendAttributes(e.get(), int(words.size()), words.data()), DGNERR_FILEFULL);
    EXPECT_EQ(mdlLinkage_appendToElement(e.get(), &h, body.data()), DGNERR_FILEFULL);
    // A count that cuts a linkage short, or a halved count, is refused.
    Elem small = newElem();
    DPoint3d p[2] = {{0, 0, 0}, {1, 1, 0}};
    ASSERT_EQ(mdlLine_create(small.get(), nullptr, p), 0);
    EXPECT_EQ(mdlElement_appendAttributes(small.get(), int(words.size()) / 2, words.data()), DGNERR_BADELEMENT);
    EXPECT_EQ(mdlElement_appendAttributes(small.get(), 1, words.data()), DGNERR_BADELEMENT);
    EXPECT_EQ(mdlElement_size(e.get()), size);
    EXPECT_EQ(std::memcmp(e.get(), before.get(), size_t(size)), 0);
    EXPECT_EQ(small->ehdr.elementSize, small->ehdr.attrOffset);

    int n = 0;
    std::vector<uint16_t> got(words.size());
    EXPECT_NE(mdlElement_extractAttributes(&n, got.data(), int(got.size()) - 1, e.get()), 0);
    ASSERT_EQ(mdlElement_extractAttributes(&n, got.data(), int(got.size()), e.get()), 0);
    EXPECT_EQ(n, int(words.size()));
    EXPECT_EQ(got, words);
}

TEST_F(DgnTest, StrippedCellKeepsNameAndDescription)
{
    Elem cell = newElem(), out = newElem();
    DPoint3d o{1, 2, 0};
    ASSERT_EQ(mdlCell_create(cell.get(), u"FLATE", &o, 0), 0);
    std::u16string desc = u"Omr\u00E5de";
    std::memcpy(cell->cell.description, desc.c_str(), (desc.size() + 1) * 2);
    LinkageHeader h{0, 0};
    ASSERT_EQ(mdlLinkage_setWords(&h, 4), 0);
    uint16_t data[2] = {5, 6};
    ASSERT_EQ(mdlLinkage_appendToElement(cell.get(), &h, data), 0);
    ASSERT_EQ(mdlElement_stripAttributes(out.get(), cell.get()), 0);
    EXPECT_EQ(out->ehdr.elementSize, out->ehdr.attrOffset);
    EXPECT_EQ(std::u16string(out->cell.name), u"FLATE");
    EXPECT_EQ(std::u16string(out->cell.description), desc);
    EXPECT_NE(cell->ehdr.elementSize, cell->ehdr.attrOffset); // the source keeps them
    ASSERT_EQ(mdlElement_stripAttributes(cell.get(), cell.get()), 0);
    EXPECT_EQ(cell->ehdr.elementSize, cell->ehdr.attrOffset);
}

TEST_F(DgnTest, ClosestPointOnLinearElements)
{
    DPoint3d p[3] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}};
    Elem e = newElem();
    ASSERT_EQ(mdlLineString_create(e.get(), nullptr, p, 3), 0);
    DPoint3d q{12, 4, 0}, closest;
    int seg = -1;
    ASSERT_EQ(mdlLinear_getClosestSegment(&closest, &seg, e.get(), &q), 0);
    expectPoint(closest, DPoint3d{10, 4, 0});
    EXPECT_EQ(seg, 1);
    ASSERT_EQ(mdlCurve_create(e.get(), nullptr, p, 3), 0);
    ASSERT_EQ(mdlLinear_getClosestSegment(&closest, &seg, e.get(), &q), 0);
    EXPECT_EQ(seg, 3); // stored index: past the two control points
    DPoint3d c{0, 0, 0};
    ASSERT_EQ(mdlEllipse_create(e.get(), nullptr, &c, 1, 1, nullptr, 0), 0);
    EXPECT_NE(mdlLinear_getClosestSegment(&closest, &seg, e.get(), &q), 0);
    DPoint3d pts[MAX_VERTICES];
    int n;
    EXPECT_NE(mdlLinear_extract(pts, &n, e.get(), 0), 0);
}

TEST_F(DgnTest, MultiLineWorkLineIsExtractedLikeALineString)
{
    DPoint3d p[3] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}};
    Elem e = newElem();
    ASSERT_EQ(mdlLineString_create(e.get(), nullptr, p, 3), 0);
    e->ehdr.type = MULTILINE_ELM;
    DPoint3d out[MAX_VERTICES];
    int n = 0;
    ASSERT_EQ(mdlLinear_extract(out, &n, e.get(), 0), 0);
    EXPECT_EQ(n, 3);
    expectPoint(out[2], p[2]);
}

TEST_F(DgnTest, MemcpyCopiesTheElementsOwnBytes)
{
    Elem a = newElem(), b = newElem();
    std::vector<DPoint3d> pts = zigzag(10);
    ASSERT_EQ(mdlLineString_create(a.get(), nullptr, pts.data(), 10), 0);
    std::memset(b.get(), 0xEE, sizeof(MSElement));
    ASSERT_EQ(mdlElement_memcpy(b.get(), a.get()), 0);
    const int size = mdlElement_size(a.get());
    EXPECT_EQ(std::memcmp(a.get(), b.get(), size_t(size)), 0);
    EXPECT_EQ(reinterpret_cast<uint8_t *>(b.get())[size], 0xEE);
    DRange3d r;
    ASSERT_EQ(mdlElement_extractRange(&r, b.get()), 0);
    expectPoint(r.low, DPoint3d{0, 0, 0});
    expectPoint(r.high, DPoint3d{90, 7, 0});
}

} // namespace
