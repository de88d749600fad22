// What kbhook.dll's decision gives the library to do, in order: the events it injects and the
// reports it posts.
#pragma once

#include "hook/HeldKeys.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// A key event that the library injects, marked: the masking key, a press given back, a stroke, or
// a key of the user that has to follow injected ones.
struct ReplayEvent {
    DWORD VirtualKey = 0;
    DWORD ScanCode = 0;
    DWORD Flags = 0; // LLKHF_EXTENDED and LLKHF_UP; MouseEventFlag: the mouse's (MouseInputOf)
};

// The events to inject, in order: those handed to the system (and not yet seen back by the hook)
// first, then those still to send. While any is queued, every key of the user that passes on is
// queued behind them instead, so that no key overtakes an injected one.
constexpr std::size_t MaxReplayEvents = 128;
struct ReplayQueue {
    ReplayEvent Events[MaxReplayEvents] = {};
    std::size_t Count = 0;
    std::size_t Sent = 0;
    DWORD SentTime = 0; // tick count of the latest send
};

// Injected events come back through the hook within milliseconds; ones not seen back after this
// long never will (the system refused them, or the hook was reinstalled meanwhile).
constexpr DWORD ReplayLapseMs = 1000;

// The room the queue keeps for what deciding one event of the user may inject (a stroke with the
// chord's modifiers released and pressed again, the masking key), so that no event held back is
// ever lost for want of room.
constexpr std::size_t ReplayRoomPerEvent = 2 * MaxActingKeys + 2 * ModifierKeyCount + 2;

// A report for the window: HookKeyMessage with the code and the virtual key.
struct KeyReport {
    std::uint32_t Code = 0;
    DWORD VirtualKey = 0;
};

// The reports not yet taken, oldest first: one per event that one step may decide, and more.
constexpr std::size_t MaxReports = 64;
struct ReportQueue {
    KeyReport Reports[MaxReports] = {};
    std::size_t Count = 0;
};

// Alt and RAlt, Win and RWin: their lone release opens a menu, unless the masking key came
// between.
constexpr ModifierKeys AltOrWinKeys = 0xF0;

// Queues one event; false when the queue is full. The release of a wheel notch queues nothing.
bool Enqueue(ReplayQueue& queue, DWORD virtualKey, DWORD scanCode, DWORD flags);

// Queues a key's down (or up) as it is sent in the place of another.
bool EnqueueSentKey(ReplayQueue& queue, const SentKey& key, bool up);

// Queues the masking key's press, down and up, or nothing when both do not fit.
bool EnqueueMask(ReplayQueue& queue);

// Queues the release (or the press again) of the modifiers in keys, in the order of the modifier
// table, with the masking key first when Alt or Win is released.
void EnqueueModifiers(ReplayQueue& queue, ModifierKeys keys, bool up);

// True when the queue has room for what deciding one more event may inject.
bool HasRoomForOneEvent(const ReplayQueue& queue);

// Drops the events sent that have not come back within ReplayLapseMs by time.
void DropLapsed(ReplayQueue& queue, DWORD time);

// A marked event that is the next one the library sent has come back: it no longer holds up the
// user's keys. Others (KeyloftSend's) leave the queue alone.
void NoteReplayed(ReplayQueue& queue, const KeyEvent& event);

// Queues a report; one that finds the queue full is dropped.
void QueueReport(ReportQueue& queue, std::uint32_t code, DWORD virtualKey);
