/* Resource files through a handle that remembers its path: open (creating
   a missing file for read-write), close, typed blocks and string lists,
   with the library's boxes for the host's errors. */
#ifndef ZVLIB_RESOURCE_H
#define ZVLIB_RESOURCE_H

#include <stddef.h>

#include "rsc/mdlrsc.h"
#include "zvlib_common.h"
#include "zvliberror.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZVLIB_RSC_PATH_LEN ZVLIB_PATH_LEN /* a resource file's path with its terminator */

/* Open modes. */
#define ZVLIB_RSC_READONLY 0
#define ZVLIB_RSC_READWRITE 1

/* Message list of the library's boxes; entries of it used here (arg: path). */
#define ZVLIB_RSC_MSGLIST 20005
#define ZVLIB_RSC_MSG_OPEN 1       /* cannot be opened or created */
#define ZVLIB_RSC_MSG_WRITE 9      /* a write failed */
#define ZVLIB_RSC_MSG_READONLY 10  /* a write refused: read-only */
#define ZVLIB_RSC_MSG_OPEN_READ 16 /* cannot be opened even for reading */
#define ZVLIB_RSC_BOX_STYLE 17

/* Description a created file gets. */
#define ZVLIB_RSC_DESCRIPTION "Attributes"

typedef struct ZvHandle {
    RscFileHandle handle;          /* host file; null when closed */
    char path[ZVLIB_RSC_PATH_LEN]; /* the path as opened */
} ZvHandle;

/* Copies path into zh and opens it (ZVLIB_RSC_READONLY or
   ZVLIB_RSC_READWRITE).  A read-write open of a file that does not exist
   creates it first; an existing file is never created anew.  Returns 0, or
   ZVLIB_FAILURE after box 17/20005/16 (read-only open failed) or
   17/20005/1 (read-write open failed, or the path is 256 characters or
   more); zh->handle is then null. */
ZVLIB_API int zvlibResource_openFile(ZvHandle *zh, const char *path, int mode);
/* Closes the host file and clears zh->handle; a closed handle is ignored. */
ZVLIB_API void zvlibResource_closeFile(ZvHandle *zh);
/* Stores exactly length bytes under (type, id): a stored block of that key
   is replaced whatever its size, else a block is added (alias may be null).
   Returns 0, or ZVLIB_FAILURE after box 17/20005/10 (file read-only) or
   17/20005/9 (any other host error); nothing is stored then and the file
   is as it was.  A null or closed handle gives ZVLIB_FAILURE, no box. */
ZVLIB_API int zvlibResource_add(ZvHandle *zh, unsigned int type, long id, const void *data, size_t length,
                                const char *alias);
/* Copies the first length bytes of the block (type, id) into buffer.
   ZVLIB_FAILURE, with buffer untouched, when there is none, when it is
   shorter than length, or the handle is null or closed. */
ZVLIB_API int zvlibResource_load(ZvHandle *zh, unsigned int type, long id, void *buffer, size_t length);
/* Stores a string list under id (a stored list of that id is overwritten).
   Results and boxes as zvlibResource_add. */
ZVLIB_API int zvlibResource_addStringList(ZvHandle *zh, long id, const StringList *list);
/* The list stored under id (free it with mdlStringList_destroy), or null. */
ZVLIB_API StringList *zvlibResource_loadStringList(ZvHandle *zh, long id);

#ifdef __cplusplus
}
#endif

#endif
