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

} // namespace
