// The back ends of the database interface.  Not exported.
#ifndef MDLHOST_DB_INT_H
#define MDLHOST_DB_INT_H

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/mdldb.h"

namespace mdlhost::db {

// A statement's whole result: names and type codes of its columns, rows of
// ISO 8859-1 texts (nullopt: NULL).  A text that held characters outside
// ISO 8859-1 comes with '?' in their places, and its column is listed for
// its row in substituted (rows without one have an empty list, so a clean
// result costs nothing).
struct Result {
    std::vector<MdlDbColumn> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
    std::vector<std::vector<int>> substituted; // per row: columns replaced
    long substitutedValues = 0;                // over all rows
    // Adds row r's value of column c, noting a substitution.
    void markSubstituted(size_t r, int c)
    {
        if (substituted.size() <= r)
            substituted.resize(r + 1);
        substituted[r].push_back(c);
        ++substitutedValues;
    }
};

// One open database.  Texts in and out are ISO 8859-1; each call runs one
// statement (a text of two fails before anything runs) and sets error on
// failure.
class Backend {
  public:
    virtual ~Backend() = default;
    virtual int serverType() const = 0;
    // params bound in order (nullopt: NULL); result may be null.
    virtual bool run(std::string_view sql, const std::vector<std::optional<std::string>> &params, Result *result,
                     std::string &error) = 0;
    // Columns in declared order; false for an unknown table.
    virtual bool describe(std::string_view table, std::vector<MdlDbColumn> &columns, std::string &error) = 0;
    // Whether a failed statement inside a transaction aborts it.
    virtual bool failureAbortsTransaction() const = 0;
    // Rows inserted, updated or deleted by the last statement run, 0 for
    // any other statement (and after a failure).
    virtual long changedRows() const = 0;
    // True when the connection to a server is gone, or a file cannot be
    // worked on any more (locked by another process past the wait, read
    // only, disk full, damaged): the last failure may be its cause.
    virtual bool connectionLost() const { return false; }
    // 1 when the database takes no writes, 0 when it does, -1 when that
    // cannot be told.
    virtual int readOnly() = 0;
    // Connects again with the same parameters and session settings; false
    // (error set) when the server still cannot be reached.
    virtual bool reconnect(std::string &error)
    {
        error = "the connection cannot be made again";
        return false;
    }
};

std::unique_ptr<Backend> openSqlite(const std::string &path, std::string &error);
std::unique_ptr<Backend> openPostgres(const std::string &conninfo, std::string &error);

// Type code and width of a declared SQL type ("VARCHAR(20)", "integer", ...).
void typeOfDeclared(std::string_view declared, int &type, int &length);

} // namespace mdlhost::db

#endif
