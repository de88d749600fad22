#include "check/KeyTester.h"

#include "check/ActingLine.h"
#include "check/Checks.h"
#include "check/KeyNames.h"
#include "check/Output.h"
#include "hook/HookKeys.h"
#include "hook/KeyWatch.h"
#include "hook/MouseWatch.h"
#include "mapping/Config.h"
#include "shell/AppState.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace {

// Posted to the tester's thread by its hook for each new key-down: the code and the virtual key.
constexpr UINT TestedKeyMessage = WM_APP + 1;
constexpr std::uint32_t EscKey = 0x01;

// The hook's view of the keyboard: the library's own modifier tracking (the same function as the
// library's hook, so that the codes shown are those it reports), and the keys held, so that
// auto-repeats show once. The hook runs on a thread of its own, which does nothing else:
// every key of the desktop waits for it, and the tester's thread reads the file and writes to
// the console for each key.
struct TesterStateRecord {
    DWORD ThreadId = 0; // the tester's thread, which the hook tells of each key
    DWORD HookThreadId = 0;
    HANDLE HookReady = nullptr;
    bool HookInstalled = false;
    KeyboardState Keys;
};

TesterStateRecord TesterState;

LRESULT CALLBACK TesterHook(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
        std::uint32_t pressed = 0;
        const KeyEvent key{message,      event->vkCode, event->scanCode,
                           event->flags, event->time,   event->dwExtraInfo};
        if (FollowModifiers(TesterState.Keys, key, {nullptr, GetAsyncKeyState}, pressed) &&
            !IsHeldRepeat(TesterState.Keys.Held, message, pressed & KeyCodeBits, event->time) &&
            IsKeyDownMessage(message))
            PostThreadMessageW(TesterState.ThreadId, TestedKeyMessage, pressed, event->vkCode);
    }
    return CallNextHookEx(nullptr, code, message, data);
}

// The mouse's buttons and wheel, bound or not, with the modifiers held, as the library's mouse
// hook takes them; a movement costs the test of its message.
LRESULT CALLBACK TesterMouseHook(int code, WPARAM message, LPARAM data) {
    if (message != WM_MOUSEMOVE && code == HC_ACTION) {
        const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
        bool up = false;
        const MouseInput* mouse = MouseOfEvent({message, event->mouseData, event->time, 0}, up);
        if (mouse && !up)
            PostThreadMessageW(TesterState.ThreadId, TestedKeyMessage,
                               mouse->Code | ModifierCodeBits(TesterState.Keys.Modifiers),
                               mouse->VirtualKey);
    }
    return CallNextHookEx(nullptr, code, message, data);
}

std::wstring Hex(std::uint32_t code) {
    return KeyText(static_cast<std::int32_t>(code));
}

// One line per key: its code, its name, and what the file binds to it.
std::wstring KeyLine(std::uint32_t code) {
    const std::wstring single = Hex(code);
    const std::wstring held = Hex(code | LongPressBit);
    std::wstring line = single + L"  " + CodeName(code) + L"\n";
    if (code == SleepKeyCode)
        return line + L"    never reported: Keyloft hands 0029 back to the library\n";
    line += L"    single press: " + DescribePress(ReadSetting(single, L"")) + L"\n";
    line += L"    double press (" + single + L"+): " +
            DescribeBinding(ReadSetting(single + L"+", L"")) + L"\n";
    const MouseInfo* mouse = MouseOfCode(code & KeyCodeBits);
    if (!mouse || !IsWheel(*mouse)) // a notch is never held
        line += L"    long press (" + held + L"): " + DescribePress(ReadSetting(held, L"")) + L"\n";
    return line;
}

// The hook's thread: installs the hook, then dispatches until told to quit.
DWORD WINAPI HookThread(void*) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before the quit
    const HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, TesterHook, GetModuleHandleW(nullptr), 0);
    const HHOOK mouseHook =
        hook ? SetWindowsHookExW(WH_MOUSE_LL, TesterMouseHook, GetModuleHandleW(nullptr), 0)
             : nullptr;
    TesterState.HookInstalled = hook != nullptr;
    SetEvent(TesterState.HookReady);
    if (!hook)
        return 0;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    UnhookWindowsHookEx(hook);
    if (mouseHook)
        UnhookWindowsHookEx(mouseHook);
    return 0;
}

// The next key pressed in the console's own input.
WORD ReadConsoleKey() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    FlushConsoleInputBuffer(input);
    for (;;) {
        INPUT_RECORD record;
        DWORD read = 0;
        if (!ReadConsoleInputW(input, &record, 1, &read) || read == 0)
            return 0;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)
            return record.Event.KeyEvent.wVirtualKeyCode;
    }
}

} // namespace

int RunKeyTester() {
    TesterState = TesterStateRecord();
    TesterState.ThreadId = GetCurrentThreadId();
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before the first key
    TesterState.HookReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE thread = TesterState.HookReady ? CreateThread(nullptr, 0, HookThread, nullptr, 0,
                                                               &TesterState.HookThreadId)
                                                : nullptr;
    if (thread)
        WaitForSingleObject(TesterState.HookReady, INFINITE);
    if (TesterState.HookReady)
        CloseHandle(TesterState.HookReady);
    if (!thread || !TesterState.HookInstalled) {
        if (thread) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        WriteOut(L"The key tester cannot watch the keyboard here.\n");
        return 2;
    }
    WriteOut(L"Key tester: press keys and chords, mouse buttons and the wheel, to see their codes "
             L"as Keyloft gets them, with their bindings in\n" +
             AppState.ConfigPath +
             L"\nThe keys still do what they always do. Press Esc twice to end.\n\n");
    int escapes = 0;
    while (escapes < 2 && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message != TestedKeyMessage || message.hwnd) {
            DispatchMessageW(&message);
            continue;
        }
        const auto code = static_cast<std::uint32_t>(message.wParam);
        escapes = code == EscKey ? escapes + 1 : 0;
        if (code != EscKey)
            WriteOut(KeyLine(code));
    }
    PostThreadMessageW(TesterState.HookThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    WriteOut(L"Key tester ended.\n");
    return 0;
}

bool OwnConsole() {
    // Output or input redirected means a caller that reads or feeds it: no one to wait for.
    DWORD mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ||
        !GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode))
        return false;
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

unsigned short OfferKeyTester(const std::wstring& more) {
    WriteOut(L"\nPress T to try keys in the key tester, " + more +
             L"or any other key to close this window.\n");
    return ReadConsoleKey();
}

void WaitBeforeClosing() {
    WriteOut(L"\nPress any key to close this window.\n");
    ReadConsoleKey();
}
