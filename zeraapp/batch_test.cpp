// The batch job file: types, switches, patterns, refusals and the limit of
// 1000 items; and the report's header with its switches.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "batch.h"
#include "testing/importskriver_testing.h"
#include "zvlibtext.h"

namespace fs = std::filesystem;

namespace {

class JobbTest : public importtest::ImportTest {
  protected:
    void TearDown() override
    {
        FrigjorBatchJobb(&jobb_);
        if (rapport_)
            fclose(rapport_);
        hoydeAvrunding = multHoyde = 0;
        matchLevel = matchColor = matchStyle = matchWeight = 0;
        ImportTest::TearDown();
    }
    // Reads the job text; the report's text so far in rapport().
    int les(const std::string &jobb)
    {
        std::ofstream(path("jobb.txt")) << jobb;
        if (rapport_)
            fclose(rapport_);
        rapport_ = fopen(path("rapport.txt").c_str(), "w+");
        FrigjorBatchJobb(&jobb_);
        return LesBatchFil(path("jobb.txt").c_str(), 0, &jobb_, rapport_);
    }
    std::string rapport()
    {
        fflush(rapport_);
        return importtest::lesFil(path("rapport.txt"));
    }
    void fil(const std::string &navn) { std::ofstream(path(navn)) << "x"; }

    BatchJobb jobb_{};
    FILE *rapport_ = nullptr;
};

TEST_F(JobbTest, AnImportIgnoresTheExportSwitchesAndNamesTheDesignAfterTheZeraFile)
{
    data_.punktModus = 0;
    ASSERT_EQ(les("Type: IMPORT\nBrytere-eksport: 1 1 1 1 5 5 1\nDGN-dir: /ut\nFilnavn: * kart.zer\n"), 0);
    ASSERT_EQ(jobb_.count, 1);
    EXPECT_STREQ(jobb_.items[0]->dgn, "/ut\\kart.dgn");
    EXPECT_STREQ(jobb_.items[0]->groups, "*");
    EXPECT_EQ(matchLevel, 0);
    EXPECT_EQ(data_.lagreTekststoerrelse, 0);
    // The import's own switches: storing level 4, attributes as texts,
    // rounding and multiple heights as given, points as lines.
    ASSERT_EQ(les("Type: IMPORT\nBrytere-import:   1 2 0 1 5 2\nFilnavn: a.dgn b.zer\n"), 0);
    EXPECT_EQ(data_.lagreNivaa4, 1);
    EXPECT_EQ(data_.lagreEgenskaper, 2);
    EXPECT_EQ(data_.egenskapModus, 1);
    EXPECT_EQ(hoydeAvrunding, 1);
    EXPECT_EQ(multHoyde, 5);
    EXPECT_EQ(data_.punktModus, 2);
}

TEST_F(JobbTest, PatternsAndTheirRefusals)
{
    fs::create_directories(path("dgn"));
    fil("dgn/d1.dgn");
    fil("dgn/d2.dgn");
    fil("dgn/x.dgn");
    std::string mapper = "DGN-dir: " + path("dgn") + "\nZERA-dir: /zer\n";
    // In an import a pattern is no design name.
    EXPECT_EQ(les("Type: IMPORT\n" + mapper + "Filnavn: d*.dgn b.zer\n"), ZVZERA_FEIL);
    EXPECT_NE(rapport().find("\nFeil! Tegnene '*' og '?' kan ikke brukes som del av DGN-navn.\n"
                             "      Tegnet '*' kan imidlertid brukes alene for \xE5 angi samme navn som ZERA-fil.\n"),
              std::string::npos)
        << rapport();
    // In an export it names one item per design, each with its ZERA name.
    ASSERT_EQ(les("Type: EKSPORT\n" + mapper + "Filnavn: d*.dgn * HDB KART01\n"), 0);
    ASSERT_EQ(jobb_.count, 2);
    EXPECT_STREQ(jobb_.items[0]->dgn, (path("dgn") + "\\d1.dgn").c_str());
    EXPECT_STREQ(jobb_.items[0]->zera, "/zer\\d1.zer");
    EXPECT_STREQ(jobb_.items[1]->zera, "/zer\\d2.zer");
    EXPECT_STREQ(jobb_.items[1]->groups, "HDB");
    EXPECT_STREQ(jobb_.items[1]->kartId, "KART01");
    // A pattern as part of a ZERA name in an export is refused.
    EXPECT_EQ(les("Type: EKSPORT\n" + mapper + "Filnavn: d1.dgn k*.zer\n"), ZVZERA_FEIL);
    EXPECT_NE(rapport().find("kan ikke brukes som del av ZERA-navn"), std::string::npos) << rapport();
    // A pattern that matches nothing adds nothing.
    EXPECT_EQ(les("Type: EKSPORT\n" + mapper + "Filnavn: q*.dgn\n"), ZVZERA_FEIL);
    // A map id without groups takes none.
    ASSERT_EQ(les("Type: EKSPORT\n" + mapper + "Filnavn: d1.dgn a.zer \"\" K\n"), 0);
    EXPECT_STREQ(jobb_.items[0]->kartId, "K");
}

TEST_F(JobbTest, TheTypeIsWrittenInCapitals)
{
    EXPECT_EQ(les("Type: import\nFilnavn: a.dgn b.zer\n"), ZVZERA_FEIL);
    EXPECT_NE(rapport().find("\nFeil kode for 'Type' i filen: " + path("jobb.txt") + "\n"), std::string::npos);
    EXPECT_EQ(jobb_.count, 0);
}

TEST_F(JobbTest, AtMost1000ItemsEvenFromOnePattern)
{
    fs::create_directories(path("zer"));
    for (int i = 0; i < 1001; ++i)
        fil("zer/k" + std::to_string(i) + ".zer");
    ASSERT_EQ(les("Type: IMPORT\nZERA-dir: " + path("zer") + "\nFilnavn: * k*.zer\nFilnavn: * sist.zer\n"), 0);
    EXPECT_EQ(jobb_.count, BATCH_MAKS_FILER);
    EXPECT_NE(rapport().find("\nFeil! Max. 1000 tegninger kan konverteres i batch.\n"), std::string::npos);
}

TEST_F(JobbTest, TheReportHeaderNamesTheSwitches)
{
    struct {
        const char *jobb;
        const char *brytere;
    } tilfeller[] = {
        {"Type: EKSPORT\nBrytere-eksport: 1 1 0 0 0 0 1\nFilnavn: a.dgn b.zer\n",
         "Brytere p\xE5  : Sjekk mot lag, farge i temafil\n              Lagre teksth\xF8yde/bredde\n"},
        {"Type: EKSPORT\nBrytere-eksport: 0 0 0 0 0 0 0\nFilnavn: a.dgn b.zer\n", "Brytere p\xE5  : \n"},
        {"Type: IMPORT\nBrytere-import: 1 0 0 1 2 0\nFilnavn: a.dgn b.zer\n",
         "Brytere p\xE5  : Lagre niv\xE5 4\n              H\xF8ydeavrunding til hele meter\n"
         "              Kun multiple h\xF8yder av 2 meter\n"},
    };
    for (auto &t : tilfeller) {
        SCOPED_TRACE(t.jobb);
        data_.lagreNivaa4 = data_.lagreEgenskaper = data_.lagreTekststoerrelse = 0;
        hoydeAvrunding = multHoyde = 0;
        ASSERT_EQ(les(t.jobb), 0);
        // No theme table: the header and the reason, nothing converted.
        zvlib::copyText(data_.temaFil, path("mangler.tem").c_str());
        KjoerBatch(&jobb_, rapport_);
        std::string r = rapport();
        EXPECT_NE(r.find(std::string(t.brytere) + "=====") , std::string::npos) << r;
        EXPECT_NE(r.find("\nFeil ved lesing av temafilen: " + path("mangler.tem") + "\n"), std::string::npos) << r;
        EXPECT_EQ(r.find("ZERA-filer er"), std::string::npos) << r;
    }
}

TEST_F(JobbTest, ADamagedJobFileIsRefusedWholeWithItsFileAndLine)
{
    for (int i = 0; i <= 20; i++)
        std::ofstream(path("n" + std::to_string(i) + ".job")) << "%include n" << i + 1 << ".job\n";
    std::ofstream(path("n21.job")) << "Filnavn: c.dgn c.zer\n";
    struct {
        const char *hva;
        std::string skade, fil, aarsak;
        int linje;
    } tilfeller[] = {
        {"a comment of 600 characters", "#" + std::string(600, 'x') + "\n", "jobb.txt",
         "linjen er lengre enn 511 tegn", 3},
        {"a NUL byte in a comment", std::string("# a\0b\n", 6), "jobb.txt", "linjen har et NUL-tegn", 3},
        {"an item behind 20 nested includes", "%include n0.job\n", "n15.job", "er inkludert dypere enn 16", 1},
        {"a missing include", "%include borte.job\n", "jobb.txt", "borte.job kan ikke \xE5pnes", 3},
    };
    for (auto &t : tilfeller) {
        SCOPED_TRACE(t.hva);
        EXPECT_EQ(les("Type: IMPORT\nFilnavn: a.dgn a.zer\n" + t.skade + "Filnavn: b.dgn b.zer\n"), ZVZERA_FEIL);
        EXPECT_EQ(jobb_.count, 0);
        std::string r = rapport();
        EXPECT_NE(r.find(t.aarsak), std::string::npos) << r;
        EXPECT_NE(r.find("(linje " + std::to_string(t.linje) + " i filen: " + path(t.fil) + ")"), std::string::npos)
            << r;
        EXPECT_NE(r.find("Jobben er ikke kj\xF8rt."), std::string::npos) << r;
    }
}

TEST_F(JobbTest, AFolderEndingInABackslashKeepsTheNextItem)
{
    ASSERT_EQ(les("Type: IMPORT\nDGN-dir: ut\\dgn\\\nFilnavn: a.dgn a.zer\nZERA-dir: z\\\n  filnavn : b.dgn b.zer\n"
                  "Filnavn: c.dgn \\\nc.zer\n"),
              0);
    ASSERT_EQ(jobb_.count, 3);
    EXPECT_STREQ(jobb_.items[0]->dgn, "ut\\dgn\\a.dgn");
    EXPECT_STREQ(jobb_.items[1]->zera, "z\\b.zer");
    // A line continued into one that is no key is still joined.
    EXPECT_STREQ(jobb_.items[2]->zera, "z\\c.zer");
}

} // namespace
