#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db_testing.h"
#include "app/mdlcmd.h"
#include "dgn/mdlelem.h"
#include "gis/mdlgis.h"
#include "sys/mdlsys.h"

namespace {

class GisTest : public ::testing::TestWithParam<const char *> {
  protected:
    void SetUp() override
    {
        DBTEST_OPEN(db_, GetParam());
        ASSERT_EQ(mdlhost_gisCreateProject(db_.name().c_str()), 0);
        for (const char *sql : {
                 // Two tables of the user's own, entities 3 and 4.
                 "create table notat (mslink integer, tekst varchar(64))",
                 "create table vegdata (mslink integer, bredde double precision)",
                 "insert into ugtable_cat (tablename, entitynum) values ('notat', 3)",
                 "insert into ugtable_cat (tablename, entitynum) values ('vegdata', 4)",
                 "insert into category (mslink, cname, indexname) values (2, 'Bygg', 'index.dgn')",
                 "insert into category (mslink, cname, indexname) values (1, 'Veg', 'veg.dgn')",
                 "insert into ugcategory (category, dgnfex) values (1, 'dgn')",
                 "insert into ugcategory (category, dgnfex) values (2, 'ortho')",
                 "insert into feature (mslink, fcode, fname, category, tablename, fcolor, fweight, fstyle, newdup) "
                 "values (10, '2001L', 'Vegkant', 1, 'vegdata', 3, 2, 1, 1)",
                 "insert into feature (mslink, fcode, fname, category, tablename, newdup) "
                 "values (11, 'UDEFP', 'Udefinert', 0, NULL, 0)",
                 "insert into maps (mslink, category, mapname) values (1, 1, 'veg.dgn')",
                 "insert into maps (mslink, category, mapname) values (3, 2, 'bygg.dgn')",
                 "insert into ugmap (mapid, mdir) values (3, 'D:\\kart\\')",
                 "insert into ugjoin_cat (table0, index0, table1, index1, value1) "
                 "values ('bygning', 'bygningstypeid', 'bygningstype', 'id', 'navn')",
             })
            ASSERT_EQ(mdlDB_processSQL(sql), 0) << sql;
        ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    }
    void TearDown() override { mdlMapProject_close(); }
    static std::u16string w(const char16_t *s) { return s ? s : u"(null)"; }
    dbtesting::TestDatabase db_;
};

TEST_P(GisTest, ReadersServeTheCatalogue)
{
    GeoProject *p = geoProject_getActive();
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(geoProject_getCategoryCount(p), 2);
    // Categories in mslink order.
    EXPECT_EQ(w(geoCategory_getName(geoProject_getCategory(p, 0))), u"Veg");
    EXPECT_EQ(w(geoCategory_getFileExtension(geoProject_getCategory(p, 1))), u"ortho");
    EXPECT_EQ(w(geoCategory_getIndexFileName(geoProject_getCategory(p, 1))), u"index.dgn");
    EXPECT_EQ(geoCategory_getMslink(geoProject_getCategory(p, 1)), 2);
    EXPECT_EQ(geoProject_getCategory(p, 2), nullptr);

    ASSERT_EQ(geoProject_getFeatureCount(p), 2);
    GeoFeature *f = geoProject_getFeature(p, 0);
    EXPECT_EQ(w(geoFeature_getCode(f)), u"2001L");
    EXPECT_EQ(geoFeature_getCategoryIndex(f), 0);
    EXPECT_EQ(geoFeature_getColorForElement(f), 3);
    EXPECT_EQ(geoFeature_getLinkageMode(f), 2);
    EXPECT_EQ(geoFeature_getDBEntityNumber(f), 4);
    // A template of category 0: no category, no table, no sharing.
    GeoFeature *u = geoProject_getFeature(p, 1);
    EXPECT_EQ(geoFeature_getCategoryIndex(u), -1);
    EXPECT_EQ(geoFeature_getCategory(u), nullptr);
    EXPECT_EQ(geoFeature_getDBEntityNumber(u), 0);
    EXPECT_EQ(geoFeature_getLinkageMode(u), 1);
    int index = -1;
    EXPECT_EQ(mdlMapFeature_indexFromCode(u"UDEFP", &index), 0);
    EXPECT_EQ(index, 1);
    EXPECT_NE(mdlMapFeature_indexFromCode(u"udefp", &index), 0);
    EXPECT_EQ(mdlMapFeature_indexFromMslink(10, &index), 0);
    EXPECT_EQ(index, 0);

    // Map index = mslink - 1, with a hole at index 1.
    ASSERT_EQ(geoProject_getMapCount(p), 3);
    EXPECT_EQ(w(geoMap_getName(geoProject_getMap(p, 0))), u"veg.dgn");
    EXPECT_EQ(geoProject_getMap(p, 1), nullptr);
    EXPECT_EQ(w(geoMap_getName(geoProject_getMap(p, 2))), u"bygg.dgn");
    EXPECT_EQ(mdlMap_indexFromMapName(u"d:\\KART\\bygg.dgn", &index), 0);
    EXPECT_EQ(index, 2);

    const GeoControlBlock *b = mdlhost_gisControlBlock();
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->entityCount, 4);
    EXPECT_STREQ(b->entityTables[0], "FEATURE");
    ASSERT_EQ(b->joinCount, 1);
    EXPECT_EQ(std::u16string(b->joins[0].index0), u"BYGNINGSTYPEID");
    EXPECT_EQ(std::u16string(b->joins[0].value1), u"NAVN");
    EXPECT_EQ(geoProject_getFeatureEntity(p), 1);
}

TEST_P(GisTest, SnapshotUntilReopened)
{
    ASSERT_EQ(mdlDB_processSQL("insert into feature (mslink, fcode, category) values (12, '3001F', 2)"), 0);
    ASSERT_EQ(mdlDB_processSQL("insert into maps (mslink, category, mapname) values (4, 2, 'ny.dgn')"), 0);
    int index = -1;
    EXPECT_NE(mdlMapFeature_indexFromCode(u"3001F", &index), 0);
    EXPECT_EQ(geoProject_getMapCount(geoProject_getActive()), 3);
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    EXPECT_EQ(mdlMapFeature_indexFromCode(u"3001F", &index), 0);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(geoProject_getMapCount(geoProject_getActive()), 4);
}

int opened, closed;
void onOpen() { ++opened; }
void onClose() { ++closed; }

TEST_P(GisTest, SystemFunctionsAroundOpenAndClose)
{
    opened = closed = 0;
    ASSERT_EQ(mdlMapSystem_setFunction(1, onOpen), 0);
    ASSERT_EQ(mdlMapSystem_setFunction(2, onClose), 0);
    EXPECT_NE(mdlMapSystem_setFunction(3, onOpen), 0);
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(opened, 1);
    mdlMapSystem_setFunction(1, nullptr);
    mdlMapSystem_setFunction(2, nullptr);
    EXPECT_EQ(mdlMap_initializeApplication(), 1);
}

TEST_P(GisTest, FeatureLinksReadBackFromElements)
{
    MSElement el{};
    DPoint3d pts[2] = {{0, 0, 0}, {10, 0, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, pts), 0);
    ASSERT_EQ(mdlMap_attachElementFeature(&el, 0, 1, 0), 0);
    EXPECT_NE(mdlMap_attachElementFeature(&el, 9, 0, 0), 0);
    ASSERT_EQ(mdlDB_defineAEBySQLSelect("SELECT * FROM MAPS WHERE MSLINK = 3"), 0);
    ASSERT_EQ(mdlDB_attachActiveEntityElement(&el), 0);
    ASSERT_EQ(mdlMap_attachElementFeature(&el, 1, 0, 0), 0);
    uint32_t color = 0, weight = 0;
    mdlElement_getSymbology(&color, &weight, nullptr, &el);
    EXPECT_EQ(color, 3u);
    EXPECT_EQ(weight, 2u);

    long *mslinks = nullptr;
    int n = 0;
    ASSERT_EQ(mdlMap_allElementFeatures(&el, &mslinks, &n), 0);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(mslinks[0], 10);
    EXPECT_EQ(mslinks[1], 11);
    dlmSystem_mdlFree(mslinks);

    DatabaseLink *links = nullptr;
    ASSERT_EQ(mdlDB_extractLinkages(&links, &n, &el), 0);
    ASSERT_EQ(n, 3);
    EXPECT_STREQ(links[1].tableName, "MAPS");
    EXPECT_EQ(links[1].mslink, 3);
    EXPECT_EQ(links[1].linkageType, GEO_FEATURE_LINKAGE_TYPE);
    EXPECT_STREQ(links[2].tableName, "FEATURE");
    dlmSystem_mdlFree(links);
}

INSTANTIATE_TEST_SUITE_P(Backends, GisTest, ::testing::ValuesIn(dbtesting::kBackends));

TEST(Gis, NoProjectNoReaders)
{
    mdlSystem_defineCfgVar("MDLHOST_GISPROJECT", nullptr);
    EXPECT_EQ(mdlMap_initializeApplication(), 0);
    EXPECT_EQ(geoProject_getActive(), nullptr);
    EXPECT_EQ(geoProject_getCategoryCount(nullptr), 0);
    EXPECT_EQ(geoProject_getFeature(nullptr, 0), nullptr);
    int index = 0;
    EXPECT_NE(mdlMapFeature_indexFromCode(u"x", &index), 0);
    EXPECT_EQ(mdlhost_gisControlBlock(), nullptr);
}

} // namespace

namespace {

TEST(GisKeyin, CreateOpenAndClose)
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "giskeyin-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    std::string file = tmpl + "/ny prosjekt.db";
    EXPECT_EQ(mdlhost_keyin(("gis create " + file).c_str()), MDLHOST_KEYIN_OK);
    EXPECT_EQ(mdlhost_keyin(("gis open " + file).c_str()), MDLHOST_KEYIN_OK);
    ASSERT_NE(geoProject_getActive(), nullptr);
    EXPECT_EQ(geoProject_getCategoryCount(geoProject_getActive()), 0);
    // Only the catalogue's own entities.
    ASSERT_EQ(mdlhost_gisControlBlock()->entityCount, 2);
    EXPECT_STREQ(mdlhost_gisControlBlock()->entityTables[0], "FEATURE");
    EXPECT_STREQ(mdlhost_gisControlBlock()->entityTables[1], "MAPS");
    EXPECT_EQ(mdlhost_keyin("gis close"), MDLHOST_KEYIN_OK);
    EXPECT_EQ(geoProject_getActive(), nullptr);
    EXPECT_NE(mdlhost_keyin("gis open /nonexistent/dir/x.db"), MDLHOST_KEYIN_OK);
    EXPECT_NE(mdlhost_keyin("gis frobnicate"), MDLHOST_KEYIN_OK);
    std::error_code ec;
    std::filesystem::remove_all(tmpl, ec);
}

} // namespace

namespace {

class GisAttributes : public GisTest {};

TEST_P(GisAttributes, FeatureLinksInAttributeData)
{
    MSElement el{};
    DPoint3d pts[2] = {{0, 0, 0}, {10, 0, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, pts), 0);
    int n = 0;
    uint16_t words[256];
    ASSERT_EQ(mdlElement_extractAttributes(&n, words, 256, &el), 0);
    EXPECT_EQ(mdlMap_firstFeatureMslink(words, n), 0);
    ASSERT_EQ(mdlDB_defineAEBySQLSelect("SELECT * FROM MAPS WHERE MSLINK = 1"), 0);
    ASSERT_EQ(mdlDB_attachActiveEntityElement(&el), 0);
    ASSERT_EQ(mdlMap_attachElementFeature(&el, 1, 0, 0), 0);
    ASSERT_EQ(mdlMap_attachElementFeature(&el, 0, 0, 0), 0);
    ASSERT_EQ(mdlElement_extractAttributes(&n, words, 256, &el), 0);
    EXPECT_EQ(mdlMap_firstFeatureMslink(words, n), 11);
    long *mslinks = nullptr;
    int count = 0;
    ASSERT_EQ(mdlMap_allFeatureMslinks(words, n, &mslinks, &count), 0);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(mslinks[1], 10);
    dlmSystem_mdlFree(mslinks);
    DatabaseLink *links = nullptr;
    ASSERT_EQ(mdlMap_allDBMslinks(words, n, &links, &count), 0);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(links[0].entityNumber, 2);
    dlmSystem_mdlFree(links);
    ASSERT_EQ(mdlMap_removeFeature(words, &n), 0);
    EXPECT_EQ(n, MDLDB_LINK_WORDS);
    EXPECT_EQ(mdlMap_firstFeatureMslink(words, n), 0);
    // Words that do not end on a whole linkage.
    EXPECT_EQ(mdlMap_firstFeatureMslink(words, n - 1), -1);
    n = 3;
    EXPECT_NE(mdlMap_removeFeature(words, &n), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, GisAttributes, ::testing::Values("sqlite"));

} // namespace
