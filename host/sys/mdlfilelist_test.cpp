#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sys/mdlsys.h"

namespace fs = std::filesystem;

namespace {

class FileListTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlfilelist-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl + "/";
        for (const char *f : {"b.txt", "A.TXT", "c.dat", "noext", "sub/inner.txt"})
            touch(f);
        fs::create_directories(dir_ + "Zed");
        fs::create_directory_symlink(dir_ + "sub", dir_ + "link");
        fs::create_symlink(dir_ + "gone", dir_ + "dangling.txt");
        mdlSystem_defineCfgVar("MDLHOST_DRIVE_Q", dir_.c_str());
    }
    void TearDown() override
    {
        mdlSystem_defineCfgVar("MDLHOST_DRIVE_Q", nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void touch(const std::string &rel)
    {
        fs::create_directories(fs::path(dir_ + rel).parent_path());
        std::ofstream(dir_ + rel) << "12345";
    }
    // "name/attributes" of each entry, or "-1" when the listing fails.
    static std::vector<std::string> list(int attributes, const char *pattern, const std::string &directory)
    {
        MdlFindEntry *e = nullptr;
        int n = mdlFileList_get(&e, attributes, pattern, directory.c_str());
        std::vector<std::string> out;
        if (n < 0) {
            EXPECT_EQ(e, nullptr);
            return {"-1"};
        }
        for (int i = 0; i < n; i++)
            out.push_back(std::string(e[i].name) + "/" + std::to_string(e[i].attributes));
        mdlFileList_free(e);
        return out;
    }
    std::string dir_;
};

using V = std::vector<std::string>;

TEST_F(FileListTest, GroupsPatternsAndOrder)
{
    struct Case {
        int attributes;
        const char *pattern;
        V expected;
    };
    const Case cases[] = {
        {MDLHOST_FILEATTR_FILES, "*.txt", {"A.TXT/256", "b.txt/256"}},
        {MDLHOST_FILEATTR_FILES, "*.*", {"A.TXT/256", "b.txt/256", "c.dat/256", "noext/256"}},
        {MDLHOST_FILEATTR_FILES, nullptr, {"A.TXT/256", "b.txt/256", "c.dat/256", "noext/256"}},
        {MDLHOST_FILEATTR_FILES, "?.DAT", {"c.dat/256"}},
        {MDLHOST_FILEATTR_FILES, "*.zer", {}},
        {MDLHOST_FILEATTR_DIRECTORIES, "*", {"../128", "link/1152", "sub/128", "Zed/128"}},
        {MDLHOST_FILEATTR_SUBDIRS, "*", {"link/1026", "sub/2", "Zed/2"}},
        {MDLHOST_FILEATTR_DRIVES, "*", {"[-q:]/64"}},
        {MDLHOST_FILEATTR_DIRECTORIES | MDLHOST_FILEATTR_DRIVES | MDLHOST_FILEATTR_FILES,
         "*",
         {"../128", "link/1152", "sub/128", "Zed/128", "[-q:]/64", "A.TXT/256", "b.txt/256", "c.dat/256",
          "noext/256"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(list(c.attributes, c.pattern, dir_), c.expected) << c.attributes << " " << (c.pattern ? c.pattern : "null");
}

TEST_F(FileListTest, DirectoriesAsTheSystemWritesThem)
{
    EXPECT_EQ(list(MDLHOST_FILEATTR_FILES, "*", "Q:\\sub\\"), V{"inner.txt/256"}) << "drive mapped, either separator";
    EXPECT_EQ(list(MDLHOST_FILEATTR_FILES, "*", dir_ + "missing/"), V{"-1"});
    EXPECT_EQ(list(MDLHOST_FILEATTR_DRIVES, "*", dir_ + "missing/"), V{"[-q:]/64"}) << "drives need no directory";
    std::vector<std::string> root = list(MDLHOST_FILEATTR_DIRECTORIES, "*", "/");
    ASSERT_FALSE(root.empty());
    EXPECT_NE(root[0], "../128") << "the root has no parent";

    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    EXPECT_EQ(list(MDLHOST_FILEATTR_FILES, "b*", ""), V{"b.txt/256"}) << "\"\" is the current directory";
    ASSERT_EQ(chdir(cwd), 0);

    MdlFindEntry *e = nullptr;
    EXPECT_EQ(mdlFileList_get(nullptr, MDLHOST_FILEATTR_FILES, "*", dir_.c_str()), -1);
    ASSERT_EQ(mdlFileList_get(&e, MDLHOST_FILEATTR_FILES, "c.dat", dir_.c_str()), 1);
    EXPECT_EQ(e[0].size, 5);
    mdlFileList_free(e);
}

TEST_F(FileListTest, ManyStarsDoNotBacktrackForever)
{
    std::string name(200, 'a');
    touch(name);
    EXPECT_EQ(list(MDLHOST_FILEATTR_FILES, "*a*a*a*a*a*a*a*a*a*a*a*a*b", dir_), V{});
    EXPECT_EQ(list(MDLHOST_FILEATTR_FILES, "*a*a*a*a*a*a*a*a*a*a*a*a", dir_), V{name + "/256"});
}

TEST_F(FileListTest, FindFilesSplitsThePattern)
{
    struct Case {
        std::string pattern;
        int count;
    };
    const Case cases[] = {
        {dir_ + "*.txt", 2},
        {"Q:*.TXT", 2},
        {"Q:\\sub\\*.txt", 1},
        {dir_, 0},
        {dir_ + "missing/*.txt", -1},
    };
    for (const Case &c : cases) {
        MdlFindEntry *e = nullptr;
        EXPECT_EQ(mdlFile_findFiles(&e, c.pattern.c_str()), c.count) << c.pattern;
        mdlFileList_free(e);
    }
}

TEST(AbbreviateName, KeepsHeadAndWholeTail)
{
    struct Case {
        const char *path;
        int max;
        const char *expected;
    };
    const Case cases[] = {
        {"c:\\a\\b\\c\\name.txt", 40, "c:\\a\\b\\c\\name.txt"},
        {"c:\\data\\long\\deep\\name.txt", 22, "c:\\data\\...\\name.txt"},
        {"c:\\data\\long\\deep\\name.txt", 18, "...\\deep\\name.txt"},
        {"/home/user/projects/x/name.txt", 20, "/home/.../x/name.txt"},
        {"c:\\d\\averyveryverylongname.txt", 12, "...gname.txt"},
        {"abcdef", 3, "def"},
        {"abcdef", 0, ""},
    };
    for (const Case &c : cases) {
        char buf[256];
        snprintf(buf, sizeof buf, "%s", c.path);
        EXPECT_EQ(mdlFile_abbreviateName(buf, c.max), 0);
        EXPECT_STREQ(buf, c.expected) << c.path << " " << c.max;
        EXPECT_LE(strlen(buf), (size_t)std::max(c.max, (int)strlen(c.expected)));
    }
    char buf[8] = "abc";
    EXPECT_EQ(mdlFile_abbreviateName(buf, -1), -1);
    EXPECT_EQ(mdlFile_abbreviateName(nullptr, 5), -1);
}

} // namespace
