// Arbitrary bytes as a theme file through the theme-table loader.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kartmotor_int.h"
#include "mdlhost.h"

namespace {

std::string katalog;
std::string temaFil;

void fjern_katalog() { std::filesystem::remove_all(katalog); }

void sett_opp()
{
    // Every run rewrites its files; in memory that costs nothing, while a
    // disk file system flushes a file truncated and written again.
    std::error_code ec;
    std::string rot = std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
    std::string mal = rot + "/fuzz_themetable-XXXXXX";
    if (mkdtemp(mal.data()) == nullptr)
        abort();
    katalog = mal;
    atexit(fjern_katalog);
    temaFil = katalog + "/tema.tem";
    MdlDesc *app = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc");
    mdlhost_setCurrMdlDesc(app);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool klar = false;
    if (!klar) {
        sett_opp();
        klar = true;
    }
    FILE *f = fopen(temaFil.c_str(), "wb");
    if (f == nullptr || fwrite(data, 1, size, f) != size || fclose(f) != 0)
        abort();

    // A new theme file, as when the user picks one: empty table and FKB list.
    bmwinit();
    Mstemtab.rowCount = 0;
    Fkbtab.count = 0;
    mt_init(temaFil.c_str(), 1);

    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    return 0;
}
