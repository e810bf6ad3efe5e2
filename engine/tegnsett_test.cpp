#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine_testing.h"

namespace {

// The six letters Æ æ Ø ø Å å in UTF-8.
const char kBokstaver[] = "\xC3\x86\xC3\xA6\xC3\x98\xC3\xB8\xC3\x85\xC3\xA5";

class TegnsettTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        bmwinit();
    }

    // The six letters as iconv spells them in the given charset; "" when
    // iconv fails.
    std::string iconv(const char *charset)
    {
        std::string input = writeFile("letters.txt", kBokstaver);
        std::string cmd = std::string("iconv -f UTF-8 -t ") + charset + " '" + input + "'";
        FILE *p = popen(cmd.c_str(), "r");
        if (p == nullptr)
            return "";
        std::string out;
        int c;
        while ((c = fgetc(p)) != EOF)
            out += (char)c;
        return pclose(p) == 0 ? out : "";
    }

    static bool haveIconv() { return system("command -v iconv > /dev/null 2>&1") == 0; }
};

std::string convert(std::string text, int in, int out, int expectedResult = 0)
{
    int16_t i = (int16_t)in, o = (int16_t)out;
    EXPECT_EQ(bbs_cstr78(text.data(), &i, &o), expectedResult) << in << " -> " << out;
    return text;
}

TEST_F(TegnsettTest, LettersConvertBetweenEverySetPairAsIconvDoes)
{
    if (!haveIconv())
        GTEST_SKIP() << "iconv is not installed; the character-set table is not checked against it";
    // Codes 1 to 4; 4 is ISO 8859-1 as well.
    const char *charset[] = {nullptr, "ISO-8859-1", "NS_4551-1", "IBM865", "ISO-8859-1"};
    std::string spelled[5];
    for (int s = 1; s <= 4; s++) {
        spelled[s] = iconv(charset[s]);
        ASSERT_EQ(spelled[s].size(), 6u) << charset[s];
    }
    const std::string ascii = "Kart 1:1000, (a-z) ";
    for (int in = 1; in <= 4; in++)
        for (int out = 1; out <= 4; out++) {
            EXPECT_EQ(convert(ascii + spelled[in], in, out), ascii + spelled[out]) << in << " -> " << out;
            // Any set: the same letters whatever set they came in.
            if (in <= 3) {
                EXPECT_EQ(convert(spelled[in], 0, out), spelled[out]) << "0 (" << in << ") -> " << out;
            }
        }
}

TEST_F(TegnsettTest, AnySetTurnsSevenBitCharactersIntoLetters)
{
    EXPECT_EQ(convert("[", 0, 1), "\xC6");
    EXPECT_EQ(convert("[", 0, 2), "[");
    EXPECT_EQ(convert("[", 0, 3), "\x92");
    EXPECT_EQ(convert("[", 0, 4), "\xC6");
    EXPECT_EQ(convert("a[b]c{d}e\\f|", 0, 1), "a\xC6" "b\xC5" "c\xE6" "d\xE5" "e\xD8" "f\xF8");
    // Sets 1 and 3 take the brackets as they are.
    EXPECT_EQ(convert("a[b]c", 1, 3), "a[b]c");
    EXPECT_EQ(convert("\x9D", 3, 1), "\xD8");
}

TEST_F(TegnsettTest, BadSetsAreRefusedWithATextWindowNote)
{
    const struct {
        int in, out, result;
        const char *printed;
    } cases[] = {
        {5, 1, 1, "programming error in bbs_cstr78()\nunknown value for Informat, 5\n"},
        {-1, 1, 1, "programming error in bbs_cstr78()\nunknown value for Informat, -1\n"},
        {1, 0, 2, "programming error in bbs_cstr78()\nunknown value for Outformat, 0\n"},
        {1, 5, 2, "programming error in bbs_cstr78()\nunknown value for Outformat, 5\n"},
    };
    for (const auto &c : cases) {
        mdlhost_clearTextWindow();
        EXPECT_EQ(convert("\xC6[", c.in, c.out, c.result), "\xC6[");
        EXPECT_STREQ(mdlhost_textWindow(), c.printed);
    }
}

TEST_F(TegnsettTest, KeysAndLettersOfEachSet)
{
    const struct {
        int16_t set;
        const char *oe, *aa;
    } cases[] = {{1, "\xD8", "\xC5"}, {2, "\\", "]"}, {3, "\x9D", "\x8F"}};
    for (const auto &c : cases) {
        ScharStruct k;
        memset(&k, 0x55, sizeof k);
        int16_t set = c.set;
        ASSERT_EQ(schar_init(&set, &k), 0);
        std::string oe = c.oe, aa = c.aa;
        EXPECT_EQ(k.OE, oe);
        EXPECT_EQ(k.AA, aa);
        EXPECT_EQ(k.hoydeKey, "..H" + oe + "YDE");
        EXPECT_EQ(k.coordKey, "..N" + oe);
        EXPECT_EQ(k.coordHKey, "..N" + oe + "H");
        EXPECT_EQ(k.coordDKey, "..N" + oe + "D");
        EXPECT_EQ(k.origoKey, "...ORIGO-N" + oe);
        EXPECT_EQ(k.omraadeKey, "..OMR" + aa + "DE");
        EXPECT_EQ(k.minKey, "...MIN-N" + oe);
        EXPECT_EQ(k.maxKey, "...MAX-N" + oe);
        EXPECT_EQ(k.nivaaKey, "..ZERA-NIV" + aa);
        EXPECT_EQ(k.pixelKey, "..PIXEL-ST" + oe + "RR");
        // The lowercase letters convert back to their uppercase in the set.
        std::string all = std::string(k.AE) + k.ae + k.OE + k.oe + k.AA + k.aa;
        EXPECT_EQ(convert(all, c.set, 1), "\xC6\xE6\xD8\xF8\xC5\xE5");
    }
    for (int16_t bad : {0, 4, 5}) {
        ScharStruct k;
        memset(&k, 0x55, sizeof k);
        EXPECT_EQ(schar_init(&bad, &k), -2);
        ScharStruct zero{};
        EXPECT_EQ(memcmp(&k, &zero, sizeof k), 0) << bad;
    }
}

TEST_F(TegnsettTest, DefaultHeader)
{
    SheadStruct h;
    ScharStruct k;
    memset(&h, 0x55, sizeof h);
    int16_t set = 3;
    ASSERT_EQ(shead_init(&set, &h, &k), 0);
    EXPECT_STREQ(h.tegnsett, "DOSN8");
    EXPECT_EQ(h.charset, 3);
    EXPECT_DOUBLE_EQ(h.minN, -9999999.9);
    EXPECT_DOUBLE_EQ(h.minH, -9999999.9);
    EXPECT_DOUBLE_EQ(h.maxE, 9999999.9);
    EXPECT_DOUBLE_EQ(h.enhet, 1.0);
    EXPECT_DOUBLE_EQ(h.zeraVersjon, 2.1);
    EXPECT_EQ(h.zeraNivaa, 4);
    EXPECT_EQ(h.koordsys, 0);
    EXPECT_STREQ(h.extraHead, "");
    EXPECT_STREQ(k.coordKey, "..N\x9D");
    EXPECT_EQ(Bmw.msgCount, 0);

    // An unknown code is fatal 3 of the routine that asked.
    bmw_sett("SG_HEAD", 0, BMW_WARNING);
    set = 9;
    EXPECT_EQ(shead_init(&set, &h, &k), -2);
    EXPECT_EQ(h.charset, 9);
    EXPECT_STREQ(h.tegnsett, "");
    ASSERT_EQ(Bmw.msgCount, 1);
    EXPECT_STREQ(Bmw.msg.rutnam[0], "SG_HEAD");
    EXPECT_EQ(Bmw.msg.number[0], 3);
    EXPECT_EQ(Bmw.msg.type[0], BMW_FATAL);
}

TEST_F(TegnsettTest, CanonicalNames)
{
    EXPECT_STREQ(tegnsett_navn(1), "DECM8");
    EXPECT_STREQ(tegnsett_navn(2), "DECN7");
    EXPECT_STREQ(tegnsett_navn(3), "DOSN8");
    EXPECT_STREQ(tegnsett_navn(4), "DECM8");
    EXPECT_STREQ(tegnsett_navn(0), "");
    EXPECT_STREQ(tegnsett_navn(5), "");
}

} // namespace
