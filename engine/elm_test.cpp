#include <cstring>

#include "engine_testing.h"

namespace {

TEST(ElmTest, ClearResetsFieldsButKeepsPointArrays)
{
    memset(&Elm, 0x5A, sizeof Elm);
    Elm.N[0] = 12.5;
    Elm.kp[0] = 7;
    Elm.ref[0] = 42;
    Elm.hoyde = 3.25;
    elmclr();
    EXPECT_EQ(Elm.pointCount, 0);
    EXPECT_EQ(Elm.refCount, 0);
    EXPECT_EQ(Elm.themeCount, 0);
    EXPECT_STREQ(Elm.theme[0], "");
    EXPECT_STREQ(Elm.objtype, "");
    EXPECT_STREQ(Elm.text, "");
    EXPECT_STREQ(Elm.rest, "");
    EXPECT_EQ(Elm.cell[0], 0);
    EXPECT_EQ(Elm.kvalitet[5], 0);
    EXPECT_DOUBLE_EQ(Elm.cellScaleX, 1.0);
    EXPECT_DOUBLE_EQ(Elm.cellScaleY, 1.0);
    EXPECT_EQ(Elm.font, 1);
    EXPECT_DOUBLE_EQ(Elm.N[0], 12.5);
    EXPECT_EQ(Elm.kp[0], 7);
    EXPECT_EQ(Elm.ref[0], 42);
    EXPECT_DOUBLE_EQ(Elm.hoyde, 3.25);
}

TEST(ElmTest, GroupNamesMapToTypeCodes)
{
    const struct {
        const char *name;
        int code;
    } cases[] = {{".PUNKT", 1},  {".SVERM", 2},    {".LINJE", 3},  {".KURVE", 4},   {".BUE", 5},     {".BUEP", 6},
                 {".SIRKEL", 7}, {".SIRKELP", 8},  {".KLOTOIDE", 9}, {".TEKST", 10}, {".TRASE", 11}, {".FLATE", 12},
                 {".STRUKTUR", 13}, {".RASTER", 15}, {".SYMBOL", 16}, {".HODE", 0},   {".DEF", -1},    {".SLUTT", -2},
                 {".punkt", -3}, {".FOO", -3},     {"", -3}};
    for (const auto &c : cases) {
        EXPECT_EQ(zera_typekode(c.name), c.code) << c.name;
        if (c.code != -3) {
            EXPECT_STREQ(zera_typenavn(c.code), c.name);
        }
    }
    EXPECT_STREQ(zera_typenavn(14), "");
}

} // namespace
