// The design-file store: one SQLite database per file in the GeoPackage
// layout, plus the host's own tables.
//
//   errors       mdlErrno, SQLite results, injected write failures
//   text         wide and UTF-8 text of the text columns
//   statements   prepared statements cached per file
//   commands     transactions: one per command, or one per write outside
//   schema       creating a file
//   opening      what a file must hold before it is read
//   records      serialised descriptors
//   scan         positions of a model in order
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "base/mdlbase.h"
#include "base/text_host.h"
#include "dgnstore_int.h"
#include "sys/mdlsys.h"
#include "sys/sys_host.h"


namespace mdlhost::dgn {

// --- errors ------------------------------------------------------------------------

namespace {

int injectedError = 0;
int injectedCount = 0;

} // namespace

int takeInjectedFailure()
{
    if (injectedCount <= 0)
        return 0;
    injectedCount--;
    return injectedError;
}

bool outOfSpace();

int storeError(int sqliteResult)
{
    int e;
    switch (sqliteResult & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: e = 0; break;
    case SQLITE_FULL: e = DGNERR_DISKFULL; break;
    // A write the system cut short for want of room is a full disk too,
    // however SQLite classed it.
    case SQLITE_IOERR: e = outOfSpace() ? DGNERR_DISKFULL : DGNERR_IO; break;
    case SQLITE_READONLY:
    case SQLITE_PERM: e = DGNERR_READONLY; break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: e = DGNERR_BADFILE; break;
    case SQLITE_TOOBIG: e = DGNERR_FILEFULL; break;
    default: e = DGNERR_IO; break;
    }
    mdlErrno = e;
    return e;
}

// --- text --------------------------------------------------------------------------

std::string unitsToLatin1(const char16_t *s, size_t n)
{
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; i++)
        out.push_back(s[i] <= 0xFF ? char(s[i]) : '?');
    return out;
}

std::u16string columnWide(sqlite3_stmt *s, int col)
{
    const unsigned char *t = sqlite3_column_text(s, col);
    int n = sqlite3_column_bytes(s, col);
    if (t == nullptr || n <= 0)
        return {};
    return utf8ToUtf16(std::string_view(reinterpret_cast<const char *>(t), size_t(n)));
}

std::u16string wideString(const char16_t *s, size_t max)
{
    std::u16string out;
    if (s == nullptr)
        return out;
    for (size_t i = 0; i < max && s[i] != 0; i++)
        out.push_back(s[i]);
    return out;
}

bool copyWide(char16_t *out, int maxChars, const std::u16string &s)
{
    if (out == nullptr || maxChars <= 0)
        return false;
    size_t n = std::min(s.size(), size_t(maxChars - 1));
    std::copy_n(s.data(), n, out);
    out[n] = 0;
    return n == s.size();
}

// --- statements ---------------------------------------------------------------------

// Between writes a file keeps a read transaction open: its shared lock
// stays, so each read is not a transaction of its own (checking the file
// for changes and locking it again each time costs more than the read).
// Other programs can still read the file; the host is its only writer.
void beginRead(DgnFile &file)
{
    if (file.readTxn || !sqlite3_get_autocommit(file.db))
        return;
    if (sqlite3_exec(file.db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK)
        file.readTxn = true;
}

void endRead(DgnFile &file)
{
    if (!file.readTxn)
        return;
    // With a statement still stepping the commit may have to wait for the
    // write's own commit (StoreWrite::finish).
    if (sqlite3_get_autocommit(file.db) || sqlite3_exec(file.db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        file.readTxn = false;
}

namespace {

sqlite3_stmt *cachedStatement(DgnFile &file, const char *sql)
{
    auto it = file.statements.find(std::string_view(sql));
    sqlite3_stmt *stmt = nullptr;
    if (it != file.statements.end()) {
        stmt = it->second;
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        return stmt;
    }
    int rc = sqlite3_prepare_v3(file.db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        storeError(rc);
        return nullptr;
    }
    file.statements.emplace(sql, stmt);
    return stmt;
}

} // namespace

sqlite3_stmt *fileStatement(DgnFile &file, const char *sql)
{
    beginRead(file);
    return cachedStatement(file, sql);
}

int exec(DgnFile &file, const char *sql)
{
    sqlite3_stmt *stmt = cachedStatement(file, sql);
    if (stmt == nullptr)
        return SQLITE_ERROR;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_reset(stmt);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

sqlite3_stmt *storeStatement(DgnModelRefP model, const char *sql)
{
    Model *m = needModel(model);
    return m ? fileStatement(*m->file, sql) : nullptr;
}

sqlite3 *storeDb(DgnModelRefP model)
{
    Model *m = findModel(model);
    return m && !m->deleted ? m->file->db : nullptr;
}

int64_t storeModelId(DgnModelRefP model)
{
    Model *m = findModel(model);
    return m && !m->deleted ? m->id : 0;
}

uint64_t storeRollbacks(DgnModelRefP model)
{
    Model *m = findModel(model);
    return m ? m->file->rollbacks : 0;
}

std::string featureTable(int64_t modelId) { return "model_" + std::to_string(modelId); }

// --- commands ---------------------------------------------------------------------
//
// Outside a command each StoreWrite is a transaction: SAVEPOINT, then RELEASE
// commits.  A command opens one transaction per file it writes (BEGIN
// IMMEDIATE at its first write) and each StoreWrite is a savepoint inside it;
// the end of the command commits them all, or rolls them all back.

namespace {

struct CommandState {
    int depth = 0;
    bool failed = false;  // a write failed, or a nested command ended with 0
    int error = 0;        // the failure's error
    std::vector<std::shared_ptr<DgnFile>> files; // transactions to end
};
CommandState command;

// Writes what is kept in memory to the settings and contents rows.
int flush(DgnFile &file)
{
    if (!file.dirty)
        return SQLITE_OK;
    sqlite3_stmt *s = fileStatement(file, "UPDATE dgn_settings SET value = ?2 WHERE key = ?1");
    if (s == nullptr)
        return SQLITE_ERROR;
    sqlite3_bind_text(s, 1, "next_pos", -1, SQLITE_STATIC);
    sqlite3_bind_int64(s, 2, file.nextPos);
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE)
        return rc;
    sqlite3_reset(s);
    sqlite3_bind_text(s, 1, "next_uid", -1, SQLITE_STATIC);
    sqlite3_bind_int64(s, 2, int64_t(file.nextUid));
    if ((rc = sqlite3_step(s)) != SQLITE_DONE)
        return rc;
    for (const auto &[id, e] : file.extents) {
        sqlite3_stmt *c = fileStatement(file,
                                        "UPDATE gpkg_contents SET min_x = ?2, min_y = ?3, max_x = ?4, max_y = ?5, "
                                        "last_change = strftime('%Y-%m-%dT%H:%M:%fZ','now') WHERE table_name = ?1");
        if (c == nullptr)
            return SQLITE_ERROR;
        std::string table = featureTable(id);
        sqlite3_bind_text(c, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        if (e.any) {
            sqlite3_bind_double(c, 2, e.minX);
            sqlite3_bind_double(c, 3, e.minY);
            sqlite3_bind_double(c, 4, e.maxX);
            sqlite3_bind_double(c, 5, e.maxY);
        }
        if ((rc = sqlite3_step(c)) != SQLITE_DONE)
            return rc;
    }
    file.dirty = false;
    return SQLITE_OK;
}

// Ends the open transaction of file: commits when commit is set and that
// works, else rolls back.  0 or the error.
int endTransaction(DgnFile &file, bool commit)
{
    int error = 0;
    if (commit) {
        int rc = flush(file);
        if (rc == SQLITE_OK)
            rc = exec(file, "COMMIT");
        if (rc != SQLITE_OK)
            error = storeError(rc);
    }
    if (!sqlite3_get_autocommit(file.db)) {
        exec(file, "ROLLBACK");
        reloadState(file);
    } else if (!commit) {
        reloadState(file);
    }
    file.inTransaction = false;
    return error;
}

bool isStorageError(int error)
{
    return error == DGNERR_DISKFULL || error == DGNERR_FILEFULL || error == DGNERR_IO || error == DGNERR_BADFILE ||
           error == DGNERR_READONLY;
}

} // namespace

bool inCommand() { return command.depth > 0; }

void storeFailCommand(int error)
{
    if (command.depth == 0)
        return;
    command.failed = true;
    if (command.error == 0)
        command.error = error;
}

// A file closed while a command runs ends its part of the command now.
void endFileInCommand(DgnFile &file)
{
    if (!file.inTransaction)
        return;
    endTransaction(file, !command.failed);
    auto &v = command.files;
    v.erase(std::remove_if(v.begin(), v.end(), [&](const std::shared_ptr<DgnFile> &f) { return f.get() == &file; }),
            v.end());
}

struct StoreWrite::State {
    std::shared_ptr<DgnFile> file;
    uint32_t nextPos;
    uint64_t nextUid;
    std::map<int64_t, Extent> extents;
    bool dirty;
    StoreWrite::Undo undo; // set: no savepoint was taken
    bool done = false;
};

StoreWrite::StoreWrite(DgnModelRefP model, Undo undo)
{
    Model *m = needModel(model);
    if (m == nullptr) {
        error_ = DGNERR_NOMODEL;
        return;
    }
    DgnFile &f = *m->file;
    if (!m->writable || f.readOnly) {
        error_ = mdlErrno = DGNERR_READONLY;
        return;
    }
    endRead(f);
    if (command.depth > 0 && !f.inTransaction) {
        int rc = exec(f, "BEGIN IMMEDIATE");
        if (rc != SQLITE_OK) {
            error_ = storeError(rc);
            storeFailCommand(error_);
            return;
        }
        f.inTransaction = true;
        command.files.push_back(m->file);
    }
    if (!f.inTransaction)
        undo = nullptr; // a transaction of its own
    if (undo) {
        state_ = new State{m->file, f.nextPos, f.nextUid, f.extents, f.dirty, std::move(undo)};
        return;
    }
    int rc = exec(f, "SAVEPOINT store_write");
    if (rc != SQLITE_OK) {
        error_ = storeError(rc);
        storeFailCommand(error_);
        return;
    }
    f.savepoints++;
    state_ = new State{m->file, f.nextPos, f.nextUid, f.extents, f.dirty, nullptr};
}

StoreWrite::~StoreWrite()
{
    if (state_ != nullptr && !state_->done)
        fail(mdlErrno != 0 ? mdlErrno : DGNERR_IO);
    delete state_;
}

int StoreWrite::fail(int error)
{
    if (error == 0)
        error = DGNERR_IO;
    error_ = error;
    if (state_ == nullptr || state_->done) {
        mdlErrno = error;
        return error;
    }
    state_->done = true;
    DgnFile &f = *state_->file;
    f.rollbacks++;
    if (state_->undo) {
        // A statement that failed has undone itself; the undo takes back the
        // ones before it.  A transaction SQLite ended (a full disk) or an undo
        // that fails leaves only the command's rollback.
        int undoError = sqlite3_get_autocommit(f.db) ? DGNERR_IO : state_->undo();
        if (undoError != 0)
            storeFailCommand(undoError);
    } else if (--f.savepoints == 0 && !f.inTransaction) {
        // A whole rollback: releasing the savepoint would still commit an
        // empty change and so touch the file.
        exec(f, "ROLLBACK");
        f.readTxn = false;
    } else {
        exec(f, "ROLLBACK TO store_write");
        exec(f, "RELEASE store_write");
    }
    f.nextPos = state_->nextPos;
    f.nextUid = state_->nextUid;
    f.extents = state_->extents;
    f.dirty = state_->dirty;
    loadLevels(f);
    if (isStorageError(error))
        storeFailCommand(error);
    mdlErrno = error;
    return error;
}

int StoreWrite::finish()
{
    if (state_ == nullptr || state_->done)
        return error_ != 0 ? (mdlErrno = error_) : 0;
    if (int injected = takeInjectedFailure())
        return fail(injected);
    DgnFile &f = *state_->file;
    if (state_->undo) {
        state_->done = true;
        mdlErrno = 0;
        return 0;
    }
    bool outermost = f.savepoints == 1 && !f.inTransaction;
    if (outermost) {
        int rc = flush(f);
        if (rc != SQLITE_OK)
            return fail(storeError(rc));
    }
    int rc = exec(f, "RELEASE store_write");
    if (rc != SQLITE_OK) {
        int error = storeError(rc);
        if (!sqlite3_get_autocommit(f.db) && !f.inTransaction) {
            // The commit failed: nothing of this write may stay.
            exec(f, "ROLLBACK");
            reloadState(f);
            state_->done = true;
            f.savepoints--;
            error_ = mdlErrno = error;
            return error;
        }
        return fail(error);
    }
    state_->done = true;
    f.savepoints--;
    if (outermost && !sqlite3_get_autocommit(f.db)) {
        // The write ran inside a read transaction that could not end first.
        int crc = f.readTxn ? exec(f, "COMMIT") : SQLITE_ERROR;
        if (crc != SQLITE_OK) {
            exec(f, "ROLLBACK");
            reloadState(f);
            f.readTxn = false;
            return error_ = mdlErrno = DGNERR_IO;
        }
        f.readTxn = false;
    }
    mdlErrno = 0;
    return 0;
}

} // namespace mdlhost::dgn

using namespace mdlhost::dgn;

void mdlhost_dgnFailWrites(int error, int n)
{
    injectedError = error;
    injectedCount = error != 0 && n > 0 ? n : 0;
}

const char *mdlhost_dgnErrorText(int error)
{
    switch (error) {
    case 0: return "no error";
    case DGNERR_DISKFULL: return "the disk is full";
    case DGNERR_READONLY: return "the design file cannot be written";
    case DGNERR_FILEFULL: return "the design file is full or the element too large";
    case DGNERR_BADELEMENT: return "an element record does not hold together";
    case DGNERR_NOTFOUND: return "no element at that position";
    case DGNERR_BADFILE: return "not a design file of this host, damaged, or of a newer layout";
    case DGNERR_NOMODEL: return "no such model or no active design file";
    case DGNERR_IO: return "design file error";
    case DGNERR_EXISTS: return "the name exists";
    case DGNERR_BADARG: return "a missing, empty or too long argument";
    default: return "unknown design file error";
    }
}

int mdlhost_dgnCommandDepth(void) { return command.depth; }

void mdlhost_dgnBeginCommand(void)
{
    if (command.depth++ == 0) {
        command.failed = false;
        command.error = 0;
        command.files.clear();
    }
}

int mdlhost_dgnEndCommand(int commit)
{
    if (command.depth == 0)
        return 0;
    if (!commit)
        command.failed = true;
    if (--command.depth > 0)
        return 0;
    int error = 0;
    std::vector<std::shared_ptr<DgnFile>> files;
    files.swap(command.files);
    for (const std::shared_ptr<DgnFile> &f : files) {
        if (!f->inTransaction)
            continue;
        int e = endTransaction(*f, !command.failed);
        if (error == 0)
            error = e;
    }
    if (error == 0 && command.failed)
        error = command.error;
    command.failed = false;
    command.error = 0;
    mdlErrno = error;
    return error;
}

// --- schema ----------------------------------------------------------------------

namespace mdlhost::dgn {
namespace {

const char *const kSchema[] = {
    "CREATE TABLE gpkg_spatial_ref_sys (srs_name TEXT NOT NULL, srs_id INTEGER NOT NULL PRIMARY KEY, "
    "organization TEXT NOT NULL, organization_coordsys_id INTEGER NOT NULL, definition TEXT NOT NULL, "
    "description TEXT)",
    "CREATE TABLE gpkg_contents (table_name TEXT NOT NULL PRIMARY KEY, data_type TEXT NOT NULL, "
    "identifier TEXT UNIQUE, description TEXT DEFAULT '', "
    "last_change DATETIME NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')), "
    "min_x DOUBLE, min_y DOUBLE, max_x DOUBLE, max_y DOUBLE, srs_id INTEGER, "
    "CONSTRAINT fk_gc_r_srs_id FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys(srs_id))",
    "CREATE TABLE gpkg_geometry_columns (table_name TEXT NOT NULL, column_name TEXT NOT NULL, "
    "geometry_type_name TEXT NOT NULL, srs_id INTEGER NOT NULL, z TINYINT NOT NULL, m TINYINT NOT NULL, "
    "CONSTRAINT pk_geom_cols PRIMARY KEY (table_name, column_name), "
    "CONSTRAINT uk_gc_table_name UNIQUE (table_name), "
    "CONSTRAINT fk_gc_tn FOREIGN KEY (table_name) REFERENCES gpkg_contents(table_name), "
    "CONSTRAINT fk_gc_srs FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys(srs_id))",
    "INSERT INTO gpkg_spatial_ref_sys VALUES ('Undefined cartesian SRS', -1, 'NONE', -1, 'undefined', "
    "'undefined cartesian coordinate reference system')",
    "INSERT INTO gpkg_spatial_ref_sys VALUES ('Undefined geographic SRS', 0, 'NONE', 0, 'undefined', "
    "'undefined geographic coordinate reference system')",
    "INSERT INTO gpkg_spatial_ref_sys VALUES ('WGS 84 geodetic', 4326, 'EPSG', 4326, "
    "'GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563,AUTHORITY[\"EPSG\",\"7030\"]],"
    "AUTHORITY[\"EPSG\",\"6326\"]],PRIMEM[\"Greenwich\",0,AUTHORITY[\"EPSG\",\"8901\"]],"
    "UNIT[\"degree\",0.0174532925199433,AUTHORITY[\"EPSG\",\"9122\"]],AUTHORITY[\"EPSG\",\"4326\"]]', "
    "'longitude/latitude coordinates in decimal degrees on the WGS 84 spheroid')",
    "CREATE TABLE dgn_settings (key TEXT NOT NULL PRIMARY KEY, value TEXT)",
    "CREATE TABLE dgn_models (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, description TEXT, "
    "is3d INTEGER NOT NULL, uor_per_master REAL NOT NULL, master_unit TEXT NOT NULL, "
    "origin_x REAL NOT NULL, origin_y REAL NOT NULL, origin_z REAL NOT NULL, feature_table TEXT NOT NULL)",
    "CREATE TABLE dgn_levels (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, description TEXT, "
    "color INTEGER NOT NULL, weight INTEGER NOT NULL, style INTEGER NOT NULL)",
    // The levels are offered to GIS tools as a table; with one such table
    // registered, GDAL lists only the registered tables.
    "INSERT INTO gpkg_contents (table_name, data_type, identifier, description) VALUES "
    "('dgn_levels', 'attributes', 'dgn_levels', 'levels of the design file')",
    "CREATE TABLE dgn_elements (pos INTEGER PRIMARY KEY, model INTEGER NOT NULL, uid INTEGER NOT NULL UNIQUE, "
    "type INTEGER NOT NULL, level INTEGER NOT NULL, ggroup INTEGER NOT NULL, deleted INTEGER NOT NULL, "
    "xlow REAL, ylow REAL, zlow REAL, xhigh REAL, yhigh REAL, zhigh REAL, data BLOB NOT NULL)",
    "CREATE INDEX dgn_elements_model ON dgn_elements(model, pos)",
    "CREATE TABLE dgn_sharedcell_defs (name TEXT NOT NULL PRIMARY KEY, description TEXT, data BLOB)",
    "CREATE TABLE dgn_tag_sets (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, report TEXT)",
    "CREATE TABLE dgn_tag_defs (set_id INTEGER NOT NULL, idx INTEGER NOT NULL, name TEXT NOT NULL, "
    "type INTEGER NOT NULL, prompt TEXT, default_value BLOB, PRIMARY KEY (set_id, idx))",
    "CREATE TABLE dgn_rasters (id INTEGER PRIMARY KEY, model INTEGER NOT NULL, file TEXT NOT NULL, "
    "kind INTEGER, format INTEGER, width INTEGER, height INTEGER, origin_x REAL, origin_y REAL, "
    "extent_x REAL, extent_y REAL, view_flags INTEGER, mode INTEGER)",
    "CREATE TABLE dgn_references (id INTEGER PRIMARY KEY, model INTEGER NOT NULL, file_spec TEXT NOT NULL, "
    "logical TEXT, description TEXT, flags INTEGER)",
};

// Tables every design file has (the feature tables are checked per model).
const char *const kRequiredTables[] = {
    "gpkg_spatial_ref_sys", "gpkg_contents", "gpkg_geometry_columns", "dgn_settings",
    "dgn_models", "dgn_levels", "dgn_elements", "dgn_sharedcell_defs",
    "dgn_tag_sets", "dgn_tag_defs", "dgn_rasters", "dgn_references",
};

constexpr const char *kWriter = "mdlhost";
constexpr int32_t kGpkgApplicationId = 0x47504B47; // "GPKG"
constexpr int kGpkgVersion = 10300;

// Metres of one master unit, for the unit of the engineering CRS; a name not
// known counts as metres.
double metresPerMaster(const std::string &unit)
{
    static const std::pair<const char *, double> table[] = {
        {"m", 1.0}, {"mm", 0.001}, {"cm", 0.01}, {"dm", 0.1}, {"km", 1000.0},
        {"ft", 0.3048}, {"in", 0.0254}, {"yd", 0.9144}, {"mi", 1609.344},
    };
    for (const auto &[name, metres] : table)
        if (unit == name)
            return metres;
    return 1.0;
}

int execDb(sqlite3 *db, const char *sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

int bindRun(sqlite3 *db, const char *sql, const std::function<void(sqlite3_stmt *)> &bind)
{
    sqlite3_stmt *s = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        bind(s);
        rc = sqlite3_step(s);
        rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
    }
    sqlite3_finalize(s);
    return rc;
}

void configure(sqlite3 *db)
{
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    // The rollback journal keeps a design file one file (no -wal beside it).
    execDb(db, "PRAGMA journal_mode = DELETE");
}

// SQLite reads a name that begins with "file:" as a URI; "./" keeps it a
// file name.
std::string sqliteName(const char *localPath)
{
    std::string name = localPath;
    if (name.compare(0, 5, "file:") == 0)
        name.insert(0, "./");
    return name;
}

// Closes db with every statement still prepared on it: a statement left
// behind keeps the file open for ever.
void closeConnection(sqlite3 *db)
{
    while (sqlite3_stmt *s = sqlite3_next_stmt(db, nullptr))
        sqlite3_finalize(s);
    sqlite3_close(db);
}

} // namespace

// The rows and table of a new model; SQLite result.  Used for the default
// model of a new file and for models added later.
int createModelRows(sqlite3 *db, int64_t *id, const std::string &name, const std::string &description, bool is3d,
                    double uorPerMaster, const std::string &unit, const DPoint3d &origin, int32_t srsId)
{
    int rc = bindRun(db,
                     "INSERT INTO dgn_models (name, description, is3d, uor_per_master, master_unit, origin_x, "
                     "origin_y, origin_z, feature_table) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, '')",
                     [&](sqlite3_stmt *s) {
                         sqlite3_bind_text(s, 1, name.c_str(), -1, SQLITE_TRANSIENT);
                         sqlite3_bind_text(s, 2, description.c_str(), -1, SQLITE_TRANSIENT);
                         sqlite3_bind_int(s, 3, is3d ? 1 : 0);
                         sqlite3_bind_double(s, 4, uorPerMaster);
                         sqlite3_bind_text(s, 5, unit.c_str(), -1, SQLITE_TRANSIENT);
                         sqlite3_bind_double(s, 6, origin.x);
                         sqlite3_bind_double(s, 7, origin.y);
                         sqlite3_bind_double(s, 8, origin.z);
                     });
    if (rc != SQLITE_OK)
        return rc;
    *id = sqlite3_last_insert_rowid(db);
    std::string table = featureTable(*id);
    rc = bindRun(db, "UPDATE dgn_models SET feature_table = ?2 WHERE id = ?1", [&](sqlite3_stmt *s) {
        sqlite3_bind_int64(s, 1, *id);
        sqlite3_bind_text(s, 2, table.c_str(), -1, SQLITE_TRANSIENT);
    });
    if (rc != SQLITE_OK)
        return rc;
    // The table name is made from the model's number, never from a value.
    std::string ddl = "CREATE TABLE \"" + table +
                      "\" (fid INTEGER PRIMARY KEY, geom GEOMETRY, level TEXT, color INTEGER, weight INTEGER, "
                      "style INTEGER, type INTEGER, ggroup INTEGER, text TEXT)";
    if ((rc = execDb(db, ddl.c_str())) != SQLITE_OK)
        return rc;
    rc = bindRun(db,
                 "INSERT INTO gpkg_contents (table_name, data_type, identifier, description, srs_id) "
                 "VALUES (?1, 'features', ?2, ?3, ?4)",
                 [&](sqlite3_stmt *s) {
                     sqlite3_bind_text(s, 1, table.c_str(), -1, SQLITE_TRANSIENT);
                     sqlite3_bind_text(s, 2, name.c_str(), -1, SQLITE_TRANSIENT);
                     sqlite3_bind_text(s, 3, description.c_str(), -1, SQLITE_TRANSIENT);
                     sqlite3_bind_int(s, 4, srsId);
                 });
    if (rc != SQLITE_OK)
        return rc;
    return bindRun(db,
                   "INSERT INTO gpkg_geometry_columns (table_name, column_name, geometry_type_name, srs_id, z, m) "
                   "VALUES (?1, 'geom', 'GEOMETRY', ?2, ?3, 0)",
                   [&](sqlite3_stmt *s) {
                       sqlite3_bind_text(s, 1, table.c_str(), -1, SQLITE_TRANSIENT);
                       sqlite3_bind_int(s, 2, srsId);
                       sqlite3_bind_int(s, 3, is3d ? 1 : 0);
                   });
}

} // namespace mdlhost::dgn

int mdlhost_dgnCreateFile(const char *path, int is3d, double uorPerMaster, const char *masterUnitName,
                          const DPoint3d *globalOrigin)
{
    if (path == nullptr || path[0] == '\0' || !(uorPerMaster > 0) || !std::isfinite(uorPerMaster) ||
        masterUnitName == nullptr || strlen(masterUnitName) > 64)
        return mdlErrno = DGNERR_BADARG;
    DPoint3d origin = globalOrigin ? *globalOrigin : DPoint3d{0, 0, 0};
    if (!std::isfinite(origin.x) || !std::isfinite(origin.y) || !std::isfinite(origin.z))
        return mdlErrno = DGNERR_BADARG;
    char mapped[MDLHOST_MAXLOCALPATH];
    if (mdlhost_mapPath(mapped, sizeof mapped, path)[0] == '\0')
        return mdlErrno = DGNERR_BADARG;
    std::error_code ec;
    if (std::filesystem::exists(mapped, ec) || ec)
        return mdlErrno = DGNERR_EXISTS;

    // Made under a temporary name and linked into place whole: a creation
    // cut short, even by a kill, never leaves the name taken by a part.
    mdlhost::removeStaleTemporaries(mapped);
    std::string temp = mdlhost::temporaryBeside(mapped);
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(sqliteName(temp.c_str()).c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        configure(db);
        // Elements run to kilobytes: larger pages mean fewer page writes per
        // add.  A file keeps the size it was made with.
        execDb(db, "PRAGMA page_size = 16384");
        char pragma[96];
        snprintf(pragma, sizeof pragma, "PRAGMA application_id = %d", int(kGpkgApplicationId));
        rc = execDb(db, pragma);
        if (rc == SQLITE_OK) {
            snprintf(pragma, sizeof pragma, "PRAGMA user_version = %d", kGpkgVersion);
            rc = execDb(db, pragma);
        }
    }
    if (rc == SQLITE_OK)
        rc = execDb(db, "BEGIN IMMEDIATE");
    for (const char *sql : kSchema)
        if (rc == SQLITE_OK)
            rc = execDb(db, sql);
    if (rc == SQLITE_OK) {
        char wkt[256];
        snprintf(wkt, sizeof wkt,
                 "LOCAL_CS[\"mdlhost design file\",LOCAL_DATUM[\"design plane\",0],UNIT[\"uor\",%.17g],"
                 "AXIS[\"X\",EAST],AXIS[\"Y\",NORTH]]",
                 metresPerMaster(masterUnitName) / uorPerMaster);
        rc = bindRun(db,
                     "INSERT INTO gpkg_spatial_ref_sys VALUES ('design file units', ?1, 'mdlhost', ?1, ?2, "
                     "'coordinates in units of resolution of the design file')",
                     [&](sqlite3_stmt *s) {
                         sqlite3_bind_int(s, 1, kUorSrsId);
                         sqlite3_bind_text(s, 2, wkt, -1, SQLITE_TRANSIENT);
                     });
    }
    const std::pair<const char *, std::string> settings[] = {
        {"layout", std::to_string(kLayout)}, {"writer", kWriter}, {"next_uid", "1"}, {"next_pos", "1"}};
    for (const auto &setting : settings) {
        if (rc != SQLITE_OK)
            break;
        rc = bindRun(db, "INSERT INTO dgn_settings (key, value) VALUES (?1, ?2)", [&](sqlite3_stmt *s) {
            sqlite3_bind_text(s, 1, setting.first, -1, SQLITE_STATIC);
            sqlite3_bind_text(s, 2, setting.second.c_str(), -1, SQLITE_TRANSIENT);
        });
    }
    int64_t id = 0;
    if (rc == SQLITE_OK)
        rc = createModelRows(db, &id, "Default", "", is3d != 0, uorPerMaster, masterUnitName, origin, kUorSrsId);
    int error = rc == SQLITE_OK ? takeInjectedFailure() : 0;
    if (rc == SQLITE_OK && error == 0)
        rc = execDb(db, "COMMIT");
    if (error == 0 && rc != SQLITE_OK)
        error = storeError(rc);
    if (sqlite3_close(db) != SQLITE_OK && error == 0)
        error = DGNERR_IO;
    if (error == 0 && link(temp.c_str(), mapped) != 0) // never over a file made meanwhile
        error = errno == EEXIST ? DGNERR_EXISTS : DGNERR_IO;
    unlink(temp.c_str());
    unlink((temp + "-journal").c_str());
    if (error == 0)
        mdlhost::syncDirectoryOf(mapped);
    return mdlErrno = error;
}

// --- opening ----------------------------------------------------------------------

namespace mdlhost::dgn {
namespace {

std::map<std::string, std::shared_ptr<DgnFile>> openFiles;

} // namespace

// Whether the last failed system call of an open file was refused for want
// of room (a full disk, a quota, a file-size limit).
bool outOfSpace()
{
    for (const auto &[key, file] : openFiles) {
        int e = file->db != nullptr ? sqlite3_system_errno(file->db) : 0;
        if (e == ENOSPC || e == EFBIG || e == EDQUOT)
            return true;
    }
    return false;
}

namespace {

// Files above this size are not read through whole on opening: damage in
// them shows as an error on the element that holds it.
constexpr uintmax_t kQuickCheckLimit = 64u << 20;

uint32_t be32(const unsigned char *p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// The database header must agree with the file's size: a file cut short is
// refused before SQLite reads it.  A journal beside it may restore it, so
// then only SQLite's own checks apply.
const char *headerProblem(const std::string &path)
{
    std::error_code ec;
    uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return "it cannot be read";
    unsigned char h[100];
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return "it cannot be read";
    if (!in.read(reinterpret_cast<char *>(h), sizeof h))
        return "it is not a design file";
    if (memcmp(h, "SQLite format 3", 16) != 0)
        return "it is not a design file";
    uint32_t pageSize = uint32_t(h[16]) << 8 | h[17];
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return "it is damaged";
    if (std::filesystem::exists(path + "-journal", ec))
        return nullptr;
    if (size % pageSize != 0)
        return "it is cut short or damaged";
    uint32_t pages = be32(h + 28);
    if (be32(h + 24) == be32(h + 92) && pages != 0 && uintmax_t(pages) * pageSize > size)
        return "it is cut short";
    return nullptr;
}

bool readSetting(sqlite3 *db, const char *key, std::string &value)
{
    sqlite3_stmt *s = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db, "SELECT value FROM dgn_settings WHERE key = ?1", -1, &s, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(s, 1, key, -1, SQLITE_STATIC);
        if (sqlite3_step(s) == SQLITE_ROW && sqlite3_column_type(s, 0) != SQLITE_NULL) {
            const unsigned char *t = sqlite3_column_text(s, 0);
            value.assign(t ? reinterpret_cast<const char *>(t) : "");
            found = true;
        }
    }
    sqlite3_finalize(s);
    return found;
}

// A setting is a bare decimal number as the host writes it.  parseInt64 also
// takes blanks after the number; a file whose setting has them was edited
// by another tool and stays refused as damaged.
bool parseSetting(const std::string &text, int64_t &out)
{
    if (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        return false;
    return parseInt64(text, out);
}

bool queryInt(sqlite3 *db, const char *sql, int64_t &out, bool &isNull)
{
    sqlite3_stmt *s = nullptr;
    bool ok = false;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW) {
        isNull = sqlite3_column_type(s, 0) == SQLITE_NULL;
        out = sqlite3_column_int64(s, 0);
        ok = true;
    }
    sqlite3_finalize(s);
    return ok;
}

bool tableExists(sqlite3 *db, const std::string &name)
{
    sqlite3_stmt *s = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1", -1, &s, nullptr) ==
        SQLITE_OK) {
        sqlite3_bind_text(s, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        found = sqlite3_step(s) == SQLITE_ROW;
    }
    sqlite3_finalize(s);
    return found;
}

// Why the open database is not a design file this host can use; "" when it
// is.  *newer is set for a file of a newer layout.
std::string fileProblem(sqlite3 *db, bool checkWhole)
{
    int64_t v = 0;
    bool isNull = false;
    if (!queryInt(db, "PRAGMA application_id", v, isNull))
        return "it is not a design file";
    if (v != kGpkgApplicationId)
        return "it is not a design file";
    if (checkWhole) {
        sqlite3_stmt *s = nullptr;
        bool ok = false;
        if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW) {
            const unsigned char *t = sqlite3_column_text(s, 0);
            ok = t != nullptr && strcmp(reinterpret_cast<const char *>(t), "ok") == 0;
        }
        sqlite3_finalize(s);
        if (!ok)
            return "it is damaged";
    }
    if (!tableExists(db, "dgn_settings"))
        return "it was not written by this host";
    std::string writer, layoutText, nextUid, nextPos;
    if (!readSetting(db, "writer", writer) || writer != kWriter)
        return "it was not written by this host";
    int64_t layout = 0;
    if (!readSetting(db, "layout", layoutText) || !parseSetting(layoutText, layout) || layout < 1)
        return "it is damaged (no layout number)";
    if (layout > kLayout)
        return "it was written by a newer host (layout " + layoutText + ")";
    for (const char *t : kRequiredTables)
        if (!tableExists(db, t))
            return std::string("it is damaged (no table ") + t + ")";
    int64_t pos = 0, uid = 0, maxPos = 0, maxUid = 0;
    if (!readSetting(db, "next_pos", nextPos) || !parseSetting(nextPos, pos) || !readSetting(db, "next_uid", nextUid) ||
        !parseSetting(nextUid, uid))
        return "it is damaged (settings)";
    if (!queryInt(db, "SELECT max(pos) FROM dgn_elements", maxPos, isNull) ||
        !queryInt(db, "SELECT max(uid) FROM dgn_elements", maxUid, isNull))
        return "it is damaged (elements)";
    if (pos < 1 || pos > int64_t(kMaxPosition) + 1 || pos <= maxPos || uid < 1 || uid <= maxUid || maxPos < 0)
        return "it is damaged (settings)";
    int64_t models = 0;
    if (!queryInt(db, "SELECT count(*) FROM dgn_models", models, isNull) || models < 1)
        return "it is damaged (no model)";
    sqlite3_stmt *s = nullptr;
    std::string problem;
    if (sqlite3_prepare_v2(db, "SELECT id, uor_per_master, feature_table FROM dgn_models", -1, &s, nullptr) !=
        SQLITE_OK)
        return "it is damaged (models)";
    while (problem.empty() && sqlite3_step(s) == SQLITE_ROW) {
        int64_t id = sqlite3_column_int64(s, 0);
        double uor = sqlite3_column_double(s, 1);
        const unsigned char *t = sqlite3_column_text(s, 2);
        std::string table = t ? reinterpret_cast<const char *>(t) : "";
        if (!(uor > 0) || !std::isfinite(uor) || table != featureTable(id) || !tableExists(db, table))
            problem = "it is damaged (models)";
    }
    sqlite3_finalize(s);
    return problem;
}

} // namespace

int loadLevels(DgnFile &file)
{
    file.levels.clear();
    file.levelByName.clear();
    sqlite3_stmt *s = fileStatement(file, "SELECT id, name, description, color, weight, style FROM dgn_levels");
    if (s == nullptr)
        return mdlErrno;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        int64_t id = sqlite3_column_int64(s, 0);
        if (id <= 0 || id > int64_t(UINT32_MAX))
            continue; // not a level id the elements can hold
        Level l;
        l.name = columnWide(s, 1);
        l.description = columnWide(s, 2);
        l.color = uint32_t(sqlite3_column_int64(s, 3));
        l.weight = uint32_t(sqlite3_column_int64(s, 4));
        l.style = int32_t(sqlite3_column_int64(s, 5));
        file.levelByName[l.name] = uint32_t(id);
        file.levels[uint32_t(id)] = std::move(l);
    }
    sqlite3_reset(s);
    return rc == SQLITE_DONE ? 0 : storeError(rc);
}

int reloadState(DgnFile &file)
{
    file.rollbacks++;
    std::string pos, uid;
    int64_t p = 1, u = 1;
    if (readSetting(file.db, "next_pos", pos))
        parseSetting(pos, p);
    if (readSetting(file.db, "next_uid", uid))
        parseSetting(uid, u);
    file.nextPos = uint32_t(std::clamp<int64_t>(p, 1, int64_t(kMaxPosition) + 1));
    file.nextUid = uint64_t(std::max<int64_t>(u, 1));
    std::string epsg;
    int64_t code = 0;
    file.epsg = readSetting(file.db, "epsg", epsg) && parseSetting(epsg, code) && code > 0 && code <= INT32_MAX
                    ? int32_t(code)
                    : 0;
    file.extents.clear();
    sqlite3_stmt *s = fileStatement(file,
                                    "SELECT m.id, c.min_x, c.min_y, c.max_x, c.max_y FROM dgn_models m "
                                    "JOIN gpkg_contents c ON c.table_name = m.feature_table");
    if (s != nullptr) {
        while (sqlite3_step(s) == SQLITE_ROW) {
            Extent e;
            e.any = sqlite3_column_type(s, 1) != SQLITE_NULL;
            e.minX = sqlite3_column_double(s, 1);
            e.minY = sqlite3_column_double(s, 2);
            e.maxX = sqlite3_column_double(s, 3);
            e.maxY = sqlite3_column_double(s, 4);
            file.extents[sqlite3_column_int64(s, 0)] = e;
        }
        sqlite3_reset(s);
    }
    file.dirty = false;
    file.changeSerial++;
    return loadLevels(file);
}

std::shared_ptr<DgnFile> openFile(const std::string &path, const std::string &displayName)
{
    char mapped[MDLHOST_MAXLOCALPATH];
    if (path.empty() || mdlhost_mapPath(mapped, sizeof mapped, path.c_str())[0] == '\0') {
        mdlErrno = DGNERR_BADARG;
        return nullptr;
    }
    std::error_code ec;
    std::string key = std::filesystem::weakly_canonical(mapped, ec).string();
    if (ec)
        key = mapped;
    if (auto it = openFiles.find(key); it != openFiles.end())
        return it->second;

    auto refuse = [&](int error, const std::string &why) -> std::shared_ptr<DgnFile> {
        toolSubsystem_printf("Design file %s cannot be opened: %s\n", displayName.c_str(), why.c_str());
        mdlErrno = error;
        return nullptr;
    };
    std::filesystem::file_status status = std::filesystem::status(mapped, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) // a folder on the way that may not be entered
        return refuse(DGNERR_IO, "it cannot be read");
    if (status.type() == std::filesystem::file_type::directory)
        return refuse(DGNERR_IO, "it is a directory");
    if (status.type() != std::filesystem::file_type::regular)
        return refuse(DGNERR_IO, std::filesystem::exists(status) ? "it is not a design file" : "it does not exist");
    if (const char *why = headerProblem(mapped))
        return refuse(DGNERR_BADFILE, why);

    sqlite3 *db = nullptr;
    // One thread uses a file's connection, so SQLite's own locks per call
    // would only cost.
    int rc = sqlite3_open_v2(sqliteName(mapped).c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return refuse(DGNERR_IO, sqlite3_errstr(rc));
    }
    configure(db);
    std::string why = fileProblem(db, std::filesystem::file_size(mapped, ec) <= kQuickCheckLimit);
    if (!why.empty()) {
        closeConnection(db);
        return refuse(DGNERR_BADFILE, why);
    }
    auto file = std::make_shared<DgnFile>();
    file->key = key;
    file->path = mapped;
    file->db = db;
    file->readOnly = sqlite3_db_readonly(db, "main") == 1;
    if (reloadState(*file) != 0) {
        file->statements.clear();
        file->db = nullptr;
        closeConnection(db);
        return refuse(DGNERR_BADFILE, "it is damaged (levels)");
    }
    openFiles[key] = file;
    return file;
}

void endFileInCommand(DgnFile &file);

// Closes file when its last handle goes.
void releaseFile(const std::shared_ptr<DgnFile> &file)
{
    if (--file->handles > 0)
        return;
    endFileInCommand(*file);
    endRead(*file);
    for (auto &[sql, stmt] : file->statements)
        sqlite3_finalize(stmt);
    file->statements.clear();
    sqlite3_close(file->db);
    file->db = nullptr;
    openFiles.erase(file->key);
}

// Statements of a dropped table would fail on their next use.
void forgetStatements(DgnFile &file, const std::string &table)
{
    for (auto it = file.statements.begin(); it != file.statements.end();) {
        if (it->first.find(table) != std::string::npos) {
            sqlite3_finalize(it->second);
            it = file.statements.erase(it);
        } else {
            ++it;
        }
    }
}

// --- records ----------------------------------------------------------------------
//
// Each element of a record starts with a word: its encoding in bits 0-7 and
// its number of direct components above.  Then the element:
//   0  its bytes
//   1  a linear element whose z values are all 0, stored without them
//   2  a linear element whose coordinates are whole numbers (map data in
//      millimetres): x and y as differences from the previous vertex,
//      zigzag varints; z all 0 and not stored
//   3  as 2 with z
// Encodings 1-3 keep the bytes before and after the vertices as they are, so
// every element reads back bit for bit.

namespace {

constexpr uint32_t kRaw = 0;
constexpr uint32_t kLinearXY = 1;
constexpr uint32_t kWholeXY = 2;
constexpr uint32_t kWholeXYZ = 3;
constexpr uint32_t kMaxComponents = 0xFFFFFF;
// Whole numbers up to this size convert to and from doubles exactly, and
// their differences fit 64 bits.
constexpr double kMaxWhole = 9007199254740992.0; // 2^53

// A whole number that comes back bit for bit from an integer (not -0).
inline bool isWhole(double v)
{
    return std::fabs(v) < kMaxWhole && double(int64_t(v)) == v && !(v == 0 && std::signbit(v));
}

// Writes v at p (at most 10 bytes); returns the byte after it.
uint8_t *putVarint(uint8_t *p, int64_t v)
{
    uint64_t z = (uint64_t(v) << 1) ^ uint64_t(v >> 63);
    while (z >= 0x80) {
        *p++ = uint8_t(z | 0x80);
        z >>= 7;
    }
    *p++ = uint8_t(z);
    return p;
}

bool getVarint(const uint8_t *&p, const uint8_t *end, int64_t &v)
{
    uint64_t z = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (p == end)
            return false;
        uint8_t b = *p++;
        z |= uint64_t(b & 0x7F) << shift;
        if (!(b & 0x80)) {
            v = int64_t(z >> 1) ^ -int64_t(z & 1);
            return true;
        }
    }
    return false;
}

uint32_t encodingOf(const MSElement &el)
{
    if (!isLinear(elementType(&el)))
        return kRaw;
    // The vertices must lie inside the element before they are looked at.
    const Linear_elm &l = el.linear;
    if (l.numVerts > MAX_VERTICES ||
        offsetof(Linear_elm, vertice) + size_t(l.numVerts) * sizeof(DPoint3d) > elementBytes(&el))
        return kRaw;
    bool flat = true, whole = true, wholeZ = true;
    for (uint32_t i = 0; i < l.numVerts; i++) {
        const DPoint3d &p = l.vertice[i];
        uint64_t zbits;
        memcpy(&zbits, &p.z, sizeof zbits);
        flat = flat && zbits == 0;
        whole = whole && isWhole(p.x) && isWhole(p.y);
        wholeZ = wholeZ && isWhole(p.z);
        if (!flat && !whole)
            return kRaw;
    }
    if (whole && (flat || wholeZ))
        return flat ? kWholeXY : kWholeXYZ;
    return flat ? kLinearXY : kRaw;
}

bool serializeNode(const MSElementDescr *d, std::vector<uint8_t> &out, int depth)
{
    if (depth > kMaxNesting)
        return false;
    size_t children = 0;
    for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next)
        children++;
    if (children > kMaxComponents)
        return false;
    const MSElement &el = d->el;
    const size_t bytes = elementBytes(&el);
    if (bytes < sizeof(Elm_hdr) || bytes > MAX_ELEMENT_SIZE)
        return false;
    const uint32_t encoding = encodingOf(el);
    // Room for the element as it is: a difference below 2^54 takes at most
    // 8 bytes, so no vertex grows.
    const size_t start = out.size();
    out.resize(start + 4 + bytes + 8);
    uint8_t *w = out.data() + start;
    uint32_t word = uint32_t(children) << 8 | encoding;
    memcpy(w, &word, 4);
    w += 4;
    const uint8_t *p = reinterpret_cast<const uint8_t *>(&el);
    if (encoding == kRaw) {
        memcpy(w, p, bytes);
        w += bytes;
    } else {
        const size_t head = offsetof(Linear_elm, vertice);
        const Linear_elm &l = el.linear;
        memcpy(w, p, head);
        w += head;
        int64_t last[3] = {0, 0, 0};
        const int dims = encoding == kWholeXYZ ? 3 : 2;
        for (uint32_t i = 0; i < l.numVerts; i++) {
            const DPoint3d &v = l.vertice[i];
            if (encoding == kLinearXY) {
                memcpy(w, &v, 2 * sizeof(double));
                w += 2 * sizeof(double);
                continue;
            }
            const double c[3] = {v.x, v.y, v.z};
            for (int k = 0; k < dims; k++) {
                int64_t whole = int64_t(c[k]);
                w = putVarint(w, whole - last[k]);
                last[k] = whole;
            }
        }
        const size_t tail = head + l.numVerts * sizeof(DPoint3d);
        memcpy(w, p + tail, bytes - tail);
        w += bytes - tail;
    }
    out.resize(size_t(w - out.data()));
    for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next)
        if (!serializeNode(c, out, depth + 1))
            return false;
    return true;
}

} // namespace

// Frees node and its components (not its siblings).
void freeTree(MSElementDescr *node)
{
    if (node == nullptr)
        return;
    std::vector<MSElementDescr *> stack{node};
    while (!stack.empty()) {
        MSElementDescr *x = stack.back();
        stack.pop_back();
        for (MSElementDescr *y = x->h.firstElem; y; y = y->h.next)
            stack.push_back(y);
        freeDescrNode(x);
    }
}

namespace {

struct Reader {
    const uint8_t *p;
    size_t left;
};

// Decodes the next element of r into dst (MSElement size) and tells how many
// direct components follow it; false when the bytes do not hold together.
bool decodeOne(Reader &r, MSElement *out, uint32_t *children)
{
    if (r.left < 4 + sizeof(Elm_hdr))
        return false;
    uint32_t word;
    memcpy(&word, r.p, 4);
    uint32_t encoding = word & 0xFF;
    *children = word >> 8;
    Elm_hdr h;
    memcpy(&h, r.p + 4, sizeof h);
    if (h.elementSize > MAX_ELEMENT_WORDS || 2u * size_t(h.elementSize) < sizeof(Elm_hdr))
        return false;
    const uint8_t *src = r.p + 4;
    size_t left = r.left - 4;
    size_t bytes = 2u * size_t(h.elementSize);
    uint8_t *dst = reinterpret_cast<uint8_t *>(out);
    if (encoding == kRaw) {
        if (bytes > left)
            return false;
        memcpy(dst, src, bytes);
        src += bytes;
    } else if (encoding == kLinearXY || encoding == kWholeXY || encoding == kWholeXYZ) {
        const size_t head = offsetof(Linear_elm, vertice);
        if (!isLinear(elementType(h)) || head > bytes || head > left)
            return false;
        memcpy(dst, src, head);
        uint32_t n = out->linear.numVerts;
        if (n > MAX_VERTICES)
            return false;
        const size_t full = head + size_t(n) * sizeof(DPoint3d);
        if (full > bytes)
            return false;
        const uint8_t *v = src + head, *end = src + left;
        int64_t last[3] = {0, 0, 0};
        for (uint32_t i = 0; i < n; i++) {
            double c[3] = {0, 0, 0};
            if (encoding == kLinearXY) {
                if (size_t(end - v) < 2 * sizeof(double))
                    return false;
                memcpy(c, v, 2 * sizeof(double));
                v += 2 * sizeof(double);
            } else {
                for (int k = 0; k < (encoding == kWholeXYZ ? 3 : 2); k++) {
                    int64_t d;
                    if (!getVarint(v, end, d))
                        return false;
                    // Wrapping arithmetic: a damaged difference gives a wrong
                    // number, never undefined behaviour.
                    last[k] = int64_t(uint64_t(last[k]) + uint64_t(d));
                    c[k] = double(last[k]);
                }
            }
            memcpy(dst + head + i * sizeof(DPoint3d), c, sizeof(DPoint3d));
        }
        if (size_t(end - v) < bytes - full)
            return false;
        memcpy(dst + full, v, bytes - full);
        src = v + (bytes - full);
    } else {
        return false;
    }
    if (validateElement(out) != 0)
        return false;
    r.left -= size_t(src - r.p);
    r.p = src;
    return true;
}

MSElementDescr *readNode(Reader &r, MSElementDescr *header, int depth)
{
    if (depth > kMaxNesting)
        return nullptr;
    MSElementDescr *node = allocDescrNode();
    if (node == nullptr)
        return nullptr;
    uint32_t children = 0;
    if (!decodeOne(r, &node->el, &children)) {
        freeDescrNode(node);
        return nullptr;
    }
    node->h.myHeader = header;
    node->h.isHeader = isHeaderType(elementType(&node->el)) || children > 0;
    MSElementDescr *last = nullptr;
    for (uint32_t i = 0; i < children; i++) {
        MSElementDescr *c = readNode(r, node, depth + 1);
        if (c == nullptr) {
            freeTree(node);
            return nullptr;
        }
        appendComponent(node, last, c);
    }
    return node;
}

} // namespace

namespace {

// Nodes given back are kept for the next ones: freed one by one, blocks of
// 128 KiB went back to the system and were taken again for the next
// element (a descriptor of tags per imported element), which cost more than
// the import itself.  The sanitizer build frees them at once, so that a use
// after free is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kKeepNodes = false;
#else
constexpr bool kKeepNodes = true;
#endif
constexpr size_t kKeptNodes = 32;

thread_local bool keptNodesGone = false;
struct KeptNodes {
    MSElementDescr *nodes[kKeptNodes] = {};
    size_t count = 0;
    ~KeptNodes()
    {
        keptNodesGone = true; // nodes freed after this go to free()
        while (count > 0)
            free(nodes[--count]);
    }
};
thread_local KeptNodes keptNodes;

} // namespace

// A node holds a whole MSElement (128 KiB); only the links and the head of
// the element are cleared, since every writer of an element sets its size
// and the bytes it counts.  Clearing all of it cost more than the adds.
MSElementDescr *allocDescrNode()
{
    MSElementDescr *node = nullptr;
    if (kKeepNodes && !keptNodesGone && keptNodes.count > 0)
        node = keptNodes.nodes[--keptNodes.count];
    else
        node = static_cast<MSElementDescr *>(malloc(sizeof(MSElementDescr)));
    if (node == nullptr)
        return nullptr;
    memset(&node->h, 0, sizeof node->h);
    constexpr size_t kCleared = 4096;
    memset(&node->el, 0, sizeof node->el < kCleared ? sizeof node->el : kCleared);
    return node;
}

void freeDescrNode(MSElementDescr *node)
{
    if (node != nullptr && kKeepNodes && !keptNodesGone && keptNodes.count < kKeptNodes) {
        keptNodes.nodes[keptNodes.count++] = node;
        return;
    }
    free(node);
}

std::vector<uint8_t> serializeDescr(const MSElementDescr *dscr)
{
    std::vector<uint8_t> out;
    if (dscr == nullptr || !serializeNode(dscr, out, 0))
        out.clear();
    return out;
}

int decodeTopElement(const uint8_t *data, size_t size, MSElement *out, uint32_t *components)
{
    if (data == nullptr || out == nullptr)
        return DGNERR_BADELEMENT;
    Reader r{data, size};
    uint32_t children = 0;
    if (!decodeOne(r, out, &children))
        return DGNERR_BADELEMENT;
    if (components)
        *components = children;
    return 0;
}

MSElementDescr *deserializeDescr(const uint8_t *data, size_t size)
{
    if (data == nullptr)
        return nullptr;
    Reader r{data, size};
    MSElementDescr *d = readNode(r, nullptr, 0);
    if (d != nullptr && r.left != 0) {
        freeTree(d);
        return nullptr;
    }
    return d;
}

// --- scan -------------------------------------------------------------------------

int storeScan(DgnModelRefP model, const ScanFilter &filter, const std::function<int(uint32_t pos)> &fn)
{
    Model *m = needModel(model);
    if (m == nullptr || m->deleted)
        return mdlErrno = DGNERR_NOMODEL;
    std::shared_ptr<DgnFile> file = m->file; // fn may close the model's handle
    const int64_t modelId = m->id;
    bool anyType = std::all_of(std::begin(filter.typeMask), std::end(filter.typeMask), [](uint32_t w) { return w == 0; });
    constexpr int kBatch = 512;
    std::vector<uint32_t> batch;
    batch.reserve(kBatch);
    int64_t from = std::max<uint32_t>(filter.fromPos, 1);
    for (;;) {
        if (file->db == nullptr)
            return 0;
        sqlite3_stmt *s = fileStatement(*file,
                                        "SELECT pos, type, level, ggroup, xlow, ylow, xhigh, yhigh FROM dgn_elements "
                                        "WHERE model = ?1 AND pos >= ?2 AND deleted = 0 ORDER BY pos LIMIT ?3");
        if (s == nullptr)
            return mdlErrno;
        sqlite3_bind_int64(s, 1, modelId);
        sqlite3_bind_int64(s, 2, from);
        sqlite3_bind_int(s, 3, kBatch);
        batch.clear();
        int rows = 0, rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            rows++;
            int64_t pos = sqlite3_column_int64(s, 0);
            from = pos + 1;
            int type = sqlite3_column_int(s, 1) & 0xFF;
            if (!anyType && !(filter.typeMask[type >> 5] & (1u << (type & 31))))
                continue;
            if (!filter.levels.empty() &&
                std::find(filter.levels.begin(), filter.levels.end(), uint32_t(sqlite3_column_int64(s, 2))) ==
                    filter.levels.end())
                continue;
            if (filter.useGraphicGroup && uint32_t(sqlite3_column_int64(s, 3)) != filter.graphicGroup)
                continue;
            if (filter.useRange) {
                if (sqlite3_column_type(s, 4) == SQLITE_NULL)
                    continue;
                double xl = sqlite3_column_double(s, 4), yl = sqlite3_column_double(s, 5);
                double xh = sqlite3_column_double(s, 6), yh = sqlite3_column_double(s, 7);
                if (xh < filter.range.low.x || xl > filter.range.high.x || yh < filter.range.low.y ||
                    yl > filter.range.high.y)
                    continue;
            }
            batch.push_back(uint32_t(pos));
        }
        sqlite3_reset(s);
        if (rc != SQLITE_DONE)
            return storeError(rc);
        uint64_t serial = file->changeSerial;
        for (uint32_t pos : batch) {
            if (file->db == nullptr)
                return 0;
            if (file->changeSerial != serial) {
                // Something was deleted or moved since the batch was read.
                sqlite3_stmt *c = fileStatement(*file, "SELECT 1 FROM dgn_elements WHERE pos = ?1 AND model = ?2 "
                                                       "AND deleted = 0");
                if (c == nullptr)
                    return mdlErrno;
                sqlite3_bind_int64(c, 1, pos);
                sqlite3_bind_int64(c, 2, modelId);
                bool alive = sqlite3_step(c) == SQLITE_ROW;
                sqlite3_reset(c);
                if (!alive)
                    continue;
            }
            if (int stop = fn(pos))
                return stop;
        }
        if (rows < kBatch)
            return 0;
    }
}

} // namespace mdlhost::dgn
