// References (other design files attached to the active model, read-only)
// and work files (design files opened for writing beside the active one).
//
// The attachments belong to the active model: when another model becomes
// active, those of the old one are closed and the written ones of the new
// one (dgn_references) are attached again.  A file opened as a work file and
// as a reference shares one connection in the store, so what the work file
// writes is what the reference reads.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/text_host.h"
#include "dgn_int.h"
#include "dgncell_int.h"
#include "sys/mdlsys.h"

namespace mdlhost::dgn {
namespace {

// dgn_references.flags
constexpr int64_t kFlagDisplay = 0x1;
constexpr int64_t kFlagSnap = 0x2;
constexpr int64_t kFlagLocate = 0x4;
constexpr int kNestShift = 8;
constexpr int64_t kNestMask = 0xFF;

struct Reference {
    DgnModelRefP model = MDLHOST_NO_MODEL; // 0 when the file could not be opened
    std::string fileSpec, logical, description;
    bool display = true, snap = true, locate = true;
    int nestDepth = 0;
    int64_t row = 0; // dgn_references id once written
};

struct References {
    DgnModelRefP root = MDLHOST_NO_MODEL; // the active model they belong to
    std::vector<Reference> refs;
};

References &state()
{
    static References s;
    return s;
}

int64_t flagsOf(const Reference &r)
{
    return (r.display ? kFlagDisplay : 0) | (r.snap ? kFlagSnap : 0) | (r.locate ? kFlagLocate : 0) |
           (static_cast<int64_t>(r.nestDepth) & kNestMask) << kNestShift;
}

// Opens fileSpec as a reference; 0 or an error.
int openReference(const std::string &fileSpec, DgnModelRefP *model)
{
    char found[MDLHOST_MAXFILELENGTH];
    if (mdlFile_find(found, fileSpec.c_str(), nullptr, nullptr) != 0) return DGNERR_NOTFOUND;
    return mdlhost_dgnOpenModel(model, found, DGN_OPEN_READONLY | DGN_OPEN_REFERENCE);
}

void closeAll(References &s)
{
    for (Reference &r : s.refs)
        if (r.model) mdlhost_dgnCloseModel(r.model);
    s.refs.clear();
}

// Makes the attachments those of the active model.
References &sync()
{
    References &s = state();
    DgnModelRefP active = mdlModelRef_getActive();
    if (active == s.root) return s;
    closeAll(s);
    s.root = active;
    if (!active) return s;
    StoreStmt st(active, "SELECT id, file_spec, logical, description, flags FROM dgn_references WHERE model = ? ORDER BY id");
    if (!st) return s;
    sqlite3_bind_int64(st.get(), 1, storeModelId(active));
    while (sqlite3_step(st.get()) == SQLITE_ROW) {
        Reference r;
        r.row = sqlite3_column_int64(st.get(), 0);
        auto text = [&](int col) {
            const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(st.get(), col));
            std::string v = t ? t : "";
            return v.size() < MDLHOST_MAXFILELENGTH ? v : v.substr(0, MDLHOST_MAXFILELENGTH - 1);
        };
        r.fileSpec = text(1);
        r.logical = text(2);
        r.description = text(3);
        int64_t flags = sqlite3_column_int64(st.get(), 4);
        r.display = flags & kFlagDisplay;
        r.snap = flags & kFlagSnap;
        r.locate = flags & kFlagLocate;
        r.nestDepth = static_cast<int>((flags >> kNestShift) & kNestMask);
        // A file gone since is kept as an attachment that shows nothing.
        if (openReference(r.fileSpec, &r.model) != 0) r.model = MDLHOST_NO_MODEL;
        s.refs.push_back(r);
    }
    return s;
}

Reference *findReference(References &s, DgnModelRefP model)
{
    if (!model) return nullptr;
    for (Reference &r : s.refs)
        if (r.model == model) return &r;
    return nullptr;
}

bool fitsPath(const char *s) { return s && strlen(s) < MDLHOST_MAXFILELENGTH; }

// Removes the written row of r from the active model's file.
int forgetRow(const References &s, const Reference &r)
{
    if (!r.row || mdlModelRef_isReadOnly(s.root)) return 0;
    StoreWrite w(s.root);
    if (!w.ok()) return w.error();
    {
        StoreStmt st(s.root, "DELETE FROM dgn_references WHERE id = ?");
        if (!st) return w.fail(mdlErrno);
        sqlite3_bind_int64(st.get(), 1, r.row);
        int rc = sqlite3_step(st.get());
        if (rc != SQLITE_DONE) return w.fail(storeError(rc));
    }
    return w.finish();
}

std::set<DgnModelRefP> &workFiles()
{
    static std::set<DgnModelRefP> s;
    return s;
}

} // namespace
} // namespace mdlhost::dgn

using namespace mdlhost::dgn;

// --- references ------------------------------------------------------------------

int mdlRefFile_attachCoincident(DgnModelRefP *reference, const char *fileSpec, const char *logical,
                                const char *description, int nestDepth, int display, int locate)
{
    if (reference) *reference = MDLHOST_NO_MODEL;
    if (!reference || !fileSpec || !*fileSpec || !fitsPath(fileSpec) || (logical && !fitsPath(logical)) ||
        (description && !fitsPath(description)))
        return failWith(DGNERR_BADARG);
    References &s = sync();
    if (!s.root) return failWith(DGNERR_NOMODEL);
    Reference r;
    r.fileSpec = fileSpec;
    r.logical = logical ? logical : "";
    r.description = description ? description : "";
    r.nestDepth = nestDepth < 0 ? 0 : static_cast<int>(std::min<int64_t>(nestDepth, kNestMask));
    r.display = display != 0;
    r.locate = locate != 0;
    int rc = openReference(r.fileSpec, &r.model);
    if (rc != 0) return failWith(rc);
    s.refs.push_back(r);
    *reference = r.model;
    return succeed();
}

int mdlRefFile_writeAttachment(DgnModelRefP reference)
{
    References &s = sync();
    Reference *r = findReference(s, reference);
    if (!r) return failWith(DGNERR_NOMODEL);
    if (mdlModelRef_isReadOnly(s.root)) return failWith(DGNERR_READONLY);
    StoreWrite w(s.root);
    if (!w.ok()) return w.error();
    {
        StoreStmt st(s.root, r->row ? "UPDATE dgn_references SET model = ?, file_spec = ?, logical = ?, description = ?, "
                                 "flags = ? WHERE id = ?"
                               : "INSERT INTO dgn_references(model, file_spec, logical, description, flags) "
                                 "VALUES(?, ?, ?, ?, ?)");
        if (!st) return w.fail(mdlErrno);
        sqlite3_bind_int64(st.get(), 1, storeModelId(s.root));
        sqlite3_bind_text(st.get(), 2, r->fileSpec.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st.get(), 3, r->logical.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st.get(), 4, r->description.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st.get(), 5, flagsOf(*r));
        if (r->row) sqlite3_bind_int64(st.get(), 6, r->row);
        int rc = sqlite3_step(st.get());
        if (rc != SQLITE_DONE) return w.fail(storeError(rc));
    }
    int64_t row = r->row ? r->row : sqlite3_last_insert_rowid(storeDb(s.root));
    int rc = w.finish();
    if (rc != 0) return rc;
    r->row = row;
    return succeed();
}

int mdlRefFile_getParameters(void *param, int paramName, DgnModelRefP reference)
{
    References &s = sync();
    Reference *r = findReference(s, reference);
    if (!r) return failWith(DGNERR_NOMODEL);
    if (!param) return failWith(DGNERR_BADARG);
    auto setInt = [&](int v) {
        *static_cast<int *>(param) = v;
        return succeed();
    };
    auto setText = [&](const std::string &v) {
        mdlhost::copyText(static_cast<char *>(param), MDLHOST_MAXFILELENGTH, v.c_str());
        return succeed();
    };
    switch (paramName) {
    case REFERENCE_DISPLAY: return setInt(r->display);
    case REFERENCE_SNAP: return setInt(r->snap);
    case REFERENCE_LOCATE: return setInt(r->locate);
    case REFERENCE_FILEFOUND: return setInt(storeDb(r->model) != nullptr);
    case REFERENCE_WRITTEN: return setInt(r->row != 0);
    case REFERENCE_NESTED: return setInt(0);
    case REFERENCE_FILESPEC: return setText(r->fileSpec);
    case REFERENCE_LOGICAL: return setText(r->logical);
    case REFERENCE_DESCRIPTION: return setText(r->description);
    default: return failWith(DGNERR_BADARG);
    }
}

int mdlRefFile_reload(DgnModelRefP reference, int, int)
{
    References &s = sync();
    Reference *r = findReference(s, reference);
    if (!r) return failWith(DGNERR_NOMODEL);
    // The store reads the file itself on every call, so there is nothing to
    // refresh while the file is open; a file that went away is reported.
    return storeDb(r->model) ? succeed() : failWith(DGNERR_NOTFOUND);
}

int mdlRefFile_detach(DgnModelRefP reference)
{
    References &s = sync();
    int rc = 0;
    for (size_t i = 0; i < s.refs.size();) {
        Reference &r = s.refs[i];
        if (reference != REFERENCE_ALL && r.model != reference) {
            ++i;
            continue;
        }
        int e = forgetRow(s, r);
        if (e != 0 && rc == 0) rc = e;
        if (r.model) mdlhost_dgnCloseModel(r.model);
        s.refs.erase(s.refs.begin() + static_cast<std::ptrdiff_t>(i));
        if (reference != REFERENCE_ALL) return rc ? failWith(rc) : succeed();
    }
    if (reference != REFERENCE_ALL) return failWith(DGNERR_NOMODEL);
    return rc ? failWith(rc) : succeed();
}

// --- model iteration ----------------------------------------------------------------

struct ModelRefIterator {
    std::vector<DgnModelRefP> models;
    size_t next = 0;
};

int mdlModelRefIterator_create(ModelRefIterator **iterator, DgnModelRefP root, int kinds)
{
    if (!iterator) return failWith(DGNERR_BADARG);
    *iterator = nullptr;
    References &s = sync();
    root = modelOrActive(root);
    if (!root || !storeDb(root)) return failWith(DGNERR_NOMODEL);
    auto *it = new ModelRefIterator;
    if (kinds & MODELREF_ITERATE_ROOT) it->models.push_back(root);
    // Only the active model has attachments.
    if ((kinds & MODELREF_ITERATE_REFERENCES) && mdlModelRef_areSame(root, s.root))
        for (const Reference &r : s.refs)
            if (r.model) it->models.push_back(r.model);
    *iterator = it;
    return succeed();
}

DgnModelRefP mdlModelRefIterator_getNext(ModelRefIterator *iterator)
{
    if (!iterator || iterator->next >= iterator->models.size()) return MDLHOST_NO_MODEL;
    return iterator->models[iterator->next++];
}

void mdlModelRefIterator_free(ModelRefIterator **iterator)
{
    if (!iterator) return;
    delete *iterator;
    *iterator = nullptr;
}

// --- work files ----------------------------------------------------------------------

int mdlWorkDgn_openFile(DgnModelRefP *model, const char *fileName, int readOnly)
{
    if (model) *model = MDLHOST_NO_MODEL;
    if (!model || !fileName || !*fileName) return failWith(DGNERR_BADARG);
    DgnModelRefP m = MDLHOST_NO_MODEL;
    int rc = mdlhost_dgnOpenModel(&m, fileName, readOnly ? DGN_OPEN_READONLY : DGN_OPEN_WRITE);
    // A file that cannot be written still opens, so that callers can ask
    // mdlModelRef_isReadOnly; writes to it then fail.
    if (rc == DGNERR_READONLY) rc = mdlhost_dgnOpenModel(&m, fileName, DGN_OPEN_READONLY);
    if (rc != 0) return failWith(rc);
    workFiles().insert(m);
    *model = m;
    return succeed();
}

uint32_t mdlWorkDgn_read(MSElementDescr **dscr, uint32_t pos, DgnModelRefP model)
{
    if (!dscr) {
        failWith(DGNERR_BADARG);
        return 0;
    }
    *dscr = nullptr;
    if (mdlElmdscr_read(dscr, pos, model, 0, nullptr) == 0 || !*dscr) return 0;
    return pos;
}

uint32_t mdlWorkDgn_write(MSElementDescr *dscr, uint32_t pos, DgnModelRefP model)
{
    if (!dscr || pos == 0) {
        failWith(DGNERR_BADARG);
        return 0;
    }
    return pos == WORKDGN_APPEND ? mdlhost_dgnAddToModel(model, dscr) : mdlhost_dgnRewriteInModel(model, dscr, pos);
}

int mdlWorkDgn_closeFile(DgnModelRefP model)
{
    // Only handles this module opened: closing the active model here would
    // pull the design away from everything else.
    if (workFiles().erase(model) == 0) return failWith(DGNERR_NOMODEL);
    mdlhost_dgnCloseModel(model);
    return succeed();
}
