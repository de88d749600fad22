// The keys held down, as kbhook.dll remembers them between events: each by the key itself, with
// the decision of its key-down, which its repeats and its key-up follow.
#pragma once

#include "hook/HookKeys.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// A key as the library injects it in the place of another.
struct SentKey {
    unsigned char VirtualKey;
    unsigned char ScanCode; // 0: the system finds it from the virtual key
    bool Extended;
    bool Mouse; // the mouse's own press given back; ScanCode as for MouseEventFlag
};

// The keys that the applications see held down in the place of a key that acts as another: a
// stroke's modifiers in order, then its key; or the key's own press, given back.
constexpr std::size_t MaxActingKeys = ModifierKeyCount + 1;
struct ActingKeys {
    SentKey Keys[MaxActingKeys];
    unsigned char Count;
    bool ReleasesChord; // a stroke of a binding: the chord's modifiers are released around it
};

// What a press does once it is decided: a report to Keyloft, and the keys it holds down for the
// applications in its place (none: it is swallowed, or passed on as it is).
struct PressOutcome {
    bool Reports;
    std::uint32_t Code; // the code reported
    ActingKeys Acts;
};

enum class HeldMode : unsigned char {
    Passed,    // its events pass on
    Swallowed, // its events are swallowed: a binding of Keyloft's, or nothing, decided
    Waiting,   // its long press is bound and not decided yet: its events are swallowed
    Acting,    // swallowed; the applications see Acts held in its place while it is held
};

// A key held down, by the key itself (its code without modifier bits), with the decision of its
// key-down.
struct HeldKey {
    std::uint32_t Key = 0;  // scan code and extended base
    std::uint32_t Code = 0; // the code of its key-down, with the modifiers of that moment
    DWORD VirtualKey = 0;   // for the report and its own press
    DWORD ScanCode = 0;
    DWORD Flags = 0;
    DWORD DownTime = 0; // of its first key-down
    DWORD LastTime = 0; // of its latest key-down
    HeldMode Mode = HeldMode::Passed;
    ActingKeys Acts = {};      // while Acting
    ModifierKeys Released = 0; // modifiers released for the applications while it acts
    // While Waiting: what a tap does, what a hold does, and whether a key pressed and released
    // meanwhile makes it a hold (its hold acts as another key).
    PressOutcome Tap = {};
    PressOutcome Hold = {};
    bool HoldsByKeys = false;
};

// The keys held down at the moment: every key whose key-down the library saw, passed on or not,
// apart from the modifier keys, which ModifierKeys counts. More than the most keys a keyboard
// reports at once.
constexpr std::size_t MaxHeldKeys = 16;
struct HeldKeys {
    HeldKey Keys[MaxHeldKeys] = {};
    std::size_t Count = 0;
};

// No place among the held keys.
constexpr std::size_t NoHeldKey = MaxHeldKeys;

// A held key whose key-up went missing (an earlier hook ate it, or the hook was being
// reinstalled) counts as released once no repeat came for the repeat lapse; this one when the
// system's repeat delay is not known. The keyboard's longest delay before a key repeats is one
// second.
constexpr DWORD HeldKeyLapseMs = 1500;

// The place of key among the held keys, or NoHeldKey.
std::size_t HeldIndex(const HeldKeys& held, std::uint32_t key);

// Forgets the held key at index; the last one takes its place. Returns the old place of the one
// that moved, for a caller that keeps a place.
std::size_t Forget(HeldKeys& held, std::size_t index);

// True when a key-down at time repeats the held key: not so long after its latest key-down that
// its key-up must have gone missing.
bool Repeats(const HeldKey& entry, DWORD time, DWORD lapse);

// Adds a held key at time, as the last one; when all places are taken, one that passed on is
// forgotten first (its key-up passes on whether remembered or not), then one swallowed that has
// not repeated for the lapse (the last one may then move into its place); a key acting or waiting
// is never forgotten. Null when every place must be kept.
HeldKey* Hold(HeldKeys& held, std::uint32_t key, DWORD time, DWORD lapse);

// How long the key has been down at now; 0 when its time stamp lies ahead of now.
DWORD HeldFor(const HeldKey& entry, DWORD now);

// (In KeyTools.cpp, for the key tester.) Notes one event of an extra key; time is the event's time
// stamp in milliseconds. True when it is a key-down of a key that is already down with no key-up
// between: an auto-repeat, which is not reported again.
bool IsHeldRepeat(HeldKeys& held, WPARAM message, std::uint32_t code, DWORD time);
