/* Kartmotor: what the engine knows of each element type code, in one
   table: group name, type letter, the data type a theme-table row must
   have, the writer's theme key, level 4 and line type.  The reader, the
   writer, the matcher, the template and the application's services all
   read it here.  Inline, so the application uses it without any engine
   function being exported. */
#ifndef KARTMOTOR_TYPER_H
#define KARTMOTOR_TYPER_H

#include <stdint.h>
#include <string.h>

#include "kartmotor.h"

struct ZeraTypeFakta {
    int16_t kode;
    const char *gruppe;     /* group name; null: the code has no group */
    const char *bokstav;    /* type letter of the services, and of template rows of untested types */
    const char *datatype;   /* a theme-table row's data type; "" not tested, null no row fits */
    const char *temanokkel; /* theme key the writer puts out; null: not written */
    bool nivaa4;            /* level 4: made of references to other elements */
    bool linje;             /* a line whose group may carry "...PTEMA" points */
};

inline constexpr ZeraTypeFakta ZERA_TYPER[] = {
    {ZERA_HODE, ".HODE", "P", nullptr, nullptr, false, false},
    {ZERA_PUNKT, ".PUNKT", "P", "P", "..PTEMA", false, false},
    {ZERA_SVERM, ".SVERM", "P", "P", "..PTEMA", false, false},
    {ZERA_LINJE, ".LINJE", "L", "L", "..LTEMA", false, true},
    {ZERA_KURVE, ".KURVE", "L", "L", "..LTEMA", false, true},
    {ZERA_BUE, ".BUE", "L", "L", "..LTEMA", false, true},
    {ZERA_BUEP, ".BUEP", "L", "L", "..LTEMA", false, true},
    {ZERA_SIRKEL, ".SIRKEL", "L", "L", "..LTEMA", false, false},
    {ZERA_SIRKELP, ".SIRKELP", "L", "L", "..LTEMA", false, false},
    {ZERA_KLOTOIDE, ".KLOTOIDE", "L", "L", "..LTEMA", false, false},
    {ZERA_TEKST, ".TEKST", "T", "T", "..TTEMA", false, false},
    {ZERA_TRASE, ".TRASE", "F", "F", "..LTEMA", true, false},
    {ZERA_FLATE, ".FLATE", "F", "F", "..FTEMA", true, false},
    {ZERA_STRUKTUR, ".STRUKTUR", "F", "F", "..FTEMA", true, false},
    {14, nullptr, "F", "", nullptr, false, false}, /* a code with no group; rows are not tested for it */
    {ZERA_RASTER, ".RASTER", "F", "", "..FTEMA", false, false},
    /* A symbol matches text rows, yet its letter stays the area's. */
    {ZERA_SYMBOL, ".SYMBOL", "F", "T", "..PTEMA", false, false},
    {ZERA_DEF, ".DEF", "P", nullptr, nullptr, false, false},
    {ZERA_SLUTT, ".SLUTT", "P", nullptr, nullptr, false, false},
};

/* The row of a code; null for a code the table does not hold. */
inline constexpr const ZeraTypeFakta *zera_type(int kode)
{
    for (const ZeraTypeFakta &t : ZERA_TYPER)
        if (t.kode == kode)
            return &t;
    return nullptr;
}

/* Type code of a group name by exact comparison (".PUNKT" 1 ... ; other -3). */
inline int16_t zera_typekode(const char *groupName)
{
    // The letter after the dot first: most names differ there.
    for (const ZeraTypeFakta &t : ZERA_TYPER)
        if (t.gruppe != nullptr && groupName[0] == t.gruppe[0] && groupName[1] == t.gruppe[1] &&
            strcmp(groupName, t.gruppe) == 0)
            return t.kode;
    return ZERA_UKJENT;
}

/* Group name of a type code, "" for codes without one. */
inline constexpr const char *zera_typenavn(int type)
{
    const ZeraTypeFakta *t = zera_type(type);
    return t != nullptr && t->gruppe != nullptr ? t->gruppe : "";
}

/* Type letter: "P" below 3, "L" 3 to 9, "T" 10, "F" above 10; a code
   outside the table is "P" below 3 and "F" above. */
inline constexpr const char *zera_typebokstav(int type)
{
    const ZeraTypeFakta *t = zera_type(type);
    if (t != nullptr)
        return t->bokstav;
    return type < ZERA_LINJE ? "P" : "F";
}

/* Data-type letter a theme-table row must have for the element type; ""
   when the type is not tested, null when no row can fit it. */
inline constexpr const char *zera_krevd_datatype(int type)
{
    const ZeraTypeFakta *t = zera_type(type);
    return t != nullptr ? t->datatype : nullptr;
}

/* Data type of a template row for the type: the one the matcher wants, so
   that the row, once loaded, can match; the type letter where rows are
   not tested. */
inline constexpr const char *zera_maldatatype(int type)
{
    const char *d = zera_krevd_datatype(type);
    return d != nullptr && d[0] != '\0' ? d : zera_typebokstav(type);
}

/* Theme key the writer puts out for the type; null when it writes none. */
inline constexpr const char *zera_temanokkel(int type)
{
    const ZeraTypeFakta *t = zera_type(type);
    return t != nullptr ? t->temanokkel : nullptr;
}

/* Level 4: .TRASE, .FLATE and .STRUKTUR, made of references. */
inline constexpr bool zera_nivaa4(int type)
{
    const ZeraTypeFakta *t = zera_type(type);
    return t != nullptr && t->nivaa4;
}

/* A line whose group may carry "...PTEMA" points: .LINJE, .KURVE, .BUE,
   .BUEP. */
inline constexpr bool zera_linjetype(int type)
{
    const ZeraTypeFakta *t = zera_type(type);
    return t != nullptr && t->linje;
}

/* Adds one to the counter of the type in a per-type array (types 1 to
   ZERA_TYPE_COUNT); other codes are not counted. */
inline void zera_tell(int32_t (&teller)[ZERA_TYPE_COUNT], int type)
{
    if (type >= 1 && type <= ZERA_TYPE_COUNT)
        teller[type - 1]++;
}

#endif
