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

// What the library knows of its hook from the two ways a key reaches it: the hook's own call,
// and the watch hook, installed before it and so called after it, which sees the keys the hook
// passes on, and every key once the hook is gone.
struct HookWatch {
    long Balance = 0;      // watched keys less hook calls since the hook was installed
    DWORD LastInstall = 0; // tick count of the latest installation
    bool EverInstalled = false;
};

// Watched keys ahead of hook calls by this many: keys reached the library that its hook never
// saw. One apart is slack: the key during which the hook was installed reaches the watch hook
// alone.
constexpr long LostHookBalance = 2;
// Hook calls ahead of watched keys count up to this many, so that a loss still shows within a
// few keys however the two ways drifted apart (a watch hook that missed keys, say, while
// another program swallowed them between the two). Beyond it, a burst whose watched keys lag
// far behind costs one needless reinstall at worst.
constexpr long HookLeadLimit = 16;
// Installations at least this far apart, so that a reinstall that does not help cannot be
// repeated at every key.
constexpr DWORD ReinstallSpacingMs = 1000;

// The library's thread answers no key while it reads the configuration. A read that took this
// long may have outlasted the system's patience with a hook (LowLevelHooksTimeout, commonly a few
// hundred milliseconds): the thread then puts its hooks back, since a watch hook of the same
// thread was kept waiting as long as the reporting hook.
constexpr DWORD HooksMayBeLostMs = 200;

void NoteInstalled(HookWatch& watch, DWORD now);
// Notes one key that the hook passed on.
void NoteHookCall(HookWatch& watch);
// Notes one key of the watch hook at tick count now; true when the hook must be installed again.
bool NoteWatchedKey(HookWatch& watch, DWORD now);
