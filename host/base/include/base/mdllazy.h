// Libraries opened on first use, by soname, rather than linked: loading a
// large library and what it pulls in costs every host process at start,
// while only a few commands call it.  Not exported.
#ifndef MDLHOST_LAZY_H
#define MDLHOST_LAZY_H

#include <dlfcn.h>

namespace mdlhost {

// The library of that soname, loaded once and kept; null when it cannot be.
inline void *openLibrary(const char *soname)
{
    return dlopen(soname, RTLD_NOW | RTLD_LOCAL);
}

// Takes the function name of lib into fn; false (fn null) when lib is null
// or lacks it.
template <class F> bool takeFunction(void *lib, const char *name, F &fn)
{
    fn = lib != nullptr ? reinterpret_cast<F>(dlsym(lib, name)) : nullptr;
    return fn != nullptr;
}

} // namespace mdlhost

#endif
