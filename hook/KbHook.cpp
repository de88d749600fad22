// kbhook.dll: reports the extra keys of any keyboard to one window, the way Keyloft expects of
// its hook library, and keeps bound keys from doing their usual action as well.
//
// Everything runs on the thread that calls HookKeyboard(1, ...): the system calls a low-level
// hook on the thread that installed it, through that thread's message loop, and the thread timer
// that watches the configuration file is dispatched by the same loop. So nothing here is shared
// between threads and nothing needs a lock.
//
// While the hook runs, every keyboard event of the desktop waits for the callback, so the
// callback does nothing but a lookup in a table in memory and a PostMessage. The table is
// built from the configuration file when the hook starts and rebuilt by a timer that looks at
// the file's last-write time and size once a second. That look is one metadata query between
// messages; the file itself is read only after it changed. Looking in the callback instead would
// put the file system, possibly a network share, in the path of every key.
#include "hook/BindingFile.h"
#include "hook/HookKeys.h"

#include <windows.h>

#include <string>

namespace {

constexpr UINT ConfigCheckPeriodMs = 1000;

struct HookStateRecord {
    HINSTANCE Module = nullptr;
    HHOOK Hook = nullptr;    // the low-level keyboard hook while reporting
    HWND Window = nullptr;   // receives HookKeyMessage
    UINT_PTR CheckTimer = 0; // thread timer that watches the configuration file
    std::wstring ConfigPath; // the executable's path with ".ini"
    FileStamp ConfigStamp;   // the file as it was when Bound was built
    BoundKeys Bound;         // codes with a binding; their events are swallowed
};

HookStateRecord HookState;

void ReloadBindingsIfChanged() {
    const FileStamp stamp = ReadFileStamp(HookState.ConfigPath);
    if (stamp == HookState.ConfigStamp)
        return;
    // Stamp first: an edit made while the file is being read shows as a change next time.
    HookState.ConfigStamp = stamp;
    try {
        HookState.Bound = stamp.Exists ? LoadBoundKeys(HookState.ConfigPath) : BoundKeys();
    } catch (...) {
        // Out of memory: keep the table we have and try again at the next change.
        HookState.ConfigStamp = FileStamp();
    }
}

void CALLBACK CheckConfigTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!HookState.Hook) {
        KillTimer(nullptr, timer);
        return;
    }
    ReloadBindingsIfChanged();
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
        const KeyVerdict verdict =
            DecideKeyEvent(message, event->vkCode, event->scanCode, event->flags, HookState.Bound);
        if (verdict.Report)
            PostMessageW(HookState.Window, HookKeyMessage, verdict.Code, event->vkCode);
        if (verdict.Swallow)
            return 1;
    }
    return CallNextHookEx(nullptr, code, message, data);
}

LONG StartReporting(HWND window) {
    if (!IsWindow(window))
        return 0;
    // Already running: keep the one hook, so that no key is reported twice, and report to the
    // window of the latest call.
    HookState.Window = window;
    if (HookState.Hook)
        return 1;
    HookState.ConfigPath = ConfigPathFor(ProcessExecutablePath());
    HookState.ConfigStamp = FileStamp();
    HookState.Bound.clear();
    ReloadBindingsIfChanged();
    HookState.Hook = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, HookState.Module, 0);
    if (!HookState.Hook) {
        HookState.Window = nullptr;
        return 0;
    }
    HookState.CheckTimer = SetTimer(nullptr, 0, ConfigCheckPeriodMs, CheckConfigTimer);
    return 1;
}

LONG StopReporting() {
    if (!HookState.Hook)
        return 0;
    UnhookWindowsHookEx(HookState.Hook);
    HookState.Hook = nullptr;
    if (HookState.CheckTimer)
        KillTimer(nullptr, HookState.CheckTimer);
    HookState.CheckTimer = 0;
    HookState.Window = nullptr;
    HookState.Bound.clear();
    return 1;
}

} // namespace

// start 1: install the hook and report to window; start 0: remove it. Any other call, and a call
// in the wrong state, changes nothing. Returns 1 when the call did what it asked for.
extern "C" LONG WINAPI HookKeyboard(LONG start, HWND window) {
    try {
        if (start == 1)
            return StartReporting(window);
        if (start == 0)
            return StopReporting();
    } catch (...) {
        // Nothing may unwind into the caller, which was built with another runtime.
    }
    return 0;
}

// Keyloft hands the sleep key's messages back here. This library has no sleep-key routine of
// its own: the sleep key is reported like every other extra key and keeps its usual action.
extern "C" LONG WINAPI SystemSleepKeyProc(WPARAM, LPARAM) {
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        HookState.Module = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr && HookState.Hook) {
        // Freed while still reporting: the hook and the timer would call into unmapped code.
        StopReporting();
    }
    return TRUE;
}
