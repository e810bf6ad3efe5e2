#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "child_testing.h"
#include "zvliberror.h"
#include "zvlibmain.h"
#include "testing/zvlib_testing.h"

namespace fs = std::filesystem;

namespace {

const std::string ZVLIB_RSC = ZERA_SOURCE_DIR "/zvlib/zvlib.rsc";
constexpr int LIST = 40;

// A registered application whose resources hold the library's dialogs.
class ZvlibBoxTest : public zvlibtest::AppTest {
  protected:
    ZvlibBoxTest() : AppTest("ZVBOX", resources(), {.dirPrefix = "zvbox", .rscName = "app.rsc", .forgetResources = false}) {}
    static std::string resources()
    {
        std::string many;
        for (int i = 1; i <= 30; i++)
            many += "L" + std::to_string(i) + "\\n";
        std::ostringstream rsc;
        rsc << "Include \"" << ZVLIB_RSC << "\"\n"
            << "MessageList " << LIST << " {\n"
            << "  1 \"kort\"\n"
            << "  2 \"a\\n\\nb\"\n"
            << "  3 \"" << many << "\"\n"
            << "  4 \"verdi %d\"\n"
            << "}\n";
        return rsc.str();
    }
    void beforeRegister() override
    {
        mdlSystem_defineCfgVar("ZV_DIR", "/opt/zv");
        // The save dialog remembers its file; keep that out of the user's own file.
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", (dir_ + "/host.upf").c_str());
    }
    void afterRegister() override
    {
        char *argv[] = {const_cast<char *>("app.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvBox", 2, argv), 0);
    }
    void SetUp() override
    {
        AppTest::SetUp();
        if (HasFatalFailure())
            return;
        mdlhost_clearTextWindow();
        mdlhost_clearDrawLog();
    }
    void afterUnregister() override
    {
        mdlhost_closeUserPrefs();
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", nullptr);
    }
    static std::string listText()
    {
        std::string all;
        StringList *l = zvlibError_messageList();
        for (long i = 0; i < mdlStringList_size(l); i++) {
            const char *t = nullptr;
            mdlStringList_getMember(&t, nullptr, l, i);
            all += std::string(t) + ";";
        }
        return all;
    }
};

TEST_F(ZvlibBoxTest, StyleChoosesTypeIconTitleAndButtons)
{
    struct Case {
        int style;
        int type, icon;
        const char *title, *first, *second;
    };
    const Case cases[] = {
        {0, 1, 20001, "ZvBox - melding", "OK", ""},
        {17, 1, 20001, "ZvBox - melding", "OK", ""},
        {20, 4, 20002, "ZvBox - informasjon", "OK", ""},
        {66, 2, 20004, "Advarsel", "Fortsett", ""},
        {145, 1, 20001, "ZvBox - melding", "OK", "Avbryt"},
        {296, 8, 20003, "ZvBox - sp\xF8rsm\xE5l", "Ja", "Nei"},
        {577, 1, 20001, "ZvBox - melding", "Fortsett", "Avslutt"},
        {0x3F | 0x380, 1, 20001, "ZvBox - melding", "OK", "Avbryt"}, // lowest bits win
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.style);
        EXPECT_EQ(zvlibError_rscMsgBoxPrintf(c.style, LIST, 1), ZVLIB_BOX_FIRST);
        const ZvlibBoxInfo *b = zvlibError_lastBox();
        EXPECT_EQ(b->type, c.type);
        EXPECT_EQ(b->iconId, c.icon);
        EXPECT_STREQ(b->title, c.title);
        EXPECT_STREQ(b->button1, c.first);
        EXPECT_STREQ(b->button2, c.second);
    }
    const std::string log = mdlhost_drawLog();
    EXPECT_NE(log.find("icon Icon 20001 10 10 colour 4"), std::string::npos) << log;
    EXPECT_NE(log.find("icon Icon 20003 10 10 colour 1"), std::string::npos) << log;
    EXPECT_NE(log.find("text 75 10 colour 0 \"kort\""), std::string::npos) << log;
}

TEST_F(ZvlibBoxTest, TheButtonPressedIsTheResult)
{
    struct Case {
        int style;
        const char *steps;
        int result;
    };
    const Case cases[] = {
        {577, "press PushButton -4", ZVLIB_BOX_SECOND},
        {577, "press PushButton -3", ZVLIB_BOX_FIRST},
        {296, "press PushButton -4", ZVLIB_BOX_SECOND},
        {17, "press PushButton -4", ZVLIB_BOX_FIRST}, // the hidden button cannot be pressed
    };
    for (const Case &c : cases) {
        ASSERT_EQ(mdlhost_scriptModal(20011, c.steps), 0);
        EXPECT_EQ(zvlibError_rscMsgBoxPrintf(c.style, LIST, 4, 7), c.result) << c.style << " " << c.steps;
        EXPECT_STREQ(zvlibError_lastBox()->lines[0], "verdi 7");
    }
    ASSERT_EQ(mdlhost_scriptModal(20011, "press PushButton -4"), 0);
    EXPECT_EQ(zvlibError_msgBoxPrintf(152, "egen %s", "tekst"), ZVLIB_BOX_SECOND);
    EXPECT_STREQ(zvlibError_lastBox()->lines[0], "egen tekst");
}

TEST_F(ZvlibBoxTest, MissingEntryShowsNothing)
{
    ASSERT_EQ(mdlhost_scriptModal(0, "press PushButton -4"), 0);
    EXPECT_EQ(zvlibError_rscMsgBoxPrintf(577, LIST, 99), ZVLIB_BOX_NOT_LOADED);
    EXPECT_EQ(zvlibError_rscMsgBoxPrintf(577, 1, 1), ZVLIB_BOX_NOT_LOADED);
    EXPECT_EQ(zvlibError_rscListPrintf(0, LIST, 99), ZVLIB_BOX_NOT_LOADED);
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 1) << "no dialog opened";
    EXPECT_EQ(mdlhost_openDialogCount(), 0);
}

TEST_F(ZvlibBoxTest, LinesAndSize)
{
    int fh = mdlDialog_fontGetHeight(2);
    zvlibError_rscMsgBoxPrintf(0, LIST, 1);
    EXPECT_EQ(zvlibError_lastBox()->width, 8 * fh + 45);
    EXPECT_EQ(zvlibError_lastBox()->height, 50 + 3 * fh + 45);

    zvlibError_rscMsgBoxPrintf(0, LIST, 2);
    ASSERT_EQ(zvlibError_lastBox()->lineCount, 2);
    EXPECT_STREQ(zvlibError_lastBox()->lines[1], "b");

    zvlibError_rscMsgBoxPrintf(0, LIST, 3);
    const ZvlibBoxInfo *b = zvlibError_lastBox();
    ASSERT_EQ(b->lineCount, 24);
    EXPECT_STREQ(b->lines[23], "L24");
    EXPECT_EQ(b->height, 24 * fh + 3 * fh + 45);

    std::string wide(300, 'x');
    zvlibError_msgBoxPrintf(0, "%s", wide.c_str());
    EXPECT_EQ(zvlibError_lastBox()->width, mdlDialog_fontGetStringWidth(2, wide.c_str()) + 95);

    std::string huge(5000, 'y'); // cut to the box's 1023 characters
    zvlibError_msgBoxPrintf(0, "%s", huge.c_str());
    EXPECT_EQ(strlen(zvlibError_lastBox()->lines[0]), 1023u);
}

TEST_F(ZvlibBoxTest, SplittingLeavesTheCallersTokenizerAlone)
{
    char text[] = "a,b,c";
    std::string seen;
    for (char *t = strtok(text, ","); t; t = strtok(nullptr, ",")) {
        seen += t;
        zvlibError_msgBoxPrintf(0, "x\ny");
    }
    EXPECT_EQ(seen, "abc");
}

// A list that cannot be written whole (a full disk) says so and leaves the
// file it was to replace as it was.
TEST_F(ZvlibBoxTest, AListThatCannotBeSavedSaysSo)
{
    std::string saved = dir_ + "/liste.txt";
    std::ofstream(saved) << "forrige\n";
    int rc = hosttest::inChildWithFileLimit(8, [&] {
        zvlibError_listPrintf(0, "en melding som ikke f\xE5r plass");
        mdlhost_scriptFileDialog(saved.c_str());
        if (mdlhost_scriptModal(20010, "press PushButton 20001; press PushButton -3") != 0 ||
            mdlhost_scriptModal(20011, "press PushButton -3") != 0)
            return 3;
        zvlibError_listPrintf(1, "hdr");
        return std::string(mdlhost_drawLog()).find("liste.txt") != std::string::npos ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
    std::stringstream file;
    file << std::ifstream(saved).rdbuf();
    EXPECT_EQ(file.str(), "forrige\n");
}

TEST_F(ZvlibBoxTest, ListCollectsShowsAndSaves)
{
    EXPECT_EQ(zvlibError_listPrintf(0, "m1"), ZVLIB_LIST_DONE);
    EXPECT_EQ(zvlibError_listPrintf(0, "m2\nm3"), ZVLIB_LIST_DONE);
    EXPECT_EQ(zvlibError_listPrintf(0, "m%d", 4), ZVLIB_LIST_DONE);
    EXPECT_EQ(zvlibError_listPrintf(2, "stille"), ZVLIB_LIST_DONE);
    EXPECT_EQ(listText(), "m1;m2;m3;m4;");

    std::string saved = dir_ + "/liste.txt";
    mdlhost_scriptFileDialog(saved.c_str());
    ASSERT_EQ(mdlhost_scriptModal(20010, "press PushButton 20001; press PushButton -3"), 0);
    EXPECT_EQ(zvlibError_listPrintf(1, "hdr"), ACTIONBUTTON_OK);
    std::stringstream file;
    file << std::ifstream(saved).rdbuf();
    EXPECT_EQ(file.str(), "m1\nm2\nm3\nm4\n");
    EXPECT_STREQ(mdlhost_lastFileDialogTitle(), "Lagre meldingslisten");
    EXPECT_NE(std::string(mdlhost_drawLog()).find("\"hdr\""), std::string::npos);
    EXPECT_EQ(zvlibError_messageList(), nullptr) << "closing the dialog empties the list";
    MdlUserPrefsFile rec;
    ASSERT_EQ(mdlUserPrefs_getFileName(&rec, -20002, nullptr), 0) << "the save dialog remembers its file";
    EXPECT_EQ(std::string(rec.fileName), saved);

    // A second showing has nothing to save.
    std::string empty = dir_ + "/tom.txt";
    mdlhost_scriptFileDialog(empty.c_str());
    ASSERT_EQ(mdlhost_scriptModal(20010, "press PushButton 20001"), 0);
    zvlibError_listPrintf(1, "hdr");
    std::stringstream file2;
    file2 << std::ifstream(empty).rdbuf();
    EXPECT_EQ(file2.str(), "");

    mdlhost_clearTextWindow();
    EXPECT_EQ(zvlibError_listPrintf(9, "til vinduet\n"), ZVLIB_LIST_DONE);
    EXPECT_STREQ(mdlhost_textWindow(), "til vinduet\n");
    EXPECT_EQ(zvlibError_messageList(), nullptr) << "other modes collect nothing";
}

TEST_F(ZvlibBoxTest, SavingToAFileThatCannotBeOpenedSaysSo)
{
    zvlibError_listPrintf(0, "m1");
    std::string bad = dir_ + "/mangler/liste.txt";
    mdlhost_scriptFileDialog(bad.c_str());
    ASSERT_EQ(mdlhost_scriptModal(20010, "press PushButton 20001"), 0);
    zvlibError_listPrintf(1, "hdr");
    const ZvlibBoxInfo *b = zvlibError_lastBox();
    ASSERT_EQ(b->lineCount, 2);
    EXPECT_EQ(std::string(b->lines[1]), bad);
    EXPECT_FALSE(fs::exists(bad));
}

TEST_F(ZvlibBoxTest, FullListGivesUpItsOldestMessage)
{
    zvlibError_listPrintf(0, "m1");
    mdlhost_stringListSetLimit(zvlibError_messageList(), 1);
    EXPECT_EQ(zvlibError_listPrintf(0, "m2"), ZVLIB_LIST_DONE);
    EXPECT_EQ(listText(), "m2;");
    mdlhost_stringListSetLimit(zvlibError_messageList(), 0);
    EXPECT_EQ(zvlibError_listPrintf(0, "m3"), ZVLIB_BOX_NOT_LOADED);
}

TEST_F(ZvlibBoxTest, Titles)
{
    zvlibError_setTitle(8, "Sp\xF8rsm\xE5l fra %s", "meg");
    EXPECT_STREQ(zvlibMain_getGlobalDataP()->boxTitleType8, "Sp\xF8rsm\xE5l fra meg");
    std::string lang(2000, 't');
    zvlibError_setTitle(2, "%s", lang.c_str());
    EXPECT_EQ(strlen(zvlibMain_getGlobalDataP()->boxTitleType2), 512u);
    mdlhost_clearTextWindow();
    zvlibError_setTitle(3, "x");
    EXPECT_STREQ(mdlhost_textWindow(), "Feil under setting av tittel 3\n");
}

} // namespace
