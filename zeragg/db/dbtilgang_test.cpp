#include <cstring>
#include <string>
#include <vector>

#include "dgn/mdlelem.h"
#include "zeraggdb_testing.h"

namespace {

using ggtesting::GGTest;

// bygg is catalogued (cached); fri is not.
class DbTilgang : public GGTest {
  protected:
    void prepare() override
    {
        run({"create table bygg (mslink integer, navn varchar(255), kode integer, hoyde double precision)",
             "create table fri (mslink integer, a varchar(255), b varchar(20), c integer, d varchar(20))",
             "create table bygningstype (mslink integer, id integer, navn varchar(40))",
             "insert into ugtable_cat (tablename, entitynum) values ('bygg', 10)",
             "insert into ugtable_cat (tablename, entitynum) values ('bygningstype', 11)",
             "insert into bygningstype (mslink, id, navn) values (1, NULL, 'ingen')",
             "insert into bygningstype (mslink, id, navn) values (2, 3, 'Enebolig')",
             "insert into ugjoin_cat (table0, index0, table1, index1, value1) "
             "values ('bygg', 'kodeid', 'bygningstype', 'id', '')"});
    }
    long count(const char *table) { return std::stol(query(std::string("select count(*) from ") + table)); }
};

TEST_P(DbTilgang, QuotesInTextsStayValues)
{
    for (const char *table : {"bygg", "fri"}) {
        int n = 0;
        const char *field = std::string(table) == "bygg" ? "navn" : "a";
        DbKolonne *r = row(table, n, {{field, "Per's hus"}});
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(FinnEllerSettInnRad(r, n, table), 1);
        long m = 0;
        EXPECT_EQ(FinnMslinkForVerdier(&m, table, r, n), 1) << table;
        EXPECT_EQ(m, 1);
        FrigiRad(r, n);
        long before = count(table);
        r = row(table, n, {{field, "x'); DELETE FROM genattr; --"}});
        EXPECT_EQ(SettInnRad(table, r, n, 1), 0);
        EXPECT_EQ(FinnMslinkForVerdier(&m, table, r, n), 1);
        FrigiRad(r, n);
        EXPECT_EQ(count(table), before + 1);
        EXPECT_EQ(query(std::string("select ") + field + " from " + table + " where mslink = 1"), "Per's hus");
        EXPECT_EQ(query(std::string("select ") + field + " from " + table + " where mslink = 2"),
                  "x'); DELETE FROM genattr; --");
    }
}

TEST_P(DbTilgang, LookupStatementOfAnUncachedTable)
{
    run({"insert into fri (mslink, a, c) values (4, 'x', 5)"});
    int n = 0;
    DbKolonne *r = row("fri", n, {{"a", "x"}, {"c", "5"}});
    ASSERT_EQ(n, 5);
    // b of a type the layer does not know; d without a value.
    r[2].type = 3;
    SettKolonneVerdi(&r[2], "ignored");
    startLog();
    long m = 0;
    EXPECT_EQ(FinnMslinkForVerdier(&m, "fri", r, n), 1);
    EXPECT_EQ(m, 4);
    auto sent = logged();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "SELECT mslink FROM fri WHERE a = 'x' AND c = 5 AND d IS NULL");
    // No row: not found, never "found mslink 0".
    SettKolonneVerdi(&r[3], "6");
    EXPECT_EQ(FinnMslinkForVerdier(&m, "fri", r, n), 0);
    FrigiRad(r, n);
    // A column the table lacks: the SELECT fails, so find-or-insert inserts.
    r = row("bygg", n, {{"navn", "y"}});
    ASSERT_EQ(FinnEllerSettInnRad(r, n, "bygg"), 1);
    std::strcpy(r[1].navn, "a");
    EXPECT_EQ(FinnMslinkForVerdier(&m, "fri", r, n), 0);
    FrigiRad(r, n);
}

TEST_P(DbTilgang, StatementsOf128CharactersGetABlank)
{
    const std::string pre = "insert into fri (mslink,a,b,c,d) values (", post = ",NULL,NULL,NULL);";
    startLog();
    for (size_t want : {127, 128, 130}) {
        int n = 0;
        // mslink 1 to 3: one digit, so the value fixes the length.
        size_t len = want - pre.size() - 1 - post.size() - 3;
        std::string value(len, 'v');
        DbKolonne *r = row("fri", n, {{"a", value.c_str()}});
        ASSERT_EQ(SettInnRad("fri", r, n, 1), 0) << error();
        FrigiRad(r, n);
    }
    auto sent = logged();
    ASSERT_EQ(sent.size(), 6u); // each insert asks for the largest mslink first
    EXPECT_EQ(sent[1].size(), 127u);
    EXPECT_EQ(sent[3].size(), 129u);
    EXPECT_EQ(sent[3].back(), ' ');
    EXPECT_EQ(sent[5].size(), 130u);
}

TEST_P(DbTilgang, UpdateOf200ColumnsInGroupsOf99)
{
    std::string create = "create table vid (mslink integer";
    for (int i = 1; i < 200; ++i)
        create += ", c" + std::to_string(i) + " integer";
    run({create + ")", "insert into vid (mslink) values (1)"});
    int n = 0;
    DbKolonne *r = row("vid", n, {{"mslink", "1"}});
    ASSERT_EQ(n, 200);
    for (int i = 1; i < n; ++i)
        SettKolonneVerdi(&r[i], std::to_string(i).c_str());
    startLog();
    ASSERT_EQ(OppdaterRad("vid", r, n), 0) << error();
    int updates = 0;
    for (auto &s : logged())
        updates += s.rfind("update vid set ", 0) == 0;
    EXPECT_EQ(updates, 3);
    EXPECT_EQ(query("select c199 from vid"), "199");
    // A failing later group undoes the earlier ones.
    for (int i = 1; i < n; ++i)
        SettKolonneVerdi(&r[i], "7");
    std::strcpy(r[150].navn, "nosuch");
    EXPECT_EQ(OppdaterRad("vid", r, n), DB_FEIL);
    EXPECT_EQ(query("select c1 from vid"), "1");
    // Only mslink: nothing sent, success.
    EXPECT_EQ(OppdaterRad("vid", r, 1), 0);
    FrigiRad(r, n);
}

TEST_P(DbTilgang, OverlongStatementsAreRefusedBeforeSending)
{
    int n = 0;
    std::string big(3000, 'z');
    DbKolonne *r = row("fri", n, {{"a", big.c_str()}});
    mdlhost_clearTextWindow();
    startLog();
    EXPECT_EQ(SettInnRad("fri", r, n, 1), DB_FEIL);
    EXPECT_NE(std::string(mdlhost_textWindow()).find("ERROR!!! For lang 'SQL-insert' kommando:"), std::string::npos);
    r[0].verdi.lang = 1;
    r[0].harVerdi = 1;
    EXPECT_EQ(OppdaterRad("fri", r, n), DB_FEIL);
    long m = 0;
    EXPECT_EQ(FinnMslinkForVerdier(&m, "fri", r, n), 0);
    EXPECT_NE(std::string(mdlhost_textWindow()).find("ERROR!!! For langt 'SQL-select query':"), std::string::npos);
    for (auto &s : logged())
        EXPECT_EQ(s.find("zzzz"), std::string::npos) << s;
    FrigiRad(r, n);
}

TEST_P(DbTilgang, CachedLookupsSendNoSql)
{
    run({"insert into bygg (mslink, navn, kode) values (1, NULL, 5)"});
    int n = 0;
    DbKolonne *r = row("bygg", n, {{"navn", ""}, {"kode", "5"}});
    long before = mdlhost_dbStatementCount(), m = 0;
    // The row went in outside the layer: the cache does not know it.
    EXPECT_EQ(FinnMslinkForVerdier(&m, "bygg", r, n), 0);
    EXPECT_EQ(mdlhost_dbStatementCount(), before);
    EXPECT_EQ(SettInnRad("bygg", r, n, 1), 0);
    before = mdlhost_dbStatementCount();
    // An empty text finds the row whose cell is NULL.
    EXPECT_EQ(FinnMslinkForVerdier(&m, "bygg", r, n), 1);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(mdlhost_dbStatementCount(), before);
    FrigiRad(r, n);

    char out[DB_VERDI_TEKST];
    EXPECT_EQ(SlaaOppBufretVerdi(out, "navn", "bygningstype", "id", "3"), 0);
    EXPECT_STREQ(out, "Enebolig");
    // "abc" is no number: it does not match the row whose key is NULL.
    EXPECT_EQ(SlaaOppBufretVerdi(out, "navn", "bygningstype", "id", "abc"), DB_FEIL);
    EXPECT_EQ(SlaaOppBufretVerdi(out, "navn", "fri", "id", "3"), DB_FEIL);
    char t1[40], i1[40], v1[40];
    EXPECT_EQ(FinnJoinDefinisjon("bygg", "kodeid", t1, i1, v1), 0);
}

TEST(DbNavn, IdColumnsAndStrings)
{
    struct {
        const char *name;
        int id;
    } cases[] = {{"hodeid", 1}, {"HODEID", 1}, {"hodeId", 0}, {"HodeiD", 0}, {"d", 0}, {"", 0}, {"id", 1}};
    for (auto &c : cases)
        EXPECT_EQ(ErIdKolonne(c.name), c.id) << c.name;
    char s[] = "H\xD8yde_og-x";
    EXPECT_STREQ(TilSmaaBokstaver(s), "h\xD8yde_og-x");
    EXPECT_STREQ(TilStoreBokstaver(s), "H\xD8YDE_OG-X");
    EXPECT_STREQ(UnderstrekTilBindestrek(s), "H\xD8YDE-OG-X");
    EXPECT_STREQ(BindestrekTilUnderstrek(s), "H\xD8YDE_OG_X");
}

TEST(DbVerdier, ValuesAndTexts)
{
    DbVerdi v{};
    char out[DB_VERDI_TEKST];
    VerdiFraTekst(&v, "1e300", DB_DOBBEL);
    VerdiTilTekst(out, &v, DB_DOBBEL);
    EXPECT_EQ(std::strlen(out), DB_VERDI_TEKST - 1u);
    std::string lang(400, 'a');
    v.raa = 0; // the slot held a double: no text to free
    VerdiFraTekst(&v, lang.c_str(), DB_TEKST);
    VerdiTilTekst(out, &v, DB_TEKST);
    EXPECT_EQ(std::strlen(out), 255u);
    DbVerdi tom{};
    SettTekstVerdi(&tom, "");
    EXPECT_EQ(LikeVerdier(nullptr, &tom, DB_TEKST), 1);
    EXPECT_EQ(LikeVerdier(&v, &tom, DB_TEKST), 0);
    SettTekstVerdi(&v, nullptr);
    SettTekstVerdi(&tom, nullptr);
    VerdiFraTekst(&v, "12", DB_LANG);
    EXPECT_EQ(v.lang, 12);
    VerdiFraTekst(&v, "99999999999", DB_LANG);
    EXPECT_EQ(v.lang, 0);
}

TEST_P(DbTilgang, DoublesAreStoredExactly)
{
    int n = 0;
    DbKolonne *r = row("fri", n, {});
    r[0].harVerdi = 0;
    FrigiRad(r, n);
    // Through the cached table and back from the database after a reload.
    r = row("bygg", n, {{"hoyde", "0.30000000000000004"}});
    ASSERT_EQ(SettInnRad("bygg", r, n, 1), 0);
    LesGGDatabase();
    long m = 0;
    EXPECT_EQ(FinnMslinkForVerdier(&m, "bygg", r, n), 1);
    FrigiRad(r, n);
}

TEST_P(DbTilgang, StoreAndLinkWithAndWithoutReuse)
{
    long first = 0;
    for (int reuse : {1, 0}) {
        MSElement a{}, b{};
        DPoint3d pts[2] = {{0, 0, 0}, {1, 1, 0}};
        ASSERT_EQ(mdlLine_create(&a, nullptr, pts), 0);
        b = a;
        std::vector<long> mslinks;
        for (MSElement *el : {&a, &b}) {
            int n = 0;
            DbKolonne *r = row("bygg", n, {{"navn", "Likt"}, {"kode", "1"}});
            ASSERT_EQ(LagreRadOgLink(el, "bygg", r, n, reuse), 0);
            FrigiRad(r, n);
            DatabaseLink *links = nullptr;
            int count = 0;
            ASSERT_EQ(mdlDB_extractLinkages(&links, &count, el), 0);
            ASSERT_EQ(count, 1);
            EXPECT_EQ(links[0].linkageType, GEO_FEATURE_LINKAGE_TYPE);
            EXPECT_EQ(links[0].entityNumber, 10);
            mslinks.push_back(links[0].mslink);
            dlmSystem_mdlFree(links);
        }
        if (reuse) {
            EXPECT_EQ(mslinks[0], mslinks[1]);
            first = mslinks[0];
        } else {
            EXPECT_EQ(mslinks[0], first + 1);
            EXPECT_EQ(mslinks[1], first + 2);
        }
    }
    EXPECT_EQ(count("bygg"), 3);
}

TEST_P(DbTilgang, ReadRowByMslinkBothRoads)
{
    run({"insert into fri (mslink, a, c) values (3, 'tekst', 7)"});
    for (const char *table : {"fri", "bygningstype"}) {
        DbKolonne *r = nullptr;
        int n = 0;
        long m = std::string(table) == "fri" ? 3 : 2;
        ASSERT_EQ(LesRadForMslink(&r, &n, table, m), 0) << table;
        EXPECT_EQ(r[0].verdi.lang, m);
        EXPECT_EQ(r[0].harVerdi, 1);
        EXPECT_EQ(r[1].harVerdi, std::string(table) == "fri" ? 1 : 1);
        FrigiRad(r, n);
        EXPECT_EQ(LesRadForMslink(&r, &n, table, 99), DB_FEIL);
    }
}

TEST_P(DbTilgang, FindOrInsertFindsRowsByEveryType)
{
    struct Case {
        const char *navn, *kode, *hoyde; // null: no value
    } cases[] = {{"a", "1", "1.5"}, {nullptr, "1", "1.5"}, {"a", nullptr, "1.5"}, {"a", "1", nullptr},
                 {nullptr, nullptr, nullptr}, {"", "-7", "-0.25"}};
    run({"create table fri2 (mslink integer, navn varchar(255), kode integer, hoyde double precision)"});
    auto make = [this](const char *table, const Case &c, int &n) {
        DbKolonne *r = row(table, n, {});
        if (c.navn)
            SettKolonneVerdi(&r[1], c.navn);
        if (c.kode)
            SettKolonneVerdi(&r[2], c.kode);
        if (c.hoyde)
            SettKolonneVerdi(&r[3], c.hoyde);
        return r;
    };
    // bygg from the cache, fri2 by SQL.
    for (const char *table : {"bygg", "fri2"}) {
        std::vector<long> first;
        for (auto &c : cases) {
            int n = 0;
            DbKolonne *r = make(table, c, n);
            first.push_back(FinnEllerSettInnRad(r, n, table));
            EXPECT_GT(first.back(), 0);
            FrigiRad(r, n);
        }
        for (size_t i = 0; i < std::size(cases); ++i) {
            int n = 0;
            DbKolonne *r = make(table, cases[i], n);
            EXPECT_EQ(FinnEllerSettInnRad(r, n, table), first[i]) << table << " case " << i;
            FrigiRad(r, n);
        }
    }
}

TEST_P(DbTilgang, ReservedAndNorwegianColumnNamesAreQuoted)
{
    run({"create table res (mslink integer, \"user\" varchar(20), \"h\xD8yde\" integer)"});
    int n = 0;
    DbKolonne *r = row("res", n, {{"user", "Kari"}, {"h\xD8yde", "12"}});
    ASSERT_EQ(n, 3);
    EXPECT_STREQ(r[2].navn, "h\xD8yde");
    long m = FinnEllerSettInnRad(r, n, "res");
    ASSERT_EQ(m, 1) << error();
    EXPECT_EQ(FinnEllerSettInnRad(r, n, "res"), 1);
    SettKolonneVerdi(&r[1], "Ola");
    EXPECT_EQ(OppdaterRad("res", r, n), 0);
    FrigiRad(r, n);
    ASSERT_EQ(LesRadForMslink(&r, &n, "res", 1), 0);
    EXPECT_STREQ(r[1].verdi.tekst, "Ola");
    EXPECT_EQ(r[2].verdi.lang, 12);
    FrigiRad(r, n);
}

INSTANTIATE_TEST_SUITE_P(Backends, DbTilgang, ::testing::ValuesIn(dbtesting::kBackends));

} // namespace
