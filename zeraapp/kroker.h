/* The hooks of the ZERA application's dialogs: they keep the import,
   export and setup dialogs consistent as options change (enable, disable,
   show, hide), fill their lists and option buttons, mark the FKB groups and
   highlight listed elements.  Also the height callback the engine calls
   during import and export, and the list of height themes.

   Sections: hook ids - functions. */
#ifndef ZVZERA_KROKER_H
#define ZVZERA_KROKER_H

#include "dlg/mdldlg.h"
#include "zvzera_services.h"

/* ---- hook ids (the resource file's Hook numbers) ------------------------------------ */
#define KROK_DIALOG_TEKSTER 2     /* text items from text item 8 on: same attribute */
#define KROK_DIALOG_TEKST29 3
#define KROK_DIALOG_LISTEBOKS 4   /* list box 4 follows the dialog's size */
#define KROK_ENHET 10
#define KROK_FKB_LISTE 11
#define KROK_ALLE_FKB 12
#define KROK_HOYDE_VALG 13        /* item value 1: rounding, 2: multiple heights */
#define KROK_NIVAA4_KNAPP 14
#define KROK_GJERDE 15
#define KROK_LAGRE_EGENSKAPER 16
#define KROK_ZERAFIL_VALG 17
#define KROK_IMPORT_MAAL 19
#define KROK_PUNKT_MODUS 20
#define KROK_TEMA_EGENSKAP 21
#define KROK_VERSJON_FORMAT 22
#define KROK_LOGG_LISTE 23
#define KROK_IMPORT_UTEN_TEMA 29
#define KROK_LAGRE_NIVAA4 30
#define KROK_HOYDE_TEMA_LISTE 33
#define KROK_SYMBOLOGI_LISTE 34   /* item value 1 colour, 2 style, 3 weight */
#define KROK_TEMA_FRA 35
#define KROK_KOPIER_LISTEMODELL 36
#define KROK_DGNLIB_VALG 37
#define KROK_FAST_HOYDE 39
#define KROK_ELEMENT_LISTE 40
#define KROK_EKSPORT_TEMA_VALG 41

/* The FKB list's row marks: selection in info field 4, icon in 2, 2 in 3. */
#define FKB_IKON_FELT 2
#define FKB_VERDI_FELT 3
#define FKB_VALG_FELT 4

#ifdef __cplusplus
extern "C" {
#endif

/* ---- functions ---------------------------------------------------------------------- */

/* Publishes the 26 hooks, and the dialogs' own value of the "all FKB
   groups" toggle ("zvzeraAlleFkb").  0, -1 when the host refused. */
ZVZERA_API int PubliserKroker(void);
/* 1 when a theme-table row with the multiple-height flag has the data type
   letter of ZERA element type `type` and the theme code `tema` (both
   exact), else 0.  The engine calls it on import ("PI") and export. */
ZVZERA_API int TemaForHoydeAvrundingEllerMultHoyder(char *tema, int type);
/* Appends "<theme> <type letter> <FKB group>" for each flagged row. */
ZVZERA_API void LagHoydeTemaListe(StringList *liste);
/* Keeps the list box's origin; its size becomes the dialog's content less
   15 in width and less 30 (list box 4) or 55 (others) in height. */
ZVZERA_API void TilpassListeboks(MSDialog *db, int listeboksId);
/* The marks of row `rad` of an FKB list for the dialog font height: icon
   base -64 (height up to 8), -66 (10), -68 (12), -70 (16), -72 (22) or -74,
   less the row's selection (info field 4). */
ZVZERA_API void SettTagInfo(StringList *liste, long rad, int fontHoyde);

#ifdef __cplusplus
}
#endif

#endif
