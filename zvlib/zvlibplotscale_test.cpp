#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mdlhost.h"
#include "zvlibmain.h"
#include "zvlibplotscale.h"
#include "testing/zvlib_testing.h"

namespace {

const std::string ZVLIB_RSC = ZERA_SOURCE_DIR "/zvlib/zvlib.rsc";

struct Heard {
    MdlDesc *app;
    double oldScale, newScale;
};
std::vector<Heard> heard;
int scaleChanged(double oldScale, double newScale)
{
    heard.push_back({mdlSystem_getCurrMdlDesc(), oldScale, newScale});
    return 0;
}

// Three stored rows; the second is active and its value text differs from
// what its name gives, so the stored value is seen to win.
const char *const STORED = "StringList 20001 1 {\n"
                           "  \"1:100\" 0;  \"100.000000\" 0\n"
                           "  \"1:500\" 1;  \"250\" 0\n"
                           "  \"1:1000\" 0;  \"1000.000000\" 0\n"
                           "}\n";

class ZvlibPlotScaleTest : public zvlibtest::AppTest {
  protected:
    ZvlibPlotScaleTest()
        : AppTest(nullptr,
                  "Include \"" + ZVLIB_RSC + "\"\n" +
                      "DialogBox 20026 \"Plotteskala\" { Item ListBox 20010 { Columns 2 } }\n",
                  {.dirPrefix = "zvscale", .rscName = "app.rsc"})
    {
    }
    void beforeRegister() override
    {
        mdlSystem_defineCfgVar("ZV_DIR", "/opt/zv");
        mdlSystem_defineCfgVar("ZV_DATA", (dir_ + "/nowhere;" + dir_ + "/data").c_str());
        std::filesystem::create_directories(dir_ + "/data");
        writeFile("data/scales.rsc", STORED);
        mdlSystem_defineCfgVar("ZV_PLOTSCALES", "scales.rsc");
    }
    void SetUp() override
    {
        AppTest::SetUp();
        if (HasFatalFailure())
            return;
        heard.clear();
        firstEver_ = zvlibMain_applicationTable()->count == 0;
        a_ = start("ZVSA");
        b_ = start("ZVSB");
        mdlhost_setCurrMdlDesc(a_);
        mdlhost_clearTextWindow();
    }
    void TearDown() override
    {
        mdlhost_setCurrMdlDesc(previous_);
        for (MdlDesc *d : {a_, b_})
            if (d != nullptr)
                mdlhost_unregisterApplication(d);
        for (const char *v : {"ZV_DIR", "ZV_DATA", "ZV_PLOTSCALES"})
            mdlSystem_defineCfgVar(v, nullptr);
        AppTest::TearDown();
    }
    MdlDesc *start(const char *task)
    {
        MdlDesc *d = mdlhost_registerApplication(task, rsc_.c_str());
        EXPECT_NE(d, nullptr);
        MdlDesc *was = mdlhost_setCurrMdlDesc(d);
        char *argv[] = {const_cast<char *>("app.ma"), const_cast<char *>("USER")};
        EXPECT_EQ(zvlibMain_initZvLib(task, 2, argv), 0);
        zvlibMain_setScaleFunction(scaleChanged);
        mdlhost_setCurrMdlDesc(was);
        return d;
    }
    // The list as "name=value" texts, the active row marked with '*'.
    static std::vector<std::string> rows()
    {
        std::vector<std::string> all;
        zvlibPlotScale *ps = zvlibMain_plotScale();
        for (int r = 0; r < mdlListModel_getRowCount(ps->scaleList); r++)
            all.push_back(std::string(r == ps->activeRow ? "*" : "") + mdlListModel_getCellText(ps->scaleList, r, 0) +
                          "=" + mdlListModel_getCellText(ps->scaleList, r, 1));
        return all;
    }
    // Reads the list from resource source text written to a file.
    int readFrom(const std::string &source)
    {
        std::string file = writeFile("read.rsc", source);
        RscFileHandle h = nullptr;
        EXPECT_EQ(mdlResource_openFile(&h, file.c_str(), MDLHOST_RSC_READ), MDLHOST_RSC_OK);
        int rc = zvlibPlotScale_readSettings(h);
        mdlResource_closeFile(h);
        return rc;
    }
    bool firstEver_ = false;
    MdlDesc *a_ = nullptr;
    MdlDesc *b_ = nullptr;
};

const std::vector<std::string> STORED_ROWS = {"1:100=100.000000", "*1:500=250", "1:1000=1000.000000"};

TEST_F(ZvlibPlotScaleTest, FirstStartUpReadsTheConfiguredFile)
{
    if (!firstEver_)
        GTEST_SKIP() << "the list is read at the first registration of the process only";
    EXPECT_EQ(rows(), STORED_ROWS);
    EXPECT_EQ(zvlibMain_plotScale()->activeScale, 250.0);
}

TEST_F(ZvlibPlotScaleTest, StartUpListFallsBackToTheBuiltInScales)
{
    struct Case {
        const char *plotScales; // ZV_PLOTSCALES; null: undefined
        const char *fileText;   // written as data/other.rsc; null: none
        int result;
    } cases[] = {
        {"scales.rsc", nullptr, 0},
        {nullptr, nullptr, 1},
        {"missing.rsc", nullptr, 1},
        {"other.rsc", "Description \"Plotscales\"\n", 1},           // no list in it
        {"other.rsc", "StringList 20001 1 {\n}\n", 1},               // an empty list
        {"other.rsc", "StringList 20001 1 { \"1:5\" 1; \"5\"\n", 1},   // malformed
    };
    for (const Case &c : cases) {
        if (c.fileText)
            writeFile("data/other.rsc", c.fileText);
        mdlSystem_defineCfgVar("ZV_PLOTSCALES", c.plotScales);
        EXPECT_EQ(zvlibPlotScale_loadStartupList(), c.result) << (c.plotScales ? c.plotScales : "null");
        zvlibPlotScale *ps = zvlibMain_plotScale();
        if (c.result == 0) {
            EXPECT_EQ(rows(), STORED_ROWS);
            continue;
        }
        ASSERT_EQ(mdlListModel_getRowCount(ps->scaleList), 15);
        EXPECT_EQ(ps->activeRow, 0);
        EXPECT_EQ(ps->activeScale, 1.0);
        EXPECT_STREQ(mdlListModel_getCellText(ps->scaleList, 0, 0), "1:1");
        EXPECT_STREQ(mdlListModel_getCellText(ps->scaleList, 10, 1), "500.000000");
        EXPECT_STREQ(mdlListModel_getCellText(ps->scaleList, 14, 0), "1:10000");
    }
}

TEST_F(ZvlibPlotScaleTest, ReadingAListTellsTheOtherApplications)
{
    mdlSystem_defineCfgVar("ZV_PLOTSCALES", nullptr);
    ASSERT_EQ(zvlibPlotScale_loadStartupList(), 1);
    heard.clear();
    ASSERT_EQ(readFrom(STORED), 0);
    EXPECT_EQ(rows(), STORED_ROWS);
    EXPECT_EQ(zvlibMain_plotScale()->activeScale, 250.0);
    ASSERT_EQ(heard.size(), 1u) << "the reader's own function is not called";
    EXPECT_EQ(heard[0].app, b_);
    EXPECT_EQ(heard[0].oldScale, 1.0);
    EXPECT_EQ(heard[0].newScale, 250.0);

    heard.clear();
    ASSERT_EQ(readFrom(STORED), 0);
    EXPECT_TRUE(heard.empty()) << "the same scale again is no change";
}

TEST_F(ZvlibPlotScaleTest, StoredListsOfEveryShape)
{
    struct Case {
        const char *source;
        int result;
        std::vector<std::string> rows; // empty: the list before stays
        double scale;
    } cases[] = {
        {"StringList 20001 1 { \"1:20\" 0; \"20\" 0; \"1:50\" 0; \"50\" 0 }\n", 0, {"*1:20=20", "1:50=50"}, 20.0},
        {"StringList 20001 1 { \"1:20\" 0; \"20\" 0; \"1:50\" 1; \"x50\" 0 }\n", 0, {"1:20=20", "*1:50=x50"}, 1.0},
        {"StringList 20001 1 { \"1:20\" 0; \"20\" 0; \"1:50\" 1; \"-5\" 0 }\n", 0, {"1:20=20", "*1:50=-5"}, 1.0},
        {"StringList 20001 1 { \"1:20\" 1; \"20\" 0; \"1:75\" 1 }\n", 0, {"*1:20=20", "1:75=75.000000"}, 20.0},
        {"StringList 20001 0 { \"1:8\"; \"8\" }\n", 0, {"*1:8=8"}, 8.0}, // no info fields: the first row
        {"StringList 20002 1 { \"1:8\" 1; \"8\" 0 }\n", ZVLIB_FAILURE, {}, 0},
        {"StringList 20001 1 { }\n", ZVLIB_FAILURE, {}, 0},
    };
    for (const Case &c : cases) {
        mdlSystem_defineCfgVar("ZV_PLOTSCALES", nullptr);
        ASSERT_EQ(zvlibPlotScale_loadStartupList(), 1);
        std::vector<std::string> before = rows();
        EXPECT_EQ(readFrom(c.source), c.result) << c.source;
        EXPECT_EQ(rows(), c.rows.empty() ? before : c.rows) << c.source;
        EXPECT_EQ(zvlibMain_plotScale()->activeScale, c.rows.empty() ? 1.0 : c.scale) << c.source;
    }
    EXPECT_EQ(zvlibPlotScale_readSettings(nullptr), ZVLIB_FAILURE);
}

TEST_F(ZvlibPlotScaleTest, OpenScaleDialogShowsTheNewList)
{
    MSDialog *db = mdlDialog_open(nullptr, ZVLIB_PLOTSCALE_DIALOG);
    ASSERT_NE(db, nullptr);
    DialogItem *box = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, ZVLIB_PLOTSCALE_LISTBOX, 0);
    ASSERT_NE(box, nullptr);
    mdlDialog_listBoxSetListModelP(box, zvlibMain_plotScale()->scaleList);
    ASSERT_EQ(readFrom(STORED), 0);
    EXPECT_EQ(mdlDialog_listBoxGetListModelP(box), zvlibMain_plotScale()->scaleList);
    EXPECT_EQ(mdlDialog_listBoxNRows(box), 3);
    EXPECT_STREQ(mdlhost_listBoxCellText(box, 1, 0), "1:500");
    mdlWindow_close(db);
}

} // namespace
