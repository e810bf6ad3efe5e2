/* Kartmotor: the ZERA engine.  The records and functions the applications
   use.  The applications read and write these records directly, so field
   names, order and sizes are an interface: do not reorder.

   Map of this header:
     capacities - element type codes - ElmStruct - SheadStruct/ScharStruct -
     BmwStruct - theme, FKB, symbol and object-type tables - option words -
     exported functions. */
#ifndef KARTMOTOR_H
#define KARTMOTOR_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "app/mdlapp.h"

#if defined(_WIN32)
#define KARTMOTOR_API __declspec(dllexport)
#else
#define KARTMOTOR_API __attribute__((visibility("default")))
#endif

/* Layout pins: the applications read and store the records below as they
   are, so each record's size and field offsets are fixed here with the
   values of x86-64 Linux; a change that moves one does not build. */
#ifdef __cplusplus
#define KARTMOTOR_PIN(cond, what) static_assert(cond, what)
#else
#define KARTMOTOR_PIN(cond, what) _Static_assert(cond, what)
#endif
#if defined(__x86_64__) && defined(__linux__)
#define KARTMOTOR_SIZE(type, size) KARTMOTOR_PIN(sizeof(type) == (size), "size of " #type)
#define KARTMOTOR_OFFSET(type, field, offset) KARTMOTOR_PIN(offsetof(type, field) == (offset), #type "." #field)
#else
#define KARTMOTOR_SIZE(type, size) KARTMOTOR_PIN(1, "")
#define KARTMOTOR_OFFSET(type, field, offset) KARTMOTOR_PIN(1, "")
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- capacities --------------------------------------------------------- */
#define ZERA_MAX_POINTS 25000      /* point arrays; 24,999 used on import */
#define ZERA_MAX_REFS 6000         /* reference arrays; 5999 used */
#define ZERA_MAX_THEMES 10         /* themes per element */
#define ZERA_THEME_LEN 50          /* theme code buffer (49 characters) */
#define ZERA_THEMECODE_LEN 6
#define ZERA_NAME_LEN 52           /* level and object type of an element */
#define ZERA_TEXT_LEN 208          /* Elm.text (207 characters) */
#define ZERA_REST_LEN 2002         /* Elm.rest (2001 characters) */
#define ZERA_MAX_SYMBOLS 100       /* symbol codes of a .SYMBOL */
#define ZERA_SYMBOL_LEN 20
#define ZERA_CELL_LEN 512          /* wide cell names */
#define ZERA_TYPE_COUNT 16         /* per-type arrays, indexed by type - 1 */
#define ZERA_PATH_LEN 256
#define ZERA_KVALITET_COUNT 6      /* places of a "..KVALITET" line */

#define BMW_MAX_MESSAGES 5000
#define BMW_MAX_UNKNOWN 2000
#define BMW_THEME_LEN 31
#define BMW_OBJTYPE_LEN 50
#define BMW_RUTNAM_LEN 9
#define BMW_CODE_LEN 6
#define BMW_TEXT_LEN 84
#define BMW_CTXT_LEN 132           /* c_txt output buffer */
#define BMW_CUR_THEME_LEN 32       /* the current message's theme, objtype and routine name */
#define BMW_CUR_OBJTYPE_LEN 54
#define BMW_CUR_RUTNAM_LEN 10

#define MT_MAX_ROWS 2000
#define MT_FIELD_LEN 50
#define MT_DESCRIPTION_LEN 161
#define MT_COMMENT_LEN 201
#define FKB_MAX_GROUPS 100
#define ST_MAX_SYMBOLS 1000
#define ST_NUMBER_LEN 10
#define ST_NAME_LEN 20
#define STOT_MAX_ENTRIES 10000
#define STOT_TEMA_LEN 13
#define STOT_OBJTYPE_LEN 51

#define SHEAD_TEGNSETT_LEN 12
#define SHEAD_TEXT_LEN 38          /* KARTID, PRODUSENT, EIER (37 characters) */
#define SHEAD_FKB_LEN 12
#define SHEAD_FKB_COUNT 4          /* values of "...FKBDATA" */
#define SHEAD_TRANSPAR_COUNT 6     /* parameters of "...TRANSSYS" */
#define SHEAD_EXTRA_LEN 1000       /* extraHead (999 characters) */
#define SCHAR_KEY_LEN 30

/* ---- ZERA element type codes ------------------------------------------- */
enum {
    ZERA_HODE = 0,
    ZERA_PUNKT = 1,
    ZERA_SVERM = 2,
    ZERA_LINJE = 3,
    ZERA_KURVE = 4,
    ZERA_BUE = 5,
    ZERA_BUEP = 6,
    ZERA_SIRKEL = 7,
    ZERA_SIRKELP = 8,
    ZERA_KLOTOIDE = 9,
    ZERA_TEKST = 10,
    ZERA_TRASE = 11,
    ZERA_FLATE = 12,
    ZERA_STRUKTUR = 13,
    ZERA_RASTER = 15,
    ZERA_SYMBOL = 16,
    ZERA_DEF = -1,
    ZERA_SLUTT = -2,
    ZERA_UKJENT = -3
};

/* ---- the current element ------------------------------------------------
   Text fields are ISO 8859-1. */
typedef struct ElmStruct {
    int16_t mode;                                   /* 2 read from a ZERA file, 0 built by the application */
    int16_t type;                                   /* element type code */
    int32_t serial;                                 /* ZERA serial; -1 for derived texts and sub-points */
    int32_t ref[ZERA_MAX_REFS];                     /* referenced serials; sign = direction */
    int16_t refGroup[ZERA_MAX_REFS];                /* 0 outer boundary, n island n */
    int16_t refCount;
    int16_t themeCount;
    char theme[ZERA_MAX_THEMES][ZERA_THEME_LEN];
    char themeCode[ZERA_MAX_THEMES][ZERA_THEMECODE_LEN];
    char level[ZERA_NAME_LEN];
    int32_t matchRow[ZERA_MAX_THEMES];              /* theme-table row per theme, -1 none */
    double enhet;                                   /* unit of the element's coordinates */
    char medium[4];
    int32_t kvalitet[ZERA_KVALITET_COUNT];          /* -1 for "*" */
    int32_t dato;                                   /* yyyymmdd */
    double hoyde;                                   /* single height of the element */
    double hob;
    int16_t komm;
    char href[4];
    char status[2];
    char objtype[ZERA_NAME_LEN];
    int16_t ut;
    int16_t edit;                                   /* "..EDIT" scale code */
    double flytt[2];
    double angle;                                   /* radians */
    double dim[2];                                  /* text height and width in tenths; raster pixel size */
    int16_t glatt;
    double N[ZERA_MAX_POINTS];                      /* ground units */
    double E[ZERA_MAX_POINTS];
    double H[ZERA_MAX_POINTS];
    int32_t pointCount;
    double extent[6];                               /* Nmin, Emin, Hmin, Nmax, Emax, Hmax */
    int16_t kp[ZERA_MAX_POINTS];                    /* node code; 1 marks a "...PTEMA" point */
    double radius;
    int16_t storbue;                                /* 1 larger arc */
    double klotrad1;
    double klotrad2;
    double klotpar;
    char text[ZERA_TEXT_LEN];
    int16_t sameHeight;                             /* 1 all points share one height */
    int16_t hasHoyde;
    char rest[ZERA_REST_LEN];                       /* other attribute lines */
    int16_t restLen;
    int32_t style;                                  /* 400 + n "..ATIL", 500 + n "..BYGGTYP" */
    char symbol[ZERA_MAX_SYMBOLS][ZERA_SYMBOL_LEN];
    int16_t symbolCount;
    int32_t colour;                                 /* 0..254 */
    int32_t weight;                                 /* 0..31 */
    char16_t cell[ZERA_CELL_LEN];
    double cellScaleX;
    double cellScaleY;
    int16_t font;                                   /* -2: no theme row gives the symbology */
} ElmStruct;
KARTMOTOR_SIZE(ElmStruct, 692208);
KARTMOTOR_OFFSET(ElmStruct, mode, 0); KARTMOTOR_OFFSET(ElmStruct, type, 2); KARTMOTOR_OFFSET(ElmStruct, serial, 4);
KARTMOTOR_OFFSET(ElmStruct, ref, 8); KARTMOTOR_OFFSET(ElmStruct, refGroup, 24008);
KARTMOTOR_OFFSET(ElmStruct, refCount, 36008); KARTMOTOR_OFFSET(ElmStruct, themeCount, 36010);
KARTMOTOR_OFFSET(ElmStruct, theme, 36012); KARTMOTOR_OFFSET(ElmStruct, themeCode, 36512);
KARTMOTOR_OFFSET(ElmStruct, level, 36572); KARTMOTOR_OFFSET(ElmStruct, matchRow, 36624);
KARTMOTOR_OFFSET(ElmStruct, enhet, 36664); KARTMOTOR_OFFSET(ElmStruct, medium, 36672);
KARTMOTOR_OFFSET(ElmStruct, kvalitet, 36676); KARTMOTOR_OFFSET(ElmStruct, dato, 36700);
KARTMOTOR_OFFSET(ElmStruct, hoyde, 36704); KARTMOTOR_OFFSET(ElmStruct, hob, 36712);
KARTMOTOR_OFFSET(ElmStruct, komm, 36720); KARTMOTOR_OFFSET(ElmStruct, href, 36722);
KARTMOTOR_OFFSET(ElmStruct, status, 36726); KARTMOTOR_OFFSET(ElmStruct, objtype, 36728);
KARTMOTOR_OFFSET(ElmStruct, ut, 36780); KARTMOTOR_OFFSET(ElmStruct, edit, 36782);
KARTMOTOR_OFFSET(ElmStruct, flytt, 36784); KARTMOTOR_OFFSET(ElmStruct, angle, 36800);
KARTMOTOR_OFFSET(ElmStruct, dim, 36808); KARTMOTOR_OFFSET(ElmStruct, glatt, 36824);
KARTMOTOR_OFFSET(ElmStruct, N, 36832); KARTMOTOR_OFFSET(ElmStruct, E, 236832); KARTMOTOR_OFFSET(ElmStruct, H, 436832);
KARTMOTOR_OFFSET(ElmStruct, pointCount, 636832); KARTMOTOR_OFFSET(ElmStruct, extent, 636840);
KARTMOTOR_OFFSET(ElmStruct, kp, 636888); KARTMOTOR_OFFSET(ElmStruct, radius, 686888);
KARTMOTOR_OFFSET(ElmStruct, storbue, 686896); KARTMOTOR_OFFSET(ElmStruct, klotrad1, 686904);
KARTMOTOR_OFFSET(ElmStruct, klotrad2, 686912); KARTMOTOR_OFFSET(ElmStruct, klotpar, 686920);
KARTMOTOR_OFFSET(ElmStruct, text, 686928); KARTMOTOR_OFFSET(ElmStruct, sameHeight, 687136);
KARTMOTOR_OFFSET(ElmStruct, hasHoyde, 687138); KARTMOTOR_OFFSET(ElmStruct, rest, 687140);
KARTMOTOR_OFFSET(ElmStruct, restLen, 689142); KARTMOTOR_OFFSET(ElmStruct, style, 689144);
KARTMOTOR_OFFSET(ElmStruct, symbol, 689148); KARTMOTOR_OFFSET(ElmStruct, symbolCount, 691148);
KARTMOTOR_OFFSET(ElmStruct, colour, 691152); KARTMOTOR_OFFSET(ElmStruct, weight, 691156);
KARTMOTOR_OFFSET(ElmStruct, cell, 691160); KARTMOTOR_OFFSET(ElmStruct, cellScaleX, 692184);
KARTMOTOR_OFFSET(ElmStruct, cellScaleY, 692192); KARTMOTOR_OFFSET(ElmStruct, font, 692200);

/* ---- header and keys ----------------------------------------------------- */
enum { ZERA_CHARSET_ANY = 0, ZERA_CHARSET_ISO = 1, ZERA_CHARSET_7BIT = 2, ZERA_CHARSET_DOS = 3, ZERA_CHARSET_ISO2 = 4 };

typedef struct SheadStruct {
    char tegnsett[SHEAD_TEGNSETT_LEN];              /* "DECM8", "DECN7" or "DOSN8" */
    int16_t charset;
    int16_t koordsys;                               /* -1 "...TRANSSYS", -2 "...GEOSYS" */
    int16_t transsysCode;
    double transsysParams[SHEAD_TRANSPAR_COUNT];
    int16_t geosysDatum;
    int16_t geosysProjection;
    int16_t geosysZone;
    int16_t geokoord;
    double origoN;
    double origoE;
    double enhet;
    double enhetH;                                  /* GIS build only */
    char vertDatum[4][8];                           /* GIS build only */
    double minN, minE, minH, maxN, maxE, maxH;      /* defaults -9999999.9 / 9999999.9 */
    char kartid[SHEAD_TEXT_LEN];
    char fkbdata[SHEAD_FKB_COUNT][SHEAD_FKB_LEN];
    char produsent[SHEAD_TEXT_LEN];
    char eier[SHEAD_TEXT_LEN];
    double zeraVersjon;                             /* default 2.1 */
    int16_t zeraNivaa;                              /* 1..6, default 4 */
    int32_t kvalitet[ZERA_KVALITET_COUNT];
    int32_t dato;                                   /* yyyymmdd */
    double hoyde;
    int16_t komm;
    char extraHead[SHEAD_EXTRA_LEN];                /* unmodelled header lines joined by "\n", set 1 */
} SheadStruct;
KARTMOTOR_SIZE(SheadStruct, 1416);
KARTMOTOR_OFFSET(SheadStruct, tegnsett, 0); KARTMOTOR_OFFSET(SheadStruct, charset, 12);
KARTMOTOR_OFFSET(SheadStruct, koordsys, 14); KARTMOTOR_OFFSET(SheadStruct, transsysCode, 16);
KARTMOTOR_OFFSET(SheadStruct, transsysParams, 24); KARTMOTOR_OFFSET(SheadStruct, geosysDatum, 72);
KARTMOTOR_OFFSET(SheadStruct, geosysProjection, 74); KARTMOTOR_OFFSET(SheadStruct, geosysZone, 76);
KARTMOTOR_OFFSET(SheadStruct, geokoord, 78); KARTMOTOR_OFFSET(SheadStruct, origoN, 80);
KARTMOTOR_OFFSET(SheadStruct, origoE, 88); KARTMOTOR_OFFSET(SheadStruct, enhet, 96);
KARTMOTOR_OFFSET(SheadStruct, enhetH, 104); KARTMOTOR_OFFSET(SheadStruct, vertDatum, 112);
KARTMOTOR_OFFSET(SheadStruct, minN, 144); KARTMOTOR_OFFSET(SheadStruct, minE, 152);
KARTMOTOR_OFFSET(SheadStruct, minH, 160); KARTMOTOR_OFFSET(SheadStruct, maxN, 168);
KARTMOTOR_OFFSET(SheadStruct, maxE, 176); KARTMOTOR_OFFSET(SheadStruct, maxH, 184);
KARTMOTOR_OFFSET(SheadStruct, kartid, 192); KARTMOTOR_OFFSET(SheadStruct, fkbdata, 230);
KARTMOTOR_OFFSET(SheadStruct, produsent, 278); KARTMOTOR_OFFSET(SheadStruct, eier, 316);
KARTMOTOR_OFFSET(SheadStruct, zeraVersjon, 360); KARTMOTOR_OFFSET(SheadStruct, zeraNivaa, 368);
KARTMOTOR_OFFSET(SheadStruct, kvalitet, 372); KARTMOTOR_OFFSET(SheadStruct, dato, 396);
KARTMOTOR_OFFSET(SheadStruct, hoyde, 400); KARTMOTOR_OFFSET(SheadStruct, komm, 408);
KARTMOTOR_OFFSET(SheadStruct, extraHead, 410);

/* Letters and letter-bearing keys spelled in one character set. */
typedef struct ScharStruct {
    char AE[2], ae[2], OE[2], oe[2], AA[2], aa[2];
    char hoydeKey[SCHAR_KEY_LEN];                   /* ..HØYDE */
    char coordKey[SCHAR_KEY_LEN];                   /* ..NØ */
    char coordHKey[SCHAR_KEY_LEN];                  /* ..NØH */
    char coordDKey[SCHAR_KEY_LEN];                  /* ..NØD */
    char origoKey[SCHAR_KEY_LEN];                   /* ...ORIGO-NØ */
    char omraadeKey[SCHAR_KEY_LEN];                 /* ..OMRÅDE */
    char minKey[SCHAR_KEY_LEN];                     /* ...MIN-NØ */
    char maxKey[SCHAR_KEY_LEN];                     /* ...MAX-NØ */
    char nivaaKey[SCHAR_KEY_LEN];                   /* ..ZERA-NIVÅ */
    char pixelKey[SCHAR_KEY_LEN];                   /* ..PIXEL-STØRR */
} ScharStruct;
KARTMOTOR_SIZE(ScharStruct, 312);
KARTMOTOR_OFFSET(ScharStruct, AE, 0); KARTMOTOR_OFFSET(ScharStruct, ae, 2); KARTMOTOR_OFFSET(ScharStruct, OE, 4);
KARTMOTOR_OFFSET(ScharStruct, oe, 6); KARTMOTOR_OFFSET(ScharStruct, AA, 8); KARTMOTOR_OFFSET(ScharStruct, aa, 10);
KARTMOTOR_OFFSET(ScharStruct, hoydeKey, 12); KARTMOTOR_OFFSET(ScharStruct, coordKey, 42);
KARTMOTOR_OFFSET(ScharStruct, coordHKey, 72); KARTMOTOR_OFFSET(ScharStruct, coordDKey, 102);
KARTMOTOR_OFFSET(ScharStruct, origoKey, 132); KARTMOTOR_OFFSET(ScharStruct, omraadeKey, 162);
KARTMOTOR_OFFSET(ScharStruct, minKey, 192); KARTMOTOR_OFFSET(ScharStruct, maxKey, 222);
KARTMOTOR_OFFSET(ScharStruct, nivaaKey, 252); KARTMOTOR_OFFSET(ScharStruct, pixelKey, 282);

/* ---- message register ---------------------------------------------------- */
enum { BMW_FATAL = 0, BMW_ERROR = 1, BMW_WARNING = 2, BMW_NOTE = 3 };

typedef struct BmwMessageTable {
    int16_t type[BMW_MAX_MESSAGES];
    int32_t line[BMW_MAX_MESSAGES];                 /* line number or ZERA serial */
    int16_t elementType[BMW_MAX_MESSAGES];
    char theme[BMW_MAX_MESSAGES][BMW_THEME_LEN];
    char objtype[BMW_MAX_MESSAGES][BMW_OBJTYPE_LEN];
    double n[BMW_MAX_MESSAGES];
    double e[BMW_MAX_MESSAGES];
    char rutnam[BMW_MAX_MESSAGES][BMW_RUTNAM_LEN];
    int16_t number[BMW_MAX_MESSAGES];
} BmwMessageTable;
KARTMOTOR_SIZE(BmwMessageTable, 580000);
KARTMOTOR_OFFSET(BmwMessageTable, type, 0); KARTMOTOR_OFFSET(BmwMessageTable, line, 10000);
KARTMOTOR_OFFSET(BmwMessageTable, elementType, 30000); KARTMOTOR_OFFSET(BmwMessageTable, theme, 40000);
KARTMOTOR_OFFSET(BmwMessageTable, objtype, 195000); KARTMOTOR_OFFSET(BmwMessageTable, n, 445000);
KARTMOTOR_OFFSET(BmwMessageTable, e, 485000); KARTMOTOR_OFFSET(BmwMessageTable, rutnam, 525000);
KARTMOTOR_OFFSET(BmwMessageTable, number, 570000);

typedef struct BmwUnknownTable {
    int16_t elementType[BMW_MAX_UNKNOWN];
    int32_t style[BMW_MAX_UNKNOWN];
    int32_t colour[BMW_MAX_UNKNOWN];
    char theme[BMW_MAX_UNKNOWN][BMW_THEME_LEN];
    char objtype[BMW_MAX_UNKNOWN][BMW_OBJTYPE_LEN];
    char code[BMW_MAX_UNKNOWN][BMW_CODE_LEN];
    char rutnam[BMW_MAX_UNKNOWN][BMW_RUTNAM_LEN];
    int16_t number[BMW_MAX_UNKNOWN];                /* the reason */
    int32_t count[BMW_MAX_UNKNOWN];
} BmwUnknownTable;
KARTMOTOR_SIZE(BmwUnknownTable, 224000);
KARTMOTOR_OFFSET(BmwUnknownTable, elementType, 0); KARTMOTOR_OFFSET(BmwUnknownTable, style, 4000);
KARTMOTOR_OFFSET(BmwUnknownTable, colour, 12000); KARTMOTOR_OFFSET(BmwUnknownTable, theme, 20000);
KARTMOTOR_OFFSET(BmwUnknownTable, objtype, 82000); KARTMOTOR_OFFSET(BmwUnknownTable, code, 182000);
KARTMOTOR_OFFSET(BmwUnknownTable, rutnam, 194000); KARTMOTOR_OFFSET(BmwUnknownTable, number, 212000);
KARTMOTOR_OFFSET(BmwUnknownTable, count, 216000);

typedef struct BmwStruct {
    int32_t read[ZERA_TYPE_COUNT];
    int32_t written[ZERA_TYPE_COUNT];               /* export; template rows in a scan */
    int32_t notImported[ZERA_TYPE_COUNT];
    int32_t errors[ZERA_TYPE_COUNT];
    int32_t msgCount;
    int32_t fatalCount;
    int32_t errorCount;
    int16_t lastFatal;
    int16_t lastError;
    int32_t extentPoints;
    double fileExtent[6];                           /* Nmin, Emin, Nmax, Emax, Hmin (> 0), Hmax */
    BmwMessageTable msg;
    BmwUnknownTable tem;
    int32_t unknownCount;
    /* current message: set these, then call bmwput or bmwput_elm */
    int16_t type;
    int32_t line;
    int16_t elementType;
    char theme[BMW_CUR_THEME_LEN];
    char objtype[BMW_CUR_OBJTYPE_LEN];
    double n;
    double e;
    char acc_txt_rutnam[BMW_CUR_RUTNAM_LEN];
    int16_t acc_txt_number;
    /* report texts */
    char program[BMW_TEXT_LEN];
    char version[BMW_TEXT_LEN];
    char systemId[BMW_TEXT_LEN];
    char jobId[BMW_TEXT_LEN];
    char date[BMW_TEXT_LEN];                        /* "%d-%b-%y" */
    char cwd[BMW_TEXT_LEN];                         /* 80 characters at most */
    char logFile[BMW_TEXT_LEN];
    char msgFile[BMW_TEXT_LEN];
    char text31[BMW_TEXT_LEN];
    char text32[BMW_TEXT_LEN];
    char text33[BMW_TEXT_LEN];
    int32_t printLines;
    int32_t dateYmd;
} BmwStruct;
KARTMOTOR_SIZE(BmwStruct, 805392);
KARTMOTOR_OFFSET(BmwStruct, read, 0); KARTMOTOR_OFFSET(BmwStruct, written, 64);
KARTMOTOR_OFFSET(BmwStruct, notImported, 128); KARTMOTOR_OFFSET(BmwStruct, errors, 192);
KARTMOTOR_OFFSET(BmwStruct, msgCount, 256); KARTMOTOR_OFFSET(BmwStruct, fatalCount, 260);
KARTMOTOR_OFFSET(BmwStruct, errorCount, 264); KARTMOTOR_OFFSET(BmwStruct, lastFatal, 268);
KARTMOTOR_OFFSET(BmwStruct, lastError, 270); KARTMOTOR_OFFSET(BmwStruct, extentPoints, 272);
KARTMOTOR_OFFSET(BmwStruct, fileExtent, 280); KARTMOTOR_OFFSET(BmwStruct, msg, 328);
KARTMOTOR_OFFSET(BmwStruct, tem, 580328); KARTMOTOR_OFFSET(BmwStruct, unknownCount, 804328);
KARTMOTOR_OFFSET(BmwStruct, type, 804332); KARTMOTOR_OFFSET(BmwStruct, line, 804336);
KARTMOTOR_OFFSET(BmwStruct, elementType, 804340); KARTMOTOR_OFFSET(BmwStruct, theme, 804342);
KARTMOTOR_OFFSET(BmwStruct, objtype, 804374); KARTMOTOR_OFFSET(BmwStruct, n, 804432);
KARTMOTOR_OFFSET(BmwStruct, e, 804440); KARTMOTOR_OFFSET(BmwStruct, acc_txt_rutnam, 804448);
KARTMOTOR_OFFSET(BmwStruct, acc_txt_number, 804458); KARTMOTOR_OFFSET(BmwStruct, program, 804460);
KARTMOTOR_OFFSET(BmwStruct, version, 804544); KARTMOTOR_OFFSET(BmwStruct, systemId, 804628);
KARTMOTOR_OFFSET(BmwStruct, jobId, 804712); KARTMOTOR_OFFSET(BmwStruct, date, 804796);
KARTMOTOR_OFFSET(BmwStruct, cwd, 804880); KARTMOTOR_OFFSET(BmwStruct, logFile, 804964);
KARTMOTOR_OFFSET(BmwStruct, msgFile, 805048); KARTMOTOR_OFFSET(BmwStruct, text31, 805132);
KARTMOTOR_OFFSET(BmwStruct, text32, 805216); KARTMOTOR_OFFSET(BmwStruct, text33, 805300);
KARTMOTOR_OFFSET(BmwStruct, printLines, 805384); KARTMOTOR_OFFSET(BmwStruct, dateYmd, 805388);

/* ---- tables ------------------------------------------------------------- */
typedef struct MstemtabStruct {
    char tema[MT_MAX_ROWS][MT_FIELD_LEN];
    char objtype[MT_MAX_ROWS][MT_FIELD_LEN];
    char fkbGroup[MT_MAX_ROWS][MT_FIELD_LEN];
    char datatype[MT_MAX_ROWS][2];                  /* "P", "L", "T" or "F" */
    char level[MT_MAX_ROWS][MT_FIELD_LEN];
    int32_t colour[MT_MAX_ROWS];
    int32_t weight[MT_MAX_ROWS];
    int32_t style[MT_MAX_ROWS];
    int16_t font[MT_MAX_ROWS];
    double textHeight[MT_MAX_ROWS];
    double textWidth[MT_MAX_ROWS];
    char16_t cell[MT_MAX_ROWS][ZERA_CELL_LEN];
    double cellScaleX[MT_MAX_ROWS];
    double cellScaleY[MT_MAX_ROWS];
    int16_t multHoyde[MT_MAX_ROWS];                 /* height-rounding flag */
    char description[MT_MAX_ROWS][MT_DESCRIPTION_LEN];
    char comment[MT_MAX_ROWS][MT_COMMENT_LEN];
    int32_t rowCount;                               /* 0: the table is empty */
} MstemtabStruct;
KARTMOTOR_SIZE(MstemtabStruct, 3272008);
KARTMOTOR_OFFSET(MstemtabStruct, tema, 0); KARTMOTOR_OFFSET(MstemtabStruct, objtype, 100000);
KARTMOTOR_OFFSET(MstemtabStruct, fkbGroup, 200000); KARTMOTOR_OFFSET(MstemtabStruct, datatype, 300000);
KARTMOTOR_OFFSET(MstemtabStruct, level, 304000); KARTMOTOR_OFFSET(MstemtabStruct, colour, 404000);
KARTMOTOR_OFFSET(MstemtabStruct, weight, 412000); KARTMOTOR_OFFSET(MstemtabStruct, style, 420000);
KARTMOTOR_OFFSET(MstemtabStruct, font, 428000); KARTMOTOR_OFFSET(MstemtabStruct, textHeight, 432000);
KARTMOTOR_OFFSET(MstemtabStruct, textWidth, 448000); KARTMOTOR_OFFSET(MstemtabStruct, cell, 464000);
KARTMOTOR_OFFSET(MstemtabStruct, cellScaleX, 2512000); KARTMOTOR_OFFSET(MstemtabStruct, cellScaleY, 2528000);
KARTMOTOR_OFFSET(MstemtabStruct, multHoyde, 2544000); KARTMOTOR_OFFSET(MstemtabStruct, description, 2548000);
KARTMOTOR_OFFSET(MstemtabStruct, comment, 2870000); KARTMOTOR_OFFSET(MstemtabStruct, rowCount, 3272000);

typedef struct FkbtabStruct {
    char group[FKB_MAX_GROUPS][MT_FIELD_LEN];
    int32_t selected[FKB_MAX_GROUPS];
    int32_t count;
} FkbtabStruct;
KARTMOTOR_SIZE(FkbtabStruct, 5404);
KARTMOTOR_OFFSET(FkbtabStruct, group, 0); KARTMOTOR_OFFSET(FkbtabStruct, selected, 5000);
KARTMOTOR_OFFSET(FkbtabStruct, count, 5400);

typedef struct SymboltabStruct {
    char number[ST_MAX_SYMBOLS][ST_NUMBER_LEN];
    char name[ST_MAX_SYMBOLS][ST_NAME_LEN];
    int32_t count;
} SymboltabStruct;
KARTMOTOR_SIZE(SymboltabStruct, 30004);
KARTMOTOR_OFFSET(SymboltabStruct, number, 0); KARTMOTOR_OFFSET(SymboltabStruct, name, 10000);
KARTMOTOR_OFFSET(SymboltabStruct, count, 30000);

typedef struct ZeraTemaObjStruct {
    char tema[STOT_MAX_ENTRIES][STOT_TEMA_LEN];
    char objtype[STOT_MAX_ENTRIES][STOT_OBJTYPE_LEN]; /* "" ends the table */
} ZeraTemaObjStruct;
KARTMOTOR_SIZE(ZeraTemaObjStruct, 640000);
KARTMOTOR_OFFSET(ZeraTemaObjStruct, tema, 0); KARTMOTOR_OFFSET(ZeraTemaObjStruct, objtype, 130000);

/* ---- data objects ------------------------------------------------------- */
KARTMOTOR_API extern ElmStruct Elm;
KARTMOTOR_API extern BmwStruct Bmw;
KARTMOTOR_API extern MstemtabStruct Mstemtab;
KARTMOTOR_API extern FkbtabStruct Fkbtab;
KARTMOTOR_API extern SymboltabStruct Symboltab;
KARTMOTOR_API extern ZeraTemaObjStruct *stot;
KARTMOTOR_API extern SheadStruct Shead;
KARTMOTOR_API extern ScharStruct Schar;

/* option words, set by the applications before a run */
KARTMOTOR_API extern int32_t geoGraphics;
KARTMOTOR_API extern int32_t lagreNOH;
KARTMOTOR_API extern int32_t lagreNivaa4;
KARTMOTOR_API extern int32_t lagreObjType;
KARTMOTOR_API extern int32_t eksporterZeratema;
KARTMOTOR_API extern int32_t eksporterObjekttype;
KARTMOTOR_API extern int32_t temaFra;
KARTMOTOR_API extern int32_t matchLevel;
KARTMOTOR_API extern int32_t matchColor;
KARTMOTOR_API extern int32_t matchStyle;
KARTMOTOR_API extern int32_t matchWeight;
KARTMOTOR_API extern int32_t multHoyde;
KARTMOTOR_API extern int32_t hoydeAvrunding;

/* ---- exported functions --------------------------------------------------
   Callbacks are functions of the calling application, called through the
   host dispatcher; all of them return int:
     element writer  int f(void)                    -1 stops the run
     progress        int f(double percent, int phase)
     message text    int f(char *rutnam, short *number, char out[BMW_CTXT_LEN])
     height          int f(char *theme, int type)   non-zero: round / uses multiple heights
     point height    int f(short *flag, char *themeAndTypeLetter) */

/* Converts the six Norwegian letters of text in place from inSet (0 any,
   1..4) to outSet (1..4).  0 (also for a null text); 1 bad in-set, 2 bad
   out-set: text unchanged, the cause on the text window. */
KARTMOTOR_API int16_t bbs_cstr78(char *text, int16_t *inSet, int16_t *outSet);
/* Reads only the header of a ZERA file into header; Bmw is cleared first,
   *fileSize gets the file's size (0 when it cannot be opened).  0; 1 cannot
   open; 2 no group read (also: header too large), header untouched; 3
   header refused (Bmw holds the cause, header what was read before it). */
KARTMOTOR_API int zerget_headinfo(const char *zeraFile, SheadStruct *header, int32_t *fileSize, MdlFunctionP cTxt);

/* Registers the current message (Bmw.acc_txt_rutnam, acc_txt_number,
   type) for the current element, Bmw's current fields standing in for
   what Elm lacks; only fatal messages and errors are kept, and a full
   table keeps nothing but still sets Bmw.lastFatal / lastError.  0; 1 bad
   routine name, 2 bad number: nothing registered, the cause on the text
   window. */
KARTMOTOR_API int16_t bmwput_elm(void);
/* Adds theme *themeIndex of the current element to the unknown-theme
   table under the current message's number, or counts it again when type,
   number, theme and object type are there already.  0; -1 bad index or full table
   (nothing added). */
KARTMOTOR_API int16_t bmwput_tem(int16_t *themeIndex);
/* Writes the run's report (counters, messages, unknown themes; texts
   through cTxt) to reportFile.  0; -1 the file cannot be created or
   written (a cut file may be left). */
KARTMOTOR_API int exit_zera2dgn(const char *reportFile, const char *zeraFile, const char *themeFile, const char *xmlFile,
                                int unknownImported, MdlFunctionP cTxt);

/* Loads the theme table from themeFile into Mstemtab, adding unknown FKB
   groups to Fkbtab (selected; with selectGroups only rows of selected
   groups are kept).  A table already loaded is kept: 0 without reading.
   0; -2 with a fatal MSTEMTAB message (cause, line) registered,
   Mstemtab.rowCount 0 and the groups this load added taken back. */
KARTMOTOR_API int mt_init(const char *themeFile, int selectGroups);
/* Writes the template rows of the unknown-theme table to templateFile
   (newFile: a new file with its heading, else appended), counting each in
   Bmw.written.  0; -2 cannot open or write, fatal ZERA2DGN 6 registered. */
KARTMOTOR_API int mt_creat(const char *zeraFiles, const char *templateFile, int newFile);
/* Loads the symbol table from symbolFile; malformed rows are skipped and
   rows past ST_MAX_SYMBOLS not read.  0; -1 cannot open (Symboltab.count
   0). */
KARTMOTOR_API int st_create(const char *symbolFile);
/* Frees stot and allocates it anew, zero-filled.  The new table (also in
   stot); null, stot null too, after zvlib's failure box. */
KARTMOTOR_API ZeraTemaObjStruct *allocateZeraTemaObjStruct(void);
/* Whether the current element is left out because its single height is
   not a multiple of multHoyde on a theme heightCb says needs one.  -1 left
   out: registered as unknown, counted as not imported; else 0 (also with
   multHoyde 0, no single height, no points or no callback). */
KARTMOTOR_API int UtelatElementPgaIkkeMultHoyde(MdlFunctionP heightCb);

/* Imports zeraFile: each element to elementWriter, the level-4 groups in a
   second pass when lagreNivaa4 or geoGraphics.  0: read to its end or
   .SLUTT, the LandXML file and the report written (a template that cannot
   be appended is registered, ZERA2DGN 6, and the result stays 0); -2 a
   fatal ZERA2DGN message (1 file, 3 theme table, 4 read, 5 header, 7
   report not written, 11 stopped by the writer, 13 LandXML file not
   written, 14 the file shrank while it was read) registered and the
   report written when it can be. */
KARTMOTOR_API int16_t perf_zera2dgn(const char *zeraFile, const char *themeFile, const char *reportFile,
                                    const char *xmlFile, int importUnknown, MdlFunctionP elementWriter,
                                    MdlFunctionP progress, MdlFunctionP cTxt, MdlFunctionP heightCb);
/* Scans zeraFile's themes into the unknown-theme table (fileNo 1 starts a
   new scan); with a template name the template and the report of all files
   so far are written.  0; -2 a fatal ZERA2DGN message (1, 4, 5, 14)
   registered, no report. */
KARTMOTOR_API int pzerscan(const char *zeraFile, const char *templateFile, const char *reportFile, const char *xmlFile,
                           int fileNo, MdlFunctionP progress, MdlFunctionP cTxt);

/* Starts an export: clears Bmw, creates elementFile, loads the theme table
   (not with geoGraphics) and takes header into Shead.  0; -2 a fatal
   ZERA2DGN message (1 element file, 3 theme table, 5 character set)
   registered and no element file left open. */
KARTMOTOR_API int init_dgn2zera(const char *themeFile, const char *elementFile, SheadStruct *header, MdlFunctionP cTxt);
/* Writes Elm to the element file, matched to a theme row when it has no
   theme (a row description too long for Elm.rest is registered and left
   off).  0 written; 1 left out (no row fits: registered as unknown; or not
   on a multiple height); 2 the matched row could not be filled in; 3 not
   written (point count refused and registered, a type without a theme
   key, a level-4 element without references, no run, or a write error). */
KARTMOTOR_API int perf_dgn2zera(MdlFunctionP pointHeightCb, MdlFunctionP heightCb);
/* Ends an export: closes the element file with .SLUTT, writes the header
   with the run's extent and then the element file (none when elementFile is
   null or "") to zeraFile, then the report.  The ZERA file replaces an
   earlier one only when all of it was written; the element file stays, the
   caller's to remove.  0; 1 the ZERA file could not be created or written
   (registered: 8 not created, 10 the disk is full, 15 another write error;
   the earlier file untouched); 3 the element file is incomplete or cannot
   be read (registered, no ZERA file written); 2 only the report could not
   be written. */
KARTMOTOR_API int exit_dgn2zera(const char *reportFile, const char *zeraFile, const char *elementFile,
                                const char *themeFile, const char *headerFile, const char *xmlFile, MdlFunctionP cTxt);
/* Writes the header group of header to fileName, then .SLUTT (withEnd) or
   the run's comment lines; header->tegnsett gets the set's name.  0; 1
   cannot create or write the file; 2 no header or a set outside 1..3 (no
   file created). */
KARTMOTOR_API int zercre_head(const char *fileName, SheadStruct *header, int withEnd);

/* LandXML output of the next imports on (non-zero) or off. */
KARTMOTOR_API void settXML(int on);
/* The LandXML file of the next imports, cut to ZERA_PATH_LEN - 1; null
   clears it. */
KARTMOTOR_API void settXMLFil(const char *fileName);
/* The engine's LandXML file name buffer (ZERA_PATH_LEN bytes); never null. */
KARTMOTOR_API char *getXMLFile(void);

#ifdef __cplusplus
}
#endif

#endif
