// Applications, the current-application context and the function dispatcher.
// (Hooks and the design-file events: mdlhooks.cpp; text: mdltext.cpp.)
//
//   registry      register, unregister, find, task id, process numbers, version
//   listeners     register and unload listeners of the modules above
//   context       the current application (set around every dispatched call)
//   dispatcher    argument descriptor -> a call of the matching signature
//   tcb           the session control block
#include "base/mdlbase.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "base/base_host.h"
#include "base/text_host.h"

int mdlErrno = 0;

namespace {

std::vector<std::unique_ptr<MdlDesc>> registry; // load order
MdlDesc *current = nullptr;
int lastProcessNumber = 0;
int runningFrames = 0; // dispatched calls into applications now on the stack

constexpr size_t kMaxListeners = 16;

// Function-local, so modules may add listeners from their static
// initialisers whatever the order of initialisation.
std::vector<MdlhostRegisterListener> &registerListeners()
{
    static std::vector<MdlhostRegisterListener> list;
    return list;
}

std::vector<MdlhostUnloadListener> &unloadListeners()
{
    static std::vector<MdlhostUnloadListener> list;
    return list;
}

template <typename F> void addListener(std::vector<F> &list, F fn)
{
    if (fn == nullptr || list.size() >= kMaxListeners || std::find(list.begin(), list.end(), fn) != list.end())
        return;
    list.push_back(fn);
}

// Calls each listener of a copy of list (listeners may change it), skipping
// one removed meanwhile.
template <typename F, typename... A> void callListeners(std::vector<F> &list, A... args)
{
    std::vector<F> copy = list;
    for (F fn : copy)
        if (std::find(list.begin(), list.end(), fn) != list.end())
            fn(args...);
}

// Upper-cases taskId into out; false when it is empty or too long.
bool normaliseTaskId(const char *taskId, char (&out)[MDLHOST_MAXTASKID + 1])
{
    if (taskId == nullptr || taskId[0] == '\0')
        return false;
    size_t n = 0;
    for (; taskId[n] != '\0'; n++) {
        if (n == MDLHOST_MAXTASKID)
            return false;
        out[n] = mdlhost::upperCase(taskId[n]);
    }
    out[n] = '\0';
    return true;
}

MdlDesc *findExact(const char *upperId)
{
    for (auto &d : registry)
        if (std::string_view(d->taskId) == upperId)
            return d.get();
    return nullptr;
}

} // namespace

// --- registry ---------------------------------------------------------------

MdlDesc *mdlhost_registerApplication(const char *taskId, const char *resourceFile)
{
    char id[MDLHOST_MAXTASKID + 1];
    if (!normaliseTaskId(taskId, id) || findExact(id) != nullptr)
        return nullptr;
    registry.push_back(std::make_unique<MdlDesc>());
    MdlDesc *desc = registry.back().get();
    mdlhost::copyText(desc->taskId, id);
    desc->processNumber = ++lastProcessNumber;
    desc->version = 0;
    desc->activeCalls = 0;
    callListeners(registerListeners(), desc, resourceFile);
    return desc;
}

void mdlhost_unregisterApplication(MdlDesc *desc)
{
    for (auto it = registry.begin(); it != registry.end(); ++it) {
        if (it->get() != desc)
            continue;
        // A current pointer to a freed descriptor would be read by the next
        // dispatched call.
        if (current == desc)
            current = nullptr;
        callListeners(unloadListeners(), desc);
        // A listener may have unregistered it again; find it anew.
        registry.erase(std::remove_if(registry.begin(), registry.end(),
                                      [desc](const std::unique_ptr<MdlDesc> &d) { return d.get() == desc; }),
                       registry.end());
        return;
    }
}

void mdlhost_addRegisterListener(MdlhostRegisterListener fn) { addListener(registerListeners(), fn); }

void mdlhost_addUnloadListener(MdlhostUnloadListener fn) { addListener(unloadListeners(), fn); }

void mdlhost_removeUnloadListener(MdlhostUnloadListener fn)
{
    auto &list = unloadListeners();
    list.erase(std::remove(list.begin(), list.end(), fn), list.end());
}

int mdlSystem_getProcessNumberFromMdlDesc(MdlDesc *desc)
{
    MdlDesc *live = mdlhost::liveDesc(desc);
    return live ? live->processNumber : -1;
}

MdlDesc *mdlSystem_getMdlDescFromProcessNumber(int processNumber)
{
    for (auto &d : registry)
        if (d->processNumber == processNumber)
            return d.get();
    return nullptr;
}

const char *mdlResource_getApplLoadFile(MdlDesc *desc)
{
    MdlDesc *live = mdlhost::liveDesc(desc ? desc : current);
    return live ? live->loadFile.c_str() : "";
}

std::vector<MdlDesc *> mdlhost::applications()
{
    std::vector<MdlDesc *> all;
    for (auto &d : registry)
        all.push_back(d.get());
    return all;
}

MdlDesc *mdlhost::liveDesc(const MdlDesc *desc)
{
    if (desc == nullptr)
        return nullptr;
    for (auto &d : registry)
        if (d.get() == desc)
            return d.get();
    return nullptr;
}

bool mdlhost::applicationCodeRunning() { return runningFrames > 0; }

MdlDesc *mdlSystem_findMdlDesc(const char *taskId)
{
    char id[MDLHOST_MAXTASKID + 1];
    return normaliseTaskId(taskId, id) ? findExact(id) : nullptr;
}

const char *mdlSystem_getMdlTaskID(MdlDesc *desc)
{
    if (desc == nullptr)
        desc = current;
    return desc ? desc->taskId : "";
}

const char *mdlSystem_getCurrTaskID(int) { return current ? current->taskId : ""; }

int mdlSystem_getMdlAppVersionNumber(void) { return current ? current->version : 0; }

void mdlSystem_setMdlAppVersionNumber(MdlDesc *desc, int version)
{
    if (desc == nullptr)
        desc = current;
    if (desc != nullptr)
        desc->version = version;
}

// --- context ----------------------------------------------------------------

MdlDesc *mdlSystem_getCurrMdlDesc(void) { return current; }

MdlDesc *mdlhost_setCurrMdlDesc(MdlDesc *desc)
{
    MdlDesc *old = current;
    current = desc;
    return old;
}
// --- dispatcher -------------------------------------------------------------

namespace {

constexpr int kMaxArgs = 7; // the type-66 scan function takes seven

union Arg {
    int i;
    double d;
    void *p;
};

// The descriptor gives pointers as void *, while the function may take any
// pointer type: the same call on every ABI, but clang's function-type check
// would refuse it.
#if defined(__clang__)
#define MDLHOST_DISPATCH_CALL __attribute__((no_sanitize("function")))
#else
#define MDLHOST_DISPATCH_CALL
#endif

// Builds the call one descriptor letter at a time, so each descriptor ends in
// a call through exactly int (*)(args...) of its letters.
template <typename... A> MDLHOST_DISPATCH_CALL int callWith(MdlFunctionP fn, const char *letters, const Arg *args, A... done)
{
    if constexpr (sizeof...(A) < kMaxArgs) {
        switch (*letters) {
        case 'I': return callWith(fn, letters + 1, args + 1, done..., args->i);
        case 'D': return callWith(fn, letters + 1, args + 1, done..., args->d);
        case 'P': return callWith(fn, letters + 1, args + 1, done..., args->p);
        default: break; // '\0': all arguments collected
        }
    }
    return reinterpret_cast<int (*)(A...)>(fn)(done...);
}

// Restores the caller's application even when fn leaves by an exception.
// Each frame is counted on its application, so an unload asked for while
// the application's code is on the stack waits (its library stays mapped).
struct CurrentScope {
    MdlDesc *saved, *entered;
    int savedProcess, enteredProcess; // an address may be reused once freed; a process number never is
    explicit CurrentScope(MdlDesc *desc)
        : saved(current), entered(desc ? desc : current), savedProcess(mdlSystem_getProcessNumberFromMdlDesc(saved)),
          enteredProcess(mdlSystem_getProcessNumberFromMdlDesc(entered))
    {
        current = entered;
        if (entered)
            entered->activeCalls++;
        runningFrames++;
    }
    ~CurrentScope()
    {
        runningFrames--;
        // A test may unregister an application outright while it runs.
        if (entered && mdlSystem_getMdlDescFromProcessNumber(enteredProcess) == entered)
            entered->activeCalls--;
        current = saved && mdlSystem_getMdlDescFromProcessNumber(savedProcess) == saved ? saved : nullptr;
    }
    CurrentScope(const CurrentScope &) = delete;
    CurrentScope &operator=(const CurrentScope &) = delete;
};

} // namespace

int dlmSystem_vcallAnyFunction(MdlDesc *desc, MdlFunctionP fn, const char *argDescriptor, va_list args)
{
    if (fn == nullptr || argDescriptor == nullptr)
        return -2;
    // Validate the whole descriptor before reading any argument: a bad letter
    // means the caller's arguments cannot be trusted either.
    char letters[kMaxArgs + 1];
    int n = 0;
    for (; argDescriptor[n] != '\0'; n++) {
        char c = mdlhost::upperCase(argDescriptor[n]);
        if (n == kMaxArgs || (c != 'I' && c != 'D' && c != 'P'))
            return -2;
        letters[n] = c;
    }
    letters[n] = '\0';

    Arg values[kMaxArgs] = {};
    va_list ap;
    va_copy(ap, args);
    for (int k = 0; k < n; k++) {
        if (letters[k] == 'I')
            values[k].i = va_arg(ap, int);
        else if (letters[k] == 'D')
            values[k].d = va_arg(ap, double);
        else
            values[k].p = va_arg(ap, void *);
    }
    va_end(ap);

    CurrentScope scope(desc);
    return callWith(fn, letters, values);
}

int dlmSystem_callAnyFunction(MdlDesc *desc, MdlFunctionP fn, const char *argDescriptor, ...)
{
    va_list ap;
    va_start(ap, argDescriptor);
    int r = dlmSystem_vcallAnyFunction(desc, fn, argDescriptor, ap);
    va_end(ap);
    return r;
}

int dlmSystem_callMdlFunction(MdlDesc *desc, MdlFunctionP fn, const char *argDescriptor, ...)
{
    va_list ap;
    va_start(ap, argDescriptor);
    int r = dlmSystem_vcallAnyFunction(desc, fn, argDescriptor, ap);
    va_end(ap);
    return r;
}

// --- control block ----------------------------------------------------------

static Tcb tcb = {.dgnfilenm = "", .readoutAccuracy = 3, .readoutFlags = 0, .workMode = MDLHOST_WORKMODE_DGN,
                  .epsilon = 1e-9, .textSlant = 0};
Tcb *tcbP = &tcb;

void mdlhost_setActiveDesignFile(const char *name) { mdlhost::copyText(tcb.dgnfilenm, name ? name : ""); }
