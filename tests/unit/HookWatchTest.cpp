// The watch over kbhook.dll's hook: when it probes for a lost hook, and when it puts it back.
#include "hook/HookWatch.h"

#include <gtest/gtest.h>

namespace {

struct WatchCase {
    const char* Name;
    // LastInput, LastKeyTime, KeysSeen, LateCall, ProbeSent, ProbeSeen, Reinstalled, Failures
    WatchFacts Facts;
    bool Reinstall;
    bool Probe;
    DWORD NextCheckMs;
};

const WatchCase WatchCases[] = {
    {"TypingSeen", {5000, 5000, true, false, false, false}, false, false, WatchPeriodMs},
    {"IdleSinceTheLastCheck", {5000, 5000, false, false, false, false}, false, false, INFINITE},
    {"InputTheHookNeverSaw", {5300, 5000, true, false, false, false}, false, true, ProbeWaitMs},
    {"ACallThatCameLate", {5000, 5000, true, true, false, false}, false, true, ProbeWaitMs},
    {"AcrossTheClocksWrap",
     {0x10, 0xFFFFFFF0, false, false, false, false},
     false,
     true,
     ProbeWaitMs},
    {"KeyStampedAfterTheInput",
     {0xFFFFFFF0, 0x10, true, false, false, false},
     false,
     false,
     WatchPeriodMs},
    {"ProbeUnseen", {5600, 5000, false, false, true, false}, true, false, ReinstallCheckMs},
    {"PutBack", {5900, 5900, false, false, false, false, true, 1}, false, true, ProbeWaitMs},
    {"Twice", {5600, 5000, false, false, true, false, true, 2}, true, false, 4 * ReinstallCheckMs},
    {"Long", {5600, 5000, false, false, true, false, true, 40}, true, false, 60000},
    {"Confirmed", {5900, 5900, false, false, true, true, true, 1}, false, false, INFINITE},
    {"ProbeSeenWhileTyping", {5600, 5600, true, false, true, true}, false, false, WatchPeriodMs},
    {"ProbeSeenMouseOnly", {5600, 5600, false, false, true, true}, false, false, INFINITE},
};

TEST(HookWatch, LostHookIsFoundByAProbeOnlyWhenInputWentUnseen) {
    for (const WatchCase& test : WatchCases) {
        SCOPED_TRACE(test.Name);
        const WatchStep step = DecideWatchCheck(test.Facts);
        EXPECT_EQ(step.Reinstall, test.Reinstall);
        EXPECT_EQ(step.Probe, test.Probe);
        EXPECT_EQ(step.NextCheckMs, test.NextCheckMs);
    }
}

} // namespace
