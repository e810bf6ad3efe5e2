// Arbitrary bytes as a configuration file: its definitions read, each name
// it defines looked up and expanded, its values and lines expanded and
// mapped as paths through the drives it may define, and opened for reading.
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>

#include "fuzz_testing.h"
#include "mdlhost.h"

namespace {

// The names the file may have defined: what stands before its first
// '=', '<' or '>' on each line.
std::set<std::string> navn_i(const uint8_t *data, size_t size)
{
    std::set<std::string> ut;
    std::string linje;
    for (size_t i = 0; i <= size; i++) {
        char c = i < size ? char(data[i]) : '\n';
        if (c != '\n' && c != '\r') {
            linje += c;
            continue;
        }
        size_t op = linje.find_first_of("=<>");
        if (op != std::string::npos) {
            std::string n = linje.substr(0, op);
            size_t a = n.find_first_not_of(" \t"), b = n.find_last_not_of(" \t");
            if (a != std::string::npos)
                ut.insert(n.substr(a, b - a + 1));
        }
        linje.clear();
    }
    return ut;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &k = fuzz::folder("fuzz_config");
    std::string fil = k + "/host.cfg";
    fuzz::writeFile(fil, data, size);
    // A drive of the folder, so that paths that name it map somewhere real;
    // no log, whatever the file says: it would be written where it names.
    mdlSystem_defineConfigurationVariable("MDLHOST_DRIVE_F", k.c_str(), MDLHOST_CFGLEVEL_SYSTEM);
    mdlSystem_defineConfigurationVariable("MDLHOST_LOG", "", MDLHOST_CFGLEVEL_USER);
    mdlhost_readConfigFile(fil.c_str(), MDLHOST_CFGLEVEL_SITE);

    std::set<std::string> navn = navn_i(data, size);
    char verdi[1024], utvidet[1024], sti[MDLHOST_MAXLOCALPATH];
    for (const std::string &n : navn) {
        if (mdlSystem_getCfgVar(verdi, n.c_str(), sizeof verdi) == 0) {
            // Opened only inside the folder: elsewhere a pipe would block.
            if (std::string(mdlhost_mapPath(sti, sizeof sti, verdi)).rfind(k + "/", 0) == 0)
                if (FILE *fp = dlmSystem_mdlFopen(verdi, "r"))
                    dlmSystem_mdlFclose(fp);
        }
        std::string ref = "$(" + n + ")\\x.txt";
        if (mdlSystem_expandCfgVar(ref.c_str(), utvidet, sizeof utvidet) == 0)
            mdlhost_mapPath(sti, sizeof sti, utvidet);
    }
    std::string tekst(reinterpret_cast<const char *>(data), size < 2000 ? size : 2000);
    mdlSystem_expandCfgVar(tekst.c_str(), utvidet, sizeof utvidet);
    mdlhost_mapPath(sti, sizeof sti, tekst.c_str());

    // The next input starts from nothing.
    for (const std::string &n : navn)
        for (int nivaa = 0; nivaa <= MDLHOST_CFGLEVEL_USER; nivaa++)
            mdlSystem_defineConfigurationVariable(n.c_str(), nullptr, nivaa);
    mdlSystem_defineConfigurationVariable("MDLHOST_DRIVE_F", nullptr, MDLHOST_CFGLEVEL_SYSTEM);
    mdlhost_clearTextWindow();
    return 0;
}
