// In report mode a key is only shown: its report box appears and nothing else changes.
#include "mapping/Binding.h"
#include "mapping/KeyPress.h"
#include "shell/AppState.h"
#include "support/MessageBoxReader.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::wstring> Fired;

void RecordKeyDown(BYTE scanCode) {
    Fired.push_back(L"key " + std::to_wstring(scanCode));
}
void RecordCommand(const BindingAction& action) {
    Fired.push_back(action.Program);
}

class ReportMode : public ::testing::Test {
  protected:
    void SetUp() override {
        Fired.clear();
        Effects = {RecordKeyDown, RecordCommand};
        AppState.ConfigPath = Folder.PathOf(L"Keyloft.ini");
        WriteAnsiFile(AppState.ConfigPath, L"[Keyloft]\r\nRepeatDelay=60000\r\n"
                                           L"0041=a-single\r\n0041+=a-double\r\n"
                                           L"E05F=calc.exe\r\n");
        AppState.MainWindow = Owner.Window;
        AppState.MainIcon = LoadIconW(nullptr, IDI_APPLICATION);
        AppState.OppositeIcon = LoadIconW(nullptr, IDI_WARNING);
        AppState.TrayIconData = NOTIFYICONDATAW{};
        AppState.TrayIconData.hIcon = AppState.MainIcon;
        AppState.PendingKey = 0;
        AppState.ReportMode = false;
    }
    void TearDown() override {
        Effects = SystemEffects;
        AppState.ReportMode = false;
        AppState.PendingKey = 0;
        AppState.MainWindow = nullptr;
        AppState.ConfigPath.clear();
    }

    TempFolder Folder;
    TestOwnerWindow Owner;
};

} // namespace

TEST_F(ReportMode, AKeyIsShownAndNothingElseChanges) {
    HandleKeyPress(0x41, 0); // waits for a second press
    ASSERT_EQ(AppState.PendingKey, 0x41);
    const HICON shown = AppState.TrayIconData.hIcon;

    AppState.ReportMode = true;
    const AnsweredMessageBox report = AnswerMessageBox([] { HandleKeyPress(0xE05F, -7); }, IDOK);
    ASSERT_TRUE(report.Found);
    EXPECT_TRUE(report.Pressed);
    const std::vector<std::wstring> lines = SplitLines(report.Content.Text);
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[2], L"    E05F\t\t\t\t\t\t\tlP=-7");
    EXPECT_EQ(lines[9], L"    calc.exe");
    EXPECT_EQ(report.Content.Owner, Owner.Window);

    EXPECT_TRUE(Fired.empty()) << "no binding fires for a reported key";
    EXPECT_EQ(AppState.TrayIconData.hIcon, shown);
    EXPECT_EQ(AppState.PendingKey, 0x41);

    // The key that waited before report mode was switched on still fires at the next tick.
    DoublePressTick();
    ASSERT_EQ(Fired.size(), 1u);
    EXPECT_EQ(Fired[0], L"a-single");
    EXPECT_EQ(AppState.PendingKey, 0);
}

TEST_F(ReportMode, TheSleepKeyIsNeverReported) {
    AppState.ReportMode = true;
    const AnsweredMessageBox report =
        AnswerMessageBox([] { FilterKeyMessage(SleepKeyCode, 0); }, IDOK, 1500);
    EXPECT_FALSE(report.Found);
}
