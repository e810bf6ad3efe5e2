// Text helpers of the engine: bounded copies, key search at key boundaries,
// the key index of a group, token reading and numbers.  Every fixed buffer of the engine is filled through
// these, so no call site needs its own bound.
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "kartmotor_int.h"

size_t kopier_n(char *dst, size_t dstSize, const char *src, size_t n)
{
    if (dst == nullptr || dstSize == 0)
        return 0;
    size_t len = src != nullptr ? strnlen(src, n < dstSize - 1 ? n : dstSize - 1) : 0;
    if (len > 0)
        memmove(dst, src, len);
    dst[len] = '\0';
    return len;
}

size_t kopier(char *dst, size_t dstSize, const char *src)
{
    return kopier_n(dst, dstSize, src, (size_t)-1);
}

size_t legg_til(char *dst, size_t dstSize, const char *src)
{
    if (dst == nullptr || dstSize == 0)
        return 0;
    size_t used = strnlen(dst, dstSize - 1);
    return used + kopier(dst + used, dstSize - used, src);
}

namespace {

// First occurrence of key (len > 0 bytes) starting in [p, end - len].
// Keys begin with dots, which every attribute line has, so the scan looks
// for the first byte after the dots, which map text rarely holds, with
// memchr, which the C library vectorises.  Text full of that byte turns
// to memmem, which stays linear however the text repeats.
const char *sok(const char *p, const char *end, const char *key, size_t len)
{
    if (p >= end || (size_t)(end - p) < len)
        return nullptr;
    size_t k = 0;
    while (k + 1 < len && key[k] == '.')
        k++;
    const char *siste = end - len + k; // last place the chosen byte can stand
    const char *q = p + k;
    size_t bom = 0;
    while (q <= siste) {
        const char *h = (const char *)memchr(q, key[k], (size_t)(siste - q) + 1);
        if (h == nullptr)
            return nullptr;
        const char *start = h - k;
        if (memcmp(start, key, len) == 0)
            return start;
        q = h + 1;
        if (++bom > 64 && (size_t)(q - p) < 16 * bom)
            return (const char *)memmem(start + 1, (size_t)(end - start - 1), key, len);
    }
    return nullptr;
}

} // namespace

const char *finn_tekst(const char *text, const char *fragment, const char *end)
{
    if (text == nullptr || fragment == nullptr || *fragment == '\0')
        return nullptr;
    if (end == nullptr)
        return strstr(text, fragment);
    return sok(text, end, fragment, strlen(fragment));
}

// Looks at nothing past end, so a search for an absent key costs the span
// searched, not the rest of an 800,000-character group.
const char *finn_nokkel(const char *text, const char *key, const char *end)
{
    if (text == nullptr || key == nullptr || *key == '\0')
        return nullptr;
    if (end == nullptr)
        end = text + strlen(text);
    size_t len = strlen(key);
    for (const char *p = text; p < end && (size_t)(end - p) >= len;) {
        const char *hit = sok(p, end, key, len);
        if (hit == nullptr)
            return nullptr;
        if (nokkelgrense(hit[len]))
            return hit;
        p = hit + 1;
    }
    return nullptr;
}

const char *finn_nokkel_alle(const char *text, const char *format, char letter, const char *end, size_t *length)
{
    static const char *const oe[] = {"\xD8", "\\", "\x9D"};
    static const char *const aa[] = {"\xC5", "]", "\x8F"};
    const char *const *letters = (letter == 'A') ? aa : oe;
    const char *best = nullptr;
    size_t bestLen = 0;
    const char *mark = strstr(format, "%s");
    if (mark == nullptr)
        return nullptr;
    for (int s = 0; s < 3; s++) {
        char key[64];
        size_t head = (size_t)(mark - format);
        kopier_n(key, sizeof key, format, head);
        legg_til(key, sizeof key, letters[s]);
        legg_til(key, sizeof key, mark + 2);
        const char *hit = finn_nokkel(text, key, end);
        if (hit != nullptr && (best == nullptr || hit < best)) {
            best = hit;
            bestLen = strlen(key);
        }
    }
    if (length != nullptr)
        *length = bestLen;
    return best;
}

const char *linje_start(const char *text, const char *p)
{
    while (p > text && p[-1] != '\n')
        p--;
    return p;
}

const char *linje_slutt(const char *p)
{
    while (*p != '\0' && *p != '\n')
        p++;
    return p;
}

int linje_token(const char *p, int k, char *out, size_t outSize)
{
    if (out != nullptr && outSize > 0)
        out[0] = '\0';
    if (p == nullptr)
        return -1;
    const char *start = nullptr;
    size_t len = 0;
    if (!token_spenn(p, k, &start, &len))
        return -1;
    size_t got = kopier_n(out, outSize, start, len);
    return got < len ? 1 : 0;
}

long tall_long(const char *token)
{
    if (token == nullptr)
        return 0;
    // Up to 18 digits cannot overflow; anything else goes to strtol.
    const char *p = token + (*token == '-');
    long v = 0;
    int n = 0;
    while (*p >= '0' && *p <= '9' && n < 19) {
        if (n < 18)
            v = v * 10 + (*p - '0');
        p++;
        n++;
    }
    if (n > 0 && n <= 18)
        return *token == '-' ? -v : v;
    // No digit where strtol would look for one ("*", a letter, "-x"): 0,
    // as strtol gives, without the library's locale-aware call.
    if (n == 0 && (*token == '-' || (*token != '+' && !isspace((unsigned char)*token))))
        return 0;
    return strtol(token, nullptr, 10);
}

double tall_double(const char *token)
{
    return token == nullptr ? 0.0 : strtod(token, nullptr);
}

bool token_spenn(const char *p, int k, const char **start, size_t *len)
{
    for (int i = 0;; i++) {
        while (er_blank((unsigned char)*p))
            p++;
        if (*p == '\0' || *p == '\n')
            return false;
        const char *s = p;
        while (!tokengrense(*p))
            p++;
        if (i == k) {
            *start = s;
            *len = (size_t)(p - s);
            return true;
        }
    }
}

namespace {

// The whole token [p, e) as a number: from_chars reads what strtod and
// strtol read, correctly rounded, but not a '+', a hexadecimal number, or a
// value out of range the C library still gives one for; such tokens, rare
// in map data, go to the C library (c_les), which reads them in the C
// locale's way.  An integer out of range is no number.
template <class T, class C> bool hel_token(const char *p, const char *e, T *value, C c_les)
{
    if (p >= e)
        return false;
    T v{};
    std::from_chars_result r;
    if constexpr (std::is_integral_v<T>)
        r = std::from_chars(p, e, v, 10);
    else
        r = std::from_chars(p, e, v);
    if (r.ec == std::errc() && r.ptr == e) {
        *value = v;
        return true;
    }
    char buf[128];
    size_t n = (size_t)(e - p);
    if (n >= sizeof buf)
        return false;
    memcpy(buf, p, n);
    buf[n] = '\0';
    char *slutt = nullptr;
    errno = 0;
    v = c_les(buf, &slutt);
    if (slutt != buf + n || (std::is_integral_v<T> && errno != 0))
        return false;
    *value = v;
    return true;
}

} // namespace

bool tall_hel(const char *p, const char *e, double *value)
{
    return hel_token(p, e, value, [](const char *s, char **slutt) { return strtod(s, slutt); });
}

bool tall_helt(const char *p, const char *e, long *value)
{
    return hel_token(p, e, value, [](const char *s, char **slutt) { return strtol(s, slutt, 10); });
}

// ---- the key index of a group ------------------------------------------------

namespace {

// Makes room for one more run and a word table of at least twice the runs.
bool indeks_plass(Nokkelindeks *x)
{
    if (x->antall == x->plass) {
        // Grows with the largest group read: a group of the 800,000-character
        // buffer has at most 266,667 runs.
        size_t ny = x->plass == 0 ? 256 : 2 * x->plass;
        NokkelLop *l = (NokkelLop *)realloc(x->lop, ny * sizeof *l);
        if (l == nullptr)
            return false;
        x->lop = l;
        x->plass = ny;
    }
    if (x->tabell < 2 * x->plass) {
        size_t ny = 2 * x->plass;
        int32_t *f = (int32_t *)realloc(x->forste, ny * sizeof *f);
        if (f != nullptr)
            x->forste = f;
        int32_t *h = (int32_t *)realloc(x->siste, ny * sizeof *h);
        if (h != nullptr)
            x->siste = h;
        uint32_t *m = (uint32_t *)realloc(x->merke, ny * sizeof *m);
        if (m != nullptr)
            x->merke = m;
        if (f == nullptr || h == nullptr || m == nullptr)
            return false;
        memset(x->merke, 0, ny * sizeof *m);
        x->tabell = ny;
        x->generasjon = 0;
    }
    return true;
}

// Slot of a word hash: the one holding its chain, or the free one where it
// would go.
size_t indeks_spor(const Nokkelindeks *x, uint32_t hash)
{
    size_t maske = x->tabell - 1;
    size_t s = hash & maske;
    while (x->merke[s] == x->generasjon && x->lop[x->forste[s]].hash != hash)
        s = (s + 1) & maske;
    return s;
}

inline void indeks_kjed(Nokkelindeks *x, int32_t i)
{
    size_t s = indeks_spor(x, x->lop[i].hash);
    if (x->merke[s] != x->generasjon) {
        x->merke[s] = x->generasjon;
        x->forste[s] = i;
    } else {
        x->lop[x->siste[s]].neste = i;
    }
    x->siste[s] = i;
}

// The first '.' in [p, end), or end: the next line's dots are near, while
// a coordinate block may hold none for long, which the C library's search
// crosses faster.
inline const char *finn_prikk(const char *p, const char *end)
{
#if defined(__SSE2__)
    const __m128i prikk = _mm_set1_epi8('.');
    for (int i = 0; i < 2 && end - p >= 16; i++, p += 16) {
        unsigned m = (unsigned)_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), prikk));
        if (m != 0)
            return p + __builtin_ctz(m);
    }
#endif
    const char *q = (const char *)memchr(p, '.', (size_t)(end - p));
    return q != nullptr ? q : end;
}

// The first key boundary in [p, end), or end.
inline const char *finn_grense(const char *p, const char *end)
{
#if defined(__SSE2__)
    const __m128i blank = _mm_set1_epi8(' '), kolon = _mm_set1_epi8(':'), null = _mm_setzero_si128();
    const __m128i ni = _mm_set1_epi8(9), tretten = _mm_set1_epi8(13);
    for (; end - p >= 16; p += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        // tab, LF, VT, FF and CR are 9 to 13
        __m128i kontroll = _mm_and_si128(_mm_cmpeq_epi8(_mm_subs_epu8(v, tretten), null),
                                         _mm_cmpeq_epi8(_mm_subs_epu8(ni, v), null));
        __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(v, kolon)),
                                 _mm_or_si128(_mm_cmpeq_epi8(v, null), kontroll));
        unsigned bits = (unsigned)_mm_movemask_epi8(m);
        if (bits != 0)
            return p + __builtin_ctz(bits);
    }
#endif
    while (p < end && !nokkelgrense(*p))
        p++;
    return p;
}

} // namespace

void nokkelindeks_bygg(Nokkelindeks *x, const char *text, const char *end)
{
    x->tekst = text;
    x->slutt = end;
    x->antall = 0;
    x->filter = 0;
    // A new generation empties the word table without touching it.
    if (++x->generasjon == 0 && x->merke != nullptr) {
        memset(x->merke, 0, x->tabell * sizeof *x->merke);
        x->generasjon = 1;
    }
    for (const char *q = text; q < end;) {
        q = finn_prikk(q, end);
        if (q == end)
            break;
        const char *r = q + 1;
        while (r < end && *r == '.')
            r++;
        if (r - q >= 2) {
            const char *w = finn_grense(r, end);
            uint32_t h = ord_hash(r, (size_t)(w - r));
            size_t gen = x->generasjon;
            if ((x->antall == x->plass || x->tabell < 2 * x->plass) && !indeks_plass(x)) {
                // Without room the keys are searched for in the text.
                x->tekst = x->slutt = nullptr;
                return;
            }
            if (gen != x->generasjon) {
                // The word table was made anew: chain the runs so far again.
                x->generasjon = 1;
                for (size_t i = 0; i < x->antall; i++) {
                    x->lop[i].neste = -1;
                    indeks_kjed(x, (int32_t)i);
                }
            }
            x->filter |= (uint64_t)1 << (h >> 26);
            int32_t i = (int32_t)x->antall++;
            x->lop[i] = NokkelLop{(uint32_t)(q - text), (uint32_t)(r - q), (uint32_t)(w - text), h, -1};
            indeks_kjed(x, i);
        }
        q = r;
    }
}

size_t nokkelindeks_fra(const Nokkelindeks *x, size_t offset)
{
    // Runs end in text order; the first whose end is at or after offset.
    size_t lav = 0, hoy = x->antall;
    while (lav < hoy) {
        size_t m = (lav + hoy) / 2;
        if (x->lop[m].start + x->lop[m].prikker < offset)
            lav = m + 1;
        else
            hoy = m;
    }
    return lav;
}

namespace {

// The n bytes at a and b are equal.  Key words are short: a loop here
// costs less than the library's call.
inline bool like(const char *a, const char *b, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (a[i] != b[i])
            return false;
    return true;
}

// Run l holds key n where the run ends in n's dots; the key's start then,
// or null.
const char *treff(const Nokkelindeks *x, const NokkelLop &l, const Nokkel &n)
{
    const char *ordStart = x->tekst + l.start + l.prikker;
    if (l.prikker < n.prikker || l.ordSlutt - (l.start + l.prikker) != n.ordLen || l.hash != n.hash)
        return nullptr;
    if (!like(ordStart, n.tekst + n.prefiks + n.prikker, n.ordLen))
        return nullptr;
    const char *p = ordStart - n.prikker - n.prefiks;
    if (n.prefiks > 0 && (p < x->tekst || memcmp(p, n.tekst, n.prefiks) != 0))
        return nullptr;
    return p;
}

// Runs come in text order: true when the search ends at run l, with *p
// the key's start there, or null when the key would end past to, as it
// would in every later run.
bool prov_lop(const Nokkelindeks *x, const NokkelLop &l, const Nokkel &n, const char *to, const char **p)
{
    if (x->tekst + l.start + l.prikker + n.ordLen > to)
        return true;
    *p = treff(x, l, n);
    return *p != nullptr;
}

} // namespace

const char *nokkelindeks_sok(const Nokkelindeks *x, const Nokkel &n, const char *from, const char *to)
{
    // An index that could not be built, or a key it cannot hold, is
    // searched for in the text.
    if (!n.indeksert || x->tekst == nullptr || from < x->tekst || to > x->slutt)
        return finn_nokkel(from, n.tekst, to);
    if (x->antall == 0)
        return nullptr;
    if (from == x->tekst) {
        // From the start: the runs of the key's word, in text order.
        size_t s = indeks_spor(x, n.hash);
        if (x->merke[s] != x->generasjon)
            return nullptr;
        for (int32_t i = x->forste[s]; i >= 0; i = x->lop[i].neste)
            if (const char *p = nullptr; prov_lop(x, x->lop[i], n, to, &p))
                return p;
        return nullptr;
    }
    // From inside the text: the runs from there on, so a search line by
    // line costs the lines, not the group.
    size_t fra = (size_t)(from - x->tekst) + n.prikker + n.prefiks;
    for (size_t i = nokkelindeks_fra(x, fra); i < x->antall; i++)
        if (const char *p = nullptr; prov_lop(x, x->lop[i], n, to, &p))
            return p;
    return nullptr;
}

const Settnokler &settnokler(const ScharStruct *keys)
{
    static Settnokler n{};
    // The whole fields are compared and kept, so a key equal up to its
    // terminator but not after it is only taken apart once more.
    const char *kilde[4] = {keys->hoydeKey, keys->coordKey, keys->coordHKey, keys->coordDKey};
    // The four fields follow each other: one comparison for all.
    static_assert(offsetof(ScharStruct, coordDKey) - offsetof(ScharStruct, hoydeKey) == 3 * SCHAR_KEY_LEN &&
                      sizeof n.tekst == 4 * SCHAR_KEY_LEN,
                  "height and coordinate keys side by side");
    if (memcmp(n.tekst, reinterpret_cast<const char *>(keys) + offsetof(ScharStruct, hoydeKey), sizeof n.tekst) != 0) {
        for (int i = 0; i < 4; i++) {
            memcpy(n.tekst[i], kilde[i], SCHAR_KEY_LEN);
            n.tekst[i][SCHAR_KEY_LEN - 1] = '\0';
        }
        n.hoyde = nokkel(n.tekst[0]);
        for (int i = 0; i < 3; i++)
            n.koord[i] = nokkel(n.tekst[i + 1]);
    }
    return n;
}
