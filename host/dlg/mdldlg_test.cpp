#include "dlg/mdldlg.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "app/mdlapp.h"
#include "sys/mdlsys.h"

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

} // namespace
