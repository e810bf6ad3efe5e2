// The import and export commands: the ZERA file list, headers, the theme
// table, the import run over the files (each into the current design or a
// design made from the seed), the export run with its header and temporary
// element file, header files, side files and the logs shown afterwards.
//
// Sections: state - headers and the theme table - files - the import run -
// the export run - header files and logs - commands.
#include "kommandoer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "brukerdata.h"
#include "dgnskriv.h"
#include "dgnskriv_int.h"
#include "eksport.h"
#include "kartmotor_tjenester.h"
#include "mdlhost.h"
#include "zeratagger.h"
#include "zvliberror.h"
#include "zvlibtext.h"
#include "zvlibupf.h"
#include "zvlibutil.h"
#include "zvzera.h"

// The set-up command and the dialogs' height callback this run calls.
// Weak, so a build without them still runs the rest.
extern "C" {
__attribute__((weak)) int VelgTemafil(char *);
__attribute__((weak)) int TemaForHoydeAvrundingEllerMultHoyder(char *tema, int type);
}

// ---- state -----------------------------------------------------------------------------
StringList *zeraFilListe = nullptr;
StringList *elementListe = nullptr;
int32_t antallElementer = 0;

namespace {

constexpr int MELDINGER = 5;   // prompts and messages of the commands
constexpr int TEKSTER = 111;   // titles
constexpr int BOKS_FEIL = 17;
constexpr int BOKS_JA_NEI = 194;
constexpr int BOKS_FORTSETT = 193;
constexpr int BOKS_ERSTATT = 290;
constexpr int SVAR_JA = 3;
constexpr int DIALOG_EKSPORT = 3;
constexpr int DIALOG_IMPORT = 6;
constexpr int DIALOG_LOGGLISTE = 12;
constexpr int DIALOG_ELEMENTLISTE = 20;
constexpr long FEILFARGE = 3; // the log list's mark of a file that failed
constexpr size_t TEKST = ZVZERA_TEKST_LEN;

// A title or message of the application's resources.
std::string ressurstekst(int liste, int nr)
{
    char tekst[512] = "";
    if (mdlResource_loadFromStringList(tekst, sizeof tekst, nullptr, liste, nr) != 0)
        return "";
    return tekst;
}

std::string meldingTekst(const char *rutine, short nr)
{
    char tekst[BMW_CTXT_LEN] = "";
    c_txt(const_cast<char *>(rutine), &nr, tekst);
    return tekst;
}

bool erBatch() { return batchModus != 0; }

} // namespace

extern "C" {

// ---- headers and the theme table ------------------------------------------------------------

void MotorensMelding(int siste, char *ut)
{
    if (ut == nullptr)
        return;
    ut[0] = '\0';
    int n = Bmw.msgCount < BMW_MAX_MESSAGES ? Bmw.msgCount : BMW_MAX_MESSAGES;
    if (n < 1)
        return;
    int i = siste ? n - 1 : 0;
    char rutine[sizeof Bmw.msg.rutnam[0] + 1];
    snprintf(rutine, sizeof rutine, "%.*s", (int)sizeof Bmw.msg.rutnam[0], Bmw.msg.rutnam[i]);
    short nr = Bmw.msg.number[i];
    c_txt(rutine, &nr, ut);
}

} // extern "C"

std::string zeraMotorensMelding(bool siste)
{
    char tekst[BMW_CTXT_LEN];
    MotorensMelding(siste ? 1 : 0, tekst);
    return tekst;
}

extern "C" {

int LesZeraHode(const char *zeraFil, SheadStruct *hode, int32_t *storrelse, FILE *rapport)
{
    SheadStruct buffer;
    memset(&buffer, 0, sizeof buffer);
    int32_t str = 0;
    int rc = zeraFil != nullptr ? zerget_headinfo(zeraFil, &buffer, &str, reinterpret_cast<MdlFunctionP>(c_txt)) : 1;
    if (rc == 0) {
        if (hode != nullptr)
            *hode = buffer;
        if (storrelse != nullptr)
            *storrelse = str;
        return 0;
    }
    // A file that cannot be opened or holds no group leaves no message of
    // the engine's: the cause is named here.
    std::string aarsak = zeraMotorensMelding();
    if (aarsak.empty())
        aarsak = rc == 1 ? meldingTekst("ZERA2DGN", 1) : meldingTekst("SG_HEAD", 1);
    std::string tekst = aarsak + "\ni filen: " + (zeraFil ? zeraFil : "");
    if (!erBatch())
        zvlibError_msgBoxPrintf(BOKS_FEIL, "%s", tekst.c_str());
    else if (rapport != nullptr)
        fprintf(rapport, "\n%s\n", tekst.c_str());
    return ZVZERA_FEIL;
}

int LesTemafil(const char *temaFil)
{
    memset(&Mstemtab, 0, sizeof Mstemtab);
    memset(&Fkbtab, 0, sizeof Fkbtab);
    memset(&Bmw, 0, sizeof Bmw);
    zeraBrukerGrensesnittData &d = zeraData();
    if (d.fkbListe != nullptr) {
        mdlStringList_destroy(d.fkbListe);
        d.fkbListe = nullptr;
    }
    if (temaFil == nullptr || mt_init(temaFil, 0) != 0) {
        std::string melding = zeraMotorensMelding();
        int linje = Bmw.msgCount > 0 ? Bmw.msg.line[0] : 0;
        if (erBatch()) {
            // No box waits in batch: the report says it.
            char tekst[1024];
            mdlOutput_rscsPrintf(tekst, sizeof tekst, nullptr, MELDINGER, 8, temaFil ? temaFil : "", melding.c_str(),
                                 linje);
            fprintf(rapportFil ? rapportFil : toolSubsystem_getStderr(), "\n%s\n", tekst);
        } else {
            zvlibError_rscMsgBoxPrintf(BOKS_FEIL, MELDINGER, 8, temaFil ? temaFil : "", melding.c_str(), linje);
        }
        return ZVZERA_FEIL;
    }
    d.fkbListe = LagStringListFraFkbTabell();
    return 0;
}

void VisHodeOmraade(const SheadStruct *hode)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (hode == nullptr)
        return;
    snprintf(d.hodeMinTekst, sizeof d.hodeMinTekst, "%.0f %.0f", hode->minN, hode->minE);
    snprintf(d.hodeMaksTekst, sizeof d.hodeMaksTekst, "%.0f %.0f", hode->maxN, hode->maxE);
    snprintf(d.hodeKvalitetTekst, sizeof d.hodeKvalitetTekst, "%d %d", hode->kvalitet[0], hode->kvalitet[1]);
    d.enhetsnevner = hode->enhet > 0 ? static_cast<int32_t>(1.0 / hode->enhet) : 0;
}

void LagStandardHode(SheadStruct *hode)
{
    if (hode == nullptr)
        return;
    memset(hode, 0, sizeof *hode);
    hode->charset = ZERA_CHARSET_DOS;
    hode->koordsys = 99;
    hode->enhet = 0.01;
    int aar = 0, mnd = 0, dag = 0;
    zvlibUtil_getDateAndTime(&aar, &mnd, &dag, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    hode->dato = aar * 10000 + mnd * 100 + dag;
    hode->zeraVersjon = zeraData().zera40 ? 4.0 : 3.4;
    hode->zeraNivaa = 3;
    hode->kvalitet[0] = 22;
    hode->kvalitet[1] = 36;
}

void TilpassStandardHode(SheadStruct *hode)
{
    DgnModelRefP aktiv = mdlModelRef_getActive();
    if (hode == nullptr || aktiv == MDLHOST_NO_MODEL)
        return;
    if (int koordsys = zeraKoordsysAvEpsg(mdlhost_dgnGetEpsg(aktiv)); koordsys != 0)
        hode->koordsys = static_cast<int16_t>(koordsys);
    // Rounding to the standard's centimetre would lose what a design of
    // finer resolution holds.
    const double uor = mdlModelRef_getUorPerMaster(aktiv);
    for (double enhet : {0.001, 0.0001})
        if (uor > 0.0 && 1.0 / uor <= enhet * (1.0 + 1e-9) && enhet < hode->enhet)
            hode->enhet = enhet;
}

int VelgZeraFil(int indeks)
{
    zeraBrukerGrensesnittData &d = zeraData();
    const char *navn = nullptr;
    long *info = nullptr;
    if (zeraFilListe == nullptr || indeks < 0 || indeks >= mdlStringList_size(zeraFilListe) ||
        mdlStringList_getMember(&navn, &info, zeraFilListe, indeks) != 0 || navn == nullptr)
        return ZVZERA_FEIL;
    zvlib::copyText(d.zeraFil, navn);
    d.zeraFilStoerrelse = 0;
    if (LesZeraHode(d.zeraFil, &d.hode, &d.zeraFilStoerrelse, erBatch() ? rapportFil : nullptr) != 0)
        return ZVZERA_FEIL;
    VisHodeOmraade(&d.hode);
    // The names are made from the user's base, not from the last name made
    // from it, so they do not grow from run to run.  A name the user set
    // since (in a dialog or a chooser) is the new base.
    static std::string loggBase, xmlBase, sisteLogg, sisteXml;
    if (sisteLogg != d.loggFil)
        loggBase = d.loggFil;
    if (sisteXml != d.xmlFil)
        xmlBase = d.xmlFil;
    if (d.loggPerZeraFil) {
        LagLoggfilNavnFraZerafilEllerIndeks("", d.zeraFil, 0);
        if (d.lagXmlFil)
            LagXMLfilNavnFraZerafilEllerIndeks("", d.zeraFil, 0);
    } else {
        LagLoggfilNavnFraZerafilEllerIndeks(loggBase.c_str(), d.zeraFil, indeks);
        LagXMLfilNavnFraZerafilEllerIndeks(xmlBase.c_str(), d.zeraFil, indeks);
    }
    sisteLogg = d.loggFil;
    sisteXml = d.xmlFil;
    return 0;
}

// ---- files -------------------------------------------------------------------------------

void AapneSidefiler(void)
{
    zeraBrukerGrensesnittData &d = zeraData();
    char enhet[MDLHOST_MAXFILELENGTH], katalog[MDLHOST_MAXFILELENGTH], navn[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(tcbP->dgnfilenm, enhet, katalog, navn, nullptr);
    char sti[MDLHOST_MAXFILELENGTH];
    if (d.lagEtikettfil && d.etikettfil == nullptr && mdlFile_buildName(sti, enhet, katalog, navn, "drv") == 0) {
        d.etikettfil = dlmSystem_mdlFopen(sti, "w");
        if (d.etikettfil != nullptr)
            fputs("pds_file_type{01 00}\n", d.etikettfil);
        else if (!erBatch())
            zvlibError_rscMsgBoxPrintf(BOKS_FEIL, MELDINGER, 7, sti);
    }
    if (d.lagXyzFil && d.xyzFil == nullptr && mdlFile_buildName(sti, enhet, katalog, navn, "xyz") == 0) {
        d.xyzFil = dlmSystem_mdlFopen(sti, "w");
        if (d.xyzFil == nullptr && !erBatch())
            zvlibError_rscMsgBoxPrintf(BOKS_FEIL, MELDINGER, 7, sti);
    }
}

void LukkSidefiler(void)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (d.etikettfil != nullptr)
        dlmSystem_mdlFclose(d.etikettfil);
    if (d.xyzFil != nullptr)
        dlmSystem_mdlFclose(d.xyzFil);
    d.etikettfil = d.xyzFil = nullptr;
}

void FinnTempKatalog(char *katalog)
{
    if (katalog == nullptr)
        return;
    if (mdlSystem_getenv("ZVZERA_TEMP", katalog, TEKST) == 0 && katalog[0] != '\0')
        return;
    if (mdlSystem_getenv("MS_TMP", katalog, TEKST) == 0 && katalog[0] != '\0')
        return;
    zvlib::copyText(katalog, TEKST, "C:\\temp\\");
}

int LeggTilZeraFil(const char *tempFil, const char *zeraFil)
{
    FILE *inn = dlmSystem_mdlFopen(tempFil, "r");
    if (inn == nullptr) {
        if (!erBatch())
            zvlibError_rscMsgBoxPrintf(BOKS_FEIL, MELDINGER, 7, tempFil);
        return ZVZERA_FEIL;
    }
    FILE *ut = dlmSystem_mdlFopen(zeraFil, "a");
    if (ut == nullptr) {
        if (!erBatch())
            zvlibError_rscMsgBoxPrintf(BOKS_FEIL, MELDINGER, 7, zeraFil);
        fclose(inn);
        return ZVZERA_FEIL;
    }
    char buf[512];
    bool ok = true;
    // Lines longer than the buffer pass in pieces, unchanged.
    while (ok && fgets(buf, sizeof buf, inn) != nullptr)
        ok = fputs(buf, ut) != EOF;
    ok = ok && !ferror(inn);
    fclose(inn);
    if (fclose(ut) != 0)
        ok = false;
    if (!ok) {
        // The element file stays, so nothing of the export is lost.
        if (!erBatch())
            zvlibError_rscMsgBoxPrintf(BOKS_FEIL, MELDINGER, 7, zeraFil);
        return ZVZERA_FEIL;
    }
    remove(tempFil);
    return 0;
}

int AapneMaalTegning(const char *fil)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (fil == nullptr || fil[0] == '\0')
        return ZVZERA_FEIL;
    if (strcasecmp(fil, tcbP->dgnfilenm) == 0)
        return 0;
    FILE *finnes = dlmSystem_mdlFopen(fil, "r");
    if (finnes != nullptr) {
        fclose(finnes);
        if (erBatch() || zvlibError_rscMsgBoxPrintf(BOKS_ERSTATT, MELDINGER, 23, fil) != SVAR_JA)
            return ZVZERA_FEIL;
    }
    if (mdlFile_copy(fil, d.seedFil) != 0)
        return ZVZERA_FEIL;
    if (mdlSystem_newDesignFile(fil) != 0)
        return ZVZERA_FEIL;
    return 0;
}

int ImporterTilAktivTegning(const char *zeraFil)
{
    zeraBrukerGrensesnittData &d = zeraData();
    NyElementIndeks();
    SettKoordinatsystem(d.hode.koordsys);
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    int rc = perf_zera2dgn(zeraFil, d.temaFil, d.loggFil, d.xmlFil, d.importerUkjenteTema,
                           reinterpret_cast<MdlFunctionP>(dgnput_elm),
                           reinterpret_cast<MdlFunctionP>(prosent_ferdig), reinterpret_cast<MdlFunctionP>(c_txt),
                           reinterpret_cast<MdlFunctionP>(TemaForHoydeAvrundingEllerMultHoyder));
    mdlCurrTrans_end();
    SlettElementIndeks();
    mdlLevelTable_rewrite(mdlModelRef_getActive());
    return rc;
}

} // extern "C"

// ---- the import run -------------------------------------------------------------------------

namespace {

int aapneMaalForZeraFil()
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (d.importMaal != 1)
        return AapneMaalTegning("");
    char enhet[MDLHOST_MAXFILELENGTH], katalog[MDLHOST_MAXFILELENGTH], navn[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(d.importKatalog, enhet, katalog, nullptr, nullptr);
    mdlFile_parseName(d.zeraFil, nullptr, nullptr, navn, nullptr);
    char maal[MDLHOST_MAXFILELENGTH];
    if (mdlFile_buildName(maal, enhet, katalog, navn, "dgn") != 0)
        return ZVZERA_FEIL;
    return AapneMaalTegning(maal);
}

void settImportkatalogFraZera()
{
    zeraBrukerGrensesnittData &d = zeraData();
    char enhet[MDLHOST_MAXFILELENGTH], katalog[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(d.zeraFil, enhet, katalog, nullptr, nullptr);
    std::string k = std::string(enhet) + (enhet[0] && enhet[strlen(enhet) - 1] != ':' ? ":" : "") + katalog;
    if (!k.empty() && k.back() != '\\' && k.back() != '/')
        k += "\\";
    zvlib::copyText(d.importKatalog, k);
}

// Selection flags of the FKB groups from the list; true when all are on.
bool lesValgteFkbGrupper()
{
    zeraBrukerGrensesnittData &d = zeraData();
    bool alle = true;
    long n = d.fkbListe ? mdlStringList_size(d.fkbListe) : 0;
    for (long i = 0; i < n && i < FKB_MAX_GROUPS; ++i) {
        const char *tekst = nullptr;
        long *info = nullptr;
        if (mdlStringList_getMember(&tekst, &info, d.fkbListe, i) != 0 || info == nullptr)
            continue;
        Fkbtab.selected[i] = info[4] != 0 ? 1 : 0;
        alle = alle && info[4] != 0;
    }
    return alle;
}

void settMotorord()
{
    zeraBrukerGrensesnittData &d = zeraData();
    multHoyde = d.multHoydePaa ? d.multHoydeVerdi : 0;
    hoydeAvrunding = d.hoydeAvrundingPaa ? static_cast<int32_t>(d.hoydeAvrundingSteg * 10) : 0;
    if (hoydeAvrunding != 0 && d.avrundHvertPunkt)
        hoydeAvrunding = -hoydeAvrunding;
}

void tilpassVisninger()
{
    for (int v = 0; v < 8; ++v)
        if (mdlView_fit(v, 0) == 0)
            mdlView_updateSingle(v);
}

// One ZERA file of the run into its target design.
void importerFil()
{
    zeraBrukerGrensesnittData &d = zeraData();
    mdlState_startPrimitive(1, 3);
    bool bibliotek = false;
    if (d.lagreEgenskaper)
        LagTagsett();
    if (d.brukDgnlib == 1)
        bibliotek = mdlLevelLibrary_attach(d.dgnlibFil) == 0;
    if (d.lagEtikettfil || d.lagXyzFil)
        AapneSidefiler();
    ImporterTilAktivTegning(d.zeraFil);
    if (bibliotek)
        mdlLevelLibrary_detach();
}

} // namespace

extern "C" {

void ImporterZeraFiler(void)
{
    zeraBrukerGrensesnittData &d = zeraData();
    d.antallFiler = zeraFilListe ? static_cast<int32_t>(mdlStringList_size(zeraFilListe)) : 0;
    if (d.antallFiler == 0 || VelgZeraFil(0) != 0)
        return;
    lagreNivaa4 = d.hode.zeraNivaa > 3 ? 1 : 0;
    d.lagreNivaa4 = lagreNivaa4;
    if (d.loggListe != nullptr) {
        mdlStringList_destroy(d.loggListe);
        d.loggListe = nullptr;
    }
    if (LesTemafil(d.temaFil) != 0 && VelgTemafil != nullptr)
        VelgTemafil(nullptr);
    if (d.importKatalog[0] == '\0')
        settImportkatalogFraZera();
    int svar = 0;
    if (mdlDialog_openModal(&svar, nullptr, DIALOG_IMPORT) != 0 || svar != ACTIONBUTTON_OK)
        return;
    bool alleGrupper = lesValgteFkbGrupper();
    if (d.importerUkjenteTema && !alleGrupper &&
        zvlibError_rscMsgBoxPrintf(BOKS_JA_NEI, MELDINGER, 25, ressurstekst(TEKSTER, 16).c_str(),
                                   ressurstekst(TEKSTER, 18).c_str()) != SVAR_JA)
        return;
    if (d.importerUkjenteTema && d.multHoydePaa && zvlibError_rscMsgBoxPrintf(BOKS_JA_NEI, MELDINGER, 26) != SVAR_JA)
        return;
    mdlClip_free(&gjerdeOmraade);
    if (mdlFence_isDefined() && d.brukGjerde && d.importMaal == 0) {
        gjerdeKlipp = mdlParams_getLock(LOCK_FENCE_CLIP);
        gjerdeOverlapp = mdlParams_getLock(LOCK_FENCE_OVERLAP);
        gjerdeVisning = mdlFence_getViewIndex();
        if (mdlClip_getFence(&gjerdeOmraade) != 0)
            gjerdeOmraade = nullptr;
    }
    lagreNivaa4 = d.lagreNivaa4;
    settMotorord();
    mdlSystem_extendedAbortEnable(1);
    fremdriftsLinje = mdlDialog_completionBarOpen("");
    char startTegning[MDLHOST_MAXFILELENGTH];
    zvlib::copyText(startTegning, tcbP->dgnfilenm);
    settXML(d.lagXmlFil);
    d.loggListe = mdlStringList_create(d.antallFiler, 2);
    for (d.filIndeks = 0; d.filIndeks < d.antallFiler; ++d.filIndeks) {
        int rc = VelgZeraFil(d.filIndeks);
        long merke[2] = {0, FEILFARGE};
        if (rc == 0) {
            mdlStringList_setMember(d.loggListe, d.filIndeks, d.loggFil, nullptr);
            remove(d.loggFil); // each run's log is new
        } else {
            d.loggFil[0] = '\0';
            mdlStringList_setMember(d.loggListe, d.filIndeks, "", merke);
            if (zvlibError_rscMsgBoxPrintf(BOKS_FORTSETT, MELDINGER, 21, d.zeraFil) != SVAR_JA)
                break;
            continue;
        }
        if (d.importMaal > 0 && aapneMaalForZeraFil() != 0) {
            mdlStringList_setMember(d.loggListe, d.filIndeks, d.loggFil, merke);
            continue;
        }
        importerFil();
        // Side files belong to their design: a new target gets new ones.
        if (d.importMaal > 0)
            LukkSidefiler();
    }
    LukkSidefiler();
    mdlClip_free(&gjerdeOmraade);
    mdlSystem_extendedAbortEnable(0);
    if (d.antallFiler <= 1)
        NyZeraFilListe(nullptr);
    if (d.importMaal > 0 && strcmp(tcbP->dgnfilenm, startTegning) != 0)
        mdlSystem_newDesignFile(startTegning);
    else if (!d.visUnderveis)
        tilpassVisninger();
    mdlOutput_printf(0, "%s", "");
    mdlDialog_completionBarClose(fremdriftsLinje);
    fremdriftsLinje = nullptr;
    VisLoggfil(nullptr);
}

// ---- the export run ----------------------------------------------------------------------------

int EksporterTilZera(char *)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (mdlDialog_findByTypeAndId(RTYPE_DialogBox, DIALOG_ELEMENTLISTE, mdlSystem_getCurrMdlDesc()) != nullptr)
        mdlDialog_closeCommandQueue(DIALOG_ELEMENTLISTE);
    if (elementListe != nullptr)
        mdlStringList_destroy(elementListe);
    elementListe = mdlStringList_create(0, 1);
    antallElementer = 0;

    char eksportDir[TEKST] = "";
    bool harDir = mdlSystem_getenv("ZVZERA_EKSPORTDIR", eksportDir, sizeof eksportDir) == 0;
    if (zvlibUpf_defFileCreate(d.zeraFil, nullptr, "*.zer", harDir ? eksportDir : nullptr,
                               ressurstekst(TEKSTER, 26).c_str(), harDir ? -9653 : 0) != ACTIONBUTTON_OK)
        return 0;
    if (d.hodeFil[0] == '\0' || LesZeraHode(d.hodeFil, &d.hode, nullptr, nullptr) != 0) {
        LagStandardHode(&d.hode);
        TilpassStandardHode(&d.hode);
    }
    // The extent: the design's range, or the fence's.
    DPoint3d hjorner[2] = {{0, 0, 0}, {0, 0, 0}};
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    bool gjerde = mdlFence_isDefined() != 0;
    if (gjerde) {
        MSElement form;
        DRange3d r{};
        if (mdlFence_toShape(&form) == 0 && mdlElement_extractRange(&r, &form) == 0) {
            hjorner[0] = r.low;
            hjorner[1] = r.high;
            mdlCurrTrans_invtransPointArray(hjorner, hjorner, 2);
        }
    } else if (mdlSystem_computeDesignRange(&hjorner[0], &hjorner[1], mdlModelRef_getActive()) == 0) {
        mdlCurrTrans_invtransPointArray(hjorner, hjorner, 2);
    } else {
        hjorner[0] = hjorner[1] = DPoint3d{0, 0, 0};
    }
    mdlCurrTrans_end();
    d.hode.minN = hjorner[0].y;
    d.hode.minE = hjorner[0].x;
    d.hode.minH = hjorner[0].z;
    d.hode.maxN = hjorner[1].y;
    d.hode.maxE = hjorner[1].x;
    d.hode.maxH = hjorner[1].z;
    VisHodeOmraade(&d.hode);
    if (LesTemafil(d.temaFil) != 0 && VelgTemafil != nullptr)
        VelgTemafil(nullptr);
    if (d.loggListe != nullptr) {
        mdlStringList_destroy(d.loggListe);
        d.loggListe = nullptr;
    }
    if (d.loggPerZeraFil)
        LagLoggfilNavnFraZerafilEllerIndeks("", d.zeraFil, 0);
    int svar = 0;
    if (mdlDialog_openModal(&svar, nullptr, DIALOG_EKSPORT) != 0 || svar != ACTIONBUTTON_OK)
        return 0;
    d.eksportHode = d.hode;
    d.antallFiler = 0;
    mdlSystem_compressDgnFile();
    mdlState_startPrimitive(2, 4);
    char temp[TEKST];
    FinnTempKatalog(temp);
    std::string tempFil = std::string(temp) + "dgn2zera.tmp";
    if (init_dgn2zera(d.temaFil, tempFil.c_str(), &d.hode, reinterpret_cast<MdlFunctionP>(c_txt)) != 0) {
        zvlibError_msgBoxPrintf(BOKS_FEIL, "%s", zeraMotorensMelding().c_str());
        return 0;
    }
    lesValgteFkbGrupper();
    temaFra = d.temaFra;
    matchLevel = d.matchLevel;
    matchColor = d.matchColor;
    matchStyle = d.matchStyle;
    matchWeight = d.matchWeight;
    lagreNOH = d.lagreNOH;
    lagreObjType = d.lagreObjType;
    // As the batch road: every element carries its object type and, unless
    // ZERA 4.0 is chosen, its theme; without them this application's own
    // import refuses the file.
    d.eksporterObjekttype = 1;
    d.eksporterZeratema = d.zera40 ? 0 : 1;
    eksporterZeratema = d.eksporterZeratema;
    eksporterObjekttype = d.eksporterObjekttype;
    settMotorord();
    fremdriftsLinje = mdlDialog_completionBarOpen("");
    mdlSystem_extendedAbortEnable(1);
    EksporterTegning();
    mdlSystem_extendedAbortEnable(0);
    long skrevet = 0;
    for (int t = 0; t < ZERA_TYPE_COUNT; t++)
        skrevet += Bmw.written[t];
    // The engine writes the ZERA file whole, the elements after the header;
    // its log names a failure.
    exit_dgn2zera(d.loggFil, d.zeraFil, tempFil.c_str(), d.temaFil, d.hodeFil, d.xmlFil,
                  reinterpret_cast<MdlFunctionP>(c_txt));
    remove(tempFil.c_str());
    mdlDialog_completionBarClose(fremdriftsLinje);
    fremdriftsLinje = nullptr;
    // A file with a header and .SLUTT only is no export: the log says why.
    if (skrevet == 0)
        zvlibError_msgBoxPrintf(BOKS_FEIL, "Feil! Ingen elementer er skrevet til %s.", d.zeraFil);
    VisLoggfil(nullptr);
    if (antallElementer > 0)
        mdlDialog_open(nullptr, DIALOG_ELEMENTLISTE);
    return 0;
}

// ---- header files and logs ---------------------------------------------------------------------

int SkrivHodefil(const char *fil, SheadStruct *hode) { return zercre_head(fil, hode, 1); }

void VisFil(const char *fil)
{
    if (fil == nullptr || fil[0] == '\0')
        return;
    // Quoted, so a name with blanks stays one argument.
    std::string keyin = std::string("type \"") + fil + "\"";
    mdlInput_sendKeyin(keyin.c_str(), 0, 0, nullptr);
}

int VisLoggfil(char *)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (d.loggFil[0] == '\0')
        return 0;
    if (d.loggListe != nullptr && mdlStringList_size(d.loggListe) > 1)
        mdlDialog_open(nullptr, DIALOG_LOGGLISTE);
    else
        VisFil(d.loggFil);
    return 0;
}

namespace {

void synkEksportdialog()
{
    MSDialog *db = mdlDialog_findByTypeAndId(RTYPE_DialogBox, DIALOG_EKSPORT, mdlSystem_getCurrMdlDesc());
    if (db != nullptr)
        mdlDialog_itemsSynch(db);
}

} // namespace

int AapneHodefil(char *)
{
    zeraBrukerGrensesnittData &d = zeraData();
    char fil[TEKST] = "";
    if (zvlibUpf_defFileOpen(fil, nullptr, "*.hod", d.installasjonsKatalog, ressurstekst(TEKSTER, 27).c_str(),
                             -9654) != ACTIONBUTTON_OK)
        return 0;
    if (LesZeraHode(fil, &d.hode, nullptr, nullptr) != 0)
        return 0;
    zvlib::copyText(d.hodeFil, fil);
    VisHodeOmraade(&d.hode);
    synkEksportdialog();
    return 0;
}

int LagreHodefilSom(char *)
{
    zeraBrukerGrensesnittData &d = zeraData();
    char fil[TEKST] = "";
    if (zvlibUpf_defFileCreate(fil, nullptr, "*.hod", d.installasjonsKatalog, ressurstekst(TEKSTER, 28).c_str(),
                               -9654) != ACTIONBUTTON_OK)
        return 0;
    SkrivHodefil(fil, &d.hode);
    zvlib::copyText(d.hodeFil, fil);
    synkEksportdialog();
    return 0;
}

int LagreHodefil(char *arg)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (d.hodeFil[0] != '\0')
        SkrivHodefil(d.hodeFil, &d.hode);
    else
        LagreHodefilSom(arg);
    return 0;
}

// ---- commands --------------------------------------------------------------------------------

int NyZeraFilListe(char *)
{
    if (zeraFilListe != nullptr)
        mdlStringList_destroy(zeraFilListe);
    zeraFilListe = mdlStringList_create(0, 1);
    return 0;
}

int ImporterEnZeraFil(char *)
{
    char fil[TEKST] = "";
    if (zvlibUpf_defFileOpen(fil, nullptr, "*.zer", nullptr, ressurstekst(TEKSTER, 20).c_str(), -9650) !=
        ACTIONBUTTON_OK)
        return 0;
    NyZeraFilListe(nullptr);
    long forste = 0;
    mdlStringList_insertMember(&forste, zeraFilListe, -1, 1);
    mdlStringList_setMember(zeraFilListe, forste, fil, nullptr);
    ImporterZeraFiler();
    return 0;
}

int ImporterZeraFilListe(char *)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (zeraFilListe == nullptr)
        zeraFilListe = mdlStringList_create(0, 1);
    int status = 0;
    if (zvlibUpf_defFileListEdit(&status, zeraFilListe, 283, ressurstekst(TEKSTER, 21).c_str(),
                                 ressurstekst(TEKSTER, 22).c_str(), "*.zer", nullptr, -9649) != 0 ||
        status == 0 || status == ACTIONBUTTON_CANCEL)
        return 0;
    const char *forste = nullptr;
    long *info = nullptr;
    if (mdlStringList_size(zeraFilListe) > 0 && mdlStringList_getMember(&forste, &info, zeraFilListe, 0) == 0 &&
        forste != nullptr)
        zvlib::copyText(d.zeraFil, forste);
    ImporterZeraFiler();
    return 0;
}

} // extern "C"
