// The import's element writer: dgnput_elm and the writers of points, lines,
// curves, arcs, circles and texts; levels and symbology, the fence, the ZERA
// id linkage, the label and coordinate side files, and the registration of
// what could not be written.
//
// Sections: state - messages - levels and symbology - side files and
// linkage - adding - points - lines and curves - arcs, circles, texts -
// dgnput_elm.
#include "dgnskriv.h"
#include "dgnskriv_int.h"

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <unordered_map>
#include <vector>

#include "brukerdata.h"
#include "gittepunkter.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zeratagger.h"
#include "zvliberror.h"
#include "zvlibcell.h"
#include "zvlibelement.h"
#include "zvlibtext.h"
#include "zvlibutil.h"
#include "zvzera.h"

// ---- state -----------------------------------------------------------------------
int32_t forrigeSerienummer = -1;
int32_t forrigeType = -1;
int32_t ukjentTema = 0;
int32_t sisteFlateSerienummer = 0;
int32_t flateGruppe = 0;
MdlClipDescr *gjerdeOmraade = nullptr;
int32_t gjerdeVisning = 0;
int32_t gjerdeKlipp = 0;
int32_t gjerdeOverlapp = 0;

namespace {

constexpr int MAKS_STYKKE = MAX_VERTICES;           // points of a line string piece
constexpr int MAKS_KURVESTYKKE = MAX_CURVE_POINTS;  // given points of a curve piece
constexpr int MELDINGER = 5;                        // list of the file-error boxes
constexpr int BOKS_STIL = 17;
constexpr double UOR_PER_CELLEENHET = 0.0001;       // cell libraries: 10,000 UOR per master unit
constexpr const char16_t *UDEFINERT = u"UnDefined";
constexpr const char16_t *KRYSS = u"Kryss";

// The file's heights were named once as not kept in a 2D design.
bool hoyderI2dMeldt = false;

// What the next element written cannot hold of the group, appended to it
// as the given-points linkage; empty when it holds all.
Gitte ventendeGitte;
bool harVentendeGitte = false;

GittPunkt gittPunkt(int i) { return GittPunkt{Elm.N[i], Elm.E[i], Elm.H[i], Elm.kp[i]}; }

// The next element keeps the points of Elm at these indexes.
void gi(std::initializer_list<int> indekser, uint16_t stykke = 0, uint16_t stykker = 0)
{
    ventendeGitte = Gitte{};
    ventendeGitte.serie = Elm.serial;
    ventendeGitte.stykke = stykke;
    ventendeGitte.stykker = stykker;
    for (int i : indekser)
        ventendeGitte.punkter.push_back(gittPunkt(i));
    harVentendeGitte = true;
}

// True while the current hand-over is the element's first: the index
// takes each written piece of an element once, whatever its first theme.
bool forsteOverlevering = true;
// The file error that stopped the run (zeraSkriverStoppetAv).
int stoppetAv = 0;

// Descriptions already given to levels in this run, so a level is not
// rewritten for every element of its theme.
std::unordered_map<uint32_t, std::string> &nivaaBeskrivelser()
{
    static std::unordered_map<uint32_t, std::string> m;
    return m;
}

int typeIndeks()
{
    return (Elm.type >= 1 && Elm.type <= ZERA_TYPE_COUNT) ? Elm.type - 1 : -1;
}

DPoint3d punkt(int i) { return DPoint3d{Elm.E[i], Elm.N[i], Elm.H[i]}; }

int antallPunkter()
{
    int n = Elm.pointCount;
    return n < 0 ? 0 : (n > ZERA_MAX_POINTS ? ZERA_MAX_POINTS : n);
}

std::u16string tilBred(const char *tekst)
{
    std::u16string s;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(tekst); *p; ++p)
        s += static_cast<char16_t>(*p); // ISO 8859-1 is the first 256 code points
    return s;
}

std::string tilSmal(const char16_t *tekst, size_t maks)
{
    std::string s;
    for (size_t i = 0; i < maks && tekst[i]; ++i)
        s += tekst[i] < 256 ? static_cast<char>(tekst[i]) : '?';
    return s;
}

} // namespace

extern "C" {

// ---- messages --------------------------------------------------------------------

void MeldSkrivefeil(int kode, int status)
{
    (void)status; // the register keeps the element's place, not the host's code
    Bmw.type = BMW_ERROR;
    zvlib::copyText(Bmw.acc_txt_rutnam, "ZERA2DGN");
    Bmw.acc_txt_number = static_cast<int16_t>(kode + 20);
    int t = typeIndeks();
    if (t >= 0)
        Bmw.errors[t]++;
    bmwput_elm();
}

void MeldTemaFeil(int kode)
{
    zvlib::copyText(Bmw.acc_txt_rutnam, "MSTEMTAB");
    Bmw.acc_txt_number = static_cast<int16_t>(kode);
    int16_t k = static_cast<int16_t>(Elm.themeCount > 0 ? Elm.themeCount - 1 : 0);
    bmwput_tem(&k);
    if (Elm.type > 0) {
        int t = typeIndeks();
        if (t >= 0)
            Bmw.notImported[t]++;
    }
}

// ---- levels and symbology ----------------------------------------------------------

namespace {

// The first run of digits of a level name, or "".
std::string forsteSiffer(const std::string &navn)
{
    size_t a = navn.find_first_of("0123456789");
    if (a == std::string::npos)
        return "";
    size_t b = navn.find_first_not_of("0123456789", a);
    return navn.substr(a, b == std::string::npos ? std::string::npos : b - a);
}

// Fills Elm's missing theme code or object type from the level library.
void fyllFraNivaabibliotek(bool manglerTema, bool manglerObjtype)
{
    DgnModelRefP bibliotek = mdlLevelLibrary_getModelRef();
    if (bibliotek == MDLHOST_NO_MODEL)
        return;
    LevelIterator *it = mdlLevelIterator_create(bibliotek);
    if (it == nullptr)
        return;
    constexpr int LEN = 100; // names and descriptions are read to 100 characters
    for (uint32_t id = mdlLevelIterator_getNext(it); id != LEVEL_NULL_ID; id = mdlLevelIterator_getNext(it)) {
        char16_t navn16[LEN + 1] = {}, beskr16[LEN + 1] = {};
        if (mdlLevel_getName(navn16, LEN + 1, bibliotek, id) != 0)
            continue;
        if (mdlLevel_getDescription(beskr16, LEN + 1, bibliotek, id) != 0)
            beskr16[0] = 0;
        std::string navn = tilSmal(navn16, LEN), beskr = tilSmal(beskr16, LEN);
        std::string siffer = forsteSiffer(navn);
        if (manglerTema && zeraSammeNavn(beskr.c_str(), Elm.objtype)) {
            if (!siffer.empty()) {
                zvlib::copyText(Elm.theme[0], siffer);
                if (Elm.themeCount < 1)
                    Elm.themeCount = 1;
            }
            break;
        }
        if (manglerObjtype && !siffer.empty() && zeraSammeNavn(siffer.c_str(), Elm.theme[0])) {
            zvlib::copyText(Elm.objtype, beskr);
            break;
        }
    }
    mdlLevelIterator_free(it);
}

void fyllFraTematabell(bool manglerTema, bool manglerObjtype)
{
    const char *bokstav = FinnZeraElementType(Elm.type);
    for (int r = 0; r < Mstemtab.rowCount && r < MT_MAX_ROWS; ++r) {
        if (strcmp(Mstemtab.datatype[r], bokstav) != 0)
            continue;
        if (manglerTema && zeraSammeNavn(Mstemtab.objtype[r], Elm.objtype)) {
            zvlib::copyText(Elm.theme[0], Mstemtab.tema[r]);
            if (Elm.themeCount < 1)
                Elm.themeCount = 1;
            return;
        }
        if (manglerObjtype && zeraSammeNavn(Mstemtab.tema[r], Elm.theme[0])) {
            zvlib::copyText(Elm.objtype, Mstemtab.objtype[r]);
            return;
        }
    }
}

} // namespace

uint32_t FinnNivaa(void)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (ukjentTema)
        return zvlibUtil_levelIdFromNameExtended(UDEFINERT, 0, 1, static_cast<uint32_t>(d.standardFarge),
                                                 static_cast<uint32_t>(d.standardVekt), d.standardStil);
    bool manglerTema = Elm.theme[0][0] == '\0';
    bool manglerObjtype = Elm.objtype[0] == '\0';
    if (manglerTema || manglerObjtype) {
        if (d.brukDgnlib)
            fyllFraNivaabibliotek(manglerTema, manglerObjtype);
        else
            fyllFraTematabell(manglerTema, manglerObjtype);
    }
    std::string navn(Elm.theme[0], strnlen(Elm.theme[0], sizeof Elm.theme[0]));
    // An element known by its object type alone goes on its row's level, so
    // that object types stay apart in the design and the export can match
    // them by level; theme 0 is no theme.
    bool utenTema = navn.empty() || strtol(navn.c_str(), nullptr, 10) == 0;
    if (manglerTema && utenTema && Elm.level[0] != '\0')
        navn.assign(Elm.level, strnlen(Elm.level, sizeof Elm.level));
    else if (d.nivaaMedTypebokstav)
        navn += FinnZeraElementType(Elm.type);
    uint32_t id = zvlibUtil_levelIdFromNameExtended(tilBred(navn.c_str()).c_str(), 0, 1,
                                                    static_cast<uint32_t>(Elm.colour),
                                                    static_cast<uint32_t>(Elm.weight), Elm.style);
    if (id != LEVEL_NULL_ID && Elm.objtype[0] != '\0') {
        std::string beskr(Elm.objtype, strnlen(Elm.objtype, 50));
        auto &kjent = nivaaBeskrivelser();
        auto it = kjent.find(id);
        if (it == kjent.end() || it->second != beskr) {
            mdlLevel_setDescription(MDLHOST_NO_MODEL, id, tilBred(beskr.c_str()).c_str());
            kjent[id] = beskr;
        }
    }
    return id;
}

void SettSymbologi(MSElement *element, uint32_t gruppe, int brukGruppe)
{
    zeraBrukerGrensesnittData &d = zeraData();
    uint32_t nivaa = FinnNivaa();
    if (d.symbologiFraTema) {
        uint32_t farge = static_cast<uint32_t>(ukjentTema ? d.standardFarge : Elm.colour);
        uint32_t vekt = static_cast<uint32_t>(ukjentTema ? d.standardVekt : Elm.weight);
        int32_t stil = ukjentTema ? d.standardStil : Elm.style;
        mdlElement_setSymbology(element, &farge, &vekt, &stil);
    } else {
        zvlibElement_setSymbologyByLevel(element);
    }
    int solid = 0;
    mdlElement_setProperties(element, &nivaa, brukGruppe ? &gruppe : nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, &solid);
}

// ---- side files and linkage ---------------------------------------------------------

namespace {

// The label record of the current element.  rest is split from a copy, so
// the tags written after it see it whole.
void skrivEtikett(FILE *f, uint16_t a1, uint16_t a2)
{
    if (f == nullptr)
        return;
    char navn[16] = "";
    FinnZeraElementNavn(navn, Elm.type);
    const char *gruppe = navn[0] == '.' ? navn + 1 : navn;
    fprintf(f, "lbl{0 0 %d %d text {\n", a1, a2);
    fprintf(f, "%s: %d\n", gruppe, Elm.serial);
    const char *bokstav = FinnZeraElementType(Elm.type);
    for (int k = 0; k < Elm.themeCount && k < ZERA_MAX_THEMES; ++k)
        fprintf(f, "%sTEMA: %.*s\n", bokstav, (int)sizeof Elm.theme[k], Elm.theme[k]);
    if (Elm.dato > 0)
        fprintf(f, "DATO: %ld\n", static_cast<long>(Elm.dato));
    int siste = -1;
    for (int i = 0; i < ZERA_KVALITET_COUNT; ++i)
        if (Elm.kvalitet[i] != 0)
            siste = i;
    if (siste >= 0) {
        std::string kv;
        for (int i = 0; i <= siste; ++i)
            kv += Elm.kvalitet[i] < -9 ? std::string(" 0")
                  : Elm.kvalitet[i] < 0 ? std::string(" *")
                                        : " " + std::to_string(Elm.kvalitet[i]);
        fprintf(f, "KVALITET:%s\n", kv.c_str());
    }
    if (Elm.komm > 0)
        fprintf(f, "KOMM: %d\n", Elm.komm);
    if (Elm.hob > 0)
        fprintf(f, "HOB: %f\n", Elm.hob);
    if (Elm.medium[0])
        fprintf(f, "MEDIUM: %.*s\n", (int)sizeof Elm.medium, Elm.medium);
    if (Elm.href[0])
        fprintf(f, "HREF: %.*s\n", (int)sizeof Elm.href, Elm.href);
    if (Elm.status[0])
        fprintf(f, "STATUS: %.*s\n", (int)sizeof Elm.status, Elm.status);
    std::string kopi(Elm.rest, strnlen(Elm.rest, sizeof Elm.rest));
    char *lagre = nullptr;
    for (char *n = strtok_r(kopi.data(), ". \n", &lagre); n != nullptr; n = strtok_r(nullptr, ". \n", &lagre)) {
        char *verdi = strtok_r(nullptr, "\n", &lagre);
        if (strcmp(n, "KVALITET") == 0 || strcmp(n, "MEDIUM") == 0)
            continue;
        fprintf(f, "%s: %s\n", n, verdi ? verdi : "");
    }
    fputs("}}\n", f);
}

void skrivKoordinater()
{
    FILE *f = zeraData().xyzFil;
    if (!zeraData().lagXyzFil || f == nullptr || Elm.type >= 10)
        return;
    int n = antallPunkter();
    for (int i = 0; i < n; ++i)
        fprintf(f, "%.3f %.3f %.3f\n", Elm.E[i], Elm.N[i], Elm.H[i]);
}

// The ZERA id linkage: a four-word user linkage, identifier 0.
int leggTilZeraIdLinkage(MSElement *element)
{
    LinkageHeader hdr{0, 0};
    if (mdlLinkage_setWords(&hdr, 4) != 0)
        return -1;
    uint16_t ord[2] = {zeraIdOrd1(), zeraIdOrd2()};
    return mdlLinkage_appendToElement(element, &hdr, ord);
}

void LeggTilZeraIdLinkage(MSElement *element)
{
    if (!zeraData().lagEtikettfil || Elm.serial <= 0)
        return;
    leggTilZeraIdLinkage(element);
    skrivEtikett(zeraData().etikettfil, zeraIdOrd1(), zeraIdOrd2());
}

// After a failed add: the run stops on a file error, with a box when a
// user is watching.
int etterFeiletAdd(int feil)
{
    MeldSkrivefeil(1, feil);
    if (feil != DGNERR_DISKFULL && feil != DGNERR_READONLY && feil != DGNERR_FILEFULL)
        return 0;
    stoppetAv = feil;
    if (!batchModus)
        zvlibError_rscMsgBoxPrintf(BOKS_STIL, MELDINGER, -feil, Elm.serial, zeraData().zeraFil);
    return -1;
}

} // namespace

// ---- adding ------------------------------------------------------------------------

int LeggTilElementBeskrivelse(MSElementDescr **beskrivelse)
{
    if (beskrivelse == nullptr || *beskrivelse == nullptr)
        return 0;
    zeraBrukerGrensesnittData &d = zeraData();
    if (gjerdeOmraade != nullptr) {
        int overlapp = (gjerdeKlipp || gjerdeOverlapp) ? 1 : 0;
        int hvor = mdlClip_isElemInside(*beskrivelse, gjerdeOmraade, gjerdeVisning, overlapp);
        if (hvor != MDLCLIP_INSIDE && hvor != MDLCLIP_CROSSING)
            return 0;
        if (gjerdeKlipp && hvor == MDLCLIP_CROSSING) {
            MSElementDescr *inni = nullptr;
            if (mdlClip_element(&inni, nullptr, *beskrivelse, MDLHOST_NO_MODEL, gjerdeOmraade, gjerdeVisning) == 0 &&
                inni != nullptr) {
                mdlElmdscr_freeAll(beskrivelse);
                *beskrivelse = inni;
            }
        }
    }
    LeggTilZeraIdLinkage(&(*beskrivelse)->el);
    if (harVentendeGitte) {
        // An element too large for it is still written, as today.
        LeggTilGitte(&(*beskrivelse)->el, ventendeGitte);
        harVentendeGitte = false;
    }
    skrivKoordinater();
    if (d.visUnderveis)
        mdlElmdscr_display(*beskrivelse, MDLHOST_NO_MODEL, 0);
    uint32_t pos = mdlElmdscr_add(*beskrivelse);
    if (pos == 0)
        return etterFeiletAdd(mdlErrno);
    if (d.lagreEgenskaper) {
        ElementID id = SkrivZeraTagger(pos);
        if (id != 0) {
            MSElement les; // filled by the call below
            uint32_t ny = mdlAssoc_getElement(&les, id, MDLHOST_NO_MODEL);
            if (ny != 0)
                pos = ny;
        }
    }
    if (forsteOverlevering)
        LeggTilElementIndeks(pos, mdlModelRef_getActive());
    return 0;
}

int LeggTilElement(MSElement *element)
{
    MSElementDescr *dscr = nullptr;
    if (mdlElmdscr_new(&dscr, nullptr, element) != 0)
        return etterFeiletAdd(mdlErrno);
    int rc = LeggTilElementBeskrivelse(&dscr);
    mdlElmdscr_freeAll(&dscr);
    return rc;
}

// ---- points ------------------------------------------------------------------------

namespace {

bool punktUtenforGjerde(const DPoint3d &p)
{
    MSElement linje; // filled by the call below
    DPoint3d pts[2] = {p, p};
    if (mdlLine_create(&linje, nullptr, pts) != 0)
        return false;
    MSElementDescr *dscr = nullptr;
    if (mdlElmdscr_new(&dscr, nullptr, &linje) != 0)
        return false;
    int overlapp = (gjerdeKlipp || gjerdeOverlapp) ? 1 : 0;
    int hvor = mdlClip_isElemInside(dscr, gjerdeOmraade, gjerdeVisning, overlapp);
    mdlElmdscr_freeAll(&dscr);
    return hvor != MDLCLIP_INSIDE && hvor != MDLCLIP_CROSSING;
}

} // namespace

int SkrivPunktSymbol(uint16_t ord1, uint16_t ord2, uint32_t gruppe, int delt)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (antallPunkter() < 1)
        return 0;
    DPoint3d origo = punkt(0);
    if (gjerdeOmraade != nullptr && punktUtenforGjerde(origo))
        return 0;
    double uorPerMaster = mdlModelRef_getUorPerMaster(mdlModelRef_getActive());
    double sx = ukjentTema ? d.standardCelleskala : Elm.cellScaleX;
    double sy = ukjentTema ? d.standardCelleskala : Elm.cellScaleY;
    double faktor = d.symbolSkala * uorPerMaster * UOR_PER_CELLEENHET;
    DPoint3d skala{sx * faktor, sy * faktor, 1.0};
    RotMatrix rot;
    mdlRMatrix_fromAngle(&rot, Elm.angle);
    if (zvlibCell_loadCellLibraryIfNeeded(d.cellebibliotekNavn) != 0) {
        MeldSkrivefeil(12, 0);
        return 0;
    }
    if (ukjentTema) {
        size_t n = 0;
        while (n + 1 < ZERA_CELL_LEN && d.standardPunktcelle[n])
            ++n;
        memcpy(Elm.cell, d.standardPunktcelle, n * sizeof(char16_t));
        Elm.cell[n] = 0;
    }
    // The cell checked is the cell placed.
    const char16_t *celle = Elm.cell[0] ? Elm.cell : KRYSS;
    if (!mdlCell_existsInLibrary(celle)) {
        MeldSkrivefeil(9, 0);
        return 0;
    }
    MSElement el; // filled by the call below
    // SettSymbologi below finds (or makes) the level and gives it.
    if (mdlSharedCell_create(&el, 57, &origo, &rot, &skala, celle, LEVEL_NULL_ID) != 0) {
        MeldSkrivefeil(9, mdlErrno);
        return 0;
    }
    // The definition is copied into the design: a write like the add.
    if (mdlSharedCell_makeSureDefExists(celle, MDLHOST_NO_MODEL) != 0) {
        if (mdlErrno == DGNERR_NOTFOUND) {
            MeldSkrivefeil(9, mdlErrno);
            return 0;
        }
        return etterFeiletAdd(mdlErrno);
    }
    mdlSharedCell_setRange(&el, MDLHOST_NO_MODEL);
    SettSymbologi(&el, gruppe, gruppe != 0);
    skrivKoordinater();
    bool etikett = d.lagEtikettfil && Elm.serial > 0;
    uint32_t pos = 0;
    if (delt) {
        if (etikett) {
            leggTilZeraIdLinkage(&el);
            skrivEtikett(d.etikettfil, ord1, ord2);
        }
        if (harVentendeGitte) {
            LeggTilGitte(&el, ventendeGitte);
            harVentendeGitte = false;
        }
        if (d.visUnderveis) {
            MSElementDescr *vis = nullptr;
            if (mdlElmdscr_new(&vis, nullptr, &el) == 0)
                mdlElmdscr_display(vis, MDLHOST_NO_MODEL, 0);
            mdlElmdscr_freeAll(&vis);
        }
        pos = mdlElement_add(&el);
    } else {
        MSElementDescr *celleDscr = nullptr;
        if (mdlSharedCell_toNormalCell(&celleDscr, &el, MDLHOST_NO_MODEL) != 0 || celleDscr == nullptr) {
            MeldSkrivefeil(9, mdlErrno);
            return 0;
        }
        if (etikett) {
            leggTilZeraIdLinkage(&celleDscr->el);
            skrivEtikett(d.etikettfil, ord1, ord2);
        }
        if (harVentendeGitte) {
            LeggTilGitte(&celleDscr->el, ventendeGitte);
            harVentendeGitte = false;
        }
        if (d.visUnderveis)
            mdlElmdscr_display(celleDscr, MDLHOST_NO_MODEL, 0);
        pos = mdlElmdscr_add(celleDscr);
        mdlElmdscr_freeAll(&celleDscr);
    }
    if (pos == 0)
        return etterFeiletAdd(mdlErrno);
    if (d.lagreEgenskaper)
        SkrivZeraTagger(pos);
    return 0;
}

int SkrivPunktSomLinje(void)
{
    if (antallPunkter() < 1)
        return 0;
    DPoint3d pts[2] = {punkt(0), punkt(0)};
    MSElement el; // filled by the call below
    if (mdlLine_create(&el, nullptr, pts) != 0) {
        MeldSkrivefeil(3, mdlErrno);
        return 0;
    }
    SettSymbologi(&el, 0, 0);
    return LeggTilElement(&el);
}

// ---- lines and curves ------------------------------------------------------------------

namespace {

bool manglerHoyde()
{
    if (Elm.hasHoyde)
        return false;
    int n = antallPunkter();
    for (int i = 0; i < n; ++i)
        if (std::fabs(Elm.H[i]) > 0.0001)
            return false;
    return true;
}

int skrivLinjestykke(std::vector<DPoint3d> &pts, bool kurve)
{
    int n = static_cast<int>(pts.size());
    std::vector<DPoint3d> uor(pts.size());
    mdlCurrTrans_transformPointArray(uor.data(), pts.data(), n);
    MSElement el; // filled by the call below
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    int rc = kurve ? mdlCurve_create(&el, nullptr, uor.data(), n) : mdlLineString_create(&el, nullptr, uor.data(), n);
    mdlCurrTrans_end();
    if (rc != 0) {
        MeldSkrivefeil(kurve ? 2 : 5, mdlErrno);
        return 0;
    }
    SettSymbologi(&el, 0, 0);
    return LeggTilElement(&el);
}

int skrivLinje(bool kurve)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (d.hoppOverLinjerUtenHoyde && manglerHoyde()) {
        MeldTemaFeil(37);
        if (forsteOverlevering)
            LeggTilElementIndeks(0, MDLHOST_NO_MODEL);
        return 0;
    }
    int n = antallPunkter();
    int grense = MAKS_STYKKE;
    if (kurve) {
        if (n == 2 || d.kurverSomLinjer)
            kurve = false;
        else
            grense = MAKS_KURVESTYKKE;
    }
    // Each piece from its first to its last point; the next starts on the
    // last.  An inner node point ends a piece.
    std::vector<std::pair<int, int>> deler;
    int start = 0;
    for (int i = 0; i < n; ++i) {
        int s = i - start + 1;
        bool skriv = s == grense || (Elm.kp[i] > 0 && i != 0 && i != n - 1) ||
                     (kurve && n - 1 - i == 2 && s + 1 == grense);
        if (!skriv)
            continue;
        deler.emplace_back(start, i);
        start = i == n - 1 ? n : i; // nothing follows the element's last point
    }
    if (n - start > 1)
        deler.emplace_back(start, n - 1);
    const int m = static_cast<int>(deler.size());
    std::vector<DPoint3d> stykke;
    int resultat = 0;
    for (int k = 0; k < m; ++k) {
        stykke.clear();
        for (int i = deler[k].first; i <= deler[k].second; ++i)
            stykke.push_back(punkt(i));
        // A split element keeps its pieces' order and node codes, so the
        // export can join it again; a whole one only its end codes.
        if (m > 1 && m <= 0xFFFF)
            gi({deler[k].first, deler[k].second}, static_cast<uint16_t>(k + 1), static_cast<uint16_t>(m));
        else if (m == 1 && (Elm.kp[deler[k].first] != 0 || Elm.kp[deler[k].second] != 0))
            gi({deler[k].first, deler[k].second});
        resultat = skrivLinjestykke(stykke, kurve);
        harVentendeGitte = false;
        if (resultat < 0)
            return resultat;
    }
    return resultat;
}

// ---- arcs, circles, texts --------------------------------------------------------------

int lagBue(MSElement &el, const DPoint3d &start, const DPoint3d &midt, const DPoint3d &slutt)
{
    return mdlArc_createByPoints(&el, nullptr, &start, &midt, &slutt);
}

// Heights the arc's plane cannot hold (and node codes) go with the
// linkage; the arc is the circle in plan at its start's height.
bool hoyderUlike(std::initializer_list<int> indekser)
{
    for (int i : indekser)
        if (std::fabs(Elm.H[i] - Elm.H[*indekser.begin()]) > 0.0001)
            return true;
    return false;
}

int skrivBue()
{
    if (antallPunkter() < 3)
        return 0;
    // From the first point to the second, clockwise for a positive radius,
    // so the line keeps its direction.
    DPoint3d p[3] = {punkt(0), punkt(2), punkt(1)};
    const int motUrviser = Elm.radius < 0 ? 1 : 0;
    bool tredim = mgds_modesP->is3D != 0;
    if (tredim) {
        if (std::fabs(p[0].z - p[2].z) > 0.1)
            p[1].z = p[2].z = p[0].z;
        else
            p[1].z = (p[0].z + p[2].z) / 2.0;
    }
    // The points and the radius are both master units here.
    double radius = std::fabs(Elm.radius);
    if (tredim && mdlVec_distance(&p[0], &p[2]) > 2.0 * radius) {
        MeldSkrivefeil(6, 0);
        return 0;
    }
    MSElement el; // filled by the call below
    if (mdlArc_createByCenter(&el, nullptr, &p[0], &p[1], &p[2], motUrviser, radius) != 0) {
        MeldSkrivefeil(6, 0);
        return 0;
    }
    if (hoyderUlike({0, 1}) || Elm.kp[0] != 0 || Elm.kp[1] != 0)
        gi({0, 1});
    SettSymbologi(&el, 0, 0);
    int rc = LeggTilElement(&el);
    harVentendeGitte = false;
    return rc;
}

int skrivBuePunkter(bool sirkel)
{
    if (antallPunkter() < 3)
        return 0;
    DPoint3d p[3] = {punkt(0), punkt(1), punkt(2)};
    const bool ulike = !sirkel && hoyderUlike({0, 1, 2});
    if (ulike)
        p[1].z = p[2].z = p[0].z;
    MSElement el; // filled by the call below
    int rc = sirkel ? mdlCircle_createBy3Pts(&el, nullptr, p) : lagBue(el, p[0], p[1], p[2]);
    if (rc != 0) {
        MeldSkrivefeil(sirkel ? 7 : 6, 0);
        return 0;
    }
    if (ulike || (!sirkel && (Elm.kp[0] != 0 || Elm.kp[2] != 0)))
        gi({0, 1, 2});
    SettSymbologi(&el, 0, 0);
    rc = LeggTilElement(&el);
    harVentendeGitte = false;
    return rc;
}

int skrivSirkel()
{
    if (antallPunkter() < 1)
        return 0;
    DPoint3d c = punkt(0);
    double r = std::fabs(Elm.radius);
    MSElement el; // filled by the call below
    if (mdlEllipse_create(&el, nullptr, &c, r, r, nullptr, 0) != 0) {
        MeldSkrivefeil(7, 0);
        return 0;
    }
    SettSymbologi(&el, 0, 0);
    return LeggTilElement(&el);
}

} // namespace

namespace {

int skrivTekst()
{
    int n = antallPunkter();
    if (n < 1)
        return 0;
    // Three or more points: the text stands on its baseline from point 2
    // (its angle from 2 to 3); the reference point and the rest are kept
    // with the linkage.
    DPoint3d origo = punkt(n >= 2 ? 1 : 0);
    TextSizeParam storrelse{};
    TextParam param{};
    zeraTekstParametre(&storrelse, &param);
    RotMatrix rot;
    mdlRMatrix_fromAngle(&rot, Elm.angle);
    // Elm.text is ISO 8859-1 already (the engine converts the file's set),
    // so a bracket stays a bracket.  A trailing blank is part of the text
    // (a name made of two texts); only a line end goes.
    std::string tekst(Elm.text, strnlen(Elm.text, sizeof Elm.text));
    while (!tekst.empty() && (tekst.back() == '\n' || tekst.back() == '\r'))
        tekst.pop_back();
    MSElement el; // filled by the call below
    if (mdlText_create(&el, nullptr, tekst.c_str(), &origo, &rot, &storrelse, &param) != 0) {
        MeldSkrivefeil(8, 0);
        return 0;
    }
    bool flatensTekst = Elm.serial == sisteFlateSerienummer && sisteFlateSerienummer != 0;
    SettSymbologi(&el, static_cast<uint32_t>(flateGruppe), flatensTekst);
    if (n >= 3) {
        ventendeGitte = Gitte{};
        ventendeGitte.serie = Elm.serial;
        for (int i = 0; i < n && i < GITTE_MAKS_PUNKTER; ++i)
            ventendeGitte.punkter.push_back(gittPunkt(i));
        harVentendeGitte = true;
    }
    int rc = LeggTilElement(&el);
    harVentendeGitte = false;
    return rc;
}

} // namespace

// ---- dgnput_elm ------------------------------------------------------------------

namespace {

// A 2D design keeps no heights: the report says so once per file, at the
// first element that has them.
void meldHoyderI2d()
{
    if (hoyderI2dMeldt || mgds_modesP == nullptr || mgds_modesP->is3D || Elm.type < ZERA_PUNKT ||
        Elm.type > ZERA_TEKST || manglerHoyde())
        return;
    hoyderI2dMeldt = true;
    Bmw.type = BMW_ERROR;
    zvlib::copyText(Bmw.acc_txt_rutnam, "ZERA2DGN");
    Bmw.acc_txt_number = 34;
    bmwput_elm();
}

// Point 0 of Elm in the chosen point mode.
int skrivPunkt()
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (d.punktModus == 2)
        return SkrivPunktSomLinje();
    return SkrivPunktSymbol(zeraIdOrd1(), zeraIdOrd2(), 0, d.punktModus == 1 ? 0 : 1);
}

// A swarm is one point element per point, each carrying the swarm's
// serial, linkage and tags; the index takes the swarm once.
int skrivSverm()
{
    int n = antallPunkter();
    if (n <= 1)
        return skrivPunkt();
    const double e0 = Elm.E[0], n0 = Elm.N[0], h0 = Elm.H[0];
    const int32_t antall = Elm.pointCount;
    const bool forste = forsteOverlevering;
    int resultat = 0;
    for (int i = 0; i < n && resultat >= 0; ++i) {
        Elm.E[0] = Elm.E[i];
        Elm.N[0] = Elm.N[i];
        Elm.H[0] = Elm.H[i];
        Elm.pointCount = 1;
        // Point i + 1 of n: the export joins them into the swarm again.
        if (n <= UINT16_MAX)
            gi({0}, static_cast<uint16_t>(i + 1), static_cast<uint16_t>(n));
        resultat = skrivPunkt();
        Elm.E[0] = e0;
        Elm.N[0] = n0;
        Elm.H[0] = h0;
        Elm.pointCount = antall;
        forsteOverlevering = false;
    }
    forsteOverlevering = forste;
    return resultat;
}

} // namespace

int dgnput_elm(void)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (mdlSystem_extendedAbortRequested())
        return -1;
    bool gjentatt = Elm.serial > 0 && Elm.serial == forrigeSerienummer && Elm.type == forrigeType;
    if (gjentatt && Elm.themeCount > 1 && d.lagreEgenskaper && d.egenskapModus == 0 && d.flereTemaEnGang)
        return 0;
    forsteOverlevering = !gjentatt;
    harVentendeGitte = false;
    ukjentTema = Elm.font == -2 ? 1 : 0;
    if (d.importerUkjenteTema && d.kunUkjenteTema && !ukjentTema)
        return 0;
    meldHoyderI2d();
    int resultat = 0;
    switch (Elm.type) {
    case ZERA_PUNKT: resultat = skrivPunkt(); break;
    case ZERA_SVERM: resultat = skrivSverm(); break;
    case ZERA_LINJE: resultat = skrivLinje(false); break;
    case ZERA_KURVE: resultat = skrivLinje(true); break;
    case ZERA_BUE: resultat = skrivBue(); break;
    case ZERA_BUEP: resultat = skrivBuePunkter(false); break;
    case ZERA_SIRKEL: resultat = skrivSirkel(); break;
    case ZERA_SIRKELP: resultat = skrivBuePunkter(true); break;
    case ZERA_TEKST: resultat = skrivTekst(); break;
    case ZERA_TRASE:
        if (lagreNivaa4)
            resultat = SkrivTrase();
        break;
    case ZERA_FLATE:
        if (lagreNivaa4) {
            sisteFlateSerienummer = Elm.serial;
            resultat = SkrivFlate();
        } else {
            sisteFlateSerienummer = 0;
        }
        break;
    case ZERA_STRUKTUR:
        if (lagreNivaa4)
            SkrivStruktur();
        break;
    case ZERA_RASTER: SkrivRaster(); break;
    case ZERA_SYMBOL: SkrivSymbolMedRetning(); break;
    default: break;
    }
    forrigeSerienummer = Elm.serial;
    forrigeType = Elm.type;
    return resultat < 0 ? -1 : 0;
}

int SettKoordinatsystem(int koordsys)
{
    int epsg = zeraEpsgAvKoordsys(koordsys);
    DgnModelRefP aktiv = mdlModelRef_getActive();
    if (epsg == 0 || aktiv == MDLHOST_NO_MODEL || mdlhost_dgnGetEpsg(aktiv) != 0)
        return 0;
    DPoint3d lav{}, hoy{};
    if (mdlSystem_computeDesignRange(&lav, &hoy, aktiv) == 0)
        return 0; // a design with elements keeps its CRS
    return mdlhost_dgnSetEpsg(aktiv, epsg);
}

} // extern "C"

int zeraEpsgAvKoordsys(int koordsys)
{
    if (koordsys >= 1 && koordsys <= 8)
        return 27390 + koordsys; // NGO 1948 axes I to VIII
    if (koordsys >= 21 && koordsys <= 26)
        return 25810 + koordsys; // EUREF89 UTM zones 31 to 36
    if (koordsys >= 31 && koordsys <= 36)
        return 23000 + koordsys; // ED50 UTM zones 31 to 36
    return 0;
}

int zeraKoordsysAvEpsg(int epsg)
{
    for (int k : {1, 2, 3, 4, 5, 6, 7, 8, 21, 22, 23, 24, 25, 26, 31, 32, 33, 34, 35, 36})
        if (zeraEpsgAvKoordsys(k) == epsg)
            return k;
    return 0;
}

// Text size and font of the current element, as texts and symbols take them.
void zeraTekstParametre(TextSizeParam *storrelse, TextParam *param)
{
    zeraBrukerGrensesnittData &d = zeraData();
    if (ukjentTema) {
        storrelse->width = d.standardTekstBredde;
        storrelse->height = d.standardTekstHoyde;
        param->font = d.standardFont;
    } else {
        storrelse->width = Elm.dim[1] * 0.1;
        storrelse->height = Elm.dim[0] * 0.1;
        param->font = Elm.font;
        if (Elm.dim[0] == 0 || Elm.dim[1] == 0)
            storrelse->width = storrelse->height = 3.5;
    }
    param->justification = TEXT_JUST_LEFT_BOTTOM;
    param->aspectRatio = 1.0;
    param->sizeMode = 1;
    param->style[0] = param->style[1] = -1;
}

zeraBrukerGrensesnittData &zeraData()
{
    static zeraBrukerGrensesnittData tom{};
    return brukerDataP ? *brukerDataP : tom;
}

uint16_t zeraIdOrd1() { return static_cast<uint16_t>(Elm.serial % 65535); }
uint16_t zeraIdOrd2() { return static_cast<uint16_t>(Elm.serial / 65535); }

bool zeraSammeNavn(const char *a, const char *b) { return zvlib::sameNameLatin1(a, b); }

// The composites clear the writer's memory with the index.
void zeraNullstillSkriver()
{
    forrigeSerienummer = -1;
    forrigeType = -1;
    forsteOverlevering = true;
    hoyderI2dMeldt = false;
    stoppetAv = 0;
    nivaaBeskrivelser().clear();
}

int zeraSkriverStoppetAv() { return stoppetAv; }
