// The element attribute dialog driven as a user would: rows, selection
// with its callbacks, toggles, the level chooser and the list actions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "testing/zvlibdgn_testing.h"
#include "zvlibelmattr.h"

namespace {

constexpr int DIALOG = 20013;

std::vector<std::pair<int, int>> calls; // (id, reason)
int changeCallback(ZvlibElmAttrCallbackInfo *info)
{
    calls.emplace_back(info->id, info->reason);
    return 0;
}
MdlFunctionP callback() { return reinterpret_cast<MdlFunctionP>(changeCallback); }
int groupCalls = 0;
int groupCallback()
{
    groupCalls++;
    return 0;
}

ZvlibElmAttr attr(int type, uint32_t flags)
{
    ZvlibElmAttr a{};
    a.type = type;
    a.settings.useFlags = flags;
    return a;
}

std::string typeText(const ZvlibElmAttr &a) { return elmAttr_typeText(&a); }

class ElmAttrDialogTest : public zvlibtest::DgnAppTest {
  protected:
    void SetUp() override
    {
        DgnAppTest::SetUp();
        calls.clear();
        groupCalls = 0;
        tcbP->readoutFlags = MDLHOST_READOUT_FLAG; // the default accuracy of the callers
        ASSERT_EQ(zvlibElmAttr_setGroupeNamesExtended(3, "Veg", 0, 0u, reinterpret_cast<MdlFunctionP>(groupCallback),
                                                      "Bygning", 1, 0u, nullptr, "Tom", 2, 0u, nullptr),
                  0);
        ZvlibElmAttrSettings s{};
        s.colour = 3;
        s.weight = 1;
        s.useFlags = ZVLIB_ATTR_COLOUR | ZVLIB_ATTR_CLASS;
        ASSERT_EQ(zvlibElmAttr_addAttribute(1, "A", 0, 1, 16, callback(), 0, &s), 0);
        ASSERT_EQ(zvlibElmAttr_addAttribute(2, "B", 0, 1, 0, callback(), 0, &s), 0);
        ASSERT_EQ(zvlibElmAttr_addAttribute(3, "C", 0, 1, 0, callback(), 0, &s), 0);
        ASSERT_EQ(zvlibElmAttr_addAttribute(4, "Hus", 1, 1, 0, callback(), 0, &s), 0);
    }
    void TearDown() override
    {
        if (MSDialog *db = dialog())
            mdlWindow_close(db);
        zvlibElmAttr_setGroupeNames(0);
        DgnAppTest::TearDown();
    }
    MSDialog *dialog() { return mdlDialog_findByTypeAndId(RTYPE_DialogBox, DIALOG, nullptr); }
    MSDialog *open()
    {
        EXPECT_EQ(zvlibElmAttr_dialogOpen(), 0);
        MSDialog *db = dialog();
        EXPECT_NE(db, nullptr);
        return db;
    }
    void act(MSDialog *db, const std::string &steps) { ASSERT_EQ(mdlhost_dialogDo(db, steps.c_str()), 0) << steps; }
    DialogItem *list(MSDialog *db) { return mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, 20001, 0); }
    std::string cell(MSDialog *db, int row, int col)
    {
        const char *t = mdlhost_listBoxCellText(list(db), row, col);
        return t ? t : "<none>";
    }
    std::string labels(MSDialog *db)
    {
        std::string out;
        for (int r = 0; r < mdlDialog_listBoxNRows(list(db)); r++)
            out += cell(db, r, 0);
        return out;
    }
    std::vector<int> order()
    {
        std::vector<int> ids;
        for (ZvlibElmAttr *a = elmAttr_first(); a; a = a->next)
            ids.push_back(a->id);
        return ids;
    }
    int visible(MSDialog *db, int type, int id, int offset = 0)
    {
        DialogItem *it = mdlDialog_itemGetByTypeAndId(db, type, id, 0);
        return it ? mdlDialog_itemIsVisible(db, mdlDialog_itemGetIndex(it) + offset) : -1;
    }
    int selectedRowOf(MSDialog *db)
    {
        int first = -1, last = -1;
        mdlDialog_listBoxGetSelectRange(&first, &last, list(db));
        return first;
    }
    int enabled(MSDialog *db, int type, int id, int offset = 0)
    {
        DialogItem *it = mdlDialog_itemGetByTypeAndId(db, type, id, 0);
        return it ? mdlDialog_itemGetEnabledState(db, mdlDialog_itemGetIndex(it) + offset) : -1;
    }
};

TEST(ElmAttrRowTest, RowTextsFollowTheFlagsAndTheReadoutAccuracy)
{
    Tcb saved = *tcbP;
    tcbP->readoutFlags = MDLHOST_READOUT_FLAG;
    ZvlibElmAttr a = attr(1, ZVLIB_ATTR_COLOUR | ZVLIB_ATTR_LINESTYLE | ZVLIB_ATTR_WEIGHT | ZVLIB_ATTR_CLASS |
                                 ZVLIB_ATTR_LEVEL);
    char label[] = "Kant";
    a.label = label;
    a.settings.colour = COLOR_BYLEVEL;
    a.settings.lineStyle = STYLE_BYLEVEL;
    a.settings.weight = 3;
    const std::u16string level = u"Vei \u00E6";
    std::copy(level.begin(), level.end(), a.settings.levelName);
    std::string row[7];
    elmAttr_rowTexts(&a, row);
    EXPECT_EQ(row[0], "Kant");
    EXPECT_EQ(row[1], "BL");
    EXPECT_EQ(row[2], "BL");
    EXPECT_EQ(row[3], "3");
    EXPECT_EQ(row[4], "Vei \xE6");
    EXPECT_EQ(row[5], "P");
    a.settings.lineStyle = -2;
    a.settings.elementClass = 2;
    a.settings.colour = 7;
    a.settings.useFlags &= ~ZVLIB_ATTR_WEIGHT;
    elmAttr_rowTexts(&a, row);
    EXPECT_EQ(row[1], "7");
    EXPECT_EQ(row[2], "UD");
    EXPECT_EQ(row[3], "") << "weight not in use";
    EXPECT_EQ(row[5], "C");

    ZvlibElmAttr t = attr(4, ZVLIB_ATTR_FONT | ZVLIB_ATTR_TEXTSIZE | ZVLIB_ATTR_JUSTIFICATION);
    t.settings.font = 105;
    t.settings.textHeight = t.settings.textWidth = 3.5;
    t.settings.lineSpacingFactor = 0.5;
    t.settings.justification = 8;
    struct Case {
        int type;
        uint32_t extraFlags;
        int justification;
        const char *text;
    } cases[] = {
        {4, 0, 8, "FO=105,SI=3.50/3.50/0.50,JU=CB"},
        {4, 0, 5, "FO=105,SI=3.50/3.50/0.50"}, // no letters for 5
        {4, ZVLIB_ATTR_SLANT, 0, "FO=105,SI=3.50/3.50/0.50,JU=LT,SL=0.00"},
        {6, ZVLIB_ATTR_SLANT, 14, "FO=105,SI=3.50/3.50/0.50,JU=RB,\"\""},
        {7, 0, 8, ""},
        {1, 0, 8, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        ZvlibElmAttr x = t;
        x.type = c.type;
        x.settings.useFlags |= c.extraFlags;
        x.settings.justification = c.justification;
        EXPECT_EQ(typeText(x), c.text);
    }
    ZvlibElmAttr style = t;
    style.settings.useFlags = ZVLIB_ATTR_TEXTSTYLE;
    const std::u16string name = u"Vegnavn";
    std::copy(name.begin(), name.end(), style.settings.u.textStyleName);
    EXPECT_EQ(typeText(style), "TS=Vegnavn");

    ZvlibElmAttr sym = attr(5, 0);
    sym.settings.u.symbol.symbolNumber = 12;
    sym.settings.u.symbol.symbolSize = 1.25;
    snprintf(sym.settings.u.symbol.fieldText, sizeof sym.settings.u.symbol.fieldText, "Bru");
    EXPECT_EQ(typeText(sym), "SY=12,SI=1.25,\"Bru\"");
    sym.type = 3;
    EXPECT_EQ(typeText(sym), "SY=12,SI=1.25");
    sym.type = 2;
    EXPECT_EQ(typeText(sym), "SY=12");
    // A field text that fills its field has no terminator to run past.
    memset(sym.settings.u.symbol.fieldText, 'x', sizeof sym.settings.u.symbol.fieldText);
    sym.type = 5;
    EXPECT_EQ(typeText(sym).size(), std::string("SY=12,SI=1.25,\"\"").size() + ZVLIB_ATTR_FIELDTEXT_LEN);
    *tcbP = saved;
}

TEST_F(ElmAttrDialogTest, TheListShowsTheGroupAndSelectionCallsTheCallbacks)
{
    MSDialog *db = open();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(labels(db), "ABC");
    EXPECT_EQ(cell(db, 0, 1), "3");
    EXPECT_EQ(cell(db, 0, 5), "P");
    EXPECT_EQ(visible(db, RTYPE_Generic, 0), -1);

    calls.clear();
    act(db, "select ListBox 20001 0");
    act(db, "select ListBox 20001 1");
    const std::vector<std::pair<int, int>> expected = {{1, 2}, {1, 3}, {1, 4}, {2, 2}, {2, 3}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(zvlibMain_getGlobalDataP()->selectedAttribute, 2);

    // A toggle enables its value item, applies the change and re-texts the row.
    EXPECT_EQ(enabled(db, RTYPE_ToggleButton, 20003, 1), 0) << "weight not in use";
    calls.clear();
    act(db, "press ToggleButton 20003");
    EXPECT_EQ(enabled(db, RTYPE_ToggleButton, 20003, 1), 1);
    EXPECT_TRUE(elmAttr_find(2)->settings.useFlags & ZVLIB_ATTR_WEIGHT);
    EXPECT_EQ(cell(db, 1, 3), "1");
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{2, 1}}));

    // A combo of the level-list models sets the value.
    act(db, "select ComboBox 20001 0");
    EXPECT_EQ(elmAttr_find(2)->settings.colour, COLOR_BYLEVEL);
    EXPECT_EQ(cell(db, 1, 1), "BL");

    // The hidden mask hides the class toggle of A.
    act(db, "select ListBox 20001 0");
    EXPECT_EQ(visible(db, RTYPE_ToggleButton, 20009), 0);
    EXPECT_EQ(visible(db, RTYPE_ToggleButton, 20001), 1);
    EXPECT_EQ(visible(db, RTYPE_ToggleButton, 20005), 0) << "no text items for type 1";
}

TEST_F(ElmAttrDialogTest, AGroupWithoutAttributesShowsNoTypeItems)
{
    MSDialog *db = open();
    ASSERT_NE(db, nullptr);
    act(db, "select ListBox 20001 0");
    EXPECT_EQ(visible(db, MDLHOST_FOURCC('i', 'C', 'm', 'X'), 21307), 1);
    act(db, "set OptionButton 20008 2");
    EXPECT_EQ(mdlDialog_listBoxNRows(list(db)), 0);
    for (int id : {20001, 20002, 20003, 20004, 20009, 20021, 20005, 20006, 20007, 20008})
        EXPECT_EQ(visible(db, RTYPE_ToggleButton, id), 0) << id;
    EXPECT_EQ(visible(db, MDLHOST_FOURCC('i', 'C', 'm', 'X'), 21307), 0);
    act(db, "set OptionButton 20008 1");
    EXPECT_EQ(labels(db), "Hus");
}

TEST_F(ElmAttrDialogTest, TheMenuBarAndTheHeightFollowTheGroupAndItems)
{
    ASSERT_EQ(zvlibElmAttr_setGroupeNames(2, "Veg", 0, 0u, "Meny", 1, 4u), 0);
    ZvlibElmAttrSettings s{};
    ASSERT_EQ(zvlibElmAttr_addAttribute(1, "A", 0, 1, 0, nullptr, 0, &s), 0);
    ASSERT_EQ(zvlibElmAttr_addAttribute(2, "M", 1, 1, 0, nullptr, 0, &s), 0);
    MSDialog *db = open();
    ASSERT_NE(db, nullptr);
    auto top = [&](int type, int id) {
        BSIRect r{};
        DialogItem *it = mdlDialog_itemGetByTypeAndId(db, type, id, 0);
        mdlDialog_itemGetExtent(&r, db, mdlDialog_itemGetIndex(it));
        return r.origin.y;
    };
    auto height = [&] {
        BSIRect r{};
        mdlWindow_contentRectGet(&r, db);
        return r.corner.y - r.origin.y;
    };
    act(db, "select ListBox 20001 0");
    EXPECT_EQ(height(), 470 + 16) << "the lowest item ('iCmX') and one text item";
    EXPECT_EQ(visible(db, RTYPE_MenuBar, 20001), 0);
    EXPECT_EQ(top(RTYPE_ListBox, 20001), 30);

    act(db, "set OptionButton 20008 1");
    EXPECT_EQ(visible(db, RTYPE_MenuBar, 20001), 1);
    EXPECT_EQ(enabled(db, RTYPE_MenuBar, 20001), 1);
    EXPECT_EQ(top(RTYPE_ListBox, 20001), 50) << "moved down by the bar";
    EXPECT_EQ(top(RTYPE_MenuBar, 20001), 0);
    EXPECT_EQ(height(), 470 + 20 + 16) << "its first attribute is selected";
    act(db, "select ListBox 20001 none");
    EXPECT_EQ(height(), 175 + 20 + 16) << "nothing selected: the buttons are the lowest";

    act(db, "set OptionButton 20008 0");
    EXPECT_EQ(visible(db, RTYPE_MenuBar, 20001), 0);
    EXPECT_EQ(top(RTYPE_ListBox, 20001), 30);
    EXPECT_EQ(height(), 470 + 16);
}

TEST_F(ElmAttrDialogTest, TheDialogStartsInTheFirstGroupWhateverItsKey)
{
    ASSERT_EQ(zvlibElmAttr_setGroupeNames(2, "Femte", 5, 0u, "Niende", 9, 0u), 0);
    ZvlibElmAttrSettings s{};
    ASSERT_EQ(zvlibElmAttr_addAttribute(1, "Fem", 5, 1, 0, nullptr, 0, &s), 0);
    ASSERT_EQ(zvlibElmAttr_addAttribute(2, "Ni", 9, 1, 0, nullptr, 0, &s), 0);
    MSDialog *db = open();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(labels(db), "Fem");
    char shown[32] = "";
    DialogItem *group = mdlDialog_itemGetByTypeAndId(db, RTYPE_OptionButton, 20008, 0);
    mdlDialog_itemGetValue(nullptr, nullptr, shown, sizeof shown, db, mdlDialog_itemGetIndex(group));
    EXPECT_STREQ(shown, "Femte");
    act(db, "set OptionButton 20008 9");
    EXPECT_EQ(labels(db), "Ni");
}

TEST_F(ElmAttrDialogTest, AnAttributeOfAGroupThatIsNotThereIsHarmless)
{
    ZvlibElmAttrSettings s{};
    ASSERT_EQ(zvlibElmAttr_addAttribute(9, "Borte", 57, 1, 0, callback(), 0, &s), 0);
    EXPECT_EQ(elmAttr_find(9)->changeCallback, nullptr);
    MSDialog *db = open();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(labels(db), "ABC");
}

TEST_F(ElmAttrDialogTest, MovesStayInsideTheGroup)
{
    ZvlibElmAttrSettings s{};
    // Group 1's attribute stands right after C in the whole list.
    ASSERT_EQ(zvlibElmAttr_deleteAttribute(4, 0), 0);
    ASSERT_EQ(zvlibElmAttr_addAttribute(4, "Hus", 1, 1, 0, nullptr, 0, &s), 0);
    ASSERT_EQ(zvlibElmAttr_addAttribute(5, "D", 0, 1, 0, nullptr, 0, &s), 0);
    MSDialog *db = open();
    ASSERT_NE(db, nullptr);
    const std::vector<int> start = {1, 2, 3, 4, 5};
    ASSERT_EQ(order(), start);

    act(db, "select ListBox 20001 0; press PushButton 20102");
    EXPECT_EQ(order(), start) << "the first of its group does not move up";
    act(db, "select ListBox 20001 3; press PushButton 20103");
    EXPECT_EQ(order(), start) << "the last of its group does not move down";
    act(db, "select ListBox 20001 1; press PushButton 20103");
    EXPECT_EQ(order(), (std::vector<int>{1, 3, 2, 4, 5}));
    EXPECT_EQ(labels(db), "ACBD");
    EXPECT_EQ(selectedRowOf(db), 2) << "the moved attribute stays selected";
    // Down from C swaps with its immediate neighbour, whatever its group.
    act(db, "select ListBox 20001 2; press PushButton 20103");
    EXPECT_EQ(order(), (std::vector<int>{1, 3, 4, 2, 5}));
    act(db, "select ListBox 20001 2; press PushButton 20102");
    EXPECT_EQ(order(), (std::vector<int>{1, 3, 2, 4, 5}));
}

TEST_F(ElmAttrDialogTest, EditInsertAddAndDeleteGoThroughTheSubDialog)
{
    MSDialog *db = open();
    ASSERT_NE(db, nullptr);
    // A has hidden mask 16: after OK its class flag is off.
    ASSERT_TRUE(elmAttr_find(1)->settings.useFlags & ZVLIB_ATTR_CLASS);
    ASSERT_EQ(mdlhost_scriptModal(20017, "set Text 1 Ny; ok"), 0);
    act(db, "select ListBox 20001 0; press PushButton 20063");
    EXPECT_STREQ(elmAttr_find(1)->label, "Ny");
    EXPECT_FALSE(elmAttr_find(1)->settings.useFlags & ZVLIB_ATTR_CLASS);
    EXPECT_EQ(labels(db), "NyBC");
    EXPECT_EQ(groupCalls, 1);

    // Cancel changes nothing, and the group still hears of it.
    ASSERT_EQ(mdlhost_scriptModal(20017, "set Text 1 Feil; cancel"), 0);
    act(db, "select ListBox 20001 1; press PushButton 20063");
    EXPECT_STREQ(elmAttr_find(2)->label, "B");
    EXPECT_EQ(groupCalls, 2);

    ASSERT_EQ(mdlhost_scriptModal(20017, "set Text 1 Foran; ok"), 0);
    act(db, "select ListBox 20001 1; press PushButton 20064");
    EXPECT_EQ(labels(db), "NyForanBC");
    EXPECT_STREQ(elmAttr_find(5)->label, "Foran");

    ASSERT_EQ(mdlhost_scriptModal(20017, "set Text 1 Tekst; set OptionButton 2 4; ok"), 0);
    act(db, "select ListBox 20001 0; press PushButton 20065");
    ASSERT_NE(elmAttr_find(6), nullptr);
    EXPECT_EQ(elmAttr_find(6)->type, 4);
    EXPECT_EQ(elmAttr_find(6)->changeCallback, nullptr);
    EXPECT_EQ(labels(db), "NyForanBCTekst");
    EXPECT_EQ(zvlibMain_getGlobalDataP()->selectedAttribute, 6);

    act(db, "select ListBox 20001 2; press PushButton 20066");
    EXPECT_EQ(elmAttr_find(2), nullptr);
    EXPECT_EQ(labels(db), "NyForanCTekst");
    EXPECT_EQ(selectedRowOf(db), 1) << "the attribute before it is selected";
}

TEST_F(ElmAttrDialogTest, NamedStylesShowTheModifierItems)
{
    int32_t number = 0;
    ASSERT_EQ(mdlLineStyle_create(0, "Gjerde", &number), 0);
    ZvlibElmAttrSettings s{};
    s.lineStyle = -number;
    snprintf(s.lineStyleName, sizeof s.lineStyleName, "Gjerde");
    s.useFlags = ZVLIB_ATTR_LINESTYLE | ZVLIB_ATTR_STYLEWIDTH;
    ASSERT_EQ(zvlibElmAttr_addAttribute(7, "Gjerde", 0, 1, 0, nullptr, 0, &s), 0);
    MSDialog *db = open();
    ASSERT_NE(db, nullptr);
    act(db, "select ListBox 20001 3");
    for (int i = 2; i <= 5; i++)
        EXPECT_EQ(visible(db, RTYPE_ToggleButton, 20002, i), 1) << i;
    EXPECT_EQ(enabled(db, RTYPE_ToggleButton, 20002, 3), 1) << "width value with its flag";
    EXPECT_EQ(enabled(db, RTYPE_ToggleButton, 20002, 5), 0) << "scale value without";
    EXPECT_EQ(cell(db, 3, 2), "UD");
    // A numbered style from the combo hides them.
    act(db, "select ComboBox 20002 4");
    EXPECT_EQ(elmAttr_find(7)->settings.lineStyle, 3);
    for (int i = 2; i <= 5; i++)
        EXPECT_EQ(visible(db, RTYPE_ToggleButton, 20002, i), 0) << i;
    // The named style again, by its row: its name comes with it.
    memset(elmAttr_find(7)->settings.lineStyleName, 0, ZVLIB_ATTR_STYLENAME_LEN);
    act(db, "select ComboBox 20002 9");
    EXPECT_EQ(elmAttr_find(7)->settings.lineStyle, -number);
    EXPECT_STREQ(elmAttr_find(7)->settings.lineStyleName, "Gjerde");
    EXPECT_EQ(visible(db, RTYPE_ToggleButton, 20002, 2), 1);
}

TEST_F(ElmAttrDialogTest, TheLevelChooserWritesTheChosenName)
{
    uint32_t id = 0;
    for (const char16_t *name : {u"Bygg", u"Road", u"Vann"})
        ASSERT_EQ(mdlLevel_create(0, name, &id), 0);
    elmAttr_find(2)->settings.useFlags |= ZVLIB_ATTR_LEVEL;
    MSDialog *db = open();
    ASSERT_NE(db, nullptr);
    act(db, "select ListBox 20001 1");
    EXPECT_EQ(visible(db, RTYPE_PushButton, 20054), 1) << "the chooser with the level flag";
    calls.clear();
    ASSERT_EQ(mdlhost_scriptModal(20025, "select ListBox 1 1; ok"), 0);
    act(db, "press PushButton 20054");
    EXPECT_EQ(std::u16string(elmAttr_find(2)->settings.levelName), u"Road");
    EXPECT_EQ(cell(db, 1, 4), "Road");
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{2, 1}}));
    // Cancel puts the kept name back.
    ASSERT_EQ(mdlhost_scriptModal(20025, "select ListBox 1 2; cancel"), 0);
    act(db, "press PushButton 20054");
    EXPECT_EQ(std::u16string(elmAttr_find(2)->settings.levelName), u"Road");
    // A registered level-name variable is the target when the item names it.
    char16_t clip[ZVLIB_ATTR_LEVELNAME_LEN] = {};
    zvlibElmAttr_setLevelNameVariable(1, clip);
    DialogItem *text = mdlDialog_itemGetByTypeAndId(db, RTYPE_Text, 20054, 0);
    mdlDialog_itemSetUserValue(db, mdlDialog_itemGetIndex(text), 1);
    ASSERT_EQ(mdlhost_scriptModal(20025, "dclick ListBox 1 2"), 0);
    act(db, "press PushButton 20054");
    EXPECT_EQ(std::u16string(clip), u"Vann");
    EXPECT_EQ(std::u16string(elmAttr_find(2)->settings.levelName), u"Road");
    zvlibElmAttr_setLevelNameVariable(1, nullptr);
}

} // namespace
