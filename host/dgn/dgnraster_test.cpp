// Raster attachments: image headers, placement, iteration.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dgn_testing.h"
#include "mdlhost.h"

namespace {

using Bytes = std::vector<uint8_t>;

void le16(Bytes &b, uint16_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void le32(Bytes &b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }
void be16(Bytes &b, uint16_t v) { b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)}); }
void be32(Bytes &b, uint32_t v) { b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }

Bytes bmp(int32_t width, int32_t height)
{
    Bytes b{'B', 'M'};
    le32(b, 54);
    le32(b, 0);
    le32(b, 54);
    le32(b, 40);
    le32(b, static_cast<uint32_t>(width));
    le32(b, static_cast<uint32_t>(height));
    le16(b, 1);
    le16(b, 24);
    b.resize(54, 0);
    return b;
}

Bytes bmpCore(uint16_t width, uint16_t height)
{
    Bytes b{'B', 'M'};
    le32(b, 26);
    le32(b, 0);
    le32(b, 26);
    le32(b, 12);
    le16(b, width);
    le16(b, height);
    le16(b, 1);
    le16(b, 24);
    return b;
}

// An APP0 segment and fill bytes before the frame, as cameras write them.
Bytes jpeg(uint8_t frame, uint16_t width, uint16_t height)
{
    Bytes b{0xFF, 0xD8, 0xFF, 0xE0};
    be16(b, 16);
    b.insert(b.end(), {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    b.insert(b.end(), {0xFF, 0xFF, frame});
    be16(b, 17);
    b.push_back(8);
    be16(b, height);
    be16(b, width);
    b.resize(b.size() + 10, 0);
    b.insert(b.end(), {0xFF, 0xD9});
    return b;
}

Bytes tiff(bool little, uint32_t width, uint32_t height)
{
    auto u16 = [&](Bytes &b, uint16_t v) { little ? le16(b, v) : be16(b, v); };
    auto u32 = [&](Bytes &b, uint32_t v) { little ? le32(b, v) : be32(b, v); };
    Bytes b;
    if (little) b.insert(b.end(), {'I', 'I', 42, 0});
    else b.insert(b.end(), {'M', 'M', 0, 42});
    u32(b, 8);
    u16(b, 3);
    // A tag before the sizes, the width as SHORT, the height as LONG.
    u16(b, 254), u16(b, 4), u32(b, 1), u32(b, 0);
    u16(b, 256), u16(b, 3), u32(b, 1), u16(b, static_cast<uint16_t>(width)), u16(b, 0);
    u16(b, 257), u16(b, 4), u32(b, 1), u32(b, height);
    u32(b, 0);
    return b;
}

class RasterTest : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        DgnTest::SetUp();
        ASSERT_EQ(mdlRaster_initialize(), 0);
    }
    void TearDown() override
    {
        mdlRaster_terminate();
        DgnTest::TearDown();
    }
    std::string write(const std::string &name, const Bytes &b)
    {
        std::string p = path(name);
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char *>(b.data()), std::streamsize(b.size()));
        return p;
    }
};

TEST_F(RasterTest, FormatAndPixelSizeComeFromTheImageHeader)
{
    struct Case {
        const char *name;
        Bytes bytes;
        int format, width, height, kind;
    } cases[] = {
        {"a.bmp", bmp(3, 2), RASTER_FORMAT_BMP, 3, 2, RASTER_KIND_IMAGE},
        {"topdown.bmp", bmp(5, -4), RASTER_FORMAT_BMP, 5, 4, RASTER_KIND_IMAGE},
        {"core.bmp", bmpCore(7, 9), RASTER_FORMAT_BMP, 7, 9, RASTER_KIND_IMAGE},
        {"a.jpg", jpeg(0xC0, 640, 480), RASTER_FORMAT_JPEG, 640, 480, RASTER_KIND_IMAGE},
        {"progressive.jpg", jpeg(0xC2, 12, 34), RASTER_FORMAT_JPEG, 12, 34, RASTER_KIND_IMAGE},
        {"ii.tif", tiff(true, 300, 200), RASTER_FORMAT_TIFF, 300, 200, RASTER_KIND_IMAGE},
        {"mm.tif", tiff(false, 1000, 70000), RASTER_FORMAT_TIFF, 1000, 70000, RASTER_KIND_IMAGE},
        // Cut short or unknown: attached, but no size is made up.
        {"short.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J'}, RASTER_FORMAT_JPEG, 0, 0, RASTER_KIND_UNKNOWN},
        {"short.bmp", {'B', 'M'}, RASTER_FORMAT_BMP, 0, 0, RASTER_KIND_UNKNOWN},
        {"ifd.tif", {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}, RASTER_FORMAT_TIFF, 0, 0, RASTER_KIND_UNKNOWN},
        {"a.png", {0x89, 'P', 'N', 'G', 13, 10, 26, 10}, RASTER_FORMAT_UNKNOWN, 0, 0, RASTER_KIND_UNKNOWN},
    };
    for (const Case &c : cases) {
        std::string file = write(c.name, c.bytes);
        DgnRasterRef raster = 0;
        ASSERT_EQ(mdlRaster_fileOpen(&raster, file.c_str(), 0), 0) << c.name;
        DgnRasterFileInfo info;
        ASSERT_EQ(mdlRaster_fileInfoGet(&info, raster), 0) << c.name;
        EXPECT_EQ(info.fileName, file);
        EXPECT_EQ(info.format, c.format) << c.name;
        EXPECT_EQ(info.width, c.width) << c.name;
        EXPECT_EQ(info.height, c.height) << c.name;
        EXPECT_EQ(info.kind, c.kind) << c.name;
    }
}

TEST_F(RasterTest, PlacementAndDisplayAreKeptInTheDesign)
{
    std::string a = write("a.jpg", jpeg(0xC0, 100, 50)), b = write("b.bmp", bmp(10, 10));
    DgnRasterRef ra = 0, rb = 0;
    ASSERT_EQ(mdlRaster_fileOpen(&ra, a.c_str(), 0), 0);
    ASSERT_EQ(mdlRaster_fileOpen(&rb, b.c_str(), 0), 0);
    DPoint3d origin;
    EXPECT_EQ(mdlRaster_geoReferenceInfoGet(&origin, nullptr, nullptr, ra), DGNERR_NOTFOUND);
    uint32_t flags = 0;
    ASSERT_EQ(mdlRaster_renderingInfoGet(&flags, ra), 0);
    EXPECT_EQ(flags, RASTER_ALL_VIEWS);

    DPoint3d at{6500000000.0, 59000000.0, 0};
    ASSERT_EQ(mdlRaster_geoReferenceInfoSet(ra, &at, 100000, 50000), 0);
    ASSERT_EQ(mdlRaster_renderingInfoSet(ra, 0x2), 0);
    ASSERT_EQ(mdlRaster_extendedInfoSet(ra, 3), 0);
    DPoint3d bad{NAN, 0, 0};
    EXPECT_EQ(mdlRaster_geoReferenceInfoSet(rb, &bad, 1, 1), DGNERR_BADARG);
    EXPECT_EQ(mdlRaster_renderingInfoSet(9999, 1), DGNERR_BADARG);

    // The design opened again lists both, once each, in attach order.
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    std::vector<std::string> files;
    DgnRasterRef first = 0;
    for (DgnRasterRef r = mdlRaster_getNext(0, 0); r; r = mdlRaster_getNext(0, r)) {
        DgnRasterFileInfo info;
        ASSERT_EQ(mdlRaster_fileInfoGet(&info, r), 0);
        files.push_back(info.fileName);
        if (!first) first = r;
        ASSERT_LT(files.size(), 3u);
    }
    ASSERT_EQ(files, (std::vector<std::string>{a, b}));
    double ex = 0, ey = 0;
    int mode = 0;
    ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&origin, &ex, &ey, first), 0);
    EXPECT_DOUBLE_EQ(origin.x, 6500000000.0);
    EXPECT_DOUBLE_EQ(origin.y, 59000000.0);
    EXPECT_DOUBLE_EQ(ex, 100000);
    EXPECT_DOUBLE_EQ(ey, 50000);
    ASSERT_EQ(mdlRaster_renderingInfoGet(&flags, first), 0);
    EXPECT_EQ(flags, 0x2u);
    ASSERT_EQ(mdlRaster_extendedInfoGet(&mode, first), 0);
    EXPECT_EQ(mode, 3);

    ASSERT_EQ(mdlRaster_detach(first), 0);
    EXPECT_EQ(mdlRaster_fileInfoGet(nullptr, first), DGNERR_BADARG);
    DgnRasterFileInfo info;
    EXPECT_EQ(mdlRaster_fileInfoGet(&info, first), DGNERR_NOTFOUND);
    DgnRasterRef only = mdlRaster_getNext(0, 0);
    ASSERT_NE(only, 0);
    EXPECT_EQ(mdlRaster_getNext(0, only), 0);
}

TEST_F(RasterTest, MissingFilesAreRefusedOrReported)
{
    DgnRasterRef raster = 0;
    EXPECT_EQ(mdlRaster_fileOpen(&raster, path("none.tif").c_str(), 0), DGNERR_NOTFOUND);
    EXPECT_EQ(raster, 0);
    EXPECT_EQ(mdlRaster_getNext(0, 0), 0);

    std::string file = write("gone.bmp", bmp(4, 4));
    ASSERT_EQ(mdlRaster_fileOpen(&raster, file.c_str(), 0), 0);
    std::remove(file.c_str());
    DgnRasterFileInfo info;
    ASSERT_EQ(mdlRaster_fileInfoGet(&info, raster), 0);
    EXPECT_EQ(info.kind, RASTER_KIND_MISSING);
    EXPECT_EQ(info.width, 4);
}

// Only a regular file is a picture: a FIFO without a writer, a device and
// a directory are refused at once and never attached.
TEST_F(RasterTest, OnlyARegularFileIsAttached)
{
    std::string fifo = path("ror.tif"), katalog = path("mappe.tif");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir(katalog.c_str(), 0700), 0);
    alarm(60); // an open that blocks ends the test instead of hanging it
    for (const std::string &navn : {fifo, std::string("/dev/zero"), katalog}) {
        DgnRasterRef raster = 0;
        EXPECT_EQ(mdlRaster_fileOpen(&raster, navn.c_str(), 0), DGNERR_NOTFOUND) << navn;
        EXPECT_EQ(raster, 0) << navn;
    }
    alarm(0);
    EXPECT_EQ(mdlRaster_getNext(0, 0), 0);
}

} // namespace
