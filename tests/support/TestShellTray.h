// A notification area of the test's own: a top-level window of class "Shell_TrayWnd", which
// Shell_NotifyIconW finds before the shell's and sends every icon call to as WM_COPYDATA. It
// writes each call down, so tests see an icon added again even where the shell itself would
// refuse a second add of an icon it already shows (Wine does). The window belongs to the thread
// that creates it, and that thread must pump messages while programs talk to it
// (PumpMessagesUntil), or their icon calls wait.
#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

struct TrayCall {
    DWORD Message = 0; // NIM_ADD, NIM_MODIFY, NIM_DELETE...
    HWND Window = nullptr;
    UINT Id = 0;
};

struct TestShellTray {
    TestShellTray();
    ~TestShellTray();
    TestShellTray(const TestShellTray&) = delete;
    TestShellTray& operator=(const TestShellTray&) = delete;

    // True when icon calls come here: this is the first "Shell_TrayWnd" window.
    bool Receives() const;
    // The calls of message for icon id; of any window when window is null.
    size_t Count(DWORD message, UINT id, HWND window = nullptr) const;

    HWND Window = nullptr;
    size_t RefusedAdds = 0;  // the next NIM_ADD calls to refuse, as a shell not yet ready
    mutable std::mutex Lock; // the calls are read from other threads too
    std::vector<TrayCall> Calls;
};

// The icon call that a WM_COPYDATA to the notification area carries; false when it is none.
// Wine sends the message as dwData and the icon's window and id first; Windows sends 1 as
// dwData and a record that starts with a signature and the message.
bool DecodeTrayCall(const COPYDATASTRUCT& data, TrayCall& call);
