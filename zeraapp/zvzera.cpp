// The ZERA application's frame: MdlMain and the start-up with its
// interactive and batch roads, the menus, the host hooks, the command table,
// the about box, and the orderly end avsluttZera.
//
// Sections: module state - start-up steps - hooks -
// the exported frame - commands of the frame - the command table.
#include "zvzera.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "batch.h"
#include "brukerdata.h"
#include "kartmotor.h"
#include "kartmotor_tjenester.h"
#include "kommandoer.h"
#include "oppsett.h"
#include "kroker.h"
#include "mdlhost.h"
#include "zeratagger.h"
#include "zvliberror.h"
#include "zvlibintro.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvlibupf.h"
#if ZVZERA_GG_BYGG
#include "ggramme.h"
#endif

// ---- module state ----------------------------------------------------------------
int32_t batchModus = 0;
int32_t rapportTilFil = 0;
FILE *rapportFil = nullptr;
CompletionBar *fremdriftsLinje = nullptr;

namespace {

constexpr uint32_t KMD_AVSLUTT = 0x01080000;
constexpr uint32_t KMD_OM = 0x01070200;
constexpr int TEKST_LISTE = 111; // titles and the about box's labels
constexpr int MELDING_LISTE = 5; // prompts and start-up messages
constexpr int MELDING_KOMMANDOTABELL = 6;
constexpr int BOKS_FEIL = 17; // message box style of the command table failure
constexpr int DIALOG_FILVISNING = -84; // the host's text file window
constexpr const char *APPNAVN = "ZvZera";
constexpr int ZERA_MENYER[] = {ZVZERA_MENY_FIL, ZVZERA_MENY_INNSTILLINGER, ZVZERA_MENY_HJELP};

// ---- start-up steps --------------------------------------------------------------

void settTilbakeRapport(const char *navn = "")
{
    if (rapportTilFil && rapportFil != nullptr && dlmSystem_mdlFclose(rapportFil) != 0)
        BatchRapportTapt(navn, strerror(errno));
    rapportTilFil = 0;
    rapportFil = toolSubsystem_getStderr();
}

void koeUtlasting()
{
    mdlDialog_cmdNumberQueue(0, MDLHOST_CMD_UNLOAD, mdlSystem_getCurrTaskID(1), 1);
}

// The engine's and the record's lagreNOH: from the design's 3D flag, or,
// without fraTegning, only cleared in a 2D design.
void SettLagreNOH(int fraTegning)
{
    int er3D = mgds_modesP->is3D != 0;
    if (fraTegning || !er3D) {
        lagreNOH = er3D;
        if (brukerDataP)
            brukerDataP->lagreNOH = er3D;
    }
}

void LeggInnZeraMenyer()
{
    for (int meny : ZERA_MENYER)
        LeggInnZvZeraMeny(meny, 0);
}

void LastKommandoTabell()
{
    if (mdlParse_loadCommandTable(nullptr) == nullptr)
        zvlibError_rscMsgBoxPrintf(BOKS_FEIL, MELDING_LISTE, MELDING_KOMMANDOTABELL);
}

// The main dialog whose menu bar takes the menus; opened once.
void AapneHoveddialog()
{
    if (mdlDialog_findByTypeAndId(RTYPE_DialogBox, ZVZERA_HOVEDDIALOG, mdlSystem_getCurrMdlDesc()) == nullptr)
        mdlDialog_open(nullptr, ZVZERA_HOVEDDIALOG);
}

// The "-i" arguments: the first path is the job file, the second the report.
struct Argumenter {
    const char *jobb = nullptr;
    const char *rapport = nullptr;
};
Argumenter lesArgumenter(int argc, char *argv[])
{
    Argumenter a;
    for (int i = 0; i < argc; i++) {
        const char *arg = argv[i];
        if (arg == nullptr || strncmp(arg, "-i", 2) != 0 || arg[2] == '\0')
            continue;
        if (a.jobb == nullptr)
            a.jobb = arg + 2;
        else if (a.rapport == nullptr)
            a.rapport = arg + 2;
    }
    return a;
}

// ---- hooks -------------------------------------------------------------------------

int VedUtlasting(int grunn)
{
    if (grunn >= 0)
        return 1;
#if ZVZERA_GG_BYGG
    GGVedUtlasting(grunn);
#endif
    // The host ends without the exit command: keep the settings all the same.
    if (brukerDataP != nullptr) {
        LagreBrukerOppsett(brukerDataP);
        FrigjorBrukerData();
    }
    zvlibUpf_close();
    mdlRaster_terminate();
    return 0;
}

int VedNyTegning(char *fil, int tilstand)
{
    zvlibMain_newDesignFile(fil, tilstand);
    if (tilstand == MDLHOST_NEWFILE_OPENED)
        SettLagreNOH(0);
    return 0;
}

void SettSystemFunksjoner()
{
    mdlSystem_setFunction(MDLHOST_HOOK_UNLOAD, reinterpret_cast<MdlFunctionP>(VedUtlasting));
    mdlSystem_setFunction(MDLHOST_HOOK_NEWDESIGNFILE, reinterpret_cast<MdlFunctionP>(VedNyTegning));
}

void symboltabell()
{
    char sti[ZVZERA_TEKST_LEN] = "";
    if (mdlSystem_getenv("ZV_DIR", sti, sizeof sti) != 0)
        sti[0] = '\0';
    size_t n = strlen(sti);
    zvlib::copyText(sti + n, sizeof sti - n, "zvzera\\zvzera.symb");
    st_create(sti);
}

// The tag set file, read into the tag table.
int lesTagsetFil()
{
    return LesZeraTagsetInputFil(batchModus, rapportFil);
}

void StartZera(int argc, char *argv[])
{
    batchModus = 0;
    rapportTilFil = 0;
    rapportFil = toolSubsystem_getStderr();
    fremdriftsLinje = nullptr;

    zvlibMain_initZvLib(APPNAVN, argc, argv);
    zvlibUpf_open(nullptr, "ZVZERA_UPF", "zvzera.upf");
    InitBrukerData();
#if ZVZERA_GG_BYGG
    geoGraphics = 1;
#endif
    SettLagreNOH(1);
    mdlRaster_initialize();

    static BatchJobb jobb;
    FrigjorBatchJobb(&jobb);
    int notByUser = 0;
    if (argc > 2) {
        notByUser = strcmp(argv[1], MDLHOST_ORIGIN_USER) != 0;
        Argumenter a = lesArgumenter(argc, argv);
        // A report that cannot be made is said, and the job not run: its
        // outcome would be known to no one.
        bool rapportTapt = false;
        if (a.rapport != nullptr && a.jobb != nullptr && BatchSammeFil(a.rapport, a.jobb)) {
            BatchRapportTapt(a.rapport, "den er jobbfilen");
            rapportTapt = true;
        } else if (a.rapport != nullptr) {
            if (FILE *fp = dlmSystem_mdlFopen(a.rapport, "w")) {
                rapportFil = fp;
                rapportTilFil = 1;
                toolSubsystem_printf("\nOutput skrives til fil: %s\n\n", a.rapport);
            } else {
                BatchRapportTapt(a.rapport, strerror(errno));
                rapportTapt = true;
            }
        }
        if (!rapportTapt && a.jobb != nullptr && LesBatchFil(a.jobb, notByUser, &jobb, rapportFil) == 0) {
            if (rapportTilFil)
                zvlib::copyText(jobb.rapport, a.rapport);
            batchModus = 1;
        } else {
            // No batch runs: the report file is not needed.
            settTilbakeRapport(a.rapport);
            if (notByUser) {
                koeUtlasting();
                return;
            }
        }
    }

    if (!batchModus) {
        AapneHoveddialog();
        if (GetZvZeraMenuBar() == nullptr) {
            avsluttZera();
            return;
        }
        LeggInnZeraMenyer();
    }

    allocateZeraTemaObjStruct();
#if ZVZERA_GG_BYGG
    if (GGKobleTil() != 0) {
        avsluttZera();
        return;
    }
#endif
    symboltabell();
    if (brukerDataP == nullptr || !brukerDataP->geoGraphicsBygg) {
        if (lesTagsetFil() != 0 && batchModus && brukerDataP)
            brukerDataP->lagreEgenskaper = 0;
    }

    if (batchModus) {
        KjoerBatch(&jobb, rapportFil);
        FrigjorBatchJobb(&jobb);
        settTilbakeRapport();
        if (notByUser)
            mdlInput_sendKeyin("exit", 0, 0, nullptr);
        else
            avsluttZera();
        return;
    }

    LastKommandoTabell();
    SettSystemFunksjoner();
    PubliserBrukerData();
#if ZVZERA_GG_BYGG
    GGPubliser();
#endif
    PubliserKroker();
}

// ---- commands of the frame -----------------------------------------------------------

int AvsluttKommando(char *tekst)
{
    if (tekst != nullptr && strcmp(tekst, APPNAVN) == 0) {
        if (MenuBar *linje = GetZvZeraMenuBar()) {
            (void)linje;
            MSDialog *hoved = mdlDialog_findByTypeAndId(RTYPE_DialogBox, ZVZERA_HOVEDDIALOG, mdlSystem_getCurrMdlDesc());
            if (hoved != nullptr)
                mdlWindow_close(hoved);
            return 0;
        }
    }
    if (MSDialog *fil = mdlDialog_findByTypeAndId(RTYPE_DialogBox, DIALOG_FILVISNING, nullptr))
        mdlWindow_close(fil);
    mdlOutput_rscPrintf(3, 1, 0);
    mdlOutput_rscPrintf(4, 0, 0);
    mdlOutput_rscPrintf(2, 4, 0);
    mdlOutput_rscPrintf(1, MELDING_LISTE, 0);
    avsluttZera();
    return 0;
}

int VisIntroBoks(char *)
{
    TegnIntroBoks(0);
    return 0;
}


// ---- the command table --------------------------------------------------------------

void registrerKommandoer()
{
    const MdlCommandNumber tabell[] = {
        {AvsluttKommando, KMD_AVSLUTT},
        {VelgTemafil, 0x01030000},
        {VelgDgnlib, 0x01130000},
        {VelgSeedfil, 0x010d0000},
        {VelgImportkatalog, 0x01120000},
        {NyZeraFilListe, 0x010b0100},
        {ImporterEnZeraFil, 0x01010100},
        {ImporterZeraFilListe, 0x01010200},
        {VelgLoggfil, 0x01040100},
        {LagTagsettKommando, 0x01060200},
        {VisIntroBoks, KMD_OM},
        {AapneBrukerveiledning, 0x01070100},
        {AapneHjelp, 0x01070300},
        {EksporterTilZera, 0x01020100},
        {AapneHodefil, 0x01050100},
        {LagreHodefilSom, 0x01050300},
        {LagreHodefil, 0x01050200},
        {VisLoggfil, 0x01040200},
        {VelgCellebibliotek, 0x010a0000},
        {VelgTagsetFil, 0x01060100},
        {LagTemafilFraZeraFiler, 0x010c0000},
        {LukkTilFlater, 0x010e0000},
        {GjoerOmTilLinjer, 0x010f0000},
        {KurverTilLinjer, 0x01100000},
        {SettInnstillingKommando, 0x01140000},
        {nullptr, 0},
    };
    static_assert(sizeof tabell / sizeof tabell[0] == 26, "25 commands and the end");
#if ZVZERA_GG_BYGG
    // The GIS build's own commands follow the 25 in one table.
    std::vector<MdlCommandNumber> alle(tabell, tabell + 25);
    for (const MdlCommandNumber *k = GGKommandoer(); k->cmdFunc != nullptr; k++)
        alle.push_back(*k);
    alle.push_back({nullptr, 0});
    mdlSystem_registerCommandNumbers(alle.data());
    GGRegistrerKommandoNavn();
#else
    mdlSystem_registerCommandNumbers(tabell);
#endif
}

} // namespace

// ---- the exported frame ---------------------------------------------------------------

int MdlMain(int argc, char *argv[])
{
#if ZVZERA_GG_BYGG
    GGVarsleTopologi();
#endif
    StartZera(argc, argv);
    zvlibIntro_setVersionNumber();
    registrerKommandoer();
    return 0;
}

void avsluttZera(void)
{
    if (MenuBar *linje = GetZvZeraMenuBar()) {
        for (int meny : ZERA_MENYER)
            mdlDialog_menuBarDeleteMenu(linje, RTYPE_PulldownMenu, meny);
    }
    mdlState_startDefaultCommand();
    mdlSystem_setFunction(MDLHOST_HOOK_UNLOAD, nullptr);
    mdlSystem_setFunction(MDLHOST_HOOK_NEWDESIGNFILE, nullptr);
    if (brukerDataP != nullptr) {
        LagreBrukerOppsett(brukerDataP);
        FrigjorBrukerData();
    }
    FrigjorTagsetTabell();
#if ZVZERA_GG_BYGG
    GGFrigjor();
#endif
    VedUtlasting(MDLHOST_UNLOAD_EXIT);
    koeUtlasting();
}

void TegnIntroBoks(int timeout)
{
#if ZVZERA_GG_BYGG
    GGTegnIntroBoks(timeout);
    return;
#endif
    char tittel[ZVZERA_TEKST_LEN], forMs[64], etikett[4][ZVZERA_TEKST_LEN];
    mdlOutput_rscsPrintf(tittel, sizeof tittel, nullptr, TEKST_LISTE, 1);
    for (int i = 0; i < 4; i++)
        mdlOutput_rscsPrintf(etikett[i], sizeof etikett[i], nullptr, TEKST_LISTE, 2 + i);
    snprintf(forMs, sizeof forMs, "for %s.", "Microstation XM");
    const zeraBrukerGrensesnittData *d = brukerDataP;
    zvlibIntro_msgBoxNew(tittel, getZvZeraVersionInfo(1), "Import / Export", forMs, "In cooperation with",
                         "Lysmo Kart", etikett[0], d ? d->temaFil : "", etikett[1], d ? d->cellebibliotek : "",
                         etikett[2], d ? d->seedFil : "", etikett[3], zvlibUpf_getUpfFileName(), timeout);
}
