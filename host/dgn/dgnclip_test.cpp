// Clipping against the fence: runs inside and outside, shared crossing
// points, curves, complex shapes, arcs, whole elements and linkages.
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "dgn/mdlelem.h"
#include "dgn/mdlscan.h"
#include "dgn_testing.h"

namespace {

struct Dscr {
    MSElementDescr *d = nullptr;
    ~Dscr() { mdlElmdscr_freeAll(&d); }
};

struct Clip {
    MdlClipDescr *c = nullptr;
    ~Clip() { mdlClip_free(&c); }
};

std::unique_ptr<MSElement> newElement() { return std::make_unique<MSElement>(); }

MSElementDescr *descrOf(const MSElement &el)
{
    MSElementDescr *d = nullptr;
    EXPECT_EQ(mdlElmdscr_new(&d, nullptr, &el), 0);
    return d;
}

std::vector<const MSElementDescr *> chainOf(const MSElementDescr *d)
{
    std::vector<const MSElementDescr *> out;
    for (; d != nullptr; d = d->h.next)
        out.push_back(d);
    return out;
}

std::vector<const MSElementDescr *> componentsOf(const MSElementDescr *d) { return chainOf(d->h.firstElem); }

std::vector<DPoint3d> pointsOf(const MSElement &el)
{
    std::vector<DPoint3d> pts(MAX_VERTICES);
    int n = 0;
    EXPECT_EQ(mdlLinear_extract(pts.data(), &n, &el, mdlModelRef_getActive()), 0);
    pts.resize(static_cast<size_t>(n));
    return pts;
}

bool same(const DPoint3d &a, const DPoint3d &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expectPoints(const MSElement &el, const std::vector<DPoint3d> &want)
{
    std::vector<DPoint3d> got = pointsOf(el);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_DOUBLE_EQ(got[i].x, want[i].x) << "point " << i;
        EXPECT_DOUBLE_EQ(got[i].y, want[i].y) << "point " << i;
    }
}

DPoint3d firstPoint(const MSElement &el) { return pointsOf(el).front(); }
DPoint3d lastPoint(const MSElement &el) { return pointsOf(el).back(); }

// The fence is the square 0..100 (UOR) in view 0.
class ClipTest : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        DgnTest::SetUp();
        mdlhost_viewsReset();
        mdlDB_activeLinkageMode("none");
        const DPoint3d square[] = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}};
        ASSERT_EQ(mdlFence_fromPoints(square, 4, 0), 0);
        ASSERT_EQ(mdlClip_getFence(&clip.c), 0);
    }
    void TearDown() override
    {
        mdlFence_clear();
        mdlDB_activeLinkageMode("none");
        DgnTest::TearDown();
    }

    std::unique_ptr<MSElement> lineString(const std::vector<DPoint3d> &pts)
    {
        auto el = newElement();
        EXPECT_EQ(mdlLineString_create(el.get(), nullptr, pts.data(), static_cast<int>(pts.size())), 0);
        return el;
    }

    Clip clip;
};

TEST_F(ClipTest, LineStringSplitsIntoRunsThatShareTheirCrossingPoints)
{
    // Out, in across the left edge, out across the top edge, diagonally.
    auto el = lineString({{-50, 20, 0}, {50, 20, 0}, {50, 80, 0}, {130, 110, 0}});
    Dscr src{descrOf(*el)};
    Dscr in, out;
    ASSERT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), clip.c, 0), 0);

    auto inside = chainOf(in.d), outside = chainOf(out.d);
    ASSERT_EQ(inside.size(), 1u);
    ASSERT_EQ(outside.size(), 2u);
    // The diagonal (50,80)-(130,110) leaves at x = 100: y = 80 + 30 * 50 / 80.
    const double yExit = 80 + 30.0 * 50 / 80;
    EXPECT_EQ(mdlElement_getType(&inside[0]->el), LINE_STRING_ELM);
    expectPoints(inside[0]->el, {{0, 20, 0}, {50, 20, 0}, {50, 80, 0}, {100, yExit, 0}});
    EXPECT_EQ(mdlElement_getType(&outside[0]->el), LINE_ELM);
    expectPoints(outside[0]->el, {{-50, 20, 0}, {0, 20, 0}});
    EXPECT_EQ(mdlElement_getType(&outside[1]->el), LINE_ELM);
    expectPoints(outside[1]->el, {{100, yExit, 0}, {130, 110, 0}});

    // Each crossing point is one value in both pieces, bit for bit.
    EXPECT_TRUE(same(lastPoint(outside[0]->el), firstPoint(inside[0]->el)));
    EXPECT_TRUE(same(lastPoint(inside[0]->el), firstPoint(outside[1]->el)));
    // Pieces are new elements with their own ranges.
    EXPECT_EQ(inside[0]->el.ehdr.uniqueId, 0u);
    EXPECT_DOUBLE_EQ(inside[0]->el.line.dhdr.range.low.x, 0);
    EXPECT_DOUBLE_EQ(inside[0]->el.line.dhdr.range.high.x, 100);
}

TEST_F(ClipTest, RunAlongTheBoundaryIsInsideAndEndsAtTheFenceCorner)
{
    auto el = lineString({{-50, 0, 0}, {50, 0, 0}, {50, -30, 0}});
    Dscr src{descrOf(*el)};
    Dscr in, out;
    ASSERT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), clip.c, 0), 0);
    auto inside = chainOf(in.d), outside = chainOf(out.d);
    ASSERT_EQ(inside.size(), 1u);
    ASSERT_EQ(outside.size(), 2u);
    expectPoints(outside[0]->el, {{-50, 0, 0}, {0, 0, 0}});
    expectPoints(inside[0]->el, {{0, 0, 0}, {50, 0, 0}});
    expectPoints(outside[1]->el, {{50, 0, 0}, {50, -30, 0}});
}

TEST_F(ClipTest, ComplexShapeGivesComplexChainsThatMeetAtTheCrossings)
{
    // A square -20..60 made of two line strings; the fence cuts it at
    // (60,0) and (0,60).
    auto hdr = newElement();
    ASSERT_EQ(mdlComplexChain_createHeader(hdr.get(), 1, 0), 0);
    Dscr src{descrOf(*hdr)};
    auto a = lineString({{-20, -20, 0}, {60, -20, 0}, {60, 60, 0}});
    auto b = lineString({{60, 60, 0}, {-20, 60, 0}, {-20, -20, 0}});
    ASSERT_EQ(mdlElmdscr_appendElement(src.d, a.get()), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(src.d, b.get()), 0);

    EXPECT_EQ(mdlClip_isElemInside(src.d, clip.c, 0, 1), MDLCLIP_CROSSING);
    Dscr in, out;
    ASSERT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), clip.c, 0), 0);
    auto inside = chainOf(in.d), outside = chainOf(out.d);
    ASSERT_EQ(inside.size(), 1u);
    ASSERT_EQ(outside.size(), 1u); // the runs before and after the start are one
    EXPECT_EQ(mdlElement_getType(&inside[0]->el), CMPLX_STRING_ELM);
    EXPECT_EQ(mdlElement_getType(&outside[0]->el), CMPLX_STRING_ELM);

    auto in2 = componentsOf(inside[0]), out2 = componentsOf(outside[0]);
    ASSERT_EQ(in2.size(), 2u);
    ASSERT_EQ(out2.size(), 2u);
    expectPoints(in2[0]->el, {{60, 0, 0}, {60, 60, 0}});
    expectPoints(in2[1]->el, {{60, 60, 0}, {0, 60, 0}});
    expectPoints(out2[0]->el, {{0, 60, 0}, {-20, 60, 0}, {-20, -20, 0}});
    expectPoints(out2[1]->el, {{-20, -20, 0}, {60, -20, 0}, {60, 0, 0}});
    for (auto *c : in2)
        EXPECT_NE(c->el.ehdr.type & ELM_COMPLEX_BIT, 0u);
    EXPECT_TRUE(same(lastPoint(out2[1]->el), firstPoint(in2[0]->el)));
    EXPECT_TRUE(same(lastPoint(in2[1]->el), firstPoint(out2[0]->el)));
    // The headers count their own components and span only them.
    EXPECT_EQ(inside[0]->el.complexHdr.numComponents, 2u);
    EXPECT_DOUBLE_EQ(inside[0]->el.complexHdr.dhdr.range.low.x, 0);
    EXPECT_DOUBLE_EQ(inside[0]->el.complexHdr.dhdr.range.low.y, 0);
}

TEST_F(ClipTest, CurvePiecesStayCurvesWithTheirEndsAsControlPoints)
{
    const DPoint3d given[] = {{-50, 50, 0}, {10, 50, 0}, {50, 60, 0}, {150, 60, 0}};
    auto el = newElement();
    ASSERT_EQ(mdlCurve_create(el.get(), nullptr, given, 4), 0);
    Dscr src{descrOf(*el)};
    Dscr in, out;
    ASSERT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), clip.c, 0), 0);
    auto inside = chainOf(in.d), outside = chainOf(out.d);
    ASSERT_EQ(inside.size(), 1u);
    ASSERT_EQ(outside.size(), 2u);
    for (auto *d : inside)
        EXPECT_EQ(mdlElement_getType(&d->el), CURVE_ELM);
    for (auto *d : outside)
        EXPECT_EQ(mdlElement_getType(&d->el), CURVE_ELM);
    expectPoints(inside[0]->el, {{0, 50, 0}, {0, 50, 0}, {0, 50, 0}, {10, 50, 0}, {50, 60, 0}, {100, 60, 0},
                                 {100, 60, 0}, {100, 60, 0}});
    // A run of two kept points makes a six-point curve.
    expectPoints(outside[0]->el, {{-50, 50, 0}, {-50, 50, 0}, {-50, 50, 0}, {0, 50, 0}, {0, 50, 0}, {0, 50, 0}});
}

TEST_F(ClipTest, WholeElementsGoAsCopiesToTheirSide)
{
    struct Case {
        const char *what;
        std::vector<DPoint3d> pts;
        int where;
    } cases[] = {
        {"line inside", {{10, 10, 0}, {90, 90, 0}}, MDLCLIP_INSIDE},
        {"line outside", {{110, 10, 0}, {190, 90, 0}}, MDLCLIP_OUTSIDE},
        {"line along the edge", {{0, 10, 0}, {0, 90, 0}}, MDLCLIP_INSIDE},
        {"line touching a corner from outside", {{-10, 10, 0}, {0, 0, 0}, {10, -10, 0}}, MDLCLIP_OUTSIDE},
        {"point inside", {{50, 50, 0}, {50, 50, 0}}, MDLCLIP_INSIDE},
        {"point on the edge", {{100, 50, 0}, {100, 50, 0}}, MDLCLIP_INSIDE},
        {"point outside", {{150, 50, 0}, {150, 50, 0}}, MDLCLIP_OUTSIDE},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto el = newElement();
        if (c.pts.size() == 2)
            ASSERT_EQ(mdlLine_create(el.get(), nullptr, c.pts.data()), 0);
        else
            el = lineString(c.pts);
        Dscr src{descrOf(*el)};
        EXPECT_EQ(mdlClip_isElemInside(src.d, clip.c, 0, 1), c.where);
        Dscr in, out;
        ASSERT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), clip.c, 0), 0);
        MSElementDescr *copy = c.where == MDLCLIP_INSIDE ? in.d : out.d;
        MSElementDescr *none = c.where == MDLCLIP_INSIDE ? out.d : in.d;
        EXPECT_EQ(none, nullptr);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->h.next, nullptr);
        EXPECT_EQ(mdlElement_size(&copy->el), mdlElement_size(el.get()));
        expectPoints(copy->el, c.pts);
    }
}

TEST_F(ClipTest, CrossingCountsAsInsideOnlyWhenOverlapIsAllowed)
{
    auto el = lineString({{50, 50, 0}, {150, 50, 0}});
    Dscr src{descrOf(*el)};
    EXPECT_EQ(mdlClip_isElemInside(src.d, clip.c, 0, 1), MDLCLIP_CROSSING);
    EXPECT_EQ(mdlClip_isElemInside(src.d, clip.c, 0, 0), MDLCLIP_OUTSIDE);
}

TEST_F(ClipTest, PiecesCarryTheSourceLinkagesOnlyUnderDuplicate)
{
    auto el = lineString({{-50, 50, 0}, {50, 50, 0}, {150, 50, 0}});
    LinkageHeader hdr{LINKAGE_USER, 20275};
    ASSERT_EQ(mdlLinkage_setWords(&hdr, 4), 0);
    const uint16_t data[2] = {7, 9};
    ASSERT_EQ(mdlLinkage_appendToElement(el.get(), &hdr, data), 0);
    uint16_t want[16];
    int wantWords = 0;
    ASSERT_EQ(mdlElement_extractAttributes(&wantWords, want, 16, el.get()), 0);
    ASSERT_EQ(wantWords, 4);
    Dscr src{descrOf(*el)};

    struct Case {
        const char *mode;
        bool kept;
    } cases[] = {{"duplicate", true}, {"none", false}, {"DUPLICATE", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_GE(mdlDB_activeLinkageMode(c.mode), 0);
        Dscr in, out;
        ASSERT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), clip.c, 0), 0);
        auto pieces = chainOf(in.d);
        for (auto *d : chainOf(out.d))
            pieces.push_back(d);
        ASSERT_EQ(pieces.size(), 3u);
        for (auto *d : pieces) {
            uint16_t got[16];
            int words = -1;
            ASSERT_EQ(mdlElement_extractAttributes(&words, got, 16, &d->el), 0);
            if (!c.kept) {
                EXPECT_EQ(words, 0);
                continue;
            }
            ASSERT_EQ(words, wantWords);
            EXPECT_EQ(std::memcmp(got, want, sizeof(uint16_t) * wantWords), 0);
        }
    }
    EXPECT_EQ(mdlDB_activeLinkageMode("sometimes"), -1);
    EXPECT_EQ(mdlDB_activeLinkageMode(nullptr), MDLDB_LINKAGE_DUPLICATE);
}

TEST_F(ClipTest, CircleAcrossTheEdgeGivesArcs)
{
    auto el = newElement();
    const DPoint3d centre{100, 50, 0};
    ASSERT_EQ(mdlEllipse_create(el.get(), nullptr, &centre, 20, 20, nullptr, 0), 0);
    Dscr src{descrOf(*el)};
    Dscr in, out;
    ASSERT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), clip.c, 0), 0);
    auto inside = chainOf(in.d), outside = chainOf(out.d);
    ASSERT_EQ(inside.size(), 1u);
    ASSERT_EQ(outside.size(), 1u); // the right half runs through the start angle
    for (auto *d : {inside[0], outside[0]}) {
        ASSERT_EQ(mdlElement_getType(&d->el), ARC_ELM);
        EXPECT_NEAR(std::fabs(d->el.ellipse.sweep), M_PI, 1e-9);
    }
    DPoint3d ends[2];
    ASSERT_EQ(mdlArc_extract(ends, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &inside[0]->el), 0);
    EXPECT_NEAR(ends[0].x, 100, 1e-9);
    EXPECT_NEAR(ends[0].y, 70, 1e-9);
    EXPECT_NEAR(ends[1].x, 100, 1e-9);
    EXPECT_NEAR(ends[1].y, 30, 1e-9);
}

TEST_F(ClipTest, CrossingCellsAreRefusedAndCallsWithoutFenceFail)
{
    auto cell = newElement();
    const DPoint3d origin{0, 0, 0};
    ASSERT_EQ(mdlCell_create(cell.get(), u"KRYSS", &origin, 0), 0);
    Dscr src{descrOf(*cell)};
    auto part = lineString({{-10, 50, 0}, {10, 50, 0}});
    ASSERT_EQ(mdlElmdscr_appendElement(src.d, part.get()), 0);
    Dscr in, out;
    EXPECT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), clip.c, 0), DGNERR_BADELEMENT);
    EXPECT_EQ(in.d, nullptr);
    EXPECT_EQ(out.d, nullptr);

    mdlFence_clear();
    MdlClipDescr *none = nullptr;
    EXPECT_EQ(mdlClip_getFence(&none), DGNERR_NOTFOUND);
    EXPECT_EQ(none, nullptr);
    // The clip taken before is a copy and still works.
    EXPECT_EQ(mdlClip_isElemInside(src.d, clip.c, 0, 1), MDLCLIP_CROSSING);
}

TEST_F(ClipTest, DamagedRecordsAreRefusedAndTheNextCallWorks)
{
    auto el = lineString({{-50, 50, 0}, {150, 50, 0}});
    Dscr src{descrOf(*el)};
    const uint32_t good = src.d->el.linear.numVerts;
    src.d->el.linear.numVerts = 1000000; // far beyond the record
    Dscr in, out;
    EXPECT_EQ(mdlClip_isElemInside(src.d, clip.c, 0, 1), DGNERR_BADELEMENT);
    EXPECT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), clip.c, 0), DGNERR_BADELEMENT);
    EXPECT_EQ(in.d, nullptr);
    src.d->el.linear.numVerts = good;
    EXPECT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), clip.c, 0), 0);
    EXPECT_EQ(chainOf(out.d).size(), 2u);
}

TEST_F(ClipTest, RotatedViewClipsAlongItsAxes)
{
    // View 2 turned by 90 degrees: its x axis is world y.
    MdlViewExtent extent{};
    ASSERT_EQ(mdlhost_viewGetExtent(2, &extent), 0);
    extent.rotation = RotMatrix{{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}};
    ASSERT_EQ(mdlhost_viewSetExtent(2, &extent), 0);
    const DPoint3d square[] = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}};
    ASSERT_EQ(mdlFence_fromPoints(square, 4, 2), 0);
    Clip turned;
    ASSERT_EQ(mdlClip_getFence(&turned.c), 0);
    auto el = lineString({{50, -50, 0}, {50, 150, 0}});
    Dscr src{descrOf(*el)};
    Dscr in, out;
    ASSERT_EQ(mdlClip_element(&in.d, &out.d, src.d, mdlModelRef_getActive(), turned.c, 2), 0);
    auto inside = chainOf(in.d);
    ASSERT_EQ(inside.size(), 1u);
    std::vector<DPoint3d> pts = pointsOf(inside[0]->el);
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_NEAR(pts[0].y, 0, 1e-9);
    EXPECT_NEAR(pts[1].y, 100, 1e-9);
    EXPECT_EQ(chainOf(out.d).size(), 2u);
}

} // namespace
