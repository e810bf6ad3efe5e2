#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "engine_testing.h"

namespace {

// The bounded search agrees with a plain search on texts dense in the
// keys' bytes, where it gives up its quick scan for memmem.
TEST(TekstTest, BoundedSearchFindsWhatAPlainSearchFinds)
{
    std::mt19937 rng(20240611);
    const char alfabet[] = {'.', '.', 'K', 'K', 'O', 'M', ' ', '\n'};
    const char *const fragments[] = {"..KOMM", "KOMM", "..", "...K", "K", ".M"};
    for (int round = 0; round < 2000; round++) {
        std::string t;
        size_t n = rng() % 1500;
        for (size_t i = 0; i < n; i++)
            t += alfabet[rng() % sizeof alfabet];
        size_t end = n == 0 ? 0 : rng() % (n + 1);
        for (const char *f : fragments) {
            size_t want = std::string_view(t.data(), end).find(f);
            const char *got = finn_tekst(t.c_str(), f, t.c_str() + end);
            ASSERT_EQ(got == nullptr ? std::string_view::npos : (size_t)(got - t.c_str()), want)
                << "round " << round << " fragment " << f << " end " << end;
        }
    }
    // The match right after the last failed place before the hand-over.
    const std::string kk = std::string(66, 'K') + "OMM";
    EXPECT_EQ(finn_tekst(kk.c_str(), "KOMM", kk.c_str() + kk.size()), kk.c_str() + 65);
}

TEST(TekstTest, KeySearchPassesKeysWithoutABoundary)
{
    std::string tett;
    for (int i = 0; i < 2000; i++)
        tett += "..KOMMX";
    const struct {
        const char *name;
        std::string text;
        size_t end; // npos: to the terminator
        size_t want;
    } cases[] = {
        {"after many longer keys", tett + "..KOMM 5\n", std::string::npos, tett.size()},
        {"inside a longer run of dots", "..KOMMENTAR 1\n...KOMM:2\n", std::string::npos, 15},
        {"cut by the end", "..KOMM 1\n", 4, std::string::npos},
        {"only longer keys", tett, std::string::npos, std::string::npos},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const char *t = c.text.c_str();
        const char *got = finn_nokkel(t, "..KOMM", c.end == std::string::npos ? nullptr : t + c.end);
        EXPECT_EQ(got == nullptr ? std::string::npos : (size_t)(got - t), c.want);
    }
}

// The key index of a group finds what finn_nokkel finds, for keys of dots
// and a word and for a key with a prefix, from the start and from inside,
// on texts dense in dots, boundaries and the keys' letters.
TEST(TekstTest, KeyIndexFindsWhatTheKeySearchFinds)
{
    std::mt19937 rng(20251211);
    const char *const biter[] = {".", "..", "...", "KP", "K", "P", "TEMA", "DST-COLOR", "! ", ":", " ", "\n", "\r",
                                 "\t", "x", "KOMM", "..KP", "..DATO", "! ..DST-COLOR 3\n", "\xD8"};
    const Nokkel nokler[] = {nokkel("..KP"),       nokkel("...KP"), nokkel("..DATO"),          nokkel("..KOMM"),
                             nokkel("..TEMA"),     nokkel("..K"),   nokkel("! ..DST-COLOR"),    nokkel("..N\xD8"),
                             nokkel("...PTEMA"),   nokkel("..P")};
    static Nokkelindeks indeks{};
    for (int runde = 0; runde < 3000; runde++) {
        std::string t;
        size_t deler = rng() % 120;
        for (size_t i = 0; i < deler; i++)
            t += biter[rng() % (sizeof biter / sizeof biter[0])];
        const char *tekst = t.c_str();
        const char *slutt = tekst + t.size();
        nokkelindeks_bygg(&indeks, tekst, slutt);
        for (const Nokkel &n : nokler) {
            ASSERT_TRUE(n.indeksert) << n.tekst;
            const char *fra = rng() % 2 == 0 ? tekst : tekst + rng() % (t.size() + 1);
            const char *til = fra + rng() % (size_t)(slutt - fra + 1);
            if (rng() % 3 == 0)
                til = slutt;
            ASSERT_EQ(nokkelindeks_finn(&indeks, n, fra, til), finn_nokkel(fra, n.tekst, til))
                << "round " << runde << " key " << n.tekst << " from " << fra - tekst << " to " << til - tekst;
        }
    }
    // Keys the index cannot hold are searched for in the text.
    EXPECT_FALSE(nokkel("..A B").indeksert);
    EXPECT_FALSE(nokkel(".A").indeksert);
    const char tekst[] = "x ..A B ..A";
    nokkelindeks_bygg(&indeks, tekst, tekst + strlen(tekst));
    EXPECT_EQ(nokkelindeks_finn(&indeks, nokkel("..A B"), tekst, tekst + strlen(tekst)), tekst + 2);
}

// Numbers as strtod and strtol read them in the C locale.
TEST(TekstTest, WholeTokenNumbersReadAsTheCLibraryReadsThem)
{
    const char *const tokens[] = {"0",     "-0",     "+5",   "12",    "1.5",     ".5",      "5.",   "-.5",
                                  "1e3",   "1E-3",   "1e",   "1e+",   "0x10",    "inf",     "nan",  "-inf",
                                  "1e400", "1e-400", "",     "-",     "+",       "1,5",     "12a",  "a12",
                                  "00012", "123456789012345678901234567890", "9223372036854775807",
                                  "9223372036854775808", "-9223372036854775808", "0.1", "2.675", "1e-310",
                                  "*",     "-x",     "- 5",  " 7",    "\t8",     "\n9",     "-+5",  "+-5"};
    for (const char *t : tokens) {
        SCOPED_TRACE(t);
        const char *e = t + strlen(t);
        double d = 0.0;
        char *sd = nullptr;
        double vd = strtod(t, &sd);
        bool hel = *t != '\0' && sd == e;
        ASSERT_EQ(tall_hel(t, e, &d), hel);
        if (hel && !std::isnan(vd)) {
            EXPECT_EQ(d, vd);
        }
        long l = 0;
        char *sl = nullptr;
        errno = 0;
        long vl = strtol(t, &sl, 10);
        bool helt = *t != '\0' && sl == e && errno == 0;
        ASSERT_EQ(tall_helt(t, e, &l), helt);
        if (helt) {
            EXPECT_EQ(l, vl);
        }
        EXPECT_EQ(tall_long(t), strtol(t, nullptr, 10));
    }
}

} // namespace
