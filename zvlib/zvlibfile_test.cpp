#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "mdlhost.h"
#include "zvliberror.h"
#include "zvlibfile.h"
#include "testing/zvlib_testing.h"

namespace fs = std::filesystem;

namespace {

using Linjer = std::vector<std::pair<std::string, int>>; // logical line, physical lines it took

constexpr int MARK_ENTRY = 50;

// Runs as an application whose resource file holds the file reader's
// messages; files live in a fresh temporary directory.
class ZvlibFileTest : public zvlibtest::AppTest {
  protected:
    ZvlibFileTest()
        : AppTest("ZVFILETEST",
                  "MessageList 20005 {\n"
                  "  1 \"Kan ikke \\345pne %s\"\n"
                  "  2 \"Feil ved lukking av %s\"\n"
                  "  3 \"For lang linje (plass %d): %s linje %d\"\n"
                  "  4 \"Lesefeil: %s linje %d\"\n"
                  "  14 \"Ikke nok minne\"\n"
                  "  50 \"MERKE\"\n"
                  "}\n",
                  {.dirPrefix = "zvlibfile"})
    {
    }
    void TearDown() override
    {
        mdlhost_failNext("fopen", 0);
        AppTest::TearDown();
    }

    // Every logical line until the end (or an error, kept as ("<error>", -1)).
    static Linjer lesAlle(ZvlibFile *f, int capacity = 1024)
    {
        Linjer ut;
        std::vector<char> line(size_t(capacity), 'X');
        for (int guard = 0; guard < 100; guard++) {
            int n = zvlibFile_read(line.data(), f, capacity);
            if (n == 0) {
                EXPECT_STREQ(line.data(), "");
                break;
            }
            ut.emplace_back(n < 0 ? "<error>" : line.data(), n);
        }
        return ut;
    }

    static Linjer lesFil(const std::string &path)
    {
        ZvlibFile *f = zvlibFile_open(path.c_str(), "r");
        EXPECT_NE(f, nullptr) << path;
        if (f == nullptr)
            return {};
        Linjer ut = lesAlle(f);
        EXPECT_EQ(zvlibFile_close(f), 0);
        return ut;
    }

    struct Bokser {
        int antall;        // boxes shown, -1 for more than can be counted
        std::string sist;  // text of the last one ("MERKE" when none)
    };
    // Counts the boxes that f shows: it runs with eight first-button answers
    // queued before a second-button answer, and two-button boxes shown
    // after it find that answer as many places later as f left.
    template <class F>
    static Bokser bokserUnder(F f)
    {
        constexpr int N = 8;
        mdlhost_clearDialogScripts();
        zvlibError_rscMsgBoxPrintf(17, ZVLIB_FILE_MSGLIST, MARK_ENTRY);
        for (int i = 0; i < N; i++)
            mdlhost_scriptAlert(1);
        mdlhost_scriptAlert(2);
        f();
        Bokser b{-1, mdlhost_lastAlertText()};
        for (int p = 1; p <= N + 1; p++)
            if (zvlibError_rscMsgBoxPrintf(145, ZVLIB_FILE_MSGLIST, MARK_ENTRY) == ZVLIB_BOX_SECOND) {
                b.antall = N + 1 - p;
                break;
            }
        mdlhost_clearDialogScripts();
        return b;
    }
};

TEST_F(ZvlibFileTest, LogicalLinesJoinSkipAndTrim)
{
    struct Case {
        const char *what;
        std::string text;
        Linjer expected;
    };
    const Case cases[] = {
        {"continuation joined with one blank", "a\\\nb\n", {{"a b", 2}}},
        {"comment only in column 1", " #x\n", {{" #x", 1}}},
        {"comment skipped but counted", "#x\ny\n", {{"y", 2}}},
        {"tabs give an empty line", "\t\t\n", {{"", 1}}},
        {"blank-only and empty lines skipped", "   \n\nz\n", {{"z", 3}}},
        {"trailing blanks and tabs cut", "x  \t\n", {{"x", 1}}},
        {"comment inside a continuation", "a\\\n# c\nb\n", {{"a b", 3}}},
        {"blank before the continuation kept", "a \\\nb\n", {{"a  b", 2}}},
        {"last line without newline", "a\nlast", {{"a", 1}, {"last", 1}}},
        {"CR LF reads as LF", "a\\\r\nb \r\n\r\nc\r\n", {{"a b", 2}, {"c", 2}}},
        {"continuation at the end of the file kept", "a\\\nb\\\n", {{"a b", 2}}},
        {"continuation without newline at the end kept", "x\nlast\\", {{"x", 1}, {"last", 1}}},
        {"a lone continuation at the end", "y\n\\\n", {{"y", 1}, {"", 1}}},
        {"only comments", "#a\n#b\n", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = writeFile("logical.txt", c.text);
        Bokser b = bokserUnder([&] { EXPECT_EQ(lesFil(path), c.expected); });
        EXPECT_EQ(b.antall, 0);
    }
}

TEST_F(ZvlibFileTest, OwnCommentAndContinuationCharacters)
{
    struct Case {
        const char *continuation;
        const char *comment;
        std::string text;
        Linjer expected;
    };
    const Case cases[] = {
        {"&", ";", ";c\na&\nb\n#x\n", {{"a b", 3}, {"#x", 1}}},
        {"", "", "#x\\\ny\n", {{"#x\\", 1}, {"y", 1}}},
        {nullptr, nullptr, "#c\na\\\nb\n", {{"a b", 3}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        std::string path = writeFile("own.txt", c.text);
        ZvlibFile *f = zvlibFile_openExtended(path.c_str(), "r", c.continuation, c.comment, 64);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(lesAlle(f), c.expected);
        zvlibFile_close(f);
    }
}

TEST_F(ZvlibFileTest, Read2SplitsAtTheFirstSemicolon)
{
    struct Case {
        const char *what;
        std::string text;
        std::vector<std::pair<std::string, std::string>> expected; // line, comment
    };
    const Case cases[] = {
        {"comment after the first ';'", "a;b; c\n", {{"a", "b; c"}}},
        {"continuation before the ';'", "a \\;x\nb;y\n", {{"a  b", "y"}}},
        {"continuation after the ';' does not count", "a;b\\\nc\n", {{"a", "b\\"}, {"c", ""}}},
        {"a line that is all comment is skipped", ";only\nd\n", {{"d", ""}}},
        {"CR LF not in the comment", "f;g\r\n", {{"f", "g"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = writeFile("read2.txt", c.text);
        ZvlibFile *f = zvlibFile_open(path.c_str(), "r");
        ASSERT_NE(f, nullptr);
        char line[64], comment[64];
        std::vector<std::pair<std::string, std::string>> got;
        while (zvlibFile_read2(line, comment, f, sizeof line) > 0)
            got.emplace_back(line, comment);
        EXPECT_EQ(got, c.expected);
        EXPECT_STREQ(comment, "");
        zvlibFile_close(f);
    }
}

TEST_F(ZvlibFileTest, NestedIncludesAreReadInPlace)
{
    writeFile("deep.txt", "d1\n");
    writeFile("SUB.txt", "s1\n%include  deep .txt\t\ns2\n");
    std::string top = writeFile("top.txt", "m1\n%include sub.txt\nm2\n");
    // The include names no directory and the working directory lacks it:
    // it is found beside the including file, its name matched without case.
    Bokser b = bokserUnder([&] {
        EXPECT_EQ(lesFil(top), (Linjer{{"m1", 1}, {"s1", 1}, {"d1", 1}, {"s2", 1}, {"m2", 1}}));
    });
    EXPECT_EQ(b.antall, 0);
}

TEST_F(ZvlibFileTest, IncludeWithVariableOpensTheExpandedPath)
{
    fs::create_directory(dir_ + "/inc");
    writeFile("inc/x.txt", "from inc\n");
    writeFile("x.txt", "beside\n");
    ASSERT_EQ(mdlSystem_defineCfgVar("ZVFT_INC", (dir_ + "/inc/").c_str()), 0);
    std::string top = writeFile("top.txt", "%include $(ZVFT_INC)x.txt\n%include x.txt\n");
    EXPECT_EQ(lesFil(top), (Linjer{{"from inc", 1}, {"beside", 1}}));
    mdlSystem_defineCfgVar("ZVFT_INC", nullptr);
}

TEST_F(ZvlibFileTest, MissingIncludeIsSkippedAndOnlyTheLoudOneSaysSo)
{
    std::string top = writeFile("top.txt", "a\n%include nope.txt\nb\n%if exist include gone.txt\nc\n");
    Bokser b = bokserUnder([&] { EXPECT_EQ(lesFil(top), (Linjer{{"a", 1}, {"b", 2}, {"c", 2}})); });
    EXPECT_EQ(b.antall, 1);
    EXPECT_EQ(b.sist, "Kan ikke \xE5pne " + dir_ + "/nope.txt");
}

TEST_F(ZvlibFileTest, IncludeCycleIsRefusedOnceAndNeverReplayed)
{
    struct Case {
        const char *what;
        std::vector<std::pair<std::string, std::string>> files; // first is the top file
        Linjer expected;
        int boxes;
    };
    const Case cases[] = {
        {"A includes B includes A",
         {{"a.txt", "a1\n%include b.txt\na2\n"}, {"b.txt", "b1\n%include a.txt\nb2\n"}},
         {{"a1", 1}, {"b1", 1}, {"b2", 2}, {"a2", 1}},
         1},
        {"a file includes itself", {{"self.txt", "s1\n%include self.txt\ns2\n"}}, {{"s1", 1}, {"s2", 2}}, 1},
        {"a silent self-include", {{"quiet.txt", "q1\n%if exist include quiet.txt\nq2\n"}}, {{"q1", 1}, {"q2", 2}}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto &[navn, innhold] : c.files)
            writeFile(navn, innhold);
        std::string top = dir_ + "/" + c.files.front().first;
        Bokser b = bokserUnder([&] { EXPECT_EQ(lesFil(top), c.expected); });
        EXPECT_EQ(b.antall, c.boxes);
        if (c.boxes > 0) {
            EXPECT_NE(b.sist.find("include cycle"), std::string::npos) << b.sist;
            EXPECT_NE(b.sist.find(c.files.front().first), std::string::npos) << b.sist;
        }
    }
}

TEST_F(ZvlibFileTest, IncludeDepthIsCapped)
{
    // f0 includes f1 includes ... f20: the chain stops at the cap.
    for (int i = 0; i <= 20; i++)
        writeFile("f" + std::to_string(i) + ".txt", "L" + std::to_string(i) + "\n%include f" + std::to_string(i + 1) + ".txt\n");
    Linjer got;
    Bokser b = bokserUnder([&] { got = lesFil(dir_ + "/f0.txt"); });
    ASSERT_EQ(got.size(), size_t(ZVLIB_FILE_MAX_INCLUDES + 1));
    EXPECT_EQ(got.back().first, "L" + std::to_string(ZVLIB_FILE_MAX_INCLUDES));
    EXPECT_EQ(b.antall, 1);
    EXPECT_NE(b.sist.find("f17.txt (includes nested deeper than 16)"), std::string::npos) << b.sist;
}

TEST_F(ZvlibFileTest, LongPhysicalLinesAreRefusedWholeNeverSplit)
{
    struct Case {
        size_t length; // characters before the newline, buffer of 512
        bool fits;
    };
    const Case cases[] = {{510, true}, {511, true}, {512, false}, {600, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.length);
        std::string lang(c.length, 'x');
        std::string path = writeFile("long.txt", "first\n" + lang + "\nnext\n");
        Linjer got;
        Bokser b = bokserUnder([&] { got = lesFil(path); });
        if (c.fits) {
            EXPECT_EQ(got, (Linjer{{"first", 1}, {lang, 1}, {"next", 1}}));
            EXPECT_EQ(b.antall, 0);
        } else {
            EXPECT_EQ(got, (Linjer{{"first", 1}, {"<error>", -1}, {"next", 1}}));
            EXPECT_EQ(b.antall, 1);
            EXPECT_EQ(b.sist, "For lang linje (plass 512): " + path + " linje 2");
        }
    }
}

TEST_F(ZvlibFileTest, LogicalLineReachingTheCapacityIsRefused)
{
    struct Case {
        const char *what;
        std::string text;
        Linjer expected;
        int errorLine; // 0: no box
    };
    // Capacity 16: a physical line counts with its newline.
    const Case cases[] = {
        {"14 characters fit", "abcdefghijklmn\n", {{"abcdefghijklmn", 1}}, 0},
        {"15 characters and the newline reach it", "abcdefghijklmno\nz\n", {{"<error>", -1}, {"z", 1}}, 1},
        {"joined text counts", "aaaaaaa\\\nbbbbbbb\nz\n", {{"<error>", -1}, {"z", 1}}, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = writeFile("cap.txt", c.text);
        ZvlibFile *f = zvlibFile_open(path.c_str(), "r");
        ASSERT_NE(f, nullptr);
        Bokser b = bokserUnder([&] { EXPECT_EQ(lesAlle(f, 16), c.expected); });
        zvlibFile_close(f);
        EXPECT_EQ(b.antall, c.errorLine > 0 ? 1 : 0);
        if (c.errorLine > 0) {
            EXPECT_EQ(b.sist, "For lang linje (plass 16): " + path + " linje " + std::to_string(c.errorLine));
        }
    }
}

TEST_F(ZvlibFileTest, ReadErrorsShowTheBox)
{
    // Text functions would stop at a NUL and drop the rest of the line.
    std::string path = writeFile("nul.txt", std::string("ok\nab\0cd\nnext\n", 14));
    Linjer got;
    Bokser b = bokserUnder([&] { got = lesFil(path); });
    EXPECT_EQ(got, (Linjer{{"ok", 1}, {"<error>", -1}, {"next", 1}}));
    EXPECT_EQ(b.antall, 1);
    EXPECT_EQ(b.sist, "Lesefeil: " + path + " linje 2");

    // The host opens a directory but cannot read from it.
    fs::create_directory(dir_ + "/adir");
    ZvlibFile *f = zvlibFile_open((dir_ + "/adir").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char line[64];
    b = bokserUnder([&] { EXPECT_EQ(zvlibFile_read(line, f, sizeof line), -1); });
    EXPECT_EQ(b.antall, 1);
    EXPECT_EQ(b.sist, "Lesefeil: " + dir_ + "/adir linje 1");
    zvlibFile_close(f);
}

TEST_F(ZvlibFileTest, OpenFailuresShowTheBox)
{
    std::string path = writeFile("exists.txt", "x\n");
    struct Case {
        const char *what;
        std::string path;
        const char *mode;
        bool failFopen;
        std::string box;
    };
    const Case cases[] = {
        {"unknown mode", path, "rw", false, "Kan ikke \xE5pne Unknown file open mode"},
        {"null mode", path, nullptr, false, "Kan ikke \xE5pne Unknown file open mode"},
        {"missing file", dir_ + "/missing.txt", "r", false, "Kan ikke \xE5pne " + dir_ + "/missing.txt"},
        {"host refuses", path, "r", true, "Kan ikke \xE5pne " + path},
        {"path too long", dir_ + "/" + std::string(300, 'p'), "w", false, "Kan ikke \xE5pne " + dir_ + "/" + std::string(300, 'p')},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.failFopen)
            mdlhost_failNext("fopen", 1);
        Bokser b = bokserUnder([&] { EXPECT_EQ(zvlibFile_open(c.path.c_str(), c.mode), nullptr); });
        EXPECT_EQ(b.antall, 1);
        EXPECT_EQ(b.sist, c.box);
    }
    // The next open works again.
    ZvlibFile *f = zvlibFile_open(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    zvlibFile_close(f);
}

TEST_F(ZvlibFileTest, FgetsGivesPhysicalLinesWithFailedDirectivesCommentedOut)
{
    writeFile("inc.txt", "i1\n");
    std::string path = writeFile("phys.txt", "#c\n%include inc.txt\n%if exist include none.txt\nx \\\n");
    ZvlibFile *f = zvlibFile_open(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buf[64];
    std::vector<std::string> got;
    while (zvlibFile_fgets(buf, sizeof buf, f) != nullptr)
        got.emplace_back(buf);
    EXPECT_EQ(got, (std::vector<std::string>{"#c\n", "i1\n", "#if exist include none.txt\n", "x \\\n"}));
    zvlibFile_close(f);
}

TEST_F(ZvlibFileTest, RewindAndCloseInsideAnInclude)
{
    writeFile("inc.txt", "i1\ni2\n");
    std::string path = writeFile("top.txt", "t1\n%include inc.txt\nt2\n");
    ZvlibFile *f = zvlibFile_open(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    char line[64];
    ASSERT_EQ(zvlibFile_read(line, f, sizeof line), 1);
    ASSERT_EQ(zvlibFile_read(line, f, sizeof line), 1);
    EXPECT_STREQ(line, "i1");
    ASSERT_NE(f->child, nullptr);
    EXPECT_EQ(f->child->parent, f);
    EXPECT_EQ(f->child->buffer, f->buffer);

    EXPECT_EQ(zvlibFile_rewind(f), 0);
    EXPECT_EQ(f->child, nullptr);
    EXPECT_EQ(lesAlle(f), (Linjer{{"t1", 1}, {"i1", 1}, {"i2", 1}, {"t2", 1}}));

    EXPECT_EQ(zvlibFile_rewind(f), 0);
    ASSERT_EQ(zvlibFile_read(line, f, sizeof line), 1);
    ASSERT_EQ(zvlibFile_read(line, f, sizeof line), 1);
    // Closing with the include still open frees both (the sanitizer checks).
    EXPECT_EQ(zvlibFile_close(f), 0);
    EXPECT_EQ(zvlibFile_close(nullptr), 0);
    EXPECT_EQ(zvlibFile_rewind(nullptr), -1);
}

TEST_F(ZvlibFileTest, FileFunctions)
{
    std::string file = writeFile("plain.txt", "x");
    fs::create_directory(dir_ + "/sub");
    struct Dir {
        std::string path;
        int exists;
    };
    const Dir dirs[] = {{dir_ + "/sub", 1}, {dir_ + "\\sub\\", 1}, {file, 0}, {dir_ + "/none", 0}, {"", 0}};
    for (const Dir &d : dirs)
        EXPECT_EQ(zvlibFile_directoryExists(d.path.c_str()), d.exists) << d.path;
    EXPECT_EQ(zvlibFile_directoryExists(nullptr), 0);

    EXPECT_STREQ(zvlibFile_GetShortPathName("D:\\Lang mappe\\fil.txt"), "D:\\Lang mappe\\fil.txt");
    EXPECT_STREQ(zvlibFile_GetShortPathName(std::string(ZVLIB_FILE_NAME_LEN, 'a').c_str()), "");
    EXPECT_STREQ(zvlibFile_GetShortPathName(nullptr), "");

    EXPECT_EQ(zvlibFile_delete(file.c_str()), 0);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(zvlibFile_delete(file.c_str()), -1);
}

TEST_F(ZvlibFileTest, ReadOnlyFollowsThePermissionBits)
{
    struct Case {
        mode_t mode;
        int readOnly;
    };
    const Case cases[] = {{0644, 0}, {0600, 0}, {0200, 0}, {0444, 1}, {0400, 1}, {0000, 1}};
    std::string path = writeFile("design.dgn", "x");
    for (const Case &c : cases) {
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        EXPECT_EQ(zvlibFile_isReadOnly(path.c_str()), c.readOnly) << std::oct << c.mode;
    }
    chmod(path.c_str(), 0644);
    EXPECT_EQ(zvlibFile_isReadOnly((dir_ + "/missing.dgn").c_str()), 0);
    EXPECT_EQ(zvlibFile_isReadOnly(nullptr), 0);
}

} // namespace

namespace {

TEST_F(ZvlibFileTest, TheFirstRefusedLineIsKeptWithItsFileAndLine)
{
    struct Case {
        const char *what;
        std::vector<std::pair<std::string, std::string>> files; // first is the top file
        int kind;
        std::string file; // where the refused line is
        int line;
    };
    std::string lang(600, 'x');
    for (int i = 0; i <= 20; i++)
        writeFile("d" + std::to_string(i) + ".txt", "%include d" + std::to_string(i + 1) + ".txt\n");
    const Case cases[] = {
        {"a physical line too long", {{"t.txt", "a\n#" + lang + "\nb\n"}}, ZVLIB_FILE_REFUSED_TOO_LONG, "t.txt", 2},
        {"a NUL byte", {{"t.txt", std::string("a\nb\0c\n", 6)}}, ZVLIB_FILE_REFUSED_NUL, "t.txt", 2},
        {"a missing include", {{"t.txt", "a\n\n%include borte.txt\n"}}, ZVLIB_FILE_REFUSED_INCLUDE, "t.txt", 3},
        {"an include nested too deep", {{"t.txt", "%include d0.txt\n"}}, ZVLIB_FILE_REFUSED_DEPTH, "d15.txt", 1},
        {"too long inside an include",
         {{"t.txt", "a\n%include i.txt\n"}, {"i.txt", "\n\n" + lang + "\n"}},
         ZVLIB_FILE_REFUSED_TOO_LONG,
         "i.txt",
         3},
        {"a silent include of a missing file is none", {{"t.txt", "%if exist include borte.txt\n"}}, 0, "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto &[navn, innhold] : c.files)
            writeFile(navn, innhold);
        ZvlibFile *f = zvlibFile_open((dir_ + "/" + c.files.front().first).c_str(), "r");
        ASSERT_NE(f, nullptr);
        bokserUnder([&] { lesAlle(f); });
        const ZvlibFileRefusal *r = zvlibFile_firstRefusal(f);
        if (c.kind == 0) {
            EXPECT_EQ(r, nullptr);
        } else {
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r->kind, c.kind);
            EXPECT_EQ(std::string(r->file), dir_ + "/" + c.file);
            EXPECT_EQ(r->line, c.line);
        }
        zvlibFile_close(f);
    }
}

TEST_F(ZvlibFileTest, IncludesShareOneBudget)
{
    // Each file includes the next four times: 4^9 files without a budget.
    for (int i = 0; i < 9; i++) {
        std::string neste = "%include b" + std::to_string(i + 1) + ".txt\n";
        writeFile("b" + std::to_string(i) + ".txt", "L" + std::to_string(i) + "\n" + neste + neste + neste + neste);
    }
    writeFile("b9.txt", "L9\n");
    ZvlibFile *f = zvlibFile_open((dir_ + "/b0.txt").c_str(), "r");
    ASSERT_NE(f, nullptr);
    int linjer = 0;
    Bokser b = bokserUnder([&] {
        char line[64];
        while (zvlibFile_read(line, f, sizeof line) > 0)
            linjer++;
    });
    EXPECT_EQ(linjer, ZVLIB_FILE_MAX_INCLUDED_FILES + 1);
    const ZvlibFileRefusal *r = zvlibFile_firstRefusal(f);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, ZVLIB_FILE_REFUSED_BUDGET);
    EXPECT_EQ(b.antall, 1) << "the budget is said once";
    zvlibFile_close(f);
}

int startsWithKey(const char *line, void *) { return strncmp(line, "Key:", 4) == 0; }

TEST_F(ZvlibFileTest, ALineThatStartsARecordIsNeverJoined)
{
    struct Case {
        const char *what;
        std::string text;
        Linjer expected;
    };
    const Case cases[] = {
        {"a folder before a key", "Dir: ut\\dgn\\\nKey: a\n", {{"Dir: ut\\dgn\\", 1}, {"Key: a", 1}}},
        {"through a comment", "Dir: ut\\\n# c\nKey: a\n", {{"Dir: ut\\", 2}, {"Key: a", 1}}},
        {"other lines still join", "Dir: a\\\nb\nKey: c\n", {{"Dir: a b", 2}, {"Key: c", 1}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZvlibFile *f = zvlibFile_open(writeFile("rec.txt", c.text).c_str(), "r");
        ASSERT_NE(f, nullptr);
        zvlibFile_setRecordStart(f, startsWithKey, nullptr);
        EXPECT_EQ(lesAlle(f), c.expected);
        EXPECT_EQ(zvlibFile_firstRefusal(f), nullptr);
        zvlibFile_close(f);
    }
}

} // namespace
