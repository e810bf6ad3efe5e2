// Loading applications from shared libraries, and unloading them.
//
//   finding      library and resource file of a name
//   loading      dlopen, registration, MdlMain with its arguments
//   unloading    unload hook, deferred unloads, dlclose, shutdown
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app_int.h"
#include "app/mdlapp.h"
#include "sys/mdlsys.h"
#include "base/mdltext.h"
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

// Library path of name, or "" with the reason in why.
std::string findLibrary(const std::string &name, const std::string &taskId, std::string &why)
{
    std::string var = "MDLAPP_" + taskId, value;
    char found[MDLHOST_MAXFILELENGTH];
    if (mdlhost::cfgLookup(var, value) && !value.empty()) {
        if (mdlFile_find(found, value.c_str(), nullptr, nullptr) == 0)
            return found;
        why = var + " names " + value + ", which does not exist";
        return "";
    }
    if (hasDirectory(name)) {
        if (mdlFile_find(found, name.c_str(), nullptr, nullptr) == 0)
            return found;
        why = "no such file";
        return "";
    }
    if (mdlhost::endsWithName(name, ".so")) {
        if (mdlFile_find(found, name.c_str(), "MS_MDL", nullptr) == 0)
            return found;
        why = "no " + name + " along MS_MDL";
        return "";
    }
    std::string lower = mdlhost::folded(name);
    for (const std::string &candidate : {"lib" + lower + ".so", lower + ".so"})
        if (mdlFile_find(found, candidate.c_str(), "MS_MDL", nullptr) == 0)
            return found;
    why = "no MDLAPP_" + taskId + ", and no lib" + lower + ".so or " + lower + ".so along MS_MDL";
    return "";
}

// Resource file of the application, or "" when it has none.
std::string findResourceFile(const std::string &taskId, const std::string &library)
{
    std::string value;
    if (mdlhost::cfgLookup("MDLRSC_" + taskId, value) && !value.empty())
        return value; // named on purpose: a missing file is reported when opened
    char dir[MDLHOST_MAXFILELENGTH], dev[MDLHOST_MAXFILELENGTH], found[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(library.c_str(), dev, dir, nullptr, nullptr);
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
    std::string library = findLibrary(name, taskId, notFound);
    if (library.empty())
        return loadFailed(why, load + "application not found: " + notFound);
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
    std::string rsc = findResourceFile(taskId, library);
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
