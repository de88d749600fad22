// The one program-wide state record. Everything the program holds between messages lives here.
#pragma once

#include "shell/TrayRetry.h"
#include "util/HookContract.h"

#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <string>

struct AppStateRecord {
    // Names the instance mutex, the window class and the window; captions every box; tray tip.
    const std::wstring Title = L"Keyloft keyboard mapper / 23.01.2015";

    bool ReportMode = false;      // keys are shown in a report instead of fired
    bool Quitting = false;        // set by ShutDown and the right double-click; ends the loop
    volatile LONG PendingKey = 0; // key whose single-press binding waits; 0 is none

    std::wstring ConfigPath; // the executable's path with ".ini"
    HANDLE InstanceMutex = nullptr;
    HWND MainWindow = nullptr;

    std::wstring HookLibraryPath; // the candidate under which kbhook.dll was found
    HMODULE HookLibrary = nullptr;
    HookKeyboardEntry HookKeyboard = nullptr;
    SystemSleepKeyEntry SystemSleepKeyProc = nullptr;

    HICON MainIcon = nullptr;
    HICON OppositeIcon = nullptr;
    HICON GrayIcon = nullptr;
    NOTIFYICONDATAW TrayIconData{}; // used in its first-version layout (152 bytes)
    TrayRetryRecord TrayRetry;      // while the shell refuses the icon

    MSG LoopMessage{};

    // An error raised while a message was handled. It cannot unwind through the system's
    // dispatch, so the window procedure parks it here and the program entry raises it again.
    std::exception_ptr PendingError;
    // Registered "TaskbarCreated" message: the shell restarted and the tray icon must come back.
    UINT TaskbarCreatedMessage = 0;
};

extern AppStateRecord AppState;
