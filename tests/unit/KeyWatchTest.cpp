// kbhook.dll's decisions over the stream of events: what each event of a stream of chords, taps,
// long presses, keys that act as others and keys held back reports, swallows and injects, and the
// rule that every stream keeps: what the applications see is what the user holds, whole and in
// the order typed.
#include "hook/KeyWatch.h"

#include "hook/InjectMark.h"
#include "hook/MouseWatch.h"
#include "support/BoundCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>

namespace {

std::string ToHex(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}

// Keys of the stream below: lower case presses, upper case releases.
struct StreamKey {
    char Letter;
    DWORD VirtualKey, ScanCode, Flags;
    bool Typed; // a key of the user's that the library follows: the order of the typing counts
};

const StreamKey StreamKeys[] = {
    {'c', VK_LCONTROL, 0x1D, 0, false},
    {'g', VK_RCONTROL, 0x1D, LLKHF_EXTENDED, false},
    {'s', VK_LSHIFT, 0x2A, 0, false},
    {'a', VK_LMENU, 0x38, 0, false},
    {'w', VK_LWIN, 0x5B, LLKHF_EXTENDED, false},
    {'f', VK_F13, 0x64, 0, true},
    {'h', VK_F14, 0x65, 0, true},
    {'m', VK_LAUNCH_MAIL, 0x6C, LLKHF_EXTENDED, true},
    {'k', VK_CAPITAL, 0x3A, 0, true},
    {'x', 'A', 0x1E, 0, true},
    {'o', 'S', 0x1F, 0, true},
    {'j', 'J', 0x24, 0, true},
    {'z', VK_OEM_3, 0x29, 0, true},
    {'p', VK_SPACE, 0x39, 0, true},
    {'v', VK_VOLUME_UP, 0, LLKHF_EXTENDED, true},  // without a scan code, as Wine gives media keys
    {'b', 0x07, 0, 0, false},                      // without a scan code, unknown to the table
    {'t', VK_PACKET, 0x64, LLKHF_INJECTED, false}, // a program types "d"
    {'l', VK_LCONTROL, 0x21D, 0, false},           // the Ctrl that Windows sends before AltGr
    {'r', VK_RMENU, 0x38, LLKHF_EXTENDED, false},
    {'q', VK_LCONTROL, 0x1D, LLKHF_INJECTED, false}, // marked as KeyloftSend's
    {'n', 0, 0x3A, LLKHF_INJECTED, false},           // a key event without a virtual key
    // The mouse, which passes unbound input at once: no order to keep. 'u' is a whole notch.
    {'e', VK_XBUTTON1, 0x05, MouseEventFlag, false},
    {'i', VK_MBUTTON, 0x04, MouseEventFlag, false},
    {'u', 0, 0x0A, MouseEventFlag, false},
};
// Every key is drawn for the random streams.
constexpr unsigned RandomKeys = sizeof(StreamKeys) / sizeof(StreamKeys[0]);

// What GetAsyncKeyState tells the decision: the keys as the events that passed on left them.
bool SystemDown[256];
SHORT WINAPI SystemKeyState(int virtualKey) {
    return SystemDown[virtualKey & 0xFF] ? static_cast<SHORT>(0x8000) : 0;
}
bool StandingAside = false;

struct StreamCase {
    const char* Name;
    Codes Bound;
    // Keys as above; '.': 100 ms pass (what waits for the time by then is decided); '~': 2 s
    // pass; '*': the other table (Reloaded) takes over; '^': the library starts or stops standing
    // aside; '|': the injected events are sent and come back (also at the end); '%': the hook is
    // put back; '!': the same, and the releases of the modifiers down went missing meanwhile;
    // '#': the library stops (what it gives at the stop is received; later events pass by).
    const char* Events;
    // Per key event: "code:" per report, then S (swallowed) or P (passed on), R when events were
    // queued to inject; per report at a time step: "L" and its code; at '|', the injected events
    // ("+vk" down, "-vk" up). Null: not compared.
    const char* Expected;
    Codes Reloaded = {};
    ActingBindings Acting = {};
    DWORD RepeatDelay = 0; // the system's, in milliseconds; 0: not known
};

constexpr DWORD HoldDelay = 300;

// A stream of presses of Space typed while CapsLock waits for its decision: more events than
// a wait holds.
const std::string LongWait = "k" + [] {
    std::string presses;
    for (std::size_t i = 0; i < MaxPendingEvents / 2 + 2; ++i)
        presses += "pP";
    return presses;
}() + "K";

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
    // Events that are no keys of a keyboard's, and keys without a scan code.
    {"ProgramsTypingIsLeftAlone", {0x64, 0x3A}, "tTkKtT", "P P 3A:S S P P"},
    {"ProgramsTypingDoesNotWaitBehindInjectedKeys",
     {0x40064},
     "aftTFA",
     "P 40064:SR P P S SR +E8 -E8 -A4"},
    {"NoScanCodeTakesTheTablesKey", {0xE030}, "vVbB", "E030:S S P P"},
    {"AltGrIsNotCtrl", {0x4E06C}, "lrmMRL", "P P 4E06C:SR S SR P +E8 -E8 -A5"},
    // A modifier that a marked event released counts as released once the system has counted it
    // up for the repeat lapse.
    {"MarkedReleaseLapses", {0x20064}, "cfFQ~fFqC", "P 20064:S S P 64:P P P P"},
    // A long delay before the first repeat, as with Filter Keys: still the one press.
    {"LateFirstRepeatIsARepeat", {0x3A, 0x10003A}, "k~kK", "S L10003A S S", {}, {}, 2000},
    {"LateFirstRepeatOfAnExtraKey", {0x64}, "f~fF", "64:S S S", {}, {}, 2000},
    // Keys held back while a key waits keep their place.
    {"KeyTypedDuringAWaitFollowsTheTap", {0x10001E}, "xoXO", "S S SR SR +41 -41 +53 -53"},
    {"ShiftDuringAWaitAppliesAfterIt",
     {0x10001E},
     "xosXOS",
     "S S S SR SR SR +41 -41 +53 +A0 -53 -A0"},
    {"ChordReleasedDuringAWaitKeepsIt", {0x120065}, "chCH", "P S S 20065:SR +7D -7D -A2"},
    {"HeldBackBoundKeyIsReportedInTurn", {0x10001E, 0x64}, "xfFX", "S S S 64:SR +41 -41"},
    {"WaitLongerThanTheQueueIsATap", {0x10003A}, LongWait.c_str(), nullptr},
    // Keys that act as other keys.
    {"ActsAsCtrl", {}, "kjJK", "SR SR SR SR +A2 +4A -4A -A2", {}, {{0x3A, L"Ctrl"}}},
    {"ActingModifierCountsForCodes",
     {0x20064},
     "kfFK",
     "SR 20064:S S SR +A2 -A2",
     {},
     {{0x3A, L"Ctrl"}}},
    {"ExtraKeyAsVolumeUpRepeats",
     {},
     "mmmM",
     "SR SR SR SR +AF +AF +AF -AF",
     {},
     {{0xE06C, L"Volume_Up"}}},
    {"ChordSourceReleasesItsModifiers",
     {},
     "ckKC",
     "P SR SR SR -A2 +24 -24 +A2 -A2",
     {},
     {{0x2003A, L"Home"}}},
    {"ModifierReleasedDuringItsChordsStroke",
     {},
     "ckCK",
     "P SR S SR -A2 +24 -24",
     {},
     {{0x2003A, L"Home"}}},
    {"ChordSourceUnderAltIsMasked",
     {},
     "akKA",
     "P SR SR SR +E8 -E8 -A4 +24 -24 +A4 +E8 -E8 -A4",
     {},
     {{0x4003A, L"Home"}}},
    {"ModifierAlsoHeldByTheUser", {}, "kcCK", "SR SR S SR +A2 +A2 -A2", {}, {{0x3A, L"Ctrl"}}},
    {"StrokeWithModifiers", {}, "fF", "SR SR +A2 +24 -24 -A2", {}, {{0x64, L"Ctrl+Home"}}},
    {"TapAndHoldTapped", {}, "kK", "S SR +1B -1B", {}, {{0x3A, L"Esc"}, {0x10003A, L"Ctrl"}}},
    {"TapAndHoldHeldByAKey",
     {},
     "kjJK",
     "S S SR SR +A2 +4A -4A -A2",
     {},
     {{0x3A, L"Esc"}, {0x10003A, L"Ctrl"}}},
    {"TapAndHoldHeldByTime",
     {},
     "k...kjJK",
     "S SR SR SR SR +A2 +A2 +4A -4A -A2",
     {},
     {{0x3A, L"Esc"}, {0x10003A, L"Ctrl"}}},
    {"RollingTypingIsTwoTaps", {}, "xoXO", "S S SR SR +41 -41 +53 -53", {}, {{0x10001E, L"Ctrl"}}},
    {"HoldWithoutTapBindingTapsItsOwnKey", {}, "kK", "S SR +14 -14", {}, {{0x10003A, L"Ctrl"}}},
    {"StopReleasesWhatActs", {}, "k#K", "SR +A2 -A2 P", {}, {{0x3A, L"Ctrl"}}},
    {"StopGivesAWaitingKeyBack", {0x10001E}, "xo#XO", "S S +41 +53 P P"},
    // The mouse's buttons and wheel: taken only when bound, as keys then.
    {"MouseButtonUnboundPasses", {0xF004, 0x2F005}, "eE", "P P"},
    {"MouseButtonBound", {0xF005}, "eE", "F005:S S"},
    {"NotchWithCtrl", {0x2F00A}, "cuCu", "P 2F00A:S P P"},
    // The key event without a virtual key leaves key 0 down in the system, which is not the
    // wheel's.
    {"NotchAfterAKeyEventWithoutAVirtualKey", {0xF00A}, "nuN", "P F00A:S P"},
    {"MouseButtonHeld", {0xF005, 0x10F005}, "e...E", "S L10F005 S"},
    {"MouseButtonTapGivenBack", {0x10F005}, "eE", "S SR +5 -5"},
    {"UnboundButtonDoesNotWait", {0x10003A}, "keEK", "S P P SR +14 -14"},
    {"BoundButtonWaitsItsTurn", {0x10003A, 0xF005}, "keEK", "S S S F005:SR +14 -14"},
    {"ButtonAsCtrl", {}, "exXE", "SR SR SR SR +A2 +41 -41 -A2", {}, {{0xF005, L"Ctrl"}}},
    {"NotchAsAKey", {}, "uu", "SR SR +AF -AF +AF -AF", {}, {{0xF00A, L"Volume_Up"}}},
    {"MouseStandsAside", {0xF005}, "^eE^", "P P"},
    {"ButtonUpFollowsItsDownAfterAReload", {0xF005}, "e*E", "F005:S S"},
};

const StreamKey* KeyOfLetter(char letter) {
    for (const StreamKey& key : StreamKeys)
        if (key.Letter == letter)
            return &key;
    return nullptr;
}

// True when every element of part comes in whole in that order (not necessarily next to each
// other).
bool IsInOrder(const std::vector<DWORD>& part, const std::vector<DWORD>& whole) {
    std::size_t at = 0;
    for (const DWORD key : part) {
        while (at < whole.size() && whole[at] != key)
            ++at;
        if (at++ >= whole.size())
            return false;
    }
    return true;
}

// Runs each stream through the decision and checks the rule on the way: the applications
// receive every key whole, a key-up never without its key-down, and none left down; the keys the
// user types reach them in the order typed; reports carry the modifiers down at the key's press;
// once every key is up, nothing is held, waiting, timed or queued.
void RunStreams(const std::vector<StreamCase>& cases) {
    for (const StreamCase& test : cases) {
        SCOPED_TRACE(test.Name);
        BoundKeysGuard first(test.Bound, test.Acting), reloaded(test.Reloaded);
        first.Table.HoldDelayMs = reloaded.Table.HoldDelayMs = HoldDelay;
        const BoundKeys* bound = &first.Table;
        bool actsAsModifier = false; // the codes carry more than the keys physically down
        for (const ActingBinding& binding : test.Acting)
            actsAsModifier = actsAsModifier || std::wcsncmp(binding.Stroke, L"Ctrl", 4) == 0;
        const KeyQuestions questions{[](bool) { return StandingAside; }, SystemKeyState};
        KeyboardState state;
        state.RepeatLapseMs = test.RepeatDelay ? RepeatLapseOf(test.RepeatDelay) : 0;
        std::fill(std::begin(SystemDown), std::end(SystemDown), StandingAside = false);
        DWORD time = 0xFFFFFF00; // the clock wraps during the case
        // Per key slot (the virtual key; the Ctrl before AltGr apart): key-downs the applications
        // received since the latest key-up.
        int appDown[257] = {};
        bool physicalDown[256] = {};
        std::map<std::uint32_t, std::set<std::uint32_t>> pressBits; // per key: at its presses
        ModifierKeys physical = 0, markedUp = 0;
        std::vector<DWORD> typed, received; // the typed keys' presses, by the user and as received
        bool stopped = false;
        std::string outcome, reported;
        auto add = [&outcome](const std::string& token) {
            outcome += (outcome.empty() ? "" : " ") + token;
        };
        auto reports = [&]() {
            std::string codes;
            KeyReport report;
            while (TakeReport(state, report)) {
                codes += ToHex(report.Code) + ":";
                const std::uint32_t key = report.Code & KeyCodeBits;
                const std::uint32_t uncertain = ModifierCodeBits(markedUp);
                if (!actsAsModifier) {
                    bool known = false;
                    for (const std::uint32_t bits : pressBits[key])
                        known = known || ((report.Code & ~KeyCodeBits & ~LongPressBit &
                                           ~uncertain) == (bits & ~uncertain));
                    EXPECT_TRUE(known) << ToHex(report.Code) << " with the modifiers of a press";
                }
            }
            return codes;
        };
        auto receive = [&](DWORD key, DWORD scan, bool up, bool typedKey) {
            int& down = appDown[scan == 0x21D ? 256 : key];
            // Once the library has stopped, the key-up of a key it swallowed passes by it.
            EXPECT_TRUE(!up || down || stopped) << key << " up, never down";
            if (!up && !down && typedKey && !stopped)
                received.push_back(key);
            down = up ? 0 : down + 1;
        };
        auto follow = [&](const StreamKey* typedKey, DWORD key, DWORD scan, DWORD flags,
                          ULONG_PTR extra, bool ours) {
            const bool up = (flags & LLKHF_UP) != 0;
            const WPARAM message = up ? WM_KEYUP : WM_KEYDOWN;
            StreamStep step;
            const MouseInfo* mouse =
                (flags & MouseEventFlag) ? MouseOfCode(KeyCodeOf(scan, flags)) : nullptr;
            const bool notch = mouse && IsWheel(*mouse);
            if (!stopped && mouse)
                step = FollowMouseEvent(state,
                                        {mouse->Message + (up ? 1 : 0),
                                         static_cast<DWORD>(static_cast<WORD>(mouse->Data)) << 16,
                                         time, extra},
                                        *bound, questions);
            else if (!stopped)
                step = FollowKeyEvent(state, {message, key, scan, flags, time, extra}, *bound,
                                      questions);
            const bool user = !extra && !(flags & LLKHF_INJECTED) && scan != 0x21D;
            if (user && NoteModifierEvent(physical, message, key, scan, flags)) {
                EXPECT_TRUE(!step.Swallow || step.Inject || state.Pending.Count || up)
                    << "a modifier key's press is taken only to keep its place";
                ModifierKeys own = 0;
                NoteModifierEvent(own, WM_KEYDOWN, key, scan, flags);
                markedUp = static_cast<ModifierKeys>(markedUp & ~own);
            } else if (((extra && !ours) || scan == 0x21D) && up) {
                ModifierKeys own = 0;
                NoteModifierEvent(own, WM_KEYDOWN, key, scan, flags);
                markedUp = static_cast<ModifierKeys>(markedUp | own);
            }
            if (mouse && user && !up && !stopped)
                pressBits[KeyCodeOf(scan, flags)].insert(ModifierCodeBits(physical));
            if (typedKey && typedKey->Typed) {
                if (!up && !physicalDown[key] && !stopped) {
                    typed.push_back(key);
                    pressBits[KeyCodeOf(scan ? scan : 0x30, flags)].insert(
                        ModifierCodeBits(physical));
                }
                physicalDown[key] = !up;
            }
            reported = reports();
            SystemDown[key] = step.Swallow ? SystemDown[key] : !up && !notch;
            // A notch is a press and its release at once: whole by itself.
            if (!step.Swallow && (!extra || ours) && !notch)
                receive(key, scan, up, typedKey && typedKey->Typed);
            return step;
        };
        auto comeBack = [&]() {
            ReplayEvent back[MaxReplayEvents];
            for (std::size_t n; (n = NextReplay(state, time, back)) != 0;)
                for (std::size_t i = 0; i < n; ++i) {
                    const bool up = (back[i].Flags & LLKHF_UP) != 0;
                    add((up ? "-" : "+") + ToHex(back[i].VirtualKey));
                    const StreamKey* typedKey = nullptr;
                    for (const StreamKey& candidate : StreamKeys)
                        if ((back[i].Flags & MouseEventFlag)
                                ? candidate.Flags == MouseEventFlag &&
                                      candidate.ScanCode == back[i].ScanCode
                                : candidate.VirtualKey == back[i].VirtualKey && candidate.Typed)
                            typedKey = &candidate;
                    follow(typedKey, back[i].VirtualKey, back[i].ScanCode,
                           back[i].Flags | LLKHF_INJECTED, KeyloftSendMark, true);
                }
        };
        for (const char* event = test.Events; *event; ++event) {
            if (*event == '.' || *event == '~') {
                time += *event == '.' ? 100 : 2000;
                if (stopped)
                    continue;
                FollowTime(state, time, *bound, questions);
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
            if (*event == '#' && !stopped) {
                FinishAtStop(state, *bound);
                comeBack();
                stopped = true;
            }
            bound = *event != '*' ? bound : bound == &first.Table ? &reloaded.Table : &first.Table;
            StandingAside = StandingAside != (*event == '^');
            if (*event == '|')
                comeBack();
            if (std::strchr("*^|#U", *event))
                continue;
            const bool down = *event >= 'a';
            const StreamKey* key = KeyOfLetter(static_cast<char>(down ? *event : *event + 32));
            ASSERT_NE(key, nullptr) << *event;
            const bool marked =
                key->VirtualKey && key->VirtualKey != VK_PACKET && (key->Flags & LLKHF_INJECTED);
            const StreamStep step =
                follow(key, key->VirtualKey, key->ScanCode, key->Flags | (down ? 0 : LLKHF_UP),
                       marked ? KeyloftSendMark : 0, false);
            add(reported + (step.Swallow ? "S" : "P") + (step.Inject ? "R" : ""));
        }
        comeBack();
        EXPECT_EQ(outcome, test.Expected ? test.Expected : outcome);
        EXPECT_EQ(std::count(appDown, appDown + 257, 0), 257) << "a key left down";
        EXPECT_TRUE(IsInOrder(received, typed)) << "a key overtook another";
        if (!stopped) {
            EXPECT_EQ(TimeToWait(state, time, *bound), INFINITE) << "no timer once released";
            EXPECT_EQ(state.Modifiers, 0);
            EXPECT_EQ(state.Held.Count + state.Replay.Count + state.Pending.Count, 0u);
            EXPECT_EQ(state.WaitingAt, 0u);
        }
        if (testing::Test::HasFailure()) {
            std::printf("outcome: %s\nbound:", outcome.c_str());
            for (const std::uint32_t code : test.Bound)
                std::printf(" %X", static_cast<unsigned>(code));
            std::printf("; reloaded:");
            for (const std::uint32_t code : test.Reloaded)
                std::printf(" %X", static_cast<unsigned>(code));
            for (const ActingBinding& acting : test.Acting)
                std::printf("; %X=as %ls", static_cast<unsigned>(acting.Code), acting.Stroke);
            std::printf("\n");
            return;
        }
    }
}

TEST(KeyWatch, StreamOfChordsTapsAndHoldsReportsAndSwallows) {
    RunStreams(std::vector<StreamCase>(std::begin(StreamCases), std::end(StreamCases)));
}

// Streams of presses, repeats and releases in any order, chords, single and long presses bound,
// keys that act as others (plain, chords, tap and hold), reloads, standing aside, marked events,
// programs' typing, keys without a scan code, the stop, and the injected events coming back at
// any point.
TEST(KeyWatch, EveryKeyReachesTheApplicationsWhole) {
    const wchar_t* const strokes[] = {L"Esc", L"Home", L"Ctrl", L"Ctrl+Home", L"PgUp"};
    std::vector<std::string> events(3000);
    std::vector<StreamCase> cases;
    for (std::string& stream : events) {
        std::mt19937 random(static_cast<unsigned>(cases.size()));
        StreamCase test{"", {}, nullptr, nullptr};
        auto someCode = [&random]() {
            // A typed key, or the mouse's.
            const StreamKey& key =
                StreamKeys[random() % 5 ? 5 + random() % 10 : RandomKeys - 1 - random() % 3];
            const DWORD scan = key.ScanCode ? key.ScanCode : 0x30;
            return KeyCodeOf(scan, key.Flags) | (random() % 3 ? 0 : 0x20000) |
                   (random() % 3 ? 0 : LongPressBit);
        };
        for (Codes* codes : {&test.Bound, &test.Reloaded})
            for (unsigned i = random() % 6; i > 0; --i)
                codes->push_back(someCode());
        for (unsigned i = random() % 4; i > 0; --i)
            test.Acting.push_back({someCode(), strokes[random() % 5]});
        bool down[RandomKeys] = {};
        for (int i = 0; i < 40; ++i) { // a release, a press or repeat, or another event
            const unsigned k = random() % RandomKeys, what = random() % 14;
            const bool up = down[k] && what < 4;
            down[k] = what < 9 ? !up : down[k];
            stream += what < 9 ? StreamKeys[k].Letter - (up ? 32 : 0) : ".|*^#"[what - 9];
        }
        for (unsigned k = 0; k < RandomKeys; ++k)
            stream += down[k] ? std::string(1, StreamKeys[k].Letter - 32) : "";
        test.Name = test.Events = stream.c_str();
        cases.push_back(test);
    }
    RunStreams(cases);
}

} // namespace
