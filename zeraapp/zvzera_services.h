/* Services of the ZERA application that the engine and the GIS build call
   by name.  They keep no state and work before MdlMain has run. */
#ifndef ZVZERA_SERVICES_H
#define ZVZERA_SERVICES_H

#include <stdint.h>

#include "app/mdlapp.h"
#include "kartmotor_tjenester.h"

#if defined(_WIN32)
#define ZVZERA_API __declspec(dllexport)
#else
#define ZVZERA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* c_txt, ZeraVersjonHarToDesimaler, getZvZeraVersionInfo and
   SkalppHoydeSkrives are declared by the engine, which calls them. */
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
