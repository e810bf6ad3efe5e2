/* Kartmotor: the ZERA engine.  The records and functions the applications
   use.  The applications read and write these records directly, so field
   names, order and sizes are an interface: do not reorder.

   Map of this header:
     capacities - element type codes - ElmStruct - SheadStruct/ScharStruct -
     BmwStruct - theme, FKB, symbol and object-type tables - option words -
     exported functions. */
#ifndef KARTMOTOR_H
#define KARTMOTOR_H

#include <stdint.h>
#include <stdio.h>

#include "app/mdlapp.h"

#if defined(_WIN32)
#define KARTMOTOR_API __declspec(dllexport)
#else
#define KARTMOTOR_API __attribute__((visibility("default")))
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

#define BMW_MAX_MESSAGES 5000
#define BMW_MAX_UNKNOWN 2000
#define BMW_THEME_LEN 31
#define BMW_OBJTYPE_LEN 50
#define BMW_RUTNAM_LEN 9
#define BMW_CODE_LEN 6
#define BMW_TEXT_LEN 84
#define BMW_CTXT_LEN 132           /* c_txt output buffer */

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
   Text fields are ISO 8859-1 except rest, which is in the 7-bit set. */
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
    int32_t kvalitet[6];                            /* -1 for "*" */
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
    char rest[ZERA_REST_LEN];                       /* other attribute lines, 7-bit set */
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

/* ---- header and keys ----------------------------------------------------- */
enum { ZERA_CHARSET_ANY = 0, ZERA_CHARSET_ISO = 1, ZERA_CHARSET_7BIT = 2, ZERA_CHARSET_DOS = 3, ZERA_CHARSET_ISO2 = 4 };

typedef struct SheadStruct {
    char tegnsett[SHEAD_TEGNSETT_LEN];              /* "DECM8", "DECN7" or "DOSN8" */
    int16_t charset;
    int16_t koordsys;                               /* -1 "...TRANSSYS", -2 "...GEOSYS" */
    int16_t transsysCode;
    double transsysParams[6];
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
    char fkbdata[4][SHEAD_FKB_LEN];
    char produsent[SHEAD_TEXT_LEN];
    char eier[SHEAD_TEXT_LEN];
    double zeraVersjon;                             /* default 2.1 */
    int16_t zeraNivaa;                              /* 1..6, default 4 */
    int32_t kvalitet[6];
    int32_t dato;                                   /* yyyymmdd */
    double hoyde;
    int16_t komm;
    char extraHead[SHEAD_EXTRA_LEN];                /* unmodelled header lines joined by "\n" */
} SheadStruct;

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
    char theme[32];
    char objtype[54];
    double n;
    double e;
    char acc_txt_rutnam[10];
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

typedef struct FkbtabStruct {
    char group[FKB_MAX_GROUPS][MT_FIELD_LEN];
    int32_t selected[FKB_MAX_GROUPS];
    int32_t count;
} FkbtabStruct;

typedef struct SymboltabStruct {
    char number[ST_MAX_SYMBOLS][ST_NUMBER_LEN];
    char name[ST_MAX_SYMBOLS][ST_NAME_LEN];
    int32_t count;
} SymboltabStruct;

typedef struct ZeraTemaObjStruct {
    char tema[STOT_MAX_ENTRIES][STOT_TEMA_LEN];
    char objtype[STOT_MAX_ENTRIES][STOT_OBJTYPE_LEN]; /* "" ends the table */
} ZeraTemaObjStruct;

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
     message text    int f(char *rutnam, short *number, char out[132])
     height          int f(char *theme, int type)   non-zero: round / uses multiple heights
     point height    int f(short *flag, char *themeAndTypeLetter) */

/* Converts the six Norwegian letters of text in place from inSet (0 any,
   1..4) to outSet (1..4).  0, 1 bad in-set, 2 bad out-set. */
KARTMOTOR_API int16_t bbs_cstr78(char *text, int16_t *inSet, int16_t *outSet);
/* Reads only the header of a ZERA file.  0; 1 cannot open; 2 no group read
   (also: header too large); 3 header refused (Bmw holds the cause). */
KARTMOTOR_API int zerget_headinfo(const char *zeraFile, SheadStruct *header, int32_t *fileSize, MdlFunctionP cTxt);

KARTMOTOR_API int16_t bmwput_elm(void);
KARTMOTOR_API int16_t bmwput_tem(int16_t *themeIndex);
KARTMOTOR_API int exit_zera2dgn(const char *reportFile, const char *zeraFile, const char *themeFile, const char *xmlFile,
                                int unknownImported, MdlFunctionP cTxt);

KARTMOTOR_API int mt_init(const char *themeFile, int selectGroups);
KARTMOTOR_API int mt_creat(const char *zeraFiles, const char *templateFile, int newFile);
KARTMOTOR_API int st_create(const char *symbolFile);
KARTMOTOR_API ZeraTemaObjStruct *allocateZeraTemaObjStruct(void);
KARTMOTOR_API int UtelatElementPgaIkkeMultHoyde(MdlFunctionP heightCb);

KARTMOTOR_API int16_t perf_zera2dgn(const char *zeraFile, const char *themeFile, const char *reportFile,
                                    const char *xmlFile, int importUnknown, MdlFunctionP elementWriter,
                                    MdlFunctionP progress, MdlFunctionP cTxt, MdlFunctionP heightCb);
KARTMOTOR_API int pzerscan(const char *zeraFile, const char *templateFile, const char *reportFile, const char *xmlFile,
                           int fileNo, MdlFunctionP progress, MdlFunctionP cTxt);

KARTMOTOR_API int init_dgn2zera(const char *themeFile, const char *elementFile, SheadStruct *header, MdlFunctionP cTxt);
KARTMOTOR_API int perf_dgn2zera(MdlFunctionP pointHeightCb, MdlFunctionP heightCb);
/* 0; non-zero when the ZERA file could not be created (registered). */
KARTMOTOR_API int exit_dgn2zera(const char *reportFile, const char *zeraFile, const char *elementFile,
                                const char *themeFile, const char *headerFile, const char *xmlFile, MdlFunctionP cTxt);
KARTMOTOR_API int zercre_head(const char *fileName, SheadStruct *header, int withEnd);

KARTMOTOR_API void settXML(int on);
KARTMOTOR_API void settXMLFil(const char *fileName);
KARTMOTOR_API char *getXMLFile(void);

#ifdef __cplusplus
}
#endif

#endif
