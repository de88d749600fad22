// The tray icon record and the icon shown, checked inside the process where the program's own
// code runs against a real hidden window.
#include "shell/AppState.h"
#include "shell/LifeCycle.h"
#include "shell/MainWindow.h"
#include "support/ForegroundWindow.h"
#include "support/TestShellTray.h"

#include <gtest/gtest.h>

namespace {

class TrayIcon : public ::testing::Test {
  protected:
    TestShellTray Shell; // in place before the first add, on this thread: pumping answers it
    void SetUp() override {
        AppState.MainWindow = CreateMainWindow();
        ASSERT_NE(AppState.MainWindow, nullptr);
        LoadTrayIcons();
        AddTrayIcon(AppState.MainWindow);
    }
    void TearDown() override {
        ShutDown();
        AppState.Quitting = false;
        AppState.ReportMode = false;
    }
    void Tray(LPARAM mouseMessage) {
        EXPECT_EQ(
            MainWindowProc(AppState.MainWindow, TrayCallbackMessage, TrayIconId, mouseMessage), 0);
    }
};

} // namespace

TEST_F(TrayIcon, TheRecordHoldsTheFirstVersionLayoutWithTheTitleAsTip) {
    const NOTIFYICONDATAW& data = AppState.TrayIconData;
    // The first-version layout: 152 bytes on 32-bit Windows, 168 with 64-bit handles.
    EXPECT_EQ(data.cbSize, sizeof(void*) == 4 ? 152u : 168u);
    EXPECT_EQ(data.hWnd, AppState.MainWindow);
    EXPECT_EQ(data.uID, 1200u);
    EXPECT_EQ(data.uFlags, 7u);
    EXPECT_EQ(data.uCallbackMessage, 0x403u);
    EXPECT_EQ(data.hIcon, AppState.MainIcon);
    EXPECT_EQ(std::wstring(data.szTip), AppState.Title);
    for (size_t i = AppState.Title.size(); i < 64; ++i)
        EXPECT_EQ(data.szTip[i], L'\0') << "tip unit " << i;
}

TEST_F(TrayIcon, TheThreeImagesAreLoadedAndDistinct) {
    EXPECT_NE(AppState.MainIcon, nullptr);
    EXPECT_NE(AppState.OppositeIcon, nullptr);
    EXPECT_NE(AppState.GrayIcon, nullptr);
    EXPECT_NE(AppState.MainIcon, AppState.OppositeIcon);
    EXPECT_NE(AppState.MainIcon, AppState.GrayIcon);
}

TEST_F(TrayIcon, ALeftClickTogglesReportModeAndItsIcon) {
    Tray(WM_LBUTTONUP);
    EXPECT_TRUE(AppState.ReportMode);
    EXPECT_EQ(AppState.TrayIconData.hIcon, AppState.GrayIcon);
    Tray(WM_LBUTTONUP);
    EXPECT_FALSE(AppState.ReportMode);
    EXPECT_EQ(AppState.TrayIconData.hIcon, AppState.MainIcon);
}

TEST_F(TrayIcon, TwoReleasesOfADoubleClickEndWhereTheyStartedWithTheNormalIcon) {
    AppState.TrayIconData.hIcon = AppState.OppositeIcon; // as after a key press
    Tray(WM_LBUTTONUP);
    Tray(WM_LBUTTONUP);
    EXPECT_FALSE(AppState.ReportMode);
    EXPECT_EQ(AppState.TrayIconData.hIcon, AppState.MainIcon);

    AppState.ReportMode = true;
    Tray(WM_LBUTTONUP);
    Tray(WM_LBUTTONUP);
    EXPECT_TRUE(AppState.ReportMode);
    EXPECT_EQ(AppState.TrayIconData.hIcon, AppState.GrayIcon);
}

TEST_F(TrayIcon, OtherMouseNotificationsChangeNothing) {
    for (LPARAM mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONUP}) {
        Tray(mouse);
        EXPECT_FALSE(AppState.ReportMode);
        EXPECT_FALSE(AppState.Quitting);
        EXPECT_EQ(AppState.TrayIconData.hIcon, AppState.MainIcon);
    }
}

TEST_F(TrayIcon, ARightDoubleClickSetsQuittingAndTimersThenDoNothing) {
    Tray(WM_RBUTTONDBLCLK);
    EXPECT_TRUE(AppState.Quitting);
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    AppState.PendingKey = 0x41;
    EXPECT_EQ(MainWindowProc(AppState.MainWindow, WM_TIMER, 1, 0), 0);
    EXPECT_EQ(AppState.PendingKey, 0x41) << "no tick while quitting";
    AppState.PendingKey = 0;
}

TEST_F(TrayIcon, ARefusedIconComesByItselfOnceWithTheImageOfThenAndRetriesEndAtTheirLimit) {
    Shell.RefusedAdds = 2; // the add of a start and the first retry, as at logon
    AddTrayIcon(AppState.MainWindow);
    Tray(WM_LBUTTONUP); // report mode while the icon is missing
    ASSERT_TRUE(PumpMessagesUntil([&] { return Shell.Count(NIM_ADD, TrayIconId) == 4; }, 10000));
    EXPECT_EQ(AppState.TrayIconData.hIcon, AppState.GrayIcon);

    Shell.RefusedAdds = 1000; // from now on: an add at each tick for two minutes, then none
    MainWindowProc(AppState.MainWindow, AppState.TaskbarCreatedMessage, 0, 0);
    for (unsigned tick = 0; tick < TrayRetryTickLimit + 5; ++tick)
        MainWindowProc(AppState.MainWindow, WM_TIMER, TrayRetryTimer, 0);
    EXPECT_EQ(Shell.Count(NIM_ADD, TrayIconId), 5 + TrayRetryTickLimit);
}
