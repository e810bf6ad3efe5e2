/* Cells and cell libraries, shared cells, tags, raster attachments, level
   libraries, references and work files, fonts.

   A cell library is a design file whose models are cells: the model's name
   is the cell's name, its description the cell's description and its
   elements the cell's components.  Level libraries are design files too.

   Points given to and returned by these functions are in the current
   coordinates (mdlCurrTrans_*), like those of the element functions, unless
   a function says UOR.  Results: 0 = success, non-zero = failure with
   mdlErrno set, unless stated. */
#ifndef MDLHOST_CELL_H
#define MDLHOST_CELL_H

#include <stddef.h>
#include <stdint.h>

#include "base/mdlbase.h"
#include "dgn/mdldgn.h"
#include "base/host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* --- cell libraries --------------------------------------------------------------
   One library is attached at a time.  Cell names are found exactly, else
   with case ignored (ISO 8859-1 letters, the Norwegian ones included). */

/* Finds name along path (as mdlFile_find: directories separated by ';', or
   configuration variables; null = the name as given) with default
   extension "cel", and attaches it read-only in place of the library
   attached before.  The found name is copied into foundName
   (MDLHOST_MAXFILELENGTH bytes) when it is not null.  DGNERR_NOTFOUND when
   no file is found, DGNERR_BADFILE when it is no design file; the library
   attached before then stays attached. */
MDLHOST_API int mdlCell_attachLibraryEx(char *foundName, const char *name, const char *path);
/* Detaches the library; 0 also when none was attached. */
MDLHOST_API int mdlCell_detachLibrary(void);
/* Full name of the attached library; DGNERR_NOTFOUND ("" in name) when none. */
MDLHOST_API int mdlCell_getLibraryName(char *name, int size);
/* 1 when the attached library has a cell of that name, else 0. */
MDLHOST_API int mdlCell_existsInLibrary(const char16_t *cellName);
/* The index-th cell of the attached library (0 first, in the order the
   cells were added): name and description, each cut to fit its buffer.
   DGNERR_NOTFOUND past the last cell or without a library. */
MDLHOST_API int mdlCell_getLibraryCell(int index, char16_t *name, int nameChars, char16_t *description,
                                       int descriptionChars);

/* Reads the cell into a new descriptor (free with mdlElmdscr_freeAll): a
   type-2 header named as the cell, with its description, origin at origin
   (null: 0) and the components placed as origin + rotation * scale * p,
   where p is a component point relative to the cell's origin.  scale (a
   factor, not converted by the current transformation) null is 1, rotation
   null is identity.  trueScale non-zero converts the
   library's master units to model's (a 1 m cell stays 1 m); 0 takes the
   library's UOR as they are.  Each component keeps its level by name (the
   level is created in model when missing).  The header's level is its first
   component's; graphicGroup goes on the header and every component.
   Components carry z as model does: a 2D cell placed in a 3D model is
   lifted to the origin's z, a 3D one placed in a 2D model flattened. */
MDLHOST_API int mdlCell_getElmDscr(MSElementDescr **cellDscr, const DPoint3d *origin, const DPoint3d *scale,
                                   int trueScale, const RotMatrix *rotation, uint32_t graphicGroup,
                                   DgnModelRefP model, const char16_t *cellName);
/* Places the cell in the active model, as mdlCell_getElmDscr gives it; with
   relative non-zero and baseLevel above 0 every component goes on
   baseLevel.  shared non-zero places a shared cell instead (its definition
   copied into the design once).  Returns the position, 0 on failure. */
MDLHOST_API uint32_t mdlCell_placeCell(const DPoint3d *origin, const DPoint3d *scale, int trueScale,
                                       const RotMatrix *rotation, uint32_t graphicGroup, int relative,
                                       uint32_t baseLevel, int shared, const char16_t *cellName);

/* Origin, rotation (with the placement's scale) and name of a cell header
   (any out may be null; name cut to nameChars - 1).  DGNERR_BADELEMENT
   for another type. */
MDLHOST_API int mdlCell_extract(DPoint3d *origin, RotMatrix *rotation, char16_t *name, int nameChars,
                                const MSElement *cell);
MDLHOST_API int mdlCell_extractName(char16_t *name, int nameChars, const MSElement *cell);
MDLHOST_API int mdlCell_extractDescription(char16_t *description, int descriptionChars, const MSElement *cell);
/* Puts the header and every component, nested ones included, on level. */
MDLHOST_API int mdlCell_fixLevels(MSElementDescr *cellDscr, uint32_t level);
/* Sets the range of the header (and of nested headers) from the
   components.  model is accepted for the callers and not needed. */
MDLHOST_API int mdlCell_setRange(MSElementDescr *cellDscr, DgnModelRefP model);

/* Writes a cell into an existing library file (tests and tools; make the
   file with mdlhost_dgnCreateFile): a new model named cellName with
   description, holding copies of components (a chain of descriptors,
   coordinates in the library's UOR relative to the cell's origin).
   DGNERR_EXISTS when the library has that cell already; a failed write
   leaves no part of the cell behind. */
MDLHOST_API int mdlhost_cellLibraryAddCell(const char *libraryFile, const char16_t *cellName,
                                           const char16_t *description, const MSElementDescr *components);

/* --- shared cells -----------------------------------------------------------------
   An instance (type 35) names a definition that the design holds once. */

/* Builds an instance: flags as given, origin, rotation (null: identity),
   scale (a factor; null: 1), definition name (at most MDLHOST_MAX_CELLNAME), level.
   The range is the origin until mdlSharedCell_setRange. */
MDLHOST_API int mdlSharedCell_create(MSElement *el, uint32_t flags, const DPoint3d *origin,
                                     const RotMatrix *rotation, const DPoint3d *scale, const char16_t *defName,
                                     uint32_t level);
/* Copies the cell of that name from the attached library into model's
   definitions unless the design has it (in the design's units).  model 0
   is the active model.  DGNERR_NOTFOUND when neither has it. */
MDLHOST_API int mdlSharedCell_makeSureDefExists(const char16_t *defName, DgnModelRefP model);
/* 1 when model (0: active) holds the definition. */
MDLHOST_API int mdlSharedCell_defExists(const char16_t *defName, DgnModelRefP model);
/* Sets the instance's range from its definition in model (0: active). */
MDLHOST_API int mdlSharedCell_setRange(MSElement *el, DgnModelRefP model);
/* Origin, definition name (cut to nameChars - 1), scale, rotation; any out
   may be null. */
MDLHOST_API int mdlSharedCell_extract(DPoint3d *origin, char16_t *defName, int nameChars, DPoint3d *scale,
                                      RotMatrix *rotation, const MSElement *el);
/* A new type-2 cell descriptor with the definition's components placed as
   the instance is (level, symbology and graphic group of the instance on
   every component; the instance's linkages stay behind).  model 0 is the
   active model. */
MDLHOST_API int mdlSharedCell_toNormalCell(MSElementDescr **cellDscr, const MSElement *el, DgnModelRefP model);

/* --- tags ---------------------------------------------------------------------
   A tag set is a named list of typed tag definitions; a tag (type 37) holds
   one value of one definition and names its target by unique id. */
#define MDLHOST_MAX_TAGNAME 32    /* wide characters of set and tag names and prompts */
#define MDLHOST_MAX_TAGTEXT 2047  /* bytes of a text value */
#define MDLHOST_MAX_TAGDEFS 1000  /* definitions of one set */
#define TAGTYPE_TEXT 1
#define TAGTYPE_LONG 3
#define TAGTYPE_DOUBLE 4

typedef struct DgnTagValue {
    int32_t type;  /* TAGTYPE_* */
    int32_t longValue;
    double doubleValue;
    char stringValue[MDLHOST_MAX_TAGTEXT + 1]; /* ISO 8859-1 */
} DgnTagValue;

typedef struct DgnTagDefinition {
    char16_t name[MDLHOST_MAX_TAGNAME + 1];
    char16_t prompt[MDLHOST_MAX_TAGNAME + 1];
    DgnTagValue value; /* the type and the default value */
} DgnTagDefinition;

typedef struct DgnTagSetName {
    char16_t name[MDLHOST_MAX_TAGNAME + 1];
} DgnTagSetName;

/* The tag element's body, from ELM_BODY_OFFSET. */
typedef struct Tag_elm {
    Elm_hdr ehdr; Disp_hdr dhdr;
    ElementID targetId;
    DPoint3d origin;   /* UOR, relative to the target (see mdlTag_create) */
    uint32_t flags;    /* TAG_FLAG_* */
    int32_t type;      /* TAGTYPE_* */
    int32_t longValue;
    uint32_t numChars; /* bytes of textValue, no terminator stored */
    double doubleValue;
    char16_t setName[MDLHOST_MAX_TAGNAME + 1];
    char16_t tagName[MDLHOST_MAX_TAGNAME + 1];
    char textValue[1]; /* numChars of them */
} Tag_elm;
#define TAG_FLAG_HIDDEN 0x1u

/* Creates a set with count definitions (1 to MDLHOST_MAX_TAGDEFS, names
   unique and not empty) in model; reportName (may be null) has at most 255
   characters.  flags are accepted for the callers.
   DGNERR_EXISTS when the set exists. */
MDLHOST_API int mdlTag_createSetDef(const char16_t *setName, const char16_t *reportName, uint32_t flags,
                                    const DgnTagDefinition *defs, int count, DgnModelRefP model);
/* Frees an array from mdlTag_getSetDef or one allocated with
   dlmSystem_mdlMalloc. */
MDLHOST_API void mdlTag_freeTagDefArray(DgnTagDefinition *defs, int count);
/* Names of model's sets in the order they were created, as a new array
   (free with dlmSystem_mdlFree; null when count is 0). */
MDLHOST_API int mdlTag_getSetNames(DgnTagSetName **names, int *count, DgnModelRefP model);
/* The definitions of a set as a new array (mdlTag_freeTagDefArray), and its
   report name (reportName may be null).  DGNERR_NOTFOUND when no such set. */
MDLHOST_API int mdlTag_getSetDef(DgnTagDefinition **defs, int *count, char16_t *reportName, int reportChars,
                                 const char16_t *setName, DgnModelRefP model);
/* Builds a tag element of the set's definition tagName with value (of the
   definition's type) for the element of model whose unique id is target.
   origin (may be null: 0) is the offset of the tag from the target's origin
   (its first point for line strings, the low corner of its range for other
   elements); it is a vector, so the current transformation's translation
   does not apply.  The caller adds the element.  DGNERR_NOTFOUND for an
   unknown set, tag or target; DGNERR_BADELEMENT for a value of another type
   or a text over MDLHOST_MAX_TAGTEXT. */
MDLHOST_API int mdlTag_create(MSElement *tagEl, const char16_t *setName, const char16_t *tagName,
                              const DgnTagValue *value, ElementID target, const DPoint3d *origin, int hidden,
                              DgnModelRefP model);
/* The tags of model whose target is target (by its unique id) as a new
   chain of descriptors in position order (free with mdlElmdscr_freeAll);
   *tags null and *count 0 when it has none. */
MDLHOST_API int mdlTag_getElementTags(MSElementDescr **tags, int *count, const MSElement *target,
                                      DgnModelRefP model);
/* Set and tag name (MDLHOST_MAX_TAGNAME + 1 each), value, target and
   offset (current units) of a tag element; any out may be null. */
MDLHOST_API int mdlTag_extract(char16_t *setName, char16_t *tagName, DgnTagValue *value, ElementID *target,
                               DPoint3d *origin, int *hidden, const MSElement *tagEl);
/* Deletes every tag of the set whose definition is tagName (null: all of
   the set) in model (the active model or a file open for writing). */
MDLHOST_API int mdlTag_deleteTagInstances(DgnModelRefP model, const char16_t *setName, const char16_t *tagName);
/* Deletes a set, its definitions and the tags still using it. */
MDLHOST_API int mdlTag_deleteSetDef(const char16_t *setName, DgnModelRefP model);

/* --- raster attachments -------------------------------------------------------------
   An attachment is an image file placed in a model by its geo-reference.
   Attachments are named by handles above 0, kept while the host runs. */
typedef int32_t DgnRasterRef;
#define RASTER_FORMAT_UNKNOWN 0
#define RASTER_FORMAT_TIFF 7
#define RASTER_FORMAT_BMP 9
#define RASTER_FORMAT_JPEG 18
#define RASTER_KIND_IMAGE 0
#define RASTER_KIND_MISSING 1 /* the file is gone */
#define RASTER_KIND_UNKNOWN 2 /* not an image format the host reads */
#define RASTER_ALL_VIEWS 0xFFu

typedef struct DgnRasterFileInfo {
    char fileName[MDLHOST_MAXFILELENGTH]; /* as attached */
    int32_t kind;       /* RASTER_KIND_* */
    int32_t format;     /* RASTER_FORMAT_* */
    int32_t width, height; /* pixels; 0 when unknown */
} DgnRasterFileInfo;

MDLHOST_API int mdlRaster_initialize(void);
MDLHOST_API void mdlRaster_terminate(void);
/* Attaches an existing file to model (0: active), shown in every view,
   without geo-reference; the image's format and size are read from its
   header.  DGNERR_NOTFOUND when the file does not exist. */
MDLHOST_API int mdlRaster_fileOpen(DgnRasterRef *raster, const char *fileName, DgnModelRefP model);
/* Origin (x and y; z is not kept) and extents in UOR, stored as given (the
   caller adds the global origin). */
MDLHOST_API int mdlRaster_geoReferenceInfoSet(DgnRasterRef raster, const DPoint3d *origin, double extentX,
                                              double extentY);
/* Bit v of viewFlags: shown in view v (0 to 7). */
MDLHOST_API int mdlRaster_renderingInfoSet(DgnRasterRef raster, uint32_t viewFlags);
MDLHOST_API int mdlRaster_extendedInfoSet(DgnRasterRef raster, int mode);
/* Each attachment of model once: the one after previous (0: the first);
   0 after the last. */
MDLHOST_API DgnRasterRef mdlRaster_getNext(DgnModelRefP model, DgnRasterRef previous);
MDLHOST_API int mdlRaster_fileInfoGet(DgnRasterFileInfo *info, DgnRasterRef raster);
MDLHOST_API int mdlRaster_renderingInfoGet(uint32_t *viewFlags, DgnRasterRef raster);
/* DGNERR_NOTFOUND when the attachment has no geo-reference. */
MDLHOST_API int mdlRaster_geoReferenceInfoGet(DPoint3d *origin, double *extentX, double *extentY,
                                              DgnRasterRef raster);
MDLHOST_API int mdlRaster_extendedInfoGet(int *mode, DgnRasterRef raster);
/* Detaches (the file stays). */
MDLHOST_API int mdlRaster_detach(DgnRasterRef raster);

/* --- level libraries and level iteration ------------------------------------------
   One level library is attached at a time, read-only; its levels are found
   through its model. */
MDLHOST_API int mdlLevelLibrary_attach(const char *fileName);
/* 0 also when none was attached. */
MDLHOST_API int mdlLevelLibrary_detach(void);
/* The library's model, 0 when none is attached. */
MDLHOST_API DgnModelRefP mdlLevelLibrary_getModelRef(void);

/* The levels of model in id order, as they were when the iterator was
   made.  getNext gives the next id, LEVEL_NULL_ID after the last. */
typedef struct LevelIterator LevelIterator;
MDLHOST_API LevelIterator *mdlLevelIterator_create(DgnModelRefP model);
MDLHOST_API uint32_t mdlLevelIterator_getNext(LevelIterator *iterator);
MDLHOST_API void mdlLevelIterator_free(LevelIterator *iterator);

/* --- references ----------------------------------------------------------------
   Other design files attached to the active model, read-only, coincident
   (the same coordinates).  An attachment is kept in the design when it is
   written (mdlRefFile_writeAttachment); written ones are attached again
   when the design is opened. */
#define REFERENCE_DISPLAY 1     /* int: shown */
#define REFERENCE_SNAP 2        /* int */
#define REFERENCE_LOCATE 3      /* int */
#define REFERENCE_FILEFOUND 4   /* int: 1 when the file is open */
#define REFERENCE_WRITTEN 5     /* int: 1 when kept in the design */
#define REFERENCE_NESTED 6      /* int: 1 for a reference of a reference (none here) */
#define REFERENCE_FILESPEC 7    /* char[MDLHOST_MAXFILELENGTH]: the file as given */
#define REFERENCE_LOGICAL 8     /* char[MDLHOST_MAXFILELENGTH] */
#define REFERENCE_DESCRIPTION 9 /* char[MDLHOST_MAXFILELENGTH] */
#define REFERENCE_ALL (-1)

/* Attaches fileSpec (kept exactly as given; found as mdlFile_find finds a
   name) to the active model.  nestDepth is kept for the callers.  A file
   that cannot be opened: DGNERR_NOTFOUND or its open error, no attachment. */
MDLHOST_API int mdlRefFile_attachCoincident(DgnModelRefP *reference, const char *fileSpec, const char *logical,
                                            const char *description, int nestDepth, int display, int locate);
MDLHOST_API int mdlRefFile_writeAttachment(DgnModelRefP reference);
/* param is an int * or a char * (MDLHOST_MAXFILELENGTH) as the name says. */
MDLHOST_API int mdlRefFile_getParameters(void *param, int paramName, DgnModelRefP reference);
/* Makes what was written to the file since (through a work file) show.
   The store reads the file on every call, so this checks that the file is
   still open; the model handle stays.  The two flags are kept for the
   callers. */
MDLHOST_API int mdlRefFile_reload(DgnModelRefP reference, int flag1, int flag2);
/* Detaches a reference, or every one with REFERENCE_ALL; a written
   attachment is removed from the design too. */
MDLHOST_API int mdlRefFile_detach(DgnModelRefP reference);

#define MODELREF_ITERATE_ROOT 1
#define MODELREF_ITERATE_REFERENCES 2
#define MODELREF_ITERATE_ALL 3
typedef struct ModelRefIterator ModelRefIterator;
/* Iterates root (the active model) and/or its references, as kinds says,
   root first, references in the order they were attached. */
MDLHOST_API int mdlModelRefIterator_create(ModelRefIterator **iterator, DgnModelRefP root, int kinds);
/* The next model, 0 after the last. */
MDLHOST_API DgnModelRefP mdlModelRefIterator_getNext(ModelRefIterator *iterator);
MDLHOST_API void mdlModelRefIterator_free(ModelRefIterator **iterator);

/* --- work files -----------------------------------------------------------------
   A design file opened for writing apart from the active one, also while it
   is attached as a reference.  A file that cannot be written opens
   read-only (mdlModelRef_isReadOnly tells). */
MDLHOST_API int mdlWorkDgn_openFile(DgnModelRefP *model, const char *fileName, int readOnly);
/* Reads the descriptor at pos into a new tree; returns pos, 0 on failure. */
MDLHOST_API uint32_t mdlWorkDgn_read(MSElementDescr **dscr, uint32_t pos, DgnModelRefP model);
#define WORKDGN_APPEND 0xFFFFFFFFu /* (uint32_t) -1 */
/* Appends (pos WORKDGN_APPEND) or rewrites the element at pos; returns its
   position, 0 on failure. */
MDLHOST_API uint32_t mdlWorkDgn_write(MSElementDescr *dscr, uint32_t pos, DgnModelRefP model);
MDLHOST_API int mdlWorkDgn_closeFile(DgnModelRefP model);

/* --- fonts --------------------------------------------------------------------- */
#define MDLHOST_MAX_FONTNAME 63
typedef struct MdlFontInfo {
    uint32_t number;
    char name[MDLHOST_MAX_FONTNAME + 1]; /* ISO 8859-1 */
} MdlFontInfo;
/* Calls fn for each font of the host in number order until it returns
   non-zero; returns that value, else 0. */
typedef int (*MdlFontTraverseFunc)(const MdlFontInfo *font, void *arg);
MDLHOST_API int mdlFontMgr_traverseAvailableFonts(MdlFontTraverseFunc fn, void *arg);
/* 1 when the host has a font of that number. */
MDLHOST_API int mdlFontMgr_fontExists(uint32_t number);

#ifdef __cplusplus
}
#endif

#endif
