/* Applications, the current-application context and the function dispatcher. */
#ifndef MDLHOST_APP_H
#define MDLHOST_APP_H

#include <stdarg.h>
#include <stddef.h>

#include "host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One loaded application (a shared library with MdlMain, or a test's own
   registration).  Opaque outside the host. */
typedef struct MdlDesc MdlDesc;

/* Any function handed across deliverables.  The dispatcher casts it back to
   the signature that the argument descriptor gives; every function called
   through the dispatcher returns int. */
typedef void (*MdlFunctionP)(void);

/* Longest task id, without its terminator. */
#define MDLHOST_MAXTASKID 31

/* Registers an application under its task id (upper-cased, at most 31
   characters) and gives it a new process number.  The resource file, when
   given, is opened for it.  Returns null when the task id is empty, too long
   or already taken.  Loading a library (mdlhost_loadApplication) registers
   through here; tests may register an application without a library. */
MDLHOST_API MdlDesc *mdlhost_registerApplication(const char *taskId, const char *resourceFile);
/* Forgets desc at once, with everything the frame keeps for it; no hook is
   called and no library closed (see mdlSystem_unloadMdlProgram for that). */
MDLHOST_API void mdlhost_unregisterApplication(MdlDesc *desc);
/* Host modules that keep state per application (dialogs, hooks tables)
   register a function here; it is called with desc just before desc is
   forgotten, so nothing keeps a pointer into an unloaded library.  At most
   16 listeners; a listener given twice is kept once. */
typedef void (*MdlhostUnloadListener)(MdlDesc *desc);
MDLHOST_API void mdlhost_addUnloadListener(MdlhostUnloadListener fn);
/* Forgets a listener (one never added: nothing).  Listeners may add or
   remove listeners while they are called; a listener removed then is not
   called for that application any more. */
MDLHOST_API void mdlhost_removeUnloadListener(MdlhostUnloadListener fn);

/* Process numbers are never reused while the host runs, so a number that
   outlived its application maps to null.  A null or unknown desc: -1. */
MDLHOST_API int mdlSystem_getProcessNumberFromMdlDesc(MdlDesc *desc);
MDLHOST_API MdlDesc *mdlSystem_getMdlDescFromProcessNumber(int processNumber);
/* The file desc was loaded from (null: the current application); "" for an
   application registered without a library. */
MDLHOST_API const char *mdlResource_getApplLoadFile(MdlDesc *desc);

/* The application whose code runs now; null outside any application. */
MDLHOST_API MdlDesc *mdlSystem_getCurrMdlDesc(void);
/* Makes desc current and returns the one that was; for the host's own
   entry points (keyins, MdlMain, tests acting as an application). */
MDLHOST_API MdlDesc *mdlhost_setCurrMdlDesc(MdlDesc *desc);
/* Finds an application by task id, case ignored; null when none. */
MDLHOST_API MdlDesc *mdlSystem_findMdlDesc(const char *taskId);
/* Task id of desc (null: the current application); "" outside any. */
MDLHOST_API const char *mdlSystem_getMdlTaskID(MdlDesc *desc);
/* Task id of the current application; "" outside any.  Task ids are kept
   upper-cased, so the argument changes nothing. */
MDLHOST_API const char *mdlSystem_getCurrTaskID(int upperCase);

/* Version number of an application: four bytes, the first in the lowest
   byte.  get reads the current application's (0 outside any); set writes
   desc's, the current one's when desc is null. */
MDLHOST_API int mdlSystem_getMdlAppVersionNumber(void);
MDLHOST_API void mdlSystem_setMdlAppVersionNumber(MdlDesc *desc, int version);

/* Calls fn with the arguments that argDescriptor describes, one letter per
   argument: 'I' int, 'D' double, 'P' pointer (case ignored), at most 6.
   desc is current while fn runs (null: the current one stays) and the
   previous one is current again afterwards.  fn must have exactly the type
   int (*)(...) that the letters give.  Returns fn's result; -2 when fn is null
   or the descriptor is malformed (nothing is called then). */
MDLHOST_API int dlmSystem_callAnyFunction(MdlDesc *desc, MdlFunctionP fn, const char *argDescriptor, ...);
/* The same for MDL functions; the host needs the descriptor here too. */
MDLHOST_API int dlmSystem_callMdlFunction(MdlDesc *desc, MdlFunctionP fn, const char *argDescriptor, ...);
MDLHOST_API int dlmSystem_vcallAnyFunction(MdlDesc *desc, MdlFunctionP fn, const char *argDescriptor, va_list args);

/* Ends the current application.  The request is recorded and the call
   returns to its caller; with unload != 0 the application is unloaded when
   control is back in the host loop (its unload hook sees
   MDLHOST_UNLOAD_EXIT).  It never ends the host process.  Returns 0, -1
   outside any application. */
MDLHOST_API int mdlSystem_exit(int exitStatus, int unload);
/* How often mdlSystem_exit was called for desc (tests). */
MDLHOST_API int mdlhost_exitRequests(MdlDesc *desc);

/* --- loading and unloading -------------------------------------------------
   An application is a shared library exporting
       int MdlMain(int argc, char *argv[]);
   Its library is the file named by configuration variable MDLAPP_<TASK>
   (TASK = the name upper-cased), a name given with a directory or ending in
   ".so", or lib<name>.so or <name>.so in the directories of MS_MDL (case
   ignored).  Its resource file is MDLRSC_<TASK>, else <task>.rsc (case
   ignored) beside the library or along MS_RSRCPATH, else none.  MdlMain
   runs with the new application current and gets argv[0] = the library
   path, argv[1] = the load origin, then args.  Returns 0, or -1 with the
   reason on the text window. */
#define MDLHOST_ORIGIN_USER "USER"
#define MDLHOST_ORIGIN_INITAPPS "MS_INITAPPS"
#define MDLHOST_ORIGIN_DGNAPPS "MS_DGNAPPS"
MDLHOST_API int mdlhost_loadApplication(const char *name, const char *origin, int argc, const char *const *args);
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

/* Host control block: what the applications read of the session. */
#define MDLHOST_MAXFILELENGTH 256
#define MDLHOST_WORKMODE_DGN 0
#define MDLHOST_WORKMODE_DWG 1
#define MDLHOST_WORKMODE_V7 2
/* Bit of the readout flag byte that makes the accuracy byte's upper five
   bits count (the applications' rule reads it). */
#define MDLHOST_READOUT_FLAG 4
typedef struct Tcb {
    char dgnfilenm[MDLHOST_MAXFILELENGTH]; /* active design file; "" when none */
    unsigned char readoutAccuracy;         /* coordinate readout accuracy byte; 3 at start */
    unsigned char readoutFlags;            /* its flag byte; 0 at start */
    int workMode;                          /* MDLHOST_WORKMODE_*; DGN at start */
    double epsilon;                        /* two values closer than this are equal */
} Tcb;
MDLHOST_API extern Tcb *tcbP;
MDLHOST_API void mdlhost_setActiveDesignFile(const char *name);

/* --- active parameters ------------------------------------------------------
   What the session gives new elements.  The graphic group is the next one
   free in the active model: 1 + the highest graphic group of its elements
   when a design file becomes active, then advanced by
   mdlSystem_updateGraphicGroup. */
#define ACTIVEPARAM_GRAPHGROUP 59 /* uint32_t */
/* Copies the parameter into *value.  Returns 0, -1 for a null value or a
   parameter the host does not keep, or the design-file error (no active
   design file, a failed read). */
MDLHOST_API int mdlParams_getActive(void *value, int param);
/* Sets the parameter from *value; results as mdlParams_getActive. */
MDLHOST_API int mdlParams_setActive(const void *value, int param);
/* The graphic group after the active one becomes the active one.  Returns
   0, or the error of mdlParams_getActive. */
MDLHOST_API int mdlSystem_updateGraphicGroup(void);

#ifdef __cplusplus
}
#endif

/* The rest of the frame: commands and keyins; hooks, clock and timers. */
#include "app/mdlcmd.h"
#include "app/mdlhook.h"

#endif
