/* Message box: an entry of a message list of the calling application's
   resource files, formatted with printf arguments and shown with the
   buttons the style word chooses. */
#ifndef ZVLIB_ERROR_H
#define ZVLIB_ERROR_H

#include <stdarg.h>

#ifndef ZVLIB_API
#if defined(_WIN32)
#define ZVLIB_API __declspec(dllexport)
#else
#define ZVLIB_API __attribute__((visibility("default")))
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Box results. */
#define ZVLIB_BOX_FIRST 3          /* first button pressed */
#define ZVLIB_BOX_SECOND 4         /* second button pressed */
#define ZVLIB_BOX_NOT_LOADED 20000 /* the message could not be loaded; nothing shown */

/* Style word: the lowest set bit of bits 0-3 is the message type (1, 2, 4,
   8; none: 1); the lowest of 16, 32, 64 labels the first button (none:
   16); the lowest of 128, 256, 512 labels the second button (none: no
   second button). */
#define ZVLIB_STYLE_MEMORY 577     /* type 1, continue / end the application */

/* Loads entry of list from the current application's resource files,
   formats it with the arguments and shows it.  Returns ZVLIB_BOX_FIRST,
   ZVLIB_BOX_SECOND or ZVLIB_BOX_NOT_LOADED. */
ZVLIB_API int zvlibError_rscMsgBoxPrintf(int style, int list, int entry, ...);
ZVLIB_API int zvlibError_rscMsgBoxVPrintf(int style, int list, int entry, va_list args);

#ifdef __cplusplus
}
#endif

#endif
