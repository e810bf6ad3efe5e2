// Arbitrary bytes as the application's preference block, as a damaged or
// foreign preference file holds it (of any length): the record made from
// it, published to the dialogs, stored again and read back.  What the
// record stores must read back as the same block.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "appfuzz.h"
#include "zvlibupf.h"

namespace {

std::vector<uint8_t> lagret()
{
    std::vector<uint8_t> b(ZVZERA_OPPSETT_LEN);
    if (zvlibUpf_load(ZVZERA_OPPSETT_TYPE, ZVZERA_OPPSETT_ID, b.data(), b.size()) != 0)
        b.clear();
    return b;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const std::string &k = fuzz::folder("fuzz_oppsett");
    MdlDesc *app = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc");
    appfuzz::krev(app != nullptr);
    mdlhost_setCurrMdlDesc(app);
    mdlSystem_defineCfgVar("MDLHOST_USERPREF", (k + "/host.upf").c_str());
    mdlSystem_defineCfgVar("MS_USERPREF", (k + "/user.upf").c_str());
    char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
    appfuzz::krev(zvlibMain_initZvLib("ZvZera", 2, argv) == 0);
    appfuzz::krev(zvlibUpf_open(nullptr, "ZVZERA_UPF", "zvzera.upf") == 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4 * ZVZERA_OPPSETT_LEN)
        return -1;
    if (zvlibUpf_save(ZVZERA_OPPSETT_TYPE, ZVZERA_OPPSETT_ID, data, size) != 0)
        abort();
    zeraBrukerGrensesnittData *d = InitBrukerData();
    if (d == nullptr)
        abort();
    PubliserBrukerData();
    if (LagreBrukerOppsett(d) != 0)
        abort();
    std::vector<uint8_t> en = lagret();
    zeraBrukerGrensesnittData *d2 = InitBrukerData();
    if (d2 == nullptr || LagreBrukerOppsett(d2) != 0)
        abort();
    // A record read from a stored block stores that block again.
    if (lagret() != en)
        abort();
    FrigjorBrukerData();
    appfuzz::rydd();
    return 0;
}
