#include <cstring>
#include <functional>
#include <tuple>
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
    // Wide enough that the value is not cut to the column first.
    run({"create table lang (mslink integer, a varchar(4000))"});
    int n = 0;
    std::string big(3000, 'z');
    DbKolonne *r = row("lang", n, {{"a", big.c_str()}});
    mdlhost_clearTextWindow();
    startLog();
    EXPECT_EQ(SettInnRad("lang", r, n, 1), DB_FEIL);
    EXPECT_NE(std::string(mdlhost_textWindow()).find("ERROR!!! For lang 'SQL-insert' kommando:"), std::string::npos);
    r[0].verdi.lang = 1;
    r[0].harVerdi = 1;
    EXPECT_EQ(OppdaterRad("lang", r, n), DB_FEIL);
    long m = 0;
    EXPECT_EQ(FinnMslinkForVerdier(&m, "lang", r, n), 0);
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
    // fri by SQL, bygningstype from the cache: values and NULLs alike.
    struct {
        const char *table;
        long mslink;
        int column;
        const char *text; // null: no value
    } cases[] = {{"fri", 3, 1, "tekst"}, {"fri", 3, 2, nullptr}, {"fri", 3, 3, "7"},
                 {"bygningstype", 2, 1, "3"}, {"bygningstype", 2, 2, "Enebolig"}, {"bygningstype", 1, 1, nullptr}};
    for (auto &c : cases) {
        DbKolonne *r = nullptr;
        int n = 0;
        ASSERT_EQ(LesRadForMslink(&r, &n, c.table, c.mslink), 0) << c.table;
        EXPECT_EQ(r[0].verdi.lang, c.mslink);
        EXPECT_EQ(r[0].harVerdi, 1);
        EXPECT_EQ(r[c.column].harVerdi, c.text ? 1 : 0) << c.table << " column " << c.column;
        char text[DB_VERDI_TEKST];
        VerdiTilTekst(text, r[c.column].harVerdi ? &r[c.column].verdi : nullptr, r[c.column].type);
        EXPECT_STREQ(text, c.text ? c.text : "") << c.table << " column " << c.column;
        FrigiRad(r, n);
        EXPECT_EQ(LesRadForMslink(&r, &n, c.table, 99), DB_FEIL);
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

// Tables whose mslink is not a long, cached (catalogued) and not.
TEST_P(DbTilgang, RowsWhoseMslinkIsNotALongAreRefused)
{
    const char *tables[] = {"dbuf", "dfri", "tbuf", "tfri"};
    for (const char *t : tables) {
        std::string type = t[0] == 'd' ? "double precision" : "varchar(10)";
        run({std::string("create table ") + t + " (mslink " + type + ", navn varchar(40))",
             std::string("insert into ") + t + " values (5, 'finnes')"});
    }
    run({"insert into ugtable_cat (tablename, entitynum) values ('dbuf', 20)",
         "insert into ugtable_cat (tablename, entitynum) values ('tbuf', 21)"});
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    LesGGDatabase();
    ASSERT_NE(FinnBufretTabell("dbuf"), nullptr);
    ASSERT_EQ(FinnBufretTabell("dfri"), nullptr);
    MSElement el{};
    DPoint3d pts[2] = {{0, 0, 0}, {1, 1, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, pts), 0);
    struct Op {
        const char *name, *navn;
        bool mslinkSet;
        std::function<long(const char *, DbKolonne *, int)> call;
        long refused;
    } ops[] = {
        {"insert", "ny", false, [](const char *t, DbKolonne *r, int n) { return long(SettInnRad(t, r, n, 1)); }, DB_FEIL},
        {"insert as update", "endret", true,
         [](const char *t, DbKolonne *r, int n) { return long(SettInnRad(t, r, n, 0)); }, DB_FEIL},
        {"update", "endret", true, [](const char *t, DbKolonne *r, int n) { return long(OppdaterRad(t, r, n)); },
         DB_FEIL},
        {"store and link", "ny", false,
         [&el](const char *t, DbKolonne *r, int n) { return long(LagreRadOgLink(&el, t, r, n, 0)); }, DB_FEIL},
        {"store and link again", "finnes", false,
         [&el](const char *t, DbKolonne *r, int n) { return long(LagreRadOgLink(&el, t, r, n, 1)); }, DB_FEIL},
        {"find", "finnes", false,
         [](const char *t, DbKolonne *r, int n) {
             long m = 0;
             return long(FinnMslinkForVerdier(&m, t, r, n));
         },
         0},
        {"find or insert", "ny", false, [](const char *t, DbKolonne *r, int n) { return FinnEllerSettInnRad(r, n, t); },
         0},
    };
    for (const char *t : tables)
        for (auto &op : ops) {
            int n = 0;
            DbKolonne *r = op.mslinkSet ? row(t, n, {{"mslink", "5"}, {"navn", op.navn}}) : row(t, n, {{"navn", op.navn}});
            ASSERT_NE(r, nullptr);
            ASSERT_NE(r[0].type, DB_LANG) << t;
            mdlhost_clearTextWindow();
            EXPECT_EQ(op.call(t, r, n), op.refused) << t << ": " << op.name;
            std::string said = mdlhost_textWindow();
            EXPECT_NE(said.find(std::string("Tabellen ") + t + ":"), std::string::npos) << t << ": " << op.name << said;
            FrigiRad(r, n);
            EXPECT_EQ(count(t), 1) << t << ": " << op.name;
            EXPECT_EQ(query(std::string("select navn from ") + t), "finnes") << t << ": " << op.name;
        }
    // Nothing was linked to the element.
    DatabaseLink *links = nullptr;
    int linked = 0;
    int rc = mdlDB_extractLinkages(&links, &linked, &el);
    EXPECT_TRUE(rc != 0 || linked == 0) << linked;
    dlmSystem_mdlFree(links);
}

// Catalogued tables that cannot be read whole are left out of the cache,
// each named once, and served by SQL.
TEST_P(DbTilgang, TablesThatCannotBeReadAreServedBySql)
{
    if (GetParam() == std::string("postgresql")) {
        // A value that fails when it is computed, in row 2 only.
        run({"create table ulest_rader (mslink integer, navn varchar(40))",
             "insert into ulest_rader values (1, 'R\xE5" "dhus')", "insert into ulest_rader values (2, 'Kr 5')",
             "create view ulest as select mslink, navn, case when mslink = 2 then "
             "(1 / (mslink - 2))::text else 'a' end as x from ulest_rader"});
    } else {
        // A value that fails when it is computed, in row 2 only.
        run({"create table ulest_rader (mslink integer, navn varchar(40))",
             "insert into ulest_rader values (1, 'R\xE5" "dhus')", "insert into ulest_rader values (2, 'Kr 5')",
             "create view ulest as select mslink, navn, case when mslink = 2 then "
             "abs(-9223372036854775808) else 'a' end as x from ulest_rader"});
    }
    char out[MDLDB_VALUE_SIZE];
    ASSERT_NE(mdlDB_sqlQuery(out, "select x from ulest where mslink = 2"), 0);
    run({"insert into ugtable_cat (tablename, entitynum) values ('ulest', 20)",
         "insert into ugtable_cat (tablename, entitynum) values ('mangler', 21)",
         "insert into ugtable_cat (tablename, entitynum) values ('v\xE6g', 22)"});
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    mdlhost_clearTextWindow();
    LesGGDatabase();
    std::string said = mdlhost_textWindow();
    for (const char *t : {"ulest", "mangler", "v\xE6g"}) {
        EXPECT_EQ(FinnBufretTabell(t), nullptr) << t;
        std::string line = std::string("Tabellen ") + t + " ";
        size_t at = said.find(line);
        EXPECT_NE(at, std::string::npos) << t << ": " << said;
        EXPECT_EQ(said.find(line, at + 1), std::string::npos) << t << ": " << said;
    }
    EXPECT_NE(FinnBufretTabell("bygg"), nullptr);
    int n = 0;
    DbKolonne *r = row("ulest", n, {{"navn", "R\xE5" "dhus"}});
    ASSERT_EQ(n, 3);
    r[2].type = 3; // x is not asked for
    EXPECT_EQ(FinnEllerSettInnRad(r, n, "ulest"), 1);
    FrigiRad(r, n);
    EXPECT_EQ(count("ulest"), 2);
}

// An insert that cannot start names the host's reason.
TEST_P(DbTilgang, InsertThatCannotStartSaysWhy)
{
    int nb = 0, nf = 0;
    DbKolonne *bygg = row("bygg", nb, {{"navn", "x"}}), *fri = row("fri", nf, {{"a", "x"}});
    // The server gone: every statement fails.
    mdlhost_dbClose();
    for (auto [table, r, n] : {std::tuple{"bygg", bygg, nb}, std::tuple{"fri", fri, nf}}) {
        mdlhost_clearTextWindow();
        EXPECT_EQ(SettInnRad(table, r, n, 1), DB_FEIL);
        std::string said = mdlhost_textWindow();
        EXPECT_FALSE(error().empty());
        EXPECT_NE(said.find(std::string("Kan ikke sette inn i ") + table + ": " + error()), std::string::npos)
            << said;
        FrigiRad(r, n);
    }
    ASSERT_EQ(mdlhost_dbOpen(db_.name().c_str()), 0);
}

// Texts wider than their column are cut to it, the same on both back ends;
// the row is found again as stored.
TEST_P(DbTilgang, WideTextsAreCutToTheirColumn)
{
    struct {
        const char *table, *column;
        size_t width;
    } cases[] = {{"hode", "eier", 64}, {"fri", "b", 20}};
    std::string wide(70, 'e');
    wide[0] = 'E';
    for (auto &c : cases) {
        int n = 0;
        DbKolonne *r = row(c.table, n, {{c.column, wide.c_str()}});
        mdlhost_clearTextWindow();
        long m = FinnEllerSettInnRad(r, n, c.table);
        EXPECT_GT(m, 0) << c.table << ": " << error();
        std::string said = mdlhost_textWindow();
        EXPECT_NE(said.find(std::string("kolonne ") + c.column + ": teksten er kuttet til " + std::to_string(c.width)),
                  std::string::npos)
            << said;
        FrigiRad(r, n);
        EXPECT_EQ(query(std::string("select ") + c.column + " from " + c.table), wide.substr(0, c.width));
        // Asked again with the whole text: the stored row, no second one.
        r = row(c.table, n, {{c.column, wide.c_str()}});
        EXPECT_EQ(FinnEllerSettInnRad(r, n, c.table), m) << c.table;
        // An update is cut as well.
        r[0].verdi.lang = static_cast<int32_t>(m);
        r[0].harVerdi = 1;
        std::string other(80, 'o');
        for (int k = 1; k < n; ++k)
            if (std::string(r[k].navn) == c.column)
                SettKolonneVerdi(&r[k], other.c_str());
        EXPECT_EQ(OppdaterRad(c.table, r, n), 0) << c.table << ": " << error();
        FrigiRad(r, n);
        EXPECT_EQ(query(std::string("select ") + c.column + " from " + c.table), other.substr(0, c.width));
        EXPECT_EQ(count(c.table), 1);
    }
}

// A cached table asks for its largest mslink once; a failed insert does
// not use up a number.
TEST_P(DbTilgang, CachedTableKeepsItsLargestMslink)
{
    run({"insert into bygg (mslink, navn) values (40, 'fra andre')"});
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    LesGGDatabase();
    startLog();
    std::vector<long> got;
    for (const char *navn : {"a", "b", "c"}) {
        int n = 0;
        DbKolonne *r = row("bygg", n, {{"navn", navn}});
        ASSERT_EQ(SettInnRad("bygg", r, n, 1), 0) << error();
        got.push_back(r[0].verdi.lang);
        FrigiRad(r, n);
    }
    EXPECT_EQ(got, (std::vector<long>{41, 42, 43}));
    int asked = 0;
    for (auto &s : logged())
        asked += s.find("max(mslink)") != std::string::npos;
    EXPECT_EQ(asked, 1);
    int n = 0;
    DbKolonne *r = row("bygg", n, {{"navn", "feil"}});
    std::strcpy(r[2].navn, "nosuch");
    EXPECT_EQ(SettInnRad("bygg", r, n, 1), DB_FEIL);
    FrigiRad(r, n);
    r = row("bygg", n, {{"navn", "d"}});
    ASSERT_EQ(SettInnRad("bygg", r, n, 1), 0);
    EXPECT_EQ(r[0].verdi.lang, 44);
    FrigiRad(r, n);
    long m = 0;
    r = row("bygg", n, {{"navn", "d"}});
    EXPECT_EQ(FinnMslinkForVerdier(&m, "bygg", r, n), 1);
    EXPECT_EQ(m, 44);
    FrigiRad(r, n);
}

// Join catalogue names that do not fit are refused, never cut.
TEST_P(DbTilgang, LongJoinNamesAreRefused)
{
    std::string fits(35, 'n'), over(36, 'n');
    run({"insert into ugjoin_cat (table0, index0, table1, index1, value1) values ('BYGG', 'KORTID', "
         "'bygningstype', 'id', '" + fits + "')",
         "insert into ugjoin_cat (table0, index0, table1, index1, value1) values ('BYGG', 'LANGID', "
         "'bygningstype', 'id', '" + over + "')",
         "insert into ugjoin_cat (table0, index0, table1, index1, value1) values ('BYGG', 'TABELLID', "
         "'" + over + "', 'id', 'navn')"});
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    struct {
        const char *column;
        int found;
    } cases[] = {{"kortid", 1}, {"langid", 0}, {"tabellid", 0}};
    for (auto &c : cases) {
        char t1[DB_MAKS_TABELLNAVN + 1], i1[DB_MAKS_TABELLNAVN + 1], v1[DB_MAKS_TABELLNAVN + 1];
        EXPECT_EQ(FinnJoinDefinisjon("bygg", c.column, t1, i1, v1), c.found) << c.column;
        EXPECT_EQ(std::string(v1), c.found ? fits : "") << c.column;
    }
}

// A key declared numeric(10,0), as in projects moved from other systems,
// is a long mslink: rows go in with the next number, on both roads.
TEST_P(DbTilgang, NumericKeysWithoutDecimalsAreMslinks)
{
    run({"create table tall (mslink numeric(10,0), navn varchar(40))", "insert into tall values (5, 'finnes')",
         "create table tall_fri (mslink numeric(10,0), navn varchar(40))",
         "insert into tall_fri values (5, 'finnes')",
         "insert into ugtable_cat (tablename, entitynum) values ('tall', 20)"});
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    LesGGDatabase();
    ASSERT_NE(FinnBufretTabell("tall"), nullptr);
    for (const char *t : {"tall", "tall_fri"}) {
        int n = 0;
        DbKolonne *r = row(t, n, {{"navn", "ny"}});
        ASSERT_EQ(r[0].type, DB_LANG) << t;
        EXPECT_EQ(SettInnRad(t, r, n, 1), 0) << t;
        EXPECT_EQ(r[0].verdi.lang, 6) << t;
        FrigiRad(r, n);
        EXPECT_EQ(query(std::string("select navn from ") + t + " where mslink = 6"), "ny") << t;
    }
}

// A text another client stored with a character outside ISO 8859-1 reads
// with '?': its table is read row by row, and an update of another column
// leaves the stored text as it is.
TEST_P(DbTilgang, SubstitutedTextsAreNeverWrittenBack)
{
    const char *tegn = GetParam() == std::string("postgresql") ? "chr(8364)" : "char(8364)";
    run({"create table merket (mslink integer, navn varchar(40), kode integer)",
         std::string("insert into merket values (1, 'Kr 5 ' || ") + tegn + ", 1)",
         "insert into ugtable_cat (tablename, entitynum) values ('merket', 20)"});
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    mdlhost_clearTextWindow();
    LesGGDatabase();
    EXPECT_EQ(FinnBufretTabell("merket"), nullptr);
    EXPECT_NE(std::string(mdlhost_textWindow()).find("Tabellen merket "), std::string::npos) << mdlhost_textWindow();

    DbKolonne *r = nullptr;
    int n = 0;
    ASSERT_EQ(LesRadForMslink(&r, &n, "merket", 1), 0);
    ASSERT_EQ(n, 3);
    EXPECT_STREQ(r[1].verdi.tekst, "Kr 5 ?");
    EXPECT_EQ(r[1].erstattet, 1);
    EXPECT_EQ(r[2].erstattet, 0);
    SettKolonneVerdi(&r[2], "2");
    mdlhost_clearTextWindow();
    EXPECT_EQ(OppdaterRad("merket", r, n), 0);
    EXPECT_NE(std::string(mdlhost_textWindow()).find("kolonne navn"), std::string::npos) << mdlhost_textWindow();
    FrigiRad(r, n);
    EXPECT_EQ(query(std::string("select count(*) from merket where kode = 2 and navn = 'Kr 5 ' || ") + tegn), "1");

    // A value the caller sets is written.
    ASSERT_EQ(LesRadForMslink(&r, &n, "merket", 1), 0);
    SettKolonneVerdi(&r[1], "Kr 5 euro");
    EXPECT_EQ(OppdaterRad("merket", r, n), 0);
    FrigiRad(r, n);
    EXPECT_EQ(query("select navn from merket where mslink = 1"), "Kr 5 euro");
}

// An update that matches no row fails, on both roads, and no element is
// linked to a row that is not there.
TEST_P(DbTilgang, UpdatesOfMissingRowsFail)
{
    for (const char *table : {"bygg", "fri"}) {
        SCOPED_TRACE(table);
        int n = 0;
        DbKolonne *r = row(table, n, {{"mslink", "7"}});
        ASSERT_GT(n, 1);
        SettKolonneVerdi(&r[1], "x");
        mdlhost_clearTextWindow();
        EXPECT_EQ(OppdaterRad(table, r, n), DB_FEIL);
        EXPECT_NE(std::string(mdlhost_textWindow()).find("mslink 7"), std::string::npos) << mdlhost_textWindow();
        EXPECT_EQ(SettInnRad(table, r, n, 0), DB_FEIL);

        MSElement el{};
        DPoint3d pts[2] = {{0, 0, 0}, {1, 1, 0}};
        ASSERT_EQ(mdlLine_create(&el, nullptr, pts), 0);
        EXPECT_EQ(LagreRadOgLink(&el, table, r, n, 0), DB_FEIL);
        DatabaseLink *links = nullptr;
        int links_n = 0;
        mdlDB_extractLinkages(&links, &links_n, &el);
        EXPECT_EQ(links_n, 0);
        dlmSystem_mdlFree(links);
        FrigiRad(r, n);
        EXPECT_EQ(count(table), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, DbTilgang, ::testing::ValuesIn(dbtesting::kBackends));

} // namespace
