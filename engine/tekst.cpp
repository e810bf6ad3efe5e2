// Text helpers of the engine: bounded copies, key search at key boundaries
// and token reading.  Every fixed buffer of the engine is filled through
// these, so no call site needs its own bound.
#include <cstdlib>
#include <cstring>

#include "kartmotor_int.h"

size_t kopier_n(char *dst, size_t dstSize, const char *src, size_t n)
{
    if (dst == nullptr || dstSize == 0)
        return 0;
    size_t len = 0;
    if (src != nullptr)
        while (len < n && len + 1 < dstSize && src[len] != '\0')
            len++;
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

int er_blank(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

int nokkelgrense(char c)
{
    return c == '\0' || c == ':' || c == '\n' || er_blank((unsigned char)c);
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
    for (int i = 0;; i++) {
        while (er_blank((unsigned char)*p))
            p++;
        if (*p == '\0' || *p == '\n')
            return -1;
        const char *start = p;
        while (*p != '\0' && *p != '\n' && !er_blank((unsigned char)*p))
            p++;
        if (i == k) {
            size_t len = (size_t)(p - start);
            size_t got = kopier_n(out, outSize, start, len);
            return got < len ? 1 : 0;
        }
    }
}

long tall_long(const char *token)
{
    return token == nullptr ? 0 : strtol(token, nullptr, 10);
}

double tall_double(const char *token)
{
    return token == nullptr ? 0.0 : strtod(token, nullptr);
}
