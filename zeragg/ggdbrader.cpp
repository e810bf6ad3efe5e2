// The database rows of one imported element: its attribute lines to the
// columns of its feature's table (through ZERA_GG, or the name itself),
// display values to keys through the join catalogue, the map id, height
// and end nodes, and the file's HODE row and the object's GENATTR row;
// lines no column takes are kept together through andre_egenskaperid.
//
// Sections: unit of work - lines and columns - keys - made lines - the row.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "brukerdata.h"
#include "ggimport.h"
#include "gis/mdlgis.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zeraggdb_int.h"
#include "zvlibtext.h"

namespace {

constexpr int MAKS_LINJE = 255;
constexpr int MAKS_NAVN = 30;
constexpr int MAKS_VERDIER = 10;
constexpr int MAKS_ANDRE = 254;

// ---- unit of work -----------------------------------------------------------------------

bool egenTransaksjon = false;
int raderSidenCommit = 0;

void StartArbeid()
{
    // A caller's transaction already open takes the rows as they come.
    if (!egenTransaksjon && mdlhost_dbIsOpen() && mdlhost_dbBegin() == 0)
        egenTransaksjon = true;
}

} // namespace

int GGRaderFullfor(void)
{
    raderSidenCommit = 0;
    if (!egenTransaksjon)
        return 0;
    egenTransaksjon = false;
    if (mdlhost_dbCommit() != 0) {
        char feil[512];
        mdlDB_getErrorText(feil, sizeof feil);
        toolSubsystem_printf("Radene siden forrige lagring gikk tapt: %s\n", feil);
        return DB_FEIL;
    }
    return 0;
}

// ---- lines and columns ------------------------------------------------------------------

int SammenlignZeraNavnPosisjon(const void *a, const void *b)
{
    auto *x = static_cast<const ZeraGGRad *>(a);
    auto *y = static_cast<const ZeraGGRad *>(b);
    int c = std::strcmp(x->zeraNavn, y->zeraNavn);
    if (c != 0)
        return c < 0 ? -1 : 1;
    return x->posisjon < y->posisjon ? -1 : x->posisjon > y->posisjon ? 1 : 0;
}

namespace {

// The table a "table.column" row names, and whether it is tabell's.
bool RadForTabell(const ZeraGGRad &r, const char *tabell, bool &harTabell)
{
    const char *punkt = std::strchr(r.kolonne, '.');
    harTabell = punkt != nullptr;
    if (!punkt || !tabell)
        return false;
    return GGSammeNavn(std::string(r.kolonne, punkt).c_str(), tabell);
}

// The row of (navn, posisjon): among equal ones the table's own, then one
// without a table.
const ZeraGGRad *FinnZeraGG(const char *navn, int posisjon, const char *tabell)
{
    if (!zeraGGData || !zeraGGData->zeraGGRader || zeraGGData->antallZeraGGRader < 1)
        return nullptr;
    ZeraGGRad nokkel{};
    if (!zvlib::copyWhole(nokkel.zeraNavn, sizeof nokkel.zeraNavn, navn))
        return nullptr;
    nokkel.posisjon = posisjon;
    const ZeraGGRad *rader = zeraGGData->zeraGGRader;
    int n = zeraGGData->antallZeraGGRader;
    auto *treff = static_cast<const ZeraGGRad *>(
        std::bsearch(&nokkel, rader, n, sizeof(ZeraGGRad), SammenlignZeraNavnPosisjon));
    if (!treff)
        return nullptr;
    const ZeraGGRad *forst = treff, *sist = treff;
    while (forst > rader && SammenlignZeraNavnPosisjon(forst - 1, &nokkel) == 0)
        --forst;
    while (sist + 1 < rader + n && SammenlignZeraNavnPosisjon(sist + 1, &nokkel) == 0)
        ++sist;
    const ZeraGGRad *utenTabell = nullptr;
    for (const ZeraGGRad *r = forst; r <= sist; ++r) {
        bool harTabell = false;
        if (RadForTabell(*r, tabell, harTabell))
            return r;
        if (!harTabell && !utenTabell)
            utenTabell = r;
    }
    return utenTabell ? utenTabell : treff;
}

} // namespace

int KolonneForZeraNavn(char *kolonne, int *aapen, const char *zeraNavn, int posisjon, const char *tabell)
{
    // The exact position first, then a row for every position.
    const ZeraGGRad *r = FinnZeraGG(zeraNavn, posisjon, tabell);
    if (!r && posisjon != 0)
        r = FinnZeraGG(zeraNavn, 0, tabell);
    if (r) {
        zvlib::copyText(kolonne, DB_MAKS_KOLONNENAVN, r->kolonne);
        *aapen = r->aapenListe;
        return 1;
    }
    zvlib::copyText(kolonne, DB_MAKS_KOLONNENAVN, zeraNavn);
    BindestrekTilUnderstrek(kolonne);
    *aapen = 0;
    return 0;
}

int KolonneForZeraNavn(char *kolonne, int *aapen, const char *zeraNavn, int posisjon)
{
    return KolonneForZeraNavn(kolonne, aapen, zeraNavn, posisjon, nullptr);
}

int LinjeTilKolonne(const char *linje, DbKolonne *rad, int antall, const char *tabell)
{
    if (!linje || !rad)
        return 0;
    const char *p = linje;
    while (*p == '.')
        ++p;
    const char *start = p;
    while (*p && *p != '.' && *p != ' ')
        ++p;
    size_t lengde = static_cast<size_t>(p - start);
    // A longer name is no name of ours: the line stays unmatched.
    if (lengde == 0 || lengde > MAKS_NAVN)
        return 0;
    std::string navn(start, lengde);
    TilSmaaBokstaver(navn.data());
    while (*p == ' ')
        ++p;
    char skille = std::strchr(p, '"') ? '"' : ' ';
    int posisjon = 0, sist = 0;
    while (*p && posisjon < MAKS_VERDIER) {
        const char *slutt = std::strchr(p, skille);
        if (!slutt)
            slutt = p + std::strlen(p);
        std::string verdi(p, slutt);
        p = *slutt ? slutt + 1 : slutt;
        if (verdi.empty())
            continue;
        ++posisjon;
        sist = 0;
        char kolonne[DB_MAKS_KOLONNENAVN + 1];
        int aapen = 0;
        int fraGG = KolonneForZeraNavn(kolonne, &aapen, navn.c_str(), posisjon, tabell);
        std::string k = kolonne;
        if (size_t punkt = k.find('.'); fraGG && punkt != std::string::npos)
            k = GGSammeNavn(k.substr(0, punkt).c_str(), tabell) ? k.substr(punkt + 1) : std::string();
        int i = 0;
        while (i < antall && k != rad[i].navn)
            ++i;
        if (k.empty() || i == antall)
            continue;
        if (fraGG) {
            char nokkel[DB_VERDI_TEKST];
            int r = NokkelForVisningsverdi(nokkel, verdi.c_str(), tabell, k.c_str(), aapen);
            if (r < 0)
                continue;
            if (r == 1)
                verdi = nokkel;
        }
        SettKolonneVerdi(&rad[i], verdi.c_str());
        rad[i].posisjon = posisjon - 1;
        sist = 1;
    }
    return sist;
}

void LinjerTilKolonner(StringList *liste, DbKolonne *rad, int antall, const char *tabell)
{
    for (long i = 0; i < mdlStringList_size(liste); ++i) {
        const char *linje = nullptr;
        long *info = nullptr;
        if (mdlStringList_getMember(&linje, &info, liste, i) != 0)
            continue;
        if (LinjeTilKolonne(linje, rad, antall, tabell) == 1 && info)
            info[0] = 1;
    }
}

void TomRadVerdier(DbKolonne *rad, int antall)
{
    for (int i = 0; rad && i < antall; ++i) {
        if (rad[i].type == DB_TEKST)
            dlmSystem_mdlFree(rad[i].verdi.tekst);
        rad[i].verdi.raa = 0;
        rad[i].posisjon = 0;
        rad[i].harVerdi = 0;
        rad[i].erstattet = 0;
    }
}

// ---- keys -------------------------------------------------------------------------------

int SettInnJoinVerdi(char *nokkel, const char *tabell, const char *visKolonne, const char *verdi,
                     const char *nokkelKolonne)
{
    nokkel[0] = '\0';
    DbKolonne *rad = nullptr;
    int antall = 0;
    if (HentKolonneListe(&rad, &antall, tabell) != 0)
        return DB_FEIL;
    int i = 1;
    while (i < antall && std::strcmp(rad[i].navn, visKolonne) != 0)
        ++i;
    // Without the display column the row would hold nothing of the value.
    if (i >= antall) {
        FrigiRad(rad, antall);
        return DB_FEIL;
    }
    SettKolonneVerdi(&rad[i], verdi);
    int resultat = SettInnRad(tabell, rad, antall, 1);
    if (resultat == 0) {
        long mslink = rad[0].verdi.lang;
        if (!nokkelKolonne || std::strcmp(nokkelKolonne, "mslink") == 0) {
            std::snprintf(nokkel, DB_VERDI_TEKST, "%ld", mslink);
        } else if (std::strcmp(nokkelKolonne, visKolonne) == 0) {
            zvlib::copyText(nokkel, DB_VERDI_TEKST, verdi);
        } else {
            // Another key column: what the new row holds there, if anything.
            char svar[MDLDB_VALUE_SIZE];
            std::string sql = "select " + SqlNavn(nokkelKolonne) + " from " + SqlNavn(tabell) +
                              " where mslink = " + std::to_string(mslink);
            if (mdlDB_sqlQuery(svar, sql.c_str()) == 0 && svar[0])
                zvlib::copyText(nokkel, DB_VERDI_TEKST, svar);
            else
                resultat = DB_FEIL;
        }
    }
    FrigiRad(rad, antall);
    return resultat;
}

int NokkelForVisningsverdi(char *nokkel, const char *verdi, const char *tabell, const char *kolonne, int aapen)
{
    nokkel[0] = '\0';
    char tabell1[DB_MAKS_TABELLNAVN + 1], indeks1[DB_MAKS_TABELLNAVN + 1], verdi1[DB_MAKS_TABELLNAVN + 1];
    if (!FinnJoinDefinisjon(tabell, kolonne, tabell1, indeks1, verdi1))
        return 0;
    if (SlaaOppBufretVerdi(nokkel, indeks1, tabell1, verdi1, verdi) == 0 && nokkel[0])
        return 1;
    // The value as a quoted text: it never becomes part of the statement.
    char svar[MDLDB_VALUE_SIZE];
    std::string sql = "SELECT " + SqlNavn(indeks1) + " FROM " + SqlNavn(tabell1) + " WHERE " + SqlNavn(verdi1) + "=" +
                      SqlTekst(verdi);
    if (mdlDB_sqlQuery(svar, sql.c_str()) == 0 && svar[0]) {
        zvlib::copyText(nokkel, DB_VERDI_TEKST, svar);
        return 1;
    }
    if (!aapen)
        return -1;
    return SettInnJoinVerdi(nokkel, tabell1, verdi1, verdi, indeks1) == 0 ? 1 : -1;
}

// ---- made lines -------------------------------------------------------------------------

namespace {

// One line of at most 255 characters to the row's columns.
__attribute__((format(printf, 4, 5))) void Linje(DbKolonne *rad, int antall, const char *tabell, const char *format,
                                                 ...)
{
    char linje[MAKS_LINJE + 1];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(linje, sizeof linje, format, ap);
    va_end(ap);
    LinjeTilKolonne(linje, rad, antall, tabell);
}

// The texts of an array up to the first empty one, each after a blank.
std::string Tekster(const char *tekster, size_t bredde, int antall)
{
    std::string s;
    for (int i = 0; i < antall; ++i) {
        const char *t = tekster + i * bredde;
        size_t n = strnlen(t, bredde);
        if (n == 0)
            break;
        if (!s.empty())
            s += ' ';
        s.append(t, n);
    }
    return s;
}

} // namespace

void HodeLinjerTilRad(DbKolonne *rad, int antall, const char *tabell)
{
    if (!brukerDataP)
        return;
    const SheadStruct &h = brukerDataP->hode;
    if (h.koordsys > 0) {
        Linje(rad, antall, tabell, "KOORDSYS %d", h.koordsys);
    } else if (h.transsysCode > 0) {
        const double *t = h.transsysParams;
        Linje(rad, antall, tabell, "TRANSSYS %d %f %f %f %f %f %f", h.transsysCode, t[0], t[1], t[2], t[3], t[4],
              t[5]);
    } else if (h.geosysDatum > 0) {
        // A zone without a projection keeps its place: the projection as 0.
        if (h.geosysZone > 0)
            Linje(rad, antall, tabell, "GEOSYS %d %d %d", h.geosysDatum, h.geosysProjection > 0 ? h.geosysProjection : 0,
                  h.geosysZone);
        else if (h.geosysProjection > 0)
            Linje(rad, antall, tabell, "GEOSYS %d %d", h.geosysDatum, h.geosysProjection);
        else
            Linje(rad, antall, tabell, "GEOSYS %d", h.geosysDatum);
    }
    if (h.geokoord > 0)
        Linje(rad, antall, tabell, "GEOKOORD %d", h.geokoord);
    if (h.origoN != 0 || h.origoE != 0)
        Linje(rad, antall, tabell, "ORIGO-N\xD8 %.0f %.0f", h.origoN, h.origoE);
    if (h.enhet > 0)
        Linje(rad, antall, tabell, "ENHET %f", h.enhet);
    if (h.enhetH > 0)
        Linje(rad, antall, tabell, "ENHET-H %f", h.enhetH);
    if (std::string v = Tekster(&h.vertDatum[0][0], sizeof h.vertDatum[0], 4); !v.empty())
        Linje(rad, antall, tabell, "VERT-DATUM %s", v.c_str());
    if (h.minN != 0 || h.minE != 0)
        Linje(rad, antall, tabell, "MIN-N\xD8 %.0f %.0f", h.minN, h.minE);
    if (h.maxN != 0 || h.maxE != 0)
        Linje(rad, antall, tabell, "MAX-N\xD8 %.0f %.0f", h.maxN, h.maxE);
    if (h.kartid[0])
        Linje(rad, antall, tabell, "KARTID %.*s", static_cast<int>(sizeof h.kartid), h.kartid);
    if (h.produsent[0])
        Linje(rad, antall, tabell, "PRODUSENT \"%.*s\"", static_cast<int>(sizeof h.produsent), h.produsent);
    if (h.eier[0])
        Linje(rad, antall, tabell, "EIER \"%.*s\"", static_cast<int>(sizeof h.eier), h.eier);
    if (h.tegnsett[0])
        Linje(rad, antall, tabell, "TEGNSETT %.*s", static_cast<int>(sizeof h.tegnsett), h.tegnsett);
    if (h.zeraVersjon > 0)
        Linje(rad, antall, tabell, ZeraVersjonHarToDesimaler(h.zeraVersjon) ? "ZERA-VERSJON %.2f" : "ZERA-VERSJON %.1f",
              h.zeraVersjon);
    if (h.zeraNivaa > 0)
        Linje(rad, antall, tabell, "ZERA-NIV\xC5 %d", h.zeraNivaa);
    if (std::string f = Tekster(&h.fkbdata[0][0], sizeof h.fkbdata[0], SHEAD_FKB_COUNT); !f.empty())
        Linje(rad, antall, tabell, "FKB-DATA %s", f.c_str());
}

void HoydeLinjeTilRad(DbKolonne *rad, int antall, const char *tabell)
{
    if (Elm.sameHeight && Elm.hoyde > 0)
        Linje(rad, antall, tabell, "H\xD8YDE %f", Elm.hoyde);
}

void KpLinjerTilRad(DbKolonne *rad, int antall, const char *tabell)
{
    if (!zeraGGData)
        return;
    if (!brukerDataP || brukerDataP->ggKpInfo == 0) {
        // An element without points has no end nodes.
        int n = Elm.pointCount;
        zeraGGData->forsteKp = n > 0 ? Elm.kp[0] : 0;
        zeraGGData->sisteKp = n > 0 && n <= ZERA_MAX_POINTS ? Elm.kp[n - 1] : 0;
    }
    if (zeraGGData->forsteKp > 0)
        Linje(rad, antall, tabell, "KP1 %d", zeraGGData->forsteKp);
    if (zeraGGData->sisteKp > 0)
        Linje(rad, antall, tabell, "KP2 %d", zeraGGData->sisteKp);
}

void GenAttrLinjerTilRad(DbKolonne *rad, int antall, const char *tabell)
{
    HoydeLinjeTilRad(rad, antall, tabell);
    if (Elm.enhet > 0)
        Linje(rad, antall, tabell, "ENHET %f", Elm.enhet);
    if (Elm.hob > 0)
        Linje(rad, antall, tabell, "HOB %f", Elm.hob);
    if (Elm.medium[0])
        Linje(rad, antall, tabell, "MEDIUM %.*s", static_cast<int>(sizeof Elm.medium), Elm.medium);
    if (Elm.komm > 0)
        Linje(rad, antall, tabell, "KOMM %d", Elm.komm);
    if (Elm.href[0])
        Linje(rad, antall, tabell, "HREF %.*s", static_cast<int>(sizeof Elm.href), Elm.href);
    if (Elm.status[0])
        Linje(rad, antall, tabell, "STATUS %.*s", static_cast<int>(sizeof Elm.status), Elm.status);
    if (Elm.dim[0] > 0) {
        if (Elm.dim[1] > 0)
            Linje(rad, antall, tabell, "DIM %f %f", Elm.dim[0], Elm.dim[1]);
        else
            Linje(rad, antall, tabell, "DIM %f", Elm.dim[0]);
    }
    if (Elm.dato > 0)
        Linje(rad, antall, tabell, "DATO %ld", static_cast<long>(Elm.dato));
    // Every place up to the last one given; "*" keeps a place unknown.
    int sist = -1;
    for (int i = 0; i < ZERA_KVALITET_COUNT; ++i)
        if (Elm.kvalitet[i] > 0)
            sist = i;
    if (sist >= 0) {
        std::string k = "KVALITET";
        for (int i = 0; i <= sist; ++i)
            k += Elm.kvalitet[i] > 0 ? " " + std::to_string(Elm.kvalitet[i]) : std::string(" *");
        Linje(rad, antall, tabell, "%s", k.c_str());
    }
}

void AndreEgenskaperTilRad(StringList *liste, DbKolonne *rad, int antall, const char *tabell)
{
    int i = 0;
    while (i < antall && std::strcmp(rad[i].navn, "andre_egenskaperid") != 0)
        ++i;
    if (i == antall)
        return;
    std::string tekst;
    int telt = 0;
    for (long m = 0; m < mdlStringList_size(liste); ++m) {
        const char *linje = nullptr;
        long *info = nullptr;
        if (mdlStringList_getMember(&linje, &info, liste, m) != 0 || !linje || (info && info[0]))
            continue;
        const char *l = linje;
        for (int d = 0; d < 2 && *l == '.'; ++d)
            ++l;
        int lengde = static_cast<int>(std::strlen(l));
        if (lengde + telt > MAKS_ANDRE) {
            toolSubsystem_printf("For mange ukjente egenskaper for element %d. Max. %d tegn kan lagres.\n",
                                 static_cast<int>(Elm.serial), MAKS_ANDRE + 1);
            break;
        }
        if (!tekst.empty())
            tekst += '\n';
        tekst += l;
        telt += lengde + 1;
    }
    if (tekst.empty())
        return;
    char nokkel[DB_VERDI_TEKST];
    if (NokkelForVisningsverdi(nokkel, tekst.c_str(), tabell, "andre_egenskaperid", 1) > 0)
        SettKolonneVerdi(&rad[i], nokkel);
}

// ---- the row ----------------------------------------------------------------------------

namespace {

StringList *LinjeListe()
{
    if (Elm.restLen <= 0)
        return nullptr;
    StringList *liste = mdlStringList_create(0, 1);
    if (!liste)
        return nullptr;
    size_t lengde = strnlen(Elm.rest, std::min<size_t>(sizeof Elm.rest, static_cast<size_t>(Elm.restLen)));
    std::string rest(Elm.rest, lengde);
    size_t fra = 0;
    while (fra <= rest.size()) {
        size_t til = rest.find('\n', fra);
        if (til == std::string::npos)
            til = rest.size();
        std::string linje = rest.substr(fra, std::min<size_t>(til - fra, MAKS_LINJE));
        while (!linje.empty() && (linje.back() == ' ' || linje.back() == '\r'))
            linje.pop_back();
        if (!linje.empty()) {
            long ny = 0, info[1] = {0};
            if (mdlStringList_insertMember(&ny, liste, -1, 1) == 0)
                mdlStringList_setMember(liste, ny, linje.c_str(), info);
        }
        fra = til + 1;
    }
    return liste;
}

} // namespace

int LagreGGDatabaseRader(MSElement *element, const char *tabell, int gjenbruk)
{
    if (!zeraGGData || !tabell)
        return DB_FEIL;
    DbKolonne *rad = nullptr;
    int antall = 0;
    if (HentKolonneListe(&rad, &antall, tabell) != 0)
        return DB_FEIL;
    StartArbeid();
    if (zeraGGData->hodeId == 0)
        TomRadVerdier(zeraGGData->hodeKolonner, zeraGGData->antallHodeKolonner);
    TomRadVerdier(zeraGGData->genAttrKolonner, zeraGGData->antallGenAttrKolonner);
    StringList *liste = LinjeListe();
    if (liste)
        LinjerTilKolonner(liste, rad, antall, tabell);
    HoydeLinjeTilRad(rad, antall, tabell);
    KpLinjerTilRad(rad, antall, tabell);
    for (int i = 0; i < antall; ++i) {
        DbKolonne &k = rad[i];
        if (std::strcmp(k.navn, "mapid") == 0) {
            if (zeraGGData->kartIndeks >= 0)
                SettKolonneVerdi(&k, std::to_string(zeraGGData->kartIndeks + 1).c_str());
        } else if (std::strcmp(k.navn, "hodeid") == 0) {
            if (zeraGGData->hodeId < 1 && zeraGGData->hodeKolonner) {
                DbKolonne *h = zeraGGData->hodeKolonner;
                int n = zeraGGData->antallHodeKolonner;
                HodeLinjerTilRad(h, n, "HODE");
                if (liste)
                    LinjerTilKolonner(liste, h, n, "HODE");
                long mslink = FinnEllerSettInnRad(h, n, "HODE");
                zeraGGData->hodeId = static_cast<int32_t>(mslink);
                if (mslink != 0) {
                    SettKolonneVerdi(&k, std::to_string(mslink).c_str());
                    if (SettHodeIdIImportPost)
                        SettHodeIdIImportPost();
                }
            } else if (zeraGGData->hodeId >= 1) {
                SettKolonneVerdi(&k, std::to_string(zeraGGData->hodeId).c_str());
            }
        } else if (std::strcmp(k.navn, "attribid") == 0 && zeraGGData->genAttrKolonner) {
            DbKolonne *g = zeraGGData->genAttrKolonner;
            int n = zeraGGData->antallGenAttrKolonner;
            GenAttrLinjerTilRad(g, n, "GENATTR");
            if (liste) {
                LinjerTilKolonner(liste, g, n, "GENATTR");
                AndreEgenskaperTilRad(liste, g, n, "GENATTR");
            }
            if (long mslink = FinnEllerSettInnRad(g, n, "GENATTR"); mslink != 0)
                SettKolonneVerdi(&k, std::to_string(mslink).c_str());
        }
    }
    int resultat = LagreRadOgLink(element, tabell, rad, antall, gjenbruk);
    if (liste)
        mdlStringList_destroy(liste);
    FrigiRad(rad, antall);
    if (++raderSidenCommit >= GG_RADER_PER_COMMIT)
        GGRaderFullfor();
    return resultat;
}
