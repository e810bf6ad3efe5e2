// What the engine's and the application's benchmarks share, on the
// engine's face: a temporary folder with a theme table, the ZERA
// application registered for its message texts, and the counters each
// benchmark reports.
#ifndef BENK_H
#define BENK_H

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "kartmotor.h"
#include "mdlhost.h"

namespace benk {

inline std::string &katalog_navn()
{
    static std::string katalog;
    return katalog;
}

// Writes navn in the folder with tekst as its content.
inline void skriv_tekst(const std::string &navn, const char *tekst)
{
    FILE *f = fopen((katalog_navn() + "/" + navn).c_str(), "wb");
    if (f == nullptr || fputs(tekst, f) == EOF || fclose(f) != 0)
        abort();
}

// Makes the folder (once per run) with the theme table tema.tem and
// registers the application; returns the folder.  The folder is removed at
// exit, unless the variable behold names one to keep, so that the files can
// be timed with a whole program afterwards.
inline const std::string &katalog(const char *navn, const char *temaTekst, const char *behold = nullptr)
{
    std::string &k = katalog_navn();
    if (!k.empty())
        return k;
    const char *kept = behold != nullptr ? getenv(behold) : nullptr;
    if (kept != nullptr && kept[0] != '\0') {
        k = kept;
        std::filesystem::create_directories(k);
    } else {
        std::string mal = std::string("/tmp/") + navn + "-XXXXXX";
        if (mkdtemp(mal.data()) == nullptr)
            abort();
        k = mal;
        atexit([] { std::filesystem::remove_all(katalog_navn()); });
    }
    skriv_tekst("tema.tem", temaTekst);
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
