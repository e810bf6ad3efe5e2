#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brukerdata.h"
#include "mdlhost.h"
#include "testing/zvlib_testing.h"
#include "zvlibmain.h"
#include "zvlibupf.h"
#include "zvzera_services.h"

namespace fs = std::filesystem;

namespace {

using Data = zeraBrukerGrensesnittData;

struct I32Felt {
    const char *navn;
    int32_t Data::*felt;
    size_t blokk;
};
struct F64Felt {
    const char *navn;
    double Data::*felt;
    size_t blokk;
};

#define I(f, off) {#f, &Data::f, off}
// Every kept i32 field but importMaal, at its block offset.
const I32Felt I32_FELT[] = {
    I(lagEtikettfil, 0),         I(lagXmlFil, 4),           I(lagXyzFil, 8),
    I(visUnderveis, 12),         I(lagreEgenskaper, 16),    I(egenskapModus, 20),
    I(flereTemaEnGang, 24),      I(lagreNivaa4, 28),        I(lagreTekststoerrelse, 32),
    I(punktModus, 36),           I(kurverSomLinjer, 40),    I(matchLevel, 44),
    I(matchColor, 48),           I(matchStyle, 52),         I(matchWeight, 56),
    I(hoydeAvrundingPaa, 72),    I(multHoydeVerdi, 76),     I(multHoydePaa, 80),
    I(importerUkjenteTema, 84),  I(kunUkjenteTema, 88),     I(lukkKjeder, 100),
    I(lukkLinjestrenger, 104),   I(brukGjerde, 108),        I(fyllFlater, 112),
    I(hoppOverLinjerUtenHoyde, 116), I(grenserPaaHoyde, 120), I(lagreNOH, 124),
    I(eksporterZeratema, 128),   I(eksporterObjekttype, 132), I(zera40, 136),
    I(temaFra, 140),             I(brukDgnlib, 144),        I(symbologiFraTema, 148),
    I(avrundHvertPunkt, 152),    I(nivaaMedTypebokstav, 156), I(lagManglendeFeatures, 160),
    I(fastHoyde, 164),           I(skannLagerFlater, 168),  I(standardFarge, 200),
    I(standardVekt, 204),        I(standardStil, 208),      I(standardFont, 212),
};
const F64Felt F64_FELT[] = {
    I(hoydeAvrundingSteg, 64), I(fastHoydeVerdi, 176),      I(lukkeToleranse, 184),  I(symbolSkala, 192),
    I(standardTekstHoyde, 216), I(standardTekstBredde, 224), I(standardCelleskala, 232),
};
#undef I

int32_t i32At(const std::vector<uint8_t> &b, size_t off)
{
    return (int32_t)((uint32_t)b[off] | (uint32_t)b[off + 1] << 8 | (uint32_t)b[off + 2] << 16 |
                     (uint32_t)b[off + 3] << 24);
}
double f64At(const std::vector<uint8_t> &b, size_t off)
{
    uint64_t v = 0;
    for (int i = 0; i < 8; i++)
        v |= (uint64_t)b[off + i] << (8 * i);
    double d;
    memcpy(&d, &v, sizeof d);
    return d;
}
void putI32(std::vector<uint8_t> &b, size_t off, int32_t v)
{
    for (int i = 0; i < 4; i++)
        b[off + i] = (uint8_t)((uint32_t)v >> (8 * i));
}
void putF64(std::vector<uint8_t> &b, size_t off, double d)
{
    uint64_t v;
    memcpy(&v, &d, sizeof v);
    for (int i = 0; i < 8; i++)
        b[off + i] = (uint8_t)(v >> (8 * i));
}
std::u16string cell(const Data &d) { return std::u16string(d.standardPunktcelle); }

const char *const VARIABLER[] = {"ZV_DIR",        "ZVZERA_CELL",    "ZVZERA_TEMAFIL", "ZVZERA_DGNLIB",
                                 "ZVZERA_SEEDFIL", "ZVZERA_TAGSET", "ZVZERA_HODEFIL", "ZVZERA_LOGGFIL",
                                 "ZVZERA_XMLFIL", "ZVZERA_IMPORTDIR", "ZVZERA_UPF",   "ZV_CELL"};

// The ZERA application with its resources and an open preference file in
// a fresh directory; no configuration variable of the record is set.
class BrukerDataTest : public zvlibtest::AppTest {
  protected:
    BrukerDataTest()
        : AppTest("ZVZERA", "Include \"" ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc\"\n", {.dirPrefix = "brukerdata"})
    {
    }
    void afterRegister() override
    {
        for (const char *v : VARIABLER)
            mdlSystem_defineCfgVar(v, nullptr);
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", (dir_ + "/host.upf").c_str());
        mdlSystem_defineCfgVar("MS_USERPREF", (dir_ + "/user.upf").c_str());
        char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvZera", 2, argv), 0);
        ASSERT_EQ(zvlibUpf_open(nullptr, "ZVZERA_UPF", "zvzera.upf"), 0);
        brukerDataP = nullptr;
    }
    void TearDown() override
    {
        FrigjorBrukerData();
        zvlibUpf_close();
        mdlhost_closeUserPrefs();
        mdlhost_closeDesignFile();
        for (const char *v : VARIABLER)
            mdlSystem_defineCfgVar(v, nullptr);
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", nullptr);
        mdlSystem_defineCfgVar("MS_USERPREF", nullptr);
        AppTest::TearDown();
    }
    // The stored block, empty when there is none of the full size.
    static std::vector<uint8_t> stored()
    {
        std::vector<uint8_t> b(ZVZERA_OPPSETT_LEN);
        if (zvlibUpf_load(ZVZERA_OPPSETT_TYPE, ZVZERA_OPPSETT_ID, b.data(), b.size()) != 0)
            b.clear();
        return b;
    }
    static void store(const std::vector<uint8_t> &b)
    {
        ASSERT_EQ(zvlibUpf_save(ZVZERA_OPPSETT_TYPE, ZVZERA_OPPSETT_ID, b.data(), b.size()), 0);
    }
    void openDesign(bool is3d)
    {
        std::string p = path(is3d ? "d3.dgn" : "d2.dgn");
        DPoint3d origin{0, 0, 0};
        ASSERT_EQ(mdlhost_dgnCreateFile(p.c_str(), is3d, 1000.0, "m", &origin), 0);
        ASSERT_EQ(mdlSystem_newDesignFile(p.c_str()), 0);
    }
};

TEST_F(BrukerDataTest, FirstStartSavesTheDefaultsAtTheirOffsets)
{
    Data *d = InitBrukerData();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(brukerDataP, d);
    EXPECT_EQ(d->loggPerZeraFil, 1);
    EXPECT_EQ(d->lagreObjType, 1);
    EXPECT_EQ(d->geoGraphicsBygg, 0);
    EXPECT_EQ(cell(*d), u"KRYSS");
    EXPECT_TRUE(stored().empty()) << "nothing is written before shut-down";

    ASSERT_EQ(LagreBrukerOppsett(d), 0);
    size_t size = 0;
    ASSERT_EQ(mdlResource_query(zvlibUpf_getHandle(), ZVZERA_OPPSETT_TYPE, ZVZERA_OPPSETT_ID, &size), 0);
    EXPECT_EQ(size, 1264u);
    std::vector<uint8_t> b = stored();
    ASSERT_EQ(b.size(), 1264u);

    std::vector<uint8_t> expected(1264, 0);
    for (size_t off : {28, 44, 48, 76, 100, 104, 204})
        putI32(expected, off, 1);
    putI32(expected, 200, 5);
    putI32(expected, 212, 105);
    putF64(expected, 64, 1.0);
    putF64(expected, 184, 0.01);
    putF64(expected, 192, 1.0);
    putF64(expected, 216, 5.0);
    putF64(expected, 224, 5.0);
    putF64(expected, 232, 1.0);
    const char kryss[] = "K\0R\0Y\0S\0S\0\0";
    memcpy(expected.data() + 240, kryss, sizeof kryss);
    for (size_t i = 0; i < b.size(); i++)
        EXPECT_EQ(b[i], expected[i]) << "byte " << i;
}

TEST_F(BrukerDataTest, ShortOrMissingBlockLeavesEveryDefault)
{
    ASSERT_NE(InitBrukerData(), nullptr);
    Data defaults = *brukerDataP;

    // A block of 100 bytes that would change every field it covers.
    ASSERT_EQ(zvlibUpf_save(ZVZERA_OPPSETT_TYPE, ZVZERA_OPPSETT_ID, std::vector<uint8_t>(100, 0x7F).data(), 100), 0);
    ASSERT_NE(InitBrukerData(), nullptr);
    EXPECT_EQ(memcmp(brukerDataP, &defaults, sizeof defaults), 0);
    EXPECT_NE(LesBrukerOppsett(brukerDataP), 0);
    EXPECT_EQ(memcmp(brukerDataP, &defaults, sizeof defaults), 0);
    EXPECT_EQ(std::string(mdlhost_textWindow()), "") << "no message";
}

TEST_F(BrukerDataTest, DamagedPointCellStaysInItsField)
{
    std::vector<uint8_t> b(1264, 0);
    putI32(b, 208, 7);     // standardStil, before the cell in the record
    putF64(b, 232, 2.5);   // standardCelleskala, after it
    putI32(b, 212, 42);    // standardFont
    for (size_t i = 240; i < 1264; i += 2) {
        b[i] = 'A';
        b[i + 1] = 0x01; // U+0141, no terminator anywhere
    }
    store(b);
    Data *d = InitBrukerData();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->standardPunktcelle[511], 0);
    EXPECT_EQ(cell(*d), std::u16string(511, u'\u0141'));
    EXPECT_EQ(d->standardStil, 7);
    EXPECT_EQ(d->standardCelleskala, 2.5);
    EXPECT_EQ(d->standardFont, 42);
    EXPECT_EQ(d->standardTekstHoyde, 0.0);
    EXPECT_EQ(d->etikettfil, nullptr);

    // Written back, the cut text keeps its terminator inside the area.
    ASSERT_EQ(LagreBrukerOppsett(d), 0);
    std::vector<uint8_t> again = stored();
    ASSERT_EQ(again.size(), 1264u);
    EXPECT_EQ(again[1262], 0);
    EXPECT_EQ(again[1263], 0);
    EXPECT_EQ(again[1260], 'A');
}

TEST_F(BrukerDataTest, EveryKeptFieldSurvivesAFreshStart)
{
    Data *d = InitBrukerData();
    ASSERT_NE(d, nullptr);
    int n = 0;
    for (const I32Felt &f : I32_FELT)
        d->*f.felt = 1000 + 17 * n++;
    for (const F64Felt &f : F64_FELT)
        d->*f.felt = 0.25 + 3 * n++;
    d->importMaal = 1;
    const std::u16string punkt = u"PUNKT\u00e6\u0152";
    memset(d->standardPunktcelle, 0, sizeof d->standardPunktcelle);
    memcpy(d->standardPunktcelle, punkt.c_str(), 2 * punkt.size());
    d->loggPerZeraFil = 0; // not kept
    d->enhetsnevner = 9;   // not kept
    Data kept = *d;
    ASSERT_EQ(LagreBrukerOppsett(d), 0);

    std::vector<uint8_t> b = stored();
    ASSERT_EQ(b.size(), 1264u);
    for (const I32Felt &f : I32_FELT)
        EXPECT_EQ(i32At(b, f.blokk), kept.*f.felt) << f.navn;
    for (const F64Felt &f : F64_FELT)
        EXPECT_EQ(f64At(b, f.blokk), kept.*f.felt) << f.navn;
    EXPECT_EQ(i32At(b, 92), 1);
    EXPECT_EQ(i32At(b, 96), 0) << "the GIS build's slot stays zero";
    EXPECT_EQ(i32At(b, 60), 0);
    EXPECT_EQ(i32At(b, 172), 0);

    FrigjorBrukerData();
    EXPECT_EQ(brukerDataP, nullptr);
    Data *fresh = InitBrukerData();
    ASSERT_NE(fresh, nullptr);
    for (const I32Felt &f : I32_FELT)
        EXPECT_EQ(fresh->*f.felt, kept.*f.felt) << f.navn;
    for (const F64Felt &f : F64_FELT)
        EXPECT_EQ(fresh->*f.felt, kept.*f.felt) << f.navn;
    EXPECT_EQ(fresh->importMaal, 1);
    EXPECT_EQ(cell(*fresh), punkt);
    EXPECT_EQ(fresh->loggPerZeraFil, 1);
    EXPECT_EQ(fresh->enhetsnevner, 0);

    // The GIS build reads its own slot, which the block above left zero,
    // and writes there only.
    Data gg = *fresh;
    gg.geoGraphicsBygg = 1;
    ASSERT_EQ(LesBrukerOppsett(&gg), 0);
    EXPECT_EQ(gg.importMaal, 0);
    gg.importMaal = -2;
    ASSERT_EQ(LagreBrukerOppsett(&gg), 0);
    b = stored();
    EXPECT_EQ(i32At(b, 92), 0);
    EXPECT_EQ(i32At(b, 96), -2);
    gg.importMaal = 5;
    ASSERT_EQ(LesBrukerOppsett(&gg), 0);
    EXPECT_EQ(gg.importMaal, -2);
}

TEST_F(BrukerDataTest, ConfigurationVariablesGiveThePaths)
{
    mdlSystem_defineCfgVar("ZV_DIR", "C:\\prog\\");
    Data *d = InitBrukerData();
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->installasjonsKatalog, "C:\\prog\\zvzera\\");
    EXPECT_STREQ(d->temaFil, "C:\\prog\\zvzera\\zvzera.tem");
    EXPECT_STREQ(d->dgnlibFil, "C:\\prog\\dgnlib\\zvzera.dgnlib");
    EXPECT_STREQ(d->seedFil, "C:\\prog\\zvzera\\seed3d.dgn") << "the seed folder has no seed file";
    EXPECT_STREQ(d->tagsetFil, "C:\\prog\\zvzera\\zvzera.tag");
    EXPECT_STREQ(d->cellebibliotekNavn, "zvzera.cel");
    EXPECT_STREQ(d->cellebibliotek, "zvzera.cel") << "not found: the bare name";
    for (const char *tom : {d->hodeFil, d->loggFil, d->xmlFil, d->importKatalog, d->zeraFil})
        EXPECT_STREQ(tom, "");
    EXPECT_EQ(d->loggPerZeraFil, 1);

    // A seed file in the seed folder is taken.
    fs::create_directories(dir_ + "/seed");
    std::ofstream(dir_ + "/seed/zvzera_seed3d.dgn") << "x";
    mdlSystem_defineCfgVar("ZV_DIR", (dir_ + "/").c_str());
    d = InitBrukerData();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(std::string(d->seedFil), dir_ + "/seed\\zvzera_seed3d.dgn");

    // Without ZV_DIR the paths stay empty.
    mdlSystem_defineCfgVar("ZV_DIR", nullptr);
    d = InitBrukerData();
    ASSERT_NE(d, nullptr);
    for (const char *tom : {d->installasjonsKatalog, d->temaFil, d->dgnlibFil, d->seedFil, d->tagsetFil})
        EXPECT_STREQ(tom, "");
}

TEST_F(BrukerDataTest, EachVariableOverridesItsDefault)
{
    mdlSystem_defineCfgVar("ZV_DIR", "C:\\prog\\");
    struct Field {
        const char *variabel;
        size_t offset;
    };
    const Field felt[] = {
        {"ZVZERA_CELL", offsetof(Data, cellebibliotekNavn)}, {"ZVZERA_TEMAFIL", offsetof(Data, temaFil)},
        {"ZVZERA_DGNLIB", offsetof(Data, dgnlibFil)},        {"ZVZERA_SEEDFIL", offsetof(Data, seedFil)},
        {"ZVZERA_TAGSET", offsetof(Data, tagsetFil)},        {"ZVZERA_HODEFIL", offsetof(Data, hodeFil)},
        {"ZVZERA_LOGGFIL", offsetof(Data, loggFil)},         {"ZVZERA_XMLFIL", offsetof(Data, xmlFil)},
        {"ZVZERA_IMPORTDIR", offsetof(Data, importKatalog)},
    };
    for (const Field &f : felt) {
        std::string value = std::string("D:\\egen\\") + f.variabel + ".x";
        mdlSystem_defineCfgVar(f.variabel, value.c_str());
    }
    // The record keeps the block's values, but not the log switch.
    std::vector<uint8_t> b(1264, 0);
    store(b);
    Data *d = InitBrukerData();
    ASSERT_NE(d, nullptr);
    for (const Field &f : felt)
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(d) + f.offset),
                  std::string("D:\\egen\\") + f.variabel + ".x")
            << f.variabel;
    EXPECT_STREQ(d->cellebibliotek, "D:\\egen\\ZVZERA_CELL.x");
    EXPECT_EQ(d->loggPerZeraFil, 0);
    EXPECT_EQ(d->lagreNivaa4, 0) << "the block came after the defaults";
}

TEST_F(BrukerDataTest, DesignAndFillGiveTheirDefaults)
{
    openDesign(true);
    Data *d = InitBrukerData();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->lagreNOH, 1);
    // Fill follows the host's active parameter where the host keeps it.
    for (int32_t fyll : {1, 0}) {
        if (mdlParams_setActive(&fyll, 37) != 0)
            break;
        d = InitBrukerData();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->fyllFlater, fyll);
    }
    mdlhost_closeDesignFile();
    openDesign(false);
    d = InitBrukerData();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->lagreNOH, 0);
}

TEST_F(BrukerDataTest, LevelFourSettingReachesTheEngineTexts)
{
    char stored22[BMW_CTXT_LEN], stored49[BMW_CTXT_LEN], text[BMW_CTXT_LEN];
    short n22 = 22, n49 = 49;
    char bmw[] = "BMW";
    ASSERT_EQ(c_txt(bmw, &n22, stored22), 0);
    ASSERT_EQ(c_txt(bmw, &n49, stored49), 0);
    ASSERT_STRNE(stored22, stored49);

    std::vector<uint8_t> b(1264, 0); // lagreNivaa4 0
    store(b);
    ASSERT_NE(InitBrukerData(), nullptr);
    ASSERT_EQ(brukerDataP->lagreNivaa4, 0);
    ASSERT_EQ(c_txt(bmw, &n22, text), 0);
    EXPECT_STREQ(text, stored49);
    EXPECT_EQ(n22, 22);

    brukerDataP->lagreNivaa4 = 1;
    ASSERT_EQ(c_txt(bmw, &n22, text), 0);
    EXPECT_STREQ(text, stored22);

    FrigjorBrukerData();
    FrigjorBrukerData();
    ASSERT_EQ(c_txt(bmw, &n22, text), 0);
    EXPECT_STREQ(text, stored22) << "no record: level-4 storing counts as on";
}

TEST_F(BrukerDataTest, DialogsReachTheRecordAsSbgd)
{
    ASSERT_NE(InitBrukerData(), nullptr);
    ASSERT_EQ(PubliserBrukerData(), 0);
    char out[ZVZERA_TEKST_LEN];
    ASSERT_EQ(mdlhost_accessGetText(out, sizeof out, "sbgd.lagreNivaa4"), 0);
    EXPECT_STREQ(out, "1");
    ASSERT_EQ(mdlhost_accessGetText(out, sizeof out, "sbgd->standardFont"), 0);
    EXPECT_STREQ(out, "105");
    ASSERT_EQ(mdlhost_accessSetText("sbgd.temaFil", "D:\\tema\\ny.tem"), 0);
    EXPECT_STREQ(brukerDataP->temaFil, "D:\\tema\\ny.tem");
    ASSERT_EQ(mdlhost_accessSetText("sbgd.lukkeToleranse", "0.5"), 0);
    EXPECT_EQ(brukerDataP->lukkeToleranse, 0.5);

    // The pointer is read at each use: a new record is seen, none is "".
    ASSERT_NE(InitBrukerData(), nullptr);
    ASSERT_EQ(mdlhost_accessGetText(out, sizeof out, "sbgd.temaFil"), 0);
    EXPECT_STREQ(out, "");
    FrigjorBrukerData();
    mdlhost_accessGetText(out, sizeof out, "sbgd.lagreNivaa4");
    EXPECT_STREQ(out, "");
}

} // namespace
