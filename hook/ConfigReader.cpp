#include "hook/ConfigReader.h"

#include "hook/BindingFile.h"
#include "hook/InjectMark.h"
#include "hook/KeyWatch.h"

namespace {

constexpr DWORD PollPeriodMs = 1000;

// The reader's own state. A reader left stuck in a read by a stop may still run beside the
// reader of the next start, so this lives on its thread, not in the library's state record.
struct ReaderState {
    ReaderLink* Link = nullptr;
    HANDLE Change = nullptr; // change notification on the configuration's folder
    FileStamp Stamp;
    bool LookPending = false; // one more look at LookAt
    DWORD LookAt = 0;
    bool CheckPending = false; // a check of the watch at CheckAt
    DWORD CheckAt = 0;
    bool ProbeSent = false;
    LONG KeysAtCheck = 0;
    PauseSettings Pause;
    HWINEVENTHOOK ForegroundHook = nullptr;
    HWINEVENTHOOK FocusHook = nullptr;
};

bool Stopped(const ReaderLink& link) {
    return WaitForSingleObject(link.Stop, 0) == WAIT_OBJECT_0;
}

// Puts a new table in place of the pending one, which the hook's thread never took, and tells
// that thread. Out of memory: the table is dropped and the one in use stays.
void HandOver(ReaderLink& link, BoundKeys& fresh) {
    auto* record = static_cast<BoundKeys*>(HeapAlloc(GetProcessHeap(), 0, sizeof(BoundKeys)));
    if (!record) {
        FreeBoundKeys(fresh);
        return;
    }
    *record = fresh;
    FreeTakenTable(static_cast<BoundKeys*>(
        InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&link.Pending), record)));
    if (!Stopped(link))
        PostThreadMessageW(link.HookThreadId, NewTableMessage, 0, 0);
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
    ReaderLink& link = *reinterpret_cast<ReaderLink*>(parameter);
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
void FollowForeground(ReaderState& reader, bool settingsChanged) {
    ReaderLink& link = *reader.Link;
    const HWND front = GetForegroundWindow();
    if (front == link.Foreground && !settingsChanged)
        return;
    link.ForegroundMayCover = front && !IsShellWindow(front);
    link.PauseForProgram = OwnerListed(front, reader.Pause);
    link.Foreground = front;
    if (reader.Pause.FullScreen) {
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

// Follows the window in front while a setting of the pause needs it, and only then.
void UpdatePause(ReaderState& reader) {
    ReaderLink& link = *reader.Link;
    link.PauseFullScreen = reader.Pause.FullScreen;
    const bool needed = reader.Pause.Names || reader.Pause.FullScreen;
    if (needed && !reader.ForegroundHook) {
        reader.ForegroundHook =
            SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                            ForegroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
        reader.FocusHook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr,
                                           ForegroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
    }
    if (!needed) {
        Unhook(reader.ForegroundHook);
        Unhook(reader.FocusHook);
    }
    FollowForeground(reader, true);
}

// Reads the table again when the file's stamp differs from that of the table handed over last.
void ReloadIfChanged(ReaderState& reader) {
    ReaderLink& link = *reader.Link;
    const FileStamp stamp = ReadFileStamp(link.ConfigPath);
    if (SameStamp(stamp, reader.Stamp))
        return;
    // Stamp first: an edit made while the file is being read shows as a change next time.
    reader.Stamp = stamp;
    BoundKeys fresh;
    PauseSettings pause;
    if (stamp.Exists && !LoadBoundKeys(link.ConfigPath, fresh, &pause)) {
        // Out of memory: keep the table in use and read again at the next look.
        reader.Stamp.Exists = !stamp.Exists;
        return;
    }
    FreePauseSettings(reader.Pause);
    reader.Pause = pause;
    UpdatePause(reader);
    HandOver(link, fresh);
}

// Watches the folder of the configuration file; the stamp tells whether the file itself
// changed. Some network shares refuse to be watched: then no notification, and a look once a
// second instead.
void WatchConfigFolder(ReaderState& reader) {
    wchar_t* path = reader.Link->ConfigPath;
    std::size_t slash = 0;
    for (std::size_t i = 0; path[i]; ++i)
        if (path[i] == L'\\')
            slash = i + 1;
    if (slash == 0)
        return;
    const wchar_t kept = path[slash];
    path[slash] = L'\0';
    const HANDLE change = FindFirstChangeNotificationW(
        path, FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
    path[slash] = kept;
    reader.Change = change == INVALID_HANDLE_VALUE ? nullptr : change;
}

// Milliseconds until at, 0 when it has passed.
DWORD Until(DWORD at, DWORD now) {
    const LONG left = static_cast<LONG>(at - now);
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// How long the thread may sleep: forever while nothing changes and no key armed the watch; until
// the next look at the file (a second after a change, for one more look that catches an edit
// that came while the file was read; a second at a time where the folder cannot be watched);
// until the watch's next check.
DWORD SleepLimit(const ReaderState& reader) {
    const DWORD now = GetTickCount();
    DWORD limit = INFINITE;
    if (reader.LookPending && Until(reader.LookAt, now) < limit)
        limit = Until(reader.LookAt, now);
    if (reader.CheckPending && Until(reader.CheckAt, now) < limit)
        limit = Until(reader.CheckAt, now);
    return limit;
}

// Injects the probe: a lone key-up of the masking key, which no application acts on should it
// pass a hook that is gone.
void SendProbe(ReaderLink& link) {
    InterlockedIncrement(&link.ProbeSent);
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = MaskingVirtualKey;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    input.ki.dwExtraInfo = HookProbeMark;
    SendInput(1, &input, sizeof(INPUT));
}

// One check of the watch over the hook.
void CheckHook(ReaderState& reader) {
    ReaderLink& link = *reader.Link;
    // Cleared first, so that a key from here on arms the watch again.
    link.Armed = false;
    WatchFacts facts;
    LASTINPUTINFO input = {sizeof(LASTINPUTINFO), 0};
    facts.LastInput = GetLastInputInfo(&input) ? input.dwTime : link.LastKeyTime;
    facts.LastKeyTime = link.LastKeyTime;
    const LONG keys = link.KeysSeen;
    facts.KeysSeen = keys != reader.KeysAtCheck;
    reader.KeysAtCheck = keys;
    facts.LateCall = link.LateCall;
    link.LateCall = false;
    facts.ProbeSent = reader.ProbeSent;
    facts.ProbeSeen = link.ProbeSeen == link.ProbeSent;
    const WatchStep step = DecideWatchCheck(facts);
    if (step.Reinstall && !Stopped(link))
        PostThreadMessageW(link.HookThreadId, ReinstallMessage, 0, 0);
    reader.ProbeSent = step.Probe;
    if (step.Probe)
        SendProbe(link);
    reader.CheckPending = step.NextCheckMs != INFINITE;
    reader.CheckAt = GetTickCount() + step.NextCheckMs;
}

// Waits for the stop, a change of the folder, a key that arms the watch or a message, and
// handles what came, until the stop is set.
void RunReaderLoop(ReaderState& reader) {
    ReaderLink& link = *reader.Link;
    for (;;) {
        const HANDLE handles[3] = {link.Stop, link.Arm, reader.Change};
        const DWORD count = reader.Change ? 3 : 2;
        const DWORD woken = MsgWaitForMultipleObjectsEx(count, handles, SleepLimit(reader),
                                                        QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED)
            return;
        const DWORD now = GetTickCount();
        if (woken == WAIT_OBJECT_0 + 1 && !reader.CheckPending) {
            reader.CheckPending = true;
            reader.CheckAt = now + WatchPeriodMs;
        } else if (woken == WAIT_OBJECT_0 + 2) {
            // Rearmed before the read, so that an edit during the read wakes the thread again.
            if (!FindNextChangeNotification(reader.Change)) {
                FindCloseChangeNotification(reader.Change);
                reader.Change = nullptr;
            }
            ReloadIfChanged(reader);
            reader.LookPending = true;
            reader.LookAt = GetTickCount() + PollPeriodMs;
        }
        if (reader.CheckPending && Until(reader.CheckAt, GetTickCount()) == 0)
            CheckHook(reader);
        if (reader.LookPending && Until(reader.LookAt, GetTickCount()) == 0) {
            ReloadIfChanged(reader);
            // Where the folder cannot be watched, the looks go on.
            reader.LookPending = !reader.Change;
            reader.LookAt = GetTickCount() + PollPeriodMs;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        if (reader.Pause.Names || reader.Pause.FullScreen)
            FollowForeground(reader, false);
    }
}

} // namespace

ReaderLink* MakeReaderLink(HMODULE module) {
    auto* link =
        static_cast<ReaderLink*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ReaderLink)));
    if (!link)
        return nullptr;
    link->References = 2;
    link->Module = module;
    link->Stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    link->Arm = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    link->FirstTable = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wchar_t* executable = link->ConfigPath; // the configuration path takes its place
    if (!ProcessExecutablePath(executable, ConfigPathChars) ||
        !ConfigPathFor(executable, link->ConfigPath, ConfigPathChars))
        link->ConfigPath[0] = L'\0';
    if (!link->Stop || !link->Arm || !link->FirstTable) {
        link->References = 1;
        ReleaseReaderLink(link);
        return nullptr;
    }
    return link;
}

void ReleaseReaderLink(ReaderLink* link) {
    if (!link || InterlockedDecrement(&link->References) != 0)
        return;
    FreeTakenTable(TakePendingTable(*link));
    const HANDLE handles[3] = {link->Stop, link->Arm, link->FirstTable};
    for (HANDLE handle : handles)
        if (handle)
            CloseHandle(handle);
    HeapFree(GetProcessHeap(), 0, link);
}

BoundKeys* TakePendingTable(ReaderLink& link) {
    return static_cast<BoundKeys*>(
        InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&link.Pending), nullptr));
}

void FreeTakenTable(BoundKeys* table) {
    if (!table)
        return;
    FreeBoundKeys(*table);
    HeapFree(GetProcessHeap(), 0, table);
}

DWORD WINAPI ReaderThread(void* parameter) {
    ReaderState reader;
    reader.Link = static_cast<ReaderLink*>(parameter);
    ReaderLink& link = *reader.Link;
    // The queue exists from here on: the foreground's events come through it.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    reader.Stamp.Exists = true; // differs from every real stamp: the first look reads
    ReloadIfChanged(reader);
    SetEvent(link.FirstTable);
    WatchConfigFolder(reader);
    reader.LookPending = !reader.Change;
    reader.LookAt = GetTickCount() + PollPeriodMs;
    RunReaderLoop(reader);
    if (reader.Change)
        FindCloseChangeNotification(reader.Change);
    Unhook(reader.ForegroundHook);
    Unhook(reader.FocusHook);
    FreePauseSettings(reader.Pause);
    const HMODULE module = link.Module;
    ReleaseReaderLink(&link);
    FreeLibraryAndExitThread(module, 0);
    return 0;
}
