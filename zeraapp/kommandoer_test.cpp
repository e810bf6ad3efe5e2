// The import and export commands' pieces on real files: headers and their
// failures, the standard header, the file list and its log names, target
// designs made from the seed, side files, and the append of the element
// file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kommandoer.h"
#include "testing/importskriver_testing.h"
#include "zvliberror.h"

namespace fs = std::filesystem;

namespace {

class KommandoTest : public importtest::ImportTest {
  protected:
    void TearDown() override
    {
        if (zeraFilListe != nullptr) {
            mdlStringList_destroy(zeraFilListe);
            zeraFilListe = nullptr;
        }
        ImportTest::TearDown();
    }
    static std::string les(const std::string &p)
    {
        std::ifstream f(p, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    void skriv(const std::string &navn, const std::string &tekst)
    {
        std::ofstream(path(navn), std::ios::binary) << tekst;
    }
    void liste(std::initializer_list<std::string> filer)
    {
        NyZeraFilListe(nullptr);
        for (const std::string &f : filer) {
            long i = 0;
            mdlStringList_insertMember(&i, zeraFilListe, -1, 1);
            mdlStringList_setMember(zeraFilListe, i, f.c_str(), nullptr);
        }
    }
    static std::string hode(int nivaa)
    {
        return ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
               "..OMR\xC5" "DE\n...MIN-N\xD8 6600000 500000\n...MAX-N\xD8 6601000 501000\n..KVALITET 82 100\n"
               "..ZERA-NIV\xC5 " +
               std::to_string(nivaa) + "\n.SLUTT\n";
    }
};

TEST_F(KommandoTest, HeadersAreReadOrTheirFailureIsReported)
{
    skriv("god.zer", hode(4));
    SheadStruct h{};
    int32_t storrelse = 0;
    ASSERT_EQ(LesZeraHode(path("god.zer").c_str(), &h, &storrelse, nullptr), 0);
    EXPECT_EQ(h.zeraNivaa, 4);
    EXPECT_EQ(storrelse, static_cast<int32_t>(fs::file_size(path("god.zer"))));
    VisHodeOmraade(&h);
    EXPECT_STREQ(data_.hodeMinTekst, "6600000 500000");
    EXPECT_STREQ(data_.hodeMaksTekst, "6601000 501000");
    EXPECT_STREQ(data_.hodeKvalitetTekst, "82 100");
    EXPECT_EQ(data_.enhetsnevner, 100);

    // In batch the reason goes to the report, with the file's name.
    std::string rapport = path("rapport.txt");
    FILE *r = fopen(rapport.c_str(), "w");
    EXPECT_EQ(LesZeraHode(path("mangler.zer").c_str(), &h, nullptr, r), ZVZERA_FEIL);
    fclose(r);
    std::string tekst = les(rapport);
    EXPECT_EQ(tekst.substr(0, 1), "\n");
    EXPECT_NE(tekst.find("\ni filen: " + path("mangler.zer") + "\n"), std::string::npos) << tekst;
    EXPECT_EQ(h.zeraNivaa, 4) << "the header is left as it was";
}

TEST_F(KommandoTest, TheStandardHeader)
{
    for (int zera40 : {0, 1}) {
        data_.zera40 = zera40;
        SheadStruct h;
        memset(&h, 0x55, sizeof h);
        LagStandardHode(&h);
        EXPECT_EQ(h.charset, ZERA_CHARSET_DOS);
        EXPECT_EQ(h.koordsys, 99);
        EXPECT_DOUBLE_EQ(h.enhet, 0.01);
        EXPECT_DOUBLE_EQ(h.zeraVersjon, zera40 ? 4.0 : 3.4);
        EXPECT_EQ(h.zeraNivaa, 3);
        EXPECT_EQ(h.kvalitet[0], 22);
        EXPECT_EQ(h.kvalitet[1], 36);
        EXPECT_GT(h.dato, 20000101);
        EXPECT_EQ(h.minN, 0.0);
        EXPECT_EQ(h.kartid[0], '\0');
    }
}

TEST_F(KommandoTest, EachFileOfTheListGetsItsOwnLog)
{
    skriv("a.zer", hode(3));
    skriv("b.zer", hode(4));
    liste({path("a.zer"), path("b.zer"), path("c.zer")});
    snprintf(data_.loggFil, sizeof data_.loggFil, "D:\\logs\\prosjekt.log");
    struct {
        int i, rc;
        const char *logg;
        int nivaa;
    } tilfeller[] = {{0, 0, "D:\\logs\\prosj001.log", 3}, {1, 0, "D:\\logs\\prosj002.log", 4}};
    for (auto &t : tilfeller) {
        ASSERT_EQ(VelgZeraFil(t.i), t.rc);
        EXPECT_STREQ(data_.loggFil, t.logg);
        EXPECT_EQ(data_.hode.zeraNivaa, t.nivaa);
        EXPECT_EQ(std::string(data_.zeraFil), path(t.i == 0 ? "a.zer" : "b.zer"));
    }
    // A second run takes the same base, not the name made last.
    ASSERT_EQ(VelgZeraFil(0), 0);
    EXPECT_STREQ(data_.loggFil, "D:\\logs\\prosj001.log");
    snprintf(data_.loggFil, sizeof data_.loggFil, "E:\\a.log"); // the user's new base
    for (int runde = 0; runde < 2; ++runde) {
        ASSERT_EQ(VelgZeraFil(0), 0);
        EXPECT_STREQ(data_.loggFil, "E:\\a001.log");
    }
    EXPECT_EQ(VelgZeraFil(2), ZVZERA_FEIL); // missing
    EXPECT_EQ(VelgZeraFil(3), ZVZERA_FEIL); // not in the list
    // One log per ZERA file, named after it.
    data_.loggPerZeraFil = 1;
    ASSERT_EQ(VelgZeraFil(1), 0);
    EXPECT_EQ(std::string(data_.loggFil), path("b.log"));
}

TEST_F(KommandoTest, ATargetDesignIsMadeFromTheSeedAndAnExistingOneIsAskedFor)
{
    DPoint3d o{0, 0, 0};
    std::string seed = path("seed2d.dgn");
    ASSERT_EQ(mdlhost_dgnCreateFile(seed.c_str(), 0, 100.0, "m", &o), 0);
    snprintf(data_.seedFil, sizeof data_.seedFil, "%s", seed.c_str());
    std::string maal = path("ny.dgn");
    ASSERT_EQ(AapneMaalTegning(maal.c_str()), 0);
    EXPECT_EQ(std::string(tcbP->dgnfilenm), maal);
    EXPECT_EQ(mdlModelRef_getUorPerMaster(mdlModelRef_getActive()), 100.0) << "the seed's units";
    EXPECT_EQ(AapneMaalTegning(maal.c_str()), 0) << "the active design is taken as it is";

    // Another design exists: a user is asked; no means it is left alone.
    mdlhost_closeDesignFile();
    batchModus = 0;
    std::string annen = path("annen.dgn");
    ASSERT_EQ(mdlhost_dgnCreateFile(annen.c_str(), 1, 1000.0, "m", &o), 0);
    auto for_ = fs::last_write_time(annen);
    ASSERT_EQ(mdlhost_scriptModal(20011, "press PushButton -4"), 0);
    EXPECT_EQ(AapneMaalTegning(annen.c_str()), ZVZERA_FEIL);
    EXPECT_EQ(fs::last_write_time(annen), for_);
    ASSERT_EQ(mdlhost_scriptModal(20011, "press PushButton -3"), 0);
    EXPECT_EQ(AapneMaalTegning(annen.c_str()), 0);
    EXPECT_EQ(mdlModelRef_getUorPerMaster(mdlModelRef_getActive()), 100.0) << "replaced by the seed";
    // A seed that is not there: nothing is made.
    snprintf(data_.seedFil, sizeof data_.seedFil, "%s", path("borte.dgn").c_str());
    EXPECT_EQ(AapneMaalTegning(path("tredje.dgn").c_str()), ZVZERA_FEIL);
    EXPECT_FALSE(fs::exists(path("tredje.dgn")));
}

TEST_F(KommandoTest, SideFilesAreNamedAfterTheDesign)
{
    data_.lagEtikettfil = data_.lagXyzFil = 1;
    AapneSidefiler();
    ASSERT_NE(data_.etikettfil, nullptr);
    ASSERT_NE(data_.xyzFil, nullptr);
    LukkSidefiler();
    EXPECT_EQ(data_.etikettfil, nullptr);
    std::string stamme = dgnPath().substr(0, dgnPath().size() - 3);
    EXPECT_EQ(les(stamme + "drv"), "pds_file_type{01 00}\n");
    EXPECT_TRUE(fs::exists(stamme + "xyz"));
}

TEST_F(KommandoTest, TheElementFileIsAppendedUnchangedAndRemoved)
{
    std::string lang(700, 'x');
    skriv("ut.zer", ".HODE\n..ZERA-NIV\xC5 3\n");
    skriv("dgn2zera.tmp", ".LINJE 1:\n..NAVN " + lang + "\n.SLUTT\n");
    ASSERT_EQ(LeggTilZeraFil(path("dgn2zera.tmp").c_str(), path("ut.zer").c_str()), 0);
    EXPECT_EQ(les(path("ut.zer")), ".HODE\n..ZERA-NIV\xC5 3\n.LINJE 1:\n..NAVN " + lang + "\n.SLUTT\n");
    EXPECT_FALSE(fs::exists(path("dgn2zera.tmp")));
    // A ZERA file that cannot be opened keeps the element file.
    skriv("dgn2zera.tmp", "x\n");
    EXPECT_EQ(LeggTilZeraFil(path("dgn2zera.tmp").c_str(), path("mangler/ut.zer").c_str()), ZVZERA_FEIL);
    EXPECT_TRUE(fs::exists(path("dgn2zera.tmp")));
}

TEST_F(KommandoTest, TheTemporaryFolder)
{
    char k[ZVZERA_TEKST_LEN];
    mdlSystem_defineCfgVar("ZVZERA_TEMP", "/tmp/zvz/");
    FinnTempKatalog(k);
    EXPECT_STREQ(k, "/tmp/zvz/");
    mdlSystem_defineCfgVar("ZVZERA_TEMP", nullptr);
    mdlSystem_defineCfgVar("MS_TMP", "/tmp/ms/");
    FinnTempKatalog(k);
    EXPECT_STREQ(k, "/tmp/ms/");
    mdlSystem_defineCfgVar("MS_TMP", nullptr);
    FinnTempKatalog(k);
    EXPECT_STREQ(k, "C:\\temp\\");
}

} // namespace
