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
/* What all the includes of one top file may read together: a file
   including the same files over and over would otherwise run for ever. */
#define ZVLIB_FILE_MAX_INCLUDED_FILES 1000
#define ZVLIB_FILE_MAX_INCLUDED_BYTES (64L << 20)

/* Message list of the library's boxes; entries of it used here. */
#define ZVLIB_FILE_MSGLIST 20005
#define ZVLIB_FILE_MSG_OPEN 1      /* arg: path or text */
#define ZVLIB_FILE_MSG_CLOSE 2     /* arg: path */
#define ZVLIB_FILE_MSG_TOO_LONG 3  /* args: capacity, path, line in that file */
#define ZVLIB_FILE_MSG_READ 4      /* args: path, line in that file */
#define ZVLIB_FILE_MSG_MEMORY 14   /* no args */

typedef struct ZvlibFile ZvlibFile;

/* The first line a top file's reader refused (or whose include it did not
   follow), for callers that cannot show a box to anyone. */
#define ZVLIB_FILE_REFUSED_NONE 0
#define ZVLIB_FILE_REFUSED_TOO_LONG 1        /* a physical line longer than the buffer; limit: its characters */
#define ZVLIB_FILE_REFUSED_JOINED_TOO_LONG 2 /* a logical line reaching the capacity; limit: the capacity */
#define ZVLIB_FILE_REFUSED_NUL 3             /* a NUL byte in the line */
#define ZVLIB_FILE_REFUSED_READ 4            /* the host could not read */
#define ZVLIB_FILE_REFUSED_INCLUDE 5         /* an include that cannot be opened; detail: its name */
#define ZVLIB_FILE_REFUSED_CYCLE 6           /* an include already being read; detail: its name */
#define ZVLIB_FILE_REFUSED_DEPTH 7           /* an include nested too deep; limit: the depth */
#define ZVLIB_FILE_REFUSED_BUDGET 8          /* an include over the budget; limit: its files */
typedef struct ZvlibFileRefusal {
    int kind;                            /* ZVLIB_FILE_REFUSED_* */
    int line;                            /* the line in file */
    int limit;                           /* the limit passed, where kind has one */
    char file[ZVLIB_FILE_NAME_LEN];      /* the file the line is in */
    char detail[ZVLIB_FILE_NAME_LEN];    /* the include's name, where kind has one */
} ZvlibFileRefusal;

/* Says whether a physical line starts a logical line of its own. */
typedef int (*ZvlibFileLineTest)(const char *line, void *arg);

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
    /* The rest is kept in the top file only. */
    int includesOpened;                    /* includes opened so far, for the budget */
    long includedBytes;                    /* bytes read from includes so far */
    int heldLength;                        /* > 0: buffer holds a physical line read ahead */
    ZvlibFileLineTest startsRecord;        /* see zvlibFile_setRecordStart */
    void *startsRecordArg;
    ZvlibFileRefusal refusal;              /* the first refusal; kind NONE while there is none */
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

/* From now on a physical line for which test gives non-zero is never
   joined to a line before it that ends in the continuation character:
   that line ends there, its continuation character kept (a folder ending
   in '\\' is a folder, not a continued line).  Null test: joins as
   before. */
ZVLIB_API void zvlibFile_setRecordStart(ZvlibFile *file, ZvlibFileLineTest test, void *arg);
/* The first line the reader of file (a top file) refused since it was
   opened: a physical or logical line too long, a NUL byte, a read error,
   or an include it did not follow (one that cannot be opened, unless the
   directive is "%if exist include", a cycle, nested too deep, or over
   the budget of the includes).  Null when there was none. */
ZVLIB_API const ZvlibFileRefusal *zvlibFile_firstRefusal(const ZvlibFile *file);

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
