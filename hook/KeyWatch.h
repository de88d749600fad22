// kbhook.dll's decisions over the stream of events, without any platform call: which key-downs
// are auto-repeats of a key already held, and when the keyboard hook has been lost.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Extra keys held down at the moment, with the time of their latest key-down.
constexpr std::size_t MaxHeldKeys = 16;
struct HeldKeys {
    std::uint32_t Codes[MaxHeldKeys] = {};
    DWORD Times[MaxHeldKeys] = {};
    std::size_t Count = 0;
};

// A held key whose key-up went missing (an earlier hook ate it, or the hook was being
// reinstalled) counts as released once no repeat came for this long: the system's longest
// delay before a key repeats is one second.
constexpr DWORD HeldKeyLapseMs = 1500;

// Notes one event of an extra key; time is the event's time stamp in milliseconds. True when it
// is a key-down of a key that is already down with no key-up between: an auto-repeat, which is
// not reported again.
bool IsHeldRepeat(HeldKeys& held, WPARAM message, std::uint32_t code, DWORD time);

// What the library knows of its hook from the two ways a key reaches it: the hook's own call,
// and the watch hook, installed before it and so called after it, which sees the keys the hook
// passes on, and every key once the hook is gone.
struct HookWatch {
    long Balance = 0;      // watched keys less hook calls since the hook was installed
    DWORD LastInstall = 0; // tick count of the latest installation
    bool EverInstalled = false;
};

// Watched keys ahead of hook calls by this many: keys reached the library that its hook never
// saw. One apart is the moment between the hook's call and the watch hook's message.
constexpr long LostHookBalance = 2;
// Hook calls ahead of watched keys count up to this many, so that a loss still shows within a
// few keys however the two ways drifted apart (a watch hook that missed keys, say, while
// another program swallowed them between the two). Beyond it, a burst whose watched keys lag
// far behind costs one needless reinstall at worst.
constexpr long HookLeadLimit = 16;
// Installations at least this far apart, so that a reinstall that does not help cannot be
// repeated at every key.
constexpr DWORD ReinstallSpacingMs = 1000;

void NoteInstalled(HookWatch& watch, DWORD now);
// Notes one key that the hook passed on.
void NoteHookCall(HookWatch& watch);
// Notes one key of the watch hook at tick count now; true when the hook must be installed again.
bool NoteWatchedKey(HookWatch& watch, DWORD now);
