// Applications that use zvlib, loaded and unloaded by keyins as a user does:
// registration, the preference file, a message box answered from the
// script, remembered file names and settings that outlive an unload, and
// two applications at once that each get their own library record.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "frame_testing.h"

namespace fs = std::filesystem;

namespace {

constexpr int BOX_DIALOG = 20011; // the library's message box

std::string resourceFile(const std::string &word)
{
    return "Include \"" ZERA_SOURCE_DIR "/zvlib/zvlib.rsc\"\n"
           "MessageList 1\n{\n    1 \"Lagre %s?\"\n}\n"
           "CommandTable 1\n{\n"
           "    Command \"" + word + " ASK\" 0x02000100\n"
           "    Command \"" + word + " SHOW\" 0x02000200\n"
           "    Command \"" + word + " NAME\" 0x02000300\n"
           "    Command \"" + word + " CROSS\" 0x02000400\n"
           "}\n";
}

class ZvlibAppTest : public frametest::FrameTest {
  protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        fs::create_directories(path("prefs"));
        writeFile("za.rsc", resourceFile("ZVA"));
        writeFile("zb.rsc", resourceFile("ZVB"));
        define("MDLAPP_ZVLIBTESTA", ZVLIB_TESTAPP_A);
        define("MDLAPP_ZVLIBTESTB", ZVLIB_TESTAPP_B);
        define("MDLRSC_ZVLIBTESTA", path("za.rsc"));
        define("MDLRSC_ZVLIBTESTB", path("zb.rsc"));
        define("MS_USERPREF", path("prefs/user.upf"));
        define("MDLHOST_USERPREF", path("host.upf"));
        define("ZV_DIR", dir_);
        mdlhost_clearDialogScripts();
    }
    void TearDown() override
    {
        mdlhost_clearDialogScripts();
        FrameTest::TearDown();
        mdlhost_closeUserPrefs();
    }
    static void keyin(const std::string &k) { ASSERT_EQ(mdlhost_keyin(k.c_str()), MDLHOST_KEYIN_OK) << k << "\n" << text(); }
    // Answers the next message box with its first (-3) or second (-4) button.
    static void answerBox(const char *button)
    {
        ASSERT_EQ(mdlhost_scriptModal(BOX_DIALOG, (std::string("press PushButton ") + button).c_str()), 0);
    }
    std::string upf(const char *task) const { return path("prefs/" + std::string(task) + ".upf"); }
};

TEST_F(ZvlibAppTest, SettingsAndRememberedFileOutliveAnUnload)
{
    keyin("mdl load zvlibtesta");
    EXPECT_TRUE(saw("ZVLIBTESTA init 0")) << text();
    EXPECT_TRUE(saw("ZVLIBTESTA upf 0 " + upf("ZVLIBTESTA"))) << text();
    EXPECT_TRUE(fs::exists(upf("ZVLIBTESTA"))) << "a missing preference file is created";

    mdlhost_scriptFileDialog(nullptr);
    keyin("zva show");
    EXPECT_TRUE(saw("ZVLIBTESTA settings none")) << text();

    // "No" stores nothing.
    answerBox("-4");
    keyin("zva ask " + path("declined.txt"));
    EXPECT_TRUE(saw("ZVLIBTESTA ask 4")) << text();
    EXPECT_EQ(count("stored"), 0u);

    const std::string job = path("data/Job One.txt");
    mdlhost_clearDrawLog();
    answerBox("-3");
    keyin("zva ask " + job);
    EXPECT_TRUE(saw("ZVLIBTESTA ask 3")) << text();
    EXPECT_TRUE(saw("ZVLIBTESTA stored name=0 settings=0")) << text();
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 0);
    EXPECT_NE(std::string(mdlhost_drawLog()).find("\"Lagre " + job + "?\""), std::string::npos) << mdlhost_drawLog();

    keyin("mdl unload zvlibtesta");
    EXPECT_EQ(mdlSystem_findMdlDesc("ZVLIBTESTA"), nullptr);
    EXPECT_GT(fs::file_size(upf("ZVLIBTESTA")), 0u);

    mdlhost_clearTextWindow();
    keyin("mdl load zvlibtesta");
    EXPECT_TRUE(saw("ZVLIBTESTA init 0")) << text();
    mdlhost_scriptFileDialog(""); // accept what the dialog offers
    keyin("zva show");
    EXPECT_TRUE(saw("ZVLIBTESTA settings saves=1 note=" + job)) << text();
    EXPECT_TRUE(saw("ZVLIBTESTA offered " + job)) << text();

    // A second save adds to what the first stored.
    answerBox("-3");
    keyin("zva ask " + path("two.txt"));
    mdlhost_scriptFileDialog("");
    keyin("zva show");
    EXPECT_TRUE(saw("ZVLIBTESTA settings saves=2 note=" + path("two.txt"))) << text();
}

TEST_F(ZvlibAppTest, TwoApplicationsEachFindTheirOwnRecord)
{
    keyin("mdl load zvlibtesta");
    keyin("mdl load zvlibtestb");
    const std::string a = "name=ZVLIBTESTA upf=" + upf("ZVLIBTESTA");
    const std::string b = "name=ZVLIBTESTB upf=" + upf("ZVLIBTESTB");
    keyin("zva name");
    keyin("zvb name");
    EXPECT_TRUE(saw("ZVLIBTESTA " + a)) << text();
    EXPECT_TRUE(saw("ZVLIBTESTB " + b)) << text();

    // The library called from the other application's code, and back.
    keyin("zva cross zvlibtestb");
    keyin("zvb cross zvlibtesta");
    EXPECT_TRUE(saw("ZVLIBTESTB called by ZVLIBTESTA " + b)) << text();
    EXPECT_TRUE(saw("ZVLIBTESTA back " + a)) << text();
    EXPECT_TRUE(saw("ZVLIBTESTA called by ZVLIBTESTB " + a)) << text();
    EXPECT_TRUE(saw("ZVLIBTESTB back " + b)) << text();

    // Each stores into and reads from its own preference file.
    answerBox("-3");
    keyin("zva ask " + path("a.txt"));
    answerBox("-3");
    keyin("zvb ask " + path("b.txt"));
    mdlhost_scriptFileDialog("");
    keyin("zva show");
    mdlhost_scriptFileDialog("");
    keyin("zvb show");
    EXPECT_TRUE(saw("ZVLIBTESTA settings saves=1 note=" + path("a.txt"))) << text();
    EXPECT_TRUE(saw("ZVLIBTESTA offered " + path("a.txt"))) << text();
    EXPECT_TRUE(saw("ZVLIBTESTB settings saves=1 note=" + path("b.txt"))) << text();
    EXPECT_TRUE(saw("ZVLIBTESTB offered " + path("b.txt"))) << text();

    // Unloading one leaves the other's record alone; the one loaded again
    // gets a record of its own.
    keyin("mdl unload zvlibtesta");
    mdlhost_clearTextWindow();
    keyin("zvb name");
    EXPECT_TRUE(saw("ZVLIBTESTB " + b)) << text();
    keyin("mdl load zvlibtesta");
    keyin("zva name");
    keyin("zvb cross zvlibtesta");
    EXPECT_TRUE(saw("ZVLIBTESTA " + a)) << text();
    EXPECT_TRUE(saw("ZVLIBTESTA called by ZVLIBTESTB " + a)) << text();
    EXPECT_TRUE(saw("ZVLIBTESTB back " + b)) << text();
}

// The installation root is proposed from argv[0] as the host really gives
// it: the library's path, with '/'.
TEST_F(ZvlibAppTest, InstallationRootComesFromTheLibraryPathTheHostGives)
{
    mdlSystem_defineCfgVar("ZV_DIR", nullptr);
    answerBox("-3");
    keyin("mdl load zvlibtesta");
    std::string root = ZVLIB_TESTAPP_A;
    for (int i = 0; i < 4; i++)
        root.erase(root.find_last_of('/'));
    root += "/";
    char value[MDLHOST_MAXFILELENGTH];
    ASSERT_EQ(mdlSystem_getCfgVar(value, "ZV_DIR", sizeof value), 0) << text();
    EXPECT_EQ(std::string(value), root);
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 0);
}

} // namespace
