// The design-file store: the file, positions and ids, records, transactions,
// damaged and foreign files, models and units.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "dgn_int.h"
#include "dgn_records.h"
#include "dgn_testing.h"
#include "child_testing.h"

using namespace dgntest;
using mdlhost::dgn::ScanFilter;
using mdlhost::dgn::storeScan;

namespace {

std::vector<DPoint3d> square(double x, double y, double size = 100)
{
    return {{x, y, 0}, {x + size, y, 0}, {x + size, y + size, 0}, {x, y + size, 0}};
}

std::vector<uint32_t> scanAll(DgnModelRefP model = 0, const ScanFilter &f = {})
{
    std::vector<uint32_t> out;
    storeScan(model, f, [&](uint32_t pos) {
        out.push_back(pos);
        return 0;
    });
    return out;
}

// Runs sql on a closed design file, as another program would.
void sqlOnFile(const std::string &path, const std::string &sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char *err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
}

int64_t countRows(const std::string &path, const std::string &sql)
{
    sqlite3 *db = nullptr;
    int64_t n = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
            n = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return n;
}

std::string run(const std::string &command) { return dgntest::runCommand(command); }

bool haveOgrinfo() { return std::system("ogrinfo --version >/dev/null 2>&1") == 0; }

class StoreTest : public DgnTest {
  protected:
    uint32_t addLine(double x, uint32_t level = 1, uint32_t gg = 0)
    {
        ElementP el = linear(square(x, 0), level, gg);
        return mdlElement_add(el.get());
    }
};

} // namespace

// --- the file -------------------------------------------------------------------------

TEST_F(StoreTest, GisToolsOpenTheFileAndSeeEachGraphicElementAsAFeature)
{
    if (!haveOgrinfo())
        GTEST_SKIP() << "ogrinfo is not installed";
    ElementP a = linear(square(0, 0), 1);
    ElementP app = application({1, 2, 3});
    ASSERT_NE(mdlElement_add(a.get()), 0u);
    ASSERT_NE(mdlElement_add(app.get()), 0u); // no geometry: no feature
    std::string out = run("ogrinfo -ro -so -al '" + dgnPath() + "' 2>&1");
    EXPECT_NE(out.find("Layer name: model_1"), std::string::npos) << out;
    EXPECT_NE(out.find("IDENTIFIER=Default"), std::string::npos) << out;
    EXPECT_NE(out.find("Feature Count: 1"), std::string::npos) << out;
    for (const char *field : {"level: String", "color: Integer", "weight: Integer", "style: Integer", "text: String"})
        EXPECT_NE(out.find(field), std::string::npos) << field << "\n" << out;
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
    // The only remark is about the extension, which is ".dgn" by design.
    size_t warning = out.find("Warning");
    EXPECT_TRUE(warning == std::string::npos || out.find("non conformant file extension", warning) < out.find('\n', warning))
        << out;
    EXPECT_EQ(out.find("Warning", warning == std::string::npos ? warning : warning + 1), std::string::npos) << out;
    // Host tables other than the levels are not offered as layers.
    EXPECT_EQ(out.find("Layer name: dgn_elements"), std::string::npos) << out;
}

TEST_F(StoreTest, TheFilePassesGdalsGeoPackageValidator)
{
    const char *validator = "/usr/lib/python3/dist-packages/osgeo_utils/samples/validate_gpkg.py";
    if (!std::filesystem::exists(validator))
        GTEST_SKIP() << "GDAL's validate_gpkg.py is not installed";
    uint32_t level = 0;
    ASSERT_EQ(mdlLevel_create(0, u"3001", &level), 0);
    ASSERT_NE(mdlElement_add(linear(square(0, 0), level).get()), 0u);
    uint32_t gone = mdlElement_add(linear(square(10, 10), level).get());
    ASSERT_EQ(mdlElement_undoableDelete(nullptr, gone, 0), 0);
    DgnModelRefP cell = 0;
    ASSERT_EQ(mdlhost_dgnCreateModel(0, u"KRYSS", u"", &cell), 0);
    mdlhost_dgnCloseModel(cell);
    make3d();
    ASSERT_NE(mdlElement_add(linear({{1, 2, 3}, {4, 5, 6}}, 1, 0, LINE_STRING_ELM, true).get()), 0u);
    mdlhost_closeDesignFile();
    for (const char *name : {"design", "design3d"}) {
        // The one requirement a design file does not meet by design: its
        // extension.  A copy named .gpkg is checked.
        std::string file = path(std::string(name) + ".gpkg");
        std::filesystem::copy_file(path(std::string(name) + ".dgn"), file);
        std::string out = run(std::string("python3 ") + validator + " '" + file + "' 2>&1; echo rc=$?");
        EXPECT_NE(out.find("rc=0"), std::string::npos) << file << "\n" << out;
    }
}

TEST_F(StoreTest, FileHoldsTheGeoPackageMarksAndHostSettings)
{
    mdlhost_closeDesignFile();
    EXPECT_EQ(countRows(dgnPath(), "PRAGMA application_id"), 0x47504B47);
    EXPECT_EQ(countRows(dgnPath(), "PRAGMA user_version"), 10300);
    EXPECT_EQ(countRows(dgnPath(), "SELECT value FROM dgn_settings WHERE key = 'layout'"), 1);
    EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM gpkg_spatial_ref_sys WHERE srs_id IN (-1, 0, 4326, 1000)"), 4);
    EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM gpkg_contents WHERE identifier = 'Default' "
                                   "AND table_name = 'model_1' AND srs_id = 1000"),
              1);
    // One file: no journal or log left beside it.
    EXPECT_FALSE(std::filesystem::exists(dgnPath() + "-journal"));
    EXPECT_FALSE(std::filesystem::exists(dgnPath() + "-wal"));
}

TEST_F(StoreTest, CreateRefusesAnExistingFileAndBadUnits)
{
    DPoint3d o{0, 0, 0};
    EXPECT_EQ(mdlhost_dgnCreateFile(dgnPath().c_str(), 0, 1000, "m", &o), DGNERR_EXISTS);
    EXPECT_EQ(mdlhost_dgnCreateFile(path("x.dgn").c_str(), 0, 0, "m", &o), DGNERR_BADARG);
    EXPECT_EQ(mdlhost_dgnCreateFile(path("x.dgn").c_str(), 0, NAN, "m", &o), DGNERR_BADARG);
    EXPECT_FALSE(std::filesystem::exists(path("x.dgn")));
}

// --- positions and ids -------------------------------------------------------------

TEST_F(StoreTest, PositionZeroNeverNamesAnElement)
{
    MSElement el;
    EXPECT_EQ(mdlElement_read(&el, 0, 0), DGNERR_NOTFOUND);
    uint32_t first = addLine(0);
    EXPECT_GE(first, 1u);
    EXPECT_EQ(mdlElement_read(&el, 0, 0), DGNERR_NOTFOUND);
    EXPECT_EQ(mdlElement_undoableDelete(nullptr, 0, 0), DGNERR_NOTFOUND);
}

TEST_F(StoreTest, PositionsFit31BitsAndIncreaseAsElementsAreAdded)
{
    uint32_t eof = mdlModelRef_getEof(0);
    uint32_t last = 0;
    for (int i = 0; i < 20; i++) {
        uint32_t pos = addLine(i);
        ASSERT_NE(pos, 0u);
        EXPECT_GE(pos, eof); // copies made after the end was taken lie beyond it
        EXPECT_GT(pos, last);
        EXPECT_LE(pos, 0x7FFFFFFFu);
        last = pos;
    }
    EXPECT_GT(mdlModelRef_getEof(0), last);
    DgnModelRefP model = -1;
    EXPECT_EQ(mdlElement_getFilePos(FILEPOS_EOF, &model), mdlModelRef_getEof(0));
    EXPECT_EQ(model, mdlModelRef_getActive());
}

// The applications pass the platform's numbers as they stand:
// "mdlElement_getFilePos 1" for the current element, "0" for the end of
// the file.
TEST_F(StoreTest, FilePositionQuestionsTakeThePlatformsNumbers)
{
    EXPECT_EQ(FILEPOS_EOF, 0);
    EXPECT_EQ(FILEPOS_CURRENT, 1);
    addLine(0);
    uint32_t pos = addLine(1);
    addLine(2);
    MSElement el;
    ASSERT_EQ(mdlElement_read(&el, 0, pos), 0);
    DgnModelRefP model = -1;
    EXPECT_EQ(mdlElement_getFilePos(1, &model), pos) << "1: the element just read";
    EXPECT_EQ(model, mdlModelRef_getActive());
    EXPECT_EQ(mdlElement_getFilePos(0, nullptr), mdlModelRef_getEof(0)) << "0: the end of the file";
    EXPECT_GT(mdlElement_getFilePos(0, nullptr), pos);
    model = -1;
    EXPECT_EQ(mdlElement_getFilePos(7, &model), 0u) << "no such question";
    EXPECT_EQ(model, MDLHOST_NO_MODEL);
}

TEST_F(StoreTest, RewriteKeepsThePositionWhenItFitsAndMovesItKeepingTheIdOtherwise)
{
    ElementP el = linear(square(0, 0));
    uint32_t pos = mdlElement_add(el.get());
    ASSERT_NE(pos, 0u);
    ElementID id = el->ehdr.uniqueId;
    ASSERT_NE(id, 0u);
    addLine(500); // something after it

    // The space a rewrite is measured against is the stored element's.
    struct Case {
        const char *what;
        size_t points; // of the new version
        bool moves;
    } cases[] = {
        {"smaller", 3, false},
        {"same size", 3, false},
        {"larger than stored", 4, true},
        {"smaller again", 2, false},
    };
    for (const Case &c : cases) {
        std::vector<DPoint3d> pts;
        for (size_t i = 0; i < c.points; i++)
            pts.push_back({double(i), double(i * i), 0});
        ElementP next = linear(pts);
        uint32_t at = mdlElement_rewrite(next.get(), nullptr, pos);
        ASSERT_NE(at, 0u) << c.what;
        EXPECT_EQ(at != pos, c.moves) << c.what;
        EXPECT_EQ(next->ehdr.uniqueId, id) << c.what;
        EXPECT_EQ(mdlAssoc_getElement(nullptr, id, 0), at) << c.what;
        MSElement back;
        ASSERT_EQ(mdlElement_read(&back, 0, at), 0) << c.what;
        EXPECT_EQ(back.linear.numVerts, c.points) << c.what;
        if (at != pos) {
            EXPECT_EQ(mdlElement_read(&back, 0, pos), DGNERR_NOTFOUND) << c.what;
        }
        pos = at;
    }
}

TEST_F(StoreTest, RewritingAHeaderAloneKeepsItsComponentsAndAnotherTypeReplacesThem)
{
    ElementP hdr = chainHeader(1);
    MSElementDescr *chain = node(*hdr);
    append(chain, node(*linear({{0, 0, 0}, {1, 1, 0}})));
    append(chain, node(*linear({{1, 1, 0}, {2, 0, 0}})));
    uint32_t pos = mdlElmdscr_add(chain);
    mdlElmdscr_freeAll(&chain);
    ASSERT_NE(pos, 0u);
    MSElement head;
    ASSERT_EQ(mdlElement_read(&head, 0, pos), 0);
    head.ehdr.level = 9;
    ASSERT_EQ(mdlElement_rewrite(&head, nullptr, pos), pos);
    MSElementDescr *d = nullptr;
    ASSERT_NE(mdlElmdscr_read(&d, pos, 0, 0, nullptr), 0u);
    EXPECT_EQ(d->el.ehdr.level, 9u);
    ASSERT_NE(d->h.firstElem, nullptr);
    ASSERT_NE(d->h.firstElem->h.next, nullptr);
    mdlElmdscr_freeAll(&d);
    // A line string in its place: the components go with the old element.
    ElementP line = linear({{0, 0, 0}, {2, 0, 0}});
    ASSERT_EQ(mdlElement_rewrite(line.get(), nullptr, pos), pos);
    ASSERT_NE(mdlElmdscr_read(&d, pos, 0, 0, nullptr), 0u);
    EXPECT_EQ(d->el.ehdr.type, uint32_t(LINE_STRING_ELM));
    EXPECT_EQ(d->h.firstElem, nullptr);
    mdlElmdscr_freeAll(&d);
}

TEST_F(StoreTest, ScansGiveTopLevelElementsInOrderAndSkipDeletedOnes)
{
    // A complex chain with two components is one hit.
    ElementP hdr = chainHeader();
    MSElementDescr *chain = node(*hdr);
    ElementP c1 = linear({{0, 0, 0}, {1, 1, 0}});
    ElementP c2 = linear({{1, 1, 0}, {2, 0, 0}});
    append(chain, node(*c1));
    append(chain, node(*c2));
    uint32_t a = addLine(0);
    uint32_t b = mdlElmdscr_add(chain);
    uint32_t c = addLine(10);
    uint32_t d = addLine(20);
    mdlElmdscr_freeAll(&chain);
    ASSERT_TRUE(a && b && c && d);
    EXPECT_EQ(scanAll(), (std::vector<uint32_t>{a, b, c, d}));
    ASSERT_EQ(mdlElement_undoableDelete(nullptr, c, 0), 0);
    EXPECT_EQ(scanAll(), (std::vector<uint32_t>{a, b, d}));
    ASSERT_EQ(mdlhost_dgnUndelete(0, c), 0);
    EXPECT_EQ(scanAll(), (std::vector<uint32_t>{a, b, c, d}));
}

TEST_F(StoreTest, CompressRemovesDeletedElementsAndRenumbersKeepingOrderAndIds)
{
    std::vector<uint32_t> pos;
    for (int i = 0; i < 6; i++)
        pos.push_back(addLine(i * 10));
    ElementID last;
    ASSERT_EQ(mdlAssoc_getUniqueId(&last, pos[5], 0), 0);
    ASSERT_EQ(mdlElement_undoableDelete(nullptr, pos[1], 0), 0);
    ASSERT_EQ(mdlElement_undoableDelete(nullptr, pos[3], 0), 0);
    ASSERT_EQ(mdlSystem_compressDgnFile(), 0);
    std::vector<uint32_t> after = scanAll();
    EXPECT_EQ(after, (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(mdlAssoc_getElement(nullptr, last, 0), 4u);
    MSElement el;
    ASSERT_EQ(mdlElement_read(&el, 0, 4), 0);
    EXPECT_DOUBLE_EQ(el.linear.vertice[0].x, 50);
    EXPECT_EQ(mdlModelRef_getEof(0), 5u);
    EXPECT_EQ(mdlhost_dgnUndelete(0, pos[3]), DGNERR_NOTFOUND); // gone for good
    // The feature rows followed their elements.
    mdlhost_closeDesignFile();
    EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM model_1"), 4);
    EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM model_1 m JOIN dgn_elements e ON e.pos = m.fid"), 4);
}

TEST_F(StoreTest, UniqueIdsStayWithTheirElementsAcrossReopening)
{
    ElementP el = linear(square(0, 0));
    uint32_t pos = mdlElement_add(el.get());
    ElementID id = el->ehdr.uniqueId;
    ElementP other = linear(square(5, 5));
    ASSERT_NE(mdlElement_add(other.get()), 0u);
    EXPECT_NE(other->ehdr.uniqueId, id);
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    EXPECT_EQ(mdlAssoc_getElement(nullptr, id, 0), pos);
    ElementP third = linear(square(7, 7));
    ASSERT_NE(mdlElement_add(third.get()), 0u);
    EXPECT_GT(third->ehdr.uniqueId, other->ehdr.uniqueId); // ids are not given twice
}

// --- records ---------------------------------------------------------------------------

TEST_F(StoreTest, ElementsReadBackAsTheyWereAdded)
{
    std::vector<DPoint3d> flat = {{6.5e8, 6.6e9, 0}, {6.5e8 + 0.001, 6.6e9 - 1e-3, 0}, {1e-300, -0.0, 0}};
    std::vector<DPoint3d> high = {{1, 2, 3}, {4, 5, 6.125}};
    const double big = 9007199254740991.0; // the largest whole number kept as a difference
    std::vector<ElementP> cases;
    cases.push_back(linear(flat));                                            // 2D, stored without z
    cases.push_back(linear(high, 7, 9, SHAPE_ELM, true));                     // z kept
    cases.push_back(linear({{1, 1, 0}, {2, 2, 1e-9}}));                       // a z that is not 0
    cases.push_back(linear({{650000000, 6600000000, 0}, {650000001, 6599990000, 0}})); // millimetres
    cases.push_back(linear({{1, 2, 3}, {-4, 5, -6}, {0, 0, 0}}, 1, 0, CURVE_ELM, true));
    cases.push_back(linear({{big, -big, 0}, {-big, big, 0}, {big + 1, 0, 0}})); // 2^53: not as a difference
    cases.push_back(linear({{1e300, -1e300, 0}, {INFINITY, NAN, 0}}));
    cases.push_back(linear(flat, 2, 0xFFFFFFFFu, CURVE_ELM));
    addLinkage(*cases.back(), 0, 17, 2);
    cases.push_back(application({0x9D, 0, 0x65, 0, 3, 0, 'P', '1', 0}));
    for (ElementP &el : cases) {
        uint32_t pos = mdlElement_add(el.get());
        ASSERT_NE(pos, 0u);
        MSElement back;
        ASSERT_EQ(mdlElement_read(&back, 0, pos), 0);
        EXPECT_TRUE(sameBytes(back, *el)) << "type " << (el->ehdr.type & 0xFF);
        MSElementDescr *d = nullptr;
        uint32_t next = 0;
        EXPECT_EQ(mdlElmdscr_read(&d, pos, 0, 0, &next), 2u * el->ehdr.elementSize);
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(sameBytes(d->el, *el));
        EXPECT_EQ(d->h.filePos, pos);
        EXPECT_EQ(next, mdlModelRef_getEof(0));
        mdlElmdscr_freeAll(&d);
    }
}

TEST(StoreRecords, SerialisedDescriptorsRebuildTheSameTree)
{
    ElementP hdr = chainHeader();
    MSElementDescr *tree = node(*hdr);
    ElementP inner = chainHeader();
    MSElementDescr *nested = node(*inner);
    ElementP a = linear({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    ElementP b = linear({{1, 1, 5}, {2, 2, 5}}, 1, 0, LINE_STRING_ELM, true);
    addLinkage(*a, 20275, 6, 1);
    append(nested, node(*b));
    append(tree, node(*a));
    append(tree, nested);
    std::vector<uint8_t> bytes = mdlhost::dgn::serializeDescr(tree);
    MSElementDescr *back = mdlhost::dgn::deserializeDescr(bytes.data(), bytes.size());
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(sameBytes(back->el, tree->el));
    ASSERT_NE(back->h.firstElem, nullptr);
    EXPECT_TRUE(sameBytes(back->h.firstElem->el, *a));
    MSElementDescr *n2 = back->h.firstElem->h.next;
    ASSERT_NE(n2, nullptr);
    EXPECT_EQ(n2->h.myHeader, back);
    EXPECT_TRUE(n2->h.isHeader);
    ASSERT_NE(n2->h.firstElem, nullptr);
    EXPECT_TRUE(sameBytes(n2->h.firstElem->el, *b));
    EXPECT_EQ(n2->h.firstElem->h.next, nullptr);
    // A 2D element's zeros are not stored: the record is smaller than its bytes.
    EXPECT_LT(bytes.size(), size_t(2 * (hdr->ehdr.elementSize * 2 + a->ehdr.elementSize + b->ehdr.elementSize)));
    mdlElmdscr_freeAll(&back);
    mdlElmdscr_freeAll(&tree);
}

TEST(StoreRecords, DamagedRecordsAreRefusedNeverOverrun)
{
    ElementP hdr = chainHeader();
    MSElementDescr *tree = node(*hdr);
    ElementP a = linear(square(0, 0));
    addLinkage(*a, 1, 2, 3);
    append(tree, node(*a));
    std::vector<uint8_t> good = mdlhost::dgn::serializeDescr(tree);
    mdlElmdscr_freeAll(&tree);
    // Every cut is refused; every flipped byte gives null or a tree that
    // holds together (sanitizers watch the reads).
    for (size_t n = 0; n < good.size(); n++) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        EXPECT_EQ(mdlhost::dgn::deserializeDescr(cut.data(), cut.size()), nullptr) << n;
    }
    for (size_t i = 0; i < good.size(); i++) {
        for (uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = good;
            bad[i] ^= flip;
            MSElementDescr *d = mdlhost::dgn::deserializeDescr(bad.data(), bad.size());
            for (MSElementDescr *x = d; x; x = x->h.firstElem)
                EXPECT_EQ(mdlhost::dgn::validateElement(&x->el), 0);
            mdlElmdscr_freeAll(&d);
        }
    }
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_EQ(mdlhost::dgn::deserializeDescr(longer.data(), longer.size()), nullptr);
    // Components nested deeper than any tree the host builds.
    std::vector<uint8_t> deep;
    ElementP h = chainHeader();
    for (int i = 0; i < 100000; i++) {
        uint32_t word = 1u << 8;
        deep.insert(deep.end(), reinterpret_cast<uint8_t *>(&word), reinterpret_cast<uint8_t *>(&word) + 4);
        deep.insert(deep.end(), reinterpret_cast<uint8_t *>(h.get()),
                    reinterpret_cast<uint8_t *>(h.get()) + 2 * h->ehdr.elementSize);
    }
    EXPECT_EQ(mdlhost::dgn::deserializeDescr(deep.data(), deep.size()), nullptr);
}

TEST_F(StoreTest, AnElementRecordDamagedInTheFileIsAnErrorAndTheRestStillReads)
{
    uint32_t a = addLine(0), b = addLine(10), c = addLine(20);
    mdlhost_closeDesignFile();
    // Vertex count beyond the record; then a record that is not one at all.
    sqlOnFile(dgnPath(), "UPDATE dgn_elements SET data = substr(data, 1, length(data) - 8) WHERE pos = " + std::to_string(b));
    sqlOnFile(dgnPath(), "UPDATE dgn_elements SET data = x'00' WHERE pos = " + std::to_string(c));
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    MSElement el;
    EXPECT_EQ(mdlElement_read(&el, 0, a), 0);
    for (uint32_t pos : {b, c}) {
        EXPECT_EQ(mdlElement_read(&el, 0, pos), DGNERR_BADELEMENT);
        MSElementDescr *d = nullptr;
        EXPECT_EQ(mdlElmdscr_read(&d, pos, 0, 0, nullptr), 0u);
        EXPECT_EQ(d, nullptr);
        EXPECT_EQ(mdlElement_rewrite(linear(square(1, 1)).get(), nullptr, pos), 0u);
    }
    EXPECT_EQ(scanAll().size(), 3u);
    EXPECT_NE(addLine(30), 0u);
}

TEST_F(StoreTest, InvalidElementsAreRefusedWithoutWriting)
{
    uint32_t eof = mdlModelRef_getEof(0);
    ElementP tooMany = linear(square(0, 0));
    tooMany->linear.numVerts = 9; // beyond the record
    ElementP noType = linear(square(0, 0));
    noType->ehdr.type = 0;
    ElementP badLinkage = linear(square(0, 0));
    badLinkage->ehdr.elementSize += 3; // three words no linkage fills
    for (ElementP *el : {&tooMany, &noType, &badLinkage}) {
        EXPECT_EQ(mdlElement_add(el->get()), 0u);
        EXPECT_EQ(mdlErrno, DGNERR_BADELEMENT);
    }
    EXPECT_EQ(mdlElement_add(nullptr), 0u);
    EXPECT_EQ(mdlModelRef_getEof(0), eof);
    EXPECT_TRUE(scanAll().empty());
}

// --- transactions -------------------------------------------------------------------

TEST_F(StoreTest, ACommandIsOneTransaction)
{
    uint32_t before = addLine(0);
    struct Case {
        const char *what;
        int commit;
        bool failWrite;
        bool kept;
    } cases[] = {
        {"committed", 1, false, true},
        {"ended with 0", 0, false, false},
        {"a write failed", 1, true, false},
    };
    for (const Case &c : cases) {
        size_t count = scanAll().size();
        uint32_t eof = mdlModelRef_getEof(0);
        uint32_t level = 0;
        mdlhost_dgnBeginCommand();
        EXPECT_NE(addLine(100), 0u) << c.what;
        ASSERT_EQ(mdlLevel_create(0, (std::u16string(u"L") + char16_t(u'a' + count)).c_str(), &level), 0);
        EXPECT_EQ(mdlElement_undoableDelete(nullptr, before, 0), 0) << c.what;
        if (c.failWrite) {
            mdlhost_dgnFailWrites(DGNERR_DISKFULL, 1);
            EXPECT_EQ(addLine(200), 0u) << c.what;
            EXPECT_EQ(mdlErrno, DGNERR_DISKFULL) << c.what;
        }
        int rc = mdlhost_dgnEndCommand(c.commit);
        EXPECT_EQ(rc, c.failWrite ? DGNERR_DISKFULL : 0) << c.what;
        if (c.kept) {
            EXPECT_EQ(scanAll().size(), count) << c.what; // one added, one deleted
            ASSERT_EQ(mdlhost_dgnUndelete(0, before), 0);
        } else {
            EXPECT_EQ(scanAll().size(), count) << c.what;
            EXPECT_EQ(mdlModelRef_getEof(0), eof) << c.what;
            EXPECT_EQ(mdlLevel_getElementColor(nullptr, 0, level), DGNERR_NOTFOUND) << c.what;
            MSElement el;
            EXPECT_EQ(mdlElement_read(&el, 0, before), 0) << c.what;
        }
    }
    // Nothing is left open: a write now commits by itself and survives.
    uint32_t after = addLine(300);
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    MSElement el;
    EXPECT_EQ(mdlElement_read(&el, 0, after), 0);
}

// SQLite would take a name beginning "file:" as a URI: "file:other.db"
// would make other.db a design file, and "file:a.dgn" open a.dgn.
TEST_F(StoreTest, ANameBeginningWithFileIsAFileName)
{
    mdlhost_closeDesignFile();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(path("").c_str()), 0);
    std::ofstream("other.db") << "keep";
    DPoint3d o{0, 0, 0};
    EXPECT_EQ(mdlhost_dgnCreateFile("file:other.db", 0, 1000, "m", &o), 0);
    EXPECT_TRUE(std::filesystem::is_regular_file("file:other.db"));
    std::ifstream other("other.db");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(other), {}), "keep");

    ASSERT_EQ(mdlhost_dgnCreateFile("a.dgn", 0, 1000, "m", &o), 0);
    ASSERT_EQ(mdlhost_dgnCreateFile("file:a.dgn", 0, 1000, "m", &o), 0);
    ASSERT_EQ(mdlSystem_newDesignFile("file:a.dgn"), 0);
    EXPECT_NE(addLine(0), 0u);
    mdlhost_closeDesignFile();
    ASSERT_EQ(mdlSystem_newDesignFile("a.dgn"), 0);
    EXPECT_TRUE(scanAll().empty());
    mdlhost_closeDesignFile();
    ASSERT_EQ(chdir(cwd), 0);
}

// A file refused while its state is read (its levels lack a column) must
// not keep its connection, and with it a descriptor, open.
TEST_F(StoreTest, ARefusedFileClosesItsConnection)
{
    mdlhost_closeDesignFile();
    sqlOnFile(dgnPath(), "ALTER TABLE dgn_levels DROP COLUMN style");
    mdlhost_clearTextWindow();
    int before = hosttest::openDescriptorCount();
    for (int i = 0; i < 10; i++)
        EXPECT_NE(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    EXPECT_EQ(hosttest::openDescriptorCount(), before);
    EXPECT_NE(std::string(mdlhost_textWindow()).find("damaged"), std::string::npos) << mdlhost_textWindow();
}

// Killed at any write of its creation, or failing between its steps, a new
// file leaves its name free for the next attempt.
TEST_F(StoreTest, AnInterruptedCreationLeavesTheNameFree)
{
    const std::string name = path("new.dgn");
    const DPoint3d o{0, 0, 0};
    for (rlim_t limit : {rlim_t(0), rlim_t(512), rlim_t(4096), rlim_t(20000), rlim_t(40000), rlim_t(80000)}) {
        SCOPED_TRACE(limit);
        std::filesystem::remove(name);
        int rc = hosttest::inChildWithFileLimit(
            limit, [&] { return mdlhost_dgnCreateFile(name.c_str(), 0, 1000, "m", &o) == 0 ? 0 : 1; }, true);
        if (rc != 0) {
            EXPECT_EQ(rc, -1); // killed mid-write
            EXPECT_FALSE(std::filesystem::exists(name));
            ASSERT_EQ(mdlhost_dgnCreateFile(name.c_str(), 0, 1000, "m", &o), 0);
        }
        EXPECT_EQ(mdlSystem_newDesignFile(name.c_str()), 0);
        mdlhost_closeDesignFile();
    }
    std::filesystem::remove(name);
    mdlhost_dgnFailWrites(DGNERR_DISKFULL, 1);
    EXPECT_EQ(mdlhost_dgnCreateFile(name.c_str(), 0, 1000, "m", &o), DGNERR_DISKFULL);
    EXPECT_EQ(hosttest::filesBeginningWith(path(""), "new.dgn"), "");
    EXPECT_EQ(mdlhost_dgnCreateFile(name.c_str(), 0, 1000, "m", &o), 0);
}

// Messages that name the real cause.
TEST_F(StoreTest, ARefusedFileIsNamedWithItsCause)
{
    mdlhost_closeDesignFile();
    std::filesystem::create_directory(path("folder.dgn"));
    struct Case {
        std::string file;
        const char *why;
    };
    const Case cases[] = {{path("folder.dgn"), "is a directory"}, {path("none.dgn"), "does not exist"}};
    for (const Case &c : cases) {
        mdlhost_clearTextWindow();
        EXPECT_NE(mdlSystem_newDesignFile(c.file.c_str()), 0) << c.file;
        std::string text = mdlhost_textWindow();
        EXPECT_NE(text.find(c.file), std::string::npos) << text;
        EXPECT_NE(text.find(c.why), std::string::npos) << text;
    }
    // A file its user may not read, and one in a folder they may not enter;
    // root reads every file, so the child gives up root first.
    std::filesystem::copy_file(dgnPath(), path("locked.dgn"));
    std::filesystem::permissions(path("locked.dgn"), std::filesystem::perms::none);
    for (bool folderOpen : {true, false}) {
        std::filesystem::permissions(path(""), folderOpen ? std::filesystem::perms::all : std::filesystem::perms::owner_all);
        int rc = hosttest::inChildWithFileLimit(RLIM_INFINITY, [&] {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                return 3;
            mdlhost_clearTextWindow();
            if (mdlSystem_newDesignFile(path("locked.dgn").c_str()) == 0)
                return 2;
            return std::string(mdlhost_textWindow()).find("locked.dgn cannot be opened: it cannot be read") !=
                           std::string::npos
                       ? 0
                       : 1;
        });
        EXPECT_EQ(rc, 0) << (folderOpen ? "file" : "folder");
    }
    std::filesystem::permissions(path(""), std::filesystem::perms::owner_all);
}

TEST_F(StoreTest, DiskFullOnAddGivesPositionZeroAndLeavesTheFileAsItWas)
{
    addLine(0);
    mdlhost_closeDesignFile();
    std::string before;
    {
        std::ifstream in(dgnPath(), std::ios::binary);
        before.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    uint32_t eof = mdlModelRef_getEof(0);
    mdlhost_dgnFailWrites(DGNERR_DISKFULL, 1);
    EXPECT_EQ(addLine(10), 0u);
    EXPECT_EQ(mdlErrno, DGNERR_DISKFULL);
    EXPECT_EQ(mdlModelRef_getEof(0), eof);
    mdlhost_closeDesignFile();
    std::ifstream in(dgnPath(), std::ios::binary);
    std::string after((std::istreambuf_iterator<char>(in)), {});
    EXPECT_TRUE(after == before);
    // The next write works and takes the position the failed one did not.
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    EXPECT_EQ(addLine(20), eof);
}

TEST_F(StoreTest, ARefusedElementInsideACommandDoesNotUndoTheOthers)
{
    mdlhost_dgnBeginCommand();
    uint32_t a = addLine(0);
    ElementP bad = linear(square(0, 0));
    bad->ehdr.type = 0;
    EXPECT_EQ(mdlElement_add(bad.get()), 0u);
    uint32_t b = addLine(10);
    EXPECT_EQ(mdlhost_dgnEndCommand(1), 0);
    EXPECT_EQ(scanAll(), (std::vector<uint32_t>{a, b}));
}

TEST_F(StoreTest, AnAddFailingAfterItsRowsWentInsideACommandTakesThemBackAndTheCommandGoesOn)
{
    // Inside a command an add takes no savepoint: its failure deletes what
    // it wrote, and its position goes to the next add.
    mdlhost_dgnBeginCommand();
    uint32_t a = addLine(0);
    mdlhost_dgnFailWrites(DGNERR_BADELEMENT, 1);
    uint32_t eof = mdlModelRef_getEof(0);
    EXPECT_EQ(addLine(10), 0u);
    EXPECT_EQ(mdlErrno, DGNERR_BADELEMENT);
    EXPECT_EQ(mdlModelRef_getEof(0), eof);
    uint32_t b = addLine(20);
    EXPECT_EQ(b, eof);
    EXPECT_EQ(mdlhost_dgnEndCommand(1), 0);
    mdlhost_closeDesignFile();
    EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM dgn_elements"), 2);
    EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM model_1"), 2);
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    EXPECT_EQ(scanAll(), (std::vector<uint32_t>{a, b}));
}

TEST_F(StoreTest, NewFilesGetLargePagesAndAFileKeepsThePagesItWasMadeWith)
{
    mdlhost_closeDesignFile();
    EXPECT_EQ(countRows(dgnPath(), "PRAGMA page_size"), 16384);
    sqlOnFile(dgnPath(), "PRAGMA page_size = 4096; VACUUM");
    ASSERT_EQ(countRows(dgnPath(), "PRAGMA page_size"), 4096);
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    mdlhost_dgnBeginCommand();
    uint32_t pos = addLine(0);
    EXPECT_EQ(mdlhost_dgnEndCommand(1), 0);
    mdlhost_closeDesignFile();
    EXPECT_EQ(countRows(dgnPath(), "PRAGMA page_size"), 4096);
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    EXPECT_EQ(scanAll(), (std::vector<uint32_t>{pos}));
}

TEST_F(StoreTest, ASiblingChainIsAddedAsElementsOfTheirOwnAllOrNone)
{
    // Elements collected as siblings of one descriptor (tags of an element)
    // become separate top-level elements, in chain order.
    auto chain = [](bool spoilSecond) {
        MSElementDescr *first = node(*linear(square(0, 0)));
        MSElementDescr *second = node(*linear(square(10, 0)));
        MSElementDescr *third = node(*linear(square(20, 0)));
        if (spoilSecond)
            second->el.ehdr.type = 0;
        first->h.next = second;
        second->h.previous = first;
        second->h.next = third;
        third->h.previous = second;
        return first;
    };
    uint32_t before = mdlModelRef_getEof(mdlModelRef_getActive());
    MSElementDescr *good = chain(false);
    uint32_t pos = mdlElmdscr_add(good);
    mdlElmdscr_freeAll(&good);
    ASSERT_NE(pos, 0u);
    std::vector<uint32_t> all = scanAll();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all.front(), pos);
    EXPECT_GE(pos, before);

    MSElementDescr *bad = chain(true);
    EXPECT_EQ(mdlElmdscr_add(bad), 0u);
    EXPECT_EQ(mdlErrno, DGNERR_BADELEMENT);
    mdlElmdscr_freeAll(&bad);
    EXPECT_EQ(scanAll(), all);
}

TEST_F(StoreTest, AnInterruptedCommandLeavesTheFileAsItWas)
{
    uint32_t kept = addLine(0);
    mdlhost_closeDesignFile();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Enough to spill pages into the file before the end that never comes.
        if (mdlSystem_newDesignFile(dgnPath().c_str()) != 0)
            _exit(2);
        mdlhost_dgnBeginCommand();
        std::vector<DPoint3d> pts;
        for (int i = 0; i < 200; i++)
            pts.push_back({double(i) * 1.5, double(i % 7) * 0.25, 0});
        for (int i = 0; i < 3000; i++)
            if (mdlElement_add(linear(pts).get()) == 0)
                _exit(3);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(std::filesystem::exists(dgnPath() + "-journal"));
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    EXPECT_EQ(scanAll(), (std::vector<uint32_t>{kept}));
    EXPECT_EQ(mdlModelRef_getEof(0), kept + 1);
    EXPECT_NE(addLine(10), 0u);
    EXPECT_FALSE(std::filesystem::exists(dgnPath() + "-journal"));
}

TEST_F(StoreTest, WritesOutsideACommandAreSeenByOtherReadersAtOnce)
{
    for (int n = 1; n <= 3; n++) {
        uint32_t pos = addLine(n);
        MSElement el;
        ASSERT_EQ(mdlElement_read(&el, 0, pos), 0); // the host reads between writes
        EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM dgn_elements"), n);
    }
    // Inside a command the others see nothing until its end.
    mdlhost_dgnBeginCommand();
    addLine(10);
    EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM dgn_elements"), 3);
    EXPECT_EQ(mdlhost_dgnEndCommand(1), 0);
    EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM dgn_elements"), 4);
}

// --- files that are not ours or not whole -------------------------------------------

TEST_F(StoreTest, FilesThatAreNotWholeDesignFilesAreRefusedWithAMessage)
{
    for (int i = 0; i < 30; i++)
        addLine(i);
    mdlhost_closeDesignFile();
    std::string good;
    {
        std::ifstream in(dgnPath(), std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(good.size(), 8192u);
    auto write = [&](const std::string &name, const std::string &bytes) {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    };
    struct Case {
        const char *what;
        std::string file;
    } cases[] = {
        {"empty", write("empty.dgn", "")},
        {"text", write("text.dgn", "..HODE\n..TEGNSETT ISO8859-1\n")},
        {"cut in the header", write("cut1.dgn", good.substr(0, 60))},
        {"cut after the first page", write("cut2.dgn", good.substr(0, 4096))},
        {"cut short by a page", write("cut3.dgn", good.substr(0, good.size() - 4096))},
        {"cut mid-page", write("cut4.dgn", good.substr(0, good.size() - 100))},
    };
    DPoint3d o{0, 0, 0};
    ASSERT_EQ(mdlhost_dgnCreateFile(path("active.dgn").c_str(), 0, 1000, "m", &o), 0);
    ASSERT_EQ(mdlSystem_newDesignFile(path("active.dgn").c_str()), 0);
    uint32_t kept = addLine(0);
    for (const Case &c : cases) {
        mdlhost_clearTextWindow();
        EXPECT_EQ(mdlSystem_newDesignFile(c.file.c_str()), DGNERR_BADFILE) << c.what;
        EXPECT_NE(std::string(mdlhost_textWindow()).find(c.file), std::string::npos) << c.what;
        DgnModelRefP m = 0;
        EXPECT_EQ(mdlhost_dgnOpenModel(&m, c.file.c_str(), DGN_OPEN_READONLY), DGNERR_BADFILE) << c.what;
        // The active file stays active and usable.
        MSElement el;
        EXPECT_EQ(mdlElement_read(&el, 0, kept), 0) << c.what;
        EXPECT_EQ(std::string(tcbP->dgnfilenm), path("active.dgn")) << c.what;
    }
    EXPECT_NE(addLine(5), 0u);
}

TEST_F(StoreTest, AByteChangedAnywhereIsRefusedOrReadConsistently)
{
    for (int i = 0; i < 10; i++)
        addLine(i);
    mdlhost_closeDesignFile();
    std::string good;
    {
        std::ifstream in(dgnPath(), std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (size_t at = 0; at < good.size(); at += 97) {
        std::string bad = good;
        bad[at] = char(bad[at] ^ 0x5A);
        std::string file = path("flip.dgn");
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bad;
        int rc = mdlSystem_newDesignFile(file.c_str());
        if (rc != 0) {
            EXPECT_EQ(rc, DGNERR_BADFILE) << at;
            continue;
        }
        // Opened: every read is an element or an error.
        for (uint32_t pos : scanAll()) {
            MSElement el;
            int r = mdlElement_read(&el, 0, pos);
            EXPECT_TRUE(r == 0 || r == DGNERR_BADELEMENT || r == DGNERR_NOTFOUND || r == DGNERR_BADFILE)
                << at << " " << r;
        }
        mdlhost_closeDesignFile();
    }
    EXPECT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    EXPECT_EQ(scanAll().size(), 10u);
}

TEST_F(StoreTest, ForeignAndNewerFilesAreRefusedNamingTheFile)
{
    mdlhost_closeDesignFile();
    std::string plain = path("plain.sqlite"), gpkg = path("other.gpkg"), newer = path("newer.dgn"),
                noTable = path("notable.dgn"), noModel = path("nomodel.dgn");
    sqlOnFile(plain, "CREATE TABLE t (a)");
    sqlOnFile(gpkg, "PRAGMA application_id = 1196444487; CREATE TABLE gpkg_contents (table_name TEXT)");
    for (const std::string &f : {newer, noTable, noModel})
        std::filesystem::copy_file(dgnPath(), f);
    sqlOnFile(newer, "UPDATE dgn_settings SET value = '2' WHERE key = 'layout'");
    sqlOnFile(noTable, "DROP TABLE dgn_tag_defs");
    sqlOnFile(noModel, "DELETE FROM dgn_models");
    struct Case {
        std::string file;
        const char *why;
    } cases[] = {
        {plain, "not a design file"},
        {gpkg, "not written by this host"},
        {newer, "newer"},
        {noTable, "dgn_tag_defs"},
        {noModel, "no model"},
    };
    for (const Case &c : cases) {
        mdlhost_clearTextWindow();
        EXPECT_EQ(mdlSystem_newDesignFile(c.file.c_str()), DGNERR_BADFILE) << c.file;
        std::string text = mdlhost_textWindow();
        EXPECT_NE(text.find(c.file), std::string::npos) << text;
        EXPECT_NE(text.find(c.why), std::string::npos) << text;
        EXPECT_EQ(mdlModelRef_getActive(), MDLHOST_NO_MODEL);
    }
}

TEST_F(StoreTest, ASeedCopiedAsAPlainFileOpensAsANewEmptyDesign)
{
    mdlhost_closeDesignFile();
    DPoint3d origin{1000, 2000, -50};
    std::string seed = path("seed3d.dgn"), copy = path("copy.dgn");
    ASSERT_EQ(mdlhost_dgnCreateFile(seed.c_str(), 1, 250, "ft", &origin), 0);
    std::filesystem::copy_file(seed, copy);
    ASSERT_EQ(mdlSystem_newDesignFile(copy.c_str()), 0);
    EXPECT_TRUE(scanAll().empty());
    EXPECT_TRUE(mdlModelRef_is3D(0));
    EXPECT_DOUBLE_EQ(mdlModelRef_getUorPerMaster(0), 250);
    DPoint3d o;
    ASSERT_EQ(mdlModelRef_getGlobalOrigin(0, &o), 0);
    EXPECT_DOUBLE_EQ(o.x, 1000);
    EXPECT_DOUBLE_EQ(o.z, -50);
    char unit[8];
    ASSERT_EQ(mdlModelRef_getMasterUnitName(0, unit, sizeof unit), 0);
    EXPECT_STREQ(unit, "ft");
    ASSERT_NE(addLine(0), 0u);
    // Writing the copy leaves the seed as it was.
    mdlhost_closeDesignFile();
    ASSERT_EQ(mdlSystem_newDesignFile(seed.c_str()), 0);
    EXPECT_TRUE(scanAll().empty());
}

// --- models and units -----------------------------------------------------------------

TEST_F(StoreTest, UnitsComeFromTheFile)
{
    double uor = 0, master = 0;
    EXPECT_DOUBLE_EQ(mdlModelRef_getUorPerMaster(0), 1000);
    ASSERT_EQ(mdlCnv_masterToUOR(&uor, 1.5, 0), 0);
    EXPECT_DOUBLE_EQ(uor, 1500);
    ASSERT_EQ(mdlCnv_UORToMaster(&master, 1.0, 0), 0);
    EXPECT_DOUBLE_EQ(master, 0.001);
    double d = 6.6e6, out = 0, back = 0;
    mdlCnv_doubleToFileFormat(&out, &d);
    mdlCnv_doubleFromFileFormat(&back, &out);
    EXPECT_EQ(back, d);
    EXPECT_FALSE(mdlModelRef_is3D(0));
    make3d();
    EXPECT_TRUE(mdlModelRef_is3D(0));
    mdlhost_closeDesignFile();
    EXPECT_EQ(mdlCnv_masterToUOR(&uor, 1, 0), DGNERR_NOMODEL);
    EXPECT_EQ(mdlElement_add(linear(square(0, 0)).get()), 0u);
    EXPECT_EQ(mdlErrno, DGNERR_NOMODEL);
}

// A design made whole from a seed: the applications see its own name, the
// earlier file under that name stays as it was until the design is closed
// and kept; discarded, replaced by another or killed, it never lands, and
// the work files of dead processes go at the next making.
TEST_F(StoreTest, ADesignMadeWholeReplacesTheEarlierOnlyWhenKept)
{
    const std::string seed = dgnPath(), ny = path("ny.dgn");
    mdlhost_closeDesignFile();
    const std::string tidligere = "an earlier design, whole";
    auto skrivTidligere = [&] { std::ofstream(ny, std::ios::binary) << tidligere; };
    auto les = [](const std::string &p) {
        std::ifstream f(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    auto lageBeside = [&] { return hosttest::filesBeginningWith(path(""), "ny.dgn.~"); };

    struct Tilfelle {
        const char *hva;
        std::function<void()> slutt;
        bool landet;
    } tilfeller[] = {
        {"closed and kept", [] { EXPECT_EQ(mdlhost_closeDesignFileKeeping(1), 0); }, true},
        {"closed without keeping", [] { EXPECT_EQ(mdlhost_closeDesignFileKeeping(0), 0); }, false},
        {"closed the usual way", [] { mdlhost_closeDesignFile(); }, false},
        {"another file opened", [&] { EXPECT_EQ(mdlSystem_newDesignFile(seed.c_str()), 0); }, false},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.hva);
        skrivTidligere();
        ASSERT_EQ(mdlhost_newDesignFileWhole(ny.c_str(), seed.c_str()), 0);
        EXPECT_EQ(std::string(tcbP->dgnfilenm), ny);
        ASSERT_NE(mdlElement_add(linear(square(0, 0)).get()), 0u);
        EXPECT_EQ(les(ny), tidligere);
        t.slutt();
        mdlhost_closeDesignFile();
        EXPECT_EQ(lageBeside(), "");
        if (t.landet) {
            EXPECT_EQ(countRows(ny, "SELECT count(*) FROM dgn_elements"), 1);
        } else {
            EXPECT_EQ(les(ny), tidligere);
        }
    }

    // Killed while the design is open: the earlier file stays, and its work
    // file goes when the next design is made beside it.
    skrivTidligere();
    int rc = hosttest::inChildWithFileLimit(RLIM_INFINITY, [&] {
        if (mdlhost_newDesignFileWhole(ny.c_str(), seed.c_str()) != 0 || mdlElement_add(linear(square(0, 0)).get()) == 0)
            return 1;
        kill(getpid(), SIGKILL);
        return 2;
    });
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(les(ny), tidligere);
    EXPECT_NE(lageBeside(), "");
    ASSERT_EQ(mdlhost_newDesignFileWhole(ny.c_str(), seed.c_str()), 0);
    mdlhost_closeDesignFile();
    EXPECT_EQ(lageBeside(), "");

    // A seed that is no design leaves nothing beside the name.
    EXPECT_NE(mdlhost_newDesignFileWhole(ny.c_str(), path("mangler.dgn").c_str()), 0);
    std::ofstream(path("tekst.dgn")) << "not a design";
    EXPECT_EQ(mdlhost_newDesignFileWhole(ny.c_str(), path("tekst.dgn").c_str()), DGNERR_BADFILE);
    EXPECT_EQ(lageBeside(), "");
    EXPECT_EQ(les(ny), tidligere);
}

TEST_F(StoreTest, NewDesignFileFiresTheHooksAndNamesTheFileAsGiven)
{
    EXPECT_EQ(std::string(tcbP->dgnfilenm), dgnPath());
    char name[4096];
    ASSERT_EQ(mdlModelRef_getFileName(0, name, sizeof name), 0);
    EXPECT_EQ(std::filesystem::path(name).filename(), "design.dgn");
    mdlhost_closeDesignFile();
    EXPECT_STREQ(tcbP->dgnfilenm, "");
    EXPECT_EQ(mdlModelRef_getActive(), MDLHOST_NO_MODEL);
    EXPECT_EQ(mdlSystem_newDesignFile(path("missing.dgn").c_str()), DGNERR_IO);
}

TEST_F(StoreTest, ModelsOfAFileAreListedFoundAndRemoved)
{
    DgnModelRefP active = mdlModelRef_getActive();
    DgnModelRefP kryss = 0, pil = 0;
    ASSERT_EQ(mdlhost_dgnCreateModel(active, u"KRYSS", u"Kryss \u00C6\u00D8\u00C5", &kryss), 0);
    ASSERT_EQ(mdlhost_dgnCreateModel(active, u"pil", nullptr, &pil), 0);
    DgnModelRefP refused = 0;
    EXPECT_EQ(mdlhost_dgnCreateModel(active, u"KRYSS", u"", &refused), DGNERR_EXISTS);
    EXPECT_EQ(mdlhost_dgnCreateModel(active, u"", u"", &refused), DGNERR_BADARG);
    EXPECT_EQ(refused, MDLHOST_NO_MODEL);
    EXPECT_EQ(mdlhost_dgnModelCount(active), 3);
    std::vector<std::u16string> names;
    for (int i = 0; i < 3; i++) {
        DgnModelRefP m = 0;
        ASSERT_EQ(mdlhost_dgnOpenModelAt(active, i, &m), 0);
        char16_t name[MDLHOST_MAX_MODELNAME + 1];
        ASSERT_EQ(mdlhost_dgnGetModelName(m, name, MDLHOST_MAX_MODELNAME + 1), 0);
        names.push_back(name);
        EXPECT_EQ(mdlModelRef_areSame(m, active), i == 0);
        mdlhost_dgnCloseModel(m);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Default", u"KRYSS", u"pil"}));
    DgnModelRefP again = 0;
    ASSERT_EQ(mdlhost_dgnFindModel(active, u"KRYSS", &again), 0);
    EXPECT_TRUE(mdlModelRef_areSame(again, kryss));
    EXPECT_NE(again, kryss);
    char16_t descr[64];
    ASSERT_EQ(mdlhost_dgnGetModelDescription(again, descr, 64), 0);
    EXPECT_EQ(std::u16string(descr), u"Kryss \u00C6\u00D8\u00C5");
    EXPECT_EQ(mdlhost_dgnFindModel(active, u"kryss", &refused), DGNERR_NOMODEL); // exact names

    // Elements of a model are its own: scans of the others do not see them.
    ElementP el = linear(square(0, 0));
    MSElementDescr *d = node(*el);
    uint32_t inCell = mdlhost_dgnAddToModel(kryss, d);
    mdlElmdscr_freeAll(&d);
    ASSERT_NE(inCell, 0u);
    EXPECT_TRUE(scanAll(active).empty());
    EXPECT_EQ(scanAll(kryss), (std::vector<uint32_t>{inCell}));
    MSElement back;
    EXPECT_EQ(mdlElement_read(&back, active, inCell), DGNERR_NOTFOUND);

    EXPECT_EQ(mdlhost_dgnDeleteModel(active), DGNERR_BADARG);
    ASSERT_EQ(mdlhost_dgnDeleteModel(kryss), 0);
    EXPECT_EQ(mdlElement_read(&back, kryss, inCell), DGNERR_NOMODEL);
    EXPECT_EQ(mdlhost_dgnModelCount(active), 2);
    mdlhost_dgnCloseModel(kryss);
    mdlhost_dgnCloseModel(again);
    mdlhost_dgnCloseModel(pil);
    if (haveOgrinfo()) {
        std::string out = run("ogrinfo -ro -so -al '" + dgnPath() + "' 2>&1");
        EXPECT_NE(out.find("IDENTIFIER=pil"), std::string::npos) << out;
        EXPECT_EQ(out.find("IDENTIFIER=KRYSS"), std::string::npos) << out;
    }
}

TEST_F(StoreTest, AnotherFileOpensAsAModelOfItsOwnSharingOneConnection)
{
    DPoint3d o{0, 0, 0};
    std::string lib = path("lib.dgn");
    ASSERT_EQ(mdlhost_dgnCreateFile(lib.c_str(), 0, 100, "m", &o), 0);
    DgnModelRefP ro = 0, rw = 0;
    ASSERT_EQ(mdlhost_dgnOpenModel(&ro, lib.c_str(), DGN_OPEN_READONLY | DGN_OPEN_REFERENCE), 0);
    ASSERT_EQ(mdlhost_dgnOpenModel(&rw, lib.c_str(), DGN_OPEN_WRITE), 0);
    EXPECT_TRUE(mdlModelRef_isReadOnly(ro));
    EXPECT_TRUE(mdlModelRef_isReference(ro));
    EXPECT_FALSE(mdlModelRef_isReadOnly(rw));
    EXPECT_FALSE(mdlModelRef_isActiveModel(rw));
    EXPECT_TRUE(mdlModelRef_areSame(ro, rw));
    EXPECT_DOUBLE_EQ(mdlModelRef_getUorPerMaster(rw), 100);
    ElementP el = linear(square(0, 0));
    MSElementDescr *d = node(*el);
    EXPECT_EQ(mdlhost_dgnAddToModel(ro, d), 0u);
    EXPECT_EQ(mdlErrno, DGNERR_READONLY);
    uint32_t pos = mdlhost_dgnAddToModel(rw, d);
    mdlElmdscr_freeAll(&d);
    ASSERT_NE(pos, 0u);
    // Written through one handle, read through the other at once.
    MSElement back;
    EXPECT_EQ(mdlElement_read(&back, ro, pos), 0);
    EXPECT_TRUE(scanAll().empty()); // the active file is another
    mdlhost_dgnCloseModel(rw);
    EXPECT_EQ(mdlElement_read(&back, ro, pos), 0);
    mdlhost_dgnCloseModel(ro);
    EXPECT_EQ(mdlElement_read(&back, ro, pos), DGNERR_NOMODEL);
}

// --- scans, ranges, deletes -------------------------------------------------------------

TEST_F(StoreTest, ScanFiltersByTypeLevelGroupAndRange)
{
    uint32_t a = mdlElement_add(linear(square(0, 0), 1, 7).get());
    uint32_t b = mdlElement_add(linear(square(1000, 0), 2, 7, SHAPE_ELM).get());
    uint32_t c = mdlElement_add(linear(square(2000, 0), 2, 8).get());
    uint32_t d = mdlElement_add(application({1, 2}).get());
    ASSERT_TRUE(a && b && c && d);
    auto typeMask = [](std::initializer_list<int> types) {
        ScanFilter f;
        for (int t : types)
            f.typeMask[t / 32] |= 1u << (t % 32);
        return f;
    };
    ScanFilter level2;
    level2.levels = {2};
    ScanFilter group7;
    group7.useGraphicGroup = true;
    group7.graphicGroup = 7;
    ScanFilter box;
    box.useRange = true;
    box.range = {{950, -10, 0}, {1050, 10, 0}};
    ScanFilter from;
    from.fromPos = b + 1;
    struct Case {
        const char *what;
        ScanFilter filter;
        std::vector<uint32_t> want;
    } cases[] = {
        {"all", {}, {a, b, c, d}},
        {"line strings", typeMask({LINE_STRING_ELM}), {a, c}},
        {"application", typeMask({MICROSTATION_ELM}), {d}},
        {"level 2", level2, {b, c}},
        {"group 7", group7, {a, b}},
        {"range", box, {b}},
        {"from", from, {c, d}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(scanAll(0, c.filter), c.want) << c.what;
}

TEST_F(StoreTest, ScanCallbacksMayWriteAndStop)
{
    std::vector<uint32_t> pos;
    mdlhost_dgnBeginCommand();
    for (int i = 0; i < 1200; i++) // more than one batch
        pos.push_back(addLine(i));
    // Deleting ahead of the scan hides those; what is added is seen; the
    // callback's value stops it.
    std::vector<uint32_t> seen;
    uint32_t added = 0;
    int rc = storeScan(0, {}, [&](uint32_t p) {
        seen.push_back(p);
        if (p == pos[0]) {
            mdlElement_undoableDelete(nullptr, pos[1], 0);
            mdlElement_undoableDelete(nullptr, pos[1100], 0);
            added = addLine(5000);
        }
        return p == added ? 42 : 0;
    });
    EXPECT_EQ(rc, 42);
    EXPECT_EQ(seen.size(), 1200u - 2 + 1);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), pos[1]), 0);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), pos[1100]), 0);
    EXPECT_EQ(seen.back(), added);
    EXPECT_EQ(mdlhost_dgnEndCommand(1), 0);
}

TEST_F(StoreTest, DesignRangeCoversTheElementsLeft)
{
    DPoint3d lo, hi;
    EXPECT_NE(mdlSystem_computeDesignRange(&lo, &hi, 0), 0);
    mdlElement_add(application({1}).get());
    EXPECT_NE(mdlSystem_computeDesignRange(&lo, &hi, 0), 0); // no geometry
    addLine(-500);
    uint32_t far = addLine(10000);
    ASSERT_EQ(mdlSystem_computeDesignRange(&lo, &hi, 0), 0);
    EXPECT_DOUBLE_EQ(lo.x, -500);
    EXPECT_DOUBLE_EQ(hi.x, 10100);
    ASSERT_EQ(mdlElement_undoableDelete(nullptr, far, 0), 0);
    ASSERT_EQ(mdlSystem_computeDesignRange(&lo, &hi, 0), 0);
    EXPECT_DOUBLE_EQ(hi.x, -400);
}

TEST_F(StoreTest, UndeleteBringsBackTheSameElementAndItsFeature)
{
    ElementP el = linear(square(0, 0));
    addLinkage(*el, 20275, 6, 0);
    uint32_t pos = mdlElement_add(el.get());
    ASSERT_EQ(mdlElement_undoableDelete(nullptr, pos, 0), 0);
    EXPECT_EQ(mdlElement_undoableDelete(nullptr, pos, 0), DGNERR_NOTFOUND);
    ElementID id;
    EXPECT_EQ(mdlAssoc_getUniqueId(&id, pos, 0), DGNERR_NOTFOUND);
    EXPECT_EQ(mdlAssoc_getElement(nullptr, el->ehdr.uniqueId, 0), 0u);
    ASSERT_EQ(mdlhost_dgnUndelete(0, pos), 0);
    EXPECT_EQ(mdlhost_dgnUndelete(0, pos), DGNERR_NOTFOUND);
    MSElement back;
    ASSERT_EQ(mdlElement_read(&back, 0, pos), 0);
    EXPECT_TRUE(sameBytes(back, *el));
    EXPECT_EQ(mdlAssoc_getElement(nullptr, el->ehdr.uniqueId, 0), pos);
    mdlhost_closeDesignFile();
    EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM model_1 WHERE fid = " + std::to_string(pos)), 1);
}

TEST_F(StoreTest, FeatureRowsFollowAddRewriteAndDelete)
{
    uint32_t level = 0;
    ASSERT_EQ(mdlLevel_create(0, u"3001\u00D8", &level), 0);
    ASSERT_EQ(mdlLevel_setElementColor(0, level, 5), 0);
    ElementP el = linear(square(0, 0), level, 12);
    el->line.dhdr.color = COLOR_BYLEVEL;
    uint32_t pos = mdlElement_add(el.get());
    ElementP bigger = linear({{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}, {4, 0, 0}}, level, 13);
    bigger->line.dhdr.color = COLOR_BYLEVEL;
    uint32_t moved = mdlElement_rewrite(bigger.get(), nullptr, pos);
    ASSERT_NE(moved, pos);
    uint32_t gone = addLine(100);
    ASSERT_EQ(mdlElement_undoableDelete(nullptr, gone, 0), 0);
    mdlhost_closeDesignFile();
    std::string at = std::to_string(moved);
    EXPECT_EQ(countRows(dgnPath(), "SELECT count(*) FROM model_1"), 1);
    EXPECT_EQ(countRows(dgnPath(), "SELECT ggroup FROM model_1 WHERE fid = " + at), 13);
    EXPECT_EQ(countRows(dgnPath(), "SELECT color FROM model_1 WHERE fid = " + at), 5);
    EXPECT_EQ(countRows(dgnPath(), "SELECT level = '3001\xC3\x98' FROM model_1 WHERE fid = " + at), 1);
    EXPECT_EQ(countRows(dgnPath(), "SELECT max_x >= 100 FROM gpkg_contents WHERE table_name = 'model_1'"), 1);
}

