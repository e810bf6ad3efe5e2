/* Export of the active design model (or of the fence) to ZERA: the scan
   passes, the classification of each element into Elm, the export index,
   raster attachments, and complex elements and areas (eksportflate.cpp).
   The caller opens the run with init_dgn2zera and ends it with
   exit_dgn2zera; EksporterTegning runs in between.

   Sections: the export index - message numbers - the run - classification
   and writing - complex elements and areas. */
#ifndef ZVZERA_EKSPORT_H
#define ZVZERA_EKSPORT_H

#include <stdint.h>

#include "dgn/mdldgn.h"
#include "zvzera_services.h"

/* ---- the export index ---------------------------------------------------------
   One member per written element that has a file position. */
typedef struct EksportIndeksPost {
    int32_t id;            /* serial; negated for a .BUE with a positive radius */
    uint32_t filePos;
    int32_t modelRef;      /* the host's model id, never a pointer */
    uint32_t graphicGroup; /* 0: none */
} EksportIndeksPost;

/* ---- message numbers (routine MSTEMTAB, message list 25) ---------------------- */
#define EKSPORT_FKB_UTELATT 26    /* FKB group not selected */
#define EKSPORT_TEKST_I_GRUPPE 28 /* text in a graphic group at level 4 */
#define EKSPORT_CELLE_I_GRUPPE 29 /* shared cell in a graphic group at level 4 */
#define EKSPORT_ELLIPSE 30        /* ellipse that is not a circle */
#define EKSPORT_ELLIPSEBUE 31     /* elliptic arc */
#define EKSPORT_BUE_IKKE_PLAN 39  /* arc that cannot be made planar */
#define EKSPORT_KUTTET 43         /* a text cut to its field */
#define EKSPORT_FOR_MANGE_SYMBOLER 44
#define EKSPORT_FOR_MANGE_PUNKTER 45 /* a run of joined pieces ended early */
#define EKSPORT_FOR_MANGE_REF 46
#define EKSPORT_RASTER_FINNES 47  /* another file of that name in the ZERA folder */
#define EKSPORT_FLATE_NIVAA3 50   /* an area under a header below level 4 */

/* Bounds of what the writer takes. */
#define EKSPORT_MAKS_PUNKTER 24999
#define EKSPORT_MAKS_REF 5999

#ifdef __cplusplus
extern "C" {
#endif

/* ---- the run --------------------------------------------------------------------- */

/* Exports the active model (pass 1, and pass 2 at ZERA level 4 or more),
   or at header level 2 with brukGjerde the fence's content, then the
   raster attachments.  Needs brukerDataP and a run opened by
   init_dgn2zera. */
ZVZERA_API void EksporterTegning(void);
/* The parts of EksporterTegning around its passes, for callers that
   export single elements: a fresh index, serial counter and start
   position under master units; and their end. */
ZVZERA_API void StartEksportKjoering(void);
ZVZERA_API void AvsluttEksportKjoering(void);
/* The running export's index and its count; null and 0 outside a run. */
ZVZERA_API const EksportIndeksPost *EksportIndeks(int *antall);
/* The last serial given (0 at the start of a run). */
ZVZERA_API int32_t EksportSerienummer(void);

ZVZERA_API void LeggTilEksportIndeks(int32_t id, DgnModelRefP model, uint32_t filePos, uint32_t graphicGroup);
/* The id of the first member with that position and model; 0 when none. */
ZVZERA_API int32_t FinnEksportIdForFilpos(uint32_t filePos, DgnModelRefP model);

/* ---- classification and writing ------------------------------------------------- */

/* Exports the element at filePos of model.  Returns 0. */
ZVZERA_API int EksporterElement(uint32_t filePos, DgnModelRefP model, int fraGjerde);
/* Fills Elm from element (cleared first unless tilfoey) and returns the
   design type the caller dispatches on, 0 when it is not exported. */
ZVZERA_API int KlassifiserElement(MSElement *element, DgnModelRefP model, const char *nivaanavn,
                                  uint32_t graphicGroup, int tilfoey);
/* Completes Elm (themes, object type, filters), gives it the next serial,
   indexes it when filePos is not 0 and writes it.  1 when it was handed to
   the writer (it has a serial), 0 when a filter left it out. */
ZVZERA_API int SkrivZeraElement(MSElement *element, DgnModelRefP model, uint32_t filePos, int type,
                                uint32_t graphicGroup, const char *nivaanavn);
/* Registers an export problem for the current element under the level
   name, counted as read and not exported. */
ZVZERA_API void MeldEksportTemaFeil(int nummer, const char *nivaanavn);
/* Registers an error of the current element (message list 25): data cut
   or left out at a bound. */
ZVZERA_API void MeldEksportFeil(int nummer);
ZVZERA_API void EksporterTekstnode(uint32_t filePos, const char *nivaanavn);
ZVZERA_API void EksporterRasterReferanser(void);
/* The fence command's content and data-point functions. */
ZVZERA_API int EksporterGjerdeElement(void);
ZVZERA_API int GjerdeFerdig(void);
/* 1 when a theme row of data type "F" has the level name as its level
   (or the level plus "F"). */
ZVZERA_API int ErFlateCelle(const char *nivaanavn);
/* The first run of digits of the level name: exactly 4 digits become the
   first theme; no digit empties it; any other length leaves it. */
ZVZERA_API void TemaFraNivaanavn(const char *nivaanavn);
ZVZERA_API int ErFkbGruppeUtelatt(void);
ZVZERA_API int UtelatPgaMultHoyde(void);
/* Level name of an element (at most 50 characters, 8-bit) into navn. */
ZVZERA_API void LesNivaanavn(char *navn, int size, DgnModelRefP model, uint32_t level);
ZVZERA_API void LesSymbologi(const MSElement *element, DgnModelRefP model);

/* ---- complex elements and areas (eksportflate.cpp) ------------------------------- */

ZVZERA_API void EksporterKompleks(uint32_t filePos, MSElement *element, const char *nivaanavn, uint32_t graphicGroup,
                                  int type);
ZVZERA_API void EksporterFlateElement(uint32_t filePos);
ZVZERA_API void EksporterFlateCelle(uint32_t filePos, MSElement *element, uint32_t graphicGroup);
ZVZERA_API void EksporterFlateFraForm(uint32_t filePos, MSElement *element, const char *nivaanavn,
                                      uint32_t graphicGroup);
/* The area's reference point into Elm point 0. */
ZVZERA_API void FinnFlatePunkt(MSElementDescr *dscr, uint32_t graphicGroup);
/* 1 when a written boundary of the same geometry was found and added to
   Elm's references under the island number. */
ZVZERA_API int FinnGrenseReferanser(MSElement *komponent, uint32_t graphicGroup, int oey, int kurve);
/* 1 when the element at filePos of model has the component's geometry;
   *reversert 1 when it runs the other way. */
ZVZERA_API int ErSammeGeometri(MSElement *komponent, uint32_t filePos, DgnModelRefP model, int *reversert,
                               int kurve);

#ifdef __cplusplus
}
#endif

#endif
