/* The calling application's user preference file: one per application, in
   the directory of MS_USERPREF, opened read-write (created when missing) or
   read-only, and the file dialogs that remember their last file, filter and
   directory in it per dialog id. */
#ifndef ZVLIB_UPF_H
#define ZVLIB_UPF_H

#include "dlg/mdldlg.h"
#include "rsc/mdlrsc.h"
#include "zvlibresource.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the preference file of the current application: the device and
   directory of MS_USERPREF followed by the value of configuration variable
   cfgVar, or defaultName when that is undefined or empty.  Read-write when
   possible; a missing file is created; an existing file that cannot be
   written is opened read-only, and saves are then skipped.  An open file
   of this application is closed first.  When the file is open and
   handleOut is not null, the whole handle is copied there.  Returns 0, or
   ZVLIB_FAILURE with the file closed: MS_USERPREF undefined (said on the
   text window), the path 256 characters or more (box 17/20005/1), or the
   boxes of zvlibResource_openFile. */
ZVLIB_API int zvlibUpf_open(ZvHandle *handleOut, const char *cfgVar, const char *defaultName);
/* The same rules for a path given whole. */
ZVLIB_API int zvlibUpf_openWithPath(ZvHandle *handleOut, const char *fullPath);
/* Closes the file when it is open. */
ZVLIB_API void zvlibUpf_close(void);
/* zvlibResource_load on the preference file.  A closed file: "User
   preference file not open!!" on the text window and ZVLIB_FAILURE. */
ZVLIB_API int zvlibUpf_load(unsigned int type, long id, void *buffer, size_t length);
/* zvlibResource_add (no alias) on the preference file; 0 without writing
   on a file opened read-only.  A closed file as zvlibUpf_load. */
ZVLIB_API int zvlibUpf_save(unsigned int type, long id, const void *data, size_t length);
/* The path, or null when the file is not open. */
ZVLIB_API const char *zvlibUpf_getUpfFileName(void);
/* The host handle, or null when the file is not open. */
ZVLIB_API RscFileHandle zvlibUpf_getHandle(void);
/* The handle record, or null when the file is not open. */
ZVLIB_API ZvHandle *zvlibUpf_getZvHandle(void);
/* 1 when the file is open read-only, else 0. */
ZVLIB_API int zvlibUpf_isReadOnly(void);
/* Clears the current application's handle and flags (library start-up;
   libraryRecord is the caller's library record and is not read). */
ZVLIB_API void zvlibUpf_initialize(void *libraryRecord);

/* File dialogs that remember, per dialog id, the last file in the
   preference file (a closed preference file: in the host's own one).
   pathOut holds MDLHOST_MAXFILELENGTH characters.  Open and create return
   the host dialog's result (ACTIONBUTTON_OK or ACTIONBUTTON_CANCEL). */
ZVLIB_API int zvlibUpf_defFileOpen(char *pathOut, const char *suggestedName, const char *filter,
                                   const char *defaultDirectory, const char *title, int dialogId);
ZVLIB_API int zvlibUpf_defFileCreate(char *pathOut, const char *suggestedName, const char *filter,
                                     const char *defaultDirectory, const char *title, int dialogId);
/* mdlFileList_edit starting in the remembered directory (else
   defaultDirectory); *statusOut gets its action, and on ACTIONBUTTON_OK
   the directory the user ended in is remembered.  Returns 0, or
   ZVLIB_FAILURE when statusOut is null. */
ZVLIB_API int zvlibUpf_defFileListEdit(int *statusOut, StringList *fileList, int attributes, const char *title,
                                       const char *prompt, const char *filter, const char *defaultDirectory,
                                       int dialogId);
/* The file search dialog (zvlibDialog_searchFiles) starting in the
   directory and filter remembered for dialogId, else in the caller's.
   When it returns a list, the directory and filter it ended with are
   remembered.  Returns the list (the caller destroys it) or null. */
ZVLIB_API StringList *zvlibUpf_defSearchFiles(const char *title, const char *filter,
                                             const char *directoryOrCfgVar, int dialogId);
/* Remembers path as the current file of dialogId in resourceFile (null:
   the host's own preference file), its extension as the filter "*.ext",
   and, once the record is of version 5, pushes the path, the filter and
   the path's directory onto the record's histories (at most
   MDLHOST_UPREF_HISTORY each, newest first; an equal entry moves to the
   top).  Returns 0, or ZVLIB_FAILURE when path is null, does not fit a
   record's name, or the record cannot be stored. */
ZVLIB_API int zvlibUpf_saveFileName(const char *path, RscFileHandle resourceFile, int dialogId);

#ifdef __cplusplus
}
#endif

#endif
