// kbhook.dll: reports the extra keys of any keyboard to one window, the way Keyloft expects of
// its hook library, and keeps bound keys from doing their usual action as well.
//
// The system calls a low-level keyboard hook on the thread that installed it, through that
// thread's message loop, and every key of the desktop waits for the call. So the hook lives on a
// thread of the library's own, which does nothing else: the caller's thread may be busy for
// seconds (a slow program start, a tray icon that takes its time) without holding up a key.
//
// Everything the hook uses belongs to that thread: the table of bound codes, the modifiers and
// keys held down, the long-press timer. It does no file work at all: a second thread, the reader
// (ConfigReader.h), reads the configuration and hands each new table over, and keeps the watch
// over the hook. The callers of HookKeyboard share only the report window and the thread's
// handle, so nothing needs a lock.
//
// The thread sleeps until there is something to do: a key, a new table, the stop, and the
// long-press timer, which runs only while a key whose long press is bound is held down. No timer
// runs while nothing happens.
//
// A low-level mouse hook is called for every movement of the mouse, so the library installs one
// only while the table binds a mouse code (MouseWatch.h), on this same thread, where the mouse
// takes the keys' decision with the one state record: installed when a new table binds one,
// removed when a table binds none and the mouse holds nothing of the decision's. A movement costs
// it the test of its message and the call of the next hook.
//
// Each thread holds a reference to the library for as long as it runs and gives it back as its
// very last step (FreeLibraryAndExitThread), so a library freed by its user while a thread still
// runs stays mapped until the thread has left its code: a reader stuck in a read of a file that
// does not answer keeps it mapped, and a stop does not wait for it.
#include "hook/BindingFile.h"
#include "hook/ConfigReader.h"
#include "hook/HookKeys.h"
#include "hook/HookWatch.h"
#include "hook/InjectMark.h"
#include "hook/KeyWatch.h"
#include "hook/MouseWatch.h"
#include "hook/ThreadMessages.h"
#include "util/Wine.h"

#include <windows.h>

namespace {

constexpr DWORD StartWaitMs = 5000; // for the thread to install its hook
constexpr DWORD StopWaitMs = 2000;  // for the thread to end
// For the reader's first table before the hook goes in place, so that a key just after the start
// finds the file's bindings; a file that does not answer by then comes into force when it does.
constexpr DWORD FirstReadWaitMs = 1000;
// For the reader at the stop; a reader stuck in a read is left to end by itself.
constexpr DWORD ReaderStopWaitMs = 1000;
constexpr DWORD ThreadStackBytes = 64 * 1024;

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
    HHOOK MouseHook = nullptr;
    bool MouseBound = false; // the table binds a mouse code
    DWORD ThreadId = 0;
    HANDLE HoldTimer = nullptr; // due when a held-back key reaches the long-press delay
    ReaderLink* Link = nullptr; // shared with the reader while the hook is in place
    HANDLE Reader = nullptr;
    BoundKeys Bound;
    KeyboardState Keys;
    DWORD Session = 0;         // the process's session,
    bool SessionKnown = false; // where the system answers the session questions
};

// Constant-initialized: the library is linked without the runtime's start code, which would run
// a constructor (see hook/CMakeLists.txt).
__constinit HookStateRecord HookState;

void CloseIfSet(HANDLE& handle) {
    if (handle)
        CloseHandle(handle);
    handle = nullptr;
}

// Sets the long-press timer for the next held-back key to reach the delay, or stops it when no
// key is held back: no wake-up while none is.
void ArmHoldTimer() {
    if (!HookState.HoldTimer)
        return;
    const DWORD wait = TimeToWait(HookState.Keys, GetTickCount(), HookState.Bound);
    if (wait == INFINITE) {
        CancelWaitableTimer(HookState.HoldTimer);
        return;
    }
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(wait) * 10000; // relative, in 100 ns
    SetWaitableTimer(HookState.HoldTimer, &due, 0, nullptr, nullptr, FALSE);
}

// Posts the reports the decision queued, in order.
void PostReports() {
    KeyReport report;
    while (TakeReport(HookState.Keys, report)) {
        const HWND window = HookState.Window;
        if (window)
            PostMessageW(window, HookKeyMessage, report.Code, report.VirtualKey);
    }
}

// Acts on what one step of the decision asks for, apart from the event's own fate.
void CarryOut(const StreamStep& step) {
    if (step.Report)
        PostReports();
    if (step.TimerChange)
        ArmHoldTimer();
    if (step.Inject)
        PostThreadMessageW(HookState.ThreadId, ReplayMessage, 0, 0);
}

// Injects the queued events, marked so that the hook passes them on. Events the system refuses
// are never seen back; the queue lets them go after a while.
void SendReplay() {
    ReplayEvent events[MaxReplayEvents];
    const std::size_t count = NextReplay(HookState.Keys, GetTickCount(), events);
    INPUT inputs[MaxReplayEvents] = {};
    for (std::size_t i = 0; i < count; ++i) {
        if (events[i].Flags & MouseEventFlag) {
            inputs[i].type = INPUT_MOUSE;
            MouseInputOf(events[i], inputs[i].mi);
            inputs[i].mi.dwExtraInfo = KeyloftSendMark;
            continue;
        }
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

// True while the library stands aside, so that a new key-down is neither reported nor swallowed.
// Keyloft ignores keys: its configuration says so (OnlyActiveUser empty), the process's session
// is not the one at the console, or no window has the focus. Or the user paused it: a program of
// PauseIn owns the window in front, or, with PauseFullScreen, the window in front is full-screen.
// The reader follows the window in front, its program, size and style, and leaves a flag
// (Foreground.h). Asked only for a key-down the library would take: no file, no wait. The focus is
// asked only for a key to swallow: a report alone reaches Keyloft, which drops it itself while no
// window has the focus, and under Wine the question is a round trip to the window server for every
// extra key.
bool StandsAside(bool swallows) {
    if (HookState.Bound.KeysIgnored ||
        (HookState.SessionKnown && WTSGetActiveConsoleSessionId() != HookState.Session) ||
        (swallows && !GetForegroundWindow()))
        return true;
    return PausedByForeground(HookState.Link->Pause);
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
        if (NoteEventForWatch(HookState.Link->Watch, *event))
            return 1;
        const KeyEvent key{message,         event->vkCode,
                           event->scanCode, event->flags & ~MouseEventFlag,
                           event->time,     event->dwExtraInfo};
        HookState.Keys.RepeatLapseMs = HookState.Link->RepeatLapseMs;
        const StreamStep step =
            FollowKeyEvent(HookState.Keys, key, HookState.Bound, {StandsAside, GetAsyncKeyState});
        CarryOut(step);
        if (step.Swallow)
            return 1;
    }
    return CallNextHookEx(nullptr, code, message, data);
}

// Called for every movement of the mouse: one test tells a movement, which goes on at once.
LRESULT CALLBACK MouseHook(int code, WPARAM message, LPARAM data) {
    if (message != WM_MOUSEMOVE && code == HC_ACTION) {
        const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
        if (NoteMouseEventForWatch(HookState.Link->Watch, *event))
            return 1;
        const StreamStep step = FollowMouseEvent(
            HookState.Keys, {message, event->mouseData, event->time, event->dwExtraInfo},
            HookState.Bound, {StandsAside, GetAsyncKeyState});
        CarryOut(step);
        if (step.Swallow)
            return 1;
    }
    return CallNextHookEx(nullptr, code, message, data);
}

// Puts the mouse hook in place while the table binds a mouse code, and takes it away once it
// binds none and the mouse holds nothing of the decision's (a button's release still to come,
// an event held back, one injected on its way).
void UpdateMouseHook() {
    const bool wanted = HookState.MouseBound || HoldsMouseInput(HookState.Keys);
    if (wanted && !HookState.MouseHook) {
        HookState.MouseHook = SetWindowsHookExW(WH_MOUSE_LL, MouseHook, HookState.Module, 0);
    } else if (!wanted && HookState.MouseHook) {
        UnhookWindowsHookEx(HookState.MouseHook);
        HookState.MouseHook = nullptr;
    }
    HookState.Link->Watch.MouseHooked = HookState.MouseHook != nullptr;
}

// The modifiers down at the moment, by the bits of ModifierKeys.
ModifierKeys ModifiersDownNow() {
    ModifierKeys down = 0;
    for (int i = 0; i < 8; ++i)
        if (GetAsyncKeyState(ModifierVirtualKeys[i]) & 0x8000)
            down = static_cast<ModifierKeys>(down | (1u << i));
    return down;
}

// The hook as installed: the watch also learns when each call ends, since the system removes a
// hook whose call ran long, however early the call began.
LRESULT CALLBACK WatchedKeyboardHook(int code, WPARAM message, LPARAM data) {
    const LRESULT result = KeyboardHook(code, message, data);
    if (code == HC_ACTION)
        NoteCallEnd(HookState.Link->Watch, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data));
    return result;
}

// Installs the hook; again: in place of one the system may have removed without a word, or of
// one that could not be installed at the watch's previous try, which tries again until its probe
// comes through.
bool InstallHook(bool again) {
    if (HookState.Hook)
        UnhookWindowsHookEx(HookState.Hook);
    if (again)
        ResumeAfterReinstall(HookState.Keys, ModifiersDownNow());
    HookState.Hook = SetWindowsHookExW(WH_KEYBOARD_LL, WatchedKeyboardHook, HookState.Module, 0);
    // The mouse hook too, when the table needs it: the system may have removed it as well.
    if (HookState.MouseHook)
        UnhookWindowsHookEx(HookState.MouseHook);
    HookState.MouseHook = nullptr;
    UpdateMouseHook();
    ArmHoldTimer();
    return HookState.Hook != nullptr;
}

// Takes the reader's newest table in place of the one in use. The hook runs on this thread, so
// the old table is not in use while this runs.
void AdoptPendingTable() {
    BoundKeys* fresh = TakePendingTable(*HookState.Link);
    if (!fresh)
        return;
    const BoundKeys old = HookState.Bound;
    HookState.Bound = *fresh;
    *fresh = old;
    FreeTakenTable(fresh);
    HookState.MouseBound = BindsMouseCode(HookState.Bound);
    if (HookState.Hook) // else InstallHook puts both in place
        UpdateMouseHook();
    ArmHoldTimer(); // the long-press delay may have changed
}

// Waits for the stop, the long-press timer or a message, and handles what came, until the stop
// is set.
void RunThreadLoop() {
    for (;;) {
        const HANDLE handles[2] = {HookState.Stop, HookState.HoldTimer};
        const DWORD woken =
            MsgWaitForMultipleObjectsEx(2, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED)
            return;
        if (woken == WAIT_OBJECT_0 + 1) {
            CarryOut(FollowTime(HookState.Keys, GetTickCount(), HookState.Bound,
                                {StandsAside, GetAsyncKeyState}));
            ArmHoldTimer();
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.hwnd) {
                DispatchMessageW(&message);
            } else if (message.message == NewTableMessage) {
                AdoptPendingTable();
            } else if (message.message == ReinstallMessage) {
                InstallHook(true);
            } else if (message.message == ReplayMessage) {
                SendReplay();
            } else {
                DispatchMessageW(&message);
            }
        }
        // The last button of a table that binds none let go: no more mouse hook.
        if (HookState.MouseHook && !HookState.MouseBound)
            UpdateMouseHook();
    }
}

// Starts the reader with a reference to the library of its own; false when it cannot start.
bool StartReader() {
    HMODULE pinned = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&ReaderThread), &pinned))
        return false;
    HookState.Reader = CreateThread(nullptr, ThreadStackBytes, ReaderThread, HookState.Link,
                                    STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (HookState.Reader)
        return true;
    FreeLibrary(pinned);
    return false;
}

DWORD WINAPI HookThread(void*) {
    // The queue exists from here on, so that the posts to the thread are not lost.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    HookState.ThreadId = GetCurrentThreadId();
    // Under Wine the session questions have stubs for answers that never agree.
    DWORD session = 0;
    HookState.SessionKnown =
        !RunsUnderWine() && ProcessIdToSessionId(GetCurrentProcessId(), &session);
    HookState.Session = session;
    // The modifiers held at the start count, as after a reinstall.
    HookState.Keys = KeyboardState();
    ResumeAfterReinstall(HookState.Keys, ModifiersDownNow());
    HookState.Link = MakeReaderLink(HookState.Module);
    if (HookState.Link) {
        HookState.Link->HookThreadId = HookState.ThreadId;
        if (!StartReader()) {
            ReleaseReaderLink(HookState.Link); // the reader's reference
        } else {
            WaitForSingleObject(HookState.Link->FirstTable, FirstReadWaitMs);
            AdoptPendingTable();
        }
    }
    HookState.HoldTimer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    HookState.Installed =
        HookState.Link && HookState.Reader && HookState.HoldTimer && InstallHook(false);
    SetEvent(HookState.Ready);
    if (HookState.Installed)
        RunThreadLoop();

    if (HookState.Hook)
        UnhookWindowsHookEx(HookState.Hook);
    if (HookState.MouseHook)
        UnhookWindowsHookEx(HookState.MouseHook);
    HookState.Hook = HookState.MouseHook = nullptr;
    // What the applications must still receive: no key stays down for them, no key-up of the
    // user's that was queued is lost. Sent once the hook is gone, since the hook's call would
    // wait for this thread's loop, which has ended.
    FinishAtStop(HookState.Keys, HookState.Bound);
    SendReplay();
    if (HookState.Link)
        SetEvent(HookState.Link->Stop);
    if (HookState.Reader)
        WaitForSingleObject(HookState.Reader, ReaderStopWaitMs);
    CloseIfSet(HookState.Reader);
    ReleaseReaderLink(HookState.Link);
    HookState.Link = nullptr;
    CloseIfSet(HookState.HoldTimer);
    FreeBoundKeys(HookState.Bound);
    HookState.MouseBound = false;
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
