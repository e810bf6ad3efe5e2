#include <cstring>
#include <string>
#include <vector>

#include "dgn/mdlelem.h"
#include "zeraggdb_testing.h"

namespace {

using ggtesting::genAttrLinjer;
using ggtesting::GGTest;
using ggtesting::hodeLinjer;
using Lines = std::vector<std::string>;

class DbEgenskaper : public GGTest {
  protected:
    void prepare() override
    {
        // The map of these cases only, without the template's rows.
        run({"delete from zera_gg",
             "create table objrad (mslink integer, objtype varchar(30), k1 integer, k3 integer, mapid integer)",
             "insert into objrad values (12, 'Bygning', 82, 1, 7)",
             "insert into zera_gg values ('objtype', 'OBJTYPE', 1, 0, NULL)",
             "insert into zera_gg values ('k1', 'KVALITET', 1, 0, NULL)",
             "insert into zera_gg values ('k3', 'KVALITET', 3, 0, NULL)",
             "create table person (mslink integer, bygg_nr integer, eier varchar(30), merknad varchar(30), "
             "merknad2 varchar(30))",
             "insert into person values (1, 5, 'Ola Nordmann', 'Ola Nordmann', 'Andre linje')",
             "insert into zera_gg values ('eier', 'NAVN', 1, 0, NULL)",
             "insert into zera_gg values ('merknad', '*', 0, 0, NULL)",
             "insert into zera_gg values ('merknad2', '*', 0, 0, NULL)",
             "create table bygning (mslink integer, bygningstypeid integer)",
             "insert into bygning values (1, 3)",
             "create table bygningstype (mslink integer, id integer, navn varchar(40))",
             "insert into bygningstype values (1, 3, 'Enebolig med hybel')",
             "create table fritype (mslink integer, id integer, navn varchar(40))",
             "insert into fritype values (1, 3, 'Fritt')",
             "insert into zera_gg values ('bygningstypeid', 'bygningstype', 1, 0, NULL)",
             "insert into ugtable_cat (tablename, entitynum) values ('bygningstype', 11)",
             "insert into ugtable_cat (tablename, entitynum) values ('objrad', 12)",
             "alter table genattr add column attribid integer",
             "alter table genattr add column hodeid integer",
             "insert into genattr (mslink, kvalitet1, attribid) values (1, 44, 1)",
             "insert into genattr (mslink, kvalitet1, hodeid) values (2, 55, 4)",
             "insert into hode (mslink, kartid, eier, produsent) values (4, 'K1', 'Kommunen', 'Firma AS')",
             "insert into zera_gg values ('hode.eier', 'EIER', 1, 0, NULL)"});
    }
    void join(const char *table1)
    {
        run({std::string("insert into ugjoin_cat values ('BYGNING', 'BYGNINGSTYPEID', '") + table1 + "', 'ID', 'NAVN')"});
        ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
        LesGGDatabase();
    }
};

TEST_P(DbEgenskaper, KvalitetIsFilledAndLinesSortedByName)
{
    // Once from the cache, once by SQL.
    for (int cached : {1, 0}) {
        genAttrLinjer.clear();
        if (!cached)
            FrigiTabellBuffer();
        ASSERT_EQ(SkrivDbEgenskaper("objrad", 12, 0), 0);
        EXPECT_EQ(genAttrLinjer, (Lines{"KVALITET 82 * 1", "OBJTYPE Bygning"})) << "cached " << cached;
    }
    EXPECT_EQ(SkrivDbEgenskaper("objrad", 13, 0), DB_FEIL);
    EXPECT_TRUE(hodeLinjer.empty());
}

TEST_P(DbEgenskaper, NamesQuotingAndStarLines)
{
    ASSERT_EQ(SkrivDbEgenskaper("person", 1, 0), 0);
    EXPECT_EQ(genAttrLinjer, (Lines{"BYGG-NR 5", "NAVN \"Ola Nordmann\"", "Ola Nordmann", "Andre linje"}));
}

TEST_P(DbEgenskaper, KeyColumnsShowTheJoinedValue)
{
    ASSERT_EQ(SkrivDbEgenskaper("bygning", 1, 0), 0);
    EXPECT_EQ(genAttrLinjer, (Lines{"BYGNINGSTYPE 3"}));
    genAttrLinjer.clear();
    join("BYGNINGSTYPE");
    ASSERT_EQ(SkrivDbEgenskaper("bygning", 1, 0), 0);
    EXPECT_EQ(genAttrLinjer, (Lines{"BYGNINGSTYPE \"Enebolig med hybel\""}));
}

TEST_P(DbEgenskaper, JoinByQueryAndFailedJoinKeepsTheKey)
{
    join("FRITYPE"); // not catalogued: asked by SQL
    ASSERT_EQ(SkrivDbEgenskaper("bygning", 1, 0), 0);
    EXPECT_EQ(genAttrLinjer, (Lines{"BYGNINGSTYPE Fritt"}));
    genAttrLinjer.clear();
    run({"delete from ugjoin_cat"});
    join("NOSUCH");
    ASSERT_EQ(SkrivDbEgenskaper("bygning", 1, 0), 0);
    EXPECT_EQ(genAttrLinjer, (Lines{"BYGNINGSTYPE 3"}));
}

TEST_P(DbEgenskaper, HeadRowsComeFirstInHeadMode)
{
    ASSERT_EQ(SkrivDbEgenskaper("genattr", 2, 1), 0);
    EXPECT_EQ(hodeLinjer, (Lines{"EIER Kommunen", "KARTID K1", "PRODUSENT \"Firma AS\"", "KVALITET1 55"}));
    hodeLinjer.clear();
    ASSERT_EQ(SkrivDbEgenskaper("genattr", 2, 0), 0);
    EXPECT_TRUE(hodeLinjer.empty());
    EXPECT_EQ(genAttrLinjer, (Lines{"KVALITET1 55"}));
}

TEST_P(DbEgenskaper, RowThatLinksToItselfEnds)
{
    ASSERT_EQ(SkrivDbEgenskaper("genattr", 1, 0), 0);
    EXPECT_EQ(genAttrLinjer, (Lines{"KVALITET1 44"}));
}

int callbackCalls = 0;
int addPair(StringList *par, const char *tabell)
{
    ++callbackCalls;
    EXPECT_STREQ(tabell, "objrad");
    long first = 0;
    long info[1] = {2};
    if (mdlStringList_insertMember(&first, par, -1, 2) == 0) {
        mdlStringList_setMember(par, first, "KVALITET", info);
        mdlStringList_setMember(par, first + 1, "9", nullptr);
    }
    return 0;
}

TEST_P(DbEgenskaper, RowCallbackSeesThePairs)
{
    dbSql_setRowCallback(addPair);
    ASSERT_EQ(SkrivDbEgenskaper("objrad", 12, 0), 0);
    EXPECT_EQ(callbackCalls, 1);
    // The callback's pair is not resorted; the fill still runs after it.
    EXPECT_EQ(genAttrLinjer, (Lines{"KVALITET 82 * 1", "OBJTYPE Bygning", "KVALITET 9"}));
}

TEST_P(DbEgenskaper, ElementLinks)
{
    MSElement el{};
    DPoint3d pts[2] = {{0, 0, 0}, {1, 0, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, pts), 0);
    long feature = -1, first = -1;
    EXPECT_EQ(HentGGAttributtDataFraElement(&el, 0, &feature, &first), 0);
    for (long m : {5, 9}) {
        DatabaseLink link{};
        ASSERT_EQ(mdlDB_buildLink(&link, GEO_FEATURE_LINKAGE_TYPE, nullptr, "feature", m), 0);
        uint16_t words[MDLDB_LINK_WORDS];
        int bytes = 0;
        ASSERT_EQ(mdlDB_encodeLink(words, &bytes, &link), 0);
        ASSERT_EQ(mdlElement_appendAttributes(&el, bytes / 2, words), 0);
    }
    EXPECT_EQ(HentGGAttributtDataFraElement(&el, 0, &feature, &first), 0);
    EXPECT_EQ(feature, 5);
    EXPECT_EQ(first, -1);
    DatabaseLink link{};
    ASSERT_EQ(mdlDB_buildLink(&link, GEO_FEATURE_LINKAGE_TYPE, nullptr, "objrad", 12), 0);
    uint16_t words[MDLDB_LINK_WORDS];
    int bytes = 0;
    ASSERT_EQ(mdlDB_encodeLink(words, &bytes, &link), 0);
    ASSERT_EQ(mdlElement_appendAttributes(&el, bytes / 2, words), 0);
    EXPECT_EQ(HentGGAttributtDataFraElement(&el, 0, &feature, &first), 1);
    EXPECT_EQ(first, 12);
    EXPECT_EQ(genAttrLinjer, (Lines{"KVALITET 82 * 1", "OBJTYPE Bygning"}));
}

INSTANTIATE_TEST_SUITE_P(Backends, DbEgenskaper, ::testing::ValuesIn(dbtesting::kBackends));

TEST(Egenskaper, SortOrderPutsStarLast)
{
    long one[1] = {1}, two[1] = {2};
    struct {
        const char *a;
        long *ia;
        const char *b;
        long *ib;
        int want;
    } cases[] = {{"A", one, "B", one, -1}, {"*", one, "Z", one, 1}, {"Z", one, "*", one, -1},
                 {"K", two, "K", one, 1},  {"K", one, "K", one, 0},  {"\xD8", one, "Z", one, 1}};
    for (auto &c : cases)
        EXPECT_EQ(SammenlignEgenskaper(c.a, c.ia, c.b, c.ib), c.want) << c.a << " " << c.b;
}

TEST(Egenskaper, KvalitetFillStopsWhenTheListIsFull)
{
    StringList *par = mdlStringList_create(0, 1);
    long first = 0, info[1] = {4};
    ASSERT_EQ(mdlStringList_insertMember(&first, par, -1, 2), 0);
    mdlStringList_setMember(par, first, "KVALITET", info);
    mdlStringList_setMember(par, first + 1, "5", nullptr);
    mdlhost_stringListSetLimit(par, 4);
    UtvidKvalitet(par);
    EXPECT_EQ(mdlStringList_size(par), 4);
    mdlStringList_destroy(par);
}

} // namespace
