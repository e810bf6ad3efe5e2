// Message register: the numbered messages of a run, the per-type counters
// and the themes the theme table did not know.  Messages are identifiers
// (routine name and number); their texts belong to the application.
//
// Sections: run start and report settings - registering messages -
// unknown themes - index sort - short-hands used across the engine.
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

#include "kartmotor_int.h"
#include "kartmotor_tjenester.h"
#include "sys/mdlsys.h"

BmwStruct Bmw;
int16_t bmwRunKind;

namespace {

// Longest routine name a message may carry; the column holds one more byte.
constexpr size_t kMaxRutnam = BMW_RUTNAM_LEN - 1;
constexpr size_t kMaxCwd = 80;

// Rows of the two tables written since they were last cleared.  The tables
// are nearly all of the record's 786 KB: clearing only the rows in use
// spares a run the page faults of the untouched rest.
int32_t msgRader = 0;
int32_t temRader = 0;

// The rows of the table that may hold something: the rows written here, or
// as many as the count says (anything else may have set it); all of them
// when the count is out of range.
int32_t rader_i_bruk(int32_t skrevet, int32_t antall, int32_t maks)
{
    if (antall < 0 || antall > maks)
        return maks;
    return skrevet > antall ? skrevet : antall;
}

// The first rader rows of each column array.
template <class... Kolonner> void tom_rader(int32_t rader, Kolonner &...kolonne)
{
    (memset(kolonne, 0, sizeof kolonne[0] * (size_t)rader), ...);
}

void tom_tabeller()
{
    BmwMessageTable &m = Bmw.msg;
    tom_rader(rader_i_bruk(msgRader, Bmw.msgCount, BMW_MAX_MESSAGES), m.type, m.line, m.elementType, m.theme,
              m.objtype, m.n, m.e, m.rutnam, m.number);
    BmwUnknownTable &t = Bmw.tem;
    tom_rader(rader_i_bruk(temRader, Bmw.unknownCount, BMW_MAX_UNKNOWN), t.elementType, t.style, t.colour, t.theme,
              t.objtype, t.code, t.rutnam, t.number, t.count);
    msgRader = 0;
    temRader = 0;
}

void hent_tekst(int16_t number, char *out, size_t outSize)
{
    char rutnam[] = "BMW";
    short n = number;
    char text[BMW_CTXT_LEN] = "";
    if (c_txt(rutnam, &n, text) != 0)
        text[0] = '\0';
    text[sizeof text - 1] = '\0';
    kopier(out, outSize, text);
}

void sett_dato(void)
{
    time_t now = time(nullptr);
    struct tm local;
    if (now == (time_t)-1 || localtime_r(&now, &local) == nullptr)
        return;
    // Nobody calls setlocale, so %b gives the C locale's English month.
    char text[32];
    if (strftime(text, sizeof text, "%d-%b-%y", &local) > 0)
        kopier_n(Bmw.date, sizeof Bmw.date, text, 10);
    if (strftime(text, sizeof text, "%Y%m%d", &local) > 0) {
        for (char *p = text; *p != '\0'; p++)
            if (*p == ' ')
                *p = '0';
        Bmw.dateYmd = (int32_t)strtol(text, nullptr, 10);
    }
}

void sett_cwd(void)
{
    // A longer directory makes getcwd fail; an empty name is better than a
    // cut one that names another directory.
    char dir[kMaxCwd + 1];
    if (getcwd(dir, sizeof dir) == nullptr)
        dir[0] = '\0';
    kopier(Bmw.cwd, sizeof Bmw.cwd, dir);
}

// Where a message's fields come from: the current message, or the current
// element with the current message as fallback.
struct Kilde {
    int32_t line;
    int16_t elementType;
    const char *theme;
    const char *objtype;
    double n;
    double e;
};

// The one path into the message table; elm selects the capitalised
// programming-error texts of bmwput_elm.
int16_t registrer(const Kilde &k, bool elm)
{
    Bmw.lastFatal = 0;
    Bmw.lastError = 0;
    // Only fatal messages and errors are kept; warnings, notes and
    // anything outside the four types leave no trace.
    if (Bmw.type != BMW_FATAL && Bmw.type != BMW_ERROR)
        return 0;
    bool full = Bmw.msgCount >= BMW_MAX_MESSAGES || Bmw.msgCount < 0;
    if (!full) {
        size_t len = strnlen(Bmw.acc_txt_rutnam, sizeof Bmw.acc_txt_rutnam);
        if (len < 1 || len > kMaxRutnam) {
            toolSubsystem_printf("%s", elm ? "Programming error in bmwput_elm()\n" : "programming error in bmwput()\n");
            toolSubsystem_printf("%s", elm ? "Illegal value of Bmw.acc_txt_rutnam\n"
                                           : "illegal value of Bmw.acc_txt_rutnam\n");
            return 1;
        }
        if (Bmw.acc_txt_number < 1) {
            toolSubsystem_printf("%s", elm ? "Programming error in bmwput_elm()\n" : "programming error in bmwput()\n");
            toolSubsystem_printf("%s", elm ? "Illegal value of Bmw.acc_txt_number\n"
                                           : "illegal value of Bmw.acc_txt_number\n");
            toolSubsystem_printf("%d %s\n", Bmw.acc_txt_number, Bmw.acc_txt_rutnam);
            return 2;
        }
        BmwMessageTable &m = Bmw.msg;
        int32_t i = Bmw.msgCount;
        m.type[i] = Bmw.type;
        m.line[i] = k.line;
        m.elementType[i] = k.elementType;
        kopier(m.theme[i], sizeof m.theme[i], k.theme);
        kopier(m.objtype[i], sizeof m.objtype[i], k.objtype);
        m.n[i] = k.n;
        m.e[i] = k.e;
        kopier(m.rutnam[i], sizeof m.rutnam[i], Bmw.acc_txt_rutnam);
        m.number[i] = Bmw.acc_txt_number;
        Bmw.msgCount++;
        if (msgRader < Bmw.msgCount)
            msgRader = Bmw.msgCount;
    }
    // A full table still tells the caller, so a fatal condition stops it.
    if (Bmw.type == BMW_FATAL) {
        Bmw.lastFatal = 1;
        if (!full)
            Bmw.fatalCount++;
    } else {
        Bmw.lastError = 1;
        if (!full)
            Bmw.errorCount++;
    }
    return 0;
}

void sett_rutnam(const char *rutnam, int number)
{
    kopier(Bmw.acc_txt_rutnam, sizeof Bmw.acc_txt_rutnam, rutnam);
    // A number outside the 16-bit column is refused by the register as 0.
    Bmw.acc_txt_number = (number >= 1 && number <= SHRT_MAX) ? (int16_t)number : 0;
}

} // namespace

/* ---- run start and report settings ------------------------------------------ */

int16_t bmwgetenv(const char *name, char *out, size_t outSize)
{
    static const struct {
        const char *name;
        int selector; // getZvZeraVersionInfo selector, 0 for a fixed answer
        const char *answer;
    } settings[] = {
        {"LYSMO_PROG", 3, nullptr},   {"LYSMO_VERSION", 1, nullptr}, {"LYSMO_SYS_ID", 2, nullptr},
        {"LYSMO_JOB_ID", 0, "X"},     {"LOGFIL", 0, "ZVZERA.LOG"},   {"MSGFIL", 0, "ZVZERA.MSG"},
        {"LYSMO_PRINT_LIN", 0, "60"},
    };
    if (name == nullptr || out == nullptr)
        return 0;
    for (const auto &s : settings) {
        if (strcmp(name, s.name) != 0)
            continue;
        const char *answer = s.selector != 0 ? getZvZeraVersionInfo(s.selector) : s.answer;
        kopier(out, outSize, answer != nullptr ? answer : "");
        break;
    }
    return 0;
}

int16_t bmwinit(void)
{
    tom_tabeller();
    static_assert(offsetof(BmwStruct, tem) == offsetof(BmwStruct, msg) + sizeof(BmwMessageTable),
                  "the tables lie next to each other");
    char *start = reinterpret_cast<char *>(&Bmw);
    memset(start, 0, offsetof(BmwStruct, msg));
    const size_t etter = offsetof(BmwStruct, tem) + sizeof Bmw.tem;
    memset(start + etter, 0, sizeof Bmw - etter);
    bmwRunKind = BMW_RUN_IMPORT;
    bmwgetenv("LYSMO_PROG", Bmw.program, sizeof Bmw.program);
    bmwgetenv("LYSMO_VERSION", Bmw.version, sizeof Bmw.version);
    bmwgetenv("LYSMO_SYS_ID", Bmw.systemId, sizeof Bmw.systemId);
    bmwgetenv("LYSMO_JOB_ID", Bmw.jobId, sizeof Bmw.jobId);
    bmwgetenv("LOGFIL", Bmw.logFile, sizeof Bmw.logFile);
    bmwgetenv("MSGFIL", Bmw.msgFile, sizeof Bmw.msgFile);
    sett_cwd();
    char lines[16] = "";
    bmwgetenv("LYSMO_PRINT_LIN", lines, sizeof lines);
    Bmw.printLines = (int32_t)strtol(lines, nullptr, 10);
    sett_dato();
    hent_tekst(31, Bmw.text31, sizeof Bmw.text31);
    hent_tekst(32, Bmw.text32, sizeof Bmw.text32);
    hent_tekst(33, Bmw.text33, sizeof Bmw.text33);
    return 0;
}

/* ---- registering messages ------------------------------------------------------ */

int16_t bmwclr(void)
{
    Bmw.type = BMW_NOTE;
    Bmw.line = 0;
    Bmw.elementType = 0;
    Bmw.n = 0.0;
    Bmw.e = 0.0;
    Bmw.theme[0] = '\0';
    Bmw.objtype[0] = '\0';
    Bmw.acc_txt_rutnam[0] = '\0';
    Bmw.acc_txt_number = 0;
    return 0;
}

int16_t bmwput(void)
{
    Kilde k{Bmw.line, Bmw.elementType, Bmw.theme, Bmw.objtype, Bmw.n, Bmw.e};
    return registrer(k, false);
}

int16_t bmwput_elm(void)
{
    Kilde k{};
    k.line = Elm.serial != 0 ? Elm.serial : Bmw.line;
    k.elementType = Elm.type;
    // Without points the arrays hold an earlier element's coordinates.
    k.n = Elm.pointCount > 0 ? Elm.N[0] : Bmw.n;
    k.e = Elm.pointCount > 0 ? Elm.E[0] : Bmw.e;
    k.theme = Elm.theme[0][0] != '\0' ? Elm.theme[0] : Bmw.theme;
    k.objtype = Elm.objtype[0] != '\0' ? Elm.objtype : Bmw.objtype;
    return registrer(k, true);
}

/* ---- unknown themes --------------------------------------------------------------- */

int16_t bmwput_tem(int16_t *themeIndex)
{
    if (themeIndex == nullptr || *themeIndex < 0 || *themeIndex >= ZERA_MAX_THEMES)
        return -1;
    int k = *themeIndex;
    BmwUnknownTable &t = Bmw.tem;
    // Themes longer than the column are compared as stored, so a long theme
    // met again raises its own entry instead of adding one per meeting.
    char theme[BMW_THEME_LEN];
    kopier(theme, sizeof theme, Elm.theme[k]);
    // The object type is part of the key: two object types under one
    // theme are two lines of the list and two rows of a template.
    char objtype[BMW_OBJTYPE_LEN];
    kopier(objtype, sizeof objtype, Elm.objtype);
    int32_t used = Bmw.unknownCount;
    if (used < 0 || used > BMW_MAX_UNKNOWN)
        used = BMW_MAX_UNKNOWN;
    for (int32_t i = 0; i < used; i++) {
        if (t.elementType[i] == Elm.type && t.number[i] == Bmw.acc_txt_number &&
            strncmp(t.theme[i], theme, sizeof theme) == 0 && strncmp(t.objtype[i], objtype, sizeof objtype) == 0) {
            t.count[i]++;
            return 0;
        }
    }
    if (used >= BMW_MAX_UNKNOWN)
        return -1;
    int32_t i = used;
    t.elementType[i] = Elm.type;
    t.style[i] = Elm.style;
    t.colour[i] = Elm.colour;
    kopier(t.objtype[i], sizeof t.objtype[i], objtype);
    kopier(t.theme[i], sizeof t.theme[i], theme);
    const char *code = Elm.themeCode[k];
    kopier(t.code[i], sizeof t.code[i], (code[0] != '\0' && code[0] != '0') ? code : "");
    kopier(t.rutnam[i], sizeof t.rutnam[i], Bmw.acc_txt_rutnam);
    t.number[i] = Bmw.acc_txt_number;
    t.count[i] = 1;
    Bmw.unknownCount = i + 1;
    if (temRader < Bmw.unknownCount)
        temRader = Bmw.unknownCount;
    return 0;
}

/* ---- index sort ------------------------------------------------------------------ */

int16_t sort_index(int32_t *values, int32_t *count, int32_t *out, int32_t *work)
{
    if (count == nullptr || *count <= 0 || values == nullptr || out == nullptr || work == nullptr)
        return 1;
    int32_t n = *count;
    for (int32_t i = 0; i < n; i++)
        out[i] = i;
    // Bottom-up merge sort: stable, so equal values keep their order.
    int32_t *from = out;
    int32_t *to = work;
    for (int32_t width = 1; width < n; width *= 2) {
        for (int32_t lo = 0; lo < n; lo += 2 * width) {
            int32_t mid = lo + width < n ? lo + width : n;
            int32_t hi = lo + 2 * width < n ? lo + 2 * width : n;
            int32_t a = lo, b = mid, k = lo;
            while (a < mid && b < hi)
                to[k++] = values[from[b]] < values[from[a]] ? from[b++] : from[a++];
            while (a < mid)
                to[k++] = from[a++];
            while (b < hi)
                to[k++] = from[b++];
        }
        int32_t *swap = from;
        from = to;
        to = swap;
        if (width > INT32_MAX / 2)
            break;
    }
    if (from != out)
        memcpy(out, from, (size_t)n * sizeof *out);
    return 0;
}

/* ---- short-hands -------------------------------------------------------------------- */

void bmw_sett(const char *rutnam, int number, int16_t type)
{
    sett_rutnam(rutnam, number);
    Bmw.type = type;
}

int16_t bmw_meld(const char *rutnam, int number, int16_t type, int32_t line)
{
    bmw_sett(rutnam, number, type);
    Bmw.line = line;
    return bmwput();
}

int16_t bmw_elmfeil(const char *rutnam, int number)
{
    zera_tell(Bmw.errors, Elm.type);
    bmw_sett(rutnam, number, BMW_ERROR);
    return bmwput_elm();
}
