// STUB (minimal): replaced by the full applications module.
#include "app/mdlapp.h"

#include <cstring>
#include <string>

struct MdlDesc {
    std::string taskId;
    int version = 0;
    int exits = 0;
};

static MdlDesc *current = nullptr;
static Tcb tcb;
Tcb *tcbP = &tcb;

MdlDesc *mdlhost_registerApplication(const char *taskId, const char *)
{
    MdlDesc *d = new MdlDesc;
    d->taskId = taskId ? taskId : "";
    return d;
}
void mdlhost_unregisterApplication(MdlDesc *desc) { delete desc; }
MdlDesc *mdlSystem_getCurrMdlDesc(void) { return current; }
MdlDesc *mdlhost_setCurrMdlDesc(MdlDesc *desc)
{
    MdlDesc *old = current;
    current = desc;
    return old;
}
MdlDesc *mdlSystem_findMdlDesc(const char *) { return nullptr; }
const char *mdlSystem_getMdlTaskID(MdlDesc *desc) { return desc ? desc->taskId.c_str() : ""; }
int mdlSystem_getMdlAppVersionNumber(void) { return current ? current->version : 0; }
void mdlSystem_setMdlAppVersionNumber(MdlDesc *desc, int version)
{
    if (desc)
        desc->version = version;
}

namespace {
using Arg = union {
    long i;
    double d;
    void *p;
};
template <typename... A> int callWith(MdlFunctionP fn, A... a) { return reinterpret_cast<int (*)(A...)>(fn)(a...); }

template <typename... A> int dispatch(MdlFunctionP fn, const char *desc, va_list ap, A... done)
{
    if (*desc == '\0')
        return callWith(fn, done...);
    if constexpr (sizeof...(A) < 6) {
        switch (*desc) {
        case 'I': case 'i': { int v = va_arg(ap, int); return dispatch(fn, desc + 1, ap, done..., v); }
        case 'D': case 'd': { double v = va_arg(ap, double); return dispatch(fn, desc + 1, ap, done..., v); }
        case 'P': case 'p': { void *v = va_arg(ap, void *); return dispatch(fn, desc + 1, ap, done..., v); }
        default: return -2;
        }
    }
    return -2;
}
} // namespace

int dlmSystem_vcallAnyFunction(MdlDesc *desc, MdlFunctionP fn, const char *argDescriptor, va_list args)
{
    if (fn == nullptr || argDescriptor == nullptr || strlen(argDescriptor) > 6)
        return -2;
    for (const char *c = argDescriptor; *c; c++)
        if (!strchr("IiDdPp", *c))
            return -2;
    MdlDesc *old = mdlhost_setCurrMdlDesc(desc ? desc : current);
    va_list copy;
    va_copy(copy, args);
    int r = dispatch(fn, argDescriptor, copy);
    va_end(copy);
    mdlhost_setCurrMdlDesc(old);
    return r;
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
int mdlSystem_exit(int, int)
{
    if (current)
        current->exits++;
    return 0;
}
int mdlhost_exitRequests(MdlDesc *desc) { return desc ? desc->exits : 0; }
void mdlhost_setActiveDesignFile(const char *name)
{
    snprintf(tcb.dgnfilenm, sizeof tcb.dgnfilenm, "%s", name ? name : "");
}
