// The PostgreSQL back end through libpq: client encoding LATIN1, standard
// conforming strings, every statement through PQexecParams (which refuses
// a text of two statements).
//
//   types      result columns to type codes
//   back end   statements, describe
#include <libpq-fe.h>

#include <cstring>

#include "base/lazy_host.h"
#include "base/text_host.h"
#include "db_int.h"

// libpq is opened with the first PostgreSQL connection (base/lazy_host.h):
// linking it would load its TLS, Kerberos and directory libraries into
// every host process.  Its functions are called through pointers under
// the names its header gives them.
namespace {
#define HOST_PQ_FUNCTIONS(X) X(PQclear) X(PQconnectdb) X(PQerrorMessage) X(PQexecParams) X(PQfinish) X(PQfmod) X(PQfname) X(PQftype) X(PQgetisnull) X(PQgetlength) X(PQgetvalue) X(PQnfields) X(PQntuples) X(PQresultErrorMessage) X(PQresultStatus) X(PQsetClientEncoding) X(PQstatus)
MDLHOST_LAZY_LIBRARY(PqApi, pqApi, HOST_PQ_LIBRARY, HOST_PQ_FUNCTIONS)
} // namespace
#define PQclear pqApi().PQclear
#define PQconnectdb pqApi().PQconnectdb
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
    case FLOAT4OID: case FLOAT8OID: case NUMERICOID:
        type = MDLDB_TYPE_DOUBLE;
        length = 8;
        return;
    default:
        type = MDLDB_TYPE_CHAR;
        // varchar(n) and char(n) carry n + 4 as their modifier.
        length = (oid == VARCHAROID || oid == BPCHAROID) && mod > 4 ? mod - 4 : MDLDB_TEXT_WIDTH;
    }
}

std::string lastError(PGconn *conn, PGresult *res)
{
    const char *m = res ? PQresultErrorMessage(res) : PQerrorMessage(conn);
    std::string s = m ? m : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s.empty() ? "statement failed" : s;
}

// --- back end ---------------------------------------------------------------------------

class Postgres final : public Backend {
  public:
    explicit Postgres(PGconn *conn) : conn_(conn) {}
    ~Postgres() override { PQfinish(conn_); }
    int serverType() const override { return MDLDB_SERVER_POSTGRESQL; }
    bool failureAbortsTransaction() const override { return true; }

    bool run(std::string_view sql, const std::vector<std::optional<std::string>> &params, Result *result,
             std::string &error) override
    {
        std::string text(sql);
        std::vector<const char *> values;
        for (auto &p : params)
            values.push_back(p ? p->c_str() : nullptr);
        PGresult *res = PQexecParams(conn_, text.c_str(), static_cast<int>(values.size()), nullptr,
                                     values.empty() ? nullptr : values.data(), nullptr, nullptr, 0);
        ExecStatusType st = res ? PQresultStatus(res) : PGRES_FATAL_ERROR;
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
            error = lastError(conn_, res);
            PQclear(res);
            return false;
        }
        if (result) {
            int n = PQnfields(res), rows = PQntuples(res);
            result->columns.assign(static_cast<size_t>(n), MdlDbColumn{});
            result->rows.assign(static_cast<size_t>(rows), {});
            for (int c = 0; c < n; ++c) {
                MdlDbColumn &col = result->columns[static_cast<size_t>(c)];
                copyText(col.name, PQfname(res, c));
                typeOfOid(PQftype(res, c), PQfmod(res, c), col.type, col.length);
            }
            for (int r = 0; r < rows; ++r) {
                auto &row = result->rows[static_cast<size_t>(r)];
                for (int c = 0; c < n; ++c) {
                    if (PQgetisnull(res, r, c)) {
                        row.emplace_back(std::nullopt);
                        continue;
                    }
                    std::string v(PQgetvalue(res, r, c), static_cast<size_t>(PQgetlength(res, r, c)));
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
};

} // namespace

std::unique_ptr<Backend> openPostgres(const std::string &conninfo, std::string &error)
{
    if (!pqApi().ok) {
        error = "PostgreSQL cannot be reached: " HOST_PQ_LIBRARY " cannot be loaded";
        return nullptr;
    }
    PGconn *conn = PQconnectdb(conninfo.c_str());
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        error = lastError(conn, nullptr);
        PQfinish(conn);
        return nullptr;
    }
    // Texts are ISO 8859-1 at the interface; with standard conforming
    // strings a backslash in a quoted value (a Windows folder) is a letter.
    if (PQsetClientEncoding(conn, "LATIN1") != 0) {
        error = lastError(conn, nullptr);
        PQfinish(conn);
        return nullptr;
    }
    auto be = std::make_unique<Postgres>(conn);
    if (!be->run("SET standard_conforming_strings = on", {}, nullptr, error) ||
        !be->run("SET client_min_messages = warning", {}, nullptr, error))
        return nullptr;
    return be;
}

} // namespace mdlhost::db
