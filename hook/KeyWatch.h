// kbhook.dll's decisions over the stream of events, without any platform call: the modifiers
// and keys held, which key-downs are auto-repeats, when a key whose long press is bound is
// decided, which keys act as others, and which events the library injects and in what order.
//
// What the applications see is what the user holds, in the order typed, with each key that acts
// as another replaced by what it acts as for exactly as long as it is held. Three mechanisms keep
// that promise:
// - Every key is decided once, at its key-down (HeldKey): its repeats and its key-up follow that
//   decision whatever the modifiers, the table or a reload do meanwhile.
// - A key whose long press is bound waits for its decision (its release, HoldDelay, or for a key
//   that holds as another, a key pressed and released meanwhile). While it waits, every later
//   event of the user is held back in order (PendingEvents) and decided after it, as if it came
//   then: nothing overtakes the waiting key, and modifiers pressed meanwhile apply to the keys
//   after them only.
// - Everything the library injects (a press given back, a stroke, the masking key, and held-back
//   keys that pass) goes through one queue (ReplayQueue), and a key of the user that passes while
//   injected events are on their way is queued behind them instead.
#pragma once

#include "hook/HeldKeys.h"
#include "hook/HookKeys.h"
#include "hook/KeyOutput.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The events of the user held back, oldest first, while a key waits for its decision or the
// queue above has too little room for what deciding them may inject. A wait holds at most this
// many; when it would hold more, the waiting key is decided as a tap.
constexpr std::size_t MaxPendingEvents = 48;
struct PendingEvents {
    KeyEvent Events[MaxPendingEvents] = {};
    std::size_t Count = 0;
};

// Everything the hook knows of the keyboard between two events.
struct KeyboardState {
    ModifierKeys Modifiers = 0; // the modifier keys physically down
    // Of those, the ones that a marked event released since: the system counts them as up, and
    // they are not dropped as stale for it until the system has counted them up for a lapse.
    ModifierKeys MarkedUp = 0;
    DWORD ModifierTimes[8] = {}; // per modifier: its latest key-down, or its marked release
    // How long a held key goes without a repeat before its key-up counts as missed: the system's
    // repeat delay and a margin (see RepeatLapseOf); 0 stands for HeldKeyLapseMs.
    DWORD RepeatLapseMs = 0;
    HeldKeys Held;
    // One more than the place of the key that waits for its decision; 0 while none waits. (All
    // of the state is zero at first, so that the library's state record costs no file size.)
    std::size_t WaitingAt = 0;
    PendingEvents Pending;
    ReplayQueue Replay;
    ReportQueue Reports;
    // Per wheel (vertical, horizontal): the turn towards the next notch of a wheel of finer steps
    // than WHEEL_DELTA, in the direction of its sign (see MouseWatch.h).
    int WheelRest[2] = {};
};

// What the caller does after one step of the stream (an event or the time).
struct StreamStep {
    bool Swallow = false;     // the event goes no further: the hook returns 1
    bool Inject = false;      // events were queued to inject: send what NextReplay gives
    bool Report = false;      // reports were queued: post what TakeReport gives
    bool TimerChange = false; // TimeToWait may give another answer
};

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
// KeyloftSend's or its own, injected ones without a virtual key (a key event of a binding),
// characters that a program types (VK_PACKET), and the Ctrl that Windows sends before AltGr.
bool IsAsideEvent(const KeyEvent& event);

// Takes one event into the modifiers held, the way codes are computed: the modifiers are the keys
// physically down, which marked events do not change; at a key-down, a modifier that the system
// counts as up (the KeyState question) is dropped when no marked event released it (the hook
// never saw its release: the secure desktop of Ctrl+Alt+Delete takes it), or when a marked event
// released it and it has not been pressed again for the repeat lapse. True for a key event of
// the user's own that is not a modifier key, with its code: the key and the modifiers down at
// this moment, those of keys that act as modifiers included.
bool FollowModifiers(KeyboardState& state, const KeyEvent& event, const KeyQuestions& questions,
                     std::uint32_t& code);

// One event of the stream. Events that IsAsideEvent names pass on untouched; an event without a
// scan code takes its key's from the key table, and one the table does not know passes on
// untouched. StandsAside is asked only at a new key-down that would be reported or swallowed;
// KeyState as for FollowModifiers, and a key the system already counts as down is passed on.
StreamStep FollowKeyEvent(KeyboardState& state, const KeyEvent& event, const BoundKeys& bound,
                          const KeyQuestions& questions);

// The time at now (a tick count), for what waits for it: a waiting key that has been down for
// the table's long-press delay is decided as held, and injected events that did not come back in
// time stop holding back the user's.
StreamStep FollowTime(KeyboardState& state, DWORD now, const BoundKeys& bound,
                      const KeyQuestions& questions);

// Milliseconds from now until FollowTime has something to do: 0 when it has now, INFINITE while
// nothing waits for the time.
DWORD TimeToWait(const KeyboardState& state, DWORD now, const BoundKeys& bound);

// The oldest report not yet taken: true with it, false when none is left.
bool TakeReport(KeyboardState& state, KeyReport& report);

// Copies the queued events not yet sent into events and counts them as sent at tick count now;
// returns how many.
std::size_t NextReplay(KeyboardState& state, DWORD now, ReplayEvent (&events)[MaxReplayEvents]);

// The state after the hook was put back in place: the keys held stay as they were, so that a
// chord held across it keeps its code, a waiting key its decision and a swallowed key its
// key-up; the modifiers are those down now (downNow, bits as ModifierVirtualKeys), since their
// key-ups may have passed meanwhile unseen, and those that only a marked event released.
void ResumeAfterReinstall(KeyboardState& state, ModifierKeys downNow);

// Before the hook goes away for good: queues what the applications must still receive so that
// no key stays down for them: a waiting key's own press gives its key-down back (its key-up will
// pass on by itself), the held-back events follow as they would have been decided, and every key
// acting as another releases what it holds down and presses again the modifiers it released.
// Then NextReplay.
void FinishAtStop(KeyboardState& state, const BoundKeys& bound);

// The lapse after which a held key's key-up counts as missed in this state (RepeatLapseMs, or
// HeldKeyLapseMs when the system's delay is not known).
DWORD RepeatLapse(const KeyboardState& state);

// The lapse after which a held key's key-up counts as missed, from the system's repeat delay in
// milliseconds: the delay and a margin, never less than HeldKeyLapseMs.
DWORD RepeatLapseOf(DWORD repeatDelayMs);

// For the mouse's buttons and wheel, which take the decision's path only when they are bound (see
// MouseWatch.h): the code bits of the modifiers that the user's next event counts, those of the
// events held back included; and whether the state knows a key (held, or with an event held back),
// so that its release follows its press.
std::uint32_t ModifierBitsNow(const KeyboardState& state);
bool KnowsKey(const KeyboardState& state, std::uint32_t key);
