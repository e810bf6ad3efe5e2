// A GIS project on each back end with the module connected to it, for the
// database module's tests; the lines the module hands over are kept.
#ifndef ZERAGG_DB_TESTING_H
#define ZERAGG_DB_TESTING_H

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db_testing.h"
#include "ggmodul_testing.h"
#include "gis/mdlgis.h"
#include "sys/mdlsys.h"
#include "zeraggdb.h"

namespace ggtesting {

inline std::vector<std::string> hodeLinjer, genAttrLinjer;

class GGTest : public ::testing::TestWithParam<const char *> {
  protected:
    void SetUp() override
    {
        DBTEST_OPEN(db_, GetParam());
        ASSERT_EQ(mdlhost_gisCreateProject(db_.name().c_str()), 0);
        ASSERT_EQ(LagZeraTabeller(), 0);
        run({"insert into category (mslink, cname) values (1, 'Veg')",
             "insert into ugcategory (category, dgnfex) values (1, 'dgn')"});
        prepare();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
        ASSERT_EQ(KobleTilGeoGraphics(), 0);
        hodeLinjer.clear();
        genAttrLinjer.clear();
        log_ = "/tmp/zeraggdb-sql-" + std::to_string(getpid()) + ".log";
        std::remove(log_.c_str());
    }
    void TearDown() override
    {
        mdlSystem_defineCfgVar("MDLHOST_SQLLOG", nullptr);
        std::remove(log_.c_str());
        frigiGGModul();
        dbSql_setRowCallback(nullptr);
    }
    // Statements of the project before it opens.
    virtual void prepare() {}
    static void run(std::initializer_list<std::string> sql)
    {
        for (auto &s : sql)
            ASSERT_EQ(mdlDB_processSQL(s.c_str()), 0) << s << ": " << error();
    }
    static std::string error()
    {
        char e[512];
        mdlDB_getErrorText(e, sizeof e);
        return e;
    }
    static std::string query(const std::string &sql)
    {
        char out[MDLDB_VALUE_SIZE];
        EXPECT_EQ(mdlDB_sqlQuery(out, sql.c_str()), 0) << sql << ": " << error();
        return out;
    }
    // The statements sent from now on are logged; logged() gives them.
    void startLog() { mdlSystem_defineCfgVar("MDLHOST_SQLLOG", log_.c_str()); }
    std::vector<std::string> logged()
    {
        std::ifstream in(log_);
        std::vector<std::string> out;
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("  -> ", 0) != 0)
                out.push_back(line);
        return out;
    }
    // Row of the table's columns with the given texts (by column name).
    static DbKolonne *row(const char *table, int &count, std::initializer_list<std::pair<const char *, const char *>> v)
    {
        DbKolonne *r = nullptr;
        EXPECT_EQ(HentKolonneListe(&r, &count, table), 0) << table;
        for (auto &[name, text] : v)
            for (int i = 0; r && i < count; ++i)
                if (std::string(r[i].navn) == name)
                    SettKolonneVerdi(&r[i], text);
        return r;
    }
    dbtesting::TestDatabase db_;
    std::string log_;
};

} // namespace ggtesting

// The application's two receivers, as the linking application supplies them.
extern "C" int LesHodeFraDatabase(const char *linje)
{
    ggtesting::hodeLinjer.push_back(linje);
    return 0;
}
extern "C" int LesGenAttrFraDatabase(const char *linje)
{
    ggtesting::genAttrLinjer.push_back(linje);
    return 0;
}

#endif
