/* Resource files and message lists.

   A resource file is text:
       # comment
       MessageList 11
       {
           1 "Text with \"escapes\" \\n and \\t"
           2 "..."
       }
   Entries are numbered by the integer before their text.  Texts are
   ISO 8859-1; the escapes \n \t \\ \" and \ooo (octal) are understood.
   A '#' outside a text starts a comment that runs to the end of the line.
   A list or an entry given twice in one file makes the file malformed.

   Each application has its own resource files, searched in the order they
   were opened; outside any application a host-global set is used. */
#ifndef MDLHOST_RSC_H
#define MDLHOST_RSC_H

#include <stdarg.h>
#include <stddef.h>

#include "app/mdlapp.h"
#include "host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RscFile *RscFileHandle;

/* Opens a resource file for the current application.  Returns 0, or -1
   when it cannot be read or is malformed (the text window names the file
   and line). */
MDLHOST_API int mdlResource_openFile(RscFileHandle *handle, const char *fileName, int readWrite);
MDLHOST_API void mdlResource_closeFile(RscFileHandle handle);
/* Opens a resource file for the given application (null: the host-global
   set).  Returns 0 or -1 as mdlResource_openFile. */
MDLHOST_API int mdlhost_openResourceFor(MdlDesc *desc, const char *fileName);
/* Closes every resource file of desc; its handles become invalid.  The
   application registry calls it when desc is unregistered. */
MDLHOST_API void mdlhost_forgetResources(MdlDesc *desc);

/* Looks the entry up in the current application's resource files (or in
   handle when not null) and formats it with the arguments into out, cut
   to outSize - 1 characters.  Returns the length written, 0 when the list
   or entry does not exist (out is then ""). */
MDLHOST_API int mdlOutput_rscsPrintf(char *out, size_t outSize, RscFileHandle handle, int listId, int entry, ...);
/* The same with the arguments as a va_list (for functions that pass their
   own arguments on). */
MDLHOST_API int mdlOutput_rscsVPrintf(char *out, size_t outSize, RscFileHandle handle, int listId, int entry,
                                      va_list args);
/* The raw entry text from desc's files (null desc: the host-global set),
   or null.  Valid until that file is closed. */
MDLHOST_API const char *mdlhost_messageListEntry(MdlDesc *desc, int listId, int entry);

#ifdef __cplusplus
}
#endif

#endif
