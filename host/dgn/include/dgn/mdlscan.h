/* Scans of design files, views, the fence, and clipping against it.
   Positions and element records are those of mdldgn.h; points given to or
   returned by these functions are in the current coordinates (mdlCurrTrans_*),
   records hold UOR.  Results: 0 = success, an error (DGNERR_*, mdlErrno set)
   otherwise, unless stated. */
#ifndef MDLHOST_SCAN_H
#define MDLHOST_SCAN_H

#include <stdint.h>

#include "dgn/mdldgn.h"
#include "base/host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* --- element type masks --------------------------------------------------------
   Bit t of the 256 bits selects element type t; a mask of zeros selects every
   type. */
#define MDLSCAN_MASK_WORDS 8
#define MDLSCAN_MASK_SET(mask, type) ((mask)[((unsigned)(type) & 0xFFu) >> 5] |= 1u << ((unsigned)(type) & 31u))
#define MDLSCAN_MASK_HAS(mask, type) (((mask)[((unsigned)(type) & 0xFFu) >> 5] >> ((unsigned)(type) & 31u)) & 1u)

/* Results of the scans besides 0 and errors. */
#define MDLSCAN_END 10 /* the scan has given every element it will give */

/* --- scan criteria -------------------------------------------------------------
   A scan of one model (default: the active model at the time of the scan) for
   top-level elements that are not deleted, in position order.  Tests left
   unset pass every element. */
typedef struct MdlScanCriteria MdlScanCriteria;
/* Descriptor callback: the descriptor (h.filePos and h.dgnModelRef set) is
   freed by the scan when the callback returns; non-zero stops the scan. */
typedef int (*MdlScanDscrFunc)(MSElementDescr *dscr, void *arg, MdlScanCriteria *criteria);
/* Element callback: the element as mdlElement_read gives it (a header
   without its components); non-zero stops the scan. */
typedef int (*MdlScanElementFunc)(MSElement *el, uint32_t pos, void *arg, MdlScanCriteria *criteria);

#define MDLSCAN_RETURN_POSITIONS 0 /* mdlScanCriteria_scan fills a position array */
#define MDLSCAN_RETURN_ELEMENT 1   /* the element callback */
#define MDLSCAN_RETURN_ELMDSCR 2   /* the descriptor callback */

/* Null when memory runs out. */
MDLHOST_API MdlScanCriteria *mdlScanCriteria_create(void);
/* Frees *criteria and sets it to null; a null pointer is ignored. */
MDLHOST_API void mdlScanCriteria_free(MdlScanCriteria **criteria);
/* 0 (MDLHOST_NO_MODEL) scans the active model of the moment. */
MDLHOST_API int mdlScanCriteria_setModel(MdlScanCriteria *criteria, DgnModelRefP model);
/* mask: words of a type mask (at most MDLSCAN_MASK_WORDS are read); null or
   words 0 passes every type. */
MDLHOST_API int mdlScanCriteria_setElementTypeTest(MdlScanCriteria *criteria, const uint32_t *mask, int words);
/* Level ids; count 0 passes every level.  DGNERR_BADELEMENT when count is
   negative or above MDLSCAN_MAX_LEVELS. */
#define MDLSCAN_MAX_LEVELS 256
MDLHOST_API int mdlScanCriteria_setLevelTest(MdlScanCriteria *criteria, const uint32_t *levels, int count);
/* enable 0 passes every graphic group. */
MDLHOST_API int mdlScanCriteria_setGraphicGroupTest(MdlScanCriteria *criteria, int enable, uint32_t graphicGroup);
/* Elements whose range overlaps range in x and y pass; null passes all.
   range is in current coordinates. */
MDLHOST_API int mdlScanCriteria_setRangeTest(MdlScanCriteria *criteria, const DRange3d *range);
/* One of MDLSCAN_RETURN_*; a new criteria returns positions. */
MDLHOST_API int mdlScanCriteria_setReturnType(MdlScanCriteria *criteria, int returnType);
MDLHOST_API int mdlScanCriteria_setElmDscrCallback(MdlScanCriteria *criteria, MdlScanDscrFunc fn, void *arg);
MDLHOST_API int mdlScanCriteria_setElementCallback(MdlScanCriteria *criteria, MdlScanElementFunc fn, void *arg);
/* Runs the scan.
   Positions: fills positions with up to max positions (*count of them) and
   returns 0 when more may follow, MDLSCAN_END when the scan is complete; the
   next call goes on after the last position given.  Any change of a test
   restarts the scan from the first position.
   Callbacks: calls the callback for each element and returns 0 when every
   element was visited, else the first non-zero callback result.  The
   callback may read, add, rewrite and delete elements.
   Errors: DGNERR_NOMODEL without an open model, DGNERR_BADELEMENT for a
   callback type without its callback or a position scan without an array. */
MDLHOST_API int mdlScanCriteria_scan(MdlScanCriteria *criteria, uint32_t *positions, int max, int *count);

/* --- the running position scan ---------------------------------------------------
   One scan at a time runs through mdlScan_initialize and mdlScan_file; a scan
   nested inside it saves the running one's context first and restores it
   after. */
typedef struct Scanlist {
    uint32_t typeMask[MDLSCAN_MASK_WORDS]; /* zeros: every type */
    uint32_t levels[MDLSCAN_MAX_LEVELS];
    int levelCount;                        /* 0: every level */
    int useGraphicGroup;
    uint32_t graphicGroup;
    int useRange;
    DRange3d range;                        /* UOR; x and y are tested */
} Scanlist;
typedef struct MdlScanContext {
    DgnModelRefP model; /* MDLHOST_NO_MODEL: no scan */
    uint32_t nextPos;   /* first position not given yet; 0 when complete */
    Scanlist list;
} MdlScanContext;
/* Starts the running scan of model (0: the active model) with the tests of
   list (null: every element).  0, DGNERR_NOMODEL or DGNERR_BADELEMENT (a
   level count outside 0 to MDLSCAN_MAX_LEVELS). */
MDLHOST_API int mdlScan_initialize(DgnModelRefP model, const Scanlist *list);
/* Up to max positions of the running scan into positions (*count of them);
   0 when more may follow, MDLSCAN_END when the scan is complete (*count may
   still be above 0), an error without a running scan. */
MDLHOST_API int mdlScan_file(uint32_t *positions, int max, int *count);
MDLHOST_API int mdlScan_saveContext(MdlScanContext *context);
/* 0, or DGNERR_BADELEMENT for a context with a bad level count. */
MDLHOST_API int mdlScan_restoreContext(const MdlScanContext *context);

/* --- views ---------------------------------------------------------------------
   Eight views, 0 to 7.  A view shows the box origin + rotation^T * [0, delta]:
   origin is the world (UOR) point of its low corner, delta its size along
   the view's axes, rotation the rows of the view axes in world coordinates
   (the rows of identity: a top view).  A new session has views 0 to 3 open,
   4 to 7 closed, all top views of 0..1000000 UOR. */
#define MDLHOST_NUM_VIEWS 8
typedef struct MdlViewExtent {
    DPoint3d origin; /* UOR */
    DPoint3d delta;  /* UOR, along the view axes, each >= 0 */
    RotMatrix rotation;
} MdlViewExtent;
/* Non-zero when view is open; 0 for closed views and numbers outside 0-7. */
MDLHOST_API int mdlView_isVisible(int view);
MDLHOST_API int mdlhost_viewSetOpen(int view, int open);
MDLHOST_API int mdlhost_viewGetExtent(int view, MdlViewExtent *extent);
/* DGNERR_BADELEMENT for a negative delta or a rotation that is not
   orthonormal. */
MDLHOST_API int mdlhost_viewSetExtent(int view, const MdlViewExtent *extent);
/* Back to the state of a new session (tests). */
MDLHOST_API void mdlhost_viewsReset(void);
/* Fits an open view to the range of the active model (the whole range seen
   along the view's axes); options is not used.  0, DGNERR_NOTFOUND for a
   closed view or one outside 0-7, DGNERR_NOMODEL when the model has no
   elements (the view stays as it was). */
MDLHOST_API int mdlView_fit(int view, int options);
/* Redraws an open view: every application's view-update hook
   (MDLHOST_HOOK_VIEWUPDATE) is called for each top-level element of the
   active model whose range meets the view, and then for each of its
   components, in position order.  0, or DGNERR_NOTFOUND for a closed view. */
MDLHOST_API int mdlView_updateSingle(int view);
/* Draws a descriptor (and its components) into every open view its range
   meets, through the view-update hooks as a redraw does; drawMode is not
   used.  0, or DGNERR_BADARG without a descriptor. */
MDLHOST_API int mdlElmdscr_display(MSElementDescr *dscr, DgnModelRefP model, int drawMode);
/* The first open view whose box holds point (current coordinates) in its x
   and y; -1 when none. */
MDLHOST_API int mdlhost_viewAtPoint(const DPoint3d *point);

/* View-update hook (mdlSystem_setFunction kind MDLHOST_HOOK_VIEWUPDATE):
     int fn(MSElement *el, int mode, MdlViewDisplayData *data, int view,
            MSElementDescr *dscr, DgnModelRefP model)
   el is dscr's element (a component has ELM_COMPLEX_BIT); mode is
   MDLHOST_VIEWUPDATE_NORMAL for the normal pass; the result is ignored. */
#define MDLHOST_HOOK_VIEWUPDATE 5
#define MDLHOST_VIEWUPDATE_NORMAL 0
typedef struct MdlViewDisplayData {
    uint32_t flags; /* MDLHOST_DISPLAY_* */
    uint32_t reserved;
} MdlViewDisplayData;
#define MDLHOST_DISPLAY_DRAW 0x1u /* the element is drawn (not erased) */

/* --- the fence -----------------------------------------------------------------
   One fence for the session: a closed polygon in a view, held in UOR.  Its
   inside is what the view shows inside the polygon (the polygon is seen
   along the view's axes). */
MDLHOST_API int mdlFence_isDefined(void);
/* View of the fence, -1 without one. */
MDLHOST_API int mdlFence_getViewIndex(void);
/* The fence := the polygon of points (current coordinates; closed or not;
   3 to MAX_VERTICES - 1 distinct points, so that its closed shape fits an
   element) in view.  A polygon that crosses itself keeps every lobe as
   inside.  0, DGNERR_BADELEMENT for too few or too many points or a polygon
   without area, DGNERR_NOTFOUND for a view outside 0-7.  A refused call
   keeps the fence as it was. */
MDLHOST_API int mdlFence_fromPoints(const DPoint3d *points, int count, int view);
/* The fence := the vertices of a shape (6) or line string (4) element. */
MDLHOST_API int mdlFence_fromShape(const MSElement *shape, int view);
/* The fence := the rectangle that the view shows. */
MDLHOST_API int mdlFence_fromView(int view);
/* A shape element (6, closed, UOR, level 0, symbology 0) of the fence into
   shape; DGNERR_NOTFOUND without a fence. */
MDLHOST_API int mdlFence_toShape(MSElement *shape);
/* The fence's points (current coordinates, closed: the last repeats the
   first) into points, *count of them; DGNERR_NOTFOUND without a fence,
   DGNERR_FILEFULL when they do not fit in max. */
MDLHOST_API int mdlFence_getPoints(DPoint3d *points, int *count, int max);
/* Removes the fence; harmless without one. */
MDLHOST_API void mdlFence_clear(void);

/* The element selection of fence processing.  Candidates are taken before
   the first call: the top-level elements of the active model that mode
   selects (below), of the types in typeMask (null: every type), locked ones
   only with allowLocked.  Then fn runs once per candidate; candidates
   deleted meanwhile are skipped and elements added meanwhile are not
   visited.
     INSIDE   elements wholly inside the fence
     OVERLAP  elements inside or crossing it
     CLIP     elements inside, and for each element crossing it the inside
              part: each piece of mdlClip_element's inside chain is added to
              the active model and visited at its new position (the element
              itself is left as it is); a crossing cell or text node, which
              the clip does not cut, is visited whole
   fn returns non-zero to stop; that value is returned, else 0.  Errors:
   DGNERR_NOTFOUND without a fence, DGNERR_NOMODEL without an active model. */
#define MDLFENCE_INSIDE 0
#define MDLFENCE_OVERLAP 1
#define MDLFENCE_CLIP 2
typedef int (*MdlFenceContentFunc)(uint32_t pos, DgnModelRefP model, void *arg);
MDLHOST_API int mdlhost_fenceProcess(int mode, const uint32_t *typeMask, int allowLocked, MdlFenceContentFunc fn,
                                     void *arg);

/* The fence command.  mdlState_startFenceCommand makes content the
   function that fence processing calls per element: it takes the element
   from mdlElement_getFilePos(FILEPOS_CURRENT, &model), which the host sets
   before each call.  The start resets the locate settings (every type, no
   locked elements); the element types and the lock rule are those in force
   when the fence is processed, the selection mode comes from the fence
   locks (LOCK_FENCE_CLIP: clip, else LOCK_FENCE_OVERLAP: overlap, else
   inside).  dataPoint is what a data point in the view would call; with no
   screen, the application calls mdlFence_process itself.  The other
   functions and numbers are kept for the callers' signature.  The command
   stays until another one starts (mdlhost_fenceCommandClear). */
typedef int (*MdlFenceStateFunc)(void);
MDLHOST_API int mdlState_startFenceCommand(MdlFenceStateFunc content, MdlFenceStateFunc outline,
                                           MdlFenceStateFunc dataPoint, MdlFenceStateFunc reset, int messageIndex,
                                           int promptIndex, int modifyFlags);
/* 1 while a fence command has been started and not cleared. */
MDLHOST_API int mdlhost_fenceCommandActive(void);
MDLHOST_API void mdlhost_fenceCommandClear(void);
/* Locate settings of the running fence command: no locked elements (the
   default) or locked ones too; the element types it may take (count 0:
   every type; types outside 0-255 are ignored). */
MDLHOST_API void mdlLocate_noElemNoLocked(void);
MDLHOST_API void mdlLocate_allowLocked(void);
MDLHOST_API void mdlLocate_setElemSearchMask(int count, const int *types);
/* Runs the fence command's content function over the fence's selection
   (mdlhost_fenceProcess with the command's mode, types and lock rule; a
   clipped piece is appended to the active model at or beyond the end
   position taken before).  param is kept for the callers' signature.
   0, the content function's non-zero result that stopped it, or an error:
   DGNERR_BADARG without a fence command, DGNERR_NOTFOUND without a fence. */
MDLHOST_API int mdlFence_process(int param);

/* The element a data point at point (current coordinates) in view locates
   in the active model, as the host's element locate does: of the top-level
   elements that pass the locate settings in force (types, locked ones),
   those within tolerance (current coordinates) of the point as the view
   sees it, the nearest; of several as near, the newest.  It becomes the
   current element (mdlElement_getFilePos(FILEPOS_CURRENT)).  0 with *pos
   set; DGNERR_NOTFOUND when none is near enough or the view is not 0-7,
   DGNERR_NOMODEL without an active model, DGNERR_BADARG for a point or
   tolerance that is not finite and positive. */
MDLHOST_API int mdlhost_locateElement(uint32_t *pos, const DPoint3d *point, double tolerance, int view);

/* --- clipping ------------------------------------------------------------------ */
typedef struct MdlClipDescr MdlClipDescr;
/* A clip descriptor of the current fence (a copy: later fence changes do
   not touch it).  DGNERR_NOTFOUND without a fence. */
MDLHOST_API int mdlClip_getFence(MdlClipDescr **clip);
/* Frees *clip and sets it to null; a null pointer is ignored. */
MDLHOST_API void mdlClip_free(MdlClipDescr **clip);

/* Where a descriptor lies against the clip polygon (boundary included in
   the inside).  A point is a zero-length line.  A crossing element gives
   MDLCLIP_CROSSING when overlapAllowed, else MDLCLIP_OUTSIDE, so that the
   result reads as "selected" either way.  view is the clip's view (the
   projection is the one of the fence's view).  Negative: an error. */
#define MDLCLIP_OUTSIDE 0
#define MDLCLIP_INSIDE 1
#define MDLCLIP_CROSSING 2
MDLHOST_API int mdlClip_isElemInside(const MSElementDescr *dscr, const MdlClipDescr *clip, int view,
                                     int overlapAllowed);

/* Splits dscr at the clip polygon into two chains of new descriptors (linked
   by h.next; free each with mdlElmdscr_freeAll), null when a side is empty;
   either out pointer may be null when that side is not wanted.
   - an element wholly inside gives a copy inside, wholly outside a copy
     outside;
   - lines, line strings and shapes give one element per maximal run on
     each side: a line for 2 points, a line string for more; the crossing
     points are computed once and shared by the pieces on both sides;
   - curves give curves: the kept points with the first and the last one
     repeated as the two control points at each end;
   - arcs and ellipses give arcs;
   - complex chains and shapes give one complex chain per run of pieces;
   - texts and shared cells go whole to the side of their origin;
   - a crossing cell or text node is refused (DGNERR_BADELEMENT).
   Pieces keep the source's header and symbology; under the linkage mode
   "duplicate" every simple piece carries a copy of its source element's
   attribute data, otherwise none.  model and view are taken for the
   callers' signature: the projection is the clip's view.  0 or an error
   (nothing is returned then); DGNERR_BADELEMENT for records that do not
   hold together. */
MDLHOST_API int mdlClip_element(MSElementDescr **inside, MSElementDescr **outside, const MSElementDescr *dscr,
                                DgnModelRefP model, const MdlClipDescr *clip, int view);

/* Database linkage mode of the host: what copies made by the host (clip
   pieces) keep.  mode "none" or "duplicate" (case ignored) sets it; null
   only asks.  Returns the mode in force afterwards, -1 (unchanged) for an
   unknown mode.  A new session runs under "none". */
#define MDLDB_LINKAGE_NONE 0
#define MDLDB_LINKAGE_DUPLICATE 1
MDLHOST_API int mdlDB_activeLinkageMode(const char *mode);

#ifdef __cplusplus
}
#endif

#endif
