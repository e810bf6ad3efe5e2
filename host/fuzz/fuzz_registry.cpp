// Arbitrary bytes as the registry's store: the current user's hive file is
// the input; values are asked for by the names its lines give, then one is
// set, which rewrites the hive or is refused for a damaged one, and read
// back and deleted.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_testing.h"
#include "mdlhost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool klar = false;
    const std::string &k = fuzz::folder("fuzz_registry");
    if (!klar) {
        mdlSystem_defineConfigurationVariable("MDLHOST_REGISTRY", k.c_str(), MDLHOST_CFGLEVEL_USER);
        klar = true;
    }
    fuzz::writeFile(k + "/user.reg", data, size);
    fuzz::writeFile(k + "/machine.reg", data, size);

    // Key and name of each line ("key<TAB>name<TAB>..."), asked for as they stand.
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    unsigned char verdi[256];
    for (int n = 0; n < 16 && !rest.empty(); n++) {
        size_t slutt = rest.find('\n');
        std::string linje(rest.substr(0, slutt));
        rest.remove_prefix(slutt == std::string_view::npos ? rest.size() : slutt + 1);
        size_t t1 = linje.find('\t'), t2 = t1 == std::string::npos ? t1 : linje.find('\t', t1 + 1);
        if (t2 == std::string::npos)
            continue;
        std::string nokkel = linje.substr(0, t1), navn = linje.substr(t1 + 1, t2 - t1 - 1);
        int type = 0;
        size_t plass = sizeof verdi;
        mdlhost_regQueryValue(MDLHOST_HKEY_CURRENT_USER, nokkel.c_str(), navn.c_str(), &type, verdi, &plass);
        plass = 0;
        mdlhost_regQueryValue(MDLHOST_HKEY_LOCAL_MACHINE, nokkel.c_str(), navn.c_str(), nullptr, nullptr, &plass);
    }
    static const char tekst[] = "tekst\tmed\nskilletegn\\%";
    if (mdlhost_regSetString(MDLHOST_HKEY_CURRENT_USER, "Software\\Fuzz", "Verdi", tekst) == MDLHOST_REG_OK) {
        int type = 0;
        size_t plass = sizeof verdi;
        if (mdlhost_regQueryValue(MDLHOST_HKEY_CURRENT_USER, "Software\\Fuzz", "Verdi", &type, verdi, &plass) !=
                MDLHOST_REG_OK ||
            type != MDLHOST_REG_SZ || plass != sizeof tekst || memcmp(verdi, tekst, sizeof tekst) != 0)
            abort(); // a value set must read back as it was
        mdlhost_regDeleteValue(MDLHOST_HKEY_CURRENT_USER, "Software\\Fuzz", "Verdi");
    }
    mdlhost_regDeleteValue(MDLHOST_HKEY_LOCAL_MACHINE, "Software\\Fuzz", "Ingen");
    return 0;
}
