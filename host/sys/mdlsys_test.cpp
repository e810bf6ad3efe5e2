#include "sys/mdlsys.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/mdlapp.h"

namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class SysFileTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlsys-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override
    {
        mdlhost_failNext("fopen", 0);
        mdlhost_failNext("malloc", 0);
        mdlhost_failNext("realloc", 0);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string dir_;
};

TEST(MapPath, MapsDrivesAndSeparators)
{
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_D", "/data/d");
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_E", "/data/e/");
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_F", "/");
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_Q", nullptr);
    unsetenv("MDLHOST_DRIVE_Q");
    struct Case {
        const char *name;
        const char *mapped;
    } cases[] = {
        {"D:\\ut\\kart.dgn", "/data/d/ut/kart.dgn"},
        {"d:ut/kart.dgn", "/data/d/ut/kart.dgn"}, // drive-relative, lower-case letter
        {"D:", "/data/d/"},
        {"E:\\x.txt", "/data/e/x.txt"},
        {"F:\\x.txt", "/x.txt"},
        {"Q:\\temp\\", ""}, // no directory for Q: no place here
        {"Q:rel\\a", ""},
        // ".." stops at the drive's root, as on the platform the paths come from.
        {"D:\\..\\outside.txt", "/data/d/outside.txt"},
        {"D:\\ut\\..\\..\\..\\etc\\x", "/data/d/etc/x"},
        {"D:ut\\.\\a\\..\\b.txt", "/data/d/ut/b.txt"},
        {"D:\\ut\\..", "/data/d/"},
        {"F:\\..\\x.txt", "/x.txt"},
        {"rel\\dir/a.txt", "rel/dir/a.txt"},
        {"/abs/x", "/abs/x"},
        {"1:\\x", "1:/x"}, // not a drive letter
        {"", ""},
    };
    for (const Case &c : cases) {
        char out[MDLHOST_MAXFILELENGTH];
        EXPECT_STREQ(mdlhost_mapPath(out, sizeof out, c.name), c.mapped) << c.name;
    }
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_D", nullptr);
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_E", nullptr);
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_F", nullptr);
}

TEST(MapPath, RefusesWhatDoesNotFit)
{
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_D", "/data/d");
    char out[32];
    memset(out, 'x', sizeof out);
    EXPECT_STREQ(mdlhost_mapPath(out, 12, "D:\\ut\\a"), ""); // "/data/d/ut/a" needs 13
    EXPECT_STREQ(mdlhost_mapPath(out, 13, "D:\\ut\\a"), "/data/d/ut/a");
    EXPECT_STREQ(mdlhost_mapPath(out, sizeof out, nullptr), "");
    out[0] = 'x';
    EXPECT_EQ(mdlhost_mapPath(out, 0, "a"), out);
    EXPECT_EQ(out[0], 'x');
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_D", nullptr);
}

TEST(ParseName, SplitsDeviceDirectoryNameExtension)
{
    struct Case {
        const char *path, *device, *directory, *name, *extension;
    } cases[] = {
        {"D:\\ut\\kart.dgn", "D:", "\\ut\\", "kart", ".dgn"},
        {"/tmp/a.b.xml", "", "/tmp/", "a.b", ".xml"},
        {"c:file.txt", "c:", "", "file", ".txt"},
        {"dir.x/file", "", "dir.x/", "file", ""},
        {"mixed/dir\\n.e", "", "mixed/dir\\", "n", ".e"},
        {"kart.", "", "", "kart", "."},
        {".profile", "", "", "", ".profile"},
        {"C:\\temp\\", "C:", "\\temp\\", "", ""},
        {"", "", "", "", ""},
    };
    for (const Case &c : cases) {
        char dev[MDLHOST_MAXFILELENGTH], dir[MDLHOST_MAXFILELENGTH], name[MDLHOST_MAXFILELENGTH],
            ext[MDLHOST_MAXFILELENGTH];
        EXPECT_EQ(mdlFile_parseName(c.path, dev, dir, name, ext), 0);
        EXPECT_STREQ(dev, c.device) << c.path;
        EXPECT_STREQ(dir, c.directory) << c.path;
        EXPECT_STREQ(name, c.name) << c.path;
        EXPECT_STREQ(ext, c.extension) << c.path;
    }
}

TEST(ParseName, CutsLongPartsAndSkipsNullOutputs)
{
    std::string longDir = "/" + std::string(2 * MDLHOST_MAXFILELENGTH, 'd') + "/";
    std::string path = longDir + std::string(2 * MDLHOST_MAXFILELENGTH, 'n') + ".xml";
    char dir[MDLHOST_MAXFILELENGTH], name[MDLHOST_MAXFILELENGTH];
    EXPECT_EQ(mdlFile_parseName(path.c_str(), nullptr, dir, name, nullptr), 0);
    EXPECT_EQ(std::string(dir), longDir.substr(0, MDLHOST_MAXFILELENGTH - 1));
    EXPECT_EQ(std::string(name), std::string(MDLHOST_MAXFILELENGTH - 1, 'n'));
}

TEST_F(SysFileTest, FopenWritesExactBytesThroughADrive)
{
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_T", dir_.c_str());
    struct Case {
        const char *mode;
        const char *expected; // file contents after writing "a\nb\r\n" twice
    } cases[] = {
        {"w", "a\nb\r\n"},
        {"wt", "a\nb\r\n"},
        {"a", "a\nb\r\na\nb\r\n"},
    };
    for (const Case &c : cases) {
        fs::remove(dir_ + "/out.txt");
        for (int k = 0; k < 2; k++) {
            FILE *fp = dlmSystem_mdlFopen("T:\\out.txt", c.mode);
            ASSERT_NE(fp, nullptr) << c.mode;
            fputs("a\nb\r\n", fp);
            EXPECT_EQ(dlmSystem_mdlFclose(fp), 0);
        }
        EXPECT_EQ(readAll(dir_ + "/out.txt"), c.expected) << c.mode;
    }
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_T", nullptr);
}

TEST_F(SysFileTest, FopenReportsErrors)
{
    std::string path = dir_ + "/f.txt";
    struct Case {
        const char *name, *mode;
        int err;
    } cases[] = {
        {nullptr, "r", EINVAL},
        {path.c_str(), nullptr, EINVAL},
        {path.c_str(), "", EINVAL},
        {path.c_str(), "q", EINVAL},
        {path.c_str(), "r", ENOENT},
    };
    for (const Case &c : cases) {
        errno = 0;
        EXPECT_EQ(dlmSystem_mdlFopen(c.name, c.mode), nullptr) << (c.mode ? c.mode : "null");
        EXPECT_EQ(errno, c.err) << (c.mode ? c.mode : "null");
    }
    errno = 0;
    EXPECT_EQ(dlmSystem_mdlFclose(nullptr), EOF);
    EXPECT_EQ(errno, EINVAL);
}

// A mapped drive never reaches beside its directory, and an unmapped one
// is no place at all: neither reads a file outside.
TEST_F(SysFileTest, DrivePathsStayInsideTheirDirectory)
{
    fs::create_directory(dir_ + "/d");
    std::ofstream(dir_ + "/outside.txt") << "secret";
    std::ofstream(dir_ + "/d/inside.txt") << "ok";
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_D", (dir_ + "/d").c_str());
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_C", nullptr);
    unsetenv("MDLHOST_DRIVE_C");
    struct Case {
        const char *name;
        int err; // 0: opens
    } cases[] = {
        {"D:\\..\\outside.txt", ENOENT},
        {"D:\\x\\..\\..\\inside.txt", 0},
        {"C:\\..\\..\\etc\\hostname", ENODEV},
    };
    for (const Case &c : cases) {
        errno = 0;
        FILE *fp = dlmSystem_mdlFopen(c.name, "r");
        EXPECT_EQ(fp != nullptr, c.err == 0) << c.name;
        EXPECT_EQ(errno, c.err) << c.name;
        if (fp != nullptr)
            dlmSystem_mdlFclose(fp);
    }
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_D", nullptr);
}

// A program the host starts (a printer, the help viewer) must not hold the
// host's files.
// Reading only what is a regular file: a FIFO without a writer would block
// the open, a device would never end, a directory is no file.
TEST_F(SysFileTest, OnlyARegularFileIsOpenedForReading)
{
    std::string fil = dir_ + "/a.txt", fifo = dir_ + "/ror", katalog = dir_ + "/mappe";
    std::ofstream(fil) << "innhold\n";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir(katalog.c_str(), 0700), 0);
    const struct {
        std::string navn;
        int errnoVerdi; // 0: opened
    } tilfeller[] = {
        {fil, 0}, {fifo, ENODEV}, {"/dev/zero", ENODEV}, {katalog, EISDIR}, {dir_ + "/mangler", ENOENT}, {"", ENOENT},
    };
    alarm(60); // an open that blocks ends the test instead of hanging it
    for (const auto &t : tilfeller) {
        errno = 0;
        FILE *fp = mdlhost_fopenRegular(t.navn.c_str());
        if (t.errnoVerdi == 0) {
            ASSERT_NE(fp, nullptr) << t.navn;
            char linje[32] = "";
            EXPECT_NE(fgets(linje, sizeof linje, fp), nullptr);
            EXPECT_STREQ(linje, "innhold\n");
            EXPECT_TRUE(fcntl(fileno(fp), F_GETFD) & FD_CLOEXEC);
            EXPECT_FALSE(fcntl(fileno(fp), F_GETFL) & O_NONBLOCK);
            fclose(fp);
        } else {
            EXPECT_EQ(fp, nullptr) << t.navn;
            EXPECT_EQ(errno, t.errnoVerdi) << t.navn;
        }
    }
    alarm(0);
}

TEST_F(SysFileTest, FilesAreCloseOnExec)
{
    std::string path = dir_ + "/f.txt";
    std::ofstream(path) << "x";
    for (const char *mode : {"r", "rb", "r+", "w", "a", "wx"}) {
        if (strcmp(mode, "wx") == 0)
            fs::remove(path);
        FILE *fp = dlmSystem_mdlFopen(path.c_str(), mode);
        ASSERT_NE(fp, nullptr) << mode;
        EXPECT_NE(fcntl(fileno(fp), F_GETFD) & FD_CLOEXEC, 0) << mode;
        EXPECT_EQ(dlmSystem_mdlFclose(fp), 0) << mode;
    }
}

// "w" writes beside and renames at close: a failed write leaves the
// previous file whole, and nothing beside it.
TEST_F(SysFileTest, AFailedWriteLeavesThePreviousFileWhole)
{
    std::string path = dir_ + "/out.txt";
    std::ofstream(path) << "previous";
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    FILE *fp = dlmSystem_mdlFopen(path.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    fputs("new", fp);
    EXPECT_EQ(readAll(path), "previous"); // not cut short while it is written
    EXPECT_EQ(dlmSystem_mdlFclose(fp), 0);
    EXPECT_EQ(readAll(path), "new");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A write error: the stream's error flag stands for a full disk.
    fp = dlmSystem_mdlFopen(path.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    fputs("cut", fp);
    fgetc(fp); // reading a write-only stream sets its error flag
    EXPECT_EQ(dlmSystem_mdlFclose(fp), EOF);
    EXPECT_EQ(readAll(path), "new");

    fp = dlmSystem_mdlFopen(path.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    fputs("dropped", fp);
    mdlhost_discardFile(fp);
    EXPECT_EQ(readAll(path), "new");
    int files = 0;
    for (const auto &e : fs::directory_iterator(dir_))
        files += e.path().filename().string().rfind("out.txt", 0) == 0;
    EXPECT_EQ(files, 1);

    // Through a symbolic link the file it names is replaced, the link kept.
    fs::create_symlink(path, dir_ + "/link.txt");
    fp = dlmSystem_mdlFopen((dir_ + "/link.txt").c_str(), "w");
    ASSERT_NE(fp, nullptr);
    fputs("via link", fp);
    EXPECT_EQ(dlmSystem_mdlFclose(fp), 0);
    EXPECT_TRUE(fs::is_symlink(dir_ + "/link.txt"));
    EXPECT_EQ(readAll(path), "via link");

    errno = 0;
    EXPECT_EQ(dlmSystem_mdlFopen(dir_.c_str(), "w"), nullptr);
    EXPECT_EQ(errno, EISDIR);
    // A device is written in place.
    fp = dlmSystem_mdlFopen("/dev/null", "w");
    ASSERT_NE(fp, nullptr);
    EXPECT_EQ(dlmSystem_mdlFclose(fp), 0);
}

// A scratch file is not synced, but still replaces its file whole.
TEST_F(SysFileTest, AScratchFileIsStillReplacedWhole)
{
    std::string path = dir_ + "/work.tmp";
    std::ofstream(path) << "previous";
    FILE *fp = dlmSystem_mdlFopen(path.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    mdlhost_markScratchFile(fp);
    fputs("new", fp);
    EXPECT_EQ(readAll(path), "previous");
    EXPECT_EQ(dlmSystem_mdlFclose(fp), 0);
    EXPECT_EQ(readAll(path), "new");

    fp = dlmSystem_mdlFopen(path.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    mdlhost_markScratchFile(fp);
    fputs("cut", fp);
    fgetc(fp); // a write error
    EXPECT_EQ(dlmSystem_mdlFclose(fp), EOF);
    EXPECT_EQ(readAll(path), "new");

    // Other files are left as they are.
    mdlhost_markScratchFile(nullptr);
    fp = dlmSystem_mdlFopen(path.c_str(), "a");
    ASSERT_NE(fp, nullptr);
    mdlhost_markScratchFile(fp);
    fputs("+", fp);
    EXPECT_EQ(dlmSystem_mdlFclose(fp), 0);
    EXPECT_EQ(readAll(path), "new+");
}

TEST_F(SysFileTest, InjectedFailuresEndAfterNCalls)
{
    std::string path = dir_ + "/f.txt";
    mdlhost_failNext("fopen", 2);
    for (int k = 0; k < 2; k++) {
        errno = 0;
        EXPECT_EQ(dlmSystem_mdlFopen(path.c_str(), "w"), nullptr);
        EXPECT_EQ(errno, EIO);
    }
    EXPECT_FALSE(fs::exists(path));
    FILE *fp = dlmSystem_mdlFopen(path.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    dlmSystem_mdlFclose(fp);

    mdlhost_failNext("malloc", 1);
    EXPECT_EQ(dlmSystem_mdlMalloc(16), nullptr);
    char *block = static_cast<char *>(dlmSystem_mdlMalloc(16));
    ASSERT_NE(block, nullptr);
    memcpy(block, "kept", 5);

    mdlhost_failNext("realloc", 1);
    EXPECT_EQ(dlmSystem_mdlRealloc(block, 1 << 20), nullptr);
    EXPECT_STREQ(block, "kept"); // still the caller's
    char *grown = static_cast<char *>(dlmSystem_mdlRealloc(block, 1 << 20));
    ASSERT_NE(grown, nullptr);
    EXPECT_STREQ(grown, "kept");
    dlmSystem_mdlFree(grown);
}

TEST(TextWindow, KeepsLongTextWhole)
{
    mdlhost_clearTextWindow();
    std::string big(10 * 1024, 'x');
    big[5000] = 'y';
    toolSubsystem_printf("%s|%d\n", big.c_str(), 7);
    toolSubsystem_printf("%s", "next");
    EXPECT_EQ(std::string(mdlhost_textWindow()), big + "|7\nnext");
    mdlhost_clearTextWindow();
    EXPECT_STREQ(mdlhost_textWindow(), "");
}

TEST(MessageCentre, NewestFirst)
{
    mdlhost_clearMessageCenter();
    mdlOutput_messageCenter(12, "first");
    mdlOutput_messageCenter(3, nullptr);
    mdlOutput_messageCenter(1, "last");
    ASSERT_EQ(mdlhost_messageCenterCount(), 3);
    struct Case {
        int n;
        const char *text;
        int type;
    } cases[] = {{0, "last", 1}, {1, "", 3}, {2, "first", 12}};
    for (const Case &c : cases) {
        int type = -1;
        EXPECT_STREQ(mdlhost_messageCenterText(c.n, &type), c.text);
        EXPECT_EQ(type, c.type);
    }
    EXPECT_EQ(mdlhost_messageCenterText(3, nullptr), nullptr);
    EXPECT_EQ(mdlhost_messageCenterText(-1, nullptr), nullptr);
    mdlhost_clearMessageCenter();
    EXPECT_EQ(mdlhost_messageCenterCount(), 0);
}

TEST(CfgVar, HostDefinitionOverridesEnvironment)
{
    setenv("MDLHOST_TEST_VAR", "env", 1);
    char out[16];
    EXPECT_EQ(mdlSystem_getCfgVar(out, "MDLHOST_TEST_VAR", sizeof out), 0);
    EXPECT_STREQ(out, "env");
    EXPECT_EQ(mdlSystem_defineCfgVar("MDLHOST_TEST_VAR", "host"), 0);
    EXPECT_EQ(mdlSystem_getCfgVar(out, "MDLHOST_TEST_VAR", sizeof out), 0);
    EXPECT_STREQ(out, "host");
    // Exactly fitting, then one short: a cut value is refused.
    EXPECT_EQ(mdlSystem_getCfgVar(out, "MDLHOST_TEST_VAR", 5), 0);
    EXPECT_EQ(mdlSystem_getCfgVar(out, "MDLHOST_TEST_VAR", 4), -1);
    EXPECT_STREQ(out, "");
    mdlSystem_defineCfgVar("MDLHOST_TEST_VAR", nullptr);
    EXPECT_EQ(mdlSystem_getCfgVar(out, "MDLHOST_TEST_VAR", sizeof out), 0);
    EXPECT_STREQ(out, "env");
    unsetenv("MDLHOST_TEST_VAR");
    EXPECT_EQ(mdlSystem_getCfgVar(out, "MDLHOST_TEST_VAR", sizeof out), -1);
    EXPECT_EQ(mdlSystem_getCfgVar(out, nullptr, sizeof out), -1);
    EXPECT_EQ(mdlSystem_defineCfgVar("", "x"), -1);
}

TEST(Wide, MultibyteToUnicodeIsBounded)
{
    struct Case {
        const char *mb;
        int mbLen, maxChars;
        std::u16string expected;
    } cases[] = {
        {"\xC6z\xF8", -1, 8, u"\u00C6z\u00F8"},
        {"abcdef", -1, 4, u"abc"}, // maxChars counts the terminator
        {"abcdef", 2, 8, u"ab"},
        {"ab\0cd", 5, 8, u"ab"}, // stops at the terminator inside mbLen
        {nullptr, -1, 8, u""},
    };
    for (const Case &c : cases) {
        char16_t wide[8];
        std::fill(std::begin(wide), std::end(wide), u'#');
        int n = mdlCnv_convertMultibyteToUnicode(c.mb, c.mbLen, wide, c.maxChars);
        EXPECT_EQ(n, int(c.expected.size()));
        EXPECT_EQ(std::u16string(wide), c.expected);
    }
    char16_t untouched[2] = {u'#', u'#'};
    EXPECT_EQ(mdlCnv_convertMultibyteToUnicode("abc", -1, untouched, 0), 0);
    EXPECT_EQ(untouched[0], u'#');
}

TEST(Wide, UnicodeToMultibyteIsBounded)
{
    struct Case {
        std::u16string wide;
        int wideLen, maxBytes;
        std::string expected;
    } cases[] = {
        {u"\u00C6\u0100x", -1, 8, "\xC6?x"},
        {u"\U0001F600a", -1, 8, "?a"}, // one character outside the set: one '?'
        {u"abcdef", -1, 3, "ab"},
        {u"abcdef", 4, 8, "abcd"},
    };
    for (const Case &c : cases) {
        char mb[8];
        memset(mb, '#', sizeof mb);
        int n = mdlCnv_convertUnicodeToMultibyte(c.wide.c_str(), c.wideLen, mb, c.maxBytes);
        EXPECT_EQ(n, int(c.expected.size()));
        EXPECT_EQ(std::string(mb), c.expected);
    }
    char untouched[2] = {'#', '#'};
    EXPECT_EQ(mdlCnv_convertUnicodeToMultibyte(u"abc", -1, untouched, -1), 0);
    EXPECT_EQ(untouched[0], '#');
}

} // namespace
