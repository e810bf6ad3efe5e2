/* The import's element writer: dgnput_elm, which the engine calls once per
   element and matched theme, the writers of points, lines, curves, arcs,
   circles and texts behind it, and the composite elements (traces, areas,
   structures, rasters, symbols) with the element index they refer through.

   Units: the import runs under the host's master-units transformation, so
   points, radii and text sizes are given in master units; line and curve
   pieces are transformed to UOR and created under identity.  Cell scales
   carry UOR per master unit times 0.0001: cell libraries are drawn at
   10,000 UOR per master unit.

   Sections: writer state - the element index - the writers - composites. */
#ifndef ZVZERA_DGNSKRIV_H
#define ZVZERA_DGNSKRIV_H

#include <stdint.h>

#include "dgn/mdldgn.h"
#include "dgn/mdlscan.h"
#include "zvzera_services.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- writer state ----------------------------------------------------------------
   Set up by the import command before each engine run. */
ZVZERA_API extern int32_t forrigeSerienummer;    /* serial of the previous call; -1 at load */
ZVZERA_API extern int32_t forrigeType;           /* ZERA type of the previous call; -1 at load */
ZVZERA_API extern int32_t ukjentTema;            /* 1 while the element has no theme row */
ZVZERA_API extern int32_t sisteFlateSerienummer; /* serial of the last area; 0 without level 4 */
ZVZERA_API extern int32_t flateGruppe;           /* graphic group of the last area cell */
ZVZERA_API extern MdlClipDescr *gjerdeOmraade;   /* fence of the import; null: no clipping */
ZVZERA_API extern int32_t gjerdeVisning;         /* the fence's view */
ZVZERA_API extern int32_t gjerdeKlipp;           /* fence clip lock at the start of the run */
ZVZERA_API extern int32_t gjerdeOverlapp;        /* fence overlap lock at the start of the run */

/* ---- the element index -------------------------------------------------------------
   Maps ZERA serials to the written elements of the current run.  model is
   the host's model id; position 0 marks an element that was skipped. */
typedef struct ElementIndeksPost {
    int32_t serienummer;
    int32_t filposisjon;
    int32_t modell;
} ElementIndeksPost;

/* Starts an empty index (dropping any old one) and clears the writer's
   memory of the previous element: each run starts afresh. */
ZVZERA_API void NyElementIndeks(void);
ZVZERA_API void SlettElementIndeks(void);
/* Appends {Elm.serial, position, model}. */
ZVZERA_API void LeggTilElementIndeks(uint32_t filposisjon, DgnModelRefP modell);
/* Next member for reference (forward from *posisjon for a positive one,
   backward for a negative one); 1 found (*posisjon moved past it), 0 not. */
ZVZERA_API int FinnIElementIndeks(int32_t referanse, int *posisjon, uint32_t *filposisjon, DgnModelRefP *modell);
/* Members of the current index (tests, diagnostics). */
ZVZERA_API int AntallIElementIndeks(void);

/* ---- the writers ---------------------------------------------------------------- */
/* The engine's element callback: 0 goes on, -1 stops the run. */
ZVZERA_API int dgnput_elm(void);
/* Registers a write failure ("ZERA2DGN", code + 20) for the element. */
ZVZERA_API void MeldSkrivefeil(int kode, int status);
/* Registers a theme message ("MSTEMTAB", code) for the element. */
ZVZERA_API void MeldTemaFeil(int kode);
/* Level, symbology, graphic group (when brukGruppe) and solid. */
ZVZERA_API void SettSymbologi(MSElement *element, uint32_t gruppe, int brukGruppe);
/* Level of the element: after its first theme, made when missing. */
ZVZERA_API uint32_t FinnNivaa(void);
/* Fence, linkage, side files, add, tags and index for one element or a
   descriptor the caller owns (replaced in the caller's hands when clipped).
   0, or -1 for a file error that ends the run. */
ZVZERA_API int LeggTilElement(MSElement *element);
ZVZERA_API int LeggTilElementBeskrivelse(MSElementDescr **beskrivelse);
/* The element's point as a shared cell (delt) or normal cell, in group
   gruppe when non-zero; ord1 and ord2 are the words of its ZERA id.  0,
   or -1 for a file error that ends the run. */
ZVZERA_API int SkrivPunktSymbol(uint16_t ord1, uint16_t ord2, uint32_t gruppe, int delt);
ZVZERA_API int SkrivPunktSomLinje(void);

/* The active design takes the CRS of the ZERA header's coordinate system
   (...KOORDSYS), when it names none yet and holds no element.  0 when set
   or left as it was; the host's error when it refused the code. */
ZVZERA_API int SettKoordinatsystem(int koordsys);

/* ---- composites ------------------------------------------------------------------ */
ZVZERA_API int SkrivTrase(void);
ZVZERA_API int SkrivFlate(void);
ZVZERA_API void SkrivStruktur(void);
ZVZERA_API void SkrivRaster(void);
ZVZERA_API void SkrivSymbolMedRetning(void);

#ifdef __cplusplus
}
#endif

#endif
