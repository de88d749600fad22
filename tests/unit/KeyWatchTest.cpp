// kbhook.dll's decisions over the stream of events: when a lost hook must be installed again,
// and which key-downs are repeats of a held key.
#include "hook/KeyWatch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct WatchCase {
    const char* Name;
    // H: a key the hook passed on, R: a key of the watch hook, '.': a second passes.
    const char* Events;
    // For every R, whether the hook is installed again there.
    const char* Reinstalls;
};

const WatchCase WatchCases[] = {
    {"HookFirst", ".HRHRHRHR", "----"},
    {"WatchedFirst", ".RHRHRHRH", "----"},
    {"HooksAheadThenWatchedCatchUp", ".HHHHRRRR", "----"},
    {"HookLost", ".HRHRRR", "---+"},
    {"HookLostWatchedFirst", ".RHRHRR", "---+"},
    {"TooSoonAfterTheInstall", "RR.RR", "--+-"},
    {"AtMostOncePerSecond", ".RRRRR.RR", "-+---+-"},
    {"FoundAgainAfterTheReinstall", ".RRHRHR", "-+--"},
    {"ALongLeadOfHookCallsStillShowsALossSoon",
     ".HHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHH"
     "RRRRRRRRRRRRRRRRRR",
     "-----------------+"},
};

TEST(KeyWatch, LostHookIsNoticedFromTheWatchHookAlone) {
    for (const WatchCase& test : WatchCases) {
        SCOPED_TRACE(test.Name);
        HookWatch watch;
        DWORD now = 5000;
        NoteInstalled(watch, now);
        std::string reinstalls;
        for (const char* event = test.Events; *event; ++event) {
            if (*event == '.')
                now += 1000;
            else if (*event == 'H')
                NoteHookCall(watch);
            else if (NoteWatchedKey(watch, now)) {
                reinstalls += '+';
                NoteInstalled(watch, now);
            } else {
                reinstalls += '-';
            }
        }
        EXPECT_EQ(reinstalls, test.Reinstalls);
    }
}

TEST(KeyWatch, NothingIsReinstalledBeforeTheFirstInstall) {
    HookWatch watch;
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(NoteWatchedKey(watch, 10000));
}

struct HeldCase {
    const char* Name;
    // D: key-down of key 1, d: of key 2, U/u: their key-ups, '.': 100 ms pass, '~': two seconds.
    const char* Events;
    // For every key-down, whether it is a repeat of a held key.
    const char* Repeats;
};

const HeldCase HeldCases[] = {
    {"Presses", "DUDUDU", "---"},          {"HeldThenReleased", "D.D.D.D.DU", "-++++"},
    {"TwoKeysHeld", "DdDdUDud", "--++--"}, {"ReleaseOfTheOtherKeyChangesNothing", "DduD", "--+"},
    {"KeyUpMissedLapses", "D~D.D", "--+"}, {"UpWithoutDown", "UD", "-"},
};

TEST(KeyWatch, HeldKeyRepeatsAreToldFromNewPresses) {
    for (const HeldCase& test : HeldCases) {
        SCOPED_TRACE(test.Name);
        HeldKeys held;
        DWORD time = 0xFFFFF000; // the clock wraps during the case
        std::string repeats;
        for (const char* event = test.Events; *event; ++event) {
            const char c = *event;
            if (c == '.' || c == '~') {
                time += c == '.' ? 100 : 2000;
                continue;
            }
            const std::uint32_t code = (c == 'D' || c == 'U') ? 0xE06C : 0x64;
            const bool down = c == 'D' || c == 'd';
            const bool repeat = IsHeldRepeat(held, down ? WM_KEYDOWN : WM_KEYUP, code, time);
            if (down)
                repeats += repeat ? '+' : '-';
            else
                EXPECT_FALSE(repeat);
        }
        EXPECT_EQ(repeats, test.Repeats);
    }
}

TEST(KeyWatch, MoreHeldKeysThanTheTableForgetTheOldest) {
    HeldKeys held;
    for (std::uint32_t code = 1; code <= MaxHeldKeys + 1; ++code)
        EXPECT_FALSE(IsHeldRepeat(held, WM_KEYDOWN, code, 0));
    EXPECT_FALSE(IsHeldRepeat(held, WM_SYSKEYDOWN, 1, 10)) << "the oldest was forgotten";
    EXPECT_TRUE(IsHeldRepeat(held, WM_SYSKEYDOWN, MaxHeldKeys + 1, 10));
}

} // namespace
