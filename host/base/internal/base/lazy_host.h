// Libraries opened on first use, by soname, rather than linked: loading a
// large library and what it pulls in costs every host process at start,
// while only a few commands call it.  Not exported.
#ifndef MDLHOST_BASE_LAZY_HOST_H
#define MDLHOST_BASE_LAZY_HOST_H

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

// Declares struct Api, a pointer for each function FUNCTIONS names (an
// X-macro list of the library's function names), and getter(), which opens
// soname the first time and takes them; Api::ok tells whether all came.
#define MDLHOST_LAZY_SLOT(f) decltype(&::f) f = nullptr;
#define MDLHOST_LAZY_TAKE(f) api.ok = ::mdlhost::takeFunction(lib, #f, api.f) && api.ok;
#define MDLHOST_LAZY_LIBRARY(Api, getter, soname, FUNCTIONS)                                                           \
    struct Api {                                                                                                       \
        FUNCTIONS(MDLHOST_LAZY_SLOT)                                                                                   \
        bool ok = false;                                                                                               \
    };                                                                                                                 \
    const Api &getter()                                                                                                \
    {                                                                                                                  \
        static const Api loaded = [] {                                                                                 \
            Api api;                                                                                                   \
            void *lib = ::mdlhost::openLibrary(soname);                                                                \
            api.ok = lib != nullptr;                                                                                   \
            FUNCTIONS(MDLHOST_LAZY_TAKE)                                                                               \
            return api;                                                                                                \
        }();                                                                                                           \
        return loaded;                                                                                                 \
    }

#endif
