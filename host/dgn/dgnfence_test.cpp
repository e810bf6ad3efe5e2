// The fence and the views: definitions and refusals, fences from views
// fitted to the design, the view-update hook, fence processing with its
// snapshot of candidates, and the element a data point locates.
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/mdlcmd.h"
#include "dgn/mdlelem.h"
#include "dgn/mdlscan.h"
#include "dgn_testing.h"

namespace {

const DPoint3d kSquare[] = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}};

class FenceTest : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        DgnTest::SetUp();
        mdlhost_viewsReset();
        mdlFence_clear();
    }
    void TearDown() override
    {
        mdlFence_clear();
        mdlhost_viewsReset();
        DgnTest::TearDown();
    }

    uint32_t addLine(DPoint3d a, DPoint3d b, bool locked = false)
    {
        auto el = std::make_unique<MSElement>();
        const DPoint3d pts[2] = {a, b};
        EXPECT_EQ(mdlLine_create(el.get(), nullptr, pts), 0);
        int lock = locked ? 1 : 0;
        EXPECT_EQ(mdlElement_setProperties(el.get(), nullptr, nullptr, nullptr, &lock, nullptr, nullptr, nullptr,
                                           nullptr),
                  0);
        uint32_t pos = mdlElement_add(el.get());
        EXPECT_NE(pos, 0u);
        return pos;
    }
    uint32_t addText(DPoint3d origin)
    {
        auto el = std::make_unique<MSElement>();
        TextSizeParam size{5, 5};
        TextParam params{1, 2, 1.0, 1, {-1, -1}};
        EXPECT_EQ(mdlText_create(el.get(), nullptr, "A", &origin, nullptr, &size, &params), 0);
        uint32_t pos = mdlElement_add(el.get());
        EXPECT_NE(pos, 0u);
        return pos;
    }
    static void deleteAt(uint32_t pos)
    {
        auto el = std::make_unique<MSElement>();
        ASSERT_EQ(mdlElement_read(el.get(), mdlModelRef_getActive(), pos), 0);
        ASSERT_EQ(mdlElement_undoableDelete(el.get(), pos, 0), 0);
    }
    static std::vector<DPoint3d> fencePoints()
    {
        std::vector<DPoint3d> pts(MAX_VERTICES);
        int n = 0;
        EXPECT_EQ(mdlFence_getPoints(pts.data(), &n, MAX_VERTICES), 0);
        pts.resize(static_cast<size_t>(n));
        return pts;
    }
};

TEST_F(FenceTest, DefinitionsAndRefusalsKeepTheFenceConsistent)
{
    EXPECT_FALSE(mdlFence_isDefined());
    EXPECT_EQ(mdlFence_getViewIndex(), -1);
    ASSERT_EQ(mdlFence_fromPoints(kSquare, 4, 3), 0);
    EXPECT_TRUE(mdlFence_isDefined());
    EXPECT_EQ(mdlFence_getViewIndex(), 3);
    std::vector<DPoint3d> pts = fencePoints();
    ASSERT_EQ(pts.size(), 5u); // closed
    EXPECT_DOUBLE_EQ(pts[2].x, 100);
    EXPECT_DOUBLE_EQ(pts[4].y, 0);

    const DPoint3d line[] = {{0, 0, 0}, {50, 50, 0}, {100, 100, 0}};
    const DPoint3d twice[] = {{0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {0, 0, 0}};
    const DPoint3d nan[] = {{0, 0, 0}, {NAN, 0, 0}, {10, 10, 0}};
    struct Case {
        const char *what;
        const DPoint3d *pts;
        int n, view, error;
    } refused[] = {
        {"two points", kSquare, 2, 0, DGNERR_BADELEMENT},
        {"on one line", line, 3, 0, DGNERR_BADELEMENT},
        {"repeated points leave two", twice, 4, 0, DGNERR_BADELEMENT},
        {"not a number", nan, 3, 0, DGNERR_BADELEMENT},
        {"view 8", kSquare, 4, 8, DGNERR_NOTFOUND},
        {"view -1", kSquare, 4, -1, DGNERR_NOTFOUND},
    };
    for (const Case &c : refused) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(mdlFence_fromPoints(c.pts, c.n, c.view), c.error);
        EXPECT_EQ(mdlFence_getViewIndex(), 3);
        EXPECT_EQ(fencePoints().size(), 5u);
    }

    mdlFence_clear();
    mdlFence_clear(); // a second clear without a fence is harmless
    EXPECT_FALSE(mdlFence_isDefined());
    auto shape = std::make_unique<MSElement>();
    EXPECT_EQ(mdlFence_toShape(shape.get()), DGNERR_NOTFOUND);

    // The keyin does the same, twice in a row as the editing tool queues it.
    ASSERT_EQ(mdlFence_fromPoints(kSquare, 4, 0), 0);
    EXPECT_EQ(mdlhost_keyin("fence delete"), MDLHOST_KEYIN_OK);
    EXPECT_FALSE(mdlFence_isDefined());
    EXPECT_EQ(mdlhost_keyin("FENCE DELETE"), MDLHOST_KEYIN_OK);
}

TEST_F(FenceTest, ShapesGoInAndComeOutInCurrentUnits)
{
    auto shape = std::make_unique<MSElement>();
    ASSERT_EQ(mdlShape_create(shape.get(), nullptr, kSquare, 4, 0), 0);
    ASSERT_EQ(mdlFence_fromShape(shape.get(), 1), 0);
    auto back = std::make_unique<MSElement>();
    ASSERT_EQ(mdlFence_toShape(back.get()), 0);
    EXPECT_EQ(mdlElement_getType(back.get()), SHAPE_ELM);
    ASSERT_EQ(back->linear.numVerts, 5u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(back->linear.vertice[i].x, kSquare[i].x);
        EXPECT_DOUBLE_EQ(back->linear.vertice[i].y, kSquare[i].y);
    }
    DRange3d range{};
    ASSERT_EQ(mdlElement_extractRange(&range, back.get()), 0);
    EXPECT_DOUBLE_EQ(range.high.x, 100);

    // A line is no outline.
    auto line = std::make_unique<MSElement>();
    ASSERT_EQ(mdlLine_create(line.get(), nullptr, kSquare), 0);
    EXPECT_EQ(mdlFence_fromShape(line.get(), 1), DGNERR_BADELEMENT);

    // Under master units (1000 UOR per m) points are metres both ways.
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    const DPoint3d metres[] = {{0, 0, 0}, {0.5, 0, 0}, {0.5, 0.25, 0}};
    ASSERT_EQ(mdlFence_fromPoints(metres, 3, 0), 0);
    std::vector<DPoint3d> pts = fencePoints();
    mdlCurrTrans_end();
    ASSERT_EQ(pts.size(), 4u);
    EXPECT_DOUBLE_EQ(pts[1].x, 0.5);
    ASSERT_EQ(mdlFence_toShape(back.get()), 0);
    EXPECT_DOUBLE_EQ(back->linear.vertice[1].x, 500);
    EXPECT_DOUBLE_EQ(back->linear.vertice[2].y, 250);
}

TEST_F(FenceTest, SelfCrossingOutlineIsRepaired)
{
    const DPoint3d bowTie[] = {{0, 0, 0}, {100, 100, 0}, {100, 0, 0}, {0, 100, 0}};
    ASSERT_EQ(mdlFence_fromPoints(bowTie, 4, 0), 0);
    MdlClipDescr *clip = nullptr;
    ASSERT_EQ(mdlClip_getFence(&clip), 0);
    struct Case {
        DPoint3d at;
        int where;
    } cases[] = {{{10, 50, 0}, MDLCLIP_INSIDE}, {{90, 50, 0}, MDLCLIP_INSIDE}, {{50, 10, 0}, MDLCLIP_OUTSIDE}};
    for (const Case &c : cases) {
        auto el = std::make_unique<MSElement>();
        const DPoint3d pts[2] = {c.at, c.at};
        ASSERT_EQ(mdlLine_create(el.get(), nullptr, pts), 0);
        MSElementDescr *d = nullptr;
        ASSERT_EQ(mdlElmdscr_new(&d, nullptr, el.get()), 0);
        EXPECT_EQ(mdlClip_isElemInside(d, clip, 0, 1), c.where) << c.at.x << "," << c.at.y;
        mdlElmdscr_freeAll(&d);
    }
    mdlClip_free(&clip);
    EXPECT_EQ(clip, nullptr);
}

TEST_F(FenceTest, FittedViewGivesTheDesignRangeAsFence)
{
    MdlViewExtent before{};
    ASSERT_EQ(mdlhost_viewGetExtent(1, &before), 0);
    EXPECT_EQ(mdlView_fit(1, 0), DGNERR_NOMODEL); // nothing to fit to
    MdlViewExtent same{};
    ASSERT_EQ(mdlhost_viewGetExtent(1, &same), 0);
    EXPECT_DOUBLE_EQ(same.delta.x, before.delta.x);

    addLine({-20, 10, 0}, {300, 40, 0});
    addLine({0, -5, 0}, {10, 90, 0});
    ASSERT_EQ(mdlView_fit(1, 0), 0);
    ASSERT_EQ(mdlFence_fromView(1), 0);
    EXPECT_EQ(mdlFence_getViewIndex(), 1);
    std::vector<DPoint3d> pts = fencePoints();
    ASSERT_EQ(pts.size(), 5u);
    EXPECT_DOUBLE_EQ(pts[0].x, -20);
    EXPECT_DOUBLE_EQ(pts[0].y, -5);
    EXPECT_DOUBLE_EQ(pts[2].x, 300);
    EXPECT_DOUBLE_EQ(pts[2].y, 90);

    EXPECT_TRUE(mdlView_isVisible(0));
    EXPECT_FALSE(mdlView_isVisible(6));
    EXPECT_FALSE(mdlView_isVisible(8));
    EXPECT_EQ(mdlView_fit(6, 0), DGNERR_NOTFOUND); // closed
    ASSERT_EQ(mdlhost_viewSetOpen(6, 1), 0);
    EXPECT_EQ(mdlView_fit(6, 0), 0);
    const DPoint3d inView1{100, 50, 0}, nowhere{5000, 5000, 0};
    EXPECT_EQ(mdlhost_viewAtPoint(&inView1), 0); // view 0 shows 0..1000000 too
    EXPECT_EQ(mdlhost_viewAtPoint(&nowhere), 0);
    ASSERT_EQ(mdlhost_viewSetOpen(0, 0), 0);
    EXPECT_EQ(mdlhost_viewAtPoint(&inView1), 1);
}

struct HookCall {
    int type;
    bool component;
    int mode;
    bool draw;
    int view;
};
std::vector<HookCall> hookCalls;

int viewHook(MSElement *el, int mode, MdlViewDisplayData *data, int view, MSElementDescr *dscr, DgnModelRefP)
{
    EXPECT_EQ(el, &dscr->el);
    hookCalls.push_back({mdlElement_getType(el), (el->ehdr.type & ELM_COMPLEX_BIT) != 0, mode,
                         (data->flags & MDLHOST_DISPLAY_DRAW) != 0, view});
    return 0;
}

TEST_F(FenceTest, ViewUpdateCallsTheHookForShownElementsAndComponents)
{
    MdlDesc *app = mdlhost_registerApplication("VIEWHOOKTEST", nullptr);
    ASSERT_NE(app, nullptr);
    MdlDesc *was = mdlhost_setCurrMdlDesc(app);
    mdlSystem_setFunction(MDLHOST_HOOK_VIEWUPDATE, reinterpret_cast<MdlFunctionP>(viewHook));
    mdlhost_setCurrMdlDesc(was);

    addLine({10, 10, 0}, {20, 20, 0});
    auto hdr = std::make_unique<MSElement>();
    ASSERT_EQ(mdlComplexChain_createHeader(hdr.get(), 0, 0), 0);
    MSElementDescr *chain = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&chain, nullptr, hdr.get()), 0);
    for (double x : {50.0, 60.0}) {
        auto part = std::make_unique<MSElement>();
        const DPoint3d pts[2] = {{x, 0, 0}, {x + 10, 0, 0}};
        ASSERT_EQ(mdlLine_create(part.get(), nullptr, pts), 0);
        ASSERT_EQ(mdlElmdscr_appendElement(chain, part.get()), 0);
    }
    ASSERT_NE(mdlElmdscr_add(chain), 0u);
    mdlElmdscr_freeAll(&chain);
    addLine({5000, 5000, 0}, {5100, 5000, 0}); // beyond the view

    MdlViewExtent extent{};
    ASSERT_EQ(mdlhost_viewGetExtent(2, &extent), 0);
    extent.origin = {0, -10, 0};
    extent.delta = {100, 100, 0};
    ASSERT_EQ(mdlhost_viewSetExtent(2, &extent), 0);
    hookCalls.clear();
    ASSERT_EQ(mdlView_updateSingle(2), 0);
    ASSERT_EQ(hookCalls.size(), 4u);
    const int types[] = {LINE_ELM, CMPLX_STRING_ELM, LINE_ELM, LINE_ELM};
    const bool components[] = {false, false, true, true};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(hookCalls[i].type, types[i]) << i;
        EXPECT_EQ(hookCalls[i].component, components[i]) << i;
        EXPECT_EQ(hookCalls[i].mode, MDLHOST_VIEWUPDATE_NORMAL);
        EXPECT_TRUE(hookCalls[i].draw);
        EXPECT_EQ(hookCalls[i].view, 2);
    }
    hookCalls.clear();
    EXPECT_EQ(mdlView_updateSingle(5), DGNERR_NOTFOUND); // closed
    EXPECT_TRUE(hookCalls.empty());
    mdlhost_unregisterApplication(app);
}

// Fence processing: the content function deletes a later candidate and adds
// an element inside the fence on its first call.
struct Processing {
    std::vector<uint32_t> visited;
    uint32_t deleteOnFirst = 0;
    uint32_t added = 0;
    int stopAfter = 0;
};

int content(uint32_t pos, DgnModelRefP model, void *arg)
{
    auto *p = static_cast<Processing *>(arg);
    EXPECT_EQ(model, mdlModelRef_getActive());
    p->visited.push_back(pos);
    if (p->visited.size() == 1) {
        auto el = std::make_unique<MSElement>();
        if (mdlElement_read(el.get(), model, p->deleteOnFirst) == 0)
            mdlElement_undoableDelete(el.get(), p->deleteOnFirst, 0);
        const DPoint3d pts[2] = {{10, 80, 0}, {20, 80, 0}};
        mdlLine_create(el.get(), nullptr, pts);
        p->added = mdlElement_add(el.get());
    }
    return static_cast<int>(p->visited.size()) == p->stopAfter ? 7 : 0;
}

TEST_F(FenceTest, ProcessingVisitsASnapshotOfTheSelection)
{
    const std::vector<uint32_t> lines = [] {
        std::vector<uint32_t> m(MDLSCAN_MASK_WORDS, 0);
        MDLSCAN_MASK_SET(m.data(), LINE_ELM);
        return m;
    }();
    struct Case {
        const char *what;
        int mode;
        bool linesOnly;
        int allowLocked;
        std::string want; // names of the visited elements; '+' a clip piece
    } cases[] = {
        {"inside", MDLFENCE_INSIDE, false, 0, "AF"},
        {"overlap with locked", MDLFENCE_OVERLAP, false, 1, "ACEF"},
        {"inside, lines, locked", MDLFENCE_INSIDE, true, 1, "AE"},
        {"clip", MDLFENCE_CLIP, true, 0, "A+"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::map<uint32_t, char> names;
        names[addLine({10, 10, 0}, {20, 10, 0})] = 'A';
        uint32_t b = addLine({30, 10, 0}, {40, 10, 0});
        names[b] = 'B';
        uint32_t crossing = addLine({50, 50, 0}, {150, 50, 0});
        names[crossing] = 'C';
        names[addLine({200, 10, 0}, {210, 10, 0})] = 'D';
        names[addLine({60, 20, 0}, {70, 20, 0}, true)] = 'E';
        names[addText({50, 30, 0})] = 'F';
        const uint32_t end = mdlModelRef_getEof(mdlModelRef_getActive());
        ASSERT_EQ(mdlFence_fromPoints(kSquare, 4, 0), 0);

        Processing p;
        p.deleteOnFirst = b;
        ASSERT_EQ(mdlhost_fenceProcess(c.mode, c.linesOnly ? lines.data() : nullptr, c.allowLocked, content, &p), 0);
        std::string got;
        for (uint32_t pos : p.visited) {
            auto it = names.find(pos);
            got += it != names.end() ? it->second : (pos >= end && pos != p.added ? '+' : '?');
        }
        EXPECT_EQ(got, c.want);
        if (c.mode == MDLFENCE_CLIP) {
            // The inside part was added and visited; the element itself stays.
            auto el = std::make_unique<MSElement>();
            ASSERT_EQ(mdlElement_read(el.get(), mdlModelRef_getActive(), p.visited.back()), 0);
            ASSERT_EQ(mdlElement_getType(el.get()), LINE_ELM);
            EXPECT_DOUBLE_EQ(el->line.start.x, 50);
            EXPECT_DOUBLE_EQ(el->line.end.x, 100);
            ASSERT_EQ(mdlElement_read(el.get(), mdlModelRef_getActive(), crossing), 0);
            EXPECT_DOUBLE_EQ(el->line.end.x, 150);
        }
        // Next case on an empty design.
        for (const auto &[pos, name] : names)
            if (name != 'B')
                deleteAt(pos);
        for (uint32_t pos : p.visited)
            if (names.find(pos) == names.end())
                deleteAt(pos);
        if (p.added != 0)
            deleteAt(p.added);
    }
}

TEST_F(FenceTest, ProcessingStopsOnNonZeroAndNeedsAFence)
{
    Processing p;
    EXPECT_EQ(mdlhost_fenceProcess(MDLFENCE_INSIDE, nullptr, 1, content, &p), DGNERR_NOTFOUND);
    addLine({10, 10, 0}, {20, 10, 0});
    addLine({30, 10, 0}, {40, 10, 0});
    ASSERT_EQ(mdlFence_fromPoints(kSquare, 4, 0), 0);
    p.stopAfter = 1;
    EXPECT_EQ(mdlhost_fenceProcess(MDLFENCE_INSIDE, nullptr, 1, content, &p), 7);
    EXPECT_EQ(p.visited.size(), 1u);
}

} // namespace

namespace {

std::vector<uint32_t> commandVisits;
DgnModelRefP commandModel = -1;
int recordCurrent()
{
    DgnModelRefP model = MDLHOST_NO_MODEL;
    commandVisits.push_back(mdlElement_getFilePos(FILEPOS_CURRENT, &model));
    commandModel = model;
    return 0;
}

TEST_F(FenceTest, TheFenceCommandTakesTheLocateSettingsAndTheLocksWhenProcessed)
{
    EXPECT_EQ(mdlFence_process(0), DGNERR_BADARG); // no command
    uint32_t a = addLine({10, 10, 0}, {20, 10, 0});
    uint32_t locked = addLine({30, 10, 0}, {40, 10, 0}, true);
    uint32_t text = addText({50, 30, 0});
    uint32_t crossing = addLine({50, 50, 0}, {150, 50, 0});
    const uint32_t end = mdlModelRef_getEof(mdlModelRef_getActive());
    ASSERT_EQ(mdlFence_fromPoints(kSquare, 4, 0), 0);

    struct Case {
        const char *what;
        std::vector<int> types;
        bool allowLocked;
        int clipLock;
        std::vector<uint32_t> want; // 0: a clip piece
    } cases[] = {
        {"every type, inside", {}, false, 0, {a, text}},
        {"lines with locked ones", {LINE_ELM}, true, 0, {a, locked}},
        {"clip", {LINE_ELM, TEXT_ELM}, false, 1, {a, text, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(mdlState_startFenceCommand(recordCurrent, nullptr, nullptr, nullptr, 2, 0, 3), 0);
        EXPECT_EQ(mdlhost_fenceCommandActive(), 1);
        if (c.allowLocked)
            mdlLocate_allowLocked();
        else
            mdlLocate_noElemNoLocked();
        mdlLocate_setElemSearchMask(int(c.types.size()), c.types.data());
        ASSERT_EQ(mdlParams_setLock(LOCK_FENCE_CLIP, c.clipLock), 0);
        commandVisits.clear();
        ASSERT_EQ(mdlFence_process(0), 0);
        ASSERT_EQ(commandVisits.size(), c.want.size());
        for (size_t i = 0; i < c.want.size(); i++) {
            if (c.want[i] == 0) {
                EXPECT_GE(commandVisits[i], end); // the clipped piece, appended
                deleteAt(commandVisits[i]);
            } else
                EXPECT_EQ(commandVisits[i], c.want[i]);
        }
        EXPECT_TRUE(mdlModelRef_areSame(commandModel, mdlModelRef_getActive()));
        (void)crossing;
    }
    mdlParams_setLock(LOCK_FENCE_CLIP, 0);
    // A new command starts from the default locate settings.
    ASSERT_EQ(mdlState_startFenceCommand(recordCurrent, nullptr, nullptr, nullptr, 2, 0, 3), 0);
    commandVisits.clear();
    ASSERT_EQ(mdlFence_process(0), 0);
    EXPECT_EQ(commandVisits.size(), 2u); // a and the text: no locked element
    mdlhost_fenceCommandClear();
    EXPECT_EQ(mdlhost_fenceCommandActive(), 0);
    EXPECT_EQ(mdlFence_process(0), DGNERR_BADARG);
    EXPECT_EQ(mdlState_startFenceCommand(nullptr, nullptr, nullptr, nullptr, 0, 0, 0), DGNERR_BADARG);
}

// A data point locates the nearest element within the tolerance, the newest
// of equally near ones, under the locate settings in force, and makes it
// the current element.
TEST_F(FenceTest, ADataPointLocatesTheNearestElement)
{
    uint32_t a = addLine({0, 0, 0}, {100, 0, 0});
    addLine({0, 3, 0}, {100, 3, 0});
    uint32_t again = addLine({0, 3, 0}, {100, 3, 0});
    uint32_t locked = addLine({0, 50, 0}, {100, 50, 0}, true);
    uint32_t text = addText({200, 200, 0});

    struct Case {
        const char *what;
        DPoint3d at;
        std::vector<int> types;
        bool allowLocked;
        uint32_t want; // 0: none
    } cases[] = {
        {"the nearer of two lines", {50, 0.5, 0}, {}, false, a},
        {"the newer of two equal lines", {50, 2.9, 0}, {}, false, again},
        {"a locked line is passed over", {50, 50, 0}, {}, false, 0},
        {"unless locked ones are allowed", {50, 50, 0}, {}, true, locked},
        {"a text by its place", {201, 201, 0}, {}, false, text},
        {"only the types asked for", {50, 0.5, 0}, {TEXT_ELM}, false, 0},
        {"nothing within the tolerance", {50, 30, 0}, {}, false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.allowLocked)
            mdlLocate_allowLocked();
        else
            mdlLocate_noElemNoLocked();
        mdlLocate_setElemSearchMask(int(c.types.size()), c.types.data());
        uint32_t pos = 99;
        int rc = mdlhost_locateElement(&pos, &c.at, 10.0, 0);
        EXPECT_EQ(rc, c.want ? 0 : DGNERR_NOTFOUND);
        EXPECT_EQ(pos, c.want);
        if (c.want != 0) {
            DgnModelRefP model = MDLHOST_NO_MODEL;
            EXPECT_EQ(mdlElement_getFilePos(FILEPOS_CURRENT, &model), c.want);
            EXPECT_TRUE(mdlModelRef_areSame(model, mdlModelRef_getActive()));
        }
    }
    mdlLocate_noElemNoLocked();
    mdlLocate_setElemSearchMask(0, nullptr);
    uint32_t pos = 0;
    const DPoint3d at{50, 0, 0}, far{NAN, 0, 0};
    EXPECT_EQ(mdlhost_locateElement(&pos, &at, 0.0, 0), DGNERR_BADARG);
    EXPECT_EQ(mdlhost_locateElement(&pos, &far, 10.0, 0), DGNERR_BADARG);
    EXPECT_EQ(mdlhost_locateElement(&pos, &at, 10.0, 8), DGNERR_NOTFOUND);
    EXPECT_EQ(mdlhost_locateElement(nullptr, &at, 10.0, 0), DGNERR_BADARG);
}

} // namespace
