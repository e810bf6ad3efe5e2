// The GIS build's database module: typed rows and the table cache with the
// statements built from them, the ZERA tables and the module state, and
// database rows turned back into ZERA attribute lines.  One source, built
// into each GIS deliverable; each has its own module state.
//
//   values and rows     DbVerdi, DbKolonne, DbTabell
//   ZERA tables         TemakodeKonvRad, ZeraGGRad, ZeraImportRad, ObjTypeRad
//   module state        zeraGGData, zeraGGBrukerGrensesnittData
//   database access     strings, values, rows, cache, statements, names
//   statement texts     names and values for statements callers build
//   connection          new ZERA tables, connect, load, free, system functions,
//                       loaders
//   attribute lines     rows to ZERA lines
#ifndef ZERAGG_DB_H
#define ZERAGG_DB_H

#include <stdint.h>

#include <string>

#include "db/mdldb.h"
#include "dgn/mdldgn.h"
#include "rsc/mdlrsc.h"

// --- values and rows -------------------------------------------------------------

// SQL type codes; any other code is carried but never read or written.
#define DB_TEKST 1
#define DB_DOBBEL 2
#define DB_LANG 4

#define DB_FEIL 0x8000
// One limit for column names everywhere (the cache's): longer names make a
// table unusable rather than being cut into another name.
#define DB_MAKS_KOLONNENAVN 33
#define DB_MAKS_TABELLNAVN 35
// A value given back as text.
#define DB_VERDI_TEKST 256

union DbVerdi {
    char *tekst;   // type 1, owned
    double dobbel; // type 2
    int32_t lang;  // type 4
    uint64_t raa;
};
static_assert(sizeof(DbVerdi) == 8);

struct DbKolonne {
    uint16_t type;
    char navn[38];
    DbVerdi verdi;
    int32_t posisjon;
    int32_t harVerdi;
    // Described width of a text column; 0: unknown.  Longer texts are cut
    // to it before they are stored.
    int32_t bredde;
    // 1 when the text was read with '?' for characters outside ISO 8859-1:
    // an update leaves the stored text as it is.  Setting a value clears it.
    int32_t erstattet;
};

struct DbKolonneBeskrivelse {
    uint16_t type;
    char navn[34];
    int32_t bredde;
};

struct DbTabell {
    char navn[36];
    int32_t antallRader;
    int32_t antallKolonner;
    DbKolonneBeskrivelse *kolonner;
    DbVerdi ***celler; // [kolonne][rad], null: NULL or empty
    // The largest mslink in the table, once the first insert asked for it;
    // inserts through the layer keep it.
    int32_t storsteMslink;
    int32_t storsteKjent;
};

// --- ZERA tables ---------------------------------------------------------------------

struct TemakodeKonvRad {
    char fraKode[11];
    char tilKode[11];
};
static_assert(sizeof(TemakodeKonvRad) == 22);

struct ZeraGGRad {
    char zeraNavn[31];
    char kolonne[33];
    int32_t posisjon;
    int32_t aapenListe;
    char tekst[52];
};
static_assert(sizeof(ZeraGGRad) == 124);

struct ZeraImportRad {
    char filnavn[256];
    int32_t hodeid;
    int32_t alle_kategorier;
    char kategori_navn[256];
};
static_assert(sizeof(ZeraImportRad) == 520);

struct ObjTypeRad {
    char fcode[13];
    char objtype[51];
};
static_assert(sizeof(ObjTypeRad) == 64);

// --- module state ---------------------------------------------------------------------

struct ggKartFil {
    char navn[256];
    DgnModelRefP modelRef;
    DgnModelRefP arbeidsfil;
    int32_t indeksSjekket;
};

struct ZeraGGData {
    int32_t featureIndeks;
    int32_t kartIndeks;
    int32_t hodeId;
    int32_t gjeldendeKartFil;
    int32_t antallKartFiler;
    ggKartFil kartFiler[256];
    TemakodeKonvRad *temakodeKonv;
    int32_t antallTemakodeKonv;
    char **hoydeAvrundingTemaer;
    char **multHoydeTemaer;
    int32_t antallHoydeTemaer;
    int32_t *kategoriValgt;
    char valgtKartnavn[256];
    int32_t kartLagtTil;
    int32_t indeksformEndret;
    ZeraGGRad *zeraGGRader;
    int32_t antallZeraGGRader;
    DbTabell *tabellBuffer;
    int32_t antallBufredeTabeller;
    DbKolonne *hodeKolonner;
    int32_t antallHodeKolonner;
    DbKolonne *genAttrKolonner;
    int32_t antallGenAttrKolonner;
    ZeraImportRad *zeraImportRader;
    int32_t antallZeraImportRader;
    ObjTypeRad *objTypeRader;
    int32_t antallObjTypeRader;
    MSElement gjerdeElement;
    int32_t forsteKp, sisteKp;
    int32_t refFilerLastet;
    int32_t maksKartnavn;
};

struct ZeraGGBrukerGrensesnittData {
    char prosjektTekst[256];
    char valgtFil[256];
    int32_t kartnavnModus;
    int32_t hodeValg;
    int32_t gjerdeVisning;
    int32_t valgtHodeId;
    int32_t valgtFilHodeId;
};
static_assert(sizeof(ZeraGGBrukerGrensesnittData) == 532);

// The module's records (null until connected).
extern ZeraGGData *zeraGGData;
extern ZeraGGBrukerGrensesnittData *zeraGGBrukerGrensesnittData;
// The linking application's settings that the connect and load touch:
// punktModus (0 shared cell, 1 cell, 2 zero-length line) and seedFil
// (256 bytes); either may be null.
void SettGGInnstillinger(int *punktModus, char *seedFil);
// The seed-file search of the import targets, run by the load when set.
extern void (*VelgGGSeedFil)(void);

// --- database access -----------------------------------------------------------------

char *TilStoreBokstaver(char *tekst);
char *TilSmaaBokstaver(char *tekst);
char *UnderstrekTilBindestrek(char *tekst);
char *BindestrekTilUnderstrek(char *tekst);

void SettTekstVerdi(DbVerdi *verdi, const char *tekst);
void KopierVerdi(DbVerdi *til, const DbVerdi *fra, int type);
void VerdiFraTekst(DbVerdi *verdi, const char *tekst, int type);
// Into buffer[DB_VERDI_TEKST], cut to fit.
void VerdiTilTekst(char *buffer, const DbVerdi *verdi, int type);
int LikeVerdier(const DbVerdi *a, const DbVerdi *b, int type);

int HentKolonneListe(DbKolonne **rad, int *antall, const char *tabell);
void SettKolonneVerdi(DbKolonne *kolonne, const char *tekst);
void FrigiRad(DbKolonne *rad, int antall);
int SjekkKolonneListe(const DbTabell *tabell, const DbKolonne *rad, int antall, int *indeks);

void BufreAlleTabeller(void);
void BufreTabell(DbTabell *tabell, const char *navn);
DbTabell *FinnBufretTabell(const char *navn);
int SammenlignTabellNavn(const void *a, const void *b);
int FinnKolonneIndeks(int *indeks, const DbTabell *tabell, const char *kolonne);
int SlaaOppBufretVerdi(char *tekst, const char *kolonne, const char *tabell, const char *nokkelKolonne,
                       const char *nokkel);
int LeggTilRadIBuffer(DbTabell *tabell, const DbKolonne *rad, int antall);
int OppdaterRadIBuffer(DbTabell *tabell, const DbKolonne *rad, int antall);
void FrigiTabellBuffer(void);

int FinnMslinkForVerdier(long *mslink, const char *tabell, const DbKolonne *rad, int antall);
int FinnMslinkIBuffer(long *mslink, const char *tabell, const DbKolonne *rad, int antall, int *bufret);
int SettInnRad(const char *tabell, DbKolonne *rad, int antall, int alltidSettInn);
int OppdaterRad(const char *tabell, DbKolonne *rad, int antall);
long FinnEllerSettInnRad(DbKolonne *rad, int antall, const char *tabell);
int LagreRadOgLink(MSElement *element, const char *tabell, DbKolonne *rad, int antall, int gjenbruk);
int LesRadForMslink(DbKolonne **rad, int *antall, const char *tabell, long mslink);

int TabellnavnForEntitet(char *navn, int entitet);
int ErIdKolonne(const char *kolonne);
// Out texts of DB_MAKS_TABELLNAVN + 1 characters.
int FinnJoinDefinisjon(const char *tabell, const char *kolonne, char *tabell1, char *indeks1, char *verdi1);

// --- statement texts ------------------------------------------------------------------
// What a caller that builds a statement itself puts in it, so that no value
// can change the statement.

// A name as it is when plain (PostgreSQL folds it as the tables were made),
// else quoted: reserved words, Norwegian letters, blanks.
std::string SqlNavn(const char *navn);
// A text value between single quotes, its own quotes doubled; "NULL" for null.
std::string SqlTekst(const char *tekst);
// A double that reads back to the same value, without the locale.
std::string SqlDobbel(double tall);
// A LIKE pattern matching jokerForan ("%" or "") followed by tekst as it
// stands: its %, _ and ! escaped with ! and the ESCAPE clause added, the
// same on both back ends (PostgreSQL would take a backslash as its escape).
std::string SqlLike(const char *jokerForan, const char *tekst);

// --- connection ----------------------------------------------------------------------

// Makes the ZERA tables (zera_temakode_konv, zera_hoyde_temakoder,
// zera_import, zera_gg, hode, genattr; an existing one is left as it is) in
// the active database, a project whose catalogue the host made
// (mdlhost_gisCreateProject), and enters hode and genattr in its table
// catalogue as entities 3 and 4 unless it names the table or uses the
// number already.  An empty zera_gg gets the rows that give the columns of
// hode and genattr their ZERA names.  0, or DB_FEIL when a statement failed.
int LagZeraTabeller(void);
int KobleTilGeoGraphics(void);
void LesGGDatabase(void);
void FrigiGGDatabase(void);
void GGSystemFunksjon1(void);
void GGSystemFunksjon2(void);
void LesTemakodeKonv(void);
void LesHoydeTemakoder(void);
void LesZeraImport(void);
void LesObjTypeTabell(void);
void LesZeraGG(void);
void FinnMaksKartnavn(void);
void FrigiHoydeTemakoder(void);
int FinnesIListe(char *const *liste, int antall, const char *tekst);
int SammenlignZeraGG(const void *a, const void *b);
// Back to the state of a fresh load of the module (the toggle of the
// system functions at 0); for the application's unload.
void NullstillGGSystemFunksjoner(void);

// --- attribute lines -------------------------------------------------------------------

typedef int (*DbRadCallback)(StringList *par, const char *tabell);
int SkrivDbEgenskaper(const char *tabell, long mslink, int hodeModus);
void SkrivRadSomEgenskaper(DbKolonne *rad, int antall, const char *tabell, int hodeModus);
void ZeraNavnForKolonne(char *zeraNavn, int *posisjon, const char *tabell, const char *kolonne, DbKolonne *post,
                        DbVerdi *verdi);
int HentJoinVerdi(const char *tabell, const char *nokkelKolonne, const char *visKolonne, DbKolonne *post,
                  DbVerdi *verdi);
void UtvidKvalitet(StringList *par);
int SammenlignEgenskaper(const char *navnA, const long *infoA, const char *navnB, const long *infoB);
int ErFeatureTabell(char *tabell);
int HentGGAttributtDataFraDbLink(const DatabaseLink *linker, int antall, int hodeModus, long *featureMslink,
                                 long *forsteMslink);
int HentGGAttributtDataFraElement(const MSElement *element, int hodeModus, long *featureMslink,
                                  long *forsteMslink);
void dbSql_setRowCallback(DbRadCallback callback);

// Supplied by the application that links the module.
extern "C" int LesHodeFraDatabase(const char *linje);
extern "C" int LesGenAttrFraDatabase(const char *linje);

#endif
