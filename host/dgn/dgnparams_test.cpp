#include <string>

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
    EXPECT_EQ(mdlParams_getActive(&g, 2), -1) << "a parameter the host does not keep";
    EXPECT_EQ(mdlParams_setActive(&g, 2), -1);
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

// The numbers the applications ask by: colour 1, line style 3, weight 4,
// cell name 15.
TEST_F(ParamsTest, ActiveSymbologyAndCellByThePlatformsNumbers)
{
    EXPECT_EQ(ACTIVEPARAM_COLOR, 1);
    EXPECT_EQ(ACTIVEPARAM_LINESTYLE, 3);
    EXPECT_EQ(ACTIVEPARAM_LINEWEIGHT, 4);
    EXPECT_EQ(ACTIVEPARAM_CELLNAME, 15);
    uint32_t color = 99, weight = 99;
    int32_t style = 99;
    char16_t cell[MDLHOST_MAX_CELLNAME + 1] = u"x";
    ASSERT_EQ(mdlParams_getActive(&color, 1), 0);
    ASSERT_EQ(mdlParams_getActive(&style, 3), 0);
    ASSERT_EQ(mdlParams_getActive(&weight, 4), 0);
    ASSERT_EQ(mdlParams_getActive(cell, 15), 0);
    EXPECT_EQ(color, 0u);
    EXPECT_EQ(style, 0);
    EXPECT_EQ(weight, 0u);
    EXPECT_EQ(std::u16string(cell), u"") << "at start";

    uint32_t setColor = 3, setWeight = 6;
    int32_t setStyle = -2; // a named style
    ASSERT_EQ(mdlParams_setActive(&setColor, 1), 0);
    ASSERT_EQ(mdlParams_setActive(&setStyle, 3), 0);
    ASSERT_EQ(mdlParams_setActive(&setWeight, 4), 0);
    ASSERT_EQ(mdlParams_setActive(u"KRYSS \u00C5", 15), 0);
    // Session values: they outlive the design.
    mdlhost_closeDesignFile();
    ASSERT_EQ(mdlParams_getActive(&color, ACTIVEPARAM_COLOR), 0);
    ASSERT_EQ(mdlParams_getActive(&style, ACTIVEPARAM_LINESTYLE), 0);
    ASSERT_EQ(mdlParams_getActive(&weight, ACTIVEPARAM_LINEWEIGHT), 0);
    ASSERT_EQ(mdlParams_getActive(cell, ACTIVEPARAM_CELLNAME), 0);
    EXPECT_EQ(color, 3u);
    EXPECT_EQ(style, -2);
    EXPECT_EQ(weight, 6u);
    EXPECT_EQ(std::u16string(cell), u"KRYSS \u00C5");

    // Out of range: refused, nothing set.
    uint32_t badColor = 256, badWeight = 32;
    int32_t badStyle = 8;
    EXPECT_EQ(mdlParams_setActive(&badColor, 1), -1);
    EXPECT_EQ(mdlParams_setActive(&badWeight, 4), -1);
    EXPECT_EQ(mdlParams_setActive(&badStyle, 3), -1);
    std::u16string longName(MDLHOST_MAX_CELLNAME + 1, u'a');
    EXPECT_EQ(mdlParams_setActive(longName.c_str(), 15), -1);
    ASSERT_EQ(mdlParams_getActive(&color, 1), 0);
    EXPECT_EQ(color, 3u);
    ASSERT_EQ(mdlParams_getActive(cell, 15), 0);
    EXPECT_EQ(std::u16string(cell), u"KRYSS \u00C5");
    uint32_t byLevel = COLOR_BYLEVEL;
    EXPECT_EQ(mdlParams_setActive(&byLevel, 1), 0);

    uint32_t zero = 0;
    int32_t zeroStyle = 0;
    mdlParams_setActive(&zero, 1);
    mdlParams_setActive(&zeroStyle, 3);
    mdlParams_setActive(&zero, 4);
    mdlParams_setActive(u"", 15);
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
