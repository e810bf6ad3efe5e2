/* Cells: where the cell libraries are, attaching a library when needed,
   listing, drawing and merging cells. */
#ifndef ZVLIB_CELL_H
#define ZVLIB_CELL_H

#ifndef __cplusplus
#include <uchar.h>
#endif

#include "mdlhost.h"
#include "zvlib_common.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Cell libraries: along configuration variable ZV_CELL (a search path)
   when it is defined, else in ZVLIB_CELL_DIR under ZV_DIR, else in
   ZVLIB_CELL_DEFAULT_DIR; default extension ZVLIB_CELL_EXTENSION. */
#define ZVLIB_CELL_DIR "cell\\"
#define ZVLIB_CELL_DEFAULT_DIR "c:\\fennvik\\cell\\"
#define ZVLIB_CELL_EXTENSION "cel"

/* The path of cell library fileName into path (MDLHOST_MAXFILELENGTH
   bytes): found along ZV_CELL (the extension added when it has none), else
   the cell directory followed by fileName, which must exist.  Returns 0,
   or ZVLIB_FAILURE with path "". */
ZVLIB_API int zvlibCell_getCellPathAndName(char *path, const char *fileName);
/* The value of ZV_CELL, else ZV_DIR followed by "cell\", else
   "c:\fennvik\cell\" into path (size bytes).  0, or ZVLIB_FAILURE with
   path "" when it does not fit. */
ZVLIB_API int zvlibCell_getZvCellPath(char *path, int size);
/* Attaches cell library fileName unless it is empty or the attached
   library has the same name and extension (case ignored, any directory).
   Returns 0 then, else the host's attach status. */
ZVLIB_API int zvlibCell_loadCellLibraryIfNeeded(const char *fileName);
/* Appends membersPerCell members per cell of the attached library (but a
   cell named "default", case ignored) to list: the cell's name, then its
   description when it has one.  Returns the number of cells (0 without a
   library), ZVLIB_FAILURE for fewer than 2 members per cell or when the
   list takes no more members. */
ZVLIB_API int zvlibCell_getStringlistFromLib(StringList *list, int membersPerCell);
/* Not needed with cells as models: a text-window line and ZVLIB_FAILURE. */
ZVLIB_API int zvlibCell_getFilePosFromStringlist(void);
/* Draws cell cellName of the attached library into rect of dialog db: a
   bevelled frame, the inside (inset by 2) filled, the cell fitted into
   rect inset by inset when that is positive; crossLines 1 adds a vertical
   centre line, 2 a horizontal one, 3 both.  Returns 0, ZVLIB_FAILURE when
   the cell is not found (after the frame). */
ZVLIB_API int zvlibCell_drawCell(const char *cellName, MSDialog *db, const BSIRect *rect, int inset, int crossLines);
/* Appends every element of first and second (either may be null) to cell,
   cell headers left out (their components are taken), then turns the
   cell's elements by the inverse of its rotation about its origin, so that
   the cell has no rotation and its origin stays.  Returns 0, or
   ZVLIB_FAILURE (cell unchanged) when cell is no cell header or its
   rotation cannot be inverted. */
ZVLIB_API int zvlibCell_mergeCells(MSElementDescr *cell, MSElementDescr *first, MSElementDescr *second);

#ifdef __cplusplus
}
#endif

#endif
