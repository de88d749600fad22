// kbhook.dll's decisions over the stream of events, without any platform call: the modifiers
// and keys held, which key-downs are auto-repeats, when a held key becomes a long press, and when
// the keyboard hook has been lost.
#pragma once

#include "hook/HookKeys.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// A key held down that the library reported, swallowed or held back, by the key itself (its
// code without modifier bits), so that the modifiers may be released before it.
struct HeldKey {
    std::uint32_t Key = 0;  // scan code and extended base
    std::uint32_t Code = 0; // the code of its key-down, with the modifiers of that moment
    DWORD VirtualKey = 0;   // for the report
    DWORD DownTime = 0;     // of its first key-down
    DWORD LastTime = 0;     // of its latest key-down
    bool Swallowed = false; // its repeats and its key-up are swallowed too
    bool HeldBack = false;  // its long press is bound and not yet reached
};

// The keys held down at the moment.
constexpr std::size_t MaxHeldKeys = 16;
struct HeldKeys {
    HeldKey Keys[MaxHeldKeys] = {};
    std::size_t Count = 0;
};

// Everything the hook knows of the keyboard between two events.
struct KeyboardState {
    ModifierKeys Modifiers = 0;
    HeldKeys Held;
};

// A held key whose key-up went missing (an earlier hook ate it, or the hook was being
// reinstalled) counts as released once no repeat came for this long: the system's longest
// delay before a key repeats is one second.
constexpr DWORD HeldKeyLapseMs = 1500;

// Notes one event of an extra key; time is the event's time stamp in milliseconds. True when it
// is a key-down of a key that is already down with no key-up between: an auto-repeat, which is
// not reported again.
bool IsHeldRepeat(HeldKeys& held, WPARAM message, std::uint32_t code, DWORD time);

// The decision for one event in the stream (time: its time stamp). A key-down that repeats a
// held key is neither reported again nor held back, and is swallowed when its first key-down was;
// a key-up is swallowed when its key-down was, whatever the modifiers do meanwhile, and reports
// the ordinary code of a key held back (a tap). The modifier keys only change the state.
KeyVerdict FollowKeyEvent(KeyboardState& state, WPARAM message, DWORD virtualKey, DWORD scanCode,
                          DWORD flags, DWORD time, const BoundKeys& bound);

// A held-back key down for holdDelay by now: true with its long-press code and virtual key, and
// it counts as a long press from then on (its key-up reports nothing). Call until false.
bool TakeLongPress(KeyboardState& state, DWORD now, DWORD holdDelay, std::uint32_t& code,
                   DWORD& virtualKey);

// Milliseconds from now until the next held-back key reaches holdDelay: 0 when one has, INFINITE
// when no key is held back.
DWORD LongPressWait(const KeyboardState& state, DWORD now, DWORD holdDelay);

// The state after the hook was put back in place: the keys held stay as they were, so that a
// chord held across it keeps its code, a pending long press its report and a swallowed key its
// key-up; the modifiers are those down now (downNow, bits as ModifierVirtualKeys), since their
// key-ups may have passed meanwhile unseen.
void ResumeAfterReinstall(KeyboardState& state, ModifierKeys downNow);

// The watch over the hook. The system removes a low-level hook without a word when a call of it
// was too slow, and nothing tells the library. A second hook that counts keys would cost every
// key a second call, so the watch runs on the reader's thread instead, armed by the keys the hook
// sees and asleep while none come: at each check it compares the desktop's latest input
// (GetLastInputInfo, keyboard and mouse alike) with the latest event the hook was called for.
// Input the hook never saw, or a call that came late, makes it inject one probe (a marked
// key-up of the masking key, which the hook swallows); a probe the hook does not see means the
// hook is gone.
struct WatchFacts {
    DWORD LastInput = 0;    // of the desktop, from GetLastInputInfo
    DWORD LastKeyTime = 0;  // time stamp of the latest event the hook was called for
    bool KeysSeen = false;  // the hook saw keys since the previous check
    bool LateCall = false;  // the hook was called at least LateCallMs after an event's time
    bool ProbeSent = false; // the previous check sent a probe
    bool ProbeSeen = false; // and the hook has seen it
};

struct WatchStep {
    bool Reinstall = false; // the hook is gone: put it back
    bool Probe = false;     // send a probe now
    DWORD NextCheckMs = 0;  // when to check again; INFINITE: once a key arms the watch again
};

// A check every second while the hook sees keys; a probe answered within this long.
constexpr DWORD WatchPeriodMs = 1000;
constexpr DWORD ProbeWaitMs = 500;
// A call of the hook this long after its event's time may have outlasted the system's patience
// with a hook (LowLevelHooksTimeout, commonly a few hundred milliseconds).
constexpr DWORD LateCallMs = 200;

WatchStep DecideWatchCheck(const WatchFacts& facts);
