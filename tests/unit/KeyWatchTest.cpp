// kbhook.dll's decisions over the stream of events: when the watch looks for a lost hook,
// which key-downs are repeats of a held key, and what each event of a stream of chords, taps and
// long presses reports and swallows.
#include "hook/KeyWatch.h"

#include "support/BoundCodes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct WatchCase {
    const char* Name;
    WatchFacts Facts; // LastInput, LastKeyTime, KeysSeen, LateCall, ProbeSent, ProbeSeen
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
    {"ProbeUnseen", {5600, 5000, false, false, true, false}, true, false, INFINITE},
    {"ProbeSeenWhileTyping", {5600, 5600, true, false, true, true}, false, false, WatchPeriodMs},
    {"ProbeSeenMouseOnly", {5600, 5600, false, false, true, true}, false, false, INFINITE},
};

TEST(KeyWatch, LostHookIsFoundByAProbeOnlyWhenInputWentUnseen) {
    for (const WatchCase& test : WatchCases) {
        SCOPED_TRACE(test.Name);
        const WatchStep step = DecideWatchCheck(test.Facts);
        EXPECT_EQ(step.Reinstall, test.Reinstall);
        EXPECT_EQ(step.Probe, test.Probe);
        EXPECT_EQ(step.NextCheckMs, test.NextCheckMs);
    }
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

// Keys of the stream below: lower case presses, upper case releases.
struct StreamKey {
    char Letter;
    DWORD VirtualKey, ScanCode, Flags;
};

const StreamKey StreamKeys[] = {
    {'c', VK_LCONTROL, 0x1D, 0},
    {'g', VK_RCONTROL, 0x1D, LLKHF_EXTENDED},
    {'s', VK_LSHIFT, 0x2A, 0},
    {'a', VK_LMENU, 0x38, 0},
    {'w', VK_LWIN, 0x5B, LLKHF_EXTENDED},
    {'f', VK_F13, 0x64, 0},
    {'h', VK_F14, 0x65, 0},
    {'m', VK_LAUNCH_MAIL, 0x6C, LLKHF_EXTENDED},
    {'k', VK_CAPITAL, 0x3A, 0},
    {'x', 'A', 0x1E, 0},
    {'z', VK_OEM_3, 0x29, 0},
};

struct StreamCase {
    const char* Name;
    Codes Bound;
    // Keys as above; '.': 100 ms pass (long presses due by then are taken); '~': 2 s pass;
    // '!' and '^': the hook put back while no modifier is down, or left Ctrl.
    const char* Events;
    // Per key event: "code:" when reported, then S (swallowed) or P (passed on), M when the
    // masking key follows; per long press taken: "L" and its code.
    const char* Expected;
};

const StreamCase StreamCases[] = {
    {"ExtraKeyUnbound", {}, "mM", "E06C:P P"},
    {"ExtraKeyBoundAndHeld", {0xE06C}, "mmmM", "E06C:S S S S"},
    {"ChordBoundKeyAloneNot", {0x20064}, "cfCFfF", "P 20064:S P S 64:P P"},
    {"OtherModifiersMakeAnotherCode", {0x20064}, "scfFSC", "P P 30064:P P P P"},
    {"RightCtrlIsCtrl", {0x2E06C}, "gmMG", "P 2E06C:S S P"},
    {"OrdinaryKeyUnbound", {}, "xX", "P P"},
    {"OrdinaryKeyBound", {0x3A}, "kK", "3A:S S"},
    {"Code29AloneNeverButItsChords", {0x29, 0x20029}, "zZczZC", "P P P 20029:S S P"},
    {"MaskedUnderAlt", {0x40064}, "afFA", "P 40064:SM S P"},
    {"MaskedUnderWin", {0x80064}, "wfFW", "P 80064:SM S P"},
    {"ModifierKeysNeverCount", {0x1D, 0x2001D}, "cC", "P P"},
    {"KeyUpLostIsANewPress", {0xE06C}, "m~m", "E06C:S E06C:S"},
    {"TapOfALongPressKey", {0x65, 0x100065}, "h..H", "S 65:S"},
    {"HoldWithRepeats", {0x65, 0x100065}, "h.h.h.h.H", "S S S L100065 S S"},
    {"OnlyTheLongPressBound", {0x100065}, "hH", "S 65:S"},
    {"LongChordMasked", {0x140065}, "ah...HA", "P SM L140065 S P"},
    {"TwoHeldBack", {0x100064, 0x100065}, "f.h..FH", "S S L100064 S 65:S"},
    {"ReinstallKeepsAChordHeld", {0x20064}, "cf^FC", "P 20064:S S P"},
    {"ReinstallTakesTheModifiersDownNow", {0x20064}, "c!fF", "P 64:P P"},
    {"ReinstallKeepsALongPressPending", {0x100065}, "h!...H", "S L100065 S"},
};

TEST(KeyWatch, StreamOfChordsTapsAndHoldsReportsAndSwallows) {
    constexpr DWORD HoldDelay = 300;
    for (const StreamCase& test : StreamCases) {
        SCOPED_TRACE(test.Name);
        const BoundKeysGuard bound(test.Bound);
        KeyboardState state;
        DWORD time = 0xFFFFFF00; // the clock wraps during the case
        std::string outcome;
        auto add = [&outcome](const std::string& token) {
            outcome += (outcome.empty() ? "" : " ") + token;
        };
        for (const char* event = test.Events; *event; ++event) {
            char text[16];
            if (*event == '.' || *event == '~') {
                time += *event == '.' ? 100 : 2000;
                std::uint32_t code = 0;
                DWORD virtualKey = 0;
                while (TakeLongPress(state, time, HoldDelay, code, virtualKey)) {
                    std::snprintf(text, sizeof text, "L%X", static_cast<unsigned>(code));
                    add(text);
                }
                continue;
            }
            if (*event == '!' || *event == '^') {
                ResumeAfterReinstall(state, *event == '^' ? 1u << 2 : 0); // bit 2: left Ctrl
                continue;
            }
            const bool down = *event >= 'a';
            const char letter = static_cast<char>(down ? *event : *event - 'A' + 'a');
            const StreamKey* key = nullptr;
            for (const StreamKey& candidate : StreamKeys)
                if (candidate.Letter == letter)
                    key = &candidate;
            ASSERT_NE(key, nullptr) << *event;
            const KeyVerdict verdict =
                FollowKeyEvent(state, down ? WM_KEYDOWN : WM_KEYUP, key->VirtualKey, key->ScanCode,
                               key->Flags | (down ? 0 : LLKHF_UP), time, bound.Table);
            std::snprintf(text, sizeof text, "%X:", static_cast<unsigned>(verdict.Code));
            add((verdict.Report ? std::string(text) : "") + (verdict.Swallow ? "S" : "P") +
                (verdict.Mask ? "M" : ""));
        }
        EXPECT_EQ(outcome, test.Expected);
        EXPECT_EQ(LongPressWait(state, time, HoldDelay), INFINITE) << "no timer once released";
        EXPECT_EQ(state.Modifiers, 0);
    }
}

} // namespace
