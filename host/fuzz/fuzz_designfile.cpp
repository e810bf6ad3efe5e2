// Design files damaged anywhere, opened from disk: a good file (two models,
// named levels, line strings with linkages, a chain, an application
// element) is made once; each input patches bytes of its copy (offsets and
// bytes of any value, or a cut), and the copy is opened, every model and
// level read, and every element of every model read as a descriptor.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dgn_records.h"
#include "fuzz_testing.h"
#include "mdlhost.h"

namespace {

std::string fil;
std::vector<uint8_t> god;

void lag_god_fil()
{
    const std::string &k = fuzz::folder("fuzz_designfile");
    std::string kilde = k + "/god.dgn";
    fil = k + "/skadet.dgn";
    DPoint3d o{1000, 2000, 0};
    if (mdlhost_dgnCreateFile(kilde.c_str(), 0, 1000, "m", &o) != 0 || mdlSystem_newDesignFile(kilde.c_str()) != 0)
        abort();
    uint32_t nivaa[3];
    const char16_t *navn[] = {u"Veg", u"Bygg", u"H\u00f8yde"};
    for (int i = 0; i < 3; i++) {
        mdlLevel_create(0, navn[i], &nivaa[i]);
        mdlLevel_setDescription(0, nivaa[i], u"beskrivelse");
        mdlLevel_setElementColor(0, nivaa[i], uint32_t(i + 1));
    }
    for (int i = 0; i < 6; i++) {
        std::vector<DPoint3d> p;
        for (int j = 0; j < 3 + i * 7; j++)
            p.push_back({1000.0 * i + j, 500.0 + (i % 2 ? 0.25 * j : j), 0});
        dgntest::ElementP el = dgntest::linear(p, nivaa[i % 3], uint32_t(i));
        dgntest::addLinkage(*el, 0x1234, uint16_t(i), 7);
        mdlElement_add(el.get());
    }
    dgntest::ElementP hode = dgntest::chainHeader(nivaa[0]);
    MSElementDescr *kjede = dgntest::node(*hode);
    dgntest::append(kjede, dgntest::node(*dgntest::linear({{0, 0, 0}, {10, 0, 0}})));
    dgntest::append(kjede, dgntest::node(*dgntest::linear({{10, 0, 0}, {10, 10, 0}})));
    mdlElmdscr_add(kjede);
    mdlElmdscr_freeAll(&kjede);
    mdlElement_add(dgntest::application({1, 2, 3, 4, 5}).get());
    DgnModelRefP annen = 0;
    if (mdlhost_dgnCreateModel(mdlModelRef_getActive(), u"Annen", u"den andre", &annen) == 0) {
        MSElementDescr *d = dgntest::node(*dgntest::linear({{5, 5, 0}, {6, 7, 0}, {8, 9, 0}}));
        mdlhost_dgnAddToModel(annen, d);
        mdlElmdscr_freeAll(&d);
        mdlhost_dgnCloseModel(annen);
    }
    mdlhost_closeDesignFile();
    std::ifstream inn(kilde, std::ios::binary);
    god.assign(std::istreambuf_iterator<char>(inn), {});
    if (god.empty())
        abort();
}

void les_modell(DgnModelRefP m)
{
    uint32_t ider[64];
    char16_t tekst[MDLHOST_MAX_LEVELNAME];
    int n = mdlhost_levelIds(m, ider, 64);
    for (int i = 0; i < n && i < 64; i++) {
        mdlLevel_getName(tekst, MDLHOST_MAX_LEVELNAME, m, ider[i]);
        mdlLevel_getDescription(tekst, MDLHOST_MAX_LEVELNAME, m, ider[i]);
        uint32_t farge;
        mdlLevel_getElementColor(&farge, m, ider[i]);
    }
    mdlhost_dgnGetModelName(m, tekst, MDLHOST_MAX_MODELNAME);
    uint32_t slutt = mdlModelRef_getEof(m);
    uint32_t pos = 1;
    for (int i = 0; i < 200 && pos < slutt; i++) {
        MSElementDescr *d = nullptr;
        uint32_t neste = 0;
        mdlElmdscr_read(&d, pos, m, 0, &neste);
        if (d != nullptr)
            mdlElmdscr_freeAll(&d);
        MSElement el;
        mdlElement_read(&el, m, pos);
        pos = neste > pos ? neste : pos + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (god.empty())
        lag_god_fil();
    std::vector<uint8_t> kopi = god;
    FuzzedDataProvider d(data, size);
    while (d.remaining_bytes() > 0) {
        if (d.ConsumeIntegralInRange<int>(0, 40) == 0) { // cut short
            kopi.resize(d.ConsumeIntegralInRange<size_t>(0, kopi.size()));
            break;
        }
        size_t fra = d.ConsumeIntegralInRange<size_t>(0, kopi.size() - 1);
        std::vector<uint8_t> b = d.ConsumeBytes<uint8_t>(d.ConsumeIntegralInRange<size_t>(1, 16));
        for (size_t i = 0; i < b.size() && fra + i < kopi.size(); i++)
            kopi[fra + i] = b[i];
    }
    fuzz::writeFile(fil, kopi.data(), kopi.size());
    if (mdlSystem_newDesignFile(fil.c_str()) == 0) {
        DgnModelRefP aktiv = mdlModelRef_getActive();
        int modeller = mdlhost_dgnModelCount(aktiv);
        for (int i = 0; i < modeller && i < 8; i++) {
            DgnModelRefP m = 0;
            if (mdlhost_dgnOpenModelAt(aktiv, i, &m) == 0) {
                les_modell(m);
                mdlhost_dgnCloseModel(m);
            }
        }
        mdlhost_closeDesignFile();
    }
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    return 0;
}
