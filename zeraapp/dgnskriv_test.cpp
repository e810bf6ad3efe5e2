// The import's element writer on a real 3D design file: line and curve
// pieces, the ZERA id linkage and the label record, multiple themes and the
// index, the fence, file errors, levels, symbology and texts; the
// EPSG codes of the coordinate system numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dgnskriv_int.h"
#include "gittepunkter.h"
#include "testing/importskriver_testing.h"
#include "zvliberror.h"
#include "zvlibtext.h"

namespace {

using importtest::ImportTest;
using importtest::lesFil;

class SkriverTest : public ImportTest {};

std::vector<DPoint3d> punktene(const MSElement &el)
{
    std::vector<DPoint3d> p(MAX_VERTICES);
    int n = 0;
    EXPECT_EQ(mdlLinear_extract(p.data(), &n, &el, 0), 0);
    p.resize(static_cast<size_t>(n));
    return p;
}

TEST_F(SkriverTest, LinesAndCurvesAreWrittenInPiecesThatShareTheirEnds)
{
    struct Tilfelle {
        const char *navn;
        int type, punkter, knutepunkt;
        std::vector<std::pair<int, int>> stykker; // element type, given points
    } tilfeller[] = {
        {"linje 12000", ZERA_LINJE, 12000, -1, {{4, 5000}, {4, 5000}, {4, 2002}}},
        {"kurve 5000", ZERA_KURVE, 5000, -1, {{11, 4996}, {11, 5}}},
        {"kurve 4997", ZERA_KURVE, 4997, -1, {{11, 4995}, {11, 3}}},
        {"linje 20, node at 10", ZERA_LINJE, 20, 10, {{4, 11}, {4, 10}}},
        {"kurve 2", ZERA_KURVE, 2, -1, {{4, 2}}},
        {"linje 5001", ZERA_LINJE, 5001, -1, {{4, 5000}, {4, 2}}},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        mdlhost_closeDesignFile();
        make3d();
        NyElementIndeks();
        elm(t.type, 1, "3001", rett(t.punkter));
        if (t.knutepunkt >= 0)
            Elm.kp[t.knutepunkt] = 1;
        ASSERT_EQ(dgnput_elm(), 0);
        auto el = alle();
        ASSERT_EQ(el.size(), t.stykker.size());
        int forste = 0;
        for (size_t k = 0; k < el.size(); ++k) {
            EXPECT_EQ(mdlElement_getType(&el[k].el()), t.stykker[k].first);
            auto p = punktene(el[k].el());
            bool kurve = t.stykker[k].first == CURVE_ELM;
            // A curve stores two control points at each end.
            ASSERT_EQ(static_cast<int>(p.size()), t.stykker[k].second + (kurve ? 4 : 0));
            const DPoint3d &a = p[kurve ? 2 : 0];
            EXPECT_NEAR(a.x, Elm.E[forste], 1e-9);
            EXPECT_NEAR(a.y, Elm.N[forste], 1e-9);
            forste += t.stykker[k].second - 1; // the next piece starts at this one's end
        }
        EXPECT_EQ(AntallIElementIndeks(), static_cast<int>(el.size()));
    }
}

TEST_F(SkriverTest, TheZeraIdLinkageAndTheLabelRecord)
{
    data_.lagEtikettfil = 1;
    std::string drv = path("test.drv");
    data_.etikettfil = fopen(drv.c_str(), "w");
    ASSERT_NE(data_.etikettfil, nullptr);
    struct {
        int32_t serie;
        uint16_t ord1, ord2;
    } tilfeller[] = {{70000, 4465, 1}, {131070, 0, 2}};
    for (auto &t : tilfeller) {
        elm(ZERA_LINJE, t.serie, "3001", rett(2));
        ASSERT_EQ(dgnput_elm(), 0);
    }
    // Serial 7 with two themes: the record lists both; rest is left whole.
    elm(ZERA_LINJE, 7, "3001", rett(2));
    snprintf(Elm.theme[1], sizeof Elm.theme[1], "3002");
    Elm.themeCount = 2;
    Elm.dato = 20090601;
    int32_t kv[6] = {82, 0, -1, 0, 0, 0};
    memcpy(Elm.kvalitet, kv, sizeof kv);
    const char *rest = "..EIER kommune\n..NAVN x";
    zvlib::copyText(Elm.rest, rest);
    ASSERT_EQ(dgnput_elm(), 0);
    EXPECT_STREQ(Elm.rest, rest);
    // A derived text (serial -1) gets no linkage and no record.
    elm(ZERA_TEKST, -1, "1010", rett(1));
    snprintf(Elm.text, sizeof Elm.text, "tekst");
    ASSERT_EQ(dgnput_elm(), 0);
    fclose(data_.etikettfil);
    data_.etikettfil = nullptr;

    auto el = alle();
    ASSERT_EQ(el.size(), 4u);
    uint16_t venter[3][2] = {{4465, 1}, {0, 2}, {7, 0}};
    for (int i = 0; i < 3; ++i) {
        const uint16_t *l = nullptr;
        int ord = 0;
        ASSERT_EQ(mdlLinkage_findByID(&l, &ord, &el[i].el(), 0, 0), 0) << i;
        ASSERT_EQ(ord, 4);
        EXPECT_EQ(l[2], venter[i][0]);
        EXPECT_EQ(l[3], venter[i][1]);
    }
    const uint16_t *l = nullptr;
    int ord = 0;
    EXPECT_NE(mdlLinkage_findByID(&l, &ord, &el[3].el(), 0, 0), 0);
    EXPECT_EQ(lesFil(drv), "lbl{0 0 4465 1 text {\nLINJE: 70000\nLTEMA: 3001\n}}\n"
                           "lbl{0 0 0 2 text {\nLINJE: 131070\nLTEMA: 3001\n}}\n"
                           "lbl{0 0 7 0 text {\nLINJE: 7\nLTEMA: 3001\nLTEMA: 3002\nDATO: 20090601\n"
                           "KVALITET: 82 0 *\nEIER: kommune\nNAVN: x\n}}\n");
}

TEST_F(SkriverTest, WithoutOpenSideFilesTheLinkageIsStillAdded)
{
    data_.lagEtikettfil = 1;
    data_.lagXyzFil = 1; // as a batch run: both switches on, no file open
    elm(ZERA_LINJE, 9, "3001", rett(3));
    ASSERT_EQ(dgnput_elm(), 0);
    elm(ZERA_PUNKT, 10, "2101", rett(1));
    ASSERT_EQ(dgnput_elm(), 0);
    auto el = alle();
    ASSERT_EQ(el.size(), 2u);
    for (auto &e : el) {
        const uint16_t *l = nullptr;
        int ord = 0;
        EXPECT_EQ(mdlLinkage_findByID(&l, &ord, &e.el(), 0, 0), 0);
    }
}

TEST_F(SkriverTest, CoordinateFileRepeatsTheElementsPointsPerPiece)
{
    data_.lagXyzFil = 1;
    std::string xyz = path("test.xyz");
    data_.xyzFil = fopen(xyz.c_str(), "w");
    elm(ZERA_LINJE, 1, "3001", {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    Elm.kp[1] = 1; // two pieces
    ASSERT_EQ(dgnput_elm(), 0);
    elm(ZERA_TEKST, 2, "1010", {{1, 1, 0}});
    snprintf(Elm.text, sizeof Elm.text, "x");
    ASSERT_EQ(dgnput_elm(), 0); // type 10: no coordinates
    fclose(data_.xyzFil);
    data_.xyzFil = nullptr;
    std::string linjer = "1.000 2.000 3.000\n4.000 5.000 6.000\n7.000 8.000 9.000\n";
    EXPECT_EQ(lesFil(xyz), linjer + linjer);
}

TEST_F(SkriverTest, AnElementOfTwoThemesIsWrittenPerThemeAndIndexedOnce)
{
    data_.symbologiFraTema = 1;
    elm(ZERA_LINJE, 4, "3001", rett(2));
    snprintf(Elm.theme[1], sizeof Elm.theme[1], "1012");
    Elm.colour = 2;
    ASSERT_EQ(dgnput_elm(), 0);
    Elm.themeCount = 2;
    Elm.colour = 1;
    ASSERT_EQ(dgnput_elm(), 0);
    auto el = alle();
    ASSERT_EQ(el.size(), 2u);
    uint32_t c[2] = {};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(nivaanavn(el[i].el()), "3001");
        mdlElement_getSymbology(&c[i], nullptr, nullptr, &el[i].el());
    }
    EXPECT_EQ(c[0], 2u);
    EXPECT_EQ(c[1], 1u);
    EXPECT_EQ(AntallIElementIndeks(), 1);

    // Tags in mode 0 with every theme at once: the element once.
    data_.lagreEgenskaper = 1;
    data_.flereTemaEnGang = 1;
    elm(ZERA_LINJE, 5, "3001", rett(2));
    ASSERT_EQ(dgnput_elm(), 0);
    Elm.themeCount = 2;
    ASSERT_EQ(dgnput_elm(), 0);
    EXPECT_EQ(alle().size(), 3u);
}

TEST_F(SkriverTest, AnElementWhoseFirstThemeHasNoRowIsIndexed)
{
    // The engine hands over only the second theme, with themeCount 2.
    elm(ZERA_LINJE, 6, "9999", {{0, 0, 10}, {10, 0, 10}, {10, 10, 10}, {0, 10, 10}, {0, 0, 10}});
    snprintf(Elm.theme[1], sizeof Elm.theme[1], "3001");
    Elm.themeCount = 2;
    ASSERT_EQ(dgnput_elm(), 0);
    EXPECT_EQ(AntallIElementIndeks(), 1);
    elm(ZERA_FLATE, 7, "1011", {{5, 5, 10}});
    Elm.refCount = 1;
    Elm.ref[0] = 6;
    ASSERT_EQ(dgnput_elm(), 0);
    auto el = alle();
    ASSERT_EQ(el.size(), 3u); // the line, the area point, the area
    EXPECT_EQ(mdlElement_getType(&el[2].el()), CELL_HEADER_ELM);
}

TEST_F(SkriverTest, TwoDerivedTextsInARowAreBothWritten)
{
    data_.lagreEgenskaper = 1;
    data_.flereTemaEnGang = 1;
    for (int i = 0; i < 2; ++i) {
        elm(ZERA_TEKST, -1, "1010", rett(1, i * 10));
        Elm.themeCount = 2;
        Elm.font = -2;
        snprintf(Elm.text, sizeof Elm.text, "navn %d", i);
        ASSERT_EQ(dgnput_elm(), 0);
    }
    EXPECT_EQ(alle().size(), 2u);
}

TEST_F(SkriverTest, TheFenceAndItsLocks)
{
    DPoint3d gjerde[4] = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}};
    ASSERT_EQ(mdlFence_fromPoints(gjerde, 4, 0), 0);
    ASSERT_EQ(mdlClip_getFence(&gjerdeOmraade), 0);
    struct {
        const char *navn;
        int klipp, overlapp;
        size_t elementer;
        double sluttX; // master units of the written line's far end
    } tilfeller[] = {
        {"no lock", 0, 0, 0, 0},
        {"overlap", 0, 1, 1, 150},
        {"clip", 1, 0, 1, 100},
    };
    for (auto &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        mdlhost_closeDesignFile();
        make3d();
        memset(&Bmw, 0, sizeof Bmw);
        gjerdeKlipp = t.klipp;
        gjerdeOverlapp = t.overlapp;
        elm(ZERA_LINJE, 1, "3001", {{50, 50, 0}, {150, 50, 0}});
        ASSERT_EQ(dgnput_elm(), 0);
        auto el = alle();
        ASSERT_EQ(el.size(), t.elementer);
        if (!el.empty()) {
            auto p = punktene(el[0].el());
            ASSERT_GE(p.size(), 2u);
            EXPECT_NEAR(p.back().x, t.sluttX, 1e-6);
        }
        EXPECT_EQ(Bmw.msgCount, 0);
    }
    // A point outside: no cell and no message.
    elm(ZERA_PUNKT, 2, "2101", {{500, 500, 0}});
    size_t for_ = alle().size();
    ASSERT_EQ(dgnput_elm(), 0);
    EXPECT_EQ(alle().size(), for_);
    EXPECT_EQ(Bmw.msgCount, 0);
}

TEST_F(SkriverTest, AFileErrorEndsTheRunAndOthersGoOn)
{
    struct {
        const char *navn;
        int type, feil, resultat;
        bool boks;
    } tilfeller[] = {
        {"line, disk full, batch", ZERA_LINJE, DGNERR_DISKFULL, -1, false},
        {"line, disk full, user", ZERA_LINJE, DGNERR_DISKFULL, -1, true},
        {"line, other error", ZERA_LINJE, DGNERR_IO, 0, false},
        {"point cell, disk full", ZERA_PUNKT, DGNERR_DISKFULL, -1, false},
        {"point cell, other error", ZERA_PUNKT, DGNERR_IO, 0, false},
    };
    for (auto &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        memset(&Bmw, 0, sizeof Bmw);
        batchModus = t.boks ? 0 : 1;
        if (t.boks) {
            ASSERT_EQ(mdlhost_scriptModal(20011, "press PushButton -3"), 0);
        }
        elm(t.type, 42, t.type == ZERA_PUNKT ? "2101" : "3001", rett(t.type == ZERA_PUNKT ? 1 : 3));
        mdlhost_dgnFailWrites(t.feil, 1000);
        EXPECT_EQ(dgnput_elm(), t.resultat);
        mdlhost_dgnFailWrites(0, 0);
        EXPECT_EQ(meldinger(), std::vector<std::string>{"ZERA2DGN 21"});
        if (t.boks) {
            const ZvlibBoxInfo *b = zvlibError_lastBox();
            ASSERT_NE(b, nullptr);
            EXPECT_NE(std::string(b->lines[0]).find("42"), std::string::npos) << b->lines[0];
        }
    }
    batchModus = 1;
}

TEST_F(SkriverTest, AnAbortRequestStopsTheRun)
{
    mdlSystem_extendedAbortEnable(1);
    mdlhost_requestAbort(1);
    elm(ZERA_LINJE, 1, "3001", rett(2));
    EXPECT_EQ(dgnput_elm(), -1);
    EXPECT_TRUE(alle().empty());
}

TEST_F(SkriverTest, LevelsSymbologyAndTexts)
{
    // An unknown theme: level "UnDefined" with the standard symbology.
    elm(ZERA_LINJE, 1, "9999", rett(2));
    Elm.font = -2;
    ASSERT_EQ(dgnput_elm(), 0);
    // An unknown text: 5.0 by 5.0 in font 105.
    elm(ZERA_TEKST, 2, "9999", rett(1));
    Elm.font = -2;
    snprintf(Elm.text, sizeof Elm.text, "ukjent  ");
    ASSERT_EQ(dgnput_elm(), 0);
    // A row with text height 0: 3.5 by 3.5; two points place it at point 1.
    elm(ZERA_TEKST, 3, "1010", {{1, 1, 0}, {20, 30, 0}});
    Elm.dim[0] = 0;
    Elm.dim[1] = 40;
    snprintf(Elm.text, sizeof Elm.text, "[a]");
    ASSERT_EQ(dgnput_elm(), 0);
    // An unknown point with "PKT" as the standard point cell.
    memcpy(data_.standardPunktcelle, u"PKT", sizeof u"PKT");
    elm(ZERA_PUNKT, 4, "9999", rett(1));
    Elm.font = -2;
    ASSERT_EQ(dgnput_elm(), 0);
    // The object type becomes the level's description.
    elm(ZERA_LINJE, 5, "1012", rett(2));
    snprintf(Elm.objtype, sizeof Elm.objtype, "Grense");
    ASSERT_EQ(dgnput_elm(), 0);

    auto el = alle();
    ASSERT_EQ(el.size(), 5u);
    EXPECT_EQ(nivaanavn(el[0].el()), "UnDefined");
    uint32_t nivaa = 0, c = 0, w = 0;
    int32_t s = -1;
    mdlElement_getProperties(&nivaa, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &el[0].el());
    mdlLevel_getElementColor(&c, 0, nivaa);
    mdlLevel_getElementWeight(&w, 0, nivaa);
    mdlLevel_getElementStyle(&s, 0, nivaa);
    EXPECT_EQ(c, 5u);
    EXPECT_EQ(w, 1u);
    EXPECT_EQ(s, 0);

    struct {
        int i;
        const char *tekst;
        double h, b, x, y;
        int font;
    } tekster[] = {{1, "ukjent  ", 5.0, 5.0, 100, 200, 105}, {2, "[a]", 3.5, 3.5, 20, 30, 105}};
    for (auto &t : tekster) {
        char tekst[64] = {};
        DPoint3d origo{};
        TextParamWide p{};
        ASSERT_EQ(mdlText_extract(tekst, sizeof tekst, &origo, nullptr, &p, nullptr, &el[t.i].el()), 0);
        EXPECT_STREQ(tekst, t.tekst);
        EXPECT_NEAR(p.size.height, t.h, 1e-9);
        EXPECT_NEAR(p.size.width, t.b, 1e-9);
        EXPECT_EQ(p.font, t.font);
        EXPECT_EQ(p.justification, TEXT_JUST_LEFT_BOTTOM);
        EXPECT_NEAR(origo.x, t.x, 1e-9);
        EXPECT_NEAR(origo.y, t.y, 1e-9);
    }
    char16_t def[32] = {};
    ASSERT_EQ(mdlElement_getType(&el[3].el()), SHARED_CELL_ELM);
    ASSERT_EQ(mdlSharedCell_extract(nullptr, def, 32, nullptr, nullptr, &el[3].el()), 0);
    EXPECT_EQ(std::u16string(def), u"PKT");
    uint32_t grense = 0;
    mdlElement_getProperties(&grense, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &el[4].el());
    char16_t beskr[64] = {};
    ASSERT_EQ(mdlLevel_getDescription(beskr, 64, 0, grense), 0);
    EXPECT_EQ(std::u16string(beskr), u"Grense");
}

TEST_F(SkriverTest, ArcsAndCircles)
{
    // .BUE: start (10,0), end (0,10), centre (0,0); a negative radius turns
    // counter-clockwise from start to end.
    struct {
        const char *navn;
        double radius, sveip;
    } buer[] = {{"clockwise", 10.0, -270.0}, {"counter-clockwise", -10.0, 90.0}};
    for (auto &b : buer) {
        SCOPED_TRACE(b.navn);
        mdlhost_closeDesignFile();
        make3d();
        elm(ZERA_BUE, 1, "3001", {{10, 0, 5}, {0, 10, 5}, {0, 0, 5}});
        Elm.radius = b.radius;
        ASSERT_EQ(dgnput_elm(), 0);
        auto el = alle();
        ASSERT_EQ(el.size(), 1u);
        DPoint3d ender[2], senter;
        double start = 0, sveip = 0, a1 = 0, a2 = 0;
        ASSERT_EQ(mdlArc_extract(ender, &start, &sveip, &a1, &a2, nullptr, &senter, &el[0].el()), 0);
        EXPECT_NEAR(a1, 10.0, 1e-9);
        EXPECT_NEAR(std::fabs(sveip) * 180 / M_PI, std::fabs(b.sveip), 1e-6);
        EXPECT_NEAR(senter.x, 0, 1e-9);
        EXPECT_NEAR(senter.z, 5, 1e-9);
    }
    // A chord longer than the diameter is refused in 3D.
    memset(&Bmw, 0, sizeof Bmw);
    elm(ZERA_BUE, 2, "3001", {{30, 0, 5}, {0, 0, 5}, {15, 0, 5}});
    Elm.radius = 5.0;
    ASSERT_EQ(dgnput_elm(), 0);
    EXPECT_EQ(meldinger(), std::vector<std::string>{"ZERA2DGN 26"});
    // Ends at different heights: the arc stays a circle in plan, at the
    // start's height, and its ends keep their heights in the given points.
    mdlhost_closeDesignFile();
    make3d();
    elm(ZERA_BUE, 3, "3001", {{10, 0, 0}, {0, 10, 2}, {0, 0, 0}});
    Elm.radius = -10.0;
    ASSERT_EQ(dgnput_elm(), 0);
    auto el = alle();
    ASSERT_EQ(el.size(), 1u);
    DPoint3d ender[2];
    double a1 = 0, a2 = 0;
    ASSERT_EQ(mdlArc_extract(ender, nullptr, nullptr, &a1, &a2, nullptr, nullptr, &el[0].el()), 0);
    EXPECT_NEAR(ender[0].z, 0.0, 1e-9);
    EXPECT_NEAR(ender[1].z, 0.0, 1e-9);
    EXPECT_NEAR(a1, 10.0, 1e-9);
    Gitte gitt;
    ASSERT_TRUE(LesGitte(&el[0].el(), gitt));
    ASSERT_EQ(gitt.punkter.size(), 2u);
    EXPECT_NEAR(gitt.punkter[0].h, 0.0, 1e-9);
    EXPECT_NEAR(gitt.punkter[1].h, 2.0, 1e-9);
    // Circles by centre and radius, and through three points.
    elm(ZERA_SIRKEL, 4, "3001", {{50, 50, 0}});
    Elm.radius = 3.0;
    ASSERT_EQ(dgnput_elm(), 0);
    elm(ZERA_SIRKELP, 5, "3001", {{0, 0, 0}, {2, 0, 0}, {1, 1, 0}});
    ASSERT_EQ(dgnput_elm(), 0);
    elm(ZERA_SIRKELP, 6, "3001", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}); // colinear
    memset(&Bmw, 0, sizeof Bmw);
    ASSERT_EQ(dgnput_elm(), 0);
    EXPECT_EQ(meldinger(), std::vector<std::string>{"ZERA2DGN 27"});
    el = alle();
    ASSERT_EQ(el.size(), 3u);
    EXPECT_EQ(mdlElement_getType(&el[1].el()), ELLIPSE_ELM);
    EXPECT_EQ(mdlElement_getType(&el[2].el()), ELLIPSE_ELM);
}

TEST_F(SkriverTest, LinesWithoutHeightAreSkippedAndMarkedInTheIndex)
{
    data_.hoppOverLinjerUtenHoyde = 1;
    elm(ZERA_LINJE, 8, "3001", {{0, 0, 0}, {1, 1, 0}});
    ASSERT_EQ(dgnput_elm(), 0);
    EXPECT_TRUE(alle().empty());
    EXPECT_EQ(ukjente(), std::vector<std::string>{"MSTEMTAB 37"});
    int pos = 0;
    uint32_t filpos = 99;
    DgnModelRefP modell = 0;
    ASSERT_EQ(FinnIElementIndeks(8, &pos, &filpos, &modell), 1);
    EXPECT_EQ(filpos, 0u);
}

TEST(Koordsys, EpsgOfEachNumber)
{
    const struct {
        int koordsys, epsg;
    } cases[] = {{1, 27391}, {8, 27398}, {0, 0},      {9, 0},      {20, 0},     {21, 25831}, {23, 25833},
                 {26, 25836}, {27, 0},   {30, 0},     {31, 23031}, {36, 23036}, {37, 0},     {-1, 0},
                 {99, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(zeraEpsgAvKoordsys(c.koordsys), c.epsg) << c.koordsys;
}

} // namespace

// A swarm is one point element per point, in every point mode, each with
// the swarm's linkage and label record; the index takes it once.
TEST_F(SkriverTest, ASwarmWritesEveryPoint)
{
    for (int modus : {0, 1, 2}) {
        SCOPED_TRACE(modus);
        mdlhost_closeDesignFile();
        make3d();
        NyElementIndeks();
        data_.punktModus = modus;
        data_.lagEtikettfil = 1;
        std::string drv = path("sverm.drv");
        data_.etikettfil = fopen(drv.c_str(), "w");
        ASSERT_NE(data_.etikettfil, nullptr);
        elm(ZERA_SVERM, 12, "2101", {{10, 20, 1}, {30, 40, 2}, {50, 60, 3}});
        ASSERT_EQ(dgnput_elm(), 0);
        fclose(data_.etikettfil);
        data_.etikettfil = nullptr;
        auto el = alle();
        ASSERT_EQ(el.size(), 3u);
        for (size_t i = 0; i < el.size(); ++i) {
            const uint16_t *l = nullptr;
            int ord = 0;
            ASSERT_EQ(mdlLinkage_findByID(&l, &ord, &el[i].el(), 0, 0), 0) << i;
            EXPECT_EQ(l[2], 12) << i;
            if (modus == 2) {
                auto p = punktene(el[i].el());
                ASSERT_EQ(p.size(), 2u);
                EXPECT_NEAR(p[0].x, 10.0 + 20.0 * static_cast<double>(i), 1e-9);
                EXPECT_NEAR(p[0].z, 1.0 + static_cast<double>(i), 1e-9);
            }
        }
        std::string post = "lbl{0 0 12 0 text {\nSVERM: 12\nPTEMA: 2101\n}}\n";
        EXPECT_EQ(lesFil(drv), post + post + post);
        if (modus == 2) {
            EXPECT_EQ(AntallIElementIndeks(), 1);
        }
        EXPECT_EQ(Elm.pointCount, 3);
        EXPECT_DOUBLE_EQ(Elm.E[0], 10.0);
    }
}
