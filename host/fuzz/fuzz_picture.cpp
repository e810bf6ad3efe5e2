// Arbitrary bytes as a picture attached to a design file: the image
// readers (BMP, JPEG, TIFF of either byte order) take its format and size
// from its header, the attachment is stored, read back, given a reference
// and detached.  Each input gets a fresh design file.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_testing.h"
#include "mdlhost.h"

namespace {

std::string mal, tegning, bilde;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const std::string &k = fuzz::folder("fuzz_picture");
    mal = k + "/mal.dgn";
    tegning = k + "/tegning.dgn";
    bilde = k + "/bilde";
    DPoint3d o{0, 0, 0};
    if (mdlhost_dgnCreateFile(mal.c_str(), 0, 1000, "m", &o) != 0)
        abort();
    mdlRaster_initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    mdlhost_closeDesignFile();
    std::error_code ec;
    std::filesystem::copy_file(mal, tegning, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec || mdlSystem_newDesignFile(tegning.c_str()) != 0)
        abort();
    fuzz::writeFile(bilde, data, size);
    DgnRasterRef r = 0;
    if (mdlRaster_fileOpen(&r, bilde.c_str(), 0) == 0) {
        DgnRasterFileInfo info{};
        if (mdlRaster_fileInfoGet(&info, r) != 0 || info.width < 0 || info.height < 0)
            abort();
        DPoint3d origo{100, 200, 0};
        mdlRaster_geoReferenceInfoSet(r, &origo, info.width, info.height);
        for (DgnRasterRef n = mdlRaster_getNext(0, 0); n != 0; n = mdlRaster_getNext(0, n))
            mdlRaster_fileInfoGet(&info, n);
        mdlRaster_detach(r);
    }
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    return 0;
}
