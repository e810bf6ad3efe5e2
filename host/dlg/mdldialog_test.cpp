// Dialogs read from resource files: hooks, bound items, scripted modals,
// list boxes and menus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mdlhost.h"

namespace fs = std::filesystem;

namespace {

struct Row {
    int32_t on;
    char code[4];
};

struct Settings {
    double scale;
    uint16_t bits;
    char name[8];
    int32_t mode;
    Row rows[3];
    int8_t small;
};

const MdlhostField rowFields[] = {
    MDLHOST_FIELD_OF(Row, on, MDLHOST_FIELD_INT),
    MDLHOST_FIELD_OF(Row, code, MDLHOST_FIELD_TEXT),
};
const MdlhostField settingsFields[] = {
    MDLHOST_FIELD_OF(Settings, scale, MDLHOST_FIELD_DOUBLE),
    MDLHOST_FIELD_OF(Settings, bits, MDLHOST_FIELD_UINT),
    MDLHOST_FIELD_OF(Settings, name, MDLHOST_FIELD_TEXT),
    MDLHOST_FIELD_OF(Settings, mode, MDLHOST_FIELD_INT),
    MDLHOST_STRUCTARRAY_OF(Settings, rows, "Row"),
    MDLHOST_FIELD_OF(Settings, small, MDLHOST_FIELD_INT),
};

// Every hook call: "<who> <message> <current task>".
std::vector<std::string> calls;
// What the next hook calls do besides recording.
int closeOnMessage = -1;  // the item hook closes its dialog on this message
bool abortAction = false; // the dialog hook keeps the dialog open
int queueCloseId = 0;     // the item hook queues the close of this dialog
bool wantResize = false;  // the dialog hook asks for resize messages

std::string current() { return mdlSystem_getMdlTaskID(nullptr); }

void dialogHook(DialogMessage *m)
{
    std::string entry = "dialog " + std::to_string(m->messageType);
    if (m->messageType == DIALOG_MESSAGE_RESIZE)
        entry += " " + std::to_string(m->u.resize.oldContent.corner.x) + "x" +
                 std::to_string(m->u.resize.oldContent.corner.y) + ">" +
                 std::to_string(m->u.resize.newContent.corner.x) + "x" +
                 std::to_string(m->u.resize.newContent.corner.y);
    calls.push_back(entry + " " + current());
    if (m->messageType == DIALOG_MESSAGE_CREATE && wantResize)
        m->u.create.interests |= DIALOG_INTEREST_RESIZE;
    if (m->messageType == DIALOG_MESSAGE_ACTIONBUTTON && abortAction)
        m->u.actionButton.abortAction = 1;
    m->msgUnderstood = 1;
}

void itemHook(DialogItemMessage *m)
{
    std::string entry = "item " + std::to_string(mdlDialog_itemGetId(m->dialogItemP)) + " " +
                        std::to_string(m->messageType);
    if (m->messageType == DITEM_MESSAGE_STATECHANGED)
        entry += m->u.stateChanged.reallyChanged ? " changed" : " same";
    if (m->messageType == DITEM_MESSAGE_BUTTON)
        entry += m->u.button.buttonTrans == BUTTONTRANS_UP ? " up" : " down";
    if (m->messageType == DITEM_MESSAGE_STATECHANGED && queueCloseId != 0) {
        mdlDialog_closeCommandQueue(queueCloseId);
        bool open = mdlDialog_findByTypeAndId(RTYPE_DialogBox, queueCloseId, nullptr) != nullptr;
        entry += open ? " still open" : " closed";
    }
    calls.push_back(entry + " " + current());
    if (m->messageType == closeOnMessage)
        mdlWindow_close(m->db);
    if (m->messageType == DITEM_MESSAGE_TEXTFORMAT && mdlDialog_itemGetId(m->dialogItemP) == 7)
        mdlDialog_textSetFormat(m->dialogItemP, "%.2f");
    m->msgUnderstood = 1;
}

void otherHook(DialogItemMessage *m) { calls.push_back("other " + std::to_string(m->messageType)); }

// A generic item that draws itself as a message box text does.
void drawHook(DialogItemMessage *m)
{
    if (m->messageType != DITEM_MESSAGE_DRAW)
        return;
    BSIRect r;
    mdlDialog_itemGetExtent(&r, m->db, m->itemIndex);
    mdlDialog_rscIconDraw(m->db, RTYPE_Icon, 20001, r.origin.x, r.origin.y, 4);
    int fh = mdlDialog_fontGetCurHeight(m->db);
    const char *lines[] = {"first", "second"};
    for (int i = 0; i < 2; i++)
        mdlDialog_textDraw(m->db, lines[i], r.origin.x + 65, r.origin.y + i * fh, 0);
    mdlDialog_rectDrawBeveled(m->db, &r, 1);
    m->msgUnderstood = 1;
}

const char *const resources = R"(
DialogBox 100 "Innstillinger" {
    Size 300 200
    Hook 1
    Item Text 1 { Access "sbgd.scale" ; Format "%.3f" ; Hook 2 }
    Item ToggleButton 1 "Flag" { Access "sbgd->bits" ; Mask 4 ; Hook 2 }
    Item Text 2 { Access "sbgd.name" }
    Item OptionButton 3 { Access "sbgd.mode" ; Entry "Av" 0 ; Entry "Paa" 1 ; Entry "Auto" 2 }
    Item ToggleButton 4 { Access "sbgd.rows[2].on" }
    Item Text 5 { Access "sbgd.rows[2].code" ; MaxLength 2 }
    Item Text 6 { Access "sbgd.small" }
    Item Text 7 { Access "sbgd.scale" ; Hook 2 }
    Item PushButton -3 "OK" { Hook 2 }
    Item PushButton -4 "Avbryt" { Default }
}
DialogBox 200 "Liste" {
    Item ListBox 1 { Columns 2 ; Hook 2 }
    Item ListBox 2 { Multi }
    Item ComboBox 3 { Access "sbgd.name" }
    Item PushButton -3 "OK" { Default }
}
DialogBox 300 { Item Text 1 { Acces "sbgd.scale" } }
DialogBox 301 { Item Text 1 { Format "%n" } }
DialogBox 302 { Item Knob 1 }
DialogBox 303 { Item MenuBar 1 { Menu 999 } }
DialogBox 400 "ZVZERA" { Item MenuBar 1 { Menu 1 ; Menu 2 ; Menu 3 } }
PulldownMenu 1 "Fil" { Entry 11 "Aapne" }
PulldownMenu 2 "Vis" { Entry 21 "Alt" }
PulldownMenu 3 "Hjelp" { Entry 31 "Om" }
PulldownMenu 100 "Zera" {
    Hook 2
    Access "sbgd.mode"
    Entry 101 "Samle" { Value 1 ; Hook 2 ; Keyin "zera lagre zeradata" }
    Entry 102 "Endre" { Value 2 ; Disabled }
}
DialogBox 500 {
    Font 4
    Item Generic 1 { Extent 5 6 100 40 ; Hook 3 }
    Item 'iCmX' 21307 { Hidden }
    Item Label 2 { Hook 4 }
}
DialogItem 101 ToggleButton 113 "Behold lenker" { Hook 2 }
)";

class DialogAppTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdldlg-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        ASSERT_NE(mkdtemp(buf.data()), nullptr);
        dir_ = buf.data();
        std::string rsc = dir_ + "/a.rsc";
        std::ofstream(rsc) << resources;
        mdlhost_clearTextWindow();
        mdlhost_clearDialogScripts();
        mdlhost_clearDrawLog();
        a_ = mdlhost_registerApplication("DLGA", rsc.c_str());
        b_ = mdlhost_registerApplication("DLGB", rsc.c_str());
        ASSERT_NE(a_, nullptr);
        ASSERT_NE(b_, nullptr);
        ASSERT_STREQ(mdlhost_textWindow(), "");
        previous_ = mdlhost_setCurrMdlDesc(a_);
        const DialogHookInfo hooks[] = {
            {1, (MdlFunctionP)dialogHook}, {2, (MdlFunctionP)itemHook}, {3, (MdlFunctionP)drawHook}};
        ASSERT_EQ(mdlDialog_hookPublish(3, hooks), 0);
        SymbolSet *set = mdlCExpression_initializeSet(4, 0, 1);
        ASSERT_EQ(mdlhost_defineStruct(set, "Row", sizeof(Row), rowFields, 2), 0);
        ASSERT_EQ(mdlhost_defineStruct(set, "Settings", sizeof(Settings), settingsFields, 6), 0);
        ASSERT_EQ(mdlDialog_publishComplexPtr(set, "Settings", "sbgd", &sbgd_), 0);
        sbgd_ = &first_;
        calls.clear();
        closeOnMessage = -1;
        abortAction = false;
        wantResize = false;
        mdlhost_clearInputQueue();
    }
    void TearDown() override
    {
        mdlhost_setCurrMdlDesc(previous_);
        for (MdlDesc *d : {a_, b_}) {
            mdlhost_forgetDialogs(d);
            mdlhost_unregisterApplication(d);
        }
        mdlhost_clearDialogScripts();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string shown(MSDialog *db, int type, int id)
    {
        char text[128];
        DialogItem *it = mdlDialog_itemGetByTypeAndId(db, type, id, 0);
        mdlDialog_itemGetValue(nullptr, nullptr, text, sizeof text, db, mdlDialog_itemGetIndex(it));
        return text;
    }
    int indexOf(MSDialog *db, int type, int id)
    {
        return mdlDialog_itemGetIndex(mdlDialog_itemGetByTypeAndId(db, type, id, 0));
    }

    std::string dir_;
    MdlDesc *a_ = nullptr, *b_ = nullptr, *previous_ = nullptr;
    Settings first_ = {1.5, 0, "abc", 1, {}, 0};
    Settings second_ = {2.25, 4, "xyz", 2, {}, 0};
    Settings *sbgd_ = nullptr;
};

TEST_F(DialogAppTest, MessagesArriveInOrderWithTheOwnerCurrent)
{
    // B publishes the same hook id: a dialog of A must still call A's hook.
    mdlhost_setCurrMdlDesc(b_);
    const DialogHookInfo other[] = {{2, (MdlFunctionP)otherHook}};
    mdlDialog_hookPublish(1, other);

    mdlhost_setCurrMdlDesc(a_);
    MSDialog *db = mdlDialog_open(nullptr, 100);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(mdlDialog_getOwner(db), a_);
    EXPECT_STREQ(mdlWindow_titleGet(db), "Innstillinger");
    const std::vector<std::string> opened = {
        "dialog 0 DLGA",     "item 1 50 DLGA", "item 1 50 DLGA", "item 7 50 DLGA", "item -3 50 DLGA",
        "dialog 1 DLGA",     "item 1 56 DLGA", "item 1 56 DLGA", "item 7 56 DLGA", "item -3 56 DLGA",
        "item 1 61 DLGA",    "item 1 66 DLGA", "item 7 61 DLGA", "item 7 66 DLGA", "item 1 53 DLGA",
        "item 1 53 DLGA",    "item 7 53 DLGA", "item -3 53 DLGA", "dialog 3 DLGA",
    };
    EXPECT_EQ(calls, opened);

    // Hooks run with A current even when B acts on the dialog, and B is
    // current again afterwards.
    calls.clear();
    mdlhost_setCurrMdlDesc(b_);
    ASSERT_EQ(mdlWindow_close(db), 0);
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), b_);
    const std::vector<std::string> closed = {"item 1 51 DLGA", "item 1 51 DLGA", "item 7 51 DLGA",
                                             "item -3 51 DLGA", "dialog 2 DLGA"};
    EXPECT_EQ(calls, closed);
    EXPECT_EQ(mdlhost_dialogIsOpen(db), 0);
    EXPECT_EQ(mdlDialog_findByTypeAndId(RTYPE_DialogBox, 100, nullptr), nullptr);
}

TEST_F(DialogAppTest, ItemsShowAndStoreFieldsThroughAccessStrings)
{
    first_.rows[2].on = 0;
    MSDialog *db = mdlDialog_open(nullptr, 100);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(shown(db, RTYPE_Text, 1), "1.500");
    EXPECT_EQ(shown(db, RTYPE_Text, 7), "1.50") << "format set by the hook on message 66";
    EXPECT_EQ(shown(db, RTYPE_ToggleButton, 1), "0");
    EXPECT_EQ(shown(db, RTYPE_Text, 2), "abc");
    EXPECT_EQ(shown(db, RTYPE_OptionButton, 3), "Paa");

    // Typing enters the field first, then the value is stored and changed.
    calls.clear();
    ASSERT_EQ(mdlhost_dialogDo(db, "set text 1 1.5"), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"item 1 55 DLGA", "item 1 69 DLGA", "item 1 61 DLGA",
                                               "item 1 66 DLGA", "item 1 71 same DLGA"}));
    EXPECT_EQ(mdlDialog_itemGetFocus(db), indexOf(db, RTYPE_Text, 1));

    // What the user does goes into the record.
    ASSERT_EQ(mdlhost_dialogDo(db, "set text 1 \" 2.5\"; press toggle 1; set optionbutton 3 2; press "
                                   "togglebutton 4; set text 5 \"QWERTY\"; set text 2 \"a much longer name\""),
              0);
    EXPECT_DOUBLE_EQ(first_.scale, 2.5);
    EXPECT_EQ(first_.bits, 4) << "the toggle stands for mask 4 only";
    EXPECT_EQ(first_.mode, 2);
    EXPECT_EQ(first_.rows[2].on, 1);
    EXPECT_STREQ(first_.rows[2].code, "QW") << "MaxLength 2";
    EXPECT_STREQ(first_.name, "a much ") << "cut to the field, terminated";
    EXPECT_EQ(shown(db, RTYPE_Text, 1), "2.500");

    // Values the field cannot hold are refused and leave it as it was.
    calls.clear();
    mdlhost_clearTextWindow();
    mdlhost_dialogDo(db, "set text 1 2.5x; set text 6 300; set text 6 -128; set optionbutton 3 7");
    EXPECT_DOUBLE_EQ(first_.scale, 2.5);
    EXPECT_EQ(first_.small, -128);
    EXPECT_EQ(first_.mode, 2);
    EXPECT_NE(strstr(mdlhost_textWindow(), "\"2.5x\" is not a value of Text 1"), nullptr);
    EXPECT_NE(strstr(mdlhost_textWindow(), "\"300\" is not a value of Text 6"), nullptr);

    // Switching the published pointer takes effect at once.
    sbgd_ = &second_;
    EXPECT_EQ(shown(db, RTYPE_Text, 1), "2.250");
    EXPECT_EQ(shown(db, RTYPE_ToggleButton, 1), "1");
    mdlhost_dialogDo(db, "press toggle 1");
    EXPECT_EQ(second_.bits, 0);
    EXPECT_EQ(first_.bits, 4);

    // No record: nothing shown, nothing stored, nothing crashes.
    sbgd_ = nullptr;
    EXPECT_EQ(shown(db, RTYPE_Text, 1), "");
    EXPECT_EQ(mdlDialog_itemsSynch(db), 0);
    mdlhost_clearTextWindow();
    mdlhost_dialogDo(db, "set text 1 3; press toggle 1");
    EXPECT_NE(strstr(mdlhost_textWindow(), "\"3\" is not a value of Text 1"), nullptr);
    EXPECT_NE(strstr(mdlhost_textWindow(), "ToggleButton 1 has no value to change"), nullptr);
    sbgd_ = &first_;
    mdlWindow_close(db);
}

TEST_F(DialogAppTest, AccessStringsResolveOrAreRefused)
{
    first_.rows[1].on = 7;
    struct Case {
        const char *access;
        const char *value; // null: does not resolve
    } cases[] = {
        {"sbgd.scale", "1.5"},       {"sbgd->scale", "1.5"},      {" sbgd -> rows [1] . on ", "7"},
        {"sbgd.rows[3].on", nullptr}, {"sbgd.rows.on", nullptr},   {"sbgd.rows[1]", nullptr},
        {"sbgd", nullptr},           {"sbgd.nothing", nullptr},   {"other.scale", nullptr},
        {"sbgd.scale.x", nullptr},   {"sbgd.rows[-1].on", nullptr}, {"sbgd..scale", nullptr},
        {"", nullptr},
    };
    for (const Case &c : cases) {
        char out[64] = "unchanged";
        int r = mdlhost_accessGetText(out, sizeof out, c.access);
        EXPECT_EQ(r, c.value ? 0 : -1) << c.access;
        EXPECT_STREQ(out, c.value ? c.value : "") << c.access;
    }
    EXPECT_EQ(mdlhost_accessSetText("sbgd.rows[0].code", "abcdef"), 0);
    EXPECT_STREQ(first_.rows[0].code, "abc");
    EXPECT_EQ(mdlhost_accessSetText("sbgd.bits", "-1"), -1) << "unsigned field";
    EXPECT_EQ(mdlhost_accessSetText("sbgd.bits", "65535"), 0);
    EXPECT_EQ(mdlhost_accessSetText("sbgd.bits", "65536"), -1);

    // Another application sees A's variables, its own first.
    mdlhost_setCurrMdlDesc(b_);
    char out[64];
    EXPECT_EQ(mdlhost_accessGetText(out, sizeof out, "sbgd.scale"), 0);
    EXPECT_STREQ(out, "1.5");
    Settings own = {9.0, 0, "", 0, {}, 0};
    Settings *ownP = &own;
    SymbolSet *set = mdlCExpression_initializeSet(4, 0, 1);
    mdlhost_defineStruct(set, "Settings", sizeof(Settings), settingsFields, 6);
    mdlDialog_publishComplexPtr(set, "Settings", "sbgd", &ownP);
    mdlhost_defineStruct(set, "Row", sizeof(Row), rowFields, 2);
    EXPECT_EQ(mdlhost_accessGetText(out, sizeof out, "sbgd.scale"), 0);
    EXPECT_STREQ(out, "9");
    mdlCExpression_freeSet(set);

    // Field descriptors that reach outside the record are refused.
    const MdlhostField bad[] = {{"x", sizeof(Settings) - 2, MDLHOST_FIELD_INT, 4, 1, nullptr}};
    const MdlhostField badArray[] = {{"x", 0, MDLHOST_FIELD_INT, 4, 1000, nullptr}};
    const MdlhostField badSize[] = {{"x", 0, MDLHOST_FIELD_INT, 3, 1, nullptr}};
    SymbolSet *s2 = mdlCExpression_initializeSet(4, 0, 1);
    EXPECT_EQ(mdlhost_defineStruct(s2, "Bad", sizeof(Settings), bad, 1), -1);
    EXPECT_EQ(mdlhost_defineStruct(s2, "Bad", sizeof(Settings), badArray, 1), -1);
    EXPECT_EQ(mdlhost_defineStruct(s2, "Bad", sizeof(Settings), badSize, 1), -1);
    mdlCExpression_freeSet(s2);
}

TEST_F(DialogAppTest, ModalAnsweredFromTheScript)
{
    first_.bits = 0;
    ASSERT_EQ(mdlhost_scriptModal(100, "set toggle 1 1\nok"), 0);
    int action = 0;
    ASSERT_EQ(mdlDialog_openModal(&action, nullptr, 100), 0);
    EXPECT_EQ(action, ACTIONBUTTON_OK);
    EXPECT_EQ(first_.bits, 4);
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 0);
    EXPECT_EQ(mdlhost_openDialogCount(), 0);
    // The toggle's hook heard the press and the real change; the OK button's
    // hook ran before the dialog hook was asked to close.
    auto find = [](const std::string &s) { return std::find(calls.begin(), calls.end(), s) - calls.begin(); };
    long changed = find("item 1 71 changed DLGA");
    long okUp = find("item -3 54 up DLGA");
    long action6 = find("dialog 6 DLGA");
    long destroyed = find("dialog 2 DLGA");
    EXPECT_LT(find("item 1 54 down DLGA"), changed);
    EXPECT_LT(changed, okUp);
    EXPECT_LT(okUp, action6);
    EXPECT_LT(action6, destroyed);
    EXPECT_LT(destroyed, (long)calls.size());
    EXPECT_STREQ(mdlhost_textWindow(), "");
}

TEST_F(DialogAppTest, UnansweredModalTakesTheDefaultButtonAndSaysSo)
{
    int action = 0;
    ASSERT_EQ(mdlDialog_openModal(&action, nullptr, 100), 0);
    EXPECT_EQ(action, ACTIONBUTTON_CANCEL) << "the Default button is Cancel";
    EXPECT_NE(strstr(mdlhost_textWindow(), "Dialog 100: no answer, default button PushButton -4 (action 4)"),
              nullptr)
        << mdlhost_textWindow();

    // An answer for another dialog stays queued for it.
    mdlhost_clearTextWindow();
    mdlhost_scriptModal(200, "ok");
    ASSERT_EQ(mdlDialog_openModal(&action, nullptr, 100), 0);
    EXPECT_EQ(action, ACTIONBUTTON_CANCEL);
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 1);
    EXPECT_NE(strstr(mdlhost_textWindow(), "the queued answer is for dialog 200"), nullptr);
    ASSERT_EQ(mdlDialog_openModal(&action, nullptr, 200), 0);
    EXPECT_EQ(action, ACTIONBUTTON_OK);

    // A hook that refuses every close cannot make the run wait.
    mdlhost_clearTextWindow();
    abortAction = true;
    mdlhost_scriptModal(0, "ok");
    ASSERT_EQ(mdlDialog_openModal(&action, nullptr, 100), 0);
    EXPECT_EQ(action, ACTIONBUTTON_CANCEL);
    EXPECT_NE(strstr(mdlhost_textWindow(), "Dialog 100: still open, closed with action 4"), nullptr);
    EXPECT_EQ(mdlhost_openDialogCount(), 0);

    // Malformed answers are refused when queued, not when a dialog runs.
    for (const char *bad : {"press", "set toggle x 1", "select listbox 1 a,b", "fly away", "set text 1 \"open",
                            "close", "set knob 1 2"})
        EXPECT_EQ(mdlhost_scriptModal(0, bad), -1) << bad;
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 0);
}

TEST_F(DialogAppTest, DialogClosedByItsOwnHookStaysSafe)
{
    closeOnMessage = DITEM_MESSAGE_STATECHANGED;
    mdlhost_scriptModal(0, "press toggle 1; set text 1 9; ok");
    int action = 0;
    ASSERT_EQ(mdlDialog_openModal(&action, nullptr, 100), 0);
    EXPECT_EQ(action, ACTIONBUTTON_CANCEL);
    EXPECT_NE(strstr(mdlhost_textWindow(), "Dialog 100: closed before step \"set text 1 9\""), nullptr)
        << mdlhost_textWindow();
    EXPECT_DOUBLE_EQ(first_.scale, 1.5);

    // A modeless dialog closed while it opens is never handed out.
    closeOnMessage = DITEM_MESSAGE_INIT;
    EXPECT_EQ(mdlDialog_open(nullptr, 100), nullptr);
    EXPECT_EQ(mdlhost_openDialogCount(), 0);
}

TEST_F(DialogAppTest, RefusedDefinitionsNameFileAndLine)
{
    struct Case {
        int id;
        const char *why;
    } cases[] = {
        {300, "unknown keyword Acces"},     {301, "malformed format %n"}, {302, "unknown item type Knob"},
        {303, "menu bar names a missing"}, {999, "Dialog 999 not found"},
    };
    for (const Case &c : cases) {
        mdlhost_clearTextWindow();
        EXPECT_EQ(mdlDialog_open(nullptr, c.id), nullptr) << c.id;
        EXPECT_NE(strstr(mdlhost_textWindow(), c.why), nullptr) << mdlhost_textWindow();
        if (c.id != 999) {
            EXPECT_NE(strstr(mdlhost_textWindow(), "a.rsc:"), nullptr) << mdlhost_textWindow();
        }
    }
    int action = 0;
    EXPECT_EQ(mdlDialog_openModal(&action, nullptr, 300), -1);
    EXPECT_EQ(action, ACTIONBUTTON_CANCEL);
    EXPECT_EQ(mdlhost_openDialogCount(), 0);
}

TEST_F(DialogAppTest, ListBoxSelectionFollowsTheUser)
{
    MSDialog *db = mdlDialog_open(nullptr, 200);
    ASSERT_NE(db, nullptr);
    DialogItem *single = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, 1, 0);
    DialogItem *multi = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, 2, 0);
    StringList *list = mdlStringList_create(8, 1);
    for (long i = 0; i < 8; i++) {
        std::string t = "m" + std::to_string(i);
        mdlStringList_setMember(list, i, t.c_str(), nullptr);
    }
    ASSERT_EQ(mdlDialog_listBoxSetStrListP(single, list, 2), 0);
    ASSERT_EQ(mdlDialog_listBoxSetStrListP(multi, list, 1), 0);
    EXPECT_EQ(mdlDialog_listBoxNRows(single), 4);
    EXPECT_STREQ(mdlhost_listBoxCellText(single, 2, 1), "m5");
    EXPECT_EQ(mdlhost_listBoxCellText(single, 4, 0), nullptr);

    calls.clear();
    mdlhost_dialogDo(db, "select listbox 1 2; select listbox 1 2; dclick listbox 1 3");
    const std::vector<std::string> heard = {
        "item 1 54 down DLGA", "item 1 54 up DLGA", "item 1 71 changed DLGA", "item 1 54 down DLGA",
        "item 1 54 up DLGA",   "item 1 71 same DLGA", "item 1 54 down DLGA",  "item 1 54 up DLGA",
        "item 1 54 up DLGA",   "item 1 71 changed DLGA",
    };
    EXPECT_EQ(calls, heard);
    int first = 0, last = 0;
    mdlDialog_listBoxGetSelectRange(&first, &last, single);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 3);

    // One row only in a single-selection list; rows past the end are refused.
    mdlhost_clearTextWindow();
    mdlhost_dialogDo(db, "select listbox 1 0,1; select listbox 1 4");
    EXPECT_EQ(mdlDialog_listBoxRowIsSelected(single, 3), 1);
    EXPECT_NE(strstr(mdlhost_textWindow(), "ListBox 1 selects one row only"), nullptr);
    EXPECT_NE(strstr(mdlhost_textWindow(), "ListBox 1 has no row 4"), nullptr);

    mdlhost_dialogDo(db, "select listbox 2 1,4,6");
    std::vector<int> rows;
    int found = 0, row = -1, col = 0;
    while (mdlDialog_listBoxGetNextSelection(&found, &row, &col, multi) == 0 && found)
        rows.push_back(row);
    EXPECT_EQ(rows, (std::vector<int>{1, 4, 6}));

    // A list that shrinks drops the selection beyond its end.
    mdlStringList_deleteMember(list, 5, 3);
    mdlDialog_listBoxGetSelectRange(&first, &last, multi);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 4);

    // A combo box choice goes into its bound field.
    ListModel *model = mdlListModel_create(2);
    mdlListModel_setCellText(model, mdlListModel_insertRow(model, -1), 0, "rad0");
    mdlListModel_setCellText(model, mdlListModel_insertRow(model, -1), 0, "rad1");
    DialogItem *combo = mdlDialog_itemGetByTypeAndId(db, RTYPE_ComboBox, 3, 0);
    ASSERT_EQ(mdlDialog_comboBoxSetListModelP(combo, model), 0);
    mdlhost_dialogDo(db, "select combobox 3 1");
    EXPECT_STREQ(first_.name, "rad1");
    mdlListModel_destroy(model);
    EXPECT_EQ(mdlDialog_comboBoxGetListModelP(combo), nullptr) << "a destroyed model leaves the item";

    mdlWindow_close(db);
    mdlStringList_destroy(list);
}

TEST_F(DialogAppTest, ADestroyedStringListEmptiesTheBoxesShowingIt)
{
    MSDialog *db = mdlDialog_open(nullptr, 200);
    ASSERT_NE(db, nullptr);
    DialogItem *single = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, 1, 0);
    DialogItem *combo = mdlDialog_itemGetByTypeAndId(db, RTYPE_ComboBox, 3, 0);
    StringList *list = mdlStringList_create(4, 0);
    for (long i = 0; i < 4; i++)
        mdlStringList_setMember(list, i, ("m" + std::to_string(i)).c_str(), nullptr);
    StringList *other = mdlStringList_create(2, 0);
    ASSERT_EQ(mdlDialog_listBoxSetStrListP(single, list, 1), 0);
    ASSERT_EQ(mdlDialog_comboBoxSetStrListP(combo, list, 1), 0);
    mdlhost_dialogDo(db, "select listbox 1 2");
    ASSERT_EQ(mdlDialog_listBoxRowIsSelected(single, 2), 1);

    // Under the sanitizer a box still holding the list reads freed memory.
    mdlStringList_destroy(list);
    for (DialogItem *it : {single, combo}) {
        EXPECT_EQ(mdlDialog_listBoxGetStrListP(it), nullptr);
        EXPECT_EQ(mdlDialog_listBoxNRows(it), 0);
        EXPECT_EQ(mdlhost_listBoxCellText(it, 0, 0), nullptr);
    }
    EXPECT_NE(mdlDialog_listBoxRowIsSelected(single, 2), 1) << "the selection goes with the list";
    mdlhost_clearTextWindow();
    mdlhost_dialogDo(db, "select listbox 1 0");
    EXPECT_NE(strstr(mdlhost_textWindow(), "ListBox 1 has no row 0"), nullptr);

    // Only boxes showing the destroyed list let go.
    ASSERT_EQ(mdlDialog_listBoxSetStrListP(single, other, 1), 0);
    StringList *third = mdlStringList_create(1, 0);
    mdlStringList_destroy(third);
    EXPECT_EQ(mdlDialog_listBoxGetStrListP(single), other);
    EXPECT_EQ(mdlDialog_listBoxNRows(single), 2);

    mdlWindow_close(db);
    mdlStringList_destroy(other);
}

TEST_F(DialogAppTest, DisabledAndHiddenItemsCannotBeUsed)
{
    MSDialog *db = mdlDialog_open(nullptr, 100);
    ASSERT_NE(db, nullptr);
    mdlDialog_itemSetEnabledState(db, indexOf(db, RTYPE_ToggleButton, 1), 0, 1);
    mdlDialog_itemHide(db, indexOf(db, RTYPE_Text, 1));
    mdlhost_dialogDo(db, "press toggle 1; set text 1 7");
    EXPECT_EQ(first_.bits, 0);
    EXPECT_DOUBLE_EQ(first_.scale, 1.5);
    EXPECT_NE(strstr(mdlhost_textWindow(), "ToggleButton 1 is disabled"), nullptr);
    EXPECT_NE(strstr(mdlhost_textWindow(), "Text 1 is hidden"), nullptr);
    mdlWindow_close(db);
}

TEST_F(DialogAppTest, MenusGoInBeforeAMenuAndComeOutAgain)
{
    MenuBar *cmd = mdlDialog_menuBarGetCmdWinP();
    int hostMenus = mdlhost_menuBarCount(cmd);
    PulldownMenu *help = mdlDialog_menuBarFindMenu(cmd, RTYPE_PulldownMenu, MENUID_HostHelp);
    ASSERT_NE(help, nullptr);
    ASSERT_EQ(mdlDialog_menuBarInsMenu(cmd, RTYPE_PulldownMenu, 100, nullptr, help), 0);
    mdlhost_setCurrMdlDesc(b_);
    ASSERT_EQ(mdlDialog_menuBarInsMenu(cmd, RTYPE_PulldownMenu, 100, nullptr, nullptr), 0);
    EXPECT_EQ(mdlhost_menuBarCount(cmd), hostMenus + 2);
    MdlDesc *owner = nullptr;
    EXPECT_EQ(mdlhost_menuBarMenuId(cmd, hostMenus - 1, &owner), 100);
    EXPECT_EQ(owner, a_);
    EXPECT_EQ(mdlhost_menuBarMenuId(cmd, hostMenus, &owner), MENUID_HostHelp);
    EXPECT_EQ(mdlhost_menuBarMenuId(cmd, hostMenus + 1, &owner), 100);
    EXPECT_EQ(owner, b_);

    // Choosing in A's menu runs A's hooks with A current and stores the value.
    mdlhost_setCurrMdlDesc(a_);
    calls.clear();
    EXPECT_EQ(mdlhost_menuChoose(cmd, 100, 101), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"item 0 58 DLGA", "item 0 58 DLGA"}));
    EXPECT_EQ(first_.mode, 1);
    const char *keyin = nullptr;
    ASSERT_EQ(mdlhost_inputQueueEntry(0, &keyin, nullptr, nullptr), MDLHOST_INPUT_KEYIN);
    EXPECT_STREQ(keyin, "zera lagre zeradata");
    mdlhost_clearInputQueue();
    EXPECT_EQ(mdlhost_menuChoose(cmd, 100, 102), -1) << "disabled entry";
    PulldownMenuItem *entry = mdlDialog_menuBarFindItem(cmd, RTYPE_PulldownMenu, 100, 101);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(mdlDialog_textPDMItemSetMark(entry, 2), 0);
    EXPECT_EQ(mdlDialog_textPDMItemGetMark(entry), 2);

    // Each application removes its own menu; the host's stay.
    mdlhost_setCurrMdlDesc(b_);
    EXPECT_EQ(mdlDialog_menuBarDeleteMenu(cmd, RTYPE_PulldownMenu, 100), 0);
    EXPECT_EQ(mdlhost_menuBarMenuId(cmd, hostMenus - 1, &owner), 100);
    EXPECT_EQ(owner, a_);
    mdlhost_setCurrMdlDesc(a_);
    EXPECT_EQ(mdlDialog_menuBarDeleteMenu(cmd, RTYPE_PulldownMenu, 100), 0);
    EXPECT_EQ(mdlDialog_menuBarDeleteMenu(cmd, RTYPE_PulldownMenu, 100), -1);
    EXPECT_EQ(mdlhost_menuBarCount(cmd), hostMenus);
    EXPECT_EQ(mdlDialog_menuBarInsMenu(cmd, RTYPE_PulldownMenu, 999, nullptr, nullptr), -1);
}

TEST_F(DialogAppTest, AnotherApplicationInsertsIntoADialogsMenuBar)
{
    MdlDesc *zv = mdlhost_registerApplication("ZVZERA", (dir_ + "/a.rsc").c_str());
    ASSERT_NE(zv, nullptr);
    mdlhost_setCurrMdlDesc(zv);
    MSDialog *main = mdlDialog_open(nullptr, 400);
    ASSERT_NE(main, nullptr);

    mdlhost_setCurrMdlDesc(a_);
    MSDialog *found = mdlDialog_findByTypeAndId(RTYPE_DialogBox, 400, mdlSystem_findMdlDesc("ZVZERA"));
    ASSERT_EQ(found, main);
    EXPECT_EQ(mdlDialog_findByTypeAndId(RTYPE_DialogBox, 400, a_), nullptr);
    MenuBar *bar = mdlDialog_menuBarFind(found);
    ASSERT_NE(bar, nullptr);
    PulldownMenu *before = mdlDialog_menuBarFindMenu(bar, RTYPE_PulldownMenu, 3);
    ASSERT_EQ(mdlDialog_menuBarInsMenu(bar, RTYPE_PulldownMenu, 100, nullptr, before), 0);
    std::vector<int> ids;
    for (int i = 0; i < mdlhost_menuBarCount(bar); i++)
        ids.push_back(mdlhost_menuBarMenuId(bar, i, nullptr));
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 100, 3}));

    // A's menu in ZVZERA's dialog still runs A's hooks.
    calls.clear();
    mdlhost_setCurrMdlDesc(zv);
    ASSERT_EQ(mdlhost_dialogDo(main, "menu 100 101"), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"item 1 58 DLGA", "item 1 58 DLGA"}));

    // An application that goes takes its menus with it.
    mdlhost_forgetDialogs(a_);
    EXPECT_EQ(mdlhost_menuBarCount(bar), 3);
    mdlhost_forgetDialogs(zv);
    EXPECT_EQ(mdlhost_dialogIsOpen(main), 0);
    mdlhost_unregisterApplication(zv);
}

TEST_F(DialogAppTest, ItemLoadAddsAnApplicationsItemToAHostDialog)
{
    mdlhost_setCurrMdlDesc(nullptr);
    MSDialog *tool = mdlhost_createDialog(-79, "Tool Settings", 200, 40);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(mdlDialog_getOwner(tool), nullptr);

    mdlhost_setCurrMdlDesc(a_);
    calls.clear();
    int index = mdlDialog_itemLoad(tool, 101, 12, 20);
    ASSERT_EQ(index, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"item 113 50 DLGA", "item 113 56 DLGA"}));
    BSIRect r;
    mdlDialog_itemGetExtent(&r, tool, index);
    EXPECT_EQ(r.origin.x, 12);
    EXPECT_EQ(r.origin.y, 20);
    char label[32];
    mdlDialog_itemGetLabel(label, sizeof label, tool, index);
    EXPECT_STREQ(label, "Behold lenker");

    calls.clear();
    mdlhost_setCurrMdlDesc(nullptr);
    mdlhost_dialogDo(tool, "press toggle 113");
    EXPECT_EQ(calls, (std::vector<std::string>{"item 113 54 down DLGA", "item 113 54 up DLGA",
                                               "item 113 71 changed DLGA"}));
    EXPECT_EQ(mdlDialog_itemLoad(tool, 555, 0, 0), -1);
    mdlWindow_close(tool);
}

TEST_F(DialogAppTest, QueuedClosesWaitForTheEventToEnd)
{
    MSDialog *list = mdlDialog_open(nullptr, 200);
    MSDialog *settings = mdlDialog_open(nullptr, 100);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(settings, nullptr);
    queueCloseId = 200;
    calls.clear();
    mdlhost_dialogDo(settings, "press toggle 1");
    queueCloseId = 0;
    EXPECT_NE(std::find(calls.begin(), calls.end(), "item 1 71 changed still open DLGA"), calls.end())
        << "closed only after the hook";
    EXPECT_EQ(mdlhost_dialogIsOpen(list), 0);
    EXPECT_EQ(mdlhost_dialogIsOpen(settings), 1);

    // Outside any event the close happens at once.
    ASSERT_EQ(mdlDialog_closeCommandQueue(100), 0);
    EXPECT_EQ(mdlhost_dialogIsOpen(settings), 0);
    EXPECT_EQ(mdlhost_openDialogCount(), 0);
}

TEST_F(DialogAppTest, TextFormatsFitTheBoundValue)
{
    first_.small = 26;
    MSDialog *db = mdlDialog_open(nullptr, 100);
    ASSERT_NE(db, nullptr);
    struct Case {
        int itemId; // 1 double 1.5, 6 int8 26, 2 text "abc"
        const char *format;
        const char *shown;
    } cases[] = {
        {1, "%.3f", "1.500"}, {1, "%d", "2"},        {1, "%5.1f m", "  1.5 m"}, {1, "%s", "1.5"},
        {1, "100%% %g", "100% 1.5"}, {6, "%x", "1a"}, {6, "%.2f", "26.00"},     {6, "%04d", "0026"},
        {2, "%s", "abc"},     {2, "%d", "abc"},      {2, "<%-5s>", "<abc  >"},
    };
    for (const Case &c : cases) {
        DialogItem *it = mdlDialog_itemGetByTypeAndId(db, RTYPE_Text, c.itemId, 0);
        ASSERT_EQ(mdlDialog_textSetFormat(it, c.format), 0) << c.format;
        EXPECT_EQ(shown(db, RTYPE_Text, c.itemId), c.shown) << c.format;
    }
    // A format that could read a wrong or missing argument is refused.
    DialogItem *it = mdlDialog_itemGetByTypeAndId(db, RTYPE_Text, 1, 0);
    mdlDialog_textSetFormat(it, "%.1f");
    for (const char *bad : {"%s%s", "%n", "%*d", "abc", "%p", "%.123f", "%1234d", "%"})
        EXPECT_EQ(mdlDialog_textSetFormat(it, bad), -1) << bad;
    char format[16];
    mdlDialog_textGetFormat(format, sizeof format, it);
    EXPECT_STREQ(format, "%.1f");
    mdlWindow_close(db);
}

TEST_F(DialogAppTest, ProgramsFillOptionButtonsAndSetValuesQuietly)
{
    MSDialog *db = mdlDialog_open(nullptr, 100);
    ASSERT_NE(db, nullptr);
    DialogItem *option = mdlDialog_itemGetByTypeAndId(db, RTYPE_OptionButton, 3, 0);
    ASSERT_EQ(mdlDialog_optionButtonDeleteAll(option), 0);
    for (int i = 0; i < 3; i++) {
        std::string label = "choice number " + std::to_string(i);
        EXPECT_EQ(mdlDialog_optionButtonInsertItem(option, label.c_str(), 0, i * 2, 0, -1), i);
    }
    EXPECT_EQ(mdlDialog_optionButtonInsertItem(option, "x", 0, 9, 0, 5), -1);
    EXPECT_EQ(mdlDialog_optionButtonSetEnabled(option, 1, 0), 0);
    EXPECT_EQ(mdlDialog_optionButtonSetExtent(option, 1), 0);
    BSIRect r;
    mdlDialog_itemGetExtent(&r, db, mdlDialog_itemGetIndex(option));
    EXPECT_EQ(r.corner.x - r.origin.x, 15 * 6 + 30);

    // A program sets values without any hook hearing of it.
    calls.clear();
    ValueUnion v;
    v.sLongFormat = 4;
    EXPECT_EQ(mdlDialog_itemSetValue(FMT_LONG, &v, nullptr, db, mdlDialog_itemGetIndex(option)), 0);
    EXPECT_EQ(first_.mode, 4);
    EXPECT_EQ(shown(db, RTYPE_OptionButton, 3), "choice number 2");
    v.sLongFormat = 3;
    EXPECT_EQ(mdlDialog_itemSetValue(FMT_LONG, &v, nullptr, db, mdlDialog_itemGetIndex(option)), -1);
    EXPECT_EQ(mdlDialog_itemSetValue(FMT_STRING, nullptr, "0.25", db, indexOf(db, RTYPE_Text, 1)), 0);
    EXPECT_DOUBLE_EQ(first_.scale, 0.25);
    v.sLongFormat = 1;
    EXPECT_EQ(mdlDialog_itemSetValue(FMT_LONG, &v, nullptr, db, indexOf(db, RTYPE_ToggleButton, 1)), 0);
    EXPECT_EQ(first_.bits, 4);
    EXPECT_EQ(mdlDialog_itemSetValue(FMT_STRING, nullptr, "x", db, indexOf(db, RTYPE_PushButton, -3)), -1);
    EXPECT_TRUE(calls.empty());

    // The user cannot pick a disabled entry; a value with no entry shows "".
    mdlhost_clearTextWindow();
    mdlhost_dialogDo(db, "set optionbutton 3 2; select optionbutton 3 0");
    EXPECT_EQ(first_.mode, 0);
    EXPECT_NE(strstr(mdlhost_textWindow(), "OptionButton 3 has no enabled entry of value \"2\""), nullptr);
    first_.mode = 7;
    EXPECT_EQ(shown(db, RTYPE_OptionButton, 3), "");

    // Keystrokes and user messages reach the item's hook.
    calls.clear();
    mdlhost_dialogDo(db, "key text 1 32; user text 1 5");
    EXPECT_EQ(calls, (std::vector<std::string>{"item 1 59 DLGA", "item 1 72 DLGA"}));
    mdlWindow_close(db);
}

TEST_F(DialogAppTest, ResizeReachesOnlyAHookThatAskedForIt)
{
    for (bool asked : {false, true}) {
        wantResize = asked;
        MSDialog *db = mdlDialog_open(nullptr, 100);
        ASSERT_NE(db, nullptr);
        calls.clear();
        ASSERT_EQ(mdlhost_dialogDo(db, "resize 400 250"), 0);
        mdlWindow_extentSet(db, 400, 250); // no change, no message
        BSIRect r;
        mdlWindow_contentRectGet(&r, db);
        EXPECT_EQ(r.corner.x, 400);
        EXPECT_EQ(r.corner.y, 250);
        EXPECT_EQ(calls, asked ? std::vector<std::string>{"dialog 4 300x200>400x250 DLGA"}
                               : std::vector<std::string>{});
        mdlWindow_close(db);
    }
}

TEST_F(DialogAppTest, AnApplicationThatGoesTakesItsDialogsAlong)
{
    MdlDesc *c = mdlhost_registerApplication("DLGC", (dir_ + "/a.rsc").c_str());
    mdlhost_setCurrMdlDesc(c);
    const DialogHookInfo hooks[] = {{1, (MdlFunctionP)dialogHook}};
    mdlDialog_hookPublish(1, hooks);
    MSDialog *db = mdlDialog_open(nullptr, 200);
    ASSERT_NE(db, nullptr);
    mdlhost_setCurrMdlDesc(a_);
    MSDialog *own = mdlDialog_open(nullptr, 200);
    calls.clear();
    mdlhost_unregisterApplication(c);
    EXPECT_EQ(mdlhost_dialogIsOpen(db), 0);
    EXPECT_EQ(mdlhost_dialogIsOpen(own), 1);
    EXPECT_TRUE(calls.empty()) << "its hooks are not called any more";
    EXPECT_EQ(mdlhost_findHook(c, 1), nullptr);
    mdlWindow_close(own);
}

TEST_F(DialogAppTest, DrawingIsRecordedAndMissingHooksAreNamed)
{
    MSDialog *db = mdlDialog_open(nullptr, 500);
    ASSERT_NE(db, nullptr);
    EXPECT_STREQ(mdlhost_drawLog(), "icon Icon 20001 5 6 colour 4\n"
                                    "text 70 6 colour 0 \"first\"\n"
                                    "text 70 20 colour 0 \"second\"\n"
                                    "bevel 5 6 105 46 1\n")
        << "font 4 is 14 high";
    EXPECT_STREQ(mdlhost_textWindow(), "Dialog 500: hook 4 of Label 2 is not published\n");
    DialogItem *code = mdlDialog_itemGetByTypeAndId(db, MDLHOST_FOURCC('i', 'C', 'm', 'X'), 21307, 0);
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(mdlDialog_itemIsVisible(db, mdlDialog_itemGetIndex(code)), 0);

    mdlhost_clearDrawLog();
    DialogItem *list = nullptr;
    EXPECT_EQ(mdlDialog_listBoxDrawContents(list, -1, -1), -1);
    EXPECT_EQ(mdlDialog_itemDraw(db, 0), 0);
    EXPECT_EQ(mdlWindow_cursorTurnOff(db), 0);
    EXPECT_EQ(std::string(mdlhost_drawLog()).substr(0, 20), "item 500 gnrc 1\nicon");
    EXPECT_NE(strstr(mdlhost_drawLog(), "cursor off 500\n"), nullptr);

    // Fixed metrics: a box text measures the same everywhere.
    EXPECT_EQ(mdlDialog_fontGetHeight(2), 12);
    EXPECT_EQ(mdlDialog_fontGetStringWidth(2, "abcd"), 24);
    EXPECT_EQ(mdlDialog_fontGetStringWidth(4, "abcd"), 32);
    mdlWindow_close(db);
}

} // namespace
