// Shared cells: definitions copied once into the design, instances placed
// by name, conversion to normal cells.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dgn_int.h"
#include "dgn_testing.h"
#include "dgncell_testing.h"
#include "mdlhost.h"

namespace {

using dgntest::appendTop;
using dgntest::DscrPtr;
using dgntest::makeLine;

class SharedCellTest : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        DgnTest::SetUp();
        // PIL: an arrow of two lines, 1 m long along x, in a library of 100
        // UOR per metre (so the design's copy is 1000 UOR long).
        std::string lib = path("pil.cel");
        uint32_t level = dgntest::createLibrary(lib, 100, u"Pil");
        DscrPtr pil;
        appendTop(pil, makeLine({0, 0, 0}, {100, 0, 0}, level).get());
        appendTop(pil, makeLine({100, 0, 0}, {80, 10, 0}, level).get());
        ASSERT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), u"PIL", u"Pil mot nord", pil.get()), 0);
        ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, lib.c_str(), nullptr), 0);
    }
    void TearDown() override
    {
        mdlCell_detachLibrary();
        DgnTest::TearDown();
    }

    int definitionRows()
    {
        sqlite3_stmt *st = mdlhost::dgn::storeStatement(0, "SELECT count(*) FROM dgn_sharedcell_defs");
        EXPECT_NE(st, nullptr);
        if (!st) return -1;
        EXPECT_EQ(sqlite3_step(st), SQLITE_ROW);
        int n = sqlite3_column_int(st, 0);
        sqlite3_reset(st);
        return n;
    }

    // An instance of PIL at (10, 20) m, scale 2, turned a quarter, level
    // "Punkt", colour 5, group 8.
    std::unique_ptr<MSElement> instance(uint32_t *levelOut = nullptr)
    {
        uint32_t level = 0;
        EXPECT_EQ(mdlLevel_create(0, u"Punkt", &level), 0);
        if (levelOut) *levelOut = level;
        auto el = dgntest::newElement();
        DPoint3d origin{10, 20, 0}, scale{2, 2, 1};
        RotMatrix quarter;
        mdlRMatrix_fromAngle(&quarter, M_PI / 2);
        mdlCurrTrans_begin();
        mdlCurrTrans_masterUnitsIdentity(1);
        EXPECT_EQ(mdlSharedCell_create(el.get(), 57, &origin, &quarter, &scale, u"PIL", level), 0);
        mdlCurrTrans_end();
        uint32_t color = 5, gg = 8;
        mdlElement_setSymbology(el.get(), &color, nullptr, nullptr);
        mdlElement_setProperties(el.get(), nullptr, &gg, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        return el;
    }
};

TEST_F(SharedCellTest, TheDefinitionIsCopiedIntoTheDesignOnce)
{
    EXPECT_EQ(mdlSharedCell_defExists(u"PIL", 0), 0);
    ASSERT_EQ(mdlSharedCell_makeSureDefExists(u"PIL", 0), 0);
    ASSERT_EQ(mdlSharedCell_makeSureDefExists(u"PIL", 0), 0);
    EXPECT_EQ(definitionRows(), 1);
    EXPECT_EQ(mdlSharedCell_defExists(u"PIL", 0), 1);
    EXPECT_EQ(mdlSharedCell_makeSureDefExists(u"UKJENT", 0), DGNERR_NOTFOUND);
    EXPECT_EQ(definitionRows(), 1);

    // The design keeps its copy without the library.
    mdlCell_detachLibrary();
    EXPECT_EQ(mdlSharedCell_makeSureDefExists(u"PIL", 0), 0);
    // No level of the library was brought along.
    EXPECT_EQ(mdlLevel_isValidByName(0, u"Pil"), 0);
}

TEST_F(SharedCellTest, AnInstanceRoundTripsThroughTheFile)
{
    ASSERT_EQ(mdlSharedCell_makeSureDefExists(u"PIL", 0), 0);
    auto el = instance();
    ASSERT_EQ(mdlSharedCell_setRange(el.get(), 0), 0);
    // The arrow is 1 m long, doubled and turned to point north from (10, 20) m.
    const DRange3d &r = el->sharedCell.dhdr.range;
    EXPECT_NEAR(r.low.y, 20000, 1e-6);
    EXPECT_NEAR(r.high.y, 22000, 1e-6);
    EXPECT_NEAR(r.low.x, 9800, 1e-6);

    uint32_t pos = mdlElement_add(el.get());
    ASSERT_NE(pos, 0u);
    auto back = dgntest::newElement();
    ASSERT_EQ(mdlElement_read(back.get(), 0, pos), 0);
    DPoint3d origin, scale;
    RotMatrix rot;
    char16_t name[MDLHOST_MAX_CELLNAME + 1];
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    ASSERT_EQ(mdlSharedCell_extract(&origin, name, MDLHOST_MAX_CELLNAME + 1, &scale, &rot, back.get()), 0);
    mdlCurrTrans_end();
    EXPECT_NEAR(origin.x, 10, 1e-12);
    EXPECT_NEAR(origin.y, 20, 1e-12);
    EXPECT_EQ(std::u16string(name), u"PIL");
    EXPECT_DOUBLE_EQ(scale.x, 2);
    EXPECT_NEAR(mdlRMatrix_toAngle(&rot), M_PI / 2, 1e-12);
    EXPECT_EQ(back->sharedCell.flags, 57u);
}

TEST_F(SharedCellTest, ANormalCellCarriesTheInstancesPlacementLevelAndSymbology)
{
    ASSERT_EQ(mdlSharedCell_makeSureDefExists(u"PIL", 0), 0);
    uint32_t level = 0;
    auto el = instance(&level);
    DscrPtr cell;
    ASSERT_EQ(mdlSharedCell_toNormalCell(cell.out(), el.get(), 0), 0);
    const MSElement &hdr = cell.get()->el;
    EXPECT_EQ(hdr.ehdr.type & ELM_TYPE_MASK, static_cast<uint32_t>(CELL_HEADER_ELM));
    EXPECT_EQ(std::u16string(hdr.cell.name), u"PIL");
    EXPECT_EQ(std::u16string(hdr.cell.description), u"Pil mot nord");
    EXPECT_EQ(hdr.cell.numComponents, 2u);
    int n = 0;
    for (const MSElementDescr *d = cell.get()->h.firstElem; d; d = d->h.next, ++n) {
        EXPECT_EQ(d->el.ehdr.level, level);
        EXPECT_EQ(d->el.ehdr.graphicGroup, 8u);
        EXPECT_EQ(d->el.line.dhdr.color, 5u);
    }
    EXPECT_EQ(n, 2);
    const Line_elm &shaft = cell.get()->h.firstElem->el.line;
    EXPECT_NEAR(shaft.end.x, 10000, 1e-6);
    EXPECT_NEAR(shaft.end.y, 22000, 1e-6);

    uint32_t pos = mdlElmdscr_add(cell.get());
    ASSERT_NE(pos, 0u);
    DscrPtr back;
    ASSERT_GT(mdlElmdscr_read(back.out(), pos, 0, 0, nullptr), 0u);
    EXPECT_EQ(back.get()->h.firstElem->el.ehdr.level, level);

    // Without a definition there is nothing to convert.
    auto stray = dgntest::newElement();
    ASSERT_EQ(mdlSharedCell_create(stray.get(), 0, nullptr, nullptr, nullptr, u"UKJENT", level), 0);
    EXPECT_EQ(mdlSharedCell_toNormalCell(cell.out(), stray.get(), 0), DGNERR_NOTFOUND);
    EXPECT_EQ(cell.get(), nullptr);
}

TEST_F(SharedCellTest, ADamagedDefinitionIsRefusedNotPlaced)
{
    ASSERT_EQ(mdlSharedCell_makeSureDefExists(u"PIL", 0), 0);
    struct Case {
        const char *what;
        std::vector<uint8_t> data;
    } cases[] = {{"cut short", {0x02, 0x00, 0x00}}, {"empty", {}}, {"a line, no cell", {}}};
    // The last case: a whole element that is no cell header.
    auto line = makeLine({0, 0, 0}, {1, 0, 0}, 0);
    DscrPtr lineDscr;
    dgntest::appendTop(lineDscr, line.get());
    cases[2].data = mdlhost::dgn::serializeDescr(lineDscr.get());
    ASSERT_FALSE(cases[2].data.empty());

    auto el = instance();
    for (const Case &c : cases) {
        sqlite3_stmt *st = mdlhost::dgn::storeStatement(0, "UPDATE dgn_sharedcell_defs SET data = ?");
        ASSERT_NE(st, nullptr);
        sqlite3_bind_blob(st, 1, c.data.data(), static_cast<int>(c.data.size()), SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
        sqlite3_reset(st);
        DscrPtr cell;
        EXPECT_EQ(mdlSharedCell_toNormalCell(cell.out(), el.get(), 0), DGNERR_BADFILE) << c.what;
        EXPECT_EQ(cell.get(), nullptr);
        EXPECT_EQ(mdlSharedCell_setRange(el.get(), 0), DGNERR_BADFILE) << c.what;
    }
}

TEST_F(SharedCellTest, BadNamesAndTypesAreRefused)
{
    auto el = dgntest::newElement();
    std::u16string longest(MDLHOST_MAX_CELLNAME, u'n'), tooLong(MDLHOST_MAX_CELLNAME + 1, u'n');
    EXPECT_EQ(mdlSharedCell_create(el.get(), 0, nullptr, nullptr, nullptr, longest.c_str(), 0), 0);
    EXPECT_EQ(mdlSharedCell_create(el.get(), 0, nullptr, nullptr, nullptr, tooLong.c_str(), 0), DGNERR_BADARG);
    EXPECT_EQ(mdlSharedCell_create(el.get(), 0, nullptr, nullptr, nullptr, u"", 0), DGNERR_BADARG);
    DPoint3d nan{NAN, 0, 0};
    EXPECT_EQ(mdlSharedCell_create(el.get(), 0, &nan, nullptr, nullptr, u"PIL", 0), DGNERR_BADELEMENT);
    auto line = makeLine({0, 0, 0}, {1, 1, 0}, 0);
    DPoint3d origin;
    EXPECT_EQ(mdlSharedCell_extract(&origin, nullptr, 0, nullptr, nullptr, line.get()), DGNERR_BADELEMENT);
    EXPECT_EQ(mdlSharedCell_makeSureDefExists(tooLong.c_str(), 0), DGNERR_BADARG);
}

} // namespace
