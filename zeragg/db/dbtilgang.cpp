// Database access of the GIS build: typed values and rows, the cache of
// every catalogued table, and the SELECT, INSERT and UPDATE statements
// built from rows.  Every value in a statement is a value: texts quoted
// with their quotes doubled, numbers without the locale, names quoted when
// they are not plain.
//
//   helpers      numbers, bounded copies, wide texts
//   memory       allocation with the error report
//   strings      case and hyphens
//   values       DbVerdi
//   statements   names and values as SQL text
//   rows         column lists
//   cache        building, finding, keeping in step
//   look-up      mslink of a row
//   insert       and update, find-or-insert, store-and-link, read by mslink
//   names        entities, id columns, joins
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dgn/mdlelem.h"
#include "dlg/mdldlg.h"
#include "gis/mdlgis.h"
#include "sys/mdlsys.h"
#include "zeraggdb.h"
#include "zeraggdb_int.h"
#include "zvlibmain.h"
#include "zvlibmem.h"
#include "zvlibutil.h"


// --- helpers ---------------------------------------------------------------------------

static std::string_view Trimmet(const char *tekst)
{
    std::string_view s = tekst ? tekst : "";
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool GGHeltall(const char *tekst, int64_t &tall)
{
    std::string_view s = Trimmet(tekst);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    int64_t v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size())
        return false;
    tall = v;
    return true;
}

bool GGDesimal(const char *tekst, double &tall)
{
    std::string_view s = Trimmet(tekst);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v))
        return false;
    tall = v;
    return true;
}

std::string GGSmal(const char16_t *tekst)
{
    const char *s = tekst ? zvlibUtil_convertToMultibyteText(tekst) : nullptr;
    return s ? s : "";
}

bool GGSammeNavn(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b)
        if (zvlib::lowerAscii(*a) != zvlib::lowerAscii(*b))
            return false;
    return *a == *b;
}

// --- memory --------------------------------------------------------------------------

void *GGAlloker(size_t storrelse) { return zvlibMem_mallocRscErrorPrintf(storrelse, 20005, 14); }

static void *GGUtvid(void *blokk, size_t gammel, size_t ny)
{
    return zvlibMem_reallocRscErrorPrintf(blokk, gammel, ny, 20005, 14);
}

char *GGKopi(const char *tekst)
{
    size_t n = std::strlen(tekst);
    char *p = static_cast<char *>(GGAlloker(n + 1));
    if (p)
        std::memcpy(p, tekst, n + 1);
    return p;
}

// --- strings -------------------------------------------------------------------------
// ASCII letters only, as the C locale classifies them: "H\xD8YDE" lower-cases
// to "h\xD8yde", the same in every module and in ZERA_GG.

char *TilStoreBokstaver(char *tekst)
{
    for (char *p = tekst; p && *p; ++p)
        *p = zvlib::upperAscii(*p);
    return tekst;
}

char *TilSmaaBokstaver(char *tekst)
{
    for (char *p = tekst; p && *p; ++p)
        *p = zvlib::lowerAscii(*p);
    return tekst;
}

char *UnderstrekTilBindestrek(char *tekst)
{
    for (char *p = tekst; p && *p; ++p)
        if (*p == '_')
            *p = '-';
    return tekst;
}

char *BindestrekTilUnderstrek(char *tekst)
{
    for (char *p = tekst; p && *p; ++p)
        if (*p == '-')
            *p = '_';
    return tekst;
}

// --- values ----------------------------------------------------------------------------

void SettTekstVerdi(DbVerdi *verdi, const char *tekst)
{
    if (!verdi)
        return;
    dlmSystem_mdlFree(verdi->tekst);
    verdi->raa = 0;
    if (tekst)
        verdi->tekst = GGKopi(tekst);
}

void KopierVerdi(DbVerdi *til, const DbVerdi *fra, int type)
{
    if (!til || !fra)
        return;
    if (type == DB_DOBBEL)
        til->dobbel = fra->dobbel;
    else if (type == DB_LANG)
        til->lang = fra->lang;
    else
        SettTekstVerdi(til, fra->tekst);
}

void VerdiFraTekst(DbVerdi *verdi, const char *tekst, int type)
{
    if (!verdi)
        return;
    int64_t l = 0;
    double d = 0;
    switch (type) {
    case DB_TEKST:
        SettTekstVerdi(verdi, tekst);
        return;
    case DB_DOBBEL:
        verdi->raa = 0;
        if (tekst && GGDesimal(tekst, d))
            verdi->dobbel = d;
        return;
    case DB_LANG:
        verdi->raa = 0;
        // A whole number in 32 bits; a stored double keeps its whole part.
        if (tekst && GGHeltall(tekst, l) && l >= INT32_MIN && l <= INT32_MAX)
            verdi->lang = static_cast<int32_t>(l);
        else if (tekst && GGDesimal(tekst, d) && d >= INT32_MIN && d <= INT32_MAX)
            verdi->lang = static_cast<int32_t>(d);
        return;
    default:
        verdi->raa = 0;
    }
}

void VerdiTilTekst(char *buffer, const DbVerdi *verdi, int type)
{
    buffer[0] = '\0';
    if (!verdi)
        return;
    if (type == DB_TEKST) {
        if (verdi->tekst)
            zvlib::copyText(buffer, DB_VERDI_TEKST, verdi->tekst);
    } else if (type == DB_DOBBEL) {
        // %f of a huge value would not fit: cut, never overrun.
        std::snprintf(buffer, DB_VERDI_TEKST, "%f", verdi->dobbel);
    } else if (type == DB_LANG) {
        std::snprintf(buffer, DB_VERDI_TEKST, "%ld", static_cast<long>(verdi->lang));
    }
}

int LikeVerdier(const DbVerdi *a, const DbVerdi *b, int type)
{
    static const DbVerdi null{};
    if (!a && !b)
        return 1;
    if (!a)
        a = &null;
    if (!b)
        b = &null;
    if (type == DB_DOBBEL)
        return a->dobbel == b->dobbel;
    if (type == DB_LANG)
        return a->lang == b->lang;
    if (type != DB_TEKST)
        return 1;
    const char *x = a->tekst ? a->tekst : "";
    const char *y = b->tekst ? b->tekst : "";
    return std::strcmp(x, y) == 0;
}

// --- statements ------------------------------------------------------------------------

static bool ErKjentType(int type) { return type == DB_TEKST || type == DB_DOBBEL || type == DB_LANG; }

// A name as it may stand in a statement: plain names as they are (unquoted,
// so PostgreSQL folds them as the tables were made), others quoted.
std::string SqlNavn(const char *navn)
{
    static const char *const reservert[] = {
        "all", "analyse", "analyze", "and", "any", "array", "as", "asc", "asymmetric", "both", "case", "cast",
        "check", "collate", "column", "constraint", "create", "current_date", "current_role", "current_time",
        "current_timestamp", "current_user", "default", "deferrable", "desc", "distinct", "do", "else", "end",
        "except", "false", "fetch", "for", "foreign", "from", "grant", "group", "having", "in", "initially",
        "intersect", "into", "lateral", "leading", "limit", "localtime", "localtimestamp", "not", "null", "offset",
        "on", "only", "or", "order", "placing", "primary", "references", "returning", "select", "session_user",
        "some", "symmetric", "table", "then", "to", "trailing", "true", "union", "unique", "user", "using",
        "variadic", "when", "where", "window", "with"};
    bool vanlig = mdlhost_dbIsIdentifier(navn);
    for (const char *r : reservert)
        if (vanlig && GGSammeNavn(navn, r))
            vanlig = false;
    if (vanlig)
        return navn;
    std::string s = "\"";
    for (const char *p = navn; *p; ++p) {
        if (*p == '"')
            s += '"';
        s += *p;
    }
    return s + "\"";
}

// A text value between single quotes, its own quotes doubled.
std::string SqlTekst(const char *tekst)
{
    if (!tekst)
        return "NULL";
    std::string s = "'";
    for (const char *p = tekst; *p; ++p) {
        if (*p == '\'')
            s += '\'';
        s += *p;
    }
    return s + "'";
}

// Doubles in statements read back to the same value, without the locale.
std::string SqlDobbel(double d)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, r.ptr);
}

std::string SqlLike(const char *jokerForan, const char *tekst)
{
    std::string s = "'";
    s += jokerForan ? jokerForan : "";
    for (const char *p = tekst ? tekst : ""; *p; ++p) {
        if (*p == '%' || *p == '_' || *p == '!')
            s += '!';
        if (*p == '\'')
            s += '\'';
        s += *p;
    }
    return s + "' ESCAPE '!'";
}

// The length a text of a column is stored with: cut to the described
// width, as both back ends then store it (PostgreSQL would refuse the row).
static size_t LagretLengde(const DbKolonne &k, const char *tekst)
{
    size_t n = std::strlen(tekst);
    return k.bredde > 0 && n > static_cast<size_t>(k.bredde) ? static_cast<size_t>(k.bredde) : n;
}

// The value of a column as SQL text; "NULL" for no value (a text column
// without a text included).
static std::string SqlVerdi(const DbKolonne &k)
{
    if (!k.harVerdi || (k.type == DB_TEKST && !k.verdi.tekst))
        return "NULL";
    if (k.type == DB_TEKST)
        return SqlTekst(std::string(k.verdi.tekst, LagretLengde(k, k.verdi.tekst)).c_str());
    if (k.type == DB_DOBBEL)
        return SqlDobbel(k.verdi.dobbel);
    return std::to_string(static_cast<long>(k.verdi.lang));
}

// Statements of exactly 128 characters get one blank.
static void Utfyll128(std::string &s)
{
    if (s.size() == 128)
        s += ' ';
}

// --- rows --------------------------------------------------------------------------------

static DbKolonne *NyRad(int antall)
{
    return static_cast<DbKolonne *>(GGAlloker(static_cast<size_t>(std::max(antall, 1)) * sizeof(DbKolonne)));
}

int HentKolonneListe(DbKolonne **rad, int *antall, const char *tabell)
{
    *rad = nullptr;
    *antall = 0;
    if (DbTabell *t = FinnBufretTabell(tabell); t && t->antallKolonner > 0) {
        DbKolonne *r = NyRad(t->antallKolonner);
        if (!r)
            return DB_FEIL;
        for (int i = 0; i < t->antallKolonner; ++i) {
            r[i].type = t->kolonner[i].type;
            r[i].bredde = t->kolonner[i].bredde;
            zvlib::copyText(r[i].navn, t->kolonner[i].navn);
        }
        *rad = r;
        *antall = t->antallKolonner;
        return 0;
    }
    MS_SQLDA d{};
    if (mdlDB_describeTable(tabell, &d) != 0 || d.numColumns < 1) {
        mdlDB_freeSQLDADescriptor(&d);
        return DB_FEIL;
    }
    DbKolonne *r = NyRad(d.numColumns);
    if (!r) {
        mdlDB_freeSQLDADescriptor(&d);
        return DB_FEIL;
    }
    for (int i = 0; i < d.numColumns; ++i) {
        // A longer name would be cut into another column's name.
        if (std::strlen(d.columns[i].name) > DB_MAKS_KOLONNENAVN) {
            dlmSystem_mdlFree(r);
            mdlDB_freeSQLDADescriptor(&d);
            return DB_FEIL;
        }
        r[i].type = static_cast<uint16_t>(d.columns[i].type);
        r[i].bredde = r[i].type == DB_TEKST ? d.columns[i].length : 0;
        zvlib::copyText(r[i].navn, d.columns[i].name);
        TilSmaaBokstaver(r[i].navn);
    }
    *rad = r;
    *antall = d.numColumns;
    mdlDB_freeSQLDADescriptor(&d);
    return 0;
}

void SettKolonneVerdi(DbKolonne *kolonne, const char *tekst)
{
    VerdiFraTekst(&kolonne->verdi, tekst, kolonne->type);
    kolonne->harVerdi = 1;
    kolonne->erstattet = 0;
}

void FrigiRad(DbKolonne *rad, int antall)
{
    if (!rad)
        return;
    for (int i = 0; i < antall; ++i)
        if (rad[i].type == DB_TEKST)
            dlmSystem_mdlFree(rad[i].verdi.tekst);
    dlmSystem_mdlFree(rad);
}

int SjekkKolonneListe(const DbTabell *tabell, const DbKolonne *rad, int antall, int *indeks)
{
    if (!tabell || !rad || antall != tabell->antallKolonner || antall < 1 ||
        std::strcmp(tabell->kolonner[0].navn, "mslink") != 0 || tabell->kolonner[0].type != DB_LANG)
        return DB_FEIL;
    for (int i = 0; i < antall; ++i)
        if (rad[i].type != tabell->kolonner[i].type || std::strcmp(rad[i].navn, tabell->kolonner[i].navn) != 0)
            return DB_FEIL;
    if (indeks)
        *indeks = 0;
    return 0;
}

// --- cache --------------------------------------------------------------------------------

int SammenlignTabellNavn(const void *a, const void *b)
{
    int c = std::strcmp(static_cast<const DbTabell *>(a)->navn, static_cast<const DbTabell *>(b)->navn);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// A value read from the database into a new cell; empty: none.
static DbVerdi *NyCelle(const char *tekst, int type)
{
    if (!tekst || !*tekst || !ErKjentType(type))
        return nullptr;
    auto *c = static_cast<DbVerdi *>(GGAlloker(sizeof(DbVerdi)));
    if (c)
        VerdiFraTekst(c, tekst, type);
    return c;
}

static void FrigiCelle(DbVerdi *celle, int type)
{
    if (celle && type == DB_TEKST)
        dlmSystem_mdlFree(celle->tekst);
    dlmSystem_mdlFree(celle);
}

static void FrigiTabell(DbTabell *t)
{
    for (int k = 0; k < t->antallKolonner; ++k) {
        if (t->celler && t->celler[k]) {
            for (int r = 0; r < t->antallRader; ++r)
                FrigiCelle(t->celler[k][r], t->kolonner[k].type);
            dlmSystem_mdlFree(t->celler[k]);
        }
    }
    dlmSystem_mdlFree(t->celler);
    dlmSystem_mdlFree(t->kolonner);
    t->celler = nullptr;
    t->kolonner = nullptr;
    t->antallKolonner = t->antallRader = 0;
}

static std::string VertsFeil()
{
    char feil[512];
    mdlDB_getErrorText(feil, sizeof feil);
    return feil;
}

// Fills one cache entry; false (and why) when the table cannot be read
// whole, so that it is left out of the cache rather than taken as empty.
static bool BufreHele(DbTabell *tabell, const char *navn, std::string &feil)
{
    tabell->antallKolonner = tabell->antallRader = 0;
    tabell->kolonner = nullptr;
    tabell->celler = nullptr;
    tabell->storsteMslink = tabell->storsteKjent = 0;
    if (!mdlhost_dbIsIdentifier(navn)) {
        feil = "navnet er ikke et enkelt SQL-navn";
        return false;
    }
    MS_SQLDA d{};
    if (mdlDB_describeTable(navn, &d) != 0 || d.numColumns < 1) {
        feil = VertsFeil();
        mdlDB_freeSQLDADescriptor(&d);
        return false;
    }
    for (int i = 0; i < d.numColumns; ++i)
        if (std::strlen(d.columns[i].name) > DB_MAKS_KOLONNENAVN) {
            feil = std::string("kolonnenavnet ") + d.columns[i].name + " er for langt";
            mdlDB_freeSQLDADescriptor(&d);
            return false;
        }
    int n = d.numColumns;
    tabell->kolonner = static_cast<DbKolonneBeskrivelse *>(GGAlloker(n * sizeof(DbKolonneBeskrivelse)));
    if (!tabell->kolonner) {
        mdlDB_freeSQLDADescriptor(&d);
        feil = "ikke nok minne";
        return false;
    }
    for (int i = 0; i < n; ++i) {
        tabell->kolonner[i].type = static_cast<uint16_t>(d.columns[i].type);
        tabell->kolonner[i].bredde = d.columns[i].type == DB_TEKST ? d.columns[i].length : 0;
        zvlib::copyText(tabell->kolonner[i].navn, d.columns[i].name);
        TilSmaaBokstaver(tabell->kolonner[i].navn);
    }
    tabell->antallKolonner = n;
    mdlDB_freeSQLDADescriptor(&d);

    char svar[MDLDB_VALUE_SIZE];
    int64_t rader = 0;
    std::string sql = std::string("select count(*) from ") + navn;
    if (mdlDB_sqlQuery(svar, sql.c_str()) != 0 || !GGHeltall(svar, rader) || rader < 0 || rader > INT32_MAX / 2) {
        feil = VertsFeil();
        return false;
    }
    if (rader == 0)
        return true;
    tabell->celler = static_cast<DbVerdi ***>(GGAlloker(n * sizeof(DbVerdi **)));
    if (!tabell->celler) {
        feil = "ikke nok minne";
        return false;
    }
    for (int k = 0; k < n; ++k) {
        tabell->celler[k] = static_cast<DbVerdi **>(GGAlloker(static_cast<size_t>(rader) * sizeof(DbVerdi *)));
        if (!tabell->celler[k]) {
            feil = "ikke nok minne";
            return false;
        }
    }
    sql = std::string("select * from ") + navn;
    if (mdlDB_openCursor(sql.c_str()) != 0) {
        feil = VertsFeil();
        return false;
    }
    MS_SQLDA rad{};
    // Rows added after the count are left out: the cache holds what it counted.
    int r = 0;
    while (r < rader && mdlDB_fetchRow(&rad) == 0) {
        // The cache cannot tell a substitute from the stored text: such a
        // table is read row by row, where each value carries its mark.
        if (mdlhost_dbSubstituted(-1)) {
            mdlDB_closeCursor();
            tabell->antallRader = r;
            feil = "tegn utenfor ISO 8859-1";
            return false;
        }
        for (int k = 0; k < n && k < rad.numColumns; ++k)
            tabell->celler[k][r] = NyCelle(rad.values[k], tabell->kolonner[k].type);
        ++r;
    }
    mdlDB_closeCursor();
    tabell->antallRader = r;
    return true;
}

void BufreTabell(DbTabell *tabell, const char *navn)
{
    std::string feil;
    if (!BufreHele(tabell, navn, feil))
        FrigiTabell(tabell);
}

void BufreAlleTabeller(void)
{
    const GeoControlBlock *fcb = mdlhost_gisControlBlock();
    if (!zeraGGData || !fcb || fcb->tableCount <= 0)
        return;
    int n = fcb->tableCount;
    auto *tabeller = static_cast<DbTabell *>(GGAlloker(n * sizeof(DbTabell)));
    if (!tabeller)
        return;
    for (int i = 0; i < n; ++i) {
        const char16_t *w = fcb->tableNames[i];
        std::string navn = GGSmal(w);
        zvlib::copyText(tabeller[i].navn, navn.c_str());
        TilSmaaBokstaver(tabeller[i].navn);
    }
    std::qsort(tabeller, n, sizeof(DbTabell), SammenlignTabellNavn);
    // The texts of message list 111 (entries 32 and 33) replace these once
    // the GIS build has its resource file.
    char tekst[512];
    std::snprintf(tekst, sizeof tekst, "%s. %s", zvlibMain_getApplicationName(), "Leser tabeller");
    // A table that cannot be read is left out, so that it is served by SQL:
    // an empty entry would answer "not found" for rows it holds.
    int bufret = 0;
    for (int i = 0; i < n; ++i) {
        if (GGFremdrift)
            mdlDialog_completionBarUpdate(GGFremdrift, tekst, i * 100 / n);
        DbTabell t = tabeller[i];
        std::string feil;
        if (!BufreHele(&t, t.navn, feil)) {
            FrigiTabell(&t);
            toolSubsystem_printf("Tabellen %s kan ikke leses inn (%s); den leses med SQL.\n", t.navn, feil.c_str());
            continue;
        }
        tabeller[bufret++] = t;
    }
    zeraGGData->tabellBuffer = tabeller;
    zeraGGData->antallBufredeTabeller = bufret;
}

DbTabell *FinnBufretTabell(const char *navn)
{
    if (!zeraGGData || !zeraGGData->tabellBuffer || !navn)
        return nullptr;
    DbTabell nokkel{};
    if (!zvlib::copyText(nokkel.navn, navn))
        return nullptr;
    TilSmaaBokstaver(nokkel.navn);
    return static_cast<DbTabell *>(std::bsearch(&nokkel, zeraGGData->tabellBuffer, zeraGGData->antallBufredeTabeller,
                                                sizeof(DbTabell), SammenlignTabellNavn));
}

int FinnKolonneIndeks(int *indeks, const DbTabell *tabell, const char *kolonne)
{
    for (int i = 0; tabell && i < tabell->antallKolonner; ++i)
        if (std::strcmp(tabell->kolonner[i].navn, kolonne) == 0) {
            *indeks = i;
            return 1;
        }
    return 0;
}

int SlaaOppBufretVerdi(char *tekst, const char *kolonne, const char *tabell, const char *nokkelKolonne,
                       const char *nokkel)
{
    tekst[0] = '\0';
    DbTabell *t = FinnBufretTabell(tabell);
    int k = 0, n = 0;
    if (!t || !FinnKolonneIndeks(&k, t, kolonne) || !FinnKolonneIndeks(&n, t, nokkelKolonne) || !nokkel)
        return DB_FEIL;
    int type = t->kolonner[n].type;
    // A key that is not a whole number of a numeric column matches nothing
    // (it would read as 0 and match an empty cell).
    int64_t l = 0;
    double d = 0;
    if ((type == DB_LANG && !GGHeltall(nokkel, l)) || (type == DB_DOBBEL && !GGDesimal(nokkel, d)))
        return DB_FEIL;
    DbVerdi v{};
    VerdiFraTekst(&v, nokkel, type);
    int funnet = DB_FEIL;
    for (int r = 0; t->celler && r < t->antallRader; ++r)
        if (LikeVerdier(t->celler[n][r], &v, type)) {
            VerdiTilTekst(tekst, t->celler[k][r], t->kolonner[k].type);
            funnet = 0;
            break;
        }
    if (type == DB_TEKST)
        dlmSystem_mdlFree(v.tekst);
    return funnet;
}

// The cell of a row's column as the statements sent it: none for no value.
static DbVerdi *CelleForKolonne(const DbKolonne &k)
{
    if (!k.harVerdi || !ErKjentType(k.type) || (k.type == DB_TEKST && (!k.verdi.tekst || !*k.verdi.tekst)))
        return nullptr;
    auto *c = static_cast<DbVerdi *>(GGAlloker(sizeof(DbVerdi)));
    if (c)
        KopierVerdi(c, &k.verdi, k.type);
    return c;
}

int LeggTilRadIBuffer(DbTabell *tabell, const DbKolonne *rad, int antall)
{
    if (SjekkKolonneListe(tabell, rad, antall, nullptr) != 0)
        return DB_FEIL;
    int r = tabell->antallRader;
    if (!tabell->celler) {
        tabell->celler = static_cast<DbVerdi ***>(GGAlloker(antall * sizeof(DbVerdi **)));
        if (!tabell->celler)
            return DB_FEIL;
    }
    for (int k = 0; k < antall; ++k) {
        auto *ny = static_cast<DbVerdi **>(
            GGUtvid(tabell->celler[k], r * sizeof(DbVerdi *), (r + 1) * sizeof(DbVerdi *)));
        if (!ny) {
            // Columns grown so far keep a null cell past the row count.
            return DB_FEIL;
        }
        tabell->celler[k] = ny;
    }
    for (int k = 0; k < antall; ++k)
        tabell->celler[k][r] = CelleForKolonne(rad[k]);
    tabell->antallRader = r + 1;
    return 0;
}

int OppdaterRadIBuffer(DbTabell *tabell, const DbKolonne *rad, int antall)
{
    if (SjekkKolonneListe(tabell, rad, antall, nullptr) != 0 || !tabell->celler)
        return DB_FEIL;
    for (int r = 0; r < tabell->antallRader; ++r) {
        DbVerdi *m = tabell->celler[0][r];
        if (!m || m->lang != rad[0].verdi.lang)
            continue;
        for (int k = 1; k < antall; ++k) {
            FrigiCelle(tabell->celler[k][r], tabell->kolonner[k].type);
            tabell->celler[k][r] = CelleForKolonne(rad[k]);
        }
        return 0;
    }
    return DB_FEIL;
}

void FrigiTabellBuffer(void)
{
    if (!zeraGGData)
        return;
    for (int i = 0; i < zeraGGData->antallBufredeTabeller; ++i)
        FrigiTabell(&zeraGGData->tabellBuffer[i]);
    dlmSystem_mdlFree(zeraGGData->tabellBuffer);
    zeraGGData->tabellBuffer = nullptr;
    zeraGGData->antallBufredeTabeller = 0;
}

// --- look-up -----------------------------------------------------------------------------

// Rows through this layer begin with a long mslink: another type would be
// read and written as a 32-bit number that it is not.
static bool HarMslink(const char *tabell, const DbKolonne *rad, int antall)
{
    if (rad && antall >= 1 && rad[0].type == DB_LANG && std::strcmp(rad[0].navn, "mslink") == 0)
        return true;
    toolSubsystem_printf("Tabellen %s: f\xF8rste kolonne er ikke mslink av heltallstype; raden brukes ikke.\n",
                         tabell ? tabell : "");
    return false;
}

// A cell against a row's value, the text as it would be stored.
static bool LikCelle(const DbVerdi *celle, const DbKolonne &k)
{
    if (k.type != DB_TEKST || !k.verdi.tekst)
        return LikeVerdier(celle, &k.verdi, k.type);
    size_t n = LagretLengde(k, k.verdi.tekst);
    const char *c = celle && celle->tekst ? celle->tekst : "";
    return std::strlen(c) == n && std::memcmp(c, k.verdi.tekst, n) == 0;
}

int FinnMslinkIBuffer(long *mslink, const char *tabell, const DbKolonne *rad, int antall, int *bufret)
{
    *bufret = 0;
    DbTabell *t = FinnBufretTabell(tabell);
    if (!t)
        return 0;
    *bufret = 1;
    if (SjekkKolonneListe(t, rad, antall, nullptr) != 0 || !t->celler)
        return 0;
    for (int r = 0; r < t->antallRader; ++r) {
        bool lik = true;
        for (int k = 1; k < antall && lik; ++k)
            lik = !ErKjentType(rad[k].type) || LikCelle(t->celler[k][r], rad[k]);
        // A row without an mslink cannot be linked to.
        if (lik && t->celler[0][r] && t->celler[0][r]->lang > 0) {
            *mslink = t->celler[0][r]->lang;
            return 1;
        }
    }
    return 0;
}

int FinnMslinkForVerdier(long *mslink, const char *tabell, const DbKolonne *rad, int antall)
{
    if (!HarMslink(tabell, rad, antall))
        return 0;
    int bufret = 0;
    if (FinnMslinkIBuffer(mslink, tabell, rad, antall, &bufret))
        return 1;
    if (bufret)
        return 0;
    std::string sql = "SELECT mslink FROM " + SqlNavn(tabell) + " WHERE";
    size_t lengde = sql.size();
    int klausuler = 0;
    for (int k = 1; k < antall; ++k) {
        // Columns of other types match anything, as in the cache.
        if (!ErKjentType(rad[k].type))
            continue;
        std::string v = SqlVerdi(rad[k]);
        std::string klausul = " " + SqlNavn(rad[k].navn) + (v == "NULL" ? " IS NULL" : " = " + v);
        lengde += klausul.size() + 4;
        if (lengde > 1999) {
            toolSubsystem_printf("ERROR!!! For langt 'SQL-select query':\n%s\n", sql.c_str());
            return 0;
        }
        if (klausuler++ > 0)
            sql += " AND";
        sql += klausul;
    }
    // Without a clause the statement would be "... WHERE": no look-up.
    if (klausuler == 0)
        return 0;
    char svar[MDLDB_VALUE_SIZE];
    int64_t m = 0;
    if (mdlDB_sqlQuery(svar, sql.c_str()) != 0 || !GGHeltall(svar, m) || m < 1 || m > INT32_MAX)
        return 0;
    *mslink = static_cast<long>(m);
    return 1;
}

// --- insert ------------------------------------------------------------------------------

static int SendSql(const std::string &sql)
{
    if (mdlDB_processSQL(sql.c_str()) != 0) {
        toolSubsystem_printf("Error in command: %s\n", sql.c_str());
        return DB_FEIL;
    }
    return 0;
}

// Texts wider than their column are cut to it in the row itself, so that
// the cache holds what the database holds.
static void KuttTekster(const char *tabell, DbKolonne *rad, int antall)
{
    for (int k = 0; k < antall; ++k) {
        DbKolonne &c = rad[k];
        if (c.type != DB_TEKST || !c.harVerdi || !c.verdi.tekst)
            continue;
        size_t n = LagretLengde(c, c.verdi.tekst);
        if (c.verdi.tekst[n] == '\0')
            continue;
        toolSubsystem_printf("Tabellen %s, kolonne %s: teksten er kuttet til %d tegn: %s\n", tabell, c.navn,
                             static_cast<int>(n), c.verdi.tekst);
        c.verdi.tekst[n] = '\0';
    }
}

int SettInnRad(const char *tabell, DbKolonne *rad, int antall, int alltidSettInn)
{
    if (!HarMslink(tabell, rad, antall))
        return DB_FEIL;
    if (!alltidSettInn && rad[0].harVerdi && rad[0].verdi.lang > 0)
        return OppdaterRad(tabell, rad, antall);
    // A cached table keeps its largest mslink, so that an insert does not
    // scan the table; the database is asked once.
    DbTabell *bufret = FinnBufretTabell(tabell);
    long storst = 0;
    if (bufret && bufret->storsteKjent) {
        storst = bufret->storsteMslink;
    } else if (mdlDB_largestMslink(tabell, &storst) != 0) {
        toolSubsystem_printf("Kan ikke sette inn i %s: %s\n", tabell, VertsFeil().c_str());
        return DB_FEIL;
    }
    if (storst >= INT32_MAX || storst < 0) {
        toolSubsystem_printf("Kan ikke sette inn i %s: mslink %ld er for stor\n", tabell, storst);
        return DB_FEIL;
    }
    if (bufret) {
        bufret->storsteMslink = static_cast<int32_t>(storst);
        bufret->storsteKjent = 1;
    }
    KuttTekster(tabell, rad, antall);
    DbKolonne forrige = rad[0];
    rad[0].verdi.lang = static_cast<int32_t>(storst + 1);
    rad[0].harVerdi = 1;
    // Columns of types the layer does not know keep what they hold.
    std::string sql = "insert into " + SqlNavn(tabell) + " (";
    bool forste = true;
    for (int k = 0; k < antall; ++k)
        if (ErKjentType(rad[k].type)) {
            sql += (forste ? "" : ",") + SqlNavn(rad[k].navn);
            forste = false;
        }
    sql += ") values (";
    size_t lengde = sql.size();
    forste = true;
    for (int k = 0; k < antall; ++k) {
        if (!ErKjentType(rad[k].type))
            continue;
        std::string v = SqlVerdi(rad[k]);
        if (!forste)
            sql += ",";
        forste = false;
        lengde += v.size() + 1;
        if (lengde > 2999) {
            toolSubsystem_printf("ERROR!!! For lang 'SQL-insert' kommando:\n%s\n", sql.c_str());
            rad[0] = forrige;
            return DB_FEIL;
        }
        sql += v;
    }
    sql += ");";
    Utfyll128(sql);
    if (SendSql(sql) != 0) {
        rad[0] = forrige;
        // Another writer may have taken the number: ask again next time.
        if (bufret)
            bufret->storsteKjent = 0;
        return DB_FEIL;
    }
    if (bufret) {
        bufret->storsteMslink = rad[0].verdi.lang;
        LeggTilRadIBuffer(bufret, rad, antall);
    }
    return 0;
}

int OppdaterRad(const char *tabell, DbKolonne *rad, int antall)
{
    if (!HarMslink(tabell, rad, antall))
        return DB_FEIL;
    if (antall <= 1)
        return 0;
    KuttTekster(tabell, rad, antall);
    std::vector<std::string> setninger;
    for (int fra = 1; fra < antall; fra += 99) {
        std::string par;
        for (int k = fra; k < antall && k < fra + 99; ++k) {
            if (!ErKjentType(rad[k].type))
                continue;
            if (rad[k].erstattet) {
                toolSubsystem_printf("Tabellen %s, kolonne %s: teksten har tegn utenfor ISO 8859-1 og "
                                     "blir st\xE5" "ende som den er.\n",
                                     tabell, rad[k].navn);
                continue;
            }
            par += (par.empty() ? "" : ", ") + SqlNavn(rad[k].navn) + "=" + SqlVerdi(rad[k]);
        }
        if (par.empty())
            continue;
        std::string sql = "update " + SqlNavn(tabell) + " set " + par + " where mslink=" +
                          std::to_string(static_cast<long>(rad[0].verdi.lang)) + ";";
        if (sql.size() > 2999) {
            toolSubsystem_printf("ERROR!!! For lang 'SQL-update' kommando:\n%s\n", sql.c_str());
            return DB_FEIL;
        }
        Utfyll128(sql);
        setninger.push_back(std::move(sql));
    }
    // All groups of a row or none: a half-updated row would disagree with
    // the cache.
    bool egen = setninger.size() > 1 && mdlhost_dbBegin() == 0;
    for (auto &sql : setninger) {
        if (SendSql(sql) != 0) {
            if (egen)
                mdlhost_dbRollback();
            return DB_FEIL;
        }
        // A row that is not there is not updated: the caller must not link
        // an element to it.
        if (mdlhost_dbChangedRows() == 0) {
            toolSubsystem_printf("Tabellen %s: ingen rad med mslink %ld \xE5 oppdatere.\n", tabell,
                                 static_cast<long>(rad[0].verdi.lang));
            if (egen)
                mdlhost_dbRollback();
            return DB_FEIL;
        }
    }
    if (egen && mdlhost_dbCommit() != 0)
        return DB_FEIL;
    if (DbTabell *t = FinnBufretTabell(tabell))
        OppdaterRadIBuffer(t, rad, antall);
    return 0;
}

long FinnEllerSettInnRad(DbKolonne *rad, int antall, const char *tabell)
{
    if (!HarMslink(tabell, rad, antall))
        return 0;
    long mslink = 0;
    if (FinnMslinkForVerdier(&mslink, tabell, rad, antall))
        return mslink;
    if (SettInnRad(tabell, rad, antall, 1) != 0)
        return 0;
    return rad[0].verdi.lang;
}

int LagreRadOgLink(MSElement *element, const char *tabell, DbKolonne *rad, int antall, int gjenbruk)
{
    if (!HarMslink(tabell, rad, antall))
        return DB_FEIL;
    if (gjenbruk) {
        long mslink = 0;
        if (FinnMslinkForVerdier(&mslink, tabell, rad, antall)) {
            rad[0].verdi.lang = static_cast<int32_t>(mslink);
            rad[0].harVerdi = 1;
        } else if (SettInnRad(tabell, rad, antall, 1) != 0) {
            return DB_FEIL;
        }
    } else if (SettInnRad(tabell, rad, antall, 0) != 0) {
        return DB_FEIL;
    }
    DatabaseLink link{};
    int props = 0;
    if (mdlDB_buildLink(&link, geoProject_getFeatureLinkageType(geoProject_getActive()), &props, tabell,
                        rad[0].verdi.lang) != 0)
        return DB_FEIL;
    uint16_t ord[MDLDB_LINK_WORDS];
    int bytes = 0;
    if (mdlDB_encodeLink(ord, &bytes, &link) != 0 || mdlElement_appendAttributes(element, bytes / 2, ord) != 0)
        return DB_FEIL;
    return 0;
}

int LesRadForMslink(DbKolonne **rad, int *antall, const char *tabell, long mslink)
{
    *rad = nullptr;
    *antall = 0;
    if (DbTabell *t = FinnBufretTabell(tabell)) {
        if (t->antallKolonner < 1 || t->kolonner[0].type != DB_LANG || std::strcmp(t->kolonner[0].navn, "mslink") != 0 ||
            !t->celler)
            return DB_FEIL;
        for (int r = 0; r < t->antallRader; ++r) {
            if (!t->celler[0][r] || t->celler[0][r]->lang != mslink)
                continue;
            DbKolonne *ny = NyRad(t->antallKolonner);
            if (!ny)
                return DB_FEIL;
            for (int k = 0; k < t->antallKolonner; ++k) {
                ny[k].type = t->kolonner[k].type;
                ny[k].bredde = t->kolonner[k].bredde;
                zvlib::copyText(ny[k].navn, t->kolonner[k].navn);
                if (t->celler[k][r]) {
                    KopierVerdi(&ny[k].verdi, t->celler[k][r], ny[k].type);
                    ny[k].harVerdi = 1;
                }
            }
            *rad = ny;
            *antall = t->antallKolonner;
            return 0;
        }
        return DB_FEIL;
    }
    std::string sql = "select * from " + SqlNavn(tabell) + " where mslink = " + std::to_string(mslink);
    if (mdlDB_openCursor(sql.c_str()) != 0)
        return DB_FEIL;
    MS_SQLDA d{};
    if (mdlDB_fetchRow(&d) != 0 || d.numColumns < 1) {
        mdlDB_closeCursor();
        return DB_FEIL;
    }
    DbKolonne *ny = NyRad(d.numColumns);
    if (!ny) {
        mdlDB_closeCursor();
        return DB_FEIL;
    }
    for (int k = 0; k < d.numColumns; ++k) {
        ny[k].type = static_cast<uint16_t>(d.columns[k].type);
        ny[k].bredde = ny[k].type == DB_TEKST ? d.columns[k].length : 0;
        zvlib::copyText(ny[k].navn, d.columns[k].name);
        TilSmaaBokstaver(ny[k].navn);
        // Present values are marked, as in the cached road.
        if (d.values[k] && ErKjentType(ny[k].type)) {
            VerdiFraTekst(&ny[k].verdi, d.values[k], ny[k].type);
            ny[k].harVerdi = 1;
            ny[k].erstattet = mdlhost_dbSubstituted(k) ? 1 : 0;
        }
    }
    mdlDB_closeCursor();
    *rad = ny;
    *antall = d.numColumns;
    return 0;
}

// --- names ---------------------------------------------------------------------------------

int TabellnavnForEntitet(char *navn, int entitet)
{
    navn[0] = '\0';
    const GeoControlBlock *fcb = mdlhost_gisControlBlock();
    if (!fcb || entitet < 1)
        return DB_FEIL;
    for (int i = 0; i < fcb->entityCount; ++i)
        if (fcb->entityNumbers[i] == entitet && fcb->entityTables[i] && *fcb->entityTables[i]) {
            zvlib::copyText(navn, DB_MAKS_TABELLNAVN + 1, fcb->entityTables[i]);
            return 0;
        }
    return DB_FEIL;
}

int ErIdKolonne(const char *kolonne)
{
    size_t n = kolonne ? std::strlen(kolonne) : 0;
    if (n < 2)
        return 0;
    return std::strcmp(kolonne + n - 2, "ID") == 0 || std::strcmp(kolonne + n - 2, "id") == 0;
}

static std::string SmaaTekst(const char16_t *w)
{
    std::string s = GGSmal(w);
    TilSmaaBokstaver(s.data());
    return s;
}

int FinnJoinDefinisjon(const char *tabell, const char *kolonne, char *tabell1, char *indeks1, char *verdi1)
{
    tabell1[0] = indeks1[0] = verdi1[0] = '\0';
    const GeoControlBlock *fcb = mdlhost_gisControlBlock();
    if (!fcb || !ErIdKolonne(kolonne))
        return 0;
    std::string t = tabell, k = kolonne;
    TilStoreBokstaver(t.data());
    TilStoreBokstaver(k.data());
    for (int i = 0; i < fcb->joinCount; ++i) {
        const GeoJoin &j = fcb->joins[i];
        auto til8 = [](const char16_t *w) {
            return GGSmal(w);
        };
        if (til8(j.table0) != t || til8(j.index0) != k)
            continue;
        // A longer name cut to fit would name another table or column.
        if (!zvlib::copyWhole(tabell1, DB_MAKS_TABELLNAVN + 1, SmaaTekst(j.table1).c_str()) ||
            !zvlib::copyWhole(indeks1, DB_MAKS_TABELLNAVN + 1, SmaaTekst(j.index1).c_str()) ||
            !zvlib::copyWhole(verdi1, DB_MAKS_TABELLNAVN + 1, SmaaTekst(j.value1).c_str())) {
            tabell1[0] = indeks1[0] = verdi1[0] = '\0';
            return 0;
        }
        return *tabell1 && *indeks1 && *verdi1 ? 1 : 0;
    }
    return 0;
}
