/* Pick lists built from the active design: the colour, line-style and
   weight models of a level list, and the rows the host's font and
   text-style combo boxes show (filled in whenever a dialog takes them). */
#ifndef MDLHOST_LEVELLIST_H
#define MDLHOST_LEVELLIST_H

#include "base/host_export.h"
#include "dgn/mdldgn.h"
#include "dlg/mdldlg.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LEVELLIST_COLOR 1
#define LEVELLIST_STYLE 2
#define LEVELLIST_WEIGHT 4

#define MDLHOST_MAX_COLOR 255
#define MDLHOST_MAX_WEIGHT 31
#define MDLHOST_MAX_STANDARD_STYLE 7

/* A new one-column model (free with mdlListModel_destroy) of the values
   an element may take, the by-level row first ("ByLevel", value -1 for
   colour and weight, STYLE_BYLEVEL for style), then every number as its
   text ("0", "1", ...); the style model ends with the named styles of
   model (0: the active one), each by its name with the negative number as
   value.  Null for any other kind. */
MDLHOST_API ListModel *mdlLevelList_createSymbologyModel(DgnModelRefP model, int kind);
/* The row of value in such a model, -1 when none. */
MDLHOST_API int mdlhost_listModelRowOfValue(const ListModel *listModel, long value);

#ifdef __cplusplus
}
#endif

#endif
