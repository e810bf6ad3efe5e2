// A design file made from arbitrary bytes exported to ZERA as the export
// command does: the input is imported by the application's writer (its
// elements, composites, areas and tags), some elements are then moved to
// other levels, colours and graphic groups or deleted as the input says,
// and the whole design goes through the export's classification, areas and
// chains, with a header of the input's level.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "appfuzz.h"
#include "eksport.h"

namespace {

// Top-level elements of the active model.
std::vector<uint32_t> elementer()
{
    std::vector<uint32_t> ut;
    MdlScanCriteria *sc = mdlScanCriteria_create();
    mdlScanCriteria_setModel(sc, 0);
    uint32_t pos[256];
    int n = 0, rc = 0;
    do {
        rc = mdlScanCriteria_scan(sc, pos, 256, &n);
        ut.insert(ut.end(), pos, pos + n);
    } while (rc == 0 && n > 0 && ut.size() < 4096);
    mdlScanCriteria_free(&sc);
    return ut;
}

// Edits the input's tail asks for, on the imported elements.
void endre(FuzzedDataProvider &d)
{
    std::vector<uint32_t> alle = elementer();
    if (alle.empty())
        return;
    for (int i = 0; i < 8 && d.remaining_bytes() > 0; i++) {
        uint32_t pos = alle[d.ConsumeIntegralInRange<size_t>(0, alle.size() - 1)];
        MSElementDescr *dscr = nullptr;
        if (mdlElmdscr_read(&dscr, pos, 0, 0, nullptr) == 0 || dscr == nullptr)
            continue;
        switch (d.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: {
            uint32_t nivaa = d.ConsumeIntegralInRange<uint32_t>(0, 70);
            mdlElement_setProperties(&dscr->el, &nivaa, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr);
            break;
        }
        case 1: {
            uint32_t gg = d.ConsumeIntegralInRange<uint32_t>(0, 5);
            mdlElement_setProperties(&dscr->el, nullptr, &gg, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
            break;
        }
        case 2: {
            uint32_t farge = d.ConsumeIntegralInRange<uint32_t>(0, 255);
            mdlElement_setSymbology(&dscr->el, &farge, nullptr, nullptr);
            break;
        }
        default:
            mdlElement_undoableDelete(&dscr->el, pos, 1);
            mdlElmdscr_freeAll(&dscr);
            continue;
        }
        mdlElmdscr_rewrite(dscr, nullptr, pos);
        mdlElmdscr_freeAll(&dscr);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    appfuzz::start("fuzz_eksport");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    appfuzz::Oppsett &o = appfuzz::oppsett();
    std::vector<std::string_view> deler = fuzz::parts(data, size, 2);
    const std::string zera = o.katalog + "/inn.zer";
    fuzz::writeFile(zera, deler[0].data(), deler[0].size());
    FuzzedDataProvider d(reinterpret_cast<const uint8_t *>(deler.back().data()),
                         deler.size() > 1 ? deler.back().size() : 0);
    const unsigned flagg = static_cast<unsigned>(size);
    appfuzz::importer(zera, flagg);
    endre(d);

    zeraBrukerGrensesnittData &z = o.data;
    int16_t sett = ZERA_CHARSET_ISO;
    SheadStruct hode{};
    LagStandardHode(&hode);
    hode.charset = sett;
    hode.zeraNivaa = static_cast<int16_t>(3 + ((flagg >> 6) & 1));
    z.hode = z.eksportHode = hode;
    z.zera40 = static_cast<int32_t>((flagg >> 7) & 1);
    eksporterObjekttype = 1;
    eksporterZeratema = z.zera40 ? 0 : 1;
    lagreNOH = 1;
    memset(&Bmw, 0, sizeof Bmw);
    const std::string elementFil = o.katalog + "/ut.tmp", ut = o.katalog + "/ut.zer";
    MdlFunctionP ctxt = reinterpret_cast<MdlFunctionP>(c_txt);
    if (init_dgn2zera(o.tema.c_str(), elementFil.c_str(), &hode, ctxt) == 0) {
        EksporterTegning();
        exit_dgn2zera((o.katalog + "/ut.log").c_str(), ut.c_str(), elementFil.c_str(), o.tema.c_str(), "", "", ctxt);
    }
    FrigjorTagsetTabell();
    appfuzz::rydd();
    return 0;
}
