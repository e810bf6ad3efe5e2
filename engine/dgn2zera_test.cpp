#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine_testing.h"
#include "child_testing.h"

namespace {

using zeratest::readFile;

struct Punkt {
    double n, e, h;
    int kp;
};

class Dgn2ZeraTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        memset(&Mstemtab, 0, sizeof Mstemtab);
        memset(&Fkbtab, 0, sizeof Fkbtab);
        alleValg(0);
        eksporterZeratema = 1;
        eksporterObjekttype = 1;
        bmwinit();
        elmclr();
        standardHode();
    }

    // Set 1, unit 0.01 at origin 0, version 4.0, level 3.
    void standardHode()
    {
        int16_t set = ZERA_CHARSET_ISO;
        shead_init(&set, &Shead, &Schar);
        Shead.koordsys = 22;
        Shead.origoN = Shead.origoE = 0.0;
        Shead.enhet = 0.01;
        Shead.zeraVersjon = 4.0;
        Shead.zeraNivaa = 3;
        Shead.dato = 20240101;
    }

    void TearDown() override
    {
        if (Filep_tmpzer != nullptr) {
            dlmSystem_mdlFclose(Filep_tmpzer);
            Filep_tmpzer = nullptr;
        }
        alleValg(0);
        EngineTest::TearDown();
    }

    static void alleValg(int v)
    {
        geoGraphics = lagreNOH = eksporterZeratema = eksporterObjekttype = v;
        matchLevel = matchColor = matchStyle = matchWeight = multHoyde = hoydeAvrunding = v;
    }

    // Makes the export header use set and its keys.
    void tegnsett(int16_t set)
    {
        Shead.charset = set;
        ASSERT_EQ(schar_init(&set, &Schar), 0);
    }

    void element(int type, const char *theme, std::vector<Punkt> punkter, int serial = 1)
    {
        elmclr();
        Elm.type = (int16_t)type;
        Elm.serial = serial;
        if (theme != nullptr) {
            kopier(Elm.theme[0], ZERA_THEME_LEN, theme);
            Elm.themeCount = 1;
        }
        Elm.pointCount = (int32_t)punkter.size();
        for (size_t i = 0; i < punkter.size(); i++) {
            Elm.N[i] = punkter[i].n;
            Elm.E[i] = punkter[i].e;
            Elm.H[i] = punkter[i].h;
            Elm.kp[i] = (int16_t)punkter[i].kp;
        }
    }

    // zerput_elm of the current element into a file of its own.
    std::string skriv(int *rc = nullptr)
    {
        std::string p = path("element.txt");
        FILE *fp = dlmSystem_mdlFopen(p.c_str(), "w");
        EXPECT_NE(fp, nullptr);
        int r = zerput_elm(fp, &Shead, &Schar, nullptr);
        dlmSystem_mdlFclose(fp);
        if (rc != nullptr)
            *rc = r;
        return readFile(p);
    }

    std::string hode(int withEnd, int *rc = nullptr)
    {
        std::string p = path("hode.hod");
        int r = zercre_head(p.c_str(), &Shead, withEnd);
        if (rc != nullptr)
            *rc = r;
        return readFile(p);
    }

    bool registrert(const char *rutnam, int number, int type)
    {
        for (int i = 0; i < Bmw.msgCount; i++)
            if (strcmp(Bmw.msg.rutnam[i], rutnam) == 0 && Bmw.msg.number[i] == number && Bmw.msg.type[i] == type)
                return true;
        return false;
    }

    int antallRegistrert(const char *rutnam, int number)
    {
        int n = 0;
        for (int i = 0; i < Bmw.msgCount; i++)
            if (strcmp(Bmw.msg.rutnam[i], rutnam) == 0 && Bmw.msg.number[i] == number)
                n++;
        return n;
    }
};

/* ---- header -------------------------------------------------------------------- */

const char *const HODE_EKSEMPEL = ".HODE\n..TEGNSETT DECM8\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n"
                                  "...ENHET 0.0100\n..OMR\xC5"
                                  "DE\n...MIN-N\xD8 6600000 500000\n...MAX-N\xD8 6601001 501001\n"
                                  "..ZERA-VERSJON 4.0\n..ZERA-NIV\xC5 3\n..KOMM 0301\n..KARTID \"Test\"\n";

TEST_F(Dgn2ZeraTest, HeaderWorkedExampleIsByteExact)
{
    Shead.dato = 0;
    Shead.minN = 6600000.4;
    Shead.minE = 500000.2;
    Shead.maxN = 6601000.3;
    Shead.maxE = 501000.9;
    Shead.komm = 301;
    kopier(Shead.kartid, sizeof Shead.kartid, "Test");
    int rc = -1;
    EXPECT_EQ(hode(1, &rc), std::string(HODE_EKSEMPEL) + ".SLUTT\n");
    EXPECT_EQ(rc, 0);

    kopier(Bmw.date, sizeof Bmw.date, "10-Dec-25");
    kopier(Bmw.program, sizeof Bmw.program, "ZVZERA  Export");
    kopier(Bmw.version, sizeof Bmw.version, "03.04 - 04.12.2009");
    EXPECT_EQ(hode(0), std::string(HODE_EKSEMPEL) + "! 10-Dec-25\n! ZVZERA  Export 03.04 - 04.12.2009\n! " +
                           path("hode.hod") + "\n!\n");
}

TEST_F(Dgn2ZeraTest, HeaderLinesByCase)
{
    struct Tilfelle {
        const char *navn;
        std::function<void()> sett;
        std::vector<std::string> har;
        std::vector<std::string> harIkke;
    };
    const std::vector<Tilfelle> tilfeller = {
        {"two-decimal version", [] { Shead.zeraVersjon = 2.21; }, {"..ZERA-VERSJON 2.21\n"}, {"..DATO"}},
        {"fractional origin keeps its decimals",
         [] {
             Shead.origoN = 6600000.5;
             Shead.origoE = -0.25;
         },
         {"...ORIGO-N\xD8 6600000.5 -0.25\n"}, {}},
        {"unit finer than four decimals", [] { Shead.enhet = 0.00004; }, {"...ENHET 0.00004\n"}, {}},
        {"unit with four decimals", [] { Shead.enhet = 0.001; }, {"...ENHET 0.0010\n"}, {}},
        {"old version: date and every quality place in use",
         [] {
             Shead.zeraVersjon = 2.1;
             Shead.kvalitet[0] = 82;
             Shead.kvalitet[1] = 100;
             Shead.kvalitet[2] = 3;
         },
         {"..ZERA-VERSJON 2.1\n", "..DATO 20240101\n", "..KVALITET 82 100 3\n"}, {}},
        {"old version without quality", [] { Shead.zeraVersjon = 2.1; }, {"..DATO 20240101\n"}, {"..KVALITET"}},
        {"four FKB values",
         [] {
             kopier(Shead.fkbdata[0], SHEAD_FKB_LEN, "A");
             kopier(Shead.fkbdata[1], SHEAD_FKB_LEN, "B");
             kopier(Shead.fkbdata[2], SHEAD_FKB_LEN, "C");
             kopier(Shead.fkbdata[3], SHEAD_FKB_LEN, "D");
         },
         {"...FKBDATA A B C D\n"}, {}},
        {"text with a double quote goes between apostrophes",
         [] { kopier(Shead.produsent, SHEAD_TEXT_LEN, "Kart \"AS\""); }, {"..PRODUSENT 'Kart \"AS\"'\n"}, {}},
        {"TRANSSYS header keeps KOORDSYS -1 and its extra lines",
         [] {
             Shead.koordsys = -1;
             kopier(Shead.extraHead, SHEAD_EXTRA_LEN, "...TRANSSYS 22 1 2 3 4 5 6\n..INFO \"x\"");
         },
         {"...KOORDSYS -1\n", "..ZERA-NIV\xC5 3\n...TRANSSYS 22 1 2 3 4 5 6\n..INFO \"x\"\n.SLUTT\n"}, {}},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        standardHode();
        t.sett();
        int rc = -1;
        std::string text = hode(1, &rc);
        EXPECT_EQ(rc, 0);
        for (const std::string &s : t.har)
            EXPECT_NE(text.find(s), std::string::npos) << s << " in\n" << text;
        for (const std::string &s : t.harIkke)
            EXPECT_EQ(text.find(s), std::string::npos) << s << " in\n" << text;
    }
}

TEST_F(Dgn2ZeraTest, HeaderReadsBackThroughTheHeaderReader)
{
    tegnsett(ZERA_CHARSET_DOS);
    Shead.zeraVersjon = 2.1;
    Shead.origoN = 1000.5;
    Shead.enhet = 0.00004;
    Shead.kvalitet[0] = 82;
    Shead.kvalitet[1] = 100;
    Shead.kvalitet[2] = 3;
    kopier(Shead.kartid, sizeof Shead.kartid, "\xD8stre \xC5s");
    kopier(Shead.eier, sizeof Shead.eier, "sa \"ja\"");
    for (int i = 0; i < 4; i++)
        kopier(Shead.fkbdata[i], SHEAD_FKB_LEN, std::string(1, char('A' + i)).c_str());
    std::string text = hode(1);
    EXPECT_NE(text.find("..KARTID \"\x9Dstre \x8Fs\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("..TEGNSETT DOSN8\n"), std::string::npos) << text;

    SheadStruct lest;
    int32_t size = 0;
    ASSERT_EQ(zerget_headinfo(path("hode.hod").c_str(), &lest, &size, zeratest::cTxtCallback()), 0);
    EXPECT_EQ(lest.charset, ZERA_CHARSET_DOS);
    EXPECT_DOUBLE_EQ(lest.origoN, 1000.5);
    EXPECT_DOUBLE_EQ(lest.enhet, 0.00004);
    EXPECT_EQ(lest.kvalitet[0], 82);
    EXPECT_EQ(lest.kvalitet[1], 100);
    EXPECT_EQ(lest.kvalitet[2], 3);
    EXPECT_STREQ(lest.kartid, "\xD8stre \xC5s");
    EXPECT_STREQ(lest.eier, "sa \"ja\"");
    EXPECT_STREQ(lest.fkbdata[3], "D");
    EXPECT_EQ(lest.dato, 20240101);
}

TEST_F(Dgn2ZeraTest, HeaderFailures)
{
    int rc = -1;
    Shead.charset = 5;
    hode(1, &rc);
    EXPECT_EQ(rc, 2);
    EXPECT_FALSE(zeratest::fileExists(path("hode.hod")));

    Shead.charset = ZERA_CHARSET_ISO;
    EXPECT_EQ(zercre_head(path("no/such/dir/a.hod").c_str(), &Shead, 1), 1);
    mdlhost_failNext("fopen", 1);
    EXPECT_EQ(zercre_head(path("b.hod").c_str(), &Shead, 1), 1);
    EXPECT_EQ(zercre_head("/dev/full", &Shead, 1), 1);
}

/* ---- coordinates ---------------------------------------------------------------- */

// The writer prints file values without printf; the bytes must be printf's.
TEST_F(Dgn2ZeraTest, FileValuesPrintAsPrintfDoes)
{
    std::vector<double> verdier = {0.0,   -0.0,  0.5,    1.5,     2.5,         -0.5,  -0.4,  -1.5,
                                   0.49999999999999994,  123456789.5, 660000012.4999, 1e15 + 0.5,
                                   9007199254740993.0,   9.1e18, -9.1e18, 9.3e18, -9.3e18,
                                   1e300, -1e300, HUGE_VAL, -HUGE_VAL, NAN, 5e-324, -5e-324};
    std::mt19937_64 tilfeldig(20240315);
    for (int i = 0; i < 20000; i++) {
        double v;
        uint64_t bits = tilfeldig();
        memcpy(&v, &bits, sizeof v);
        verdier.push_back(v);
        verdier.push_back(std::ldexp((double)(int64_t)(tilfeldig() >> 11) - 4.5e15, -(int)(tilfeldig() % 40)));
    }
    for (int modus : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(fesetround(modus), 0);
        for (double v : verdier) {
            char forventet[400], faktisk[400];
            snprintf(forventet, sizeof forventet, "%.0f", v);
            size_t n = heltall_tekst(faktisk, sizeof faktisk, v);
            ASSERT_STREQ(faktisk, forventet) << v << " rounding mode " << modus;
            ASSERT_EQ(n, strlen(forventet));
        }
    }
    fesetround(FE_TONEAREST);

    // A point far off the origin is written whole, as printf writes it.
    element(ZERA_PUNKT, "1010", {{1e300, -1e300, 0, 0}});
    char n[400], e[400];
    snprintf(n, sizeof n, "%.0f", 1e300 / 0.01);
    snprintf(e, sizeof e, "%.0f", -1e300 / 0.01);
    EXPECT_NE(skriv().find(std::string("\n") + n + " " + e + "\n"), std::string::npos);

    // A buffer too small for the fast path still gets printf's text, cut.
    char liten[4];
    EXPECT_EQ(heltall_tekst(liten, sizeof liten, 12345.0), 3u);
    EXPECT_STREQ(liten, "123");
}

TEST_F(Dgn2ZeraTest, CoordinateForms)
{
    const Punkt p = {6600000.12, 500000.34, 0.0, 0};
    struct Tilfelle {
        const char *navn;
        int type;
        const char *theme;
        std::vector<Punkt> punkter;
        int lagreNoh;
        const char *koordinater; // after the DATO line
    };
    const std::vector<Tilfelle> tilfeller = {
        {"plain", ZERA_PUNKT, "1010", {p}, 0, "..N\xD8\n660000012 50000034\n"},
        {"single height of a height point", ZERA_PUNKT, "2101", {{p.n, p.e, 12.5, 0}}, 0,
         "..H\xD8YDE 12.500\n..N\xD8\n660000012 50000034\n"},
        {"zero height kept", ZERA_PUNKT, "1010", {p}, 1, "..N\xD8H\n660000012 50000034 0\n"},
        {"point with height", ZERA_PUNKT, "1010", {{p.n, p.e, 12.5, 0}}, 0, "..N\xD8H\n660000012 50000034 1250\n"},
        {"repeats dropped", ZERA_KURVE, "7001",
         {{1, 1, 0, 0}, {2, 2, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}, {3, 3, 0, 0}}, 0,
         "..N\xD8\n100 100\n200 200\n300 300\n"},
        {"switches between the two keys", ZERA_KURVE, "7001",
         {{1, 1, 0, 0}, {2, 2, 5, 0}, {3, 3, 5, 0}, {4, 4, 0, 0}}, 0,
         "..N\xD8\n100 100\n..N\xD8H\n200 200 500\n300 300 500\n..N\xD8\n400 400\n"},
        {"node codes repeat the key of the next point", ZERA_KURVE, "7001",
         {{1, 1, 0, 0}, {2, 2, 0, 4}, {3, 3, 7, 0}}, 0,
         "..N\xD8\n100 100\n200 200 ...KP 4\n..N\xD8H\n300 300 700\n"},
        {"a dropped end point hands over its node code", ZERA_LINJE, "7001",
         {{1, 1, 0, 0}, {2, 2, 0, 0}, {2, 2, 0, 9}}, 0, "..N\xD8\n100 100\n200 200 ...KP 9\n"},
        {"shared height of a contour", ZERA_KURVE, "3001", {{1, 1, 10, 0}, {2, 2, 10, 0}}, 0,
         "..H\xD8YDE 10.000\n..N\xD8\n100 100\n200 200\n"},
        {"shared height outside the height themes", ZERA_KURVE, "7001", {{1, 1, 10, 0}, {2, 2, 10, 0}}, 0,
         "..N\xD8H\n100 100 1000\n200 200 1000\n"},
        {"shared height of a height theme the service refuses", ZERA_KURVE, "2000",
         {{1, 1, 10, 0}, {2, 2, 10, 0}}, 0, "..N\xD8H\n100 100 1000\n200 200 1000\n"},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        lagreNOH = t.lagreNoh;
        element(t.type, t.theme, t.punkter);
        int rc = -1;
        std::string expected = std::string(zera_typenavn(t.type)) + " 1:\n" + (t.type == ZERA_PUNKT ? "..PTEMA " : "..LTEMA ") +
                               t.theme + "\n..DATO 20240101\n" + t.koordinater;
        EXPECT_EQ(skriv(&rc), expected);
        EXPECT_EQ(rc, 0);
    }
}

TEST_F(Dgn2ZeraTest, NodeCodesOnlyAboveLevelTwo)
{
    Shead.zeraNivaa = 2;
    element(ZERA_KURVE, "7001", {{1, 1, 0, 0}, {2, 2, 0, 4}, {3, 3, 0, 0}});
    EXPECT_EQ(skriv(), ".KURVE 1:\n..LTEMA 7001\n..DATO 20240101\n..N\xD8\n100 100\n200 200\n300 300\n");
}

TEST_F(Dgn2ZeraTest, PointCountsByType)
{
    struct Tilfelle {
        int type;
        std::vector<Punkt> punkter;
        int rc;
    };
    const std::vector<Tilfelle> tilfeller = {
        {ZERA_PUNKT, {{1, 1, 0, 0}}, 0},
        {ZERA_PUNKT, {{1, 1, 0, 0}, {2, 2, 0, 0}}, 1},
        {ZERA_LINJE, {{1, 1, 0, 0}, {1.001, 1.001, 0, 0}}, 1}, // equal once rounded to the unit
        {ZERA_KURVE, {{1, 1, 0, 0}, {1, 1, 0.5, 0}}, 0},
        {ZERA_SVERM, {}, 1},
        {ZERA_BUE, {{0, 0, 0, 0}, {0, 10, 0, 0}}, 1},
        {ZERA_BUEP, {{0, 0, 0, 0}, {0, 10, 0, 0}, {0, 5, 0, 0}}, 0},
        {ZERA_TRASE, {}, 0},
        {ZERA_SYMBOL, {{1, 1, 0, 0}, {1, 1, 0, 0}}, 0},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.type);
        element(t.type, "1000", t.punkter);
        int16_t flags[ZERA_MAX_POINTS];
        EXPECT_EQ(zerput_coord(&Shead, flags), t.rc);
    }
    element(ZERA_LINJE, "1000", {{1, 1, 0, 0}});
    Elm.pointCount = ZERA_MAX_POINTS + 1;
    int16_t flags[ZERA_MAX_POINTS];
    EXPECT_EQ(zerput_coord(&Shead, flags), 1);
}

TEST_F(Dgn2ZeraTest, WrongPointCountIsRegistered)
{
    element(ZERA_LINJE, "7001", {{1, 1, 0, 0}}, 77);
    int rc = 0;
    EXPECT_EQ(skriv(&rc), "");
    EXPECT_EQ(rc, -1);
    EXPECT_TRUE(registrert("SP_ELM", 2, BMW_ERROR));
    EXPECT_EQ(Bmw.msg.line[0], 77);
    EXPECT_EQ(Bmw.errors[ZERA_LINJE - 1], 1);
    EXPECT_EQ(Bmw.written[ZERA_LINJE - 1], 0);
}

/* ---- attribute lines ---------------------------------------------------------- */

TEST_F(Dgn2ZeraTest, DateAndQualityByVersion)
{
    struct Tilfelle {
        const char *navn;
        double versjon;
        std::vector<int32_t> kvalitet;
        int32_t dato;
        const char *linjer; // between the theme line and the coordinates
    };
    const std::vector<Tilfelle> tilfeller = {
        {"inherits everything", 2.1, {82, 0, 0, 0, 0, 0}, 0, ""},
        {"same as the header", 2.1, {82, 100, 3, 0, 0, 0}, 20000101, ""},
        {"first place differs", 2.1, {90, 0, 0, 0, 0, 0}, 0, "..KVALITET 90 @ @\n"},
        {"own date", 2.1, {0, 0, 0, 0, 0, 0}, 20200202, "..DATO 20200202\n"},
        {"star and explicit zero", 2.1, {0, -1, -10, 0, 0, 0}, 0, "..KVALITET @ * 0\n"},
        {"two decimals: every element dated", 2.21, {0, 0, 0, 0, 0, 0}, 0, "..DATO 20000101\n..KVALITET 82 100 3\n"},
        {"new version", 4.0, {90, -1, 0, 0, 5, 0}, 20200202, "..DATO 20200202\n..KVALITET 90 * 3 * 5\n"},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        Shead.zeraVersjon = t.versjon;
        Shead.dato = 20000101;
        Shead.kvalitet[0] = 82;
        Shead.kvalitet[1] = 100;
        Shead.kvalitet[2] = 3;
        element(ZERA_PUNKT, "1010", {{1, 1, 0, 0}});
        for (int i = 0; i < 6; i++)
            Elm.kvalitet[i] = t.kvalitet[i];
        Elm.dato = t.dato;
        EXPECT_EQ(skriv(), std::string(".PUNKT 1:\n..PTEMA 1010\n") + t.linjer + "..N\xD8\n100 100\n");
    }
}

TEST_F(Dgn2ZeraTest, AttributeLinesInOrder)
{
    Shead.komm = 301;
    element(ZERA_PUNKT, "1010", {{1, 1, 0, 0}});
    kopier(Elm.objtype, sizeof Elm.objtype, "Fastmerke");
    kopier(Elm.theme[1], ZERA_THEME_LEN, "2200");
    Elm.themeCount = 2;
    Elm.komm = 1201;
    kopier(Elm.href, sizeof Elm.href, "NN");
    kopier(Elm.status, sizeof Elm.status, "A");
    kopier(Elm.medium, sizeof Elm.medium, "T");
    kopier(Elm.rest, sizeof Elm.rest, "..XYZ 1\n..ABC \"\xC6" "ble\"");
    EXPECT_EQ(skriv(), ".PUNKT 1:\n..OBJTYPE Fastmerke\n..PTEMA 1010\n..PTEMA 2200\n..DATO 20240101\n..KOMM 1201\n"
                       "..HREF NN\n..STATUS A\n..MEDIUM T\n..XYZ 1\n..ABC \"\xC6" "ble\"\n..N\xD8\n100 100\n");

    // Switched off, and the header's commune is not repeated.
    eksporterObjekttype = eksporterZeratema = 0;
    Elm.komm = 301;
    Elm.href[0] = Elm.status[0] = Elm.medium[0] = Elm.rest[0] = '\0';
    EXPECT_EQ(skriv(), ".PUNKT 1:\n..DATO 20240101\n..N\xD8\n100 100\n");
}

// rest holds the lines of an element as read, modelled keys among them;
// the writer writes those from the record, once.
TEST_F(Dgn2ZeraTest, KeysWrittenFromTheRecordAreLeftOutOfRest)
{
    struct Tilfelle {
        const char *navn;
        int type;
        std::vector<Punkt> punkter;
        std::function<void()> sett;
        const char *rest;
        const char *forventet;
    };
    const Punkt p = {1, 1, 0, 0};
    const std::vector<Tilfelle> tilfeller = {
        {"attribute keys", ZERA_KURVE, {p, {2, 2, 0, 0}},
         [] {
             kopier(Elm.objtype, sizeof Elm.objtype, "Veg");
             Elm.kvalitet[0] = 90;
             Elm.komm = 1201;
             kopier(Elm.href, sizeof Elm.href, "NN");
             kopier(Elm.status, sizeof Elm.status, "A");
             kopier(Elm.medium, sizeof Elm.medium, "T");
         },
         "..OBJTYPE Veg kant\n..KVALITET 90\n..KOMM 1201\n..HREF NN\n..STATUS A\n..MEDIUM T\n..LTEMA 7001\n"
         "..DATO 20240101\n...OBJTYPE under\n..ANNET 1",
         ".KURVE 1:\n..OBJTYPE Veg\n..LTEMA 7001\n..DATO 20240101\n...OBJTYPE under\n..KVALITET 90\n..KOMM 1201\n"
         "..HREF NN\n..STATUS A\n..MEDIUM T\n..ANNET 1\n..N\xD8\n100 100\n200 200\n"},
        {"raster lines", ZERA_RASTER, {p},
         [] {
             kopier(Elm.text, sizeof Elm.text, "kart.tif");
             Elm.dim[0] = Elm.dim[1] = 0.5;
         },
         "..PIXEL-ST\xD8RR 0.5 0.5\n...BILDE-FIL \"kart.tif\"\n..BILDE\n...BILDE-SYS 22\n...BILDE-TYPE TIFF",
         ".RASTER 1:\n..DATO 20240101\n..BILDE\n...BILDE-SYS 22\n...BILDE-TYPE TIFF\n...BILDE-FIL \"kart.tif\"\n"
         "..PIXEL-ST\xD8RR 0.50 0.50\n..N\xD8\n100 100\n"},
        {"references, old key", ZERA_FLATE, {p},
         [] {
             Shead.zeraVersjon = 2.1;
             Elm.refCount = 1;
             Elm.ref[0] = 3;
             Elm.refGroup[0] = 0;
         },
         ".. :3\n..REF :3\n..GID 12 34", ".FLATE 1:\n..FTEMA 7001\n..GID 12 34\n.. :3\n..N\xD8\n100 100\n"},
        {"arc lines", ZERA_BUE, {p, {1, 21, 0, 0}, {1, 11, 0, 0}},
         [] {
             Elm.radius = 10;
             Elm.storbue = 1;
         },
         "..STORBUE 1\n..RADIUS 10", ".BUE 1:\n..LTEMA 7001\n..DATO 20240101\n..STORBUE 1\n..RADIUS 10.000\n..N\xD8\n"
                                     "100 100\n100 2100\n"},
        {"text lines", ZERA_TEKST, {p},
         [] {
             kopier(Elm.text, sizeof Elm.text, "Hei");
             Elm.dim[0] = Elm.dim[1] = 25;
         },
         "..DIM 2.5 2.5\n..STRENG Hei\n..RADIUS 3",
         ".TEKST 1:\n..TTEMA 7001\n..DATO 20240101\n..RADIUS 3\n..DIM 2.5 2.5\n..STRENG Hei\n..N\xD8\n100 100\n"},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        standardHode();
        element(t.type, "7001", t.punkter);
        t.sett();
        kopier(Elm.rest, sizeof Elm.rest, t.rest);
        EXPECT_EQ(skriv(), t.forventet);
    }
}

// A sub-line is written under its own parent, in order: under the line the
// record gives for a modelled key, or under its parent as read.
TEST_F(Dgn2ZeraTest, SubLinesAreWrittenUnderTheirParent)
{
    struct Tilfelle {
        const char *navn;
        int32_t kvalitet0;
        const char *rest;
        const char *forventet;
    };
    const Tilfelle tilfeller[] = {
        {"quality group without values", 0, "..EIER kommune\n..KVALITET\n...M\xC5LEMETODE 82\n...N\xD8YAKTIGHET 0",
         ".LINJE 1:\n..LTEMA 7001\n..DATO 20240101\n..KVALITET\n...M\xC5LEMETODE 82\n...N\xD8YAKTIGHET 0\n"
         "..EIER kommune\n..N\xD8\n100 100\n200 200\n"},
        {"quality group with values", 82, "..KVALITET 82\n...M\xC5LEMETODE 82\n..EIER kommune",
         ".LINJE 1:\n..LTEMA 7001\n..DATO 20240101\n..KVALITET 82\n...M\xC5LEMETODE 82\n..EIER kommune\n"
         "..N\xD8\n100 100\n200 200\n"},
        {"group of the rest", 0, "..EIER kommune\n..PLANREF\n...KOMM 1234\n...PLANID 7\n..MERK 1",
         ".LINJE 1:\n..LTEMA 7001\n..DATO 20240101\n..EIER kommune\n..PLANREF\n...KOMM 1234\n...PLANID 7\n"
         "..MERK 1\n..N\xD8\n100 100\n200 200\n"},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        standardHode();
        element(ZERA_LINJE, "7001", {{1, 1, 0, 0}, {2, 2, 0, 0}});
        Elm.kvalitet[0] = t.kvalitet0;
        kopier(Elm.rest, sizeof Elm.rest, t.rest);
        EXPECT_EQ(skriv(), t.forventet);
    }
}

TEST_F(Dgn2ZeraTest, DosExportConvertsEveryTextFromItsOwnSet)
{
    tegnsett(ZERA_CHARSET_DOS);
    element(ZERA_TEKST, "1001", {{1, 1, 0, 0}});
    kopier(Elm.objtype, sizeof Elm.objtype, "\xD8ya");
    kopier(Elm.text, sizeof Elm.text, "\xD8stre");
    kopier(Elm.rest, sizeof Elm.rest, "..MERK \xD8");
    EXPECT_EQ(skriv(), ".TEKST 1:\n..OBJTYPE \x9Dya\n..TTEMA 1001\n..DATO 20240101\n..MERK \x9D\n"
                       "..STRENG \x9Dstre\n..N\x9D\n100 100\n");

    Shead.dato = 0;
    kopier(Shead.kartid, sizeof Shead.kartid, "\xD8");
    std::string text = hode(1);
    EXPECT_NE(text.find("..TEGNSETT DOSN8\n"), std::string::npos);
    EXPECT_NE(text.find("...ORIGO-N\x9D 0 0\n"), std::string::npos);
    EXPECT_NE(text.find("..KARTID \"\x9D\"\n"), std::string::npos);
}

/* ---- type lines --------------------------------------------------------------------- */

TEST_F(Dgn2ZeraTest, TextQuotingReadsBack)
{
    struct Tilfelle {
        const char *text;
        const char *linje;
    };
    const std::vector<Tilfelle> tilfeller = {
        {"Hei", "..STRENG Hei\n"},
        {"Store \xD8", "..STRENG \"Store \xD8\"\n"},
        {"it's", "..STRENG \"it's\"\n"},
        {"sa \"ja\"", "..STRENG 'sa \"ja\"'\n"},
        {"", "..STRENG \"\"\n"},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.text);
        element(ZERA_TEKST, "1001", {{1, 1, 0, 0}});
        kopier(Elm.text, sizeof Elm.text, t.text);
        std::string text = skriv();
        size_t at = text.find("..STRENG");
        ASSERT_NE(at, std::string::npos) << text;
        std::string linje = text.substr(at, text.find('\n', at) + 1 - at);
        EXPECT_EQ(linje, t.linje);

        char value[ZERA_STR_LEN];
        int16_t set = ZERA_CHARSET_ISO;
        EXPECT_EQ(zerget_str(linje.c_str(), value, &set), 0);
        EXPECT_STREQ(value, t.text);
    }
}

// An object type or a text is written so that the reader gives it back
// whole, or the element is refused with SP_ELM 4 and nothing is written.
TEST_F(Dgn2ZeraTest, ValuesAreWrittenToReadBackWholeOrRefused)
{
    struct Tilfelle {
        const char *objtype;
        const char *text;
        const char *linje; // the value's line; null: refused
    };
    const std::vector<Tilfelle> tilfeller = {
        {"Veg kant", "A", "..OBJTYPE \"Veg kant\"\n"},
        {"Veg", "A", "..OBJTYPE Veg\n"},
        {"sa \"ja\"", "A", "..OBJTYPE 'sa \"ja\"'\n"},
        {"Veg", "sa \"ja\" og 'nei'", nullptr},
        {"Veg", "\"Solbakken\" g\xE5rd", nullptr},
        {"it's \"x\"", "A", nullptr},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(std::string(t.objtype) + " / " + t.text);
        bmwinit();
        element(ZERA_TEKST, "1001", {{1, 1, 0, 0}}, 8);
        kopier(Elm.objtype, sizeof Elm.objtype, t.objtype);
        kopier(Elm.text, sizeof Elm.text, t.text);
        int rc = 0;
        std::string text = skriv(&rc);
        if (t.linje == nullptr) {
            EXPECT_EQ(rc, -1);
            EXPECT_EQ(text, "");
            EXPECT_TRUE(registrert("SP_ELM", 4, BMW_ERROR));
            EXPECT_EQ(Bmw.msg.line[0], 8);
            EXPECT_EQ(Bmw.errors[ZERA_TEKST - 1], 1);
            continue;
        }
        EXPECT_EQ(rc, 0);
        EXPECT_NE(text.find(t.linje), std::string::npos) << text;
        int32_t line = 1;
        int16_t pass = 2;
        ASSERT_EQ(zerget_elm(text.c_str(), &Shead, &Schar, &line, &pass), 0) << text;
        EXPECT_STREQ(Elm.objtype, t.objtype);
        EXPECT_STREQ(Elm.text, t.text);
    }
    char ut[BMW_CTXT_LEN];
    bmw_ctxt(zeratest::cTxtCallback(), "SP_ELM", 4, ut);
    EXPECT_EQ(std::string(ut).rfind("SP_ELM 4: ", 0), 0u) << ut;
}

// Header lines the record does not model are held in set 1 and written in
// the set of the header being written.
TEST_F(Dgn2ZeraTest, ExtraHeaderLinesAreWrittenInTheHeadersSet)
{
    std::string dos = ".HODE\n..TEGNSETT DOSN8\n...KOORDSYS 22\n...ORIGO-N\x9D 0 0\n...ENHET 0.01\n"
                      "..ZERA-VERSJON 4.0\n...TESTN\x9DKKEL \x9Dst \x8F\n.SLUTT\n";
    SheadStruct lest;
    int32_t size = 0;
    ASSERT_EQ(zerget_headinfo(writeFile("dos.zer", dos).c_str(), &lest, &size, zeratest::cTxtCallback()), 0);
    EXPECT_STREQ(lest.extraHead, "...TESTN\xD8KKEL \xD8st \xC5");

    struct Tilfelle {
        int16_t set;
        const char *linje;
    };
    const std::vector<Tilfelle> tilfeller = {
        {ZERA_CHARSET_ISO, "...TESTN\xD8KKEL \xD8st \xC5\n"},
        {ZERA_CHARSET_7BIT, "...TESTN\\KKEL \\st ]\n"},
        {ZERA_CHARSET_DOS, "...TESTN\x9DKKEL \x9Dst \x8F\n"},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.set);
        Shead = lest;
        Shead.charset = t.set;
        std::string text = hode(1);
        EXPECT_NE(text.find(t.linje), std::string::npos) << text;
    }
}

TEST_F(Dgn2ZeraTest, RotatedTextGetsDirectionPoints)
{
    Shead.enhet = 1.0; // an angle below one radian must still be written
    element(ZERA_TEKST, "1001", {{100, 200, 0, 0}});
    kopier(Elm.text, sizeof Elm.text, "A");
    Elm.dim[0] = 25;
    Elm.dim[1] = 30;
    Elm.angle = 0.5;
    Elm.E[3] = 0.0;
    EXPECT_EQ(skriv(), ".TEKST 1:\n..TTEMA 1001\n..DATO 20240101\n..DIM 2.5 3.0\n..STRENG A\n..N\xD8\n"
                       "100 200\n100 200\n105 209\n");
    EXPECT_EQ(Elm.pointCount, 3);

    // The application's vector length in the fourth east value.
    element(ZERA_TEKST, "1001", {{100, 200, 0, 0}});
    kopier(Elm.text, sizeof Elm.text, "A");
    Elm.angle = M_PI / 2;
    Elm.E[3] = 50.0;
    EXPECT_NE(skriv().find("100 200\n100 200\n150 200\n"), std::string::npos);

    element(ZERA_TEKST, "1001", {{100, 200, 0, 0}});
    Elm.angle = 1e-12;
    EXPECT_NE(skriv().find("..N\xD8\n100 200\n"), std::string::npos);
    EXPECT_EQ(Elm.pointCount, 1);
}

TEST_F(Dgn2ZeraTest, SymbolPointIsWrittenAsTextWithoutString)
{
    element(ZERA_PUNKT, "1001", {{1, 1, 0, 0}});
    kopier(Elm.rest, sizeof Elm.rest, "..SYMBOL 65");
    kopier(Elm.text, sizeof Elm.text, "ignored");
    EXPECT_EQ(skriv(), ".TEKST 1:\n..TTEMA 1001\n..DATO 20240101\n..SYMBOL 65\n..N\xD8\n100 100\n");
    EXPECT_EQ(Bmw.written[ZERA_TEKST - 1], 1);

    // A text that carries the symbol itself is the same group.
    element(ZERA_TEKST, "1001", {{1, 1, 0, 0}});
    kopier(Elm.rest, sizeof Elm.rest, "..SYMBOL 65");
    kopier(Elm.text, sizeof Elm.text, "ignored");
    EXPECT_EQ(skriv(), ".TEKST 1:\n..TTEMA 1001\n..DATO 20240101\n..SYMBOL 65\n..N\xD8\n100 100\n");
}

TEST_F(Dgn2ZeraTest, ArcsAndCircles)
{
    element(ZERA_BUE, "7001", {{0, 0, 0, 0}, {0, 10, 0, 0}, {0, 5, 0, 0}});
    Elm.radius = 5.004;
    Elm.storbue = 1;
    EXPECT_EQ(skriv(), ".BUE 1:\n..LTEMA 7001\n..DATO 20240101\n..STORBUE 1\n..RADIUS 5.000\n..N\xD8\n0 0\n0 1000\n");

    element(ZERA_SIRKEL, "7001", {{10, 20, 0, 0}});
    Elm.radius = 2.5;
    EXPECT_EQ(skriv(), ".SIRKEL 1:\n..LTEMA 7001\n..DATO 20240101\n..RADIUS 2.500\n..N\xD8\n1000 2000\n");

    // Start, end, centre: the second point written is the middle of the arc.
    element(ZERA_BUEP, "7001", {{0, 0, 0, 0}, {10, 10, 0, 0}, {10, 0, 0, 0}});
    std::string text = skriv();
    EXPECT_EQ(text, ".BUEP 1:\n..LTEMA 7001\n..DATO 20240101\n..N\xD8\n0 0\n293 707\n1000 1000\n");
    EXPECT_DOUBLE_EQ(Elm.N[3], 10.0); // the centre stays behind the points
    EXPECT_DOUBLE_EQ(Elm.E[3], 0.0);
}

// A three-point arc of 330 degrees, radius 0.64, around (100, 100): start,
// middle of the larger arc, end, in file units (0.01).
const char *const BUEP_330 = ".BUEP 6:\n..LTEMA 7001\n..N\xD8H\n10062 10017 0\n9936 10000 200\n10062 9983 600\n";

TEST_F(Dgn2ZeraTest, ArcByThreePointsReadFromAFileIsWrittenAsItWasRead)
{
    int32_t line = 1;
    int16_t pass = 2;
    ASSERT_EQ(zerget_elm(BUEP_330, &Shead, &Schar, &line, &pass), 0);
    ASSERT_EQ(zerget_coord(BUEP_330, &Shead, &Schar), 0);
    std::string text = skriv();
    EXPECT_EQ(text, ".BUEP 6:\n..LTEMA 7001\n..DATO 20240101\n..N\xD8\n10062 10017\n..N\xD8H\n"
                    "9936 10000 200\n10062 9983 600\n");

    // Read again: the same arc, its middle at height 2.
    ASSERT_EQ(zerget_elm(text.c_str(), &Shead, &Schar, &line, &pass), 0);
    ASSERT_EQ(zerget_coord(text.c_str(), &Shead, &Schar), 0) << text;
    EXPECT_NEAR(Elm.N[1], 99.36, 1e-9);
    EXPECT_NEAR(Elm.E[1], 100.0, 1e-9);
    EXPECT_DOUBLE_EQ(Elm.H[1], 2.0);
    EXPECT_DOUBLE_EQ(Elm.H[2], 6.0);
}

// Built by the application: start, end and centre.  The sign of radius
// gives the side, as the reader signs it; without a radius, storbue.
TEST_F(Dgn2ZeraTest, ArcByThreePointsTakesItsSideFromTheRadius)
{
    struct Tilfelle {
        const char *navn;
        double radius;
        int storbue;
        const char *midt;
    };
    const std::vector<Tilfelle> tilfeller = {
        {"positive: the larger arc here", 0.64, 0, "9936 10000 300\n"},
        {"negative: the smaller arc here", -0.64, 0, "10064 10000 300\n"},
        {"no radius: the smaller arc", 0.0, 0, "10064 10000 300\n"},
        {"no radius, larger arc asked for", 0.0, 1, "9936 10000 300\n"},
    };
    const double s = 0.64 * sin(M_PI / 12), c = 0.64 * cos(M_PI / 12);
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        element(ZERA_BUEP, "7001", {{100 + c, 100 + s, 0, 0}, {100 + c, 100 - s, 6, 0}, {100, 100, 0, 0}}, 6);
        Elm.radius = t.radius;
        Elm.storbue = (int16_t)t.storbue;
        std::string text = skriv();
        EXPECT_EQ(text, std::string(".BUEP 6:\n..LTEMA 7001\n..DATO 20240101\n..N\xD8\n10062 10017\n..N\xD8H\n") +
                            t.midt + "10062 9983 600\n");

        // The file gives the arc back on the same side (the smaller arc's
        // radius moves with the rounding of its points to the unit).
        double skrevet = Elm.radius;
        int32_t line = 1;
        int16_t pass = 2;
        ASSERT_EQ(zerget_elm(text.c_str(), &Shead, &Schar, &line, &pass), 0);
        ASSERT_EQ(zerget_coord(text.c_str(), &Shead, &Schar), 0) << text;
        EXPECT_EQ(Elm.radius < 0.0, skrevet < 0.0);
        EXPECT_NEAR(fabs(Elm.radius), 0.64, 0.1);
    }
}

TEST_F(Dgn2ZeraTest, RasterAndSymbolLines)
{
    element(ZERA_RASTER, nullptr, {{1, 1, 0, 0}});
    kopier(Elm.text, sizeof Elm.text, "kart.tif");
    Elm.dim[0] = Elm.dim[1] = 0.5;
    EXPECT_EQ(skriv(), ".RASTER 1:\n..DATO 20240101\n..BILDE\n...BILDE-SYS 22\n...BILDE-TYPE TIFF\n"
                       "...BILDE-FIL \"kart.tif\"\n..PIXEL-ST\xD8RR 0.50 0.50\n..N\xD8\n100 100\n");
    Elm.cell[0] = u'J';
    Elm.cell[1] = u'P';
    Elm.cell[2] = u'G';
    Elm.cell[3] = 0;
    EXPECT_NE(skriv().find("...BILDE-TYPE JPG\n"), std::string::npos);

    element(ZERA_SYMBOL, "1001", {{1, 1, 0, 0}, {1, 1, 0, 0}, {2, 2, 0, 0}});
    Elm.dim[0] = 3;
    Elm.dim[1] = 4;
    kopier(Elm.symbol[0], ZERA_SYMBOL_LEN, "..ATIL3");
    kopier(Elm.symbol[1], ZERA_SYMBOL_LEN, "..MYR1");
    Elm.symbolCount = 2;
    EXPECT_EQ(skriv(), ".SYMBOL 1:\n..PTEMA 1001\n..DATO 20240101\n..DIM 3.0 4.0\n..ATIL3\n..MYR1\n..N\xD8\n"
                       "100 100\n100 100\n200 200\n");
}

void referanser(int n, std::vector<int16_t> grupper = {})
{
    Elm.refCount = (int16_t)n;
    for (int i = 0; i < n; i++) {
        Elm.ref[i] = i + 1;
        Elm.refGroup[i] = i < (int)grupper.size() ? grupper[i] : 0;
    }
}

TEST_F(Dgn2ZeraTest, ReferenceLinesByVersion)
{
    std::string linje1, linje2;
    for (int i = 1; i <= 10; i++)
        linje1 += " :" + std::to_string(i);
    for (int i = 11; i <= 20; i++)
        linje2 += (i == 11 ? ":" : " :") + std::to_string(i);

    Shead.zeraVersjon = 2.1;
    element(ZERA_FLATE, "4001", {{1, 1, 0, 0}});
    referanser(23);
    EXPECT_EQ(skriv(), ".FLATE 1:\n..FTEMA 4001\n.." + linje1 + "\n.. " + linje2 + "\n.. :21 :22 :23\n..N\xD8\n100 100\n");

    Shead.zeraVersjon = 2.2;
    element(ZERA_TRASE, "7001", {});
    referanser(23);
    EXPECT_EQ(skriv(), ".TRASE 1:\n..LTEMA 7001\n..REF" + linje1 + "\n" + linje2 + "\n:21 :22 :23\n");

    // Islands, the last one closed at the end of the list; a return to the
    // outer boundary opens nothing.
    Shead.zeraVersjon = 4.0;
    element(ZERA_STRUKTUR, "4001", {});
    referanser(7, {0, 0, 1, 1, 0, 2, 2});
    EXPECT_EQ(skriv(), ".STRUKTUR 1:\n..FTEMA 4001\n..DATO 20240101\n..REF :1 :2 (:3 :4) :5 (:6 :7)\n");

    element(ZERA_FLATE, "4001", {{1, 1, 0, 0}});
    referanser(0);
    int rc = 0;
    EXPECT_EQ(skriv(&rc), "");
    EXPECT_EQ(rc, 1);
}

TEST_F(Dgn2ZeraTest, ReferencesReadBack)
{
    for (double versjon : {2.1, 4.0}) {
        SCOPED_TRACE(versjon);
        Shead.zeraVersjon = versjon;
        std::vector<int16_t> grupper(23, 0);
        for (int i = 20; i < 23; i++)
            grupper[i] = 1;
        grupper[12] = grupper[13] = 2;
        element(ZERA_FLATE, "4001", {{1, 1, 0, 0}});
        referanser(23, grupper);
        // The islands come after the outer boundary in the file order the
        // reader numbers them by.
        std::vector<int32_t> ref(Elm.ref, Elm.ref + 23);
        std::string text = skriv();

        elmclr();
        ASSERT_EQ(zerget_ref(text.c_str()), 0) << text;
        ASSERT_EQ(Elm.refCount, 23);
        for (int i = 0; i < 23; i++) {
            EXPECT_EQ(Elm.ref[i], ref[i]) << i;
            EXPECT_EQ(Elm.refGroup[i], i >= 20 ? 2 : (i == 12 || i == 13 ? 1 : 0)) << i;
        }
    }
}

/* ---- theme-row descriptions ----------------------------------------------------------- */

TEST_F(Dgn2ZeraTest, DescriptionSetsKeysAndAppendsTheRest)
{
    element(ZERA_PUNKT, "1010", {{1, 1, 0, 0}});
    Elm.kvalitet[3] = 7;
    kopier(Elm.rest, sizeof Elm.rest, "..GAMMEL 1");
    EXPECT_EQ(zerput_rest("..XYZ \xC6\n..KVALITET 82 * 0 -4\n..HREF ABCD\n..MEDIUM L\n..ANNET 2\n"), 0);
    EXPECT_STREQ(Elm.rest, "..GAMMEL 1\n..XYZ \xC6\n..ANNET 2");
    EXPECT_EQ(Elm.restLen, (int16_t)strlen(Elm.rest));
    const int32_t kvalitet[6] = {82, -1, -10, 7, 0, 0};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(Elm.kvalitet[i], kvalitet[i]) << i;
    EXPECT_STREQ(Elm.href, "ABC");
    EXPECT_STREQ(Elm.medium, "L");

    // A rest that already holds the description's first key starts over.
    EXPECT_EQ(zerput_rest("..XYZ 2"), 0);
    EXPECT_STREQ(Elm.rest, "..XYZ 2");
}

TEST_F(Dgn2ZeraTest, DescriptionTooLongIsRegisteredAndTheElementStillWritten)
{
    element(ZERA_PUNKT, "1010", {{1, 1, 0, 0}}, 12);
    std::string full(ZERA_REST_LEN - 5, 'x');
    kopier(Elm.rest, sizeof Elm.rest, full.c_str());
    EXPECT_EQ(zerput_rest("..KVALITET 90\n..LANG beskrivelse"), 0);
    EXPECT_EQ(std::string(Elm.rest), full);
    EXPECT_EQ(Elm.kvalitet[0], 90);
    EXPECT_TRUE(registrert("SP_ELM", 3, BMW_ERROR));
    EXPECT_EQ(Bmw.errors[ZERA_PUNKT - 1], 1);
}

/* ---- the export run ----------------------------------------------------------------- */

const char *const TEMAFIL = "Fastmerke;2101;HDB;P;10;1;0;0;0;0;0;KRYSS;1;1;0\n"
                            "Veg;7001;VSI;L;20;2;0;0;0;0;0;KRYSS;1;1;0\n"
                            "Navn;1001;HDB;T;30;3;0;0;1;10;10;KRYSS;1;1;0\n"
                            "Flate;4001;DEK;F;40;4;0;0;0;0;0;KRYSS;1;1;0\n"
                            "Beskrevet;1010;HDB;P;50;5;0;0;0;0;0;KRYSS;1;1;0\n"
                            "..KVALITET 82\n"
                            "..EKSTRA 1\n"
                            "Hoydepunkt;2102;HDB;P;60;6;0;0;0;0;0;KRYSS;1;1;10\n";

TEST_F(Dgn2ZeraTest, ExportRunIsByteExact)
{
    std::string tema = writeFile("tema.tem", TEMAFIL);
    std::string tmp = path("dgn2zera.tmp"), zera = path("ut.zer"), rapport = path("ut.log");
    SheadStruct hode = Shead;
    hode.charset = ZERA_CHARSET_DOS;
    hode.zeraNivaa = 4;
    ASSERT_EQ(init_dgn2zera(tema.c_str(), tmp.c_str(), &hode, zeratest::cTxtCallback()), 0);

    element(ZERA_PUNKT, "2101", {{6600000.12, 500000.34, 12.5, 0}}, 1);
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 0);
    element(ZERA_KURVE, "7001",
            {{6600010, 500010, 1, 0}, {6600020.5, 500020, 2, 0}, {6600030, 500030, 3, 0}, {6600030, 500030, 3, 0}},
            2);
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 0);
    element(ZERA_TEKST, "1001", {{6600050, 500050, 0, 0}}, 3);
    kopier(Elm.text, sizeof Elm.text, "Store \xD8");
    Elm.angle = M_PI / 4;
    Elm.E[3] = 0.0;
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 0);
    element(ZERA_FLATE, "4001", {{6600015, 500015, 0, 0}}, 4);
    Elm.refCount = 3;
    Elm.ref[0] = 2;
    Elm.ref[1] = -3;
    Elm.ref[2] = 5;
    Elm.refGroup[0] = Elm.refGroup[1] = 0;
    Elm.refGroup[2] = 1;
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 0);

    EXPECT_EQ(exit_dgn2zera(rapport.c_str(), zera.c_str(), tmp.c_str(), tema.c_str(), "", "", zeratest::cTxtCallback()),
              0);
    EXPECT_EQ(Filep_tmpzer, nullptr);
    std::string expected = std::string(".HODE\n..TEGNSETT DOSN8\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\x9D 0 0\n"
                                       "...ENHET 0.0100\n..OMR\x8F") +
                           "DE\n...MIN-N\x9D 6600000 500000\n...MAX-N\x9D 6600058 500058\n..ZERA-VERSJON 4.0\n"
                           "..ZERA-NIV\x8F 4\n! " +
                           Bmw.date + "\n! ZVZERA  Export 03.04 - 04.12.2009\n! " + zera + "\n!\n";
    EXPECT_EQ(readFile(zera), expected + readFile(tmp));
    EXPECT_EQ(readFile(tmp), ".PUNKT 1:\n..PTEMA 2101\n..DATO 20240101\n..H\x9DYDE 12.500\n..N\x9D\n"
                             "660000012 50000034\n"
                             ".KURVE 2:\n..LTEMA 7001\n..DATO 20240101\n..N\x9DH\n660001000 50001000 100\n"
                             "660002050 50002000 200\n660003000 50003000 300\n"
                             ".TEKST 3:\n..TTEMA 1001\n..DATO 20240101\n..STRENG \"Store \x9D\"\n..N\x9D\n"
                             "660005000 50005000\n660005000 50005000\n660005707 50005707\n"
                             ".FLATE 4:\n..FTEMA 4001\n..DATO 20240101\n..REF :2 :-3 (:5)\n..N\x9D\n"
                             "660001500 50001500\n"
                             ".SLUTT\n");
    EXPECT_EQ(Bmw.read[ZERA_KURVE - 1], 1);
    EXPECT_EQ(Bmw.written[ZERA_FLATE - 1], 1);
    EXPECT_EQ(bmwRunKind, BMW_RUN_EXPORT);
    std::string report = readFile(rapport);
    EXPECT_EQ(report.rfind("ZVZERA  Export\n", 0), 0u) << report;
}

// A full disk mid-export leaves the previous ZERA file, element file and
// report whole, and nothing beside them; so does a run that fails to start.
TEST_F(Dgn2ZeraTest, AFailedExportLeavesThePreviousFilesWhole)
{
    std::string tema = writeFile("tema.tem", TEMAFIL);
    const std::string tmp = path("dgn2zera.tmp"), zera = path("ut.zer"), rapport = path("ut.log");
    const std::string gammel = "forrige\n";
    for (const std::string &f : {tmp, zera, rapport})
        writeFile(f.substr(f.rfind('/') + 1), gammel);
    int rc = hosttest::inChildWithFileLimit(gammel.size(), [&] {
        if (init_dgn2zera(tema.c_str(), tmp.c_str(), &Shead, zeratest::cTxtCallback()) != 0)
            return 10;
        element(ZERA_PUNKT, "2101", {{10, 20, 0, 0}});
        perf_dgn2zera(nullptr, nullptr);
        return exit_dgn2zera(rapport.c_str(), zera.c_str(), tmp.c_str(), tema.c_str(), "", "",
                             zeratest::cTxtCallback());
    });
    EXPECT_EQ(rc, 3); // the element file, the first file written, is refused
    for (const std::string &f : {tmp, zera, rapport})
        EXPECT_EQ(readFile(f), gammel) << f;

    EXPECT_EQ(init_dgn2zera(path("finnes-ikke.tem").c_str(), tmp.c_str(), &Shead, zeratest::cTxtCallback()), -2);
    EXPECT_EQ(readFile(tmp), gammel);
    std::string dir = path("");
    EXPECT_EQ(hosttest::filesBeginningWith(dir, "dgn2zera.tmp.~") + hosttest::filesBeginningWith(dir, "ut."),
              "ut.log ut.zer ");
}

// The ZERA file is the header and the elements, written whole: a disk that
// fills while it is written, or an element file that failed, leaves the
// earlier ZERA file as it was, and the cause is registered.
TEST_F(Dgn2ZeraTest, TheZeraFileIsReplacedOnlyWhenHeaderAndElementsAreWritten)
{
    std::string tema = writeFile("tema.tem", TEMAFIL);
    const std::string tmp = path("dgn2zera.tmp"), zera = path("ut.zer");
    const std::string gammel = ".HODE\n! an earlier export, whole\n" + std::string(4000, '!') + "\n.SLUTT\n";
    auto eksport = [&](const std::string &elementFil, int kurver) {
        if (init_dgn2zera(tema.c_str(), elementFil.c_str(), &Shead, zeratest::cTxtCallback()) != 0)
            return 100;
        std::vector<Punkt> punkter;
        for (int i = 0; i < 300; i++)
            punkter.push_back({6600000.0 + i, 500000.0 + i, 0, 0});
        for (int k = 0; k < kurver; k++) {
            element(ZERA_KURVE, "7001", punkter, k + 1);
            perf_dgn2zera(nullptr, nullptr);
        }
        int rc = exit_dgn2zera(path("ut.log").c_str(), zera.c_str(), elementFil.c_str(), tema.c_str(), "", "",
                               zeratest::cTxtCallback());
        int melding = 0;
        for (int m : {8, 9, 10, 15})
            if (registrert("ZERA2DGN", m, BMW_FATAL))
                melding = m;
        return rc * 16 + melding;
    };

    // A whole run: header and elements in one file, the element file kept.
    EXPECT_EQ(eksport(tmp, 2), 0);
    std::string t = readFile(zera), elementer = readFile(tmp);
    EXPECT_EQ(t.rfind(".HODE\n", 0), 0u) << t;
    EXPECT_EQ(t.substr(t.size() - elementer.size()), elementer);
    EXPECT_NE(t.find("\n!\n.KURVE 1:\n"), std::string::npos) << t;

    // A limit the element file fits under, but not the header before it.
    writeFile("ut.zer", gammel);
    int rc = hosttest::inChildWithFileLimit(elementer.size() + 16, [&] { return eksport(tmp, 2); });
    EXPECT_EQ(rc, 1 * 16 + 10) << "not written, the disk is full";
    EXPECT_EQ(readFile(zera), gammel);
    EXPECT_EQ(hosttest::filesBeginningWith(path(""), "ut.zer.~"), "");

    EXPECT_EQ(eksport("/dev/full", 2), 3 * 16 + 9) << "the element file failed";
    EXPECT_EQ(readFile(zera), gammel);
}

TEST_F(Dgn2ZeraTest, LevelFourWithoutAreasBecomesThree)
{
    std::string tema = writeFile("tema.tem", TEMAFIL);
    std::string tmp = path("dgn2zera.tmp"), zera = path("ut.zer");
    SheadStruct hode = Shead;
    hode.zeraNivaa = 4;
    ASSERT_EQ(init_dgn2zera(tema.c_str(), tmp.c_str(), &hode, zeratest::cTxtCallback()), 0);
    element(ZERA_PUNKT, "2101", {{10, 20, 0, 0}});
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 0);
    EXPECT_EQ(exit_dgn2zera(path("ut.log").c_str(), zera.c_str(), tmp.c_str(), tema.c_str(), "", "",
                            zeratest::cTxtCallback()),
              0);
    std::string text = readFile(zera);
    EXPECT_NE(text.find("..ZERA-NIV\xC5 3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("...MIN-N\xD8 10 20\n...MAX-N\xD8 10 20\n"), std::string::npos) << text;
}

// The header's area takes an arc or circle as the square around its centre.
TEST_F(Dgn2ZeraTest, ArcExtentIsTheSquareAroundTheCentre)
{
    std::string tema = writeFile("tema.tem", TEMAFIL);
    struct Tilfelle {
        const char *navn;
        int type;
        std::vector<Punkt> punkter;
        double radius;
        const char *omraade;
        const char *slutt; // the element file's end
    };
    const std::vector<Tilfelle> tilfeller = {
        {"arc by its ends", ZERA_BUE, {{0, 0, 0, 0}, {0, 10, 0, 0}, {0, 5, 0, 0}}, 5.0,
         "...MIN-N\xD8 -5 0\n...MAX-N\xD8 5 10\n", "..RADIUS 5.000\n..N\xD8\n0 0\n0 1000\n.SLUTT\n"},
        {"circle", ZERA_SIRKEL, {{0, 5, 0, 0}}, 5.0, "...MIN-N\xD8 -5 0\n...MAX-N\xD8 5 10\n",
         "..RADIUS 5.000\n..N\xD8\n0 500\n.SLUTT\n"},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        std::string tmp = path("dgn2zera.tmp"), zera = path("ut.zer");
        ASSERT_EQ(init_dgn2zera(tema.c_str(), tmp.c_str(), &Shead, zeratest::cTxtCallback()), 0);
        element(t.type, "7001", t.punkter);
        Elm.radius = t.radius;
        EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 0);
        EXPECT_EQ(exit_dgn2zera(path("ut.log").c_str(), zera.c_str(), tmp.c_str(), tema.c_str(), "", "",
                                zeratest::cTxtCallback()),
                  0);
        std::string text = readFile(zera);
        EXPECT_NE(text.find(t.omraade), std::string::npos) << text;
        text = readFile(tmp);
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), strlen(t.slutt))), t.slutt) << text;
    }
}

TEST_F(Dgn2ZeraTest, PerfResults)
{
    std::string tema = writeFile("tema.tem", TEMAFIL);
    std::string tmp = path("dgn2zera.tmp");
    ASSERT_EQ(init_dgn2zera(tema.c_str(), tmp.c_str(), &Shead, zeratest::cTxtCallback()), 0);
    matchLevel = 1;

    // Matched by level: the row gives theme, object type and description.
    element(ZERA_PUNKT, nullptr, {{1, 1, 0, 0}}, 1);
    kopier(Elm.level, sizeof Elm.level, "50");
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 0);
    // No row for the level: registered as unknown, nothing written.
    element(ZERA_PUNKT, nullptr, {{1, 1, 0, 0}}, 2);
    kopier(Elm.level, sizeof Elm.level, "99");
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 1);
    EXPECT_EQ(Bmw.notImported[ZERA_PUNKT - 1], 1);
    // Refused by the writer.
    element(ZERA_LINJE, "7001", {{1, 1, 0, 0}}, 3);
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 3);
    // A type the writer has no group for.
    element(14, "7001", {{1, 1, 0, 0}}, 4);
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 3);

    dlmSystem_mdlFclose(Filep_tmpzer);
    Filep_tmpzer = nullptr;
    EXPECT_EQ(readFile(tmp), ".PUNKT 1:\n..OBJTYPE Beskrevet\n..PTEMA 1010\n..DATO 20240101\n..KVALITET 82\n"
                             "..EKSTRA 1\n..N\xD8\n100 100\n");
    EXPECT_EQ(Bmw.read[ZERA_PUNKT - 1], 2);
    EXPECT_EQ(Bmw.written[ZERA_PUNKT - 1], 1);

    // Without an element file nothing can be written.
    element(ZERA_PUNKT, "2101", {{1, 1, 0, 0}});
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 3);
}

TEST_F(Dgn2ZeraTest, GivenThemeFindsOnlyItsOwnPointRow)
{
    std::string tema = writeFile("tema.tem", TEMAFIL);
    ASSERT_EQ(init_dgn2zera(tema.c_str(), path("dgn2zera.tmp").c_str(), &Shead, zeratest::cTxtCallback()), 0);
    // Row 5 (2102) holds height-rounding flag 10: a single height.
    element(ZERA_PUNKT, "2102", {{1, 1, 5, 0}});
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 0);
    EXPECT_EQ(Elm.matchRow[0], 5);
    // A theme without a row: no row is looked up, whatever matchRow held.
    element(ZERA_PUNKT, "1234", {{1, 1, 5, 0}});
    Elm.matchRow[0] = 5;
    EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 0);
    EXPECT_EQ(Elm.matchRow[0], -1);
    dlmSystem_mdlFclose(Filep_tmpzer);
    Filep_tmpzer = nullptr;
    std::string text = readFile(path("dgn2zera.tmp"));
    EXPECT_NE(text.find("..PTEMA 2102\n..DATO 20240101\n..H\xD8YDE 5.000\n..N\xD8\n100 100\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("..PTEMA 1234\n..DATO 20240101\n..N\xD8H\n100 100 500\n"), std::string::npos) << text;
}

int hoydeTema(const char *theme, int) { return strcmp(theme, "3001") == 0; }

TEST_F(Dgn2ZeraTest, GeoGraphicsAsksTheApplicationAboutHeights)
{
    geoGraphics = 1;
    hoydeAvrunding = 5;
    ASSERT_EQ(init_dgn2zera(nullptr, path("dgn2zera.tmp").c_str(), &Shead, zeratest::cTxtCallback()), 0);
    element(ZERA_KURVE, "3001", {{1, 1, 12.74, 0}, {2, 2, 12.8, 0}});
    EXPECT_EQ(perf_dgn2zera(nullptr, reinterpret_cast<MdlFunctionP>(&hoydeTema)), 0);
    EXPECT_DOUBLE_EQ(Elm.H[1], 12.5);

    multHoyde = 10;
    element(ZERA_KURVE, "3001", {{1, 1, 12.5, 0}, {2, 2, 12.5, 0}});
    Elm.sameHeight = 1;
    EXPECT_EQ(perf_dgn2zera(nullptr, reinterpret_cast<MdlFunctionP>(&hoydeTema)), 1);
}

TEST_F(Dgn2ZeraTest, InitFailures)
{
    std::string tema = writeFile("tema.tem", TEMAFIL);
    struct Tilfelle {
        const char *navn;
        std::string tema;
        std::string ut;
        int16_t charset;
        int number;
    };
    const std::vector<Tilfelle> tilfeller = {
        {"element file", tema, path("no/dir/x.tmp"), ZERA_CHARSET_ISO, 1},
        {"theme table", path("missing.tem"), path("x.tmp"), ZERA_CHARSET_ISO, 3},
        {"character set", tema, path("x.tmp"), 7, 5},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        Mstemtab.rowCount = 0;
        SheadStruct hode = Shead;
        hode.charset = t.charset;
        EXPECT_EQ(init_dgn2zera(t.tema.c_str(), t.ut.c_str(), &hode, zeratest::cTxtCallback()), -2);
        EXPECT_TRUE(registrert("ZERA2DGN", t.number, BMW_FATAL));
        EXPECT_EQ(Filep_tmpzer, nullptr);
    }
}

TEST_F(Dgn2ZeraTest, ExitReportsAZeraFileThatCannotBeCreated)
{
    std::string tema = writeFile("tema.tem", TEMAFIL);
    ASSERT_EQ(init_dgn2zera(tema.c_str(), path("dgn2zera.tmp").c_str(), &Shead, zeratest::cTxtCallback()), 0);
    std::string rapport = path("ut.log");
    EXPECT_EQ(exit_dgn2zera(rapport.c_str(), path("no/dir/ut.zer").c_str(), "", tema.c_str(), "", "",
                            zeratest::cTxtCallback()),
              1);
    EXPECT_TRUE(registrert("ZERA2DGN", 8, BMW_FATAL));
    EXPECT_TRUE(zeratest::fileExists(rapport));
    EXPECT_EQ(readFile(path("dgn2zera.tmp")), ".SLUTT\n");

    // A report that cannot be written.
    ASSERT_EQ(init_dgn2zera(tema.c_str(), path("dgn2zera.tmp").c_str(), &Shead, zeratest::cTxtCallback()), 0);
    EXPECT_EQ(exit_dgn2zera(path("no/dir/ut.log").c_str(), path("ut.zer").c_str(), "", tema.c_str(), "", "",
                            zeratest::cTxtCallback()),
              2);

    // Without init: no element file to close, and no crash.
    memset(&Shead, 0, sizeof Shead);
    EXPECT_NE(exit_dgn2zera(rapport.c_str(), path("ut2.zer").c_str(), "", "", "", "", zeratest::cTxtCallback()), 0);
}

TEST_F(Dgn2ZeraTest, ElementFileWriteErrorIsReportedOnce)
{
    std::string tema = writeFile("tema.tem", TEMAFIL);
    ASSERT_EQ(init_dgn2zera(tema.c_str(), "/dev/full", &Shead, zeratest::cTxtCallback()), 0);
    // Large enough to pass the stream's buffer, so the write reaches the device.
    std::vector<Punkt> punkter;
    for (int i = 0; i < 2000; i++)
        punkter.push_back({6600000.0 + i, 500000.0 + i, 0, 0});
    for (int k = 0; k < 2; k++) {
        element(ZERA_KURVE, "7001", punkter, k + 1);
        EXPECT_EQ(perf_dgn2zera(nullptr, nullptr), 3);
    }
    EXPECT_EQ(antallRegistrert("ZERA2DGN", 9), 1);
    EXPECT_EQ(Bmw.written[ZERA_KURVE - 1], 0);
    EXPECT_EQ(exit_dgn2zera(path("ut.log").c_str(), path("ut.zer").c_str(), "", tema.c_str(), "", "",
                            zeratest::cTxtCallback()),
              3);
    EXPECT_EQ(antallRegistrert("ZERA2DGN", 9), 1);
}

/* ---- read back through the engine's reader ---------------------------------------- */

TEST_F(Dgn2ZeraTest, OldVersionQualityAndDateSurviveARoundTrip)
{
    Shead.zeraVersjon = 2.1;
    Shead.dato = 20000101;
    Shead.kvalitet[0] = 82;
    Shead.kvalitet[1] = 100;
    Shead.kvalitet[2] = 3;
    std::string head = hode(1);
    head.resize(head.size() - strlen(".SLUTT\n"));
    SheadStruct lest;
    int32_t size = 0;
    std::string fil = writeFile("rt.zer", head + ".SLUTT\n");
    ASSERT_EQ(zerget_headinfo(fil.c_str(), &lest, &size, zeratest::cTxtCallback()), 0);
    ScharStruct keys;
    int16_t set = lest.charset;
    ASSERT_EQ(schar_init(&set, &keys), 0);

    struct Tilfelle {
        std::vector<int32_t> kvalitet;
        int32_t dato;
        std::vector<int32_t> lest; // what the reader gives
    };
    const std::vector<Tilfelle> tilfeller = {
        // Inherited from the header: all three places come back.
        {{0, 0, 0, 0, 0, 0}, 0, {82, 100, 3, 0, 0, 0}},
        {{90, 0, 0, 0, 0, 0}, 0, {90, 0, 0, 0, 0, 0}},
        {{82, 100, 2, 0, 0, 0}, 20200202, {0, 0, 2, 0, 0, 0}},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.kvalitet[0]);
        element(ZERA_PUNKT, "1010", {{1, 1, 0, 0}});
        for (int i = 0; i < 6; i++)
            Elm.kvalitet[i] = t.kvalitet[i];
        Elm.dato = t.dato;
        std::string group = skriv();

        int32_t line = 1;
        int16_t passMode = 2;
        ASSERT_EQ(zerget_elm(group.c_str(), &lest, &keys, &line, &passMode), 0) << group;
        ASSERT_EQ(zerget_coord(group.c_str(), &lest, &keys), 0) << group;
        for (int i = 0; i < 6; i++)
            EXPECT_EQ(Elm.kvalitet[i], t.lest[i]) << i << "\n" << group;
        EXPECT_EQ(Elm.dato, t.dato != 0 ? t.dato : Shead.dato);

        // Written again, the element is the same group.
        Elm.rest[0] = '\0';
        EXPECT_EQ(skriv(), group);
    }
}

// A written 0 and a "*" are two values: read and written again, the line is
// the one of the file, also where the header holds a value for the place.
TEST_F(Dgn2ZeraTest, QualityZeroAndStarStayApartThroughReadAndWrite)
{
    Shead.kvalitet[0] = 82;
    Shead.kvalitet[1] = 100;
    Shead.kvalitet[2] = 3;
    std::string head = hode(1);
    std::string fil = writeFile("kv.zer", head);
    SheadStruct lest;
    int32_t size = 0;
    ASSERT_EQ(zerget_headinfo(fil.c_str(), &lest, &size, zeratest::cTxtCallback()), 0);
    ScharStruct keys;
    int16_t set = lest.charset;
    ASSERT_EQ(schar_init(&set, &keys), 0);

    const char *linjer[] = {
        "..KVALITET 96 5 0 96 5\n",
        "..KVALITET 96 5 * 96 5\n",
        "..KVALITET 0 * 0\n",
        "..KVALITET * 0 * 0 * 0\n",
    };
    for (const char *linje : linjer) {
        SCOPED_TRACE(linje);
        std::string group = std::string(".PUNKT 1:\n..PTEMA 1010\n..DATO 20240101\n") + linje + "..N\xD8\n100 100\n";
        int32_t line = 1;
        int16_t passMode = 2;
        ASSERT_EQ(zerget_elm(group.c_str(), &lest, &keys, &line, &passMode), 0) << group;
        ASSERT_EQ(zerget_coord(group.c_str(), &lest, &keys), 0) << group;
        // The record alone carries the values.
        Elm.rest[0] = '\0';
        Elm.restLen = 0;
        std::string ut = skriv();
        EXPECT_NE(ut.find(linje), std::string::npos) << ut;
    }
}

} // namespace
