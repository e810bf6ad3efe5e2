#include <cstdio>
#include <cstring>
#include <string>

#include "engine_testing.h"

namespace {

// Message texts that name their identifier, so the layout can be checked
// byte for byte without the application's resource file.
int myText(char *rutnam, short *number, char *out)
{
    if (strcmp(rutnam, "NOTEXT") == 0)
        return 1;
    snprintf(out, BMW_CTXT_LEN, "R%s-%d", rutnam, *number);
    return 0;
}

MdlFunctionP textCb() { return reinterpret_cast<MdlFunctionP>(&myText); }

class RapportTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        bmwinit();
        bmwclr();
        memset(&Elm, 0, sizeof Elm);
        kopier(Bmw.date, sizeof Bmw.date, "05-Mar-24");
        geoGraphics = 0;
        xmlOn = 0;
        mdlhost_setActiveDesignFile("plan.dgn");
    }
    void TearDown() override
    {
        geoGraphics = 0;
        xmlOn = 0;
        mdlhost_setActiveDesignFile("");
        EngineTest::TearDown();
    }

    // Unknown themes ABC, 1200, 1010 and 1200 of another type, in this order.
    static void fire_ukjente()
    {
        const struct {
            const char *theme;
            int16_t type;
        } themes[] = {{"ABC", ZERA_PUNKT}, {"1200", ZERA_PUNKT}, {"1010", ZERA_PUNKT}, {"1200", ZERA_LINJE}};
        int16_t k = 0;
        bmw_sett("MSTEMTAB", 19, BMW_NOTE);
        for (const auto &t : themes) {
            Elm.type = t.type;
            kopier(Elm.theme[0], sizeof Elm.theme[0], t.theme);
            kopier(Elm.objtype, sizeof Elm.objtype, t.theme[0] == 'A' ? "Kum" : "");
            ASSERT_EQ(bmwput_tem(&k), 0);
        }
        bmwput_tem(&k); // the second 1200 of type 3 is met twice
    }

    std::string head(const std::string &report, bool themeLines) const
    {
        std::string h = "ZVZERA  Import\n\nRBMW-32 05-Mar-24\nRBMW-39 " + report +
                        "\nRBMW-40 plan.dgn\nRBMW-41 data.sos\n";
        if (themeLines) {
            h += "RBMW-42 tema.tem\n";
            if (xmlOn != 0)
                h += "RBMW-50 flate.xml\n";
        }
        return h + "\n";
    }
};

TEST_F(RapportTest, ImportReportLayout)
{
    xmlOn = 1;
    Bmw.read[ZERA_PUNKT - 1] = 2;
    Bmw.notImported[ZERA_PUNKT - 1] = 1;
    Bmw.read[ZERA_KURVE - 1] = 3;
    Bmw.written[ZERA_KURVE - 1] = 99; // not shown in an import
    bmw_meld("SG_HEAD", 17, BMW_FATAL, 12);
    Elm.type = ZERA_KURVE;
    Elm.serial = 44;
    Elm.pointCount = 1;
    Elm.N[0] = 6600000.126;
    Elm.E[0] = 500000.5;
    kopier(Elm.objtype, sizeof Elm.objtype, "Veg");
    kopier(Elm.theme[0], sizeof Elm.theme[0], "2000");
    bmw_elmfeil("SG_ELM", 7);
    bmwclr();
    bmw_meld("SG_BUFF", 2, BMW_ERROR, 99);
    fire_ukjente();

    std::string report = path("import.rap");
    ASSERT_EQ(exit_zera2dgn(report.c_str(), "data.sos", "tema.tem", "flate.xml", 0, textCb()), 0);
    std::string want = head(report, true);
    want += "RBMW-8\nRBMW-44\n";
    want += "RBMW-11         2       1      0\n";
    want += "RBMW-14         3       0      1\n";
    want += "RBMW-51         5       1      1\n";
    want += "\n";
    want += "\nRBMW-3 :\nRBMW-2 1\nRBMW-35\n        12 RSG_HEAD-17\n";
    want += "\nRBMW-4 :\nRBMW-2 2\nRBMW-35\n";
    want += "Veg                       2000  RBMW-14    44: 6600000.13 500000.50 RSG_ELM-7\n";
    want += "RSG_BUFF-2 99\n";
    want += "\nRBMW-37\nRBMW-36\n";
    want += "Kum                       ABC   RBMW-11        1 RMSTEMTAB-19\n";
    want += "1010  RBMW-11        1 RMSTEMTAB-19\n";
    want += "1200  RBMW-11        1 RMSTEMTAB-19\n";
    want += "1200  RBMW-13        2 RMSTEMTAB-19\n";
    EXPECT_EQ(zeratest::readFile(report), want);
}

TEST_F(RapportTest, UnknownThemesShownByModeAndRunKind)
{
    Bmw.read[ZERA_PUNKT - 1] = 2;
    Bmw.written[ZERA_PUNKT - 1] = 3;
    fire_ukjente();
    const std::string counters = "RBMW-11         2       0      0\nRBMW-51         2       0      0\n";
    const std::string scanCounters = "RBMW-11         2       3      0\nRBMW-51         2       3      0\n";
    const std::string importList = "Kum                       ABC   RBMW-11        1 RMSTEMTAB-19\n"
                                   "1010  RBMW-11        1 RMSTEMTAB-19\n"
                                   "1200  RBMW-11        1 RMSTEMTAB-19\n"
                                   "1200  RBMW-13        2 RMSTEMTAB-19\n";
    const struct {
        const char *name;
        int16_t kind;
        int32_t geo;
        int unknownImported;
        std::string body;
    } cases[] = {
        {"imported, not listed", BMW_RUN_IMPORT, 0, 1, "RBMW-8\nRBMW-43\n" + counters},
        {"GeoGraphics lists them anyway", BMW_RUN_IMPORT, 1, 1,
         "RBMW-8\nRBMW-43\n" + counters + "\nRBMW-37\nRBMW-36\n" + importList},
        {"export", BMW_RUN_EXPORT, 0, 0, "RBMW-8\nRBMW-44\n" + counters + "\nRBMW-37\nRBMW-45\n" + importList},
        {"scan", BMW_RUN_SCAN, 0, 0,
         "RBMW-46\nRBMW-48\n" + scanCounters +
             "\nRBMW-47\n"
             "Kum                       ABC   RBMW-11        1 RMSTEMTAB-19\n"
             "1010  RBMW-11        1\n1200  RBMW-11        1\n1200  RBMW-13        2\n"},
    };
    for (const auto &c : cases) {
        bmwRunKind = c.kind;
        geoGraphics = c.geo;
        std::string report = path("ukjent.rap");
        ASSERT_EQ(exit_zera2dgn(report.c_str(), "data.sos", "tema.tem", "flate.xml", c.unknownImported, textCb()), 0);
        // The program text stays whatever the run set; only the variant changes.
        EXPECT_EQ(zeratest::readFile(report), head(report, c.geo == 0) + c.body) << c.name;
    }
}

TEST_F(RapportTest, GeoGraphicsHeadHasNoThemeOrLandXmlLine)
{
    xmlOn = 1;
    geoGraphics = 1;
    std::string report = path("geo.rap");
    ASSERT_EQ(exit_zera2dgn(report.c_str(), "data.sos", "tema.tem", "flate.xml", 0, textCb()), 0);
    std::string got = zeratest::readFile(report);
    EXPECT_EQ(got, head(report, false) + "RBMW-8\nRBMW-44\nRBMW-51         0       0      0\n");
    EXPECT_EQ(got.find("RBMW-42"), std::string::npos);
    EXPECT_EQ(got.find("RBMW-50"), std::string::npos);

    geoGraphics = 0;
    xmlOn = 0;
    ASSERT_EQ(exit_zera2dgn(report.c_str(), "data.sos", "tema.tem", "flate.xml", 0, textCb()), 0);
    got = zeratest::readFile(report);
    EXPECT_NE(got.find("RBMW-42 tema.tem\n"), std::string::npos);
    EXPECT_EQ(got.find("RBMW-50"), std::string::npos);
}

TEST_F(RapportTest, MissingTextsLeaveEmptyFields)
{
    bmw_meld("NOTEXT", 1, BMW_FATAL, 3);
    std::string report = path("tom.rap");
    ASSERT_EQ(exit_zera2dgn(report.c_str(), nullptr, nullptr, nullptr, 0, nullptr), 0);
    EXPECT_EQ(zeratest::readFile(report),
              "ZVZERA  Import\n\n 05-Mar-24\n " + report + "\n plan.dgn\n \n \n\n\n\n                0       0      0\n"
              "\n\n :\n 1\n\n         3 \n");

    ASSERT_EQ(exit_zera2dgn(report.c_str(), "data.sos", "tema.tem", "", 0, textCb()), 0);
    EXPECT_NE(zeratest::readFile(report).find("        3 \n"), std::string::npos);
}

TEST_F(RapportTest, ReportThatCannotBeWrittenFails)
{
    std::string missingDir = path("no/such/dir/r.rap");
    EXPECT_EQ(exit_zera2dgn(missingDir.c_str(), "a", "b", "c", 0, textCb()), -1);
    EXPECT_FALSE(zeratest::fileExists(missingDir));

    std::string report = path("r.rap");
    mdlhost_failNext("fopen", 1);
    EXPECT_EQ(exit_zera2dgn(report.c_str(), "a", "b", "c", 0, textCb()), -1);
    EXPECT_FALSE(zeratest::fileExists(report));
    EXPECT_EQ(exit_zera2dgn(nullptr, "a", "b", "c", 0, textCb()), -1);

    // A full device is found when the file is closed.
    if (zeratest::fileExists("/dev/full")) {
        EXPECT_EQ(exit_zera2dgn("/dev/full", "a", "b", "c", 0, textCb()), -1);
    }
    // The register is left as it was.
    EXPECT_EQ(Bmw.msgCount, 0);
}

TEST_F(RapportTest, MessageTextThroughTheDispatcher)
{
    char out[BMW_CTXT_LEN];
    bmw_ctxt(textCb(), "SG_STR", 3, out);
    EXPECT_STREQ(out, "RSG_STR-3");
    snprintf(out, sizeof out, "%s", "stale");
    bmw_ctxt(textCb(), "NOTEXT", 3, out);
    EXPECT_STREQ(out, "");
    snprintf(out, sizeof out, "%s", "stale");
    bmw_ctxt(nullptr, "SG_STR", 3, out);
    EXPECT_STREQ(out, "");
    // Longer names reach the callback cut to the column plus one.
    bmw_ctxt(textCb(), "ABCDEFGHIJKLMNOP", 1, out);
    EXPECT_STREQ(out, "RABCDEFGHI-1");
}

} // namespace
