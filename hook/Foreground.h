// kbhook.dll's following of the window in front, for the pause: on the reader's thread, the
// program that owns that window is looked up once per change and the monitors' rectangles are
// kept; on the hook's thread, one cheap question tells whether the library stands aside for it.
#pragma once

#include "hook/Pause.h"

#include <windows.h>

// Monitors whose rectangles the full-screen test knows; a window on a monitor beyond them never
// counts as full-screen.
constexpr LONG MaxMonitors = 8;

// What the reader tells the hook about the window in front. Zero-filled with the reader's link.
// PauseForProgram: a program of PauseIn owns Foreground, the window in front as the reader last
// saw it; PauseFullScreen: that setting is on; ForegroundMayCover: Foreground is none of the
// desktop and the taskbar, which never count as full-screen; the monitors' rectangles, as the
// reader last saw them.
struct PauseLink {
    volatile bool PauseForProgram;
    volatile bool PauseFullScreen;
    HWND volatile Foreground;
    volatile bool ForegroundMayCover;
    RECT Monitors[MaxMonitors];
    volatile LONG MonitorCount;
};

// The reader's own hooks for the changes of the window in front.
struct ForegroundFollow {
    HWINEVENTHOOK ForegroundHook = nullptr;
    HWINEVENTHOOK FocusHook = nullptr;
};

// On the reader's thread after the settings changed: follows the window in front while a
// setting of the pause needs it, and only then, and looks at it now.
void UpdatePause(PauseLink& link, ForegroundFollow& follow, const PauseSettings& pause);

// On the reader's thread after its messages: looks at the window in front when it changed since
// the last look.
void FollowForeground(PauseLink& link, const PauseSettings& pause);

// Removes the reader's hooks.
void StopFollowing(ForegroundFollow& follow);

// On the hook's thread: true while the window in front pauses the library. No file, no wait: a
// flag, and with PauseFullScreen one query of the window's rectangle.
bool PausedByForeground(const PauseLink& link);
