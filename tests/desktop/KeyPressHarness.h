// What the key press tests share: a real configuration file in a temporary folder, a hidden
// window of their own that owns the double-press timer and hands its ticks to MainWindowProc,
// distinct tray images, and recorders in place of the two binding effects.
#pragma once

#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What each firing did, in order: the program of a command binding, or "scan:XX" for a key
// event, and the tray image shown at that moment.
struct FiringRecord {
    std::vector<std::wstring> What;
    std::vector<HICON> IconShown;
    // Called after each firing is recorded, with its text: lets a test act from inside a firing.
    std::function<void(const std::wstring&)> OnFire;
};
extern FiringRecord Firings;

// Ticks of timer 1 that reached the test window (counted before they are handed on).
extern int TimerTicksSeen;

// Writes the configuration file as 8-bit text: "[Keyloft]" and then the lines. Every write
// gets a write time of its own, later than the last one: Wine keeps a parsed copy of the file
// for as long as its write time is unchanged, and the file system's clock is coarser than the
// pace at which the tests rewrite it.
void WriteKeyloftIni(const std::wstring& path, const std::vector<std::wstring>& lines);

// A hidden window of the test's own class: it counts the ticks of timer 1 and hands every tick
// to MainWindowProc.
HWND CreateTestWindow();
// Brings a visible window of the same class to the foreground and returns it. The window is
// made once and kept for the whole test program: under Wine hiding or destroying the window
// that has the focus takes two seconds.
HWND BringOwnWindowToFront();
// Hides that window, which leaves no window in the foreground.
void LeaveNoWindowInFront();

// What owns timer 1 on the test window, told by the first tick that arrives.
enum class TimerOwner { None, Marker, Program };
const char* TimerOwnerName(TimerOwner owner);

// Counts the message boxes that appear in this process while it runs, and closes each.
struct BoxWatcher {
    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;
    // Stops watching and returns how many boxes appeared.
    int Stop();

    HANDLE Thread = nullptr;
    volatile LONG Stopping = 0;
    volatile LONG Seen = 0;
};

class KeyPressDesk : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Rewrites the test's configuration file.
    void Config(const std::vector<std::wstring>& lines) { WriteKeyloftIni(IniPath, lines); }
    // One key press straight into HandleKeyPress.
    void Press(std::int32_t code);
    // One key message through the window procedure: sleep key, filter, then HandleKeyPress.
    void KeyMessage(std::int32_t code, std::int32_t secondValue = 0);
    // One tick of the double-press timer through the window procedure.
    void Tick();
    // Starts timer 1 on the test window with a timer procedure of the test's own, so that a
    // later tick tells whether the program left it running or replaced it.
    void StartMarkerTimer();
    // Waits (up to a generous limit) for the next tick of timer 1 without dispatching it, tells
    // whose timer it was, and stops the timer.
    TimerOwner ObserveTimer(DWORD limitMs = 3000);
    // Is timer 1 running? Stops it.
    bool StopTimer();
    // Dispatches messages for ms milliseconds.
    void Pump(DWORD ms);
    // Dispatches messages until a tick of timer 1 has reached the window (or limitMs pass).
    bool PumpUntilTick(DWORD limitMs = 5000);

    TempFolder Folder;
    std::wstring IniPath;
    HWND Window = nullptr;
    HICON MainImage = nullptr;
    HICON OppositeImage = nullptr;
    HICON OtherImage = nullptr;
};
