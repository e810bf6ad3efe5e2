#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db_testing.h"
#include "app/mdlcmd.h"
#include "base/mdlbase.h"
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
    EXPECT_NE(mdlMapSystem_setFunction(5, onOpen), 0);
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(opened, 1);
    mdlMapSystem_setFunction(1, nullptr);
    mdlMapSystem_setFunction(2, nullptr);
    EXPECT_EQ(mdlMap_initializeApplication(), 1);
}

// Two GIS applications loaded at once (the GIS build and the editing tool):
// each keeps its own functions, each runs with its owner current.
struct Seen {
    std::vector<std::string> calls; // "function:task[:argument]"
} seen;
void record(const char *what, int argument = -99)
{
    std::string s = std::string(what) + ":" + mdlSystem_getCurrTaskID(1);
    if (argument != -99)
        s += ":" + std::to_string(argument);
    seen.calls.push_back(s);
}
void openedA() { record("1"); }
void closingA() { record("2"); }
void featureA(int index) { record("4", index); }
void openedB() { record("1"); }
void featureB(int index) { record("4", index); }

TEST_P(GisTest, SystemFunctionsArePerApplicationAndRunWithTheirOwnerCurrent)
{
    MdlDesc *a = mdlhost_registerApplication("GGBYGG", nullptr);
    MdlDesc *b = mdlhost_registerApplication("GGVERKTOY", nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    MdlDesc *was = mdlhost_setCurrMdlDesc(a);
    EXPECT_EQ(mdlMap_initializeApplication(), 1);
    ASSERT_EQ(mdlMapSystem_setFunction(1, openedA), 0);
    ASSERT_EQ(mdlMapSystem_setFunction(2, closingA), 0);
    ASSERT_EQ(mdlMapSystem_setFunction(4, reinterpret_cast<GeoSystemFunction>(featureA)), 0);
    mdlhost_setCurrMdlDesc(b);
    EXPECT_EQ(mdlMap_initializeApplication(), 1);
    ASSERT_EQ(mdlMapSystem_setFunction(1, openedB), 0);
    ASSERT_EQ(mdlMapSystem_setFunction(4, reinterpret_cast<GeoSystemFunction>(featureB)), 0);
    mdlhost_setCurrMdlDesc(nullptr);

    seen.calls.clear();
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"2:GGBYGG", "1:GGBYGG", "1:GGVERKTOY"}));
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), nullptr) << "the caller's context comes back";

    seen.calls.clear();
    ASSERT_EQ(mdlhost_gisSetActiveFeature(1), 0);
    ASSERT_EQ(mdlhost_gisSetActiveFeature(1), 0); // no change, no call
    ASSERT_EQ(mdlhost_gisSetActiveFeature(-1), 0);
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"4:GGBYGG:1", "4:GGVERKTOY:1", "4:GGBYGG:-1", "4:GGVERKTOY:-1"}));

    // The tool leaving does not close the GIS build's project.
    mdlhost_setCurrMdlDesc(b);
    mdlMap_unloadApplication(-1);
    mdlhost_setCurrMdlDesc(nullptr);
    EXPECT_NE(geoProject_getActive(), nullptr);
    seen.calls.clear();
    ASSERT_EQ(mdlhost_gisSetActiveFeature(0), 0);
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"4:GGBYGG:0"}));

    // An unloaded application's functions go with it.
    mdlhost_unregisterApplication(a);
    seen.calls.clear();
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    EXPECT_TRUE(seen.calls.empty());
    mdlhost_unregisterApplication(b);
    mdlhost_setCurrMdlDesc(was);
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

// --- the join catalogue's case ------------------------------------------------------

// The GIS build's layer upper-cases the names it asks for ASCII-only; the
// catalogue the host hands it must follow the same rule, or a name with
// \xE5 never meets its join.
TEST_P(GisTest, JoinAndTableNamesFoldAsciiOnly)
{
    ASSERT_EQ(mdlDB_processSQL("insert into ugjoin_cat (table0, index0, table1, index1, value1) "
                               "values ('vei', 'm\xE5lemetodeid', 'm\xE5lemetode', 'id', 'navn')"),
              0);
    ASSERT_EQ(mdlDB_processSQL("insert into ugtable_cat (tablename, entitynum) values ('h\xF8yde', 5)"), 0);
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    const GeoControlBlock *b = mdlhost_gisControlBlock();
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->joinCount, 2);
    EXPECT_EQ(std::u16string(b->joins[1].table0), u"VEI");
    EXPECT_EQ(std::u16string(b->joins[1].index0), u"M\u00E5LEMETODEID");
    EXPECT_EQ(std::u16string(b->joins[1].table1), u"M\u00E5LEMETODE");
    ASSERT_EQ(b->entityCount, 5);
    EXPECT_STREQ(b->entityTables[4], "H\xF8YDE");
    char table[MDLDB_NAME_SIZE];
    ASSERT_EQ(mdlhost_dbTableForEntity(table, sizeof table, 5), 0);
    EXPECT_STREQ(table, "H\xF8YDE");
    EXPECT_EQ(mdlhost_dbEntityForTable("H\xD8YDE"), 5) << "finding a table still ignores case";
}

// --- the project text -------------------------------------------------------------------

// The GIS build keeps folder + name as the project's text only when the
// folder is not empty, and opens the project again with it after an import.
TEST_P(GisTest, FolderAndNameOpenTheProjectAgain)
{
    const GeoControlBlock *b = mdlhost_gisControlBlock();
    ASSERT_NE(b, nullptr);
    std::u16string folder = b->projectFolder, name = b->projectName;
    EXPECT_FALSE(folder.empty());
    EXPECT_FALSE(name.empty());
    std::u16string text = folder + name;
    EXPECT_EQ(text, std::u16string(b->dataSource));
    std::string narrow;
    for (char16_t c : text)
        narrow += static_cast<char>(c); // the test's names are ASCII
    if (mdlhost_dbServerType() == MDLDB_SERVER_POSTGRESQL) {
        EXPECT_EQ(folder, u"pg:");
    }
    ASSERT_EQ(mdlMapProject_close(), 0);
    ASSERT_EQ(mdlMapProject_open(narrow.c_str()), 0);
    EXPECT_EQ(geoProject_getCategoryCount(geoProject_getActive()), 2);
}

// --- the template the Parts write into ----------------------------------------------------

TEST_P(GisTest, TheGisBuildsSetUpStatementsRun)
{
    // The GIS build's set-up, as it sends them (features 20 and 21: a point
    // theme with its command, and a template).
    const char *statements[] = {
        "INSERT INTO category (MSLINK,CNAME,INDEXNAME,INDEXLEVEL) values (3,'BYGG','index.dgn',3);",
        "INSERT INTO ugcategory (CATEGORY,DEFAULTF,OLAP,FOREIGNF,DGNFEX) values (3,0,0,0,'byg');",
        "insert into feature (MSLINK,FCODE,FNAME,CATEGORY,TABLENAME,FTYPE,FLEVEL,FSTYLE,FWEIGHT,FCOLOR,DIGCMD,"
        "FELEMENT,FANGLE,FHEIGHT,FWIDTH,FLINESPACE,LINELENGTH,FFONT,FSYMBOL,FJUSTIFICATION,CELLLIBRARY,FCELLNAME,"
        "CELLSCALE,STREAMDELTA,STREAMTOLERANCE,STREAMUNIT,SNAPTYPE,SNAPTOLERANCE,NEWDUP) values (20,'1001P',"
        "'1001P_Bygning',3,NULL,0,1001,0,1,2,NULL,2,'0',0.00,0.00,0.00,0,0,NULL,'2','zvzera','KRYSS',1.00,0,0,NULL,"
        "0,10,0);",
        "insert into ugfeature (FEATURE,ELOCK,FCLASS,FPRIORITY,INFOMODE,DAS,DPRIO,FORDER,DESCR,LSSCALE,DASHSCALE,"
        "GAPSCALE,STARTWIDTH,ENDWIDTH,PHASE,PHASETYPE,SLANT,CS,UNDERLINE,VERTICAL,FRACTION,LSNAME) values (20,NULL,"
        "NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL);",
        "insert into ugcommand (FEATURE,CNAME,KEYINCMD,SQLSTMT,CLASS) values (20,'AUTOPLACE','PLACE CELL',NULL,0);",
        "insert into feature (MSLINK,FCODE,FNAME,CATEGORY,TABLENAME,FTYPE,FLEVEL,FSTYLE,FWEIGHT,FCOLOR,DIGCMD,"
        "FELEMENT,FANGLE,FHEIGHT,FWIDTH,FLINESPACE,LINELENGTH,FFONT,FSYMBOL,FJUSTIFICATION,CELLLIBRARY,FCELLNAME,"
        "CELLSCALE,STREAMDELTA,STREAMTOLERANCE,STREAMUNIT,SNAPTYPE,SNAPTOLERANCE,NEWDUP) values (21,'UDEFP',"
        "'Ukjent punkttema',0,NULL,0,63,0,0,0,NULL,2,'0',0.00,0.00,0.00,0,0,NULL,'2','zvzera','KRYSS',1.00,0,0,NULL,"
        "0,10,0);",
        // The import: a feature made from a template, a map of a long name.
        "insert into feature (MSLINK,FCODE,FNAME,CATEGORY,TABLENAME,FTYPE,FSTYLE,FWEIGHT,FCOLOR,FELEMENT,STREAMDELTA,"
        "STREAMTOLERANCE,SNAPTYPE,SNAPTOLERANCE,NEWDUP) values (22,'1002P','1002P',3,'',0,0,0,0,2,0.000000,0.000000,"
        "0,10,0);",
        "insert into ugfeature (FEATURE) values (22);",
    };
    for (const char *sql : statements)
        EXPECT_EQ(mdlDB_processSQL(sql), 0) << sql;
    std::string longName(251, 'k');
    std::string maps = "insert into maps (MSLINK,CATEGORY,MAPNAME) values (5,3,'" + longName + ".byg');";
    EXPECT_EQ(mdlDB_processSQL(maps.c_str()), 0) << "a name of 255 characters";

    MS_SQLDA d{};
    ASSERT_EQ(mdlDB_describeTable("ugfeature", &d), 0);
    EXPECT_EQ(d.numColumns, 22);
    EXPECT_STREQ(d.columns[21].name, "lsname");
    mdlDB_freeSQLDADescriptor(&d);
    ASSERT_EQ(mdlDB_describeTable("ugcommand", &d), 0);
    EXPECT_EQ(d.numColumns, 5);
    mdlDB_freeSQLDADescriptor(&d);
    // The GIS build's map-name limit is this width less the extension and dot.
    ASSERT_EQ(mdlDB_describeTable("maps", &d), 0);
    ASSERT_EQ(d.numColumns, 3);
    EXPECT_STREQ(d.columns[2].name, "mapname");
    EXPECT_EQ(d.columns[2].length, 255);
    mdlDB_freeSQLDADescriptor(&d);

    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    int index = -1;
    ASSERT_EQ(mdlMapFeature_indexFromCode(u"1001P", &index), 0);
    GeoFeature *f = geoProject_getFeature(geoProject_getActive(), index);
    EXPECT_EQ(geoFeature_getCategoryIndex(f), 2);
    EXPECT_EQ(w(geoFeature_getLineStyleName(f)), u"");
    EXPECT_EQ(geoProject_getMapCount(geoProject_getActive()), 5);
    EXPECT_EQ(std::u16string(geoMap_getName(geoProject_getMap(geoProject_getActive(), 4))).size(), 255u);
}

// --- keys -----------------------------------------------------------------------------------

TEST_P(GisTest, MslinkIsAKeyOfEveryCatalogueTableThatHasOne)
{
    const bool pg = mdlhost_dbServerType() == MDLDB_SERVER_POSTGRESQL;
    for (const char *table : {"category", "feature", "maps"}) {
        char out[MDLDB_VALUE_SIZE];
        std::string sql = pg ? std::string("select count(*) from pg_indexes where tablename = '") + table +
                                   "' and indexdef like '%UNIQUE%(mslink)%'"
                             : std::string("select count(*) from sqlite_master where type = 'index' and tbl_name = '") +
                                   table + "' and sql like '%UNIQUE%(mslink)%'";
        ASSERT_EQ(mdlDB_sqlQuery(out, sql.c_str()), 0) << sql;
        EXPECT_STREQ(out, "1") << table;
    }
    // A second row of an mslink is refused; rows the Parts write still go in.
    EXPECT_NE(mdlDB_processSQL("insert into feature (mslink, fcode) values (10, 'DOBBEL')"), 0);
    EXPECT_EQ(mdlDB_processSQL("insert into feature (mslink, fcode) values (12, 'NY')"), 0);
    EXPECT_NE(mdlDB_processSQL("insert into maps (mslink, category, mapname) values (3, 1, 'x.dgn')"), 0);
    long largest = 0;
    ASSERT_EQ(mdlDB_largestMslink("feature", &largest), 0);
    EXPECT_EQ(largest, 12);
    if (!pg) {
        // The largest mslink is one index entry, not a scan of the table.
        ASSERT_EQ(mdlDB_openCursor("EXPLAIN QUERY PLAN SELECT max(mslink) FROM feature"), 0);
        MS_SQLDA row{};
        std::string plan;
        while (mdlDB_fetchRow(&row) == 0)
            plan += std::string(row.values[row.numColumns - 1]) + "\n";
        mdlDB_closeCursor();
        EXPECT_NE(plan.find("INDEX"), std::string::npos) << plan;
    }
    // Making the project again changes nothing.
    ASSERT_EQ(mdlhost_gisCreateProject(db_.name().c_str()), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, GisTest, ::testing::ValuesIn(dbtesting::kBackends));

// A project made before the key: gis create gives it one, or, when its
// mslinks are not unique, a plain index and a line naming the table.
class GisUpgrade : public ::testing::TestWithParam<const char *> {
  protected:
    void SetUp() override { DBTEST_OPEN(db_, GetParam()); }
    dbtesting::TestDatabase db_;
};

TEST_P(GisUpgrade, AnOldProjectGetsItsKeysOrSaysWhyNot)
{
    ASSERT_EQ(mdlDB_processSQL("create table feature (mslink integer, fcode varchar(12))"), 0);
    ASSERT_EQ(mdlDB_processSQL("insert into feature (mslink, fcode) values (1, 'A')"), 0);
    ASSERT_EQ(mdlDB_processSQL("insert into feature (mslink, fcode) values (1, 'B')"), 0);
    ASSERT_EQ(mdlDB_processSQL("create table maps (mslink integer, category integer, mapname varchar(64))"), 0);
    mdlhost_clearTextWindow();
    ASSERT_EQ(mdlhost_gisCreateProject(db_.name().c_str()), 0);
    std::string window = mdlhost_textWindow();
    EXPECT_NE(window.find("feature.mslink"), std::string::npos) << window;
    EXPECT_EQ(window.find("maps"), std::string::npos) << window;
    EXPECT_EQ(mdlDB_processSQL("insert into feature (mslink, fcode) values (1, 'C')"), 0) << "left as it was";
    EXPECT_EQ(mdlDB_processSQL("insert into maps (mslink, category) values (NULL, 1)"), 0)
        << "a unique index, not a primary key: a row without an mslink stays possible";
    ASSERT_EQ(mdlDB_processSQL("insert into maps (mslink, category) values (4, 1)"), 0);
    EXPECT_NE(mdlDB_processSQL("insert into maps (mslink, category) values (4, 1)"), 0) << "the new key";
}

INSTANTIATE_TEST_SUITE_P(Backends, GisUpgrade, ::testing::ValuesIn(dbtesting::kBackends));

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
