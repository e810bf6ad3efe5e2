#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine_testing.h"

namespace {

const double PI = 3.14159265358979323846;

struct Punkt {
    double n, e, h;
    int kp;
};

class ZercoordTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        bmwinit();
        sett(ZERA_CHARSET_ISO);
    }

    void sett(int16_t charset)
    {
        ASSERT_EQ(shead_init(&charset, &head, &keys), 0);
        NO = keys.coordKey;
        NOH = keys.coordHKey;
        NOD = keys.coordDKey;
        HOYDE = keys.hoydeKey;
    }

    // Parses the group and reads its coordinates: 0, -1 from the
    // coordinates, -9 when the parser already refused it.
    int les(const std::string &group)
    {
        int32_t line = 7;
        int16_t pass = 2;
        if (zerget_elm(group.c_str(), &head, &keys, &line, &pass) != 0)
            return -9;
        return zerget_coord(group.c_str(), &head, &keys);
    }

    std::vector<Punkt> punkter() const
    {
        std::vector<Punkt> v;
        for (int32_t i = 0; i < Elm.pointCount; i++)
            v.push_back({Elm.N[i], Elm.E[i], Elm.H[i], Elm.kp[i]});
        return v;
    }

    // The one message registered, as "ROUTINE number".
    std::string melding() const
    {
        if (Bmw.msgCount != 1)
            return "count " + std::to_string(Bmw.msgCount);
        return std::string(Bmw.msg.rutnam[0]) + " " + std::to_string(Bmw.msg.number[0]);
    }

    SheadStruct head{};
    ScharStruct keys{};
    std::string NO, NOH, NOD, HOYDE;
};

TEST_F(ZercoordTest, PointsInGroundUnitsWithHeightsAndNodeCodes)
{
    struct Case {
        const char *name;
        double origoN, origoE, enhet;
        std::string group;
        std::vector<Punkt> want;
        int sameHeight, hasHoyde;
    };
    const Case cases[] = {
        {"origin and unit", 600, 100, 0.5, ".PUNKT 1:\n..PTEMA 1010\n" + NO + "\n125 300\n", {{662.5, 250, 0, 0}}, 1, 0},
        {"height per point is scaled", 0, 0, 0.01, ".PUNKT 1:\n..PTEMA 1010\n" + NOH + "\n100 200 350\n",
         {{1, 2, 3.5, 0}}, 1, 0},
        {"height key is not scaled", 0, 0, 0.01,
         ".KURVE 1:\n..LTEMA 2000\n" + HOYDE + " 350\n" + NO + "\n100 200\n300 400\n",
         {{1, 2, 350, 0}, {3, 4, 350, 0}}, 1, 1},
        {"repeated point dropped", 0, 0, 1, ".KURVE 1:\n..LTEMA 2000\n" + NO + "\n1 1\n2 2\n2 2\n3 3\n",
         {{1, 1, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}}, 1, 0},
        {"text keeps repeats", 0, 0, 1,
         ".TEKST 1:\n..TTEMA 1000\n..STRENG Hei\n" + NO + "\n1 1\n2 2\n2 2\n3 3\n",
         {{1, 1, 0, 0}, {2, 2, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}}, 1, 0},
        {"same place, other height kept", 0, 0, 1, ".KURVE 1:\n..LTEMA 2000\n" + NOH + "\n1 1 5\n1 1 6\n",
         {{1, 1, 5, 0}, {1, 1, 6, 0}}, 0, 0},
        {"node codes and sub-points", 0, 0, 1,
         ".KURVE 1:\n..LTEMA 2000\n" + NO + "\n1 1 ...KP 5\n2 2 ...PTEMA 2200\n3 3 ...PTEMA 2200 ...KP 7\n4 4\n",
         {{1, 1, 0, 5}, {2, 2, 0, 1}, {3, 3, 0, 7}, {4, 4, 0, 0}}, 1, 0},
        {"node code key without its value", 0, 0, 1, ".KURVE 1:\n..LTEMA 2000\n" + NO + "\n1 1 ...KP\n2 2\n",
         {{1, 1, 0, 0}, {2, 2, 0, 0}}, 1, 0},
        {"comment line inside a block", 0, 0, 1, ".KURVE 1:\n..LTEMA 2000\n" + NO + "\n1 1\n! merknad her\n2 2\n",
         {{1, 1, 0, 0}, {2, 2, 0, 0}}, 1, 0},
        {"blocks with and without height", 0, 0, 1,
         ".KURVE 1:\n..LTEMA 2000\n" + NOH + "\n1 1 9\n" + NO + "\n2 2\n" + NOH + "\n3 3 4\n",
         {{1, 1, 9, 0}, {2, 2, 0, 0}, {3, 3, 4, 0}}, 0, 0},
        {"height key between blocks", 0, 0, 1,
         ".KURVE 1:\n..LTEMA 2000\n" + NO + "\n1 1\n" + HOYDE + " 12.5\n" + NO + "\n2 2\n",
         {{1, 1, 0, 0}, {2, 2, 12.5, 0}}, 0, 1},
        {"depth block read as plain", 0, 0, 1, ".KURVE 1:\n..LTEMA 2000\n" + NOD + "\n1 1 30\n2 2 40\n",
         {{1, 1, 0, 0}, {2, 2, 0, 0}}, 1, 0},
        {"a line that is not numbers ends the block", 0, 0, 1,
         ".KURVE 1:\n..LTEMA 2000\n" + NO + "\n1 1\n2 2\nabc def\n3 3\n", {{1, 1, 0, 0}, {2, 2, 0, 0}}, 1, 0},
        {"decimals, signs and exponents", 10, 20, 1,
         ".KURVE 1:\n..LTEMA 2000\n" + NO + "\n-1.5 +2.25\n1e2 -0.5E1\n",
         {{8.5, 22.25, 0, 0}, {110, 15, 0, 0}}, 1, 0},
        {"CRLF lines", 0, 0, 1,
         ".KURVE 1:\r\n..LTEMA 2000\r\n" + HOYDE + " 7\r\n" + NO + "\r\n1 1 ...KP 3\r\n2 2\r\n",
         {{1, 1, 7, 3}, {2, 2, 7, 0}}, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        head.origoN = c.origoN;
        head.origoE = c.origoE;
        head.enhet = c.enhet;
        ASSERT_EQ(les(c.group), 0);
        std::vector<Punkt> got = punkter();
        ASSERT_EQ(got.size(), c.want.size());
        for (size_t i = 0; i < got.size(); i++) {
            EXPECT_DOUBLE_EQ(got[i].n, c.want[i].n) << i;
            EXPECT_DOUBLE_EQ(got[i].e, c.want[i].e) << i;
            EXPECT_DOUBLE_EQ(got[i].h, c.want[i].h) << i;
            EXPECT_EQ(got[i].kp, c.want[i].kp) << i;
        }
        EXPECT_EQ(Elm.sameHeight, c.sameHeight);
        EXPECT_EQ(Elm.hasHoyde, c.hasHoyde);
        EXPECT_DOUBLE_EQ(Elm.hoyde, c.want[0].h);
    }
    EXPECT_EQ(Bmw.msgCount, 0);
}

TEST_F(ZercoordTest, WrongPointCountsAndArcsAreRefused)
{
    struct Case {
        const char *name;
        std::string group;
        const char *message;
        int errorsType;
    };
    const Case cases[] = {
        {"curve of one point", ".KURVE 12:\n..LTEMA 2000\n" + NO + "\n1 1\n", "SG_COORD 3", ZERA_KURVE},
        {"curve whose second point repeats the first", ".KURVE 12:\n..LTEMA 2000\n" + NO + "\n1 1\n1 1\n",
         "SG_COORD 3", ZERA_KURVE},
        {"symbol whose first two points are equal", ".SYMBOL 12:\n..PTEMA 1000\n" + NO + "\n5 5\n5 5\n10 10\n",
         "SG_COORD 3", ZERA_SYMBOL},
        {"point without coordinate lines", ".PUNKT 12:\n..PTEMA 1000\n" + NO + "\n", "SG_COORD 3", ZERA_PUNKT},
        {"arc through three points of a line", ".BUEP 12:\n..LTEMA 2000\n" + NO + "\n0 0\n5 5\n10 10\n",
         "SG_COORD 8", ZERA_BUEP},
        {"arc of too short a radius", ".BUE 12:\n..LTEMA 2000\n..RADIUS 4\n" + NO + "\n0 0\n0 10\n", "SG_ELM 11",
         ZERA_BUE},
        {"arc radius below the unit", ".BUE 12:\n..LTEMA 2000\n..ENHET 0.01\n..RADIUS 0.005\n" + NO + "\n0 0\n0 1\n",
         "SG_ELM 14", ZERA_BUE},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        bmwinit();
        EXPECT_EQ(les(c.group), -1);
        EXPECT_EQ(melding(), c.message);
        EXPECT_EQ(Bmw.msg.line[0], 12);
        EXPECT_EQ(Bmw.msg.type[0], BMW_ERROR);
        EXPECT_EQ(Bmw.errors[c.errorsType - 1], 1);
        // The next element still reads.
        EXPECT_EQ(les(".PUNKT 13:\n..PTEMA 1000\n" + NO + "\n1 1\n"), 0);
    }
}

TEST_F(ZercoordTest, PointLimitNeverWritesPastTheArrays)
{
    auto kurve = [&](int n) {
        std::string g = ".KURVE 3:\n..LTEMA 2000\n" + NO + "\n";
        g.reserve(g.size() + (size_t)n * 14);
        for (int i = 0; i < n; i++)
            g += std::to_string(i) + " " + std::to_string(i + 1) + "\n";
        return g;
    };
    ASSERT_EQ(les(kurve(ZERA_MAX_POINTS - 1)), 0);
    EXPECT_EQ(Elm.pointCount, ZERA_MAX_POINTS - 1);
    EXPECT_DOUBLE_EQ(Elm.N[ZERA_MAX_POINTS - 2], ZERA_MAX_POINTS - 2);

    for (int n : {ZERA_MAX_POINTS, ZERA_MAX_POINTS + 5000}) {
        bmwinit();
        // The arrays lie one after the other in the record: a point written
        // past N would land in E[0].
        Elm.N[ZERA_MAX_POINTS - 1] = -7;
        EXPECT_EQ(les(kurve(n)), -1);
        EXPECT_EQ(melding(), "SG_COORD 1");
        EXPECT_LE(Elm.pointCount, ZERA_MAX_POINTS - 1);
        EXPECT_DOUBLE_EQ(Elm.N[ZERA_MAX_POINTS - 1], -7);
        EXPECT_DOUBLE_EQ(Elm.E[0], 1);
    }
}

TEST_F(ZercoordTest, ArcCentreFromRadiusAndLargerArcFlag)
{
    const double s = sqrt(75.0);
    const struct {
        const char *radius;
        const char *storbue;
        double cN, cE;
    } cases[] = {
        {"5", "0", 0, 5},   {"5", "1", 0, 5},    {"-5", "1", 0, 5},
        {"10", "0", -s, 5}, {"10", "1", s, 5}, {"-10", "0", s, 5}, {"-10", "1", -s, 5},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.radius) + " " + c.storbue);
        std::string g = ".BUE 4:\n..LTEMA 2000\n..RADIUS " + std::string(c.radius) + "\n..STORBUE " + c.storbue +
                        "\n" + NOH + "\n0 0 3\n0 10 4\n";
        ASSERT_EQ(les(g), 0);
        ASSERT_EQ(Elm.pointCount, 3);
        EXPECT_NEAR(Elm.N[2], c.cN, 1e-9);
        EXPECT_NEAR(Elm.E[2], c.cE, 1e-9);
        EXPECT_DOUBLE_EQ(Elm.H[2], 3);
    }
    // Inner points of a .BUE are dropped; the last point becomes the second.
    ASSERT_EQ(les(".BUE 4:\n..LTEMA 2000\n..RADIUS 5\n" + NO + "\n0 0\n3 4 ...KP 2\n0 10 ...KP 9\n"), 0);
    EXPECT_EQ(Elm.pointCount, 3);
    EXPECT_DOUBLE_EQ(Elm.E[1], 10);
    EXPECT_EQ(Elm.kp[1], 9);
    EXPECT_NEAR(Elm.E[2], 5, 1e-9);
}

TEST_F(ZercoordTest, ArcThroughThreePointsKeepsCentreAfterThem)
{
    // Radius 1000, sweep 0.5 degrees, around a map origin.
    head.origoN = 6600000;
    head.origoE = 500000;
    std::string g = ".BUEP 5:\n..LTEMA 2000\n" + NO + "\n";
    for (int i = 0; i < 3; i++) {
        double a = 0.25 * i * PI / 180.0;
        char line[64];
        snprintf(line, sizeof line, "%.9f %.9f\n", 1000 * cos(a), 1000 * sin(a));
        g += line;
    }
    ASSERT_EQ(les(g), 0);
    EXPECT_EQ(Elm.pointCount, 3);
    EXPECT_NEAR(Elm.N[3], 6600000, 1e-3);
    EXPECT_NEAR(Elm.E[3], 500000, 1e-3);
    // Going clockwise around the centre: the centre is on the right.
    EXPECT_NEAR(Elm.radius, 1000, 1e-3);

    head.origoN = head.origoE = 0;
    ASSERT_EQ(les(".BUEP 5:\n..LTEMA 2000\n" + NO + "\n" + "0 436\n218 0\n0 -436\n"), 0);
    EXPECT_LT(Elm.radius, 0);

    ASSERT_EQ(les(".SIRKELP 6:\n..LTEMA 2000\n" + NO + "\n10 0\n0 10\n-10 0\n"), 0);
    EXPECT_EQ(Elm.pointCount, 3);
    EXPECT_NEAR(Elm.N[3], 0, 1e-9);
    EXPECT_NEAR(Elm.E[3], 0, 1e-9);
    EXPECT_NEAR(Elm.radius, 10, 1e-9);
}

TEST_F(ZercoordTest, TextAngleAndSymbolDirection)
{
    ASSERT_EQ(les(".TEKST 1:\n..TTEMA 1000\n..STRENG Hei\n..DREI 50\n" + NO + "\n0 0\n0 0\n10 10\n"), 0);
    EXPECT_NEAR(Elm.angle, PI / 4, 1e-12);
    ASSERT_EQ(les(".TEKST 1:\n..TTEMA 1000\n..STRENG Hei\n" + NO + "\n0 0\n0 0\n-10 10\n"), 0);
    EXPECT_NEAR(Elm.angle, 1.75 * PI, 1e-12);
    // Fewer than three points: no direction, whatever "..DREI" said.
    ASSERT_EQ(les(".TEKST 1:\n..TTEMA 1000\n..STRENG Hei\n..DREI 50\n" + NO + "\n0 0\n"), 0);
    EXPECT_DOUBLE_EQ(Elm.angle, 0);
    ASSERT_EQ(les(".SYMBOL 2:\n..PTEMA 1000\n" + NO + "\n5 5\n0 0\n10 10\n"), 0);
    EXPECT_NEAR(Elm.angle, PI / 4, 1e-12);
    ASSERT_EQ(les(".SYMBOL 2:\n..PTEMA 1000\n" + NO + "\n5 5\n0 0\n0 -10\n"), 0);
    EXPECT_NEAR(Elm.angle, 1.5 * PI, 1e-12);
}

TEST_F(ZercoordTest, ElementAndFileExtents)
{
    ASSERT_EQ(les(".KURVE 1:\n..LTEMA 2000\n" + NOH + "\n10 20 -3\n30 5 7\n15 40 2\n"), 0);
    const double elm1[6] = {10, 5, 2, 30, 40, 7};
    for (int i = 0; i < 6; i++)
        EXPECT_DOUBLE_EQ(Elm.extent[i], elm1[i]) << i;
    EXPECT_EQ(Bmw.extentPoints, 3);

    // A circle counts with the square around it.
    ASSERT_EQ(les(".SIRKEL 2:\n..LTEMA 2000\n..RADIUS 50\n" + NOH + "\n100 100 1\n"), 0);
    const double elm2[6] = {50, 50, 1, 150, 150, 1};
    for (int i = 0; i < 6; i++)
        EXPECT_DOUBLE_EQ(Elm.extent[i], elm2[i]) << i;
    const double file[6] = {10, 5, 150, 150, 1, 7};
    for (int i = 0; i < 6; i++)
        EXPECT_DOUBLE_EQ(Bmw.fileExtent[i], file[i]) << i;
    EXPECT_EQ(Bmw.extentPoints, 4);

    // No height above 0 anywhere: the minimum stays 0.
    bmwinit();
    ASSERT_EQ(les(".PUNKT 3:\n..PTEMA 1000\n" + NOH + "\n1 1 -4\n"), 0);
    EXPECT_DOUBLE_EQ(Elm.extent[2], 0);
    EXPECT_DOUBLE_EQ(Elm.extent[5], 0);
    EXPECT_DOUBLE_EQ(Bmw.fileExtent[4], 0);
}

// Elements of many points, whose extents are taken two points at a time,
// get the extent a walk through the points one by one gives: the first of
// equal values (0 before -0 and the other way), and the lowest height
// above 0.
TEST_F(ZercoordTest, ExtentsOfManyPointsAreThoseOfAWalkThroughThem)
{
    std::mt19937 rng(20261211);
    const double verdier[] = {-0.0, 0.0, 1.5, -2.0, 7.0, 0.25, -0.0, 3.0};
    for (int runde = 0; runde < 300; runde++) {
        int32_t n = 1 + (int32_t)(rng() % 40);
        Elm.type = ZERA_KURVE;
        Elm.pointCount = n;
        for (int32_t i = 0; i < n; i++) {
            Elm.N[i] = verdier[rng() % 8];
            Elm.E[i] = verdier[rng() % 8];
            Elm.H[i] = verdier[rng() % 8];
        }
        double ventet[6] = {Elm.N[0], Elm.E[0], 0.0, Elm.N[0], Elm.E[0], 0.0};
        for (int32_t i = 0; i < n; i++) {
            ventet[0] = Elm.N[i] < ventet[0] ? Elm.N[i] : ventet[0];
            ventet[1] = Elm.E[i] < ventet[1] ? Elm.E[i] : ventet[1];
            ventet[3] = Elm.N[i] > ventet[3] ? Elm.N[i] : ventet[3];
            ventet[4] = Elm.E[i] > ventet[4] ? Elm.E[i] : ventet[4];
            ventet[5] = Elm.H[i] > ventet[5] ? Elm.H[i] : ventet[5];
            if (Elm.H[i] > 0.0 && (ventet[2] == 0.0 || Elm.H[i] < ventet[2]))
                ventet[2] = Elm.H[i];
        }
        bmwmaxmin(&head.minN, &head.maxN, &head.minE, &head.maxE, &Elm.mode);
        for (int i = 0; i < 6; i++) {
            EXPECT_EQ(Elm.extent[i], ventet[i]) << runde << " " << i;
            EXPECT_EQ(std::signbit(Elm.extent[i]), std::signbit(ventet[i])) << runde << " " << i;
        }
    }
}

TEST_F(ZercoordTest, PointTextFromStreng)
{
    ASSERT_EQ(les(".PUNKT 8:\n..PTEMA 1000\n..STRENG \"Hei du\"\n..EDIT 300\n..FLYTT 2 -1\n..XYZ 1\n" + NOH +
                  "\n100 200 5\n"),
              0);
    EXPECT_STRNE(Elm.rest, "");
    ASSERT_EQ(zerget_streng(("..STRENG \"Hei du\"\n"), &head.charset), 0);
    EXPECT_EQ(Elm.type, ZERA_TEKST);
    EXPECT_EQ(Elm.serial, -1);
    EXPECT_STREQ(Elm.text, "Hei du");
    EXPECT_STREQ(Elm.rest, "");
    ASSERT_EQ(Elm.pointCount, 2);
    EXPECT_DOUBLE_EQ(Elm.N[1], 110);
    EXPECT_DOUBLE_EQ(Elm.E[1], 195);
    EXPECT_DOUBLE_EQ(Elm.H[1], 5);

    // The file's declared set: Norwegian letters of a DOS file become ISO;
    // the brackets of an ISO file stay brackets.
    sett(ZERA_CHARSET_DOS);
    ASSERT_EQ(les(".PUNKT 8:\n..PTEMA 1000\n..STRENG \"Bl\x9B" "b\x91r \x9D\"\n" + NO + "\n1 1\n"), 0);
    ASSERT_EQ(zerget_streng(".PUNKT 8:\n..STRENG \"Bl\x9B" "b\x91r \x9D\"\n", &head.charset), 0);
    EXPECT_STREQ(Elm.text, "Bl\xF8" "b\xE6r \xD8");
    sett(ZERA_CHARSET_ISO);
    ASSERT_EQ(zerget_streng("..STRENG \"[a] {b}\"\n", &head.charset), 0);
    EXPECT_STREQ(Elm.text, "[a] {b}");

    bmwinit();
    EXPECT_EQ(zerget_streng(".PUNKT 8:\n..STRENG\n", &head.charset), -1);
    EXPECT_EQ(Bmw.errors[ZERA_TEKST - 1], 1);
    EXPECT_STREQ(Bmw.msg.rutnam[Bmw.msgCount - 1], "SG_ELM");
    EXPECT_EQ(Bmw.msg.number[Bmw.msgCount - 1], 8);
}

TEST_F(ZercoordTest, SubPointGroupsFromPtemaLines)
{
    const std::string kurve = ".KURVE 2:\n..LTEMA 2000\n" + NO + "\n100 200\n300 400 ...PTEMA 2200\n500 600\n" + NOH +
                              "\n700 800 9 ...KP 4 ...PTEMA 2201 ...KP 4\n";
    const char *g = kurve.c_str();
    char out[256];
    const char *next = nullptr;
    ASSERT_EQ(zerget_ptema(&keys, out, sizeof out, g, g, &next), 0);
    EXPECT_EQ(std::string(out), ".PUNKT -1:\n..PTEMA 2200\n" + NO + "\n300 400\n");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(std::string(next, 7), "500 600");

    // The sub-point group parses as a point of that theme at that place.
    ASSERT_EQ(les(out), 0);
    EXPECT_EQ(Elm.type, ZERA_PUNKT);
    EXPECT_EQ(Elm.serial, -1);
    ASSERT_EQ(Elm.themeCount, 1);
    EXPECT_STREQ(Elm.theme[0], "2200");
    ASSERT_EQ(Elm.pointCount, 1);
    EXPECT_DOUBLE_EQ(Elm.N[0], 300);
    EXPECT_DOUBLE_EQ(Elm.E[0], 400);

    // The next one belongs to the height block; its node codes become
    // attribute lines of their own.
    const char *from = next;
    ASSERT_EQ(zerget_ptema(&keys, out, sizeof out, from, g, &next), 0);
    EXPECT_EQ(std::string(out), ".PUNKT -1:\n..KP 4 \n..PTEMA 2201 \n..KP 4\n" + NOH + "\n700 800 9\n");
    ASSERT_EQ(les(out), 0);
    EXPECT_STREQ(Elm.theme[0], "2201");
    EXPECT_DOUBLE_EQ(Elm.H[0], 9);
    EXPECT_STREQ(Elm.rest, "");

    from = next;
    EXPECT_EQ(zerget_ptema(&keys, out, sizeof out, from, g, &next), -1);
    EXPECT_EQ(*next, '\0');
}

TEST_F(ZercoordTest, PtemaLinesWithoutCoordinatesKeyOrRoom)
{
    char out[256];
    const char *next = nullptr;
    std::string g = ".KURVE 2:\n..LTEMA 2000\n" + NO + "\n1 1\n...PTEMA 2200\n2 2\n";
    EXPECT_EQ(zerget_ptema(&keys, out, sizeof out, g.c_str(), g.c_str(), &next), 1);
    EXPECT_EQ(std::string(out), ".PUNKT -1:\n..PTEMA 2200\n" + NO + "\n");

    g = ".KURVE 2:\n..LTEMA 2000\n...PTEMA 2200\n" + NO + "\n1 1\n2 2\n";
    EXPECT_EQ(zerget_ptema(&keys, out, sizeof out, g.c_str(), g.c_str(), &next), -1);

    g = ".KURVE 2:\n..LTEMA 2000\n" + NO + "\n1 1 ...PTEMA 2200\n2 2\n";
    for (size_t size : {1, 5, 12, 20}) {
        std::vector<char> small(size + 8, 'X');
        EXPECT_EQ(zerget_ptema(&keys, small.data(), size, g.c_str(), g.c_str(), &next), -1) << size;
        EXPECT_EQ(small[0], '\0');
        for (size_t i = size; i < small.size(); i++)
            EXPECT_EQ(small[i], 'X') << size;
    }
}

TEST_F(ZercoordTest, SubPointsOfALongCurveEachFindTheirKey)
{
    // Every line a sub-point, with a height key part way: each sub-point
    // takes the nearest key before its line.
    std::string g = ".KURVE 2:\n..LTEMA 2000\n" + NO + "\n";
    const int n = 3000;
    for (int i = 0; i < n; i++) {
        if (i == n / 2)
            g += NOH + "\n";
        g += std::to_string(i) + " " + std::to_string(i) + (i >= n / 2 ? " 5" : "") + " ...PTEMA 2200\n";
    }
    const char *from = g.c_str();
    const char *next = nullptr;
    char out[256];
    int count = 0;
    while (zerget_ptema(&keys, out, sizeof out, from, g.c_str(), &next) == 0) {
        std::string want = ".PUNKT -1:\n..PTEMA 2200\n" + (count >= n / 2 ? NOH : NO) + "\n" + std::to_string(count) + " " +
                           std::to_string(count) + (count >= n / 2 ? " 5" : "") + "\n";
        ASSERT_EQ(std::string(out), want) << count;
        count++;
        from = next;
    }
    EXPECT_EQ(count, n);
}

// Each number of a coordinate line is read as strtod reads its token, with
// the number at the end of the group as in the middle of it; a token that
// is not wholly a finite number ends the points.
TEST_F(ZercoordTest, CoordinateNumbersReadAsTheCLibraryReadsThem)
{
    const char *const tall[] = {"7",        "-7",        "+7",         "12345678",        "123456789",
                                "1234567890123", "0000000001",
                                "1234567890123456", "123456789012345", "-123456789012345", "0012",
                                "1.25",     "-0.5",      "1e3",        "12345678.5",      "1234567x",
                                "12345678x", "0x10",     "1e400",      "nan",             "1e-400",
                                "99999999999999999999",  "\xD8" "1",   "-",               "."};
    // A unit so small that every finite number stays within any map.
    head.enhet = 1e-12;
    for (const char *t : tall) {
        char *slutt = nullptr;
        double v = strtod(t, &slutt);
        bool godtatt = *slutt == '\0' && std::isfinite(v);
        for (bool sist : {true, false}) {
            SCOPED_TRACE(std::string(t) + (sist ? " at the end" : " inside"));
            std::string gruppe = ".KURVE 1:\n..LTEMA 1000\n" + NO + "\n1 1\n5 " + t + "\n";
            if (!sist)
                gruppe += std::string(40, ' ') + "\n..X 1\n";
            ASSERT_EQ(les(gruppe), godtatt ? 0 : -1);
            if (godtatt) {
                ASSERT_EQ(Elm.pointCount, 2);
                EXPECT_EQ(Elm.E[1], 1e-12 * v + head.origoE);
            }
        }
    }
}

// Long blocks, whose common lines are read many at a time, give every line
// the point the C library's numbers give, whatever the line's shape and
// wherever it stands against the block's start; repeats are dropped.
TEST_F(ZercoordTest, LongBlocksGiveEachLineItsNumbers)
{
    const char *const linjer[] = {"1 2 3", "12345678 87654321 5", "123456789 987654321 12",
                                  "123456789012345 1 0", "1234567890123456 7 8", " 5 6 7", "5  6 7", "5 6 7 ",
                                  "5\t6 7", "-5 6 7", "5 6 7 ..KP 3", "0000000001 02 3", "7 8 9", "7 8 9",
                                  "99 100 101"};
    head.enhet = 0.5e-6; // every line within any map
    head.origoN = 100.0;
    head.origoE = 200.0;
    for (bool medHoyde : {false, true}) {
        for (int forskyv = 0; forskyv < 70; forskyv++) {
            SCOPED_TRACE(std::string(medHoyde ? "with heights" : "plain") + ", shifted " + std::to_string(forskyv));
            std::string gruppe = ".KURVE 1:\n..LTEMA 1000\n..X " + std::string(forskyv, 'y') + "\n" +
                                 (medHoyde ? NOH : NO) + "\n";
            std::vector<Punkt> ventet;
            for (int runde = 0; runde < 5; runde++) {
                for (const char *l : linjer) {
                    gruppe += std::string(l) + "\n";
                    // The numbers as strtod reads them; a line with too few
                    // ends the block, so none is in the table.
                    const char *p = l;
                    double t[3] = {0.0, 0.0, 0.0};
                    for (int k = 0; k < (medHoyde ? 3 : 2); k++) {
                        char *slutt = nullptr;
                        t[k] = strtod(p, &slutt);
                        p = slutt;
                    }
                    int kp = strstr(l, "..KP 3") != nullptr ? 3 : 0;
                    Punkt pt{head.enhet * t[0] + 100.0, head.enhet * t[1] + 200.0, medHoyde ? head.enhet * t[2] : 0.0,
                             kp};
                    if (!ventet.empty() && ventet.back().n == pt.n && ventet.back().e == pt.e &&
                        ventet.back().h == pt.h)
                        continue;
                    ventet.push_back(pt);
                }
            }
            gruppe += "..Y 1\n";
            ASSERT_EQ(les(gruppe), 0);
            std::vector<Punkt> fikk = punkter();
            ASSERT_EQ(fikk.size(), ventet.size());
            for (size_t i = 0; i < fikk.size(); i++) {
                SCOPED_TRACE("point " + std::to_string(i));
                EXPECT_EQ(fikk[i].n, ventet[i].n);
                EXPECT_EQ(fikk[i].e, ventet[i].e);
                EXPECT_EQ(fikk[i].h, ventet[i].h);
                EXPECT_EQ(fikk[i].kp, ventet[i].kp);
            }
        }
    }
}

// Through the parser's index of the group the coordinates, sub-points and
// keys are the ones the text gives, also for groups mangled at random.
TEST_F(ZercoordTest, CoordinatesThroughTheParsersIndexAreTheTextsOwn)
{
    const std::string grupper[] = {
        ".KURVE 13:\n..LTEMA 2000\n" + HOYDE + " 12\n" + NO + "\n1 1\n2 2 ...PTEMA 2200 ...KP 4\n" + NOH +
            "\n3 3 3\n" + HOYDE + " 7\n" + NOD + "\n4 4 4\n",
        ".PUNKT 1:\n..PTEMA 1\n..X " + NO + "\n" + NOH + "\n5 5 5\n",
        ".TEKST 2:\n..TTEMA 1\n..STRENG x\n" + NO + "\n1 1\n1 1\n2 3\n",
    };
    std::mt19937 rng(20251211);
    const char biter[] = {'.', '.', ' ', '\n', 'H', 'D', '1', '\xD8', ':', '-'};
    for (const std::string &g : grupper) {
        for (int runde = 0; runde < 400; runde++) {
            std::string m = g;
            for (int k = 0, n = (int)(rng() % 5); k < n; k++) {
                size_t at = rng() % m.size();
                if (rng() % 2 == 0)
                    m.insert(at, 1, biter[rng() % sizeof biter]);
                else
                    m.erase(at, 1);
            }
            int32_t linje = 1;
            int16_t pass = 2;
            if (zerget_elm(m.c_str(), &head, &keys, &linje, &pass) != 0)
                continue;
            ASSERT_NE(zerget_indeks(m.c_str()), nullptr);
            int a = zerget_coord(m.c_str(), &head, &keys);
            std::vector<Punkt> pa = punkter();
            int b = zerget_coord_parset(m.c_str(), &head, &keys);
            std::vector<Punkt> pb = punkter();
            ASSERT_EQ(a, b) << m;
            ASSERT_EQ(pa.size(), pb.size()) << m;
            for (size_t i = 0; i < pa.size(); i++) {
                ASSERT_EQ(pa[i].n, pb[i].n) << m;
                ASSERT_EQ(pa[i].e, pb[i].e) << m;
                ASSERT_EQ(pa[i].h, pb[i].h) << m;
                ASSERT_EQ(pa[i].kp, pb[i].kp) << m;
            }
            // and the first sub-point, and the key of a point text
            char ua[300], ub[300];
            const char *na = nullptr, *nb = nullptr;
            int ra = zerget_ptema(&keys, ua, sizeof ua, m.c_str(), m.c_str(), &na);
            int rb = zerget_ptema_parset(&keys, ub, sizeof ub, m.c_str(), m.c_str(), &nb);
            ASSERT_EQ(ra, rb) << m;
            ASSERT_STREQ(ua, ub) << m;
            ASSERT_EQ(na, nb) << m;
            ASSERT_EQ(zerget_nokkel_parset(m.c_str(), "..STRENG"), finn_nokkel(m.c_str(), "..STRENG", nullptr)) << m;
        }
    }
    // Another text at the place of the parsed one has no index.
    EXPECT_EQ(zerget_indeks("x"), nullptr);
}

} // namespace
