/* Elements: creation, symbology and properties, extraction, linkages,
   descriptors in memory, the current transformation, rotation and transform
   maths, measurements and growable arrays.

   Points and lengths given to and returned by these functions are in the
   current coordinates (mdlCurrTrans_*): UOR by default, master units under
   mdlCurrTrans_masterUnitsIdentity(1).  Element records always hold UOR.
   Results: 0 = success, non-zero = failure (mdlErrno set) unless stated. */
#ifndef MDLHOST_ELEM_H
#define MDLHOST_ELEM_H

#include <stddef.h>
#include <stdint.h>

#include "dgn/mdldgn.h"
#include "base/host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* --- the current transformation -----------------------------------------------
   A stack of transformations from the current coordinates to UOR.  begin
   pushes a copy of the top, end pops (an end without begin does nothing).
   identity and masterUnitsIdentity replace the top; translate and rotate
   compose with it (the new current coordinates are moved or turned within
   the old ones). */
MDLHOST_API void mdlCurrTrans_begin(void);
MDLHOST_API void mdlCurrTrans_end(void);
MDLHOST_API void mdlCurrTrans_identity(void);
/* 1: current coordinates are master units of the active model (scaled by
   its UOR per master unit); 0: UOR. */
MDLHOST_API void mdlCurrTrans_masterUnitsIdentity(int masterUnits);
MDLHOST_API void mdlCurrTrans_translateOrigin(const DPoint3d *origin);
MDLHOST_API void mdlCurrTrans_rotateByRMatrix(const RotMatrix *rotation);
/* One new current unit is scale old ones (scale > 0). */
MDLHOST_API void mdlCurrTrans_scale(double scale);
/* current -> UOR and UOR -> current; out may equal in. */
MDLHOST_API void mdlCurrTrans_transformPointArray(DPoint3d *out, const DPoint3d *in, int numPoints);
MDLHOST_API void mdlCurrTrans_invtransPointArray(DPoint3d *out, const DPoint3d *in, int numPoints);
/* The top as a transform (current -> UOR). */
MDLHOST_API void mdlCurrTrans_getTransform(Transform *transform);

/* --- rotation matrices, transforms, vectors ------------------------------------
   A rotation maps p to form3d * p: its columns are the rotated axes. */
MDLHOST_API void mdlRMatrix_getIdentity(RotMatrix *rMatrix);
/* Rotation by angle (radians, counter-clockwise) about z. */
MDLHOST_API void mdlRMatrix_fromAngle(RotMatrix *rMatrix, double angle);
/* Angle of the rotated x axis in the xy plane (atan2), radians. */
MDLHOST_API double mdlRMatrix_toAngle(const RotMatrix *rMatrix);
/* point := rMatrix * point. */
MDLHOST_API void mdlRMatrix_rotatePoint(DPoint3d *point, const RotMatrix *rMatrix);
/* out := a * b (out may be a or b). */
MDLHOST_API void mdlRMatrix_multiply(RotMatrix *out, const RotMatrix *a, const RotMatrix *b);
/* out := inverse of in; non-zero (out untouched) when in is singular. */
MDLHOST_API int mdlRMatrix_invert(RotMatrix *out, const RotMatrix *in);
MDLHOST_API void mdlRMatrix_transpose(RotMatrix *out, const RotMatrix *in);

MDLHOST_API void mdlTMatrix_getIdentity(Transform *t);
/* t := rotation then translation. */
MDLHOST_API void mdlTMatrix_fromRMatrix(Transform *t, const RotMatrix *rMatrix, const DPoint3d *translation);
MDLHOST_API void mdlTMatrix_translate(Transform *out, const Transform *in, double x, double y, double z);
MDLHOST_API void mdlTMatrix_scale(Transform *out, const Transform *in, double x, double y, double z);
/* out := a * b (b first); out may be a or b. */
MDLHOST_API void mdlTMatrix_multiply(Transform *out, const Transform *a, const Transform *b);
/* non-zero (out untouched) when t is singular. */
MDLHOST_API int mdlTMatrix_invert(Transform *out, const Transform *t);
MDLHOST_API void mdlTMatrix_transformPoint(DPoint3d *point, const Transform *t);
MDLHOST_API void mdlTMatrix_transformPointArray(DPoint3d *points, const Transform *t, int numPoints);

MDLHOST_API double mdlVec_distance(const DPoint3d *a, const DPoint3d *b);
/* Non-zero when a, b and c lie on one line (within a relative 1e-12 of the
   longest side, or all coincide). */
MDLHOST_API int mdlVec_colinear(const DPoint3d *a, const DPoint3d *b, const DPoint3d *c);

/* --- element creation ----------------------------------------------------------
   Each builds a whole element into out (UOR records, Disp_hdr.range set).  A
   template (in, may be null, may be the same buffer as out) gives level,
   graphic group, class and flags, symbology, fill and linkages; without one
   the element has level 0, colour, weight and style 0.  Coordinates carry z
   only in a 3D active model.  On failure the result is non-zero, mdlErrno is
   DGNERR_BADELEMENT (bad count, NaN or infinite value, too long a text) and
   out is untouched. */
MDLHOST_API int mdlLine_create(MSElement *out, const MSElement *in, const DPoint3d points[2]);
/* 2 .. MAX_VERTICES points. */
MDLHOST_API int mdlLineString_create(MSElement *out, const MSElement *in, const DPoint3d *points, int numVerts);
/* 3 .. MAX_VERTICES points; the shape is closed (the first point is appended
   when the last differs).  fillMode 1 fills with the element's colour, 0
   does not fill, -1 keeps the template's fill (none without template). */
MDLHOST_API int mdlShape_create(MSElement *out, const MSElement *in, const DPoint3d *points, int numVerts, int fillMode);
/* 2 .. MAX_CURVE_POINTS given points; the element stores them with two control
   points at each end (numVerts + 4 in all; the control points repeat the end
   points).  The curve passes through the given points. */
#define MAX_CURVE_POINTS (MAX_VERTICES - 4)
MDLHOST_API int mdlCurve_create(MSElement *out, const MSElement *in, const DPoint3d *points, int numVerts);
/* Circular arc (16) about center, in the plane z = center.z, from the
   direction of start to the direction of end, counter-clockwise when
   counterClockwise is non-zero, else clockwise; the radius is the distance
   from center to start.  radius is accepted for the callers' signature and
   only checked to be finite (callers pass it in differing units).  Equal
   directions give a full circle.  Refused when start lies on center. */
MDLHOST_API int mdlArc_createByCenter(MSElement *out, const MSElement *in, const DPoint3d *start, const DPoint3d *center,
                                      const DPoint3d *end, int counterClockwise, double radius);
/* Arc (16) from start through mid to end; refused when the three are
   colinear or two coincide.  The arc's z axis points up (or is the plane's
   normal with z >= 0); a clockwise arc has a negative sweep. */
MDLHOST_API int mdlArc_createByPoints(MSElement *out, const MSElement *in, const DPoint3d *start, const DPoint3d *mid,
                                      const DPoint3d *end);
/* Full circle (15) through three points; refused like the arc. */
MDLHOST_API int mdlCircle_createBy3Pts(MSElement *out, const MSElement *in, const DPoint3d points[3]);
/* Ellipse (15): axes > 0 in current units, rotation null = none; fillMode as
   mdlShape_create. */
MDLHOST_API int mdlEllipse_create(MSElement *out, const MSElement *in, const DPoint3d *center, double axis1,
                                  double axis2, const RotMatrix *rotation, int fillMode);
/* Arc (16) by centre, axes, rotation (null = none), start angle and signed
   sweep (radians, 0 < |sweep| <= 2 pi). */
MDLHOST_API int mdlArc_create(MSElement *out, const MSElement *in, const DPoint3d *center, double axis1, double axis2,
                              const RotMatrix *rotation, double start, double sweep);

/* Text.  Justification codes: left 0 top, 1 middle, 2 bottom; left margin
   3, 4, 5; centre 6, 7, 8; right margin 9, 10, 11; right 12, 13, 14.  The
   origin is the justification point; the box of n characters is n * width
   by height, placed about it by the code. */
#define TEXT_JUST_LEFT_BOTTOM 2
#define TEXT_JUST_CENTER_CENTER 7
#define TEXT_JUST_MAX 14
#define TEXT_FLAG_SLANT 0x100u
typedef struct TextSizeParam {
    double width, height; /* current units */
} TextSizeParam;
/* Parameters of the 8-bit text creation. */
typedef struct TextParam {
    int font;
    int justification;  /* 0 .. 14; -1 = left bottom */
    double aspectRatio; /* width / height, used when size->width is 0 */
    int sizeMode;       /* accepted; sizes always come from the size argument */
    int style[2];       /* text-style words, -1 = none */
} TextParam;
/* Parameters of wide texts and text nodes (also what extraction returns). */
typedef struct TextParamWide {
    TextSizeParam size;
    int font;
    int justification;  /* 0 .. 14; -1 = left bottom */
    double lineSpacing; /* current units; text nodes */
    double slant;       /* radians, used with TEXT_FLAG_SLANT */
    uint32_t flags;     /* TEXT_FLAG_* */
    int style[2];       /* text-style words, -1 = none */
} TextParamWide;
/* 8-bit ISO 8859-1 text (1 .. MDLHOST_MAX_TEXT characters); rotation null =
   none. */
MDLHOST_API int mdlText_create(MSElement *out, const MSElement *in, const char *text, const DPoint3d *origin,
                               const RotMatrix *rotation, const TextSizeParam *size, const TextParam *params);
MDLHOST_API int mdlText_createWide(MSElement *out, const MSElement *in, const char16_t *text, const DPoint3d *origin,
                                   const RotMatrix *rotation, DgnModelRefP model, const TextParamWide *params);
/* A text node (7) with one text per non-empty string, line i placed
   i * (height + lineSpacing) below origin along the rotated y axis; *out gets
   a new descriptor.  Refused when no string has characters. */
MDLHOST_API int mdlTextNode_createWithStrings(MSElementDescr **out, const MSElement *in,
                                              const char16_t *const *strings, int numStrings,
                                              const DPoint3d *origin, const RotMatrix *rotation,
                                              const TextParamWide *params, DgnModelRefP model);
/* Complex chain header: closed 0 gives type 12, 1 gives type 14 (filled
   when fillMode is 1).  No components yet. */
MDLHOST_API int mdlComplexChain_createHeader(MSElement *out, int closed, int fillMode);
/* Cell header (2) without components: name (wide, at most
   MDLHOST_MAX_CELLNAME, null = none), origin, no rotation. */
MDLHOST_API int mdlCell_create(MSElement *out, const char16_t *name, const DPoint3d *origin, int pointCell);
/* A new descriptor from vertices: a line (2 points), line string, or shape
   when closed; more than MAX_VERTICES points give a complex chain or shape
   of pieces that share their end points.  fillMode as mdlShape_create. */
MDLHOST_API int mdlElmdscr_createFromVertices(MSElementDescr **out, const MSElement *in, const DPoint3d *points,
                                              int numVerts, int closed, int fillMode);

/* --- symbology and properties ----------------------------------------------------
   Pointer arguments that are null leave the value unchanged (set) or are not
   filled (get). */
MDLHOST_API int mdlElement_setSymbology(MSElement *el, const uint32_t *color, const uint32_t *weight,
                                        const int32_t *style);
MDLHOST_API int mdlElement_getSymbology(uint32_t *color, uint32_t *weight, int32_t *style, const MSElement *el);
/* Line-style modifiers of a named style: scale and start and end width
   (master units), each used when its bit is in modifiers. */
#define STYLEMOD_SCALE 0x01u
#define STYLEMOD_SWIDTH 0x08u
#define STYLEMOD_EWIDTH 0x10u
#define MDLHOST_LINKAGEID_LINESTYLE 0x4C53 /* the modifiers, a linkage of the element */
typedef struct LineStyleParams {
    uint32_t modifiers; /* STYLEMOD_* */
    uint32_t reserved;
    double scale;
    double startWidth, endWidth;
} LineStyleParams;
/* Sets the style word and replaces the element's modifiers (params null or
   without modifiers: none).  0, or an error with el unchanged. */
MDLHOST_API int mdlElement_setLineStyle(MSElement *el, int32_t style, const LineStyleParams *params);
/* The element's modifiers; DGNERR_NOTFOUND (params zeroed) when it has none. */
MDLHOST_API int mdlElement_getLineStyleParams(LineStyleParams *params, const MSElement *el);
/* By-level values resolved through the element's level in model (0 = the
   active model); a level the model does not know resolves to 0. */
MDLHOST_API int mdlElement_getEffectiveSymbology(uint32_t *color, uint32_t *weight, int32_t *style,
                                                 const MSElement *el, DgnModelRefP model);
/* solidHole: 0 solid, 1 hole. */
MDLHOST_API int mdlElement_setProperties(MSElement *el, const uint32_t *level, const uint32_t *graphicGroup,
                                         const uint32_t *elementClass, const int *locked, const int *isNew,
                                         const int *modified, const int *viewIndependent, const int *solidHole);
MDLHOST_API int mdlElement_getProperties(uint32_t *level, uint32_t *graphicGroup, uint32_t *elementClass,
                                         int *locked, int *isNew, int *modified, int *viewIndependent,
                                         int *solidHole, const MSElement *el);
/* Fills a closed element (shape, complex shape, ellipse) with fillColor. */
MDLHOST_API int mdlElement_setFillColor(MSElement *el, uint32_t fillColor);
/* Non-zero when filled; *fillColor (may be null) gets the colour. */
MDLHOST_API int mdlElement_isFilled(const MSElement *el, uint32_t *fillColor);

/* --- extraction ----------------------------------------------------------------- */
MDLHOST_API int mdlElement_getType(const MSElement *el);
/* Bytes of the element (linkages included). */
MDLHOST_API int mdlElement_size(const MSElement *el);
/* Copies the element's own bytes; non-zero (dst untouched) when src does not
   hold together. */
MDLHOST_API int mdlElement_memcpy(MSElement *dst, const MSElement *src);
/* Stored points of a line, line string, shape, curve (control points
   included) or multi-line work line; points must hold MAX_VERTICES. */
MDLHOST_API int mdlLinear_extract(DPoint3d *points, int *numPoints, const MSElement *el, DgnModelRefP model);
/* Stored point count of those types; 0 for others. */
MDLHOST_API int mdlLinear_getPointCount(const MSElement *el);
/* Point of a linear element closest to point, and the index of the vertex
   that starts its segment (a curve: of its interpolated points). */
MDLHOST_API int mdlLinear_getClosestSegment(DPoint3d *closest, int *segment, const MSElement *el,
                                            const DPoint3d *point);
/* Arc or ellipse: start and end points, start angle, signed sweep, axes,
   rotation and centre.  Any pointer may be null. */
MDLHOST_API int mdlArc_extract(DPoint3d startEnd[2], double *start, double *sweep, double *axis1, double *axis2,
                               RotMatrix *rotation, DPoint3d *center, const MSElement *el);
/* Text: the string as ISO 8859-1 (cut to stringSize - 1; characters beyond
   8 bits become '?'), the user origin, rotation, parameters and the extent of
   its box (x along the baseline, y up).  Any pointer may be null. */
MDLHOST_API int mdlText_extract(char *string, int stringSize, DPoint3d *origin, RotMatrix *rotation,
                                TextParamWide *params, TextSizeParam *extent, const MSElement *el);
MDLHOST_API int mdlText_extractWide(char16_t *string, int maxChars, DPoint3d *origin, RotMatrix *rotation,
                                    TextParamWide *params, TextSizeParam *extent, const MSElement *el);
/* The four corners of a text's box: lower left, lower right, upper right,
   upper left. */
MDLHOST_API int mdlText_extractShape(DPoint3d corners[4], const MSElement *el);
MDLHOST_API int mdlTextNode_extract(DPoint3d *origin, RotMatrix *rotation, TextParamWide *params,
                                    const MSElement *el);
/* The stored range (UOR, not transformed). */
MDLHOST_API int mdlElement_extractRange(DRange3d *range, const MSElement *el);

/* --- linkages ------------------------------------------------------------------
   See mdldgn.h for the header word. */
/* Sets the length of hdr to words (the whole linkage, header included):
   2 .. 2048, or a multiple of 4 up to 8192 (then LINKAGE_LONG).  Other bits
   stay.  Non-zero when words cannot be expressed. */
MDLHOST_API int mdlLinkage_setWords(LinkageHeader *hdr, int words);
/* Words of the linkage whose header is hdr. */
MDLHOST_API int mdlLinkage_getWords(const LinkageHeader *hdr);
/* Appends hdr followed by (words - 2) * 2 bytes of data to el; non-zero (el
   unchanged) when the element would exceed MAX_ELEMENT_WORDS. */
MDLHOST_API int mdlLinkage_appendToElement(MSElement *el, const LinkageHeader *hdr, const void *data);
/* The index-th (from 0) linkage of el with primary id linkageId (-1: any):
   *linkage points at its header word inside el, *words gets its length.
   Non-zero when there is none.  Iterate with index 0, 1, ... */
MDLHOST_API int mdlLinkage_findByID(const uint16_t **linkage, int *words, const MSElement *el, int linkageId,
                                    int index);
/* Removes every linkage with that id; returns how many. */
MDLHOST_API int mdlLinkage_deleteByID(MSElement *el, int linkageId);
/* Copies all attribute words of el (at most maxWords) into words; *numWords
   gets the count.  Non-zero when they do not fit. */
MDLHOST_API int mdlElement_extractAttributes(int *numWords, uint16_t *words, int maxWords, const MSElement *el);
/* Appends numWords 16-bit words of whole linkages.  Non-zero, el unchanged,
   when they are not whole linkages or the element would grow past
   MAX_ELEMENT_WORDS. */
MDLHOST_API int mdlElement_appendAttributes(MSElement *el, int numWords, const uint16_t *words);
/* out := in without attribute data (a cell keeps name and description);
   out may be in. */
MDLHOST_API int mdlElement_stripAttributes(MSElement *out, const MSElement *in);
/* The same on the top element of a descriptor. */
MDLHOST_API int mdlElmdscr_extractAttributes(int *numWords, uint16_t *words, int maxWords,
                                             const MSElementDescr *dscr);
MDLHOST_API int mdlElmdscr_appendAttributes(MSElementDescr *dscr, int numWords, const uint16_t *words);
MDLHOST_API int mdlElmdscr_stripAttributes(MSElementDescr *dscr);

/* --- descriptors in memory -------------------------------------------------------
   A descriptor chain is freed as a whole by mdlElmdscr_freeAll.  Appending
   under a header marks the components with ELM_COMPLEX_BIT and keeps the
   header's numComponents, totalWords and range. */
/* *dscr := a new node holding a copy of el; with header non-null the node is
   appended as header's last component. */
MDLHOST_API int mdlElmdscr_new(MSElementDescr **dscr, MSElementDescr *header, const MSElement *el);
/* A copy of el at the end: as a component when dscr is a header, otherwise
   as the last sibling of its chain. */
MDLHOST_API int mdlElmdscr_appendElement(MSElementDescr *dscr, const MSElement *el);
/* Moves the chain append (owned from now on) to the end of dscr as
   mdlElmdscr_appendElement does. */
MDLHOST_API int mdlElmdscr_appendDscr(MSElementDescr *dscr, MSElementDescr *append);
/* Frees *dscr, its components and its following siblings; *dscr := null. */
MDLHOST_API void mdlElmdscr_freeAll(MSElementDescr **dscr);
/* A deep copy of in and its following siblings. */
MDLHOST_API int mdlElmdscr_duplicate(MSElementDescr **out, const MSElementDescr *in);
/* Puts a copy of el in place of (*dscr)'s element; the components stay. */
MDLHOST_API int mdlElmdscr_replaceElement(MSElementDescr **dscr, const MSElement *el);

/* Element operations: flags choose what the walk reports; the walk covers
   dscr and its following siblings, components at any depth. */
#define ELMD_ELEMENT 0x1u  /* every element that is not a header, operation 1 */
#define ELMD_COMPONENTS 0x2u /* accepted; components are always walked */
#define ELMD_HEADER 0x8u   /* every header (the top included) before its components, operation 8 */
/* Returns non-zero to stop the walk. */
typedef int (*MdlElementOperationFunc)(MSElement *element, void *arg, int operation, MSElementDescr *elemDscr);
/* 0, or the callback's non-zero result that stopped the walk. */
MDLHOST_API int mdlElmdscr_operation(MSElementDescr *dscr, MdlElementOperationFunc fn, void *arg, unsigned flags);

/* Modification callbacks: the element may be changed in place; the result
   tells what was done. */
#define MODIFY_STATUS_NOCHANGE 0x00
#define MODIFY_STATUS_MODIFY 0x01
#define MODIFY_STATUS_ERROR 0x02
#define MODIFY_STATUS_DELETE 0x04
#define MODIFY_STATUS_ABORT 0x08    /* stop the walk */
#define MODIFY_STATUS_REPLACEDSCR 0x10 /* replace the element (and its components) by *newDscr */
typedef int (*MdlModifyElementFunc)(MSElement *element, void *arg, DgnModelRefP model, MSElementDescr *elemDscr,
                                    MSElementDescr **newDscr);
/* Calls fn for every element of *dscr (header and components, depth first);
   deleted elements leave the tree, replaced ones take the new descriptor's
   place; counts and ranges are kept.  *dscr becomes null when the top is
   deleted.  Returns the or-ed statuses. */
MDLHOST_API int mdlModify_elementDescr(MSElementDescr **dscr, DgnModelRefP model, MdlModifyElementFunc fn,
                                       void *arg);
MDLHOST_API int mdlModify_elementDescr2(MSElementDescr **dscr, DgnModelRefP model, MdlModifyElementFunc fn,
                                        void *arg);
/* Reads the element at pos of model, calls fn once with its top element and
   descriptor, then rewrites (MODIFY, REPLACEDSCR) or deletes (DELETE) it in
   the file.  Returns the callback's status, or a negative error. */
MDLHOST_API int mdlModify_elementSingle(DgnModelRefP model, uint32_t pos, MdlModifyElementFunc fn, void *arg);

/* *out := a new descriptor with the direction reversed (lines, line strings,
   shapes, curves, arcs, complex chains and shapes).  in stays. */
MDLHOST_API int mdlElmdscr_reverse(MSElementDescr **out, const MSElementDescr *in, DgnModelRefP model);
/* *out := a new descriptor with every z 0 (2D), or every z := height (UOR)
   and the 3D flag set. */
MDLHOST_API int mdlElmdscr_convertTo2D(MSElementDescr **out, const MSElementDescr *in, DgnModelRefP model);
MDLHOST_API int mdlElmdscr_convertTo3D(MSElementDescr **out, const MSElementDescr *in, DgnModelRefP model,
                                       double height);
/* Fill of the top element (closed types); fillColor null = its colour. */
MDLHOST_API int mdlElmdscr_addFill(MSElementDescr *dscr, const uint32_t *fillColor);
MDLHOST_API int mdlElmdscr_stripFill(MSElementDescr *dscr);
/* Applies t (UOR to UOR) to every element of dscr, its components and its
   following siblings; ellipses, texts and shared cells keep orthonormal
   rotations and take the scale into their axes and sizes. */
MDLHOST_API int mdlElmdscr_transform(MSElementDescr *dscr, const Transform *t);
/* Sets component flags, header counts and every range of dscr and its
   following siblings; non-zero when an element does not hold together. */
MDLHOST_API int mdlElmdscr_validate(MSElementDescr *dscr, DgnModelRefP model);
MDLHOST_API int mdlElmdscr_setRange(MSElementDescr *dscr, DgnModelRefP model);
/* UOR range of the descriptor (header and components). */
MDLHOST_API int mdlElmdscr_getRange(DRange3d *range, const MSElementDescr *dscr);
/* First and last point of a linear element, arc, curve or complex chain. */
MDLHOST_API int mdlElmdscr_extractEndPoints(DPoint3d *start, DPoint3d *end, const MSElementDescr *dscr,
                                            DgnModelRefP model);
/* Strokes a line, line string, shape, arc, ellipse, curve, complex chain or
   complex shape into one polyline (closed ones repeat their first point)
   with chords no farther than tolerance (current units; <= 0: a default)
   from the curve.  *points is allocated with dlmSystem_mdlMalloc (free with
   dlmSystem_mdlFree); any length. */
MDLHOST_API int mdlElmdscr_stroke(DPoint3d **points, int *numPoints, const MSElementDescr *dscr, double tolerance);

/* --- measurement ------------------------------------------------------------------
   Lengths, areas and points in current units. */
/* Closed descriptor (shape, complex shape, ellipse, or a cell of closed
   solids and holes): perimeter, area and centroid (any may be null). */
MDLHOST_API int mdlMeasure_areaProperties(double *perimeter, double *area, DPoint3d *centroid,
                                          const MSElementDescr *dscr, double tolerance);
/* Total length of the linear elements of a descriptor; centroid may be null. */
MDLHOST_API int mdlMeasure_linearProperties(double *length, DPoint3d *centroid, const MSElementDescr *dscr,
                                            double tolerance);
/* Area (of the projection to the polygon's plane) and perimeter of a closed
   point list, in the units of the points; 3 or more points. */
MDLHOST_API int mdlMeasure_polygonArea(double *area, double *perimeter, const DPoint3d *points, int numPoints);

/* --- growable arrays ----------------------------------------------------------------- */
typedef struct MdlDArray MdlDArray;
/* memberSize 1 .. 65536 bytes; null on a bad size. */
MDLHOST_API MdlDArray *mdlDArray_create(int memberSize);
MDLHOST_API void mdlDArray_destroy(MdlDArray *array);
MDLHOST_API int mdlDArray_getCount(const MdlDArray *array);
/* Inserts a copy of member before index (-1 or the count: at the end);
   returns its index, -1 on failure. */
MDLHOST_API int mdlDArray_insertMember(MdlDArray *array, const void *member, int index);
MDLHOST_API int mdlDArray_setMember(MdlDArray *array, const void *member, int index);
MDLHOST_API int mdlDArray_deleteMember(MdlDArray *array, int index);
/* Pointer to member index, null when out of range; valid until the array
   changes size. */
MDLHOST_API void *mdlDArray_getMemberP(MdlDArray *array, int index);

#ifdef __cplusplus
}
#endif

#endif
