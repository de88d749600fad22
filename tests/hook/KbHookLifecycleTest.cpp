// kbhook.dll in this process: starting and stopping, calls in the wrong state, and a library
// freed while it still reports.
#include "HookHarness.h"

#include <gtest/gtest.h>

namespace {

using KbHookLifecycle = LiveHookTest;

TEST_F(KbHookLifecycle, StopEndsReportsAndSwallowing) {
    Config.Write("[Keyloft]\r\nE06C=calc.exe\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(MailKey);
    ASSERT_EQ(ReportsTo(ReportWindow.Window).size(), 1u);
    ASSERT_TRUE(ObservedOf(MailKey).empty());

    EXPECT_EQ(Library.HookKeyboard(0, ReportWindow.Window), 1);
    EXPECT_EQ(Library.HookKeyboard(0, ReportWindow.Window), 0) << "a second stop does nothing";
    PressAndSync(MailKey);
    EXPECT_TRUE(Records.Reports.empty());
    EXPECT_EQ(ObservedOf(MailKey).size(), 2u);
}

TEST_F(KbHookLifecycle, StopBeforeStartIsHarmless) {
    EXPECT_EQ(Library.HookKeyboard(0, ReportWindow.Window), 0);
    EXPECT_EQ(Library.HookKeyboard(0, nullptr), 0);
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(MailKey);
    EXPECT_EQ(ReportsTo(ReportWindow.Window).size(), 1u);
}

TEST_F(KbHookLifecycle, StartWithoutAUsableWindowOrWithAnotherValueDoesNothing) {
    EXPECT_EQ(Library.HookKeyboard(1, nullptr), 0);
    EXPECT_EQ(Library.HookKeyboard(1, reinterpret_cast<HWND>(0x7FFF0)), 0);
    EXPECT_EQ(Library.HookKeyboard(2, ReportWindow.Window), 0);
    EXPECT_EQ(Library.HookKeyboard(-1, ReportWindow.Window), 0);
    PressAndSync(MailKey);
    EXPECT_TRUE(Records.Reports.empty());
    EXPECT_EQ(ObservedOf(MailKey).size(), 2u);
    EXPECT_EQ(Library.HookKeyboard(0, ReportWindow.Window), 0) << "nothing was started";
}

TEST_F(KbHookLifecycle, SecondStartKeepsOneHookAndReportsToTheLatestWindow) {
    TestWindow second(false);
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    ASSERT_EQ(Library.HookKeyboard(1, second.Window), 1);
    PressAndSync(MailKey);
    EXPECT_EQ(Records.Reports.size(), 1u) << "one report per key-down, not one per start";
    EXPECT_EQ(ReportsTo(second.Window).size(), 1u);
    EXPECT_EQ(Library.HookKeyboard(0, second.Window), 1);
    PressAndSync(MailKey);
    EXPECT_TRUE(Records.Reports.empty()) << "one stop removes the one hook";
}

TEST_F(KbHookLifecycle, RestartReadsTheConfigurationAgain) {
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(MailKey);
    ASSERT_EQ(ObservedOf(MailKey).size(), 2u);
    ASSERT_EQ(Library.HookKeyboard(0, ReportWindow.Window), 1);

    // Written and started at once, well inside the second between two looks at the file.
    Config.Write("[Keyloft]\r\nE06C=calc.exe\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(MailKey);
    EXPECT_EQ(ReportsTo(ReportWindow.Window).size(), 1u);
    EXPECT_TRUE(ObservedOf(MailKey).empty());
}

TEST_F(KbHookLifecycle, LibraryFreedWhileReportingStaysLoadedUntilItsThreadHasEnded) {
    Config.Write("[Keyloft]\r\nE06C=calc.exe\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    const HMODULE module = Library.Module;
    Library.Release();
    // The library's thread still runs and holds the library: its hook works on, from mapped code.
    PressAndSync(MailKey);
    EXPECT_EQ(ReportsTo(ReportWindow.Window).size(), 1u);
    EXPECT_TRUE(ObservedOf(MailKey).empty());
    EXPECT_EQ(GetModuleHandleW(L"kbhook.dll"), module);

    // Stopped through a reference of its own, the thread ends and gives its reference back.
    LoadedHookLibrary again;
    ASSERT_EQ(again.Module, module) << "still the same library";
    EXPECT_EQ(again.HookKeyboard(0, ReportWindow.Window), 1);
    again.Release();
    EXPECT_EQ(GetModuleHandleW(L"kbhook.dll"), nullptr) << "unloaded once the thread had left";
    PressAndSync(MailKey);
    EXPECT_TRUE(Records.Reports.empty());
    EXPECT_EQ(ObservedOf(MailKey).size(), 2u);
}

TEST_F(KbHookLifecycle, LibraryCanBeLoadedAgainAfterItWasFreed) {
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    ASSERT_EQ(Library.HookKeyboard(0, ReportWindow.Window), 1);
    Library.Release();
    LoadedHookLibrary again;
    ASSERT_NE(again.HookKeyboard, nullptr);
    ASSERT_EQ(again.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(MailKey);
    EXPECT_EQ(ReportsTo(ReportWindow.Window).size(), 1u);
    EXPECT_EQ(again.HookKeyboard(0, ReportWindow.Window), 1);
}

} // namespace
