// The frame's part of each application, exit and abort requests.
// (Loading: mdlload.cpp; commands: mdlcmd.cpp; keyins and the queue:
// mdlkeyin.cpp; the design-file applications: mdlhook.cpp; clock and
// timers: mdltime.cpp.  The registry, context and dispatcher are the ground
// floor's: base/mdlbase.cpp.)
//
//   parts         what the frame keeps per application, forgotten with it
//   exit          exit requests
//   abort         extended abort requests
#include "app/mdlapp.h"

#include <map>

#include "app_int.h"

namespace {

std::map<const MdlDesc *, AppPart> parts;

void forgetApplication(MdlDesc *desc)
{
    mdlhost::forgetTimers(desc);
    parts.erase(desc);
}

// The registry tells the frame when an application goes.
[[maybe_unused]] const bool listening = (mdlhost_addUnloadListener(forgetApplication), true);

} // namespace

// --- parts ------------------------------------------------------------------

AppPart &mdlhost::appPart(const MdlDesc *desc) { return parts[desc]; }

AppPart *mdlhost::findAppPart(const MdlDesc *desc)
{
    auto it = parts.find(desc);
    return it == parts.end() ? nullptr : &it->second;
}

int mdlSystem_enterGraphics(void)
{
    return 0;
}

// --- exit -------------------------------------------------------------------

int mdlSystem_exit(int, int unload)
{
    MdlDesc *current = mdlSystem_getCurrMdlDesc();
    if (current == nullptr)
        return -1;
    AppPart &part = mdlhost::appPart(current);
    part.exitRequests++;
    if (unload && !part.unloadPending) {
        part.unloadPending = true;
        part.unloadReason = MDLHOST_UNLOAD_EXIT;
    }
    return 0;
}

int mdlhost_exitRequests(MdlDesc *desc)
{
    AppPart *part = mdlhost::findAppPart(desc);
    return part ? part->exitRequests : 0;
}

// --- abort ------------------------------------------------------------------

namespace {
bool abortEnabled = false;
bool abortRequested = false;
} // namespace

void mdlSystem_extendedAbortEnable(int enable)
{
    abortEnabled = enable != 0;
    if (!abortEnabled)
        abortRequested = false;
}

int mdlSystem_extendedAbortRequested(void) { return abortEnabled && abortRequested ? 1 : 0; }

void mdlhost_requestAbort(int request) { abortRequested = request != 0; }
