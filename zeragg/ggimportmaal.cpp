// Where each ZERA object of a GIS import goes: its feature (theme codes
// converted, the UDEF templates for unknown themes, features made from
// them when asked), and its map file per category and map name: made from
// the seed, registered in maps/ugmap with an index shape in the category's
// index file, attached as a reference and opened as a work file.
//
// Sections: state - names and paths - features - maps - the object's target.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "brukerdata.h"
#include "eksport.h"
#include "ggimport.h"
#include "gis/mdlgis.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zeraggdb_int.h"
#include "zvlibtext.h"
#include "zvlibwin32.h"

// ---- state -------------------------------------------------------------------------

NyeFeaturesPost nyeFeatures;
StringList *ggRegistrerteKart = nullptr;

namespace {

constexpr int UTELAT = 0x8000;
constexpr int MAKS_KARTFILER = 256;
constexpr int TEMAFEIL_KATEGORI = 26;

// Features made in this import by code: later objects of the same theme
// take the same one instead of inserting another row.
std::map<std::string, long> lagdeFeatures;
// Map paths that could not be made, attached or opened: their objects are
// left out without trying again.
std::set<std::string> feiledeKart;

std::u16string Bred(const std::string &s)
{
    std::u16string w;
    for (unsigned char c : s)
        w += char16_t(c);
    return w;
}

// "%.3f" without the locale.
std::string Tre(double d)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, 3);
    return std::string(buf, r.ptr);
}

int Send(const std::string &sql)
{
    if (mdlDB_processSQL(sql.c_str()) != 0) {
        toolSubsystem_printf("Error in command: %s\n", sql.c_str());
        return DB_FEIL;
    }
    return 0;
}

GeoControlBlock *Fcb() { return mdlhost_gisControlBlock(); }

// Drive and directory of a directory text of the project.
bool Katalog(const char16_t *katalog, char *enhet, char *mappe)
{
    std::string k = GGSmal(katalog);
    enhet[0] = mappe[0] = '\0';
    if (k.empty())
        return true;
    // A directory without its separator would be taken for a file name.
    if (k.back() != '/' && k.back() != '\\')
        k += '/';
    mdlFile_parseName(k.c_str(), enhet, mappe, nullptr, nullptr);
    return true;
}

} // namespace

void NullstillGGImportMaal(void)
{
    if (zeraGGData) {
        zeraGGData->gjeldendeKartFil = 0;
        zeraGGData->antallKartFiler = 0;
        std::memset(zeraGGData->kartFiler, 0, sizeof zeraGGData->kartFiler);
        zeraGGData->kartLagtTil = 0;
        zeraGGData->indeksformEndret = 0;
    }
    FrigiGGImportMaal();
    ggRegistrerteKart = mdlStringList_create(0, 1);
    lagdeFeatures.clear();
    feiledeKart.clear();
    std::memset(&nyeFeatures, 0, sizeof nyeFeatures);
}

void FrigiGGImportMaal(void)
{
    if (ggRegistrerteKart)
        mdlStringList_destroy(ggRegistrerteKart);
    ggRegistrerteKart = nullptr;
}

int AntallNyeFeatures(void)
{
    int n = 0;
    for (const auto &[kode, mslink] : lagdeFeatures)
        n += mslink > 0;
    return n;
}

// ---- names and paths -------------------------------------------------------------------

const char *KonverterTemakode(const char *tema)
{
    for (int i = 0; zeraGGData && zeraGGData->temakodeKonv && i < zeraGGData->antallTemakodeKonv; ++i)
        if (std::strcmp(zeraGGData->temakodeKonv[i].fraKode, tema) == 0)
            return zeraGGData->temakodeKonv[i].tilKode;
    return tema;
}

int EntitetForTabellnavn(const char *tabell)
{
    const GeoControlBlock *fcb = Fcb();
    if (!fcb || !tabell)
        return -1;
    std::string navn = tabell;
    TilStoreBokstaver(navn.data());
    for (int i = 0; i < fcb->entityCount; ++i)
        if (fcb->entityTables[i] && navn == fcb->entityTables[i])
            return fcb->entityNumbers[i];
    return -1;
}

int KuttKartnavn(char *navn)
{
    int maks = zeraGGData ? zeraGGData->maksKartnavn : 0;
    int lengde = static_cast<int>(std::strlen(navn));
    // A limit below one (no map table width known) cuts nothing.
    if (maks >= 1 && lengde > maks)
        navn[maks] = '\0';
    return maks - lengde;
}

int IndeksfilForKategori(char *sti, int kategori)
{
    sti[0] = '\0';
    GeoProject *p = geoProject_getActive();
    const GeoControlBlock *fcb = Fcb();
    if (!p || !fcb || kategori < 0 || kategori >= geoProject_getCategoryCount(p))
        return DB_FEIL;
    char enhet[MDLHOST_MAXFILELENGTH], mappe[MDLHOST_MAXFILELENGTH], navn[MDLHOST_MAXFILELENGTH],
        ending[MDLHOST_MAXFILELENGTH];
    Katalog(fcb->indexDirectory, enhet, mappe);
    std::string fil = GGSmal(geoCategory_getIndexFileName(geoProject_getCategory(p, kategori)));
    if (fil.empty())
        return DB_FEIL;
    mdlFile_parseName(fil.c_str(), nullptr, nullptr, navn, ending);
    return mdlFile_buildName(sti, enhet, mappe, navn, ending) == 0 ? 0 : DB_FEIL;
}

char *FinnOdbcDatabaseFil(char *tekst)
{
    tekst[0] = '\0';
    const GeoControlBlock *fcb = Fcb();
    if (!fcb)
        return tekst;
    std::string type = GGSmal(fcb->serverType);
    if (type == "ODBC" || (type.size() > 1 && type.compare(1, std::string::npos, "ODBC") == 0)) {
        std::string nokkel = "SOFTWARE\\ODBC\\ODBC.INI\\" + GGSmal(fcb->dataSource);
        int t = 0;
        char verdi[256] = {};
        int n = zvlibWin32_getRegistryValue(nokkel.c_str(), "DBQ", &t, verdi, sizeof verdi - 1);
        // Without a registry the host's configuration named the database.
        if (n > 0)
            zvlib::copyText(tekst, 256, verdi);
        else
            zvlib::copyText(tekst, 256, GGSmal(fcb->dataSource).c_str());
        return tekst;
    }
    zvlib::copyText(tekst, 256, type.c_str());
    return tekst;
}

DgnModelRefP FinnRefFil(const char *sti)
{
    ModelRefIterator *it = nullptr;
    if (!sti || mdlModelRefIterator_create(&it, mdlModelRef_getActive(), MODELREF_ITERATE_REFERENCES) != 0)
        return 0;
    DgnModelRefP funnet = 0;
    while (DgnModelRefP m = mdlModelRefIterator_getNext(it)) {
        char spes[MDLHOST_MAXFILELENGTH] = {};
        if (mdlRefFile_getParameters(spes, REFERENCE_FILESPEC, m) == 0 && std::strcmp(spes, sti) == 0) {
            funnet = m;
            break;
        }
    }
    mdlModelRefIterator_free(&it);
    return funnet;
}

// ---- features ---------------------------------------------------------------------------

namespace {

// The described width of feature.fcode; 0 when unknown.
int FcodeBredde()
{
    MS_SQLDA d{};
    int bredde = 0;
    if (mdlDB_describeTable("feature", &d) == 0)
        for (int k = 0; k < d.numColumns; ++k)
            if (GGSammeNavn(d.columns[k].name, "fcode") && d.columns[k].type == DB_TEKST)
                bredde = d.columns[k].length;
    mdlDB_freeSQLDADescriptor(&d);
    return bredde;
}

} // namespace

int OpprettFeatureFraMal(const char *kode, int malIndeks, long *mslink)
{
    GeoProject *p = geoProject_getActive();
    GeoFeature *mal = geoProject_getFeature(p, malIndeks);
    if (!mal || !kode || !*kode)
        return UTELAT;
    // A code wider than the code column would be cut into another code (or
    // refused by one database and not the other).
    if (int bredde = FcodeBredde(); bredde > 0 && std::strlen(kode) > static_cast<size_t>(bredde)) {
        toolSubsystem_printf("Feature-koden %s er lengre enn %d tegn; featuren lages ikke.\n", kode, bredde);
        return UTELAT;
    }
    // The catalogue row goes on its own, not with the rows of the file.
    GGRaderFullfor();
    long storst = 0;
    if (mdlDB_largestMslink("feature", &storst) != 0 || storst >= INT32_MAX - 1)
        return UTELAT;
    long ny = storst + 1;
    char tabell[DB_MAKS_TABELLNAVN + 1];
    if (TabellnavnForEntitet(tabell, geoFeature_getDBEntityNumber(mal)) != 0)
        tabell[0] = '\0';
    TilSmaaBokstaver(tabell);
    GeoCategory *kat = geoFeature_getCategory(mal);
    std::string kolonner = "MSLINK,FCODE,FNAME,CATEGORY,TABLENAME,FTYPE,FSTYLE,FWEIGHT,FCOLOR,FELEMENT";
    std::string verdier = std::to_string(ny) + "," + SqlTekst(kode) + "," + SqlTekst(kode) + "," +
                          std::to_string(kat ? geoCategory_getMslink(kat) : 0) + "," + SqlTekst(tabell) + "," +
                          std::to_string(geoFeature_getType(mal)) + "," +
                          std::to_string(geoFeature_getLineStyleIndex(mal)) + "," +
                          std::to_string(geoFeature_getWeightForElement(mal)) + "," +
                          std::to_string(geoFeature_getColorForElement(mal)) + "," +
                          std::to_string(geoFeature_getElementType(mal));
    const char *bokstav = FinnZeraElementType(Elm.type);
    if (bokstav && std::strcmp(bokstav, "T") == 0) {
        kolonner += ",FANGLE,FHEIGHT,FWIDTH,FLINESPACE,LINELENGTH,FFONT,FJUSTIFICATION";
        verdier += "," + SqlTekst(Tre(geoFeature_getAngle(mal)).c_str()) + "," +
                   SqlDobbel(geoFeature_getTextHeight(mal)) + "," + SqlDobbel(geoFeature_getTextWidth(mal)) + "," +
                   SqlDobbel(geoFeature_getTextLineSpacing(mal)) + "," +
                   std::to_string(geoFeature_getTextLineLength(mal)) + "," +
                   std::to_string(geoFeature_getTextFontIndex(mal)) + "," +
                   SqlTekst(std::to_string(geoFeature_getTextJustification(mal)).c_str());
    }
    std::string bibliotek = GGSmal(geoFeature_getCellLibraryName(mal)), celle = GGSmal(geoFeature_getCellName(mal));
    if (bokstav && std::strcmp(bokstav, "P") == 0 && !bibliotek.empty() && !celle.empty()) {
        kolonner += ",CELLLIBRARY,FCELLNAME,CELLSCALE";
        verdier += "," + SqlTekst(bibliotek.c_str()) + "," + SqlTekst(celle.c_str()) + "," +
                   SqlDobbel(geoFeature_getCellScale(mal));
    }
    kolonner += ",STREAMDELTA,STREAMTOLERANCE,SNAPTYPE,SNAPTOLERANCE,NEWDUP";
    verdier += "," + SqlDobbel(geoFeature_getStreamDelta(mal)) + "," + SqlDobbel(geoFeature_getStreamTolerance(mal)) +
               "," + std::to_string(geoFeature_getSnapType(mal)) + "," +
               SqlDobbel(geoFeature_getSnapTolerance(mal)) + "," +
               (geoFeature_getLinkageMode(mal) > 1 ? "1" : "0");
    toolSubsystem_printf("%s\n", kolonner.c_str());
    toolSubsystem_printf("%s\n", verdier.c_str());
    toolSubsystem_printf("%s\n", std::string(74, '-').c_str());
    if (Send("insert into feature (" + kolonner + ") values (" + verdier + ");") != 0)
        return UTELAT;
    if (Send("insert into ugfeature (FEATURE) values (" + std::to_string(ny) + ");") != 0) {
        // A feature without its ugfeature row is half made: take it back.
        mdlDB_processSQL(("delete from feature where mslink = " + std::to_string(ny)).c_str());
        return UTELAT;
    }
    *mslink = ny;
    return 0;
}

int FinnFeatureForTema(const char *tema, int *featureIndeks, int *ukjent)
{
    const char *bokstav = FinnZeraElementType(Elm.type);
    std::string kode = std::string(KonverterTemakode(tema ? tema : "")) + (bokstav ? bokstav : "");
    if (mdlMapFeature_indexFromCode(Bred(kode).c_str(), featureIndeks) == 0) {
        if (ukjent)
            *ukjent = 0;
        return 0;
    }
    if (ukjent)
        *ukjent = 1;
    if (!brukerDataP || !brukerDataP->importerUkjenteTema)
        return UTELAT;
    std::string mal = std::string("UDEF") + (bokstav ? bokstav : "");
    if (mdlMapFeature_indexFromCode(Bred(mal).c_str(), featureIndeks) != 0)
        return UTELAT;
    if (!brukerDataP->lagManglendeFeatures)
        return 0;
    long mslink = 0;
    // The project shows new features only when opened again: one made
    // earlier in this import is taken again, not made twice.
    // A code that could not be made is not tried (and named) again.
    if (auto f = lagdeFeatures.find(kode); f != lagdeFeatures.end())
        mslink = f->second;
    else if (OpprettFeatureFraMal(kode.c_str(), *featureIndeks, &mslink) != 0)
        mslink = lagdeFeatures[kode] = -1;
    else
        lagdeFeatures[kode] = mslink;
    if (mslink < 1)
        return UTELAT;
    if (nyeFeatures.antall < 10)
        nyeFeatures.mslinker[nyeFeatures.antall++] = static_cast<int32_t>(mslink);
    return 0;
}

// ---- maps -------------------------------------------------------------------------------

namespace {

// The shape through the header's extent, in master units.
bool IndeksformPunkter(DPoint3d p[5])
{
    const SheadStruct &h = brukerDataP->hode;
    p[0] = {h.minE, h.minN, 0};
    p[1] = {h.maxE, h.minN, 0};
    p[2] = {h.maxE, h.maxN, 0};
    p[3] = {h.minE, h.maxN, 0};
    p[4] = p[0];
    return true;
}

// Appends the shape to the index file; the index file is made from the
// seed when the category has none yet.
void SkrivIndeksform(const MSElement &form, const char *indeksfil)
{
    char funnet[MDLHOST_MAXFILELENGTH];
    if (mdlFile_find(funnet, indeksfil, nullptr, nullptr) != 0 && brukerDataP->seedFil[0])
        mdlFile_create(indeksfil, brukerDataP->seedFil);
    DgnModelRefP arbeid = 0;
    if (mdlWorkDgn_openFile(&arbeid, indeksfil, 0) != 0 || !arbeid) {
        toolSubsystem_printf("Feil ved lagring av index shape.\n");
        return;
    }
    MSElementDescr *d = nullptr;
    mdlElmdscr_new(&d, nullptr, &form);
    if (d && !mdlModelRef_is3D(arbeid) && mdlModelRef_is3D(mdlModelRef_getActive())) {
        MSElementDescr *flat = nullptr;
        // The 3D shape stays when it cannot be made flat.
        if (mdlElmdscr_convertTo2D(&flat, d, arbeid) == 0 && flat) {
            mdlElmdscr_freeAll(&d);
            d = flat;
        }
    }
    if (!d || mdlWorkDgn_write(d, WORKDGN_APPEND, arbeid) == 0)
        toolSubsystem_printf("Feil ved lagring av index shape.\n");
    mdlElmdscr_freeAll(&d);
    mdlWorkDgn_closeFile(arbeid);
}

} // namespace

int RegistrerGGKart(const char *sti, int kategori, int *kartIndeks)
{
    *kartIndeks = -1;
    GeoProject *p = geoProject_getActive();
    GeoCategory *kat = geoProject_getCategory(p, kategori);
    if (!kat || !brukerDataP)
        return DB_FEIL;
    // The catalogue rows go on their own, not with the rows of the file.
    GGRaderFullfor();
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    DPoint3d pkt[5];
    IndeksformPunkter(pkt);
    MSElement form{};
    bool harForm = mdlShape_create(&form, nullptr, pkt, 5, 0) == 0;
    char indeksfil[MDLHOST_MAXFILELENGTH];
    IndeksfilForKategori(indeksfil, kategori);
    long storst = 0;
    int resultat = DB_FEIL;
    char enhet[MDLHOST_MAXFILELENGTH], mappe[MDLHOST_MAXFILELENGTH], navn[MDLHOST_MAXFILELENGTH],
        ending[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(sti, enhet, mappe, navn, ending);
    std::string kartnavn = std::string(navn) + ending;
    std::string mdir = std::string(enhet) + mappe;
    // The directory keeps the one separator it ends with.
    if (mdir.empty() || (mdir.back() != '\\' && mdir.back() != '/'))
        mdir += '\\';
    if (mdlDB_largestMslink("maps", &storst) == 0 && storst < INT32_MAX - 1) {
        long mslink = storst + 1;
        std::string m = std::to_string(mslink);
        if (Send("insert into maps (MSLINK,CATEGORY,MAPNAME) values (" + m + "," +
                 std::to_string(geoCategory_getMslink(kat)) + "," + SqlTekst(kartnavn.c_str()) + ");") == 0) {
            if (Send("insert into ugmap (MAPID,MDIR) values (" + m + "," + SqlTekst(mdir.c_str()) + ");") == 0) {
                *kartIndeks = static_cast<int>(mslink - 1);
                resultat = 0;
            } else {
                // A map without its directory would be half registered.
                mdlDB_processSQL(("delete from maps where mslink = " + m).c_str());
            }
        }
        if (resultat == 0 && harForm) {
            int forrige = mdlDB_activeLinkageMode(nullptr);
            mdlDB_activeLinkageMode("duplicate");
            bool lenket = mdlDB_defineAEBySQLSelect(("SELECT * FROM MAPS WHERE MSLINK = " + m).c_str()) == 0 &&
                          mdlDB_attachActiveEntityElement(&form) == 0;
            // The session's mode is the user's, not ours.
            mdlDB_activeLinkageMode(forrige == MDLDB_LINKAGE_DUPLICATE ? "duplicate" : "none");
            if (lenket && indeksfil[0])
                SkrivIndeksform(form, indeksfil);
        }
    }
    mdlCurrTrans_end();
    return resultat;
}

void UtvidKartIndeksform(int kartIndeks, int kategori, int entitet)
{
    char indeksfil[MDLHOST_MAXFILELENGTH];
    DgnModelRefP arbeid = 0;
    if (entitet < 0 || kartIndeks < 0 || !brukerDataP || IndeksfilForKategori(indeksfil, kategori) != 0 ||
        mdlWorkDgn_openFile(&arbeid, indeksfil, 0) != 0 || !arbeid)
        return;
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    const SheadStruct &h = brukerDataP->hode;
    static uint16_t ord[MAX_ELEMENT_WORDS];
    uint32_t slutt = mdlModelRef_getEof(arbeid);
    for (uint32_t pos = 1; pos < slutt;) {
        MSElementDescr *d = nullptr;
        uint32_t neste = pos + 1;
        if (mdlElmdscr_read(&d, pos, arbeid, 0, &neste) == 0 || !d) {
            ++pos;
            continue;
        }
        int antallOrd = 0;
        std::memset(ord, 0, sizeof ord);
        DatabaseLink *linker = nullptr;
        int antallLinker = 0;
        DPoint3d pkt[MAX_VERTICES];
        int antallPkt = 0;
        bool form = mdlElement_extractAttributes(&antallOrd, ord, MAX_ELEMENT_WORDS, &d->el) == 0 && antallOrd > 0 &&
                    mdlMap_allDBMslinks(ord, antallOrd, &linker, &antallLinker) == 0 && antallLinker > 0 &&
                    linker[0].entityNumber == entitet && linker[0].mslink == kartIndeks + 1 &&
                    mdlElement_getType(&d->el) == 6 && mdlLinear_getPointCount(&d->el) == 5 &&
                    mdlLinear_extract(pkt, &antallPkt, &d->el, arbeid) == 0 && antallPkt == 5;
        dlmSystem_mdlFree(linker);
        if (!form) {
            mdlElmdscr_freeAll(&d);
            pos = neste > pos ? neste : pos + 1;
            continue;
        }
        bool endret = false;
        if (h.minE < pkt[0].x) {
            pkt[0].x = pkt[3].x = h.minE;
            endret = true;
        }
        if (h.minN < pkt[0].y) {
            pkt[0].y = pkt[1].y = h.minN;
            endret = true;
        }
        if (h.maxE > pkt[2].x) {
            pkt[1].x = pkt[2].x = h.maxE;
            endret = true;
        }
        if (h.maxN > pkt[2].y) {
            pkt[2].y = pkt[3].y = h.maxN;
            endret = true;
        }
        if (endret) {
            pkt[4] = pkt[0];
            MSElement ny{};
            MSElementDescr *nyD = nullptr;
            if (mdlShape_create(&ny, &d->el, pkt, 5, -1) != 0 || mdlElmdscr_new(&nyD, nullptr, &ny) != 0 ||
                mdlWorkDgn_write(nyD, pos, arbeid) == 0)
                toolSubsystem_printf("Feil ved lagring av index shape.\n");
            mdlElmdscr_freeAll(&nyD);
            zeraGGData->indeksformEndret = 1;
        }
        mdlElmdscr_freeAll(&d);
        break;
    }
    mdlCurrTrans_end();
    mdlWorkDgn_closeFile(arbeid);
}

// ---- the object's target ----------------------------------------------------------------

namespace {

// The map path of the current object into sti; false when it has no name
// or does not fit.
bool KartSti(char *sti, const char16_t *ending)
{
    sti[0] = '\0';
    const GeoControlBlock *fcb = Fcb();
    if (!fcb)
        return false;
    char navn[MDLHOST_MAXFILELENGTH] = {};
    if (zeraGGBrukerGrensesnittData && zeraGGBrukerGrensesnittData->kartnavnModus == 1) {
        zvlib::copyText(navn, zeraGGData->valgtKartnavn);
    } else {
        mdlFile_parseName(brukerDataP->zeraFil, nullptr, nullptr, navn, nullptr);
        KuttKartnavn(navn);
    }
    if (!navn[0])
        return false;
    char enhet[MDLHOST_MAXFILELENGTH], mappe[MDLHOST_MAXFILELENGTH];
    Katalog(fcb->mapDirectory, enhet, mappe);
    return mdlFile_buildName(sti, enhet, mappe, navn, GGSmal(ending).c_str()) == 0;
}

int Utelatt(const char *melding, const char *sti)
{
    toolSubsystem_printf(melding, sti);
    feiledeKart.insert(sti);
    return UTELAT;
}

} // namespace

extern "C" int AapneRiktigGeoGraphicsFil(int *ukjent)
{
    std::memset(&nyeFeatures, 0, sizeof nyeFeatures);
    if (!zeraGGData || !brukerDataP)
        return UTELAT;
    if (FinnFeatureForTema(Elm.theme[0], &zeraGGData->featureIndeks, ukjent) != 0) {
        if (ukjent && *ukjent && Elm.type > 0 && Elm.type <= ZERA_TYPE_COUNT)
            Bmw.notImported[Elm.type - 1]++;
        return UTELAT;
    }
    GeoProject *p = geoProject_getActive();
    GeoFeature *f = geoProject_getFeature(p, zeraGGData->featureIndeks);
    int kategori = geoFeature_getCategoryIndex(f);
    bool kjentKategori = kategori >= 0 && kategori < geoProject_getCategoryCount(p);
    if (kjentKategori && zeraGGData->kategoriValgt && zeraGGData->kategoriValgt[kategori] == 0) {
        char tema[ZERA_THEME_LEN];
        zvlib::copyText(tema, Elm.theme[0]);
        char kode[11];
        zvlib::copyText(kode, GGSmal(geoFeature_getCode(f)).c_str());
        MeldEksportTemaFeil(TEMAFEIL_KATEGORI, kode);
        // The register took the code; the object keeps its own theme.
        zvlib::copyText(Elm.theme[0], tema);
        if (Elm.type > 0 && Elm.type <= ZERA_TYPE_COUNT)
            Bmw.read[Elm.type - 1]--;
        return UTELAT;
    }
    zeraGGData->kartIndeks = -1;
    if (brukerDataP->importMaal == -2)
        return 0;
    // A feature without a category has no map file to go to.
    if (!kjentKategori) {
        toolSubsystem_printf("Featuren %s har ingen kategori; objekt %d er utelatt.\n",
                             GGSmal(geoFeature_getCode(f)).c_str(), static_cast<int>(Elm.serial));
        if (Elm.type > 0 && Elm.type <= ZERA_TYPE_COUNT)
            Bmw.notImported[Elm.type - 1]++;
        return UTELAT;
    }
    char sti[MDLHOST_MAXFILELENGTH];
    if (!KartSti(sti, geoCategory_getFileExtension(geoProject_getCategory(p, kategori)))) {
        toolSubsystem_printf("Feil ved opprettelse/referering av tegning: %s\n", sti);
        return UTELAT;
    }
    if (feiledeKart.count(sti))
        return UTELAT;
    int n = 0;
    while (n < zeraGGData->antallKartFiler && std::strcmp(zeraGGData->kartFiler[n].navn, sti) != 0)
        ++n;
    if (n == zeraGGData->antallKartFiler) {
        if (n >= MAKS_KARTFILER)
            return Utelatt("For mange kartfiler i en import; objektet til %s er utelatt.\n", sti);
        std::memset(&zeraGGData->kartFiler[n], 0, sizeof(ggKartFil));
        // Named at once, so that a failure below is not tried again per object.
        zvlib::copyText(zeraGGData->kartFiler[n].navn, sti);
        zeraGGData->antallKartFiler++;
    }
    zeraGGData->gjeldendeKartFil = n;
    ggKartFil &kart = zeraGGData->kartFiler[n];
    int indeks = -1;
    if (mdlMap_indexFromMapName(Bred(sti).c_str(), &indeks) == 0) {
        zeraGGData->kartIndeks = indeks;
        kart.modelRef = mdlMap_modelRefFromMapIndex(indeks);
        if (!kart.modelRef && mdlMap_attachMap(indeks) == 0)
            kart.modelRef = mdlMap_modelRefFromMapIndex(indeks);
    } else {
        char funnet[MDLHOST_MAXFILELENGTH];
        if (mdlFile_find(funnet, sti, nullptr, nullptr) != 0) {
            int status = mdlFile_copy(sti, brukerDataP->seedFil);
            if (status != 0) {
                toolSubsystem_printf("Feil i mdlFile_copy. status=%d  feilnr=%d\n", status, errno);
                // A map without its file would be registered for nothing.
                if (mdlFile_find(funnet, sti, nullptr, nullptr) != 0)
                    return Utelatt("Feil ved opprettelse/referering av tegning: %s\n", sti);
            }
        }
        if (DgnModelRefP ref = FinnRefFil(sti)) {
            kart.modelRef = ref;
            for (long i = 0; i < mdlStringList_size(ggRegistrerteKart); ++i) {
                const char *t = nullptr;
                long *info = nullptr;
                if (mdlStringList_getMember(&t, &info, ggRegistrerteKart, i) == 0 && t && std::strcmp(t, sti) == 0)
                    zeraGGData->kartIndeks = static_cast<int>(info[0]);
            }
        } else {
            if (RegistrerGGKart(sti, kategori, &zeraGGData->kartIndeks) == 0) {
                zeraGGData->kartLagtTil = 1;
                long info[1] = {zeraGGData->kartIndeks}, ny = 0;
                if (ggRegistrerteKart && mdlStringList_insertMember(&ny, ggRegistrerteKart, -1, 1) == 0)
                    mdlStringList_setMember(ggRegistrerteKart, ny, sti, info);
            }
            char logisk[32];
            std::snprintf(logisk, sizeof logisk, "ZvZera%d", zeraGGData->antallKartFiler);
            DgnModelRefP nyRef = 0;
            if (mdlRefFile_attachCoincident(&nyRef, sti, logisk, "ZvZera reference file", 0, 1, 1) == 0 && nyRef) {
                kart.modelRef = nyRef;
                mdlRefFile_writeAttachment(nyRef);
                if (FinnRefFil(sti))
                    kart.indeksSjekket = 1;
            }
        }
    }
    if (!kart.modelRef)
        return Utelatt("Feil ved opprettelse/referering av tegning: %s\n", sti);
    if (!kart.indeksSjekket) {
        UtvidKartIndeksform(zeraGGData->kartIndeks, kategori,
                            EntitetForTabellnavn(GGSmal(geoProject_getMapTableName(p)).c_str()));
        kart.indeksSjekket = 1;
    }
    if (!kart.arbeidsfil && (mdlWorkDgn_openFile(&kart.arbeidsfil, sti, 0) != 0 || !kart.arbeidsfil)) {
        kart.arbeidsfil = 0;
        return Utelatt("Feil ved \xE5pning av fil: %s\n", sti);
    }
    return 0;
}
