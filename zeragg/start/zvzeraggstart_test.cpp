// The GIS build loaded by the task name of the CAD build, in its place: the
// folder named in MS_MDL chooses it.  Its start connects to the project,
// publishes its record, and registers its commands beside the CAD build's.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brukerdata.h"
#include "frame_testing.h"

namespace fs = std::filesystem;

namespace {

class ZvZeraGGStartTest : public frametest::FrameTest {
  protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        define("MS_MDL", appPath("gis"));
        define("MS_USERPREF", path("user.upf"));
        define("MDLHOST_USERPREF", path("host.upf"));
        define("MS_TMP", dir_ + "/");
        define("ZV_DIR", dir_ + "/");
        mdlhost_clearDialogScripts();
        mdlhost_clearMessageCenter();
    }
    void TearDown() override
    {
        if (zvzera() != nullptr) {
            mdlhost_keyin("zvzera avslutt");
            mdlhost_processQueue();
        }
        mdlhost_clearDialogScripts();
        FrameTest::TearDown();
        mdlhost_closeUserPrefs();
        mdlMapProject_close();
        mdlhost_dbClose();
    }
    // A project with the catalogue tables and a category, named for the
    // GIS build's start.
    void project()
    {
        ASSERT_EQ(mdlhost_gisCreateProject(path("prosjekt.db").c_str()), 0);
        // The GIS build reads a project only once it has a category.
        ASSERT_EQ(mdlDB_processSQL("insert into category (mslink, cname) values (1, 'Veg')"), 0);
        mdlhost_dbClose();
        define("MDLHOST_GISPROJECT", path("prosjekt.db"));
    }
    static MdlDesc *zvzera() { return mdlSystem_findMdlDesc("ZVZERA"); }
    template <typename T> static T symbol(const char *name)
    {
        void *h = dlopen(mdlResource_getApplLoadFile(zvzera()), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(h, nullptr) << name;
        if (h == nullptr)
            return nullptr;
        void *s = dlsym(h, name);
        dlclose(h);
        return reinterpret_cast<T>(s);
    }
};

TEST_F(ZvZeraGGStartTest, TheGisFolderChoosesTheGisBuildAndItsResources)
{
    char library[MDLHOST_MAXFILELENGTH], resources[MDLHOST_MAXFILELENGTH];
    ASSERT_EQ(mdlhost_findApplication("zvzera", library, sizeof library, resources, sizeof resources), 0) << library;
    EXPECT_TRUE(fs::equivalent(library, appPath("libZvZeraGG.so"))) << library;
    EXPECT_EQ(std::string(resources), ZERA_SOURCE_DIR "/zeragg/zvzeragg.rsc");
}

TEST_F(ZvZeraGGStartTest, StartsAsZvzeraWithTheGisCommands)
{
    project();
    keyin("mdl load zvzera");
    ASSERT_NE(zvzera(), nullptr) << text();
    std::string lib = mdlResource_getApplLoadFile(zvzera());
    EXPECT_EQ(lib.substr(lib.size() - strlen("libZvZeraGG.so")), "libZvZeraGG.so");
    zeraBrukerGrensesnittData *d = *symbol<zeraBrukerGrensesnittData **>("brukerDataP");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->geoGraphicsBygg, 1);
    EXPECT_EQ(d->punktModus == 1 || d->punktModus == 2, true) << "never shared cells";
    EXPECT_EQ(mdlhost_lastAlertText() ? std::string(mdlhost_lastAlertText()).find("Unable to connect") : std::string::npos,
              std::string::npos);

    // Both records published, the GIS one naming the project it opened.
    MdlDesc *before = mdlhost_setCurrMdlDesc(zvzera());
    char out[300] = "";
    EXPECT_EQ(mdlhost_accessGetText(out, sizeof out, "sbgd.geoGraphicsBygg"), 0);
    EXPECT_STREQ(out, "1");
    EXPECT_EQ(mdlhost_accessGetText(out, sizeof out, "sGGbgd.prosjektTekst"), 0);
    EXPECT_TRUE(fs::equivalent(out, path("prosjekt.db"))) << out;
    mdlhost_setCurrMdlDesc(before);

    // The GIS build's commands answer; the empty ones do nothing.
    for (const char *k : {"zvzera gg ingenting", "zvzera gg vis hode", "zvzera gg lag flater",
                          "mdl command ZvCreateExit", "mdl command AreaFeatureFromCentroid",
                          "mdl command ZeraDatabaseToDgnlib"})
        EXPECT_EQ(mdlhost_keyin(k), MDLHOST_KEYIN_OK) << k << "\n" << text();
    mdlhost_clearInputQueue();

    // The database check writes its log where MS_TMP says.
    EXPECT_EQ(mdlhost_keyin("zvzera gg kontroller database"), MDLHOST_KEYIN_OK) << text();
    EXPECT_TRUE(fs::exists(path("zvzera_dbcheck.log")));
    mdlhost_clearInputQueue();
}

TEST_F(ZvZeraGGStartTest, WithoutAProjectTheApplicationEnds)
{
    define("MDLHOST_GISPROJECT", "");
    define("MDLHOST_DATABASE", "");
    keyin("mdl load zvzera");
    EXPECT_NE(mdlhost_lastAlertText(), nullptr);
    EXPECT_STREQ(mdlhost_lastAlertText(), "Unable to connect to MicroStation GeoGraphics");
    mdlhost_processQueue();
    EXPECT_EQ(zvzera(), nullptr) << "its own unload was queued";
}

} // namespace
