/* Small services for every application: language texts, 8-bit and 16-bit
   text, string helpers, date and time, the hour glass, token lists, the web
   browser and host questions. */
#ifndef ZVLIB_UTIL_H
#define ZVLIB_UTIL_H

#include <stddef.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#include "zvlib_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Size of the static results of the text conversions, terminator included. */
#define ZVLIB_CONVERT_LEN 512
/* The library's failure result. */
#define ZVLIB_FAILURE 0x8000

/* --- texts ---------------------------------------------------------------- */

/* Entry n of the language list of the calling application's resource files,
   as written (a '%' stays a '%'); "" when there is none.  Static: valid
   until the next call. */
ZVLIB_API const char *zvlibUtil_getLanguageText(int n);

/* ISO 8859-1 to 16-bit text and back, each into its own static buffer of
   ZVLIB_CONVERT_LEN units (longer text is cut; characters above 255 become
   '?').  A null argument gives "". */
ZVLIB_API const char16_t *zvlibUtil_convertToUnicodeText(const char *text);
ZVLIB_API const char *zvlibUtil_convertToMultibyteText(const char16_t *text);

/* 1 when the angle (radians) points into the second or third quadrant. */
ZVLIB_API int zvlibUtil_angleIn2Or3Quadrant(double angle);
/* Removes every blank and tab in place; returns text (null stays null). */
ZVLIB_API char *zvlibUtil_removeSpaces(char *text);
/* Cuts text at its first line break (a newline, or a backslash followed by
   'n' or 'N').  What follows the break goes to rest (a buffer of its own
   with room for strlen(text) + 1 bytes, text itself, or null) and the
   result is 1; with nothing after the break, or no break, rest is "" and
   the result 0. */
ZVLIB_API int zvlibUtil_splitText(char *text, char *rest);

/* Local date and time; month 1 to 12, weekday 0 for Sunday.  The names are
   language texts, copied into weekdayName and monthName (each
   ZVLIB_NAME_LEN bytes).  Any argument may be null.  Returns 0. */
#define ZVLIB_NAME_LEN 64
ZVLIB_API int zvlibUtil_getDateAndTime(int *year, int *month, int *day, int *hour, int *minute, int *second,
                                       int *weekday, char *weekdayName, char *monthName);

/* --- hour glass (host message field 1) ------------------------------------ */
ZVLIB_API void zvlibUtil_initHourGlass(void);
/* Shows the next of "|", "/", "-", "\" once more than 30 ticks passed since
   the last step; otherwise does nothing. */
ZVLIB_API void zvlibUtil_updateHourGlass(void);

/* --- host questions -------------------------------------------------------- */
/* 1 after box 17/20005/20 when _MSDRAFT is defined, else 0. */
ZVLIB_API int zvlibUtil_runningPowerDraft(void);
/* 1 when any of _MSDRAFT, _MSPOWERSCOPE, _PRJREVIEW is defined, else 0. */
ZVLIB_API int zvlibUtil_mdlExternalNotAvailable(void);

/* --- token lists ------------------------------------------------------------
   Each non-empty token in its own allocation; null with *count 0 when text
   is null, empty or only delimiters, or memory ran out. */
ZVLIB_API char **zvlibString_tokenize(int *count, char *text, const char *delimiters);
/* The same on a copy; text stays as it was. */
ZVLIB_API char **zvlibString_tokenize2(int *count, const char *text, const char *delimiters);
ZVLIB_API void zvlibString_freeTokenList(char **list, int count);

/* --- web browser ------------------------------------------------------------
   The browser application WEBBROWS is loaded when the host does not know it
   (box 17/20005/19 when that fails); the keyin "browse file|url TARGET" is
   queued either way.  Returns 0, -1 when the keyin could not be queued. */
ZVLIB_API int zvlibWeb_openFile(const char *path);
ZVLIB_API int zvlibWeb_openUrl(const char *address);
/* Opens the application's manual: "<root>doc/manual/<appl><suffix>/index.htm",
   else without the suffix, under ZV_LOCAL or else ZV_DIR.  Returns 0 (also
   when neither root is defined; nothing opens then) or the non-zero find
   status when the manual is missing. */
ZVLIB_API int zvlibWeb_openApplHelp(void);

/* Queues the keyin "% path" (the host opens the file).  Returns 0, -1 when
   it could not be queued. */
ZVLIB_API int zvlibExternal_openFile(const char *path);

#ifdef __cplusplus
}
#endif

#endif
