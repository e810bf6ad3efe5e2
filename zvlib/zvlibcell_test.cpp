#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>

#include "dgncell_testing.h"
#include "mdlhost.h"
#include "testing/zvlibdgn_testing.h"
#include "zvlibcell.h"

namespace {

using dgntest::appendTop;
using dgntest::DscrPtr;
using dgntest::makeLine;

class ZvlibCellTest : public zvlibtest::DgnAppTest {
  protected:
    void TearDown() override
    {
        for (const char *v : {"ZV_CELL", "ZV_DIR"})
            mdlSystem_defineCfgVar(v, nullptr);
        DgnAppTest::TearDown();
    }
    // A cell library at dir/name with cells Pil ("Nord"), default and Kors.
    std::string makeLibrary(const std::string &dir, const std::string &name)
    {
        std::filesystem::create_directories(path(dir));
        std::string lib = path(dir + "/" + name);
        uint32_t level = dgntest::createLibrary(lib, dgntest::kUorPerMaster, u"Symbol");
        DscrPtr pil, kors;
        appendTop(pil, makeLine({0, 0, 0}, {10, 0, 0}, level).get());
        appendTop(kors, makeLine({0, 0, 0}, {10, 0, 0}, level).get());
        appendTop(kors, makeLine({0, 0, 0}, {0, 10, 0}, level).get());
        EXPECT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), u"Pil", u"Nord", pil.get()), 0);
        EXPECT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), u"default", u"ikke med", pil.get()), 0);
        EXPECT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), u"Kors", u"", kors.get()), 0);
        return lib;
    }
    std::string attached()
    {
        char name[MDLHOST_MAXFILELENGTH];
        return mdlCell_getLibraryName(name, sizeof name) == 0 ? name : "";
    }
};

TEST_F(ZvlibCellTest, CellFolderFromZvCellThenZvDirThenTheDefault)
{
    struct Case {
        const char *zvCell, *zvDir, *expected;
    } cases[] = {
        {"/a;/b", "/zv/", "/a;/b"},
        {nullptr, "/zv/", "/zv/cell\\"},
        {nullptr, nullptr, "c:\\fennvik\\cell\\"},
    };
    for (const Case &c : cases) {
        mdlSystem_defineCfgVar("ZV_CELL", c.zvCell);
        mdlSystem_defineCfgVar("ZV_DIR", c.zvDir);
        char out[MDLHOST_MAXFILELENGTH];
        ASSERT_EQ(zvlibCell_getZvCellPath(out, sizeof out), 0);
        EXPECT_STREQ(out, c.expected);
    }
    char small[8] = "x";
    EXPECT_EQ(zvlibCell_getZvCellPath(small, sizeof small), ZVLIB_FAILURE);
    EXPECT_STREQ(small, "") << "nothing cut";
}

TEST_F(ZvlibCellTest, LibrariesAreFoundAlongZvCellOrInTheCellFolder)
{
    makeLibrary("sok", "logo.cel");
    char found[MDLHOST_MAXFILELENGTH];
    mdlSystem_defineCfgVar("ZV_CELL", path("sok").c_str());
    for (const char *name : {"logo", "logo.cel", "LOGO.CEL"}) {
        ASSERT_EQ(zvlibCell_getCellPathAndName(found, name), 0) << name;
        EXPECT_TRUE(std::filesystem::equivalent(found, path("sok/logo.cel"))) << found;
    }
    EXPECT_EQ(zvlibCell_getCellPathAndName(found, "mangler"), ZVLIB_FAILURE);
    EXPECT_STREQ(found, "");
    EXPECT_EQ(zvlibCell_getCellPathAndName(found, ""), ZVLIB_FAILURE);

    // Without ZV_CELL: ZV_DIR's cell folder, the name as given.
    mdlSystem_defineCfgVar("ZV_CELL", nullptr);
    makeLibrary("zv/cell", "logo.cel");
    mdlSystem_defineCfgVar("ZV_DIR", (path("zv") + "/").c_str());
    ASSERT_EQ(zvlibCell_getCellPathAndName(found, "logo.cel"), 0);
    char local[MDLHOST_MAXFILELENGTH];
    EXPECT_TRUE(std::filesystem::equivalent(mdlhost_mapPath(local, sizeof local, found), path("zv/cell/logo.cel")))
        << found;
    EXPECT_EQ(zvlibCell_getCellPathAndName(found, "logo"), ZVLIB_FAILURE) << "no default extension there";
}

TEST_F(ZvlibCellTest, ALibraryOfTheSameNameIsNotAttachedAgain)
{
    std::string first = makeLibrary("a", "logo.cel");
    makeLibrary("b", "logo.cel");
    makeLibrary("b", "other.cel");
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, first.c_str(), nullptr), 0);
    const std::string before = attached();
    mdlSystem_defineCfgVar("ZV_CELL", path("b").c_str());

    EXPECT_EQ(zvlibCell_loadCellLibraryIfNeeded("LOGO.CEL"), 0);
    EXPECT_EQ(attached(), before) << "logo.cel of another folder counts as the same";
    EXPECT_EQ(zvlibCell_loadCellLibraryIfNeeded(""), 0);
    EXPECT_EQ(attached(), before);

    EXPECT_EQ(zvlibCell_loadCellLibraryIfNeeded("other.cel"), 0);
    EXPECT_TRUE(std::filesystem::equivalent(attached(), path("b/other.cel"))) << attached();
    EXPECT_EQ(zvlibCell_loadCellLibraryIfNeeded("missing.cel"), DGNERR_NOTFOUND);
    EXPECT_TRUE(std::filesystem::equivalent(attached(), path("b/other.cel"))) << "the host keeps the old one";
}

TEST_F(ZvlibCellTest, TheLibrarysCellsGoIntoAStringList)
{
    StringList *list = mdlStringList_create(0, 0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(zvlibCell_getStringlistFromLib(list, 3), 0) << "no library";
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, makeLibrary("a", "logo.cel").c_str(), nullptr), 0);
    EXPECT_EQ(zvlibCell_getStringlistFromLib(list, 1), ZVLIB_FAILURE);
    EXPECT_EQ(mdlStringList_size(list), 0);

    ASSERT_EQ(zvlibCell_getStringlistFromLib(list, 3), 2);
    const char *expected[] = {"Pil", "Nord", "", "Kors", "", ""};
    ASSERT_EQ(mdlStringList_size(list), 6);
    for (long i = 0; i < 6; ++i) {
        const char *text = nullptr;
        ASSERT_EQ(mdlStringList_getMember(&text, nullptr, list, i), 0);
        EXPECT_STREQ(text, expected[i]) << i;
    }

    // A full list is a failure, not a short count.
    mdlhost_stringListSetLimit(list, 7);
    EXPECT_EQ(zvlibCell_getStringlistFromLib(list, 2), ZVLIB_FAILURE);
    mdlStringList_destroy(list);
}

TEST_F(ZvlibCellTest, FilePositionsAreNotNeeded)
{
    EXPECT_EQ(zvlibCell_getFilePosFromStringlist(), ZVLIB_FAILURE);
    EXPECT_STREQ(mdlhost_textWindow(), "zvlibCell_getFilePosFromStringlist er ikke n\xF8" "dvendig i V8.\n");
}

TEST_F(ZvlibCellTest, CellsAreDrawnIntoTheirItem)
{
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, makeLibrary("a", "logo.cel").c_str(), nullptr), 0);
    MSDialog *db = mdlhost_createDialog(30300, "Celler", 100, 100);
    ASSERT_NE(db, nullptr);
    const BSIRect item{{0, 0}, {41, 41}};
    // Kors: 10 x 10 drawn into the item inset by 10 (20 x 20 pixels).
    ASSERT_EQ(zvlibCell_drawCell("kors", db, &item, 10, 3), 0);
    EXPECT_STREQ(mdlhost_drawLog(), "bevel 0 0 41 41 0\n"
                                    "fill 2 2 39 39 colour 0\n"
                                    "line 10 30 30 30 colour 0\n"
                                    "line 10 30 10 10 colour 0\n"
                                    "line 20 2 20 38 colour 7\n"
                                    "line 2 20 38 20 colour 7\n");

    mdlhost_clearDrawLog();
    EXPECT_EQ(zvlibCell_drawCell("Ukjent", db, &item, 0, 3), ZVLIB_FAILURE);
    EXPECT_STREQ(mdlhost_drawLog(), "bevel 0 0 41 41 0\nfill 2 2 39 39 colour 0\n");
    mdlWindow_close(db);
}

// --- merging -------------------------------------------------------------------------

void cellAt(DscrPtr &d, DPoint3d origin, double angle)
{
    auto header = dgntest::newElement();
    ASSERT_EQ(mdlCell_create(header.get(), u"Sammen", &origin, 0), 0);
    mdlRMatrix_fromAngle(&header->cell.rotation, angle);
    ASSERT_EQ(mdlElmdscr_new(d.out(), nullptr, header.get()), 0);
}

void expectLine(const MSElementDescr *d, DPoint3d a, DPoint3d b)
{
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(mdlElement_getType(&d->el), LINE_ELM);
    EXPECT_NEAR(d->el.line.start.x, a.x, 1e-9);
    EXPECT_NEAR(d->el.line.start.y, a.y, 1e-9);
    EXPECT_NEAR(d->el.line.end.x, b.x, 1e-9);
    EXPECT_NEAR(d->el.line.end.y, b.y, 1e-9);
}

TEST_F(ZvlibCellTest, MergingTakesTheElementsAndRemovesTheRotation)
{
    const double quarter = std::numbers::pi / 2;
    DscrPtr cell;
    cellAt(cell, {100, 100, 0}, quarter);
    ASSERT_EQ(mdlElmdscr_appendElement(cell.get(), makeLine({100, 100, 0}, {100, 110, 0}, 0).get()), 0);
    // The first holds a cell whose header is left out; the second a line.
    DscrPtr inner;
    cellAt(inner, {0, 0, 0}, 0);
    ASSERT_EQ(mdlElmdscr_appendElement(inner.get(), makeLine({200, 100, 0}, {200, 120, 0}, 0).get()), 0);
    DscrPtr loose;
    appendTop(loose, makeLine({100, 100, 0}, {90, 100, 0}, 0).get());

    ASSERT_EQ(zvlibCell_mergeCells(cell.get(), inner.get(), loose.get()), 0);
    RotMatrix identity;
    mdlRMatrix_getIdentity(&identity);
    EXPECT_EQ(std::memcmp(&cell.get()->el.cell.rotation, &identity, sizeof identity), 0);
    EXPECT_EQ(cell.get()->el.cell.origin.x, 100);
    EXPECT_EQ(cell.get()->el.cell.origin.y, 100);
    EXPECT_EQ(cell.get()->el.complexHdr.numComponents, 3u);
    // Turned back by a quarter about the origin: (dx, dy) -> (dy, -dx).
    const MSElementDescr *c = cell.get()->h.firstElem;
    expectLine(c, {100, 100, 0}, {110, 100, 0});
    expectLine(c->h.next, {100, 0, 0}, {120, 0, 0});
    expectLine(c->h.next->h.next, {100, 100, 0}, {100, 110, 0});
    EXPECT_EQ(inner.get()->el.complexHdr.numComponents, 1u) << "the sources stay";

    // Neither source: only the rotation goes.
    DscrPtr alone;
    cellAt(alone, {0, 0, 0}, quarter);
    ASSERT_EQ(mdlElmdscr_appendElement(alone.get(), makeLine({0, 0, 0}, {0, 5, 0}, 0).get()), 0);
    ASSERT_EQ(zvlibCell_mergeCells(alone.get(), nullptr, nullptr), 0);
    expectLine(alone.get()->h.firstElem, {0, 0, 0}, {5, 0, 0});
}

TEST_F(ZvlibCellTest, MergingRefusesWhatIsNoRotatedCell)
{
    DscrPtr flat;
    cellAt(flat, {0, 0, 0}, 0);
    std::memset(&flat.d->el.cell.rotation, 0, sizeof(RotMatrix));
    DscrPtr loose;
    appendTop(loose, makeLine({0, 0, 0}, {1, 0, 0}, 0).get());
    EXPECT_EQ(zvlibCell_mergeCells(flat.get(), loose.get(), nullptr), ZVLIB_FAILURE);
    EXPECT_EQ(flat.get()->h.firstElem, nullptr) << "nothing appended";
    EXPECT_EQ(zvlibCell_mergeCells(loose.get(), nullptr, nullptr), ZVLIB_FAILURE) << "no cell header";
    EXPECT_EQ(zvlibCell_mergeCells(nullptr, loose.get(), nullptr), ZVLIB_FAILURE);
}

} // namespace
