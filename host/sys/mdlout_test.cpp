// Message fields, the log file and the error stream.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/mdlapp.h"
#include "rsc/mdlrsc.h"
#include "sys/mdlsys.h"

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class OutTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlout-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        mdlhost_clearMessageFields();
    }
    void TearDown() override
    {
        mdlSystem_defineCfgVar("MDLHOST_LOG", nullptr);
        toolSubsystem_printf("%s", ""); // closes the log while the directory exists
        mdlhost_failNext("fopen", 0);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST_F(OutTest, MessageFieldsKeepTheirLastText)
{
    fs::path rsc = dir_ / "fields.rsc";
    std::ofstream(rsc) << "MessageList 3\n{\n    7 \"%d elements written to %s\"\n}\n";
    MdlDesc *app = mdlhost_registerApplication("FIELDS", rsc.c_str());
    MdlDesc *outer = mdlhost_setCurrMdlDesc(app);

    EXPECT_EQ(mdlOutput_printf(1, "%s", "|"), 0);
    EXPECT_EQ(mdlOutput_printf(1, "%s", "/"), 0);
    EXPECT_EQ(mdlOutput_rscPrintf(0, 3, 7, 12, "kart.dgn"), 0);
    EXPECT_EQ(mdlOutput_printf(MDLHOST_MAXFIELD, "%s", std::string(3000, 'x').c_str()), 0);
    EXPECT_EQ(mdlOutput_message("to field 0"), 0);
    EXPECT_EQ(mdlOutput_rscPrintf(2, 3, 99), 0); // no such entry: the field is emptied
    EXPECT_EQ(mdlOutput_printf(MDLHOST_MAXFIELD + 1, "lost"), -1);
    EXPECT_EQ(mdlOutput_printf(-1, "lost"), -1);
    EXPECT_EQ(mdlOutput_rscPrintf(-1, 3, 7, 1, "x"), -1);

    EXPECT_STREQ(mdlhost_messageField(0), "to field 0");
    EXPECT_STREQ(mdlhost_messageField(1), "/");
    EXPECT_STREQ(mdlhost_messageField(2), "");
    EXPECT_EQ(strlen(mdlhost_messageField(MDLHOST_MAXFIELD)), 3000u);
    EXPECT_STREQ(mdlhost_messageField(MDLHOST_MAXFIELD + 1), "");

    mdlOutput_rscPrintf(3, 3, 7, 4, "b.dgn");
    EXPECT_STREQ(mdlhost_messageField(3), "4 elements written to b.dgn");
    mdlhost_clearMessageFields();
    EXPECT_STREQ(mdlhost_messageField(3), "");
    mdlhost_setCurrMdlDesc(outer);
    mdlhost_unregisterApplication(app);
}

TEST_F(OutTest, TheLogGetsTextWindowAndMessageCentre)
{
    fs::path one = dir_ / "one.log", two = dir_ / "two.log";
    toolSubsystem_printf("before the log\n");
    mdlSystem_defineCfgVar("MDLHOST_LOG", one.c_str());
    toolSubsystem_printf("line %d\n", 1);
    mdlOutput_messageCenter(10, "a message");
    // The log is not one of the files that injected failures are meant for.
    mdlhost_failNext("fopen", 1);
    mdlSystem_defineCfgVar("MDLHOST_LOG", two.c_str());
    toolSubsystem_printf("to two");
    EXPECT_EQ(dlmSystem_mdlFopen((dir_ / "x").c_str(), "w"), nullptr);
    mdlSystem_defineCfgVar("MDLHOST_LOG", nullptr);
    toolSubsystem_printf("after the log\n");

    EXPECT_EQ(readAll(one), "line 1\n[10] a message\n");
    EXPECT_EQ(readAll(two), "to two");

    // A log that cannot be opened costs nothing else.
    mdlSystem_defineCfgVar("MDLHOST_LOG", (dir_ / "no/such/dir.log").c_str());
    toolSubsystem_printf("still recorded\n");
    EXPECT_NE(std::string(mdlhost_textWindow()).find("still recorded\n"), std::string::npos);
}

TEST_F(OutTest, TheTerminalGetsUtf8WhileTheLogKeepsIso8859_1)
{
    fs::path log = dir_ / "latin1.log";
    mdlSystem_defineCfgVar("MDLHOST_LOG", log.c_str());
    FILE *terminal = tmpfile();
    ASSERT_NE(terminal, nullptr);
    mdlhost_setStderr(terminal);
    setenv("MDLHOST_ECHO", "1", 1); // both to the error stream
    toolSubsystem_printf("For mange ZERA-niv\xE5 4 elementer\n");
    mdlOutput_messageCenter(10, "Mangler ...ORIGO-N\xD8");
    unsetenv("MDLHOST_ECHO");
    mdlhost_setStderr(nullptr);
    mdlSystem_defineCfgVar("MDLHOST_LOG", nullptr);
    toolSubsystem_printf("%s", ""); // closes the log

    std::string shown(256, '\0');
    rewind(terminal);
    shown.resize(fread(shown.data(), 1, shown.size(), terminal));
    fclose(terminal);
    EXPECT_EQ(shown, "For mange ZERA-niv\xC3\xA5 4 elementer\n[10] Mangler ...ORIGO-N\xC3\x98\n");
    EXPECT_EQ(readAll(log), "For mange ZERA-niv\xE5 4 elementer\n[10] Mangler ...ORIGO-N\xD8\n");
    EXPECT_NE(std::string(mdlhost_textWindow()).find("niv\xE5 4"), std::string::npos);
}

TEST(TerminalPuts, Iso8859_1BecomesUtf8)
{
    const struct {
        const char *in, *out;
    } cases[] = {{"", ""},
                 {"plain ASCII\n", "plain ASCII\n"},
                 {"\xC6\xD8\xC5 \xE6\xF8\xE5", "\xC3\x86\xC3\x98\xC3\x85 \xC3\xA6\xC3\xB8\xC3\xA5"},
                 {"\x80\xA0\xFF", "\xC2\x80\xC2\xA0\xC3\xBF"}};
    for (const auto &c : cases) {
        FILE *fp = tmpfile();
        ASSERT_NE(fp, nullptr);
        mdlhost_terminalPuts(fp, c.in);
        mdlhost_terminalPuts(fp, nullptr);
        std::string got(64, '\0');
        rewind(fp);
        got.resize(fread(got.data(), 1, got.size(), fp));
        fclose(fp);
        EXPECT_EQ(got, c.out) << c.in;
    }
    mdlhost_terminalPuts(nullptr, "nowhere");
}

TEST(ErrorStream, DefaultsToStderr)
{
    EXPECT_EQ(toolSubsystem_getStderr(), stderr);
    FILE *fp = tmpfile();
    ASSERT_NE(fp, nullptr);
    mdlhost_setStderr(fp);
    EXPECT_EQ(toolSubsystem_getStderr(), fp);
    mdlhost_setStderr(nullptr);
    EXPECT_EQ(toolSubsystem_getStderr(), stderr);
    fclose(fp);

    mdlSystem_defineCfgVar("OUT_TEST_ROOT", "/srv");
    mdlSystem_defineCfgVar("OUT_TEST_VAR", "$(OUT_TEST_ROOT)/zv");
    char out[16];
    EXPECT_EQ(mdlSystem_getenv("OUT_TEST_VAR", out, sizeof out), 0);
    EXPECT_STREQ(out, "/srv/zv");
    EXPECT_NE(mdlSystem_getenv("OUT_TEST_UNSET", out, sizeof out), 0);
    mdlSystem_defineCfgVar("OUT_TEST_ROOT", nullptr);
    mdlSystem_defineCfgVar("OUT_TEST_VAR", nullptr);
}

} // namespace
