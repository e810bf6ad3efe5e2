// STUB (minimal): replaced by the allocator with its error report.
#include "zvlibmem.h"
#include "sys/mdlsys.h"
#include <cstring>
void *zvlibMem_mallocRscErrorPrintf(size_t size, int, int, ...)
{
    void *p = dlmSystem_mdlMalloc(size);
    if (p)
        memset(p, 0, size);
    return p;
}
void *zvlibMem_reallocRscErrorPrintf(void *block, size_t oldSize, size_t newSize, int, int, ...)
{
    void *p = dlmSystem_mdlRealloc(block, newSize);
    if (p && newSize > oldSize)
        memset((char *)p + oldSize, 0, newSize - oldSize);
    return p;
}
