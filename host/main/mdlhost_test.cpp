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

#include "frame_testing.h"

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
          "libnosuch.so, nosuch.so or nosuch.app along MS_MDL or in the host's application folders",
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

// A directory opens as a file and fails at its first read: it is an error
// with its name, never an empty configuration or script.
TEST_F(ProgramTest, ADirectoryGivenAsAFileIsAnError)
{
    fs::create_directory(path("folder"));
    const std::string dir = path("folder");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        {{"-c", dir}, 2, "mdlhost: cannot read the configuration file " + dir + ": Is a directory"},
        {{"-s", dir}, 1, "mdlhost: cannot read the script " + dir + ": Is a directory"},
    };
    for (const Case &c : cases) {
        Outcome r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0] << "\n" << r.err;
        EXPECT_TRUE(has(r.err, c.says)) << r.err;
    }
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

TEST_F(ProgramTest, LoadsByTaskNameWithoutAnyVariable)
{
    // Only the program's own folders: ../lib of the program, where the
    // build put the libraries.
    Outcome r = run({"-k", "mdl load hosttestb", "-k", "mdl unload hosttestb"}, "", false);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "HOSTTESTB argv[0]=" MDLHOST_TEST_APPDIR "/libhosttestb.so")) << r.out;
}

// The keyins applications send to open files and pages, show text files and
// reach other tasks: each says what it did, and none fails the session.
TEST_F(ProgramTest, OpenTypeAndTaskKeyinsNeverFailTheSession)
{
    writeFile("opener.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done >>'" + path("opened.txt") +
                               "'\nexit \"${OPENER_STATUS:-0}\"\n");
    writeFile("failing.sh", "#!/bin/sh\nexit 3\n");
    fs::permissions(path("opener.sh"), fs::perms::owner_all);
    fs::permissions(path("failing.sh"), fs::perms::owner_all);
    writeFile("notes.txt", "first line\nsecond line\n");
    std::string cfg = readAll(path("host.cfg"));
    writeFile("host.cfg", cfg + "MDLHOST_OPENER = " + path("opener.sh") + " --new\n");
    std::string odd = path("a b; touch " + path("pwned")); // never reaches a shell
    writeFile("script.txt", "% " + odd + "\n"
                            "browse url http://example.invalid/?a=1&b=$(x)\n"
                            "browse file " + path("manual.pdf") + "\n"
                            "type " + path("notes.txt") + "\n"
                            "type " + path("missing.txt") + "\n"
                            "mdl keyin HELPLOAD HELP SEARCH ZVZERA\n"
                            "mdl load hosttesta\n"
                            "mdl keyin hosttesta testa echo through the task\n"
                            "mdl keyin hosttesta no such words\n");
    Outcome r = run({"-s", path("script.txt")});
    EXPECT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readAll(path("opened.txt")), "[--new]\n[" + odd + "]\n[--new]\n[http://example.invalid/?a=1&b=$(x)]\n"
                                           "[--new]\n[" + path("manual.pdf") + "]\n");
    EXPECT_FALSE(fs::exists(path("pwned")));
    EXPECT_NE(r.out.find("first line\nsecond line\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("type: cannot open " + path("missing.txt") + ": "), std::string::npos) << r.out;
    EXPECT_TRUE(has(r.out, "mdl keyin HELPLOAD: the task HELPLOAD is not loaded")) << r.out;
    EXPECT_TRUE(has(r.out, "HOSTTESTA echo [through the task] current=HOSTTESTA cmd=0x01000100")) << r.out;
    EXPECT_TRUE(has(r.out, "mdl keyin hosttesta: no such words is not a keyin of hosttesta")) << r.out;

    // Without an opener, or with one that fails or is missing, the text
    // window says what would have opened.
    struct Case {
        std::string opener; // "" none
        std::string says;
    } cases[] = {
        {"", "Would open " + path("x.pdf") + " (no opener: define MDLHOST_OPENER)"},
        {path("failing.sh"), "The opener " + path("failing.sh") + " failed on " + path("x.pdf") + " (status 3)"},
        {path("nosuch.sh"), "Would open " + path("x.pdf") + " (the opener " + path("nosuch.sh") + " did not start)"},
    };
    for (const Case &c : cases) {
        writeFile("host.cfg", cfg + (c.opener.empty() ? "" : "MDLHOST_OPENER = " + c.opener + "\n"));
        Outcome o = run({"-k", "% " + path("x.pdf"), "-k", "browse   file " + path("x.pdf")});
        EXPECT_EQ(o.status, 0) << c.opener << "\n" << o.err;
        EXPECT_TRUE(has(o.out, c.says)) << o.out;
        EXPECT_EQ(o.err, "") << c.opener;
    }
}

// The host's texts are ISO 8859-1: the terminal gets them as UTF-8, the log
// file as they are.
TEST_F(ProgramTest, TheTerminalGetsUtf8AndTheLogIso8859_1)
{
    writeFile("log.cfg", "MDLHOST_LOG = " + path("session.log") + "\n");
    Outcome r = run({"-c", path("log.cfg"), "-k", "mdl load hosttesta", "-k", "testa echo niv\xE5 4", "-k",
                     "fr\xE5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.out, "HOSTTESTA echo [niv\xC3\xA5 4] current=HOSTTESTA cmd=0x01000100")) << r.out;
    EXPECT_TRUE(has(r.err, "[10] Keyin \"fr\xC3\xA5\" failed: unknown keyin")) << r.err;
    std::string log = readAll(path("session.log"));
    EXPECT_TRUE(has(log, "HOSTTESTA echo [niv\xE5 4] current=HOSTTESTA cmd=0x01000100")) << log;
    EXPECT_TRUE(has(log, "[10] Keyin \"fr\xE5\" failed: unknown keyin")) << log;

    // With -q the lines of a bad configuration file still reach stderr, as UTF-8.
    writeFile("bad.cfg", "MS_MDL = /x\nbl\xE5 is not a definition\n");
    Outcome bad = run({"-q", "-c", path("bad.cfg"), "-k", "exit"}, "", false);
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("bad.cfg:2: not a definition: bl\xC3\xA5 is not a definition"), std::string::npos)
        << bad.err;
}

} // namespace
