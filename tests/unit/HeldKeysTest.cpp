// The keys kbhook.dll remembers as held: which key-downs are repeats of a held key.
#include "hook/HeldKeys.h"

#include <gtest/gtest.h>

#include <string>

namespace {

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

TEST(HeldKeys, HeldKeyRepeatsAreToldFromNewPresses) {
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

TEST(HeldKeys, MoreHeldKeysThanTheTableForgetTheOldest) {
    HeldKeys held;
    for (std::uint32_t code = 1; code <= MaxHeldKeys + 1; ++code)
        EXPECT_FALSE(IsHeldRepeat(held, WM_KEYDOWN, code, 0));
    EXPECT_FALSE(IsHeldRepeat(held, WM_SYSKEYDOWN, 1, 10)) << "the oldest was forgotten";
    EXPECT_TRUE(IsHeldRepeat(held, WM_SYSKEYDOWN, MaxHeldKeys + 1, 10));
}

} // namespace
