#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/mdlapp.h"
#include "sys/mdlsys.h"

namespace fs = std::filesystem;

namespace {

// A program that writes each argument it got as "[arg]" lines to args.txt
// beside itself.
const char *const RECORDER = "#!/bin/sh\n"
                             "out=\"$(dirname \"$0\")/args.txt\"\n"
                             ": > \"$out\"\n"
                             "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >> \"$out\"; done\n";

class ExternalTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlext-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        recorder_ = script("Rec.sh", RECORDER);
    }
    void TearDown() override
    {
        for (const char *n : {"PATH", "MDLHOST_DRIVE_T"})
            mdlSystem_defineCfgVar(n, nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string script(const std::string &name, const std::string &text, mode_t mode = 0755)
    {
        std::string p = dir_ + "/" + name;
        std::ofstream(p) << text;
        chmod(p.c_str(), mode);
        return p;
    }
    // The recorded arguments; "-" when the recorder did not run.
    std::string recorded()
    {
        std::ifstream in(dir_ + "/args.txt");
        if (!in)
            return "-";
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    int runWaited(const char *program, const char *argText)
    {
        MdlExternalProgram *p = nullptr;
        int rc = mdlExternal_startProgram(&p, program, argText);
        if (rc != 0) {
            EXPECT_EQ(p, nullptr);
            return rc;
        }
        return mdlExternal_wait(p);
    }
    std::string dir_;
    std::string recorder_;
};

TEST_F(ExternalTest, ArgumentTextIsSplitWithoutAShell)
{
    struct Case {
        const char *argText;
        int result;
        const char *args; // "-": the program did not run
    } cases[] = {
        {"a b\t c", 0, "[a]\n[b]\n[c]\n"},
        {"\"a b\" c", 0, "[a b]\n[c]\n"},
        {"x\"y z\"w", 0, "[xy zw]\n"},
        {"\"\" b", 0, "[]\n[b]\n"},
        {"", 0, ""},
        {nullptr, 0, ""},
        {"a; touch PWNED", 0, "[a;]\n[touch]\n[PWNED]\n"},
        {"$(touch PWNED) `touch PWNED` | > PWNED", 0, "[$(touch]\n[PWNED)]\n[`touch]\n[PWNED`]\n[|]\n[>]\n[PWNED]\n"},
        {"\"unclosed b", MDLEXT_NOT_STARTED, "-"},
    };
    for (const Case &c : cases) {
        fs::remove(dir_ + "/args.txt");
        EXPECT_EQ(runWaited(recorder_.c_str(), c.argText), c.result) << (c.argText ? c.argText : "null");
        EXPECT_EQ(recorded(), c.args) << (c.argText ? c.argText : "null");
    }
    EXPECT_FALSE(fs::exists(dir_ + "/PWNED"));
    EXPECT_FALSE(fs::exists("PWNED"));

    // Given one by one, arguments are taken as they stand.
    const char *args[] = {"a b", "\"q\"", "", nullptr};
    MdlExternalProgram *p = nullptr;
    ASSERT_EQ(mdlExternal_extStartProgram(&p, recorder_.c_str(), args), 0);
    EXPECT_EQ(mdlExternal_wait(p), 0);
    EXPECT_EQ(recorded(), "[a b]\n[\"q\"]\n[]\n");
}

TEST_F(ExternalTest, ExitStatusIsReported)
{
    struct Case {
        const char *command;
        int status;
    } cases[] = {
        {"exit 0", 0},
        {"exit 3", 3},
        {"exit 255", 255},
        {"kill -TERM $$", 128 + 15},
    };
    for (const Case &c : cases) {
        const char *args[] = {"-c", c.command, nullptr};
        MdlExternalProgram *p = nullptr;
        ASSERT_EQ(mdlExternal_extStartProgram(&p, "sh", args), 0) << c.command;
        EXPECT_EQ(mdlExternal_wait(p), c.status) << c.command;
    }
    EXPECT_EQ(mdlExternal_wait(nullptr), -1);
    EXPECT_EQ(mdlExternal_terminateProgram(nullptr), -1);
}

TEST_F(ExternalTest, ProgramLookup)
{
    script("plain.txt", "#!/bin/sh\n", 0644);
    script("badinterp", "#!/nonexistent/interpreter\n");
    fs::create_directories(dir_ + "/adir");
    fs::create_directories(dir_ + "/Sub");
    script("Sub/Tool.sh", "#!/bin/sh\nexec \"$(dirname \"$0\")/../Rec.sh\" \"$@\"\n");
    chmod((dir_ + "/adir").c_str(), 0755);
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_T", dir_.c_str());
    std::string pathVar = "/nonexistent::" + dir_;
    mdlSystem_defineCfgVar("PATH", pathVar.c_str());
    struct Case {
        std::string program;
        int result;
    } cases[] = {
        {recorder_, 0},
        {dir_ + "/REC.SH", 0},          // case differs
        {dir_ + "/SUB/TOOL.SH", 0},     // case differs in the directory too
        {dir_ + "/sub/../Rec.sh", 0},
        {"rec.sh", 0},                  // along PATH, case differs
        {"T:\\Rec.sh", 0},              // drive and backslashes
        {"Rec.sh; touch PWNED", MDLEXT_NOT_STARTED},
        {dir_ + "/plain.txt", MDLEXT_NOT_STARTED}, // no execute bit
        {dir_ + "/adir", MDLEXT_NOT_STARTED},
        {dir_ + "/badinterp", MDLEXT_NOT_STARTED}, // exec itself fails
        {"nosuchprogram", MDLEXT_NOT_STARTED},
        {"", MDLEXT_NOT_STARTED},
    };
    for (const Case &c : cases) {
        fs::remove(dir_ + "/args.txt");
        EXPECT_EQ(runWaited(c.program.c_str(), "x"), c.result) << c.program;
        EXPECT_EQ(recorded(), c.result == 0 ? "[x]\n" : "-") << c.program;
        // A program started on its own reports a failed start the same way.
        if (c.result != 0) {
            EXPECT_EQ(mdlExternal_startProgram(nullptr, c.program.c_str(), "y"), c.result) << c.program;
        }
    }
    EXPECT_EQ(mdlExternal_startProgram(nullptr, nullptr, "x"), MDLEXT_NOT_STARTED);
    EXPECT_FALSE(fs::exists(dir_ + "/PWNED"));

    char found[MDLHOST_MAXFILELENGTH];
    EXPECT_EQ(mdlhost_findProgram(found, sizeof found, "REC.sh"), 0);
    EXPECT_EQ(std::string(found), dir_ + "/Rec.sh");
    EXPECT_EQ(mdlhost_findProgram(found, 4, "REC.sh"), -1) << "does not fit";
    EXPECT_STREQ(found, "");
    EXPECT_EQ(mdlhost_findProgram(found, sizeof found, "plain.txt"), -1);
}

TEST_F(ExternalTest, ProgramStartedOnItsOwnRuns)
{
    std::string done = dir_ + "/done";
    const char *args[] = {"-c", "sleep 0.2; : > \"$0\"", done.c_str(), nullptr};
    ASSERT_EQ(mdlExternal_extStartProgram(nullptr, "sh", args), 0);
    for (int i = 0; i < 500 && !fs::exists(done); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fs::exists(done));
    // Nobody waits for it, so it must not linger as a child of ours.
    int status = 0;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(ExternalTest, TerminateEndsARunningProgram)
{
    struct Case {
        const char *command;
    } cases[] = {
        {": > \"$0\"; exec sleep 30"},
        {"trap '' TERM; : > \"$0\"; exec sleep 30"}, // deaf to SIGTERM: killed after the grace time
    };
    std::string ready = dir_ + "/ready";
    for (const Case &c : cases) {
        fs::remove(ready);
        const char *args[] = {"-c", c.command, ready.c_str(), nullptr};
        MdlExternalProgram *p = nullptr;
        ASSERT_EQ(mdlExternal_extStartProgram(&p, "sh", args), 0);
        for (int i = 0; i < 500 && !fs::exists(ready); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(mdlExternal_terminateProgram(p), 0) << c.command;
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10)) << c.command;
    }
    // A program that has already ended is only released.
    const char *args[] = {"-c", "exit 0", nullptr};
    MdlExternalProgram *p = nullptr;
    ASSERT_EQ(mdlExternal_extStartProgram(&p, "sh", args), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(mdlExternal_terminateProgram(p), 0);
}

} // namespace
