/* The ZERA application's smaller commands: choosing the paths the settings
   record keeps, tag sets, the manual and help, a theme-table template made
   by scanning the listed ZERA files, and the three geometry commands that
   close line strings and curves into shapes, turn shapes into line strings
   and curves into line strings.  Each takes the keyin's unparsed text and
   returns 0.

   Sections: dialogs and texts - commands. */
#ifndef ZVZERA_OPPSETT_H
#define ZVZERA_OPPSETT_H

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
ZVZERA_API int LagTemafilFraZeraFiler(char *);
ZVZERA_API int LukkTilFlater(char *);
ZVZERA_API int GjoerOmTilLinjer(char *);
ZVZERA_API int KurverTilLinjer(char *);

#ifdef __cplusplus
}
#endif

#endif
