// Arbitrary bytes as the header file an export names: read as the export
// reads it (zerget_headinfo), then, when it is taken, the export started
// with that header, a point and a line written, and the ZERA file's header
// made from it and from the header file again.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_testing.h"
#include "kartmotor_int.h"
#include "kartmotor_tjenester.h"
#include "mdlhost.h"

namespace {

std::string temaFil, hodeFil, elementFil, zeraFil, rapportFil;

const char tema[] = ";2101;HDB;P;Terrengpunkt;3;0;0;1;0;0;KRYSS;1;1;0\n"
                    "Veglenke;7001;VSI;L;Veg;4;2;0;1;0;0;KRYSS;1;1;0\n";

void element(int16_t type, const char *tema, int32_t serie, int punkter)
{
    elmclr();
    Elm.mode = 2;
    Elm.type = type;
    Elm.serial = serie;
    Elm.themeCount = 1;
    strcpy(Elm.theme[0], tema);
    Elm.pointCount = punkter;
    for (int i = 0; i < punkter; i++) {
        Elm.N[i] = 6600000.0 + 10.0 * i;
        Elm.E[i] = 500000.0 + 5.0 * i;
        Elm.H[i] = 100.0 + i;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const std::string &k = fuzz::folder("fuzz_header");
    temaFil = k + "/tema.tem";
    hodeFil = k + "/hode.hod";
    elementFil = k + "/element.tmp";
    zeraFil = k + "/ut.zer";
    rapportFil = k + "/ut.log";
    fuzz::writeFile(temaFil, tema, sizeof tema - 1);
    MdlDesc *app = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc");
    mdlhost_setCurrMdlDesc(app);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::writeFile(hodeFil, data, size);
    SheadStruct hode{};
    int32_t storrelse = 0;
    MdlFunctionP ctxt = reinterpret_cast<MdlFunctionP>(&c_txt);
    geoGraphics = 0;
    Mstemtab.rowCount = 0;
    Fkbtab.count = 0;
    eksporterZeratema = 1;
    eksporterObjekttype = 1;
    if (zerget_headinfo(hodeFil.c_str(), &hode, &storrelse, ctxt) == 0 &&
        init_dgn2zera(temaFil.c_str(), elementFil.c_str(), &hode, ctxt) == 0) {
        element(ZERA_PUNKT, "2101", 1, 1);
        perf_dgn2zera(nullptr, nullptr);
        element(ZERA_LINJE, "7001", 2, 4);
        perf_dgn2zera(nullptr, nullptr);
        exit_dgn2zera(rapportFil.c_str(), zeraFil.c_str(), elementFil.c_str(), temaFil.c_str(),
                      (size & 1) ? hodeFil.c_str() : "", "", ctxt);
    }
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    mdlhost_clearDialogScripts();
    return 0;
}
