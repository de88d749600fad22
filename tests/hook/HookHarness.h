// Drives kbhook.dll inside the test process: loads it from the bin folder, gives it windows,
// injects keys with SendInput and records what the library reports, what a low-level hook
// installed before it sees, and what the focused window receives.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using HookKeyboardFn = LONG(WINAPI*)(LONG start, HWND window);
using SystemSleepKeyFn = LONG(WINAPI*)(WPARAM wParam, LPARAM lParam);

struct InjectedKey {
    WORD VirtualKey;
    WORD ScanCode;
    bool Extended;
};

constexpr InjectedKey MailKey{VK_LAUNCH_MAIL, 0x6C, true};
constexpr InjectedKey SleepKey{VK_SLEEP, 0x5F, true};
constexpr InjectedKey F13Key{VK_F13, 0x64, false};
constexpr InjectedKey F14Key{VK_F14, 0x65, false};
constexpr InjectedKey LetterAKey{'A', 0x1E, false};
constexpr InjectedKey CapsLockKey{VK_CAPITAL, 0x3A, false};
constexpr InjectedKey LeftCtrlKey{VK_LCONTROL, 0x1D, false};
constexpr InjectedKey LeftAltKey{VK_LMENU, 0x38, false};
// Pressed after the keys under test: once its release has come through, every earlier event
// has passed the hooks. Not an extra key, so the library never reports it.
constexpr InjectedKey SyncKey{VK_F12, 0x58, false};

struct ObservedEvent {
    WPARAM Message;
    DWORD VirtualKey;
    DWORD ScanCode;
    DWORD Flags;
    ULONG_PTR ExtraInfo;
};

struct ReceivedMessage {
    HWND Window;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};

// Everything recorded since the last ClearRecords.
struct HookRecords {
    std::vector<ObservedEvent> Observed;  // seen by the observer hook
    std::vector<ReceivedMessage> Reports; // HookKeyMessage posts, to any window
    std::vector<ReceivedMessage> Keys;    // WM_KEYDOWN / WM_KEYUP of the test windows
};

extern HookRecords Records;
void ClearRecords();

// kbhook.dll of the bin folder, loaded for the guard's lifetime and bound by plain names.
struct LoadedHookLibrary {
    LoadedHookLibrary();
    ~LoadedHookLibrary();
    LoadedHookLibrary(const LoadedHookLibrary&) = delete;
    LoadedHookLibrary& operator=(const LoadedHookLibrary&) = delete;
    void Release(); // frees the library now

    HMODULE Module = nullptr;
    HookKeyboardFn HookKeyboard = nullptr;
    SystemSleepKeyFn SystemSleepKeyProc = nullptr;
};

// A low-level keyboard hook that records every event it is given and passes it on.
struct ObserverHook {
    ObserverHook();
    ~ObserverHook();
    ObserverHook(const ObserverHook&) = delete;
    ObserverHook& operator=(const ObserverHook&) = delete;
    HHOOK Hook = nullptr;
};

// A top-level window of the tests' own class; visible ones are brought to the foreground.
struct TestWindow {
    explicit TestWindow(bool visible);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND Window = nullptr;
};

// True when window is the foreground window and has the keyboard focus.
bool BringToForeground(HWND window);

// Injects one key event.
void SendKey(const InjectedKey& key, bool release);
// Injects a key-down and its key-up.
void PressKey(const InjectedKey& key);

// Handles the thread's messages for about milliseconds, recording as it goes.
void PumpFor(DWORD milliseconds);
// Presses SyncKey and handles messages until its release has reached the observer hook and,
// when focus is given, that window. False when that takes more than five seconds.
bool SyncInput(HWND focus = nullptr);

// Recorded events of one key: what the observer hook saw, and key messages a window received.
std::vector<ObservedEvent> ObservedOf(const InjectedKey& key);
std::vector<ReceivedMessage> KeysOf(const InjectedKey& key, HWND window);
std::vector<ReceivedMessage> ReportsTo(HWND window);
// The codes (wParam) of the reports to window, in order.
std::vector<WPARAM> ReportedCodes(HWND window);
// The place of the first recorded event of virtualKey with message, or -1.
int ObservedAt(DWORD virtualKey, WPARAM message);

// The test program's own configuration file (its path with ".ini"), written by the test and
// removed by the guard.
struct ConfigFileGuard {
    ConfigFileGuard();
    ~ConfigFileGuard();
    ConfigFileGuard(const ConfigFileGuard&) = delete;
    ConfigFileGuard& operator=(const ConfigFileGuard&) = delete;
    // Writes the file and moves its last-write time forward, so that the library's look at its
    // stamp notices the change even on a file system with a coarse clock.
    void Write(const std::string& text);
    void Remove();
    std::wstring Path;
    int Writes = 0;
};

// The setting of every test here: no configuration file at first, an observer hook installed
// before the library's (low-level hooks are called newest first, so the library decides before
// the observer sees anything), the library loaded, a hidden window for its reports and a
// visible one with the keyboard focus.
struct LiveHookTest : ::testing::Test {
    ConfigFileGuard Config;
    ObserverHook Observer;
    LoadedHookLibrary Library;
    TestWindow ReportWindow{false};
    TestWindow Focus{true};

    void SetUp() override;
    // Presses key, then the sync key, and collects what happened.
    void PressAndSync(const InjectedKey& key);
};

// Replaces the library's import of SetWindowsHookExW with one that keeps the latest hook it
// installs and counts how often the procedure of that hook was installed, so that a test can
// remove the hook behind the library's back as the system does. False when the library imports
// no such function.
bool SpyOnHookInstalls(HMODULE library);
int HookInstallsSeen();
HHOOK LatestInstalledHook();
// Makes the library's next pass-on of an event take ms longer and removes its hook meanwhile
// (the latest that SpyOnHookInstalls saw), as the system does with a hook whose call ran long;
// the install after that fails. False when the library imports no such function.
bool SlowNextPassOn(HMODULE library, DWORD ms);

// The mouse hook apart, which the spy sees go as well: true while the library's is in place.
bool MouseHookInPlace();

// Handles messages until done() holds or five seconds pass.
template <typename Done> bool PumpUntil(Done done) {
    for (int wait = 0; wait < 50 && !done(); ++wait)
        PumpFor(100);
    return done();
}

// Makes the library's reads of the configuration wait, as a read of a file on a network share
// that stops answering does: they wait from Hold until Release (or the guard's end).
struct ReadHold {
    ReadHold();
    ~ReadHold();
    ReadHold(const ReadHold&) = delete;
    ReadHold& operator=(const ReadHold&) = delete;
    // Sends the library's reads through the hold; false when it imports no such function.
    bool Patch(HMODULE library);
    void Hold();
    void Release();
    int Waiting() const; // reads waiting now
};
