// Project set-up from a theme table and the database check, on SQLite and
// on PostgreSQL; and the object types the GIS build's start takes from the
// project.
#include "ggoppsett.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brukerdata.h"
#include "db_testing.h"
#include "ggramme.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zeraggdb.h"
#include "ggmodul_testing.h"
#include "zvlibmain.h"

namespace fs = std::filesystem;

namespace {

constexpr int ZVLIB_BOKS = 20011; // the library's message box

// Four groups' worth of rows: a run of two 1001 F (only the last counts),
// a text level, a description with a quote, a point with its cell, and a
// group of two letters.  Each line has three words before its fields, so
// line i is theme row i for the descriptions.
constexpr const char *TEMAER = "Tak - F ;1001;BYGG;F;1001;2;1;0;0;0;0;KRYSS;1;1;0\n"
                               "1001 - F ;1001;BYGG;F;Bygning;2;1;0;0;0;0;KRYSS;1;1;0 !Tak 'flat'!\n"
                               "Vegg - L ;1001;BYGG;L;1001;3;2;1;0;0;0;KRYSS;1;1;0 !Vegglinje!\n"
                               "Kum - P ;2001;VEG;P;2001;4;0;0;0;0;0;KUM;1.5;1.5;0\n"
                               "3001 - L ;3001;VA;L;3001;5;0;0;0;0;0;KRYSS;1;1;0 !Ledning!\n";

std::string readAll(const std::string &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class OppsettTest : public ::testing::TestWithParam<const char *> {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "ggoppsett-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        DBTEST_OPEN(db_, GetParam());
        app_ = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeragg/zvzeragg.rsc");
        ASSERT_NE(app_, nullptr);
        previous_ = mdlhost_setCurrMdlDesc(app_);
        char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvZera", 2, argv), 0);
        mdlhost_clearDialogScripts();
        mdlhost_clearTextWindow();
        tema_ = dir_ + "/zvzera.tem";
        std::ofstream(tema_) << TEMAER;
        memset(&data_, 0, sizeof data_);
        snprintf(data_.temaFil, sizeof data_.temaFil, "%s", tema_.c_str());
        brukerDataP = &data_;
        mdlSystem_defineCfgVar("MS_TMP", (dir_ + "/").c_str());
    }
    void TearDown() override
    {
        mdlSystem_defineCfgVar("MS_TMP", nullptr);
        frigiGGModul();
        brukerDataP = nullptr;
        if (data_.fkbListe != nullptr) // the theme table's list of groups
            mdlStringList_destroy(data_.fkbListe);
        Mstemtab.rowCount = 0;
        memset(&Fkbtab, 0, sizeof Fkbtab);
        mdlhost_clearDialogScripts();
        mdlhost_clearInputQueue();
        if (app_ != nullptr) {
            mdlhost_setCurrMdlDesc(previous_);
            mdlhost_forgetResources(app_);
            mdlhost_unregisterApplication(app_);
        }
        fs::remove_all(dir_);
    }
    void newProject() { ASSERT_EQ(mdlhost_gisCreateProject(db_.name().c_str()), 0); }
    void loadThemes()
    {
        Mstemtab.rowCount = 0;
        memset(&Fkbtab, 0, sizeof Fkbtab);
        ASSERT_EQ(mt_init(tema_.c_str(), 0), 0);
    }
    static void run(std::initializer_list<std::string> sql)
    {
        for (auto &s : sql) {
            char e[512] = "";
            int rc = mdlDB_processSQL(s.c_str());
            mdlDB_getErrorText(e, sizeof e);
            ASSERT_EQ(rc, 0) << s << ": " << e;
        }
    }
    // Every row of sql, its columns joined by "|" (NULL as "-").
    static std::vector<std::string> rows(const std::string &sql)
    {
        std::vector<std::string> out;
        EXPECT_EQ(mdlDB_openCursor(sql.c_str()), 0) << sql;
        MS_SQLDA r{};
        while (mdlDB_fetchRow(&r) == 0) {
            std::string line;
            for (int i = 0; i < r.numColumns; i++)
                line += std::string(i ? "|" : "") + (r.values[i] ? r.values[i] : "-");
            out.push_back(line);
        }
        mdlDB_closeCursor();
        return out;
    }
    std::string dir_, tema_;
    dbtesting::TestDatabase db_;
    MdlDesc *app_ = nullptr, *previous_ = nullptr;
    zeraBrukerGrensesnittData data_{};
};

TEST_P(OppsettTest, CategoriesAndFeaturesFromTheThemeTable)
{
    newProject();
    loadThemes();
    OpprettKategorierFraFkbGrupper(1, nullptr);
    OpprettFeaturesFraTemaer(1, 1, nullptr, tema_.c_str());
    EXPECT_STREQ(mdlhost_textWindow(), "") << "no statement failed";

    EXPECT_EQ(rows("select c.mslink, cname, indexname, indexlevel, dgnfex from category c, ugcategory u "
                   "where u.category = c.mslink order by c.mslink"),
              (std::vector<std::string>{"1|BYGG|index.dgn|1|byg", "2|VEG|index.dgn|2|veg", "3|VA|index.dgn|3|va"}));
    // mslink 1 belongs to the row passed over; the templates follow the five rows.
    EXPECT_EQ(rows("select mslink, fcode, fname, category, ftype, flevel, felement, fstyle, fweight, fcolor, "
                   "celllibrary, fcellname, cast(cellscale * 100 as integer), snaptolerance from feature "
                   "order by mslink"),
              (std::vector<std::string>{
                  "2|1001F|1001F_Tak 'flat'|1|97|Bygning|0|0|1|2|-|-|100|10",
                  "3|1001L|1001L|1|0|1001|0|1|2|3|-|-|100|10",
                  "4|2001P|2001P|2|0|2001|2|0|0|4|zvzera|KUM|150|10",
                  "5|3001L|3001L_Ledning|3|0|3001|0|0|0|5|-|-|100|10",
                  "6|UDEFP|Ukjent punkttema|0|0|63|2|0|0|0|zvzera|KRYSS|100|10",
                  "7|UDEFL|Ukjent linjetema|0|3|63|0|0|0|0|-|-|0|10",
                  "8|UDEFT|Ukjent teksttema|0|96|63|17|0|0|0|-|-|0|10",
                  "9|UDEFF|Ukjent flatetema|0|97|63|0|0|0|0|-|-|0|10",
              }));
    EXPECT_EQ(rows("select feature, elock, lsname from ugfeature order by feature"),
              (std::vector<std::string>{"2|-|-", "3|-|-", "4|-|-", "5|-|-", "6|-|-", "7|-|-", "8|-|-", "9|-|-"}));
    EXPECT_EQ(rows("select feature, cname, keyincmd, sqlstmt, class from ugcommand"),
              (std::vector<std::string>{"4|AUTOPLACE|PLACE CELL|-|0"}));
}

TEST_P(OppsettTest, TheCommandAsksBeforeAddingToATableWithRows)
{
    newProject();
    run({"insert into category (mslink, cname) values (7, 'Eldre')"});
    struct Case {
        const char *answer;
        size_t features;
    } cases[] = {{"press PushButton -4", 0}, {"press PushButton -3", 8}};
    for (const Case &c : cases) {
        ASSERT_EQ(mdlhost_scriptModal(10, "ok"), 0);
        ASSERT_EQ(mdlhost_scriptModal(ZVLIB_BOKS, c.answer), 0);
        EXPECT_EQ(OpprettGGKategorierOgFeatures(nullptr), 0);
        EXPECT_EQ(mdlhost_modalAnswersLeft(), 0) << c.answer;
        EXPECT_EQ(rows("select mslink from feature").size(), c.features) << c.answer;
    }
    // Added beside the old row, numbered after it.
    EXPECT_EQ(rows("select mslink, cname from category order by mslink"),
              (std::vector<std::string>{"7|Eldre", "8|BYGG", "9|VEG", "10|VA"}));
    EXPECT_EQ(rows("select category from feature where fcode = '2001P'"), std::vector<std::string>{"9"});
}

// A project that takes no writes is refused with one box before anything
// is asked or written.
TEST_P(OppsettTest, AProjectThatTakesNoWritesIsRefusedBeforeAnythingIsAsked)
{
    if (std::string(GetParam()) != "postgresql")
        GTEST_SKIP() << "as root no SQLite file refuses writes";
    newProject();
    std::string dbname = db_.name().substr(db_.name().rfind("dbname=") + 7);
    run({"ALTER DATABASE " + dbname + " SET default_transaction_read_only = on"});
    ASSERT_EQ(mdlhost_dbOpen(db_.name().c_str()), 0);
    ASSERT_EQ(mdlhost_scriptModal(10, "ok"), 0);
    EXPECT_EQ(OpprettGGKategorierOgFeatures(nullptr), 0);
    EXPECT_EQ(mdlhost_modalAnswersLeft(), 1) << "the theme table was asked for";
    mdlhost_clearDialogScripts();
    EXPECT_TRUE(rows("select mslink from category").empty());
    EXPECT_EQ(std::string(mdlhost_textWindow()).find("Database"), std::string::npos) << "no row was tried";
}

TEST_P(OppsettTest, ThemeDescriptionsFollowTheWordAndBangRule)
{
    TemaBeskrivelse p[4] = {};
    std::ofstream(tema_) << "! a comment line\n"
                            "1001 x F rest !Bygning med et langt navn som kuttes!\n"
                            "enord\n"
                            "Bygning;1001;BYGG;F;1001;2;1;0;0;0;0;KRYSS;1;1;0\n"
                            "12345 y L\n";
    ASSERT_EQ(LesTemaBeskrivelser(p, tema_.c_str(), 4), 2);
    EXPECT_STREQ(p[0].nokkel, "1001F");
    EXPECT_STREQ(p[0].beskrivelse, "Bygning med et langt navn ");
    EXPECT_STREQ(p[1].nokkel, "") << "a key of six characters is not kept";
    EXPECT_STREQ(p[1].beskrivelse, "");
}

TEST_P(OppsettTest, TheCheckLogsEachKindOfFault)
{
    newProject();
    ASSERT_EQ(LagZeraTabeller(), 0);
    // The project's tables are read only when it has a category.
    run({"insert into category (mslink, cname) values (1, 'Veg')",
         "create table veg (mslink integer, \"veg-h\xF8yde\" varchar(10), vegtypeid integer)",
         "create table vegtype (mslink integer, navn varchar(20))",
         "insert into ugtable_cat (tablename, entitynum) values ('veg', 5)",
         "insert into ugtable_cat (tablename, entitynum) values ('vegtype', 6)",
         "insert into zera_temakode_konv (fra_kode, til_kode) values ('1001', '9999')",
         "insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) values ('mangler_id', 'mangel', 0, 0)",
         "insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) values ('ukjent', 'ukjent', 0, 0)",
         "insert into ugjoin_cat (table0, index0, table1, index1, value1) "
         "values ('veg', 'vegtypeid', 'vegtype', 'mslink', 'navn')",
         "insert into ugjoin_cat (table0, index0, table1, index1, value1) "
         "values ('veg', 'bredde', 'borte', 'mslink', 'navn')"});
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    ASSERT_EQ(KobleTilGeoGraphics(), 0);

    EXPECT_EQ(KontrollerGGZeraDatabase(nullptr), 0);
    char sti[MDLHOST_MAXFILELENGTH];
    DbKontrollLoggSti(sti, sizeof sti);
    EXPECT_EQ(std::string(sti), dir_ + "/zvzera_dbcheck.log");
    std::string logg = readAll(sti);
    ASSERT_EQ(logg.rfind("Feilmeldinger/advarsler:\n========================\n", 0), 0u) << logg;
    for (const char *linje : {
             "FEIL!  Kolonnenavnet 'veg-h\xF8yde' i tabell 'veg' inneholder bindestrek (-).",
             "FEIL!  Navnet '9999' i kolonne 2 i tabell 'ZERA_temakode_konv' finnes ikke som en feature-kode.",
             "FEIL!  Navnet 'mangler_id' i kolonne 1 i tabell 'ZERA_GG' finnes ikke i kolonne 'index0' i "
             "'ugjoin_cat'.",
             "FEIL!  Navnet 'ukjent' i kolonne 1 i tabell 'ZERA_GG' finnes ikke i kolonne 'index0' i 'ugjoin_cat' "
             "eller som kolonnenavn i en tabell.",
             "ADVARSEL!  Kolonne 'navn' i ZERA referansetabell 'vegtype' kan fjernes.",
             "FEIL!  Navnet 'bredde' i kolonne 'index0' i tabell 'ugjoin_cat' finnes ikke som kolonnenavn i "
             "tabell 'veg'.",
             "FEIL!  Navnet 'bredde' i kolonne 'index0' i tabell 'ugjoin_cat' slutter ikke p\xE5 'id'.",
             "FEIL!  Navnet 'borte' i kolonne 'table1' i tabell 'ugjoin_cat' finnes ikke som en tabell i "
             "databasen.",
         })
        EXPECT_NE(logg.find(std::string(": ") + linje + "\n"), std::string::npos) << linje << "\n" << logg;
    EXPECT_EQ(logg.find("veg-h\xF8yde' i tabell 'veg' inneholder norske"), std::string::npos) << "one message a name";
    EXPECT_NE(std::string(mdlhost_textWindow())
                  .find("geoProject_getTableCatalogTableName(GEO_ACTIVE_PROJECT) = 'ugtable_cat'"),
              std::string::npos);
}

TEST_P(OppsettTest, AnEmptyDatabaseGivesALogOfNoMessages)
{
    EXPECT_EQ(KontrollerGGZeraDatabase(nullptr), 0);
    EXPECT_EQ(readAll(dir_ + "/zvzera_dbcheck.log"),
              "Feilmeldinger/advarsler:\n========================\n\nTotalt 0 meldinger.\n");
}

TEST_P(OppsettTest, TheStartCopiesTenThousandObjectTypesAndSkipsEmptyOnes)
{
    newProject();
    // A feature without an object type first, then 10,001 with one.
    run({"insert into category (mslink, cname) values (1, 'Veg')",
         "insert into feature (mslink, fcode, objtype) values (1, 'UDEFP', NULL)",
         "insert into feature (mslink, fcode, objtype) with recursive n(i) as (select 2 union all select i + 1 "
         "from n where i < 10002) select i, 'K' || i, 'Type' || i from n"});
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    ASSERT_NE(allocateZeraTemaObjStruct(), nullptr);
    ASSERT_EQ(GGKobleTil(), 0);
    EXPECT_EQ(data_.punktModus, 1) << "never shared cells";
    EXPECT_STREQ(stot->tema[0], "K2");
    EXPECT_STREQ(stot->objtype[0], "Type2");
    EXPECT_STREQ(stot->tema[STOT_MAX_ENTRIES - 1], "K10001");
    EXPECT_STREQ(stot->objtype[STOT_MAX_ENTRIES - 1], "Type10001");
}

INSTANTIATE_TEST_SUITE_P(Backends, OppsettTest, ::testing::ValuesIn(dbtesting::kBackends));

} // namespace
