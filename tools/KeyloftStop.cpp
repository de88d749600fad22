// KeyloftStop: ends a running Keyloft.exe the way its tray icon's right double-click does, so
// that it removes its tray icon and stops its hook library before it ends. Used by
// `scripts/run.sh stop`. Exit status: 0 when Keyloft ended, 1 when none runs, 2 when it did not
// end within ten seconds.
#include "shell/AppState.h"
#include "shell/MainWindow.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr DWORD EndWaitMs = 10000;

// Scope guard of a process handle.
struct ProcessHandle {
    HANDLE Handle;
    ~ProcessHandle() {
        if (Handle)
            CloseHandle(Handle);
    }
};

} // namespace

int wmain() {
    const HWND window = FindWindowW(AppState.Title.c_str(), AppState.Title.c_str());
    if (!window)
        return 1; // the script says so once, whichever flavours it asked

    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const ProcessHandle process{OpenProcess(SYNCHRONIZE, FALSE, processId)};
    PostMessageW(window, TrayCallbackMessage, TrayIconId, WM_RBUTTONDBLCLK);
    if (process.Handle && WaitForSingleObject(process.Handle, EndWaitMs) != WAIT_OBJECT_0) {
        std::puts("Keyloft did not end within ten seconds.");
        return 2;
    }
    std::puts("Keyloft stopped.");
    return 0;
}
