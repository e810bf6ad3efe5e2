// The import and export commands' pieces on real files: headers and their
// failures, the standard header, the file list and its log names, target
// designs made from the seed, side files, and the append of the element
// file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/mdlcmd.h"
#include "batch.h"
#include "dgnskriv_int.h"
#include "kommandoer.h"
#include "kroker.h"
#include "oppsett.h"
#include "testing/importskriver_testing.h"
#include "zvliberror.h"
#include "zvlibtext.h"

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
    EXPECT_EQ(tekst.substr(0, 12), "\nZERA2DGN 1:") << "the cause, though the engine registers none";
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
    zvlib::copyText(data_.seedFil, seed.c_str());
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
    zvlib::copyText(data_.seedFil, path("borte.dgn").c_str());
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

// ---- the runs, as a user starts them ----------------------------------------------------

class KjoringTest : public KommandoTest {
  protected:
    void SetUp() override
    {
        KommandoTest::SetUp();
        if (HasFatalFailure())
            return;
        batchModus = 0;
        ASSERT_EQ(PubliserBrukerData(), 0);
        ASSERT_EQ(PubliserKroker(), 0);
        fs::create_directories(path("logs"));
        fs::create_directories(path("tmp"));
        zvlib::copyText(data_.temaFil, temaFil_.c_str());
        zvlib::copyText(data_.loggFil, path("logs/prosjekt.log").c_str());
        mdlSystem_defineCfgVar("ZVZERA_TEMP", (path("tmp") + "/").c_str());
    }
    void TearDown() override
    {
        mdlSystem_defineCfgVar("ZVZERA_TEMP", nullptr);
        if (data_.fkbListe) {
            mdlStringList_destroy(data_.fkbListe);
            data_.fkbListe = nullptr;
        }
        if (data_.loggListe) {
            mdlStringList_destroy(data_.loggListe);
            data_.loggListe = nullptr;
        }
        KommandoTest::TearDown();
    }
    static std::string zera(int serie, const char *n)
    {
        return ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
               "..ZERA-NIV\xC5 3\n.LINJE " +
               std::to_string(serie) + ":\n..LTEMA 1012\n..N\xD8\n" + n + " 50000000\n" + n +
               " 50000100\n.SLUTT\n";
    }
    long loggMerke(int i)
    {
        const char *tekst = nullptr;
        long *info = nullptr;
        EXPECT_EQ(mdlStringList_getMember(&tekst, &info, data_.loggListe, i), 0);
        return info ? info[1] : -1;
    }
};

TEST_F(KjoringTest, TwoFilesIntoTheCurrentDesignEachWithItsLog)
{
    skriv("a.zer", zera(1, "660000000"));
    skriv("b.zer", zera(2, "660000500"));
    liste({path("a.zer"), path("b.zer")});
    skriv("logs/prosj001.log", "gammel");
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_IMPORT, "ok"), 0);
    ImporterZeraFiler();
    EXPECT_EQ(alle().size(), 2u);
    EXPECT_TRUE(fs::exists(path("logs/prosj001.log")));
    EXPECT_TRUE(fs::exists(path("logs/prosj002.log")));
    EXPECT_EQ(les(path("logs/prosj001.log")).find("gammel"), std::string::npos) << "each log is new";
    ASSERT_NE(data_.loggListe, nullptr);
    EXPECT_EQ(mdlStringList_size(data_.loggListe), 2);
    EXPECT_EQ(mdlStringList_size(zeraFilListe), 2) << "a list of several files stays";
    EXPECT_EQ(std::string(tcbP->dgnfilenm), dgnPath());
}

TEST_F(KjoringTest, OneFileChosenIsImportedAndTheListEmptiedAfterwards)
{
    skriv("a.zer", zera(1, "660000000"));
    mdlhost_scriptFileDialog(path("a.zer").c_str());
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_IMPORT, "ok"), 0);
    ImporterEnZeraFil(nullptr);
    EXPECT_EQ(alle().size(), 1u);
    ASSERT_NE(zeraFilListe, nullptr);
    EXPECT_EQ(mdlStringList_size(zeraFilListe), 0);
    // A cancelled choice does nothing.
    mdlhost_scriptFileDialog(nullptr);
    ImporterEnZeraFil(nullptr);
    EXPECT_EQ(alle().size(), 1u);
}

TEST_F(KjoringTest, ACancelledImportDialogImportsNothing)
{
    skriv("a.zer", zera(1, "660000000"));
    liste({path("a.zer")});
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_IMPORT, "cancel"), 0);
    ImporterZeraFiler();
    EXPECT_TRUE(alle().empty());
    EXPECT_FALSE(fs::exists(path("logs/prosj001.log")));
}

TEST_F(KjoringTest, EachFileIntoANewDesignAndAnExistingOneIsAskedFor)
{
    DPoint3d o{0, 0, 0};
    std::string seed = path("seed3d.dgn");
    ASSERT_EQ(mdlhost_dgnCreateFile(seed.c_str(), 1, 1000.0, "m", &o), 0);
    zvlib::copyText(data_.seedFil, seed.c_str());
    fs::create_directories(path("ut"));
    snprintf(data_.importKatalog, sizeof data_.importKatalog, "%s/", path("ut").c_str());
    data_.importMaal = 1;
    ASSERT_EQ(mdlhost_dgnCreateFile(path("ut/b.dgn").c_str(), 0, 10.0, "m", &o), 0);
    skriv("a.zer", zera(1, "660000000"));
    skriv("b.zer", zera(2, "660000500"));
    liste({path("a.zer"), path("b.zer")});
    std::string start = tcbP->dgnfilenm;
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_IMPORT, "ok"), 0);
    ASSERT_EQ(mdlhost_scriptModal(20011, "press PushButton -4"), 0); // keep b.dgn
    ImporterZeraFiler();
    EXPECT_EQ(std::string(tcbP->dgnfilenm), start) << "back in the design the run started in";
    EXPECT_EQ(loggMerke(0), 0);
    EXPECT_NE(loggMerke(1), 0) << "the skipped file's log is marked";
    mdlhost_closeDesignFile();
    ASSERT_EQ(mdlSystem_newDesignFile(path("ut/a.dgn").c_str()), 0);
    EXPECT_EQ(alle().size(), 1u);
    EXPECT_EQ(mdlModelRef_getUorPerMaster(mdlModelRef_getActive()), 1000.0) << "made from the seed";
    mdlhost_closeDesignFile();
    ASSERT_EQ(mdlSystem_newDesignFile(path("ut/b.dgn").c_str()), 0);
    EXPECT_TRUE(alle().empty());
    EXPECT_EQ(mdlModelRef_getUorPerMaster(mdlModelRef_getActive()), 10.0) << "left as it was";
}

TEST_F(KjoringTest, TheExportWritesTheStandardHeaderOrAHeaderFileAndLeavesNoElementFile)
{
    elm(ZERA_LINJE, 1, "1012", {{500000, 6600000, 0}, {500010, 6600020, 0}});
    ASSERT_EQ(dgnput_elm(), 0);
    struct {
        const char *navn;
        bool hodefil;
        const char *venter;
    } tilfeller[] = {{"standard header", false, "..ZERA-VERSJON 3.4\n"}, {"header file", true, "..ZERA-VERSJON 4.0\n"}};
    for (auto &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        data_.hodeFil[0] = '\0';
        if (t.hodefil) {
            SheadStruct h;
            LagStandardHode(&h);
            h.zeraVersjon = 4.0;
            h.koordsys = 22;
            ASSERT_EQ(SkrivHodefil(path("mitt.hod").c_str(), &h), 0);
            zvlib::copyText(data_.hodeFil, path("mitt.hod").c_str());
        }
        std::string ut = path(std::string(t.hodefil ? "med" : "uten") + ".zer");
        mdlhost_scriptFileDialog(ut.c_str());
        ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_EKSPORT, "ok"), 0);
        EksporterTilZera(nullptr);
        std::string tekst = les(ut);
        EXPECT_NE(tekst.find(t.venter), std::string::npos) << tekst;
        EXPECT_NE(tekst.find(t.hodefil ? "...KOORDSYS 22\n" : "...KOORDSYS 99\n"), std::string::npos) << tekst;
        EXPECT_NE(tekst.find(".LINJE 1:\n"), std::string::npos) << tekst;
        EXPECT_NE(tekst.find("..MIN-N"), std::string::npos) << tekst;
        EXPECT_EQ(tekst.substr(tekst.size() - 7), ".SLUTT\n");
        EXPECT_FALSE(fs::exists(path("tmp/dgn2zera.tmp")));
    }
}

// The log is shown on the text window, also from a folder with a blank.
TEST_F(KjoringTest, TheLogIsShown)
{
    fs::create_directories(path("mine logger"));
    std::string logg = path("mine logger/prosjekt.log");
    std::ofstream(logg) << "lest 1, utelatt 0\n";
    mdlhost_processQueue(); // what earlier commands left queued
    mdlhost_clearTextWindow();
    VisFil(logg.c_str());
    mdlhost_processQueue();
    std::string vindu = mdlhost_textWindow();
    EXPECT_NE(vindu.find("lest 1, utelatt 0\n"), std::string::npos) << vindu;
    EXPECT_EQ(vindu.find("cannot open"), std::string::npos) << vindu;
}

// The export's file dialog opens in the folder ZVZERA_EKSPORTDIR names.
TEST_F(KjoringTest, TheExportDialogStartsInTheFolderTheVariableNames)
{
    fs::create_directories(path("eksport"));
    std::string mappe = path("eksport") + "/";
    mdlSystem_defineCfgVar("ZVZERA_EKSPORTDIR", mappe.c_str());
    mdlhost_scriptFileDialog(nullptr);
    EksporterTilZera(nullptr);
    mdlSystem_defineCfgVar("ZVZERA_EKSPORTDIR", nullptr);
    std::string forslag = mdlhost_lastFileDialogDefault();
    EXPECT_EQ(forslag.rfind(mappe, 0), 0u) << forslag;
    EXPECT_EQ(forslag.find("ZVZERA_EKSPORTDIR"), std::string::npos) << forslag;
}

TEST_F(KjoringTest, WithAFenceTheHeaderTakesTheFencesExtentInMasterUnits)
{
    elm(ZERA_LINJE, 1, "1012", {{500000, 6600000, 0}, {500010, 6600020, 0}});
    ASSERT_EQ(dgnput_elm(), 0);
    DPoint3d gjerde[4] = {{499000, 6599000, 0}, {501000, 6599000, 0}, {501000, 6601000, 0}, {499000, 6601000, 0}};
    ASSERT_EQ(mdlFence_fromPoints(gjerde, 4, 0), 0);
    std::string ut = path("gjerde.zer");
    mdlhost_scriptFileDialog(ut.c_str());
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_EKSPORT, "ok"), 0);
    EksporterTilZera(nullptr);
    EXPECT_DOUBLE_EQ(data_.hode.minN, 6599000.0);
    EXPECT_DOUBLE_EQ(data_.hode.minE, 499000.0);
    EXPECT_DOUBLE_EQ(data_.hode.maxN, 6601000.0);
    EXPECT_DOUBLE_EQ(data_.hode.maxE, 501000.0);
    EXPECT_NE(les(ut).find(".LINJE 1:\n"), std::string::npos);
}


// The dialog's export writes each element's object type and theme whatever
// the record left there, so this application's own import takes the file.
TEST_F(KjoringTest, TheExportWritesObjectTypeAndThemeAsTheBatchRoadDoes)
{
    elm(ZERA_LINJE, 1, "1012", {{500000, 6600000, 0}, {500010, 6600020, 0}});
    ASSERT_EQ(dgnput_elm(), 0);
    data_.eksporterObjekttype = data_.eksporterZeratema = 0;
    data_.zera40 = 0;
    std::string ut = path("ut.zer");
    mdlhost_scriptFileDialog(ut.c_str());
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_EKSPORT, "ok"), 0);
    EksporterTilZera(nullptr);
    std::string tekst = les(ut);
    EXPECT_NE(tekst.find(".LINJE 1:\n..OBJTYPE Grense\n..LTEMA 1012\n"), std::string::npos) << tekst;

    // Read back by the import into an empty design.
    mdlhost_closeDesignFile();
    DPoint3d o{0, 0, 0};
    ASSERT_EQ(mdlhost_dgnCreateFile(path("igjen.dgn").c_str(), 1, 1000.0, "m", &o), 0);
    ASSERT_EQ(mdlSystem_newDesignFile(path("igjen.dgn").c_str()), 0);
    liste({ut});
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_IMPORT, "ok"), 0);
    ImporterZeraFiler();
    EXPECT_EQ(alle().size(), 1u);
}

// With the level check on, a design whose levels no row takes writes no
// element: the dialog's export and the batch item both say it failed.
TEST_F(KjoringTest, AnExportThatWritesNothingUnderTheLevelCheckFails)
{
    uint32_t nivaa = 0;
    ASSERT_EQ(mdlLevel_create(0, u"Vegkant", &nivaa), 0);
    MSElement el;
    DPoint3d p[3] = {{500000, 6600000, 0}, {500010, 6600020, 0}, {500030, 6600020, 0}};
    ASSERT_EQ(mdlLineString_create(&el, nullptr, p, 3), 0);
    mdlElement_setProperties(&el, &nivaa, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(mdlElement_add(&el), 0u);
    data_.matchLevel = 1;
    data_.matchColor = 0;

    std::string ut = path("tom.zer");
    mdlhost_scriptFileDialog(ut.c_str());
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_EKSPORT, "ok"), 0);
    EksporterTilZera(nullptr);
    const ZvlibBoxInfo *boks = zvlibError_lastBox();
    ASSERT_NE(boks, nullptr);
    EXPECT_NE(std::string(boks->lines[0]).find("Ingen elementer er skrevet til " + ut), std::string::npos)
        << boks->lines[0];
    EXPECT_EQ(les(ut).find(".LINJE"), std::string::npos);

    std::string dgn = tcbP->dgnfilenm;
    fs::path d(dgn);
    std::ofstream(path("jobb.txt")) << "Type: EKSPORT\nTemafil: " << temaFil_ << "\nBrytere-eksport: 1 0 0 0 0 0 0\n"
                                    << "DGN-dir: " << d.parent_path().string() << "\nZERA-dir: " << fs::path(path("x")).parent_path().string()
                                    << "\nFilnavn: " << d.filename().string() << " batch.zer\n";
    FILE *rapport = fopen(path("rapport.txt").c_str(), "w+");
    ASSERT_NE(rapport, nullptr);
    BatchJobb jobb{};
    ASSERT_EQ(LesBatchFil(path("jobb.txt").c_str(), 0, &jobb, rapport), 0);
    batchModus = 1;
    KjoerBatch(&jobb, rapport);
    FrigjorBatchJobb(&jobb);
    fclose(rapport);
    batchModus = 0;
    std::string r = les(path("rapport.txt"));
    EXPECT_NE(r.find("Feil! Ingen elementer er skrevet til "), std::string::npos) << r;
    EXPECT_NE(r.find("\n0 ZERA-filer er eksportert fra MicroStation.\n"), std::string::npos) << r;
}


// Without a header file the header takes the design's coordinate system and
// keeps the millimetres a design of 1000 UOR per metre holds.
TEST_F(KjoringTest, WithoutAHeaderFileTheDesignGivesCoordinateSystemAndUnit)
{
    ASSERT_EQ(mdlhost_dgnSetEpsg(mdlModelRef_getActive(), 25832), 0);
    elm(ZERA_LINJE, 1, "1012", {{500000.123, 6600000.456, 0}, {500010.001, 6600020.002, 0}});
    ASSERT_EQ(dgnput_elm(), 0);
    data_.hodeFil[0] = '\0';
    std::string ut = path("epsg.zer");
    mdlhost_scriptFileDialog(ut.c_str());
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_EKSPORT, "ok"), 0);
    EksporterTilZera(nullptr);
    std::string tekst = les(ut);
    EXPECT_NE(tekst.find("...KOORDSYS 22\n"), std::string::npos) << tekst;
    EXPECT_NE(tekst.find("...ENHET 0.001"), std::string::npos) << tekst;
    EXPECT_NE(tekst.find("\n6600000456 500000123\n"), std::string::npos) << tekst;
    EXPECT_NE(tekst.find("\n6600020002 500010001\n"), std::string::npos) << tekst;

    // Each EPSG code the import gives a coordinate system leads back to it.
    for (int k : {1, 8, 21, 26, 31, 36})
        EXPECT_EQ(zeraKoordsysAvEpsg(zeraEpsgAvKoordsys(k)), k) << k;
    EXPECT_EQ(zeraKoordsysAvEpsg(4326), 0);
}

} // namespace
