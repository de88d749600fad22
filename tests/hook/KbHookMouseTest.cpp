// kbhook.dll and the mouse: bound buttons and notches are reported and swallowed, unbound ones
// pass on, a tap of a button bound only as a long press comes back as a click, and the mouse
// hook is in place only while the file binds a mouse code.
#include "HookHarness.h"

#include "hook/InjectMark.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

struct MouseSeen {
    WPARAM Message;
    short Data; // the side button, or the wheel's turn
    bool Marked;
};
std::vector<MouseSeen> MouseObserved;

LRESULT CALLBACK MouseObserverProc(int code, WPARAM message, LPARAM data) {
    const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && message != WM_MOUSEMOVE)
        MouseObserved.push_back({message, static_cast<short>(HIWORD(event->mouseData)),
                                 event->dwExtraInfo == KeyloftSendMark});
    return CallNextHookEx(nullptr, code, message, data);
}

void SendMouse(DWORD flags, short data) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = static_cast<DWORD>(static_cast<LONG>(data));
    SendInput(1, &input, sizeof(input));
}

using KbHookMouse = LiveHookTest;

TEST_F(KbHookMouse, BoundButtonsAndNotchesAreTakenAndUnboundOnesPass) {
    Config.Write("[Keyloft]\r\nF005=x\r\n2F00A=x\r\n10F006=x\r\n");
    // Installed before the library's mouse hook, so called after it.
    const HHOOK observer =
        SetWindowsHookExW(WH_MOUSE_LL, MouseObserverProc, GetModuleHandleW(nullptr), 0);
    ASSERT_NE(observer, nullptr);
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    // The click given back lands on the window with the focus, which keeps it.
    RECT area{};
    GetWindowRect(Focus.Window, &area);
    SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    ClearRecords();
    MouseObserved.clear();
    // A binding's key event, without a virtual key, as Keyloft sends it: the system counts key 0
    // down from then on, and the notches are taken all the same.
    constexpr InjectedKey KeyEventOfABinding{0, 0x1E, false};
    SendKey(KeyEventOfABinding, false);
    SendMouse(MOUSEEVENTF_XDOWN, XBUTTON1);
    SendMouse(MOUSEEVENTF_XUP, XBUTTON1);
    SendMouse(MOUSEEVENTF_WHEEL, WHEEL_DELTA); // WheelUp without Ctrl: unbound
    SendKey(LeftCtrlKey, false);
    SendMouse(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    SendMouse(MOUSEEVENTF_WHEEL, -WHEEL_DELTA);
    SendKey(LeftCtrlKey, true);
    SendMouse(MOUSEEVENTF_XDOWN, XBUTTON2); // a tap: its click given back at the release
    SendMouse(MOUSEEVENTF_XUP, XBUTTON2);
    ASSERT_TRUE(SyncInput(Focus.Window));
    UnhookWindowsHookEx(observer);
    SendKey(KeyEventOfABinding, true);
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), (std::vector<WPARAM>{0xF005, 0x2F00A}));
    const std::vector<MouseSeen> expected = {{WM_MOUSEWHEEL, WHEEL_DELTA, false},
                                             {WM_MOUSEWHEEL, -WHEEL_DELTA, false},
                                             {WM_XBUTTONDOWN, XBUTTON2, true},
                                             {WM_XBUTTONUP, XBUTTON2, true}};
    if (MouseObserved.size() != expected.size()) { // what came instead, to tell why
        std::printf("focus kept: %d\n", GetForegroundWindow() == Focus.Window);
        for (const MouseSeen& seen : MouseObserved)
            std::printf("seen %X %d%s\n", static_cast<unsigned>(seen.Message), seen.Data,
                        seen.Marked ? " marked" : "");
    }
    ASSERT_EQ(MouseObserved.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(MouseObserved[i].Message, expected[i].Message) << i;
        EXPECT_EQ(MouseObserved[i].Data, expected[i].Data) << i;
        EXPECT_EQ(MouseObserved[i].Marked, expected[i].Marked) << i;
    }
    EXPECT_EQ(ObservedOf(LeftCtrlKey).size(), 2u) << "Ctrl passes on";
}

// The spy on the library's imports of SetWindowsHookExW and UnhookWindowsHookEx tells when its
// mouse hook comes and goes.
TEST_F(KbHookMouse, MouseHookIsInPlaceOnlyWhileAMouseCodeIsBound) {
    ASSERT_TRUE(SpyOnHookInstalls(Library.Module));
    Config.Write("[Keyloft]\r\nE06C=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(MailKey);
    EXPECT_FALSE(MouseHookInPlace()) << "none while no mouse code is bound";
    Config.Write("[Keyloft]\r\nE06C=x\r\n120F006=x\r\n");
    EXPECT_TRUE(PumpUntil([] { return MouseHookInPlace(); })) << "one once a code is bound";
    Config.Write("[Keyloft]\r\nE06C=x\r\nF006=\r\n");
    EXPECT_TRUE(PumpUntil([] { return !MouseHookInPlace(); })) << "gone with the last one";
    EXPECT_EQ(HookInstallsSeen(), 1) << "the keyboard hook stayed";
}

} // namespace
