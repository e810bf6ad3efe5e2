/* Resource files: message lists, typed blocks, string lists, remembered
   file names, and the generic nodes that dialogs and command tables are
   read from.

   A resource file is text, one grammar for everything:
       node := WORD arg* ( "{" node* "}" | end of line | ";" )
   WORD and each arg are a bare word, a number (decimal or 0x hex, with an
   optional '-'), a quoted text or a four-character type code in single
   quotes ('ZsU9', first character in the most significant byte).  A '{' on
   the line after a node still opens that node's block.  A '#' outside a
   text starts a comment that runs to the end of the line.  Texts are ISO
   8859-1 on one line; the escapes \n \t \\ \" and \ooo (octal, 1 to 255)
   are understood.

   Definitions the host itself reads (top level):
       Include "other.rsc"          # relative to the including file
       Description "text"
       MessageList 11 { 1 "text"  2 "text" }
       Resource 'ZsU9' 1 { hex "0a0b..." }     # at most 64 bytes a line
       StringList 20001 2 { "member" 10 20 }   # 2 info fields a member
   Entries of a message list may share a line: an entry ends after its
   text.  A list, entry, block or string list given twice in one file (its
   includes counted) makes the file malformed.  Any other top-level word is
   kept as a generic node for the module that owns that kind (dialogs,
   command tables); a word that differs from one of the host's only in case
   is refused as a typing error.

   Each application has its own resource files, searched in the order they
   were opened, an included file at the place of its Include; outside any
   application a host-global set is used. */
#ifndef MDLHOST_RSC_H
#define MDLHOST_RSC_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#include "base/mdlbase.h"
#include "base/host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RscFile *RscFileHandle;

/* ---- status codes ---------------------------------------------------------- */
#define MDLHOST_RSC_OK 0
#define MDLHOST_RSC_ERROR (-1)     /* cannot be read, malformed, no such file */
#define MDLHOST_RSC_BADARG (-2)    /* null or closed handle, null data, id out of range */
#define MDLHOST_RSC_NOTFOUND (-3)  /* no resource of that type and id */
#define MDLHOST_RSC_EXISTS (-4)    /* add: already stored; create: the file exists */
#define MDLHOST_RSC_WRITEFAIL (-5) /* the file could not be written; the previous one is intact */
#define MDLHOST_RSC_SHORT (-6)     /* the stored block is shorter than the buffer */
#define MDLHOST_RSC_FULL (-7)      /* a string list refuses more members */
#define MDLHOST_RSC_READONLY (-906) /* opened read-only, or the file or its directory is not writable */

/* Open modes. */
#define MDLHOST_RSC_READ 0
#define MDLHOST_RSC_READWRITE 1

/* Four-character type code, first character in the most significant byte. */
#define MDLHOST_RTYPE(a, b, c, d)                                                                           \
    (((uint32_t)(unsigned char)(a) << 24) | ((uint32_t)(unsigned char)(b) << 16) |                           \
     ((uint32_t)(unsigned char)(c) << 8) | (uint32_t)(unsigned char)(d))

/* ---- files ------------------------------------------------------------------
   mdlResource_openFile: opens a resource file for the current application
   (fileName null: that application's own resource file, the one its
   registration opened).  mode MDLHOST_RSC_READWRITE needs a write
   permission bit on the file and on its directory (the bits are checked,
   so this holds for root too).  Returns 0 with *handle set, or
   MDLHOST_RSC_ERROR (missing, unreadable or malformed: the text window
   names the file and line; a read-write open of a missing file says
   nothing, its caller creates the file), MDLHOST_RSC_READONLY or
   MDLHOST_RSC_BADARG (a mode other than the two); *handle is then null.
   Handles on one file share one view of it. */
MDLHOST_API int mdlResource_openFile(RscFileHandle *handle, const char *fileName, int mode);
/* Closes a handle; null and closed handles are ignored. */
MDLHOST_API void mdlResource_closeFile(RscFileHandle handle);
/* Creates an empty resource file holding only the description (null: none).
   The file is not left open; mode is accepted for the callers and has no
   effect.  Returns 0, MDLHOST_RSC_EXISTS (an existing file is never
   replaced), MDLHOST_RSC_WRITEFAIL (missing directory or one without a
   write permission bit, no room) or
   MDLHOST_RSC_BADARG. */
MDLHOST_API int mdlResource_createFile(const char *fileName, const char *description, int mode);
/* The file's description, "" when it has none or the handle is closed. */
MDLHOST_API const char *mdlhost_rscDescription(RscFileHandle handle);
/* Opens a resource file for the given application (null: the host-global
   set), read-only.  The first file opened for an application is its own
   resource file.  Returns 0 or -1 as mdlResource_openFile. */
MDLHOST_API int mdlhost_openResourceFor(MdlDesc *desc, const char *fileName);
/* Closes every resource file of desc; its handles become invalid.  The
   resource layer listens to the registry: an application's resource file
   is opened when it registers and its files are closed when it goes. */
MDLHOST_API void mdlhost_forgetResources(MdlDesc *desc);
/* The next n writes of resource files fail after the temporary file is
   written, as a full disk would (tests); n = 0 ends it. */
MDLHOST_API void mdlhost_rscFailWrites(int n);

/* ---- typed blocks -----------------------------------------------------------
   A block is keyed by (type, id) with id a 32-bit signed number.  A null
   handle searches the current application's files in opening order for
   reading; writing needs a handle opened read-write.  A write replaces the
   whole file through a temporary beside it, so a failed write leaves the
   previous file as it was.  The file is written anew from its
   definitions: comments and layout of a hand-written file are not kept,
   an Include stays an Include.  Blocks that come from an included file
   cannot be written through the including one (MDLHOST_RSC_READONLY). */

/* 0 and the stored size in *size (may be null), or MDLHOST_RSC_NOTFOUND /
   MDLHOST_RSC_BADARG. */
MDLHOST_API int mdlResource_query(RscFileHandle handle, uint32_t type, long id, size_t *size);
/* Copies the first length bytes of the stored block into buffer.  A stored
   block shorter than length gives MDLHOST_RSC_SHORT with buffer untouched;
   MDLHOST_RSC_NOTFOUND likewise. */
MDLHOST_API int mdlResource_loadInto(RscFileHandle handle, uint32_t type, long id, void *buffer, size_t length);
/* A copy of the stored block (at least one byte allocated, so an empty
   block is not null), its size in *size (may be null); null when there is
   none.  Free it with mdlResource_free. */
MDLHOST_API void *mdlResource_load(RscFileHandle handle, uint32_t type, long id, size_t *size);
MDLHOST_API void mdlResource_free(void *loaded);
/* Writes a loaded copy back over the block it came from, with the size it
   was loaded with.  A block of another length is written with
   mdlResource_replace, never by writing past a loaded copy. */
MDLHOST_API int mdlResource_write(void *loaded);
/* Adds a block of size bytes (alias: an optional name, may be null).
   Returns 0, MDLHOST_RSC_READONLY, MDLHOST_RSC_EXISTS, MDLHOST_RSC_WRITEFAIL
   or MDLHOST_RSC_BADARG.  On failure nothing is stored. */
MDLHOST_API int mdlResource_add(RscFileHandle handle, uint32_t type, long id, const void *data, size_t size,
                                const char *alias);
/* Stores exactly these bytes under (type, id), replacing a stored block of
   any length or adding it.  Results as mdlResource_add, without EXISTS. */
MDLHOST_API int mdlResource_replace(RscFileHandle handle, uint32_t type, long id, const void *data, size_t size);

/* ---- message lists ---------------------------------------------------------- */

/* Copies the raw text of the entry into out, cut to outSize - 1.  A null
   handle searches the current application's files.  Returns 0, or
   MDLHOST_RSC_NOTFOUND (out "") / MDLHOST_RSC_BADARG. */
MDLHOST_API int mdlResource_loadFromStringList(char *out, size_t outSize, RscFileHandle handle, int listId,
                                               int entry);
/* Looks the entry up in the current application's resource files (or in
   handle when not null) and formats it with the arguments into out, cut
   to outSize - 1 characters.  Returns the length written, 0 when the list
   or entry does not exist (out is then "").  Called without arguments (the
   macro below sees to it), the entry is taken as text: "%%" gives '%' and
   any other conversion stays as written, so no missing argument is read. */
MDLHOST_API int mdlOutput_rscsPrintf(char *out, size_t outSize, RscFileHandle handle, int listId, int entry, ...);
MDLHOST_API int mdlhost_rscsPrintfNoArgs(char *out, size_t outSize, RscFileHandle handle, int listId, int entry);
#define MDLHOST_RSCS_PICK_ mdlhost_rscsPrintfNoArgs
#define MDLHOST_RSCS_PICK_ARGS mdlOutput_rscsPrintf
#define mdlOutput_rscsPrintf(out, outSize, handle, listId, entry, ...)                                        \
    MDLHOST_RSCS_PICK_##__VA_OPT__(ARGS)(out, outSize, handle, listId, entry __VA_OPT__(, ) __VA_ARGS__)
/* The same with the arguments as a va_list (for functions that pass their
   own arguments on; they must pass as many as the entry converts). */
MDLHOST_API int mdlOutput_rscsVPrintf(char *out, size_t outSize, RscFileHandle handle, int listId, int entry,
                                      va_list args);
/* The entry of a message list of the current application formatted into
   message field `field` (sys/mdlsys.h); an entry that does not exist empties
   the field.  Returns 0, -1 for a field out of range. */
MDLHOST_API int mdlOutput_rscPrintf(int field, int listId, int entry, ...);
/* The raw entry text from desc's files (null desc: the host-global set),
   or null.  Valid until that file is closed. */
MDLHOST_API const char *mdlhost_messageListEntry(MdlDesc *desc, int listId, int entry);

/* ---- string lists -----------------------------------------------------------
   Members hold a text and a fixed number of info fields (long: wide enough
   for a pointer).  Indexes run from 0. */
typedef struct StringList StringList;

/* Most info fields a member may have, and the default member limit. */
#define MDLHOST_STRINGLIST_MAXINFO 64
#define MDLHOST_STRINGLIST_MAXMEMBERS 100000

/* A list of nMembers empty members (text "", fields 0); null when a count
   is negative or over its limit. */
MDLHOST_API StringList *mdlStringList_create(long nMembers, long nInfoFields);
MDLHOST_API void mdlStringList_destroy(StringList *list);
/* Called with a list about to be destroyed, so whoever shows it (a list
   box) lets go of it first.  At most 16 listeners; one given twice is kept
   once. */
typedef void (*MdlhostStringListDestroyListener)(StringList *list);
MDLHOST_API void mdlhost_addStringListDestroyListener(MdlhostStringListDestroyListener fn);
/* Members, or 0 for a null list. */
MDLHOST_API long mdlStringList_size(const StringList *list);
MDLHOST_API long mdlStringList_infoFieldCount(const StringList *list);
/* Lowers (or raises, up to MDLHOST_STRINGLIST_MAXMEMBERS) how many members
   the list takes; members beyond it are kept. */
MDLHOST_API void mdlhost_stringListSetLimit(StringList *list, long maxMembers);
/* Inserts count empty members before index (-1 or the size: at the end);
   *firstIndex (may be null) gets the index of the first.  Returns 0,
   MDLHOST_RSC_FULL when the list would pass its limit (nothing inserted),
   MDLHOST_RSC_BADARG. */
MDLHOST_API int mdlStringList_insertMember(long *firstIndex, StringList *list, long index, long count);
/* Removes count members from index on.  0 or MDLHOST_RSC_BADARG (range
   outside the list; nothing removed). */
MDLHOST_API int mdlStringList_deleteMember(StringList *list, long index, long count);
/* Sets the text (null: unchanged) and the info fields (null: unchanged;
   else infoFieldCount values).  0 or MDLHOST_RSC_BADARG. */
MDLHOST_API int mdlStringList_setMember(StringList *list, long index, const char *text, const long *infoFields);
/* Pointers to the member's text and its info fields (either out may be
   null; the fields pointer is null when the list has none).  Valid until
   the member is set or the list changes size.  0 or MDLHOST_RSC_BADARG. */
MDLHOST_API int mdlStringList_getMember(const char **text, long **infoFields, StringList *list, long index);
/* The list stored under id, or null. */
MDLHOST_API StringList *mdlStringList_loadResource(RscFileHandle handle, long id);
/* Adds a list under id: results as mdlResource_add. */
MDLHOST_API int mdlStringList_addResource(RscFileHandle handle, long id, const StringList *list);
/* Replaces the stored list of that id: results as mdlResource_add, with
   MDLHOST_RSC_NOTFOUND when the file holds none. */
MDLHOST_API int mdlStringList_writeResource(RscFileHandle handle, long id, const StringList *list);

/* ---- remembered file names ---------------------------------------------------
   One record per (preference file, dialog id).  Handle null means the host's
   own preference file: the resource file that configuration variable
   MS_USERPREF names, else MDLHOST_USERPREF, else "$(HOME)/.mdlhost.upf",
   created when missing. */
/* The name of the host's own preference file by that rule.  0, or -1 with
   name "" when none can be made. */
MDLHOST_API int mdlhost_userPrefsName(char *name, size_t size);
#define MDLHOST_UPREF_NAMELENGTH 256 /* each name, terminator included */
#define MDLHOST_UPREF_HISTORY 10     /* names a history keeps */
#define MDLHOST_UPREF_MARKER 255     /* marker of a version-5 record */
#define MDLHOST_UPREF_VERSION 5

typedef struct MdlUserPrefsFile {
    unsigned char marker;   /* MDLHOST_UPREF_MARKER once the record is of version 5, else 0 */
    unsigned char reserved[3];
    int32_t version;        /* MDLHOST_UPREF_VERSION with the marker */
    char fileName[MDLHOST_UPREF_NAMELENGTH];  /* current file */
    char filter[MDLHOST_UPREF_NAMELENGTH];    /* current filter, "*.ext" */
    char directory[MDLHOST_UPREF_NAMELENGTH]; /* current directory */
    int32_t fileCount;      /* 0..MDLHOST_UPREF_HISTORY */
    int32_t filterCount;    /* 0..MDLHOST_UPREF_HISTORY */
    int32_t directoryCount; /* 0..MDLHOST_UPREF_HISTORY */
    char files[MDLHOST_UPREF_HISTORY][MDLHOST_UPREF_NAMELENGTH];       /* newest first */
    char filters[MDLHOST_UPREF_HISTORY][MDLHOST_UPREF_NAMELENGTH];     /* newest first */
    char directories[MDLHOST_UPREF_HISTORY][MDLHOST_UPREF_NAMELENGTH]; /* newest first */
} MdlUserPrefsFile;

/* Block type of the records (id = dialog id). */
#define MDLHOST_RTYPE_USERPREFSFILE MDLHOST_RTYPE('U', 'P', 'f', 'n')

/* Fills record with the stored record of dialogId: 0, or
   MDLHOST_RSC_NOTFOUND with the record zero-filled (also for a stored
   record of the wrong size: MDLHOST_RSC_ERROR).  Stored counts are cut to
   the history length and every name is terminated. */
MDLHOST_API int mdlUserPrefs_getFileName(MdlUserPrefsFile *record, long dialogId, RscFileHandle handle);
/* Stores the record under dialogId: results as mdlResource_replace. */
MDLHOST_API int mdlUserPrefs_saveFileName(const MdlUserPrefsFile *record, long dialogId, RscFileHandle handle);
/* Closes the host's own preference file (it is opened again on use). */
MDLHOST_API void mdlhost_closeUserPrefs(void);

/* ---- generic nodes -----------------------------------------------------------
   Every top-level definition of a resource source is a node; a node whose
   first word is a number (a message-list entry) or a text (a string-list
   member) is a node too, with that word as its keyword.  Typed views
   (message lists, string lists, command tables, dialogs) are read from
   these nodes by the module that owns each kind. */
typedef struct RscNode RscNode;

/* The first top-level node with this keyword (case-sensitive) whose first
   argument is the number id, searched in desc's files in opening order
   (null desc: the host-global set).  Null when none.  Valid until that
   file is closed (a written block's node: until it is written again). */
MDLHOST_API const RscNode *mdlhost_rscFind(MdlDesc *desc, const char *keyword, long id);
MDLHOST_API const char *mdlhost_rscKeyword(const RscNode *node);
MDLHOST_API int mdlhost_rscArgCount(const RscNode *node);
/* Argument i as text ("" when absent); quoted texts come unescaped, type
   codes as their four characters. */
MDLHOST_API const char *mdlhost_rscArg(const RscNode *node, int i);
/* Argument i as a number (a type code gives its 32-bit value); 0 with
   *ok = 0 when absent or not a number (ok may be null). */
MDLHOST_API long mdlhost_rscArgLong(const RscNode *node, int i, int *ok);
MDLHOST_API int mdlhost_rscChildCount(const RscNode *node);
MDLHOST_API const RscNode *mdlhost_rscChild(const RscNode *node, int i);
/* File and line a node came from, for error texts. */
MDLHOST_API const char *mdlhost_rscSourceFile(const RscNode *node);
MDLHOST_API int mdlhost_rscSourceLine(const RscNode *node);

#ifdef __cplusplus
}
#endif

#endif
