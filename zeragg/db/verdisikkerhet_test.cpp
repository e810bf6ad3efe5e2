// Hostile values through every statement the module builds, on both back
// ends: afterwards the tables hold exactly those values and nothing else.
#include <set>
#include <string>
#include <vector>

#include "verdier_testing.h"
#include "zeraggdb_testing.h"

namespace {

using ggtesting::GGTest;

using ggtesting::kHostile;

class Verdisikkerhet : public GGTest {
  protected:
    void prepare() override
    {
        run({"create table bufret (mslink integer, navn varchar(255), kode varchar(255))",
             "create table ubufret (mslink integer, navn varchar(255), kode varchar(255))",
             "insert into ugtable_cat (tablename, entitynum) values ('bufret', 20)"});
    }
    std::multiset<std::string> column(const char *table, const char *col)
    {
        std::multiset<std::string> all;
        EXPECT_EQ(mdlDB_openCursor((std::string("select ") + col + " from " + table).c_str()), 0);
        MS_SQLDA r{};
        while (mdlDB_fetchRow(&r) == 0)
            all.insert(r.values[0] ? r.values[0] : "<null>");
        mdlDB_closeCursor();
        return all;
    }
};

TEST_P(Verdisikkerhet, EveryStatementKeepsTheValues)
{
    for (const char *table : {"bufret", "ubufret"}) {
        std::vector<long> mslinks;
        for (const char *v : kHostile) {
            int n = 0;
            DbKolonne *r = row(table, n, {{"navn", v}, {"kode", "x"}});
            // Find-or-insert twice: the second finds the first.
            long m = FinnEllerSettInnRad(r, n, table);
            ASSERT_GT(m, 0) << table << " " << v << ": " << error();
            EXPECT_EQ(FinnEllerSettInnRad(r, n, table), m) << table << " " << v;
            mslinks.push_back(m);
            // Update through the other column, with the value itself.
            SettKolonneVerdi(&r[2], v);
            r[0].verdi.lang = static_cast<int32_t>(m);
            r[0].harVerdi = 1;
            EXPECT_EQ(OppdaterRad(table, r, n), 0) << table << " " << v;
            FrigiRad(r, n);
            DbKolonne *back = nullptr;
            ASSERT_EQ(LesRadForMslink(&back, &n, table, m), 0);
            EXPECT_STREQ(back[1].verdi.tekst, v);
            EXPECT_STREQ(back[2].verdi.tekst, v);
            FrigiRad(back, n);
            char out[DB_VERDI_TEKST];
            if (std::string(table) == "bufret") {
                EXPECT_EQ(SlaaOppBufretVerdi(out, "kode", table, "navn", v), 0);
                EXPECT_STREQ(out, v);
            }
        }
        std::multiset<std::string> want(std::begin(kHostile), std::end(kHostile));
        EXPECT_EQ(column(table, "navn"), want) << table;
        EXPECT_EQ(column(table, "kode"), want) << table;
    }
    EXPECT_EQ(query("select count(*) from genattr"), "0");
    // A reload reads the values back into the cache unchanged.
    LesGGDatabase();
    for (const char *v : kHostile) {
        int n = 0;
        DbKolonne *r = row("bufret", n, {{"navn", v}, {"kode", v}});
        long m = 0;
        EXPECT_EQ(FinnMslinkForVerdier(&m, "bufret", r, n), 1) << v;
        FrigiRad(r, n);
    }
}

TEST_P(Verdisikkerhet, LikePatternsMatchTheTextAsItStands)
{
    run({"insert into zera_import (filnavn, hodeid) values ('c:\\data\\fil_1.sos', 0)",
         "insert into zera_import (filnavn, hodeid) values ('c:datafil_1.sos', 0)",
         "insert into zera_import (filnavn, hodeid) values ('c:\\data\\filx1.sos', 0)",
         "insert into zera_import (filnavn, hodeid) values ('d:\\100%!\\fil''s.sos', 0)",
         "insert into zera_import (filnavn, hodeid) values ('d:\\data\\fil.zer', 0)"});
    struct {
        const char *joker, *text;
        const char *matched;
    } cases[] = {
        {"", "c:\\data\\fil_1.sos", "c:\\data\\fil_1.sos"},
        {"%", "\\fil_1.sos", "c:\\data\\fil_1.sos"},
        {"%", "\\fil's.sos", "d:\\100%!\\fil's.sos"},
        {"", "d:\\100%!\\fil's.sos", "d:\\100%!\\fil's.sos"},
        {"", "x' OR '1'='1", nullptr},
        {"", "%", nullptr},
        {"", "d:\\data\\fil.zer", "d:\\data\\fil.zer"},
    };
    int id = 0;
    for (auto &c : cases) {
        ++id;
        std::string sql = "update zera_import set hodeid=" + std::to_string(id) + " where filnavn like " +
                          SqlLike(c.joker, c.text);
        ASSERT_EQ(mdlDB_processSQL(sql.c_str()), 0) << sql << ": " << error();
        std::string hit = "select count(*) from zera_import where hodeid = " + std::to_string(id);
        EXPECT_EQ(query(hit), c.matched ? "1" : "0") << sql;
        if (c.matched) {
            EXPECT_EQ(query("select filnavn from zera_import where hodeid = " + std::to_string(id)), c.matched);
        }
    }
    EXPECT_EQ(query("select count(*) from zera_import"), "5");
}

TEST(SqlTekster, NamesTextsAndNumbers)
{
    EXPECT_EQ(SqlNavn("navn"), "navn");
    EXPECT_EQ(SqlNavn("GENATTR"), "GENATTR");
    EXPECT_EQ(SqlNavn("user"), "\"user\"");
    EXPECT_EQ(SqlNavn("h\xD8yde"), "\"h\xD8yde\"");
    EXPECT_EQ(SqlNavn("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(SqlTekst("Per's"), "'Per''s'");
    EXPECT_EQ(SqlTekst(nullptr), "NULL");
    EXPECT_EQ(SqlDobbel(0.1), "0.1");
    EXPECT_EQ(SqlDobbel(1e300), "1e+300");
    EXPECT_EQ(SqlLike("%", "a_b%c!'"), "'%a!_b!%c!!''' ESCAPE '!'");
}

INSTANTIATE_TEST_SUITE_P(Backends, Verdisikkerhet, ::testing::ValuesIn(dbtesting::kBackends));

} // namespace
