#include "mapping/KeyPress.h"

#include "mapping/Binding.h"
#include "mapping/Config.h"
#include "mapping/KeyReport.h"
#include "shell/AppState.h"
#include "util/Settings.h"
#include "util/TrayIcon.h"
#include "util/Wine.h"

#include <windows.h>

namespace {

// Is Keyloft's process in the session attached to the physical console?
// Wine answers the session questions with fixed stubs that never agree, so there the test would
// drop every key; it cannot tell anything and counts as passed.
bool InConsoleSession() {
    if (RunsUnderWine())
        return true;
    DWORD session = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session))
        return true;
    return session == WTSGetActiveConsoleSessionId();
}

std::int32_t RepeatDelay() {
    std::int32_t delay = 0;
    if (!ParseInteger(ReadSetting(RepeatDelaySetting, L""), delay))
        delay = DefaultRepeatDelayMs;
    return delay;
}

} // namespace

void FilterKeyMessage(std::int32_t code, std::int32_t secondValue) {
    if (code == static_cast<std::int32_t>(SleepKeyCode)) {
        if (AppState.SystemSleepKeyProc)
            AppState.SystemSleepKeyProc(0, 0);
        return;
    }
    if (ReadSetting(OnlyActiveUserSetting, DefaultOnlyActiveUser).empty())
        return;
    if (!GetForegroundWindow())
        return;
    HandleKeyPress(code, secondValue);
}

void HandleKeyPress(std::int32_t code, std::int32_t secondValue) {
    if (!InConsoleSession())
        return;
    if (AppState.ReportMode) {
        ShowKeyReport(code, secondValue);
        return;
    }
    SetTrayIcon(AppState.TrayIconData, AppState.TrayIconData.hIcon == AppState.MainIcon
                                           ? AppState.OppositeIcon
                                           : AppState.MainIcon);
    volatile LONG pressed = code;
    if (AppState.PendingKey != 0) {
        if (AppState.PendingKey == code)
            FireBinding(pressed, L"+"); // a double press; the waiting key is consumed with it
        else
            FireBinding(AppState.PendingKey, L""); // another key ends the wait
    }
    AppState.PendingKey = pressed;
    if (ReadSetting(KeyText(AppState.PendingKey) + L"+", L"").empty()) {
        FireBinding(AppState.PendingKey, L"");
        return;
    }
    // The key has a double-press binding: wait for a second press, from now.
    KillTimer(AppState.MainWindow, DoublePressTimer);
    SetTimer(AppState.MainWindow, DoublePressTimer, static_cast<UINT>(RepeatDelay()), nullptr);
}

void DoublePressTick() {
    if (AppState.Quitting)
        return;
    // One window, one firing: a tick that found nothing would only wake the program for good.
    KillTimer(AppState.MainWindow, DoublePressTimer);
    FireBinding(AppState.PendingKey, L"");
}
