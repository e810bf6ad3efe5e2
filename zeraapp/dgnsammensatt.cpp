// The import's composite elements: the element index that maps ZERA serials
// to written elements, traces as complex chains, structures as graphic
// groups, areas as cells holding their boundary, closed shapes and islands,
// rasters as geo-referenced attachments, and symbols in the symbol font.
//
// Sections: the element index - reading members - traces and structures -
// areas - rasters - symbols.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "brukerdata.h"
#include "dgnskriv.h"
#include "dgnskriv_int.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zvlibelement.h"
#include "zvlibutil.h"

namespace {

// ---- the element index ------------------------------------------------------------

struct Indeks {
    std::vector<ElementIndeksPost> poster;
    // Member indexes of each serial, in writing order, so a reference finds
    // its members without walking the whole index.
    std::unordered_map<int32_t, std::vector<int>> perSerie;
};

Indeks &indeks()
{
    static Indeks i;
    return i;
}

} // namespace

extern "C" {

void NyElementIndeks(void)
{
    SlettElementIndeks();
    zeraNullstillSkriver();
}

void SlettElementIndeks(void)
{
    Indeks &i = indeks();
    i.poster.clear();
    i.poster.shrink_to_fit();
    i.perSerie.clear();
}

void LeggTilElementIndeks(uint32_t filposisjon, DgnModelRefP modell)
{
    Indeks &i = indeks();
    i.perSerie[Elm.serial].push_back(static_cast<int>(i.poster.size()));
    i.poster.push_back(ElementIndeksPost{Elm.serial, static_cast<int32_t>(filposisjon), static_cast<int32_t>(modell)});
}

int FinnIElementIndeks(int32_t referanse, int *posisjon, uint32_t *filposisjon, DgnModelRefP *modell)
{
    if (posisjon == nullptr || referanse == 0 || referanse == INT32_MIN)
        return 0;
    Indeks &ix = indeks();
    auto it = ix.perSerie.find(referanse > 0 ? referanse : -referanse);
    if (it == ix.perSerie.end())
        return 0;
    const std::vector<int> &m = it->second;
    int funnet = -1;
    if (referanse > 0) {
        auto p = std::lower_bound(m.begin(), m.end(), *posisjon);
        if (p == m.end())
            return 0;
        funnet = *p;
        *posisjon = funnet + 1;
    } else {
        auto p = std::upper_bound(m.begin(), m.end(), *posisjon);
        if (p == m.begin())
            return 0;
        funnet = *(p - 1);
        *posisjon = funnet - 1;
    }
    const ElementIndeksPost &post = ix.poster[static_cast<size_t>(funnet)];
    if (filposisjon)
        *filposisjon = static_cast<uint32_t>(post.filposisjon);
    if (modell)
        *modell = post.modell;
    return 1;
}

int AntallIElementIndeks(void) { return static_cast<int>(indeks().poster.size()); }

} // extern "C"

// ---- reading members -----------------------------------------------------------------

namespace {

// Each member of reference ref in order: fn(filposisjon, modell) returns
// false to stop.  The start follows the direction of the reference.
template <class F> void hverPost(int32_t ref, F fn)
{
    int pos = ref > 0 ? 0 : AntallIElementIndeks() - 1;
    uint32_t filpos = 0;
    DgnModelRefP modell = 0;
    while (FinnIElementIndeks(ref, &pos, &filpos, &modell))
        if (!fn(filpos, modell))
            return;
}

// References of the element, within their array.
int antallReferanser() { return Elm.refCount < 0 ? 0 : (Elm.refCount > ZERA_MAX_REFS ? ZERA_MAX_REFS : Elm.refCount); }

// True when a reference of the element names a skipped element.
bool harHoppetOverReferanse()
{
    int n = antallReferanser();
    bool hoppet = false;
    for (int i = 0; i < n && !hoppet; ++i)
        hverPost(Elm.ref[i], [&](uint32_t filpos, DgnModelRefP) {
            hoppet = filpos == 0;
            return !hoppet;
        });
    return hoppet;
}


// A copy of the descriptor, reversed; null when the host cannot reverse it.
void snuBeskrivelse(MSElementDescr **dscr, DgnModelRefP modell)
{
    MSElementDescr *snudd = nullptr;
    if (mdlElmdscr_reverse(&snudd, *dscr, modell) == 0 && snudd != nullptr) {
        mdlElmdscr_freeAll(dscr);
        *dscr = snudd;
    }
}

void snuElement(MSElement &el, DgnModelRefP modell)
{
    MSElementDescr *d = nullptr;
    if (mdlElmdscr_new(&d, nullptr, &el) != 0)
        return;
    snuBeskrivelse(&d, modell);
    if (d != nullptr)
        mdlElement_memcpy(&el, &d->el);
    mdlElmdscr_freeAll(&d);
}

// Each readable element of each reference in order, to fn(element,
// reference, model, position); false, at once, when a reference names a
// skipped element.
template <class F> bool hverReferertElement(F fn)
{
    int n = antallReferanser();
    for (int i = 0; i < n; ++i) {
        int32_t ref = Elm.ref[i];
        bool hoppet = false;
        hverPost(ref, [&](uint32_t filpos, DgnModelRefP modell) {
            if (filpos == 0) {
                hoppet = true;
                return false;
            }
            MSElement el; // filled by the read
            if (mdlElement_read(&el, modell, filpos) == 0)
                fn(el, ref, modell, filpos);
            return true;
        });
        if (hoppet)
            return false;
    }
    return true;
}

} // namespace

// ---- traces and structures -----------------------------------------------------------------

extern "C" {

int SkrivTrase(void)
{
    MSElement hode; // filled by the call below
    if (mdlComplexChain_createHeader(&hode, 0, 0) != 0)
        return 0;
    SettSymbologi(&hode, 0, 0);
    MSElementDescr *kjede = nullptr;
    if (mdlElmdscr_new(&kjede, nullptr, &hode) != 0)
        return 0;
    bool helt = hverReferertElement([&](MSElement &el, int32_t ref, DgnModelRefP modell, uint32_t) {
        if (ref < 0)
            snuElement(el, modell);
        mdlElmdscr_appendElement(kjede, &el);
    });
    if (!helt) {
        mdlElmdscr_freeAll(&kjede);
        MeldTemaFeil(38);
        return 0;
    }
    int rc = LeggTilElementBeskrivelse(&kjede);
    mdlElmdscr_freeAll(&kjede);
    return rc;
}

void SkrivStruktur(void)
{
    uint32_t gruppe = zvlibUtil_newGraphicGroup();
    bool helt = hverReferertElement([&](MSElement &el, int32_t, DgnModelRefP, uint32_t filpos) {
        mdlElement_setProperties(&el, nullptr, &gruppe, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        mdlElement_rewrite(&el, nullptr, filpos);
    });
    if (!helt)
        MeldTemaFeil(38); // the groups already set stay
}

} // extern "C"

// ---- areas ---------------------------------------------------------------------------------

namespace {

struct Descr {
    MSElementDescr *d = nullptr;
    Descr() = default;
    Descr(const Descr &) = delete;
    Descr &operator=(const Descr &) = delete;
    Descr(Descr &&o) noexcept : d(o.slipp()) {}
    ~Descr() { mdlElmdscr_freeAll(&d); }
    MSElementDescr *slipp()
    {
        MSElementDescr *p = d;
        d = nullptr;
        return p;
    }
};

bool erLukket(int type) { return type == SHAPE_ELM || type == CMPLX_SHAPE_ELM || type == ELLIPSE_ELM; }

int slettHull(MSElement *el, void *, DgnModelRefP, MSElementDescr *, MSElementDescr **)
{
    int hull = 0;
    mdlElement_getProperties(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &hull, el);
    return (erLukket(mdlElement_getType(el)) && hull) ? MODIFY_STATUS_DELETE : MODIFY_STATUS_NOCHANGE;
}

void settHull(MSElementDescr *d, bool hull)
{
    int h = hull ? 1 : 0;
    mdlElement_setProperties(&d->el, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &h);
}

void settNivaa(MSElementDescr *d, uint32_t nivaa)
{
    mdlElement_setProperties(&d->el, &nivaa, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

// A boundary taken from a cell (its first component) or a complex shape.
MSElementDescr *lesGrenseElement(uint32_t filpos, DgnModelRefP modell, int oy)
{
    MSElementDescr *hel = nullptr;
    if (mdlElmdscr_read(&hel, filpos, modell, 0, nullptr) == 0 || hel == nullptr)
        return nullptr;
    MSElementDescr *resultat = hel;
    if (mdlElement_getType(&hel->el) == CELL_HEADER_ELM) {
        resultat = nullptr;
        if (hel->h.firstElem != nullptr) {
            MSElementDescr *forste = hel->h.firstElem, *neste = forste->h.next;
            forste->h.next = nullptr; // copy the first component alone
            mdlElmdscr_duplicate(&resultat, forste);
            forste->h.next = neste;
        }
        mdlElmdscr_freeAll(&hel);
        if (resultat != nullptr && oy > 0)
            mdlModify_elementDescr2(&resultat, modell, slettHull, nullptr);
        if (resultat != nullptr)
            mdlElmdscr_stripAttributes(resultat);
    }
    return resultat;
}

// The element moved to the area's height, also in the file.
void flyttGrenseTilHoyde(MSElementDescr **dscr, uint32_t filpos, DgnModelRefP modell, double hoyde)
{
    if (!mgds_modesP->is3D)
        return;
    double uor = std::trunc(hoyde * mdlModelRef_getUorPerMaster(modell == 0 ? mdlModelRef_getActive() : modell));
    MSElementDescr *flat = nullptr, *hevet = nullptr;
    if (mdlElmdscr_convertTo2D(&flat, *dscr, modell) != 0 || flat == nullptr)
        return;
    int rc = mdlElmdscr_convertTo3D(&hevet, flat, modell, uor);
    mdlElmdscr_freeAll(&flat);
    if (rc != 0 || hevet == nullptr)
        return;
    mdlElmdscr_freeAll(dscr);
    *dscr = hevet;
    if (mdlModelRef_isReference(modell))
        return;
    MSElementDescr *fil = nullptr;
    if (mdlElmdscr_read(&fil, filpos, modell, 0, nullptr) == 0 || fil == nullptr)
        return;
    MSElementDescr *ny = nullptr, *mellom = nullptr;
    if (mdlElmdscr_convertTo2D(&mellom, fil, modell) == 0 && mellom != nullptr &&
        mdlElmdscr_convertTo3D(&ny, mellom, modell, uor) == 0 && ny != nullptr)
        mdlElmdscr_rewrite(ny, fil, filpos);
    mdlElmdscr_freeAll(&mellom);
    mdlElmdscr_freeAll(&ny);
    mdlElmdscr_freeAll(&fil);
}

int telleKomponent(MSElement *, void *arg, int, MSElementDescr *)
{
    ++*static_cast<int *>(arg);
    return 0;
}

// An island chain: closed, not filled, marked as a hole.
MSElementDescr *nyKomplekskjede(uint32_t nivaa)
{
    MSElement hode; // filled by the call below
    if (mdlComplexChain_createHeader(&hode, 1, 0) != 0)
        return nullptr;
    SettSymbologi(&hode, 0, 0);
    int hull = 1;
    mdlElement_setProperties(&hode, &nivaa, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &hull);
    MSElementDescr *d = nullptr;
    mdlElmdscr_new(&d, nullptr, &hode);
    return d;
}

// Reads a member; once more when the first read fails.
bool lesPost(MSElement &el, uint32_t filpos, DgnModelRefP modell)
{
    for (int forsok = 0; forsok < 2; ++forsok)
        if (mdlElement_read(&el, modell, filpos) == 0 && mdlElement_getType(&el) != 0)
            return true;
    toolSubsystem_printf("Feil i mdlElement_read.  modelref=%d  filpos=%d\n", static_cast<int>(modell),
                         static_cast<int>(filpos));
    return false;
}

} // namespace

extern "C" {

int SkrivFlate(void)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (Elm.pointCount < 1)
        return 0;
    // Every reference is checked before anything is written, so an area
    // that cannot stand leaves nothing behind.
    if (harHoppetOverReferanse()) {
        MeldTemaFeil(38);
        return 0;
    }
    DPoint3d origo{Elm.E[0], Elm.N[0], Elm.H[0]};
    flateGruppe = static_cast<int32_t>(zvlibUtil_newGraphicGroup());
    uint32_t gruppe = static_cast<uint32_t>(flateGruppe);
    uint32_t nivaa = FinnNivaa();

    MSElement celle; // filled by the call below
    if (mdlCell_create(&celle, Elm.cell[0] ? Elm.cell : nullptr, &origo, 0) != 0)
        return 0;
    mdlElement_setProperties(&celle, &nivaa, &gruppe, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    Descr a;
    if (mdlElmdscr_new(&a.d, nullptr, &celle) != 0)
        return 0;
    MSElement ytre; // filled by the call below
    if (mdlComplexChain_createHeader(&ytre, 1, d.fyllFlater ? 1 : 0) != 0)
        return 0;
    SettSymbologi(&ytre, 0, 0);
    Descr b;
    if (mdlElmdscr_new(&b.d, nullptr, &ytre) != 0)
        return 0;
    bool bHarDeler = false;
    std::vector<Descr> s;    // closed shapes taken whole
    std::vector<Descr> oyer; // finished island chains
    Descr oy;                // the island chain being collected
    int forrigeOy = 0;
    bool tredim = mgds_modesP->is3D != 0;

    int n = antallReferanser();
    for (int i = 0; i < n; ++i) {
        int32_t ref = Elm.ref[i];
        int oyNr = Elm.refGroup[i];
        hverPost(ref, [&](uint32_t filpos, DgnModelRefP modell) {
            MSElement el; // filled by the call below
            if (!lesPost(el, filpos, modell))
                return true;
            MSElement strippet; // filled by the call below
            zvlibElement_stripAttributes2(&strippet, &el);
            int type = mdlElement_getType(&strippet);
            MSElementDescr *del = nullptr;
            if (type == CELL_HEADER_ELM || type == CMPLX_SHAPE_ELM || type == SHAPE_ELM || type == ELLIPSE_ELM) {
                if (type == CELL_HEADER_ELM || type == CMPLX_SHAPE_ELM)
                    del = lesGrenseElement(filpos, modell, oyNr);
                else
                    mdlElmdscr_new(&del, nullptr, &strippet);
                if (del == nullptr)
                    return true;
                if (erLukket(mdlElement_getType(&del->el))) {
                    bool startet = s.empty();
                    bool solid = oyNr <= 0;
                    settHull(del, !solid);
                    settNivaa(del, nivaa);
                    s.emplace_back();
                    s.back().d = del;
                    if (startet && type != CELL_HEADER_ELM && type != CMPLX_SHAPE_ELM && d.fyllFlater &&
                        !bHarDeler && solid)
                        mdlElmdscr_addFill(del, nullptr);
                    return true;
                }
                // A cell whose first component is open goes on as a chain part.
            } else if (type == CMPLX_STRING_ELM) {
                if (mdlElmdscr_read(&del, filpos, modell, 0, nullptr) == 0 || del == nullptr)
                    return true;
                mdlElmdscr_stripAttributes(del);
            } else if (type == TEXT_ELM) {
                return true;
            } else {
                if (mdlElmdscr_new(&del, nullptr, &strippet) != 0)
                    return true;
            }
            if (d.grenserPaaHoyde && Elm.hasHoyde && tredim)
                flyttGrenseTilHoyde(&del, filpos, modell, Elm.H[0]);
            if (ref < 0)
                snuBeskrivelse(&del, modell);
            settNivaa(del, nivaa);
            if (oyNr <= 0) {
                mdlElmdscr_appendDscr(b.d, del);
                bHarDeler = true;
                return true;
            }
            if (oy.d == nullptr) {
                oy.d = nyKomplekskjede(nivaa);
            } else if (oyNr > forrigeOy) {
                oyer.emplace_back();
                oyer.back().d = oy.slipp();
                oy.d = nyKomplekskjede(nivaa);
            }
            if (oy.d == nullptr) {
                mdlElmdscr_freeAll(&del);
                return true;
            }
            mdlElmdscr_appendDscr(oy.d, del);
            forrigeOy = oyNr;
            return true;
        });
    }
    if (oy.d != nullptr) {
        oyer.emplace_back();
        oyer.back().d = oy.slipp();
    }
    if (bHarDeler)
        mdlElmdscr_appendDscr(a.d, b.slipp());
    for (Descr &del : s)
        mdlElmdscr_appendDscr(a.d, del.slipp());
    for (Descr &del : oyer)
        mdlElmdscr_appendDscr(a.d, del.slipp());
    mdlCell_setRange(a.d, mdlModelRef_getActive());
    int deler = 0;
    if (a.d->h.firstElem != nullptr)
        mdlElmdscr_operation(a.d->h.firstElem, telleKomponent, &deler, ELMD_ELEMENT | ELMD_HEADER);
    if (deler == 0) {
        MeldSkrivefeil(10, 0);
        return 0;
    }
    // The point symbol goes in only when the area itself can be written.
    if (SkrivPunktSymbol(zeraIdOrd1(), zeraIdOrd2(), gruppe, 1) < 0)
        return -1;
    if (d.visUnderveis)
        mdlElmdscr_display(a.d, MDLHOST_NO_MODEL, 0);
    return LeggTilElementBeskrivelse(&a.d);
}

} // extern "C"

// ---- rasters -------------------------------------------------------------------------------

extern "C" void SkrivRaster(void)
{
    std::string navn(Elm.text, strnlen(Elm.text, sizeof Elm.text));
    if (navn.find_first_of("/\\:") == std::string::npos) {
        std::string zera(zeraData().zeraFil, strnlen(zeraData().zeraFil, sizeof zeraData().zeraFil));
        size_t skille = zera.find_last_of("/\\:");
        if (skille != std::string::npos)
            navn = zera.substr(0, skille + 1) + navn;
    }
    DgnRasterRef raster = 0;
    if (mdlRaster_fileOpen(&raster, navn.c_str(), MDLHOST_NO_MODEL) != 0) {
        MeldSkrivefeil(13, mdlErrno);
        return;
    }
    int n = Elm.pointCount;
    if (n >= 1) {
        DgnModelRefP aktiv = mdlModelRef_getActive();
        double upm = mdlModelRef_getUorPerMaster(aktiv);
        DPoint3d globalt{0, 0, 0};
        mdlModelRef_getGlobalOrigin(aktiv, &globalt);
        int fjern = n == 2 ? 1 : (n >= 3 ? 2 : 0);
        DPoint3d origo{Elm.E[0] * upm + globalt.x, Elm.N[0] * upm + globalt.y, Elm.H[0] * upm + globalt.z};
        double ex = (Elm.E[fjern] - Elm.E[0]) * upm, ey = (Elm.N[fjern] - Elm.N[0]) * upm;
        mdlRaster_geoReferenceInfoSet(raster, &origo, ex, ey);
    }
    mdlRaster_renderingInfoSet(raster, RASTER_ALL_VIEWS);
    mdlRaster_extendedInfoSet(raster, 3);
}

// ---- symbols -------------------------------------------------------------------------------

namespace {

int finnSymbolfont(const MdlFontInfo *font, void *arg)
{
    if (zeraSammeNavn(font->name, "Grafisk Utforming TTF")) {
        *static_cast<int *>(arg) = static_cast<int>(font->number);
        return 1;
    }
    return 0;
}

} // namespace

extern "C" void SkrivSymbolMedRetning(void)
{
    if (Elm.pointCount < 1)
        return;
    TextSizeParam storrelse{};
    TextParam param{};
    zeraTekstParametre(&storrelse, &param);
    int symbolfont = -1;
    if (mdlFontMgr_traverseAvailableFonts(finnSymbolfont, &symbolfont) != 0 && symbolfont >= 0)
        param.font = symbolfont;
    DPoint3d p0{Elm.E[0], Elm.N[0], Elm.H[0]};
    DPoint3d linje[2] = {p0, p0};
    MSElement strek; // filled by the call below
    if (mdlLine_create(&strek, nullptr, linje) != 0) {
        MeldSkrivefeil(3, mdlErrno);
        return;
    }
    uint32_t gruppe = zvlibUtil_newGraphicGroup();
    SettSymbologi(&strek, gruppe, 1);
    if (LeggTilElement(&strek) < 0)
        return;
    std::string tekst;
    int antall = Elm.symbolCount < 0 ? 0 : (Elm.symbolCount > ZERA_MAX_SYMBOLS ? ZERA_MAX_SYMBOLS : Elm.symbolCount);
    int rader = Symboltab.count < 0 ? 0 : (Symboltab.count > ST_MAX_SYMBOLS ? ST_MAX_SYMBOLS : Symboltab.count);
    for (int i = 0; i < antall; ++i) {
        std::string symbol(Elm.symbol[i], strnlen(Elm.symbol[i], sizeof Elm.symbol[i]));
        for (int r = 0; r < rader; ++r) {
            std::string navn = ".." + std::string(Symboltab.name[r], strnlen(Symboltab.name[r], sizeof Symboltab.name[r]));
            if (zeraSammeNavn(navn.c_str(), symbol.c_str())) {
                long tegn = strtol(Symboltab.number[r], nullptr, 10);
                if (tegn > 0 && tegn < 256)
                    tekst += static_cast<char>(tegn);
                break;
            }
        }
    }
    DPoint3d p1 = Elm.pointCount >= 2 ? DPoint3d{Elm.E[1], Elm.N[1], Elm.H[1]} : p0;
    RotMatrix rot;
    mdlRMatrix_fromAngle(&rot, Elm.angle);
    MSElement el; // filled by the call below
    if (mdlText_create(&el, nullptr, tekst.c_str(), &p1, &rot, &storrelse, &param) != 0) {
        MeldSkrivefeil(8, 0);
        return;
    }
    SettSymbologi(&el, gruppe, 1);
    LeggTilElement(&el);
}
