// Hostile values through every statement the module builds, on both back
// ends: afterwards the tables hold exactly those values and nothing else.
#include <set>
#include <string>
#include <vector>

#include "zeraggdb_testing.h"

namespace {

using ggtesting::GGTest;

const char *const kHostile[] = {
    "Per's hus",
    "'",
    "''",
    "a';b",
    "x'); DELETE FROM genattr; --",
    "back\\slash\\",
    "D:\\kart\\",
    "100%_ferdig",
    "_%",
    "1 OR 1=1",
    "semi;colon",
    "\"dobbel\"",
    "navn",
    "Bj\xF8rnstad \xC6\xD8\xC5 \xE6\xF8\xE5",
};

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

INSTANTIATE_TEST_SUITE_P(Backends, Verdisikkerhet, ::testing::ValuesIn(dbtesting::kBackends));

} // namespace
