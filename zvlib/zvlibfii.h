/* Tokenizer over the logical lines of a control file: a cursor, separator
   characters, optional packing, keyword matching with or without case,
   number readers and an error code with line and column.  The caller owns
   the ZvlibFii record and passes it to every call. */
#ifndef ZVLIB_FII_H
#define ZVLIB_FII_H

#include "zvlibfile.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZVLIB_FII_LINE_SIZE 1024      /* default logical line, in characters */
#define ZVLIB_FII_SEPARATORS_LEN 27   /* at most 26 separators and the terminator */
#define ZVLIB_FII_DEFAULT_SEPARATORS " \n\t"
/* Token buffer, keyword limit and every text out of the tokenizer (tokens,
   strings, the rest of a line, error texts): at most 255 characters. */
#define ZVLIB_FII_TEXT_LEN 256

/* Error codes. */
#define ZVLIB_FII_OK 0
#define ZVLIB_FII_EOF (-1)
#define ZVLIB_FII_NOT_LONG 11
#define ZVLIB_FII_NOT_DOUBLE 12
#define ZVLIB_FII_NOT_LETTER 13
#define ZVLIB_FII_READ_ERROR 14

/* readNumeric group types. */
#define ZVLIB_FII_NUM_DOUBLE 1   /* double array */
#define ZVLIB_FII_NUM_INT 2      /* int array */
#define ZVLIB_FII_NUM_PAIR 3     /* two double arrays, filled pairwise */

typedef struct ZvlibFii {
    ZvlibFile *file;                            /* null while closed */
    int lineSize;                               /* logical line, characters */
    char *line;                                 /* lineSize + 1 bytes; null while closed */
    char *cursor;                               /* into line */
    char separators[ZVLIB_FII_SEPARATORS_LEN];
    int pack;                                   /* 1: blanks and tabs outside "..." removed */
    int caseSensitive;                          /* 0: keywords compared without case */
    int lastLong;                               /* last number read by isLong */
    double lastDouble;                          /* last number read by isDouble */
    int error;                                  /* ZVLIB_FII_OK or one of the codes above */
    int lineCount;                              /* physical lines read so far */
    char token[ZVLIB_FII_TEXT_LEN];             /* the last number or keyword examined */
} ZvlibFii;

/* Results: 0 for success, ZVLIB_FAILURE for failure unless said
   otherwise.  Every call that reads from a tokenizer whose open failed or
   that is closed sets error 14 and fails (readers give "", ' ' or null). */

/* zvlibFii_openExtended with the defaults. */
ZVLIB_API int zvlibFii_open(ZvlibFii *fii, const char *path, const char *mode);
/* Opens path (see zvlibFile_openExtended for mode, the two characters and
   fileBufferSize) with a logical line of lineSize characters (below 1:
   ZVLIB_FII_LINE_SIZE) and the separators (null: the defaults; more than
   26 fail and close the file).  The record is reset first, so after a
   failure it is a closed tokenizer. */
ZVLIB_API int zvlibFii_openExtended(ZvlibFii *fii, const char *path, const char *mode, const char *continuation,
                                    const char *comment, int fileBufferSize, int lineSize, const char *separators);
/* Closes the file and frees the line; a closed tokenizer is left as it is
   (ZVLIB_FAILURE). */
ZVLIB_API int zvlibFii_close(ZvlibFii *fii);
/* Starts the file again with an empty line; last numbers, error and line
   count cleared. */
ZVLIB_API int zvlibFii_rewind(ZvlibFii *fii);
ZVLIB_API int zvlibFii_packOn(ZvlibFii *fii);
ZVLIB_API int zvlibFii_packOff(ZvlibFii *fii);
ZVLIB_API int zvlibFii_caseSensitiveOn(ZvlibFii *fii);
ZVLIB_API int zvlibFii_caseSensitiveOff(ZvlibFii *fii);

/* Reads the next logical line and puts the cursor at its start (pack on:
   the line packed; pack off: past leading separators).  Fails with error
   -1 at the end of the file, 14 on a read error or a line too long. */
ZVLIB_API int zvlibFii_readNewLine(ZvlibFii *fii);

/* The token at the cursor up to the first delimiter character (null: the
   separators) as a 32-bit integer / a finite double.  On success the
   value is kept as the last long / last double and the cursor steps over
   the token and the delimiters after it; an empty token is 0.  Otherwise
   error 11 / 12 and the cursor stays. */
ZVLIB_API int zvlibFii_isLong(ZvlibFii *fii, const char *delimiters);
ZVLIB_API int zvlibFii_isDouble(ZvlibFii *fii, const char *delimiters);
/* The number isLong / isDouble read, or 0 (a pointer to a constant 0.0). */
ZVLIB_API int zvlibFii_readLong(ZvlibFii *fii, const char *delimiters);
ZVLIB_API const double *zvlibFii_readDoubleP(ZvlibFii *fii, const char *delimiters);
ZVLIB_API int zvlibFii_getLong(ZvlibFii *fii);
ZVLIB_API const double *zvlibFii_getDoubleP(ZvlibFii *fii);

/* The next token up to a separator into text (ZVLIB_FII_TEXT_LEN); the
   cursor steps over it and the separators after it.  Returns text. */
ZVLIB_API char *zvlibFii_readText(ZvlibFii *fii, char *text);
/* After separators, when the line continues with keyword (at most 255
   characters; without case unless case-sensitive is on): isText steps over
   it and seekText stops at it; both give 0.  Otherwise ZVLIB_FAILURE and
   the cursor stays. */
ZVLIB_API int zvlibFii_isText(ZvlibFii *fii, const char *keyword);
ZVLIB_API int zvlibFii_seekText(ZvlibFii *fii, const char *keyword);
/* The next character; ' ' at the end of the line (the cursor stays).
   Error 13 when it is not a letter of ISO 8859-1. */
ZVLIB_API char zvlibFii_readChar(ZvlibFii *fii);
/* When the text at the cursor starts with delimiters: the string after
   them up to the next delimiter character, into text; the cursor steps
   over it and the delimiter characters after it.  Null otherwise. */
ZVLIB_API char *zvlibFii_readString(ZvlibFii *fii, const char *delimiters, char *text);
/* The text up to any delimiter character, into text; the cursor steps over
   it and the delimiter characters after it.  Returns text. */
ZVLIB_API char *zvlibFii_readSubString(ZvlibFii *fii, const char *delimiters, char *text);
/* The rest of the line into text; the cursor stays.  Returns text. */
ZVLIB_API char *zvlibFii_getLine(ZvlibFii *fii, char *text);
/* 1 when the error is -1 (end of file), else 0. */
ZVLIB_API int zvlibFii_eof(ZvlibFii *fii);
/* 1 when only separators are left on the line, else 0. */
ZVLIB_API int zvlibFii_eol(ZvlibFii *fii);

/* With a pending error: its code, the line count, the column (cursor
   offset + 1; 0 without a line) and the line's first 255 characters; the
   error is cleared.  Any out may be null. */
ZVLIB_API int zvlibFii_reportErr(ZvlibFii *fii, int *code, int *line, int *column, char *text);
/* With a pending error: its code and the zvlibFii_makeErr text; the error
   stays pending. */
ZVLIB_API int zvlibFii_formatErr(ZvlibFii *fii, int *code, char *text);
/* "(line count) line" into text (ZVLIB_FII_TEXT_LEN, cut to fit).
   Returns text. */
ZVLIB_API char *zvlibFii_makeErr(ZvlibFii *fii, char *text);
/* The line, "\n", and a '^' under the cursor's column, into text
   (capacity bytes); "" when it does not fit.  Returns text. */
ZVLIB_API char *zvlibFii_makeErr2(ZvlibFii *fii, char *text, int capacity);
/* Reads numbers from the cursor into the caller's arrays.  After unused
   come groups (int count, int type, array, and for ZVLIB_FII_NUM_PAIR a
   second array), ended by a negative count.  A number that cannot be
   read is 0.  An unknown type prints a text and gives ZVLIB_FAILURE. */
ZVLIB_API int zvlibFii_readNumeric(ZvlibFii *fii, int unused, ...);
/* Does nothing but say so on the text window; returns out. */
ZVLIB_API char *zvlibFii_shrinkString(const char *text, char *out);

#ifdef __cplusplus
}
#endif

#endif
