// Scans: type masks, levels, graphic groups and ranges; position batches;
// callbacks that stop; a scan nested inside a running one.
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "dgn/mdlelem.h"
#include "dgn/mdlscan.h"
#include "dgn_testing.h"

namespace {

std::vector<uint32_t> maskOf(std::initializer_list<int> types)
{
    std::vector<uint32_t> mask(MDLSCAN_MASK_WORDS, 0);
    for (int t : types)
        MDLSCAN_MASK_SET(mask.data(), t);
    return mask;
}

// A small design: lines, line strings and texts in graphic groups 5 and 7
// on levels 1 and 2, plus a deleted line.
class ScanTest : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        DgnTest::SetUp();
        line(5, 1, 0);           // 0
        lineString(5, 1, 100);   // 1
        text(5, 2, 200);         // 2
        line(7, 2, 300);         // 3
        uint32_t gone = line(5, 1, 400);
        ASSERT_NE(gone, 0u);
        auto el = std::make_unique<MSElement>();
        ASSERT_EQ(mdlElement_read(el.get(), mdlModelRef_getActive(), gone), 0);
        ASSERT_EQ(mdlElement_undoableDelete(el.get(), gone, 0), 0);
        line(5, 2, 500);         // 4
        lineString(0, 1, 600);   // 5
    }

    uint32_t add(MSElement &el, uint32_t group, uint32_t level)
    {
        EXPECT_EQ(mdlElement_setProperties(&el, &level, &group, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
                  0);
        uint32_t pos = mdlElement_add(&el);
        EXPECT_NE(pos, 0u);
        if (pos != 0)
            pos_.push_back(pos);
        return pos;
    }
    uint32_t line(uint32_t group, uint32_t level, double x)
    {
        auto el = std::make_unique<MSElement>();
        const DPoint3d pts[2] = {{x, 0, 0}, {x + 10, 0, 0}};
        EXPECT_EQ(mdlLine_create(el.get(), nullptr, pts), 0);
        uint32_t pos = add(*el, group, level);
        return pos;
    }
    void lineString(uint32_t group, uint32_t level, double x)
    {
        auto el = std::make_unique<MSElement>();
        const DPoint3d pts[3] = {{x, 0, 0}, {x + 10, 10, 0}, {x + 20, 0, 0}};
        ASSERT_EQ(mdlLineString_create(el.get(), nullptr, pts, 3), 0);
        add(*el, group, level);
    }
    void text(uint32_t group, uint32_t level, double x)
    {
        auto el = std::make_unique<MSElement>();
        const DPoint3d origin{x, 0, 0};
        TextSizeParam size{5, 5};
        TextParam params{1, 2, 1.0, 1, {-1, -1}};
        ASSERT_EQ(mdlText_create(el.get(), nullptr, "K", &origin, nullptr, &size, &params), 0);
        add(*el, group, level);
    }
    // Positions of the live elements by their number in SetUp.
    std::vector<uint32_t> live(std::initializer_list<int> which) const
    {
        std::vector<uint32_t> out;
        for (int i : which)
            out.push_back(pos_[static_cast<size_t>(i < 4 ? i : i + 1)]);
        return out;
    }

    std::vector<uint32_t> pos_; // every added element, the deleted one included
};

std::vector<uint32_t> scanAll(MdlScanCriteria *sc, int batch)
{
    std::vector<uint32_t> got;
    std::vector<uint32_t> buf(static_cast<size_t>(batch));
    for (int guard = 0; guard < 100; ++guard) {
        int n = -1;
        int rc = mdlScanCriteria_scan(sc, buf.data(), batch, &n);
        EXPECT_GE(rc, 0);
        got.insert(got.end(), buf.begin(), buf.begin() + std::max(n, 0));
        if (rc != 0)
            break;
    }
    return got;
}

TEST_F(ScanTest, CriteriaSelectByTypeLevelGraphicGroupAndRange)
{
    struct Case {
        const char *what;
        std::vector<uint32_t> mask;
        std::vector<uint32_t> levels;
        int useGroup;
        uint32_t group;
        bool useRange;
        DRange3d range;
        std::vector<int> want;
    } cases[] = {
        {"everything", {}, {}, 0, 0, false, {}, {0, 1, 2, 3, 4, 5}},
        {"lines", maskOf({3}), {}, 0, 0, false, {}, {0, 3, 4}},
        {"lines of group 5", maskOf({3}), {}, 1, 5, false, {}, {0, 4}},
        {"texts of group 5", maskOf({17}), {}, 1, 5, false, {}, {2}},
        {"lines and strings of group 5", maskOf({3, 4}), {}, 1, 5, false, {}, {0, 1, 4}},
        {"group 0", {}, {}, 1, 0, false, {}, {5}},
        {"level 2", {}, {2}, 0, 0, false, {}, {2, 3, 4}},
        {"lines of level 1 or 2 in group 5", maskOf({3}), {1, 2}, 1, 5, false, {}, {0, 4}},
        {"range over the second and third", {}, {}, 0, 0, true, {{105, -5, 0}, {210, 5, 0}}, {1, 2}},
        {"a type nobody has", maskOf({66}), {}, 0, 0, false, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        MdlScanCriteria *sc = mdlScanCriteria_create();
        ASSERT_NE(sc, nullptr);
        ASSERT_EQ(mdlScanCriteria_setModel(sc, mdlModelRef_getActive()), 0);
        ASSERT_EQ(mdlScanCriteria_setElementTypeTest(sc, c.mask.data(), static_cast<int>(c.mask.size())), 0);
        ASSERT_EQ(mdlScanCriteria_setLevelTest(sc, c.levels.data(), static_cast<int>(c.levels.size())), 0);
        ASSERT_EQ(mdlScanCriteria_setGraphicGroupTest(sc, c.useGroup, c.group), 0);
        ASSERT_EQ(mdlScanCriteria_setRangeTest(sc, c.useRange ? &c.range : nullptr), 0);
        std::vector<uint32_t> want;
        for (int i : c.want)
            want.push_back(live({i})[0]);
        EXPECT_EQ(scanAll(sc, 2), want);
        mdlScanCriteria_free(&sc);
        EXPECT_EQ(sc, nullptr);
    }
}

TEST_F(ScanTest, PositionBatchesEndOnceAndRestartWhenATestChanges)
{
    MdlScanCriteria *sc = mdlScanCriteria_create();
    uint32_t buf[4];
    int n = 0;
    ASSERT_EQ(mdlScanCriteria_scan(sc, buf, 4, &n), 0);
    EXPECT_EQ(n, 4);
    ASSERT_EQ(mdlScanCriteria_scan(sc, buf, 4, &n), MDLSCAN_END);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(mdlScanCriteria_scan(sc, buf, 4, &n), MDLSCAN_END);
    EXPECT_EQ(n, 0);
    // Exactly a batch's worth ends with that batch.
    std::vector<uint32_t> mask = maskOf({3});
    ASSERT_EQ(mdlScanCriteria_setElementTypeTest(sc, mask.data(), MDLSCAN_MASK_WORDS), 0);
    EXPECT_EQ(mdlScanCriteria_scan(sc, buf, 3, &n), MDLSCAN_END);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(mdlScanCriteria_scan(sc, nullptr, 3, &n), DGNERR_BADELEMENT);
    mdlScanCriteria_free(&sc);

    mdlhost_closeDesignFile();
    sc = mdlScanCriteria_create();
    EXPECT_EQ(mdlScanCriteria_scan(sc, buf, 4, &n), DGNERR_NOMODEL);
    mdlScanCriteria_free(&sc);
}

struct Visits {
    std::vector<uint32_t> seen;
    size_t stopAt = 0; // stop on this visit (1 = the first); 0 never
};

int onDescr(MSElementDescr *dscr, void *arg, MdlScanCriteria *)
{
    auto *v = static_cast<Visits *>(arg);
    v->seen.push_back(dscr->h.filePos);
    return v->seen.size() == v->stopAt ? 42 : 0;
}

int onElement(MSElement *, uint32_t pos, void *arg, MdlScanCriteria *)
{
    auto *v = static_cast<Visits *>(arg);
    v->seen.push_back(pos);
    return v->seen.size() == v->stopAt ? 42 : 0;
}

TEST_F(ScanTest, CallbacksVisitInOrderAndStopOnNonZero)
{
    for (int type : {MDLSCAN_RETURN_ELMDSCR, MDLSCAN_RETURN_ELEMENT}) {
        for (size_t stopAt : {size_t{0}, size_t{2}}) {
            SCOPED_TRACE(testing::Message() << "type " << type << " stop at " << stopAt);
            Visits v;
            v.stopAt = stopAt;
            MdlScanCriteria *sc = mdlScanCriteria_create();
            std::vector<uint32_t> mask = maskOf({3, 4});
            ASSERT_EQ(mdlScanCriteria_setElementTypeTest(sc, mask.data(), MDLSCAN_MASK_WORDS), 0);
            ASSERT_EQ(mdlScanCriteria_setReturnType(sc, type), 0);
            ASSERT_EQ(mdlScanCriteria_setElmDscrCallback(sc, onDescr, &v), 0);
            ASSERT_EQ(mdlScanCriteria_setElementCallback(sc, onElement, &v), 0);
            int rc = mdlScanCriteria_scan(sc, nullptr, 0, nullptr);
            if (stopAt == 0) {
                EXPECT_EQ(rc, 0);
                EXPECT_EQ(v.seen, live({0, 1, 3, 4, 5}));
            } else {
                EXPECT_EQ(rc, 42);
                EXPECT_EQ(v.seen, live({0, 1}));
            }
            mdlScanCriteria_free(&sc);
        }
    }
    MdlScanCriteria *sc = mdlScanCriteria_create();
    ASSERT_EQ(mdlScanCriteria_setReturnType(sc, MDLSCAN_RETURN_ELMDSCR), 0);
    EXPECT_EQ(mdlScanCriteria_scan(sc, nullptr, 0, nullptr), DGNERR_BADELEMENT); // no callback
    mdlScanCriteria_free(&sc);
}

// For each line: a nested scan of the same graphic group, inside the
// running position scan, counts the group's texts.
struct Nested {
    std::vector<uint32_t> textsPerLine;
};

int countGroupTexts(MSElement *, uint32_t, void *arg, MdlScanCriteria *)
{
    ++*static_cast<uint32_t *>(arg);
    return 0;
}

TEST_F(ScanTest, NestedScanLeavesTheRunningScanWhereItWas)
{
    Scanlist lines{};
    MDLSCAN_MASK_SET(lines.typeMask, LINE_ELM);
    ASSERT_EQ(mdlScan_initialize(mdlModelRef_getActive(), &lines), 0);
    std::vector<uint32_t> outer, groupSizes;
    uint32_t pos[1];
    int n = 0, rc = 0;
    auto el = std::make_unique<MSElement>();
    do {
        rc = mdlScan_file(pos, 1, &n);
        ASSERT_GE(rc, 0);
        for (int i = 0; i < n; ++i) {
            outer.push_back(pos[i]);
            ASSERT_EQ(mdlElement_read(el.get(), mdlModelRef_getActive(), pos[i]), 0);
            // The inner scan runs through the same position scan calls.
            MdlScanContext saved{};
            ASSERT_EQ(mdlScan_saveContext(&saved), 0);
            Scanlist group{};
            group.useGraphicGroup = 1;
            group.graphicGroup = el->ehdr.graphicGroup;
            ASSERT_EQ(mdlScan_initialize(0, &group), 0);
            uint32_t inner[8];
            int m = 0;
            uint32_t total = 0;
            while (true) {
                int r = mdlScan_file(inner, 8, &m);
                ASSERT_GE(r, 0);
                total += static_cast<uint32_t>(m);
                if (r == MDLSCAN_END)
                    break;
            }
            // And a criteria scan inside it, as an area's point search does.
            uint32_t texts = 0;
            MdlScanCriteria *sc = mdlScanCriteria_create();
            std::vector<uint32_t> mask = maskOf({TEXT_ELM});
            mdlScanCriteria_setElementTypeTest(sc, mask.data(), MDLSCAN_MASK_WORDS);
            mdlScanCriteria_setGraphicGroupTest(sc, 1, el->ehdr.graphicGroup);
            mdlScanCriteria_setReturnType(sc, MDLSCAN_RETURN_ELEMENT);
            mdlScanCriteria_setElementCallback(sc, countGroupTexts, &texts);
            ASSERT_EQ(mdlScanCriteria_scan(sc, nullptr, 0, nullptr), 0);
            mdlScanCriteria_free(&sc);
            groupSizes.push_back(total * 10 + texts);
            ASSERT_EQ(mdlScan_restoreContext(&saved), 0);
        }
    } while (rc == 0);
    EXPECT_EQ(outer, live({0, 3, 4}));
    // Group 5 holds four live elements, one of them a text; group 7 one line.
    EXPECT_EQ(groupSizes, (std::vector<uint32_t>{41, 10, 41}));
}

TEST_F(ScanTest, RunningScanNeedsAModelAndSaneLists)
{
    Scanlist bad{};
    bad.levelCount = MDLSCAN_MAX_LEVELS + 1;
    EXPECT_EQ(mdlScan_initialize(0, &bad), DGNERR_BADELEMENT);
    MdlScanContext ctx{};
    ctx.list.levelCount = -1;
    EXPECT_EQ(mdlScan_restoreContext(&ctx), DGNERR_BADELEMENT);
    mdlhost_closeDesignFile();
    EXPECT_EQ(mdlScan_initialize(0, nullptr), DGNERR_NOMODEL);
}

TEST_F(ScanTest, RangeTestTakesCurrentCoordinates)
{
    // Under master units (1000 UOR per m) 0.1 .. 0.21 m covers the same two.
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    MdlScanCriteria *sc = mdlScanCriteria_create();
    const DRange3d range{{0.105, -0.005, 0}, {0.21, 0.005, 0}};
    ASSERT_EQ(mdlScanCriteria_setRangeTest(sc, &range), 0);
    mdlCurrTrans_end();
    EXPECT_EQ(scanAll(sc, 8), live({1, 2}));
    mdlScanCriteria_free(&sc);
}

} // namespace
