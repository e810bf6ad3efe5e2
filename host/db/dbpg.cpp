// The PostgreSQL back end through libpq: client encoding UTF8 (ISO 8859-1
// at the interface, converted per value in the host, so a character outside
// ISO 8859-1 stored by another client is one substituted value, never a
// failed select), standard conforming strings, every statement through
// PQexecParams (which refuses a text of two statements).  A connection the
// server dropped is made again once, by the caller's rule (mdldb.cpp).
//
//   types      result columns to type codes
//   texts      ISO 8859-1 to the server's encoding and back
//   session    the settings every connection gets
//   back end   statements, describe, reconnection
#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/lazy_host.h"
#include "base/text_host.h"
#include "db_int.h"
#include "sys/sys_host.h"

// libpq is opened with the first PostgreSQL connection (base/lazy_host.h):
// linking it would load its TLS, Kerberos and directory libraries into
// every host process.  Its functions are called through pointers under
// the names its header gives them.
namespace {
#define HOST_PQ_FUNCTIONS(X) X(PQclear) X(PQcmdStatus) X(PQcmdTuples) X(PQconnectdb) X(PQconnectdbParams) X(PQerrorMessage) X(PQexecParams) X(PQfinish) X(PQfmod) X(PQfname) X(PQftype) X(PQgetisnull) X(PQgetlength) X(PQgetvalue) X(PQnfields) X(PQntuples) X(PQparameterStatus) X(PQreset) X(PQresultErrorMessage) X(PQresultStatus) X(PQsetClientEncoding) X(PQstatus)
MDLHOST_LAZY_LIBRARY(PqApi, pqApi, HOST_PQ_LIBRARY, HOST_PQ_FUNCTIONS)
} // namespace
#define PQclear pqApi().PQclear
#define PQcmdStatus pqApi().PQcmdStatus
#define PQcmdTuples pqApi().PQcmdTuples
#define PQconnectdb pqApi().PQconnectdb
#define PQconnectdbParams pqApi().PQconnectdbParams
#define PQerrorMessage pqApi().PQerrorMessage
#define PQexecParams pqApi().PQexecParams
#define PQfinish pqApi().PQfinish
#define PQfmod pqApi().PQfmod
#define PQfname pqApi().PQfname
#define PQftype pqApi().PQftype
#define PQgetisnull pqApi().PQgetisnull
#define PQgetlength pqApi().PQgetlength
#define PQgetvalue pqApi().PQgetvalue
#define PQnfields pqApi().PQnfields
#define PQntuples pqApi().PQntuples
#define PQparameterStatus pqApi().PQparameterStatus
#define PQreset pqApi().PQreset
#define PQresultErrorMessage pqApi().PQresultErrorMessage
#define PQresultStatus pqApi().PQresultStatus
#define PQsetClientEncoding pqApi().PQsetClientEncoding
#define PQstatus pqApi().PQstatus

namespace mdlhost::db {

// --- types ---------------------------------------------------------------------------

namespace {

// Type oids of the catalogue (pg_type), stable across versions.
enum : Oid { INT8OID = 20, INT2OID = 21, INT4OID = 23, FLOAT4OID = 700, FLOAT8OID = 701, BPCHAROID = 1042,
             VARCHAROID = 1043, NUMERICOID = 1700 };

void typeOfOid(Oid oid, int mod, int &type, int &length)
{
    switch (oid) {
    case INT2OID: case INT4OID: case INT8OID:
        type = MDLDB_TYPE_LONG;
        length = 4;
        return;
    case NUMERICOID:
        // numeric(p) and numeric(p,0) hold whole numbers: keys moved from
        // other systems are often declared so.  The modifier is
        // ((p << 16) | scale) + 4, -1 for a bare numeric.
        if (mod >= 4 && ((mod - 4) & 0xffff) == 0) {
            type = MDLDB_TYPE_LONG;
            length = 4;
            return;
        }
        type = MDLDB_TYPE_DOUBLE;
        length = 8;
        return;
    case FLOAT4OID: case FLOAT8OID:
        type = MDLDB_TYPE_DOUBLE;
        length = 8;
        return;
    default:
        type = MDLDB_TYPE_CHAR;
        // varchar(n) and char(n) carry n + 4 as their modifier.
        length = (oid == VARCHAROID || oid == BPCHAROID) && mod > 4 ? mod - 4 : MDLDB_TEXT_WIDTH;
    }
}

// --- texts ------------------------------------------------------------------------------
// The session's client encoding is UTF8, so the server converts to and from
// its own encoding and any character it holds reaches the host.  A
// database of encoding SQL_ASCII converts nothing: it holds the bytes it
// was given, ISO 8859-1 from this host all along, so they pass unchanged.

struct Codec {
    bool utf8 = true;
    std::string out(std::string_view latin1) const { return utf8 ? latin1ToUtf8(latin1) : std::string(latin1); }
    std::string in(std::string_view text, bool &substituted) const
    {
        substituted = false;
        return utf8 ? utf8ToLatin1(text, substituted) : std::string(text);
    }
    std::string in(std::string_view text) const
    {
        bool ignored = false;
        return in(text, ignored);
    }
};

std::string lastError(PGconn *conn, PGresult *res, const Codec &codec)
{
    const char *m = res ? PQresultErrorMessage(res) : PQerrorMessage(conn);
    std::string s = codec.in(m ? m : "");
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s.empty() ? "statement failed" : s;
}

// --- session ------------------------------------------------------------------------------
// What every connection gets, the first and one made again: UTF8 texts;
// with standard conforming strings a backslash in a quoted value (a
// Windows folder) is a letter; notices stay on the server; doubles as text
// with every digit they need (servers before 12 print 15 digits unless
// asked, and a value read back must be the value written).

// MDLHOST_DB_TIMEOUT in seconds, 300 when unset or not a positive number.
long statementTimeoutSeconds()
{
    std::string v;
    int64_t n = 0;
    if (cfgLookup("MDLHOST_DB_TIMEOUT", v) && parseInt64(v, n) && n > 0 && n <= 86400)
        return static_cast<long>(n);
    return 300;
}

bool setUpSession(PGconn *conn, Codec &codec, std::string &error)
{
    if (PQsetClientEncoding(conn, "UTF8") != 0) {
        error = lastError(conn, nullptr, codec);
        return false;
    }
    const char *server = PQparameterStatus(conn, "server_encoding");
    codec.utf8 = !(server && std::strcmp(server, "SQL_ASCII") == 0);
    if (!codec.utf8 && PQsetClientEncoding(conn, "SQL_ASCII") != 0) {
        error = lastError(conn, nullptr, codec);
        return false;
    }
    // A statement the server never answers would hold an import for ever.
    std::string timeout = "SET statement_timeout = " + std::to_string(statementTimeoutSeconds() * 1000);
    const char *const settings[] = {
        "SET standard_conforming_strings = on",
        "SET client_min_messages = warning",
        "SET extra_float_digits = 3",
        timeout.c_str(),
    };
    for (const char *sql : settings) {
        PGresult *res = PQexecParams(conn, sql, 0, nullptr, nullptr, nullptr, nullptr, 0);
        bool ok = res && PQresultStatus(res) == PGRES_COMMAND_OK;
        if (!ok)
            error = lastError(conn, res, codec);
        PQclear(res);
        if (!ok)
            return false;
    }
    return true;
}

// --- back end ---------------------------------------------------------------------------

// The command tag of a statement that inserts, updates or deletes rows
// ("INSERT 0 3", "UPDATE 2", "DELETE 0", "MERGE 1").
bool changesRows(const char *tag)
{
    std::string_view t = tag ? tag : "";
    for (std::string_view kind : {"INSERT ", "UPDATE ", "DELETE ", "MERGE "})
        if (t.substr(0, kind.size()) == kind)
            return true;
    return false;
}

class Postgres final : public Backend {
  public:
    Postgres(PGconn *conn, const Codec &codec) : conn_(conn), codec_(codec) {}
    ~Postgres() override { PQfinish(conn_); }
    int serverType() const override { return MDLDB_SERVER_POSTGRESQL; }
    bool failureAbortsTransaction() const override { return true; }
    long changedRows() const override { return changes_; }
    bool connectionLost() const override { return PQstatus(conn_) == CONNECTION_BAD; }
    int readOnly() override
    {
        Result r;
        std::string error;
        if (!run("SHOW transaction_read_only", {}, &r, error) || r.rows.empty() || !r.rows[0][0])
            return -1;
        return *r.rows[0][0] == "on" ? 1 : 0;
    }

    bool reconnect(std::string &error) override
    {
        PQreset(conn_);
        if (PQstatus(conn_) != CONNECTION_OK) {
            error = "connecting again failed: " + lastError(conn_, nullptr, codec_);
            return false;
        }
        return setUpSession(conn_, codec_, error);
    }

    bool run(std::string_view sql, const std::vector<std::optional<std::string>> &params, Result *result,
             std::string &error) override
    {
        changes_ = 0;
        std::string text = codec_.out(sql);
        std::vector<std::string> texts;
        texts.reserve(params.size());
        std::vector<const char *> values;
        for (auto &p : params) {
            if (!p) {
                values.push_back(nullptr);
                continue;
            }
            texts.push_back(codec_.out(*p));
            values.push_back(texts.back().c_str());
        }
        PGresult *res = PQexecParams(conn_, text.c_str(), static_cast<int>(values.size()), nullptr,
                                     values.empty() ? nullptr : values.data(), nullptr, nullptr, 0);
        ExecStatusType st = res ? PQresultStatus(res) : PGRES_FATAL_ERROR;
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
            error = lastError(conn_, res, codec_);
            PQclear(res);
            return false;
        }
        // PQcmdTuples counts the rows of a SELECT, FETCH, MOVE or COPY too:
        // only the kinds that change rows count here.
        int64_t changed = 0;
        if (changesRows(PQcmdStatus(res)) && parseInt64(PQcmdTuples(res), changed))
            changes_ = static_cast<long>(changed);
        if (result) {
            *result = Result{};
            int n = PQnfields(res), rows = PQntuples(res);
            result->columns.assign(static_cast<size_t>(n), MdlDbColumn{});
            result->rows.assign(static_cast<size_t>(rows), {});
            for (int c = 0; c < n; ++c) {
                MdlDbColumn &col = result->columns[static_cast<size_t>(c)];
                const char *name = PQfname(res, c);
                copyText(col.name, codec_.in(name ? name : ""));
                typeOfOid(PQftype(res, c), PQfmod(res, c), col.type, col.length);
            }
            for (int r = 0; r < rows; ++r) {
                auto &row = result->rows[static_cast<size_t>(r)];
                row.reserve(static_cast<size_t>(n));
                for (int c = 0; c < n; ++c) {
                    if (PQgetisnull(res, r, c)) {
                        row.emplace_back(std::nullopt);
                        continue;
                    }
                    bool substituted = false;
                    std::string v = codec_.in(
                        std::string_view(PQgetvalue(res, r, c), static_cast<size_t>(PQgetlength(res, r, c))),
                        substituted);
                    if (substituted)
                        result->markSubstituted(static_cast<size_t>(r), c);
                    // char(n) comes back padded; the layer compares byte for byte.
                    if (PQftype(res, c) == BPCHAROID)
                        while (!v.empty() && v.back() == ' ')
                            v.pop_back();
                    row.emplace_back(std::move(v));
                }
            }
        }
        PQclear(res);
        return true;
    }

    bool describe(std::string_view table, std::vector<MdlDbColumn> &columns, std::string &error) override
    {
        Result r;
        // Unquoted names fold to lower case, so the project's tables are
        // found in any case the caller writes them.
        static const char *sql =
            "SELECT a.attname, a.atttypid::int, a.atttypmod FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
            "WHERE c.oid = to_regclass(lower($1)) AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum";
        std::string name(table);
        if (!mdlhost_dbIsIdentifier(name.c_str())) {
            error = "no such table: " + name;
            return false;
        }
        if (!run(sql, {name}, &r, error))
            return false;
        columns.clear();
        for (auto &row : r.rows) {
            MdlDbColumn col{};
            copyText(col.name, row[0].value_or(""));
            int64_t oid = 0, mod = -1;
            parseInt64(row[1].value_or("0"), oid);
            parseInt64(row[2].value_or("-1"), mod);
            typeOfOid(static_cast<Oid>(oid), static_cast<int>(mod), col.type, col.length);
            columns.push_back(col);
        }
        if (columns.empty()) {
            error = "no such table: " + name;
            return false;
        }
        return true;
    }

  private:
    PGconn *conn_;
    Codec codec_;
    long changes_ = 0;
};

} // namespace

std::unique_ptr<Backend> openPostgres(const std::string &conninfo, std::string &error)
{
    if (!pqApi().ok) {
        error = "PostgreSQL cannot be reached: " HOST_PQ_LIBRARY " cannot be loaded";
        return nullptr;
    }
    Codec codec;
    // A server that does not answer, or a connection that dies on the way,
    // is noticed within seconds.  These come before the caller's conninfo,
    // which may set each of them itself; so may the PG* variables.
    std::vector<const char *> keys, values;
    auto standard = [&](const char *key, const char *env, const char *value) {
        if (!env || !std::getenv(env)) {
            keys.push_back(key);
            values.push_back(value);
        }
    };
    standard("connect_timeout", "PGCONNECT_TIMEOUT", "10");
    standard("keepalives", nullptr, "1");
    standard("keepalives_idle", nullptr, "30");
    standard("keepalives_interval", nullptr, "10");
    standard("keepalives_count", nullptr, "3");
    keys.push_back("dbname");
    values.push_back(conninfo.c_str());
    keys.push_back(nullptr);
    values.push_back(nullptr);
    PGconn *conn = PQconnectdbParams(keys.data(), values.data(), 1);
    if (!conn || PQstatus(conn) != CONNECTION_OK || !setUpSession(conn, codec, error)) {
        if (error.empty())
            error = lastError(conn, nullptr, codec);
        PQfinish(conn);
        return nullptr;
    }
    return std::make_unique<Postgres>(conn, codec);
}

} // namespace mdlhost::db
