// Arbitrary bytes as the tag set file (cut at lines "#--" into the file
// and the files it includes): the table read from it, the sets made from
// it in a fresh design file, and an element's attributes written as tags
// and read back through it.
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "appfuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    appfuzz::start("fuzz_tagsett");
    // Includes named without a folder resolve in the folder.
    appfuzz::krev(chdir(appfuzz::oppsett().katalog.c_str()) == 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    appfuzz::Oppsett &o = appfuzz::oppsett();
    std::vector<std::string_view> deler = fuzz::parts(data, size, 4);
    // The file, then inc1.tag, inc2.tag, ... beside it for its includes.
    const std::string fil = o.katalog + "/fuzz.tag";
    fuzz::writeFile(fil, deler[0].data(), deler[0].size());
    for (size_t i = 1; i < deler.size(); i++)
        fuzz::writeFile(o.katalog + "/inc" + std::to_string(i) + ".tag", deler[i].data(), deler[i].size());
    appfuzz::standardData(o.data);
    zvlib::copyText(o.data.tagsetFil, fil.c_str());
    o.data.lagreEgenskaper = 1;
    o.data.egenskapModus = static_cast<int32_t>(size & 1);
    FILE *rapport = fopen((o.katalog + "/rapport.txt").c_str(), "w");
    appfuzz::krev(rapport != nullptr);
    FrigjorTagsetTabell();
    if (LesZeraTagsetInputFil(1, rapport) == 0) {
        int antall = 0;
        ZeraTagsetTabell(&antall);
        TagsetHarTema();
        appfuzz::nyTegning();
        LagTagsett();
        SkrivTagsettFeil(rapport);
        // A line with attributes, written as tags and read back.
        MSElement linje{};
        DPoint3d p[2] = {{0, 0, 0}, {1000, 1000, 0}};
        if (mdlLine_create(&linje, nullptr, p) == 0) {
            uint32_t pos = mdlElement_add(&linje);
            memset(&Elm, 0, sizeof Elm);
            Elm.themeCount = 1;
            zvlib::copyText(Elm.theme[0], "1012");
            Elm.dato = 20240102;
            zvlib::copyText(Elm.rest, "..KVALITET 82 100\n..EIER kommune\n..TEMA 1012\n");
            SkrivZeraTagger(pos);
            MSElementDescr *dscr = nullptr;
            if (mdlElmdscr_read(&dscr, pos, 0, 0, nullptr) != 0 && dscr != nullptr) {
                memset(&Elm, 0, sizeof Elm);
                LesZeraTagger(&dscr->el);
                mdlElmdscr_freeAll(&dscr);
            }
        }
    }
    fclose(rapport);
    FrigjorTagsetTabell();
    appfuzz::rydd();
    return 0;
}
