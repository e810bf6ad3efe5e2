// A batch job as the application runs one unattended: 100 generated ZERA
// files (at least 100 MB in all) imported by the batch driver (LesBatchFil,
// KjoerBatch) into 100 new design files made from a seed, then those designs
// exported back to ZERA by a second job.  Each job runs as the host runs the
// start-up keyin: one command, the report in a file of its own.  Reports MB/s
// and seconds per MB of the ZERA files, and the time per file of the first
// ten items against the last ten (from the times each item's output was
// written), so a cost that grows with the files done before shows.
// BATCH_BENCH_DIR=dir keeps the files.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "batch.h"
#include "benk.h"
#include "brukerdata.h"
#include "dgnbenk.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zvzera.h"

namespace {

namespace fs = std::filesystem;

constexpr int FILER = 100;
constexpr long FIL_BYTES = 1050000;

struct Oppsett {
    std::string dir;
    long zeraBytes = 0; // the 100 input files
    zeraBrukerGrensesnittData data{};
};

void skriv(const std::string &sti, const std::string &tekst)
{
    FILE *f = fopen(sti.c_str(), "wb");
    if (f == nullptr || fputs(tekst.c_str(), f) == EOF || fclose(f) != 0)
        abort();
}

Oppsett &oppsett()
{
    static Oppsett o;
    if (!o.dir.empty())
        return o;
    o.dir = benk::katalog("batch_bench", dgnbenk::temaTekst, "BATCH_BENCH_DIR");
    for (const char *d : {"zer", "dgn", "ut", "logs", "tmp"})
        fs::create_directories(o.dir + "/" + d);
    for (int i = 0; i < FILER; i++) {
        char navn[32];
        snprintf(navn, sizeof navn, "/zer/kart%03d.zer", i);
        dgnbenk::lagZeraFil(o.dir + navn, FIL_BYTES, 1000L * i);
        o.zeraBytes += (long)fs::file_size(o.dir + navn);
    }
    dgnbenk::lagCellebibliotek(o.dir + "/zvzera.cel");
    DPoint3d origo{0, 0, 0};
    fs::remove(o.dir + "/seed3d.dgn");
    if (mdlhost_dgnCreateFile((o.dir + "/seed3d.dgn").c_str(), 1, 1000.0, "m", &origo) != 0)
        abort();
    // The export's header: level 4, so the areas go out as areas.
    skriv(o.dir + "/hode.hod", ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n"
                               "...ENHET 0.01\n..OMR\xC5" "DE\n...MIN-N\xD8 6600000 500000\n"
                               "...MAX-N\xD8 6700000 600000\n..ZERA-VERSJON 4.0\n..ZERA-NIV\xC5 4\n.SLUTT\n");
    skriv(o.dir + "/import.job", "Type: IMPORT\nTemafil: " + o.dir + "/tema.tem\nSeedfil: " + o.dir +
                                     "/seed3d.dgn\nLoggfil: " + o.dir + "/logs/inn.log\nBrytere-import: 1 0 0 0 0 0\n"
                                     "ZERA-dir: " + o.dir + "/zer/\nDGN-dir: " + o.dir + "/dgn/\n"
                                     "Filnavn: * kart*.zer\n");
    skriv(o.dir + "/eksport.job", "Type: EKSPORT\nTemafil: " + o.dir + "/tema.tem\nHodefil: " + o.dir +
                                      "/hode.hod\nLoggfil: " + o.dir + "/logs/ut.log\nBrytere-eksport: 0 0 0 0 0 0 0\n"
                                      "DGN-dir: " + o.dir + "/dgn/\nZERA-dir: " + o.dir + "/ut/\n"
                                      "Filnavn: *.dgn\n");
    mdlSystem_defineConfigurationVariable("ZVZERA_TEMP", (o.dir + "/tmp/").c_str(), MDLHOST_CFGLEVEL_SYSTEM);
    dgnbenk::settBrukerData(o.data, o.dir + "/zvzera.cel");
    return o;
}

// Seconds since the epoch of the file's last write.
double skrevet(const std::string &sti)
{
    struct stat st {};
    if (stat(sti.c_str(), &st) != 0)
        return 0;
    return (double)st.st_mtim.tv_sec + (double)st.st_mtim.tv_nsec * 1e-9;
}

// Runs the job as the start-up does with a report file; false when not
// every item was converted.
bool kjoer(const std::string &jobbFil, const std::string &rapport)
{
    FILE *fp = dlmSystem_mdlFopen(rapport.c_str(), "w");
    if (fp == nullptr)
        return false;
    batchModus = 1;
    rapportFil = fp;
    rapportTilFil = 1;
    static BatchJobb jobb;
    mdlhost_dgnBeginCommand();
    bool ok = LesBatchFil(jobbFil.c_str(), 0, &jobb, fp) == 0 && jobb.count == FILER;
    int antall = jobb.count;
    if (ok)
        KjoerBatch(&jobb, fp);
    else
        dlmSystem_mdlFclose(fp);
    mdlhost_dgnEndCommand(1);
    FrigjorBatchJobb(&jobb);
    mdlhost_closeDesignFile();
    FILE *les = fopen(rapport.c_str(), "rb");
    std::string tekst;
    char buf[4096];
    size_t n;
    while (les != nullptr && (n = fread(buf, 1, sizeof buf, les)) > 0)
        tekst.append(buf, n);
    if (les != nullptr)
        fclose(les);
    return ok && tekst.find("\n" + std::to_string(antall) + " ZERA-filer er") != std::string::npos;
}

// Per item, the time from the previous item's output (or the start) to
// its own, in ms; the output of item i is utdata(i).
template <class F> std::vector<double> tiderPerFil(double start, F utdata)
{
    std::vector<double> t;
    double forrige = start;
    for (int i = 0; i < FILER; i++) {
        double naa = skrevet(utdata(i));
        t.push_back((naa - forrige) * 1000.0);
        forrige = naa;
    }
    return t;
}

void tellere(benchmark::State &state, long bytes, const std::vector<double> &ms)
{
    static const int32_t ingen[ZERA_TYPE_COUNT] = {}; // the engine counts one file at a time
    benk::tellere(state, bytes, ingen);
    double sekunder = 0;
    for (double m : ms)
        sekunder += m / 1000.0;
    state.counters["s_per_MB"] = sekunder / ((double)bytes / 1e6);
    auto snitt = [&](int fra) {
        double s = 0;
        for (int i = fra; i < fra + 10; i++)
            s += ms[i];
        return s / 10.0;
    };
    state.counters["first10_ms_per_file"] = snitt(0);
    state.counters["last10_ms_per_file"] = snitt(FILER - 10);
    state.counters["last10_over_first10"] = snitt(FILER - 10) / snitt(0);
    state.counters["files"] = FILER;
}

double naa()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Runs the job once and reports it; utdata names the output written last
// for item i (its folder and a name of %03d); bytes is the ZERA size the
// rates are of, or 0 for the size of the files in folder ut.
void maal(benchmark::State &state, const char *jobb, const char *utdata, int forste, long bytes)
{
    Oppsett &o = oppsett();
    std::vector<double> ms;
    for (auto _ : state) {
        double start = naa();
        if (!kjoer(o.dir + "/" + jobb + ".job", o.dir + "/" + jobb + ".rep")) {
            state.SkipWithError("not every item was converted: see the report");
            return;
        }
        ms = tiderPerFil(start, [&](int i) {
            char navn[32];
            snprintf(navn, sizeof navn, utdata, i + forste);
            return o.dir + navn;
        });
    }
    if (bytes == 0)
        for (const auto &f : fs::directory_iterator(o.dir + "/ut"))
            bytes += (long)f.file_size();
    tellere(state, bytes, ms);
}

void BM_BatchImport(benchmark::State &state)
{
    maal(state, "import", "/logs/inn%03d.log", 1, oppsett().zeraBytes);
    long dgn = 0;
    for (const auto &f : fs::directory_iterator(oppsett().dir + "/dgn"))
        dgn += (long)f.file_size();
    state.counters["design_MB"] = (double)dgn / 1e6;
}
BENCHMARK(BM_BatchImport)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// MB/s of the ZERA files written.
void BM_BatchEksport(benchmark::State &state) { maal(state, "eksport", "/ut/kart%03d.zer", 0, 0); }
BENCHMARK(BM_BatchEksport)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
