// Export of a design file to ZERA as the application runs it: init_dgn2zera,
// EksporterTegning over a model of at least 300,000 elements at ZERA level
// 4 (areas from area cells whose boundaries are found among the written
// lines), exit_dgn2zera.  Per round of ten elements: six line strings of 20
// vertices, a point symbol, a text, a closed boundary line and the area
// cell on it with its area point symbol in one graphic group (the symbol
// is reported, as after an import).  Reports elements per second, MB/s of
// the ZERA file and the peak resident size; the two sizes show whether the
// cost grows with the elements or faster.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "benk.h"
#include "brukerdata.h"
#include "dgnbenk.h"
#include "eksport.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "testing/hode_testing.h"
#include "zvlibmain.h"
#include "zvzera_services.h"

namespace {

namespace fs = std::filesystem;

struct Oppsett {
    std::string katalog;
    zeraBrukerGrensesnittData data{};
};

uint32_t nivaa(const char16_t *navn)
{
    uint32_t id = 0;
    if (mdlLevel_getIdFromName(&id, 0, navn) != 0 || id == 0)
        mdlLevel_create(0, navn, &id);
    return id;
}

void sett(MSElement *el, uint32_t level, uint32_t gg)
{
    mdlElement_setProperties(el, &level, &gg, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

// The design of n elements (n / 10 rounds), made once per size.
std::string lagTegning(const std::string &katalog, long n)
{
    std::string fil = katalog + "/tegning" + std::to_string(n) + ".dgn";
    if (fs::exists(fil))
        return fil;
    DPoint3d origo{0, 0, 0};
    if (mdlhost_dgnCreateFile(fil.c_str(), 0, 1000.0, "m", &origo) != 0 || mdlSystem_newDesignFile(fil.c_str()) != 0)
        abort();
    const uint32_t linje = nivaa(u"3001"), grense = nivaa(u"1012"), flate = nivaa(u"1011"), punkt = nivaa(u"2101"),
                   tekst = nivaa(u"1010");
    auto el = std::make_unique<MSElement>();
    mdlhost_dgnBeginCommand();
    const long runder = n / 10;
    const long side = (long)std::sqrt((double)runder) + 1;
    for (long r = 0; r < runder; r++) {
        // A cell of 100 m per round (UOR).
        const double x0 = double(r % side) * 100000.0, y0 = double(r / side) * 100000.0;
        DPoint3d p[20];
        for (int k = 0; k < 6; k++) {
            for (int i = 0; i < 20; i++)
                p[i] = {x0 + 1000.0 * i, y0 + 5000.0 * k + 700.0 * (i % 3), 0};
            mdlLineString_create(el.get(), nullptr, p, 20);
            sett(el.get(), k % 2 ? linje : grense, 0);
            mdlElement_add(el.get());
        }
        DPoint3d o{x0 + 50000, y0 + 40000, 0};
        mdlSharedCell_create(el.get(), 0, &o, nullptr, nullptr, u"KRYSS", punkt);
        mdlElement_add(el.get());
        TextSizeParam size{2000, 2000};
        TextParam tp{105, 2, 1.0, 1, {-1, -1}};
        mdlText_create(el.get(), nullptr, "Navn", &o, nullptr, &size, &tp);
        sett(el.get(), tekst, 0);
        mdlElement_add(el.get());
        // The boundary, then the area point symbol and the area cell.
        DPoint3d b[5] = {{x0 + 60000, y0 + 60000, 0}, {x0 + 90000, y0 + 60000, 0}, {x0 + 90000, y0 + 90000, 0},
                         {x0 + 60000, y0 + 90000, 0}, {x0 + 60000, y0 + 60000, 0}};
        mdlLineString_create(el.get(), nullptr, b, 5);
        sett(el.get(), grense, 0);
        mdlElement_add(el.get());
        const uint32_t gg = uint32_t(r + 1);
        DPoint3d a{x0 + 70000, y0 + 70000, 0};
        mdlSharedCell_create(el.get(), 0, &a, nullptr, nullptr, u"KRYSS", flate);
        sett(el.get(), flate, gg);
        mdlElement_add(el.get());
        mdlCell_create(el.get(), u"KRYSS", &a, 0);
        sett(el.get(), flate, gg);
        MSElementDescr *c = nullptr;
        mdlElmdscr_new(&c, nullptr, el.get());
        mdlLineString_create(el.get(), nullptr, b, 5);
        sett(el.get(), flate, 0);
        mdlElmdscr_appendElement(c, el.get());
        mdlElmdscr_validate(c, 0);
        mdlElmdscr_add(c);
        mdlElmdscr_freeAll(&c);
    }
    if (mdlhost_dgnEndCommand(1) != 0)
        abort();
    mdlhost_closeDesignFile();
    return fil;
}

Oppsett &oppsett()
{
    static Oppsett o;
    if (!o.katalog.empty())
        return o;
    const char *behold = getenv("EKSPORT_BENCH_DIR");
    if (behold != nullptr && behold[0] != '\0') {
        o.katalog = behold;
        fs::create_directories(o.katalog);
    } else {
        std::string mal = "/tmp/eksport_tegning_bench-XXXXXX";
        if (mkdtemp(mal.data()) == nullptr)
            abort();
        o.katalog = mal;
        atexit([] { fs::remove_all(oppsett().katalog); });
    }
    std::ofstream(o.katalog + "/tema.tem") << dgnbenk::temaTekst;
    std::ofstream(o.katalog + "/app.rsc") << "Include \"" ZERA_SOURCE_DIR "/zvlib/zvlib.rsc\"\n"
                                          << "Include \"" ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc\"\n";
    mdlhost_setCurrMdlDesc(mdlhost_registerApplication("ZVZERA", (o.katalog + "/app.rsc").c_str()));
    char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
    zvlibMain_initZvLib("ZvZera", 2, argv);
    int16_t set = ZERA_CHARSET_ISO;
    hodetest::nyttHode(set, &o.data.hode);
    o.data.hode.koordsys = 22;
    o.data.hode.enhet = 0.01;
    o.data.hode.zeraVersjon = 4.0;
    o.data.hode.zeraNivaa = 4;
    o.data.hode.dato = 20240315;
    o.data.eksporterZeratema = 1;
    brukerDataP = &o.data;
    eksporterZeratema = 1;
    return o;
}

void BM_EksporterTegning(benchmark::State &state)
{
    Oppsett &o = oppsett();
    const long n = (long)state.range(0);
    std::string dgn = lagTegning(o.katalog, n);
    if (mdlSystem_newDesignFile(dgn.c_str()) != 0) {
        state.SkipWithError("the design file cannot be opened");
        return;
    }
    snprintf(o.data.zeraFil, sizeof o.data.zeraFil, "%s/ut.zer", o.katalog.c_str());
    std::string tema = o.katalog + "/tema.tem", elementer = o.katalog + "/elementer.tmp";
    long storrelse = 0;
    for (auto _ : state) {
        SheadStruct h = o.data.hode;
        if (init_dgn2zera(tema.c_str(), elementer.c_str(), &h, reinterpret_cast<MdlFunctionP>(&c_txt)) != 0) {
            state.SkipWithError("init_dgn2zera failed");
            return;
        }
        EksporterTegning();
        int rc = exit_dgn2zera((o.katalog + "/ut.log").c_str(), o.data.zeraFil, elementer.c_str(), tema.c_str(), "",
                               "", reinterpret_cast<MdlFunctionP>(&c_txt));
        mdlhost_clearTextWindow();
        if (rc != 0) {
            state.SkipWithError("exit_dgn2zera failed");
            return;
        }
        storrelse = (long)(fs::file_size(elementer) + fs::file_size(o.data.zeraFil));
    }
    benk::tellere(state, storrelse, Bmw.written);
    state.counters["design_elements"] = (double)n;
    state.counters["elements_per_s"] =
        benchmark::Counter((double)state.iterations() * (double)n, benchmark::Counter::kIsRate);
    state.counters["areas"] = Bmw.written[ZERA_FLATE - 1];
    mdlhost_closeDesignFile();
}

} // namespace

BENCHMARK(BM_EksporterTegning)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
