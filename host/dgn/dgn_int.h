// Contracts between the design-file modules of the host (not exported).
#ifndef MDLHOST_DGN_INT_H
#define MDLHOST_DGN_INT_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "dgn/mdldgn.h"

namespace mdlhost::dgn {

// --- element records (dgnelement.cpp) -------------------------------------------
// Checks that el holds together: size within MAX_ELEMENT_WORDS, attrOffset
// within the size, the body's counts (vertices, characters) inside the body,
// linkages walkable to the end.  0 or DGNERR_BADELEMENT.
int validateElement(const MSElement *el);
// Bytes of el (2 * elementSize).
size_t elementBytes(const MSElement *el);
// True for types that have a display header.
bool isGraphic(int type);
// Computes the range of a descriptor (header and all components); 0 or error.
int descrRange(const MSElementDescr *dscr, DRange3d *range);

// --- units of the current transformation (dgntrans.cpp) ---------------------------
// Points and lengths given to or returned by the API are in the current
// coordinates (mdlCurrTrans_*): UOR by default, master units under the
// master-units identity, or through a pushed transform.
void toUor(DPoint3d *pts, int n);
void fromUor(DPoint3d *pts, int n);
double lengthToUor(double length);
double lengthFromUor(double length);

// --- descriptors as stored (dgnstore.cpp) ----------------------------------------
// A stored record is the elements of a descriptor in preorder, each its own
// bytes; a header's Complex_hdr.numComponents tells how many direct
// components follow it.
std::vector<uint8_t> serializeDescr(const MSElementDescr *dscr);
// Rebuilds the tree; null when the bytes do not hold together.
MSElementDescr *deserializeDescr(const uint8_t *data, size_t size);

// --- GeoPackage geometry (dgngpkg.cpp) -------------------------------------------
// The feature geometry of a top-level element as a GeoPackage geometry blob
// (header with envelope, then WKB), in UOR.  Returns false for elements that
// have no geometry (application elements, tags); the feature row is then not
// written.  text gets the text of text elements and text nodes.
bool encodeFeatureGeometry(const MSElementDescr *dscr, bool is3d, std::vector<uint8_t> &blob,
                           std::string &text);

// --- the store (dgnstore.cpp) ---------------------------------------------------
// Database of the file that holds model; null when model is not open.
sqlite3 *storeDb(DgnModelRefP model);
// The model's row id in its file's models table; 0 when not open.
int64_t storeModelId(DgnModelRefP model);
// Marks the running command failed (the end of the command rolls back).
void storeFailCommand(int error);
// Sets mdlErrno from a SQLite result (SQLITE_FULL gives DGNERR_DISKFULL ...).
int storeError(int sqliteResult);

struct ScanFilter {
    uint32_t fromPos = 1;            // first position to give
    uint32_t typeMask[8] = {};       // bit t of the 256: type t wanted; all 0 = any
    std::vector<uint32_t> levels;    // empty = any
    bool useGraphicGroup = false;
    uint32_t graphicGroup = 0;
    bool useRange = false;           // element range overlaps range (x, y)
    DRange3d range{};
};
// Calls fn with each top-level, not deleted element of model that passes the
// filter, in position order.  Positions are fetched in batches, so fn may
// read, add, rewrite and delete elements (added ones beyond the batch are
// seen as well).  fn returns non-zero to stop; that value is returned, else
// 0 (or an error when the scan fails).
int storeScan(DgnModelRefP model, const ScanFilter &filter, const std::function<int(uint32_t pos)> &fn);

} // namespace mdlhost::dgn

#endif
