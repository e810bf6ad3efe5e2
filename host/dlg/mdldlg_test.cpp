#include "dlg/mdldlg.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/mdlapp.h"
#include "rsc/mdlrsc.h"
#include "sys/mdlsys.h"

namespace fs = std::filesystem;

namespace {

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        mdlhost_clearDialogScripts();
        mdlhost_clearTextWindow();
    }
    void TearDown() override { mdlhost_clearDialogScripts(); }
};

// Each script answer is one queued entry; "(none)" leaves the queue empty.
TEST_F(DialogTest, FileCreateAnswersFromTheScript)
{
    struct Case {
        const char *script; // "(none)": nothing queued
        const char *dir, *name;
        int result;
        const char *fileName;
    } cases[] = {
        {"", "/out/", "kart.xml", 0, "/out/kart.xml"},
        {"/other/x.xml", "/out/", "kart.xml", 0, "/other/x.xml"},
        {nullptr, "/out/", "kart.xml", 1, "unchanged"},
        {"(none)", "/out/", "kart.xml", 0, "/out/kart.xml"}, // batch: nobody to ask
        {"(none)", "/out", "kart.xml", 0, "/out/kart.xml"},
        {"(none)", "D:\\ut", "kart.xml", 0, "D:\\ut\\kart.xml"},
        {"(none)", nullptr, "kart.xml", 0, "kart.xml"},
        {"(none)", "/out/", nullptr, 0, "/out/"},
        {"(none)", nullptr, nullptr, 1, "unchanged"}, // nothing to confirm
    };
    for (const Case &c : cases) {
        if (c.script == nullptr || strcmp(c.script, "(none)") != 0)
            mdlhost_scriptFileDialog(c.script);
        char fileName[MDLHOST_MAXFILELENGTH] = "unchanged";
        int r = mdlDialog_fileCreate(fileName, nullptr, 0, c.name, "*.xml", c.dir, "Save As XML File");
        EXPECT_EQ(r, c.result) << (c.script ? c.script : "cancel");
        EXPECT_STREQ(fileName, c.fileName) << (c.script ? c.script : "cancel");
        EXPECT_STREQ(mdlhost_lastFileDialogTitle(), "Save As XML File");
    }
}

TEST_F(DialogTest, AnswersAreTakenInOrderByBothDialogs)
{
    mdlhost_scriptFileDialog("first.txt");
    mdlhost_scriptFileDialog(nullptr);
    mdlhost_scriptFileDialog("third.txt");
    char fileName[MDLHOST_MAXFILELENGTH] = "";
    EXPECT_EQ(mdlDialog_fileOpen(fileName, nullptr, 0, "a.txt", "*.txt", "/in/", "Open"), 0);
    EXPECT_STREQ(fileName, "first.txt");
    EXPECT_STREQ(mdlhost_lastFileDialogDefault(), "/in/a.txt");
    EXPECT_STREQ(mdlhost_lastFileDialogTitle(), "Open");
    EXPECT_EQ(mdlDialog_fileCreate(fileName, nullptr, 0, "b.txt", "*.txt", "/out/", nullptr), 1);
    EXPECT_STREQ(fileName, "first.txt");
    EXPECT_STREQ(mdlhost_lastFileDialogDefault(), "/out/b.txt");
    EXPECT_STREQ(mdlhost_lastFileDialogTitle(), "");
    mdlhost_clearDialogScripts();
    EXPECT_EQ(mdlDialog_fileOpen(fileName, nullptr, 0, "c.txt", "*.txt", "/in/", "Open"), 0);
    EXPECT_STREQ(fileName, "/in/c.txt");
}

// A cut name would silently write another file.
TEST_F(DialogTest, RefusesANameThatDoesNotFit)
{
    std::string longest = "/" + std::string(MDLHOST_MAXFILELENGTH - 2, 'n');
    std::string tooLong = longest + "x";
    char fileName[MDLHOST_MAXFILELENGTH] = "unchanged";
    mdlhost_scriptFileDialog(tooLong.c_str());
    EXPECT_EQ(mdlDialog_fileCreate(fileName, nullptr, 0, "a", "*", "/", "t"), 1);
    EXPECT_STREQ(fileName, "unchanged");
    EXPECT_NE(strstr(mdlhost_textWindow(), tooLong.c_str()), nullptr);
    mdlhost_scriptFileDialog(longest.c_str());
    EXPECT_EQ(mdlDialog_fileCreate(fileName, nullptr, 0, "a", "*", "/", "t"), 0);
    EXPECT_EQ(std::string(fileName), longest);
}

TEST_F(DialogTest, AlertPressesScriptedButtons)
{
    mdlhost_scriptAlert(2);
    mdlhost_scriptAlert(7); // no such button: ignored
    mdlhost_scriptAlert(2);
    mdlhost_scriptAlert(2);
    struct Case {
        const char *text, *button2;
        int pressed;
    } cases[] = {
        {"Out of memory", "Exit", 2},
        {"One button only", nullptr, 1}, // the second button does not exist
        {"Again", "Exit", 2},
        {"Queue empty", "Exit", 1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(mdlhost_alert(1, c.text, "OK", c.button2), c.pressed) << c.text;
        EXPECT_STREQ(mdlhost_lastAlertText(), c.text);
    }
    mdlhost_scriptAlert(2);
    mdlhost_clearDialogScripts();
    EXPECT_EQ(mdlhost_alert(1, nullptr, "OK", "Exit"), 1);
    EXPECT_STREQ(mdlhost_lastAlertText(), "");
}

// The platform's file dialogs remember the chosen file per preference file
// and dialog id.
class RememberedFileTest : public DialogTest {
  protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        std::string tmpl = (fs::temp_directory_path() / "mdldlgpref-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        ASSERT_NE(mkdtemp(buf.data()), nullptr);
        dir_ = buf.data();
        app_ = mdlhost_registerApplication("DLGPREF", nullptr);
        previous_ = mdlhost_setCurrMdlDesc(app_);
        std::string upf = dir_ + "/app.upf";
        ASSERT_EQ(mdlResource_createFile(upf.c_str(), "Attributes", 1), 0);
        ASSERT_EQ(mdlResource_openFile(&pref_, upf.c_str(), MDLHOST_RSC_READWRITE), 0);
        // The host's own preference file stays inside the test directory.
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", (dir_ + "/host.upf").c_str());
    }
    void TearDown() override
    {
        mdlResource_closeFile(pref_);
        mdlhost_closeUserPrefs();
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", nullptr);
        mdlhost_setCurrMdlDesc(previous_);
        mdlhost_unregisterApplication(app_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
        DialogTest::TearDown();
    }
    std::unique_ptr<MdlUserPrefsFile> record(long dialogId, RscFileHandle h)
    {
        auto r = std::make_unique<MdlUserPrefsFile>();
        mdlUserPrefs_getFileName(r.get(), dialogId, h);
        return r;
    }

    std::string dir_;
    MdlDesc *app_ = nullptr, *previous_ = nullptr;
    RscFileHandle pref_ = nullptr;
};

TEST_F(RememberedFileTest, OkStoresTheChoiceCancelKeepsIt)
{
    char fileName[MDLHOST_MAXFILELENGTH] = "unchanged";
    mdlhost_scriptFileDialog("D:\\kart\\ut\\a.zer");
    EXPECT_EQ(mdlDialog_defFileOpen(fileName, nullptr, -9650, pref_, "x.zer", "*.zer", "D:\\", "Open"),
              ACTIONBUTTON_OK);
    EXPECT_STREQ(fileName, "D:\\kart\\ut\\a.zer");
    auto r = record(-9650, pref_);
    EXPECT_STREQ(r->fileName, "D:\\kart\\ut\\a.zer");
    EXPECT_STREQ(r->filter, "*.zer");
    EXPECT_STREQ(r->directory, "D:\\kart\\ut\\");
    EXPECT_EQ(r->fileCount, 0) << "histories are the caller's";

    // No suggestion: the remembered file is offered and taken.
    EXPECT_EQ(mdlDialog_defFileCreate(fileName, nullptr, -9650, pref_, "", "*.zer", "/other/", "Save"),
              ACTIONBUTTON_OK);
    EXPECT_STREQ(mdlhost_lastFileDialogDefault(), "D:\\kart\\ut\\a.zer");
    EXPECT_NE(strstr(mdlhost_textWindow(), "File dialog \"Save\": no answer"), nullptr);

    // Cancel changes neither the name nor the record; other ids are apart.
    mdlhost_scriptFileDialog(nullptr);
    snprintf(fileName, sizeof fileName, "unchanged");
    EXPECT_EQ(mdlDialog_defFileOpen(fileName, nullptr, -9650, pref_, "b.zer", "*.zer", "/", "Open"),
              ACTIONBUTTON_CANCEL);
    EXPECT_STREQ(fileName, "unchanged");
    EXPECT_STREQ(record(-9650, pref_)->fileName, "D:\\kart\\ut\\a.zer");
    EXPECT_STREQ(record(283, pref_)->fileName, "");

    // A name without extension keeps the caller's filter; a null handle is
    // the host's own preference file.
    mdlhost_scriptFileDialog("/data/README");
    EXPECT_EQ(mdlDialog_defFileOpen(fileName, nullptr, 283, nullptr, "", "*.txt", "/", "Open"), ACTIONBUTTON_OK);
    auto h = record(283, nullptr);
    EXPECT_STREQ(h->fileName, "/data/README");
    EXPECT_STREQ(h->filter, "*.txt");
    EXPECT_STREQ(h->directory, "/data/");
    EXPECT_TRUE(fs::exists(dir_ + "/host.upf"));
    EXPECT_STREQ(record(283, pref_)->fileName, "");
}

TEST_F(DialogTest, FileListEditorGivesPathsAndTheDirectory)
{
    StringList *list = mdlStringList_create(1, 0);
    mdlStringList_setMember(list, 0, "/old", nullptr);
    char dir[MDLHOST_MAXFILELENGTH] = "/start/";
    struct Case {
        const char *answer; // "(none)": nothing queued
        int attributes;
        int action;
        long members;
        const char *dir;
    } cases[] = {
        {"(none)", 128, ACTIONBUTTON_OK, 1, "/start/"},
        {"/a/b;/c", 128, ACTIONBUTTON_OK, 2, "/a/b"},
        {"/x/y/f.txt;/z/g.txt", 256, ACTIONBUTTON_OK, 2, "/x/y/"},
        {nullptr, 128, ACTIONBUTTON_CANCEL, 2, "/x/y/"},
        {"", 256, ACTIONBUTTON_OK, 2, "/x/y/"},
        {"/d/e", 192, ACTIONBUTTON_OK, 1, "/d/e"}, // directories and drives
    };
    for (const Case &c : cases) {
        if (c.answer == nullptr || strcmp(c.answer, "(none)") != 0)
            mdlhost_scriptFileList(c.answer);
        EXPECT_EQ(mdlFileList_edit(list, dir, c.attributes, "Select directory", nullptr, "*.*"), c.action);
        EXPECT_EQ(mdlStringList_size(list), c.members);
        EXPECT_STREQ(dir, c.dir);
    }
    const char *first = nullptr;
    mdlStringList_getMember(&first, nullptr, list, 0);
    EXPECT_STREQ(first, "/d/e");
    EXPECT_STREQ(mdlhost_lastFileListTitle(), "Select directory");

    // A path that does not fit refuses the whole answer.
    std::string tooLong = "/" + std::string(MDLHOST_MAXFILELENGTH, 'd');
    mdlhost_scriptFileList(tooLong.c_str());
    EXPECT_EQ(mdlFileList_edit(list, dir, 128, "t", nullptr, nullptr), ACTIONBUTTON_CANCEL);
    EXPECT_STREQ(dir, "/d/e");
    mdlStringList_destroy(list);
}

} // namespace
