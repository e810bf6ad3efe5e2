/* The process's list of plot scales ("1:500" and its value) with one of
   them active, as far as the library's start-up reads it: from the
   plot-scale resource file, else the built-in scales. */
#ifndef ZVLIB_PLOTSCALE_H
#define ZVLIB_PLOTSCALE_H

#include "rsc/mdlrsc.h"
#include "zvlib_common.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The stored form: string list of this id, two members a row (the name,
   then the value as text); info field 0 of the active row's name is 1. */
#define ZVLIB_PLOTSCALE_LIST 20001
/* The scale dialog and its list box, brought up to date on a read. */
#define ZVLIB_PLOTSCALE_DIALOG 20026
#define ZVLIB_PLOTSCALE_LISTBOX 20010

/* Replaces the list by the one stored in handle: each row is made from its
   name, then its value cell takes the stored value text; the first row
   whose name is flagged becomes active (row 0 when none is); the active
   scale is that row's value when it is a number above 0, else 1.0.  An
   open scale dialog shows the new list; when the active scale changed by
   more than the host's epsilon, the other applications hear of it through
   their scale functions.  Returns 0, or ZVLIB_FAILURE with the list
   unchanged when there is no stored list, it holds no row (the list always
   keeps one), or the library has not started. */
ZVLIB_API int zvlibPlotScale_readSettings(RscFileHandle handle);

/* The list at the library's start-up: the resource file that
   configuration variable ZV_PLOTSCALES names, found along ZV_DATA and read
   read-only, else (undefined, not found, not readable, no list in it) the
   15 built-in scales with "1:1" active at 1.0.  Returns 0 when the file's
   list was taken, 1 when the built-in one was, ZVLIB_FAILURE when the
   library has not started. */
ZVLIB_API int zvlibPlotScale_loadStartupList(void);

#ifdef __cplusplus
}
#endif

#endif
