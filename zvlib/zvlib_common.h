/* What the library's headers share: the export mark and the library's
   failure result. */
#ifndef ZVLIB_COMMON_H
#define ZVLIB_COMMON_H

#include "zvlib_export.h"

#define ZVLIB_FAILURE 0x8000 /* the library's failure result */

#endif
