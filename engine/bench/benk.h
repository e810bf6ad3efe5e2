// What the benchmarks share: a temporary folder with a theme table, the
// ZERA application registered for its message texts, and the counters each
// benchmark reports.
#ifndef BENK_H
#define BENK_H

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "kartmotor_int.h"
#include "mdlhost.h"

namespace benk {

inline std::string &katalog_navn()
{
    static std::string katalog;
    return katalog;
}

// Makes the folder (once per run, removed at exit) with the theme table
// tema.tem and registers the application; returns the folder.
inline const std::string &katalog(const char *navn, const char *temaTekst)
{
    std::string &k = katalog_navn();
    if (!k.empty())
        return k;
    std::string mal = std::string("/tmp/") + navn + "-XXXXXX";
    if (mkdtemp(mal.data()) == nullptr)
        abort();
    k = mal;
    atexit([] { std::filesystem::remove_all(katalog_navn()); });
    FILE *f = fopen((k + "/tema.tem").c_str(), "wb");
    if (f == nullptr || fputs(temaTekst, f) == EOF || fclose(f) != 0)
        abort();
    mdlhost_setCurrMdlDesc(mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc"));
    return k;
}

// MB/s in decimal megabytes (bytes_per_second counts in MiB), the file's
// size, the peak resident size and the elements counted per type.
inline void tellere(benchmark::State &state, long bytes, const int32_t *perType)
{
    state.SetBytesProcessed((int64_t)state.iterations() * bytes);
    state.counters["MB_per_s"] =
        benchmark::Counter((double)state.iterations() * (double)bytes / 1e6, benchmark::Counter::kIsRate);
    state.counters["file_MB"] = (double)bytes / 1e6;
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["peak_rss_MB"] = (double)ru.ru_maxrss / 1024.0;
    double elementer = 0;
    for (int t = 0; t < ZERA_TYPE_COUNT; t++)
        elementer += perType[t];
    state.counters["elements"] = elementer;
}

} // namespace benk

#endif
