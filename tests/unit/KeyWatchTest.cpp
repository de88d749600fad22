// kbhook.dll's decisions over the stream of events: which key-downs are repeats of a held key,
// and what each event of a stream of chords, taps and long presses reports and swallows.
#include "hook/KeyWatch.h"

#include "hook/InjectMark.h"
#include "support/BoundCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <random>
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

std::string ToHex(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
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
    {'p', VK_SPACE, 0x39, 0},
    {'q', VK_LCONTROL, 0x1D, LLKHF_INJECTED}, // marked as KeyloftSend's
    {'n', 0, 0x3A, LLKHF_INJECTED},           // a key event without a virtual key
};

// What GetAsyncKeyState tells the decision: the keys as the events that passed on left them.
bool SystemDown[256];
SHORT WINAPI SystemKeyState(int virtualKey) {
    return SystemDown[virtualKey & 0xFF] ? static_cast<SHORT>(0x8000) : 0;
}
bool StandingAside = false;

struct StreamCase {
    const char* Name;
    Codes Bound;
    // Keys as above; '.': 100 ms pass (long presses due by then are taken); '~': 2 s pass; '*':
    // the other table (Reloaded) takes over; '^': the library starts or stops standing aside;
    // '|': the injected events are sent and come back (also at the end); '%': the hook is put
    // back; '!': the same, and the releases of the modifiers down went missing meanwhile.
    const char* Events;
    // Per key event: "code:" when reported, then S (swallowed) or P (passed on), R when events
    // were queued to inject; per long press taken: "L" and
    // its code; at '|', the injected events ("+vk" down, "-vk" up). Null: not compared.
    const char* Expected;
    Codes Reloaded = {};
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
    {"MaskedUnderAlt", {0x40064}, "af|FA", "P 40064:SR +E8 -E8 S P"},
    {"MaskedUnderWin", {0x80064}, "wf|FW", "P 80064:SR +E8 -E8 S P"},
    {"ReleaseOfAltWaitsForTheMask", {0x40064}, "afFA", "P 40064:SR S SR +E8 -E8 -A4"},
    {"ModifierKeysNeverCount", {0x1D, 0x2001D}, "cC", "P P"},
    {"KeyUpLostIsANewPress", {0xE06C}, "m~mM", "E06C:S E06C:S S"},
    {"TapOfALongPressKey", {0x65, 0x100065}, "h..H", "S 65:S"},
    {"HoldWithRepeats", {0x65, 0x100065}, "h.h.h.h.H", "S S S L100065 S S"},
    {"OnlyTheLongPressBoundTapGivenBack", {0x100065}, "hH", "S 65:SR +7D -7D"},
    {"OrdinaryTapGivenBackUnreported", {0x10003A}, "kK", "S SR +14 -14"},
    {"KeysAfterATapFollowIt", {0x10003A}, "kKxX", "S SR SR SR +14 -14 +41 -41"},
    {"LongChordMasked", {0x140065}, "ah|...HA", "P SR +E8 -E8 L140065 S P"},
    {"TwoHeldBack", {0x100064, 0x100065}, "f.h..FH", "S S L100064 S 65:SR +7D -7D"},
    {"KeyUpPassesWhateverTheModifiers", {0x10039}, "psPS", "P P P P"},
    {"KeyUpIsNotDecidedAfresh", {0x10003A}, "skSK", "P P P P"},
    {"KeyUpPassesAfterAReload", {}, "x*X", "P P", {0x1E}},
    {"MarkedReleaseKeepsTheModifier", {0x20064}, "cfFQfFqC", "P 20064:S S P 20064:S S P P"},
    {"InjectedWithoutVirtualKeyIsLeftAlone", {0x3A}, "nNkK", "P P 3A:S S"},
    {"StandingAsideTakesNoNewKey", {0x3A}, "^kK^kK", "P P 3A:S S"},
    {"ReinstallKeepsAChordHeld", {0x20064}, "cf%FC", "P 20064:S S P"},
    {"ReinstallTakesTheModifiersDownNow", {0x20064}, "c!fFC", "P 64:P P P"},
    {"ReinstallKeepsALongPressPending", {0x100065}, "h%...H", "S L100065 S"},
    {"ReinstallKeepsAModifierReleasedByAMarkedEvent", {0x20064}, "cQ%fFqC", "P P 20064:S S P P"},
};

// Runs each stream through the decision and checks the rule on the way: every press is passed
// on whole (maybe queued behind injected events) or swallowed whole, decided at its key-down, or
// given back as one injected press; the applications receive every key whole; codes carry the
// modifiers physically down; once every key is up, nothing is held, timed or queued.
void RunStreams(const std::vector<StreamCase>& cases) {
    constexpr DWORD HoldDelay = 300;
    for (const StreamCase& test : cases) {
        SCOPED_TRACE(test.Name);
        BoundKeysGuard first(test.Bound), reloaded(test.Reloaded);
        first.Table.HoldDelayMs = reloaded.Table.HoldDelayMs = HoldDelay;
        const BoundKeys* bound = &first.Table;
        KeyboardState state;
        std::fill(std::begin(SystemDown), std::end(SystemDown), StandingAside = false);
        DWORD time = 0xFFFFFF00; // the clock wraps during the case
        char press[256] = {};    // per virtual key: the press passes on (P) or is swallowed (S)
        DWORD lastDown[256] = {};
        int appDown[256] = {}; // key-downs the applications received since the latest key-up
        ModifierKeys physical = 0;
        std::string outcome;
        auto add = [&outcome](const std::string& token) {
            outcome += (outcome.empty() ? "" : " ") + token;
        };
        // The reports of the latest step, each as "code:".
        auto reports = [&state]() {
            std::string codes;
            KeyReport report;
            while (TakeReport(state, report))
                codes += ToHex(report.Code) + ":";
            return codes;
        };
        std::string reported;
        auto follow = [&](DWORD key, DWORD scan, DWORD flags, ULONG_PTR extra, bool ours) {
            const WPARAM message = (flags & LLKHF_UP) ? WM_KEYUP : WM_KEYDOWN;
            const std::size_t queued = state.Replay.Count;
            const StreamStep verdict =
                FollowKeyEvent(state, {message, key, scan, flags, time, extra}, *bound,
                               {[](bool) { return StandingAside; }, SystemKeyState});
            reported = reports();
            const char passes = !verdict.Swallow || state.Replay.Count == queued + 1 ? 'P' : 'S';
            if (extra || (flags & LLKHF_INJECTED)) {
            } else if (NoteModifierEvent(physical, message, key, scan, flags)) {
                EXPECT_EQ(passes, 'P') << "a modifier key is never taken";
            } else {
                char& decided = press[key];
                if (message == WM_KEYDOWN && (!decided || time - lastDown[key] >= HeldKeyLapseMs)) {
                    decided = passes;
                    EXPECT_TRUE(reported.empty() || (std::stoul(reported, nullptr, 16) &
                                                     ~KeyCodeBits) == ModifierCodeBits(physical));
                }
                EXPECT_EQ(passes, decided ? decided : 'P') << key << " decided again";
                decided = message == WM_KEYUP ? 0 : decided;
                lastDown[key] = time;
            }
            SystemDown[key] = verdict.Swallow ? SystemDown[key] : message == WM_KEYDOWN;
            if (!verdict.Swallow && (!extra || ours)) { // the applications receive it
                EXPECT_TRUE(message == WM_KEYDOWN || appDown[key]) << key << " up, never down";
                appDown[key] = message == WM_KEYUP ? 0 : appDown[key] + 1;
            }
            return verdict;
        };
        auto comeBack = [&]() {
            ReplayEvent back[MaxReplayEvents];
            for (std::size_t n = NextReplay(state, time, back), i = 0; i < n; ++i) {
                char text[8];
                std::snprintf(text, sizeof text, "%c%X", (back[i].Flags & LLKHF_UP) ? '-' : '+',
                              static_cast<unsigned>(back[i].VirtualKey));
                add(text);
                follow(back[i].VirtualKey, back[i].ScanCode, back[i].Flags | LLKHF_INJECTED,
                       KeyloftSendMark, true);
            }
        };
        for (const char* event = test.Events; *event; ++event) {
            if (*event == '.' || *event == '~') {
                time += *event == '.' ? 100 : 2000;
                FollowTime(state, time, *bound);
                for (std::string codes = reports(); !codes.empty();
                     codes.erase(0, codes.find(':') + 1))
                    add("L" + codes.substr(0, codes.find(':')));
                continue;
            }
            if (*event == '!' || *event == '%') {
                ModifierKeys downNow = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    bool& systemDown = SystemDown[ModifierVirtualKeys[bit]];
                    systemDown = systemDown && *event == '%';
                    downNow = static_cast<ModifierKeys>(downNow | (systemDown ? 1u << bit : 0));
                }
                physical = *event == '%' ? physical : 0;
                ResumeAfterReinstall(state, downNow);
                continue;
            }
            bound = *event != '*' ? bound : bound == &first.Table ? &reloaded.Table : &first.Table;
            StandingAside = StandingAside != (*event == '^');
            if (*event == '|')
                comeBack();
            if (std::strchr("*^|", *event))
                continue;
            const bool down = *event >= 'a';
            const char letter = static_cast<char>(down ? *event : *event - 'A' + 'a');
            const StreamKey* key = nullptr;
            for (const StreamKey& candidate : StreamKeys)
                if (candidate.Letter == letter)
                    key = &candidate;
            ASSERT_NE(key, nullptr) << *event;
            const StreamStep verdict = follow(
                key->VirtualKey, key->ScanCode, key->Flags | (down ? 0 : LLKHF_UP),
                key->VirtualKey && (key->Flags & LLKHF_INJECTED) ? KeyloftSendMark : 0, false);
            add(reported + (verdict.Swallow ? "S" : "P") + (verdict.Inject ? "R" : ""));
        }
        comeBack();
        EXPECT_EQ(outcome, test.Expected ? test.Expected : outcome);
        EXPECT_EQ(std::count(appDown, appDown + 256, 0), 256) << "a key left down";
        EXPECT_EQ(TimeToWait(state, time, *bound), INFINITE) << "no timer once released";
        EXPECT_EQ(state.Modifiers, 0);
        EXPECT_EQ(state.Held.Count + state.Replay.Count, 0u);
        if (testing::Test::HasFailure())
            return;
    }
}

TEST(KeyWatch, StreamOfChordsTapsAndHoldsReportsAndSwallows) {
    RunStreams(std::vector<StreamCase>(std::begin(StreamCases), std::end(StreamCases)));
}

// Streams of presses, repeats and releases in any order, chords, single and long presses bound,
// reloads, standing aside, marked events, and the injected events coming back at any point.
TEST(KeyWatch, EveryKeyReachesTheApplicationsWhole) {
    constexpr unsigned KeyCount = sizeof(StreamKeys) / sizeof(StreamKeys[0]);
    std::vector<std::string> events(3000);
    std::vector<StreamCase> cases;
    for (std::string& stream : events) {
        std::mt19937 random(static_cast<unsigned>(cases.size()));
        StreamCase test{"", {}, nullptr, nullptr, {}};
        for (Codes* codes : {&test.Bound, &test.Reloaded})
            for (unsigned i = random() % 6; i > 0; --i) {
                const StreamKey& key = StreamKeys[5 + random() % (KeyCount - 5)];
                codes->push_back(KeyCodeOf(key.ScanCode, key.Flags) | (random() % 3 ? 0 : 0x20000) |
                                 (random() % 3 ? 0 : LongPressBit));
            }
        bool down[KeyCount] = {};
        for (int i = 0; i < 40; ++i) { // a release, a press or repeat, or another event
            const unsigned k = random() % KeyCount, what = random() % 13;
            const bool up = down[k] && what < 4;
            down[k] = what < 9 ? !up : down[k];
            stream += what < 9 ? StreamKeys[k].Letter - (up ? 32 : 0) : ".|*^"[what - 9];
        }
        for (unsigned k = 0; k < KeyCount; ++k)
            stream += down[k] ? std::string(1, StreamKeys[k].Letter - 32) : "";
        test.Name = test.Events = stream.c_str();
        cases.push_back(test);
    }
    RunStreams(cases);
}

} // namespace
