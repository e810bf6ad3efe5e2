/* What the library's headers share: the export mark, the library's
   failure result and the capacities more than one module names. */
#ifndef ZVLIB_COMMON_H
#define ZVLIB_COMMON_H

#include "zvlib_export.h"

#define ZVLIB_FAILURE 0x8000 /* the library's failure result */

/* Capacities, terminator included. */
#define ZVLIB_PATH_LEN 256          /* a path, directory or filter the library keeps or hands out */
#define ZVLIB_CFGVALUE_LEN 1024     /* a configuration variable's value read from the host */
#define ZVLIB_MAPPED_PATH_LEN 1024  /* a path mapped to this machine's file system */

#endif
