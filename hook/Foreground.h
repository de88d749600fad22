// kbhook.dll's following of the window in front, for the pause. The reader's thread looks at
// that window, its program, its size and style and the monitors, and tells the hook's thread in
// one flag whether the library stands aside; the hook's thread reads flags.
//
// The system's events for these changes do not always come: Wine sends none for a window that
// takes the front, moves or changes its style, only the focus's move from one window of a thread
// to another and the creation of windows. So, while the desktop is in use (input, or any of
// these events, in the last FollowSpellMs) and a setting of the pause is on, the reader also
// looks every FollowPeriodMs; while the desktop is idle it sleeps, and input wakes it (see
// InputWake.h). A program may still bring another window to the front during an idle spell: the
// first key the hook would take after it asks which window is in front once, and stands aside
// for a window the reader has not seen when a listed program owns it.
#pragma once

#include "hook/Pause.h"

#include <windows.h>

constexpr DWORD FollowPeriodMs = 100;
constexpr DWORD FollowSpellMs = 5000;

// Processes of PauseIn's programs that the reader has seen in front, for the hook's question
// about a window it has not seen; the oldest make room for new ones.
constexpr long ListedProcessSlots = 8;

// What the reader tells the hook about the window in front. Zero-filled with the reader's link.
struct PauseLink {
    volatile bool Needed;     // a setting of the pause is on
    volatile bool Paused;     // the window in front, as the reader last saw it, pauses
    volatile bool Following;  // the reader looks again within FollowPeriodMs
    HWND volatile Foreground; // that window
    volatile DWORD ListedProcesses[ListedProcessSlots];
    HANDLE Wake; // auto reset: the hook found another window in front than the reader saw
};

// The reader's own state of the following.
struct ForegroundFollow {
    HWINEVENTHOOK FrontHooks[3] = {};   // the front, the focus and, under Wine, new windows
    HWINEVENTHOOK WindowHook = nullptr; // moves and state changes in the front window's process
    DWORD WindowProcess = 0;            // that process
    bool PauseForProgram = false;       // a program of PauseIn owns the window in front
    bool FrontIsShell = false;
    bool Following = false; // looking every FollowPeriodMs until FollowUntil
    DWORD FollowUntil = 0;
    DWORD NextLook = 0;
    DWORD LastInput = 0; // the desktop's latest input at the latest look
    LONG EventsSeen = 0; // of EventCount, at the latest look
    long NextListedSlot = 0;
    MonitorRects Monitors;
};

// On the reader's thread after the settings changed: follows the window in front while a
// setting of the pause needs it, and only then, and looks at it now.
void UpdatePause(PauseLink& link, ForegroundFollow& follow, const PauseSettings& pause);

// On the reader's thread after each wake-up: looks at the window in front when it is time to,
// or at once when input or an event woke an idle reader (input says so).
void FollowForeground(PauseLink& link, ForegroundFollow& follow, const PauseSettings& pause,
                      bool input);

// Milliseconds until the next look from now; INFINITE while the desktop is idle.
DWORD FollowWait(const ForegroundFollow& follow, DWORD now);

// True while the reader sleeps for an idle desktop and wants input to wake it.
bool FollowWantsInput(const PauseLink& link, const ForegroundFollow& follow);

// Removes the reader's hooks.
void StopFollowing(ForegroundFollow& follow);

// On the hook's thread: true while the window in front pauses the library. No file, no wait:
// flags, and after an idle spell one question for the window in front.
bool PausedByForeground(const PauseLink& link);
