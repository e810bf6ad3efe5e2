// Allocation with an error report.
#include "zvlibmem.h"

#include <cstdarg>
#include <cstring>

#include "app/mdlapp.h"
#include "sys/mdlsys.h"
#include "zvliberror.h"

namespace {

// The box of a failed request; its second button ends the calling
// application (the host records the request, the process goes on).
void reportError(int list, int entry, va_list args)
{
    if (zvlibError_rscMsgBoxVPrintf(ZVLIB_STYLE_MEMORY, list, entry, args) == ZVLIB_BOX_SECOND)
        mdlSystem_exit(0, 1);
}

} // namespace

void *zvlibMem_mallocRscErrorPrintf(size_t size, int list, int entry, ...)
{
    void *p = dlmSystem_mdlMalloc(size);
    if (p != nullptr) {
        memset(p, 0, size);
        return p;
    }
    // What the host gives for 0 bytes is the answer, null included.
    if (size == 0)
        return nullptr;
    va_list ap;
    va_start(ap, entry);
    reportError(list, entry, ap);
    va_end(ap);
    return nullptr;
}

void *zvlibMem_reallocRscErrorPrintf(void *block, size_t oldSize, size_t newSize, int list, int entry, ...)
{
    // A resize to 0 bytes would let the host free the block and answer
    // null, which the caller takes for a failure that left the block to
    // it.  Keeping one byte makes null always mean "the old block is
    // unchanged and still yours".
    void *p = dlmSystem_mdlRealloc(block, newSize > 0 ? newSize : 1);
    if (p != nullptr) {
        if (newSize > oldSize)
            memset(static_cast<char *>(p) + oldSize, 0, newSize - oldSize);
        return p;
    }
    va_list ap;
    va_start(ap, entry);
    reportError(list, entry, ap);
    va_end(ap);
    return nullptr;
}
