// Export of complex chains and shapes (their pieces, joined where they
// meet, and at level 4 a .TRASE or .FLATE that refers to them) and of
// areas from area cells and plain shapes, whose boundaries are found among
// the written elements by geometry.
//
// Sections: complex elements - the area point - areas - geometric identity.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "brukerdata.h"
#include "dgn/mdlcell.h"
#include "dgn/mdlelem.h"
#include "dgn/mdlscan.h"
#include "eksport.h"
#include "eksport_int.h"
#include "kartmotor.h"
#include "sys/mdlsys.h"
#include "zvlibtext.h"

using namespace eksport;

namespace {

DgnModelRefP aktiv() { return mdlModelRef_getActive(); }

// ---- complex elements ----------------------------------------------------------------------

#define MAKS_SKJOETER 100

struct Skjoeter {
    std::vector<int> liste; // components whose last point continues into the next
    int forrigeType = -1;
    int forrigePos = -1;
    DPoint3d forrigeSiste{};
    int pos = 0;
    DPoint3d pts[MAX_VERTICES];
};

int SjekkSammenhengendeDel(MSElement *el, void *arg, int operation, MSElementDescr *)
{
    auto *s = static_cast<Skjoeter *>(arg);
    if (operation != 1)
        return 0;
    const int denne = s->pos++;
    const int type = mdlElement_getType(el);
    int n = 0;
    if ((type != LINE_ELM && type != LINE_STRING_ELM && type != CURVE_ELM) ||
        mdlLinear_extract(s->pts, &n, el, aktiv()) != 0) {
        s->forrigeType = s->forrigePos = -1;
        return 0;
    }
    const int forste = type == CURVE_ELM ? 2 : 0;
    const int siste = type == CURVE_ELM ? n - 3 : n - 1;
    if (siste < 0 || forste > siste) {
        s->forrigeType = s->forrigePos = -1;
        return 0;
    }
    const DPoint3d &a = s->pts[forste];
    if (type == s->forrigeType && mindreEnnToleranse(fabs(a.x - s->forrigeSiste.x)) &&
        mindreEnnToleranse(fabs(a.y - s->forrigeSiste.y)) && mindreEnnToleranse(fabs(a.z - s->forrigeSiste.z)) &&
        s->liste.size() < MAKS_SKJOETER)
        s->liste.push_back(s->forrigePos);
    s->forrigeType = type;
    s->forrigeSiste = s->pts[siste];
    s->forrigePos = denne;
    return 0;
}

// The components whose last point continues into the next (at most 100).
std::vector<int> FinnSammenhengendeDeler(MSElementDescr *dscr)
{
    auto s = std::make_unique<Skjoeter>();
    mdlElmdscr_operation(dscr, SjekkSammenhengendeDel, s.get(), ELMD_ELEMENT);
    return std::move(s->liste);
}

struct Kompleks {
    const char *nivaanavn;
    std::vector<int> skjoeter;
    int pos = 0;
    bool venter = false;
    MSElement *forste = nullptr; // the run's first piece, inside the descriptor
    int forsteType = 0;
    bool medRef = false;
    std::vector<int32_t> ref;
    bool refFull = false;
};

void leggTilRef(Kompleks &k)
{
    if (!k.medRef)
        return;
    if (k.ref.size() >= EKSPORT_MAKS_REF) {
        if (!k.refFull)
            MeldEksportFeil(EKSPORT_FOR_MANGE_REF);
        k.refFull = true;
        return;
    }
    k.ref.push_back(Elm.serial);
}

void skrivKjoering(Kompleks &k)
{
    k.venter = false;
    if (SkrivZeraElement(k.forste, aktiv(), 0, k.forsteType, 0, k.nivaanavn))
        leggTilRef(k);
}

int punktTall(const MSElement *el)
{
    int n = mdlLinear_getPointCount(el);
    return mdlElement_getType(el) == CURVE_ELM ? std::max(0, n - 4) : n;
}

int EksporterKomponent(MSElement *el, void *arg, int operation, MSElementDescr *)
{
    auto *k = static_cast<Kompleks *>(arg);
    if (operation != 1)
        return 0;
    const int denne = k->pos++;
    if (k->venter && Elm.pointCount + punktTall(el) > EKSPORT_MAKS_PUNKTER) {
        // The next piece would not fit: the run ends before it.
        MeldEksportFeil(EKSPORT_FOR_MANGE_PUNKTER);
        skrivKjoering(*k);
    }
    const int dt = KlassifiserElement(el, aktiv(), k->nivaanavn, 0, k->venter ? 1 : 0);
    if (dt == 0)
        return 0;
    zvlib::copyText(Elm.level, k->nivaanavn);
    if (std::find(k->skjoeter.begin(), k->skjoeter.end(), denne) != k->skjoeter.end()) {
        if (!k->venter) {
            k->forste = el;
            k->forsteType = dt;
            k->venter = true;
        }
        return 0;
    }
    if (k->venter)
        skrivKjoering(*k);
    else if (SkrivZeraElement(el, aktiv(), 0, dt, 0, k->nivaanavn))
        leggTilRef(*k);
    return 0;
}

} // namespace

void EksporterKompleks(uint32_t filePos, MSElement *element, const char *nivaanavn, uint32_t graphicGroup, int type)
{
    (void)element;
    MSElementDescr *d = nullptr;
    if (mdlElmdscr_read(&d, filePos, aktiv(), 0, nullptr) == 0 || d == nullptr)
        return;
    const char *navn = nivaanavn ? nivaanavn : "";
    const bool nivaa4 = zeraNivaa() >= 4;
    Kompleks k;
    k.nivaanavn = navn;
    k.skjoeter = FinnSammenhengendeDeler(d);
    k.medRef = nivaa4;
    mdlElmdscr_operation(d, EksporterKomponent, &k, ELMD_ELEMENT);
    if (k.venter)
        skrivKjoering(k);
    if (!nivaa4) {
        LeggTilEksportIndeks(EksportSerienummer(), aktiv(), filePos, 0);
        mdlElmdscr_freeAll(&d);
        return;
    }
    tomElm();
    if (type == CMPLX_SHAPE_ELM)
        FinnFlatePunkt(d, graphicGroup);
    LesSymbologi(&d->el, aktiv());
    zvlib::copyText(Elm.level, navn);
    Elm.type = type == CMPLX_STRING_ELM ? ZERA_TRASE : ZERA_FLATE;
    for (size_t i = 0; i < k.ref.size(); i++) {
        Elm.ref[i] = k.ref[i];
        Elm.refGroup[i] = 0;
    }
    Elm.refCount = int16_t(k.ref.size());
    SkrivZeraElement(&d->el, aktiv(), 0, type, 0, navn);
    mdlElmdscr_freeAll(&d);
}

// ---- the area point ---------------------------------------------------------------------------

namespace {

// Texts move the point; the first cell sets it and ends the search.
void FinnFlatePunktIGruppe(uint32_t gg, DPoint3d &p)
{
    MdlScanContext lagret{};
    mdlScan_saveContext(&lagret);
    std::vector<uint32_t> celler, tekster, alle;
    gruppeElementer(gg, CELL_HEADER_ELM, celler);
    gruppeElementer(gg, TEXT_ELM, tekster);
    std::merge(celler.begin(), celler.end(), tekster.begin(), tekster.end(), std::back_inserter(alle));
    MSElement *el = buffer(3);
    for (uint32_t pos : alle) {
        if (mdlElement_read(el, aktiv(), pos) != 0)
            break;
        if (mdlElement_getType(el) == TEXT_ELM) {
            mdlText_extract(nullptr, 0, &p, nullptr, nullptr, nullptr, el);
        } else {
            mdlCell_extract(&p, nullptr, nullptr, 0, el);
            break;
        }
    }
    mdlScan_restoreContext(&lagret);
}

} // namespace

void FinnFlatePunkt(MSElementDescr *dscr, uint32_t graphicGroup)
{
    DPoint3d p{0, 0, 0};
    if (graphicGroup > 0) {
        FinnFlatePunktIGruppe(graphicGroup, p);
    } else if (dscr != nullptr) {
        DPoint3d c{};
        if (mdlMeasure_areaProperties(nullptr, nullptr, &c, dscr, 0.1) == 0) {
            p = c;
        } else {
            char tekst[256];
            snprintf(tekst, sizeof tekst,
                     "Error in Area: dgn2zera : FinnFlatePunkt: \nFeil i mdlMeasure_areaProperties. feilnr. %d\n"
                     "x=%f  y=%f  z=%f\n",
                     mdlErrno, p.x, p.y, p.z);
            mdlOutput_messageCenter(11, tekst);
        }
    }
    LagreKoordinater(&p, 1, false);
}

// ---- areas --------------------------------------------------------------------------------------

void EksporterFlateElement(uint32_t filePos)
{
    MSElement *el = buffer(0);
    if (el == nullptr || mdlElement_read(el, aktiv(), filePos) != 0)
        return;
    uint32_t level = 0, gg = 0;
    mdlElement_getProperties(&level, &gg, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, el);
    char navn[51];
    LesNivaanavn(navn, sizeof navn, aktiv(), level);
    switch (mdlElement_getType(el)) {
    case CELL_HEADER_ELM: EksporterFlateCelle(filePos, el, gg); break;
    case SHAPE_ELM: EksporterFlateFraForm(filePos, el, navn, gg); break;
    case CMPLX_STRING_ELM:
    case CMPLX_SHAPE_ELM: EksporterKompleks(filePos, el, navn, gg, mdlElement_getType(el)); break;
    default: break;
    }
}

namespace {

struct Flate {
    uint32_t gg;
    int oey = 0;
};

int SjekkFlateDel(MSElement *el, void *arg, int operation, MSElementDescr *)
{
    auto *f = static_cast<Flate *>(arg);
    int hull = 0;
    mdlElement_getProperties(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &hull, el);
    if (operation == 8) {
        if (hull == 1)
            f->oey++;
        return 0;
    }
    // A plain hole shape is an island of its own.
    if (mdlElement_getType(el) == SHAPE_ELM && hull == 1)
        f->oey++;
    if (f->gg == 0 || !FinnGrenseReferanser(el, f->gg, f->oey, 0))
        FinnGrenseReferanser(el, 0, f->oey, 0);
    return 0;
}

} // namespace

void EksporterFlateCelle(uint32_t filePos, MSElement *element, uint32_t graphicGroup)
{
    MSElementDescr *d = nullptr;
    if (mdlElmdscr_read(&d, filePos, aktiv(), 0, nullptr) == 0 || d == nullptr)
        return;
    char navn[51] = "";
    if (d->h.firstElem != nullptr) {
        uint32_t l = 0;
        mdlElement_getProperties(&l, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 &d->h.firstElem->el);
        LesNivaanavn(navn, sizeof navn, aktiv(), l);
    }
    tomElm();
    Elm.type = ZERA_FLATE;
    Elm.colour = -1;
    Flate f{graphicGroup};
    mdlElmdscr_operation(d, SjekkFlateDel, &f, ELMD_ELEMENT | ELMD_HEADER);
    FinnFlatePunkt(d, graphicGroup);
    zvlib::copyText(Elm.level, navn);
    SkrivZeraElement(element, aktiv(), 0, CELL_HEADER_ELM, 0, navn);
    mdlElmdscr_freeAll(&d);
}

void EksporterFlateFraForm(uint32_t filePos, MSElement *element, const char *nivaanavn, uint32_t graphicGroup)
{
    int32_t id = FinnEksportIdForFilpos(filePos, aktiv());
    if (id == 0)
        return;
    MSElementDescr *d = nullptr;
    if (mdlElmdscr_read(&d, filePos, aktiv(), 0, nullptr) == 0 || d == nullptr)
        return;
    tomElm();
    FinnFlatePunkt(d, graphicGroup);
    LesSymbologi(element, aktiv());
    zvlib::copyText(Elm.level, nivaanavn ? nivaanavn : "");
    Elm.type = ZERA_FLATE;
    Elm.ref[0] = id;
    Elm.refGroup[0] = 0;
    Elm.refCount = 1;
    SkrivZeraElement(element, aktiv(), 0, SHAPE_ELM, 0, nivaanavn);
    mdlElmdscr_freeAll(&d);
}

// ---- geometric identity ---------------------------------------------------------------------

namespace {

struct Punkter {
    DPoint3d a[MAX_VERTICES];
    DPoint3d b[MAX_VERTICES];
};
Punkter &punkter()
{
    static std::unique_ptr<Punkter> p(new Punkter);
    return *p;
}

bool naer(const DPoint3d &a, const DPoint3d &b) { return innenforToleranse(mdlVec_distance(&a, &b)); }

bool lineaer(int t)
{
    return t == LINE_ELM || t == LINE_STRING_ELM || t == SHAPE_ELM || t == CURVE_ELM || t == MULTILINE_ELM;
}

// The point the boundary search looks members up by.
bool oppslagspunkt(MSElement *el, DPoint3d &p)
{
    const int t = mdlElement_getType(el);
    if (lineaer(t)) {
        int n = 0;
        if (mdlLinear_extract(punkter().a, &n, el, aktiv()) != 0 || n < 1)
            return false;
        p = punkter().a[0];
        return true;
    }
    if (t == ARC_ELM || t == ELLIPSE_ELM) {
        DPoint3d ender[2], c;
        if (mdlArc_extract(ender, nullptr, nullptr, nullptr, nullptr, nullptr, &c, el) != 0)
            return false;
        p = t == ARC_ELM ? ender[0] : c;
        return true;
    }
    return false;
}

} // namespace

int FinnGrenseReferanser(MSElement *komponent, uint32_t graphicGroup, int oey, int kurve)
{
    DPoint3d p;
    if (komponent == nullptr || !oppslagspunkt(komponent, p))
        return 0;
    std::vector<int> kand;
    kandidater(p, kand);
    int antall = 0;
    const EksportIndeksPost *indeks = EksportIndeks(&antall);
    for (int i : kand) {
        if (i < 0 || i >= antall)
            continue;
        const EksportIndeksPost &m = indeks[i];
        if (graphicGroup > 0 && m.graphicGroup != graphicGroup)
            continue;
        int rev = 0;
        if (!ErSammeGeometri(komponent, m.filePos, m.modelRef, &rev, kurve))
            continue;
        const int32_t ref = rev ? -m.id : m.id;
        if (Elm.refCount > 0 && Elm.ref[Elm.refCount - 1] == ref && Elm.refGroup[Elm.refCount - 1] == oey &&
            ErSkjoetetId(ref))
            return 1; // the next piece of the same curve
        if (Elm.refCount >= EKSPORT_MAKS_REF) {
            MeldEksportFeil(EKSPORT_FOR_MANGE_REF);
            return 1;
        }
        Elm.ref[Elm.refCount] = ref;
        Elm.refGroup[Elm.refCount] = int16_t(oey);
        Elm.refCount++;
        return 1;
    }
    return 0;
}

int ErSammeGeometri(MSElement *a, uint32_t filePos, DgnModelRefP model, int *reversert, int kurve)
{
    static std::unique_ptr<MSElement> bBuf(new MSElement);
    MSElement *b = bBuf.get();
    if (reversert)
        *reversert = 0;
    if (a == nullptr || mdlElement_read(b, model, filePos) != 0)
        return 0;
    const int ta = mdlElement_getType(a), tb = mdlElement_getType(b);
    if (!(ta == tb || (ta == LINE_STRING_ELM && tb == LINE_ELM) || (kurve && ta == LINE_STRING_ELM && tb == CURVE_ELM)))
        return 0;
    int rev = 0;
    if (lineaer(ta)) {
        Punkter &p = punkter();
        int na = 0, nb = 0;
        if (mdlLinear_extract(p.a, &na, a, aktiv()) != 0 || mdlLinear_extract(p.b, &nb, b, model) != 0)
            return 0;
        if (ta == LINE_STRING_ELM && tb == CURVE_ELM) {
            // Only the GIS build compares a line string with a curve's
            // points; here that comparison never matches.
            return 0;
        }
        if (na < nb && nb > 2 && nb <= na + 2) {
            // Points that repeat their neighbours: the earlier one goes.
            bool endret = true;
            while (endret && nb > 1) {
                endret = false;
                int m = 0;
                for (int i = 0; i < nb; i++) {
                    if (i + 1 < nb && mindreEnnToleranse(mdlVec_distance(&p.b[i], &p.b[i + 1]))) {
                        endret = true;
                        continue;
                    }
                    p.b[m++] = p.b[i];
                }
                nb = m;
            }
        }
        if (na != nb || na < 1)
            return 0;
        bool fram = true;
        for (int i = 0; i < na && fram; i++)
            fram = naer(p.a[i], p.b[i]);
        if (!fram) {
            for (int i = 0; i < na; i++)
                if (!naer(p.a[i], p.b[na - 1 - i]))
                    return 0;
            rev = 1;
        }
    } else if (ta == ELLIPSE_ELM || ta == ARC_ELM) {
        DPoint3d ea[2], eb[2], ca, cb;
        double a1 = 0, a2 = 0, b1 = 0, b2 = 0;
        if (mdlArc_extract(ea, nullptr, nullptr, &a1, &a2, nullptr, &ca, a) != 0 ||
            mdlArc_extract(eb, nullptr, nullptr, &b1, &b2, nullptr, &cb, b) != 0)
            return 0;
        if (fabs(a1 - b1) > 0.0001 || fabs(a2 - b2) > 0.0001)
            return 0;
        if (!(naer(ea[0], eb[0]) && naer(ea[1], eb[1]) && naer(ca, cb))) {
            if (!(naer(eb[1], ea[0]) && naer(eb[0], ea[1]) && naer(ca, cb)))
                return 0;
            rev = 1;
        }
    } else {
        return 0;
    }
    if (reversert)
        *reversert = rev;
    return 1;
}
