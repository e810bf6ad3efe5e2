// ZERA files imported into a design file and exported again: what comes
// back, and the differences the round trip is known to make.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "eksport.h"
#include "kartmotor.h"
#include "kartmotor_tjenester.h"
#include "testing/hode_testing.h"
#include "testing/importskriver_testing.h"
#include "zeratagger.h"

namespace {

class RundturTest : public importtest::ImportTest {
  protected:
    // ukjente: the import's "unknown themes" switch.
    void importer(const std::string &tekst, int ukjente = 0)
    {
        std::string zera = path("inn.zer");
        std::ofstream(zera, std::ios::binary) << tekst;
        SheadStruct hode{};
        int32_t storrelse = 0;
        ASSERT_EQ(zerget_headinfo(zera.c_str(), &hode, &storrelse, reinterpret_cast<MdlFunctionP>(c_txt)), 0);
        lagreNivaa4 = hode.zeraNivaa > 3;
        NyElementIndeks();
        ASSERT_EQ(perf_zera2dgn(zera.c_str(), temaFil_.c_str(), path("inn.log").c_str(), "", ukjente,
                                reinterpret_cast<MdlFunctionP>(dgnput_elm), nullptr,
                                reinterpret_cast<MdlFunctionP>(c_txt), nullptr),
                  0);
        SlettElementIndeks();
    }
    // The export of the active model at ZERA level nivaa, ISO 8859-1; the
    // elements after the header.
    std::string eksporter(int nivaa)
    {
        int16_t sett = ZERA_CHARSET_ISO;
        SheadStruct hode{};
        hodetest::nyttHode(sett, &hode);
        hode.koordsys = 22;
        hode.enhet = 0.01;
        hode.zeraVersjon = 4.0;
        hode.zeraNivaa = static_cast<int16_t>(nivaa);
        hode.dato = 20240315;
        data_.hode = hode;
        data_.eksporterZeratema = 1;
        eksporterZeratema = 1;
        lagreNOH = 1; // a 3D design: heights with every point
        memset(&Bmw, 0, sizeof Bmw);
        std::string elementer = path("ut.tmp"), zera = path("ut.zer");
        MdlFunctionP ctxt = reinterpret_cast<MdlFunctionP>(c_txt);
        EXPECT_EQ(init_dgn2zera(temaFil_.c_str(), elementer.c_str(), &hode, ctxt), 0);
        EksporterTegning();
        EXPECT_EQ(exit_dgn2zera(path("ut.log").c_str(), zera.c_str(), elementer.c_str(), temaFil_.c_str(), "", "",
                                ctxt),
                  0);
        hodeTekst_ = les(zera);
        std::string t = les(elementer);
        return t;
    }
    std::string hodeTekst_;
};

// The end-to-end case of two boundary lines and an area with an island.
TEST_F(RundturTest, AnAreaWithAnIslandComesBackWithItsReferences)
{
    importer(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
             "..ZERA-NIV\xC5 4\n"
             ".LINJE 1:\n..LTEMA 1012\n..N\xD8\n660000000 50000000\n660000000 50001000\n"
             "660001000 50001000\n660001000 50000000\n660000000 50000000\n"
             ".LINJE 2:\n..LTEMA 1012\n..N\xD8\n660000200 50000200\n660000200 50000400\n"
             "660000400 50000400\n660000400 50000200\n660000200 50000200\n"
             ".FLATE 3:\n..FTEMA 1011\n..REF :1 (:2)\n..N\xD8\n660000500 50000100\n.SLUTT\n");
    std::string ut = eksporter(4);
    EXPECT_NE(ut.find(".LINJE 1:\n..LTEMA 1012\n"), std::string::npos) << ut;
    EXPECT_NE(ut.find(".LINJE 2:\n..LTEMA 1012\n"), std::string::npos) << ut;
    size_t flate = ut.find(".FLATE 3:\n..FTEMA 1011\n");
    ASSERT_NE(flate, std::string::npos) << ut;
    EXPECT_NE(ut.find("..REF :1 (:2)", flate), std::string::npos) << ut;
    EXPECT_NE(ut.find("660000500 50000100", flate), std::string::npos) << ut;
    EXPECT_NE(hodeTekst_.find("..ZERA-NIV\xC5 4\n"), std::string::npos) << hodeTekst_;
    // Known difference: the area's point symbol is a shared cell of the
    // area's group, which the export does not write on its own.
    bool symbol = false;
    for (int i = 0; i < Bmw.unknownCount; ++i)
        symbol = symbol || Bmw.tem.number[i] == 29;
    EXPECT_TRUE(symbol) << "MSTEMTAB 29 for the area's point symbol";
}

// Every kind of group at once, with attributes through tags.
TEST_F(RundturTest, PointsLinesCurvesArcsTextsAndAttributesComeBack)
{
    ASSERT_NO_FATAL_FAILURE(lagreSomTagger());
    data_.punktModus = 2; // points as zero-length lines: no cell library needed
    importer(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
             "..ZERA-NIV\xC5 3\n"
             ".PUNKT 1:\n..PTEMA 2101\n..N\xD8H\n660010000 50010000 1234\n"
             ".LINJE 2:\n..LTEMA 1012\n..DATO 20090601\n..KVALITET 82 100\n..EIER kommune\n..N\xD8\n"
             "660000000 50000000\n660000100 50000100\n660000200 50000000\n"
             ".KURVE 3:\n..LTEMA 3001\n..N\xD8H\n660000000 50000000 1000\n"
             "660001000 50001000 1000\n660002000 50000500 1000\n"
             ".BUE 4:\n..LTEMA 1012\n..RADIUS -1000\n..N\xD8\n660005000 50005000\n660006000 50006000\n"
             ".TEKST 5:\n..TTEMA 1010\n..STRENG \"\xC5s og [vik]\"\n..N\xD8\n660002000 50002000\n"
             ".SLUTT\n");
    FrigjorTagsetTabell();
    ASSERT_EQ(LesZeraTagsetInputFil(0, nullptr), 0);
    std::string ut = eksporter(3);
    FrigjorTagsetTabell();
    // Known difference: an element without a date gets the header's.
    // The point: its theme and its coordinate with height.
    EXPECT_NE(ut.find(".PUNKT 1:\n..PTEMA 2101\n"), std::string::npos) << ut;
    // Known difference: a height that all points share is written once,
    // as "..HØYDE", with the points as "..NØ".
    EXPECT_NE(ut.find("..H\xD8YDE 12.340\n..N\xD8\n660010000 50010000\n"), std::string::npos) << ut;
    // The line with its attributes from the tags.
    size_t linje = ut.find(".LINJE 2:\n..LTEMA 1012\n");
    ASSERT_NE(linje, std::string::npos) << ut;
    EXPECT_NE(ut.find("..DATO 20090601", linje), std::string::npos) << ut;
    EXPECT_NE(ut.find("..KVALITET 82 100", linje), std::string::npos) << ut;
    EXPECT_NE(ut.find("..EIER kommune", linje), std::string::npos) << ut;
    EXPECT_NE(ut.find("660000100 50000100", linje), std::string::npos) << ut;
    // The curve: its three points, without the control points.
    size_t kurve = ut.find(".KURVE 3:\n..LTEMA 3001\n");
    ASSERT_NE(kurve, std::string::npos) << ut;
    EXPECT_NE(ut.find("..H\xD8YDE 10.000\n..N\xD8\n660000000 50000000\n660001000 50001000\n660002000 50000500\n",
                      kurve),
              std::string::npos)
        << ut;
    // The arc: its radius and its ends.
    size_t bue = ut.find(".BUE 4:\n..LTEMA 1012\n");
    ASSERT_NE(bue, std::string::npos) << ut;
    // Known difference: the radius is written with three decimals.
    EXPECT_NE(ut.find("..RADIUS -1000.000\n", bue), std::string::npos) << ut;
    EXPECT_NE(ut.find("660006000 50006000", bue), std::string::npos) << ut;
    // The text, its letters and brackets as they were.
    size_t tekst = ut.find(".TEKST 5:\n..TTEMA 1010\n");
    ASSERT_NE(tekst, std::string::npos) << ut;
    EXPECT_NE(ut.find("\xC5s og [vik]", tekst), std::string::npos) << ut;
    EXPECT_NE(ut.find("660002000 50002000", tekst), std::string::npos) << ut;
}

// A name set as two texts keeps the blank that ends the first one.
TEST_F(RundturTest, ATextKeepsItsTrailingBlank)
{
    importer(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
             "..ZERA-NIV\xC5 3\n"
             ".TEKST 1:\n..TTEMA 1010\n..STRENG \"Nord \"\n..N\xD8\n660002000 50002000\n"
             ".TEKST 2:\n..TTEMA 1010\n..STRENG fjell\n..N\xD8\n660002000 50002600\n"
             ".SLUTT\n");
    std::string ut = eksporter(3);
    EXPECT_NE(ut.find("..STRENG \"Nord \"\n"), std::string::npos) << ut;
    EXPECT_NE(ut.find("..STRENG fjell\n"), std::string::npos) << ut;
}

// Attribute groups with sub-lines come back whole, under their own parent,
// and a modelled key inside a group stays in the group.
TEST_F(RundturTest, NestedAttributeGroupsComeBackIntactAndInOrder)
{
    ASSERT_NO_FATAL_FAILURE(lagreSomTagger());
    importer(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
             "..ZERA-NIV\xC5 3\n"
             ".LINJE 1:\n..LTEMA 1012\n..EIER kommune\n..KVALITET\n...M\xC5LEMETODE 82\n...N\xD8YAKTIGHET 0\n"
             "..PLANREF\n...KOMM 1234\n...PLANID 7\n..N\xD8\n660000000 50000000\n660000100 50000100\n"
             ".SLUTT\n");
    FrigjorTagsetTabell();
    ASSERT_EQ(LesZeraTagsetInputFil(0, nullptr), 0);
    std::string ut = eksporter(3);
    FrigjorTagsetTabell();
    size_t linje = ut.find(".LINJE 1:\n");
    ASSERT_NE(linje, std::string::npos) << ut;
    EXPECT_NE(ut.find("..KVALITET\n...M\xC5LEMETODE 82\n...N\xD8YAKTIGHET 0\n", linje), std::string::npos) << ut;
    EXPECT_NE(ut.find("..PLANREF\n...KOMM 1234\n...PLANID 7\n", linje), std::string::npos) << ut;
    EXPECT_NE(ut.find("..EIER kommune\n", linje), std::string::npos) << ut;
    EXPECT_EQ(ut.find("\n..KOMM", linje), std::string::npos) << ut;
    EXPECT_EQ(ut.find("..KVALITET", ut.find("..KVALITET", linje) + 1), std::string::npos) << ut;
}

// Heights that a 2D design cannot keep are named in the import's log, once
// per file; a file without heights, or a 3D design, gets no such line.
TEST_F(RundturTest, HeightsImportedIntoA2dDesignAreNamedInTheLog)
{
    const std::string hode = ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n"
                             "...ENHET 0.01\n..ZERA-NIV\xC5 3\n";
    const std::string medHoyder = hode + ".KURVE 1:\n..LTEMA 3001\n..N\xD8H\n660000000 50000000 1000\n"
                                         "660001000 50001000 1000\n660002000 50000500 1000\n"
                                         ".KURVE 2:\n..LTEMA 3001\n..N\xD8H\n660000000 50000000 2000\n"
                                         "660001000 50001000 2000\n.SLUTT\n";
    const std::string utenHoyder = hode + ".LINJE 1:\n..LTEMA 1012\n..N\xD8\n660000000 50000000\n"
                                          "660000100 50000100\n.SLUTT\n";
    struct Tilfelle {
        const char *navn;
        bool tredim;
        const std::string &fil;
        size_t linjer;
    } tilfeller[] = {{"2D with heights", false, medHoyder, 1},
                     {"2D without heights", false, utenHoyder, 0},
                     {"3D with heights", true, medHoyder, 0}};
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.navn);
        mdlhost_closeDesignFile();
        std::string dgn = path(std::string(t.tredim ? "h3d" : "h2d") + std::to_string(t.linjer) + ".dgn");
        DPoint3d origo{0, 0, 0};
        ASSERT_EQ(mdlhost_dgnCreateFile(dgn.c_str(), t.tredim, 1000.0, "m", &origo), 0);
        ASSERT_EQ(mdlSystem_newDesignFile(dgn.c_str()), 0);
        importer(t.fil);
        std::string logg = les(path("inn.log"));
        size_t antall = 0;
        for (size_t p = logg.find("ZERA2DGN 34"); p != std::string::npos; p = logg.find("ZERA2DGN 34", p + 1))
            ++antall;
        EXPECT_EQ(antall, t.linjer) << logg;
    }
}

// Letters of ISO8859-10 that ISO 8859-1 lacks are named in the log, each
// once per file; the same bytes in an ISO8859-1 file are its own letters.
TEST_F(RundturTest, LettersTheInternalSetLacksAreNamedOncePerFile)
{
    auto fil = [](const char *sett) {
        return std::string(".HODE\n..TEGNSETT ") + sett +
               "\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n..ZERA-NIV\xC5 3\n"
               ".TEKST 1:\n..TTEMA 1010\n..STRENG \"\xB9\xE8\xBA\xBC\xBF\"\n..N\xD8\n660002000 50002000\n"
               ".TEKST 2:\n..TTEMA 1010\n..STRENG \"\xBF\xE8\xE5\"\n..N\xD8\n660002000 50002600\n.SLUTT\n";
    };
    importer(fil("ISO8859-10"));
    std::string logg = les(path("inn.log"));
    size_t antall = 0;
    for (size_t p = logg.find("ZERA2DGN 35"); p != std::string::npos; p = logg.find("ZERA2DGN 35", p + 1))
        ++antall;
    EXPECT_EQ(antall, 5u) << logg;
    for (const char *navn : {"U+0111 lest som \xB9", "U+010D lest som \xE8", "U+0161 lest som \xBA",
                             "U+017E lest som \xBC", "U+014B lest som \xBF"})
        EXPECT_NE(logg.find(navn), std::string::npos) << navn << "\n" << logg;
    EXPECT_EQ(logg.find("lest som \xE5"), std::string::npos) << logg;

    importer(fil("ISO8859-1"));
    logg = les(path("inn.log"));
    EXPECT_EQ(logg.find("ZERA2DGN 35"), std::string::npos) << logg;
}

// The export's side of the round trip, with its own theme table and the
// import's "unknown themes" switch.
class RundturEksportTest : public RundturTest {
  protected:
    void TearDown() override
    {
        matchLevel = matchColor = multHoyde = eksporterObjekttype = 0;
        RundturTest::TearDown();
    }
    // The theme table the export reads (reloaded: a loaded table stays).
    void tema(const std::string &tekst)
    {
        std::ofstream(temaFil_) << tekst;
        Mstemtab.rowCount = 0;
        ASSERT_EQ(mt_init(temaFil_.c_str(), 0), 0);
    }
    void importerUkjente(const std::string &tekst) { importer(tekst, 1); }
    // The group of serial in the exported text, up to the next group.
    static std::string gruppeAv(const std::string &ut, const std::string &start)
    {
        size_t a = ut.find(start);
        if (a == std::string::npos)
            return "";
        size_t b = a;
        do
            b = ut.find("\n.", b + 1);
        while (b != std::string::npos && b + 2 < ut.size() && ut[b + 2] == '.');
        return ut.substr(a, b == std::string::npos ? std::string::npos : b + 1 - a);
    }
};

// Elements imported without a theme row keep the object type they carry and
// get no theme from a row that only fits their data type.
TEST_F(RundturEksportTest, ObjectTypesAreNeverExchangedOrInvented)
{
    ASSERT_NO_FATAL_FAILURE(tema("Hoydekurve;2001;HDB;L;2001;2;1;0;0;0;0;KRYSS;1;1;1\n" +
                                 std::string(zerafiltest::TEMATABELL)));
    std::string tagfil = path("zvzera.tag");
    std::ofstream(tagfil) << "..OBJTYPE ZERA OBJTYPE 3 1 0 0 0\n..* ZERA REST 3 1 0 0 0\n";
    zvlib::copyText(data_.tagsetFil, tagfil.c_str());
    ASSERT_EQ(LesZeraTagsetInputFil(0, nullptr), 0);
    ASSERT_EQ(LagTagsett(), 0);
    data_.lagreEgenskaper = 1;
    data_.punktModus = 2;
    importerUkjente(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
                    "..ZERA-NIV\xC5 3\n"
                    ".LINJE 1:\n..OBJTYPE Gangsti\n..N\xD8\n660000000 50000000\n660000100 50000100\n"
                    ".LINJE 2:\n..OBJTYPE Eiendomsskille\n..N\xD8\n660000300 50000000\n660000400 50000100\n"
                    ".PUNKT 3:\n..OBJTYPE Grensestein\n..N\xD8\n660000500 50000500\n"
                    ".KURVE 4:\n..LTEMA 2001\n..H\xD8YDE 120\n..N\xD8\n660001000 50001000\n"
                    "660001100 50001200\n660001200 50001000\n"
                    ".SLUTT\n");
    FrigjorTagsetTabell();
    ASSERT_EQ(LesZeraTagsetInputFil(0, nullptr), 0);
    matchLevel = matchColor = 0;
    eksporterObjekttype = 1; // as both roads of the export set it
    std::string ut = eksporter(3);
    FrigjorTagsetTabell();
    const struct {
        const char *start, *objtype;
    } tilfeller[] = {{".LINJE 1:\n", "Gangsti"}, {".LINJE 2:\n", "Eiendomsskille"}, {".PUNKT 3:\n", "Grensestein"}};
    for (const auto &t : tilfeller) {
        SCOPED_TRACE(t.start);
        std::string g = gruppeAv(ut, t.start);
        ASSERT_FALSE(g.empty()) << ut;
        EXPECT_NE(g.find(std::string("..OBJTYPE ") + t.objtype + "\n"), std::string::npos) << g;
        EXPECT_EQ(g.find("TEMA"), std::string::npos) << g;
        EXPECT_EQ(g.find("..H\xD8YDE"), std::string::npos) << g;
    }
    std::string kurve = gruppeAv(ut, ".KURVE 4:\n");
    EXPECT_NE(kurve.find("..LTEMA 2001\n"), std::string::npos) << ut;
    EXPECT_NE(kurve.find("..H\xD8YDE 120.000\n"), std::string::npos) << ut;
    EXPECT_EQ(kurve.find("..OBJTYPE Gangsti"), std::string::npos) << ut;

    // With the level check no row takes the level "UnDefined": those
    // elements are left out, each registered.
    matchLevel = 1;
    ASSERT_EQ(LesZeraTagsetInputFil(0, nullptr), 0);
    ut = eksporter(3);
    FrigjorTagsetTabell();
    for (const auto &t : tilfeller)
        EXPECT_EQ(ut.find(std::string("..OBJTYPE ") + t.objtype + "\n"), std::string::npos) << ut;
    EXPECT_NE(ut.find("..LTEMA 2001\n"), std::string::npos) << ut;
    int ukjent = 0;
    for (int i = 0; i < Bmw.unknownCount; ++i)
        ukjent += Bmw.tem.number[i] == 20;
    EXPECT_GE(ukjent, 1) << "MSTEMTAB 20 for the elements no row takes";
}

// "Only multiple heights of 20 m": contours off the interval stay out.
TEST_F(RundturEksportTest, OnlyMultipleHeightsAreWritten)
{
    ASSERT_NO_FATAL_FAILURE(tema("Hoydekurve;2001;HDB;L;2001;2;1;0;0;0;0;KRYSS;1;1;1\n" +
                                 std::string(zerafiltest::TEMATABELL)));
    std::string zera = ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n"
                       "...ENHET 0.01\n..ZERA-NIV\xC5 3\n";
    for (int i = 0; i < 5; ++i) {
        std::string n = std::to_string(660000000 + i * 1000);
        zera += ".KURVE " + std::to_string(i + 1) + ":\n..LTEMA 2001\n..H\xD8YDE " + std::to_string(110 + 10 * i) +
                "\n..N\xD8\n" + n + " 50000000\n" + n + " 50000500\n" + n + " 50001000\n";
    }
    importer(zera + ".SLUTT\n");
    multHoyde = 20;
    std::string ut = eksporter(3);
    for (int h : {110, 120, 130, 140, 150}) {
        SCOPED_TRACE(h);
        bool skrevet = ut.find("..H\xD8YDE " + std::to_string(h) + ".000\n") != std::string::npos;
        EXPECT_EQ(skrevet, h % 20 == 0) << ut;
    }
    int utelatt = 0;
    for (int i = 0; i < Bmw.unknownCount; ++i)
        utelatt += Bmw.tem.number[i] == 27;
    EXPECT_GE(utelatt, 1) << "MSTEMTAB 27";
    EXPECT_EQ(Bmw.notImported[ZERA_KURVE - 1], 3);
}


// Under a level-3 header an area cannot be written: each is named in the
// log, and neither the area nor its point symbol becomes a point.
TEST_F(RundturEksportTest, AreasALevel3HeaderCannotTakeAreReported)
{
    importer(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
             "..ZERA-NIV\xC5 4\n"
             ".LINJE 1:\n..LTEMA 1012\n..N\xD8\n660000000 50000000\n660000000 50001000\n"
             "660001000 50001000\n660001000 50000000\n660000000 50000000\n"
             ".FLATE 2:\n..FTEMA 1011\n..REF :1\n..N\xD8\n660000500 50000500\n.SLUTT\n");
    std::string ut = eksporter(3);
    EXPECT_NE(ut.find(".LINJE 1:\n..LTEMA 1012\n"), std::string::npos) << ut;
    EXPECT_EQ(ut.find(".PUNKT"), std::string::npos) << ut;
    EXPECT_EQ(ut.find(".FLATE"), std::string::npos) << ut;
    int flater = 0;
    for (int i = 0; i < Bmw.unknownCount; ++i)
        flater += Bmw.tem.number[i] == EKSPORT_FLATE_NIVAA3;
    EXPECT_EQ(flater, 1) << "one line in the log per area";
    EXPECT_EQ(Bmw.notImported[ZERA_FLATE - 1], 1);
}

} // namespace

// What a design element cannot hold of its group comes back from the
// linkage the import keeps: a text's reference point and baseline, an
// arc's heights and direction.
TEST_F(RundturTest, WhatTheElementCannotHoldComesBackFromTheLinkage)
{
    struct Fall {
        const char *navn;
        const char *gruppe;     // the group as imported
        const char *forventet;  // what the export's group holds
    } fall[] = {
        {"a text with its reference point and baseline",
         ".TEKST 1:\n..TTEMA 1010\n..STRENG Vik\n..N\xD8\n660100000 50100000\n660002000 50002000\n"
         "660003000 50003000\n",
         "..N\xD8H\n660100000 50100000 0\n660002000 50002000 0\n660003000 50003000 0\n"},
        {"an arc by three points with heights",
         ".BUEP 1:\n..LTEMA 1012\n..N\xD8H\n660000300 50000000 0\n660000000 50000300 200\n"
         "659999700 50000000 600\n",
         "..N\xD8H\n660000300 50000000 0\n660000000 50000300 200\n659999700 50000000 600\n"},
        {"an arc keeps its direction",
         ".BUE 1:\n..LTEMA 1012\n..RADIUS 30\n..N\xD8\n660000000 50000000\n660003000 50003000\n",
         "..RADIUS 30.000\n..N\xD8H\n660000000 50000000 0\n660003000 50003000 0\n"},
        {"an arc with different end heights keeps them and its radius",
         ".BUE 1:\n..LTEMA 1012\n..RADIUS -30\n..N\xD8H\n660000000 50000000 100\n660003000 50003000 500\n",
         "..RADIUS -30.000\n..N\xD8H\n660000000 50000000 100\n660003000 50003000 500\n"},
    };
    for (const Fall &f : fall) {
        SCOPED_TRACE(f.navn);
        importer(std::string(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n"
                             "...ENHET 0.01\n..ZERA-NIV\xC5 3\n") +
                 f.gruppe + ".SLUTT\n");
        std::string ut = eksporter(3);
        EXPECT_NE(ut.find(f.forventet), std::string::npos) << ut;
    }
}

// A curve split at an inner node point comes back as one curve with its
// node code, and the area on it refers to it once.
TEST_F(RundturTest, ACurveSplitAtImportComesBackAsOne)
{
    importer(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
             "..ZERA-NIV\xC5 4\n"
             ".KURVE 1:\n..LTEMA 3001\n..N\xD8\n660000000 50000000\n660000500 50000200\n"
             "660001000 50001000 ...KP 1\n660000500 50001800\n660000000 50000000\n"
             ".FLATE 2:\n..FTEMA 1011\n..REF :1\n..N\xD8\n660000500 50000900\n.SLUTT\n");
    std::string ut = eksporter(4);
    EXPECT_NE(ut.find(".KURVE 1:\n..LTEMA 3001\n"), std::string::npos) << ut;
    EXPECT_EQ(ut.find(".KURVE 2:"), std::string::npos) << ut;
    size_t kp = ut.find("660000500 50000200\n660001000 50001000 ...KP 1\n");
    ASSERT_NE(kp, std::string::npos) << ut;
    EXPECT_LT(ut.find("660000500 50001800\n660000000 50000000\n", kp), ut.find(".FLATE 2:")) << ut;
    EXPECT_NE(ut.find("..REF :1\n"), std::string::npos) << ut;
    EXPECT_EQ(ut.find(".TRASE"), std::string::npos) << ut;
}
