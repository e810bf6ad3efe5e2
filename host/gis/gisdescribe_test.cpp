#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db_testing.h"
#include "gis/mdlgis.h"
#include "rsc/mdlrsc.h"

namespace {

class DescribeTest : public ::testing::TestWithParam<const char *> {
  protected:
    void SetUp() override { DBTEST_OPEN(db_, GetParam()); }
    static std::vector<std::string> names(StringList *list)
    {
        std::vector<std::string> out;
        for (long i = 0; i < mdlStringList_size(list); i++) {
            const char *t = nullptr;
            mdlStringList_getMember(&t, nullptr, list, i);
            out.push_back(t);
        }
        return out;
    }
    dbtesting::TestDatabase db_;
};

TEST_P(DescribeTest, EveryTableOfTheProjectInNameOrder)
{
    ASSERT_EQ(mdlhost_gisCreateProject(db_.name().c_str()), 0);
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    // An autoincrement key makes SQLite's own sqlite_sequence; a view is no table.
    bool sqlite = std::string(GetParam()) == "sqlite";
    for (const char *sql : {sqlite ? "create table veg (mslink integer primary key autoincrement, navn varchar(20))"
                                   : "create table veg (mslink serial primary key, navn varchar(20))",
                            "create view vegnavn as select navn from veg"}) {
        ASSERT_EQ(mdlDB_processSQL(sql), 0) << sql;
    }

    StringList *list = nullptr;
    ASSERT_EQ(mdlMap_describeDatabase(&list), 0);
    // A view answers a select as a table does: the check counts it.
    EXPECT_EQ(names(list), (std::vector<std::string>{"category", "feature", "maps", "ugcategory", "ugcommand",
                                                     "ugfeature", "ugjoin_cat", "ugmap", "ugtable_cat", "veg",
                                                     "vegnavn"}));
    mdlStringList_destroy(list);
    mdlMapProject_close();
}

TEST_P(DescribeTest, NoDatabaseNoList)
{
    mdlhost_dbClose();
    StringList *list = nullptr;
    EXPECT_NE(mdlMap_describeDatabase(&list), 0);
    EXPECT_EQ(list, nullptr);
    EXPECT_NE(mdlMap_describeDatabase(nullptr), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, DescribeTest, ::testing::ValuesIn(dbtesting::kBackends));

} // namespace
