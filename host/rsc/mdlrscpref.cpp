// Remembered file names: the host preference file and the stored record.
#include "rsc_int.h"
#include "sys/sys_host.h"

int mdlhost_userPrefsName(char *name, size_t size)
{
    if (name == nullptr || size == 0)
        return -1;
    name[0] = '\0';
    // MS_USERPREF is the platform's name for it and what applications
    // build their own preference paths from.  A name that does not fit is
    // refused, never cut or passed over.
    std::string value;
    for (const char *var : {"MS_USERPREF", "MDLHOST_USERPREF"})
        if (mdlhost::cfgLookup(var, value) && !value.empty())
            return mdlhost::copyWhole(name, size, value) ? 0 : -1;
    if (!mdlhost::cfgLookup("HOME", value) || value.empty())
        return -1;
    return mdlhost::copyWhole(name, size, value + "/.mdlhost.upf") ? 0 : -1;
}

namespace rscint {
// The host's own preference file, opened (and created) on first use.
RscFile *hostPrefsFile(int *rc)
{
    std::vector<char> name(MDLHOST_MAXLOCALPATH);
    if (mdlhost_userPrefsName(name.data(), name.size()) != 0) {
        *rc = MDLHOST_RSC_ERROR;
        return nullptr;
    }
    if (hostPrefs && hostPrefs->source->name == name.data())
        return hostPrefs.get();
    mdlhost_closeUserPrefs();
    std::string localPath = localPathOf(name.data());
    if (!exists(localPath)) {
        int c = mdlResource_createFile(name.data(), "Host preferences", MDLHOST_RSC_READWRITE);
        if (c != MDLHOST_RSC_OK && c != MDLHOST_RSC_EXISTS) {
            *rc = c;
            return nullptr;
        }
    }
    std::shared_ptr<Source> src = sourceFor(name.data(), localPath);
    if (!src) {
        *rc = MDLHOST_RSC_ERROR;
        return nullptr;
    }
    hostPrefs = std::make_unique<RscFile>();
    hostPrefs->source = std::move(src);
    hostPrefs->writable = mayWrite(localPath);
    liveHandles.insert(hostPrefs.get());
    return hostPrefs.get();
}

RscFileHandle prefsHandle(RscFileHandle handle, int *rc)
{
    *rc = MDLHOST_RSC_OK;
    if (handle == nullptr)
        return hostPrefsFile(rc);
    if (liveHandle(handle) == nullptr)
        *rc = MDLHOST_RSC_BADARG;
    return liveHandle(handle);
}

// Remembered-file record, stored little-endian field by field.
void putI32(unsigned char *p, int32_t v)
{
    uint32_t u = (uint32_t)v;
    for (int i = 0; i < 4; i++)
        p[i] = (unsigned char)(u >> (8 * i));
}

int32_t getI32(const unsigned char *p)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; i++)
        u |= (uint32_t)p[i] << (8 * i);
    return (int32_t)u;
}

constexpr size_t NAME_LEN = MDLHOST_UPREF_NAMELENGTH;
constexpr size_t HISTORY = MDLHOST_UPREF_HISTORY;

void encodeRecord(const MdlUserPrefsFile &r, unsigned char *b)
{
    memset(b, 0, USERPREF_RECORD_SIZE);
    b[0] = r.marker;
    putI32(b + 4, r.version);
    memcpy(b + 8, r.fileName, NAME_LEN);
    memcpy(b + 8 + NAME_LEN, r.filter, NAME_LEN);
    memcpy(b + 8 + 2 * NAME_LEN, r.directory, NAME_LEN);
    unsigned char *p = b + 8 + 3 * NAME_LEN;
    putI32(p, r.fileCount);
    putI32(p + 4, r.filterCount);
    putI32(p + 8, r.directoryCount);
    p += 12;
    memcpy(p, r.files, HISTORY * NAME_LEN);
    memcpy(p + HISTORY * NAME_LEN, r.filters, HISTORY * NAME_LEN);
    memcpy(p + 2 * HISTORY * NAME_LEN, r.directories, HISTORY * NAME_LEN);
}

int32_t clampedCount(int32_t v) { return v < 0 ? 0 : v > (int32_t)HISTORY ? (int32_t)HISTORY : v; }

void decodeRecord(const unsigned char *b, MdlUserPrefsFile *r)
{
    memset(r, 0, sizeof *r);
    r->marker = b[0];
    r->version = getI32(b + 4);
    memcpy(r->fileName, b + 8, NAME_LEN);
    memcpy(r->filter, b + 8 + NAME_LEN, NAME_LEN);
    memcpy(r->directory, b + 8 + 2 * NAME_LEN, NAME_LEN);
    const unsigned char *p = b + 8 + 3 * NAME_LEN;
    r->fileCount = clampedCount(getI32(p));
    r->filterCount = clampedCount(getI32(p + 4));
    r->directoryCount = clampedCount(getI32(p + 8));
    p += 12;
    memcpy(r->files, p, HISTORY * NAME_LEN);
    memcpy(r->filters, p + HISTORY * NAME_LEN, HISTORY * NAME_LEN);
    memcpy(r->directories, p + 2 * HISTORY * NAME_LEN, HISTORY * NAME_LEN);
    // Every name is read back terminated, whatever the file held.
    r->fileName[NAME_LEN - 1] = r->filter[NAME_LEN - 1] = r->directory[NAME_LEN - 1] = '\0';
    for (size_t i = 0; i < HISTORY; i++)
        r->files[i][NAME_LEN - 1] = r->filters[i][NAME_LEN - 1] = r->directories[i][NAME_LEN - 1] = '\0';
}

static_assert(sizeof(MdlUserPrefsFile) == USERPREF_RECORD_SIZE, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, version) == 4, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, fileName) == 8, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, fileCount) == 8 + 3 * NAME_LEN, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, files) == 20 + 3 * NAME_LEN, "remembered-file record layout");

} // namespace rscint

// ---- entry points: remembered file names ------------------------------------------

int mdlUserPrefs_getFileName(MdlUserPrefsFile *record, long dialogId, RscFileHandle handle)
{
    if (record == nullptr)
        return MDLHOST_RSC_BADARG;
    memset(record, 0, sizeof *record);
    int rc;
    RscFileHandle h = prefsHandle(handle, &rc);
    if (h == nullptr)
        return rc;
    size_t size;
    rc = mdlResource_query(h, MDLHOST_RTYPE_USERPREFSFILE, dialogId, &size);
    if (rc != MDLHOST_RSC_OK)
        return rc;
    if (size != USERPREF_RECORD_SIZE)
        return MDLHOST_RSC_ERROR;
    std::vector<unsigned char> b(USERPREF_RECORD_SIZE);
    rc = mdlResource_loadInto(h, MDLHOST_RTYPE_USERPREFSFILE, dialogId, b.data(), b.size());
    if (rc == MDLHOST_RSC_OK)
        decodeRecord(b.data(), record);
    return rc;
}

int mdlUserPrefs_saveFileName(const MdlUserPrefsFile *record, long dialogId, RscFileHandle handle)
{
    if (record == nullptr)
        return MDLHOST_RSC_BADARG;
    int rc;
    RscFileHandle h = prefsHandle(handle, &rc);
    if (h == nullptr)
        return rc;
    std::vector<unsigned char> b(USERPREF_RECORD_SIZE);
    encodeRecord(*record, b.data());
    return mdlResource_replace(h, MDLHOST_RTYPE_USERPREFSFILE, dialogId, b.data(), b.size());
}

void mdlhost_closeUserPrefs(void)
{
    if (hostPrefs) {
        liveHandles.erase(hostPrefs.get());
        hostPrefs.reset();
    }
}
