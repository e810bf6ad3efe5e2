// Generic nodes of resource sources and the Include definition.
#include <algorithm>
#include <string>

#include "testing/rsc_testing.h"

namespace {

using rsctest::RscFixture;

class RscNodeTest : public RscFixture {};

TEST_F(RscNodeTest, NestedBlocksKeepKeywordsArgumentsAndPositions)
{
    std::string f = write("dlg.rsc", "# a dialog as another module defines it\n"
                                     "Dialog 20011 \"Melding\" 'dBox'\n"
                                     "{\n"
                                     "    Item PushButton -3 { label \"OK\"; x 0x10 }\n"
                                     "    Item Text 20004 {\n"
                                     "        format \"%.3f\"   # comment after a text\n"
                                     "        access zgdP.title\n"
                                     "    }\n"
                                     "    Empty { }\n"
                                     "}\n"
                                     "CommandTable 1 { zera { lagre 0x01010000 } }\n");
    ASSERT_EQ(mdlhost_openResourceFor(app_, f.c_str()), 0) << window();

    const RscNode *d = mdlhost_rscFind(app_, "Dialog", 20011);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(mdlhost_rscKeyword(d), "Dialog");
    ASSERT_EQ(mdlhost_rscArgCount(d), 3);
    EXPECT_STREQ(mdlhost_rscArg(d, 1), "Melding");
    EXPECT_STREQ(mdlhost_rscArg(d, 2), "dBox");
    int ok = -1;
    EXPECT_EQ(mdlhost_rscArgLong(d, 2, &ok), (long)MDLHOST_RTYPE('d', 'B', 'o', 'x'));
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(mdlhost_rscArgLong(d, 1, &ok), 0); // a quoted text is no number
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(mdlhost_rscArgLong(d, 3, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_STREQ(mdlhost_rscArg(d, 3), "");
    EXPECT_EQ(mdlhost_rscSourceFile(d), f);
    EXPECT_EQ(mdlhost_rscSourceLine(d), 2);

    ASSERT_EQ(mdlhost_rscChildCount(d), 3);
    const RscNode *button = mdlhost_rscChild(d, 0);
    EXPECT_STREQ(mdlhost_rscKeyword(button), "Item");
    EXPECT_STREQ(mdlhost_rscArg(button, 0), "PushButton");
    EXPECT_EQ(mdlhost_rscArgLong(button, 1, &ok), -3);
    EXPECT_EQ(ok, 1);
    ASSERT_EQ(mdlhost_rscChildCount(button), 2); // ';' ends a node like a line end
    EXPECT_STREQ(mdlhost_rscArg(mdlhost_rscChild(button, 0), 0), "OK");
    EXPECT_EQ(mdlhost_rscArgLong(mdlhost_rscChild(button, 1), 0, nullptr), 16);
    EXPECT_EQ(mdlhost_rscSourceLine(mdlhost_rscChild(button, 1)), 4);

    const RscNode *text = mdlhost_rscChild(d, 1);
    ASSERT_EQ(mdlhost_rscChildCount(text), 2);
    EXPECT_STREQ(mdlhost_rscArg(mdlhost_rscChild(text, 0), 0), "%.3f");
    EXPECT_STREQ(mdlhost_rscArg(mdlhost_rscChild(text, 1), 0), "zgdP.title");
    EXPECT_EQ(mdlhost_rscSourceLine(mdlhost_rscChild(text, 1)), 7);
    EXPECT_EQ(mdlhost_rscChildCount(mdlhost_rscChild(d, 2)), 0);
    EXPECT_EQ(mdlhost_rscChild(d, 3), nullptr);
    EXPECT_EQ(mdlhost_rscChild(d, -1), nullptr);

    const RscNode *table = mdlhost_rscFind(app_, "CommandTable", 1);
    ASSERT_NE(table, nullptr);
    const RscNode *save = mdlhost_rscChild(mdlhost_rscChild(table, 0), 0);
    EXPECT_STREQ(mdlhost_rscKeyword(save), "lagre");
    EXPECT_EQ(mdlhost_rscArgLong(save, 0, nullptr), 0x01010000L);

    // Keyword and id must both match; other applications do not see it.
    EXPECT_EQ(mdlhost_rscFind(app_, "Dialog", 20012), nullptr);
    EXPECT_EQ(mdlhost_rscFind(app_, "dialog", 20011), nullptr);
    EXPECT_EQ(mdlhost_rscFind(nullptr, "Dialog", 20011), nullptr);
    // Null nodes are answered, not followed.
    EXPECT_STREQ(mdlhost_rscKeyword(nullptr), "");
    EXPECT_EQ(mdlhost_rscChildCount(nullptr), 0);
    EXPECT_EQ(mdlhost_rscSourceLine(nullptr), 0);
}

TEST_F(RscNodeTest, FilesAreSearchedInOpeningOrder)
{
    std::string a = write("a.rsc", "Dialog 1 \"from a\"\n");
    std::string b = write("b.rsc", "Dialog 1 \"from b\"\nDialog 2 \"only b\"\n");
    ASSERT_EQ(mdlhost_openResourceFor(app_, a.c_str()), 0);
    ASSERT_EQ(mdlhost_openResourceFor(app_, b.c_str()), 0);
    EXPECT_STREQ(mdlhost_rscArg(mdlhost_rscFind(app_, "Dialog", 1), 1), "from a");
    EXPECT_STREQ(mdlhost_rscArg(mdlhost_rscFind(app_, "Dialog", 2), 1), "only b");
}

TEST_F(RscNodeTest, GrammarCases)
{
    struct Case {
        const char *what;
        std::string bytes;
        int line; // 0: accepted
    };
    const Case cases[] = {
        {"brace on a later line", "Dialog 1\n\n# c\n{\n  x 1\n}\n", 0},
        {"semicolons and empty nodes", "A 1; B 2;;\nC 3 { }\n", 0},
        {"numbers of every form", "A -12 0x1F +7 0XfF 9223372036854775807\n", 0},
        {"CRLF line ends", "Dialog 1\r\n{\r\n  x \"y\"\r\n}\r\n", 0},
        {"member texts as keywords below the top", "Menu 1 {\n \"Fil\" 1\n \"Avslutt\" 2\n}\n", 0},
        {"number at the top level", "12 \"x\"\n", 1},
        {"text at the top level", "A 1\n\"x\" 2\n", 2},
        {"brace without a definition", "A 1\n;{ }\n", 2},
        {"host keyword in other case", "A 1\nresource 'abcd' 1 { }\n", 2},
        {"stray closing brace", "A 1 { }\n}\n", 2},
        {"unclosed block", "A 1 {\n B 2 {\n", 3},
        {"short type code", "A 'ab'\n", 1},
        {"type code with a quote", "A 'a'cd'\n", 1},
        {"NUL in a word", std::string("A b\0c\n", 6), 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        mdlhost_clearTextWindow();
        std::string f = write("g.rsc", c.bytes);
        RscFileHandle h = nullptr;
        int rc = mdlResource_openFile(&h, f.c_str(), MDLHOST_RSC_READ);
        if (c.line == 0) {
            EXPECT_EQ(rc, MDLHOST_RSC_OK) << window();
            mdlResource_closeFile(h);
            continue;
        }
        EXPECT_EQ(rc, MDLHOST_RSC_ERROR);
        EXPECT_NE(window().find(f + ", line " + std::to_string(c.line) + ":"), std::string::npos) << window();
    }
}

TEST_F(RscNodeTest, NumbersAreReadExactlyOrRefused)
{
    std::string f = write("n.rsc", "A 1 -0x10 99999999999999999999 12x 0x 'Z\\U9'\n");
    ASSERT_EQ(mdlhost_openResourceFor(app_, f.c_str()), 0) << window();
    const RscNode *n = mdlhost_rscFind(app_, "A", 1);
    ASSERT_NE(n, nullptr);
    int ok;
    EXPECT_EQ(mdlhost_rscArgLong(n, 1, &ok), -16);
    EXPECT_EQ(ok, 1);
    for (int i : {2, 3, 4}) { // beyond long, trailing letters, no digits
        EXPECT_EQ(mdlhost_rscArgLong(n, i, &ok), 0) << i;
        EXPECT_EQ(ok, 0) << i;
    }
    EXPECT_STREQ(mdlhost_rscArg(n, 5), "Z\\U9"); // no escapes inside a type code
}

TEST_F(RscNodeTest, DeepNestingIsRefusedNotFollowed)
{
    std::string deep;
    for (int i = 0; i < 5000; i++)
        deep += "a {";
    std::string f = write("deep.rsc", deep + "\n");
    RscFileHandle h = nullptr;
    EXPECT_EQ(mdlResource_openFile(&h, f.c_str(), MDLHOST_RSC_READ), MDLHOST_RSC_ERROR);
    EXPECT_NE(window().find("nested too deep"), std::string::npos) << window();
}

// ---- Include ----------------------------------------------------------------

TEST_F(RscNodeTest, IncludesNestAndAreSearchedInPlace)
{
    write("top/sub/inner.rsc", "MessageList 3 { 1 \"inner\" }\nDialog 7 \"inner\"\n");
    write("top/sub/mid.rsc", "Include \"inner.rsc\"\nMessageList 2 { 1 \"mid\" }\n");
    write("top/before.rsc", "Dialog 7 \"before\"\n");
    std::string a = write("top/a.rsc", "MessageList 1 { 1 \"a\" }\n"
                                       "Include \"sub/mid.rsc\"\n"
                                       "Dialog 7 \"a, after the include\"\n");
    ASSERT_EQ(mdlhost_openResourceFor(app_, a.c_str()), 0) << window();
    EXPECT_STREQ(mdlhost_messageListEntry(app_, 1, 1), "a");
    EXPECT_STREQ(mdlhost_messageListEntry(app_, 2, 1), "mid");
    EXPECT_STREQ(mdlhost_messageListEntry(app_, 3, 1), "inner");
    // The included definition stands where its Include stands.
    const RscNode *d = mdlhost_rscFind(app_, "Dialog", 7);
    EXPECT_STREQ(mdlhost_rscArg(d, 1), "inner");
    EXPECT_EQ(mdlhost_rscSourceFile(d), dir_ + "/top/sub/inner.rsc");
    EXPECT_EQ(mdlhost_rscSourceLine(d), 2);
}

TEST_F(RscNodeTest, IncludeNamesMayUseConfigurationVariables)
{
    write("lib/shared.rsc", "MessageList 9 { 1 \"shared\" }\n");
    ASSERT_EQ(mdlSystem_defineCfgVar("RSCTEST_LIB", (dir_ + "/lib/").c_str()), 0);
    std::string a = write("app/a.rsc", "Include \"$(RSCTEST_LIB)shared.rsc\"\n");
    EXPECT_EQ(mdlhost_openResourceFor(app_, a.c_str()), 0) << window();
    EXPECT_STREQ(mdlhost_messageListEntry(app_, 9, 1), "shared");
    mdlSystem_defineCfgVar("RSCTEST_LIB", nullptr);
}

// Eleven small files each including the next four times would read a
// million files: the load stops at its budget, naming file and line.
TEST_F(RscNodeTest, IncludesThatMultiplyAreRefusedAtTheLoadsBudget)
{
    write("f10.rsc", "# the last\n");
    for (int i = 9; i >= 0; i--) {
        std::string next = "Include \"f" + std::to_string(i + 1) + ".rsc\"\n";
        write("f" + std::to_string(i) + ".rsc", next + next + next + next);
    }
    mdlhost_clearTextWindow();
    RscFileHandle h = nullptr;
    EXPECT_EQ(mdlResource_openFile(&h, path("f0.rsc").c_str(), MDLHOST_RSC_READ), MDLHOST_RSC_ERROR);
    std::string w = window();
    EXPECT_NE(w.find(".rsc, line "), std::string::npos) << w;
    EXPECT_NE(w.find("the load reads more than 1000 files"), std::string::npos) << w;
    // The budget is the load's: the next load starts afresh.
    write("small.rsc", "Include \"f9.rsc\"\n");
    EXPECT_EQ(mdlResource_openFile(&h, path("small.rsc").c_str(), MDLHOST_RSC_READ), MDLHOST_RSC_OK) << window();
    mdlResource_closeFile(h);
}

TEST_F(RscNodeTest, BadIncludesAreRefusedWithFileAndLine)
{
    struct Case {
        const char *what;
        std::vector<std::pair<std::string, std::string>> files; // the first is opened
        std::string errorFile;
        int line;
        const char *says;
    };
    const Case cases[] = {
        {"missing file", {{"a.rsc", "A 1\n\nInclude \"nowhere.rsc\"\n"}}, "a.rsc", 3, "cannot be read"},
        {"self include", {{"a.rsc", "Include \"a.rsc\"\n"}}, "a.rsc", 1, "cycle"},
        {"cycle of two",
         {{"a.rsc", "A 1\nInclude \"b.rsc\"\n"}, {"b.rsc", "# b\n\nInclude \"a.rsc\"\n"}},
         "b.rsc",
         3,
         "cycle"},
        {"cycle through a subdirectory",
         {{"a.rsc", "Include \"d/b.rsc\"\n"}, {"d/b.rsc", "Include \"../a.rsc\"\n"}},
         "b.rsc",
         1,
         "cycle"},
        {"error inside the included file",
         {{"a.rsc", "Include \"b.rsc\"\n"}, {"b.rsc", "A 1\nB 2 {\n"}},
         "b.rsc",
         3,
         "missing"},
        {"list in both files",
         {{"a.rsc", "MessageList 5 { 1 \"a\" }\nInclude \"b.rsc\"\n"}, {"b.rsc", "MessageList 5 { 2 \"b\" }\n"}},
         "b.rsc",
         1,
         "given twice"},
        {"no name", {{"a.rsc", "Include\n"}}, "a.rsc", 1, "Include"},
        {"bare word as name", {{"a.rsc", "Include b.rsc\n"}}, "a.rsc", 1, "Include"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ec;
        std::filesystem::remove_all(path("case"), ec);
        for (auto &[name, bytes] : c.files)
            write("case/" + name, bytes);
        mdlhost_clearTextWindow();
        RscFileHandle h = reinterpret_cast<RscFileHandle>(1);
        EXPECT_EQ(mdlResource_openFile(&h, path("case/" + c.files[0].first).c_str(), MDLHOST_RSC_READ),
                  MDLHOST_RSC_ERROR);
        EXPECT_EQ(h, nullptr);
        std::string w = window();
        std::string where = c.errorFile + ", line " + std::to_string(c.line) + ":";
        EXPECT_NE(w.find(where), std::string::npos) << w;
        EXPECT_NE(w.find(c.says), std::string::npos) << w;
        EXPECT_EQ(std::count(w.begin(), w.end(), '\n'), 1) << w;
    }
    // Nothing of the refused files is kept, and a good file still opens.
    EXPECT_EQ(mdlhost_messageListEntry(app_, 5, 1), nullptr);
    std::string good = write("good.rsc", "MessageList 5 { 1 \"ok\" }\n");
    EXPECT_EQ(mdlhost_openResourceFor(app_, good.c_str()), 0);
    EXPECT_STREQ(mdlhost_messageListEntry(app_, 5, 1), "ok");
}

TEST_F(RscNodeTest, TheSameFileIncludedTwiceSideBySideIsNoCycle)
{
    write("common.rsc", "Dialog 3 \"common\"\n");
    write("b.rsc", "Include \"common.rsc\"\n");
    std::string a = write("a.rsc", "Include \"b.rsc\"\nMessageList 1 { 1 \"a\" }\n");
    EXPECT_EQ(mdlhost_openResourceFor(app_, a.c_str()), 0) << window();
    // Included again beside it, it would define Dialog 3 twice: still
    // accepted, because generic nodes belong to their own module.
    std::string c = write("c.rsc", "Include \"b.rsc\"\nInclude \"common.rsc\"\n");
    EXPECT_EQ(mdlhost_openResourceFor(app_, c.c_str()), 0) << window();
}

} // namespace
