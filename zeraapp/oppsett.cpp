// The ZERA application's setup and utility commands: the path choosers,
// tag sets, manual and help, the theme-table template from a scan of the
// listed ZERA files, and the three geometry commands.
//
// Sections: texts and helpers - path choosers - tag sets, manual and help -
// theme template - geometry commands.
#include "oppsett.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "brukerdata.h"
#include "dgnskriv_int.h"
#include "kartmotor.h"
#include "kartmotor_tjenester.h"
#include "kommandoer.h"
#include "mdlhost.h"
#include "zeratagger.h"
#include "zvlibcell.h"
#include "zvliberror.h"
#include "zvlibmain.h"
#include "zvlibmem.h"
#include "zvlibtext.h"
#include "zvlibupf.h"
#include "zvlibutil.h"
#include "zvzera.h"

// MicroStation build: every shape belongs to a line theme.
extern "C" int ElementErLinjeTema(...);

namespace {

// ---- texts and helpers ----------------------------------------------------------------------

constexpr int TEKST_LISTE = 111;   // titles
constexpr int ANTALL_LISTE = 3;    // questions and counts
constexpr int MELDING_LISTE = 5;   // prompts
constexpr int SPORSMAAL_TAGSETT = 2;
constexpr int ANTALL_ENDRET = 3;
constexpr int BOKS_SPORSMAAL = 152;
constexpr int MELDINGSSENTER_FEIL = 10;
constexpr int SPRAAK_MANUAL = 61;  // the manual's language suffix

// Remembered file dialogs.
constexpr int DLG_TEMA = -9651, DLG_LOGG = -9652, DLG_TAGSETT = -9655, DLG_MAL = -9656, DLG_SEED = -9657,
              DLG_DGNLIB = -9658, DLG_CELLE = -9659;

// Item ids the choosers synchronise.
constexpr int TEKST_TEMAFIL = 1, LISTE_FKB = 1, TEKST_LOGG = 20, TEKST_SEED = 23, TEKST_CELLE = 27,
              TEKST_IMPORTKATALOG = 36, TEKST_DGNLIB = 47, TEKST_TAGSETT = 48;

constexpr int FILVALG_KATALOG = 192; // mdlFileList_edit: folders

struct Tittel {
    char tekst[ZVZERA_TEKST_LEN];
    explicit Tittel(int entry) { mdlOutput_rscsPrintf(tekst, sizeof tekst, nullptr, TEKST_LISTE, entry); }
};

MSDialog *aapenDialog(int id) { return mdlDialog_findByTypeAndId(RTYPE_DialogBox, id, mdlSystem_getCurrMdlDesc()); }

// The first of these dialogs that is open, or null.
template <size_t N> MSDialog *forsteAapne(const int (&ider)[N])
{
    for (int id : ider)
        if (MSDialog *db = aapenDialog(id))
            return db;
    return nullptr;
}

void synkTekst(MSDialog *db, int tekstId)
{
    if (db == nullptr)
        return;
    if (DialogItem *it = mdlDialog_itemGetByTypeAndId(db, RTYPE_Text, tekstId, 0))
        mdlDialog_itemSynch(db, mdlDialog_itemGetIndex(it));
}

// A remembered file dialog with the application folder as default.
bool velgFil(char *ut, const char *forslag, const char *filter, int tittel, int dialogId, bool ny = false)
{
    const zeraBrukerGrensesnittData *d = brukerDataP;
    Tittel t(tittel);
    const char *katalog = d ? d->installasjonsKatalog : "";
    int svar = ny ? zvlibUpf_defFileCreate(ut, forslag, filter, katalog, t.tekst, dialogId)
                  : zvlibUpf_defFileOpen(ut, forslag, filter, katalog, t.tekst, dialogId);
    return svar == ACTIONBUTTON_OK && ut[0] != '\0';
}

// The words of a keyin's rest: blanks part them, double quotes keep a
// path with blanks whole.
std::vector<std::string> delOrd(const char *tekst)
{
    std::vector<std::string> ord;
    const char *p = tekst ? tekst : "";
    while (*p != '\0') {
        while (*p == ' ' || *p == '\t')
            p++;
        if (*p == '\0')
            break;
        std::string w;
        if (*p == '"') {
            for (++p; *p != '\0' && *p != '"'; ++p)
                w += *p;
            if (*p == '"')
                ++p;
        } else {
            for (; *p != '\0' && *p != ' ' && *p != '\t'; ++p)
                w += *p;
        }
        ord.push_back(w);
    }
    return ord;
}

// ---- geometry helpers ----------------------------------------------------------------------

// Positions of the active model's elements of one type, read before any is
// rewritten (a rewrite may move an element to a new position).
std::vector<uint32_t> posisjoner(int type)
{
    std::vector<uint32_t> ut;
    MdlScanCriteria *sc = mdlScanCriteria_create();
    if (sc == nullptr)
        return ut;
    uint32_t maske[MDLSCAN_MASK_WORDS] = {};
    MDLSCAN_MASK_SET(maske, type);
    mdlScanCriteria_setModel(sc, MDLHOST_NO_MODEL);
    mdlScanCriteria_setElementTypeTest(sc, maske, MDLSCAN_MASK_WORDS);
    uint32_t pos[512];
    int n = 0, rc = 0;
    do {
        rc = mdlScanCriteria_scan(sc, pos, 512, &n);
        if (rc != 0 && rc != MDLSCAN_END)
            break;
        ut.insert(ut.end(), pos, pos + n);
    } while (rc == 0 && n > 0);
    mdlScanCriteria_free(&sc);
    return ut;
}

struct Linje {
    MSElement el;
    DPoint3d p[MAX_VERTICES];
    int n = 0;
};

bool lesLinje(Linje &l, uint32_t pos)
{
    return mdlElement_read(&l.el, MDLHOST_NO_MODEL, pos) == 0 &&
           mdlLinear_extract(l.p, &l.n, &l.el, MDLHOST_NO_MODEL) == 0;
}

// A modal confirmation dialog of the command: true when it ends with OK.
bool bekreftet(int dialogId)
{
    int svar = ACTIONBUTTON_CANCEL;
    return mdlDialog_openModal(&svar, nullptr, dialogId) == 0 && svar == ACTIONBUTTON_OK;
}

// The end of a geometry command: the count of changed elements.
void sluttmelding(int antall)
{
    mdlOutput_printf(4, "%s", "");
    mdlOutput_rscPrintf(0, ANTALL_LISTE, ANTALL_ENDRET, antall);
    mdlOutput_rscPrintf(1, MELDING_LISTE, 0);
}

void tell(int &antall)
{
    if (++antall % 10 == 0)
        zvlibUtil_updateHourGlass();
}

bool lukkLinjestreng(uint32_t pos, double toleranse, bool fyll)
{
    static Linje l;
    if (!lesLinje(l, pos) || l.n < 3 || mdlVec_distance(&l.p[0], &l.p[l.n - 1]) > toleranse)
        return false;
    MSElement flate;
    if (mdlShape_create(&flate, &l.el, l.p, l.n, fyll ? 1 : 0) != 0)
        return false;
    if (!fyll || mdlElement_isFilled(&flate, nullptr))
        return mdlElement_rewrite(&flate, &l.el, pos) != 0;
    MSElementDescr *d = nullptr;
    if (mdlElmdscr_new(&d, nullptr, &flate) != 0)
        return false;
    mdlElmdscr_addFill(d, nullptr);
    bool ok = mdlElement_undoableDelete(&l.el, pos, 0) == 0 && mdlElmdscr_add(d) != 0;
    mdlElmdscr_freeAll(&d);
    return ok;
}

// A curve's real ends are its points 2 and n-3: the others are control points.
bool lukkKurve(uint32_t pos, double toleranse, bool fyll)
{
    static Linje l;
    if (!lesLinje(l, pos) || l.n < 7 || mdlVec_distance(&l.p[2], &l.p[l.n - 3]) > toleranse)
        return false;
    MSElement hode;
    if (mdlComplexChain_createHeader(&hode, 1, fyll ? 1 : 0) != 0)
        return false;
    uint32_t farge = 0, vekt = 0, nivaa = 0, gruppe = 0, klasse = 0;
    int32_t stil = 0;
    mdlElement_getSymbology(&farge, &vekt, &stil, &l.el);
    mdlElement_setSymbology(&hode, &farge, &vekt, &stil);
    mdlElement_getProperties(&nivaa, &gruppe, &klasse, nullptr, nullptr, nullptr, nullptr, nullptr, &l.el);
    mdlElement_setProperties(&hode, &nivaa, &gruppe, &klasse, nullptr, nullptr, nullptr, nullptr, nullptr);
    MSElementDescr *d = nullptr;
    if (mdlElmdscr_new(&d, nullptr, &hode) != 0)
        return false;
    bool ok = mdlElmdscr_appendElement(d, &l.el) == 0 && mdlElement_undoableDelete(&l.el, pos, 0) == 0 &&
              mdlElmdscr_add(d) != 0;
    mdlElmdscr_freeAll(&d);
    return ok;
}

// The points first..last of the element at pos as a line string in its place.
bool tilLinjestreng(uint32_t pos, int fjernForan, int fjernBak, bool kunLinjetema)
{
    static Linje l;
    if (!lesLinje(l, pos))
        return false;
    if (kunLinjetema && !ElementErLinjeTema(&l.el))
        return false;
    int n = l.n - fjernForan - fjernBak;
    MSElement linje;
    if (n < 2 || mdlLineString_create(&linje, &l.el, l.p + fjernForan, n) != 0)
        return false;
    return mdlElement_rewrite(&linje, &l.el, pos) != 0;
}

// The commands work in storage units whatever transformation is current.
struct LagringsEnheter {
    LagringsEnheter()
    {
        mdlCurrTrans_begin();
        mdlCurrTrans_identity();
    }
    ~LagringsEnheter() { mdlCurrTrans_end(); }
};

constexpr int PRIMITIV = 1;
constexpr int LEDETEKST_LUKK = 3, LEDETEKST_FLATER = 4, LEDETEKST_KURVER = 5;

} // namespace

extern "C" {

// ---- path choosers -------------------------------------------------------------------------

int VelgTemafil(char *)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    char fil[MDLHOST_MAXFILELENGTH] = "";
    if (d == nullptr || !velgFil(fil, "", "*.tem", 12, DLG_TEMA))
        return 0;
    if (LesTemafil(fil) != 0) {
        // The table in force before stays in force.
        if (d->temaFil[0] != '\0')
            LesTemafil(d->temaFil);
        return 0;
    }
    zvlib::copyText(d->temaFil, fil);
    static const int DIALOGER[] = {ZVZERA_DIALOG_INNSTILLINGER, ZVZERA_DIALOG_IMPORT, ZVZERA_DIALOG_EKSPORT,
                                   ZVZERA_DIALOG_TEMA};
    if (MSDialog *db = forsteAapne(DIALOGER)) {
        synkTekst(db, TEKST_TEMAFIL);
        if (DialogItem *liste = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, LISTE_FKB, 0)) {
            mdlDialog_itemSendUserMsg(db, mdlDialog_itemGetIndex(liste), 0);
            mdlDialog_listBoxDrawContents(liste, -1, -1);
        }
    }
    return 0;
}

int VelgDgnlib(char *)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    char fil[MDLHOST_MAXFILELENGTH] = "";
    if (d == nullptr)
        return 0;
    if (zvlibUpf_defFileOpen(fil, d->dgnlibFil, "*.dgnlib", d->installasjonsKatalog, "Velg dgnlib", DLG_DGNLIB) !=
            ACTIONBUTTON_OK ||
        fil[0] == '\0')
        return 0;
    zvlib::copyText(d->dgnlibFil, fil);
    synkTekst(aapenDialog(ZVZERA_DIALOG_IMPORT), TEKST_DGNLIB);
    return 0;
}

int VelgSeedfil(char *)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    char fil[MDLHOST_MAXFILELENGTH] = "";
    if (d == nullptr || !velgFil(fil, d->seedFil, "*.dgn", 13, DLG_SEED))
        return 0;
    zvlib::copyText(d->seedFil, fil);
    synkTekst(aapenDialog(ZVZERA_DIALOG_IMPORT), TEKST_SEED);
    return 0;
}

int VelgImportkatalog(char *)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    if (d == nullptr)
        return 0;
    char katalog[MDLHOST_MAXFILELENGTH];
    zvlib::copyText(katalog, d->importKatalog);
    Tittel tittel(14), ledetekst(15);
    if (mdlFileList_edit(nullptr, katalog, FILVALG_KATALOG, tittel.tekst, ledetekst.tekst, "") != ACTIONBUTTON_OK ||
        katalog[0] == '\0')
        return 0;
    // The import joins the folder and a file name: it must end in a separator.
    size_t n = strlen(katalog);
    if (katalog[n - 1] != '\\' && katalog[n - 1] != '/') {
        if (n + 1 >= ZVZERA_TEKST_LEN)
            return 0;
        katalog[n] = '\\';
        katalog[n + 1] = '\0';
    }
    zvlib::copyText(d->importKatalog, katalog);
    synkTekst(aapenDialog(ZVZERA_DIALOG_IMPORT), TEKST_IMPORTKATALOG);
    return 0;
}

int VelgLoggfil(char *)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    char fil[MDLHOST_MAXFILELENGTH] = "";
    if (d == nullptr || !velgFil(fil, "", "*.log", 23, DLG_LOGG, true))
        return 0;
    zvlib::copyText(d->loggFil, fil);
    static const int DIALOGER[] = {ZVZERA_DIALOG_INNSTILLINGER, ZVZERA_DIALOG_IMPORT, ZVZERA_DIALOG_EKSPORT};
    synkTekst(forsteAapne(DIALOGER), TEKST_LOGG);
    return 0;
}

int VelgCellebibliotek(char *)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    char fil[MDLHOST_MAXFILELENGTH] = "";
    if (d == nullptr || !velgFil(fil, "", "*.cel", 29, DLG_CELLE))
        return 0;
    char enhet[MDLHOST_MAXFILELENGTH], katalog[MDLHOST_MAXFILELENGTH], navn[MDLHOST_MAXFILELENGTH],
        filtype[MDLHOST_MAXFILELENGTH];
    if (mdlFile_parseName(fil, enhet, katalog, navn, filtype) != 0)
        return 0;
    char celle[MDLHOST_MAXFILELENGTH];
    if (mdlFile_buildName(celle, nullptr, nullptr, navn, filtype) != 0)
        return 0;
    zvlib::copyText(d->cellebibliotekNavn, celle);
    if (zvlibCell_getCellPathAndName(d->cellebibliotek, d->cellebibliotekNavn) != 0)
        zvlib::copyText(d->cellebibliotek, d->cellebibliotekNavn);
    static const int DIALOGER[] = {ZVZERA_DIALOG_INNSTILLINGER, ZVZERA_DIALOG_IMPORT};
    synkTekst(forsteAapne(DIALOGER), TEKST_CELLE);
    return 0;
}

// ---- tag sets, manual and help -------------------------------------------------------------

int LagTagsettKommando(char *)
{
    char tekst[ZVZERA_TEKST_LEN];
    mdlOutput_rscsPrintf(tekst, sizeof tekst, nullptr, TEKST_LISTE, LagTagsett() == 0 ? 24 : 25);
    mdlOutput_message(tekst);
    return 0;
}

int VelgTagsetFil(char *)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    if (d == nullptr || zvlibError_rscMsgBoxPrintf(BOKS_SPORSMAAL, ANTALL_LISTE, SPORSMAAL_TAGSETT) != ACTIONBUTTON_OK)
        return 0;
    char fil[MDLHOST_MAXFILELENGTH] = "";
    if (!velgFil(fil, "", "*.tag", 30, DLG_TAGSETT))
        return 0;
    FjernTagsett();
    zvlib::copyText(d->tagsetFil, fil);
    LesZeraTagsetInputFil(0, nullptr);
    synkTekst(aapenDialog(ZVZERA_DIALOG_IMPORT), TEKST_TAGSETT);
    return 0;
}

int AapneBrukerveiledning(char *)
{
    char rot[ZVZERA_TEKST_LEN];
    if (mdlSystem_getenv("ZV_DIR", rot, sizeof rot) != 0)
        return 0;
    const char *app = zvlibMain_getApplicationName();
    const char *spraak = zvlibUtil_getLanguageText(SPRAAK_MANUAL);
    char sti[MDLHOST_MAXFILELENGTH], funnet[MDLHOST_MAXFILELENGTH];
    int n = snprintf(sti, sizeof sti, "%sdoc\\manual\\%s%s.pdf", rot, app ? app : "", spraak ? spraak : "");
    if (n < 0 || (size_t)n >= sizeof sti || mdlFile_find(funnet, sti, nullptr, nullptr) != 0) {
        mdlOutput_messageCenter(MELDINGSSENTER_FEIL,
                                "Cannot open ZVZera User's manual\nCannot open ZVZera User's manual. File is missing.");
        return 0;
    }
    zvlibExternal_openFile(funnet);
    return 0;
}

int AapneHjelp(char *)
{
    mdlInput_sendKeyin("mdl keyin HELPLOAD HELP SEARCH ZVZERA", 0, 0, nullptr);
    return 0;
}

// ---- theme template ---------------------------------------------------------------------------

int LagTemamal(const char *mal, const char *const *filer, int antall, FILE *rapport)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    if (d == nullptr || mal == nullptr || mal[0] == '\0' || antall < 1 || filer == nullptr)
        return -1;
    auto melding = [&](const std::string &tekst) {
        if (rapport != nullptr)
            fprintf(rapport, "\n%s\n", tekst.c_str());
        else
            toolSubsystem_printf("%s\n", tekst.c_str());
    };

    static const char SKILLE[] = "\n! ZERA-fil: ";
    std::string navn; // every path, also one longer than the record's field
    d->skannModus = 1;
    d->antallFiler = (int32_t)antall;
    int skannet = 0; // the first file scanned starts a new scan
    int feil = 0;
    for (int i = 0; i < antall; i++) {
        const char *fil = filer[i] ? filer[i] : "";
        d->filIndeks = (int32_t)i;
        if (strlen(fil) >= ZVZERA_TEKST_LEN) {
            // A cut path would scan another file, or none.
            melding(std::string("ZERA-filen er ikke skannet, navnet er for langt: ") + fil);
            feil++;
        } else {
            zvlib::copyText(d->zeraFil, fil);
            if (pzerscan(d->zeraFil, "", d->loggFil, d->xmlFil, ++skannet, reinterpret_cast<MdlFunctionP>(prosent_ferdig),
                         reinterpret_cast<MdlFunctionP>(c_txt)) != 0) {
                // The file adds nothing; the next one starts the scan again
                // when none was scanned before it.
                melding(zeraMotorensMelding() + "\ni filen: " + fil);
                feil++;
                if (skannet == 1)
                    skannet = 0;
            }
        }
        navn += (i > 0 ? SKILLE : "") + std::string(fil);
    }
    d->skannModus = 0;
    if (mt_creat(navn.c_str(), mal, 1) != 0) {
        melding(zeraMotorensMelding() + "\ni filen: " + mal);
        return -1;
    }
    zvlib::copyText(Bmw.program, "VADUZU Dederira");
    int slutt = exit_zera2dgn(d->loggFil, d->zeraFil, mal, d->xmlFil, 0, reinterpret_cast<MdlFunctionP>(c_txt));
    zvlib::copyText(Bmw.program, "ZVZERA Import");
    if (slutt != 0)
        melding(std::string("Loggfilen kan ikke skrives: ") + d->loggFil);
    return antall - feil;
}

int LagTemafilFraZeraFiler(char *tekst)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    if (d == nullptr)
        return 0;
    // "MAL [ZERA-FIL ...]": the template and the files are named, no dialog;
    // without files the listed ones are scanned.
    std::vector<std::string> ord = delOrd(tekst);
    char mal[MDLHOST_MAXFILELENGTH] = "";
    if (!ord.empty())
        zvlib::copyText(mal, ord[0]);
    else if (!velgFil(mal, "", "*.tem", 31, DLG_MAL, true))
        return 0;
    std::vector<std::string> navn(ord.size() > 1 ? ord.begin() + 1 : ord.end(), ord.end());
    if (navn.empty()) {
        long antall = zeraFilListe ? mdlStringList_size(zeraFilListe) : 0;
        for (long i = 0; i < antall; i++) {
            const char *fil = nullptr;
            mdlStringList_getMember(&fil, nullptr, zeraFilListe, i);
            navn.push_back(fil ? fil : "");
        }
    }
    if (navn.empty()) {
        toolSubsystem_printf("Ingen ZERA-filer er valgt; temamalen %s er ikke laget.\n", mal);
        return 0;
    }
    std::vector<const char *> filer;
    for (const std::string &n : navn)
        filer.push_back(n.c_str());
    if (d->loggFil[0] == '\0')
        LagLoggfilNavnFraZerafilEllerIndeks("", mal, 0);

    MSDialog *import = aapenDialog(ZVZERA_DIALOG_IMPORT);
    if (import)
        mdlWindow_sink(import);
    fremdriftsLinje = mdlDialog_completionBarOpen("");
    LagTemamal(mal, filer.data(), (int)filer.size(), nullptr);
    mdlDialog_completionBarClose(fremdriftsLinje);
    fremdriftsLinje = nullptr;
    if (import && mdlhost_dialogIsOpen(import))
        mdlWindow_float(import);
    return 0;
}

int SettInnstillingKommando(char *tekst)
{
    std::vector<std::string> ord = delOrd(tekst);
    zeraBrukerGrensesnittData *d = brukerDataP;
    const char *navn = ord.size() > 0 ? ord[0].c_str() : "";
    const char *verdi = ord.size() > 1 ? ord[1].c_str() : "";
    int rc = ord.size() == 2 ? SettInnstilling(d, navn, verdi) : (LesInnstilling(d, navn) < 0 ? -1 : -2);
    if (rc == 0) {
        toolSubsystem_printf("zvzera set %s %s\n", navn, verdi);
        return 0;
    }
    if (rc == -2) {
        toolSubsystem_printf("zvzera set %s: verdien er 0 eller 1, ikke \"%s\"\n", navn, verdi);
        return 0;
    }
    std::string alle;
    for (int i = 0; InnstillingNavn(i) != nullptr; i++)
        alle += std::string(i > 0 ? ", " : "") + InnstillingNavn(i);
    toolSubsystem_printf("zvzera set: ukjent innstilling \"%s\"; innstillingene er %s\n", navn, alle.c_str());
    return 0;
}

// ---- geometry commands -------------------------------------------------------------------------

int LukkTilFlater(char *)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    if (d == nullptr || !bekreftet(ZVZERA_DIALOG_LUKK) || (!d->lukkLinjestrenger && !d->lukkKjeder))
        return 0;
    mdlState_startPrimitive(PRIMITIV, LEDETEKST_LUKK);
    LagringsEnheter uor;
    double toleranse = *zvlibUtil_masterToUORP(d->lukkeToleranse);
    bool fyll = d->fyllFlater != 0;
    int antall = 0;
    if (d->lukkLinjestrenger)
        for (uint32_t pos : posisjoner(LINE_STRING_ELM))
            if (lukkLinjestreng(pos, toleranse, fyll))
                tell(antall);
    if (d->lukkKjeder)
        for (uint32_t pos : posisjoner(CURVE_ELM))
            if (lukkKurve(pos, toleranse, fyll))
                tell(antall);
    sluttmelding(antall);
    return 0;
}

int GjoerOmTilLinjer(char *)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    if (d == nullptr || !bekreftet(ZVZERA_DIALOG_FLATER_TIL_LINJER))
        return 0;
    mdlState_startPrimitive(PRIMITIV, LEDETEKST_FLATER);
    LagringsEnheter uor;
    int antall = 0;
    for (uint32_t pos : posisjoner(SHAPE_ELM))
        if (tilLinjestreng(pos, 0, 0, d->kunLinjetema != 0))
            tell(antall);
    sluttmelding(antall);
    return 0;
}

int KurverTilLinjer(char *)
{
    if (brukerDataP == nullptr || !bekreftet(ZVZERA_DIALOG_KURVER_TIL_LINJER))
        return 0;
    mdlState_startPrimitive(PRIMITIV, LEDETEKST_KURVER);
    LagringsEnheter uor;
    int antall = 0;
    for (uint32_t pos : posisjoner(CURVE_ELM))
        if (tilLinjestreng(pos, 2, 2, false))
            tell(antall);
    sluttmelding(antall);
    return 0;
}

} // extern "C"
