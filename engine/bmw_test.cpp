#include <algorithm>
#include <cstring>
#include <ctime>
#include <numeric>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine_testing.h"
#include "kartmotor_tjenester.h"

namespace {

class BmwTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        bmwinit();
        bmwclr();
        memset(&Elm, 0, sizeof Elm);
    }
};

TEST_F(BmwTest, WarningsAndNotesAreNotRegistered)
{
    for (int16_t type : {(int16_t)BMW_WARNING, (int16_t)BMW_NOTE}) {
        Bmw.lastFatal = 1;
        Bmw.lastError = 1;
        EXPECT_EQ(bmw_meld("MAXMIN", 5, type, 3), 0);
        Elm.type = ZERA_PUNKT;
        bmw_sett("SG_ELM", 4, type);
        EXPECT_EQ(bmwput_elm(), 0);
        EXPECT_EQ(Bmw.msgCount, 0);
        EXPECT_EQ(Bmw.fatalCount + Bmw.errorCount, 0);
        EXPECT_EQ(Bmw.lastFatal, 0);
        EXPECT_EQ(Bmw.lastError, 0);
    }
}

TEST_F(BmwTest, FatalAndErrorAreStoredWithTheCurrentMessage)
{
    kopier(Bmw.theme, sizeof Bmw.theme, "1010");
    kopier(Bmw.objtype, sizeof Bmw.objtype, "Veg");
    Bmw.elementType = 3;
    Bmw.n = 1.5;
    Bmw.e = 2.5;
    EXPECT_EQ(bmw_meld("SG_HEAD", 17, BMW_FATAL, 12), 0);
    EXPECT_EQ(Bmw.lastFatal, 1);
    EXPECT_EQ(Bmw.lastError, 0);
    EXPECT_EQ(bmw_meld("SG_BUFF", 2, BMW_ERROR, 40), 0);
    EXPECT_EQ(Bmw.lastFatal, 0);
    EXPECT_EQ(Bmw.lastError, 1);

    ASSERT_EQ(Bmw.msgCount, 2);
    EXPECT_EQ(Bmw.fatalCount, 1);
    EXPECT_EQ(Bmw.errorCount, 1);
    EXPECT_EQ(Bmw.msg.type[0], BMW_FATAL);
    EXPECT_EQ(Bmw.msg.line[0], 12);
    EXPECT_EQ(Bmw.msg.elementType[0], 3);
    EXPECT_STREQ(Bmw.msg.theme[0], "1010");
    EXPECT_STREQ(Bmw.msg.objtype[0], "Veg");
    EXPECT_DOUBLE_EQ(Bmw.msg.n[0], 1.5);
    EXPECT_DOUBLE_EQ(Bmw.msg.e[0], 2.5);
    EXPECT_STREQ(Bmw.msg.rutnam[0], "SG_HEAD");
    EXPECT_EQ(Bmw.msg.number[0], 17);
    EXPECT_STREQ(Bmw.msg.rutnam[1], "SG_BUFF");
    EXPECT_EQ(Bmw.msg.line[1], 40);
}

TEST_F(BmwTest, FullTableKeepsCountsButStillReportsTheKind)
{
    Bmw.msgCount = BMW_MAX_MESSAGES;
    Bmw.fatalCount = 7;
    Bmw.errorCount = 9;
    EXPECT_EQ(bmw_meld("SG_HEAD", 3, BMW_FATAL, 1), 0);
    EXPECT_EQ(Bmw.msgCount, BMW_MAX_MESSAGES);
    EXPECT_EQ(Bmw.fatalCount, 7);
    EXPECT_EQ(Bmw.lastFatal, 1);
    Elm.type = ZERA_LINJE;
    EXPECT_EQ(bmw_elmfeil("SG_ELM", 4), 0);
    EXPECT_EQ(Bmw.errorCount, 9);
    EXPECT_EQ(Bmw.lastError, 1);
    EXPECT_EQ(Bmw.errors[ZERA_LINJE - 1], 1);
    // The identifier is not checked when nothing is stored.
    EXPECT_EQ(bmw_meld("TOO_LONG_NAME", 0, BMW_FATAL, 1), 0);
    EXPECT_EQ(Bmw.lastFatal, 1);
}

TEST_F(BmwTest, BadIdentifiersAreRefusedWithTheProgrammingErrorText)
{
    const struct {
        bool elm;
        const char *rutnam;
        int number;
        int16_t result;
        const char *text;
    } cases[] = {
        {false, "SG_HEAD12", 3, 1, "programming error in bmwput()\nillegal value of Bmw.acc_txt_rutnam\n"},
        {false, "", 3, 1, "programming error in bmwput()\nillegal value of Bmw.acc_txt_rutnam\n"},
        {false, "SG_HEAD", 0, 2, "programming error in bmwput()\nillegal value of Bmw.acc_txt_number\n0 SG_HEAD\n"},
        {false, "SG_HEAD", -4, 2, "programming error in bmwput()\nillegal value of Bmw.acc_txt_number\n0 SG_HEAD\n"},
        // Outside the 16-bit column: refused, not wrapped into another message.
        {false, "SG_HEAD", 70000, 2, "programming error in bmwput()\nillegal value of Bmw.acc_txt_number\n0 SG_HEAD\n"},
        {true, "SG_ELM_XY", 3, 1, "Programming error in bmwput_elm()\nIllegal value of Bmw.acc_txt_rutnam\n"},
        {true, "SG_ELM", 0, 2, "Programming error in bmwput_elm()\nIllegal value of Bmw.acc_txt_number\n0 SG_ELM\n"},
    };
    for (const auto &c : cases) {
        mdlhost_clearTextWindow();
        Bmw.lastFatal = 1;
        bmw_sett(c.rutnam, c.number, BMW_FATAL);
        EXPECT_EQ(c.elm ? bmwput_elm() : bmwput(), c.result) << c.rutnam << " " << c.number;
        EXPECT_STREQ(mdlhost_textWindow(), c.text) << c.rutnam << " " << c.number;
        EXPECT_EQ(Bmw.msgCount, 0);
        EXPECT_EQ(Bmw.fatalCount, 0);
        EXPECT_EQ(Bmw.lastFatal, 0);
    }
    // An 8-character name is the longest accepted.
    EXPECT_EQ(bmw_meld("MSTEMTAB", 1, BMW_FATAL, 0), 0);
    EXPECT_EQ(Bmw.msgCount, 1);
}

TEST_F(BmwTest, ElementMessagesTakeTheElementAndFallBackToTheCurrentMessage)
{
    Bmw.line = 77;
    kopier(Bmw.theme, sizeof Bmw.theme, "9999");
    kopier(Bmw.objtype, sizeof Bmw.objtype, "Fallback");
    Bmw.n = 10;
    Bmw.e = 20;
    Elm.type = ZERA_KURVE;
    Elm.serial = 0;
    Elm.pointCount = 0;
    Elm.N[0] = 555; // left over from an earlier element
    ASSERT_EQ(bmw_elmfeil("SG_COORD", 3), 0);
    EXPECT_EQ(Bmw.msg.line[0], 77);
    EXPECT_EQ(Bmw.msg.elementType[0], ZERA_KURVE);
    EXPECT_STREQ(Bmw.msg.theme[0], "9999");
    EXPECT_STREQ(Bmw.msg.objtype[0], "Fallback");
    EXPECT_DOUBLE_EQ(Bmw.msg.n[0], 10);
    EXPECT_EQ(Bmw.msg.type[0], BMW_ERROR);

    // Texts longer than the columns are cut and stay terminated.
    std::string theme(ZERA_THEME_LEN - 1, '7');
    std::string objtype(ZERA_NAME_LEN - 1, 'O');
    kopier(Elm.theme[0], sizeof Elm.theme[0], theme.c_str());
    kopier(Elm.objtype, sizeof Elm.objtype, objtype.c_str());
    Elm.serial = 12;
    Elm.pointCount = 1;
    Elm.N[0] = 6600000.5;
    Elm.E[0] = 500000.25;
    ASSERT_EQ(bmw_elmfeil("SG_COORD", 4), 0);
    EXPECT_EQ(Bmw.msg.line[1], 12);
    EXPECT_EQ(std::string(Bmw.msg.theme[1]), theme.substr(0, BMW_THEME_LEN - 1));
    EXPECT_EQ(std::string(Bmw.msg.objtype[1]), objtype.substr(0, BMW_OBJTYPE_LEN - 1));
    EXPECT_DOUBLE_EQ(Bmw.msg.n[1], 6600000.5);
    EXPECT_DOUBLE_EQ(Bmw.msg.e[1], 500000.25);
    EXPECT_EQ(Bmw.errors[ZERA_KURVE - 1], 2);

    // Types without a counter still register.
    Elm.type = ZERA_UKJENT;
    ASSERT_EQ(bmw_elmfeil("SG_ELM", 1), 0);
    EXPECT_EQ(Bmw.msgCount, 3);
    int sum = 0;
    for (int32_t v : Bmw.errors)
        sum += v;
    EXPECT_EQ(sum, 2);
}

void sett_tema(int k, const char *theme, int16_t type, const char *code = "")
{
    Elm.type = type;
    kopier(Elm.theme[k], sizeof Elm.theme[k], theme);
    kopier(Elm.themeCode[k], sizeof Elm.themeCode[k], code);
}

TEST_F(BmwTest, UnknownThemesCountPerThemeTypeAndReason)
{
    int16_t k = 0;
    sett_tema(0, "1200", ZERA_PUNKT, "AB");
    Elm.style = 3;
    Elm.colour = 7;
    kopier(Elm.objtype, sizeof Elm.objtype, "Kum");
    bmw_sett("MSTEMTAB", 19, BMW_NOTE);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(bmwput_tem(&k), 0);
    ASSERT_EQ(Bmw.unknownCount, 1);
    EXPECT_EQ(Bmw.tem.count[0], 3);
    EXPECT_EQ(Bmw.tem.elementType[0], ZERA_PUNKT);
    EXPECT_EQ(Bmw.tem.style[0], 3);
    EXPECT_EQ(Bmw.tem.colour[0], 7);
    EXPECT_STREQ(Bmw.tem.objtype[0], "Kum");
    EXPECT_STREQ(Bmw.tem.code[0], "AB");
    EXPECT_STREQ(Bmw.tem.rutnam[0], "MSTEMTAB");
    EXPECT_EQ(Bmw.tem.number[0], 19);

    bmw_sett("MSTEMTAB", 26, BMW_NOTE); // another reason
    EXPECT_EQ(bmwput_tem(&k), 0);
    sett_tema(0, "1200", ZERA_LINJE, "0123"); // another type; a code starting with 0 is not kept
    EXPECT_EQ(bmwput_tem(&k), 0);
    ASSERT_EQ(Bmw.unknownCount, 3);
    EXPECT_EQ(Bmw.tem.count[1], 1);
    EXPECT_EQ(Bmw.tem.number[1], 26);
    EXPECT_STREQ(Bmw.tem.code[2], "");

    // Themes that differ only beyond the column are one theme.
    std::string longTheme(40, '1');
    sett_tema(3, (longTheme + "A").c_str(), ZERA_PUNKT);
    k = 3;
    EXPECT_EQ(bmwput_tem(&k), 0);
    sett_tema(3, (longTheme + "B").c_str(), ZERA_PUNKT);
    EXPECT_EQ(bmwput_tem(&k), 0);
    ASSERT_EQ(Bmw.unknownCount, 4);
    EXPECT_EQ(Bmw.tem.count[3], 2);
    EXPECT_EQ(std::string(Bmw.tem.theme[3]), longTheme.substr(0, BMW_THEME_LEN - 1));

    int16_t bad = ZERA_MAX_THEMES;
    EXPECT_EQ(bmwput_tem(&bad), -1);
    EXPECT_EQ(bmwput_tem(nullptr), -1);
}

TEST_F(BmwTest, TheObjectTypeIsPartOfTheKey)
{
    int16_t k = 0;
    bmw_sett("MSTEMTAB", 19, BMW_NOTE);
    const struct {
        const char *theme;
        const char *objtype;
    } met[] = {{"", "Teiggrense"}, {"", "Fasadeliv"},   {"", "Teiggrense"},
               {"2000", "Koter"}, {"2000", "Kote"}, {"2000", "Koter"}};
    for (const auto &m : met) {
        sett_tema(0, m.theme, ZERA_KURVE);
        kopier(Elm.objtype, sizeof Elm.objtype, m.objtype);
        ASSERT_EQ(bmwput_tem(&k), 0);
    }
    // Two object types under one theme stay two entries.
    ASSERT_EQ(Bmw.unknownCount, 4);
    EXPECT_STREQ(Bmw.tem.objtype[0], "Teiggrense");
    EXPECT_EQ(Bmw.tem.count[0], 2);
    EXPECT_STREQ(Bmw.tem.objtype[1], "Fasadeliv");
    EXPECT_EQ(Bmw.tem.count[1], 1);
    EXPECT_STREQ(Bmw.tem.theme[2], "2000");
    EXPECT_STREQ(Bmw.tem.objtype[2], "Koter");
    EXPECT_EQ(Bmw.tem.count[2], 2);
    EXPECT_STREQ(Bmw.tem.theme[3], "2000");
    EXPECT_STREQ(Bmw.tem.objtype[3], "Kote");
    EXPECT_EQ(Bmw.tem.count[3], 1);

    // Object types that differ only beyond the column are one.
    std::string lang(BMW_OBJTYPE_LEN - 1, 'o');
    for (const char *end : {"A", "B"}) {
        sett_tema(0, "", ZERA_KURVE);
        kopier(Elm.objtype, sizeof Elm.objtype, (lang + end).c_str());
        ASSERT_EQ(bmwput_tem(&k), 0);
    }
    ASSERT_EQ(Bmw.unknownCount, 5);
    EXPECT_EQ(Bmw.tem.count[4], 2);
    EXPECT_EQ(std::string(Bmw.tem.objtype[4]), lang);
}

TEST_F(BmwTest, FullUnknownTableRefusesNewThemesButKeepsCounting)
{
    int16_t k = 0;
    bmw_sett("MSTEMTAB", 19, BMW_NOTE);
    for (int i = 0; i < BMW_MAX_UNKNOWN; i++) {
        sett_tema(0, std::to_string(1000 + i).c_str(), ZERA_PUNKT);
        ASSERT_EQ(bmwput_tem(&k), 0);
    }
    sett_tema(0, "99999", ZERA_PUNKT);
    EXPECT_EQ(bmwput_tem(&k), -1);
    EXPECT_EQ(Bmw.unknownCount, BMW_MAX_UNKNOWN);
    sett_tema(0, "1005", ZERA_PUNKT);
    EXPECT_EQ(bmwput_tem(&k), 0);
    EXPECT_EQ(Bmw.tem.count[5], 2);
}

TEST(SortIndexTest, AscendingAndStable)
{
    int32_t values[] = {5, 3, 5, 1};
    int32_t count = 4, out[4], work[4];
    ASSERT_EQ(sort_index(values, &count, out, work), 0);
    EXPECT_EQ(std::vector<int32_t>(out, out + 4), (std::vector<int32_t>{3, 1, 0, 2}));
    count = 0;
    EXPECT_EQ(sort_index(values, &count, out, work), 1);
    count = -3;
    EXPECT_EQ(sort_index(values, &count, out, work), 1);

    // Against the library's stable sort, for odd sizes and many ties.
    std::mt19937 rng(42);
    for (int32_t n : {1, 2, 7, 64, 1001}) {
        std::vector<int32_t> v((size_t)n), got((size_t)n), w((size_t)n), want((size_t)n);
        for (auto &x : v)
            x = (int32_t)(rng() % 10) - 5;
        std::iota(want.begin(), want.end(), 0);
        std::stable_sort(want.begin(), want.end(), [&](int32_t a, int32_t b) { return v[(size_t)a] < v[(size_t)b]; });
        count = n;
        ASSERT_EQ(sort_index(v.data(), &count, got.data(), w.data()), 0);
        EXPECT_EQ(got, want) << n;
    }
}

// Init clears only the table rows in use: the rows it wrote, whatever a
// caller did to the counts since, and every row when a count is garbage.
TEST_F(BmwTest, InitClearsEveryRowInUse)
{
    auto tabellerTomme = [] {
        const char *m = reinterpret_cast<const char *>(&Bmw.msg);
        const char *t = reinterpret_cast<const char *>(&Bmw.tem);
        return std::all_of(m, m + sizeof Bmw.msg, [](char c) { return c == 0; }) &&
               std::all_of(t, t + sizeof Bmw.tem, [](char c) { return c == 0; });
    };
    int16_t k = 0;
    sett_tema(0, "1200", ZERA_PUNKT, "AB");
    for (int i = 0; i < 3; i++) {
        kopier(Bmw.theme, sizeof Bmw.theme, "1010");
        ASSERT_EQ(bmw_meld("SG_BUFF", 2, BMW_ERROR, 40 + i), 0);
        bmw_sett("MSTEMTAB", 19 + i, BMW_NOTE);
        ASSERT_EQ(bmwput_tem(&k), 0);
    }
    ASSERT_EQ(Bmw.msgCount, 3);
    ASSERT_EQ(Bmw.unknownCount, 3);
    Bmw.msgCount = 0; // a caller starting its list again
    Bmw.unknownCount = 1;
    ASSERT_EQ(bmwinit(), 0);
    EXPECT_TRUE(tabellerTomme());

    // Rows set by others under a count that says so.
    Bmw.msg.number[BMW_MAX_MESSAGES - 1] = 7;
    Bmw.msgCount = BMW_MAX_MESSAGES;
    Bmw.tem.count[BMW_MAX_UNKNOWN - 1] = 7;
    Bmw.unknownCount = -3;
    ASSERT_EQ(bmwinit(), 0);
    EXPECT_TRUE(tabellerTomme());
    EXPECT_EQ(Bmw.msgCount, 0);
    EXPECT_EQ(Bmw.unknownCount, 0);
}

TEST_F(BmwTest, InitFillsTheReportTexts)
{
    memset(&Bmw, 0x5A, sizeof Bmw);
    bmwRunKind = BMW_RUN_SCAN;
    ASSERT_EQ(bmwinit(), 0);
    EXPECT_EQ(bmwRunKind, BMW_RUN_IMPORT);
    EXPECT_EQ(Bmw.msgCount, 0);
    EXPECT_EQ(Bmw.unknownCount, 0);
    EXPECT_STREQ(Bmw.program, "ZVZERA  Import");
    EXPECT_STREQ(Bmw.version, "03.04 - 04.12.2009");
    EXPECT_STREQ(Bmw.systemId, "");
    EXPECT_STREQ(Bmw.jobId, "X");
    EXPECT_STREQ(Bmw.logFile, "ZVZERA.LOG");
    EXPECT_STREQ(Bmw.msgFile, "ZVZERA.MSG");
    EXPECT_EQ(Bmw.printLines, 60);

    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_STREQ(Bmw.cwd, strlen(cwd) <= 80 ? cwd : "");

    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char date[32], ymd[16];
    strftime(date, sizeof date, "%d-%b-%y", &local);
    strftime(ymd, sizeof ymd, "%Y%m%d", &local);
    EXPECT_STREQ(Bmw.date, date);
    EXPECT_EQ(Bmw.dateYmd, atoi(ymd));

    for (int n : {31, 32, 33}) {
        char rutnam[] = "BMW";
        short number = (short)n;
        char want[BMW_CTXT_LEN] = "";
        if (c_txt(rutnam, &number, want) != 0)
            want[0] = '\0';
        std::string expected = std::string(want).substr(0, BMW_TEXT_LEN - 1);
        const char *got = n == 31 ? Bmw.text31 : n == 32 ? Bmw.text32 : Bmw.text33;
        EXPECT_EQ(std::string(got), expected) << n;
    }
}

TEST(BmwGetenvTest, AnswersBuiltInSettingsOnly)
{
    const struct {
        const char *name;
        const char *answer;
    } cases[] = {{"LYSMO_PROG", "ZVZERA  Import"}, {"LYSMO_VERSION", "03.04 - 04.12.2009"}, {"LYSMO_SYS_ID", ""},
                 {"LYSMO_JOB_ID", "X"},            {"LOGFIL", "ZVZERA.LOG"},               {"MSGFIL", "ZVZERA.MSG"},
                 {"LYSMO_PRINT_LIN", "60"},        {"HOME", "unchanged"},                  {"logfil", "unchanged"}};
    for (const auto &c : cases) {
        char out[BMW_TEXT_LEN] = "unchanged";
        EXPECT_EQ(bmwgetenv(c.name, out, sizeof out), 0);
        EXPECT_STREQ(out, c.answer) << c.name;
    }
    char small[4] = "";
    bmwgetenv("LOGFIL", small, sizeof small);
    EXPECT_STREQ(small, "ZVZ");
}

} // namespace
