// The project session (open for a user, the control block's settings), map
// files as references, the database's tables, the current feature and
// feature links in attribute data.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db_testing.h"
#include "app/mdlcmd.h"
#include "dgn/mdlcell.h"
#include "dgn/mdlelem.h"
#include "gis/mdlgis.h"
#include "sys/mdlsys.h"

namespace {

std::u16string w(const char16_t *s) { return s ? s : u"(null)"; }
std::u16string wide(const std::string &ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// A project (features 2001L of category Veg and UDEFP without one, maps 1
// and 3 in folder K:\kart\ with a hole at 2) and an active design file; drive
// K: is the test's folder, where the map files lie.
class Session : public ::testing::TestWithParam<const char *> {
  protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "gissession-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        std::filesystem::create_directory(dir_ + "/kart");
        mdlSystem_defineCfgVar("MDLHOST_DRIVE_K", dir_.c_str());
        DPoint3d origin{0, 0, 0};
        for (const char *f : {"/design.dgn", "/kart/veg.dgn", "/kart/bygg.dgn"})
            ASSERT_EQ(mdlhost_dgnCreateFile((dir_ + f).c_str(), 0, 1000, "m", &origin), 0);
        ASSERT_EQ(mdlSystem_newDesignFile((dir_ + "/design.dgn").c_str()), 0);

        DBTEST_OPEN(db_, GetParam());
        ASSERT_EQ(mdlhost_gisCreateProject(db_.name().c_str()), 0);
        for (const char *sql : {
                 "create table vegdata (mslink integer, bredde double precision)",
                 "insert into ugtable_cat (tablename, entitynum) values ('vegdata', 3)",
                 "insert into category (mslink, cname, indexname) values (1, 'Veg', 'veg.dgn')",
                 "insert into category (mslink, cname, indexname) values (2, 'Bygg', 'index.dgn')",
                 "insert into feature (mslink, fcode, fname, category, tablename, fcolor, fweight, fstyle) "
                 "values (10, '2001L', 'Vegkant', 1, 'vegdata', 3, 2, 1)",
                 "insert into feature (mslink, fcode, fname, category) values (11, 'UDEFP', 'Udefinert', 0)",
                 "insert into feature (mslink, fcode, fname, category) values (12, '1001F', 'Bygning', 2)",
                 "insert into maps (mslink, category, mapname) values (1, 1, 'veg.dgn')",
                 "insert into maps (mslink, category, mapname) values (3, 2, 'bygg.dgn')",
                 "insert into maps (mslink, category, mapname) values (4, 2, 'borte.dgn')",
                 "insert into ugmap (mapid, mdir) values (1, 'K:\\kart\\')",
                 "insert into ugmap (mapid, mdir) values (3, 'K:\\kart\\')",
                 "insert into ugmap (mapid, mdir) values (4, 'K:\\kart\\')",
             })
            ASSERT_EQ(mdlDB_processSQL(sql), 0) << sql;
        ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    }
    void TearDown() override
    {
        mdlMapProject_close();
        mdlRefFile_detach(REFERENCE_ALL);
        mdlhost_closeDesignFile();
        for (const char *v : {"MDLHOST_DRIVE_K", "MDLHOST_GISMAPDIR", "MDLHOST_GISSEEDDIR", "MDLHOST_GISINDEXDIR",
                              "MDLHOST_GISSTROKETOLERANCE", "MDLHOST_GISCONSIDERZ", "MDLHOST_GISREDISPLAY"})
            mdlSystem_defineCfgVar(v, nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    bool postgres() const { return std::string(GetParam()) == "postgresql"; }
    static std::vector<DgnModelRefP> references()
    {
        std::vector<DgnModelRefP> out;
        ModelRefIterator *it = nullptr;
        if (mdlModelRefIterator_create(&it, mdlModelRef_getActive(), MODELREF_ITERATE_REFERENCES) != 0)
            return out;
        while (DgnModelRefP r = mdlModelRefIterator_getNext(it))
            out.push_back(r);
        mdlModelRefIterator_free(&it);
        return out;
    }
    static std::string spec(DgnModelRefP ref)
    {
        char text[MDLHOST_MAXFILELENGTH] = "";
        mdlRefFile_getParameters(text, REFERENCE_FILESPEC, ref);
        return text;
    }
    std::string dir_;
    dbtesting::TestDatabase db_;
};

// --- the session ----------------------------------------------------------------------------

// Folder + name, the user and the value beside it open the same project
// again for the same user, as the GIS build's reopen after an import does.
TEST_P(Session, ThePlatformsOpenTakesTheUserAndOpensTheProjectAgain)
{
    std::string user = "planlegger";
    if (postgres()) {
        char who[MDLDB_VALUE_SIZE] = "";
        ASSERT_EQ(mdlDB_sqlQuery(who, "select current_user"), 0);
        user = who;
    }
    std::u16string text = wide(db_.name());
    ASSERT_EQ(mdlMapProject_open(text.c_str(), 0, wide(user).c_str(), u"hemm'elig", 1, 1, 0, 1, 1, 0, 1), 0);
    GeoControlBlock *b = mdlhost_gisControlBlock();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(w(b->userName), wide(user));
    EXPECT_EQ(w(b->userValue), u"hemm'elig");
    EXPECT_EQ(w(b->dataSource), text) << "the name as opened, without the user";
    std::u16string again = std::u16string(b->projectFolder) + b->projectName;
    std::u16string who = b->userName, value = b->userValue;
    EXPECT_EQ(again, text);

    ASSERT_EQ(mdlMapProject_close(1), 0);
    EXPECT_EQ(geoProject_getActive(), nullptr);
    ASSERT_EQ(mdlMapProject_open(again.c_str(), 0, who.c_str(), value.c_str(), 1, 1, 0, 1, 1, 0, 1), 0);
    EXPECT_EQ(geoProject_getFeatureCount(geoProject_getActive()), 3);
    EXPECT_EQ(w(mdlhost_gisControlBlock()->userName), wide(user));

    if (postgres()) {
        // A user the server does not know: no project.
        ASSERT_NE(mdlMapProject_open(again.c_str(), 0, u"ingen_slik", u"", 1, 1, 0, 1, 1, 0, 1), 0);
        EXPECT_EQ(geoProject_getActive(), nullptr);
    }
}

TEST_P(Session, TheControlBlockTakesItsSettingsFromTheConfiguration)
{
    const GeoControlBlock *b = mdlhost_gisControlBlock();
    ASSERT_NE(b, nullptr);
    // Unset: a file project's own folder, nothing for a server's.
    std::u16string home = postgres() ? u"" : std::u16string(b->projectFolder);
    EXPECT_EQ(w(b->mapDirectory), home);
    EXPECT_EQ(w(b->seedDirectory), home);
    EXPECT_EQ(w(b->indexDirectory), home);
    EXPECT_DOUBLE_EQ(b->strokeTolerance, 0.01);
    EXPECT_EQ(b->considerZ, 1);
    EXPECT_EQ(b->redisplay, 1);
    EXPECT_EQ(b->currentFeature, -1);

    mdlSystem_defineCfgVar("MDLHOST_GISMAPDIR", "D:\\kart");
    mdlSystem_defineCfgVar("MDLHOST_GISSEEDDIR", "/data/seed/");
    mdlSystem_defineCfgVar("MDLHOST_GISINDEXDIR", "/data/indeks");
    mdlSystem_defineCfgVar("MDLHOST_GISSTROKETOLERANCE", "0.25");
    mdlSystem_defineCfgVar("MDLHOST_GISCONSIDERZ", "0");
    mdlSystem_defineCfgVar("MDLHOST_GISREDISPLAY", "0");
    ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
    b = mdlhost_gisControlBlock();
    EXPECT_EQ(w(b->mapDirectory), u"D:\\kart\\");
    EXPECT_EQ(w(b->seedDirectory), u"/data/seed/");
    EXPECT_EQ(w(b->indexDirectory), u"/data/indeks/");
    EXPECT_DOUBLE_EQ(b->strokeTolerance, 0.25);
    EXPECT_EQ(b->considerZ, 0);
    EXPECT_EQ(b->redisplay, 0);

    // A tolerance that is no positive number keeps the default.
    for (const char *bad : {"-1", "0", "inf", "nan", "fem"}) {
        mdlSystem_defineCfgVar("MDLHOST_GISSTROKETOLERANCE", bad);
        ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
        EXPECT_DOUBLE_EQ(mdlhost_gisControlBlock()->strokeTolerance, 0.01) << bad;
    }
}

// --- maps ----------------------------------------------------------------------------------

TEST_P(Session, MapNamesCompareAsTheFilesTheyName)
{
    std::string local = dir_ + "/kart/bygg.dgn";
    struct Case {
        std::u16string path;
        int index; // -1: not found
    } cases[] = {
        {u"K:\\kart\\veg.dgn", 0},
        {u"k:/KART/VEG.DGN", 0},
        {u"K:\\kart\\\\.\\sub\\..\\bygg.dgn", 2},
        {wide(local), 2},
        {u"K:\\kart\\borte.dgn", 3}, // a map whose file is missing is still named
        {u"veg.dgn", -1},
        {u"K:\\annet\\veg.dgn", -1},
        {u"", -1},
    };
    for (const Case &c : cases) {
        int index = -7;
        int rc = mdlMap_indexFromMapName(c.path.c_str(), &index);
        if (c.index < 0) {
            EXPECT_NE(rc, 0) << std::string(c.path.begin(), c.path.end());
        } else {
            EXPECT_EQ(rc, 0) << std::string(c.path.begin(), c.path.end());
            EXPECT_EQ(index, c.index) << std::string(c.path.begin(), c.path.end());
        }
    }
}

TEST_P(Session, AMapIsAttachedOnceWithItsPathAsGiven)
{
    EXPECT_EQ(mdlMap_modelRefFromMapIndex(0), 0);
    ASSERT_EQ(mdlMap_attachMap(0), 0);
    DgnModelRefP ref = mdlMap_modelRefFromMapIndex(0);
    ASSERT_NE(ref, 0);
    EXPECT_EQ(spec(ref), "K:\\kart\\veg.dgn");
    int written = 0;
    ASSERT_EQ(mdlRefFile_getParameters(&written, REFERENCE_WRITTEN, ref), 0);
    EXPECT_EQ(written, 1);
    ASSERT_EQ(mdlMap_attachMap(0), 0);
    EXPECT_EQ(references().size(), 1u) << "attached once";

    // Attached by an application under its own spelling: still the map's.
    DgnModelRefP own = 0;
    ASSERT_EQ(mdlRefFile_attachCoincident(&own, "k:/kart/BYGG.dgn", "ZvZera1", "ZvZera reference file", 0, 1, 1), 0);
    EXPECT_EQ(mdlMap_modelRefFromMapIndex(2), own);
    ASSERT_EQ(mdlMap_attachMap(2), 0);
    EXPECT_EQ(references().size(), 2u);

    // A hole, an index past the maps, a file that is not there.
    EXPECT_NE(mdlMap_attachMap(1), 0);
    EXPECT_NE(mdlMap_attachMap(9), 0);
    EXPECT_NE(mdlMap_attachMap(3), 0);
    EXPECT_EQ(references().size(), 2u);
}

// --- the database and the feature groups -----------------------------------------------------

TEST_P(Session, TheDatabaseListsItsTables)
{
    StringList *tables = nullptr;
    ASSERT_EQ(mdlMap_describeDatabase(&tables), 0);
    ASSERT_NE(tables, nullptr);
    std::vector<std::string> names;
    for (long i = 0; i < mdlStringList_size(tables); ++i) {
        const char *t = nullptr;
        ASSERT_EQ(mdlStringList_getMember(&t, nullptr, tables, i), 0);
        names.push_back(t);
    }
    mdlStringList_destroy(tables);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (const char *t : {"category", "feature", "maps", "ugjoin_cat", "ugtable_cat", "vegdata"})
        EXPECT_NE(std::find(names.begin(), names.end(), t), names.end()) << t;
    for (const std::string &n : names)
        EXPECT_NE(n.rfind("sqlite_", 0), 0u) << n;

    mdlMapProject_close();
    EXPECT_NE(mdlMap_describeDatabase(&tables), 0);
    EXPECT_EQ(tables, nullptr);
}

TEST_P(Session, FeatureInfoListsAGroupsFeatures)
{
    struct Case {
        int category, kind;
        std::vector<std::string> texts;
        std::vector<long> indexes;
    } cases[] = {
        {-1, GEO_FEATUREINFO_CODE, {"2001L", "UDEFP", "1001F"}, {0, 1, 2}},
        {-1, GEO_FEATUREINFO_NAME, {"Vegkant", "Udefinert", "Bygning"}, {0, 1, 2}},
        {1, GEO_FEATUREINFO_CODE, {"1001F"}, {2}},
    };
    for (const Case &c : cases) {
        StringList *list = mdlMapGroup_getFeatureInfo(c.category, c.kind);
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(mdlStringList_size(list), static_cast<long>(c.texts.size()));
        for (long i = 0; i < mdlStringList_size(list); ++i) {
            const char *t = nullptr;
            long *info = nullptr;
            ASSERT_EQ(mdlStringList_getMember(&t, &info, list, i), 0);
            EXPECT_EQ(t, c.texts[i]);
            EXPECT_EQ(info[0], c.indexes[i]);
        }
        mdlStringList_destroy(list);
    }
    EXPECT_EQ(mdlMapGroup_getFeatureInfo(2, GEO_FEATUREINFO_CODE), nullptr);
    EXPECT_EQ(mdlMapGroup_getFeatureInfo(-1, 7), nullptr);
}

// The keyin the GIS build sends to show a row.
TEST_P(Session, AQueryIsShownOnTheTextWindowAndNothingElseRuns)
{
    struct Case {
        const char *keyin;
        bool ok;
        const char *shown; // a line the text window holds
    } cases[] = {
        {"vsql execute select mslink, fcode from feature where mslink = 10", true, "mslink=10, fcode=2001L\n1 rows\n"},
        {"vsql execute SELECT fname FROM feature WHERE fcode = 'O''Hara'", true, "0 rows\n"},
        {"vsql execute select mslink, category from maps where mslink = 1", true, "mslink=1, category=1\n"},
        {"vsql execute delete from feature", false, "only a select"},
        {"vsql execute select * from feature; delete from feature", false, "vsql: select"},
        {"vsql execute select * from finnes_ikke", false, "vsql: select"},
    };
    for (const Case &c : cases) {
        mdlhost_clearTextWindow();
        EXPECT_EQ(mdlhost_keyin(c.keyin) == MDLHOST_KEYIN_OK, c.ok) << c.keyin;
        EXPECT_NE(std::string(mdlhost_textWindow()).find(c.shown), std::string::npos)
            << c.keyin << "\n" << mdlhost_textWindow();
    }
    char count[MDLDB_VALUE_SIZE];
    ASSERT_EQ(mdlDB_sqlQuery(count, "select count(*) from feature"), 0);
    EXPECT_STREQ(count, "3");
}

// --- the current feature ------------------------------------------------------------------------

std::vector<long> featuresOf(uint32_t pos)
{
    MSElementDescr *d = nullptr;
    std::vector<long> out;
    if (mdlElmdscr_read(&d, pos, mdlModelRef_getActive(), 0, nullptr) == 0)
        return {-99};
    long *mslinks = nullptr;
    int n = 0;
    if (mdlMap_allElementFeatures(&d->el, &mslinks, &n) == 0)
        out.assign(mslinks, mslinks + n);
    dlmSystem_mdlFree(mslinks);
    mdlElmdscr_freeAll(&d);
    return out;
}

uint32_t addLine(double x, bool withFeature = false, bool asDescriptor = false)
{
    MSElement el{};
    DPoint3d pts[2] = {{x, 0, 0}, {x + 10, 0, 0}};
    if (mdlLine_create(&el, nullptr, pts) != 0)
        return 0;
    if (withFeature && mdlMap_attachElementFeature(&el, 2, 0, 0) != 0)
        return 0;
    if (!asDescriptor)
        return mdlElement_add(&el);
    MSElementDescr *d = nullptr;
    if (mdlElmdscr_new(&d, nullptr, &el) != 0)
        return 0;
    uint32_t pos = mdlElmdscr_add(d);
    mdlElmdscr_freeAll(&d);
    return pos;
}

TEST_P(Session, ElementsAddedWhileAFeatureIsCurrentGetItsLink)
{
    GeoControlBlock *b = mdlhost_gisControlBlock();
    EXPECT_EQ(featuresOf(addLine(0)), std::vector<long>{});
    EXPECT_NE(mdlMapFeature_setCurrent(9), 0);
    EXPECT_NE(mdlMapFeature_setCurrent(-1), 0);
    ASSERT_EQ(mdlMapFeature_setCurrent(0), 0);
    EXPECT_EQ(b->currentFeature, 0);
    EXPECT_EQ(b->currentCommand, 1);
    EXPECT_EQ(featuresOf(addLine(1)), std::vector<long>{10});
    EXPECT_EQ(featuresOf(addLine(2, false, true)), std::vector<long>{10});
    EXPECT_EQ(featuresOf(addLine(3, true)), std::vector<long>{12}) << "an element with a feature keeps its own";

    ASSERT_EQ(mdlMapFeature_clearCurrentCommand(), 0);
    EXPECT_EQ(b->currentCommand, 0);
    EXPECT_EQ(featuresOf(addLine(4)), std::vector<long>{10}) << "the feature stays current";

    // An application that adds a label keeps the feature off it.
    b->currentFeature = -1;
    EXPECT_EQ(featuresOf(addLine(5)), std::vector<long>{});
    b->currentFeature = 0;
    EXPECT_EQ(featuresOf(addLine(6)), std::vector<long>{10});

    ASSERT_EQ(mdlMapFeature_clearCurrent(), 0);
    EXPECT_EQ(b->currentFeature, -1);
    EXPECT_EQ(featuresOf(addLine(7)), std::vector<long>{});

    // No project, no current feature.
    ASSERT_EQ(mdlMapFeature_setCurrent(0), 0);
    mdlMapProject_close();
    EXPECT_EQ(featuresOf(addLine(8)), std::vector<long>{});
    EXPECT_NE(mdlMapFeature_setCurrent(0), 0);
}

// --- feature links in attribute data ---------------------------------------------------------------

std::unique_ptr<MSElement> lineWithFeatures(std::initializer_list<int> features)
{
    auto el = std::make_unique<MSElement>();
    DPoint3d pts[2] = {{0, 0, 0}, {10, 0, 0}};
    mdlLine_create(el.get(), nullptr, pts);
    for (int f : features)
        mdlMap_attachElementFeature(el.get(), f, 0, 0);
    return el;
}

std::vector<long> featuresIn(const uint16_t *words, int n)
{
    long *mslinks = nullptr;
    int count = 0;
    std::vector<long> out;
    if (mdlMap_allFeatureMslinks(words, n, &mslinks, &count) == 0)
        out.assign(mslinks, mslinks + count);
    dlmSystem_mdlFree(mslinks);
    return out;
}

// The GIS build's relink after a reopen: the template's link goes, the new
// features' links come, the element's other links stay.
TEST_P(Session, FeatureLinksAreRewrittenInAttributeData)
{
    auto el = lineWithFeatures({1, 0});
    ASSERT_EQ(mdlDB_defineAEBySQLSelect("SELECT * FROM MAPS WHERE MSLINK = 3"), 0);
    ASSERT_EQ(mdlDB_attachActiveEntityElement(el.get()), 0);
    MSElementDescr *d = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&d, nullptr, el.get()), 0);

    std::vector<uint16_t> words(1024);
    int n = 0;
    ASSERT_EQ(mdlElmdscr_extractAttributes(&n, words.data(), 1024, d), 0);
    int feature = geoProject_getFeatureEntity(geoProject_getActive());
    EXPECT_EQ(mdlMap_removeLink(words.data(), &n, feature, 11), 0);
    EXPECT_EQ(mdlMap_removeLink(words.data(), &n, feature, 11), 1) << "gone already";
    EXPECT_EQ(featuresIn(words.data(), n), std::vector<long>{10});
    long created[] = {40, 41};
    int before = n;
    EXPECT_NE(mdlMap_addFeatureLinks(words.data(), &n, n + 1, created, 2, 3), 0) << "no room";
    EXPECT_EQ(n, before);
    ASSERT_EQ(mdlMap_addFeatureLinks(words.data(), &n, 1024, created, 2, 3), 0);
    EXPECT_EQ(featuresIn(words.data(), n), (std::vector<long>{10, 40, 41}));
    ASSERT_EQ(mdlMap_replaceElmdscrAttr(d, words.data(), n), 0);
    long *mslinks = nullptr;
    int count = 0;
    ASSERT_EQ(mdlMap_allElementFeatures(&d->el, &mslinks, &count), 0);
    EXPECT_EQ(std::vector<long>(mslinks, mslinks + count), (std::vector<long>{10, 40, 41}));
    dlmSystem_mdlFree(mslinks);
    DatabaseLink *links = nullptr;
    ASSERT_EQ(mdlDB_extractLinkages(&links, &count, &d->el), 0);
    EXPECT_EQ(count, 4) << "the map's link stays";
    dlmSystem_mdlFree(links);

    // Words that are no whole linkages leave the descriptor as it was.
    int size = mdlElement_size(&d->el);
    EXPECT_NE(mdlMap_replaceElmdscrAttr(d, words.data(), n - 1), 0);
    EXPECT_EQ(mdlElement_size(&d->el), size);
    mdlElmdscr_freeAll(&d);
}

TEST_P(Session, AResetDescriptorCarriesTheFeature)
{
    auto el = lineWithFeatures({});
    MSElementDescr *d = nullptr, *reset = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&d, nullptr, el.get()), 0);
    EXPECT_NE(mdlMap_elmdscrReset(&reset, d, 99, 1), 0);
    EXPECT_EQ(reset, nullptr);
    ASSERT_EQ(mdlMap_elmdscrReset(&reset, d, 10, 1), 0);
    ASSERT_NE(reset, nullptr);
    long *mslinks = nullptr;
    int count = 0;
    ASSERT_EQ(mdlMap_allElementFeatures(&reset->el, &mslinks, &count), 0);
    EXPECT_EQ(std::vector<long>(mslinks, mslinks + count), std::vector<long>{10});
    dlmSystem_mdlFree(mslinks);
    uint32_t color = 0, weight = 0;
    mdlElement_getSymbology(&color, &weight, nullptr, &reset->el);
    EXPECT_EQ(color, 3u);
    EXPECT_EQ(weight, 2u);
    // A second reset links once.
    MSElementDescr *again = nullptr;
    ASSERT_EQ(mdlMap_elmdscrReset(&again, reset, 10, 0), 0);
    ASSERT_EQ(mdlMap_allElementFeatures(&again->el, &mslinks, &count), 0);
    EXPECT_EQ(count, 1);
    dlmSystem_mdlFree(mslinks);
    mdlElmdscr_freeAll(&again);
    mdlElmdscr_freeAll(&reset);
    mdlElmdscr_freeAll(&d);
}

// An element with no room left for a link stays as it was.
TEST_P(Session, AFeatureThatDoesNotFitLeavesTheElementAsItWas)
{
    auto el = lineWithFeatures({});
    for (;;) {
        int room = static_cast<int>(MAX_ELEMENT_WORDS) - mdlElement_size(el.get()) / 2;
        if (room < MDLDB_LINK_WORDS)
            break;
        int n = room > 2048 ? std::min(8192, room / 4 * 4) : room - 1;
        LinkageHeader h{};
        h.primaryID = 0x7A7A;
        ASSERT_EQ(mdlLinkage_setWords(&h, n), 0);
        std::vector<uint16_t> data(static_cast<size_t>(n - 2), 0x5A5A);
        ASSERT_EQ(mdlLinkage_appendToElement(el.get(), &h, data.data()), 0);
    }
    int size = mdlElement_size(el.get());
    std::vector<uint8_t> before(reinterpret_cast<uint8_t *>(el.get()), reinterpret_cast<uint8_t *>(el.get()) + size);
    EXPECT_NE(mdlMap_attachElementFeature(el.get(), 0, 1, 0), 0);
    ASSERT_EQ(mdlElement_size(el.get()), size);
    EXPECT_EQ(std::memcmp(before.data(), el.get(), static_cast<size_t>(size)), 0);

    // Added while a feature is current: stored without the link.
    ASSERT_EQ(mdlMapFeature_setCurrent(0), 0);
    uint32_t pos = mdlElement_add(el.get());
    ASSERT_NE(pos, 0u);
    EXPECT_EQ(featuresOf(pos), std::vector<long>{});
}

INSTANTIATE_TEST_SUITE_P(Backends, Session, ::testing::ValuesIn(dbtesting::kBackends));

} // namespace
