// The rows of imported elements, on SQLite and on PostgreSQL: attribute
// lines to columns, keys through the join catalogue, the file's HODE row,
// shared GENATTR rows, heights and end nodes, unmatched lines kept
// together, and values that must never change a statement.
#include <map>
#include <string>
#include <vector>

#include "ggimport_testing.h"
#include "verdier_testing.h"

namespace {

using ggtesting::GGImportTest;

class Rader : public GGImportTest {
  protected:
    void prepare() override
    {
        run({"create table veg (mslink integer primary key, navn varchar(60), klasse_a integer, klasse_b integer, "
             "bredde double precision check (bredde < 100), merknad varchar(60), merk_to varchar(60), "
             "typeid integer, eiertypeid integer, mapid integer, hodeid integer, attribid integer, kp1 integer, "
             "kp2 integer)",
             "create table vegtyper (mslink integer primary key, navn varchar(255))",
             "create table eiertyper (mslink integer primary key, navn varchar(255))",
             "create table andre_egenskaper (mslink integer primary key, tekst varchar(255))",
             "insert into vegtyper (mslink, navn) values (1, 'Riksveg')",
             "insert into vegtyper (mslink, navn) values (2, 'navn')",
             "insert into ugtable_cat (tablename, entitynum) values ('veg', 10)",
             "insert into ugtable_cat (tablename, entitynum) values ('vegtyper', 11)",
             "insert into ugtable_cat (tablename, entitynum) values ('andre_egenskaper', 12)",
             "insert into ugjoin_cat (table0, index0, table1, index1, value1) "
             "values ('VEG', 'TYPEID', 'VEGTYPER', 'MSLINK', 'NAVN')",
             "insert into ugjoin_cat (table0, index0, table1, index1, value1) "
             "values ('VEG', 'EIERTYPEID', 'EIERTYPER', 'MSLINK', 'NAVN')",
             "insert into ugjoin_cat (table0, index0, table1, index1, value1) "
             "values ('GENATTR', 'ANDRE_EGENSKAPERID', 'ANDRE_EGENSKAPER', 'MSLINK', 'TEKST')",
             "insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) values ('klasse_a', 'KLASSE', 1, 0)",
             "insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) values ('klasse_b', 'KLASSE', 2, 0)",
             "insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) values ('merknad', 'MERK', 0, 0)",
             "insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) values ('merk_to', 'MERK', 2, 0)",
             "insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) values ('typeid', 'VEGTYPE', 1, 0)",
             "insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) values ('eiertypeid', 'EIERTYPE', 1, 1)",
             "insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) values ('veg.navn', 'GATE', 1, 0)",
             "insert into zera_gg (kolonne, zera_navn, posisjon, aapen_liste) values ('hode.kartid', 'GATE', 1, 0)"});
    }
    // A row of table veg with the lines given, as text per column.
    std::map<std::string, std::string> tilRad(const std::string &linje, int *resultat = nullptr)
    {
        DbKolonne *r = nullptr;
        int n = 0;
        EXPECT_EQ(HentKolonneListe(&r, &n, "veg"), 0);
        int svar = LinjeTilKolonne(linje.c_str(), r, n, "veg");
        if (resultat)
            *resultat = svar;
        std::map<std::string, std::string> ut;
        for (int i = 0; i < n; ++i)
            if (r[i].harVerdi) {
                char t[DB_VERDI_TEKST];
                VerdiTilTekst(t, &r[i].verdi, r[i].type);
                ut[r[i].navn] = t;
            }
        FrigiRad(r, n);
        return ut;
    }
    // Stores the current object's row in veg with a line element.
    long lagre(int gjenbruk = 0)
    {
        MSElement el{};
        DPoint3d p[2] = {{0, 0, 0}, {10, 10, 0}};
        EXPECT_EQ(mdlLine_create(&el, nullptr, p), 0);
        EXPECT_EQ(LagreGGDatabaseRader(&el, "veg", gjenbruk), 0) << textWindow();
        DatabaseLink *l = nullptr;
        int n = 0;
        long mslink = 0;
        if (mdlDB_extractLinkages(&l, &n, &el) == 0 && n > 0)
            mslink = l[n - 1].mslink;
        dlmSystem_mdlFree(l);
        return mslink;
    }
};

TEST_P(Rader, LinesGoToTheirColumns)
{
    using Kolonner = std::map<std::string, std::string>;
    struct Case {
        const char *linje;
        int sist; // the line's last value stored
        Kolonner kolonner;
    } cases[] = {
        {"..NAVN \"Store Vatnet\"", 1, {{"navn", "Store Vatnet"}}},
        // Positions 1 and 2 mapped, the third has nowhere to go.
        {"..KLASSE 82 1 2", 0, {{"klasse_a", "82"}, {"klasse_b", "1"}}},
        {"..XYZ 1", 0, {}},
        // No ZERA_GG row: the name itself is the column.
        {"..BREDDE 6.5", 1, {{"bredde", "6.500000"}}},
        // A row for every position beside one for position 2: each value
        // takes the exact row first; the last value of the wild row wins.
        {"..MERK a b c", 1, {{"merknad", "c"}, {"merk_to", "b"}}},
        // A "table.column" row takes the value into its own table only.
        {"..GATE Storgata", 1, {{"navn", "Storgata"}}},
        // A value that is a column name of the joined table finds its own
        // row, not the first.
        {"..VEGTYPE navn", 1, {{"typeid", "2"}}},
        {"..VEGTYPE Riksveg", 1, {{"typeid", "1"}}},
        // Not in the joined table, and the list is closed.
        {"..VEGTYPE Fylkesveg", 0, {}},
        {"..VEGTYPE 1 OR 1=1", 0, {}},
        // A name longer than 30 characters is nobody's.
        {"..ABCDEFGHIJKLMNOPQRSTUVWXYZABCDE 1", 0, {}},
    };
    for (const Case &c : cases) {
        int sist = -1;
        EXPECT_EQ(tilRad(c.linje, &sist), c.kolonner) << c.linje;
        EXPECT_EQ(sist, c.sist) << c.linje;
    }
    EXPECT_EQ(query("select count(*) from vegtyper"), "2");
}

TEST_P(Rader, AnOpenListTakesANewValueOnce)
{
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(tilRad("..EIERTYPE Kommunal"), (std::map<std::string, std::string>{{"eiertypeid", "1"}}));
    EXPECT_EQ(column("select navn from eiertyper"), std::multiset<std::string>{"Kommunal"});
}

TEST_P(Rader, HodeOncePerFileGenattrSharedAndTheSpecialColumns)
{
    omfang(6600000, 500000, 6601000, 501000);
    std::snprintf(data_.hode.produsent, sizeof data_.hode.produsent, "Kartverkstedet");
    data_.hode.koordsys = 22;
    zeraGGData->kartIndeks = 4;
    objekt(ZERA_LINJE, {"2001"});
    Elm.pointCount = 3;
    Elm.kp[0] = 5;
    Elm.kp[2] = 7;
    Elm.sameHeight = 1;
    Elm.hoyde = 12.5;
    Elm.kvalitet[0] = 82;
    Elm.kvalitet[1] = -1;
    Elm.kvalitet[2] = 1;
    long forste = lagre();
    // Same general attributes, no end nodes, in the active model.
    Elm.kp[0] = Elm.kp[2] = 0;
    zeraGGData->kartIndeks = -1;
    long andre = lagre();
    // Other general attributes.
    Elm.hoyde = 13;
    long tredje = lagre();
    ASSERT_EQ(GGRaderFullfor(), 0);

    EXPECT_EQ(query("select count(*) from hode"), "1");
    EXPECT_EQ(query("select koordsys from hode"), "22");
    EXPECT_EQ(query("select produsent from hode"), "Kartverkstedet");
    EXPECT_EQ(query("select min_o from hode"), "500000");
    std::string hode = query("select mslink from hode");
    EXPECT_EQ(zeraGGData->hodeId, std::stol(hode));
    EXPECT_EQ(column("select hodeid from veg"), (std::multiset<std::string>{hode, hode, hode}));
    EXPECT_EQ(query("select count(*) from genattr"), "2");
    std::string a1 = query("select attribid from veg where mslink = " + std::to_string(forste));
    EXPECT_EQ(query("select attribid from veg where mslink = " + std::to_string(andre)), a1);
    EXPECT_NE(query("select attribid from veg where mslink = " + std::to_string(tredje)), a1);
    EXPECT_EQ(query("select hoyde from genattr where mslink = " + a1), "12.5");
    // "82 * 1": the place after the unknown one is kept.
    EXPECT_EQ(query("select kvalitet1 from genattr where mslink = " + a1), "82");
    EXPECT_EQ(query("select kvalitet3 from genattr where mslink = " + a1), "1");
    EXPECT_EQ(query("select mapid from veg where mslink = " + std::to_string(forste)), "5");
    EXPECT_EQ(query("select mapid from veg where mslink = " + std::to_string(andre)), "<null>");
    EXPECT_EQ(query("select kp1 from veg where mslink = " + std::to_string(forste)), "5");
    EXPECT_EQ(query("select kp2 from veg where mslink = " + std::to_string(forste)), "7");
    EXPECT_EQ(query("select kp1 from veg where mslink = " + std::to_string(andre)), "<null>");

    // The next file: its own HODE row, found again when its values are equal.
    zeraGGData->hodeId = 0;
    lagre();
    GGRaderFullfor();
    EXPECT_EQ(query("select count(*) from hode"), "1");
    zeraGGData->hodeId = 0;
    std::snprintf(data_.hode.produsent, sizeof data_.hode.produsent, "Andre");
    lagre();
    GGRaderFullfor();
    EXPECT_EQ(query("select count(*) from hode"), "2");
}

TEST_P(Rader, UnmatchedLinesAreJoinedUpTo254Characters)
{
    objekt(ZERA_LINJE, {"2001"});
    linjer("..XYZ 1\n..KLASSE 82 1 2\n..NAVN \"Ok\"\n...ABC def  \r");
    lagre();
    GGRaderFullfor();
    EXPECT_EQ(column("select tekst from andre_egenskaper"),
              std::multiset<std::string>{"XYZ 1\nKLASSE 82 1 2\n.ABC def"});
    EXPECT_EQ(query("select navn from veg"), "Ok");

    // Three lines of 100: the third would pass 254.
    std::string a = "..A" + std::string(98, 'a'), b = "..B" + std::string(98, 'b'), c = "..C" + std::string(98, 'c');
    linjer(a + "\n" + b + "\n" + c);
    Elm.serial = 77;
    mdlhost_clearTextWindow();
    lagre();
    GGRaderFullfor();
    EXPECT_EQ(count(textWindow(), "For mange ukjente egenskaper for element 77. Max. 255 tegn kan lagres.\n"), 1);
    EXPECT_EQ(query("select count(*) from andre_egenskaper where tekst = '" + a.substr(2) + "\n" + b.substr(2) + "'"),
              "1");
}

TEST_P(Rader, HostileValuesAreStoredExactly)
{
    objekt(ZERA_LINJE, {"2001"});
    std::multiset<std::string> navn, eiere, andre;
    for (const char *v : ggtesting::kHostile) {
        // A ZERA line cannot carry a double quote inside a quoted value.
        if (std::strchr(v, '"'))
            continue;
        std::snprintf(data_.hode.produsent, sizeof data_.hode.produsent, "%s", v);
        zeraGGData->hodeId = 0;
        linjer(std::string("..NAVN \"") + v + "\"\n..EIERTYPE \"" + v + "\"\n..UKJENT \"" + v + "\"");
        lagre();
        navn.insert(v);
        eiere.insert(v);
        andre.insert(std::string("UKJENT \"") + v + "\"");
    }
    ASSERT_EQ(GGRaderFullfor(), 0);
    EXPECT_EQ(column("select navn from veg"), navn);
    EXPECT_EQ(column("select navn from eiertyper"), eiere);
    EXPECT_EQ(column("select produsent from hode"), eiere);
    EXPECT_EQ(column("select tekst from andre_egenskaper"), andre);
    EXPECT_EQ(query("select count(*) from vegtyper"), "2");
}

TEST_P(Rader, AFailedRowDoesNotStopTheNextAndTheRowsReachTheDatabase)
{
    objekt(ZERA_LINJE, {"2001"});
    linjer("..BREDDE 500");
    MSElement el{};
    DPoint3d p[2] = {{0, 0, 0}, {10, 10, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, p), 0);
    EXPECT_NE(LagreGGDatabaseRader(&el, "veg", 0), 0);
    // The rows run in the module's own transaction until it is finished.
    EXPECT_NE(mdlhost_dbBegin(), 0);
    linjer("..BREDDE 5");
    lagre();
    ASSERT_EQ(GGRaderFullfor(), 0);
    ASSERT_EQ(mdlhost_dbBegin(), 0);
    mdlhost_dbRollback();
    EXPECT_EQ(column("select bredde from veg"), std::multiset<std::string>{"5"});
    EXPECT_EQ(count(textWindow(), "Error in command"), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, Rader, ::testing::ValuesIn(dbtesting::kBackends));

} // namespace
