// The fixture files pinned byte for byte: each ZERA file of engine/testdata
// and the sample is imported and scanned, and what the element writer got
// (every field of each record, in a canonical dump), the report, the
// LandXML surface, the scan report and the template are compared with the
// files kept in engine/testdata/golden.
//
// After a change that is meant to alter them, write them anew with
//   ZERA_GOLDEN_UPDATE=1 build-test/bin/golden_test
// and read the difference before committing it.
//
// Sections: canonical dump - cases - the test.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine_testing.h"

namespace {

using zeratest::readFile;

// ---- canonical dump -----------------------------------------------------------

std::string dump;

void tekst(const char *navn, const char *s, size_t max)
{
    dump += navn;
    dump += " \"";
    for (size_t i = 0; i < max && s[i] != '\0'; i++) {
        unsigned char c = (unsigned char)s[i];
        char b[8];
        if (c == '\\' || c == '"' || c < 0x20 || c >= 0x7F) {
            snprintf(b, sizeof b, "\\x%02X", c);
            dump += b;
        } else {
            dump += (char)c;
        }
    }
    dump += "\"\n";
}

void tall(const char *navn, double v)
{
    char b[64];
    snprintf(b, sizeof b, "%s %.17g\n", navn, v);
    dump += b;
}

void heltall(const char *navn, long v)
{
    char b[64];
    snprintf(b, sizeof b, "%s %ld\n", navn, v);
    dump += b;
}

void punkt(int i)
{
    char b[128];
    snprintf(b, sizeof b, "  %d: %.17g %.17g %.17g kp %d\n", i, Elm.N[i], Elm.E[i], Elm.H[i], Elm.kp[i]);
    dump += b;
}

// Everything of Elm the element writer may read.  Arrays only as far as
// their counts go, the extent only with points: beyond that they hold what
// an earlier element left.
int skriver(void)
{
    heltall("element type", Elm.type);
    heltall("mode", Elm.mode);
    heltall("serial", Elm.serial);
    heltall("themeCount", Elm.themeCount);
    int temaer = Elm.themeCount < 1 ? 1 : (Elm.themeCount > ZERA_MAX_THEMES ? ZERA_MAX_THEMES : Elm.themeCount);
    for (int i = 0; i < temaer; i++) {
        tekst("theme", Elm.theme[i], ZERA_THEME_LEN);
        tekst("themeCode", Elm.themeCode[i], ZERA_THEMECODE_LEN);
        if (i < Elm.themeCount)
            heltall("matchRow", Elm.matchRow[i]);
    }
    tekst("level", Elm.level, ZERA_NAME_LEN);
    tall("enhet", Elm.enhet);
    tekst("medium", Elm.medium, sizeof Elm.medium);
    for (int i = 0; i < ZERA_KVALITET_COUNT; i++)
        heltall("kvalitet", Elm.kvalitet[i]);
    heltall("dato", Elm.dato);
    tall("hoyde", Elm.hoyde);
    tall("hob", Elm.hob);
    heltall("komm", Elm.komm);
    tekst("href", Elm.href, sizeof Elm.href);
    tekst("status", Elm.status, sizeof Elm.status);
    tekst("objtype", Elm.objtype, ZERA_NAME_LEN);
    heltall("ut", Elm.ut);
    heltall("edit", Elm.edit);
    tall("flytt0", Elm.flytt[0]);
    tall("flytt1", Elm.flytt[1]);
    tall("angle", Elm.angle);
    tall("dim0", Elm.dim[0]);
    tall("dim1", Elm.dim[1]);
    heltall("glatt", Elm.glatt);
    heltall("pointCount", Elm.pointCount);
    for (int i = 0; i < Elm.pointCount && i < ZERA_MAX_POINTS; i++)
        punkt(i);
    if ((Elm.type == ZERA_BUEP || Elm.type == ZERA_SIRKELP) && Elm.pointCount == 3)
        punkt(3); // the centre
    if (Elm.pointCount > 0)
        for (int i = 0; i < 6; i++)
            tall("extent", Elm.extent[i]);
    tall("radius", Elm.radius);
    heltall("storbue", Elm.storbue);
    tall("klotrad1", Elm.klotrad1);
    tall("klotrad2", Elm.klotrad2);
    tall("klotpar", Elm.klotpar);
    tekst("text", Elm.text, ZERA_TEXT_LEN);
    heltall("sameHeight", Elm.sameHeight);
    heltall("hasHoyde", Elm.hasHoyde);
    tekst("rest", Elm.rest, ZERA_REST_LEN);
    heltall("restLen", Elm.restLen);
    heltall("style", Elm.style);
    for (int i = 0; i < Elm.symbolCount && i < ZERA_MAX_SYMBOLS; i++)
        tekst("symbol", Elm.symbol[i], ZERA_SYMBOL_LEN);
    heltall("colour", Elm.colour);
    heltall("weight", Elm.weight);
    std::string celle;
    for (int i = 0; i < ZERA_CELL_LEN && Elm.cell[i] != 0; i++)
        celle += Elm.cell[i] < 0x80 ? (char)Elm.cell[i] : '?';
    tekst("cell", celle.c_str(), celle.size());
    tall("cellScaleX", Elm.cellScaleX);
    tall("cellScaleY", Elm.cellScaleY);
    heltall("font", Elm.font);
    for (int i = 0; i < Elm.refCount && i < ZERA_MAX_REFS; i++) {
        char b[64];
        snprintf(b, sizeof b, "ref %d group %d\n", Elm.ref[i], Elm.refGroup[i]);
        dump += b;
    }
    dump += "\n";
    return 0;
}

// ---- cases ---------------------------------------------------------------------

struct Tilfelle {
    const char *navn;    // base name of the golden files
    const char *zera;    // relative to the source tree
    const char *tema;
    int ukjent;          // importUnknown
};

const Tilfelle TILFELLER[] = {
    {"grunn", "engine/testdata/grunn.zer", "engine/testdata/grunn.tem", 0},
    {"grunn-ukjent", "engine/testdata/grunn.zer", "engine/testdata/grunn.tem", 1},
    {"nivaa4", "engine/testdata/nivaa4.zer", "engine/testdata/grunn.tem", 0},
    {"typer", "engine/testdata/typer.zer", "engine/testdata/grunn.tem", 1},
    {"utenslutt", "engine/testdata/utenslutt.zer", "engine/testdata/grunn.tem", 0},
    {"nivaa4-landxml", "engine/testdata/nivaa4.zer", "engine/testdata/landxml.tem", 0},
    {"eksempel", "samples/eksempel.zer", "samples/tema.tem", 0},
};

std::string kilde(const std::string &rel) { return std::string(ZERA_SOURCE_DIR "/") + rel; }

class GoldenTest : public zeratest::EngineTest, public ::testing::WithParamInterface<size_t> {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        geoGraphics = 0;
        lagreNivaa4 = 1;
        lagreNOH = 0;
        hoydeAvrunding = 0;
        multHoyde = 0;
        matchLevel = matchColor = matchStyle = matchWeight = 0;
        Mstemtab.rowCount = 0;
        Fkbtab.count = 0;
        dump.clear();
    }
    void TearDown() override
    {
        settXML(0);
        settXMLFil("");
        EngineTest::TearDown();
    }

    // Paths and the run's date and time are the machine's, not the engine's.
    std::string normaliser(std::string s) const
    {
        for (const std::string &fra : {dir_, std::string(ZERA_SOURCE_DIR)}) {
            const std::string til = fra == dir_ ? "@TMP" : "@SRC";
            for (size_t p = s.find(fra); p != std::string::npos; p = s.find(fra, p + til.size()))
                s.replace(p, fra.size(), til);
        }
        s = std::regex_replace(s, std::regex("Dato: [^\n]*"), "Dato: @DATO");
        s = std::regex_replace(s, std::regex(" date=\"[^\"]*\" time=\"[^\"]*\""), " date=\"@DATO\" time=\"@TID\"");
        return s;
    }

    void sammenlign(const std::string &fil, const std::string &faktisk)
    {
        std::string sti = kilde("engine/testdata/golden/" + fil);
        const char *oppdater = getenv("ZERA_GOLDEN_UPDATE");
        if (oppdater != nullptr && oppdater[0] == '1') {
            std::ofstream(sti, std::ios::binary) << faktisk;
            return;
        }
        ASSERT_TRUE(zeratest::fileExists(sti)) << sti << " is missing: write it with ZERA_GOLDEN_UPDATE=1";
        const std::string forventet = readFile(sti);
        if (forventet == faktisk)
            return;
        // The first line that differs, with the lines around it.
        std::istringstream a(forventet), b(faktisk);
        std::string la, lb, foran;
        int nr = 0;
        while (true) {
            bool ha = (bool)std::getline(a, la), hb = (bool)std::getline(b, lb);
            nr++;
            if (!ha && !hb)
                break;
            if (!ha || !hb || la != lb) {
                ADD_FAILURE() << fil << " line " << nr << " after \"" << foran << "\":\n  golden: "
                              << (ha ? la : "(end)") << "\n  now:    " << (hb ? lb : "(end)");
                return;
            }
            foran = la;
        }
        ADD_FAILURE() << fil << " differs";
    }
};

// ---- the test --------------------------------------------------------------------

TEST_P(GoldenTest, ImportAndScanGiveThePinnedOutput)
{
    const Tilfelle &t = TILFELLER[GetParam()];
    SCOPED_TRACE(t.navn);
    std::string rapport = path(std::string(t.navn) + ".log");
    std::string xml = path(std::string(t.navn) + ".xml");
    settXML(1);
    settXMLFil(xml.c_str());
    int16_t rc = perf_zera2dgn(kilde(t.zera).c_str(), kilde(t.tema).c_str(), rapport.c_str(), xml.c_str(), t.ukjent,
                               reinterpret_cast<MdlFunctionP>(&skriver), nullptr, zeratest::cTxtCallback(), nullptr);
    dump += "result " + std::to_string(rc) + "\n";
    dump += "text window:\n" + std::string(mdlhost_textWindow());
    sammenlign(std::string(t.navn) + ".elm", normaliser(dump));
    sammenlign(std::string(t.navn) + ".log", normaliser(readFile(rapport)));
    sammenlign(std::string(t.navn) + ".xml",
               zeratest::fileExists(xml) ? normaliser(readFile(xml)) : std::string("(no file)\n"));

    settXML(0);
    std::string mal = path(std::string(t.navn) + ".mal");
    std::string skann = path(std::string(t.navn) + ".skann");
    rc = pzerscan(kilde(t.zera).c_str(), mal.c_str(), skann.c_str(), "", 1, nullptr, zeratest::cTxtCallback());
    sammenlign(std::string(t.navn) + ".skann",
               "result " + std::to_string(rc) + "\n" + normaliser(readFile(skann)) + "template:\n" +
                   normaliser(readFile(mal)));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, GoldenTest, ::testing::Range<size_t>(0, std::size(TILFELLER)),
                         [](const ::testing::TestParamInfo<size_t> &i) {
                             std::string n = TILFELLER[i.param].navn;
                             for (char &c : n)
                                 if (c == '-')
                                     c = '_';
                             return n;
                         });

} // namespace
