// Each failure of start-up, also in a restart, is reported once in the error box; the program
// then ends with 0 and leaves nothing behind.
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "support/KeyloftDriver.h"
#include "support/MessageBoxReader.h"
#include "support/VendorInstall.h"

#include <gtest/gtest.h>

namespace {

class StartFailure : public ::testing::Test {
  protected:
    void SetUp() override { RemoveVendorInstall(); }
    void TearDown() override { RemoveVendorInstall(); }

    // Waits for the error report, checks what it says (with the last-error code that the failed
    // step left, and the system's text for it), answers No and waits for the end.
    void ExpectReport(const std::wstring& message, DWORD lastError) {
        HWND box = WaitForMessageBox(MessageBoxOfProcess(Process.Info.dwProcessId), 15000);
        ASSERT_NE(box, nullptr);
        const MessageBoxContent content = ReadMessageBox(box);
        Window = FindWindowW(AppState.Title.c_str(), AppState.Title.c_str());
        const std::vector<std::wstring> lines = SplitLines(content.Text);
        ASSERT_GE(lines.size(), 4u) << std::string(content.Text.begin(), content.Text.end());
        EXPECT_EQ(lines[0], L"Exception details:");
        EXPECT_EQ(lines[1].substr(0, 12), L"Exception @ ");
        EXPECT_EQ(lines[3], L"    " + message);
        ASSERT_GE(lines.size(), 7u);
        EXPECT_EQ(lines[5], L"GetLastError = " + std::to_wstring(lastError));
        EXPECT_NE(lines[6], L"    ()") << "the system has a text for the code";
        EXPECT_EQ(lines.back(), L"Press Help to visit the project's homepage.");
        EXPECT_EQ(content.Caption, AppState.Title);
        EXPECT_EQ(content.Owner, Window);
        EXPECT_TRUE(content.HasButton(IDYES));
        EXPECT_TRUE(content.HasButton(IDNO));
        EXPECT_TRUE(PressMessageBoxButton(box, IDNO));
        EXPECT_EQ(WaitForExit(Process), 0u);
        EXPECT_TRUE(FindMessageBoxes(MessageBoxOfProcess(Process.Info.dwProcessId)).empty());
    }

    KeyloftFolder Keyloft;
    TempFolder Current;
    KeyloftProcess Process;
    HWND Window = nullptr;
};

} // namespace

TEST_F(StartFailure, NoLibraryAnywhere) {
    PrepareKeyloft(Keyloft, HookVariant::None);
    ASSERT_TRUE(StartKeyloft(Keyloft, Process, Current.Path));
    ExpectReport(L"Cannot find kbhook.dll from ErgoMedia software anywhere on your system.",
                 ERROR_PATH_NOT_FOUND);
    EXPECT_NE(Window, nullptr) << "the report is owned by the hidden window";
}

TEST_F(StartFailure, AFileThatIsNoLibrary) {
    PrepareKeyloft(Keyloft, HookVariant::NotALibrary);
    ASSERT_TRUE(StartKeyloft(Keyloft, Process));
    ExpectReport(L"Cannot load hook library kbhook.dll.", ERROR_BAD_EXE_FORMAT);
}

TEST_F(StartFailure, ALibraryWithoutTheSleepKeyExportIsStoppedAnyway) {
    PrepareKeyloft(Keyloft, HookVariant::WithoutSleepKeyProc);
    ASSERT_TRUE(StartKeyloft(Keyloft, Process));
    ExpectReport(L"Cannot find necessary export routines in kbhook.dll.", ERROR_PROC_NOT_FOUND);
    const std::vector<std::string> log = ReadLogLines(Keyloft.HookLogPath());
    ASSERT_EQ(log.size(), 1u) << "reporting was never started, but is stopped";
    EXPECT_EQ(log[0], HookKeyboardLine(0, Window));
}

TEST_F(StartFailure, ARestartThatCannotFindTheLibraryReportsOnceAndEnds) {
    TempFolder vendor;
    PrepareKeyloft(Keyloft, HookVariant::None);
    PlaceHookLibrary(HookVariant::Full, vendor.PathOf(L"kbhook.dll"));
    HWND first = nullptr;
    {
        VendorRegistryValue value(vendor.Path);
        ASSERT_TRUE(StartKeyloft(Keyloft, Process, Current.Path));
        first = WaitForMainWindow();
        ASSERT_NE(first, nullptr);
        ASSERT_EQ(WaitForLogLines(Keyloft.HookLogPath(), 1).size(), 1u);
    }
    PostMessageW(first, WM_POWERBROADCAST, 0, 0);
    ExpectReport(L"Cannot find kbhook.dll from ErgoMedia software anywhere on your system.",
                 ERROR_PATH_NOT_FOUND);
    const std::vector<std::string> log = ReadLogLines(Keyloft.HookLogPath());
    ASSERT_EQ(log.size(), 2u) << "no call reaches the freed library";
    EXPECT_EQ(log[0], HookKeyboardLine(1, first));
    EXPECT_EQ(log[1], HookKeyboardLine(0, first));
}
