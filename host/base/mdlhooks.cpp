// Hooks that applications set, and the design-file events that call them.
#include <algorithm>
#include <cstdarg>
#include <string>
#include <vector>

#include "base/base_host.h"
#include "base/mdlbase.h"

MdlFunctionP mdlSystem_setFunction(int kind, MdlFunctionP fn)
{
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    if (desc == nullptr)
        return nullptr;
    MdlFunctionP old = nullptr;
    if (auto it = desc->hooks.find(kind); it != desc->hooks.end()) {
        old = it->second;
        desc->hooks.erase(it);
    }
    if (fn != nullptr)
        desc->hooks[kind] = fn;
    return old;
}

MdlFunctionP mdlhost_getFunction(MdlDesc *desc, int kind)
{
    MdlDesc *live = mdlhost::liveDesc(desc);
    if (live == nullptr)
        return nullptr;
    auto it = live->hooks.find(kind);
    return it == live->hooks.end() ? nullptr : it->second;
}

int mdlhost::forEachHook(int kind, const std::function<void(MdlDesc *, MdlFunctionP)> &call)
{
    // By process number: a hook may unload an application, and a freed
    // descriptor's address may be reused.
    std::vector<int> processes;
    for (MdlDesc *d : mdlhost::applications())
        processes.push_back(d->processNumber);
    int ran = 0;
    for (int pn : processes) {
        MdlDesc *desc = mdlSystem_getMdlDescFromProcessNumber(pn);
        MdlFunctionP hook = mdlhost_getFunction(desc, kind);
        if (hook == nullptr)
            continue;
        call(desc, hook);
        ran++;
    }
    return ran;
}

int mdlhost_callHooks(int kind, const char *argDescriptor, ...)
{
    va_list ap;
    va_start(ap, argDescriptor);
    int ran = mdlhost::forEachHook(kind, [&](MdlDesc *desc, MdlFunctionP hook) {
        va_list each;
        va_copy(each, ap);
        dlmSystem_vcallAnyFunction(desc, hook, argDescriptor, each);
        va_end(each);
    });
    va_end(ap);
    return ran;
}

// --- design-file events ---------------------------------------------------------

namespace {

constexpr size_t kMaxListeners = 16;

std::vector<mdlhost::DesignFileListener> &designFileListeners()
{
    static std::vector<mdlhost::DesignFileListener> list;
    return list;
}

void callNewDesignFileHooks(const std::string &name, int state)
{
    mdlhost::forEachHook(MDLHOST_HOOK_NEWDESIGNFILE, [&](MdlDesc *desc, MdlFunctionP hook) {
        std::string copy = name; // a hook may write into its argument
        dlmSystem_callAnyFunction(desc, hook, "PI", copy.data(), state);
    });
}

} // namespace

void mdlhost::addDesignFileListener(DesignFileListener fn)
{
    auto &list = designFileListeners();
    if (fn != nullptr && list.size() < kMaxListeners && std::find(list.begin(), list.end(), fn) == list.end())
        list.push_back(fn);
}

void mdlhost_newDesignFile(const char *name)
{
    std::string old = tcbP->dgnfilenm;
    if (!old.empty())
        callNewDesignFileHooks(old, MDLHOST_NEWFILE_CLOSED);
    mdlhost_setActiveDesignFile(name);
    for (mdlhost::DesignFileListener fn : std::vector(designFileListeners()))
        fn(tcbP->dgnfilenm);
    callNewDesignFileHooks(tcbP->dgnfilenm, MDLHOST_NEWFILE_OPENED);
}

void mdlhost_closeDesignFileHooks(void)
{
    std::string old = tcbP->dgnfilenm;
    if (!old.empty())
        callNewDesignFileHooks(old, MDLHOST_NEWFILE_CLOSED);
    mdlhost_setActiveDesignFile(nullptr);
}
