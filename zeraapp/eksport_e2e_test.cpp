// End-to-end export fixtures: designs built through the host as the import
// leaves them (E2: level-4 areas; E4: attributes as tags) or as a user
// draws them (E3), exported to ZERA and compared line by line with the
// expected text in testdata/eksport.  The comment lines of the header
// (date and file name) are compared by their form only.
#include "testing/eksport_testing.h"
#include "zvlibtext.h"

#include <cmath>
#include <ctime>

namespace {

using eksporttest::EksportTest;
using eksporttest::lesFil;

std::vector<std::string> linjer(const std::string &t)
{
    std::vector<std::string> v;
    size_t a = 0;
    while (a < t.size()) {
        size_t b = t.find('\n', a);
        if (b == std::string::npos)
            b = t.size();
        v.push_back(t.substr(a, b - a));
        a = b + 1;
    }
    return v;
}

// "<today>" in the expected text is the run's date; "! *" lines match any
// comment line.
void sammenlign(const std::string &faktisk, const std::string &fil, const std::string &idag = "")
{
    auto f = linjer(faktisk);
    auto e = linjer(lesFil(ZERA_SOURCE_DIR "/zeraapp/testdata/eksport/" + fil));
    ASSERT_FALSE(e.empty()) << fil;
    for (size_t i = 0; i < std::max(f.size(), e.size()); i++) {
        std::string fl = i < f.size() ? f[i] : "<none>", el = i < e.size() ? e[i] : "<none>";
        size_t p = el.find("<today>");
        if (p != std::string::npos)
            el.replace(p, 7, idag);
        if (el == "! *" && fl.size() > 2 && fl.compare(0, 2, "! ") == 0)
            continue;
        EXPECT_EQ(fl, el) << fil << " line " << i + 1;
    }
}

class EksportE2eTest : public EksportTest {};

TEST_F(EksportE2eTest, E2LevelFourAreasWithAnIsland)
{
    make3d();
    data_->hode.zeraNivaa = 4;
    // What the import of E2 leaves: the two lines on "1012", the area point
    // symbol and the area cell in one new group on "1011".
    std::vector<DPoint3d> ytre = {{500000, 6600000, 0}, {500010, 6600000, 0}, {500010, 6600010, 0},
                                  {500000, 6600010, 0}, {500000, 6600000, 0}};
    std::vector<DPoint3d> indre = {{500002, 6600002, 0}, {500004, 6600002, 0}, {500004, 6600004, 0},
                                   {500002, 6600004, 0}, {500002, 6600002, 0}};
    leggLinje(ytre, "1012");
    leggLinje(indre, "1012");
    const uint32_t g = 17;
    DPoint3d punkt = uor({{500001, 6600005, 0}})[0];
    auto symbol = dgntest::newElement();
    ASSERT_EQ(mdlSharedCell_create(symbol.get(), 0, &punkt, nullptr, nullptr, u"KRYSS", nivaa("1011")), 0);
    sett(symbol.get(), "1011", g);
    legg(symbol.get());

    auto celle = dgntest::newElement();
    ASSERT_EQ(mdlCell_create(celle.get(), u"KRYSS", &punkt, 0), 0);
    sett(celle.get(), "1011", g);
    MSElementDescr *c = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&c, nullptr, celle.get()), 0);
    for (int hull = 0; hull < 2; hull++) {
        auto hdr = dgntest::newElement();
        ASSERT_EQ(mdlComplexChain_createHeader(hdr.get(), 1, hull ? 0 : 1), 0);
        sett(hdr.get(), "1011");
        mdlElement_setProperties(hdr.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &hull);
        MSElementDescr *s = nullptr;
        ASSERT_EQ(mdlElmdscr_new(&s, nullptr, hdr.get()), 0);
        ASSERT_EQ(mdlElmdscr_appendElement(s, linjestreng(hull ? indre : ytre, "1011").get()), 0);
        ASSERT_EQ(mdlElmdscr_appendDscr(c, s), 0);
    }
    ASSERT_EQ(mdlElmdscr_validate(c, 0), 0);
    leggDscr(c);

    sammenlign(eksporter(), "e2.zer");
    EXPECT_EQ(ukjente(), std::vector<std::string>{"29 1011"});
}

TEST_F(EksportE2eTest, E3ADrawnDesignInTheDosSet)
{
    char idag[16];
    time_t naa = time(nullptr);
    struct tm t;
    localtime_r(&naa, &t);
    strftime(idag, sizeof idag, "%Y%m%d", &t);
    hode(ZERA_CHARSET_DOS, 99, atoi(idag));
    data_->hode.kvalitet[0] = 22;
    data_->hode.kvalitet[1] = 36;
    matchLevel = matchColor = 1;

    auto farge = [](MSElement *el, uint32_t c) { mdlElement_setSymbology(el, &c, nullptr, nullptr); };
    auto linje = linjestreng({{10, 20, 0}, {30, 20, 0}, {30, 50, 0}}, "1012");
    farge(linje.get(), 1);
    legg(linje.get());
    auto tekstEl = tekst("\xD8y", {20, 40, 0}, 0, "1010");
    farge(tekstEl.get(), 4);
    legg(tekstEl.get());
    legg(bue({10, 10, 0}, 5, 0, M_PI / 2, "1012").get());
    leggLinje({{1, 1, 0}, {2, 1, 0}, {2, 2, 0}}, "Veg");

    sammenlign(eksporter(), "e3.zer", idag);
    EXPECT_EQ(ukjente(), std::vector<std::string>{"20 Veg"});
}

TEST_F(EksportE2eTest, E4AttributesComeBackFromTags)
{
    std::ofstream(path("zvzera.tag")) << "..DATO ZERA DATO 1 1 1 0 0\n"
                                         "..KVALITET ZERA KV1 1 1 1 0 0\n"
                                         "..KVALITET ZERA KV2 1 1 1 0 0\n"
                                         "..* ZERA REST 3 1 0 0 0\n";
    zvlib::copyText(data_->tagsetFil, path("zvzera.tag").c_str());
    data_->lagreEgenskaper = 1;
    data_->standardTekstHoyde = data_->standardTekstBredde = 2.0;
    ASSERT_EQ(LesZeraTagsetInputFil(0, nullptr), 0);
    ASSERT_EQ(LagTagsett(), 0);
    // The line as the import leaves it: its attributes written as tags.
    uint32_t pos = leggLinje({{1, 2, 0}, {3, 2, 0}, {3, 5, 0}}, "1012");
    memset(&Elm, 0, sizeof Elm);
    Elm.type = ZERA_LINJE;
    Elm.pointCount = 3;
    Elm.dato = 20090601;
    Elm.kvalitet[0] = 82;
    Elm.kvalitet[1] = 100;
    snprintf(Elm.rest, sizeof Elm.rest, "..KVALITET 82 100\n..EIER kommune");
    ASSERT_NE(SkrivZeraTagger(pos), 0u);

    sammenlign(eksporter(), "e4.zer");
}

} // namespace
