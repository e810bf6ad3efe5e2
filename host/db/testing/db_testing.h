// Test databases on both back ends: a SQLite file in a temporary folder, or
// a new database in the throw-away PostgreSQL cluster that CTest's fixture
// starts (pgcluster.sh), dropped again afterwards.
#ifndef MDLHOST_DB_TESTING_H
#define MDLHOST_DB_TESTING_H

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "db/mdldb.h"

namespace dbtesting {

inline const char *const kBackends[] = {"sqlite", "postgresql"};

// The libpq connection string of the test cluster, "" when there is none.
inline std::string clusterConninfo()
{
#ifdef ZERA_PG_CONNINFO
    std::ifstream in(ZERA_PG_CONNINFO);
    std::string line;
    std::getline(in, line);
    return line;
#else
    return "";
#endif
}

// Opens a fresh, empty database of the back end as the active database.
class TestDatabase {
  public:
    // False (with a test failure, or a skip when ZERA_PG_TESTS=off) when
    // the back end cannot be reached.
    bool open(const std::string &backend)
    {
        backend_ = backend;
        if (backend == "sqlite") {
            std::string tmpl = (std::filesystem::temp_directory_path() / "mdldb-XXXXXX").string();
            if (!mkdtemp(tmpl.data()))
                return false;
            dir_ = tmpl;
            name_ = dir_ + "/project.db";
            return mdlhost_dbOpen(name_.c_str()) == 0;
        }
        base_ = clusterConninfo();
        if (base_.empty()) {
            const char *off = std::getenv("ZERA_PG_TESTS");
            if (off && std::string(off) == "off") {
                skipped_ = true;
                return false;
            }
            ADD_FAILURE() << "no PostgreSQL test cluster: run the tests through ctest (its fixture starts the "
                             "cluster with host/db/testing/pgcluster.sh), or set ZERA_PG_TESTS=off to skip them";
            return false;
        }
        static int serial = 0;
        dbname_ = "zt_" + std::to_string(getpid()) + "_" + std::to_string(++serial);
        if (mdlhost_dbOpen(("pg:" + base_).c_str()) != 0 ||
            mdlDB_processSQL(("CREATE DATABASE " + dbname_).c_str()) != 0) {
            char err[512];
            mdlDB_getErrorText(err, sizeof err);
            ADD_FAILURE() << "PostgreSQL test cluster unreachable: " << err;
            return false;
        }
        name_ = "pg:" + base_ + " dbname=" + dbname_;
        return mdlhost_dbOpen(name_.c_str()) == 0;
    }
    bool skipped() const { return skipped_; }
    const std::string &name() const { return name_; }
    const std::string &dir() const { return dir_; }
    // Ends every session of this PostgreSQL test database from a connection
    // of its own (pgcluster.sh terminate), as a server restart does to the
    // host's connection; false when it could not.  With how "shut" the
    // database also refuses every new connection, as a server that stays
    // away.
    bool endSessions(const char *how = "terminate") const
    {
#if defined(ZERA_SOURCE_DIR) && defined(ZERA_PG_CONNINFO)
        if (dbname_.empty())
            return false;
        std::string cmd = "'" ZERA_SOURCE_DIR "/host/db/testing/pgcluster.sh' " + std::string(how) +
                          " '" ZERA_PG_CONNINFO "' " + dbname_ + " >/dev/null";
        return std::system(cmd.c_str()) == 0;
#else
        return false;
#endif
    }
    ~TestDatabase()
    {
        mdlhost_dbClose();
        if (!dbname_.empty() && mdlhost_dbOpen(("pg:" + base_).c_str()) == 0) {
            mdlDB_processSQL(("DROP DATABASE IF EXISTS " + dbname_ + " WITH (FORCE)").c_str());
            mdlhost_dbClose();
        }
        if (!dir_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(dir_, ec);
        }
    }

  private:
    std::string backend_, name_, dir_, base_, dbname_;
    bool skipped_ = false;
};

} // namespace dbtesting

// In a fixture's SetUp: opens db_ on the test's back end or ends the test.
#define DBTEST_OPEN(db, backend)                                                                                 \
    do {                                                                                                         \
        if (!(db).open(backend)) {                                                                               \
            if ((db).skipped())                                                                                  \
                GTEST_SKIP() << "PostgreSQL tests are off (ZERA_PG_TESTS=off)";                                  \
            FAIL() << "cannot open a " << (backend) << " test database";                                         \
        }                                                                                                        \
    } while (0)

#endif
