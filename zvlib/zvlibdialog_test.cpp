#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "zvlibdialog.h"
#include "zvliberror.h"
#include "zvlibmain.h"
#include "zvlibupf.h"
#include "testing/zvlib_testing.h"

namespace fs = std::filesystem;

namespace {

const std::string ZVLIB_RSC = ZERA_SOURCE_DIR "/zvlib/zvlib.rsc";
constexpr int OPTION_DIALOG = 30010;
constexpr int FIT_DIALOG = 30020;
constexpr int MENU = 30100;

std::vector<std::string> members(StringList *list)
{
    std::vector<std::string> out;
    for (long i = 0; i < mdlStringList_size(list); i++) {
        const char *t = nullptr;
        mdlStringList_getMember(&t, nullptr, list, i);
        out.emplace_back(t ? t : "(null)");
    }
    return out;
}

std::string readAll(const std::string &path)
{
    std::stringstream s;
    s << std::ifstream(path).rdbuf();
    return s.str();
}

// A registered application whose resources hold the library's dialogs,
// with a tree of files in its temporary directory.
class ZvlibDialogTest : public zvlibtest::AppTest {
  protected:
    ZvlibDialogTest() : AppTest("ZVDLG", resources(), {.dirPrefix = "zvdlg", .rscName = "app.rsc"}) {}
    static std::string resources()
    {
        return "Include \"" + ZVLIB_RSC + "\"\n" +
               "DialogBox 30010 \"Valg\" {\n"
               "  Item OptionButton 5 { Entry \"gammel\" 9 }\n"
               "  Item Text 6\n"
               "}\n"
               "DialogBox 30020 \"Tilpass\" { Hook 20202 ; Size 100 200\n"
               "  Item PushButton 1 \"Fjern\" { Extent 5 150 50 20 }\n"
               "  Item ListBox 20007 { Extent 10 10 300 100 }\n"
               "  Item PushButton 2 \"Lukk\" { Extent 60 150 50 20 } }\n"
               "PulldownMenu 30100 \"Zera\" { Entry 1 \"Vis\" }\n";
    }
    void beforeRegister() override
    {
        mdlSystem_defineCfgVar("ZV_DIR", "/opt/zv");
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", (dir_ + "/host.upf").c_str());
        mdlSystem_defineCfgVar("MDLHOST_DRIVE_C", (dir_ + "/c").c_str());
        mdlSystem_defineCfgVar("MS_DATA", (dir_ + "/data/;" + dir_).c_str());
    }
    void afterRegister() override
    {
        char *argv[] = {const_cast<char *>("app.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvDlg", 2, argv), 0);
    }
    void SetUp() override
    {
        AppTest::SetUp();
        if (HasFatalFailure())
            return;
        for (const char *f : {"tre/r.a", "tre/r.b", "tre/x/x.a", "tre/x/y/y.a", "tre/x/y/y.b", "c/a/b/f.txt",
                              "c/a/g.txt", "c/a/b/sub/s.txt", "c/rot.txt", "data/.keep"})
            touch(f);
        tre_ = dir_ + "/tre/";
        mdlhost_clearTextWindow();
        mdlhost_clearDrawLog();
    }
    void afterUnregister() override
    {
        mdlhost_closeUserPrefs();
        for (const char *v : {"MDLHOST_USERPREF", "MDLHOST_DRIVE_C", "MDLHOST_DRIVE_D", "MS_DATA", "ZVT_TRE"})
            mdlSystem_defineCfgVar(v, nullptr);
    }
    void touch(const std::string &rel)
    {
        fs::create_directories(fs::path(dir_ + "/" + rel).parent_path());
        std::ofstream(dir_ + "/" + rel) << "x";
    }
    zvlibDialogData *dialogData() { return zvlibMain_getGlobalDataP()->dialogData; }
    // The row a name has in the directory list of the file selection.
    static int directoryRow(const std::string &directory, const std::string &name)
    {
        std::vector<std::string> rows;
        for (int attr : {MDLHOST_FILEATTR_DIRECTORIES, MDLHOST_FILEATTR_DRIVES}) {
            MdlFindEntry *e = nullptr;
            int n = mdlFileList_get(&e, attr, "*", directory.c_str());
            for (int i = 0; i < n; i++)
                rows.emplace_back(e[i].name);
            mdlFileList_free(e);
        }
        auto it = std::find(rows.begin(), rows.end(), name);
        return it == rows.end() ? -1 : int(it - rows.begin());
    }
    std::string tre_;
};

// ---- file selection ------------------------------------------------------------

TEST_F(ZvlibDialogTest, SelectFilesPicksCancelsAndStartsWhereItEnded)
{
    zvlibRememberedChoice choice{};
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTFILES, "select ListBox 20005 0,1; ok"), 0);
    StringList *picked = zvlibDialog_selectFiles(&choice, nullptr, "Velg data", "*.a;*.b", tre_.c_str());
    ASSERT_NE(picked, nullptr);
    EXPECT_EQ(members(picked), (std::vector<std::string>{tre_ + "r.a", tre_ + "r.b"}));
    mdlStringList_destroy(picked);
    EXPECT_EQ(choice.status, ACTIONBUTTON_OK);
    EXPECT_STREQ(choice.directory, tre_.c_str());
    EXPECT_STREQ(choice.filter, "*.a;*.b");

    // Into x, a narrower filter, one file into the caller's own list.
    int x = directoryRow(tre_, "x");
    ASSERT_GE(x, 0);
    StringList *own = mdlStringList_create(1, 1);
    std::string steps = "dclick ListBox 20004 " + std::to_string(x) + "; set Text 20061 *.a; select ListBox 20005 0; ok";
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTFILES, steps.c_str()), 0);
    EXPECT_EQ(zvlibDialog_selectFiles(nullptr, own, "", nullptr, nullptr), own);
    EXPECT_EQ(members(own), std::vector<std::string>{tre_ + "x/x.a"});

    // Without a remembered choice the next one starts in x with "*.a".
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTFILES, "select ListBox 20005 0; ok"), 0);
    picked = zvlibDialog_selectFiles(nullptr, nullptr, "", "*.b", "/nowhere");
    EXPECT_EQ(members(picked), std::vector<std::string>{tre_ + "x/x.a"});
    mdlStringList_destroy(picked);

    // Cancel, and no answer (OK waits for a selection): nothing, the lists untouched.
    for (const char *answer : {"select ListBox 20005 0; cancel", ""}) {
        choice.status = 0;
        if (answer[0] != '\0') {
            ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTFILES, answer), 0);
        }
        EXPECT_EQ(zvlibDialog_selectFiles(&choice, own, "", "*", tre_.c_str()), nullptr) << answer;
        EXPECT_EQ(choice.status, 0);
        EXPECT_EQ(members(own), std::vector<std::string>{tre_ + "x/x.a"});
    }
    mdlStringList_destroy(own);
}

TEST_F(ZvlibDialogTest, DirectoryListMovesAboutAndRefusesTooLongPaths)
{
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_D", (dir_ + "/c/a").c_str());
    std::string longName(250, 'z');
    fs::create_directories(dir_ + "/c/a/b/" + longName);
    struct Case {
        const char *start;
        std::string row;
        const char *expected;
    };
    const Case cases[] = {
        {"c:\\a\\b\\", "..", "c:\\a\\"},
        {"c:\\a\\b\\", "[-d:]", "d:\\"},
        {"c:\\a\\b\\", "sub", "c:\\a\\b\\sub\\"},
        {"c:\\a\\b\\", longName, "c:\\a\\b\\"}, // 258 characters would not fit
        {"c:\\", "..", "c:\\"},
        {"c:\\a", "b", "c:\\a\\b\\"},
    };
    for (const Case &c : cases) {
        zvlibRememberedChoice choice{};
        // The mapped drive lies inside the file system, so its root lists ".." too.
        int row = directoryRow(c.start, c.row);
        ASSERT_GE(row, 0) << c.start << " " << c.row;
        std::string steps = "dclick ListBox 20004 " + std::to_string(row);
        ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTFILES, steps.c_str()), 0);
        EXPECT_EQ(zvlibDialog_selectFiles(&choice, nullptr, "", "*", c.start), nullptr) << "OK waits for a file";
        EXPECT_STREQ(dialogData()->directory, c.expected) << c.start << " " << c.row.substr(0, 10);
    }

    // A directory that does not exist starts in "c:\".
    zvlibRememberedChoice choice{};
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTFILES, "select ListBox 20005 0; ok"), 0);
    StringList *picked = zvlibDialog_selectFiles(&choice, nullptr, "", "*.txt", "c:\\finnes\\ikke\\");
    EXPECT_EQ(members(picked), std::vector<std::string>{"c:\\rot.txt"});
    mdlStringList_destroy(picked);
}

TEST_F(ZvlibDialogTest, OpeningInAnotherApplicationClosesTheFirstCopy)
{
    zvlibMain_getGlobalDataP()->dialogTitle = "Tittel A";
    MSDialog *inA = mdlDialog_open(nullptr, ZVLIB_DIALOG_SELECTFILES);
    zvlibMain_getGlobalDataP()->dialogTitle = nullptr;
    ASSERT_NE(inA, nullptr);
    EXPECT_STREQ(mdlWindow_titleGet(inA), "Tittel A");

    MdlDesc *b = mdlhost_registerApplication("ZVDLGB", rsc_.c_str());
    ASSERT_NE(b, nullptr);
    MdlDesc *was = mdlhost_setCurrMdlDesc(b);
    char *argv[] = {const_cast<char *>("b.ma"), const_cast<char *>("USER")};
    ASSERT_EQ(zvlibMain_initZvLib("ZvB", 2, argv), 0);
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTFILES, "cancel"), 0);
    EXPECT_EQ(zvlibDialog_selectFiles(nullptr, nullptr, "B", "*", tre_.c_str()), nullptr);
    EXPECT_EQ(mdlhost_dialogIsOpen(inA), 0);
    EXPECT_EQ(zvlibMain_publishedRecord(), zvlibMain_getGlobalDataP());
    mdlhost_setCurrMdlDesc(was);
    mdlhost_forgetResources(b);
    mdlhost_unregisterApplication(b);
}

// ---- file search -----------------------------------------------------------------

TEST_F(ZvlibDialogTest, SearchWalksDepthFirstPerPattern)
{
    fs::create_directory_symlink(tre_, tre_ + "x/tilbake"); // a loop back to the top
    struct Case {
        const char *filter;
        std::vector<std::string> found;
    };
    const Case cases[] = {
        {"*.a;*.b",
         {tre_ + "x/y/y.a", tre_ + "x/x.a", tre_ + "r.a", tre_ + "x/y/y.b", tre_ + "r.b"}},
        {"*.a;r.*", {tre_ + "x/y/y.a", tre_ + "x/x.a", tre_ + "r.a", tre_ + "r.a", tre_ + "r.b"}},
        {"*.zer", {}},
    };
    for (const Case &c : cases) {
        zvlibRememberedChoice choice{};
        ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "press PushButton 20070; ok"), 0);
        StringList *found = zvlibDialog_searchFiles(&choice, "S\xF8k", c.filter, tre_.c_str());
        ASSERT_NE(found, nullptr) << c.filter;
        EXPECT_EQ(members(found), c.found) << c.filter;
        EXPECT_EQ(choice.status, ACTIONBUTTON_OK);
        EXPECT_STREQ(choice.directory, tre_.c_str());
        EXPECT_STREQ(choice.filter, c.filter);
        mdlStringList_destroy(found);
    }
}

TEST_F(ZvlibDialogTest, SearchStartsFromChoiceVariableOrArgument)
{
    mdlSystem_defineCfgVar("ZVT_TRE", (tre_ + "x;" + dir_).c_str());
    zvlibRememberedChoice remembered{};
    snprintf(remembered.directory, sizeof remembered.directory, "%sx/y", tre_.c_str());
    snprintf(remembered.filter, sizeof remembered.filter, "*.b");
    struct Case {
        zvlibRememberedChoice *choice;
        const char *where;
        std::vector<std::string> found;
    };
    const Case cases[] = {
        {&remembered, "ZVT_TRE", {tre_ + "x/y/y.b"}},
        {nullptr, "ZVT_TRE", {tre_ + "x/y/y.a", tre_ + "x/x.a"}},
        {nullptr, "c:\\a", {}},
        {nullptr, "/finnes/ikke", {}}, // "c:\": the test's drive holds no *.a
    };
    for (const Case &c : cases) {
        ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "press PushButton 20070; ok"), 0);
        StringList *found = zvlibDialog_searchFiles(c.choice, "", "*.a", c.where);
        EXPECT_EQ(members(found), c.found) << c.where;
        mdlStringList_destroy(found);
    }
    EXPECT_STREQ(dialogData()->directory, "c:\\");

    // Cancel gives nothing and leaves the choice alone.
    zvlibRememberedChoice choice{};
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "press PushButton 20070; cancel"), 0);
    EXPECT_EQ(zvlibDialog_searchFiles(&choice, "", "*.a", tre_.c_str()), nullptr);
    EXPECT_EQ(choice.status, 0);
    EXPECT_STREQ(choice.directory, "");
}

TEST_F(ZvlibDialogTest, SearchListIsThinnedSavedAndLoadedAsText)
{
    std::string saved = dir_ + "/data/liste.txt";
    mdlhost_scriptFileDialog(saved.c_str());
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "press PushButton 20070; select ListBox 20006 0,2; "
                                                            "press PushButton 20071; press PushButton 20072; ok"),
              0);
    StringList *kept = zvlibDialog_searchFiles(nullptr, "", "*.a;*.b", tre_.c_str());
    std::vector<std::string> rest = {tre_ + "x/x.a", tre_ + "x/y/y.b", tre_ + "r.b"};
    EXPECT_EQ(members(kept), rest);
    mdlStringList_destroy(kept);
    EXPECT_EQ(readAll(saved), rest[0] + "\n" + rest[1] + "\n" + rest[2] + "\n");
    EXPECT_STREQ(mdlhost_lastFileDialogTitle(), "Create output file");
    EXPECT_EQ(std::string(mdlhost_lastFileDialogDefault()), dir_ + "/data/filelist.txt");

    // Loaded again with one file gone: two rows and the missing one reported.
    std::string missing = tre_ + "borte.a";
    std::ofstream(saved) << rest[0] << "\n" << missing << "\n\n" << rest[1] << "\n";
    std::string messages = dir_ + "/meldinger.txt";
    mdlhost_scriptFileDialog(saved.c_str());
    mdlhost_scriptFileDialog(messages.c_str());
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "press PushButton 20074; ok"), 0);
    ASSERT_EQ(mdlhost_scriptModal(20010, "press PushButton 20001"), 0);
    StringList *loaded = zvlibDialog_searchFiles(nullptr, "", "*.a", tre_.c_str());
    EXPECT_EQ(members(loaded), (std::vector<std::string>{rest[0], rest[1]}));
    mdlStringList_destroy(loaded);
    EXPECT_STREQ(mdlhost_lastFileDialogTitle(), "Lagre meldingslisten") << "the message list was shown";
    EXPECT_EQ(readAll(messages), "\"" + missing + "\" not found\n");
    EXPECT_NE(std::string(mdlhost_drawLog()).find("\"1 files not found!\""), std::string::npos);
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 0);
}

TEST_F(ZvlibDialogTest, SavingWhereNoFileCanBeMadeSaysSo)
{
    std::string bad = dir_ + "/mangler/liste.txt";
    mdlhost_scriptFileDialog(bad.c_str());
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "press PushButton 20070; press PushButton 20072; ok"), 0);
    StringList *found = zvlibDialog_searchFiles(nullptr, "", "*.b", tre_.c_str());
    EXPECT_EQ(members(found).size(), 2u) << "the list is kept";
    mdlStringList_destroy(found);
    const ZvlibBoxInfo *box = zvlibError_lastBox();
    ASSERT_GE(box->lineCount, 2);
    EXPECT_EQ(std::string(box->lines[box->lineCount - 1]), bad);
    EXPECT_FALSE(fs::exists(bad));
}

TEST_F(ZvlibDialogTest, DirectoryButtonTakesTheFirstChosenDirectory)
{
    mdlhost_scriptFileList((tre_ + "x/y/;" + tre_).c_str());
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "press PushButton 20069; press PushButton 20070; ok"),
              0);
    StringList *found = zvlibDialog_searchFiles(nullptr, "", "*.a", tre_.c_str());
    EXPECT_EQ(members(found), std::vector<std::string>{tre_ + "x/y/y.a"});
    mdlStringList_destroy(found);
    EXPECT_STREQ(mdlhost_lastFileListTitle(), "Select directory");
    EXPECT_EQ(std::string(dialogData()->directory), tre_ + "x/y/");
}

TEST_F(ZvlibDialogTest, PathsThatDoNotFitAreLeftOut)
{
    std::string deep = tre_;
    while (deep.size() < 300)
        deep += std::string(60, 'd') + "/";
    fs::create_directories(deep);
    std::ofstream(deep + "dypt.a") << "x";
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "press PushButton 20070; ok"), 0);
    StringList *found = zvlibDialog_searchFiles(nullptr, "", "*.a", tre_.c_str());
    for (const std::string &m : members(found))
        EXPECT_LT(m.size(), size_t(ZVLIB_DIALOG_PATH_LEN));
    EXPECT_EQ(members(found).size(), 3u);
    mdlStringList_destroy(found);
}

TEST_F(ZvlibDialogTest, RememberedSearchInThePreferenceFile)
{
    constexpr int DIALOG = -20030;
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "set Text 20073 *.b; press PushButton 20070; ok"), 0);
    StringList *first = zvlibUpf_defSearchFiles("", "*.a", (tre_ + "x").c_str(), DIALOG);
    EXPECT_EQ(members(first), std::vector<std::string>{tre_ + "x/y/y.b"});
    mdlStringList_destroy(first);
    MdlUserPrefsFile rec;
    ASSERT_EQ(mdlUserPrefs_getFileName(&rec, DIALOG, nullptr), 0);
    EXPECT_EQ(std::string(rec.directory), tre_ + "x/");
    EXPECT_STREQ(rec.filter, "*.b");

    // The next search starts there, whatever the caller proposes; a cancel remembers nothing.
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "press PushButton 20070; set Text 20069 /x; cancel"), 0);
    EXPECT_EQ(zvlibUpf_defSearchFiles("", "*.a", tre_.c_str(), DIALOG), nullptr);
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SEARCHFILES, "press PushButton 20070; ok"), 0);
    StringList *again = zvlibUpf_defSearchFiles("", "*.a", tre_.c_str(), DIALOG);
    EXPECT_EQ(members(again), std::vector<std::string>{tre_ + "x/y/y.b"});
    mdlStringList_destroy(again);
}

// ---- selection from a string list -------------------------------------------------

struct FillCall {
    MdlDesc *current = nullptr;
    void *userArg = nullptr;
    int infoFields = -1;
};
FillCall lastFill;
const char *const WORDS[] = {"alfa", "beta", "abcdef", "delta"};

int fillSingle(StringList **list, void *userArg)
{
    lastFill = {mdlSystem_getCurrMdlDesc(), userArg, -1};
    *list = mdlStringList_create(4, 1);
    for (long i = 0; i < 4; i++)
        mdlStringList_setMember(*list, i, WORDS[i], nullptr);
    return 0;
}

int fillNothing(StringList **, void *userArg)
{
    lastFill = {mdlSystem_getCurrMdlDesc(), userArg, -1};
    return 0;
}

int fillMulti(StringList **list, void *userArg, int infoFields)
{
    lastFill = {mdlSystem_getCurrMdlDesc(), userArg, infoFields};
    *list = mdlStringList_create(4, infoFields);
    for (long i = 0; i < 4; i++) {
        long info[2] = {100 + i, 200 + i};
        mdlStringList_setMember(*list, i, WORDS[i], info);
    }
    return 0;
}

TEST_F(ZvlibDialogTest, SingleSelectionThroughTheCallersFunction)
{
    int arg = 7;
    struct Case {
        const char *steps; // null: no answer
        int capacity;
        int row;
        const char *text;
    };
    const Case cases[] = {
        {"select ListBox 20080 2; ok", 4, 2, "abc"},
        {"select ListBox 20080 1; cancel", 16, -1, "-"},
        {"dclick ListBox 20080 3", 16, 3, "delta"},
        {nullptr, 16, 0, "alfa"},
        {"select ListBox 20080 2; ok", 0, 2, "-"},
    };
    for (const Case &c : cases) {
        if (c.steps) {
            ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTSINGLE, c.steps), 0);
        }
        char text[16] = "-";
        lastFill = {};
        EXPECT_EQ(zvlibDialog_selectFromStringListSingle(text, c.capacity, fillSingle, &arg, "Velg en", "Navn", 20,
                                                         nullptr),
                  c.row)
            << (c.steps ? c.steps : "no answer");
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(lastFill.current, app_);
        EXPECT_EQ(lastFill.userArg, &arg);
    }
    EXPECT_EQ(zvlibMain_getGlobalDataP()->selectionList, nullptr);
    EXPECT_EQ(zvlibMain_getGlobalDataP()->dialogTitle, nullptr);

    // No list: no dialog.
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTSINGLE, "ok"), 0);
    char text[8] = "-";
    EXPECT_EQ(zvlibDialog_selectFromStringListSingle(text, sizeof text, fillNothing, &arg, "", "", 0, nullptr), -1);
    EXPECT_EQ(lastFill.userArg, &arg);
    EXPECT_EQ(zvlibDialog_selectFromStringListSingle(text, sizeof text, nullptr, &arg, "", "", 0, nullptr), -1);
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 1) << "no dialog took the answer";
    EXPECT_STREQ(text, "-");
}

TEST_F(ZvlibDialogTest, MultiSelectionCopiesTextAndInfoFields)
{
    int arg = 3;
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTMULTI, "select ListBox 20081 1,3; ok"), 0);
    StringList *chosen = zvlibDialog_selectFromStringListMulti(fillMulti, &arg, 2, "Velg flere", "Navn");
    EXPECT_EQ(lastFill.infoFields, 2);
    EXPECT_EQ(lastFill.userArg, &arg);
    EXPECT_EQ(lastFill.current, app_);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(members(chosen), (std::vector<std::string>{"beta", "delta"}));
    ASSERT_EQ(mdlStringList_infoFieldCount(chosen), 2);
    long *info = nullptr;
    mdlStringList_getMember(nullptr, &info, chosen, 1);
    EXPECT_EQ(info[0], 103);
    EXPECT_EQ(info[1], 203);
    mdlStringList_destroy(chosen);

    for (const char *steps : {"select ListBox 20081 none; ok", "select ListBox 20081 0; cancel"}) {
        ASSERT_EQ(mdlhost_scriptModal(ZVLIB_DIALOG_SELECTMULTI, steps), 0);
        EXPECT_EQ(zvlibDialog_selectFromStringListMulti(fillMulti, &arg, 1, "", ""), nullptr) << steps;
    }
    EXPECT_EQ(zvlibMain_getGlobalDataP()->selectionCopy, nullptr);
}

// ---- items, fitted dialogs and menus ------------------------------------------------

TEST_F(ZvlibDialogTest, OptionButtonFromEveryStepthMember)
{
    MSDialog *db = mdlDialog_open(nullptr, OPTION_DIALOG);
    ASSERT_NE(db, nullptr);
    DialogItem *button = mdlDialog_itemGetByTypeAndId(db, RTYPE_OptionButton, 5, 0);
    StringList *six = mdlStringList_create(6, 1);
    const char *names[] = {"m0", "m1", "m2", "m3", "m4", "m5"};
    for (long i = 0; i < 6; i++)
        mdlStringList_setMember(six, i, names[i], nullptr);
    mdlhost_clearDrawLog();
    ASSERT_EQ(zvlibDialog_optionButtonInsertFromStringlist(six, 2, 1, db, 5, 0x0F, 1), 0);
    ASSERT_EQ(mdlDialog_optionButtonGetCount(button), 3);
    for (int e = 0; e < 3; e++) {
        char label[16];
        long value = -1;
        mdlDialog_optionButtonGetEntry(label, sizeof label, &value, nullptr, button, e);
        EXPECT_STREQ(label, names[1 + 2 * e]);
        EXPECT_EQ(value, 2 * e);
    }
    EXPECT_NE(std::string(mdlhost_drawLog()).find("item 30010 optn 5"), std::string::npos);

    StringList *empty = mdlStringList_create(0, 1);
    struct Case {
        StringList *list;
        int step, first, id;
    };
    const Case refused[] = {{empty, 1, 0, 5}, {nullptr, 1, 0, 5}, {six, 1, 0, 99}, {six, 0, 0, 5},
                            {six, 1, 6, 5},   {six, 1, -1, 5}};
    for (const Case &c : refused)
        EXPECT_EQ(zvlibDialog_optionButtonInsertFromStringlist(c.list, c.step, c.first, db, c.id, 0, 0), ZVLIB_FAILURE)
            << c.step << " " << c.first << " " << c.id;
    EXPECT_EQ(mdlDialog_optionButtonGetCount(button), 3) << "a refusal leaves the button alone";
    EXPECT_EQ(zvlibDialog_optionButtonInsertFromStringlist(six, 1, 0, nullptr, 5, 0, 0), ZVLIB_FAILURE);

    zvlibDialog_itemEnableByTypeAndId(db, RTYPE_Text, 6, 0);
    zvlibDialog_itemShowByTypeAndId(db, RTYPE_OptionButton, 5, 0);
    zvlibDialog_itemShowByTypeAndId(db, RTYPE_Text, 99, 0); // missing: nothing
    zvlibDialog_itemEnableByTypeAndId(nullptr, RTYPE_Text, 6, 0);
    EXPECT_EQ(mdlDialog_itemGetEnabledState(db, 1), 0);
    EXPECT_EQ(mdlDialog_itemIsVisible(db, 0), 0);
    zvlibDialog_itemEnableByTypeAndId(db, RTYPE_Text, 6, 1);
    zvlibDialog_itemShowByTypeAndId(db, RTYPE_OptionButton, 5, 1);
    EXPECT_EQ(mdlDialog_itemGetEnabledState(db, 1), 1);
    EXPECT_EQ(mdlDialog_itemIsVisible(db, 0), 1);
    mdlWindow_close(db);
    mdlStringList_destroy(six);
    mdlStringList_destroy(empty);
}

TEST_F(ZvlibDialogTest, DialogIsFittedToItsListBox)
{
    MSDialog *db = mdlDialog_open(nullptr, FIT_DIALOG);
    ASSERT_NE(db, nullptr);
    BSIRect content{}, first{}, second{};
    mdlWindow_contentRectGet(&content, db);
    EXPECT_EQ(content.corner.x, 320);
    EXPECT_EQ(content.corner.y, 200);
    mdlDialog_itemGetExtent(&first, db, 0);
    mdlDialog_itemGetExtent(&second, db, 2);
    EXPECT_EQ(first.origin.x, 200);
    EXPECT_EQ(second.origin.x, 260);
    EXPECT_EQ(first.origin.y, 150);
    mdlWindow_close(db);
}

TEST_F(ZvlibDialogTest, MenuGoesBeforeTheHostsHelpMenu)
{
    MenuBar *bar = mdlDialog_menuBarGetCmdWinP();
    auto position = [bar](int id) {
        for (int i = 0; i < mdlhost_menuBarCount(bar); i++)
            if (mdlhost_menuBarMenuId(bar, i, nullptr) == id)
                return i;
        return -1;
    };
    int count = mdlhost_menuBarCount(bar);
    PulldownMenu *out = nullptr;
    PulldownMenu *menu = zvlibDialog_insertPdm(&out, MENU);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(out, menu);
    EXPECT_STREQ(mdlhost_menuTitle(menu), "Zera");
    EXPECT_EQ(position(MENU) + 1, position(MENUID_HostHelp));
    EXPECT_EQ(zvlibMain_getGlobalDataP()->insertedMenu, MENU);

    EXPECT_NE(zvlibDialog_insertPdm(nullptr, MENU), nullptr);
    EXPECT_EQ(mdlhost_menuBarCount(bar), count + 1) << "inserted once";
    EXPECT_EQ(zvlibDialog_insertPdm(&out, 30199), nullptr) << "no such menu";
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(mdlhost_menuBarCount(bar), count);

    zvlibDialog_insertPdm(nullptr, MENU);
    zvlibDialog_deletePdm();
    EXPECT_EQ(position(MENU), -1);
    EXPECT_EQ(mdlhost_menuBarCount(bar), count);
    zvlibDialog_deletePdm(); // nothing left: nothing happens
    EXPECT_EQ(mdlhost_menuBarCount(bar), count);
}

TEST(ZvlibDialogWithoutRecord, EveryCallFailsCleanly)
{
    MdlDesc *was = mdlhost_setCurrMdlDesc(nullptr);
    mdlhost_clearTextWindow();
    zvlibRememberedChoice choice{};
    EXPECT_EQ(zvlibDialog_selectFiles(&choice, nullptr, "", "*", "/"), nullptr);
    EXPECT_EQ(zvlibDialog_searchFiles(&choice, "", "*", "/"), nullptr);
    char text[4] = "-";
    EXPECT_EQ(zvlibDialog_selectFromStringListSingle(text, sizeof text, fillSingle, nullptr, "", "", 0, nullptr), -1);
    EXPECT_EQ(zvlibDialog_selectFromStringListMulti(fillMulti, nullptr, 1, "", ""), nullptr);
    EXPECT_EQ(zvlibDialog_insertPdm(nullptr, MENU), nullptr);
    zvlibDialog_deletePdm();
    EXPECT_STREQ(text, "-");
    EXPECT_EQ(choice.status, 0);
    EXPECT_NE(std::string(mdlhost_textWindow()).find("Error in zvlib_GetGlobalDataP\n"), std::string::npos);
    mdlhost_setCurrMdlDesc(was);
}

} // namespace
