// The batch job: the job file read with zvlib's tokenizer (switches,
// folders, items with patterns expanded), and the run that imports or
// exports each item unattended and writes the report.
//
// Sections: reading the job file - the run - the items.
#include "batch.h"

#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <map>
#include <string>
#include <vector>

#include "brukerdata.h"
#include "dgnskriv_int.h"
#include "eksport.h"
#include "kartmotor_tjenester.h"
#include "kommandoer.h"
#include "oppsett.h"
#include "mdlhost.h"
#include "zeratagger.h"
#include "zvlibfii.h"
#include "zvlibmem.h"
#include "zvlibtext.h"
#include "zvzera.h"

namespace {

constexpr int MELDINGER = 5; // prompts and messages of the commands
constexpr int MEM_LISTE = 20005;
constexpr int MEM_POST = 14;
constexpr const char *STREK = "-------------------------------------------------------------------------------\n";
constexpr const char *DOBBELSTREK = "===============================================================================\n";

// ---- reading the job file -------------------------------------------------------

// The line begins with key followed by a colon.  A key that only begins
// the line's key ("Type" of "Typebokstav-i-niva:") leaves the cursor where
// it was, for the keys tried after it.
bool erNokkelord(ZvlibFii *fii, const char *nokkel)
{
    char *start = fii->cursor;
    if (zvlibFii_isText(fii, nokkel) == 0 && zvlibFii_isText(fii, ":") == 0)
        return true;
    fii->cursor = start;
    return false;
}

bool harJokertegn(const char *t) { return strpbrk(t, "*?") != nullptr; }

const char *const NOKKELORD[] = {"Type",    "Temafil", "Hodefil",        "Temamal",         "Loggfil", "Seedfil",
                                 "DGN-dir", "ZERA-dir", "Brytere-import", "Brytere-eksport", "Filnavn"};

bool nokkelFoerKolon(const char *p, const char *nokkel)
{
    size_t n = strlen(nokkel);
    if (strncasecmp(p, nokkel, n) != 0)
        return false;
    p += n;
    while (*p == ' ' || *p == '\t')
        p++;
    return *p == ':';
}

// A physical line that begins with a key of the job starts a line of its
// own: a folder ending in '\' before it is not continued into it.
int begynnerMedNokkel(const char *linje, void *)
{
    while (*linje == ' ' || *linje == '\t')
        linje++;
    for (const char *nokkel : NOKKELORD)
        if (nokkelFoerKolon(linje, nokkel))
            return 1;
    for (int i = 0; InnstillingNavn(i) != nullptr; i++)
        if (nokkelFoerKolon(linje, InnstillingNavn(i)))
            return 1;
    return 0;
}

// Why the job file's reader refused a line.
std::string avvisningsTekst(const ZvlibFileRefusal &r)
{
    char t[2 * ZVLIB_FILE_NAME_LEN];
    switch (r.kind) {
    case ZVLIB_FILE_REFUSED_TOO_LONG:
        snprintf(t, sizeof t, "linjen er lengre enn %d tegn", r.limit);
        break;
    case ZVLIB_FILE_REFUSED_JOINED_TOO_LONG:
        snprintf(t, sizeof t, "linjen med fortsettelseslinjer er lengre enn %d tegn", r.limit);
        break;
    case ZVLIB_FILE_REFUSED_NUL:
        snprintf(t, sizeof t, "linjen har et NUL-tegn");
        break;
    case ZVLIB_FILE_REFUSED_CYCLE:
        snprintf(t, sizeof t, "filen %s inkluderer seg selv", r.detail);
        break;
    case ZVLIB_FILE_REFUSED_DEPTH:
        snprintf(t, sizeof t, "filen %s er inkludert dypere enn %d niv\345er", r.detail, r.limit);
        break;
    case ZVLIB_FILE_REFUSED_BUDGET:
        snprintf(t, sizeof t, "filen %s: inkluderingene leser mer enn %d filer eller %ld MB", r.detail, r.limit,
                 ZVLIB_FILE_MAX_INCLUDED_BYTES >> 20);
        break;
    case ZVLIB_FILE_REFUSED_INCLUDE:
        snprintf(t, sizeof t, "den inkluderte filen %s kan ikke \345pnes", r.detail);
        break;
    default:
        snprintf(t, sizeof t, "lesefeil");
        break;
    }
    return t;
}

// The next value of the line into felt (size bytes), cut to fit.
void lesVerdi(ZvlibFii *fii, char *felt, size_t size)
{
    char tekst[ZVLIB_FII_TEXT_LEN] = "";
    zvlibFii_readText(fii, tekst);
    zvlib::copyText(felt, size, tekst);
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
    // A scan has no designs: its lines name the ZERA file alone.
    zvlibFii_readText(fii, type == BATCH_TYPE_SKANN ? zera : dgn);
    if (type != BATCH_TYPE_SKANN)
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
template <size_t N> void settNavnFraAnnen(char (&felt)[N], const char *annen, const char *ext)
{
    char enhet[MDLHOST_MAXFILELENGTH], katalog[MDLHOST_MAXFILELENGTH], navn[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(felt, enhet, katalog, navn, nullptr);
    if (strcmp(navn, "*") != 0)
        return;
    char annetNavn[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(annen, nullptr, nullptr, annetNavn, nullptr);
    char ny[MDLHOST_MAXFILELENGTH];
    if (mdlFile_buildName(ny, enhet, katalog, annetNavn, ext) == 0)
        zvlib::copyText(felt, ny);
}

int lesHeltall(ZvlibFii *fii) { return zvlibFii_readLong(fii, " \t"); }

// The blanks after the key go first: an empty token would read as 0.
void hoppBlanke(ZvlibFii *fii) { zvlibFii_isText(fii, ""); }

void lesBryterImport(ZvlibFii *fii, zeraBrukerGrensesnittData *d)
{
    hoppBlanke(fii);
    d->lagreNivaa4 = lesHeltall(fii);
    d->lagreEgenskaper = lesHeltall(fii);
    if (d->lagreEgenskaper >= 2)
        d->egenskapModus = 1;
    d->importerUkjenteTema = lesHeltall(fii);
    hoydeAvrunding = lesHeltall(fii);
    multHoyde = lesHeltall(fii);
    d->punktModus = lesHeltall(fii);
}

void lesBryterEksport(ZvlibFii *fii, zeraBrukerGrensesnittData *d)
{
    hoppBlanke(fii);
    matchLevel = lesHeltall(fii);
    matchColor = lesHeltall(fii);
    matchStyle = lesHeltall(fii);
    matchWeight = lesHeltall(fii);
    hoydeAvrunding = lesHeltall(fii);
    multHoyde = lesHeltall(fii);
    d->lagreTekststoerrelse = lesHeltall(fii);
}

// The item is replaced by one copy per file that matches the pattern in
// felt (folder + pattern), up to the job's limit; no match adds nothing.
void utvid(BatchJobb *jobb, BatchFil *fil, char *felt, size_t size)
{
    char enhet[MDLHOST_MAXFILELENGTH], katalog[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(felt, enhet, katalog, nullptr, nullptr);
    std::string mappe = std::string(enhet) + katalog;
    MdlFindEntry *treff = nullptr;
    int n = mdlFile_findFiles(&treff, felt);
    size_t offset = static_cast<size_t>(felt - reinterpret_cast<char *>(fil));
    for (int i = 0; i < n && jobb->count < BATCH_MAKS_FILER; ++i) {
        auto *kopi = static_cast<BatchFil *>(zvlibMem_mallocRscErrorPrintf(sizeof(BatchFil), MEM_LISTE, MEM_POST));
        if (kopi == nullptr)
            break;
        *kopi = *fil;
        char *kopiFelt = reinterpret_cast<char *>(kopi) + offset;
        if ((size_t)snprintf(kopiFelt, size, "%s%s", mappe.c_str(), treff[i].name) >= size) {
            dlmSystem_mdlFree(kopi);
            continue;
        }
        jobb->items[jobb->count++] = kopi;
    }
    mdlFileList_free(treff);
    dlmSystem_mdlFree(fil);
}

// A line of one of the settings without a dialog item ("LandXML: 1"); false
// when the line is another key.
bool lesInnstilling(ZvlibFii *fii, const char *jobbFil, FILE *rapport, zeraBrukerGrensesnittData *d)
{
    for (int i = 0; InnstillingNavn(i) != nullptr; i++) {
        if (!erNokkelord(fii, InnstillingNavn(i)))
            continue;
        char verdi[ZVLIB_FII_TEXT_LEN] = "";
        zvlibFii_readText(fii, verdi);
        if (d != nullptr && SettInnstilling(d, InnstillingNavn(i), verdi) != 0)
            fprintf(rapport, "\nFeil! %s tar 0 eller 1, ikke '%s' (linje %d i filen: %s)\n", InnstillingNavn(i), verdi,
                    fii->lineCount, jobbFil);
        return true;
    }
    return false;
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
            else if (strcmp(type, "SKANN") == 0)
                jobb->type = BATCH_TYPE_SKANN;
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
        } else if (erNokkelord(fii, "Temamal")) {
            lesVerdi(fii, jobb->mal, sizeof jobb->mal);
        } else if (erNokkelord(fii, "Loggfil")) {
            lesVerdi(fii, jobb->logBase, sizeof jobb->logBase);
        } else if (erNokkelord(fii, "Seedfil")) {
            if (d)
                lesVerdi(fii, d->seedFil, sizeof d->seedFil);
        } else if (erNokkelord(fii, "DGN-dir")) {
            lesKatalog(fii, dgnKatalog, sizeof dgnKatalog);
        } else if (erNokkelord(fii, "ZERA-dir")) {
            lesKatalog(fii, zeraKatalog, sizeof zeraKatalog);
        } else if (erNokkelord(fii, "Brytere-import")) {
            if (jobb->type == BATCH_TYPE_IMPORT && d)
                lesBryterImport(fii, d);
        } else if (erNokkelord(fii, "Brytere-eksport")) {
            if (jobb->type == BATCH_TYPE_EKSPORT && d)
                lesBryterEksport(fii, d);
        } else if (erNokkelord(fii, "Filnavn")) {
            BatchFil *fil = lesFil(fii, jobb->type, dgnKatalog, zeraKatalog, rapport);
            if (fil == nullptr)
                continue;
            bool zeraMonster = jobb->type != BATCH_TYPE_EKSPORT && harJokertegn(fil->zera);
            bool dgnMonster = jobb->type == BATCH_TYPE_EKSPORT && harJokertegn(fil->dgn);
            if (zeraMonster || dgnMonster)
                utvid(jobb, fil, zeraMonster ? fil->zera : fil->dgn, sizeof fil->zera);
            else
                jobb->items[jobb->count++] = fil;
            if (jobb->count >= BATCH_MAKS_FILER) {
                fprintf(rapport, "\nFeil! Max. %d tegninger kan konverteres i batch.\n", BATCH_MAKS_FILER);
                return;
            }
        } else {
            lesInnstilling(fii, jobbFil, rapport, d);
        }
    }
}

// ---- the run -----------------------------------------------------------------------

std::string bryterTekst(const BatchJobb *jobb, const zeraBrukerGrensesnittData *d)
{
    constexpr const char *INNRYKK = "              ";
    std::string t;
    char linje[256];
    if (jobb->type == BATCH_TYPE_IMPORT) {
        if (d && d->lagreNivaa4)
            t += std::string(INNRYKK) + "Lagre niv\345 4\n";
        if (d && d->lagreEgenskaper) {
            int nr = d->egenskapModus == 1 ? 7 : (d->egenskapModus == 2 ? 36 : 6);
            char modus[128] = "";
            mdlResource_loadFromStringList(modus, sizeof modus, nullptr, 111, nr);
            t += std::string(INNRYKK) + "Lagre egenskaper " + modus + "\n";
        }
    } else if (matchLevel || matchColor || matchStyle || matchWeight) {
        std::string sjekk = std::string(INNRYKK) + "Sjekk mot";
        if (matchLevel)
            sjekk += " lag,";
        if (matchColor)
            sjekk += " farge,";
        if (matchStyle)
            sjekk += " linjetype,";
        if (matchWeight)
            sjekk += " linjetykkelse,";
        sjekk.pop_back();
        t += sjekk + " i temafil\n";
    }
    if (hoydeAvrunding != 0)
        t += std::string(INNRYKK) + "H\370ydeavrunding til hele meter\n";
    if (multHoyde != 0) {
        snprintf(linje, sizeof linje, "%sKun multiple h\370yder av %d meter\n", INNRYKK, multHoyde);
        t += linje;
    }
    if (jobb->type == BATCH_TYPE_EKSPORT && d && d->lagreTekststoerrelse)
        t += std::string(INNRYKK) + "Lagre teksth\370yde/bredde\n";
    return t;
}

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
    std::string brytere = bryterTekst(jobb, d);
    if (brytere.size() > 15)
        fprintf(rapport, "Brytere p\345  : %s", brytere.c_str() + 14);
    else
        fprintf(rapport, "Brytere p\345  : \n");
    fprintf(rapport, "%s\n", DOBBELSTREK);
}

// ---- the items ---------------------------------------------------------------------

void velgFkbGrupper(const char *grupper)
{
    bool alle = grupper[0] == '*';
    int n = Fkbtab.count < 0 ? 0 : (Fkbtab.count > FKB_MAX_GROUPS ? FKB_MAX_GROUPS : Fkbtab.count);
    for (int g = 0; g < n; ++g) {
        char navn[MT_FIELD_LEN + 1];
        snprintf(navn, sizeof navn, "%.*s", MT_FIELD_LEN, Fkbtab.group[g]);
        Fkbtab.selected[g] = (alle || (navn[0] != '\0' && strstr(grupper, navn) != nullptr)) ? 1 : 0;
    }
}

// One import; false when it failed (the report says why).
// An item that fails before the engine's run leaves no log of its own: the
// block named one.
bool utenLogg(FILE *rapport, const zeraBrukerGrensesnittData *d)
{
    fprintf(rapport, "Loggfilen %s er ikke skrevet.\n", d->loggFil);
    return false;
}

bool importer(const BatchFil *fil, FILE *rapport, zeraBrukerGrensesnittData *d)
{
    // The header is read before the seed is copied, so a missing ZERA
    // file leaves no empty design behind.
    if (LesZeraHode(fil->zera, &d->hode, nullptr, rapport) != 0)
        return utenLogg(rapport, d);
    // The design is made from the seed in a work file beside its name and
    // put in place once the import is whole and the design closed: a failed
    // or killed import leaves the earlier design as it was.
    bool ny = strcmp(fil->dgn, tcbP->dgnfilenm) != 0;
    if (ny && mdlhost_newDesignFileWhole(fil->dgn, d->seedFil) != 0) {
        if (mdlErrno == DGNERR_IO)
            fprintf(rapport, "\nFeil! Seedfil: %s kan ikke kopieres\n      til fil: %s\n", d->seedFil, fil->dgn);
        else
            fprintf(rapport, "\nFeil! Kan ikke \345pne filen: %s\n", fil->dgn);
        return utenLogg(rapport, d);
    }
    if (d->lagreEgenskaper) {
        LagTagsett();
        SkrivTagsettFeil(rapport);
    }
    lagreNivaa4 = d->lagreNivaa4;
    // The side files belong to this design, as in the import command.
    AapneSidefiler();
    int rc = ImporterTilAktivTegning(fil->zera);
    int dgnFeil = zeraSkriverStoppetAv();
    LukkSidefiler();
    if (rc != 0) {
        // The engine's own message names the cause; a file error that
        // stopped the writer (a full disk) is said as well.
        fprintf(rapport, "\n%s\n", zeraMotorensMelding(true).c_str());
        if (dgnFeil == DGNERR_DISKFULL || dgnFeil == DGNERR_READONLY || dgnFeil == DGNERR_FILEFULL) {
            char tekst[BMW_CTXT_LEN] = "";
            mdlOutput_rscsPrintf(tekst, sizeof tekst, nullptr, MELDINGER, -dgnFeil, Elm.serial, fil->zera);
            fprintf(rapport, "%s\n", tekst);
        }
        fprintf(rapport, "Import av ZERA-fil '%s' til '%s' er avbrutt\nved ZERA-element med ID-nr. %d.\n", fil->zera,
                fil->dgn, Elm.serial);
        if (ny)
            mdlhost_closeDesignFileKeeping(0);
        return false;
    }
    if (ny && mdlhost_closeDesignFileKeeping(1) != 0) {
        fprintf(rapport, "\nFeil! Tegningen %s kan ikke lagres: %s\n", fil->dgn, strerror(errno));
        return false;
    }
    fprintf(rapport, "\n");
    return true;
}

bool eksporter(const BatchFil *fil, FILE *rapport, zeraBrukerGrensesnittData *d)
{
    if (strcmp(fil->dgn, tcbP->dgnfilenm) != 0 && mdlSystem_newDesignFile(fil->dgn) != 0) {
        fprintf(rapport, "\nFeil! Kan ikke \345pne filen: %s\n", fil->dgn);
        return utenLogg(rapport, d);
    }
    // A header file named but unreadable fails the item: the standard
    // header (level 3) would drop the areas without a word.
    if (d->hodeFil[0] == '\0') {
        LagStandardHode(&d->hode);
        TilpassStandardHode(&d->hode);
    } else if (LesZeraHode(d->hodeFil, &d->hode, nullptr, rapport) != 0)
        return utenLogg(rapport, d);
    zvlib::copyText(d->hode.kartid, fil->kartId);
    d->eksportHode = d->hode;
    char temp[ZVZERA_TEKST_LEN];
    FinnTempKatalog(temp);
    std::string tempFil = std::string(temp) + "dgn2zera.tmp";
    if (init_dgn2zera(d->temaFil, tempFil.c_str(), &d->hode, reinterpret_cast<MdlFunctionP>(c_txt)) != 0) {
        fprintf(rapport, "\n%s\n", zeraMotorensMelding().c_str());
        return utenLogg(rapport, d);
    }
    // Heights of 0 are written as the setting says, never from a 2D design.
    lagreNOH = d->lagreNOH && mgds_modesP->is3D ? 1 : 0;
    // As the export dialog sets them: without them no element would carry
    // its theme.
    eksporterObjekttype = 1;
    eksporterZeratema = d->zera40 ? 0 : 1;
    EksporterTegning();
    long skrevet = 0, utelatt = 0;
    for (int t = 0; t < ZERA_TYPE_COUNT; t++) {
        skrevet += Bmw.written[t];
        utelatt += Bmw.notImported[t];
    }
    int slutt = exit_dgn2zera(d->loggFil, fil->zera, tempFil.c_str(), d->temaFil, d->hodeFil, d->xmlFil,
                              reinterpret_cast<MdlFunctionP>(c_txt));
    remove(tempFil.c_str());
    // No box waits in batch: a ZERA file that cannot be made or completed
    // is named in the report with the engine's cause (a full disk among
    // them); the earlier file is left as it was.
    if (slutt == 1 || slutt == 3) {
        fprintf(rapport, "\n%s\ni filen: %s\n", zeraMotorensMelding(true).c_str(), fil->zera);
        return false;
    }
    fprintf(rapport, "\n%ld ZERA-elementer er skrevet, %ld er utelatt.\n", skrevet, utelatt);
    // A file with a header and .SLUTT only is no conversion.
    if (skrevet == 0) {
        fprintf(rapport, "Feil! Ingen elementer er skrevet til %s.\n", fil->zera);
        return false;
    }
    return true;
}

void lukkRapport(const BatchJobb *jobb, FILE *rapport)
{
    if (rapportTilFil) {
        if (dlmSystem_mdlFclose(rapport) != 0)
            BatchRapportTapt(jobb->rapport, strerror(errno));
        rapportFil = toolSubsystem_getStderr();
        rapportTilFil = 0;
    }
}

// ---- files the items must not write ------------------------------------------------

// What a name stands for on this machine: the file's device and inode when
// it exists, else its folder's real path and its own name.
std::string identitet(const char *navn)
{
    char lokal[PATH_MAX];
    mdlhost_mapPath(lokal, sizeof lokal, navn);
    if (lokal[0] == '\0')
        return std::string("?") + navn;
    struct stat st;
    if (stat(lokal, &st) == 0)
        return "i" + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    std::string l = lokal;
    size_t skille = l.rfind('/');
    std::string mappe = skille == std::string::npos ? "." : skille == 0 ? "/" : l.substr(0, skille);
    std::string eget = skille == std::string::npos ? l : l.substr(skille + 1);
    char ekte[PATH_MAX];
    if (realpath(mappe.c_str(), ekte) != nullptr)
        return "p" + std::string(ekte) + "/" + eget;
    return "p" + l;
}

struct Filer {
    std::map<std::string, std::string> inndata; // identity -> what the file is to the job
    void legg(const char *navn, const std::string &hva)
    {
        if (navn != nullptr && navn[0] != '\0')
            inndata.emplace(identitet(navn), hva);
    }
    const std::string *finn(const char *navn) const
    {
        auto it = inndata.find(identitet(navn));
        return it == inndata.end() ? nullptr : &it->second;
    }
};

std::string elementTekst(const char *hva, int i) { return std::string(hva) + " til element " + std::to_string(i + 1); }

// The files the job reads: no output may replace one of them.
Filer jobbensInndata(const BatchJobb *jobb, const zeraBrukerGrensesnittData *d)
{
    Filer f;
    f.legg(jobb->jobbFil, "jobbfilen");
    if (d != nullptr) {
        f.legg(d->temaFil, "temafilen");
        if (jobb->type == BATCH_TYPE_IMPORT)
            f.legg(d->seedFil, "seedfilen");
        if (jobb->type == BATCH_TYPE_EKSPORT)
            f.legg(d->hodeFil, "hodefilen");
    }
    for (int i = 0; i < jobb->count; i++) {
        if (jobb->type == BATCH_TYPE_EKSPORT)
            f.legg(jobb->items[i]->dgn, elementTekst("DGN-filen", i));
        else
            f.legg(jobb->items[i]->zera, elementTekst("ZERA-filen", i));
    }
    return f;
}

// For each item, why it may not run ("" when it may): one of its outputs
// is an input of the job, the report, or the main output of an earlier
// item.  The log names are those the run gives.
std::vector<std::string> kolliderendeElementer(const BatchJobb *jobb, zeraBrukerGrensesnittData *d)
{
    std::vector<std::string> avvist(size_t(jobb->count));
    Filer inn = jobbensInndata(jobb, d);
    if (jobb->rapport[0] != '\0')
        inn.legg(jobb->rapport, "rapporten");
    bool import = jobb->type == BATCH_TYPE_IMPORT;
    Filer ut;
    for (int i = 0; i < jobb->count; i++) {
        const BatchFil *fil = jobb->items[i];
        const char *hoved = import ? fil->dgn : fil->zera;
        const char *hovedHva = import ? "DGN-filen" : "ZERA-filen";
        std::vector<std::pair<std::string, std::string>> utfiler{{hoved, hovedHva}};
        LagLoggfilNavnFraZerafilEllerIndeks(jobb->logBase, fil->zera, i);
        utfiler.emplace_back(d->loggFil, "Loggfilen");
        if (import && d->lagXmlFil) {
            LagXMLfilNavnFraZerafilEllerIndeks(jobb->logBase, fil->zera, i);
            utfiler.emplace_back(d->xmlFil, "LandXML-filen");
        }
        for (const auto &[navn, hva] : utfiler) {
            const std::string *er = inn.finn(navn.c_str());
            if (er == nullptr && navn == hoved)
                er = ut.finn(navn.c_str());
            if (er != nullptr) {
                std::string eget = *er == elementTekst(import ? "ZERA-filen" : "DGN-filen", i)
                                       ? std::string("elementets egen ") + (import ? "ZERA-fil" : "DGN-fil")
                                       : *er;
                avvist[size_t(i)] = hva + " " + navn + " er ogs\345 " + eget + ".";
                break;
            }
        }
        if (avvist[size_t(i)].empty())
            ut.legg(hoved, elementTekst(hovedHva, i));
    }
    return avvist;
}

// The report may not replace a file the job reads: it is not kept, and
// nothing is run.
bool rapportenErInndata(BatchJobb *jobb, FILE *rapport, const zeraBrukerGrensesnittData *d)
{
    if (!rapportTilFil || jobb->rapport[0] == '\0')
        return false;
    const std::string *er = jobbensInndata(jobb, d).finn(jobb->rapport);
    if (er == nullptr)
        return false;
    mdlhost_discardFile(rapport);
    rapportFil = toolSubsystem_getStderr();
    rapportTilFil = 0;
    BatchRapportTapt(jobb->rapport, ("den er ogs\345 " + *er + "; jobben er ikke kj\370rt").c_str());
    return true;
}

// A scan job: every item's ZERA file into one template, with one log.
void skann(const BatchJobb *jobb, FILE *rapport, zeraBrukerGrensesnittData *d)
{
    fprintf(rapport, "\n%s", DOBBELSTREK);
    fprintf(rapport, "ZvZera - %s\n\n", getZvZeraVersionInfo(1));
    fprintf(rapport, "ZERA-Skanning (ZERA -> temamal)\n");
    fprintf(rapport, "Temamal     : %s\n", jobb->mal);
    if (jobb->mal[0] == '\0') {
        fprintf(rapport, "%s\nFeil! Jobben har ingen 'Temamal'.\n", DOBBELSTREK);
        return;
    }
    LagLoggfilNavnFraZerafilEllerIndeks(jobb->logBase, jobb->mal, 0);
    fprintf(rapport, "Loggfil     : %s\n", d->loggFil);
    fprintf(rapport, "%s", DOBBELSTREK);
    std::vector<const char *> filer;
    for (int i = 0; i < jobb->count; i++) {
        fprintf(rapport, "ZERA-fil    : %s\n", jobb->items[i]->zera);
        filer.push_back(jobb->items[i]->zera);
    }
    settXML(0);
    int n = LagTemamal(jobb->mal, filer.data(), (int)filer.size(), rapport);
    if (n < 0)
        fprintf(rapport, "\n0 ZERA-filer er skannet.\n\n");
    else
        fprintf(rapport, "\n%d ZERA-filer er skannet til temamalen %s.\n\n", n, jobb->mal);
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
    zvlibFile_setRecordStart(fii.file, begynnerMedNokkel, nullptr);
    zeraBrukerGrensesnittData *d = brukerDataP;
    if (d)
        d->visUnderveis = 0;
    lesJobb(&fii, jobbFil, jobb, rapport, d);
    if (const ZvlibFileRefusal *r = zvlibFile_firstRefusal(fii.file)) {
        // Items behind the line would be lost without a word: none is run.
        fprintf(rapport, "\nFeil! Jobbfilen kan ikke leses: %s (linje %d i filen: %s).\n"
                         "      Jobben er ikke kj\370rt.\n",
                avvisningsTekst(*r).c_str(), r->line, r->file);
        zvlibFii_close(&fii);
        FrigjorBatchJobb(jobb);
        return ZVZERA_FEIL;
    }
    zvlibFii_close(&fii);
    zvlib::copyText(jobb->jobbFil, jobbFil);
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
    zeraBrukerGrensesnittData *d = brukerDataP;
    if (rapportenErInndata(jobb, rapport, d))
        return;
    if (jobb->type == BATCH_TYPE_SKANN) {
        if (d != nullptr)
            skann(jobb, rapport, d);
        lukkRapport(jobb, rapport);
        return;
    }
    skrivHode(jobb, rapport, d);
    // A killed run leaves what was flushed in the report's temporary.
    fflush(rapport);
    bool import = jobb->type == BATCH_TYPE_IMPORT;
    memset(&Mstemtab, 0, sizeof Mstemtab);
    memset(&Fkbtab, 0, sizeof Fkbtab);
    if (d == nullptr || mt_init(d->temaFil, 0) != 0) {
        fprintf(rapport, "\nFeil ved lesing av temafilen: %s\n", d ? d->temaFil : "");
    } else {
        mdlSystem_enterGraphicsExtended(1);
        std::vector<std::string> avvist = kolliderendeElementer(jobb, d);
        int feil = 0;
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
            fprintf(rapport, "Loggfil     : %s\n", d->loggFil);
            settXML(import && d->lagXmlFil ? 1 : 0);
            if (import && d->lagXmlFil) {
                LagXMLfilNavnFraZerafilEllerIndeks(jobb->logBase, fil->zera, i);
                fprintf(rapport, "LandXML-fil : %s\n", d->xmlFil);
            }
            fprintf(rapport, "%s", STREK);
            fflush(rapport);
            if (!avvist[size_t(i)].empty()) {
                fprintf(rapport, "\nFeil! %s Elementet er ikke kj\370rt.\n", avvist[size_t(i)].c_str());
                utenLogg(rapport, d);
                feil++;
                fflush(rapport);
                continue;
            }
            zvlib::copyText(d->zeraFil, fil->zera);
            velgFkbGrupper(fil->groups);
            bool ok = import ? importer(fil, rapport, d) : eksporter(fil, rapport, d);
            if (!ok)
                feil++;
            fflush(rapport);
        }
        fprintf(rapport, import ? "\n%d ZERA-filer er importert til MicroStation.\n\n"
                                : "\n%d ZERA-filer er eksportert fra MicroStation.\n\n",
                jobb->count - feil);
    }
    lukkRapport(jobb, rapport);
}

int BatchSammeFil(const char *a, const char *b)
{
    return a != nullptr && b != nullptr && identitet(a) == identitet(b) ? 1 : 0;
}

void BatchRapportTapt(const char *navn, const char *aarsak)
{
    fprintf(toolSubsystem_getStderr(), "Feil! Rapporten %s kan ikke skrives: %s\n", navn, aarsak);
    fflush(toolSubsystem_getStderr());
    mdlSystem_exit(1, 0);
}

void FrigjorBatchJobb(BatchJobb *jobb)
{
    for (int i = 0; i < jobb->count; i++)
        dlmSystem_mdlFree(jobb->items[i]);
    memset(jobb, 0, sizeof *jobb);
}
