#include <gtest/gtest.h>

#include "dgn_testing.h"
#include "mdlhost.h"

namespace {

class ParamsTest : public dgntest::DgnTest {};

uint32_t activeGroup()
{
    uint32_t g = 0;
    EXPECT_EQ(mdlParams_getActive(&g, ACTIVEPARAM_GRAPHGROUP), 0);
    return g;
}

TEST_F(ParamsTest, GraphicGroupStartsAfterTheHighestStoredOne)
{
    EXPECT_EQ(activeGroup(), 1u) << "an empty design";

    // The highest group sits on a component of a cell.
    MSElement header, line;
    DPoint3d origin{0, 0, 0};
    ASSERT_EQ(mdlCell_create(&header, u"C", &origin, 0), 0);
    DPoint3d pts[2] = {{0, 0, 0}, {10, 0, 0}};
    ASSERT_EQ(mdlLine_create(&line, nullptr, pts), 0);
    uint32_t componentGroup = 17, headerGroup = 5;
    mdlElement_setProperties(&line, nullptr, &componentGroup, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    mdlElement_setProperties(&header, nullptr, &headerGroup, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    MSElementDescr *cell = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&cell, nullptr, &header), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(cell, &line), 0);
    ASSERT_NE(mdlElmdscr_add(cell), 0u);
    mdlElmdscr_freeAll(&cell);
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);

    EXPECT_EQ(activeGroup(), 18u);
    EXPECT_EQ(mdlSystem_updateGraphicGroup(), 0);
    EXPECT_EQ(activeGroup(), 19u);
    uint32_t set = 100;
    EXPECT_EQ(mdlParams_setActive(&set, ACTIVEPARAM_GRAPHGROUP), 0);
    EXPECT_EQ(activeGroup(), 100u);
}

TEST_F(ParamsTest, RefusedQuestions)
{
    uint32_t g = 7;
    EXPECT_EQ(mdlParams_getActive(nullptr, ACTIVEPARAM_GRAPHGROUP), -1);
    EXPECT_EQ(mdlParams_getActive(&g, 3), -1) << "a parameter the host does not keep";
    EXPECT_EQ(mdlParams_setActive(&g, 3), -1);
    EXPECT_EQ(g, 7u);
    mdlhost_closeDesignFile();
    EXPECT_EQ(mdlParams_getActive(&g, ACTIVEPARAM_GRAPHGROUP), DGNERR_NOMODEL);
    EXPECT_EQ(mdlSystem_updateGraphicGroup(), DGNERR_NOMODEL);
    EXPECT_EQ(g, 7u);
}

TEST_F(ParamsTest, FillIsASessionSwitch)
{
    int32_t fill = 9;
    ASSERT_EQ(mdlParams_getActive(&fill, ACTIVEPARAM_FILL), 0);
    EXPECT_EQ(fill, 0) << "off at start";
    for (int32_t set : {1, 0, 5, -1}) {
        ASSERT_EQ(mdlParams_setActive(&set, ACTIVEPARAM_FILL), 0);
        ASSERT_EQ(mdlParams_getActive(&fill, ACTIVEPARAM_FILL), 0);
        EXPECT_EQ(fill, set != 0 ? 1 : 0) << set;
    }
    // It needs no design file, and survives a change of design.
    mdlhost_closeDesignFile();
    ASSERT_EQ(mdlParams_getActive(&fill, ACTIVEPARAM_FILL), 0);
    EXPECT_EQ(fill, 1);
    EXPECT_EQ(mdlParams_setActive(nullptr, ACTIVEPARAM_FILL), -1);
    int32_t off = 0;
    ASSERT_EQ(mdlParams_setActive(&off, ACTIVEPARAM_FILL), 0);
}

TEST_F(ParamsTest, FenceLocks)
{
    struct Case {
        int lock;
        int set;  // -1: leave
        int want; // after
        int setResult;
    } cases[] = {
        {LOCK_FENCE_OVERLAP, -1, 0, 0}, {LOCK_FENCE_CLIP, -1, 0, 0},   {LOCK_FENCE_CLIP, 1, 1, 0},
        {LOCK_FENCE_OVERLAP, 7, 1, 0},  {LOCK_FENCE_CLIP, 0, 0, 0},    {LOCK_FENCE_OVERLAP, 0, 0, 0},
        {510, 1, 0, -1},                {0, 1, 0, -1},
    };
    for (const Case &c : cases) {
        if (c.set >= 0) {
            EXPECT_EQ(mdlParams_setLock(c.lock, c.set), c.setResult) << c.lock;
        }
        EXPECT_EQ(mdlParams_getLock(c.lock), c.want) << c.lock << " set " << c.set;
    }
    // Each lock is its own.
    ASSERT_EQ(mdlParams_setLock(LOCK_FENCE_CLIP, 1), 0);
    EXPECT_EQ(mdlParams_getLock(LOCK_FENCE_OVERLAP), 0);
    ASSERT_EQ(mdlParams_setLock(LOCK_FENCE_CLIP, 0), 0);
}

TEST_F(ParamsTest, ModesFollowTheActiveDesign)
{
    EXPECT_EQ(mgds_modesP->is3D, 0) << "a 2D design";
    EXPECT_EQ(*reinterpret_cast<const unsigned char *>(mgds_modesP), 0);
    make3d();
    EXPECT_NE(mgds_modesP->is3D, 0);
    EXPECT_NE(*reinterpret_cast<const unsigned char *>(mgds_modesP), 0) << "the first byte";
    mdlhost_closeDesignFile();
    EXPECT_EQ(mgds_modesP->is3D, 0) << "no design";
}

} // namespace
