// Inserts through the layer into a table that grows: the time of the first
// 1000 and of the last 1000 of N.  Reports, never fails on a figure.
//
//   innsetting_bench PROJECT [N] [bufret|ubufret]
// PROJECT is a new SQLite file or "pg:" and a connection string to an
// empty database.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gis/mdlgis.h"
#include "sys/mdlsys.h"
#include "zeraggdb.h"

extern "C" int LesHodeFraDatabase(const char *) { return 0; }
extern "C" int LesGenAttrFraDatabase(const char *) { return 0; }

static bool Kjor(const char *sql)
{
    if (mdlDB_processSQL(sql) == 0)
        return true;
    char feil[512];
    mdlDB_getErrorText(feil, sizeof feil);
    std::fprintf(stderr, "%s: %s\n", sql, feil);
    return false;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "innsetting_bench PROJECT [N] [bufret|ubufret]\n");
        return 2;
    }
    const char *prosjekt = argv[1];
    long n = argc > 2 ? std::atol(argv[2]) : 100000;
    bool bufret = argc <= 3 || std::string(argv[3]) != "ubufret";
    if (mdlhost_gisCreateProject(prosjekt) != 0 || LagZeraTabeller() != 0 ||
        !Kjor("insert into category (mslink, cname) values (1, 'Veg')") ||
        !Kjor("insert into ugcategory (category, dgnfex) values (1, 'dgn')") ||
        !Kjor("create table vei (mslink integer primary key, navn varchar(40), kode integer, hoyde double precision)"))
        return 1;
    if (bufret && !Kjor("insert into ugtable_cat (tablename, entitynum) values ('vei', 10)"))
        return 1;
    if (mdlMapProject_open(prosjekt) != 0 || KobleTilGeoGraphics() != 0)
        return 1;
    using Klokke = std::chrono::steady_clock;
    Klokke::time_point start;
    for (long i = 0; i < n; ++i) {
        if (i == 0 || i == n - 1000)
            start = Klokke::now();
        DbKolonne *rad = nullptr;
        int antall = 0;
        if (HentKolonneListe(&rad, &antall, "vei") != 0)
            return 1;
        SettKolonneVerdi(&rad[1], ("rad " + std::to_string(i)).c_str());
        SettKolonneVerdi(&rad[2], std::to_string(i % 97).c_str());
        SettKolonneVerdi(&rad[3], "12.5");
        if (SettInnRad("vei", rad, antall, 1) != 0)
            return 1;
        FrigiRad(rad, antall);
        if (i == 999 || i == n - 1) {
            double ms = std::chrono::duration<double, std::milli>(Klokke::now() - start).count();
            std::printf("%s %s: %s 1000 of %ld: %.0f ms\n", mdlhost_dbServerType() == MDLDB_SERVER_POSTGRESQL ? "PostgreSQL" : "SQLite",
                        bufret ? "cached" : "uncached", i == 999 ? "first" : "last", n, ms);
        }
    }
    FrigiGGDatabase();
    mdlMapProject_close();
    return 0;
}
