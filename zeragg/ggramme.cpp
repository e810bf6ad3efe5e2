// The GIS build's frame: the topology warning, the connection at start-up,
// the published GIS record, the end, the about box, and the commands this
// build adds to the application's command table.
#include "ggramme.h"

#include <cstring>

#include "brukerdata.h"
#include "ggoppsett.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zeraggdb.h"
#include "zvlibintro.h"
#include "zvlibupf.h"
#include "zvzera.h"

namespace {

constexpr int TEKST_LISTE = 111;
constexpr int MELDINGSTYPE_ADVARSEL = 11;

// Commands whose bodies come with the import dialog, the export head and
// the editing commands; until then they do nothing.
int TomKommando(char *) { return 0; }
// A command that does nothing by design.
int TomFunksjon(char *) { return 0; }

} // namespace

void GGVarsleTopologi(void)
{
    const GeoControlBlock *fcb = mdlhost_gisControlBlock();
    if (fcb == nullptr || fcb->considerZ)
        return;
    mdlOutput_messageCenter(MELDINGSTYPE_ADVARSEL,
                            "The Topology is currently working in 2 dimensions.\nEnable it for 3 dimensions by "
                            "turning on ConsiderZ at\nWorkspace>Preferences>Topology.\nThis is important when "
                            "creating shapes in 3 dimesions.");
}

int GGKobleTil(void)
{
    if (brukerDataP != nullptr)
        SettGGInnstillinger(&brukerDataP->punktModus, brukerDataP->seedFil);
    if (KobleTilGeoGraphics() != 0)
        return DB_FEIL;
    if (stot == nullptr || zeraGGData == nullptr)
        return 0;
    // Only rows with an object type: an empty one would end the engine's
    // table before the rows after it.
    int n = 0;
    for (int i = 0; i < zeraGGData->antallObjTypeRader && n < STOT_MAX_ENTRIES; i++) {
        const ObjTypeRad &rad = zeraGGData->objTypeRader[i];
        if (rad.objtype[0] == '\0')
            continue;
        snprintf(stot->tema[n], sizeof stot->tema[n], "%s", rad.fcode);
        snprintf(stot->objtype[n], sizeof stot->objtype[n], "%s", rad.objtype);
        n++;
    }
    return 0;
}

void GGPubliser(void)
{
    using S = ZeraGGBrukerGrensesnittData;
    static const MdlhostField felter[] = {
        MDLHOST_FIELD_OF(S, prosjektTekst, MDLHOST_FIELD_TEXT), MDLHOST_FIELD_OF(S, valgtFil, MDLHOST_FIELD_TEXT),
        MDLHOST_FIELD_OF(S, kartnavnModus, MDLHOST_FIELD_INT),  MDLHOST_FIELD_OF(S, hodeValg, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(S, gjerdeVisning, MDLHOST_FIELD_INT),  MDLHOST_FIELD_OF(S, valgtHodeId, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(S, valgtFilHodeId, MDLHOST_FIELD_INT),
    };
    SymbolSet *sett = mdlCExpression_initializeSet(4, 0, 1);
    if (sett == nullptr)
        return;
    mdlhost_defineStruct(sett, "ZeraGGBrukerGrensesnittData", sizeof(S), felter,
                         int(sizeof felter / sizeof felter[0]));
    mdlDialog_publishComplexPtr(sett, "ZeraGGBrukerGrensesnittData", "sGGbgd", &zeraGGBrukerGrensesnittData);
}

void GGVedUtlasting(int grunn)
{
    mdlMap_unloadApplication(grunn);
    // The settings record goes next: the module must not write into it.
    SettGGInnstillinger(nullptr, nullptr);
}

void GGFrigjor(void)
{
    SettGGInnstillinger(nullptr, nullptr);
    if (zeraGGData != nullptr)
        FrigiGGDatabase();
    dlmSystem_mdlFree(zeraGGData);
    dlmSystem_mdlFree(zeraGGBrukerGrensesnittData);
    zeraGGData = nullptr;
    zeraGGBrukerGrensesnittData = nullptr;
}

void GGTegnIntroBoks(int timeout)
{
    char tittel[ZVZERA_TEKST_LEN], prosjekt[ZVZERA_TEKST_LEN], seed[ZVZERA_TEKST_LEN], oppsett[ZVZERA_TEKST_LEN];
    mdlOutput_rscsPrintf(tittel, sizeof tittel, nullptr, TEKST_LISTE, 1);
    mdlOutput_rscsPrintf(prosjekt, sizeof prosjekt, nullptr, TEKST_LISTE, 10);
    mdlOutput_rscsPrintf(seed, sizeof seed, nullptr, TEKST_LISTE, 11);
    mdlOutput_rscsPrintf(oppsett, sizeof oppsett, nullptr, TEKST_LISTE, 5);
    // Our host has no ODBC register: the database is the one the project
    // was opened with.
    const char *database = mdlhost_dbName();
    const zeraBrukerGrensesnittData *d = brukerDataP;
    const ZeraGGBrukerGrensesnittData *gg = zeraGGBrukerGrensesnittData;
    zvlibIntro_msgBoxNew(tittel, getZvZeraVersionInfo(1), "Import / Export", "for MicroStation GeoGraphics.",
                         "In cooperation with", "Lysmo Kart", prosjekt, gg ? gg->prosjektTekst : "", "GG database:",
                         database ? database : "", seed, d ? d->seedFil : "", oppsett, zvlibUpf_getUpfFileName(),
                         timeout);
}

const MdlCommandNumber *GGKommandoer(void)
{
    static const MdlCommandNumber tabell[] = {
        {TomKommando, 0x01110200},
        {OpprettGGKategorierOgFeatures, 0x01110100},
        {KontrollerGGZeraDatabase, 0x01110300},
        {TomKommando, 0x01110620},
        {TomKommando, 0x01110610},
        {TomFunksjon, 0x01110400},
        {TomKommando, 0x01110910},
        {TomKommando, 0x01110810},
        {TomKommando, 0x01110500},
        {TomKommando, 0x01110820},
        {nullptr, 0},
    };
    static_assert(sizeof tabell / sizeof tabell[0] == 11, "ten commands and the end");
    return tabell;
}

void GGRegistrerKommandoNavn(void)
{
    static const MdlCommandName navn[] = {
        {ZeraDatabaseToDgnlib, "ZeraDatabaseToDgnlib"},
        {TomKommando, "ZvCreateExit"},
        {TomKommando, "AreaFeatureFromCentroid"},
        {nullptr, nullptr},
    };
    mdlSystem_registerCommandNames(navn);
}

// The export head and the export's attribute lines come with the GIS
// export; until then the lines the database module hands over are dropped.
extern "C" int LesHodeFraDatabase(const char *) { return 0; }
extern "C" int LesGenAttrFraDatabase(const char *) { return 0; }
