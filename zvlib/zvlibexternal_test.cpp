#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "mdlhost.h"
#include "zvliberror.h"
#include "zvlibmain.h"
#include "zvlibutil.h"
#include "testing/zvlib_testing.h"

namespace fs = std::filesystem;

namespace {

const std::string ZVLIB_RSC = ZERA_SOURCE_DIR "/zvlib/zvlib.rsc";

// Writes "prog=<its own name>" and one "[arg]" line per argument to
// args.txt beside itself, whole or not at all.
const char *const RECORDER = "#!/bin/sh\n"
                             "d=\"$(dirname \"$0\")\"\n"
                             "{ echo \"prog=$(basename \"$0\")\"; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; }"
                             " > \"$d/args.tmp\"\n"
                             "mv \"$d/args.tmp\" \"$d/args.txt\"\n";

class ZvlibExternalTest : public zvlibtest::AppTest {
  protected:
    ZvlibExternalTest()
        : AppTest("ZVEXT", "Include \"" + ZVLIB_RSC + "\"\n", {.dirPrefix = "zvext", .rscName = "app.rsc"})
    {
    }
    void beforeRegister() override
    {
        for (const char *name : {"cmd.sh", "notepad", "viewer", "hh.exe"}) {
            std::string p = path(name);
            std::ofstream(p) << RECORDER;
            chmod(p.c_str(), 0755);
        }
        const char *systemPath = getenv("PATH");
        mdlSystem_defineCfgVar("PATH", (dir_ + ":" + (systemPath ? systemPath : "/bin:/usr/bin")).c_str());
        mdlSystem_defineCfgVar("COMSPEC", path("cmd.sh").c_str());
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", path("host.upf").c_str());
    }
    void afterRegister() override
    {
        char *argv[] = {const_cast<char *>("app.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvExt", 2, argv), 0);
        mdlhost_clearTextWindow();
    }
    void afterUnregister() override
    {
        mdlhost_closeUserPrefs();
        for (const char *v : {"PATH", "COMSPEC", "MDLHOST_USERPREF", "_MSDRAFT", "ZV_LOCAL", "ZV_DIR", "ZV_CHMVIEWER",
                              "SystemRoot"})
            mdlSystem_defineCfgVar(v, nullptr);
    }
    // What the last recorder run got; "-" when none ran.
    std::string recorded(bool waitForIt = false)
    {
        std::string file = path("args.txt");
        for (int i = 0; waitForIt && i < 500 && !fs::exists(file); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(file);
        if (!in)
            return "-";
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void forget() { fs::remove(path("args.txt")); }
};

TEST_F(ZvlibExternalTest, CommandLineGoesToTheInterpreterOrStraightToTheProgram)
{
    struct Case {
        const char *line;
        const char *got;
    } cases[] = {
        {"copy a b", "prog=cmd.sh\n[/C]\n[COPY]\n[a]\n[b]\n"},
        {"run.bat y", "prog=cmd.sh\n[/C]\n[RUN.BAT]\n[y]\n"},
        {"  Dir", "prog=cmd.sh\n[/C]\n[DIR]\n"},
        {"xcopy \"a b\" c", "prog=cmd.sh\n[/C]\n[XCOPY]\n[a b]\n[c]\n"},
        {"copyx a", "-"}, // no such program: the word is no interpreter command either
        {"notepad x.txt", "prog=notepad\n[x.txt]\n"},
        {"notepad a;touch PWNED", "prog=notepad\n[a;touch]\n[PWNED]\n"},
        {"run.batch y", "-"},
    };
    for (const Case &c : cases) {
        forget();
        int status = 99;
        int rc = zvlibExternal_executeCommandLine(c.line, &status);
        EXPECT_EQ(recorded(), c.got) << c.line;
        EXPECT_EQ(rc, std::string(c.got) == "-" ? ZVLIB_FAILURE : 0) << c.line;
        EXPECT_EQ(status, std::string(c.got) == "-" ? 99 : 0) << c.line;
    }
    EXPECT_FALSE(fs::exists(path("PWNED")));
}

TEST_F(ZvlibExternalTest, NoInterpreterConfiguredRunsNothing)
{
    mdlSystem_defineCfgVar("COMSPEC", nullptr);
    unsetenv("COMSPEC");
    int status = 7;
    EXPECT_EQ(zvlibExternal_executeCommandLine("copy a b", &status), ZVLIB_FAILURE);
    EXPECT_EQ(status, 7);
    EXPECT_STREQ(mdlhost_textWindow(), "Error executing external program\n<$(COMSPEC) /C COPY a b>\nErrorcode -101\n");
    EXPECT_EQ(zvlibExternal_executeSystemCommand("del", "x", &status), ZVLIB_FAILURE);
    EXPECT_EQ(recorded(), "-");
}

TEST_F(ZvlibExternalTest, ExitStatusReplacesTheStatus)
{
    struct Case {
        const char *arguments;
        int status;
    } cases[] = {
        {"-c \"exit 0\"", 0},
        {"-c \"exit 3\"", 3},
        {"-c \"kill -KILL $$\"", 128 + 9},
    };
    for (const Case &c : cases) {
        int status = 99;
        EXPECT_EQ(zvlibExternal_executeProgram("sh", c.arguments, &status), 0) << c.arguments;
        EXPECT_EQ(status, c.status) << c.arguments;
    }
    EXPECT_EQ(zvlibExternal_executeProgram("sh", "-c \"exit 4\"", nullptr), 0) << "no status: waits all the same";
    EXPECT_STREQ(mdlhost_textWindow(), "");
}

TEST_F(ZvlibExternalTest, NoWaitReturnsAtOnce)
{
    std::string done = path("done");
    std::string arguments = "-c \"sleep 1; : > '" + done + "'\"";
    int status = ZVLIB_NO_WAIT;
    EXPECT_EQ(zvlibExternal_executeProgram("sh", arguments.c_str(), &status), 0);
    EXPECT_EQ(status, ZVLIB_NO_WAIT);
    EXPECT_FALSE(fs::exists(done)) << "returned before the program ended";
    for (int i = 0; i < 500 && !fs::exists(done); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fs::exists(done));
}

TEST_F(ZvlibExternalTest, ProgramThatCannotStart)
{
    int status = 5;
    EXPECT_EQ(zvlibExternal_executeProgram("nosuchprogram", "a b", &status), ZVLIB_FAILURE);
    EXPECT_EQ(status, 5);
    EXPECT_STREQ(mdlhost_textWindow(), "Error executing external program\n<nosuchprogram a b>\nErrorcode -101\n");

    mdlhost_clearTextWindow();
    EXPECT_EQ(zvlibExternal_executeProgram(nullptr, nullptr, &status), ZVLIB_FAILURE);
    EXPECT_STREQ(mdlhost_textWindow(), "Error executing external program\n< >\nErrorcode -101\n");
}

TEST_F(ZvlibExternalTest, DraftProductStartsNothingAndSaysSo)
{
    mdlSystem_defineConfigurationVariable("_MSDRAFT", "1", MDLHOST_CFGLEVEL_SITE);
    int status = 5;
    EXPECT_EQ(zvlibExternal_executeProgram("notepad", "x", &status), ZVLIB_FAILURE);
    EXPECT_EQ(status, 5);
    EXPECT_STREQ(zvlibError_lastBox()->lines[0],
                 "Denne funksjonen er ikke tilgjengelig i den enkle utgaven av tegneprogrammet.");
    EXPECT_EQ(zvlibExternal_executeCommandLine("copy a b", &status), ZVLIB_FAILURE);
    EXPECT_EQ(recorded(), "-");
}

TEST_F(ZvlibExternalTest, CompiledHelpRunsTheConfiguredViewer)
{
    EXPECT_EQ(zvlibWeb_openApplChmHelp(), 0) << "no root: nothing starts";
    EXPECT_STREQ(mdlhost_textWindow(), "");

    std::string root = dir_ + "/";
    mdlSystem_defineCfgVar("ZV_DIR", root.c_str());
    EXPECT_NE(zvlibWeb_openApplChmHelp(), 0) << "help file missing";
    fs::create_directories(path("help"));
    std::ofstream(path("help/ZvExt.chm")) << "chm";
    std::string plain = path("help/ZvExt.chm");

    struct Case {
        const char *viewerVar; // ZV_CHMVIEWER; null: undefined
        bool systemRoot;       // SystemRoot set to the directory holding hh.exe
        int result;            // 0 or non-zero
        const char *textWindow;
        const char *ran; // the viewer that got the help file; null: none
    } cases[] = {
        {nullptr, false, -1, "No help viewer configured: define ZV_CHMVIEWER\n", nullptr},
        {"nosuchviewer", true, -1, "Help viewer not found: nosuchviewer (ZV_CHMVIEWER)\n", nullptr},
        {"VIEWER", false, 0, "", "viewer"},
        {nullptr, true, 0, "", "hh.exe"},
    };
    for (const Case &c : cases) {
        forget();
        mdlhost_clearTextWindow();
        mdlSystem_defineCfgVar("ZV_CHMVIEWER", c.viewerVar);
        mdlSystem_defineCfgVar("SystemRoot", c.systemRoot ? dir_.c_str() : nullptr);
        int rc = zvlibWeb_openApplChmHelp();
        EXPECT_EQ(rc != 0, c.result != 0) << (c.viewerVar ? c.viewerVar : "null");
        EXPECT_STREQ(mdlhost_textWindow(), c.textWindow);
        if (c.ran != nullptr)
            EXPECT_EQ(recorded(true), std::string("prog=") + c.ran + "\n[" + plain + "]\n");
        else
            EXPECT_EQ(recorded(), "-");
    }

    // The file in the user's language comes first.
    std::ofstream(path("help/ZvExt_no.chm")) << "chm";
    mdlSystem_defineCfgVar("ZV_CHMVIEWER", "viewer");
    forget();
    EXPECT_EQ(zvlibWeb_openApplChmHelp(), 0);
    EXPECT_EQ(recorded(true), "prog=viewer\n[" + path("help/ZvExt_no.chm") + "]\n");
}

} // namespace
