// Database rows back into ZERA attribute lines: each column becomes a ZERA
// name and value through ZERA_GG, key columns show the joined value, the
// values of one name share a line in position order, missing KVALITET
// positions are filled, and every line goes to the linking application.
//
//   names        ZERA name of a column, joined display values
//   pairs        the pair list, its order and the KVALITET fill
//   lines        one row, one linked row, an element's rows
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gis/mdlgis.h"
#include "sys/mdlsys.h"
#include "zeraggdb.h"
#include "zeraggdb_int.h"


namespace {

DbRadCallback radCallback = nullptr;
// How deep linked rows are followed: a HODE or GENATTR row that refers to
// itself (or a cycle) must end.
int dybde = 0;
constexpr int kMaksDybde = 2;
constexpr size_t kMaksLinje = 255;

} // namespace

void dbSql_setRowCallback(DbRadCallback callback) { radCallback = callback; }

// --- names ------------------------------------------------------------------------------

// A value of any type as a whole number for a key look-up.
static bool SomHeltall(const DbKolonne *post, const DbVerdi *verdi, long &tall)
{
    int64_t v = 0;
    double d = 0;
    if (post->type == DB_LANG)
        tall = verdi->lang;
    else if (post->type == DB_DOBBEL)
        tall = static_cast<long>(verdi->dobbel);
    else if (post->type == DB_TEKST && verdi->tekst && GGHeltall(verdi->tekst, v))
        tall = static_cast<long>(v);
    else if (post->type == DB_TEKST && verdi->tekst && GGDesimal(verdi->tekst, d))
        tall = static_cast<long>(d);
    else
        return false;
    return true;
}

// Replaces the value (and the record's type) by a copy of ny of type.
static void ByttVerdi(DbKolonne *post, DbVerdi *verdi, const DbVerdi *ny, int type)
{
    if (post->type == DB_TEKST)
        dlmSystem_mdlFree(verdi->tekst);
    verdi->raa = 0;
    if (ny)
        KopierVerdi(verdi, ny, type);
    post->type = static_cast<uint16_t>(type);
}

int HentJoinVerdi(const char *tabell, const char *nokkelKolonne, const char *visKolonne, DbKolonne *post,
                  DbVerdi *verdi)
{
    long nokkel = 0;
    if (!SomHeltall(post, verdi, nokkel))
        return DB_FEIL;
    DbTabell *t = FinnBufretTabell(tabell);
    int n = 0, v = 0;
    if (t && FinnKolonneIndeks(&n, t, nokkelKolonne) && FinnKolonneIndeks(&v, t, visKolonne) && t->celler) {
        int nt = t->kolonner[n].type;
        for (int r = 0; r < t->antallRader; ++r) {
            const DbVerdi *c = t->celler[n][r];
            long k = 0;
            DbKolonne hode{};
            hode.type = static_cast<uint16_t>(nt);
            if (!c || !SomHeltall(&hode, c, k) || k != nokkel)
                continue;
            ByttVerdi(post, verdi, t->celler[v][r], t->kolonner[v].type);
            return 0;
        }
    }
    if (!mdlhost_dbIsIdentifier(tabell) || !mdlhost_dbIsIdentifier(nokkelKolonne) ||
        !mdlhost_dbIsIdentifier(visKolonne))
        return DB_FEIL;
    std::string sql = std::string("select ") + visKolonne + " from " + tabell + " where " + nokkelKolonne + " = " +
                      std::to_string(nokkel);
    char svar[MDLDB_VALUE_SIZE];
    if (mdlDB_sqlQuery(svar, sql.c_str()) != 0)
        return DB_FEIL;
    int type = -1;
    if (t && FinnKolonneIndeks(&v, t, visKolonne)) {
        type = t->kolonner[v].type;
    } else if (!t) {
        MS_SQLDA d{};
        if (mdlDB_describeTable(tabell, &d) == 0)
            for (int k = 0; k < d.numColumns; ++k) {
                std::string navn = d.columns[k].name;
                TilSmaaBokstaver(navn.data());
                if (navn == visKolonne) {
                    type = d.columns[k].type;
                    break;
                }
            }
        mdlDB_freeSQLDADescriptor(&d);
    }
    if (type < 0)
        return DB_FEIL;
    DbVerdi ny{};
    VerdiFraTekst(&ny, svar, type);
    ByttVerdi(post, verdi, &ny, type);
    if (type == DB_TEKST)
        dlmSystem_mdlFree(ny.tekst);
    return 0;
}

void ZeraNavnForKolonne(char *zeraNavn, int *posisjon, const char *tabell, const char *kolonne, DbKolonne *post,
                        DbVerdi *verdi)
{
    *posisjon = 0;
    std::string medTabell = std::string(tabell) + "." + kolonne;
    TilSmaaBokstaver(medTabell.data());
    for (int i = 0; zeraGGData && i < zeraGGData->antallZeraGGRader; ++i) {
        const ZeraGGRad &r = zeraGGData->zeraGGRader[i];
        const std::string &nokkel = std::strchr(r.kolonne, '.') ? medTabell : std::string(kolonne);
        if (nokkel != r.kolonne)
            continue;
        zvlib::copyText(zeraNavn, 32, r.zeraNavn);
        TilStoreBokstaver(zeraNavn);
        *posisjon = r.posisjon;
        char t1[DB_MAKS_TABELLNAVN + 1], i1[DB_MAKS_TABELLNAVN + 1], v1[DB_MAKS_TABELLNAVN + 1];
        if (FinnJoinDefinisjon(tabell, kolonne, t1, i1, v1))
            HentJoinVerdi(t1, i1, v1, post, verdi);
        return;
    }
    // A long column name is cut to a ZERA name's 31 characters.
    zvlib::copyText(zeraNavn, 32, kolonne);
    TilStoreBokstaver(zeraNavn);
    UnderstrekTilBindestrek(zeraNavn);
}

// --- pairs -------------------------------------------------------------------------------

int SammenlignEgenskaper(const char *navnA, const long *infoA, const char *navnB, const long *infoB)
{
    bool stjerneA = std::strcmp(navnA, "*") == 0, stjerneB = std::strcmp(navnB, "*") == 0;
    if (stjerneA != stjerneB)
        return stjerneA ? 1 : -1;
    int c = std::strcmp(navnA, navnB);
    if (c != 0)
        return c < 0 ? -1 : 1;
    long a = infoA ? infoA[0] : 0, b = infoB ? infoB[0] : 0;
    return a < b ? -1 : a > b ? 1 : 0;
}

namespace {

struct Par {
    std::string navn;
    long posisjon;
    std::string verdi;
};

std::vector<Par> LesPar(StringList *liste)
{
    std::vector<Par> par;
    long n = mdlStringList_size(liste);
    for (long i = 0; i + 1 < n; i += 2) {
        const char *navn = nullptr, *verdi = nullptr;
        long *info = nullptr;
        mdlStringList_getMember(&navn, &info, liste, i);
        mdlStringList_getMember(&verdi, nullptr, liste, i + 1);
        par.push_back({navn ? navn : "", info ? info[0] : 0, verdi ? verdi : ""});
    }
    return par;
}

bool LeggTilPar(StringList *liste, long foran, const std::string &navn, long posisjon, const std::string &verdi)
{
    long forste = 0;
    if (mdlStringList_insertMember(&forste, liste, foran, 2) != 0)
        return false;
    long info[1] = {posisjon};
    mdlStringList_setMember(liste, forste, navn.c_str(), info);
    mdlStringList_setMember(liste, forste + 1, verdi.c_str(), nullptr);
    return true;
}

} // namespace

void UtvidKvalitet(StringList *par)
{
    long sist = 0;
    for (long i = 0; i + 1 < mdlStringList_size(par); i += 2) {
        const char *navn = nullptr;
        long *info = nullptr;
        mdlStringList_getMember(&navn, &info, par, i);
        if (!navn || std::strcmp(navn, "KVALITET") != 0)
            continue;
        long p = info ? info[0] : 0;
        while (sist + 1 < p) {
            // A list that takes no more members ends the fill.
            if (!LeggTilPar(par, i, "KVALITET", sist + 1, "*"))
                return;
            i += 2;
            ++sist;
        }
        sist = p;
    }
}

// --- lines --------------------------------------------------------------------------------

static void LeverLinje(const std::string &linje, int hodeModus)
{
    if (linje.empty())
        return;
    if (hodeModus)
        LesHodeFraDatabase(linje.c_str());
    else
        LesGenAttrFraDatabase(linje.c_str());
}

static bool HarVerdi(const DbKolonne &k)
{
    switch (k.type) {
    case DB_LANG:
        return k.verdi.lang != 0;
    case DB_DOBBEL:
        return k.verdi.dobbel != 0.0;
    case DB_TEKST:
        return k.verdi.tekst && *k.verdi.tekst;
    default:
        return false;
    }
}

void SkrivRadSomEgenskaper(DbKolonne *rad, int antall, const char *tabell, int hodeModus)
{
    StringList *liste = mdlStringList_create(0, 1);
    if (!liste)
        return;
    for (int k = 0; k < antall; ++k) {
        DbKolonne &kol = rad[k];
        if (!HarVerdi(kol) || std::strcmp(kol.navn, "mapid") == 0)
            continue;
        if (std::strcmp(kol.navn, "hodeid") == 0) {
            if (hodeModus && !GGSammeNavn(tabell, "HODE"))
                SkrivDbEgenskaper("HODE", kol.verdi.lang, 1);
            continue;
        }
        if (std::strcmp(kol.navn, "attribid") == 0) {
            if (!GGSammeNavn(tabell, "GENATTR"))
                SkrivDbEgenskaper("GENATTR", kol.verdi.lang, 0);
            continue;
        }
        char navn[32];
        int posisjon = 0;
        ZeraNavnForKolonne(navn, &posisjon, tabell, kol.navn, &kol, &kol.verdi);
        if (k == 0 && std::strcmp(navn, "MSLINK") == 0)
            continue;
        char tekst[DB_VERDI_TEKST];
        VerdiTilTekst(tekst, &kol.verdi, kol.type);
        std::string verdi = tekst;
        if (std::strcmp(navn, "*") != 0 && verdi.find(' ') != std::string::npos)
            verdi = "\"" + verdi + "\"";
        if (!LeggTilPar(liste, -1, navn, posisjon, verdi))
            break;
    }
    // Sort by name and position, "*" last.
    std::vector<Par> par = LesPar(liste);
    std::stable_sort(par.begin(), par.end(), [](const Par &a, const Par &b) {
        return SammenlignEgenskaper(a.navn.c_str(), &a.posisjon, b.navn.c_str(), &b.posisjon) < 0;
    });
    for (size_t i = 0; i < par.size(); ++i) {
        long info[1] = {par[i].posisjon};
        mdlStringList_setMember(liste, static_cast<long>(2 * i), par[i].navn.c_str(), info);
        mdlStringList_setMember(liste, static_cast<long>(2 * i + 1), par[i].verdi.c_str(), nullptr);
    }
    if (radCallback)
        radCallback(liste, tabell);
    UtvidKvalitet(liste);
    std::string linje, linjeNavn;
    for (const Par &p : LesPar(liste)) {
        // Values of one name share its line; every "*" value is a line.
        if (!linje.empty() && p.navn != "*" && p.navn == linjeNavn) {
            linje += " " + p.verdi;
        } else {
            LeverLinje(linje.substr(0, kMaksLinje), hodeModus);
            linje = p.navn == "*" ? p.verdi : p.navn + " " + p.verdi;
            linjeNavn = p.navn;
        }
    }
    LeverLinje(linje.substr(0, kMaksLinje), hodeModus);
    mdlStringList_destroy(liste);
}

int SkrivDbEgenskaper(const char *tabell, long mslink, int hodeModus)
{
    if (dybde >= kMaksDybde + 1)
        return DB_FEIL;
    DbKolonne *rad = nullptr;
    int antall = 0;
    if (LesRadForMslink(&rad, &antall, tabell, mslink) != 0)
        return DB_FEIL;
    ++dybde;
    SkrivRadSomEgenskaper(rad, antall, tabell, hodeModus);
    --dybde;
    FrigiRad(rad, antall);
    return 0;
}

int ErFeatureTabell(char *tabell)
{
    TilSmaaBokstaver(tabell);
    const char16_t *w = geoProject_getFeatureTableName(geoProject_getActive());
    if (!w)
        return 0;
    std::string f = GGSmal(w);
    TilSmaaBokstaver(f.data());
    return f == tabell;
}

int HentGGAttributtDataFraDbLink(const DatabaseLink *linker, int antall, int hodeModus, long *featureMslink,
                                 long *forsteMslink)
{
    int skrevet = 0;
    bool feature = false;
    for (int i = 0; linker && i < antall; ++i) {
        char tabell[MDLDB_NAME_SIZE];
        zvlib::copyText(tabell, linker[i].tableName);
        if (ErFeatureTabell(tabell)) {
            if (!feature && featureMslink)
                *featureMslink = linker[i].mslink;
            feature = true;
            continue;
        }
        if (SkrivDbEgenskaper(tabell, linker[i].mslink, hodeModus) == 0) {
            if (skrevet == 0 && forsteMslink)
                *forsteMslink = linker[i].mslink;
            ++skrevet;
        }
    }
    return skrevet;
}

int HentGGAttributtDataFraElement(const MSElement *element, int hodeModus, long *featureMslink,
                                  long *forsteMslink)
{
    DatabaseLink *linker = nullptr;
    int antall = 0;
    if (mdlDB_extractLinkages(&linker, &antall, element) != 0 || antall == 0) {
        dlmSystem_mdlFree(linker);
        return 0;
    }
    int skrevet = HentGGAttributtDataFraDbLink(linker, antall, hodeModus, featureMslink, forsteMslink);
    dlmSystem_mdlFree(linker);
    return skrevet;
}
