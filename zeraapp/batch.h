/* The batch job of the ZERA application: the job file named by the first
   "-i" start-up argument, read into a job record, and the run that imports
   or exports each item unattended, writing a report of every item's
   outcome.  No dialog or box waits in batch: failures go to the report.

   Sections: the job record - functions. */
#ifndef ZVZERA_BATCH_H
#define ZVZERA_BATCH_H

#include <stdint.h>
#include <stdio.h>

#include "zvzera_services.h"

/* ---- the job record --------------------------------------------------------------- */
#define BATCH_MAKS_FILER 1000
#define BATCH_TYPE_IMPORT 1
#define BATCH_TYPE_EKSPORT 2
#define BATCH_TYPE_SKANN 3 /* the ZERA files scanned into a theme-table template */

typedef struct BatchFil {
    char dgn[256];   /* design file: DGN folder + name */
    char zera[256];  /* ZERA file: ZERA folder + name */
    char groups[50]; /* FKB groups to take ("*" = all) */
    char kartId[36]; /* map id of the export header */
} BatchFil;

typedef struct BatchJobb {
    int32_t type;                      /* BATCH_TYPE_*, 0 not given */
    int32_t count;
    char logBase[256];                 /* base name of the log files ("Loggfil") */
    char mal[256];                     /* the template a scan writes ("Temamal") */
    BatchFil *items[BATCH_MAKS_FILER]; /* the first count are set */
    char jobbFil[256];                 /* the job file, as LesBatchFil was given it */
    char rapport[256];                 /* the report's file, "" when it has none (set before KjoerBatch) */
} BatchJobb;

#ifdef __cplusplus
extern "C" {
#endif

/* ---- functions ---------------------------------------------------------------------- */

/* Reads the job file into jobb (cleared first; the paths of the keys
   Temafil, Hodefil and Seedfil, the switches and the settings named by
   InnstillingNavn go to the settings record).  With notByUser
   1, a missing job file writes "\nFEIL!  Finner ikke filen: %s\n\n" to the
   report.  A job file with a line its reader refuses (too long, a NUL
   byte, an include not followed) is refused whole: the report names the
   file and line, and no item is kept.  A line ending in '\\' is not
   joined to a next line that begins with a key of the job.  Returns 0 when
   the job holds at least one item, else 0x8000; the items are jobb's to
   free (FrigjorBatchJobb). */
ZVZERA_API int LesBatchFil(const char *jobbFil, int notByUser, BatchJobb *jobb, FILE *rapport);
/* Runs the job, writing to the report: the header with the switches, one
   block per item (a failure adds its reason and counts), and the number
   converted.  Before anything is written, an item whose output is an
   input of the job (its own or another item's input, the seed, the theme
   table, the header file, the job file) or the report, or another item's
   output, is refused with the reason in its block.  When the report is
   itself an input of the job it is not kept: the job is not run.  Closes
   the report file when the report has a file of its own; a report that
   cannot be kept is named on standard error and the application asks
   the host for a non-zero exit status (mdlSystem_exit). */
ZVZERA_API void KjoerBatch(BatchJobb *jobb, FILE *rapport);
/* 1 when the two names are one file (another spelling, a link, a mapped
   drive letter), whether it exists or not; else 0. */
ZVZERA_API int BatchSammeFil(const char *a, const char *b);
/* The report file named cannot be written: said on standard error, and a
   non-zero exit status asked of the host. */
ZVZERA_API void BatchRapportTapt(const char *navn, const char *aarsak);
/* Frees the items; the record is empty afterwards. */
ZVZERA_API void FrigjorBatchJobb(BatchJobb *jobb);

#ifdef __cplusplus
}
#endif

#endif
