// Where imported objects go, on SQLite and on PostgreSQL: features found,
// converted or made from templates, map files made from the seed and
// registered once with their index shapes, widened once per command.
#include <map>
#include <string>
#include <vector>

#include "ggimport_testing.h"
#include "verdier_testing.h"

namespace {

using ggtesting::GGImportTest;

constexpr int UTELAT = 0x8000;

class Maal : public GGImportTest {
  protected:
    void prepare() override
    {
        run({"create table veg (mslink integer primary key, navn varchar(60))",
             "insert into ugtable_cat (tablename, entitynum) values ('veg', 10)",
             "insert into feature (mslink, fcode, fname, category, tablename, ftype, newdup) "
             "values (1, '2001L', '2001L', 1, 'veg', 0, 0)",
             "insert into feature (mslink, fcode, fname, category, tablename, ftype, fcolor, fweight, newdup) "
             "values (2, 'UDEFL', 'UDEFL', 1, 'veg', 0, 3, 2, 1)",
             "insert into feature (mslink, fcode, fname, category, tablename, ftype, fangle, fheight, fwidth, "
             "fjustification, newdup) values (3, 'UDEFT', 'UDEFT', 0, 'veg', 0, '0.5', 2.5, 2, '7', 0)",
             "insert into feature (mslink, fcode, fname, category, newdup) values (4, 'UDEFP', 'UDEFP', 0, 0)",
             "insert into ugfeature (feature) values (1)", "insert into ugfeature (feature) values (2)",
             "insert into ugfeature (feature) values (3)", "insert into ugfeature (feature) values (4)"});
    }
    int indeks(const char16_t *kode)
    {
        int i = -1;
        EXPECT_EQ(mdlMapFeature_indexFromCode(kode, &i), 0);
        return i;
    }
    // The points of the index shape of map mslink in the index file.
    std::vector<DPoint3d> indeksform(long mslink)
    {
        std::vector<DPoint3d> ut;
        DgnModelRefP m = 0;
        if (mdlWorkDgn_openFile(&m, (dir_ + "index.dgn").c_str(), 1) != 0)
            return ut;
        mdlCurrTrans_begin();
        mdlCurrTrans_masterUnitsIdentity(1);
        for (uint32_t pos = 1; pos < mdlModelRef_getEof(m); ++pos) {
            MSElementDescr *d = nullptr;
            if (mdlElmdscr_read(&d, pos, m, 0, nullptr) == 0 || !d)
                continue;
            DatabaseLink *l = nullptr;
            int n = 0;
            DPoint3d p[MAX_VERTICES];
            int np = 0;
            if (mdlDB_extractLinkages(&l, &n, &d->el) == 0 && n > 0 && l[0].mslink == mslink &&
                mdlLinear_extract(p, &np, &d->el, m) == 0)
                ut.assign(p, p + np);
            dlmSystem_mdlFree(l);
            mdlElmdscr_freeAll(&d);
        }
        mdlCurrTrans_end();
        mdlWorkDgn_closeFile(m);
        return ut;
    }
    void tilKart(const char *navn)
    {
        data_.importMaal = 0;
        zeraGGBrukerGrensesnittData->kartnavnModus = 1;
        std::snprintf(zeraGGData->valgtKartnavn, sizeof zeraGGData->valgtKartnavn, "%s", navn);
    }
};

TEST_P(Maal, TheFeatureOfATheme)
{
    struct Case {
        const char *tema;
        int ukjente, lage; // importerUkjenteTema, lagManglendeFeatures
        const char *konv;  // a conversion row "from>to", or null
        int resultat;
        const char16_t *feature;
        int ukjent;
    } cases[] = {
        {"2001", 0, 0, nullptr, 0, u"2001L", 0},
        {"1001", 0, 0, nullptr, UTELAT, nullptr, 1},
        {"1001", 1, 0, nullptr, 0, u"UDEFL", 1},
        {"1001", 0, 0, "1001>2001", 0, u"2001L", 0},
        // The whole theme, case and blanks included.
        {"1001", 0, 0, "1001 >2001", UTELAT, nullptr, 1},
        {"1001", 0, 0, "1OO1>2001", UTELAT, nullptr, 1},
    };
    objekt(ZERA_LINJE, {});
    for (const Case &c : cases) {
        data_.importerUkjenteTema = c.ukjente;
        data_.lagManglendeFeatures = c.lage;
        TemakodeKonvRad rad{};
        if (c.konv) {
            std::string k = c.konv;
            std::snprintf(rad.fraKode, sizeof rad.fraKode, "%s", k.substr(0, k.find('>')).c_str());
            std::snprintf(rad.tilKode, sizeof rad.tilKode, "%s", k.substr(k.find('>') + 1).c_str());
        }
        TemakodeKonvRad *forrige = zeraGGData->temakodeKonv;
        int antall = zeraGGData->antallTemakodeKonv;
        zeraGGData->temakodeKonv = c.konv ? &rad : nullptr;
        zeraGGData->antallTemakodeKonv = c.konv ? 1 : 0;
        int f = -1, ukjent = -1;
        EXPECT_EQ(FinnFeatureForTema(c.tema, &f, &ukjent), c.resultat) << c.tema << " " << (c.konv ? c.konv : "");
        EXPECT_EQ(ukjent, c.ukjent) << c.tema;
        if (c.feature) {
            EXPECT_EQ(f, indeks(c.feature)) << c.tema;
        }
        zeraGGData->temakodeKonv = forrige;
        zeraGGData->antallTemakodeKonv = antall;
    }
    EXPECT_EQ(query("select count(*) from feature"), "4");
}

TEST_P(Maal, AMissingFeatureIsMadeOnceFromItsTemplate)
{
    data_.importerUkjenteTema = data_.lagManglendeFeatures = 1;
    objekt(ZERA_LINJE, {"1001"});
    for (int i = 0; i < 2; ++i) {
        int f = -1;
        ASSERT_EQ(FinnFeatureForTema("1001", &f, nullptr), 0);
        // Stored with the template until the project is opened again.
        EXPECT_EQ(f, indeks(u"UDEFL"));
        ASSERT_EQ(nyeFeatures.antall, i + 1);
        EXPECT_EQ(nyeFeatures.mslinker[i], 5);
    }
    EXPECT_EQ(query("select count(*) from feature where fcode = '1001L'"), "1");
    EXPECT_EQ(query("select count(*) from ugfeature where feature = 5"), "1");
    EXPECT_EQ(query("select category from feature where mslink = 5"), "1");
    EXPECT_EQ(query("select tablename from feature where mslink = 5"), "veg");
    EXPECT_EQ(query("select fcolor from feature where mslink = 5"), "3");
    EXPECT_EQ(query("select newdup from feature where mslink = 5"), "1");
    EXPECT_EQ(AntallNyeFeatures(), 1);

    // A text feature takes the text columns; a point without a cell none.
    objekt(ZERA_TEKST, {"3001"});
    int f = -1;
    ASSERT_EQ(FinnFeatureForTema("3001", &f, nullptr), 0);
    EXPECT_EQ(query("select fjustification from feature where fcode = '3001T'"), "7");
    EXPECT_EQ(query("select fheight from feature where fcode = '3001T'"), "2.5");
    objekt(ZERA_PUNKT, {"4001"});
    ASSERT_EQ(FinnFeatureForTema("4001", &f, nullptr), 0);
    EXPECT_EQ(query("select fcellname from feature where fcode = '4001P'"), "<null>");

    // Codes from the file are values, never statements.
    std::multiset<std::string> koder;
    objekt(ZERA_LINJE, {});
    for (const char *v : ggtesting::kHostile) {
        // Codes wider than the code column (12) are refused below.
        if (std::strlen(v) > 11)
            continue;
        ASSERT_EQ(FinnFeatureForTema(v, &f, nullptr), 0) << v << textWindow();
        koder.insert(std::string(v) + "L");
    }
    EXPECT_EQ(column("select fcode from feature where mslink > 7"), koder);
    mdlhost_clearTextWindow();
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(FinnFeatureForTema("x'); DELETE FROM genattr; --", &f, nullptr), UTELAT);
    EXPECT_EQ(count(textWindow(), "er lengre enn 12 tegn"), 1);
    EXPECT_EQ(column("select fcode from feature where mslink > 7"), koder);
}

TEST_P(Maal, TheActiveModelNeedsNoMapFile)
{
    objekt(ZERA_LINJE, {"2001"});
    long for_ = mdlhost_dbStatementCount();
    EXPECT_EQ(AapneRiktigGeoGraphicsFil(nullptr), 0);
    EXPECT_EQ(zeraGGData->kartIndeks, -1);
    EXPECT_EQ(zeraGGData->antallKartFiler, 0);
    EXPECT_EQ(mdlhost_dbStatementCount(), for_);
}

TEST_P(Maal, ANewMapIsMadeRegisteredAndAttachedOnce)
{
    omfang(6600000, 500000, 6601000, 501000);
    tilKart("Kart1");
    objekt(ZERA_LINJE, {"2001"});
    ASSERT_EQ(AapneRiktigGeoGraphicsFil(nullptr), 0) << textWindow();
    std::string sti = dir_ + "Kart1.dgn";
    EXPECT_TRUE(std::filesystem::exists(sti));
    EXPECT_EQ(query("select mapname from maps where mslink = 1"), "Kart1.dgn");
    EXPECT_EQ(query("select category from maps where mslink = 1"), "1");
    EXPECT_EQ(query("select mdir from ugmap where mapid = 1"), dir_);
    EXPECT_EQ(zeraGGData->kartIndeks, 0);
    EXPECT_EQ(zeraGGData->kartLagtTil, 1);
    ASSERT_EQ(zeraGGData->antallKartFiler, 1);
    const ggKartFil &k = zeraGGData->kartFiler[0];
    EXPECT_EQ(std::string(k.navn), sti);
    EXPECT_NE(k.arbeidsfil, 0);
    ASSERT_NE(k.modelRef, 0);
    char logisk[MDLHOST_MAXFILELENGTH] = {};
    mdlRefFile_getParameters(logisk, REFERENCE_LOGICAL, k.modelRef);
    EXPECT_STREQ(logisk, "ZvZera1");
    std::vector<DPoint3d> form = indeksform(1);
    ASSERT_EQ(form.size(), 5u);
    EXPECT_DOUBLE_EQ(form[0].x, 500000);
    EXPECT_DOUBLE_EQ(form[0].y, 6600000);
    EXPECT_DOUBLE_EQ(form[2].x, 501000);
    EXPECT_DOUBLE_EQ(form[2].y, 6601000);
    EXPECT_EQ(mdlStringList_size(ggRegistrerteKart), 1);

    // A second file of the same command into the same map.
    long for_ = mdlhost_dbStatementCount();
    omfang(6599000, 499000, 6602000, 502000);
    ASSERT_EQ(AapneRiktigGeoGraphicsFil(nullptr), 0);
    EXPECT_EQ(zeraGGData->antallKartFiler, 1);
    EXPECT_EQ(zeraGGData->kartIndeks, 0);
    EXPECT_EQ(mdlhost_dbStatementCount(), for_);
    EXPECT_EQ(indeksform(1)[2].x, 501000);
    EXPECT_EQ(query("select count(*) from maps"), "1");
}

TEST_P(Maal, TheIndexShapeIsWidenedOncePerCommand)
{
    omfang(6600000, 500000, 6601000, 501000);
    tilKart("Kart1");
    objekt(ZERA_LINJE, {"2001"});
    ASSERT_EQ(AapneRiktigGeoGraphicsFil(nullptr), 0) << textWindow();
    lukkArbeidsfiler();

    // The next command knows the map: an extent inside changes nothing.
    mdlMapProject_close();
    apne();
    tilKart("Kart1");
    omfang(6600100, 500100, 6600900, 500900);
    ASSERT_EQ(AapneRiktigGeoGraphicsFil(nullptr), 0) << textWindow();
    EXPECT_EQ(zeraGGData->indeksformEndret, 0);
    EXPECT_EQ(zeraGGData->kartLagtTil, 0);
    EXPECT_EQ(zeraGGData->kartIndeks, 0);
    lukkArbeidsfiler();

    // Beyond it to the east: only that side moves, once in the command.
    NullstillGGImportMaal();
    tilKart("Kart1");
    omfang(6600100, 500100, 6600900, 502000);
    ASSERT_EQ(AapneRiktigGeoGraphicsFil(nullptr), 0);
    EXPECT_EQ(zeraGGData->indeksformEndret, 1);
    omfang(6600100, 500100, 6600900, 503000);
    ASSERT_EQ(AapneRiktigGeoGraphicsFil(nullptr), 0);
    lukkArbeidsfiler();
    std::vector<DPoint3d> form = indeksform(1);
    ASSERT_EQ(form.size(), 5u);
    EXPECT_DOUBLE_EQ(form[0].x, 500000);
    EXPECT_DOUBLE_EQ(form[1].x, 502000);
    EXPECT_DOUBLE_EQ(form[2].x, 502000);
    EXPECT_DOUBLE_EQ(form[2].y, 6601000);
    EXPECT_DOUBLE_EQ(form[4].x, 500000);
    EXPECT_EQ(query("select count(*) from maps"), "1");
}

TEST_P(Maal, MapNamesAndFailures)
{
    omfang(6600000, 500000, 6601000, 501000);
    objekt(ZERA_LINJE, {"2001"});
    tilKart("O'Hara");
    ASSERT_EQ(AapneRiktigGeoGraphicsFil(nullptr), 0) << textWindow();
    EXPECT_EQ(query("select mapname from maps"), "O'Hara.dgn");
    lukkArbeidsfiler();

    // No seed: one message per map, not per object.
    std::snprintf(data_.seedFil, sizeof data_.seedFil, "%sfinnesikke.dgn", dir_.c_str());
    tilKart("Uten");
    mdlhost_clearTextWindow();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(AapneRiktigGeoGraphicsFil(nullptr), UTELAT);
    std::string ut = textWindow();
    EXPECT_EQ(count(ut, "Feil ved opprettelse/referering av tegning: " + dir_ + "Uten.dgn\n"), 1) << ut;
    EXPECT_EQ(query("select count(*) from maps where mapname = 'Uten.dgn'"), "0");

    // More maps than the table holds are refused, not overflowed.
    int utelatt = 0;
    for (int i = 0; i < 300; ++i) {
        tilKart(("m" + std::to_string(i)).c_str());
        utelatt += AapneRiktigGeoGraphicsFil(nullptr) == UTELAT;
    }
    EXPECT_EQ(zeraGGData->antallKartFiler, 256);
    EXPECT_GT(utelatt, 0);
}

TEST_P(Maal, CategoriesOfTheFeature)
{
    // A deselected category: the object is left out, its theme kept.
    objekt(ZERA_LINJE, {"2001"});
    zeraGGData->kategoriValgt[0] = 0;
    EXPECT_EQ(AapneRiktigGeoGraphicsFil(nullptr), UTELAT);
    EXPECT_STREQ(Elm.theme[0], "2001");
    EXPECT_EQ(Bmw.notImported[ZERA_LINJE - 1], 1);
    zeraGGData->kategoriValgt[0] = 1;

    // A template without a category: the active model takes it, a map
    // cannot.
    data_.importerUkjenteTema = 1;
    objekt(ZERA_TEKST, {"9001"});
    EXPECT_EQ(AapneRiktigGeoGraphicsFil(nullptr), 0);
    tilKart("Kart1");
    mdlhost_clearTextWindow();
    EXPECT_EQ(AapneRiktigGeoGraphicsFil(nullptr), UTELAT);
    EXPECT_EQ(count(textWindow(), "Featuren UDEFT har ingen kategori"), 1);
    EXPECT_EQ(zeraGGData->antallKartFiler, 0);
}

TEST_P(Maal, NamesOfTheProject)
{
    struct Case {
        int maks;
        const char *navn, *kuttet;
        int svar;
    } cases[] = {
        {14, "abcdefghijklmnopq", "abcdefghijklmn", -3},
        {14, "kart1", "kart1", 9},
        {0, "abcdefghijklmnopq", "abcdefghijklmnopq", -17},
        {-4, "kart", "kart", -8},
    };
    int maks = zeraGGData->maksKartnavn;
    for (const Case &c : cases) {
        zeraGGData->maksKartnavn = c.maks;
        char navn[64];
        std::snprintf(navn, sizeof navn, "%s", c.navn);
        EXPECT_EQ(KuttKartnavn(navn), c.svar) << c.navn;
        EXPECT_STREQ(navn, c.kuttet);
    }
    zeraGGData->maksKartnavn = maks;
    EXPECT_GT(EntitetForTabellnavn("maps"), 0);
    EXPECT_EQ(EntitetForTabellnavn("Veg"), 10);
    EXPECT_EQ(EntitetForTabellnavn("finnesikke"), -1);
    char sti[MDLHOST_MAXFILELENGTH];
    ASSERT_EQ(IndeksfilForKategori(sti, 0), 0);
    EXPECT_EQ(std::string(sti), dir_ + "index.dgn");
    EXPECT_NE(IndeksfilForKategori(sti, 1), 0);
    char db[256] = "x";
    EXPECT_STREQ(FinnOdbcDatabaseFil(db), std::string(GetParam()) == "sqlite" ? "SQLITE" : "POSTGRESQL");
}

INSTANTIATE_TEST_SUITE_P(Backends, Maal, ::testing::ValuesIn(dbtesting::kBackends));

} // namespace
