// Resource store: handles per application, files shared between handles, opening and closing.
#include "rsc_int.h"

// ---- store ----------------------------------------------------------------

namespace rscint {

// Handles per application in opening order.  Handles are checked against
// `levende` before use, so a handle closed by mdlhost_forgetResources is
// refused, not followed.
std::map<MdlDesc *, std::vector<std::unique_ptr<RscFile>>> filer;
std::set<const RscFile *> levende;
// The first file opened for an application through mdlhost_openResourceFor.
std::map<MdlDesc *, std::shared_ptr<Kilde>> egneFiler;
// Open files by canonical local path, so handles on one file see one view.
std::map<std::string, std::weak_ptr<Kilde>> delte;

} // namespace rscint

namespace rscint {
std::map<void *, Lastet> lastede;

// The host's own preference file (not among any application's files).
std::unique_ptr<RscFile> vertPreferanse;

bool sammeFil(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The loaded view of a file: shared with an open handle while the file on
// disk is unchanged, else read anew.  Null after printing the error.
std::shared_ptr<Kilde> hentKilde(const std::string &navn, const std::string &lokal)
{
    std::string nokkel = kanonisk(lokal);
    struct stat st {};
    bool harStat = stat(lokal.c_str(), &st) == 0;
    auto d = delte.find(nokkel);
    if (d != delte.end()) {
        if (auto k = d->second.lock())
            if (harStat && sammeFil(k->st, st))
                return k;
    }
    auto k = std::make_shared<Kilde>();
    k->navn = navn;
    k->lokal = lokal;
    std::vector<std::string> kjede;
    Feil feil;
    int rc = lesFil(navn, kjede, &k->rot, &feil);
    if (rc == 0)
        rc = indekser(*k, &feil);
    if (rc != 0) {
        if (feil.linje == 0)
            toolSubsystem_printf("Resource file %s: %s\n", feil.fil.c_str(), feil.tekst.c_str());
        else
            toolSubsystem_printf("Resource file %s, line %d: %s\n", feil.fil.c_str(), feil.linje,
                                 feil.tekst.c_str());
        return nullptr;
    }
    k->st = st;
    delte[nokkel] = k;
    return k;
}

bool finnes(const std::string &lokal)
{
    struct stat st;
    return stat(lokal.c_str(), &st) == 0;
}

// Opens navn for desc.  A read-write open of a missing file fails without
// a message: the caller is expected to create it.
int aapne(MdlDesc *desc, const char *navn, int modus, RscFile **ut)
{
    *ut = nullptr;
    if (modus != MDLHOST_RSC_READ && modus != MDLHOST_RSC_READWRITE)
        return MDLHOST_RSC_BADARG;
    if (navn == nullptr) {
        toolSubsystem_printf("Resource file (null): cannot be read\n");
        return MDLHOST_RSC_ERROR;
    }
    std::string lokal = lokalSti(navn);
    if (modus == MDLHOST_RSC_READWRITE) {
        if (!finnes(lokal))
            return MDLHOST_RSC_ERROR;
        if (!skrivbar(lokal))
            return MDLHOST_RSC_READONLY;
    }
    std::shared_ptr<Kilde> k = hentKilde(navn, lokal);
    if (!k)
        return MDLHOST_RSC_ERROR;
    auto h = std::make_unique<RscFile>();
    h->kilde = std::move(k);
    h->owner = desc;
    h->skriv = modus == MDLHOST_RSC_READWRITE;
    *ut = h.get();
    levende.insert(h.get());
    filer[desc].push_back(std::move(h));
    return MDLHOST_RSC_OK;
}

RscFile *levendeHandle(RscFileHandle h) { return h != nullptr && levende.count(h) ? h : nullptr; }

// The files a lookup searches: the handle's, or the current application's
// in opening order.
std::vector<Kilde *> sokeliste(MdlDesc *desc, RscFileHandle h, bool medHandle)
{
    std::vector<Kilde *> ut;
    if (medHandle) {
        if (RscFile *f = levendeHandle(h))
            ut.push_back(f->kilde.get());
        return ut;
    }
    auto f = filer.find(desc);
    if (f != filer.end())
        for (auto &fil : f->second)
            ut.push_back(fil->kilde.get());
    return ut;
}

} // namespace rscint

// ---- entry points: files ------------------------------------------------------

int mdlResource_openFile(RscFileHandle *handle, const char *fileName, int mode)
{
    if (handle)
        *handle = nullptr;
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    RscFile *fil = nullptr;
    int rc;
    if (fileName != nullptr) {
        rc = aapne(desc, fileName, mode, &fil);
    } else {
        // The application's own file: a new handle on the view it has.
        auto e = egneFiler.find(desc);
        if (e == egneFiler.end()) {
            toolSubsystem_printf("Resource file: the application %s has none of its own\n",
                                 mdlSystem_getMdlTaskID(desc));
            return MDLHOST_RSC_ERROR;
        }
        std::string navn = e->second->navn;
        rc = aapne(desc, navn.c_str(), mode, &fil);
    }
    if (handle)
        *handle = fil;
    return rc;
}

void mdlResource_closeFile(RscFileHandle handle)
{
    if (levendeHandle(handle) == nullptr || handle == vertPreferanse.get())
        return;
    auto &liste = filer[handle->owner];
    levende.erase(handle);
    for (auto it = liste.begin(); it != liste.end(); ++it)
        if (it->get() == handle) {
            liste.erase(it);
            break;
        }
}

int mdlResource_createFile(const char *fileName, const char *description, int)
{
    if (fileName == nullptr || fileName[0] == '\0')
        return MDLHOST_RSC_BADARG;
    // The bits decide, as for every write (root could create anywhere).
    std::string lokal = lokalSti(fileName);
    struct stat st;
    std::string dir = katalogAv(lokal);
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !skrivebit(st) ||
        (geteuid() != 0 && access(dir.c_str(), W_OK) != 0))
        return MDLHOST_RSC_WRITEFAIL;
    std::string bytes;
    if (description != nullptr) {
        bytes = DESCRIPTION;
        bytes.push_back(' ');
        skrivTekst(bytes, description);
        bytes.push_back('\n');
    }
    return skrivAtomisk(lokal, bytes, true);
}

const char *mdlhost_rscDescription(RscFileHandle handle)
{
    RscFile *f = levendeHandle(handle);
    return f ? f->kilde->ix.beskrivelse.c_str() : "";
}

int mdlhost_openResourceFor(MdlDesc *desc, const char *fileName)
{
    RscFile *fil;
    int rc = aapne(desc, fileName, MDLHOST_RSC_READ, &fil);
    if (rc == MDLHOST_RSC_OK && !egneFiler.count(desc))
        egneFiler[desc] = fil->kilde;
    return rc == MDLHOST_RSC_OK ? 0 : -1;
}

void mdlhost_forgetResources(MdlDesc *desc)
{
    egneFiler.erase(desc);
    auto f = filer.find(desc);
    if (f == filer.end())
        return;
    for (auto &fil : f->second)
        levende.erase(fil.get());
    filer.erase(f);
}

void mdlhost_rscFailWrites(int n) { feilSkrivinger = n > 0 ? n : 0; }

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
