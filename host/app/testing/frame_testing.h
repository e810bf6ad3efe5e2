// Fixture of the frame's tests: the test applications HOSTTESTA and
// HOSTTESTB (keywords "TESTA ..." and "TESTB ...") findable along MS_MDL,
// their resource files in a temporary directory, and a clean session after
// each test.
#ifndef MDLHOST_FRAME_TESTING_H
#define MDLHOST_FRAME_TESTING_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mdlhost.h"

namespace frametest {

// The command table both test applications read, with their own first word.
inline std::string commandTable(const std::string &word)
{
    return "CommandTable 1\n{\n"
           "    Command \"" + word + " ECHO\" 0x01000100\n"
           "    Command \"" + word + " ECHO LOUD\" 0x01000101\n"
           "    Command \"" + word + " CALL\" 0x01000200\n"
           "    Command \"" + word + " TIMER\" 0x01000300\n"
           "    Command \"" + word + " EXIT\" 0x01000400\n"
           "    Command \"" + word + " REFUSE\" 0x01000500\n"
           "    Command \"" + word + " QUEUE\" 0x01000600\n"
           "    Command \"" + word + " UNLOADME\" 0x01000700\n"
           "    Command \"" + word + " UNLOADNOW\" 0x01000800\n"
           "    Command \"" + word + " NOFUNC\" 0x01000999\n"
           "}\n";
}

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "mdlframe-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        writeFile("a.rsc", commandTable("TESTA"));
        writeFile("b.rsc", commandTable("TESTB"));
        define("MS_MDL", MDLHOST_TEST_APPDIR);
        define("MDLRSC_HOSTTESTA", path("a.rsc"));
        define("MDLRSC_HOSTTESTB", path("b.rsc"));
        mdlhost_clearTextWindow();
        mdlhost_clearMessageCenter();
        mdlhost_clearInputQueue();
    }
    void TearDown() override
    {
        mdlhost_shutdown();
        mdlhost_useRealClock();
        mdlhost_setCurrMdlDesc(nullptr);
        for (const std::string &n : defined_)
            mdlSystem_defineCfgVar(n.c_str(), nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    void define(const std::string &name, const std::string &value)
    {
        mdlSystem_defineCfgVar(name.c_str(), value.c_str());
        defined_.push_back(name);
    }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    void writeFile(const std::string &name, const std::string &text)
    {
        std::ofstream(path(name), std::ios::binary) << text;
    }
    static std::string appPath(const char *lib) { return std::string(MDLHOST_TEST_APPDIR) + "/" + lib; }

    static std::string text() { return mdlhost_textWindow(); }
    // The text window holds this whole line.
    static bool saw(const std::string &line) { return ("\n" + text()).find("\n" + line + "\n") != std::string::npos; }
    static size_t count(const std::string &part)
    {
        size_t n = 0;
        std::string t = text();
        for (size_t at = t.find(part); at != std::string::npos; at = t.find(part, at + 1))
            n++;
        return n;
    }
    static std::string newestMessage()
    {
        const char *m = mdlhost_messageCenterText(0, nullptr);
        return m ? m : "";
    }
    static void keyin(const std::string &k) { ASSERT_EQ(mdlhost_keyin(k.c_str()), MDLHOST_KEYIN_OK) << k << "\n" << text(); }

    std::string dir_;
    std::vector<std::string> defined_;
};

} // namespace frametest

#endif
