// The export scan and classification: each row of the classification
// table from a design built through the host, themes from level names,
// symbols, arcs, the filters, rasters and the fence route.
#include "testing/eksport_testing.h"
#include "zvlibtext.h"

#include <cmath>
#include <filesystem>
#include <functional>

namespace {

using eksporttest::EksportTest;
using eksporttest::lesFil;
namespace fs = std::filesystem;

// Deletes every element of the active model.
void tomModell()
{
    MdlScanCriteria *sc = mdlScanCriteria_create();
    std::vector<uint32_t> alle;
    uint32_t pos[1024];
    int n = 0;
    for (;;) {
        int rc = mdlScanCriteria_scan(sc, pos, 1024, &n);
        alle.insert(alle.end(), pos, pos + n);
        if (rc != 0)
            break;
    }
    mdlScanCriteria_free(&sc);
    auto el = dgntest::newElement();
    for (uint32_t p : alle)
        if (mdlElement_read(el.get(), 0, p) == 0)
            mdlElement_undoableDelete(el.get(), p, 0);
}

struct Rad {
    const char *navn;
    std::function<void(EksportTest &)> bygg;
    const char *forventet; // the element text
};

class KlassifiseringTest : public EksportTest {
  public:
    using EksportTest::bue;
    using EksportTest::legg;
    using EksportTest::leggLinje;
    using EksportTest::tekst;
};

TEST_F(KlassifiseringTest, EachRowOfTheTableFromARealDesign)
{
    const Rad rader[] = {
        {"a line string of two points 0.4 UOR apart is a point",
         [](EksportTest &t) {
             auto &k = static_cast<KlassifiseringTest &>(t);
             k.leggLinje({{1, 2, 0}, {1.0004, 2, 0}}, "2101");
         },
         ".PUNKT 1:\n..PTEMA 2101\n..DATO 20240315\n..N\xD8\n200 100\n.SLUTT\n"},
        {"a shape is a line of all its vertices",
         [](EksportTest &t) {
             auto el = dgntest::newElement();
             auto p = EksportTest::uor({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}});
             EXPECT_EQ(mdlShape_create(el.get(), nullptr, p.data(), 3, 0), 0);
             auto &k = static_cast<KlassifiseringTest &>(t);
             k.sett(el.get(), "1012");
             k.legg(el.get());
         },
         ".LINJE 1:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n0 0\n0 200\n200 200\n0 0\n.SLUTT\n"},
        {"a curve leaves its control points out",
         [](EksportTest &t) {
             auto el = dgntest::newElement();
             auto p = EksportTest::uor({{0, 0, 0}, {1, 1, 0}, {2, 0, 0}});
             EXPECT_EQ(mdlCurve_create(el.get(), nullptr, p.data(), 3), 0);
             auto &k = static_cast<KlassifiseringTest &>(t);
             k.sett(el.get(), "1012");
             k.legg(el.get());
         },
         ".KURVE 1:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n0 0\n100 100\n0 200\n.SLUTT\n"},
        {"a circle is a .SIRKEL about its centre",
         [](EksportTest &t) {
             auto el = dgntest::newElement();
             DPoint3d c{3000, 4000, 0};
             EXPECT_EQ(mdlEllipse_create(el.get(), nullptr, &c, 2000, 2000, nullptr, 0), 0);
             auto &k = static_cast<KlassifiseringTest &>(t);
             k.sett(el.get(), "1012");
             k.legg(el.get());
         },
         ".SIRKEL 1:\n..LTEMA 1012\n..DATO 20240315\n..RADIUS 2.000\n..N\xD8\n400 300\n.SLUTT\n"},
        {"an ellipse is refused",
         [](EksportTest &t) {
             auto el = dgntest::newElement();
             DPoint3d c{3000, 4000, 0};
             EXPECT_EQ(mdlEllipse_create(el.get(), nullptr, &c, 2000, 1000, nullptr, 0), 0);
             auto &k = static_cast<KlassifiseringTest &>(t);
             k.sett(el.get(), "3001");
             k.legg(el.get());
         },
         ".SLUTT\n"},
        {"a text keeps its string and point",
         [](EksportTest &t) {
             auto &k = static_cast<KlassifiseringTest &>(t);
             k.legg(k.tekst("Ny by", {20, 20, 0}, 0, "1010").get());
         },
         ".TEKST 1:\n..TTEMA 1010\n..DATO 20240315\n..STRENG \"Ny by\"\n..N\xD8\n2000 2000\n.SLUTT\n"},
        {"a shared cell is a point at its origin",
         [](EksportTest &t) {
             auto el = dgntest::newElement();
             DPoint3d o{7000, 8000, 0};
             auto &k = static_cast<KlassifiseringTest &>(t);
             EXPECT_EQ(mdlSharedCell_create(el.get(), 0, &o, nullptr, nullptr, u"KRYSS", k.nivaa("2101")), 0);
             k.legg(el.get());
         },
         ".PUNKT 1:\n..PTEMA 2101\n..DATO 20240315\n..N\xD8\n800 700\n.SLUTT\n"},
        {"a cell on an area level is left silently below level 4",
         [](EksportTest &t) {
             auto &k = static_cast<KlassifiseringTest &>(t);
             auto hdr = dgntest::newElement();
             DPoint3d o{1000, 1000, 0};
             EXPECT_EQ(mdlCell_create(hdr.get(), u"KRYSS", &o, 0), 0);
             auto del = k.linjestreng({{0, 0, 0}, {1, 1, 0}}, "1011");
             k.leggDscr(EksportTest::dscr(hdr.get(), {del.get()}));
         },
         ".SLUTT\n"},
        {"a cell elsewhere is a point with the level of its first component",
         [](EksportTest &t) {
             auto &k = static_cast<KlassifiseringTest &>(t);
             auto hdr = dgntest::newElement();
             DPoint3d o{1000, 1000, 0};
             EXPECT_EQ(mdlCell_create(hdr.get(), u"KRYSS", &o, 0), 0);
             k.sett(hdr.get(), "Veg");
             auto del = k.linjestreng({{0, 0, 0}, {1, 1, 0}}, "2101");
             k.leggDscr(EksportTest::dscr(hdr.get(), {del.get()}));
         },
         ".PUNKT 1:\n..PTEMA 2101\n..DATO 20240315\n..N\xD8\n100 100\n.SLUTT\n"},
        {"each text of a text node is a text",
         [](EksportTest &t) {
             auto &k = static_cast<KlassifiseringTest &>(t);
             auto hdr = dgntest::newElement();
             MSElementDescr *node = nullptr;
             const char16_t *linjer[] = {u"En", u"To"};
             DPoint3d o{1000, 5000, 0};
             TextParamWide par{};
             par.size = {1000, 1000};
             par.justification = 2;
             par.style[0] = par.style[1] = -1;
             ASSERT_EQ(mdlTextNode_createWithStrings(&node, nullptr, linjer, 2, &o, nullptr, &par, 0), 0);
             uint32_t l = k.nivaa("1010");
             mdlElement_setProperties(&node->el, &l, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
             k.leggDscr(node);
         },
         ".TEKST 1:\n..TTEMA 1010\n..DATO 20240315\n..STRENG En\n..N\xD8\n500 100\n"
         ".TEKST 2:\n..TTEMA 1010\n..DATO 20240315\n..STRENG To\n..N\xD8\n400 100\n.SLUTT\n"},
    };
    for (const Rad &r : rader) {
        SCOPED_TRACE(r.navn);
        tomModell();
        r.bygg(*this);
        EXPECT_EQ(elementer(), r.forventet);
    }
}

TEST_F(EksportTest, ShortLinesArePointsOnlyWithTwoPoints)
{
    struct {
        std::vector<DPoint3d> punkter; // metres
        int type, antall;
    } rader[] = {
        {{{1, 2, 0}, {1.0004, 2, 0}}, ZERA_PUNKT, 1},
        {{{1, 2, 0}, {1.0002, 2, 0}, {1.0004, 2, 0}}, ZERA_LINJE, 3},
        {{{1, 2, 0}, {1.0009, 2, 0}}, ZERA_PUNKT, 1},
        {{{1, 2, 0}, {1.001, 2, 0}}, ZERA_LINJE, 2},
    };
    std::vector<std::unique_ptr<MSElement>> el;
    for (const auto &r : rader)
        el.push_back(linjestreng(r.punkter, "1012"));
    StartEksportKjoering(); // master units from here
    for (size_t i = 0; i < el.size(); i++) {
        const auto &r = rader[i];
        SCOPED_TRACE(i);
        ASSERT_NE(KlassifiserElement(el[i].get(), 0, "1012", 0, 0), 0);
        EXPECT_EQ(Elm.type, r.type);
        EXPECT_EQ(Elm.pointCount, r.antall);
        EXPECT_DOUBLE_EQ(Elm.E[0], 1.0);
        EXPECT_DOUBLE_EQ(Elm.N[0], 2.0);
    }
    AvsluttEksportKjoering();
}

TEST_F(EksportTest, ThemesComeFromTheFirstRunOfExactlyFourDigits)
{
    struct {
        const char *nivaa, *foer, *etter;
        int antall;
    } rader[] = {
        {"AB3001CD", "", "3001", 1},
        {"12345", "", "", 0},
        {"12345", "7001", "7001", 0},
        {"Veg", "7001", "", 0},
        {"V12a3456", "7001", "7001", 0},
        {"3001", "", "3001", 1},
    };
    for (const auto &r : rader) {
        SCOPED_TRACE(r.nivaa);
        memset(Elm.theme, 0, sizeof Elm.theme);
        zvlib::copyText(Elm.theme[0], r.foer);
        Elm.themeCount = 0;
        TemaFraNivaanavn(r.nivaa);
        EXPECT_STREQ(Elm.theme[0], r.etter);
        EXPECT_EQ(Elm.themeCount, r.antall);
    }
}

TEST_F(EksportTest, ThemeFromTagsOrMatchingWhenTemaFraIsSet)
{
    // With temaFra on, the level name gives nothing: the engine matches by
    // colour instead (Kystkontur has colour 2).
    data_->temaFra = 1;
    matchColor = 1;
    auto el = linjestreng({{1, 1, 0}, {2, 2, 0}}, "1012");
    uint32_t farge = 2;
    mdlElement_setSymbology(el.get(), &farge, nullptr, nullptr);
    legg(el.get());
    EXPECT_EQ(elementer(),
              ".LINJE 1:\n..LTEMA 3001\n..DATO 20240315\n..H\xD8YDE 0.000\n..N\xD8\n100 100\n200 200\n.SLUTT\n");
}

TEST_F(EksportTest, ALineAndATextInOneGroupAreOneSymbol)
{
    Symboltab.count = 2;
    snprintf(Symboltab.number[0], ST_NUMBER_LEN, "65");
    snprintf(Symboltab.name[0], ST_NAME_LEN, "ATIL3");
    snprintf(Symboltab.number[1], ST_NUMBER_LEN, "66");
    snprintf(Symboltab.name[1], ST_NAME_LEN, "JORD2");
    const double a = M_PI / 6;
    // Group 7: a zero-length line at P and the text "AB" at Q.
    leggLinje({{10, 20, 0}, {10, 20, 0}}, "2101", 7);
    legg(tekst("AB", {30, 40, 0}, a, "1010", 7).get());
    // Group 8: a line of length 5 and a text: a symbol and a text.
    leggLinje({{50, 50, 0}, {55, 50, 0}}, "2101", 8);
    legg(tekst("A", {60, 60, 0}, 0, "1010", 8).get());
    std::string t = elementer();
    char p2[64];
    snprintf(p2, sizeof p2, "%.0f %.0f", (40 + 2 * cos(a)) * 100, (30 + 2 * sin(a)) * 100);
    EXPECT_EQ(t, std::string(".SYMBOL 1:\n..PTEMA 2101\n..DATO 20240315\n..DIM 5.0 4.0\n..ATIL 3\n..JORD 2\n..N\xD8\n"
                             "2000 1000\n4000 3000\n") +
                     p2 +
                     "\n"
                     ".SYMBOL 2:\n..PTEMA 2101\n..DATO 20240315\n..DIM 5.0 4.0\n..ATIL 3\n..N\xD8\n5000 5000\n"
                     "6000 6000\n6200 6000\n"
                     ".TEKST 3:\n..TTEMA 1010\n..DATO 20240315\n..STRENG A\n..N\xD8\n6000 6000\n.SLUTT\n");
}

TEST_F(EksportTest, SymbolsStopAtTheirBoundWithAMessage)
{
    Symboltab.count = 1;
    snprintf(Symboltab.number[0], ST_NUMBER_LEN, "65");
    snprintf(Symboltab.name[0], ST_NAME_LEN, "ATIL3");
    leggLinje({{10, 20, 0}, {10, 20, 0}}, "2101", 9);
    std::string mange(120, 'A');
    legg(tekst(mange.c_str(), {30, 40, 0}, 0, "1010", 9).get());
    std::string t = elementer();
    size_t n = 0;
    for (size_t p = t.find("..ATIL 3\n"); p != std::string::npos; p = t.find("..ATIL 3\n", p + 1))
        n++;
    EXPECT_EQ(n, size_t(ZERA_MAX_SYMBOLS));
    EXPECT_EQ(meldinger(), std::vector<std::string>{"MSTEMTAB 44"});
}

TEST_F(EksportTest, ArcsTakeTheRadiusSignAndTheBigArcRule)
{
    struct {
        double sveip;
        double radius;
        int storbue;
    } rader[] = {{M_PI / 2, -5, 0}, {-M_PI / 2, 5, 0}, {1.5 * M_PI, -5, 1}, {-1.5 * M_PI, 5, 1}};
    std::vector<std::unique_ptr<MSElement>> buer;
    for (const auto &r : rader)
        buer.push_back(bue({10, 10, 0}, 5, 0, r.sveip, "3001"));
    StartEksportKjoering();
    for (size_t i = 0; i < buer.size(); i++) {
        const auto &r = rader[i];
        SCOPED_TRACE(r.sveip);
        ASSERT_EQ(KlassifiserElement(buer[i].get(), 0, "3001", 0, 0), ARC_ELM);
        EXPECT_EQ(Elm.type, ZERA_BUE);
        EXPECT_NEAR(Elm.radius, r.radius, 1e-9);
        EXPECT_EQ(Elm.storbue, r.storbue);
        ASSERT_EQ(Elm.pointCount, 3);
        EXPECT_NEAR(Elm.E[0], 15, 1e-9); // start
        EXPECT_NEAR(Elm.N[0], 10, 1e-9);
        EXPECT_NEAR(Elm.E[2], 10, 1e-9); // centre
        EXPECT_NEAR(Elm.N[2], 10, 1e-9);
    }
    AvsluttEksportKjoering();

    // An arc is written from its start to its end, whatever its radius's
    // sign: it is indexed with its serial as it is.
    uint32_t a = legg(bue({10, 10, 0}, 5, 0, M_PI / 2, "3001").get());
    uint32_t b = legg(bue({10, 10, 0}, 5, 0, -M_PI / 2, "3001").get());
    ASSERT_EQ(init_dgn2zera(path("tema.tem").c_str(), path("e.tmp").c_str(), &data_->hode, nullptr), 0);
    StartEksportKjoering();
    EksporterElement(a, mdlModelRef_getActive(), 0);
    EksporterElement(b, mdlModelRef_getActive(), 0);
    EXPECT_EQ(FinnEksportIdForFilpos(a, mdlModelRef_getActive()), 1);
    EXPECT_EQ(FinnEksportIdForFilpos(b, mdlModelRef_getActive()), 2);
    EXPECT_EQ(FinnEksportIdForFilpos(b + 1000, mdlModelRef_getActive()), 0);
    AvsluttEksportKjoering();
}

TEST_F(EksportTest, ThreeDimensionalArcsAreMadePlanarOnlyWhenTheirEndsDiffer)
{
    make3d();
    auto bue3d = [&](double z0, double z1) {
        // An arc tilted about the y axis so its ends lie at z0 and z1.
        DPoint3d c{10000, 10000, 0}, s{15000, 10000, z0 * 1000}, e{10000, 15000, z1 * 1000};
        DPoint3d m{10000 + 5000 / std::sqrt(2.0), 10000 + 5000 / std::sqrt(2.0), (z0 + z1) * 500};
        (void)c;
        auto el = dgntest::newElement();
        EXPECT_EQ(mdlArc_createByPoints(el.get(), nullptr, &s, &m, &e), 0);
        sett(el.get(), "3001");
        return el;
    };
    auto lik = bue3d(10.0, 10.05);
    auto ulik = bue3d(10.0, 10.2);
    // An arc in a vertical plane is a line seen from above.
    DPoint3d s2{10000, 10000, 0}, m2{12000, 10000, 2500}, e2{14000, 10000, 1000};
    auto skraa = dgntest::newElement();
    ASSERT_EQ(mdlArc_createByPoints(skraa.get(), nullptr, &s2, &m2, &e2), 0);
    sett(skraa.get(), "3001");
    StartEksportKjoering();
    ASSERT_EQ(KlassifiserElement(lik.get(), 0, "3001", 0, 0), ARC_ELM);
    DPoint3d endeLik[2];
    double sveipLik = 0;
    ASSERT_EQ(mdlArc_extract(endeLik, nullptr, &sveipLik, nullptr, nullptr, nullptr, nullptr, lik.get()), 0);
    EXPECT_NEAR(Elm.H[0], 10.0, 1e-6);
    EXPECT_NEAR(Elm.H[1], 10.05, 1e-6);

    ASSERT_EQ(KlassifiserElement(ulik.get(), 0, "3001", 0, 0), ARC_ELM);
    // Start, end and centre as read; the radius of the arc rebuilt in the plane.
    EXPECT_NEAR(Elm.H[0], 10.0, 1e-6);
    EXPECT_NEAR(Elm.H[1], 10.2, 1e-6);
    EXPECT_LT(Elm.radius, 0);
    EXPECT_EQ(Elm.storbue, 0);

    Bmw.unknownCount = 0;
    EXPECT_EQ(KlassifiserElement(skraa.get(), 0, "3001", 0, 0), 0);
    EXPECT_EQ(ukjente(), std::vector<std::string>{"39 3001"});
    EXPECT_EQ(Bmw.notImported[ZERA_BUE - 1], 1);
    AvsluttEksportKjoering();
}

TEST_F(EksportTest, AnUnselectedFkbGroupIsReportedAndNotExported)
{
    leggLinje({{1, 1, 0}, {2, 2, 0}}, "3001");
    leggLinje({{3, 3, 0}, {4, 4, 0}}, "1012");
    // The table is loaded by the run; the group is unselected before the
    // first element, as the dialogs leave it.
    ASSERT_EQ(mt_init(path("tema.tem").c_str(), 1), 0);
    for (int i = 0; i < Fkbtab.count; i++)
        Fkbtab.selected[i] = strcmp(Fkbtab.group[i], "KYS") != 0;
    std::string t = elementer();
    EXPECT_EQ(t, ".LINJE 1:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n300 300\n400 400\n.SLUTT\n");
    EXPECT_EQ(ukjente(), std::vector<std::string>{"26 3001"});
    EXPECT_EQ(Bmw.notImported[ZERA_LINJE - 1], 1);
}

TEST_F(EksportTest, RastersShownInTheViewAreWrittenAndCopiedBesideTheZeraFile)
{
    fs::create_directories(path("bilder"));
    fs::create_directories(path("zera"));
    zvlib::copyText(data_->zeraFil, path("zera/ut.zer").c_str());
    // Two small BMP files the host reads the size of.
    auto bmp = [&](const std::string &navn, int w, int h, char fyll) {
        std::string b(54, '\0');
        b[0] = 'B', b[1] = 'M';
        auto put = [&](int at, uint32_t v) {
            for (int i = 0; i < 4; i++)
                b[at + i] = char((v >> (8 * i)) & 0xFF);
        };
        put(2, 54 + 4);
        put(10, 54);
        put(14, 40);
        put(18, uint32_t(w));
        put(22, uint32_t(h));
        b[26] = 1;
        b[28] = 24;
        b += std::string(4, fyll);
        std::ofstream(path(navn), std::ios::binary) << b;
    };
    bmp("bilder/skjult.bmp", 10, 20, 'a');
    bmp("bilder/kart.bmp", 100, 50, 'b');
    ASSERT_EQ(mdlRaster_initialize(), 0);
    DgnRasterRef skjult = 0, kart = 0;
    ASSERT_EQ(mdlRaster_fileOpen(&skjult, path("bilder/skjult.bmp").c_str(), 0), 0);
    ASSERT_EQ(mdlRaster_fileOpen(&kart, path("bilder/kart.bmp").c_str(), 0), 0);
    DPoint3d o{1000, 2000, 0};
    ASSERT_EQ(mdlRaster_geoReferenceInfoSet(skjult, &o, 100000, 200000), 0);
    ASSERT_EQ(mdlRaster_geoReferenceInfoSet(kart, &o, 100000, 50000), 0);
    ASSERT_EQ(mdlRaster_renderingInfoSet(skjult, 0x2u), 0); // view 2 only
    ASSERT_EQ(mdlRaster_renderingInfoSet(kart, 0x1u), 0);

    leggLinje({{1, 1, 0}, {2, 2, 0}}, "1012");
    zvlib::copyText(data_->zeraFil, path("zera/ut.zer").c_str());
    std::string t = elementer();
    EXPECT_EQ(t, ".LINJE 1:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n100 100\n200 200\n"
                 ".RASTER 2:\n..DATO 20240315\n..BILDE\n...BILDE-SYS 22\n...BILDE-TYPE BMP\n"
                 "...BILDE-FIL \"kart.bmp\"\n..PIXEL-ST\xD8RR 1.00 1.00\n..N\xD8\n200 100\n200 10100\n5200 10100\n5200 100\n"
                 ".SLUTT\n");
    EXPECT_EQ(lesFil(path("zera/kart.bmp")), lesFil(path("bilder/kart.bmp")));
    EXPECT_FALSE(fs::exists(path("zera/skjult.bmp")));
    EXPECT_TRUE(meldinger().empty());

    // Another image of that name in the ZERA folder stays as it is.
    bmp("zera/kart.bmp", 100, 50, 'c');
    std::string annen = lesFil(path("zera/kart.bmp"));
    elementer();
    EXPECT_EQ(lesFil(path("zera/kart.bmp")), annen);
    EXPECT_NE(lesFil(path("bilder/kart.bmp")), annen);
    EXPECT_EQ(meldinger(), std::vector<std::string>{"MSTEMTAB 47"});
    mdlRaster_detach(skjult);
    mdlRaster_detach(kart);
}

TEST_F(EksportTest, TheFenceRouteExportsOnlyFenceContentAndDeletesItsCopies)
{
    leggLinje({{1, 1, 0}, {2, 2, 0}}, "1012");       // inside
    leggLinje({{50, 50, 0}, {60, 60, 0}}, "1012");   // outside
    leggLinje({{5, 5, 0}, {15, 5, 0}}, "1012");      // crossing: clipped
    DPoint3d gjerde[4] = {{0, 0, 0}, {10000, 0, 0}, {10000, 10000, 0}, {0, 10000, 0}};
    ASSERT_EQ(mdlFence_fromPoints(gjerde, 4, 0), 0);
    ASSERT_EQ(mdlParams_setLock(LOCK_FENCE_CLIP, 1), 0);
    data_->brukGjerde = 1;
    data_->hode.zeraNivaa = 2;
    const int foer = antallElementer();
    mdlhost_clearCommandStateLog();
    std::string t = elementer();
    EXPECT_EQ(t, ".LINJE 1:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n100 100\n200 200\n"
                 ".LINJE 2:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n500 500\n500 1000\n.SLUTT\n");
    EXPECT_EQ(antallElementer(), foer);
    EXPECT_EQ(mdlhost_fenceCommandActive(), 0);
    EXPECT_STREQ(mdlhost_commandStateLog(), "default\n");

    // At level 3 the whole model is exported even with a fence.
    data_->hode.zeraNivaa = 3;
    t = elementer();
    EXPECT_NE(t.find(".LINJE 3:"), std::string::npos) << t;
    EXPECT_EQ(antallElementer(), foer);
}

TEST_F(EksportTest, AnAbortStopsTheScanButTheRunEnds)
{
    for (int i = 0; i < 5; i++)
        leggLinje({{double(i), 0, 0}, {double(i), 1, 0}}, "1012");
    mdlSystem_extendedAbortEnable(1);
    mdlhost_requestAbort(1);
    std::string t = elementer();
    mdlSystem_extendedAbortEnable(0);
    EXPECT_EQ(t, ".LINJE 1:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n0 0\n100 0\n.SLUTT\n");
}

TEST_F(EksportTest, LongTextsAreCutToTheirFieldWithAMessage)
{
    std::string lang(300, 'x');
    legg(tekst(lang.c_str(), {1, 1, 0}, 0, "1010").get());
    std::string t = elementer();
    EXPECT_NE(t.find("..STRENG " + std::string(ZERA_TEXT_LEN - 1, 'x') + "\n"), std::string::npos);
    EXPECT_EQ(meldinger(), std::vector<std::string>{"MSTEMTAB 43"});
}

} // namespace

namespace {

TEST_F(EksportTest, AtLevelFourGroupedTextsAndSharedCellsAreReported)
{
    data_->hode.zeraNivaa = 4;
    legg(tekst("Navn", {1, 1, 0}, 0, "1010", 3).get());
    auto el = dgntest::newElement();
    DPoint3d o{7000, 8000, 0};
    ASSERT_EQ(mdlSharedCell_create(el.get(), 0, &o, nullptr, nullptr, u"KRYSS", nivaa("2101")), 0);
    sett(el.get(), "2101", 3);
    legg(el.get());
    legg(tekst("Fri", {2, 2, 0}, 0, "1010").get());
    EXPECT_EQ(elementer(), ".TEKST 1:\n..TTEMA 1010\n..DATO 20240315\n..STRENG Fri\n..N\xD8\n200 200\n.SLUTT\n");
    EXPECT_EQ(ukjente(), (std::vector<std::string>{"28 1010", "29 2101"}));
    EXPECT_EQ(Bmw.notImported[ZERA_TEKST - 1], 1);
    EXPECT_EQ(Bmw.notImported[ZERA_PUNKT - 1], 1);
}

} // namespace
