#include "hook/Foreground.h"

namespace {

// True for the desktop and the taskbar, which cover a monitor or stay in front without being a
// program's full-screen window.
bool IsShellWindow(HWND window) {
    if (window == GetShellWindow() || window == GetDesktopWindow())
        return true;
    static const wchar_t* const shellClasses[] = {L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd",
                                                  L"Progman", L"WorkerW"};
    wchar_t name[32];
    const int length = GetClassNameW(window, name, 32);
    for (const wchar_t* shell : shellClasses)
        if (length > 0 && CompareStringOrdinal(name, length, shell, -1, FALSE) == CSTR_EQUAL)
            return true;
    return false;
}

// True when the program that owns window is one of PauseIn's.
bool OwnerListed(HWND window, const PauseSettings& pause) {
    DWORD process = 0;
    if (!pause.Names || !window || !GetWindowThreadProcessId(window, &process))
        return false;
    const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (!handle)
        return false;
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    const bool named = QueryFullProcessImageNameW(handle, 0, path, &size) != FALSE;
    CloseHandle(handle);
    return named && ProgramListed(pause, path);
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM parameter) {
    PauseLink& link = *reinterpret_cast<PauseLink*>(parameter);
    MONITORINFO info;
    info.cbSize = sizeof(MONITORINFO);
    const LONG count = link.MonitorCount;
    if (count < MaxMonitors && GetMonitorInfoW(monitor, &info)) {
        link.Monitors[count] = info.rcMonitor;
        MemoryBarrier(); // the rectangle before the count that lets the hook read it
        link.MonitorCount = count + 1;
    }
    return link.MonitorCount < MaxMonitors;
}

// Looks at the window in front when it changed since the last look, or always when the
// settings changed, and tells the hook whether to stand aside for it. The monitors are counted
// again with it: a monitor added meanwhile counts from the next change on.
void LookAtForeground(PauseLink& link, const PauseSettings& pause, bool settingsChanged) {
    const HWND front = GetForegroundWindow();
    if (front == link.Foreground && !settingsChanged)
        return;
    link.ForegroundMayCover = front && !IsShellWindow(front);
    link.PauseForProgram = OwnerListed(front, pause);
    link.Foreground = front;
    if (pause.FullScreen) {
        // Counted up from none, so that the hook never reads beyond what is written.
        link.MonitorCount = 0;
        EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&link));
    }
}

// Nothing to do in the event's call: it wakes the reader's loop, which looks at the window in
// front after the messages. Wine sends no event for a change of the window in front, only for
// one of the focus, hence both.
void CALLBACK ForegroundChanged(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {}

void Unhook(HWINEVENTHOOK& hook) {
    if (hook)
        UnhookWinEvent(hook);
    hook = nullptr;
}

} // namespace

void UpdatePause(PauseLink& link, ForegroundFollow& follow, const PauseSettings& pause) {
    link.PauseFullScreen = pause.FullScreen;
    const bool needed = pause.Names || pause.FullScreen;
    if (needed && !follow.ForegroundHook) {
        follow.ForegroundHook =
            SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                            ForegroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
        follow.FocusHook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr,
                                           ForegroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
    }
    if (!needed)
        StopFollowing(follow);
    LookAtForeground(link, pause, true);
}

void FollowForeground(PauseLink& link, const PauseSettings& pause) {
    if (pause.Names || pause.FullScreen)
        LookAtForeground(link, pause, false);
}

void StopFollowing(ForegroundFollow& follow) {
    Unhook(follow.ForegroundHook);
    Unhook(follow.FocusHook);
}

bool PausedByForeground(const PauseLink& link) {
    if (link.PauseForProgram)
        return true;
    if (!link.PauseFullScreen || !link.ForegroundMayCover)
        return false;
    RECT window;
    return GetWindowRect(link.Foreground, &window) &&
           CoversAnyMonitor(window, link.Monitors, link.MonitorCount);
}
