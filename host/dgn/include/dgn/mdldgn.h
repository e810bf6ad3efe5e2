/* Design files: the element record, models, units, levels and element I/O.
   A design file is one SQLite database in the GeoPackage layout (see
   dgnstore.cpp for the tables).  Element geometry is in UOR (units of
   resolution), doubles. */
#ifndef MDLHOST_DGN_H
#define MDLHOST_DGN_H

#include <stddef.h>
#include <stdint.h>

#include "base/host_export.h"
#include "base/mdlbase.h"

#ifdef __cplusplus
extern "C" {
#endif

/* --- geometry types --------------------------------------------------------- */
typedef struct DPoint3d { double x, y, z; } DPoint3d;
typedef struct DPoint2d { double x, y; } DPoint2d;
/* Rows are the rotated axes' components: a point p maps to form3d * p. */
typedef struct RotMatrix { double form3d[3][3]; } RotMatrix;
/* form3d[i][3] is the translation. */
typedef struct Transform { double form3d[3][4]; } Transform;
typedef struct DRange3d { DPoint3d low, high; } DRange3d;

typedef uint64_t ElementID;
typedef uint32_t UInt32;

/* A model handle.  Positions are meaningful together with a model, and the
   applications keep models as 32-bit numbers (printed with %d), so a model is
   a small positive number; 0 names none.  Handles are not reused while the
   host runs.  Calls that take a model take 0 as the active model. */
typedef int DgnModelRefP;
#define MDLHOST_NO_MODEL 0

/* --- the element record -------------------------------------------------------
   Every element starts with Elm_hdr.  Sizes count 16-bit words.  All fields
   are little-endian, as the machine's.  Type-66 application elements keep the
   byte layout their writers build: type, size, attribute offset and level as
   u32 at 0, 4, 8 and 12, then 16 bytes that are zero for them. */
#define MAX_ELEMENT_WORDS 65535u
#define MAX_ELEMENT_SIZE (2u * MAX_ELEMENT_WORDS) /* bytes */
#define MAX_VERTICES 5000
#define MDLHOST_MAX_CELLNAME 512 /* wide characters, without the terminator */
#define MDLHOST_MAX_TEXT 1024    /* characters of a text element */

/* Element types the system writes or reads. */
#define CELL_HEADER_ELM 2
#define LINE_ELM 3
#define LINE_STRING_ELM 4
#define SHAPE_ELM 6
#define TEXT_NODE_ELM 7
#define CURVE_ELM 11
#define CMPLX_STRING_ELM 12
#define CMPLX_SHAPE_ELM 14
#define ELLIPSE_ELM 15
#define ARC_ELM 16
#define TEXT_ELM 17
#define SHAREDCELL_DEF_ELM 34
#define SHARED_CELL_ELM 35
#define MULTILINE_ELM 36
#define ATTRIBUTE_ELM 37 /* tag */
#define MICROSTATION_ELM 66 /* application element */

/* Bits of Elm_hdr.type above the type code. */
#define ELM_TYPE_MASK 0xFFu
#define ELM_COMPLEX_BIT 0x40000000u /* a component of a cell or complex element */

/* Elm_hdr.properties */
#define ELM_PROP_CLASS_MASK 0x000Fu
#define ELM_PROP_LOCKED 0x0010u
#define ELM_PROP_NEW 0x0020u
#define ELM_PROP_MODIFIED 0x0040u
#define ELM_PROP_VIEWINDEP 0x0080u
#define ELM_PROP_NONSNAP 0x0100u
#define ELM_PROP_HOLE 0x0200u   /* hole (1) or solid (0) */
#define ELM_PROP_FILLED 0x0400u /* Disp_hdr.fillColor holds the fill colour */
#define ELM_PROP_3D 0x0800u     /* coordinates carry z */

/* By-level symbology values. */
#define COLOR_BYLEVEL 0xFFFFFFFFu
#define WEIGHT_BYLEVEL 0xFFFFFFFFu
#define STYLE_BYLEVEL 0x7FFFFFFF

typedef struct Elm_hdr { /* 32 bytes, every element */
    uint32_t type;         /* type code in bits 0-7, ELM_COMPLEX_BIT */
    uint32_t elementSize;  /* words of the whole element, linkages included */
    uint32_t attrOffset;   /* words from the start to the first linkage */
    uint32_t level;        /* level id */
    uint64_t uniqueId;     /* given by the design file when added; 0 before */
    uint32_t graphicGroup;
    uint32_t properties;   /* ELM_PROP_* */
} Elm_hdr;

typedef struct Disp_hdr { /* graphic elements, at byte 32, 72 bytes */
    uint32_t color;  /* or COLOR_BYLEVEL */
    uint32_t weight; /* or WEIGHT_BYLEVEL */
    int32_t style;   /* or STYLE_BYLEVEL */
    uint32_t fillColor;
    uint32_t reserved[2];
    DRange3d range;  /* UOR; kept by the element functions */
} Disp_hdr;

#define ELM_BODY_OFFSET 104 /* bytes: where a graphic element's body begins */
#define ELM_APPL_BODY_OFFSET 32 /* type 66 has no display header */

/* Line (3). */
typedef struct Line_elm {
    Elm_hdr ehdr; Disp_hdr dhdr;
    DPoint3d start, end;
} Line_elm;

/* Line string (4), shape (6), curve (11) and the work line of a multi-line
   (36): up to MAX_VERTICES points.  A curve keeps two control points at each
   end. */
typedef struct Linear_elm {
    Elm_hdr ehdr; Disp_hdr dhdr;
    uint32_t numVerts;
    uint32_t reserved;
    DPoint3d vertice[1]; /* numVerts of them */
} Linear_elm;

/* The part every header of components shares (cell 2, text node 7, complex
   chain 12, complex shape 14); its components follow it in a descriptor. */
typedef struct Complex_hdr {
    Elm_hdr ehdr; Disp_hdr dhdr;
    uint32_t numComponents; /* direct components */
    uint32_t totalWords;    /* the header and all its components */
} Complex_hdr;

/* Cell header (2). */
typedef struct Cell_elm {
    Elm_hdr ehdr; Disp_hdr dhdr;
    uint32_t numComponents, totalWords;
    DPoint3d origin;
    RotMatrix rotation; /* rotation and scale of the placement */
    uint32_t flags;     /* CELL_FLAG_* */
    uint32_t reserved;
    char16_t name[MDLHOST_MAX_CELLNAME + 1];
    char16_t description[MDLHOST_MAX_CELLNAME + 1];
} Cell_elm;
#define CELL_FLAG_POINT 0x1u

/* Text parameters shared by texts and text nodes. */
typedef struct TextAttr {
    double width, height; /* character size, UOR */
    double slant;         /* radians */
    double lineSpacing;   /* UOR */
    uint32_t font;
    uint32_t justification;
    uint32_t flags;
    uint32_t reserved;
} TextAttr;

/* Text node (7). */
typedef struct TextNode_elm {
    Elm_hdr ehdr; Disp_hdr dhdr;
    uint32_t numComponents, totalWords;
    DPoint3d origin;
    RotMatrix rotation;
    TextAttr attr;
    uint32_t nodeNumber;
    uint32_t maxLineLength;
} TextNode_elm;

/* Ellipse (15) and arc (16).  An ellipse has start 0 and sweep 2 pi. */
typedef struct Ellipse_elm {
    Elm_hdr ehdr; Disp_hdr dhdr;
    DPoint3d origin; /* centre */
    RotMatrix rotation;
    double primary, secondary; /* axes, UOR */
    double start, sweep;       /* radians; sweep is signed */
} Ellipse_elm;

/* Text (17): numChars characters, no terminator stored. */
typedef struct Text_elm {
    Elm_hdr ehdr; Disp_hdr dhdr;
    DPoint3d origin;
    RotMatrix rotation;
    TextAttr attr;
    uint32_t numChars;
    uint32_t reserved;
    char16_t string[1]; /* numChars of them */
} Text_elm;

/* Shared cell instance (35): the definition is kept once per file by name. */
typedef struct SharedCell_elm {
    Elm_hdr ehdr; Disp_hdr dhdr;
    DPoint3d origin;
    RotMatrix rotation;
    DPoint3d scale;
    uint32_t flags;
    uint32_t reserved;
    char16_t defName[MDLHOST_MAX_CELLNAME + 1];
} SharedCell_elm;

/* Application element (66): bytes from ELM_APPL_BODY_OFFSET as written. */
typedef struct Appl_elm {
    Elm_hdr ehdr;
    uint8_t data[1];
} Appl_elm;

/* One element of any type, with room for the largest.  Copy elements with
   mdlElement_memcpy (their size), not by assignment. */
typedef union MSElement {
    Elm_hdr ehdr;
    Line_elm line;
    Linear_elm linear;
    Complex_hdr complexHdr;
    Cell_elm cell;
    TextNode_elm textNode;
    Ellipse_elm ellipse;
    Text_elm text;
    SharedCell_elm sharedCell;
    Appl_elm appl;
    uint16_t buf[MAX_ELEMENT_WORDS];
    double align_;
} MSElement;

/* Attribute data (linkages) follow the body at attrOffset.  A linkage starts
   with a header word and an id word:
     bits 0-10  length: words - 1, or with LINKAGE_LONG (words / 4) - 1
     bit  11    LINKAGE_LONG (length counts units of 4 words; up to 8192 words)
     bit  12    LINKAGE_USER (user data)
     bit  13    LINKAGE_MODIFIED, bit 14 LINKAGE_REMOTE, bit 15 LINKAGE_INFO */
#define LINKAGE_LENGTH_MASK 0x07FFu
#define LINKAGE_LONG 0x0800u
#define LINKAGE_USER 0x1000u
#define LINKAGE_MODIFIED 0x2000u
#define LINKAGE_REMOTE 0x4000u
#define LINKAGE_INFO 0x8000u
typedef struct LinkageHeader {
    uint16_t hdr;       /* length and flags, above */
    uint16_t primaryID; /* linkage id */
} LinkageHeader;

/* A tree of elements: a header's components hang on h.firstElem; siblings on
   h.next.  Every node owns a whole MSElement. */
typedef struct MSElementDescr MSElementDescr;
struct MSElementDescr {
    struct {
        MSElementDescr *next, *previous;
        MSElementDescr *myHeader;  /* null at the top */
        MSElementDescr *firstElem; /* components of a header */
        int isHeader;
        DgnModelRefP dgnModelRef;  /* model it was read from; 0 when new */
        uint32_t filePos;          /* position it was read from; 0 when new */
        int reserved;
    } h;
    MSElement el;
};

/* --- errors -------------------------------------------------------------------
   The last error of a design-file call; 0 after a call that succeeded. */
#define DGNERR_DISKFULL (-108)  /* the disk is full */
#define DGNERR_READONLY (-109)  /* the file cannot be written */
#define DGNERR_FILEFULL (-111)  /* no more positions or an element too large */
#define DGNERR_BADELEMENT (-112) /* an element record that does not hold together */
#define DGNERR_NOTFOUND (-113)   /* no element at that position, or deleted */
#define DGNERR_BADFILE (-114)    /* not a design file, damaged, or a newer layout */
#define DGNERR_NOMODEL (-115)    /* no such model / no active design file */
#define DGNERR_IO (-116)         /* any other file or database error */
#define DGNERR_EXISTS (-117)     /* a level or model of that name exists */
#define DGNERR_BADARG (-118)     /* a missing, empty or too long argument */
/* The text of a design-file error, for messages. */
MDLHOST_API const char *mdlhost_dgnErrorText(int error);
/* Tests: the next n writes to any design file fail with error (for example
   DGNERR_DISKFULL); n = 0 ends it.  A write is one call that changes a file
   (an add, a rewrite, a level created ...); it fails after its statements
   ran, so what it did is undone as a real failure would be. */
MDLHOST_API void mdlhost_dgnFailWrites(int error, int n);

/* --- design files -------------------------------------------------------------
   Creates a new design file from nothing (tests, seeds): one default model
   "Default", 2D or 3D, uorPerMaster UOR per master unit, master unit name
   (e.g. "m"), global origin (UOR).  Refuses an existing file.  0 or an error. */
MDLHOST_API int mdlhost_dgnCreateFile(const char *path, int is3d, double uorPerMaster,
                                      const char *masterUnitName, const DPoint3d *globalOrigin);
/* The EPSG code of the CRS the file's features (the GeoPackage tables GIS
   tools read) are in: then in master units with the global origin added.
   0: none, the features are in UOR in the file's own engineering CRS.  Set
   only while the file holds no element; a code PROJ does not know, or a file
   with elements, gives DGNERR_BADARG.  0 or an error. */
MDLHOST_API int mdlhost_dgnSetEpsg(DgnModelRefP model, int epsg);
MDLHOST_API int mdlhost_dgnGetEpsg(DgnModelRefP model);
/* Makes path the active design file (through the new-design-file hooks) and
   its default model the active model.  0, or an error (the previous file
   stays active).  A file the host did not write, a truncated or damaged one,
   or a newer layout is refused with DGNERR_BADFILE and a message naming it. */
MDLHOST_API int mdlSystem_newDesignFile(const char *path);
/* Closes the active design file (hooks see state 0); the active model is 0. */
MDLHOST_API void mdlhost_closeDesignFile(void);
/* Makes path anew from seedFile as the active design file, whole or not at
   all: the seed is copied to a work file beside path and that is opened,
   while the applications see it as path (the TCB's name, the hooks).  path
   itself stays as it was until mdlhost_closeDesignFileKeeping(1) puts the
   work file in its place; closing it otherwise, opening another file or a
   killed process never does (the next call removes the work files of dead
   processes).  0, or an error (the previous file stays active, nothing is
   left beside path). */
MDLHOST_API int mdlhost_newDesignFileWhole(const char *path, const char *seedFile);
/* Closes the active design file.  When mdlhost_newDesignFileWhole made it,
   keep non-zero renames its work file over its name, zero removes it.  0,
   or an error (the work file did not land: the earlier file stays, errno
   says why). */
MDLHOST_API int mdlhost_closeDesignFileKeeping(int keep);
/* Removes deleted elements; positions may change.  0 or an error. */
MDLHOST_API int mdlSystem_compressDgnFile(void);
/* UOR range of every element of model; 0, or non-zero when it has none. */
MDLHOST_API int mdlSystem_computeDesignRange(DPoint3d *low, DPoint3d *high, DgnModelRefP model);

/* Commands: writes between begin and end are one transaction.  End with
   commit 0, or after any failed write, rolls everything back so the file is
   as it was at begin.  Outside a command every write commits by itself.
   Nested begins count (an inner end with 0 rolls the whole command back).
   A call refused before it writes (an element that does not hold together,
   a position with no element) is not a failed write: the command goes on.
   The end gives 0, or the error of the failure that rolled it back. */
MDLHOST_API void mdlhost_dgnBeginCommand(void);
MDLHOST_API int mdlhost_dgnEndCommand(int commit);
/* Number of begins not yet ended (0 outside a command). */
MDLHOST_API int mdlhost_dgnCommandDepth(void);

/* --- models ------------------------------------------------------------------- */
MDLHOST_API DgnModelRefP mdlModelRef_getActive(void);
MDLHOST_API int mdlModelRef_areSame(DgnModelRefP a, DgnModelRefP b);
MDLHOST_API int mdlModelRef_isActiveModel(DgnModelRefP model);
MDLHOST_API int mdlModelRef_isReference(DgnModelRefP model);
MDLHOST_API int mdlModelRef_isReadOnly(DgnModelRefP model);
MDLHOST_API int mdlModelRef_is3D(DgnModelRefP model);
MDLHOST_API double mdlModelRef_getUorPerMaster(DgnModelRefP model);
MDLHOST_API int mdlModelRef_getGlobalOrigin(DgnModelRefP model, DPoint3d *origin);
/* Master unit name ("m") into name; 0 or an error. */
MDLHOST_API int mdlModelRef_getMasterUnitName(DgnModelRefP model, char *name, int size);
/* Position the next added element gets (every element lies below it). */
MDLHOST_API uint32_t mdlModelRef_getEof(DgnModelRefP model);
/* The file of model (full path) into name; 0 or an error. */
MDLHOST_API int mdlModelRef_getFileName(DgnModelRefP model, char *name, int size);

/* Opens path as a model of its own (not active): kind tells what for.  The
   model stays open until mdlhost_dgnCloseModel.  0 or an error; *model set. */
#define DGN_OPEN_READONLY 0
#define DGN_OPEN_WRITE 1
#define DGN_OPEN_REFERENCE 0x100 /* or-ed: the handle is a reference */
MDLHOST_API int mdlhost_dgnOpenModel(DgnModelRefP *model, const char *path, int mode);
MDLHOST_API void mdlhost_dgnCloseModel(DgnModelRefP model);

/* Models of one file: the default model first, then the others in the order
   they were made (cell libraries keep a model per cell).  Every call that
   gives a model gives a handle of its own, closed with mdlhost_dgnCloseModel;
   mdlModelRef_areSame tells whether two handles name one model.  Model
   names are unique in a file and compare exactly.  Results 0 or an error. */
#define MDLHOST_MAX_MODELNAME 512 /* wide characters, names and descriptions */
/* A new model in the file of fileModel, with that model's units and 2D/3D. */
MDLHOST_API int mdlhost_dgnCreateModel(DgnModelRefP fileModel, const char16_t *name,
                                       const char16_t *description, DgnModelRefP *model);
/* Number of models of the file of fileModel; 0 when it is not open. */
MDLHOST_API int mdlhost_dgnModelCount(DgnModelRefP fileModel);
MDLHOST_API int mdlhost_dgnOpenModelAt(DgnModelRefP fileModel, int index, DgnModelRefP *model);
MDLHOST_API int mdlhost_dgnFindModel(DgnModelRefP fileModel, const char16_t *name, DgnModelRefP *model);
MDLHOST_API int mdlhost_dgnGetModelName(DgnModelRefP model, char16_t *name, int maxChars);
MDLHOST_API int mdlhost_dgnGetModelDescription(DgnModelRefP model, char16_t *description, int maxChars);
MDLHOST_API int mdlhost_dgnSetModelDescription(DgnModelRefP model, const char16_t *description);
/* Removes a model that is not the default one, with its elements; its
   handles stop working (calls on them give DGNERR_NOMODEL). */
MDLHOST_API int mdlhost_dgnDeleteModel(DgnModelRefP model);
/* Writes to any open model (work files, cell libraries), as mdlElmdscr_add,
   mdlElmdscr_rewrite and mdlElmdscr_undoableDelete do to the active one. */
MDLHOST_API uint32_t mdlhost_dgnAddToModel(DgnModelRefP model, MSElementDescr *dscr);
MDLHOST_API uint32_t mdlhost_dgnRewriteInModel(DgnModelRefP model, MSElementDescr *dscr, uint32_t pos);
MDLHOST_API int mdlhost_dgnDeleteInModel(DgnModelRefP model, uint32_t pos);

/* master units <-> UOR for the active model */
MDLHOST_API int mdlCnv_masterToUOR(double *uor, double master, DgnModelRefP model);
MDLHOST_API int mdlCnv_UORToMaster(double *master, double uor, DgnModelRefP model);
/* Doubles in application data: IEEE little-endian, exact inverses. */
MDLHOST_API void mdlCnv_doubleToFileFormat(double *out, const double *in);
MDLHOST_API void mdlCnv_doubleFromFileFormat(double *out, const double *in);

/* --- levels -------------------------------------------------------------------
   Named levels of a file, ids above 0, created on demand.  Names and
   descriptions are wide; names compare exactly.  Results 0 or an error. */
#define MDLHOST_MAX_LEVELNAME 512
#define LEVEL_NULL_ID 0u
MDLHOST_API int mdlLevel_create(DgnModelRefP model, const char16_t *name, uint32_t *levelId);
MDLHOST_API int mdlLevel_getIdFromName(uint32_t *levelId, DgnModelRefP model, const char16_t *name);
MDLHOST_API int mdlLevel_isValidByName(DgnModelRefP model, const char16_t *name);
MDLHOST_API int mdlLevel_getName(char16_t *name, int maxChars, DgnModelRefP model, uint32_t levelId);
MDLHOST_API int mdlLevel_setDescription(DgnModelRefP model, uint32_t levelId, const char16_t *description);
MDLHOST_API int mdlLevel_getDescription(char16_t *description, int maxChars, DgnModelRefP model, uint32_t levelId);
MDLHOST_API int mdlLevel_setElementColor(DgnModelRefP model, uint32_t levelId, uint32_t color);
MDLHOST_API int mdlLevel_setElementWeight(DgnModelRefP model, uint32_t levelId, uint32_t weight);
MDLHOST_API int mdlLevel_setElementStyle(DgnModelRefP model, uint32_t levelId, int32_t style);
MDLHOST_API int mdlLevel_getElementColor(uint32_t *color, DgnModelRefP model, uint32_t levelId);
MDLHOST_API int mdlLevel_getElementWeight(uint32_t *weight, DgnModelRefP model, uint32_t levelId);
MDLHOST_API int mdlLevel_getElementStyle(int32_t *style, DgnModelRefP model, uint32_t levelId);
/* Ids of every level of model in id order, at most max; returns the count. */
MDLHOST_API int mdlhost_levelIds(DgnModelRefP model, uint32_t *ids, int max);
/* Levels are stored at once; kept for callers that ask for it.  0. */
MDLHOST_API int mdlLevelTable_rewrite(DgnModelRefP model);

/* --- named line styles ------------------------------------------------------------
   A design file's own table of named line styles, numbered 1, 2, ... as they
   are added.  An element with a named style holds the negative number in its
   style word (0 .. 7 are the standard styles, STYLE_BYLEVEL by level).
   Names are ISO 8859-1, 1 .. MDLHOST_MAX_LINESTYLENAME characters, compared
   exactly.  Results 0 or an error (DGNERR_NOTFOUND for an unknown name or
   number, DGNERR_EXISTS with *number set when the name is taken). */
#define MDLHOST_MAX_LINESTYLENAME 63
MDLHOST_API int mdlLineStyle_create(DgnModelRefP model, const char *name, int32_t *number);
MDLHOST_API int mdlLineStyle_getNumber(int32_t *number, DgnModelRefP model, const char *name);
/* The same under the name the applications call it by. */
MDLHOST_API int mdlLineStyle_numberFromName(int32_t *number, DgnModelRefP model, const char *name);
/* number may be given with either sign; the name is cut to size - 1. */
MDLHOST_API int mdlLineStyle_getName(char *name, int size, DgnModelRefP model, int32_t number);
/* Numbers of every named style in number order, at most max; the count. */
MDLHOST_API int mdlhost_lineStyleNumbers(DgnModelRefP model, int32_t *numbers, int max);

/* --- text styles -------------------------------------------------------------------
   Named sets of text parameters kept in the design file (names wide, 1 ..
   MDLHOST_MAX_TEXTSTYLENAME characters); ids 1, 2, ... as they are added.
   Sizes in UOR, slant in radians. */
#define MDLHOST_MAX_TEXTSTYLENAME 81
typedef struct MdlTextStyle {
    double width, height;
    double lineSpacing;
    double slant;
    int font;
    int justification;
    uint32_t flags; /* TEXT_FLAG_* */
} MdlTextStyle;
/* Results as the line styles; a non-finite size is DGNERR_BADARG. */
MDLHOST_API int mdlTextStyle_create(DgnModelRefP model, const char16_t *name, const MdlTextStyle *style, int32_t *id);
/* style and id may be null. */
MDLHOST_API int mdlTextStyle_getByName(MdlTextStyle *style, int32_t *id, DgnModelRefP model, const char16_t *name);
MDLHOST_API int mdlTextStyle_getName(char16_t *name, int maxChars, DgnModelRefP model, int32_t id);
/* Ids of every text style in id order, at most max; the count. */
MDLHOST_API int mdlhost_textStyleIds(DgnModelRefP model, int32_t *ids, int max);

/* --- element I/O --------------------------------------------------------------
   Positions: 0 never names an element; positions fit 31 bits and increase as
   elements are added; a rewrite keeps the position when the new element is no
   larger (in words), otherwise the element moves to a new position and keeps
   its unique id; deleted elements are skipped by reads and scans. */
/* Appends el to the active model; returns its position, 0 on failure
   (mdlErrno says why).  el gets its unique id. */
MDLHOST_API uint32_t mdlElement_add(MSElement *el);
/* Appends a descriptor (a header with its components); position or 0. */
MDLHOST_API uint32_t mdlElmdscr_add(MSElementDescr *dscr);
/* Reads the element at pos (a header: only the header); 0 or an error. */
MDLHOST_API int mdlElement_read(MSElement *el, DgnModelRefP model, uint32_t pos);
/* Reads the whole descriptor at pos into a new tree (free with
   mdlElmdscr_freeAll); returns its size in bytes, 0 on failure.  The
   third argument is accepted for the callers' signature and ignored. */
MDLHOST_API size_t mdlElmdscr_read(MSElementDescr **dscr, uint32_t pos, DgnModelRefP model, int unused, uint32_t *nextPos);
/* Rewrite: returns the element's position (the same one, or a new one when
   it had to move), 0 on failure.  old may be null. */
MDLHOST_API uint32_t mdlElement_rewrite(MSElement *newEl, MSElement *oldEl, uint32_t pos);
MDLHOST_API uint32_t mdlElmdscr_rewrite(MSElementDescr *newDscr, MSElementDescr *oldDscr, uint32_t pos);
/* Deletes (undoably: mdlhost_dgnUndelete brings it back, same id). 0 or error. */
MDLHOST_API int mdlElement_undoableDelete(MSElement *el, uint32_t pos, int display);
MDLHOST_API int mdlElmdscr_undoableDelete(MSElementDescr *dscr, uint32_t pos, int display);
MDLHOST_API int mdlhost_dgnUndelete(DgnModelRefP model, uint32_t pos);
/* which FILEPOS_CURRENT: the position of the element last read, added or
   rewritten by these calls (or the one a scan, fence or locate hands its
   function), and its model in *model.  FILEPOS_EOF: the end position of
   the active model (the position the next element added gets), and the
   active model.  Any other which: 0.  model may be null.  The numbers are
   the platform's, as the applications pass them. */
MDLHOST_API uint32_t mdlElement_getFilePos(int which, DgnModelRefP *model);
#define FILEPOS_EOF 0
#define FILEPOS_CURRENT 1
/* Unique ids. */
MDLHOST_API ElementID mdlElement_getID(const MSElement *el);
MDLHOST_API int mdlAssoc_getUniqueId(ElementID *id, uint32_t pos, DgnModelRefP model);
/* Position of the element with that id in the active model, 0 when none. */
MDLHOST_API uint32_t mdlAssoc_getElement(MSElement *el, ElementID id, DgnModelRefP model);

/* --- active parameters ------------------------------------------------------
   What the session gives new elements.  The graphic group is the next one
   free in the active model: 1 + the highest graphic group of its elements
   when a design file becomes active, then advanced by
   mdlSystem_updateGraphicGroup. */
#define ACTIVEPARAM_COLOR 1       /* uint32_t: colour, 0 .. 255 or COLOR_BYLEVEL; 0 at start */
#define ACTIVEPARAM_LINESTYLE 3   /* int32_t: line style, 0 .. 7, a named style's negative number, or
                                     STYLE_BYLEVEL; 0 at start */
#define ACTIVEPARAM_LINEWEIGHT 4  /* uint32_t: weight, 0 .. 31 or WEIGHT_BYLEVEL; 0 at start */
#define ACTIVEPARAM_CELLNAME 15   /* char16_t[MDLHOST_MAX_CELLNAME + 1]: the active cell's name; "" at start */
#define ACTIVEPARAM_FONT 7        /* int32_t: font of new texts; 0 at start */
#define ACTIVEPARAM_TEXTSIZE 11   /* double: height and width of new texts, current units; 1 at start */
#define ACTIVEPARAM_FILL 37       /* int32_t: non-zero fills new closed elements; 0 at start */
#define ACTIVEPARAM_GRAPHGROUP 59 /* uint32_t */
/* Copies the parameter into *value.  Returns 0, -1 for a null value or a
   parameter the host does not keep, or the design-file error (no active
   design file, a failed read). */
MDLHOST_API int mdlParams_getActive(void *value, int param);
/* Sets the parameter from *value; results as mdlParams_getActive, and -1
   for a value out of the range its line gives (nothing is set then).  The
   symbology and cell are the session's: they need no design file and
   survive a change of design. */
MDLHOST_API int mdlParams_setActive(const void *value, int param);
/* The graphic group after the active one becomes the active one.  Returns
   0, or the error of mdlParams_getActive. */
MDLHOST_API int mdlSystem_updateGraphicGroup(void);

/* --- locks ---------------------------------------------------------------------
   Session switches, all off at start. */
#define LOCK_FENCE_OVERLAP 511
#define LOCK_FENCE_CLIP 512
/* 1 when the lock is on, 0 when it is off or the host keeps no such lock. */
MDLHOST_API int mdlParams_getLock(int lock);
/* Sets a lock the host keeps: 0, or -1 for any other lock. */
MDLHOST_API int mdlParams_setLock(int lock, int on);

/* --- modes of the active design --------------------------------------------------
   mgds_modesP->is3D (the first byte) is non-zero when the active design
   file's active model is 3D, 0 when it is 2D or no design is open.  Read
   through the macro, which refreshes the record on every use. */
typedef struct MgdsModes {
    unsigned char is3D;
    unsigned char reserved[15];
} MgdsModes;
MDLHOST_API const MgdsModes *mdlhost_mgdsModes(void);
#define mgds_modesP (mdlhost_mgdsModes())


#ifdef __cplusplus
}
#endif

#endif
