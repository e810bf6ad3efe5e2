// Arbitrary bytes as keyins, one a line, as a script or standard input
// gives them: each through the keyin parser and the host's own keyins
// (type, browse, dialog answers, fence, exit), then the queue they filled.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_testing.h"
#include "mdlhost.h"

namespace {

// Keyins that would reach outside the run: loading libraries by any name,
// and reading devices that never end.
bool utenfor(std::string_view linje)
{
    size_t a = linje.find_first_not_of(" \t");
    std::string_view l = a == std::string_view::npos ? std::string_view() : linje.substr(a);
    return (l.size() >= 3 && (l[0] | 0x20) == 'm' && (l[1] | 0x20) == 'd' && (l[2] | 0x20) == 'l') ||
           linje.find("/dev") != std::string_view::npos || linje.find("/proc") != std::string_view::npos ||
           linje.find("/sys") != std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool klar = false;
    const std::string &k = fuzz::folder("fuzz_keyin");
    if (!klar) {
        // Files the keyins may name, and no opener or log to reach out with.
        fuzz::writeFile(k + "/a.txt", "line 1\nline \xF8\n", 14);
        mdlSystem_defineConfigurationVariable("MDLHOST_DRIVE_F", k.c_str(), MDLHOST_CFGLEVEL_USER);
        mdlSystem_defineConfigurationVariable("MDLHOST_OPENER", "", MDLHOST_CFGLEVEL_USER);
        mdlSystem_defineConfigurationVariable("MDLHOST_LOG", "", MDLHOST_CFGLEVEL_USER);
        klar = true;
    }
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    for (int n = 0; n < 32 && !rest.empty(); n++) {
        size_t slutt = rest.find('\n');
        std::string linje(rest.substr(0, slutt));
        rest.remove_prefix(slutt == std::string_view::npos ? rest.size() : slutt + 1);
        if (utenfor(linje))
            continue;
        mdlhost_keyin(linje.c_str());
        mdlhost_processQueue();
    }
    mdlhost_clearDialogScripts();
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    return 0;
}
