// The import's composite elements on a real 3D design file: the element
// index, areas with their boundaries and islands, traces, structures,
// symbols and rasters; and whole ZERA files imported through the engine,
// read back through the host and through GDAL's ogrinfo.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "kartmotor_tjenester.h"
#include "testing/importskriver_testing.h"
#include "zeratagger.h"

namespace {

using importtest::ImportTest;

class SammensattTest : public ImportTest {
  protected:
    // The direct components of a descriptor.
    static std::vector<const MSElementDescr *> deler(const MSElementDescr *d)
    {
        std::vector<const MSElementDescr *> v;
        for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next)
            v.push_back(c);
        return v;
    }
    static int hull(const MSElement &el)
    {
        int h = -1;
        mdlElement_getProperties(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &h, &el);
        return h;
    }
    static DPoint3d start(const MSElementDescr *d)
    {
        DPoint3d a{}, b{};
        mdlElmdscr_extractEndPoints(&a, &b, d, 0);
        return a;
    }
    // A line of serial s from a to b (a .LINJE with two points).
    void linje(int32_t s, DPoint3d a, DPoint3d b, std::vector<DPoint3d> mellom = {})
    {
        std::vector<DPoint3d> p{a};
        p.insert(p.end(), mellom.begin(), mellom.end());
        p.push_back(b);
        elm(ZERA_LINJE, s, "1012", p);
        ASSERT_EQ(dgnput_elm(), 0);
    }
    void flate(int32_t s, std::vector<std::pair<int32_t, int16_t>> refs, DPoint3d punkt = {5, 5, 0})
    {
        elm(ZERA_FLATE, s, "1011", {punkt});
        Elm.refCount = static_cast<int16_t>(refs.size());
        for (size_t i = 0; i < refs.size(); ++i) {
            Elm.ref[i] = refs[i].first;
            Elm.refGroup[i] = refs[i].second;
        }
        ASSERT_EQ(dgnput_elm(), 0);
    }
};

TEST_F(SammensattTest, TheIndexFindsEveryMemberForwardAndBackward)
{
    std::vector<uint32_t> p;
    for (int32_t s : {5, 6, 5, 7, 5}) {
        Elm.serial = s;
        LeggTilElementIndeks(100 + static_cast<uint32_t>(p.size()), 0);
        p.push_back(100 + static_cast<uint32_t>(p.size()));
    }
    auto alleFunn = [](int32_t ref, int start) {
        std::vector<uint32_t> v;
        uint32_t fp = 0;
        DgnModelRefP m = 0;
        while (FinnIElementIndeks(ref, &start, &fp, &m))
            v.push_back(fp);
        return v;
    };
    EXPECT_EQ(alleFunn(5, 0), (std::vector<uint32_t>{100, 102, 104}));
    EXPECT_EQ(alleFunn(-5, AntallIElementIndeks() - 1), (std::vector<uint32_t>{104, 102, 100}));
    EXPECT_EQ(alleFunn(6, 2), std::vector<uint32_t>{});
    EXPECT_EQ(alleFunn(8, 0), std::vector<uint32_t>{});
    NyElementIndeks();
    EXPECT_EQ(AntallIElementIndeks(), 0);
}

TEST_F(SammensattTest, AnAreaTakesTheLinesPiecesInOrderOrReversed)
{
    for (int retning : {1, -1}) {
        SCOPED_TRACE(retning);
        mdlhost_closeDesignFile();
        make3d();
        NyElementIndeks();
        // A closed line in three pieces (node codes at points 1 and 2).
        elm(ZERA_LINJE, 1, "1012", {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}});
        Elm.kp[1] = Elm.kp[2] = 1;
        ASSERT_EQ(dgnput_elm(), 0);
        flate(2, {{retning, 0}});
        auto el = alle();
        ASSERT_EQ(el.size(), 5u); // three pieces, the area point, the area
        EXPECT_EQ(mdlElement_getType(&el[3].el()), SHARED_CELL_ELM);
        const MSElementDescr *celle = el[4].d.get();
        ASSERT_EQ(mdlElement_getType(&celle->el), CELL_HEADER_ELM);
        EXPECT_EQ(gruppe(el[3].el()), gruppe(celle->el));
        EXPECT_NE(gruppe(celle->el), 0u);
        auto d = deler(celle);
        ASSERT_EQ(d.size(), 1u);
        EXPECT_EQ(mdlElement_getType(&d[0]->el), CMPLX_SHAPE_ELM);
        EXPECT_TRUE(mdlElement_isFilled(&d[0]->el, nullptr));
        EXPECT_EQ(nivaanavn(d[0]->el), "1011");
        auto stykker = deler(d[0]);
        ASSERT_EQ(stykker.size(), 3u);
        // The pieces' starts, forward and reversed.
        double venter[2][3][2] = {{{0, 0}, {10, 0}, {10, 10}}, {{0, 0}, {10, 10}, {10, 0}}};
        for (int k = 0; k < 3; ++k) {
            DPoint3d a = start(stykker[static_cast<size_t>(k)]);
            EXPECT_NEAR(a.x, venter[retning < 0][k][0], 1e-9) << k;
            EXPECT_NEAR(a.y, venter[retning < 0][k][1], 1e-9) << k;
            const uint16_t *l = nullptr;
            int ord = 0;
            EXPECT_NE(mdlLinkage_findByID(&l, &ord, &stykker[static_cast<size_t>(k)]->el, 0, 0), 0);
        }
    }
}

TEST_F(SammensattTest, AnAreaWithASkippedBoundaryLeavesNothing)
{
    data_.hoppOverLinjerUtenHoyde = 1;
    linje(1, {0, 0, 5}, {10, 0, 5}, {{10, 10, 5}, {0, 10, 5}});
    elm(ZERA_LINJE, 2, "1012", {{0, 0, 0}, {0, 1, 0}}); // no height: skipped
    ASSERT_EQ(dgnput_elm(), 0);
    memset(&Bmw, 0, sizeof Bmw);
    flate(3, {{1, 0}, {2, 0}});
    EXPECT_EQ(alle().size(), 1u); // only line 1: no area, no orphan point
    EXPECT_EQ(ukjente(), std::vector<std::string>{"MSTEMTAB 38"});
}

TEST_F(SammensattTest, IslandsAreHolesAndOnlyTheOuterBoundaryIsFilled)
{
    linje(1, {0, 0, 0}, {0, 0, 0}, {{100, 0, 0}, {100, 100, 0}, {0, 100, 0}});
    linje(2, {10, 10, 0}, {20, 10, 0});
    linje(3, {20, 10, 0}, {10, 10, 0}, {{15, 20, 0}});
    linje(4, {50, 50, 0}, {50, 50, 0}, {{60, 50, 0}, {60, 60, 0}});
    flate(5, {{1, 0}, {2, 1}, {3, 1}, {4, 2}});
    auto el = alle();
    ASSERT_EQ(el.size(), 6u);
    auto d = deler(el[5].d.get());
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(hull(d[0]->el), 0);
    EXPECT_TRUE(mdlElement_isFilled(&d[0]->el, nullptr));
    for (int i : {1, 2}) {
        EXPECT_EQ(mdlElement_getType(&d[static_cast<size_t>(i)]->el), CMPLX_SHAPE_ELM);
        EXPECT_EQ(hull(d[static_cast<size_t>(i)]->el), 1);
        EXPECT_FALSE(mdlElement_isFilled(&d[static_cast<size_t>(i)]->el, nullptr));
    }
    EXPECT_EQ(deler(d[1]).size(), 2u);
    EXPECT_EQ(deler(d[2]).size(), 1u);
}

TEST_F(SammensattTest, AnAreaWithoutAnyComponentIsRegistered)
{
    flate(1, {{77, 0}}); // 77 was never written: passed over
    EXPECT_TRUE(alle().empty());
    EXPECT_EQ(meldinger(), std::vector<std::string>{"ZERA2DGN 30"});
}

TEST_F(SammensattTest, BoundariesMoveToTheAreasHeightAlsoInTheFile)
{
    data_.grenserPaaHoyde = 1;
    linje(1, {0, 0, 3}, {0, 0, 3}, {{10, 0, 4}, {10, 10, 5}});
    elm(ZERA_FLATE, 3, "1011", {{5, 5, 25}});
    Elm.hasHoyde = 1;
    Elm.refCount = 1;
    Elm.ref[0] = 1;
    ASSERT_EQ(dgnput_elm(), 0);
    auto el = alle();
    ASSERT_EQ(el.size(), 3u); // the line, the area point and the area
    auto pts = [](const MSElement &e) {
        std::vector<DPoint3d> p(16);
        int n = 0;
        EXPECT_EQ(mdlLinear_extract(p.data(), &n, &e, 0), 0);
        p.resize(static_cast<size_t>(n));
        return p;
    };
    for (const DPoint3d &p : pts(el[0].el()))
        EXPECT_NEAR(p.z, 25.0, 1e-9); // the line itself, rewritten
    const MSElementDescr *grense = deler(deler(el[2].d.get())[0])[0];
    for (const DPoint3d &p : pts(grense->el))
        EXPECT_NEAR(p.z, 25.0, 1e-9);
}

TEST_F(SammensattTest, AnAreaCanReferToAnotherAreasCell)
{
    linje(1, {0, 0, 0}, {0, 0, 0}, {{100, 0, 0}, {100, 100, 0}, {0, 100, 0}});
    linje(2, {10, 10, 0}, {10, 10, 0}, {{20, 10, 0}, {20, 20, 0}});
    flate(3, {{1, 0}, {2, 1}});
    // Area 4 takes area 3 as its island: the outer boundary without holes.
    linje(5, {-10, -10, 0}, {-10, -10, 0}, {{200, -10, 0}, {200, 200, 0}, {-10, 200, 0}});
    flate(4, {{5, 0}, {3, 1}});
    auto el = alle();
    ASSERT_EQ(el.size(), 7u);
    auto d = deler(el[6].d.get());
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(hull(d[0]->el), 0);
    EXPECT_EQ(mdlElement_getType(&d[1]->el), CMPLX_SHAPE_ELM);
    EXPECT_EQ(hull(d[1]->el), 1);
    EXPECT_EQ(deler(d[1]).size(), 1u); // area 3's outer boundary alone
}

TEST_F(SammensattTest, TracesAndStructures)
{
    linje(1, {0, 0, 0}, {10, 0, 0});
    linje(2, {20, 0, 0}, {10, 0, 0});
    elm(ZERA_TRASE, 3, "1012", {});
    Elm.refCount = 2;
    Elm.ref[0] = 1;
    Elm.ref[1] = -2;
    ASSERT_EQ(dgnput_elm(), 0);
    elm(ZERA_STRUKTUR, 4, "1012", {});
    Elm.refCount = 2;
    Elm.ref[0] = 1;
    Elm.ref[1] = 2;
    ASSERT_EQ(dgnput_elm(), 0);
    auto el = alle();
    ASSERT_EQ(el.size(), 3u);
    ASSERT_EQ(mdlElement_getType(&el[2].el()), CMPLX_STRING_ELM);
    auto d = deler(el[2].d.get());
    ASSERT_EQ(d.size(), 2u);
    EXPECT_NEAR(start(d[1]).x, 10.0, 1e-9); // the second piece turned round
    EXPECT_NE(gruppe(el[0].el()), 0u);
    EXPECT_EQ(gruppe(el[0].el()), gruppe(el[1].el()));
    EXPECT_EQ(gruppe(el[2].el()), 0u);
}

TEST_F(SammensattTest, ASymbolIsAPointLineAndATextInTheSymbolFont)
{
    Symboltab.count = 2;
    snprintf(Symboltab.number[0], sizeof Symboltab.number[0], "65");
    snprintf(Symboltab.name[0], sizeof Symboltab.name[0], "A");
    snprintf(Symboltab.number[1], sizeof Symboltab.number[1], "66");
    snprintf(Symboltab.name[1], sizeof Symboltab.name[1], "B");
    elm(ZERA_SYMBOL, 1, "1010", {{1, 2, 0}, {3, 4, 0}});
    Elm.dim[0] = 20;
    Elm.dim[1] = 20;
    Elm.symbolCount = 3;
    snprintf(Elm.symbol[0], sizeof Elm.symbol[0], "..a");
    snprintf(Elm.symbol[1], sizeof Elm.symbol[1], "..B");
    snprintf(Elm.symbol[2], sizeof Elm.symbol[2], "..C"); // not in the table
    ASSERT_EQ(dgnput_elm(), 0);
    Symboltab.count = 0;
    auto el = alle();
    ASSERT_EQ(el.size(), 2u);
    EXPECT_EQ(mdlElement_getType(&el[0].el()), LINE_ELM);
    char tekst[16] = {};
    DPoint3d origo{};
    TextParamWide p{};
    ASSERT_EQ(mdlText_extract(tekst, sizeof tekst, &origo, nullptr, &p, nullptr, &el[1].el()), 0);
    EXPECT_STREQ(tekst, "AB");
    EXPECT_EQ(p.font, 150); // the host's "Grafisk Utforming TTF"
    EXPECT_NEAR(origo.x, 3, 1e-9);
    EXPECT_NE(gruppe(el[0].el()), 0u);
    EXPECT_EQ(gruppe(el[0].el()), gruppe(el[1].el()));
}

TEST_F(SammensattTest, ARasterIsAttachedWithItsGeoReference)
{
    std::vector<unsigned char> b{'B', 'M'};
    b.resize(54, 0);
    b[10] = 54;
    b[14] = 40;
    b[18] = 4;  // width
    b[22] = 2;  // height
    b[26] = 1;
    b[28] = 24;
    std::ofstream(path("bilde.bmp"), std::ios::binary).write(reinterpret_cast<const char *>(b.data()), 54);
    elm(ZERA_RASTER, 1, "", {{6600000, 500000, 0}, {6600100, 500200, 0}});
    Elm.font = -2;
    snprintf(Elm.text, sizeof Elm.text, "bilde.bmp"); // beside the ZERA file
    ASSERT_EQ(dgnput_elm(), 0);
    DgnRasterRef r = mdlRaster_getNext(0, 0);
    ASSERT_NE(r, 0);
    DgnRasterFileInfo info{};
    ASSERT_EQ(mdlRaster_fileInfoGet(&info, r), 0);
    EXPECT_EQ(info.width, 4);
    DPoint3d origo{};
    double ex = 0, ey = 0;
    ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&origo, &ex, &ey, r), 0);
    EXPECT_NEAR(origo.x, 6600000.0 * 1000, 1e-3);
    EXPECT_NEAR(origo.y, 500000.0 * 1000, 1e-3);
    EXPECT_NEAR(ex, 100.0 * 1000, 1e-6);
    EXPECT_NEAR(ey, 200.0 * 1000, 1e-6);
    // A file that is not there, or no regular file (a FIFO would block the
    // import, a device never end it), is registered and not attached.
    ASSERT_EQ(mkfifo(path("ror.bmp").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(path("mappe.bmp").c_str(), 0700), 0);
    alarm(60); // an open that blocks ends the test instead of hanging it
    for (const char *navn : {"mangler.bmp", "ror.bmp", "mappe.bmp", "/dev/zero"}) {
        memset(&Bmw, 0, sizeof Bmw);
        snprintf(Elm.text, sizeof Elm.text, "%s", navn);
        ASSERT_EQ(dgnput_elm(), 0) << navn;
        EXPECT_EQ(meldinger(), std::vector<std::string>{"ZERA2DGN 33"}) << navn;
        EXPECT_EQ(mdlRaster_getNext(0, r), 0) << navn;
    }
    alarm(0);
}

// ---- whole files through the engine -------------------------------------------------

class ImportFilTest : public SammensattTest {
  protected:
    int importer(const std::string &tekst)
    {
        std::string zera = path("test.zer");
        std::ofstream(zera, std::ios::binary) << tekst;
        SheadStruct hode{};
        int32_t storrelse = 0;
        EXPECT_EQ(zerget_headinfo(zera.c_str(), &hode, &storrelse, reinterpret_cast<MdlFunctionP>(c_txt)), 0);
        EXPECT_EQ(SettKoordinatsystem(hode.koordsys), 0);
        NyElementIndeks();
        return perf_zera2dgn(zera.c_str(), temaFil_.c_str(), path("test.log").c_str(), "", 0,
                             reinterpret_cast<MdlFunctionP>(dgnput_elm), nullptr,
                             reinterpret_cast<MdlFunctionP>(c_txt), nullptr);
    }
    static std::string hode(int nivaa)
    {
        return ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
               "..OMR\xC5" "DE\n...MIN-N\xD8 6600000 500000\n...MAX-N\xD8 6601000 501000\n..ZERA-VERSJON 4.0\n"
               "..ZERA-NIV\xC5 " +
               std::to_string(nivaa) + "\n";
    }
    std::string ogrinfo(const std::string &args) { return dgntest::ogrinfo(args, dgnPath()); }
};

TEST_F(ImportFilTest, PointsCurvesAndTextsAtLevel3)
{
    std::string zera = hode(3) + ".PUNKT 1:\n..PTEMA 2101\n..N\xD8H\n660010000 50010000 1234\n"
                                 ".KURVE 2:\n..LTEMA 3001\n..N\xD8H\n660000000 50000000 1000\n"
                                 "660001000 50001000 1000\n660002000 50000500 1000\n"
                                 ".TEKST 3:\n..TTEMA 1010\n..STRENG \"\xC5s\"\n..N\xD8\n660002000 50002000\n"
                                 ".PUNKT 4:\n..PTEMA 9999\n..N\xD8H\n660003000 50003000 0\n.SLUTT\n";
    ASSERT_EQ(importer(zera), 0);
    auto el = alle();
    ASSERT_EQ(el.size(), 3u);

    // The point: a shared cell KRYSS by level, scale 1 x 1 x 1000 x 0.0001.
    const MSElement &p = el[0].el();
    ASSERT_EQ(mdlElement_getType(&p), SHARED_CELL_ELM);
    EXPECT_EQ(nivaanavn(p), "2101");
    char16_t def[16] = {};
    DPoint3d origo{}, skala{};
    ASSERT_EQ(mdlSharedCell_extract(&origo, def, 16, &skala, nullptr, &p), 0);
    EXPECT_EQ(std::u16string(def), u"KRYSS");
    EXPECT_NEAR(origo.x, 500100.0, 1e-6);
    EXPECT_NEAR(origo.y, 6600100.0, 1e-6);
    EXPECT_NEAR(origo.z, 12.34, 1e-6);
    EXPECT_NEAR(skala.x, 0.1, 1e-12);
    EXPECT_NEAR(skala.y, 0.1, 1e-12);
    EXPECT_NEAR(skala.z, 1.0, 1e-12);
    uint32_t c = 0, nivaa = 0;
    mdlElement_getSymbology(&c, nullptr, nullptr, &p);
    EXPECT_EQ(c, COLOR_BYLEVEL);
    mdlElement_getProperties(&nivaa, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &p);
    mdlLevel_getElementColor(&c, 0, nivaa);
    EXPECT_EQ(c, 3u);
    char16_t beskr[32] = {};
    mdlLevel_getDescription(beskr, 32, 0, nivaa);
    EXPECT_EQ(std::u16string(beskr), u"Fastmerke");

    // The curve through its three points at 10 m.
    ASSERT_EQ(mdlElement_getType(&el[1].el()), CURVE_ELM);
    EXPECT_EQ(nivaanavn(el[1].el()), "3001");
    std::vector<DPoint3d> pts(16);
    int n = 0;
    ASSERT_EQ(mdlLinear_extract(pts.data(), &n, &el[1].el(), 0), 0);
    ASSERT_EQ(n, 7);
    EXPECT_NEAR(pts[3].x, 500010.0, 1e-6);
    EXPECT_NEAR(pts[3].z, 10.0, 1e-6);

    // The text: its letters as they were, 5.0 high, 4.0 wide, font 105.
    char tekst[16] = {};
    TextParamWide tp{};
    ASSERT_EQ(mdlText_extract(tekst, sizeof tekst, &origo, nullptr, &tp, nullptr, &el[2].el()), 0);
    EXPECT_STREQ(tekst, "\xC5s");
    EXPECT_NEAR(tp.size.height, 5.0, 1e-9);
    EXPECT_NEAR(tp.size.width, 4.0, 1e-9);
    EXPECT_EQ(tp.font, 105);
    EXPECT_EQ(tp.justification, 2);
    EXPECT_NEAR(origo.x, 500020.0, 1e-6);
    EXPECT_NEAR(origo.y, 6600020.0, 1e-6);

    // A GIS user sees the layer in EUREF89 UTM zone 32, in metres.
    EXPECT_EQ(mdlhost_dgnGetEpsg(0), 25832);
    std::string info = ogrinfo("-ro -al -so");
    EXPECT_NE(info.find("Feature Count: 3"), std::string::npos) << info;
    EXPECT_NE(info.find("25832"), std::string::npos) << info;
    std::string logg = les(path("test.log"));
    EXPECT_NE(logg.find("\t\t9999\tRUT\tP\t9999\t1\t0\t0\t0\t0\t0\tKRYSS\t1\t1\t0\t!\n"), std::string::npos) << logg;
    std::string punkter = ogrinfo("-ro -q -where \"fid=1\"");
    EXPECT_NE(punkter.find("500100"), std::string::npos) << punkter;
    EXPECT_NE(punkter.find("6600100"), std::string::npos) << punkter;
}

TEST_F(ImportFilTest, AreasOfLevel4WithAnIsland)
{
    std::string zera = hode(4) + ".LINJE 1:\n..LTEMA 1012\n..N\xD8\n660000000 50000000\n660000000 50001000\n"
                                 "660001000 50001000\n660001000 50000000\n660000000 50000000\n"
                                 ".LINJE 2:\n..LTEMA 1012\n..N\xD8\n660000200 50000200\n660000200 50000400\n"
                                 "660000400 50000400\n660000400 50000200\n660000200 50000200\n"
                                 ".FLATE 3:\n..FTEMA 1011\n..REF :1 (:2)\n..N\xD8\n660000500 50000100\n.SLUTT\n";
    ASSERT_EQ(importer(zera), 0);
    auto el = alle();
    ASSERT_EQ(el.size(), 4u);
    EXPECT_EQ(nivaanavn(el[0].el()), "1012");
    EXPECT_EQ(nivaanavn(el[1].el()), "1012");
    const MSElement &punkt = el[2].el();
    ASSERT_EQ(mdlElement_getType(&punkt), SHARED_CELL_ELM);
    EXPECT_EQ(nivaanavn(punkt), "1011");
    const MSElementDescr *celle = el[3].d.get();
    ASSERT_EQ(mdlElement_getType(&celle->el), CELL_HEADER_ELM);
    EXPECT_EQ(nivaanavn(celle->el), "1011");
    EXPECT_EQ(gruppe(celle->el), gruppe(punkt));
    char16_t navn[16] = {};
    mdlCell_extractName(navn, 16, &celle->el);
    EXPECT_EQ(std::u16string(navn), u"KRYSS");
    auto d = deler(celle);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_TRUE(mdlElement_isFilled(&d[0]->el, nullptr));
    EXPECT_EQ(hull(d[0]->el), 0);
    EXPECT_EQ(hull(d[1]->el), 1);
    EXPECT_EQ(nivaanavn(d[0]->el), "1011");
    for (const MSElementDescr *del : d)
        for (const MSElementDescr *c : deler(del)) {
            const uint16_t *l = nullptr;
            int ord = 0;
            EXPECT_NE(mdlLinkage_findByID(&l, &ord, &c->el, -1, 0), 0);
        }
}

TEST_F(ImportFilTest, AttributesBecomeTagsAndTheIndexFollowsTheElement)
{
    ASSERT_NO_FATAL_FAILURE(lagreSomTagger());
    std::string zera = hode(3) + ".LINJE 1:\n..LTEMA 1012\n..DATO 20090601\n..KVALITET 82 100\n..EIER kommune\n"
                                 "..N\xD8\n660000000 50000000\n660000100 50000100\n.SLUTT\n";
    ASSERT_EQ(importer(zera), 0);
    FrigjorTagsetTabell();

    int pos = 0;
    uint32_t filpos = 0;
    DgnModelRefP modell = 0;
    ASSERT_EQ(FinnIElementIndeks(1, &pos, &filpos, &modell), 1);
    MSElement el{};
    ASSERT_EQ(mdlElement_read(&el, modell, filpos), 0);
    ASSERT_EQ(mdlElement_getType(&el), LINE_STRING_ELM);
    dgntest::DscrPtr tags;
    int antall = 0;
    ASSERT_EQ(mdlTag_getElementTags(tags.out(), &antall, &el, 0), 0);
    std::map<std::u16string, std::string> verdier;
    for (const MSElementDescr *t = tags.get(); t; t = t->h.next) {
        char16_t sett[40], navn[40];
        DgnTagValue v{};
        ASSERT_EQ(mdlTag_extract(sett, navn, &v, nullptr, nullptr, nullptr, &t->el), 0);
        std::string tekst = v.type == TAGTYPE_TEXT   ? std::string(v.stringValue)
                            : v.type == TAGTYPE_LONG ? std::to_string(v.longValue)
                                                     : std::to_string(v.doubleValue);
        verdier[navn] = tekst;
    }
    EXPECT_EQ(verdier[u"DATO"], "20090601");
    EXPECT_EQ(verdier[u"KV1"], "82");
    EXPECT_EQ(verdier[u"KV2"], "100");
    EXPECT_EQ(verdier[u"REST"], "..EIER kommune");
}

} // namespace
