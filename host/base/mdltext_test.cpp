#include <gtest/gtest.h>

#include <cstring>

#include "base/text_host.h"

namespace {

using namespace mdlhost;

TEST(TextCopy, CutsAndTerminatesOrRefusesWhole)
{
    char small[5];
    memset(small, 'x', sizeof small);
    EXPECT_FALSE(copyText(small, "abcdefgh"));
    EXPECT_STREQ(small, "abcd");
    EXPECT_TRUE(copyText(small, "ab"));
    EXPECT_STREQ(small, "ab");

    // A text that does not fit leaves the field as it was.
    EXPECT_FALSE(copyWhole(small, "abcde"));
    EXPECT_STREQ(small, "ab");
    EXPECT_TRUE(copyWhole(small, "abcd"));
    EXPECT_STREQ(small, "abcd");

    EXPECT_FALSE(copyText(nullptr, 0, "a"));
    EXPECT_TRUE(copyText(nullptr, 0, ""));
}

TEST(TextCase, OneMeaningOfTheSameNameWithNorwegianLetters)
{
    struct Case {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"zvzera", "ZVZERA", true},
        {"\xE6\xF8\xE5", "\xC6\xD8\xC5", true}, // æøå, ÆØÅ
        {"\xF7", "\xD7", false},                 // division and multiplication signs are no letters
        {"ab", "abc", false},
        {"", "", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sameName(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(upperCased("kart\xF8y.so"), "KART\xD8Y.SO");
    EXPECT_EQ(folded("TEMA.Tem"), "tema.tem");
    EXPECT_TRUE(endsWithName("libZv.SO", ".so"));
    EXPECT_FALSE(endsWithName("so", ".so"));
}

TEST(TextNumbers, WholeTextOrNothing)
{
    struct Case {
        const char *text;
        bool ok;
        int64_t value;
    } ints[] = {
        {"42", true, 42},     {"  -7\t", true, -7}, {"", false, 0},
        {"12abc", false, 0},  {"1.5", false, 0},    {"99999999999999999999", false, 0},
    };
    for (const Case &c : ints) {
        int64_t v = -1;
        EXPECT_EQ(parseInt64(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : -1) << c.text << ": unchanged on failure";
    }

    uint32_t u = 0;
    EXPECT_TRUE(parseUint32("0x01010100", u, 0));
    EXPECT_EQ(u, 0x01010100u);
    EXPECT_FALSE(parseUint32("-1", u, 0));
    EXPECT_FALSE(parseUint32("0x100000000", u, 0));
    EXPECT_EQ(u, 0x01010100u);

    double d = 0;
    EXPECT_TRUE(parseDouble(" 2.5 ", d));
    EXPECT_EQ(d, 2.5);
    EXPECT_FALSE(parseDouble("2,5", d)) << "a decimal comma is not a number here";
    EXPECT_FALSE(parseDouble("inf", d));
    EXPECT_FALSE(parseDouble("1e999", d));
    EXPECT_EQ(d, 2.5);
}

TEST(TextWords, QuotesGroupAndAnOpenQuoteIsReported)
{
    std::vector<std::string> w;
    EXPECT_TRUE(splitQuotedWords("mdl load \"C:\\my dir\\a.so\" \"\" x", w));
    EXPECT_EQ(w, (std::vector<std::string>{"mdl", "load", "C:\\my dir\\a.so", "", "x"}));
    w.clear();
    EXPECT_FALSE(splitQuotedWords("a \"b c", w));
    EXPECT_EQ(w, (std::vector<std::string>{"a", "b c"}));
    EXPECT_EQ(splitAt("a;;b", ';'), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(trimmed(" \t x y \r\n"), "x y");
}

// Command words take quotes as they stand; script steps read escapes inside
// quotes and refuse an open one.
TEST(TextWords, BlankWordsAndEscapedWords)
{
    using W = std::vector<std::string>;
    EXPECT_EQ(splitBlankWords("\tZVA  \"ASK\" x\t"), (W{"ZVA", "\"ASK\"", "x"}));
    EXPECT_EQ(splitBlankWords(" \t "), W{});

    W w;
    std::string error;
    EXPECT_TRUE(splitEscapedWords("press \"a \\\"b\\\" \\\\ c\\n\" \"\"\r", w, error));
    EXPECT_EQ(w, (W{"press", "a \"b\" \\ c\n", ""}));
    EXPECT_FALSE(splitEscapedWords("press \"open", w, error));
    EXPECT_EQ(error, "unterminated quote");
}

TEST(TextNumbers, HexDigits)
{
    const std::pair<char, int> cases[] = {{'0', 0}, {'9', 9}, {'a', 10}, {'F', 15}, {'g', -1}, {'G', -1}, {' ', -1}, {'\xC5', -1}};
    for (auto [c, v] : cases)
        EXPECT_EQ(hexDigit(c), v) << c;
}

TEST(TextCodec, RoundTripsAndMalformedInput)
{
    std::string latin1 = "Bj\xF8rnstad \xC6\xD8\xC5";
    std::string utf8 = latin1ToUtf8(latin1);
    EXPECT_EQ(utf8, "Bj\xC3\xB8rnstad \xC3\x86\xC3\x98\xC3\x85");
    EXPECT_EQ(utf8ToLatin1(utf8), latin1);
    EXPECT_EQ(utf8Length(utf8), latin1.size());

    std::u16string wide = u"A\u00F8\u20AC\U0001F600";
    EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(wide)), wide);
    EXPECT_EQ(utf8ToLatin1("\xE2\x82\xAC"), "?") << "the euro sign has no ISO 8859-1 form";

    // A cut sequence and a stray continuation byte each give U+FFFD.
    EXPECT_EQ(decodeUtf8("a\xC3"), (std::u32string{U'a', U'\uFFFD'}));
    EXPECT_EQ(decodeUtf8("\x80z"), (std::u32string{U'\uFFFD', U'z'}));
    const char16_t lone[] = {0xD800, u'x'};
    EXPECT_EQ(utf16ToUtf8(lone, 2), "\xEF\xBF\xBDx");
}

TEST(TextCodec, SubstitutionIsTold)
{
    struct Case {
        const char *utf8, *latin1;
        bool substituted;
    };
    const Case cases[] = {
        {"Kr 5", "Kr 5", false},
        {"R\xC3\xA5" "dhus", "R\xE5" "dhus", false},
        {"Kr 5 ?", "Kr 5 ?", false},           // a stored '?' is no substitute
        {"Kr 5 \xE2\x82\xAC", "Kr 5 ?", true}, // the euro sign
        {"a\xC3", "a?", true},                 // a cut sequence
        {"", "", false},
    };
    for (const Case &c : cases) {
        bool substituted = !c.substituted;
        EXPECT_EQ(utf8ToLatin1(c.utf8, substituted), c.latin1) << c.utf8;
        EXPECT_EQ(substituted, c.substituted) << c.utf8;
    }
}

TEST(TextCase, AsciiUpperCaseLeavesLatin1Letters)
{
    EXPECT_EQ(asciiUpperCased("m\xE5lemetodeid"), "M\xE5LEMETODEID");
    EXPECT_EQ(asciiUpperCased("M\xC5L_1"), "M\xC5L_1");
    EXPECT_EQ(upperCased("m\xE5l"), "M\xC5L") << "the ISO 8859-1 rule stays for the host's own names";
}

} // namespace
