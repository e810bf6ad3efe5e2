#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "testing/zvlibdgn_testing.h"
#include "zvlib66elem.h"
#include "zvliberror.h"

namespace {

using Elem = std::unique_ptr<MSElement>;

Elem newElem() { return std::make_unique<MSElement>(); }

const uint8_t *bytesOf(const MSElement *el) { return reinterpret_cast<const uint8_t *>(el); }

uint32_t u32(const MSElement *el, int at)
{
    const uint8_t *b = bytesOf(el) + at;
    return b[0] | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

unsigned u16(const MSElement *el, int at) { return bytesOf(el)[at] | unsigned(bytesOf(el)[at + 1]) << 8; }

std::vector<uint8_t> pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(i * 31 + 5);
    return v;
}

class Zvlib66ElemTest : public zvlibtest::DgnAppTest {};

TEST_F(Zvlib66ElemTest, TheElementIsBuiltByteForByte)
{
    Elem el = newElem();
    std::memset(el.get(), 0xAA, ZVLIB_66ELEM_BUFFER_SIZE);
    const uint8_t data[3] = {'x', 'y', 'z'};
    ASSERT_EQ(zvlib66Elem_saveData(el.get(), ZVLIB_APPL_PROJECT, 3, data, 3), 0);
    EXPECT_EQ(u32(el.get(), 0), 66u);
    EXPECT_EQ(u32(el.get(), 4), 21u);
    EXPECT_EQ(u32(el.get(), 8), 21u);
    EXPECT_EQ(u32(el.get(), 12), 20u);
    for (int i = 16; i < 32; ++i)
        EXPECT_EQ(bytesOf(el.get())[i], 0) << i;
    EXPECT_EQ(u16(el.get(), 32), 157u);
    EXPECT_EQ(u16(el.get(), 34), 101u);
    EXPECT_EQ(u16(el.get(), 36), 3u);
    EXPECT_EQ(std::memcmp(bytesOf(el.get()) + 38, data, 3), 0);
    EXPECT_EQ(bytesOf(el.get())[41], 0) << "the padding byte";
    EXPECT_EQ(bytesOf(el.get())[42], 0xAA) << "nothing past the element";
}

TEST_F(Zvlib66ElemTest, DataSizesAtTheLimits)
{
    std::vector<uint8_t> data = pattern(ZVLIB_66ELEM_MAX_DATA + 1);
    struct Case {
        int bytes, appl, version;
        bool ok;
    } cases[] = {
        {0, 101, 1, true},
        {ZVLIB_66ELEM_MAX_DATA, 110, 3, true},
        {ZVLIB_66ELEM_MAX_DATA + 1, 110, 3, false},
        {-1, 101, 1, false},
        {3, 70000, 1, false},
        {3, 101, -1, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes);
        Elem el = newElem();
        std::memset(el.get(), 0xAA, ZVLIB_66ELEM_BUFFER_SIZE);
        EXPECT_EQ(zvlib66Elem_saveData(el.get(), c.appl, c.version, data.data(), c.bytes) == 0, c.ok);
        if (!c.ok) {
            EXPECT_EQ(u32(el.get(), 0), 0xAAAAAAAAu) << "untouched";
        }
    }
    int pos = -1;
    EXPECT_EQ(zvlib66Elem_saveDataToFile(101, 3, data.data(), ZVLIB_66ELEM_MAX_DATA + 1, &pos), ZVLIB_FAILURE);
    EXPECT_EQ(pos, 0);
}

// What the host returns is what was written: header words and data, with
// the unique id the file gave in bytes 16 to 23.
TEST_F(Zvlib66ElemTest, ApplicationDataSurvivesTheFile)
{
    for (int bytes : {0, 1, 3, 1603, ZVLIB_66ELEM_MAX_DATA - 1, ZVLIB_66ELEM_MAX_DATA}) {
        SCOPED_TRACE(bytes);
        std::vector<uint8_t> data = pattern(size_t(bytes));
        Elem built = newElem();
        ASSERT_EQ(zvlib66Elem_saveData(built.get(), ZVLIB_APPL_PAGE, 3, data.data(), bytes), 0);
        int pos = 0;
        ASSERT_EQ(zvlib66Elem_saveDataToFile(ZVLIB_APPL_PAGE, 3, data.data(), bytes, &pos), 0);
        ASSERT_GT(pos, 0);
        Elem back = newElem();
        ASSERT_EQ(mdlElement_read(back.get(), mdlModelRef_getActive(), uint32_t(pos)), 0);
        const int end = 2 * int(u32(built.get(), 4));
        EXPECT_EQ(std::memcmp(back.get(), built.get(), 16), 0);
        EXPECT_EQ(std::memcmp(bytesOf(back.get()) + 32, bytesOf(built.get()) + 32, size_t(end - 32)), 0);
        EXPECT_EQ(u32(back.get(), 24), 0u);
        EXPECT_EQ(u32(back.get(), 28), 0u);

        int version = 0, length = -1;
        const char *p = nullptr;
        ASSERT_EQ(zvlib66Elem_getData(back.get(), ZVLIB_APPL_PAGE, &version, &p, &length), 0);
        EXPECT_EQ(version, 3);
        EXPECT_EQ(length, (bytes + 1) / 2 * 2) << "the padded data, nothing past the element";
        EXPECT_EQ(p, reinterpret_cast<const char *>(back.get()) + 38);
        EXPECT_LE(p + length, reinterpret_cast<const char *>(back.get()) + end);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), reinterpret_cast<const uint8_t *>(p)));
    }
}

TEST_F(Zvlib66ElemTest, GetDataTakesOnlyItsOwnElements)
{
    const char data[4] = "abc";
    Elem good = newElem();
    ASSERT_EQ(zvlib66Elem_saveData(good.get(), 101, 2, data, 4), 0);
    Elem line = newElem();
    DPoint3d pts[2] = {{0, 0, 0}, {1, 1, 0}};
    ASSERT_EQ(mdlLine_create(line.get(), nullptr, pts), 0);

    struct Case {
        const char *what;
        std::function<void(MSElement *)> spoil;
        int appl;
    } cases[] = {
        {"another application", [](MSElement *) {}, 110},
        {"another signature", [](MSElement *e) { reinterpret_cast<uint8_t *>(e)[32] = 158; }, 101},
        {"another type", [](MSElement *e) { e->ehdr.type = LINE_ELM; }, 101},
        {"no room for the header", [](MSElement *e) { e->ehdr.attrOffset = e->ehdr.elementSize = 18; }, 101},
        {"attribute offset past the end", [](MSElement *e) { e->ehdr.attrOffset = e->ehdr.elementSize + 1; }, 101},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Elem el = newElem();
        std::memcpy(el.get(), good.get(), ZVLIB_66ELEM_BUFFER_SIZE);
        c.spoil(el.get());
        const char *p = data;
        int version = -1;
        EXPECT_EQ(zvlib66Elem_getData(el.get(), c.appl, &version, &p, nullptr), ZVLIB_FAILURE);
        EXPECT_EQ(p, nullptr);
        EXPECT_EQ(version, -1);
    }
    const char *p = data;
    EXPECT_EQ(zvlib66Elem_getData(line.get(), 101, nullptr, &p, nullptr), ZVLIB_FAILURE);
    EXPECT_EQ(p, nullptr);
}

struct Seen {
    std::vector<int> positions, versions, indexes;
    std::vector<std::string> texts;
    int stopAt = 0; // 1-based call that answers 1; 0: never
};

int remember(void *arg, int version, MSElement *el, int filePos, int index, const char *data, int length)
{
    auto *s = static_cast<Seen *>(arg);
    EXPECT_EQ(mdlElement_getType(el), MICROSTATION_ELM);
    s->positions.push_back(filePos);
    s->versions.push_back(version);
    s->indexes.push_back(index);
    s->texts.push_back(std::string(data, strnlen(data, size_t(length))));
    return int(s->positions.size()) == s->stopAt ? 1 : 0;
}

TEST_F(Zvlib66ElemTest, ScanFindsItsApplicationsElementsOnLevel20)
{
    int p1 = 0, p2 = 0, other = 0;
    ASSERT_EQ(zvlib66Elem_saveDataToFile(101, 3, "en", 3, &p1), 0);
    ASSERT_EQ(zvlib66Elem_saveDataToFile(110, 3, "side", 5, &other), 0);
    // Type 66 on another level is not the library's.
    Elem moved = newElem();
    ASSERT_EQ(zvlib66Elem_saveData(moved.get(), 101, 3, "level5", 7), 0);
    moved->ehdr.level = 5;
    ASSERT_NE(mdlElement_add(moved.get()), 0u);
    Elem line = newElem();
    DPoint3d pts[2] = {{0, 0, 0}, {1, 1, 0}};
    ASSERT_EQ(mdlLine_create(line.get(), nullptr, pts), 0);
    ASSERT_NE(mdlElement_add(line.get()), 0u);
    ASSERT_EQ(zvlib66Elem_saveDataToFile(101, 2, "to", 3, &p2), 0);

    Seen all;
    EXPECT_EQ(zvlib66Elem_scanDataFromFile(&all, 101, 0, remember), 2);
    EXPECT_EQ(all.positions, (std::vector<int>{p1, p2}));
    EXPECT_EQ(all.versions, (std::vector<int>{3, 2}));
    EXPECT_EQ(all.texts, (std::vector<std::string>{"en", "to"}));
    EXPECT_EQ(all.indexes[0], 0);

    Seen first;
    first.stopAt = 1;
    EXPECT_EQ(zvlib66Elem_scanDataFromFileExtended(&first, 101, 0, remember, 1), 1);
    EXPECT_EQ(first.positions, (std::vector<int>{p1}));

    Seen pages;
    EXPECT_EQ(zvlib66Elem_scanDataFromFile(&pages, 110, mdlModelRef_getActive(), remember), 1);
    EXPECT_EQ(pages.texts, (std::vector<std::string>{"side"}));

    mdlhost_closeDesignFile();
    Seen none;
    EXPECT_LT(zvlib66Elem_scanDataFromFile(&none, 101, 0, remember), 0) << "no model to scan";
    EXPECT_TRUE(none.positions.empty());
}

// Records which application was current when the scan called it.
MdlDesc *calledIn = nullptr;
int whoCalls(void *arg, int version, MSElement *el, int, int, const char *data, int)
{
    calledIn = mdlSystem_getCurrMdlDesc();
    EXPECT_EQ(version, 3);
    EXPECT_EQ(mdlElement_getType(el), MICROSTATION_ELM);
    EXPECT_STREQ(data, "en");
    // A function that changes the current application must not leave the
    // change behind it when the dispatcher called it.
    mdlhost_setCurrMdlDesc(static_cast<MdlDesc *>(arg));
    return 0;
}

TEST_F(Zvlib66ElemTest, ScanCallsThroughTheDispatcherUnlessDirect)
{
    int pos = 0;
    ASSERT_EQ(zvlib66Elem_saveDataToFile(101, 3, "en", 3, &pos), 0);
    MdlDesc *other = mdlhost_registerApplication("ANDRE", nullptr);
    ASSERT_NE(other, nullptr);
    for (int direct : {0, 2}) {
        SCOPED_TRACE(direct);
        calledIn = nullptr;
        EXPECT_EQ(zvlib66Elem_scanDataFromFileExtended(other, 101, 0, whoCalls, direct), 1);
        EXPECT_EQ(calledIn, app_) << "in the context of the application that scans";
        EXPECT_EQ(mdlSystem_getCurrMdlDesc(), app_) << "the dispatcher puts the caller back";
    }
    calledIn = nullptr;
    EXPECT_EQ(zvlib66Elem_scanDataFromFileExtended(other, 101, 0, whoCalls, 1), 1);
    EXPECT_EQ(calledIn, app_);
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), other) << "called as it is";
    mdlhost_setCurrMdlDesc(app_);
    mdlhost_unregisterApplication(other);
}

TEST_F(Zvlib66ElemTest, AFailedAddIsReportedAndLeavesNothing)
{
    mdlhost_dgnFailWrites(DGNERR_DISKFULL, 1);
    int pos = -1;
    EXPECT_EQ(zvlib66Elem_saveDataToFile(101, 3, "x", 2, &pos), ZVLIB_66ELEM_NOT_ADDED);
    EXPECT_EQ(pos, 0);
    Seen seen;
    EXPECT_EQ(zvlib66Elem_scanDataFromFile(&seen, 101, 0, remember), 0);
}

TEST_F(Zvlib66ElemTest, DwgModeWarnsThatTheDataIsNotKept)
{
    const std::string warning = mdlhost_messageListEntry(app_, 20005, 28);
    struct Case {
        int workMode;
        const char *keep; // MS_DWGSAVEAPPLICATIONDATA
        bool warns;
    } cases[] = {
        {MDLHOST_WORKMODE_DWG, nullptr, true},
        {MDLHOST_WORKMODE_DWG, "1", false},
        {MDLHOST_WORKMODE_DGN, nullptr, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.workMode);
        tcbP->workMode = c.workMode;
        mdlSystem_defineCfgVar("MS_DWGSAVEAPPLICATIONDATA", c.keep);
        zvlibError_msgBoxPrintf(1, "before");
        int pos = 0;
        EXPECT_EQ(zvlib66Elem_saveDataToFile(101, 3, "x", 2, &pos), 0);
        EXPECT_GT(pos, 0) << "added either way";
        EXPECT_EQ(std::string(zvlibError_lastBox()->lines[0]) == warning.substr(0, warning.find('\n')), c.warns);
    }
    mdlSystem_defineCfgVar("MS_DWGSAVEAPPLICATIONDATA", nullptr);
}

// --- packed fields -----------------------------------------------------------------

TEST(Zvlib66Fields, FieldsArePackedWithoutGapsAndReadBack)
{
    char buffer[64];
    std::memset(buffer, 0x55, sizeof buffer);
    int offset = 0;
    const char c = 'q';
    const int16_t s = -1234;
    const uint8_t raw[3] = {1, 2, 3};
    ASSERT_EQ(zvlib66Elem_convertToFileFormat(buffer, &offset, ZVLIB_FIELD_DOUBLE, 1.5), 0);
    EXPECT_EQ(offset, 8);
    ASSERT_EQ(zvlib66Elem_convertToFileFormat(buffer, &offset, ZVLIB_FIELD_TEXT, "ab"), 0);
    EXPECT_EQ(offset, 11);
    ASSERT_EQ(zvlib66Elem_convertToFileFormat(buffer, &offset, ZVLIB_FIELD_CHAR, &c), 0);
    EXPECT_EQ(offset, 12);
    ASSERT_EQ(zvlib66Elem_convertToFileFormat(buffer, &offset, ZVLIB_FIELD_SHORT, &s), 0);
    EXPECT_EQ(offset, 14);
    ASSERT_EQ(zvlib66Elem_convertToFileFormat(buffer, &offset, ZVLIB_FIELD_INT32, -70000), 0);
    EXPECT_EQ(offset, 18);
    ASSERT_EQ(zvlib66Elem_convertToFileFormat(buffer, &offset, ZVLIB_FIELD_BYTES, raw, 3), 0);
    EXPECT_EQ(offset, 21);
    EXPECT_EQ(std::memcmp(buffer + 8, "ab\0q", 4), 0);
    EXPECT_EQ(uint8_t(buffer[21]), 0x55);

    for (int type : {0, 2, 5, 7, 10}) {
        int at = 3;
        EXPECT_EQ(zvlib66Elem_convertToFileFormat(buffer, &at, type, 1), ZVLIB_FIELD_UNSUPPORTED) << type;
        EXPECT_EQ(at, 3);
        double d = 0;
        EXPECT_EQ(zvlib66Elem_convertFromFileFormat(buffer, &at, type, &d, 0), ZVLIB_FIELD_UNSUPPORTED) << type;
        EXPECT_EQ(at, 3);
    }

    offset = 0;
    double d = 0;
    char text[8], ch = 0;
    int16_t sh = 0;
    int32_t i = 0;
    uint8_t back[3] = {};
    ASSERT_EQ(zvlib66Elem_convertFromFileFormat(buffer, &offset, ZVLIB_FIELD_DOUBLE, &d, 0), 0);
    ASSERT_EQ(zvlib66Elem_convertFromFileFormatExtended(buffer, 21, &offset, ZVLIB_FIELD_TEXT, text, sizeof text), 0);
    ASSERT_EQ(zvlib66Elem_convertFromFileFormat(buffer, &offset, ZVLIB_FIELD_CHAR, &ch, 0), 0);
    ASSERT_EQ(zvlib66Elem_convertFromFileFormat(buffer, &offset, ZVLIB_FIELD_SHORT, &sh, 0), 0);
    ASSERT_EQ(zvlib66Elem_convertFromFileFormat(buffer, &offset, ZVLIB_FIELD_INT32, &i, 0), 0);
    ASSERT_EQ(zvlib66Elem_convertFromFileFormat(buffer, &offset, ZVLIB_FIELD_BYTES, back, 3), 0);
    EXPECT_EQ(offset, 21);
    EXPECT_EQ(d, 1.5);
    EXPECT_STREQ(text, "ab");
    EXPECT_EQ(ch, 'q');
    EXPECT_EQ(sh, -1234);
    EXPECT_EQ(i, -70000);
    EXPECT_EQ(std::memcmp(back, raw, 3), 0);
}

// Data read from a design file may be corrupt: every field is bounded by
// the data's end and the destination, and a refused field changes nothing.
TEST(Zvlib66Fields, FieldsThatDoNotFitAreRefused)
{
    std::string forty(40, 'x');
    std::vector<char> data(forty.begin(), forty.end());
    data.push_back('\0');
    auto field = std::make_unique<char[]>(31);
    std::memset(field.get(), 0, 31);
    int offset = 0;
    EXPECT_EQ(zvlib66Elem_convertFromFileFormatExtended(data.data(), int(data.size()), &offset, ZVLIB_FIELD_TEXT,
                                                        field.get(), 31),
              ZVLIB_FAILURE);
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(field[0], 0);

    struct Case {
        const char *what;
        int dataBytes, offset, type, size;
    } cases[] = {
        {"text without terminator in the data", 40, 0, ZVLIB_FIELD_TEXT, 100},
        {"double past the end", 41, 36, ZVLIB_FIELD_DOUBLE, 0},
        {"int32 past the end", 41, 38, ZVLIB_FIELD_INT32, 0},
        {"short past the end", 41, 40, ZVLIB_FIELD_SHORT, 0},
        {"char at the end", 41, 41, ZVLIB_FIELD_CHAR, 0},
        {"bytes past the end", 41, 30, ZVLIB_FIELD_BYTES, 12},
        {"negative byte count", 41, 0, ZVLIB_FIELD_BYTES, -1},
        {"negative offset", 41, -1, ZVLIB_FIELD_CHAR, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        char out[128] = {};
        int at = c.offset;
        EXPECT_EQ(zvlib66Elem_convertFromFileFormatExtended(data.data(), c.dataBytes, &at, c.type, out, c.size),
                  ZVLIB_FAILURE);
        EXPECT_EQ(at, c.offset);
        EXPECT_EQ(out[0], 0);
    }

    // Writing: the capacity holds.
    char small[10];
    std::memset(small, 0x55, sizeof small);
    int at = 4;
    EXPECT_EQ(zvlib66Elem_convertToFileFormatExtended(small, 10, &at, ZVLIB_FIELD_DOUBLE, 2.0), ZVLIB_FAILURE);
    EXPECT_EQ(zvlib66Elem_convertToFileFormatExtended(small, 10, &at, ZVLIB_FIELD_TEXT, "abcdef"), ZVLIB_FAILURE);
    EXPECT_EQ(at, 4);
    EXPECT_EQ(zvlib66Elem_convertToFileFormatExtended(small, 10, &at, ZVLIB_FIELD_TEXT, "abcde"), 0);
    EXPECT_EQ(at, 10);
    EXPECT_EQ(zvlib66Elem_convertToFileFormatExtended(small, 10, &at, ZVLIB_FIELD_CHAR, "z"), ZVLIB_FAILURE);
    EXPECT_EQ(uint8_t(small[3]), 0x55);
}

} // namespace
