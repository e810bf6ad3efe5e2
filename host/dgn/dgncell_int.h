// Helpers shared by the cell, shared-cell, tag, raster and reference files.
#ifndef MDLHOST_DGNCELL_INT_H
#define MDLHOST_DGNCELL_INT_H

#include <cstddef>
#include <cstdint>

#include <sqlite3.h>

#include "dgn/mdlcell.h"

namespace mdlhost::dgn {

// --- wide strings ---------------------------------------------------------------
// Length up to the terminator, or max + 1 when none comes within max + 1
// characters (so a caller's bound check fails instead of reading on).
size_t wideLength(const char16_t *s, size_t max);
// Copies src into dst (cap characters with the terminator), cut to fit;
// nothing when cap <= 0.
void wideCopy(char16_t *dst, int cap, const char16_t *src);
bool wideEqual(const char16_t *a, const char16_t *b);
// Case ignored for the ISO 8859-1 letters.
bool wideEqualNoCase(const char16_t *a, const char16_t *b);

// --- models -----------------------------------------------------------------------
// Closes a model handle when it goes.
class ModelHandle {
  public:
    ModelHandle() = default;
    explicit ModelHandle(DgnModelRefP m) : model_(m) {}
    ~ModelHandle() { reset(); }
    ModelHandle(const ModelHandle &) = delete;
    ModelHandle &operator=(const ModelHandle &) = delete;
    DgnModelRefP get() const { return model_; }
    DgnModelRefP *out() { reset(); return &model_; }
    DgnModelRefP release() { DgnModelRefP m = model_; model_ = MDLHOST_NO_MODEL; return m; }
    void reset();

  private:
    DgnModelRefP model_ = MDLHOST_NO_MODEL;
};

// Model 0 stands for the active model.
inline DgnModelRefP modelOrActive(DgnModelRefP model)
{
    return model != MDLHOST_NO_MODEL ? model : mdlModelRef_getActive();
}

// A cached statement of the store, reset when it goes so that no read
// stays open on the file.
class StoreStmt {
  public:
    StoreStmt(DgnModelRefP model, const char *sql);
    ~StoreStmt();
    StoreStmt(const StoreStmt &) = delete;
    StoreStmt &operator=(const StoreStmt &) = delete;
    explicit operator bool() const { return st_ != nullptr; }
    sqlite3_stmt *get() const { return st_; }

  private:
    sqlite3_stmt *st_;
};

// Sets mdlErrno and returns error (so failures read "return failWith(e)").
int failWith(int error);
// Clears mdlErrno and returns 0.
int succeed();

// --- cells (dgncell.cpp) ----------------------------------------------------------
// The model of the cell named name in the file of library: exact name
// first, else case ignored.  DGNERR_NOTFOUND when none.
int cellFind(DgnModelRefP library, const char16_t *name, ModelHandle &cell);
// The file model of the attached cell library, 0 when none.
DgnModelRefP cellLibrary();
// The elements of a cell model as a chain of top-level descriptors (null
// for a cell without elements); 0 or an error.
int cellReadComponents(DgnModelRefP cellModel, MSElementDescr **chain);
// Gives every element of the tree (siblings of dscr included) a level of
// target with the name its level has in source; a level missing in target
// is created.  0 or an error.
int cellMapLevels(MSElementDescr *dscr, DgnModelRefP source, DgnModelRefP target);
// Transforms a chain of descriptors (UOR -> UOR).
int cellTransform(MSElementDescr *chain, const Transform &t);
// Builds a type-2 header for components (taken over; on failure freed):
// name, description, origin (UOR) and rotation, level of the first
// component, range of them all.  Null on failure (mdlErrno set).
MSElementDescr *cellMakeHeader(MSElementDescr *components, const char16_t *name, const char16_t *description,
                               const DPoint3d &origin, const RotMatrix &rotation, bool is3d);
// The cell of cell (a model of a library) as a new type-2 descriptor for
// model: components placed as at + rs * p (UOR; p relative to the
// library's origin, converted to model's units when trueScale), on the
// levels of the same names in model (keepLevels) or on no level.
int cellBuild(MSElementDescr **out, DgnModelRefP cell, const DPoint3d &at, const RotMatrix &rs, bool trueScale,
              bool keepLevels, DgnModelRefP model);
// Sets the range of every header of the tree from its components.
void cellSetRanges(MSElementDescr *dscr);

} // namespace mdlhost::dgn

#endif
