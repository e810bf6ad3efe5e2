// Typed blocks in resource files: round trips, rewrites, bounded loads,
// read-only files and failed writes.
#include <cstring>
#include <string>
#include <vector>

#include "testing/rsc_testing.h"

namespace {

using rsctest::pattern;
using rsctest::RscFixture;

const uint32_t ZSU9 = MDLHOST_RTYPE('Z', 's', 'U', '9');
const uint32_t LSU3 = MDLHOST_RTYPE('L', 's', 'U', '3');

class RscBlockTest : public RscFixture {
  protected:
    std::vector<unsigned char> load(RscFileHandle h, uint32_t type, long id)
    {
        size_t size = 0;
        void *p = mdlResource_load(h, type, id, &size);
        if (p == nullptr)
            return {};
        std::vector<unsigned char> v(static_cast<unsigned char *>(p), static_cast<unsigned char *>(p) + size);
        mdlResource_free(p);
        return v;
    }
    RscFileHandle reopen(RscFileHandle h, const std::string &name, int mode = MDLHOST_RSC_READ)
    {
        mdlResource_closeFile(h);
        RscFileHandle again = nullptr;
        EXPECT_EQ(mdlResource_openFile(&again, path(name).c_str(), mode), MDLHOST_RSC_OK) << window();
        return again;
    }
};

TEST_F(RscBlockTest, BlocksOfEverySizeComeBackByteExact)
{
    RscFileHandle h = createOpen("p.upf");
    ASSERT_NE(h, nullptr);
    // 64 bytes fill a hex line exactly; 1264 is the settings block.
    const size_t sizes[] = {0, 1, 63, 64, 65, 1264, 100000};
    std::vector<std::vector<unsigned char>> data;
    for (size_t i = 0; i < std::size(sizes); i++) {
        data.push_back(pattern(sizes[i], (unsigned)i));
        ASSERT_EQ(mdlResource_add(h, ZSU9, (long)i + 1, data[i].data(), data[i].size(), nullptr), MDLHOST_RSC_OK);
    }
    // Every id and type keys its own block, negative ids included.
    std::vector<unsigned char> other = pattern(1144, 99);
    ASSERT_EQ(mdlResource_add(h, LSU3, 1, other.data(), other.size(), "editing tool"), MDLHOST_RSC_OK);
    ASSERT_EQ(mdlResource_add(h, ZSU9, -20002, "x", 1, nullptr), MDLHOST_RSC_OK);

    h = reopen(h, "p.upf"); // read back from disk, not from the view that wrote it
    for (size_t i = 0; i < std::size(sizes); i++) {
        SCOPED_TRACE(sizes[i]);
        size_t stored = 12345;
        ASSERT_EQ(mdlResource_query(h, ZSU9, (long)i + 1, &stored), MDLHOST_RSC_OK);
        EXPECT_EQ(stored, sizes[i]);
        EXPECT_EQ(load(h, ZSU9, (long)i + 1), data[i]);
    }
    EXPECT_EQ(load(h, LSU3, 1), other);
    EXPECT_EQ(load(h, ZSU9, -20002), std::vector<unsigned char>{'x'});
    EXPECT_EQ(mdlResource_query(h, LSU3, 2, nullptr), MDLHOST_RSC_NOTFOUND);
    EXPECT_EQ(mdlResource_query(h, MDLHOST_RTYPE('L', 's', 'U', '4'), 1, nullptr), MDLHOST_RSC_NOTFOUND);
    EXPECT_EQ(mdlResource_load(h, ZSU9, 77, nullptr), nullptr);
    EXPECT_STREQ(mdlhost_rscDescription(h), "Attributes");
    mdlResource_closeFile(h);
}

TEST_F(RscBlockTest, StoredFileIsTheProjectsTextFormat)
{
    RscFileHandle h = createOpen("p.upf");
    const unsigned char bytes[] = {0x0a, 0x0b, 0xff, 0x00};
    ASSERT_EQ(mdlResource_add(h, ZSU9, 1, bytes, sizeof bytes, nullptr), MDLHOST_RSC_OK);
    ASSERT_EQ(mdlResource_add(h, 0x00000001u, 2, bytes, 1, nullptr), MDLHOST_RSC_OK); // unprintable code
    EXPECT_EQ(read(path("p.upf")), "Description \"Attributes\"\n"
                                   "Resource 'ZsU9' 1 {\n"
                                   "    hex \"0a0bff00\"\n"
                                   "}\n"
                                   "Resource 0x00000001 2 {\n"
                                   "    hex \"0a\"\n"
                                   "}\n");
    // A hand-written block reads the same, hex digits in either case.
    std::string f = write("hand.rsc", "Resource 'ZsU9' 1 { hex \"0A0B\"\n hex \"FF00\" }\n");
    RscFileHandle g = nullptr;
    ASSERT_EQ(mdlResource_openFile(&g, f.c_str(), MDLHOST_RSC_READ), MDLHOST_RSC_OK) << window();
    EXPECT_EQ(load(g, ZSU9, 1), std::vector<unsigned char>(bytes, bytes + 4));
    mdlResource_closeFile(g);
    mdlResource_closeFile(h);
}

TEST_F(RscBlockTest, MalformedBlocksAreRefused)
{
    struct Case {
        const char *what;
        std::string bytes;
        int line;
    };
    const Case cases[] = {
        {"odd hex digits", "Resource 'ZsU9' 1 {\n hex \"0a0\"\n}\n", 2},
        {"bad hex digit", "Resource 'ZsU9' 1 {\n hex \"0g\"\n}\n", 2},
        {"hex line over 64 bytes", "Resource 'ZsU9' 1 {\n hex \"" + std::string(130, 'a') + "\"\n}\n", 2},
        {"hex as bare word", "Resource 'ZsU9' 1 {\n hex 0a0b\n}\n", 2},
        {"other child", "Resource 'ZsU9' 1 {\n data \"0a\"\n}\n", 2},
        {"no block", "Resource 'ZsU9' 1\n", 1},
        {"no id", "Resource 'ZsU9' { }\n", 1},
        {"id beyond 32 bits", "Resource 'ZsU9' 4294967296 { }\n", 1},
        {"type beyond 32 bits", "Resource 0x100000000 1 { }\n", 1},
        {"given twice", "Resource 'ZsU9' 1 { }\n\nResource 0x5A735539 1 { }\n", 3},
        {"description twice", "Description \"a\"\nDescription \"b\"\n", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        mdlhost_clearTextWindow();
        std::string f = write("bad.rsc", c.bytes);
        RscFileHandle h = nullptr;
        EXPECT_EQ(mdlResource_openFile(&h, f.c_str(), MDLHOST_RSC_READ), MDLHOST_RSC_ERROR);
        EXPECT_NE(window().find(f + ", line " + std::to_string(c.line) + ":"), std::string::npos) << window();
    }
}

TEST_F(RscBlockTest, RewriteStoresExactlyTheNewBytesAndLength)
{
    struct Case {
        size_t first, second;
    };
    for (Case c : {Case{8, 16}, Case{16, 8}, Case{1264, 0}, Case{0, 100000}}) {
        SCOPED_TRACE(std::to_string(c.first) + " then " + std::to_string(c.second));
        std::error_code ec;
        std::filesystem::remove(path("r.upf"), ec);
        RscFileHandle h = createOpen("r.upf");
        std::vector<unsigned char> a = pattern(c.first, 1), b = pattern(c.second, 2);
        ASSERT_EQ(mdlResource_add(h, ZSU9, 1, a.data(), a.size(), nullptr), MDLHOST_RSC_OK);
        ASSERT_EQ(mdlResource_add(h, ZSU9, 1, b.data(), b.size(), nullptr), MDLHOST_RSC_EXISTS);
        ASSERT_EQ(mdlResource_replace(h, ZSU9, 1, b.data(), b.size()), MDLHOST_RSC_OK);
        EXPECT_EQ(load(h, ZSU9, 1), b);
        h = reopen(h, "r.upf");
        size_t stored = 0;
        EXPECT_EQ(mdlResource_query(h, ZSU9, 1, &stored), MDLHOST_RSC_OK);
        EXPECT_EQ(stored, c.second);
        EXPECT_EQ(load(h, ZSU9, 1), b);
        mdlResource_closeFile(h);
    }
}

TEST_F(RscBlockTest, LoadedCopyIsWrittenBackWithItsOwnSize)
{
    RscFileHandle h = createOpen("w.upf");
    std::vector<unsigned char> a = pattern(40, 3);
    ASSERT_EQ(mdlResource_add(h, ZSU9, 5, a.data(), a.size(), "alias"), MDLHOST_RSC_OK);
    size_t size = 0;
    auto *p = static_cast<unsigned char *>(mdlResource_load(h, ZSU9, 5, &size));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(size, a.size());
    p[0] ^= 0xff;
    p[size - 1] ^= 0xff;
    EXPECT_EQ(mdlResource_write(p), MDLHOST_RSC_OK);
    std::vector<unsigned char> expected(p, p + size);
    mdlResource_free(p);
    EXPECT_EQ(mdlResource_write(p), MDLHOST_RSC_BADARG); // freed: no longer known
    h = reopen(h, "w.upf");
    EXPECT_EQ(load(h, ZSU9, 5), expected);
    // The alias given at the add is kept by the rewrite.
    EXPECT_NE(read(path("w.upf")).find("Resource 'ZsU9' 5 \"alias\" {"), std::string::npos) << read(path("w.upf"));
    mdlResource_closeFile(h);
}

TEST_F(RscBlockTest, LoadIntoAnotherSizeNeverOverruns)
{
    RscFileHandle h = createOpen("l.upf");
    std::vector<unsigned char> stored = pattern(8, 4);
    ASSERT_EQ(mdlResource_add(h, ZSU9, 1, stored.data(), stored.size(), nullptr), MDLHOST_RSC_OK);

    // Larger request than stored: refused, buffer untouched.
    std::vector<unsigned char> big(16, 0xEE);
    EXPECT_EQ(mdlResource_loadInto(h, ZSU9, 1, big.data(), big.size()), MDLHOST_RSC_SHORT);
    EXPECT_EQ(big, std::vector<unsigned char>(16, 0xEE));
    // Smaller request: the first bytes, nothing beyond the request.
    std::vector<unsigned char> small(8, 0xEE);
    EXPECT_EQ(mdlResource_loadInto(h, ZSU9, 1, small.data(), 4), MDLHOST_RSC_OK);
    EXPECT_TRUE(std::equal(small.begin(), small.begin() + 4, stored.begin()));
    EXPECT_EQ(std::vector<unsigned char>(small.begin() + 4, small.end()), std::vector<unsigned char>(4, 0xEE));
    // Heap buffers of the exact request, so that the sanitizer sees any overrun.
    auto *exact = static_cast<unsigned char *>(malloc(8));
    EXPECT_EQ(mdlResource_loadInto(h, ZSU9, 1, exact, 8), MDLHOST_RSC_OK);
    EXPECT_EQ(memcmp(exact, stored.data(), 8), 0);
    free(exact);
    auto *three = static_cast<unsigned char *>(malloc(3));
    EXPECT_EQ(mdlResource_loadInto(h, ZSU9, 1, three, 3), MDLHOST_RSC_OK);
    free(three);

    unsigned char untouched[4] = {1, 2, 3, 4};
    EXPECT_EQ(mdlResource_loadInto(h, ZSU9, 2, untouched, 4), MDLHOST_RSC_NOTFOUND);
    EXPECT_EQ(untouched[0], 1);
    EXPECT_EQ(mdlResource_loadInto(h, ZSU9, 1, nullptr, 4), MDLHOST_RSC_BADARG);
    mdlResource_closeFile(h);
    EXPECT_EQ(mdlResource_loadInto(h, ZSU9, 1, untouched, 4), MDLHOST_RSC_BADARG); // closed handle
}

TEST_F(RscBlockTest, NullHandleSearchesTheApplicationsFiles)
{
    std::string a = write("a.rsc", "Resource 'ZsU9' 1 { hex \"01\" }\n");
    std::string b = write("b.rsc", "Resource 'ZsU9' 1 { hex \"02\" }\nResource 'ZsU9' 2 { hex \"0202\" }\n");
    ASSERT_EQ(mdlhost_openResourceFor(app_, a.c_str()), 0);
    ASSERT_EQ(mdlhost_openResourceFor(app_, b.c_str()), 0);
    EXPECT_EQ(load(nullptr, ZSU9, 1), std::vector<unsigned char>{1});
    EXPECT_EQ(load(nullptr, ZSU9, 2), (std::vector<unsigned char>{2, 2}));
    unsigned char out = 0;
    EXPECT_EQ(mdlResource_loadInto(nullptr, ZSU9, 1, &out, 1), MDLHOST_RSC_OK);
    EXPECT_EQ(out, 1);
    // Writing needs a handle.
    EXPECT_EQ(mdlResource_add(nullptr, ZSU9, 3, &out, 1, nullptr), MDLHOST_RSC_BADARG);
}

TEST_F(RscBlockTest, ReadOnlyByPermissionBitsRefusesEveryWrite)
{
    RscFileHandle h = createOpen("ro.upf");
    std::vector<unsigned char> a = pattern(1264, 5);
    ASSERT_EQ(mdlResource_add(h, ZSU9, 1, a.data(), a.size(), nullptr), MDLHOST_RSC_OK);
    mdlResource_closeFile(h);
    ASSERT_EQ(chmod(path("ro.upf").c_str(), 0444), 0);
    std::string before = read(path("ro.upf"));

    RscFileHandle rw = reinterpret_cast<RscFileHandle>(1);
    EXPECT_EQ(mdlResource_openFile(&rw, path("ro.upf").c_str(), MDLHOST_RSC_READWRITE), MDLHOST_RSC_READONLY);
    EXPECT_EQ(rw, nullptr);

    RscFileHandle ro = nullptr;
    ASSERT_EQ(mdlResource_openFile(&ro, path("ro.upf").c_str(), MDLHOST_RSC_READ), MDLHOST_RSC_OK);
    EXPECT_EQ(load(ro, ZSU9, 1), a); // reading works
    std::vector<unsigned char> b = pattern(1264, 6);
    EXPECT_EQ(mdlResource_add(ro, ZSU9, 2, b.data(), b.size(), nullptr), MDLHOST_RSC_READONLY);
    EXPECT_EQ(mdlResource_replace(ro, ZSU9, 1, b.data(), b.size()), MDLHOST_RSC_READONLY);
    StringList *l = mdlStringList_create(1, 0);
    EXPECT_EQ(mdlStringList_addResource(ro, 1, l), MDLHOST_RSC_READONLY);
    mdlStringList_destroy(l);
    EXPECT_EQ(read(path("ro.upf")), before);
    EXPECT_EQ(load(ro, ZSU9, 1), a);
    EXPECT_EQ(mdlResource_query(ro, ZSU9, 2, nullptr), MDLHOST_RSC_NOTFOUND);
    mdlResource_closeFile(ro);
}

TEST_F(RscBlockTest, WritableFileTurnedReadOnlyAfterOpeningIsNotWritten)
{
    RscFileHandle h = createOpen("late.upf");
    ASSERT_EQ(chmod(path("late.upf").c_str(), 0400), 0);
    std::string before = read(path("late.upf"));
    EXPECT_EQ(mdlResource_add(h, ZSU9, 1, "abc", 3, nullptr), MDLHOST_RSC_READONLY);
    EXPECT_EQ(read(path("late.upf")), before);
    mdlResource_closeFile(h);
}

TEST_F(RscBlockTest, ReadOnlyDirectoryRefusesReadWriteOpen)
{
    std::filesystem::create_directory(path("d"));
    RscFileHandle h = createOpen("d/x.upf");
    mdlResource_closeFile(h);
    ASSERT_EQ(chmod(path("d").c_str(), 0555), 0);
    h = reinterpret_cast<RscFileHandle>(1);
    EXPECT_EQ(mdlResource_openFile(&h, path("d/x.upf").c_str(), MDLHOST_RSC_READWRITE), MDLHOST_RSC_READONLY);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(mdlResource_createFile(path("d/y.upf").c_str(), "Attributes", 1), MDLHOST_RSC_WRITEFAIL);
}

TEST_F(RscBlockTest, FailedWriteLeavesThePreviousFileAndView)
{
    RscFileHandle h = createOpen("f.upf");
    std::vector<unsigned char> a = pattern(1264, 7);
    ASSERT_EQ(mdlResource_add(h, ZSU9, 1, a.data(), a.size(), nullptr), MDLHOST_RSC_OK);
    std::string before = read(path("f.upf"));
    std::vector<std::string> names = entries();
    std::vector<unsigned char> b = pattern(5000, 8);

    struct Case {
        const char *what;
        void (*inject)();
    };
    const Case cases[] = {
        {"temporary cannot be created", [] { mdlhost_failNext("fopen", 1); }},
        {"write fails after the temporary is written", [] { mdlhost_rscFailWrites(1); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.inject();
        EXPECT_EQ(mdlResource_replace(h, ZSU9, 1, b.data(), b.size()), MDLHOST_RSC_WRITEFAIL);
        c.inject();
        EXPECT_EQ(mdlResource_add(h, ZSU9, 2, b.data(), b.size(), nullptr), MDLHOST_RSC_WRITEFAIL);
        EXPECT_EQ(read(path("f.upf")), before);
        EXPECT_EQ(entries(), names); // no temporary left behind
        EXPECT_EQ(load(h, ZSU9, 1), a);
        EXPECT_EQ(mdlResource_query(h, ZSU9, 2, nullptr), MDLHOST_RSC_NOTFOUND);
    }
    // The next write goes through and keeps the file's permissions.
    ASSERT_EQ(chmod(path("f.upf").c_str(), 0640), 0);
    EXPECT_EQ(mdlResource_replace(h, ZSU9, 1, b.data(), b.size()), MDLHOST_RSC_OK);
    struct stat st;
    ASSERT_EQ(stat(path("f.upf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    h = reopen(h, "f.upf");
    EXPECT_EQ(load(h, ZSU9, 1), b);
    mdlResource_closeFile(h);
}

TEST_F(RscBlockTest, CreateNeverReplacesAndFailsCleanly)
{
    ASSERT_EQ(mdlResource_createFile(path("c.upf").c_str(), "Plotscales", 1), MDLHOST_RSC_OK);
    std::string created = read(path("c.upf"));
    EXPECT_EQ(created, "Description \"Plotscales\"\n");
    EXPECT_EQ(mdlResource_createFile(path("c.upf").c_str(), "Other", 1), MDLHOST_RSC_EXISTS);
    EXPECT_EQ(read(path("c.upf")), created);
    EXPECT_EQ(mdlResource_createFile(path("no/such/dir/c.upf").c_str(), "x", 1), MDLHOST_RSC_WRITEFAIL);
    EXPECT_EQ(mdlResource_createFile(nullptr, "x", 1), MDLHOST_RSC_BADARG);
    // A description needing escapes, and none at all.
    ASSERT_EQ(mdlResource_createFile(path("e.upf").c_str(), "Prosjekt \"info\"\n\xD8", 1), MDLHOST_RSC_OK);
    RscFileHandle h = nullptr;
    ASSERT_EQ(mdlResource_openFile(&h, path("e.upf").c_str(), MDLHOST_RSC_READ), MDLHOST_RSC_OK) << window();
    EXPECT_STREQ(mdlhost_rscDescription(h), "Prosjekt \"info\"\n\xD8");
    mdlResource_closeFile(h);
    ASSERT_EQ(mdlResource_createFile(path("n.upf").c_str(), nullptr, 1), MDLHOST_RSC_OK);
    ASSERT_EQ(mdlResource_openFile(&h, path("n.upf").c_str(), MDLHOST_RSC_READWRITE), MDLHOST_RSC_OK);
    EXPECT_STREQ(mdlhost_rscDescription(h), "");
    mdlResource_closeFile(h);
    EXPECT_EQ(entries().size(), 3u); // c.upf, e.upf, n.upf: no temporaries
}

TEST_F(RscBlockTest, OpenModesAndHandles)
{
    RscFileHandle h = reinterpret_cast<RscFileHandle>(1);
    // A read-write open of a missing file fails quietly: the caller creates it.
    EXPECT_EQ(mdlResource_openFile(&h, path("none.upf").c_str(), MDLHOST_RSC_READWRITE), MDLHOST_RSC_ERROR);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(window(), "");
    createOpen("m.upf");
    EXPECT_EQ(mdlResource_openFile(&h, path("m.upf").c_str(), 2), MDLHOST_RSC_BADARG);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(mdlResource_add(reinterpret_cast<RscFileHandle>(&h), ZSU9, 1, "a", 1, nullptr), MDLHOST_RSC_BADARG);
}

TEST_F(RscBlockTest, TwoHandlesOnOneFileShareTheirView)
{
    RscFileHandle a = createOpen("s.upf");
    RscFileHandle b = nullptr;
    ASSERT_EQ(mdlResource_openFile(&b, path("s.upf").c_str(), MDLHOST_RSC_READWRITE), MDLHOST_RSC_OK);
    ASSERT_EQ(mdlResource_add(a, ZSU9, 1, "a", 1, nullptr), MDLHOST_RSC_OK);
    ASSERT_EQ(mdlResource_add(b, ZSU9, 2, "b", 1, nullptr), MDLHOST_RSC_OK);
    // Neither write lost the other's block.
    RscFileHandle c = reopen(a, "s.upf");
    EXPECT_EQ(mdlResource_query(c, ZSU9, 1, nullptr), MDLHOST_RSC_OK);
    EXPECT_EQ(mdlResource_query(c, ZSU9, 2, nullptr), MDLHOST_RSC_OK);
    mdlResource_closeFile(b);
    mdlResource_closeFile(c);
}

TEST_F(RscBlockTest, WritingAFileWithIncludesKeepsTheIncludeNotItsContent)
{
    write("lib.rsc", "MessageList 20005 { 14 \"lib\" }\nResource 'ZsU9' 9 { hex \"09\" }\n");
    write("app.rsc", "# comments are not kept by a rewrite\nInclude \"lib.rsc\"\nMessageList 1 { 1 \"app\" }\n");
    RscFileHandle h = nullptr;
    ASSERT_EQ(mdlResource_openFile(&h, path("app.rsc").c_str(), MDLHOST_RSC_READWRITE), MDLHOST_RSC_OK) << window();
    ASSERT_EQ(mdlResource_add(h, ZSU9, 1, "\x01", 1, nullptr), MDLHOST_RSC_OK);
    // A block from the included file cannot be changed through this one.
    EXPECT_EQ(mdlResource_replace(h, ZSU9, 9, "\x02", 1), MDLHOST_RSC_READONLY);
    EXPECT_EQ(read(path("app.rsc")), "Include \"lib.rsc\"\n"
                                     "MessageList 1 {\n"
                                     "    1 \"app\"\n"
                                     "}\n"
                                     "Resource 'ZsU9' 1 {\n"
                                     "    hex \"01\"\n"
                                     "}\n");
    h = reopen(h, "app.rsc");
    char out[16];
    EXPECT_EQ(mdlResource_loadFromStringList(out, sizeof out, h, 20005, 14), MDLHOST_RSC_OK);
    EXPECT_STREQ(out, "lib");
    EXPECT_EQ(load(h, ZSU9, 9), std::vector<unsigned char>{9});
    mdlResource_closeFile(h);
}

TEST_F(RscBlockTest, OwnResourceFileOpensWithoutAName)
{
    std::string own = write("own.rsc", "MessageList 7 { 1 \"own\" }\nResource 'ZsU9' 1 { hex \"07\" }\n");
    MdlDesc *app = mdlhost_registerApplication("RSCOWN", own.c_str());
    ASSERT_NE(app, nullptr);
    std::string later = write("later.rsc", "MessageList 7 { 1 \"later\" }\n");
    ASSERT_EQ(mdlhost_openResourceFor(app, later.c_str()), 0);
    MdlDesc *was = mdlhost_setCurrMdlDesc(app);

    RscFileHandle h = nullptr;
    ASSERT_EQ(mdlResource_openFile(&h, nullptr, MDLHOST_RSC_READ), MDLHOST_RSC_OK) << window();
    EXPECT_EQ(load(h, ZSU9, 1), std::vector<unsigned char>{7});
    char out[16];
    EXPECT_EQ(mdlResource_loadFromStringList(out, sizeof out, h, 7, 1), MDLHOST_RSC_OK);
    EXPECT_STREQ(out, "own");
    mdlResource_closeFile(h);
    // Closing that handle leaves the file the registration opened.
    EXPECT_STREQ(mdlhost_messageListEntry(app, 7, 1), "own");

    ASSERT_EQ(chmod(own.c_str(), 0444), 0);
    EXPECT_EQ(mdlResource_openFile(&h, nullptr, MDLHOST_RSC_READWRITE), MDLHOST_RSC_READONLY);

    // An application without a file of its own gets none.
    mdlhost_setCurrMdlDesc(app_);
    EXPECT_EQ(mdlResource_openFile(&h, nullptr, MDLHOST_RSC_READ), MDLHOST_RSC_ERROR);
    EXPECT_EQ(h, nullptr);

    mdlhost_setCurrMdlDesc(was);
    mdlhost_forgetResources(app);
    mdlhost_unregisterApplication(app);
}

} // namespace
