// Progress of the runs, log and LandXML file names, the FKB list and the
// ZVZERA menu bar: services the application's commands and the other
// deliverables call by name.
//
// Sections: progress - file names - FKB list - menu bar.
#include <cstdio>
#include <cstring>

#include "brukerdata.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zvlibtext.h"
#include "zvzera.h"

// The GIS build's reload of its reference files; an empty body here.
extern "C" void ReloadGGRefFilerHvisNoedvendig(void);

namespace {

constexpr int TEKST_LISTE = 111;     // titles and progress texts
constexpr int TEKST_FIL_AV = 8;      // "file %d of %d, pass %d"
constexpr int TEKST_DEL = 9;         // "pass %d"
constexpr int ANTALL_LISTE = 3;      // counts and file progress
constexpr int ANTALL_FIL_AV = 1;
constexpr int FKB_VALGT_FELT = 4;    // info field of the selection
constexpr int FKB_INFOFELT = 5;

// Text window in batch: "Del %d: " at the start of a pass, a dot at every
// fourth percent, and a line break when the last pass ends.
void batchFremdrift(int p, int fase)
{
    if (rapportTilFil)
        return;
    if (fase == 2 && p == 0)
        toolSubsystem_printf("\nDel %d: ", fase);
    else if (fase > 0 && p == 0)
        toolSubsystem_printf("Del %d: ", fase);
    else if (p % 4 == 0)
        toolSubsystem_printf(".");
    if (fase == 2 && p == 100)
        toolSubsystem_printf("\n");
}

void oppdaterLinje(int p, const char *tekst)
{
    if (fremdriftsLinje != nullptr)
        mdlDialog_updateCompletionBar(fremdriftsLinje, tekst, p);
}

// The completion bar's text of an interactive run.
void interaktivFremdrift(int p, int fase)
{
    const zeraBrukerGrensesnittData *d = brukerDataP;
    char tekst[2 * ZVZERA_TEKST_LEN] = "";
    int antall = d ? d->antallFiler : 0;
    int nr = d ? d->filIndeks + 1 : 0;
    if (d != nullptr && d->skannModus) {
        if (antall > 1)
            snprintf(tekst, sizeof tekst, "Fil %d av %d:  %s", nr, antall, d->zeraFil);
        oppdaterLinje(p, tekst);
        return;
    }
    if (fase == 1 && p == 0 && antall > 1)
        mdlOutput_rscPrintf(0, ANTALL_LISTE, ANTALL_FIL_AV, nr, antall, d->zeraFil);
    if (fase > 0) {
        if (antall > 1)
            mdlOutput_rscsPrintf(tekst, sizeof tekst, nullptr, TEKST_LISTE, TEKST_FIL_AV, nr, antall, fase);
        else
            mdlOutput_rscsPrintf(tekst, sizeof tekst, nullptr, TEKST_LISTE, TEKST_DEL, fase);
        const char *trinn = fase == 1 ? "2,3)" : fase == 2 ? "4)" : "";
        size_t n = strlen(tekst);
        zvlib::copyText(tekst + n, sizeof tekst - n, trinn);
    }
    oppdaterLinje(p, tekst);
}

// ---- file names -------------------------------------------------------------------

// One run's name into felt: from the base (5 characters of its name + the
// run's number) or from the ZERA file with extension ext.
void lagFilnavn(char *felt, const char *base, const char *zeraFil, int indeks, const char *ext)
{
    char enhet[MDLHOST_MAXFILELENGTH], katalog[MDLHOST_MAXFILELENGTH], navn[MDLHOST_MAXFILELENGTH],
        filtype[MDLHOST_MAXFILELENGTH];
    char nyttNavn[MDLHOST_MAXFILELENGTH + 16];
    if (base != nullptr && base[0] != '\0') {
        mdlFile_parseName(base, enhet, katalog, navn, filtype);
        snprintf(nyttNavn, sizeof nyttNavn, "%.5s%03d", navn, indeks + 1);
    } else {
        mdlFile_parseName(zeraFil ? zeraFil : "", enhet, katalog, navn, nullptr);
        zvlib::copyText(nyttNavn, navn);
        zvlib::copyText(filtype, ext);
    }
    char resultat[MDLHOST_MAXFILELENGTH];
    mdlFile_buildName(resultat, enhet, katalog, nyttNavn, filtype);
    zvlib::copyText(felt, ZVZERA_TEKST_LEN, resultat);
}

} // namespace

// ---- progress ----------------------------------------------------------------------

int prosent_ferdig(double prosent, int fase)
{
    // Truncated toward zero; anything that is not a number from -100 to 100
    // after that is no progress to show (and must not reach the cast).
    if (!(prosent > -101.0 && prosent < 101.0))
        return 0;
    int p = (int)prosent;
    const zeraBrukerGrensesnittData *d = brukerDataP;
    if (d != nullptr && d->geoGraphicsBygg && d->lagreNivaa4 && fase == 2)
        ReloadGGRefFilerHvisNoedvendig();
    if (batchModus)
        batchFremdrift(p, fase);
    else
        interaktivFremdrift(p, fase);
    return 0;
}

// ---- file names -------------------------------------------------------------------

void LagLoggfilNavnFraZerafilEllerIndeks(const char *base, const char *zeraFil, int indeks)
{
    if (brukerDataP == nullptr)
        return;
    lagFilnavn(brukerDataP->loggFil, base, zeraFil, indeks, "log");
}

void LagXMLfilNavnFraZerafilEllerIndeks(const char *base, const char *zeraFil, int indeks)
{
    if (brukerDataP == nullptr)
        return;
    lagFilnavn(brukerDataP->xmlFil, base, zeraFil, indeks, "xml");
    settXMLFil(brukerDataP->xmlFil);
}

// ---- FKB list ------------------------------------------------------------------------

StringList *LagStringListFraFkbTabell(void)
{
    StringList *liste = mdlStringList_create(0, FKB_INFOFELT);
    if (liste == nullptr)
        return nullptr;
    int antall = Fkbtab.count < 0 ? 0 : Fkbtab.count > FKB_MAX_GROUPS ? FKB_MAX_GROUPS : Fkbtab.count;
    for (int i = 0; i < antall; i++) {
        char gruppe[MT_FIELD_LEN + 1];
        snprintf(gruppe, sizeof gruppe, "%.*s", MT_FIELD_LEN, Fkbtab.group[i]);
        long info[FKB_INFOFELT] = {0, 0, 0, 0, 0};
        info[FKB_VALGT_FELT] = Fkbtab.selected[i];
        long indeks = 0;
        if (mdlStringList_insertMember(&indeks, liste, -1, 1) != 0 ||
            mdlStringList_setMember(liste, indeks, gruppe, info) != 0)
            break;
    }
    return liste;
}

// ---- menu bar -------------------------------------------------------------------------

MenuBar *GetZvZeraMenuBar(void)
{
    MdlDesc *zvzera = mdlSystem_findMdlDesc(ZVZERA_TASK);
    if (zvzera == nullptr)
        return nullptr;
    MSDialog *hoved = mdlDialog_findByTypeAndId(RTYPE_DialogBox, ZVZERA_HOVEDDIALOG, zvzera);
    return hoved ? mdlDialog_menuBarFind(hoved) : nullptr;
}

void LeggInnZvZeraMeny(int meny, int foran)
{
    MenuBar *linje = GetZvZeraMenuBar();
    if (linje == nullptr)
        return;
    PulldownMenu *foranMeny = foran != 0 ? mdlDialog_menuBarFindMenu(linje, RTYPE_PulldownMenu, foran) : nullptr;
    mdlDialog_menuBarInsMenu(linje, RTYPE_PulldownMenu, meny, nullptr, foranMeny);
}
