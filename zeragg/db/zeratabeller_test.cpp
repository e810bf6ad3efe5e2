#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "zeraggdb_testing.h"

namespace {

using ggtesting::GGTest;

class ZeraTabeller : public GGTest {
  protected:
    void prepare() override
    {
        // Wider columns than the project's own, as a project made by other
        // tools may have (SQLite does not hold to the widths anyway).
        if (GetParam() == std::string("postgresql"))
            run({"alter table zera_gg alter column zera_navn type varchar(64)",
                 "alter table zera_temakode_konv alter column fra_kode type varchar(20)",
                 "alter table feature alter column fcode type varchar(20)"});
        // The map of these cases only, without the template's rows.
        run({"delete from zera_gg", "insert into zera_hoyde_temakoder values ('2001L', '3001L')",
             "insert into zera_hoyde_temakoder values ('2001L', '3002L')",
             "insert into zera_gg values ('k3', 'KVALITET', 3, 0, 'tre')",
             "insert into zera_gg values ('K1', 'KVALITET', 1, 1, 'en')",
             "insert into zera_gg values ('k2', 'kvalitet', 2, 0, NULL)",
             "insert into zera_gg values ('hode.kartid', 'KARTID', 1, 0, NULL)",
             // Too long for its field: left out, never cut into another.
             "insert into zera_gg values ('k4', 'ET_NAVN_SOM_ER_ALTFOR_LANGT_FOR_FELTET', 1, 0, NULL)",
             "insert into zera_temakode_konv values ('1001', '1002')",
             "insert into zera_temakode_konv values ('1234567890', '2')",
             "insert into zera_import values ('D:\\DATA\\Fil.ZER', 4, 1, 'Veg,Bygg')",
             "insert into feature (mslink, fcode, objtype) values (1, '2001L', 'Vegkant')",
             "insert into feature (mslink, fcode, objtype) values (2, 'UDEFP', NULL)",
             "insert into feature (mslink, fcode, objtype) values (3, '3001L', 'Kantlinje')",
             "insert into ugcategory (category, dgnfex) values (2, 'ortho')",
             "insert into category (mslink, cname) values (2, 'Foto')"});
        if (GetParam() == std::string("postgresql"))
            run({"alter table maps alter column mapname type varchar(20)"});
        else
            run({"drop table maps", "create table maps (mslink integer, category integer, mapname varchar(20))"});
    }
};

TEST_P(ZeraTabeller, HeightThemesMarkRepeats)
{
    ASSERT_EQ(zeraGGData->antallHoydeTemaer, 2);
    EXPECT_STREQ(zeraGGData->hoydeAvrundingTemaer[0], "2001L");
    EXPECT_EQ(zeraGGData->hoydeAvrundingTemaer[1], nullptr);
    EXPECT_STREQ(zeraGGData->multHoydeTemaer[0], "3001L");
    EXPECT_STREQ(zeraGGData->multHoydeTemaer[1], "3002L");
    EXPECT_EQ(FinnesIListe(zeraGGData->multHoydeTemaer, 2, "3002L"), 1);
    EXPECT_EQ(FinnesIListe(zeraGGData->multHoydeTemaer, 1, "3002L"), 0);
}

TEST_P(ZeraTabeller, OneColumnHeightTableLeavesTheSecondListEmpty)
{
    run({"drop table zera_hoyde_temakoder", "create table zera_hoyde_temakoder (tema varchar(11))",
         "insert into zera_hoyde_temakoder values ('2001L')"});
    LesGGDatabase();
    ASSERT_EQ(zeraGGData->antallHoydeTemaer, 1);
    EXPECT_STREQ(zeraGGData->hoydeAvrundingTemaer[0], "2001L");
    EXPECT_EQ(zeraGGData->multHoydeTemaer[0], nullptr);
}

TEST_P(ZeraTabeller, ZeraGGSortedAndLowerCased)
{
    ASSERT_EQ(zeraGGData->antallZeraGGRader, 4);
    const ZeraGGRad *r = zeraGGData->zeraGGRader;
    EXPECT_STREQ(r[0].zeraNavn, "kartid");
    EXPECT_STREQ(r[0].kolonne, "hode.kartid");
    for (int i = 1; i <= 3; ++i) {
        EXPECT_STREQ(r[i].zeraNavn, "kvalitet");
        EXPECT_EQ(r[i].posisjon, i);
    }
    EXPECT_STREQ(r[1].kolonne, "k1");
    EXPECT_EQ(r[1].aapenListe, 1);
    EXPECT_STREQ(r[1].tekst, "en");
}

TEST_P(ZeraTabeller, ThemeConversionImportRegisterAndObjectTypes)
{
    ASSERT_EQ(zeraGGData->antallTemakodeKonv, 2);
    EXPECT_STREQ(zeraGGData->temakodeKonv[1].fraKode, "1234567890");
    ASSERT_EQ(zeraGGData->antallZeraImportRader, 1);
    EXPECT_STREQ(zeraGGData->zeraImportRader[0].filnavn, "d:\\data\\fil.zer");
    EXPECT_EQ(zeraGGData->zeraImportRader[0].hodeid, 4);
    EXPECT_STREQ(zeraGGData->zeraImportRader[0].kategori_navn, "Veg,Bygg");
    // A feature without an object type does not hide the ones after it.
    ASSERT_EQ(zeraGGData->antallObjTypeRader, 2);
    EXPECT_STREQ(zeraGGData->objTypeRader[1].fcode, "3001L");
    EXPECT_STREQ(zeraGGData->objTypeRader[1].objtype, "Kantlinje");
    EXPECT_EQ(zeraGGData->kategoriValgt[1], 1);
    EXPECT_EQ(zeraGGData->antallHodeKolonner, 35);
    EXPECT_STREQ(zeraGGData->genAttrKolonner[0].navn, "mslink");
    EXPECT_EQ(zeraGGBrukerGrensesnittData->hodeValg, 1);
}

TEST_P(ZeraTabeller, OverlongCodesAreLeftOut)
{
    run({"insert into zera_temakode_konv values ('12345678901', '3')",
         "insert into feature (mslink, fcode, objtype) values (4, '1234567890123', 'Lang')"});
    LesGGDatabase();
    EXPECT_EQ(zeraGGData->antallTemakodeKonv, 2);
    for (int i = 0; i < zeraGGData->antallTemakodeKonv; ++i)
        EXPECT_STRNE(zeraGGData->temakodeKonv[i].tilKode, "3");
    EXPECT_EQ(zeraGGData->antallObjTypeRader, 2);
}

TEST_P(ZeraTabeller, MapNameLimit)
{
    // Extensions dgn and ortho, mapname of 20: 20 - 5 - 1.
    EXPECT_EQ(zeraGGData->maksKartnavn, 14);
    run({"drop table maps", "create table maps (mslink integer, category integer, kart varchar(20))"});
    FinnMaksKartnavn();
    EXPECT_EQ(zeraGGData->maksKartnavn, 8);
    run({"drop table maps", "create table maps (mslink integer, category integer, mapname varchar(5))"});
    FinnMaksKartnavn();
    EXPECT_GT(zeraGGData->maksKartnavn, 0);
}

TEST_P(ZeraTabeller, SystemFunctionsActOnEverySecondCall)
{
    run({"insert into zera_gg values ('k9', 'NY', 1, 0, NULL)"});
    GGSystemFunksjon2();
    EXPECT_EQ(zeraGGData->antallZeraGGRader, 4);
    GGSystemFunksjon1();
    EXPECT_EQ(zeraGGData->antallZeraGGRader, 5);
    GGSystemFunksjon2();
    EXPECT_EQ(zeraGGData->antallZeraGGRader, 5);
    // A reopened project reaches the module through the two functions.
    run({"insert into zera_gg values ('k8', 'NY2', 1, 0, NULL)"});
    GGSystemFunksjon1();
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    EXPECT_EQ(zeraGGData->antallZeraGGRader, 6);
}

TEST_P(ZeraTabeller, MissingTablesGiveEmptyLists)
{
    run({"drop table zera_gg", "drop table zera_hoyde_temakoder", "drop table zera_import",
         "drop table zera_temakode_konv", "drop table hode"});
    run({"alter table feature drop column objtype"});
    mdlhost_clearTextWindow();
    LesGGDatabase();
    EXPECT_EQ(zeraGGData->antallZeraGGRader, 0);
    EXPECT_EQ(zeraGGData->zeraGGRader, nullptr);
    EXPECT_EQ(zeraGGData->antallHoydeTemaer, 0);
    EXPECT_EQ(zeraGGData->antallZeraImportRader, 0);
    EXPECT_EQ(zeraGGData->antallTemakodeKonv, 0);
    EXPECT_EQ(zeraGGData->antallObjTypeRader, 0);
    EXPECT_EQ(zeraGGData->antallHodeKolonner, 0);
    // Nothing is reported (the test runs outside an application, which
    // zvlib's application name says on its own).
    EXPECT_EQ(std::string(mdlhost_textWindow()).find("Error in command"), std::string::npos);
    EXPECT_EQ(std::string(mdlhost_textWindow()).find("ERROR"), std::string::npos);
}

// A database that stops answering leaves the tables as they were loaded.
TEST_P(ZeraTabeller, ReloadThatFailsKeepsTheTables)
{
    ASSERT_EQ(zeraGGData->antallZeraGGRader, 4);
    int cached = zeraGGData->antallBufredeTabeller, head = zeraGGData->antallHodeKolonner;
    ASSERT_GT(cached, 0);
    ASSERT_GT(head, 0);
    mdlhost_dbClose();
    mdlhost_clearTextWindow();
    LesGGDatabase();
    std::string said = mdlhost_textWindow();
    EXPECT_NE(said.find("tabellene fra forrige innlesing beholdes"), std::string::npos) << said;
    EXPECT_EQ(zeraGGData->antallZeraGGRader, 4);
    EXPECT_EQ(zeraGGData->antallBufredeTabeller, cached);
    EXPECT_EQ(zeraGGData->antallHodeKolonner, head);
    EXPECT_EQ(zeraGGData->antallHoydeTemaer, 2);
    EXPECT_NE(FinnBufretTabell("hode"), nullptr);
    ASSERT_EQ(mdlhost_dbOpen(db_.name().c_str()), 0);
    run({"delete from zera_gg"});
    LesGGDatabase();
    EXPECT_EQ(zeraGGData->antallZeraGGRader, 0);
}

TEST_P(ZeraTabeller, ProjectWithoutCategoriesLoadsNothing)
{
    run({"delete from category"});
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    LesGGDatabase();
    EXPECT_EQ(zeraGGData->antallZeraGGRader, 0);
    EXPECT_STREQ(zeraGGBrukerGrensesnittData->prosjektTekst, "");
}

INSTANTIATE_TEST_SUITE_P(Backends, ZeraTabeller, ::testing::ValuesIn(dbtesting::kBackends));

class NyeZeraTabeller : public GGTest {
  protected:
    // A ZERA line into the row as the import places it: each value by the
    // ZERA_GG row of its name and position, else the column named by the
    // name (lower case, "-" to "_").  False when a value finds no column.
    static bool toRow(const std::string &line, DbKolonne *r, int n)
    {
        size_t blank = line.find(' ');
        std::string name = line.substr(0, blank), rest = line.substr(blank + 1);
        TilSmaaBokstaver(name.data());
        char sep = rest.find('"') != std::string::npos ? '"' : ' ';
        std::vector<std::string> values;
        std::stringstream in(rest);
        for (std::string v; std::getline(in, v, sep);)
            if (!v.empty())
                values.push_back(v);
        for (size_t p = 1; p <= values.size(); ++p) {
            std::string column = name;
            BindestrekTilUnderstrek(column.data());
            for (int i = 0; i < zeraGGData->antallZeraGGRader; ++i) {
                const ZeraGGRad &g = zeraGGData->zeraGGRader[i];
                if (name == g.zeraNavn && (g.posisjon == 0 || g.posisjon == static_cast<int>(p)))
                    column = g.kolonne;
            }
            int k = 0;
            while (k < n && column != r[k].navn)
                ++k;
            if (k == n)
                return false;
            SettKolonneVerdi(&r[k], values[p - 1].c_str());
        }
        return true;
    }
};

TEST_P(NyeZeraTabeller, EnteredAfterTheCatalogueOnceOnly)
{
    // The fixture made them after the host's catalogue; again changes nothing.
    ASSERT_EQ(LagZeraTabeller(), 0);
    EXPECT_EQ(query("select count(*) from ugtable_cat"), "4");
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    const GeoControlBlock *b = mdlhost_gisControlBlock();
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->entityCount, 4);
    const char *tabeller[] = {"FEATURE", "MAPS", "HODE", "GENATTR"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(b->entityTables[i], tabeller[i]);
        EXPECT_EQ(b->entityNumbers[i], i + 1) << tabeller[i];
    }
    LesGGDatabase();
    EXPECT_EQ(zeraGGData->antallHodeKolonner, 35);
    EXPECT_EQ(zeraGGData->antallGenAttrKolonner, 18);
    // mslink is their key.
    for (const char *t : {"hode", "genattr"}) {
        run({std::string("insert into ") + t + " (mslink) values (1)"});
        EXPECT_NE(mdlDB_processSQL((std::string("insert into ") + t + " (mslink) values (1)").c_str()), 0) << t;
    }
}

// Every head line and general attribute the import stores finds a column
// of the template and comes back under its ZERA name.
TEST_P(NyeZeraTabeller, HeadAndGeneralLinesComeBackAsTheyWent)
{
    const std::vector<std::string> head = {
        "KOORDSYS 22",
        "TRANSSYS 23 0.000000 1.000000 2.500000 0.000000 -3.000000 0.000000",
        "GEOSYS 1 2 33",
        "GEOKOORD 2",
        "ORIGO-N\xD8 0 300000",
        "ENHET 0.010000",
        "ENHET-H 0.001000",
        "VERT-DATUM NNX NNY",
        "MIN-N\xD8 6600000 250000",
        "MAX-N\xD8 6700000 350000",
        "KARTID Testkart-1",
        "PRODUSENT \"Kart og Data AS\"",
        "EIER \"Testkommunen Vest\"",
        "TEGNSETT ISO8859-1",
        "ZERA-VERSJON 4.5",
        "ZERA-NIV\xC5 4",
        "FKB-DATA FKBX1 FKBX2 FKBX3",
    };
    const std::vector<std::string> general = {
        "H\xD8YDE 12.500000", "KVALITET 82 1 2", "ENHET 0.010000", "HOB 0.500000", "MEDIUM T", "KOMM 3",
        "HREF R", "STATUS A", "DIM 1.500000 2.000000", "DATO 20240115",
    };
    struct {
        const char *table;
        const std::vector<std::string> &lines;
        int headMode;
        std::vector<std::string> &back;
    } cases[] = {{"HODE", head, 1, ggtesting::hodeLinjer}, {"GENATTR", general, 0, ggtesting::genAttrLinjer}};
    for (auto &c : cases) {
        int n = 0;
        DbKolonne *r = nullptr;
        ASSERT_EQ(HentKolonneListe(&r, &n, c.table), 0);
        for (auto &line : c.lines)
            EXPECT_TRUE(toRow(line, r, n)) << line;
        long m = FinnEllerSettInnRad(r, n, c.table);
        FrigiRad(r, n);
        ASSERT_GT(m, 0) << c.table << ": " << error();
        // From the database, not the cache that the insert filled.
        LesGGDatabase();
        c.back.clear();
        ASSERT_EQ(SkrivDbEgenskaper(c.table, m, c.headMode), 0);
        auto want = c.lines, got = c.back;
        std::sort(want.begin(), want.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, want) << c.table;
    }
}

TEST_P(NyeZeraTabeller, ATableOrNumberTheCatalogueHasIsLeft)
{
    run({"delete from ugtable_cat where entitynum > 2",
         "insert into ugtable_cat (tablename, entitynum) values ('vegdata', 3)",
         "insert into ugtable_cat (tablename, entitynum) values ('GENATTR', 9)"});
    ASSERT_EQ(LagZeraTabeller(), 0);
    EXPECT_EQ(query("select count(*) from ugtable_cat"), "4");
    EXPECT_EQ(query("select count(*) from ugtable_cat where tablename = 'hode'"), "0");
    EXPECT_EQ(query("select entitynum from ugtable_cat where lower(tablename) = 'genattr'"), "9");
}

INSTANTIATE_TEST_SUITE_P(Backends, NyeZeraTabeller, ::testing::ValuesIn(dbtesting::kBackends));

TEST(ZeraTabellerUtenProsjekt, ConnectFailsWithTheAlert)
{
    mdlSystem_defineCfgVar("MDLHOST_GISPROJECT", nullptr);
    EXPECT_EQ(KobleTilGeoGraphics(), DB_FEIL);
    EXPECT_EQ(zeraGGData, nullptr);
}

} // namespace
