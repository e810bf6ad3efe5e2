// Arbitrary bytes as a ZERA file through the whole import: group reader,
// header, element parser, coordinates, matching, both passes, LandXML,
// report and template; then through the scan, template and scan report.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kartmotor_int.h"
#include "kartmotor_tjenester.h"
#include "mdlhost.h"

namespace {

std::string katalog;
std::string zeraFil, temaFil, rapportFil, xmlFil, malFil, skannFil;

// A table that knows a point, a line, a text and an area theme, with
// LandXML parts, so matched elements reach the fill and the surface.
const char tema[] =
    ";2101;HDB;P;Terrengpunkt;3;0;0;1;0;0;KRYSS;1;1;0 !Punkt #TERRENG R 1 1\n"
    ";2001;HDB;L;Koter;2;1;0;1;0;0;KRYSS;1;1;1 !Kote #KOTE C 1 1\n"
    "Veglenke;7001;VSI;L;Veg;4;2;0;1;0;0;KRYSS;1;1;0 !Veg #VEG B 1 1\n"
    ";1010;FM;L;Bygg;6;1;0;1;0;0;KRYSS;1;1;0 !Grense #GRENSE E 1 1\n"
    ";9001;RUT;T;Tekst;7;0;0;1;25;25;KRYSS;1;1;0\n"
    ";5000;BYG;F;Bygg;6;0;0;1;0;0;BYGG;1;1;0\n";

int skriver(void) { return 0; }
// Every theme uses the height interval and is rounded.
int hoyde(char *, int) { return 1; }

void fjern_katalog() { std::filesystem::remove_all(katalog); }

bool skriv(const std::string &navn, const void *data, size_t n)
{
    FILE *f = fopen(navn.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = fwrite(data, 1, n, f) == n;
    return fclose(f) == 0 && ok;
}

void sett_opp()
{
    // Every run rewrites its files; in memory that costs nothing, while a
    // disk file system flushes a file truncated and written again.
    std::error_code ec;
    std::string rot = std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
    std::string mal = rot + "/fuzz_import-XXXXXX";
    if (mkdtemp(mal.data()) == nullptr)
        abort();
    katalog = mal;
    atexit(fjern_katalog);
    zeraFil = katalog + "/inn.zer";
    temaFil = katalog + "/tema.tem";
    rapportFil = katalog + "/rapport.log";
    xmlFil = katalog + "/flate.xml";
    malFil = katalog + "/mal.tem";
    skannFil = katalog + "/skann.log";
    if (!skriv(temaFil, tema, sizeof tema - 1))
        abort();
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
    if (!skriv(zeraFil, data, size))
        abort();

    // The options of a normal import; the theme table stays loaded, as it
    // does between the files of one import command.  The input's size picks
    // whether unknown themes are imported and whether the themes come from
    // the application (with the height interval in force), so the corpus
    // reaches the paths of each without a byte of its own.
    const int importUkjent = (int)(size & 1);
    geoGraphics = (int32_t)((size >> 1) & 1);
    lagreNivaa4 = 1;
    hoydeAvrunding = 5;
    multHoyde = geoGraphics ? 10 : 0;
    settXML(1);
    settXMLFil(xmlFil.c_str());

    perf_zera2dgn(zeraFil.c_str(), temaFil.c_str(), rapportFil.c_str(), xmlFil.c_str(), importUkjent,
                  reinterpret_cast<MdlFunctionP>(&skriver), nullptr, reinterpret_cast<MdlFunctionP>(&c_txt),
                  reinterpret_cast<MdlFunctionP>(&hoyde));
    geoGraphics = 0;
    multHoyde = 0;
    pzerscan(zeraFil.c_str(), malFil.c_str(), skannFil.c_str(), "", 1, nullptr, reinterpret_cast<MdlFunctionP>(&c_txt));

    // The host keeps what the run printed; a long campaign must not pile it up.
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    mdlhost_clearDialogScripts();
    return 0;
}
