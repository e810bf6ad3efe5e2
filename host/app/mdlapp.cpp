// Applications, the current-application context and the function dispatcher.
//
//   registry      registerApplication, unregister, find, task id, version
//   context       the current application (set around every dispatched call)
//   dispatcher    argument descriptor -> a call of the matching signature
//   exit, tcb     exit requests and the session control block
#include "app/mdlapp.h"

#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "rsc/mdlrsc.h"
#include "sys/mdlsys.h"

struct MdlDesc {
    char taskId[MDLHOST_MAXTASKID + 1]; // upper-cased, never empty
    int version;                        // minor in the lowest byte, major in the second
    int exitRequests;                   // mdlSystem_exit calls while current
};

namespace {

std::vector<std::unique_ptr<MdlDesc>> registry;
MdlDesc *current = nullptr;

// ASCII only: task ids are compared without the locale.
char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// Upper-cases taskId into out; false when it is empty or too long.
bool normaliseTaskId(const char *taskId, char (&out)[MDLHOST_MAXTASKID + 1])
{
    if (taskId == nullptr || taskId[0] == '\0')
        return false;
    size_t n = 0;
    for (; taskId[n] != '\0'; n++) {
        if (n == MDLHOST_MAXTASKID)
            return false;
        out[n] = upper(taskId[n]);
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
    snprintf(desc->taskId, sizeof desc->taskId, "%s", id);
    desc->version = 0;
    desc->exitRequests = 0;
    // The application still loads without its texts; the user must see why
    // they are missing.
    if (resourceFile != nullptr && mdlhost_openResourceFor(desc, resourceFile) != 0)
        toolSubsystem_printf("Application %s: resource file %s not opened\n", desc->taskId, resourceFile);
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
        mdlhost_forgetResources(desc);
        registry.erase(it);
        return;
    }
}

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

constexpr int kMaxArgs = 6;

union Arg {
    int i;
    double d;
    void *p;
};

// Builds the call one descriptor letter at a time, so each descriptor ends in
// a call through exactly int (*)(args...) of its letters.
template <typename... A> int callWith(MdlFunctionP fn, const char *letters, const Arg *args, A... done)
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
struct CurrentScope {
    MdlDesc *saved;
    explicit CurrentScope(MdlDesc *desc) : saved(mdlhost_setCurrMdlDesc(desc ? desc : current)) {}
    ~CurrentScope() { mdlhost_setCurrMdlDesc(saved); }
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
        char c = upper(argDescriptor[n]);
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

// --- exit, control block ----------------------------------------------------

int mdlSystem_exit(int, int)
{
    if (current == nullptr)
        return -1;
    current->exitRequests++;
    return 0;
}

int mdlhost_exitRequests(MdlDesc *desc) { return desc ? desc->exitRequests : 0; }

static Tcb tcb;
Tcb *tcbP = &tcb;

void mdlhost_setActiveDesignFile(const char *name)
{
    snprintf(tcb.dgnfilenm, sizeof tcb.dgnfilenm, "%s", name ? name : "");
}
