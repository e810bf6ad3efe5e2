// Import and scan drivers: read a ZERA file group by group, hand each
// element to the calling application, and write the report.
//
// Sections: run state - callbacks and progress - group reading - report at
// the end - import (first pass, second pass, perf_zera2dgn) - scan.
//
// The import reads the file twice:
//
//   .HODE --> first pass: every group in file order ---------> .SLUTT / end of file
//                |   .TRASE .FLATE .STRUKTUR: only the position is kept
//                v
//             second pass (lagreNivaa4 or geoGraphics): the kept groups in order
//
// so the application has written every element an area refers to before
// the area arrives.  The first pass keeps the texts of the level-4 groups
// as far as a fixed store holds them; the others are read again.  Memory
// stays flat whatever the file size: one group buffer, one sub-point
// buffer, the store and the list of kept positions.
#include <cstring>

#include "kartmotor_int.h"
#include "mdlhost.h"

namespace {

// ---- run state -----------------------------------------------------------

// The file in blocks; the group in hand; and the .PUNKT group built from a
// "...PTEMA" line, which needs its own buffer because the line's group stays
// in use.
Gruppekilde kilde;
char gruppe[ZERA_GROUP_BUFFER];
char punktGruppe[ZERA_GROUP_BUFFER];

// Level-4 groups kept for the second pass: file position and start line
// (the line keeps messages of the second pass pointing at the right place).
long utsattPos[ZERA_MAX_DEFERRED];
int32_t utsattLinje[ZERA_MAX_DEFERRED];

// Their texts as the first pass read them, as far as a fixed store holds
// them: the second pass takes those from here rather than read the file a
// second time at scattered places.  Memory stays the same whatever the file.
const size_t UTSATT_LAGER = 2 * ZERA_GROUP_BUFFER;
static_assert(UTSATT_LAGER < UINT32_MAX, "a place in the store is 32 bits");
char utsattLager[UTSATT_LAGER];
size_t utsattBrukt;
struct UtsattTekst {
    uint32_t fra, len; // in utsattLager; len 0: not kept, read from the file
    long neste;      // file position after the group
    int32_t sisteLinje;
};
UtsattTekst utsattTekst[ZERA_MAX_DEFERRED];

enum Utfall {
    VIDERE = 0,   // next group
    SLUTT = 1,    // .SLUTT: the pass ends
    UTELATT = 2,  // the element is left out, with its sub-points and text
    STOPP = -1,   // the element writer asked to stop
    LESEFEIL = -2 // the file cannot be read on
};

// ZERA2DGN numbers of the drivers.
enum {
    FEIL_APNE = 1,
    FEIL_TEMATABELL = 3,
    FEIL_LES = 4,
    FEIL_HODE = 5,
    FEIL_RAPPORT = 7,
    FEIL_LANDXML = 13,
    FEIL_KORTERE = 14,
    FEIL_STOPP = 11,
    FEIL_NIVAA4 = 12,
};
// Reason under which a scan lists every theme it meets.
const int SKANN_GRUNN = 3;

struct Kjoring {
    MdlDesc *desc = nullptr;
    MdlFunctionP skriver = nullptr;
    MdlFunctionP fremdrift = nullptr;
    MdlFunctionP hoydeCb = nullptr;
    bool skann = false;            // progress through callMdlFunction, 2 % steps
    int importUkjent = 0;
    const char *zeraFil = "";
    FILE *fp = nullptr;
    long filStorrelse = 0;
    SheadStruct head{};
    ScharStruct keys{};
    int32_t linjeTeller = 0;
    int32_t startLinje = 0;
    long nestePos = 0;
    long gruppePos = 0;
    long lestTil = 0;              // file position after the last read, for progress
    bool hodeSist = false;         // the header was the only group
    int nesteSteg = 0;             // next progress step to report
    int32_t antallUtsatt = 0;
    bool utsattFull = false;
    bool iso885910 = false;        // the header declares ISO8859-10
    bool bokstavMeldt[256] = {};   // its letters already named in the report
};

const char *tom_som_blank(const char *s) { return s ? s : ""; }

// ---- callbacks and progress ----------------------------------------------

// The element writer; -1 asks the run to stop.  A missing writer writes
// nothing and never stops the run.
int skriv_element(Kjoring &k)
{
    if (k.skriver == nullptr)
        return 0;
    return dlmSystem_callAnyFunction(k.desc, k.skriver, "");
}

void meld_fremdrift(Kjoring &k, int prosent, int fase)
{
    if (k.fremdrift == nullptr)
        return;
    if (k.skann)
        dlmSystem_callMdlFunction(k.desc, k.fremdrift, "DI", (double)prosent, fase);
    else
        dlmSystem_callAnyFunction(k.desc, k.fremdrift, "DI", (double)prosent, fase);
}

// At most one call per group, one step at a time.  Step 100 is left to the
// end of the pass, so each pass reports 100 exactly once.
void fremdrift_steg(Kjoring &k, double hittil, double alt, int fase)
{
    if (k.fremdrift == nullptr || alt <= 0)
        return;
    if (hittil * 100.0 / alt >= k.nesteSteg && k.nesteSteg < 100) {
        meld_fremdrift(k, k.nesteSteg, fase);
        k.nesteSteg += k.skann ? 2 : 1;
    }
}

// ---- group reading ----------------------------------------------------------

// Comment switches of the reader: the header drops its comments, element
// groups all but the symbology keys the export writes as comments.
const int16_t KOMMENTAR_HODE = 1;
const int16_t KOMMENTAR_ELEMENT = 2;

enum Lest {
    LEST_GRUPPE,    // gruppe holds a group, more follow
    LEST_SISTE,     // gruppe holds the last group of the file (maybe empty)
    LEST_AVVIST,    // the reader refused a group and skipped it
    LEST_FATAL,     // the file cannot be read on
};

Lest les_gruppe(Kjoring &k, int16_t kommentar)
{
    long for_ = gruppekilde_pos(&kilde);
    Bmw.lastFatal = 0;
    int16_t rc = zerget_gruppe(&kilde, gruppe, sizeof gruppe, &k.linjeTeller, &k.startLinje, &k.nestePos,
                               &k.gruppePos, &kommentar);
    if (rc == 1) {
        k.lestTil = k.nestePos;
        return LEST_SISTE;
    }
    if (rc == -2 && Bmw.lastFatal)
        return LEST_FATAL;
    // Every group read takes at least its group line, so the next read
    // starts further on; a reader that did not would hold the loop for ever.
    if (k.nestePos <= for_)
        return LEST_FATAL;
    k.lestTil = k.nestePos;
    return rc == 0 ? LEST_GRUPPE : LEST_AVVIST;
}

// ---- report at the end ---------------------------------------------------

// Writes the report; a report that cannot be created is registered and
// named on the text window, since the run itself may still have succeeded.
bool skriv_rapport(const char *rapport, const char *zera, const char *tema, const char *xml, int importUkjent,
                   MdlFunctionP cTxt)
{
    if (exit_zera2dgn(rapport, zera, tema, xml, importUkjent, cTxt) == 0)
        return true;
    toolSubsystem_printf("Rapportfil kan ikke opprettes:\n'%s'.\n", tom_som_blank(rapport));
    bmwclr();
    bmw_meld("ZERA2DGN", FEIL_RAPPORT, BMW_FATAL, 0);
    return false;
}

// mt_creat registers its own failure (ZERA2DGN 6); the text window names
// the file, since the report that would show it may already be written.
void skriv_mal(const char *zera, const char *mal, int nyFil)
{
    if (mt_creat(zera, mal, nyFil) != 0)
        toolSubsystem_printf("Temamal kan ikke skrives:\n'%s'.\n", tom_som_blank(mal));
}

void lukk(Kjoring &k)
{
    gruppekilde_lukk(&kilde);
    if (k.fp != nullptr)
        dlmSystem_mdlFclose(k.fp);
    k.fp = nullptr;
}

bool apne(Kjoring &k, const char *zeraFil)
{
    k.zeraFil = tom_som_blank(zeraFil);
    // A FIFO or device would block the run or never end it.
    k.fp = zeraFil ? mdlhost_fopenRegular(zeraFil) : nullptr;
    return k.fp != nullptr;
}

// Reads the header group (comments stripped) into the run.  0 or a
// ZERA2DGN number.
int les_hode(Kjoring &k)
{
    if (fseek(k.fp, 0, SEEK_END) == 0)
        k.filStorrelse = ftell(k.fp);
    if (k.filStorrelse < 0 || fseek(k.fp, 0, SEEK_SET) != 0)
        return FEIL_LES;
    gruppekilde_apne(&kilde, k.fp);
    Lest lest = les_gruppe(k, KOMMENTAR_HODE);
    if ((lest != LEST_GRUPPE && lest != LEST_SISTE) || gruppe[0] == '\0')
        return FEIL_LES;
    if (zerget_head(gruppe, &k.head, &k.keys) != 0)
        return FEIL_HODE;
    k.hodeSist = lest == LEST_SISTE;
    char navn[SHEAD_TEGNSETT_LEN] = "";
    const char *p = finn_nokkel(gruppe, "..TEGNSETT", nullptr);
    k.iso885910 = p != nullptr && linje_token(p, 1, navn, sizeof navn) == 0 && strcmp(navn, "ISO8859-10") == 0;
    memset(k.bokstavMeldt, 0, sizeof k.bokstavMeldt);
    return 0;
}

// The code point of an ISO 8859-10 byte where it differs from ISO 8859-1
// (the letters are kept as their ISO 8859-1 byte); 0 where both agree.
uint16_t iso885910_avvik(unsigned char c)
{
    static const uint16_t a0[96] = {
        0x00A0, 0x0104, 0x0112, 0x0122, 0x012A, 0x0128, 0x0136, 0x00A7, 0x013B, 0x0110, 0x0160, 0x0166,
        0x017D, 0x00AD, 0x016A, 0x014A, 0x00B0, 0x0105, 0x0113, 0x0123, 0x012B, 0x0129, 0x0137, 0x00B7,
        0x013C, 0x0111, 0x0161, 0x0167, 0x017E, 0x2015, 0x016B, 0x014B, 0x0100, 0x00C1, 0x00C2, 0x00C3,
        0x00C4, 0x00C5, 0x00C6, 0x012E, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x0116, 0x00CD, 0x00CE, 0x00CF,
        0x00D0, 0x0145, 0x014C, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x0168, 0x00D8, 0x0172, 0x00DA, 0x00DB,
        0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x0101, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x012F,
        0x010D, 0x00E9, 0x0119, 0x00EB, 0x0117, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x0146, 0x014D, 0x00F3,
        0x00F4, 0x00F5, 0x00F6, 0x0169, 0x00F8, 0x0173, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x0138};
    if (c < 0xA0)
        return 0;
    uint16_t u = a0[c - 0xA0];
    return u == c ? 0 : u;
}

// Letters of a file declared ISO8859-10 that ISO 8859-1 lacks are kept as
// the ISO 8859-1 byte; each is named in the report, once per file.
void meld_iso885910(Kjoring &k)
{
    if (!k.iso885910)
        return;
    const char *tekster[] = {Elm.text, Elm.objtype, Elm.rest};
    const size_t lengder[] = {sizeof Elm.text, sizeof Elm.objtype, sizeof Elm.rest};
    for (size_t t = 0; t < 3; t++) {
        const size_t n = strnlen(tekster[t], lengder[t]);
        for (size_t i = 0; i < n; i++) {
            unsigned char c = (unsigned char)tekster[t][i];
            uint16_t u = iso885910_avvik(c);
            if (u == 0 || k.bokstavMeldt[c])
                continue;
            k.bokstavMeldt[c] = true;
            bmwclr();
            char navn[BMW_CUR_OBJTYPE_LEN];
            snprintf(navn, sizeof navn, "U+%04X lest som %c", (unsigned)u, (char)c);
            // The letter stands in the object-type column, the element after it.
            kopier(Bmw.objtype, sizeof Bmw.objtype, navn);
            kopier(Bmw.theme, sizeof Bmw.theme, Elm.theme[0]);
            Bmw.line = Elm.serial;
            Bmw.elementType = Elm.type;
            Bmw.n = Elm.pointCount > 0 ? Elm.N[0] : 0.0;
            Bmw.e = Elm.pointCount > 0 ? Elm.E[0] : 0.0;
            bmw_sett("ZERA2DGN", 35, BMW_ERROR);
            bmwput();
        }
    }
}

// ---- import: first pass ----------------------------------------------------

// The file ended before the size it had when it was opened: it shrank
// while it was read, and what was read is not the whole file.
bool ble_kortere(const Kjoring &k, bool slutt) { return slutt && k.lestTil < k.filStorrelse; }

bool andre_pass_kjorer(void) { return geoGraphics || lagreNivaa4; }

// Keeps the level-4 group in hand for the second pass; false when the
// list is full and the group is lost.
bool utsett(Kjoring &k)
{
    if (k.antallUtsatt < ZERA_MAX_DEFERRED) {
        utsattPos[k.antallUtsatt] = k.gruppePos;
        utsattLinje[k.antallUtsatt] = k.startLinje;
        UtsattTekst &t = utsattTekst[k.antallUtsatt];
        t = UtsattTekst{0, 0, k.nestePos, k.linjeTeller};
        if (k.antallUtsatt == 0)
            utsattBrukt = 0;
        size_t len = strlen(gruppe);
        if (len > 0 && len < UTSATT_LAGER - utsattBrukt) {
            memcpy(utsattLager + utsattBrukt, gruppe, len + 1);
            t.fra = (uint32_t)utsattBrukt;
            t.len = (uint32_t)len;
            utsattBrukt += len + 1;
        }
        k.antallUtsatt++;
        return true;
    }
    // The group is lost to the import: say so once on the text window and,
    // when a second pass would have brought it, for every lost group in the
    // report.
    if (!k.utsattFull)
        toolSubsystem_printf("For mange ZERA-niv\xE5 4 elementer (.FLATE) i ZERA-fil:\n'%s'.  Max=%d.\n", k.zeraFil,
                             ZERA_MAX_DEFERRED);
    k.utsattFull = true;
    if (andre_pass_kjorer()) {
        bmwclr();
        bmw_meld("ZERA2DGN", FEIL_NIVAA4, BMW_ERROR, k.startLinje);
    }
    return false;
}

// Themes of Elm to go through: an element known by its object type alone
// has one, theme 0 (empty).
int antall_temaer(void)
{
    int n = Elm.themeCount;
    if (n == 0 && Elm.objtype[0] != '\0')
        n = 1;
    return n < 0 ? 0 : n > ZERA_MAX_THEMES ? ZERA_MAX_THEMES : n;
}

// An unknown element handed to the writer is imported, not left out: the
// count of the miss is taken back (the writer counts what it refuses).
void ukjent_overlevert()
{
    if (Elm.type >= 1 && Elm.type <= ZERA_TYPE_COUNT && Bmw.notImported[Elm.type - 1] > 0)
        Bmw.notImported[Elm.type - 1]--;
}

// Row fill and hand-over of a parsed element with coordinates: once per
// matched theme, or once as unknown when asked for.
Utfall overlever(Kjoring &k, const char *grp)
{
    meld_iso885910(k);
    bool funnet;
    bool telt = false; // the miss was counted as left out
    if (geoGraphics) {
        if (UtelatElementPgaIkkeMultHoyde(k.hoydeCb) == -1)
            return UTELATT;
        funnet = Elm.type != ZERA_RASTER;
    } else {
        int16_t mode = 1;
        int16_t rc = mt_match(&mode, grp);
        funnet = rc == 0;
        telt = rc == -1;
    }

    if (!funnet) {
        if (k.importUkjent || Elm.type == ZERA_RASTER) {
            if (telt)
                ukjent_overlevert();
            Elm.font = -2;
            if (skriv_element(k) == -1)
                return STOPP;
        }
        return VIDERE;
    }

    int n = antall_temaer();
    for (int16_t i = 0; i < n; i++) {
        if (geoGraphics) {
            if (i == 0 && hoydeAvrunding != 0 && k.hoydeCb != nullptr &&
                dlmSystem_callAnyFunction(k.desc, k.hoydeCb, "PI", Elm.theme[0], (int)Elm.type) != 0)
                avrundHoyder();
        } else {
            int16_t mode = 1;
            int16_t tema = i;
            if (mt_fill(&mode, &tema) != 0)
                continue;
            int32_t r = Elm.matchRow[i];
            if (hoydeAvrunding != 0 && r >= 0 && r < Mstemtab.rowCount && Mstemtab.multHoyde[r] > 0)
                avrundHoyder();
        }
        Elm.themeCount = (int16_t)(i + 1);
        if (skriv_element(k) == -1)
            return STOPP;
    }
    return VIDERE;
}

// One group of the first pass; a sub-point group comes through here too
// (it is a .PUNKT, so it has no sub-points of its own).
Utfall forste_pass_gruppe(Kjoring &k, const char *grp)
{
    int16_t pass = 0;
    int32_t linje = k.startLinje;
    if (zerget_elm(grp, &k.head, &k.keys, &linje, &pass) != 0)
        return VIDERE;
    int type = Elm.type;
    if (type == ZERA_SLUTT)
        return SLUTT;
    if (zera_nivaa4(type)) {
        // A group the second pass will not bring is read and left out here,
        // so the report's counters still show it.
        if (grp == gruppe && (!utsett(k) || !andre_pass_kjorer())) {
            zera_tell(Bmw.read, type);
            zera_tell(Bmw.notImported, type);
        }
        return VIDERE;
    }
    if (zerget_coord_parset(grp, &k.head, &k.keys) != 0)
        return VIDERE;
    Utfall u = overlever(k, grp);
    if (u == STOPP)
        return STOPP;
    if (u == UTELATT)
        return VIDERE;

    if (zera_linjetype(type) && grp == gruppe) {
        const char *fra = grp;
        const char *neste = nullptr;
        while (zerget_ptema_parset(&k.keys, punktGruppe, sizeof punktGruppe, fra, grp, &neste) == 0) {
            if (forste_pass_gruppe(k, punktGruppe) == STOPP)
                return STOPP;
            if (neste == nullptr || neste <= fra)
                break;
            fra = neste;
        }
    }

    if (type == ZERA_PUNKT && zerget_nokkel_parset(grp, "..STRENG") != nullptr &&
        zerget_streng(grp, &k.head.charset) == 0) {
        Elm.font = -2;
        if (skriv_element(k) == -1)
            return STOPP;
    }
    return VIDERE;
}

// ---- import: second pass ---------------------------------------------------

// Matching and row fill of the second pass.  True when the element is to be
// handed over.  The fill takes the first theme that found a row, so an area
// whose first theme is unknown but a later one known still arrives, with
// theme[themeCount - 1] the theme written.
bool andre_pass_fyll(Kjoring &k, const char *grp)
{
    if (geoGraphics)
        return true;
    int16_t matchMode = 1;
    if (int16_t rc = mt_match(&matchMode, grp); rc != 0) {
        if (!k.importUkjent)
            return false;
        if (rc == -1)
            ukjent_overlevert();
        Elm.font = -2;
        return true;
    }
    int n = antall_temaer();
    for (int16_t i = 0; i < n; i++) {
        if (Elm.matchRow[i] < 0)
            continue;
        int16_t fillMode = 1;
        int16_t tema = i;
        if (mt_fill(&fillMode, &tema) != 0)
            return false;
        Elm.themeCount = (int16_t)(i + 1);
        return true;
    }
    return false;
}

Utfall andre_pass(Kjoring &k)
{
    k.nesteSteg = 0;
    for (int32_t i = 0; i < k.antallUtsatt; i++) {
        fremdrift_steg(k, i, k.antallUtsatt, 2);
        const UtsattTekst &t = utsattTekst[i];
        if (t.len > 0) { // as les_gruppe would leave the run
            memcpy(gruppe, utsattLager + t.fra, t.len + 1);
            Bmw.lastFatal = 0;
            k.gruppePos = utsattPos[i];
            k.startLinje = utsattLinje[i];
            k.linjeTeller = t.sisteLinje;
            k.nestePos = k.lestTil = t.neste;
        } else {
            if (!gruppekilde_sett(&kilde, utsattPos[i]))
                return LESEFEIL;
            k.nestePos = utsattPos[i];
            k.linjeTeller = utsattLinje[i] - 1;
            Lest lest = les_gruppe(k, KOMMENTAR_ELEMENT);
            if (lest == LEST_FATAL)
                return LESEFEIL;
            if (lest == LEST_AVVIST || gruppe[0] == '\0')
                continue;
        }

        int16_t pass = 1;
        int32_t linje = k.startLinje;
        if (zerget_elm(gruppe, &k.head, &k.keys, &linje, &pass) != 0 || !zera_nivaa4(Elm.type))
            continue;
        if (zerget_coord_parset(gruppe, &k.head, &k.keys) != 0)
            continue;
        if (!andre_pass_fyll(k, gruppe))
            continue;
        if (skriv_element(k) == -1)
            return STOPP;

        // A text of an area needs a place: .TRASE and .STRUKTUR have no
        // points, and the point arrays still hold the previous element's.
        if (Elm.text[0] != '\0' && Elm.pointCount >= 1) {
            for (char *c = Elm.text; *c; c++)
                if (*c == ' ')
                    *c = '/';
            Elm.type = ZERA_TEKST;
            if (andre_pass_fyll(k, gruppe) && skriv_element(k) == -1)
                return STOPP;
        }
    }
    meld_fremdrift(k, 100, 2);
    return VIDERE;
}

int16_t import_feil(Kjoring &k, int nr, int32_t linje, const char *rapport, const char *tema, const char *xml,
                    MdlFunctionP cTxt)
{
    bmwclr();
    bmw_meld("ZERA2DGN", nr, BMW_FATAL, linje);
    lukk(k);
    skriv_rapport(rapport, k.zeraFil, tema, xml, k.importUkjent, cTxt);
    return -2;
}

// ---- scan ------------------------------------------------------------------

Utfall skann_gruppe(Kjoring &k, const char *grp)
{
    int16_t pass = 0;
    int32_t linje = k.startLinje;
    if (zerget_elm(grp, &k.head, &k.keys, &linje, &pass) != 0)
        return VIDERE;
    int type = Elm.type;
    if (type == ZERA_SLUTT)
        return SLUTT;
    if (zera_nivaa4(type)) {
        pass = 1;
        if (zerget_elm(grp, &k.head, &k.keys, &linje, &pass) != 0)
            return VIDERE;
    }
    if (zerget_coord_parset(grp, &k.head, &k.keys) != 0)
        return VIDERE;

    bmw_sett("ZERA2DGN", SKANN_GRUNN, BMW_NOTE);
    int n = antall_temaer();
    for (int16_t t = 0; t < n; t++)
        bmwput_tem(&t);

    if (zera_linjetype(type) && grp == gruppe) {
        const char *fra = grp;
        const char *neste = nullptr;
        while (zerget_ptema_parset(&k.keys, punktGruppe, sizeof punktGruppe, fra, grp, &neste) == 0) {
            skann_gruppe(k, punktGruppe);
            if (neste == nullptr || neste <= fra)
                break;
            fra = neste;
        }
    }
    return VIDERE;
}

int skann_feil(Kjoring &k, int nr, int32_t linje)
{
    bmwclr();
    bmw_meld("ZERA2DGN", nr, BMW_FATAL, linje);
    lukk(k);
    return -2;
}

} // namespace

// ---- exported --------------------------------------------------------------

/* Imports zeraFile: every element goes to elementWriter (once per matched
   theme), the level-4 groups in a second pass when lagreNivaa4 or
   geoGraphics is set.  0: the file was read to its end or its .SLUTT; the
   report is written (with the template of the unknown themes appended
   unless importUnknown or geoGraphics).  A template that cannot be
   appended leaves the result 0, registered as ZERA2DGN 6 and named on the
   text window.  -2: a fatal ZERA2DGN message (1 file, 3 theme table, 4
   read, 5 header, 7 report not written, 11 stopped by the writer, 13
   LandXML file not written, 14 the file shrank while it was read) is
   registered and the report written when it
   can be. */
int16_t perf_zera2dgn(const char *zeraFile, const char *themeFile, const char *reportFile, const char *xmlFile,
                      int importUnknown, MdlFunctionP elementWriter, MdlFunctionP progress, MdlFunctionP cTxt,
                      MdlFunctionP heightCb)
{
    landxml_start();
    bmwinit();

    Kjoring k;
    k.desc = mdlSystem_getCurrMdlDesc();
    k.skriver = elementWriter;
    k.fremdrift = progress;
    k.hoydeCb = heightCb;
    k.importUkjent = importUnknown;

    if (!apne(k, zeraFile))
        return import_feil(k, FEIL_APNE, 0, reportFile, themeFile, xmlFile, cTxt);
    if (!geoGraphics && mt_init(themeFile, 1) != 0)
        return import_feil(k, FEIL_TEMATABELL, 0, reportFile, themeFile, xmlFile, cTxt);
    // The matcher finds an element's rows by its theme while this import
    // runs, however it ends.
    struct Radindeks {
        Radindeks() { mt_radindeks(!geoGraphics); }
        ~Radindeks() { mt_radindeks(0); }
    } radindeks;
    if (int nr = les_hode(k); nr != 0)
        return import_feil(k, nr, k.startLinje, reportFile, themeFile, xmlFile, cTxt);

    // First pass.  The reader gives the last group of the file together
    // with the end-of-file result; it is processed like any other, so a
    // file without .SLUTT keeps its last element.
    bool slutt = k.hodeSist, tilFilslutt = false;
    while (!slutt) {
        fremdrift_steg(k, (double)k.lestTil, (double)k.filStorrelse, 1);
        Lest lest = les_gruppe(k, KOMMENTAR_ELEMENT);
        if (lest == LEST_FATAL)
            return import_feil(k, FEIL_LES, k.linjeTeller, reportFile, themeFile, xmlFile, cTxt);
        if (lest == LEST_AVVIST)
            continue;
        slutt = tilFilslutt = lest == LEST_SISTE;
        if (gruppe[0] == '\0')
            break;
        Utfall u = forste_pass_gruppe(k, gruppe);
        if (u == STOPP)
            return import_feil(k, FEIL_STOPP, k.startLinje, reportFile, themeFile, xmlFile, cTxt);
        if (u == SLUTT)
            break;
    }
    if (ble_kortere(k, tilFilslutt))
        return import_feil(k, FEIL_KORTERE, k.linjeTeller, reportFile, themeFile, xmlFile, cTxt);
    meld_fremdrift(k, 100, 1);

    if (k.antallUtsatt > 0 && andre_pass_kjorer()) {
        Utfall u = andre_pass(k);
        if (u == STOPP)
            return import_feil(k, FEIL_STOPP, k.startLinje, reportFile, themeFile, xmlFile, cTxt);
        if (u == LESEFEIL)
            return import_feil(k, FEIL_LES, k.startLinje, reportFile, themeFile, xmlFile, cTxt);
    }

    // The switch as it was when the run started: the document belongs to it.
    // A surface that was not written fails the run, named in its report.
    bool xmlOk = !(xmlRun && !geoGraphics) || landxml_save() == 0;
    if (!xmlOk) {
        bmwclr();
        bmw_meld("ZERA2DGN", FEIL_LANDXML, BMW_FATAL, 0);
    }

    lukk(k);
    bool rapportOk = skriv_rapport(reportFile, k.zeraFil, themeFile, xmlFileName, importUnknown, cTxt);
    if (rapportOk && !geoGraphics && !importUnknown)
        skriv_mal(k.zeraFil, reportFile, 0);
    return xmlOk && rapportOk ? 0 : -2;
}

/* Scans zeraFile for its themes into the unknown-theme table; fileNo 1
   starts a new scan.  With a template name the template and the scan
   report of all files so far are written.  0, or -2 with a fatal ZERA2DGN
   message registered (1, 4, 5, 14) and no report. */
int pzerscan(const char *zeraFile, const char *templateFile, const char *reportFile, const char *xmlFile, int fileNo,
             MdlFunctionP progress, MdlFunctionP cTxt)
{
    if (fileNo == 1)
        bmwinit();
    bmwRunKind = BMW_RUN_SCAN;

    Kjoring k;
    k.desc = mdlSystem_getCurrMdlDesc();
    k.fremdrift = progress;
    k.skann = true;
    if (!apne(k, zeraFile))
        return skann_feil(k, FEIL_APNE, 0);
    if (int nr = les_hode(k); nr != 0)
        return skann_feil(k, nr, k.startLinje);

    bool slutt = k.hodeSist, tilFilslutt = false;
    while (!slutt) {
        fremdrift_steg(k, (double)k.lestTil, (double)k.filStorrelse, 1);
        Lest lest = les_gruppe(k, KOMMENTAR_ELEMENT);
        if (lest == LEST_FATAL)
            return skann_feil(k, FEIL_LES, k.linjeTeller);
        if (lest == LEST_AVVIST)
            continue;
        slutt = tilFilslutt = lest == LEST_SISTE;
        if (gruppe[0] == '\0' || skann_gruppe(k, gruppe) == SLUTT)
            break;
    }
    if (ble_kortere(k, tilFilslutt))
        return skann_feil(k, FEIL_KORTERE, k.linjeTeller);
    meld_fremdrift(k, 100, 1);
    lukk(k);

    if (templateFile == nullptr || templateFile[0] == '\0')
        return 0;
    skriv_mal(k.zeraFil, templateFile, 1);
    kopier(Bmw.program, sizeof Bmw.program, "VADUZU Dederira");
    skriv_rapport(reportFile, k.zeraFil, templateFile, xmlFile, 0, cTxt);
    return 0;
}
