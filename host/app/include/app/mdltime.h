/* The host clock and timers. */
#ifndef MDLHOST_APP_MDLTIME_H
#define MDLHOST_APP_MDLTIME_H

#include "base/mdlbase.h"
#include "base/host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Hooks themselves are kept by the registry (base/mdlbase.h). */

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
