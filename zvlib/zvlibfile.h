/* Control-file line reader: physical lines with "%include" and
   "%if exist include" directives followed into nested files, and logical
   lines with comment, blank and continuation lines handled.  Also four
   small file-system functions. */
#ifndef ZVLIB_FILE_H
#define ZVLIB_FILE_H

#include <stdio.h>

#include "zvlib_common.h"
#include "zvlibmem.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZVLIB_FILE_NAME_LEN ZVLIB_PATH_LEN /* a path with its terminator */
#define ZVLIB_FILE_BUFFER_SIZE 512   /* default physical-line buffer */
#define ZVLIB_FILE_MAX_INCLUDES 16   /* nested includes below a top file */

/* Message list of the library's boxes; entries of it used here. */
#define ZVLIB_FILE_MSGLIST 20005
#define ZVLIB_FILE_MSG_OPEN 1      /* arg: path or text */
#define ZVLIB_FILE_MSG_CLOSE 2     /* arg: path */
#define ZVLIB_FILE_MSG_TOO_LONG 3  /* args: capacity, path, line in that file */
#define ZVLIB_FILE_MSG_READ 4      /* args: path, line in that file */
#define ZVLIB_FILE_MSG_MEMORY 14   /* no args */

typedef struct ZvlibFile ZvlibFile;

/* One open file.  The line buffer belongs to the top file; its includes
   share it. */
struct ZvlibFile {
    FILE *fp;                              /* host text file */
    int included;                          /* 0 opened by a caller, 1 by an include directive */
    char continuationChar;                 /* '\0': no continuation lines */
    char commentChar;                      /* in column 1 only; '\0': none */
    int bufferSize;                        /* bytes of buffer; a physical line holds bufferSize - 1 */
    char *buffer;                          /* line buffer, shared with the includes */
    char fileName[ZVLIB_FILE_NAME_LEN];    /* the path as opened */
    ZvlibFile *child;                      /* include being read, or null */
    ZvlibFile *parent;                     /* null for the top file */
    int lineNumber;                        /* physical lines read from this file, for error texts */
};

/* Opens path with mode "r", "w" or "a".  continuation and comment are
   texts whose first character counts (null: "\\" and "#"; "": none);
   bufferSize below 2 takes ZVLIB_FILE_BUFFER_SIZE.  Returns the file, or
   null after box 17/20005/1 (unknown mode, or the path cannot be opened). */
ZVLIB_API ZvlibFile *zvlibFile_openExtended(const char *path, const char *mode, const char *continuation,
                                            const char *comment, int bufferSize);
/* The same with "\\", "#" and ZVLIB_FILE_BUFFER_SIZE. */
ZVLIB_API ZvlibFile *zvlibFile_open(const char *path, const char *mode);
ZVLIB_API ZvlibFile *zvlibFile_openHWSpesific(const char *path, const char *mode);
/* Closes an open include first, then the file (a failing host close shows
   box 17/20005/2), unlinks an include from its parent and frees the record
   (and, for a top file, the line buffer).  Returns the host status; 0 for a
   null file. */
ZVLIB_API int zvlibFile_close(ZvlibFile *file);
/* Closes an open include and starts the file again.  0, or -1 for null. */
ZVLIB_API int zvlibFile_rewind(ZvlibFile *file);
/* The next physical line into buffer (size bytes), read in the innermost
   open include; directives are followed and a directive whose file cannot
   be opened comes back with the comment character in its first column.
   Null at the end of the top file, on a read error, and for a line longer
   than buffer (its rest is skipped). */
ZVLIB_API char *zvlibFile_fgets(char *buffer, int size, ZvlibFile *file);
/* The next logical line into line (capacity bytes).  Returns the number of
   physical lines consumed (comment, blank and continuation lines
   included), 0 at the end of the file (line ""), -1 after box 17/20005/3
   (too long for capacity or for the line buffer) or 17/20005/4 (read
   error).  A file ending in a continuation line gives the text joined so
   far as its last logical line. */
ZVLIB_API int zvlibFile_read(char *line, ZvlibFile *file, int capacity);
/* As zvlibFile_read, with every physical line cut at its first ';':
   comment (capacity bytes) gets the text after the ';' of the last
   physical line, without its newline ("" when it has none). */
ZVLIB_API int zvlibFile_read2(char *line, char *comment, ZvlibFile *file, int capacity);
/* Inside the library: zvlibFile_read (comment null) or zvlibFile_read2,
   with *lines set to the physical lines consumed, a failing one included,
   so that a tokenizer can count the line it refuses. */
int zvlibFile_readCounted(char *line, char *comment, ZvlibFile *file, int capacity, int *lines);

/* 1 when path names an existing directory, else 0. */
ZVLIB_API int zvlibFile_directoryExists(const char *path);
/* The short form of path in a static buffer: the path itself on this
   platform; "" when it does not fit ZVLIB_FILE_NAME_LEN. */
ZVLIB_API char *zvlibFile_GetShortPathName(const char *path);
/* Deletes the file: 0, or -1 when it cannot be deleted. */
ZVLIB_API int zvlibFile_delete(const char *path);
/* 1 when the file exists and may not be written: no write permission bit
   is set (the only refusal that holds for a superuser too) or the host
   refuses writing; 0 otherwise, a missing file included. */
ZVLIB_API int zvlibFile_isReadOnly(const char *fileName);

#ifdef __cplusplus
}
#endif

#endif
