// The resident program's life cycle, driven from outside like a user and the system would.
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "support/KeyloftDriver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void PostTray(HWND window, LPARAM mouseMessage) {
    PostMessageW(window, TrayCallbackMessage, TrayIconId, mouseMessage);
}

size_t CountLines(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

struct RunningKeyloft {
    KeyloftFolder Folder;
    KeyloftProcess Process;
    HWND Window = nullptr;

    RunningKeyloft() {
        PrepareKeyloft(Folder, HookVariant::Full);
        EXPECT_TRUE(StartKeyloft(Folder, Process));
        Window = WaitForMainWindow();
    }
    std::vector<std::string> HookLog(size_t atLeast = 0) {
        return WaitForLogLines(Folder.HookLogPath(), atLeast);
    }
};

} // namespace

TEST(LifeCycle, StartsTheHookOnItsWindowAndARightDoubleClickEndsIt) {
    RunningKeyloft keyloft;
    ASSERT_NE(keyloft.Window, nullptr);
    const std::vector<std::string> started = keyloft.HookLog(1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], HookKeyboardLine(1, keyloft.Window));

    PostTray(keyloft.Window, WM_RBUTTONUP);
    PostTray(keyloft.Window, WM_RBUTTONDBLCLK);
    EXPECT_EQ(WaitForExit(keyloft.Process), 0u);
    const std::vector<std::string> log = keyloft.HookLog();
    ASSERT_EQ(log.size(), 2u) << "a right double-click ends the program without a restart";
    EXPECT_EQ(log[1], HookKeyboardLine(0, keyloft.Window));
}

TEST(LifeCycle, AQuitMessageToItsThreadEndsItTheSameWay) {
    RunningKeyloft keyloft;
    ASSERT_NE(keyloft.Window, nullptr);
    keyloft.HookLog(1);
    PostThreadMessageW(GetWindowThreadProcessId(keyloft.Window, nullptr), WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForExit(keyloft.Process), 0u);
    const std::vector<std::string> log = keyloft.HookLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], HookKeyboardLine(0, keyloft.Window));
}

TEST(LifeCycle, APowerBroadcastRestartsOnANewWindow) {
    RunningKeyloft keyloft;
    ASSERT_NE(keyloft.Window, nullptr);
    keyloft.HookLog(1);
    PostMessageW(keyloft.Window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    const std::vector<std::string> log = keyloft.HookLog(3);
    HWND renewed = WaitForMainWindow();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], HookKeyboardLine(0, keyloft.Window));
    EXPECT_EQ(log[2], HookKeyboardLine(1, renewed));
    EXPECT_FALSE(IsWindow(keyloft.Window));
}

TEST(LifeCycle, ARightClickRestartsOnceAfterHalfASecond) {
    RunningKeyloft keyloft;
    ASSERT_NE(keyloft.Window, nullptr);
    keyloft.HookLog(1);
    const DWORD clicked = GetTickCount();
    PostTray(keyloft.Window, WM_RBUTTONUP);
    const std::vector<std::string> log = keyloft.HookLog(3);
    const DWORD elapsed = GetTickCount() - clicked;
    ASSERT_EQ(log.size(), 3u);
    EXPECT_GE(elapsed, 450u) << "the restart waits for the double-click time";
    Sleep(1500);
    EXPECT_EQ(keyloft.HookLog().size(), 3u) << "one right click, one restart";
}

TEST(LifeCycle, TwoQuickRightClicksRestartOnce) {
    RunningKeyloft keyloft;
    ASSERT_NE(keyloft.Window, nullptr);
    keyloft.HookLog(1);
    PostTray(keyloft.Window, WM_RBUTTONUP);
    Sleep(150);
    PostTray(keyloft.Window, WM_RBUTTONUP);
    keyloft.HookLog(3);
    Sleep(1500);
    const std::vector<std::string> log = keyloft.HookLog();
    EXPECT_EQ(log.size(), 3u);
    EXPECT_EQ(CountLines(log, HookKeyboardLine(0, keyloft.Window)), 1u);
}

TEST(LifeCycle, TheSleepKeyGoesBackToTheHookLibrary) {
    RunningKeyloft keyloft;
    ASSERT_NE(keyloft.Window, nullptr);
    keyloft.HookLog(1);
    PostMessageW(keyloft.Window, HookKeyMessage, 0x29, 77);
    PostMessageW(keyloft.Window, SleepKeyMessage, 5, 0xFFFFFFFF);
    const std::vector<std::string> log = keyloft.HookLog(3);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], "SystemSleepKeyProc 0 0");
    EXPECT_EQ(log[2], "SystemSleepKeyProc 5 4294967295");
}

TEST(LifeCycle, UnhandledMessagesGetTheDefaultHandling) {
    RunningKeyloft keyloft;
    ASSERT_NE(keyloft.Window, nullptr);
    wchar_t name[128] = {};
    GetWindowTextW(keyloft.Window, name, 128);
    EXPECT_EQ(std::wstring(name), AppState.Title);
    EXPECT_FALSE(IsWindowVisible(keyloft.Window));
}
