// Remembered file names per (preference file, dialog id).
#include <cstring>
#include <string>

#include "testing/rsc_testing.h"

namespace {

using rsctest::RscFixture;

class RscUserPrefsTest : public RscFixture {
  protected:
    void SetUp() override
    {
        RscFixture::SetUp();
        mdlhost_closeUserPrefs();
        ASSERT_EQ(mdlSystem_defineCfgVar("MDLHOST_USERPREF", path("host.upf").c_str()), 0);
    }
    void TearDown() override
    {
        mdlhost_closeUserPrefs();
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", nullptr);
        RscFixture::TearDown();
    }
    static MdlUserPrefsFile record(const char *file, int pushes)
    {
        MdlUserPrefsFile r;
        memset(&r, 0, sizeof r);
        r.marker = MDLHOST_UPREF_MARKER;
        r.version = MDLHOST_UPREF_VERSION;
        snprintf(r.fileName, sizeof r.fileName, "%s", file);
        snprintf(r.filter, sizeof r.filter, "*.zer");
        snprintf(r.directory, sizeof r.directory, "D:\\x\\");
        r.fileCount = r.filterCount = r.directoryCount = pushes;
        for (int i = 0; i < pushes; i++) {
            snprintf(r.files[i], sizeof r.files[i], "D:\\x\\%d.zer", i);
            snprintf(r.filters[i], sizeof r.filters[i], "*.z%d", i);
            snprintf(r.directories[i], sizeof r.directories[i], "D:\\%d\\", i);
        }
        return r;
    }
    static bool same(const MdlUserPrefsFile &a, const MdlUserPrefsFile &b) { return memcmp(&a, &b, sizeof a) == 0; }
};

TEST_F(RscUserPrefsTest, RecordsAreKeptPerDialogIdAndFile)
{
    RscFileHandle upf = createOpen("zvzera.upf");
    MdlUserPrefsFile a = record("D:\\x\\a.zer", 10), b = record("b.txt", 1), c = record("c.rsc", 0);
    ASSERT_EQ(mdlUserPrefs_saveFileName(&a, 283, upf), MDLHOST_RSC_OK);
    ASSERT_EQ(mdlUserPrefs_saveFileName(&b, -20002, upf), MDLHOST_RSC_OK);
    ASSERT_EQ(mdlUserPrefs_saveFileName(&c, 283, nullptr), MDLHOST_RSC_OK); // the host's own file
    mdlResource_closeFile(upf);
    mdlhost_closeUserPrefs();

    ASSERT_EQ(mdlResource_openFile(&upf, path("zvzera.upf").c_str(), MDLHOST_RSC_READ), MDLHOST_RSC_OK);
    MdlUserPrefsFile got;
    ASSERT_EQ(mdlUserPrefs_getFileName(&got, 283, upf), MDLHOST_RSC_OK);
    EXPECT_TRUE(same(got, a));
    ASSERT_EQ(mdlUserPrefs_getFileName(&got, -20002, upf), MDLHOST_RSC_OK);
    EXPECT_TRUE(same(got, b));
    ASSERT_EQ(mdlUserPrefs_getFileName(&got, 283, nullptr), MDLHOST_RSC_OK);
    EXPECT_TRUE(same(got, c));
    EXPECT_EQ(mdlUserPrefs_getFileName(&got, -20002, nullptr), MDLHOST_RSC_NOTFOUND);

    // An id with no record gives a cleared record.
    memset(&got, 'x', sizeof got);
    EXPECT_EQ(mdlUserPrefs_getFileName(&got, -9650, upf), MDLHOST_RSC_NOTFOUND);
    EXPECT_TRUE(same(got, MdlUserPrefsFile{}));

    // A save on a file opened read-only changes nothing.
    EXPECT_EQ(mdlUserPrefs_saveFileName(&b, 283, upf), MDLHOST_RSC_READONLY);
    ASSERT_EQ(mdlUserPrefs_getFileName(&got, 283, upf), MDLHOST_RSC_OK);
    EXPECT_TRUE(same(got, a));
    mdlResource_closeFile(upf);
    EXPECT_EQ(mdlUserPrefs_getFileName(&got, 283, upf), MDLHOST_RSC_BADARG); // closed handle
}

TEST_F(RscUserPrefsTest, StoredRecordIsLittleEndianFieldByField)
{
    RscFileHandle upf = createOpen("p.upf");
    MdlUserPrefsFile a = record("f", 2);
    ASSERT_EQ(mdlUserPrefs_saveFileName(&a, 1, upf), MDLHOST_RSC_OK);
    unsigned char raw[sizeof(MdlUserPrefsFile)];
    ASSERT_EQ(mdlResource_loadInto(upf, MDLHOST_RTYPE_USERPREFSFILE, 1, raw, sizeof raw), MDLHOST_RSC_OK);
    EXPECT_EQ(raw[0], MDLHOST_UPREF_MARKER);
    EXPECT_EQ(raw[4], MDLHOST_UPREF_VERSION);
    EXPECT_EQ(raw[5] | raw[6] | raw[7], 0);
    EXPECT_STREQ(reinterpret_cast<char *>(raw + 8), "f");
    EXPECT_EQ(raw[8 + 3 * MDLHOST_UPREF_NAMELENGTH], 2); // file count
    EXPECT_STREQ(reinterpret_cast<char *>(raw + 20 + 3 * MDLHOST_UPREF_NAMELENGTH), "D:\\x\\0.zer");
    mdlResource_closeFile(upf);
}

TEST_F(RscUserPrefsTest, CorruptStoredRecordIsBoundedOrRefused)
{
    RscFileHandle upf = createOpen("p.upf");
    // Counts beyond the history and names without a terminator.
    unsigned char raw[sizeof(MdlUserPrefsFile)];
    memset(raw, 'A', sizeof raw);
    for (size_t at : {size_t(4), 8 + 3 * size_t(MDLHOST_UPREF_NAMELENGTH)})
        memset(raw + at, 0x7f, 12);
    raw[8 + 3 * MDLHOST_UPREF_NAMELENGTH + 7] = 0x80; // a negative count
    ASSERT_EQ(mdlResource_add(upf, MDLHOST_RTYPE_USERPREFSFILE, 5, raw, sizeof raw, nullptr), MDLHOST_RSC_OK);
    MdlUserPrefsFile got;
    ASSERT_EQ(mdlUserPrefs_getFileName(&got, 5, upf), MDLHOST_RSC_OK);
    EXPECT_EQ(got.fileCount, MDLHOST_UPREF_HISTORY);
    EXPECT_EQ(got.filterCount, 0);
    EXPECT_EQ(got.directoryCount, MDLHOST_UPREF_HISTORY);
    EXPECT_EQ(strlen(got.fileName), (size_t)MDLHOST_UPREF_NAMELENGTH - 1);
    EXPECT_EQ(strlen(got.directories[MDLHOST_UPREF_HISTORY - 1]), (size_t)MDLHOST_UPREF_NAMELENGTH - 1);

    // A record of another size is no record.
    ASSERT_EQ(mdlResource_add(upf, MDLHOST_RTYPE_USERPREFSFILE, 6, raw, 100, nullptr), MDLHOST_RSC_OK);
    memset(&got, 'x', sizeof got);
    EXPECT_EQ(mdlUserPrefs_getFileName(&got, 6, upf), MDLHOST_RSC_ERROR);
    EXPECT_TRUE(same(got, MdlUserPrefsFile{}));
    mdlResource_closeFile(upf);
}

TEST_F(RscUserPrefsTest, HostFileFollowsItsConfigurationVariable)
{
    MdlUserPrefsFile a = record("first", 1), b = record("second", 1), got;
    ASSERT_EQ(mdlUserPrefs_saveFileName(&a, 7, nullptr), MDLHOST_RSC_OK);
    ASSERT_TRUE(std::filesystem::exists(path("host.upf")));

    ASSERT_EQ(mdlSystem_defineCfgVar("MDLHOST_USERPREF", path("other.upf").c_str()), 0);
    EXPECT_EQ(mdlUserPrefs_getFileName(&got, 7, nullptr), MDLHOST_RSC_NOTFOUND);
    ASSERT_EQ(mdlUserPrefs_saveFileName(&b, 7, nullptr), MDLHOST_RSC_OK);

    ASSERT_EQ(mdlSystem_defineCfgVar("MDLHOST_USERPREF", path("host.upf").c_str()), 0);
    ASSERT_EQ(mdlUserPrefs_getFileName(&got, 7, nullptr), MDLHOST_RSC_OK);
    EXPECT_STREQ(got.fileName, "first");

    // A host file that may not be written is still read.
    mdlhost_closeUserPrefs();
    ASSERT_EQ(chmod(path("host.upf").c_str(), 0444), 0);
    std::string before = read(path("host.upf"));
    ASSERT_EQ(mdlUserPrefs_getFileName(&got, 7, nullptr), MDLHOST_RSC_OK);
    EXPECT_EQ(mdlUserPrefs_saveFileName(&b, 7, nullptr), MDLHOST_RSC_READONLY);
    EXPECT_EQ(read(path("host.upf")), before);

    // A host file that cannot be made.
    mdlhost_closeUserPrefs();
    ASSERT_EQ(mdlSystem_defineCfgVar("MDLHOST_USERPREF", path("no/dir/x.upf").c_str()), 0);
    EXPECT_EQ(mdlUserPrefs_saveFileName(&b, 7, nullptr), MDLHOST_RSC_WRITEFAIL);
    EXPECT_EQ(mdlUserPrefs_getFileName(&got, 7, nullptr), MDLHOST_RSC_WRITEFAIL);
    EXPECT_EQ(mdlUserPrefs_getFileName(nullptr, 7, nullptr), MDLHOST_RSC_BADARG);
}

TEST_F(RscUserPrefsTest, HostFileIsTheOneMsUserprefNames)
{
    MdlUserPrefsFile a = record("platform", 1), got;
    // MS_USERPREF names it, before the host's own variable.
    ASSERT_EQ(mdlSystem_defineCfgVar("MS_USERPREF", path("user.upf").c_str()), 0);
    char name[MDLHOST_MAXFILELENGTH];
    ASSERT_EQ(mdlhost_userPrefsName(name, sizeof name), 0);
    EXPECT_EQ(std::string(name), path("user.upf"));
    ASSERT_EQ(mdlUserPrefs_saveFileName(&a, 9, nullptr), MDLHOST_RSC_OK);
    EXPECT_TRUE(std::filesystem::exists(path("user.upf")));
    EXPECT_FALSE(std::filesystem::exists(path("host.upf")));

    // Undefined (or empty): MDLHOST_USERPREF, then $(HOME)/.mdlhost.upf.
    for (const char *empty : {static_cast<const char *>(nullptr), ""}) {
        ASSERT_EQ(mdlSystem_defineCfgVar("MS_USERPREF", empty), 0);
        ASSERT_EQ(mdlhost_userPrefsName(name, sizeof name), 0);
        EXPECT_EQ(std::string(name), path("host.upf"));
        EXPECT_EQ(mdlUserPrefs_getFileName(&got, 9, nullptr), MDLHOST_RSC_NOTFOUND);
    }
    ASSERT_EQ(mdlSystem_defineCfgVar("MS_USERPREF", path("user.upf").c_str()), 0);
    ASSERT_EQ(mdlUserPrefs_getFileName(&got, 9, nullptr), MDLHOST_RSC_OK);
    EXPECT_STREQ(got.fileName, "platform");

    // A name that does not fit is refused, terminated.
    char tiny[4] = "xyz";
    EXPECT_EQ(mdlhost_userPrefsName(tiny, sizeof tiny), -1);
    EXPECT_STREQ(tiny, "");
    EXPECT_EQ(mdlhost_userPrefsName(nullptr, 10), -1);
    mdlSystem_defineCfgVar("MS_USERPREF", nullptr);
}

} // namespace
