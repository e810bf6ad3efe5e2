// List models and sorting string lists by column.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mdlhost.h"

namespace {

TEST(ListModelTest, RowsAndCellsStayInsideTheModel)
{
    EXPECT_EQ(mdlListModel_create(0), nullptr);
    EXPECT_EQ(mdlListModel_create(MDLHOST_LISTMODEL_MAXCOLUMNS + 1), nullptr);
    ListModel *m = mdlListModel_create(3);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(mdlListModel_getColumnCount(m), 3);
    EXPECT_EQ(mdlListModel_insertRow(m, -1), 0);
    EXPECT_EQ(mdlListModel_insertRow(m, 0), 0);
    EXPECT_EQ(mdlListModel_insertRow(m, 2), 2);
    EXPECT_EQ(mdlListModel_insertRow(m, 4), -1) << "past the end";
    EXPECT_EQ(mdlListModel_insertRow(m, -2), -1);
    EXPECT_EQ(mdlListModel_getRowCount(m), 3);

    struct Case {
        int row, col;
        int ok;
    } cases[] = {{0, 0, 0}, {2, 2, 0}, {3, 0, -1}, {0, 3, -1}, {-1, 0, -1}, {0, -1, -1}};
    for (const Case &c : cases) {
        EXPECT_EQ(mdlListModel_setCellText(m, c.row, c.col, "t"), c.ok) << c.row << "," << c.col;
        EXPECT_EQ(mdlListModel_setCellValue(m, c.row, c.col, 7), c.ok);
        EXPECT_EQ(mdlListModel_setCellInfo(m, c.row, c.col, 0, 9), c.ok);
        long v = 0;
        EXPECT_EQ(mdlListModel_getCellValue(m, c.row, c.col, &v), c.ok);
        EXPECT_EQ(v, c.ok == 0 ? 7 : 0);
        EXPECT_EQ(mdlListModel_getCellText(m, c.row, c.col) != nullptr, c.ok == 0);
    }
    EXPECT_EQ(mdlListModel_setCellInfo(m, 0, 0, MDLHOST_LISTCELL_INFOFIELDS, 1), -1);

    mdlListModel_setCellText(m, 1, 1, "finn meg");
    EXPECT_EQ(mdlListModel_search(m, "finn meg", 1, 0), 1);
    EXPECT_EQ(mdlListModel_search(m, "finn meg", 1, 2), -1);
    EXPECT_EQ(mdlListModel_search(m, "finn", 1, 0), -1) << "whole text only";
    EXPECT_EQ(mdlListModel_removeRow(m, 0), 0);
    EXPECT_STREQ(mdlListModel_getCellText(m, 0, 1), "finn meg");
    EXPECT_EQ(mdlListModel_removeRow(m, 2), -1);
    EXPECT_EQ(mdlListModel_empty(m), 0);
    EXPECT_EQ(mdlListModel_getRowCount(m), 0);
    mdlListModel_destroy(m);
    EXPECT_EQ(mdlListModel_getRowCount(m), 0) << "a destroyed model is no model";
    EXPECT_EQ(mdlListModel_insertRow(m, -1), -1);
}

TEST(ListModelTest, HostModelsOfTheFontAndStyleComboBoxes)
{
    ListModel *fonts = mdlhost_hostListModel(COMBOBOXID_Fonts);
    ASSERT_NE(fonts, nullptr);
    EXPECT_EQ(mdlhost_hostListModel(COMBOBOXID_Fonts), fonts);
    EXPECT_GE(mdlListModel_getRowCount(fonts), 1);
    ListModel *styles = mdlhost_hostListModel(COMBOBOXID_TextStyles);
    ASSERT_GE(mdlListModel_getRowCount(styles), 2);
    long v = 0;
    mdlListModel_getCellValue(styles, 0, 0, &v);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(mdlhost_hostListModel(-6303), nullptr);
    mdlListModel_destroy(fonts); // the host's own outlive any caller
    EXPECT_EQ(mdlhost_hostListModel(COMBOBOXID_Fonts), fonts);
    EXPECT_GE(mdlListModel_getRowCount(fonts), 1);
}

// Pairs (name, value) as the attribute lines keep them; "*" sorts last.
int starLast(const char *a, const long *infoA, const char *b, const long *infoB)
{
    bool sa = strcmp(a, "*") == 0, sb = strcmp(b, "*") == 0;
    if (sa != sb)
        return sa ? 1 : -1;
    int c = strcmp(a, b);
    if (c != 0)
        return c;
    return infoA[0] < infoB[0] ? -1 : infoA[0] > infoB[0];
}

std::vector<std::string> members(StringList *l)
{
    std::vector<std::string> out;
    for (long i = 0; i < mdlStringList_size(l); i++) {
        const char *t = nullptr;
        long *info = nullptr;
        mdlStringList_getMember(&t, &info, l, i);
        out.push_back(std::string(t) + ":" + std::to_string(info[0]));
    }
    return out;
}

TEST(StringListSortTest, RowsMoveWholeAndInOrder)
{
    StringList *l = mdlStringList_create(0, 1);
    struct Member {
        const char *text;
        long info;
    } input[] = {{"*", 0}, {"x", 0}, {"kvalitet", 2}, {"82", 0}, {"\xE5pen", 0}, {"ja", 0},
                 {"kvalitet", 1}, {"*", 0}, {"b", 0}, {"y", 0}};
    long first = 0;
    ASSERT_EQ(mdlStringList_insertMember(&first, l, -1, 10), 0);
    for (long i = 0; i < 10; i++)
        mdlStringList_setMember(l, i, input[i].text, &input[i].info);

    ASSERT_EQ(mdlStringList_sortByColumn(l, 2, 0, starLast), 0);
    EXPECT_EQ(members(l), (std::vector<std::string>{"b:0", "y:0", "kvalitet:1", "*:0", "kvalitet:2", "82:0",
                                                    "\xE5pen:0", "ja:0", "*:0", "x:0"}));
    // Byte order without a comparator: 0xE5 after every ASCII letter, and
    // equal keys keep their order.
    ASSERT_EQ(mdlStringList_sortByColumn(l, 2, 0, nullptr), 0);
    EXPECT_EQ(members(l), (std::vector<std::string>{"*:0", "x:0", "b:0", "y:0", "kvalitet:1", "*:0", "kvalitet:2",
                                                    "82:0", "\xE5pen:0", "ja:0"}));
    EXPECT_EQ(mdlStringList_search(l, "kvalitet", 2, 0, 0), 2);
    EXPECT_EQ(mdlStringList_search(l, "kvalitet", 2, 0, 3), 3);
    EXPECT_EQ(mdlStringList_search(l, "82", 2, 0, 0), -1) << "82 is a value, not a name";
    EXPECT_EQ(mdlStringList_search(l, "82", 2, 1, 0), 3);

    EXPECT_EQ(mdlStringList_sortByColumn(l, 3, 0, nullptr), -1) << "10 members are not rows of 3";
    EXPECT_EQ(mdlStringList_sortByColumn(l, 2, 2, nullptr), -1);
    EXPECT_EQ(mdlStringList_sortByColumn(nullptr, 1, 0, nullptr), -1);
    mdlStringList_destroy(l);
}

} // namespace
