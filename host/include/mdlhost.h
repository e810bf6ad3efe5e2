/* The platform layer: everything the deliverables ask of their host. */
#ifndef MDLHOST_H
#define MDLHOST_H

#include "base/mdlbase.h"
#include "app/mdlapp.h"
#include "app/mdllevellist.h"
#include "db/mdldb.h"
#include "dgn/mdlcell.h"
#include "dgn/mdldgn.h"
#include "dgn/mdlelem.h"
#include "dgn/mdlscan.h"
#include "dlg/mdldlg.h"
#include "gis/mdlgis.h"
#include "rsc/mdlrsc.h"
#include "sys/mdlsys.h"
#include "svc/mdlsvc.h"
#include "xml/mdlxml.h"

#endif
