// Export of the active design model, or of the fence, to ZERA: the scan
// passes, the classification of each element into Elm, themes from the
// level name, the filters, the export index and the raster attachments.
//
// Sections: run state - Elm helpers - lookups - the run - the fence route -
// classification - writing - text nodes - rasters.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "brukerdata.h"
#include "dgn/mdlcell.h"
#include "dgn/mdlelem.h"
#include "dgn/mdlscan.h"
#include "dlg/mdldlg.h"
#include "eksport.h"
#include "eksport_int.h"
#include "gittepunkter.h"
#include "kartmotor.h"
#include "kroker.h"
#include "sys/mdlsys.h"
#include "zeratagger.h"
#include "zvlibtext.h"
#include "zvlibutil.h"
#include "zvzera.h"

namespace {

// ---- run state -----------------------------------------------------------------------

// A member's written end points, keyed on a grid of four tolerances.
struct Rute {
    int64_t x, y;
    bool operator==(const Rute &o) const { return x == o.x && y == o.y; }
};
struct RuteHash {
    // Unsigned: a cell far out wraps instead of overflowing.
    size_t operator()(const Rute &r) const
    {
        return std::hash<uint64_t>()(uint64_t(r.x) * 1000003u ^ uint64_t(r.y));
    }
};

struct GruppeElement {
    uint32_t pos;
    int type;
};

struct Kjoering {
    bool aktiv = false;
    int32_t serie = 0;
    uint32_t startPos = 0;
    double tol = 0.001;
    double rute = 0.004;
    std::vector<EksportIndeksPost> indeks;
    std::unordered_map<uint64_t, int> forstePos; // (model, position) -> first member
    std::unordered_map<Rute, std::vector<int>, RuteHash> rutenett;
    // Graphic groups of the model, built at the first need and kept while
    // the model's end position stays.
    bool grupperLest = false;
    uint32_t grupperEof = 0;
    std::unordered_map<uint32_t, std::vector<GruppeElement>> grupper;
    // The pass under way, so a split curve finds its later pieces.
    const std::vector<uint32_t> *pass = nullptr;
    size_t passNr = 0;
    std::unordered_set<uint64_t> skjoetet;  // pieces written with their first
    std::unordered_set<int32_t> skjoeteIder; // ids of joined curves
};
Kjoering kj;

std::unique_ptr<MSElement> buffere[4];

uint64_t nokkel(DgnModelRefP model, uint32_t pos) { return (uint64_t(uint32_t(model)) << 32) | pos; }

// A cell of the grid; coordinates beyond any map are clamped to the last
// cell before the conversion (the import refuses them, a design from
// elsewhere may still hold them).
int64_t celle(double v)
{
    constexpr double grense = 9.0e18;
    double c = std::floor(v / kj.rute);
    if (!(c > -grense))
        return int64_t(-grense);
    return c < grense ? int64_t(c) : int64_t(grense);
}

Rute ruteFor(double x, double y) { return Rute{celle(x), celle(y)}; }

const zeraBrukerGrensesnittData &data() { return *brukerDataP; }

// The dialogs' height callback: whether a theme's rows take the height
// rules.
MdlFunctionP hoydeKallet() { return reinterpret_cast<MdlFunctionP>(TemaForHoydeAvrundingEllerMultHoyder); }

} // namespace

namespace eksport {

// ---- Elm helpers ------------------------------------------------------------------------

double toleranse() { return kj.tol; }

bool mindreEnnToleranse(double d) { return d < kj.tol * (1.0 - 1e-9); }

bool innenforToleranse(double d) { return d <= kj.tol * (1.0 + 1e-9); }

int zeraNivaa() { return brukerDataP ? brukerDataP->hode.zeraNivaa : 0; }

MSElement *buffer(int dybde)
{
    if (dybde < 0 || dybde >= 4)
        return nullptr;
    if (!buffere[dybde])
        buffere[dybde].reset(new MSElement);
    return buffere[dybde].get();
}

void tomElm()
{
    // Elm is 700 kB; only what the writer reads before the counts is set.
    Elm.mode = 0;
    Elm.type = 0;
    Elm.serial = 0;
    Elm.refCount = 0;
    Elm.themeCount = 0;
    for (int k = 0; k < ZERA_MAX_THEMES; k++) {
        Elm.theme[k][0] = '\0';
        Elm.themeCode[k][0] = '\0';
        Elm.matchRow[k] = -1;
    }
    Elm.level[0] = '\0';
    Elm.enhet = 0.0;
    Elm.medium[0] = '\0';
    memset(Elm.kvalitet, 0, sizeof Elm.kvalitet);
    Elm.dato = 0;
    Elm.hoyde = Elm.hob = 0.0;
    Elm.komm = 0;
    Elm.href[0] = '\0';
    Elm.status[0] = '\0';
    Elm.objtype[0] = '\0';
    Elm.ut = Elm.edit = 0;
    Elm.flytt[0] = Elm.flytt[1] = 0.0;
    Elm.angle = 0.0;
    Elm.dim[0] = Elm.dim[1] = 0.0;
    Elm.glatt = 0;
    Elm.pointCount = 0;
    for (int i = 0; i < 4; i++)
        Elm.N[i] = Elm.E[i] = Elm.H[i] = 0.0, Elm.kp[i] = 0;
    memset(Elm.extent, 0, sizeof Elm.extent);
    Elm.radius = 0.0;
    Elm.storbue = 0;
    Elm.klotrad1 = Elm.klotrad2 = Elm.klotpar = 0.0;
    Elm.text[0] = '\0';
    Elm.sameHeight = Elm.hasHoyde = 0;
    Elm.rest[0] = '\0';
    Elm.restLen = 0;
    Elm.style = 0;
    Elm.symbol[0][0] = '\0';
    Elm.symbolCount = 0;
    Elm.colour = Elm.weight = 0;
    Elm.cell[0] = 0;
    Elm.cellScaleX = Elm.cellScaleY = 1.0;
    Elm.font = 0;
}

bool LagreKoordinater(const DPoint3d *pts, int n, bool tilfoey)
{
    int fra = tilfoey ? Elm.pointCount : 0;
    if (fra < 0)
        fra = 0;
    bool alle = true;
    if (n > EKSPORT_MAKS_PUNKTER - fra) {
        n = std::max(0, EKSPORT_MAKS_PUNKTER - fra);
        alle = false;
    }
    for (int i = 0; i < n; i++) {
        Elm.E[fra + i] = pts[i].x;
        Elm.N[fra + i] = pts[i].y;
        Elm.H[fra + i] = pts[i].z;
        Elm.kp[fra + i] = 0;
    }
    Elm.pointCount = fra + n;
    if (!alle)
        MeldEksportFeil(EKSPORT_FOR_MANGE_PUNKTER);
    return alle;
}

void kopierFelt(char *dst, size_t size, const char *src)
{
    if (size != 0 && !zvlib::copyText(dst, size, src))
        MeldEksportFeil(EKSPORT_KUTTET);
}

// ---- lookups ------------------------------------------------------------------------------

void kandidater(const DPoint3d &p, std::vector<int> &ut)
{
    ut.clear();
    Rute r = ruteFor(p.x, p.y);
    for (int64_t dx = -1; dx <= 1; dx++)
        for (int64_t dy = -1; dy <= 1; dy++) {
            auto it = kj.rutenett.find(Rute{r.x + dx, r.y + dy});
            if (it != kj.rutenett.end())
                ut.insert(ut.end(), it->second.begin(), it->second.end());
        }
    std::sort(ut.begin(), ut.end());
    ut.erase(std::unique(ut.begin(), ut.end()), ut.end());
}

namespace {
int samleGruppe(MSElement *el, uint32_t pos, void *, MdlScanCriteria *)
{
    uint32_t gg = 0;
    mdlElement_getProperties(nullptr, &gg, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, el);
    if (gg > 0)
        kj.grupper[gg].push_back({pos, mdlElement_getType(el)});
    return 0;
}
} // namespace

void gruppeElementer(uint32_t gg, int type, std::vector<uint32_t> &ut)
{
    ut.clear();
    uint32_t eof = mdlModelRef_getEof(MDLHOST_NO_MODEL);
    if (!kj.grupperLest || kj.grupperEof != eof) {
        // One pass over the model's group members instead of a scan per
        // element; the model changes only on the fence route.
        kj.grupper.clear();
        MdlScanCriteria *sc = mdlScanCriteria_create();
        if (sc == nullptr)
            return;
        uint32_t mask[MDLSCAN_MASK_WORDS] = {};
        for (int t : {CELL_HEADER_ELM, LINE_ELM, TEXT_ELM, SHARED_CELL_ELM})
            MDLSCAN_MASK_SET(mask, t);
        mdlScanCriteria_setModel(sc, mdlModelRef_getActive());
        mdlScanCriteria_setElementTypeTest(sc, mask, MDLSCAN_MASK_WORDS);
        mdlScanCriteria_setReturnType(sc, MDLSCAN_RETURN_ELEMENT);
        mdlScanCriteria_setElementCallback(sc, samleGruppe, nullptr);
        mdlScanCriteria_scan(sc, nullptr, 0, nullptr);
        mdlScanCriteria_free(&sc);
        kj.grupperLest = true;
        kj.grupperEof = eof;
    }
    auto it = kj.grupper.find(gg);
    if (it == kj.grupper.end())
        return;
    for (const GruppeElement &g : it->second)
        if (g.type == type)
            ut.push_back(g.pos);
}

} // namespace eksport

using namespace eksport;

namespace {

// Master units in the current coordinates; the scale of one UOR.
double enUor()
{
    double *v = zvlibUtil_UORToMasterP(1.0);
    return v ? *v : 0.001;
}

int32_t modellId(DgnModelRefP model) { return int32_t(model); }

} // namespace

// ---- the run ------------------------------------------------------------------------------

void StartEksportKjoering(void)
{
    kj = Kjoering{};
    kj.aktiv = true;
    kj.startPos = mdlElement_getFilePos(FILEPOS_EOF, nullptr);
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    kj.tol = enUor();
    kj.rute = 4.0 * kj.tol;
}

void AvsluttEksportKjoering(void)
{
    if (!kj.aktiv)
        return;
    mdlCurrTrans_end();
    kj = Kjoering{};
}

const EksportIndeksPost *EksportIndeks(int *antall)
{
    if (antall)
        *antall = kj.aktiv ? int(kj.indeks.size()) : 0;
    return kj.aktiv && !kj.indeks.empty() ? kj.indeks.data() : nullptr;
}

int32_t EksportSerienummer(void) { return kj.serie; }

void LeggTilEksportIndeks(int32_t id, DgnModelRefP model, uint32_t filePos, uint32_t graphicGroup)
{
    if (!kj.aktiv)
        return;
    int i = int(kj.indeks.size());
    kj.indeks.push_back({id, filePos, modellId(model), graphicGroup});
    kj.forstePos.emplace(nokkel(model, filePos), i);
    // The boundary search finds members by the end points just written.
    if (Elm.pointCount > 0) {
        // Point 1 too: an arc's end (its last point is the centre).
        int siste = std::min(Elm.pointCount, ZERA_MAX_POINTS) - 1;
        Rute r[3] = {ruteFor(Elm.E[0], Elm.N[0]), ruteFor(Elm.E[std::min(1, siste)], Elm.N[std::min(1, siste)]),
                     ruteFor(Elm.E[siste], Elm.N[siste])};
        for (int k = 0; k < 3; k++) {
            bool sett = false;
            for (int j = 0; j < k; j++)
                sett = sett || r[j] == r[k];
            if (!sett)
                kj.rutenett[r[k]].push_back(i);
        }
    }
}

namespace {
// One more point by which the boundary search finds member i.
void leggTilRute(int i, const DPoint3d &p)
{
    std::vector<int> &v = kj.rutenett[ruteFor(p.x, p.y)];
    if (std::find(v.begin(), v.end(), i) == v.end())
        v.push_back(i);
}
} // namespace

bool eksport::ErSkjoetetId(int32_t id) { return kj.skjoeteIder.count(id < 0 ? -id : id) != 0; }

int32_t FinnEksportIdForFilpos(uint32_t filePos, DgnModelRefP model)
{
    auto it = kj.forstePos.find(nokkel(model, filePos));
    if (it != kj.forstePos.end())
        return kj.indeks[size_t(it->second)].id;
    // Another handle of the same model.
    for (const EksportIndeksPost &p : kj.indeks)
        if (p.filePos == filePos && mdlModelRef_areSame(p.modelRef, model))
            return p.id;
    return 0;
}

namespace {

// Positions of the active model's elements of the given types, in order.
std::vector<uint32_t> skann(std::initializer_list<int> typer)
{
    std::vector<uint32_t> pos;
    MdlScanCriteria *sc = mdlScanCriteria_create();
    if (sc == nullptr)
        return pos;
    uint32_t mask[MDLSCAN_MASK_WORDS] = {};
    for (int t : typer)
        MDLSCAN_MASK_SET(mask, t);
    mdlScanCriteria_setModel(sc, mdlModelRef_getActive());
    mdlScanCriteria_setElementTypeTest(sc, mask, MDLSCAN_MASK_WORDS);
    uint32_t blokk[4096];
    for (;;) {
        int n = 0;
        int rc = mdlScanCriteria_scan(sc, blokk, 4096, &n);
        if (rc != 0 && rc != MDLSCAN_END)
            break;
        pos.insert(pos.end(), blokk, blokk + std::max(n, 0));
        if (rc == MDLSCAN_END)
            break;
    }
    mdlScanCriteria_free(&sc);
    return pos;
}

// Progress only when the whole percentage changes: the same values reach
// the bar as per element, without a call per element.
void kjoerPass(const std::vector<uint32_t> &pos, int fase, void (*fn)(uint32_t))
{
    const int64_t n = int64_t(pos.size());
    prosent_ferdig(0.0, 0);
    int64_t forrige = -1;
    for (int64_t i = 1; i <= n; i++) {
        int64_t p = (100 * i) / n;
        if (p != forrige) {
            prosent_ferdig(double(p), fase);
            forrige = p;
        }
        kj.pass = &pos;
        kj.passNr = size_t(i - 1);
        fn(pos[size_t(i - 1)]);
        kj.pass = nullptr;
        if (mdlSystem_extendedAbortRequested())
            break;
    }
}

void pass1(uint32_t pos) { EksporterElement(pos, mdlModelRef_getActive(), 0); }

} // namespace

void EksporterTegning(void)
{
    if (brukerDataP == nullptr)
        return;
    StartEksportKjoering();
    const int nivaa = zeraNivaa();
    if (mdlFence_isDefined() && nivaa == 2 && data().brukGjerde) {
        static const int typer[] = {3, 4, 6, 11, 15, 16, 17, 7, 36, 35, 2, 14, 12};
        mdlState_startFenceCommand(EksporterGjerdeElement, nullptr, GjerdeFerdig, nullptr, 2, 0, 3);
        mdlLocate_noElemNoLocked();
        mdlLocate_setElemSearchMask(13, typer);
        GjerdeFerdig();
    } else {
        std::vector<uint32_t> p1 =
            nivaa >= 4 ? skann({2, 3, 4, 6, 7, 11, 15, 16, 17, 35, 36}) : skann({2, 3, 4, 6, 7, 11, 12, 14, 15, 16, 17, 35, 36});
        kjoerPass(p1, nivaa >= 4 ? 1 : 0, pass1);
        if (nivaa >= 4 && !mdlSystem_extendedAbortRequested()) {
            std::vector<uint32_t> p2 = data().skannLagerFlater ? skann({2, 6, 12, 14}) : skann({2, 12, 14});
            kjoerPass(p2, 2, EksporterFlateElement);
        }
    }
    EksporterRasterReferanser();
    AvsluttEksportKjoering();
}

// ---- the fence route --------------------------------------------------------------------

int EksporterGjerdeElement(void)
{
    DgnModelRefP model = MDLHOST_NO_MODEL;
    uint32_t pos = mdlElement_getFilePos(FILEPOS_CURRENT, &model);
    if (pos == 0 || !mdlModelRef_isActiveModel(model))
        return 0;
    if (pos < kj.startPos)
        prosent_ferdig(double((int64_t(pos) * 100) / int64_t(kj.startPos)), 0);
    EksporterElement(pos, mdlModelRef_getActive(), 0);
    if (pos >= kj.startPos) {
        // A clipped copy made by the fence processing.
        MSElement *el = buffer(3);
        if (el && mdlElement_read(el, model, pos) == 0)
            mdlElement_undoableDelete(el, pos, 0);
    }
    return 0;
}

int GjerdeFerdig(void)
{
    mdlFence_process(0);
    mdlState_startDefaultCommand();
    return 0;
}

// ---- classification ----------------------------------------------------------------------

void LesNivaanavn(char *navn, int size, DgnModelRefP model, uint32_t level)
{
    if (navn == nullptr || size <= 0)
        return;
    navn[0] = '\0';
    char16_t wide[51] = {};
    if (mdlLevel_getName(wide, 51, model, level) != 0)
        return;
    mdlCnv_convertUnicodeToMultibyte(wide, -1, navn, std::min(size, 51));
}

void LesSymbologi(const MSElement *element, DgnModelRefP model)
{
    uint32_t c = 0, w = 0;
    int32_t s = 0;
    if (mdlElement_getEffectiveSymbology(&c, &w, &s, element, model) != 0)
        return;
    Elm.colour = int32_t(c);
    Elm.weight = int32_t(w);
    Elm.style = s;
}

int ErFlateCelle(const char *nivaanavn)
{
    if (nivaanavn == nullptr)
        return 0;
    size_t len = strlen(nivaanavn);
    const int rader = std::clamp(Mstemtab.rowCount, 0, MT_MAX_ROWS);
    for (int r = 0; r < rader; r++) {
        if (strcmp(Mstemtab.datatype[r], "F") != 0)
            continue;
        if (strcmp(Mstemtab.level[r], nivaanavn) == 0)
            return 1;
        size_t l = strnlen(Mstemtab.level[r], MT_FIELD_LEN);
        if (len > 0 && nivaanavn[len - 1] == 'F' && len == l + 1 && strncmp(Mstemtab.level[r], nivaanavn, l) == 0)
            return 1;
    }
    return 0;
}

namespace {

bool harFlateRad(const char *nivaanavn)
{
    const int rader = std::clamp(Mstemtab.rowCount, 0, MT_MAX_ROWS);
    for (int r = 0; r < rader; r++)
        if (strcmp(Mstemtab.datatype[r], "F") == 0 && strcmp(Mstemtab.level[r], nivaanavn) == 0)
            return true;
    return false;
}

// The first text of the graphic group (in position order).
bool LinjeHarSymbolTekst(uint32_t gg, MSElement *tekst)
{
    std::vector<uint32_t> pos;
    gruppeElementer(gg, TEXT_ELM, pos);
    for (uint32_t p : pos)
        if (mdlElement_read(tekst, mdlModelRef_getActive(), p) == 0)
            return true;
    return false;
}

// A line of the group with two identical end points.
bool TekstErSymbol(uint32_t gg)
{
    std::vector<uint32_t> pos;
    gruppeElementer(gg, LINE_ELM, pos);
    MSElement *el = buffer(3);
    DPoint3d p[MAX_VERTICES > 2 ? 2 : 2];
    for (uint32_t q : pos) {
        int n = 0;
        if (mdlElement_read(el, mdlModelRef_getActive(), q) != 0 || mdlElement_getType(el) != LINE_ELM)
            continue;
        p[0] = el->line.start;
        p[1] = el->line.end;
        (void)n;
        if (mdlVec_distance(&p[0], &p[1]) == 0.0)
            return true;
    }
    return false;
}

double tekstVinkel(const RotMatrix &rot)
{
    if (mgds_modesP->is3D) {
        DPoint3d x{1, 0, 0};
        mdlRMatrix_rotatePoint(&x, &rot);
        return atan2(x.y, x.x);
    }
    return mdlRMatrix_toAngle(&rot);
}

// The symbol lines of the text's characters.
void symbolKoder(const char *tekst)
{
    for (const char *c = tekst; *c != '\0'; c++) {
        char kode[16];
        snprintf(kode, sizeof kode, "%d", int(static_cast<signed char>(*c)));
        const int rader = std::clamp(Symboltab.count, 0, ST_MAX_SYMBOLS);
        const char *navn = nullptr;
        for (int r = 0; r < rader && navn == nullptr; r++)
            if (strcasecmp(Symboltab.number[r], kode) == 0)
                navn = Symboltab.name[r];
        if (navn == nullptr)
            continue;
        if (Elm.symbolCount >= ZERA_MAX_SYMBOLS) {
            MeldEksportFeil(EKSPORT_FOR_MANGE_SYMBOLER);
            return;
        }
        char navn0[ST_NAME_LEN + 1];
        snprintf(navn0, sizeof navn0, "%.*s", ST_NAME_LEN - 1, navn);
        size_t ikkeSiffer = 0;
        while (navn0[ikkeSiffer] != '\0' && !isdigit(static_cast<unsigned char>(navn0[ikkeSiffer])))
            ikkeSiffer++;
        std::string linje = ".." + std::string(navn0, ikkeSiffer) + " " + std::string(navn0 + ikkeSiffer);
        kopierFelt(Elm.symbol[Elm.symbolCount], linje.c_str());
        Elm.symbolCount++;
    }
}

void LesTekstElement(MSElement *el)
{
    char tekst[MDLHOST_MAX_TEXT + 1] = {};
    DPoint3d origo{};
    RotMatrix rot;
    mdlRMatrix_getIdentity(&rot);
    TextParamWide par{};
    TextSizeParam utstrekning{};
    if (mdlText_extract(tekst, sizeof tekst, &origo, &rot, &par, &utstrekning, el) != 0)
        return;
    LagreKoordinater(&origo, 1, false);
    // The host gives ISO 8859-1, the set the writer converts from; a
    // detour through the 7-bit set would turn brackets into letters.
    kopierFelt(Elm.text, tekst);
    Elm.font = int16_t(par.font);
    if (brukerDataP && brukerDataP->lagreTekststoerrelse) {
        Elm.dim[0] = par.size.height * 10.0;
        Elm.dim[1] = par.size.width * 10.0;
    }
    Elm.angle = tekstVinkel(rot);
    if (Elm.angle != 0.0)
        Elm.E[3] = utstrekning.width;
}

// The symbol: point 0 the line's start, points 1 and 2 and the codes from
// the group's text.
void lesSymbol(MSElement *linje, MSElement *tekstEl)
{
    DPoint3d p[3] = {linje->line.start, {}, {}};
    mdlCurrTrans_invtransPointArray(p, p, 1);
    char tekst[MDLHOST_MAX_TEXT + 1] = {};
    RotMatrix rot;
    mdlRMatrix_getIdentity(&rot);
    TextParamWide par{};
    if (mdlText_extract(tekst, sizeof tekst, &p[1], &rot, &par, nullptr, tekstEl) != 0)
        return;
    Elm.dim[0] = par.size.height;
    Elm.dim[1] = par.size.width;
    Elm.angle = tekstVinkel(rot);
    double d = 2000.0 * enUor();
    p[2] = p[1];
    p[2].x += d * sin(Elm.angle);
    p[2].y += d * cos(Elm.angle);
    LagreKoordinater(p, 3, false);
    symbolKoder(tekst);
}

// Type 16: returns false when it is not exported.
bool lesBue(MSElement *el)
{
    DPoint3d ender[2], senter;
    double start = 0, sveip = 0, a1 = 0, a2 = 0;
    RotMatrix rot;
    if (mdlArc_extract(ender, &start, &sveip, &a1, &a2, &rot, &senter, el) != 0)
        return false;
    if (fabs(a1 - a2) > 0.0001) {
        MeldEksportTemaFeil(EKSPORT_ELLIPSEBUE, Elm.level);
        return false;
    }
    const bool tre = mgds_modesP->is3D != 0;
    if (tre && fabs(ender[0].z - ender[1].z) > 0.1) {
        // Rebuilt in the plane through start, middle and end at height 0.
        DPoint3d midt{a1 * cos(start + sveip / 2), a1 * sin(start + sveip / 2), 0};
        mdlRMatrix_rotatePoint(&midt, &rot);
        midt.x += senter.x;
        midt.y += senter.y;
        DPoint3d s = ender[0], e = ender[1];
        s.z = e.z = midt.z = 0;
        MSElement *ny = buffer(3);
        if (mdlVec_colinear(&s, &midt, &e) || mdlArc_createByPoints(ny, nullptr, &s, &midt, &e) != 0 ||
            mdlArc_extract(nullptr, nullptr, &sveip, &a1, &a2, &rot, nullptr, ny) != 0) {
            MeldEksportTemaFeil(EKSPORT_BUE_IKKE_PLAN, Elm.level);
            return false;
        }
    }
    Elm.radius = -a1;
    Elm.storbue = fabs(sveip) > M_PI ? 1 : 0;
    if ((!tre && sveip < 0) || (tre && rot.form3d[2][2] * sveip < 0))
        Elm.radius = -Elm.radius;
    DPoint3d p[3] = {ender[0], ender[1], senter};
    LagreKoordinater(p, 3, false);
    return true;
}

} // namespace

int KlassifiserElement(MSElement *el, DgnModelRefP model, const char *nivaanavn, uint32_t gg, int tilfoey)
{
    if (el == nullptr)
        return 0;
    if (!tilfoey) {
        tomElm();
        LesSymbologi(el, model);
    }
    if (nivaanavn != nullptr && Elm.level[0] == '\0')
        kopierFelt(Elm.level, nivaanavn);
    const int type = mdlElement_getType(el);
    const int nivaa = zeraNivaa();
    static DPoint3d pts[MAX_VERTICES];
    int n = 0;
    switch (type) {
    case LINE_ELM:
        if (gg > 0) {
            MSElement *tekst = buffer(2);
            if (LinjeHarSymbolTekst(gg, tekst)) {
                Elm.type = ZERA_SYMBOL;
                lesSymbol(el, tekst);
                return type;
            }
        }
        [[fallthrough]];
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case MULTILINE_ELM:
        if (mdlLinear_extract(pts, &n, el, model) != 0 || n < 1)
            return 0;
        Elm.type = brukerDataP && brukerDataP->zera40 ? ZERA_KURVE : ZERA_LINJE;
        if (!tilfoey && (type == LINE_ELM || (type == LINE_STRING_ELM && n == 2)) && n == 2 &&
            mindreEnnToleranse(mdlVec_distance(&pts[0], &pts[1]))) {
            Elm.type = ZERA_PUNKT;
            n = 1;
        }
        LagreKoordinater(pts, n, tilfoey != 0);
        return type;
    case CURVE_ELM:
        if (mdlLinear_extract(pts, &n, el, model) != 0 || n < 5)
            return 0;
        Elm.type = ZERA_KURVE;
        LagreKoordinater(pts + 2, n - 4, tilfoey != 0);
        return type;
    case ELLIPSE_ELM: {
        double a1 = 0, a2 = 0;
        DPoint3d senter;
        Elm.type = ZERA_SIRKEL;
        if (mdlArc_extract(nullptr, nullptr, nullptr, &a1, &a2, nullptr, &senter, el) != 0)
            return 0;
        if (fabs(a1 - a2) > 0.0001) {
            MeldEksportTemaFeil(EKSPORT_ELLIPSE, Elm.level);
            return 0;
        }
        Elm.radius = a1;
        LagreKoordinater(&senter, 1, false);
        return type;
    }
    case ARC_ELM:
        Elm.type = ZERA_BUE;
        return lesBue(el) ? type : 0;
    case TEXT_ELM:
        Elm.type = ZERA_TEKST;
        if (gg > 0 && TekstErSymbol(gg))
            return 0;
        if (nivaa >= 4 && gg > 0) {
            MeldEksportTemaFeil(EKSPORT_TEKST_I_GRUPPE, Elm.level);
            return 0;
        }
        LesTekstElement(el);
        return type;
    case SHARED_CELL_ELM: {
        Elm.type = ZERA_PUNKT;
        if (nivaa >= 4 && gg > 0) {
            MeldEksportTemaFeil(EKSPORT_CELLE_I_GRUPPE, Elm.level);
            return 0;
        }
        DPoint3d origo{};
        if (mdlSharedCell_extract(&origo, Elm.cell, 257, nullptr, nullptr, el) != 0)
            return 0;
        LagreKoordinater(&origo, 1, false);
        return type;
    }
    case CELL_HEADER_ELM: {
        if (nivaanavn != nullptr && harFlateRad(nivaanavn))
            return 0;
        Elm.type = ZERA_PUNKT;
        DPoint3d origo{};
        if (mdlCell_extract(&origo, nullptr, Elm.cell, 257, el) != 0)
            return 0;
        LagreKoordinater(&origo, 1, false);
        return type;
    }
    case TEXT_NODE_ELM:
    case CMPLX_STRING_ELM:
    case CMPLX_SHAPE_ELM:
        return type;
    default:
        return 0;
    }
}

namespace {
// A cell takes the level name of its first component (unchanged when it
// has none).  True when that component is a complex chain or shape: the
// boundary the import gives an area cell, whatever its level's rows.
bool LesCelleEgenskaper(uint32_t filePos, DgnModelRefP model, char *nivaanavn, int size)
{
    MSElementDescr *d = nullptr;
    bool grense = false;
    if (mdlElmdscr_read(&d, filePos, model, 0, nullptr) != 0 && d != nullptr && d->h.firstElem != nullptr) {
        uint32_t l = 0;
        mdlElement_getProperties(&l, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 &d->h.firstElem->el);
        LesNivaanavn(nivaanavn, size, model, l);
        const int t = mdlElement_getType(&d->h.firstElem->el);
        grense = t == CMPLX_STRING_ELM || t == CMPLX_SHAPE_ELM;
    }
    mdlElmdscr_freeAll(&d);
    return grense;
}

// True when the graphic group holds an area cell: an area's point symbol
// shares its area's group.
bool gruppeHarFlate(uint32_t gg, DgnModelRefP model)
{
    std::vector<uint32_t> celler;
    gruppeElementer(gg, CELL_HEADER_ELM, celler);
    for (uint32_t p : celler) {
        char navn[51] = "";
        if (LesCelleEgenskaper(p, model, navn, sizeof navn))
            return true;
    }
    return false;
}
} // namespace

namespace {

// ---- the given-points linkage ----------------------------------------------------------

bool iPlan(const GittPunkt &g, int i) { return innenforToleranse(std::hypot(Elm.N[i] - g.n, Elm.E[i] - g.e)); }

bool iRom(const GittPunkt &g, int i) { return iPlan(g, i) && innenforToleranse(std::fabs(Elm.H[i] - g.h)); }

void settPunkt(int i, const GittPunkt &g)
{
    Elm.N[i] = g.n;
    Elm.E[i] = g.e;
    Elm.H[i] = g.h;
    Elm.kp[i] = g.kp;
}

// Elm, read from el's geometry, takes back what the import kept in the
// linkage, while the geometry still agrees with it: an element moved or
// edited since is written from its geometry alone.
void brukGitte(const MSElement *el)
{
    Gitte g;
    if (!LesGitte(el, g) || g.stykker > 1)
        return;
    const std::vector<GittPunkt> &p = g.punkter;
    const int m = int(p.size());
    const int n = std::min(Elm.pointCount, ZERA_MAX_POINTS);
    switch (Elm.type) {
    case ZERA_TEKST: {
        // Standing on the baseline from point 2, turned towards point 3.
        if (m < 3 || n < 1 || m > ZERA_MAX_POINTS || !iPlan(p[1], 0))
            return;
        const double dn = p[2].n - p[1].n, de = p[2].e - p[1].e;
        if (std::hypot(dn, de) > toleranse() && std::fabs(std::remainder(std::atan2(dn, de) - Elm.angle, 2 * M_PI)) > 1e-3)
            return;
        for (int i = 0; i < m; i++)
            settPunkt(i, p[i]);
        Elm.pointCount = m;
        Elm.angle = 0.0; // the given points carry it: the writer keeps them
        return;
    }
    case ZERA_BUE: {
        // Start, end and centre; the ends in plan.
        if (n < 3)
            return;
        if (m == 2 && iPlan(p[0], 0) && iPlan(p[1], 1)) {
            settPunkt(0, p[0]);
            settPunkt(1, p[1]);
        } else if (m == 3 && iPlan(p[0], 0) && iPlan(p[2], 1)) {
            // Written as read: start, middle and end with their heights,
            // the centre after them for the extent.
            const double cn = Elm.N[2], ce = Elm.E[2];
            for (int i = 0; i < 3; i++)
                settPunkt(i, p[i]);
            Elm.N[3] = cn;
            Elm.E[3] = ce;
            Elm.H[3] = p[0].h;
            Elm.kp[3] = 0;
            Elm.type = ZERA_BUEP;
            Elm.mode = 2;
        }
        return;
    }
    case ZERA_LINJE:
    case ZERA_KURVE:
        if (m == 2 && n >= 2 && iRom(p[0], 0) && iRom(p[1], n - 1)) {
            Elm.kp[0] = p[0].kp;
            Elm.kp[n - 1] = p[1].kp;
        }
        return;
    default:
        return;
    }
}

// How far ahead in the pass a later piece of a split curve is looked for.
constexpr size_t STYKKE_VINDU = 8;

// The later pieces (2 .. g.stykker) of a group the import split: for each
// the first element within the window after the one before whose linkage
// names it as that piece and that godta takes.  False when one is missing.
template <class Godta> bool finnStykker(DgnModelRefP model, int dt, const Gitte &g, Godta godta)
{
    const std::vector<uint32_t> &pass = *kj.pass;
    size_t fra = kj.passNr + 1;
    MSElement *neste = buffer(1);
    for (int k = 2; k <= g.stykker; k++) {
        bool funnet = false;
        for (size_t j = fra; j < pass.size() && j < fra + STYKKE_VINDU && !funnet; j++) {
            Gitte h;
            if (mdlElement_read(neste, model, pass[j]) != 0 || mdlElement_getType(neste) != dt ||
                !LesGitte(neste, h) || h.serie != g.serie || h.stykke != k || h.stykker != g.stykker ||
                !godta(neste, pass[j], h))
                continue;
            fra = j + 1;
            funnet = true;
        }
        if (!funnet)
            return false;
    }
    return true;
}

// A curve the import split (node points, or too many points for one
// element) is written as one, with its node codes, when all its pieces
// follow in the pass and still meet their linkage.  Otherwise false and
// Elm unchanged: each piece goes as itself.
bool skjoetStykker(MSElement *el, DgnModelRefP model, uint32_t filePos, uint32_t gg, const char *nivaanavn, int dt)
{
    Gitte g;
    if (kj.pass == nullptr || !LesGitte(el, g) || g.stykke != 1 || g.stykker < 2 || g.punkter.size() != 2)
        return false;
    int n = std::min(Elm.pointCount, ZERA_MAX_POINTS);
    if (n < 2 || !iRom(g.punkter[0], 0) || !iRom(g.punkter[1], n - 1))
        return false;
    // Find the later pieces first, each starting where the one before ends.
    struct Stykke {
        uint32_t pos;
        Gitte g;
    };
    std::vector<Stykke> stykker;
    GittPunkt slutt = g.punkter[1];
    if (!finnStykker(model, dt, g, [&](MSElement *, uint32_t pos, const Gitte &h) {
            if (h.punkter.size() != 2 || h.punkter[0].n != slutt.n || h.punkter[0].e != slutt.e)
                return false;
            stykker.push_back({pos, h});
            slutt = h.punkter[1];
            return true;
        }))
        return false;
    MSElement *neste = buffer(1);
    Elm.kp[0] = g.punkter[0].kp;
    Elm.kp[n - 1] = g.punkter[1].kp;
    std::vector<std::pair<DPoint3d, DPoint3d>> ender;
    ender.push_back({DPoint3d{Elm.E[0], Elm.N[0], Elm.H[0]}, DPoint3d{Elm.E[n - 1], Elm.N[n - 1], Elm.H[n - 1]}});
    for (const Stykke &s : stykker) {
        if (mdlElement_read(neste, model, s.pos) != 0)
            return false;
        const int foer = std::min(Elm.pointCount, ZERA_MAX_POINTS);
        const int kp = Elm.kp[foer - 1];
        if (KlassifiserElement(neste, model, nivaanavn, gg, 1) == 0)
            return false;
        const int etter = std::min(Elm.pointCount, ZERA_MAX_POINTS);
        if (etter <= foer || !iRom(s.g.punkter[0], foer) || !iRom(s.g.punkter[1], etter - 1))
            return false;
        ender.push_back({DPoint3d{Elm.E[foer], Elm.N[foer], Elm.H[foer]},
                         DPoint3d{Elm.E[etter - 1], Elm.N[etter - 1], Elm.H[etter - 1]}});
        // The piece's first point is the last one's end.
        for (int i = foer; i + 1 < etter; i++) {
            Elm.N[i] = Elm.N[i + 1];
            Elm.E[i] = Elm.E[i + 1];
            Elm.H[i] = Elm.H[i + 1];
            Elm.kp[i] = Elm.kp[i + 1];
        }
        Elm.pointCount = etter - 1;
        Elm.kp[foer - 1] = kp != 0 ? kp : s.g.punkter[0].kp;
        Elm.kp[etter - 2] = s.g.punkter[1].kp;
    }
    for (const Stykke &s : stykker)
        kj.skjoetet.insert(nokkel(model, s.pos));
    kopierFelt(Elm.level, nivaanavn);
    const int foer = int(kj.indeks.size());
    if (!SkrivZeraElement(el, model, filePos, dt, gg, nivaanavn) || int(kj.indeks.size()) != foer + 1)
        return true;
    // Every piece is a member of the one curve, found by its own ends.
    const int32_t id = kj.indeks.back().id;
    kj.skjoeteIder.insert(id < 0 ? -id : id);
    leggTilRute(foer, ender[0].second);
    for (size_t i = 1; i < ender.size(); i++) {
        const int nr = int(kj.indeks.size());
        kj.indeks.push_back({id, stykker[i - 1].pos, modellId(model), gg});
        kj.forstePos.emplace(nokkel(model, stykker[i - 1].pos), nr);
        leggTilRute(nr, ender[i].first);
        leggTilRute(nr, ender[i].second);
    }
    return true;
}

// The place of a point element: a zero-length line, a shared cell or a
// cell.
bool punktAv(MSElement *el, DgnModelRefP model, DPoint3d &p)
{
    char16_t celle[257];
    switch (mdlElement_getType(el)) {
    case LINE_ELM:
    case LINE_STRING_ELM: {
        DPoint3d pts[2];
        int n = 2;
        if (mdlLinear_extract(pts, &n, el, model) != 0 || n != 2 || !mindreEnnToleranse(mdlVec_distance(&pts[0], &pts[1])))
            return false;
        p = pts[0];
        return true;
    }
    case SHARED_CELL_ELM: return mdlSharedCell_extract(&p, celle, 257, nullptr, nullptr, el) == 0;
    case CELL_HEADER_ELM: return mdlCell_extract(&p, nullptr, celle, 257, el) == 0;
    default: return false;
    }
}

// A swarm the import wrote as one point element per point is written as
// the one swarm again, when all its points follow in the pass (each within
// the window of the one before) and still stand where the linkage says.
// Otherwise false and Elm unchanged: each point goes as itself.
bool skjoetSverm(MSElement *el, DgnModelRefP model, uint32_t filePos, uint32_t gg, const char *nivaanavn, int dt)
{
    Gitte g;
    if (kj.pass == nullptr || Elm.type != ZERA_PUNKT || !LesGitte(el, g) || g.stykke != 1 || g.stykker < 2 ||
        g.stykker > ZERA_MAX_POINTS - 1 || g.punkter.size() != 1 || Elm.pointCount != 1 || !iRom(g.punkter[0], 0))
        return false;
    std::vector<uint32_t> stykker;
    if (!finnStykker(model, dt, g, [&](MSElement *neste, uint32_t pos, const Gitte &h) {
            DPoint3d p{};
            const int foer = Elm.pointCount;
            if (h.punkter.size() != 1 || !punktAv(neste, model, p))
                return false;
            LagreKoordinater(&p, 1, true);
            if (Elm.pointCount != foer + 1 || !iRom(h.punkter[0], foer)) {
                Elm.pointCount = foer;
                return false;
            }
            stykker.push_back(pos);
            return true;
        })) {
        Elm.pointCount = 1;
        return false;
    }
    for (uint32_t pos : stykker)
        kj.skjoetet.insert(nokkel(model, pos));
    Elm.type = ZERA_SVERM;
    kopierFelt(Elm.level, nivaanavn);
    SkrivZeraElement(el, model, filePos, dt, gg, nivaanavn);
    return true;
}

} // namespace

int EksporterElement(uint32_t filePos, DgnModelRefP model, int fraGjerde)
{
    (void)fraGjerde;
    MSElement *el = buffer(0);
    if (kj.skjoetet.count(nokkel(model, filePos)) != 0)
        return 0; // written with the first piece of its curve
    if (el == nullptr || mdlElement_read(el, model, filePos) != 0)
        return 0;
    uint32_t level = 0, gg = 0;
    mdlElement_getProperties(&level, &gg, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, el);
    char nivaanavn[51];
    LesNivaanavn(nivaanavn, sizeof nivaanavn, model, level);
    const int type = mdlElement_getType(el);
    bool grense = false;
    if (type == CELL_HEADER_ELM)
        grense = LesCelleEgenskaper(filePos, model, nivaanavn, sizeof nivaanavn);
    // Below level 4 an area's point symbol goes with its area, which the
    // log names below.
    if (zeraNivaa() < 4 && gg > 0 && !grense && (type == CELL_HEADER_ELM || type == SHARED_CELL_ELM) &&
        gruppeHarFlate(gg, model))
        return 0;
    if (type == CELL_HEADER_ELM && (grense || ErFlateCelle(nivaanavn))) {
        // An area cell is the area pass's: written here too it would be a
        // point carrying the area's attributes.  Below level 4 no area can
        // be written: the log names each.
        if (zeraNivaa() < 4) {
            tomElm();
            Elm.type = ZERA_FLATE;
            MeldEksportTemaFeil(EKSPORT_FLATE_NIVAA3, nivaanavn);
        }
        return 0;
    }
    const int dt = KlassifiserElement(el, model, nivaanavn, gg, 0);
    switch (dt) {
    case 0: return 0;
    case CMPLX_STRING_ELM:
    case CMPLX_SHAPE_ELM: EksporterKompleks(filePos, el, nivaanavn, gg, dt); return 0;
    case TEXT_NODE_ELM: EksporterTekstnode(filePos, nivaanavn); return 0;
    default:
        if ((Elm.type == ZERA_LINJE || Elm.type == ZERA_KURVE) && skjoetStykker(el, model, filePos, gg, nivaanavn, dt))
            return 0;
        if (Elm.type == ZERA_PUNKT && skjoetSverm(el, model, filePos, gg, nivaanavn, dt))
            return 0;
        brukGitte(el);
        kopierFelt(Elm.level, nivaanavn);
        SkrivZeraElement(el, model, filePos, dt, gg, nivaanavn);
        return 0;
    }
}

// ---- writing --------------------------------------------------------------------------------

void TemaFraNivaanavn(const char *nivaanavn)
{
    if (nivaanavn == nullptr)
        return;
    const char *p = nivaanavn;
    while (*p != '\0' && !isdigit(static_cast<unsigned char>(*p)))
        p++;
    if (*p == '\0') {
        Elm.theme[0][0] = '\0';
        return;
    }
    size_t n = 0;
    while (isdigit(static_cast<unsigned char>(p[n])))
        n++;
    if (n == 4) {
        memcpy(Elm.theme[0], p, 4);
        Elm.theme[0][4] = '\0';
        Elm.themeCount = 1;
    }
}

namespace {
int forsteRad(const char *tema)
{
    const int rader = std::clamp(Mstemtab.rowCount, 0, MT_MAX_ROWS);
    for (int r = 0; r < rader; r++)
        if (strcmp(Mstemtab.tema[r], tema) == 0)
            return r;
    return -1;
}
} // namespace

int ErFkbGruppeUtelatt(void)
{
    int r = forsteRad(Elm.theme[0]);
    if (r < 0 || Mstemtab.fkbGroup[r][0] == '\0')
        return 0;
    const int n = std::clamp(Fkbtab.count, 0, FKB_MAX_GROUPS);
    for (int i = 0; i < n; i++)
        if (strcmp(Fkbtab.group[i], Mstemtab.fkbGroup[r]) == 0)
            return Fkbtab.selected[i] ? 0 : 1;
    return 0;
}

int UtelatPgaMultHoyde(void)
{
    // The callback tells the themes whose rows take the multiple-height rule.
    int16_t forrige = Elm.sameHeight;
    Elm.sameHeight = 1;
    int r = UtelatElementPgaIkkeMultHoyde(hoydeKallet());
    Elm.sameHeight = forrige;
    return r != 0 ? 1 : 0;
}

void MeldEksportTemaFeil(int nummer, const char *nivaanavn)
{
    zvlib::copyText(Bmw.acc_txt_rutnam, "MSTEMTAB");
    Bmw.acc_txt_number = int16_t(nummer);
    zvlib::copyText(Elm.theme[0], nivaanavn ? nivaanavn : "");
    int16_t k = 0;
    bmwput_tem(&k);
    if (Elm.type > 0 && Elm.type <= ZERA_TYPE_COUNT) {
        Bmw.notImported[Elm.type - 1]++;
        Bmw.read[Elm.type - 1]++;
    }
}

void MeldEksportFeil(int nummer)
{
    zvlib::copyText(Bmw.acc_txt_rutnam, "MSTEMTAB");
    Bmw.acc_txt_number = int16_t(nummer);
    Bmw.type = BMW_ERROR;
    Bmw.line = Elm.serial;
    Bmw.elementType = Elm.type;
    snprintf(Bmw.theme, sizeof Bmw.theme, "%.*s", int(sizeof Bmw.theme - 1), Elm.level);
    Bmw.objtype[0] = '\0';
    Bmw.n = Elm.pointCount > 0 ? Elm.N[0] : 0.0;
    Bmw.e = Elm.pointCount > 0 ? Elm.E[0] : 0.0;
    bmwput_elm();
}

int SkrivZeraElement(MSElement *el, DgnModelRefP model, uint32_t filePos, int type, uint32_t gg,
                     const char *nivaanavn)
{
    (void)type;
    (void)nivaanavn;
    if (el != nullptr)
        LesZeraTagger(el);
    if (brukerDataP != nullptr && brukerDataP->temaFra == 0) {
        if (Elm.theme[0][0] == '\0')
            TemaFraNivaanavn(Elm.level);
        if (Elm.objtype[0] == '\0') {
            const char *bokstav = FinnZeraElementType(Elm.type);
            const int rader = std::clamp(Mstemtab.rowCount, 0, MT_MAX_ROWS);
            for (int r = 0; r < rader; r++)
                if (strcmp(Mstemtab.tema[r], Elm.theme[0]) == 0 && bokstav != nullptr &&
                    strcmp(Mstemtab.datatype[r], bokstav) == 0) {
                    snprintf(Elm.objtype, sizeof Elm.objtype, "%.*s", int(sizeof Elm.objtype - 1),
                             Mstemtab.objtype[r]);
                    break;
                }
        }
        if (ErFkbGruppeUtelatt()) {
            MeldEksportTemaFeil(EKSPORT_FKB_UTELATT, Elm.level);
            return 0;
        }
    }
    // Whichever way the theme came, the multiple-height rule holds for it.
    if (Elm.theme[0][0] != '\0' && UtelatPgaMultHoyde())
        return 0;
    kj.serie++;
    Elm.serial = kj.serie;
    if (zeraNivaa() >= 3 && filePos >= kj.startPos && filePos != 0 && mdlModelRef_isActiveModel(model) &&
        Elm.pointCount > 0 && brukerDataP != nullptr) {
        // An element made during this export that ends on the extent.
        const SheadStruct &h = brukerDataP->hode;
        for (int i : {0, Elm.pointCount - 1})
            if (Elm.N[i] == h.minN || Elm.N[i] == h.maxN || Elm.E[i] == h.minE || Elm.E[i] == h.maxE)
                Elm.kp[i] = 999;
    }
    if (filePos != 0) {
        int32_t id = Elm.serial;
        LeggTilEksportIndeks(id, model, filePos, gg);
    }
    perf_dgn2zera(nullptr, hoydeKallet());
    return 1;
}

// ---- text nodes --------------------------------------------------------------------------

namespace {
struct NodeArg {
    DgnModelRefP model;
    const char *nivaanavn;
};
int EksporterTekstnodeDel(MSElement *el, void *arg, int operation, MSElementDescr *)
{
    auto *a = static_cast<NodeArg *>(arg);
    if (operation != 1 || mdlElement_getType(el) != TEXT_ELM)
        return 0;
    if (KlassifiserElement(el, a->model, a->nivaanavn, 0, 0) != 0) {
        kopierFelt(Elm.level, a->nivaanavn);
        SkrivZeraElement(el, a->model, 0, TEXT_ELM, 0, a->nivaanavn);
    }
    return 0;
}
} // namespace

void EksporterTekstnode(uint32_t filePos, const char *nivaanavn)
{
    MSElementDescr *d = nullptr;
    DgnModelRefP model = mdlModelRef_getActive();
    if (mdlElmdscr_read(&d, filePos, model, 0, nullptr) == 0 || d == nullptr)
        return;
    NodeArg a{model, nivaanavn ? nivaanavn : ""};
    mdlElmdscr_operation(d, EksporterTekstnodeDel, &a, ELMD_ELEMENT);
    mdlElmdscr_freeAll(&d);
}

// ---- rasters --------------------------------------------------------------------------------

namespace {

bool sammeInnhold(const std::string &a, const std::string &b)
{
    FILE *fa = dlmSystem_mdlFopen(a.c_str(), "r"), *fb = dlmSystem_mdlFopen(b.c_str(), "r");
    bool lik = fa != nullptr && fb != nullptr;
    while (lik) {
        char ba[8192], bb[8192];
        size_t na = fread(ba, 1, sizeof ba, fa), nb = fread(bb, 1, sizeof bb, fb);
        if (na != nb || memcmp(ba, bb, na) != 0)
            lik = false;
        else if (na == 0)
            break;
    }
    if (fa)
        dlmSystem_mdlFclose(fa);
    if (fb)
        dlmSystem_mdlFclose(fb);
    return lik;
}

std::string stor(std::string s)
{
    for (char &c : s)
        c = zvlib::upperAscii(c);
    return s;
}

// Copies the image beside the ZERA file; another file of that name there
// is left as it is.
void kopierRaster(const char *kilde, const char *navnOgType)
{
    if (brukerDataP == nullptr || brukerDataP->zeraFil[0] == '\0')
        return;
    char enhet[MDLHOST_MAXFILELENGTH], katalog[MDLHOST_MAXFILELENGTH], maal[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(brukerDataP->zeraFil, enhet, katalog, nullptr, nullptr);
    if (mdlFile_buildName(maal, enhet, katalog, navnOgType, nullptr) != 0)
        return;
    if (stor(maal) == stor(kilde))
        return;
    FILE *f = dlmSystem_mdlFopen(maal, "r");
    if (f != nullptr) {
        dlmSystem_mdlFclose(f);
        if (!sammeInnhold(maal, kilde))
            MeldEksportFeil(EKSPORT_RASTER_FINNES);
        return;
    }
    mdlFile_copy(maal, kilde);
}

} // namespace

void EksporterRasterReferanser(void)
{
    DgnModelRefP model = mdlModelRef_getActive();
    const bool gjerde = mdlFence_isDefined() != 0;
    const int visning = gjerde ? mdlFence_getViewIndex() : 0;
    for (DgnRasterRef r = mdlRaster_getNext(model, 0); r != 0; r = mdlRaster_getNext(model, r)) {
        DgnRasterFileInfo info{};
        uint32_t flagg = 0;
        DPoint3d origo{};
        double ex = 0, ey = 0;
        if (mdlRaster_fileInfoGet(&info, r) != 0 || mdlRaster_renderingInfoGet(&flagg, r) != 0 ||
            mdlRaster_geoReferenceInfoGet(&origo, &ex, &ey, r) != 0)
            continue;
        if (info.kind == RASTER_KIND_MISSING || info.kind == RASTER_KIND_UNKNOWN)
            continue;
        if (visning < 0 || visning > 7 || !((flagg >> visning) & 1u))
            continue;
        tomElm();
        char navn[MDLHOST_MAXFILELENGTH] = {}, type[MDLHOST_MAXFILELENGTH] = {};
        mdlFile_parseName(info.fileName, nullptr, nullptr, navn, type);
        std::string navnOgType = std::string(navn) + type;
        kopierFelt(Elm.text, navnOgType.c_str());
        double x = *zvlibUtil_UORToMasterP(origo.x), y = *zvlibUtil_UORToMasterP(origo.y);
        ex = *zvlibUtil_UORToMasterP(ex);
        ey = *zvlibUtil_UORToMasterP(ey);
        DPoint3d hj[4] = {{x, y, 0}, {x + ex, y, 0}, {x + ex, y + ey, 0}, {x, y + ey, 0}};
        LagreKoordinater(hj, 4, false);
        if (gjerde && brukerDataP != nullptr) {
            const SheadStruct &h = brukerDataP->hode;
            if (Elm.E[2] < h.minE || Elm.N[2] < h.minN || Elm.E[0] > h.maxE || Elm.N[0] > h.maxN)
                continue;
        }
        Elm.dim[0] = info.height > 0 ? ey / info.height : 0.0;
        Elm.dim[1] = info.width > 0 ? ex / info.width : 0.0;
        Elm.style = info.format;
        const char16_t *celle = info.format == RASTER_FORMAT_BMP ? u"BMP" : info.format == RASTER_FORMAT_JPEG ? u"JPEG" : u"TIFF";
        std::char_traits<char16_t>::copy(Elm.cell, celle, std::char_traits<char16_t>::length(celle) + 1);
        kopierRaster(info.fileName, navnOgType.c_str());
        Elm.type = ZERA_RASTER;
        kj.serie++;
        Elm.serial = kj.serie;
        perf_dgn2zera(nullptr, hoydeKallet());
    }
}
