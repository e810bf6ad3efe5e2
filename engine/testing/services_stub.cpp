// The five services the engine calls by name, for the engine's own tests,
// tool, benchmarks and fuzzers, which run without the application.  They
// give what ZvZeraMS's services give to a process without its settings
// record.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kartmotor.h"
#include "kartmotor_tjenester.h"
#include "kartmotor_typer.h"
#include "rsc/mdlrsc.h"
#include "sys/mdlsys.h"

namespace {

struct Rutine {
    const char *navn;
    int liste;
};

// The application's table: engine routine name -> message list of its resource file.
constexpr Rutine RUTINER[] = {
    {"BMW", 11},     {"MAXMIN", 12},   {"MP_ELM", 13},   {"MP_HEAD", 14},   {"SG_BUFF", 15},  {"SG_COORD", 16},
    {"SG_ELM", 17},  {"SG_HEAD", 18},  {"SG_STR", 19},   {"SP_ELM", 20},    {"SP_HEAD", 21},  {"EZERSCAN", 22},
    {"PZERSCAN", 23}, {"ZERSCAN", 24}, {"MSTEMTAB", 25}, {"ZERA2DGN", 26},
};

} // namespace

extern "C" {

// No settings record here, so level-4 storing counts as on: "BMW" 22 is never swapped.
int c_txt(char *rutnam, short *number, char *out)
{
    if (out == nullptr)
        return 1;
    out[0] = '\0';
    if (rutnam == nullptr || number == nullptr)
        return 1;
    int liste = -1; // no resource file holds it
    for (const Rutine &r : RUTINER)
        if (strcmp(rutnam, r.navn) == 0) {
            liste = r.liste;
            break;
        }
    return mdlOutput_rscsPrintf(out, BMW_CTXT_LEN, nullptr, liste, *number) > 0 ? 0 : 1;
}

int ZeraVersjonHarToDesimaler(double version)
{
    double x = version * 100 + 0.00001;
    if (!(x > (double)INT_MIN - 1.0 && x < (double)INT_MAX + 1.0))
        return 0;
    int n = (int)x;
    return n > 10 * (n / 10) ? 1 : 0;
}

// The application's version and program names, which the reports print.
const char *getZvZeraVersionInfo(int selector)
{
    switch (selector) {
    case 1: return "03.04 - 04.12.2009";
    case 3: return "ZVZERA  Import";
    case 4: return "ZVZERA  Export";
    default: return "";
    }
}

// The application's rule: the callback, or its built-in height themes.
void SkalppHoydeSkrives(int useCallback, short *lineFlag, short *pointFlag, const char *theme, int type,
                        MdlFunctionP callback)
{
    short *flagg = type == ZERA_PUNKT ? pointFlag : lineFlag;
    if (theme == nullptr)
        theme = "";
    if (useCallback) {
        if (callback == nullptr)
            return;
        char tekst[ZERA_THEME_LEN + 2];
        snprintf(tekst, sizeof tekst, "%s%s", theme, zera_typebokstav(type));
        dlmSystem_callMdlFunction(mdlSystem_getCurrMdlDesc(), callback, "PP", flagg, tekst);
        return;
    }
    if (flagg == nullptr)
        return;
    long v = strtol(theme, nullptr, 10);
    int n = (v >= INT_MIN && v <= INT_MAX) ? (int)v : 0;
    if (type == ZERA_PUNKT)
        *flagg = (n == 2101 || n == 2102 || n == 2103 || n == 2106) ? 1 : 0;
    else
        *flagg = (n == 2001 || n == 2003 || n == 2004 || n == 3001 || n == 3004 || n == 3101 || n == 3102) ? 1 : 0;
}

// Zero-filled from the host; no failure box, as nobody is there to answer it.
void *zvlibMem_mallocRscErrorPrintf(size_t size, int, int, ...)
{
    void *p = dlmSystem_mdlMalloc(size);
    if (p != nullptr)
        memset(p, 0, size);
    return p;
}

} // extern "C"
