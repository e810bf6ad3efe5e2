#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "zvlibresource.h"
#include "testing/zvlib_testing.h"

namespace fs = std::filesystem;

namespace {

const uint32_t TYPE = MDLHOST_RTYPE('T', 's', 't', '1');

// Runs as an application whose message list names each box by its entry.
class ZvlibResourceTest : public zvlibtest::AppTest {
  protected:
    ZvlibResourceTest()
        : AppTest("ZVRSCTEST",
                  "MessageList 20005 {\n"
                  "  1 \"APNE %s\"\n  9 \"SKRIV %s\"\n  10 \"SKRIVEBESKYTTET %s\"\n"
                  "  16 \"LESE %s\"\n  50 \"MERKE\"\n}\n",
                  {.dirPrefix = "zvlibrsc"})
    {
    }
    void TearDown() override
    {
        mdlhost_rscFailWrites(0);
        AppTest::TearDown();
    }
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
    ZvHandle openNew(const std::string &name)
    {
        ZvHandle zh{};
        EXPECT_EQ(zvlibResource_openFile(&zh, path(name).c_str(), ZVLIB_RSC_READWRITE), 0);
        return zh;
    }
};

TEST_F(ZvlibResourceTest, OpenCreatesOnlyAMissingFileForReadWrite)
{
    std::string existing = path("existing.rsc");
    ASSERT_EQ(mdlResource_createFile(existing.c_str(), "Other", 1), 0);
    chmod(existing.c_str(), 0444);
    std::string existingBytes = read(existing);
    std::string tooLong = dir_ + "/" + std::string(300, 'a') + ".rsc";

    struct Case {
        const char *what;
        std::string file;
        int mode;
        int result;
        std::string box;
        bool existsAfter;
    } cases[] = {
        {"missing, read-write: created", path("new.rsc"), 1, 0, "MERKE", true},
        {"missing, read-only", path("none.rsc"), 0, ZVLIB_FAILURE, "LESE " + path("none.rsc"), false},
        {"existing, not writable", existing, 1, ZVLIB_FAILURE, "APNE " + existing, true},
        {"existing, read-only", existing, 0, 0, "MERKE", true},
        {"directory missing", path("no/dir.rsc"), 1, ZVLIB_FAILURE, "APNE " + path("no/dir.rsc"), false},
        {"path too long", tooLong, 1, ZVLIB_FAILURE, "APNE " + tooLong, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZvHandle zh{};
        int rc = -1;
        EXPECT_EQ(boksUnder([&] { rc = zvlibResource_openFile(&zh, c.file.c_str(), c.mode); }), c.box);
        EXPECT_EQ(rc, c.result);
        EXPECT_EQ(zh.handle != nullptr, c.result == 0);
        std::error_code ec;
        EXPECT_EQ(fs::exists(c.file, ec), c.existsAfter);
        if (c.result == 0) {
            EXPECT_STREQ(zh.path, c.file.c_str());
        }
        zvlibResource_closeFile(&zh);
        EXPECT_EQ(zh.handle, nullptr);
    }
    // Never created anew over an existing file.
    EXPECT_EQ(read(existing), existingBytes);
    ZvHandle zh = openNew("new.rsc");
    EXPECT_STREQ(mdlhost_rscDescription(zh.handle), ZVLIB_RSC_DESCRIPTION);
    zvlibResource_closeFile(&zh);
}

TEST_F(ZvlibResourceTest, RewriteStoresExactlyTheNewBytes)
{
    // id 1 grows 8 -> 16, id 2 shrinks 16 -> 8; each must come back with its
    // new length, no stale tail and no overrun of a loaded copy.
    const unsigned char a8[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    unsigned char b16[16];
    for (int i = 0; i < 16; i++)
        b16[i] = (unsigned char)(0xA0 + i);
    ZvHandle zh = openNew("blocks.rsc");
    ASSERT_EQ(zvlibResource_add(&zh, TYPE, 1, a8, sizeof a8, nullptr), 0);
    ASSERT_EQ(zvlibResource_add(&zh, TYPE, 1, b16, sizeof b16, nullptr), 0);
    ASSERT_EQ(zvlibResource_add(&zh, TYPE, 2, b16, sizeof b16, "alias"), 0);
    ASSERT_EQ(zvlibResource_add(&zh, TYPE, 2, a8, sizeof a8, nullptr), 0);
    zvlibResource_closeFile(&zh);

    ASSERT_EQ(zvlibResource_openFile(&zh, path("blocks.rsc").c_str(), ZVLIB_RSC_READONLY), 0);
    size_t size = 0;
    ASSERT_EQ(mdlResource_query(zh.handle, TYPE, 1, &size), 0);
    EXPECT_EQ(size, sizeof b16);
    ASSERT_EQ(mdlResource_query(zh.handle, TYPE, 2, &size), 0);
    EXPECT_EQ(size, sizeof a8);
    unsigned char got[16];
    ASSERT_EQ(zvlibResource_load(&zh, TYPE, 1, got, sizeof got), 0);
    EXPECT_EQ(memcmp(got, b16, sizeof b16), 0);

    // A stored block shorter than the request, or none: buffer untouched.
    for (long id : {2L, 3L}) {
        memset(got, 0x5A, sizeof got);
        EXPECT_EQ(zvlibResource_load(&zh, TYPE, id, got, sizeof got), ZVLIB_FAILURE);
        for (unsigned char c : got)
            EXPECT_EQ(c, 0x5A);
    }
    ASSERT_EQ(zvlibResource_load(&zh, TYPE, 2, got, 8), 0);
    EXPECT_EQ(memcmp(got, a8, sizeof a8), 0);
    zvlibResource_closeFile(&zh);
}

TEST_F(ZvlibResourceTest, WriteErrorsShowTheirBoxAndKeepTheFile)
{
    const char old[4] = {'o', 'l', 'd', '!'};
    const char neu[4] = {'n', 'e', 'w', '!'};
    ZvHandle zh = openNew("w.rsc");
    ASSERT_EQ(zvlibResource_add(&zh, TYPE, 1, old, sizeof old, nullptr), 0);
    std::string before = read(path("w.rsc"));

    int rc = 0;
    mdlhost_rscFailWrites(1);
    EXPECT_EQ(boksUnder([&] { rc = zvlibResource_add(&zh, TYPE, 1, neu, sizeof neu, nullptr); }),
              "SKRIV " + path("w.rsc"));
    EXPECT_EQ(rc, ZVLIB_FAILURE);
    EXPECT_EQ(read(path("w.rsc")), before);
    char got[4];
    ASSERT_EQ(zvlibResource_load(&zh, TYPE, 1, got, sizeof got), 0);
    EXPECT_EQ(memcmp(got, old, sizeof old), 0);
    zvlibResource_closeFile(&zh);

    ASSERT_EQ(zvlibResource_openFile(&zh, path("w.rsc").c_str(), ZVLIB_RSC_READONLY), 0);
    EXPECT_EQ(boksUnder([&] { rc = zvlibResource_add(&zh, TYPE, 1, neu, sizeof neu, nullptr); }),
              "SKRIVEBESKYTTET " + path("w.rsc"));
    EXPECT_EQ(rc, ZVLIB_FAILURE);
    EXPECT_EQ(read(path("w.rsc")), before);
    zvlibResource_closeFile(&zh);

    // A closed handle: failure, and nothing to name in a box.
    EXPECT_EQ(boksUnder([&] { rc = zvlibResource_add(&zh, TYPE, 1, neu, sizeof neu, nullptr); }), "MERKE");
    EXPECT_EQ(rc, ZVLIB_FAILURE);
    EXPECT_EQ(zvlibResource_load(&zh, TYPE, 1, got, sizeof got), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibResource_load(nullptr, TYPE, 1, got, sizeof got), ZVLIB_FAILURE);
}

TEST_F(ZvlibResourceTest, StringListIsAddedThenOverwritten)
{
    ZvHandle zh = openNew("s.rsc");
    for (long members : {3L, 1L}) {
        SCOPED_TRACE(members);
        StringList *list = mdlStringList_create(members, 1);
        for (long i = 0; i < members; i++) {
            long info = 100 * members + i;
            std::string text = "m" + std::to_string(members) + "-" + std::to_string(i);
            mdlStringList_setMember(list, i, text.c_str(), &info);
        }
        ASSERT_EQ(zvlibResource_addStringList(&zh, 7, list), 0);
        mdlStringList_destroy(list);

        StringList *got = zvlibResource_loadStringList(&zh, 7);
        ASSERT_NE(got, nullptr);
        ASSERT_EQ(mdlStringList_size(got), members);
        const char *text = nullptr;
        long *info = nullptr;
        ASSERT_EQ(mdlStringList_getMember(&text, &info, got, members - 1), 0);
        EXPECT_EQ(std::string(text), "m" + std::to_string(members) + "-" + std::to_string(members - 1));
        EXPECT_EQ(info[0], 100 * members + members - 1);
        mdlStringList_destroy(got);
    }
    EXPECT_EQ(zvlibResource_loadStringList(&zh, 8), nullptr);
    zvlibResource_closeFile(&zh);
    EXPECT_EQ(zvlibResource_loadStringList(&zh, 7), nullptr);
}

} // namespace
