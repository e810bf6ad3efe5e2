// Project set-up from a theme table, the database check, and levels from
// the project's features.
#ifndef ZERAGG_GGOPPSETT_H
#define ZERAGG_GGOPPSETT_H

#include <stdint.h>

#include "dlg/mdldlg.h"

// One description of the theme file: the feature code it belongs to and
// the text between its first two '!'.
struct TemaBeskrivelse {
    char nokkel[6];
    char beskrivelse[27];
};

// Command 0x01110100: categories and features from the theme table.
int OpprettGGKategorierOgFeatures(char *);
// Command 0x01110300: the database check, its log shown.
int KontrollerGGZeraDatabase(char *);
// Named command: a level for every ZERA feature of the project.
int ZeraDatabaseToDgnlib(char *);

// One category and ugcategory row per FKB group, numbered from forste.
void OpprettKategorierFraFkbGrupper(int forste, CompletionBar *linje);
// One feature per theme row (of a run of equal code and letter only the
// last), numbered from forsteFeature, then the four templates; names from
// the descriptions of temaFil.
void OpprettFeaturesFraTemaer(int forsteFeature, int forsteKategori, CompletionBar *linje, const char *temaFil);
// Up to maks records of temaFil; the number made.
int LesTemaBeskrivelser(TemaBeskrivelse *poster, const char *temaFil, int maks);
// 0 with the table's largest mslink + 1 in *neste; DB_FEIL when the database
// cannot tell, or the user will not add to a table that has rows.
int FinnNesteMslink(const char *tabell, int *neste);

// The check's log: where it is written.
void DbKontrollLoggSti(char *sti, int storrelse);

#endif
