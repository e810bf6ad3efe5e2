// Raster attachments: image files placed in a model, one row each in
// dgn_rasters.  The image's format and pixel size are read from its header
// when it is attached.
//
// Sections: image headers; handles; attach and set; iterate and get.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/text_host.h"
#include "dgn_int.h"
#include "dgncell_int.h"
#include "sys/mdlsys.h"

namespace mdlhost::dgn {
namespace {

// --- image headers -------------------------------------------------------------------
// Every read is bounded by the file: a short or damaged header gives "size
// unknown", never a read past what is there.

struct ImageInfo {
    int format = RASTER_FORMAT_UNKNOWN;
    int width = 0, height = 0;
};

bool readAt(FILE *fp, long offset, void *buf, size_t n)
{
    return offset >= 0 && fseek(fp, offset, SEEK_SET) == 0 && fread(buf, 1, n, fp) == n;
}

uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t be16(const uint8_t *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t be32(const uint8_t *p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

void readBmp(FILE *fp, ImageInfo &info)
{
    uint8_t h[26];
    if (!readAt(fp, 0, h, sizeof h)) return;
    uint32_t dib = le32(h + 14);
    int64_t w, ht;
    if (dib == 12) { // the old OS/2 header has 16-bit sizes
        w = le16(h + 18);
        ht = le16(h + 20);
    } else {
        w = static_cast<int32_t>(le32(h + 18));
        ht = static_cast<int32_t>(le32(h + 22));
        ht = ht < 0 ? -ht : ht; // negative: rows stored top-down
    }
    if (w > 0 && w <= INT32_MAX && ht > 0 && ht <= INT32_MAX) {
        info.width = static_cast<int>(w);
        info.height = static_cast<int>(ht);
    }
}

void readJpeg(FILE *fp, ImageInfo &info)
{
    long off = 2; // after SOI
    // Each segment moves off forward by at least 2, so this ends at the
    // file's end even for a file of nothing but markers.
    for (;;) {
        uint8_t m[2];
        if (!readAt(fp, off, m, 2)) return;
        if (m[0] != 0xFF) return;
        if (m[1] == 0xFF) { // fill byte
            ++off;
            continue;
        }
        uint8_t marker = m[1];
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            off += 2; // markers without a length
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return; // end, or image data before any frame
        uint8_t len[2];
        if (!readAt(fp, off + 2, len, 2)) return;
        uint16_t n = be16(len);
        if (n < 2) return;
        bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            uint8_t sof[5]; // precision, height, width
            if (n < 7 || !readAt(fp, off + 4, sof, sizeof sof)) return;
            info.height = be16(sof + 1);
            info.width = be16(sof + 3);
            if (info.width == 0 || info.height == 0) info.width = info.height = 0;
            return;
        }
        off += 2 + n;
    }
}

void readTiff(FILE *fp, bool little, ImageInfo &info)
{
    auto u16 = [little](const uint8_t *p) { return little ? le16(p) : be16(p); };
    auto u32 = [little](const uint8_t *p) { return little ? le32(p) : be32(p); };
    uint8_t h[8];
    if (!readAt(fp, 0, h, sizeof h)) return;
    uint32_t ifd = u32(h + 4);
    if (ifd > INT32_MAX - 2) return;
    uint8_t cnt[2];
    if (!readAt(fp, static_cast<long>(ifd), cnt, 2)) return;
    uint16_t n = u16(cnt);
    int64_t w = 0, ht = 0;
    for (uint16_t i = 0; i < n; ++i) {
        uint8_t e[12];
        if (!readAt(fp, static_cast<long>(ifd) + 2 + 12L * i, e, sizeof e)) return;
        uint16_t tag = u16(e), type = u16(e + 2);
        if (tag != 256 && tag != 257) continue;
        int64_t v = type == 3 ? u16(e + 8) : type == 4 ? u32(e + 8) : 0; // SHORT or LONG
        (tag == 256 ? w : ht) = v;
    }
    if (w > 0 && w <= INT32_MAX && ht > 0 && ht <= INT32_MAX) {
        info.width = static_cast<int>(w);
        info.height = static_cast<int>(ht);
    }
}

// False when the file cannot be opened.
bool readImage(const char *fileName, ImageInfo &info)
{
    // Only a regular file is a picture: a FIFO would block, a device never end.
    FILE *fp = mdlhost_fopenRegular(fileName);
    if (!fp) return false;
    uint8_t sig[4] = {};
    size_t got = fread(sig, 1, sizeof sig, fp);
    if (got >= 2 && sig[0] == 'B' && sig[1] == 'M') {
        info.format = RASTER_FORMAT_BMP;
        readBmp(fp, info);
    } else if (got >= 3 && sig[0] == 0xFF && sig[1] == 0xD8 && sig[2] == 0xFF) {
        info.format = RASTER_FORMAT_JPEG;
        readJpeg(fp, info);
    } else if (got == 4 && ((sig[0] == 'I' && sig[1] == 'I' && sig[2] == 42 && sig[3] == 0) ||
                            (sig[0] == 'M' && sig[1] == 'M' && sig[2] == 0 && sig[3] == 42))) {
        info.format = RASTER_FORMAT_TIFF;
        readTiff(fp, sig[0] == 'I', info);
    }
    dlmSystem_mdlFclose(fp);
    return true;
}

// --- handles ---------------------------------------------------------------------------

struct Slot {
    DgnModelRefP model;
    int64_t id; // row of dgn_rasters
};

std::vector<Slot> &slots()
{
    static std::vector<Slot> s;
    return s;
}

DgnRasterRef handleFor(DgnModelRefP model, int64_t id)
{
    auto &s = slots();
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i].model == model && s[i].id == id) return static_cast<DgnRasterRef>(i + 1);
    if (s.size() >= static_cast<size_t>(INT32_MAX)) return 0;
    s.push_back({model, id});
    return static_cast<DgnRasterRef>(s.size());
}

const Slot *slotOf(DgnRasterRef raster)
{
    auto &s = slots();
    if (raster <= 0 || static_cast<size_t>(raster) > s.size()) return nullptr;
    return &s[static_cast<size_t>(raster) - 1];
}

// Runs one UPDATE of the attachment's row with binder filling parameters
// from 1; the row id goes last.
template <typename Binder>
int updateRow(DgnRasterRef raster, const char *sql, int idParam, Binder binder)
{
    const Slot *slot = slotOf(raster);
    if (!slot) return failWith(DGNERR_BADARG);
    if (mdlModelRef_isReadOnly(slot->model)) return failWith(DGNERR_READONLY);
    StoreWrite w(slot->model);
    if (!w.ok()) return w.error();
    {
        StoreStmt st(slot->model, sql);
        if (!st) return w.fail(mdlErrno);
        binder(st.get());
        sqlite3_bind_int64(st.get(), idParam, slot->id);
        int rc = sqlite3_step(st.get());
        if (rc != SQLITE_DONE) return w.fail(storeError(rc));
        if (sqlite3_changes(storeDb(slot->model)) == 0) return w.fail(DGNERR_NOTFOUND);
    }
    int rc = w.finish();
    return rc ? rc : succeed();
}

} // namespace
} // namespace mdlhost::dgn

using namespace mdlhost::dgn;

// Nothing to set up: attachments live in the design files.
int mdlRaster_initialize(void)
{
    mdlErrno = 0;
    return 0;
}

void mdlRaster_terminate(void) {}

int mdlRaster_fileOpen(DgnRasterRef *raster, const char *fileName, DgnModelRefP model)
{
    if (raster) *raster = 0;
    if (!raster || !fileName || !*fileName || strlen(fileName) >= MDLHOST_MAXFILELENGTH) return failWith(DGNERR_BADARG);
    model = modelOrActive(model);
    if (!storeDb(model)) return failWith(DGNERR_NOMODEL);
    if (mdlModelRef_isReadOnly(model)) return failWith(DGNERR_READONLY);
    ImageInfo info;
    if (!readImage(fileName, info)) return failWith(DGNERR_NOTFOUND);
    int kind = info.format != RASTER_FORMAT_UNKNOWN && info.width > 0 ? RASTER_KIND_IMAGE : RASTER_KIND_UNKNOWN;

    StoreWrite w(model);
    if (!w.ok()) return w.error();
    int64_t id = 0;
    {
        StoreStmt st(model, "INSERT INTO dgn_rasters(model, file, kind, format, width, height, view_flags, mode) "
                       "VALUES(?, ?, ?, ?, ?, ?, ?, 0)");
        if (!st) return w.fail(mdlErrno);
        sqlite3_bind_int64(st.get(), 1, storeModelId(model));
        sqlite3_bind_text(st.get(), 2, fileName, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st.get(), 3, kind);
        sqlite3_bind_int(st.get(), 4, info.format);
        sqlite3_bind_int(st.get(), 5, info.width);
        sqlite3_bind_int(st.get(), 6, info.height);
        sqlite3_bind_int64(st.get(), 7, RASTER_ALL_VIEWS);
        int rc = sqlite3_step(st.get());
        if (rc != SQLITE_DONE) return w.fail(storeError(rc));
        id = sqlite3_last_insert_rowid(storeDb(model));
    }
    int rc = w.finish();
    if (rc != 0) return rc;
    *raster = handleFor(model, id);
    return *raster ? succeed() : failWith(DGNERR_FILEFULL);
}

int mdlRaster_geoReferenceInfoSet(DgnRasterRef raster, const DPoint3d *origin, double extentX, double extentY)
{
    if (!origin || !std::isfinite(origin->x) || !std::isfinite(origin->y) || !std::isfinite(extentX) ||
        !std::isfinite(extentY))
        return failWith(DGNERR_BADARG);
    return updateRow(raster, "UPDATE dgn_rasters SET origin_x = ?, origin_y = ?, extent_x = ?, extent_y = ? WHERE id = ?",
                     5, [&](sqlite3_stmt *st) {
                         sqlite3_bind_double(st, 1, origin->x);
                         sqlite3_bind_double(st, 2, origin->y);
                         sqlite3_bind_double(st, 3, extentX);
                         sqlite3_bind_double(st, 4, extentY);
                     });
}

int mdlRaster_renderingInfoSet(DgnRasterRef raster, uint32_t viewFlags)
{
    return updateRow(raster, "UPDATE dgn_rasters SET view_flags = ? WHERE id = ?", 2,
                     [&](sqlite3_stmt *st) { sqlite3_bind_int64(st, 1, viewFlags & RASTER_ALL_VIEWS); });
}

int mdlRaster_extendedInfoSet(DgnRasterRef raster, int mode)
{
    return updateRow(raster, "UPDATE dgn_rasters SET mode = ? WHERE id = ?", 2,
                     [&](sqlite3_stmt *st) { sqlite3_bind_int(st, 1, mode); });
}

int mdlRaster_detach(DgnRasterRef raster)
{
    return updateRow(raster, "DELETE FROM dgn_rasters WHERE id = ?", 1, [](sqlite3_stmt *) {});
}

DgnRasterRef mdlRaster_getNext(DgnModelRefP model, DgnRasterRef previous)
{
    model = modelOrActive(model);
    int64_t after = 0;
    if (const Slot *slot = slotOf(previous); slot && mdlModelRef_areSame(slot->model, model)) after = slot->id;
    StoreStmt st(model, "SELECT id FROM dgn_rasters WHERE model = ? AND id > ? ORDER BY id LIMIT 1");
    if (!st) return 0;
    sqlite3_bind_int64(st.get(), 1, storeModelId(model));
    sqlite3_bind_int64(st.get(), 2, after);
    int rc = sqlite3_step(st.get());
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE) storeError(rc);
        return 0;
    }
    return handleFor(model, sqlite3_column_int64(st.get(), 0));
}

namespace {

// Selects columns of the attachment's row; calls fn on it.  0 or an error.
template <typename Reader>
int readRow(DgnRasterRef raster, const char *columns, Reader fn)
{
    const Slot *slot = slotOf(raster);
    if (!slot) return failWith(DGNERR_BADARG);
    char sql[256];
    snprintf(sql, sizeof sql, "SELECT %s FROM dgn_rasters WHERE id = ?", columns);
    StoreStmt st(slot->model, sql);
    if (!st) return mdlErrno;
    sqlite3_bind_int64(st.get(), 1, slot->id);
    int rc = sqlite3_step(st.get());
    if (rc == SQLITE_DONE) return failWith(DGNERR_NOTFOUND);
    if (rc != SQLITE_ROW) return storeError(rc);
    rc = fn(st.get());
    return rc ? rc : succeed();
}

} // namespace

int mdlRaster_fileInfoGet(DgnRasterFileInfo *info, DgnRasterRef raster)
{
    if (!info) return failWith(DGNERR_BADARG);
    int rc = readRow(raster, "file, kind, format, width, height", [&](sqlite3_stmt *st) {
        DgnRasterFileInfo out{};
        const auto *file = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
        mdlhost::copyText(out.fileName, file ? file : "");
        out.kind = sqlite3_column_int(st, 1);
        out.format = sqlite3_column_int(st, 2);
        out.width = sqlite3_column_int(st, 3);
        out.height = sqlite3_column_int(st, 4);
        // A file removed since it was attached is reported, not read.
        if (out.kind == RASTER_KIND_IMAGE) {
            FILE *fp = dlmSystem_mdlFopen(out.fileName, "rb");
            if (fp) dlmSystem_mdlFclose(fp);
            else out.kind = RASTER_KIND_MISSING;
        }
        *info = out;
        return 0;
    });
    return rc;
}

int mdlRaster_renderingInfoGet(uint32_t *viewFlags, DgnRasterRef raster)
{
    if (!viewFlags) return failWith(DGNERR_BADARG);
    return readRow(raster, "view_flags", [&](sqlite3_stmt *st) {
        *viewFlags = static_cast<uint32_t>(sqlite3_column_int64(st, 0)) & RASTER_ALL_VIEWS;
        return 0;
    });
}

int mdlRaster_extendedInfoGet(int *mode, DgnRasterRef raster)
{
    if (!mode) return failWith(DGNERR_BADARG);
    return readRow(raster, "mode", [&](sqlite3_stmt *st) {
        *mode = sqlite3_column_int(st, 0);
        return 0;
    });
}

int mdlRaster_geoReferenceInfoGet(DPoint3d *origin, double *extentX, double *extentY, DgnRasterRef raster)
{
    return readRow(raster, "origin_x, origin_y, extent_x, extent_y", [&](sqlite3_stmt *st) {
        for (int i = 0; i < 4; ++i)
            if (sqlite3_column_type(st, i) == SQLITE_NULL) return failWith(DGNERR_NOTFOUND);
        if (origin) *origin = DPoint3d{sqlite3_column_double(st, 0), sqlite3_column_double(st, 1), 0};
        if (extentX) *extentX = sqlite3_column_double(st, 2);
        if (extentY) *extentY = sqlite3_column_double(st, 3);
        return 0;
    });
}
