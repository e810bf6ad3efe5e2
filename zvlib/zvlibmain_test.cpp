#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "zvliberror.h"
#include "zvlibmain.h"
#include "testing/zvlib_testing.h"

namespace fs = std::filesystem;

namespace {

const std::string ZVLIB_RSC = ZERA_SOURCE_DIR "/zvlib/zvlib.rsc";

struct Call {
    int what;
    MdlDesc *current;
    double a, b;
};
std::vector<Call> calls;

template <int N> int deferred()
{
    calls.push_back({N, mdlSystem_getCurrMdlDesc(), 0, 0});
    return 0;
}
int scaleChanged(double oldScale, double newScale)
{
    calls.push_back({-1, mdlSystem_getCurrMdlDesc(), oldScale, newScale});
    return 0;
}

const ZvlibInitFunc DEFERRED[] = {deferred<0>, deferred<1>, deferred<2>, deferred<3>, deferred<4>, deferred<5>,
                                  deferred<6>, deferred<7>, deferred<8>, deferred<9>, deferred<10>};

// Each test registers its own applications (see start()); the fixture only
// provides the shared resource file and restores the current application.
class ZvlibMainTest : public zvlibtest::AppTest {
  protected:
    ZvlibMainTest()
        : AppTest(nullptr,
                  "Include \"" + ZVLIB_RSC + "\"\n" + "DialogBox 30001 \"Delt\" { Item PushButton -3 \"OK\" }\n",
                  {.dirPrefix = "zvmain", .rscName = "app.rsc"})
    {
    }
    void beforeRegister() override
    {
        mdlSystem_defineCfgVar("ZV_DIR", "/opt/zv"); // no installation question unless a test asks
    }
    void SetUp() override
    {
        AppTest::SetUp();
        if (HasFatalFailure())
            return;
        mdlhost_clearTextWindow();
        calls.clear();
    }
    void TearDown() override
    {
        mdlhost_setCurrMdlDesc(previous_);
        for (MdlDesc *d : apps_)
            if (mdlSystem_getProcessNumberFromMdlDesc(d) >= 0)
                mdlhost_unregisterApplication(d);
        AppTest::TearDown();
    }
    // Registers a host application and starts the library in it.
    MdlDesc *start(const char *task, const char *name, const char *origin = "USER", const char *path = "app.ma",
                   int *result = nullptr, bool withResources = true)
    {
        MdlDesc *d = mdlhost_registerApplication(task, withResources ? rsc_.c_str() : nullptr);
        EXPECT_NE(d, nullptr) << task;
        apps_.push_back(d);
        MdlDesc *was = mdlhost_setCurrMdlDesc(d);
        char *argv[] = {const_cast<char *>(path), const_cast<char *>(origin)};
        int r = zvlibMain_initZvLib(name, 2, argv);
        if (result)
            *result = r;
        mdlhost_setCurrMdlDesc(was);
        return d;
    }
    // Runs fn with desc current, as the application's own code would.
    template <class F> auto as(MdlDesc *desc, F fn)
    {
        MdlDesc *was = mdlhost_setCurrMdlDesc(desc);
        auto r = fn();
        mdlhost_setCurrMdlDesc(was);
        return r;
    }
    std::vector<MdlDesc *> apps_;
};

TEST_F(ZvlibMainTest, EachApplicationFindsItsOwnRecordAndDeadEntriesAreReused)
{
    MdlDesc *a = start("ZVA", "ZvZera");
    MdlDesc *b = start("ZVB", "Zera");
    int count = zvlibMain_applicationTable()->count;
    EXPECT_EQ(as(a, [] { return std::string(zvlibMain_getApplicationName()); }), "ZvZera");
    EXPECT_EQ(as(b, [] { return std::string(zvlibMain_getApplicationName()); }), "Zera");
    EXPECT_EQ(as(a, [] { return std::string(zvlibMain_getGlobalDataP()->boxTitleType1); }), "ZvZera - melding");
    EXPECT_EQ(as(b, [] { return std::string(zvlibMain_getGlobalDataP()->boxTitleType8); }),
              "Zera - sp\xF8rsm\xE5l");
    EXPECT_EQ(as(b, [] { return std::string(zvlibMain_getGlobalDataP()->boxTitleType2); }), "Advarsel");
    zvlibGlobalData *gb = as(b, [] { return zvlibMain_getGlobalDataP(); });
    EXPECT_EQ(gb->pageScale, 1.0);
    EXPECT_EQ(gb->selectedAttribute, -1);
    EXPECT_EQ(gb->infoPage, -1);
    EXPECT_EQ(gb->previewCurrentPage, -1);
    EXPECT_EQ(gb->pageRecordSaved, 1);
    EXPECT_STREQ(gb->dialogData->decimalSeparator, ",");
    EXPECT_EQ(zvlibMain_publishedRecord(), gb) << "the last registration is published";

    int slotA = -1;
    for (int i = 0; i < count; i++)
        if (zvlibMain_applicationTable()->entries[i].mdlDesc == a)
            slotA = i;
    ASSERT_GE(slotA, 0);
    mdlhost_unregisterApplication(a);
    MdlDesc *c = start("ZVC", "Tredje");
    EXPECT_EQ(zvlibMain_applicationTable()->entries[slotA].mdlDesc, c);
    EXPECT_EQ(zvlibMain_applicationTable()->count, count);
    EXPECT_EQ(as(c, [] { return std::string(zvlibMain_getApplicationName()); }), "Tredje");
}

TEST_F(ZvlibMainTest, FullRegistryRefusesTheNextApplicationWithoutHarm)
{
    int live = 0;
    for (int i = 0; i < zvlibMain_applicationTable()->count; i++)
        live += mdlSystem_getMdlDescFromProcessNumber(zvlibMain_applicationTable()->entries[i].processNumber) != nullptr;
    for (int i = live; i < ZVLIB_MAX_APPLICATIONS; i++) {
        int r = -1;
        start(("ZVFULL" + std::to_string(i)).c_str(), "Full", "USER", "app.ma", &r, false);
        ASSERT_EQ(r, 0) << i;
    }
    zvlibApplicationTableT before = *zvlibMain_applicationTable();
    mdlhost_clearTextWindow();
    int r = 0;
    MdlDesc *extra = start("ZVEXTRA", "Extra", "USER", "app.ma", &r, false);
    EXPECT_EQ(r, ZVLIB_FAILURE);
    EXPECT_STREQ(mdlhost_textWindow(), "Error in zvlib_InitGlobalData\n");
    EXPECT_EQ(memcmp(&before, zvlibMain_applicationTable(), sizeof before), 0) << "registry unchanged";

    mdlhost_clearTextWindow();
    EXPECT_STREQ(as(extra, [] { return zvlibMain_getApplicationName(); }), "");
    EXPECT_STREQ(mdlhost_textWindow(), "Error in zvlib_GetGlobalDataP\n");
    as(extra, [] {
        zvlibMain_addInitApp(deferred<0>);
        zvlibMain_execFuncOrAddToInitApps(deferred<1>);
        zvlibMain_setScaleFunction(scaleChanged);
        zvlibError_setTitle(1, "x");
        return 0;
    });
    EXPECT_EQ(as(extra, [] { return zvlibMain_callScaleFunctions(1, 2, 1); }), ZVLIB_FAILURE);
    EXPECT_TRUE(calls.empty());
}

TEST_F(ZvlibMainTest, DeferredFunctionsRunOnceAtTheFirstDesignFile)
{
    MdlDesc *app = start("ZVINIT", "Init", MDLHOST_ORIGIN_INITAPPS);
    EXPECT_EQ(as(app, [] { return zvlibMain_currentAppIsInitApp(); }), 1);
    as(app, [] {
        for (ZvlibInitFunc f : DEFERRED)
            zvlibMain_execFuncOrAddToInitApps(f);
        return 0;
    });
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(as(app, [] { return zvlibMain_getGlobalDataP()->deferredFunctionCount; }), ZVLIB_MAX_INIT_FUNCTIONS);

    // The library set itself as the application's new-design-file hook.
    MdlFunctionP hook = mdlhost_getFunction(app, MDLHOST_HOOK_NEWDESIGNFILE);
    ASSERT_EQ(hook, reinterpret_cast<MdlFunctionP>(zvlibMain_newDesignFile));
    char name[] = "a.dgn";
    dlmSystem_callAnyFunction(app, hook, "PI", name, 0);
    EXPECT_TRUE(calls.empty()) << "a closing file runs nothing";
    dlmSystem_callAnyFunction(app, hook, "PI", name, 1);
    ASSERT_EQ(calls.size(), 10u);
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(calls[i].what, i);
        EXPECT_EQ(calls[i].current, app);
    }
    calls.clear();
    dlmSystem_callAnyFunction(app, hook, "PI", name, 1);
    EXPECT_TRUE(calls.empty()) << "only the first design file";
    EXPECT_EQ(as(app, [] { return zvlibMain_currentAppIsInitApp(); }), 0);

    MdlDesc *user = start("ZVUSER", "User");
    as(user, [] {
        zvlibMain_execFuncOrAddToInitApps(deferred<7>);
        return 0;
    });
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].what, 7);
    EXPECT_EQ(calls[0].current, user);
}

TEST_F(ZvlibMainTest, ScaleChangesReachTheOtherLiveApplications)
{
    MdlDesc *a = start("ZVSA", "A");
    MdlDesc *b = start("ZVSB", "B");
    MdlDesc *c = start("ZVSC", "C");
    MdlDesc *dead = start("ZVSD", "D");
    MdlDesc *none = start("ZVSE", "E"); // sets no function
    for (MdlDesc *d : {a, b, c, dead})
        as(d, [] {
            zvlibMain_setScaleFunction(scaleChanged);
            return 0;
        });
    mdlhost_unregisterApplication(dead);
    (void)none;

    struct Case {
        int includeCaller;
        std::vector<MdlDesc *> reached;
    };
    const Case cases[] = {{0, {b, c}}, {1, {a, b, c}}};
    for (const Case &k : cases) {
        calls.clear();
        EXPECT_EQ(as(a, [&] { return zvlibMain_callScaleFunctions(1.0, 500.0, k.includeCaller); }), 0);
        std::vector<MdlDesc *> got;
        for (const Call &call : calls) {
            got.push_back(call.current);
            EXPECT_EQ(call.a, 1.0);
            EXPECT_EQ(call.b, 500.0);
        }
        std::sort(got.begin(), got.end());
        std::vector<MdlDesc *> want = k.reached;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << "include caller " << k.includeCaller;
    }
}

TEST_F(ZvlibMainTest, InstallationRootIsProposedFromTheApplicationPath)
{
    struct Case {
        const char *path;
        const char *answer;   // null: no box expected
        const char *zvDir;    // "" undefined
        const char *proposed; // in the box
    };
    // The host gives the library's own path, with '/'.
    const Case cases[] = {
        {"C:\\a\\b\\c\\d\\e\\app.ma", "press PushButton -3", "C:\\a\\b\\", "C:\\a\\b\\"},
        {"C:\\a\\b\\c\\d\\e\\app.ma", "press PushButton -4", "", "C:\\a\\b\\"},
        {"/opt/zv/x/build/lib/libApp.so", "press PushButton -3", "/opt/zv/", "/opt/zv/"},
        {"C:\\a/b\\c/d/e\\app.ma", "press PushButton -3", "C:\\a/b\\", "C:\\a/b\\"},
        {"c\\d\\e\\app.ma", nullptr, "", nullptr},
        {"c/d/e/app.so", nullptr, "", nullptr},
        {"app.ma", nullptr, "", nullptr},
    };
    int n = 0;
    for (const Case &k : cases) {
        SCOPED_TRACE(k.path);
        mdlSystem_defineCfgVar("ZV_DIR", nullptr);
        mdlSystem_defineCfgVar("_USTN_SITE", nullptr);
        mdlhost_clearDialogScripts();
        mdlhost_scriptModal(20011, k.answer ? k.answer : "press PushButton -3");
        start(("ZVDIR" + std::to_string(n++)).c_str(), "ZvZera", "USER", k.path);
        char value[256];
        int defined = mdlSystem_getCfgVar(value, "ZV_DIR", sizeof value);
        if (k.zvDir[0]) {
            ASSERT_EQ(defined, 0);
            EXPECT_STREQ(value, k.zvDir);
        } else {
            EXPECT_NE(defined, 0);
        }
        EXPECT_EQ(mdlhost_modalAnswersLeft(), k.answer ? 0 : 1);
        if (k.answer) {
            const ZvlibBoxInfo *box = zvlibError_lastBox();
            EXPECT_EQ(box->type, 1);
            EXPECT_STREQ(box->button2, "Avbryt");
            std::string all;
            for (int i = 0; i < box->lineCount; i++)
                all += std::string(box->lines[i]) + "\n";
            EXPECT_NE(all.find(k.proposed), std::string::npos) << all;
            // An undefined site variable gives an empty text, never "(null)".
            EXPECT_NE(all.find("i company.cfg:"), std::string::npos) << all;
        }
    }
}

TEST_F(ZvlibMainTest, DefaultPlotScalesAndVersion)
{
    MdlDesc *a = start("ZVP", "P");
    zvlibPlotScale *s = zvlibMain_plotScale();
    ASSERT_NE(s, nullptr);
    ASSERT_NE(s->scaleList, nullptr);
    EXPECT_EQ(mdlListModel_getRowCount(s->scaleList), 15);
    EXPECT_EQ(s->activeRow, 0);
    EXPECT_EQ(s->activeScale, 1.0);
    EXPECT_STREQ(mdlListModel_getCellText(s->scaleList, 14, 0), "1:10000");
    EXPECT_STREQ(as(a, [] { return zvlibMain_getZvlibVersion(); }), "Versjon 6.13");
    EXPECT_STREQ(zvlibMain_getZvlibLocation(), "Statically Linked");
}

TEST_F(ZvlibMainTest, OpeningALibraryDialogClosesTheOtherApplicationsCopy)
{
    MdlDesc *a = start("ZVOA", "A");
    MdlDesc *b = start("ZVOB", "B");
    MSDialog *inA = as(a, [] { return mdlDialog_open(nullptr, 30001); });
    ASSERT_NE(inA, nullptr);
    as(a, [] {
        zvlibMain_updateBeforeDialogOpen(30001);
        return 0;
    });
    EXPECT_EQ(mdlhost_dialogIsOpen(inA), 1) << "its own copy stays";
    EXPECT_EQ(zvlibMain_publishedRecord(), as(a, [] { return zvlibMain_getGlobalDataP(); }));
    as(b, [] {
        zvlibMain_updateBeforeDialogOpen(30001);
        return 0;
    });
    EXPECT_EQ(mdlDialog_findByTypeAndId(RTYPE_DialogBox, 30001, a), nullptr);
    EXPECT_EQ(zvlibMain_publishedRecord(), as(b, [] { return zvlibMain_getGlobalDataP(); }));
    char text[64];
    EXPECT_EQ(as(b, [&] { return mdlhost_accessGetText(text, sizeof text, "zgdP->applicationName"); }), 0);
    EXPECT_STREQ(text, "B");
}

} // namespace
