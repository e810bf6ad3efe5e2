// Models: handles, the active design file, models of a file, units and the
// design range.
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include <unistd.h>

#include "base/mdlbase.h"
#include "base/text_host.h"
#include "dgnstore_int.h"
#include "sys/mdlsys.h"
#include "sys/sys_host.h"

namespace mdlhost::dgn {

void releaseFile(const std::shared_ptr<DgnFile> &file);
void forgetStatements(DgnFile &file, const std::string &table);
int createModelRows(sqlite3 *db, int64_t *id, const std::string &name, const std::string &description, bool is3d,
                    double uorPerMaster, const std::string &unit, const DPoint3d &origin, int32_t srsId);

namespace {

std::map<DgnModelRefP, std::unique_ptr<Model>> handles;
DgnModelRefP nextHandle = 1;
DgnModelRefP activeHandle = MDLHOST_NO_MODEL;
// The work file of a design made whole (mdlhost_newDesignFileWhole) while
// it is the active design, and the file it is to replace.
std::string workFile, workTarget;

// Once the work file's design is closed: renamed over its target when kept,
// else removed.  False when a kept file did not land.
bool endWorkFile(bool keep)
{
    if (workFile.empty())
        return true;
    std::string work = std::move(workFile), target = std::move(workTarget);
    workFile.clear();
    workTarget.clear();
    return mdlhost::commitReplacement(work, target, keep) || !keep;
}

int64_t firstId(DgnFile &file, const char *sql, const std::function<void(sqlite3_stmt *)> &bind)
{
    sqlite3_stmt *s = fileStatement(file, sql);
    if (s == nullptr)
        return 0;
    bind(s);
    int64_t id = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_reset(s);
    return id;
}

// A model handle the caller gets: a new handle of model id of m's file.
int giveHandle(Model *m, int64_t id, DgnModelRefP *model)
{
    if (id == 0)
        return mdlErrno = DGNERR_NOMODEL;
    DgnModelRefP h = newHandle(m->file, id, m->writable, m->reference);
    if (h == MDLHOST_NO_MODEL)
        return mdlErrno;
    *model = h;
    return mdlErrno = 0;
}

bool validName(const char16_t *name)
{
    return name != nullptr && name[0] != 0 && wideString(name, MDLHOST_MAX_MODELNAME + 1).size() <= MDLHOST_MAX_MODELNAME;
}

} // namespace

Model *findModel(DgnModelRefP handle)
{
    if (handle == MDLHOST_NO_MODEL)
        handle = activeHandle;
    auto it = handles.find(handle);
    return it == handles.end() ? nullptr : it->second.get();
}

Model *needModel(DgnModelRefP handle)
{
    Model *m = findModel(handle);
    if (m == nullptr || m->deleted) {
        mdlErrno = DGNERR_NOMODEL;
        return nullptr;
    }
    return m;
}

int64_t defaultModelId(DgnFile &file)
{
    return firstId(file, "SELECT min(id) FROM dgn_models", [](sqlite3_stmt *) {});
}

DgnModelRefP newHandle(const std::shared_ptr<DgnFile> &file, int64_t id, bool writable, bool reference)
{
    sqlite3_stmt *s =
        fileStatement(*file, "SELECT is3d, uor_per_master, master_unit, origin_x, origin_y, origin_z FROM dgn_models "
                             "WHERE id = ?1");
    if (s == nullptr)
        return MDLHOST_NO_MODEL;
    sqlite3_bind_int64(s, 1, id);
    if (sqlite3_step(s) != SQLITE_ROW) {
        sqlite3_reset(s);
        mdlErrno = DGNERR_NOMODEL;
        return MDLHOST_NO_MODEL;
    }
    auto m = std::make_unique<Model>();
    m->file = file;
    m->id = id;
    m->is3d = sqlite3_column_int(s, 0) != 0;
    m->uorPerMaster = sqlite3_column_double(s, 1);
    const unsigned char *unit = sqlite3_column_text(s, 2);
    m->unitName = unit ? reinterpret_cast<const char *>(unit) : "";
    m->origin = {sqlite3_column_double(s, 3), sqlite3_column_double(s, 4), sqlite3_column_double(s, 5)};
    sqlite3_reset(s);
    m->writable = writable && !file->readOnly;
    m->reference = reference;
    m->handle = nextHandle++;
    file->handles++;
    DgnModelRefP h = m->handle;
    handles[h] = std::move(m);
    return h;
}

void closeHandle(DgnModelRefP handle)
{
    auto it = handles.find(handle);
    if (it == handles.end())
        return;
    std::shared_ptr<DgnFile> file = it->second->file;
    handles.erase(it);
    releaseFile(file);
}

} // namespace mdlhost::dgn

using namespace mdlhost::dgn;

// --- the active design file ----------------------------------------------------------

int mdlSystem_newDesignFile(const char *path)
{
    if (path == nullptr || path[0] == '\0')
        return mdlErrno = DGNERR_BADARG;
    std::shared_ptr<DgnFile> file = openFile(path, path);
    if (file == nullptr)
        return mdlErrno;
    DgnModelRefP h = newHandle(file, defaultModelId(*file), true, false);
    if (h == MDLHOST_NO_MODEL) {
        if (file->handles == 0) {
            file->handles = 1;
            releaseFile(file);
        }
        return mdlErrno = DGNERR_BADFILE;
    }
    DgnModelRefP old = activeHandle;
    activeHandle = h;
    if (old != MDLHOST_NO_MODEL)
        closeHandle(old);
    endWorkFile(false);
    // The applications' hooks see the new file once it is active.
    mdlhost_newDesignFile(path);
    return mdlErrno = 0;
}

int mdlhost_newDesignFileWhole(const char *path, const char *seedFile)
{
    char mapped[MDLHOST_MAXLOCALPATH];
    if (path == nullptr || path[0] == '\0' || seedFile == nullptr ||
        mdlhost_mapPath(mapped, sizeof mapped, path)[0] == '\0')
        return mdlErrno = DGNERR_BADARG;
    mdlhost::removeStaleTemporaries(mapped);
    std::string work = mdlhost::temporaryBeside(mapped);
    if (mdlFile_copy(work.c_str(), seedFile) != 0) {
        unlink(work.c_str());
        return mdlErrno = DGNERR_IO;
    }
    std::shared_ptr<DgnFile> file = openFile(work, path);
    DgnModelRefP h = file == nullptr ? MDLHOST_NO_MODEL : newHandle(file, defaultModelId(*file), true, false);
    if (h == MDLHOST_NO_MODEL) {
        int e = file == nullptr ? mdlErrno : DGNERR_BADFILE;
        if (file != nullptr && file->handles == 0) {
            file->handles = 1;
            releaseFile(file);
        }
        unlink(work.c_str());
        return mdlErrno = e;
    }
    DgnModelRefP old = activeHandle;
    activeHandle = h;
    if (old != MDLHOST_NO_MODEL)
        closeHandle(old);
    endWorkFile(false);
    workFile = work;
    workTarget = mapped;
    mdlhost_newDesignFile(path);
    return mdlErrno = 0;
}

void mdlhost_closeDesignFile(void) { mdlhost_closeDesignFileKeeping(0); }

int mdlhost_closeDesignFileKeeping(int keep)
{
    if (activeHandle == MDLHOST_NO_MODEL)
        return 0;
    mdlhost_closeDesignFileHooks();
    DgnModelRefP old = activeHandle;
    activeHandle = MDLHOST_NO_MODEL;
    closeHandle(old);
    return endWorkFile(keep != 0) ? 0 : (mdlErrno = DGNERR_IO);
}

// --- models -------------------------------------------------------------------------

DgnModelRefP mdlModelRef_getActive(void) { return activeHandle; }

int mdlModelRef_areSame(DgnModelRefP a, DgnModelRefP b)
{
    Model *ma = findModel(a), *mb = findModel(b);
    if (ma == nullptr || mb == nullptr)
        return ma == mb && a == b;
    return ma->file == mb->file && ma->id == mb->id;
}

int mdlModelRef_isActiveModel(DgnModelRefP model)
{
    return activeHandle != MDLHOST_NO_MODEL && findModel(model) != nullptr && mdlModelRef_areSame(model, activeHandle);
}

int mdlModelRef_isReference(DgnModelRefP model)
{
    Model *m = findModel(model);
    return m && m->reference;
}

int mdlModelRef_isReadOnly(DgnModelRefP model)
{
    Model *m = findModel(model);
    return m == nullptr || !m->writable || m->file->readOnly;
}

int mdlModelRef_is3D(DgnModelRefP model)
{
    Model *m = findModel(model);
    return m && m->is3d;
}

double mdlModelRef_getUorPerMaster(DgnModelRefP model)
{
    Model *m = needModel(model);
    return m ? m->uorPerMaster : 0.0;
}

int mdlModelRef_getGlobalOrigin(DgnModelRefP model, DPoint3d *origin)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    if (origin)
        *origin = m->origin;
    return mdlErrno = 0;
}

int mdlModelRef_getMasterUnitName(DgnModelRefP model, char *name, int size)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    if (name == nullptr || size <= 0 || m->unitName.size() >= size_t(size))
        return mdlErrno = DGNERR_BADARG;
    mdlhost::copyText(name, size_t(size), m->unitName.c_str());
    return mdlErrno = 0;
}

uint32_t mdlModelRef_getEof(DgnModelRefP model)
{
    Model *m = needModel(model);
    return m ? m->file->nextPos : 0;
}

int mdlModelRef_getFileName(DgnModelRefP model, char *name, int size)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    if (name == nullptr || size <= 0 || m->file->path.size() >= size_t(size))
        return mdlErrno = DGNERR_BADARG;
    mdlhost::copyText(name, size_t(size), m->file->path.c_str());
    return mdlErrno = 0;
}

int mdlhost_dgnOpenModel(DgnModelRefP *model, const char *path, int mode)
{
    if (model == nullptr || path == nullptr || path[0] == '\0')
        return mdlErrno = DGNERR_BADARG;
    *model = MDLHOST_NO_MODEL;
    std::shared_ptr<DgnFile> file = openFile(path, path);
    if (file == nullptr)
        return mdlErrno;
    bool write = (mode & DGN_OPEN_WRITE) != 0;
    bool unused = file->handles == 0;
    if (write && file->readOnly) {
        if (unused) {
            file->handles = 1;
            releaseFile(file);
        }
        return mdlErrno = DGNERR_READONLY;
    }
    DgnModelRefP h = newHandle(file, defaultModelId(*file), write, (mode & DGN_OPEN_REFERENCE) != 0);
    if (h == MDLHOST_NO_MODEL) {
        if (unused) {
            file->handles = 1;
            releaseFile(file);
        }
        return mdlErrno = DGNERR_BADFILE;
    }
    *model = h;
    return mdlErrno = 0;
}

// The active design file is closed by mdlhost_closeDesignFile only.
void mdlhost_dgnCloseModel(DgnModelRefP model)
{
    if (model != MDLHOST_NO_MODEL && model != activeHandle)
        closeHandle(model);
}

// --- models of a file ---------------------------------------------------------------

int mdlhost_dgnCreateModel(DgnModelRefP fileModel, const char16_t *name, const char16_t *description,
                           DgnModelRefP *model)
{
    if (model == nullptr || !validName(name) ||
        (description && wideString(description, MDLHOST_MAX_MODELNAME + 1).size() > MDLHOST_MAX_MODELNAME))
        return mdlErrno = DGNERR_BADARG;
    *model = MDLHOST_NO_MODEL;
    Model *m = needModel(fileModel);
    if (m == nullptr)
        return mdlErrno;
    std::string name8 = mdlhost::utf16ToUtf8(wideString(name, MDLHOST_MAX_MODELNAME));
    std::string descr8 = mdlhost::utf16ToUtf8(wideString(description, MDLHOST_MAX_MODELNAME));
    if (firstId(*m->file, "SELECT id FROM dgn_models WHERE name = ?1", [&](sqlite3_stmt *s) {
            sqlite3_bind_text(s, 1, name8.c_str(), -1, SQLITE_TRANSIENT);
        }) != 0)
        return mdlErrno = DGNERR_EXISTS;
    StoreWrite w(fileModel);
    if (!w.ok())
        return w.error();
    int64_t id = 0;
    int rc = createModelRows(m->file->db, &id, name8, descr8, m->is3d, m->uorPerMaster, m->unitName, m->origin,
                             m->file->epsg > 0 ? m->file->epsg : kUorSrsId);
    if ((rc & 0xFF) == SQLITE_CONSTRAINT) // the name is taken by another table of the file
        return w.fail(DGNERR_EXISTS);
    if (rc != SQLITE_OK)
        return w.fail(storeError(rc));
    m->file->extents[id] = Extent{};
    if (int e = w.finish())
        return e;
    return giveHandle(m, id, model);
}

int mdlhost_dgnModelCount(DgnModelRefP fileModel)
{
    Model *m = needModel(fileModel);
    if (m == nullptr)
        return 0;
    return int(firstId(*m->file, "SELECT count(*) FROM dgn_models", [](sqlite3_stmt *) {}));
}

int mdlhost_dgnOpenModelAt(DgnModelRefP fileModel, int index, DgnModelRefP *model)
{
    if (model == nullptr || index < 0)
        return mdlErrno = DGNERR_BADARG;
    *model = MDLHOST_NO_MODEL;
    Model *m = needModel(fileModel);
    if (m == nullptr)
        return mdlErrno;
    int64_t id = firstId(*m->file, "SELECT id FROM dgn_models ORDER BY id LIMIT 1 OFFSET ?1",
                         [&](sqlite3_stmt *s) { sqlite3_bind_int(s, 1, index); });
    return giveHandle(m, id, model);
}

int mdlhost_dgnFindModel(DgnModelRefP fileModel, const char16_t *name, DgnModelRefP *model)
{
    if (model == nullptr || !validName(name))
        return mdlErrno = DGNERR_BADARG;
    *model = MDLHOST_NO_MODEL;
    Model *m = needModel(fileModel);
    if (m == nullptr)
        return mdlErrno;
    std::string name8 = mdlhost::utf16ToUtf8(wideString(name, MDLHOST_MAX_MODELNAME));
    int64_t id = firstId(*m->file, "SELECT id FROM dgn_models WHERE name = ?1", [&](sqlite3_stmt *s) {
        sqlite3_bind_text(s, 1, name8.c_str(), -1, SQLITE_TRANSIENT);
    });
    return giveHandle(m, id, model);
}

namespace {

int modelText(DgnModelRefP model, const char *sql, char16_t *out, int maxChars)
{
    if (out == nullptr || maxChars <= 0)
        return mdlErrno = DGNERR_BADARG;
    out[0] = 0;
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    sqlite3_stmt *s = fileStatement(*m->file, sql);
    if (s == nullptr)
        return mdlErrno;
    sqlite3_bind_int64(s, 1, m->id);
    if (sqlite3_step(s) != SQLITE_ROW) {
        sqlite3_reset(s);
        return mdlErrno = DGNERR_NOMODEL;
    }
    std::u16string text = columnWide(s, 0);
    sqlite3_reset(s);
    copyWide(out, maxChars, text);
    return mdlErrno = 0;
}

} // namespace

int mdlhost_dgnGetModelName(DgnModelRefP model, char16_t *name, int maxChars)
{
    return modelText(model, "SELECT name FROM dgn_models WHERE id = ?1", name, maxChars);
}

int mdlhost_dgnGetModelDescription(DgnModelRefP model, char16_t *description, int maxChars)
{
    return modelText(model, "SELECT description FROM dgn_models WHERE id = ?1", description, maxChars);
}

int mdlhost_dgnSetModelDescription(DgnModelRefP model, const char16_t *description)
{
    if (description && wideString(description, MDLHOST_MAX_MODELNAME + 1).size() > MDLHOST_MAX_MODELNAME)
        return mdlErrno = DGNERR_BADARG;
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    std::string d = mdlhost::utf16ToUtf8(wideString(description, MDLHOST_MAX_MODELNAME));
    StoreWrite w(model);
    if (!w.ok())
        return w.error();
    for (const char *sql : {"UPDATE dgn_models SET description = ?2 WHERE id = ?1",
                            "UPDATE gpkg_contents SET description = ?2 WHERE table_name = "
                            "(SELECT feature_table FROM dgn_models WHERE id = ?1)"}) {
        sqlite3_stmt *s = fileStatement(*m->file, sql);
        if (s == nullptr)
            return w.fail(mdlErrno);
        sqlite3_bind_int64(s, 1, m->id);
        sqlite3_bind_text(s, 2, d.c_str(), -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE)
            return w.fail(storeError(rc));
    }
    return w.finish();
}

int mdlhost_dgnDeleteModel(DgnModelRefP model)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    DgnFile &f = *m->file;
    if (m->id == defaultModelId(f) || mdlModelRef_isActiveModel(model))
        return mdlErrno = DGNERR_BADARG;
    const int64_t id = m->id;
    const std::string table = featureTable(id);
    StoreWrite w(model);
    if (!w.ok())
        return w.error();
    for (const char *sql : {"DELETE FROM dgn_elements WHERE model = ?1", "DELETE FROM dgn_rasters WHERE model = ?1",
                            "DELETE FROM dgn_references WHERE model = ?1"}) {
        sqlite3_stmt *s = fileStatement(f, sql);
        if (s == nullptr)
            return w.fail(mdlErrno);
        sqlite3_bind_int64(s, 1, id);
        int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE)
            return w.fail(storeError(rc));
    }
    for (const char *sql : {"DELETE FROM gpkg_geometry_columns WHERE table_name = ?1",
                            "DELETE FROM gpkg_contents WHERE table_name = ?1"}) {
        sqlite3_stmt *s = fileStatement(f, sql);
        if (s == nullptr)
            return w.fail(mdlErrno);
        sqlite3_bind_text(s, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE)
            return w.fail(storeError(rc));
    }
    forgetStatements(f, "\"" + table + "\"");
    std::string drop = "DROP TABLE \"" + table + "\"";
    int rc = sqlite3_exec(f.db, drop.c_str(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_stmt *s = fileStatement(f, "DELETE FROM dgn_models WHERE id = ?1");
        if (s == nullptr)
            return w.fail(mdlErrno);
        sqlite3_bind_int64(s, 1, id);
        rc = sqlite3_step(s);
        sqlite3_reset(s);
        rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
    }
    if (rc != SQLITE_OK)
        return w.fail(storeError(rc));
    f.extents.erase(id);
    f.changeSerial++;
    if (int e = w.finish())
        return e;
    for (auto &[h, other] : handles)
        if (other->file.get() == &f && other->id == id)
            other->deleted = true;
    return mdlErrno = 0;
}

// --- units ---------------------------------------------------------------------------

int mdlCnv_masterToUOR(double *uor, double master, DgnModelRefP model)
{
    Model *m = needModel(model);
    if (m == nullptr || uor == nullptr)
        return m ? (mdlErrno = DGNERR_BADARG) : mdlErrno;
    *uor = master * m->uorPerMaster;
    return mdlErrno = 0;
}

int mdlCnv_UORToMaster(double *master, double uor, DgnModelRefP model)
{
    Model *m = needModel(model);
    if (m == nullptr || master == nullptr)
        return m ? (mdlErrno = DGNERR_BADARG) : mdlErrno;
    *master = uor / m->uorPerMaster;
    return mdlErrno = 0;
}

void mdlCnv_doubleToFileFormat(double *out, const double *in)
{
    if (out && in)
        memmove(out, in, sizeof *out);
}

void mdlCnv_doubleFromFileFormat(double *out, const double *in)
{
    if (out && in)
        memmove(out, in, sizeof *out);
}

// --- design range --------------------------------------------------------------------

int mdlSystem_computeDesignRange(DPoint3d *low, DPoint3d *high, DgnModelRefP model)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    sqlite3_stmt *s = fileStatement(*m->file,
                                    "SELECT min(xlow), min(ylow), min(zlow), max(xhigh), max(yhigh), max(zhigh) "
                                    "FROM dgn_elements WHERE model = ?1 AND deleted = 0 AND xlow IS NOT NULL");
    if (s == nullptr)
        return mdlErrno;
    sqlite3_bind_int64(s, 1, m->id);
    int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(s);
        return storeError(rc);
    }
    if (sqlite3_column_type(s, 0) == SQLITE_NULL) {
        sqlite3_reset(s);
        return mdlErrno = DGNERR_NOTFOUND; // nothing with a range
    }
    DPoint3d lo{sqlite3_column_double(s, 0), sqlite3_column_double(s, 1), sqlite3_column_double(s, 2)};
    DPoint3d hi{sqlite3_column_double(s, 3), sqlite3_column_double(s, 4), sqlite3_column_double(s, 5)};
    sqlite3_reset(s);
    if (low)
        *low = lo;
    if (high)
        *high = hi;
    return mdlErrno = 0;
}
