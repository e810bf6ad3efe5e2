// Element descriptors in memory: header bookkeeping, walks, modification,
// reversal, 2D/3D, transforms, strokes, measurements and growable arrays.
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "dgn_int.h"
#include "dgn_testing.h"
#include "sys/mdlsys.h"

namespace {

using dgntest::DgnTest;
constexpr double kPi = std::numbers::pi;

// Owns a descriptor chain for a test.
struct Dscr {
    MSElementDescr *d = nullptr;
    Dscr() = default;
    Dscr(Dscr &&o) noexcept : d(std::exchange(o.d, nullptr)) {}
    Dscr &operator=(Dscr &&o) noexcept
    {
        mdlElmdscr_freeAll(&d);
        d = std::exchange(o.d, nullptr);
        return *this;
    }
    ~Dscr() { mdlElmdscr_freeAll(&d); }
    MSElementDescr *operator->() const { return d; }
};

std::unique_ptr<MSElement> line(DPoint3d a, DPoint3d b)
{
    auto e = std::make_unique<MSElement>();
    DPoint3d p[2] = {a, b};
    EXPECT_EQ(mdlLine_create(e.get(), nullptr, p), 0);
    return e;
}

std::unique_ptr<MSElement> lineString(std::vector<DPoint3d> p)
{
    auto e = std::make_unique<MSElement>();
    EXPECT_EQ(mdlLineString_create(e.get(), nullptr, p.data(), int(p.size())), 0);
    return e;
}

std::unique_ptr<MSElement> shape(std::vector<DPoint3d> p, bool hole)
{
    auto e = std::make_unique<MSElement>();
    EXPECT_EQ(mdlShape_create(e.get(), nullptr, p.data(), int(p.size()), 0), 0);
    int h = hole;
    EXPECT_EQ(mdlElement_setProperties(e.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &h), 0);
    return e;
}

std::vector<DPoint3d> square(double x0, double y0, double side)
{
    return {{x0, y0, 0}, {x0 + side, y0, 0}, {x0 + side, y0 + side, 0}, {x0, y0 + side, 0}};
}

// Semicircle of radius 5 about (15, 0) from (10, 0) to (20, 0), over the top.
std::unique_ptr<MSElement> topArc()
{
    auto e = std::make_unique<MSElement>();
    DPoint3d s{10, 0, 0}, m{15, 5, 0}, f{20, 0, 0};
    EXPECT_EQ(mdlArc_createByPoints(e.get(), nullptr, &f, &m, &s), 0); // built backwards on purpose
    MSElementDescr *d = nullptr, *r = nullptr;
    EXPECT_EQ(mdlElmdscr_new(&d, nullptr, e.get()), 0);
    EXPECT_EQ(mdlElmdscr_reverse(&r, d, 0), 0);
    std::memcpy(e.get(), &r->el, size_t(mdlElement_size(&r->el)));
    mdlElmdscr_freeAll(&d);
    mdlElmdscr_freeAll(&r);
    return e;
}

// A complex chain: line (0,0)-(10,0), then the top arc to (20,0).
Dscr chain()
{
    auto hdr = std::make_unique<MSElement>();
    EXPECT_EQ(mdlComplexChain_createHeader(hdr.get(), 0, 0), 0);
    Dscr c;
    EXPECT_EQ(mdlElmdscr_new(&c.d, nullptr, hdr.get()), 0);
    EXPECT_EQ(mdlElmdscr_appendElement(c.d, line({0, 0, 0}, {10, 0, 0}).get()), 0);
    EXPECT_EQ(mdlElmdscr_appendElement(c.d, topArc().get()), 0);
    return c;
}

void expectPoint(const DPoint3d &a, const DPoint3d &b, double tol = 1e-9)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

int count(const MSElementDescr *d)
{
    int n = 0;
    for (const MSElementDescr *c = d ? d->h.firstElem : nullptr; c; c = c->h.next) ++n;
    return n;
}

TEST_F(DgnTest, HeadersKeepCountsFlagsAndRangesThroughNesting)
{
    Dscr c = chain();
    ASSERT_EQ(count(c.d), 2);
    const uint32_t lineWords = c->h.firstElem->el.ehdr.elementSize;
    const uint32_t arcWords = c->h.firstElem->h.next->el.ehdr.elementSize;
    EXPECT_EQ(c->el.complexHdr.numComponents, 2u);
    EXPECT_EQ(c->el.complexHdr.totalWords, c->el.ehdr.elementSize + lineWords + arcWords);
    for (MSElementDescr *k = c->h.firstElem; k; k = k->h.next) {
        EXPECT_TRUE(k->el.ehdr.type & ELM_COMPLEX_BIT);
        EXPECT_EQ(k->h.myHeader, c.d);
    }
    EXPECT_FALSE(c->el.ehdr.type & ELM_COMPLEX_BIT);
    // The empty header had no range of its own: the components' only.
    expectPoint(c->el.line.dhdr.range.low, DPoint3d{0, 0, 0});
    expectPoint(c->el.line.dhdr.range.high, DPoint3d{20, 5, 0});

    // The chain inside a cell: the cell's totals include the nested ones.
    auto cellEl = std::make_unique<MSElement>();
    DPoint3d origin{-5, -5, 0};
    ASSERT_EQ(mdlCell_create(cellEl.get(), u"C", &origin, 0), 0);
    Dscr cell;
    ASSERT_EQ(mdlElmdscr_new(&cell.d, nullptr, cellEl.get()), 0);
    const uint32_t chainWords = c->el.complexHdr.totalWords;
    ASSERT_EQ(mdlElmdscr_appendDscr(cell.d, std::exchange(c.d, nullptr)), 0);
    EXPECT_EQ(cell->el.cell.totalWords, cell->el.ehdr.elementSize + chainWords);
    expectPoint(cell->el.line.dhdr.range.low, DPoint3d{-5, -5, 0}); // the origin counts for a cell
    expectPoint(cell->el.line.dhdr.range.high, DPoint3d{20, 5, 0});

    // A component that grows (a linkage appended) moves every total above it.
    MSElementDescr *first = cell->h.firstElem->h.firstElem;
    auto grown = std::make_unique<MSElement>();
    ASSERT_EQ(mdlElement_memcpy(grown.get(), &first->el), 0);
    LinkageHeader h{0, 0};
    ASSERT_EQ(mdlLinkage_setWords(&h, 4), 0);
    uint16_t data[2] = {1, 2};
    ASSERT_EQ(mdlLinkage_appendToElement(grown.get(), &h, data), 0);
    ASSERT_EQ(mdlElmdscr_replaceElement(&first, grown.get()), 0);
    EXPECT_TRUE(first->el.ehdr.type & ELM_COMPLEX_BIT);
    EXPECT_EQ(cell->h.firstElem->el.complexHdr.totalWords, chainWords + 4);
    EXPECT_EQ(cell->el.cell.totalWords, cell->el.ehdr.elementSize + chainWords + 4);

    // What the file gives back holds the same tree.
    uint32_t pos = mdlElmdscr_add(cell.d);
    ASSERT_NE(pos, 0u) << mdlErrno;
    Dscr back;
    ASSERT_NE(mdlElmdscr_read(&back.d, pos, mdlModelRef_getActive(), 0, nullptr), 0u);
    EXPECT_EQ(back->el.cell.totalWords, cell->el.cell.totalWords);
    ASSERT_EQ(count(back.d), 1);
    EXPECT_EQ(count(back->h.firstElem), 2);
}

TEST_F(DgnTest, ValidateRepairsCountsFlagsAndRanges)
{
    Dscr c = chain();
    c->el.complexHdr.numComponents = 9;
    c->el.complexHdr.totalWords = 1;
    c->el.line.dhdr.range = DRange3d{};
    c->h.firstElem->el.ehdr.type &= ~ELM_COMPLEX_BIT;
    c->el.ehdr.type |= ELM_COMPLEX_BIT;
    ASSERT_EQ(mdlElmdscr_validate(c.d, mdlModelRef_getActive()), 0);
    EXPECT_EQ(c->el.complexHdr.numComponents, 2u);
    EXPECT_GT(c->el.complexHdr.totalWords, c->el.ehdr.elementSize);
    EXPECT_TRUE(c->h.firstElem->el.ehdr.type & ELM_COMPLEX_BIT);
    EXPECT_FALSE(c->el.ehdr.type & ELM_COMPLEX_BIT);
    expectPoint(c->el.line.dhdr.range.high, DPoint3d{20, 5, 0});
    DRange3d r;
    ASSERT_EQ(mdlElmdscr_getRange(&r, c.d), 0);
    expectPoint(r.high, DPoint3d{20, 5, 0});
}

// cell { line, complex chain { line, arc }, text }, then a second top-level line.
Dscr walkTree()
{
    auto el = std::make_unique<MSElement>();
    DPoint3d o{0, 0, 0};
    EXPECT_EQ(mdlCell_create(el.get(), u"T", &o, 0), 0);
    Dscr t;
    EXPECT_EQ(mdlElmdscr_new(&t.d, nullptr, el.get()), 0);
    EXPECT_EQ(mdlElmdscr_appendElement(t.d, line({0, 0, 0}, {1, 0, 0}).get()), 0);
    Dscr c = chain();
    EXPECT_EQ(mdlElmdscr_appendDscr(t.d, std::exchange(c.d, nullptr)), 0);
    TextSizeParam size{1, 1};
    EXPECT_EQ(mdlText_create(el.get(), nullptr, "x", &o, nullptr, &size, nullptr), 0);
    EXPECT_EQ(mdlElmdscr_appendElement(t.d, el.get()), 0);
    MSElementDescr *extra = nullptr;
    EXPECT_EQ(mdlElmdscr_new(&extra, nullptr, line({5, 5, 0}, {6, 6, 0}).get()), 0);
    t->h.next = extra;
    extra->h.previous = t.d;
    return t;
}

using Visits = std::vector<std::pair<int, int>>; // type, operation

int record(MSElement *el, void *arg, int operation, MSElementDescr *)
{
    static_cast<Visits *>(arg)->emplace_back(mdlElement_getType(el), operation);
    return 0;
}

TEST_F(DgnTest, OperationReportsWhatItsFlagsAsk)
{
    Dscr t = walkTree();
    const struct {
        unsigned flags;
        Visits expected;
    } cases[] = {
        {ELMD_ELEMENT, {{3, 1}, {3, 1}, {16, 1}, {17, 1}, {3, 1}}},
        {ELMD_HEADER | ELMD_ELEMENT, {{2, 8}, {3, 1}, {12, 8}, {3, 1}, {16, 1}, {17, 1}, {3, 1}}},
        {11, {{2, 8}, {3, 1}, {12, 8}, {3, 1}, {16, 1}, {17, 1}, {3, 1}}},
        {ELMD_HEADER, {{2, 8}, {12, 8}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.flags);
        Visits seen;
        EXPECT_EQ(mdlElmdscr_operation(t.d, record, &seen, c.flags), 0);
        EXPECT_EQ(seen, c.expected);
    }
    // A non-zero answer stops the walk and is handed back.
    Visits seen;
    auto stopAtArc = [](MSElement *el, void *arg, int op, MSElementDescr *d) {
        record(el, arg, op, d);
        return mdlElement_getType(el) == ARC_ELM ? 0x8000 : 0;
    };
    EXPECT_EQ(mdlElmdscr_operation(t.d, stopAtArc, &seen, ELMD_ELEMENT), 0x8000);
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(DgnTest, OperationMayChangeElementsInPlace)
{
    Dscr t = walkTree();
    auto recolour = [](MSElement *el, void *, int, MSElementDescr *) {
        uint32_t c = 9;
        mdlElement_setSymbology(el, &c, nullptr, nullptr);
        LinkageHeader h{0, 7};
        mdlLinkage_setWords(&h, 2);
        mdlLinkage_appendToElement(el, &h, nullptr);
        return 0;
    };
    const uint32_t before = t->el.cell.totalWords;
    ASSERT_EQ(mdlElmdscr_operation(t.d, recolour, nullptr, 11), 0);
    uint32_t colour = 0;
    ASSERT_EQ(mdlElement_getSymbology(&colour, nullptr, nullptr, &t->h.firstElem->el), 0);
    EXPECT_EQ(colour, 9u);
    // Six elements of the cell grew by a 2-word linkage each.
    EXPECT_EQ(t->el.cell.totalWords, before + 12);
}

int dropHoles(MSElement *el, void *arg, DgnModelRefP, MSElementDescr *, MSElementDescr **)
{
    ++*static_cast<int *>(arg);
    int hole = 0;
    mdlElement_getProperties(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &hole, el);
    int t = mdlElement_getType(el);
    return hole && (t == SHAPE_ELM || t == ELLIPSE_ELM) ? MODIFY_STATUS_DELETE : MODIFY_STATUS_NOCHANGE;
}

TEST_F(DgnTest, ModifyDeletesAndReplacesInsideTheTree)
{
    auto el = std::make_unique<MSElement>();
    DPoint3d o{0, 0, 0};
    ASSERT_EQ(mdlCell_create(el.get(), u"A", &o, 0), 0);
    Dscr cell;
    ASSERT_EQ(mdlElmdscr_new(&cell.d, nullptr, el.get()), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(cell.d, shape(square(0, 0, 10), false).get()), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(cell.d, shape(square(2, 2, 2), true).get()), 0);
    DPoint3d c{6, 6, 0};
    ASSERT_EQ(mdlEllipse_create(el.get(), nullptr, &c, 1, 1, nullptr, 0), 0);
    int hole = 1;
    ASSERT_EQ(mdlElement_setProperties(el.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &hole),
              0);
    ASSERT_EQ(mdlElmdscr_appendElement(cell.d, el.get()), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(cell.d, line({0, 0, 0}, {30, 0, 0}).get()), 0);

    int calls = 0;
    int st = mdlModify_elementDescr2(&cell.d, mdlModelRef_getActive(), dropHoles, &calls);
    EXPECT_EQ(st, MODIFY_STATUS_DELETE);
    EXPECT_EQ(calls, 5);
    ASSERT_NE(cell.d, nullptr);
    EXPECT_EQ(count(cell.d), 2);
    EXPECT_EQ(cell->el.cell.numComponents, 2u);
    EXPECT_EQ(cell->el.cell.totalWords,
              cell->el.ehdr.elementSize + cell->h.firstElem->el.ehdr.elementSize +
                  cell->h.firstElem->h.next->el.ehdr.elementSize);

    // The line is replaced by two lines; the range follows.
    auto split = [](MSElement *e, void *, DgnModelRefP, MSElementDescr *, MSElementDescr **out) {
        if (mdlElement_getType(e) != LINE_ELM) return MODIFY_STATUS_NOCHANGE;
        mdlElmdscr_new(out, nullptr, line({0, 0, 0}, {15, 0, 0}).get());
        mdlElmdscr_appendElement(*out, line({15, 0, 0}, {40, 0, 0}).get());
        return MODIFY_STATUS_REPLACEDSCR;
    };
    EXPECT_EQ(mdlModify_elementDescr(&cell.d, 0, split, nullptr), MODIFY_STATUS_REPLACEDSCR);
    ASSERT_EQ(count(cell.d), 3);
    for (MSElementDescr *k = cell->h.firstElem; k; k = k->h.next) {
        EXPECT_EQ(k->h.myHeader, cell.d);
        EXPECT_TRUE(k->el.ehdr.type & ELM_COMPLEX_BIT);
    }
    EXPECT_DOUBLE_EQ(cell->el.line.dhdr.range.high.x, 40);

    // Deleting the top empties the descriptor.
    auto all = [](MSElement *, void *, DgnModelRefP, MSElementDescr *, MSElementDescr **) {
        return MODIFY_STATUS_DELETE;
    };
    EXPECT_EQ(mdlModify_elementDescr(&cell.d, 0, all, nullptr), MODIFY_STATUS_DELETE);
    EXPECT_EQ(cell.d, nullptr);
}

TEST_F(DgnTest, ModifySingleRewritesOrDeletesTheFilesElement)
{
    uint32_t pos = mdlElement_add(line({0, 0, 0}, {1, 1, 0}).get());
    ASSERT_NE(pos, 0u);
    DgnModelRefP model = mdlModelRef_getActive();
    auto toLevel7 = [](MSElement *el, void *, DgnModelRefP, MSElementDescr *, MSElementDescr **) {
        uint32_t level = 7;
        mdlElement_setProperties(el, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        return MODIFY_STATUS_MODIFY;
    };
    EXPECT_EQ(mdlModify_elementSingle(model, pos, toLevel7, nullptr), MODIFY_STATUS_MODIFY);
    auto el = std::make_unique<MSElement>();
    ASSERT_EQ(mdlElement_read(el.get(), model, pos), 0);
    EXPECT_EQ(el->ehdr.level, 7u);
    auto drop = [](MSElement *, void *, DgnModelRefP, MSElementDescr *, MSElementDescr **) {
        return MODIFY_STATUS_DELETE;
    };
    EXPECT_EQ(mdlModify_elementSingle(model, pos, drop, nullptr), MODIFY_STATUS_DELETE);
    EXPECT_NE(mdlElement_read(el.get(), model, pos), 0);
    EXPECT_LT(mdlModify_elementSingle(model, pos, drop, nullptr), 0);
}

TEST_F(DgnTest, ReverseSwapsTheEnds)
{
    DPoint3d curvePts[3] = {{0, 0, 0}, {5, 5, 0}, {10, 0, 0}};
    auto curve = std::make_unique<MSElement>();
    ASSERT_EQ(mdlCurve_create(curve.get(), nullptr, curvePts, 3), 0);
    Dscr c = chain();
    std::vector<Dscr> cases(5);
    ASSERT_EQ(mdlElmdscr_new(&cases[0].d, nullptr, line({0, 0, 0}, {3, 4, 0}).get()), 0);
    ASSERT_EQ(mdlElmdscr_new(&cases[1].d, nullptr, lineString({{0, 0, 0}, {1, 0, 0}, {1, 2, 0}}).get()), 0);
    ASSERT_EQ(mdlElmdscr_new(&cases[2].d, nullptr, topArc().get()), 0);
    ASSERT_EQ(mdlElmdscr_new(&cases[3].d, nullptr, curve.get()), 0);
    cases[4].d = std::exchange(c.d, nullptr);
    for (const Dscr &k : cases) {
        SCOPED_TRACE(mdlElement_getType(&k->el));
        DPoint3d a, b, ra, rb;
        ASSERT_EQ(mdlElmdscr_extractEndPoints(&a, &b, k.d, 0), 0);
        Dscr r;
        ASSERT_EQ(mdlElmdscr_reverse(&r.d, k.d, 0), 0);
        ASSERT_EQ(mdlElmdscr_extractEndPoints(&ra, &rb, r.d, 0), 0);
        expectPoint(ra, b);
        expectPoint(rb, a);
        DPoint3d again;
        ASSERT_EQ(mdlElmdscr_extractEndPoints(&again, nullptr, k.d, 0), 0);
        expectPoint(again, a); // the source stays as it was
    }
    // The reversed arc still bulges upwards.
    Dscr r;
    ASSERT_EQ(mdlElmdscr_reverse(&r.d, cases[2].d, 0), 0);
    EXPECT_NEAR(r->el.line.dhdr.range.high.y, 5, 1e-9);
    auto el = std::make_unique<MSElement>();
    DPoint3d o{0, 0, 0};
    ASSERT_EQ(mdlCell_create(el.get(), u"X", &o, 0), 0);
    Dscr cell;
    ASSERT_EQ(mdlElmdscr_new(&cell.d, nullptr, el.get()), 0);
    Dscr none;
    EXPECT_NE(mdlElmdscr_reverse(&none.d, cell.d, 0), 0);
    EXPECT_EQ(none.d, nullptr);
}

TEST_F(DgnTest, ConvertTo2DAndBackTo3DAtAHeight)
{
    make3d();
    Dscr c = chain();
    ASSERT_EQ(mdlElmdscr_appendElement(c.d, lineString({{20, 0, 7}, {30, 0, 9}}).get()), 0);
    Dscr flat, lifted;
    ASSERT_EQ(mdlElmdscr_convertTo2D(&flat.d, c.d, 0), 0);
    ASSERT_EQ(mdlElmdscr_convertTo3D(&lifted.d, flat.d, 0, 500), 0);
    auto zs = [](MSElementDescr *d) {
        std::vector<double> z;
        mdlElmdscr_operation(
            d,
            [](MSElement *el, void *arg, int, MSElementDescr *) {
                auto &z = *static_cast<std::vector<double> *>(arg);
                DPoint3d p[MAX_VERTICES];
                int n = 0;
                if (mdlLinear_extract(p, &n, el, 0) == 0)
                    for (int i = 0; i < n; ++i) z.push_back(p[i].z);
                DPoint3d c;
                if (mdlArc_extract(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &c, el) == 0)
                    z.push_back(c.z);
                return 0;
            },
            &z, ELMD_ELEMENT);
        return z;
    };
    for (double z : zs(flat.d)) EXPECT_EQ(z, 0);
    for (double z : zs(lifted.d)) EXPECT_EQ(z, 500);
    EXPECT_FALSE(flat->el.ehdr.properties & ELM_PROP_3D);
    EXPECT_TRUE(lifted->h.firstElem->el.ehdr.properties & ELM_PROP_3D);
    EXPECT_EQ(lifted->el.line.dhdr.range.low.z, 500);
    EXPECT_EQ(zs(c.d).back(), 9); // the source keeps its heights
}

// --- strokes ---------------------------------------------------------------------------

TEST_F(DgnTest, StrokeCoversEveryLinearKind)
{
    auto el = std::make_unique<MSElement>();
    DPoint3d centre{0, 0, 0};
    ASSERT_EQ(mdlEllipse_create(el.get(), nullptr, &centre, 10, 10, nullptr, 0), 0);
    DPoint3d curvePts[3] = {{0, 0, 0}, {5, 5, 0}, {10, 0, 0}};
    auto curve = std::make_unique<MSElement>();
    ASSERT_EQ(mdlCurve_create(curve.get(), nullptr, curvePts, 3), 0);
    auto closedHdr = std::make_unique<MSElement>();
    ASSERT_EQ(mdlComplexChain_createHeader(closedHdr.get(), 1, 0), 0);

    std::vector<Dscr> d(7);
    ASSERT_EQ(mdlElmdscr_new(&d[0].d, nullptr, line({0, 0, 0}, {3, 4, 0}).get()), 0);
    ASSERT_EQ(mdlElmdscr_new(&d[1].d, nullptr, lineString({{0, 0, 0}, {1, 0, 0}, {1, 2, 0}}).get()), 0);
    ASSERT_EQ(mdlElmdscr_new(&d[2].d, nullptr, shape(square(0, 0, 1), false).get()), 0);
    ASSERT_EQ(mdlElmdscr_new(&d[3].d, nullptr, topArc().get()), 0);
    ASSERT_EQ(mdlElmdscr_new(&d[4].d, nullptr, el.get()), 0);
    ASSERT_EQ(mdlElmdscr_new(&d[5].d, nullptr, curve.get()), 0);
    d[6] = chain();
    const struct {
        const char *name;
        int minPoints;
        bool closed;
        DPoint3d first, last;
    } cases[] = {
        {"line", 2, false, {0, 0, 0}, {3, 4, 0}},
        {"line string", 3, false, {0, 0, 0}, {1, 2, 0}},
        {"shape", 5, true, {0, 0, 0}, {0, 0, 0}},
        {"arc", 8, false, {10, 0, 0}, {20, 0, 0}},
        {"circle", 16, true, {10, 0, 0}, {10, 0, 0}},
        {"curve", 3, false, {0, 0, 0}, {10, 0, 0}},
        {"complex chain", 9, false, {0, 0, 0}, {20, 0, 0}},
    };
    for (size_t i = 0; i < d.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        DPoint3d *pts = nullptr;
        int n = 0;
        ASSERT_EQ(mdlElmdscr_stroke(&pts, &n, d[i].d, 0.01), 0);
        EXPECT_GE(n, cases[i].minPoints);
        expectPoint(pts[0], cases[i].first);
        expectPoint(pts[n - 1], cases[i].last);
        for (int k = 1; k < n; ++k) // no repeated joints
            EXPECT_GT(mdlVec_distance(&pts[k - 1], &pts[k]), 0);
        dlmSystem_mdlFree(pts);
    }

    // Chords of the circle keep within the tolerance, and a finer tolerance
    // gives more of them.
    DPoint3d *coarse = nullptr, *fine = nullptr;
    int nc = 0, nf = 0;
    ASSERT_EQ(mdlElmdscr_stroke(&coarse, &nc, d[4].d, 0.1), 0);
    ASSERT_EQ(mdlElmdscr_stroke(&fine, &nf, d[4].d, 0.001), 0);
    EXPECT_GT(nf, nc);
    for (int k = 1; k < nc; ++k) {
        DPoint3d mid{(coarse[k - 1].x + coarse[k].x) / 2, (coarse[k - 1].y + coarse[k].y) / 2, 0};
        EXPECT_LE(10 - mdlVec_distance(&mid, &centre), 0.1 + 1e-9);
        EXPECT_NEAR(mdlVec_distance(&coarse[k], &centre), 10, 1e-9);
    }
    dlmSystem_mdlFree(coarse);
    dlmSystem_mdlFree(fine);

    // A text is not stroked.
    TextSizeParam size{1, 1};
    ASSERT_EQ(mdlText_create(el.get(), nullptr, "t", &centre, nullptr, &size, nullptr), 0);
    Dscr text;
    ASSERT_EQ(mdlElmdscr_new(&text.d, nullptr, el.get()), 0);
    DPoint3d *pts = nullptr;
    int n = 0;
    EXPECT_NE(mdlElmdscr_stroke(&pts, &n, text.d, 0.01), 0);
    EXPECT_EQ(pts, nullptr);
}

TEST_F(DgnTest, LongVertexRunsBecomeComplexElementsThatStrokeWhole)
{
    std::vector<DPoint3d> pts;
    for (int i = 0; i < 12000; ++i) {
        double a = 2 * kPi * i / 12000;
        pts.push_back(DPoint3d{1000 * std::cos(a), 1000 * std::sin(a), 0});
    }
    const struct {
        int closed, type, pieces, strokePoints;
    } cases[] = {{0, CMPLX_STRING_ELM, 3, 12000}, {1, CMPLX_SHAPE_ELM, 3, 12001}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.closed);
        Dscr d;
        ASSERT_EQ(mdlElmdscr_createFromVertices(&d.d, nullptr, pts.data(), int(pts.size()), c.closed, 0), 0);
        EXPECT_EQ(mdlElement_getType(&d->el), c.type);
        ASSERT_EQ(count(d.d), c.pieces);
        EXPECT_EQ(mdlLinear_getPointCount(&d->h.firstElem->el), MAX_VERTICES);
        DPoint3d *out = nullptr;
        int n = 0;
        ASSERT_EQ(mdlElmdscr_stroke(&out, &n, d.d, 0), 0);
        EXPECT_EQ(n, c.strokePoints);
        expectPoint(out[11999], pts[11999]);
        dlmSystem_mdlFree(out);
        EXPECT_NE(mdlElmdscr_add(d.d), 0u) << mdlErrno;
    }
    const struct {
        int n, closed, type;
    } small[] = {{2, 0, LINE_ELM}, {3, 0, LINE_STRING_ELM}, {3, 1, SHAPE_ELM}, {MAX_VERTICES, 1, CMPLX_SHAPE_ELM}};
    for (const auto &s : small) {
        Dscr d;
        ASSERT_EQ(mdlElmdscr_createFromVertices(&d.d, nullptr, pts.data(), s.n, s.closed, 0), 0);
        EXPECT_EQ(mdlElement_getType(&d->el), s.type);
    }
}

// --- measurement ---------------------------------------------------------------------

TEST_F(DgnTest, AreaPropertiesTakeHolesIntoAccount)
{
    auto el = std::make_unique<MSElement>();
    DPoint3d o{0, 0, 0};
    ASSERT_EQ(mdlCell_create(el.get(), u"F", &o, 0), 0);
    Dscr cell;
    ASSERT_EQ(mdlElmdscr_new(&cell.d, nullptr, el.get()), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(cell.d, shape(square(0, 0, 10), false).get()), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(cell.d, shape(square(6, 6, 2), true).get()), 0);
    double perimeter, area;
    DPoint3d c;
    ASSERT_EQ(mdlMeasure_areaProperties(&perimeter, &area, &c, cell.d, 0.1), 0);
    EXPECT_DOUBLE_EQ(area, 96);
    EXPECT_DOUBLE_EQ(perimeter, 48);
    // (100 * 5 - 4 * 7) / 96
    EXPECT_NEAR(c.x, 472.0 / 96, 1e-12);
    EXPECT_NEAR(c.y, 472.0 / 96, 1e-12);

    // Master units: the same square drawn in UOR measures in metres.
    Dscr sq;
    ASSERT_EQ(mdlElmdscr_new(&sq.d, nullptr, shape(square(1000, 2000, 4000), false).get()), 0);
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    ASSERT_EQ(mdlMeasure_areaProperties(nullptr, &area, &c, sq.d, 0.0), 0);
    mdlCurrTrans_end();
    EXPECT_DOUBLE_EQ(area, 16);
    expectPoint(c, DPoint3d{3, 4, 0}, 1e-12);

    // A circle's area through its stroke, and an open element has none.
    DPoint3d centre{0, 0, 0};
    ASSERT_EQ(mdlEllipse_create(el.get(), nullptr, &centre, 10, 10, nullptr, 0), 0);
    Dscr circle;
    ASSERT_EQ(mdlElmdscr_new(&circle.d, nullptr, el.get()), 0);
    ASSERT_EQ(mdlMeasure_areaProperties(nullptr, &area, &c, circle.d, 0.001), 0);
    EXPECT_NEAR(area, kPi * 100, 0.05);
    expectPoint(c, centre, 1e-9);
    Dscr open = chain();
    mdlErrno = 0;
    EXPECT_NE(mdlMeasure_areaProperties(nullptr, &area, &c, open.d, 0.1), 0);
    EXPECT_EQ(mdlErrno, DGNERR_BADELEMENT);
}

TEST_F(DgnTest, LinearPropertiesAddEveryPiece)
{
    Dscr c = chain();
    double length = 0;
    DPoint3d centroid;
    ASSERT_EQ(mdlMeasure_linearProperties(&length, &centroid, c.d, 0.0001), 0);
    EXPECT_NEAR(length, 10 + 5 * kPi, 1e-3);
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    ASSERT_EQ(mdlMeasure_linearProperties(&length, nullptr, c.d, 0.0000001), 0);
    mdlCurrTrans_end();
    EXPECT_NEAR(length, (10 + 5 * kPi) / 1000, 1e-6);
}

TEST(DgnMeasure, PolygonAreaInAnyPlane)
{
    const std::vector<DPoint3d> flat = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}};
    const std::vector<DPoint3d> closed = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}, {0, 0, 0}};
    const std::vector<DPoint3d> upright = {{0, 0, 0}, {4, 0, 0}, {4, 0, 3}, {0, 0, 3}};
    const std::vector<DPoint3d> far = {{6.6e9, 5.9e8, 0}, {6.6e9 + 4, 5.9e8, 0}, {6.6e9 + 4, 5.9e8 + 3, 0},
                                       {6.6e9, 5.9e8 + 3, 0}};
    for (const auto *p : {&flat, &closed, &upright, &far}) {
        double area = 0, perimeter = 0;
        ASSERT_EQ(mdlMeasure_polygonArea(&area, &perimeter, p->data(), int(p->size())), 0);
        EXPECT_NEAR(area, 12, 1e-9);
        EXPECT_NEAR(perimeter, 14, 1e-9);
    }
    double area;
    EXPECT_NE(mdlMeasure_polygonArea(&area, nullptr, flat.data(), 2), 0);
}

// --- transforms, duplicates, fill --------------------------------------------------------

TEST_F(DgnTest, TransformMovesScalesAndTurnsEveryKind)
{
    Dscr d;
    ASSERT_EQ(mdlElmdscr_new(&d.d, nullptr, line({0, 0, 0}, {1, 0, 0}).get()), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(d.d, topArc().get()), 0);
    auto text = std::make_unique<MSElement>();
    DPoint3d o{1, 1, 0};
    TextSizeParam size{1, 2};
    ASSERT_EQ(mdlText_create(text.get(), nullptr, "ab", &o, nullptr, &size, nullptr), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(d.d, text.get()), 0);

    // Scale by 2, turn a quarter, then move by (100, 0).
    RotMatrix quarter;
    mdlRMatrix_fromAngle(&quarter, kPi / 2);
    Transform t;
    DPoint3d move{100, 0, 0};
    mdlTMatrix_fromRMatrix(&t, &quarter, &move);
    mdlTMatrix_scale(&t, &t, 2, 2, 2);
    ASSERT_EQ(mdlElmdscr_transform(d.d, &t), 0);

    expectPoint(d->el.line.end, DPoint3d{100, 2, 0});
    const MSElement &arc = d->h.next->el;
    expectPoint(arc.ellipse.origin, DPoint3d{100, 30, 0});
    EXPECT_NEAR(arc.ellipse.primary, 10, 1e-9);
    DPoint3d ends[2];
    ASSERT_EQ(mdlArc_extract(ends, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &arc), 0);
    expectPoint(ends[0], DPoint3d{100, 20, 0});
    expectPoint(ends[1], DPoint3d{100, 40, 0});
    EXPECT_NEAR(arc.line.dhdr.range.low.x, 90, 1e-9); // the bulge turned to -x
    const MSElement &tx = d->h.next->h.next->el;
    expectPoint(tx.text.origin, DPoint3d{98, 2, 0});
    EXPECT_NEAR(tx.text.attr.height, 4, 1e-12);
    EXPECT_NEAR(mdlRMatrix_toAngle(&tx.text.rotation), kPi / 2, 1e-12);

    Transform bad{};
    bad.form3d[0][0] = std::nan("");
    EXPECT_NE(mdlElmdscr_transform(d.d, &bad), 0);
}

TEST_F(DgnTest, DuplicateIsDeepAndIndependent)
{
    Dscr t = walkTree();
    Dscr copy;
    ASSERT_EQ(mdlElmdscr_duplicate(&copy.d, t.d), 0);
    ASSERT_NE(copy->h.next, nullptr); // the sibling came along
    EXPECT_EQ(copy->h.next->h.previous, copy.d);
    MSElementDescr *inner = copy->h.firstElem->h.next;
    EXPECT_EQ(inner->h.myHeader, copy.d);
    EXPECT_EQ(inner->h.firstElem->h.myHeader, inner);
    uint32_t red = 2;
    ASSERT_EQ(mdlElement_setSymbology(&inner->h.firstElem->el, &red, nullptr, nullptr), 0);
    uint32_t original = 0;
    ASSERT_EQ(mdlElement_getSymbology(&original, nullptr, nullptr, &t->h.firstElem->h.next->h.firstElem->el), 0);
    EXPECT_EQ(original, 0u);
}

TEST_F(DgnTest, FillIsAddedAndStrippedOnClosedHeaders)
{
    auto hdr = std::make_unique<MSElement>();
    ASSERT_EQ(mdlComplexChain_createHeader(hdr.get(), 1, 0), 0);
    Dscr d;
    ASSERT_EQ(mdlElmdscr_new(&d.d, nullptr, hdr.get()), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(d.d, lineString({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}}).get()), 0);
    uint32_t colour = 4, fill = 0;
    ASSERT_EQ(mdlElement_setSymbology(&d->el, &colour, nullptr, nullptr), 0);
    ASSERT_EQ(mdlElmdscr_addFill(d.d, nullptr), 0);
    EXPECT_TRUE(mdlElement_isFilled(&d->el, &fill));
    EXPECT_EQ(fill, 4u);
    ASSERT_EQ(mdlElmdscr_stripFill(d.d), 0);
    EXPECT_FALSE(mdlElement_isFilled(&d->el, nullptr));
    Dscr open = chain();
    EXPECT_NE(mdlElmdscr_addFill(open.d, nullptr), 0);
}

TEST_F(DgnTest, AttributesOfADescriptorKeepItsTotals)
{
    Dscr c = chain();
    const uint32_t total = c->el.complexHdr.totalWords;
    uint16_t link[4] = {3, 0, 11, 12};
    ASSERT_EQ(mdlElmdscr_appendAttributes(c.d, 4, link), 0);
    EXPECT_EQ(c->el.complexHdr.totalWords, total + 4);
    uint16_t out[8];
    int n = 0;
    ASSERT_EQ(mdlElmdscr_extractAttributes(&n, out, 8, c.d), 0);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(out[3], 12);
    ASSERT_EQ(mdlElmdscr_stripAttributes(c.d), 0);
    EXPECT_EQ(c->el.complexHdr.totalWords, total);
}

// --- growable arrays -------------------------------------------------------------------------

TEST(DgnDArray, InsertGetSetDelete)
{
    struct Post {
        int32_t serial, pos, model;
    };
    MdlDArray *a = mdlDArray_create(sizeof(Post));
    ASSERT_NE(a, nullptr);
    for (int i = 0; i < 1000; ++i) {
        Post p{i, i * 10, 1};
        ASSERT_EQ(mdlDArray_insertMember(a, &p, -1), i);
    }
    Post first{-1, 0, 0};
    ASSERT_EQ(mdlDArray_insertMember(a, &first, 0), 0);
    // A member of the array itself may be inserted again.
    ASSERT_EQ(mdlDArray_insertMember(a, mdlDArray_getMemberP(a, 500), 0), 0);
    EXPECT_EQ(mdlDArray_getCount(a), 1002);
    EXPECT_EQ(static_cast<Post *>(mdlDArray_getMemberP(a, 0))->serial, 499);
    EXPECT_EQ(static_cast<Post *>(mdlDArray_getMemberP(a, 1))->serial, -1);
    EXPECT_EQ(static_cast<Post *>(mdlDArray_getMemberP(a, 1001))->pos, 9990);
    Post changed{7, 7, 7};
    ASSERT_EQ(mdlDArray_setMember(a, &changed, 2), 0);
    EXPECT_EQ(static_cast<Post *>(mdlDArray_getMemberP(a, 2))->model, 7);
    ASSERT_EQ(mdlDArray_deleteMember(a, 0), 0);
    EXPECT_EQ(static_cast<Post *>(mdlDArray_getMemberP(a, 0))->serial, -1);
    EXPECT_EQ(mdlDArray_getMemberP(a, 1001), nullptr);
    EXPECT_EQ(mdlDArray_getMemberP(a, -1), nullptr);
    EXPECT_EQ(mdlDArray_insertMember(a, &changed, 5000), -1);
    EXPECT_EQ(mdlDArray_setMember(a, &changed, 1001), -1);
    EXPECT_EQ(mdlDArray_deleteMember(a, 1001), -1);
    mdlDArray_destroy(a);
    EXPECT_EQ(mdlDArray_create(0), nullptr);
    EXPECT_EQ(mdlDArray_create(-12), nullptr);
}

} // namespace
