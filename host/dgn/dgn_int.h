// Contracts between the design-file modules of the host (not exported).
#ifndef MDLHOST_DGN_INT_H
#define MDLHOST_DGN_INT_H

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "dgn/dgndescr_host.h"
#include "dgn/mdldgn.h"

namespace mdlhost::dgn {

// The deepest nesting of complex elements (cells in cells, ...) the host
// builds, stores, reads or writes as features: the walks are recursive, so
// a crafted or damaged tree must not exhaust the stack.
constexpr int kMaxNesting = 64;

// --- element types --------------------------------------------------------------
// The type code of an element, without the bits above it; mdlElement_getType
// gives the same to the applications.
inline int elementType(const Elm_hdr &h) { return static_cast<int>(h.type & ELM_TYPE_MASK); }
inline int elementType(const MSElement *el) { return elementType(el->ehdr); }
// Types whose body is Linear_elm: a vertex count, then the vertices.
inline bool isLinear(int type)
{
    return type == LINE_STRING_ELM || type == SHAPE_ELM || type == CURVE_ELM || type == MULTILINE_ELM;
}
// Types that head components: cells, text nodes, complex chains and shapes,
// shared-cell definitions.  Their bodies start with Complex_hdr's counts.
inline bool isHeaderType(int type)
{
    return type == CELL_HEADER_ELM || type == TEXT_NODE_ELM || type == CMPLX_STRING_ELM ||
           type == CMPLX_SHAPE_ELM || type == SHAREDCELL_DEF_ELM;
}
// Single elements that stroke to a path of points: lines, the linear
// types, arcs and ellipses.
inline bool isStrokable(int type)
{
    return type == LINE_ELM || isLinear(type) || type == ELLIPSE_ELM || type == ARC_ELM;
}

// --- element records (dgnelement.cpp) -------------------------------------------
// Checks that el holds together: size within MAX_ELEMENT_WORDS, attrOffset
// within the size, the body's counts (vertices, characters) inside the body,
// linkages walkable to the end.  0 or DGNERR_BADELEMENT.
int validateElement(const MSElement *el);
// Bytes of el (2 * elementSize).
size_t elementBytes(const MSElement *el);
// True for types that have a display header.
bool isGraphic(int type);
// Computes the UOR range of a descriptor (dscr and all its components, not
// its siblings) from the geometry, a cell's or text node's origin included;
// 0, 1 when nothing in it has geometry (range zeroed), or DGNERR_BADELEMENT.
int descrRange(const MSElementDescr *dscr, DRange3d *range);

// --- ranges (dgngeom.cpp) -----------------------------------------------------------
// Grows a range by points and ranges: the one rule for element ranges, view
// boxes and feature envelopes.  A NaN coordinate is skipped, so it never
// widens or collapses the range (an infinity does widen it); an axis that got
// no number comes out NaN.  On a tie the range keeps the value it has.
class RangeAccumulator {
  public:
    void add(const DPoint3d &p)
    {
        lower(low_, p);
        raise(high_, p);
        any_ = true;
    }
    void add(const DRange3d &r)
    {
        lower(low_, r.low);
        raise(high_, r.high);
        any_ = true;
    }
    // True once anything was added, NaN or not.
    bool any() const { return any_; }
    // The range into out when anything was added (else out stays as it
    // was); returns any().
    bool get(DRange3d &out) const;

  private:
    // A comparison with NaN is false: the range keeps its value.
    static void lower(DPoint3d &a, const DPoint3d &p)
    {
        a.x = p.x < a.x ? p.x : a.x;
        a.y = p.y < a.y ? p.y : a.y;
        a.z = p.z < a.z ? p.z : a.z;
    }
    static void raise(DPoint3d &a, const DPoint3d &p)
    {
        a.x = p.x > a.x ? p.x : a.x;
        a.y = p.y > a.y ? p.y : a.y;
        a.z = p.z > a.z ? p.z : a.z;
    }
    static constexpr double kInf = std::numeric_limits<double>::infinity();
    // An axis no number has reached yet stands at [+inf, -inf].
    DPoint3d low_{kInf, kInf, kInf};
    DPoint3d high_{-kInf, -kInf, -kInf};
    bool any_ = false;
};

// --- texts of elements (dgnstore.cpp) ---------------------------------------------
// UTF-16 code units to ISO 8859-1, a byte for each unit, '?' for a unit above
// 0xFF.  Not the text room's codec, which reads a surrogate pair as one character
// (one '?'): element texts and tag values keep a byte a unit, their
// character counts being counts of units.
std::string unitsToLatin1(const char16_t *s, size_t n);

// --- units of the current transformation (dgntrans.cpp) ---------------------------
// Points and lengths given to or returned by the API are in the current
// coordinates (mdlCurrTrans_*): UOR by default, master units under the
// master-units identity, or through a pushed transform.
void toUor(DPoint3d *pts, int n);
void fromUor(DPoint3d *pts, int n);
double lengthToUor(double length);
double lengthFromUor(double length);
// Rotations given in the current coordinates to UOR and back (the turn of the
// current transformation, without its scale).
void rotationToUor(RotMatrix *rotation);
void rotationFromUor(RotMatrix *rotation);

// Links c as header's component after last (null: as its first) and makes
// c the last: trees are built in order.
inline void appendComponent(MSElementDescr *header, MSElementDescr *&last, MSElementDescr *c)
{
    c->h.previous = last;
    if (last)
        last->h.next = c;
    else
        header->h.firstElem = c;
    last = c;
}

// --- GeoPackage geometry (dgngpkg.cpp) -------------------------------------------
// The feature geometry of a top-level element as a GeoPackage geometry blob
// (header with envelope, then WKB), in the frame's units.  Returns false for
// elements that have no geometry (application elements, tags); the feature
// row is then not written.  text gets the text of text elements and text nodes.
// A frame maps UOR to the feature coordinates: (uor + offset) * scale, in srsId.
struct FeatureFrame {
    int32_t srsId = 1000; // the design file's own engineering CRS (kUorSrsId)
    double scale = 1.0;
    DPoint3d offset{0, 0, 0};
    bool identity() const { return scale == 1.0 && offset.x == 0 && offset.y == 0 && offset.z == 0; }
    DPoint3d map(const DPoint3d &p) const
    {
        return {(p.x + offset.x) * scale, (p.y + offset.y) * scale, (p.z + offset.z) * scale};
    }
};
bool encodeFeatureGeometry(const MSElementDescr *dscr, bool is3d, std::vector<uint8_t> &blob,
                           std::string &text, const FeatureFrame &frame = FeatureFrame{});

// --- the store (dgnstore.cpp) ---------------------------------------------------
// Database of the file that holds model; null when model is not open.
sqlite3 *storeDb(DgnModelRefP model);
// The model's row id in its file's models table; 0 when not open.
int64_t storeModelId(DgnModelRefP model);
// Rollbacks of the file that holds model so far (0 when not open): with
// sqlite3_total_changes64 it tells whether the rows may have changed.
uint64_t storeRollbacks(DgnModelRefP model);
// Marks the running command failed (the end of the command rolls back).
void storeFailCommand(int error);
// Sets mdlErrno from a SQLite result (SQLITE_FULL gives DGNERR_DISKFULL ...)
// and returns it.
int storeError(int sqliteResult);
// A prepared statement of model's file for sql, cached per file (sql is the
// key), reset and with its bindings cleared; null (mdlErrno set) on error.
sqlite3_stmt *storeStatement(DgnModelRefP model, const char *sql);

// One change to a file.  Outside a command it is a transaction of its own;
// inside one it is a savepoint of the command's transaction, so a failed
// change undoes its own statements and the command then rolls back at its
// end.  Usage:
//   StoreWrite w(model);
//   if (!w.ok()) return w.error();
//   ... statements; on failure: return w.fail(storeError(rc));
//   return w.finish();
// finish() commits (outside a command) and gives 0, or the error (a write
// failure injected by mdlhost_dgnFailWrites included) after undoing the
// change.  A write never finished is undone when w goes.  Errors set mdlErrno.
//
// An append whose statements can be undone by deleting what it added passes
// that undo: inside a command it then takes no savepoint (a savepoint copies
// every page the write touches), and a failure runs the undo instead; when
// the undo cannot run, the command fails and rolls back whole.  The undo
// gives 0 or an error.
class StoreWrite {
  public:
    using Undo = std::function<int()>;
    explicit StoreWrite(DgnModelRefP model, Undo undo = nullptr);
    ~StoreWrite();
    StoreWrite(const StoreWrite &) = delete;
    StoreWrite &operator=(const StoreWrite &) = delete;
    bool ok() const { return error_ == 0; }
    int error() const { return error_; }
    int fail(int error);
    int finish();

  private:
    struct State;
    State *state_ = nullptr;
    int error_ = 0;
};

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
