// Named line styles and text styles of a design file, and the line-style
// modifiers of an element.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "dgn_testing.h"

using namespace dgntest;

namespace {

using StyleTest = DgnTest;

void reopen(const std::string &path)
{
    mdlhost_closeDesignFile();
    ASSERT_EQ(mdlSystem_newDesignFile(path.c_str()), 0);
}

TEST_F(StyleTest, NamedLineStylesAreNumberedAndSurviveTheFile)
{
    int32_t none = -1;
    EXPECT_EQ(mdlLineStyle_getNumber(&none, 0, "Gjerde"), DGNERR_NOTFOUND) << "a file without the table";
    EXPECT_EQ(none, 0);
    EXPECT_EQ(mdlhost_lineStyleNumbers(0, &none, 1), 0);

    const char *names[] = {"Gjerde", "Hekk \xE6\xF8\xE5", "Mur"};
    for (int i = 0; i < 3; i++) {
        int32_t n = 0;
        ASSERT_EQ(mdlLineStyle_create(0, names[i], &n), 0);
        EXPECT_EQ(n, i + 1);
    }
    int32_t again = 0;
    EXPECT_EQ(mdlLineStyle_create(0, "Mur", &again), DGNERR_EXISTS);
    EXPECT_EQ(again, 3);
    reopen(dgnPath());

    int32_t numbers[8] = {};
    ASSERT_EQ(mdlhost_lineStyleNumbers(0, numbers, 8), 3);
    EXPECT_EQ(numbers[2], 3);
    char name[MDLHOST_MAX_LINESTYLENAME + 1];
    for (int32_t n : {2, -2}) {
        ASSERT_EQ(mdlLineStyle_getName(name, sizeof name, 0, n), 0);
        EXPECT_STREQ(name, "Hekk \xE6\xF8\xE5") << "either sign names the style";
    }
    int32_t n = 0;
    EXPECT_EQ(mdlLineStyle_getNumber(&n, 0, "Hekk \xE6\xF8\xE5"), 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(mdlLineStyle_getNumber(&n, 0, "mur"), DGNERR_NOTFOUND) << "names compare exactly";
    // The name the GIS build's set-up calls it by answers the same.
    n = 9;
    EXPECT_EQ(mdlLineStyle_numberFromName(&n, 0, "Hekk \xE6\xF8\xE5"), 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(mdlLineStyle_numberFromName(&n, 0, "mur"), DGNERR_NOTFOUND);
    EXPECT_EQ(n, 0) << "no such style: 0";
    char small[4];
    ASSERT_EQ(mdlLineStyle_getName(small, sizeof small, 0, 1), 0);
    EXPECT_STREQ(small, "Gje");
    EXPECT_EQ(mdlLineStyle_getName(name, sizeof name, 0, 9), DGNERR_NOTFOUND);
    EXPECT_STREQ(name, "");

    const std::string tooLong(MDLHOST_MAX_LINESTYLENAME + 1, 'x');
    for (const char *bad : {"", tooLong.c_str(), static_cast<const char *>(nullptr)})
        EXPECT_EQ(mdlLineStyle_create(0, bad, &n), DGNERR_BADARG);
}

TEST_F(StyleTest, AFailedAddLeavesNoStyle)
{
    mdlhost_dgnBeginCommand();
    int32_t n = 0;
    ASSERT_EQ(mdlLineStyle_create(0, "Gjerde", &n), 0);
    mdlhost_dgnEndCommand(0);
    EXPECT_EQ(mdlLineStyle_getNumber(&n, 0, "Gjerde"), DGNERR_NOTFOUND);
    ASSERT_EQ(mdlLineStyle_create(0, "Gjerde", &n), 0);
    EXPECT_EQ(n, 1);
}

TEST_F(StyleTest, ModifiersTravelWithTheElementAndAreReplaced)
{
    MSElement el;
    DPoint3d p[2] = {{0, 0, 0}, {10, 0, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, p), 0);
    LineStyleParams got{};
    EXPECT_EQ(mdlElement_getLineStyleParams(&got, &el), DGNERR_NOTFOUND);

    LineStyleParams params{STYLEMOD_SCALE | STYLEMOD_SWIDTH | STYLEMOD_EWIDTH, 0, 2.5, 0.25, 0.25};
    ASSERT_EQ(mdlElement_setLineStyle(&el, -2, &params), 0);
    uint32_t pos = mdlElement_add(&el);
    ASSERT_NE(pos, 0u);
    MSElement back;
    ASSERT_EQ(mdlElement_read(&back, 0, pos), 0);
    int32_t style = 0;
    mdlElement_getSymbology(nullptr, nullptr, &style, &back);
    EXPECT_EQ(style, -2);
    ASSERT_EQ(mdlElement_getLineStyleParams(&got, &back), 0);
    EXPECT_EQ(got.modifiers, 0x19u);
    EXPECT_EQ(got.scale, 2.5);
    EXPECT_EQ(got.endWidth, 0.25);

    // A second set replaces the modifiers, one without any removes them.
    const int size = mdlElement_size(&back);
    params.scale = 4;
    ASSERT_EQ(mdlElement_setLineStyle(&back, -2, &params), 0);
    EXPECT_EQ(mdlElement_size(&back), size);
    ASSERT_EQ(mdlElement_getLineStyleParams(&got, &back), 0);
    EXPECT_EQ(got.scale, 4);
    ASSERT_EQ(mdlElement_setLineStyle(&back, 3, nullptr), 0);
    EXPECT_EQ(mdlElement_getLineStyleParams(&got, &back), DGNERR_NOTFOUND);

    params.scale = std::numeric_limits<double>::infinity();
    MSElement before;
    mdlElement_memcpy(&before, &back);
    EXPECT_EQ(mdlElement_setLineStyle(&back, -1, &params), DGNERR_BADARG);
    EXPECT_EQ(std::memcmp(&before, &back, size_t(mdlElement_size(&before))), 0);
}

TEST_F(StyleTest, TextStylesKeepTheirParameters)
{
    MdlTextStyle style{2.5, 3.0, 1.5, 0.2, 105, 8, TEXT_FLAG_SLANT};
    int32_t id = 0;
    ASSERT_EQ(mdlTextStyle_create(0, u"Tekst \u00C6", &style, &id), 0);
    EXPECT_EQ(id, 1);
    ASSERT_EQ(mdlTextStyle_create(0, u"Liten", &style, &id), 0);
    EXPECT_EQ(mdlTextStyle_create(0, u"Liten", &style, &id), DGNERR_EXISTS);
    EXPECT_EQ(id, 2);
    reopen(dgnPath());

    MdlTextStyle back{};
    ASSERT_EQ(mdlTextStyle_getByName(&back, &id, 0, u"Tekst \u00C6"), 0);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(back.width, 2.5);
    EXPECT_EQ(back.height, 3.0);
    EXPECT_EQ(back.lineSpacing, 1.5);
    EXPECT_EQ(back.slant, 0.2);
    EXPECT_EQ(back.font, 105);
    EXPECT_EQ(back.justification, 8);
    EXPECT_EQ(back.flags, TEXT_FLAG_SLANT);
    int32_t ids[4] = {};
    ASSERT_EQ(mdlhost_textStyleIds(0, ids, 4), 2);
    char16_t name[MDLHOST_MAX_TEXTSTYLENAME + 1];
    ASSERT_EQ(mdlTextStyle_getName(name, MDLHOST_MAX_TEXTSTYLENAME + 1, 0, ids[1]), 0);
    EXPECT_EQ(std::u16string(name), u"Liten");
    EXPECT_EQ(mdlTextStyle_getByName(&back, &id, 0, u"Ukjent"), DGNERR_NOTFOUND);

    style.height = std::nan("");
    EXPECT_EQ(mdlTextStyle_create(0, u"Feil", &style, &id), DGNERR_BADARG);
    EXPECT_EQ(mdlTextStyle_create(0, u"", &back, &id), DGNERR_BADARG);
}

} // namespace
