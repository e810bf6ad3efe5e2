// Loading applications from shared libraries, their arguments, process
// numbers and unloading.
#include <cstring>
#include <filesystem>

#include "testing/frame_testing.h"

namespace {

using frametest::FrameTest;

TEST_F(FrameTest, MdlMainGetsTheKeyinArguments)
{
    std::string lib = appPath("libhosttesta.so");
    struct Case {
        const char *keyin;
        std::vector<std::string> argv; // after argv[0], the library
    } cases[] = {
        {"mdl load hosttesta -ijob.txt -ireport.txt", {"USER", "-ijob.txt", "-ireport.txt"}},
        {"mdl load HostTestA USER -ijob.txt -ireport.txt", {"USER", "-ijob.txt", "-ireport.txt"}},
        {"MDL LOAD hosttesta MS_INITAPPS", {"MS_INITAPPS"}},
        {"mdl load hosttesta", {"USER"}},
        {"mdl load hosttesta \"two words\"   x", {"USER", "two words", "x"}},
        {"mdl load hosttesta user", {"USER", "user"}}, // an origin is written exactly
    };
    for (const Case &c : cases) {
        mdlhost_clearTextWindow();
        keyin(c.keyin);
        std::string self = "HOSTTESTA ";
        EXPECT_TRUE(saw(self + "MdlMain argc=" + std::to_string(c.argv.size() + 1) + " current=HOSTTESTA pn=" +
                        std::to_string(mdlSystem_getProcessNumberFromMdlDesc(mdlSystem_findMdlDesc("hosttesta")))))
            << c.keyin << "\n" << text();
        EXPECT_TRUE(saw(self + "argv[0]=" + lib)) << c.keyin << "\n" << text();
        for (size_t i = 0; i < c.argv.size(); i++)
            EXPECT_TRUE(saw(self + "argv[" + std::to_string(i + 1) + "]=" + c.argv[i])) << c.keyin << "\n" << text();
        MdlDesc *desc = mdlSystem_findMdlDesc("HOSTTESTA");
        ASSERT_NE(desc, nullptr);
        EXPECT_EQ(mdlResource_getApplLoadFile(desc), lib);
        EXPECT_EQ(mdlSystem_getCurrMdlDesc(), nullptr);
        keyin("mdl unload hosttesta");
    }
}

TEST_F(FrameTest, VersionAndLoadFileBelongToTheApplication)
{
    keyin("mdl load hosttesta");
    MdlDesc *desc = mdlSystem_findMdlDesc("HOSTTESTA");
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(mdlSystem_getMdlAppVersionNumber(), 0);
    mdlhost_setCurrMdlDesc(desc);
    EXPECT_EQ(mdlSystem_getMdlAppVersionNumber(), 8 | 5 << 8 | 2 << 16 | 70 << 24);
    EXPECT_EQ(mdlResource_getApplLoadFile(nullptr), appPath("libhosttesta.so"));
    mdlhost_setCurrMdlDesc(nullptr);
    EXPECT_STREQ(mdlResource_getApplLoadFile(nullptr), "");
}

TEST_F(FrameTest, FindsLibrariesOrSaysWhyNot)
{
    writeFile("notelf.so", "not a library\n");
    define("MDLAPP_ALIAS", appPath("libhosttestb.so"));
    define("MDLAPP_GONE", "/nonexistent/libgone.so");
    define("MDLAPP_NOMAIN", MDLHOST_LIBRARY);
    define("MDLAPP_NOTELF", path("notelf.so"));
    define("MS_MDL", "/nonexistent;" + std::string(MDLHOST_TEST_APPDIR));
    struct Case {
        std::string keyin, task; // task "": the load fails
        const char *says;        // on the text window
    } cases[] = {
        {"mdl load alias", "ALIAS", "HOSTTESTB MdlMain argc=2 current=ALIAS"},
        {"mdl load " + appPath("libhosttestb.so"), "HOSTTESTB", "HOSTTESTB MdlMain"},
        {"mdl load libhosttestb.so", "HOSTTESTB", "HOSTTESTB MdlMain"},
        {"mdl load HOSTTESTB", "HOSTTESTB", "HOSTTESTB MdlMain"}, // lib name found without case
        {"mdl load nosuch", "", "application not found"},
        {"mdl load gone", "", "MDLAPP_GONE names /nonexistent/libgone.so"},
        {"mdl load nomain", "", "has no MdlMain"},
        {"mdl load notelf", "", "mdl load notelf: "},
        {"mdl load " + path("missing.so"), "", "no such file"},
        {"mdl load", "", ""},
    };
    for (const Case &c : cases) {
        mdlhost_clearTextWindow();
        int rc = mdlhost_keyin(c.keyin.c_str());
        EXPECT_EQ(rc, c.task.empty() ? MDLHOST_KEYIN_FAILED : MDLHOST_KEYIN_OK) << c.keyin;
        EXPECT_NE(text().find(c.says), std::string::npos) << c.keyin << "\n" << text();
        if (c.task.empty()) {
            EXPECT_NE(newestMessage().find("\"" + c.keyin + "\" failed"), std::string::npos) << newestMessage();
        } else {
            ASSERT_NE(mdlSystem_findMdlDesc(c.task.c_str()), nullptr) << c.keyin;
            keyin("mdl unload " + c.task);
        }
    }
    EXPECT_EQ(mdlSystem_findMdlDesc("NOMAIN"), nullptr);
    EXPECT_EQ(mdlSystem_findMdlDesc("NOTELF"), nullptr);

    keyin("mdl load hosttesta");
    mdlhost_clearTextWindow();
    EXPECT_EQ(mdlhost_keyin("mdl load HOSTTESTA"), MDLHOST_KEYIN_FAILED);
    EXPECT_NE(text().find("HOSTTESTA is already loaded"), std::string::npos) << text();
    EXPECT_EQ(count("MdlMain"), 0u);
}

TEST_F(FrameTest, UnloadAndLoadAgainGiveANewProcessNumber)
{
    keyin("mdl load hosttesta");
    keyin("mdl load hosttestb");
    MdlDesc *first = mdlSystem_findMdlDesc("HOSTTESTA");
    int pn = mdlSystem_getProcessNumberFromMdlDesc(first);
    ASSERT_GT(pn, 0);
    EXPECT_EQ(mdlSystem_getMdlDescFromProcessNumber(pn), first);
    EXPECT_NE(mdlSystem_getProcessNumberFromMdlDesc(mdlSystem_findMdlDesc("HOSTTESTB")), pn);

    keyin("mdl unload hosttesta");
    EXPECT_TRUE(saw("HOSTTESTA unload reason=0 current=HOSTTESTA")) << text();
    EXPECT_EQ(mdlSystem_findMdlDesc("HOSTTESTA"), nullptr);
    EXPECT_EQ(mdlSystem_getMdlDescFromProcessNumber(pn), nullptr);
    EXPECT_EQ(mdlSystem_getProcessNumberFromMdlDesc(first), -1); // stale pointers are not read

    keyin("mdl load hosttesta");
    MdlDesc *again = mdlSystem_findMdlDesc("HOSTTESTA");
    int pn2 = mdlSystem_getProcessNumberFromMdlDesc(again);
    EXPECT_GT(pn2, pn);
    EXPECT_EQ(mdlSystem_getMdlDescFromProcessNumber(pn), nullptr);
    EXPECT_EQ(mdlSystem_getMdlDescFromProcessNumber(pn2), again);
    // The command table came back with the application.
    keyin("testa echo again");
    EXPECT_TRUE(saw("HOSTTESTA echo [again] current=HOSTTESTA cmd=0x01000100")) << text();

    EXPECT_EQ(mdlhost_keyin("mdl unload nosuch"), MDLHOST_KEYIN_FAILED);
    EXPECT_EQ(mdlSystem_getProcessNumberFromMdlDesc(nullptr), -1);
}

TEST_F(FrameTest, OnlyAUserUnloadCanBeRefused)
{
    keyin("mdl load hosttesta");
    keyin("mdl load hosttestb");
    keyin("testa refuse 1");
    keyin("testb refuse 1");

    keyin("mdl unload hosttesta");
    EXPECT_NE(mdlSystem_findMdlDesc("HOSTTESTA"), nullptr);
    EXPECT_NE(text().find("the application refused to unload"), std::string::npos) << text();
    EXPECT_EQ(mdlSystem_unloadMdlProgram("HOSTTESTA"), 1);
    EXPECT_EQ(mdlSystem_unloadMdlProgram("NOSUCH"), -1);

    // mdlSystem_exit returns to its caller; the unload follows in the loop.
    mdlhost_clearTextWindow();
    keyin("testa exit");
    EXPECT_TRUE(saw("HOSTTESTA exit returned 0 current=HOSTTESTA")) << text();
    EXPECT_NE(mdlSystem_findMdlDesc("HOSTTESTA"), nullptr);
    EXPECT_EQ(mdlhost_processQueue(), 0);
    EXPECT_TRUE(saw("HOSTTESTA unload reason=-1 current=HOSTTESTA")) << text();
    EXPECT_EQ(mdlSystem_findMdlDesc("HOSTTESTA"), nullptr);

    // Ending the session unloads even a refusing application.
    mdlhost_clearTextWindow();
    mdlhost_shutdown();
    EXPECT_TRUE(saw("HOSTTESTB unload reason=-2 current=HOSTTESTB")) << text();
    EXPECT_EQ(mdlSystem_findMdlDesc("HOSTTESTB"), nullptr);
}

TEST_F(FrameTest, AnUnloadWaitsWhileTheApplicationRuns)
{
    keyin("mdl load hosttesta");
    keyin("testa unloadnow");
    EXPECT_TRUE(saw("HOSTTESTA unload reason=0 current=HOSTTESTA")) << text();
    EXPECT_TRUE(saw("HOSTTESTA unload asked 0, still running current=HOSTTESTA")) << text();
    EXPECT_NE(mdlSystem_findMdlDesc("HOSTTESTA"), nullptr);
    EXPECT_EQ(mdlhost_processQueue(), 0);
    EXPECT_EQ(mdlSystem_findMdlDesc("HOSTTESTA"), nullptr);
    EXPECT_EQ(count("unload reason="), 1u); // the hook was asked once

    // The application queues its own unload; it runs from the loop.
    keyin("mdl load hosttesta");
    keyin("testa unloadme");
    ASSERT_EQ(mdlhost_inputQueueCount(), 1);
    const char *task = nullptr;
    uint32_t number = 0;
    EXPECT_EQ(mdlhost_inputQueueEntry(0, nullptr, &number, &task), MDLHOST_INPUT_COMMAND);
    EXPECT_EQ(number, MDLHOST_CMD_UNLOAD);
    EXPECT_STREQ(task, "HOSTTESTA");
    EXPECT_NE(mdlSystem_findMdlDesc("HOSTTESTA"), nullptr);
    EXPECT_EQ(mdlhost_processQueue(), 0);
    EXPECT_EQ(mdlSystem_findMdlDesc("HOSTTESTA"), nullptr);
}

TEST_F(FrameTest, InitAppsAndProgramLoads)
{
    define("MS_INITAPPS", "hosttesta; hosttestb");
    EXPECT_EQ(mdlhost_loadInitApps(), 0);
    EXPECT_TRUE(saw("HOSTTESTA argv[1]=MS_INITAPPS")) << text();
    EXPECT_TRUE(saw("HOSTTESTB argv[1]=MS_INITAPPS")) << text();
    mdlhost_shutdown();

    define("MS_INITAPPS", "nosuch hosttestb");
    EXPECT_EQ(mdlhost_loadInitApps(), 1);
    EXPECT_NE(mdlSystem_findMdlDesc("HOSTTESTB"), nullptr);

    mdlhost_clearTextWindow();
    EXPECT_EQ(mdlSystem_loadMdlProgram("hosttesta", nullptr, "-ia \"b c\""), 0);
    EXPECT_TRUE(saw("HOSTTESTA argv[1]=USER")) << text();
    EXPECT_TRUE(saw("HOSTTESTA argv[2]=-ia")) << text();
    EXPECT_TRUE(saw("HOSTTESTA argv[3]=b c")) << text();
    EXPECT_EQ(mdlSystem_loadMdlProgram("nosuch", nullptr, nullptr), -1);
}

TEST_F(FrameTest, FindsApplicationsByTaskNameInTheHostsOwnFolders)
{
    // No variable at all: the folder of the host's library is searched.
    mdlSystem_defineCfgVar("MS_MDL", nullptr);
    keyin("mdl load hosttesta");
    EXPECT_TRUE(saw("HOSTTESTA argv[0]=" + appPath("libhosttesta.so"))) << text();

    // A task whose library has another name: the build wrote hosttask.app
    // beside the libraries, naming the library and its resource file.
    char library[MDLHOST_MAXFILELENGTH], resources[MDLHOST_MAXFILELENGTH];
    ASSERT_EQ(mdlhost_findApplication("hosttask", library, sizeof library, resources, sizeof resources), 0) << library;
    EXPECT_EQ(std::string(library), appPath("libhosttestb.so"));
    EXPECT_EQ(std::string(resources), ZERA_SOURCE_DIR "/host/app/testing/hosttask.rsc");
    EXPECT_TRUE(std::filesystem::exists(resources));
    ASSERT_EQ(mdlhost_findApplication("HOSTTASK", library, sizeof library, resources, sizeof resources), 0);
    EXPECT_EQ(std::string(library), appPath("libhosttestb.so"));

    EXPECT_EQ(mdlhost_findApplication("nosuch", library, sizeof library, resources, sizeof resources), -1);
    EXPECT_NE(std::string(library).find("nosuch.app"), std::string::npos) << library;
    EXPECT_STREQ(resources, "");
    char tiny[8];
    EXPECT_EQ(mdlhost_findApplication("hosttask", tiny, sizeof tiny, resources, sizeof resources), 0);
    EXPECT_EQ(strlen(tiny), sizeof tiny - 1); // cut, terminated
}

TEST_F(FrameTest, AppFilesNameTheLibraryOfATask)
{
    std::filesystem::create_directories(path("sub"));
    std::filesystem::copy_file(appPath("libhosttestb.so"), path("sub/copy.so"));
    writeFile("other.app", "# another task on the same code\nlibrary = " + appPath("libhosttestb.so") + "\n");
    writeFile("rel.app", "library = sub/copy.so\r\n\r\n   resources =   b.rsc  \r\n");
    writeFile("noeq.app", "library sub/copy.so\n");
    writeFile("odd.app", "# fine\nlibrary = sub/copy.so\nprogram = x\n");
    writeFile("empty.app", "# nothing here\n");
    writeFile("gone.app", "library = nothere.so\n");
    define("MS_MDL", dir_ + ";" + MDLHOST_TEST_APPDIR);
    struct Case {
        std::string keyin, task; // task "": the load fails
        std::string says;        // on the text window
    } cases[] = {
        {"mdl load other", "OTHER", "HOSTTESTB MdlMain argc=2 current=OTHER"},
        {"mdl load REL", "REL", "HOSTTESTB argv[0]=" + path("sub/copy.so")},
        {"mdl load noeq", "", path("noeq.app") + " line 1: expected \"library = FILE\""},
        {"mdl load odd", "", path("odd.app") + " line 3: expected"},
        {"mdl load empty", "", path("empty.app") + ": no \"library = FILE\" line"},
        {"mdl load gone", "", path("gone.app") + " names " + path("nothere.so") + ", which does not exist"},
    };
    for (const Case &c : cases) {
        mdlhost_clearTextWindow();
        int rc = mdlhost_keyin(c.keyin.c_str());
        EXPECT_EQ(rc, c.task.empty() ? MDLHOST_KEYIN_FAILED : MDLHOST_KEYIN_OK) << c.keyin;
        EXPECT_NE(text().find(c.says), std::string::npos) << c.keyin << "\n" << text();
        if (!c.task.empty()) {
            EXPECT_NE(mdlSystem_findMdlDesc(c.task.c_str()), nullptr) << c.keyin;
        }
    }
    // The resource file the .app names gives REL its command table.
    mdlhost_clearTextWindow();
    keyin("testb echo via rel");
    EXPECT_TRUE(saw("HOSTTESTB echo [via rel] current=REL cmd=0x01000100")) << text();
}

} // namespace
