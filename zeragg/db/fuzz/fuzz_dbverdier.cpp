// Arbitrary texts and numbers through the database module's value
// handling on a SQLite project: values made from texts and back, compared
// and quoted; rows found or inserted, updated, read back and written as
// ZERA attribute lines, through the table cache and past it.  Each input
// starts from a fresh copy of the project and a fresh module.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "db/mdldb.h"
#include "fuzz_testing.h"
#include "gis/mdlgis.h"
#include "mdlhost.h"
#include "zeraggdb.h"
#include "ggmodul_testing.h"

namespace {

std::string mal, prosjekt;

void krev(bool ok)
{
    if (!ok)
        abort();
}

const char *const TABELLER[] = {"bufret", "ubufret", "tall"};

void lagMal()
{
    krev(mdlhost_dbOpen(mal.c_str()) == 0);
    krev(mdlhost_gisCreateProject(mal.c_str()) == 0);
    krev(LagZeraTabeller() == 0);
    const char *sql[] = {
        "insert into category (mslink, cname) values (1, 'Veg')",
        "insert into ugcategory (category, dgnfex) values (1, 'dgn')",
        "create table bufret (mslink integer, navn varchar(255), kode varchar(12))",
        "create table ubufret (mslink integer, navn varchar(255), kode varchar(255))",
        "create table tall (mslink integer, heltall integer, flyt double precision, navn varchar(8))",
        "insert into ugtable_cat (tablename, entitynum) values ('bufret', 20)",
        "insert into ugtable_cat (tablename, entitynum) values ('tall', 21)",
    };
    for (const char *s : sql)
        krev(mdlDB_processSQL(s) == 0);
    mdlhost_dbClose();
}

void koble()
{
    std::error_code ec;
    std::filesystem::copy_file(mal, prosjekt, std::filesystem::copy_options::overwrite_existing, ec);
    krev(!ec && mdlhost_dbOpen(prosjekt.c_str()) == 0);
    krev(mdlMapProject_open(prosjekt.c_str()) == 0);
    krev(KobleTilGeoGraphics() == 0);
}

void koblFra()
{
    frigiGGModul();
    dbSql_setRowCallback(nullptr);
    mdlhost_dbClose();
}

// A value of each type made from a text, shown, copied and compared.
void verdier(FuzzedDataProvider &d)
{
    std::string t = d.ConsumeRandomLengthString(300);
    for (int type : {DB_TEKST, DB_DOBBEL, DB_LANG, 3}) {
        DbVerdi a{}, b{};
        VerdiFraTekst(&a, t.c_str(), type);
        char tekst[DB_VERDI_TEKST];
        VerdiTilTekst(tekst, &a, type);
        krev(strlen(tekst) < DB_VERDI_TEKST);
        KopierVerdi(&b, &a, type);
        if (type == DB_TEKST || type == DB_LANG)
            krev(LikeVerdier(&a, &b, type) != 0);
        if (type == DB_TEKST) {
            dlmSystem_mdlFree(a.tekst);
            dlmSystem_mdlFree(b.tekst);
        }
    }
    SqlTekst(t.c_str());
    SqlLike("%", t.c_str());
    SqlNavn(t.c_str());
    SqlDobbel(d.ConsumeFloatingPoint<double>());
}

// A row of the table with texts for its columns, found or inserted,
// updated, read back and written as attribute lines.
void rad(FuzzedDataProvider &d)
{
    const char *tabell = TABELLER[d.ConsumeIntegralInRange<int>(0, 2)];
    DbKolonne *r = nullptr;
    int n = 0;
    if (HentKolonneListe(&r, &n, tabell) != 0 || r == nullptr)
        return;
    for (int i = 1; i < n; i++)
        if (d.ConsumeBool())
            SettKolonneVerdi(&r[i], d.ConsumeRandomLengthString(300).c_str());
    long mslink = FinnEllerSettInnRad(r, n, tabell);
    if (mslink > 0) {
        int i = d.ConsumeIntegralInRange<int>(1, n - 1);
        SettKolonneVerdi(&r[i], d.ConsumeRandomLengthString(300).c_str());
        r[0].verdi.lang = static_cast<int32_t>(mslink);
        r[0].harVerdi = 1;
        OppdaterRad(tabell, r, n);
        DbKolonne *tilbake = nullptr;
        int m = 0;
        if (LesRadForMslink(&tilbake, &m, tabell, mslink) == 0 && tilbake != nullptr) {
            SkrivRadSomEgenskaper(tilbake, m, tabell, d.ConsumeIntegralInRange<int>(0, 1));
            FrigiRad(tilbake, m);
        }
        SkrivDbEgenskaper(tabell, mslink, 0);
    } else if (d.ConsumeBool()) {
        SettInnRad(tabell, r, n, 1);
    }
    FrigiRad(r, n);
    char ut[DB_VERDI_TEKST];
    std::string nokkel = d.ConsumeRandomLengthString(300);
    SlaaOppBufretVerdi(ut, "kode", "bufret", "navn", nokkel.c_str());
}

} // namespace

// The application's receivers of the attribute lines.
extern "C" int LesHodeFraDatabase(const char *) { return 0; }
extern "C" int LesGenAttrFraDatabase(const char *) { return 0; }

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const std::string &k = fuzz::folder("fuzz_dbverdier");
    mal = k + "/mal.db";
    prosjekt = k + "/prosjekt.db";
    lagMal();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider d(data, size);
    koble();
    for (int i = 0; i < 12 && d.remaining_bytes() > 0; i++) {
        if (d.ConsumeBool())
            verdier(d);
        else
            rad(d);
    }
    koblFra();
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    return 0;
}
