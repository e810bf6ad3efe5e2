// Export throughput: a ZERA file of about 50 MB written through the writer
// as the application drives it: init_dgn2zera with the header, one
// perf_dgn2zera per element filled into Elm, exit_dgn2zera for the header
// and the report.  Per round a contour of 300 points with one height, ten
// points with heights, a curve of 200 points with changing heights, two
// rotated texts and an area that refers to the curves.  Reports MB/s of the
// ZERA file (header and elements) and the peak resident size.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "benk.h"
#include "kartmotor_int.h"
#include "kartmotor_tjenester.h"
#include "mdlhost.h"

namespace {

namespace fs = std::filesystem;

const char temaTekst[] = "Terrengpunkt;2101;HDB;P;Terrengpunkt;3;0;0;1;0;0;KRYSS;1;1;0 !Terrengpunkt\n"
                         "Koter;2001;HDB;L;Koter;2;1;0;1;0;0;KRYSS;1;1;1 !Kotekurve\n"
                         "Veg;7001;VSI;L;Veg;4;1;0;1;0;0;KRYSS;1;1;0 !Vegkant\n"
                         "Tekst;9001;RUT;T;Tekst;7;0;0;1;25;25;KRYSS;1;1;0 !Stedsnavn\n"
                         "Bygg;5000;BYG;F;Bygg;6;0;0;1;0;0;BYGG;1;1;0 !Bygning\n";

const std::string &katalog() { return benk::katalog("export_bench", temaTekst); }

SheadStruct hode()
{
    SheadStruct h;
    ScharStruct keys;
    int16_t set = ZERA_CHARSET_ISO;
    shead_init(&set, &h, &keys);
    h.koordsys = 22;
    h.origoN = 6600000;
    h.origoE = 500000;
    h.enhet = 0.01;
    h.zeraVersjon = 4.0;
    h.zeraNivaa = 4;
    h.dato = 20240315;
    h.kvalitet[0] = 82;
    h.kvalitet[1] = 100;
    h.kvalitet[2] = 3;
    kopier(h.produsent, sizeof h.produsent, "Testkart");
    return h;
}

void ny(int type, long serial, const char *theme, const char *objtype)
{
    elmclr();
    Elm.type = (int16_t)type;
    Elm.serial = (int32_t)serial;
    Elm.themeCount = 1;
    kopier(Elm.theme[0], sizeof Elm.theme[0], theme);
    kopier(Elm.objtype, sizeof Elm.objtype, objtype);
    Elm.dato = 20240315;
}

void punkt(int i, double n, double e, double h)
{
    Elm.N[i] = n;
    Elm.E[i] = e;
    Elm.H[i] = h;
    Elm.kp[i] = 0;
}

struct Tilfeldig {
    unsigned x = 12345;
    double neste()
    {
        x = x * 1103515245u + 12345u;
        return (double)((x >> 8) % 1000000u) * 0.1;
    }
};

// One round of elements; returns the next serial.
long runde(long serie, Tilfeldig &t, long forrigeKurve)
{
    const double N0 = 6600000, E0 = 500000;
    double n = N0 + t.neste(), e = E0 + t.neste();
    long kote = serie++;
    ny(ZERA_KURVE, kote, "2001", "Koter");
    Elm.pointCount = 300;
    for (int i = 0; i < 300; i++)
        punkt(i, n + i * 0.37, e + (i * 53 % 997) * 0.01, 100.0 + kote % 50);
    perf_dgn2zera(nullptr, nullptr);

    for (int i = 0; i < 10; i++) {
        ny(ZERA_PUNKT, serie++, "2101", "Terrengpunkt");
        Elm.pointCount = 1;
        punkt(0, N0 + t.neste(), E0 + t.neste(), 100.0 + t.neste() * 0.01);
        perf_dgn2zera(nullptr, nullptr);
    }

    long veg = serie++;
    ny(ZERA_KURVE, veg, "7001", "Veg");
    Elm.pointCount = 200;
    for (int i = 0; i < 200; i++)
        punkt(i, n - i * 0.41, e + i * 0.29, 90.0 + i * 0.013);
    perf_dgn2zera(nullptr, nullptr);

    for (int i = 0; i < 2; i++) {
        ny(ZERA_TEKST, serie, "9001", "Tekst");
        snprintf(Elm.text, sizeof Elm.text, "Stedsnavn %ld", serie);
        serie++;
        Elm.pointCount = 1;
        punkt(0, n + 1.0, e + 1.0, 0.0);
        Elm.angle = 0.25 * (i + 1);
        Elm.dim[0] = Elm.dim[1] = 25;
        perf_dgn2zera(nullptr, nullptr);
    }

    if (forrigeKurve > 0) {
        ny(ZERA_FLATE, serie++, "5000", "Bygg");
        Elm.pointCount = 1;
        punkt(0, n + 0.5, e + 0.5, 0.0);
        Elm.refCount = 3;
        Elm.ref[0] = (int32_t)kote;
        Elm.ref[1] = (int32_t)-forrigeKurve;
        Elm.ref[2] = (int32_t)veg;
        Elm.refGroup[0] = Elm.refGroup[1] = 0;
        Elm.refGroup[2] = 1;
        perf_dgn2zera(nullptr, nullptr);
    }
    return serie;
}

void BM_Export(benchmark::State &state)
{
    const long maal = (long)state.range(0) * 1000000L;
    std::string tema = katalog() + "/tema.tem";
    std::string elementer = katalog() + "/elementer.tmp";
    std::string zera = katalog() + "/ut.zer";
    std::string rapport = katalog() + "/rapport.log";
    geoGraphics = 0;
    lagreNOH = 0;
    hoydeAvrunding = 0;
    multHoyde = 0;
    matchLevel = matchColor = matchStyle = matchWeight = 0;
    eksporterZeratema = 1;
    eksporterObjekttype = 1;
    // The first run writes rounds until the file holds the target size; the
    // later runs write as many, so each run writes the same file.
    static long runder = 0;
    long storrelse = 0;
    for (auto _ : state) {
        SheadStruct h = hode();
        if (init_dgn2zera(tema.c_str(), elementer.c_str(), &h, reinterpret_cast<MdlFunctionP>(&c_txt)) != 0) {
            state.SkipWithError("init_dgn2zera failed");
            return;
        }
        Tilfeldig t;
        long serie = 1, forrige = 0;
        for (long r = 0; runder == 0 ? ftell(Filep_tmpzer) < maal : r < runder; r++) {
            long kurve = serie;
            serie = runde(serie, t, forrige);
            forrige = kurve;
            if (runder == 0 && ftell(Filep_tmpzer) >= maal)
                runder = r + 1;
        }
        int rc = exit_dgn2zera(rapport.c_str(), zera.c_str(), elementer.c_str(), tema.c_str(), "", "",
                               reinterpret_cast<MdlFunctionP>(&c_txt));
        mdlhost_clearTextWindow();
        if (rc != 0) {
            state.SkipWithError("exit_dgn2zera failed");
            return;
        }
        storrelse = (long)(fs::file_size(elementer) + fs::file_size(zera));
    }
    benk::tellere(state, storrelse, Bmw.written);
}

} // namespace

BENCHMARK(BM_Export)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
