/* Elements made with an attribute set, symbology by level, copies without
   attribute data, element descriptors (range, fitting, drawing into a
   dialog) and the library's user data on elements. */
#ifndef ZVLIB_ELEMENT_H
#define ZVLIB_ELEMENT_H

#include <stdint.h>

#ifndef __cplusplus
#include <uchar.h>
#endif

#include "mdlhost.h"
#include "zvlib_common.h"

#ifdef __cplusplus
extern "C" {
#endif

/* --- elements ----------------------------------------------------------------
   Each creation function builds its element into the library's element
   buffer (zvlibElement_getElementBuffer), applies attribute attrId with
   zvlibElmAttr_setSymbologyAndProperties, and appends a copy to dscr when
   it is not null (a component of a header, else the chain's last sibling).
   Points and lengths are in the current coordinates.  Returns 0, or
   ZVLIB_FAILURE when the host refuses the element, the attribute is not
   registered or cannot be applied, or the append fails (the buffer keeps
   what it held unless only the append failed). */

/* The element the creation functions built last; valid until the next. */
ZVLIB_API MSElement *zvlibElement_getElementBuffer(void);

ZVLIB_API int zvlibElement_createLine(const DPoint3d points[2], int attrId, MSElementDescr *dscr);
ZVLIB_API int zvlibElement_createLineString(const DPoint3d *points, int count, int attrId, MSElementDescr *dscr);
/* A circular arc without rotation: angles in radians, sweep signed. */
ZVLIB_API int zvlibElement_createArc(const DPoint3d *centre, double radius, double startAngle, double sweepAngle,
                                     int attrId, MSElementDescr *dscr);
/* The arguments of mdlArc_createByCenter. */
ZVLIB_API int zvlibElement_createArcByCenter(const DPoint3d *start, const DPoint3d *centre, const DPoint3d *end,
                                             int counterClockwise, double radius, int attrId, MSElementDescr *dscr);
/* A circle, not filled. */
ZVLIB_API int zvlibElement_createEllipse(const DPoint3d *centre, double radius, int attrId, MSElementDescr *dscr);
/* A circle; fillMode as mdlEllipse_create. */
ZVLIB_API int zvlibElement_createEllipseExtended(const DPoint3d *centre, double radius, int fillMode, int attrId,
                                                 MSElementDescr *dscr);
ZVLIB_API int zvlibElement_createShape(const DPoint3d *points, int count, int fillMode, int attrId,
                                       MSElementDescr *dscr);
/* A text with the text settings of attribute attrId divided by scale, at
   origin (null: 0), in the active model; justification (null: the
   attribute's) is used for this text only.  ZVLIB_FAILURE also for an
   unknown attribute or a scale that is not above 0. */
ZVLIB_API int zvlibElement_createText(const DPoint3d *origin, const char *text, double scale, const int *justification,
                                      int attrId, MSElementDescr *dscr);

/* Colour, weight and style by level.  0 or ZVLIB_FAILURE. */
ZVLIB_API int zvlibElement_setSymbologyByLevel(MSElement *el);
/* The element colour, weight and style of level levelId in the active
   model become the element's.  0 or ZVLIB_FAILURE (el unchanged). */
ZVLIB_API int zvlibElement_setSymbologyFromLevel(MSElement *el, uint32_t levelId);
/* out := el without the library's user-data linkages; out may be el.
   0 or ZVLIB_FAILURE (out untouched). */
ZVLIB_API int zvlibElement_stripAttributes(MSElement *out, const MSElement *el);
/* out := el without any attribute data; a cell keeps its name and
   description; out may be el.  0 or ZVLIB_FAILURE. */
ZVLIB_API int zvlibElement_stripAttributes2(MSElement *out, const MSElement *el);

/* --- element descriptors ------------------------------------------------------ */

/* The UOR range of dscr (its tree).  0 or ZVLIB_FAILURE. */
ZVLIB_API int zvlibElemDscr_getRange(DPoint3d *low, DPoint3d *high, const MSElementDescr *dscr);
/* Scales dscr uniformly about the design origin so that its range fits the
   rectangle whose lower-left corner is rectangle[0] and upper-right corner
   rectangle[2] (the units of the element records); with centre non-zero it
   is then moved so that its range is centred in the rectangle.  A range
   narrower than 0.001 counts as 0.0001, a rectangle of no width or height
   as 1.  0 or ZVLIB_FAILURE (dscr unchanged). */
ZVLIB_API int zvlibElemDscr_placeElementDescr(const DPoint3d *rectangle, int centre, MSElementDescr *dscr);
/* Draws dscr (and its following siblings) into rect of dialog db as seen
   from the top, fitted to its range and centred: lines, line strings,
   shapes, curves, arcs and ellipses as polylines, texts as their text at
   the lower-left corner of their box.  colour -1 keeps each element's
   (effective) colour.  displayParams is accepted for the callers; the
   drawing takes none.  0 or ZVLIB_FAILURE (a dialog that is not open, no
   range). */
ZVLIB_API int zvlibElemDscr_drawElementDescr(MSDialog *db, const BSIRect *rect, MSElementDescr *dscr,
                                             const void *displayParams, int colour);

/* --- user data ------------------------------------------------------------------
   A user-data linkage of id ZVLIB_USERDATA_ID: header word (length and the
   user-data bit), id, i16 type, i16 value, then the data padded with zero
   bytes to ((bytes + 1) / 2 + 7) / 4 * 4 words in all. */
#define ZVLIB_USERDATA_ID 20275
#define ZVLIB_USERDATA_MAX 8188 /* data bytes */
/* Data bytes extraction reports for the largest linkage the library writes
   (2 x 4100 words - 8): what a buffer for any of its user data holds. */
#define ZVLIB_USERDATA_EXTRACT_MAX 8192
/* Plot fences carry user data of this type. */
#define ZVLIB_USERDATA_PLOTFENCE 6

/* Appends the linkage to el.  type and value are 16-bit.  Returns 0, or
   ZVLIB_FAILURE with el unchanged: more than ZVLIB_USERDATA_MAX bytes
   (after "Userdata er for stor. buffersize=%d\n" on the text window), a
   type or value outside 16 bits, or an element that would grow too large. */
ZVLIB_API int zvlibAttrib_appendElementUserData(int type, int value, MSElement *el, const void *data, int bytes);
/* The element's first user-data linkage (a linkage of the id without the
   user-data bit, or too short or too long to be the library's, is skipped
   as foreign): when its type is type, *value gets its value, *bytes the
   data bytes it holds (2 x its words - 8, padding included: 16 for 10
   stored bytes) and data that many bytes, at most capacity.  Returns 0, or
   ZVLIB_FAILURE (nothing written) when there is none or its type differs. */
ZVLIB_API int zvlibAttrib_extractElementUserDataExtended(const MSElement *el, int type, int *value, void *data,
                                                         int capacity, int *bytes);
/* The same with a data buffer of ZVLIB_USERDATA_EXTRACT_MAX bytes. */
ZVLIB_API int zvlibAttrib_extractElementUserData(const MSElement *el, int type, int *value, void *data, int *bytes);

#ifdef __cplusplus
}
#endif

#endif
