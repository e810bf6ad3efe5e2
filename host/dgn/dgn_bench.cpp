// Design-file throughput: line strings of 20 to 200 vertices added to a new
// design file in one command, scanned, and read back by position.  Prints
// elements per second per phase, the file's bytes per element and its size
// against the raw coordinates (x, y as doubles).
//
// DGN_BENCH_COUNT sets the number of elements (default one million),
// DGN_BENCH_DIR where the file goes (default the temporary directory), and
// DGN_BENCH_KEEP=1 keeps the file for a look at its pages afterwards.
// The coordinates are whole UOR (millimetres) in a 100 km square, each line
// a random walk of steps up to 10 m: what map data looks like.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "base/text_host.h"
#include "dgn_int.h"
#include "dgn/mdlelem.h"
#include "mdlhost.h"

namespace {

namespace fs = std::filesystem;

constexpr long kDefaultCount = 1000000;
constexpr int kMinVertices = 20;
constexpr int kMaxVertices = 200;

struct Run {
    std::string dir;
    std::string file;
    long count = 0;
    double rawBytes = 0;     // 16 bytes per vertex
    uint64_t vertexSum = 0;  // of the elements added, checked on read
    std::vector<uint32_t> positions;
    bool added = false;
};

Run run;

long envCount()
{
    const char *v = getenv("DGN_BENCH_COUNT");
    if (v == nullptr || *v == '\0')
        return kDefaultCount;
    int64_t n = 0;
    if (!mdlhost::parseInt64(v, n) || n <= 0 || n > 0x7FFFFFF0L) {
        fprintf(stderr, "DGN_BENCH_COUNT must be a positive count; using %ld\n", kDefaultCount);
        return kDefaultCount;
    }
    return static_cast<long>(n);
}

void cleanUp()
{
    mdlhost_closeDesignFile();
    const char *keep = getenv("DGN_BENCH_KEEP");
    if (keep && *keep == '1') {
        fprintf(stderr, "kept %s\n", run.file.c_str());
        return;
    }
    std::error_code ec;
    if (!run.dir.empty())
        fs::remove_all(run.dir, ec);
}

bool setUp()
{
    const char *base = getenv("DGN_BENCH_DIR");
    std::string tmpl = (fs::path(base && *base ? base : fs::temp_directory_path().string()) /
                        "dgn_bench-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr)
        return false;
    run.dir = tmpl;
    run.file = run.dir + "/bench.dgn";
    run.count = envCount();
    atexit(cleanUp);
    DPoint3d origin{0, 0, 0};
    return mdlhost_dgnCreateFile(run.file.c_str(), 0, 1000.0, "m", &origin) == 0 &&
           mdlSystem_newDesignFile(run.file.c_str()) == 0;
}

// Deterministic pseudo-random numbers (64-bit LCG, high bits).
struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
    double whole(uint32_t range) { return static_cast<double>(next() % range); }
};

void BM_Add(benchmark::State &state)
{
    if (!setUp()) {
        state.SkipWithError("cannot create the design file");
        return;
    }
    Random rnd;
    MSElement el;
    std::vector<DPoint3d> pts(kMaxVertices);
    run.positions.reserve(static_cast<size_t>(run.count));
    for (auto _ : state) {
        mdlhost_dgnBeginCommand();
        for (long i = 0; i < run.count; ++i) {
            int n = kMinVertices + static_cast<int>(rnd.next() % (kMaxVertices - kMinVertices + 1));
            DPoint3d p{rnd.whole(100000000), rnd.whole(100000000), 0};
            for (int k = 0; k < n; ++k) {
                pts[k] = p;
                p.x += rnd.whole(20001) - 10000;
                p.y += rnd.whole(20001) - 10000;
            }
            uint32_t pos = 0;
            if (mdlLineString_create(&el, nullptr, pts.data(), n) == 0)
                pos = mdlElement_add(&el);
            if (pos == 0) {
                mdlhost_dgnEndCommand(0);
                state.SkipWithError("adding failed");
                return;
            }
            run.positions.push_back(pos);
            run.rawBytes += 16.0 * n;
            run.vertexSum += static_cast<uint64_t>(n);
        }
        if (mdlhost_dgnEndCommand(1) != 0) {
            state.SkipWithError("the command did not commit");
            return;
        }
    }
    // Closed, so that the size is the file's alone and the next phases
    // read from a file opened afresh.
    mdlhost_closeDesignFile();
    std::error_code ec;
    double size = static_cast<double>(fs::file_size(run.file, ec));
    run.added = !ec;
    state.SetItemsProcessed(run.count);
    state.counters["elements_per_s"] = benchmark::Counter(static_cast<double>(run.count), benchmark::Counter::kIsRate);
    state.counters["bytes_per_element"] = size / static_cast<double>(run.count);
    state.counters["raw_bytes_per_element"] = run.rawBytes / static_cast<double>(run.count);
    state.counters["file_to_raw"] = size / run.rawBytes;
    state.counters["file_MB"] = size / 1e6;
}

bool reopen(benchmark::State &state)
{
    if (!run.added) {
        state.SkipWithError("nothing was added");
        return false;
    }
    if (mdlModelRef_getActive() == MDLHOST_NO_MODEL && mdlSystem_newDesignFile(run.file.c_str()) != 0) {
        state.SkipWithError("cannot open the design file");
        return false;
    }
    return true;
}

void BM_Scan(benchmark::State &state)
{
    if (!reopen(state))
        return;
    long seen = 0;
    for (auto _ : state) {
        seen = 0;
        mdlhost::dgn::ScanFilter all;
        int rc = mdlhost::dgn::storeScan(mdlModelRef_getActive(), all, [&](uint32_t pos) {
            benchmark::DoNotOptimize(pos);
            ++seen;
            return 0;
        });
        if (rc != 0) {
            state.SkipWithError("the scan failed");
            return;
        }
    }
    if (seen != run.count)
        state.SkipWithError("the scan did not give every element");
    state.SetItemsProcessed(state.iterations() * seen);
    state.counters["elements_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * seen), benchmark::Counter::kIsRate);
}

void BM_ReadByPosition(benchmark::State &state)
{
    if (!reopen(state))
        return;
    static MSElement el;
    DgnModelRefP model = mdlModelRef_getActive();
    uint64_t vertices = 0;
    for (auto _ : state) {
        vertices = 0;
        for (uint32_t pos : run.positions) {
            if (mdlElement_read(&el, model, pos) != 0) {
                state.SkipWithError("a read failed");
                return;
            }
            vertices += el.linear.numVerts;
        }
    }
    if (vertices != run.vertexSum)
        state.SkipWithError("the elements read back differ from those added");
    long n = static_cast<long>(run.positions.size());
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["elements_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * n), benchmark::Counter::kIsRate);
}

// The feature geometry alone (in memory), to tell its share of an add.
void BM_EncodeFeature(benchmark::State &state)
{
    Random rnd;
    std::vector<DPoint3d> pts(kMaxVertices);
    static MSElementDescr dscr;
    for (int k = 0; k < kMaxVertices; ++k)
        pts[k] = {rnd.whole(100000000), rnd.whole(100000000), 0};
    if (mdlLineString_create(&dscr.el, nullptr, pts.data(), (kMinVertices + kMaxVertices) / 2) != 0) {
        state.SkipWithError("cannot create the line string");
        return;
    }
    std::vector<uint8_t> blob;
    std::string text;
    for (auto _ : state) {
        blob.clear();
        benchmark::DoNotOptimize(mdlhost::dgn::encodeFeatureGeometry(&dscr, false, blob, text));
        benchmark::DoNotOptimize(blob.data());
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_EncodeFeature)->Unit(benchmark::kNanosecond);
// One pass each: the phases share one file and a pass takes seconds.
BENCHMARK(BM_Add)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_Scan)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadByPosition)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
