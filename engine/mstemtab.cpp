// Theme table, FKB groups, symbol table and object-type table: the lookup
// tables of the engine and their files, and the theme-table template
// written for themes the table did not know.
//
// Sections: text helpers - theme file (mt_init) - template (mt_creat) -
// symbol file (st_create) - object-type table and lookups.
#include <cerrno>
#include <climits>
#include <set>
#include <string>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kartmotor_int.h"
#include "kartmotor_tjenester.h"
#include "sys/mdlsys.h"

MstemtabStruct Mstemtab;
FkbtabStruct Fkbtab;
SymboltabStruct Symboltab;
ZeraTemaObjStruct *stot;
MstemtabXmlStruct MstemtabXml;
uint8_t xmlDocPending;

/* ---- text helpers ------------------------------------------------------------ */

static bool er_blank_tab(char c) { return c == ' ' || c == '\t'; }

char *trim_left(char *text)
{
    if (text == nullptr)
        return nullptr;
    while (er_blank_tab(*text))
        text++;
    return text;
}

void trim_right(char *text)
{
    if (text == nullptr)
        return;
    size_t len = strlen(text);
    while (len > 0 && er_blank_tab(text[len - 1]))
        text[--len] = '\0';
}

char *trim_both(char *text)
{
    trim_right(text);
    return trim_left(text);
}

namespace {

// Reads one physical line without its LF or CRLF end into buf, keeping at
// most bufSize - 1 characters; *overlong tells that more were skipped.
// false at the end of the file when nothing was read.
bool les_linje(FILE *fp, char *buf, size_t bufSize, bool *overlong)
{
    size_t n = 0;
    bool any = false;
    bool pendingCr = false;
    *overlong = false;
    auto put = [&](char c) {
        if (n + 1 < bufSize)
            buf[n++] = c;
        else
            *overlong = true;
    };
    int c;
    while ((c = getc(fp)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (pendingCr)
            put('\r');
        pendingCr = c == '\r';
        if (!pendingCr)
            put((char)c);
    }
    buf[n] = '\0';
    return any;
}

bool er_siffer(char c) { return c >= '0' && c <= '9'; }
bool er_bokstav(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool er_norsk_bokstav(char c)
{
    switch ((unsigned char)c) {
    case 0xC6: case 0xE6: case 0xD8: case 0xF8: case 0xC5: case 0xE5:
        return true;
    default:
        return false;
    }
}

// Lower case of an ISO 8859-1 letter, the Norwegian ones included.
unsigned char liten(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return (unsigned char)(c + 0x20);
    return c;
}

// Equal ignoring case; column is a table cell of columnSize bytes that may
// be full without a terminator.
bool lik_uten_storrelse(const char *column, size_t columnSize, const char *name)
{
    for (size_t i = 0; i < columnSize; i++) {
        unsigned char a = (unsigned char)column[i], b = (unsigned char)name[i];
        if (liten(a) != liten(b))
            return false;
        if (a == '\0')
            return true;
    }
    return name[columnSize] == '\0';
}

// Whole field as an integer: digits with an optional leading '-'.
bool les_heltall(const char *s, bool minus, long *value)
{
    const char *p = (minus && *s == '-') ? s + 1 : s;
    if (*p == '\0')
        return false;
    for (const char *q = p; *q != '\0'; q++)
        if (!er_siffer(*q))
            return false;
    errno = 0;
    long v = strtol(s, nullptr, 10);
    if (errno == ERANGE || v > INT32_MAX || v < INT32_MIN)
        return false;
    *value = v;
    return true;
}

// Whole field as a decimal number: digits, at most one '.', optional '-'.
bool les_desimal(const char *s, double *value)
{
    const char *p = *s == '-' ? s + 1 : s;
    int digits = 0, dots = 0;
    for (const char *q = p; *q != '\0'; q++) {
        if (er_siffer(*q))
            digits++;
        else if (*q == '.')
            dots++;
        else
            return false;
    }
    if (digits == 0 || dots > 1)
        return false;
    char *end = nullptr;
    double v = strtod(s, &end);
    if (end == s || *end != '\0' || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

template <typename Pred> bool alle(const char *s, Pred pred)
{
    for (; *s != '\0'; s++)
        if (!pred(*s))
            return false;
    return true;
}

// The theme column read as a theme number (atol), 0 when it is none.
int32_t temanummer(const char *theme)
{
    long v = tall_long(theme);
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : (int32_t)v;
}

// The theme column of a template row whose theme the loader would refuse
// (none, as for an element known by its object type alone, or not a
// number): the loader wants digits, and no ZERA theme is 0.
#define MT_INGEN_TEMA "0"

bool tema_lastbar(const char *theme)
{
    return theme[0] != '\0' && alle(theme, [](char c) { return er_siffer(c); });
}

/* ---- theme file ------------------------------------------------------------------- */

enum {
    MT_CANNOT_OPEN = 1, MT_TOO_MANY_ROWS = 2, MT_FIELDS = 3, MT_THEME = 4, MT_FKB = 5, MT_DATATYPE = 6,
    MT_COLOUR = 8, MT_WEIGHT = 9, MT_STYLE = 10, MT_FONT = 11, MT_TEXT_HEIGHT = 12, MT_TEXT_WIDTH = 13,
    MT_CELL = 14, MT_SCALE_X = 15, MT_SCALE_Y = 16, MT_NO_ROWS = 17, MT_DESCRIPTION = 18,
    MT_XML_NAME = 40, MT_XML_FLAG1 = 41, MT_XML_FLAG2 = 42
};
constexpr int kFields = 15;

// Ranges of the numeric columns: a row outside them is refused on loading,
// and the template's legend and rows keep within them.  Macros, so that
// the legend is spelled from the same numbers.
#define MT_FARGE_MIN 0
#define MT_FARGE_MAKS 254
#define MT_TYKKELSE_MIN 0
#define MT_TYKKELSE_MAKS 31
#define MT_STIL_MIN (-1)          // -1 passes too; the legend names the drawn styles
#define MT_STIL_MAKS 7
#define MT_FONT_MIN (-1)
#define MT_MAAL_MIN (-1)          // text height and width, cell scales
#define MT_TALL_(n) #n
#define MT_TALL(n) MT_TALL_(n)

// One row as read, before it is given a place in the table.
struct Rad {
    char *field[kFields];
    long colour, weight, style, font, multHoyde;
    double textHeight, textWidth, scaleX, scaleY;
    char comment[MT_COMMENT_LEN];
    char xmlName[MT_FIELD_LEN];
    char xmlKind[2];
    int32_t xmlFlag1, xmlFlag2;
};

// Comment and LandXML part of the text after the 15 fields.  0 or an error.
int les_hale(const char *tail, Rad &r)
{
    r.comment[0] = '\0';
    r.xmlName[0] = '\0';
    r.xmlKind[0] = '\0';
    r.xmlFlag1 = r.xmlFlag2 = 0;
    const char *bang = strchr(tail, '!');
    const char *hash = strchr(tail, '#');
    if (bang != nullptr) {
        const char *p = bang + 1;
        while (er_blank_tab(*p))
            p++;
        // A '#' right after the '!' leaves the comment empty.
        const char *end = (hash != nullptr && hash >= p) ? hash : p + strlen(p);
        while (end > p && (er_blank_tab(end[-1]) || end[-1] == '\n' || end[-1] == '#'))
            end--;
        kopier_n(r.comment, sizeof r.comment, p, (size_t)(end - p));
    }
    if (hash == nullptr)
        return 0;
    const char *p = hash + 1;
    char kind[3], flag1[3], flag2[3], last[2];
    if (linje_token(p, 3, last, sizeof last) < 0)
        return MT_FIELDS;
    if (linje_token(p, 0, r.xmlName, sizeof r.xmlName) != 0)
        return MT_XML_NAME; // 50 characters leave no room for the terminator
    if (linje_token(p, 1, kind, sizeof kind) != 0 || strlen(kind) != 1 || strchr("BCEIRbceir", kind[0]) == nullptr)
        return MT_DATATYPE;
    kopier(r.xmlKind, sizeof r.xmlKind, kind);
    if (linje_token(p, 2, flag1, sizeof flag1) != 0 || (strcmp(flag1, "0") != 0 && strcmp(flag1, "1") != 0))
        return MT_XML_FLAG1;
    if (linje_token(p, 3, flag2, sizeof flag2) != 0 || (strcmp(flag2, "0") != 0 && strcmp(flag2, "1") != 0))
        return MT_XML_FLAG2;
    r.xmlFlag1 = flag1[0] - '0';
    r.xmlFlag2 = flag2[0] - '0';
    return 0;
}

// Splits and checks a row in line (changed in place).  0 or the error.
int les_rad(char *line, Rad &r)
{
    char *p = line;
    // A row as the template writes it: a tab first and tabs between the
    // fields, so a template loads as it stands.
    const char skille = line[0] == '\t' ? '\t' : ';';
    if (skille == '\t')
        p++;
    for (int f = 0; f < kFields - 1; f++) {
        char *semi = strchr(p, skille);
        if (semi == nullptr)
            return MT_FIELDS;
        *semi = '\0';
        r.field[f] = p;
        p = semi + 1;
    }
    // The last field ends at the comment, the LandXML part or a further
    // separator (fields beyond 15 are not read).
    char *tailStart = p + strcspn(p, skille == '\t' ? "!#\t" : "!#;");
    char tail[MT_LINE_LEN];
    kopier(tail, sizeof tail, tailStart);
    *tailStart = '\0';
    r.field[kFields - 1] = p;
    for (char *&f : r.field)
        f = trim_both(f);

    char **f = r.field;
    size_t themeLen = strlen(f[1]);
    if (themeLen == 0 || themeLen >= MT_FIELD_LEN ||
        !alle(f[1], [](char c) { return er_siffer(c) || er_blank_tab(c); }))
        return MT_THEME;
    size_t fkbLen = strlen(f[2]);
    if (fkbLen == 0 || fkbLen >= MT_FIELD_LEN || !alle(f[2], [](char c) { return er_bokstav(c) || er_blank_tab(c); }))
        return MT_FKB;
    if (strlen(f[3]) != 1 || strchr("PLTF", f[3][0]) == nullptr)
        return MT_DATATYPE;
    if (!les_heltall(f[5], false, &r.colour) || r.colour < MT_FARGE_MIN || r.colour > MT_FARGE_MAKS)
        return MT_COLOUR;
    if (!les_heltall(f[6], false, &r.weight) || r.weight < MT_TYKKELSE_MIN || r.weight > MT_TYKKELSE_MAKS)
        return MT_WEIGHT;
    if (!les_heltall(f[7], true, &r.style) || r.style < MT_STIL_MIN || r.style > MT_STIL_MAKS)
        return MT_STYLE;
    if (!les_heltall(f[8], true, &r.font) || r.font < MT_FONT_MIN || r.font > SHRT_MAX)
        return MT_FONT;
    if (!les_desimal(f[9], &r.textHeight) || r.textHeight < MT_MAAL_MIN)
        return MT_TEXT_HEIGHT;
    if (!les_desimal(f[10], &r.textWidth) || r.textWidth < MT_MAAL_MIN)
        return MT_TEXT_WIDTH;
    if (f[11][0] == '\0' ||
        !alle(f[11], [](char c) { return er_bokstav(c) || er_norsk_bokstav(c) || er_siffer(c) || er_blank_tab(c); }))
        return MT_CELL;
    if (!les_desimal(f[12], &r.scaleX) || r.scaleX < MT_MAAL_MIN)
        return MT_SCALE_X;
    if (!les_desimal(f[13], &r.scaleY) || r.scaleY < MT_MAAL_MIN)
        return MT_SCALE_Y;
    // The rounding flag has no message of its own: a bad one spoils the row.
    r.multHoyde = 0;
    if (f[14][0] != '\0' &&
        (!alle(f[14], [](char c) { return c == '0' || c == '1'; }) || !les_heltall(f[14], false, &r.multHoyde) ||
         r.multHoyde > SHRT_MAX))
        return MT_FIELDS;
    return les_hale(tail, r);
}

void lagre_rad(int32_t i, const Rad &r)
{
    char *const *f = r.field;
    // Object type and level have no check of their own; longer ones are cut
    // to the column.
    kopier(Mstemtab.objtype[i], MT_FIELD_LEN, f[0]);
    kopier(Mstemtab.tema[i], MT_FIELD_LEN, f[1]);
    kopier(Mstemtab.fkbGroup[i], MT_FIELD_LEN, f[2]);
    kopier(Mstemtab.datatype[i], sizeof Mstemtab.datatype[i], f[3]);
    kopier(Mstemtab.level[i], MT_FIELD_LEN, f[4]);
    Mstemtab.colour[i] = (int32_t)r.colour;
    Mstemtab.weight[i] = (int32_t)r.weight;
    Mstemtab.style[i] = (int32_t)r.style;
    Mstemtab.font[i] = (int16_t)r.font;
    Mstemtab.textHeight[i] = r.textHeight;
    Mstemtab.textWidth[i] = r.textWidth;
    mdlCnv_convertMultibyteToUnicode(f[11], -1, Mstemtab.cell[i], ZERA_CELL_LEN);
    Mstemtab.cellScaleX[i] = r.scaleX;
    Mstemtab.cellScaleY[i] = r.scaleY;
    Mstemtab.multHoyde[i] = (int16_t)r.multHoyde;
    Mstemtab.description[i][0] = '\0';
    kopier(Mstemtab.comment[i], MT_COMMENT_LEN, r.comment);
    kopier(MstemtabXml.xmlName[i], MT_FIELD_LEN, r.xmlName);
    kopier(MstemtabXml.xmlKind[i], sizeof MstemtabXml.xmlKind[i], r.xmlKind);
    MstemtabXml.xmlFlag1[i] = r.xmlFlag1;
    MstemtabXml.xmlFlag2[i] = r.xmlFlag2;
}

// true: keep the row.  Groups the table has no room for keep their rows.
bool velg_fkb(const char *group, int selectGroups)
{
    int32_t n = Fkbtab.count < 0 ? 0 : Fkbtab.count > FKB_MAX_GROUPS ? FKB_MAX_GROUPS : Fkbtab.count;
    for (int32_t g = 0; g < n; g++)
        if (strncmp(Fkbtab.group[g], group, MT_FIELD_LEN) == 0)
            return selectGroups == 0 || Fkbtab.selected[g] != 0;
    if (n < FKB_MAX_GROUPS) {
        kopier(Fkbtab.group[n], MT_FIELD_LEN, group);
        Fkbtab.selected[n] = 1;
        Fkbtab.count = n + 1;
    }
    return true;
}

} // namespace

int mt_init(const char *themeFile, int selectGroups)
{
    if (Mstemtab.rowCount > 0)
        return 0;
    Mstemtab.rowCount = 0;
    FILE *fp = themeFile != nullptr ? dlmSystem_mdlFopen(themeFile, "r") : nullptr;
    if (fp == nullptr) {
        bmwclr();
        bmw_meld("MSTEMTAB", MT_CANNOT_OPEN, BMW_FATAL, 0);
        return -2;
    }
    // A failed load must leave no trace: groups it added are taken back.
    int32_t fkbBefore = Fkbtab.count;

    char line[MT_LINE_LEN];
    char description[MT_DESCRIPTION_LEN] = "";
    bool haveRow = false;   // continuation lines before the first row are ignored
    int32_t lastKept = -1;  // row that continuation lines extend; -1 when dropped
    int32_t kept = 0;
    int32_t lineNo = 0;
    int error = 0;
    bool overlong = false;
    while (error == 0 && les_linje(fp, line, sizeof line, &overlong)) {
        lineNo++;
        if (line[0] == '!')
            continue;
        if (line[0] == '.') {
            if (!haveRow)
                continue;
            size_t used = strlen(description);
            size_t need = used + (used > 0 ? 1 : 0) + strlen(line);
            if (overlong || need >= sizeof description) {
                error = MT_DESCRIPTION;
                break;
            }
            if (used > 0)
                legg_til(description, sizeof description, "\n");
            legg_til(description, sizeof description, line);
            if (lastKept >= 0)
                kopier(Mstemtab.description[lastKept], MT_DESCRIPTION_LEN, description);
            continue;
        }
        if (kept >= MT_MAX_ROWS) {
            error = MT_TOO_MANY_ROWS;
            break;
        }
        // A row that does not fit the line buffer has lost fields or its
        // LandXML part; loading the rest of it would give a wrong row.
        if (overlong) {
            error = MT_FIELDS;
            break;
        }
        Rad r;
        error = les_rad(line, r);
        if (error != 0)
            break;
        haveRow = true;
        description[0] = '\0';
        if (!velg_fkb(r.field[2], selectGroups)) {
            lastKept = -1;
            continue;
        }
        lagre_rad(kept, r);
        lastKept = kept++;
    }
    if (error == 0 && ferror(fp) != 0)
        error = MT_CANNOT_OPEN;
    if (error == 0 && kept == 0)
        error = MT_NO_ROWS;
    dlmSystem_mdlFclose(fp);

    if (error != 0) {
        for (int32_t g = fkbBefore < 0 ? 0 : fkbBefore; g < Fkbtab.count && g < FKB_MAX_GROUPS; g++) {
            Fkbtab.group[g][0] = '\0';
            Fkbtab.selected[g] = 0;
        }
        Fkbtab.count = fkbBefore;
        bmwclr();
        bmw_meld("MSTEMTAB", error, BMW_FATAL, lineNo);
        return -2;
    }
    Mstemtab.rowCount = kept;
    xmlDocPending = 1;
    return 0;
}

/* ---- template ------------------------------------------------------------------------ */

const char *mt_fkbgruppe(long n)
{
    static const struct {
        long below;
        const char *group;
    } ranges[] = {{1000, "FKB"}, {1100, "FM"},  {3000, "HDB"}, {3100, "KYS"}, {4000, "VAN"}, {4100, "DEK"},
                  {4220, "DMK"}, {4500, "NAT"}, {4600, "GEO"}, {5000, "KYS"}, {6000, "BYG"}, {7000, "SIT"},
                  {7100, "VSI"}, {7200, "BAN"}, {7500, "SIT"}, {7900, "VSI"}, {8000, "LUF"}, {9000, "LED"},
                  {10000, "RUT"}};
    for (const auto &r : ranges)
        if (n < r.below)
            return r.group;
    return "FKB";
}

int mt_creat(const char *zeraFiles, const char *templateFile, int newFile)
{
    static const char *const legend[] = {
        "Objekttype", "ZERA-tema, 1000-9999", "FKB-gruppe", "Datatype (P,L,T,F)", "Level",
        "Color, " MT_TALL(MT_FARGE_MIN) "-" MT_TALL(MT_FARGE_MAKS),
        "Line Weight, " MT_TALL(MT_TYKKELSE_MIN) "-" MT_TALL(MT_TYKKELSE_MAKS),
        ("Line Style, 0-" MT_TALL(MT_STIL_MAKS)), "Text Font, 0->", "Text height", "Text width", "Cell name",
        "Cell scale X", "Cell scale Y", "Hoydeavrunding", "Comments", "Description"};

    FILE *fp = templateFile != nullptr ? dlmSystem_mdlFopen(templateFile, newFile != 0 ? "w" : "a") : nullptr;
    if (fp == nullptr) {
        bmwclr();
        bmw_meld("ZERA2DGN", 6, BMW_FATAL, 0);
        return -2;
    }
    int32_t used = Bmw.unknownCount < 0 ? 0 : Bmw.unknownCount > BMW_MAX_UNKNOWN ? BMW_MAX_UNKNOWN : Bmw.unknownCount;
    if (newFile != 0) {
        fprintf(fp, "! TEM -fil: %s\n", templateFile);
        fprintf(fp, "! ZERA-fil: %s\n", zeraFiles != nullptr ? zeraFiles : "");
        fprintf(fp, "!\n");
    } else if (used > 0) {
        fprintf(fp, "\nUKJENTE TEMA/OBJEKTTYPER (ikke importert):\n");
    }
    if (newFile != 0 || used > 0) {
        constexpr int kColumns = (int)(sizeof legend / sizeof legend[0]);
        for (int k = 0; k < kColumns; k++) {
            fputc('!', fp);
            for (int i = 0; i < k; i++)
                fputs("\tI", fp);
            fprintf(fp, "\t%s\n", legend[k]);
        }
        fputc('!', fp);
        for (int i = 0; i < kColumns - 1; i++)
            fputs("\tV", fp);
        fputc('\n', fp);

        const BmwUnknownTable &u = Bmw.tem;
        std::vector<int32_t> numbers((size_t)used), order((size_t)used), work((size_t)used);
        for (int32_t i = 0; i < used; i++)
            numbers[(size_t)i] = temanummer(u.theme[i]);
        int32_t count = used;
        if (sort_index(numbers.data(), &count, order.data(), work.data()) != 0)
            order.clear();
        int colour = 0;
        // One row per object type, theme and data type: the scan counts
        // .KURVE and .LINJE apart, the table does not.
        std::set<std::string> skrevet;
        for (int32_t i : order) {
            int type = u.elementType[i];
            const char *letter = zera_maldatatype(type);
            // A theme the loader would refuse (none, or not a number) stands
            // in the comment; the row matches by its object type.
            const bool loadable = tema_lastbar(u.theme[i]);
            const char *theme = loadable ? u.theme[i] : MT_INGEN_TEMA;
            std::string nokkel = std::string(u.objtype[i]) + '\t' + theme + '\t' + letter;
            for (char &c : nokkel)
                c = (char)liten((unsigned char)c);
            if (!skrevet.insert(nokkel).second)
                continue;
            // The level the import makes: the theme's, or for an element
            // known by its object type alone one of that object type, so the
            // export tells such elements apart by their level.
            const char *level = loadable || u.objtype[i][0] == '\0' ? theme : u.objtype[i];
            colour = colour % MT_FARGE_MAKS + 1;
            fprintf(fp, "\t%s\t%s\t%s\t%s", u.objtype[i], theme, mt_fkbgruppe(numbers[(size_t)i]), letter);
            fprintf(fp, "\t%.*s\t%d", MT_FIELD_LEN - 1, level, colour);
            fprintf(fp, "\t%d\t%d", 0, 0);
            if (letter[0] == 'T')
                fprintf(fp, "\t%d\t%d\t%d", 1, 10, 10);
            else
                fputs("\t0\t0\t0", fp);
            if (letter[0] == 'P' || letter[0] == 'F')
                fprintf(fp, "\t%s\t%d\t%d", "KRYSS", 1, 1);
            else
                fputs("\t0\t0\t0", fp);
            fprintf(fp, "\t%d\t!", 0);
            if (!loadable)
                fprintf(fp, "%.*s", (int)strcspn(u.theme[i], "#\r\n"), u.theme[i]);
            fputc('\n', fp);
            zera_tell(Bmw.written, type);
        }
    }
    bool failed = ferror(fp) != 0;
    if (dlmSystem_mdlFclose(fp) != 0)
        failed = true;
    if (failed) {
        bmwclr();
        bmw_meld("ZERA2DGN", 6, BMW_FATAL, 0);
        return -2;
    }
    return 0;
}

/* ---- symbol file ---------------------------------------------------------------------- */

int st_create(const char *symbolFile)
{
    Symboltab.count = 0;
    FILE *fp = symbolFile != nullptr ? dlmSystem_mdlFopen(symbolFile, "r") : nullptr;
    if (fp == nullptr)
        return -1;
    std::vector<char> line(ST_LINE_LEN);
    bool overlong = false;
    // Rows beyond the table's capacity are not read.
    while (Symboltab.count < ST_MAX_SYMBOLS && les_linje(fp, line.data(), line.size(), &overlong)) {
        char *p = line.data();
        if (p[0] == '#')
            continue;
        size_t numberLen = strspn(p, "0123456789 \t");
        if (numberLen == 0 || p[numberLen] != ';')
            continue;
        char *name = p + numberLen + 1;
        size_t nameLen = strspn(name, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 \t");
        if (nameLen == 0 || name[nameLen] != ';')
            continue;
        p[numberLen] = '\0';
        name[nameLen] = '\0';
        char *number = trim_both(p);
        name = trim_both(name);
        if (number[0] == '\0' || name[0] == '\0')
            continue;
        int32_t i = Symboltab.count++;
        kopier(Symboltab.number[i], ST_NUMBER_LEN, number);
        kopier(Symboltab.name[i], ST_NAME_LEN, name);
    }
    dlmSystem_mdlFclose(fp);
    return 0;
}

/* ---- object-type table and lookups ------------------------------------------------------ */

ZeraTemaObjStruct *allocateZeraTemaObjStruct(void)
{
    // Each start of the application allocates anew; the old block would
    // otherwise be lost.
    if (stot != nullptr) {
        dlmSystem_mdlFree(stot);
        stot = nullptr;
    }
    stot = static_cast<ZeraTemaObjStruct *>(zvlibMem_mallocRscErrorPrintf(sizeof(ZeraTemaObjStruct), 20005, 14));
    return stot;
}

const char *mt_objtema(const char *name, int16_t *mode)
{
    if (name == nullptr || name[0] == '\0' || mode == nullptr)
        return nullptr;
    char theme[ZERA_THEME_LEN];
    bool found = false;
    if (*mode == 1) {
        if (stot == nullptr)
            return nullptr;
        for (int32_t i = 0; i < STOT_MAX_ENTRIES && stot->objtype[i][0] != '\0'; i++) {
            if (lik_uten_storrelse(stot->objtype[i], STOT_OBJTYPE_LEN, name)) {
                // The table holds a theme number and a type letter.
                kopier_n(theme, sizeof theme, stot->tema[i], 4);
                found = true;
                break;
            }
        }
    } else if (*mode == 2) {
        int32_t rows = Mstemtab.rowCount < 0 ? 0 : Mstemtab.rowCount > MT_MAX_ROWS ? MT_MAX_ROWS : Mstemtab.rowCount;
        // The first row of the object type: from the import's row index,
        // or by reading the rows when no import runs.
        int32_t rad = mt_objtype_rad(name);
        for (int32_t r = 0; rad == -2 && r < rows; r++)
            if (lik_uten_storrelse(Mstemtab.objtype[r], MT_FIELD_LEN, name))
                rad = r;
        if (rad >= 0) {
            // A row of theme 0 is an object-type row: the element stays
            // without a theme and is matched by its object type, or every
            // such row would take the first one's symbology.
            if (temanummer(Mstemtab.tema[rad]) == 0)
                return nullptr;
            kopier_n(theme, sizeof theme, Mstemtab.tema[rad], MT_FIELD_LEN);
            found = true;
        }
    }
    if (!found)
        return nullptr;
    if (Elm.themeCount >= 0 && Elm.themeCount < ZERA_MAX_THEMES) {
        kopier(Elm.theme[Elm.themeCount], ZERA_THEME_LEN, theme);
        Elm.themeCount++;
    }
    return Elm.theme[0];
}
