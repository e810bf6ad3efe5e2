// Elements in the file: add, read, rewrite, delete and undelete, unique ids,
// compress, and the feature rows GIS tools read, kept in step with them.
#include <cmath>
#include <cstring>
#include <memory>

#include "base/text_host.h"
#include "dgn/dgndescr_host.h"
#include "dgnstore_int.h"

using namespace mdlhost::dgn;

namespace mdlhost::dgn {
namespace {

struct {
    DgnModelRefP model = MDLHOST_NO_MODEL;
    uint32_t pos = 0;
} current;

// Every element of the tree holds together; words gets the tree's size.
int validateTree(const MSElementDescr *d, int depth, uint64_t &words)
{
    if (depth > kMaxNesting)
        return DGNERR_BADELEMENT;
    if (validateElement(&d->el) != 0)
        return DGNERR_BADELEMENT;
    words += d->el.ehdr.elementSize;
    for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next)
        if (int e = validateTree(c, depth + 1, words))
            return e;
    return 0;
}

uint64_t treeWords(const MSElementDescr *d)
{
    uint64_t words = d->el.ehdr.elementSize;
    for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next)
        words += treeWords(c);
    return words;
}

size_t treeBytes(const MSElementDescr *d) { return size_t(2 * treeWords(d)); }

template <typename Fn> void eachNode(MSElementDescr *d, Fn fn)
{
    fn(d);
    for (MSElementDescr *c = d->h.firstElem; c; c = c->h.next)
        eachNode(c, fn);
}

// --- feature rows -------------------------------------------------------------------

std::string insertFeatureSql(int64_t modelId)
{
    return "INSERT OR REPLACE INTO \"" + featureTable(modelId) +
           "\" (fid, geom, level, color, weight, style, type, ggroup, text) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
}

std::string deleteFeatureSql(int64_t modelId)
{
    return "DELETE FROM \"" + featureTable(modelId) + "\" WHERE fid = ?1";
}

int removeFeature(Model &m, uint32_t pos)
{
    std::string sql = deleteFeatureSql(m.id);
    sqlite3_stmt *s = fileStatement(*m.file, sql.c_str());
    if (s == nullptr)
        return mdlErrno;
    sqlite3_bind_int64(s, 1, pos);
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    return rc == SQLITE_DONE ? 0 : storeError(rc);
}

void extentAdd(Model &m, const DRange3d &r)
{
    DgnFile &f = *m.file;
    Extent &e = f.extents[m.id];
    RangeAccumulator acc;
    if (e.any)
        acc.add(DRange3d{{e.minX, e.minY, 0}, {e.maxX, e.maxY, 0}});
    FeatureFrame frame = featureFrame(m);
    acc.add(frame.map(r.low));
    acc.add(frame.map(r.high));
    DRange3d u{};
    acc.get(u);
    e = {true, u.low.x, u.low.y, u.high.x, u.high.y};
    f.dirty = true;
}

// The feature row of the element at pos: written when it has a geometry,
// removed when it has none.  Texts are ISO 8859-1 in the elements and UTF-8
// in the GeoPackage.  By-level symbology is written as the level's.
// fresh: pos was never used, so there is no feature row to take away.
int writeFeature(Model &m, uint32_t pos, const MSElementDescr *dscr, bool fresh = false)
{
    static thread_local std::vector<uint8_t> blob;
    std::string text;
    blob.clear();
    if (!encodeFeatureGeometry(dscr, m.is3d, blob, text, featureFrame(m)))
        return fresh ? 0 : removeFeature(m, pos);
    DgnFile &f = *m.file;
    const MSElement &el = dscr->el;
    std::string sql = insertFeatureSql(m.id);
    sqlite3_stmt *s = fileStatement(f, sql.c_str());
    if (s == nullptr)
        return mdlErrno;
    sqlite3_bind_int64(s, 1, pos);
    sqlite3_bind_blob(s, 2, blob.data(), int(blob.size()), SQLITE_STATIC);
    const Level *level = nullptr;
    if (auto it = f.levels.find(el.ehdr.level); it != f.levels.end())
        level = &it->second;
    std::string levelName;
    if (level) {
        levelName = utf16ToUtf8(level->name);
        sqlite3_bind_text(s, 3, levelName.c_str(), int(levelName.size()), SQLITE_STATIC);
    }
    if (isGraphic(elementType(&el))) {
        const Disp_hdr &d = el.line.dhdr;
        if (d.color != COLOR_BYLEVEL)
            sqlite3_bind_int64(s, 4, d.color);
        else if (level)
            sqlite3_bind_int64(s, 4, level->color);
        if (d.weight != WEIGHT_BYLEVEL)
            sqlite3_bind_int64(s, 5, d.weight);
        else if (level)
            sqlite3_bind_int64(s, 5, level->weight);
        if (d.style != STYLE_BYLEVEL)
            sqlite3_bind_int64(s, 6, d.style);
        else if (level)
            sqlite3_bind_int64(s, 6, level->style);
    }
    sqlite3_bind_int(s, 7, elementType(&el));
    sqlite3_bind_int64(s, 8, el.ehdr.graphicGroup);
    std::string text8;
    if (!text.empty()) {
        text8 = mdlhost::latin1ToUtf8(text);
        sqlite3_bind_text(s, 9, text8.c_str(), int(text8.size()), SQLITE_STATIC);
    }
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    sqlite3_clear_bindings(s); // the blob and texts are about to go
    return rc == SQLITE_DONE ? 0 : storeError(rc);
}

void bindRange(sqlite3_stmt *s, int first, const DRange3d *r)
{
    if (r == nullptr)
        return; // unbound columns are NULL
    const double v[6] = {r->low.x, r->low.y, r->low.z, r->high.x, r->high.y, r->high.z};
    for (int i = 0; i < 6; i++)
        sqlite3_bind_double(s, first + i, v[i]);
}

// --- rows -------------------------------------------------------------------------

struct RowRead {
    int error = 0;
    uint64_t uid = 0;
    bool deleted = false;
};

// Calls fn with the record at pos of model m (fn sees the bytes only while
// it runs).  NOTFOUND when there is none in that model, or it is deleted
// and wantDeleted is not set.
template <typename Fn> RowRead readRow(Model &m, uint32_t pos, bool wantDeleted, Fn fn)
{
    RowRead r;
    if (pos == 0 || pos > kMaxPosition) {
        r.error = mdlErrno = DGNERR_NOTFOUND;
        return r;
    }
    sqlite3_stmt *s = fileStatement(*m.file, "SELECT model, uid, deleted, data FROM dgn_elements WHERE pos = ?1");
    if (s == nullptr) {
        r.error = mdlErrno;
        return r;
    }
    sqlite3_bind_int64(s, 1, pos);
    int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(s);
        r.error = rc == SQLITE_DONE ? (mdlErrno = DGNERR_NOTFOUND) : storeError(rc);
        return r;
    }
    r.uid = uint64_t(sqlite3_column_int64(s, 1));
    r.deleted = sqlite3_column_int(s, 2) != 0;
    if (sqlite3_column_int64(s, 0) != m.id || r.deleted != wantDeleted) {
        sqlite3_reset(s);
        r.error = mdlErrno = DGNERR_NOTFOUND;
        return r;
    }
    const void *blob = sqlite3_column_blob(s, 3);
    int size = sqlite3_column_bytes(s, 3);
    r.error = fn(static_cast<const uint8_t *>(blob), size_t(size > 0 ? size : 0));
    sqlite3_reset(s);
    return r;
}

MSElementDescr *readTree(Model &m, uint32_t pos, bool wantDeleted, RowRead *row)
{
    MSElementDescr *tree = nullptr;
    *row = readRow(m, pos, wantDeleted, [&](const uint8_t *data, size_t size) {
        tree = deserializeDescr(data, size);
        return tree ? 0 : DGNERR_BADELEMENT;
    });
    if (row->error != 0) {
        freeTree(tree);
        mdlErrno = row->error;
        return nullptr;
    }
    return tree;
}

void markRead(MSElementDescr *tree, DgnModelRefP handle, uint32_t pos)
{
    eachNode(tree, [&](MSElementDescr *n) {
        n->h.dgnModelRef = handle;
        n->h.filePos = pos;
    });
}

// --- writes -----------------------------------------------------------------------

uint32_t addTree(DgnModelRefP handle, MSElementDescr *dscr)
{
    Model *m = needModel(handle);
    if (m == nullptr)
        return 0;
    uint64_t words = 0;
    if (dscr == nullptr || validateTree(dscr, 0, words) != 0) {
        mdlErrno = DGNERR_BADELEMENT;
        return 0;
    }
    DgnFile &f = *m->file;
    uint32_t pos = 0; // an add that fails inside a command deletes its rows
    StoreWrite w(handle, [&]() -> int {
        sqlite3_stmt *d = fileStatement(f, "DELETE FROM dgn_elements WHERE pos = ?1");
        if (d == nullptr)
            return mdlErrno;
        sqlite3_bind_int64(d, 1, pos);
        int rc = sqlite3_step(d);
        sqlite3_reset(d);
        return rc == SQLITE_DONE ? removeFeature(*m, pos) : storeError(rc);
    });
    if (!w.ok())
        return 0;
    if (f.nextPos > kMaxPosition) {
        w.fail(DGNERR_FILEFULL);
        return 0;
    }
    // Every element added gets a new id, copies of elements read included.
    std::vector<std::pair<MSElementDescr *, uint64_t>> oldIds;
    eachNode(dscr, [&](MSElementDescr *n) {
        oldIds.emplace_back(n, n->el.ehdr.uniqueId);
        n->el.ehdr.uniqueId = f.nextUid++;
    });
    auto undoIds = [&] {
        for (auto &[n, id] : oldIds)
            n->el.ehdr.uniqueId = id;
    };
    pos = f.nextPos++;
    std::vector<uint8_t> bytes = serializeDescr(dscr);
    DRange3d range;
    bool hasRange = isGraphic(elementType(&dscr->el)) && descrRange(dscr, &range) == 0;
    sqlite3_stmt *s = fileStatement(f, "INSERT INTO dgn_elements (pos, model, uid, type, level, ggroup, deleted, "
                                       "xlow, ylow, zlow, xhigh, yhigh, zhigh, data) "
                                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
    int error = bytes.empty() ? DGNERR_BADELEMENT : s == nullptr ? mdlErrno : 0;
    if (error == 0) {
        const Elm_hdr &h = dscr->el.ehdr;
        sqlite3_bind_int64(s, 1, pos);
        sqlite3_bind_int64(s, 2, m->id);
        sqlite3_bind_int64(s, 3, int64_t(h.uniqueId));
        sqlite3_bind_int(s, 4, elementType(&dscr->el));
        sqlite3_bind_int64(s, 5, h.level);
        sqlite3_bind_int64(s, 6, h.graphicGroup);
        bindRange(s, 7, hasRange ? &range : nullptr);
        sqlite3_bind_blob(s, 13, bytes.data(), int(bytes.size()), SQLITE_STATIC);
        int rc = sqlite3_step(s);
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        if (rc != SQLITE_DONE)
            error = storeError(rc);
    }
    if (error == 0)
        error = writeFeature(*m, pos, dscr, true);
    if (error != 0) {
        w.fail(error);
        undoIds();
        return 0;
    }
    if (hasRange)
        extentAdd(*m, range);
    if (w.finish() != 0) {
        undoIds();
        return 0;
    }
    markRead(dscr, m->handle, pos);
    setCurrentPosition(m->handle, pos);
    return pos;
}

// Rewrites the record at pos with tree.  With keepComponents the record's
// components stay under the new header (a header rewritten alone).
uint32_t rewriteTree(DgnModelRefP handle, MSElementDescr *tree, uint32_t pos, bool keepComponents)
{
    Model *m = needModel(handle);
    if (m == nullptr)
        return 0;
    if (tree == nullptr || validateElement(&tree->el) != 0) {
        mdlErrno = DGNERR_BADELEMENT;
        return 0;
    }
    RowRead row;
    MSElementDescr *old = readTree(*m, pos, false, &row);
    if (old == nullptr)
        return 0;
    std::unique_ptr<MSElementDescr, void (*)(MSElementDescr *)> oldTree(old, freeTree);
    const uint64_t oldWords = treeWords(old); // before its components move
    // A header given alone takes over the stored components.
    std::unique_ptr<MSElementDescr, void (*)(MSElementDescr *)> joined(nullptr, freeTree);
    const int newType = elementType(&tree->el);
    const bool header = isHeaderType(newType);
    if (keepComponents && header && old->h.firstElem != nullptr && tree->h.firstElem == nullptr) {
        MSElementDescr *node = allocDescrNode();
        if (node == nullptr) {
            mdlErrno = DGNERR_IO;
            return 0;
        }
        memcpy(&node->el, &tree->el, elementBytes(&tree->el));
        node->h.isHeader = 1;
        node->h.firstElem = old->h.firstElem;
        old->h.firstElem = nullptr;
        for (MSElementDescr *c = node->h.firstElem; c; c = c->h.next)
            c->h.myHeader = node;
        joined.reset(node);
    }
    MSElementDescr *write = joined ? joined.get() : tree;
    uint64_t words = 0;
    if (validateTree(write, 0, words) != 0) {
        mdlErrno = DGNERR_BADELEMENT;
        return 0;
    }
    StoreWrite w(handle);
    if (!w.ok())
        return 0;
    DgnFile &f = *m->file;
    std::vector<std::pair<MSElementDescr *, uint64_t>> oldIds;
    eachNode(write, [&](MSElementDescr *n) { oldIds.emplace_back(n, n->el.ehdr.uniqueId); });
    write->el.ehdr.uniqueId = row.uid;
    eachNode(write, [&](MSElementDescr *n) {
        if (n != write && n->el.ehdr.uniqueId == 0)
            n->el.ehdr.uniqueId = f.nextUid++;
    });
    auto undoIds = [&] {
        for (auto &[n, id] : oldIds)
            n->el.ehdr.uniqueId = id;
    };
    // An element that grew does not fit where it was: it moves to the end.
    uint32_t newPos = pos;
    if (words > oldWords) {
        if (f.nextPos > kMaxPosition) {
            w.fail(DGNERR_FILEFULL);
            undoIds();
            return 0;
        }
        newPos = f.nextPos++;
    }
    std::vector<uint8_t> bytes = serializeDescr(write);
    DRange3d range;
    bool hasRange = isGraphic(elementType(&write->el)) && descrRange(write, &range) == 0;
    sqlite3_stmt *s = fileStatement(f, "UPDATE dgn_elements SET pos = ?2, type = ?3, level = ?4, ggroup = ?5, "
                                       "xlow = ?6, ylow = ?7, zlow = ?8, xhigh = ?9, yhigh = ?10, zhigh = ?11, "
                                       "data = ?12 WHERE pos = ?1");
    int error = bytes.empty() ? DGNERR_BADELEMENT : s == nullptr ? mdlErrno : 0;
    if (error == 0) {
        const Elm_hdr &h = write->el.ehdr;
        sqlite3_bind_int64(s, 1, pos);
        sqlite3_bind_int64(s, 2, newPos);
        sqlite3_bind_int(s, 3, elementType(&write->el));
        sqlite3_bind_int64(s, 4, h.level);
        sqlite3_bind_int64(s, 5, h.graphicGroup);
        bindRange(s, 6, hasRange ? &range : nullptr);
        sqlite3_bind_blob(s, 12, bytes.data(), int(bytes.size()), SQLITE_STATIC);
        int rc = sqlite3_step(s);
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        if (rc != SQLITE_DONE)
            error = storeError(rc);
    }
    if (error == 0 && newPos != pos) {
        error = removeFeature(*m, pos);
        f.changeSerial++;
    }
    if (error == 0)
        error = writeFeature(*m, newPos, write);
    if (error != 0) {
        w.fail(error);
        undoIds();
        return 0;
    }
    if (hasRange)
        extentAdd(*m, range);
    if (w.finish() != 0) {
        undoIds();
        return 0;
    }
    if (write != tree) // the caller's header gets the id it now has
        tree->el.ehdr.uniqueId = write->el.ehdr.uniqueId;
    markRead(tree, m->handle, newPos);
    setCurrentPosition(m->handle, newPos);
    return newPos;
}

int setDeleted(DgnModelRefP handle, uint32_t pos, bool deleted)
{
    Model *m = needModel(handle);
    if (m == nullptr)
        return mdlErrno;
    RowRead row;
    MSElementDescr *tree = nullptr;
    if (deleted) {
        row = readRow(*m, pos, false, [](const uint8_t *, size_t) { return 0; });
        if (row.error != 0)
            return mdlErrno = row.error;
    } else {
        // Only a record that still holds together comes back.
        tree = readTree(*m, pos, true, &row);
        if (tree == nullptr)
            return mdlErrno;
    }
    std::unique_ptr<MSElementDescr, void (*)(MSElementDescr *)> owned(tree, freeTree);
    StoreWrite w(handle);
    if (!w.ok())
        return w.error();
    DgnFile &f = *m->file;
    sqlite3_stmt *s = fileStatement(f, "UPDATE dgn_elements SET deleted = ?2 WHERE pos = ?1");
    if (s == nullptr)
        return w.fail(mdlErrno);
    sqlite3_bind_int64(s, 1, pos);
    sqlite3_bind_int(s, 2, deleted ? 1 : 0);
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE)
        return w.fail(storeError(rc));
    int error = deleted ? removeFeature(*m, pos) : writeFeature(*m, pos, tree);
    if (error != 0)
        return w.fail(error);
    if (deleted)
        f.changeSerial++;
    return w.finish();
}

} // namespace

namespace {
AddFilter addFilter = nullptr;

void filterAdd(MSElementDescr *top)
{
    if (addFilter && isGraphic(elementType(&top->el)))
        addFilter(&top->el);
}
} // namespace

void setAddFilter(AddFilter fn) { addFilter = fn; }

void setCurrentPosition(DgnModelRefP model, uint32_t pos)
{
    current.model = model;
    current.pos = pos;
}

} // namespace mdlhost::dgn

// --- the API -----------------------------------------------------------------------

uint32_t mdlElement_add(MSElement *el)
{
    if (el == nullptr || validateElement(el) != 0) {
        mdlErrno = DGNERR_BADELEMENT;
        return 0;
    }
    // One node kept for single elements: a node is large to make each time.
    static MSElementDescr *scratch = allocDescrNode();
    if (scratch == nullptr) {
        mdlErrno = DGNERR_IO;
        return 0;
    }
    memset(&scratch->h, 0, sizeof scratch->h);
    memcpy(&scratch->el, el, elementBytes(el));
    filterAdd(scratch);
    uint32_t pos = addTree(MDLHOST_NO_MODEL, scratch);
    if (pos != 0)
        el->ehdr.uniqueId = scratch->el.ehdr.uniqueId;
    return pos;
}

namespace {

// A descriptor may be a chain of top-level siblings (tags collected for one
// element are added together): each is an element of its own, all or none.
uint32_t addChain(DgnModelRefP model, MSElementDescr *dscr)
{
    if (dscr == nullptr || dscr->h.next == nullptr)
        return addTree(model, dscr);
    // Refusals come before any write, so only a storage failure can stop the
    // chain half-way, and that rolls the command back anyway.
    for (MSElementDescr *d = dscr; d != nullptr; d = d->h.next) {
        MSElementDescr *next = d->h.next;
        d->h.next = nullptr;
        uint64_t words = 0;
        int bad = validateTree(d, 0, words);
        d->h.next = next;
        if (bad != 0) {
            mdlErrno = DGNERR_BADELEMENT;
            return 0;
        }
    }
    mdlhost_dgnBeginCommand();
    uint32_t first = 0;
    for (MSElementDescr *d = dscr; d != nullptr; d = d->h.next) {
        MSElementDescr *next = d->h.next;
        d->h.next = nullptr; // add this tree alone
        uint32_t pos = addTree(model, d);
        d->h.next = next;
        if (pos == 0) {
            int error = mdlErrno;
            mdlhost_dgnEndCommand(0);
            mdlErrno = error;
            return 0;
        }
        if (first == 0)
            first = pos;
    }
    if (mdlhost_dgnEndCommand(1) != 0)
        return 0;
    return first;
}

} // namespace

uint32_t mdlElmdscr_add(MSElementDescr *dscr)
{
    for (MSElementDescr *d = dscr; d != nullptr; d = d->h.next)
        filterAdd(d);
    return addChain(MDLHOST_NO_MODEL, dscr);
}

uint32_t mdlhost_dgnAddToModel(DgnModelRefP model, MSElementDescr *dscr) { return addChain(model, dscr); }

int mdlElement_read(MSElement *el, DgnModelRefP model, uint32_t pos)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    if (el == nullptr)
        return mdlErrno = DGNERR_BADARG;
    RowRead row = readRow(*m, pos, false, [&](const uint8_t *data, size_t size) {
        return decodeTopElement(data, size, el, nullptr);
    });
    if (row.error != 0)
        return mdlErrno = row.error;
    setCurrentPosition(m->handle, pos);
    return mdlErrno = 0;
}

size_t mdlElmdscr_read(MSElementDescr **dscr, uint32_t pos, DgnModelRefP model, int, uint32_t *nextPos)
{
    if (dscr == nullptr) {
        mdlErrno = DGNERR_BADARG;
        return 0;
    }
    *dscr = nullptr;
    Model *m = needModel(model);
    if (m == nullptr)
        return 0;
    RowRead row;
    MSElementDescr *tree = readTree(*m, pos, false, &row);
    if (tree == nullptr)
        return 0;
    markRead(tree, m->handle, pos);
    if (nextPos) {
        *nextPos = m->file->nextPos;
        sqlite3_stmt *s = fileStatement(*m->file, "SELECT pos FROM dgn_elements WHERE model = ?1 AND pos > ?2 "
                                                  "AND deleted = 0 ORDER BY pos LIMIT 1");
        if (s != nullptr) {
            sqlite3_bind_int64(s, 1, m->id);
            sqlite3_bind_int64(s, 2, pos);
            if (sqlite3_step(s) == SQLITE_ROW)
                *nextPos = uint32_t(sqlite3_column_int64(s, 0));
            sqlite3_reset(s);
        }
    }
    setCurrentPosition(m->handle, pos);
    *dscr = tree;
    mdlErrno = 0;
    return treeBytes(tree);
}

uint32_t mdlElement_rewrite(MSElement *newEl, MSElement *, uint32_t pos)
{
    if (newEl == nullptr || validateElement(newEl) != 0) {
        mdlErrno = DGNERR_BADELEMENT;
        return 0;
    }
    MSElementDescr *node = allocDescrNode();
    if (node == nullptr) {
        mdlErrno = DGNERR_IO;
        return 0;
    }
    memcpy(&node->el, newEl, elementBytes(newEl));
    uint32_t at = rewriteTree(MDLHOST_NO_MODEL, node, pos, true);
    if (at != 0)
        newEl->ehdr.uniqueId = node->el.ehdr.uniqueId;
    freeDescrNode(node);
    return at;
}

// A descriptor read from a model is rewritten there; a new one in the
// active model.
uint32_t mdlElmdscr_rewrite(MSElementDescr *newDscr, MSElementDescr *oldDscr, uint32_t pos)
{
    if (newDscr == nullptr) {
        mdlErrno = DGNERR_BADELEMENT;
        return 0;
    }
    if (pos == 0)
        pos = oldDscr ? oldDscr->h.filePos : newDscr->h.filePos;
    DgnModelRefP model = oldDscr && oldDscr->h.dgnModelRef ? oldDscr->h.dgnModelRef : newDscr->h.dgnModelRef;
    if (model != MDLHOST_NO_MODEL && findModel(model) == nullptr)
        model = MDLHOST_NO_MODEL;
    return rewriteTree(model, newDscr, pos, false);
}

uint32_t mdlhost_dgnRewriteInModel(DgnModelRefP model, MSElementDescr *dscr, uint32_t pos)
{
    return rewriteTree(model, dscr, pos, false);
}

int mdlElement_undoableDelete(MSElement *, uint32_t pos, int) { return setDeleted(MDLHOST_NO_MODEL, pos, true); }

int mdlElmdscr_undoableDelete(MSElementDescr *dscr, uint32_t pos, int)
{
    DgnModelRefP model = MDLHOST_NO_MODEL;
    if (dscr != nullptr) {
        if (pos == 0)
            pos = dscr->h.filePos;
        if (dscr->h.dgnModelRef != MDLHOST_NO_MODEL && findModel(dscr->h.dgnModelRef) != nullptr)
            model = dscr->h.dgnModelRef;
    }
    return setDeleted(model, pos, true);
}

int mdlhost_dgnDeleteInModel(DgnModelRefP model, uint32_t pos) { return setDeleted(model, pos, true); }

int mdlhost_dgnUndelete(DgnModelRefP model, uint32_t pos) { return setDeleted(model, pos, false); }

uint32_t mdlElement_getFilePos(int which, DgnModelRefP *model)
{
    if (which == FILEPOS_EOF) {
        DgnModelRefP active = mdlModelRef_getActive();
        if (model)
            *model = active;
        Model *m = findModel(active);
        return m ? m->file->nextPos : 0;
    }
    if (which != FILEPOS_CURRENT) {
        if (model)
            *model = MDLHOST_NO_MODEL;
        return 0;
    }
    if (model)
        *model = current.model;
    return current.pos;
}

ElementID mdlElement_getID(const MSElement *el) { return el ? el->ehdr.uniqueId : 0; }

int mdlAssoc_getUniqueId(ElementID *id, uint32_t pos, DgnModelRefP model)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    RowRead row = readRow(*m, pos, false, [](const uint8_t *, size_t) { return 0; });
    if (row.error != 0)
        return mdlErrno = row.error;
    if (id)
        *id = row.uid;
    return mdlErrno = 0;
}

uint32_t mdlAssoc_getElement(MSElement *el, ElementID id, DgnModelRefP model)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return 0;
    sqlite3_stmt *s =
        fileStatement(*m->file, "SELECT pos FROM dgn_elements WHERE uid = ?1 AND model = ?2 AND deleted = 0");
    if (s == nullptr)
        return 0;
    sqlite3_bind_int64(s, 1, int64_t(id));
    sqlite3_bind_int64(s, 2, m->id);
    int rc = sqlite3_step(s);
    uint32_t pos = rc == SQLITE_ROW ? uint32_t(sqlite3_column_int64(s, 0)) : 0;
    sqlite3_reset(s);
    if (pos == 0) {
        mdlErrno = rc == SQLITE_ROW || rc == SQLITE_DONE ? DGNERR_NOTFOUND : storeError(rc);
        return 0;
    }
    if (el != nullptr && mdlElement_read(el, m->handle, pos) != 0)
        return 0;
    mdlErrno = 0;
    return pos;
}

// --- compress ----------------------------------------------------------------------
//
// Deleted records go; the rest are numbered 1, 2, ... in their order, in every
// model of the file, and the feature rows follow their elements.  Positions
// that change go through negative numbers so no two rows ever share one.

int mdlSystem_compressDgnFile(void)
{
    Model *m = needModel(MDLHOST_NO_MODEL);
    if (m == nullptr)
        return mdlErrno;
    DgnFile &f = *m->file;
    StoreWrite w(MDLHOST_NO_MODEL);
    if (!w.ok())
        return w.error();
    std::vector<int64_t> models;
    sqlite3_stmt *s = fileStatement(f, "SELECT id FROM dgn_models ORDER BY id");
    if (s == nullptr)
        return w.fail(mdlErrno);
    while (sqlite3_step(s) == SQLITE_ROW)
        models.push_back(sqlite3_column_int64(s, 0));
    sqlite3_reset(s);
    std::vector<std::string> steps = {"DELETE FROM dgn_elements WHERE deleted <> 0"};
    for (int64_t id : models) // rows left by an older writer
        steps.push_back("DELETE FROM \"" + featureTable(id) + "\" WHERE fid NOT IN (SELECT pos FROM dgn_elements)");
    for (const char *sql : {
             "CREATE TEMP TABLE IF NOT EXISTS dgn_renumber (old INTEGER PRIMARY KEY, new INTEGER NOT NULL)",
             "DELETE FROM temp.dgn_renumber",
             "INSERT INTO temp.dgn_renumber (old, new) SELECT pos, row_number() OVER (ORDER BY pos) FROM dgn_elements",
             "DELETE FROM temp.dgn_renumber WHERE old = new",
             "UPDATE dgn_elements SET pos = -(SELECT new FROM temp.dgn_renumber WHERE old = pos) "
             "WHERE pos IN (SELECT old FROM temp.dgn_renumber)",
             "UPDATE dgn_elements SET pos = -pos WHERE pos < 0",
         })
        steps.push_back(sql);
    for (int64_t id : models) {
        std::string t = "\"" + featureTable(id) + "\"";
        steps.push_back("UPDATE " + t + " SET fid = -(SELECT new FROM temp.dgn_renumber WHERE old = fid) " +
                        "WHERE fid IN (SELECT old FROM temp.dgn_renumber)");
        steps.push_back("UPDATE " + t + " SET fid = -fid WHERE fid < 0");
    }
    steps.push_back("DELETE FROM temp.dgn_renumber");
    for (const std::string &sql : steps) {
        int rc = sqlite3_exec(f.db, sql.c_str(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return w.fail(storeError(rc));
    }
    s = fileStatement(f, "SELECT count(*) FROM dgn_elements");
    if (s == nullptr)
        return w.fail(mdlErrno);
    int64_t count = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_reset(s);
    f.nextPos = uint32_t(count + 1);
    // The extents shrink to what is left.
    for (int64_t id : models)
        f.extents[id] = Extent{};
    s = fileStatement(f, "SELECT model, min(xlow), min(ylow), max(xhigh), max(yhigh) FROM dgn_elements "
                         "WHERE xlow IS NOT NULL GROUP BY model");
    if (s == nullptr)
        return w.fail(mdlErrno);
    while (sqlite3_step(s) == SQLITE_ROW)
        f.extents[sqlite3_column_int64(s, 0)] = {true, sqlite3_column_double(s, 1), sqlite3_column_double(s, 2),
                                                 sqlite3_column_double(s, 3), sqlite3_column_double(s, 4)};
    sqlite3_reset(s);
    f.dirty = true;
    f.changeSerial++;
    return w.finish();
}
