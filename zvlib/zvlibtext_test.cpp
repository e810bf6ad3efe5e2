#include <cstring>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "zvlibtext.h"

namespace {

constexpr char GUARD = '#'; // a byte the copies must not reach

// Each copy into a target of the given size inside a larger, guarded buffer.
struct CopyCase {
    const char *name;
    size_t size;
    const char *from;
    bool fits;
    const char *cut; // what copyText leaves
};

const CopyCase COPY_CASES[] = {
    {"empty", 4, "", true, ""},
    {"shorter", 4, "ab", true, "ab"},
    {"exact fit", 4, "abc", true, "abc"},
    {"one over", 4, "abcd", false, "abc"},
    {"far over", 4, "abcdefgh", false, "abc"},
    {"room for the terminator only", 1, "a", false, ""},
    {"empty into room for the terminator", 1, "", true, ""},
    {"null source", 4, nullptr, true, ""},
    {"Latin-1 bytes kept", 4, "\xC6\xD8\xC5", true, "\xC6\xD8\xC5"},
};

TEST(ZvlibTextCopy, CopyTextCutsToFitAndSaysWhetherAllFitted)
{
    for (const CopyCase &c : COPY_CASES) {
        char buf[16];
        memset(buf, GUARD, sizeof buf);
        EXPECT_EQ(zvlib::copyText(buf, c.size, c.from), c.fits) << c.name;
        EXPECT_STREQ(buf, c.cut) << c.name;
        for (size_t i = c.size; i < sizeof buf; i++)
            EXPECT_EQ(buf[i], GUARD) << c.name << ": byte " << i;
    }
}

TEST(ZvlibTextCopy, CopyWholeLeavesTheTargetWhenTheTextDoesNotFit)
{
    for (const CopyCase &c : COPY_CASES) {
        char buf[16];
        memset(buf, GUARD, sizeof buf);
        buf[0] = 'x';
        buf[1] = '\0';
        EXPECT_EQ(zvlib::copyWhole(buf, c.size, c.from), c.fits) << c.name;
        EXPECT_STREQ(buf, c.fits ? c.cut : "x") << c.name;
        for (size_t i = c.size > 2 ? c.size : 2; i < sizeof buf; i++)
            EXPECT_EQ(buf[i], GUARD) << c.name << ": byte " << i;
    }
}

TEST(ZvlibTextCopy, NoRoomOrNoTargetWritesNothing)
{
    char buf[2] = {GUARD, GUARD};
    EXPECT_FALSE(zvlib::copyText(buf, 0, ""));
    EXPECT_FALSE(zvlib::copyWhole(buf, 0, ""));
    EXPECT_EQ(buf[0], GUARD);
    EXPECT_FALSE(zvlib::copyText(nullptr, 4, "a"));
    EXPECT_FALSE(zvlib::copyWhole(nullptr, 4, "a"));
}

TEST(ZvlibTextCopy, ArrayFormTakesTheBoundFromTheArray)
{
    struct {
        char field[4];
        char after[4];
    } rec;
    memset(&rec, GUARD, sizeof rec);
    EXPECT_FALSE(zvlib::copyText(rec.field, "abcdef"));
    EXPECT_STREQ(rec.field, "abc");
    EXPECT_EQ(rec.after[0], GUARD);
    EXPECT_TRUE(zvlib::copyText(rec.field, std::string("xy")));
    EXPECT_STREQ(rec.field, "xy");
    EXPECT_FALSE(zvlib::copyWhole(rec.field, "abcd"));
    EXPECT_STREQ(rec.field, "xy");
    EXPECT_TRUE(zvlib::copyWhole(rec.field, std::string("abc")));
    EXPECT_STREQ(rec.field, "abc");
}

TEST(ZvlibTextCopy, PartOfALineCopiesOnlyThatPart)
{
    const char line[] = "KEY=value";
    char buf[8];
    EXPECT_TRUE(zvlib::copyText(buf, std::string_view(line, 3)));
    EXPECT_STREQ(buf, "KEY");
    EXPECT_FALSE(zvlib::copyText(buf, std::string_view(line, 9)));
    EXPECT_STREQ(buf, "KEY=val");
}

struct FoldCase {
    unsigned char c, lower, upper;
    bool letter;
};

// ASCII, the Norwegian letters, the two signs among the letters and the
// small letters without a capital.
const FoldCase FOLD_CASES[] = {
    {'A', 'a', 'A', true},   {'z', 'z', 'Z', true},     {'@', '@', '@', false},  {'[', '[', '[', false},
    {'`', '`', '`', false},  {'{', '{', '{', false},    {'5', '5', '5', false},  {0xC6, 0xE6, 0xC6, true},
    {0xE6, 0xE6, 0xC6, true}, {0xD8, 0xF8, 0xD8, true}, {0xF8, 0xF8, 0xD8, true}, {0xC5, 0xE5, 0xC5, true},
    {0xE5, 0xE5, 0xC5, true}, {0xC0, 0xE0, 0xC0, true}, {0xDE, 0xFE, 0xDE, true}, {0xD7, 0xD7, 0xD7, false},
    {0xF7, 0xF7, 0xF7, false}, {0xDF, 0xDF, 0xDF, true}, {0xFF, 0xFF, 0xFF, true}, {0xBF, 0xBF, 0xBF, false},
    {0xAA, 0xAA, 0xAA, false}, {0x80, 0x80, 0x80, false}, {0, 0, 0, false},
};

TEST(ZvlibTextCase, Latin1FoldsWithoutTheLocale)
{
    for (const FoldCase &f : FOLD_CASES) {
        EXPECT_EQ(zvlib::lowerLatin1(f.c), f.lower) << int(f.c);
        EXPECT_EQ(zvlib::upperLatin1(f.c), f.upper) << int(f.c);
        EXPECT_EQ(zvlib::isLatin1Letter(f.c), f.letter) << int(f.c);
    }
}

TEST(ZvlibTextCase, Latin1UpperAndLowerUndoEachOther)
{
    for (int c = 0; c < 256; c++) {
        auto u = static_cast<unsigned char>(c);
        unsigned char l = zvlib::lowerLatin1(u);
        if (l != u) {
            EXPECT_EQ(zvlib::upperLatin1(l), u) << c;
        }
        unsigned char up = zvlib::upperLatin1(u);
        if (up != u) {
            EXPECT_EQ(zvlib::lowerLatin1(up), u) << c;
        }
        // A char holding a byte above 127 folds as that byte.
        EXPECT_EQ(zvlib::lowerLatin1(static_cast<char>(c)), l) << c;
    }
}

TEST(ZvlibTextCase, AsciiFoldLeavesTheNorwegianLetters)
{
    EXPECT_EQ(zvlib::lowerAscii('Q'), 'q');
    EXPECT_EQ(zvlib::upperAscii('q'), 'Q');
    EXPECT_EQ(zvlib::lowerAscii('\xC6'), '\xC6');
    EXPECT_EQ(zvlib::upperAscii('\xE6'), '\xE6');
    EXPECT_EQ(zvlib::lowerAscii('['), '[');
    EXPECT_EQ(zvlib::upperAscii('{'), '{');
}

TEST(ZvlibTextCase, SameNameIgnoresLatin1CaseOnly)
{
    struct {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"", "", true},
        {"Celle.CEL", "celle.cel", true},
        {"H\xD8YDE", "h\xF8yde", true},
        {"\xC6\xD8\xC5", "\xE6\xF8\xE5", true},
        {"abc", "abcd", false},
        {"abcd", "abc", false},
        {"", "a", false},
        {"\xD7", "\xF7", false},
        {"a_b", "a-b", false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(zvlib::sameNameLatin1(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(zvlib::sameNameLatin1(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
}

} // namespace
