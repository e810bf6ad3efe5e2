#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mdlhost.h"

namespace fs = std::filesystem;

namespace {

class RscTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlrsc-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        ASSERT_NE(mkdtemp(buf.data()), nullptr);
        dir_ = buf.data();
        appA_ = mdlhost_registerApplication("RSCTESTA", nullptr);
        appB_ = mdlhost_registerApplication("RSCTESTB", nullptr);
        previous_ = mdlhost_setCurrMdlDesc(appA_);
        mdlhost_clearTextWindow();
    }
    void TearDown() override
    {
        mdlhost_setCurrMdlDesc(previous_);
        for (MdlDesc *d : {appA_, appB_}) {
            mdlhost_forgetResources(d);
            mdlhost_unregisterApplication(d);
        }
        mdlhost_forgetResources(nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string write(const std::string &name, const std::string &bytes)
    {
        std::string p = dir_ + "/" + name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    std::string text(int list, int entry, RscFileHandle h = nullptr)
    {
        char out[256];
        mdlOutput_rscsPrintf(out, sizeof out, h, list, entry);
        return out;
    }

    std::string dir_;
    MdlDesc *appA_ = nullptr;
    MdlDesc *appB_ = nullptr;
    MdlDesc *previous_ = nullptr;
};

TEST_F(RscTest, ReadsListsEscapesAndComments)
{
    std::string f = write("a.rsc", "# comment line\n"
                                   "MessageList 11   # trailing comment\n"
                                   "{\n"
                                   "    1 \"plain\"\n"
                                   "    2 \"q\\\"uote\\\\ back\\nnew\\ttab\"\n"
                                   "    3 \"S\\330R \\3457\"  4 \"\"\n"
                                   "}\n"
                                   "MessageList -3 { 20005 \"neg # not a comment\" }\n");
    ASSERT_EQ(mdlhost_openResourceFor(appA_, f.c_str()), 0);
    EXPECT_STREQ(mdlhost_messageListEntry(appA_, 11, 1), "plain");
    EXPECT_STREQ(mdlhost_messageListEntry(appA_, 11, 2), "q\"uote\\ back\nnew\ttab");
    // \330 is one byte; an octal escape takes at most three digits.
    EXPECT_STREQ(mdlhost_messageListEntry(appA_, 11, 3), "S\xD8R \xE5" "7");
    EXPECT_STREQ(mdlhost_messageListEntry(appA_, 11, 4), "");
    EXPECT_STREQ(mdlhost_messageListEntry(appA_, -3, 20005), "neg # not a comment");
    EXPECT_EQ(mdlhost_messageListEntry(appA_, 11, 5), nullptr);
    EXPECT_EQ(mdlhost_messageListEntry(appA_, 12, 1), nullptr);
    EXPECT_EQ(mdlhost_messageListEntry(appB_, 11, 1), nullptr);
    EXPECT_STREQ(mdlhost_textWindow(), "");
}

TEST_F(RscTest, PrintfFormatsAndBoundsTheOutput)
{
    std::string f = write("a.rsc", "MessageList 5 { 1 \"Fil %s, linje %d\" 2 \"0123456789\" }\n");
    ASSERT_EQ(mdlhost_openResourceFor(appA_, f.c_str()), 0);

    char out[64];
    EXPECT_EQ(mdlOutput_rscsPrintf(out, sizeof out, nullptr, 5, 1, "x.zer", 12), 19);
    EXPECT_STREQ(out, "Fil x.zer, linje 12");

    char small[5] = {'#', '#', '#', '#', '#'};
    EXPECT_EQ(mdlOutput_rscsPrintf(small, sizeof small, nullptr, 5, 2), 4);
    EXPECT_STREQ(small, "0123");

    // Missing list or entry: "" and 0, also in a buffer that held text.
    EXPECT_EQ(mdlOutput_rscsPrintf(out, sizeof out, nullptr, 5, 3), 0);
    EXPECT_STREQ(out, "");
    snprintf(out, sizeof out, "old");
    EXPECT_EQ(mdlOutput_rscsPrintf(out, sizeof out, nullptr, 6, 1), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(mdlOutput_rscsPrintf(nullptr, 0, nullptr, 5, 2), 0);
}

TEST_F(RscTest, WithoutArgumentsAnEntryIsTakenAsText)
{
    // Conversions with nothing to convert stay as written instead of
    // reading arguments that were never passed.
    std::string f = write("a.rsc", "MessageList 5 { 1 \"100%% sikker: %s %d %n %\" 2 \"%s\" }\n");
    ASSERT_EQ(mdlhost_openResourceFor(appA_, f.c_str()), 0);
    char out[64];
    EXPECT_EQ(mdlOutput_rscsPrintf(out, sizeof out, nullptr, 5, 1), 23);
    EXPECT_STREQ(out, "100% sikker: %s %d %n %");
    char small[6];
    EXPECT_EQ(mdlOutput_rscsPrintf(small, sizeof small, nullptr, 5, 1), 5);
    EXPECT_STREQ(small, "100% ");
    // With arguments the entry is a format.
    EXPECT_EQ(mdlOutput_rscsPrintf(out, sizeof out, nullptr, 5, 2, "x"), 1);
    EXPECT_STREQ(out, "x");

    // The raw text, cut to the buffer.
    EXPECT_EQ(mdlResource_loadFromStringList(out, sizeof out, nullptr, 5, 1), MDLHOST_RSC_OK);
    EXPECT_STREQ(out, "100%% sikker: %s %d %n %");
    EXPECT_EQ(mdlResource_loadFromStringList(small, sizeof small, nullptr, 5, 1), MDLHOST_RSC_OK);
    EXPECT_STREQ(small, "100%%");
    EXPECT_EQ(mdlResource_loadFromStringList(out, sizeof out, nullptr, 5, 3), MDLHOST_RSC_NOTFOUND);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(mdlResource_loadFromStringList(out, 0, nullptr, 5, 1), MDLHOST_RSC_BADARG);
}

TEST_F(RscTest, MalformedFilesAreRefusedNamingFileAndLine)
{
    struct Case {
        const char *what;
        const char *bytes;
        int line;
    };
    const Case cases[] = {
        {"unknown keyword", "MessageList 1 { 1 \"a\" }\nStringList 2 { }\n", 2},
        {"keyword case", "messagelist 1 { }\n", 1},
        {"no list number", "MessageList { 1 \"a\" }\n", 1},
        {"missing open brace", "MessageList 1\n 1 \"a\"\n}\n", 2},
        {"missing close brace", "MessageList 1 {\n 1 \"a\"\n", 3},
        {"unterminated text", "MessageList 1 {\n 1 \"abc\n }\n", 2},
        {"text at end of file", "MessageList 1 { 1 \"abc", 1},
        {"entry without text", "MessageList 1 {\n 1 2 \"a\"\n}\n", 2},
        {"bad entry number", "MessageList 1 {\n\n 1x \"a\"\n}\n", 3},
        {"number out of range", "MessageList 99999999999 { }\n", 1},
        {"duplicate entry", "MessageList 1 {\n 1 \"a\"\n 1 \"b\"\n}\n", 3},
        {"duplicate list", "MessageList 1 { }\nMessageList 1 { }\n", 2},
        {"unknown escape", "MessageList 1 { 1 \"a\\qb\" }\n", 1},
        {"octal NUL", "MessageList 1 { 1 \"a\\000b\" }\n", 1},
        {"octal above 255", "MessageList 1 { 1 \"a\\777\" }\n", 1},
        {"stray brace", "}\n", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        mdlhost_clearTextWindow();
        std::string f = write("bad.rsc", c.bytes);
        RscFileHandle h = reinterpret_cast<RscFileHandle>(1);
        EXPECT_EQ(mdlResource_openFile(&h, f.c_str(), 0), -1);
        EXPECT_EQ(h, nullptr);
        std::string window = mdlhost_textWindow();
        EXPECT_NE(window.find(f), std::string::npos) << window;
        EXPECT_NE(window.find("line " + std::to_string(c.line) + ":"), std::string::npos) << window;
        EXPECT_EQ(std::count(window.begin(), window.end(), '\n'), 1) << window;
        // Nothing of the refused file is kept.
        EXPECT_EQ(mdlhost_messageListEntry(appA_, 1, 1), nullptr);
    }
    // The store still works after the refusals.
    std::string good = write("good.rsc", "MessageList 1 { 1 \"ok\" }\n");
    EXPECT_EQ(mdlhost_openResourceFor(appA_, good.c_str()), 0);
    EXPECT_EQ(text(1, 1), "ok");
}

TEST_F(RscTest, UnreadableFileIsRefused)
{
    RscFileHandle h = nullptr;
    std::string missing = dir_ + "/none.rsc";
    EXPECT_EQ(mdlResource_openFile(&h, missing.c_str(), 0), -1);
    EXPECT_EQ(h, nullptr);
    EXPECT_NE(std::string(mdlhost_textWindow()).find(missing), std::string::npos);
    EXPECT_EQ(mdlhost_openResourceFor(appA_, nullptr), -1);
}

TEST_F(RscTest, FilesBelongToTheirApplicationAndAreSearchedInOpeningOrder)
{
    std::string first = write("1.rsc", "MessageList 7 { 1 \"first\" }\n");
    std::string second = write("2.rsc", "MessageList 7 { 1 \"second\" 2 \"only second\" }\n");
    std::string other = write("b.rsc", "MessageList 7 { 1 \"app B\" }\n");
    std::string global = write("g.rsc", "MessageList 7 { 1 \"global\" }\n");
    RscFileHandle h1 = nullptr, h2 = nullptr;
    ASSERT_EQ(mdlResource_openFile(&h1, first.c_str(), 0), 0);
    ASSERT_EQ(mdlResource_openFile(&h2, second.c_str(), 0), 0);
    ASSERT_EQ(mdlhost_openResourceFor(appB_, other.c_str()), 0);
    ASSERT_EQ(mdlhost_openResourceFor(nullptr, global.c_str()), 0);

    EXPECT_EQ(text(7, 1), "first");
    EXPECT_EQ(text(7, 2), "only second");
    EXPECT_EQ(text(7, 1, h2), "second");
    EXPECT_EQ(text(7, 2, h1), "");

    mdlhost_setCurrMdlDesc(appB_);
    EXPECT_EQ(text(7, 1), "app B");
    EXPECT_EQ(text(7, 2), "");
    mdlhost_setCurrMdlDesc(nullptr);
    EXPECT_EQ(text(7, 1), "global");
    mdlhost_setCurrMdlDesc(appA_);

    mdlResource_closeFile(h1);
    EXPECT_EQ(text(7, 1), "second");
    EXPECT_EQ(text(7, 1, h1), "");
    mdlResource_closeFile(h1); // a closed handle is ignored
}

TEST_F(RscTest, ForgottenApplicationLosesItsFilesAndHandles)
{
    std::string f = write("a.rsc", "MessageList 7 { 1 \"a\" }\n");
    RscFileHandle h = nullptr;
    ASSERT_EQ(mdlResource_openFile(&h, f.c_str(), 0), 0);
    ASSERT_EQ(mdlhost_openResourceFor(appB_, f.c_str()), 0);
    mdlhost_forgetResources(appA_);
    EXPECT_EQ(text(7, 1), "");
    EXPECT_EQ(text(7, 1, h), "");
    mdlResource_closeFile(h);
    EXPECT_STREQ(mdlhost_messageListEntry(appB_, 7, 1), "a");
    mdlhost_forgetResources(appA_);
}

} // namespace
