// Group reader and string values.
//
// A ZERA file is read one group at a time: a group starts at a line whose
// first character is '.' and whose second is not '.', and runs up to the
// next such line.  Physical lines arrive in pieces of ZERA_LINE_PIECE bytes;
// a full piece without a newline is continued by the next piece, so a long
// line is joined and counted once.
//
//   seek:  read line; not a group line -> skip it (counted), stay in seek
//          group line -> note start line and position, go to fill
//   fill:  append the kept text of the line; read the next line:
//          end of file -> 1 (the buffer holds this group)
//          group line  -> set the file back to it -> 0
//          other       -> count it, stay in fill
//
// A group that outgrows the buffer is still read to its end, so the file
// is left at the next group and the caller can skip the refused one.
#include <cassert>
#include <climits>
#include <cstring>

#include "kartmotor_int.h"

namespace {

struct Leser {
    FILE *fp;
    long pos;                         // file position of the next unread byte
    char stykke[ZERA_LINE_PIECE + 1]; // the piece in hand, terminated
    size_t n;                         // its length in bytes
};

// Reads the next piece; false at end of file.  A NUL byte inside a line
// becomes a blank: the group text is a C string, and a NUL would silently
// end it for every parser while the bytes after it still count as read.
bool les_stykke(Leser &l)
{
    if (fgets(l.stykke, sizeof l.stykke, l.fp) == nullptr)
        return false;
    size_t n = strlen(l.stykke);
    if (n < ZERA_LINE_PIECE && (n == 0 || l.stykke[n - 1] != '\n')) {
        // Stopped short of a newline: the end of the file, or a NUL hid the
        // rest of the piece.  The position says how many bytes fgets stored.
        long naa = ftell(l.fp);
        if (naa > l.pos && naa - l.pos <= ZERA_LINE_PIECE && (size_t)(naa - l.pos) > n) {
            size_t lest = (size_t)(naa - l.pos);
            for (size_t i = 0; i < lest; i++)
                if (l.stykke[i] == '\0')
                    l.stykke[i] = ' ';
            n = lest;
        }
    }
    l.n = n;
    l.pos += (long)n;
    return true;
}

// The group text being built.  The running length keeps appending linear
// in the group's size; the buffer is never cleared beyond its terminator.
struct Utdata {
    char *buf;
    size_t cap;
    size_t len;
    bool full; // the group does not fit; nothing more is appended
    void legg(const char *p, size_t n)
    {
        if (full || n == 0)
            return;
        if (n >= cap - len) { // would leave no room for the terminator
            full = true;
            return;
        }
        memcpy(buf + len, p, n);
        len += n;
    }
};

// State of the physical line the current piece belongs to.
struct Linje {
    bool kuttet;    // an unquoted '!' was seen: the rest of the line is comment
    bool sitat;     // inside double quotes, where '!' is text
    bool ventCR;    // the previous piece ended in CR; dropped when LF follows
    size_t kolonne; // bytes of the line before this piece
};

void behandle(Leser &l, Linje &t, bool kommentar, Utdata &ut)
{
    char *p = l.stykke;
    size_t n = l.n;
    size_t kolonne0 = t.kolonne;
    t.kolonne += n;
    if (t.kuttet || n == 0)
        return;
    bool linjeslutt = p[n - 1] == '\n';
    bool fortsetter = n == ZERA_LINE_PIECE && !linjeslutt;
    if (t.ventCR) {
        t.ventCR = false;
        if (p[0] != '\n')
            ut.legg("\r", 1);
    }
    if (kommentar) {
        size_t i = 0;
        for (;;) {
            i += strcspn(p + i, "\"!");
            if (i >= n)
                break;
            if (p[i] == '"') {
                t.sitat = !t.sitat;
            } else if (!t.sitat) {
                t.kuttet = true;
                break;
            }
            i++;
        }
        if (t.kuttet) {
            // A line that begins with '!' leaves nothing, not even a newline.
            if (kolonne0 + i > 0) {
                ut.legg(p, i);
                ut.legg("\n", 1);
            }
            return;
        }
    }
    if (linjeslutt) {
        if (n >= 2 && p[n - 2] == '\r') {
            p[n - 2] = '\n';
            n--;
        }
        ut.legg(p, n);
    } else if (fortsetter) {
        if (p[n - 1] == '\r') {
            t.ventCR = true;
            n--;
        }
        ut.legg(p, n);
    } else {
        // last line of the file, without a newline
        ut.legg(p, n);
        if (kommentar)
            ut.legg("\n", 1);
    }
}

void tell_linje(int32_t *lineCounter)
{
    if (*lineCounter < INT32_MAX)
        (*lineCounter)++;
}

// Extent of the k-th (0-based) token of the line from p on; false when the
// line has fewer tokens.
bool token_spenn(const char *p, int k, const char **start, size_t *len)
{
    for (int i = 0;; i++) {
        while (er_blank((unsigned char)*p))
            p++;
        if (*p == '\0' || *p == '\n')
            return false;
        const char *s = p;
        while (*p != '\0' && *p != '\n' && !er_blank((unsigned char)*p))
            p++;
        if (i == k) {
            *start = s;
            *len = (size_t)(p - s);
            return true;
        }
    }
}

} // namespace

int16_t zerget_buff(char *buffer, size_t bufferSize, int32_t *lineCounter, int32_t *startLine, long *nextPos,
                    long *groupPos, FILE *fp, int16_t *commentSwitch)
{
    assert(buffer != nullptr && bufferSize > 0 && lineCounter != nullptr && startLine != nullptr &&
           nextPos != nullptr && groupPos != nullptr && fp != nullptr);
    buffer[0] = '\0';
    Leser l;
    l.fp = fp;
    l.pos = ftell(fp);
    l.n = 0;
    l.stykke[0] = '\0';
    if (l.pos < 0) { // a stream we cannot position in; nothing can be read back
        *groupPos = *nextPos = 0;
        *startLine = *lineCounter;
        return 1;
    }
    bool kommentar = commentSwitch != nullptr && *commentSwitch == 1;
    Utdata ut{buffer, bufferSize, 0, false};
    Linje t{};
    bool iGruppe = false;
    bool hopper = false;        // the current line lies before the group
    bool forrigeFortsetter = false;
    int16_t resultat = 1;
    *groupPos = l.pos;
    *startLine = *lineCounter;
    for (;;) {
        long stykkePos = l.pos;
        if (!les_stykke(l))
            break;
        bool nyLinje = !forrigeFortsetter;
        forrigeFortsetter = l.n == ZERA_LINE_PIECE && l.stykke[l.n - 1] != '\n';
        if (nyLinje) {
            bool gruppestart = l.stykke[0] == '.' && l.stykke[1] != '.';
            if (iGruppe && gruppestart) {
                // The next call reads this line again.
                fseek(fp, stykkePos, SEEK_SET);
                l.pos = stykkePos;
                resultat = 0;
                break;
            }
            tell_linje(lineCounter);
            if (!iGruppe) {
                hopper = !gruppestart;
                if (hopper)
                    continue;
                iGruppe = true;
                *startLine = *lineCounter;
                *groupPos = stykkePos;
            }
            t = Linje{};
        } else if (hopper) {
            continue;
        }
        behandle(l, t, kommentar, ut);
    }
    *nextPos = l.pos;
    if (!iGruppe) {
        *groupPos = l.pos;
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
    return resultat;
}

bool streng_verdi(const char *line, const char **value, size_t *len)
{
    const char *tok = nullptr;
    size_t tokLen = 0;
    if (line == nullptr || !token_spenn(line, 0, &tok, &tokLen) || !token_spenn(line, 1, &tok, &tokLen))
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
