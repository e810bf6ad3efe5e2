// The GIS import's targets and database rows: which feature and map file
// each ZERA object goes to (features made from the UDEF templates, map
// files made from the seed, registered with their index shapes, attached
// and opened for writing), and the row of the feature's table with its
// HODE and GENATTR rows.
//
// Sections: records - targets - rows - unit of work.
#ifndef ZERAGG_GGIMPORT_H
#define ZERAGG_GGIMPORT_H

#include <stdint.h>

#include "zeraggdb.h"

// ---- records ----------------------------------------------------------------------

// The features made for the current object, and where the storage put it.
struct NyeFeaturesPost {
    int32_t mslinker[10];
    int32_t antall;
    int32_t filPosisjon;
    int32_t kartFil; // entry of kartFiler, -1 for the active model
};
static_assert(sizeof(NyeFeaturesPost) == 52);

extern NyeFeaturesPost nyeFeatures;
// The maps this import registered (full paths, info field 0 the map
// index): the project learns them only when it is opened again.  Made by
// NullstillGGImportMaal.
extern StringList *ggRegistrerteKart;

// Start of an import command: the map table, the registered maps, the
// features made and the failed map paths are forgotten, kartLagtTil and
// indeksformEndret are 0.  Work files still open are not closed here.
void NullstillGGImportMaal(void);
// The end of the import: the list of registered maps goes.
void FrigiGGImportMaal(void);
// Features made during this import (code and mslink), for the relink after
// the project is opened again.
int AntallNyeFeatures(void);

// ---- targets ----------------------------------------------------------------------

// Chooses the feature, checks the category and opens the map file of the
// current object (Elm).  0: store it; 0x8000: leave it out.  *ukjent (may
// be null) is 1 when the object's own feature code was not found.
extern "C" int AapneRiktigGeoGraphicsFil(int *ukjent);
int FinnFeatureForTema(const char *tema, int *featureIndeks, int *ukjent);
// The to-code of the first conversion row for the whole theme, else the
// theme itself.
const char *KonverterTemakode(const char *tema);
int OpprettFeatureFraMal(const char *kode, int malIndeks, long *mslink);
// 0 with *kartIndeks = mslink - 1; DB_FEIL with *kartIndeks -1 when the map
// could not be registered.
int RegistrerGGKart(const char *sti, int kategori, int *kartIndeks);
void UtvidKartIndeksform(int kartIndeks, int kategori, int entitet);
// sti holds MDLHOST_MAXFILELENGTH bytes; non-zero ("" ) when the path does
// not fit or the category is unknown.
int IndeksfilForKategori(char *sti, int kategori);
int EntitetForTabellnavn(const char *tabell);
int KuttKartnavn(char *navn);
char *FinnOdbcDatabaseFil(char *tekst);
// The reference of the active model whose file specification is sti, byte
// for byte; 0 when none.
DgnModelRefP FinnRefFil(const char *sti);

// ---- rows -------------------------------------------------------------------------

int LagreGGDatabaseRader(MSElement *element, const char *tabell, int gjenbruk);
void LinjerTilKolonner(StringList *liste, DbKolonne *rad, int antall, const char *tabell);
int LinjeTilKolonne(const char *linje, DbKolonne *rad, int antall, const char *tabell);
// kolonne holds 33 bytes.  The exact position first, then a row for every
// position (0); among equal rows the one naming tabell ("table.column"),
// then one without a table.
int KolonneForZeraNavn(char *kolonne, int *aapen, const char *zeraNavn, int posisjon);
int KolonneForZeraNavn(char *kolonne, int *aapen, const char *zeraNavn, int posisjon, const char *tabell);
int SammenlignZeraNavnPosisjon(const void *a, const void *b);
// nokkel holds DB_VERDI_TEKST bytes.
int NokkelForVisningsverdi(char *nokkel, const char *verdi, const char *tabell, const char *kolonne, int aapen);
int SettInnJoinVerdi(char *nokkel, const char *tabell, const char *visKolonne, const char *verdi,
                     const char *nokkelKolonne = "mslink");
void HodeLinjerTilRad(DbKolonne *rad, int antall, const char *tabell);
void HoydeLinjeTilRad(DbKolonne *rad, int antall, const char *tabell);
void KpLinjerTilRad(DbKolonne *rad, int antall, const char *tabell);
void GenAttrLinjerTilRad(DbKolonne *rad, int antall, const char *tabell);
void AndreEgenskaperTilRad(StringList *liste, DbKolonne *rad, int antall, const char *tabell);
void TomRadVerdier(DbKolonne *rad, int antall);

// Records the file's HODE id in its ZERA_import row; the import run's.
// Weak: until the run is linked in, nobody is told.
extern "C" void SettHodeIdIImportPost(void) __attribute__((weak));

// ---- unit of work -----------------------------------------------------------------
// The rows go to the database in one transaction of this module's (each
// statement still fails on its own), committed every GG_RADER_PER_COMMIT
// element rows and whenever GGRaderFullfor is called: at the end of each
// ZERA file and of the import.  Catalogue rows (features, maps) commit the
// rows before them and go on their own.
#define GG_RADER_PER_COMMIT 1000
// 0, or non-zero when the commit failed (the rows since the last one are
// lost; the text window says so).
int GGRaderFullfor(void);

#endif
