// Theme matching, row fill and the two height rules.
//
//   mt_match       finds the theme-table row of each theme of Elm (import) or
//                  of the classified element (export); registers misses
//   mt_fill        copies the matched row into Elm
//   avrundHoyder   rounds heights to the hoydeAvrunding step
//   UtelatElementPgaIkkeMultHoyde
//                  leaves out export elements off the multHoyde interval
//   mt_radindeks   the rows by theme and object type during an import
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "kartmotor_int.h"

namespace {

const char *const RUTNAM = "MSTEMTAB";

enum {
    GRUNN_IKKE_FUNNET_IMPORT = 19,
    GRUNN_IKKE_FUNNET_EKSPORT = 20,
    GRUNN_BESKRIVELSE = 21,
    GRUNN_FARGE = 22,
    GRUNN_TYKKELSE = 23,
    GRUNN_STIL = 24,
    GRUNN_DATATYPE = 25,
    GRUNN_FKB = 26,
    GRUNN_MULTHOYDE = 27
};

// Height tolerance of the multiple-height rule, in ground units.
const double MULTHOYDE_TOLERANSE = 0.05;

// Upper case of an ISO 8859-1 letter; theme files and ZERA files hold
// Norwegian letters, so ASCII folding alone would miss "\xE6" against "\xC6".
unsigned char stor(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return (unsigned char)(c - 'a' + 'A');
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return (unsigned char)(c - 0x20);
    return c;
}

bool lik_uten_kasus(const char *a, const char *b)
{
    for (;; a++, b++) {
        if (stor((unsigned char)*a) != stor((unsigned char)*b))
            return false;
        if (*a == '\0')
            return true;
    }
}

int antall_rader(void)
{
    int32_t n = Mstemtab.rowCount;
    if (n < 0)
        return 0;
    return n > MT_MAX_ROWS ? MT_MAX_ROWS : (int)n;
}

int antall_punkter(void)
{
    int32_t n = Elm.pointCount;
    if (n < 0)
        return 0;
    return n > ZERA_MAX_POINTS ? ZERA_MAX_POINTS : (int)n;
}

// A group that Fkbtab does not list is selected only when the table is full:
// such a row's group could never have been added, and refusing it would make
// the row unreachable.
bool fkb_valgt(const char *group)
{
    int32_t n = Fkbtab.count;
    if (n < 0)
        n = 0;
    if (n > FKB_MAX_GROUPS)
        n = FKB_MAX_GROUPS;
    for (int i = 0; i < n; i++)
        if (strcmp(Fkbtab.group[i], group) == 0)
            return Fkbtab.selected[i] != 0;
    return n >= FKB_MAX_GROUPS;
}

// True when h is within the tolerance of a multiple of m (m > 0).
bool paa_multippel(double h, double m)
{
    double x = floor(h / m) * m;
    return !(h - x > MULTHOYDE_TOLERANSE && x + m - h > MULTHOYDE_TOLERANSE);
}

// Third value of the first "..KVALITET" line of text; 0 when there is none.
long kvalitet_tredje(const char *text)
{
    const char *key = finn_nokkel(text, "..KVALITET", nullptr);
    if (key == nullptr)
        return 0;
    char token[32];
    if (linje_token(linje_start(text, key), 3, token, sizeof token) != 0)
        return 0;
    return tall_long(token);
}

bool beskrivelse_holder(const char *description, const char *group)
{
    if (description[0] == '\0' || strstr(group, description) != nullptr)
        return true;
    long a = kvalitet_tredje(description);
    return a != 0 && a == kvalitet_tredje(group);
}

// Registers theme 0 of Elm as unknown with the reason and counts the element
// as not imported.
void meld_ukjent(int reason)
{
    bmw_sett(RUTNAM, reason, BMW_ERROR);
    int16_t k = 0;
    bmwput_tem(&k);
    zera_tell(Bmw.notImported, Elm.type);
}

double avrund(double h, double step)
{
    double q = floor(h / step);
    return (h - step * q >= step * 0.5) ? step * (q + 1) : step * q;
}

// The rows of one column by the cell's case-folded text, in row order:
// matching an element of an import looks at its own rows only, not at the
// whole table.
struct Radtabell {
    std::vector<std::string> tekster; // folded, one per distinct text
    std::vector<std::vector<int32_t>> rader;
    std::vector<int32_t> spor;        // open addressing into tekster, -1 free

    // The folded text of s (at most MT_FIELD_LEN + 2 characters looked at:
    // no cell holds more) and its hash.
    static size_t fold(const char *s, char *ut, size_t plass)
    {
        size_t n = 0;
        for (; s[n] != '\0' && n < plass; n++)
            ut[n] = (char)stor((unsigned char)s[n]);
        return n;
    }
    size_t finn_spor(const char *t, size_t n) const
    {
        size_t maske = spor.size() - 1;
        for (size_t i = ord_hash(t, n) & maske;; i = (i + 1) & maske) {
            int32_t j = spor[i];
            if (j < 0 || (tekster[j].size() == n && memcmp(tekster[j].data(), t, n) == 0))
                return i;
        }
    }
    void bygg(const char (*kolonne)[MT_FIELD_LEN], int rows)
    {
        tekster.clear();
        rader.clear();
        size_t storrelse = 16;
        while (storrelse < 2 * (size_t)rows + 2)
            storrelse *= 2;
        spor.assign(storrelse, -1);
        char t[MT_FIELD_LEN];
        for (int r = 0; r < rows; r++) {
            size_t n = fold(kolonne[r], t, sizeof t);
            size_t i = finn_spor(t, n);
            if (spor[i] < 0) {
                spor[i] = (int32_t)tekster.size();
                tekster.emplace_back(t, n);
                rader.emplace_back();
            }
            rader[spor[i]].push_back(r);
        }
    }
    // The rows equal to key ignoring case; null none.
    const std::vector<int32_t> *finn(const char *key) const
    {
        char t[MT_FIELD_LEN + 2];
        size_t n = fold(key, t, sizeof t);
        if (n == sizeof t)
            return nullptr; // longer than any cell
        int32_t j = spor[finn_spor(t, n)];
        return j < 0 ? nullptr : &rader[j];
    }
};

// Built when an import starts; the table stays as it is while the import
// runs.
struct Radindeks {
    bool aktiv = false;
    Radtabell tema;
    Radtabell objtype;
};
Radindeks radindeks;

} // namespace

void mt_radindeks(int on)
{
    radindeks.aktiv = false;
    if (!on)
        return;
    const int rows = antall_rader();
    // A cell filled to its end without a terminator is compared past it by
    // the plain search: such a table is searched row by row.
    for (int r = 0; r < rows; r++)
        if (strnlen(Mstemtab.tema[r], MT_FIELD_LEN) == MT_FIELD_LEN ||
            strnlen(Mstemtab.objtype[r], MT_FIELD_LEN) == MT_FIELD_LEN)
            return;
    radindeks.tema.bygg(Mstemtab.tema, rows);
    radindeks.objtype.bygg(Mstemtab.objtype, rows);
    radindeks.aktiv = true;
}

int32_t mt_objtype_rad(const char *name)
{
    if (!radindeks.aktiv)
        return -2;
    const std::vector<int32_t> *rader = radindeks.objtype.finn(name);
    return rader == nullptr ? -1 : rader->front();
}

int16_t mt_match(int16_t *mode, const char *group)
{
    if (mode == nullptr || (*mode != 1 && *mode != 2))
        return -1;
    const bool import = (*mode == 1);
    if (group == nullptr)
        group = "";
    int reason = import ? GRUNN_IKKE_FUNNET_IMPORT : GRUNN_IKKE_FUNNET_EKSPORT;

    if (Elm.themeCount < 0)
        Elm.themeCount = 0;
    if (Elm.themeCount > ZERA_MAX_THEMES)
        Elm.themeCount = ZERA_MAX_THEMES;
    if (import && Elm.themeCount == 0 && Elm.type == ZERA_RASTER)
        return 2;
    if (!import)
        Elm.themeCount = 1;

    int themes = Elm.themeCount;
    bool byObjtypeOnly = false;
    if (themes == 0 && Elm.objtype[0] != '\0') {
        themes = 1;
        byObjtypeOnly = true;
    }

    const int rows = antall_rader();
    const char *needed = zera_krevd_datatype(Elm.type);
    const bool sharedHeight = Elm.sameHeight == 1 && antall_punkter() > 0;
    int matches = 0;

    // The reason a miss is registered with is that of the row that came
    // nearest: the one refused by the latest of the checks below.
    int nearest = 0;
    auto avvis = [&](int grunn, int trinn) {
        if (trinn > nearest) {
            nearest = trinn;
            reason = grunn;
        }
    };

    // Row r for theme k, once its theme or object type fits: true when the
    // search of theme k ends there, matched or not.
    auto prov = [&](int k, int r) {
        if (needed == nullptr || (needed[0] != '\0' && strcmp(Mstemtab.datatype[r], needed) != 0)) {
            avvis(GRUNN_DATATYPE, 1);
            return false;
        }
        if (!import) {
            if (matchColor && Mstemtab.colour[r] != Elm.colour) {
                avvis(GRUNN_FARGE, 2);
                return false;
            }
            if (matchWeight && Mstemtab.weight[r] != Elm.weight) {
                avvis(GRUNN_TYKKELSE, 3);
                return false;
            }
            if (matchStyle && Mstemtab.style[r] != Elm.style) {
                avvis(GRUNN_STIL, 4);
                return false;
            }
        }
        if (!fkb_valgt(Mstemtab.fkbGroup[r])) {
            avvis(GRUNN_FKB, 5);
            return import;
        }
        if (multHoyde > 0 && sharedHeight && Mstemtab.multHoyde[r] > 0 && !paa_multippel(Elm.H[0], (double)multHoyde)) {
            avvis(GRUNN_MULTHOYDE, 6);
            return import;
        }
        if (import && !beskrivelse_holder(Mstemtab.description[r], group)) {
            avvis(GRUNN_BESKRIVELSE, 7);
            return false;
        }

        Elm.matchRow[k] = r;
        matches++;
        if (import && xmlRun && MstemtabXml.xmlName[r][0] != '\0')
            landxml_element(r);
        return true;
    };

    for (int k = 0; k < themes; k++) {
        Elm.matchRow[k] = -1;
        if (import && radindeks.aktiv) {
            // The rows of the theme and of the object type, in row order.
            const std::vector<int32_t> *t = nullptr, *o = nullptr;
            if (!byObjtypeOnly && Elm.theme[k][0] != '\0')
                t = radindeks.tema.finn(Elm.theme[k]);
            // An element without an object type would otherwise match
            // every row with a blank object type, whatever its theme.
            if (Elm.objtype[0] != '\0')
                o = radindeks.objtype.finn(Elm.objtype);
            size_t i = 0, j = 0;
            const size_t ti = t != nullptr ? t->size() : 0, oj = o != nullptr ? o->size() : 0;
            while (i < ti || j < oj) {
                int32_t r;
                if (j == oj || (i < ti && (*t)[i] < (*o)[j])) {
                    r = (*t)[i++];
                } else {
                    r = (*o)[j++];
                    if (i < ti && (*t)[i] == r)
                        i++;
                }
                if (prov(k, r))
                    break;
            }
            continue;
        }
        for (int r = 0; r < rows; r++) {
            if (import) {
                bool byTheme = !byObjtypeOnly && Elm.theme[k][0] != '\0' && lik_uten_kasus(Mstemtab.tema[r], Elm.theme[k]);
                bool byObjtype = Elm.objtype[0] != '\0' && lik_uten_kasus(Mstemtab.objtype[r], Elm.objtype);
                if (!byTheme && !byObjtype)
                    continue;
            } else if (matchLevel && strcmp(Mstemtab.level[r], Elm.level) != 0) {
                continue;
            }
            if (prov(k, r))
                break;
        }
    }

    if (matches > 0)
        return 0;
    if (!import && Elm.level[0] != '\0')
        kopier(Elm.theme[0], sizeof Elm.theme[0], Elm.level);
    meld_ukjent(reason);
    return -1;
}

int16_t mt_fill(int16_t *mode, int16_t *k)
{
    if (mode == nullptr || k == nullptr || *k < 0 || *k >= ZERA_MAX_THEMES)
        return -1;
    int32_t r = Elm.matchRow[*k];
    if (r < 0 || r >= antall_rader())
        return -1;

    if (*mode == 1) {
        kopier(Elm.level, sizeof Elm.level, Mstemtab.level[r]);
        Elm.style = Mstemtab.style[r];
        Elm.colour = Mstemtab.colour[r];
        Elm.weight = Mstemtab.weight[r];
        Elm.font = Mstemtab.font[r];
        if (Elm.dim[0] == 0.0 && Elm.dim[1] == 0.0) {
            Elm.dim[0] = Mstemtab.textHeight[r] * 10.0;
            Elm.dim[1] = Mstemtab.textWidth[r] * 10.0;
        }
        size_t n = 0;
        while (n + 1 < ZERA_CELL_LEN && Mstemtab.cell[r][n] != 0) {
            Elm.cell[n] = Mstemtab.cell[r][n];
            n++;
        }
        Elm.cell[n] = 0;
        Elm.cellScaleX = Mstemtab.cellScaleX[r];
        Elm.cellScaleY = Mstemtab.cellScaleY[r];
        return 0;
    }
    if (*mode == 2) {
        // An element that carries its object type keeps it and gets no
        // theme; one without is named by a row only when its level or its
        // symbology chose the row: a row that fits by data type alone
        // would invent one.
        if (Elm.objtype[0] != '\0')
            return 0;
        const bool valgt = (matchLevel && strcmp(Mstemtab.level[r], Elm.level) == 0) || matchColor || matchWeight ||
                           matchStyle;
        if (!valgt) {
            kopier(Elm.theme[0], sizeof Elm.theme[0], Elm.level);
            meld_ukjent(GRUNN_IKKE_FUNNET_EKSPORT);
            return -1;
        }
        int16_t rc = 0;
        kopier(Elm.objtype, sizeof Elm.objtype, Mstemtab.objtype[r]);
        kopier(Elm.theme[0], sizeof Elm.theme[0], Mstemtab.tema[r]);
        Elm.themeCount = 1;
        if (Mstemtab.description[r][0] != '\0')
            rc = zerput_rest(Mstemtab.description[r]);
        if (Mstemtab.multHoyde[r] > 0)
            Elm.sameHeight = 1;
        return rc;
    }
    return -1;
}

int16_t avrundHoyder(void)
{
    const int32_t s = hoydeAvrunding;
    if (s == 0 || (s > 0 && Elm.sameHeight == 0))
        return 0;
    const double step = fabs((double)s) * 0.1;
    const int n = antall_punkter();
    if (s < 0) {
        for (int i = 0; i < n; i++)
            Elm.H[i] = avrund(Elm.H[i], step);
        return 0;
    }
    if (n == 0)
        return 0;
    const double h = avrund(Elm.H[0], step);
    for (int i = 0; i < n; i++)
        Elm.H[i] = h;
    Elm.sameHeight = 1;
    return 0;
}

int UtelatElementPgaIkkeMultHoyde(MdlFunctionP heightCb)
{
    if (multHoyde <= 0 || Elm.sameHeight != 1 || antall_punkter() == 0 || heightCb == nullptr)
        return 0;
    if (dlmSystem_callMdlFunction(mdlSystem_getCurrMdlDesc(), heightCb, "PI", Elm.theme[0], (int)Elm.type) == 0)
        return 0;
    if (paa_multippel(Elm.H[0], (double)multHoyde))
        return 0;
    meld_ukjent(GRUNN_MULTHOYDE);
    return -1;
}
