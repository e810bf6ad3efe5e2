// Element attribute sets: the list, symbology and texts on real design
// files, and the stored records in real resource files.
#include <cmath>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "testing/zvlibdgn_testing.h"
#include "zvlibelmattr.h"
#include "zvlibelement.h"
#include "zvlibresource.h"
#include "zvlibutil.h"

namespace {

constexpr unsigned ZvA3 = unsigned(MDLHOST_FOURCC('Z', 'v', 'A', '3'));
constexpr unsigned ZvAs = unsigned(MDLHOST_FOURCC('Z', 'v', 'A', 's'));
constexpr unsigned ZvA2 = unsigned(MDLHOST_FOURCC('Z', 'v', 'A', '2'));
constexpr unsigned ASD3 = unsigned(MDLHOST_FOURCC('A', 'S', 'D', '3'));
constexpr unsigned ASNa = unsigned(MDLHOST_FOURCC('A', 'S', 'N', 'a'));
constexpr unsigned ASNo = unsigned(MDLHOST_FOURCC('A', 'S', 'N', 'o'));

std::vector<ZvlibElmAttrCallbackInfo> calls;
int changeCallback(ZvlibElmAttrCallbackInfo *info)
{
    calls.push_back(*info);
    return 0;
}
MdlFunctionP callback() { return reinterpret_cast<MdlFunctionP>(changeCallback); }

ZvlibElmAttrSettings textSettings()
{
    ZvlibElmAttrSettings s{};
    s.colour = 4;
    s.weight = 1;
    s.font = 105;
    s.textWidth = 3.5;
    s.textHeight = 3.5;
    s.justification = 8;
    s.lineSpacingFactor = 0.5;
    s.useFlags = 0xF7;
    return s;
}

void setLevel(ZvlibElmAttrSettings &s, const std::u16string &name)
{
    std::fill(std::begin(s.levelName), std::end(s.levelName), 0);
    std::copy(name.begin(), name.end(), s.levelName);
}

int32_t at32(const uint8_t *bytes, size_t offset)
{
    int32_t v;
    memcpy(&v, bytes + offset, 4);
    return v;
}
double at64(const uint8_t *bytes, size_t offset)
{
    double v;
    memcpy(&v, bytes + offset, 8);
    return v;
}

class ElmAttrTest : public zvlibtest::DgnAppTest {
  protected:
    void SetUp() override
    {
        DgnAppTest::SetUp();
        calls.clear();
        ASSERT_EQ(zvlibElmAttr_setGroupeNames(2, "Veg", 0, 0u, "Bygning", 1, 0u), 0);
    }
    void TearDown() override
    {
        zvlibElmAttr_setGroupeNames(0);
        DgnAppTest::TearDown();
    }
    // Types 1, 4 and 7 (with choices) as ids 1, 2 and 3.
    void registerThree()
    {
        ZvlibElmAttrSettings s{};
        s.colour = 3;
        s.useFlags = ZVLIB_ATTR_COLOUR;
        ASSERT_EQ(zvlibElmAttr_addAttribute(1, "Kant", 0, 1, 0, callback(), 0, &s), 0);
        ZvlibElmAttrSettings t = textSettings();
        ASSERT_EQ(zvlibElmAttr_addAttribute(2, "Navn", 0, 4, 16, nullptr, 0, &t), 0);
        t.v.choiceText[0] = 'A';
        t.choiceValue = 2;
        ASSERT_EQ(zvlibElmAttr_addAttribute(3, "Valg", 1, 7, 0, callback(), 0, &t, "Velg", 2, "Asfalt", 1, "Grus", 2),
                  0);
    }
    ZvHandle openRsc(const char *name, int mode = ZVLIB_RSC_READWRITE)
    {
        ZvHandle zh{};
        EXPECT_EQ(zvlibResource_openFile(&zh, path(name).c_str(), mode), 0);
        return zh;
    }
};

// --- the list --------------------------------------------------------------------------

TEST_F(ElmAttrTest, TheListKeepsLabelsChoicesAndCallbacksPerGroup)
{
    registerThree();
    const ZvlibElmAttr *valg = elmAttr_find(3);
    ASSERT_NE(valg, nullptr);
    EXPECT_STREQ(valg->promptText, "Velg");
    ASSERT_EQ(valg->choiceCount, 2);
    EXPECT_STREQ(valg->choices[1].text, "Grus");
    EXPECT_EQ(valg->choices[1].value, 2);
    EXPECT_EQ(valg->maxTextLength, ZVLIB_ATTR_DEFAULT_TEXTLEN);

    EXPECT_EQ(zvlibElmAttr_findIdForAttributeName("Valg", 1), 3);
    EXPECT_EQ(zvlibElmAttr_findIdForAttributeName("Valg", 0), 0) << "the right label in another group";
    EXPECT_EQ(zvlibElmAttr_findIdForAttributeName("valg", 1), 0) << "case counts";

    // A label longer than the caller's room is cut, never overrun.
    std::string longLabel(120, 'x');
    ASSERT_EQ(elmAttr_setLabel(elmAttr_find(1), longLabel.c_str()), 0);
    char label[ZVLIB_ATTR_LABEL_LEN + 8];
    memset(label, '#', sizeof label);
    ASSERT_EQ(zvlibElmAttr_getLabelFromId(1, label), 0);
    EXPECT_EQ(strlen(label), size_t(ZVLIB_ATTR_LABEL_LEN - 1));
    EXPECT_EQ(label[ZVLIB_ATTR_LABEL_LEN], '#');
    char small[5];
    ASSERT_EQ(zvlibElmAttr_getLabelFromIdExtended(2, small, sizeof small), 0);
    EXPECT_STREQ(small, "Navn");
    EXPECT_EQ(zvlibElmAttr_getLabelFromId(99, label), ZVLIB_FAILURE);

    ZvlibElmAttrSettings out{};
    ASSERT_EQ(zvlibElmAttr_extractData(2, &out), 0);
    EXPECT_EQ(out.font, 105);
    EXPECT_EQ(zvlibElmAttr_extractData(2, nullptr), 0);
    EXPECT_EQ(zvlibElmAttr_extractData(99, &out), ZVLIB_FAILURE);
    out.colour = 9;
    ASSERT_EQ(zvlibElmAttr_editAttribute(2, 0, &out), 0);
    EXPECT_EQ(elmAttr_find(2)->settings.colour, 9u);
    EXPECT_EQ(zvlibElmAttr_editAttribute(99, 0, &out), ZVLIB_FAILURE);
    ASSERT_EQ(zvlibElmAttr_editAttributeExtended(2, 0, &out, callback()), 0);
    EXPECT_EQ(elmAttr_find(2)->changeCallback, callback());

    ASSERT_EQ(zvlibElmAttr_deleteAttribute(2, 1), 0);
    EXPECT_EQ(elmAttr_find(2), nullptr);
    EXPECT_EQ(zvlibElmAttr_deleteAttribute(2, 1), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibMain_getGlobalDataP()->attributeCount, 2);
    EXPECT_EQ(zvlibElmAttr_addAttribute(4, "Feil", 0, 8, 0, nullptr, 0, &out), ZVLIB_FAILURE) << "no type 8";
}

TEST_F(ElmAttrTest, GroupsAreFoundByKeyAndTheirFlagDropsCallbacks)
{
    ASSERT_EQ(zvlibElmAttr_setGroupeNamesExtended(2, "Meny", 7, 4u, callback(), "Vanlig", 3, 1u, nullptr), 0);
    EXPECT_EQ(elmAttr_findGroup(0), nullptr) << "keys are not indexes";
    ASSERT_NE(elmAttr_findGroup(7), nullptr);
    EXPECT_STREQ(elmAttr_findGroup(7)->name, "Meny");
    EXPECT_EQ(elmAttr_findGroup(7)->changeCallback, callback());
    ZvlibElmAttrSettings s{};
    ASSERT_EQ(zvlibElmAttr_addAttribute(1, "a", 7, 1, 0, callback(), 0, &s), 0);
    ASSERT_EQ(zvlibElmAttr_addAttribute(2, "b", 3, 1, 0, callback(), 0, &s), 0);
    ASSERT_EQ(zvlibElmAttr_addAttribute(3, "c", 42, 1, 0, callback(), 0, &s), 0);
    EXPECT_EQ(elmAttr_find(1)->changeCallback, nullptr) << "a group with the menu-bar flag";
    EXPECT_EQ(elmAttr_find(2)->changeCallback, callback());
    EXPECT_EQ(elmAttr_find(3)->changeCallback, nullptr) << "no group of that key";
    // New groups clear the attributes.
    ASSERT_EQ(zvlibElmAttr_setGroupeNames(1, "Ny", 0, 0u), 0);
    EXPECT_EQ(elmAttr_first(), nullptr);
    EXPECT_EQ(zvlibMain_getGlobalDataP()->attributeCount, 0);
}

TEST_F(ElmAttrTest, InsertTakesTheNextFreeIdAtOnce)
{
    registerThree();
    ZvlibElmAttrSettings s{};
    s.colour = 12;
    ASSERT_EQ(zvlibElmAttr_insertAttribute(3, "Kopi", 5, &s), 0);
    const ZvlibElmAttr *copy = elmAttr_find(4);
    ASSERT_NE(copy, nullptr) << "largest id + 1, though no dialog ever filled its list";
    EXPECT_STREQ(copy->label, "Kopi");
    EXPECT_EQ(copy->hiddenMask, 5u);
    EXPECT_EQ(copy->settings.colour, 12u);
    EXPECT_EQ(copy->type, 7);
    EXPECT_EQ(copy->groupKey, 0) << "the group of the dialog's working copy";
    ASSERT_EQ(copy->choiceCount, 2);
    EXPECT_NE(copy->choices, elmAttr_find(3)->choices) << "its own copies";
    EXPECT_STREQ(copy->choices[0].text, "Asfalt");
    EXPECT_EQ(copy->next, elmAttr_find(3)) << "in front of the original";
    EXPECT_EQ(zvlibElmAttr_insertAttribute(99, "x", 0, &s), ZVLIB_FAILURE);
}

// --- symbology and texts -------------------------------------------------------------------

TEST_F(ElmAttrTest, SymbologyFollowsTheUseFlagsWithNamedStylesAndModifiers)
{
    ZvlibElmAttrSettings s = textSettings();
    s.useFlags = ZVLIB_ATTR_COLOUR | ZVLIB_ATTR_LEVEL;
    setLevel(s, u"Road");
    ASSERT_EQ(zvlibElmAttr_addAttribute(1, "Veg", 0, 1, 0, nullptr, 0, &s), 0);
    const DPoint3d pts[2] = {{0, 0, 0}, {10, 0, 0}};
    ASSERT_EQ(zvlibElement_createLine(pts, 1, nullptr), 0);
    MSElement *el = zvlibElement_getElementBuffer();
    uint32_t colour = 0, weight = 7, level = 0;
    int32_t style = 9;
    mdlElement_getSymbology(&colour, &weight, &style, el);
    EXPECT_EQ(colour, 4u);
    EXPECT_EQ(weight, 0u);
    EXPECT_EQ(style, 0);
    uint32_t road = 0;
    ASSERT_EQ(mdlLevel_getIdFromName(&road, 0, u"Road"), 0) << "the level was created";
    mdlElement_getProperties(&level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, el);
    EXPECT_EQ(level, road);

    int32_t number = 0;
    ASSERT_EQ(mdlLineStyle_create(0, "Gjerde", &number), 0);
    ASSERT_EQ(mdlLineStyle_create(0, "Hekk", &number), 0);
    ZvlibElmAttrSettings named{};
    named.lineStyle = -1;
    snprintf(named.lineStyleName, sizeof named.lineStyleName, "Hekk");
    named.lineStyleScale = 2.5;
    named.lineStyleWidth = 0.3;
    named.useFlags = ZVLIB_ATTR_LINESTYLE | ZVLIB_ATTR_STYLEWIDTH | ZVLIB_ATTR_STYLESCALE;
    ASSERT_EQ(zvlibElmAttr_addAttribute(2, "Hekk", 0, 1, 0, nullptr, 0, &named), 0);
    MSElement line;
    ASSERT_EQ(mdlLine_create(&line, nullptr, pts), 0);
    ZvlibElmAttrSettings copied{};
    ASSERT_EQ(zvlibElmAttr_setSymbologyAndProperties(&line, 2, &copied), 0);
    EXPECT_STREQ(copied.lineStyleName, "Hekk");
    mdlElement_getSymbology(nullptr, nullptr, &style, &line);
    EXPECT_EQ(style, -number) << "the number of the name in the active design";
    LineStyleParams params{};
    ASSERT_EQ(mdlElement_getLineStyleParams(&params, &line), 0);
    EXPECT_EQ(params.modifiers, 0x19u);
    EXPECT_EQ(params.scale, 2.5);
    EXPECT_EQ(params.startWidth, 0.3);
    EXPECT_EQ(params.endWidth, 0.3);

    // A name the design does not know leaves the element's style.
    snprintf(elmAttr_find(2)->settings.lineStyleName, ZVLIB_ATTR_STYLENAME_LEN, "Ukjent");
    ASSERT_EQ(mdlLine_create(&line, nullptr, pts), 0);
    ASSERT_EQ(zvlibElmAttr_setSymbologyAndProperties(&line, 2, nullptr), 0);
    mdlElement_getSymbology(nullptr, nullptr, &style, &line);
    EXPECT_EQ(style, 0);
}

TEST_F(ElmAttrTest, TextsTakeTheAttributesTextSettingsDividedByTheScale)
{
    ZvlibElmAttrSettings s = textSettings();
    s.useFlags = ZVLIB_ATTR_TEXTSIZE;
    ASSERT_EQ(zvlibElmAttr_addAttribute(1, "Navn", 0, 4, 0, nullptr, 0, &s), 0);
    MSElement out;
    ASSERT_EQ(zvlibElmAttr_createText(&out, nullptr, "Tekst", nullptr, nullptr, 0, 1, 2.0, nullptr), 0);
    TextParamWide p{};
    ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, nullptr, &p, nullptr, &out), 0);
    EXPECT_DOUBLE_EQ(p.size.width, 1.75);
    EXPECT_DOUBLE_EQ(p.size.height, 1.75);
    EXPECT_DOUBLE_EQ(p.lineSpacing, 0.875);
    for (double scale : {0.0, -2.0})
        EXPECT_EQ(zvlibElmAttr_createText(&out, nullptr, "x", nullptr, nullptr, 0, 1, scale, nullptr), ZVLIB_FAILURE);

    // Through the element calls: justification for one text, and the size.
    elmAttr_find(1)->settings.useFlags = ZVLIB_ATTR_TEXTSIZE | ZVLIB_ATTR_FONT | ZVLIB_ATTR_JUSTIFICATION;
    const DPoint3d origin{5, 5, 0};
    const int just = 12;
    ASSERT_EQ(zvlibElement_createText(&origin, "To", 0.5, &just, 1, nullptr), 0);
    ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, nullptr, &p, nullptr, zvlibElement_getElementBuffer()), 0);
    EXPECT_EQ(p.justification, 12);
    EXPECT_EQ(p.font, 105);
    EXPECT_DOUBLE_EQ(p.size.height, 7.0);
    EXPECT_EQ(elmAttr_find(1)->settings.justification, 8) << "the attribute keeps its own";
    double width = 0, lineHeight = 0, total = 0;
    ASSERT_EQ(zvlibUtil_extractTextSize("en\\nto", 1.0, 1, 0.5, &width, &lineHeight, &total, nullptr), 0);
    EXPECT_GT(width, 0);
    EXPECT_DOUBLE_EQ(total, 2 * lineHeight + 0.5);
}

TEST_F(ElmAttrTest, ATextStyleOfTheDesignGivesItsParameters)
{
    MdlTextStyle style{2000, 4000, 500, 0, 43, 7, 0};
    int32_t styleId = 0;
    ASSERT_EQ(mdlTextStyle_create(0, u"Vegnavn", &style, &styleId), 0);
    ZvlibElmAttrSettings s{};
    const std::u16string name = u"Vegnavn";
    std::copy(name.begin(), name.end(), s.u.textStyleName);
    s.useFlags = ZVLIB_ATTR_TEXTSTYLE;
    ASSERT_EQ(zvlibElmAttr_addAttribute(1, "Stil", 0, 4, 0, nullptr, 0, &s), 0);
    MSElement out;
    ASSERT_EQ(zvlibElmAttr_createText(&out, nullptr, "x", nullptr, nullptr, 0, 1, 2.0, nullptr), 0);
    TextParamWide p{};
    ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, nullptr, &p, nullptr, &out), 0);
    // UOR of the style, in master units (1000 per metre), divided by the scale.
    EXPECT_DOUBLE_EQ(p.size.width, 1.0);
    EXPECT_DOUBLE_EQ(p.size.height, 2.0);
    EXPECT_EQ(p.font, 43);
    EXPECT_EQ(p.justification, 7);
}

TEST_F(ElmAttrTest, WithoutTheirOwnSettingsTextsTakeTheHostsActiveOnes)
{
    // A style without a size takes the active text size; a text without a
    // slant of its own takes the host's, without a font the active font.
    MdlTextStyle style{0, 0, 0, 0, 43, 7, 0};
    int32_t styleId = 0;
    ASSERT_EQ(mdlTextStyle_create(0, u"Tom", &style, &styleId), 0);
    const double size = 6.0;
    ASSERT_EQ(mdlParams_setActive(&size, ACTIVEPARAM_TEXTSIZE), 0);
    const int32_t font = 3;
    ASSERT_EQ(mdlParams_setActive(&font, ACTIVEPARAM_FONT), 0);
    ZvlibElmAttrSettings s{};
    const std::u16string name = u"Tom";
    std::copy(name.begin(), name.end(), s.u.textStyleName);
    s.useFlags = ZVLIB_ATTR_TEXTSTYLE;
    ASSERT_EQ(zvlibElmAttr_addAttribute(1, "Stil", 0, 4, 0, nullptr, 0, &s), 0);
    ZvlibElmAttrSettings plain = textSettings();
    plain.useFlags = ZVLIB_ATTR_TEXTSIZE;
    ASSERT_EQ(zvlibElmAttr_addAttribute(2, "Enkel", 0, 4, 0, nullptr, 0, &plain), 0);
    const double slant = tcbP->textSlant;
    tcbP->textSlant = 15.0;
    MSElement out;
    TextParamWide p{};
    ASSERT_EQ(zvlibElmAttr_createText(&out, nullptr, "x", nullptr, nullptr, 0, 1, 2.0, nullptr), 0);
    ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, nullptr, &p, nullptr, &out), 0);
    EXPECT_DOUBLE_EQ(p.size.width, 3.0);
    EXPECT_DOUBLE_EQ(p.size.height, 3.0);
    EXPECT_EQ(p.flags & TEXT_FLAG_SLANT, 0u) << "a style keeps its own slant";
    ASSERT_EQ(zvlibElmAttr_createText(&out, nullptr, "x", nullptr, nullptr, 0, 2, 1.0, nullptr), 0);
    ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, nullptr, &p, nullptr, &out), 0);
    EXPECT_NE(p.flags & TEXT_FLAG_SLANT, 0u);
    EXPECT_NEAR(p.slant, 15.0 * M_PI / 180.0, 1e-12);
    EXPECT_EQ(p.font, 3);
    tcbP->textSlant = slant;
    const double one = 1.0;
    const int32_t zero = 0;
    mdlParams_setActive(&one, ACTIVEPARAM_TEXTSIZE);
    mdlParams_setActive(&zero, ACTIVEPARAM_FONT);
    const double ingen = 0.0;
    EXPECT_NE(mdlParams_setActive(&ingen, ACTIVEPARAM_TEXTSIZE), 0) << "a size must be positive";
}

// --- stored records ----------------------------------------------------------------------------

TEST_F(ElmAttrTest, RecordsAreStoredAtTheirOffsetsAndReadBack)
{
    registerThree();
    ZvHandle zh = openRsc("attr.rsc");
    ASSERT_EQ(zvlibElmAttr_writeResourceByHandle(&zh), 0);
    zvlibResource_closeFile(&zh);

    zh = openRsc("attr.rsc", ZVLIB_RSC_READONLY);
    uint8_t bytes[ZVLIB_ATTR_RECORD3_SIZE];
    ASSERT_EQ(zvlibResource_load(&zh, ZvA3, 2, bytes, sizeof bytes), 0);
    EXPECT_EQ(zvlibResource_load(&zh, ZvA3, 2, bytes, sizeof bytes + 1), ZVLIB_FAILURE) << "exactly 1480 bytes";
    EXPECT_EQ(at32(bytes, 0), 0);
    EXPECT_EQ(at32(bytes, 4), 4);
    EXPECT_EQ(at32(bytes, 8), 2);
    EXPECT_EQ(at32(bytes, 20), 16);
    EXPECT_EQ(at32(bytes, 36), 80);
    EXPECT_EQ(at32(bytes, 48), 4) << "colour";
    EXPECT_EQ(at32(bytes, 1088), 0xF7) << "use flags";
    EXPECT_EQ(at32(bytes, 1340), 105) << "font";
    EXPECT_EQ(at64(bytes, 1352), 3.5) << "text height";
    EXPECT_EQ(at32(bytes, 1360), 8) << "justification";
    for (size_t slot : {12u, 16u, 28u, 32u, 40u, 1472u})
        EXPECT_EQ(at32(bytes, slot), 0) << "pointer slot " << slot;
    ASSERT_EQ(zvlibResource_load(&zh, ZvA3, 3, bytes, sizeof bytes), 0);
    EXPECT_EQ(at32(bytes, 24), 2) << "the choice count, written but never read";
    EXPECT_EQ(at32(bytes, 1468), 2) << "choice value";
    EXPECT_EQ(char(bytes[1384]), 'A') << "choice text";

    // Settings changed in memory come back from the file; the rest stays.
    elmAttr_find(1)->settings.colour = 77;
    elmAttr_find(3)->settings.font = 1;
    ASSERT_EQ(zvlibElmAttr_readResourceByHandle(&zh), 0);
    zvlibResource_closeFile(&zh);
    EXPECT_EQ(elmAttr_find(1)->settings.colour, 3u);
    EXPECT_EQ(elmAttr_find(3)->settings.font, 105);
    EXPECT_STREQ(elmAttr_find(3)->label, "Valg");
    EXPECT_STREQ(elmAttr_find(3)->choices[0].text, "Asfalt");
    EXPECT_EQ(elmAttr_find(1)->changeCallback, callback());

    // By name, the same.
    elmAttr_find(1)->settings.colour = 77;
    ASSERT_EQ(zvlibElmAttr_readResource(path("attr.rsc").c_str()), 0);
    EXPECT_EQ(elmAttr_find(1)->settings.colour, 3u);
    ASSERT_EQ(zvlibElmAttr_writeResource(path("by-name.rsc").c_str()), 0);
}

TEST_F(ElmAttrTest, ANullOrClosedHandleChangesNothing)
{
    registerThree();
    elmAttr_find(1)->settings.colour = 77;
    ZvHandle closed{};
    for (ZvHandle *zh : {static_cast<ZvHandle *>(nullptr), &closed}) {
        EXPECT_EQ(zvlibElmAttr_readResourceByHandle(zh), ZVLIB_FAILURE);
        EXPECT_EQ(zvlibElmAttr_writeResourceByHandle(zh), ZVLIB_FAILURE);
    }
    EXPECT_EQ(elmAttr_find(1)->settings.colour, 77u);
    EXPECT_EQ(zvlibElmAttr_readResource(path("missing.rsc").c_str()), ZVLIB_FAILURE);
}

TEST_F(ElmAttrTest, AFailedWriteIsReportedAndTheOthersAreStillTried)
{
    registerThree();
    const std::string file = path("feil.rsc");
    ZvHandle made = openRsc("feil.rsc");
    zvlibResource_closeFile(&made);
    // The first record's write fails: by name the failure is passed on.
    mdlhost_rscFailWrites(1);
    EXPECT_EQ(zvlibElmAttr_writeResource(file.c_str()), ZVLIB_FAILURE);
    mdlhost_rscFailWrites(0);
    ZvHandle zh = openRsc("feil.rsc", ZVLIB_RSC_READONLY);
    uint8_t bytes[ZVLIB_ATTR_RECORD3_SIZE];
    EXPECT_EQ(zvlibResource_load(&zh, ZvA3, 1, bytes, sizeof bytes), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibResource_load(&zh, ZvA3, 3, bytes, sizeof bytes), 0) << "later attributes are still written";
    zvlibResource_closeFile(&zh);

    made = openRsc("feil2.rsc");
    zvlibResource_closeFile(&made);
    mdlhost_rscFailWrites(1);
    EXPECT_EQ(zvlibElmAttr_writeResourceExtended(path("feil2.rsc").c_str()), ZVLIB_FAILURE);
    mdlhost_rscFailWrites(0);
    mdlhost_clearTextWindow();
}

TEST_F(ElmAttrTest, OlderRecordsAreConvertedForRegisteredIdsOnly)
{
    int32_t number = 0;
    for (const char *name : {"Gjerde", "Hekk", "Mur"})
        ASSERT_EQ(mdlLineStyle_create(0, name, &number), 0);
    ZvlibElmAttrSettings s = textSettings();
    ASSERT_EQ(zvlibElmAttr_addAttribute(7, "Sju", 0, 4, 0, nullptr, 0, &s), 0);
    ASSERT_EQ(zvlibElmAttr_addAttribute(8, "Åtte", 0, 4, 0, nullptr, 0, &s), 0);
    s.lineStyle = -3;
    s.colour = 33;
    ASSERT_EQ(zvlibElmAttr_addAttribute(9, "Ni", 0, 1, 0, nullptr, 0, &s), 0);

    ZvHandle zh = openRsc("old.rsc");
    {
        uint8_t v3[ZVLIB_ATTR_RECORD3_SIZE] = {};
        ZvlibElmAttr stored{};
        stored.id = 7;
        stored.type = 4;
        stored.settings = textSettings();
        stored.settings.font = 3;
        elmAttr_encodeRecord(&stored, v3);
        ASSERT_EQ(zvlibResource_add(&zh, ZvA3, 7, v3, sizeof v3, nullptr), 0);
        stored.id = 10;
        elmAttr_encodeRecord(&stored, v3);
        ASSERT_EQ(zvlibResource_add(&zh, ZvA3, 10, v3, sizeof v3, nullptr), 0);

        uint8_t v1[ZVLIB_ATTR_RECORD1_SIZE] = {};
        const int32_t head[] = {0, 4, 8};
        memcpy(v1, head, sizeof head);
        const int32_t colour = 6, level = 12, flags = 0x61, font = 43;
        const double width = 2.0, height = 2.5, slant = 15.0;
        memcpy(v1 + 48, &colour, 4);
        memcpy(v1 + 48 + 12, &level, 4);
        memcpy(v1 + 48 + 20, &flags, 4);
        memcpy(v1 + 48 + 112, &font, 4);
        memcpy(v1 + 48 + 120, &width, 8);
        memcpy(v1 + 48 + 128, &height, 8);
        memcpy(v1 + 48 + 160, &slant, 8);
        ASSERT_EQ(zvlibResource_add(&zh, ZvAs, 8, v1, sizeof v1, nullptr), 0);
        // A damaged (short) version 2 record of id 9 is not taken.
        uint8_t shortRecord[100] = {};
        ASSERT_EQ(zvlibResource_add(&zh, ZvA2, 9, shortRecord, sizeof shortRecord, nullptr), 0);
    }
    ASSERT_EQ(zvlibElmAttr_readResourceByHandle(&zh), 0);
    zvlibResource_closeFile(&zh);

    EXPECT_EQ(elmAttr_find(7)->settings.font, 3) << "taken as it is";
    const ZvlibElmAttrSettings &eight = elmAttr_find(8)->settings;
    EXPECT_EQ(std::u16string(eight.levelName), u"Level 12");
    EXPECT_EQ(eight.colour, 6u);
    EXPECT_EQ(eight.useFlags, 0x61u);
    EXPECT_EQ(eight.font, 43);
    EXPECT_EQ(eight.textWidth, 2.0);
    EXPECT_EQ(eight.textHeight, 2.5);
    EXPECT_EQ(eight.v.textSlant, 15.0);
    const ZvlibElmAttrSettings &nine = elmAttr_find(9)->settings;
    EXPECT_EQ(nine.colour, 33u) << "no whole record: the registered settings stay";
    EXPECT_STREQ(nine.lineStyleName, "Mur") << "style -3 gets the name of style 3";
    EXPECT_EQ(elmAttr_find(10), nullptr) << "stored but not registered";
}

TEST_F(ElmAttrTest, LineStylesAreResolvedAgainstTheActiveDesign)
{
    int32_t number = 0;
    ZvlibElmAttrSettings byName{}, byNumber{};
    byName.lineStyle = -9;
    snprintf(byName.lineStyleName, sizeof byName.lineStyleName, "Mur");
    byNumber.lineStyle = -2;
    ASSERT_EQ(zvlibElmAttr_addAttribute(1, "Navn", 0, 1, 0, nullptr, 0, &byName), 0);
    ASSERT_EQ(zvlibElmAttr_addAttribute(2, "Nummer", 0, 1, 0, nullptr, 0, &byNumber), 0);
    zvlibMain_refreshLineStyles();
    EXPECT_EQ(elmAttr_find(1)->settings.lineStyle, -9) << "a design without the style changes nothing";
    EXPECT_STREQ(elmAttr_find(2)->settings.lineStyleName, "");
    for (const char *name : {"Gjerde", "Hekk", "Mur"})
        ASSERT_EQ(mdlLineStyle_create(0, name, &number), 0);
    zvlibMain_refreshLineStyles();
    EXPECT_EQ(elmAttr_find(1)->settings.lineStyle, -3) << "the number of the name in this design";
    EXPECT_STREQ(elmAttr_find(2)->settings.lineStyleName, "Hekk") << "the name of the number";
}

TEST_F(ElmAttrTest, TheListFormRoundTripsAndAMissingRecordKeepsTheList)
{
    registerThree();
    ASSERT_EQ(elmAttr_setLabel(elmAttr_find(2), std::string(100, 'L').c_str()), 0);
    const std::string file = path("liste.rsc");
    ASSERT_EQ(zvlibElmAttr_writeResourceExtended(file.c_str()), 0);

    ZvHandle zh = openRsc("liste.rsc", ZVLIB_RSC_READONLY);
    int32_t count = 0;
    ASSERT_EQ(zvlibResource_load(&zh, ASNo, 1, &count, sizeof count), 0);
    EXPECT_EQ(count, 3);
    for (long n = 0; n < 3; n++) {
        uint8_t bytes[ZVLIB_ATTR_RECORD3_SIZE];
        ASSERT_EQ(zvlibResource_load(&zh, ASD3, n, bytes, sizeof bytes), 0);
        EXPECT_EQ(at32(bytes, 8), n + 1);
        char label[ZVLIB_ATTR_LABEL_LEN];
        ASSERT_EQ(zvlibResource_load(&zh, ASNa, n, label, sizeof label), 0);
        EXPECT_EQ(zvlibResource_load(&zh, ASNa, n, label, sizeof label + 1), ZVLIB_FAILURE) << "80 bytes";
        if (n == 1) {
            EXPECT_EQ(std::string(label), std::string(79, 'L'));
        }
    }
    zvlibResource_closeFile(&zh);

    // Read into a list whose settings differ: labels and settings from the
    // file, callbacks and choices taken over by id.
    elmAttr_find(1)->settings.colour = 99;
    ASSERT_EQ(elmAttr_setLabel(elmAttr_find(1), "Endret"), 0);
    ASSERT_EQ(zvlibElmAttr_readResourceExtended(file.c_str()), 0);
    EXPECT_EQ(zvlibMain_getGlobalDataP()->attributeCount, 3);
    EXPECT_EQ(elmAttr_find(1)->settings.colour, 3u);
    EXPECT_STREQ(elmAttr_find(1)->label, "Kant");
    EXPECT_EQ(elmAttr_find(1)->changeCallback, callback());
    ASSERT_EQ(elmAttr_find(3)->choiceCount, 2);
    EXPECT_STREQ(elmAttr_find(3)->choices[1].text, "Grus");
    EXPECT_STREQ(elmAttr_find(3)->promptText, "Velg");
    EXPECT_EQ(elmAttr_find(3)->groupKey, 1);
    EXPECT_EQ(elmAttr_find(3)->type, 7);

    // A list form missing record 1 (in every form) is refused whole.
    zh = openRsc("hull.rsc");
    uint8_t bytes[ZVLIB_ATTR_RECORD3_SIZE];
    elmAttr_encodeRecord(elmAttr_find(1), bytes);
    ASSERT_EQ(zvlibResource_add(&zh, ASD3, 0, bytes, sizeof bytes, nullptr), 0);
    count = 2;
    ASSERT_EQ(zvlibResource_add(&zh, ASNo, 1, &count, sizeof count, nullptr), 0);
    zvlibResource_closeFile(&zh);
    elmAttr_find(1)->settings.colour = 55;
    EXPECT_EQ(zvlibElmAttr_readResourceExtended(path("hull.rsc").c_str()), ZVLIB_FAILURE);
    EXPECT_EQ(elmAttr_find(1)->settings.colour, 55u) << "the earlier list stays";
    EXPECT_EQ(elmAttr_find(3)->choiceCount, 2);
    EXPECT_EQ(zvlibMain_getGlobalDataP()->attributeCount, 3);
    // The file was closed: it can be written again at once.
    ASSERT_EQ(zvlibElmAttr_writeResourceExtended(path("hull.rsc").c_str()), 0);

    // A stored type outside 1..7 is a damaged record.
    zh = openRsc("skadet.rsc");
    elmAttr_encodeRecord(elmAttr_find(1), bytes);
    const int32_t badType = 9;
    memcpy(bytes + 4, &badType, 4);
    ASSERT_EQ(zvlibResource_add(&zh, ASD3, 0, bytes, sizeof bytes, nullptr), 0);
    count = 1;
    ASSERT_EQ(zvlibResource_add(&zh, ASNo, 1, &count, sizeof count, nullptr), 0);
    zvlibResource_closeFile(&zh);
    EXPECT_EQ(zvlibElmAttr_readResourceExtended(path("skadet.rsc").c_str()), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibMain_getGlobalDataP()->attributeCount, 3);
}

} // namespace
