// Inside the application frame: the descriptor and what each part of the
// frame keeps per application.  Not exported.
#ifndef MDLHOST_APP_INT_H
#define MDLHOST_APP_INT_H

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/mdlapp.h"
#include "base/base_host.h"

struct MdlCommandEntry {
    std::vector<std::string> words; // keyword words, as written
    uint32_t number;
};

// What the frame keeps per application beside its registration; created on
// first use and forgotten when the application is.
struct AppPart {
    int exitRequests = 0;          // mdlSystem_exit calls while current
    bool unloadPending = false;    // unload when control is back in the host loop
    bool unloadHookAsked = false;  // its unload hook has accepted already
    int unloadReason = 0;
    void *library = nullptr;       // dlopen handle; null for a registration without a library
    std::vector<std::string> arguments; // MdlMain's argv, kept for the application's life
    std::vector<char *> argv;
    std::map<uint32_t, MdlCommandFunc> commandNumbers;
    std::vector<std::pair<std::string, MdlCommandFunc>> commandNames;
    std::vector<MdlCommandEntry> commandTable; // from the resource file
};

namespace mdlhost {

// The frame's part of a registered application (made on first use).
AppPart &appPart(const MdlDesc *desc);
// The part of desc when it has one, else null.
AppPart *findAppPart(const MdlDesc *desc);

// mdlhost_loadApplication with the reason of a failure in *why.
int loadApplication(const char *name, const char *origin, int argc, const char *const *args, std::string *why);

// Unloads desc: the unload hook (reason >= 0 may refuse), then everything the
// frame keeps for it, then the library.  Deferred while its code runs.
enum class UnloadResult { Done, Deferred, Refused };
UnloadResult unloadApplication(MdlDesc *desc, int reason);
// Unloads what mdlSystem_exit or a deferred unload left marked.
void runPendingUnloads();
// Drops the timers an application owns (it is being unloaded); null: the
// host's own timers.
void forgetTimers(const MdlDesc *desc);
// Empties the input queue and clears the exit request.
void resetInput();

// The task id of a load name: "zvzera", "/x/libZvZera.so" and "zvzera.so"
// all give ZVZERA.
std::string taskIdOf(const std::string &name);
// Words of text split at blanks; double quotes group words with blanks.
std::vector<std::string> splitArguments(const char *text);

// Runs the keyin now; the reason of a failure goes to *why.
int runKeyin(const std::string &keyin, std::string *why);
// Runs a command of desc by number with the unparsed text.
int runCommand(MdlDesc *desc, uint32_t number, const char *unparsed, std::string *why);
// Runs a command registered by name (case ignored).
int runNamedCommand(const std::string &name, const char *unparsed, std::string *why);
// The longest command keyword of apps' tables that begins keyin: its
// application, number and the offset of the rest of the keyin.
bool matchCommand(const std::vector<MdlDesc *> &apps, std::string_view keyin, MdlDesc *&owner, uint32_t &number,
                  size_t &restAt);

} // namespace mdlhost

#endif
