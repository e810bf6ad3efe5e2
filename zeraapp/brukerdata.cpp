// The ZERA application's settings record and its preference block.
//
// Sections: the block layout - encoding and decoding - defaults and
// configuration - the exported functions.
#include "brukerdata.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "mdlhost.h"
#include "zvlibcell.h"
#include "zvlibmem.h"
#include "zvlibupf.h"
#include "zvlibutil.h"

zeraBrukerGrensesnittData *brukerDataP = nullptr;

namespace {

constexpr int MEM_LISTE = 20005;
constexpr int MEM_POST = 14;
constexpr int AKTIV_FYLL = 37; // the host's active fill parameter

// ---- the block layout ---------------------------------------------------------

enum class Type { I32, F64 };

struct Plass {
    size_t blokk; // offset in the block
    size_t felt;  // offset in the record
    Type type;
};

#define I32(navn, off) {off, offsetof(zeraBrukerGrensesnittData, navn), Type::I32}
#define F64(navn, off) {off, offsetof(zeraBrukerGrensesnittData, navn), Type::F64}
// Every kept field but importMaal (its slot depends on the build) and the
// point cell (a text).
constexpr Plass BLOKK[] = {
    I32(lagEtikettfil, 0),
    I32(lagXmlFil, 4),
    I32(lagXyzFil, 8),
    I32(visUnderveis, 12),
    I32(lagreEgenskaper, 16),
    I32(egenskapModus, 20),
    I32(flereTemaEnGang, 24),
    I32(lagreNivaa4, 28),
    I32(lagreTekststoerrelse, 32),
    I32(punktModus, 36),
    I32(kurverSomLinjer, 40),
    I32(matchLevel, 44),
    I32(matchColor, 48),
    I32(matchStyle, 52),
    I32(matchWeight, 56),
    F64(hoydeAvrundingSteg, 64),
    I32(hoydeAvrundingPaa, 72),
    I32(multHoydeVerdi, 76),
    I32(multHoydePaa, 80),
    I32(importerUkjenteTema, 84),
    I32(kunUkjenteTema, 88),
    I32(lukkKjeder, 100),
    I32(lukkLinjestrenger, 104),
    I32(brukGjerde, 108),
    I32(fyllFlater, 112),
    I32(hoppOverLinjerUtenHoyde, 116),
    I32(grenserPaaHoyde, 120),
    I32(lagreNOH, 124),
    I32(eksporterZeratema, 128),
    I32(eksporterObjekttype, 132),
    I32(zera40, 136),
    I32(temaFra, 140),
    I32(brukDgnlib, 144),
    I32(symbologiFraTema, 148),
    I32(avrundHvertPunkt, 152),
    I32(nivaaMedTypebokstav, 156),
    I32(lagManglendeFeatures, 160),
    I32(fastHoyde, 164),
    I32(skannLagerFlater, 168),
    F64(fastHoydeVerdi, 176),
    F64(lukkeToleranse, 184),
    F64(symbolSkala, 192),
    I32(standardFarge, 200),
    I32(standardVekt, 204),
    I32(standardStil, 208),
    I32(standardFont, 212),
    F64(standardTekstHoyde, 216),
    F64(standardTekstBredde, 224),
    F64(standardCelleskala, 232),
};
#undef I32
#undef F64

constexpr size_t IMPORTMAAL_MS = 92;
constexpr size_t IMPORTMAAL_GG = 96;
constexpr size_t PUNKTCELLE = 240;
static_assert(PUNKTCELLE + 2 * ZVZERA_PUNKTCELLE_LEN == ZVZERA_OPPSETT_LEN, "the point cell ends the block");

// The kept switches without a dialog item, by their keyin and job-file name.
struct Innstilling {
    const char *navn;
    size_t felt;
};
#define BRYTER(navn, f) {navn, offsetof(zeraBrukerGrensesnittData, f)}
constexpr Innstilling INNSTILLINGER[] = {
    BRYTER("LandXML", lagXmlFil),
    BRYTER("Etikettfil", lagEtikettfil),
    BRYTER("Koordinatfil", lagXyzFil),
    BRYTER("Symbologi-fra-tema", symbologiFraTema),
    BRYTER("Kurver-som-linjer", kurverSomLinjer),
    BRYTER("Typebokstav-i-niva", nivaaMedTypebokstav),
    BRYTER("Hopp-over-linjer-uten-hoyde", hoppOverLinjerUtenHoyde),
    BRYTER("Hoyder", lagreNOH),
    BRYTER("Vis-underveis", visUnderveis),
    BRYTER("Lag-manglende-features", lagManglendeFeatures),
};
#undef BRYTER

const Innstilling *finnInnstilling(const char *navn)
{
    if (navn == nullptr)
        return nullptr;
    for (const Innstilling &i : INNSTILLINGER)
        if (strcasecmp(i.navn, navn) == 0)
            return &i;
    return nullptr;
}

size_t importMaalPlass(const zeraBrukerGrensesnittData *d)
{
    return d->geoGraphicsBygg ? IMPORTMAAL_GG : IMPORTMAAL_MS;
}

// ---- encoding and decoding ------------------------------------------------------

void skrivU32(uint8_t *b, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[i] = (uint8_t)(v >> (8 * i));
}

uint32_t lesU32(const uint8_t *b)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; i++)
        v |= (uint32_t)b[i] << (8 * i);
    return v;
}

void skrivF64(uint8_t *b, double d)
{
    uint64_t v;
    memcpy(&v, &d, sizeof v);
    for (int i = 0; i < 8; i++)
        b[i] = (uint8_t)(v >> (8 * i));
}

double lesF64(const uint8_t *b)
{
    uint64_t v = 0;
    for (int i = 0; i < 8; i++)
        v |= (uint64_t)b[i] << (8 * i);
    double d;
    memcpy(&d, &v, sizeof d);
    return d;
}

void kod(const zeraBrukerGrensesnittData *d, uint8_t *blokk)
{
    memset(blokk, 0, ZVZERA_OPPSETT_LEN);
    const auto *rec = reinterpret_cast<const unsigned char *>(d);
    for (const Plass &p : BLOKK) {
        if (p.type == Type::I32) {
            int32_t v;
            memcpy(&v, rec + p.felt, sizeof v);
            skrivU32(blokk + p.blokk, (uint32_t)v);
        } else {
            double v;
            memcpy(&v, rec + p.felt, sizeof v);
            skrivF64(blokk + p.blokk, v);
        }
    }
    skrivU32(blokk + importMaalPlass(d), (uint32_t)d->importMaal);
    // At most the field's characters less one, so the stored text always
    // ends in its terminator (the rest of the area is zero already).
    for (int i = 0; i < ZVZERA_PUNKTCELLE_LEN - 1 && d->standardPunktcelle[i] != 0; i++) {
        blokk[PUNKTCELLE + 2 * i] = (uint8_t)(d->standardPunktcelle[i] & 0xFF);
        blokk[PUNKTCELLE + 2 * i + 1] = (uint8_t)(d->standardPunktcelle[i] >> 8);
    }
}

void dekod(zeraBrukerGrensesnittData *d, const uint8_t *blokk)
{
    auto *rec = reinterpret_cast<unsigned char *>(d);
    for (const Plass &p : BLOKK) {
        if (p.type == Type::I32) {
            int32_t v = (int32_t)lesU32(blokk + p.blokk);
            memcpy(rec + p.felt, &v, sizeof v);
        } else {
            double v = lesF64(blokk + p.blokk);
            memcpy(rec + p.felt, &v, sizeof v);
        }
    }
    d->importMaal = (int32_t)lesU32(blokk + importMaalPlass(d));
    // A damaged area without a terminator is cut at the field's end.
    int i = 0;
    for (; i < ZVZERA_PUNKTCELLE_LEN - 1; i++) {
        char16_t c = (char16_t)(blokk[PUNKTCELLE + 2 * i] | (blokk[PUNKTCELLE + 2 * i + 1] << 8));
        if (c == 0)
            break;
        d->standardPunktcelle[i] = c;
    }
    d->standardPunktcelle[i] = 0;
}

// ---- defaults and configuration -----------------------------------------------

// The active design's 3D flag (what the host's mode byte tells); 0 without
// an active design file.
int aktivTegningEr3D()
{
    DgnModelRefP aktiv = mdlModelRef_getActive();
    return aktiv != MDLHOST_NO_MODEL && mdlModelRef_is3D(aktiv) ? 1 : 0;
}

// 1 when the host's active fill parameter is set; 0 when it is off or the
// host does not keep it.
int aktivFyll()
{
    int32_t fyll = 0;
    return mdlParams_getActive(&fyll, AKTIV_FYLL) == 0 && fyll != 0 ? 1 : 0;
}

bool lesVariabel(const char *navn, char *verdi)
{
    return mdlSystem_getenv(navn, verdi, ZVZERA_TEKST_LEN) == 0;
}

// field := a + b + c; a join that does not fit leaves the field empty, as a
// cut path would name another file.
void settSammen(char *felt, const char *a, const char *b, const char *c = "")
{
    int n = snprintf(felt, ZVZERA_TEKST_LEN, "%s%s%s", a, b, c);
    if (n < 0 || n >= ZVZERA_TEKST_LEN)
        felt[0] = '\0';
}

void settStandardverdier(zeraBrukerGrensesnittData *d)
{
    d->geoGraphicsBygg = ZVZERA_GG_BYGG;
    d->lagreNivaa4 = 1;
    d->matchLevel = 1;
    d->matchColor = 1;
    d->hoydeAvrundingSteg = 1.0;
    d->multHoydeVerdi = 1;
    d->fyllFlater = aktivFyll();
    d->loggPerZeraFil = 1;
    d->lukkKjeder = 1;
    d->lukkLinjestrenger = 1;
    d->lagreNOH = aktivTegningEr3D();
    d->lagreObjType = 1;
    d->lukkeToleranse = 0.01;
    d->symbolSkala = 1.0;
    d->standardFarge = 5;
    d->standardVekt = 1;
    d->standardStil = 0;
    d->standardFont = 105;
    d->standardTekstHoyde = 5.0;
    d->standardTekstBredde = 5.0;
    d->standardCelleskala = 1.0;
    const char16_t *kryss = zvlibUtil_convertToUnicodeText("KRYSS");
    size_t i = 0;
    for (; i < ZVZERA_PUNKTCELLE_LEN - 1 && kryss[i] != 0; i++)
        d->standardPunktcelle[i] = kryss[i];
    d->standardPunktcelle[i] = 0;
}

void lesKonfigurasjon(zeraBrukerGrensesnittData *d)
{
    char zvDir[ZVZERA_TEKST_LEN] = "";
    bool harZvDir = lesVariabel("ZV_DIR", zvDir);
    if (harZvDir)
        settSammen(d->installasjonsKatalog, zvDir, "zvzera\\");

    if (!lesVariabel("ZVZERA_CELL", d->cellebibliotekNavn))
        settSammen(d->cellebibliotekNavn, "zvzera.cel", "");
    if (zvlibCell_getCellPathAndName(d->cellebibliotek, d->cellebibliotekNavn) != 0)
        settSammen(d->cellebibliotek, d->cellebibliotekNavn, "");

    if (!lesVariabel("ZVZERA_TEMAFIL", d->temaFil) && harZvDir)
        settSammen(d->temaFil, d->installasjonsKatalog, "zvzera.tem");
    if (!lesVariabel("ZVZERA_DGNLIB", d->dgnlibFil) && harZvDir)
        settSammen(d->dgnlibFil, zvDir, "dgnlib\\", "zvzera.dgnlib");
    if (!lesVariabel("ZVZERA_SEEDFIL", d->seedFil) && harZvDir) {
        settSammen(d->seedFil, zvDir, "seed\\", "zvzera_seed3d.dgn");
        char funnet[MDLHOST_MAXFILELENGTH];
        if (d->seedFil[0] == '\0' || mdlFile_find(funnet, d->seedFil, nullptr, nullptr) != 0)
            settSammen(d->seedFil, d->installasjonsKatalog, "seed3d.dgn");
    }
    if (!lesVariabel("ZVZERA_TAGSET", d->tagsetFil) && harZvDir)
        settSammen(d->tagsetFil, d->installasjonsKatalog, "zvzera.tag");
    lesVariabel("ZVZERA_HODEFIL", d->hodeFil);
    if (lesVariabel("ZVZERA_LOGGFIL", d->loggFil))
        d->loggPerZeraFil = 0;
    lesVariabel("ZVZERA_XMLFIL", d->xmlFil);
    lesVariabel("ZVZERA_IMPORTDIR", d->importKatalog);
}

} // namespace

// ---- the exported functions ----------------------------------------------------

extern "C" {

zeraBrukerGrensesnittData *InitBrukerData(void)
{
    FrigjorBrukerData();
    auto *d = static_cast<zeraBrukerGrensesnittData *>(
        zvlibMem_mallocRscErrorPrintf(sizeof(zeraBrukerGrensesnittData), MEM_LISTE, MEM_POST));
    if (d == nullptr)
        return nullptr;
    settStandardverdier(d);
    lesKonfigurasjon(d);
    LesBrukerOppsett(d);
    brukerDataP = d;
    return d;
}

int LesBrukerOppsett(zeraBrukerGrensesnittData *data)
{
    if (data == nullptr)
        return ZVLIB_FAILURE;
    // Read whole or not at all: a short block fails the load and leaves
    // the record untouched.
    uint8_t blokk[ZVZERA_OPPSETT_LEN];
    if (zvlibUpf_load(ZVZERA_OPPSETT_TYPE, ZVZERA_OPPSETT_ID, blokk, sizeof blokk) != 0)
        return ZVLIB_FAILURE;
    dekod(data, blokk);
    return 0;
}

int LagreBrukerOppsett(const zeraBrukerGrensesnittData *data)
{
    if (data == nullptr)
        return ZVLIB_FAILURE;
    uint8_t blokk[ZVZERA_OPPSETT_LEN];
    kod(data, blokk);
    return zvlibUpf_save(ZVZERA_OPPSETT_TYPE, ZVZERA_OPPSETT_ID, blokk, sizeof blokk) == 0 ? 0 : ZVLIB_FAILURE;
}

int PubliserBrukerData(void)
{
    using S = zeraBrukerGrensesnittData;
#define HELTALL(f) MDLHOST_FIELD_OF(S, f, MDLHOST_FIELD_INT)
#define FLYTTALL(f) MDLHOST_FIELD_OF(S, f, MDLHOST_FIELD_DOUBLE)
#define TEKST(f) MDLHOST_FIELD_OF(S, f, MDLHOST_FIELD_TEXT)
    static const MdlhostField felter[] = {
        HELTALL(geoGraphicsBygg),     HELTALL(lagEtikettfil),        HELTALL(lagXmlFil),
        HELTALL(lagXyzFil),           HELTALL(visUnderveis),         HELTALL(lagreEgenskaper),
        HELTALL(egenskapModus),       HELTALL(flereTemaEnGang),      HELTALL(lagreNivaa4),
        HELTALL(lagreTekststoerrelse), HELTALL(punktModus),          HELTALL(kurverSomLinjer),
        HELTALL(enhetsnevner),        HELTALL(matchLevel),           HELTALL(matchColor),
        HELTALL(matchStyle),          HELTALL(matchWeight),          FLYTTALL(hoydeAvrundingSteg),
        HELTALL(hoydeAvrundingPaa),   HELTALL(multHoydeVerdi),       HELTALL(multHoydePaa),
        HELTALL(importerUkjenteTema), HELTALL(kunUkjenteTema),       HELTALL(brukGjerde),
        HELTALL(fyllFlater),          HELTALL(loggPerZeraFil),       HELTALL(filIndeks),
        HELTALL(antallFiler),         HELTALL(skannModus),           HELTALL(importMaal),
        HELTALL(lukkKjeder),          HELTALL(lukkLinjestrenger),    HELTALL(ggKpInfo),
        HELTALL(kunLinjetema),        HELTALL(hoppOverLinjerUtenHoyde), HELTALL(grenserPaaHoyde),
        HELTALL(lagreNOH),            HELTALL(eksporterZeratema),    HELTALL(eksporterObjekttype),
        HELTALL(zera40),              HELTALL(temaFra),              HELTALL(brukDgnlib),
        HELTALL(symbologiFraTema),    HELTALL(avrundHvertPunkt),     HELTALL(nivaaMedTypebokstav),
        HELTALL(lagreObjType),        HELTALL(lagManglendeFeatures), HELTALL(fastHoyde),
        HELTALL(skannLagerFlater),    FLYTTALL(fastHoydeVerdi),      TEKST(hodeMinTekst),
        TEKST(hodeMaksTekst),         TEKST(hodeKvalitetTekst),      TEKST(installasjonsKatalog),
        TEKST(cellebibliotekNavn),    TEKST(zeraFil),                TEKST(temaFil),
        TEKST(dgnlibFil),             TEKST(loggFil),                TEKST(xmlFil),
        TEKST(hodeFil),               TEKST(seedFil),                TEKST(importKatalog),
        TEKST(tagsetFil),             TEKST(cellebibliotek),         TEKST(databaseNavn),
        TEKST(odbcFil),               HELTALL(zeraFilStoerrelse),    FLYTTALL(lukkeToleranse),
        FLYTTALL(symbolSkala),        HELTALL(standardFarge),        HELTALL(standardVekt),
        HELTALL(standardStil),        FLYTTALL(standardCelleskala),  HELTALL(standardFont),
        FLYTTALL(standardTekstHoyde), FLYTTALL(standardTekstBredde),
        MDLHOST_STRUCT_OF(S, hode, "SheadStruct"), MDLHOST_STRUCT_OF(S, eksportHode, "SheadStruct"),
    };
    // The header dialog's fields of the current header.
    using H = SheadStruct;
    static const MdlhostField hodeFelter[] = {
        MDLHOST_FIELD_OF(H, charset, MDLHOST_FIELD_INT),      MDLHOST_FIELD_OF(H, koordsys, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(H, origoN, MDLHOST_FIELD_DOUBLE),    MDLHOST_FIELD_OF(H, origoE, MDLHOST_FIELD_DOUBLE),
        MDLHOST_FIELD_OF(H, enhet, MDLHOST_FIELD_DOUBLE),     MDLHOST_FIELD_OF(H, kartid, MDLHOST_FIELD_TEXT),
        MDLHOST_FIELD_OF(H, produsent, MDLHOST_FIELD_TEXT),   MDLHOST_FIELD_OF(H, eier, MDLHOST_FIELD_TEXT),
        MDLHOST_FIELD_OF(H, zeraVersjon, MDLHOST_FIELD_DOUBLE), MDLHOST_FIELD_OF(H, zeraNivaa, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(H, dato, MDLHOST_FIELD_INT),         MDLHOST_FIELD_OF(H, komm, MDLHOST_FIELD_INT),
    };
#undef HELTALL
#undef FLYTTALL
#undef TEKST
    SymbolSet *sett = mdlCExpression_initializeSet(4, 0, 1);
    if (sett == nullptr)
        return -1;
    if (mdlhost_defineStruct(sett, "zeraBrukerGrensesnittData", sizeof(S), felter,
                             (int)(sizeof felter / sizeof felter[0])) != 0 ||
        mdlhost_defineStruct(sett, "SheadStruct", sizeof(H), hodeFelter,
                             (int)(sizeof hodeFelter / sizeof hodeFelter[0])) != 0)
        return -1;
    return mdlDialog_publishComplexPtr(sett, "zeraBrukerGrensesnittData", "sbgd", &brukerDataP) == 0 ? 0 : -1;
}

const char *InnstillingNavn(int i)
{
    constexpr int antall = (int)(sizeof INNSTILLINGER / sizeof INNSTILLINGER[0]);
    return i >= 0 && i < antall ? INNSTILLINGER[i].navn : nullptr;
}

int SettInnstilling(zeraBrukerGrensesnittData *data, const char *navn, const char *verdi)
{
    const Innstilling *i = finnInnstilling(navn);
    if (data == nullptr || i == nullptr)
        return -1;
    if (verdi == nullptr || (strcmp(verdi, "0") != 0 && strcmp(verdi, "1") != 0))
        return -2;
    int32_t v = verdi[0] == '1' ? 1 : 0;
    memcpy(reinterpret_cast<unsigned char *>(data) + i->felt, &v, sizeof v);
    return 0;
}

int LesInnstilling(const zeraBrukerGrensesnittData *data, const char *navn)
{
    const Innstilling *i = finnInnstilling(navn);
    if (data == nullptr || i == nullptr)
        return -1;
    int32_t v = 0;
    memcpy(&v, reinterpret_cast<const unsigned char *>(data) + i->felt, sizeof v);
    return v;
}

void FrigjorBrukerData(void)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    if (d == nullptr)
        return;
    brukerDataP = nullptr;
    if (d->etikettfil != nullptr)
        dlmSystem_mdlFclose(d->etikettfil);
    if (d->xyzFil != nullptr)
        dlmSystem_mdlFclose(d->xyzFil);
    if (d->fkbListe != nullptr)
        mdlStringList_destroy(d->fkbListe);
    if (d->loggListe != nullptr)
        mdlStringList_destroy(d->loggListe);
    dlmSystem_mdlFree(d);
}

} // extern "C"
