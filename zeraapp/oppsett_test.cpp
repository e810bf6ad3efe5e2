// The setup and utility commands on a design file built through the host:
// the three geometry commands with their tolerance, the theme template
// made by scanning ZERA files, the tag set file chooser, help and manual.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "kommandoer.h"
#include "kroker.h"
#include "oppsett.h"
#include "testing/importskriver_testing.h"
#include "zeratagger.h"
#include "zvlibtext.h"

namespace {

constexpr int ZVLIB_BOKS = 20011; // the library's message box

using importtest::lesFil;

class OppsettTest : public importtest::ImportTest {
  protected:
    void SetUp() override
    {
        ImportTest::SetUp();
        if (HasFatalFailure())
            return;
        batchModus = 0;
        ASSERT_EQ(PubliserBrukerData(), 0);
        ASSERT_EQ(PubliserKroker(), 0);
        data_.lukkLinjestrenger = data_.lukkKjeder = 1;
        data_.lukkeToleranse = 0.01;
        data_.fyllFlater = 1;
        snprintf(data_.installasjonsKatalog, sizeof data_.installasjonsKatalog, "%s/", path("").c_str());
        mdlhost_clearMessageFields();
        mdlhost_clearCommandStateLog();
    }
    void TearDown() override
    {
        if (zeraFilListe) {
            mdlStringList_destroy(zeraFilListe);
            zeraFilListe = nullptr;
        }
        if (data_.fkbListe) {
            mdlStringList_destroy(data_.fkbListe);
            data_.fkbListe = nullptr;
        }
        ImportTest::TearDown();
    }

    // Points in master units along x from (100, 200), the last moved to
    // lie `gap` from the first.
    static std::vector<DPoint3d> ring(int n, double gap)
    {
        std::vector<DPoint3d> p;
        for (int i = 0; i < n - 1; i++)
            p.push_back({100.0 + 5 * i, 200.0 + 3 * (i % 2), 10.0});
        p.push_back({100.0 + gap, 200.0, 10.0});
        return p;
    }
    uint32_t linjestreng(const std::vector<DPoint3d> &p)
    {
        MSElement el;
        EXPECT_EQ(mdlLineString_create(&el, nullptr, p.data(), (int)p.size()), 0);
        return mdlElement_add(&el);
    }
    uint32_t kurve(const std::vector<DPoint3d> &p)
    {
        MSElement el;
        EXPECT_EQ(mdlCurve_create(&el, nullptr, p.data(), (int)p.size()), 0);
        return mdlElement_add(&el);
    }
    uint32_t flate(const std::vector<DPoint3d> &p, int fyll)
    {
        MSElement el;
        EXPECT_EQ(mdlShape_create(&el, nullptr, p.data(), (int)p.size(), fyll), 0);
        return mdlElement_add(&el);
    }
    // Element types of the active model by count.
    std::map<int, int> typer()
    {
        std::map<int, int> t;
        for (auto &e : alle())
            t[mdlElement_getType(&e.el())]++;
        return t;
    }
    static int punkter(const MSElement &el) { return mdlLinear_getPointCount(&el); }
};

TEST_F(OppsettTest, CloseToShapesKeepsToTheTolerance)
{
    struct Tilfelle {
        const char *hva;
        bool kurve;
        int n;      // given points
        double gap; // end to start, master units
        int type;   // afterwards
    } tabell[] = {
        {"line string 0.011 apart", false, 4, 0.011, LINE_STRING_ELM},
        {"line string 0.009 apart", false, 4, 0.009, SHAPE_ELM},
        {"line string exactly 0.01 apart", false, 5, 0.01, SHAPE_ELM},
        {"line string of 2 points", false, 2, 0.005, LINE_STRING_ELM},
        {"curve of 6 points", true, 2, 0.005, CURVE_ELM},
        {"curve of 7 points", true, 3, 0.005, CMPLX_SHAPE_ELM},
        {"curve of 7 points 0.02 apart", true, 3, 0.02, CURVE_ELM},
    };
    for (int fyll : {1, 0}) {
        make3d();
        data_.fyllFlater = fyll;
        std::vector<ElementID> ider;
        for (const Tilfelle &t : tabell) {
            std::vector<DPoint3d> p = ring(t.n, t.gap);
            if (t.n == 2)
                p[0] = {100.0, 200.0, 10.0};
            MSElement el;
            ASSERT_EQ(mdlElement_read(&el, 0, t.kurve ? kurve(p) : linjestreng(p)), 0) << t.hva;
            ider.push_back(mdlElement_getID(&el));
        }
        ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_LUKK, "ok"), 0);
        LukkTilFlater(nullptr);
        EXPECT_NE(std::string(mdlhost_commandStateLog()).find("primitive 1 3"), std::string::npos);

        std::map<int, int> venter;
        for (const Tilfelle &t : tabell)
            venter[t.type]++;
        EXPECT_EQ(typer(), venter) << "fill " << fyll;
        EXPECT_STREQ(mdlhost_messageField(0), "3 elementer er endret.");
        for (auto &e : alle()) {
            int type = mdlElement_getType(&e.el());
            if (type == SHAPE_ELM) {
                EXPECT_EQ(mdlElement_isFilled(&e.el(), nullptr) != 0, fyll == 1);
                EXPECT_GE(punkter(e.el()), 5);
            }
            if (type == CMPLX_SHAPE_ELM) {
                EXPECT_EQ(mdlElement_isFilled(&e.el(), nullptr) != 0, fyll == 1);
                ASSERT_NE(e.d->h.firstElem, nullptr);
                EXPECT_EQ(mdlElement_getType(&e.d->h.firstElem->el), CURVE_ELM);
                EXPECT_EQ(punkter(e.d->h.firstElem->el), 7) << "the curve itself";
                EXPECT_EQ(e.d->h.firstElem->h.next, nullptr);
            }
        }
    }
}

TEST_F(OppsettTest, CloseToShapesChangesNothingUnlessAskedAndConfirmed)
{
    linjestreng(ring(4, 0.001));
    kurve(ring(3, 0.001));
    const std::map<int, int> foer{{LINE_STRING_ELM, 1}, {CURVE_ELM, 1}};
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_LUKK, "cancel"), 0);
    LukkTilFlater(nullptr);
    EXPECT_EQ(typer(), foer);
    data_.lukkLinjestrenger = data_.lukkKjeder = 0;
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_LUKK, "ok"), 0);
    LukkTilFlater(nullptr);
    EXPECT_EQ(typer(), foer);
    EXPECT_STREQ(mdlhost_messageField(0), "");
    // The dialog's own switches: only curves.
    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_LUKK, "set ToggleButton 2 1; ok"), 0);
    LukkTilFlater(nullptr);
    EXPECT_EQ(typer(), (std::map<int, int>{{LINE_STRING_ELM, 1}, {CMPLX_SHAPE_ELM, 1}}));
    EXPECT_STREQ(mdlhost_messageField(0), "1 elementer er endret.");
}

TEST_F(OppsettTest, ShapesAndCurvesBecomeLineStrings)
{
    std::vector<DPoint3d> ring5 = {{0, 0, 1}, {10, 0, 2}, {10, 10, 3}, {0, 10, 4}, {0, 0, 1}};
    flate(ring5, 1);
    flate({{20, 0, 0}, {30, 0, 0}, {30, 10, 0}}, 0);
    std::vector<DPoint3d> gitt = {{0, 0, 5}, {3, 4, 6}, {8, 1, 7}, {12, 6, 8}};
    uint32_t kurvePos = kurve(gitt);
    linjestreng(ring(3, 1.0));

    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_FLATER_TIL_LINJER, "cancel"), 0);
    GjoerOmTilLinjer(nullptr);
    EXPECT_EQ(typer(), (std::map<int, int>{{SHAPE_ELM, 2}, {CURVE_ELM, 1}, {LINE_STRING_ELM, 1}}));

    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_FLATER_TIL_LINJER, "ok"), 0);
    GjoerOmTilLinjer(nullptr);
    EXPECT_EQ(typer(), (std::map<int, int>{{CURVE_ELM, 1}, {LINE_STRING_ELM, 3}}));
    EXPECT_STREQ(mdlhost_messageField(0), "2 elementer er endret.");
    auto el = alle();
    ASSERT_EQ(el.size(), 4u);
    EXPECT_EQ(punkter(el[0].el()), 5) << "a shape of k points gives k points";
    EXPECT_EQ(punkter(el[1].el()), 4) << "the closing point the shape was given";

    ASSERT_EQ(mdlhost_scriptModal(ZVZERA_DIALOG_KURVER_TIL_LINJER, "ok"), 0);
    KurverTilLinjer(nullptr);
    EXPECT_EQ(typer(), (std::map<int, int>{{LINE_STRING_ELM, 4}}));
    EXPECT_STREQ(mdlhost_messageField(0), "1 elementer er endret.");
    MSElement ls;
    ASSERT_EQ(mdlElement_read(&ls, 0, kurvePos), 0) << "the line string takes the curve's place";
    ASSERT_EQ(mdlElement_getType(&ls), LINE_STRING_ELM);
    DPoint3d p[MAX_VERTICES];
    int n = 0;
    ASSERT_EQ(mdlLinear_extract(p, &n, &ls, 0), 0);
    ASSERT_EQ(n, 4) << "n - 4 of the curve's points";
    for (int i = 0; i < n; i++) {
        EXPECT_NEAR(p[i].x, gitt[i].x, 1e-9);
        EXPECT_NEAR(p[i].y, gitt[i].y, 1e-9);
        EXPECT_NEAR(p[i].z, gitt[i].z, 1e-9);
    }
}

// Three small ZERA files and the template the scan makes of them.
TEST_F(OppsettTest, ScanTemplateNamesTheFilesAndTheReportTheScan)
{
    std::string hode = ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n"
                       "...ENHET 0.01\n..OMR\xC5" "DE\n...MIN-N\xD8 0 0\n...MAX-N\xD8 100000 100000\n"
                       "..ZERA-VERSJON 4.0\n..ZERA-NIV\xC5 3\n";
    zeraFilListe = mdlStringList_create(0, 1);
    std::vector<std::string> filer;
    for (const char *navn : {"a.zer", "b.zer", "c.zer"}) {
        filer.push_back(path(navn));
        std::ofstream(filer.back(), std::ios::binary)
            << hode << ".PUNKT 1:\n..PTEMA 7" << (navn[0] - 'a' + 1) << "01\n..N\xD8\n1000 1000\n.SLUTT\n";
        long i = 0;
        mdlStringList_insertMember(&i, zeraFilListe, -1, 1);
        mdlStringList_setMember(zeraFilListe, i, filer.back().c_str(), nullptr);
    }
    std::string mal = path("ny.tem");
    zvlib::copyText(data_.loggFil, path("skann.log").c_str());
    mdlhost_scriptFileDialog(mal.c_str());
    LagTemafilFraZeraFiler(nullptr);

    std::string t = lesFil(mal);
    std::string start = "! TEM -fil: " + mal + "\n! ZERA-fil: " + filer[0] + "\n! ZERA-fil: " + filer[1] +
                        "\n! ZERA-fil: " + filer[2] + "\n!\n";
    EXPECT_EQ(t.substr(0, start.size()), start);
    for (const char *tema : {"\t7101\t", "\t7201\t", "\t7301\t"})
        EXPECT_NE(t.find(tema), std::string::npos) << tema << "\n" << t;
    EXPECT_NE(lesFil(data_.loggFil).find("VADUZU Dederira"), std::string::npos) << lesFil(data_.loggFil);
    EXPECT_STREQ(Bmw.program, "ZVZERA Import");
    EXPECT_EQ(data_.skannModus, 0);
    EXPECT_EQ(data_.antallFiler, 3);
    EXPECT_EQ(mdlhost_completionBarState(nullptr, nullptr), 0) << "the bar is closed";

    // A cancelled file dialog scans nothing.
    std::remove(mal.c_str());
    mdlhost_scriptFileDialog(nullptr);
    LagTemafilFraZeraFiler(nullptr);
    EXPECT_FALSE(std::ifstream(mal).good());
}

// A thousand paths of 255 characters: the joined list holds them all.
TEST_F(OppsettTest, ScanTemplateTakesManyLongPaths)
{
    zeraFilListe = mdlStringList_create(0, 1);
    std::string base = path("");
    for (int i = 0; i < 1000; i++) {
        char navn[16];
        snprintf(navn, sizeof navn, "/%04d", i);
        std::string p = base + navn;
        p += std::string(255 - p.size() - 4, 'x') + ".zer";
        ASSERT_EQ(p.size(), 255u);
        long m = 0;
        mdlStringList_insertMember(&m, zeraFilListe, -1, 1);
        mdlStringList_setMember(zeraFilListe, m, p.c_str(), nullptr);
    }
    std::string mal = path("lang.tem");
    mdlhost_scriptFileDialog(mal.c_str());
    LagTemafilFraZeraFiler(nullptr);
    std::string t = lesFil(mal);
    const char *siste = nullptr;
    mdlStringList_getMember(&siste, nullptr, zeraFilListe, 999);
    EXPECT_NE(t.find(std::string("! ZERA-fil: ") + siste + "\n!\n"), std::string::npos);
}

// A path too long for the record is named in the template but not scanned
// under a cut name; the next file still starts the scan afresh.
TEST_F(OppsettTest, ScanTemplateSkipsAPathTooLongToScan)
{
    std::string zera = path("k.zer");
    std::ofstream(zera, std::ios::binary)
        << ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
           "..OMR\xC5" "DE\n...MIN-N\xD8 0 0\n...MAX-N\xD8 100000 100000\n..ZERA-VERSJON 4.0\n..ZERA-NIV\xC5 3\n"
           ".PUNKT 1:\n..PTEMA 7401\n..N\xD8\n1000 1000\n.SLUTT\n";
    std::string lang = path("") + "/" + std::string(300, 'y') + ".zer";
    zeraFilListe = mdlStringList_create(2, 1);
    mdlStringList_setMember(zeraFilListe, 0, lang.c_str(), nullptr);
    mdlStringList_setMember(zeraFilListe, 1, zera.c_str(), nullptr);
    std::string mal = path("k.tem");
    mdlhost_clearTextWindow();
    mdlhost_scriptFileDialog(mal.c_str());
    LagTemafilFraZeraFiler(nullptr);
    std::string t = lesFil(mal);
    EXPECT_NE(t.find("! ZERA-fil: " + lang + "\n! ZERA-fil: " + zera + "\n"), std::string::npos) << t;
    EXPECT_NE(t.find("\t7401\t"), std::string::npos) << t;
    EXPECT_NE(std::string(mdlhost_textWindow()).find("navnet er for langt: " + lang), std::string::npos);
}

TEST_F(OppsettTest, DecliningTheTagSetQuestionChangesNothing)
{
    zvlib::copyText(data_.tagsetFil, "gammel.tag");
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_BOKS, "press PushButton -4"), 0);
    mdlhost_scriptFileDialog(path("ny.tag").c_str());
    VelgTagsetFil(nullptr);
    EXPECT_STREQ(data_.tagsetFil, "gammel.tag");
    EXPECT_EQ(mdlhost_lastFileDialogTitle() == nullptr || std::string(mdlhost_lastFileDialogTitle()) != "Velg tagsettfil",
              true)
        << "no file dialog after a refusal";

    // Accepted, then the file dialog cancelled: nothing either.
    mdlhost_clearDialogScripts();
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_BOKS, "press PushButton -3"), 0);
    mdlhost_scriptFileDialog(nullptr);
    VelgTagsetFil(nullptr);
    EXPECT_STREQ(data_.tagsetFil, "gammel.tag");

    // Accepted and chosen: the new file is read.
    std::ofstream(path("ny.tag")) << "..DATO ZERA DATO 1 1 1 0 0\n";
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_BOKS, "press PushButton -3"), 0);
    mdlhost_scriptFileDialog(path("ny.tag").c_str());
    VelgTagsetFil(nullptr);
    EXPECT_EQ(std::string(data_.tagsetFil), path("ny.tag"));
    int antall = 0;
    EXPECT_NE(ZeraTagsetTabell(&antall), nullptr);
    EXPECT_EQ(antall, 1);
    FrigjorTagsetTabell();
}

TEST_F(OppsettTest, PathChoosersStoreWhatWasChosen)
{
    struct Tilfelle {
        int (*kommando)(char *);
        char *felt;
        const char *valg;
        const char *tittel;
    } tabell[] = {
        {VelgSeedfil, data_.seedFil, "fro.dgn", "Velg seedfil"},
        {VelgDgnlib, data_.dgnlibFil, "niv.dgnlib", "Velg dgnlib"},
        {VelgLoggfil, data_.loggFil, "kjoering.log", "Velg loggfil"},
    };
    for (const Tilfelle &t : tabell) {
        zvlib::copyText(t.felt, ZVZERA_TEKST_LEN, "gammel");
        mdlhost_scriptFileDialog(nullptr);
        t.kommando(nullptr);
        EXPECT_STREQ(t.felt, "gammel") << t.tittel;
        mdlhost_scriptFileDialog(path(t.valg).c_str());
        t.kommando(nullptr);
        EXPECT_EQ(std::string(t.felt), path(t.valg)) << t.tittel;
        EXPECT_STREQ(mdlhost_lastFileDialogTitle(), t.tittel);
    }

    // The import folder always ends in a separator.
    mdlhost_scriptFileList((path("ut")).c_str());
    std::filesystem::create_directories(path("ut"));
    VelgImportkatalog(nullptr);
    EXPECT_EQ(std::string(data_.importKatalog).back() == '\\' || std::string(data_.importKatalog).back() == '/', true)
        << data_.importKatalog;
    EXPECT_EQ(std::string(data_.importKatalog).substr(0, path("ut").size()), path("ut"));
    zvlib::copyText(data_.importKatalog, "uendret\\");
    mdlhost_scriptFileList(nullptr);
    VelgImportkatalog(nullptr);
    EXPECT_STREQ(data_.importKatalog, "uendret\\");

    // A cell library found along the cell folders, else its bare name.
    std::filesystem::create_directories(path("celler"));
    std::ofstream(path("celler/egne.cel")) << "";
    mdlhost_scriptFileDialog(path("celler/egne.cel").c_str());
    VelgCellebibliotek(nullptr);
    EXPECT_STREQ(data_.cellebibliotekNavn, "egne.cel");
    EXPECT_STREQ(data_.cellebibliotek, "egne.cel");
}

TEST_F(OppsettTest, ThemeFileChooserKeepsTheTableInForceOnFailure)
{
    std::string tema = path("ny.tem");
    std::ofstream(tema) << "Vei;7001;VEG;L;7001;2;1;0;0;0;0;KRYSS;1;1;0\nBro;7002;BRO;L;7002;2;1;0;0;0;0;KRYSS;1;1;0\n";
    zvlib::copyText(data_.temaFil, temaFil_.c_str());
    ASSERT_EQ(LesTemafil(data_.temaFil), 0);
    int foer = Mstemtab.rowCount;
    ASSERT_EQ(mdlStringList_size(data_.fkbListe), 3) << "HDB, KYS, FM";
    MSDialog *db = mdlDialog_open(nullptr, ZVZERA_DIALOG_IMPORT);
    ASSERT_NE(db, nullptr);
    DialogItem *lb = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, 1, 0);

    // Cancelled: nothing.
    mdlhost_scriptFileDialog(nullptr);
    VelgTemafil(nullptr);
    EXPECT_EQ(std::string(data_.temaFil), temaFil_);

    // A file that is no theme table: a box, and the table before it again.
    std::ofstream(path("feil.tem")) << "ikke en temafil\n";
    mdlhost_scriptFileDialog(path("feil.tem").c_str());
    ASSERT_EQ(mdlhost_scriptModal(ZVLIB_BOKS, "ok"), 0);
    VelgTemafil(nullptr);
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 0);
    EXPECT_EQ(std::string(data_.temaFil), temaFil_);
    EXPECT_EQ(Mstemtab.rowCount, foer);

    // A good one: stored, and the open dialog shows its groups.
    mdlhost_scriptFileDialog(tema.c_str());
    VelgTemafil(nullptr);
    EXPECT_EQ(std::string(data_.temaFil), tema);
    EXPECT_EQ(Mstemtab.rowCount, 2);
    ASSERT_EQ(mdlDialog_listBoxNRows(lb), 2);
    EXPECT_STREQ(mdlhost_listBoxCellText(lb, 0, 0), "VEG");
    EXPECT_STREQ(mdlhost_lastFileDialogTitle(), "Velg temafil");
    mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);
}

TEST_F(OppsettTest, HelpAndManual)
{
    mdlhost_clearInputQueue();
    AapneHjelp(nullptr);
    ASSERT_EQ(mdlhost_inputQueueCount(), 1);
    const char *tekst = nullptr;
    mdlhost_inputQueueEntry(0, &tekst, nullptr, nullptr);
    EXPECT_STREQ(tekst, "mdl keyin HELPLOAD HELP SEARCH ZVZERA");
    mdlhost_clearInputQueue();

    // With ZV_DIR but no manual: the message centre says so.
    mdlhost_clearMessageCenter();
    std::string rot = path("") + "/";
    mdlSystem_defineCfgVar("ZV_DIR", rot.c_str());
    AapneBrukerveiledning(nullptr);
    ASSERT_GE(mdlhost_messageCenterCount(), 1);
    EXPECT_NE(std::string(mdlhost_messageCenterText(0, nullptr)).find("File is missing"), std::string::npos);
    EXPECT_EQ(mdlhost_inputQueueCount(), 0);

    // The manual there: opened with the host's "%" keyin.
    std::filesystem::create_directories(rot + "doc/manual");
    std::ofstream(rot + "doc/manual/ZvZera_no.pdf") << "%PDF";
    AapneBrukerveiledning(nullptr);
    ASSERT_EQ(mdlhost_inputQueueCount(), 1);
    mdlhost_inputQueueEntry(0, &tekst, nullptr, nullptr);
    EXPECT_NE(std::string(tekst).find("ZvZera_no.pdf"), std::string::npos) << tekst;
    mdlhost_clearInputQueue();
    mdlSystem_defineCfgVar("ZV_DIR", nullptr);
}

} // namespace
