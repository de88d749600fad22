// kbhook.dll: reports the extra keys of any keyboard to one window, the way Keyloft expects of
// its hook library, and keeps bound keys from doing their usual action as well.
//
// The system calls a low-level keyboard hook on the thread that installed it, through that
// thread's message loop, and every key of the desktop waits for the call. So the hook lives on a
// thread of the library's own, which does nothing else: the caller's thread may be busy for
// seconds (a slow program start, a tray icon that takes its time) without holding up a key.
//
// Everything the hook uses belongs to that thread: the table of bound codes, the modifiers and
// keys held down, the long-press timer, the watch over the hook itself: a second hook of the same
// thread, installed before the reporting hook, that counts the keys it sees. The callers of
// HookKeyboard share only the report window and the thread's handle, so nothing needs a lock.
//
// The thread sleeps until there is something to do: a key, a change in the configuration's
// folder, the stop, one more look at the file a second after a change, and the long-press timer,
// which runs only while a key whose long press is bound is held down. No timer runs while
// nothing happens, except where the folder cannot be watched: there it looks at the file once a
// second.
//
// The thread holds a reference to the library for as long as it runs and gives it back as its
// very last step (FreeLibraryAndExitThread), so a library freed by its user while the thread
// still runs stays mapped until the thread has left its code.
#include "hook/BindingFile.h"
#include "hook/HookKeys.h"
#include "hook/InjectMark.h"
#include "hook/KeyWatch.h"

#include <windows.h>

namespace {

constexpr DWORD StartWaitMs = 5000; // for the thread to install its hook
constexpr DWORD StopWaitMs = 2000;  // for the thread to end
constexpr DWORD PollPeriodMs = 1000;
constexpr DWORD ThreadStackBytes = 64 * 1024;
constexpr std::size_t PathChars = 32768;
// Posted to the library's thread by the watch hook once it finds the reporting hook gone.
constexpr UINT ReinstallMessage = WM_APP + 1;
// Posted to itself by the hook when it queued events to inject (the masking key, a tap given back,
// keys that follow them): they are sent from the thread's loop, outside the hook's call.
constexpr UINT ReplayMessage = WM_APP + 2;

struct HookStateRecord {
    HINSTANCE Module = nullptr;

    // The callers' side.
    HANDLE Thread = nullptr;        // the library's thread, until it is seen to have ended
    bool Running = false;           // started and not stopped
    HWND volatile Window = nullptr; // receives HookKeyMessage; none once stopped
    HANDLE Stop = nullptr;          // set to end the thread
    HANDLE Ready = nullptr;         // set by the thread once its hook is installed or has failed
    volatile bool Installed = false;

    // The library's thread only.
    HHOOK Hook = nullptr;
    DWORD ThreadId = 0;
    HANDLE Change = nullptr;    // change notification on the configuration's folder
    HANDLE HoldTimer = nullptr; // due when a held-back key reaches the long-press delay
    HHOOK WatchHookHandle = nullptr;
    bool ReinstallPosted = false;
    wchar_t ConfigPath[PathChars] = {};
    FileStamp ConfigStamp;
    BoundKeys Bound;
    KeyboardState Keys;
    HookWatch Watch;
    DWORD Session = 0;         // the process's session,
    bool SessionKnown = false; // where the system answers the session questions
};

HookStateRecord HookState;

void CloseIfSet(HANDLE& handle) {
    if (handle)
        CloseHandle(handle);
    handle = nullptr;
}

// Reads the table again when the file's stamp differs from that of the table in use.
void ReloadBindingsIfChanged() {
    const FileStamp stamp = ReadFileStamp(HookState.ConfigPath);
    if (SameStamp(stamp, HookState.ConfigStamp))
        return;
    // Stamp first: an edit made while the file is being read shows as a change next time.
    HookState.ConfigStamp = stamp;
    BoundKeys fresh;
    if (stamp.Exists && !LoadBoundKeys(HookState.ConfigPath, fresh)) {
        // Out of memory: keep the table in use and read again at the next look.
        HookState.ConfigStamp.Exists = !stamp.Exists;
        return;
    }
    FreeBoundKeys(HookState.Bound);
    HookState.Bound = fresh;
}

// Sets the long-press timer for the next held-back key to reach the delay, or stops it when no
// key is held back: no wake-up while none is.
void ArmHoldTimer() {
    if (!HookState.HoldTimer)
        return;
    const DWORD wait =
        LongPressWait(HookState.Keys, GetTickCount(), HoldDelayOfTable(HookState.Bound));
    if (wait == INFINITE) {
        CancelWaitableTimer(HookState.HoldTimer);
        return;
    }
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(wait) * 10000; // relative, in 100 ns
    SetWaitableTimer(HookState.HoldTimer, &due, 0, nullptr, nullptr, FALSE);
}

// Reports every held-back key that has reached the delay as a long press.
void ReportLongPresses() {
    std::uint32_t code = 0;
    DWORD virtualKey = 0;
    while (TakeLongPress(HookState.Keys, GetTickCount(), HoldDelayOfTable(HookState.Bound), code,
                         virtualKey)) {
        const HWND window = HookState.Window;
        if (window)
            PostMessageW(window, HookKeyMessage, code, virtualKey);
    }
    ArmHoldTimer();
}

// Injects the queued events, marked so that the hook passes them on. Events the system refuses
// are never seen back; the queue lets them go after a while.
void SendReplay() {
    ReplayEvent events[MaxReplayEvents];
    const std::size_t count = NextReplay(HookState.Keys, GetTickCount(), events);
    INPUT inputs[MaxReplayEvents] = {};
    for (std::size_t i = 0; i < count; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = static_cast<WORD>(events[i].VirtualKey);
        inputs[i].ki.wScan = static_cast<WORD>(events[i].ScanCode);
        inputs[i].ki.dwFlags = ((events[i].Flags & LLKHF_EXTENDED) ? KEYEVENTF_EXTENDEDKEY : 0) |
                               ((events[i].Flags & LLKHF_UP) ? KEYEVENTF_KEYUP : 0);
        inputs[i].ki.dwExtraInfo = KeyloftSendMark;
    }
    if (count)
        SendInput(static_cast<UINT>(count), inputs, sizeof(INPUT));
}

// Under Wine the session questions have stubs for answers that never agree.
bool RunsUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// True while Keyloft ignores keys, so that a new key-down is neither reported nor swallowed: its
// configuration says so (OnlyActiveUser empty), the process's session is not the one at the
// console, or no window has the focus. Asked only for a key-down the library would take, and
// cheap: no file, no wait. The focus is asked only for a key to swallow: a report alone reaches
// Keyloft, which drops it itself while no window has the focus, and under Wine the question is a
// round trip to the window server for every extra key.
bool StandsAside(bool swallows) {
    return HookState.Bound.KeysIgnored ||
           (HookState.SessionKnown && WTSGetActiveConsoleSessionId() != HookState.Session) ||
           (swallows && !GetForegroundWindow());
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
        const KeyVerdict verdict = FollowKeyEvent(
            HookState.Keys, message, event->vkCode, event->scanCode, event->flags, event->time,
            HookState.Bound, event->dwExtraInfo, StandsAside, GetAsyncKeyState);
        const HWND window = HookState.Window;
        if (verdict.Report && window)
            PostMessageW(window, HookKeyMessage, verdict.Code, event->vkCode);
        if (verdict.HoldChange)
            ArmHoldTimer();
        if (verdict.Replay)
            PostThreadMessageW(HookState.ThreadId, ReplayMessage, 0, 0);
        if (verdict.Swallow)
            return 1;
        // Counted only when passed on, as the watch hook sees only these.
        NoteHookCall(HookState.Watch);
    }
    return CallNextHookEx(nullptr, code, message, data);
}

// Installs the hook, in place of one the system may have removed without a word.
bool InstallHook() {
    if (HookState.Hook)
        UnhookWindowsHookEx(HookState.Hook);
    HookState.Hook = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, HookState.Module, 0);
    NoteInstalled(HookState.Watch, GetTickCount());
    HookState.ReinstallPosted = false;
    // Key-ups missed meanwhile must not keep a key or modifier counted as held.
    HookState.Keys = KeyboardState();
    ArmHoldTimer();
    return HookState.Hook != nullptr;
}

// The watch hook. Installed before the reporting hook, it is called after it and sees every key
// that the reporting hook passes on, and every key when the reporting hook is gone: more keys
// here than calls of the reporting hook mean the system removed it, which it does to a hook that
// was too slow too often. It runs on the same thread, so that a key pays no second thread's hop
// and no posted message; only a loss posts one, and the reinstall runs outside the hook's call.
LRESULT CALLBACK WatchHook(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION && NoteWatchedKey(HookState.Watch, GetTickCount()) &&
        !HookState.ReinstallPosted)
        HookState.ReinstallPosted =
            PostThreadMessageW(HookState.ThreadId, ReinstallMessage, 0, 0) != FALSE;
    return CallNextHookEx(nullptr, code, message, data);
}

// Installs the watch hook, then the reporting hook, so that the watch hook is called after it;
// both in place of any the system may have removed. True when the reporting hook is in place.
bool InstallHooks() {
    if (HookState.WatchHookHandle)
        UnhookWindowsHookEx(HookState.WatchHookHandle);
    HookState.WatchHookHandle = SetWindowsHookExW(WH_KEYBOARD_LL, WatchHook, HookState.Module, 0);
    return InstallHook();
}

// Reads the configuration again when it changed. No key is answered meanwhile: a read slow
// enough for the system to give up on this thread's hooks (a file on a slow network share) may
// have cost both of them, the watch hook too, so both go back in place.
void LookAtConfiguration(DWORD began) {
    ReloadBindingsIfChanged();
    if (GetTickCount() - began >= HooksMayBeLostMs)
        InstallHooks();
}

// Watches the folder of the configuration file; the stamp tells whether the file itself
// changed. Some network shares refuse to be watched: then no notification, and a look once a
// second instead.
void WatchConfigFolder() {
    std::size_t slash = 0;
    for (std::size_t i = 0; HookState.ConfigPath[i]; ++i)
        if (HookState.ConfigPath[i] == L'\\')
            slash = i + 1;
    if (slash == 0)
        return;
    const wchar_t kept = HookState.ConfigPath[slash];
    HookState.ConfigPath[slash] = L'\0';
    const HANDLE change = FindFirstChangeNotificationW(
        HookState.ConfigPath, FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
    HookState.ConfigPath[slash] = kept;
    HookState.Change = change == INVALID_HANDLE_VALUE ? nullptr : change;
}

// How long the thread may sleep: forever while nothing changes; a second after a change, for one
// more look that catches an edit that came while the file was read; a second at a time where the
// folder cannot be watched.
DWORD SleepLimit(bool lookPending, DWORD lookAt) {
    if (HookState.Change && !lookPending)
        return INFINITE;
    if (!lookPending)
        return PollPeriodMs;
    const DWORD left = lookAt - GetTickCount();
    return left > PollPeriodMs ? 0 : left;
}

// Waits for the stop, a change of the folder or a message, and handles what came, until the
// stop is set.
void RunThreadLoop() {
    bool lookPending = false;
    DWORD lookAt = 0;
    for (;;) {
        const HANDLE handles[3] = {HookState.Stop, HookState.HoldTimer, HookState.Change};
        const DWORD count = HookState.Change ? 3 : 2;
        const DWORD woken = MsgWaitForMultipleObjectsEx(
            count, handles, SleepLimit(lookPending, lookAt), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED)
            return;
        if (woken == WAIT_OBJECT_0 + 1) {
            ReportLongPresses();
        } else if (woken == WAIT_OBJECT_0 + 2) {
            const DWORD began = GetTickCount();
            // Rearmed before the read, so that an edit during the read wakes the thread again.
            if (!FindNextChangeNotification(HookState.Change)) {
                FindCloseChangeNotification(HookState.Change);
                HookState.Change = nullptr;
            }
            LookAtConfiguration(began);
            lookPending = true;
            lookAt = GetTickCount() + PollPeriodMs;
        } else if (woken == WAIT_TIMEOUT) {
            LookAtConfiguration(GetTickCount());
            lookPending = false;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == ReinstallMessage && !message.hwnd) {
                InstallHook();
                continue;
            }
            if (message.message == ReplayMessage && !message.hwnd) {
                SendReplay();
                continue;
            }
            DispatchMessageW(&message);
        }
    }
}

DWORD WINAPI HookThread(void*) {
    wchar_t* executable = HookState.ConfigPath; // the configuration path takes its place
    if (!ProcessExecutablePath(executable, PathChars) ||
        !ConfigPathFor(executable, HookState.ConfigPath, PathChars))
        HookState.ConfigPath[0] = L'\0';
    HookState.ConfigStamp = FileStamp();
    HookState.ConfigStamp.Exists = true; // differs from every real stamp: the first look reads
    ReloadBindingsIfChanged();
    WatchConfigFolder();
    HookState.HoldTimer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    // The queue exists from here on, so that the posts to the thread are not lost.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    HookState.ThreadId = GetCurrentThreadId();
    DWORD session = 0;
    HookState.SessionKnown =
        !RunsUnderWine() && ProcessIdToSessionId(GetCurrentProcessId(), &session);
    HookState.Session = session;
    // Without the watch hook the library still works, only without noticing a lost hook.
    HookState.Installed = HookState.HoldTimer && InstallHooks();
    SetEvent(HookState.Ready);
    if (HookState.Installed)
        RunThreadLoop();

    if (HookState.Hook)
        UnhookWindowsHookEx(HookState.Hook);
    HookState.Hook = nullptr;
    if (HookState.WatchHookHandle)
        UnhookWindowsHookEx(HookState.WatchHookHandle);
    HookState.WatchHookHandle = nullptr;
    if (HookState.Change)
        FindCloseChangeNotification(HookState.Change);
    HookState.Change = nullptr;
    CloseIfSet(HookState.HoldTimer);
    FreeBoundKeys(HookState.Bound);
    FreeLibraryAndExitThread(HookState.Module, 0);
    return 0;
}

// Forgets a thread that has ended; false while it still runs.
bool ReapThread(DWORD waitMs) {
    if (!HookState.Thread)
        return true;
    if (WaitForSingleObject(HookState.Thread, waitMs) != WAIT_OBJECT_0)
        return false;
    CloseIfSet(HookState.Thread);
    CloseIfSet(HookState.Stop);
    CloseIfSet(HookState.Ready);
    return true;
}

LONG StartReporting(HWND window) {
    if (!IsWindow(window))
        return 0;
    // Already running: keep the one hook, so that no key is reported twice, and report to the
    // window of the latest call.
    if (HookState.Running) {
        HookState.Window = window;
        return 1;
    }
    // A thread that did not end in time when it was stopped: one more wait, then give up.
    if (!ReapThread(StopWaitMs))
        return 0;
    HookState.Stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HookState.Ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HMODULE pinned = nullptr;
    if (!HookState.Stop || !HookState.Ready ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&HookThread), &pinned)) {
        CloseIfSet(HookState.Stop);
        CloseIfSet(HookState.Ready);
        return 0;
    }
    HookState.Window = window;
    HookState.Installed = false;
    HookState.Thread = CreateThread(nullptr, ThreadStackBytes, HookThread, nullptr,
                                    STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!HookState.Thread) {
        FreeLibrary(pinned);
        HookState.Window = nullptr;
        CloseIfSet(HookState.Stop);
        CloseIfSet(HookState.Ready);
        return 0;
    }
    // Keys wait for this thread: it is the one that must never be held up.
    SetThreadPriority(HookState.Thread, THREAD_PRIORITY_ABOVE_NORMAL);
    const bool ready = WaitForSingleObject(HookState.Ready, StartWaitMs) == WAIT_OBJECT_0;
    if (ready && HookState.Installed) {
        HookState.Running = true;
        return 1;
    }
    HookState.Window = nullptr;
    SetEvent(HookState.Stop);
    ReapThread(StopWaitMs);
    return 0;
}

LONG StopReporting() {
    if (!HookState.Running)
        return 0;
    HookState.Running = false;
    HookState.Window = nullptr; // no report after the stop, even from a thread slow to end
    SetEvent(HookState.Stop);
    ReapThread(StopWaitMs);
    return 1;
}

} // namespace

// start 1: install the hook and report to window; start 0: remove it. Any other call, and a call
// in the wrong state, changes nothing. Returns 1 when the call did what it asked for.
extern "C" LONG WINAPI HookKeyboard(LONG start, HWND window) {
    if (start == 1)
        return StartReporting(window);
    if (start == 0)
        return StopReporting();
    return 0;
}

// Keyloft hands the sleep key's messages back here. This library has no sleep-key routine of
// its own: the sleep key is reported like every other extra key and keeps its usual action.
extern "C" LONG WINAPI SystemSleepKeyProc(WPARAM, LPARAM) {
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // Nothing to undo at detach: while the thread runs, it holds the library, so the library is
    // unloaded only after the thread has removed its hook and left.
    if (reason == DLL_PROCESS_ATTACH) {
        HookState.Module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
