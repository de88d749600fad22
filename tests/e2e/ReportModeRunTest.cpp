// Report mode in the running program: a left click on the tray icon turns it on, and a key then
// shows its report box instead of firing.
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "support/ForegroundWindow.h"
#include "support/KeyloftDriver.h"
#include "support/MessageBoxReader.h"

#include <gtest/gtest.h>

TEST(ReportModeRun, ALeftClickThenAKeyShowsTheKeysReport) {
    ForegroundWindow focus;
    KeyloftFolder keyloft;
    PrepareKeyloft(keyloft, HookVariant::Full);
    const std::wstring probe = L"\"" + BinFolder() + L"KeyloftProbe.exe\"";
    WriteConfig(keyloft,
                L"[Keyloft]\r\nE06C=" + probe + L" single\r\nE06C+=" + probe + L" double\r\n");
    KeyloftProcess process;
    ASSERT_TRUE(StartKeyloft(keyloft, process));
    HWND window = WaitForMainWindow();
    ASSERT_NE(window, nullptr);

    PostMessageW(window, TrayCallbackMessage, TrayIconId, WM_LBUTTONUP);
    ASSERT_TRUE(focus.Activate());
    PostMessageW(window, HookKeyMessage, 0xE06C, 42);
    HWND box = WaitForMessageBox(MessageBoxOfProcess(process.Info.dwProcessId), 15000);
    ASSERT_NE(box, nullptr);
    const MessageBoxContent report = ReadMessageBox(box);
    EXPECT_EQ(report.Caption, AppState.Title);
    EXPECT_EQ(report.Owner, window);
    const std::vector<std::wstring> lines = SplitLines(report.Text);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[2], L"    E06C\t\t\t\t\t\t\tlP=42");
    EXPECT_EQ(lines[4], L"Bind it by putting on the left side of the equality sign in the config "
                        L"file (Keyloft.ini).");
    EXPECT_EQ(lines[9], L"    " + probe + L" single");
    EXPECT_EQ(lines[11], L"    " + probe + L" double");
    EXPECT_TRUE(PressMessageBoxButton(box, IDOK));
    EXPECT_TRUE(WaitForMessageBoxClosed(box, 5000));

    Sleep(1000);
    EXPECT_TRUE(ReadLogLines(keyloft.ProbeLogPath()).empty()) << "a reported key fires nothing";
}
