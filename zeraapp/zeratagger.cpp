// ZERA attributes as tags: the tag set input file, the tag sets of the
// design file, writing an imported element's tags and reading them back.
//
// Sections: the table and messages - reading the tag set input file - tag
// sets - values of Elm - writing tags - reading tags - the exported
// functions.
#include "zeratagger.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "brukerdata.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zvlibfii.h"
#include "zvlibtext.h"

namespace {

// ---- the table and messages -------------------------------------------------------

std::vector<TagsetPost> tabell; // empty: no table

constexpr DgnModelRefP AKTIV_MODELL = 0; // the host's active model

constexpr int MAKS_TEMA_FOREKOMST = ZERA_MAX_THEMES; // "..TEMA" occurrences 0 .. 9
constexpr int MAKS_KVALITET_FOREKOMST = ZERA_KVALITET_COUNT - 1;

const zeraBrukerGrensesnittData *innstillinger() { return brukerDataP; }

bool egenskapModus()
{
    const auto *b = innstillinger();
    return b != nullptr && b->egenskapModus != 0;
}

std::string tilTekst(const char16_t *wide)
{
    char mb[ZVZERA_TAG_NAVN_LEN + 1];
    mdlCnv_convertUnicodeToMultibyte(wide, -1, mb, sizeof mb);
    return mb;
}

// Set and tag names compared up to their terminators.
bool sammeNavn(const char16_t *a, const char16_t *b)
{
    for (int i = 0; i < ZVZERA_TAG_NAVN_LEN; ++i) {
        if (a[i] != b[i])
            return false;
        if (a[i] == 0)
            return true;
    }
    return true;
}

// A bounded copy into a fixed field; says so when the text was cut.
void kopierFelt(char *felt, size_t storrelse, const char *tekst, const char *navn)
{
    if (!zvlib::copyText(felt, storrelse, tekst))
        toolSubsystem_printf("ZERA-egenskapen %s er kuttet til %zu tegn\n", navn, storrelse - 1);
}
template <size_t N> void kopierFelt(char (&felt)[N], const char *tekst, const char *navn)
{
    kopierFelt(felt, N, tekst, navn);
}

// ---- reading the tag set input file ------------------------------------------------

void meldLinje(int batch, FILE *rapport, const char *fil, int linje, const char *hva)
{
    if (batch && rapport != nullptr)
        fprintf(rapport, "Tagsettfil %s linje %d: %s\n", fil, linje, hva);
    else
        toolSubsystem_printf("Tagsettfil %s linje %d: %s\n", fil, linje, hva);
}

// The next field as a number (isNumber: zvlibFii_isLong or _isDouble,
// which leave it in last); a field that does not parse is 0 and is stepped
// over, so the fields after it keep their places.
template <class T> T lesTall(ZvlibFii *fii, int (*isNumber)(ZvlibFii *, const char *), const T &last)
{
    if (isNumber(fii, nullptr) == 0)
        return last;
    char forbi[ZVLIB_FII_TEXT_LEN];
    zvlibFii_readText(fii, forbi);
    return T{};
}

// One logical line into post; false (with a message) when it cannot be
// an entry.
bool lesPost(ZvlibFii *fii, TagsetPost &post, int batch, FILE *rapport, const char *fil)
{
    char attributt[ZVLIB_FII_TEXT_LEN], sett[ZVLIB_FII_TEXT_LEN], tag[ZVLIB_FII_TEXT_LEN];
    zvlibFii_readText(fii, attributt);
    zvlibFii_readText(fii, sett);
    zvlibFii_readText(fii, tag);
    if (sett[0] == '\0' || tag[0] == '\0') {
        meldLinje(batch, rapport, fil, fii->lineCount, "mangler tagsettnavn eller tagnavn");
        return false;
    }
    if (strlen(attributt) >= sizeof post.attribute || strlen(sett) >= ZVZERA_TAG_NAVN_LEN ||
        strlen(tag) >= ZVZERA_TAG_NAVN_LEN) {
        meldLinje(batch, rapport, fil, fii->lineCount,
                  "for langt navn (attributt h\370yst 20 tegn, tagsett og tag h\370yst 32)");
        return false;
    }
    memset(&post, 0, sizeof post);
    memcpy(post.attribute, attributt, strlen(attributt) + 1); // its length is checked above
    mdlCnv_convertMultibyteToUnicode(sett, -1, post.setName, ZVZERA_TAG_NAVN_LEN);
    mdlCnv_convertMultibyteToUnicode(tag, -1, post.tagName, ZVZERA_TAG_NAVN_LEN);
    post.type = lesTall(fii, zvlibFii_isLong, fii->lastLong);
    post.index = lesTall(fii, zvlibFii_isLong, fii->lastLong);
    post.display = lesTall(fii, zvlibFii_isLong, fii->lastLong);
    post.dx = lesTall(fii, zvlibFii_isDouble, fii->lastDouble);
    post.dy = lesTall(fii, zvlibFii_isDouble, fii->lastDouble);
    return true;
}

// A set or tag name up to its terminator, as a key.
std::u16string navnNokkel(const char16_t *navn)
{
    size_t n = 0;
    while (n < ZVZERA_TAG_NAVN_LEN && navn[n] != 0)
        ++n;
    return std::u16string(navn, n);
}

// Occurrence and set number of each entry from those before it, as the
// entries are read: the first of a set gives its number, and an attribute
// named again in the same set numbers its occurrences 0, 1, 2...  Kept in
// maps, so a file of many thousand lines is read in n log n.
struct Nummerering {
    std::map<std::u16string, int32_t> sett;
    std::map<std::pair<std::u16string, std::string>, std::pair<size_t, int>> like; // first entry, count
    int antallSett = 0;

    void nummerer(std::vector<TagsetPost> &poster)
    {
        TagsetPost &ny = poster.back();
        std::u16string s = navnNokkel(ny.setName);
        auto [st, nyttSett] = sett.try_emplace(s, antallSett);
        if (nyttSett)
            ++antallSett;
        ny.setNumber = st->second;
        auto [l, forste] = like.try_emplace({s, ny.attribute}, poster.size() - 1, 0);
        ny.occurrence = -1;
        if (!forste) {
            poster[l->second.first].occurrence = 0;
            ny.occurrence = l->second.second;
        }
        ++l->second.second;
    }
};

// Sets the host refused to make in the last LagTagsett: name and status.
std::vector<std::pair<std::string, int>> settIkkeLaget;

// ---- tag sets ------------------------------------------------------------------------

int hostType(int32_t type) { return type == 1 ? TAGTYPE_LONG : type == 2 ? TAGTYPE_DOUBLE : TAGTYPE_TEXT; }

void FyllTagDefinisjon(DgnTagDefinition &def, const char16_t *tagName, int32_t type)
{
    memset(&def, 0, sizeof def);
    std::char_traits<char16_t>::copy(def.name, tagName, ZVZERA_TAG_NAVN_LEN - 1);
    def.value.type = hostType(type);
}

// One definition per tag name of the set (the first entry of a name
// decides its type: the host refuses a set that names a tag twice).
int LagTagsettDefinisjon(int32_t setNumber, const char16_t *setName)
{
    std::vector<DgnTagDefinition> defs;
    std::set<std::u16string> navn;
    for (const TagsetPost &p : tabell) {
        if (p.setNumber != setNumber)
            continue;
        if (navn.insert(navnNokkel(p.tagName)).second) {
            defs.emplace_back();
            FyllTagDefinisjon(defs.back(), p.tagName, p.type);
        }
    }
    int status = mdlTag_createSetDef(setName, ZVZERA_TAG_RAPPORTNAVN, 0, defs.data(), static_cast<int>(defs.size()),
                                     AKTIV_MODELL);
    if (status != 0)
        toolSubsystem_printf("Error calling mdlTag_createSetDef, status=%d\n", status);
    return status;
}

// Calls f(setName) once per set of the table, in set-number order.
template <class F> void forHvertSett(F f)
{
    int32_t neste = 0;
    for (const TagsetPost &p : tabell)
        if (p.setNumber == neste) {
            ++neste;
            f(p);
        }
}

// ---- values of Elm -------------------------------------------------------------------

enum class Slag { LONG, DOUBLE, TEKST };

struct Verdi {
    Slag slag = Slag::TEKST;
    int32_t l = 0;
    double d = 0.0;
    std::string t;
    bool harVerdi() const { return slag == Slag::LONG ? l != 0 : slag == Slag::DOUBLE ? d != 0.0 : !t.empty(); }
};

Verdi lang(int32_t l) { Verdi v; v.slag = Slag::LONG; v.l = l; return v; }
Verdi dobbel(double d) { Verdi v; v.slag = Slag::DOUBLE; v.d = d; return v; }
Verdi tekst(const char *felt, size_t storrelse) { Verdi v; v.t.assign(felt, strnlen(felt, storrelse)); return v; }

size_t restLengde() { return strnlen(Elm.rest, ZERA_REST_LEN - 1); }

bool erBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void fjernHaleblanke(std::string &s)
{
    while (!s.empty() && erBlank(s.back()))
        s.pop_back();
}

// Whether the rest line starting at linje names attribute navn: the name
// followed by a blank or the line's end (so "..A" is not "..AB").
bool linjeNavngir(const char *linje, const char *slutt, const char *navn)
{
    size_t n = strlen(navn);
    if (n == 0 || size_t(slutt - linje) < n || memcmp(linje, navn, n) != 0)
        return false;
    return linje + n == slutt || linje[n] == ' ' || linje[n] == '\t';
}

// Calls f(start, end) for each line of rest.
template <class F> void forHverRestlinje(F f)
{
    const char *p = Elm.rest, *slutt = Elm.rest + restLengde();
    while (p < slutt) {
        const char *nl = static_cast<const char *>(memchr(p, '\n', size_t(slutt - p)));
        const char *e = nl != nullptr ? nl : slutt;
        f(p, e);
        p = e + 1;
    }
}

// The value of attribute navn in rest: the text after its name and one
// blank up to the next ".." or the line's end; with an occurrence of 0 or
// more only that blank-separated word.
Verdi HentEgenskapFraTekst(const TagsetPost &post)
{
    Verdi v;
    bool funnet = false;
    forHverRestlinje([&](const char *linje, const char *slutt) {
        if (funnet || !linjeNavngir(linje, slutt, post.attribute))
            return;
        funnet = true;
        const char *p = linje + strlen(post.attribute);
        if (p < slutt)
            ++p; // the blank after the name
        std::string s(p, size_t(slutt - p));
        size_t prikker = s.find("..");
        if (prikker != std::string::npos)
            s.resize(prikker);
        fjernHaleblanke(s);
        if (post.occurrence < 0) {
            v.t = s;
            return;
        }
        size_t i = 0;
        for (int ord = 0;; ++ord) {
            i = s.find_first_not_of(" \t", i);
            if (i == std::string::npos)
                return;
            size_t e = s.find_first_of(" \t", i);
            if (ord == post.occurrence) {
                v.t = s.substr(i, e == std::string::npos ? std::string::npos : e - i);
                return;
            }
            if (e == std::string::npos)
                return;
            i = e;
        }
    });
    return v;
}

// A sub-line: three or more dots, so it belongs to the line above it.
bool erUnderlinje(const char *linje, const char *slutt)
{
    while (linje < slutt && erBlank(*linje))
        ++linje;
    return slutt - linje >= 3 && linje[0] == '.' && linje[1] == '.' && linje[2] == '.';
}

// "..*": every rest line that no entry of the table names, one per line.
// A named line with sub-lines stays as well, so the sub-lines come back
// under it and not under whatever line precedes them.
Verdi restUtenTabellensNavn()
{
    Verdi v;
    std::vector<std::pair<const char *, const char *>> linjer;
    forHverRestlinje([&](const char *linje, const char *slutt) { linjer.emplace_back(linje, slutt); });
    for (size_t i = 0; i < linjer.size(); ++i) {
        std::string s(linjer[i].first, size_t(linjer[i].second - linjer[i].first));
        fjernHaleblanke(s);
        if (s.empty())
            continue;
        bool harUnderlinjer = i + 1 < linjer.size() && erUnderlinje(linjer[i + 1].first, linjer[i + 1].second);
        bool navngitt = false;
        for (const TagsetPost &p : tabell)
            navngitt = navngitt || linjeNavngir(s.data(), s.data() + s.size(), p.attribute);
        if (navngitt && !harUnderlinjer)
            continue;
        if (!v.t.empty())
            v.t += '\n';
        v.t += s;
    }
    return v;
}

Verdi temaVerdi(const TagsetPost &post)
{
    const auto *b = innstillinger();
    int antall = std::clamp<int>(Elm.themeCount, 0, ZERA_MAX_THEMES);
    if (b != nullptr && b->lagreEgenskaper && !b->egenskapModus && b->flereTemaEnGang && TagsetHarTema()) {
        int k = std::max(post.occurrence, 0);
        // A theme past themeCount is left over from an earlier element.
        return k < antall ? tekst(Elm.theme[k], ZERA_THEME_LEN) : Verdi{};
    }
    if (post.occurrence < 1 && antall > 0)
        return tekst(Elm.theme[antall - 1], ZERA_THEME_LEN);
    return Verdi{};
}

Verdi HentZeraEgenskap(const TagsetPost &post)
{
    const char *a = post.attribute;
    if (strcmp(a, "..TEMA") == 0)
        return temaVerdi(post);
    if (strcmp(a, "..DATO") == 0)
        return lang(Elm.dato);
    if (strcmp(a, "..KVALITET") == 0) {
        int k = std::max(post.occurrence, 0);
        return lang(k <= MAKS_KVALITET_FOREKOMST ? Elm.kvalitet[k] : 0);
    }
    if (strcmp(a, "..KOMM") == 0)
        return lang(Elm.komm);
    if (strcmp(a, "..HOB") == 0)
        return dobbel(Elm.hob);
    if (strcmp(a, "..MEDIUM") == 0)
        return tekst(Elm.medium, sizeof Elm.medium);
    if (strcmp(a, "..HREF") == 0)
        return tekst(Elm.href, sizeof Elm.href);
    if (strcmp(a, "..STATUS") == 0)
        return tekst(Elm.status, sizeof Elm.status);
    if (strcmp(a, "..OBJTYPE") == 0)
        return tekst(Elm.objtype, sizeof Elm.objtype);
    if (restLengde() == 0)
        return Verdi{};
    if (strcmp(a, "..*") == 0)
        return restUtenTabellensNavn();
    return HentEgenskapFraTekst(post);
}

int32_t tilLong(double d)
{
    if (!std::isfinite(d))
        return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(d), double(INT32_MIN), double(INT32_MAX)));
}

int32_t tekstTilLong(const std::string &t)
{
    long long l = strtoll(t.c_str(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long long>(l, INT32_MIN, INT32_MAX));
}

double tekstTilDouble(const std::string &t)
{
    double d = strtod(t.c_str(), nullptr);
    return std::isfinite(d) ? d : 0.0;
}

// The value converted: a double truncated, a text as atol / atof would.
int32_t somLong(const Verdi &v)
{
    return v.slag == Slag::LONG ? v.l : v.slag == Slag::DOUBLE ? tilLong(v.d) : tekstTilLong(v.t);
}

double somDouble(const Verdi &v)
{
    return v.slag == Slag::LONG ? v.l : v.slag == Slag::DOUBLE ? v.d : tekstTilDouble(v.t);
}

std::string somTekst(const Verdi &v)
{
    char buf[64];
    if (v.slag == Slag::LONG)
        snprintf(buf, sizeof buf, "%d", v.l);
    else if (v.slag == Slag::DOUBLE)
        snprintf(buf, sizeof buf, "%.3f", v.d);
    else
        return v.t;
    return buf;
}

// The value as the tag's host type.
void tilTagVerdi(DgnTagValue &tv, const Verdi &v, int type)
{
    tv.type = type;
    tv.longValue = 0;
    tv.doubleValue = 0.0;
    tv.stringValue[0] = '\0';
    if (type == TAGTYPE_LONG)
        tv.longValue = somLong(v);
    else if (type == TAGTYPE_DOUBLE)
        tv.doubleValue = somDouble(v);
    else
        zvlib::copyText(tv.stringValue, somTekst(v).c_str());
}

// ---- writing tags --------------------------------------------------------------------

// Offset (current units) from the element's origin to the point of it
// closest to the centre of its range; 0 when it has none.
DPoint3d FinnTagPlassering(ElementID id)
{
    DPoint3d offset{0, 0, 0};
    std::unique_ptr<MSElement> el(new MSElement); // not cleared: the read fills what is used
    if (mdlAssoc_getElement(el.get(), id, AKTIV_MODELL) == 0)
        return offset;
    DRange3d r;
    if (mdlElement_extractRange(&r, el.get()) != 0)
        return offset;
    DPoint3d hjorner[2] = {r.low, r.high};
    mdlCurrTrans_invtransPointArray(hjorner, hjorner, 2);
    DPoint3d midt{(hjorner[0].x + hjorner[1].x) / 2, (hjorner[0].y + hjorner[1].y) / 2,
                  (hjorner[0].z + hjorner[1].z) / 2};
    DPoint3d naermest;
    int segment = 0;
    if (mdlLinear_getClosestSegment(&naermest, &segment, el.get(), &midt) != 0)
        return offset;
    int type = mdlElement_getType(el.get());
    DPoint3d fra = hjorner[0];
    if (egenskapModus() || type == LINE_STRING_ELM) {
        std::vector<DPoint3d> pkt(MAX_VERTICES);
        int antall = 0;
        if (mdlLinear_extract(pkt.data(), &antall, el.get(), AKTIV_MODELL) != 0 || antall < 1)
            return offset;
        // A curve's first real vertex follows its two control points.
        fra = type == CURVE_ELM && antall > 2 ? pkt[2] : pkt[0];
    }
    return {naermest.x - fra.x, naermest.y - fra.y, naermest.z - fra.z};
}

// Text mode: the value as a text at Elm's first point plus plass.
void skrivTekst(const MSElement &mal, const Verdi &v, const TagsetPost &post, const DPoint3d &plass)
{
    if (post.display == 0 || Elm.pointCount < 1)
        return;
    std::string t = somTekst(v);
    if (t.size() >= ZVZERA_TAG_TEKST_LEN)
        t.resize(ZVZERA_TAG_TEKST_LEN - 1);
    if (t.empty())
        return;
    const auto *b = innstillinger();
    TextSizeParam storrelse{b != nullptr && b->standardTekstBredde > 0 ? b->standardTekstBredde : 1.0,
                            b != nullptr && b->standardTekstHoyde > 0 ? b->standardTekstHoyde : 1.0};
    DPoint3d origo{Elm.E[0] + plass.x, Elm.N[0] + plass.y, Elm.H[0] + plass.z};
    auto el = std::make_unique<MSElement>();
    if (mdlText_create(el.get(), &mal, t.c_str(), &origo, nullptr, &storrelse, nullptr) != 0 ||
        mdlElement_add(el.get()) == 0)
        toolSubsystem_printf("feil i mdlText_create. status=%d\n", mdlErrno);
}

// ---- reading tags ---------------------------------------------------------------------

struct Samlet {
    int32_t occurrence;
    char attribute[ZVZERA_TAG_ATTRIBUTT_LEN];
    char value[ZVZERA_TAG_VERDI_LEN];
};

// Appends tekst to rest, after a line break when rest has text not ending
// in one.  A piece that does not fit whole is left out (and said so), so
// rest never holds a cut attribute line.
void leggTilRest(const std::string &tekst, bool nyLinje, const char *navn)
{
    size_t n = restLengde();
    bool skille = nyLinje && n > 0 && Elm.rest[n - 1] != '\n';
    if (n + (skille ? 1 : 0) + tekst.size() > ZERA_REST_LEN - 1) {
        toolSubsystem_printf("ZERA-egenskapen %s f\345r ikke plass og er utelatt\n", navn);
        return;
    }
    if (skille)
        Elm.rest[n++] = '\n';
    memcpy(Elm.rest + n, tekst.data(), tekst.size());
    Elm.rest[n + tekst.size()] = '\0';
}

// The value of a tag as the kind the attribute needs.
Verdi LesTagVerdi(const DgnTagValue &tv)
{
    switch (tv.type) {
    case TAGTYPE_LONG: return lang(tv.longValue);
    case TAGTYPE_DOUBLE: return dobbel(tv.doubleValue);
    default: return tekst(tv.stringValue, sizeof tv.stringValue);
    }
}

void KopierTagTekst(char *felt, size_t storrelse, const Verdi &v, const char *navn)
{
    kopierFelt(felt, storrelse, somTekst(v).c_str(), navn);
}

void LesEnTag(const TagsetPost &post, const DgnTagValue &tv, std::vector<Samlet> &samlet)
{
    Verdi v = LesTagVerdi(tv);
    const char *a = post.attribute;
    if (strcmp(a, "..TEMA") == 0) {
        int k = std::max(post.occurrence, 0);
        if (k >= MAKS_TEMA_FOREKOMST)
            return;
        KopierTagTekst(Elm.theme[k], ZERA_THEME_LEN, v, a);
        if (strlen(Elm.theme[k]) > 1 && Elm.themeCount < k + 1)
            Elm.themeCount = static_cast<int16_t>(k + 1);
    } else if (strcmp(a, "..DATO") == 0) {
        Elm.dato = somLong(v);
    } else if (strcmp(a, "..KVALITET") == 0) {
        int k = std::max(post.occurrence, 0);
        if (k <= MAKS_KVALITET_FOREKOMST)
            Elm.kvalitet[k] = somLong(v);
    } else if (strcmp(a, "..KOMM") == 0) {
        Elm.komm = static_cast<int16_t>(std::clamp<int32_t>(somLong(v), INT16_MIN, INT16_MAX));
    } else if (strcmp(a, "..HOB") == 0) {
        Elm.hob = somDouble(v);
    } else if (strcmp(a, "..MEDIUM") == 0) {
        KopierTagTekst(Elm.medium, sizeof Elm.medium, v, a);
    } else if (strcmp(a, "..HREF") == 0) {
        KopierTagTekst(Elm.href, sizeof Elm.href, v, a);
    } else if (strcmp(a, "..STATUS") == 0) {
        KopierTagTekst(Elm.status, sizeof Elm.status, v, a);
    } else if (strcmp(a, "..OBJTYPE") == 0) {
        KopierTagTekst(Elm.objtype, sizeof Elm.objtype, v, a);
    } else if (strcmp(a, "..*") == 0) {
        if (v.slag == Slag::TEKST && !v.t.empty())
            leggTilRest(v.t, true, a);
    } else if (post.occurrence < 0) {
        leggTilRest(std::string(a) + " " + somTekst(v), true, a);
    } else if (samlet.size() < tabell.size()) {
        Samlet s{};
        s.occurrence = post.occurrence;
        zvlib::copyText(s.attribute, a);
        kopierFelt(s.value, somTekst(v).c_str(), a);
        samlet.push_back(s);
    }
}

// The first token of a rest line.
std::string linjensNokkel(const char *linje, const char *slutt)
{
    while (linje < slutt && erBlank(*linje))
        ++linje;
    const char *e = linje;
    while (e < slutt && !erBlank(*e))
        ++e;
    return std::string(linje, size_t(e - linje));
}

// A line that has sub-lines comes back whole from the rest tag; the same
// key's line from its own tag is then dropped, so it is not written twice.
void FjernDoblerteForeldre()
{
    std::vector<std::pair<const char *, const char *>> linjer;
    forHverRestlinje([&](const char *linje, const char *slutt) { linjer.emplace_back(linje, slutt); });
    std::vector<std::string> foreldre;
    for (size_t i = 0; i + 1 < linjer.size(); ++i)
        if (!erUnderlinje(linjer[i].first, linjer[i].second) &&
            erUnderlinje(linjer[i + 1].first, linjer[i + 1].second))
            foreldre.push_back(linjensNokkel(linjer[i].first, linjer[i].second));
    if (foreldre.empty())
        return;
    std::string ny;
    for (size_t i = 0; i < linjer.size(); ++i) {
        bool harUnderlinjer = i + 1 < linjer.size() && erUnderlinje(linjer[i + 1].first, linjer[i + 1].second);
        std::string nokkel = linjensNokkel(linjer[i].first, linjer[i].second);
        if (!harUnderlinjer && !erUnderlinje(linjer[i].first, linjer[i].second) &&
            std::find(foreldre.begin(), foreldre.end(), nokkel) != foreldre.end())
            continue;
        if (!ny.empty())
            ny += '\n';
        ny.append(linjer[i].first, size_t(linjer[i].second - linjer[i].first));
    }
    memcpy(Elm.rest, ny.data(), ny.size()); // never longer than the rest it came from
    Elm.rest[ny.size()] = '\0';
}

bool SammenlignTagger(const Samlet &a, const Samlet &b)
{
    int c = strcmp(a.attribute, b.attribute);
    return c != 0 ? c < 0 : a.occurrence < b.occurrence;
}

// Repeated values of one attribute become one line in occurrence order.
void SettSammenTagTekst(std::vector<Samlet> &samlet)
{
    std::stable_sort(samlet.begin(), samlet.end(), SammenlignTagger);
    for (size_t i = 0; i < samlet.size();) {
        std::string linje = samlet[i].attribute;
        size_t j = i;
        for (; j < samlet.size() && strcmp(samlet[j].attribute, samlet[i].attribute) == 0; ++j)
            linje += std::string(" ") + samlet[j].value;
        leggTilRest(linje, true, samlet[i].attribute);
        i = j;
    }
}

const TagsetPost *finnPost(const char16_t *setName, const char16_t *tagName)
{
    for (const TagsetPost &p : tabell)
        if (sammeNavn(p.setName, setName) && sammeNavn(p.tagName, tagName))
            return &p;
    return nullptr;
}

struct DscrFri {
    MSElementDescr *d = nullptr;
    ~DscrFri() { mdlElmdscr_freeAll(&d); }
};

} // namespace

// ---- the exported functions --------------------------------------------------------------

int LesZeraTagsetInputFil(int batch, FILE *rapport)
{
    tabell.clear();
    tabell.shrink_to_fit();
    const auto *b = innstillinger();
    if (b == nullptr)
        return ZVLIB_FAILURE;
    char fil[MDLHOST_MAXFILELENGTH];
    if (mdlFile_find(fil, b->tagsetFil, nullptr, nullptr) != 0) {
        if (batch)
            fprintf(rapport != nullptr ? rapport : toolSubsystem_getStderr(), "\nFEIL!  Finner ikke filen: %s\n\n",
                    b->tagsetFil);
        return ZVLIB_FAILURE;
    }
    ZvlibFii fii;
    if (zvlibFii_open(&fii, fil, "r") != 0)
        return ZVLIB_FAILURE;
    std::vector<TagsetPost> poster;
    Nummerering nummerering;
    bool lest = true;
    while (zvlibFii_readNewLine(&fii) == 0) {
        if (zvlibFii_eol(&fii))
            continue;
        TagsetPost post;
        if (!lesPost(&fii, post, batch, rapport, fil))
            continue;
        poster.push_back(post);
        nummerering.nummerer(poster);
    }
    if (fii.error != ZVLIB_FII_EOF) {
        meldLinje(batch, rapport, fil, fii.lineCount, "kan ikke leses");
        lest = false;
    }
    zvlibFii_close(&fii);
    if (!lest || poster.empty())
        return ZVLIB_FAILURE;
    tabell = std::move(poster);
    return 0;
}

const TagsetPost *ZeraTagsetTabell(int *antall)
{
    if (antall != nullptr)
        *antall = static_cast<int>(tabell.size());
    return tabell.empty() ? nullptr : tabell.data();
}

void FrigjorTagsetTabell(void)
{
    tabell.clear();
    tabell.shrink_to_fit();
}

int TagsettFinnes(const char16_t *setName)
{
    DgnTagSetName *navn = nullptr;
    int antall = 0;
    if (setName == nullptr || mdlTag_getSetNames(&navn, &antall, AKTIV_MODELL) != 0)
        return 0;
    std::string soekt = tilTekst(setName);
    int finnes = 0;
    for (int i = 0; i < antall && !finnes; ++i)
        finnes = tilTekst(navn[i].name) == soekt;
    dlmSystem_mdlFree(navn);
    return finnes;
}

int TagsetHarTema(void)
{
    for (const TagsetPost &p : tabell)
        if (strcmp(p.attribute, "..TEMA") == 0)
            return p.occurrence >= 0 ? 1 : 0;
    return 0;
}

int LagTagsett(void)
{
    int laget = 0;
    settIkkeLaget.clear();
    forHvertSett([&](const TagsetPost &p) {
        if (TagsettFinnes(p.setName))
            return;
        int status = LagTagsettDefinisjon(p.setNumber, p.setName);
        if (status == 0)
            ++laget;
        else
            settIkkeLaget.emplace_back(tilTekst(p.setName), status);
    });
    return laget > 0 ? 0 : ZVLIB_FAILURE;
}

int SkrivTagsettFeil(FILE *rapport)
{
    for (const auto &[navn, status] : settIkkeLaget)
        fprintf(rapport, "\nFeil! Tagsettet '%s' kan ikke lages (status %d): egenskapene lagres ikke som tagger.\n",
                navn.c_str(), status);
    return static_cast<int>(settIkkeLaget.size());
}

ElementID SkrivZeraTagger(uint32_t pos)
{
    // Elements are not cleared: the read and mdlTag_create fill what is
    // used, and clearing 128 KiB twice per element outweighed the import.
    std::unique_ptr<MSElement> el(new MSElement);
    ElementID id = 0;
    if (mdlElement_read(el.get(), AKTIV_MODELL, pos) != 0 || mdlAssoc_getUniqueId(&id, pos, AKTIV_MODELL) != 0)
        return 0;
    size_t n = restLengde();
    if (n > 0 && erBlank(Elm.rest[n - 1]))
        Elm.rest[--n] = '\0';
    Elm.restLen = static_cast<int16_t>(n);

    // Offsets and texts are master units whatever the caller's transform.
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    DPoint3d anker{0, 0, 0};
    if (Elm.type == 3 || Elm.type == 4)
        anker = FinnTagPlassering(id);
    DscrFri tagger;
    std::unique_ptr<MSElement> tagEl(new MSElement);
    auto tv = std::make_unique<DgnTagValue>();
    for (const TagsetPost &post : tabell) {
        if (post.index == 0)
            continue;
        Verdi v = HentZeraEgenskap(post);
        if (!v.harVerdi() && post.index == 1)
            continue;
        int type = hostType(post.type);
        tilTagVerdi(*tv, v, type);
        if (type == TAGTYPE_TEXT && tv->stringValue[0] == '\0')
            continue;
        DPoint3d plass{anker.x + post.dx, anker.y + post.dy, anker.z};
        if (egenskapModus()) {
            skrivTekst(*el, v, post, plass);
            continue;
        }
        int status = mdlTag_create(tagEl.get(), post.setName, post.tagName, tv.get(), id, &plass,
                                   post.display == 0, AKTIV_MODELL);
        if (status != 0)
            toolSubsystem_printf("feil i mdlTag_create. status=%d\n", status);
        else if (tagger.d == nullptr)
            mdlElmdscr_new(&tagger.d, nullptr, tagEl.get());
        else
            mdlElmdscr_appendElement(tagger.d, tagEl.get());
    }
    if (tagger.d != nullptr && mdlElmdscr_add(tagger.d) == 0)
        toolSubsystem_printf("feil i mdlElmdscr_add. status=%d\n", mdlErrno);
    mdlCurrTrans_end();
    return id;
}

void LesZeraTagger(const MSElement *element)
{
    DscrFri tagger;
    int antall = 0;
    if (element == nullptr || tabell.empty() || mdlTag_getElementTags(&tagger.d, &antall, element, AKTIV_MODELL) != 0)
        return;
    std::vector<Samlet> samlet;
    auto tv = std::make_unique<DgnTagValue>();
    char16_t sett[MDLHOST_MAX_TAGNAME + 1], tag[MDLHOST_MAX_TAGNAME + 1];
    for (const MSElementDescr *d = tagger.d; d != nullptr; d = d->h.next) {
        if (mdlElement_getType(&d->el) != ATTRIBUTE_ELM ||
            mdlTag_extract(sett, tag, tv.get(), nullptr, nullptr, nullptr, &d->el) != 0)
            continue;
        if (const TagsetPost *post = finnPost(sett, tag))
            LesEnTag(*post, *tv, samlet);
    }
    SettSammenTagTekst(samlet);
    FjernDoblerteForeldre();
    Elm.restLen = static_cast<int16_t>(restLengde());
}

void FjernTagsett(void)
{
    forHvertSett([](const TagsetPost &p) {
        if (!TagsettFinnes(p.setName))
            return;
        DgnTagDefinition *defs = nullptr;
        int antall = 0;
        if (mdlTag_getSetDef(&defs, &antall, nullptr, 0, p.setName, AKTIV_MODELL) == 0) {
            for (int i = 0; i < antall; ++i) {
                int status = mdlTag_deleteTagInstances(AKTIV_MODELL, p.setName, defs[i].name);
                if (status != 0)
                    toolSubsystem_printf("Error calling mdlTag_deleteTagInstances, status=%d\n", status);
            }
            mdlTag_freeTagDefArray(defs, antall);
        }
        int status = mdlTag_deleteSetDef(p.setName, AKTIV_MODELL);
        if (status != 0)
            toolSubsystem_printf("Error calling mdlTag_deleteSetDef, status=%d\n", status);
    });
    FrigjorTagsetTabell();
}
