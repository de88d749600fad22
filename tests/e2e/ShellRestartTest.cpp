// Restarts seen from outside: the shell's restart brings the tray icon back, as a notification
// area of the test's own sees it, and many restarts of the program leave nothing behind.
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "support/ForegroundWindow.h"
#include "support/KeyloftDriver.h"
#include "support/ProcessCounters.h"
#include "support/TestShellTray.h"

#include <gtest/gtest.h>

namespace {

struct KeyloftWithTray {
    TestShellTray Tray; // in place before the program starts, so that its first icon comes here
    KeyloftFolder Folder;
    KeyloftProcess Process;
    HWND Window = nullptr;

    bool Start() {
        PrepareKeyloft(Folder, HookVariant::Full);
        return StartKeyloft(Folder, Process) && WaitForWindowOtherThan(nullptr);
    }
    // The program sends its icon calls to this thread: wait while answering them.
    bool WaitForWindowOtherThan(HWND previous) {
        return PumpMessagesUntil(
            [&] {
                Window = FindWindowW(AppState.Title.c_str(), AppState.Title.c_str());
                return Window && Window != previous;
            },
            15000);
    }
    size_t Adds() const { return Tray.Count(NIM_ADD, TrayIconId, Window); }
};

} // namespace

TEST(ShellRestart, TaskbarCreatedAddsTheIconAgain) {
    KeyloftWithTray keyloft;
    ASSERT_TRUE(keyloft.Tray.Receives()) << "another Shell_TrayWnd window comes first";
    ASSERT_TRUE(keyloft.Start());
    ASSERT_TRUE(PumpMessagesUntil([&] { return keyloft.Adds() == 1; }, 15000));

    PostMessageW(keyloft.Window, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(PumpMessagesUntil([&] { return keyloft.Adds() == 2; }, 5000))
        << "the icon was not added again after the shell restarted";
    EXPECT_EQ(keyloft.Tray.Count(NIM_DELETE, TrayIconId), 0u);
}

TEST(ShellRestart, FiftyRestartsLeaveHandlesWindowsAndMemoryFlat) {
    KeyloftWithTray keyloft;
    ASSERT_TRUE(keyloft.Tray.Receives());
    ASSERT_TRUE(keyloft.Start());
    const DWORD id = keyloft.Process.Info.dwProcessId;
    auto restart = [&] {
        HWND previous = keyloft.Window;
        PostMessageW(previous, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        return keyloft.WaitForWindowOtherThan(previous);
    };
    ASSERT_TRUE(restart()) << "the first restart settles what a restart loads once";
    PumpMessagesFor(200);
    const ProcessCounters before = ReadProcessCounters(id);
    ASSERT_TRUE(before.Handles.Known && before.Memory.Known);

    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(restart()) << "restart " << i;
    PumpMessagesFor(200);
    const ProcessCounters after = ReadProcessCounters(id);

    // One handle or window kept per restart would show as 50; memory as 50 times its size.
    // Wine's heap grows in steps and gives them back later: 50 restarts take about 160 KiB
    // here, a thousand up to 500 KiB, three thousand end some 150 KiB above where they began.
    EXPECT_LE(after.Handles.Value, before.Handles.Value + 5) << before.Handles.Source;
    EXPECT_EQ(after.Windows.Value, before.Windows.Value);
    EXPECT_LE(after.Memory.Value, before.Memory.Value + 512 * 1024) << before.Memory.Source;
    EXPECT_EQ(keyloft.Tray.Count(NIM_ADD, TrayIconId), 52u);
    EXPECT_EQ(keyloft.Tray.Count(NIM_DELETE, TrayIconId), 51u);
}
