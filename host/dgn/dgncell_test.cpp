// Cell libraries: attaching, finding cells by name, placing them.
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dgn_testing.h"
#include "dgncell_testing.h"
#include "mdlhost.h"

namespace {

using dgntest::appendTop;
using dgntest::DscrPtr;
using dgntest::makeLine;

class CellTest : public dgntest::DgnTest {
  protected:
    void TearDown() override
    {
        mdlCell_detachLibrary();
        DgnTest::TearDown();
    }

    // symbols.cel: KRYSS (a 1 m line along x on level "Symbol"), BR\xD8NN
    // (two lines), and a cell with the longest name allowed.
    std::string makeSymbols(double uorPerMaster = 1000)
    {
        std::string lib = path("symbols.cel");
        uint32_t level = dgntest::createLibrary(lib, uorPerMaster, u"Symbol");
        DscrPtr kryss;
        appendTop(kryss, makeLine({0, 0, 0}, {uorPerMaster, 0, 0}, level).get());
        EXPECT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), u"KRYSS", u"Kryss for punkt", kryss.get()), 0);
        DscrPtr bronn;
        appendTop(bronn, makeLine({0, 0, 0}, {10, 0, 0}, level).get());
        appendTop(bronn, makeLine({0, 0, 0}, {0, 10, 0}, level).get());
        EXPECT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), u"BR\u00D8NN", u"", bronn.get()), 0);
        std::u16string longName(MDLHOST_MAX_CELLNAME, u'x');
        EXPECT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), longName.c_str(), u"lang", kryss.get()), 0);
        return lib;
    }
};

TEST_F(CellTest, AttachFindsTheLibraryAlongThePathAndKeepsTheOldOneOnFailure)
{
    std::string lib = makeSymbols();
    char found[MDLHOST_MAXFILELENGTH];
    std::string dir = path("");
    ASSERT_EQ(mdlCell_attachLibraryEx(found, "symbols", dir.c_str()), 0);
    EXPECT_NE(std::string(found).find("symbols.cel"), std::string::npos);
    char name[MDLHOST_MAXFILELENGTH];
    ASSERT_EQ(mdlCell_getLibraryName(name, sizeof name), 0);
    EXPECT_STREQ(name, found);

    // A missing file and a file that is no design file both leave the
    // attached library in place.
    EXPECT_EQ(mdlCell_attachLibraryEx(found, "missing", dir.c_str()), DGNERR_NOTFOUND);
    std::ofstream(path("junk.cel")) << "not a design file";
    EXPECT_NE(mdlCell_attachLibraryEx(found, "junk.cel", dir.c_str()), 0);
    ASSERT_EQ(mdlCell_getLibraryName(name, sizeof name), 0);
    EXPECT_NE(std::string(name).find("symbols.cel"), std::string::npos);
    EXPECT_EQ(mdlCell_existsInLibrary(u"KRYSS"), 1);

    EXPECT_EQ(mdlCell_detachLibrary(), 0);
    EXPECT_EQ(mdlCell_getLibraryName(name, sizeof name), DGNERR_NOTFOUND);
    EXPECT_EQ(mdlCell_existsInLibrary(u"KRYSS"), 0);
}

TEST_F(CellTest, CellNamesAreFoundExactlyOrWithCaseIgnored)
{
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, makeSymbols().c_str(), nullptr), 0);
    std::u16string longest(MDLHOST_MAX_CELLNAME, u'x'), tooLong(MDLHOST_MAX_CELLNAME + 1, u'x');
    struct Case {
        std::u16string name;
        int exists;
    } cases[] = {
        {u"KRYSS", 1},    {u"kryss", 1},  {u"Kryss", 1}, {u"br\u00F8nn", 1}, // ø folds to Ø
        {u"BRONN", 0},    {u"KRYS", 0},   {u"", 0},      {longest, 1},
        {tooLong, 0},     {u"Default", 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mdlCell_existsInLibrary(c.name.c_str()), c.exists) << c.name.size();
}

TEST_F(CellTest, LibraryCellsAreListedInOrderWithDescriptions)
{
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, makeSymbols().c_str(), nullptr), 0);
    std::vector<std::u16string> names, descriptions;
    char16_t name[MDLHOST_MAX_CELLNAME + 1], description[MDLHOST_MAX_CELLNAME + 1];
    for (int i = 0; mdlCell_getLibraryCell(i, name, MDLHOST_MAX_CELLNAME + 1, description, MDLHOST_MAX_CELLNAME + 1) == 0;
         ++i) {
        names.push_back(name);
        descriptions.push_back(description);
    }
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[1], u"KRYSS");
    EXPECT_EQ(descriptions[1], u"Kryss for punkt");
    EXPECT_EQ(names[2], u"BR\u00D8NN");
    EXPECT_EQ(descriptions[2], u"");
    EXPECT_EQ(names[3].size(), static_cast<size_t>(MDLHOST_MAX_CELLNAME));
    // A short buffer cuts the name, never overruns.
    ASSERT_EQ(mdlCell_getLibraryCell(1, name, 3, nullptr, 0), 0);
    EXPECT_EQ(std::u16string(name), u"KR");
    EXPECT_EQ(mdlCell_getLibraryCell(4, name, 10, nullptr, 0), DGNERR_NOTFOUND);
}

TEST_F(CellTest, ACellIsPlacedWithOriginScaleRotationAndItsLevelByName)
{
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, makeSymbols().c_str(), nullptr), 0);
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    DPoint3d origin{100, 200, 0}, scale{2, 2, 1};
    RotMatrix quarter;
    mdlRMatrix_fromAngle(&quarter, M_PI / 2);
    DscrPtr cell;
    ASSERT_EQ(mdlCell_getElmDscr(cell.out(), &origin, &scale, 1, &quarter, 77, 0, u"kryss"), 0);
    mdlCurrTrans_end();

    const MSElement &hdr = cell.get()->el;
    ASSERT_EQ(hdr.ehdr.type & ELM_TYPE_MASK, static_cast<uint32_t>(CELL_HEADER_ELM));
    EXPECT_EQ(std::u16string(hdr.cell.name), u"KRYSS"); // the library's spelling
    EXPECT_EQ(std::u16string(hdr.cell.description), u"Kryss for punkt");
    EXPECT_DOUBLE_EQ(hdr.cell.origin.x, 100000);
    EXPECT_DOUBLE_EQ(hdr.cell.origin.y, 200000);
    EXPECT_EQ(hdr.cell.numComponents, 1u);
    EXPECT_EQ(hdr.ehdr.graphicGroup, 77u);

    const MSElementDescr *line = cell.get()->h.firstElem;
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->el.ehdr.type & ELM_COMPLEX_BIT);
    EXPECT_EQ(line->el.ehdr.graphicGroup, 77u);
    // 1 m along x, doubled and turned a quarter: 2 m along y.
    EXPECT_NEAR(line->el.line.start.x, 100000, 1e-6);
    EXPECT_NEAR(line->el.line.start.y, 200000, 1e-6);
    EXPECT_NEAR(line->el.line.end.x, 100000, 1e-6);
    EXPECT_NEAR(line->el.line.end.y, 202000, 1e-6);
    EXPECT_NEAR(hdr.cell.dhdr.range.high.y, 202000, 1e-6);

    // The component's level is the design's level of the library level's name,
    // made with the library level's symbology.
    uint32_t level = 0, color = 0;
    ASSERT_EQ(mdlLevel_getIdFromName(&level, 0, u"Symbol"), 0);
    EXPECT_EQ(line->el.ehdr.level, level);
    EXPECT_EQ(hdr.ehdr.level, level);
    ASSERT_EQ(mdlLevel_getElementColor(&color, 0, level), 0);
    EXPECT_EQ(color, 3u);

    EXPECT_EQ(mdlCell_getElmDscr(cell.out(), &origin, nullptr, 1, nullptr, 0, 0, u"UKJENT"), DGNERR_NOTFOUND);
    EXPECT_EQ(cell.get(), nullptr);
}

TEST_F(CellTest, TrueScaleConvertsTheLibrarysUnits)
{
    // A library of 100 UOR per metre: its 1 m line is 100 UOR long.
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, makeSymbols(100).c_str(), nullptr), 0);
    struct Case {
        int trueScale;
        double length; // design UOR
    } cases[] = {{1, 1000}, {0, 100}};
    for (const Case &c : cases) {
        DscrPtr cell;
        ASSERT_EQ(mdlCell_getElmDscr(cell.out(), nullptr, nullptr, c.trueScale, nullptr, 0, 0, u"KRYSS"), 0);
        EXPECT_NEAR(cell.get()->h.firstElem->el.line.end.x, c.length, 1e-9) << c.trueScale;
    }
}

TEST_F(CellTest, A2DCellPlacedInA3DDesignCarriesZ)
{
    std::string lib = makeSymbols();
    make3d();
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, lib.c_str(), nullptr), 0);
    DPoint3d origin{1000, 2000, 300};
    DscrPtr cell;
    ASSERT_EQ(mdlCell_getElmDscr(cell.out(), &origin, nullptr, 1, nullptr, 0, 0, u"KRYSS"), 0);
    const MSElement &line = cell.get()->h.firstElem->el;
    EXPECT_TRUE(line.ehdr.properties & ELM_PROP_3D);
    EXPECT_DOUBLE_EQ(line.line.start.z, 300);
    EXPECT_DOUBLE_EQ(line.line.end.z, 300);
    EXPECT_DOUBLE_EQ(cell.get()->el.cell.origin.z, 300);
    EXPECT_NE(mdlElmdscr_add(cell.get()), 0u);
}

TEST_F(CellTest, PlacedCellsAreAddedAndReadBack)
{
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, makeSymbols().c_str(), nullptr), 0);
    uint32_t base = 0;
    ASSERT_EQ(mdlLevel_create(0, u"Base", &base), 0);
    DPoint3d origin{5000, 6000, 0};
    struct Case {
        int relative;
        uint32_t baseLevel;
        bool onBase;
    } cases[] = {{0, 0, false}, {1, base, true}, {0, base, false}};
    for (const Case &c : cases) {
        uint32_t pos = mdlCell_placeCell(&origin, nullptr, 1, nullptr, 9, c.relative, c.baseLevel, 0, u"BR\u00D8NN");
        ASSERT_NE(pos, 0u);
        DscrPtr read;
        ASSERT_GT(mdlElmdscr_read(read.out(), pos, 0, 0, nullptr), 0u);
        ASSERT_EQ(read.get()->el.cell.numComponents, 2u);
        uint32_t level = read.get()->h.firstElem->el.ehdr.level;
        EXPECT_EQ(level == base, c.onBase) << c.relative << " " << c.baseLevel;
        EXPECT_EQ(read.get()->h.firstElem->el.ehdr.graphicGroup, 9u);
        EXPECT_NEAR(read.get()->h.firstElem->h.next->el.line.end.y, 6010, 1e-9);
    }
    uint32_t shared = mdlCell_placeCell(&origin, nullptr, 1, nullptr, 0, 0, 0, 1, u"KRYSS");
    ASSERT_NE(shared, 0u);
    auto el = dgntest::newElement();
    ASSERT_EQ(mdlElement_read(el.get(), 0, shared), 0);
    EXPECT_EQ(el->ehdr.type & ELM_TYPE_MASK, static_cast<uint32_t>(SHARED_CELL_ELM));
    EXPECT_EQ(mdlSharedCell_defExists(u"KRYSS", 0), 1);
    EXPECT_EQ(mdlCell_placeCell(&origin, nullptr, 1, nullptr, 0, 0, 0, 0, u"UKJENT"), 0u);
}

TEST_F(CellTest, ExtractFixLevelsAndRange)
{
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, makeSymbols().c_str(), nullptr), 0);
    DPoint3d origin{1000, 2000, 0};
    DscrPtr cell;
    ASSERT_EQ(mdlCell_getElmDscr(cell.out(), &origin, nullptr, 1, nullptr, 0, 0, u"BR\u00D8NN"), 0);

    DPoint3d got{};
    RotMatrix rot;
    char16_t name[MDLHOST_MAX_CELLNAME + 1];
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    ASSERT_EQ(mdlCell_extract(&got, &rot, name, MDLHOST_MAX_CELLNAME + 1, &cell.get()->el), 0);
    mdlCurrTrans_end();
    EXPECT_DOUBLE_EQ(got.x, 1.0); // master units
    EXPECT_DOUBLE_EQ(got.y, 2.0);
    EXPECT_DOUBLE_EQ(rot.form3d[0][0], 1.0);
    EXPECT_EQ(std::u16string(name), u"BR\u00D8NN");
    char16_t shortName[3];
    ASSERT_EQ(mdlCell_extractName(shortName, 3, &cell.get()->el), 0);
    EXPECT_EQ(std::u16string(shortName), u"BR");
    EXPECT_EQ(mdlCell_extractName(shortName, 3, &cell.get()->h.firstElem->el), DGNERR_BADELEMENT);

    ASSERT_EQ(mdlCell_fixLevels(cell.get(), 42), 0);
    for (const MSElementDescr *d = cell.get()->h.firstElem; d; d = d->h.next) EXPECT_EQ(d->el.ehdr.level, 42u);

    // A component moved by hand: setRange brings the header's range along.
    cell.get()->h.firstElem->el.line.end.x = 9000;
    cell.get()->h.firstElem->el.line.dhdr.range.high.x = 9000;
    ASSERT_EQ(mdlCell_setRange(cell.get(), 0), 0);
    EXPECT_DOUBLE_EQ(cell.get()->el.cell.dhdr.range.high.x, 9000);
}

TEST_F(CellTest, ACellNameIsWrittenOncePerLibrary)
{
    std::string lib = makeSymbols();
    DscrPtr line;
    appendTop(line, makeLine({0, 0, 0}, {1, 0, 0}, 0).get());
    EXPECT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), u"KRYSS", u"", line.get()), DGNERR_EXISTS);
    std::u16string tooLong(MDLHOST_MAX_CELLNAME + 1, u'x');
    EXPECT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), tooLong.c_str(), u"", line.get()), DGNERR_BADARG);
    // A library attached before a cell was written sees the new cell.
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, lib.c_str(), nullptr), 0);
    EXPECT_EQ(mdlCell_existsInLibrary(u"NY"), 0);
    ASSERT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), u"NY", u"", line.get()), 0);
    EXPECT_EQ(mdlCell_existsInLibrary(u"NY"), 1);
}

} // namespace
