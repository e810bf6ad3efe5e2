// The host's keyins that drive a design without a screen: opening a design
// file, fences from points, a view and a shape, the fence lock, the data
// point that locates an element, and the file-list editor's answer; run
// through the input queue as a script's keyins are.
#include <cmath>
#include <memory>

#include "testing/frame_testing.h"

namespace {

using frametest::FrameTest;

class DesignKeyinTest : public FrameTest {
  protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        mdlhost_viewsReset();
        mdlFence_clear();
        // 1000 UOR per metre: the keyins' coordinates are metres.
        DPoint3d origin{0, 0, 0};
        ASSERT_EQ(mdlhost_dgnCreateFile(path("kart.dgn").c_str(), 0, 1000.0, "m", &origin), 0);
        ASSERT_EQ(mdlSystem_newDesignFile(path("kart.dgn").c_str()), 0);
        mdlCurrTrans_begin();
        mdlCurrTrans_masterUnitsIdentity(1);
        square_ = add({{0, 0, 0}, {40, 0, 0}, {40, 30, 0}, {0, 30, 0}, {0, 0, 0}});
        line_ = add({{100, 100, 0}, {120, 100, 0}});
        mdlCurrTrans_end();
        mdlhost_closeDesignFile();
    }
    void TearDown() override
    {
        mdlFence_clear();
        mdlParams_setLock(LOCK_FENCE_CLIP, 0);
        mdlParams_setLock(LOCK_FENCE_OVERLAP, 0);
        mdlhost_closeDesignFile();
        mdlhost_viewsReset();
        FrameTest::TearDown();
    }
    static uint32_t add(std::vector<DPoint3d> pts)
    {
        auto el = std::make_unique<MSElement>();
        EXPECT_EQ(mdlLineString_create(el.get(), nullptr, pts.data(), int(pts.size())), 0);
        uint32_t pos = mdlElement_add(el.get());
        EXPECT_NE(pos, 0u);
        return pos;
    }
    // Queued as a script's keyins are; the number of those that failed.
    static int run(std::initializer_list<std::string> keyins)
    {
        for (const std::string &k : keyins)
            EXPECT_EQ(mdlInput_sendKeyin(k.c_str(), 0, 0, nullptr), 0) << k;
        return mdlhost_processQueue();
    }
    // The fence's points in metres, without the closing one.
    static std::vector<DPoint3d> fence()
    {
        std::vector<DPoint3d> pts(MAX_VERTICES);
        int n = 0;
        mdlCurrTrans_begin();
        mdlCurrTrans_masterUnitsIdentity(1);
        EXPECT_EQ(mdlFence_getPoints(pts.data(), &n, MAX_VERTICES), 0);
        mdlCurrTrans_end();
        pts.resize(n > 0 ? size_t(n - 1) : 0);
        return pts;
    }
    static void expectFence(const std::vector<DPoint3d> &want)
    {
        std::vector<DPoint3d> got = fence();
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); i++) {
            EXPECT_NEAR(got[i].x, want[i].x, 1e-9) << i;
            EXPECT_NEAR(got[i].y, want[i].y, 1e-9) << i;
        }
    }
    uint32_t square_ = 0, line_ = 0;
};

TEST_F(DesignKeyinTest, ADesignOpenedByKeyinTakesFencesFromPointsViewAndShape)
{
    ASSERT_EQ(run({"design open \"" + path("kart.dgn") + "\""}), 0) << newestMessage();
    char name[MDLHOST_MAXFILELENGTH] = "";
    ASSERT_EQ(mdlModelRef_getFileName(mdlModelRef_getActive(), name, sizeof name), 0);
    EXPECT_EQ(std::string(name), path("kart.dgn"));

    ASSERT_EQ(run({"fence points 1,2 11,2,0 11,12"}), 0) << newestMessage();
    expectFence({{1, 2, 0}, {11, 2, 0}, {11, 12, 0}});
    EXPECT_EQ(mdlFence_getViewIndex(), 0);

    // The open views were fitted to the design when it was opened.
    ASSERT_EQ(run({"fence view 1"}), 0) << newestMessage();
    EXPECT_EQ(mdlFence_getViewIndex(), 1);
    expectFence({{0, 0, 0}, {120, 0, 0}, {120, 100, 0}, {0, 100, 0}});

    // The shape a data point on its edge locates, or the current element.
    ASSERT_EQ(run({"fence shape 40.1,15"}), 0) << newestMessage();
    expectFence({{0, 0, 0}, {40, 0, 0}, {40, 30, 0}, {0, 30, 0}});
    ASSERT_EQ(run({"fence delete", "point 20,0.2"}), 0) << newestMessage();
    EXPECT_TRUE(saw("Located element of type 4 at position " + std::to_string(square_))) << text();
    ASSERT_EQ(run({"fence shape"}), 0) << newestMessage();
    EXPECT_EQ(fence().size(), 4u);

    ASSERT_EQ(run({"point view 2 110,100.3"}), 0) << newestMessage();
    DgnModelRefP model = MDLHOST_NO_MODEL;
    EXPECT_EQ(mdlElement_getFilePos(FILEPOS_CURRENT, &model), line_);

    struct Lock {
        const char *keyin;
        int overlap, clip;
    } locks[] = {{"lock fence overlap", 1, 0}, {"lock fence clip", 0, 1}, {"lock fence inside", 0, 0}};
    for (const Lock &l : locks) {
        ASSERT_EQ(run({l.keyin}), 0) << l.keyin;
        EXPECT_EQ(mdlParams_getLock(LOCK_FENCE_OVERLAP), l.overlap) << l.keyin;
        EXPECT_EQ(mdlParams_getLock(LOCK_FENCE_CLIP), l.clip) << l.keyin;
    }
    ASSERT_EQ(run({"design close"}), 0);
    EXPECT_EQ(mdlModelRef_getActive(), MDLHOST_NO_MODEL);
}

// Each refusal fails its keyin with the cause and keeps the fence as it was.
TEST_F(DesignKeyinTest, RefusedKeyinsSayWhyAndKeepTheFence)
{
    struct Case {
        std::string keyin, why;
    } cases[] = {
        {"fence view 0", "no design file is open"},
        {"point 1,1", "no design file is open"},
        {"design open " + path("nowhere.dgn"), "cannot open the design file " + path("nowhere.dgn")},
        {"design open " + path("a.rsc"), "cannot open the design file " + path("a.rsc")},
        {"design open " + path("kart.dgn"), ""},
        {"fence points 0,0 5,5", "a fence needs at least three points"},
        {"fence points 0,0 5,5 10,10", "the fence has no area"},
        {"fence points 0,0 5;5 10,0", "not a point X,Y or X,Y,Z: 5;5"},
        {"fence points view 9 0,0 5,5 10,0", "not a view (0 to 7): 9"},
        {"fence points 0,0 nan,5 10,0", "not a point X,Y or X,Y,Z: nan,5"},
        {"fence view 8", "not a view (0 to 7): 8"},
        {"fence shape 110,100", "the fence has no area"}, // a line string of two points
        {"point 70,70", "no element found at 70,70 in view 0"},
        {"point 1,1 2,2", "one point X,Y or X,Y,Z is wanted"},
        {"lock fence sideways", "lock fence inside, lock fence overlap or lock fence clip"},
        {"view fit 9", "view fit [N] (N from 0 to 7)"},
    };
    for (const Case &c : cases) {
        mdlhost_clearMessageCenter();
        int failed = run({c.keyin});
        if (c.why.empty()) {
            ASSERT_EQ(failed, 0) << c.keyin << ": " << newestMessage();
            ASSERT_EQ(run({"fence points 1,1 2,1 2,2"}), 0);
            continue;
        }
        EXPECT_EQ(failed, 1) << c.keyin;
        EXPECT_NE(newestMessage().find(c.why), std::string::npos) << c.keyin << ": " << newestMessage();
        if (mdlFence_isDefined())
            expectFence({{1, 1, 0}, {2, 1, 0}, {2, 2, 0}});
    }
}

// The file-list editor takes the scripted paths, or is cancelled.
TEST_F(DesignKeyinTest, TheFileListEditorTakesSeveralFiles)
{
    ASSERT_EQ(run({"answer filelist " + path("a b.zer") + ";" + path("c.zer"), "answer cancelfilelist"}), 0);
    StringList *list = mdlStringList_create(0, 1);
    char dir[MDLHOST_MAXFILELENGTH] = "";
    ASSERT_EQ(mdlFileList_edit(list, dir, 0, "Files", "", "*.zer"), ACTIONBUTTON_OK);
    ASSERT_EQ(mdlStringList_size(list), 2);
    const char *member = nullptr;
    long *info = nullptr;
    ASSERT_EQ(mdlStringList_getMember(&member, &info, list, 0), 0);
    EXPECT_EQ(std::string(member), path("a b.zer"));
    ASSERT_EQ(mdlStringList_getMember(&member, &info, list, 1), 0);
    EXPECT_EQ(std::string(member), path("c.zer"));
    EXPECT_EQ(mdlFileList_edit(list, dir, 0, "Files", "", "*.zer"), ACTIONBUTTON_CANCEL);
    EXPECT_EQ(mdlStringList_size(list), 2);
    mdlStringList_destroy(list);
}

} // namespace
