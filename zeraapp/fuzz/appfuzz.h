// What the application's fuzz targets share: the application registered
// with its resources, zvlib started, a settings record of the target's own,
// the sample theme table, a cell library with the point cells, and a fresh
// 3D design file for each input (copied from one made at start), so that
// nothing one input leaves behind reaches the next.
#ifndef ZVZERA_APPFUZZ_H
#define ZVZERA_APPFUZZ_H

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "brukerdata.h"
#include "dgnskriv.h"
#include "kommandoer.h"
#include "fuzz_testing.h"
#include "kartmotor.h"
#include "kartmotor_tjenester.h"
#include "mdlhost.h"
#include "zeratagger.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvzera.h"

namespace appfuzz {

// Point, line, curve, text and area themes, as the application's tests use.
inline const char TEMA[] =
    ";2101;HDB;P;Terrengpunkt;3;0;0;1;0;0;KRYSS;1;1;0\n"
    ";1012;FM;L;Grense;4;1;0;1;0;0;KRYSS;1;1;0\n"
    ";3001;HDB;L;Kote;2;1;0;1;0;0;KRYSS;1;1;0\n"
    ";1010;RUT;T;Tekst;7;0;0;1;25;25;KRYSS;1;1;0\n"
    ";1011;BYG;F;Bygg;6;0;0;1;0;0;PKT;1;1;0\n";

// The tag set file of the attributes the import stores as tags.
inline const char TAGGER[] = "..DATO ZERA DATO 1 1 1 0 0\n..KVALITET ZERA KV1 1 1 1 0 0\n"
                             "..KVALITET ZERA KV2 1 1 1 0 0\n..* ZERA REST 3 1 0 0 0\n";

struct Oppsett {
    std::string katalog, tema, celler, mal, tegning;
    zeraBrukerGrensesnittData data;
};

inline Oppsett &oppsett()
{
    static Oppsett o;
    return o;
}

inline void krev(bool ok)
{
    if (!ok)
        abort();
}

inline void leggTilCelle(const std::string &lib, const char16_t *navn)
{
    MSElement l1{}, l2{};
    DPoint3d a[2] = {{-5000, 0, 0}, {5000, 0, 0}}, b[2] = {{0, -5000, 0}, {0, 5000, 0}};
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    krev(mdlLine_create(&l1, nullptr, a) == 0 && mdlLine_create(&l2, nullptr, b) == 0);
    mdlCurrTrans_end();
    MSElementDescr *d = nullptr;
    krev(mdlElmdscr_new(&d, nullptr, &l1) == 0 && mdlElmdscr_appendElement(d, &l2) == 0);
    krev(mdlhost_cellLibraryAddCell(lib.c_str(), navn, u"", d) == 0);
    mdlElmdscr_freeAll(&d);
}

// The settings of a plain import or export; what a target varies it sets
// after this.
inline void standardData(zeraBrukerGrensesnittData &d)
{
    Oppsett &o = oppsett();
    memset(&d, 0, sizeof d);
    d.standardFarge = 5;
    d.standardVekt = 1;
    d.standardFont = 105;
    d.standardTekstHoyde = d.standardTekstBredde = 5.0;
    d.standardCelleskala = 1.0;
    d.symbolSkala = 1.0;
    d.fyllFlater = 1;
    zvlib::copyText(d.zeraFil, (o.katalog + "/inn.zer").c_str());
    zvlib::copyText(d.cellebibliotekNavn, o.celler.c_str());
}

// Once per process: the folder, the application, the files every input
// shares and the design file each input starts from.
inline void start(const char *navn)
{
    Oppsett &o = oppsett();
    o.katalog = fuzz::folder(navn);
    MdlDesc *app = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc");
    krev(app != nullptr);
    mdlhost_setCurrMdlDesc(app);
    char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
    krev(zvlibMain_initZvLib("ZvZera", 2, argv) == 0);
    mdlhost_clearDialogScripts();
    batchModus = 1;

    o.tema = o.katalog + "/zvzera.tem";
    fuzz::writeFile(o.tema, TEMA, sizeof TEMA - 1);
    o.celler = o.katalog + "/zvzera.cel";
    DPoint3d origo{0, 0, 0};
    krev(mdlhost_dgnCreateFile(o.celler.c_str(), 0, 10000.0, "m", &origo) == 0);
    leggTilCelle(o.celler, u"KRYSS");
    leggTilCelle(o.celler, u"PKT");

    o.mal = o.katalog + "/mal.dgn";
    o.tegning = o.katalog + "/tegning.dgn";
    krev(mdlhost_dgnCreateFile(o.mal.c_str(), 1, 1000.0, "m", &origo) == 0);
    standardData(o.data);
    brukerDataP = &o.data;
    fuzz::writeFile(o.katalog + "/zvzera.tag", TAGGER, sizeof TAGGER - 1);
}

// A fresh design file, active, with the master-units transformation of
// the import and a new element index.
inline void nyTegning()
{
    Oppsett &o = oppsett();
    mdlhost_closeDesignFile();
    std::error_code ec;
    std::filesystem::copy_file(o.mal, o.tegning, std::filesystem::copy_options::overwrite_existing, ec);
    krev(!ec && mdlSystem_newDesignFile(o.tegning.c_str()) == 0);
}

// What the host and the engine keep between commands, cleared.
inline void rydd()
{
    while (mdlhost_dgnCommandDepth() > 0)
        mdlhost_dgnEndCommand(0);
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    mdlhost_clearDialogScripts();
}

// The settings an input's flags pick: how points are made, whether
// attributes go to tags, unknown themes, level 4, side files.
inline void velgImport(unsigned flagg)
{
    Oppsett &o = oppsett();
    zeraBrukerGrensesnittData &d = o.data;
    standardData(d);
    zvlib::copyText(d.temaFil, o.tema.c_str());
    zvlib::copyText(d.loggFil, (o.katalog + "/inn.log").c_str());
    zvlib::copyText(d.tagsetFil, (o.katalog + "/zvzera.tag").c_str());
    d.punktModus = static_cast<int32_t>(flagg % 3);
    d.lagreEgenskaper = (flagg >> 2) & 1;
    d.importerUkjenteTema = static_cast<int32_t>((flagg >> 3) & 1);
    d.lagreNivaa4 = static_cast<int32_t>((flagg >> 4) & 1);
    d.fyllFlater = static_cast<int32_t>((flagg >> 5) & 1);
    lagreNivaa4 = d.lagreNivaa4;
    matchLevel = matchColor = matchStyle = matchWeight = 0;
    hoydeAvrunding = multHoyde = 0;
}

// The ZERA file at zera imported into a fresh design file by the
// application's own writer, as the import command runs it.
inline void importer(const std::string &zera, unsigned flagg)
{
    Oppsett &o = oppsett();
    velgImport(flagg);
    nyTegning();
    FrigjorTagsetTabell();
    if (o.data.lagreEgenskaper && LesZeraTagsetInputFil(1, nullptr) == 0)
        LagTagsett();
    SheadStruct hode{};
    int32_t storrelse = 0;
    if (zerget_headinfo(zera.c_str(), &hode, &storrelse, reinterpret_cast<MdlFunctionP>(c_txt)) == 0) {
        o.data.hode = hode;
        if (hode.zeraNivaa > 3)
            lagreNivaa4 = 1;
    }
    ImporterTilAktivTegning(zera.c_str());
}

} // namespace appfuzz

#endif
