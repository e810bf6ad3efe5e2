// Complex elements and areas on export: pieces joined where they meet, the
// .TRASE and .FLATE that refer to them at level 4, area cells whose
// boundaries are found among the written elements by geometry, areas from
// plain shapes, and the bounds of points and references.
#include "testing/eksport_testing.h"

#include <cmath>

namespace {

using eksporttest::EksportTest;

class FlateTest : public EksportTest {
  protected:
    // A line string even of two points (the helper's two points make a line).
    std::unique_ptr<MSElement> streng(const std::vector<DPoint3d> &m, const char *niva)
    {
        auto el = dgntest::newElement();
        auto p = uor(m);
        EXPECT_EQ(mdlLineString_create(el.get(), nullptr, p.data(), int(p.size())), 0);
        sett(el.get(), niva);
        return el;
    }
    uint32_t kompleks(const std::vector<std::unique_ptr<MSElement>> &deler, const char *niva, bool lukket = false)
    {
        auto hdr = dgntest::newElement();
        EXPECT_EQ(mdlComplexChain_createHeader(hdr.get(), lukket ? 1 : 0, 0), 0);
        sett(hdr.get(), niva);
        std::vector<const MSElement *> d;
        for (const auto &e : deler)
            d.push_back(e.get());
        return leggDscr(dscr(hdr.get(), d));
    }
    // A complex shape header (hole or solid) holding the pieces, as a
    // descriptor to put in a cell.
    MSElementDescr *skall(const std::vector<std::unique_ptr<MSElement>> &deler, const char *niva, bool hull)
    {
        auto hdr = dgntest::newElement();
        EXPECT_EQ(mdlComplexChain_createHeader(hdr.get(), 1, 0), 0);
        sett(hdr.get(), niva);
        int h = hull ? 1 : 0;
        mdlElement_setProperties(hdr.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &h);
        std::vector<const MSElement *> d;
        for (const auto &e : deler)
            d.push_back(e.get());
        MSElementDescr *s = nullptr;
        EXPECT_EQ(mdlElmdscr_new(&s, nullptr, hdr.get()), 0);
        for (const MSElement *e : d)
            EXPECT_EQ(mdlElmdscr_appendElement(s, e), 0);
        return s;
    }
    // An area cell at origin (metres) in group gg, of the components (owned).
    uint32_t flateCelle(DPoint3d origo, uint32_t gg, std::vector<MSElementDescr *> deler, const char *navn = "KRYSS")
    {
        auto hdr = dgntest::newElement();
        DPoint3d o = uor({origo})[0];
        std::u16string w(navn, navn + strlen(navn));
        EXPECT_EQ(mdlCell_create(hdr.get(), w.c_str(), &o, 0), 0);
        sett(hdr.get(), "1011", gg);
        MSElementDescr *c = nullptr;
        EXPECT_EQ(mdlElmdscr_new(&c, nullptr, hdr.get()), 0);
        // One chain attached at once: an append per component walks the
        // header's components each time.
        for (size_t i = 1; i < deler.size(); i++) {
            MSElementDescr *siste = deler[i - 1];
            while (siste->h.next != nullptr)
                siste = siste->h.next;
            siste->h.next = deler[i];
            deler[i]->h.previous = siste;
        }
        if (!deler.empty()) {
            EXPECT_EQ(mdlElmdscr_appendDscr(c, deler[0]), 0);
        }
        EXPECT_EQ(mdlElmdscr_validate(c, 0), 0);
        return leggDscr(c);
    }
    static MSElementDescr *enkel(std::unique_ptr<MSElement> el)
    {
        MSElementDescr *d = nullptr;
        EXPECT_EQ(mdlElmdscr_new(&d, nullptr, el.get()), 0);
        return d;
    }
};

std::vector<std::unique_ptr<MSElement>> av(std::unique_ptr<MSElement> a)
{
    std::vector<std::unique_ptr<MSElement>> v;
    v.push_back(std::move(a));
    return v;
}
std::vector<std::unique_ptr<MSElement>> av(std::unique_ptr<MSElement> a, std::unique_ptr<MSElement> b)
{
    auto v = av(std::move(a));
    v.push_back(std::move(b));
    return v;
}
std::vector<std::unique_ptr<MSElement>> av(std::unique_ptr<MSElement> a, std::unique_ptr<MSElement> b,
                                           std::unique_ptr<MSElement> c)
{
    auto v = av(std::move(a), std::move(b));
    v.push_back(std::move(c));
    return v;
}

TEST_F(FlateTest, PiecesThatMeetAreOneElement)
{
    // A (3 points), B (4), C (2) meeting end to start: one line of all
    // their points (the writer drops the repeated joints).
    kompleks(av(streng({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, "1012"), streng({{2, 0, 0}, {2, 1, 0}, {3, 1, 0}, {4, 1, 0}}, "1012"),
                streng({{4, 1, 0}, {5, 5, 0}}, "1012")),
             "1012");
    EXPECT_EQ(elementer(), ".LINJE 1:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n0 0\n0 100\n0 200\n100 200\n"
                           "100 300\n100 400\n500 500\n.SLUTT\n");
}

TEST_F(FlateTest, ALineThenALineStringAreTwoElements)
{
    kompleks(av(linjestreng({{0, 0, 0}, {1, 0, 0}}, "1012"), streng({{1, 0, 0}, {1, 1, 0}, {2, 1, 0}}, "1012")), "1012");
    EXPECT_EQ(elementer(), ".LINJE 1:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n0 0\n0 100\n"
                           ".LINJE 2:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n0 100\n100 100\n100 200\n.SLUTT\n");
}

TEST_F(FlateTest, AJointOneUorApartIsNoJoint)
{
    kompleks(av(streng({{0, 0, 0}, {1, 0, 0}}, "1012"), streng({{1.001, 0, 0}, {1, 1, 0}}, "1012"),
                streng({{1, 1, 0}, {0.0009, 1, 0}}, "1012")),
             "1012");
    // The second joint differs by less than one UOR: joined.
    EXPECT_EQ(elementer(), ".LINJE 1:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n0 0\n0 100\n"
                           ".LINJE 2:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n0 100\n100 100\n100 0\n.SLUTT\n");
}

TEST_F(FlateTest, TheHundredAndFirstJointIsNotRecorded)
{
    std::vector<std::unique_ptr<MSElement>> deler;
    for (int i = 0; i < 102; i++)
        deler.push_back(streng({{double(i), 0, 0}, {double(i + 1), 0, 0}}, "1012"));
    kompleks(deler, "1012");
    std::string t = elementer();
    // Pieces 1 to 101 (x 0 to 101), then piece 102 alone.
    size_t andre = t.find(".LINJE 2:");
    ASSERT_NE(andre, std::string::npos) << t;
    EXPECT_NE(t.find("\n0 10100\n.LINJE 2:"), std::string::npos);
    EXPECT_EQ(t.substr(andre), ".LINJE 2:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n0 10100\n0 10200\n.SLUTT\n");
    EXPECT_EQ(t.find(".LINJE 3:"), std::string::npos);
}

TEST_F(FlateTest, LevelFourAddsATraseThatRefersToThePieces)
{
    data_->hode.zeraNivaa = 4;
    kompleks(av(streng({{0, 0, 0}, {1, 0, 0}}, "1012"), streng({{1, 0, 0}, {1, 1, 0}}, "1012"),
                linjestreng({{1, 1, 0}, {2, 2, 0}}, "1012")),
             "1012");
    EXPECT_EQ(elementer(), ".LINJE 1:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n0 0\n0 100\n100 100\n"
                           ".LINJE 2:\n..LTEMA 1012\n..DATO 20240315\n..N\xD8\n100 100\n200 200\n"
                           ".TRASE 3:\n..LTEMA 1012\n..DATO 20240315\n..REF :1 :2\n.SLUTT\n");
}

TEST_F(FlateTest, AtLevelThreeAComplexShapeIsItsPiecesIndexedUnderTheLast)
{
    uint32_t pos = kompleks(av(streng({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, "1012"),
                               linjestreng({{1, 1, 0}, {0, 0, 0}}, "1012")),
                            "1012", true);
    ASSERT_EQ(init_dgn2zera(path("tema.tem").c_str(), path("e.tmp").c_str(), &data_->hode, nullptr), 0);
    StartEksportKjoering();
    EksporterElement(pos, mdlModelRef_getActive(), 0);
    EXPECT_EQ(EksportSerienummer(), 2);
    EXPECT_EQ(FinnEksportIdForFilpos(pos, mdlModelRef_getActive()), 2);
    AvsluttEksportKjoering();
}

TEST_F(FlateTest, AreaCellsReferToTheirBoundariesInEitherDirection)
{
    data_->hode.zeraNivaa = 4;
    // 1: the outer boundary, digitised the other way in the cell.
    leggLinje({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}}, "1012");
    // 2: an arc with a positive radius, written in its own direction; the
    // cell's arc runs the other way.
    legg(bue({5, 5, 0}, 1, M_PI / 2, -M_PI, "1012").get());
    // 3: a boundary of 7 points whose extra points repeat their neighbours.
    leggLinje({{20, 0, 0}, {20.0004, 0, 0}, {21, 0, 0}, {21, 1, 0}, {21, 1.0002, 0}, {20, 1, 0}, {20, 0, 0}}, "1012");
    // 4: one of 8 points against a component of 5: no match.
    leggLinje({{30, 0, 0}, {30.0004, 0, 0}, {30.0006, 0, 0}, {31, 0, 0}, {31, 1, 0}, {31, 1.0002, 0}, {30, 1, 0},
               {30, 0, 0}},
              "1012");
    // In a group: the area point is the cell's origin.
    flateCelle({5, 5, 0}, 5,
               {skall(av(streng({{0, 0, 0}, {0, 10, 0}, {10, 10, 0}, {10, 0, 0}, {0, 0, 0}}, "1011")), "1011", false),
                skall(av(bue({5, 5, 0}, 1, -M_PI / 2, M_PI, "1011")), "1011", true),
                skall(av(streng({{20, 0, 0}, {21, 0, 0}, {21, 1, 0}, {20, 1, 0}, {20, 0, 0}}, "1011")), "1011", true),
                skall(av(streng({{30, 0, 0}, {31, 0, 0}, {31, 1, 0}, {30, 1, 0}, {30, 0, 0}}, "1011")), "1011", true)});
    std::string t = elementer();
    size_t flate = t.find(".FLATE 5:");
    ASSERT_NE(flate, std::string::npos) << t;
    EXPECT_EQ(t.substr(flate), ".FLATE 5:\n..FTEMA 1011\n..DATO 20240315\n..REF :-1 (:-2) (:3)\n..N\xD8\n500 500\n.SLUTT\n");
}

// An area cell on a level without an area row (its level has a point row
// only) is written once, as the area, not also as a point.
TEST_F(FlateTest, AnAreaCellOnALevelWithoutAnAreaRowIsWrittenOnceAsTheArea)
{
    data_->hode.zeraNivaa = 4;
    leggLinje({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}}, "1012");
    flateCelle({5, 5, 0}, 0,
               {skall(av(streng({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}}, "2101")), "2101", false)});
    std::string t = elementer();
    EXPECT_EQ(t.find(".PUNKT"), std::string::npos) << t;
    size_t flate = t.find(".FLATE 2:");
    ASSERT_NE(flate, std::string::npos) << t;
    EXPECT_EQ(t.find(".FLATE", flate + 1), std::string::npos) << t;
    EXPECT_NE(t.find("..REF :1\n", flate), std::string::npos) << t;
}

TEST_F(FlateTest, APlainHoleShapeIsAnIslandOfItsOwnAndNearMissesAreNoBoundary)
{
    data_->hode.zeraNivaa = 4;
    data_->skannLagerFlater = 0;
    leggLinje({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 0, 0}}, "1012"); // 1
    auto hull = dgntest::newElement();
    auto p = uor({{2, 1, 0}, {4, 1, 0}, {4, 2, 0}, {2, 1, 0}});
    ASSERT_EQ(mdlShape_create(hull.get(), nullptr, p.data(), 4, 0), 0);
    sett(hull.get(), "1012");
    legg(hull.get()); // 2, written as a line in pass 1
    leggLinje({{20, 0, 0}, {21, 0, 0}}, "1012"); // 3
    auto hullKopi = dgntest::newElement();
    ASSERT_EQ(mdlShape_create(hullKopi.get(), nullptr, p.data(), 4, 0), 0);
    sett(hullKopi.get(), "1011");
    int h = 1;
    mdlElement_setProperties(hullKopi.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &h);
    flateCelle({5, 5, 0}, 0,
               {enkel(linjestreng({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 0, 0}}, "1011")), enkel(std::move(hullKopi)),
                // One UOR and a little away from line 3: no reference.
                enkel(linjestreng({{20, 0.0011, 0}, {21, 0, 0}}, "1011"))});
    std::string t = elementer();
    EXPECT_NE(t.find("..REF :1 (:2)\n"), std::string::npos) << t;
}

TEST_F(FlateTest, TheAreaPointComesFromTheGroupOrTheCentroid)
{
    data_->hode.zeraNivaa = 4;
    data_->skannLagerFlater = 1;
    // A plain shape exported in pass 1, then as an area from the shape.
    auto form = dgntest::newElement();
    auto p = uor({{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {0, 2, 0}});
    ASSERT_EQ(mdlShape_create(form.get(), nullptr, p.data(), 4, 0), 0);
    sett(form.get(), "1011");
    legg(form.get());
    std::string t = elementer();
    EXPECT_EQ(t, ".LINJE 1:\n..LTEMA 1011\n..DATO 20240315\n..N\xD8\n0 0\n0 400\n200 400\n200 0\n0 0\n"
                 ".FLATE 2:\n..FTEMA 1011\n..DATO 20240315\n..REF :1\n..N\xD8\n100 200\n.SLUTT\n");
}

TEST_F(FlateTest, TooManyReferencesEndWithAMessage)
{
    data_->hode.zeraNivaa = 4;
    std::vector<MSElementDescr *> deler;
    const int n = EKSPORT_MAKS_REF + 2;
    mdlhost_dgnBeginCommand(); // one transaction, not one per line
    for (int i = 0; i < n; i++) {
        double x = i * 2;
        leggLinje({{x, 0, 0}, {x + 1, 0, 0}}, "1012");
        deler.push_back(enkel(linjestreng({{x, 0, 0}, {x + 1, 0, 0}}, "1011")));
    }
    flateCelle({1, 1, 0}, 0, deler);
    ASSERT_EQ(mdlhost_dgnEndCommand(1), 0);
    std::string t = elementer();
    size_t flate = t.find(".FLATE ");
    ASSERT_NE(flate, std::string::npos);
    EXPECT_NE(t.find(" :5999\n"), std::string::npos);
    EXPECT_EQ(t.find(":6000"), std::string::npos);
    EXPECT_EQ(meldinger(), std::vector<std::string>(2, "MSTEMTAB 46"));
}

TEST_F(FlateTest, ARunTooLongForTheWriterIsSplitWithAMessage)
{
    std::vector<std::unique_ptr<MSElement>> deler;
    for (int i = 0; i < 6; i++) {
        std::vector<DPoint3d> p;
        for (int k = 0; k < MAX_VERTICES; k++)
        {
            const int g = i * (MAX_VERTICES - 1) + k;
            p.push_back({g * 0.01, (g % 2) * 0.01, 0});
        }
        deler.push_back(streng(p, "1012"));
    }
    kompleks(deler, "1012");
    std::string t = elementer();
    EXPECT_NE(t.find(".LINJE 1:"), std::string::npos);
    EXPECT_NE(t.find(".LINJE 2:"), std::string::npos);
    EXPECT_EQ(t.find(".LINJE 3:"), std::string::npos);
    EXPECT_EQ(meldinger(), std::vector<std::string>{"MSTEMTAB 45"});
    // Every point is written once (the joints are repeated and dropped).
    size_t linjer = 0;
    for (char c : t)
        linjer += c == '\n';
    EXPECT_EQ(linjer, size_t(6 * (MAX_VERTICES - 1) + 1 + 1 /* the joint at the split */ + 2 * 4 + 1));
}

} // namespace
