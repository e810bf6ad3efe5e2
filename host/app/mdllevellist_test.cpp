// Pick lists from the active design: symbology models and the rows of the
// host's font and text-style combo boxes.
#include <string>

#include <gtest/gtest.h>

#include "dgn_testing.h"

namespace {

using LevelListTest = dgntest::DgnTest;

std::string cellText(const ListModel *m, int row) { return mdlListModel_getCellText(m, row, 0); }

long cellValue(const ListModel *m, int row)
{
    long v = 0;
    mdlListModel_getCellValue(m, row, 0, &v);
    return v;
}

TEST_F(LevelListTest, SymbologyModelsStartByLevelAndEndWithTheNamedStyles)
{
    int32_t n = 0;
    ASSERT_EQ(mdlLineStyle_create(0, "Gjerde", &n), 0);
    ASSERT_EQ(mdlLineStyle_create(0, "Mur", &n), 0);
    struct Case {
        int kind;
        int rows;
        long byLevel;
        long lastValue;
        const char *lastText;
    } cases[] = {
        {LEVELLIST_COLOR, 257, -1, 255, "255"},
        {LEVELLIST_WEIGHT, 33, -1, 31, "31"},
        {LEVELLIST_STYLE, 11, STYLE_BYLEVEL, -2, "Mur"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        ListModel *m = mdlLevelList_createSymbologyModel(0, c.kind);
        ASSERT_NE(m, nullptr);
        ASSERT_EQ(mdlListModel_getRowCount(m), c.rows);
        EXPECT_EQ(cellText(m, 0), "ByLevel");
        EXPECT_EQ(cellValue(m, 0), c.byLevel);
        EXPECT_EQ(cellText(m, 1), "0");
        EXPECT_EQ(cellValue(m, c.rows - 1), c.lastValue);
        EXPECT_EQ(cellText(m, c.rows - 1), c.lastText);
        EXPECT_EQ(mdlhost_listModelRowOfValue(m, c.lastValue), c.rows - 1);
        mdlListModel_destroy(m);
    }
    EXPECT_EQ(mdlLevelList_createSymbologyModel(0, 3), nullptr);

    // Without a design the style model has only the standard styles.
    mdlhost_closeDesignFile();
    ListModel *m = mdlLevelList_createSymbologyModel(0, LEVELLIST_STYLE);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(mdlListModel_getRowCount(m), 9);
    mdlListModel_destroy(m);
}

TEST_F(LevelListTest, HostComboBoxesShowTheFontsAndTheDesignsTextStyles)
{
    ListModel *styles = mdlhost_hostListModel(COMBOBOXID_TextStyles);
    ASSERT_EQ(mdlListModel_getRowCount(styles), 2);
    MdlTextStyle ts{2, 2, 1, 0, 105, 8, 0};
    int32_t id = 0;
    ASSERT_EQ(mdlTextStyle_create(0, u"Vegnavn", &ts, &id), 0);
    EXPECT_EQ(mdlhost_hostListModel(COMBOBOXID_TextStyles), styles) << "the same model, refilled";
    ASSERT_EQ(mdlListModel_getRowCount(styles), 3);
    EXPECT_EQ(cellText(styles, 0), "(none)");
    EXPECT_EQ(cellText(styles, 2), "Vegnavn");
    EXPECT_EQ(cellValue(styles, 2), id);

    ListModel *fonts = mdlhost_hostListModel(COMBOBOXID_Fonts);
    int count = 0;
    mdlFontMgr_traverseAvailableFonts([](const MdlFontInfo *, void *arg) { return ++*static_cast<int *>(arg), 0; },
                                      &count);
    EXPECT_EQ(mdlListModel_getRowCount(fonts), count);
    EXPECT_GE(mdlhost_listModelRowOfValue(fonts, 105), 0);
}

} // namespace
