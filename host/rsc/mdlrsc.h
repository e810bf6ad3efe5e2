/* Resource files and message lists.

   A resource file is text:
       # comment
       MessageList 11
       {
           1 "Text with \"escapes\" \\n and \\t"
           2 "..."
       }
   Entries are numbered by the integer before their text.  Texts are
   ISO 8859-1; the escapes \n \t \\ \" and \ooo (octal) are understood. */
#ifndef MDLHOST_RSC_H
#define MDLHOST_RSC_H

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
/* Opens a resource file for the given application. */
MDLHOST_API int mdlhost_openResourceFor(MdlDesc *desc, const char *fileName);

/* Looks the entry up in the current application's resource files (or in
   handle when not null) and formats it with the arguments into out, cut
   to outSize - 1 characters.  Returns the length written, 0 when the list
   or entry does not exist (out is then ""). */
MDLHOST_API int mdlOutput_rscsPrintf(char *out, size_t outSize, RscFileHandle handle, int listId, int entry, ...);
/* The raw entry text, or null. */
MDLHOST_API const char *mdlhost_messageListEntry(MdlDesc *desc, int listId, int entry);

#ifdef __cplusplus
}
#endif

#endif
