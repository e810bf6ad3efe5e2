// Tags: tag sets (dgn_tag_sets, dgn_tag_defs) and tag elements (type 37)
// that name their target by unique id, so a target that moves keeps its tags.
//
// Sections: values and names; set definitions; tag elements; finding the
// tags of an element; deleting.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/text_host.h"
#include "dgn_int.h"
#include "dgncell_int.h"
#include "dgn/mdlelem.h"
#include "sys/mdlsys.h"

static_assert(offsetof(Tag_elm, targetId) == ELM_BODY_OFFSET, "the tag body follows the display header");
static_assert(offsetof(Tag_elm, textValue) % 2 == 0, "element sizes count 16-bit words");

namespace mdlhost::dgn {
namespace {

constexpr int kMaxReportName = 255;

// --- values and names ------------------------------------------------------------

bool validName(const char16_t *name, size_t max)
{
    return name && *name && wideLength(name, max) <= max;
}

bool validType(int type)
{
    return type == TAGTYPE_TEXT || type == TAGTYPE_LONG || type == TAGTYPE_DOUBLE;
}

// Bytes of a text value; MDLHOST_MAX_TAGTEXT + 1 when it has no terminator
// within its buffer or is too long.
size_t textBytes(const DgnTagValue &v)
{
    return strnlen(v.stringValue, MDLHOST_MAX_TAGTEXT + 1);
}

void bindValue(sqlite3_stmt *st, int param, const DgnTagValue &v)
{
    switch (v.type) {
    case TAGTYPE_LONG: sqlite3_bind_int(st, param, v.longValue); break;
    case TAGTYPE_DOUBLE: sqlite3_bind_double(st, param, v.doubleValue); break;
    default: {
        std::string text = latin1ToUtf8(std::string_view(v.stringValue, textBytes(v)));
        sqlite3_bind_text(st, param, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    }
}

void columnValue(sqlite3_stmt *st, int col, DgnTagValue &v)
{
    v.longValue = 0;
    v.doubleValue = 0;
    v.stringValue[0] = 0;
    switch (v.type) {
    case TAGTYPE_LONG: v.longValue = sqlite3_column_int(st, col); break;
    case TAGTYPE_DOUBLE: v.doubleValue = sqlite3_column_double(st, col); break;
    default: {
        // Up to the first terminator, cut to the buffer.
        const auto *s = static_cast<const char16_t *>(sqlite3_column_text16(st, col));
        size_t n = s ? std::min(wideLength(s, sizeof v.stringValue - 1), sizeof v.stringValue - 1) : 0;
        copyText(v.stringValue, unitsToLatin1(s, n));
    }
    }
}

// The row id of the set; 0 when none (mdlErrno DGNERR_NOTFOUND), -1 on a
// database error.
int64_t setId(DgnModelRefP model, const char16_t *setName, std::u16string *report = nullptr)
{
    StoreStmt st(model, "SELECT id, report FROM dgn_tag_sets WHERE name = ?");
    if (!st) return -1;
    sqlite3_bind_text16(st.get(), 1, setName, -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(st.get());
    if (rc == SQLITE_DONE) {
        failWith(DGNERR_NOTFOUND);
        return 0;
    }
    if (rc != SQLITE_ROW) {
        storeError(rc);
        return -1;
    }
    if (report) {
        const auto *r = static_cast<const char16_t *>(sqlite3_column_text16(st.get(), 1));
        *report = r ? r : u"";
    }
    return sqlite3_column_int64(st.get(), 0);
}

// --- tag elements -------------------------------------------------------------------

const Tag_elm *asTag(const MSElement *el)
{
    if (!el || elementType(el) != ATTRIBUTE_ELM) return nullptr;
    const auto *t = reinterpret_cast<const Tag_elm *>(el);
    size_t body = 2u * static_cast<size_t>(el->ehdr.attrOffset);
    // A record from a file is checked before its count is used.
    if (el->ehdr.attrOffset > el->ehdr.elementSize || body < offsetof(Tag_elm, textValue) ||
        t->numChars > MDLHOST_MAX_TAGTEXT || offsetof(Tag_elm, textValue) + t->numChars > body ||
        !validType(t->type))
        return nullptr;
    return t;
}

// A vector through the current transformation without its translation.
DPoint3d vectorToUor(const DPoint3d &v)
{
    DPoint3d p[2] = {v, {0, 0, 0}};
    toUor(p, 2);
    return {p[0].x - p[1].x, p[0].y - p[1].y, p[0].z - p[1].z};
}

DPoint3d vectorFromUor(const DPoint3d &v)
{
    DPoint3d p[2] = {v, {0, 0, 0}};
    fromUor(p, 2);
    return {p[0].x - p[1].x, p[0].y - p[1].y, p[0].z - p[1].z};
}

// Where offsets are measured from: a line string's first point, else the
// low corner of the element's range.
DPoint3d anchorOf(const MSElement &target)
{
    int type = elementType(&target);
    if (type == LINE_STRING_ELM && target.linear.numVerts > 0) return target.linear.vertice[0];
    if (isGraphic(type)) return target.line.dhdr.range.low;
    return {0, 0, 0};
}

// --- finding the tags of an element ---------------------------------------------------
// Positions of the tags by target id, per file, built by one scan and
// rebuilt whenever the file's connection has changed anything since.  An
// index dies with its connection (a marker function's destructor tells), so
// a new connection at the same address never inherits it.

struct TagIndex {
    int64_t changes = -1;
    int64_t modelId = 0;
    std::map<ElementID, std::vector<uint32_t>> byTarget;
};

// Never destroyed: connections may close during exit, after statics go.
std::map<sqlite3 *, TagIndex> &indexes()
{
    static auto *m = new std::map<sqlite3 *, TagIndex>;
    return *m;
}

void markerFunction(sqlite3_context *ctx, int, sqlite3_value **) { sqlite3_result_null(ctx); }

// What mdlTag_create last looked up in one file, while that file is as it
// was: an element's tags are made one after another, naming the same set
// and target, and looking them up again per tag cost more than the tags.
struct CreateMemo {
    sqlite3 *db = nullptr;
    uint64_t rollbacks = 0;
    int64_t modelId = 0;
    uint64_t defsSerial = 0;
    // The set and its tags' types hold until set definitions are written.
    std::u16string setName;
    int64_t setId = 0;
    std::vector<std::pair<std::u16string, int>> types; // of the set's tags
    // The target holds while nothing in the file changes.
    int64_t changes = -1;
    ElementID target = 0;
    uint32_t level = 0;
    uint32_t properties = 0;
    DPoint3d anchor{};
};

// Bumped by every write of set definitions (only this file writes them).
uint64_t tagDefsSerial = 0;

CreateMemo &createMemo()
{
    static auto *m = new CreateMemo;
    return *m;
}

void connectionClosed(void *db)
{
    indexes().erase(static_cast<sqlite3 *>(db));
    if (createMemo().db == db) createMemo() = CreateMemo{};
}

// The connection's entry, its end watched by the marker function; null
// when the function cannot be made.
TagIndex *watchedConnection(sqlite3 *db)
{
    auto found = indexes().find(db);
    if (found == indexes().end()) {
        if (sqlite3_create_function_v2(db, "mdlhost_tag_index", 0, SQLITE_UTF8, db, markerFunction, nullptr,
                                       nullptr, connectionClosed) != SQLITE_OK)
            return nullptr;
        found = indexes().emplace(db, TagIndex{}).first;
    }
    return &found->second;
}

// The memo of model's file, emptied when anything may have changed since
// it was filled; null when the file cannot be watched.
CreateMemo *memoFor(DgnModelRefP model)
{
    sqlite3 *db = storeDb(model);
    if (!db || !watchedConnection(db)) return nullptr;
    CreateMemo &m = createMemo();
    const int64_t changes = sqlite3_total_changes64(db);
    const uint64_t rollbacks = storeRollbacks(model);
    const int64_t modelId = storeModelId(model);
    if (m.db != db || m.rollbacks != rollbacks || m.modelId != modelId || m.defsSerial != tagDefsSerial) {
        m = CreateMemo{};
        m.db = db;
        m.rollbacks = rollbacks;
        m.modelId = modelId;
        m.defsSerial = tagDefsSerial;
    }
    if (m.changes != changes) {
        m.changes = changes;
        m.target = 0;
    }
    return &m;
}

int tagIndex(DgnModelRefP model, const TagIndex **out)
{
    sqlite3 *db = storeDb(model);
    if (!db) return failWith(DGNERR_NOMODEL);
    TagIndex *watched = watchedConnection(db);
    if (!watched) return storeError(sqlite3_errcode(db));
    TagIndex &ix = *watched;
    int64_t changes = sqlite3_total_changes64(db);
    int64_t modelId = storeModelId(model);
    if (ix.changes == changes && ix.modelId == modelId) {
        *out = &ix;
        return 0;
    }
    ix.byTarget.clear();
    ix.changes = -1;
    auto el = std::make_unique<MSElement>();
    ScanFilter filter;
    filter.typeMask[ATTRIBUTE_ELM / 32] = 1u << (ATTRIBUTE_ELM % 32);
    int rc = storeScan(model, filter, [&](uint32_t pos) {
        if (mdlElement_read(el.get(), model, pos) != 0) return 0; // unreadable: not a tag we can give
        if (const Tag_elm *t = asTag(el.get())) ix.byTarget[t->targetId].push_back(pos);
        return 0;
    });
    if (rc != 0) {
        ix.byTarget.clear();
        return failWith(rc);
    }
    ix.changes = changes;
    ix.modelId = modelId;
    *out = &ix;
    return 0;
}

// Calls fn(pos, tag) for each tag of model whose set (and tag, when tagName
// is not null) match; stops on a non-zero result.
template <typename Fn>
int forEachTagOfSet(DgnModelRefP model, const char16_t *setName, const char16_t *tagName, Fn fn)
{
    auto el = std::make_unique<MSElement>();
    ScanFilter filter;
    filter.typeMask[ATTRIBUTE_ELM / 32] = 1u << (ATTRIBUTE_ELM % 32);
    return storeScan(model, filter, [&](uint32_t pos) {
        if (mdlElement_read(el.get(), model, pos) != 0) return 0;
        const Tag_elm *t = asTag(el.get());
        if (!t || !wideEqual(t->setName, setName)) return 0;
        if (tagName && !wideEqual(t->tagName, tagName)) return 0;
        return fn(pos, *t);
    });
}

int deleteInstances(DgnModelRefP model, const char16_t *setName, const char16_t *tagName)
{
    std::vector<uint32_t> positions;
    int rc = forEachTagOfSet(model, setName, tagName, [&](uint32_t pos, const Tag_elm &) {
        positions.push_back(pos);
        return 0;
    });
    if (rc != 0) return failWith(rc);
    for (uint32_t pos : positions)
        if ((rc = mdlhost_dgnDeleteInModel(model, pos)) != 0) return failWith(rc);
    return 0;
}

} // namespace
} // namespace mdlhost::dgn

using namespace mdlhost::dgn;

// --- set definitions ----------------------------------------------------------------

int mdlTag_createSetDef(const char16_t *setName, const char16_t *reportName, uint32_t, const DgnTagDefinition *defs,
                        int count, DgnModelRefP model)
{
    ++tagDefsSerial;
    model = modelOrActive(model);
    if (!validName(setName, MDLHOST_MAX_TAGNAME) || !defs || count < 1 || count > MDLHOST_MAX_TAGDEFS ||
        (reportName && wideLength(reportName, kMaxReportName) > kMaxReportName))
        return failWith(DGNERR_BADARG);
    for (int i = 0; i < count; ++i) {
        const DgnTagDefinition &d = defs[i];
        if (!validName(d.name, MDLHOST_MAX_TAGNAME) || wideLength(d.prompt, MDLHOST_MAX_TAGNAME) > MDLHOST_MAX_TAGNAME ||
            !validType(d.value.type) || (d.value.type == TAGTYPE_TEXT && textBytes(d.value) > MDLHOST_MAX_TAGTEXT))
            return failWith(DGNERR_BADARG);
        // Tags find their definition by name, so names must be unique.
        for (int j = 0; j < i; ++j)
            if (wideEqual(defs[j].name, d.name)) return failWith(DGNERR_BADARG);
    }
    if (!storeDb(model)) return failWith(DGNERR_NOMODEL);
    if (mdlModelRef_isReadOnly(model)) return failWith(DGNERR_READONLY);
    int64_t existing = setId(model, setName);
    if (existing < 0) return mdlErrno;
    if (existing > 0) return failWith(DGNERR_EXISTS);

    StoreWrite w(model);
    if (!w.ok()) return w.error();
    int64_t id = 0;
    {
        StoreStmt st(model, "INSERT INTO dgn_tag_sets(name, report) VALUES(?, ?)");
        if (!st) return w.fail(mdlErrno);
        sqlite3_bind_text16(st.get(), 1, setName, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text16(st.get(), 2, reportName ? reportName : u"", -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(st.get());
        if (rc != SQLITE_DONE) return w.fail(storeError(rc));
        id = sqlite3_last_insert_rowid(storeDb(model));
    }
    for (int i = 0; i < count; ++i) {
        StoreStmt st(model, "INSERT INTO dgn_tag_defs(set_id, idx, name, type, prompt, default_value) "
                       "VALUES(?, ?, ?, ?, ?, ?)");
        if (!st) return w.fail(mdlErrno);
        sqlite3_bind_int64(st.get(), 1, id);
        sqlite3_bind_int(st.get(), 2, i);
        sqlite3_bind_text16(st.get(), 3, defs[i].name, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st.get(), 4, defs[i].value.type);
        sqlite3_bind_text16(st.get(), 5, defs[i].prompt, -1, SQLITE_TRANSIENT);
        bindValue(st.get(), 6, defs[i].value);
        int rc = sqlite3_step(st.get());
        if (rc != SQLITE_DONE) return w.fail(storeError(rc));
    }
    int rc = w.finish();
    return rc ? rc : succeed();
}

void mdlTag_freeTagDefArray(DgnTagDefinition *defs, int) { dlmSystem_mdlFree(defs); }

int mdlTag_getSetNames(DgnTagSetName **names, int *count, DgnModelRefP model)
{
    if (!names || !count) return failWith(DGNERR_BADARG);
    *names = nullptr;
    *count = 0;
    model = modelOrActive(model);
    std::vector<DgnTagSetName> found;
    {
        StoreStmt st(model, "SELECT name FROM dgn_tag_sets ORDER BY id");
        if (!st) return mdlErrno;
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
            DgnTagSetName n{};
            wideCopy(n.name, MDLHOST_MAX_TAGNAME + 1, static_cast<const char16_t *>(sqlite3_column_text16(st.get(), 0)));
            found.push_back(n);
        }
        if (rc != SQLITE_DONE) return storeError(rc);
    }
    if (!found.empty()) {
        auto *out = static_cast<DgnTagSetName *>(dlmSystem_mdlMalloc(found.size() * sizeof(DgnTagSetName)));
        if (!out) return failWith(DGNERR_IO);
        memcpy(out, found.data(), found.size() * sizeof(DgnTagSetName));
        *names = out;
        *count = static_cast<int>(found.size());
    }
    return succeed();
}

int mdlTag_getSetDef(DgnTagDefinition **defs, int *count, char16_t *reportName, int reportChars,
                     const char16_t *setName, DgnModelRefP model)
{
    if (!defs || !count) return failWith(DGNERR_BADARG);
    *defs = nullptr;
    *count = 0;
    if (!validName(setName, MDLHOST_MAX_TAGNAME)) return failWith(DGNERR_BADARG);
    model = modelOrActive(model);
    std::u16string report;
    int64_t id = setId(model, setName, &report);
    if (id <= 0) return mdlErrno;
    std::vector<DgnTagDefinition> found;
    {
        StoreStmt st(model, "SELECT name, type, prompt, default_value FROM dgn_tag_defs WHERE set_id = ? ORDER BY idx");
        if (!st) return mdlErrno;
        sqlite3_bind_int64(st.get(), 1, id);
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW && found.size() < MDLHOST_MAX_TAGDEFS) {
            DgnTagDefinition d{};
            wideCopy(d.name, MDLHOST_MAX_TAGNAME + 1, static_cast<const char16_t *>(sqlite3_column_text16(st.get(), 0)));
            d.value.type = sqlite3_column_int(st.get(), 1);
            if (!validType(d.value.type)) d.value.type = TAGTYPE_TEXT;
            wideCopy(d.prompt, MDLHOST_MAX_TAGNAME + 1,
                     static_cast<const char16_t *>(sqlite3_column_text16(st.get(), 2)));
            columnValue(st.get(), 3, d.value);
            found.push_back(d);
        }
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) return storeError(rc);
    }
    if (!found.empty()) {
        auto *out = static_cast<DgnTagDefinition *>(dlmSystem_mdlMalloc(found.size() * sizeof(DgnTagDefinition)));
        if (!out) return failWith(DGNERR_IO);
        memcpy(out, found.data(), found.size() * sizeof(DgnTagDefinition));
        *defs = out;
        *count = static_cast<int>(found.size());
    }
    if (reportName) wideCopy(reportName, reportChars, report.c_str());
    return succeed();
}

// --- tag elements ---------------------------------------------------------------------

// A tag takes only the level, the 3D bit and the anchor of its target, so
// the target is read into one buffer kept for the thread: a whole element
// allocated and cleared per tag cost more than the rest of an import.
namespace {
MSElement *targetBuffer()
{
    thread_local std::unique_ptr<MSElement> buffer;
    if (!buffer) buffer.reset(new (std::nothrow) MSElement);
    return buffer.get();
}
} // namespace

int mdlTag_create(MSElement *tagEl, const char16_t *setName, const char16_t *tagName, const DgnTagValue *value,
                  ElementID target, const DPoint3d *origin, int hidden, DgnModelRefP model)
{
    if (!tagEl || !value || !validName(setName, MDLHOST_MAX_TAGNAME) || !validName(tagName, MDLHOST_MAX_TAGNAME))
        return failWith(DGNERR_BADARG);
    model = modelOrActive(model);
    CreateMemo *memo = memoFor(model);
    int64_t id = 0;
    if (memo && memo->setId > 0 && memo->setName == setName) {
        id = memo->setId;
    } else {
        id = setId(model, setName);
        if (id <= 0) return mdlErrno;
        if (memo) {
            memo->setName = setName;
            memo->setId = id;
            memo->types.clear();
        }
    }
    int type = -1;
    if (memo)
        for (const auto &[name, t] : memo->types)
            if (name == tagName) type = t;
    if (type < 0) {
        StoreStmt st(model, "SELECT type FROM dgn_tag_defs WHERE set_id = ? AND name = ?");
        if (!st) return mdlErrno;
        sqlite3_bind_int64(st.get(), 1, id);
        sqlite3_bind_text16(st.get(), 2, tagName, -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(st.get());
        if (rc == SQLITE_DONE) return failWith(DGNERR_NOTFOUND);
        if (rc != SQLITE_ROW) return storeError(rc);
        type = sqlite3_column_int(st.get(), 0);
        if (memo) memo->types.emplace_back(tagName, type);
    }
    if (value->type != type) return failWith(DGNERR_BADELEMENT);
    size_t chars = type == TAGTYPE_TEXT ? textBytes(*value) : 0;
    if (chars > MDLHOST_MAX_TAGTEXT || (type == TAGTYPE_DOUBLE && !std::isfinite(value->doubleValue)))
        return failWith(DGNERR_BADELEMENT);
    DPoint3d offset = vectorToUor(origin ? *origin : DPoint3d{0, 0, 0});
    if (!std::isfinite(offset.x) || !std::isfinite(offset.y) || !std::isfinite(offset.z))
        return failWith(DGNERR_BADELEMENT);

    if (target == 0) return failWith(DGNERR_NOTFOUND);
    uint32_t level = 0, properties = 0;
    DPoint3d anchor{0, 0, 0};
    if (memo && memo->target == target) {
        level = memo->level;
        properties = memo->properties;
        anchor = memo->anchor;
    } else {
        MSElement *targetEl = targetBuffer();
        if (!targetEl) return failWith(DGNERR_IO);
        if (mdlAssoc_getElement(targetEl, target, model) == 0) return failWith(DGNERR_NOTFOUND);
        level = targetEl->ehdr.level;
        properties = targetEl->ehdr.properties;
        anchor = anchorOf(*targetEl);
        if (memo) {
            memo->target = target;
            memo->level = level;
            memo->properties = properties;
            memo->anchor = anchor;
        }
    }

    const size_t bytes = offsetof(Tag_elm, textValue) + chars;
    const uint32_t words = static_cast<uint32_t>((bytes + 1) / 2);
    memset(tagEl, 0, 2u * words);
    auto *t = reinterpret_cast<Tag_elm *>(tagEl);
    t->ehdr.type = ATTRIBUTE_ELM;
    t->ehdr.elementSize = t->ehdr.attrOffset = words;
    t->ehdr.level = level;
    t->ehdr.properties = properties & ELM_PROP_3D;
    DPoint3d at = anchor;
    at = {at.x + offset.x, at.y + offset.y, at.z + offset.z};
    t->dhdr.range.low = t->dhdr.range.high = at;
    t->targetId = target;
    t->origin = offset;
    t->flags = hidden ? TAG_FLAG_HIDDEN : 0;
    t->type = type;
    t->longValue = type == TAGTYPE_LONG ? value->longValue : 0;
    t->doubleValue = type == TAGTYPE_DOUBLE ? value->doubleValue : 0;
    t->numChars = static_cast<uint32_t>(chars);
    wideCopy(t->setName, MDLHOST_MAX_TAGNAME + 1, setName);
    wideCopy(t->tagName, MDLHOST_MAX_TAGNAME + 1, tagName);
    memcpy(t->textValue, value->stringValue, chars);
    return succeed();
}

int mdlTag_extract(char16_t *setName, char16_t *tagName, DgnTagValue *value, ElementID *target, DPoint3d *origin,
                   int *hidden, const MSElement *tagEl)
{
    const Tag_elm *t = asTag(tagEl);
    if (!t) return failWith(DGNERR_BADELEMENT);
    if (setName) wideCopy(setName, MDLHOST_MAX_TAGNAME + 1, t->setName);
    if (tagName) wideCopy(tagName, MDLHOST_MAX_TAGNAME + 1, t->tagName);
    if (value) {
        value->type = t->type;
        value->longValue = t->longValue;
        value->doubleValue = t->doubleValue;
        memcpy(value->stringValue, t->textValue, t->numChars);
        value->stringValue[t->numChars] = 0;
    }
    if (target) *target = t->targetId;
    if (origin) *origin = vectorFromUor(t->origin);
    if (hidden) *hidden = (t->flags & TAG_FLAG_HIDDEN) ? 1 : 0;
    return succeed();
}

int mdlTag_getElementTags(MSElementDescr **tags, int *count, const MSElement *target, DgnModelRefP model)
{
    if (!tags || !count || !target) return failWith(DGNERR_BADARG);
    *tags = nullptr;
    *count = 0;
    model = modelOrActive(model);
    ElementID id = target->ehdr.uniqueId;
    if (id == 0) return succeed(); // never added: nothing can name it
    const TagIndex *ix = nullptr;
    int rc = tagIndex(model, &ix);
    if (rc != 0) return rc;
    auto it = ix->byTarget.find(id);
    if (it == ix->byTarget.end()) return succeed();
    const std::vector<uint32_t> positions = it->second; // the index may be rebuilt while we read
    MSElementDescr *head = nullptr, *tail = nullptr;
    int n = 0;
    for (uint32_t pos : positions) {
        MSElementDescr *d = nullptr;
        if (mdlElmdscr_read(&d, pos, model, 0, nullptr) == 0 || !d) continue;
        const Tag_elm *t = asTag(&d->el);
        if (!t || t->targetId != id) {
            mdlElmdscr_freeAll(&d);
            continue;
        }
        d->h.previous = tail;
        if (tail) tail->h.next = d;
        else head = d;
        tail = d;
        ++n;
    }
    *tags = head;
    *count = n;
    return succeed();
}

// --- deleting ----------------------------------------------------------------------------

int mdlTag_deleteTagInstances(DgnModelRefP model, const char16_t *setName, const char16_t *tagName)
{
    if (!validName(setName, MDLHOST_MAX_TAGNAME) || (tagName && !validName(tagName, MDLHOST_MAX_TAGNAME)))
        return failWith(DGNERR_BADARG);
    model = modelOrActive(model);
    if (!storeDb(model)) return failWith(DGNERR_NOMODEL);
    mdlhost_dgnBeginCommand();
    int rc = deleteInstances(model, setName, tagName);
    int end = mdlhost_dgnEndCommand(rc == 0);
    if (rc == 0) rc = end;
    return rc ? failWith(rc) : succeed();
}

int mdlTag_deleteSetDef(const char16_t *setName, DgnModelRefP model)
{
    ++tagDefsSerial;
    if (!validName(setName, MDLHOST_MAX_TAGNAME)) return failWith(DGNERR_BADARG);
    model = modelOrActive(model);
    int64_t id = setId(model, setName);
    if (id <= 0) return mdlErrno;
    if (mdlModelRef_isReadOnly(model)) return failWith(DGNERR_READONLY);
    // One command: the set and its tags go together or not at all.
    mdlhost_dgnBeginCommand();
    int rc = deleteInstances(model, setName, nullptr);
    if (rc == 0) {
        StoreWrite w(model);
        rc = w.error();
        for (const char *sql : {"DELETE FROM dgn_tag_defs WHERE set_id = ?", "DELETE FROM dgn_tag_sets WHERE id = ?"}) {
            if (rc != 0) break;
            StoreStmt st(model, sql);
            if (!st) {
                rc = w.fail(mdlErrno);
                break;
            }
            sqlite3_bind_int64(st.get(), 1, id);
            int step = sqlite3_step(st.get());
            if (step != SQLITE_DONE) rc = w.fail(storeError(step));
        }
        if (rc == 0) rc = w.finish();
    }
    int end = mdlhost_dgnEndCommand(rc == 0);
    if (rc == 0) rc = end;
    return rc ? failWith(rc) : succeed();
}
