// Arbitrary bytes as a ZERA file imported into a real design file by the
// application's element writer: points as cells or lines, lines, curves,
// arcs, texts, composites, areas with their boundaries and islands, and
// attributes as tags.  Each input gets a fresh design file; its size picks
// the settings, so the corpus reaches each without a byte of its own.
#include <cstdint>
#include <string>

#include "appfuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    appfuzz::start("fuzz_importwriter");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string zera = appfuzz::oppsett().katalog + "/inn.zer";
    fuzz::writeFile(zera, data, size);
    appfuzz::importer(zera, static_cast<unsigned>(size));
    FrigjorTagsetTabell();
    appfuzz::rydd();
    return 0;
}
