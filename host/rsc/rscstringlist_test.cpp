// String lists: members with info fields, limits, and their resources.
#include <climits>
#include <string>
#include <vector>

#include "testing/rsc_testing.h"

namespace {

using rsctest::RscFixture;

class RscStringListTest : public RscFixture {};

struct Member {
    std::string text;
    std::vector<long> info;
    bool operator==(const Member &) const = default;
};

std::vector<Member> members(StringList *l)
{
    std::vector<Member> out;
    long n = mdlStringList_infoFieldCount(l);
    for (long i = 0; i < mdlStringList_size(l); i++) {
        const char *t = nullptr;
        long *f = nullptr;
        EXPECT_EQ(mdlStringList_getMember(&t, &f, l, i), MDLHOST_RSC_OK);
        out.push_back({t, f ? std::vector<long>(f, f + n) : std::vector<long>()});
    }
    return out;
}

StringList *listOf(const std::vector<Member> &ms, long nInfo)
{
    StringList *l = mdlStringList_create((long)ms.size(), nInfo);
    for (size_t i = 0; i < ms.size(); i++)
        EXPECT_EQ(mdlStringList_setMember(l, (long)i, ms[i].text.c_str(), ms[i].info.data()), MDLHOST_RSC_OK);
    return l;
}

TEST_F(RscStringListTest, MembersAreInsertedSetAndDeleted)
{
    StringList *l = mdlStringList_create(2, 3);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(members(l), (std::vector<Member>{{"", {0, 0, 0}}, {"", {0, 0, 0}}}));

    long at = -1;
    ASSERT_EQ(mdlStringList_insertMember(&at, l, -1, 1), MDLHOST_RSC_OK); // at the end
    EXPECT_EQ(at, 2);
    const long f[] = {7, -8, LONG_MAX};
    EXPECT_EQ(mdlStringList_setMember(l, 2, "last", f), MDLHOST_RSC_OK);
    ASSERT_EQ(mdlStringList_insertMember(&at, l, 0, 2), MDLHOST_RSC_OK); // two at the front
    EXPECT_EQ(at, 0);
    EXPECT_EQ(mdlStringList_setMember(l, 0, "first", nullptr), MDLHOST_RSC_OK);
    EXPECT_EQ(mdlStringList_size(l), 5);

    // Fields are changed in place through the member's pointer.
    long *info = nullptr;
    ASSERT_EQ(mdlStringList_getMember(nullptr, &info, l, 4), MDLHOST_RSC_OK);
    info[0] = 70;
    EXPECT_EQ(members(l)[4], (Member{"last", {70, -8, LONG_MAX}}));

    EXPECT_EQ(mdlStringList_deleteMember(l, 1, 3), MDLHOST_RSC_OK);
    EXPECT_EQ(members(l), (std::vector<Member>{{"first", {0, 0, 0}}, {"last", {70, -8, LONG_MAX}}}));

    // Out of range: refused, nothing changed.
    EXPECT_EQ(mdlStringList_deleteMember(l, 1, 2), MDLHOST_RSC_BADARG);
    EXPECT_EQ(mdlStringList_insertMember(nullptr, l, 3, 1), MDLHOST_RSC_BADARG);
    EXPECT_EQ(mdlStringList_insertMember(nullptr, l, -2, 1), MDLHOST_RSC_BADARG);
    EXPECT_EQ(mdlStringList_setMember(l, 2, "x", nullptr), MDLHOST_RSC_BADARG);
    EXPECT_EQ(mdlStringList_getMember(nullptr, nullptr, l, -1), MDLHOST_RSC_BADARG);
    EXPECT_EQ(mdlStringList_size(l), 2);
    mdlStringList_destroy(l);

    EXPECT_EQ(mdlStringList_create(-1, 0), nullptr);
    EXPECT_EQ(mdlStringList_create(0, MDLHOST_STRINGLIST_MAXINFO + 1), nullptr);
    EXPECT_EQ(mdlStringList_create(MDLHOST_STRINGLIST_MAXMEMBERS + 1, 0), nullptr);
    EXPECT_EQ(mdlStringList_size(nullptr), 0);
    mdlStringList_destroy(nullptr);
}

TEST_F(RscStringListTest, FullListRefusesAndDeletingMakesRoom)
{
    StringList *l = mdlStringList_create(0, 1);
    mdlhost_stringListSetLimit(l, 2);
    EXPECT_EQ(mdlStringList_insertMember(nullptr, l, -1, 1), MDLHOST_RSC_OK);
    EXPECT_EQ(mdlStringList_insertMember(nullptr, l, -1, 2), MDLHOST_RSC_FULL); // would pass the limit
    EXPECT_EQ(mdlStringList_size(l), 1);
    EXPECT_EQ(mdlStringList_insertMember(nullptr, l, -1, 1), MDLHOST_RSC_OK);
    EXPECT_EQ(mdlStringList_insertMember(nullptr, l, 0, 1), MDLHOST_RSC_FULL);
    // The oldest gives way, then the new member fits.
    EXPECT_EQ(mdlStringList_deleteMember(l, 0, 1), MDLHOST_RSC_OK);
    EXPECT_EQ(mdlStringList_insertMember(nullptr, l, -1, 1), MDLHOST_RSC_OK);
    EXPECT_EQ(mdlStringList_size(l), 2);
    mdlStringList_destroy(l);
}

TEST_F(RscStringListTest, ListsRoundTripThroughAFile)
{
    const std::vector<Member> scales = {
        {"1:1", {0, 1}}, {"1:500", {LONG_MIN, LONG_MAX}}, {"", {0, 0}}, {"\"q\" \\ \n\t\xD8\xE5#;{}", {-1, 2}}};
    RscFileHandle h = createOpen("s.rsc", "Plotscales");
    StringList *l = listOf(scales, 2);
    StringList *none = mdlStringList_create(0, 0);
    EXPECT_EQ(mdlStringList_writeResource(h, 20001, l), MDLHOST_RSC_NOTFOUND); // nothing to replace yet
    ASSERT_EQ(mdlStringList_addResource(h, 20001, l), MDLHOST_RSC_OK);
    EXPECT_EQ(mdlStringList_addResource(h, 20001, l), MDLHOST_RSC_EXISTS);
    ASSERT_EQ(mdlStringList_addResource(h, -4, none), MDLHOST_RSC_OK);
    mdlResource_closeFile(h);

    ASSERT_EQ(mdlResource_openFile(&h, path("s.rsc").c_str(), MDLHOST_RSC_READWRITE), MDLHOST_RSC_OK) << window();
    StringList *back = mdlStringList_loadResource(h, 20001);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(mdlStringList_infoFieldCount(back), 2);
    EXPECT_EQ(members(back), scales);
    StringList *empty = mdlStringList_loadResource(h, -4);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(mdlStringList_size(empty), 0);
    EXPECT_EQ(mdlStringList_loadResource(h, 20002), nullptr);

    // Replacing a list stores exactly the new members, fewer ones too.
    StringList *shorter = listOf({{"1:2", {3, 4}}}, 2);
    ASSERT_EQ(mdlStringList_writeResource(h, 20001, shorter), MDLHOST_RSC_OK);
    mdlResource_closeFile(h);
    ASSERT_EQ(mdlResource_openFile(&h, path("s.rsc").c_str(), MDLHOST_RSC_READ), MDLHOST_RSC_OK);
    StringList *again = mdlStringList_loadResource(h, 20001);
    EXPECT_EQ(members(again), (std::vector<Member>{{"1:2", {3, 4}}}));
    mdlResource_closeFile(h);

    for (StringList *x : {l, none, back, empty, shorter, again})
        mdlStringList_destroy(x);
}

TEST_F(RscStringListTest, HandWrittenListsAreReadAndCheckedForFieldCounts)
{
    std::string good = write("g.rsc", "StringList 20001 2 {\n"
                                      "    \"1:1\" 0 1\n"
                                      "    1:500 0x10 -2   # a bare word is a member too\n"
                                      "}\n");
    ASSERT_EQ(mdlhost_openResourceFor(app_, good.c_str()), 0) << window();
    StringList *l = mdlStringList_loadResource(nullptr, 20001); // the application's files
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(members(l), (std::vector<Member>{{"1:1", {0, 1}}, {"1:500", {16, -2}}}));
    mdlStringList_destroy(l);

    struct Case {
        const char *what;
        const char *bytes;
        int line;
    };
    const Case cases[] = {
        {"too few fields", "StringList 1 2 {\n \"a\" 1 2\n \"b\" 1\n}\n", 3},
        {"too many fields", "StringList 1 0 {\n \"a\" 1\n}\n", 2},
        {"field not a number", "StringList 1 1 {\n \"a\" \"1\"\n}\n", 2},
        {"no field count", "StringList 1 { }\n", 1},
        {"too many info fields", "StringList 1 65 { }\n", 1},
        {"given twice", "StringList 1 0 { }\nStringList 1 0 { }\n", 2},
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

} // namespace
