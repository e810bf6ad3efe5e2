// The database interface over its back ends: the active database, one
// statement per call, cursors, describe, largest mslink, transactions, the
// statement log and the active entity.
//
//   state         the active database and its cursor
//   connection    mdlDB_activeDatabase and closing
//   running       one statement, logged, never poisoning the next; a
//                 connection the server dropped made again once; values
//                 read with substitutes marked
//   statements    processSQL, sqlQuery, parameters, largest mslink
//   cursors       open, fetch, close
//   tables        describe
//   entity        the active entity of a select
//   transactions  begin, commit, rollback
#include <cstdio>
#include <cstring>

#include "base/text_host.h"
#include "db_int.h"
#include "sys/mdlsys.h"
#include "sys/sys_host.h"

namespace mdlhost::db {

// --- state ----------------------------------------------------------------------------

namespace {

struct State {
    std::unique_ptr<Backend> backend;
    std::string name;
    std::string error;
    // Why the database was given up ("" while it works): every statement
    // fails with it until the database is opened again.
    std::string givenUp;
    long statements = 0;
    bool inTransaction = false;
    // Rows changed by the last statement of processSQL or execParams; -1
    // when it failed or none ran since the database was opened.
    long changedRows = -1;
    // Rows changed by the statement runOne ran last (its own, not those of
    // the savepoint around it).
    long lastChanges = -1;
    // Columns of the row just fetched (or the value mdlDB_sqlQuery gave,
    // column 0) whose texts held characters outside ISO 8859-1.
    std::vector<int> substituted;
    // The open cursor: its rows, the next to hand out, the fetched row's
    // storage.
    bool cursorOpen = false;
    Result cursor;
    size_t next = 0;
    std::vector<MdlDbColumn> rowColumns;
    std::vector<const char *> rowValues;
    std::string activeTable;
    long activeMslink = 0;
    bool activeDefined = false;
};

State &state()
{
    static State s;
    return s;
}

bool fail(const std::string &error)
{
    state().error = error;
    return false;
}

bool startsWith(std::string_view s, std::string_view head) { return s.substr(0, head.size()) == head; }

} // namespace

// --- running ----------------------------------------------------------------------------

static void logStatement(std::string_view sql, bool ok, const std::string &error)
{
    std::string path;
    if (!cfgLookup("MDLHOST_SQLLOG", path) || path.empty())
        return;
    FILE *fp = dlmSystem_mdlFopen(path.c_str(), "a");
    if (!fp)
        return;
    std::string line(sql);
    for (char &c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(fp, "%s\n  -> %s\n", line.c_str(), ok ? "ok" : error.c_str());
    std::fclose(fp);
}

// A statement's values that held characters outside ISO 8859-1 came with
// '?' in their places: one line on the text window per statement, so the
// user learns that what shows is not what is stored.
static void reportSubstitutes(std::string_view sql, long values)
{
    constexpr size_t kShown = 200; // of the statement, on one line
    std::string line(sql.substr(0, kShown));
    for (char &c : line)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    if (sql.size() > kShown)
        line += "...";
    toolSubsystem_printf("Database: %ld value(s) held characters outside ISO 8859-1, read with '?' in their places: "
                         "%s\n",
                         values, line.c_str());
}

// One send of a statement.  Inside a transaction of a back end where a
// failure aborts the transaction, the statement runs under a savepoint of
// its own.
static bool sendOne(std::string_view sql, const std::vector<std::optional<std::string>> &params, Result *result,
                    std::string &error)
{
    State &s = state();
    ++s.statements;
    s.lastChanges = -1;
    bool guarded = s.inTransaction && s.backend->failureAbortsTransaction();
    std::string ignored;
    if (guarded && !s.backend->run("SAVEPOINT mdlhost_statement", {}, nullptr, error)) {
        logStatement(sql, false, error);
        return false;
    }
    bool ok = s.backend->run(sql, params, result, error);
    if (ok)
        s.lastChanges = s.backend->changedRows();
    if (guarded)
        s.backend->run(ok ? "RELEASE SAVEPOINT mdlhost_statement" : "ROLLBACK TO SAVEPOINT mdlhost_statement", {},
                       nullptr, ignored);
    logStatement(sql, ok, error);
    return ok;
}

// After a failure: when the server has dropped the connection (it was
// restarted, or the session was ended), connects again once.  True when
// the failed statement may be sent again: never inside a transaction of
// the caller's, which the server has rolled back (the transaction ends
// here, so its commit fails and says so), and never for the statement that
// ends one (mayRetry false: a commit sent again would "succeed" with
// nothing to commit).  error gets what happened.
static bool connectedAgain(std::string &error, bool mayRetry)
{
    State &s = state();
    if (!s.backend->connectionLost())
        return false;
    std::string why;
    if (!s.backend->reconnect(why)) {
        error += " (" + why + ")";
        return false;
    }
    if (s.inTransaction) {
        s.inTransaction = false;
        error += " (connected again; the open transaction was lost)";
        return false;
    }
    if (!mayRetry) {
        error += " (connected again)";
        return false;
    }
    return true;
}

// A database's name for messages: a password in a connection string is
// not shown.
static std::string shownName(std::string name)
{
    for (size_t at = name.find("password="); at != std::string::npos; at = name.find("password=", at + 1)) {
        size_t from = at + 9, to = name.find(' ', from);
        name.replace(from, (to == std::string::npos ? name.size() : to) - from, "***");
    }
    return name;
}

// One statement, sent once more when the connection had to be made again.
static bool runOne(std::string_view sql, const std::vector<std::optional<std::string>> &params, Result *result,
                   bool mayRetry = true)
{
    State &s = state();
    s.substituted.clear();
    if (!s.backend)
        return fail("no database is open");
    if (!s.givenUp.empty())
        return fail(s.givenUp);
    std::string error;
    bool ok = sendOne(sql, params, result, error);
    if (!ok && connectedAgain(error, mayRetry)) {
        error.clear();
        ok = sendOne(sql, params, result, error);
    }
    if (!ok && s.backend->connectionLost()) {
        // Said once: the caller's next thousand rows fail at once with it.
        s.givenUp = shownName(s.name) + ": " + error;
        toolSubsystem_printf("Database %s; no further statement is sent until it is opened again\n",
                             s.givenUp.c_str());
        return fail(s.givenUp);
    }
    if (!ok)
        return fail(error);
    if (result && result->substitutedValues > 0)
        reportSubstitutes(sql, result->substitutedValues);
    s.error.clear();
    return true;
}

} // namespace mdlhost::db

using namespace mdlhost;
using namespace mdlhost::db;

// --- connection ------------------------------------------------------------------------

void mdlhost_dbClose(void)
{
    State &s = state();
    mdlDB_closeCursor();
    s.backend.reset();
    s.name.clear();
    s.givenUp.clear();
    s.inTransaction = false;
    s.activeDefined = false;
    s.statements = 0;
    s.changedRows = -1;
    s.substituted.clear();
}

int mdlDB_activeDatabase(char *name)
{
    State &s = state();
    // Asking: the database connected, or the one MDLHOST_DATABASE names.
    if (!name || !*name) {
        if (!s.backend && mdlhost_dbOpen(nullptr) != 0)
            return -1;
        if (name)
            copyText(name, MDLDB_SOURCE_SIZE, s.name);
        s.error.clear();
        return 0;
    }
    return mdlhost_dbOpen(name);
}

int mdlhost_dbOpen(const char *name)
{
    State &s = state();
    mdlhost_dbClose();
    std::string n = name ? name : "";
    if (n.empty() && (!cfgLookup("MDLHOST_DATABASE", n) || n.empty()))
        return fail("no database named (MDLHOST_DATABASE is not set)"), -1;
    std::string error;
    if (startsWith(n, "pg:"))
        s.backend = openPostgres(n.substr(3), error);
    else if (startsWith(n, "postgresql://") || startsWith(n, "postgres://"))
        s.backend = openPostgres(n, error);
    else
        s.backend = openSqlite(mappedPath(n.c_str()), error);
    if (!s.backend)
        return fail(error), -1;
    s.name = n;
    s.error.clear();
    return 0;
}

int mdlhost_dbIsOpen(void) { return state().backend ? 1 : 0; }

int mdlhost_dbReadOnly(void)
{
    State &s = state();
    if (!s.backend)
        return -1;
    if (!s.givenUp.empty())
        return 1;
    return s.backend->readOnly();
}

int mdlhost_dbServerType(void)
{
    return state().backend ? state().backend->serverType() : MDLDB_SERVER_NONE;
}

const char *mdlhost_dbName(void) { return state().name.c_str(); }

int mdlDB_getErrorText(char *out, int outSize)
{
    if (!out || outSize <= 0)
        return -1;
    copyText(out, static_cast<size_t>(outSize), state().error);
    return 0;
}

long mdlhost_dbStatementCount(void) { return state().statements; }

long mdlhost_dbChangedRows(void) { return state().changedRows; }

int mdlhost_dbSubstituted(int column)
{
    const std::vector<int> &marked = state().substituted;
    if (column == -1)
        return marked.empty() ? 0 : 1;
    for (int c : marked)
        if (c == column)
            return 1;
    return 0;
}

// --- statements ------------------------------------------------------------------------

int mdlDB_processSQL(const char *sql)
{
    State &s = state();
    s.changedRows = -1;
    if (!sql)
        return fail("no statement"), -1;
    if (!runOne(sql, {}, nullptr))
        return -1;
    s.changedRows = s.lastChanges;
    return 0;
}

int mdlhost_dbExecParams(const char *sql, int nValues, const char *const *values)
{
    State &s = state();
    s.changedRows = -1;
    if (!sql || nValues < 0 || (nValues > 0 && !values))
        return fail("no statement"), -1;
    std::vector<std::optional<std::string>> params;
    for (int i = 0; i < nValues; ++i)
        params.push_back(values[i] ? std::optional<std::string>(values[i]) : std::nullopt);
    if (!runOne(sql, params, nullptr))
        return -1;
    s.changedRows = s.lastChanges;
    return 0;
}

int mdlDB_sqlQuery(char *result, const char *sql)
{
    if (result)
        result[0] = '\0';
    if (!result || !sql)
        return fail("no statement"), -1;
    Result r;
    if (!runOne(sql, {}, &r))
        return -1;
    // No row or a NULL is no answer: a caller must never read "" as a value.
    if (r.rows.empty() || r.rows[0].empty())
        return fail("the query gave no row"), 1;
    if (!r.rows[0][0])
        return fail("the query gave NULL"), 1;
    copyText(result, MDLDB_VALUE_SIZE, *r.rows[0][0]);
    if (!r.substituted.empty())
        for (int c : r.substituted[0])
            if (c == 0)
                state().substituted.push_back(0);
    return 0;
}

int mdlhost_dbIsIdentifier(const char *name)
{
    if (!name || !*name || std::strlen(name) >= MDLDB_NAME_SIZE)
        return 0;
    for (const char *p = name; *p; ++p) {
        char c = *p;
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        if (!letter && !(p != name && c >= '0' && c <= '9'))
            return 0;
    }
    return 1;
}

int mdlDB_largestMslink(const char *table, long *mslink)
{
    if (!mslink || !mdlhost_dbIsIdentifier(table))
        return fail("not a table name"), -1;
    *mslink = 0;
    Result r;
    if (!runOne(std::string("SELECT max(mslink) FROM ") + table, {}, &r))
        return -1;
    int64_t v = 0;
    if (!r.rows.empty() && !r.rows[0].empty() && r.rows[0][0]) {
        double d = 0;
        if (!parseInt64(*r.rows[0][0], v)) {
            if (!parseDouble(*r.rows[0][0], d))
                return fail("mslink is not a number"), -1;
            v = static_cast<int64_t>(d);
        }
    }
    *mslink = static_cast<long>(v);
    return 0;
}

// --- cursors ----------------------------------------------------------------------------

int mdlDB_openCursor(const char *sql)
{
    State &s = state();
    mdlDB_closeCursor();
    if (!sql)
        return fail("no statement"), -1;
    if (!runOne(sql, {}, &s.cursor))
        return -1;
    s.cursorOpen = true;
    s.next = 0;
    return 0;
}

int mdlDB_fetchRow(MS_SQLDA *row)
{
    State &s = state();
    if (!row || !s.cursorOpen || s.next >= s.cursor.rows.size())
        return 1;
    size_t at = s.next++;
    auto &r = s.cursor.rows[at];
    s.substituted.clear();
    if (at < s.cursor.substituted.size())
        s.substituted = s.cursor.substituted[at];
    s.rowColumns = s.cursor.columns;
    s.rowValues.clear();
    for (auto &v : r)
        s.rowValues.push_back(v ? v->c_str() : nullptr);
    row->numColumns = static_cast<int>(s.rowColumns.size());
    row->columns = s.rowColumns.data();
    row->values = s.rowValues.data();
    return 0;
}

void mdlDB_closeCursor(void)
{
    State &s = state();
    s.cursorOpen = false;
    s.cursor = Result{};
    s.next = 0;
    s.substituted.clear();
}

// --- tables -----------------------------------------------------------------------------

int mdlDB_describeTable(const char *table, MS_SQLDA *desc)
{
    if (!desc)
        return -1;
    *desc = MS_SQLDA{};
    State &s = state();
    if (!table || !*table)
        return fail("no table"), -1;
    if (!s.backend)
        return fail("no database is open"), -1;
    std::vector<MdlDbColumn> columns;
    std::string error;
    s.substituted.clear();
    ++s.statements;
    bool ok = s.backend->describe(table, columns, error);
    if (!ok && connectedAgain(error, true)) {
        error.clear();
        ++s.statements;
        ok = s.backend->describe(table, columns, error);
    }
    if (!ok)
        return fail(error), -1;
    desc->columns = static_cast<MdlDbColumn *>(dlmSystem_mdlMalloc(columns.size() * sizeof(MdlDbColumn)));
    if (!desc->columns)
        return fail("out of memory"), -1;
    std::memcpy(desc->columns, columns.data(), columns.size() * sizeof(MdlDbColumn));
    desc->numColumns = static_cast<int>(columns.size());
    s.error.clear();
    return 0;
}

void mdlDB_freeSQLDADescriptor(MS_SQLDA *desc)
{
    if (!desc)
        return;
    dlmSystem_mdlFree(desc->columns);
    *desc = MS_SQLDA{};
}

// --- entity -----------------------------------------------------------------------------

// The table after FROM in a select, as a plain identifier.
static bool tableOfSelect(std::string_view sql, std::string &table)
{
    std::string up = upperCased(sql);
    size_t at = 0;
    while ((at = up.find("FROM", at)) != std::string::npos) {
        bool before = at == 0 || up[at - 1] == ' ' || up[at - 1] == '\t' || up[at - 1] == '\n';
        size_t p = at + 4;
        at = p;
        if (!before || p >= up.size() || (up[p] != ' ' && up[p] != '\t' && up[p] != '\n'))
            continue;
        while (p < sql.size() && (sql[p] == ' ' || sql[p] == '\t' || sql[p] == '\n'))
            ++p;
        size_t end = p;
        while (end < sql.size() && ((sql[end] >= 'a' && sql[end] <= 'z') || (sql[end] >= 'A' && sql[end] <= 'Z') ||
                                    (sql[end] >= '0' && sql[end] <= '9') || sql[end] == '_'))
            ++end;
        table = std::string(sql.substr(p, end - p));
        return mdlhost_dbIsIdentifier(table.c_str());
    }
    return false;
}

int mdlDB_defineAEBySQLSelect(const char *sql)
{
    State &s = state();
    std::string table;
    if (!sql || !tableOfSelect(sql, table))
        return fail("not a select of one table"), -1;
    Result r;
    if (!runOne(sql, {}, &r))
        return -1;
    if (r.rows.empty() || r.columns.empty())
        return fail("the select gave no row"), -1;
    size_t c = 0;
    for (size_t i = 0; i < r.columns.size(); ++i)
        if (sameName(r.columns[i].name, "mslink")) {
            c = i;
            break;
        }
    int64_t v = 0;
    if (!r.rows[0][c] || !parseInt64(*r.rows[0][c], v) || v < 1)
        return fail("the row has no mslink"), -1;
    s.activeTable = table;
    s.activeMslink = static_cast<long>(v);
    s.activeDefined = true;
    return 0;
}

int mdlhost_dbActiveEntity(char *table, long *mslink)
{
    State &s = state();
    if (!s.activeDefined)
        return -1;
    if (table)
        copyText(table, MDLDB_NAME_SIZE, s.activeTable);
    if (mslink)
        *mslink = s.activeMslink;
    return 0;
}

// --- transactions -----------------------------------------------------------------------

int mdlhost_dbBegin(void)
{
    State &s = state();
    if (s.inTransaction)
        return fail("a transaction is open already"), -1;
    if (!runOne("BEGIN", {}, nullptr))
        return -1;
    s.inTransaction = true;
    return 0;
}

static int endTransaction(const char *how)
{
    State &s = state();
    if (!s.inTransaction)
        return fail("no transaction is open"), -1;
    s.inTransaction = false;
    return runOne(how, {}, nullptr, false) ? 0 : -1;
}

int mdlhost_dbCommit(void) { return endTransaction("COMMIT"); }
int mdlhost_dbRollback(void) { return endTransaction("ROLLBACK"); }
