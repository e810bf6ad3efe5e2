// Services of the ZERA application that the engine and the GIS build link
// by name.  They keep no state and so work when the application's MdlMain
// has never run; c_txt reads the settings record when there is one.
#include "zvzera_services.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "brukerdata.h"
#include "kartmotor.h"
#include "kartmotor_tjenester.h"
#include "kartmotor_typer.h"
#include "rsc/mdlrsc.h"
#include "zvlibmem.h"
#include "zvlibtext.h"

namespace {

constexpr int INGEN_LISTE = -1; // no resource file holds it
constexpr int BMW_LISTE = 11;

struct Rutine {
    const char *navn;
    int liste;
};

// Engine routine name -> message list of the application's resource file.
constexpr Rutine RUTINER[] = {
    {"BMW", BMW_LISTE}, {"MAXMIN", 12},   {"MP_ELM", 13},   {"MP_HEAD", 14},
    {"SG_BUFF", 15},    {"SG_COORD", 16}, {"SG_ELM", 17},   {"SG_HEAD", 18},
    {"SG_STR", 19},     {"SP_ELM", 20},   {"SP_HEAD", 21},  {"EZERSCAN", 22},
    {"PZERSCAN", 23},   {"ZERSCAN", 24},  {"MSTEMTAB", 25}, {"ZERA2DGN", 26},
};

// The type-12 name of the report (".FLATE") has a second wording for runs
// that do not store the level-4 groups.
constexpr int BMW_FLATE = 22;
constexpr int BMW_FLATE_IKKE_LAGRET = 49;

// lagreNivaa4 of the running application's settings record.  Without a
// record (before start-up, and in a process that never starts this
// application) level-4 storing counts as on, the setting's own default.
bool nivaa4Lagres() { return brukerDataP == nullptr || brukerDataP->lagreNivaa4 != 0; }

constexpr int TYPENAVN_LEN = 10; // FinnZeraElementNavn's buffer: ".STRUKTUR" and its NUL

} // namespace

// The definitions have C linkage here, so one whose signature strays from
// the engine's declaration (kartmotor_tjenester.h) does not build; the
// engine's declaration of zvlib's allocator meets zvlib's own above.
extern "C" {

int c_txt(char *rutnam, short *number, char *out)
{
    if (out == nullptr)
        return 1;
    out[0] = '\0';
    if (rutnam == nullptr || number == nullptr)
        return 1;
    int liste = INGEN_LISTE;
    for (const Rutine &r : RUTINER)
        if (strcmp(rutnam, r.navn) == 0) {
            liste = r.liste;
            break;
        }
    int entry = *number;
    if (liste == BMW_LISTE && entry == BMW_FLATE && !nivaa4Lagres())
        entry = BMW_FLATE_IKKE_LAGRET;
    return mdlOutput_rscsPrintf(out, BMW_CTXT_LEN, nullptr, liste, entry) > 0 ? 0 : 1;
}

int ZeraVersjonHarToDesimaler(double version)
{
    double x = version * 100 + 0.00001;
    // Outside int the conversion is undefined; no real version lies there.
    if (!(x > (double)INT_MIN - 1.0 && x < (double)INT_MAX + 1.0))
        return 0;
    int n = (int)x;
    return n > 10 * (n / 10) ? 1 : 0;
}

const char *getZvZeraVersionInfo(int selector)
{
    switch (selector) {
    case 1: return "03.04 - 04.12.2009";
    case 3: return "ZVZERA  Import";
    case 4: return "ZVZERA  Export";
    default: return "";
    }
}

void SkalppHoydeSkrives(int useCallback, short *lineFlag, short *pointFlag, const char *theme, int type,
                        MdlFunctionP callback)
{
    short *flagg = type == ZERA_PUNKT ? pointFlag : lineFlag;
    if (theme == nullptr)
        theme = "";
    if (useCallback) {
        if (callback == nullptr)
            return;
        // Theme code and type letter; a theme longer than the element
        // record's is cut.
        char tekst[ZERA_THEME_LEN + 2];
        snprintf(tekst, sizeof tekst, "%s%s", theme, FinnZeraElementType(type));
        dlmSystem_callMdlFunction(mdlSystem_getCurrMdlDesc(), callback, "PP", flagg, tekst);
        return;
    }
    if (flagg == nullptr)
        return;
    // Only exact four-digit codes count, so an out-of-range number is 0.
    long v = strtol(theme, nullptr, 10);
    int n = (v >= INT_MIN && v <= INT_MAX) ? (int)v : 0;
    if (type == ZERA_PUNKT)
        *flagg = (n == 2101 || n == 2102 || n == 2103 || n == 2106) ? 1 : 0;
    else
        *flagg = (n == 2001 || n == 2003 || n == 2004 || n == 3001 || n == 3004 || n == 3101 || n == 3102) ? 1 : 0;
}

const char *FinnZeraElementType(int type) { return zera_typebokstav(type); }

void FinnZeraElementNavn(char *name, int type)
{
    if (name == nullptr)
        return;
    // The engine's group names of types 1 to 15 (14 has none); .SYMBOL is
    // not named here.
    const char *navn = (type >= ZERA_PUNKT && type < ZERA_SYMBOL) ? zera_typenavn(type) : "";
    zvlib::copyText(name, TYPENAVN_LEN, navn);
}

} // extern "C"
