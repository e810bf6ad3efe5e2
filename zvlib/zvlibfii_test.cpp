#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "zvliberror.h"
#include "zvlibfii.h"
#include "testing/zvlib_testing.h"

namespace fs = std::filesystem;

namespace {

// A tokenizer over a real file in a fresh temporary directory, run as an
// application whose resource file holds the reader's messages.
class ZvlibFiiTest : public zvlibtest::AppTest {
  protected:
    ZvlibFiiTest()
        : AppTest("ZVFIITEST",
                  "MessageList 20005 {\n"
                  "  1 \"Kan ikke \\345pne %s\"\n"
                  "  3 \"For lang linje (plass %d): %s linje %d\"\n"
                  "  4 \"Lesefeil: %s linje %d\"\n"
                  "  14 \"Ikke nok minne\"\n"
                  "  50 \"MERKE\"\n"
                  "}\n",
                  {.dirPrefix = "zvlibfii"})
    {
    }
    void SetUp() override
    {
        AppTest::SetUp();
        if (HasFatalFailure())
            return;
        memset(&fii_, 0, sizeof fii_);
    }
    void TearDown() override
    {
        zvlibFii_close(&fii_);
        AppTest::TearDown();
    }
    // Opens a file holding text and reads its first logical line.
    void linje(const std::string &text, bool pack = false)
    {
        zvlibFii_close(&fii_);
        std::string path = writeFile("line.txt", text + "\n");
        ASSERT_EQ(zvlibFii_open(&fii_, path.c_str(), "r"), 0);
        if (pack)
            zvlibFii_packOn(&fii_);
        ASSERT_EQ(zvlibFii_readNewLine(&fii_), 0);
    }
    std::string rest() const { return fii_.cursor; }

    ZvlibFii fii_;
};

TEST_F(ZvlibFiiTest, OpenSetsTheDefaults)
{
    std::string path = writeFile("a.txt", "x\n");
    memset(&fii_, 0x5A, sizeof fii_); // a caller's record starts as garbage on its stack
    ASSERT_EQ(zvlibFii_open(&fii_, path.c_str(), "r"), 0);
    EXPECT_STREQ(fii_.separators, " \n\t");
    EXPECT_EQ(fii_.lineSize, ZVLIB_FII_LINE_SIZE);
    EXPECT_EQ(fii_.pack, 0);
    EXPECT_EQ(fii_.caseSensitive, 0);
    EXPECT_EQ(fii_.error, 0);
    EXPECT_EQ(fii_.lineCount, 0);
    EXPECT_EQ(fii_.file->bufferSize, ZVLIB_FILE_BUFFER_SIZE);
    EXPECT_EQ(fii_.file->continuationChar, '\\');
    EXPECT_EQ(fii_.file->commentChar, '#');
}

TEST_F(ZvlibFiiTest, SeparatorsBeyond26FailAndCloseTheFile)
{
    std::string path = writeFile("a.txt", "a,b\n");
    const std::string max26(26, ',');
    ASSERT_EQ(zvlibFii_openExtended(&fii_, path.c_str(), "r", "\\", "#", 0, 0, (max26 + ",").c_str()), ZVLIB_FAILURE);
    EXPECT_EQ(fii_.file, nullptr);
    EXPECT_EQ(zvlibFii_readNewLine(&fii_), ZVLIB_FAILURE);
    EXPECT_EQ(fii_.error, ZVLIB_FII_READ_ERROR);

    ASSERT_EQ(zvlibFii_openExtended(&fii_, path.c_str(), "r", "\\", "#", 0, 0, max26.c_str()), 0);
    ASSERT_EQ(zvlibFii_readNewLine(&fii_), 0);
    char text[ZVLIB_FII_TEXT_LEN];
    EXPECT_STREQ(zvlibFii_readText(&fii_, text), "a");
    EXPECT_STREQ(zvlibFii_readText(&fii_, text), "b");
}

TEST_F(ZvlibFiiTest, TokensStepOverSeparators)
{
    linje("  alpha\tbeta   gamma\t ");
    EXPECT_EQ(rest(), "alpha\tbeta   gamma");
    char text[ZVLIB_FII_TEXT_LEN];
    std::vector<std::string> got;
    while (!zvlibFii_eol(&fii_))
        got.emplace_back(zvlibFii_readText(&fii_, text));
    EXPECT_EQ(got, (std::vector<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_STREQ(zvlibFii_readText(&fii_, text), "");

    std::string lang(300, 'k');
    linje(lang + " etter");
    EXPECT_EQ(std::string(zvlibFii_readText(&fii_, text)), lang.substr(0, ZVLIB_FII_TEXT_LEN - 1));
    EXPECT_STREQ(zvlibFii_readText(&fii_, text), "etter");
}

TEST_F(ZvlibFiiTest, PackRemovesBlanksOutsideQuotes)
{
    struct Case {
        const char *line;
        const char *packed;
    };
    const Case cases[] = {
        {"a b \"c d\"", "ab\"c d\""},
        {"\tx = \" 1\t2 \" ; y", "x=\" 1\t2 \";y"},
        {"\"open  to the end", "\"open  to the end"},
    };
    for (const Case &c : cases) {
        linje(c.line, true);
        EXPECT_STREQ(fii_.line, c.packed) << c.line;
        EXPECT_EQ(fii_.cursor, fii_.line);
    }
}

TEST_F(ZvlibFiiTest, KeywordsMatchWithOrWithoutCase)
{
    struct Case {
        const char *line;
        const char *keyword;
        int caseSensitive;
        bool match;
        const char *rest; // after isText
    };
    const Case cases[] = {
        {"INCLUDE x", "include", 0, true, " x"},
        {"INCLUDE x", "include", 1, false, "INCLUDE x"},
        {"include x", "include", 1, true, " x"},
        {"KEY: v", "key:", 0, true, " v"},
        {"\xE6rende \xF8st \xE5s", "\xC6RENDE \xD8ST \xC5S", 0, true, ""},
        {"\xC6RENDE", "\xE6rende", 0, true, ""},
        {"\xE6rende", "\xC6RENDE", 1, false, "\xE6rende"},
        {"stra\xDF" "e", "STRA\xDF" "E", 0, true, ""},
        {"ab", "abc", 0, false, "ab"},  // the line ends inside the keyword
        {"ab", "abc", 1, false, "ab"},
        {"abc", "", 0, true, "abc"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line + std::string(" / ") + c.keyword);
        linje(c.line);
        if (c.caseSensitive)
            zvlibFii_caseSensitiveOn(&fii_);
        const char *start = fii_.cursor;
        EXPECT_EQ(zvlibFii_seekText(&fii_, c.keyword), c.match ? 0 : ZVLIB_FAILURE);
        EXPECT_EQ(fii_.cursor, start) << "seekText stops at the keyword";
        EXPECT_EQ(zvlibFii_isText(&fii_, c.keyword), c.match ? 0 : ZVLIB_FAILURE);
        EXPECT_EQ(rest(), c.rest);
        EXPECT_EQ(fii_.error, 0);
    }
    linje("x");
    EXPECT_EQ(zvlibFii_isText(&fii_, std::string(ZVLIB_FII_TEXT_LEN, 'x').c_str()), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibFii_isText(&fii_, nullptr), ZVLIB_FAILURE);
}

TEST_F(ZvlibFiiTest, LongsAreWholeTokensOf32Bits)
{
    struct Case {
        const char *line;
        const char *delimiters;
        bool ok;
        int value;
        const char *rest;
    };
    const Case cases[] = {
        {"12x", nullptr, false, 0, "12x"},
        {"12;34", ";", true, 12, "34"},
        {"12;;; 34", ";", true, 12, " 34"},
        {"+7 8", nullptr, true, 7, "8"},
        {";5", ";", true, 0, "5"},  // an empty token is 0
        {"2147483647", nullptr, true, 2147483647, ""},
        {"-2147483648", nullptr, true, -2147483647 - 1, ""},
        {"2147483648", nullptr, false, 0, "2147483648"},
        {"-2147483649", nullptr, false, 0, "-2147483649"},
        {"99999999999", nullptr, false, 0, "99999999999"},
        {"99999999999999999999999", nullptr, false, 0, "99999999999999999999999"},
        {"1.5", nullptr, false, 0, "1.5"},
        {"-", nullptr, false, 0, "-"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        linje(c.line);
        fii_.lastLong = 4711;
        EXPECT_EQ(zvlibFii_isLong(&fii_, c.delimiters), c.ok ? 0 : ZVLIB_FAILURE);
        EXPECT_EQ(fii_.error, c.ok ? 0 : ZVLIB_FII_NOT_LONG);
        EXPECT_EQ(zvlibFii_getLong(&fii_), c.ok ? c.value : 4711);
        EXPECT_EQ(rest(), c.rest);
    }
    // A token longer than the token buffer is never read from its cut copy.
    linje(std::string(300, '0') + "1");
    EXPECT_EQ(zvlibFii_readLong(&fii_, nullptr), 0);
    EXPECT_EQ(fii_.error, ZVLIB_FII_NOT_LONG);
}

TEST_F(ZvlibFiiTest, DoublesAreWholeFiniteTokens)
{
    struct Case {
        const char *line;
        const char *delimiters;
        bool ok;
        double value;
        const char *rest;
    };
    const Case cases[] = {
        {"1.5e3 x", nullptr, true, 1500.0, "x"},
        {"-0.25;9", ";", true, -0.25, "9"},
        {"1e-999", nullptr, true, 0.0, ""},  // underflow is a small number, not an error
        {"1e999", nullptr, false, 0, "1e999"},
        {"-1e999", nullptr, false, 0, "-1e999"},
        {"nan", nullptr, false, 0, "nan"},
        {"inf", nullptr, false, 0, "inf"},
        {"3.5abc", nullptr, false, 0, "3.5abc"},
        {"1,5", nullptr, false, 0, "1,5"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        linje(c.line);
        const double *p = zvlibFii_readDoubleP(&fii_, c.delimiters);
        EXPECT_EQ(fii_.error, c.ok ? 0 : ZVLIB_FII_NOT_DOUBLE);
        if (c.ok) {
            EXPECT_EQ(p, zvlibFii_getDoubleP(&fii_));
            EXPECT_NEAR(*p, c.value, 1e-12);
        } else {
            EXPECT_NE(p, zvlibFii_getDoubleP(&fii_));
            EXPECT_EQ(*p, 0.0);
        }
        EXPECT_EQ(rest(), c.rest);
    }
}

TEST_F(ZvlibFiiTest, ReadCharFlagsNonLetters)
{
    linje("a\xD8 \xE5" "1");
    struct Step {
        char c;
        int error;
    };
    const Step steps[] = {{'a', 0}, {'\xD8', 0}, {'\xE5', 0}, {'1', ZVLIB_FII_NOT_LETTER}, {' ', ZVLIB_FII_NOT_LETTER}};
    for (const Step &s : steps) {
        EXPECT_EQ(zvlibFii_readChar(&fii_), s.c);
        EXPECT_EQ(fii_.error, s.error);
    }
    EXPECT_EQ(rest(), "");
}

TEST_F(ZvlibFiiTest, StringsSubstringsAndTheRestOfTheLine)
{
    char text[ZVLIB_FII_TEXT_LEN];
    linje("  \"hello world\"  next,, rest of it");
    EXPECT_EQ(zvlibFii_readString(&fii_, "(", text), nullptr);
    EXPECT_EQ(rest(), "\"hello world\"  next,, rest of it");
    EXPECT_STREQ(zvlibFii_readString(&fii_, "\"", text), "hello world");
    EXPECT_STREQ(zvlibFii_readSubString(&fii_, ",", text), "next");
    EXPECT_STREQ(zvlibFii_getLine(&fii_, text), "rest of it");
    EXPECT_STREQ(zvlibFii_getLine(&fii_, text), "rest of it");
    EXPECT_STREQ(zvlibFii_readSubString(&fii_, ",", text), "rest of it");
    EXPECT_EQ(zvlibFii_eol(&fii_), 1);

    linje("x \"a b\" y", true);
    EXPECT_EQ(zvlibFii_eol(&fii_), 0);
    EXPECT_STREQ(zvlibFii_readSubString(&fii_, "\"", text), "x");
    EXPECT_STREQ(zvlibFii_getLine(&fii_, text), "a b\"y");
}

TEST_F(ZvlibFiiTest, LinesAreCountedAndEndInEof)
{
    std::string path = writeFile("n.txt", "a\\\nb\n# c\n\nd\n");
    ASSERT_EQ(zvlibFii_open(&fii_, path.c_str(), "r"), 0);
    struct Step {
        int result;
        const char *line;
        int count;
        int eof;
    };
    const Step steps[] = {{0, "a b", 2, 0}, {0, "d", 5, 0}, {ZVLIB_FAILURE, "", 5, 1}, {ZVLIB_FAILURE, "", 5, 1}};
    for (const Step &s : steps) {
        EXPECT_EQ(zvlibFii_readNewLine(&fii_), s.result);
        EXPECT_STREQ(fii_.line, s.line);
        EXPECT_EQ(fii_.lineCount, s.count);
        EXPECT_EQ(zvlibFii_eof(&fii_), s.eof);
    }
    EXPECT_EQ(zvlibFii_rewind(&fii_), 0);
    EXPECT_EQ(fii_.lineCount, 0);
    EXPECT_EQ(fii_.error, 0);
    EXPECT_STREQ(fii_.line, "");
    EXPECT_EQ(zvlibFii_readNewLine(&fii_), 0);
    EXPECT_STREQ(fii_.line, "a b");
}

TEST_F(ZvlibFiiTest, LineTooLongIsReadError14WithItsPosition)
{
    std::string path = writeFile("long.txt", "ok\n# c\n123456789\nafter\n");
    ASSERT_EQ(zvlibFii_openExtended(&fii_, path.c_str(), "r", nullptr, nullptr, 0, 8, nullptr), 0);
    ASSERT_EQ(zvlibFii_readNewLine(&fii_), 0);
    mdlhost_scriptAlert(1);
    EXPECT_EQ(zvlibFii_readNewLine(&fii_), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibFii_eof(&fii_), 0);
    EXPECT_EQ(std::string(mdlhost_lastAlertText()), "For lang linje (plass 8): " + path + " linje 3");
    int code, line, column;
    char text[ZVLIB_FII_TEXT_LEN];
    ASSERT_EQ(zvlibFii_reportErr(&fii_, &code, &line, &column, text), 0);
    EXPECT_EQ(code, ZVLIB_FII_READ_ERROR);
    EXPECT_EQ(line, 3);
    EXPECT_EQ(zvlibFii_reportErr(&fii_, &code, &line, &column, text), ZVLIB_FAILURE);
    // The next line is read whole.
    ASSERT_EQ(zvlibFii_readNewLine(&fii_), 0);
    EXPECT_STREQ(fii_.line, "after");
}

TEST_F(ZvlibFiiTest, ErrorsReportLineColumnAndText)
{
    std::string path = writeFile("e.txt", "a\n# comment\n  12x\n");
    ASSERT_EQ(zvlibFii_open(&fii_, path.c_str(), "r"), 0);
    ASSERT_EQ(zvlibFii_readNewLine(&fii_), 0);
    int code = 0, line = 0, column = 0;
    char text[ZVLIB_FII_TEXT_LEN];
    EXPECT_EQ(zvlibFii_reportErr(&fii_, &code, &line, &column, text), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibFii_formatErr(&fii_, &code, text), ZVLIB_FAILURE);

    ASSERT_EQ(zvlibFii_readNewLine(&fii_), 0);
    EXPECT_EQ(zvlibFii_isLong(&fii_, nullptr), ZVLIB_FAILURE);
    // formatErr leaves the error pending; reportErr clears it.
    ASSERT_EQ(zvlibFii_formatErr(&fii_, &code, text), 0);
    EXPECT_EQ(code, ZVLIB_FII_NOT_LONG);
    EXPECT_STREQ(text, "(3)   12x");
    ASSERT_EQ(zvlibFii_reportErr(&fii_, &code, &line, &column, text), 0);
    EXPECT_EQ(code, ZVLIB_FII_NOT_LONG);
    EXPECT_EQ(line, 3);
    EXPECT_EQ(column, 3);
    EXPECT_STREQ(text, "  12x");
    EXPECT_EQ(zvlibFii_reportErr(&fii_, &code, &line, &column, text), ZVLIB_FAILURE);

    // A long line's text is cut to the text buffer.
    std::string lang(400, 'q');
    linje(lang);
    zvlibFii_readChar(&fii_);
    fii_.error = ZVLIB_FII_NOT_LETTER;
    ASSERT_EQ(zvlibFii_reportErr(&fii_, &code, &line, &column, text), 0);
    EXPECT_EQ(std::string(text), lang.substr(0, ZVLIB_FII_TEXT_LEN - 1));
    EXPECT_EQ(column, 2);
    EXPECT_EQ(std::string(zvlibFii_makeErr(&fii_, text)), ("(1) " + lang).substr(0, ZVLIB_FII_TEXT_LEN - 1));
}

TEST_F(ZvlibFiiTest, CaretTextNeedsRoomForLineAndColumn)
{
    struct Case {
        const char *line;
        int steps; // characters read before
        int capacity;
        const char *expected;
    };
    const Case cases[] = {
        {"abc", 2, 8, "abc\n  ^"},
        {"abc", 2, 7, ""},
        {"abc", 0, 6, "abc\n^"},
        {"abc", 3, 9, "abc\n   ^"},
        {"abc", 0, 0, ""},
    };
    for (const Case &c : cases) {
        linje(c.line);
        for (int i = 0; i < c.steps; i++)
            zvlibFii_readChar(&fii_);
        char text[32] = "untouched";
        zvlibFii_makeErr2(&fii_, text, c.capacity);
        if (c.capacity > 0)
            EXPECT_STREQ(text, c.expected) << c.steps << " " << c.capacity;
        else
            EXPECT_STREQ(text, "untouched");
    }
}

TEST_F(ZvlibFiiTest, ReadNumericFillsTheGroups)
{
    double d[3] = {}, x[2] = {}, y[2] = {};
    int n[3] = {};

    linje("1.5 2e3 -4");
    EXPECT_EQ(zvlibFii_readNumeric(&fii_, 0, 3, ZVLIB_FII_NUM_DOUBLE, d, -1), 0);
    EXPECT_EQ(std::vector<double>(d, d + 3), (std::vector<double>{1.5, 2000, -4}));

    linje("7 -8 +9 1 2 3 4");
    EXPECT_EQ(zvlibFii_readNumeric(&fii_, 0, 3, ZVLIB_FII_NUM_INT, n, 2, ZVLIB_FII_NUM_PAIR, x, y, -1), 0);
    EXPECT_EQ(std::vector<int>(n, n + 3), (std::vector<int>{7, -8, 9}));
    EXPECT_EQ(std::vector<double>(x, x + 2), (std::vector<double>{1, 3}));
    EXPECT_EQ(std::vector<double>(y, y + 2), (std::vector<double>{2, 4}));

    // A character that is no part of a number stops the cursor; the
    // numbers after it read as 0.  Ints beyond 32 bits stop at the limit.
    linje("1 x 3");
    EXPECT_EQ(zvlibFii_readNumeric(&fii_, 0, 3, ZVLIB_FII_NUM_INT, n, -1), 0);
    EXPECT_EQ(std::vector<int>(n, n + 3), (std::vector<int>{1, 0, 0}));
    linje("99999999999 -99999999999");
    EXPECT_EQ(zvlibFii_readNumeric(&fii_, 0, 2, ZVLIB_FII_NUM_INT, n, -1), 0);
    EXPECT_EQ(std::vector<int>(n, n + 2), (std::vector<int>{2147483647, -2147483647 - 1}));

    mdlhost_clearTextWindow();
    linje("1 2");
    EXPECT_EQ(zvlibFii_readNumeric(&fii_, 0, 1, 5, d, -1), ZVLIB_FAILURE);
    EXPECT_STREQ(mdlhost_textWindow(), "Error from zvlibFii_readNumeric\nUnknown type\n");
}

TEST_F(ZvlibFiiTest, ClosedOrFailedTokenizerIsHarmless)
{
    mdlhost_scriptAlert(1);
    ASSERT_EQ(zvlibFii_open(&fii_, (dir_ + "/missing.txt").c_str(), "r"), ZVLIB_FAILURE);
    EXPECT_EQ(std::string(mdlhost_lastAlertText()), "Kan ikke \xE5pne " + dir_ + "/missing.txt");

    std::string path = writeFile("ok.txt", "1 2\n");
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round == 0 ? "after a failed open" : "after close");
        char text[ZVLIB_FII_TEXT_LEN] = "x";
        double d = 1;
        struct Call {
            const char *what;
            int result;
        };
        const Call calls[] = {
            {"readNewLine", zvlibFii_readNewLine(&fii_)},
            {"isLong", zvlibFii_isLong(&fii_, nullptr)},
            {"isDouble", zvlibFii_isDouble(&fii_, nullptr)},
            {"isText", zvlibFii_isText(&fii_, "a")},
            {"rewind", zvlibFii_rewind(&fii_)},
            {"readNumeric", zvlibFii_readNumeric(&fii_, 0, 1, ZVLIB_FII_NUM_DOUBLE, &d, -1)},
            {"close", zvlibFii_close(&fii_)},
        };
        for (const Call &c : calls)
            EXPECT_EQ(c.result, ZVLIB_FAILURE) << c.what;
        EXPECT_EQ(fii_.error, ZVLIB_FII_READ_ERROR);
        EXPECT_STREQ(zvlibFii_readText(&fii_, text), "");
        EXPECT_EQ(zvlibFii_readString(&fii_, "\"", text), nullptr);
        EXPECT_EQ(zvlibFii_readChar(&fii_), ' ');
        EXPECT_EQ(zvlibFii_eol(&fii_), 1);
        EXPECT_EQ(zvlibFii_eof(&fii_), 0);
        EXPECT_EQ(zvlibFii_readLong(&fii_, nullptr), 0);
        EXPECT_EQ(*zvlibFii_readDoubleP(&fii_, nullptr), 0.0);
        EXPECT_EQ(d, 1);
        int code = 0, line = 0, column = -1;
        EXPECT_EQ(zvlibFii_reportErr(&fii_, &code, &line, &column, text), 0);
        EXPECT_EQ(code, ZVLIB_FII_READ_ERROR);
        EXPECT_EQ(column, 0);
        EXPECT_STREQ(text, "");

        ASSERT_EQ(zvlibFii_open(&fii_, path.c_str(), "r"), 0);
        ASSERT_EQ(zvlibFii_readNewLine(&fii_), 0);
        EXPECT_EQ(zvlibFii_close(&fii_), 0);
    }
    EXPECT_EQ(zvlibFii_open(nullptr, path.c_str(), "r"), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibFii_readNewLine(nullptr), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibFii_close(nullptr), ZVLIB_FAILURE);
}

TEST_F(ZvlibFiiTest, ShrinkStringIsADummy)
{
    mdlhost_clearTextWindow();
    char out[8] = "same";
    EXPECT_EQ(zvlibFii_shrinkString("a long text", out), out);
    EXPECT_STREQ(out, "same");
    EXPECT_STREQ(mdlhost_textWindow(), "zvlibFii_shrinkString is dummy\n");
}

} // namespace
