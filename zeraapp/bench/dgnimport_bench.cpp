// Import into a design file: a generated ZERA file of points, long lines,
// texts and areas with islands, imported through the engine and the ZERA
// application's element writer into a new 3D design file, as one command.
// Reports MB/s of the ZERA file, elements written per second and the peak
// resident size; run for two sizes to see that memory does not follow the
// file.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "benk.h"
#include "brukerdata.h"
#include "dgnskriv.h"
#include "kartmotor.h"
#include "kartmotor_tjenester.h"
#include "mdlhost.h"
#include "zvlibmain.h"
#include "zvzera.h"

namespace {

namespace fs = std::filesystem;

const char temaTekst[] = "Fastmerke;2101;HDB;P;2101;3;0;0;0;0;0;KRYSS;1;1;0\n"
                         "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;0\n"
                         "Stedsnavn;1010;FM;T;1010;4;0;0;105;5;4;KRYSS;1;1;0\n"
                         "Grense;1012;FM;L;1012;1;0;0;0;0;0;KRYSS;1;1;0\n"
                         "Omraade;1011;FM;F;1011;6;0;0;0;0;0;KRYSS;1;1;0\n";

// Blocks of four points, two short lines and a text; every fifth block
// also an area of an outer and an inner boundary, every hundredth a line
// of 6000 points, written in pieces.  Level 4, so the areas go in.
std::string lagZeraFil(long maalBytes)
{
    std::string sti = benk::katalog_navn() + "/import" + std::to_string(maalBytes / 1000000) + ".zer";
    if (fs::exists(sti))
        return sti;
    FILE *f = fopen(sti.c_str(), "wb");
    if (f == nullptr)
        abort();
    fputs(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
          "..OMR\xC5" "DE\n...MIN-N\xD8 6600000 500000\n...MAX-N\xD8 6700000 600000\n..ZERA-VERSJON 4.0\n"
          "..ZERA-NIV\xC5 4\n",
          f);
    long serie = 0;
    for (long blokk = 0; ftell(f) < maalBytes; ++blokk) {
        long n0 = 660000000 + (blokk % 1000) * 1000, e0 = 50000000 + (blokk / 1000) * 1000;
        for (int p = 0; p < 4; ++p)
            fprintf(f, ".PUNKT %ld:\n..PTEMA 2101\n..N\xD8H\n%ld %ld %ld\n", ++serie, n0 + p * 10, e0 + p * 7,
                    1000 + blokk % 500);
        // Short lines in every block, a long one in pieces now and then.
        int lengder[3] = {30, 30, blokk % 100 == 0 ? 6000 : 0};
        for (int lengde : lengder) {
            if (lengde == 0)
                continue;
            fprintf(f, ".LINJE %ld:\n..LTEMA 3001\n..N\xD8H\n", ++serie);
            for (int i = 0; i < lengde; ++i)
                fprintf(f, "%ld %ld %d\n", n0 + i * 2, e0 + (i % 7) * 3, 1000 + i % 50);
        }
        fprintf(f, ".TEKST %ld:\n..TTEMA 1010\n..STRENG \"Navn %ld\"\n..N\xD8\n%ld %ld\n", ++serie, blokk, n0 + 50,
                e0 + 50);
        if (blokk % 5 == 0) {
            long ytre = ++serie;
            fprintf(f, ".LINJE %ld:\n..LTEMA 1012\n..N\xD8H\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n",
                    ytre, n0, e0, n0, e0 + 900, n0 + 900, e0 + 900, n0 + 900, e0, n0, e0);
            long indre = ++serie;
            fprintf(f, ".LINJE %ld:\n..LTEMA 1012\n..N\xD8H\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n",
                    indre, n0 + 300, e0 + 300, n0 + 300, e0 + 600, n0 + 600, e0 + 600, n0 + 600, e0 + 300, n0 + 300,
                    e0 + 300);
            fprintf(f, ".FLATE %ld:\n..FTEMA 1011\n..REF :%ld (:%ld)\n..N\xD8\n%ld %ld\n", ++serie, ytre, indre,
                    n0 + 100, e0 + 100);
        }
    }
    fputs(".SLUTT\n", f);
    if (fclose(f) != 0)
        abort();
    return sti;
}

// The cell library: one cross, 1 m at 10,000 UOR per master unit.
std::string lagCellebibliotek()
{
    std::string lib = benk::katalog_navn() + "/zvzera.cel";
    if (fs::exists(lib))
        return lib;
    DPoint3d o{0, 0, 0};
    if (mdlhost_dgnCreateFile(lib.c_str(), 0, 10000.0, "m", &o) != 0)
        abort();
    MSElement a{}, b{};
    DPoint3d pa[2] = {{-5000, 0, 0}, {5000, 0, 0}}, pb[2] = {{0, -5000, 0}, {0, 5000, 0}};
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    mdlLine_create(&a, nullptr, pa);
    mdlLine_create(&b, nullptr, pb);
    mdlCurrTrans_end();
    MSElementDescr *d = nullptr;
    mdlElmdscr_new(&d, nullptr, &a);
    mdlElmdscr_appendElement(d, &b);
    if (mdlhost_cellLibraryAddCell(lib.c_str(), u"KRYSS", u"", d) != 0)
        abort();
    mdlElmdscr_freeAll(&d);
    return lib;
}

// Top-level elements of the active model.
long tellElementer()
{
    MdlScanCriteria *sc = mdlScanCriteria_create();
    mdlScanCriteria_setModel(sc, 0);
    static uint32_t pos[65536];
    long sum = 0;
    int n = 0, rc = 0;
    do {
        rc = mdlScanCriteria_scan(sc, pos, 65536, &n);
        sum += n;
    } while (rc == 0 && n > 0);
    mdlScanCriteria_free(&sc);
    return sum;
}

void BM_ImportTilTegning(benchmark::State &state)
{
    const std::string &dir = benk::katalog("dgnimport_bench", temaTekst);
    long bytes = state.range(0) * 1000000L;
    std::string zera = lagZeraFil(bytes);
    std::string lib = lagCellebibliotek();
    std::string tema = dir + "/tema.tem";
    char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
    zvlibMain_initZvLib("ZvZera", 2, argv);
    static zeraBrukerGrensesnittData data{};
    data.standardFarge = 5;
    data.standardVekt = 1;
    data.standardFont = 105;
    data.standardTekstHoyde = data.standardTekstBredde = 5.0;
    data.standardCelleskala = data.symbolSkala = 1.0;
    data.fyllFlater = 1;
    snprintf(data.cellebibliotekNavn, sizeof data.cellebibliotekNavn, "%s", lib.c_str());
    snprintf(data.zeraFil, sizeof data.zeraFil, "%s", zera.c_str());
    brukerDataP = &data;
    batchModus = 1;
    lagreNivaa4 = 1;
    long elementer = 0;
    int runde = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string dgn = dir + "/import" + std::to_string(runde++) + ".dgn";
        fs::remove(dgn);
        DPoint3d o{0, 0, 0};
        if (mdlhost_dgnCreateFile(dgn.c_str(), 1, 1000.0, "m", &o) != 0 || mdlSystem_newDesignFile(dgn.c_str()) != 0)
            abort();
        SettKoordinatsystem(22);
        state.ResumeTiming();
        mdlhost_dgnBeginCommand();
        mdlCurrTrans_begin();
        mdlCurrTrans_masterUnitsIdentity(1);
        NyElementIndeks();
        int rc = perf_zera2dgn(zera.c_str(), tema.c_str(), (dir + "/import.log").c_str(), "", 0,
                               reinterpret_cast<MdlFunctionP>(dgnput_elm), nullptr,
                               reinterpret_cast<MdlFunctionP>(c_txt), nullptr);
        SlettElementIndeks();
        mdlCurrTrans_end();
        mdlhost_dgnEndCommand(1);
        state.PauseTiming();
        if (rc != 0)
            state.SkipWithError("the import failed");
        elementer = tellElementer();
        mdlhost_closeDesignFile();
        fs::remove(dgn);
        state.ResumeTiming();
    }
    benk::tellere(state, (long)fs::file_size(zera), Bmw.read);
    state.counters["elements_per_s"] =
        benchmark::Counter((double)state.iterations() * (double)elementer, benchmark::Counter::kIsRate);
    state.counters["design_elements"] = (double)elementer;
}
BENCHMARK(BM_ImportTilTegning)->Arg(10)->Arg(50)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
