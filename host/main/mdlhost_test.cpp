// The mdlhost program run as a user runs it: options, scripts, standard
// input, exit status and what it says about failed keyins.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/testing/frame_testing.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

std::string readAll(const std::string &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Single quotes keep every argument as one word for the shell.
std::string quoted(const std::string &s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class ProgramTest : public frametest::FrameTest {
  protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        writeFile("host.cfg", "# test set-up\n"
                              "APPDIR = " MDLHOST_TEST_APPDIR "\n"
                              "MS_MDL = $(APPDIR)\n"
                              "MDLRSC_HOSTTESTA = " + path("a.rsc") + "\n"
                              "MDLRSC_HOSTTESTB = " + path("b.rsc") + "\n");
    }
    // Runs mdlhost with args (the configuration file first) and input on stdin.
    Outcome run(const std::vector<std::string> &args, const std::string &input = "", bool withConfig = true)
    {
        writeFile("stdin.txt", input);
        std::string cmd = quoted(MDLHOST_PROGRAM);
        if (withConfig)
            cmd += " -c " + quoted(path("host.cfg"));
        for (const std::string &a : args)
            cmd += " " + quoted(a);
        cmd += " <" + quoted(path("stdin.txt")) + " >" + quoted(path("out.txt")) + " 2>" + quoted(path("err.txt"));
        // The program must see only its own configuration, not this process's.
        int raw = std::system(("env -u MS_MDL -u MDLHOST_ECHO " + cmd).c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(path("out.txt")), readAll(path("err.txt"))};
    }
    static bool has(const std::string &text, const std::string &line)
    {
        return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
    }
};

TEST_F(ProgramTest, RunsAScriptUntilExit)
{
    writeFile("script.txt", "# batch start-up as a user types it\r\n"
                            "mdl load hosttesta USER -ijob.txt -ireport.txt\r\n"
                            "\r\n"
                            "testa echo from the script\r\n"
                            "exit\r\n"
                            "testa echo never\r\n");
    Outcome r = run({"-s", path("script.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "HOSTTESTA MdlMain argc=4 current=HOSTTESTA pn=1")) << r.out;
    EXPECT_TRUE(has(r.out, "HOSTTESTA argv[0]=" MDLHOST_TEST_APPDIR "/libhosttesta.so")) << r.out;
    EXPECT_TRUE(has(r.out, "HOSTTESTA argv[1]=USER")) << r.out;
    EXPECT_TRUE(has(r.out, "HOSTTESTA argv[2]=-ijob.txt")) << r.out;
    EXPECT_TRUE(has(r.out, "HOSTTESTA argv[3]=-ireport.txt")) << r.out;
    EXPECT_TRUE(has(r.out, "HOSTTESTA echo [from the script] current=HOSTTESTA cmd=0x01000100")) << r.out;
    EXPECT_EQ(r.out.find("never"), std::string::npos) << r.out;
    // Ending the session unloads the application.
    EXPECT_TRUE(has(r.out, "HOSTTESTA unload reason=-2 current=HOSTTESTA")) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST_F(ProgramTest, FailedKeyinsGiveAnErrorStatusAndSayWhich)
{
    struct Case {
        std::vector<std::string> args;
        const char *input;
        int status;
        std::vector<std::string> errLines;
    } cases[] = {
        {{"-k", "frobnicate the map"}, "", 1, {"[10] Keyin \"frobnicate the map\" failed: unknown keyin"}},
        {{"-k", "mdl load nosuch", "-k", "testa echo"},
         "",
         1,
         {"[10] Keyin \"mdl load nosuch\" failed: mdl load nosuch: application not found: no MDLAPP_NOSUCH, and no "
          "libnosuch.so or nosuch.so along MS_MDL",
          "[10] Keyin \"testa echo\" failed: unknown keyin"}},
        {{"-k", "mdl load hosttesta", "-k", "testa queue no such keyin"},
         "",
         1,
         {"[10] Keyin \"no such keyin\" failed: unknown keyin"}},
        {{"-s", "/nonexistent/script.txt"}, "", 1, {}},
        {{"-x"}, "", 2, {"mdlhost: unknown or incomplete option -x"}},
        {{"-k"}, "", 2, {"mdlhost: unknown or incomplete option -k"}},
        {{"-k", "mdl load hosttesta", "-k", "testa echo ok"}, "", 0, {}},
    };
    for (const Case &c : cases) {
        Outcome r = run(c.args, c.input);
        std::string what = c.args.front() + " " + (c.args.size() > 1 ? c.args[1] : "");
        EXPECT_EQ(r.status, c.status) << what << "\n" << r.err;
        for (const std::string &line : c.errLines)
            EXPECT_TRUE(has(r.err, line)) << what << "\n" << r.err;
        if (c.status == 0) {
            EXPECT_EQ(r.err, "") << what;
        }
    }
    Outcome missing = run({"-s", "/nonexistent/script.txt"});
    EXPECT_NE(missing.err.find("cannot open the script /nonexistent/script.txt"), std::string::npos) << missing.err;
}

TEST_F(ProgramTest, ReadsStandardInputWithoutKeyinOptions)
{
    Outcome r = run({}, "mdl load hosttestb\n  # a comment\ntestb echo piped\ntestb queue exit\ntestb echo too late\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "HOSTTESTB echo [piped] current=HOSTTESTB cmd=0x01000100")) << r.out;
    // The application's queued "exit" ends the session.
    EXPECT_EQ(r.out.find("too late"), std::string::npos) << r.out;

    // The end of input ends the session too; -q keeps the text window off stdout.
    Outcome quiet = run({"-q"}, "mdl load hosttestb\ntestb echo quiet");
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
}

TEST_F(ProgramTest, KeyinsAndScriptsRunInTheOrderGiven)
{
    writeFile("s1.txt", "testa echo two\n");
    Outcome r = run({"-k", "mdl load hosttesta", "-s", path("s1.txt"), "-k", "testa echo three"});
    EXPECT_EQ(r.status, 0) << r.err;
    size_t two = r.out.find("echo [two]"), three = r.out.find("echo [three]");
    ASSERT_NE(two, std::string::npos) << r.out;
    ASSERT_NE(three, std::string::npos) << r.out;
    EXPECT_LT(two, three);
}

TEST_F(ProgramTest, ConfigurationFileLogAndInitApps)
{
    writeFile("host.cfg", "MS_MDL = " MDLHOST_TEST_APPDIR "\n"
                          "MDLRSC_HOSTTESTA = " + path("a.rsc") + "\n"
                          "MS_INITAPPS = hosttesta\n"
                          "MDLHOST_LOG = " + path("session.log") + "\n");
    Outcome r = run({"-k", "testa echo logged", "-k", "frobnicate"});
    EXPECT_EQ(r.status, 1);
    std::string log = readAll(path("session.log"));
    EXPECT_TRUE(has(log, "HOSTTESTA argv[1]=MS_INITAPPS")) << log;
    EXPECT_TRUE(has(log, "HOSTTESTA echo [logged] current=HOSTTESTA cmd=0x01000100")) << log;
    EXPECT_TRUE(has(log, "[10] Keyin \"frobnicate\" failed: unknown keyin")) << log;

    writeFile("bad.cfg", "MS_MDL = /x\nthis is not a definition\n");
    Outcome bad = run({"-c", path("bad.cfg"), "-k", "exit"}, "", false);
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("bad.cfg: 1 line(s) are not definitions"), std::string::npos) << bad.err;
    EXPECT_NE(bad.out.find("bad.cfg:2: not a definition: this is not a definition"), std::string::npos) << bad.out;
    Outcome none = run({"-c", path("none.cfg"), "-k", "exit"}, "", false);
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("cannot read the configuration file"), std::string::npos) << none.err;
}

} // namespace
