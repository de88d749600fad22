// The rule of kbhook.dll's decision over generated streams: what the applications receive of a
// physical key is whole. Every press is passed on whole or swallowed whole, decided at its
// key-down, or a tap given back as one marked press; and once every key is up, the library holds
// no key, no timer and nothing to inject.
#include "hook/InjectMark.h"
#include "hook/KeyWatch.h"

#include "support/BoundCodes.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct RuleKey {
    DWORD VirtualKey, ScanCode, Flags;
};

// Modifiers first, then keys of their own.
constexpr int ModifierCount = 5;
const RuleKey RuleKeys[] = {
    {VK_LSHIFT, 0x2A, 0},
    {VK_RSHIFT, 0x36, 0},
    {VK_LCONTROL, 0x1D, 0},
    {VK_LMENU, 0x38, 0},
    {VK_RWIN, 0x5C, LLKHF_EXTENDED},
    {VK_F13, 0x64, 0},
    {VK_F14, 0x65, 0},
    {VK_LAUNCH_MAIL, 0x6C, LLKHF_EXTENDED},
    {VK_CAPITAL, 0x3A, 0},
    {'A', 0x1E, 0},
    {VK_SPACE, 0x39, 0},
};
constexpr int KeyCount = sizeof(RuleKeys) / sizeof(RuleKeys[0]);

bool SystemDown[256]; // what GetAsyncKeyState tells
SHORT WINAPI SystemKeyState(int virtualKey) {
    return SystemDown[virtualKey & 0xFF] ? static_cast<SHORT>(0x8000) : 0;
}
bool StandingAside = false;
bool StandsAside() {
    return StandingAside;
}

// Single, double and long presses of the keys, alone and in chords.
Codes RandomTable(std::mt19937& random) {
    Codes codes;
    for (int i = static_cast<int>(random() % 6); i > 0; --i) {
        const RuleKey& key = RuleKeys[ModifierCount + random() % (KeyCount - ModifierCount)];
        codes.push_back(KeyCodeOf(key.ScanCode, key.Flags) | (random() % 3 ? 0 : CtrlCodeBit) |
                        (random() % 3 ? 0 : LongPressBit));
    }
    return codes;
}

// One generated stream: the decision's state, the keys physically down and what the
// applications receive of each.
struct Stream {
    KeyboardState State;
    const BoundKeys* Bound = nullptr;
    DWORD Time = 0;
    bool Down[KeyCount] = {};
    DWORD LastDown[KeyCount] = {};
    int AppDown[KeyCount] = {}; // key-downs the applications received since the latest key-up
    char Press[KeyCount] = {};  // the decision of the key's current press: 'P' or 'S', or 0
    std::vector<ReplayEvent> InFlight;
    std::mt19937* Random = nullptr;

    int KeyOf(DWORD virtualKey) const {
        for (int k = 0; k < KeyCount; ++k)
            if (RuleKeys[k].VirtualKey == virtualKey)
                return k;
        return -1;
    }

    // An event that reached the applications.
    void Received(DWORD virtualKey, bool up) {
        SystemDown[virtualKey & 0xFF] = !up;
        const int k = KeyOf(virtualKey);
        if (k < 0)
            return; // the masking key
        EXPECT_TRUE(!up || AppDown[k] > 0) << "a key-up without its key-down, key " << k;
        AppDown[k] = up ? 0 : AppDown[k] + 1;
    }

    void User(int k, bool up) {
        const RuleKey& key = RuleKeys[k];
        const std::size_t queued = State.Replay.Count;
        const KeyVerdict verdict = FollowKeyEvent(State, up ? WM_KEYUP : WM_KEYDOWN, key.VirtualKey,
                                                  key.ScanCode, key.Flags | (up ? LLKHF_UP : 0),
                                                  Time, *Bound, 0, StandsAside, SystemKeyState);
        const std::size_t added = State.Replay.Count - queued;
        // Queued alone behind injected events: passed on, a little later.
        const char outcome = !verdict.Swallow || (added == 1 && verdict.Replay) ? 'P' : 'S';
        const bool repeat = !up && Down[k];
        if (k >= ModifierCount && (repeat || up)) {
            EXPECT_EQ(outcome, Press[k]) << "key " << k << " decided again";
        }
        if (k >= ModifierCount && !up && !repeat) {
            Press[k] = outcome;
            // Codes carry the modifiers physically down, whatever marked events did.
            const std::uint32_t modifiers = (Down[0] || Down[1] ? ShiftCodeBit : 0) |
                                            (Down[2] ? CtrlCodeBit : 0) |
                                            (Down[3] ? AltCodeBit : 0) | (Down[4] ? WinCodeBit : 0);
            EXPECT_EQ(verdict.Code & ~KeyCodeBits, modifiers);
        }
        EXPECT_EQ(outcome, k < ModifierCount ? 'P' : outcome) << "a modifier key is never taken";
        if (up && added == 2) // a tap given back: its own press, swallowed at its key-down
            EXPECT_EQ(Press[k], 'S');
        if (!verdict.Swallow)
            Received(key.VirtualKey, up);
        Down[k] = !up;
        LastDown[k] = up ? LastDown[k] : Time;
        if (verdict.Replay && (*Random)() % 2) // sent at once, or after the next events
            Send();
    }

    void Marked(int k, bool up) {
        const RuleKey& key = RuleKeys[k];
        const KeyVerdict verdict =
            FollowKeyEvent(State, up ? WM_KEYUP : WM_KEYDOWN, key.VirtualKey, key.ScanCode,
                           key.Flags | LLKHF_INJECTED | (up ? LLKHF_UP : 0), Time, *Bound,
                           KeyloftSendMark, StandsAside, SystemKeyState);
        EXPECT_FALSE(verdict.Swallow || verdict.Report) << "a marked event passes on untouched";
        SystemDown[key.VirtualKey] = !up;
    }

    void Send() {
        ReplayEvent events[MaxReplayEvents];
        const std::size_t count = NextReplay(State, Time, events);
        InFlight.insert(InFlight.end(), events, events + count);
    }

    // The first injected event comes back through the hook.
    void ComeBack() {
        const ReplayEvent event = InFlight.front();
        InFlight.erase(InFlight.begin());
        const KeyVerdict verdict =
            FollowKeyEvent(State, (event.Flags & LLKHF_UP) ? WM_KEYUP : WM_KEYDOWN,
                           event.VirtualKey, event.ScanCode, event.Flags | LLKHF_INJECTED, Time,
                           *Bound, KeyloftSendMark, StandsAside, SystemKeyState);
        EXPECT_FALSE(verdict.Swallow || verdict.Report) << "a marked event passes on untouched";
        Received(event.VirtualKey, (event.Flags & LLKHF_UP) != 0);
    }
};

TEST(KeyRule, EveryPhysicalKeyReachesTheApplicationsWhole) {
    for (unsigned seed = 1; seed <= 3000; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        const BoundKeysGuard first(RandomTable(random));
        const BoundKeysGuard second(RandomTable(random));
        std::fill(std::begin(SystemDown), std::end(SystemDown), false);
        StandingAside = false;
        Stream stream;
        stream.Bound = &first.Table;
        stream.Random = &random;
        stream.Time = static_cast<DWORD>(random()); // anywhere on the clock, wraps included
        for (int step = 0; step < 60 && !testing::Test::HasFailure(); ++step) {
            const int k = static_cast<int>(random() % KeyCount);
            switch (random() % 10) {
            case 0: // a marked event of another program: KeyloftSend's
                stream.Marked(k, random() % 2 != 0);
                break;
            case 1:
                if (stream.Down[k] && stream.Time - stream.LastDown[k] < 1000)
                    stream.User(k, false); // an auto-repeat
                break;
            case 2:
                stream.Bound = random() % 2 ? &first.Table : &second.Table;
                StandingAside = random() % 4 == 0;
                break;
            case 3:
                stream.Send();
                break;
            case 4:
                if (!stream.InFlight.empty())
                    stream.ComeBack();
                else
                    stream.Time += static_cast<DWORD>(random() % 700);
                break;
            case 5: { // the long-press timer
                std::uint32_t code = 0;
                DWORD virtualKey = 0;
                while (TakeLongPress(stream.State, stream.Time, HoldDelayOfTable(*stream.Bound),
                                     code, virtualKey))
                    EXPECT_NE(code & LongPressBit, 0u);
                break;
            }
            default:
                stream.User(k, stream.Down[k]);
            }
        }
        for (int k = 0; k < KeyCount; ++k)
            if (stream.Down[k])
                stream.User(k, true);
        for (stream.Send(); !stream.InFlight.empty(); stream.Send())
            stream.ComeBack();
        for (int k = 0; k < KeyCount; ++k)
            EXPECT_EQ(stream.AppDown[k], 0) << "key " << k << " left down";
        EXPECT_EQ(stream.State.Held.Count, 0u);
        EXPECT_EQ(stream.State.Modifiers, 0);
        EXPECT_EQ(stream.State.Replay.Count, 0u);
        EXPECT_EQ(LongPressWait(stream.State, stream.Time, 500), INFINITE);
        if (testing::Test::HasFailure())
            return;
    }
}

} // namespace
