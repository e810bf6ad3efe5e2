// Import throughput: a generated ZERA file of points, curves of a few
// hundred points, texts and areas with references, imported through
// perf_zera2dgn with an element writer that does nothing.  Reports MB/s
// and the peak resident size; run it for two file sizes to see that memory
// does not follow the file.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <benchmark/benchmark.h>

#include "benk.h"
#include "kartmotor_int.h"
#include "mdlhost.h"
#include "zvzera_services.h"

namespace {

namespace fs = std::filesystem;

const char temaTekst[] = ";2101;HDB;P;Terrengpunkt;3;0;0;1;0;0;KRYSS;1;1;0 !Terrengpunkt\n"
                         ";2001;HDB;L;Koter;2;1;0;1;0;0;KRYSS;1;1;1 !Kotekurve\n"
                         ";9001;RUT;T;Tekst;7;0;0;1;25;25;KRYSS;1;1;0 !Stedsnavn\n"
                         ";5000;BYG;F;Bygg;6;0;0;1;0;0;BYGG;1;1;0 !Bygning\n";

int skriver(void) { return 0; }

const std::string &katalog() { return benk::katalog("import_bench", temaTekst); }

// Writes a file of about mb megabytes: per round one curve of 300 points,
// ten points, two texts and an area that refers to the curve and to the
// previous round's curve.
std::string lag_fil(int mb)
{
    static std::map<int, std::string> laget;
    if (auto it = laget.find(mb); it != laget.end())
        return it->second;
    std::string navn = katalog() + "/stor" + std::to_string(mb) + ".zer";
    FILE *f = fopen(navn.c_str(), "wb");
    if (f == nullptr)
        abort();
    fputs(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 6600000 500000\n"
          "...ENHET 0.01\n..OMR\xC5" "DE\n...MIN-N\xD8 6600000 500000\n...MAX-N\xD8 6700000 600000\n"
          "..ZERA-VERSJON 4.0\n..ZERA-NIV\xC5 4\n..DATO 20240315\n..KVALITET 82 100 3\n",
          f);
    long maal = (long)mb * 1000000L;
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
            fprintf(f, ".TEKST %ld:\n..TTEMA 9001\n..STRENG \"Stedsnavn %ld\"\n..N\xD8\n%ld %ld\n%ld %ld\n%ld %ld\n",
                    tekst, tekst, n, e, n, e, n + 100, e + 100);
        }
        if (forrigeKurve > 0)
            fprintf(f, ".FLATE %ld:\n..FTEMA 5000\n..REF :%ld :-%ld\n..N\xD8\n%ld %ld\n", serie++, kurve,
                    forrigeKurve, n + 50, e + 50);
        forrigeKurve = kurve;
    }
    fputs(".SLUTT\n", f);
    // A short file (full disk) would measure the wrong thing.
    if (ferror(f) || fclose(f) != 0)
        abort();
    laget[mb] = navn;
    return navn;
}

void BM_Import(benchmark::State &state)
{
    std::string fil = lag_fil((int)state.range(0));
    std::string tema = katalog() + "/tema.tem";
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

BENCHMARK(BM_Import)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
