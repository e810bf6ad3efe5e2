// The host clock (60 ticks a second, or a fake clock for tests) and timers.
#include <chrono>
#include <vector>

#include "app_int.h"
#include "app/mdlapp.h"

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point started = Clock::now();
bool fake = false;
long fakeTick = 0;

struct Timer {
    int handle;
    int ownerProcess; // -1: set outside any application
    long due;
    long interval; // 0: runs once
    MdlFunctionP fn;
    void *arg;
};

std::vector<Timer> timers;
int lastHandle = 0;

} // namespace

long mdlSystem_getTicks(void)
{
    if (fake)
        return fakeTick;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    return long(ms * 60 / 1000);
}

void mdlhost_setFakeClock(long tick)
{
    fake = true;
    fakeTick = tick;
}

void mdlhost_advanceClock(long ticks)
{
    if (fake && ticks > 0)
        fakeTick += ticks;
}

void mdlhost_useRealClock(void) { fake = false; }

int mdlSystem_setTimerFunction(int *timerHandle, long ticks, MdlFunctionP fn, void *arg, int repeat)
{
    if (fn == nullptr || ticks < 0)
        return -1;
    Timer t;
    t.handle = ++lastHandle;
    t.ownerProcess = mdlSystem_getProcessNumberFromMdlDesc(mdlSystem_getCurrMdlDesc());
    t.due = mdlSystem_getTicks() + ticks;
    // A repeating timer of 0 ticks would be due again at once, for ever.
    t.interval = repeat ? (ticks > 0 ? ticks : 1) : 0;
    t.fn = fn;
    t.arg = arg;
    timers.push_back(t);
    if (timerHandle)
        *timerHandle = t.handle;
    return 0;
}

int mdlSystem_cancelTimer(int timerHandle)
{
    for (auto it = timers.begin(); it != timers.end(); ++it)
        if (it->handle == timerHandle) {
            timers.erase(it);
            return 0;
        }
    return -1;
}

int mdlhost_timerCount(void) { return int(timers.size()); }

int mdlhost_runTimers(void)
{
    long now = mdlSystem_getTicks();
    // Only timers due now; ones a timer function sets wait for the next turn.
    std::vector<int> due;
    for (const Timer &t : timers)
        if (t.due <= now)
            due.push_back(t.handle);
    int ran = 0;
    for (int handle : due) {
        // Looked up again: an earlier timer function may have cancelled it.
        auto it = timers.begin();
        while (it != timers.end() && it->handle != handle)
            ++it;
        if (it == timers.end())
            continue;
        Timer t = *it;
        if (t.interval > 0)
            it->due = now + t.interval;
        else
            timers.erase(it);
        MdlDesc *owner = t.ownerProcess < 0 ? nullptr : mdlSystem_getMdlDescFromProcessNumber(t.ownerProcess);
        if (t.ownerProcess >= 0 && owner == nullptr)
            continue; // its application is gone
        dlmSystem_callAnyFunction(owner, t.fn, "PI", t.arg, t.handle);
        ran++;
    }
    return ran;
}

void mdlhost::forgetTimers(const MdlDesc *desc)
{
    int process = desc ? desc->processNumber : -1;
    std::erase_if(timers, [process](const Timer &t) { return t.ownerProcess == process; });
}
