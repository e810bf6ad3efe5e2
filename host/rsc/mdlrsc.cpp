// Resource store: handles per application, files shared between handles, opening and closing.
#include "rsc_int.h"

// ---- store ----------------------------------------------------------------

namespace rscint {

// Handles per application in opening order.  Handles are checked against
// `liveHandles` before use, so a handle closed by mdlhost_forgetResources is
// refused, not followed.
std::map<MdlDesc *, std::vector<std::unique_ptr<RscFile>>> openHandles;
std::set<const RscFile *> liveHandles;
// The first file opened for an application through mdlhost_openResourceFor.
std::map<MdlDesc *, std::shared_ptr<Source>> ownSources;
// Open files by canonical local path, so handles on one file see one view.
std::map<std::string, std::weak_ptr<Source>> sharedSources;

} // namespace rscint

namespace rscint {
std::map<void *, LoadedCopy> loadedCopies;

// The host's own preference file (not among any application's files).
std::unique_ptr<RscFile> hostPrefs;

bool sameFileOnDisk(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The loaded view of a file: shared with an open handle while the file on
// disk is unchanged, else read anew.  Null after printing the error.
std::shared_ptr<Source> sourceFor(const std::string &name, const std::string &localPath)
{
    std::string key = canonicalPath(localPath);
    struct stat st {};
    bool hasStat = stat(localPath.c_str(), &st) == 0;
    auto shared = sharedSources.find(key);
    if (shared != sharedSources.end()) {
        if (auto src = shared->second.lock())
            if (hasStat && sameFileOnDisk(src->st, st))
                return src;
    }
    auto src = std::make_shared<Source>();
    src->name = name;
    src->localPath = localPath;
    std::vector<std::string> chain;
    ReadError error;
    int rc = readSourceFile(name, chain, &src->root, &error);
    if (rc == 0)
        rc = buildIndex(*src, &error);
    if (rc != 0) {
        if (error.line == 0)
            toolSubsystem_printf("Resource file %s: %s\n", error.file.c_str(), error.message.c_str());
        else
            toolSubsystem_printf("Resource file %s, line %d: %s\n", error.file.c_str(), error.line,
                                 error.message.c_str());
        return nullptr;
    }
    src->st = st;
    sharedSources[key] = src;
    return src;
}

bool exists(const std::string &localPath)
{
    struct stat st;
    return stat(localPath.c_str(), &st) == 0;
}

// Opens name for desc.  A read-write open of a missing file fails without
// a message: the caller is expected to create it.
int openHandle(MdlDesc *desc, const char *name, int mode, RscFile **out)
{
    *out = nullptr;
    if (mode != MDLHOST_RSC_READ && mode != MDLHOST_RSC_READWRITE)
        return MDLHOST_RSC_BADARG;
    if (name == nullptr) {
        toolSubsystem_printf("Resource file (null): cannot be read\n");
        return MDLHOST_RSC_ERROR;
    }
    std::string localPath = localPathOf(name);
    if (mode == MDLHOST_RSC_READWRITE) {
        if (!exists(localPath))
            return MDLHOST_RSC_ERROR;
        if (!mayWrite(localPath))
            return MDLHOST_RSC_READONLY;
    }
    std::shared_ptr<Source> src = sourceFor(name, localPath);
    if (!src)
        return MDLHOST_RSC_ERROR;
    auto h = std::make_unique<RscFile>();
    h->source = std::move(src);
    h->owner = desc;
    h->writable = mode == MDLHOST_RSC_READWRITE;
    *out = h.get();
    liveHandles.insert(h.get());
    openHandles[desc].push_back(std::move(h));
    return MDLHOST_RSC_OK;
}

RscFile *liveHandle(RscFileHandle h) { return h != nullptr && liveHandles.count(h) ? h : nullptr; }

// The files a lookup searches: the handle's, or the current application's
// in opening order.
std::vector<RscFile *> searchedHandles(MdlDesc *desc, RscFileHandle h, bool byHandle)
{
    std::vector<RscFile *> out;
    if (byHandle) {
        if (RscFile *f = liveHandle(h))
            out.push_back(f);
        return out;
    }
    auto f = openHandles.find(desc);
    if (f != openHandles.end())
        for (auto &handle : f->second)
            out.push_back(handle.get());
    return out;
}

} // namespace rscint

// ---- entry points: files ------------------------------------------------------

int mdlResource_openFile(RscFileHandle *handle, const char *fileName, int mode)
{
    if (handle)
        *handle = nullptr;
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    RscFile *opened = nullptr;
    int rc;
    if (fileName != nullptr) {
        rc = openHandle(desc, fileName, mode, &opened);
    } else {
        // The application's own file: a new handle on the view it has.
        auto e = ownSources.find(desc);
        if (e == ownSources.end()) {
            toolSubsystem_printf("Resource file: the application %s has none of its own\n",
                                 mdlSystem_getMdlTaskID(desc));
            return MDLHOST_RSC_ERROR;
        }
        std::string name = e->second->name;
        rc = openHandle(desc, name.c_str(), mode, &opened);
    }
    if (handle)
        *handle = opened;
    return rc;
}

void mdlResource_closeFile(RscFileHandle handle)
{
    if (liveHandle(handle) == nullptr || handle == hostPrefs.get())
        return;
    auto &handles = openHandles[handle->owner];
    liveHandles.erase(handle);
    for (auto it = handles.begin(); it != handles.end(); ++it)
        if (it->get() == handle) {
            handles.erase(it);
            break;
        }
}

int mdlResource_createFile(const char *fileName, const char *description, int)
{
    if (fileName == nullptr || fileName[0] == '\0')
        return MDLHOST_RSC_BADARG;
    // The bits decide, as for every write (root could create anywhere).
    std::string localPath = localPathOf(fileName);
    struct stat st;
    std::string dir = directoryOf(localPath);
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !hasWriteBit(st) ||
        (geteuid() != 0 && access(dir.c_str(), W_OK) != 0))
        return MDLHOST_RSC_WRITEFAIL;
    std::string bytes;
    if (description != nullptr) {
        bytes = DESCRIPTION;
        bytes.push_back(' ');
        writeQuoted(bytes, description);
        bytes.push_back('\n');
    }
    return writeAtomically(localPath, bytes, true);
}

const char *mdlhost_rscDescription(RscFileHandle handle)
{
    RscFile *f = liveHandle(handle);
    return f ? f->source->index.description.c_str() : "";
}

int mdlhost_openResourceFor(MdlDesc *desc, const char *fileName)
{
    RscFile *opened;
    int rc = openHandle(desc, fileName, MDLHOST_RSC_READ, &opened);
    if (rc == MDLHOST_RSC_OK && !ownSources.count(desc))
        ownSources[desc] = opened->source;
    return rc == MDLHOST_RSC_OK ? 0 : -1;
}

void mdlhost_forgetResources(MdlDesc *desc)
{
    ownSources.erase(desc);
    auto f = openHandles.find(desc);
    if (f == openHandles.end())
        return;
    for (auto &handle : f->second)
        liveHandles.erase(handle.get());
    openHandles.erase(f);
}

void mdlhost_rscFailWrites(int n) { failingWrites = n > 0 ? n : 0; }

// ---- registry -------------------------------------------------------------

namespace {

void openOnRegister(MdlDesc *desc, const char *resourceFile)
{
    // The application still loads without its texts; the user must see why
    // they are missing.
    if (resourceFile != nullptr && mdlhost_openResourceFor(desc, resourceFile) != 0)
        toolSubsystem_printf("Application %s: resource file %s not opened\n", mdlSystem_getMdlTaskID(desc),
                             resourceFile);
}

[[maybe_unused]] const bool listening =
    (mdlhost_addRegisterListener(openOnRegister), mdlhost_addUnloadListener(mdlhost_forgetResources), true);

} // namespace
