/* The ZERA application's smaller commands: choosing the paths the settings
   record keeps, tag sets, the manual and help, a theme-table template made
   by scanning the listed ZERA files, and the three geometry commands that
   close line strings and curves into shapes, turn shapes into line strings
   and curves into line strings.  Each takes the keyin's unparsed text and
   returns 0.

   Sections: dialogs and texts - commands. */
#ifndef ZVZERA_OPPSETT_H
#define ZVZERA_OPPSETT_H

#include <stdio.h>

#include "zvzera_services.h"

/* ---- dialogs and texts ---------------------------------------------------------------- */
#define ZVZERA_DIALOG_INNSTILLINGER 2
#define ZVZERA_DIALOG_EKSPORT 3
#define ZVZERA_DIALOG_IMPORT 6
#define ZVZERA_DIALOG_LUKK 7          /* close to shapes: the two switches, tolerance, fill */
#define ZVZERA_DIALOG_TEMA 10
#define ZVZERA_DIALOG_LOGGLISTE 12
#define ZVZERA_DIALOG_FLATER_TIL_LINJER 16
#define ZVZERA_DIALOG_KURVER_TIL_LINJER 18
#define ZVZERA_DIALOG_ELEMENTLISTE 20
#define ZVZERA_DIALOG_FILVISNING (-84) /* the host's text file window */

#ifdef __cplusplus
extern "C" {
#endif

/* ---- commands ------------------------------------------------------------------------- */
ZVZERA_API int VelgTemafil(char *);
ZVZERA_API int VelgDgnlib(char *);
ZVZERA_API int VelgSeedfil(char *);
ZVZERA_API int VelgImportkatalog(char *);
ZVZERA_API int VelgLoggfil(char *);
ZVZERA_API int LagTagsettKommando(char *);
ZVZERA_API int AapneBrukerveiledning(char *);
ZVZERA_API int AapneHjelp(char *);
ZVZERA_API int VelgCellebibliotek(char *);
ZVZERA_API int VelgTagsetFil(char *);
/* "MAL ZERA-FIL ...": the template of the named files; "MAL": of the
   listed files; empty: the template is asked for, of the listed files. */
ZVZERA_API int LagTemafilFraZeraFiler(char *);
/* "NAME VALUE": sets a switch without a dialog item (InnstillingNavn). */
ZVZERA_API int SettInnstillingKommando(char *);
/* Scans the files (antall of them) and writes the theme-table template
   mal and the scan's log (the record's loggFil).  A file that cannot be
   scanned, and a template or log that cannot be written, are named in
   rapport (null: the text window).  The number of files scanned into the
   template (which is written also when none could be); -1 when the
   template cannot be written. */
ZVZERA_API int LagTemamal(const char *mal, const char *const *filer, int antall, FILE *rapport);
ZVZERA_API int LukkTilFlater(char *);
ZVZERA_API int GjoerOmTilLinjer(char *);
ZVZERA_API int KurverTilLinjer(char *);

#ifdef __cplusplus
}
#endif

#endif
