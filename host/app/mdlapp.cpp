// The frame's part of each application, exit and abort requests.
// (Loading: mdlload.cpp; commands: mdlcmd.cpp; keyins and the queue:
// mdlkeyin.cpp; the design-file applications: mdldgnapps.cpp; clock and
// timers: mdltime.cpp; pick lists from the active design: mdllevellist.cpp.
// The registry, context and dispatcher are the ground
// floor's: base/mdlbase.cpp.)
//
//   parts         what the frame keeps per application, forgotten with it
//   exit          exit requests
//   abort         extended abort requests
//   state         the command-state log
#include "app/mdlapp.h"

#include <map>
#include <string>

#include "app_int.h"
#include "dgn/mdlscan.h"

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

int mdlSystem_enterGraphicsExtended(int) { return 0; }

// --- exit -------------------------------------------------------------------

namespace {
int firstExitStatus = 0;
} // namespace

int mdlSystem_exit(int exitStatus, int unload)
{
    MdlDesc *current = mdlSystem_getCurrMdlDesc();
    if (current == nullptr)
        return -1;
    if (firstExitStatus == 0)
        firstExitStatus = exitStatus;
    AppPart &part = mdlhost::appPart(current);
    part.exitRequests++;
    if (unload && !part.unloadPending) {
        part.unloadPending = true;
        part.unloadReason = MDLHOST_UNLOAD_EXIT;
    }
    return 0;
}

int mdlhost_exitStatus(void) { return firstExitStatus; }

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

// --- state ------------------------------------------------------------------

namespace {
std::string stateLog;

// A long session keeps the newest lines only.
void noteState(const std::string &line)
{
    constexpr size_t kMost = 64 * 1024;
    if (stateLog.size() + line.size() > kMost)
        stateLog.erase(0, stateLog.find('\n', stateLog.size() / 2) + 1);
    stateLog += line + "\n";
}
} // namespace

void mdlState_startDefaultCommand(void)
{
    // The default command ends a fence command.
    mdlhost_fenceCommandClear();
    noteState("default");
}

int mdlState_startPrimitive(int state, int prompt)
{
    noteState("primitive " + std::to_string(state) + " " + std::to_string(prompt));
    return 0;
}

void mdlState_restartCurrentCommand(void) { noteState("restart"); }

const char *mdlhost_commandStateLog(void) { return stateLog.c_str(); }

void mdlhost_clearCommandStateLog(void) { stateLog.clear(); }
