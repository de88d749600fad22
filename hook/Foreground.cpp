#include "hook/Foreground.h"

#include "util/Wine.h"

namespace {

// The system's events that the reader's hooks were given, on any reader's thread: each one
// counts as a sign that the desktop is in use.
volatile LONG EventCount = 0;

// Milliseconds until at, 0 when it has passed. Unsigned difference: right across the wrap of the
// millisecond clock.
DWORD Until(DWORD at, DWORD now) {
    const LONG left = static_cast<LONG>(at - now);
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

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

// True when the program that runs process is one of PauseIn's.
bool ProcessListed(DWORD process, const PauseSettings& pause) {
    if (!pause.Names || !process)
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

// Keeps a process of a listed program for the hook's question, once.
void NoteListedProcess(PauseLink& link, ForegroundFollow& follow, DWORD process) {
    for (long i = 0; i < ListedProcessSlots; ++i)
        if (link.ListedProcesses[i] == process)
            return;
    link.ListedProcesses[follow.NextListedSlot] = process;
    follow.NextListedSlot = (follow.NextListedSlot + 1) % ListedProcessSlots;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM parameter) {
    MonitorRects& monitors = *reinterpret_cast<MonitorRects*>(parameter);
    MONITORINFO info;
    info.cbSize = sizeof(MONITORINFO);
    if (monitors.Count < MaxMonitors && GetMonitorInfoW(monitor, &info))
        monitors.Rects[monitors.Count++] = info.rcMonitor;
    return monitors.Count < MaxMonitors;
}

// Nothing to do in the event's call but count it: it wakes the reader's loop, which looks at
// the window in front after the messages.
void CALLBACK EventCame(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
    InterlockedIncrement(&EventCount);
}

HWINEVENTHOOK HookEvents(DWORD first, DWORD last, DWORD process) {
    return SetWinEventHook(first, last, nullptr, EventCame, process, 0, WINEVENT_OUTOFCONTEXT);
}

void Unhook(HWINEVENTHOOK& hook) {
    if (hook)
        UnhookWinEvent(hook);
    hook = nullptr;
}

// Follows the moves, size and state changes of the windows of the process in front, where the
// system tells of them, while the full-screen test needs them.
void FollowWindowsOf(ForegroundFollow& follow, DWORD process) {
    if (process == follow.WindowProcess)
        return;
    Unhook(follow.WindowHook);
    follow.WindowProcess = process;
    if (process)
        follow.WindowHook =
            HookEvents(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_LOCATIONCHANGE, process);
}

// Looks at the window in front and tells the hook whether to stand aside for it: its program is
// looked up when the window changed (or the settings did), its size and style and the monitors
// at every look, so that a window that turns full-screen in front, or a change of display mode,
// shows at the next look.
void LookAtForeground(PauseLink& link, ForegroundFollow& follow, const PauseSettings& pause,
                      bool settingsChanged) {
    const HWND front = GetForegroundWindow();
    if (front != link.Foreground || settingsChanged) {
        DWORD process = 0;
        if (front)
            GetWindowThreadProcessId(front, &process);
        follow.PauseForProgram = ProcessListed(process, pause);
        if (follow.PauseForProgram)
            NoteListedProcess(link, follow, process);
        follow.FrontIsShell = front && IsShellWindow(front);
        FollowWindowsOf(follow, pause.FullScreen ? process : 0);
    }
    bool fullScreen = false;
    if (pause.FullScreen && front) {
        follow.Monitors.Count = 0;
        EnumDisplayMonitors(nullptr, nullptr, AddMonitor,
                            reinterpret_cast<LPARAM>(&follow.Monitors));
        FrontWindowFacts facts;
        facts.Shell = follow.FrontIsShell;
        facts.Style = GetWindowLongW(front, GWL_STYLE);
        fullScreen =
            GetWindowRect(front, &facts.Rect) && CountsAsFullScreen(facts, follow.Monitors);
    }
    link.Paused = follow.PauseForProgram || fullScreen;
    MemoryBarrier(); // the verdict before the window it is for, which the hook compares
    link.Foreground = front;
}

} // namespace

void UpdatePause(PauseLink& link, ForegroundFollow& follow, const PauseSettings& pause) {
    const bool needed = pause.Names || pause.FullScreen;
    if (needed && !follow.FrontHooks[0]) {
        // The first for Windows; Wine sends none and tells only of the focus, between windows of
        // one thread, and of new windows, which a program that starts and takes the front makes.
        follow.FrontHooks[0] = HookEvents(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, 0);
        follow.FrontHooks[1] = HookEvents(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, 0);
        if (RunsUnderWine())
            follow.FrontHooks[2] = HookEvents(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, 0);
    }
    if (!needed)
        StopFollowing(follow);
    for (long i = 0; i < ListedProcessSlots; ++i)
        link.ListedProcesses[i] = 0; // the names may have changed
    LookAtForeground(link, follow, pause, true);
    link.Needed = needed;
    // A spell of looks from here, as after input.
    const DWORD now = GetTickCount();
    follow.Following = needed;
    follow.FollowUntil = now + FollowSpellMs;
    follow.NextLook = now + FollowPeriodMs;
    link.Following = needed;
}

void FollowForeground(PauseLink& link, ForegroundFollow& follow, const PauseSettings& pause,
                      bool input) {
    if (!link.Needed)
        return;
    const DWORD now = GetTickCount();
    const LONG events = EventCount;
    LASTINPUTINFO last = {sizeof(LASTINPUTINFO), 0};
    const bool inputSeen = GetLastInputInfo(&last) && last.dwTime != follow.LastInput;
    if (input || inputSeen || events != follow.EventsSeen) {
        follow.FollowUntil = now + FollowSpellMs;
        if (!follow.Following)
            follow.NextLook = now; // woken from an idle spell: look at once
        follow.Following = true;
    }
    follow.EventsSeen = events;
    follow.LastInput = last.dwTime;
    if (follow.Following && Until(follow.NextLook, now) == 0) {
        LookAtForeground(link, follow, pause, false);
        follow.NextLook = now + FollowPeriodMs;
    }
    if (follow.Following && Until(follow.FollowUntil, now) == 0)
        follow.Following = false;
    link.Following = follow.Following;
}

DWORD FollowWait(const ForegroundFollow& follow, DWORD now) {
    return follow.Following ? Until(follow.NextLook, now) : INFINITE;
}

bool FollowWantsInput(const PauseLink& link, const ForegroundFollow& follow) {
    return link.Needed && !follow.Following;
}

void StopFollowing(ForegroundFollow& follow) {
    for (HWINEVENTHOOK& hook : follow.FrontHooks)
        Unhook(hook);
    Unhook(follow.WindowHook);
    follow.WindowProcess = 0;
}

bool PausedByForeground(const PauseLink& link) {
    if (!link.Needed)
        return false;
    if (link.Following)
        return link.Paused;
    // The reader sleeps: the desktop was idle, and a program may have brought another window
    // to the front meanwhile without any event.
    const HWND front = GetForegroundWindow();
    if (front == link.Foreground)
        return link.Paused;
    SetEvent(link.Wake);
    DWORD process = 0;
    if (!front || !GetWindowThreadProcessId(front, &process))
        return false;
    for (long i = 0; i < ListedProcessSlots; ++i)
        if (link.ListedProcesses[i] == process)
            return true;
    return false;
}
