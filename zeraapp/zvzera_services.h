/* Services of the ZERA application that the engine and the GIS build call
   by name.  They keep no state and work before MdlMain has run; c_txt
   reads lagreNivaa4 of the settings record (brukerdata.h) when there is
   one ("BMW" 22 gives entry 49 when it is 0). */
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

#ifdef __cplusplus
}
#endif

#endif
