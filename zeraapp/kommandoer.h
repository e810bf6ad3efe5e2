/* The import and export commands: choosing ZERA files, reading their
   headers, preparing the engine and the design for each file, the export
   run with its header and temporary element file, header files, and the
   logs shown afterwards.  The batch driver reuses the header reader, the
   theme-table loader, the side files and the append.

   Sections: state - functions used by the other commands - commands. */
#ifndef ZVZERA_KOMMANDOER_H
#define ZVZERA_KOMMANDOER_H

#include <stdint.h>
#include <stdio.h>

#include "kartmotor.h"
#include "rsc/mdlrsc.h"
#include "zvzera_services.h"

#ifndef ZVZERA_FEIL
#define ZVZERA_FEIL 0x8000 /* the commands' failure result */
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- state ---------------------------------------------------------------------------- */
/* ZERA files chosen for import, in order (one info field); null before the
   first choice. */
ZVZERA_API extern StringList *zeraFilListe;
/* Elements listed after an export (the GIS build fills it) and their count. */
ZVZERA_API extern StringList *elementListe;
ZVZERA_API extern int32_t antallElementer;

/* ---- functions used by the other commands ---------------------------------------------- */
/* The text of the engine's first (siste: last) registered message into
   ut (BMW_CTXT_LEN bytes); "" without one. */
ZVZERA_API void MotorensMelding(int siste, char *ut);
/* Reads the header of zeraFil into hode (and its size when storrelse is
   given).  On failure the cause (the engine's first message; for a file
   that cannot be opened or holds no group, which the engine registers
   nothing for, its own text of that) and the file name go to a box, or in
   batch to rapport ("\n%s\n") when given.  0 or ZVZERA_FEIL. */
ZVZERA_API int LesZeraHode(const char *zeraFil, SheadStruct *hode, int32_t *storrelse, FILE *rapport);
/* Loads the theme table afresh (the FKB list with it).  0 or ZVZERA_FEIL
   after a box naming the file. */
ZVZERA_API int LesTemafil(const char *temaFil);
/* Makes member i of zeraFilListe the run's ZERA file: its header, the
   header's area in the dialog texts, and the run's log and XML names.  0 or
   ZVZERA_FEIL. */
ZVZERA_API int VelgZeraFil(int indeks);
/* The label and coordinate side files of the active design, when asked
   and not open already. */
ZVZERA_API void AapneSidefiler(void);
/* Closes the side files that are open. */
ZVZERA_API void LukkSidefiler(void);
/* The temporary folder: ZVZERA_TEMP, else MS_TMP, else "C:\\temp\\", into
   a buffer of 256 bytes. */
ZVZERA_API void FinnTempKatalog(char *katalog);
/* Appends the temporary element file to the ZERA file, then deletes it.
   0, or ZVZERA_FEIL after a box naming the file that did not open (the
   temporary file is kept then). */
ZVZERA_API int LeggTilZeraFil(const char *tempFil, const char *zeraFil);
ZVZERA_API void VisHodeOmraade(const SheadStruct *hode);
ZVZERA_API void LagStandardHode(SheadStruct *hode);
/* The standard header fitted to the active design: its coordinate system
   from the design's EPSG code, and a unit as fine as the design's
   resolution (down to 0.0001), never coarser than the standard's. */
ZVZERA_API void TilpassStandardHode(SheadStruct *hode);
ZVZERA_API int SkrivHodefil(const char *fil, SheadStruct *hode);
ZVZERA_API void VisFil(const char *fil);
/* The engine's import of zeraFil into the active design under the
   master-units transformation: a new element index, the design's CRS from
   the header read last (hode), the level table written afterwards.  The
   engine's result. */
ZVZERA_API int ImporterTilAktivTegning(const char *zeraFil);
/* The import run over zeraFilListe. */
ZVZERA_API void ImporterZeraFiler(void);
/* Opens file as the active design, copied from the seed when it is not
   there; asks before it replaces one.  0 or ZVZERA_FEIL. */
ZVZERA_API int AapneMaalTegning(const char *fil);

/* ---- commands ------------------------------------------------------------------------ */
ZVZERA_API int NyZeraFilListe(char *);
ZVZERA_API int ImporterEnZeraFil(char *);
ZVZERA_API int ImporterZeraFilListe(char *);
ZVZERA_API int EksporterTilZera(char *);
ZVZERA_API int AapneHodefil(char *);
ZVZERA_API int LagreHodefilSom(char *);
ZVZERA_API int LagreHodefil(char *);
ZVZERA_API int VisLoggfil(char *);

#ifdef __cplusplus
}
#endif

#endif
