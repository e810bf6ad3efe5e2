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

const char *finn_tekst(const char *text, const char *fragment, const char *end)
{
    if (text == nullptr || fragment == nullptr || *fragment == '\0')
        return nullptr;
    if (end == nullptr)
        return strstr(text, fragment);
    if (end <= text)
        return nullptr;
    return (const char *)memmem(text, (size_t)(end - text), fragment, strlen(fragment));
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
        const char *hit = (const char *)memmem(p, (size_t)(end - p), key, len);
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
