#include <gtest/gtest.h>

#include "dgn/testing/dgn_testing.h"
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

} // namespace
