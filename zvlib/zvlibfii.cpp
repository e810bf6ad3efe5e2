// Tokenizer over the logical lines of a control file.
//
//   open, close, rewind, switches
//   lines      readNewLine (packing)
//   numbers    isLong, isDouble and their readers, readNumeric
//   texts      readText, isText, seekText, readChar, readString,
//              readSubString, getLine, eol
//   errors     reportErr, formatErr, makeErr, makeErr2
#include "zvlibfii.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sys/mdlsys.h"
#include "zvlibtext.h"

namespace {

// The answer of readDoubleP and getDoubleP when there is no number.
const double noDouble = 0.0;

// An open tokenizer; a closed one or one whose open failed gets error 14.
bool isOpen(ZvlibFii *fii)
{
    if (fii == nullptr)
        return false;
    if (fii->file == nullptr || fii->line == nullptr || fii->cursor == nullptr) {
        fii->error = ZVLIB_FII_READ_ERROR;
        return false;
    }
    return true;
}

// strchr finds the terminator too, so the end of the line is tested first.
bool inSet(char c, const char *mengde) { return c != '\0' && strchr(mengde, c) != nullptr; }

char *pastSet(char *p, const char *mengde)
{
    while (inSet(*p, mengde))
        p++;
    return p;
}

void skipSeparators(ZvlibFii *fii) { fii->cursor = pastSet(fii->cursor, fii->separators); }

// The token at the cursor up to a delimiter, copied into fii->token.
// False when it is longer than the token buffer: the copy would be a
// different number.
bool tokenAtCursor(ZvlibFii *fii, const char *delimiters, char **slutt)
{
    *slutt = fii->cursor + strcspn(fii->cursor, delimiters);
    size_t n = size_t(*slutt - fii->cursor);
    zvlib::copyText(fii->token, std::string_view(fii->cursor, n));
    return n < ZVLIB_FII_TEXT_LEN;
}

void packLine(char *line)
{
    bool iAnforsel = false;
    char *w = line;
    for (const char *r = line; *r; r++) {
        if (*r == '"')
            iAnforsel = !iAnforsel;
        else if (!iAnforsel && (*r == ' ' || *r == '\t'))
            continue;
        *w++ = *r;
    }
    *w = '\0';
}

int findKeyword(ZvlibFii *fii, const char *keyword, bool stegOver)
{
    if (!isOpen(fii) || keyword == nullptr)
        return ZVLIB_FAILURE;
    size_t n = strlen(keyword);
    if (n >= ZVLIB_FII_TEXT_LEN)
        return ZVLIB_FAILURE;
    char *p = pastSet(fii->cursor, fii->separators);
    for (size_t i = 0; i < n; i++) {
        // A line shorter than the keyword ends the compare: a mismatch.
        if (p[i] == '\0')
            return ZVLIB_FAILURE;
        bool lik = fii->caseSensitive ? p[i] == keyword[i] : zvlib::upperLatin1(p[i]) == zvlib::upperLatin1(keyword[i]);
        if (!lik)
            return ZVLIB_FAILURE;
    }
    zvlib::copyText(fii->token, std::string_view(keyword, n));
    fii->cursor = stegOver ? p + n : p;
    return 0;
}

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// One number of readNumeric: the value as atof/atoi give it (without their
// undefined behaviour out of range), then the cursor past white space and
// the characters a number of that kind is made of.
double readNumberDouble(ZvlibFii *fii)
{
    double v = strtod(fii->cursor, nullptr);
    while (isWhite(*fii->cursor))
        fii->cursor++;
    fii->cursor = pastSet(fii->cursor, "0123456789.eE-+");
    return v;
}

int readNumberInt(ZvlibFii *fii)
{
    long v = strtol(fii->cursor, nullptr, 10);
    if (v > INT_MAX)
        v = INT_MAX;
    if (v < INT_MIN)
        v = INT_MIN;
    while (isWhite(*fii->cursor))
        fii->cursor++;
    fii->cursor = pastSet(fii->cursor, "0123456789-+");
    return int(v);
}

} // namespace

// --- open, close, switches ---------------------------------------------------

int zvlibFii_open(ZvlibFii *fii, const char *path, const char *mode)
{
    return zvlibFii_openExtended(fii, path, mode, "\\", "#", ZVLIB_FILE_BUFFER_SIZE, ZVLIB_FII_LINE_SIZE,
                                 ZVLIB_FII_DEFAULT_SEPARATORS);
}

int zvlibFii_openExtended(ZvlibFii *fii, const char *path, const char *mode, const char *continuation,
                          const char *comment, int fileBufferSize, int lineSize, const char *separators)
{
    if (fii == nullptr)
        return ZVLIB_FAILURE;
    memset(fii, 0, sizeof *fii);
    ZvlibFile *file = zvlibFile_openExtended(path, mode, continuation, comment, fileBufferSize);
    if (file == nullptr)
        return ZVLIB_FAILURE;
    if (separators == nullptr || separators[0] == '\0')
        separators = ZVLIB_FII_DEFAULT_SEPARATORS;
    if (strlen(separators) >= sizeof fii->separators) {
        zvlibFile_close(file);
        return ZVLIB_FAILURE;
    }
    if (lineSize < 1)
        lineSize = ZVLIB_FII_LINE_SIZE;
    char *line = static_cast<char *>(
        zvlibMem_mallocRscErrorPrintf(size_t(lineSize) + 1, ZVLIB_FILE_MSGLIST, ZVLIB_FILE_MSG_MEMORY));
    if (line == nullptr) {
        zvlibFile_close(file);
        return ZVLIB_FAILURE;
    }
    fii->file = file;
    fii->lineSize = lineSize;
    fii->line = line;
    fii->cursor = line;
    zvlib::copyText(fii->separators, separators);
    return 0;
}

int zvlibFii_close(ZvlibFii *fii)
{
    // A second close, or one after a failed open, finds nothing to close.
    if (fii == nullptr || fii->file == nullptr)
        return ZVLIB_FAILURE;
    int status = zvlibFile_close(fii->file);
    dlmSystem_mdlFree(fii->line);
    fii->file = nullptr;
    fii->line = nullptr;
    fii->cursor = nullptr;
    return status == 0 ? 0 : ZVLIB_FAILURE;
}

int zvlibFii_rewind(ZvlibFii *fii)
{
    if (!isOpen(fii))
        return ZVLIB_FAILURE;
    zvlibFile_rewind(fii->file);
    fii->line[0] = '\0';
    fii->cursor = fii->line;
    fii->lastLong = 0;
    fii->lastDouble = 0.0;
    fii->error = ZVLIB_FII_OK;
    fii->lineCount = 0;
    return 0;
}

static int setSwitch(ZvlibFii *fii, int ZvlibFii::*bryter, int verdi)
{
    if (fii == nullptr)
        return ZVLIB_FAILURE;
    fii->*bryter = verdi;
    return 0;
}

int zvlibFii_packOn(ZvlibFii *fii) { return setSwitch(fii, &ZvlibFii::pack, 1); }
int zvlibFii_packOff(ZvlibFii *fii) { return setSwitch(fii, &ZvlibFii::pack, 0); }
int zvlibFii_caseSensitiveOn(ZvlibFii *fii) { return setSwitch(fii, &ZvlibFii::caseSensitive, 1); }
int zvlibFii_caseSensitiveOff(ZvlibFii *fii) { return setSwitch(fii, &ZvlibFii::caseSensitive, 0); }

// --- lines -------------------------------------------------------------------

int zvlibFii_readNewLine(ZvlibFii *fii)
{
    if (!isOpen(fii))
        return ZVLIB_FAILURE;
    fii->error = ZVLIB_FII_OK;
    int lines;
    int r = zvlibFile_readCounted(fii->line, nullptr, fii->file, fii->lineSize, &lines);
    fii->lineCount += lines;
    fii->cursor = fii->line;
    if (r <= 0) {
        fii->line[0] = '\0';
        fii->error = r == 0 ? ZVLIB_FII_EOF : ZVLIB_FII_READ_ERROR;
        return ZVLIB_FAILURE;
    }
    if (fii->pack)
        packLine(fii->line);
    else
        skipSeparators(fii);
    return 0;
}

// --- numbers -----------------------------------------------------------------

int zvlibFii_isLong(ZvlibFii *fii, const char *delimiters)
{
    if (!isOpen(fii))
        return ZVLIB_FAILURE;
    const char *d = delimiters != nullptr ? delimiters : fii->separators;
    char *slutt;
    long v = 0;
    bool ok = tokenAtCursor(fii, d, &slutt);
    if (ok && fii->token[0] != '\0') {
        char *end;
        errno = 0;
        v = strtol(fii->token, &end, 10);
        // long is wider than the 32 bits kept: a larger value is refused,
        // never cut.
        ok = *end == '\0' && errno != ERANGE && v >= INT_MIN && v <= INT_MAX;
    }
    if (!ok) {
        fii->error = ZVLIB_FII_NOT_LONG;
        return ZVLIB_FAILURE;
    }
    fii->lastLong = int(v);
    fii->cursor = pastSet(slutt, d);
    return 0;
}

int zvlibFii_isDouble(ZvlibFii *fii, const char *delimiters)
{
    if (!isOpen(fii))
        return ZVLIB_FAILURE;
    const char *d = delimiters != nullptr ? delimiters : fii->separators;
    char *slutt;
    double v = 0.0;
    bool ok = tokenAtCursor(fii, d, &slutt);
    if (ok && fii->token[0] != '\0') {
        char *end;
        v = strtod(fii->token, &end);
        // Overflow gives infinity; "inf" and "nan" are no numbers of a file.
        ok = *end == '\0' && std::isfinite(v);
    }
    if (!ok) {
        fii->error = ZVLIB_FII_NOT_DOUBLE;
        return ZVLIB_FAILURE;
    }
    fii->lastDouble = v;
    fii->cursor = pastSet(slutt, d);
    return 0;
}

int zvlibFii_readLong(ZvlibFii *fii, const char *delimiters)
{
    return zvlibFii_isLong(fii, delimiters) == 0 ? fii->lastLong : 0;
}

const double *zvlibFii_readDoubleP(ZvlibFii *fii, const char *delimiters)
{
    return zvlibFii_isDouble(fii, delimiters) == 0 ? &fii->lastDouble : &noDouble;
}

int zvlibFii_getLong(ZvlibFii *fii) { return fii != nullptr ? fii->lastLong : 0; }

const double *zvlibFii_getDoubleP(ZvlibFii *fii) { return fii != nullptr ? &fii->lastDouble : &noDouble; }

int zvlibFii_readNumeric(ZvlibFii *fii, int unused, ...)
{
    (void)unused;
    if (!isOpen(fii))
        return ZVLIB_FAILURE;
    int rc = 0;
    va_list ap;
    va_start(ap, unused);
    for (;;) {
        int count = va_arg(ap, int);
        if (count < 0)
            break;
        int type = va_arg(ap, int);
        if (type == ZVLIB_FII_NUM_DOUBLE) {
            double *a = va_arg(ap, double *);
            for (int i = 0; i < count; i++) {
                double v = readNumberDouble(fii);
                if (a != nullptr)
                    a[i] = v;
            }
        } else if (type == ZVLIB_FII_NUM_INT) {
            int *a = va_arg(ap, int *);
            for (int i = 0; i < count; i++) {
                int v = readNumberInt(fii);
                if (a != nullptr)
                    a[i] = v;
            }
        } else if (type == ZVLIB_FII_NUM_PAIR) {
            double *a = va_arg(ap, double *);
            double *b = va_arg(ap, double *);
            for (int i = 0; i < count; i++) {
                double x = readNumberDouble(fii);
                double y = readNumberDouble(fii);
                if (a != nullptr)
                    a[i] = x;
                if (b != nullptr)
                    b[i] = y;
            }
        } else {
            toolSubsystem_printf("Error from zvlibFii_readNumeric\nUnknown type\n");
            rc = ZVLIB_FAILURE;
            break;
        }
    }
    va_end(ap);
    return rc;
}

// --- texts -------------------------------------------------------------------

char *zvlibFii_readText(ZvlibFii *fii, char *text)
{
    if (text != nullptr)
        text[0] = '\0';
    if (!isOpen(fii))
        return text;
    if (!fii->pack)
        skipSeparators(fii);
    char *slutt = fii->cursor + strcspn(fii->cursor, fii->separators);
    zvlib::copyText(text, ZVLIB_FII_TEXT_LEN, std::string_view(fii->cursor, size_t(slutt - fii->cursor)));
    fii->cursor = pastSet(slutt, fii->separators);
    return text;
}

int zvlibFii_isText(ZvlibFii *fii, const char *keyword) { return findKeyword(fii, keyword, true); }

int zvlibFii_seekText(ZvlibFii *fii, const char *keyword) { return findKeyword(fii, keyword, false); }

char zvlibFii_readChar(ZvlibFii *fii)
{
    if (!isOpen(fii))
        return ' ';
    if (!fii->pack)
        skipSeparators(fii);
    if (*fii->cursor == '\0')
        return ' ';
    char c = *fii->cursor++;
    if (!zvlib::isLatin1Letter(c))
        fii->error = ZVLIB_FII_NOT_LETTER;
    return c;
}

char *zvlibFii_readString(ZvlibFii *fii, const char *delimiters, char *text)
{
    if (text != nullptr)
        text[0] = '\0';
    if (!isOpen(fii) || delimiters == nullptr)
        return nullptr;
    if (!fii->pack)
        skipSeparators(fii);
    size_t n = strlen(delimiters);
    if (strncmp(fii->cursor, delimiters, n) != 0)
        return nullptr;
    char *start = fii->cursor + n;
    char *slutt = start + strcspn(start, delimiters);
    zvlib::copyText(text, ZVLIB_FII_TEXT_LEN, std::string_view(start, size_t(slutt - start)));
    fii->cursor = pastSet(slutt, delimiters);
    if (!fii->pack)
        skipSeparators(fii);
    return text;
}

char *zvlibFii_readSubString(ZvlibFii *fii, const char *delimiters, char *text)
{
    if (text != nullptr)
        text[0] = '\0';
    if (!isOpen(fii))
        return text;
    const char *d = delimiters != nullptr ? delimiters : fii->separators;
    if (!fii->pack)
        skipSeparators(fii);
    char *slutt = fii->cursor + strcspn(fii->cursor, d);
    zvlib::copyText(text, ZVLIB_FII_TEXT_LEN, std::string_view(fii->cursor, size_t(slutt - fii->cursor)));
    fii->cursor = pastSet(slutt, d);
    if (!fii->pack)
        skipSeparators(fii);
    return text;
}

char *zvlibFii_getLine(ZvlibFii *fii, char *text)
{
    if (text != nullptr)
        text[0] = '\0';
    if (!isOpen(fii))
        return text;
    if (!fii->pack)
        skipSeparators(fii);
    zvlib::copyText(text, ZVLIB_FII_TEXT_LEN, fii->cursor);
    return text;
}

int zvlibFii_eof(ZvlibFii *fii) { return fii != nullptr && fii->error == ZVLIB_FII_EOF ? 1 : 0; }

int zvlibFii_eol(ZvlibFii *fii)
{
    if (!isOpen(fii))
        return 1;
    if (!fii->pack) {
        skipSeparators(fii);
        return *fii->cursor == '\0' ? 1 : 0;
    }
    return *pastSet(fii->cursor, fii->separators) == '\0' ? 1 : 0;
}

char *zvlibFii_shrinkString(const char *text, char *out)
{
    (void)text;
    toolSubsystem_printf("zvlibFii_shrinkString is dummy\n");
    return out;
}

// --- errors ------------------------------------------------------------------

int zvlibFii_reportErr(ZvlibFii *fii, int *code, int *line, int *column, char *text)
{
    if (fii == nullptr || fii->error == ZVLIB_FII_OK)
        return ZVLIB_FAILURE;
    bool harLinje = fii->line != nullptr && fii->cursor != nullptr;
    if (code != nullptr)
        *code = fii->error;
    if (line != nullptr)
        *line = fii->lineCount;
    if (column != nullptr)
        *column = harLinje ? int(fii->cursor - fii->line) + 1 : 0;
    if (text != nullptr) {
        text[0] = '\0';
        if (harLinje)
            zvlib::copyText(text, ZVLIB_FII_TEXT_LEN, fii->line);
    }
    fii->error = ZVLIB_FII_OK;
    return 0;
}

int zvlibFii_formatErr(ZvlibFii *fii, int *code, char *text)
{
    if (fii == nullptr || fii->error == ZVLIB_FII_OK)
        return ZVLIB_FAILURE;
    if (code != nullptr)
        *code = fii->error;
    zvlibFii_makeErr(fii, text);
    return 0;
}

char *zvlibFii_makeErr(ZvlibFii *fii, char *text)
{
    if (text == nullptr)
        return text;
    text[0] = '\0';
    if (fii != nullptr)
        snprintf(text, ZVLIB_FII_TEXT_LEN, "(%d) %s", fii->lineCount, fii->line != nullptr ? fii->line : "");
    return text;
}

char *zvlibFii_makeErr2(ZvlibFii *fii, char *text, int capacity)
{
    if (text == nullptr || capacity <= 0)
        return text;
    text[0] = '\0';
    if (fii == nullptr || fii->line == nullptr || fii->cursor == nullptr)
        return text;
    size_t len = strlen(fii->line);
    size_t col = size_t(fii->cursor - fii->line) + 1;
    // The line, its newline, col - 1 blanks, the caret and the terminator.
    if (size_t(capacity) < len + col + 2)
        return text;
    memcpy(text, fii->line, len);
    text[len] = '\n';
    memset(text + len + 1, ' ', col - 1);
    text[len + col] = '^';
    text[len + col + 1] = '\0';
    return text;
}
