// Coordinates of the current element: points in ground units, arc and
// circle centres, text and symbol directions, extents, texts made from a
// point's "..STRENG" and the .PUNKT groups of "...PTEMA" sub-points.
//
// Sections: key and number scanning - zerget_coord - zerget_bue -
// bmwmaxmin - zerget_streng - zerget_ptema.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "kartmotor_int.h"

namespace {

const char RUTINE_KOORD[] = "SG_COORD";
const char RUTINE_ELM[] = "SG_ELM";

enum {
    KOORD_FOR_MANGE = 1,  // the 25,000th point
    KOORD_ANTALL = 3,     // wrong number of points for the type
    KOORD_SAMME_STED = 4, // two keys at one place
    KOORD_SIRKEL = 8,     // no circle through three points
    KOORD_UTENFOR = 9,    // a coordinate beyond any map
};
enum { ELM_BUE = 11, ELM_RADIUS = 14, ELM_STRENG = 8, ELM_RADIUS_UMULIG = 23 };

enum { KOORD_PLAN = 0, KOORD_HOYDE = 1, KOORD_DYBDE = 2 };

bool tokenslutt(char c)
{
    return c == '\0' || c == '\n' || er_blank((unsigned char)c);
}

// The leading decimal digits of the eight bytes at p, all of them readable:
// their count, and their value in *v.  Eight bytes at a time, as one word.
inline int siffer8(const char *p, uint64_t *v)
{
    uint64_t x = 0;
    memcpy(&x, p, 8);
    // A digit is a byte 0x30..0x39: its high nibble is 3, also after adding
    // 6.  A carry out of a byte of 0xFA or more only reaches bytes after
    // that non-digit.
    const uint64_t nibbel = 0xF0F0F0F0F0F0F0F0ull;
    const uint64_t tre = 0x3030303030303030ull;
    uint64_t ikke = ((x & nibbel) ^ tre) | (((x + 0x0606060606060606ull) & nibbel) ^ tre);
    int n = ikke == 0 ? 8 : __builtin_ctzll(ikke) / 8;
    if (n == 0) {
        *v = 0;
        return 0;
    }
    // The digits to the high end, the first the most significant, then
    // pairs, fours and eights are joined.
    uint64_t d = (x - tre) << (8 * (8 - n));
    d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFull;
    d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFull;
    d = (d * 10000 + (d >> 32)) & 0x00000000FFFFFFFFull;
    *v = d;
    return n;
}

// Reads the number token at p (blanks before it skipped) and moves p past
// it; slutt is the group's end.  False, p unchanged, when the token is not a
// finite number.
inline bool les_tall(const char *&p, double &verdi, const char *slutt)
{
    const char *s = p;
    while (er_blank((unsigned char)*s))
        s++;
    if (tokenslutt(*s))
        return false;
    // Whole numbers of up to 15 digits are exact in a double: the common
    // coordinate line is read without the library.
    const char *start = s + (*s == '-' || *s == '+');
    const char *d = start;
    uint64_t heltall = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (slutt - start >= 16) {
        int n = siffer8(start, &heltall);
        d = start + n;
        if (n == 8) {
            uint64_t resten = 0;
            int m = siffer8(d, &resten);
            for (int i = 0; i < m; i++)
                heltall *= 10;
            heltall += resten;
            d += m;
        }
    }
#endif
    while ((unsigned)(*d - '0') < 10u) {
        heltall = heltall * 10 + (uint64_t)(*d - '0');
        d++;
    }
    if (d > start && d - start <= 15 && tokenslutt(*d)) {
        verdi = *s == '-' ? -(double)heltall : (double)heltall;
        p = d;
        return true;
    }
    while (!tokenslutt(*d))
        d++;
    double v = 0.0;
    if (!tall_hel(s, d, &v) || !std::isfinite(v))
        return false;
    verdi = v;
    p = d;
    return true;
}

// Adds the point (n, e, h) with node code kp to Elm as its point i, and
// counts it in i, unless it repeats point i - 1 (with its height when
// medHoyde; a text keeps repeats).  False when the arrays are full.
inline bool legg_punkt(int32_t &i, bool tekst, bool medHoyde, double n, double e, double h, int16_t kp)
{
    if (i > 0 && !tekst && n == Elm.N[i - 1] && e == Elm.E[i - 1] && (!medHoyde || h == Elm.H[i - 1]))
        return true;
    if (i >= ZERA_MAX_POINTS - 1)
        return false;
    if (i > 0 && h != Elm.H[i - 1])
        Elm.sameHeight = 0;
    Elm.N[i] = n;
    Elm.E[i] = e;
    Elm.H[i] = h;
    Elm.kp[i] = kp;
    i++;
    return true;
}

#if defined(__SSE2__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define ZERA_ENKLE_PUNKTER 1
// The value of the n (1 to 8) decimal digits at p, eight bytes readable.
inline uint64_t siffer_n(const char *p, unsigned n)
{
    uint64_t x = 0;
    memcpy(&x, p, 8);
    uint64_t d = (x - 0x3030303030303030ull) << (8 * (8 - n));
    d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFull;
    d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFull;
    return (d * 10000 + (d >> 32)) & 0x00000000FFFFFFFFull;
}

// Digit, LF and blank masks of the 16 bytes at p, one bit each.
struct Masker16 {
    unsigned siffer, lf, blank;
};
inline Masker16 masker16(const char *p)
{
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i d = _mm_sub_epi8(x, _mm_set1_epi8('0'));
    return {(unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d)),
            (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8('\n'))),
            (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(' ')))};
}

// The numbers of a line of len bytes at s (its LF not counted) whose digit
// and blank masks start at bit 0 of siffer and blank: true, with their
// values in t, when the line is ANTALL whole numbers of one to fifteen
// digits with one blank between them.  Each number is read eight bytes at
// a time: lesbar bytes at s may be read.
template <int ANTALL>
inline bool les_form(const char *s, uint64_t siffer, uint64_t blank, unsigned len, size_t lesbar, double t[3])
{
    static const uint64_t tipotens[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
    if (len < 2 * ANTALL - 1)
        return false;
    const uint64_t foran = ((uint64_t)1 << len) - 1;
    // Digits and single blanks only, a digit first and last.
    uint64_t b = blank & foran;
    if (((siffer | b) & foran) != foran || (siffer & 1u) == 0 || (siffer >> (len - 1) & 1u) == 0 ||
        (b & (b >> 1)) != 0)
        return false;
    unsigned start[3] = {0, 0, 0}, n[3] = {0, 0, 0};
    unsigned pos = 0;
    bool god = true;
    for (int k = 0; k < ANTALL; k++) {
        unsigned til = k + 1 < ANTALL ? (b != 0 ? (unsigned)__builtin_ctzll(b) : 64u) : len;
        if (k + 1 < ANTALL)
            b &= b - 1;
        n[k] = til - pos;
        god = god && til <= len && n[k] <= 15 && pos + (n[k] > 8 ? 16 : 8) <= lesbar;
        start[k] = pos;
        pos = til + 1;
    }
    if (!god || b != 0)
        return false;
    for (int k = 0; k < ANTALL; k++) {
        uint64_t v;
        if (n[k] <= 8)
            v = siffer_n(s + start[k], n[k]);
        else
            v = siffer_n(s + start[k], 8) * tipotens[n[k] - 8] + siffer_n(s + start[k] + 8, n[k] - 8);
        t[k] = (double)(int64_t)v; // at most 15 digits: signed converts in one step
    }
    return true;
}

// The common coordinate lines: ANTALL whole numbers of one to fifteen
// digits, one blank between them, then LF.  Each is taken as a point
// until a line of another shape (or one too near the group's end), which
// is left where it starts for the caller.  The lines that end in the next
// 64 bytes are found at once, so each is read without waiting for the one
// before.  Null when the point arrays are full.
template <int ANTALL>
const char *les_enkle_punkter(const char *q, const char *slutt, bool tekst, double hoyde, const SheadStruct *head)
{
    const double enhet = Elm.enhet, origoN = head->origoN, origoE = head->origoE;
    int32_t i = Elm.pointCount;
    // A point from the numbers in t; false when the arrays are full.
    auto punkt = [&](const double t[3]) {
        return legg_punkt(i, tekst, ANTALL == 3, enhet * t[0] + origoN, enhet * t[1] + origoE,
                          ANTALL == 3 ? enhet * t[2] : hoyde, 0);
    };
    bool videre = true;
    while (videre && slutt - q >= 32) {
        // 64 bytes and 16 to read past them, or 32 and no more.
        const bool hel = slutt - q >= 80;
        uint64_t siffer = 0, lf = 0, blank = 0;
        for (int k = 0; k < (hel ? 4 : 2); k++) {
            Masker16 m = masker16(q + 16 * k);
            siffer |= (uint64_t)m.siffer << (16 * k);
            lf |= (uint64_t)m.lf << (16 * k);
            blank |= (uint64_t)m.blank << (16 * k);
        }
        if (lf == 0)
            break;
        const size_t lesbar = hel ? 80 : 32;
        unsigned fra = 0;
        // Past 32 bytes only the first line is taken.
        for (uint64_t l = hel ? lf : lf & (lf & (~lf + 1)); l != 0; l &= l - 1) {
            const unsigned e = (unsigned)__builtin_ctzll(l);
            double t[3] = {0.0, 0.0, 0.0};
            if (!les_form<ANTALL>(q + fra, siffer >> fra, blank >> fra, e - fra, lesbar - fra, t)) {
                videre = false;
                break;
            }
            if (!punkt(t)) {
                Elm.pointCount = i;
                return nullptr;
            }
            fra = e + 1;
        }
        q += fra;
        if (fra == 0)
            break;
    }
    Elm.pointCount = i;
    return q;
}
#endif

// Node code of a coordinate line from the text after its numbers: the
// "..KP" value, else 1 for a "...PTEMA" sub-point, else 0.
int16_t les_kp(const char *p)
{
    bool ptema = false;
    for (;;) {
        while (er_blank((unsigned char)*p))
            p++;
        if (*p == '\0' || *p == '\n')
            break;
        const char *t = p;
        while (!tokenslutt(*p))
            p++;
        size_t prikker = 0;
        while (t + prikker < p && t[prikker] == '.')
            prikker++;
        const char *navn = t + prikker;
        size_t len = (size_t)(p - navn);
        if (prikker >= 2 && len == 2 && memcmp(navn, "KP", 2) == 0) {
            // strtol would skip the line end and take the next line's number.
            while (er_blank((unsigned char)*p))
                p++;
            if (*p == '\n')
                return 0;
            char *slutt = nullptr;
            errno = 0;
            long v = strtol(p, &slutt, 10);
            if (slutt != p && errno == 0 && tokenslutt(*slutt) && v >= INT16_MIN && v <= INT16_MAX)
                return (int16_t)v;
            return 0;
        }
        if (prikker >= 3 && len == 5 && memcmp(navn, "PTEMA", 5) == 0)
            ptema = true;
    }
    return ptema ? 1 : 0;
}

int16_t koordfeil(int nr)
{
    bmw_elmfeil(RUTINE_KOORD, nr);
    return -1;
}

// Reads the lines of one coordinate block, starting with the line after
// the key.  Returns the position after the block, or null after error 1.
const char *les_blokk(const char *q, const char *slutt, int kind, bool harHoyde, double hoyde, SheadStruct *head)
{
    const int tekst = (Elm.type == ZERA_TEKST);
    const double enhet = Elm.enhet;
    while (*q != '\0') {
#if defined(ZERA_ENKLE_PUNKTER)
        q = kind == KOORD_HOYDE ? les_enkle_punkter<3>(q, slutt, tekst, 0.0, head)
                                : les_enkle_punkter<2>(q, slutt, tekst, harHoyde ? hoyde : 0.0, head);
        if (q == nullptr)
            return nullptr;
        if (*q == '\0')
            break;
#endif
        const char *s = q;
        while (er_blank((unsigned char)*s))
            s++;
        if (*s == '.')
            break;
        // A kept comment line would otherwise read as a point at the origin.
        if (*s == '!') {
            const char *eol = strchr(s, '\n');
            q = eol != nullptr ? eol + 1 : s + strlen(s);
            continue;
        }
        double t[3] = {0.0, 0.0, 0.0};
        int16_t kp = 0;
        const char *p = s;
        if (!les_tall(p, t[0], slutt) || !les_tall(p, t[1], slutt) ||
            (kind == KOORD_HOYDE && !les_tall(p, t[2], slutt)))
            break;
        // Most lines end after their numbers: no node code to look for.
        const char *eol = p;
        while (er_blank((unsigned char)*eol))
            eol++;
        if (*eol != '\n' && *eol != '\0') {
            kp = les_kp(p);
            eol = linje_slutt(eol);
        }
        const char *neste = *eol == '\n' ? eol + 1 : eol;
        const double t1 = t[0], t2 = t[1], t3 = t[2];
        double n = enhet * t1 + head->origoN;
        double e = enhet * t2 + head->origoE;
        double h = (kind == KOORD_HOYDE) ? enhet * t3 : (harHoyde ? hoyde : 0.0);
        int32_t i = Elm.pointCount;
        if (!legg_punkt(i, tekst, kind == KOORD_HOYDE, n, e, h, kp))
            return nullptr;
        Elm.pointCount = i;
        q = neste;
    }
    return q;
}

int16_t tell_sjekk(void)
{
    const int32_t n = Elm.pointCount;
    switch (Elm.type) {
    case ZERA_LINJE:
    case ZERA_KURVE:
    case ZERA_BUE:
        return n >= 2 ? 0 : KOORD_ANTALL;
    case ZERA_BUEP:
    case ZERA_SIRKELP:
    case ZERA_SYMBOL:
        return n == 3 ? 0 : KOORD_ANTALL;
    case ZERA_TRASE:
    case ZERA_STRUKTUR:
        return 0;
    default:
        return n >= 1 ? 0 : KOORD_ANTALL;
    }
}

} // namespace

const char *finn_koordnokkel(const char *text, const char *end, const ScharStruct *keys, int *kind)
{
    if (text == nullptr || keys == nullptr || keys->coordKey[0] == '\0')
        return nullptr;
    if (end == nullptr)
        end = text + strlen(text);
    // The keys with height and depth are the plain key and one letter.
    const char *stamme = keys->coordKey;
    size_t len = strlen(stamme);
    const char *p = text;
    while (p < end && (size_t)(end - p) >= len) {
        const char *hit = finn_tekst(p, stamme, end);
        if (hit == nullptr)
            return nullptr;
        char c = hit[len];
        int k = -1;
        if (nokkelgrense(c))
            k = KOORD_PLAN;
        else if (c == 'H' && nokkelgrense(hit[len + 1]))
            k = KOORD_HOYDE;
        else if (c == 'D' && nokkelgrense(hit[len + 1]))
            k = KOORD_DYBDE;
        if (k >= 0) {
            if (kind != nullptr)
                *kind = k;
            return hit;
        }
        p = hit + 1;
    }
    return nullptr;
}

namespace {

// The height key and the coordinate keys of a group, from the parser's
// index of it when there is one, else from the text.
struct Koordnokler {
    const ScharStruct *keys;
    const Nokkelindeks *indeks;
    const Nokkel &hoyde;
    const Nokkel (&koord)[3]; // plain, with height, with depth

    const char *finn_hoyde(const char *fra, const char *slutt) const
    {
        if (indeks == nullptr)
            return finn_nokkel(fra, keys->hoydeKey, slutt);
        return nokkelindeks_finn(indeks, hoyde, fra, slutt);
    }
    const char *finn_koord(const char *fra, const char *slutt, int *kind) const
    {
        if (indeks == nullptr || keys->coordKey[0] == '\0')
            return finn_koordnokkel(fra, slutt, keys, kind);
        const char *best = nullptr;
        for (int k = KOORD_PLAN; k <= KOORD_DYBDE; k++) {
            const char *hit = nokkelindeks_finn(indeks, koord[k], fra, slutt);
            if (hit != nullptr && (best == nullptr || hit < best)) {
                best = hit;
                *kind = k;
            }
        }
        return best;
    }
};

int16_t les_koordinater(const char *group, SheadStruct *head, ScharStruct *keys, const Nokkelindeks *indeks);

} // namespace

int16_t zerget_coord(const char *group, SheadStruct *head, ScharStruct *keys)
{
    return les_koordinater(group, head, keys, nullptr);
}

int16_t zerget_coord_parset(const char *group, SheadStruct *head, ScharStruct *keys)
{
    return les_koordinater(group, head, keys, zerget_indeks(group));
}

namespace {

// Walks the group once.  The next occurrence of the height key and of the
// coordinate keys is kept and searched again only when the walk has passed
// it, so a group is scanned a bounded number of times whatever its size.
// A depth block ("..NØD") is read like a plain one: its third value is not
// a height.
int16_t les_koordinater(const char *group, SheadStruct *head, ScharStruct *keys, const Nokkelindeks *indeks)
{
    Elm.pointCount = 0;
    Elm.hoyde = 0.0;
    Elm.sameHeight = 1;
    bool harHoyde = false;
    double hoyde = 0.0;

    // The parser's index knows where the group ends.
    const char *slutt = indeks != nullptr ? indeks->slutt : group + strlen(group);
    const Settnokler &sn = settnokler(keys);
    Koordnokler n{keys, indeks, sn.hoyde, sn.koord};
    const char *p = strchr(group, '.');
    if (p == nullptr)
        p = slutt;
    const size_t hoydeLen = strlen(keys->hoydeKey);
    const char *nesteHoyde = n.finn_hoyde(p, slutt);
    int kind = KOORD_PLAN;
    const char *nesteKoord = n.finn_koord(p, slutt, &kind);

    while (slutt - p > 4) {
        if (nesteHoyde != nullptr && nesteHoyde < p)
            nesteHoyde = n.finn_hoyde(p, slutt);
        if (nesteKoord != nullptr && nesteKoord < p)
            nesteKoord = n.finn_koord(p, slutt, &kind);
        if (nesteHoyde == nullptr && nesteKoord == nullptr)
            break;
        if (nesteHoyde == nesteKoord)
            return koordfeil(KOORD_SAMME_STED);
        if (nesteHoyde != nullptr && (nesteKoord == nullptr || nesteHoyde < nesteKoord)) {
            harHoyde = true;
            Elm.hasHoyde = 1;
            const char *v = nesteHoyde + hoydeLen;
            double h = 0.0;
            hoyde = les_tall(v, h, slutt) ? h : 0.0;
            p = v;
            continue;
        }
        const char *q = strchr(nesteKoord, '\n');
        q = (q != nullptr) ? q + 1 : slutt;
        q = les_blokk(q, slutt, kind, harHoyde, hoyde, head);
        if (q == nullptr)
            return koordfeil(KOORD_FOR_MANGE);
        p = q;
    }

    if (Elm.pointCount > 0)
        Elm.hoyde = Elm.H[0];
    int16_t feil = tell_sjekk();
    if (feil != 0)
        return koordfeil(feil);
    // A coordinate a million kilometres out is no map's: refused here, it
    // never reaches a design file or a later integer grid.
    for (int32_t i = 0; i < Elm.pointCount && i < ZERA_MAX_POINTS; i++)
        if (!(fabs(Elm.N[i]) <= ZERA_MAKS_KOORDINAT && fabs(Elm.E[i]) <= ZERA_MAKS_KOORDINAT &&
              fabs(Elm.H[i]) <= ZERA_MAKS_KOORDINAT))
            return koordfeil(KOORD_UTENFOR);

    switch (Elm.type) {
    case ZERA_BUE:
        if (Elm.pointCount > 2) {
            int32_t s = Elm.pointCount - 1;
            Elm.N[1] = Elm.N[s];
            Elm.E[1] = Elm.E[s];
            Elm.H[1] = Elm.H[s];
            Elm.kp[1] = Elm.kp[s];
            Elm.pointCount = 2;
        }
        if (zerget_bue() != 0)
            return -1;
        break;
    case ZERA_BUEP:
    case ZERA_SIRKELP: {
        double cN = 0.0, cE = 0.0;
        if (circle_3points(&Elm.N[0], &Elm.E[0], &Elm.N[1], &Elm.E[1], &Elm.N[2], &Elm.E[2], &cN, &cE) != 0)
            return koordfeil(KOORD_SIRKEL);
        // The centre sits after the three points; pointCount stays 3.
        Elm.N[3] = cN;
        Elm.E[3] = cE;
        Elm.H[3] = Elm.H[0];
        Elm.kp[3] = 0;
        double retning = 0.0, r = 0.0;
        polar_angle(&Elm.N[3], &Elm.E[3], &Elm.N[0], &Elm.E[0], &retning, &r);
        Elm.radius = r;
        if (Elm.type == ZERA_BUEP) {
            int16_t side = 0;
            point_side(&Elm.N[0], &Elm.E[0], &Elm.N[1], &Elm.E[1], &Elm.N[3], &Elm.E[3], &side);
            if (side == -1)
                Elm.radius = -r;
        }
        break;
    }
    case ZERA_TEKST:
        Elm.angle = 0.0;
        if (Elm.pointCount >= 3) {
            // A text angle turns from east towards north.
            Elm.angle = atan2(Elm.N[2] - Elm.N[1], Elm.E[2] - Elm.E[1]);
            angle_normalize(&Elm.angle);
        }
        break;
    case ZERA_SYMBOL: {
        double avstand = 0.0;
        polar_angle(&Elm.N[1], &Elm.E[1], &Elm.N[2], &Elm.E[2], &Elm.angle, &avstand);
        break;
    }
    default:
        break;
    }

    bmwmaxmin(&head->minN, &head->maxN, &head->minE, &head->maxE, &Elm.mode);
    // Mixed coordinate keys, a height key beside heights per point and
    // dropped repeats are warnings and notes only, which the register does
    // not keep.
    return 0;
}

} // namespace

int16_t zerget_bue(void)
{
    double r = fabs(Elm.radius);
    if (!(r <= ZERA_MAKS_KOORDINAT)) {
        bmw_elmfeil(RUTINE_ELM, ELM_RADIUS_UMULIG);
        return -1;
    }
    if (r < Elm.enhet) {
        bmw_elmfeil(RUTINE_ELM, ELM_RADIUS);
        return -1;
    }
    if (Elm.pointCount < 2) {
        bmw_elmfeil(RUTINE_ELM, ELM_BUE);
        return -1;
    }
    double c1N = 0.0, c1E = 0.0, c2N = 0.0, c2E = 0.0;
    int16_t rc = circle_centres(&Elm.N[0], &Elm.E[0], &Elm.N[1], &Elm.E[1], &r, &c1N, &c1E, &c2N, &c2E);
    if (rc != 0 && rc != 1) {
        bmw_elmfeil(RUTINE_ELM, ELM_BUE);
        return -1;
    }
    double cN = c1N, cE = c1E;
    if (rc == 0) {
        int16_t s = 0;
        point_side(&Elm.N[0], &Elm.E[0], &Elm.N[1], &Elm.E[1], &c1N, &c1E, &s);
        bool a = (Elm.radius < 0.0 && Elm.storbue != 1) || (Elm.radius >= 0.0 && Elm.storbue == 1);
        if ((a && s == 1) || (!a && s != 1)) {
            cN = c2N;
            cE = c2E;
        }
    }
    Elm.N[2] = cN;
    Elm.E[2] = cE;
    Elm.H[2] = Elm.H[0];
    Elm.kp[2] = 0;
    Elm.pointCount = 3;
    return 0;
}

// Points outside the header's area and negative heights would only be
// warnings, which the register does not keep, so the area and the mode are
// not consulted.
int16_t bmwmaxmin(double *minN, double *maxN, double *minE, double *maxE, int16_t *mode)
{
    (void)minN;
    (void)maxN;
    (void)minE;
    (void)maxE;
    (void)mode;
    int32_t n = Elm.pointCount;
    if (n <= 0)
        return 0;
    if (n > ZERA_MAX_POINTS)
        n = ZERA_MAX_POINTS;
    double *f = Bmw.fileExtent; // Nmin, Emin, Nmax, Emax, Hmin, Hmax
    double *x = Elm.extent;     // Nmin, Emin, Hmin, Nmax, Emax, Hmax
    if (Bmw.extentPoints == 0) {
        f[0] = f[2] = Elm.N[0];
        f[1] = f[3] = Elm.E[0];
        f[4] = f[5] = 0.0;
    }
    // In locals: the compiler cannot tell the extent from the points.
    double nMin = Elm.N[0], nMax = Elm.N[0], eMin = Elm.E[0], eMax = Elm.E[0], hMin = 0.0, hMax = 0.0;
    int32_t i = 0;
#if defined(__SSE2__)
    // Two points at a time.  min_pd(a, b) is a < b ? a : b, as below; a
    // height not above 0 counts as none for the minimum.
    if (n >= 4) {
        const __m128d null = _mm_setzero_pd(), ingen = _mm_set1_pd(HUGE_VAL);
        __m128d nLo = _mm_set1_pd(nMin), nHi = nLo, eLo = _mm_set1_pd(eMin), eHi = eLo, hLo = ingen,
                hHi = null;
        for (; i + 2 <= n; i += 2) {
            __m128d vn = _mm_loadu_pd(&Elm.N[i]), ve = _mm_loadu_pd(&Elm.E[i]), vh = _mm_loadu_pd(&Elm.H[i]);
            nLo = _mm_min_pd(vn, nLo);
            nHi = _mm_max_pd(vn, nHi);
            eLo = _mm_min_pd(ve, eLo);
            eHi = _mm_max_pd(ve, eHi);
            hHi = _mm_max_pd(vh, hHi);
            __m128d over = _mm_cmpgt_pd(vh, null);
            hLo = _mm_min_pd(_mm_or_pd(_mm_and_pd(over, vh), _mm_andnot_pd(over, ingen)), hLo);
        }
        double a[2], b[2];
        auto samle = [&](__m128d lo, __m128d hi, double &mn, double &mx) {
            _mm_storeu_pd(a, lo);
            _mm_storeu_pd(b, hi);
            mn = a[1] < a[0] ? a[1] : a[0];
            mx = b[1] > b[0] ? b[1] : b[0];
        };
        samle(nLo, nHi, nMin, nMax);
        samle(eLo, eHi, eMin, eMax);
        samle(hLo, hHi, hMin, hMax);
        if (hMin == HUGE_VAL)
            hMin = 0.0;
        // Among zeros the first wins, which the lanes cannot tell: -0 and
        // 0 are read one at a time.
        if (nMin == 0.0 || nMax == 0.0 || eMin == 0.0 || eMax == 0.0) {
            nMin = nMax = Elm.N[0];
            eMin = eMax = Elm.E[0];
            hMin = hMax = 0.0;
            i = 0;
        }
    }
#endif
    for (; i < n; i++) {
        nMin = Elm.N[i] < nMin ? Elm.N[i] : nMin;
        nMax = Elm.N[i] > nMax ? Elm.N[i] : nMax;
        eMin = Elm.E[i] < eMin ? Elm.E[i] : eMin;
        eMax = Elm.E[i] > eMax ? Elm.E[i] : eMax;
        double h = Elm.H[i];
        hMax = h > hMax ? h : hMax;
        // The height minimum is the lowest height above 0.
        if (h > 0.0 && (hMin == 0.0 || h < hMin))
            hMin = h;
    }
    Bmw.extentPoints += n;
    x[0] = nMin;
    x[1] = eMin;
    x[2] = hMin;
    x[3] = nMax;
    x[4] = eMax;
    x[5] = hMax;
    int senter = -1;
    if (Elm.type == ZERA_BUE && Elm.pointCount >= 3)
        senter = 2;
    else if ((Elm.type == ZERA_BUEP || Elm.type == ZERA_SIRKELP) && Elm.pointCount >= 3)
        senter = 3;
    else if (Elm.type == ZERA_SIRKEL)
        senter = 0;
    if (senter >= 0) {
        double r = fabs(Elm.radius);
        x[0] = Elm.N[senter] - r;
        x[3] = Elm.N[senter] + r;
        x[1] = Elm.E[senter] - r;
        x[4] = Elm.E[senter] + r;
    }
    if (x[0] < f[0])
        f[0] = x[0];
    if (x[1] < f[1])
        f[1] = x[1];
    if (x[3] > f[2])
        f[2] = x[3];
    if (x[4] > f[3])
        f[3] = x[4];
    if (x[2] > 0.0 && (f[4] == 0.0 || x[2] < f[4]))
        f[4] = x[2];
    if (x[5] > f[5])
        f[5] = x[5];
    return 0;
}

// The text is read from the file's declared set: read as "any set", the
// characters [ ] { } \ | of an ISO file would turn into letters.
int16_t zerget_streng(const char *group, int16_t *set)
{
    Elm.type = ZERA_TEKST;
    Elm.serial = -1;
    char verdi[ZERA_STR_LEN];
    const char *p = finn_nokkel(group, "..STRENG", nullptr);
    if (p == nullptr || zerget_str(p, verdi, set) != 0) {
        bmw_elmfeil(RUTINE_ELM, ELM_STRENG);
        return -1;
    }
    kopier(Elm.text, sizeof Elm.text, verdi);
    static const struct {
        int16_t edit;
        double skala;
    } skalaer[] = {{100, 1000.0},    {200, 2000.0},    {300, 5000.0},      {400, 10000.0},     {500, 20000.0},
                   {600, 50000.0},   {700, 100000.0},  {800, 1000000.0},   {900, 10000000.0}};
    double skala = 0.0;
    for (const auto &s : skalaer)
        if (s.edit == Elm.edit)
            skala = s.skala;
    Elm.pointCount = 2;
    Elm.rest[0] = '\0';
    Elm.restLen = 0;
    Elm.N[1] = Elm.N[0] + skala * Elm.flytt[0] * 0.001;
    Elm.E[1] = Elm.E[0] + skala * Elm.flytt[1] * 0.001;
    Elm.H[1] = Elm.H[0];
    Elm.kp[1] = 0;
    return 0;
}

namespace {

// Where the previous zerget_ptema call left off.  A driver walking the
// sub-points of a group passes the previous *next as from, so the search
// for the coordinate key of the next "...PTEMA" line covers only the lines
// since the previous one: a curve with a sub-point on every line is not
// scanned back to its start each time.
struct PtemaMinne {
    const char *start;
    const char *neste;
    const char *linje;
    const char *nokkel;
    int kind;
} minne;

struct Utbygger {
    char *buf;
    size_t size;
    size_t len;
    bool full;
    void legg(const char *s, size_t n)
    {
        if (full || len + n >= size) {
            full = true;
            return;
        }
        memcpy(buf + len, s, n);
        len += n;
        buf[len] = '\0';
    }
    void legg(char c) { legg(&c, 1); }
};

} // namespace

namespace {

int16_t les_ptema(ScharStruct *keys, char *out, size_t outSize, const char *from, const char *start, const char **next,
                  const Nokkelindeks *indeks);

} // namespace

int16_t zerget_ptema(ScharStruct *keys, char *out, size_t outSize, const char *from, const char *start,
                     const char **next)
{
    return les_ptema(keys, out, outSize, from, start, next, nullptr);
}

int16_t zerget_ptema_parset(ScharStruct *keys, char *out, size_t outSize, const char *from, const char *start,
                            const char **next)
{
    return les_ptema(keys, out, outSize, from, start, next, zerget_indeks(start));
}

namespace {

int16_t les_ptema(ScharStruct *keys, char *out, size_t outSize, const char *from, const char *start, const char **next,
                  const Nokkelindeks *indeks)
{
    if (out != nullptr && outSize > 0)
        out[0] = '\0';
    if (next != nullptr)
        *next = from;
    if (keys == nullptr || out == nullptr || outSize == 0 || from == nullptr || start == nullptr)
        return -1;
    static constexpr Nokkel PTEMA = nokkel("...PTEMA");
    const char *hit = indeks != nullptr && from >= indeks->tekst && from <= indeks->slutt
                          ? nokkelindeks_finn(indeks, PTEMA, from, indeks->slutt)
                          : finn_nokkel(from, PTEMA.tekst, nullptr);
    if (hit == nullptr) {
        if (next != nullptr)
            *next = indeks != nullptr && from >= indeks->tekst && from <= indeks->slutt ? indeks->slutt
                                                                                           : from + strlen(from);
        return -1;
    }
    const char *ls = linje_start(start, hit);
    const char *le = linje_slutt(hit);
    const char *etter = (*le == '\n') ? le + 1 : le;
    if (next != nullptr)
        *next = etter;

    const char *sok = start;
    const char *nokkel = nullptr;
    int kind = KOORD_PLAN;
    if (minne.start == start && minne.neste == from && minne.linje != nullptr && minne.linje >= start &&
        minne.linje <= ls) {
        sok = minne.linje;
        nokkel = minne.nokkel;
        kind = minne.kind;
    }
    for (;;) {
        int k = KOORD_PLAN;
        const char *f = finn_koordnokkel(sok, ls, keys, &k);
        if (f == nullptr)
            break;
        nokkel = f;
        kind = k;
        sok = f + 1;
    }
    minne = PtemaMinne{start, etter, ls, nokkel, kind};
    if (nokkel == nullptr)
        return -1;

    const char *e = le;
    if (e > ls && e[-1] == '\r')
        e--;
    const char *attr = (const char *)memmem(ls, (size_t)(e - ls), "..", 2);
    const char *koord = ls;
    while (koord < attr && er_blank((unsigned char)*koord))
        koord++;
    const char *koordSlutt = attr;
    while (koordSlutt > koord && er_blank((unsigned char)koordSlutt[-1]))
        koordSlutt--;

    // The sub-attribute line becomes attribute lines of the new group:
    // every "..." turns into " ..", then every blank before a '.' into a
    // line break.
    Utbygger u{out, outSize, 0, false};
    u.legg(".PUNKT -1:", 10);
    if (!(attr + 2 < e && attr[2] == '.'))
        u.legg('\n'); // keys after the coordinates stay off the group line
    size_t fra = u.len;
    for (const char *c = attr; c < e; c++) {
        if (c + 2 < e && c[0] == '.' && c[1] == '.' && c[2] == '.') {
            u.legg(" ..", 3);
            c += 2;
        } else {
            u.legg(*c);
        }
    }
    if (!u.full)
        for (size_t i = fra; i + 1 < u.len; i++)
            if (er_blank((unsigned char)out[i]) && out[i + 1] == '.')
                out[i] = '\n';
    u.legg('\n');
    const char *nokkeltekst = kind == KOORD_HOYDE ? keys->coordHKey : (kind == KOORD_DYBDE ? keys->coordDKey : keys->coordKey);
    u.legg(nokkeltekst, strlen(nokkeltekst));
    u.legg('\n');
    int16_t rc = 1;
    if (koordSlutt > koord) {
        u.legg(koord, (size_t)(koordSlutt - koord));
        u.legg('\n');
        rc = 0;
    }
    if (u.full) {
        out[0] = '\0';
        return -1;
    }
    return rc;
}

} // namespace
