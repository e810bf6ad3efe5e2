// The SQLite back end: one file, UTF-8 inside, ISO 8859-1 at the interface.
//
//   types      declared types to type codes
//   values     a column's value as text
//   back end   statements, describe
#include <sqlite3.h>

#include <charconv>
#include <cstring>

#include "base/text_host.h"
#include "db_int.h"

namespace mdlhost::db {

// --- types ---------------------------------------------------------------------------

// NUMERIC(p) and NUMERIC(p,0) (DECIMAL alike) hold whole numbers, as on
// PostgreSQL: keys moved from other systems are often declared so.
bool wholeNumbers(const std::string &t)
{
    size_t open = t.find('('), close = t.find(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    std::vector<std::string> parts = splitAt(std::string_view(t).substr(open + 1, close - open - 1), ',');
    int64_t precision = 0, scale = 0;
    if (parts.empty() || parts.size() > 2 || !parseInt64(parts[0], precision) || precision < 1)
        return false;
    return parts.size() == 1 || (parseInt64(parts[1], scale) && scale == 0);
}

// SQLite's own affinity rules, and the width in parentheses of a text type.
void typeOfDeclared(std::string_view declared, int &type, int &length)
{
    std::string t = upperCased(declared);
    type = MDLDB_TYPE_CHAR;
    length = MDLDB_TEXT_WIDTH;
    if (t.find("INT") != std::string::npos) {
        type = MDLDB_TYPE_LONG;
        length = 4;
        return;
    }
    if (t.find("CHAR") != std::string::npos || t.find("CLOB") != std::string::npos ||
        t.find("TEXT") != std::string::npos) {
        size_t open = t.find('(');
        int64_t width = 0;
        if (open != std::string::npos) {
            size_t close = t.find(')', open);
            if (close != std::string::npos && parseInt64(std::string_view(t).substr(open + 1, close - open - 1), width) &&
                width > 0 && width < 1000000)
                length = static_cast<int>(width);
        }
        return;
    }
    bool numeric = t.find("NUMERIC") != std::string::npos || t.find("DECIMAL") != std::string::npos;
    if (numeric && wholeNumbers(t)) {
        type = MDLDB_TYPE_LONG;
        length = 4;
        return;
    }
    if (t.find("REAL") != std::string::npos || t.find("FLOA") != std::string::npos ||
        t.find("DOUB") != std::string::npos || numeric) {
        type = MDLDB_TYPE_DOUBLE;
        length = 8;
    }
}

// --- values -----------------------------------------------------------------------------

// Doubles as the shortest text that reads back to the same value, without
// the locale (SQLite's own text keeps 15 digits only).
static std::string doubleText(double v)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// substituted tells whether the text held characters outside ISO 8859-1.
static std::optional<std::string> columnText(sqlite3_stmt *st, int c, bool &substituted)
{
    substituted = false;
    switch (sqlite3_column_type(st, c)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_INTEGER:
        return std::to_string(sqlite3_column_int64(st, c));
    case SQLITE_FLOAT:
        return doubleText(sqlite3_column_double(st, c));
    case SQLITE_BLOB: {
        const void *p = sqlite3_column_blob(st, c);
        int n = sqlite3_column_bytes(st, c);
        return std::string(static_cast<const char *>(p ? p : ""), static_cast<size_t>(n));
    }
    default: {
        const unsigned char *p = sqlite3_column_text(st, c);
        int n = sqlite3_column_bytes(st, c);
        return utf8ToLatin1(std::string_view(reinterpret_cast<const char *>(p ? p : (const unsigned char *)""),
                                             static_cast<size_t>(n)),
                            substituted);
    }
    }
}

// --- back end ---------------------------------------------------------------------------

namespace {

class Sqlite final : public Backend {
  public:
    explicit Sqlite(sqlite3 *db) : db_(db) {}
    ~Sqlite() override { sqlite3_close_v2(db_); }
    int serverType() const override { return MDLDB_SERVER_SQLITE; }
    bool failureAbortsTransaction() const override { return false; }
    long changedRows() const override { return changes_; }
    bool connectionLost() const override { return !lost_.empty(); }
    bool reconnect(std::string &error) override
    {
        error = lost_;
        return false;
    }
    int readOnly() override { return sqlite3_db_readonly(db_, "main") == 1 ? 1 : 0; }

    bool run(std::string_view sql, const std::vector<std::optional<std::string>> &params, Result *result,
             std::string &error) override
    {
        changes_ = 0;
        std::string text = latin1ToUtf8(sql);
        sqlite3_stmt *st = nullptr;
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()) + 1, &st, &tail) != SQLITE_OK) {
            error = failure();
            return false;
        }
        if (!st) {
            error = "empty statement";
            return false;
        }
        // What follows the first statement must hold no second one.
        if (tail && *tail) {
            sqlite3_stmt *next = nullptr;
            int rc = sqlite3_prepare_v2(db_, tail, -1, &next, nullptr);
            bool more = rc != SQLITE_OK || next != nullptr;
            sqlite3_finalize(next);
            if (more) {
                sqlite3_finalize(st);
                error = "more than one statement";
                return false;
            }
        }
        for (size_t i = 0; i < params.size(); ++i) {
            int rc = params[i] ? bindText(st, static_cast<int>(i) + 1, *params[i])
                               : sqlite3_bind_null(st, static_cast<int>(i) + 1);
            if (rc != SQLITE_OK) {
                error = failure();
                sqlite3_finalize(st);
                return false;
            }
        }
        int n = sqlite3_column_count(st);
        // sqlite3_changes keeps the count of the last INSERT, UPDATE or
        // DELETE across other statements: it counts for this one only when
        // the total moved.
        sqlite3_int64 totalBefore = sqlite3_total_changes64(db_);
        if (result) {
            *result = Result{};
            result->columns.assign(static_cast<size_t>(n), MdlDbColumn{});
            for (int c = 0; c < n; ++c) {
                MdlDbColumn &col = result->columns[static_cast<size_t>(c)];
                const char *name = sqlite3_column_name(st, c);
                copyText(col.name, utf8ToLatin1(name ? name : ""));
                const char *decl = sqlite3_column_decltype(st, c);
                col.type = 0;
                if (decl)
                    typeOfDeclared(decl, col.type, col.length);
            }
        }
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            if (!result)
                continue;
            auto &row = result->rows.emplace_back();
            row.reserve(static_cast<size_t>(n));
            for (int c = 0; c < n; ++c) {
                MdlDbColumn &col = result->columns[static_cast<size_t>(c)];
                if (col.type == 0 && sqlite3_column_type(st, c) != SQLITE_NULL) {
                    int t = sqlite3_column_type(st, c);
                    col.type = t == SQLITE_INTEGER ? MDLDB_TYPE_LONG
                               : t == SQLITE_FLOAT ? MDLDB_TYPE_DOUBLE
                                                   : MDLDB_TYPE_CHAR;
                    col.length = col.type == MDLDB_TYPE_CHAR ? MDLDB_TEXT_WIDTH : 8;
                }
                bool substituted = false;
                row.push_back(columnText(st, c, substituted));
                if (substituted)
                    result->markSubstituted(result->rows.size() - 1, c);
            }
        }
        if (rc != SQLITE_DONE) {
            error = failure();
            sqlite3_finalize(st);
            return false;
        }
        sqlite3_finalize(st);
        if (sqlite3_total_changes64(db_) != totalBefore)
            changes_ = sqlite3_changes64(db_);
        if (result)
            for (MdlDbColumn &col : result->columns)
                if (col.type == 0) {
                    col.type = MDLDB_TYPE_CHAR;
                    col.length = MDLDB_TEXT_WIDTH;
                }
        return true;
    }

    bool describe(std::string_view table, std::vector<MdlDbColumn> &columns, std::string &error) override
    {
        Result r;
        // The table's name is bound, never written into the statement.
        if (!run("SELECT name, type FROM pragma_table_info(?1)", {std::string(table)}, &r, error))
            return false;
        columns.clear();
        for (auto &row : r.rows) {
            MdlDbColumn col{};
            copyText(col.name, row[0].value_or(""));
            typeOfDeclared(row[1].value_or(""), col.type, col.length);
            columns.push_back(col);
        }
        if (columns.empty()) {
            error = "no such table: " + std::string(table);
            return false;
        }
        return true;
    }

  private:
    // The text of the failure just met.  A lock held past the wait, a file
    // that refuses writes, a full disk or a damaged file fail every later
    // statement too: the file is then lost to this connection.
    std::string failure()
    {
        std::string text = utf8ToLatin1(sqlite3_errmsg(db_));
        switch (sqlite3_errcode(db_) & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            lost_ = "by another process, past the wait";
            break;
        case SQLITE_READONLY:
            lost_ = "the file takes no writes";
            break;
        case SQLITE_FULL:
            lost_ = "the disk is full";
            break;
        case SQLITE_IOERR:
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_CANTOPEN:
            lost_ = "the file cannot be worked on";
            break;
        default:
            break;
        }
        return text;
    }
    std::string lost_;
    static int bindText(sqlite3_stmt *st, int i, const std::string &latin1)
    {
        std::string u = latin1ToUtf8(latin1);
        return sqlite3_bind_text(st, i, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    }
    sqlite3 *db_;
    long changes_ = 0;
};

} // namespace

std::unique_ptr<Backend> openSqlite(const std::string &path, std::string &error)
{
    sqlite3 *db = nullptr;
    // A name is a file's name: "file:x.db" is not a URI to SQLite here.
    std::string name = path.compare(0, 5, "file:") == 0 ? "./" + path : path;
    int rc = sqlite3_open_v2(name.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        error = path + ": " + (db ? sqlite3_errmsg(db) : "cannot open");
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    // Many small statements: WAL keeps each commit cheap while staying safe.
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    // A file that is not a database shows here, not at the first statement.
    if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr) != SQLITE_OK) {
        error = path + ": " + sqlite3_errmsg(db);
        sqlite3_close_v2(db);
        return nullptr;
    }
    return std::make_unique<Sqlite>(db);
}

} // namespace mdlhost::db
