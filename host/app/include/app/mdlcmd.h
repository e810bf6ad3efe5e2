/* Commands, keyins and the input queue. */
#ifndef MDLHOST_CMD_H
#define MDLHOST_CMD_H

#include <stdint.h>

#include "base/mdlbase.h"
#include "base/host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A command function gets the rest of the keyin after its keywords (blanks
   at its start removed; "" when there is none). */
typedef int (*MdlCommandFunc)(char *unparsed);

/* Registration tables of the current application, ended by an entry with a
   null function.  Registering a number or name again replaces its function.
   Return 0, -1 outside any application or for a null table. */
typedef struct MdlCommandNumber {
    MdlCommandFunc cmdFunc;
    uint32_t cmdNumber;
} MdlCommandNumber;
typedef struct MdlCommandName {
    MdlCommandFunc cmdFunc;
    const char *cmdName;
} MdlCommandName;
MDLHOST_API int mdlSystem_registerCommandNumbers(const MdlCommandNumber *table);
MDLHOST_API int mdlSystem_registerCommandNames(const MdlCommandName *table);

/* Number of the command whose function runs now (0 outside any). */
MDLHOST_API extern const uint32_t *mdlCommandNumberP;

/* Loads the current application's command tables from its resource files:
       CommandTable 1
       {
           Command "ZVZERA IMPORT FIL" 0x01010100
           ...
       }
   (tables 1, 2, ... up to the first missing id; a keyword is one or more
   words).  Replaces what was loaded before.  resourceFile is not used: the
   application's own files are searched.  Returns a non-null token, null
   when the application has no command table or outside any application. */
MDLHOST_API void *mdlParse_loadCommandTable(void *resourceFile);

/* --- keyins ---------------------------------------------------------------
   Understood by the host itself ("mdl" and "type" words ignore case):
       mdl load NAME [args]    load; a first arg USER, MS_INITAPPS or
                               MS_DGNAPPS is the load origin, else USER
       mdl unload TASK         unload (the task's unload hook may refuse)
       mdl command NAME [text] a command registered by name
       mdl keyin TASK keyin    a keyin for that task's command table only
       type FILE               the file's text onto the text window
       exit                    ends the session
   Any other keyin is matched against the loaded command tables: words
   compared without case, the longest keyword wins, ties go to the
   application loaded first. */
#define MDLHOST_KEYIN_OK 0
#define MDLHOST_KEYIN_UNKNOWN (-1)  /* no host keyin or command keyword matches */
#define MDLHOST_KEYIN_FAILED (-2)   /* a host keyin that did not succeed (load, unload, type) */
#define MDLHOST_KEYIN_NOFUNC (-3)   /* keyword found, but no function registered for its number */
/* Runs one keyin now, as typed by the user.  A failure is written to the
   message centre (type MDLHOST_MSG_KEYIN) with the keyin and the reason. */
MDLHOST_API int mdlhost_keyin(const char *keyin);
#define MDLHOST_MSG_KEYIN 10

/* One turn of the host loop: unloads what waits to be unloaded, fires the
   timers that are due, then runs queued input until the queue is empty or
   "exit" was run.  Input queued while it runs is run too, up to 10000
   entries a turn, so an application that queues input forever cannot hang
   the host.  Returns the number of queued entries that failed. */
MDLHOST_API int mdlhost_processQueue(void);
/* Non-zero once "exit" was run (until mdlhost_shutdown). */
MDLHOST_API int mdlhost_exitRequested(void);

#ifdef __cplusplus
}
#endif

#endif
