/* Message box: an entry of a message list of the calling application's
   resource files, formatted with printf arguments and shown with the
   buttons the style word chooses. */
#ifndef ZVLIB_ERROR_H
#define ZVLIB_ERROR_H

#include <stdarg.h>

#include "zvlib_export.h"

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
/* The same with a printf format of the caller.  Returns 3 or 4. */
ZVLIB_API int zvlibError_msgBoxPrintf(int style, const char *format, ...) __attribute__((format(printf, 2, 3)));

/* Message list modes and results. */
#define ZVLIB_LIST_ADD 0    /* each line is appended to the message list */
#define ZVLIB_LIST_SHOW 1   /* the text heads the list dialog, which shows the list */
#define ZVLIB_LIST_SILENT 2 /* nothing happens */
#define ZVLIB_LIST_DONE 20001
/* Loads and formats the entry (ZVLIB_BOX_NOT_LOADED when it cannot be
   loaded), then acts by mode; any other mode prints the text on the text
   window.  Mode 1 returns the list dialog's action. */
ZVLIB_API int zvlibError_rscListPrintf(int mode, int list, int entry, ...);
ZVLIB_API int zvlibError_listPrintf(int mode, const char *format, ...) __attribute__((format(printf, 2, 3)));
/* Title of boxes of type 1, 2, 4 or 8. */
ZVLIB_API void zvlibError_setTitle(int type, const char *format, ...) __attribute__((format(printf, 2, 3)));
/* Publishes the box's and the list dialog's hooks in the current
   application. */
ZVLIB_API void zvlibError_publishHooks(void);

/* What the last box showed, read back from its dialog (tests, logs). */
#define ZVLIB_BOX_MAXLINES 24
#define ZVLIB_BOX_TITLE_LEN 513  /* a box's title with its terminator */
#define ZVLIB_MESSAGE_LEN 1024   /* a box's or message's text, so each of its lines too */
typedef struct ZvlibBoxInfo {
    int type;            /* 1, 2, 4, 8 */
    int iconId;          /* icon drawn, 0 before the text was drawn */
    char title[ZVLIB_BOX_TITLE_LEN]; /* window title */
    char button1[64];    /* label of the first button */
    char button2[64];    /* label of the second, "" when hidden */
    int width, height;   /* window content */
    int lineCount;
    char lines[ZVLIB_BOX_MAXLINES][ZVLIB_MESSAGE_LEN];
} ZvlibBoxInfo;
ZVLIB_API const ZvlibBoxInfo *zvlibError_lastBox(void);
/* The message list (null until the first message); for the list dialog's
   items and tests. */
typedef struct StringList StringList;
ZVLIB_API StringList *zvlibError_messageList(void);

#ifdef __cplusplus
}
#endif

#endif
