#include "shell/MainWindow.h"

#include "mapping/Binding.h"
#include "mapping/KeyPress.h"
#include "shell/AppState.h"
#include "shell/LifeCycle.h"
#include "util/Error.h"
#include "util/TrayIcon.h"
#include "util/Utils.h"

#include <shellapi.h>

const char* const HomepageUrl = "http://keyloft.example.org/";

namespace {

constexpr UINT TrayIconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr int TrayTipChars = 63; // the tip field holds 64 units with its terminating zero

HINSTANCE ProgramInstance() {
    return GetModuleHandleW(nullptr);
}

void OpenHomepage() {
    ShellExecuteA(nullptr, "", HomepageUrl, "", "", SW_SHOWNORMAL);
}

// Adds the icon as the record holds it now, so that an image changed while the icon was missing
// comes with it. The first refusal starts the retries; the add that the shell takes ends them.
void OfferTrayIcon(HWND window) {
    const bool added = Shell_NotifyIconW(NIM_ADD, &AppState.TrayIconData) != FALSE;
    TrayRetryRecord& retry = AppState.TrayRetry;
    switch (StepAfterTrayAdd(retry, added)) {
    case TrayRetryStep::Start:
        retry.Ticks = 0;
        retry.Running = SetTimer(window, TrayRetryTimer, TrayRetryIntervalMs, nullptr) != 0;
        break;
    case TrayRetryStep::Stop:
        KillTimer(window, TrayRetryTimer);
        retry = TrayRetryRecord{};
        break;
    case TrayRetryStep::Keep:
        break;
    }
}

void OnTimer(HWND window, UINT_PTR timer) {
    if (AppState.Quitting)
        return;
    if (timer == DoublePressTimer) {
        DoublePressTick();
    } else if (timer == RestartTimer) {
        // One right click, one restart: stop the timer first, then restart as a power
        // broadcast would.
        KillTimer(window, RestartTimer);
        MainWindowProc(window, WM_POWERBROADCAST, 0, 0);
    } else if (timer == TrayRetryTimer && AppState.TrayRetry.Running) {
        ++AppState.TrayRetry.Ticks;
        OfferTrayIcon(window);
    }
}

void OnTrayNotification(HWND window, LPARAM mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONUP:
        AppState.ReportMode = !AppState.ReportMode;
        SetTrayIcon(AppState.TrayIconData,
                    AppState.ReportMode ? AppState.GrayIcon : AppState.MainIcon);
        break;
    case WM_LBUTTONDBLCLK:
        ShellExecuteW(nullptr, L"", AppState.ConfigPath.c_str(), L"", CurrentDirectory().c_str(),
                      SW_SHOWNORMAL);
        break;
    case WM_RBUTTONUP:
        SetTimer(window, RestartTimer, RestartDelayMs, nullptr);
        break;
    case WM_RBUTTONDBLCLK:
        AppState.Quitting = true;
        PostQuitMessage(0);
        break;
    default:
        break;
    }
}

void OnSleepKeyMessage(WPARAM wParam, LPARAM lParam) {
    // Only a stray sender can reach this before the library is bound.
    if (AppState.SystemSleepKeyProc)
        AppState.SystemSleepKeyProc(wParam, lParam);
}

// The dispatch itself. Returns false for a message the window leaves to the default handling.
bool DispatchMessageOfWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // After an error ended the program's work, only the report's Help button is answered.
    const bool active = !AppState.PendingError;
    switch (message) {
    case WM_HELP:
        OpenHomepage();
        return true;
    case WM_TIMER:
        if (active)
            OnTimer(window, wParam);
        return true;
    case WM_POWERBROADCAST:
        if (active)
            Restart();
        return true;
    case TrayCallbackMessage:
        if (active)
            OnTrayNotification(window, lParam);
        return true;
    case HookKeyMessage:
        if (active)
            FilterKeyMessage(static_cast<std::int32_t>(wParam), static_cast<std::int32_t>(lParam));
        return true;
    case SleepKeyMessage:
        if (active)
            OnSleepKeyMessage(wParam, lParam);
        return true;
    default:
        // The shell restarted (Explorer): put the icon back, or the program is unreachable.
        if (message != 0 && message == AppState.TaskbarCreatedMessage) {
            if (active && AppState.TrayIconData.cbSize != 0)
                OfferTrayIcon(window);
            return true;
        }
        return false;
    }
}

} // namespace

HWND CreateMainWindow() {
    const wchar_t* title = AppState.Title.c_str();
    AppState.InstanceMutex = CreateMutexW(nullptr, TRUE, title);
    if (!AppState.InstanceMutex)
        RaiseError("Cannot create named mutex '%s'.", AppState.Title);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = ProgramInstance();
    windowClass.lpszClassName = title;
    if (!RegisterClassW(&windowClass))
        RaiseError("Cannot register window class %s.", AppState.Title);

    AppState.TaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    HWND window = CreateWindowExW(0, title, title, 0, 0, 0, 0, 0, nullptr, nullptr,
                                  ProgramInstance(), nullptr);
    if (!window)
        RaiseError("Cannot create main window %s.", AppState.Title);
    return window;
}

void LoadTrayIcons() {
    AppState.MainIcon = LoadIconA(ProgramInstance(), "MAINICON");
    AppState.OppositeIcon = LoadIconA(ProgramInstance(), "zOPPOSITE");
    AppState.GrayIcon = LoadIconA(ProgramInstance(), "zGRAY");
}

void AddTrayIcon(HWND window) {
    NOTIFYICONDATAW& data = AppState.TrayIconData;
    data = NOTIFYICONDATAW{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.uID = TrayIconId;
    data.hWnd = window;
    data.uFlags = TrayIconFlags;
    data.hIcon = AppState.MainIcon;
    data.uCallbackMessage = TrayCallbackMessage;
    const int length = Min(static_cast<int>(AppState.Title.size()), TrayTipChars);
    AppState.Title.copy(data.szTip, length);
    data.szTip[length] = L'\0';
    OfferTrayIcon(window);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // No C++ error may unwind into the system's dispatch: park it, end every loop, and let the
    // program entry report it.
    try {
        if (DispatchMessageOfWindow(window, message, wParam, lParam))
            return 0;
    } catch (...) {
        if (!AppState.PendingError)
            AppState.PendingError = std::current_exception();
        AppState.Quitting = true;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
