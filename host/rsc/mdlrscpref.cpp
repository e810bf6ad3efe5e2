// Remembered file names: the host preference file and the stored record.
#include "rsc_int.h"

namespace rscint {
// The host's own preference file, opened (and created) on first use.
RscFile *vertsPreferanser(int *rc)
{
    std::vector<char> navn(PATH_CAP);
    if (mdlSystem_getCfgVar(navn.data(), "MDLHOST_USERPREF", (int)navn.size()) != 0 || navn[0] == '\0') {
        std::vector<char> hjem(PATH_CAP);
        if (mdlSystem_getCfgVar(hjem.data(), "HOME", (int)hjem.size()) != 0 || hjem[0] == '\0' ||
            mdlSystem_expandCfgVar("$(HOME)/.mdlhost.upf", navn.data(), (int)navn.size()) != 0) {
            *rc = MDLHOST_RSC_ERROR;
            return nullptr;
        }
    }
    if (vertPreferanse && vertPreferanse->kilde->navn == navn.data())
        return vertPreferanse.get();
    mdlhost_closeUserPrefs();
    std::string lokal = lokalSti(navn.data());
    if (!finnes(lokal)) {
        int c = mdlResource_createFile(navn.data(), "Host preferences", MDLHOST_RSC_READWRITE);
        if (c != MDLHOST_RSC_OK && c != MDLHOST_RSC_EXISTS) {
            *rc = c;
            return nullptr;
        }
    }
    std::shared_ptr<Kilde> k = hentKilde(navn.data(), lokal);
    if (!k) {
        *rc = MDLHOST_RSC_ERROR;
        return nullptr;
    }
    vertPreferanse = std::make_unique<RscFile>();
    vertPreferanse->kilde = std::move(k);
    vertPreferanse->skriv = skrivbar(lokal);
    levende.insert(vertPreferanse.get());
    return vertPreferanse.get();
}

RscFileHandle preferanseHandle(RscFileHandle handle, int *rc)
{
    *rc = MDLHOST_RSC_OK;
    if (handle == nullptr)
        return vertsPreferanser(rc);
    if (levendeHandle(handle) == nullptr)
        *rc = MDLHOST_RSC_BADARG;
    return levendeHandle(handle);
}

// Remembered-file record, stored little-endian field by field.
void settI32(unsigned char *p, int32_t v)
{
    uint32_t u = (uint32_t)v;
    for (int i = 0; i < 4; i++)
        p[i] = (unsigned char)(u >> (8 * i));
}

int32_t hentI32(const unsigned char *p)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; i++)
        u |= (uint32_t)p[i] << (8 * i);
    return (int32_t)u;
}

constexpr size_t NAVN = MDLHOST_UPREF_NAMELENGTH;
constexpr size_t HIST = MDLHOST_UPREF_HISTORY;

void kodPreferanse(const MdlUserPrefsFile &r, unsigned char *b)
{
    memset(b, 0, USERPREF_STORRELSE);
    b[0] = r.marker;
    settI32(b + 4, r.version);
    memcpy(b + 8, r.fileName, NAVN);
    memcpy(b + 8 + NAVN, r.filter, NAVN);
    memcpy(b + 8 + 2 * NAVN, r.directory, NAVN);
    unsigned char *p = b + 8 + 3 * NAVN;
    settI32(p, r.fileCount);
    settI32(p + 4, r.filterCount);
    settI32(p + 8, r.directoryCount);
    p += 12;
    memcpy(p, r.files, HIST * NAVN);
    memcpy(p + HIST * NAVN, r.filters, HIST * NAVN);
    memcpy(p + 2 * HIST * NAVN, r.directories, HIST * NAVN);
}

int32_t antall(int32_t v) { return v < 0 ? 0 : v > (int32_t)HIST ? (int32_t)HIST : v; }

void dekodPreferanse(const unsigned char *b, MdlUserPrefsFile *r)
{
    memset(r, 0, sizeof *r);
    r->marker = b[0];
    r->version = hentI32(b + 4);
    memcpy(r->fileName, b + 8, NAVN);
    memcpy(r->filter, b + 8 + NAVN, NAVN);
    memcpy(r->directory, b + 8 + 2 * NAVN, NAVN);
    const unsigned char *p = b + 8 + 3 * NAVN;
    r->fileCount = antall(hentI32(p));
    r->filterCount = antall(hentI32(p + 4));
    r->directoryCount = antall(hentI32(p + 8));
    p += 12;
    memcpy(r->files, p, HIST * NAVN);
    memcpy(r->filters, p + HIST * NAVN, HIST * NAVN);
    memcpy(r->directories, p + 2 * HIST * NAVN, HIST * NAVN);
    // Every name is read back terminated, whatever the file held.
    r->fileName[NAVN - 1] = r->filter[NAVN - 1] = r->directory[NAVN - 1] = '\0';
    for (size_t i = 0; i < HIST; i++)
        r->files[i][NAVN - 1] = r->filters[i][NAVN - 1] = r->directories[i][NAVN - 1] = '\0';
}

static_assert(sizeof(MdlUserPrefsFile) == USERPREF_STORRELSE, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, version) == 4, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, fileName) == 8, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, fileCount) == 8 + 3 * NAVN, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, files) == 20 + 3 * NAVN, "remembered-file record layout");

} // namespace rscint

// ---- entry points: remembered file names ------------------------------------------

int mdlUserPrefs_getFileName(MdlUserPrefsFile *record, long dialogId, RscFileHandle handle)
{
    if (record == nullptr)
        return MDLHOST_RSC_BADARG;
    memset(record, 0, sizeof *record);
    int rc;
    RscFileHandle h = preferanseHandle(handle, &rc);
    if (h == nullptr)
        return rc;
    size_t size;
    rc = mdlResource_query(h, MDLHOST_RTYPE_USERPREFSFILE, dialogId, &size);
    if (rc != MDLHOST_RSC_OK)
        return rc;
    if (size != USERPREF_STORRELSE)
        return MDLHOST_RSC_ERROR;
    std::vector<unsigned char> b(USERPREF_STORRELSE);
    rc = mdlResource_loadInto(h, MDLHOST_RTYPE_USERPREFSFILE, dialogId, b.data(), b.size());
    if (rc == MDLHOST_RSC_OK)
        dekodPreferanse(b.data(), record);
    return rc;
}

int mdlUserPrefs_saveFileName(const MdlUserPrefsFile *record, long dialogId, RscFileHandle handle)
{
    if (record == nullptr)
        return MDLHOST_RSC_BADARG;
    int rc;
    RscFileHandle h = preferanseHandle(handle, &rc);
    if (h == nullptr)
        return rc;
    std::vector<unsigned char> b(USERPREF_STORRELSE);
    kodPreferanse(*record, b.data());
    return mdlResource_replace(h, MDLHOST_RTYPE_USERPREFSFILE, dialogId, b.data(), b.size());
}

void mdlhost_closeUserPrefs(void)
{
    if (vertPreferanse) {
        levende.erase(vertPreferanse.get());
        vertPreferanse.reset();
    }
}
