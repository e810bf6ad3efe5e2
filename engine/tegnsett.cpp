// Character sets of ZERA files: conversion of the six Norwegian letters and
// the keys whose spelling holds one of them.
#include <cstring>

#include "kartmotor_int.h"
#include "sys/mdlsys.h"

namespace {

constexpr int LETTERS = 6;
constexpr int SETS = 4; // codes 1..4; 4 is ISO 8859-1 like 1
constexpr int BYTES = 256; // every byte value a map takes

// Æ æ Ø ø Å å, spelled in sets 1, 2, 3 and 4.
const unsigned char bokstav[LETTERS][SETS] = {
    {198, '[', 146, 198}, {230, '{', 145, 230}, {216, '\\', 157, 216},
    {248, '|', 155, 248}, {197, ']', 143, 197}, {229, '}', 134, 229},
};
enum { STORE_AE, SMAA_AE, STORE_OE, SMAA_OE, STORE_AA, SMAA_AA };

// Byte maps for every (in-set 0..4, out-set 1..4) pair.  The eighteen
// spellings of sets 1 to 3 are distinct bytes, so one map per pair is the
// whole conversion and "any set" needs no order of preference.
struct Omkodinger {
    unsigned char tabell[SETS + 1][SETS][BYTES];
    Omkodinger()
    {
        for (int inn = 0; inn <= SETS; inn++)
            for (int ut = 0; ut < SETS; ut++) {
                for (int c = 0; c < BYTES; c++)
                    tabell[inn][ut][c] = (unsigned char)c;
                for (int b = 0; b < LETTERS; b++) {
                    if (inn == 0) {
                        for (int s = 0; s < 3; s++)
                            tabell[inn][ut][bokstav[b][s]] = bokstav[b][ut];
                    } else {
                        tabell[inn][ut][bokstav[b][inn - 1]] = bokstav[b][ut];
                    }
                }
            }
    }
};

const Omkodinger &omkodinger()
{
    static const Omkodinger o;
    return o;
}

struct Nokkelmal {
    char (ScharStruct::*felt)[SCHAR_KEY_LEN];
    const char *foran;
    int bokstav; // STORE_OE or STORE_AA
    const char *etter;
};

const Nokkelmal nokler[] = {
    {&ScharStruct::hoydeKey, "..H", STORE_OE, "YDE"},
    {&ScharStruct::coordKey, "..N", STORE_OE, ""},
    {&ScharStruct::coordHKey, "..N", STORE_OE, "H"},
    {&ScharStruct::coordDKey, "..N", STORE_OE, "D"},
    {&ScharStruct::origoKey, "...ORIGO-N", STORE_OE, ""},
    {&ScharStruct::omraadeKey, "..OMR", STORE_AA, "DE"},
    {&ScharStruct::minKey, "...MIN-N", STORE_OE, ""},
    {&ScharStruct::maxKey, "...MAX-N", STORE_OE, ""},
    {&ScharStruct::nivaaKey, "..ZERA-NIV", STORE_AA, ""},
    {&ScharStruct::pixelKey, "..PIXEL-ST", STORE_OE, "RR"},
};

void sett_bokstav(char out[2], int b, int set)
{
    out[0] = (char)bokstav[b][set - 1];
    out[1] = '\0';
}

} // namespace

int16_t bbs_cstr78(char *text, int16_t *inSet, int16_t *outSet)
{
    int16_t inn = inSet != nullptr ? *inSet : -1;
    int16_t ut = outSet != nullptr ? *outSet : -1;
    // A negative in-set would index before the maps, so it counts as bad too.
    if (inn < 0 || inn > SETS) {
        toolSubsystem_printf("programming error in bbs_cstr78()\n");
        toolSubsystem_printf("unknown value for Informat, %hd\n", inn);
        return 1;
    }
    if (ut < 1 || ut > SETS) {
        toolSubsystem_printf("programming error in bbs_cstr78()\n");
        toolSubsystem_printf("unknown value for Outformat, %hd\n", ut);
        return 2;
    }
    if (text == nullptr)
        return 0;
    const unsigned char *map = omkodinger().tabell[inn][ut - 1];
    for (unsigned char *p = (unsigned char *)text; *p != '\0'; p++)
        *p = map[*p];
    return 0;
}

int16_t schar_init(int16_t *set, ScharStruct *keys)
{
    memset(keys, 0, sizeof *keys);
    int s = set != nullptr ? *set : 0;
    if (s < 1 || s > 3)
        return -2;
    sett_bokstav(keys->AE, STORE_AE, s);
    sett_bokstav(keys->ae, SMAA_AE, s);
    sett_bokstav(keys->OE, STORE_OE, s);
    sett_bokstav(keys->oe, SMAA_OE, s);
    sett_bokstav(keys->AA, STORE_AA, s);
    sett_bokstav(keys->aa, SMAA_AA, s);
    for (const Nokkelmal &m : nokler) {
        char *out = keys->*m.felt;
        char b[2];
        sett_bokstav(b, m.bokstav, s);
        kopier(out, SCHAR_KEY_LEN, m.foran);
        legg_til(out, SCHAR_KEY_LEN, b);
        legg_til(out, SCHAR_KEY_LEN, m.etter);
    }
    return 0;
}

int16_t shead_init(int16_t *set, SheadStruct *head, ScharStruct *keys)
{
    memset(head, 0, sizeof *head);
    head->charset = set != nullptr ? *set : 0;
    if (schar_init(set, keys) != 0) {
        char rutine[sizeof Bmw.acc_txt_rutnam];
        kopier(rutine, sizeof rutine, Bmw.acc_txt_rutnam);
        bmw_meld(rutine, 3, BMW_FATAL, Bmw.line);
        return -2;
    }
    kopier(head->tegnsett, sizeof head->tegnsett, tegnsett_navn(head->charset));
    head->minN = head->minE = head->minH = -9999999.9;
    head->maxN = head->maxE = head->maxH = 9999999.9;
    head->enhet = 1.0;
    head->zeraVersjon = 2.1;
    head->zeraNivaa = 4;
    head->hoyde = 0;
    return 0;
}

const char *tegnsett_navn(int set)
{
    switch (set) {
    case ZERA_CHARSET_ISO:
    case ZERA_CHARSET_ISO2:
        return "DECM8";
    case ZERA_CHARSET_7BIT:
        return "DECN7";
    case ZERA_CHARSET_DOS:
        return "DOSN8";
    default:
        return "";
    }
}
