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
   characters).  The resource file, when given, is opened for it.  Returns
   null when the task id is empty, too long or already taken. */
MDLHOST_API MdlDesc *mdlhost_registerApplication(const char *taskId, const char *resourceFile);
MDLHOST_API void mdlhost_unregisterApplication(MdlDesc *desc);

/* The application whose code runs now; null outside any application. */
MDLHOST_API MdlDesc *mdlSystem_getCurrMdlDesc(void);
/* Makes desc current and returns the one that was; for the host's own
   entry points (keyins, MdlMain, tests acting as an application). */
MDLHOST_API MdlDesc *mdlhost_setCurrMdlDesc(MdlDesc *desc);
/* Finds an application by task id, case ignored; null when none. */
MDLHOST_API MdlDesc *mdlSystem_findMdlDesc(const char *taskId);
/* Task id of desc (null: the current application); "" outside any. */
MDLHOST_API const char *mdlSystem_getMdlTaskID(MdlDesc *desc);

/* Version number of the current application (set by the application); the
   lowest byte is the minor and the second byte the major revision.  0
   outside any application; a null desc sets the current one's. */
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

/* Ends the current application (unload != 0: also unloads it).  The host
   records the request; it never ends the host process.  Returns 0, -1
   outside any application. */
MDLHOST_API int mdlSystem_exit(int exitStatus, int unload);
/* How often mdlSystem_exit was called for desc (tests). */
MDLHOST_API int mdlhost_exitRequests(MdlDesc *desc);

/* Host control block: what the applications read of the session. */
#define MDLHOST_MAXFILELENGTH 256
typedef struct Tcb {
    char dgnfilenm[MDLHOST_MAXFILELENGTH]; /* active design file; "" when none */
} Tcb;
MDLHOST_API extern Tcb *tcbP;
MDLHOST_API void mdlhost_setActiveDesignFile(const char *name);

#ifdef __cplusplus
}
#endif

#endif
