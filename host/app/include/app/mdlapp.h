/* Applications: loading and unloading, exit requests and aborts; with
   commands, keyins, the clock and timers (the registry itself is in
   base/mdlbase.h). */
#ifndef MDLHOST_APP_H
#define MDLHOST_APP_H

#include <stdarg.h>
#include <stddef.h>

#include "base/host_export.h"
#include "base/mdlbase.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Ends the current application.  The request (and a non-zero exitStatus,
   see mdlhost_exitStatus) is recorded and the call returns to its caller;
   with unload != 0 the application is unloaded when control is back in
   the host loop (its unload hook sees
   MDLHOST_UNLOAD_EXIT).  It never ends the host process.  Returns 0, -1
   outside any application. */
MDLHOST_API int mdlSystem_exit(int exitStatus, int unload);
/* The first non-zero exitStatus an application gave mdlSystem_exit in this
   process, else 0; the host program then ends with a non-zero status. */
MDLHOST_API int mdlhost_exitStatus(void);
/* How often mdlSystem_exit was called for desc (tests). */
MDLHOST_API int mdlhost_exitRequests(MdlDesc *desc);

/* --- loading and unloading -------------------------------------------------
   An application is a shared library exporting
       int MdlMain(int argc, char *argv[]);
   Its library is the file named by configuration variable MDLAPP_<TASK>
   (TASK = the name upper-cased), a name given with a directory or ending in
   ".so", or, looked for in the directories of MS_MDL and then in the
   host's own application folders (the folder of the library that holds the
   host, and ../lib of the program), the first of lib<name>.so, <name>.so
   and <name>.app (case ignored).  A <name>.app file names the library,
   "library = FILE", and may name its resource file, "resources = FILE",
   each relative to the .app file's folder unless absolute; '#' lines are
   comments.  The build writes one beside the libraries for each
   application whose library name differs from its task.  Its resource
   file is MDLRSC_<TASK>, else the one its .app file names, else <task>.rsc
   (case ignored) beside the library or along MS_RSRCPATH, else none.  MdlMain
   runs with the new application current and gets argv[0] = the library
   path, argv[1] = the load origin, then args.  Returns 0, or -1 with the
   reason on the text window. */
#define MDLHOST_ORIGIN_USER "USER"
#define MDLHOST_ORIGIN_INITAPPS "MS_INITAPPS"
#define MDLHOST_ORIGIN_DGNAPPS "MS_DGNAPPS"
MDLHOST_API int mdlhost_loadApplication(const char *name, const char *origin, int argc, const char *const *args);
/* The library and resource file ("" for none) that mdlhost_loadApplication
   would take for name, without loading it.  Returns 0, or -1 with the
   reason in library (both always terminated, cut to their sizes). */
MDLHOST_API int mdlhost_findApplication(const char *name, char *library, size_t librarySize, char *resources,
                                        size_t resourcesSize);
/* Loads a program with its arguments as one text (split at blanks; double
   quotes group), origin USER.  Returns 0 or -1. */
MDLHOST_API int mdlSystem_loadMdlProgram(const char *name, const char *entryPoint, const char *argText);
/* Unloads a task (reason MDLHOST_UNLOAD_USER, which its unload hook may
   refuse).  While the task's own code runs, the unload waits until control
   is back in the host loop.  Returns 0 (unloaded or waiting), 1 refused, -1
   no such task. */
MDLHOST_API int mdlSystem_unloadMdlProgram(const char *taskId);
/* Loads the applications named in MS_INITAPPS (';' or blanks between
   names) with origin MS_INITAPPS.  Returns the number that failed. */
MDLHOST_API int mdlhost_loadInitApps(void);
/* Ends the session: every application, newest first, sees its unload hook
   with MDLHOST_UNLOAD_HOST_EXIT and is unloaded; timers and the input queue
   are emptied and the exit request cleared. */
MDLHOST_API void mdlhost_shutdown(void);

/* Unload reasons given to unload hooks: a reason >= 0 may be refused by a
   hook result of non-zero; negative reasons cannot be refused. */
#define MDLHOST_UNLOAD_USER 0
#define MDLHOST_UNLOAD_EXIT (-1)
#define MDLHOST_UNLOAD_HOST_EXIT (-2)

/* Leaves the text window for the graphics screen.  The host runs without
   screens, so there is nothing to switch: returns 0. */
MDLHOST_API int mdlSystem_enterGraphics(void);
/* The same with a mode; nothing to switch either: returns 0. */
MDLHOST_API int mdlSystem_enterGraphicsExtended(int mode);

/* --- command state ---------------------------------------------------------
   With no screen there is no state machine to drive: each call is recorded
   as a line of the command-state log ("default", "primitive STATE PROMPT",
   "restart") for tests to read. */
MDLHOST_API void mdlState_startDefaultCommand(void);
MDLHOST_API int mdlState_startPrimitive(int state, int prompt);
MDLHOST_API void mdlState_restartCurrentCommand(void);
MDLHOST_API const char *mdlhost_commandStateLog(void);
MDLHOST_API void mdlhost_clearCommandStateLog(void);

/* Abort requests: answered "no" unless a test injects one. */
MDLHOST_API void mdlSystem_extendedAbortEnable(int enable);
MDLHOST_API int mdlSystem_extendedAbortRequested(void);
MDLHOST_API void mdlhost_requestAbort(int request);

#ifdef __cplusplus
}
#endif

/* The rest of the frame: commands and keyins; clock and timers. */
#include "app/mdlcmd.h"
#include "app/mdltime.h"

#endif
