// KeyloftStop: ends a running Keyloft.exe the way its tray icon's right double-click does, so
// that it removes its tray icon and stops its hook library before it ends. Used by
// `scripts/run.sh stop`. It says "Keyloft stopped." only once the process has ended. Exit
// status: 0 when Keyloft ended, 1 when it could not be made to end (the line says why), 3 when
// none runs.
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "util/ErrorText.h"
#include "util/TextCodec.h"
#include "util/Utils.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD EndWaitMs = 10000;
constexpr int Stopped = 0;
constexpr int NotStopped = 1;
constexpr int NotRunning = 3;

// Scope guard of a process handle.
struct ProcessHandle {
    HANDLE Handle;
    ~ProcessHandle() {
        if (Handle)
            CloseHandle(Handle);
    }
};

// One line of output; the system's reason for the failure of the last call is added in
// brackets.
int Say(const std::wstring& line, int status, bool withReason = false) {
    std::wstring text = line;
    if (withReason) {
        const DWORD code = GetLastError();
        std::wstring reason;
        SystemErrorText(code, reason);
        text += L" (" + (reason.empty() ? std::wstring(L"error") : reason) + L", code " +
                DecimalText(static_cast<std::int32_t>(code)) + L")";
    }
    std::puts(ToAnsi(text + L".").c_str());
    return status;
}

} // namespace

int wmain() {
    const HWND window = FindWindowW(AppState.Title.c_str(), AppState.Title.c_str());
    if (!window)
        return NotRunning; // the script says so once, whichever flavours it asked

    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    // Opened before the request, so that the end of this very process is what is waited for.
    const ProcessHandle process{OpenProcess(SYNCHRONIZE, FALSE, processId)};
    if (!process.Handle)
        return Say(L"Keyloft was not stopped: its process cannot be opened", NotStopped, true);
    if (!PostMessageW(window, TrayCallbackMessage, TrayIconId, WM_RBUTTONDBLCLK))
        return Say(L"Keyloft was not stopped: it cannot be asked to end", NotStopped, true);
    switch (WaitForSingleObject(process.Handle, EndWaitMs)) {
    case WAIT_OBJECT_0:
        return Say(L"Keyloft stopped", Stopped);
    case WAIT_TIMEOUT:
        return Say(L"Keyloft was asked to end but still runs after ten seconds", NotStopped);
    default:
        return Say(L"Keyloft was asked to end, but its end cannot be awaited", NotStopped, true);
    }
}
