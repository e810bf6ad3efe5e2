/* Kartmotor: the services the engine calls by name.  The application that
   loads the engine defines them (ZvZeraMS: the ZERA application and its
   zvlib), so the names are resolved when the two are loaded together.
   These are the engine's own declarations: the application's definitions
   are compiled against this header, so a signature that strays does not
   build. */
#ifndef KARTMOTOR_TJENESTER_H
#define KARTMOTOR_TJENESTER_H

#include <stddef.h>

#include "app/mdlapp.h"

/* Defined and exported by the application; a reference in the engine. */
#if defined(_WIN32)
#define KARTMOTOR_TJENESTE __declspec(dllexport)
#else
#define KARTMOTOR_TJENESTE __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Text of an engine message (routine name and number) from message lists
   11 to 26 of the current application, cut to 131 characters.  0 when a
   text was produced, else 1 (out is then ""). */
KARTMOTOR_TJENESTE int c_txt(char *rutnam, short *number, char *out);
/* 1 when a ZERA version's hundredths are not 0 (2.11, not 2.1), else 0. */
KARTMOTOR_TJENESTE int ZeraVersjonHarToDesimaler(double version);
/* Report texts: 1 the version, 3 the import's and 4 the export's program
   name; "" for any other selector. */
KARTMOTOR_TJENESTE const char *getZvZeraVersionInfo(int selector);
/* Whether heights are written for an element of theme and type: through
   callback ("PP": flag, theme and type letter) when useCallback, else by
   the built-in theme list.  Sets *pointFlag for type 1, else *lineFlag. */
KARTMOTOR_TJENESTE void SkalppHoydeSkrives(int useCallback, short *lineFlag, short *pointFlag, const char *theme,
                                           int type, MdlFunctionP callback);
/* zvlib's allocation: size zero-filled bytes, or null after the failure
   box (list, entry) was shown. */
KARTMOTOR_TJENESTE void *zvlibMem_mallocRscErrorPrintf(size_t size, int list, int entry, ...);

#ifdef __cplusplus
}
#endif

#endif
