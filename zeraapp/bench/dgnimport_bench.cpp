// Import into a design file: a generated ZERA file of points, long lines,
// texts and areas with islands, imported through the engine and the ZERA
// application's element writer into a new 3D design file, as one command.
// Reports MB/s of the ZERA file, elements written per second and the peak
// resident size; run for two sizes to see that memory does not follow the
// file.  A second benchmark imports a file of lines with and without their
// attributes as tags, to compare the two.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "benk.h"
#include "brukerdata.h"
#include "dgnbenk.h"
#include "dgnskriv.h"
#include "kartmotor.h"
#include "kartmotor_tjenester.h"
#include "mdlhost.h"
#include "zvlibtext.h"
#include "zeratagger.h"
#include "zvzera.h"

namespace {

namespace fs = std::filesystem;

const char *const temaTekst = dgnbenk::temaTekst;

std::string lagZeraFil(long maalBytes)
{
    std::string sti = benk::katalog_navn() + "/import" + std::to_string(maalBytes / 1000000) + ".zer";
    dgnbenk::lagZeraFil(sti, maalBytes);
    return sti;
}

std::string lagCellebibliotek()
{
    std::string lib = benk::katalog_navn() + "/zvzera.cel";
    dgnbenk::lagCellebibliotek(lib);
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

// Each round imports zera into a new design file of its own, timed from
// the command's start to its end; the design's element count.
long importer(benchmark::State &state, const std::string &dir, const std::string &navn, const std::string &zera,
              const std::string &tema, bool tagger)
{
    long elementer = 0;
    int runde = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string dgn = dir + "/" + navn + std::to_string(runde++) + ".dgn";
        fs::remove(dgn);
        DPoint3d o{0, 0, 0};
        if (mdlhost_dgnCreateFile(dgn.c_str(), 1, 1000.0, "m", &o) != 0 || mdlSystem_newDesignFile(dgn.c_str()) != 0)
            abort();
        SettKoordinatsystem(22);
        state.ResumeTiming();
        mdlhost_dgnBeginCommand();
        if (tagger && LagTagsett() != 0)
            state.SkipWithError("no tag set");
        mdlCurrTrans_begin();
        mdlCurrTrans_masterUnitsIdentity(1);
        NyElementIndeks();
        int rc = perf_zera2dgn(zera.c_str(), tema.c_str(), (dir + "/" + navn + ".log").c_str(), "", 0,
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
    return elementer;
}

void BM_ImportTilTegning(benchmark::State &state)
{
    const std::string &dir = benk::katalog("dgnimport_bench", temaTekst);
    long bytes = state.range(0) * 1000000L;
    std::string zera = lagZeraFil(bytes);
    std::string lib = lagCellebibliotek();
    std::string tema = dir + "/tema.tem";
    static zeraBrukerGrensesnittData data{};
    dgnbenk::settBrukerData(data, lib);
    zvlib::copyText(data.zeraFil, zera.c_str());
    batchModus = 1;
    lagreNivaa4 = 1;
    long elementer = importer(state, dir, "import", zera, tema, false);
    benk::tellere(state, (long)fs::file_size(zera), Bmw.read);
    state.counters["elements_per_s"] =
        benchmark::Counter((double)state.iterations() * (double)elementer, benchmark::Counter::kIsRate);
    state.counters["design_elements"] = (double)elementer;
}
BENCHMARK(BM_ImportTilTegning)->Arg(10)->Arg(50)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A line-heavy file: 3300 lines of punkter points, each with five
// attributes that the tag set file keeps as tags (16 500 tags).  An
// existing file is kept.
std::string lagLinjefil(int punkter)
{
    std::string sti = benk::katalog_navn() + "/linjer" + std::to_string(punkter) + ".zer";
    if (fs::exists(sti))
        return sti;
    FILE *f = fopen(sti.c_str(), "wb");
    if (f == nullptr)
        abort();
    fputs(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
          "..ZERA-NIV\xC5 2\n",
          f);
    for (long i = 1; i <= 3300; ++i) {
        long n0 = 660000000 + (i % 60) * 2000, e0 = 50000000 + (i / 60) * 2000;
        fprintf(f, ".LINJE %ld:\n..LTEMA 3001\n..DATO 2021%02ld%02ld\n..KVALITET 82 %ld\n..EIER \"Etat %ld\"\n"
                   "..VEGNR %ld\n..N\xD8H\n",
                i, 1 + i % 12, 1 + i % 28, 10 + i % 90, i % 40, i % 700);
        for (int p = 0; p < punkter; ++p)
            fprintf(f, "%ld %ld %d\n", n0 + p * 50, e0 + (p % 5) * 30, 1000 + p);
    }
    fputs(".SLUTT\n", f);
    if (fclose(f) != 0)
        abort();
    return sti;
}

// The same import without (0) and with (1) its attributes as tags, of
// lines of 20 and of 150 points; the ratio of the times of a pair is what
// storing tags costs.
void BM_ImportMedTagger(benchmark::State &state)
{
    const std::string &dir = benk::katalog("dgnimport_bench", temaTekst);
    const bool tagger = state.range(0) != 0;
    std::string zera = lagLinjefil(int(state.range(1)));
    std::string lib = lagCellebibliotek();
    std::string tema = dir + "/tema.tem";
    std::string tagfil = dir + "/linjer.tag";
    benk::skriv_tekst("linjer.tag", "..DATO BENK DATO 1 1 1 0 0\n"
                                    "..KVALITET BENK KV1 1 1 1 0 0\n"
                                    "..KVALITET BENK KV2 1 1 1 0 0\n"
                                    "..EIER BENK EIER 3 1 1 0 0\n"
                                    "..VEGNR BENK VEGNR 1 1 1 0 0\n");
    static zeraBrukerGrensesnittData data{};
    dgnbenk::settBrukerData(data, lib);
    zvlib::copyText(data.zeraFil, zera.c_str());
    zvlib::copyText(data.tagsetFil, tagfil.c_str());
    data.lagreEgenskaper = tagger ? 1 : 0;
    if (tagger && LesZeraTagsetInputFil(1, stderr) != 0)
        abort();
    batchModus = 1;
    lagreNivaa4 = 0;
    long elementer = importer(state, dir, "linjer", zera, tema, tagger);
    FrigjorTagsetTabell();
    data.lagreEgenskaper = 0;
    state.counters["design_elements"] = (double)elementer;
}
BENCHMARK(BM_ImportMedTagger)
    ->Args({0, 20})
    ->Args({1, 20})
    ->Args({0, 150})
    ->Args({1, 150})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

} // namespace

BENCHMARK_MAIN();
