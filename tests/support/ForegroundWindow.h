// A small visible window of the test's own, brought to the foreground, so that the program's
// "does a window have the focus" test passes. Under Xvfb no window has the focus after a
// message box has closed, so tests call Activate() again before each key message.
#pragma once

#include <windows.h>

#include <functional>

struct ForegroundWindow {
    ForegroundWindow();
    ~ForegroundWindow();
    ForegroundWindow(const ForegroundWindow&) = delete;
    ForegroundWindow& operator=(const ForegroundWindow&) = delete;

    // Brings the window to the foreground; true when GetForegroundWindow() then reports it.
    bool Activate();

    HWND Window = nullptr;
};

// Dispatches the calling thread's messages for about ms milliseconds.
void PumpMessagesFor(DWORD ms);
// Dispatches the calling thread's messages until done() holds or timeoutMs have passed; true
// when done() held. A thread whose windows other processes send to waits this way.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);
