// Named levels of a design file: kept in the file's level table and in
// memory for the lookups every element write makes.
#include <cstring>

#include "base/text_host.h"
#include "dgnstore_int.h"

using namespace mdlhost::dgn;

namespace {

// The name as given, or empty when it is missing or too long.
bool levelName(const char16_t *name, std::u16string &out)
{
    out = wideString(name, MDLHOST_MAX_LEVELNAME + 1);
    return !out.empty() && out.size() <= MDLHOST_MAX_LEVELNAME;
}

Level *findLevel(DgnModelRefP model, uint32_t levelId, Model **m)
{
    *m = needModel(model);
    if (*m == nullptr)
        return nullptr;
    auto it = (*m)->file->levels.find(levelId);
    if (it == (*m)->file->levels.end()) {
        mdlErrno = DGNERR_NOTFOUND;
        return nullptr;
    }
    return &it->second;
}

// Writes one column of a level's row and then the level in memory.
template <typename Apply>
int updateLevel(DgnModelRefP model, uint32_t levelId, const char *sql, const std::function<void(sqlite3_stmt *)> &bind,
                Apply apply)
{
    Model *m = nullptr;
    if (findLevel(model, levelId, &m) == nullptr)
        return mdlErrno;
    StoreWrite w(model);
    if (!w.ok())
        return w.error();
    sqlite3_stmt *s = fileStatement(*m->file, sql);
    if (s == nullptr)
        return w.fail(mdlErrno);
    sqlite3_bind_int64(s, 1, levelId);
    bind(s);
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE)
        return w.fail(storeError(rc));
    apply(m->file->levels[levelId]);
    return w.finish();
}

} // namespace

int mdlLevel_create(DgnModelRefP model, const char16_t *name, uint32_t *levelId)
{
    if (levelId)
        *levelId = LEVEL_NULL_ID;
    std::u16string n;
    if (!levelName(name, n))
        return mdlErrno = DGNERR_BADARG;
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    DgnFile &f = *m->file;
    if (auto it = f.levelByName.find(n); it != f.levelByName.end()) {
        if (levelId)
            *levelId = it->second;
        return mdlErrno = DGNERR_EXISTS;
    }
    StoreWrite w(model);
    if (!w.ok())
        return w.error();
    sqlite3_stmt *s = fileStatement(f, "INSERT INTO dgn_levels (name, description, color, weight, style) "
                                       "VALUES (?1, '', 0, 0, 0)");
    if (s == nullptr)
        return w.fail(mdlErrno);
    std::string name8 = mdlhost::utf16ToUtf8(n);
    sqlite3_bind_text(s, 1, name8.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE)
        return w.fail(storeError(rc));
    int64_t id = sqlite3_last_insert_rowid(f.db);
    if (id <= 0 || id > int64_t(UINT32_MAX))
        return w.fail(DGNERR_FILEFULL);
    Level l;
    l.name = n;
    f.levels[uint32_t(id)] = l;
    f.levelByName[n] = uint32_t(id);
    if (int e = w.finish())
        return e;
    if (levelId)
        *levelId = uint32_t(id);
    return mdlErrno = 0;
}

int mdlLevel_getIdFromName(uint32_t *levelId, DgnModelRefP model, const char16_t *name)
{
    if (levelId)
        *levelId = LEVEL_NULL_ID;
    std::u16string n;
    if (!levelName(name, n))
        return mdlErrno = DGNERR_BADARG;
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    auto it = m->file->levelByName.find(n);
    if (it == m->file->levelByName.end())
        return mdlErrno = DGNERR_NOTFOUND;
    if (levelId)
        *levelId = it->second;
    return mdlErrno = 0;
}

int mdlLevel_isValidByName(DgnModelRefP model, const char16_t *name)
{
    uint32_t id;
    int saved = mdlErrno;
    int found = mdlLevel_getIdFromName(&id, model, name) == 0;
    mdlErrno = saved;
    return found;
}

// Names and descriptions longer than the caller's buffer are cut to it.
int mdlLevel_getName(char16_t *name, int maxChars, DgnModelRefP model, uint32_t levelId)
{
    if (name == nullptr || maxChars <= 0)
        return mdlErrno = DGNERR_BADARG;
    name[0] = 0;
    Model *m = nullptr;
    Level *l = findLevel(model, levelId, &m);
    if (l == nullptr)
        return mdlErrno;
    copyWide(name, maxChars, l->name);
    return mdlErrno = 0;
}

int mdlLevel_setDescription(DgnModelRefP model, uint32_t levelId, const char16_t *description)
{
    std::u16string d = wideString(description, MDLHOST_MAX_LEVELNAME + 1);
    if (d.size() > MDLHOST_MAX_LEVELNAME)
        return mdlErrno = DGNERR_BADARG;
    std::string d8 = mdlhost::utf16ToUtf8(d);
    return updateLevel(
        model, levelId, "UPDATE dgn_levels SET description = ?2 WHERE id = ?1",
        [&](sqlite3_stmt *s) { sqlite3_bind_text(s, 2, d8.c_str(), -1, SQLITE_TRANSIENT); },
        [&](Level &l) { l.description = d; });
}

int mdlLevel_getDescription(char16_t *description, int maxChars, DgnModelRefP model, uint32_t levelId)
{
    if (description == nullptr || maxChars <= 0)
        return mdlErrno = DGNERR_BADARG;
    description[0] = 0;
    Model *m = nullptr;
    Level *l = findLevel(model, levelId, &m);
    if (l == nullptr)
        return mdlErrno;
    copyWide(description, maxChars, l->description);
    return mdlErrno = 0;
}

int mdlLevel_setElementColor(DgnModelRefP model, uint32_t levelId, uint32_t color)
{
    return updateLevel(
        model, levelId, "UPDATE dgn_levels SET color = ?2 WHERE id = ?1",
        [&](sqlite3_stmt *s) { sqlite3_bind_int64(s, 2, color); }, [&](Level &l) { l.color = color; });
}

int mdlLevel_setElementWeight(DgnModelRefP model, uint32_t levelId, uint32_t weight)
{
    return updateLevel(
        model, levelId, "UPDATE dgn_levels SET weight = ?2 WHERE id = ?1",
        [&](sqlite3_stmt *s) { sqlite3_bind_int64(s, 2, weight); }, [&](Level &l) { l.weight = weight; });
}

int mdlLevel_setElementStyle(DgnModelRefP model, uint32_t levelId, int32_t style)
{
    return updateLevel(
        model, levelId, "UPDATE dgn_levels SET style = ?2 WHERE id = ?1",
        [&](sqlite3_stmt *s) { sqlite3_bind_int64(s, 2, style); }, [&](Level &l) { l.style = style; });
}

int mdlLevel_getElementColor(uint32_t *color, DgnModelRefP model, uint32_t levelId)
{
    Model *m = nullptr;
    Level *l = findLevel(model, levelId, &m);
    if (l == nullptr)
        return mdlErrno;
    if (color)
        *color = l->color;
    return mdlErrno = 0;
}

int mdlLevel_getElementWeight(uint32_t *weight, DgnModelRefP model, uint32_t levelId)
{
    Model *m = nullptr;
    Level *l = findLevel(model, levelId, &m);
    if (l == nullptr)
        return mdlErrno;
    if (weight)
        *weight = l->weight;
    return mdlErrno = 0;
}

int mdlLevel_getElementStyle(int32_t *style, DgnModelRefP model, uint32_t levelId)
{
    Model *m = nullptr;
    Level *l = findLevel(model, levelId, &m);
    if (l == nullptr)
        return mdlErrno;
    if (style)
        *style = l->style;
    return mdlErrno = 0;
}

int mdlhost_levelIds(DgnModelRefP model, uint32_t *ids, int max)
{
    Model *m = needModel(model);
    if (m == nullptr || ids == nullptr || max <= 0)
        return 0;
    int n = 0;
    for (const auto &[id, level] : m->file->levels) {
        if (n == max)
            break;
        ids[n++] = id;
    }
    return n;
}

int mdlLevelTable_rewrite(DgnModelRefP model)
{
    return needModel(model) ? (mdlErrno = 0) : mdlErrno;
}
