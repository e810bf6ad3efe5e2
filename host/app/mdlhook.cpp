// Hooks that applications set, and the design-file events that call them.
#include <string>
#include <vector>

#include "app/app_int.h"
#include "app/mdlapp.h"
#include "sys/sys_int.h"

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

namespace {

// Calls every application's new-design-file hook.  The hook is looked up
// again just before each call: an earlier hook may have unloaded an
// application or changed hooks.
void callNewDesignFileHooks(const std::string &name, int state)
{
    std::vector<int> processes;
    for (MdlDesc *d : mdlhost::applications())
        processes.push_back(mdlSystem_getProcessNumberFromMdlDesc(d));
    for (int pn : processes) {
        MdlDesc *desc = mdlSystem_getMdlDescFromProcessNumber(pn);
        MdlFunctionP hook = mdlhost_getFunction(desc, MDLHOST_HOOK_NEWDESIGNFILE);
        if (hook == nullptr)
            continue;
        std::string copy = name; // the hook may write into its argument
        dlmSystem_callAnyFunction(desc, hook, "PI", copy.data(), state);
    }
}

} // namespace

void mdlhost_newDesignFile(const char *name)
{
    std::string old = tcbP->dgnfilenm;
    if (!old.empty())
        callNewDesignFileHooks(old, MDLHOST_NEWFILE_CLOSED);
    mdlhost_setActiveDesignFile(name);
    std::string list;
    if (mdlhost::cfgLookup("MS_DGNAPPS", list)) {
        for (char &c : list)
            if (c == ';')
                c = ' ';
        for (const std::string &app : mdlhost::splitArguments(list.c_str())) {
            // Loaded once per session; a later design file finds it loaded.
            if (mdlSystem_findMdlDesc(mdlhost::taskIdOf(app).c_str()) == nullptr)
                mdlhost_loadApplication(app.c_str(), MDLHOST_ORIGIN_DGNAPPS, 0, nullptr);
        }
    }
    callNewDesignFileHooks(tcbP->dgnfilenm, MDLHOST_NEWFILE_OPENED);
}

void mdlhost_closeDesignFileHooks(void)
{
    std::string old = tcbP->dgnfilenm;
    if (!old.empty())
        callNewDesignFileHooks(old, MDLHOST_NEWFILE_CLOSED);
    mdlhost_setActiveDesignFile(nullptr);
}
