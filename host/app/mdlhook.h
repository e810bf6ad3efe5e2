/* Hooks of applications, the design-file events, the host clock and timers. */
#ifndef MDLHOST_HOOK_H
#define MDLHOST_HOOK_H

#include "app/mdlapp.h"
#include "host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Hook kinds of mdlSystem_setFunction and the functions they take:
     NEWDESIGNFILE  int fn(char *fileName, int state): state 0 before the
                    active design file is closed, 1 after a new one is open
     UNLOAD         int fn(int reason): non-zero refuses a reason >= 0
     ELEMENTTOFILE  kept for the design-file layer
   Other kinds are kept too.  Each application has its own hooks; they run
   with their owner current. */
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

/* Makes name the active design file: every application's new-design-file
   hook sees state 0 when a file was open, the applications of MS_DGNAPPS
   that are not loaded yet are loaded (origin MS_DGNAPPS), then every hook
   sees state 1. */
MDLHOST_API void mdlhost_newDesignFile(const char *name);
/* The active design file closes with none after it: every hook sees state
   0 (when a file was open), then the name is "". */
MDLHOST_API void mdlhost_closeDesignFileHooks(void);

/* --- clock ------------------------------------------------------------------
   60 ticks a second since the host started, monotonic.  Tests switch to a
   fake clock that moves only when told. */
MDLHOST_API long mdlSystem_getTicks(void);
MDLHOST_API void mdlhost_setFakeClock(long tick);
MDLHOST_API void mdlhost_advanceClock(long ticks);
MDLHOST_API void mdlhost_useRealClock(void);

/* --- timers -----------------------------------------------------------------
   fn is int fn(void *arg, int timerHandle), run from the host loop with the
   application that set the timer current, once ticks have passed (and again
   every ticks when repeat; a repeating timer waits at least one tick).  The
   handle is stored in *timerHandle when not null.  Returns 0, -1 for a null
   fn or negative ticks.  A timer dies with its application. */
MDLHOST_API int mdlSystem_setTimerFunction(int *timerHandle, long ticks, MdlFunctionP fn, void *arg, int repeat);
/* Returns 0, -1 when no such timer runs. */
MDLHOST_API int mdlSystem_cancelTimer(int timerHandle);
/* Runs the timers that are due; returns how many ran. */
MDLHOST_API int mdlhost_runTimers(void);
MDLHOST_API int mdlhost_timerCount(void);

#ifdef __cplusplus
}
#endif

#endif
