// Opening a GIS project against the number of its features: a SQLite
// project made by gis create with n features, each with its ugfeature row
// (as the GIS build's set-up writes them), one category and one map; the time
// of mdlMapProject_open.  A project reads its catalogue once, so opening
// must cost in proportion to its rows: 16 000 features about four times
// 4 000 (it was quadratic, each feature scanning every ugfeature row).  And the largest mslink of such a feature table, which
// the key gis create makes reads from its index.
//
//   build-bench/bin/mdlgis_bench --benchmark_filter=Open
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "mdlhost.h"

namespace {

namespace fs = std::filesystem;

// A new project of n features in a folder of its own; "" when it cannot be
// made.
std::string makeProject(long n, std::string &dir)
{
    std::string tmpl = (fs::temp_directory_path() / "gisbench-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        return "";
    dir = tmpl;
    std::string name = dir + "/prosjekt.db";
    if (mdlhost_gisCreateProject(name.c_str()) != 0 || mdlhost_dbBegin() != 0)
        return "";
    bool ok = mdlDB_processSQL("insert into category (mslink, cname, indexname) values (1, 'Veg', 'index.dgn')") == 0 &&
              mdlDB_processSQL("insert into ugcategory (category, dgnfex) values (1, 'dgn')") == 0 &&
              mdlDB_processSQL("insert into maps (mslink, category, mapname) values (1, 1, 'veg.dgn')") == 0;
    char sql[512];
    for (long i = 1; ok && i <= n; ++i) {
        std::snprintf(sql, sizeof sql,
                      "insert into feature (mslink, fcode, fname, category, ftype, flevel, fcolor, newdup) "
                      "values (%ld, '%05ldL', '%05ldL_Tema', 1, 0, '%ld', 3, 0)",
                      i, i, i, 1000 + i % 100);
        ok = mdlDB_processSQL(sql) == 0;
        std::snprintf(sql, sizeof sql, "insert into ugfeature (feature, lsname) values (%ld, 'Stil%ld')", i, i % 7);
        ok = ok && mdlDB_processSQL(sql) == 0;
    }
    if (mdlhost_dbCommit() != 0 || !ok)
        return "";
    mdlhost_dbClose();
    return name;
}

void Open(benchmark::State &state)
{
    long n = state.range(0);
    std::string dir;
    std::string name = makeProject(n, dir);
    if (name.empty()) {
        state.SkipWithError("the project cannot be made");
        return;
    }
    for (auto _ : state) {
        if (mdlMapProject_open(name.c_str()) != 0) {
            state.SkipWithError("the project does not open");
            break;
        }
        benchmark::DoNotOptimize(geoProject_getFeatureCount(geoProject_getActive()));
        state.PauseTiming();
        mdlMapProject_close();
        state.ResumeTiming();
    }
    state.counters["features"] = static_cast<double>(n);
    std::error_code ec;
    fs::remove_all(dir, ec);
}

BENCHMARK(Open)->Arg(2000)->Arg(4000)->Arg(8000)->Arg(16000)->Unit(benchmark::kMillisecond)->Repetitions(3);

// The largest mslink of a feature table of n rows, which every insert of
// the GIS build's layer asks for: one index entry with the key gis
// create makes, whatever n.
void LargestMslink(benchmark::State &state)
{
    long n = state.range(0);
    std::string dir;
    std::string name = makeProject(n, dir);
    if (name.empty() || mdlMapProject_open(name.c_str()) != 0) {
        state.SkipWithError("the project cannot be made");
        return;
    }
    long largest = 0;
    for (auto _ : state) {
        if (mdlDB_largestMslink("feature", &largest) != 0) {
            state.SkipWithError("no largest mslink");
            break;
        }
        benchmark::DoNotOptimize(largest);
    }
    mdlMapProject_close();
    std::error_code ec;
    fs::remove_all(dir, ec);
}

BENCHMARK(LargestMslink)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
