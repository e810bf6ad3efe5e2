#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine_testing.h"

namespace {

// A complete ISO 8859-1 header, one line per entry.
const std::vector<std::string> kHode = {
    ".HODE",
    "..TEGNSETT ISO8859-1",
    "..TRANSPAR",
    "...KOORDSYS 22",
    "...ORIGO-N\xD8 6600000 500000",
    "...ENHET 0.01",
    "..OMR\xC5" "DE",
    "...MIN-N\xD8 6600000 500000",
    "...MAX-N\xD8 6700000 600000",
    "..ZERA-VERSJON 4.0",
    "..ZERA-NIV\xC5 3",
    "..DATO 20000101",
    "..KVALITET 82 100 3",
    "..KARTID \"Oslo sentrum\"",
    "..PRODUSENT \"Kart og Data\"",
    "..EIER Kommune",
    "...FKBDATA A B C D",
    "..H\xD8YDE 12.5",
    "..KOMM 301",
    "..INNHOLD",
    "...TESTN\xD8KKEL 3",
};

// The header's lines that no field takes, as the header keeps them.
const std::string kEkstra = "..H\xD8YDE 12.5\n...TESTN\xD8KKEL 3";

// The header with the lines that start with a given prefix replaced (an
// empty replacement removes the line; a prefix that matches nothing adds
// the replacement at the end).
std::string hode(const std::vector<std::pair<std::string, std::string>> &endringer = {})
{
    std::vector<std::string> linjer = kHode;
    for (const auto &[prefiks, ny] : endringer) {
        bool funnet = false;
        for (auto &l : linjer)
            if (l.compare(0, prefiks.size(), prefiks) == 0 &&
                (l.size() == prefiks.size() || l[prefiks.size()] == ' ')) {
                l = ny;
                funnet = true;
            }
        if (!funnet)
            linjer.push_back(ny);
    }
    std::string out;
    for (const auto &l : linjer)
        if (!l.empty())
            out += l + "\n";
    return out;
}

class ZerheadTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        bmwinit();
        memset(&h_, 0x55, sizeof h_);
        memset(&k_, 0x55, sizeof k_);
    }

    int parse(const std::string &group)
    {
        bmwinit();
        return zerget_head(group.c_str(), &h_, &k_);
    }

    SheadStruct h_;
    ScharStruct k_;
};

TEST_F(ZerheadTest, ReadsEveryModelledValue)
{
    ASSERT_EQ(parse(hode()), 0);
    EXPECT_STREQ(h_.tegnsett, "DECM8");
    EXPECT_EQ(h_.charset, 1);
    EXPECT_EQ(h_.koordsys, 22);
    EXPECT_DOUBLE_EQ(h_.origoN, 6600000);
    EXPECT_DOUBLE_EQ(h_.origoE, 500000);
    EXPECT_DOUBLE_EQ(h_.enhet, 0.01);
    EXPECT_DOUBLE_EQ(h_.minN, 6600000);
    EXPECT_DOUBLE_EQ(h_.minE, 500000);
    EXPECT_DOUBLE_EQ(h_.maxN, 6700000);
    EXPECT_DOUBLE_EQ(h_.maxE, 600000);
    EXPECT_DOUBLE_EQ(h_.minH, -9999999.9);
    EXPECT_DOUBLE_EQ(h_.zeraVersjon, 4.0);
    EXPECT_EQ(h_.zeraNivaa, 3);
    EXPECT_EQ(h_.dato, 20000101);
    EXPECT_EQ(h_.kvalitet[0], 82);
    EXPECT_EQ(h_.kvalitet[1], 100);
    EXPECT_EQ(h_.kvalitet[2], 3);
    EXPECT_EQ(h_.kvalitet[3], 0);
    EXPECT_STREQ(h_.kartid, "Oslo sentrum");
    EXPECT_STREQ(h_.produsent, "Kart og Data");
    EXPECT_STREQ(h_.eier, "Kommune");
    EXPECT_STREQ(h_.fkbdata[0], "A");
    EXPECT_STREQ(h_.fkbdata[3], "D");
    EXPECT_DOUBLE_EQ(h_.hoyde, 12.5);
    EXPECT_EQ(h_.komm, 301);
    EXPECT_STREQ(h_.extraHead, kEkstra.c_str());
    EXPECT_STREQ(k_.origoKey, "...ORIGO-N\xD8");
    EXPECT_EQ(Bmw.msgCount, 0);
}

TEST_F(ZerheadTest, NumberedChecks)
{
    const struct {
        const char *name;
        std::vector<std::pair<std::string, std::string>> endringer;
        int fatal; // SG_HEAD number, 0: accepted
    } cases[] = {
        {"no .HODE", {{".HODE", ".PUNKT 1:"}}, 1},
        {"no ..TEGNSETT", {{"..TEGNSETT", ""}}, 2},
        {"unknown set", {{"..TEGNSETT", "..TEGNSETT UTF8"}}, 3},
        {"set name longer than the field", {{"..TEGNSETT", "..TEGNSETT XXXXXXXXDOSN8"}}, 3},
        {"no origin", {{"...ORIGO-N\xD8", ""}}, 5},
        {"origin key of another set", {{"...ORIGO-N\xD8", "...ORIGO-N\\ 6600000 500000"}}, 17},
        {"origin key in a set the engine does not know", {{"...ORIGO-N\xD8", "...ORIGO-N\xC3\x98 6600000 500000"}}, 17},
        {"origin stem without its letter", {{"...ORIGO-N\xD8", "...ORIGO-N 6600000 500000"}}, 5},
        {"origin key run on into another", {{"...ORIGO-N\xD8", "...ORIGO-N\xD8..N\xD8 6600000 500000"}}, 5},
        {"no ..ENHET", {{"...ENHET", ""}}, 6},
        {"..ENHET with two dots", {{"...ENHET", "..ENHET 0.5"}}, 0},
        {"unit 0", {{"...ENHET", "...ENHET 0"}}, 18},
        {"negative unit", {{"...ENHET", "...ENHET -1"}}, 18},
        {"infinite unit", {{"...ENHET", "...ENHET inf"}}, 18},
        {"unit without value", {{"...ENHET", "...ENHET"}}, 18},
        {"max below min", {{"...MAX-N\xD8", "...MAX-N\xD8 6500000 600000"}}, 16},
        {"max below min, E", {{"...MAX-N\xD8", "...MAX-N\xD8 6700000 400000"}}, 16},
        {"version below 1", {{"..ZERA-VERSJON", "..ZERA-VERSJON 0.5"}}, 19},
        {"version not a number", {{"..ZERA-VERSJON", "..ZERA-VERSJON nan"}}, 19},
        {"level 7", {{"..ZERA-NIV\xC5", "..ZERA-NIV\xC5 7"}}, 20},
        {"level 0", {{"..ZERA-NIV\xC5", "..ZERA-NIV\xC5 0"}}, 20},
        {"level 65537 does not wrap to 1", {{"..ZERA-NIV\xC5", "..ZERA-NIV\xC5 65537"}}, 20},
        {"level key in the 7-bit spelling", {{"..ZERA-NIV\xC5", "..ZERA-NIV] 6"}}, 0},
        {"date after 2010 is only a warning", {{"..DATO", "..DATO 20240101"}}, 0},
        {"missing optional keys are warnings",
         {{"..ZERA-VERSJON", ""}, {"...KOORDSYS", ""}, {"...MIN-N\xD8", ""}, {"...MAX-N\xD8", ""},
          {"..ZERA-NIV\xC5", ""}, {"..DATO", ""}, {"..KVALITET", ""}, {"..KARTID", ""}, {"..PRODUSENT", ""},
          {"..EIER", ""}},
         0},
    };
    for (const auto &c : cases) {
        int r = parse(hode(c.endringer));
        if (c.fatal == 0) {
            EXPECT_EQ(r, 0) << c.name;
            EXPECT_EQ(Bmw.msgCount, 0) << c.name;
            continue;
        }
        EXPECT_EQ(r, -2) << c.name;
        ASSERT_EQ(Bmw.msgCount, 1) << c.name;
        EXPECT_STREQ(Bmw.msg.rutnam[0], "SG_HEAD") << c.name;
        EXPECT_EQ(Bmw.msg.number[0], c.fatal) << c.name;
        EXPECT_EQ(Bmw.msg.type[0], BMW_FATAL) << c.name;
        EXPECT_EQ(Bmw.msg.line[0], 0) << c.name;
        EXPECT_STREQ(Bmw.msg.theme[0], ".HODE") << c.name;
        EXPECT_STREQ(Bmw.msg.objtype[0], ".HODE") << c.name;
        EXPECT_EQ(Bmw.lastFatal, 1) << c.name;
    }
}

TEST_F(ZerheadTest, SetNamesAndKeysInTheDeclaredSet)
{
    const struct {
        const char *tegnsett;
        const char *oe, *aa, *oeLiten;
        int charset;
        const char *navn;
    } cases[] = {
        {"ISO8859-10", "\xD8", "\xC5", "\xF8", 1, "DECM8"},
        {"ANSI", "\xD8", "\xC5", "\xF8", 1, "DECM8"},
        {"DECN7", "\\", "]", "|", 2, "DECN7"},
        {"ND7", "\\", "]", "|", 2, "DECN7"},
        {"DOSN8", "\x9D", "\x8F", "\x9B", 3, "DOSN8"},
    };
    for (const auto &c : cases) {
        std::string oe = c.oe, aa = c.aa;
        std::string g = ".HODE\n..TEGNSETT " + std::string(c.tegnsett) + "\n...ORIGO-N" + oe +
                        " 10 20\n...ENHET 1\n..ZERA-NIV" + aa + " 2\n..H" + oe + "YDE 7\n..KARTID \"Tr" +
                        c.oeLiten + "ndelag\"\n";
        ASSERT_EQ(parse(g), 0) << c.tegnsett;
        EXPECT_EQ(h_.charset, c.charset) << c.tegnsett;
        EXPECT_STREQ(h_.tegnsett, c.navn) << c.tegnsett;
        EXPECT_EQ(h_.zeraNivaa, 2) << c.tegnsett;
        EXPECT_DOUBLE_EQ(h_.hoyde, 7) << c.tegnsett;
        EXPECT_STREQ(h_.kartid, "Tr\xF8ndelag") << c.tegnsett;
        EXPECT_DOUBLE_EQ(h_.origoE, 20) << c.tegnsett;
    }
}

TEST_F(ZerheadTest, CoordinateSystemFromTranssysOrGeosysFromVersionThree)
{
    std::string trans = hode({{"...KOORDSYS", ""},
                              {"..ZERA-VERSJON", "..ZERA-VERSJON 3.0"},
                              {"...TRANSSYS", "...TRANSSYS 22 1 2 3 4 5 6"},
                              {"...GEOKOORD", "...GEOKOORD 9"}});
    ASSERT_EQ(parse(trans), 0);
    EXPECT_EQ(h_.koordsys, -1);
    EXPECT_EQ(h_.transsysCode, 22);
    for (int i = 0; i < 6; i++)
        EXPECT_DOUBLE_EQ(h_.transsysParams[i], i + 1);
    EXPECT_EQ(h_.geokoord, 9);
    EXPECT_NE(strstr(h_.extraHead, "...TRANSSYS 22 1 2 3 4 5 6"), nullptr);
    EXPECT_NE(strstr(h_.extraHead, "...GEOKOORD 9"), nullptr);

    ASSERT_EQ(parse(hode({{"...KOORDSYS", ""}, {"...GEOSYS", "...GEOSYS 1 2 33"}})), 0);
    EXPECT_EQ(h_.koordsys, -2);
    EXPECT_EQ(h_.geosysDatum, 1);
    EXPECT_EQ(h_.geosysProjection, 2);
    EXPECT_EQ(h_.geosysZone, 33);

    // Below version 3 neither is read.
    ASSERT_EQ(parse(hode({{"...KOORDSYS", ""},
                          {"..ZERA-VERSJON", "..ZERA-VERSJON 2.2"},
                          {"...TRANSSYS", "...TRANSSYS 22 1 2 3 4 5 6"}})),
              0);
    EXPECT_EQ(h_.koordsys, 0);
    EXPECT_EQ(h_.transsysCode, 0);

    // ...KOORDSYS wins over ...TRANSSYS.
    ASSERT_EQ(parse(hode({{"...TRANSSYS", "...TRANSSYS 22 1 2 3 4 5 6"}})), 0);
    EXPECT_EQ(h_.koordsys, 22);
    EXPECT_EQ(h_.transsysCode, 0);
}

TEST_F(ZerheadTest, ValuesAreBoundedAndKeysMatchWholly)
{
    std::string lang(60, 'L');
    ASSERT_EQ(parse(hode({{"..KVALITET", "..KVALITET * 50 7 1 2 3 4"},
                          {"...FKBDATA", "...FKBDATA ABCDEFGHIJKLMNOP B"},
                          {"..KARTID", "..KARTID " + lang},
                          {"..KOMM", "..KOMMENTAR 5"},
                          {"..EIER", "..EIERFORM privat"},
                          {"..DATO", "..DATO 99999999999"}})),
              0);
    EXPECT_EQ(h_.kvalitet[0], 0);
    EXPECT_EQ(h_.kvalitet[1], 50);
    EXPECT_EQ(h_.kvalitet[2], 0); // outside 0..3
    EXPECT_EQ(h_.kvalitet[5], 3);
    EXPECT_STREQ(h_.fkbdata[0], "ABCDEFGHIJK");
    EXPECT_STREQ(h_.fkbdata[1], "B");
    EXPECT_STREQ(h_.fkbdata[2], "");
    EXPECT_EQ(std::string(h_.kartid), lang.substr(0, SHEAD_TEXT_LEN - 1));
    EXPECT_EQ(h_.komm, 0);
    EXPECT_STREQ(h_.eier, "");
    EXPECT_EQ(h_.dato, INT32_MAX);
    EXPECT_NE(strstr(h_.extraHead, "..KOMMENTAR 5"), nullptr);
    EXPECT_NE(strstr(h_.extraHead, "..EIERFORM privat"), nullptr);

    // An unreadable text value is registered once, as the value reader's error.
    ASSERT_EQ(parse(hode({{"..KARTID", "..KARTID \"" + std::string(90, 'x') + "\""}})), 0);
    EXPECT_STREQ(h_.kartid, "");
    ASSERT_EQ(Bmw.msgCount, 1);
    EXPECT_STREQ(Bmw.msg.rutnam[0], "SG_STR");
    EXPECT_EQ(Bmw.msg.number[0], 3);
}

TEST_F(ZerheadTest, ExtraHeadKeepsWholeLinesWithinItsSize)
{
    std::vector<std::pair<std::string, std::string>> mange;
    for (int i = 0; i < 40; i++)
        mange.push_back({"..X" + std::to_string(i), "..X" + std::to_string(i) + " " + std::string(40, 'v')});
    ASSERT_EQ(parse(hode(mange)), 0);
    std::string ekstra = h_.extraHead;
    // The two kept lines of the base header (28 characters with the
    // separator), ..X0 to ..X9 of 45 and ..X10 to ..X19 of 46 characters:
    // 958 characters, and ..X20 would pass 999.
    EXPECT_EQ(ekstra.size(), 958u);
    EXPECT_EQ(ekstra.compare(0, kEkstra.size(), kEkstra), 0);
    std::string siste = "\n..X19 " + std::string(40, 'v');
    EXPECT_EQ(ekstra.compare(ekstra.size() - siste.size(), siste.size(), siste), 0);

    // The first line that does not fit ends the text; so do three
    // remaining characters, even for a line short enough to fit them.
    ASSERT_EQ(parse(hode({{"..A", "..A " + std::string(968, 'a')}, {"..B", "..B"}})), 0);
    EXPECT_STREQ(h_.extraHead, kEkstra.c_str());
    ASSERT_EQ(parse(hode({{"..B", "..B " + std::string(963, 'b')}, {"xy", "xy"}})), 0);
    ekstra = h_.extraHead;
    EXPECT_EQ(ekstra.size(), 996u);
    EXPECT_EQ(ekstra.find("xy"), std::string::npos);
}

class ZerheadinfoTest : public zeratest::EngineTest {
  protected:
    int read(const std::string &name)
    {
        memset(&h_, 0x55, sizeof h_);
        size_ = -5;
        return zerget_headinfo(name.c_str(), &h_, &size_, zeratest::cTxtCallback());
    }
    SheadStruct h_;
    int32_t size_ = 0;
};

TEST_F(ZerheadinfoTest, Results)
{
    const std::string god = hode() + "! 01-jan-24\n!\n.PUNKT 1:\n..N\xD8\n1 2\n.SLUTT\n";
    std::string stor = ".HODE\n";
    while (stor.size() < 12000)
        stor += "..X " + std::string(60, 'x') + "\n";
    const struct {
        const char *name;
        std::string bytes;
        int result;
        const char *rutnam; // the first registered message, "" none
        int number;
    } cases[] = {
        {"header", god, 0, "", 0},
        {"CRLF header", [&] {
             std::string s;
             for (char c : god) {
                 if (c == '\n')
                     s += '\r';
                 s += c;
             }
             return s;
         }(),
         0, "", 0},
        {"header only, no .SLUTT", hode(), 0, "", 0},
        {"empty file", "", 2, "", 0},
        {"no group line", "\n\n..TEGNSETT DOSN8\n", 2, "", 0},
        {"header of 12,000 characters", stor + ".SLUTT\n", 2, "SG_BUFF", 2},
        {"header refused", hode({{"...ENHET", "...ENHET 0"}}) + ".SLUTT\n", 3, "SG_HEAD", 18},
        {"first group is not a header", ".PUNKT 1:\n..N\xD8\n1 2\n.SLUTT\n", 3, "SG_HEAD", 1},
    };
    for (const auto &c : cases) {
        std::string p = writeFile("h.zer", c.bytes);
        EXPECT_EQ(read(p), c.result) << c.name;
        EXPECT_EQ(size_, (int32_t)c.bytes.size()) << c.name;
        if (*c.rutnam == '\0') {
            EXPECT_EQ(Bmw.msgCount, 0) << c.name;
        } else {
            ASSERT_GE(Bmw.msgCount, 1) << c.name;
            EXPECT_STREQ(Bmw.msg.rutnam[0], c.rutnam) << c.name;
            EXPECT_EQ(Bmw.msg.number[0], c.number) << c.name;
        }
        if (c.result == 0) {
            EXPECT_STREQ(h_.tegnsett, "DECM8") << c.name;
            EXPECT_DOUBLE_EQ(h_.enhet, 0.01) << c.name;
            EXPECT_STREQ(h_.extraHead, kEkstra.c_str()) << c.name;
        }
    }
}

TEST_F(ZerheadinfoTest, MissingFileIsOne)
{
    EXPECT_EQ(read(path("finnes-ikke.zer")), 1);
    std::string p = writeFile("h.zer", hode());
    mdlhost_failNext("fopen", 1);
    EXPECT_EQ(read(p), 1);
    EXPECT_EQ(read(p), 0);
}

// A FIFO without a writer, a device that never ends or a directory, named
// as a ZERA or header file, is refused at once: neither the header read nor
// the import blocks or reads for ever, and the import registers the file.
TEST_F(ZerheadinfoTest, OnlyARegularFileIsRead)
{
    std::string fifo = path("ror.zer"), katalog = path("mappe.zer");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir(katalog.c_str(), 0700), 0);
    std::string tema = writeFile("tema.tem", "Veg;7001;VSI;L;20;2;0;0;0;0;0;KRYSS;1;1;0\n");
    alarm(60); // a read that blocks ends the test instead of hanging it
    for (const std::string &navn : {fifo, std::string("/dev/zero"), katalog}) {
        SCOPED_TRACE(navn);
        EXPECT_EQ(read(navn), 1);
        bmwinit();
        EXPECT_EQ(perf_zera2dgn(navn.c_str(), tema.c_str(), path("inn.log").c_str(), "", 0, nullptr, nullptr,
                                zeratest::cTxtCallback(), nullptr),
                  -2);
        bool registrert = false;
        for (int i = 0; i < Bmw.msgCount; i++)
            registrert = registrert || (strcmp(Bmw.msg.rutnam[i], "ZERA2DGN") == 0 && Bmw.msg.number[i] == 1);
        EXPECT_TRUE(registrert);
    }
    alarm(0);
}

} // namespace
