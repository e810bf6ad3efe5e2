/* Files and paths, memory, text window, message centre, configuration
   variables, wide strings and external programs. */
#ifndef MDLHOST_SYS_H
#define MDLHOST_SYS_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "base/host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* --- files ---------------------------------------------------------------
   Names may be written with '\' or '/'; a drive letter "X:" maps to the
   directory of configuration variable MDLHOST_DRIVE_X, inside which ".."
   stops at the drive's root; a drive without a directory is no place on
   this machine (the open fails with errno ENODEV).
   Modes as fopen; every file is opened in binary, so "w" writes LF, and
   close-on-exec.  Null name or mode, or a malformed mode: null with errno
   EINVAL.  A regular file opened "w" (without '+' or 'x') is written to a
   temporary beside it that dlmSystem_mdlFclose renames into place only
   when every write, the sync and the close succeeded: a failed write
   returns EOF and leaves the previous file as it was. */
MDLHOST_API FILE *dlmSystem_mdlFopen(const char *name, const char *mode);
MDLHOST_API int dlmSystem_mdlFclose(FILE *fp);
/* Opens name (as dlmSystem_mdlFopen) for reading only when it is a regular
   file: a FIFO, device or directory is refused without blocking and without
   a read that never ends (null, errno EISDIR for a directory, else
   ENODEV), as is a missing file (errno as open's). */
MDLHOST_API FILE *mdlhost_fopenRegular(const char *name);
/* Closes fp without keeping what was written: a file opened "w" stays as
   it was before the open.  A null fp is ignored. */
MDLHOST_API void mdlhost_discardFile(FILE *fp);
/* Marks fp, opened "w", as work that only this run reads back: its close
   still renames it into place whole, but does not wait for the disk to
   hold it.  Any other fp is left as it is. */
MDLHOST_API void mdlhost_markScratchFile(FILE *fp);
/* Maps a system path to the local one ('\' becomes '/'); returns out, ""
   when it does not fit or names a drive without a directory. */
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
   it.  With echo on (mdlhost_setEcho) the text window is also written to
   stdout and the message centre to stderr, each as chosen; the variable
   MDLHOST_ECHO sends both to stderr.  When configuration variable
   MDLHOST_LOG names a file, both are appended to it as well (message centre
   lines as "[type] text").  The text window's pointer is valid until the
   next print or clear. */
MDLHOST_API void toolSubsystem_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
MDLHOST_API const char *mdlhost_textWindow(void);
MDLHOST_API void mdlhost_clearTextWindow(void);

MDLHOST_API void mdlOutput_messageCenter(int messageType, const char *text);
/* Last n-th message (0 = newest) and its type; null when none. */
MDLHOST_API const char *mdlhost_messageCenterText(int n, int *messageType);
MDLHOST_API int mdlhost_messageCenterCount(void);
MDLHOST_API void mdlhost_clearMessageCenter(void);
#define MDLHOST_ECHO_TEXT 1     /* the text window to stdout */
#define MDLHOST_ECHO_MESSAGES 2 /* the message centre to stderr */
MDLHOST_API void mdlhost_setEcho(int what);

/* The stream for error reports (a batch run's default report): stderr
   unless a test set another (null: back to stderr).  The message centre's
   echo, and the text window's under MDLHOST_ECHO, go to it. */
MDLHOST_API FILE *toolSubsystem_getStderr(void);
MDLHOST_API void mdlhost_setStderr(FILE *fp);

/* Writes text, held in ISO 8859-1 as every text of the host, to a terminal
   stream (stdout, stderr) as UTF-8, the way the text window and message
   centre reach the terminal.  Files (logs, reports) keep their set. */
MDLHOST_API void mdlhost_terminalPuts(FILE *fp, const char *text);

/* --- message fields -----------------------------------------------------------
   The status bar's fields 0 to MDLHOST_MAXFIELD, kept for tests: each print
   replaces the field's text.  A field out of range: -1 and nothing kept. */
#define MDLHOST_MAXFIELD 4
MDLHOST_API int mdlOutput_printf(int field, const char *format, ...) __attribute__((format(printf, 2, 3)));
/* Field 0. */
MDLHOST_API int mdlOutput_message(const char *text);
/* Text of the field ("" when never set or out of range). */
MDLHOST_API const char *mdlhost_messageField(int field);
MDLHOST_API void mdlhost_clearMessageFields(void);

/* --- configuration variables ---------------------------------------------
   A variable is defined at one of five levels; the definition at the highest
   level hides the lower ones, and the process environment lies below all of
   them.  Values are kept as written and their $(NAME) references expanded
   at use. */
#define MDLHOST_CFGLEVEL_SYSTEM 0
#define MDLHOST_CFGLEVEL_APPL 1
#define MDLHOST_CFGLEVEL_SITE 2
#define MDLHOST_CFGLEVEL_PROJECT 3
#define MDLHOST_CFGLEVEL_USER 4

/* Copies the expanded value into out; returns 0, or -1 (out "") when
   undefined, it does not fit, or its expansion fails (see expandCfgVar). */
MDLHOST_API int mdlSystem_getCfgVar(char *out, const char *name, int outSize);
/* Defines name at the user level; a null value removes the host's
   definitions at every level.  Returns 0, -1 for an empty name. */
MDLHOST_API int mdlSystem_defineCfgVar(const char *name, const char *value);
/* The same as mdlSystem_getCfgVar, for code that asks for "the environment". */
MDLHOST_API int mdlSystem_getenv(const char *name, char *out, int outSize);
/* Defines name at level (null value: removes it there).  Returns 0, -1 for
   an empty name or an unknown level. */
MDLHOST_API int mdlSystem_defineConfigurationVariable(const char *name, const char *value, int level);
/* Expands every $(NAME) of in into out (outSize bytes); a value's own
   references are expanded too, an undefined variable expands to "", and "$("
   without a closing ')' stays as written.  Returns 0, or -1 (out "") when
   the result does not fit or a reference is cyclic (also when nested deeper
   than 16 or more than 10000 references are made: a runaway definition). */
MDLHOST_API int mdlSystem_expandCfgVar(const char *in, char *out, int outSize);
/* Reads a configuration file into level: lines "NAME = value" ('>' appends
   and '<' prepends ";value" to the value visible so far), '#' comments and
   blank lines; LF, CR LF and a lone CR end a line.  Each malformed line is
   printed on the text window with its file and line number.  Returns the
   number of malformed lines, -1 (errno set) when the file cannot be opened
   or read (a directory) or the level is unknown. */
MDLHOST_API int mdlhost_readConfigFile(const char *fileName, int level);

/* --- finding and naming files ---------------------------------------------
   mdlFile_find: a name with a directory or drive is checked as given;
   otherwise each directory of path (directories separated by ';'; an entry
   that names a configuration variable stands for the directories of its
   value; other entries have $(NAME) expanded) is tried, the current
   directory when path is null or empty.  defaultExt (".ext" or "ext", may
   be null) is added when the name has no extension.  Only regular files
   count; when the exact name is missing, a file whose name differs only in
   case is taken.  Copies the found name (the directory as the path gave it)
   into out (MDLHOST_MAXFILELENGTH) and returns 0; -1 (out "") when not
   found or the name does not fit. */
MDLHOST_API int mdlFile_find(char *out, const char *name, const char *path, const char *defaultExt);
/* Joins device, directory, name and extension (any may be null) into out
   (MDLHOST_MAXFILELENGTH), adding the ':' of a device, a separator after a
   directory and the '.' of an extension when missing; returns 0, -1 (out "")
   when it does not fit. */
MDLHOST_API int mdlFile_buildName(char *out, const char *device, const char *directory, const char *name,
                                  const char *extension);

/* Copies the file src to dst (names as for dlmSystem_mdlFopen): written to a
   temporary file beside dst and renamed into place, so a failed copy leaves
   dst as it was.  A dst that is src itself is left alone.  0, or -1 with
   errno set (a missing source, a write that failed). */
MDLHOST_API int mdlFile_copy(const char *dst, const char *src);
/* Makes fileName (names as for dlmSystem_mdlFopen) anew: a copy of
   seedFile as mdlFile_copy makes it, or, with seedFile null or "", an empty
   file (one that exists is emptied).  0, or -1 with errno set (no name, a
   missing seed, a folder that cannot be written). */
MDLHOST_API int mdlFile_create(const char *fileName, const char *seedFile);

/* --- listing directories ---------------------------------------------------
   mdlFileList_get lists one directory (null or "": the current one; names
   as for dlmSystem_mdlFopen).  attributes chooses what is listed, groups in
   this order when several bits are set:
     MDLHOST_FILEATTR_DIRECTORIES  ".." (except at the root of the file
                                   system), then the subdirectories: what a
                                   user chooses from to move about;
     MDLHOST_FILEATTR_SUBDIRS      the subdirectories only: for tree walks;
     MDLHOST_FILEATTR_DRIVES       "[-x:]" for each drive letter x whose
                                   MDLHOST_DRIVE_X is defined (the directory
                                   plays no part; none by default);
     MDLHOST_FILEATTR_FILES        the regular files.
   Directory and file names must match pattern: '*' any run of characters,
   '?' one character, letters compared without case; null, "" and "*.*"
   match every name.  Within a group entries are sorted by name without
   case.  "." is never listed, nor a name of MDLHOST_FINDNAME_LEN characters
   or more; a symbolic link counts as what it points to and carries
   MDLHOST_FILEATTR_LINK (a dangling one is left out).  Returns the number
   of entries with *entries an array of them (null for none; free it with
   mdlFileList_free), or -1 with *entries null when the directory cannot
   be read. */
#define MDLHOST_FILEATTR_SUBDIRS 2
#define MDLHOST_FILEATTR_DRIVES 64
#define MDLHOST_FILEATTR_DIRECTORIES 128
#define MDLHOST_FILEATTR_FILES 256
#define MDLHOST_FILEATTR_LINK 1024 /* in an entry only: a symbolic link */
#define MDLHOST_FINDNAME_LEN 256
typedef struct MdlFindEntry {
    char name[MDLHOST_FINDNAME_LEN]; /* without the directory */
    uint32_t attributes;             /* the group's MDLHOST_FILEATTR_* bit, | MDLHOST_FILEATTR_LINK */
    uint32_t reserved;
    int64_t size; /* bytes of a file, 0 for the others */
} MdlFindEntry;
MDLHOST_API int mdlFileList_get(MdlFindEntry **entries, int attributes, const char *pattern, const char *directory);
MDLHOST_API void mdlFileList_free(MdlFindEntry *entries);
/* The files that match the last component of pathPattern in the directory
   before it (none: the current directory), as mdlFileList_get with
   MDLHOST_FILEATTR_FILES; 0 when pathPattern ends in a separator. */
MDLHOST_API int mdlFile_findFiles(MdlFindEntry **entries, const char *pathPattern);
/* Shortens path in place to at most maxChars characters for display: the
   device and first directory, "...", and as many whole components from the
   end as fit ("..." and the end of the name when not even the name fits;
   only the last maxChars characters when maxChars is 3 or less).  A path
   that fits is left as it is.  Returns 0, -1 for a null path or a negative
   maxChars. */
MDLHOST_API int mdlFile_abbreviateName(char *path, int maxChars);

/* --- wide strings (16-bit) ------------------------------------------------
   8-bit text is ISO 8859-1, so each byte maps to one code unit.  mbLen < 0:
   up to the terminator.  Copies at most maxChars - 1 characters and always
   terminates (maxChars <= 0: writes nothing); returns the number of
   characters written. */
MDLHOST_API int mdlCnv_convertMultibyteToUnicode(const char *mb, int mbLen, char16_t *wide, int maxChars);
/* Characters above 255 become '?' (a surrogate pair becomes one '?'). */
MDLHOST_API int mdlCnv_convertUnicodeToMultibyte(const char16_t *wide, int wideLen, char *mb, int maxBytes);
/* Characters before the terminator; 0 for null. */
MDLHOST_API int mdlWideChar_strlen(const char16_t *s);
/* <0, 0 or >0 as a is before, equal to or after b, code unit by code unit
   (null is an empty text). */
MDLHOST_API int mdlWideChar_strcmp(const char16_t *a, const char16_t *b);

/* --- sorting --------------------------------------------------------------
   Sorts count members of size bytes at base by compare, as qsort does (the
   order of equal members is not kept); nothing for count < 2, a null base
   or compare, or size < 1. */
typedef int (*MdlCompareFunc)(const void *a, const void *b);
MDLHOST_API void mdlUtil_quickSort(void *base, int count, int size, MdlCompareFunc compare);

/* --- external programs ---------------------------------------------------
   A program runs as a process of its own with an argument vector; no shell
   is involved, so ';', '|', '$' and the like in a name or an argument are
   plain characters.  A program named without a directory is looked up in
   the directories of PATH (configuration or environment, ':' between
   them); a name with a directory (either separator, drive mapped) is taken
   as it stands.  Either way, when the exact name is missing a file whose
   name differs only in case is taken.  Only regular files with an execute
   bit run. */
typedef struct MdlExternalProgram MdlExternalProgram;
#define MDLEXT_NOT_STARTED (-101) /* no such program, or it could not be started */
/* Starts program with argText split into arguments: blanks and tabs
   separate them, a double-quoted part keeps its blanks and loses its
   quotes, "" is an empty argument; an unclosed quote refuses the text.
   With process null the program runs on its own and nobody waits for it;
   otherwise *process gets its record, to be handed to mdlExternal_wait or
   mdlExternal_terminateProgram once.  Returns 0, or MDLEXT_NOT_STARTED
   with *process null. */
MDLHOST_API int mdlExternal_startProgram(MdlExternalProgram **process, const char *program, const char *argText);
/* The same with the arguments given one by one, as they stand (args ends
   with a null pointer; null: no arguments). */
MDLHOST_API int mdlExternal_extStartProgram(MdlExternalProgram **process, const char *program,
                                            const char *const *args);
/* Waits until the program ends and releases the record.  Returns its exit
   status (0 to 255; non-zero means it failed), 128 + the signal number when
   a signal ended it, -1 for a null record or when waiting failed. */
MDLHOST_API int mdlExternal_wait(MdlExternalProgram *process);
/* Ends the program when it still runs (SIGTERM, SIGKILL when it has not
   gone within two seconds) and releases the record.  Returns 0, -1 for a
   null record. */
MDLHOST_API int mdlExternal_terminateProgram(MdlExternalProgram *process);
/* The file program names, by the rules above, into out.  Returns 0, or -1
   (out "") when there is none or it does not fit. */
MDLHOST_API int mdlhost_findProgram(char *out, size_t outSize, const char *program);

/* --- failure injection for tests -------------------------------------------
   The next n calls of the named entry point ("fopen", "malloc", "realloc")
   fail: fopen returns null with errno EIO, malloc and realloc return null
   (realloc leaves the block as it was).  n = 0 ends an injection. */
MDLHOST_API void mdlhost_failNext(const char *entryPoint, int n);

#ifdef __cplusplus
}
#endif

#endif
