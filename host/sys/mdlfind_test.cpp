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

class FindTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlfind-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        fs::create_directories(dir_ + "/a");
        fs::create_directories(dir_ + "/b/sub.txt"); // a directory is never found as a file
        touch("a/only_a.txt");
        touch("a/both.txt");
        touch("b/both.txt");
        touch("b/tema.cfg");
        touch("b/ZvZera.RSC");
        mdlSystem_defineCfgVar("FT_DIRS", (dir_ + "/a/;" + dir_ + "/b").c_str());
        mdlSystem_defineCfgVar("FT_ROOT", dir_.c_str());
        mdlSystem_defineCfgVar("MDLHOST_DRIVE_T", dir_.c_str());
    }
    void TearDown() override
    {
        for (const char *n : {"FT_DIRS", "FT_ROOT", "MDLHOST_DRIVE_T"})
            mdlSystem_defineCfgVar(n, nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void touch(const std::string &rel) { std::ofstream(dir_ + "/" + rel) << "x"; }
    std::string dir_;
};

TEST_F(FindTest, SearchesPathsInOrder)
{
    std::string a = dir_ + "/a", b = dir_ + "/b";
    struct Case {
        std::string name, path;
        const char *ext;
        std::string found; // "" = not found
    } cases[] = {
        {"both.txt", a + ";" + b, nullptr, a + "/both.txt"},
        {"both.txt", b + ";" + a, nullptr, b + "/both.txt"},
        {"only_a.txt", " " + b + " ; ;" + a + "/ ", nullptr, a + "/only_a.txt"}, // blanks and empty entries
        {"both", "FT_DIRS", "txt", a + "/both.txt"},                        // variable as path, ext without '.'
        {"tema", "FT_DIRS", ".cfg", b + "/tema.cfg"},
        {"tema.cfg", "nowhere;FT_DIRS", ".txt", b + "/tema.cfg"},           // own extension kept
        {"both.txt", "$(FT_ROOT)/b", nullptr, b + "/both.txt"},            // expanded entry
        {"zvzera.rsc", b, nullptr, b + "/ZvZera.RSC"},                     // case differs
        {"sub.txt", b, nullptr, ""},                                       // directory
        {"missing.txt", "FT_DIRS", nullptr, ""},
        {b + "/tema.cfg", a, nullptr, b + "/tema.cfg"},                    // with directory: path unused
        {b + "/tema", "", "cfg", b + "/tema.cfg"},
        {a + "/tema.cfg", b, nullptr, ""},
        {"T:\\b\\both.txt", "", nullptr, "T:\\b\\both.txt"},               // drive kept in the result
        {"T:b\\TEMA.CFG", "", nullptr, "T:b\\tema.cfg"},
        {"", "FT_DIRS", "txt", ""},
    };
    for (const Case &c : cases) {
        char out[MDLHOST_MAXFILELENGTH] = "junk";
        int st = mdlFile_find(out, c.name.c_str(), c.path.c_str(), c.ext);
        EXPECT_EQ(st, c.found.empty() ? -1 : 0) << c.name << " along " << c.path;
        EXPECT_EQ(std::string(out), c.found) << c.name << " along " << c.path;
    }
}

TEST_F(FindTest, EmptyPathMeansTheCurrentDirectory)
{
    fs::path old = fs::current_path();
    fs::current_path(dir_ + "/b");
    char out[MDLHOST_MAXFILELENGTH];
    EXPECT_EQ(mdlFile_find(out, "tema", nullptr, "cfg"), 0);
    EXPECT_STREQ(out, "tema.cfg");
    EXPECT_EQ(mdlFile_find(out, "only_a.txt", "", nullptr), -1);
    fs::current_path(old);
}

TEST_F(FindTest, NamesThatDoNotFitAreRefused)
{
    char out[MDLHOST_MAXFILELENGTH];
    std::string longName(MDLHOST_MAXFILELENGTH, 'n');
    EXPECT_EQ(mdlFile_find(out, longName.c_str(), "FT_DIRS", nullptr), -1);
    // Fits without the extension, not with it.
    std::string almost(MDLHOST_MAXFILELENGTH - 3, 'n');
    EXPECT_EQ(mdlFile_find(out, almost.c_str(), "FT_DIRS", "txt"), -1);
    EXPECT_EQ(mdlFile_find(nullptr, "both.txt", "FT_DIRS", nullptr), -1);
}

TEST(BuildName, JoinsParts)
{
    struct Case {
        const char *dev, *dir, *name, *ext, *out;
    } cases[] = {
        {"C:", "\\zv\\data\\", "tema", ".txt", "C:\\zv\\data\\tema.txt"},
        {"C", "\\zv\\data", "tema", "txt", "C:\\zv\\data\\tema.txt"},
        {"", "/tmp/x", "a", "", "/tmp/x/a"},
        {nullptr, nullptr, "a", ".b", "a.b"},
        {nullptr, "dir/", nullptr, nullptr, "dir/"},
        {nullptr, nullptr, nullptr, nullptr, ""},
    };
    for (const Case &c : cases) {
        char out[MDLHOST_MAXFILELENGTH] = "junk";
        EXPECT_EQ(mdlFile_buildName(out, c.dev, c.dir, c.name, c.ext), 0);
        EXPECT_STREQ(out, c.out);
    }
    // Round trip with parseName.
    char dev[MDLHOST_MAXFILELENGTH], dir[MDLHOST_MAXFILELENGTH], name[MDLHOST_MAXFILELENGTH],
        ext[MDLHOST_MAXFILELENGTH], out[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName("D:\\kart\\ut.v1\\fil.sos", dev, dir, name, ext);
    EXPECT_EQ(mdlFile_buildName(out, dev, dir, name, ext), 0);
    EXPECT_STREQ(out, "D:\\kart\\ut.v1\\fil.sos");

    std::string half(MDLHOST_MAXFILELENGTH / 2, 'd');
    EXPECT_EQ(mdlFile_buildName(out, nullptr, half.c_str(), half.c_str(), nullptr), -1);
    EXPECT_STREQ(out, "");
    std::string exact(MDLHOST_MAXFILELENGTH - 5, 'n');
    EXPECT_EQ(mdlFile_buildName(out, nullptr, nullptr, exact.c_str(), "txt"), 0);
    EXPECT_EQ(strlen(out), size_t(MDLHOST_MAXFILELENGTH - 1));
}

} // namespace

namespace {

TEST(FileCopy, CopiesIntoPlaceAndNeverHalfWrites)
{
    std::string tmpl = (fs::temp_directory_path() / "mdlcopy-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    const std::string dir = tmpl;
    auto write = [&](const std::string &name, const std::string &text) { std::ofstream(dir + "/" + name) << text; };
    auto read = [&](const std::string &name) {
        std::ifstream f(dir + "/" + name);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    std::string big(200000, 'x');
    write("a.tif", big);
    write("b.tif", "old");
    EXPECT_EQ(mdlFile_copy((dir + "/b.tif").c_str(), (dir + "/a.tif").c_str()), 0);
    EXPECT_EQ(read("b.tif"), big);
    EXPECT_EQ(mdlFile_copy((dir + "/c.tif").c_str(), (dir + "/a.tif").c_str()), 0);
    EXPECT_EQ(read("c.tif"), big);
    // The file itself, through another spelling of its name.
    EXPECT_EQ(mdlFile_copy((dir + "/./a.tif").c_str(), (dir + "/a.tif").c_str()), 0);
    EXPECT_EQ(read("a.tif"), big);
    // A missing source leaves the target as it was.
    write("d.tif", "keep");
    EXPECT_EQ(mdlFile_copy((dir + "/d.tif").c_str(), (dir + "/none.tif").c_str()), -1);
    EXPECT_EQ(read("d.tif"), "keep");
    // A folder that does not exist: refused, nothing left behind.
    EXPECT_EQ(mdlFile_copy((dir + "/no/e.tif").c_str(), (dir + "/a.tif").c_str()), -1);
    EXPECT_EQ(mdlFile_copy(nullptr, (dir + "/a.tif").c_str()), -1);
    EXPECT_EQ(mdlFile_copy("", (dir + "/a.tif").c_str()), -1);
    int files = 0;
    for (const auto &e : fs::directory_iterator(dir))
        files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 4); // a, b, c, d: no temporary file left
    fs::remove_all(dir);
}

} // namespace
