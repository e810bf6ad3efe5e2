/* The ZERA application in the host: start-up and shut-down, its module
   state, and the services the other deliverables link by name (progress,
   log and LandXML names, the FKB list, the ZVZERA menu bar).

   Sections: host codes - module state - start-up and shut-down - services. */
#ifndef ZVZERA_ZVZERA_H
#define ZVZERA_ZVZERA_H

#include <stdint.h>
#include <stdio.h>

#include "dlg/mdldlg.h"
#include "zvzera_services.h"

/* ---- host codes ---------------------------------------------------------------- */
#define ZVZERA_TASK "ZVZERA"
#define ZVZERA_HOVEDDIALOG 100   /* the main dialog; its menu bar holds our menus */
#define ZVZERA_MENY_FIL 1        /* pull-down menus 1 to 3 of the resource file */
#define ZVZERA_MENY_INNSTILLINGER 2
#define ZVZERA_MENY_HJELP 3
#define ZVZERA_FEIL 0x8000       /* a failed reader (job file, tag set file) */

#ifdef __cplusplus
extern "C" {
#endif

/* ---- module state ---------------------------------------------------------------
   Zero at load and again at every start.  rapportFil is the batch report:
   the file of the "-i" report argument while rapportTilFil is 1, else the
   host's error stream. */
ZVZERA_API extern int32_t batchModus;
ZVZERA_API extern int32_t rapportTilFil;
ZVZERA_API extern FILE *rapportFil;
ZVZERA_API extern CompletionBar *fremdriftsLinje;

/* ---- start-up and shut-down --------------------------------------------------- */

/* Starts the application (interactive, or a batch job given by "-i"
   arguments), then sets the version number and registers the command
   numbers.  Returns 0. */
ZVZERA_API int MdlMain(int argc, char *argv[]);
/* Ends the application: menus out of the bar, hooks cleared, the
   preference block saved, the records freed, the unload of the own task
   queued.  Safe to call again once the record is gone. */
ZVZERA_API void avsluttZera(void);
/* The about box: the intro box with the application's files, closed after
   timeout seconds (0: stays until closed). */
ZVZERA_API void TegnIntroBoks(int timeout);

/* ---- services ------------------------------------------------------------------- */

/* Progress of a run: percent done and the phase (0 a run of one pass, 1
   and 2 the passes of a run of two).  In batch, "Del %d: " and dots on the
   text window (nothing when the report has its own file); interactively,
   the completion bar.  Above 100 %: nothing.  Returns 0 (the engine calls
   it through the dispatcher). */
ZVZERA_API int prosent_ferdig(double prosent, int fase);
/* A new string list (5 info fields) of the FKB groups of Fkbtab, the
   group's selection in info field 4.  The caller frees it. */
ZVZERA_API StringList *LagStringListFraFkbTabell(void);
/* loggFil (xmlFil) of the record for the run of file index i: from the
   user's chosen base (its first 5 characters + "%03d" of i + 1, its own
   folder and extension), or, with an empty base, the ZERA file's name with
   extension "log" ("xml").  The base is read before the field is written,
   so a base that is the field itself gives the same name.  The XML variant
   hands the name to the engine.  No record: nothing. */
ZVZERA_API void LagLoggfilNavnFraZerafilEllerIndeks(const char *base, const char *zeraFil, int indeks);
ZVZERA_API void LagXMLfilNavnFraZerafilEllerIndeks(const char *base, const char *zeraFil, int indeks);
/* The menu bar of the ZVZERA main dialog (dialog 100 of task ZVZERA),
   or null when the task or its open main dialog is missing. */
ZVZERA_API MenuBar *GetZvZeraMenuBar(void);
/* Inserts pull-down menu `meny` of the calling application's resources
   into the ZVZERA menu bar before menu `foran` (0 or not found: at the
   end).  No bar: nothing. */
ZVZERA_API void LeggInnZvZeraMeny(int meny, int foran);

#ifdef __cplusplus
}
#endif

#endif
