// Arbitrary bytes as resource files with their includes: the input, cut at
// "#--" lines, becomes a.rsc and the b.rsc, c.rsc and d.rsc it may include;
// a.rsc is opened through the parser, the includes and the index, then its
// message and string lists and typed blocks are read.
#include <cstdint>
#include <string>

#include "fuzz_testing.h"
#include "mdlhost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static MdlDesc *app = nullptr;
    const std::string &k = fuzz::folder("fuzz_resource");
    if (app == nullptr)
        app = mdlhost_registerApplication("FUZZRSC", nullptr);
    const char *navn[] = {"a.rsc", "b.rsc", "c.rsc", "d.rsc"};
    auto filer = fuzz::parts(data, size, 4);
    for (size_t i = 0; i < 4; i++) {
        std::string_view innhold = i < filer.size() ? filer[i] : std::string_view();
        fuzz::writeFile(k + "/" + navn[i], innhold.data(), innhold.size());
    }
    std::string a = k + "/a.rsc";

    RscFileHandle h = nullptr;
    if (mdlResource_openFile(&h, a.c_str(), MDLHOST_RSC_READ) == MDLHOST_RSC_OK) {
        char tekst[256];
        for (int liste : {1, 2, 3, 20005})
            for (int i = 0; i < 4; i++)
                mdlResource_loadFromStringList(tekst, sizeof tekst, h, liste, i);
        size_t n = 0;
        if (void *blokk = mdlResource_load(h, 0x5A735539, 1, &n)) // a typed block, 'ZsU9'
            mdlResource_free(blokk);
        if (StringList *l = mdlStringList_loadResource(h, 1))
            mdlStringList_destroy(l);
        mdlResource_closeFile(h);
    }
    // The application's view: the same file as its resources.
    if (mdlhost_openResourceFor(app, a.c_str()) == 0) {
        mdlhost_messageListEntry(app, 1, 1);
        mdlhost_rscFind(app, "Dialog", 1);
    }
    mdlhost_forgetResources(app);
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    return 0;
}
