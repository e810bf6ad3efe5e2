#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine_testing.h"

namespace {

struct Rad {
    const char *tema;
    const char *objtype;
    const char *fkb;
    const char *datatype;
    const char *level;
    int colour;
    int multHoyde;
    const char *description;
};

class MtMatchTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        memset(&Mstemtab, 0, sizeof Mstemtab);
        memset(&MstemtabXml, 0, sizeof MstemtabXml);
        memset(&Fkbtab, 0, sizeof Fkbtab);
        memset(&Bmw, 0, sizeof Bmw);
        matchLevel = matchColor = matchWeight = matchStyle = 0;
        multHoyde = hoydeAvrunding = 0;
        xmlRun = 0;
        elmclr();
        for (int k = 0; k < ZERA_MAX_THEMES; k++)
            Elm.matchRow[k] = 99;
    }

    void TearDown() override
    {
        matchLevel = matchColor = matchWeight = matchStyle = 0;
        multHoyde = hoydeAvrunding = 0;
        EngineTest::TearDown();
    }

    // Appends a row; its FKB group is listed as selected unless already listed.
    int rad(const Rad &r)
    {
        int i = Mstemtab.rowCount++;
        kopier(Mstemtab.tema[i], MT_FIELD_LEN, r.tema);
        kopier(Mstemtab.objtype[i], MT_FIELD_LEN, r.objtype);
        kopier(Mstemtab.fkbGroup[i], MT_FIELD_LEN, r.fkb);
        kopier(Mstemtab.datatype[i], 2, r.datatype);
        kopier(Mstemtab.level[i], MT_FIELD_LEN, r.level);
        Mstemtab.colour[i] = r.colour;
        Mstemtab.multHoyde[i] = (int16_t)r.multHoyde;
        kopier(Mstemtab.description[i], MT_DESCRIPTION_LEN, r.description ? r.description : "");
        gruppe(r.fkb, 1);
        return i;
    }

    void gruppe(const char *name, int selected)
    {
        for (int i = 0; i < Fkbtab.count; i++)
            if (strcmp(Fkbtab.group[i], name) == 0)
                return;
        kopier(Fkbtab.group[Fkbtab.count], MT_FIELD_LEN, name);
        Fkbtab.selected[Fkbtab.count++] = selected;
    }

    void punkt(std::initializer_list<const char *> themes, double h = 0.0)
    {
        Elm.type = ZERA_PUNKT;
        Elm.themeCount = 0;
        for (const char *t : themes)
            kopier(Elm.theme[Elm.themeCount++], ZERA_THEME_LEN, t);
        Elm.pointCount = 1;
        Elm.N[0] = 100.0;
        Elm.E[0] = 200.0;
        Elm.H[0] = h;
        Elm.sameHeight = 1;
    }

    int16_t match(int16_t mode, const char *group = "")
    {
        return mt_match(&mode, group);
    }

    // Reason of the single unknown-theme entry; -1 when there is not exactly one.
    int ukjentGrunn() const
    {
        if (Bmw.unknownCount != 1 || strcmp(Bmw.tem.rutnam[0], "MSTEMTAB") != 0)
            return -1;
        return Bmw.tem.number[0];
    }
};

TEST_F(MtMatchTest, EachThemeGetsItsOwnRowAndOneHitIsEnough)
{
    rad({"1010", "", "FM", "P", "10", 1, 0, nullptr});
    punkt({"1010", "9999"});
    EXPECT_EQ(match(1), 0);
    EXPECT_EQ(Elm.matchRow[0], 0);
    EXPECT_EQ(Elm.matchRow[1], -1);
    EXPECT_EQ(Bmw.unknownCount, 0);
    EXPECT_EQ(Bmw.notImported[ZERA_PUNKT - 1], 0);
}

TEST_F(MtMatchTest, WrongDataTypeSkipsToALaterRow)
{
    rad({"1010", "", "FM", "L", "1", 1, 0, nullptr});
    rad({"1010", "", "FM", "P", "2", 1, 0, nullptr});
    punkt({"1010"});
    EXPECT_EQ(match(1), 0);
    EXPECT_EQ(Elm.matchRow[0], 1);

    // Only the line row: the point is unknown with the data-type reason.
    Mstemtab.rowCount = 1;
    EXPECT_EQ(match(1), -1);
    EXPECT_EQ(Elm.matchRow[0], -1);
    EXPECT_EQ(ukjentGrunn(), 25);
    EXPECT_STREQ(Bmw.tem.theme[0], "1010");
    EXPECT_EQ(Bmw.notImported[ZERA_PUNKT - 1], 1);
}

TEST_F(MtMatchTest, DataTypeOfEachElementType)
{
    const struct {
        int type;
        const char *fits;
    } cases[] = {{1, "P"}, {2, "P"}, {3, "L"}, {4, "L"}, {9, "L"}, {10, "T"}, {16, "T"},
                 {11, "F"}, {12, "F"}, {13, "F"}, {14, "*"}, {15, "*"}};
    const char *letters[] = {"P", "L", "T", "F"};
    for (const char *d : letters)
        rad({"1010", "", "FM", d, d, 1, 0, nullptr});
    for (const auto &c : cases) {
        punkt({"1010"});
        Elm.type = (int16_t)c.type;
        ASSERT_EQ(match(1), 0) << c.type;
        const char *want = c.fits[0] == '*' ? "P" : c.fits; // untested types take the first row
        EXPECT_STREQ(Mstemtab.datatype[Elm.matchRow[0]], want) << c.type;
    }
}

TEST_F(MtMatchTest, BlankObjectTypeRowMatchesOnlyByTheme)
{
    rad({"1010", "", "FM", "P", "1", 1, 0, nullptr});
    rad({"2020", "Veg\xE6r", "HDB", "P", "2", 1, 0, nullptr});

    // No object type on the element: the blank row is not a match for 5555.
    punkt({"5555"});
    EXPECT_EQ(match(1), -1);
    EXPECT_EQ(ukjentGrunn(), 19);

    // Object type, case ignored also for Latin-1 letters.
    memset(&Bmw, 0, sizeof Bmw);
    punkt({"5555"});
    kopier(Elm.objtype, sizeof Elm.objtype, "VEG\xC6R");
    EXPECT_EQ(match(1), 0);
    EXPECT_EQ(Elm.matchRow[0], 1);

    // No theme at all: one pass by object type.
    punkt({});
    kopier(Elm.objtype, sizeof Elm.objtype, "veg\xE6r");
    EXPECT_EQ(match(1), 0);
    EXPECT_EQ(Elm.matchRow[0], 1);
    EXPECT_EQ(Bmw.unknownCount, 0);
}

TEST_F(MtMatchTest, ThemesCompareIgnoringCase)
{
    rad({"abc\xF8", "", "FM", "P", "1", 1, 0, nullptr});
    punkt({"ABC\xD8"});
    EXPECT_EQ(match(1), 0);
    EXPECT_EQ(Elm.matchRow[0], 0);
}

TEST_F(MtMatchTest, RasterWithoutThemesIsLeftAlone)
{
    rad({"1010", "", "FM", "F", "1", 1, 0, nullptr});
    elmclr();
    Elm.type = ZERA_RASTER;
    EXPECT_EQ(match(1), 2);
    EXPECT_EQ(Bmw.unknownCount, 0);
    EXPECT_EQ(Bmw.notImported[ZERA_RASTER - 1], 0);
}

TEST_F(MtMatchTest, ExportTakesFirstRowOfTheColourWithFittingTypeAndGroup)
{
    matchColor = 1;
    rad({"1000", "A", "FM", "P", "lv1", 5, 0, nullptr});
    rad({"1001", "B", "FM", "L", "lv2", 3, 0, nullptr});
    rad({"1002", "C", "UT", "P", "lv3", 3, 0, nullptr});
    rad({"1003", "D", "FM", "P", "lv4", 3, 0, nullptr});
    rad({"1004", "E", "FM", "P", "lv5", 3, 0, nullptr});
    Fkbtab.selected[1] = 0; // "UT"

    punkt({});
    kopier(Elm.level, sizeof Elm.level, "Vegkant");
    Elm.colour = 3;
    EXPECT_EQ(match(2), 0);
    EXPECT_EQ(Elm.themeCount, 1);
    EXPECT_EQ(Elm.matchRow[0], 3);

    // A colour no row has: the level name becomes the unknown theme.
    Mstemtab.rowCount = 1;
    Mstemtab.colour[0] = 3;
    punkt({});
    kopier(Elm.level, sizeof Elm.level, "Vegkant");
    Elm.colour = 5;
    EXPECT_EQ(match(2), -1);
    EXPECT_EQ(ukjentGrunn(), 22);
    EXPECT_STREQ(Elm.theme[0], "Vegkant");
    EXPECT_STREQ(Bmw.tem.theme[0], "Vegkant");
    EXPECT_EQ(Bmw.notImported[ZERA_PUNKT - 1], 1);
}

TEST_F(MtMatchTest, ExportMatchWordsGiveTheirReasons)
{
    rad({"1000", "A", "FM", "P", "lv1", 3, 0, nullptr});
    Mstemtab.weight[0] = 2;
    Mstemtab.style[0] = 1;
    const struct {
        int32_t *word;
        int weight, style, reason;
    } cases[] = {{&matchWeight, 4, 1, 23}, {&matchStyle, 2, 6, 24}};
    for (const auto &c : cases) {
        memset(&Bmw, 0, sizeof Bmw);
        *c.word = 1;
        punkt({});
        Elm.weight = c.weight;
        Elm.style = c.style;
        EXPECT_EQ(match(2), -1);
        EXPECT_EQ(ukjentGrunn(), c.reason);
        *c.word = 0;
    }
    matchLevel = 1;
    punkt({});
    kopier(Elm.level, sizeof Elm.level, "lv2");
    memset(&Bmw, 0, sizeof Bmw);
    EXPECT_EQ(match(2), -1);
    EXPECT_EQ(ukjentGrunn(), 20); // a level miss is no candidate: the default reason
    kopier(Elm.level, sizeof Elm.level, "lv1");
    EXPECT_EQ(match(2), 0);
}

TEST_F(MtMatchTest, UnselectedGroupGivesUpTheThemeOnImportOnly)
{
    rad({"1010", "A", "UT", "P", "1", 1, 0, nullptr});
    rad({"1010", "A", "FM", "P", "2", 1, 0, nullptr});
    Fkbtab.selected[0] = 0;
    punkt({"1010"});
    EXPECT_EQ(match(1), -1);
    EXPECT_EQ(ukjentGrunn(), 26);

    // Export tries the next row.
    punkt({});
    EXPECT_EQ(match(2), 0);
    EXPECT_EQ(Elm.matchRow[0], 1);
}

TEST_F(MtMatchTest, UnlistedGroupIsSelectedOnlyWhenTheGroupTableIsFull)
{
    rad({"1010", "", "NY", "P", "1", 1, 0, nullptr});
    Fkbtab.count = 0;
    punkt({"1010"});
    EXPECT_EQ(match(1), -1);
    EXPECT_EQ(ukjentGrunn(), 26);

    for (int i = 0; i < FKB_MAX_GROUPS; i++) {
        snprintf(Fkbtab.group[i], MT_FIELD_LEN, "G%d", i);
        Fkbtab.selected[i] = 1;
    }
    Fkbtab.count = FKB_MAX_GROUPS;
    EXPECT_EQ(match(1), 0);
}

TEST_F(MtMatchTest, MultipleHeightRule)
{
    rad({"1010", "", "FM", "P", "1", 1, 1, nullptr});
    const struct {
        int interval;
        int rowFlag;
        double h;
        int16_t sameHeight;
        int16_t rc;
    } cases[] = {
        {10, 1, 10.04, 1, 0}, {10, 1, 9.96, 1, 0},  {10, 1, 10.06, 1, -1}, {10, 1, -0.04, 1, 0},
        {10, 1, 15.0, 0, 0},  {10, 0, 15.0, 1, 0},  {0, 1, 15.0, 1, 0},    {10, 1, 20.0, 1, 0},
    };
    for (const auto &c : cases) {
        memset(&Bmw, 0, sizeof Bmw);
        multHoyde = c.interval;
        Mstemtab.multHoyde[0] = (int16_t)c.rowFlag;
        punkt({"1010"}, c.h);
        Elm.sameHeight = c.sameHeight;
        EXPECT_EQ(match(1), c.rc) << c.h << " interval " << c.interval;
        if (c.rc != 0) {
            EXPECT_EQ(ukjentGrunn(), 27);
        }
    }
}

TEST_F(MtMatchTest, DescriptionConditionAndTheThirdQualityValue)
{
    rad({"1010", "", "FM", "P", "1", 1, 0, "..KVALITET 82 100 3"});
    const struct {
        const char *group;
        int16_t rc;
    } cases[] = {
        {".PUNKT 1:\n..PTEMA 1010\n..KVALITET 81 50 3\n..N\xD8\n1 2\n", 0},
        {".PUNKT 1:\n..PTEMA 1010\n..KVALITET 81 50 2\n..N\xD8\n1 2\n", -1},
        {".PUNKT 1:\n..PTEMA 1010\n..KVALITET 82 100 3\n", 0},
        {".PUNKT 1:\n..PTEMA 1010\n..KVALITET 81\n", -1},
        {".PUNKT 1:\n..PTEMA 1010\n", -1},
    };
    for (const auto &c : cases) {
        memset(&Bmw, 0, sizeof Bmw);
        punkt({"1010"});
        EXPECT_EQ(match(1, c.group), c.rc) << c.group;
        if (c.rc != 0) {
            EXPECT_EQ(ukjentGrunn(), 21) << c.group;
        }
    }

    // A zero third value is no match even when both say 0.
    kopier(Mstemtab.description[0], MT_DESCRIPTION_LEN, "..KVALITET 82 100 0");
    punkt({"1010"});
    EXPECT_EQ(match(1, "..KVALITET 81 50 0\n"), -1);
}

// The reason registered is that of the row that came nearest, over all
// the rows and themes tried, whichever was tried last.
TEST_F(MtMatchTest, ReasonIsTheNearestRowsOverAllRowsAndThemes)
{
    const struct {
        std::vector<Rad> rader;
        std::vector<const char *> temaer;
        int grunn;
    } tilfeller[] = {
        {{{"1010", "", "FM", "L", "1", 1, 0, nullptr}, {"2020", "", "FM", "P", "2", 1, 0, "..VEGNR 12"}},
         {"1010", "2020", "3030"},
         21},
        {{{"2020", "", "FM", "P", "2", 1, 0, "..VEGNR 12"}, {"1010", "", "FM", "L", "1", 1, 0, nullptr}},
         {"2020", "1010"},
         21},
        // One theme, two rows: the description is nearer than the data type.
        {{{"1010", "", "FM", "P", "1", 1, 0, "..VEGNR 12"}, {"1010", "", "FM", "L", "2", 1, 0, nullptr}},
         {"1010"},
         21},
        {{{"1010", "", "FM", "L", "1", 1, 0, nullptr}}, {"1010"}, 25},
        {{}, {"1010"}, 19},
    };
    for (const auto &t : tilfeller) {
        SCOPED_TRACE(t.grunn);
        memset(&Mstemtab, 0, sizeof Mstemtab);
        memset(&Bmw, 0, sizeof Bmw);
        for (const Rad &r : t.rader)
            rad(r);
        punkt({});
        for (const char *tema : t.temaer)
            kopier(Elm.theme[Elm.themeCount++], ZERA_THEME_LEN, tema);
        EXPECT_EQ(match(1, ".PUNKT 1:\n"), -1);
        EXPECT_EQ(ukjentGrunn(), t.grunn);
    }
}

TEST_F(MtMatchTest, CountsFromOutsideAreKeptInRange)
{
    rad({"1010", "", "FM", "P", "1", 1, 0, nullptr});
    punkt({"1010"});
    Elm.themeCount = 500;
    EXPECT_EQ(match(1), 0);
    EXPECT_EQ(Elm.themeCount, ZERA_MAX_THEMES);

    Mstemtab.rowCount = 1000000;
    punkt({"9999"});
    EXPECT_EQ(match(1), -1);
    Mstemtab.rowCount = -4;
    punkt({"1010"});
    EXPECT_EQ(match(1), -1);

    int16_t bad = 7;
    EXPECT_EQ(mt_match(&bad, ""), -1);
    EXPECT_EQ(mt_match(nullptr, ""), -1);
}

TEST_F(MtMatchTest, FillOnImportCopiesSymbology)
{
    int r = rad({"1010", "", "FM", "T", "Tekster", 7, 0, nullptr});
    Mstemtab.style[r] = 2;
    Mstemtab.weight[r] = 3;
    Mstemtab.font[r] = 4;
    Mstemtab.textHeight[r] = 2.5;
    Mstemtab.textWidth[r] = 3.0;
    const char16_t cell[] = u"KRYSS";
    memcpy(Mstemtab.cell[r], cell, sizeof cell);
    Mstemtab.cellScaleX[r] = 0.5;
    Mstemtab.cellScaleY[r] = 2.0;

    elmclr();
    Elm.type = ZERA_TEKST;
    Elm.matchRow[0] = r;
    int16_t mode = 1, k = 0;
    ASSERT_EQ(mt_fill(&mode, &k), 0);
    EXPECT_STREQ(Elm.level, "Tekster");
    EXPECT_EQ(Elm.style, 2);
    EXPECT_EQ(Elm.colour, 7);
    EXPECT_EQ(Elm.weight, 3);
    EXPECT_EQ(Elm.font, 4);
    EXPECT_DOUBLE_EQ(Elm.dim[0], 25.0);
    EXPECT_DOUBLE_EQ(Elm.dim[1], 30.0);
    EXPECT_EQ(std::u16string(Elm.cell), u"KRYSS");
    EXPECT_DOUBLE_EQ(Elm.cellScaleX, 0.5);
    EXPECT_DOUBLE_EQ(Elm.cellScaleY, 2.0);

    // A size given by the file stays.
    Elm.dim[0] = 12.0;
    Elm.dim[1] = 0.0;
    ASSERT_EQ(mt_fill(&mode, &k), 0);
    EXPECT_DOUBLE_EQ(Elm.dim[0], 12.0);
    EXPECT_DOUBLE_EQ(Elm.dim[1], 0.0);
}

TEST_F(MtMatchTest, FillOnExportSetsThemeObjectTypeAndDescription)
{
    int r = rad({"2101", "Kote", "HDB", "L", "5", 1, 1, "..VEGNR 12"});
    elmclr();
    Elm.type = ZERA_KURVE;
    Elm.themeCount = 3;
    Elm.matchRow[0] = r;
    matchLevel = 1;
    kopier(Elm.level, sizeof Elm.level, "5");
    int16_t mode = 2, k = 0;
    EXPECT_EQ(mt_fill(&mode, &k), 0);
    EXPECT_STREQ(Elm.theme[0], "2101");
    EXPECT_STREQ(Elm.objtype, "Kote");
    EXPECT_EQ(Elm.themeCount, 1);
    EXPECT_EQ(Elm.sameHeight, 1);
    EXPECT_NE(strstr(Elm.rest, "..VEGNR 12"), nullptr) << Elm.rest;
}

// A row that fits by data type alone names nothing: the element keeps the
// object type it carries, and one without is left out and registered.
TEST_F(MtMatchTest, FillOnExportNeverExchangesOrInventsAnObjectType)
{
    int r = rad({"2001", "Hoydekurve", "HDB", "L", "5", 1, 1, "..EKSTRA 1"});
    const struct {
        const char *navn;
        int level; // 1 the level chose the row, 2 the colour
        const char *nivaa, *objtype;
        int rc;
        const char *venterObjtype, *venterTema;
    } cases[] = {
        {"own object type, rows by data type", 0, "UnDefined", "Sti", 0, "Sti", ""},
        {"own object type, row by level", 1, "5", "Sti", 0, "Sti", ""},
        {"nothing of its own, rows by data type", 0, "UnDefined", "", -1, "", "UnDefined"},
        {"nothing of its own, row by another level", 1, "6", "", -1, "", "6"},
        {"nothing of its own, row by level", 1, "5", "", 0, "Hoydekurve", "2001"},
        {"nothing of its own, row by colour", 2, "UnDefined", "", 0, "Hoydekurve", "2001"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.navn);
        elmclr();
        memset(&Bmw, 0, sizeof Bmw);
        Elm.type = ZERA_LINJE;
        Elm.matchRow[0] = r;
        matchLevel = c.level == 1;
        matchColor = c.level == 2;
        kopier(Elm.level, sizeof Elm.level, c.nivaa);
        kopier(Elm.objtype, sizeof Elm.objtype, c.objtype);
        int16_t mode = 2, k = 0;
        EXPECT_EQ(mt_fill(&mode, &k), c.rc);
        EXPECT_STREQ(Elm.objtype, c.venterObjtype);
        EXPECT_STREQ(Elm.theme[0], c.venterTema);
        EXPECT_EQ(Elm.sameHeight, c.rc == 0 && c.venterTema[0] != '\0' ? 1 : 0) << "no height from another row";
        EXPECT_EQ(strstr(Elm.rest, "..EKSTRA") != nullptr, c.venterTema[0] == '2');
        EXPECT_EQ(Bmw.notImported[ZERA_LINJE - 1], c.rc == 0 ? 0 : 1);
    }
}

TEST_F(MtMatchTest, FillRefusesIndexesOutOfRange)
{
    rad({"1010", "", "FM", "P", "1", 1, 0, nullptr});
    const struct {
        int16_t k;
        int32_t row;
    } cases[] = {{-1, 0}, {ZERA_MAX_THEMES, 0}, {0, -1}, {0, 1}, {0, MT_MAX_ROWS}};
    for (const auto &c : cases) {
        elmclr();
        Elm.matchRow[0] = c.row;
        int16_t mode = 1, k = c.k;
        EXPECT_EQ(mt_fill(&mode, &k), -1) << c.k << " " << c.row;
    }
    Elm.matchRow[0] = 0;
    int16_t mode = 3, k = 0;
    EXPECT_EQ(mt_fill(&mode, &k), -1);
}

TEST_F(MtMatchTest, HeightRoundingHalvesGoUp)
{
    const struct {
        int step;
        int16_t sameHeight;
        double in[2];
        double out[2];
    } cases[] = {
        {5, 1, {12.74, 12.74}, {12.5, 12.5}},
        {5, 1, {12.74, 13.90}, {12.5, 12.5}},  // the first height for all
        {5, 0, {12.74, 13.90}, {12.74, 13.90}}, // only shared heights
        {-5, 0, {12.24, 12.26}, {12.0, 12.5}},
        {-5, 0, {12.25, -0.3}, {12.5, -0.5}},
        {-10, 0, {7.5, -7.5}, {8.0, -7.0}},
        {0, 1, {12.74, 12.74}, {12.74, 12.74}},
    };
    for (const auto &c : cases) {
        hoydeAvrunding = c.step;
        Elm.pointCount = 2;
        Elm.sameHeight = c.sameHeight;
        Elm.H[0] = c.in[0];
        Elm.H[1] = c.in[1];
        EXPECT_EQ(avrundHoyder(), 0);
        EXPECT_NEAR(Elm.H[0], c.out[0], 1e-9) << c.step << " " << c.in[0];
        EXPECT_NEAR(Elm.H[1], c.out[1], 1e-9) << c.step << " " << c.in[1];
    }
}

struct HeightCall {
    int calls;
    std::string theme;
    int type;
    int answer;
};
HeightCall heightCall;

int heightCallback(void *theme, int type)
{
    heightCall.calls++;
    heightCall.theme = static_cast<const char *>(theme);
    heightCall.type = type;
    return heightCall.answer;
}

TEST_F(MtMatchTest, ElementOffTheHeightIntervalIsLeftOut)
{
    MdlFunctionP cb = reinterpret_cast<MdlFunctionP>(&heightCallback);
    const struct {
        int interval;
        int answer;
        double h;
        int rc;
        int calls;
    } cases[] = {
        {10, 1, 10.06, -1, 1}, {10, 1, 10.04, 0, 1}, {10, 1, 9.96, 0, 1},
        {10, 0, 10.06, 0, 1},  {0, 1, 10.06, 0, 0},
    };
    for (const auto &c : cases) {
        memset(&Bmw, 0, sizeof Bmw);
        heightCall = {0, "", 0, c.answer};
        multHoyde = c.interval;
        punkt({"2101"}, c.h);
        Elm.type = ZERA_KURVE;
        EXPECT_EQ(UtelatElementPgaIkkeMultHoyde(cb), c.rc) << c.h;
        EXPECT_EQ(heightCall.calls, c.calls);
        if (c.calls > 0) {
            EXPECT_EQ(heightCall.theme, "2101");
            EXPECT_EQ(heightCall.type, ZERA_KURVE);
        }
        if (c.rc != 0) {
            EXPECT_EQ(ukjentGrunn(), 27);
            EXPECT_EQ(Bmw.notImported[ZERA_KURVE - 1], 1);
        } else {
            EXPECT_EQ(Bmw.unknownCount, 0);
        }
    }

    // Points of different heights and a missing callback never leave out.
    multHoyde = 10;
    punkt({"2101"}, 10.06);
    EXPECT_EQ(UtelatElementPgaIkkeMultHoyde(nullptr), 0);
    Elm.sameHeight = 0;
    EXPECT_EQ(UtelatElementPgaIkkeMultHoyde(cb), 0);
}

// With the rows sorted for an import, matching gives what the search row
// by row gives: the rows, the result and the reason registered, over
// random tables of themes and object types in both cases.
TEST_F(MtMatchTest, SortedRowsMatchAsTheRowByRowSearch)
{
    std::mt19937 rng(20251211);
    const char *const temaer[] = {"1010", "2101", "2200", "abc", "ABC", "\xE6gir", "\xC6GIR", ""};
    const char *const objtyper[] = {"", "", "Veg", "VEG", "veg", "Bygg", "\xF8y", "\xD8Y"};
    const char *const datatyper[] = {"P", "L", "T", "F"};
    const char *const grupper[] = {"FM", "HDB", "AV"};
    for (int runde = 0; runde < 400; runde++) {
        memset(&Mstemtab, 0, sizeof Mstemtab);
        memset(&Fkbtab, 0, sizeof Fkbtab);
        gruppe("AV", 0);
        int rader = (int)(rng() % 40);
        for (int i = 0; i < rader; i++)
            rad({temaer[rng() % 8], objtyper[rng() % 8], grupper[rng() % 3], datatyper[rng() % 4], "n", 1, 0,
                 rng() % 5 == 0 ? "..X" : nullptr});
        for (int e = 0; e < 10; e++) {
            elmclr();
            Elm.type = (int16_t)(1 + rng() % 13);
            Elm.themeCount = (int16_t)(rng() % 3);
            for (int k = 0; k < Elm.themeCount; k++)
                kopier(Elm.theme[k], ZERA_THEME_LEN, temaer[rng() % 8]);
            kopier(Elm.objtype, sizeof Elm.objtype, objtyper[rng() % 8]);
            const char *gruppeTekst = rng() % 2 == 0 ? "..X 1" : "..Y 1";
            int32_t rad[2][ZERA_MAX_THEMES];
            int16_t svar[2];
            int32_t ukjente[2];
            int16_t grunn[2];
            for (int indeks = 0; indeks < 2; indeks++) {
                mt_radindeks(indeks);
                memset(&Bmw.tem, 0, sizeof Bmw.tem);
                Bmw.unknownCount = 0;
                int16_t tema = Elm.themeCount;
                svar[indeks] = match(1, gruppeTekst);
                Elm.themeCount = tema;
                memcpy(rad[indeks], Elm.matchRow, sizeof rad[indeks]);
                ukjente[indeks] = Bmw.unknownCount;
                grunn[indeks] = Bmw.unknownCount > 0 ? Bmw.tem.number[0] : 0;
            }
            mt_radindeks(0);
            ASSERT_EQ(svar[0], svar[1]) << runde;
            ASSERT_EQ(0, memcmp(rad[0], rad[1], sizeof rad[0])) << runde;
            ASSERT_EQ(ukjente[0], ukjente[1]) << runde;
            ASSERT_EQ(grunn[0], grunn[1]) << runde;
        }
    }
}

} // namespace
