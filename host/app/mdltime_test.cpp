// The clock and timers.
#include <thread>

#include "testing/frame_testing.h"

namespace {

using frametest::FrameTest;

TEST_F(FrameTest, TheFakeClockDrivesTimers)
{
    mdlhost_setFakeClock(1000);
    keyin("mdl load hosttesta");
    keyin("testa timer 30");
    EXPECT_EQ(mdlhost_timerCount(), 1);
    mdlhost_clearTextWindow();
    struct Step {
        long advance;
        const char *text;
    } steps[] = {
        {0, ""},
        {29, ""},
        {1, "HOSTTESTA timer fired current=HOSTTESTA tick=1030\n"},
        {100, ""}, // once only
    };
    long now = 1000;
    for (const Step &s : steps) {
        mdlhost_advanceClock(s.advance);
        now += s.advance;
        EXPECT_EQ(mdlSystem_getTicks(), now);
        mdlhost_processQueue();
        EXPECT_EQ(text(), s.text) << "after +" << s.advance;
        mdlhost_clearTextWindow();
    }
    EXPECT_EQ(mdlhost_timerCount(), 0);

    // A timer dies with its application.
    keyin("testa timer 5");
    keyin("mdl unload hosttesta");
    EXPECT_EQ(mdlhost_timerCount(), 0);
    mdlhost_advanceClock(10);
    mdlhost_clearTextWindow();
    mdlhost_processQueue();
    EXPECT_EQ(text(), "");
}

std::vector<std::string> fired;
int cancelledHandle = 0;

int record(void *arg, int handle)
{
    fired.push_back(std::string(static_cast<const char *>(arg)) + "@" + std::to_string(mdlSystem_getTicks()) +
                    (mdlSystem_getCurrMdlDesc() ? " in " + std::string(mdlSystem_getCurrTaskID(1)) : ""));
    (void)handle;
    return 0;
}

int cancelOther(void *arg, int handle)
{
    record(arg, handle);
    mdlSystem_cancelTimer(cancelledHandle);
    // Set while timers run: waits for the next turn even though it is due.
    static char late[] = "late";
    mdlSystem_setTimerFunction(nullptr, 0, reinterpret_cast<MdlFunctionP>(record), late, 0);
    return 0;
}

TEST(Timers, RepeatCancelAndOrder)
{
    fired.clear();
    mdlhost_setFakeClock(0);
    static char rep[] = "repeat", canceller[] = "canceller", victim[] = "victim";
    MdlDesc *app = mdlhost_registerApplication("TIMERS", nullptr);
    MdlDesc *outer = mdlhost_setCurrMdlDesc(app);
    int h = 0;
    EXPECT_EQ(mdlSystem_setTimerFunction(&h, 10, reinterpret_cast<MdlFunctionP>(record), rep, 1), 0);
    mdlhost_setCurrMdlDesc(outer);
    int hc = 0;
    EXPECT_EQ(mdlSystem_setTimerFunction(&hc, 5, reinterpret_cast<MdlFunctionP>(cancelOther), canceller, 0), 0);
    EXPECT_EQ(mdlSystem_setTimerFunction(&cancelledHandle, 5, reinterpret_cast<MdlFunctionP>(record), victim, 0), 0);
    EXPECT_NE(h, hc);

    mdlhost_advanceClock(5);
    EXPECT_EQ(mdlhost_runTimers(), 1);
    mdlhost_advanceClock(5);
    EXPECT_EQ(mdlhost_runTimers(), 2);
    mdlhost_advanceClock(10);
    EXPECT_EQ(mdlhost_runTimers(), 1);
    EXPECT_EQ(mdlSystem_cancelTimer(h), 0);
    EXPECT_EQ(mdlSystem_cancelTimer(h), -1);
    mdlhost_advanceClock(50);
    EXPECT_EQ(mdlhost_runTimers(), 0);
    std::vector<std::string> expected = {"canceller@5", "repeat@10 in TIMERS", "late@10", "repeat@20 in TIMERS"};
    EXPECT_EQ(fired, expected);

    EXPECT_EQ(mdlSystem_setTimerFunction(nullptr, 1, nullptr, nullptr, 0), -1);
    EXPECT_EQ(mdlSystem_setTimerFunction(nullptr, -1, reinterpret_cast<MdlFunctionP>(record), rep, 0), -1);
    mdlhost_unregisterApplication(app);
    mdlhost_useRealClock();
}

TEST(Clock, RealTicksRunAtSixtyASecond)
{
    mdlhost_useRealClock();
    long t0 = mdlSystem_getTicks();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    long t1 = mdlSystem_getTicks();
    EXPECT_GE(t1 - t0, 5);
    EXPECT_LE(t1 - t0, 60); // generous: a loaded machine may pause us
}

} // namespace
