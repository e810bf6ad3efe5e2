// Group reader and string values.
//
// A ZERA file is read one group at a time: a group starts at a line whose
// first character is '.' and whose second is not '.', and runs up to the
// next such line.  The file is read in blocks into a Gruppekilde and the
// lines are taken from there, so reading on never sets the file back; only
// zerget_buff, which starts at the FILE's position, sets the file to the
// next group once at the end of each call.  A regular file opened with
// gruppekilde_apne is read a window of 256 KB at a time instead; its last
// window, and any file that is not regular, is read into the block.
//
//   seek:  line not a group line -> skip it (counted), stay in seek
//          group line -> note start line and position, go to fill
//   fill:  append the kept text of the line; at the next line:
//          end of file -> 1 (the buffer holds this group)
//          group line  -> leave it for the next call -> 0
//          other       -> count it, stay in fill
//
// A line ends in LF, CR LF or a CR alone; CR CR LF, which converting a CRLF
// file twice leaves, is one line end as well.  A group with a NUL byte is
// refused with SG_BUFF 3: the group text is a C string, and a NUL would
// silently end it, or read as a blank, change its numbers.  A line longer than half a block is taken in pieces and counted
// once.  A UTF-8 byte-order mark where the file starts is dropped.
//
// Comments, by the comment switch: 1 drops each line from its first '!'
// outside double quotes and apostrophes (a line that begins with '!' leaves nothing, not even its
// line end); 2 does the same except where the '!' begins one of the
// symbology keys "! ..DST-COLOR", "! ..DST-LINE" and "! ..DST-SYMBOL";
// anything else keeps every line whole.
//
// A group that outgrows the buffer is still read to its end, so the reader
// stands at the next group and the caller can skip the refused one.
#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#include <unistd.h>
#define ZERA_KART 1
#endif

#include "kartmotor_int.h"

namespace {

enum { BEHOLD = 0, KUTT = 1, KUTT_UNNTATT_DST = 2 };

// Bytes a piece of a long line leaves for the next piece, and that a '!'
// needs after it: enough to see a CR CR LF line end and a symbology key.
const size_t FORAN = 16;
static_assert(ZERA_READ_PAD >= FORAN, "the block search reads 16 bytes at a time");
static_assert(ZERA_READ_BLOCK / 2 > FORAN, "a piece must leave room for the bytes kept ahead");

const char *const DST_NOKLER[] = {"! ..DST-COLOR", "! ..DST-LINE", "! ..DST-SYMBOL"};

// The first LF, CR or NUL (and '!' when asked) at or after p.  The block's
// terminator ends the search; the block has room to read 16 bytes past it.
template <bool UTROP> const char *finn_spesiell(const char *p)
{
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i nul = _mm_setzero_si128();
    const __m128i utrop = _mm_set1_epi8('!');
    for (;; p += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, nul));
        if (UTROP)
            m = _mm_or_si128(m, _mm_cmpeq_epi8(v, utrop));
        unsigned bits = (unsigned)_mm_movemask_epi8(m);
        if (bits != 0)
            return p + __builtin_ctz(bits);
    }
#else
    while (*p != '\n' && *p != '\r' && *p != '\0' && (!UTROP || *p != '!'))
        p++;
    return p;
#endif
}

// A window of a regular file is read whole, from the page the unread bytes
// stand in, into one of two window buffers in turn, so the bytes of the
// window before stay readable while the next is read (as the caller may
// still point into them).  Read, not mapped: a file that is cut short while
// it is read gives a short read here, which the reader reports, where a
// mapped page past the new end would kill the process.
char *vindu(int i)
{
    static const long side = sysconf(_SC_PAGESIZE);
    static char *buffere[2] = {nullptr, nullptr};
    if (buffere[i] == nullptr && side > 0)
        buffere[i] = static_cast<char *>(malloc(ZERA_MAP_WINDOW + (size_t)side + ZERA_READ_PAD));
    return buffere[i];
}

bool kartlegg(Gruppekilde &k, ptrdiff_t *flytt)
{
#if defined(ZERA_KART)
    static const long side = sysconf(_SC_PAGESIZE);
    static int neste = 0;
    const long fra = k.pos + (long)k.at;
    const long start = fra - fra % side;
    const size_t lengde = ZERA_MAP_WINDOW + (size_t)side;
    if (k.filLen < 0 || side <= 0 || start > k.filLen - (long)lengde)
        return false;
    char *buf = vindu(neste);
    if (buf == nullptr)
        return false;
    size_t lest = 0;
    while (lest < lengde) {
        ssize_t n = pread(fileno(k.fp), buf + lest, lengde - lest, start + (off_t)lest);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false; // cut short or unreadable: the block reader goes on and sees it
        lest += (size_t)n;
    }
    neste = 1 - neste;
    gruppekilde_lukk(&k);
    k.kart = buf;
    k.kartLen = lengde;
    k.data = buf;
    *flytt = (ptrdiff_t)k.at - (ptrdiff_t)(fra - start);
    k.pos = start;
    k.at = (size_t)(fra - start);
    k.len = ZERA_MAP_WINDOW;
    k.data[k.len] = '\0';
    return true;
#else
    (void)k;
    (void)flytt;
    return false;
#endif
}

// Moves the unread bytes to the front of the block and reads on behind
// them, or maps the next window.  The end of the file (or a read error)
// sets slutt.  Returns how far the unread bytes moved towards the front.
ptrdiff_t fyll(Gruppekilde &k)
{
    if (k.slutt)
        return 0;
    ptrdiff_t flytt = 0;
    if (kartlegg(k, &flytt))
        return flytt;
    flytt = (ptrdiff_t)k.at;
    // What a window leaves unread is never more than a piece of a line.
    assert(k.len - k.at <= ZERA_READ_BLOCK);
    if (k.at > 0 || k.kart != nullptr) {
        memmove(k.blokk, k.data + k.at, k.len - k.at);
        k.len -= k.at;
        k.pos += (long)k.at;
        k.at = 0;
    }
    if (k.kart != nullptr) {
        // The last window: read on from behind the bytes just moved.
        gruppekilde_lukk(&k);
        if (fseek(k.fp, k.pos + (long)k.len, SEEK_SET) != 0) {
            k.blokk[k.len] = '\0';
            k.slutt = true;
            return flytt;
        }
    }
    size_t plass = ZERA_READ_BLOCK - k.len;
    size_t n = plass > 0 ? fread(k.blokk + k.len, 1, plass, k.fp) : 0;
    k.len += n;
    k.blokk[k.len] = '\0';
    if (n == 0 && plass > 0)
        k.slutt = true;
    return flytt;
}

// The group text being built.  Bytes of the block that follow each other in
// the text are copied in one go when something else comes between or the
// block moves; the length counts them already.
struct Utdata {
    char *buf;
    size_t cap;
    size_t len;
    bool full; // the group does not fit; nothing more is appended
    bool nul = false; // a NUL byte stood in the group's text
    const char *vent = nullptr;
    size_t ventLen = 0;

    bool plass(size_t n)
    {
        if (full || n >= cap - len) // would leave no room for the terminator
            full = true;
        return !full;
    }
    void tom()
    {
        if (ventLen > 0)
            memcpy(buf + len - ventLen, vent, ventLen);
        vent = nullptr;
        ventLen = 0;
    }
    void legg(const char *p, size_t n) // p lies in the block
    {
        if (n == 0 || !plass(n))
            return;
        if (vent == nullptr || vent + ventLen != p) {
            tom();
            vent = p;
        }
        ventLen += n;
        len += n;
    }
    void linjeslutt()
    {
        if (!plass(1))
            return;
        tom();
        buf[len++] = '\n';
    }
#if defined(__SSE2__)
    // The lines of the 64 bytes at p that end at the LFs of linjer, each
    // written without the CR before its LF.  The caller has made sure of
    // room for them and 16 bytes more: each line is copied 16 bytes at a
    // time, past its end; p has 66 bytes and the block's pad readable.
    void crlf_linjer(const char *p, uint64_t linjer)
    {
        tom();
        char *d = buf + len;
        size_t fra = 0;
        for (uint64_t l = linjer; l != 0; l &= l - 1) {
            size_t nl = (size_t)__builtin_ctzll(l);
            size_t n = nl + 1 - fra; // the line with its LF
            const char *s = p + fra;
            for (size_t i = 0; i < n; i += 16)
                _mm_storeu_si128(reinterpret_cast<__m128i *>(d + i),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i)));
            if (nl > fra && p[nl - 1] == '\r') {
                d[n - 2] = '\n';
                n--;
            }
            d += n;
            fra = nl + 1;
        }
        len = (size_t)(d - buf);
    }
#endif
};

// The physical line in hand.
struct Linje {
    size_t kolonne; // bytes of the line already behind the piece in hand
    bool kuttet;    // a comment began: the rest of the line is dropped
    char sitat;     // the quote character of an open quote, or 0
};

void tell_linje(int32_t *lineCounter)
{
    if (*lineCounter < INT32_MAX)
        (*lineCounter)++;
}

// Quotes of [p, e): '!' between double quotes or between apostrophes, the
// two ways a ZERA text is quoted, is text.
void tell_sitat(Linje &t, const char *p, const char *e)
{
    for (; p < e; p++) {
        if (t.sitat != 0) {
            if (*p == t.sitat)
                t.sitat = 0;
        } else if (*p == '"' || *p == '\'') {
            t.sitat = *p;
        }
    }
}

bool er_dst(const char *p, const char *slutt)
{
    for (const char *n : DST_NOKLER) {
        size_t len = strlen(n);
        if ((size_t)(slutt - p) >= len && memcmp(p, n, len) == 0 && nokkelgrense(p[len]))
            return true;
    }
    return false;
}

// Takes one line from the block, from k.at on (the group-line test is done),
// up to and with its line end; its kept text goes to ut unless the line is
// skipped.
void les_linje(Gruppekilde &k, Utdata &ut, int kommentar, bool hopp)
{
    Linje t{};
    const bool utrop = kommentar != BEHOLD && !hopp;
    size_t fra = k.at;      // start of the piece not yet given to ut
    size_t sok = k.at;      // the search for the next special byte goes on here
    size_t sitatTil = k.at; // quotes are counted up to here
    auto gi = [&](size_t til) {
        if (!hopp && !t.kuttet)
            ut.legg(k.data + fra, til - fra);
        if (utrop && !t.kuttet && sitatTil < til) {
            tell_sitat(t, k.data + sitatTil, k.data + til);
            sitatTil = til;
        }
        t.kolonne += til - fra;
        fra = til;
    };
    // The line goes on past the block: a long line gives a piece, then the
    // block moves its unread bytes to the front and reads on.
    auto les_mer = [&](size_t j) {
        if (j - fra >= ZERA_READ_BLOCK / 2)
            gi(j - FORAN);
        ut.tom();
        k.at = fra;
        const ptrdiff_t flytt = fyll(k);
        sok = (size_t)((ptrdiff_t)j - flytt);
        sitatTil = (size_t)((ptrdiff_t)sitatTil - flytt);
        fra = k.at;
    };
    for (;;) {
        char *b = k.data;
        size_t j = (size_t)((utrop && !t.kuttet ? finn_spesiell<true>(b + sok) : finn_spesiell<false>(b + sok)) - b);
        const char c = b[j];
        if (c == '\0') {
            if (j < k.len) {
                b[j] = ' ';
                ut.nul = ut.nul || !hopp;
                sok = j + 1;
                continue;
            }
            if (k.slutt) { // the last line of the file, without a line end
                gi(j);
                if (!hopp && !t.kuttet && kommentar != BEHOLD)
                    ut.linjeslutt();
                k.at = j;
                return;
            }
            les_mer(j);
            continue;
        }
        if (c == '!') {
            if (j + FORAN > k.len && !k.slutt) {
                les_mer(j);
                continue;
            }
            tell_sitat(t, b + sitatTil, b + j);
            sitatTil = j + 1;
            sok = j + 1;
            if (t.sitat != 0 || (kommentar == KUTT_UNNTATT_DST && er_dst(b + j, b + k.len)))
                continue;
            // What comes before the comment is kept with a line end; a line
            // that begins with '!' leaves nothing.
            bool tom = t.kolonne + (j - fra) == 0;
            gi(j);
            if (!tom)
                ut.linjeslutt();
            t.kuttet = true;
            continue;
        }
        size_t igjen = k.len - j; // c is LF or CR
        if (c == '\r' && igjen < 3 && !k.slutt) {
            les_mer(j);
            continue;
        }
        size_t slutt = 1;
        if (c == '\r' && igjen >= 2 && b[j + 1] == '\n')
            slutt = 2;
        else if (c == '\r' && igjen >= 3 && b[j + 1] == '\r' && b[j + 2] == '\n')
            slutt = 3;
        if (!hopp && !t.kuttet) {
            if (c == '\n') {
                gi(j + 1); // the line and its LF, as they stand
            } else {
                gi(j);
                ut.linjeslutt();
            }
        }
        k.at = j + slutt;
        return;
    }
}

// Set bits of x.  The build targets processors without a popcount
// instruction, where the builtin is a library call.
inline int biter(uint64_t x)
{
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return (int)((x * 0x0101010101010101ull) >> 56);
}

#if defined(__SSE2__)
// The bytes of the 64 at p that matter to a run of lines, one bit each.
struct Masker {
    uint64_t lf, cr, prikk, annet; // annet: NUL, and '!' when asked
};
Masker masker64(const char *p, bool utrop)
{
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), prikk = _mm_set1_epi8('.');
    const __m128i nul = _mm_setzero_si128(), bang = _mm_set1_epi8(utrop ? '!' : '\0');
    Masker m{0, 0, 0, 0};
    for (int i = 0; i < 4; i++) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * i));
        int s = 16 * i;
        m.lf |= (uint64_t)(unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(x, lf)) << s;
        m.cr |= (uint64_t)(unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(x, cr)) << s;
        m.prikk |= (uint64_t)(unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(x, prikk)) << s;
        m.annet |= (uint64_t)(unsigned)_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, nul), _mm_cmpeq_epi8(x, bang)))
                   << s;
    }
    return m;
}
#endif

// Inside a group: takes the plain lines from k.at on, each ending in LF or
// CR LF, without a NUL, another CR or (with comments dropped) a '!', and
// none starting a group.  Stops at the first other line, or where the block runs short,
// and leaves it to les_linje; the text goes to ut as it stands.
void les_enkle_linjer(Gruppekilde &k, Utdata &ut, int kommentar, int32_t *lineCounter)
{
    const bool utrop = kommentar != BEHOLD;
    char *b = k.data;
    size_t at = k.at;
    const size_t grense = k.len > FORAN ? k.len - FORAN : 0;
    while (at < grense && !(b[at] == '.' && b[at + 1] != '.')) {
#if defined(__SSE2__)
        // The lines that end in the next 64 bytes before anything else
        // stops them: all taken at once.
        if (at + 64 + 2 <= k.len) {
            const Masker m = masker64(b + at, utrop);
            const uint64_t lf = m.lf, cr = m.cr, prikk = m.prikk;
            // a CR right before a LF is part of its line end; one at the
            // last byte is not looked after, so it stops
            uint64_t crlf = cr & (lf >> 1);
            uint64_t stopp = (cr & ~crlf) | m.annet;
            // a '.' after a LF and before something else than '.'; the last
            // byte's follower is not looked at, so it may stop too early
            stopp |= (lf << 1) & prikk & ~(prikk >> 1);
            uint64_t for_ = stopp != 0 ? (stopp & (~stopp + 1)) - 1 : ~(uint64_t)0;
            uint64_t linjer = lf & for_;
            if (linjer != 0) {
                size_t n = (size_t)(64 - __builtin_clzll(linjer));
                if ((crlf & for_) == 0) {
                    ut.legg(b + at, n);
                } else if (!ut.full && n + 16 < ut.cap - ut.len) {
                    ut.crlf_linjer(b + at, linjer);
                } else {
                    // CR LF lines: each without its CR, with a LF
                    size_t fra = at;
                    for (uint64_t l = linjer; l != 0; l &= l - 1) {
                        size_t nl = at + (size_t)__builtin_ctzll(l);
                        if (nl > at && b[nl - 1] == '\r') {
                            ut.legg(b + fra, nl - 1 - fra);
                            ut.linjeslutt();
                        } else {
                            ut.legg(b + fra, nl + 1 - fra);
                        }
                        fra = nl + 1;
                    }
                }
                int64_t teller = (int64_t)*lineCounter + biter(linjer);
                *lineCounter = teller > INT32_MAX ? INT32_MAX : (int32_t)teller;
                at += n;
                continue;
            }
        }
#endif
        const char *j = utrop ? finn_spesiell<true>(b + at) : finn_spesiell<false>(b + at);
        size_t nl = (size_t)(j - b);
        if (*j != '\n' || nl + 2 >= k.len)
            break;
        ut.legg(b + at, nl + 1 - at);
        tell_linje(lineCounter);
        at = nl + 1;
    }
    k.at = at;
}

} // namespace

void gruppekilde_start(Gruppekilde *k, FILE *fp, long pos)
{
    assert(k != nullptr);
    k->kart = nullptr; // a window is given up by gruppekilde_lukk only
    k->kartLen = 0;
    k->fp = fp;
    k->pos = pos;
    k->len = 0;
    k->at = 0;
    k->slutt = fp == nullptr;
    k->data = k->blokk;
    k->filLen = -1;
    k->blokk[0] = '\0';
}

void gruppekilde_apne(Gruppekilde *k, FILE *fp)
{
    gruppekilde_lukk(k);
    gruppekilde_start(k, fp, 0);
    if (fp == nullptr || fseek(fp, 0, SEEK_SET) != 0) {
        k->slutt = true;
        return;
    }
#if defined(ZERA_KART)
    struct stat st;
    if (fp != nullptr && fstat(fileno(fp), &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= LONG_MAX)
        k->filLen = (long)st.st_size;
#endif
}

void gruppekilde_lukk(Gruppekilde *k)
{
    assert(k != nullptr);
    k->kart = nullptr; // the window buffers are kept for the next file
    k->kartLen = 0;
    k->data = k->blokk;
}

bool gruppekilde_sett(Gruppekilde *k, long pos)
{
    assert(k != nullptr);
    if (pos >= k->pos && pos <= k->pos + (long)k->len) {
        k->at = (size_t)(pos - k->pos);
        return true;
    }
    if (k->fp == nullptr || pos < 0 || fseek(k->fp, pos, SEEK_SET) != 0)
        return false;
    const long filLen = k->filLen;
    gruppekilde_lukk(k);
    gruppekilde_start(k, k->fp, pos);
    k->filLen = filLen;
    return true;
}

long gruppekilde_pos(const Gruppekilde *k)
{
    return k->pos + (long)k->at;
}

int16_t zerget_gruppe(Gruppekilde *k, char *buffer, size_t bufferSize, int32_t *lineCounter, int32_t *startLine,
                      long *nextPos, long *groupPos, int16_t *commentSwitch)
{
    assert(k != nullptr && buffer != nullptr && bufferSize > 0 && lineCounter != nullptr && startLine != nullptr &&
           nextPos != nullptr && groupPos != nullptr);
    buffer[0] = '\0';
    const int kommentar = commentSwitch == nullptr ? (int)BEHOLD : *commentSwitch;
    Utdata ut{buffer, bufferSize, 0, false};
    bool iGruppe = false;
    int16_t resultat = 1;
    *groupPos = gruppekilde_pos(k);
    *startLine = *lineCounter;
    for (;;) {
        if (k->len - k->at < FORAN && !k->slutt) {
            ut.tom();
            fyll(*k);
        }
        if (k->at >= k->len)
            break;
        const char *s = k->data + k->at;
        // A UTF-8 byte-order mark is not part of the file's first line, so
        // a ".HODE" behind it is still the header.
        if (k->pos + (long)k->at == 0 && memcmp(s, "\xEF\xBB\xBF", 3) == 0) {
            k->at += 3;
            continue;
        }
        bool gruppestart = s[0] == '.' && s[1] != '.';
        if (iGruppe && gruppestart) {
            resultat = 0;
            break;
        }
        tell_linje(lineCounter);
        if (!iGruppe && gruppestart) {
            iGruppe = true;
            *startLine = *lineCounter;
            *groupPos = gruppekilde_pos(k);
        }
        les_linje(*k, ut, kommentar, !iGruppe);
        if (iGruppe)
            les_enkle_linjer(*k, ut, kommentar, lineCounter);
    }
    ut.tom();
    *nextPos = gruppekilde_pos(k);
    if (!iGruppe) {
        *groupPos = *nextPos;
        *startLine = *lineCounter;
        return 1;
    }
    if (ut.full) {
        buffer[0] = '\0';
        bmwclr();
        bmw_meld("SG_BUFF", 2, BMW_ERROR, *startLine);
        return -2;
    }
    buffer[ut.len] = '\0';
    if (ut.len == 0) {
        bmwclr();
        bmw_meld("SG_BUFF", 1, BMW_FATAL, *startLine);
        return -2;
    }
    if (ut.nul) { // read as a blank it would give other numbers, silently
        buffer[0] = '\0';
        bmwclr();
        bmw_meld("SG_BUFF", 3, BMW_ERROR, *startLine);
        return -2;
    }
    return resultat;
}

bool streng_verdi(const char *line, const char **value, size_t *len)
{
    const char *tok = nullptr;
    size_t tokLen = 0;
    if (line == nullptr || !token_spenn(line, 1, &tok, &tokLen)) // a second token has a first
        return false;
    char sitattegn = '\0';
    if (memchr(tok, '"', tokLen) != nullptr)
        sitattegn = '"';
    else if (memchr(tok, '\'', tokLen) != nullptr)
        sitattegn = '\'';
    *value = tok;
    *len = tokLen;
    if (sitattegn != '\0') {
        const char *slutt = linje_slutt(line);
        const char *fra = (const char *)memchr(line, sitattegn, (size_t)(slutt - line)) + 1;
        const char *til = (const char *)memchr(fra, sitattegn, (size_t)(slutt - fra));
        if (til == nullptr) {
            // Open quote: the value runs to the end of the line, less
            // the CR of a CRLF line end.
            til = slutt;
            if (til > fra && til[-1] == '\r')
                til--;
        }
        *value = fra;
        *len = (size_t)(til - fra);
    }
    return true;
}

int16_t zerget_buff(char *buffer, size_t bufferSize, int32_t *lineCounter, int32_t *startLine, long *nextPos,
                    long *groupPos, FILE *fp, int16_t *commentSwitch)
{
    assert(buffer != nullptr && bufferSize > 0 && lineCounter != nullptr && startLine != nullptr &&
           nextPos != nullptr && groupPos != nullptr && fp != nullptr);
    buffer[0] = '\0';
    long pos = ftell(fp);
    if (pos < 0) { // a stream we cannot position in; nothing can be read back
        *groupPos = *nextPos = 0;
        *startLine = *lineCounter;
        return 1;
    }
    static Gruppekilde kilde;
    gruppekilde_start(&kilde, fp, pos);
    int16_t rc = zerget_gruppe(&kilde, buffer, bufferSize, lineCounter, startLine, nextPos, groupPos, commentSwitch);
    // The file stands at the next group, where the next call starts.
    fseek(fp, *nextPos, SEEK_SET);
    return rc;
}

int16_t zerget_str(const char *line, char *value, int16_t *set)
{
    assert(value != nullptr);
    value[0] = '\0';
    int feil = 0;
    const char *fra = nullptr;
    size_t len = 0;
    if (line == nullptr) {
        feil = 1;
    } else if (!streng_verdi(line, &fra, &len)) {
        feil = 2;
    } else {
        // Unquoted tokens are bounded like quoted values: the out value is
        // ZERA_STR_LEN bytes whatever the line holds.
        if (len > ZERA_STR_LEN - 1) {
            feil = 3;
        } else {
            kopier_n(value, ZERA_STR_LEN, fra, len);
            int16_t filsett = set != nullptr ? *set : (int16_t)ZERA_CHARSET_ISO;
            int16_t iso = ZERA_CHARSET_ISO;
            if (filsett != ZERA_CHARSET_ISO && bbs_cstr78(value, &filsett, &iso) != 0)
                feil = 4;
        }
    }
    if (feil != 0) {
        value[0] = '\0';
        bmwclr();
        bmw_meld("SG_STR", feil, BMW_ERROR, 0);
        return -1;
    }
    size_t n = strlen(value);
    if (n > 0 && value[n - 1] == '\r')
        value[n - 1] = '\0';
    return 0;
}
