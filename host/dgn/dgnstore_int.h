// The design-file store's own state, shared by its files (dgnstore.cpp,
// dgnmodel.cpp, dgnlevel.cpp, dgnstyle.cpp, dgnelemio.cpp).
#ifndef MDLHOST_DGNSTORE_INT_H
#define MDLHOST_DGNSTORE_INT_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <sqlite3.h>

#include "dgn_int.h"

namespace mdlhost::dgn {

// Layout number of the host tables this build writes; a file with a larger
// one was written by a newer host and is refused.
constexpr int kLayout = 1;
constexpr int32_t kUorSrsId = 1000;
constexpr uint32_t kMaxPosition = 0x7FFFFFFFu; // positions fit 31 bits

struct Level {
    std::u16string name;
    std::u16string description;
    uint32_t color = 0;
    uint32_t weight = 0;
    int32_t style = 0;
};

// gpkg_contents extent of a model's feature table.
struct Extent {
    bool any = false;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct DgnFile {
    std::string key;  // canonical path: one connection per file
    std::string path; // as first opened
    sqlite3 *db = nullptr;
    bool readOnly = false; // the file could not be opened for writing
    int handles = 0;

    // Kept in memory, written to the settings and contents rows before each
    // commit, read back after a rollback.
    uint32_t nextPos = 1;
    uint64_t nextUid = 1;
    int32_t epsg = 0; // the CRS the features are in; 0: the engineering CRS
    std::map<int64_t, Extent> extents; // by model id
    bool dirty = false;

    std::map<uint32_t, Level> levels; // by id
    std::unordered_map<std::u16string, uint32_t> levelByName;

    bool readTxn = false;       // a read transaction is open between writes
    bool inTransaction = false; // a command's transaction is open
    int savepoints = 0;
    // Bumped when an element is deleted or moved, so scans know a batch of
    // positions they fetched may be stale.
    uint64_t changeSerial = 0;
    // Bumped by every rollback (and reload), so what was remembered of the
    // file's rows is known to be stale although SQLite's change count is not.
    uint64_t rollbacks = 0;

    // Found by the text without copying it (statements are fetched per row).
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, sqlite3_stmt *, TextHash, std::equal_to<>> statements;
};

// A model handle's view of its model.
struct Model {
    DgnModelRefP handle = 0;
    std::shared_ptr<DgnFile> file;
    int64_t id = 0;
    bool is3d = false;
    double uorPerMaster = 1.0;
    DPoint3d origin{};
    std::string unitName;
    bool writable = true;
    bool reference = false;
    bool deleted = false; // its model was deleted through another handle
};

// The model of handle (0: the active model); null when not open.
Model *findModel(DgnModelRefP handle);
// As findModel, setting mdlErrno to DGNERR_NOMODEL when there is none.
Model *needModel(DgnModelRefP handle);
// Opens (or shares) the file at path; null with mdlErrno set when it is not
// a design file this host can read.  Messages name displayName.
std::shared_ptr<DgnFile> openFile(const std::string &path, const std::string &displayName);
// Gives a new handle for model row id of file.
DgnModelRefP newHandle(const std::shared_ptr<DgnFile> &file, int64_t id, bool writable, bool reference);
void closeHandle(DgnModelRefP handle);
int64_t defaultModelId(DgnFile &file);

// Statement of file for sql, reset; null with mdlErrno set.  Outside a
// write it opens the file's read transaction (beginRead).
sqlite3_stmt *fileStatement(DgnFile &file, const char *sql);
void beginRead(DgnFile &file);
// Ends the read transaction before a write or a close.
void endRead(DgnFile &file);
// Runs sql without results; a SQLite result code.
int exec(DgnFile &file, const char *sql);

// Settings, extents and levels again from the file (after a rollback).
int reloadState(DgnFile &file);
int loadLevels(DgnFile &file);

// How the features of m are written: master units with the global origin in
// the file's EPSG CRS, or UOR in the engineering CRS when it names none.
FeatureFrame featureFrame(const Model &m);

// True while a command runs.
bool inCommand();
// The feature table of a model.
std::string featureTable(int64_t modelId);

// The text columns (names, descriptions, feature texts) are UTF-8, written
// with the text room's codec.  columnWide reads column col of s as wide text (a
// NULL column: empty).
std::u16string columnWide(sqlite3_stmt *s, int col);
std::u16string wideString(const char16_t *s, size_t max);
// Copies s into out (maxChars with the terminator); false when it does not fit.
bool copyWide(char16_t *out, int maxChars, const std::u16string &s);

// Failure injection (mdlhost_dgnFailWrites): the error the next write gets,
// 0 when none.
int takeInjectedFailure();

// Frees node and its components (not its siblings).
void freeTree(MSElementDescr *node);

// The last position read, added or rewritten (mdlElement_getFilePos).
void setCurrentPosition(DgnModelRefP model, uint32_t pos);

} // namespace mdlhost::dgn

#endif
