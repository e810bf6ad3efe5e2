/* Windows services: a DDE conversation with the spreadsheet, printers,
   programs started with or without waiting, registry values, universal
   and short names, file deletion.  Each runs on the host's services; the
   results are the only report (nothing is shown to the user here). */
#ifndef ZVLIB_WIN32_H
#define ZVLIB_WIN32_H

#include <stddef.h>

#include "mdlhost.h"
#include "zvlib_common.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZVLIB_DDE_COMMAND_LEN 256   /* a replace command with its terminator */
#define ZVLIB_DDE_ADVISE_LEN 200    /* advise data kept, terminator included */
#define ZVLIB_COMMAND_LINE_LEN 1024 /* program and arguments with the terminator */
#define ZVLIB_SHORT_PATH_LEN ZVLIB_PATH_LEN
#define ZVLIB_UNC_NAME_LEN ZVLIB_PATH_LEN /* the caller's buffer for a universal name */
#define ZVLIB_DDE_TIMEOUT_MS 5000

/* --- DDE ---------------------------------------------------------------------
   One conversation for the whole process, whichever application asks. */

/* Connects to service and topic; a conversation that is open is ended
   first, and the instance is made once and kept.  0 connected,
   ZVLIB_FAILURE not. */
ZVLIB_API int zvlibWin32_DdeInitialize(const char *service, const char *topic);
/* Sends the command text as one execute transaction.  0 when the peer
   processed it; ZVLIB_FAILURE when there is no conversation or the peer
   refused it. */
ZVLIB_API int zvlibWin32_DdeSendMessage(const char *command);
/* Unless placeholder contains "file", "time" or "date", each '.' in value
   becomes the calling application's decimal separator (',' when it has
   none set), in the caller's buffer; then sends
   [FORMULA.REPLACE("placeholder","value")] with every '"' of either text
   doubled, so that a value stays one text whatever it holds.  ZVLIB_FAILURE
   with nothing sent when an argument is null or the command does not fit
   ZVLIB_DDE_COMMAND_LEN; else as zvlibWin32_DdeSendMessage. */
ZVLIB_API int zvlibWin32_DdeReplaceText(const char *placeholder, char *value);
/* Ends the conversation when there is one; the handle becomes 0. */
ZVLIB_API void zvlibWin32_DdeDisconnect(void);
/* text as a command argument: in quotes, each '"' doubled.  0, or
   ZVLIB_FAILURE (out "") when it does not fit outSize. */
ZVLIB_API int zvlibWin32_DdeQuote(char *out, size_t outSize, const char *text);

/* --- printers ------------------------------------------------------------------
   A new list (two info fields a member) with two members per printer of
   the network, in the host's order: its name, then "server\share" (the
   port when the share is empty).  Member 1 of the printer the workspace's
   printer driver names has info field 1 set to 1.  Null when the host has
   no printers or its configuration is malformed.  The caller owns it. */
ZVLIB_API StringList *zvlibWin32_findWindowsPrinterNames(void);

/* --- programs --------------------------------------------------------------------
   The command line is the program, then a blank and the arguments when
   there are any, at most ZVLIB_COMMAND_LINE_LEN - 1 characters; a longer
   one is refused rather than cut, since a cut line may run something else.
   No shell reads it: the program is taken as one name (blanks and all),
   the arguments are split at blanks with double quotes grouping, and ';',
   '|', '&', '$', '`', '<', '>' are plain characters. */

/* Runs the program and waits.  Its exit status (0 success, non-zero
   failure); -1 when the line is refused or the program cannot start. */
ZVLIB_API int zvlibWin32_execCommand(const char *program, const char *arguments);
/* Runs the program at idle priority and waits without limit; show has no
   meaning here.  1 when it ran and exited with 0; 0 when it could not
   start, or ended with a non-zero status or by a signal. */
ZVLIB_API int zvlibWin32_execCommandAndWait(const char *program, const char *arguments, int show);

/* --- registry ----------------------------------------------------------------------
   The value under the current user's hive, else under the machine's.
   Returns the number of bytes read, 0 when it is not found or does not fit
   size.  A text value gets a terminator after its bytes when it lacks one,
   so it counts as fitting only when there is room for that; the count
   does not include an added terminator. */
ZVLIB_API int zvlibWin32_getRegistryValue(const char *subKey, const char *valueName, int *type, void *data, int size);

/* --- names ---------------------------------------------------------------------------
   1 with the universal name of path ("\\server\share\...") in result
   (ZVLIB_UNC_NAME_LEN); 0 with result unchanged when the path is not on a
   mapped network drive or the name does not fit. */
ZVLIB_API int zvlibWin32_getGetUniversalFileName(const char *path, char *result);

/* --- inside the library ------------------------------------------------------------ */
/* The callback of the DDE instance: the results of the transaction table;
   advise data (at most ZVLIB_DDE_ADVISE_LEN - 1 bytes) is kept. */
long win32_ddeCallback(int type, long conversation, const void *data, size_t size);
/* The advise data kept last ("" before any). */
const char *win32_lastAdviseData(void);
/* The short form of path (the path itself on this platform) in a buffer of
   ZVLIB_SHORT_PATH_LEN valid until the next call; "" when it does not fit. */
char *win32_getShortPathName(const char *path);
/* Non-zero when the file was deleted. */
int win32_deleteFile(const char *fileName);
/* One hive's value: the bytes read, 0 when not found or too big. */
int win32_readRegistryValue(int hive, const char *subKey, const char *valueName, int *type, void *data, int size);
/* The command line of program and arguments into out; 0, or -1 (out "")
   when it does not fit. */
int win32_buildCommandLine(char *out, size_t outSize, const char *program, const char *arguments);

#ifdef __cplusplus
}
#endif

#endif
