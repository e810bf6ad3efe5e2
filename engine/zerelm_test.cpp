#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine_testing.h"

namespace {

const double PI = 3.14159265358979323846;

class ZerelmTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        bmwinit();
        sett(ZERA_CHARSET_ISO);
    }

    void TearDown() override
    {
        Mstemtab.rowCount = 0;
        EngineTest::TearDown();
    }

    void sett(int16_t charset)
    {
        ASSERT_EQ(shead_init(&charset, &head, &keys), 0);
        NO = keys.coordKey;
    }

    int parse(const std::string &group, int16_t pass = 2, int32_t line = 7)
    {
        return zerget_elm(group.c_str(), &head, &keys, &line, &pass);
    }

    // The last message registered, as "ROUTINE number"; "" when none.
    std::string melding() const
    {
        if (Bmw.msgCount == 0)
            return "";
        int i = Bmw.msgCount - 1;
        return std::string(Bmw.msg.rutnam[i]) + " " + std::to_string(Bmw.msg.number[i]);
    }

    std::vector<int> refs() const { return std::vector<int>(Elm.ref, Elm.ref + Elm.refCount); }
    std::vector<int> refGroups() const { return std::vector<int>(Elm.refGroup, Elm.refGroup + Elm.refCount); }
    std::vector<std::string> themes() const
    {
        return std::vector<std::string>(Elm.theme, Elm.theme + Elm.themeCount);
    }

    SheadStruct head{};
    ScharStruct keys{};
    std::string NO;
};

TEST_F(ZerelmTest, GroupNamesSerialsAndRefusedGroups)
{
    struct Case {
        const char *name;
        std::string group;
        int rc;
        int type;
        int serial;
        const char *message; // "" nothing registered
        const char *theme0;
    };
    const std::string tema = "..PTEMA 1010\n";
    const Case cases[] = {
        {"point", ".PUNKT 12:\n" + tema + NO + "\n1 1\n", 0, ZERA_PUNKT, 12, "", "1010"},
        {"negative serial of a sub-point", ".PUNKT -1:\n" + tema + NO + "\n1 1\n", 0, ZERA_PUNKT, -1, "", "1010"},
        {"serial 0", ".PUNKT 0:\n" + tema + NO + "\n1 1\n", -1, ZERA_PUNKT, 0, "SG_ELM 2", ""},
        {"serial not a number", ".PUNKT 1x:\n" + tema + NO + "\n1 1\n", -1, ZERA_PUNKT, 0, "SG_ELM 2", ""},
        {"no colon on the group line", ".PUNKT 12\n" + tema + "..REF :1\n" + NO + "\n1 1\n", -1, ZERA_PUNKT, 0,
         "SG_ELM 3", ""},
        {"colon past 100 characters", ".PUNKT" + std::string(95, ' ') + "12:\n" + tema + NO + "\n1 1\n", -1,
         ZERA_PUNKT, 0, "SG_ELM 3", ""},
        {"no coordinates", ".PUNKT 12:\n" + tema, -1, ZERA_PUNKT, 12, "SG_ELM 4", "" },
        {"height block only starts the coordinates too", ".PUNKT 12:\n" + tema + keys.coordHKey + "\n1 1 1\n", 0,
         ZERA_PUNKT, 12, "", "1010"},
        {"unknown group", ".FOO 3:\n" + tema, -1, ZERA_UKJENT, 7, "SG_ELM 1", ".FOO"},
        {"lower-case name", ".punkt 3:\n" + tema + NO + "\n1 1\n", -1, ZERA_UKJENT, 7, "SG_ELM 1", ".punkt"},
        {"empty group", "", -1, ZERA_UKJENT, 7, "SG_ELM 1", ""},
        {"header among the elements", ".HODE\n..TEGNSETT ISO8859-1\n", -1, ZERA_HODE, 7, "SG_ELM 16", ".HODE"},
        {"definition group", ".DEF\n..X 1\n", -1, ZERA_DEF, 7, "SG_ELM 15", ".DEF"},
        {"end group", ".SLUTT\n", 0, ZERA_SLUTT, 0, "", ""},
        {"neither theme nor object type", ".PUNKT 12:\n" + NO + "\n1 1\n", -1, ZERA_PUNKT, 12, "SG_ELM 6", ""},
        {"raster needs no theme", ".RASTER 12:\n..PIXEL-ST\xD8RR 0.5 0.25\n...BILDE-FIL \"k.tif\"\n" + NO + "\n1 1\n", 0,
         ZERA_RASTER, 12, "", ""},
        {"circle without radius", ".SIRKEL 12:\n..LTEMA 2000\n" + NO + "\n1 1\n..RADIUS 5\n", -1, ZERA_SIRKEL, 12,
         "SG_ELM 7", "2000"},
        {"text without text", ".TEKST 12:\n..TTEMA 1000\n" + NO + "\n1 1\n", -1, ZERA_TEKST, 12, "SG_ELM 9", "1000"},
        {"text too long", ".TEKST 12:\n..TTEMA 1000\n..STRENG \"" + std::string(90, 'x') + "\"\n" + NO + "\n1 1\n", -1,
         ZERA_TEKST, 12, "SG_ELM 8", "1000"},
        {"raster without pixel size", ".RASTER 12:\n..FTEMA 1\n...BILDE-FIL k.tif\n" + NO + "\n1 1\n", -1,
         ZERA_RASTER, 12, "SG_ELM 21", "1"},
        {"raster without image", ".RASTER 12:\n..FTEMA 1\n..PIXEL-ST\xD8RR 1 1\n" + NO + "\n1 1\n", -1, ZERA_RASTER,
         12, "SG_ELM 22", "1"},
        {"area without references", ".FLATE 12:\n..FTEMA 4001\n" + NO + "\n1 1\n", -1, ZERA_FLATE, 12, "SG_ELM 10",
         "4001"},
        {"route needs no coordinates", ".TRASE 12:\n..LTEMA 2000\n..REF :1 :2\n", 0, ZERA_TRASE, 12, "", "2000"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        bmwinit();
        EXPECT_EQ(parse(c.group), c.rc);
        EXPECT_EQ(Elm.type, c.type);
        EXPECT_EQ(Elm.mode, 2);
        EXPECT_STREQ(Elm.theme[0], c.theme0);
        if (c.rc == 0) {
            EXPECT_EQ(Elm.serial, c.serial);
        }
        EXPECT_EQ(melding(), c.message);
        if (c.message[0] != '\0') {
            int i = Bmw.msgCount - 1;
            EXPECT_EQ(Bmw.msg.type[i], BMW_ERROR);
            EXPECT_EQ(Bmw.msg.line[i], c.serial != 0 ? c.serial : 1);
            EXPECT_EQ(Bmw.msg.elementType[i], c.type);
            if (c.theme0[0] == '\0') {
                EXPECT_STREQ(Bmw.msg.theme[i], "0000");
            }
            int counted = 0;
            for (int t = 0; t < ZERA_TYPE_COUNT; t++)
                counted += Bmw.errors[t];
            EXPECT_EQ(counted, (c.type >= 1 && c.type <= ZERA_TYPE_COUNT) ? 1 : 0);
        }
    }
}

TEST_F(ZerelmTest, PassModesTypeOrParseAndCount)
{
    const std::string flate = ".FLATE 5:\n..FTEMA 4001\n..REF :1 :2\n" + NO + "\n1 1\n";
    const std::string punkt = ".PUNKT 6:\n..PTEMA 1010\n" + NO + "\n1 1\n";
    const struct {
        const std::string *group;
        int16_t pass;
        bool parsed;
        int read;
    } cases[] = {
        {&flate, 0, false, 0}, {&flate, 1, true, 1}, {&flate, 2, true, 0},
        {&punkt, 0, true, 1},  {&punkt, 1, false, 0}, {&punkt, 2, true, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(*c.group + " pass " + std::to_string(c.pass));
        bmwinit();
        EXPECT_EQ(parse(*c.group, c.pass), 0);
        int type = (c.group == &flate) ? ZERA_FLATE : ZERA_PUNKT;
        EXPECT_EQ(Elm.type, type);
        EXPECT_EQ(Elm.serial != 0, c.parsed);
        EXPECT_EQ(Elm.themeCount, c.parsed ? 1 : 0);
        EXPECT_EQ(Bmw.read[type - 1], c.read);
        EXPECT_EQ(Bmw.msgCount, 0);
    }
}

TEST_F(ZerelmTest, ThemeKeysBeforeTheCoordinates)
{
    std::string elleve;
    for (int i = 1; i <= 11; i++)
        elleve += "..LTEMA " + std::to_string(1000 + i) + "\n";
    const struct {
        const char *name;
        std::string group;
        int rc;
        std::vector<std::string> themes;
    } cases[] = {
        {"two theme lines", ".PUNKT 1:\n..PTEMA 1010\n..PTEMA 2101\n" + NO + "\n1 1\n", 0, {"1010", "2101"}},
        {"keys and values that only contain TEMA",
         ".KURVE 1:\n..LTEMA 2000\n..TEMAKODE 77\n..XTEMAX 5\n..STRENG NYTEMA\n" + NO + "\n1 1\n2 2\n", 0, {"2000"}},
        {"sub-point themes after the coordinates",
         ".KURVE 1:\n..LTEMA 2000\n" + NO + "\n1 1\n2 2 ...PTEMA 2200\n", 0, {"2000"}},
        {"CR after the value", ".PUNKT 1:\r\n..PTEMA 1010\r\n" + NO + "\r\n1 1\r\n", 0, {"1010"}},
        {"long theme cut to fit", ".PUNKT 1:\n..PTEMA " + std::string(60, '7') + "\n" + NO + "\n1 1\n", 0,
         {std::string(ZERA_THEME_LEN - 1, '7')}},
        {"eleven themes", ".KURVE 1:\n" + elleve + NO + "\n1 1\n2 2\n", -1, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        bmwinit();
        EXPECT_EQ(parse(c.group), c.rc);
        if (c.rc == 0) {
            EXPECT_EQ(themes(), c.themes);
        } else {
            EXPECT_EQ(melding(), "SG_ELM 5");
        }
    }
    bmwinit();
    EXPECT_EQ(parse(".KURVE 1:\n" + elleve.substr(elleve.find("..LTEMA 1002")) + NO + "\n1 1\n2 2\n"), 0);
    EXPECT_EQ(Elm.themeCount, ZERA_MAX_THEMES);
}

TEST_F(ZerelmTest, ObjectTypeAndThemeFromIt)
{
    Mstemtab.rowCount = 1;
    kopier(Mstemtab.objtype[0], MT_FIELD_LEN, "Fastmerke");
    kopier(Mstemtab.tema[0], MT_FIELD_LEN, "1010");

    ASSERT_EQ(parse(".PUNKT 1:\n..OBJTYPE fastmerke\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.objtype, "fastmerke");
    EXPECT_EQ(themes(), std::vector<std::string>{"1010"});

    // An object type the table lacks still identifies the element.
    ASSERT_EQ(parse(".PUNKT 1:\n..OBJTYPE Ukjent\n" + NO + "\n1 1\n"), 0);
    EXPECT_EQ(Elm.themeCount, 0);
    // A theme key wins over the object type.
    ASSERT_EQ(parse(".PUNKT 1:\n..OBJTYPE Fastmerke\n..PTEMA 2101\n" + NO + "\n1 1\n"), 0);
    EXPECT_EQ(themes(), std::vector<std::string>{"2101"});

    // After the coordinates it is not an attribute; "..KOMM" counts anywhere.
    head.komm = 44;
    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1010\n" + NO + "\n1 1\n..OBJTYPE Veg\n..KOMM 0301\n"), 0);
    EXPECT_STREQ(Elm.objtype, "");
    EXPECT_EQ(Elm.komm, 301);
    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1010\n..KOMMENTAR 12\n" + NO + "\n1 1\n"), 0);
    EXPECT_EQ(Elm.komm, 44);

    // Read in the file's set, held in set 1.
    sett(ZERA_CHARSET_DOS);
    ASSERT_EQ(parse(".PUNKT 1:\n..OBJTYPE Bj\x9B" "rk\n..PTEMA 1010\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.objtype, "Bj\xF8rk");
    sett(ZERA_CHARSET_ISO);
    ASSERT_EQ(parse(".PUNKT 1:\n..OBJTYPE " + std::string(80, 'O') + "\n" + NO + "\n1 1\n"), 0);
    EXPECT_EQ(strlen(Elm.objtype), (size_t)ZERA_NAME_LEN - 1);
}

TEST_F(ZerelmTest, AttributesAndHeaderDefaults)
{
    head.enhet = 0.01;
    head.dato = 20000101;
    head.komm = 301;
    const int32_t headKvalitet[6] = {82, 100, 3, 0, 0, 0};
    memcpy(head.kvalitet, headKvalitet, sizeof headKvalitet);

    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1010\n" + NO + "\n1 1\n..ENHET 5\n..DATO 19991231\n..DREI 100\n"), 0);
    EXPECT_DOUBLE_EQ(Elm.enhet, 0.01);
    EXPECT_EQ(Elm.dato, 20000101);
    EXPECT_EQ(Elm.komm, 301);
    EXPECT_DOUBLE_EQ(Elm.angle, 0);
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(Elm.kvalitet[i], headKvalitet[i]) << i;

    ASSERT_EQ(parse(".LINJE 2:\n..LTEMA 2000\n..ENHET 0.1\n..KVALITET 90 * 5\n..DATO 20240229\n..HOB 2.5\n"
                    "..HREF ABCDEF\n..MEDIUM UTE\n..STATUS XY\n..UT 1\n..EDIT 300\n..FLYTT 2 -1\n..DREI 100\n"
                    "..DIM 2.5 3\n..TDIM 9 9\n..GLATT 1\n..DIMENSJON 7 7\n" +
                    NO + "\n1 1\n2 2\n"),
              0);
    EXPECT_DOUBLE_EQ(Elm.enhet, 0.1);
    const int32_t kvalitet[6] = {90, -1, 5, 0, 0, 0};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(Elm.kvalitet[i], kvalitet[i]) << i;
    EXPECT_EQ(Elm.dato, 20240229);
    EXPECT_DOUBLE_EQ(Elm.hob, 2.5);
    EXPECT_STREQ(Elm.href, "ABC");
    EXPECT_STREQ(Elm.medium, "UTE");
    EXPECT_STREQ(Elm.status, "X");
    EXPECT_EQ(Elm.ut, 1);
    EXPECT_EQ(Elm.edit, 300);
    EXPECT_DOUBLE_EQ(Elm.flytt[0], 2);
    EXPECT_DOUBLE_EQ(Elm.flytt[1], -1);
    EXPECT_NEAR(Elm.angle, PI / 2, 1e-12);
    EXPECT_DOUBLE_EQ(Elm.dim[0], 25);
    EXPECT_DOUBLE_EQ(Elm.dim[1], 30);
    EXPECT_EQ(Elm.glatt, 1);

    ASSERT_EQ(parse(".TEKST 3:\n..TTEMA 1000\n..STRENG Hei\n..TDIM 1.5 2\n..ENHET 0\n" + NO + "\n1 1\n"), 0);
    EXPECT_DOUBLE_EQ(Elm.dim[0], 15);
    EXPECT_DOUBLE_EQ(Elm.dim[1], 20);
    EXPECT_DOUBLE_EQ(Elm.enhet, 0.01);
}

TEST_F(ZerelmTest, TypeSpecificValues)
{
    ASSERT_EQ(parse(".TEKST 1:\n..TTEMA 1000\n..SYMBOL\n..ATIL 3\n..STRENG Hei\n" + NO + "\n1 1\n"), 0);
    EXPECT_EQ(Elm.type, ZERA_PUNKT);
    EXPECT_EQ(Elm.style, 403);
    EXPECT_STREQ(Elm.text, "");
    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1000\n..BYGGTYP 2\n" + NO + "\n1 1\n"), 0);
    EXPECT_EQ(Elm.style, 502);

    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1000\n..GID 1234 56 78\r\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.text, "1234/56,78");
    head.zeraVersjon = 2.1;
    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1000\n..FMID A B C D\n..GID 9\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.text, "B");
    head.zeraVersjon = 2.2;
    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1000\n..FMID A B C D\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.text, "D");

    ASSERT_EQ(parse(".BUE 1:\n..LTEMA 2000\n..RADIUS -12.5\n..STORBUE 1\n" + NO + "\n1 1\n2 2\n"), 0);
    EXPECT_DOUBLE_EQ(Elm.radius, -12.5);
    EXPECT_EQ(Elm.storbue, 1);
    ASSERT_EQ(parse(".BUE 1:\n..LTEMA 2000\n..RADIUS 3\n..STORBUE 2\n" + NO + "\n1 1\n2 2\n"), 0);
    EXPECT_EQ(Elm.storbue, 0);
    ASSERT_EQ(parse(".KLOTOIDE 1:\n..LTEMA 2000\n..KLOTRAD1 10\n..KLOTRAD2 20\n..KLOTPAR 3.5\n" + NO + "\n1 1\n"), 0);
    EXPECT_DOUBLE_EQ(Elm.klotrad1, 10);
    EXPECT_DOUBLE_EQ(Elm.klotrad2, 20);
    EXPECT_DOUBLE_EQ(Elm.klotpar, 3.5);
    ASSERT_EQ(parse(".RASTER 1:\n..PIXEL-ST\xD8RR 0.5 0.25\n...BILDE-FIL \"kart 1.tif\"\n" + NO + "\n1 1\n"), 0);
    EXPECT_DOUBLE_EQ(Elm.dim[0], 0.5);
    EXPECT_DOUBLE_EQ(Elm.dim[1], 0.25);
    EXPECT_STREQ(Elm.text, "kart 1.tif");

    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1000\n! ..DST-COLOR 5\n! ..DST-LINE 3\n" + NO + "\n1 1\n"), 0);
    EXPECT_EQ(Elm.colour, 5);
    EXPECT_EQ(Elm.style, 3);

    std::string symbol = ".SYMBOL 1:\n..PTEMA 1000\n..ATIL 3\n..MYR 1\n..JORD\n..MYRA 2\n";
    ASSERT_EQ(parse(symbol + NO + "\n1 1\n2 2\n3 3\n"), 0);
    ASSERT_EQ(Elm.symbolCount, 3);
    EXPECT_STREQ(Elm.symbol[0], "..ATIL3");
    EXPECT_STREQ(Elm.symbol[1], "..MYR1");
    EXPECT_STREQ(Elm.symbol[2], "..JORD");
    for (int i = 0; i < 150; i++)
        symbol += "..TFSKOG " + std::string(30, 'x') + "\n";
    ASSERT_EQ(parse(symbol + NO + "\n1 1\n2 2\n3 3\n"), 0);
    EXPECT_EQ(Elm.symbolCount, ZERA_MAX_SYMBOLS);
    EXPECT_EQ(strlen(Elm.symbol[ZERA_MAX_SYMBOLS - 1]), (size_t)ZERA_SYMBOL_LEN - 1);
}

TEST_F(ZerelmTest, TextsFromTheFileSet)
{
    sett(ZERA_CHARSET_DOS);
    ASSERT_EQ(parse(".TEKST 3:\n..TTEMA 1000\n..STRENG \"Storgate \x9D\"\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.text, "Storgate \xD8");
    ASSERT_EQ(parse(".TEKST 3:\n..TTEMA 1000\n...SNAVN Bl\x86sen\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.text, "Bl\xE5sen");
    sett(ZERA_CHARSET_7BIT);
    ASSERT_EQ(parse(".FLATE 3:\n..FTEMA 4001\n..STRENG \"[ble\"\n..REF :1\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.text, "\xC6" "ble");
}

TEST_F(ZerelmTest, ReferencesWithIslands)
{
    const struct {
        const char *name;
        std::string list;
        std::vector<int> refs, groups;
        const char *message;
    } cases[] = {
        {"outer and one island", "..REF :1 :2 (:3 :4)\n", {1, 2, 3, 4}, {0, 0, 1, 1}, ""},
        {"forth and back drops out", "..REF :1 :-1 :2\n", {2}, {0}, ""},
        {"signs kept", "..REF :-7 :8 (:-9)\n", {-7, 8, -9}, {0, 0, 1}, ""},
        {"repeat in the outer boundary", "..REF :1 :2 :1\n", {}, {}, "SG_ELM 13"},
        {"repeat in an island", "..REF :1 (:2 :3 :2)\n", {}, {}, "SG_ELM 13"},
        {"repeat after an island", "..REF :1 (:2) :3 :1\n", {}, {}, "SG_ELM 13"},
        {"same line in two boundaries", "..REF :1 :2 (:1 :3)\n", {1, 2, 1, 3}, {0, 0, 1, 1}, ""},
        {"two islands", "..REF :1 (:2 :3) (:4 :5)\n", {1, 2, 3, 4, 5}, {0, 1, 1, 2, 2}, ""},
        {"continuation lines", "..REF :1 :2\n:3 (:4\n  :5)\n", {1, 2, 3, 4, 5}, {0, 0, 0, 1, 1}, ""},
        {"old key and its continuation", ".. :1 :2\n.. :3 (:4\n.. :5)\n", {1, 2, 3, 4, 5}, {0, 0, 0, 1, 1}, ""},
        {"list ends at the next key", "..REF :1 :2\n..STRENG \"kl 12:30\"\n..X :9\n", {1, 2}, {0, 0}, ""},
        {"garbage between references", "..REF : :abc :5 ((:6)\n", {5, 6}, {0, 2}, ""},
        {"all cancelled", "..REF :1 :-1\n", {}, {}, "SG_ELM 10"},
        {"empty list", "..REF\n", {}, {}, "SG_ELM 10"},
        {"no list", "..X :1\n", {}, {}, "SG_ELM 10"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        bmwinit();
        int rc = parse(".TRASE 5:\n..LTEMA 2000\n" + c.list);
        EXPECT_EQ(rc, c.message[0] == '\0' ? 0 : -1);
        EXPECT_EQ(melding(), c.message);
        if (rc == 0) {
            EXPECT_EQ(refs(), c.refs);
            EXPECT_EQ(refGroups(), c.groups);
        }
    }
}

TEST_F(ZerelmTest, ReferenceCountIsBounded)
{
    auto liste = [](int n) {
        std::string s = ".FLATE 9:\n..FTEMA 4001\n..REF";
        for (int i = 1; i <= n; i++)
            s += (i % 10 == 1 ? "\n:" : " :") + std::to_string(i);
        return s + "\n";
    };
    ASSERT_EQ(parse(liste(ZERA_MAX_REFS - 1) + NO + "\n1 1\n"), 0);
    EXPECT_EQ(Elm.refCount, ZERA_MAX_REFS - 1);
    EXPECT_EQ(Elm.ref[ZERA_MAX_REFS - 2], ZERA_MAX_REFS - 1);

    for (int n : {ZERA_MAX_REFS, ZERA_MAX_REFS + 3000}) {
        bmwinit();
        Elm.ref[ZERA_MAX_REFS - 1] = -5;
        EXPECT_EQ(parse(liste(n) + NO + "\n1 1\n"), -1);
        EXPECT_EQ(melding(), "SG_ELM 12");
        EXPECT_EQ(Bmw.errors[ZERA_FLATE - 1], 1);
        EXPECT_EQ(Elm.ref[ZERA_MAX_REFS - 1], -5);
    }

    // Forth and back many times over: the repeat check keeps working.
    std::string s = ".TRASE 5:\n..LTEMA 2000\n..REF";
    for (int i = 0; i < 20000; i++)
        s += " :" + std::to_string(i + 1) + " :-" + std::to_string(i + 1);
    s += " :3 :4 :3\n";
    bmwinit();
    EXPECT_EQ(parse(s), -1);
    EXPECT_EQ(melding(), "SG_ELM 13");
}

// A sub-line belongs to the line above it: it stays in rest under its
// parent, and a modelled key written as a sub-line is not the element's.
TEST_F(ZerelmTest, SubLinesStayUnderTheirParentAndAreNotModelled)
{
    head.komm = 301;
    struct Tilfelle {
        const char *attributter;
        const char *rest;
        int16_t komm;
    } tilfeller[] = {
        {"..KVALITET\n...M\xC5LEMETODE 82\n...N\xD8YAKTIGHET 0\n",
         "..KVALITET\n...M\xC5LEMETODE 82\n...N\xD8YAKTIGHET 0", 301},
        {"..PLANREF\n...KOMM 1234\n...PLANID 7\n", "..PLANREF\n...KOMM 1234\n...PLANID 7", 301},
        {"..KOMM 77\n..PLANREF\n...KOMM 1234\n", "..PLANREF\n...KOMM 1234", 77},
        {"..PLANREF\n...DATO 19990101\n....ENHET 5\n", "..PLANREF\n...DATO 19990101\n....ENHET 5", 301},
    };
    for (const Tilfelle &t : tilfeller) {
        ASSERT_EQ(parse(std::string(".LINJE 1:\n..LTEMA 1000\n") + t.attributter + NO + "\n1 1\n2 2\n"), 0)
            << t.attributter;
        EXPECT_STREQ(Elm.rest, t.rest) << t.attributter;
        EXPECT_EQ(Elm.komm, t.komm) << t.attributter;
        EXPECT_EQ(Elm.dato, head.dato) << t.attributter;
        EXPECT_DOUBLE_EQ(Elm.enhet, head.enhet) << t.attributter;
    }
}

TEST_F(ZerelmTest, RestKeepsUnmodelledLinesInIso8859_1)
{
    ASSERT_EQ(parse(".KURVE 1:\n..HREF ABC\n..XYZ \"\xC6" "ble\"\n..LTEMA 1000\n" + NO + "\n1 1\n2 2\n..ABC 1\n"), 0);
    EXPECT_STREQ(Elm.rest, "..HREF ABC\n..XYZ \"\xC6" "ble\"");
    EXPECT_EQ(Elm.restLen, (int)strlen(Elm.rest));

    ASSERT_EQ(parse(".TEKST 1:\n..TTEMA 1000\n..OBJTYPE Veg\n..ENHET 0.1\n..DATO 20240101\n..DIM 1 1\n"
                    "..KP 1\n..KOMM 1\n..REF :3\n.. :4\n..STRENG Hei\n..KVALITET 1 2\n..TEMAKODE 5\n..DYBDE 3\n"
                    "..H\xD8YDE 4\n..RADIUS 1\n..NAVN Tore \n" +
                    NO + "\n1 1\n"),
              0);
    EXPECT_STREQ(Elm.rest, "..OBJTYPE Veg\n..KVALITET 1 2\n..TEMAKODE 5\n..NAVN Tore");
    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1000\n..STRENG \"Hei.. du\"\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.rest, "..STRENG \"Hei.. du\"");

    // The text stays within its capacity: lines are kept whole or not at all.
    std::string lang = ".PUNKT 1:\n..PTEMA 1000\n";
    for (int i = 0; i < 30; i++)
        lang += "..L" + std::to_string(10 + i) + " " + std::string(94, 'x') + "\n";
    ASSERT_EQ(parse(lang + NO + "\n1 1\n"), 0);
    EXPECT_EQ(Elm.restLen, 19 * 101 - 1);
    EXPECT_EQ(Elm.restLen, (int)strlen(Elm.rest));
    EXPECT_EQ(std::string(Elm.rest).substr(Elm.restLen - 100), "..L28 " + std::string(94, 'x'));
    const std::string full = "..L " + std::string(ZERA_REST_LEN - 5, 'x');
    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1000\n" + full + "\n" + NO + "\n1 1\n"), 0);
    EXPECT_EQ(std::string(Elm.rest), full);
    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1000\n" + full + "y\n..M 1\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.rest, "");

    sett(ZERA_CHARSET_DOS);
    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1000\n..NAVN Bj\x9B" "rn\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.rest, "..NAVN Bj\xF8rn");
    sett(ZERA_CHARSET_7BIT);
    ASSERT_EQ(parse(".PUNKT 1:\n..PTEMA 1000\n..NAVN Bj|rn\n" + NO + "\n1 1\n"), 0);
    EXPECT_STREQ(Elm.rest, "..NAVN Bj\xF8rn");
}

// A CRLF group parses exactly like its LF copy.
TEST_F(ZerelmTest, CrlfGroupReadsLikeLf)
{
    const std::string lf = ".FLATE 21:\n..OBJTYPE Bygning\n..FTEMA 4001\n..FTEMA 4002\n..KVALITET 82 * 3\n"
                           "..DATO 20240101\n..KOMM 0301\n..HREF ABC\n..GID 12 34 56\n..NAVN Hus\n..REF :1 :2\n"
                           ":3 (:4 :5)\n" +
                           NO + "\n100 200\n";
    std::string crlf;
    for (char c : lf)
        crlf += (c == '\n') ? std::string("\r\n") : std::string(1, c);
    ASSERT_EQ(parse(lf), 0);
    ElmStruct *a = new ElmStruct(Elm);
    ASSERT_EQ(zerget_coord(lf.c_str(), &head, &keys), 0);
    double n = Elm.N[0], e = Elm.E[0];
    ASSERT_EQ(parse(crlf), 0);
    EXPECT_EQ(themes(), (std::vector<std::string>{"4001", "4002"}));
    EXPECT_STREQ(Elm.objtype, a->objtype);
    EXPECT_STREQ(Elm.href, a->href);
    EXPECT_STREQ(Elm.text, "12/34,56");
    EXPECT_STREQ(Elm.text, a->text);
    EXPECT_STREQ(Elm.rest, a->rest);
    EXPECT_STREQ(Elm.rest, "..OBJTYPE Bygning\n..KVALITET 82 * 3\n..HREF ABC\n..GID 12 34 56\n..NAVN Hus");
    EXPECT_EQ(0, memcmp(Elm.kvalitet, a->kvalitet, sizeof Elm.kvalitet));
    EXPECT_EQ(Elm.dato, a->dato);
    EXPECT_EQ(Elm.komm, 301);
    EXPECT_EQ(refs(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(0, memcmp(Elm.refGroup, a->refGroup, sizeof(int16_t) * 5));
    ASSERT_EQ(zerget_coord(crlf.c_str(), &head, &keys), 0);
    EXPECT_EQ(Elm.N[0], n);
    EXPECT_EQ(Elm.E[0], e);
    delete a;
}

// Truncated and corrupted groups: whatever the bytes, the parser and the
// coordinate reader return and keep every count within its array.
TEST_F(ZerelmTest, DamagedGroupsNeverBreakTheRecord)
{
    const std::string groups[] = {
        ".PUNKT 12:\n..OBJTYPE Fastmerke\n..PTEMA 1010\n..KVALITET 82 * 3\n..STRENG \"Hei du\"\n..GID 1 2 3\n" + NO +
            "\n100 200 ...KP 3\n",
        ".KURVE 13:\n..LTEMA 2000\n..H\xD8YDE 12\n" + NO + "\n1 1\n2 2 ...PTEMA 2200 ...KP 4\n" + keys.coordHKey +
            "\n3 3 3\n",
        ".FLATE 14:\n..FTEMA 4001\n..REF :1 :2 (:3 :4) (:5\n:6)\n.. :7\n" + NO + "\n1 1\n",
        ".BUE 15:\n..LTEMA 2000\n..RADIUS 5\n..STORBUE 1\n" + NO + "\n0 0\n0 10\n",
        ".BUEP 15:\n..LTEMA 2000\n" + NO + "\n0 0\n5 5\n10 0\n",
        ".TEKST 16:\n..TTEMA 1000\n..STRENG 'it''s\n..DREI 50\n" + NO + "\n0 0\n0 0\n1 1\n",
        ".SYMBOL 17:\n..PTEMA 1000\n..ATIL 3\n..MYR\n" + NO + "\n5 5\n0 0\n1 1\n",
        ".RASTER 18:\n..PIXEL-ST\xD8RR 1\n...BILDE-FIL \"x\n" + NO + "\n1 1\n",
    };
    std::mt19937 rng(20240601);
    const char garbage[] = {'.', ':', '(', ')', '"', '\'', '\r', '\n', ' ', '!', '-', '9', 'T', '\xD8', '\0'};
    int runs = 0;
    auto check = [&](const std::string &g) {
        runs++;
        int16_t pass = (int16_t)(runs % 3);
        int32_t line = 1;
        if (zerget_elm(g.c_str(), &head, &keys, &line, &pass) == 0 && Elm.type > 0) {
            zerget_coord(g.c_str(), &head, &keys);
            char out[300];
            const char *from = g.c_str();
            const char *next = nullptr;
            for (int i = 0; i < 50 && zerget_ptema(&keys, out, sizeof out, from, g.c_str(), &next) == 0; i++) {
                ASSERT_LT(strlen(out), sizeof out);
                from = next;
            }
        }
        ASSERT_GE(Elm.pointCount, 0);
        ASSERT_LT(Elm.pointCount, ZERA_MAX_POINTS);
        ASSERT_GE(Elm.refCount, 0);
        ASSERT_LT(Elm.refCount, ZERA_MAX_REFS);
        ASSERT_LE(Elm.themeCount, ZERA_MAX_THEMES);
        ASSERT_LE(Elm.symbolCount, ZERA_MAX_SYMBOLS);
        ASSERT_EQ((size_t)Elm.restLen, strlen(Elm.rest));
        ASSERT_LT(strlen(Elm.text), sizeof Elm.text);
        ASSERT_LT(strlen(Elm.objtype), sizeof Elm.objtype);
    };
    for (const std::string &g : groups) {
        for (size_t len = 0; len <= g.size(); len++)
            check(g.substr(0, len));
        for (int round = 0; round < 300; round++) {
            std::string m = g;
            int edits = 1 + (int)(rng() % 4);
            for (int k = 0; k < edits; k++) {
                size_t at = rng() % m.size();
                switch (rng() % 3) {
                case 0:
                    m[at] = garbage[rng() % sizeof garbage];
                    break;
                case 1:
                    m.insert(at, std::string(1 + rng() % 40, garbage[rng() % sizeof garbage]));
                    break;
                default:
                    m.erase(at, 1 + rng() % 8);
                    break;
                }
                if (m.empty())
                    m = ".";
            }
            check(std::string(m.c_str())); // up to an inserted terminator
        }
    }
    bmwinit();
    EXPECT_EQ(parse(groups[0]), 0);
    EXPECT_EQ(Bmw.msgCount, 0);
}

// Groups that fill most of the group buffer with one long token or list:
// the parse stays linear in the group's size.
TEST_F(ZerelmTest, LongTokensAndListsParseInLinearTime)
{
    auto fyll = [](std::string s, const std::string &bit, size_t size) {
        while (s.size() + bit.size() < size)
            s += bit;
        return s;
    };
    const size_t size = ZERA_GROUP_BUFFER / 4;
    const struct {
        const char *name;
        std::string group;
        int themes;
        std::vector<int> refs;
    } cases[] = {
        {"theme fragments in one token",
         fyll(".TRASE 1:\n..LTEMA 2000\n..X x", "TEMA:", size) + "\n..REF :1\n", 1, {1}},
        {"theme fragments in an attribute line",
         fyll(".KURVE 1:\n..LTEMA 2000\n..X x", "TEMA:", size) + "\n" + NO + "\n1 1\n2 2\n", 1, {}},
        {"forth and back",
         fyll(".FLATE 1:\n..FTEMA 4001\n..REF", " :1 :-1", ZERA_GROUP_BUFFER - 100) + " :2\n" + NO + "\n1 1\n", 1,
         {2}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(parse(c.group), 0);
        double sekunder = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(sekunder, 2.0);
        EXPECT_EQ(Elm.themeCount, c.themes);
        EXPECT_EQ(refs(), c.refs);
    }
}

} // namespace
