// Loading applications from shared libraries, and unloading them.
//
//   finding      library and resource file of a name: MDLAPP_<TASK>, MS_MDL,
//                the host's own application folders, <task>.app files
//   loading      dlopen, registration, MdlMain with its arguments
//   unloading    unload hook, deferred unloads, dlclose, shutdown
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app_int.h"
#include "app/mdlapp.h"
#include "sys/mdlsys.h"
#include "base/text_host.h"
#include "sys/sys_host.h"

namespace {

bool hasDirectory(const std::string &name)
{
    return name.find_first_of("/\\") != std::string::npos || mdlhost::hasDrive(name.c_str());
}

} // namespace

std::string mdlhost::taskIdOf(const std::string &name)
{
    size_t slash = name.find_last_of("/\\:");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (mdlhost::endsWithName(base, ".so")) {
        base.resize(base.size() - 3);
        if (base.size() > 3 && base.compare(0, 3, "lib") == 0)
            base.erase(0, 3);
    }
    size_t dot = base.find('.');
    if (dot != std::string::npos)
        base.resize(dot);
    return mdlhost::upperCased(base);
}

namespace {

// Where an application was found: its library and, when its .app file names
// one, its resource file.
struct Found {
    std::string library;
    std::string resources;
};

// The folder of path with its last separator, "" when it has none.
std::string folderOf(const std::string &path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// dir without "." and ".." steps or links, so the paths given to
// applications as argv[0] are plain; as it stands when it does not exist.
std::string plainFolder(const std::string &dir)
{
    char *real = realpath(dir.c_str(), nullptr);
    if (real == nullptr)
        return dir;
    std::string plain = std::string(real) + "/";
    free(real);
    return plain;
}

// The host's own application folders, as it knows its own resources: the
// folder of the library holding the host, and ../lib of the program, so a
// build and an installation both find what was built beside them.
std::vector<std::string> defaultApplicationFolders()
{
    std::vector<std::string> dirs;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&mdlhost_loadApplication), &info) != 0 && info.dli_fname != nullptr)
        if (std::string dir = folderOf(info.dli_fname); !dir.empty())
            dirs.push_back(plainFolder(dir));
    char exe[MDLHOST_MAXFILELENGTH];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        exe[n] = '\0';
        if (std::string dir = folderOf(exe); !dir.empty()) {
            dir = plainFolder(dir + "../lib/");
            if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
                dirs.push_back(dir);
        }
    }
    return dirs;
}

// Reads a <task>.app file: "library = FILE" (required) and "resources =
// FILE", each relative to the file's folder unless absolute; '#' lines are
// comments.  False with the reason, naming file and line, in why.
bool readAppFile(const std::string &appFile, Found &found, std::string &why)
{
    FILE *fp = dlmSystem_mdlFopen(appFile.c_str(), "r");
    if (fp == nullptr) {
        why = "cannot read " + appFile;
        return false;
    }
    std::string dir = folderOf(appFile);
    Found f;
    bool ok = true;
    char buf[MDLHOST_MAXFILELENGTH + 64];
    for (int lineNo = 1; ok && fgets(buf, sizeof buf, fp) != nullptr; lineNo++) {
        std::string where = appFile + " line " + std::to_string(lineNo) + ": ";
        size_t len = strlen(buf);
        if (len == sizeof buf - 1 && buf[len - 1] != '\n') {
            why = where + "line too long";
            ok = false;
            break;
        }
        std::string_view text = mdlhost::trimmed(buf);
        if (text.empty() || text.front() == '#')
            continue;
        size_t eq = text.find('=');
        std::string key(mdlhost::trimmed(text.substr(0, eq == std::string_view::npos ? 0 : eq)));
        std::string value(eq == std::string_view::npos ? "" : mdlhost::trimmed(text.substr(eq + 1)));
        if (value.empty() || (key != "library" && key != "resources")) {
            why = where + "expected \"library = FILE\" or \"resources = FILE\"";
            ok = false;
            break;
        }
        if (value.front() != '/' && value.front() != '\\' && !mdlhost::hasDrive(value.c_str()))
            value = dir + value;
        (key == "library" ? f.library : f.resources) = value;
    }
    dlmSystem_mdlFclose(fp);
    char onDisk[MDLHOST_MAXFILELENGTH];
    if (ok && f.library.empty()) {
        why = appFile + ": no \"library = FILE\" line";
        ok = false;
    } else if (ok && mdlFile_find(onDisk, f.library.c_str(), nullptr, nullptr) != 0) {
        why = appFile + " names " + f.library + ", which does not exist";
        ok = false;
    }
    if (ok)
        found = f;
    return ok;
}

// The first of lib<name>.so, <name>.so and <name>.app in dir (case ignored).
// 1 found, 0 none, -1 a broken .app file (reason in why).
int findInFolder(const std::string &dir, const std::string &lower, Found &found, std::string &why)
{
    std::string path;
    for (const std::string &candidate : {"lib" + lower + ".so", lower + ".so"})
        if (mdlhost::findInDirectory(dir, candidate, path)) {
            found = {path, ""};
            return 1;
        }
    if (!mdlhost::findInDirectory(dir, lower + ".app", path))
        return 0;
    return readAppFile(path, found, why) ? 1 : -1;
}

// Library of name, or false with the reason in why.
bool findLibrary(const std::string &name, const std::string &taskId, Found &out, std::string &why)
{
    std::string var = "MDLAPP_" + taskId, value;
    char found[MDLHOST_MAXFILELENGTH];
    if (mdlhost::cfgLookup(var, value) && !value.empty()) {
        if (mdlFile_find(found, value.c_str(), nullptr, nullptr) == 0) {
            out = {found, ""};
            return true;
        }
        why = var + " names " + value + ", which does not exist";
        return false;
    }
    if (hasDirectory(name)) {
        if (mdlFile_find(found, name.c_str(), nullptr, nullptr) == 0) {
            out = {found, ""};
            return true;
        }
        why = "no such file";
        return false;
    }
    if (mdlhost::endsWithName(name, ".so")) {
        if (mdlFile_find(found, name.c_str(), "MS_MDL", nullptr) == 0) {
            out = {found, ""};
            return true;
        }
        why = "no " + name + " along MS_MDL";
        return false;
    }
    std::string lower = mdlhost::folded(name);
    std::vector<std::string> dirs = mdlhost::searchDirectories("MS_MDL");
    for (const std::string &dir : defaultApplicationFolders())
        dirs.push_back(dir);
    for (const std::string &dir : dirs) {
        int rc = findInFolder(dir, lower, out, why);
        if (rc != 0)
            return rc > 0;
    }
    why = "no MDLAPP_" + taskId + ", and no lib" + lower + ".so, " + lower + ".so or " + lower +
          ".app along MS_MDL or in the host's application folders";
    return false;
}

// Resource file of the application, or "" when it has none.
std::string findResourceFile(const std::string &taskId, const Found &app)
{
    std::string value;
    if (mdlhost::cfgLookup("MDLRSC_" + taskId, value) && !value.empty())
        return value; // named on purpose: a missing file is reported when opened
    if (!app.resources.empty())
        return app.resources;
    char dir[MDLHOST_MAXFILELENGTH], dev[MDLHOST_MAXFILELENGTH], found[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(app.library.c_str(), dev, dir, nullptr, nullptr);
    std::string beside = std::string(dev) + dir;
    std::string name = taskId + ".rsc";
    std::string path;
    if (!beside.empty() && mdlhost::findInDirectory(beside, name, path))
        return path;
    if (mdlFile_find(found, name.c_str(), "MS_RSRCPATH", nullptr) == 0)
        return found;
    return "";
}

using MdlMainFunc = int (*)(int, char **);

} // namespace

namespace {

// The reason a load failed, on the text window and for the keyin's report.
int loadFailed(std::string *why, const std::string &text)
{
    toolSubsystem_printf("%s\n", text.c_str());
    if (why)
        *why = text;
    return -1;
}

} // namespace

int mdlhost::loadApplication(const char *name, const char *origin, int argc, const char *const *args, std::string *why)
{
    if (name == nullptr || name[0] == '\0')
        return loadFailed(why, "mdl load: no application named");
    std::string load = std::string("mdl load ") + name + ": ";
    std::string taskId = mdlhost::taskIdOf(name);
    if (taskId.empty() || taskId.size() > MDLHOST_MAXTASKID)
        return loadFailed(why, load + "not a valid task name");
    if (mdlSystem_findMdlDesc(taskId.c_str()) != nullptr)
        return loadFailed(why, load + taskId + " is already loaded");
    std::string notFound;
    Found app;
    if (!findLibrary(name, taskId, app, notFound))
        return loadFailed(why, load + "application not found: " + notFound);
    const std::string &library = app.library;
    // RTLD_LOCAL: applications export the same names (MdlMain and more) and
    // each keeps its own copy of shared modules.
    void *handle = dlopen(mdlhost::mappedPath(library.c_str()).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char *err = dlerror();
        return loadFailed(why, load + (err ? err : "cannot load the library"));
    }
    auto mdlMain = reinterpret_cast<MdlFunctionP>(dlsym(handle, "MdlMain"));
    if (mdlMain == nullptr) {
        dlclose(handle);
        return loadFailed(why, load + library + " has no MdlMain");
    }
    std::string rsc = findResourceFile(taskId, app);
    MdlDesc *desc = mdlhost_registerApplication(taskId.c_str(), rsc.empty() ? nullptr : rsc.c_str());
    if (desc == nullptr) { // cannot happen after the checks above, but never run unregistered code
        dlclose(handle);
        return loadFailed(why, load + "cannot register " + taskId);
    }
    desc->loadFile = library;
    AppPart &part = mdlhost::appPart(desc);
    part.library = handle;
    part.arguments.push_back(library);
    part.arguments.push_back(origin && origin[0] ? origin : MDLHOST_ORIGIN_USER);
    for (int i = 0; args != nullptr && i < argc; i++)
        part.arguments.push_back(args[i] ? args[i] : "");
    for (std::string &a : part.arguments)
        part.argv.push_back(a.data());
    part.argv.push_back(nullptr);
    dlmSystem_callAnyFunction(desc, mdlMain, "IP", int(part.arguments.size()), part.argv.data());
    return 0;
}

int mdlhost_findApplication(const char *name, char *library, size_t librarySize, char *resources,
                            size_t resourcesSize)
{
    if (library == nullptr || librarySize == 0 || resources == nullptr || resourcesSize == 0)
        return -1;
    resources[0] = '\0';
    std::string taskId = mdlhost::taskIdOf(name ? name : "");
    Found app;
    std::string why;
    if (taskId.empty() || taskId.size() > MDLHOST_MAXTASKID) {
        mdlhost::copyText(library, librarySize, "not a valid task name");
        return -1;
    }
    if (!findLibrary(name, taskId, app, why)) {
        mdlhost::copyText(library, librarySize, why.c_str());
        return -1;
    }
    mdlhost::copyText(library, librarySize, app.library.c_str());
    mdlhost::copyText(resources, resourcesSize, findResourceFile(taskId, app).c_str());
    return 0;
}

int mdlhost_loadApplication(const char *name, const char *origin, int argc, const char *const *args)
{
    return mdlhost::loadApplication(name, origin, argc, args, nullptr);
}

// Splits at blanks and tabs; a double-quoted part keeps its blanks.
std::vector<std::string> mdlhost::splitArguments(const char *text)
{
    std::vector<std::string> words;
    mdlhost::splitQuotedWords(text, words); // an unclosed quote runs to the end
    return words;
}

int mdlSystem_loadMdlProgram(const char *name, const char *, const char *argText)
{
    std::vector<std::string> words = mdlhost::splitArguments(argText);
    std::vector<const char *> args;
    for (const std::string &w : words)
        args.push_back(w.c_str());
    return mdlhost_loadApplication(name, MDLHOST_ORIGIN_USER, int(args.size()), args.data());
}

int mdlhost_loadInitApps(void)
{
    std::string list;
    if (!mdlhost::cfgLookup("MS_INITAPPS", list))
        return 0;
    std::replace(list.begin(), list.end(), ';', ' ');
    int failed = 0;
    for (const std::string &name : mdlhost::splitArguments(list.c_str()))
        if (mdlhost_loadApplication(name.c_str(), MDLHOST_ORIGIN_INITAPPS, 0, nullptr) != 0)
            failed++;
    return failed;
}

// --- unloading ----------------------------------------------------------------

namespace {

void unloadNow(MdlDesc *desc)
{
    void *library = mdlhost::appPart(desc).library;
    mdlhost_unregisterApplication(desc);
    // Closed last: the frame held function pointers into it until now.
    if (library != nullptr)
        dlclose(library);
}

} // namespace

mdlhost::UnloadResult mdlhost::unloadApplication(MdlDesc *desc, int reason)
{
    if (!mdlhost::appPart(desc).unloadHookAsked) {
        if (MdlFunctionP hook = mdlhost_getFunction(desc, MDLHOST_HOOK_UNLOAD)) {
            int process = desc->processNumber;
            int refused = dlmSystem_callAnyFunction(desc, hook, "I", reason);
            if (mdlSystem_getMdlDescFromProcessNumber(process) != desc)
                return UnloadResult::Done; // the hook unregistered it
            if (refused != 0 && reason >= 0)
                return UnloadResult::Refused;
        }
        mdlhost::appPart(desc).unloadHookAsked = true;
    }
    if (desc->activeCalls > 0) {
        // Its code is on the stack: the library must stay mapped until the
        // host loop has control again.
        AppPart &part = mdlhost::appPart(desc);
        part.unloadPending = true;
        part.unloadReason = reason;
        return UnloadResult::Deferred;
    }
    unloadNow(desc);
    return UnloadResult::Done;
}

void mdlhost::runPendingUnloads()
{
    if (mdlhost::applicationCodeRunning())
        return;
    for (MdlDesc *desc : mdlhost::applications())
        if (mdlhost::liveDesc(desc) != nullptr)
            if (AppPart *part = mdlhost::findAppPart(desc); part != nullptr && part->unloadPending)
                mdlhost::unloadApplication(desc, part->unloadReason);
}

int mdlSystem_unloadMdlProgram(const char *taskId)
{
    MdlDesc *desc = mdlSystem_findMdlDesc(taskId);
    if (desc == nullptr)
        return -1;
    return mdlhost::unloadApplication(desc, MDLHOST_UNLOAD_USER) == mdlhost::UnloadResult::Refused ? 1 : 0;
}

void mdlhost_shutdown(void)
{
    std::vector<MdlDesc *> apps = mdlhost::applications();
    for (auto it = apps.rbegin(); it != apps.rend(); ++it)
        if (mdlhost::liveDesc(*it) != nullptr)
            mdlhost::unloadApplication(*it, MDLHOST_UNLOAD_HOST_EXIT);
    mdlhost::forgetTimers(nullptr);
    mdlhost::resetInput();
}
