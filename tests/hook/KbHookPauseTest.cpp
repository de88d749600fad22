// kbhook.dll stands aside, reporting and swallowing nothing, while a program of PauseIn owns the
// window in front, or, with PauseFullScreen, while the window in front covers its monitor; and
// acts again once neither holds.
#include "HookHarness.h"

#include "hook/Foreground.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using KbHookPause = LiveHookTest;

// Whether the library acted on a press of the Mail key: reported and swallowed it, or passed
// it on untouched to the later hook.
void ExpectMailActed(bool acted) {
    EXPECT_EQ(Records.Reports.size(), acted ? 1u : 0u);
    EXPECT_EQ(ObservedOf(MailKey).size(), acted ? 0u : 2u);
}

// Presses the Mail key until the library acts on it as asked, for five seconds at most, then
// once more: the reader follows the window in front by the system's events, a moment after the
// change.
void PressMailUntilActed(bool acted, HWND focus) {
    for (int attempt = 0; attempt < 25; ++attempt) {
        ClearRecords();
        PressKey(MailKey);
        ASSERT_TRUE(SyncInput(focus));
        if (Records.Reports.size() == (acted ? 1u : 0u))
            break;
        PumpFor(100);
    }
    ClearRecords();
    PressKey(MailKey);
    ASSERT_TRUE(SyncInput(focus));
    ExpectMailActed(acted);
}

// How long the library may take to follow a change of the window in front.
constexpr DWORD FollowLagMs = 300;

// Handles messages until window is in front, for five seconds at most.
bool WaitInFront(HWND window) {
    for (int wait = 0; wait < 50 && GetForegroundWindow() != window; ++wait) {
        SetForegroundWindow(window);
        PumpFor(100);
    }
    return GetForegroundWindow() == window;
}

struct FoundWindow {
    DWORD Process;
    HWND Window;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM parameter) {
    auto* found = reinterpret_cast<FoundWindow*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != found->Process || !IsWindowVisible(window))
        return TRUE;
    found->Window = window;
    return FALSE;
}

// Another program with a window of its own (Wine's Notepad by default), ended with the guard.
struct OtherProgram {
    explicit OtherProgram(std::wstring command = L"notepad.exe") {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &Process))
            return;
        WaitForInputIdle(Process.hProcess, 5000);
        FoundWindow found{Process.dwProcessId, nullptr};
        for (int wait = 0; wait < 50 && !found.Window; ++wait) {
            EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&found));
            if (!found.Window)
                PumpFor(100);
        }
        Window = found.Window;
    }
    ~OtherProgram() {
        if (!Process.hProcess)
            return;
        TerminateProcess(Process.hProcess, 0);
        WaitForSingleObject(Process.hProcess, 5000);
        CloseHandle(Process.hProcess);
        CloseHandle(Process.hThread);
    }
    PROCESS_INFORMATION Process = {};
    HWND Window = nullptr;
};

TEST_F(KbHookPause, KeysPassWhileAListedProgramIsInFront) {
    Config.Write("[Keyloft]\r\nPauseIn = other.exe , KBHOOKTESTS.EXE\r\nE06C=calc.exe\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(MailKey);
    ExpectMailActed(false);
    EXPECT_EQ(KeysOf(MailKey, Focus.Window).size(), 2u) << "the window in front has the key";

    OtherProgram other;
    ASSERT_NE(other.Window, nullptr);
    ASSERT_TRUE(WaitInFront(other.Window));
    PressMailUntilActed(true, nullptr);

    ASSERT_TRUE(BringToForeground(Focus.Window));
    PressMailUntilActed(false, Focus.Window);
}

TEST_F(KbHookPause, KeysPassWhileTheWindowInFrontCoversItsMonitor) {
    Config.Write("[Keyloft]\r\nPauseFullScreen=1\r\nE06C=calc.exe\r\n001E=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(MailKey);
    ExpectMailActed(true);

    // Over the whole monitor, with its caption and sizing border: as a maximized window.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(
        GetMonitorInfoW(MonitorFromWindow(Focus.Window, MONITOR_DEFAULTTOPRIMARY), &monitor));
    RECT before;
    GetWindowRect(Focus.Window, &before);
    const RECT& all = monitor.rcMonitor;
    SetWindowPos(Focus.Window, nullptr, all.left, all.top, all.right - all.left,
                 all.bottom - all.top, SWP_NOZORDER);
    PumpFor(FollowLagMs);
    PressAndSync(MailKey);
    ExpectMailActed(true);

    // Full-screen while it keeps the focus, as a browser's F11 does: without caption and border.
    const LONG style = GetWindowLongW(Focus.Window, GWL_STYLE);
    SetWindowLongW(Focus.Window, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    SetWindowPos(Focus.Window, nullptr, all.left, all.top, all.right - all.left,
                 all.bottom - all.top, SWP_NOZORDER | SWP_FRAMECHANGED);
    PumpFor(FollowLagMs);
    PressAndSync(MailKey);
    ExpectMailActed(false);
    PressAndSync(LetterAKey);
    EXPECT_EQ(ObservedOf(LetterAKey).size(), 2u) << "a bound ordinary key, down and up";

    SetWindowLongW(Focus.Window, GWL_STYLE, style);
    SetWindowPos(Focus.Window, nullptr, before.left, before.top, before.right - before.left,
                 before.bottom - before.top, SWP_NOZORDER | SWP_FRAMECHANGED);
    PumpFor(FollowLagMs);
    PressAndSync(MailKey);
    ExpectMailActed(true);
}

// A plain window of another program brought to the front and back by this one, which PauseIn
// lists: followed within FollowLagMs, and at once after an idle spell.
TEST_F(KbHookPause, PauseFollowsAPlainWindowBroughtToTheFrontAndBack) {
    Config.Write("[Keyloft]\r\nPauseIn=other.exe, KBHOOKTESTS.EXE\r\nE06C=calc.exe\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    OtherProgram plain(L"\"" + BinFolder() + L"KeyloftPlainWindow.exe\"");
    ASSERT_NE(plain.Window, nullptr);
    for (int round = 0; round < 6; ++round) {
        const bool toPlain = round % 2 == 0;
        PumpFor(round < 4 ? 0 : FollowSpellMs + 500);
        ASSERT_TRUE(WaitInFront(toPlain ? plain.Window : Focus.Window));
        PumpFor(round < 4 ? FollowLagMs : 0);
        for (int press = 0; press < 2; ++press) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", press " << press);
            ClearRecords();
            PressKey(MailKey);
            ASSERT_TRUE(SyncInput(nullptr));
            ExpectMailActed(toPlain);
        }
    }
}

} // namespace
