#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db/mdldb.h"
#include "db_testing.h"
#include "sys/mdlsys.h"

namespace {

// Every case runs on both back ends.
class DbTest : public ::testing::TestWithParam<const char *> {
  protected:
    void SetUp() override
    {
        DBTEST_OPEN(db_, GetParam());
        ASSERT_EQ(mdlDB_processSQL("CREATE TABLE t1 (mslink integer, navn varchar(20), hoyde double precision, "
                                   "kode text, dato date)"),
                  0);
    }
    static std::string query(const std::string &sql)
    {
        char out[MDLDB_VALUE_SIZE];
        EXPECT_EQ(mdlDB_sqlQuery(out, sql.c_str()), 0) << sql << ": " << error();
        return out;
    }
    static std::string error()
    {
        char e[512];
        mdlDB_getErrorText(e, sizeof e);
        return e;
    }
    static std::vector<std::vector<std::string>> rows(const std::string &sql)
    {
        std::vector<std::vector<std::string>> all;
        EXPECT_EQ(mdlDB_openCursor(sql.c_str()), 0) << error();
        MS_SQLDA row{};
        while (mdlDB_fetchRow(&row) == 0) {
            auto &r = all.emplace_back();
            for (int c = 0; c < row.numColumns; ++c)
                r.push_back(row.values[c] ? row.values[c] : "<null>");
        }
        mdlDB_closeCursor();
        return all;
    }
    dbtesting::TestDatabase db_;
};

TEST_P(DbTest, DescribeGivesTypesWidthsAndOrderInAnyCase)
{
    for (const char *name : {"t1", "T1"}) {
        MS_SQLDA d{};
        ASSERT_EQ(mdlDB_describeTable(name, &d), 0) << name;
        ASSERT_EQ(d.numColumns, 5);
        const char *names[] = {"mslink", "navn", "hoyde", "kode", "dato"};
        // A date is neither number nor text of ours: it is carried as text.
        const int types[] = {MDLDB_TYPE_LONG, MDLDB_TYPE_CHAR, MDLDB_TYPE_DOUBLE, MDLDB_TYPE_CHAR, MDLDB_TYPE_CHAR};
        for (int i = 0; i < 5; ++i) {
            EXPECT_STREQ(d.columns[i].name, names[i]);
            EXPECT_EQ(d.columns[i].type, types[i]) << names[i];
        }
        EXPECT_EQ(d.columns[1].length, 20);
        EXPECT_GT(d.columns[3].length, 0);
        mdlDB_freeSQLDADescriptor(&d);
    }
    MS_SQLDA d{};
    EXPECT_NE(mdlDB_describeTable("nosuch", &d), 0);
    EXPECT_NE(mdlDB_describeTable("t1; drop table t1", &d), 0);
    EXPECT_EQ(d.numColumns, 0);
}

TEST_P(DbTest, CountCursorsAndNulls)
{
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink, navn, hoyde) values (1, 'a', 0.1)"), 0);
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink, navn, hoyde, dato) values (2, NULL, 1e300, '2024-05-17')"), 0);
    EXPECT_EQ(query("select count(*) from t1"), "2");
    auto r = rows("select mslink, navn, hoyde, dato from t1 order by mslink");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"1", "a", "0.1", "<null>"}));
    EXPECT_EQ(r[1][1], "<null>");
    // Doubles come back as a text that reads back to the same value.
    EXPECT_EQ(std::stod(r[1][2]), 1e300);
    EXPECT_EQ(r[1][3], "2024-05-17");
    // Past the end, and with no cursor open, fetch says "no row".
    MS_SQLDA row{};
    EXPECT_EQ(mdlDB_fetchRow(&row), 1);
    ASSERT_EQ(mdlDB_openCursor("select * from t1 where mslink = 9"), 0);
    EXPECT_EQ(mdlDB_fetchRow(&row), 1);
    mdlDB_closeCursor();
    EXPECT_NE(mdlDB_openCursor("select * from nosuch"), 0);
}

TEST_P(DbTest, QueryFailsForNoRowAndNull)
{
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (1)"), 0);
    char out[MDLDB_VALUE_SIZE] = "x";
    EXPECT_NE(mdlDB_sqlQuery(out, "select mslink from t1 where mslink = 2"), 0);
    EXPECT_STREQ(out, "");
    EXPECT_NE(mdlDB_sqlQuery(out, "select navn from t1 where mslink = 1"), 0);
    EXPECT_EQ(mdlDB_sqlQuery(out, "select mslink from t1"), 0);
    EXPECT_STREQ(out, "1");
}

TEST_P(DbTest, LargestMslink)
{
    long m = -1;
    ASSERT_EQ(mdlDB_largestMslink("t1", &m), 0);
    EXPECT_EQ(m, 0);
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (7)"), 0);
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (3)"), 0);
    ASSERT_EQ(mdlDB_largestMslink("T1", &m), 0);
    EXPECT_EQ(m, 7);
    EXPECT_NE(mdlDB_largestMslink("nosuch", &m), 0);
    EXPECT_NE(mdlDB_largestMslink("t1 where 1=0", &m), 0);
}

TEST_P(DbTest, TwoStatementsAreRefusedAndNothingRuns)
{
    EXPECT_NE(mdlDB_processSQL("insert into t1 (mslink) values (1); insert into t1 (mslink) values (2)"), 0);
    EXPECT_NE(mdlDB_processSQL("insert into t1 (mslink) values (1); drop table t1"), 0);
    EXPECT_EQ(query("select count(*) from t1"), "0");
    char out[MDLDB_VALUE_SIZE];
    EXPECT_NE(mdlDB_sqlQuery(out, "select 1; select 2"), 0);
    // A trailing semicolon and blanks are one statement.
    EXPECT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (1);  "), 0);
    EXPECT_NE(mdlDB_processSQL(""), 0);
}

TEST_P(DbTest, FailedStatementDoesNotPoisonTheNext)
{
    EXPECT_NE(mdlDB_processSQL("insert into nosuch values (1)"), 0);
    EXPECT_NE(error(), "");
    EXPECT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (1)"), 0);
    EXPECT_EQ(error(), "");
    // Inside a transaction as well: the failure undoes itself only.
    ASSERT_EQ(mdlhost_dbBegin(), 0);
    EXPECT_NE(mdlhost_dbBegin(), 0);
    EXPECT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (2)"), 0);
    EXPECT_NE(mdlDB_processSQL("insert into t1 (nosuch) values (3)"), 0);
    EXPECT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (4)"), 0);
    ASSERT_EQ(mdlhost_dbCommit(), 0);
    EXPECT_EQ(query("select count(*) from t1"), "3");
    ASSERT_EQ(mdlhost_dbBegin(), 0);
    EXPECT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (5)"), 0);
    ASSERT_EQ(mdlhost_dbRollback(), 0);
    EXPECT_EQ(query("select count(*) from t1"), "3");
    EXPECT_NE(mdlhost_dbCommit(), 0);
}

TEST_P(DbTest, Latin1TextRoundTrips)
{
    // "Bjørnstad" and "HØYDE" in ISO 8859-1.
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink, navn, kode) values (1, 'Bj\xF8rnstad', 'H\xD8YDE')"), 0);
    EXPECT_EQ(query("select navn from t1"), "Bj\xF8rnstad");
    // Stored as characters, so the database's own functions count them.
    EXPECT_EQ(query("select length(navn) from t1"), "9");
    EXPECT_EQ(query("select mslink from t1 where kode = 'H\xD8YDE'"), "1");
}

TEST_P(DbTest, BoundValuesNeverChangeTheStatement)
{
    const bool pg = mdlhost_dbServerType() == MDLDB_SERVER_POSTGRESQL;
    std::string sql = pg ? "insert into t1 (mslink, kode, navn) values (1, $1, $2)"
                         : "insert into t1 (mslink, kode, navn) values (1, ?1, ?2)";
    const char *values[] = {"x'); DELETE FROM t1; --", nullptr};
    ASSERT_EQ(mdlhost_dbExecParams(sql.c_str(), 2, values), 0) << error();
    EXPECT_EQ(query("select kode from t1"), values[0]);
    EXPECT_EQ(query("select count(*) from t1 where navn is null"), "1");
}

TEST_P(DbTest, ActiveEntityOfASelect)
{
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink, navn) values (4, 'a')"), 0);
    EXPECT_NE(mdlDB_defineAEBySQLSelect("SELECT * FROM T1 WHERE MSLINK = 5"), 0);
    ASSERT_EQ(mdlDB_defineAEBySQLSelect("SELECT * FROM T1 WHERE MSLINK = 4"), 0);
    char table[MDLDB_NAME_SIZE];
    long m = 0;
    ASSERT_EQ(mdlhost_dbActiveEntity(table, &m), 0);
    EXPECT_STREQ(table, "T1");
    EXPECT_EQ(m, 4);
}

TEST_P(DbTest, StatementLogWhenAsked)
{
    std::string log = db_.dir().empty() ? "/tmp/mdldb-pglog-" + std::to_string(getpid()) : db_.dir() + "/sql.log";
    mdlSystem_defineCfgVar("MDLHOST_SQLLOG", log.c_str());
    mdlDB_processSQL("insert into t1 (mslink) values (1)");
    mdlDB_processSQL("insert into nosuch (mslink) values (1)");
    mdlSystem_defineCfgVar("MDLHOST_SQLLOG", nullptr);
    std::ifstream in(log);
    std::stringstream s;
    s << in.rdbuf();
    std::remove(log.c_str());
    EXPECT_NE(s.str().find("insert into t1 (mslink) values (1)\n  -> ok\n"), std::string::npos) << s.str();
    EXPECT_NE(s.str().find("insert into nosuch (mslink) values (1)\n  -> "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Backends, DbTest, ::testing::ValuesIn(dbtesting::kBackends));

TEST(DbLink, BuildEncodeDecode)
{
    const int numbers[] = {3, 17};
    const char *tables[] = {"feature", "GENATTR"};
    mdlhost_dbSetEntities(2, numbers, tables);
    DatabaseLink link{};
    EXPECT_NE(mdlDB_buildLink(&link, 2, nullptr, "nosuch", 5), 0);
    ASSERT_EQ(mdlDB_buildLink(&link, 2, nullptr, "genattr", 70000), 0);
    EXPECT_EQ(link.entityNumber, 17);
    EXPECT_STREQ(link.tableName, "GENATTR");
    uint16_t words[MDLDB_LINK_WORDS];
    int bytes = 0;
    ASSERT_EQ(mdlDB_encodeLink(words, &bytes, &link), 0);
    EXPECT_EQ(bytes, MDLDB_LINK_WORDS * 2);
    DatabaseLink back{};
    ASSERT_EQ(mdlhost_dbDecodeLink(&back, words, MDLDB_LINK_WORDS), 0);
    EXPECT_EQ(back.linkageType, 2);
    EXPECT_EQ(back.entityNumber, 17);
    EXPECT_EQ(back.mslink, 70000);
    EXPECT_STREQ(back.tableName, "GENATTR");
    words[1] = 0x22;
    EXPECT_NE(mdlhost_dbDecodeLink(&back, words, MDLDB_LINK_WORDS), 0);
    link.mslink = -1;
    EXPECT_NE(mdlDB_encodeLink(words, &bytes, &link), 0);
    mdlhost_dbSetEntities(0, nullptr, nullptr);
    EXPECT_EQ(mdlhost_dbEntityForTable("feature"), 0);
}

TEST(DbConnection, BadNamesFailWithAText)
{
    EXPECT_NE(mdlDB_activeDatabase("pg:host=/nonexistent port=1"), 0);
    char e[512];
    mdlDB_getErrorText(e, sizeof e);
    EXPECT_STRNE(e, "");
    EXPECT_EQ(mdlhost_dbIsOpen(), 0);
    EXPECT_NE(mdlDB_processSQL("select 1"), 0);
    EXPECT_NE(mdlDB_activeDatabase("/nonexistent/dir/x.db"), 0);
}

} // namespace
