#include "sys/mdlsys.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class FileCreateTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlutil-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(FileCreateTest, EmptiesAnExistingFileOrCopiesTheSeed)
{
    fs::path file = dir_ / "logg.txt", seed = dir_ / "frø.dgn";
    std::ofstream(file) << "gammelt innhold";
    std::ofstream(seed, std::ios::binary) << std::string("SEED\0data", 9);

    ASSERT_EQ(mdlFile_create(file.c_str(), nullptr), 0);
    EXPECT_EQ(readAll(file), "");
    ASSERT_EQ(mdlFile_create(file.c_str(), seed.c_str()), 0);
    EXPECT_EQ(readAll(file), std::string("SEED\0data", 9));
    ASSERT_EQ(mdlFile_create((dir_ / "ny.txt").c_str(), ""), 0);
    EXPECT_TRUE(fs::exists(dir_ / "ny.txt"));
}

TEST_F(FileCreateTest, FailuresLeaveNothingBehind)
{
    struct Case {
        std::string name, seed;
    } cases[] = {
        {"", ""},
        {(dir_ / "mangler" / "x.txt").string(), ""},
        {(dir_ / "uten-frø.dgn").string(), (dir_ / "ingen-frø.dgn").string()},
        {dir_.string(), ""},
    };
    for (const Case &c : cases) {
        errno = 0;
        EXPECT_EQ(mdlFile_create(c.name.c_str(), c.seed.empty() ? nullptr : c.seed.c_str()), -1) << c.name;
        EXPECT_NE(errno, 0) << c.name;
    }
    EXPECT_FALSE(fs::exists(dir_ / "uten-frø.dgn"));
    EXPECT_EQ(mdlFile_create(nullptr, nullptr), -1);
}

TEST(WideCharTest, LengthAndOrder)
{
    EXPECT_EQ(mdlWideChar_strlen(u"Bygg\u00D8"), 5);
    EXPECT_EQ(mdlWideChar_strlen(u""), 0);
    EXPECT_EQ(mdlWideChar_strlen(nullptr), 0);

    struct Case {
        const char16_t *a, *b;
        int sign;
    } cases[] = {
        {u"1001F", u"1001F", 0}, {u"1001F", u"1001L", -1}, {u"1001", u"1001F", -1},
        {u"\u00C5", u"Z", 1},    {nullptr, u"", 0},         {u"a", nullptr, 1},
        {u"\uFFFF", u"a", 1},
    };
    for (const Case &c : cases) {
        int r = mdlWideChar_strcmp(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign);
    }
}

int byValue(const void *a, const void *b)
{
    int x = *static_cast<const int *>(a), y = *static_cast<const int *>(b);
    return (x > y) - (x < y);
}

TEST(QuickSortTest, SortsAndIgnoresWhatItCannotSort)
{
    int v[] = {5, -2, 9, 0, 5, 1};
    mdlUtil_quickSort(v, 6, sizeof(int), byValue);
    EXPECT_EQ((std::vector<int>(v, v + 6)), (std::vector<int>{-2, 0, 1, 5, 5, 9}));

    int w[] = {3, 1};
    mdlUtil_quickSort(w, 1, sizeof(int), byValue);
    mdlUtil_quickSort(w, -4, sizeof(int), byValue);
    mdlUtil_quickSort(w, 2, 0, byValue);
    mdlUtil_quickSort(w, 2, sizeof(int), nullptr);
    mdlUtil_quickSort(nullptr, 2, sizeof(int), byValue);
    EXPECT_EQ(w[0], 3);
    EXPECT_EQ(w[1], 1);
}

} // namespace
