// Arbitrary bytes as an application's .app file, found along MS_MDL as
// "mdl load" finds a task: its library and resource lines read and the
// library looked for.  Nothing is loaded: the file may name any library.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_testing.h"
#include "mdlhost.h"

namespace {

std::string appFil;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const std::string &k = fuzz::folder("fuzz_appfile");
    appFil = k + "/fuzzapp.app";
    // Libraries the file may name by a relative or an absolute name.
    fuzz::writeFile(k + "/a.so", "x", 1);
    fuzz::writeFile(k + "/a.rsc", "x", 1);
    mdlSystem_defineConfigurationVariable("MS_MDL", (k + "/").c_str(), MDLHOST_CFGLEVEL_USER);
    mdlSystem_defineConfigurationVariable("MDLAPP_FUZZAPP", "", MDLHOST_CFGLEVEL_USER);
    mdlSystem_defineConfigurationVariable("MDLRSC_FUZZAPP", "", MDLHOST_CFGLEVEL_USER);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::writeFile(appFil, data, size);
    char library[MDLHOST_MAXFILELENGTH], resources[MDLHOST_MAXFILELENGTH];
    mdlhost_findApplication("fuzzapp", library, sizeof library, resources, sizeof resources);
    // Again into buffers too small for most names.
    char kort[8], kortR[8];
    mdlhost_findApplication("FUZZAPP", kort, sizeof kort, kortR, sizeof kortR);
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    return 0;
}
