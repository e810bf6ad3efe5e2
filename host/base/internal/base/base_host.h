// What the host's upper floors see of the registry: the descriptor and the
// application list.  Not exported.
#ifndef MDLHOST_BASE_HOST_H
#define MDLHOST_BASE_HOST_H

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/mdlbase.h"

struct MdlDesc {
    char taskId[MDLHOST_MAXTASKID + 1]; // upper-cased, never empty
    int processNumber;                  // unique for the life of the host
    int version;                        // four bytes, the first in the lowest
    int activeCalls;                    // frames of this application on the call stack
    std::string loadFile;               // the library path; "" without one
    std::map<int, MdlFunctionP> hooks;  // mdlSystem_setFunction kinds
};

namespace mdlhost {

// Applications in load order.  Pointers stay valid until unregistered.
std::vector<MdlDesc *> applications();
// desc when it is a registered application, else null (desc may be stale).
MdlDesc *liveDesc(const MdlDesc *desc);
// True while any application's code is on the call stack.
bool applicationCodeRunning();

// Calls call(desc, hook) for every application that has a hook of kind, in
// load order, looking each up again just before its call (an earlier hook
// may unload an application or change hooks).  Returns how many ran.
int forEachHook(int kind, const std::function<void(MdlDesc *, MdlFunctionP)> &call);

// One entry of the input queue.
struct QueuedInput {
    int kind;         // MDLHOST_INPUT_*
    std::string text; // keyin, or the unparsed text of a command
    uint32_t number;
    std::string taskId;
};
// Takes the oldest entry; false when the queue is empty.
bool takeInput(QueuedInput &in);

// Called once a new design file is active, after the state-0 hooks of the
// old one and before the state-1 hooks of the new one (the loader of
// MS_DGNAPPS listens here).  At most 16.
using DesignFileListener = void (*)(const char *name);
void addDesignFileListener(DesignFileListener fn);

} // namespace mdlhost

#endif
