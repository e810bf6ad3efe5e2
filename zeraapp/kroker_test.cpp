// The dialog hooks on the host's dialog manager: the application's own
// dialogs opened from its resource file, driven as a user would, with the
// enable, show and hide rules checked on the items; the FKB list marks; the
// height callback and the list of height themes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "kommandoer.h"
#include "kroker.h"
#include "oppsett.h"
#include "testing/importskriver_testing.h"
#include "zvlibtext.h"

namespace {

// The theme table of the fixture, with the multiple-height flag on the line
// row of 3001 only.
constexpr const char *HOYDETEMA = "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;1\n"
                                  "Kystpunkt;3001;KYS;P;3001;2;1;0;0;0;0;KRYSS;1;1;0\n"
                                  "Hoydekurve;1020;HOY;L;1020;2;1;0;0;0;0;KRYSS;1;1;1\n"
                                  "Fastmerke;2101;HDB;P;2101;3;0;0;0;0;0;KRYSS;1;1;0\n";

class KrokTest : public importtest::ImportTest {
  protected:
    void SetUp() override
    {
        ImportTest::SetUp();
        if (HasFatalFailure())
            return;
        std::string tema = path("hoyde.tem");
        std::ofstream(tema) << HOYDETEMA;
        Mstemtab.rowCount = 0;
        memset(&Fkbtab, 0, sizeof Fkbtab);
        ASSERT_EQ(mt_init(tema.c_str(), 0), 0);
        data_.fkbListe = LagStringListFraFkbTabell();
        ASSERT_EQ(PubliserBrukerData(), 0);
        ASSERT_EQ(PubliserKroker(), 0);
        batchModus = 0;
    }
    void TearDown() override
    {
        for (MSDialog *db : aapne_)
            if (mdlhost_dialogIsOpen(db))
                mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);
        if (data_.fkbListe)
            mdlStringList_destroy(data_.fkbListe);
        if (data_.loggListe)
            mdlStringList_destroy(data_.loggListe);
        data_.fkbListe = data_.loggListe = nullptr;
        memset(&Fkbtab, 0, sizeof Fkbtab);
        ImportTest::TearDown();
    }

    MSDialog *aapne(int id)
    {
        MSDialog *db = mdlDialog_open(nullptr, id);
        EXPECT_NE(db, nullptr) << "dialog " << id << ": " << mdlhost_textWindow();
        if (db)
            aapne_.push_back(db);
        return db;
    }
    static int indeks(MSDialog *db, int type, int id)
    {
        DialogItem *it = mdlDialog_itemGetByTypeAndId(db, type, id, 0);
        EXPECT_NE(it, nullptr) << id;
        return it ? mdlDialog_itemGetIndex(it) : -1;
    }
    static int aktiv(MSDialog *db, int type, int id) { return mdlDialog_itemGetEnabledState(db, indeks(db, type, id)); }
    static int synlig(MSDialog *db, int type, int id) { return mdlDialog_itemIsVisible(db, indeks(db, type, id)); }
    static void gjoer(MSDialog *db, const std::string &steg) { ASSERT_EQ(mdlhost_dialogDo(db, steg.c_str()), 0) << steg; }
    static std::string vist(MSDialog *db, int type, int id)
    {
        char tekst[64] = "";
        mdlDialog_itemGetValue(nullptr, nullptr, tekst, sizeof tekst, db, indeks(db, type, id));
        return tekst;
    }
    // One info field of every row of the FKB list: the icon (2) or the selection (4).
    std::vector<long> infofelt(int felt)
    {
        std::vector<long> ut;
        for (long r = 0; r < mdlStringList_size(data_.fkbListe); r++) {
            long *info = nullptr;
            mdlStringList_getMember(nullptr, &info, data_.fkbListe, r);
            ut.push_back(info[felt]);
        }
        return ut;
    }
    std::vector<long> ikoner() { return infofelt(FKB_IKON_FELT); }
    std::vector<long> valgt() { return infofelt(FKB_VALG_FELT); }
    // A ZERA file holding only a header of that level.
    std::string zeraFil(const std::string &navn, int nivaa)
    {
        std::string p = path(navn);
        std::ofstream(p, std::ios::binary)
            << ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
               "..OMR\xC5" "DE\n...MIN-N\xD8 0 0\n...MAX-N\xD8 1000 1000\n..ZERA-VERSJON 4.0\n..ZERA-NIV\xC5 "
            << nivaa << "\n.SLUTT\n";
        return p;
    }
    static StringList *liste(const std::vector<std::string> &tekster, int infofelt)
    {
        StringList *l = mdlStringList_create(0, infofelt);
        for (const std::string &t : tekster) {
            long i = 0;
            mdlStringList_insertMember(&i, l, -1, 1);
            mdlStringList_setMember(l, i, t.c_str(), nullptr);
        }
        return l;
    }
    std::vector<MSDialog *> aapne_;
};

TEST_F(KrokTest, HeightCallbackMatchesThemeAndTypeLetterExactly)
{
    struct Tilfelle {
        const char *tema;
        int type;
        int svar;
    } tabell[] = {
        {"3001", ZERA_LINJE, 1}, {"3001", ZERA_KURVE, 1}, {"3001", ZERA_PUNKT, 0}, {"1020", ZERA_LINJE, 1},
        {"2101", ZERA_PUNKT, 0}, {"300", ZERA_LINJE, 0},  {"30010", ZERA_LINJE, 0}, {"9999", ZERA_LINJE, 0},
        {"3001", 0, 0},          {"3001", 99, 0},
    };
    for (const Tilfelle &t : tabell) {
        char tema[16];
        zvlib::copyText(tema, t.tema);
        EXPECT_EQ(TemaForHoydeAvrundingEllerMultHoyder(tema, t.type), t.svar) << t.tema << " type " << t.type;
    }
    EXPECT_EQ(TemaForHoydeAvrundingEllerMultHoyder(nullptr, ZERA_LINJE), 0);
    Mstemtab.rowCount = 0;
    char tema[] = "3001";
    EXPECT_EQ(TemaForHoydeAvrundingEllerMultHoyder(tema, ZERA_LINJE), 0) << "no table";
}

TEST_F(KrokTest, HeightThemeListShowsTheFlaggedRowsSorted)
{
    MSDialog *db = aapne(ZVZERA_DIALOG_EKSPORT);
    ASSERT_NE(db, nullptr);
    DialogItem *liste = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, 3, 0);
    ASSERT_EQ(mdlDialog_listBoxNRows(liste), 2);
    EXPECT_STREQ(mdlhost_listBoxCellText(liste, 0, 0), "1020 L HOY");
    EXPECT_STREQ(mdlhost_listBoxCellText(liste, 1, 0), "3001 L KYS");
    unsigned attr = 99;
    mdlDialog_listBoxGetInfo(&attr, liste);
    EXPECT_EQ(attr, 0u);
    // Closing frees the list with its item (an empty one too: ASan sees a leak).
    mdlDialog_closeWithAction(db, ACTIONBUTTON_OK);
    Mstemtab.rowCount = 0;
    data_.geoGraphicsBygg = 1;
    db = aapne(ZVZERA_DIALOG_EKSPORT);
    ASSERT_NE(db, nullptr);
    mdlDialog_listBoxGetInfo(&attr, mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, 3, 0));
    EXPECT_EQ(attr, 3u) << "the GIS build's export dialog";
    data_.geoGraphicsBygg = 0;
}

TEST_F(KrokTest, FkbMarksFollowTheFontHeightAndTheSelection)
{
    struct Tilfelle {
        int hoyde;
        long base;
    } tabell[] = {{1, -64}, {8, -64}, {9, -66}, {10, -66}, {11, -68}, {12, -68}, {13, -70},
                  {16, -70}, {17, -72}, {22, -72}, {23, -74}, {100, -74}};
    StringList *liste = mdlStringList_create(2, 5);
    long *info = nullptr;
    mdlStringList_getMember(nullptr, &info, liste, 1);
    info[FKB_VALG_FELT] = 1;
    for (const Tilfelle &t : tabell) {
        SettTagInfo(liste, 0, t.hoyde);
        SettTagInfo(liste, 1, t.hoyde);
        long *a = nullptr, *b = nullptr;
        mdlStringList_getMember(nullptr, &a, liste, 0);
        mdlStringList_getMember(nullptr, &b, liste, 1);
        EXPECT_EQ(a[FKB_IKON_FELT], t.base) << t.hoyde;
        EXPECT_EQ(b[FKB_IKON_FELT], t.base - 1) << t.hoyde;
        EXPECT_EQ(a[FKB_VERDI_FELT], 2);
    }
    // Rows that do not exist, and a list without the fields: nothing.
    SettTagInfo(liste, 2, 12);
    SettTagInfo(liste, -1, 12);
    SettTagInfo(nullptr, 0, 12);
    StringList *kort = mdlStringList_create(1, 2);
    SettTagInfo(kort, 0, 12);
    mdlStringList_destroy(kort);
    mdlStringList_destroy(liste);
}

TEST_F(KrokTest, FkbListFlipsTheChosenGroupAndKeepsItWhenRebuilt)
{
    ASSERT_EQ(mdlStringList_size(data_.fkbListe), 3) << "KYS, HOY, HDB";
    MSDialog *db = aapne(ZVZERA_DIALOG_IMPORT);
    ASSERT_NE(db, nullptr);
    // Font 2 is 12 high: base -68, every group selected.
    EXPECT_EQ(ikoner(), (std::vector<long>{-69, -69, -69}));
    gjoer(db, "select ListBox 1 1");
    EXPECT_EQ(valgt(), (std::vector<long>{1, 0, 1}));
    EXPECT_EQ(ikoner(), (std::vector<long>{-69, -68, -69}));
    // The space bar flips it back; another key does nothing.
    gjoer(db, "key ListBox 1 65");
    EXPECT_EQ(valgt(), (std::vector<long>{1, 0, 1}));
    gjoer(db, "key ListBox 1 32");
    EXPECT_EQ(valgt(), (std::vector<long>{1, 1, 1}));
    gjoer(db, "select ListBox 1 2");
    // Rebuilt in a larger font: the marks follow, the selections stay.
    mdlWindow_fontSet(db, 4);
    gjoer(db, "user ListBox 1 0");
    EXPECT_EQ(valgt(), (std::vector<long>{1, 1, 0}));
    EXPECT_EQ(ikoner(), (std::vector<long>{-71, -71, -70}));
}

TEST_F(KrokTest, AllGroupsToggleSetsEveryRowToItsNewValue)
{
    MSDialog *db = aapne(ZVZERA_DIALOG_EKSPORT);
    ASSERT_NE(db, nullptr);
    unsigned attr = 0;
    mdlDialog_listBoxGetInfo(&attr, mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, 1, 0));
    EXPECT_EQ(attr, 8u) << "the export dialog's FKB list";
    gjoer(db, "set ToggleButton 12 1; press ToggleButton 12");
    EXPECT_EQ(valgt(), (std::vector<long>{0, 0, 0}));
    EXPECT_EQ(ikoner(), (std::vector<long>{-68, -68, -68}));
    gjoer(db, "press ToggleButton 12");
    EXPECT_EQ(valgt(), (std::vector<long>{1, 1, 1}));
}

TEST_F(KrokTest, HeightTogglesEnableTheirFieldsAndTheThemeList)
{
    struct Tilfelle {
        int avrunding, mult;
        int trykk; // toggle id pressed
        int listeFoer, liste, steg, ekvidistanse, valg;
    } tabell[] = {
        // Rounding off while multiple heights is off: the theme list goes too.
        {1, 0, 13, 1, 0, 0, 0, 0},
        // With multiple heights on, the list stays.
        {1, 1, 13, 1, 1, 0, 1, 0},
        {0, 0, 14, 0, 1, 0, 1, 0},
        {0, 1, 14, 1, 0, 0, 0, 0},
        {0, 0, 13, 0, 1, 1, 0, 1},
    };
    for (int dialog : {ZVZERA_DIALOG_IMPORT, ZVZERA_DIALOG_EKSPORT})
        for (const Tilfelle &t : tabell) {
            data_.hoydeAvrundingPaa = t.avrunding;
            data_.multHoydePaa = t.mult;
            MSDialog *db = aapne(dialog);
            ASSERT_NE(db, nullptr);
            mdlDialog_itemsSynch(db);
            EXPECT_EQ(aktiv(db, RTYPE_ListBox, 3), t.listeFoer);
            gjoer(db, "press ToggleButton " + std::to_string(t.trykk));
            std::string hva = "dialog " + std::to_string(dialog) + " " + std::to_string(t.avrunding) +
                              std::to_string(t.mult) + " press " + std::to_string(t.trykk);
            EXPECT_EQ(aktiv(db, RTYPE_ListBox, 3), t.liste) << hva;
            int stegId = dialog == ZVZERA_DIALOG_IMPORT ? 11 : 18, ekvId = dialog == ZVZERA_DIALOG_IMPORT ? 12 : 19;
            EXPECT_EQ(aktiv(db, RTYPE_Text, stegId), t.steg) << hva;
            EXPECT_EQ(aktiv(db, RTYPE_Text, ekvId), t.ekvidistanse) << hva;
            EXPECT_EQ(aktiv(db, RTYPE_OptionButton, 15), t.valg) << hva;
            mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);
        }
}

TEST_F(KrokTest, UnitFromItsInverseIgnoresZeroAndNegatives)
{
    data_.enhetsnevner = 50;
    data_.hode.enhet = 0.02;
    MSDialog *db = aapne(ZVZERA_DIALOG_EKSPORT);
    ASSERT_NE(db, nullptr);
    struct Tilfelle {
        const char *tekst;
        double enhet;
    } tabell[] = {{"0", 0.02}, {"-5", 0.02}, {"100", 0.01}, {"0", 0.01}, {"1000", 0.001}, {"1000", 0.001}};
    for (const Tilfelle &t : tabell) {
        gjoer(db, std::string("set Text 12 ") + t.tekst);
        EXPECT_DOUBLE_EQ(data_.hode.enhet, t.enhet) << t.tekst;
    }
    // A value set again is no real change: the unit stays as the header has it.
    data_.hode.enhet = 0.5;
    gjoer(db, "set Text 12 1000");
    EXPECT_DOUBLE_EQ(data_.hode.enhet, 0.5);
}

TEST_F(KrokTest, VersionShowsTwoDecimalsOnlyWhenItHasThem)
{
    MSDialog *db = aapne(ZVZERA_DIALOG_EKSPORT);
    ASSERT_NE(db, nullptr);
    struct Tilfelle {
        double versjon;
        const char *vist;
    } tabell[] = {{4.51, "4.51"}, {4.5, "4.5"}, {3.31, "3.31"}, {3.4, "3.4"}, {4.0, "4.0"}, {2.21, "2.21"}};
    for (const Tilfelle &t : tabell) {
        data_.hode.zeraVersjon = t.versjon;
        mdlDialog_itemsSynch(db);
        EXPECT_EQ(vist(db, RTYPE_Text, 13), t.vist) << t.versjon;
    }
}

TEST_F(KrokTest, LevelFourButtonFollowsTheHeaderLevel)
{
    data_.hode.zeraNivaa = 4;
    MSDialog *db = aapne(ZVZERA_DIALOG_EKSPORT);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(aktiv(db, RTYPE_PushButton, 26), 1) << "at the dialog's start";
    gjoer(db, "set Text 14 3");
    EXPECT_EQ(data_.hode.zeraNivaa, 3);
    EXPECT_EQ(aktiv(db, RTYPE_PushButton, 26), 0);
    data_.hode.zeraNivaa = 4;
    mdlDialog_itemsSynch(db);
    EXPECT_EQ(aktiv(db, RTYPE_PushButton, 26), 1);
}

TEST_F(KrokTest, TogglesEnableTheItemsAfterThem)
{
    struct Tilfelle {
        int toggle;
        int32_t zeraBrukerGrensesnittData::*felt;
        std::vector<std::pair<int, int>> etter; // (type, id) of the items that follow
    } tabell[] = {
        {29, &zeraBrukerGrensesnittData::importerUkjenteTema,
         {{RTYPE_ToggleButton, 32}, {RTYPE_Text, 2}, {RTYPE_ComboBox, 1}, {RTYPE_Text, 3}, {RTYPE_ComboBox, 2},
          {RTYPE_Text, 4}, {RTYPE_ComboBox, 3}, {RTYPE_Text, 5}, {RTYPE_ComboBox, 4}, {RTYPE_Text, 6},
          {RTYPE_Text, 7}, {RTYPE_Text, 9}}},
        // In a 3D design the level-4 button goes with the switch.
        {30, &zeraBrukerGrensesnittData::lagreNivaa4, {{RTYPE_ToggleButton, 31}, {RTYPE_PushButton, 21}}},
        {37, &zeraBrukerGrensesnittData::brukDgnlib, {{RTYPE_Text, 47}, {RTYPE_PushButton, 10}}},
    };
    for (const Tilfelle &t : tabell)
        for (int paa : {0, 1}) {
            data_.*t.felt = paa;
            MSDialog *db = aapne(ZVZERA_DIALOG_IMPORT);
            ASSERT_NE(db, nullptr);
            mdlDialog_itemsSynch(db);
            for (auto [type, id] : t.etter)
                EXPECT_EQ(aktiv(db, type, id), paa) << "toggle " << t.toggle << " item " << id;
            gjoer(db, "press ToggleButton " + std::to_string(t.toggle));
            EXPECT_EQ(data_.*t.felt, !paa);
            for (auto [type, id] : t.etter)
                EXPECT_EQ(aktiv(db, type, id), !paa) << "toggle " << t.toggle << " pressed, item " << id;
            // The item after the 12 is left alone.
            if (t.toggle == 29) {
                EXPECT_EQ(aktiv(db, RTYPE_OptionButton, 20), 1);
            }
            mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);
        }
}

TEST_F(KrokTest, FixedHeightAndThemeSourceInTheExportDialog)
{
    data_.fastHoyde = 0;
    data_.temaFra = 1;
    MSDialog *db = aapne(ZVZERA_DIALOG_EKSPORT);
    ASSERT_NE(db, nullptr);
    mdlDialog_itemsSynch(db);
    EXPECT_EQ(aktiv(db, RTYPE_Text, 21), 0);
    for (int id : {40, 41, 42, 43, 44})
        EXPECT_EQ(aktiv(db, RTYPE_ToggleButton, id), 1) << id;
    gjoer(db, "press ToggleButton 39; press ToggleButton 35");
    EXPECT_EQ(aktiv(db, RTYPE_Text, 21), 1);
    for (int id : {40, 41, 42, 43, 44})
        EXPECT_EQ(aktiv(db, RTYPE_ToggleButton, id), 0) << id;
    EXPECT_EQ(aktiv(db, RTYPE_ToggleButton, 13), 1) << "the sixth item is not the theme source's";
}

TEST_F(KrokTest, ImportTargetPointModeAndAttributes)
{
    data_.importMaal = 0;
    data_.punktModus = 2;
    data_.lagreEgenskaper = 0;
    MSDialog *db = aapne(ZVZERA_DIALOG_IMPORT);
    ASSERT_NE(db, nullptr);
    mdlDialog_itemsSynch(db);
    const std::pair<int, int> maal[] = {{RTYPE_Text, 36}, {RTYPE_PushButton, 12}, {RTYPE_Text, 23}, {RTYPE_PushButton, 13}};
    for (auto [type, id] : maal)
        EXPECT_EQ(aktiv(db, type, id), 0) << id;
    EXPECT_EQ(aktiv(db, RTYPE_ToggleButton, 37), 1) << "the fifth item is not the target's";
    EXPECT_EQ(synlig(db, RTYPE_Text, 10), 0) << "no symbol scale for zero-length lines";
    EXPECT_EQ(aktiv(db, RTYPE_OptionButton, 21), 0);
    EXPECT_EQ(aktiv(db, RTYPE_Text, 48), 1);
    EXPECT_EQ(aktiv(db, RTYPE_PushButton, 11), 1);

    gjoer(db, "set OptionButton 19 1; set OptionButton 20 0");
    for (auto [type, id] : maal)
        EXPECT_EQ(aktiv(db, type, id), 1) << id;
    EXPECT_EQ(synlig(db, RTYPE_Text, 10), 1);

    // Attributes on: the mode follows; the tag set file is fixed meanwhile.
    // Without a tag table holding "..TEMA", the item after the mode stays off.
    gjoer(db, "press ToggleButton 16");
    EXPECT_EQ(data_.lagreEgenskaper, 1);
    EXPECT_EQ(aktiv(db, RTYPE_OptionButton, 21), 1);
    EXPECT_EQ(aktiv(db, RTYPE_ToggleButton, 33), 0);
    EXPECT_EQ(aktiv(db, RTYPE_Text, 48), 0);
    EXPECT_EQ(aktiv(db, RTYPE_PushButton, 11), 0);
    gjoer(db, "set OptionButton 21 1; set OptionButton 21 0");
    EXPECT_EQ(aktiv(db, RTYPE_ToggleButton, 33), 0);
    gjoer(db, "press ToggleButton 16");
    EXPECT_EQ(aktiv(db, RTYPE_OptionButton, 21), 0);
    EXPECT_EQ(aktiv(db, RTYPE_Text, 48), 1);
}

TEST_F(KrokTest, FenceToggleNeedsAFenceAndTheCurrentDesign)
{
    // No fence: the switch is cleared when the dialog opens.
    data_.brukGjerde = 1;
    MSDialog *db = aapne(ZVZERA_DIALOG_IMPORT);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(data_.brukGjerde, 0);
    mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);

    DPoint3d hjorner[4] = {{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}};
    ASSERT_EQ(mdlFence_fromPoints(hjorner, 4, 0), 0);
    struct Tilfelle {
        int dialog, maal, nivaa, bruk;
        int bryter, neste;
    } tabell[] = {
        {ZVZERA_DIALOG_IMPORT, 0, 3, 1, 1, 1}, {ZVZERA_DIALOG_IMPORT, 0, 3, 0, 1, 0},
        {ZVZERA_DIALOG_IMPORT, 1, 3, 1, 0, 0}, {ZVZERA_DIALOG_IMPORT, 1, 2, 1, 1, 1},
        {ZVZERA_DIALOG_EKSPORT, 0, 3, 1, 0, 0}, {ZVZERA_DIALOG_EKSPORT, 0, 2, 1, 1, 1},
    };
    for (const Tilfelle &t : tabell) {
        data_.brukGjerde = t.bruk;
        data_.importMaal = t.maal;
        data_.hode.zeraNivaa = (int16_t)t.nivaa;
        db = aapne(t.dialog);
        ASSERT_NE(db, nullptr);
        EXPECT_EQ(data_.brukGjerde, t.bruk) << "a fence keeps the switch";
        // The rebuild message disables both, then the synchronise rule applies.
        gjoer(db, "user ToggleButton 15 0");
        EXPECT_EQ(aktiv(db, RTYPE_ToggleButton, 15), t.bryter) << t.dialog << " " << t.maal << " " << t.nivaa;
        EXPECT_EQ(aktiv(db, RTYPE_Label, 15), t.neste) << t.dialog << " " << t.maal << " " << t.nivaa;
        if (t.bryter) {
            // A click flips the next item's state.
            gjoer(db, "press ToggleButton 15");
            EXPECT_EQ(aktiv(db, RTYPE_Label, 15), !t.neste);
        }
        mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);
    }
}

TEST_F(KrokTest, ThemeCodeLinesFollowTheVersion)
{
    MSDialog *db = aapne(ZVZERA_DIALOG_EKSPORT);
    ASSERT_NE(db, nullptr);
    data_.zera40 = 0;
    mdlDialog_itemsSynch(db);
    EXPECT_EQ(data_.eksporterObjekttype, 1);
    EXPECT_EQ(data_.eksporterZeratema, 1);
    gjoer(db, "press ToggleButton 45");
    EXPECT_EQ(data_.zera40, 1);
    EXPECT_EQ(data_.eksporterZeratema, 0);
}

TEST_F(KrokTest, SymbologyListsDropTheirByLevelRows)
{
    MSDialog *db = aapne(ZVZERA_DIALOG_IMPORT);
    ASSERT_NE(db, nullptr);
    struct Tilfelle {
        int id;
        int rader;
    } tabell[] = {{1, MDLHOST_MAX_COLOR + 1}, {2, MDLHOST_MAX_WEIGHT + 1}, {3, MDLHOST_MAX_STANDARD_STYLE + 1}};
    for (const Tilfelle &t : tabell) {
        ListModel *lm = mdlDialog_comboBoxGetListModelP(mdlDialog_itemGetByTypeAndId(db, RTYPE_ComboBox, t.id, 0));
        ASSERT_NE(lm, nullptr) << t.id;
        EXPECT_EQ(mdlListModel_getRowCount(lm), t.rader) << t.id;
        EXPECT_STREQ(mdlListModel_getCellText(lm, 0, 0), "0");
    }
    EXPECT_EQ(mdlDialog_comboBoxGetListModelP(mdlDialog_itemGetByTypeAndId(db, RTYPE_ComboBox, 4, 0)),
              mdlhost_hostListModel(COMBOBOXID_Fonts));
    gjoer(db, "select ComboBox 1 3");
    EXPECT_EQ(data_.standardFarge, 3);
}

TEST_F(KrokTest, ListBoxFollowsTheDialogsSize)
{
    MSDialog *db = aapne(ZVZERA_DIALOG_LOGGLISTE);
    ASSERT_NE(db, nullptr);
    gjoer(db, "resize 500 400");
    BSIRect r{};
    ASSERT_EQ(mdlDialog_itemGetExtent(&r, db, indeks(db, RTYPE_ListBox, 4)), 0);
    EXPECT_EQ(r.origin.x, 10);
    EXPECT_EQ(r.origin.y, 10);
    EXPECT_EQ(r.corner.x - r.origin.x, 485);
    EXPECT_EQ(r.corner.y - r.origin.y, 370);
}

TEST_F(KrokTest, ZeraFileChoiceReadsTheChosenHeader)
{
    data_.loggPerZeraFil = 1;
    data_.hoydeAvrundingPaa = data_.multHoydePaa = 0;
    zeraFilListe = liste({zeraFil("a.zer", 3), zeraFil("b.zer", 4), path("mangler.zer")}, 1);
    data_.filIndeks = 2;
    MSDialog *db = aapne(ZVZERA_DIALOG_IMPORT);
    ASSERT_NE(db, nullptr);
    DialogItem *valg = mdlDialog_itemGetByTypeAndId(db, RTYPE_OptionButton, 17, 0);
    ASSERT_EQ(mdlDialog_optionButtonGetCount(valg), 3);
    char etikett[300];
    long verdi = -1;
    mdlDialog_optionButtonGetEntry(etikett, sizeof etikett, &verdi, nullptr, valg, 1);
    EXPECT_EQ(std::string(etikett), path("b.zer"));
    EXPECT_EQ(verdi, 1);
    EXPECT_EQ(data_.filIndeks, 0) << "the first file when the dialog opens";

    gjoer(db, "set OptionButton 17 1");
    EXPECT_EQ(std::string(data_.zeraFil), path("b.zer"));
    EXPECT_EQ(data_.hode.zeraNivaa, 4);
    EXPECT_EQ(std::string(data_.loggFil), path("b.log"));
    EXPECT_EQ(aktiv(db, RTYPE_ListBox, 3), 0) << "the dialog synchronised: no height switch is on";

    // A file whose header cannot be read: the box, and the header kept.
    ASSERT_EQ(mdlhost_scriptModal(20011, "ok"), 0);
    gjoer(db, "set OptionButton 17 2");
    EXPECT_EQ(data_.hode.zeraNivaa, 4);
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 0) << "the box was shown";
    mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);
    mdlStringList_destroy(zeraFilListe);
    zeraFilListe = nullptr;
}

TEST_F(KrokTest, LogListShowsTheChosenLog)
{
    data_.loggListe = liste({path("a b.log"), path("c.log")}, 2);
    MSDialog *db = aapne(ZVZERA_DIALOG_LOGGLISTE);
    ASSERT_NE(db, nullptr);
    DialogItem *lb = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, 4, 0);
    ASSERT_EQ(mdlDialog_listBoxNRows(lb), 2);
    mdlhost_clearInputQueue();
    gjoer(db, "select ListBox 4 0");
    mdlDialog_itemsSynch(db);
    ASSERT_EQ(mdlhost_inputQueueCount(), 2) << "the click and the synchronise";
    const char *tekst = nullptr;
    mdlhost_inputQueueEntry(0, &tekst, nullptr, nullptr);
    EXPECT_EQ(std::string(tekst), "type \"" + path("a b.log") + "\"");
    mdlhost_clearInputQueue();
    // Nothing chosen: nothing shown.
    mdlDialog_listBoxClearSelection(lb);
    mdlDialog_itemsSynch(db);
    EXPECT_EQ(mdlhost_inputQueueCount(), 0);
    mdlDialog_closeWithAction(db, ACTIONBUTTON_OK);
    EXPECT_EQ(mdlStringList_size(data_.loggListe), 2) << "the run's list stays";
}

TEST_F(KrokTest, ElementListHighlightsTheChosenRowAndGoesWithItsDialog)
{
    MSElement el;
    DPoint3d p[2] = {{0, 0, 0}, {10, 10, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, p), 0);
    uint32_t pos = mdlElement_add(&el);
    ASSERT_NE(pos, 0u);
    std::string modell = std::to_string(mdlModelRef_getActive());
    elementListe = liste({std::to_string(pos), modell, "3001", "L", "999999", modell, "ukjent", "-"}, 1);
    antallElementer = 2;
    MSDialog *db = aapne(ZVZERA_DIALOG_ELEMENTLISTE);
    ASSERT_NE(db, nullptr);
    DialogItem *lb = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, 4, 0);
    ASSERT_EQ(mdlDialog_listBoxNRows(lb), 2);
    EXPECT_STREQ(mdlhost_listBoxCellText(lb, 0, 2), "3001");
    // A row of an element that is not there, then one that is; a click on
    // the same row again and a keystroke: no harm.
    gjoer(db, "select ListBox 4 1; select ListBox 4 0; press ListBox 4; key ListBox 4 0; key ListBox 4 13");
    mdlDialog_closeWithAction(db, ACTIONBUTTON_OK);
    EXPECT_EQ(elementListe, nullptr) << "the list goes with the dialog";
    EXPECT_EQ(antallElementer, 0);
}

} // namespace
