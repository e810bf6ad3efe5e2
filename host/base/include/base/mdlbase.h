/* The ground floor of the host: applications, the current-application
   context, the function dispatcher, hooks, listeners and the session control
   block.  Every other host module stands on this one. */
#ifndef MDLHOST_BASE_H
#define MDLHOST_BASE_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#include "base/host_export.h"

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

/* Path buffers the applications hand the host, terminator included. */
#define MDLHOST_MAXFILELENGTH 256
/* Local paths the host builds for itself (mapped drives, search results). */
#define MDLHOST_MAXLOCALPATH 4096

/* The error of the last design-file call that failed (DGNERR_*). */
MDLHOST_API extern int mdlErrno;

/* --- registry ---------------------------------------------------------------
   Registers an application under its task id (upper-cased, at most 31
   characters) and gives it a new process number.  The resource file, when
   given, is handed to the register listeners (the resource layer opens it).
   Returns null when the task id is empty, too long or already taken.
   Loading a library (mdlhost_loadApplication) registers through here; tests
   may register an application without a library. */
MDLHOST_API MdlDesc *mdlhost_registerApplication(const char *taskId, const char *resourceFile);
/* Forgets desc at once, with everything the host keeps for it; no hook is
   called and no library closed (see mdlSystem_unloadMdlProgram for that). */
MDLHOST_API void mdlhost_unregisterApplication(MdlDesc *desc);

/* Host modules that keep state per application (resources, dialogs, timers)
   and libraries such as zvlib register listeners here.  A register listener
   is called once desc is registered, with the resource file the registration
   named (null: none).  An unload listener is called with desc just before
   desc is forgotten, so nothing keeps a pointer into an unloaded library.
   At most 16 of each; a listener given twice is kept once.  Listeners may
   add or remove listeners while they are called; a listener removed then is
   not called for that application any more. */
typedef void (*MdlhostRegisterListener)(MdlDesc *desc, const char *resourceFile);
typedef void (*MdlhostUnloadListener)(MdlDesc *desc);
MDLHOST_API void mdlhost_addRegisterListener(MdlhostRegisterListener fn);
MDLHOST_API void mdlhost_addUnloadListener(MdlhostUnloadListener fn);
/* Forgets a listener (one never added: nothing). */
MDLHOST_API void mdlhost_removeUnloadListener(MdlhostUnloadListener fn);

/* Process numbers are never reused while the host runs, so a number that
   outlived its application maps to null.  A null or unknown desc: -1. */
MDLHOST_API int mdlSystem_getProcessNumberFromMdlDesc(MdlDesc *desc);
MDLHOST_API MdlDesc *mdlSystem_getMdlDescFromProcessNumber(int processNumber);
/* The file desc was loaded from (null: the current application); "" for an
   application registered without a library. */
MDLHOST_API const char *mdlResource_getApplLoadFile(MdlDesc *desc);

/* --- context ------------------------------------------------------------- */
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

/* --- dispatcher -----------------------------------------------------------
   Calls fn with the arguments that argDescriptor describes, one letter per
   argument: 'I' int, 'D' double, 'P' pointer (case ignored), at most 7.
   desc is current while fn runs (null: the current one stays) and the
   previous one is current again afterwards.  fn must have exactly the type
   int (*)(...) that the letters give.  Returns fn's result; -2 when fn is null
   or the descriptor is malformed (nothing is called then). */
MDLHOST_API int dlmSystem_callAnyFunction(MdlDesc *desc, MdlFunctionP fn, const char *argDescriptor, ...);
/* The same for MDL functions; the host needs the descriptor here too. */
MDLHOST_API int dlmSystem_callMdlFunction(MdlDesc *desc, MdlFunctionP fn, const char *argDescriptor, ...);
MDLHOST_API int dlmSystem_vcallAnyFunction(MdlDesc *desc, MdlFunctionP fn, const char *argDescriptor, va_list args);

/* --- hooks ----------------------------------------------------------------
   Each application has its own hook per kind; they run with their owner
   current.  Kinds:
     NEWDESIGNFILE  int fn(char *fileName, int state): state 0 before the
                    active design file is closed, 1 after a new one is open
     UNLOAD         int fn(int reason): non-zero refuses a reason >= 0
     ELEMENTTOFILE  kept for the design-file layer
   Other kinds (the view update of dgn/mdlscan.h) are kept too. */
#define MDLHOST_HOOK_NEWDESIGNFILE 1
#define MDLHOST_HOOK_UNLOAD 2
#define MDLHOST_HOOK_ELEMENTTOFILE 0x11
#define MDLHOST_NEWFILE_CLOSED 0
#define MDLHOST_NEWFILE_OPENED 1
/* Sets the current application's hook (null removes it) and returns the one
   it had.  Outside any application nothing is set and null returned. */
MDLHOST_API MdlFunctionP mdlSystem_setFunction(int kind, MdlFunctionP fn);
/* The hook desc has set for kind, or null. */
MDLHOST_API MdlFunctionP mdlhost_getFunction(MdlDesc *desc, int kind);
/* Calls every application's hook of kind, in load order, through the
   dispatcher with the arguments argDescriptor describes.  The hook is looked
   up again just before each call: an earlier hook may have unloaded an
   application or changed hooks.  Returns how many hooks ran. */
MDLHOST_API int mdlhost_callHooks(int kind, const char *argDescriptor, ...);

/* --- the input queue --------------------------------------------------------
   Applications and the host's modules queue input; it runs from the host
   loop (mdlhost_processQueue in app/mdlcmd.h), oldest first. */
/* Queues a keyin at the end; it runs like a typed one (literal, inputType
   and taskId change nothing).  Returns 0, -1 for null. */
MDLHOST_API int mdlInput_sendKeyin(const char *keyin, int literal, int inputType, const char *taskId);
/* Queues a command by number for a task (null: the current application)
   with its unparsed text (inputType and literal change nothing).  Returns 0. */
MDLHOST_API int mdlInput_sendCommand(uint32_t cmdNumber, const char *unparsed, int inputType, const char *taskId,
                                     int literal);
/* Queues a command by number for a task (null: the current application) at
   the front (atFront != 0) or the end.  MDLHOST_CMD_UNLOAD unloads the task
   (reason MDLHOST_UNLOAD_USER, which its unload hook may refuse); fromUser
   changes nothing.  Returns 0. */
#define MDLHOST_CMD_UNLOAD 0x79020000u
MDLHOST_API int mdlDialog_cmdNumberQueue(int atFront, uint32_t cmdNumber, const char *taskId, int fromUser);

#define MDLHOST_INPUT_KEYIN 1
#define MDLHOST_INPUT_COMMAND 2
MDLHOST_API int mdlhost_inputQueueCount(void);
/* Entry i (0 = next to run): returns its kind, 0 when i is out of range.
   Any out pointer may be null; texts stay valid until the queue changes. */
MDLHOST_API int mdlhost_inputQueueEntry(int i, const char **text, uint32_t *cmdNumber, const char **taskId);
MDLHOST_API void mdlhost_clearInputQueue(void);

/* --- session control block --------------------------------------------------
   What the applications read of the session. */
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
    double textSlant;                      /* slant of new texts, degrees; 0 at start */
} Tcb;
MDLHOST_API extern Tcb *tcbP;
MDLHOST_API void mdlhost_setActiveDesignFile(const char *name);
/* Makes name the active design file: every application's new-design-file
   hook sees state 0 when a file was open, the applications of MS_DGNAPPS
   that are not loaded yet are loaded (origin MS_DGNAPPS), then every hook
   sees state 1. */
MDLHOST_API void mdlhost_newDesignFile(const char *name);
/* The active design file closes with none after it: every hook sees state
   0 (when a file was open), then the name is "". */
MDLHOST_API void mdlhost_closeDesignFileHooks(void);

#ifdef __cplusplus
}
#endif

#endif
