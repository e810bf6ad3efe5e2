// Import throughput: a generated ZERA file of points, curves of a few
// hundred points, texts and areas with references, imported through
// perf_zera2dgn with an element writer that does nothing.  Reports MB/s
// and the peak resident size; run it for two file sizes to see that memory
// does not follow the file.  A second file is made like map data: short
// curves and points known by object type alone, each with several
// attribute lines, heights on every point, CRLF line ends.
//
// IMPORT_BENCH_DIR names a directory where the files and their theme
// tables are written and kept (tema.tem, stor50.zer, objekttyper.tem,
// objekttyper50.zer ...), to time a whole kartimport run on them.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <benchmark/benchmark.h>

#include "kartmotor_int.h"
#include "benk.h"
#include "mdlhost.h"
#include "kartmotor_tjenester.h"

namespace {

namespace fs = std::filesystem;

const char temaTekst[] = ";2101;HDB;P;Terrengpunkt;3;0;0;1;0;0;KRYSS;1;1;0 !Terrengpunkt\n"
                         ";2001;HDB;L;Koter;2;1;0;1;0;0;KRYSS;1;1;1 !Kotekurve\n"
                         ";9001;RUT;T;Tekst;7;0;0;1;25;25;KRYSS;1;1;0 !Stedsnavn\n"
                         ";5000;BYG;F;Bygg;6;0;0;1;0;0;BYGG;1;1;0 !Bygning\n";

// One row per object type, as map data is themed.
const char *const linjetyper[] = {"Kantlinje", "Gjerdelinje", "Vegkant", "Takkant", "Kotelinje", "Bekkelinje",
                                  "Murkant"};
const char *const punkttyper[] = {"Punktmerke", "Lyktestolpe", "Tre", "Kumlokk"};
const char objektTemaTekst[] = "Kantlinje;1001;TST;L;Kant;1;0;0;1;0;0;KRYSS;1;1;0 !Kantlinje\n"
                               "Gjerdelinje;1002;TST;L;Gjerde;2;0;0;1;0;0;KRYSS;1;1;0 !Gjerde\n"
                               "Vegkant;1003;TST;L;Veg;3;0;0;1;0;0;KRYSS;1;1;0 !Vegkant\n"
                               "Takkant;1004;TST;L;Tak;4;0;0;1;0;0;KRYSS;1;1;0 !Takkant\n"
                               "Kotelinje;1006;TST;L;Kote;6;0;0;1;0;0;KRYSS;1;1;0 !Kote\n"
                               "Bekkelinje;1007;TST;L;Bekk;7;0;0;1;0;0;KRYSS;1;1;0 !Bekk\n"
                               "Murkant;1008;TST;L;Mur;8;0;0;1;0;0;KRYSS;1;1;0 !Mur\n"
                               "Punktmerke;2001;TST;P;Punkt;1;0;0;1;0;0;KRYSS;1;1;0 !Punkt\n"
                               "Lyktestolpe;2002;TST;P;Lykt;2;0;0;1;0;0;KRYSS;1;1;0 !Lykt\n"
                               "Tre;2003;TST;P;Tre;3;0;0;1;0;0;KRYSS;1;1;0 !Tre\n"
                               "Kumlokk;2004;TST;P;Kum;4;0;0;1;0;0;KRYSS;1;1;0 !Kum\n"
                               "Bygningsflate;3001;TST;F;Bygg;5;0;0;1;0;0;BYGG;1;1;0 !Bygg\n";

int skriver(void) { return 0; }

const std::string &katalog()
{
    static const std::string &k = [] () -> const std::string & {
        const std::string &dir = benk::katalog("import_bench", temaTekst, "IMPORT_BENCH_DIR");
        benk::skriv_tekst("objekttyper.tem", objektTemaTekst);
        return dir;
    }();
    return k;
}

// The file navn<mb>.zer of about mb megabytes, written by skriv(f, bytes)
// the first time it is asked for.
template <class F> std::string fil(const std::string &navn, int mb, F skriv)
{
    static std::map<std::string, bool> laget;
    std::string sti = katalog() + "/" + navn + std::to_string(mb) + ".zer";
    if (laget[sti])
        return sti;
    FILE *f = fopen(sti.c_str(), "wb");
    if (f == nullptr)
        abort();
    skriv(f, (long)mb * 1000000L);
    // A short file (full disk) would measure the wrong thing.
    if (ferror(f) || fclose(f) != 0)
        abort();
    laget[sti] = true;
    return sti;
}

// Writes a file of about mb megabytes: per round one curve of 300 points,
// ten points, two texts and an area that refers to the curve and to the
// previous round's curve.
std::string lag_fil(int mb)
{
    return fil("stor", mb, [](FILE *f, long maal) {
        fputs(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 6600000 500000\n"
              "...ENHET 0.01\n..OMR\xC5" "DE\n...MIN-N\xD8 6600000 500000\n...MAX-N\xD8 6700000 600000\n"
              "..ZERA-VERSJON 4.0\n..ZERA-NIV\xC5 4\n..DATO 20240315\n..KVALITET 82 100 3\n",
              f);
        long serie = 1;
        unsigned tilfeldig = 12345;
        auto neste = [&]() {
            tilfeldig = tilfeldig * 1103515245u + 12345u;
            return (long)((tilfeldig >> 8) % 1000000u);
        };
        long forrigeKurve = 0;
        while (ftell(f) < maal) {
            long kurve = serie++;
            fprintf(f, ".KURVE %ld:\n..LTEMA 2001\n..H\xD8YDE %ld\n..N\xD8\n", kurve, 100 + kurve % 50);
            long n = neste(), e = neste();
            for (int i = 0; i < 300; i++)
                fprintf(f, "%ld %ld\n", n + i * 37, e + (i * 53) % 997);
            for (int i = 0; i < 10; i++)
                fprintf(f, ".PUNKT %ld:\n..PTEMA 2101\n..N\xD8H\n%ld %ld %ld\n", serie++, neste(), neste(),
                        10000 + neste() % 5000);
            for (int i = 0; i < 2; i++) {
                long tekst = serie++;
                fprintf(f,
                        ".TEKST %ld:\n..TTEMA 9001\n..STRENG \"Stedsnavn %ld\"\n..N\xD8\n%ld %ld\n%ld %ld\n"
                        "%ld %ld\n",
                        tekst, tekst, n, e, n, e, n + 100, e + 100);
            }
            if (forrigeKurve > 0)
                fprintf(f, ".FLATE %ld:\n..FTEMA 5000\n..REF :%ld :-%ld\n..N\xD8\n%ld %ld\n", serie++, kurve,
                        forrigeKurve, n + 50, e + 50);
            forrigeKurve = kurve;
        }
        fputs(".SLUTT\n", f);
    });
}

// Writes a file of about mb megabytes like map data: per group one curve of
// 2 to 12 points with heights (seven in ten), a point (three in ten) or an
// area over two recent curves, each known by its object type and carrying
// dates, quality and a version text; lines end in CRLF.
std::string lag_objektfil(int mb)
{
    return fil("objekttyper", mb, [](FILE *f, long maal) {
        fputs(".HODE\r\n..TEGNSETT ISO8859-10\r\n..TRANSPAR\r\n...KOORDSYS 22\r\n...ORIGO-N\xD8 0 0\r\n"
              "...ENHET 0.01\r\n..OMR\xC5" "DE\r\n...MIN-N\xD8 6600000 500000\r\n...MAX-N\xD8 6700000 600000\r\n"
              "..ZERA-VERSJON 4.5\r\n..ZERA-NIV\xC5 4\r\n..DATO 20240315\r\n..KVALITET 82 100 3\r\n..KOMM 3001\r\n",
              f);
        unsigned tilfeldig = 54321;
        auto neste = [&](unsigned n) {
            tilfeldig = tilfeldig * 1103515245u + 12345u;
            return (long)((tilfeldig >> 8) % n);
        };
        long serie = 1;
        long kurver[2] = {0, 0};
        while (ftell(f) < maal) {
            long k = neste(100);
            if (k < 67 || kurver[1] == 0) {
                fprintf(f,
                        ".KURVE %ld:\r\n..OBJTYPE %s\r\n..FANGSTDATO 2012%02ld%02ld\r\n..KVALITET %ld %ld * %ld\r\n"
                        "..KONTROLLDATO 2012%02ld%02ld\r\n..ENDRINGSDATO 2013%02ld%02ld120000\r\n"
                        "..VERSJON \"Data 4.5\"\r\n"
                        "..MEDIUM T\r\n..N\xD8H\r\n",
                        serie, linjetyper[neste(7)], 1 + neste(12), 1 + neste(28), 21 + neste(3), 10 + neste(40),
                        20 + neste(40), 1 + neste(12), 1 + neste(28), 1 + neste(12), 1 + neste(28));
                long n = 660000000 + neste(10000000), e = 50000000 + neste(10000000), h = 1000 + neste(49000);
                for (long i = 0, punkter = 2 + neste(11); i < punkter; i++) {
                    fprintf(f, "%ld %ld %ld\r\n", n, e, h);
                    n += neste(1801) - 900;
                    e += neste(1801) - 900;
                    h += neste(101) - 50;
                }
                kurver[0] = kurver[1];
                kurver[1] = serie;
            } else if (k < 97) {
                fprintf(f,
                        ".PUNKT %ld:\r\n..OBJTYPE %s\r\n..FANGSTDATO 2012%02ld%02ld\r\n..KVALITET %ld %ld * %ld\r\n"
                        "..MEDIUM T\r\n..N\xD8H\r\n%ld %ld %ld\r\n",
                        serie, punkttyper[neste(4)], 1 + neste(12), 1 + neste(28), 21 + neste(3), 10 + neste(40),
                        20 + neste(40), 660000000 + neste(10000000), 50000000 + neste(10000000), 1000 + neste(49000));
            } else {
                fprintf(f,
                        ".FLATE %ld:\r\n..OBJTYPE Bygningsflate\r\n..FANGSTDATO 20120101\r\n..REF :%ld :-%ld\r\n"
                        "..N\xD8\r\n%ld %ld\r\n",
                        serie, kurver[1], kurver[0], 660000000 + neste(10000000), 50000000 + neste(10000000));
            }
            serie++;
        }
        fputs(".SLUTT\r\n", f);
    });
}

void importer(benchmark::State &state, const std::string &fil, const std::string &tema)
{
    // A loaded theme table is kept by the engine: the application empties it
    // when the user picks another.
    static std::string lastet;
    if (tema != lastet) {
        Mstemtab.rowCount = 0;
        Fkbtab.count = 0;
        lastet = tema;
    }
    std::string rapport = katalog() + "/rapport.log";
    long storrelse = (long)fs::file_size(fil);
    geoGraphics = 0;
    lagreNivaa4 = 1;
    settXML(0);
    int16_t rc = 0;
    for (auto _ : state) {
        rc = perf_zera2dgn(fil.c_str(), tema.c_str(), rapport.c_str(), "", 0,
                           reinterpret_cast<MdlFunctionP>(&skriver), nullptr,
                           reinterpret_cast<MdlFunctionP>(&c_txt), nullptr);
        mdlhost_clearTextWindow();
    }
    if (rc != 0)
        state.SkipWithError("perf_zera2dgn failed");
    benk::tellere(state, storrelse, Bmw.read);
}

} // namespace

void BM_Import(benchmark::State &state)
{
    importer(state, lag_fil((int)state.range(0)), katalog() + "/tema.tem");
}

void BM_ImportObjekttyper(benchmark::State &state)
{
    importer(state, lag_objektfil((int)state.range(0)), katalog() + "/objekttyper.tem");
}

BENCHMARK(BM_Import)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportObjekttyper)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
