/* Kartmotor internals shared between the engine's files.  Nothing here is
   exported from the library.

   Files and their concerns:
     tekst.cpp     bounded copies, key search, a group's key index, tokens,
                   numbers
     kartmotor_typer.h  the element types: names, letters, kinds
     elm.cpp       the element record, option words
     tegnsett.cpp  character sets and the letter keys
     zerbuff.cpp   group reader (a file read in blocks) and string values
     zerhead.cpp   header parsing and zerget_headinfo
     zerelm.cpp    element parser
     zercoord.cpp  coordinates, arcs, texts from points, sub-points, extents
     geometri.cpp  plane geometry helpers
     bmw.cpp       message register
     rapport.cpp   report file
     mstemtab.cpp  theme table, template, symbol and object-type tables
     mtmatch.cpp   theme matching (rows by theme during an import), row
                   fill, height rules
     zera2dgn.cpp  import and scan drivers
     dgn2zera.cpp  ZERA writer
     landxml.cpp   LandXML surface output */
#ifndef KARTMOTOR_INT_H
#define KARTMOTOR_INT_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "kartmotor.h"
#include "kartmotor_typer.h"

/* ---- limits private to the engine ---------------------------------------- */
#define ZERA_GROUP_BUFFER 800000      /* group buffer of the import and scan */
#define ZERA_HEAD_BUFFER 10000        /* group buffer of zerget_headinfo */
#define ZERA_STR_LEN 80               /* zerget_str values (79 characters) */
#define ZERA_MAX_DEFERRED 50000       /* level-4 groups per import */
#define ZERA_MAKS_ENHET 1000.0        /* metres: the largest unit a header may give */
#define ZERA_MAKS_KOORDINAT 1.0e9     /* metres: no map reaches further (coordinates, heights, radii) */
#define MT_LINE_LEN 1000              /* theme-file line (999 characters) */
#define ST_LINE_LEN 10000             /* symbol-file line (9,999 characters) */
#define XML_MAX_POINT_TEXT 19900
#define XML_COUNTERS 10000

/* ---- tekst.cpp ------------------------------------------------------------ */
/* Copies src into dst of dstSize bytes, cut to fit, always terminated.
   Returns the length written. */
size_t kopier(char *dst, size_t dstSize, const char *src);
/* The same for at most n characters of src. */
size_t kopier_n(char *dst, size_t dstSize, const char *src, size_t n);
/* Appends src to the text in dst (dstSize bytes), cut to fit. */
size_t legg_til(char *dst, size_t dstSize, const char *src);
/* Token separators inside a line: blank, tab, CR, VT, FF (not LF). */
inline int er_blank(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}
/* A key ends here: blank, tab, CR, LF, ':' or the terminator. */
struct NokkelgrenseTabell {
    bool grense[256];
    constexpr NokkelgrenseTabell() : grense{}
    {
        const char tegn[] = {'\0', ':', '\n', ' ', '\t', '\r', '\v', '\f'};
        for (char c : tegn)
            grense[(unsigned char)c] = true;
    }
};
inline constexpr NokkelgrenseTabell NOKKELGRENSE{};
inline int nokkelgrense(char c)
{
    return NOKKELGRENSE.grense[(unsigned char)c];
}
/* A token of a line ends here: a key boundary other than ':'. */
inline int tokengrense(char c)
{
    return c != ':' && NOKKELGRENSE.grense[(unsigned char)c];
}
/* The first occurrence of key in text before end (end null: to the
   terminator) that ends at a key boundary: followed by a blank, tab, CR,
   LF, ':' or the end.  Null when none. */
const char *finn_nokkel(const char *text, const char *key, const char *end);
/* Like finn_nokkel for a key written with one Norwegian letter: format
   holds one "%s" that stands for letter 'O' (Ø) or 'A' (Å) of any of the
   sets 1 to 3.  Returns the earliest match; *length gets its length. */
const char *finn_nokkel_alle(const char *text, const char *format, char letter, const char *end, size_t *length);
/* Plain first occurrence of a fragment, before end (null: no limit). */
const char *finn_tekst(const char *text, const char *fragment, const char *end);
/* Start of the line holding p, and the end of it (its '\n' or terminator). */
const char *linje_start(const char *text, const char *p);
const char *linje_slutt(const char *p);
/* The k-th (0-based) blank-separated token of the line from p on, cut to
   outSize - 1.  Returns 0, -1 when the line has fewer tokens, 1 when the
   token was cut. */
int linje_token(const char *p, int k, char *out, size_t outSize);
/* Numbers as the C library reads them (atoi/atol/atof semantics), but
   bounded to the token under p. */
long tall_long(const char *token);
double tall_double(const char *token);
/* The whole token [p, e) as a number, as strtod and strtol (base 10) read
   it in the C locale, whatever the locale: false when the token is not a
   number from end to end.  tall_helt also refuses one out of range. */
bool tall_hel(const char *p, const char *e, double *value);
bool tall_helt(const char *p, const char *e, long *value);
/* Extent of the k-th (0-based) blank-separated token of the line from p
   on; false when the line has fewer tokens. */
bool token_spenn(const char *p, int k, const char **start, size_t *len);

/* A key of the form prefix, two or more dots, word ("..OBJTYPE",
   "! ..DST-COLOR"), taken apart once for Nokkelindeks. */
struct Nokkel {
    const char *tekst;
    uint8_t prefiks;   /* characters before the dots */
    uint8_t prikker;
    uint8_t ordLen;
    uint8_t len;
    bool indeksert;    /* the index can find it; else finn_nokkel does */
    uint32_t hash;     /* of the word */
};
/* Hash of a key's word: its length and its first and last four bytes, so
   a word costs the same however long it is.  Words that share them are
   told apart by comparing them. */
constexpr uint32_t ord_hash(const char *p, size_t n)
{
    uint32_t forst = 0, sist = 0;
    for (size_t i = 0; i < 4 && i < n; i++) {
        forst = forst << 8 | (unsigned char)p[i];
        sist = sist << 8 | (unsigned char)p[n - 1 - i];
    }
    uint64_t x = ((uint64_t)forst << 32 | sist) ^ ((uint64_t)n * 0x9E3779B97F4A7C15ull);
    x *= 0xBF58476D1CE4E5B9ull;
    return (uint32_t)(x >> 32) ^ (uint32_t)x;
}
constexpr Nokkel nokkel(const char *tekst)
{
    Nokkel n{tekst, 0, 0, 0, 0, false, 0};
    size_t i = 0;
    while (tekst[i] != '\0' && tekst[i] != '.')
        i++;
    size_t p = i;
    while (tekst[i] == '.')
        i++;
    size_t d = i - p;
    bool ord = true;
    for (; tekst[i] != '\0'; i++)
        if (tekst[i] == ':' || tekst[i] == '\n' || tekst[i] == ' ' || tekst[i] == '\t' || tekst[i] == '\r' ||
            tekst[i] == '\v' || tekst[i] == '\f')
            ord = false;
    if (i > 255)
        return n;
    n.prefiks = (uint8_t)p;
    n.prikker = (uint8_t)d;
    n.ordLen = (uint8_t)(i - p - d);
    n.len = (uint8_t)i;
    n.indeksert = ord && d >= 2;
    n.hash = ord_hash(tekst + p + d, n.ordLen);
    return n;
}
/* The keys of a set that the element reader looks for, taken apart: the
   height key and the coordinate keys plain, with height and with depth.
   Made once for as long as the set's keys stay the same. */
struct Settnokler {
    char tekst[4][SCHAR_KEY_LEN];
    Nokkel hoyde, koord[3];
};
const Settnokler &settnokler(const ScharStruct *keys);
/* The runs of two or more dots of a group text, each with the word after
   it up to a key boundary, in text order, and chained by word.  Built in
   one pass, after which a key is found by looking at the runs of its word
   only. */
struct NokkelLop {
    uint32_t start;    /* the run's first dot */
    uint32_t prikker;
    uint32_t ordSlutt; /* end of the word after the run */
    uint32_t hash;     /* of the word */
    int32_t neste;     /* next run of the same word hash, -1 none */
};
struct Nokkelindeks {
    const char *tekst;
    const char *slutt;
    NokkelLop *lop;
    size_t antall;
    size_t plass;
    /* word table: first and last run of each word hash, valid where merke
       holds the current generation */
    int32_t *forste;
    int32_t *siste;
    uint32_t *merke;
    size_t tabell;     /* slots, a power of two */
    uint32_t generasjon;
    uint64_t filter;   /* bit (hash >> 26) of every word: most keys are absent */
};
/* Indexes [text, end); end holds the text's terminator. */
void nokkelindeks_bygg(Nokkelindeks *index, const char *text, const char *end);
const char *nokkelindeks_sok(const Nokkelindeks *index, const Nokkel &key, const char *from, const char *to);
/* What finn_nokkel(from, key.tekst, to) gives, for [from, to] inside the
   indexed text. */
inline const char *nokkelindeks_finn(const Nokkelindeks *index, const Nokkel &key, const char *from, const char *to)
{
    if (key.indeksert && index->tekst != nullptr && from >= index->tekst && to <= index->slutt &&
        ((index->filter >> (key.hash >> 26)) & 1u) == 0)
        return nullptr;
    return nokkelindeks_sok(index, key, from, to);
}
/* The first run that ends at or after offset. */
size_t nokkelindeks_fra(const Nokkelindeks *index, size_t offset);

/* ---- elm.cpp ---------------------------------------------------------------- */
/* The type codes' names, letters and kinds are in kartmotor_typer.h. */
void elmclr(void);

/* ---- tegnsett.cpp ------------------------------------------------------ */
int16_t schar_init(int16_t *set, ScharStruct *keys);
int16_t shead_init(int16_t *set, SheadStruct *head, ScharStruct *keys);
/* Canonical name written for a set: "DECM8", "DECN7", "DOSN8"; "" for others. */
const char *tegnsett_navn(int set);

/* ---- zerbuff.cpp ------------------------------------------------------------
   A ZERA file read in blocks: zerget_gruppe takes its groups from the block,
   so reading on never sets the file back.  Positions are file positions.
   A regular file opened with gruppekilde_apne is read a window at a time
   instead of copied, up to its last window, which is read into blokk. */
#define ZERA_READ_BLOCK 262144        /* bytes read at a time */
#define ZERA_READ_PAD 16              /* room after the block's terminator */
#define ZERA_MAP_WINDOW 262144        /* bytes of the file read as one window: it stays in the cache while parsed */
typedef struct Gruppekilde {
    FILE *fp;
    long pos;                         /* file position of data[0] */
    size_t len;                       /* bytes in data */
    size_t at;                        /* next unread byte */
    bool slutt;                       /* the file has no more bytes */
    char *data;                       /* blokk, or the window */
    void *kart;                       /* the window, or NULL */
    size_t kartLen;                   /* bytes in the window's buffer */
    long filLen;                      /* size of a file read in windows, else -1 */
    char blokk[ZERA_READ_BLOCK + ZERA_READ_PAD];
} Gruppekilde;
/* Reads fp from pos on, where fp stands, without mapping. */
void gruppekilde_start(Gruppekilde *source, FILE *fp, long pos);
/* Reads fp from its start (fp is set there), mapping it where it can; a
   source opened so is static and given up with gruppekilde_lukk. */
void gruppekilde_apne(Gruppekilde *source, FILE *fp);
/* Gives up the window; call before closing the file. */
void gruppekilde_lukk(Gruppekilde *source);
/* The next read starts at pos; false when the file cannot be set there. */
bool gruppekilde_sett(Gruppekilde *source, long pos);
/* File position of the next unread byte. */
long gruppekilde_pos(const Gruppekilde *source);
/* Reads the next group into buffer (bufferSize bytes) and returns 0 (group
   read), 1 (end of file; buffer holds the last group) or -2 (refused:
   Bmw.lastFatal set for an empty group, else too large or holding a NUL
   byte, and skipped).
   *commentSwitch: 1 drops comments, 2 drops them except the symbology keys
   "! ..DST-COLOR", "! ..DST-LINE" and "! ..DST-SYMBOL", 0 keeps them. */
int16_t zerget_gruppe(Gruppekilde *source, char *buffer, size_t bufferSize, int32_t *lineCounter,
                      int32_t *startLine, long *nextPos, long *groupPos, int16_t *commentSwitch);
/* zerget_gruppe from fp's position; afterwards fp stands at *nextPos. */
int16_t zerget_buff(char *buffer, size_t bufferSize, int32_t *lineCounter, int32_t *startLine, long *nextPos,
                    long *groupPos, FILE *fp, int16_t *commentSwitch);
/* Value of the key line starting at line (up to its end) into value
   (ZERA_STR_LEN), converted from *set to set 1.  0 or -1 (registered). */
int16_t zerget_str(const char *line, char *value, int16_t *set);
/* The value zerget_str takes from a key line, before conversion: the first
   value token; when that token holds a double quote (else an apostrophe),
   the text from the line's first such quote to the next one, or to the
   line's end less a CR.  False when the line has no value token. */
bool streng_verdi(const char *line, const char **value, size_t *len);

/* ---- zerhead.cpp --------------------------------------------------------- */
int16_t zerget_head(const char *group, SheadStruct *head, ScharStruct *keys);

/* ---- zerelm.cpp ------------------------------------------------------------ */
int16_t zerget_elm(const char *group, SheadStruct *head, ScharStruct *keys, int32_t *line, int16_t *passMode);
int16_t zerget_rest(const char *group, ScharStruct *keys, int16_t *set);
/* The key index zerget_elm built of group when it parsed it last; null
   when it did not. */
const Nokkelindeks *zerget_indeks(const char *group);
/* finn_nokkel(group, key, nullptr) in the group zerget_elm parsed last,
   unchanged since. */
const char *zerget_nokkel_parset(const char *group, const char *key);
void zerget_gid(const char *group);
int16_t zerget_ref(const char *group);

/* ---- zercoord.cpp ----------------------------------------------------------- */
int16_t zerget_coord(const char *group, SheadStruct *head, ScharStruct *keys);
/* zerget_coord of the group zerget_elm parsed last, unchanged since: the
   keys are found through the parser's index of it. */
int16_t zerget_coord_parset(const char *group, SheadStruct *head, ScharStruct *keys);
int16_t zerget_bue(void);
int16_t bmwmaxmin(double *minN, double *maxN, double *minE, double *maxE, int16_t *mode);
/* Makes the current point a text from "..STRENG", read from the file's set. */
int16_t zerget_streng(const char *group, int16_t *set);
/* Builds in out (outSize) the .PUNKT group of the first "...PTEMA" line at
   or after from; start is the group's first character (the backward search
   for the coordinate key stops there).  *next is set after that line.
   0 built; 1 built, the line has no coordinates; -1 none built. */
int16_t zerget_ptema(ScharStruct *keys, char *out, size_t outSize, const char *from, const char *start,
                     const char **next);
/* zerget_ptema in the group zerget_elm parsed last, unchanged since. */
int16_t zerget_ptema_parset(ScharStruct *keys, char *out, size_t outSize, const char *from, const char *start,
                            const char **next);
/* The first coordinate key of the set in [text, end) at a key boundary:
   plain, with height or with depth; *kind (may be null) gets 0, 1 or 2.
   Null when none. */
const char *finn_koordnokkel(const char *text, const char *end, const ScharStruct *keys, int *kind);

/* ---- geometri.cpp ------------------------------------------------------------ */
double pi_value(void);
void angle_normalize(double *angle);
void polar_angle(double *fromN, double *fromE, double *toN, double *toE, double *direction, double *distance);
void point_side(double *p1N, double *p1E, double *p2N, double *p2E, double *cN, double *cE, int16_t *side);
void angle_intersect(double *p1N, double *p1E, double *p2N, double *p2E, double *alpha1, double *alpha2, double *n,
                     double *e, int16_t *failed);
int16_t circle_centres(double *p1N, double *p1E, double *p2N, double *p2E, double *r, double *c1N, double *c1E,
                       double *c2N, double *c2E);
int16_t circle_3points(double *p1N, double *p1E, double *p2N, double *p2E, double *p3N, double *p3E, double *cN,
                       double *cE);
void arc_midpoint(double *p1N, double *p1E, double *p2N, double *p2E, double *cN, double *cE, double *mN, double *mE);
double round_to_unit(double *value, double *unit);

/* ---- bmw.cpp ------------------------------------------------------------------ */
enum { BMW_RUN_IMPORT = 0, BMW_RUN_EXPORT = 1, BMW_RUN_SCAN = 2 };
/* Kind of the current run; chooses the report variant.  bmwinit sets import. */
extern int16_t bmwRunKind;

int16_t bmwinit(void);
int16_t bmwclr(void);
int16_t bmwput(void);
int16_t bmwgetenv(const char *name, char *out, size_t outSize);
int16_t sort_index(int32_t *values, int32_t *count, int32_t *out, int32_t *work);
/* Registers routine/number with the given type and line through bmwput
   (the current message's other fields as they are). */
int16_t bmw_meld(const char *rutnam, int number, int16_t type, int32_t line);
/* Counts the current element in Bmw.errors of its type (types 1 to 16) and
   registers routine/number as an error of it through bmwput_elm. */
int16_t bmw_elmfeil(const char *rutnam, int number);
/* Sets the current message's routine name and number. */
void bmw_sett(const char *rutnam, int number, int16_t type);

/* ---- rapport.cpp ------------------------------------------------------------ */
/* Fetches a message text through the cTxt callback ("PPP"); "" when none. */
void bmw_ctxt(MdlFunctionP cTxt, const char *rutnam, int number, char out[BMW_CTXT_LEN]);

/* ---- mstemtab.cpp --------------------------------------------------------- */
typedef struct MstemtabXmlStruct {
    char xmlName[MT_MAX_ROWS][MT_FIELD_LEN];
    char xmlKind[MT_MAX_ROWS][2];               /* B, C, E, I or R (either case) */
    int32_t xmlFlag1[MT_MAX_ROWS];              /* takes part in the triangulation */
    int32_t xmlFlag2[MT_MAX_ROWS];              /* goes into the LandXML output */
} MstemtabXmlStruct;
extern MstemtabXmlStruct MstemtabXml;
extern uint8_t xmlDocPending;

const char *mt_objtema(const char *name, int16_t *mode);
char *trim_left(char *text);
void trim_right(char *text);
char *trim_both(char *text);
/* FKB group of a theme number for the template. */
const char *mt_fkbgruppe(long themeNumber);

/* ---- mtmatch.cpp -------------------------------------------------------- */
int16_t mt_match(int16_t *mode, const char *group);
/* Sorts the rows by theme and object type for the import that starts
   (on), or drops the sorting when it ends (0); the table must not change in
   between. */
void mt_radindeks(int on);
/* The first row of the object type, ignoring case, while the rows are
   sorted: -1 none; -2 not sorted, search the table. */
int32_t mt_objtype_rad(const char *name);
int16_t mt_fill(int16_t *mode, int16_t *k);
int16_t avrundHoyder(void);

/* ---- dgn2zera.cpp --------------------------------------------------------- */
extern FILE *Filep_tmpzer;
int16_t zerput_elm(FILE *fp, SheadStruct *head, ScharStruct *keys, MdlFunctionP pointHeightCb);
int16_t zerput_coord(SheadStruct *head, int16_t *flags);
int16_t zerput_rest(const char *description);
/* "%.0f" of value into out (outSize bytes, at least HELTALL_TEKST_LEN for
   the fast path), the same bytes as printf writes.  Returns the length. */
#define HELTALL_TEKST_LEN 24
size_t heltall_tekst(char *out, size_t outSize, double value);

/* ---- landxml.cpp ---------------------------------------------------------- */
extern int32_t xmlOn;
extern int32_t xmlRun;
extern char xmlFileName[ZERA_PATH_LEN];
int32_t mt_temanr(const char *text);
/* Start of an import: takes the switch for the run, clears the name
   counters and frees a document left over from an earlier import. */
void landxml_start(void);
/* Element step for row r of the current element. */
void landxml_element(int32_t r);
/* Save step at the end of an import.  0, also when there is nothing to
   save or the save is cancelled; -1 when the file could not be written
   (any previous file of that name is left as it was). */
int landxml_save(void);

#endif
