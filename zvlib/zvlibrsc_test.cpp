// zvlib's shared resource file: every message the library shows, each
// printf-style entry with exactly the conversions its callers pass.
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "rsc_testing.h"

namespace {

using rsctest::RscFixture;

const std::string ZVLIB_RSC = ZERA_SOURCE_DIR "/zvlib/zvlib.rsc";

// Argument kinds the callers pass, one letter per argument: s text,
// d int.  "" means the entry is shown as it stands (no arguments, or taken
// raw as a language text), so it must hold no '%' at all.
// Call sites: library start-up (20003/5: proposed path, application name
// twice, site configuration file, path; titles 38-40: application name;
// 57: the version text), installation program (20003/12: path), file
// reader (20005/1: path or reason, 20005/3: capacity, 2 and 4 none),
// resource and preference files (20005/1, 9, 10, 16: path), allocation
// (20005/14: none), utilities (20005/19, 20 none; language texts raw),
// application elements (20005/28: none).
const std::map<std::pair<int, int>, std::string> EXPECTED = {
    {{20003, 5}, "sssss"}, {{20003, 12}, "s"},

    {{20005, 1}, "s"},     {{20005, 2}, ""},      {{20005, 3}, "d"},  {{20005, 4}, ""},  {{20005, 9}, "s"},
    {{20005, 10}, "s"},    {{20005, 14}, ""},     {{20005, 16}, "s"}, {{20005, 19}, ""}, {{20005, 20}, ""},
    {{20005, 28}, ""},

    {{20007, 2}, ""},      {{20007, 3}, ""},      {{20007, 4}, ""},   {{20007, 5}, ""},  {{20007, 6}, ""},
    {{20007, 7}, ""},      {{20007, 8}, ""},      {{20007, 9}, ""},   {{20007, 10}, ""}, {{20007, 11}, ""},
    {{20007, 12}, ""},     {{20007, 13}, ""},     {{20007, 14}, ""},  {{20007, 15}, ""}, {{20007, 16}, ""},
    {{20007, 17}, ""},     {{20007, 18}, ""},     {{20007, 19}, ""},  {{20007, 20}, ""}, {{20007, 25}, ""},
    {{20007, 26}, ""},     {{20007, 27}, ""},     {{20007, 28}, ""},  {{20007, 29}, ""}, {{20007, 30}, ""},
    {{20007, 31}, ""},     {{20007, 37}, ""},     {{20007, 38}, "s"}, {{20007, 39}, "s"}, {{20007, 40}, "s"},
    {{20007, 41}, ""},     {{20007, 57}, "s"},    {{20007, 61}, ""},
};

// The argument kinds a printf format consumes, or "?" for a conversion
// this table has no kind for.
std::string conversions(const char *f)
{
    std::string kinds;
    for (const char *p = f; *p; p++) {
        if (*p != '%')
            continue;
        p++;
        if (*p == '%')
            continue;
        while (*p && strchr("-+ #0", *p))
            p++;
        if (*p == '*') {
            kinds += 'd';
            p++;
        }
        while (*p >= '0' && *p <= '9')
            p++;
        if (*p == '.') {
            p++;
            if (*p == '*') {
                kinds += 'd';
                p++;
            }
            while (*p >= '0' && *p <= '9')
                p++;
        }
        if (*p == '\0')
            return kinds + "?";
        switch (*p) {
        case 's': kinds += 's'; break;
        case 'd':
        case 'i': kinds += 'd'; break;
        default: return kinds + "?"; // a length modifier or another conversion
        }
    }
    return kinds;
}

TEST(ConversionKinds, TheCheckerReadsFormatsAsPrintfDoes)
{
    EXPECT_EQ(conversions("plain"), "");
    EXPECT_EQ(conversions("100%% %s, %-5d and %3.3s"), "sds");
    EXPECT_EQ(conversions("%*d"), "dd");
    EXPECT_EQ(conversions("%ld"), "?");
    EXPECT_EQ(conversions("%f"), "?");
    EXPECT_EQ(conversions("ends in %"), "?");
}

class ZvlibRscTest : public RscFixture {};

TEST_F(ZvlibRscTest, EveryEntryParsesAndTakesTheCallersArguments)
{
    ASSERT_EQ(mdlhost_openResourceFor(app_, ZVLIB_RSC.c_str()), 0) << window();
    std::map<std::pair<int, int>, std::string> seen;
    for (int list : {20003, 20005, 20007}) {
        const RscNode *l = mdlhost_rscFind(app_, "MessageList", list);
        ASSERT_NE(l, nullptr) << list;
        for (int i = 0; i < mdlhost_rscChildCount(l); i++) {
            const RscNode *e = mdlhost_rscChild(l, i);
            int entry = atoi(mdlhost_rscKeyword(e));
            seen[{list, entry}] = mdlhost_rscArg(e, 0);
        }
    }
    for (const auto &[key, text] : seen) {
        SCOPED_TRACE(std::to_string(key.first) + "/" + std::to_string(key.second) + ": " + text);
        auto want = EXPECTED.find(key);
        ASSERT_NE(want, EXPECTED.end()) << "an entry no caller uses";
        EXPECT_FALSE(text.empty());
        if (want->second.empty())
            EXPECT_EQ(text.find('%'), std::string::npos) << "shown as it stands: no percent sign";
        else
            EXPECT_EQ(conversions(text.c_str()), want->second);
    }
    for (const auto &[key, kinds] : EXPECTED)
        EXPECT_TRUE(seen.count(key)) << key.first << "/" << key.second << " is missing";
}

TEST_F(ZvlibRscTest, FormattedEntriesCarryTheirArguments)
{
    ASSERT_EQ(mdlhost_openResourceFor(app_, ZVLIB_RSC.c_str()), 0) << window();
    char out[1024];
    ASSERT_GT(mdlOutput_rscsPrintf(out, sizeof out, nullptr, 20003, 5, "C:\\a\\b\\", "ZvZera", "ZvZera",
                                   "C:\\site\\company.cfg", "C:\\a\\b\\"),
              0);
    EXPECT_NE(strstr(out, "ZV_DIR = C:\\a\\b\\"), nullptr) << out;
    EXPECT_NE(strstr(out, "C:\\site\\company.cfg"), nullptr) << out;
    ASSERT_GT(mdlOutput_rscsPrintf(out, sizeof out, nullptr, 20005, 3, 1024), 0);
    EXPECT_NE(strstr(out, "1024"), nullptr) << out;
    ASSERT_GT(mdlOutput_rscsPrintf(out, sizeof out, nullptr, 20007, 38, "ZvZera"), 0);
    EXPECT_EQ(std::string(out).rfind("ZvZera", 0), 0u) << out;
    ASSERT_GT(mdlOutput_rscsPrintf(out, sizeof out, nullptr, 20007, 57, "6.13"), 0);
    EXPECT_NE(strstr(out, "6.13"), nullptr) << out;
    // The labels the message box falls back to are the same words.
    const char *labels[] = {"OK", "Ja", "Fortsett", "Avbryt", "Nei", "Avslutt"};
    for (int i = 0; i < 6; i++)
        EXPECT_STREQ(mdlhost_messageListEntry(app_, 20007, 25 + i), labels[i]);
    // Twelve months and seven weekdays, Sunday first.
    EXPECT_STREQ(mdlhost_messageListEntry(app_, 20007, 2), "januar");
    EXPECT_STREQ(mdlhost_messageListEntry(app_, 20007, 13), "desember");
    EXPECT_STREQ(mdlhost_messageListEntry(app_, 20007, 14), "s\xF8ndag");
    EXPECT_STREQ(mdlhost_messageListEntry(app_, 20007, 20), "l\xF8rdag");
}

} // namespace
