#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
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

// Whole-number numerics (keys moved from other systems) are longs, in the
// description and in the rows a cursor gives.
TEST_P(DbTest, NumericWithoutDecimalsIsALong)
{
    ASSERT_EQ(mdlDB_processSQL("create table tall (a numeric(10,0), b numeric(10), c numeric(10,2), d numeric, "
                               "e decimal(8,0))"),
              0)
        << error();
    ASSERT_EQ(mdlDB_processSQL("insert into tall values (5, 6, 7.25, 8.5, 9)"), 0) << error();
    MS_SQLDA d{};
    ASSERT_EQ(mdlDB_describeTable("tall", &d), 0) << error();
    ASSERT_EQ(d.numColumns, 5);
    const int types[] = {MDLDB_TYPE_LONG, MDLDB_TYPE_LONG, MDLDB_TYPE_DOUBLE, MDLDB_TYPE_DOUBLE, MDLDB_TYPE_LONG};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(d.columns[i].type, types[i]) << d.columns[i].name;
    mdlDB_freeSQLDADescriptor(&d);
    ASSERT_EQ(mdlDB_openCursor("select a, b from tall"), 0) << error();
    MS_SQLDA r{};
    ASSERT_EQ(mdlDB_fetchRow(&r), 0);
    EXPECT_EQ(r.columns[0].type, MDLDB_TYPE_LONG);
    EXPECT_STREQ(r.values[0], "5");
    EXPECT_STREQ(r.values[1], "6");
    mdlDB_closeCursor();
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

// --- rows changed -------------------------------------------------------------------

TEST_P(DbTest, ChangedRowsOfTheLastStatement)
{
    ASSERT_EQ(mdlhost_dbOpen(db_.name().c_str()), 0);
    EXPECT_EQ(mdlhost_dbChangedRows(), -1) << "no statement since the database was opened";
    struct Case {
        const char *sql;
        long changed;
    } cases[] = {
        {"insert into t1 (mslink, navn) values (1, 'a')", 1},
        {"insert into t1 (mslink, navn) values (2, 'a')", 1},
        {"update t1 set kode = 'x' where navn = 'a'", 2},
        {"update t1 set kode = 'y' where mslink = 7", 0}, // a missing row
        // sqlite3_changes would still say 1 here: the count is this statement's.
        {"create table t2 (a integer)", 0},
        {"select count(*) from t1", 0}, // PQcmdTuples gives 2 for it
        {"create table t3 as select * from t1", 0},
        {"delete from t1 where mslink = 2", 1},
        {"delete from t1 where mslink = 2", 0},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(mdlDB_processSQL(c.sql), 0) << c.sql << ": " << error();
        EXPECT_EQ(mdlhost_dbChangedRows(), c.changed) << c.sql;
    }
    EXPECT_NE(mdlDB_processSQL("update nosuch set a = 1"), 0);
    EXPECT_EQ(mdlhost_dbChangedRows(), -1) << "a failed statement";

    // Bound values count the same; a query between leaves the count.
    const bool pg = mdlhost_dbServerType() == MDLDB_SERVER_POSTGRESQL;
    const char *values[] = {"z", "1"};
    ASSERT_EQ(mdlhost_dbExecParams(pg ? "update t1 set kode = $1 where mslink = $2::integer"
                                      : "update t1 set kode = ?1 where mslink = ?2",
                                   2, values),
              0)
        << error();
    EXPECT_EQ(query("select kode from t1 where mslink = 1"), "z");
    EXPECT_EQ(mdlhost_dbChangedRows(), 1);
    values[1] = "5";
    ASSERT_EQ(mdlhost_dbExecParams(pg ? "update t1 set kode = $1 where mslink = $2::integer"
                                      : "update t1 set kode = ?1 where mslink = ?2",
                                   2, values),
              0);
    EXPECT_EQ(mdlhost_dbChangedRows(), 0) << "an update of a missing row";

    // Inside a transaction the count is the statement's, not its savepoint's.
    ASSERT_EQ(mdlhost_dbBegin(), 0);
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (8)"), 0);
    EXPECT_EQ(mdlhost_dbChangedRows(), 1);
    ASSERT_EQ(mdlDB_processSQL("update t1 set navn = 'b'"), 0);
    EXPECT_EQ(mdlhost_dbChangedRows(), 2);
    ASSERT_EQ(mdlhost_dbCommit(), 0);
}

// --- characters outside ISO 8859-1 --------------------------------------------------

// A text with the euro sign, as another client (psql, a GIS tool writing
// UTF-8) stores it: the database's own function makes the character.
std::string euro(const char *before)
{
    const bool pg = mdlhost_dbServerType() == MDLDB_SERVER_POSTGRESQL;
    return std::string("'") + before + "' || " + (pg ? "chr(8364)" : "char(8364)");
}

TEST_P(DbTest, SubstitutedValuesAreMarkedAndReportedOncePerStatement)
{
    ASSERT_EQ(mdlDB_processSQL(("insert into t1 (mslink, navn, kode) values (1, " + euro("Kr 5 ") + ", 'ok')").c_str()),
              0)
        << error();
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink, navn, kode) values (2, 'Hvorfor?', 'ok')"), 0);
    ASSERT_EQ(mdlDB_processSQL(("insert into t1 (mslink, navn, kode) values (3, 'R\xE5', " + euro("") + ")").c_str()),
              0);
    mdlhost_clearTextWindow();

    // On PostgreSQL the select failed as a whole (client encoding LATIN1).
    ASSERT_EQ(mdlDB_openCursor("select mslink, navn, kode from t1 order by mslink"), 0) << error();
    MS_SQLDA row{};
    struct Want {
        const char *navn, *kode;
        int any, navnMarked, kodeMarked;
    } want[] = {
        {"Kr 5 ?", "ok", 1, 1, 0},
        {"Hvorfor?", "ok", 0, 0, 0}, // a stored '?' is no substitute
        {"R\xE5", "?", 1, 0, 1},
    };
    for (const Want &w : want) {
        ASSERT_EQ(mdlDB_fetchRow(&row), 0);
        EXPECT_STREQ(row.values[1], w.navn);
        EXPECT_STREQ(row.values[2], w.kode);
        EXPECT_EQ(mdlhost_dbSubstituted(-1), w.any) << w.navn;
        EXPECT_EQ(mdlhost_dbSubstituted(0), 0);
        EXPECT_EQ(mdlhost_dbSubstituted(1), w.navnMarked) << w.navn;
        EXPECT_EQ(mdlhost_dbSubstituted(2), w.kodeMarked) << w.navn;
        EXPECT_EQ(mdlhost_dbSubstituted(9), 0);
    }
    EXPECT_EQ(mdlDB_fetchRow(&row), 1);
    mdlDB_closeCursor();
    EXPECT_EQ(mdlhost_dbSubstituted(-1), 0) << "closed";

    // One line for the statement, naming it, however many values.
    std::string window = mdlhost_textWindow();
    EXPECT_NE(window.find("select mslink, navn, kode from t1 order by mslink"), std::string::npos) << window;
    EXPECT_NE(window.find("2 value"), std::string::npos) << window;
    EXPECT_EQ(std::count(window.begin(), window.end(), '\n'), 1) << window;

    // A query tells of the value it gave.
    char out[MDLDB_VALUE_SIZE];
    ASSERT_EQ(mdlDB_sqlQuery(out, "select navn from t1 where mslink = 1"), 0);
    EXPECT_STREQ(out, "Kr 5 ?");
    EXPECT_EQ(mdlhost_dbSubstituted(-1), 1);
    ASSERT_EQ(mdlDB_sqlQuery(out, "select navn from t1 where mslink = 2"), 0);
    EXPECT_EQ(mdlhost_dbSubstituted(-1), 0);
    ASSERT_EQ(mdlDB_sqlQuery(out, "select navn from t1 where mslink = 1"), 0);
    ASSERT_EQ(mdlDB_processSQL("update t1 set hoyde = 1 where mslink = 1"), 0);
    EXPECT_EQ(mdlhost_dbSubstituted(-1), 0) << "asked after another statement";
    // Texts written by the host are stored as they were (nothing replaced).
    mdlhost_clearTextWindow();
    EXPECT_EQ(query("select count(*) from t1 where navn = 'R\xE5'"), "1");
    EXPECT_STREQ(mdlhost_textWindow(), "");
}

TEST_P(DbTest, Latin1TextIsStoredAsTheSameCharacters)
{
    // The host's ISO 8859-1 text lands as the characters the database's own
    // functions make, so other clients read what the host wrote.
    const bool pg = mdlhost_dbServerType() == MDLDB_SERVER_POSTGRESQL;
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink, navn) values (1, 'Bj\xF8rnstad \xC6\xD8\xC5')"), 0);
    const char *values[] = {"\xE6\xF8\xE5 \xFF"};
    ASSERT_EQ(mdlhost_dbExecParams(pg ? "insert into t1 (mslink, navn) values (2, $1)"
                                      : "insert into t1 (mslink, navn) values (2, ?1)",
                                   1, values),
              0);
    const char *chr = pg ? "chr" : "char";
    EXPECT_EQ(query(std::string("select mslink from t1 where navn = 'Bj' || ") + chr + "(248) || 'rnstad ' || " + chr +
                    "(198) || " + chr + "(216) || " + chr + "(197)"),
              "1");
    EXPECT_EQ(query(std::string("select mslink from t1 where navn = ") + chr + "(230) || " + chr + "(248) || " + chr +
                    "(229) || ' ' || " + chr + "(255)"),
              "2");
    EXPECT_EQ(query("select navn from t1 where mslink = 2"), values[0]);
    EXPECT_EQ(query("select length(navn) from t1 where mslink = 2"), "5");
    EXPECT_EQ(mdlhost_dbSubstituted(-1), 0);
}

// --- the data source ------------------------------------------------------------------

TEST_P(DbTest, AskingWhichDataSourceIsConnected)
{
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (1)"), 0);
    long sent = mdlhost_dbStatementCount();
    char name[MDLDB_SOURCE_SIZE] = "";
    ASSERT_EQ(mdlDB_activeDatabase(name), 0);
    EXPECT_EQ(std::string(name), db_.name());
    EXPECT_EQ(mdlhost_dbStatementCount(), sent) << "asking leaves the connection as it was";
    EXPECT_EQ(mdlDB_activeDatabase(nullptr), 0);
    // The name given back connects to the same database.
    ASSERT_EQ(mdlDB_activeDatabase(name), 0);
    EXPECT_EQ(query("select count(*) from t1"), "1");

    mdlhost_dbClose();
    mdlSystem_defineCfgVar("MDLHOST_DATABASE", nullptr);
    char none[MDLDB_SOURCE_SIZE] = "";
    EXPECT_NE(mdlDB_activeDatabase(none), 0) << "nothing connected and nothing named";
    EXPECT_STREQ(none, "");
    mdlSystem_defineCfgVar("MDLHOST_DATABASE", db_.name().c_str());
    ASSERT_EQ(mdlDB_activeDatabase(none), 0);
    mdlSystem_defineCfgVar("MDLHOST_DATABASE", nullptr);
    EXPECT_EQ(std::string(none), db_.name());
    EXPECT_EQ(query("select count(*) from t1"), "1");
}

INSTANTIATE_TEST_SUITE_P(Backends, DbTest, ::testing::ValuesIn(dbtesting::kBackends));

// --- PostgreSQL only -------------------------------------------------------------------

class PgTest : public DbTest {};

TEST_P(PgTest, SessionPrintsDoublesWithEveryDigit)
{
    EXPECT_EQ(query("show extra_float_digits"), "3");
    EXPECT_EQ(query("show statement_timeout"), "5min") << "a statement never waits for ever";
    EXPECT_EQ(query("show client_encoding"), "UTF8");
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink, hoyde) values (1, 0.1::float8 + 0.2::float8)"), 0);
    EXPECT_EQ(std::stod(query("select hoyde from t1")), 0.1 + 0.2);
}

TEST_P(PgTest, ADroppedConnectionIsMadeAgainOnceAndTheStatementSentAgain)
{
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (1)"), 0);
    std::string pid = query("select pg_backend_pid()");
    ASSERT_TRUE(db_.endSessions());
    long sent = mdlhost_dbStatementCount();
    EXPECT_EQ(query("select count(*) from t1"), "1") << "no reconnection";
    EXPECT_EQ(mdlhost_dbStatementCount(), sent + 2) << "sent, failed on the dropped connection, sent again";
    EXPECT_NE(query("select pg_backend_pid()"), pid);
    // The new session has the host's settings.
    EXPECT_EQ(query("show extra_float_digits"), "3");
    EXPECT_EQ(query("show client_encoding"), "UTF8");
    EXPECT_EQ(query("show standard_conforming_strings"), "on");

    // A statement that fails on a good connection is sent once.
    sent = mdlhost_dbStatementCount();
    EXPECT_NE(mdlDB_processSQL("insert into nosuch values (1)"), 0);
    EXPECT_EQ(mdlhost_dbStatementCount(), sent + 1);

    // processSQL too, with its count of rows.
    ASSERT_TRUE(db_.endSessions());
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (2)"), 0) << error();
    EXPECT_EQ(mdlhost_dbChangedRows(), 1);
    EXPECT_EQ(query("select count(*) from t1"), "2");
}

TEST_P(PgTest, ADroppedConnectionInsideATransactionEndsItVisibly)
{
    ASSERT_EQ(mdlhost_dbBegin(), 0);
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (1)"), 0);
    ASSERT_TRUE(db_.endSessions());
    // The server rolled the transaction back: the statement is not sent
    // again on its own, and the commit cannot pretend the unit landed.
    EXPECT_NE(mdlDB_processSQL("insert into t1 (mslink) values (2)"), 0);
    EXPECT_NE(error().find("transaction was lost"), std::string::npos) << error();
    EXPECT_NE(mdlhost_dbCommit(), 0);
    EXPECT_EQ(query("select count(*) from t1"), "0");
    ASSERT_EQ(mdlhost_dbBegin(), 0) << "the next unit of work runs";
    ASSERT_EQ(mdlDB_processSQL("insert into t1 (mslink) values (3)"), 0);
    ASSERT_EQ(mdlhost_dbCommit(), 0);
    EXPECT_EQ(query("select count(*) from t1"), "1");
}

TEST_P(PgTest, DescribeAfterADroppedConnection)
{
    ASSERT_TRUE(db_.endSessions());
    MS_SQLDA d{};
    ASSERT_EQ(mdlDB_describeTable("t1", &d), 0) << error();
    EXPECT_EQ(d.numColumns, 5);
    mdlDB_freeSQLDADescriptor(&d);
}

// A server that cannot be reached again: the statement that meets it fails
// with the cause, once on the text window, and the rest fail at once until
// the database is opened again.
TEST_P(PgTest, ADatabaseThatCannotBeReachedAgainIsGivenUpOnce)
{
    ASSERT_TRUE(db_.endSessions("shut"));
    mdlhost_clearTextWindow();
    EXPECT_NE(mdlDB_processSQL("insert into t1 (mslink) values (1)"), 0);
    std::string first = error();
    EXPECT_NE(first.find("connecting again failed"), std::string::npos) << first;
    long sent = mdlhost_dbStatementCount();
    for (int i = 2; i < 50; ++i)
        EXPECT_NE(mdlDB_processSQL(("insert into t1 (mslink) values (" + std::to_string(i) + ")").c_str()), 0);
    EXPECT_EQ(mdlhost_dbStatementCount(), sent) << "nothing sent after giving up";
    EXPECT_EQ(error(), first);
    std::string window = mdlhost_textWindow();
    EXPECT_EQ(window.find("Database "), window.rfind("Database ")) << "said once: " << window;
    EXPECT_NE(window.find("no further statement"), std::string::npos) << window;
    EXPECT_EQ(mdlhost_dbReadOnly(), 1);
}

// A read-only session is told before a command writes.
TEST_P(PgTest, AReadOnlySessionIsToldBeforeWriting)
{
    EXPECT_EQ(mdlhost_dbReadOnly(), 0);
    std::string dbname = db_.name().substr(db_.name().rfind("dbname=") + 7);
    ASSERT_EQ(mdlDB_processSQL(("ALTER DATABASE " + dbname + " SET default_transaction_read_only = on").c_str()), 0);
    ASSERT_EQ(mdlhost_dbOpen(db_.name().c_str()), 0);
    EXPECT_EQ(mdlhost_dbReadOnly(), 1);
}

// A database of encoding SQL_ASCII converts nothing: it held the host's ISO
// 8859-1 bytes as they were sent, and still does.
TEST_P(PgTest, ASqlAsciiDatabaseKeepsTheBytesItHeld)
{
    std::string base = db_.name(); // "pg:... dbname=NAME": NAME last
    std::string other = base + "_ascii";
    std::string dbname = other.substr(other.rfind('=') + 1);
    ASSERT_EQ(mdlDB_processSQL(("CREATE DATABASE " + dbname + " ENCODING 'SQL_ASCII' TEMPLATE template0").c_str()), 0)
        << error();
    ASSERT_EQ(mdlhost_dbOpen(other.c_str()), 0) << error();
    ASSERT_EQ(mdlDB_processSQL("create table t (navn varchar(20))"), 0);
    ASSERT_EQ(mdlDB_processSQL("insert into t values ('Bj\xF8rn')"), 0);
    EXPECT_EQ(query("select octet_length(navn) from t"), "5") << "one byte for the \xF8, as before";
    EXPECT_EQ(query("select navn from t"), "Bj\xF8rn");
    EXPECT_EQ(mdlhost_dbSubstituted(-1), 0);
    ASSERT_EQ(mdlhost_dbOpen(base.c_str()), 0);
    EXPECT_EQ(mdlDB_processSQL(("DROP DATABASE " + dbname + " WITH (FORCE)").c_str()), 0) << error();
}

INSTANTIATE_TEST_SUITE_P(Backends, PgTest, ::testing::Values("postgresql"));

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

// "file:" begins a file's name, as for every other file of the host: not
// a SQLite URI that opens another file or a database in memory.
TEST(DbConnection, ANameBeginningWithFileIsAFilesName)
{
    std::string dir = (std::filesystem::temp_directory_path() / "mdldb-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    for (const char *name : {"file:other.db", "file:x.db?mode=memory"}) {
        ASSERT_EQ(mdlhost_dbOpen(name), 0) << name;
        ASSERT_EQ(mdlDB_processSQL("create table mine (mslink integer)"), 0);
        mdlhost_dbClose();
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir) / name)) << name;
        ASSERT_EQ(mdlhost_dbOpen(name), 0);
        char n[MDLDB_VALUE_SIZE];
        EXPECT_EQ(mdlDB_sqlQuery(n, "select count(*) from mine"), 0) << name << ": kept";
        mdlhost_dbClose();
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(dir) / "other.db"));
    std::filesystem::current_path(here);
    std::filesystem::remove_all(dir);
}

// A project another process keeps locked: one wait, one message, and the
// rows after it fail at once instead of waiting in turn.
TEST(DbConnection, AFileLockedByAnotherProcessIsGivenUpOnce)
{
    std::string dir = (std::filesystem::temp_directory_path() / "mdldb-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    std::string file = dir + "/project.db";
    ASSERT_EQ(mdlhost_dbOpen(file.c_str()), 0);
    ASSERT_EQ(mdlDB_processSQL("create table t1 (mslink integer)"), 0);
    mdlhost_dbClose();
    int locked[2], done[2];
    ASSERT_EQ(pipe(locked), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char c = 0;
        bool ok = mdlhost_dbOpen(file.c_str()) == 0 && mdlhost_dbBegin() == 0 &&
                  mdlDB_processSQL("insert into t1 values (1)") == 0;
        c = ok ? 'y' : 'n';
        (void)!write(locked[1], &c, 1);
        (void)!read(done[0], &c, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(locked[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    ASSERT_EQ(mdlhost_dbOpen(file.c_str()), 0);
    mdlhost_clearTextWindow();
    EXPECT_NE(mdlDB_processSQL("insert into t1 values (2)"), 0);
    char e[512];
    mdlDB_getErrorText(e, sizeof e);
    EXPECT_NE(std::string(e).find("locked (by another process"), std::string::npos) << e;
    auto start = std::chrono::steady_clock::now();
    for (int i = 3; i < 20; ++i)
        EXPECT_NE(mdlDB_processSQL("insert into t1 values (3)"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << "each row waited";
    std::string window = mdlhost_textWindow();
    EXPECT_EQ(window.find("no further"), window.rfind("no further")) << window;
    (void)!write(done[1], &c, 1);
    int status = 0;
    waitpid(child, &status, 0);
    // Opened again, the file works.
    ASSERT_EQ(mdlhost_dbOpen(file.c_str()), 0);
    EXPECT_EQ(mdlDB_processSQL("insert into t1 values (4)"), 0);
    EXPECT_EQ(mdlhost_dbReadOnly(), 0);
    mdlhost_dbClose();
    for (int fd : {locked[0], locked[1], done[0], done[1]})
        close(fd);
    std::filesystem::remove_all(dir);
}

TEST(DbConnection, BadNamesFailWithAText)
{
    EXPECT_NE(mdlhost_dbOpen("pg:host=/nonexistent port=1"), 0);
    char e[512];
    mdlDB_getErrorText(e, sizeof e);
    EXPECT_STRNE(e, "");
    EXPECT_EQ(mdlhost_dbIsOpen(), 0);
    EXPECT_NE(mdlDB_processSQL("select 1"), 0);
    EXPECT_NE(mdlhost_dbOpen("/nonexistent/dir/x.db"), 0);
}

} // namespace
