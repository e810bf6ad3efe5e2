#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "brukerdata.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zvlibtext.h"
#include "zvzera_services.h"

namespace fs = std::filesystem;

namespace {

// Runs as the registered ZERA application with its resource file.
class ServicesTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        app_ = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc");
        ASSERT_NE(app_, nullptr);
        previous_ = mdlhost_setCurrMdlDesc(app_);
        brukerDataP = nullptr;
    }
    void TearDown() override
    {
        brukerDataP = nullptr;
        mdlhost_setCurrMdlDesc(previous_);
        mdlhost_forgetResources(app_);
        mdlhost_unregisterApplication(app_);
        if (!tmp_.empty()) {
            std::error_code ec;
            fs::remove(tmp_, ec);
        }
    }
    // c_txt with a buffer of the engine's size, guarded on both sides.
    int txt(const char *rutnam, int number, std::string *text)
    {
        char buf[BMW_CTXT_LEN + 2];
        memset(buf, 'Z', sizeof buf);
        char name[16];
        zvlib::copyText(name, rutnam);
        short n = (short)number;
        int r = c_txt(name, &n, buf + 1);
        EXPECT_EQ(buf[0], 'Z');
        EXPECT_EQ(buf[BMW_CTXT_LEN + 1], 'Z') << "wrote past the engine's buffer";
        EXPECT_EQ(n, (short)number);
        *text = buf + 1;
        return r;
    }

    MdlDesc *app_ = nullptr;
    MdlDesc *previous_ = nullptr;
    std::string tmp_;
};

TEST_F(ServicesTest, CTxtFindsTheListOfEachRoutine)
{
    struct Case {
        const char *rutnam;
        int number;
        const char *text;
    };
    const Case cases[] = {
        {"BMW", 32, "Dato:"},
        {"BMW", 11, "PUNKT"},
        {"BMW", 26, "SYMBOL"},
        {"MAXMIN", 5, "MAXMIN 5: "},
        {"SG_BUFF", 1, "SG_BUFF 1: "},
        {"SG_COORD", 3, "SG_COORD 3: "},
        {"SG_ELM", 13, "SG_ELM 13: Referanse gjentatt i samme avgrensning"},
        {"SG_HEAD", 21, "SG_HEAD 21: "},
        {"SG_STR", 3, "SG_STR 3: "},
        {"SP_ELM", 2, "SP_ELM 2: "},
        {"MSTEMTAB", 27, "MSTEMTAB 27: "},
        {"ZERA2DGN", 11, "ZERA2DGN 11: "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.rutnam) + " " + std::to_string(c.number));
        std::string text;
        EXPECT_EQ(txt(c.rutnam, c.number, &text), 0);
        EXPECT_EQ(text.rfind(c.text, 0), 0u) << text;
    }
}

TEST_F(ServicesTest, CTxtGivesOneAndNoTextWhenThereIsNone)
{
    struct Case {
        const char *rutnam;
        int number;
    };
    const Case cases[] = {
        {"XYZ", 5},      // unknown routine
        {"bmw", 32},     // names are case-sensitive
        {"BMW ", 32},    // and compared whole
        {"SG_ELM", 20},  // no such message
        {"SG_ELM", -13}, // numbers are not folded
        {"MP_ELM", 1},   // a list the application does not hold
        {"BMW", 24},     // an empty entry (type 14 has no group)
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.rutnam) + " " + std::to_string(c.number));
        std::string text = "x";
        EXPECT_EQ(txt(c.rutnam, c.number, &text), 1);
        EXPECT_EQ(text, "");
    }
}

TEST_F(ServicesTest, CTxtNamesTheAreaTypeByTheLevel4Setting)
{
    std::string stored, notStored, text;
    ASSERT_EQ(txt("BMW", 22, &stored), 0);
    ASSERT_EQ(txt("BMW", 49, &notStored), 0);
    ASSERT_NE(stored, notStored);

    zeraBrukerGrensesnittData data{};
    data.lagreNivaa4 = 0;
    brukerDataP = &data;
    EXPECT_EQ(txt("BMW", 22, &text), 0);
    EXPECT_EQ(text, notStored);
    EXPECT_EQ(txt("SG_ELM", 22, &text), 0) << "only BMW 22 is swapped";
    EXPECT_EQ(text.rfind("SG_ELM 22: ", 0), 0u);

    data.lagreNivaa4 = 1;
    EXPECT_EQ(txt("BMW", 22, &text), 0);
    EXPECT_EQ(text, stored);

    // No settings record: level-4 storing counts as on.
    brukerDataP = nullptr;
    EXPECT_EQ(txt("BMW", 22, &text), 0);
    EXPECT_EQ(text, stored);
}

// The engine's import with these services: level-4 groups that are not
// stored are counted as read and left out, in the report row c_txt names
// by the settings record for that case.
TEST_F(ServicesTest, ImportReportNamesTheAreaTypeByTheLevel4Setting)
{
    const std::string testdata = ZERA_SOURCE_DIR "/engine/testdata/";
    tmp_ = (fs::temp_directory_path() / ("services-test-" + std::to_string(getpid()) + ".log")).string();
    const struct {
        int32_t lagre;
        const char *flate; // the report's name of type 12
        int utelatt;
    } cases[] = {{0, "FLATE (ikke lagret)", 1}, {1, "FLATE", 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.flate);
        Mstemtab.rowCount = 0;
        Fkbtab.count = 0;
        settXML(0);
        settXMLFil("");
        lagreNivaa4 = c.lagre;
        zeraBrukerGrensesnittData data{};
        data.lagreNivaa4 = c.lagre;
        brukerDataP = &data;
        int16_t rc = perf_zera2dgn((testdata + "typer.zer").c_str(), (testdata + "grunn.tem").c_str(), tmp_.c_str(),
                                   getXMLFile(), 0, reinterpret_cast<MdlFunctionP>(+[]() { return 0; }), nullptr,
                                   reinterpret_cast<MdlFunctionP>(&c_txt), nullptr);
        brukerDataP = nullptr;
        lagreNivaa4 = 0;
        ASSERT_EQ(rc, 0);
        std::ifstream in(tmp_, std::ios::binary);
        std::string r((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (int type : {ZERA_TRASE, ZERA_FLATE, ZERA_STRUKTUR}) {
            EXPECT_EQ(Bmw.read[type - 1], 1) << type;
            EXPECT_EQ(Bmw.notImported[type - 1], c.utelatt) << type;
        }
        char linje[80];
        for (const char *navn : {"TRASE", c.flate, "STRUKTUR"}) {
            snprintf(linje, sizeof linje, "\n%-10s %6d  %6d %6d\n", navn, 1, c.utelatt, 0);
            EXPECT_NE(r.find(linje), std::string::npos) << linje << "\n" << r;
        }
    }
}

TEST_F(ServicesTest, CTxtCutsALongTextToTheEngineBuffer)
{
    tmp_ = (fs::temp_directory_path() / ("services-test-" + std::to_string(getpid()) + ".rsc")).string();
    std::string longText(300, 'a');
    longText[BMW_CTXT_LEN - 2] = 'E'; // the last character that fits
    std::ofstream(tmp_) << "MessageList 17 { 99 \"" << longText << "\" }\n";
    // Searched after zvzera.rsc, which has no SG_ELM 99.
    ASSERT_EQ(mdlhost_openResourceFor(app_, tmp_.c_str()), 0);
    std::string text;
    EXPECT_EQ(txt("SG_ELM", 99, &text), 0);
    EXPECT_EQ(text.size(), (size_t)BMW_CTXT_LEN - 1);
    EXPECT_EQ(text.back(), 'E');
}

TEST_F(ServicesTest, CTxtWorksThroughTheDispatcherAsTheEngineCallsIt)
{
    char rutnam[] = "SG_HEAD";
    short number = 1;
    char out[BMW_CTXT_LEN];
    MdlDesc *outside = mdlhost_setCurrMdlDesc(nullptr);
    EXPECT_EQ(dlmSystem_callAnyFunction(app_, reinterpret_cast<MdlFunctionP>(&c_txt), "PPP", rutnam, &number, out), 0);
    EXPECT_EQ(std::string(out).rfind("SG_HEAD 1: ", 0), 0u);
    // Outside the application its texts are not found.
    EXPECT_EQ(c_txt(rutnam, &number, out), 1);
    EXPECT_STREQ(out, "");
    mdlhost_setCurrMdlDesc(outside);
}

// Every engine message names its routine and number, takes no arguments
// (c_txt formats it without any) and fits the engine's buffer.
TEST_F(ServicesTest, EngineMessageTextsAreWellFormed)
{
    const char *rutiner[] = {"BMW",      "MAXMIN",   "MP_ELM",  "MP_HEAD", "SG_BUFF",  "SG_COORD",
                             "SG_ELM",   "SG_HEAD",  "SG_STR",  "SP_ELM",  "SP_HEAD",  "EZERSCAN",
                             "PZERSCAN", "ZERSCAN",  "MSTEMTAB", "ZERA2DGN"};
    int messages = 0;
    for (int list = 11; list <= 26; list++) {
        for (int entry = 1; entry <= 100; entry++) {
            const char *t = mdlhost_messageListEntry(app_, list, entry);
            if (t == nullptr)
                continue;
            SCOPED_TRACE(std::to_string(list) + "/" + std::to_string(entry) + ": " + t);
            EXPECT_LT(strlen(t), (size_t)BMW_CTXT_LEN);
            for (const char *p = strchr(t, '%'); p; p = strchr(p + 2, '%'))
                ASSERT_EQ(p[1], '%') << "a conversion without an argument";
            if (list == 11)
                continue;
            messages++;
            std::string prefix = std::string(rutiner[list - 11]) + " " + std::to_string(entry) + ": ";
            EXPECT_EQ(std::string(t).rfind(prefix, 0), 0u);
        }
    }
    EXPECT_GT(messages, 0);
}

// The numbers each engine routine raises all have a text.
TEST_F(ServicesTest, EveryEngineMessageHasAText)
{
    struct Routine {
        const char *rutnam;
        std::vector<int> numbers;
    };
    const Routine routines[] = {
        {"BMW", {2, 3, 4, 8, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 25, 26, 31, 32, 33, 35, 36, 37,
                 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51}},
        {"MAXMIN", {1, 2, 3, 4, 5, 6}},
        {"SG_BUFF", {1, 2}},
        {"SG_STR", {1, 2, 3, 4}},
        {"SG_HEAD", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21}},
        {"SG_COORD", {1, 3, 4, 5, 6, 7, 8}},
        {"SG_ELM", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22}},
        {"SP_ELM", {2, 3, 4}},
        {"MSTEMTAB", {1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26,
                      27, 40, 41, 42}},
        {"ZERA2DGN", {1, 3, 4, 5, 6, 7, 11, 12}},
    };
    for (const Routine &r : routines)
        for (int n : r.numbers) {
            std::string text;
            EXPECT_EQ(txt(r.rutnam, n, &text), 0) << r.rutnam << " " << n;
        }
}

TEST(ServicesPure, ZeraVersjonHarToDesimaler)
{
    struct Case {
        double version;
        int expected;
    };
    const Case cases[] = {
        {4.0, 0}, {3.4, 0}, {4.5, 0}, {2.1, 0}, {2.2, 0}, {1.0, 0}, {0.0, 0},
        {3.31, 1}, {2.21, 1}, {2.01, 1}, {4.05, 1},
        // No real versions; they must not overflow the conversion.
        {1e300, 0}, {-1e300, 0}, {HUGE_VAL, 0}, {NAN, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ZeraVersjonHarToDesimaler(c.version), c.expected) << c.version;
}

TEST(ServicesPure, GetZvZeraVersionInfo)
{
    EXPECT_STREQ(getZvZeraVersionInfo(1), "03.04 - 04.12.2009");
    EXPECT_STREQ(getZvZeraVersionInfo(3), "ZVZERA  Import");
    EXPECT_STREQ(getZvZeraVersionInfo(4), "ZVZERA  Export");
    for (int other : {0, 2, 5, -1})
        EXPECT_STREQ(getZvZeraVersionInfo(other), "") << other;
}

TEST(ServicesPure, SkalppHoydeSkrivesByThemeTable)
{
    struct Case {
        const char *theme;
        int type;
        short line;  // expected line flag (-1: untouched)
        short point; // expected point flag (-1: untouched)
    };
    const Case cases[] = {
        {"2101", 1, -1, 1}, {"2102", 1, -1, 1}, {"2103", 1, -1, 1}, {"2106", 1, -1, 1},
        {"2104", 1, -1, 0}, {"3001", 1, -1, 0}, {"", 1, -1, 0},
        {"3001", 4, 1, -1}, {"3002", 4, 0, -1}, {"2001", 3, 1, -1}, {"2003", 12, 1, -1},
        {"2004", 2, 1, -1}, // every type but 1 uses the line table
        {"3004", 10, 1, -1}, {"3101", 4, 1, -1}, {"3102", 4, 1, -1}, {"2101", 3, 0, -1},
        {" 3001", 4, 1, -1}, {"3001A", 4, 1, -1}, // read as a number, as atoi does
        {"99999999999999999999", 4, 0, -1},
    };
    for (const Case &c : cases) {
        short line = -1, point = -1;
        SkalppHoydeSkrives(0, &line, &point, c.theme, c.type, nullptr);
        EXPECT_EQ(line, c.line) << c.theme << " type " << c.type;
        EXPECT_EQ(point, c.point) << c.theme << " type " << c.type;
    }
}

struct CallbackLog {
    short *flag = nullptr;
    std::string text;
    MdlDesc *current = nullptr;
    int calls = 0;
};
CallbackLog callbackLog;

int heightCallback(short *flag, char *text)
{
    callbackLog.flag = flag;
    callbackLog.text = text;
    callbackLog.current = mdlSystem_getCurrMdlDesc();
    callbackLog.calls++;
    *flag = 7;
    return 0;
}

TEST(ServicesPure, SkalppHoydeSkrivesAsksTheCallback)
{
    MdlDesc *app = mdlhost_registerApplication("SKALPPTEST", nullptr);
    ASSERT_NE(app, nullptr);
    MdlDesc *previous = mdlhost_setCurrMdlDesc(app);
    auto cb = reinterpret_cast<MdlFunctionP>(&heightCallback);
    struct Case {
        int type;
        const char *text;
        bool pointFlag;
    };
    const Case cases[] = {{1, "2101P", true}, {2, "2101P", false}, {3, "2101L", false},
                          {10, "2101T", false}, {12, "2101F", false}};
    for (const Case &c : cases) {
        callbackLog = {};
        short line = 0, point = 0;
        SkalppHoydeSkrives(1, &line, &point, "2101", c.type, cb);
        EXPECT_EQ(callbackLog.calls, 1);
        EXPECT_EQ(callbackLog.text, c.text);
        EXPECT_EQ(callbackLog.flag, c.pointFlag ? &point : &line);
        EXPECT_EQ(callbackLog.current, app);
        EXPECT_EQ(c.pointFlag ? point : line, 7);
    }
    // A theme longer than the element record's is cut, not overrun.
    callbackLog = {};
    short line = 0, point = 0;
    std::string longTheme(200, '9');
    SkalppHoydeSkrives(1, &line, &point, longTheme.c_str(), 3, cb);
    EXPECT_EQ(callbackLog.calls, 1);
    EXPECT_LT(callbackLog.text.size(), longTheme.size());

    // A null callback: nothing is called and the flags stay.
    callbackLog = {};
    line = 5;
    point = 5;
    SkalppHoydeSkrives(1, &line, &point, "3001", 4, nullptr);
    EXPECT_EQ(callbackLog.calls, 0);
    EXPECT_EQ(line, 5);
    EXPECT_EQ(point, 5);

    mdlhost_setCurrMdlDesc(previous);
    mdlhost_unregisterApplication(app);
}

TEST(ServicesPure, FinnZeraElementTypeAndNavn)
{
    struct Case {
        int type;
        const char *letter;
        const char *name;
    };
    const Case cases[] = {
        {-3, "P", ""},          {0, "P", ""},          {1, "P", ".PUNKT"},   {2, "P", ".SVERM"},
        {3, "L", ".LINJE"},     {4, "L", ".KURVE"},    {5, "L", ".BUE"},     {6, "L", ".BUEP"},
        {7, "L", ".SIRKEL"},    {8, "L", ".SIRKELP"},  {9, "L", ".KLOTOIDE"}, {10, "T", ".TEKST"},
        {11, "F", ".TRASE"},    {12, "F", ".FLATE"},   {13, "F", ".STRUKTUR"}, {14, "F", ""},
        {15, "F", ".RASTER"},   {16, "F", ""},         {17, "F", ""},        {1000, "F", ""},
    };
    for (const Case &c : cases) {
        EXPECT_STREQ(FinnZeraElementType(c.type), c.letter) << c.type;
        // The buffer is 10 bytes; the guard byte after it must survive.
        char name[11];
        memset(name, 'Z', sizeof name);
        FinnZeraElementNavn(name, c.type);
        EXPECT_STREQ(name, c.name) << c.type;
        EXPECT_EQ(name[10], 'Z') << c.type;
    }
}

} // namespace
