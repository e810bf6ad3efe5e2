#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "zvliberror.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvlibutil.h"
#include "testing/zvlib_testing.h"

namespace fs = std::filesystem;

namespace {

const std::string ZVLIB_RSC = ZERA_SOURCE_DIR "/zvlib/zvlib.rsc";

// A registered application whose resource file includes the library's texts.
class ZvlibUtilTest : public zvlibtest::AppTest {
  protected:
    ZvlibUtilTest()
        : AppTest("ZVUTIL", "Include \"" + ZVLIB_RSC + "\"\n" + "MessageList 30 {\n  1 \"100% ferdig %s %d\"\n}\n",
                  {.dirPrefix = "zvutil", .rscName = "app.rsc", .forgetResources = false})
    {
    }
    void beforeRegister() override
    {
        mdlSystem_defineCfgVar("ZV_DIR", "/opt/zv");
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", (dir_ + "/host.upf").c_str());
    }
    void afterRegister() override
    {
        char *argv[] = {const_cast<char *>("app.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvUtil", 2, argv), 0);
    }
    void SetUp() override
    {
        AppTest::SetUp();
        if (HasFatalFailure())
            return;
        mdlhost_clearTextWindow();
        mdlhost_clearInputQueue();
        mdlhost_clearMessageFields();
    }
    void TearDown() override
    {
        mdlhost_clearInputQueue();
        mdlhost_useRealClock();
        AppTest::TearDown();
    }
    void afterUnregister() override
    {
        mdlhost_closeUserPrefs();
        for (const char *v : {"MDLHOST_USERPREF", "ZV_DIR", "ZV_LOCAL", "_MSDRAFT", "_PRJREVIEW"})
            mdlSystem_defineCfgVar(v, nullptr);
    }
    static std::vector<std::string> queuedKeyins()
    {
        std::vector<std::string> all;
        for (int i = 0; i < mdlhost_inputQueueCount(); i++) {
            const char *t = nullptr;
            if (mdlhost_inputQueueEntry(i, &t, nullptr, nullptr) == MDLHOST_INPUT_KEYIN)
                all.push_back(t);
        }
        return all;
    }
};

TEST_F(ZvlibUtilTest, LanguageTextsAreTakenAsWritten)
{
    EXPECT_STREQ(zvlibUtil_getLanguageText(2), "januar");
    EXPECT_STREQ(zvlibUtil_getLanguageText(20), "l\xF8rdag");
    // A '%' in a text is no conversion: nothing is read from missing arguments.
    EXPECT_STREQ(zvlibUtil_getLanguageText(38), "%s - melding");
    EXPECT_STREQ(zvlibUtil_getLanguageText(57), "Versjon %s");
    EXPECT_STREQ(zvlibUtil_getLanguageText(999), "");
}

TEST_F(ZvlibUtilTest, ConversionsKeepNorwegianLettersAndStopAtTheBuffer)
{
    const char *norsk = "\xC6\xD8\xC5\xE6\xF8\xE5 x";
    const char16_t *w = zvlibUtil_convertToUnicodeText(norsk);
    EXPECT_EQ(std::u16string(w), u"\u00C6\u00D8\u00C5\u00E6\u00F8\u00E5 x");
    EXPECT_STREQ(zvlibUtil_convertToMultibyteText(w), norsk);
    EXPECT_STREQ(zvlibUtil_convertToMultibyteText(u"a\u0152b"), "a?b");

    struct Case {
        size_t length;
        size_t kept;
    } cases[] = {{ZVLIB_CONVERT_LEN - 1, ZVLIB_CONVERT_LEN - 1}, {ZVLIB_CONVERT_LEN, ZVLIB_CONVERT_LEN - 1},
                 {3 * ZVLIB_CONVERT_LEN, ZVLIB_CONVERT_LEN - 1}};
    for (const Case &c : cases) {
        std::string longText(c.length, '\xE5');
        const char16_t *lw = zvlibUtil_convertToUnicodeText(longText.c_str());
        EXPECT_EQ(std::u16string(lw).size(), c.kept) << c.length;
        std::u16string longWide(c.length, u'\u00E5');
        EXPECT_EQ(strlen(zvlibUtil_convertToMultibyteText(longWide.c_str())), c.kept) << c.length;
    }
    EXPECT_EQ(zvlibUtil_convertToUnicodeText(nullptr)[0], 0);
    EXPECT_STREQ(zvlibUtil_convertToMultibyteText(nullptr), "");
}

TEST(ZvlibUtil, AngleIn2Or3Quadrant)
{
    struct Exact {
        double angle;
        int result;
    } exact[] = {
        {1.5, 0},
        {3.5, 1},
        {-std::acos(0.00005), 1},       // cosine 0.00005, sine below 0
        {M_PI - std::acos(0.00005), 0}, // cosine -0.00005, sine above 0
        {M_PI, 1},                      // sine rounds to a tiny positive value, cosine -1
        {0.0, 0},
    };
    for (const Exact &c : exact)
        EXPECT_EQ(zvlibUtil_angleIn2Or3Quadrant(c.angle), c.result) << c.angle;
}

TEST(ZvlibUtil, RemoveSpaces)
{
    struct Case {
        const char *in, *out;
    } cases[] = {{" a b\tc ", "abc"}, {"", ""}, {" \t ", ""}, {"abc", "abc"}, {"\xE6 \xF8", "\xE6\xF8"}};
    for (const Case &c : cases) {
        char buf[32];
        zvlib::copyText(buf, c.in);
        EXPECT_EQ(zvlibUtil_removeSpaces(buf), buf);
        EXPECT_STREQ(buf, c.out) << c.in;
    }
    EXPECT_EQ(zvlibUtil_removeSpaces(nullptr), nullptr);
}

TEST(ZvlibUtil, SplitText)
{
    struct Case {
        const char *in, *before, *rest;
        int result;
    } cases[] = {
        {"ab\\ncd", "ab", "cd", 1},   {"ab\\Ncd", "ab", "cd", 1},  {"ab\n", "ab", "", 0},
        {"ab\ncd\nef", "ab", "cd\nef", 1}, {"abc", "abc", "", 0}, {"\\n", "", "", 0},
        {"a\\xb", "a\\xb", "", 0},    {"ab\\", "ab\\", "", 0},     {"", "", "", 0},
    };
    for (const Case &c : cases) {
        char text[32];
        char rest[32];
        zvlib::copyText(text, c.in);
        snprintf(rest, sizeof rest, "old");
        EXPECT_EQ(zvlibUtil_splitText(text, rest), c.result) << c.in;
        EXPECT_STREQ(text, c.before) << c.in;
        EXPECT_STREQ(rest, c.rest) << c.in;
    }
    // The rest may be written back over the text itself.
    char same[] = "ab\\ncd";
    EXPECT_EQ(zvlibUtil_splitText(same, same), 1);
    EXPECT_STREQ(same, "cd");
    char noRest[] = "x\ny";
    EXPECT_EQ(zvlibUtil_splitText(noRest, nullptr), 1);
    EXPECT_STREQ(noRest, "x");
}

TEST_F(ZvlibUtilTest, DateAndTimeHaveNorwegianNames)
{
    int y = 0, mo = 0, d = 0, h = -1, mi = -1, s = -1, wd = -1;
    char wdName[ZVLIB_NAME_LEN] = "x";
    char moName[ZVLIB_NAME_LEN] = "x";
    EXPECT_EQ(zvlibUtil_getDateAndTime(&y, &mo, &d, &h, &mi, &s, &wd, wdName, moName), 0);
    EXPECT_GE(y, 2020);
    EXPECT_TRUE(mo >= 1 && mo <= 12);
    EXPECT_TRUE(d >= 1 && d <= 31);
    EXPECT_TRUE(h >= 0 && h <= 23 && mi >= 0 && mi <= 59 && s >= 0 && s <= 60);
    ASSERT_TRUE(wd >= 0 && wd <= 6);
    const char *weekdays[] = {"s\xF8ndag", "mandag", "tirsdag", "onsdag", "torsdag", "fredag", "l\xF8rdag"};
    const char *months[] = {"januar", "februar", "mars",      "april",   "mai",      "juni",
                            "juli",   "august",  "september", "oktober", "november", "desember"};
    EXPECT_STREQ(wdName, weekdays[wd]);
    EXPECT_STREQ(moName, months[mo - 1]);
    // Every out argument is optional.
    EXPECT_EQ(zvlibUtil_getDateAndTime(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              0);
}

TEST_F(ZvlibUtilTest, HourGlassStepsAfterMoreThan30Ticks)
{
    mdlhost_setFakeClock(1000);
    zvlibUtil_initHourGlass();
    struct Step {
        long advance;
        const char *field;
    } steps[] = {
        {30, ""}, {1, "|"}, {31, "/"}, {10, "/"}, {20, "/"}, {1, "-"}, {31, "\\"}, {31, "|"}, {100, "/"},
    };
    for (const Step &s : steps) {
        mdlhost_advanceClock(s.advance);
        zvlibUtil_updateHourGlass();
        EXPECT_STREQ(mdlhost_messageField(1), s.field) << mdlSystem_getTicks();
    }
    EXPECT_STREQ(mdlhost_messageField(0), "");
}

TEST(ZvlibString, Tokenize)
{
    struct Case {
        const char *text, *delimiters;
        std::vector<std::string> tokens;
    } cases[] = {
        {";;a;;b;;", ";", {"a", "b"}},
        {"", ";", {}},
        {";;;", ";", {}},
        {"en to\ttre", " \t", {"en", "to", "tre"}},
        {"\xC6rfugl;\xF8y", ";", {"\xC6rfugl", "\xF8y"}},
    };
    for (const Case &c : cases) {
        std::string copy = c.text;
        int count = -1;
        char **list = zvlibString_tokenize2(&count, copy.c_str(), c.delimiters);
        ASSERT_EQ(count, int(c.tokens.size())) << c.text;
        EXPECT_EQ(list == nullptr, c.tokens.empty()) << c.text;
        for (int i = 0; i < count; i++)
            EXPECT_EQ(list[i], c.tokens[i]) << c.text;
        EXPECT_EQ(copy, c.text);
        zvlibString_freeTokenList(list, count);

        std::vector<char> inPlace(copy.begin(), copy.end());
        inPlace.push_back('\0');
        list = zvlibString_tokenize(&count, inPlace.data(), c.delimiters);
        ASSERT_EQ(count, int(c.tokens.size())) << c.text;
        for (int i = 0; i < count; i++)
            EXPECT_EQ(list[i], c.tokens[i]) << c.text;
        zvlibString_freeTokenList(list, count);
    }
    int count = -1;
    EXPECT_EQ(zvlibString_tokenize(&count, nullptr, ";"), nullptr);
    EXPECT_EQ(count, 0);
    zvlibString_freeTokenList(nullptr, 0);
}

TEST(ZvlibString, TokenizeGrowsPastItsFirstBlockAndSurvivesNoMemory)
{
    std::string many;
    for (int i = 0; i < 45; i++)
        many += "t" + std::to_string(i) + ",";
    int count = 0;
    char **list = zvlibString_tokenize2(&count, many.c_str(), ",");
    ASSERT_EQ(count, 45);
    EXPECT_STREQ(list[0], "t0");
    EXPECT_STREQ(list[44], "t44");
    zvlibString_freeTokenList(list, count);

    // Whichever allocation fails, the result is the whole list or nothing.
    for (const char *entry : {"malloc", "realloc"}) {
        for (int fail = 1; fail <= 4; fail++) {
            mdlhost_failNext(entry, fail);
            count = -1;
            list = zvlibString_tokenize2(&count, "a b c", " ");
            mdlhost_failNext(entry, 0);
            EXPECT_EQ(count, list == nullptr ? 0 : 3) << entry << " " << fail;
            zvlibString_freeTokenList(list, count);
        }
    }
}

TEST(ZvlibString, CallersStrtokLoopKeepsItsPlace)
{
    char outer[] = "x,y,z";
    std::vector<std::string> seen;
    for (char *t = strtok(outer, ","); t; t = strtok(nullptr, ",")) {
        seen.push_back(t);
        int count = 0;
        char inner[] = "1;2;3";
        char **list = zvlibString_tokenize(&count, inner, ";");
        EXPECT_EQ(count, 3);
        zvlibString_freeTokenList(list, count);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"x", "y", "z"}));
}

TEST_F(ZvlibUtilTest, WebKeyinsAreQueued)
{
    MdlDesc *browser = mdlhost_registerApplication("WEBBROWS", nullptr);
    ASSERT_NE(browser, nullptr);
    mdlhost_setCurrMdlDesc(app_);
    EXPECT_EQ(zvlibWeb_openFile("/tmp/a b.htm"), 0);
    EXPECT_EQ(zvlibWeb_openUrl("http://example.org/"), 0);
    EXPECT_EQ(zvlibExternal_openFile("/tmp/x.txt"), 0);
    EXPECT_EQ(queuedKeyins(), (std::vector<std::string>{"browse file /tmp/a b.htm", "browse url http://example.org/",
                                                        "% /tmp/x.txt"}));
    EXPECT_STREQ(mdlhost_textWindow(), "") << "a loaded browser is not loaded again";
    mdlhost_unregisterApplication(browser);
    mdlhost_setCurrMdlDesc(app_);

    // A target that would be cut is refused rather than opening another page.
    std::string longPath(2000, 'p');
    EXPECT_EQ(zvlibWeb_openFile(longPath.c_str()), -1);
    EXPECT_EQ(zvlibExternal_openFile(longPath.c_str()), -1);
    EXPECT_EQ(zvlibWeb_openUrl(nullptr), -1);
}

TEST_F(ZvlibUtilTest, MissingBrowserShowsTheBoxAndStillSendsTheKeyin)
{
    mdlhost_clearInputQueue();
    EXPECT_EQ(zvlibWeb_openUrl("http://example.org/"), 0);
    EXPECT_STREQ(zvlibError_lastBox()->lines[0], "Nettleseren (WEBBROWS) kan ikke lastes. Siden kan ikke vises.");
    EXPECT_EQ(queuedKeyins(), (std::vector<std::string>{"browse url http://example.org/"}));
}

TEST_F(ZvlibUtilTest, ApplicationManual)
{
    mdlSystem_defineCfgVar("ZV_DIR", nullptr);
    EXPECT_EQ(zvlibWeb_openApplHelp(), 0) << "no root: nothing opens";
    EXPECT_TRUE(queuedKeyins().empty());

    std::string root = dir_ + "/";
    mdlSystem_defineCfgVar("ZV_LOCAL", root.c_str());
    EXPECT_NE(zvlibWeb_openApplHelp(), 0) << "manual missing";
    EXPECT_TRUE(queuedKeyins().empty());

    struct Case {
        const char *dir;
    } cases[] = {{"doc/manual/ZvUtil"}, {"doc/manual/ZvUtil_no"}};
    for (const Case &c : cases) {
        fs::create_directories(root + c.dir);
        std::ofstream(root + c.dir + "/index.htm") << "<html/>";
        mdlhost_clearInputQueue();
        EXPECT_EQ(zvlibWeb_openApplHelp(), 0) << c.dir;
        EXPECT_EQ(queuedKeyins(), (std::vector<std::string>{"browse file " + root + c.dir + "/index.htm"})) << c.dir;
    }
}

TEST_F(ZvlibUtilTest, HostProductQuestions)
{
    EXPECT_EQ(zvlibUtil_runningPowerDraft(), 0);
    EXPECT_EQ(zvlibUtil_mdlExternalNotAvailable(), 0);
    mdlSystem_defineCfgVar("_PRJREVIEW", "1");
    EXPECT_EQ(zvlibUtil_mdlExternalNotAvailable(), 1);
    EXPECT_EQ(zvlibUtil_runningPowerDraft(), 0);
    mdlSystem_defineConfigurationVariable("_MSDRAFT", "1", MDLHOST_CFGLEVEL_SITE);
    EXPECT_EQ(zvlibUtil_runningPowerDraft(), 1);
    EXPECT_STREQ(zvlibError_lastBox()->lines[0],
                 "Denne funksjonen er ikke tilgjengelig i den enkle utgaven av tegneprogrammet.");
}

} // namespace
