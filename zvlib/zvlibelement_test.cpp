#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "testing/zvlibdgn_testing.h"
#include "zvlibelement.h"
#include "zvlibelmattr.h"

namespace {

using Elem = std::unique_ptr<MSElement>;

Elem newElem() { return std::make_unique<MSElement>(); }

Elem line(DPoint3d a, DPoint3d b)
{
    Elem e = newElem();
    DPoint3d p[2] = {a, b};
    EXPECT_EQ(mdlLine_create(e.get(), nullptr, p), 0);
    return e;
}

// Frees a descriptor chain when it goes.
struct Dscr {
    MSElementDescr *d = nullptr;
    ~Dscr() { mdlElmdscr_freeAll(&d); }
};

std::vector<uint8_t> pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(i * 13 + 7);
    return v;
}

// A raw linkage appended as given: header word, id, then body words.
void appendRaw(MSElement *el, uint16_t flags, uint16_t id, int words, const std::vector<uint16_t> &body)
{
    LinkageHeader h{flags, id};
    ASSERT_EQ(mdlLinkage_setWords(&h, words), 0);
    std::vector<uint16_t> data(size_t(words - 2), 0);
    std::copy(body.begin(), body.end(), data.begin());
    ASSERT_EQ(mdlLinkage_appendToElement(el, &h, data.data()), 0);
}

class ZvlibElementTest : public zvlibtest::DgnAppTest {};

// --- user data ------------------------------------------------------------------

TEST_F(ZvlibElementTest, UserDataSurvivesTheFileByteForByte)
{
    struct Case {
        int bytes, words;
    } cases[] = {{0, 4}, {3, 8}, {10, 12}, {16, 12}, {17, 16}, {ZVLIB_USERDATA_MAX, 4100}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes);
        std::vector<uint8_t> data = pattern(size_t(c.bytes));
        Elem e = line({0, 0, 0}, {10, 10, 0});
        ASSERT_EQ(zvlibAttrib_appendElementUserData(6, -9, e.get(), data.data(), c.bytes), 0);
        uint32_t pos = mdlElement_add(e.get());
        ASSERT_NE(pos, 0u) << mdlErrno;
        Elem back = newElem();
        ASSERT_EQ(mdlElement_read(back.get(), mdlModelRef_getActive(), pos), 0);

        const uint16_t *link = nullptr;
        int words = 0;
        ASSERT_EQ(mdlLinkage_findByID(&link, &words, back.get(), ZVLIB_USERDATA_ID, 0), 0);
        EXPECT_EQ(words, c.words);
        EXPECT_TRUE(link[0] & LINKAGE_USER);
        EXPECT_EQ(link[1], ZVLIB_USERDATA_ID);
        EXPECT_EQ(int16_t(link[2]), 6);
        EXPECT_EQ(int16_t(link[3]), -9);
        const auto *body = reinterpret_cast<const uint8_t *>(link + 4);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), body));
        for (int i = c.bytes; i < 2 * words - 8; ++i)
            ASSERT_EQ(body[i], 0) << "padding at " << i;

        // The reader reports the whole data area, padding included, into a
        // buffer that holds exactly that.
        std::vector<uint8_t> out(size_t(2 * c.words - 8) + 1, 0xEE);
        int value = 0, bytes = 0;
        ASSERT_EQ(zvlibAttrib_extractElementUserData(back.get(), 6, &value, out.data(), &bytes), 0);
        EXPECT_EQ(value, -9);
        EXPECT_EQ(bytes, 2 * c.words - 8);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
        EXPECT_EQ(out.back(), 0xEE);
    }
}

TEST_F(ZvlibElementTest, UserDataAboveTheLimitIsRefused)
{
    Elem e = line({0, 0, 0}, {10, 10, 0});
    const uint32_t size = e->ehdr.elementSize;
    std::vector<uint8_t> data(ZVLIB_USERDATA_MAX + 1, 1);
    EXPECT_EQ(zvlibAttrib_appendElementUserData(6, 1, e.get(), data.data(), ZVLIB_USERDATA_MAX + 1), ZVLIB_FAILURE);
    EXPECT_STREQ(mdlhost_textWindow(), "Userdata er for stor. buffersize=8189\n");
    EXPECT_EQ(e->ehdr.elementSize, size);

    for (int bad : {70000, -70000}) {
        EXPECT_EQ(zvlibAttrib_appendElementUserData(bad, 1, e.get(), data.data(), 4), ZVLIB_FAILURE);
        EXPECT_EQ(zvlibAttrib_appendElementUserData(6, bad, e.get(), data.data(), 4), ZVLIB_FAILURE);
    }
    EXPECT_EQ(zvlibAttrib_appendElementUserData(6, 1, e.get(), nullptr, 4), ZVLIB_FAILURE);
    EXPECT_EQ(e->ehdr.elementSize, size);
}

TEST_F(ZvlibElementTest, ExtractionWritesNoMoreThanTheCapacity)
{
    Elem e = line({0, 0, 0}, {10, 10, 0});
    std::vector<uint8_t> data = pattern(10);
    ASSERT_EQ(zvlibAttrib_appendElementUserData(6, 9, e.get(), data.data(), 10), 0);
    // A caller that sized its buffer for the ten bytes it stored.
    auto out = std::make_unique<uint8_t[]>(10);
    int value = 0, bytes = 0;
    ASSERT_EQ(zvlibAttrib_extractElementUserDataExtended(e.get(), 6, &value, out.get(), 10, &bytes), 0);
    EXPECT_EQ(bytes, 16) << "the reported count stays the linkage's";
    EXPECT_EQ(value, 9);
    EXPECT_EQ(std::memcmp(out.get(), data.data(), 10), 0);
}

TEST_F(ZvlibElementTest, OnlyTheFirstUserDataLinkageIsLookedAt)
{
    Elem e = line({0, 0, 0}, {10, 10, 0});
    uint8_t a[2] = {1, 2}, b[2] = {3, 4};
    ASSERT_EQ(zvlibAttrib_appendElementUserData(6, 60, e.get(), a, 2), 0);
    ASSERT_EQ(zvlibAttrib_appendElementUserData(7, 70, e.get(), b, 2), 0);
    uint8_t out[ZVLIB_USERDATA_EXTRACT_MAX];
    int value = 0, bytes = 0;
    EXPECT_EQ(zvlibAttrib_extractElementUserData(e.get(), 7, &value, out, &bytes), ZVLIB_FAILURE);
    EXPECT_EQ(value, 0);
    ASSERT_EQ(zvlibAttrib_extractElementUserData(e.get(), 6, &value, out, &bytes), 0);
    EXPECT_EQ(value, 60);

    Elem none = line({0, 0, 0}, {1, 1, 0});
    EXPECT_EQ(zvlibAttrib_extractElementUserData(none.get(), 6, &value, out, &bytes), ZVLIB_FAILURE);
}

// Linkages of the library's id that it cannot have written are passed
// over; reading one as user data would run past the caller's buffer.
TEST_F(ZvlibElementTest, ForeignAndCorruptLinkagesAreSkipped)
{
    Elem e = line({0, 0, 0}, {10, 10, 0});
    appendRaw(e.get(), LINKAGE_USER, ZVLIB_USERDATA_ID, 8192, {6, 2}); // longer than any the library writes
    appendRaw(e.get(), 0, ZVLIB_USERDATA_ID, 8, {6, 1});               // no user-data bit
    appendRaw(e.get(), LINKAGE_USER, ZVLIB_USERDATA_ID, 3, {6});       // no room for a value
    appendRaw(e.get(), LINKAGE_USER, 4711, 8, {6, 3});                 // another id
    std::vector<uint8_t> out(ZVLIB_USERDATA_EXTRACT_MAX);
    int value = 0, bytes = 0;
    EXPECT_EQ(zvlibAttrib_extractElementUserData(e.get(), 6, &value, out.data(), &bytes), ZVLIB_FAILURE);

    uint8_t data[4] = {9, 8, 7, 6};
    ASSERT_EQ(zvlibAttrib_appendElementUserData(6, 4, e.get(), data, 4), 0);
    ASSERT_EQ(zvlibAttrib_extractElementUserData(e.get(), 6, &value, out.data(), &bytes), 0);
    EXPECT_EQ(value, 4);
    EXPECT_EQ(bytes, 8);
    EXPECT_EQ(std::memcmp(out.data(), data, 4), 0);
}

TEST_F(ZvlibElementTest, StrippingRemovesUserDataOrAllAttributeData)
{
    Elem e = line({0, 0, 0}, {10, 10, 0});
    const uint32_t bare = e->ehdr.elementSize;
    uint8_t data[2] = {1, 2};
    ASSERT_EQ(zvlibAttrib_appendElementUserData(6, 1, e.get(), data, 2), 0);
    appendRaw(e.get(), 0, 4711, 4, {42, 0});
    ASSERT_EQ(zvlibAttrib_appendElementUserData(7, 2, e.get(), data, 2), 0);

    Elem out = newElem();
    ASSERT_EQ(zvlibElement_stripAttributes(out.get(), e.get()), 0);
    const uint16_t *link = nullptr;
    int words = 0;
    EXPECT_NE(mdlLinkage_findByID(&link, &words, out.get(), ZVLIB_USERDATA_ID, 0), 0);
    ASSERT_EQ(mdlLinkage_findByID(&link, &words, out.get(), 4711, 0), 0);
    EXPECT_EQ(link[2], 42);
    EXPECT_EQ(out->ehdr.elementSize, bare + 4);

    ASSERT_EQ(zvlibElement_stripAttributes2(e.get(), e.get()), 0) << "in place";
    EXPECT_EQ(e->ehdr.elementSize, bare);

    // A cell header keeps its name and description.
    Elem cell = newElem();
    DPoint3d origin{0, 0, 0};
    ASSERT_EQ(mdlCell_create(cell.get(), u"Pil", &origin, 0), 0);
    ASSERT_EQ(zvlibAttrib_appendElementUserData(6, 1, cell.get(), data, 2), 0);
    ASSERT_EQ(zvlibElement_stripAttributes2(out.get(), cell.get()), 0);
    char16_t name[16];
    ASSERT_EQ(mdlCell_extractName(name, 16, out.get()), 0);
    EXPECT_EQ(std::u16string(name), u"Pil");
    EXPECT_NE(mdlLinkage_findByID(&link, &words, out.get(), ZVLIB_USERDATA_ID, 0), 0);
}

// --- symbology --------------------------------------------------------------------

TEST_F(ZvlibElementTest, SymbologyByLevelAndFromTheLevel)
{
    DgnModelRefP model = mdlModelRef_getActive();
    uint32_t level = 0;
    ASSERT_EQ(mdlLevel_create(model, u"Vei", &level), 0);
    ASSERT_EQ(mdlLevel_setElementColor(model, level, 3), 0);
    ASSERT_EQ(mdlLevel_setElementWeight(model, level, 2), 0);
    ASSERT_EQ(mdlLevel_setElementStyle(model, level, 1), 0);

    Elem e = line({0, 0, 0}, {10, 10, 0});
    uint32_t c = 0, w = 0;
    int32_t s = 0;
    ASSERT_EQ(zvlibElement_setSymbologyFromLevel(e.get(), level), 0);
    mdlElement_getSymbology(&c, &w, &s, e.get());
    EXPECT_EQ(c, 3u);
    EXPECT_EQ(w, 2u);
    EXPECT_EQ(s, 1);

    EXPECT_EQ(zvlibElement_setSymbologyFromLevel(e.get(), level + 100), ZVLIB_FAILURE);
    mdlElement_getSymbology(&c, &w, &s, e.get());
    EXPECT_EQ(c, 3u) << "unchanged";

    ASSERT_EQ(zvlibElement_setSymbologyByLevel(e.get()), 0);
    mdlElement_getSymbology(&c, &w, &s, e.get());
    EXPECT_EQ(c, 0xFFFFFFFFu);
    EXPECT_EQ(w, 0xFFFFFFFFu);
    EXPECT_EQ(s, 0x7FFFFFFF);
}

// --- creation -----------------------------------------------------------------------

TEST_F(ZvlibElementTest, CreatedElementsGoIntoTheBufferAndTheDescriptor)
{
    const DPoint3d pts[4] = {{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {0, 5, 0}};
    const DPoint3d centre{5, 5, 0}, start{10, 5, 0}, end{5, 10, 0};
    struct Case {
        const char *what;
        int type;
        std::function<int(MSElementDescr *)> create;
    } cases[] = {
        {"line", LINE_ELM, [&](MSElementDescr *d) { return zvlibElement_createLine(pts, 0, d); }},
        {"line string", LINE_STRING_ELM,
         [&](MSElementDescr *d) { return zvlibElement_createLineString(pts, 3, 0, d); }},
        {"arc", ARC_ELM, [&](MSElementDescr *d) { return zvlibElement_createArc(&centre, 5, 0, 1.5, 0, d); }},
        {"arc by centre", ARC_ELM,
         [&](MSElementDescr *d) { return zvlibElement_createArcByCenter(&start, &centre, &end, 1, 5, 0, d); }},
        {"circle", ELLIPSE_ELM, [&](MSElementDescr *d) { return zvlibElement_createEllipse(&centre, 5, 0, d); }},
        {"filled circle", ELLIPSE_ELM,
         [&](MSElementDescr *d) { return zvlibElement_createEllipseExtended(&centre, 5, 1, 0, d); }},
        {"shape", SHAPE_ELM, [&](MSElementDescr *d) { return zvlibElement_createShape(pts, 4, 0, 0, d); }},
    };
    Elem header = newElem();
    DPoint3d origin{0, 0, 0};
    ASSERT_EQ(mdlCell_create(header.get(), u"Samling", &origin, 0), 0);
    Dscr cell;
    ASSERT_EQ(mdlElmdscr_new(&cell.d, nullptr, header.get()), 0);
    // An attribute that sets nothing keeps the host's defaults.
    ZvlibElmAttrSettings none{};
    ASSERT_EQ(zvlibElmAttr_addAttribute(0, "Ingen", 0, ZVLIB_ATTRTYPE_SYMBOLOGY, 0, nullptr, 0, &none), 0);
    int components = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.create(nullptr), 0);
        EXPECT_EQ(mdlElement_getType(zvlibElement_getElementBuffer()), c.type);
        ASSERT_EQ(c.create(cell.d), 0);
        ++components;
    }
    ASSERT_EQ(mdlElmdscr_validate(cell.d, mdlModelRef_getActive()), 0);
    EXPECT_EQ(int(cell.d->el.complexHdr.numComponents), components);

    // A refused element leaves the buffer as it was.
    ASSERT_EQ(zvlibElement_createLine(pts, 0, nullptr), 0);
    EXPECT_EQ(zvlibElement_createLineString(pts, 1, 0, cell.d), ZVLIB_FAILURE);
    EXPECT_EQ(mdlElement_getType(zvlibElement_getElementBuffer()), LINE_ELM);
    EXPECT_EQ(int(cell.d->el.complexHdr.numComponents), components);

    // An attribute the application has not registered is refused, for a
    // text as for any element.
    int just = 7;
    EXPECT_EQ(zvlibElement_createText(&origin, "abc", 1.0, &just, 1, cell.d), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibElement_createLine(pts, 1, cell.d), ZVLIB_FAILURE);
    EXPECT_EQ(mdlElement_getType(zvlibElement_getElementBuffer()), LINE_ELM);
    EXPECT_EQ(int(cell.d->el.complexHdr.numComponents), components);
}

// --- attribute sets -------------------------------------------------------------------

ZvlibElmAttrSettings textSettings()
{
    ZvlibElmAttrSettings s{};
    s.colour = 4;
    s.weight = 2;
    s.lineStyle = 3;
    s.font = 105;
    s.textWidth = 3.5;
    s.textHeight = 3.5;
    s.lineSpacingFactor = 0.5;
    s.justification = 8;
    return s;
}

TEST_F(ZvlibElementTest, AttributeSymbologyFollowsTheUseFlags)
{
    ZvlibElmAttrSettings s = textSettings();
    const std::u16string road = u"Road";
    std::copy(road.begin(), road.end(), s.levelName);
    s.useFlags = ZVLIB_ATTR_COLOUR | ZVLIB_ATTR_LEVEL;
    Elem e = line({0, 0, 0}, {10, 10, 0});
    ASSERT_EQ(elmAttr_applySettings(e.get(), &s), 0);
    uint32_t c = 0, w = 0, level = 0;
    int32_t style = 0;
    mdlElement_getSymbology(&c, &w, &style, e.get());
    EXPECT_EQ(c, 4u);
    EXPECT_EQ(w, 0u) << "weight not flagged";
    EXPECT_EQ(style, 0) << "style not flagged";
    uint32_t road_id = 0;
    ASSERT_EQ(mdlLevel_getIdFromName(&road_id, mdlModelRef_getActive(), u"Road"), 0) << "the level is created";
    mdlElement_getProperties(&level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, e.get());
    EXPECT_EQ(level, road_id);

    // A stored level name without its terminator is read up to the field's end.
    std::fill(std::begin(s.levelName), std::end(s.levelName), u'L');
    EXPECT_EQ(elmAttr_applySettings(e.get(), &s), 0);
}

TEST_F(ZvlibElementTest, AttributeTextSizesAreDividedByTheScale)
{
    ZvlibElmAttrSettings s = textSettings();
    s.useFlags = ZVLIB_ATTR_TEXTSIZE | ZVLIB_ATTR_FONT | ZVLIB_ATTR_JUSTIFICATION | ZVLIB_ATTR_COLOUR;
    Elem out = newElem();
    DPoint3d origin{100, 200, 0};
    ASSERT_EQ(elmAttr_createTextWithSettings(out.get(), nullptr, "Tekst \xE6\xF8\xE5", &origin, nullptr,
                                             mdlModelRef_getActive(), &s, 2.0),
              0);
    char text[32];
    TextParamWide p{};
    DPoint3d at{};
    ASSERT_EQ(mdlText_extract(text, sizeof text, &at, nullptr, &p, nullptr, out.get()), 0);
    EXPECT_STREQ(text, "Tekst \xE6\xF8\xE5");
    EXPECT_DOUBLE_EQ(p.size.width, 1.75);
    EXPECT_DOUBLE_EQ(p.size.height, 1.75);
    EXPECT_DOUBLE_EQ(p.lineSpacing, 0.875);
    EXPECT_EQ(p.font, 105);
    EXPECT_EQ(p.justification, 8);
    EXPECT_EQ(at.x, 100);
    uint32_t c = 0;
    mdlElement_getSymbology(&c, nullptr, nullptr, out.get());
    EXPECT_EQ(c, 4u) << "symbology applied after the text was made";

    // Sizes divided by a scale of 0 would be infinite.
    Elem untouched = newElem();
    for (double scale : {0.0, -1.0, std::nan("")}) {
        EXPECT_EQ(elmAttr_createTextWithSettings(untouched.get(), nullptr, "x", nullptr, nullptr,
                                                 mdlModelRef_getActive(), &s, scale),
                  ZVLIB_FAILURE);
        EXPECT_EQ(untouched->ehdr.type, 0u);
    }
    EXPECT_EQ(elmAttr_createTextWithSettings(untouched.get(), nullptr, std::string(MDLHOST_MAX_TEXT + 1, 'x').c_str(),
                                             nullptr, nullptr, mdlModelRef_getActive(), &s, 1.0),
              ZVLIB_FAILURE)
        << "too long a text is refused, not cut";
}

TEST_F(ZvlibElementTest, UnregisteredAttributesAndMissingRecordsFail)
{
    Elem e = line({0, 0, 0}, {10, 10, 0});
    const Elem before = line({0, 0, 0}, {10, 10, 0});
    ZvlibElmAttrSettings out{};
    out.colour = 99;
    EXPECT_EQ(zvlibElmAttr_setSymbologyAndProperties(e.get(), 1, &out), ZVLIB_FAILURE);
    EXPECT_EQ(std::memcmp(e.get(), before.get(), size_t(mdlElement_size(before.get()))), 0);
    EXPECT_EQ(out.colour, 99u);
    Elem text = newElem();
    EXPECT_EQ(zvlibElmAttr_createText(text.get(), nullptr, "x", nullptr, nullptr, 0, 1, 1.0, &out), ZVLIB_FAILURE);
    EXPECT_EQ(text->ehdr.type, 0u);
    EXPECT_STREQ(mdlhost_textWindow(), "");

    mdlhost_setCurrMdlDesc(nullptr);
    EXPECT_EQ(zvlibElmAttr_setSymbologyAndProperties(e.get(), 1, nullptr), ZVLIB_FAILURE);
    EXPECT_STREQ(mdlhost_textWindow(), "Error in zvlib_GetGlobalDataP\n");
    mdlhost_setCurrMdlDesc(app_);
}

// --- descriptors ----------------------------------------------------------------------

TEST_F(ZvlibElementTest, PlacingFitsTheRangeIntoTheRectangle)
{
    struct Case {
        const char *what;
        DPoint3d a, b;   // the line placed
        int centre;
        DRange3d placed; // x and y of the range afterwards
    } cases[] = {
        {"10 x 5, centred", {0, 0, 0}, {10, 5, 0}, 1, {{0, 25, 0}, {100, 75, 0}}},
        {"10 x 5, not centred", {0, 0, 0}, {10, 5, 0}, 0, {{0, 0, 0}, {100, 50, 0}}},
        {"away from the origin", {1000, 2000, 0}, {1010, 2005, 0}, 1, {{0, 25, 0}, {100, 75, 0}}},
        {"5 x 10", {0, 0, 0}, {5, 10, 0}, 1, {{25, 0, 0}, {75, 100, 0}}},
    };
    // A rectangle as a closed shape's points: the first and the third count.
    const DPoint3d rect[5] = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}, {0, 0, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Dscr d;
        Elem e = line(c.a, c.b);
        ASSERT_EQ(mdlElmdscr_new(&d.d, nullptr, e.get()), 0);
        ASSERT_EQ(zvlibElemDscr_placeElementDescr(rect, c.centre, d.d), 0);
        DPoint3d low, high;
        ASSERT_EQ(zvlibElemDscr_getRange(&low, &high, d.d), 0);
        EXPECT_NEAR(low.x, c.placed.low.x, 1e-9);
        EXPECT_NEAR(low.y, c.placed.low.y, 1e-9);
        EXPECT_NEAR(high.x, c.placed.high.x, 1e-9);
        EXPECT_NEAR(high.y, c.placed.high.y, 1e-9);
    }

    // A vertical line has no width: a finite scale from its height, centred.
    Dscr d;
    Elem e = line({3, 0, 0}, {3, 10, 0});
    ASSERT_EQ(mdlElmdscr_new(&d.d, nullptr, e.get()), 0);
    ASSERT_EQ(zvlibElemDscr_placeElementDescr(rect, 1, d.d), 0);
    DPoint3d low, high;
    ASSERT_EQ(zvlibElemDscr_getRange(&low, &high, d.d), 0);
    EXPECT_TRUE(std::isfinite(low.x) && std::isfinite(high.y));
    EXPECT_NEAR(low.x, 50, 0.001);
    EXPECT_NEAR(high.y, 100, 1e-9);

    // A flat rectangle counts as 1 high.
    const DPoint3d flat[3] = {{0, 0, 0}, {100, 0, 0}, {100, 0, 0}};
    Dscr f;
    Elem g = line({0, 0, 0}, {10, 5, 0});
    ASSERT_EQ(mdlElmdscr_new(&f.d, nullptr, g.get()), 0);
    ASSERT_EQ(zvlibElemDscr_placeElementDescr(flat, 0, f.d), 0);
    ASSERT_EQ(zvlibElemDscr_getRange(&low, &high, f.d), 0);
    EXPECT_NEAR(high.y, 1, 1e-9);
    EXPECT_EQ(zvlibElemDscr_placeElementDescr(flat, 0, nullptr), ZVLIB_FAILURE);
}

TEST_F(ZvlibElementTest, DescriptorsAreDrawnFittedIntoTheRectangle)
{
    MSDialog *db = mdlhost_createDialog(30200, "Forh\xE5ndsvisning", 200, 200);
    ASSERT_NE(db, nullptr);
    const DPoint3d pts[4] = {{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {0, 5, 0}};
    Elem shape = newElem();
    ASSERT_EQ(mdlShape_create(shape.get(), nullptr, pts, 4, 0), 0);
    const uint32_t red = 3;
    ASSERT_EQ(mdlElement_setSymbology(shape.get(), &red, nullptr, nullptr), 0);
    Dscr d;
    ASSERT_EQ(mdlElmdscr_new(&d.d, nullptr, shape.get()), 0);
    // 101 x 51 pixels: 100 x 50 from the first to the last pixel, scale 10.
    const BSIRect rect{{0, 0}, {101, 51}};
    struct Case {
        int colour;
        const char *log;
    } cases[] = {
        {-1, "line 0 50 100 50 colour 3\nline 100 50 100 0 colour 3\nline 100 0 0 0 colour 3\n"
             "line 0 0 0 50 colour 3\n"},
        {5, "line 0 50 100 50 colour 5\nline 100 50 100 0 colour 5\nline 100 0 0 0 colour 5\n"
            "line 0 0 0 50 colour 5\n"},
    };
    for (const Case &c : cases) {
        mdlhost_clearDrawLog();
        ASSERT_EQ(zvlibElemDscr_drawElementDescr(db, &rect, d.d, nullptr, c.colour), 0);
        EXPECT_STREQ(mdlhost_drawLog(), c.log);
    }

    // Centred in a wider window; a text shows at its box's lower left.
    Elem text = newElem();
    TextSizeParam size{2, 2};
    TextParam tp{};
    tp.justification = TEXT_JUST_LEFT_BOTTOM;
    tp.style[0] = tp.style[1] = -1;
    DPoint3d at{0, 5, 0};
    ASSERT_EQ(mdlText_create(text.get(), nullptr, "N", &at, nullptr, &size, &tp), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(d.d, text.get()), 0);
    mdlhost_clearDrawLog();
    const BSIRect wide{{10, 10}, {211, 81}};
    ASSERT_EQ(zvlibElemDscr_drawElementDescr(db, &wide, d.d, nullptr, 1), 0);
    // Range 10 x 7, 200 x 70 pixels: scale 10, 50 pixels free on each side.
    EXPECT_STREQ(mdlhost_drawLog(), "line 60 80 160 80 colour 1\nline 160 80 160 30 colour 1\n"
                                    "line 160 30 60 30 colour 1\nline 60 30 60 80 colour 1\n"
                                    "text 60 30 colour 1 \"N\"\n");

    mdlWindow_close(db);
    EXPECT_EQ(zvlibElemDscr_drawElementDescr(db, &rect, d.d, nullptr, -1), ZVLIB_FAILURE) << "closed";
}

} // namespace
