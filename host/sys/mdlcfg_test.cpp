#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "app/mdlapp.h"
#include "sys/mdlsys.h"

namespace fs = std::filesystem;

namespace {

// Removes the test's definitions again so cases do not see each other's.
class CfgTest : public ::testing::Test {
  protected:
    void define(const char *name, const char *value, int level = MDLHOST_CFGLEVEL_USER)
    {
        ASSERT_EQ(mdlSystem_defineConfigurationVariable(name, value, level), 0);
        names_.emplace_back(name);
    }
    void TearDown() override
    {
        for (const std::string &n : names_)
            mdlSystem_defineCfgVar(n.c_str(), nullptr);
        mdlhost_clearTextWindow();
    }
    std::vector<std::string> names_;
};

TEST_F(CfgTest, ExpandsNestedReferences)
{
    define("CT_ROOT", "/opt/zv/");
    define("CT_DATA", "$(CT_ROOT)data/");
    define("CT_EMPTY", "");
    unsetenv("CT_UNDEFINED");
    struct Case {
        const char *in, *out;
    } cases[] = {
        {"$(CT_DATA)tema.txt", "/opt/zv/data/tema.txt"},
        {"a$(CT_ROOT)b$(CT_ROOT)", "a/opt/zv/b/opt/zv/"},
        {"x$(CT_UNDEFINED)y", "xy"},
        {"x$(CT_EMPTY)y", "xy"},
        {"no refs", "no refs"},
        {"$(CT_ROOT", "$(CT_ROOT"}, // unclosed: kept as written
        {"$()x", "$()x"},
        {"$$(CT_EMPTY)", "$"},
        {"", ""},
    };
    for (const Case &c : cases) {
        char out[64] = "junk";
        EXPECT_EQ(mdlSystem_expandCfgVar(c.in, out, sizeof out), 0) << c.in;
        EXPECT_STREQ(out, c.out) << c.in;
    }
    char out[64];
    EXPECT_EQ(mdlSystem_getCfgVar(out, "CT_DATA", sizeof out), 0);
    EXPECT_STREQ(out, "/opt/zv/data/"); // values are expanded at use
}

TEST_F(CfgTest, RefusesCyclesRunawaysAndOverflow)
{
    define("CT_A", "a$(CT_B)");
    define("CT_B", "b$(CT_A)");
    define("CT_SELF", "$(CT_SELF)");
    // Ten references on each of 12 levels: 10^12 expansions if not cut off.
    define("CT_L0", "");
    for (int i = 1; i <= 12; i++) {
        std::string name = "CT_L" + std::to_string(i), ref = "$(CT_L" + std::to_string(i - 1) + ")", value;
        for (int k = 0; k < 10; k++)
            value += ref;
        define(name.c_str(), value.c_str());
    }
    const char *refused[] = {"$(CT_A)", "$(CT_SELF)", "$(CT_L12)"};
    for (const char *in : refused) {
        char out[64] = "junk";
        EXPECT_EQ(mdlSystem_expandCfgVar(in, out, sizeof out), -1) << in;
        EXPECT_STREQ(out, "") << in;
    }
    char out[64] = "junk";
    // A variable that is defined but cannot be expanded says so, with why.
    struct Case {
        const char *name, *says;
    } said[] = {
        {"CT_A", "Configuration variable CT_A cannot be expanded: $(CT_A) refers to itself\n"},
        {"CT_SELF", "Configuration variable CT_SELF cannot be expanded: $(CT_SELF) refers to itself\n"},
        {"CT_L12", "Configuration variable CT_L12 cannot be expanded: more than 10000 references\n"},
    };
    for (const Case &c : said) {
        mdlhost_clearTextWindow();
        EXPECT_EQ(mdlSystem_getCfgVar(out, c.name, sizeof out), -1) << c.name;
        EXPECT_STREQ(mdlhost_textWindow(), c.says);
    }
    define("CT_D0", "end");
    for (int i = 1; i <= 20; i++)
        define(("CT_D" + std::to_string(i)).c_str(), ("$(CT_D" + std::to_string(i - 1) + ")").c_str());
    mdlhost_clearTextWindow();
    EXPECT_EQ(mdlSystem_getCfgVar(out, "CT_D20", sizeof out), -1);
    EXPECT_STREQ(mdlhost_textWindow(), "Configuration variable CT_D20 cannot be expanded: references nested deeper than 16\n");
    std::string big(40000, 'x');
    define("CT_BIG", big.c_str());
    define("CT_BIGGER", "$(CT_BIG)$(CT_BIG)");
    mdlhost_clearTextWindow();
    EXPECT_EQ(mdlSystem_getCfgVar(out, "CT_BIGGER", sizeof out), -1);
    EXPECT_STREQ(mdlhost_textWindow(), "Configuration variable CT_BIGGER cannot be expanded: longer than 65536 characters\n");
    mdlhost_clearTextWindow();
    EXPECT_EQ(mdlSystem_getCfgVar(out, "CT_A", sizeof out), -1);
    EXPECT_STREQ(mdlhost_textWindow(), ""); // said once

    // The same variable twice side by side is no cycle.
    define("CT_X", "x");
    define("CT_XX", "$(CT_X)$(CT_X)");
    EXPECT_EQ(mdlSystem_expandCfgVar("$(CT_XX)$(CT_XX)", out, sizeof out), 0);
    EXPECT_STREQ(out, "xxxx");

    // Exactly fitting, then one byte short.
    EXPECT_EQ(mdlSystem_expandCfgVar("$(CT_XX)$(CT_XX)", out, 5), 0);
    EXPECT_EQ(mdlSystem_expandCfgVar("$(CT_XX)$(CT_XX)", out, 4), -1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(mdlSystem_expandCfgVar("x", nullptr, 4), -1);
    EXPECT_EQ(mdlSystem_expandCfgVar("x", out, 0), -1);
}

TEST_F(CfgTest, HigherLevelsHideLowerOnesAndTheEnvironment)
{
    setenv("CT_LEVELED", "env", 1);
    char out[32];
    define("CT_LEVELED", "system", MDLHOST_CFGLEVEL_SYSTEM);
    define("CT_LEVELED", "project", MDLHOST_CFGLEVEL_PROJECT);
    EXPECT_EQ(mdlSystem_getCfgVar(out, "CT_LEVELED", sizeof out), 0);
    EXPECT_STREQ(out, "project");
    ASSERT_EQ(mdlSystem_defineConfigurationVariable("CT_LEVELED", nullptr, MDLHOST_CFGLEVEL_PROJECT), 0);
    EXPECT_EQ(mdlSystem_getCfgVar(out, "CT_LEVELED", sizeof out), 0);
    EXPECT_STREQ(out, "system");
    mdlSystem_defineCfgVar("CT_LEVELED", nullptr);
    EXPECT_EQ(mdlSystem_getCfgVar(out, "CT_LEVELED", sizeof out), 0);
    EXPECT_STREQ(out, "env");
    unsetenv("CT_LEVELED");
    EXPECT_EQ(mdlSystem_defineConfigurationVariable("CT_LEVELED", "x", MDLHOST_CFGLEVEL_USER + 1), -1);
    EXPECT_EQ(mdlSystem_defineConfigurationVariable("CT_LEVELED", "x", -1), -1);
}

TEST_F(CfgTest, ReadsConfigurationFiles)
{
    fs::path file = fs::temp_directory_path() / ("mdlcfg-" + std::to_string(getpid()) + ".cfg");
    {
        std::ofstream f(file, std::ios::binary);
        f << "# site settings\n"
             "CT_HOME = /srv/zv\r\n"
             "   \n"
             "CT_MDL = $(CT_HOME)/mdl\n"
             "CT_MDL > /extra/mdl\n"
             "CT_MDL < /first\n"
             "not a definition\n"
             "CT_SPACED =   a value with blanks   \n"
             "CT_LAST=no newline";
    }
    for (const char *n : {"CT_HOME", "CT_MDL", "CT_SPACED", "CT_LAST"})
        names_.emplace_back(n);
    EXPECT_EQ(mdlhost_readConfigFile(file.c_str(), MDLHOST_CFGLEVEL_SITE), 1);
    EXPECT_NE(strstr(mdlhost_textWindow(), ":7: not a definition"), nullptr) << mdlhost_textWindow();
    struct Case {
        const char *name, *value;
    } cases[] = {
        {"CT_HOME", "/srv/zv"},
        {"CT_MDL", "/first;/srv/zv/mdl;/extra/mdl"},
        {"CT_SPACED", "a value with blanks"},
        {"CT_LAST", "no newline"},
    };
    for (const Case &c : cases) {
        char out[64];
        EXPECT_EQ(mdlSystem_getCfgVar(out, c.name, sizeof out), 0) << c.name;
        EXPECT_STREQ(out, c.value) << c.name;
    }
    // A later user definition hides the file's; the reference is resolved at use.
    define("CT_HOME", "/home/u");
    char out[64];
    EXPECT_EQ(mdlSystem_getCfgVar(out, "CT_MDL", sizeof out), 0);
    EXPECT_STREQ(out, "/first;/home/u/mdl;/extra/mdl");

    fs::remove(file);
    EXPECT_EQ(mdlhost_readConfigFile(file.c_str(), MDLHOST_CFGLEVEL_SITE), -1);
    EXPECT_EQ(mdlhost_readConfigFile(nullptr, MDLHOST_CFGLEVEL_SITE), -1);
    // A directory opens and fails at its first read.
    EXPECT_EQ(mdlhost_readConfigFile(fs::path(file).parent_path().c_str(), MDLHOST_CFGLEVEL_SITE), -1);
}

// Files from older editors end their lines in a lone CR.
TEST_F(CfgTest, LoneCrCrLfAndLfEachEndALine)
{
    std::string file = (fs::temp_directory_path() / ("cfgcr-" + std::to_string(getpid()) + ".cfg")).string();
    {
        std::ofstream out(file, std::ios::binary);
        out << "CT_A = 1\rCT_B = 2\r\nCT_C = 3\n\rCT_D = 4";
    }
    for (const char *n : {"CT_A", "CT_B", "CT_C", "CT_D"})
        names_.emplace_back(n);
    EXPECT_EQ(mdlhost_readConfigFile(file.c_str(), MDLHOST_CFGLEVEL_SITE), 0);
    fs::remove(file);
    const char *expected[][2] = {{"CT_A", "1"}, {"CT_B", "2"}, {"CT_C", "3"}, {"CT_D", "4"}};
    for (const auto &e : expected) {
        char out[16];
        EXPECT_EQ(mdlSystem_getCfgVar(out, e[0], sizeof out), 0) << e[0];
        EXPECT_STREQ(out, e[1]) << e[0];
    }
}

} // namespace
