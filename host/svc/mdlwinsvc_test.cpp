#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "svc/mdlsvc.h"
#include "sys/mdlsys.h"

namespace fs = std::filesystem;

namespace {

class WinServicesTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlwinsvc-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override
    {
        for (const char *v : {"MDLHOST_UNC_P", "MDLHOST_UNC_Q", "MDLHOST_DRIVE_T"})
            mdlSystem_defineCfgVar(v, nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string dir_;
};

TEST_F(WinServicesTest, UniversalNamesOfMappedDrives)
{
    mdlSystem_defineCfgVar("MDLHOST_UNC_P", "\\\\srv\\prosjekt\\");
    mdlSystem_defineCfgVar("MDLHOST_UNC_Q", "//nas/kart");
    struct Case {
        const char *path;
        const char *name; // null: none
    } cases[] = {
        {"P:\\a\\b.dgn", "\\\\srv\\prosjekt\\a\\b.dgn"},
        {"p:/a/b.dgn", "\\\\srv\\prosjekt\\a\\b.dgn"},
        {"Q:x.zer", "\\\\nas\\kart\\x.zer"},
        {"C:\\local\\x", nullptr},
        {"\\\\srv\\prosjekt\\a", nullptr},
        {"relative\\x", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        char out[256] = "unchanged";
        EXPECT_EQ(mdlhost_universalName(c.path, out, sizeof out), c.name ? 0 : -1);
        EXPECT_STREQ(out, c.name ? c.name : "unchanged");
    }
    // A name that does not fit is no name: a cut one would be another file.
    char small[23] = "unchanged";
    EXPECT_EQ(mdlhost_universalName("P:\\abcdefgh", small, sizeof small), -1);
    EXPECT_STREQ(small, "unchanged");
    EXPECT_EQ(mdlhost_universalName("P:\\abcdefg", small, sizeof small), 0);
}

TEST_F(WinServicesTest, DeleteRemovesThroughTheDriveMapping)
{
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_T", dir_.c_str());
    std::ofstream(dir_ + "/x.tmp") << "x";
    EXPECT_EQ(mdlhost_deleteFile("T:\\x.tmp"), 0);
    EXPECT_FALSE(fs::exists(dir_ + "/x.tmp"));
    EXPECT_EQ(mdlhost_deleteFile("T:\\x.tmp"), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(mdlhost_deleteFile(""), -1);
}

TEST_F(WinServicesTest, AnIdleProgramRunsAtTheLowestPriorityAndTheHostKeepsItsOwn)
{
    std::string script = dir_ + "/nice.sh";
    std::ofstream(script) << "#!/bin/sh\ncut -d' ' -f19 /proc/$$/stat > \"$1\"\n";
    chmod(script.c_str(), 0755);
    int before = getpriority(PRIO_PROCESS, 0);
    MdlExternalProgram *process = nullptr;
    ASSERT_EQ(mdlhost_startProgramIdle(&process, script.c_str(), (dir_ + "/nice.txt").c_str()), 0);
    EXPECT_EQ(mdlExternal_wait(process), 0);
    std::ifstream in(dir_ + "/nice.txt");
    int nice = -1;
    in >> nice;
    EXPECT_EQ(nice, 19);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), before);
    EXPECT_EQ(mdlhost_startProgramIdle(&process, (dir_ + "/none").c_str(), nullptr), MDLEXT_NOT_STARTED);
    EXPECT_EQ(process, nullptr);
}

} // namespace
