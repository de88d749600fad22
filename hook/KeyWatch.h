// kbhook.dll's decisions over the stream of events, without any platform call: the modifiers
// and keys held, which key-downs are auto-repeats, when a held key becomes a long press, and
// which events the library injects and in what order.
#pragma once

#include "hook/HookKeys.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// A key held down, by the key itself (its code without modifier bits), with the decision of its
// key-down, which its repeats and its key-up follow whatever the table or the modifiers do
// meanwhile.
struct HeldKey {
    std::uint32_t Key = 0;  // scan code and extended base
    std::uint32_t Code = 0; // the code of its key-down, with the modifiers of that moment
    DWORD VirtualKey = 0;   // for the report and the replay
    DWORD ScanCode = 0;     // for the replay, with the extended flag of Flags
    DWORD Flags = 0;
    DWORD DownTime = 0;      // of its first key-down
    DWORD LastTime = 0;      // of its latest key-down
    bool Swallowed = false;  // its repeats and its key-up are swallowed too
    bool HeldBack = false;   // its long press is bound and not yet reached
    bool ReplaysTap = false; // held back with no ordinary binding: a tap gives its own press back
};

// The keys held down at the moment: every key whose key-down the library saw, passed on or not,
// apart from the modifier keys, which ModifierKeys counts. More than the most keys a keyboard
// reports at once.
constexpr std::size_t MaxHeldKeys = 16;
struct HeldKeys {
    HeldKey Keys[MaxHeldKeys] = {};
    std::size_t Count = 0;
};

// A key event that the library injects, marked: the masking key, a tap given back, or a key of
// the user that came while injected ones were on their way and so has to follow them.
struct ReplayEvent {
    DWORD VirtualKey = 0;
    DWORD ScanCode = 0;
    DWORD Flags = 0; // LLKHF_EXTENDED and LLKHF_UP
};

// The events to inject, in order: those handed to the system (and not yet seen back by the hook)
// first, then those still to send. While any is queued, every key of the user that passes on is
// queued behind them instead, so that no key overtakes an injected one.
constexpr std::size_t MaxReplayEvents = 64;
struct ReplayQueue {
    ReplayEvent Events[MaxReplayEvents] = {};
    std::size_t Count = 0;
    std::size_t Sent = 0;
    DWORD SentTime = 0; // tick count of the latest send
};

// A report for the window: HookKeyMessage with the code and the virtual key.
struct KeyReport {
    std::uint32_t Code = 0;
    DWORD VirtualKey = 0;
};

// The reports not yet taken, oldest first. One step of the stream gives a few at most; a report
// that finds the queue full is dropped rather than one already queued.
constexpr std::size_t MaxReports = 16;
struct ReportQueue {
    KeyReport Reports[MaxReports] = {};
    std::size_t Count = 0;
};

// Everything the hook knows of the keyboard between two events.
struct KeyboardState {
    ModifierKeys Modifiers = 0; // the modifier keys physically down
    // Of those, the ones that a marked event released since: the system counts them as up, and
    // they must not be dropped as stale for it.
    ModifierKeys MarkedUp = 0;
    HeldKeys Held;
    ReplayQueue Replay;
    ReportQueue Reports;
};

// What the caller does after one step of the stream (an event or the time).
struct StreamStep {
    bool Swallow = false;     // the event goes no further: the hook returns 1
    bool Inject = false;      // events were queued to inject: send what NextReplay gives
    bool Report = false;      // reports were queued: post what TakeReport gives
    bool TimerChange = false; // TimeToWait may give another answer
};

// A held key whose key-up went missing (an earlier hook ate it, or the hook was being
// reinstalled) counts as released once no repeat came for this long: the system's longest
// delay before a key repeats is one second.
constexpr DWORD HeldKeyLapseMs = 1500;

// Injected events come back through the hook within milliseconds; ones not seen back after this
// long never will (the system refused them, or the hook was reinstalled meanwhile).
constexpr DWORD ReplayLapseMs = 1000;

// GetAsyncKeyState, or a stand-in for it.
using AsyncKeyStateFn = SHORT(WINAPI*)(int virtualKey);
// True while the library stands aside: new key-downs are neither reported nor swallowed. Told
// whether the key would be swallowed, so that a check that matters only then can be left out.
using StandsAsideFn = bool (*)(bool swallows);

// What the decision may ask of the world beyond the event. Either may be null: then the library
// never stands aside, or the system's view of the keys is not asked.
struct KeyQuestions {
    StandsAsideFn StandsAside;
    AsyncKeyStateFn KeyState;
};

// True for the events the library passes on untouched and does not remember: those marked as
// KeyloftSend's or its own, and injected ones without a virtual key (a key event of a binding).
bool IsAsideEvent(const KeyEvent& event);

// Takes one event into the modifiers held, the way codes are computed: the modifiers are the keys
// physically down, which marked events do not change; at a key-down, a modifier that the system
// counts as up (the KeyState question) although no marked event released it is dropped: the
// hook never saw its release (the secure desktop of Ctrl+Alt+Delete takes it). True for a key
// event of the user's own that is not a modifier key, with its code: the key and the modifiers
// down at this moment.
bool FollowModifiers(KeyboardState& state, const KeyEvent& event, const KeyQuestions& questions,
                     std::uint32_t& code);

// Notes one event of an extra key; time is the event's time stamp in milliseconds. True when it
// is a key-down of a key that is already down with no key-up between: an auto-repeat, which is
// not reported again.
bool IsHeldRepeat(HeldKeys& held, WPARAM message, std::uint32_t code, DWORD time);

// One event of the stream, decided once per key, at its key-down: its repeats and its key-up
// follow it, and a key-up of a key never seen going down passes on. A key held back whose
// ordinary code is unbound gives its own press back at a tap release. Events that IsAsideEvent
// names pass on untouched. The modifier keys only change the state. StandsAside is asked only at
// a new key-down that would be reported or swallowed; KeyState as for FollowModifiers, and a key
// the system already counts as down is passed on.
StreamStep FollowKeyEvent(KeyboardState& state, const KeyEvent& event, const BoundKeys& bound,
                          const KeyQuestions& questions);

// The time at now (a tick count), for what waits for it: a held-back key that has been down for
// the table's long-press delay is reported as a long press once, and counts as one from then on
// (its key-up reports nothing).
StreamStep FollowTime(KeyboardState& state, DWORD now, const BoundKeys& bound);

// Milliseconds from now until FollowTime has something to do: 0 when it has now, INFINITE while
// nothing waits for the time.
DWORD TimeToWait(const KeyboardState& state, DWORD now, const BoundKeys& bound);

// The oldest report not yet taken: true with it, false when none is left.
bool TakeReport(KeyboardState& state, KeyReport& report);

// Copies the queued events not yet sent into events and counts them as sent at tick count now;
// returns how many.
std::size_t NextReplay(KeyboardState& state, DWORD now, ReplayEvent (&events)[MaxReplayEvents]);

// The state after the hook was put back in place: the keys held stay as they were, so that a
// chord held across it keeps its code, a pending long press its report and a swallowed key its
// key-up; the modifiers are those down now (downNow, bits as ModifierVirtualKeys), since their
// key-ups may have passed meanwhile unseen, and those that only a marked event released.
void ResumeAfterReinstall(KeyboardState& state, ModifierKeys downNow);
