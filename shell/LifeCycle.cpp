#include "shell/LifeCycle.h"

#include "mapping/Config.h"
#include "shell/AppState.h"
#include "shell/ErrorReport.h"
#include "shell/HookLibrary.h"
#include "shell/MainWindow.h"
#include "util/WrapLines.h"

#include <windows.h>

namespace {

constexpr wchar_t AlreadyRunningText[] = L"Keyloft is already running so this instance will quit.";
constexpr wchar_t VendorRunningText[] = L"Exit ErgoMedia program before running Keyloft.";
constexpr char VendorTrayClass[] = "SYTRAY";
constexpr UINT WarningStyle = MB_OK | MB_ICONWARNING;

// The quit message that ended the loop would close the error report's box at once.
void DiscardQuitMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

} // namespace

int RunKeyloft() {
    LoadLeadBytes(CP_THREAD_ACP);
    try {
        if (!CanStart())
            return 0;
        StartUp();
        MessageLoop();
        // An error raised while a message was handled was parked by the window procedure.
        if (AppState.PendingError)
            std::rethrow_exception(AppState.PendingError);
    } catch (...) {
        // While the report is shown the window answers only its Help button.
        AppState.PendingError = std::current_exception();
        DiscardQuitMessages();
        ReportFatalError();
    }
    ShutDown();
    return 0;
}

bool CanStart() {
    const wchar_t* title = AppState.Title.c_str();
    // The handle is not closed: the process ends right after the warning.
    if (OpenMutexW(MUTEX_ALL_ACCESS, FALSE, title)) {
        MessageBoxW(nullptr, AlreadyRunningText, title, WarningStyle);
        return false;
    }
    if (FindWindowA(VendorTrayClass, nullptr)) {
        MessageBoxW(nullptr, VendorRunningText, title, WarningStyle);
        return false;
    }
    return true;
}

void StartUp() {
    AppState.ConfigPath = DeriveConfigPath();
    AppState.MainWindow = CreateMainWindow();
    LoadHookLibrary();
    LoadTrayIcons();
    AddTrayIcon(AppState.MainWindow);
    AppState.HookKeyboard(1, AppState.MainWindow);
}

void MessageLoop() {
    while (!AppState.Quitting) {
        // 0 is the quit message; -1 a failure that would repeat forever.
        if (GetMessageA(&AppState.LoopMessage, nullptr, 0, 0) <= 0)
            break;
        TranslateMessage(&AppState.LoopMessage);
        DispatchMessageA(&AppState.LoopMessage);
    }
}

void ShutDown() {
    AppState.Quitting = true;
    if (AppState.HookLibrary && AppState.HookKeyboard && AppState.MainWindow)
        AppState.HookKeyboard(0, AppState.MainWindow);
    if (AppState.TrayIconData.cbSize != 0) {
        Shell_NotifyIconW(NIM_DELETE, &AppState.TrayIconData);
        AppState.TrayIconData = NOTIFYICONDATAW{};
    }
    AppState.TrayRetry = TrayRetryRecord{}; // its timer goes with the window
    if (AppState.MainWindow) {
        DestroyWindow(AppState.MainWindow);
        AppState.MainWindow = nullptr;
    }
    UnregisterClassW(AppState.Title.c_str(), GetModuleHandleW(nullptr));
    if (AppState.HookLibrary) {
        FreeLibrary(AppState.HookLibrary);
        AppState.HookLibrary = nullptr;
    }
    AppState.HookKeyboard = nullptr;
    AppState.SystemSleepKeyProc = nullptr;
    if (AppState.InstanceMutex) {
        CloseHandle(AppState.InstanceMutex);
        AppState.InstanceMutex = nullptr;
    }
}

void Restart() {
    ShutDown();
    AppState.Quitting = false;
    StartUp();
}
