// Element parser: one group text into the current element record Elm
// (type, serial, themes, attributes, references, texts, symbol codes and
// the attribute lines the record does not model).  Coordinates are read
// afterwards by zerget_coord.
//
// Sections: key and value helpers - themes - zerget_elm - zerget_rest -
// zerget_gid - zerget_ref.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "kartmotor_int.h"

namespace {

const char RUTINE[] = "SG_ELM";

enum {
    FEIL_UKJENT_GRUPPE = 1,
    FEIL_SERIENR = 2,
    FEIL_KOLON = 3,
    FEIL_KOORDINATER = 4,
    FEIL_TEMA_ANTALL = 5,
    FEIL_TEMA = 6,
    FEIL_RADIUS = 7,
    FEIL_TEKST = 8,
    FEIL_TEKST_MANGLER = 9,
    FEIL_REFERANSER = 10,
    FEIL_REF_ANTALL = 12,
    FEIL_REF_GJENTATT = 13,
    FEIL_DEF = 15,
    FEIL_HODE = 16,
    FEIL_PIKSEL = 21,
    FEIL_RADIUS_UMULIG = 23,
    FEIL_BILDE = 22,
};

// The serial must stand within this many characters of the group start.
const size_t SERIE_GRENSE = 100;
// A number value and a "..KVALITET" place, as tokens; longer ones are no
// number of theirs.
const size_t TALL_LEN = 64;
const size_t KVALITET_LEN = 32;

// The current message of the parser; restored before each registration
// because the string reader clears it when it registers its own failure.
void meld_start(void)
{
    kopier(Bmw.acc_txt_rutnam, sizeof Bmw.acc_txt_rutnam, RUTINE);
    Bmw.type = BMW_WARNING;
    Bmw.line = 1;
    kopier(Bmw.theme, sizeof Bmw.theme, "0000");
    kopier(Bmw.objtype, sizeof Bmw.objtype, "0000");
}

int16_t feil(int nr)
{
    meld_start();
    Bmw.type = BMW_ERROR;
    bmw_elmfeil(RUTINE, nr);
    return -1;
}

// Token k of the key's line (1: the first value after the key).
bool verdi(const char *nokkel, int k, char *out, size_t size)
{
    return nokkel != nullptr && linje_token(nokkel, k, out, size) >= 0;
}

// A number token is read as far as a TALL_LEN buffer would hold it.
bool tall_token(const char *nokkel, int k, const char **s, size_t *n)
{
    if (nokkel == nullptr || !token_spenn(nokkel, k, s, n))
        return false;
    if (*n > TALL_LEN - 1)
        *n = TALL_LEN - 1;
    return true;
}

bool verdi_tall(const char *nokkel, int k, double *v)
{
    const char *s = nullptr;
    size_t n = 0;
    double d = 0.0;
    if (!tall_token(nokkel, k, &s, &n) || !tall_hel(s, s + n, &d) || !std::isfinite(d))
        return false;
    *v = d;
    return true;
}

bool verdi_heltall(const char *nokkel, int k, long lo, long hi, long *v)
{
    const char *s = nullptr;
    size_t n = 0;
    long l = 0;
    if (!tall_token(nokkel, k, &s, &n) || !tall_helt(s, s + n, &l) || l < lo || l > hi)
        return false;
    *v = l;
    return true;
}

bool verdi_i16(const char *nokkel, int16_t *v)
{
    long l = 0;
    if (!verdi_heltall(nokkel, 1, INT16_MIN, INT16_MAX, &l))
        return false;
    *v = (int16_t)l;
    return true;
}

int32_t kvalitet_tall(const char *s, size_t n);

// The six places of a "..KVALITET" line, as tokens of the line, and their
// numbers (0 where absent).  The parser and the rest read the same line:
// the places of the last one are kept.
struct Kvalitetplasser {
    const char *nokkel;
    const char *s[ZERA_KVALITET_COUNT];
    size_t n[ZERA_KVALITET_COUNT];
    bool har[ZERA_KVALITET_COUNT];
    int32_t tall[ZERA_KVALITET_COUNT];
} sistKvalitet;

const Kvalitetplasser &kvalitet_plasser(const char *nokkel)
{
    if (nokkel != nullptr && nokkel == sistKvalitet.nokkel)
        return sistKvalitet;
    const char *p = nokkel;
    for (int i = 0; i <= ZERA_KVALITET_COUNT; i++) {
        const char *s = nullptr;
        size_t n = 0;
        bool finnes = p != nullptr && token_spenn(p, 0, &s, &n);
        if (i > 0) {
            sistKvalitet.har[i - 1] = finnes;
            sistKvalitet.s[i - 1] = s;
            sistKvalitet.n[i - 1] = n;
            sistKvalitet.tall[i - 1] = finnes ? kvalitet_tall(s, n) : 0;
        }
        p = finnes ? s + n : nullptr;
    }
    sistKvalitet.nokkel = nokkel;
    return sistKvalitet;
}

// atol's reading of a quality place ("*" gives 0), kept within 32 bits; the
// place as far as a KVALITET_LEN buffer would hold it.
int32_t kvalitet_tall(const char *s, size_t n)
{
    long l = 0;
    if (n < KVALITET_LEN) {
        l = tall_long(s); // the token ends in a blank: read where it stands
    } else {
        char t[KVALITET_LEN];
        kopier_n(t, sizeof t, s, n);
        l = tall_long(t);
    }
    if (l > INT32_MAX)
        return INT32_MAX;
    if (l < INT32_MIN)
        return INT32_MIN;
    return (int32_t)l;
}

// Only the 7-bit and DOS sets spell letters differently from set 1; any
// other code (the converter would refuse it) leaves the text as it is.
void til_sett1(char *text, int16_t sett)
{
    if (text[0] == '\0' || (sett != ZERA_CHARSET_7BIT && sett != ZERA_CHARSET_DOS))
        return;
    int16_t inn = sett;
    int16_t ut = ZERA_CHARSET_ISO;
    bbs_cstr78(text, &inn, &ut);
}

// A theme key is a token that begins with ".." and ends in "TEMA" at a key
// boundary.  Finds the first whose "TEMA" lies in [p, end); its token
// starts at *token (not before text), and *etter is after "TEMA".
bool finn_temanokkel(const char *text, const char *p, const char *end, const char **token, const char **etter)
{
    // The token start found for the previous hit: a later hit in the same
    // token takes it over instead of walking back again, so a long token
    // full of "TEMA:" costs one walk, not one per hit.
    const char *forrigeHit = nullptr;
    const char *forrigeStart = nullptr;
    while (p < end && end - p >= 4) {
        const char *t = finn_tekst(p, "TEMA", end);
        if (t == nullptr)
            return false;
        if (nokkelgrense(t[4])) {
            const char *s = t;
            while (s > text && s[-1] != '\n' && !er_blank((unsigned char)s[-1])) {
                if (s == forrigeHit) {
                    s = forrigeStart;
                    break;
                }
                s--;
            }
            forrigeHit = t;
            forrigeStart = s;
            if (t - s >= 2 && s[0] == '.' && s[1] == '.') {
                *token = s;
                *etter = t + 4;
                return true;
            }
        }
        p = t + 1;
    }
    return false;
}

// A line of the old reference key: ".." standing alone as the line's
// first token.
bool er_refnokkel(const char *p, const char *text)
{
    const char *s = p;
    while (s > text && er_blank((unsigned char)s[-1]))
        s--;
    return (s == text || s[-1] == '\n') && p[0] == '.' && p[1] == '.' && er_blank((unsigned char)p[2]);
}

const char *finn_gammel_refnokkel(const char *text, const char *end)
{
    for (const char *p = text; p < end && end - p >= 3;) {
        const char *hit = (const char *)memmem(p, (size_t)(end - p), "..", 2);
        if (hit == nullptr)
            return nullptr;
        if (er_refnokkel(hit, text))
            return hit;
        p = hit + 1;
    }
    return nullptr;
}

// The group being parsed, with its key index.
struct Gruppe {
    const char *tekst;
    const char *slutt;
    Nokkelindeks indeks;

    const char *finn(const Nokkel &n, const char *til) const { return nokkelindeks_finn(&indeks, n, tekst, til); }
    // The key with exactly its own dots: a "...KOMM" under another line
    // belongs to that line's group, not to the element.
    const char *topp(const Nokkel &n, const char *til) const
    {
        for (const char *fra = tekst; fra < til;) {
            const char *hit = nokkelindeks_finn(&indeks, n, fra, til);
            if (hit == nullptr || hit == tekst || hit[-1] != '.')
                return hit;
            fra = hit + 1;
        }
        return nullptr;
    }
};
Gruppe g{};

constexpr Nokkel TEMANOKLER[] = {nokkel("..LTEMA"), nokkel("..PTEMA"), nokkel("..TTEMA"), nokkel("..FTEMA")};

int16_t tema_fra_nokler(const char *grense)
{
    const char *fra = nullptr;
    for (const Nokkel &n : TEMANOKLER) {
        fra = g.finn(n, grense);
        if (fra != nullptr)
            break;
    }
    if (fra == nullptr)
        return 1;
    const char *token = nullptr;
    const char *etter = nullptr;
    while (finn_temanokkel(g.tekst, fra, grense, &token, &etter)) {
        if (Elm.themeCount >= ZERA_MAX_THEMES)
            return -1;
        verdi(token, 1, Elm.theme[Elm.themeCount], sizeof Elm.theme[0]);
        Elm.themeCount++;
        fra = etter;
    }
    return 0;
}

constexpr Nokkel SYMBOLNOKLER[] = {nokkel("..ATIL"), nokkel("..ASKOG"), nokkel("..TFSKOG"), nokkel("..JORD"),
                                   nokkel("..MYR")};

void les_symbolkoder(void)
{
    for (const char *p = g.tekst; *p != '\0' && Elm.symbolCount < ZERA_MAX_SYMBOLS;) {
        const char *eol = (const char *)memchr(p, '\n', (size_t)(g.slutt - p));
        if (eol == nullptr)
            eol = g.slutt;
        for (const Nokkel &n : SYMBOLNOKLER) {
            const char *k = nokkelindeks_finn(&g.indeks, n, p, eol);
            if (k == nullptr)
                continue;
            char tok[ZERA_SYMBOL_LEN];
            verdi(k, 1, tok, sizeof tok);
            char *kode = Elm.symbol[Elm.symbolCount];
            kopier(kode, ZERA_SYMBOL_LEN, n.tekst);
            legg_til(kode, ZERA_SYMBOL_LEN, tok);
            Elm.symbolCount++;
            break;
        }
        p = (*eol == '\n') ? eol + 1 : eol;
    }
}

// The first coordinate key of the file's set in the group before til:
// plain, with height or with depth.
const char *finn_koord(const ScharStruct *keys, const char *fra, const char *til)
{
    if (keys == nullptr || keys->coordKey[0] == '\0')
        return nullptr;
    const char *best = nullptr;
    for (const Nokkel &k : settnokler(keys).koord) {
        const char *hit = nokkelindeks_finn(&g.indeks, k, fra, til);
        if (hit != nullptr && (best == nullptr || hit < best))
            best = hit;
    }
    return best;
}

// Elm.text from a "..GID" key at p (none: unchanged).
void gid_fra(const char *p);
int16_t les_rest(const char *group, const char *p, const char *slutt, const char *koord, const ScharStruct *keys,
                 int16_t *set, const Nokkelindeks *indeks);

const Nokkel OBJTYPE = nokkel("..OBJTYPE"), ENHET = nokkel("..ENHET"), KVALITET = nokkel("..KVALITET"),
             DATO = nokkel("..DATO"), HOB = nokkel("..HOB"), HREF = nokkel("..HREF"), MEDIUM = nokkel("..MEDIUM"),
             STATUS = nokkel("..STATUS"), UT = nokkel("..UT"), EDIT = nokkel("..EDIT"), FLYTT = nokkel("..FLYTT"),
             DREI = nokkel("..DREI"), DIM = nokkel("..DIM"), TDIM = nokkel("..TDIM"), GLATT = nokkel("..GLATT"),
             KOMM = nokkel("..KOMM"), SYMBOL = nokkel("..SYMBOL"), BYGGTYP = nokkel("..BYGGTYP"),
             ATIL = nokkel("..ATIL"), FMID = nokkel("..FMID"), GID = nokkel("..GID"), STORBUE = nokkel("..STORBUE"),
             RADIUS = nokkel("..RADIUS"), KLOTRAD1 = nokkel("..KLOTRAD1"), KLOTRAD2 = nokkel("..KLOTRAD2"),
             KLOTPAR = nokkel("..KLOTPAR"), STRENG = nokkel("..STRENG"), SNAVN = nokkel("...SNAVN"),
             BILDEFIL = nokkel("...BILDE-FIL"), DST_COLOR = nokkel("! ..DST-COLOR"),
             DST_LINE = nokkel("! ..DST-LINE"), DST_SYMBOL = nokkel("! ..DST-SYMBOL");
const Nokkel PIKSEL[] = {nokkel("..PIXEL-ST\xD8RR"), nokkel("..PIXEL-ST\\RR"), nokkel("..PIXEL-ST\x9DRR")};

} // namespace

/* Parses one group into Elm.  0: parsed (or only typed, by the pass mode
   or as .SLUTT); -1: refused, an SG_ELM error is registered and counted in
   Bmw.errors.  Keys count before the attribute limit: the first coordinate
   key (plain, with height or with depth: each starts the coordinates), or
   the end of the group for .TRASE and .STRUKTUR. */
int16_t zerget_elm(const char *group, SheadStruct *head, ScharStruct *keys, int32_t *line, int16_t *passMode)
{
    g.tekst = nullptr;
    elmclr();
    bmwclr();
    meld_start();
    Elm.mode = 2;
    const int16_t pass = passMode != nullptr ? *passMode : 2;

    char navn[ZERA_THEME_LEN];
    int tok = linje_token(group, 0, navn, sizeof navn);
    Elm.type = (tok == 0) ? zera_typekode(navn) : (int16_t)ZERA_UKJENT;
    const int type0 = Elm.type;
    if ((pass == 0 && zera_nivaa4(type0)) || (pass == 1 && !zera_nivaa4(type0)))
        return 0;
    if (type0 == ZERA_SLUTT)
        return 0;
    if (type0 == ZERA_HODE || type0 == ZERA_DEF || type0 == ZERA_UKJENT) {
        Elm.serial = line != nullptr ? *line : 0;
        kopier(Elm.theme[0], sizeof Elm.theme[0], type0 == ZERA_UKJENT ? navn : zera_typenavn(type0));
        return feil(type0 == ZERA_HODE ? FEIL_HODE : (type0 == ZERA_DEF ? FEIL_DEF : FEIL_UKJENT_GRUPPE));
    }

    const char *slutt = group + strlen(group);
    sistKvalitet.nokkel = nullptr;
    g.tekst = group;
    g.slutt = slutt;
    nokkelindeks_bygg(&g.indeks, group, slutt);
    if (pass == 0 || pass == 1)
        zera_tell(Bmw.read, type0);
    if (type0 == ZERA_TEKST && g.finn(SYMBOL, slutt) != nullptr)
        Elm.type = ZERA_PUNKT;
    const int type = Elm.type;

    // Serial: the second token before the ':' of the group line.
    const char *eol = linje_slutt(group);
    size_t forste = (size_t)(eol - group);
    const char *kolon = (const char *)memchr(group, ':', forste < SERIE_GRENSE ? forste : SERIE_GRENSE);
    if (kolon == nullptr)
        return feil(FEIL_KOLON);
    char hode[SERIE_GRENSE + 1];
    kopier_n(hode, sizeof hode, group, (size_t)(kolon - group));
    long serie = 0;
    if (!verdi_heltall(hode, 1, INT32_MIN, INT32_MAX, &serie) || serie == 0)
        return feil(FEIL_SERIENR);
    Elm.serial = (int32_t)serie;

    const char *grense = slutt;
    if (type != ZERA_TRASE && type != ZERA_STRUKTUR) {
        grense = finn_koord(keys, group, slutt);
        if (grense == nullptr)
            return feil(FEIL_KOORDINATER);
    }
    const int16_t sett = head->charset;
    const char *p = nullptr;

    // An object type with a blank is written between quotes.
    p = g.topp(OBJTYPE, grense);
    const char *objtype = nullptr;
    size_t objtypeLen = 0;
    if (p != nullptr && streng_verdi(p, &objtype, &objtypeLen)) {
        kopier_n(Elm.objtype, sizeof Elm.objtype, objtype, objtypeLen);
        til_sett1(Elm.objtype, sett);
    }

    int16_t tema = tema_fra_nokler(grense);
    if (tema < 0)
        return feil(FEIL_TEMA_ANTALL);
    if (tema > 0 && Elm.objtype[0] != '\0') {
        int16_t modus = geoGraphics ? 1 : 2;
        mt_objtema(Elm.objtype, &modus);
    }
    if (type >= ZERA_PUNKT && type <= ZERA_STRUKTUR && Elm.themeCount == 0 && Elm.objtype[0] == '\0')
        return feil(FEIL_TEMA);

    // A unit that is not a positive number would put every point on the
    // origin: the header's unit holds then.
    double d = 0.0;
    p = g.topp(ENHET, grense);
    Elm.enhet = (verdi_tall(p, 1, &d) && d > 0.0) ? d : head->enhet;

    const Kvalitetplasser &plass = kvalitet_plasser(g.topp(KVALITET, grense));
    for (int i = 0; i < ZERA_KVALITET_COUNT; i++) {
        int32_t v = plass.tall[i];
        if (v == 0 || (i == 2 && v > 3))
            v = head->kvalitet[i];
        Elm.kvalitet[i] = v;
    }

    long l = 0;
    p = g.topp(DATO, grense);
    Elm.dato = (verdi_heltall(p, 1, INT32_MIN, INT32_MAX, &l) && l != 0) ? (int32_t)l : head->dato;
    // The date and quality defaults are warnings only, not kept.

    if (verdi_tall(g.topp(HOB, grense), 1, &d))
        Elm.hob = d;
    if (verdi(g.topp(HREF, grense), 1, Elm.href, sizeof Elm.href))
        til_sett1(Elm.href, sett);
    if (verdi(g.topp(MEDIUM, grense), 1, Elm.medium, sizeof Elm.medium))
        til_sett1(Elm.medium, sett);
    if (verdi(g.topp(STATUS, grense), 1, Elm.status, sizeof Elm.status))
        til_sett1(Elm.status, sett);
    verdi_i16(g.topp(UT, grense), &Elm.ut);
    verdi_i16(g.topp(EDIT, grense), &Elm.edit);
    p = g.topp(FLYTT, grense);
    for (int i = 0; i < 2; i++)
        if (verdi_tall(p, i + 1, &d))
            Elm.flytt[i] = d;
    if (verdi_tall(g.topp(DREI, grense), 1, &d))
        Elm.angle = d * pi_value() * 0.005;
    p = g.topp(DIM, grense);
    if (p == nullptr)
        p = g.topp(TDIM, grense);
    for (int i = 0; i < 2; i++)
        if (verdi_tall(p, i + 1, &d))
            Elm.dim[i] = d * 10.0;
    verdi_i16(g.topp(GLATT, grense), &Elm.glatt);
    if (!verdi_i16(g.topp(KOMM, slutt), &Elm.komm))
        Elm.komm = head->komm;

    // The rest starts at the group's first "..", and ends at the
    // coordinates, also where they do not limit the attributes.
    const char *forstePrikker = g.indeks.tekst == nullptr
                                    ? finn_tekst(group, "..", nullptr)
                                    : (g.indeks.antall > 0 ? group + g.indeks.lop[0].start : nullptr);
    const char *koord = grense != slutt ? grense : finn_koord(keys, group, slutt);
    les_rest(group, forstePrikker, slutt, koord, keys, &head->charset, &g.indeks);

    // Symbology that the export writes into comment lines.
    if (verdi_heltall(g.finn(DST_COLOR, slutt), 2, INT32_MIN, INT32_MAX, &l))
        Elm.colour = (int32_t)l;
    if (verdi_heltall(g.finn(DST_LINE, slutt), 2, INT32_MIN, INT32_MAX, &l))
        Elm.style = (int32_t)l;
    if (verdi_heltall(g.finn(DST_SYMBOL, slutt), 2, INT32_MIN, INT32_MAX, &l))
        Elm.style = (int32_t)l;

    char streng[ZERA_STR_LEN];
    switch (type) {
    case ZERA_PUNKT: {
        if (verdi_heltall(g.finn(BYGGTYP, slutt), 1, INT32_MIN + 500, INT32_MAX - 500, &l))
            Elm.style = 500 + (int32_t)l;
        if (verdi_heltall(g.finn(ATIL, slutt), 1, INT32_MIN + 400, INT32_MAX - 400, &l))
            Elm.style = 400 + (int32_t)l;
        p = g.finn(FMID, slutt);
        if (p != nullptr)
            verdi(p, head->zeraVersjon >= 2.2 ? 4 : 2, Elm.text, sizeof Elm.text);
        else
            gid_fra(g.finn(GID, slutt));
        return 0;
    }
    case ZERA_BUE:
    case ZERA_SIRKEL:
        if (type == ZERA_BUE) {
            p = g.finn(STORBUE, grense);
            if (p != nullptr)
                Elm.storbue = (verdi_heltall(p, 1, 1, 1, &l)) ? 1 : 0;
        }
        if (!verdi_tall(g.finn(RADIUS, grense), 1, &d))
            return feil(FEIL_RADIUS);
        // A negative radius turns an arc; a circle has none.
        if (!(fabs(d) <= ZERA_MAKS_KOORDINAT) || (type == ZERA_SIRKEL && d < 0))
            return feil(FEIL_RADIUS_UMULIG);
        Elm.radius = d;
        return 0;
    case ZERA_KLOTOIDE:
        if (verdi_tall(g.finn(KLOTRAD1, grense), 1, &d))
            Elm.klotrad1 = d;
        if (verdi_tall(g.finn(KLOTRAD2, grense), 1, &d))
            Elm.klotrad2 = d;
        if (verdi_tall(g.finn(KLOTPAR, grense), 1, &d))
            Elm.klotpar = d;
        return 0;
    case ZERA_TEKST:
        p = g.finn(STRENG, grense);
        if (p == nullptr)
            p = g.finn(SNAVN, grense);
        if (p == nullptr)
            return feil(FEIL_TEKST_MANGLER);
        if (zerget_str(p, streng, &head->charset) != 0)
            return feil(FEIL_TEKST);
        kopier(Elm.text, sizeof Elm.text, streng);
        return 0;
    case ZERA_TRASE:
    case ZERA_FLATE:
    case ZERA_STRUKTUR:
        p = g.finn(STRENG, grense);
        if (p != nullptr) {
            if (zerget_str(p, streng, &head->charset) != 0)
                return feil(FEIL_TEKST);
            kopier(Elm.text, sizeof Elm.text, streng);
        } else if (g.finn(GID, grense) != nullptr) {
            gid_fra(g.finn(GID, slutt));
        }
        return zerget_ref(group) == 0 ? 0 : -1;
    case ZERA_RASTER: {
        p = nullptr;
        for (const Nokkel &n : PIKSEL) {
            const char *hit = g.finn(n, slutt);
            if (hit != nullptr && (p == nullptr || hit < p))
                p = hit;
        }
        if (p == nullptr)
            return feil(FEIL_PIKSEL);
        for (int i = 0; i < 2; i++)
            if (verdi_tall(p, i + 1, &d))
                Elm.dim[i] = d;
        p = g.finn(BILDEFIL, slutt);
        if (p == nullptr)
            return feil(FEIL_BILDE);
        if (zerget_str(p, streng, &head->charset) != 0)
            return feil(FEIL_TEKST);
        kopier(Elm.text, sizeof Elm.text, streng);
        return 0;
    }
    case ZERA_SYMBOL:
        // Codes past the record's 100 are dropped.
        les_symbolkoder();
        return 0;
    default:
        return 0;
    }
}

namespace {

bool ord_er(const char *w, size_t n, const char *ord, size_t len) { return n == len && memcmp(w, ord, len) == 0; }

constexpr uint32_t hash_av(const char *ord) { return ord_hash(ord, std::char_traits<char>::length(ord)); }

// A word after two or more dots whose key the record models, or that the
// writer writes again: its line stays out of rest.
bool utelatt_ord(uint32_t h, const char *w, size_t n)
{
    switch (h) {
#define ORD(o)                                                                                                       \
    case hash_av(o):                                                                                                 \
        return ord_er(w, n, o, sizeof o - 1);
        ORD("ENHET") ORD("DATO") ORD("STORBUE") ORD("RADIUS") ORD("KLOTRAD1") ORD("KLOTRAD2") ORD("KLOTPAR")
        ORD("DYBDE") ORD("DIM") ORD("TDIM") ORD("KP") ORD("KOMM") ORD("REF")
#undef ORD
    default:
        return false;
    }
}

// The runs of two or more dots of a line: from the group's index when
// there is one, else found in the line.
struct LinjeLop {
    const Nokkelindeks *indeks; // null: search the line
    size_t neste;               // the index's first run not behind us

    // Calls f(run, run end, word end, word hash) for each run in [p, e)
    // until f answers true; true then.
    template <class F> bool for_hvert(const char *p, const char *e, F f)
    {
        if (indeks != nullptr) {
            const char *t = indeks->tekst;
            while (neste < indeks->antall && t + indeks->lop[neste].start < p)
                neste++;
            for (size_t i = neste; i < indeks->antall && t + indeks->lop[i].start < e; i++) {
                const NokkelLop &l = indeks->lop[i];
                if (f(t + l.start, t + l.start + l.prikker, t + l.ordSlutt, l.hash))
                    return true;
            }
            return false;
        }
        for (const char *q = p; q < e;) {
            q = (const char *)memchr(q, '.', (size_t)(e - q));
            if (q == nullptr)
                return false;
            const char *r = q + 1;
            while (r < e && *r == '.')
                r++;
            if (r - q >= 2) {
                const char *w = r;
                while (w < e && !nokkelgrense(*w))
                    w++;
                if (f(q, r, w, ord_hash(r, (size_t)(w - r))))
                    return true;
            }
            q = r;
        }
        return false;
    }
};

// Whether the attribute line [p, e) stays out of rest; *kvalitet gets the
// line's "..KVALITET" key when it stays in.  The keys are found as
// finn_nokkel finds them, by the dot runs of the line.
bool utelat_linje(LinjeLop &lop, const char *p, const char *e, const char *text, const Nokkel &hoyde,
                  const char **kvalitet)
{
    *kvalitet = nullptr;
    if (*p != '.')
        return true;
    // An old reference line: ".." alone, then the references.
    if (p[1] == '.' && (p + 2 == e || er_blank((unsigned char)p[2])))
        return true;
    const bool hoydeIndeks = hoyde.indeksert && hoyde.prefiks == 0;
    const char *hoydeOrd = hoyde.tekst + hoyde.prikker;
    const bool tekst = Elm.type == ZERA_TEKST;
    // A theme key is a token that begins with ".." and holds "TEMA" at a key
    // boundary: without a ':' in the words, that is a run at a token start
    // whose word ends in "TEMA".
    bool kolon = false;
    bool ut = lop.for_hvert(p, e, [&](const char *run, const char *r, const char *w, uint32_t h) {
        size_t n = (size_t)(w - r);
        // Only the element's own keys are modelled; a sub-line stays in rest.
        const bool egen = r - run == 2;
        if (egen && utelatt_ord(h, r, n))
            return true;
        if (hoydeIndeks && h == hoyde.hash && r - run >= hoyde.prikker && ord_er(r, n, hoydeOrd, hoyde.ordLen))
            return true;
        if (w < e && *w == ':')
            kolon = true;
        bool tokenstart = run == text || er_blank((unsigned char)run[-1]) || run[-1] == '\n';
        if (n >= 4 && memcmp(w - 4, "TEMA", 4) == 0 && tokenstart)
            return true;
        // "! ..DST" anywhere in the line
        if (r - run == 2 && run - p >= 2 && run[-2] == '!' && run[-1] == ' ' && n >= 3 && memcmp(r, "DST", 3) == 0)
            return true;
        if (tekst && h == hash_av("STRENG") && ord_er(r, n, "STRENG", 6))
            return true;
        if (egen && *kvalitet == nullptr && h == hash_av("KVALITET") && ord_er(r, n, "KVALITET", 8))
            *kvalitet = r - 2;
        return false;
    });
    if (ut || (!hoydeIndeks && finn_nokkel(p, hoyde.tekst, e) != nullptr))
        return true;
    const char *token = nullptr;
    const char *etter = nullptr;
    return kolon && finn_temanokkel(text, p, e, &token, &etter);
}

// Whether a quality place whose number is 0 was written as a number ("0",
// "+0"), not as "@" or another word that reads as 0.
bool er_null(const char *s, size_t n)
{
    size_t i = n > 0 && (s[0] == '+' || s[0] == '-') ? 1 : 0;
    return i < n && s[i] >= '0' && s[i] <= '9';
}

// The six places of a "..KVALITET" line: "*" is -1, a written 0 is -10 (0
// in the record means "the header's value"), a number above 0 is taken, an
// absent place is 0, a negative number leaves the place.
void les_kvalitet(const char *nokkel)
{
    const Kvalitetplasser &plass = kvalitet_plasser(nokkel);
    for (int i = 0; i < ZERA_KVALITET_COUNT; i++) {
        if (!plass.har[i]) {
            Elm.kvalitet[i] = 0;
            continue;
        }
        if (plass.n[i] == 1 && plass.s[i][0] == '*') {
            Elm.kvalitet[i] = -1;
            continue;
        }
        int32_t v = plass.tall[i];
        if (v > 0)
            Elm.kvalitet[i] = v;
        else if (v == 0)
            Elm.kvalitet[i] = er_null(plass.s[i], plass.n[i]) ? -10 : 0;
    }
}

// Builds Elm.rest (see zerget_rest) from the line at p, the group's first
// "..", on; koord is the group's first coordinate key, or null.
int16_t les_rest(const char *group, const char *p, const char *slutt, const char *koord, const ScharStruct *keys,
                 int16_t *set, const Nokkelindeks *indeks)
{
    Elm.rest[0] = '\0';
    Elm.restLen = 0;
    if (p == nullptr)
        return 0;
    const Nokkel &hoyde = settnokler(keys).hoyde;
    LinjeLop lop{indeks != nullptr && indeks->tekst != nullptr ? indeks : nullptr, 0};
    size_t len = 0;
    while (*p != '\0') {
        const char *eol = (const char *)memchr(p, '\n', (size_t)(slutt - p));
        if (eol == nullptr)
            eol = slutt;
        const char *e = eol;
        if (e > p && e[-1] == '\r')
            e--;
        if (e - p < 2 || (koord != nullptr && koord < eol))
            break;
        const char *k = nullptr;
        if (!utelat_linje(lop, p, e, group, hoyde, &k)) {
            if (k != nullptr)
                les_kvalitet(k);
            size_t n = (size_t)(e - p);
            size_t behov = n + (len > 0 ? 1 : 0);
            if (len + behov > ZERA_REST_LEN - 1)
                break;
            if (len > 0)
                Elm.rest[len++] = '\n';
            memcpy(Elm.rest + len, p, n);
            len += n;
            Elm.rest[len] = '\0';
        }
        p = (*eol == '\n') ? eol + 1 : eol;
    }
    if (len > 0 && (Elm.rest[len - 1] == '\n' || Elm.rest[len - 1] == ' '))
        Elm.rest[--len] = '\0';
    Elm.restLen = (int16_t)len;
    // rest is ISO 8859-1, as the other texts of the record: a bracket of an
    // 8-bit file stays a bracket, a 7-bit file's letters become letters.
    if (set != nullptr && *set != ZERA_CHARSET_ISO && *set != ZERA_CHARSET_ISO2 && len > 0) {
        int16_t ut = ZERA_CHARSET_ISO;
        if (bbs_cstr78(Elm.rest, set, &ut) != 0)
            return -1;
    }
    return 0;
}

} // namespace

/* Builds Elm.rest from the attribute lines before the coordinates, in
   ISO 8859-1.  0, or -1 when the text cannot be converted from *set. */
int16_t zerget_rest(const char *group, ScharStruct *keys, int16_t *set)
{
    const char *slutt = group + strlen(group);
    sistKvalitet.nokkel = nullptr;
    const char *p = finn_tekst(group, "..", nullptr);
    return les_rest(group, p, slutt, p != nullptr ? finn_koordnokkel(p, slutt, keys, nullptr) : nullptr, keys, set,
                    nullptr);
}

namespace {

void gid_fra(const char *p)
{
    if (p == nullptr)
        return;
    p += 5;
    if (*p == ' ' || *p == '\t')
        p++;
    const char *e = linje_slutt(p);
    if (e > p && e[-1] == '\r')
        e--;
    kopier_n(Elm.text, sizeof Elm.text, p, (size_t)(e - p));
    bool forste = true;
    for (char *c = Elm.text; *c != '\0'; c++) {
        if (*c == ' ' || *c == '\t') {
            *c = forste ? '/' : ',';
            forste = false;
        }
    }
}

} // namespace

const Nokkelindeks *zerget_indeks(const char *group)
{
    return group != nullptr && group == g.tekst && g.indeks.tekst == group ? &g.indeks : nullptr;
}

const char *zerget_nokkel_parset(const char *group, const char *key)
{
    const Nokkelindeks *x = zerget_indeks(group);
    if (x == nullptr || key == nullptr)
        return finn_nokkel(group, key, nullptr);
    // The import asks for the same key group after group: it is taken
    // apart again only when another comes.
    static char sist[32] = "";
    static Nokkel n = nokkel(sist);
    if (strncmp(sist, key, sizeof sist) != 0) {
        if (strlen(key) >= sizeof sist)
            return nokkelindeks_finn(x, nokkel(key), group, x->slutt);
        kopier(sist, sizeof sist, key);
        n = nokkel(sist);
    }
    return nokkelindeks_finn(x, n, group, x->slutt);
}

/* Elm.text := the "..GID" value with its first blank as '/' and the
   others as ','; unchanged when the group has no "..GID". */
void zerget_gid(const char *group)
{
    gid_fra(finn_nokkel(group, "..GID", nullptr));
}

namespace {

// References already stored, by absolute value and boundary, so a repeat
// is found without comparing against every earlier reference.  Slots of
// an earlier call are told apart by their generation.  A reference dropped
// as forth and back leaves its slot marked free for the next insertion, so
// a long forth-and-back list does not grow the probe chains.
const uint32_t REF_SPOR = 16384; // a power of two above twice ZERA_MAX_REFS
static_assert(REF_SPOR > 2 * ZERA_MAX_REFS, "reference table too small");
const int16_t REF_FRI = -1;
int16_t refIndeks[REF_SPOR];
uint32_t refGenerasjon[REF_SPOR];
uint16_t refSporAv[ZERA_MAX_REFS]; // slot of each stored reference
uint32_t generasjon;
uint32_t refBrukt;

uint32_t ref_spor(long a, int g)
{
    uint32_t h = (uint32_t)a * 2654435761u ^ (uint32_t)g * 40503u;
    return (h ^ (h >> 15)) & (REF_SPOR - 1);
}

bool ref_finnes(long a, int g)
{
    for (uint32_t s = ref_spor(a, g); refGenerasjon[s] == generasjon; s = (s + 1) & (REF_SPOR - 1)) {
        int i = refIndeks[s];
        if (i >= 0 && i < Elm.refCount && labs((long)Elm.ref[i]) == a && Elm.refGroup[i] == g)
            return true;
    }
    return false;
}

void ref_sett_inn(int i)
{
    uint32_t s = ref_spor(labs((long)Elm.ref[i]), Elm.refGroup[i]);
    while (refGenerasjon[s] == generasjon && refIndeks[s] != REF_FRI)
        s = (s + 1) & (REF_SPOR - 1);
    if (refGenerasjon[s] != generasjon)
        refBrukt++;
    refGenerasjon[s] = generasjon;
    refIndeks[s] = (int16_t)i;
    refSporAv[i] = (uint16_t)s;
}

void ref_ny_tabell(void)
{
    generasjon++;
    if (generasjon == 0) {
        memset(refGenerasjon, 0, sizeof refGenerasjon);
        generasjon = 1;
    }
    refBrukt = 0;
}

void ref_lagre(long v, int g)
{
    // Slots freed by forth and back still lengthen the probes of other
    // references: start afresh from the references stored before the
    // table fills.
    if (refBrukt >= REF_SPOR / 2) {
        ref_ny_tabell();
        for (int i = 0; i < Elm.refCount; i++)
            ref_sett_inn(i);
    }
    int i = Elm.refCount;
    Elm.ref[i] = (int32_t)v;
    Elm.refGroup[i] = (int16_t)g;
    Elm.refCount = (int16_t)(i + 1);
    ref_sett_inn(i);
}

// Drops the reference stored last.
void ref_fjern_siste(void)
{
    Elm.refCount--;
    refIndeks[refSporAv[Elm.refCount]] = REF_FRI;
}

// A line that continues the reference list: one without a key, or one
// that repeats the list's key.
bool fortsetter_liste(const char *s, bool gammel)
{
    while (er_blank((unsigned char)*s))
        s++;
    if (*s != '.')
        return true;
    if (gammel)
        return s[0] == '.' && s[1] == '.' && er_blank((unsigned char)s[2]);
    return strncmp(s, "..REF", 5) == 0 && nokkelgrense(s[5]);
}

} // namespace

/* Reads the reference list into Elm.ref/refGroup/refCount.  The list runs
   from its key to the next line that starts another key, so a ':' in a
   later attribute value is not taken for a reference.  0, or -1 with
   error 10, 12 or 13 registered. */
int16_t zerget_ref(const char *group)
{
    Elm.refCount = 0;
    const char *slutt = group + strlen(group);
    bool gammel = true;
    const char *p = finn_gammel_refnokkel(group, slutt);
    if (p != nullptr) {
        p += 2;
    } else {
        gammel = false;
        p = finn_nokkel(group, "..REF", slutt);
        if (p == nullptr)
            return feil(FEIL_REFERANSER);
        p += 5;
    }
    ref_ny_tabell();
    int oy = 0;      // islands opened so far
    int gruppe = 0;  // boundary of the next reference: 0 outer, n island n
    for (bool forsteLinje = true; *p != '\0'; forsteLinje = false) {
        const char *eol = (const char *)memchr(p, '\n', (size_t)(slutt - p));
        if (eol == nullptr)
            eol = slutt;
        if (!forsteLinje) {
            const char *s = p;
            while (er_blank((unsigned char)*s))
                s++;
            if (*s == '!') {
                p = (*eol == '\n') ? eol + 1 : eol;
                continue;
            }
            if (!fortsetter_liste(p, gammel))
                break;
        }
        for (const char *c = p; c < eol; c++) {
            if (*c == '(') {
                if (oy < INT16_MAX)
                    oy++;
                gruppe = oy;
                continue;
            }
            if (*c == ')') {
                gruppe = 0;
                continue;
            }
            if (*c != ':')
                continue;
            const char *t = c + 1;
            while (t < eol && er_blank((unsigned char)*t))
                t++;
            if (t >= eol || !(*t == '-' || *t == '+' || (*t >= '0' && *t <= '9')))
                continue;
            char *tslutt = nullptr;
            errno = 0;
            long v = strtol(t, &tslutt, 10);
            if (tslutt == t || tslutt > eol || errno != 0 || v < -INT32_MAX || v > INT32_MAX)
                continue;
            c = tslutt - 1;
            long a = labs(v);
            // A line traversed forth and back drops out.
            if (Elm.refCount > 0 && labs((long)Elm.ref[Elm.refCount - 1]) == a) {
                ref_fjern_siste();
                continue;
            }
            if (ref_finnes(a, gruppe))
                return feil(FEIL_REF_GJENTATT);
            if (Elm.refCount >= ZERA_MAX_REFS - 1)
                return feil(FEIL_REF_ANTALL);
            ref_lagre(v, gruppe);
        }
        p = (*eol == '\n') ? eol + 1 : eol;
    }
    if (Elm.refCount == 0)
        return feil(FEIL_REFERANSER);
    return 0;
}
