// kbhook.dll's pause, without any platform call that acts: the programs in front of which it
// stands aside (PauseIn) and whether a full-screen window makes it stand aside (PauseFullScreen),
// both read from section Keyloft with the bindings, and what counts as a window that covers its
// monitor. Used by the library's reader and by the checker, so that both read the lines alike.
#pragma once

#include <windows.h>

#include <cstddef>

struct PauseSettings {
    // PauseIn's names, each with its terminator, and an empty one after the last; none when
    // PauseIn is absent or names nothing. Memory from the process heap.
    wchar_t* Names = nullptr;
    bool FullScreen = false;
};

// The next name of a PauseIn value of length characters from position at: the text up to the
// next comma without the blanks around it; empty names are passed over. False at the end.
bool NextPauseName(const wchar_t* value, std::size_t length, std::size_t& at, const wchar_t*& name,
                   std::size_t& nameLength);

// True when a PauseFullScreen value pauses: any value but an empty one or 0.
bool PausesFullScreen(const wchar_t* value, std::size_t length);

// The settings of the first PauseIn and PauseFullScreen entries of a section list, as the
// profile reader gives their values (see BoundKeysOfSection for the list). False when memory
// runs out; settings are then left as they were.
bool PauseSettingsOfSection(const wchar_t* list, std::size_t length, bool cut,
                            PauseSettings& settings);

// Gives the names' memory back; the settings are off afterwards.
void FreePauseSettings(PauseSettings& settings);

// True when the file name of path (after its last "\" or "/") is one of the names, in any
// letter case.
bool ProgramListed(const PauseSettings& settings, const wchar_t* path);

// True when a window's rectangle covers the whole of one of count monitors' rectangles.
bool CoversAnyMonitor(const RECT& window, const RECT* monitors, long count);

// Monitors whose rectangles the full-screen test knows; a window on a monitor beyond them never
// counts as full-screen.
constexpr long MaxMonitors = 8;
struct MonitorRects {
    RECT Rects[MaxMonitors] = {};
    long Count = 0;
};

// What the full-screen test knows of the window in front.
struct FrontWindowFacts {
    RECT Rect = {};
    LONG Style = 0;     // GWL_STYLE
    bool Shell = false; // the desktop or the taskbar
};

// True when the window in front counts as full-screen: it covers one of the monitors and is
// neither the shell's nor a window with a caption or a sizing border. A maximized window with
// its invisible borders covers its monitor too when the taskbar hides itself, and it is no game.
bool CountsAsFullScreen(const FrontWindowFacts& window, const MonitorRects& monitors);
