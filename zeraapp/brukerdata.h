/* The ZERA application's settings record: defaults, configuration
   variables, the preference block kept between runs, and its publication to
   the dialogs ("sbgd").

   Sections: sizes and block identity - the record - functions. */
#ifndef ZVZERA_BRUKERDATA_H
#define ZVZERA_BRUKERDATA_H

#include <stdint.h>
#include <stdio.h>
#include <uchar.h>

#include "kartmotor.h"
#include "rsc/mdlrsc.h"
#include "zvzera_services.h"

/* ---- sizes and block identity ---------------------------------------------- */
#define ZVZERA_TEKST_LEN 256      /* a path or file text with its terminator */
#define ZVZERA_HODETEKST_LEN 50   /* the header dialog's texts */
#define ZVZERA_PUNKTCELLE_LEN 512 /* standardPunktcelle, 16-bit characters with the terminator */

/* Preference block: type "ZsU9" (first character in the most significant
   byte), id 1, exactly this many bytes, little-endian. */
#define ZVZERA_OPPSETT_TYPE 0x5A735539u
#define ZVZERA_OPPSETT_ID 1
#define ZVZERA_OPPSETT_LEN 1264

/* The GIS build compiles this record with ZVZERA_GG_BYGG 1: the record
   starts with geoGraphicsBygg set, and importMaal is kept in its slot. */
#ifndef ZVZERA_GG_BYGG
#define ZVZERA_GG_BYGG 0
#endif

/* ---- the record ---------------------------------------------------------------- */
typedef struct zeraBrukerGrensesnittData {
    int32_t geoGraphicsBygg;
    int32_t lagEtikettfil;
    int32_t lagXmlFil;
    int32_t lagXyzFil;
    int32_t visUnderveis;
    int32_t lagreEgenskaper;
    int32_t egenskapModus;
    int32_t flereTemaEnGang;
    int32_t lagreNivaa4;
    int32_t lagreTekststoerrelse;
    int32_t punktModus;
    int32_t kurverSomLinjer;
    int32_t enhetsnevner;
    int32_t matchLevel;
    int32_t matchColor;
    int32_t matchStyle;
    int32_t matchWeight;
    double hoydeAvrundingSteg;
    int32_t hoydeAvrundingPaa;
    int32_t multHoydeVerdi;
    int32_t multHoydePaa;
    int32_t importerUkjenteTema;
    int32_t kunUkjenteTema;
    int32_t brukGjerde;
    int32_t fyllFlater;
    int32_t loggPerZeraFil;
    int32_t filIndeks;
    int32_t antallFiler;
    int32_t skannModus;
    int32_t importMaal;
    int32_t lukkKjeder;
    int32_t lukkLinjestrenger;
    int32_t ggKpInfo;
    int32_t kunLinjetema;
    int32_t hoppOverLinjerUtenHoyde;
    int32_t grenserPaaHoyde;
    int32_t lagreNOH;
    int32_t eksporterZeratema;
    int32_t eksporterObjekttype;
    int32_t zera40;
    int32_t temaFra;
    int32_t brukDgnlib;
    int32_t symbologiFraTema;
    int32_t avrundHvertPunkt;
    int32_t nivaaMedTypebokstav;
    int32_t lagreObjType;
    int32_t lagManglendeFeatures;
    int32_t fastHoyde;
    int32_t skannLagerFlater;
    double fastHoydeVerdi;
    char hodeMinTekst[ZVZERA_HODETEKST_LEN];
    char hodeMaksTekst[ZVZERA_HODETEKST_LEN];
    char hodeKvalitetTekst[ZVZERA_HODETEKST_LEN];
    char installasjonsKatalog[ZVZERA_TEKST_LEN];
    char cellebibliotekNavn[ZVZERA_TEKST_LEN];
    char zeraFil[ZVZERA_TEKST_LEN];
    char temaFil[ZVZERA_TEKST_LEN];
    char dgnlibFil[ZVZERA_TEKST_LEN];
    char loggFil[ZVZERA_TEKST_LEN];
    char xmlFil[ZVZERA_TEKST_LEN];
    char hodeFil[ZVZERA_TEKST_LEN];
    char seedFil[ZVZERA_TEKST_LEN];
    char importKatalog[ZVZERA_TEKST_LEN];
    char tagsetFil[ZVZERA_TEKST_LEN];
    char cellebibliotek[ZVZERA_TEKST_LEN];
    char databaseNavn[ZVZERA_TEKST_LEN];
    char odbcFil[ZVZERA_TEKST_LEN];
    SheadStruct hode;
    SheadStruct eksportHode;
    int32_t zeraFilStoerrelse;
    double lukkeToleranse;
    double symbolSkala;
    StringList *fkbListe;
    StringList *loggListe;
    int32_t standardFarge;
    int32_t standardVekt;
    int32_t standardStil;
    char16_t standardPunktcelle[ZVZERA_PUNKTCELLE_LEN];
    double standardCelleskala;
    int32_t standardFont;
    double standardTekstHoyde;
    double standardTekstBredde;
    FILE *etikettfil;
    FILE *xyzFil;
} zeraBrukerGrensesnittData;

#ifdef __cplusplus
extern "C" {
#endif

/* ---- functions ------------------------------------------------------------------ */

/* The running application's record; null before InitBrukerData and after
   FrigjorBrukerData.  Dialogs reach it as "sbgd" (PubliserBrukerData). */
ZVZERA_API extern zeraBrukerGrensesnittData *brukerDataP;

/* Allocates the record (zero-filled; a failed allocation is reported by the
   allocator's box and gives null), sets the defaults and the configuration
   values, then reads the preference block.  The previous record, if any,
   is freed first.  Sets and returns brukerDataP. */
ZVZERA_API zeraBrukerGrensesnittData *InitBrukerData(void);
/* Reads the preference block of the application's preference file into
   the record.  A missing, short or unreadable block leaves the record as
   it is, with no message.  Returns 0 when the block was read. */
ZVZERA_API int LesBrukerOppsett(zeraBrukerGrensesnittData *data);
/* Writes the kept fields as the preference block.  A failed write is not
   reported to the user; the result is 0 when it was written. */
ZVZERA_API int LagreBrukerOppsett(const zeraBrukerGrensesnittData *data);
/* Publishes brukerDataP to the dialogs as "sbgd" (struct
   "zeraBrukerGrensesnittData").  Returns 0, -1 when the host refused. */
ZVZERA_API int PubliserBrukerData(void);
/* The switches that no dialog shows, by the name the keyin "zvzera set
   NAME VALUE" and the job file's "NAME: VALUE" line give them: name i (from
   0), null past the last. */
ZVZERA_API const char *InnstillingNavn(int i);
/* Sets the named switch (without case) of data to verdi, "0" or "1".  0;
   -1 no such name; -2 any other value (data unchanged either way). */
ZVZERA_API int SettInnstilling(zeraBrukerGrensesnittData *data, const char *navn, const char *verdi);
/* The switch's value, -1 no such name. */
ZVZERA_API int LesInnstilling(const zeraBrukerGrensesnittData *data, const char *navn);
/* Frees the record and clears brukerDataP; safe to call twice.  Lists and
   side files the record still holds are closed with it. */
ZVZERA_API void FrigjorBrukerData(void);

#ifdef __cplusplus
}
#endif

#endif
