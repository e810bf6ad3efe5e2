/* Files and paths, memory, text window, message centre, configuration
   variables and wide strings. */
#ifndef MDLHOST_SYS_H
#define MDLHOST_SYS_H

#include <stddef.h>
#include <stdio.h>

#include "host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* --- files ---------------------------------------------------------------
   Names may be written with '\' or '/'; a drive letter "X:" maps to the
   directory of configuration variable MDLHOST_DRIVE_X (unset: the drive
   letter is dropped and the rest of the path is used as it stands).
   Modes as fopen; every file is opened in binary, so "w" writes LF.  Null
   name or mode, or a malformed mode: null with errno EINVAL. */
MDLHOST_API FILE *dlmSystem_mdlFopen(const char *name, const char *mode);
MDLHOST_API int dlmSystem_mdlFclose(FILE *fp);
/* Maps a system path to the local one ('\' becomes '/'); returns out, ""
   when it does not fit. */
MDLHOST_API char *mdlhost_mapPath(char *out, size_t outSize, const char *name);

/* Splits a path into device ("X:" or ""), directory (with its trailing
   separator), name and extension (with its '.').  Any pointer may be null;
   each out buffer holds at least MDLHOST_MAXFILELENGTH characters and is cut
   to that.  Returns 0. */
MDLHOST_API int mdlFile_parseName(const char *path, char *device, char *directory, char *name, char *extension);

/* --- memory --------------------------------------------------------------- */
MDLHOST_API void *dlmSystem_mdlMalloc(size_t size);
MDLHOST_API void *dlmSystem_mdlRealloc(void *block, size_t size);
MDLHOST_API void dlmSystem_mdlFree(void *block);

/* --- text window and message centre ---------------------------------------
   The host keeps what was printed so that tests and the batch log can read
   it; it is also echoed to stderr when the environment variable
   MDLHOST_ECHO is set.  The text window's pointer is valid until the next
   print or clear. */
MDLHOST_API void toolSubsystem_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
MDLHOST_API const char *mdlhost_textWindow(void);
MDLHOST_API void mdlhost_clearTextWindow(void);

MDLHOST_API void mdlOutput_messageCenter(int messageType, const char *text);
/* Last n-th message (0 = newest) and its type; null when none. */
MDLHOST_API const char *mdlhost_messageCenterText(int n, int *messageType);
MDLHOST_API int mdlhost_messageCenterCount(void);
MDLHOST_API void mdlhost_clearMessageCenter(void);

/* --- configuration variables --------------------------------------------- */
/* Copies the value (the process environment, overridden by values defined
   in the host) into out; returns 0, or -1 (out "") when undefined or it
   does not fit. */
MDLHOST_API int mdlSystem_getCfgVar(char *out, const char *name, int outSize);
/* Defines name in the host; a null value removes the host's definition.
   Returns 0, -1 for an empty name. */
MDLHOST_API int mdlSystem_defineCfgVar(const char *name, const char *value);

/* --- wide strings (16-bit) ------------------------------------------------
   8-bit text is ISO 8859-1, so each byte maps to one code unit.  mbLen < 0:
   up to the terminator.  Copies at most maxChars - 1 characters and always
   terminates (maxChars <= 0: writes nothing); returns the number of
   characters written. */
MDLHOST_API int mdlCnv_convertMultibyteToUnicode(const char *mb, int mbLen, char16_t *wide, int maxChars);
/* Characters above 255 become '?' (a surrogate pair becomes one '?'). */
MDLHOST_API int mdlCnv_convertUnicodeToMultibyte(const char16_t *wide, int wideLen, char *mb, int maxBytes);

/* --- failure injection for tests -------------------------------------------
   The next n calls of the named entry point ("fopen", "malloc", "realloc")
   fail: fopen returns null with errno EIO, malloc and realloc return null
   (realloc leaves the block as it was).  n = 0 ends an injection. */
MDLHOST_API void mdlhost_failNext(const char *entryPoint, int n);

#ifdef __cplusplus
}
#endif

#endif
