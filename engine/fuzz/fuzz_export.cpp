// Arbitrary element records through the export road: init_dgn2zera with a
// header of any set, version and level, perf_dgn2zera for each element the
// bytes describe (types, counts, themes, points and texts of any value),
// then exit_dgn2zera with its header, element file and report.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_testing.h"
#include "kartmotor_int.h"
#include "kartmotor_tjenester.h"
#include "mdlhost.h"

namespace {

std::string temaFil, elementFil, zeraFil, rapportFil;

const char tema[] = ";2101;HDB;P;Terrengpunkt;3;0;0;1;0;0;KRYSS;1;1;0\n"
                    "Veglenke;7001;VSI;L;Veg;4;2;0;1;0;0;KRYSS;1;1;0\n"
                    ";9001;RUT;T;Tekst;7;0;0;1;25;25;KRYSS;1;1;0\n"
                    ";5000;BYG;F;Bygg;6;0;0;1;0;0;BYGG;1;1;10\n";

void sett_opp()
{
    const std::string &k = fuzz::folder("fuzz_export");
    temaFil = k + "/tema.tem";
    elementFil = k + "/element.tmp";
    zeraFil = k + "/ut.zer";
    rapportFil = k + "/ut.log";
    fuzz::writeFile(temaFil, tema, sizeof tema - 1);
    MdlDesc *app = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc");
    mdlhost_setCurrMdlDesc(app);
}

void tekst(FuzzedDataProvider &d, char *ut, size_t plass)
{
    std::string s = d.ConsumeRandomLengthString(plass - 1);
    memcpy(ut, s.c_str(), s.size() + 1);
}

double tall(FuzzedDataProvider &d)
{
    // Mostly map values; now and then anything a double holds.
    if (d.ConsumeIntegralInRange<int>(0, 15) == 0)
        return d.ConsumeFloatingPoint<double>();
    return d.ConsumeFloatingPointInRange<double>(-1e7, 1e7);
}

// The element the application would hand over, with counts that may lie
// outside their arrays, as a careless caller's would.
void element(FuzzedDataProvider &d, int32_t serie)
{
    elmclr();
    Elm.mode = d.ConsumeIntegralInRange<int16_t>(0, 2);
    Elm.type = d.ConsumeIntegralInRange<int16_t>(-3, 17);
    Elm.serial = d.ConsumeBool() ? serie : d.ConsumeIntegral<int32_t>();
    Elm.themeCount = d.ConsumeIntegralInRange<int16_t>(-1, ZERA_MAX_THEMES + 1);
    for (int i = 0; i < ZERA_MAX_THEMES && i < Elm.themeCount; i++)
        tekst(d, Elm.theme[i], ZERA_THEME_LEN);
    tekst(d, Elm.objtype, sizeof Elm.objtype);
    tekst(d, Elm.level, sizeof Elm.level);
    tekst(d, Elm.text, sizeof Elm.text);
    if (d.ConsumeBool())
        tekst(d, Elm.rest, sizeof Elm.rest);
    Elm.dato = d.ConsumeIntegral<int32_t>();
    Elm.hoyde = tall(d);
    Elm.angle = tall(d);
    Elm.radius = tall(d);
    Elm.storbue = d.ConsumeIntegralInRange<int16_t>(0, 1);
    Elm.dim[0] = tall(d);
    Elm.dim[1] = tall(d);
    Elm.style = d.ConsumeIntegralInRange<int32_t>(-1, 600);
    Elm.colour = d.ConsumeIntegralInRange<int32_t>(-1, 256);
    Elm.sameHeight = d.ConsumeIntegralInRange<int16_t>(0, 1);
    Elm.hasHoyde = d.ConsumeIntegralInRange<int16_t>(0, 1);
    Elm.symbolCount = d.ConsumeIntegralInRange<int16_t>(-1, 5);
    for (int i = 0; i < Elm.symbolCount; i++)
        tekst(d, Elm.symbol[i], ZERA_SYMBOL_LEN);
    Elm.refCount = d.ConsumeIntegralInRange<int16_t>(-1, 40);
    for (int i = 0; i < Elm.refCount; i++) {
        Elm.ref[i] = d.ConsumeIntegral<int32_t>();
        Elm.refGroup[i] = d.ConsumeIntegralInRange<int16_t>(-1, 3);
    }
    // A count beyond the arrays is said once in a while; points follow.
    Elm.pointCount = d.ConsumeIntegralInRange<int>(0, 30) == 0 ? d.ConsumeIntegral<int32_t>()
                                                                : d.ConsumeIntegralInRange<int32_t>(0, 60);
    for (int i = 0; i < Elm.pointCount && i < 60; i++) {
        Elm.N[i] = tall(d);
        Elm.E[i] = tall(d);
        Elm.H[i] = tall(d);
        Elm.kp[i] = d.ConsumeIntegralInRange<int16_t>(0, 3);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    sett_opp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider d(data, size);
    eksporterZeratema = d.ConsumeIntegralInRange<int>(0, 1);
    eksporterObjekttype = d.ConsumeIntegralInRange<int>(0, 1);
    hoydeAvrunding = d.ConsumeIntegralInRange<int>(0, 1);
    geoGraphics = 0;
    Mstemtab.rowCount = 0;
    Fkbtab.count = 0;

    SheadStruct hode{};
    int16_t set = d.ConsumeIntegralInRange<int16_t>(0, 4);
    shead_init(&set, &hode, &Schar);
    hode.charset = set;
    hode.koordsys = d.ConsumeIntegralInRange<int16_t>(-2, 99);
    hode.origoN = tall(d);
    hode.origoE = tall(d);
    hode.enhet = d.PickValueInArray({0.001, 0.01, 0.1, 1.0, 0.0, -1.0});
    hode.zeraVersjon = d.PickValueInArray({1.0, 2.0, 2.1, 3.0, 3.1, 4.0, 4.5, 0.0});
    hode.zeraNivaa = d.ConsumeIntegralInRange<int16_t>(0, 7);
    hode.dato = d.ConsumeIntegral<int32_t>();

    if (init_dgn2zera(temaFil.c_str(), elementFil.c_str(), &hode, reinterpret_cast<MdlFunctionP>(&c_txt)) == 0) {
        for (int32_t n = 1; n <= 20 && d.remaining_bytes() > 0; n++) {
            element(d, n);
            perf_dgn2zera(nullptr, nullptr);
        }
        exit_dgn2zera(rapportFil.c_str(), zeraFil.c_str(), elementFil.c_str(), temaFil.c_str(), "", "",
                      reinterpret_cast<MdlFunctionP>(&c_txt));
    }
    hoydeAvrunding = 0;
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    mdlhost_clearDialogScripts();
    return 0;
}
