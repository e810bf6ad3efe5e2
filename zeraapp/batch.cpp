// The batch job: the job file read with zvlib's tokenizer, and the run's
// report.  Until the conversions are in this build, the run reports what
// it would convert and the log each conversion would write.
//
// Sections: reading the job file - the run.
#include "batch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "brukerdata.h"
#include "kartmotor_tjenester.h"
#include "mdlhost.h"
#include "zvlibfii.h"
#include "zvlibmem.h"
#include "zvzera.h"

namespace {

constexpr int MEM_LISTE = 20005;
constexpr int MEM_POST = 14;
constexpr const char *STREK = "-------------------------------------------------------------------------------\n";
constexpr const char *DOBBELSTREK = "===============================================================================\n";

// ---- reading the job file -------------------------------------------------------

// The line begins with key followed by a colon.
bool erNokkelord(ZvlibFii *fii, const char *nokkel)
{
    return zvlibFii_isText(fii, nokkel) == 0 && zvlibFii_isText(fii, ":") == 0;
}

bool harJokertegn(const char *t) { return strpbrk(t, "*?") != nullptr; }

// The next value of the line into felt (size bytes), cut to fit.
void lesVerdi(ZvlibFii *fii, char *felt, size_t size)
{
    char tekst[ZVLIB_FII_TEXT_LEN] = "";
    zvlibFii_readText(fii, tekst);
    snprintf(felt, size, "%s", tekst);
}

// A folder of the job file, with the separator the names are joined with.
void lesKatalog(ZvlibFii *fii, char *katalog, size_t size)
{
    lesVerdi(fii, katalog, size);
    size_t n = strlen(katalog);
    if (n > 0 && katalog[n - 1] != '\\' && katalog[n - 1] != '/' && n + 1 < size) {
        katalog[n] = '\\';
        katalog[n + 1] = '\0';
    }
}

// folder + name into felt; false when it does not fit.
bool settSammen(char *felt, size_t size, const char *katalog, const char *navn)
{
    return (size_t)snprintf(felt, size, "%s%s", katalog, navn) < size;
}

// One "Filnavn" line: the item, or null with the reason in the report.
BatchFil *lesFil(ZvlibFii *fii, int type, const char *dgnKatalog, const char *zeraKatalog, FILE *rapport)
{
    char dgn[ZVLIB_FII_TEXT_LEN] = "", zera[ZVLIB_FII_TEXT_LEN] = "";
    zvlibFii_readText(fii, dgn);
    zvlibFii_readText(fii, zera);
    if (type == BATCH_TYPE_IMPORT && harJokertegn(dgn) && strlen(dgn) > 1) {
        fprintf(rapport, "\nFeil! Tegnene '*' og '?' kan ikke brukes som del av DGN-navn.\n"
                         "      Tegnet '*' kan imidlertid brukes alene for \345 angi samme navn som ZERA-fil.\n");
        return nullptr;
    }
    if (type == BATCH_TYPE_EKSPORT && (zera[0] == '\0' || harJokertegn(dgn)))
        snprintf(zera, sizeof zera, "*");
    if (type == BATCH_TYPE_EKSPORT && harJokertegn(zera) && strlen(zera) > 1) {
        fprintf(rapport, "\nFeil! Tegnene '*' og '?' kan ikke brukes som del av ZERA-navn.\n"
                         "      Tegnet '*' kan imidlertid brukes alene for \345 angi samme navn som DGN-fil.\n");
        return nullptr;
    }
    // Patterns that name several files are not expanded in this build.
    if ((type == BATCH_TYPE_IMPORT && harJokertegn(zera)) || (type == BATCH_TYPE_EKSPORT && harJokertegn(dgn))) {
        fprintf(rapport, "\nFilnavn med '*' eller '?' utvides ikke i denne utgaven: %s %s\n", dgn, zera);
        return nullptr;
    }
    auto *fil = static_cast<BatchFil *>(zvlibMem_mallocRscErrorPrintf(sizeof(BatchFil), MEM_LISTE, MEM_POST));
    if (fil == nullptr)
        return nullptr;
    memset(fil, 0, sizeof *fil);
    if (!settSammen(fil->dgn, sizeof fil->dgn, dgnKatalog, dgn) ||
        !settSammen(fil->zera, sizeof fil->zera, zeraKatalog, zera)) {
        fprintf(rapport, "\nFeil! Filnavnet er for langt: %s%s\n", zeraKatalog, zera);
        dlmSystem_mdlFree(fil);
        return nullptr;
    }
    lesVerdi(fii, fil->groups, sizeof fil->groups);
    lesVerdi(fii, fil->kartId, sizeof fil->kartId);
    if (fil->groups[0] == '\0' && fil->kartId[0] == '\0')
        snprintf(fil->groups, sizeof fil->groups, "*");
    return fil;
}

// An item whose own name is "*" takes the other file's name in its own
// folder, with extension ext.
void settNavnFraAnnen(char *felt, const char *annen, const char *ext)
{
    char enhet[MDLHOST_MAXFILELENGTH], katalog[MDLHOST_MAXFILELENGTH], navn[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(felt, enhet, katalog, navn, nullptr);
    if (strcmp(navn, "*") != 0)
        return;
    char annetNavn[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(annen, nullptr, nullptr, annetNavn, nullptr);
    char ny[MDLHOST_MAXFILELENGTH];
    if (mdlFile_buildName(ny, enhet, katalog, annetNavn, ext) == 0)
        snprintf(felt, 256, "%s", ny);
}

void lesJobb(ZvlibFii *fii, const char *jobbFil, BatchJobb *jobb, FILE *rapport, zeraBrukerGrensesnittData *d)
{
    char dgnKatalog[256] = "", zeraKatalog[256] = "";
    while (zvlibFii_readNewLine(fii) == 0) {
        if (erNokkelord(fii, "Type")) {
            char type[ZVLIB_FII_TEXT_LEN] = "";
            zvlibFii_readText(fii, type);
            if (strcmp(type, "IMPORT") == 0)
                jobb->type = BATCH_TYPE_IMPORT;
            else if (strcmp(type, "EKSPORT") == 0)
                jobb->type = BATCH_TYPE_EKSPORT;
            else {
                fprintf(rapport, "\nFeil kode for 'Type' i filen: %s\n", jobbFil);
                FrigjorBatchJobb(jobb);
                return;
            }
        } else if (erNokkelord(fii, "Temafil")) {
            if (d)
                lesVerdi(fii, d->temaFil, sizeof d->temaFil);
        } else if (erNokkelord(fii, "Hodefil")) {
            if (d)
                lesVerdi(fii, d->hodeFil, sizeof d->hodeFil);
        } else if (erNokkelord(fii, "Loggfil")) {
            lesVerdi(fii, jobb->logBase, sizeof jobb->logBase);
        } else if (erNokkelord(fii, "Seedfil")) {
            if (d)
                lesVerdi(fii, d->seedFil, sizeof d->seedFil);
        } else if (erNokkelord(fii, "DGN-dir")) {
            lesKatalog(fii, dgnKatalog, sizeof dgnKatalog);
        } else if (erNokkelord(fii, "ZERA-dir")) {
            lesKatalog(fii, zeraKatalog, sizeof zeraKatalog);
        } else if (erNokkelord(fii, "Filnavn")) {
            if (jobb->count >= BATCH_MAKS_FILER) {
                fprintf(rapport, "\nFeil! Max. %d tegninger kan konverteres i batch.\n", BATCH_MAKS_FILER);
                return;
            }
            if (BatchFil *fil = lesFil(fii, jobb->type, dgnKatalog, zeraKatalog, rapport))
                jobb->items[jobb->count++] = fil;
        }
    }
}

// ---- the run -----------------------------------------------------------------------

void skrivHode(const BatchJobb *jobb, FILE *rapport, const zeraBrukerGrensesnittData *d)
{
    fprintf(rapport, "\n%s", DOBBELSTREK);
    fprintf(rapport, "ZvZera - %s\n\n", getZvZeraVersionInfo(1));
    if (jobb->type == BATCH_TYPE_IMPORT) {
        fprintf(rapport, "ZERA-Import (ZERA -> MicroStation)\n");
        fprintf(rapport, "Temafil     : %s\n", d ? d->temaFil : "");
        fprintf(rapport, "Seedfil     : %s\n", d ? d->seedFil : "");
    } else {
        fprintf(rapport, "ZERA-Eksport (MicroStation -> ZERA)\n");
        fprintf(rapport, "Temafil     : %s\n", d ? d->temaFil : "");
        fprintf(rapport, "Hodefil     : %s\n", d ? d->hodeFil : "");
    }
    fprintf(rapport, "%s\n", DOBBELSTREK);
}

} // namespace

int LesBatchFil(const char *jobbFil, int notByUser, BatchJobb *jobb, FILE *rapport)
{
    char funnet[MDLHOST_MAXFILELENGTH];
    if (notByUser == 1 && mdlFile_find(funnet, jobbFil, nullptr, nullptr) != 0) {
        fprintf(rapport, "\nFEIL!  Finner ikke filen: %s\n\n", jobbFil);
        return ZVZERA_FEIL;
    }
    memset(jobb, 0, sizeof *jobb);
    ZvlibFii fii;
    if (zvlibFii_open(&fii, jobbFil, "r") != 0)
        return ZVZERA_FEIL;
    zeraBrukerGrensesnittData *d = brukerDataP;
    if (d)
        d->visUnderveis = 0;
    lesJobb(&fii, jobbFil, jobb, rapport, d);
    zvlibFii_close(&fii);
    for (int i = 0; i < jobb->count; i++) {
        BatchFil *fil = jobb->items[i];
        if (jobb->type == BATCH_TYPE_IMPORT)
            settNavnFraAnnen(fil->dgn, fil->zera, "dgn");
        else if (jobb->type == BATCH_TYPE_EKSPORT)
            settNavnFraAnnen(fil->zera, fil->dgn, "zer");
    }
    return jobb->count > 0 ? 0 : ZVZERA_FEIL;
}

void KjoerBatch(BatchJobb *jobb, FILE *rapport)
{
    const zeraBrukerGrensesnittData *d = brukerDataP;
    skrivHode(jobb, rapport, d);
    bool import = jobb->type == BATCH_TYPE_IMPORT;
    for (int i = 0; i < jobb->count; i++) {
        const BatchFil *fil = jobb->items[i];
        fprintf(rapport, "\n%s", STREK);
        if (import) {
            fprintf(rapport, "ZERA-Import : %s ==> %s\n", fil->zera, fil->dgn);
        } else {
            fprintf(rapport, "ZERA-Eksport: %s ==> %s\n", fil->dgn, fil->zera);
            fprintf(rapport, "Kart-ID     : %s\n", fil->kartId);
        }
        fprintf(rapport, "FKB-grupper : %s\n", fil->groups);
        LagLoggfilNavnFraZerafilEllerIndeks(jobb->logBase, fil->zera, i);
        fprintf(rapport, "Loggfil     : %s\n", d ? d->loggFil : "");
        fprintf(rapport, "%s", STREK);
    }
    fprintf(rapport, "\n%d ZERA-filer er klare for %s; konverteringen er ikke med i denne utgaven.\n\n", jobb->count,
            import ? "import til MicroStation" : "eksport fra MicroStation");
    if (rapportTilFil) {
        dlmSystem_mdlFclose(rapport);
        rapportFil = toolSubsystem_getStderr();
        rapportTilFil = 0;
    }
}

void FrigjorBatchJobb(BatchJobb *jobb)
{
    for (int i = 0; i < jobb->count; i++)
        dlmSystem_mdlFree(jobb->items[i]);
    memset(jobb, 0, sizeof *jobb);
}
