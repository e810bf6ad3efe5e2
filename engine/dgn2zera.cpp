// The ZERA writer: the export run (init_dgn2zera, perf_dgn2zera,
// exit_dgn2zera), element groups (zerput_elm), file values (zerput_coord),
// theme-row descriptions (zerput_rest) and headers (zercre_head).
//
// Sections: run state and small helpers - element attribute lines - type
// lines - coordinates - file values - header - description lines of a theme
// row - element - export run.
//
// Character sets: Elm.text, Elm.objtype, Elm.rest and the header texts are
// ISO 8859-1 (set 1); each is converted to the header's set on the way out.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "kartmotor_int.h"
#include "kartmotor_tjenester.h"
#include "sys/mdlsys.h"

SheadStruct Shead;
ScharStruct Schar;
FILE *Filep_tmpzer;

namespace {

/* ---- run state and small helpers ------------------------------------------ */

const char *const RUTNAM_RUN = "ZERA2DGN";
const char *const RUTNAM_ELM = "SP_ELM";

enum {
    FEIL_ELEMENTFIL = 1,   // element file cannot be created
    FEIL_TEMAFIL = 3,      // theme table cannot be loaded
    FEIL_TEGNSETT = 5,     // unknown character set
    FEIL_ZERAFIL = 8,      // ZERA file (header) cannot be created
    FEIL_SKRIVING = 9,     // element file write error
    FEIL_DISK_FULL = 10,   // the ZERA file did not fit on the disk
    FEIL_ZERASKRIVING = 15 // the ZERA file could not be written whole
};
enum { SP_ANTALL_PUNKTER = 2, SP_BESKRIVELSE = 3, SP_VERDI = 4 };

// Versions compare as decimals read from text; the tolerance keeps 2.21
// written as "2.21" on the same side as the literal.
const double VERSJON_TOLERANSE = 1e-9;
const double VERSJON_REF = 2.2;   // "..REF" key and plain continuation lines
const double VERSJON_DATO = 2.21; // every element carries DATO and its own KVALITET
const int REF_PER_LINJE = 10;
// A text angle below this is no rotation (radians).
const double VINKEL_TOLERANSE = 1e-9;
const double TEKST_RETNING_MIN = 0.1; // shortest direction vector taken from E[3]
const double TEKST_RETNING_STANDARD = 10.0;

// Repeated-point marks of the element being written (zerput_coord).
int16_t gjentatt[ZERA_MAX_POINTS];
// matchRow[0] of the current element was set by this perf_dgn2zera call;
// otherwise it is whatever the application left there.
bool radSattNaa = false;
// One write error of the element file is reported per run.
bool skrivefeilMeldt = false;

bool fra_versjon(double versjon, double grense) { return versjon >= grense - VERSJON_TOLERANSE; }

int antall(int32_t n, int max) { return n < 0 ? 0 : (n > max ? max : (int)n); }

// The unit every file value is divided by; a header without a usable unit
// would give infinities in the file.
double enhet_av(const SheadStruct *head) { return head->enhet > 0.0 ? head->enhet : 1.0; }

// Converts text in place from set inSet into the header's set.
void til_sett(char *text, int16_t inSet, int16_t outSet)
{
    if (inSet == outSet || outSet < ZERA_CHARSET_ISO || outSet > ZERA_CHARSET_ISO2)
        return;
    bbs_cstr78(text, &inSet, &outSet);
}

// A line end inside a value would end the line early and could start a new
// group in the file.
void enkel_linje(char *text)
{
    for (char *p = text; *p != '\0'; p++)
        if (*p == '\n' || *p == '\r')
            *p = ' ';
}

// Copy of an element text field in the header's set, on one line.
void ut_tekst(char *out, size_t outSize, const char *src, int16_t inSet, const SheadStruct *head)
{
    kopier(out, outSize, src);
    til_sett(out, inSet, head->charset);
    enkel_linje(out);
}

// Quote that lets zerget_str give the whole value back: it takes the value
// between double quotes when the first value token holds one, so a text with
// a double quote (and no apostrophe) goes between apostrophes.
char sitattegn(const char *text)
{
    return (strchr(text, '"') != nullptr && strchr(text, '\'') == nullptr) ? '\'' : '"';
}

// The form in which zerget_str gives a value back whole: 0 plain, '"' or
// '\'' between those quotes; -1 when none does (a value with both quotes,
// or with a double quote in its first word).
int verdiform(const char *value)
{
    const size_t n = strlen(value);
    static const int former[] = {0, '"', '\''};
    for (int q : former) {
        char linje[ZERA_TEXT_LEN + 8] = "..X ";
        size_t len = 4;
        if (n + 2 > sizeof linje - len - 1)
            return -1;
        if (q != 0)
            linje[len++] = (char)q;
        memcpy(linje + len, value, n);
        len += n;
        if (q != 0)
            linje[len++] = (char)q;
        linje[len] = '\0';
        const char *v = nullptr;
        size_t vLen = 0;
        if (streng_verdi(linje, &v, &vLen) && vLen == n && memcmp(v, value, n) == 0)
            return q;
    }
    return -1;
}

// Output with one error flag, so a full disk is seen once and not per line.
// Lines gather in a buffer of its own and reach the file in large writes;
// ok() hands over what is left.
struct Ut {
    FILE *fp;
    bool feil = false;
    size_t brukt = 0;
    size_t totalt = 0; // bytes handed to this output, so a caller sees whether a line came
    char buf[32768];

    explicit Ut(FILE *f) : fp(f) {}
    Ut(const Ut &) = delete;
    Ut &operator=(const Ut &) = delete;
    ~Ut() { tom(); }

    void tom()
    {
        if (brukt > 0 && fwrite(buf, 1, brukt, fp) != brukt)
            feil = true;
        brukt = 0;
    }
    void tekst(const char *text, size_t n)
    {
        totalt += n;
        if (n > sizeof buf - brukt) {
            tom();
            if (n > sizeof buf) {
                if (fwrite(text, 1, n, fp) != n)
                    feil = true;
                return;
            }
        }
        memcpy(buf + brukt, text, n);
        brukt += n;
    }
    void skriv(const char *format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, format);
        int n = vsnprintf(buf + brukt, sizeof buf - brukt, format, args);
        va_end(args);
        if (n < 0) {
            feil = true;
            return;
        }
        totalt += (size_t)n;
        if ((size_t)n < sizeof buf - brukt) {
            brukt += (size_t)n;
            return;
        }
        // It did not fit: the buffer goes out first, and a line longer
        // than the whole buffer goes straight to the file.
        tom();
        va_start(args, format);
        if ((size_t)n < sizeof buf)
            brukt = (size_t)vsnprintf(buf, sizeof buf, format, args);
        else if (vfprintf(fp, format, args) < 0)
            feil = true;
        va_end(args);
    }
    bool ok()
    {
        tom();
        return !feil && ferror(fp) == 0;
    }
};

// Shortest fixed-point text of value with at least minDecimals decimals that
// reads back as the same number.
void eksakt_tall(char *out, size_t outSize, double value, int minDecimals)
{
    for (int p = minDecimals; p <= 17; p++) {
        snprintf(out, outSize, "%.*f", p, value);
        if (strtod(out, nullptr) == value)
            return;
    }
    snprintf(out, outSize, "%.17g", value);
}

void meld_kjorefeil(int number)
{
    bmwclr();
    bmw_meld(RUTNAM_RUN, number, BMW_FATAL, 0);
}

void meld_skrivefeil(void)
{
    if (skrivefeilMeldt)
        return;
    skrivefeilMeldt = true;
    meld_kjorefeil(FEIL_SKRIVING);
}

/* ---- element attribute lines ----------------------------------------------- */

void skriv_dato(Ut &ut, const SheadStruct *head)
{
    if (fra_versjon(head->zeraVersjon, VERSJON_DATO))
        ut.skriv("%s %ld\n", "..DATO", (long)(Elm.dato != 0 ? Elm.dato : head->dato));
    else if (Elm.dato != 0 && Elm.dato != head->dato)
        ut.skriv("%s %ld\n", "..DATO", (long)Elm.dato);
}

void skriv_kvalitet(Ut &ut, const SheadStruct *head)
{
    const bool ny = fra_versjon(head->zeraVersjon, VERSJON_DATO);
    int32_t verdi[ZERA_KVALITET_COUNT];
    bool avvik = false;
    int siste = -1;
    for (int i = 0; i < ZERA_KVALITET_COUNT; i++) {
        verdi[i] = Elm.kvalitet[i] != 0 ? Elm.kvalitet[i] : head->kvalitet[i];
        if (Elm.kvalitet[i] != 0 && Elm.kvalitet[i] != head->kvalitet[i])
            avvik = true;
        if (verdi[i] != 0)
            siste = i;
    }
    // Old versions inherit the header's values: a line only where they differ.
    if (siste < 0 || (!ny && !avvik))
        return;
    ut.skriv("%s", "..KVALITET");
    for (int i = 0; i <= siste; i++) {
        if (!ny && verdi[i] == head->kvalitet[i])
            ut.skriv(" @");
        else if (verdi[i] > 0)
            ut.skriv(" %ld", (long)verdi[i]);
        else if (verdi[i] < -9)
            ut.skriv(" %ld", 0L); // -10 stands for a 0 written in the theme table
        else
            ut.skriv(" *");
    }
    ut.skriv("\n");
}

void skriv_felt(Ut &ut, const char *key, const char *value, size_t size)
{
    char buf[ZERA_NAME_LEN];
    kopier_n(buf, sizeof buf, value, size);
    enkel_linje(buf);
    if (buf[0] != '\0')
        ut.skriv("%s %s\n", key, buf);
}

// The keys the writer writes from the record for an element of this type
// (keys in the header's set).  rest keeps the lines of an element as read,
// so such a line there would give its key twice.
bool skrives_fra_posten(const char *key, size_t len, int type, bool symbol, const ScharStruct *keys)
{
    auto er = [key, len](const char *k) { return strlen(k) == len && memcmp(k, key, len) == 0; };
    static const char *const alle[] = {"..OBJTYPE", "..PTEMA", "..LTEMA",  "..TTEMA",  "..FTEMA",  "..DATO",
                                       "..KVALITET", "..KOMM", "..HREF",   "..STATUS", "..MEDIUM"};
    for (const char *k : alle)
        if (er(k))
            return true;
    if (er(keys->coordKey) || er(keys->coordHKey) || er(keys->hoydeKey))
        return true;
    switch (type) {
    case ZERA_BUE:
        return er("..STORBUE") || er("..RADIUS");
    case ZERA_SIRKEL:
        return er("..RADIUS");
    case ZERA_TEKST:
        return er("..DIM") || (!symbol && er("..STRENG"));
    case ZERA_SYMBOL:
        return er("..DIM");
    case ZERA_TRASE: case ZERA_FLATE: case ZERA_STRUKTUR:
        return er("..REF") || er("..");
    case ZERA_RASTER:
        return er("..BILDE") || er("...BILDE-SYS") || er("...BILDE-TYPE") || er("...BILDE-FIL") ||
               er(keys->pixelKey);
    default:
        return false;
    }
}

// The record's keys whose sub-lines in rest are written under the line
// the record gives (skriv_underlinjer).
bool har_underlinjer_fra_posten(const char *key, size_t len)
{
    static const char *const nokler[] = {"..OBJTYPE", "..DATO", "..KVALITET", "..KOMM",
                                         "..HREF",    "..STATUS", "..MEDIUM"};
    for (const char *k : nokler)
        if (strlen(k) == len && memcmp(k, key, len) == 0)
            return true;
    return false;
}

// rest in the header's set, without trailing line ends; false when empty.
bool rest_i_settet(char (&rest)[ZERA_REST_LEN], const SheadStruct *head)
{
    kopier(rest, sizeof rest, Elm.rest);
    size_t n = strlen(rest);
    while (n > 0 && rest[n - 1] == '\n')
        rest[--n] = '\0';
    if (n == 0)
        return false;
    til_sett(rest, ZERA_CHARSET_ISO, head->charset);
    return true;
}

// The key of the line [p, slutt): its first token.
void linjens_nokkel(const char *p, const char *slutt, const char **key, size_t *len)
{
    while (p < slutt && er_blank((unsigned char)*p))
        p++;
    const char *e = p;
    while (e < slutt && !er_blank((unsigned char)*e))
        e++;
    *key = p;
    *len = (size_t)(e - p);
}

// A sub-line: its key has three or more dots, so it belongs to the line above.
bool er_underlinje(const char *key, size_t len) { return len >= 3 && key[0] == '.' && key[1] == '.' && key[2] == '.'; }

// The sub-lines that follow key's line in rest, under the line the record
// wrote for it; when the record wrote none (skrevet false), under the line
// as rest holds it.
void skriv_underlinjer(Ut &ut, const SheadStruct *head, const char *key, bool skrevet)
{
    // Most elements have no sub-lines: no copy of rest for them.
    if (strstr(Elm.rest, "...") == nullptr)
        return;
    char rest[ZERA_REST_LEN];
    if (!rest_i_settet(rest, head))
        return;
    const size_t keyLen = strlen(key);
    for (const char *p = rest; *p != '\0';) {
        const char *slutt = linje_slutt(p);
        const char *k = nullptr;
        size_t n = 0;
        linjens_nokkel(p, slutt, &k, &n);
        const char *neste = *slutt == '\0' ? slutt : slutt + 1;
        if (n != keyLen || memcmp(k, key, n) != 0) {
            p = neste;
            continue;
        }
        const char *forelder = p, *forelderSlutt = slutt;
        for (p = neste; *p != '\0'; p = neste) {
            slutt = linje_slutt(p);
            neste = *slutt == '\0' ? slutt : slutt + 1;
            linjens_nokkel(p, slutt, &k, &n);
            if (!er_underlinje(k, n))
                break;
            if (!skrevet) {
                ut.tekst(forelder, (size_t)(forelderSlutt - forelder));
                ut.tekst("\n", 1);
                skrevet = true;
            }
            ut.tekst(p, (size_t)(slutt - p));
            ut.tekst("\n", 1);
        }
        return;
    }
}

// The element's attribute lines in the header's set, less those whose key
// the writer writes from the record (and the sub-lines written under those).
void skriv_rest(Ut &ut, const SheadStruct *head, const ScharStruct *keys, int type, bool symbol)
{
    char rest[ZERA_REST_LEN];
    if (!rest_i_settet(rest, head))
        return;
    bool underForelderFraPosten = false;
    for (const char *p = rest; *p != '\0';) {
        const char *slutt = linje_slutt(p);
        const char *key = nullptr;
        size_t n = 0;
        linjens_nokkel(p, slutt, &key, &n);
        bool under = er_underlinje(key, n);
        if (!under)
            underForelderFraPosten = false;
        bool utelatt = (under && underForelderFraPosten) || skrives_fra_posten(key, n, type, symbol, keys);
        if (!under && utelatt)
            underForelderFraPosten = har_underlinjer_fra_posten(key, n);
        if (!utelatt) {
            ut.tekst(p, (size_t)(slutt - p));
            ut.tekst("\n", 1);
        }
        p = *slutt == '\0' ? slutt : slutt + 1;
    }
}

/* ---- type lines -------------------------------------------------------------- */

void skriv_radius(Ut &ut, const SheadStruct *head)
{
    double radius = Elm.radius;
    double unit = head->enhet;
    ut.skriv("%s %.3f\n", "..RADIUS", round_to_unit(&radius, &unit));
}

// A value line in the form verdiform chose.
void skriv_verdi(Ut &ut, const char *key, const char *value, int form)
{
    if (form == 0)
        ut.skriv("%s %s\n", key, value);
    else
        ut.skriv("%s %c%s%c\n", key, form, value, form);
}

// A rotated text carries its direction as a second and third point: the
// placement again and the placement moved along the angle.
void tekst_retning(void)
{
    if (fabs(Elm.angle) <= VINKEL_TOLERANSE)
        return;
    double d = Elm.E[3] > TEKST_RETNING_MIN ? Elm.E[3] : TEKST_RETNING_STANDARD;
    Elm.N[1] = Elm.N[0];
    Elm.E[1] = Elm.E[0];
    Elm.H[1] = Elm.H[0];
    Elm.kp[1] = 0;
    Elm.N[2] = Elm.N[0] + d * sin(Elm.angle);
    Elm.E[2] = Elm.E[0] + d * cos(Elm.angle);
    Elm.H[2] = Elm.H[0];
    Elm.kp[2] = 0;
    Elm.pointCount = 3;
    gjentatt[1] = gjentatt[2] = 0;
}

// text is the element's text in the header's set, null for a symbol text.
void skriv_tekst(Ut &ut, const char *text, int form)
{
    if (Elm.dim[0] > 0.0 && Elm.dim[1] > 0.0)
        ut.skriv("%s %.1f %.1f\n", "..DIM", Elm.dim[0] * 0.1, Elm.dim[1] * 0.1);
    if (text != nullptr)
        skriv_verdi(ut, "..STRENG", text, form);
    tekst_retning();
}

// A .BUEP read from a ZERA file holds start, middle and end, with the
// centre after them (index 3): written as read, it keeps its side and its
// middle's height.  One built by the application holds start, end and
// centre; they become start, middle of the arc and end, with the centre
// after them.  The sign of radius gives the side, as the reader signs it
// (negative: the centre lies on side -1 of the line from the start to the
// middle); without a radius the smaller arc, or the larger for storbue 1.
// The middle takes the mean height of the ends.
void buep_punkter(void)
{
    if (Elm.mode == 2)
        return;
    double sN = Elm.N[0], sE = Elm.E[0];
    double cN = Elm.N[2], cE = Elm.E[2];
    double mN = 0.0, mE = 0.0;
    arc_midpoint(&sN, &sE, &Elm.N[1], &Elm.E[1], &cN, &cE, &mN, &mE);
    int16_t side = 0;
    point_side(&sN, &sE, &mN, &mE, &cN, &cE, &side);
    bool storre = Elm.storbue == 1;
    if (Elm.radius != 0.0)
        storre = (side == -1) != (Elm.radius < 0.0);
    if (storre) {
        // The middle of the other arc lies opposite, through the centre.
        mN = 2.0 * cN - mN;
        mE = 2.0 * cE - mE;
        side = (int16_t)-side;
    }
    double retning = 0.0, r = 0.0;
    polar_angle(&cN, &cE, &sN, &sE, &retning, &r);
    Elm.radius = side == -1 ? -r : r;

    Elm.N[2] = Elm.N[1];
    Elm.E[2] = Elm.E[1];
    Elm.H[2] = Elm.H[1];
    Elm.kp[2] = Elm.kp[1];
    Elm.N[1] = mN;
    Elm.E[1] = mE;
    Elm.H[1] = (Elm.H[0] + Elm.H[2]) / 2.0;
    Elm.kp[1] = 0;
    Elm.N[3] = cN;
    Elm.E[3] = cE;
    Elm.H[3] = Elm.H[0];
}

void skriv_referanser(Ut &ut, const SheadStruct *head)
{
    const bool ny = fra_versjon(head->zeraVersjon, VERSJON_REF);
    const int n = antall(Elm.refCount, ZERA_MAX_REFS);
    ut.skriv("%s", ny ? "..REF" : "..");
    for (int i = 0; i < n; i++) {
        if (i > 0 && i % REF_PER_LINJE == 0)
            ut.skriv("%s", ny ? "\n" : "\n.. ");
        else
            ut.skriv(" ");
        // Group 0 is the outer boundary; every other group is an island in
        // parentheses, closed also when the list ends inside it.
        int16_t gruppe = Elm.refGroup[i];
        int16_t forrige = i > 0 ? Elm.refGroup[i - 1] : 0;
        bool apner = gruppe != 0 && gruppe != forrige;
        bool lukker = gruppe != 0 && (i == n - 1 || Elm.refGroup[i + 1] != gruppe);
        ut.skriv("%s:%ld%s", apner ? "(" : "", (long)Elm.ref[i], lukker ? ")" : "");
    }
    ut.skriv("\n");
}

void skriv_raster(Ut &ut, const SheadStruct *head, const ScharStruct *keys)
{
    ut.skriv("%s\n", "..BILDE");
    ut.skriv("%s %d\n", "...BILDE-SYS", head->koordsys);
    char celle[ZERA_CELL_LEN];
    mdlCnv_convertUnicodeToMultibyte(Elm.cell, ZERA_CELL_LEN, celle, (int)sizeof celle);
    til_sett(celle, ZERA_CHARSET_ISO, head->charset);
    enkel_linje(celle);
    ut.skriv("%s %s\n", "...BILDE-TYPE", celle[0] != '\0' ? celle : "TIFF");
    char fil[ZERA_TEXT_LEN];
    ut_tekst(fil, sizeof fil, Elm.text, ZERA_CHARSET_ISO, head);
    ut.skriv("%s \"%s\"\n", "...BILDE-FIL", fil);
    ut.skriv("%s %.2f %.2f\n", keys->pixelKey, Elm.dim[0], Elm.dim[1]);
}

void skriv_symbol(Ut &ut)
{
    if (Elm.dim[0] > 0.0 && Elm.dim[1] > 0.0)
        ut.skriv("%s %.1f %.1f\n", "..DIM", Elm.dim[0], Elm.dim[1]);
    const int n = antall(Elm.symbolCount, ZERA_MAX_SYMBOLS);
    for (int i = 0; i < n; i++) {
        char kode[ZERA_SYMBOL_LEN];
        kopier(kode, sizeof kode, Elm.symbol[i]);
        enkel_linje(kode);
        ut.skriv("%s\n", kode);
    }
}

/* ---- coordinates ---------------------------------------------------------------- */

double fil_verdi(double value, double origo, const SheadStruct *head) { return (value - origo) / enhet_av(head); }

// zerput_coord for a given type: an element written under another type (a
// symbol point as .TEKST) is checked by the rule of the type written.
int16_t beregn_punkter(const SheadStruct *head, int16_t *flags, int type)
{
    if (Elm.pointCount < 0 || Elm.pointCount > ZERA_MAX_POINTS)
        return 1;
    const int n = Elm.pointCount;
    const bool linje = type == ZERA_LINJE || type == ZERA_KURVE;
    Elm.sameHeight = 1;
    double pN = 0.0, pE = 0.0, pH = 0.0;
    int umerket = 0;
    for (int i = 0; i < n; i++) {
        // Rounded as "%.0f" writes them, so equal here means equal in the file.
        double fN = nearbyint(fil_verdi(Elm.N[i], head->origoN, head));
        double fE = nearbyint(fil_verdi(Elm.E[i], head->origoE, head));
        double fH = nearbyint(Elm.H[i] / enhet_av(head));
        flags[i] = 0;
        if (i > 0) {
            if (linje && fN == pN && fE == pE && fH == pH)
                flags[i] = 1;
            if (fH != pH)
                Elm.sameHeight = 0;
        }
        if (flags[i] == 0)
            umerket++;
        pN = fN;
        pE = fE;
        pH = fH;
    }
    switch (type) {
    case ZERA_PUNKT: case ZERA_SIRKEL: case ZERA_FLATE:
        return umerket == 1 ? 0 : 1;
    case ZERA_SVERM: case ZERA_KLOTOIDE: case ZERA_TEKST:
        return umerket >= 1 ? 0 : 1;
    case ZERA_LINJE: case ZERA_KURVE:
        return umerket >= 2 ? 0 : 1;
    case ZERA_BUE: case ZERA_BUEP: case ZERA_SIRKELP:
        return umerket == 3 ? 0 : 1;
    default:
        return 0;
    }
}

enum Form { ENKEL_HOYDE, UTEN_HOYDE, MED_HOYDE };

// One point's file values, "%.0f" each, blank-separated, into linje;
// returns the length.  Room for three of the longest ("%.0f" of 1e308 has
// 309 digits) and a node code.
const size_t VERDI_MAKS = 320;
const size_t VERDILINJE_LEN = 3 * VERDI_MAKS + 40;
size_t verdier(char *linje, double fN, double fE, double fH, bool medH)
{
    size_t n = heltall_tekst(linje, VERDI_MAKS, fN);
    linje[n++] = ' ';
    n += heltall_tekst(linje + n, VERDI_MAKS, fE);
    if (medH) {
        linje[n++] = ' ';
        n += heltall_tekst(linje + n, VERDI_MAKS, fH);
    }
    return n;
}

bool med_hoyde(int i) { return Elm.H[i] != 0.0 || lagreNOH != 0; }

int neste_umerket(int i, int n)
{
    for (i++; i < n; i++)
        if (gjentatt[i] == 0)
            return i;
    return n;
}

// The theme-table row of a point, when this call set it and it exists.
int rad_for_punkt(void)
{
    int32_t r = Elm.matchRow[0];
    return (radSattNaa && r >= 0 && r < antall(Mstemtab.rowCount, MT_MAX_ROWS)) ? (int)r : -1;
}

void skriv_koordinater(Ut &ut, SheadStruct *head, const ScharStruct *keys, int type, const char *theme,
                       MdlFunctionP pointCb)
{
    // Without points the arrays hold another element's coordinates, which
    // must not reach the extent.
    if (antall(Elm.pointCount, ZERA_MAX_POINTS) == 0)
        return;
    // An arc by its ends keeps its centre, the third point, until the
    // extent has taken the square around it; then only the ends are written.
    bmwmaxmin(&head->minN, &head->maxN, &head->minE, &head->maxE, &Elm.mode);
    if (type == ZERA_BUE)
        Elm.pointCount = 2;
    const int n = antall(Elm.pointCount, ZERA_MAX_POINTS);

    if (Elm.sameHeight == 1 && !geoGraphics) {
        long nr = tall_long(theme);
        if (!((nr >= 2000 && nr <= 2199) || (nr >= 3000 && nr <= 3199)))
            Elm.sameHeight = 0;
    }
    short punktFlagg = 1;
    if (Elm.sameHeight == 1 || type == ZERA_PUNKT)
        SkalppHoydeSkrives(geoGraphics, &Elm.sameHeight, &punktFlagg, theme, type, pointCb);

    Form form;
    int rad = (type == ZERA_PUNKT && !geoGraphics) ? rad_for_punkt() : -1;
    if ((Elm.sameHeight == 1 && (type == ZERA_LINJE || type == ZERA_KURVE)) ||
        (rad >= 0 && Mstemtab.multHoyde[rad] >= 2))
        form = ENKEL_HOYDE;
    else if (Elm.H[0] == 0.0 && lagreNOH == 0)
        form = UTEN_HOYDE;
    else if (type == ZERA_PUNKT && punktFlagg != 0)
        form = ENKEL_HOYDE;
    else
        form = MED_HOYDE;

    if (form == ENKEL_HOYDE) {
        double hoyde = Elm.H[0];
        double unit = head->enhet;
        ut.skriv("%s %.3f\n", keys->hoydeKey, round_to_unit(&hoyde, &unit));
    }
    ut.skriv("%s\n", form == MED_HOYDE ? keys->coordHKey : keys->coordKey);

    for (int i = 0; i < n;) {
        const int neste = neste_umerket(i, n);
        // A dropped repeat hands its node code to the point that stays.
        int kp = Elm.kp[i];
        for (int j = i + 1; j < neste; j++)
            if (Elm.kp[j] != 0)
                kp = Elm.kp[j];

        if (form != ENKEL_HOYDE) {
            bool h = med_hoyde(i);
            if (form == MED_HOYDE && !h) {
                ut.skriv("%s\n", keys->coordKey);
                form = UTEN_HOYDE;
            } else if (form == UTEN_HOYDE && h) {
                ut.skriv("%s\n", keys->coordHKey);
                form = MED_HOYDE;
            }
        }
        char linje[VERDILINJE_LEN];
        size_t len = verdier(linje, fil_verdi(Elm.N[i], head->origoN, head), fil_verdi(Elm.E[i], head->origoE, head),
                             Elm.H[i] / enhet_av(head), form == MED_HOYDE);
        const bool medKp = kp != 0 && head->zeraNivaa > 2;
        if (medKp)
            len += (size_t)snprintf(linje + len, sizeof linje - len, " %s %d", "...KP", kp);
        linje[len++] = '\n';
        ut.tekst(linje, len);
        if (medKp && neste < n) {
            if (form != ENKEL_HOYDE)
                form = med_hoyde(neste) ? MED_HOYDE : UTEN_HOYDE;
            ut.skriv("%s\n", form == MED_HOYDE ? keys->coordHKey : keys->coordKey);
        }
        i = neste;
    }
}

} // namespace

/* ---- file values ------------------------------------------------------------- */

size_t heltall_tekst(char *out, size_t outSize, double value)
{
    // nearbyint rounds as printf does, in the current rounding mode; below
    // 2^63 the result is exact in a long long.  Beyond that, and for
    // infinities and NaN, printf itself.
    const double r = nearbyint(value);
    if (outSize < HELTALL_TEKST_LEN || !(fabs(r) < 9.2e18)) {
        int n = snprintf(out, outSize, "%.0f", value);
        return n < 0 ? 0 : ((size_t)n < outSize ? (size_t)n : outSize - 1);
    }
    char *p = out;
    // "%.0f" keeps the sign of a value that rounds to zero: -0.4 is "-0".
    if (r == 0.0 && std::signbit(r))
        *p++ = '-';
    p = std::to_chars(p, out + outSize - 1, (long long)r).ptr;
    *p = '\0';
    return (size_t)(p - out);
}

/* ---- header ------------------------------------------------------------------ */

namespace {

// Errors of a write that mean the disk (or the process's share of it) is full.
bool diskFull(int e) { return e == ENOSPC || e == EFBIG || e == EDQUOT; }

// The header, then the element file's bytes when elementFile names one, to
// fileName through one stream: the host puts it in place of the earlier file
// only when all of it was written.  0; 1 the file cannot be created; 2 no
// header or a set outside 1..3 (no file created); 4 the element file cannot
// be read; 5 a write failed (*writeErrno its cause).  Nothing is replaced on
// failure.
int lag_zerafil(const char *fileName, SheadStruct *header, int withEnd, const char *elementFile, int *writeErrno)
{
    if (header == nullptr)
        return 2;
    // The set is checked first so that a refused header leaves no empty file.
    int16_t set = header->charset;
    if (set < ZERA_CHARSET_ISO || set > ZERA_CHARSET_DOS || schar_init(&set, &Schar) != 0)
        return 2;
    FILE *fp = dlmSystem_mdlFopen(fileName, "w");
    if (fp == nullptr)
        return 1;
    errno = 0;
    kopier(header->tegnsett, sizeof header->tegnsett, tegnsett_navn(set));

    Ut ut(fp);
    char tall1[64], tall2[64];
    ut.skriv(".HODE\n");
    ut.skriv("%s %s\n", "..TEGNSETT", header->tegnsett);
    ut.skriv("..TRANSPAR\n");
    ut.skriv("%s %d\n", "...KOORDSYS", header->koordsys);
    // A fractional origin or a unit finer than 0.0001 keeps its decimals,
    // or every coordinate read back would move.
    eksakt_tall(tall1, sizeof tall1, header->origoN, 0);
    eksakt_tall(tall2, sizeof tall2, header->origoE, 0);
    ut.skriv("%s %s %s\n", Schar.origoKey, tall1, tall2);
    eksakt_tall(tall1, sizeof tall1, header->enhet, 4);
    ut.skriv("%s %s\n", "...ENHET", tall1);
    ut.skriv("%s\n", Schar.omraadeKey);
    ut.skriv("%s %.0f %.0f\n", Schar.minKey, floor(header->minN), floor(header->minE));
    ut.skriv("%s %.0f %.0f\n", Schar.maxKey, ceil(header->maxN), ceil(header->maxE));
    if (ZeraVersjonHarToDesimaler(header->zeraVersjon))
        ut.skriv("%s %.2f\n", "..ZERA-VERSJON", header->zeraVersjon);
    else
        ut.skriv("%s %.1f\n", "..ZERA-VERSJON", header->zeraVersjon);
    ut.skriv("%s %d\n", Schar.nivaaKey, header->zeraNivaa);

    if (!fra_versjon(header->zeraVersjon, VERSJON_DATO)) {
        if (header->dato > 0)
            ut.skriv("%s %d\n", "..DATO", header->dato);
        // Elements of these versions leave out places equal to the header's,
        // so every place up to the last one in use must be here.
        int siste = -1;
        for (int i = 0; i < ZERA_KVALITET_COUNT; i++)
            if (header->kvalitet[i] != 0)
                siste = i;
        if (siste >= 0) {
            ut.skriv("%s", "..KVALITET");
            for (int i = 0; i <= siste; i++)
                ut.skriv(" %d", header->kvalitet[i]);
            ut.skriv("\n");
        }
    }

    if (header->komm > 0)
        ut.skriv("%s %04d\n", "..KOMM", header->komm);
    const struct {
        const char *key;
        const char *value;
    } tekster[] = {{"..KARTID", header->kartid}, {"..PRODUSENT", header->produsent}, {"..EIER", header->eier}};
    for (const auto &t : tekster) {
        char verdi[SHEAD_TEXT_LEN];
        ut_tekst(verdi, sizeof verdi, t.value, ZERA_CHARSET_ISO, header);
        if (verdi[0] != '\0') {
            char q = sitattegn(verdi);
            ut.skriv("%s %c%s%c\n", t.key, q, verdi, q);
        }
    }
    if (header->fkbdata[0][0] != '\0') {
        ut.skriv("%s", "...FKBDATA");
        for (int i = 0; i < SHEAD_FKB_COUNT; i++) {
            char verdi[SHEAD_FKB_LEN];
            kopier(verdi, sizeof verdi, header->fkbdata[i]);
            enkel_linje(verdi);
            if (verdi[0] != '\0')
                ut.skriv(" %s", verdi);
        }
        ut.skriv("\n");
    }

    char ekstra[SHEAD_EXTRA_LEN];
    kopier(ekstra, sizeof ekstra, header->extraHead);
    til_sett(ekstra, ZERA_CHARSET_ISO, header->charset);
    for (const char *p = ekstra; *p != '\0';) {
        const char *slutt = linje_slutt(p);
        if (slutt > p)
            ut.skriv("%.*s\n", (int)(slutt - p), p);
        p = *slutt == '\0' ? slutt : slutt + 1;
    }

    if (withEnd) {
        ut.skriv(".SLUTT\n");
    } else {
        ut.skriv("! %s\n", Bmw.date);
        ut.skriv("! %s %s\n", Bmw.program, Bmw.version);
        ut.skriv("! %s\n!\n", fileName);
    }
    int rc = 0;
    if (elementFile != nullptr && elementFile[0] != '\0') {
        FILE *inn = dlmSystem_mdlFopen(elementFile, "r");
        if (inn == nullptr)
            rc = 4;
        static char blokk[65536];
        while (rc == 0 && ut.ok()) {
            size_t n = fread(blokk, 1, sizeof blokk, inn);
            if (n > 0)
                ut.tekst(blokk, n);
            if (n < sizeof blokk) {
                if (ferror(inn))
                    rc = 4;
                break;
            }
        }
        if (inn != nullptr)
            fclose(inn);
    }
    // ok() empties the buffer, so nothing reaches fp once it is closed.
    bool ok = ut.ok() && rc == 0;
    int e = errno; // a failed write's, kept by the writes that failed after it
    if (!ok) {
        mdlhost_discardFile(fp);
    } else if (dlmSystem_mdlFclose(fp) != 0) {
        ok = false;
        e = errno;
    }
    if (writeErrno != nullptr)
        *writeErrno = e;
    return rc != 0 ? rc : (ok ? 0 : 5);
}

} // namespace

int zercre_head(const char *fileName, SheadStruct *header, int withEnd)
{
    int rc = lag_zerafil(fileName, header, withEnd, nullptr, nullptr);
    return rc == 5 ? 1 : rc;
}

/* ---- description lines of a theme row --------------------------------------- */

int16_t zerput_rest(const char *description)
{
    if (description == nullptr)
        return 0;
    Elm.rest[ZERA_REST_LEN - 1] = '\0';

    char forste[MT_LINE_LEN];
    if (linje_token(description, 0, forste, sizeof forste) >= 0 && forste[0] != '\0' &&
        finn_nokkel(Elm.rest, forste, nullptr) != nullptr)
        Elm.rest[0] = '\0';

    // The remaining lines, with the keys modelled in Elm taken out.
    char arbeid[ZERA_REST_LEN];
    size_t len = 0;
    bool forLang = false;
    arbeid[0] = '\0';
    for (const char *p = description; *p != '\0';) {
        const char *slutt = linje_slutt(p);
        const char *key;
        char token[MT_LINE_LEN];
        if ((key = finn_nokkel(p, "..KVALITET", slutt)) != nullptr) {
            for (int i = 0; i < ZERA_KVALITET_COUNT; i++) {
                if (linje_token(key, i + 1, token, sizeof token) < 0) {
                    Elm.kvalitet[i] = 0; // the header's value is written
                    continue;
                }
                if (token[0] == '*') {
                    Elm.kvalitet[i] = -1;
                    continue;
                }
                char *end = nullptr;
                errno = 0;
                long v = strtol(token, &end, 10);
                if (end == token || errno != 0)
                    continue;
                if (v > 0)
                    Elm.kvalitet[i] = (int32_t)v;
                else if (v == 0)
                    Elm.kvalitet[i] = -10; // an explicit 0, not the header's value
            }
        } else if ((key = finn_nokkel(p, "..HREF", slutt)) != nullptr) {
            linje_token(key, 1, token, sizeof token);
            kopier(Elm.href, sizeof Elm.href, token);
        } else if ((key = finn_nokkel(p, "..MEDIUM", slutt)) != nullptr) {
            linje_token(key, 1, token, sizeof token);
            kopier(Elm.medium, sizeof Elm.medium, token);
        } else {
            size_t n = (size_t)(slutt - p) + (*slutt == '\n' ? 1 : 0);
            if (len + n >= sizeof arbeid)
                forLang = true;
            else {
                memcpy(arbeid + len, p, n);
                len += n;
                arbeid[len] = '\0';
            }
        }
        p = *slutt == '\0' ? slutt : slutt + 1;
    }
    if (len > 0 && arbeid[len - 1] == '\n')
        arbeid[--len] = '\0';

    size_t restLen = strlen(Elm.rest);
    if (forLang || (len > 0 && restLen + (restLen > 0 ? 1 : 0) + len > ZERA_REST_LEN - 1)) {
        // The element is still written, without these lines.
        bmwclr();
        bmw_elmfeil(RUTNAM_ELM, SP_BESKRIVELSE);
        return 0;
    }
    if (len > 0) {
        if (restLen > 0)
            legg_til(Elm.rest, sizeof Elm.rest, "\n");
        legg_til(Elm.rest, sizeof Elm.rest, arbeid);
    }
    Elm.restLen = (int16_t)strlen(Elm.rest);
    return 0;
}

/* ---- element ---------------------------------------------------------------- */

int16_t zerput_coord(SheadStruct *head, int16_t *flags)
{
    if (head == nullptr)
        return 1;
    return beregn_punkter(head, flags != nullptr ? flags : gjentatt, Elm.type);
}

int16_t zerput_elm(FILE *fp, SheadStruct *head, ScharStruct *keys, MdlFunctionP pointHeightCb)
{
    if (fp == nullptr || head == nullptr || keys == nullptr)
        return 1;
    Elm.rest[ZERA_REST_LEN - 1] = '\0';
    int type = Elm.type;
    // A text group with "..SYMBOL" reads back as a symbol point, so it
    // carries no "..STRENG"; a point with it is written as such a group.
    const bool symbol = finn_nokkel(Elm.rest, "..SYMBOL", nullptr) != nullptr;
    if (symbol && type == ZERA_PUNKT)
        type = ZERA_TEKST;

    if (beregn_punkter(head, gjentatt, type) != 0) {
        bmwclr();
        bmw_elmfeil(RUTNAM_ELM, SP_ANTALL_PUNKTER);
        return -1;
    }
    const char *themeKey = zera_temanokkel(type);
    if (themeKey == nullptr)
        return 1;
    if (zera_nivaa4(type) && Elm.refCount <= 0)
        return 1;

    // Values that would read back cut refuse the element before any of it
    // is written.
    char objtype[ZERA_NAME_LEN] = "";
    int objtypeForm = 0;
    if (eksporterObjekttype) {
        ut_tekst(objtype, sizeof objtype, Elm.objtype, ZERA_CHARSET_ISO, head);
        if (objtype[0] != '\0')
            objtypeForm = verdiform(objtype);
    }
    char text[ZERA_TEXT_LEN] = "";
    int textForm = 0;
    const bool streng = type == ZERA_TEKST && !symbol;
    if (streng) {
        ut_tekst(text, sizeof text, Elm.text, ZERA_CHARSET_ISO, head);
        textForm = verdiform(text);
    }
    if (objtypeForm < 0 || textForm < 0) {
        bmwclr();
        bmw_elmfeil(RUTNAM_ELM, SP_VERDI);
        return -1;
    }

    Ut ut(fp);
    ut.skriv("%s %ld:\n", zera_typenavn(type), (long)Elm.serial);
    if (objtype[0] != '\0')
        skriv_verdi(ut, "..OBJTYPE", objtype, objtypeForm);
    skriv_underlinjer(ut, head, "..OBJTYPE", objtype[0] != '\0');
    char theme0[ZERA_THEME_LEN];
    kopier(theme0, sizeof theme0, Elm.theme[0]);
    if (eksporterZeratema && type != ZERA_RASTER) {
        const int n = antall(Elm.themeCount, ZERA_MAX_THEMES);
        for (int k = 0; k < n; k++)
            skriv_felt(ut, themeKey, Elm.theme[k], sizeof Elm.theme[k]);
    }
    // Each line the record gives is followed by its sub-lines from rest.
    size_t foer = ut.totalt;
    skriv_dato(ut, head);
    skriv_underlinjer(ut, head, "..DATO", ut.totalt != foer);
    foer = ut.totalt;
    skriv_kvalitet(ut, head);
    skriv_underlinjer(ut, head, "..KVALITET", ut.totalt != foer);
    foer = ut.totalt;
    if (Elm.komm != head->komm && Elm.komm >= 1 && Elm.komm <= 9999)
        ut.skriv("%s %04d\n", "..KOMM", Elm.komm);
    skriv_underlinjer(ut, head, "..KOMM", ut.totalt != foer);
    foer = ut.totalt;
    skriv_felt(ut, "..HREF", Elm.href, sizeof Elm.href);
    skriv_underlinjer(ut, head, "..HREF", ut.totalt != foer);
    foer = ut.totalt;
    skriv_felt(ut, "..STATUS", Elm.status, sizeof Elm.status);
    skriv_underlinjer(ut, head, "..STATUS", ut.totalt != foer);
    foer = ut.totalt;
    skriv_felt(ut, "..MEDIUM", Elm.medium, sizeof Elm.medium);
    skriv_underlinjer(ut, head, "..MEDIUM", ut.totalt != foer);
    skriv_rest(ut, head, keys, type, symbol);

    switch (type) {
    case ZERA_BUE:
        if (Elm.storbue == 1)
            ut.skriv("%s 1\n", "..STORBUE");
        skriv_radius(ut, head);
        break;
    case ZERA_SIRKEL:
        skriv_radius(ut, head);
        break;
    case ZERA_BUEP:
        buep_punkter();
        break;
    case ZERA_TEKST:
        skriv_tekst(ut, streng ? text : nullptr, textForm);
        break;
    case ZERA_TRASE: case ZERA_FLATE: case ZERA_STRUKTUR:
        skriv_referanser(ut, head);
        break;
    case ZERA_RASTER:
        skriv_raster(ut, head, keys);
        break;
    case ZERA_SYMBOL:
        skriv_symbol(ut);
        break;
    default:
        break;
    }

    if (type != ZERA_TRASE && type != ZERA_STRUKTUR)
        skriv_koordinater(ut, head, keys, type, theme0, pointHeightCb);

    if (!ut.ok()) {
        meld_skrivefeil();
        return -1;
    }
    zera_tell(Bmw.written, type);
    return 0;
}

/* ---- export run ---------------------------------------------------------------- */

int init_dgn2zera(const char *themeFile, const char *elementFile, SheadStruct *header, MdlFunctionP cTxt)
{
    (void)cTxt;
    bmwinit();
    bmwRunKind = BMW_RUN_EXPORT;
    skrivefeilMeldt = false;
    radSattNaa = false;
    if (Filep_tmpzer != nullptr) {
        // Left open by a run that never reached exit_dgn2zera: its half
        // never replaces the file it was to replace.
        mdlhost_discardFile(Filep_tmpzer);
        Filep_tmpzer = nullptr;
    }

    int feil = 0;
    int16_t set = header != nullptr ? header->charset : 0;
    Filep_tmpzer = dlmSystem_mdlFopen(elementFile, "w");
    // The element file is the caller's work file, copied into the ZERA file
    // that is synced: syncing it as well doubled the time of an export.
    mdlhost_markScratchFile(Filep_tmpzer);
    if (Filep_tmpzer == nullptr)
        feil = FEIL_ELEMENTFIL;
    else if (!geoGraphics && mt_init(themeFile, 1) != 0)
        feil = FEIL_TEMAFIL;
    else if (header == nullptr || schar_init(&set, &Schar) != 0)
        feil = FEIL_TEGNSETT;
    if (feil != 0) {
        meld_kjorefeil(feil);
        if (Filep_tmpzer != nullptr) {
            mdlhost_discardFile(Filep_tmpzer);
            Filep_tmpzer = nullptr;
        }
        return -2;
    }
    Shead = *header;
    return 0;
}

int perf_dgn2zera(MdlFunctionP pointHeightCb, MdlFunctionP heightCb)
{
    radSattNaa = false;
    zera_tell(Bmw.read, Elm.type);

    if (geoGraphics) {
        if (UtelatElementPgaIkkeMultHoyde(heightCb) == -1)
            return 1;
        if (hoydeAvrunding != 0 && heightCb != nullptr &&
            dlmSystem_callMdlFunction(mdlSystem_getCurrMdlDesc(), heightCb, "PI", Elm.theme[0], (int)Elm.type) != 0)
            Elm.sameHeight = 1;
    } else if (Elm.type != ZERA_RASTER) {
        if (Elm.theme[0][0] == '\0') {
            int16_t mode = 2;
            if (mt_match(&mode, "") != 0)
                return 1;
            int16_t k = 0;
            if (mt_fill(&mode, &k) != 0)
                return 2;
            radSattNaa = true;
        } else if (Elm.type == ZERA_PUNKT) {
            // A theme from the application: its point row, when there is one,
            // decides the height rules.
            char theme[ZERA_THEME_LEN];
            kopier(theme, sizeof theme, Elm.theme[0]);
            const int rows = antall(Mstemtab.rowCount, MT_MAX_ROWS);
            Elm.matchRow[0] = -1;
            for (int r = 0; r < rows; r++) {
                if (strcmp(Mstemtab.tema[r], theme) == 0 && strcmp(Mstemtab.datatype[r], "P") == 0) {
                    Elm.matchRow[0] = r;
                    radSattNaa = true;
                    if (Mstemtab.multHoyde[r] >= 1)
                        Elm.sameHeight = 1;
                    break;
                }
            }
        }
    }

    if (hoydeAvrunding != 0 && Elm.sameHeight == 1)
        avrundHoyder();
    return zerput_elm(Filep_tmpzer, &Shead, &Schar, pointHeightCb) != 0 ? 3 : 0;
}

int exit_dgn2zera(const char *reportFile, const char *zeraFile, const char *elementFile, const char *themeFile,
                  const char *headerFile, const char *xmlFile, MdlFunctionP cTxt)
{
    (void)headerFile;
    bool elementfilOk = true;
    if (Filep_tmpzer != nullptr) {
        Ut ut(Filep_tmpzer);
        ut.skriv(".SLUTT\n");
        elementfilOk = ut.ok();
        if (dlmSystem_mdlFclose(Filep_tmpzer) != 0)
            elementfilOk = false;
        Filep_tmpzer = nullptr;
        if (!elementfilOk)
            meld_skrivefeil();
    }
    elementfilOk = elementfilOk && !skrivefeilMeldt;

    // Bmw.fileExtent is Nmin, Emin, Nmax, Emax, Hmin, Hmax.
    Shead.minN = floor(Bmw.fileExtent[0]);
    Shead.minE = floor(Bmw.fileExtent[1]);
    Shead.maxN = ceil(Bmw.fileExtent[2]);
    Shead.maxE = ceil(Bmw.fileExtent[3]);
    Shead.minH = floor(Bmw.fileExtent[4]);
    Shead.maxH = ceil(Bmw.fileExtent[5]);
    int64_t nivaa4Skrevet = 0;
    for (const ZeraTypeFakta &t : ZERA_TYPER)
        if (t.nivaa4)
            nivaa4Skrevet += Bmw.written[t.kode - 1];
    if (Shead.zeraNivaa == 4 && nivaa4Skrevet == 0)
        Shead.zeraNivaa = 3;
    kopier(Bmw.program, sizeof Bmw.program, getZvZeraVersionInfo(4));

    // Header and elements reach the ZERA file whole or not at all: a cut
    // element file or a full disk leaves the earlier file as it was.
    int rc = 0;
    if (!elementfilOk) {
        rc = 3;
    } else {
        int e = 0;
        switch (lag_zerafil(zeraFile, &Shead, 0, elementFile, &e)) {
        case 0:
            break;
        case 4:
            meld_kjorefeil(FEIL_SKRIVING);
            rc = 3;
            break;
        case 5:
            meld_kjorefeil(diskFull(e) ? FEIL_DISK_FULL : FEIL_ZERASKRIVING);
            rc = 1;
            break;
        default:
            meld_kjorefeil(FEIL_ZERAFIL);
            rc = 1;
        }
    }
    if (exit_zera2dgn(reportFile, zeraFile, themeFile, xmlFile, 0, cTxt) != 0 && rc == 0)
        rc = 2;
    skrivefeilMeldt = false;
    return rc;
}
