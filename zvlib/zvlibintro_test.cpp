#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "mdlhost.h"
#include "testing/zvlib_testing.h"
#include "zvliberror.h"
#include "zvlibintro.h"
#include "zvlibmain.h"

namespace {

// An application with the library's resources that started the library
// with the given load origin, on the host's fake clock.
class IntroTest : public zvlibtest::AppTest {
  protected:
    explicit IntroTest(const char *origin = "USER")
        : AppTest("ZVINTRO", "Include \"" ZERA_SOURCE_DIR "/zvlib/zvlib.rsc\"\n", {.dirPrefix = "zvlibintro"}),
          origin_(origin)
    {
    }
    void afterRegister() override
    {
        mdlhost_setFakeClock(1000);
        char *argv[] = {const_cast<char *>("zvintro.ma"), const_cast<char *>(origin_)};
        ASSERT_EQ(zvlibMain_initZvLib("ZvZera", 2, argv), 0);
        mdlhost_clearInputQueue();
        mdlhost_clearDrawLog();
        mdlhost_clearTextWindow();
        timersBefore_ = mdlhost_timerCount();
    }
    void TearDown() override
    {
        for (int id : {ZVLIB_INTRO_DIALOG, ZVLIB_ABOUT_DIALOG, ZVLIB_FURTHER_DIALOG})
            while (MSDialog *db = mdlDialog_findByTypeAndId(RTYPE_DialogBox, id, nullptr))
                mdlWindow_close(db);
        mdlhost_clearInputQueue();
        for (const char *v : {"MS_MDL", "ZV_SUPPORTPAGE", "ZV_HOMEPAGE"})
            mdlSystem_defineCfgVar(v, nullptr);
        AppTest::TearDown();
        mdlhost_useRealClock();
    }
    static MSDialog *open(int id) { return mdlDialog_findByTypeAndId(RTYPE_DialogBox, id, nullptr); }
    static int newBox(const char *version, int timeOut)
    {
        return zvlibIntro_msgBoxNew("ZvZera", version, "Import / Export", "for Vertsprogram.", "I samarbeid med",
                                    "Kartkontoret", "Lisens:", "D:\\prog\\zvzera\\zvzera.tem", "Celler:",
                                    "D:\\prog\\zvzera\\zvzera.cel", "Seed:", "D:\\prog\\seed\\seed3d.dgn",
                                    "Tagger:", "D:\\prog\\zvzera\\zvzera.tag", timeOut);
    }
    static std::string label(MSDialog *db, int id, bool balloon = false)
    {
        DialogItem *item = mdlDialog_itemGetByTypeAndId(db, RTYPE_Label, id, 0);
        if (item == nullptr)
            return "<none>";
        char out[1024];
        if (balloon)
            mdlDialog_itemGetBalloon(out, sizeof out, db, mdlDialog_itemGetIndex(item));
        else
            mdlDialog_itemGetLabel(out, sizeof out, db, mdlDialog_itemGetIndex(item));
        return out;
    }
    static std::string queuedKeyins()
    {
        std::string all;
        for (int i = 0; i < mdlhost_inputQueueCount(); i++) {
            const char *text = nullptr;
            if (mdlhost_inputQueueEntry(i, &text, nullptr, nullptr) == MDLHOST_INPUT_KEYIN && text)
                all += std::string(text) + "\n";
        }
        return all;
    }

    const char *origin_;
    int timersBefore_ = 0;
};

class InitAppIntroTest : public IntroTest {
  protected:
    InitAppIntroTest() : IntroTest("MS_INITAPPS") {}
};

TEST_F(IntroTest, VersionTextTakesTheFirstTwoVersionBytes)
{
    zvlibIntro_setVersionNumber();
    EXPECT_EQ((unsigned)mdlSystem_getMdlAppVersionNumber(), 8u | 5u << 8 | 2u << 16 | 70u << 24);
    ASSERT_EQ(newBox("3.2", 0), 0);
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    ASSERT_NE(g, nullptr);
    EXPECT_STREQ(g->introTexts[ZVLIB_INTRO_VERSION], "08.05.3.2");
    EXPECT_STREQ(g->introTexts[ZVLIB_INTRO_TITLE], "ZvZera");
    EXPECT_STREQ(g->introTexts[7], "D:\\prog\\zvzera\\zvzera.tem");

    mdlSystem_setMdlAppVersionNumber(nullptr, 12 | 3 << 8);
    // Null leaves a text as it was; a long one is cut to 256 characters.
    std::string lang(400, 'x');
    ASSERT_EQ(zvlibIntro_msgBoxNew(nullptr, "3.2", nullptr, lang.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr, 0),
              0);
    EXPECT_STREQ(g->introTexts[ZVLIB_INTRO_VERSION], "12.03.3.2");
    EXPECT_STREQ(g->introTexts[ZVLIB_INTRO_TITLE], "ZvZera");
    EXPECT_STREQ(g->introTexts[2], "Import / Export");
    EXPECT_EQ(std::string(g->introTexts[3]), std::string(256, 'x'));
    EXPECT_STREQ(g->introTexts[4], "I samarbeid med");

    // No version given: the version text stays.
    ASSERT_EQ(zvlibIntro_msgBoxNew(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr, 0),
              0);
    EXPECT_STREQ(g->introTexts[ZVLIB_INTRO_VERSION], "12.03.3.2");
}

TEST_F(IntroTest, IntroBoxClosesByItsTimer)
{
    ASSERT_EQ(newBox("3.2", 5), 0);
    MSDialog *db = open(ZVLIB_INTRO_DIALOG);
    ASSERT_NE(db, nullptr);
    EXPECT_STREQ(mdlWindow_titleGet(db), "ZvZera");
    EXPECT_EQ(mdlhost_timerCount(), timersBefore_ + 1);

    mdlhost_advanceClock(299);
    mdlhost_runTimers();
    EXPECT_NE(open(ZVLIB_INTRO_DIALOG), nullptr) << "still open one tick before the time-out";
    mdlhost_advanceClock(1);
    mdlhost_runTimers();
    EXPECT_EQ(open(ZVLIB_INTRO_DIALOG), nullptr);
    EXPECT_EQ(mdlhost_timerCount(), timersBefore_) << "the timer is gone";
    EXPECT_NE(std::string(mdlhost_drawLog()).find("cursor off 20020"), std::string::npos);

    // Closed by the user first: the timer finds nothing to close.
    ASSERT_EQ(newBox("3.2", 1), 0);
    ASSERT_NE(open(ZVLIB_INTRO_DIALOG), nullptr);
    mdlWindow_close(open(ZVLIB_INTRO_DIALOG));
    mdlhost_advanceClock(60);
    mdlhost_runTimers();
    EXPECT_EQ(mdlhost_timerCount(), timersBefore_);
}

TEST_F(IntroTest, TimeOutZeroStartsNoTimer)
{
    for (int timeOut : {0, -3}) {
        ASSERT_EQ(newBox("3.2", timeOut), 0);
        EXPECT_NE(open(ZVLIB_INTRO_DIALOG), nullptr);
        EXPECT_EQ(mdlhost_timerCount(), timersBefore_);
        mdlhost_advanceClock(1000000);
        mdlhost_runTimers();
        EXPECT_NE(open(ZVLIB_INTRO_DIALOG), nullptr) << "open until the user closes it";
        mdlWindow_close(open(ZVLIB_INTRO_DIALOG));
    }
    // A time-out beyond the clock's range still closes, in the end.
    ASSERT_EQ(newBox("3.2", 2147483647), 0);
    EXPECT_EQ(mdlhost_timerCount(), timersBefore_ + 1);
}

TEST_F(InitAppIntroTest, IntroBoxWaitsForTheFirstDesignFile)
{
    ASSERT_EQ(newBox("3.2", 5), 0);
    EXPECT_EQ(open(ZVLIB_INTRO_DIALOG), nullptr);
    EXPECT_EQ(mdlhost_timerCount(), timersBefore_);

    // The about box draws no image before a design file is open.
    MSDialog *about = mdlDialog_open(nullptr, ZVLIB_ABOUT_DIALOG);
    ASSERT_NE(about, nullptr);
    mdlhost_clearDrawLog();
    mdlDialog_itemsDraw(about);
    EXPECT_EQ(std::string(mdlhost_drawLog()).find("rgb "), std::string::npos) << mdlhost_drawLog();
    mdlWindow_close(about);

    mdlhost_newDesignFile(path("kart.dgn").c_str());
    MSDialog *db = open(ZVLIB_INTRO_DIALOG);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(mdlhost_timerCount(), timersBefore_ + 1);
    mdlhost_clearDrawLog();
    mdlDialog_itemsDraw(db);
    std::string log = mdlhost_drawLog();
    EXPECT_NE(log.find("rgb ZVIM 1 10 10 177 90 transparent 255,255,255"), std::string::npos) << log;
    EXPECT_NE(log.find("rgb DRIM 2 "), std::string::npos) << log;
    EXPECT_NE(log.find("rgb ZVI2 3 "), std::string::npos) << log;
    mdlhost_advanceClock(300);
    mdlhost_runTimers();
    EXPECT_EQ(open(ZVLIB_INTRO_DIALOG), nullptr);

    // Only the first design file shows it.
    mdlhost_newDesignFile(path("kart2.dgn").c_str());
    EXPECT_EQ(open(ZVLIB_INTRO_DIALOG), nullptr);
    mdlhost_closeDesignFileHooks();
}

TEST_F(IntroTest, AboutBoxShowsTheTexts)
{
    ASSERT_EQ(newBox("3.2", 0), 0);
    MSDialog *db = mdlDialog_open(nullptr, ZVLIB_ABOUT_DIALOG);
    ASSERT_NE(db, nullptr);
    EXPECT_STREQ(mdlWindow_titleGet(db), "Fennvik ZvZera");
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    EXPECT_EQ(label(db, 20013), g->introTexts[ZVLIB_INTRO_VERSION]);
    EXPECT_EQ(label(db, 20032), zvlibMain_getZvlibVersion());
    EXPECT_EQ(label(db, 20032), "Versjon 6.13");
    const struct {
        int id;
        const char *text;
    } labels[] = {{20000, "Import / Export"}, {20001, "for Vertsprogram."}, {20002, "I samarbeid med"},
                  {20003, "Kartkontoret"},    {20004, "Lisens:"},           {20005, "Celler:"},
                  {20006, "Seed:"},           {20007, "Tagger:"},           {20008, "D:\\prog\\zvzera\\zvzera.tem"},
                  {20009, "D:\\prog\\zvzera\\zvzera.cel"}, {20010, "D:\\prog\\seed\\seed3d.dgn"},
                  {20011, "D:\\prog\\zvzera\\zvzera.tag"}, {20033, "Statically Linked"}};
    for (const auto &l : labels)
        EXPECT_EQ(label(db, l.id), l.text) << l.id;
    EXPECT_EQ(label(db, 20009, true), "D:\\prog\\zvzera\\zvzera.cel");
    EXPECT_EQ(label(db, 20033, true), "Statically Linked");
    EXPECT_EQ(label(db, 20027), "") << "registered without a library";
}

TEST_F(IntroTest, AboutBoxButtonsSendTheirKeyins)
{
    ASSERT_EQ(newBox("3.2", 0), 0);
    MSDialog *db = mdlDialog_open(nullptr, ZVLIB_ABOUT_DIALOG);
    ASSERT_NE(db, nullptr);

    ASSERT_EQ(mdlhost_dialogDo(db, "press PushButton 20067"), 0);
    EXPECT_EQ(queuedKeyins(), "browse url " ZVLIB_HOMEPAGE "\n");
    mdlhost_clearInputQueue();
    mdlSystem_defineCfgVar("ZV_SUPPORTPAGE", "https://hjelp.example/zvzera");
    ASSERT_EQ(mdlhost_dialogDo(db, "press PushButton 20206"), 0);
    EXPECT_EQ(queuedKeyins(), "browse url https://hjelp.example/zvzera\n");
    mdlhost_clearInputQueue();

    ASSERT_EQ(mdlhost_dialogDo(db, "press PushButton 20207"), 0);
    MSDialog *further = open(ZVLIB_FURTHER_DIALOG);
    ASSERT_NE(further, nullptr);
    EXPECT_STREQ(mdlWindow_titleGet(further), "ZvZera");
}

TEST_F(IntroTest, InstallButtonOffersTheProgramFoundAlongMsMdl)
{
    MSDialog *db = mdlDialog_open(nullptr, ZVLIB_ABOUT_DIALOG);
    ASSERT_NE(db, nullptr);
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();

    // Not found: no question, the title is set back.
    mdlSystem_defineCfgVar("MS_MDL", dir_.c_str());
    std::string before = zvlibError_lastBox()->title;
    ASSERT_EQ(mdlhost_dialogDo(db, "press PushButton 20082"), 0);
    EXPECT_EQ(zvlibError_lastBox()->title, before);
    EXPECT_STREQ(g->boxTitleType8, "ZvZera - sp\370rsm\345l");

    std::ofstream(path("install_www.ma")) << "not a library";
    std::string found = path("install_www.ma");
    mdlhost_clearTextWindow();
    ASSERT_EQ(mdlhost_dialogDo(db, "press PushButton 20082"), 0);
    const ZvlibBoxInfo *box = zvlibError_lastBox();
    EXPECT_EQ(box->type, 8);
    EXPECT_STREQ(box->title, "Installasjon");
    std::string shown;
    for (int i = 0; i < box->lineCount; i++)
        shown += std::string(box->lines[i]) + "\n";
    EXPECT_NE(shown.find(found), std::string::npos) << shown;
    // The first button asks the host to load it; the host says why it cannot.
    EXPECT_NE(std::string(mdlhost_textWindow()).find("install_www.ma"), std::string::npos) << mdlhost_textWindow();
    EXPECT_STREQ(g->boxTitleType8, "ZvZera - sp\370rsm\345l");
}

} // namespace

namespace {

TEST_F(IntroTest, TitleCellDrawsTheTitleAsACellText)
{
    ASSERT_EQ(newBox("3.2", 0), 0);
    MSDialog *db = open(ZVLIB_INTRO_DIALOG);
    ASSERT_NE(db, nullptr);
    mdlhost_clearDrawLog();
    mdlDialog_itemsDraw(db);
    EXPECT_STREQ(mdlhost_textWindow(), "");
    EXPECT_NE(std::string(mdlhost_drawLog()).find("\"ZvZera\""), std::string::npos) << mdlhost_drawLog();

    // A title no text element can hold is reported, and nothing drawn.
    ASSERT_EQ(zvlibIntro_msgBoxNew("", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr, 0),
              0);
    mdlhost_clearDrawLog();
    mdlDialog_itemsDraw(db);
    EXPECT_NE(std::string(mdlhost_textWindow()).find("Error creating application name\n"), std::string::npos)
        << mdlhost_textWindow();
    EXPECT_EQ(std::string(mdlhost_drawLog()).find("text "), std::string::npos) << mdlhost_drawLog();
}

} // namespace
