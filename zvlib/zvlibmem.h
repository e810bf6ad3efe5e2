/* Allocation with an error report. */
#ifndef ZVLIB_MEM_H
#define ZVLIB_MEM_H

#include <stddef.h>

#include "zvlib_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* size zero-filled bytes, or null after the failure box (list, entry) was
   shown; its second button ends the calling application. */
ZVLIB_API void *zvlibMem_mallocRscErrorPrintf(size_t size, int list, int entry, ...);
/* Resizes block (may be null) from oldSize to newSize, zero-filling the
   growth.  Null on failure; the old block is then kept unchanged. */
ZVLIB_API void *zvlibMem_reallocRscErrorPrintf(void *block, size_t oldSize, size_t newSize, int list, int entry, ...);

#ifdef __cplusplus
}
#endif

#endif
