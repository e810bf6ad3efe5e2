/* Services of the ZERA application that the engine and the GIS build call
   by name.  They keep no state and work before MdlMain has run. */
#ifndef ZVZERA_SERVICES_H
#define ZVZERA_SERVICES_H

#include <stdint.h>

#include "app/mdlapp.h"

#if defined(_WIN32)
#define ZVZERA_API __declspec(dllexport)
#else
#define ZVZERA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Text of an engine message (routine name and number) from message lists
   11 to 26 of the current application, cut to 131 characters.  0 when a
   text was produced, else 1 (out is then ""). */
ZVZERA_API int c_txt(char *rutnam, short *number, char *out);
ZVZERA_API int ZeraVersjonHarToDesimaler(double version);
ZVZERA_API const char *getZvZeraVersionInfo(int selector);
ZVZERA_API void SkalppHoydeSkrives(int useCallback, short *lineFlag, short *pointFlag, const char *theme, int type,
                                   MdlFunctionP callback);
ZVZERA_API const char *FinnZeraElementType(int type);
ZVZERA_API void FinnZeraElementNavn(char *name, int type);

/* Publishes the lagreNivaa4 field of the running application's settings
   record, which c_txt reads for the type-12 name of the report ("BMW" 22
   gives entry 49 when the field is 0).  Null (the start value): no settings
   record, level-4 storing counts as on. */
ZVZERA_API void zvzera_settLagreNivaa4Kilde(const int32_t *lagreNivaa4);

#ifdef __cplusplus
}
#endif

#endif
