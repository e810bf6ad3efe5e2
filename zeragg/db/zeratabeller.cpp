// The ZERA tables of the project, the connection to the GIS add-on and the
// module state: connect, load, free, and the two system functions.
//
//   state         the module's records and settings
//   connection    connect, load, free, system functions
//   loaders       the ZERA tables, the object types, the map-name limit
//   schema        the ZERA tables of a new project
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dlg/mdldlg.h"
#include "gis/mdlgis.h"
#include "sys/mdlsys.h"
#include "zeraggdb.h"
#include "zeraggdb_int.h"
#include "zvlibmain.h"


// --- state --------------------------------------------------------------------------

ZeraGGData *zeraGGData = nullptr;
ZeraGGBrukerGrensesnittData *zeraGGBrukerGrensesnittData = nullptr;
CompletionBar *GGFremdrift = nullptr;
void (*VelgGGSeedFil)(void) = nullptr;

namespace {

int *punktModus = nullptr;
char *seedFil = nullptr;
// One toggle for both system functions: only every second call acts.
int systemVeksel = 0;

std::string Smalt(const char16_t *w)
{
    return GGSmal(w);
}

} // namespace

void SettGGInnstillinger(int *modus, char *seed)
{
    punktModus = modus;
    seedFil = seed;
}

void NullstillGGSystemFunksjoner(void) { systemVeksel = 0; }

// --- connection ------------------------------------------------------------------------

int KobleTilGeoGraphics(void)
{
    if (!mdlMap_initializeApplication()) {
        mdlDialog_openAlert("Unable to connect to MicroStation GeoGraphics");
        return DB_FEIL;
    }
    mdlMapSystem_setFunction(1, GGSystemFunksjon1);
    mdlMapSystem_setFunction(2, GGSystemFunksjon2);
    if (!zeraGGData)
        zeraGGData = static_cast<ZeraGGData *>(GGAlloker(sizeof(ZeraGGData)));
    if (!zeraGGBrukerGrensesnittData)
        zeraGGBrukerGrensesnittData =
            static_cast<ZeraGGBrukerGrensesnittData *>(GGAlloker(sizeof(ZeraGGBrukerGrensesnittData)));
    if (!zeraGGData || !zeraGGBrukerGrensesnittData)
        return DB_FEIL;
    // The GIS build never stores points as shared cells.
    if (punktModus && *punktModus != 1 && *punktModus != 2)
        *punktModus = 1;
    zeraGGBrukerGrensesnittData->hodeValg = 1;
    LesGGDatabase();
    return 0;
}

namespace {

// What a load makes, so that a reload that fails can put back the tables
// loaded before it.
struct LastTilstand {
    TemakodeKonvRad *temakodeKonv = nullptr;
    int32_t antallTemakodeKonv = 0;
    char **hoydeAvrundingTemaer = nullptr, **multHoydeTemaer = nullptr;
    int32_t antallHoydeTemaer = 0;
    int32_t *kategoriValgt = nullptr;
    ZeraGGRad *zeraGGRader = nullptr;
    int32_t antallZeraGGRader = 0;
    DbTabell *tabellBuffer = nullptr;
    int32_t antallBufredeTabeller = 0;
    DbKolonne *hodeKolonner = nullptr, *genAttrKolonner = nullptr;
    int32_t antallHodeKolonner = 0, antallGenAttrKolonner = 0;
    ZeraImportRad *zeraImportRader = nullptr;
    int32_t antallZeraImportRader = 0;
    ObjTypeRad *objTypeRader = nullptr;
    int32_t antallObjTypeRader = 0;
    int32_t maksKartnavn = 0;
    char prosjektTekst[256] = {};
    char seedFil[256] = {};
};

void Bytt(LastTilstand &l)
{
    ZeraGGData &d = *zeraGGData;
    std::swap(l.temakodeKonv, d.temakodeKonv);
    std::swap(l.antallTemakodeKonv, d.antallTemakodeKonv);
    std::swap(l.hoydeAvrundingTemaer, d.hoydeAvrundingTemaer);
    std::swap(l.multHoydeTemaer, d.multHoydeTemaer);
    std::swap(l.antallHoydeTemaer, d.antallHoydeTemaer);
    std::swap(l.kategoriValgt, d.kategoriValgt);
    std::swap(l.zeraGGRader, d.zeraGGRader);
    std::swap(l.antallZeraGGRader, d.antallZeraGGRader);
    std::swap(l.tabellBuffer, d.tabellBuffer);
    std::swap(l.antallBufredeTabeller, d.antallBufredeTabeller);
    std::swap(l.hodeKolonner, d.hodeKolonner);
    std::swap(l.antallHodeKolonner, d.antallHodeKolonner);
    std::swap(l.genAttrKolonner, d.genAttrKolonner);
    std::swap(l.antallGenAttrKolonner, d.antallGenAttrKolonner);
    std::swap(l.zeraImportRader, d.zeraImportRader);
    std::swap(l.antallZeraImportRader, d.antallZeraImportRader);
    std::swap(l.objTypeRader, d.objTypeRader);
    std::swap(l.antallObjTypeRader, d.antallObjTypeRader);
    std::swap(l.maksKartnavn, d.maksKartnavn);
    std::swap(l.prosjektTekst, zeraGGBrukerGrensesnittData->prosjektTekst);
    if (seedFil)
        std::swap_ranges(l.seedFil, l.seedFil + sizeof l.seedFil, seedFil);
}

// The database answers a statement; else the host's text in feil.
bool DatabasenSvarer(std::string &feil)
{
    char svar[MDLDB_VALUE_SIZE];
    if (mdlDB_sqlQuery(svar, "select 1") == 0)
        return true;
    char tekst[512];
    mdlDB_getErrorText(tekst, sizeof tekst);
    feil = tekst;
    return false;
}

void LesAlt(void)
{
    GeoProject *p = geoProject_getActive();
    if (geoProject_getCategoryCount(p) <= 0)
        return;
    char tekst[512];
    // Message list 111, entry 33, once the GIS build has its resource file.
    std::snprintf(tekst, sizeof tekst, "%s. %s", zvlibMain_getApplicationName(), "Leser database");
    GGFremdrift = mdlDialog_completionBarOpen(tekst);
    if (const GeoControlBlock *fcb = mdlhost_gisControlBlock(); fcb && fcb->projectFolder && *fcb->projectFolder)
        zvlib::copyText(zeraGGBrukerGrensesnittData->prosjektTekst, (GGSmal(fcb->projectFolder) + GGSmal(fcb->projectName)).c_str());
    FinnMaksKartnavn();
    if (VelgGGSeedFil)
        VelgGGSeedFil();
    LesTemakodeKonv();
    LesHoydeTemakoder();
    LesZeraImport();
    LesObjTypeTabell();
    int n = geoProject_getCategoryCount(p);
    zeraGGData->kategoriValgt = static_cast<int32_t *>(GGAlloker(n * sizeof(int32_t)));
    for (int i = 0; zeraGGData->kategoriValgt && i < n; ++i)
        zeraGGData->kategoriValgt[i] = 1;
    LesZeraGG();
    BufreAlleTabeller();
    int antall = 0;
    if (HentKolonneListe(&zeraGGData->hodeKolonner, &antall, "HODE") == 0)
        zeraGGData->antallHodeKolonner = antall;
    if (HentKolonneListe(&zeraGGData->genAttrKolonner, &antall, "GENATTR") == 0)
        zeraGGData->antallGenAttrKolonner = antall;
    mdlDialog_completionBarClose(GGFremdrift);
    GGFremdrift = nullptr;
}

} // namespace

void LesGGDatabase(void)
{
    if (!zeraGGData || !zeraGGBrukerGrensesnittData) {
        FrigiGGDatabase();
        return;
    }
    // A missing ZERA table is an empty one, but a database that stops
    // answering is not an empty project: the tables loaded before stay.
    std::string feil;
    if (!DatabasenSvarer(feil)) {
        toolSubsystem_printf("Kan ikke lese databasen p\xE5 nytt (%s); tabellene fra forrige innlesing beholdes.\n",
                             feil.c_str());
        return;
    }
    LastTilstand forrige;
    Bytt(forrige);
    LesAlt();
    if (!DatabasenSvarer(feil)) {
        FrigiGGDatabase();
        Bytt(forrige);
        toolSubsystem_printf("Kan ikke lese databasen p\xE5 nytt (%s); tabellene fra forrige innlesing beholdes.\n",
                             feil.c_str());
        return;
    }
    Bytt(forrige);
    FrigiGGDatabase();
    Bytt(forrige);
}

void FrigiGGDatabase(void)
{
    if (seedFil)
        std::memset(seedFil, 0, 256);
    if (zeraGGBrukerGrensesnittData)
        std::memset(zeraGGBrukerGrensesnittData->prosjektTekst, 0, sizeof zeraGGBrukerGrensesnittData->prosjektTekst);
    if (!zeraGGData)
        return;
    ZeraGGData &d = *zeraGGData;
    dlmSystem_mdlFree(d.temakodeKonv);
    d.temakodeKonv = nullptr;
    d.antallTemakodeKonv = 0;
    FrigiHoydeTemakoder();
    dlmSystem_mdlFree(d.kategoriValgt);
    d.kategoriValgt = nullptr;
    dlmSystem_mdlFree(d.zeraGGRader);
    d.zeraGGRader = nullptr;
    d.antallZeraGGRader = 0;
    FrigiTabellBuffer();
    FrigiRad(d.hodeKolonner, d.antallHodeKolonner);
    d.hodeKolonner = nullptr;
    d.antallHodeKolonner = 0;
    FrigiRad(d.genAttrKolonner, d.antallGenAttrKolonner);
    d.genAttrKolonner = nullptr;
    d.antallGenAttrKolonner = 0;
    dlmSystem_mdlFree(d.zeraImportRader);
    d.zeraImportRader = nullptr;
    d.antallZeraImportRader = 0;
    dlmSystem_mdlFree(d.objTypeRader);
    d.objTypeRader = nullptr;
    d.antallObjTypeRader = 0;
}

void GGSystemFunksjon1(void)
{
    systemVeksel = 1 - systemVeksel;
    if (systemVeksel == 0)
        LesGGDatabase();
}

void GGSystemFunksjon2(void)
{
    systemVeksel = 1 - systemVeksel;
    if (systemVeksel == 0)
        FrigiGGDatabase();
}

// --- loaders ----------------------------------------------------------------------------

int FinnesIListe(char *const *liste, int antall, const char *tekst)
{
    for (int i = 0; liste && tekst && i < antall; ++i)
        if (liste[i] && std::strcmp(liste[i], tekst) == 0)
            return 1;
    return 0;
}

int SammenlignZeraGG(const void *a, const void *b)
{
    auto *x = static_cast<const ZeraGGRad *>(a);
    auto *y = static_cast<const ZeraGGRad *>(b);
    int c = std::strcmp(x->zeraNavn, y->zeraNavn);
    if (c != 0)
        return c;
    return x->posisjon < y->posisjon ? -1 : x->posisjon > y->posisjon ? 1 : 0;
}

// Describes the table and counts its rows: the row count, 0 when the table
// is missing, has fewer than minKolonner columns or no rows.  With rows, the
// cursor "select * from" is open.
static int AapneTabell(const char *tabell, int minKolonner, int *kolonner)
{
    MS_SQLDA d{};
    if (mdlDB_describeTable(tabell, &d) != 0 || d.numColumns < minKolonner) {
        mdlDB_freeSQLDADescriptor(&d);
        return 0;
    }
    *kolonner = d.numColumns;
    mdlDB_freeSQLDADescriptor(&d);
    char svar[MDLDB_VALUE_SIZE];
    int64_t n = 0;
    std::string sql = std::string("select count(*) from ") + tabell;
    if (mdlDB_sqlQuery(svar, sql.c_str()) != 0 || !GGHeltall(svar, n) || n <= 0 || n > 1000000)
        return 0;
    sql = std::string("select * from ") + tabell;
    if (mdlDB_openCursor(sql.c_str()) != 0)
        return 0;
    return static_cast<int>(n);
}

static const char *Kolonne(const MS_SQLDA &rad, int k)
{
    return k < rad.numColumns && rad.values[k] ? rad.values[k] : "";
}

static int32_t Heltall(const char *tekst)
{
    int64_t v = 0;
    return GGHeltall(tekst, v) && v >= INT32_MIN && v <= INT32_MAX ? static_cast<int32_t>(v) : 0;
}

// The rows of a ZERA table: fyll fills one from the fetched row and says
// whether it is kept (a row left out is zeroed and its place reused).
template <class Rad, class Fyll> static int32_t LesRader(const char *tabell, int minKolonner, Rad *&rader, Fyll fyll)
{
    rader = nullptr;
    int kolonner = 0, n = AapneTabell(tabell, minKolonner, &kolonner);
    if (n == 0)
        return 0;
    rader = static_cast<Rad *>(GGAlloker(n * sizeof(Rad)));
    int i = 0;
    MS_SQLDA rad{};
    while (rader && i < n && mdlDB_fetchRow(&rad) == 0) {
        if (fyll(rader[i], rad))
            ++i;
        else
            std::memset(&rader[i], 0, sizeof(Rad));
    }
    mdlDB_closeCursor();
    return rader ? i : 0;
}

void LesTemakodeKonv(void)
{
    // A code cut to fit would match another theme: such rows are left out.
    zeraGGData->antallTemakodeKonv =
        LesRader("ZERA_temakode_konv", 2, zeraGGData->temakodeKonv, [](TemakodeKonvRad &r, const MS_SQLDA &rad) {
            return zvlib::copyWhole(r.fraKode, Kolonne(rad, 0)) && zvlib::copyWhole(r.tilKode, Kolonne(rad, 1));
        });
}

void FrigiHoydeTemakoder(void)
{
    if (!zeraGGData)
        return;
    for (int i = 0; i < zeraGGData->antallHoydeTemaer; ++i) {
        if (zeraGGData->hoydeAvrundingTemaer)
            dlmSystem_mdlFree(zeraGGData->hoydeAvrundingTemaer[i]);
        if (zeraGGData->multHoydeTemaer)
            dlmSystem_mdlFree(zeraGGData->multHoydeTemaer[i]);
    }
    dlmSystem_mdlFree(zeraGGData->hoydeAvrundingTemaer);
    dlmSystem_mdlFree(zeraGGData->multHoydeTemaer);
    zeraGGData->hoydeAvrundingTemaer = zeraGGData->multHoydeTemaer = nullptr;
    zeraGGData->antallHoydeTemaer = 0;
}

void LesHoydeTemakoder(void)
{
    int kolonner = 0, n = AapneTabell("ZERA_hoyde_temakoder", 1, &kolonner);
    if (n == 0)
        return;
    auto **avrunding = static_cast<char **>(GGAlloker(n * sizeof(char *)));
    auto **mult = static_cast<char **>(GGAlloker(n * sizeof(char *)));
    if (!avrunding || !mult) {
        dlmSystem_mdlFree(avrunding);
        dlmSystem_mdlFree(mult);
        mdlDB_closeCursor();
        return;
    }
    int i = 0;
    MS_SQLDA rad{};
    for (; i < n && mdlDB_fetchRow(&rad) == 0; ++i) {
        const char *a = rad.numColumns > 0 ? rad.values[0] : nullptr;
        if (a && !FinnesIListe(avrunding, i, a))
            avrunding[i] = GGKopi(a);
        const char *m = kolonner > 1 && rad.numColumns > 1 ? rad.values[1] : nullptr;
        if (m && !FinnesIListe(mult, i, m))
            mult[i] = GGKopi(m);
    }
    mdlDB_closeCursor();
    zeraGGData->hoydeAvrundingTemaer = avrunding;
    zeraGGData->multHoydeTemaer = mult;
    zeraGGData->antallHoydeTemaer = n;
}

void LesZeraImport(void)
{
    zeraGGData->antallZeraImportRader =
        LesRader("ZERA_import", 4, zeraGGData->zeraImportRader, [](ZeraImportRad &r, const MS_SQLDA &rad) {
            if (!zvlib::copyWhole(r.filnavn, Kolonne(rad, 0)) || !zvlib::copyWhole(r.kategori_navn, Kolonne(rad, 3)))
                return false;
            TilSmaaBokstaver(r.filnavn);
            r.hodeid = Heltall(Kolonne(rad, 1));
            r.alle_kategorier = Heltall(Kolonne(rad, 2));
            return true;
        });
}

void LesObjTypeTabell(void)
{
    std::string tabell = Smalt(geoProject_getFeatureTableName(geoProject_getActive()));
    MS_SQLDA d{};
    if (!mdlhost_dbIsIdentifier(tabell.c_str()) || mdlDB_describeTable(tabell.c_str(), &d) != 0) {
        mdlDB_freeSQLDADescriptor(&d);
        return;
    }
    std::string objtype;
    for (int k = 0; k < d.numColumns; ++k) {
        std::string navn = d.columns[k].name;
        TilSmaaBokstaver(navn.data());
        if (navn == "objtype")
            objtype = d.columns[k].name;
    }
    mdlDB_freeSQLDADescriptor(&d);
    if (objtype.empty())
        return;
    char svar[MDLDB_VALUE_SIZE];
    int64_t n = 0;
    if (mdlDB_sqlQuery(svar, ("select count(*) from " + tabell).c_str()) != 0 || !GGHeltall(svar, n) ||
        n <= 0 || n > 1000000)
        return;
    if (mdlDB_openCursor(("select fcode," + objtype + " from " + tabell).c_str()) != 0)
        return;
    auto *rader = static_cast<ObjTypeRad *>(GGAlloker(n * sizeof(ObjTypeRad)));
    int i = 0;
    MS_SQLDA rad{};
    while (rader && i < n && mdlDB_fetchRow(&rad) == 0) {
        // Features without an object type carry nothing for the table, and
        // an empty entry would end the engine's object-type table early.
        if (!*Kolonne(rad, 1) || !zvlib::copyWhole(rader[i].fcode, Kolonne(rad, 0)) ||
            !zvlib::copyWhole(rader[i].objtype, Kolonne(rad, 1))) {
            std::memset(&rader[i], 0, sizeof rader[i]);
            continue;
        }
        ++i;
    }
    mdlDB_closeCursor();
    zeraGGData->objTypeRader = rader;
    zeraGGData->antallObjTypeRader = rader ? i : 0;
}

void LesZeraGG(void)
{
    int n = LesRader("ZERA_GG", 5, zeraGGData->zeraGGRader, [](ZeraGGRad &r, const MS_SQLDA &rad) {
        if (!zvlib::copyWhole(r.kolonne, Kolonne(rad, 0)) || !zvlib::copyWhole(r.zeraNavn, Kolonne(rad, 1)) || !*r.kolonne ||
            !*r.zeraNavn)
            return false;
        TilSmaaBokstaver(r.kolonne);
        TilSmaaBokstaver(r.zeraNavn);
        r.posisjon = Heltall(Kolonne(rad, 2));
        r.aapenListe = Heltall(Kolonne(rad, 3));
        zvlib::copyText(r.tekst, Kolonne(rad, 4));
        return true;
    });
    if (zeraGGData->zeraGGRader)
        std::qsort(zeraGGData->zeraGGRader, n, sizeof(ZeraGGRad), SammenlignZeraGG);
    zeraGGData->antallZeraGGRader = n;
}

void FinnMaksKartnavn(void)
{
    GeoProject *p = geoProject_getActive();
    int lengst = 0;
    for (int i = 0; i < geoProject_getCategoryCount(p); ++i) {
        const char16_t *e = geoCategory_getFileExtension(geoProject_getCategory(p, i));
        lengst = std::max(lengst, e ? static_cast<int>(std::char_traits<char16_t>::length(e)) : 0);
    }
    int bredde = 14;
    std::string tabell = Smalt(geoProject_getMapTableName(p));
    MS_SQLDA d{};
    if (mdlDB_describeTable(tabell.c_str(), &d) == 0)
        for (int k = 0; k < d.numColumns; ++k) {
            std::string navn = d.columns[k].name;
            TilSmaaBokstaver(navn.data());
            if (navn == "mapname" && d.columns[k].type == DB_TEKST) {
                bredde = d.columns[k].length;
                break;
            }
        }
    mdlDB_freeSQLDADescriptor(&d);
    // An extension as wide as the column still leaves a name of one character.
    zeraGGData->maksKartnavn = std::max(bredde - lengst - 1, 1);
}

// --- schema -------------------------------------------------------------------------------

int LagZeraTabeller(void)
{
    // Unquoted lower-case names, so the module's statements find them on
    // PostgreSQL whatever case they write.
    static const char *const tabeller[] = {
        "zera_temakode_konv (fra_kode varchar(10), til_kode varchar(10))",
        "zera_hoyde_temakoder (avrunding_tema varchar(11), mult_hoyde_tema varchar(11))",
        "zera_import (filnavn varchar(255), hodeid integer, alle_kategorier integer, kategori_navn varchar(255))",
        "zera_gg (kolonne varchar(32), zera_navn varchar(30), posisjon integer, aapen_liste integer, "
        "tekst varchar(51))",
        // mslink is the key, so that the largest is found without a scan.
        // Texts where a value of 0 must come back (extents, parameters).
        "hode (mslink integer primary key, koordsys integer, transsys integer, transsys_p1 varchar(20), "
        "transsys_p2 varchar(20), transsys_p3 varchar(20), transsys_p4 varchar(20), transsys_p5 varchar(20), "
        "transsys_p6 varchar(20), geosys integer, geosys_projeksjon integer, geosys_sone integer, geokoord integer, "
        "origo_n varchar(20), origo_o varchar(20), enhet double precision, enhet_h double precision, "
        "vert_datum1 varchar(7), vert_datum2 varchar(7), vert_datum3 varchar(7), vert_datum4 varchar(7), "
        "min_n varchar(20), min_o varchar(20), max_n varchar(20), max_o varchar(20), kartid varchar(64), "
        "produsent varchar(64), eier varchar(64), tegnsett varchar(16), zera_versjon varchar(16), "
        "zera_nivaa integer, fkb_data1 varchar(11), fkb_data2 varchar(11), fkb_data3 varchar(11), "
        "fkb_data4 varchar(11))",
        "genattr (mslink integer primary key, hoyde double precision, kvalitet1 integer, kvalitet2 integer, "
        "kvalitet3 integer, kvalitet4 integer, kvalitet5 integer, kvalitet6 integer, dato varchar(8), "
        "enhet double precision, hob double precision, medium varchar(3), komm integer, href varchar(3), "
        "status varchar(1), dim1 double precision, dim2 double precision, andre_egenskaperid integer)",
    };
    for (const char *t : tabeller)
        if (mdlDB_processSQL((std::string("CREATE TABLE IF NOT EXISTS ") + t).c_str()) != 0)
            return DB_FEIL;
    // The ZERA names of the columns whose name the import's own rule
    // (lower case, "-" to "_") does not give: several values on one line,
    // and names with Norwegian letters.
    static const char *const zeraGG[] = {
        "'transsys', 'TRANSSYS', 1", "'transsys_p1', 'TRANSSYS', 2", "'transsys_p2', 'TRANSSYS', 3",
        "'transsys_p3', 'TRANSSYS', 4", "'transsys_p4', 'TRANSSYS', 5", "'transsys_p5', 'TRANSSYS', 6",
        "'transsys_p6', 'TRANSSYS', 7", "'geosys', 'GEOSYS', 1", "'geosys_projeksjon', 'GEOSYS', 2",
        "'geosys_sone', 'GEOSYS', 3", "'origo_n', 'ORIGO-N\xD8', 1", "'origo_o', 'ORIGO-N\xD8', 2",
        "'vert_datum1', 'VERT-DATUM', 1", "'vert_datum2', 'VERT-DATUM', 2", "'vert_datum3', 'VERT-DATUM', 3",
        "'vert_datum4', 'VERT-DATUM', 4", "'min_n', 'MIN-N\xD8', 1", "'min_o', 'MIN-N\xD8', 2",
        "'max_n', 'MAX-N\xD8', 1", "'max_o', 'MAX-N\xD8', 2", "'zera_nivaa', 'ZERA-NIV\xC5', 1",
        "'fkb_data1', 'FKB-DATA', 1", "'fkb_data2', 'FKB-DATA', 2", "'fkb_data3', 'FKB-DATA', 3",
        "'fkb_data4', 'FKB-DATA', 4", "'hoyde', 'H\xD8YDE', 1", "'kvalitet1', 'KVALITET', 1",
        "'kvalitet2', 'KVALITET', 2", "'kvalitet3', 'KVALITET', 3", "'kvalitet4', 'KVALITET', 4",
        "'kvalitet5', 'KVALITET', 5", "'kvalitet6', 'KVALITET', 6", "'dim1', 'DIM', 1", "'dim2', 'DIM', 2",
    };
    // Only into an empty map: one the project has made its own stays.
    char antallGG[MDLDB_VALUE_SIZE];
    if (mdlDB_sqlQuery(antallGG, "select count(*) from zera_gg") != 0)
        return DB_FEIL;
    if (std::strcmp(antallGG, "0") == 0)
        for (const char *r : zeraGG)
            if (mdlDB_processSQL((std::string("insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) "
                                              "values (") + r + ", 0)").c_str()) != 0)
                return DB_FEIL;
    static const struct {
        const char *tabell;
        int entitet;
    } entiteter[] = {{"hode", 3}, {"genattr", 4}};
    for (const auto &e : entiteter) {
        char svar[MDLDB_VALUE_SIZE];
        std::string nummer = std::to_string(e.entitet);
        std::string finnes = std::string("select count(*) from ugtable_cat where lower(tablename) = '") + e.tabell +
                             "' or entitynum = " + nummer;
        if (mdlDB_sqlQuery(svar, finnes.c_str()) != 0)
            return DB_FEIL;
        if (std::strcmp(svar, "0") != 0)
            continue;
        std::string sql = std::string("insert into ugtable_cat (tablename, entitynum) values ('") + e.tabell +
                          "', " + nummer + ")";
        if (mdlDB_processSQL(sql.c_str()) != 0)
            return DB_FEIL;
    }
    return 0;
}
