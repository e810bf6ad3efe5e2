#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "rsc_testing.h"
#include "zvlibupf.h"
#include "testing/zvlib_testing.h"

namespace fs = std::filesystem;

namespace {

const uint32_t ZSU9 = MDLHOST_RTYPE('Z', 's', 'U', '9');
constexpr size_t ZSU9_SIZE = 1264;

using rsctest::pattern;

// Runs as an application whose message list names each box by its entry;
// MS_USERPREF and the host's own preference file point into a fresh
// temporary directory.
class ZvlibUpfTest : public zvlibtest::AppTest {
  protected:
    ZvlibUpfTest()
        : AppTest("ZVUPFTEST",
                  "MessageList 20005 {\n"
                  "  1 \"APNE %s\"\n  9 \"SKRIV %s\"\n  10 \"SKRIVEBESKYTTET %s\"\n"
                  "  16 \"LESE %s\"\n  50 \"MERKE\"\n}\n",
                  {.dirPrefix = "zvlibupf"})
    {
    }
    void beforeRegister() override { fs::create_directories(dir_ + "/prefs"); }
    void afterRegister() override
    {
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", (dir_ + "/host.upf").c_str());
        mdlSystem_defineCfgVar("MS_USERPREF", (dir_ + "/prefs/user.upf").c_str());
        mdlSystem_defineCfgVar("ZVZERA_UPF", nullptr);
    }
    void SetUp() override
    {
        AppTest::SetUp();
        if (HasFatalFailure())
            return;
        mdlhost_clearTextWindow();
        zvlibUpf_initialize(nullptr);
    }
    void TearDown() override
    {
        zvlibUpf_close();
        mdlhost_rscFailWrites(0);
        mdlhost_closeUserPrefs();
        for (const char *v : {"MDLHOST_USERPREF", "MS_USERPREF", "ZVZERA_UPF", "MDLHOST_DRIVE_D"})
            mdlSystem_defineCfgVar(v, nullptr);
        AppTest::TearDown();
    }
    std::string pref(const std::string &name) const { return dir_ + "/prefs/" + name; }
    static std::string read(const std::string &p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The text of the box f shows, "MERKE" when it shows none.
    template <class F>
    static std::string boksUnder(F f)
    {
        zvlibError_rscMsgBoxPrintf(17, ZVLIB_RSC_MSGLIST, 50);
        f();
        return mdlhost_lastAlertText();
    }
    int openDefault() { return zvlibUpf_open(nullptr, "ZVZERA_UPF", "zvzera.upf"); }
};

TEST_F(ZvlibUpfTest, PathIsUserPrefDirectoryAndTheCallersName)
{
    struct Case {
        const char *what;
        const char *value; // ZVZERA_UPF, null: undefined
        std::string path;
    } cases[] = {
        {"variable names the file", "other.upf", pref("other.upf")},
        {"undefined: default name", nullptr, pref("zvzera.upf")},
        {"empty: default name", "", pref("zvzera.upf")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        mdlSystem_defineCfgVar("ZVZERA_UPF", c.value);
        ZvHandle out{};
        ASSERT_EQ(openDefault(), 0);
        ASSERT_EQ(zvlibUpf_open(&out, "ZVZERA_UPF", "zvzera.upf"), 0);
        EXPECT_STREQ(zvlibUpf_getUpfFileName(), c.path.c_str());
        EXPECT_STREQ(out.path, c.path.c_str());
        EXPECT_EQ(out.handle, zvlibUpf_getHandle());
        EXPECT_EQ(zvlibUpf_getZvHandle()->handle, out.handle);
        // Created when missing, and opened for writing.
        EXPECT_TRUE(fs::exists(c.path));
        EXPECT_STREQ(mdlhost_rscDescription(zvlibUpf_getHandle()), "Attributes");
        EXPECT_EQ(zvlibUpf_isReadOnly(), 0);
        zvlibUpf_close();
        EXPECT_EQ(zvlibUpf_getUpfFileName(), nullptr);
        EXPECT_EQ(zvlibUpf_getHandle(), nullptr);
        EXPECT_EQ(zvlibUpf_getZvHandle(), nullptr);
    }

    // A drive-letter form keeps its device.
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_D", dir_.c_str());
    mdlSystem_defineCfgVar("MS_USERPREF", "D:\\prefs\\user.upf");
    mdlSystem_defineCfgVar("ZVZERA_UPF", "other.upf");
    ASSERT_EQ(openDefault(), 0);
    EXPECT_STREQ(zvlibUpf_getUpfFileName(), "D:\\prefs\\other.upf");
    EXPECT_TRUE(fs::exists(pref("other.upf")));
}

TEST_F(ZvlibUpfTest, BlocksComeBackByteIdenticalAndRewriteExactly)
{
    ASSERT_EQ(openDefault(), 0);
    std::vector<unsigned char> block = pattern(ZSU9_SIZE, 1);
    ASSERT_EQ(zvlibUpf_save(ZSU9, 1, block.data(), block.size()), 0);
    const uint32_t t = MDLHOST_RTYPE('T', 's', 't', '2');
    std::vector<unsigned char> b8 = pattern(8, 2), b16 = pattern(16, 3);
    ASSERT_EQ(zvlibUpf_save(t, 1, b8.data(), b8.size()), 0);
    ASSERT_EQ(zvlibUpf_save(t, 1, b16.data(), b16.size()), 0);
    ASSERT_EQ(zvlibUpf_save(t, 2, b16.data(), b16.size()), 0);
    ASSERT_EQ(zvlibUpf_save(t, 2, b8.data(), b8.size()), 0);
    zvlibUpf_close();

    ASSERT_EQ(openDefault(), 0);
    std::vector<unsigned char> got(ZSU9_SIZE, 0);
    ASSERT_EQ(zvlibUpf_load(ZSU9, 1, got.data(), got.size()), 0);
    EXPECT_EQ(got, block);
    size_t size = 0;
    ASSERT_EQ(mdlResource_query(zvlibUpf_getHandle(), t, 1, &size), 0);
    EXPECT_EQ(size, 16u);
    ASSERT_EQ(mdlResource_query(zvlibUpf_getHandle(), t, 2, &size), 0);
    EXPECT_EQ(size, 8u);
    std::vector<unsigned char> g16(16, 0x77);
    EXPECT_EQ(zvlibUpf_load(t, 2, g16.data(), g16.size()), ZVLIB_FAILURE);
    EXPECT_EQ(g16, std::vector<unsigned char>(16, 0x77));
    ASSERT_EQ(zvlibUpf_load(t, 1, g16.data(), g16.size()), 0);
    EXPECT_EQ(g16, b16);
}

TEST_F(ZvlibUpfTest, ReadOnlyFileLoadsButSavesNothing)
{
    std::vector<unsigned char> block = pattern(ZSU9_SIZE, 4);
    ASSERT_EQ(openDefault(), 0);
    ASSERT_EQ(zvlibUpf_save(ZSU9, 1, block.data(), block.size()), 0);
    zvlibUpf_close();
    chmod(pref("zvzera.upf").c_str(), 0444);
    std::string before = read(pref("zvzera.upf"));

    int rc = -1;
    EXPECT_EQ(boksUnder([&] { rc = openDefault(); }), "MERKE");
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(zvlibUpf_isReadOnly(), 1);
    std::vector<unsigned char> got(ZSU9_SIZE);
    ASSERT_EQ(zvlibUpf_load(ZSU9, 1, got.data(), got.size()), 0);
    EXPECT_EQ(got, block);
    std::vector<unsigned char> other = pattern(ZSU9_SIZE, 5);
    EXPECT_EQ(boksUnder([&] { rc = zvlibUpf_save(ZSU9, 1, other.data(), other.size()); }), "MERKE");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(read(pref("zvzera.upf")), before);
}

TEST_F(ZvlibUpfTest, FailedOpensLeaveTheFileClosed)
{
    // Exists but cannot be read even for reading: left as it is.
    std::string bad = pref("bad.upf");
    std::ofstream(bad) << "Resource {{{ not a resource file\n";
    mdlSystem_defineCfgVar("ZVZERA_UPF", "bad.upf");
    int rc = 0;
    EXPECT_EQ(boksUnder([&] { rc = openDefault(); }), "LESE " + bad);
    EXPECT_EQ(rc, ZVLIB_FAILURE);
    EXPECT_EQ(zvlibUpf_getUpfFileName(), nullptr);
    EXPECT_EQ(read(bad), "Resource {{{ not a resource file\n");

    // A path that does not fit the handle.
    std::string longName = std::string(300, 'n') + ".upf";
    mdlSystem_defineCfgVar("ZVZERA_UPF", longName.c_str());
    EXPECT_EQ(boksUnder([&] { rc = openDefault(); }), "APNE " + pref(longName));
    EXPECT_EQ(rc, ZVLIB_FAILURE);
    EXPECT_EQ(zvlibUpf_getZvHandle(), nullptr);

    // A directory that does not exist: cannot be created.
    EXPECT_EQ(boksUnder([&] { rc = zvlibUpf_openWithPath(nullptr, (dir_ + "/none/x.upf").c_str()); }),
              "APNE " + dir_ + "/none/x.upf");
    EXPECT_EQ(rc, ZVLIB_FAILURE);
    EXPECT_EQ(zvlibUpf_getHandle(), nullptr);
}

TEST_F(ZvlibUpfTest, UndefinedUserPrefKeepsTheFileClosed)
{
    mdlSystem_defineCfgVar("MS_USERPREF", nullptr);
    unsetenv("MS_USERPREF");
    EXPECT_EQ(openDefault(), ZVLIB_FAILURE);
    EXPECT_STREQ(mdlhost_textWindow(), "\"MS_USERPREF\" undefined!\n");

    mdlhost_clearTextWindow();
    unsigned char buf[4] = {9, 9, 9, 9};
    EXPECT_EQ(zvlibUpf_load(ZSU9, 1, buf, sizeof buf), ZVLIB_FAILURE);
    EXPECT_STREQ(mdlhost_textWindow(), "User preference file not open!!\n");
    mdlhost_clearTextWindow();
    EXPECT_EQ(zvlibUpf_save(ZSU9, 1, buf, sizeof buf), ZVLIB_FAILURE);
    EXPECT_STREQ(mdlhost_textWindow(), "User preference file not open!!\n");
    EXPECT_EQ(buf[0], 9);
}

TEST_F(ZvlibUpfTest, WriteFailureLeavesThePreviousFile)
{
    ASSERT_EQ(openDefault(), 0);
    std::vector<unsigned char> a = pattern(ZSU9_SIZE, 6), b = pattern(ZSU9_SIZE, 7);
    ASSERT_EQ(zvlibUpf_save(ZSU9, 1, a.data(), a.size()), 0);
    std::string before = read(pref("zvzera.upf"));
    mdlhost_rscFailWrites(1);
    int rc = 0;
    EXPECT_EQ(boksUnder([&] { rc = zvlibUpf_save(ZSU9, 1, b.data(), b.size()); }), "SKRIV " + pref("zvzera.upf"));
    EXPECT_EQ(rc, ZVLIB_FAILURE);
    EXPECT_EQ(read(pref("zvzera.upf")), before);
    std::vector<unsigned char> got(ZSU9_SIZE);
    ASSERT_EQ(zvlibUpf_load(ZSU9, 1, got.data(), got.size()), 0);
    EXPECT_EQ(got, a);
    // The next write goes through.
    ASSERT_EQ(zvlibUpf_save(ZSU9, 1, b.data(), b.size()), 0);
    ASSERT_EQ(zvlibUpf_load(ZSU9, 1, got.data(), got.size()), 0);
    EXPECT_EQ(got, b);
}

TEST_F(ZvlibUpfTest, SaveFileNamePushesHistoriesNewestFirst)
{
    ASSERT_EQ(openDefault(), 0);
    RscFileHandle h = zvlibUpf_getHandle();
    MdlUserPrefsFile rec;
    const int id = -9650;

    // A fresh record only becomes version 5; the second push enters the
    // histories, and the same path again stays one entry on top.
    for (int i = 0; i < 3; i++)
        ASSERT_EQ(zvlibUpf_saveFileName("D:\\x\\a.zer", h, id), 0);
    ASSERT_EQ(mdlUserPrefs_getFileName(&rec, id, h), 0);
    EXPECT_EQ(rec.marker, MDLHOST_UPREF_MARKER);
    EXPECT_EQ(rec.version, MDLHOST_UPREF_VERSION);
    EXPECT_STREQ(rec.fileName, "D:\\x\\a.zer");
    EXPECT_STREQ(rec.filter, "*.zer");
    EXPECT_EQ(rec.fileCount, 1);
    EXPECT_EQ(rec.filterCount, 1);
    EXPECT_EQ(rec.directoryCount, 1);
    EXPECT_STREQ(rec.files[0], "D:\\x\\a.zer");
    EXPECT_STREQ(rec.filters[0], "*.zer");
    EXPECT_STREQ(rec.directories[0], "D:\\x\\");

    // An older entry pushed again moves to the top.
    ASSERT_EQ(zvlibUpf_saveFileName("D:\\y\\b.dgn", h, id), 0);
    ASSERT_EQ(zvlibUpf_saveFileName("D:\\x\\a.zer", h, id), 0);
    ASSERT_EQ(mdlUserPrefs_getFileName(&rec, id, h), 0);
    ASSERT_EQ(rec.fileCount, 2);
    EXPECT_STREQ(rec.files[0], "D:\\x\\a.zer");
    EXPECT_STREQ(rec.files[1], "D:\\y\\b.dgn");
    EXPECT_STREQ(rec.filters[0], "*.zer");
    EXPECT_STREQ(rec.filters[1], "*.dgn");
    EXPECT_STREQ(rec.directories[1], "D:\\y\\");

    // Eleven new paths: the ten newest stay, newest first.
    for (int i = 0; i < 11; i++) {
        std::string p = "/data/f" + std::to_string(i) + ".zer";
        ASSERT_EQ(zvlibUpf_saveFileName(p.c_str(), h, id), 0);
    }
    ASSERT_EQ(mdlUserPrefs_getFileName(&rec, id, h), 0);
    ASSERT_EQ(rec.fileCount, MDLHOST_UPREF_HISTORY);
    for (int i = 0; i < MDLHOST_UPREF_HISTORY; i++)
        EXPECT_EQ(std::string(rec.files[i]), "/data/f" + std::to_string(10 - i) + ".zer");
    EXPECT_EQ(rec.filterCount, 2);
    EXPECT_EQ(rec.directoryCount, 3);
    EXPECT_STREQ(rec.directories[0], "/data/");

    // Another dialog id keeps its own record; a path too long is refused.
    ASSERT_EQ(mdlUserPrefs_getFileName(&rec, 283, h), MDLHOST_RSC_NOTFOUND);
    std::string tooLong = "/" + std::string(300, 'p') + ".zer";
    EXPECT_EQ(zvlibUpf_saveFileName(tooLong.c_str(), h, 283), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibUpf_saveFileName(nullptr, h, 283), ZVLIB_FAILURE);
}

TEST_F(ZvlibUpfTest, FileDialogsOfferTheRememberedFile)
{
    ASSERT_EQ(openDefault(), 0);
    const int id = -20002;
    std::string chosen = dir_ + "/out/list.txt";
    char path[MDLHOST_MAXFILELENGTH] = "";
    mdlhost_scriptFileDialog(chosen.c_str());
    ASSERT_EQ(zvlibUpf_defFileCreate(path, "first.txt", "*.txt", dir_.c_str(), "Lagre", id), ACTIONBUTTON_OK);
    EXPECT_EQ(std::string(path), chosen);

    // The next dialog of that id offers the remembered file.
    mdlhost_scriptFileDialog("");
    ASSERT_EQ(zvlibUpf_defFileOpen(path, "first.txt", "*.txt", dir_.c_str(), "Apne", id), ACTIONBUTTON_OK);
    EXPECT_NE(std::string(mdlhost_lastFileDialogDefault()).find("list.txt"), std::string::npos);
    MdlUserPrefsFile rec;
    ASSERT_EQ(mdlUserPrefs_getFileName(&rec, id, zvlibUpf_getHandle()), 0);
    EXPECT_NE(std::string(rec.fileName).find("list.txt"), std::string::npos);
    // The record is kept in the host's own file as well.
    ASSERT_EQ(mdlUserPrefs_getFileName(&rec, id, nullptr), 0);
    EXPECT_NE(std::string(rec.fileName).find("list.txt"), std::string::npos);

    // The file-list editor starts in the remembered directory and keeps the
    // one the user ended in.
    fs::create_directories(dir_ + "/d1");
    int status = 0;
    mdlhost_scriptFileList((dir_ + "/d1").c_str());
    ASSERT_EQ(zvlibUpf_defFileListEdit(&status, nullptr, 128, "Velg", "", "*.*", dir_.c_str(), 77), 0);
    EXPECT_EQ(status, ACTIONBUTTON_OK);
    ASSERT_EQ(mdlUserPrefs_getFileName(&rec, 77, zvlibUpf_getHandle()), 0);
    EXPECT_NE(std::string(rec.directory).find("d1"), std::string::npos);
    mdlhost_scriptFileList(nullptr);
    ASSERT_EQ(zvlibUpf_defFileListEdit(&status, nullptr, 128, "Velg", "", "*.*", dir_.c_str(), 77), 0);
    EXPECT_EQ(status, ACTIONBUTTON_CANCEL);
}

TEST_F(ZvlibUpfTest, EachApplicationHasItsOwnFile)
{
    MdlDesc *other = mdlhost_registerApplication("ZVUPFTEST2", rsc_.c_str());
    ASSERT_NE(other, nullptr);
    std::vector<unsigned char> a = pattern(ZSU9_SIZE, 8), b = pattern(ZSU9_SIZE, 9);

    mdlSystem_defineCfgVar("ZVZERA_UPF", "a.upf");
    ASSERT_EQ(openDefault(), 0);
    ASSERT_EQ(zvlibUpf_save(ZSU9, 1, a.data(), a.size()), 0);

    mdlhost_setCurrMdlDesc(other);
    EXPECT_EQ(zvlibUpf_getUpfFileName(), nullptr);
    mdlSystem_defineCfgVar("ZVZERA_UPF", "b.upf");
    ASSERT_EQ(openDefault(), 0);
    ASSERT_EQ(zvlibUpf_save(ZSU9, 1, b.data(), b.size()), 0);
    EXPECT_STREQ(zvlibUpf_getUpfFileName(), pref("b.upf").c_str());

    std::vector<unsigned char> got(ZSU9_SIZE);
    mdlhost_setCurrMdlDesc(app_);
    EXPECT_STREQ(zvlibUpf_getUpfFileName(), pref("a.upf").c_str());
    ASSERT_EQ(zvlibUpf_load(ZSU9, 1, got.data(), got.size()), 0);
    EXPECT_EQ(got, a);
    mdlhost_setCurrMdlDesc(other);
    ASSERT_EQ(zvlibUpf_load(ZSU9, 1, got.data(), got.size()), 0);
    EXPECT_EQ(got, b);

    // An unloaded application's state is forgotten with it.
    mdlhost_forgetResources(other);
    mdlhost_unregisterApplication(other);
    mdlhost_setCurrMdlDesc(app_);
    ASSERT_EQ(zvlibUpf_load(ZSU9, 1, got.data(), got.size()), 0);
    EXPECT_EQ(got, a);
}

} // namespace
