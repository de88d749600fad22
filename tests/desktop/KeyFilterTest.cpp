// The key message filter in front of HandleKeyPress: the sleep key goes back to the hook library,
// and the active-user setting and the foreground window drop keys before anything else happens.
#include "KeyPressHarness.h"

#include "mapping/KeyPress.h"
#include "shell/AppState.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::wstring>;
using Texts = std::vector<std::wstring>;

struct SleepCall {
    WPARAM First;
    LPARAM Second;
};
std::vector<SleepCall> SleepCalls;

LONG WINAPI RecordSleepKey(WPARAM first, LPARAM second) {
    SleepCalls.push_back({first, second});
    return 0;
}

class KeyFilter : public KeyPressDesk {
  protected:
    void SetUp() override {
        KeyPressDesk::SetUp();
        SleepCalls.clear();
        AppState.SystemSleepKeyProc = RecordSleepKey;
        Front = BringOwnWindowToFront();
        ASSERT_EQ(GetForegroundWindow(), Front);
    }
    // Leaves no window in the foreground.
    void LoseForeground() {
        LeaveNoWindowInFront();
        Front = nullptr;
    }
    // A key E05F that waits, with its timer running: a key that gets past the filter ends the
    // wait, one that is dropped leaves it as it is.
    void LetJWait() {
        AppState.PendingKey = 0xE05F;
        StartMarkerTimer();
    }
    void ExpectNothingHappened() {
        EXPECT_TRUE(Firings.What.empty()) << ::testing::PrintToString(Firings.What);
        EXPECT_EQ(AppState.TrayIconData.hIcon, MainImage);
        EXPECT_EQ(AppState.PendingKey, 0xE05F);
        const TimerOwner timer = ObserveTimer();
        EXPECT_EQ(timer, TimerOwner::Marker) << TimerOwnerName(timer);
    }

    HWND Front = nullptr;
};

Lines Bindings(const Lines& extra) {
    Lines lines = {L"RepeatDelay=20", L"0041=A-single",     L"E05F=J-single",
                   L"E05F+=J-double", L"0029=sleep-single", L"0029+=sleep-double"};
    lines.insert(lines.end(), extra.begin(), extra.end());
    return lines;
}

struct SleepRow {
    const char* Name;
    bool ReportMode;
    bool EmptyActiveUser;
    bool NoForeground;
};

void PrintTo(const SleepRow& row, std::ostream* out) {
    *out << row.Name;
}

class SleepKey : public KeyFilter, public ::testing::WithParamInterface<SleepRow> {};

TEST_P(SleepKey, GoesBackToTheHookLibraryAndNeverFurther) {
    const SleepRow& row = GetParam();
    Config(Bindings(row.EmptyActiveUser ? Lines{L"OnlyActiveUser="} : Lines{}));
    AppState.ReportMode = row.ReportMode;
    if (row.NoForeground) {
        LoseForeground();
        ASSERT_EQ(GetForegroundWindow(), nullptr);
    }
    LetJWait();
    BoxWatcher boxes;
    KeyMessage(SleepKeyCode, 0x1234);
    EXPECT_EQ(boxes.Stop(), 0) << "the sleep key was reported";
    ASSERT_EQ(SleepCalls.size(), 1u);
    EXPECT_EQ(SleepCalls[0].First, 0u);
    EXPECT_EQ(SleepCalls[0].Second, 0);
    ExpectNothingHappened();
}

const SleepRow SleepRows[] = {
    {"Normally", false, false, false},
    {"InReportMode", true, false, false},
    {"WithOnlyActiveUserEmpty", false, true, false},
    {"WithoutAForegroundWindow", false, false, true},
    {"InReportModeWhileEveryOtherKeyIsDropped", true, true, true},
};

INSTANTIATE_TEST_SUITE_P(KeyFilter, SleepKey, ::testing::ValuesIn(SleepRows),
                         [](const ::testing::TestParamInfo<SleepRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST_F(KeyFilter, TheSleepKeyWithoutALibraryRoutineDoesNothing) {
    Config(Bindings({}));
    AppState.SystemSleepKeyProc = nullptr;
    LetJWait();
    KeyMessage(SleepKeyCode);
    ExpectNothingHappened();
}

struct ActiveUserRow {
    const char* Name;
    Lines Setting;
    bool Passes;
};

void PrintTo(const ActiveUserRow& row, std::ostream* out) {
    *out << row.Name;
}

class ActiveUser : public KeyFilter, public ::testing::WithParamInterface<ActiveUserRow> {};

TEST_P(ActiveUser, OnlyAnEmptyValueDropsKeys) {
    const ActiveUserRow& row = GetParam();
    Config(Bindings(row.Setting));
    LetJWait();
    KeyMessage(0x41);
    if (row.Passes) {
        EXPECT_EQ(Firings.What, Texts({L"J-single", L"A-single"}));
        EXPECT_EQ(AppState.TrayIconData.hIcon, OppositeImage);
        EXPECT_EQ(AppState.PendingKey, 0);
        EXPECT_EQ(ObserveTimer(), TimerOwner::Marker);
    } else {
        ExpectNothingHappened();
    }
}

const ActiveUserRow ActiveUserRows[] = {
    {"Absent", {}, true},
    {"One", {L"OnlyActiveUser=1"}, true},
    {"Zero", {L"OnlyActiveUser=0"}, true},
    {"AnyText", {L"onlyactiveuser = no"}, true},
    {"Empty", {L"OnlyActiveUser="}, false},
    {"Blanks", {L"OnlyActiveUser=   "}, false},
    {"EmptyQuotes", {L"OnlyActiveUser=\"\""}, false},
    {"EmptyInOtherLetterCase", {L"ONLYACTIVEUSER ="}, false},
};

INSTANTIATE_TEST_SUITE_P(KeyFilter, ActiveUser, ::testing::ValuesIn(ActiveUserRows),
                         [](const ::testing::TestParamInfo<ActiveUserRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST_F(KeyFilter, AnEmptyOnlyActiveUserDropsKeysInReportModeToo) {
    Config(Bindings({}));
    AppState.ReportMode = true;
    {
        // The watcher sees the report of a key that gets through...
        BoxWatcher boxes;
        KeyMessage(0x41);
        ASSERT_EQ(boxes.Stop(), 1) << "a key in report mode showed no box";
    }
    Config(Bindings({L"OnlyActiveUser="}));
    LetJWait();
    BoxWatcher boxes;
    KeyMessage(0x41);
    EXPECT_EQ(boxes.Stop(), 0) << "...and no report for a dropped key";
    ExpectNothingHappened();
}

TEST_F(KeyFilter, WithoutAForegroundWindowKeysAreDropped) {
    Config(Bindings({}));
    LoseForeground();
    ASSERT_EQ(GetForegroundWindow(), nullptr);
    LetJWait();
    KeyMessage(0x41);
    ExpectNothingHappened();

    // In report mode too: no report.
    AppState.ReportMode = true;
    LetJWait();
    {
        BoxWatcher boxes;
        KeyMessage(0x41);
        EXPECT_EQ(boxes.Stop(), 0);
    }
    ExpectNothingHappened();
    AppState.ReportMode = false;

    // Once a window has the focus again, keys get through.
    Front = BringOwnWindowToFront();
    ASSERT_EQ(GetForegroundWindow(), Front);
    LetJWait();
    KeyMessage(0x41);
    EXPECT_EQ(Firings.What, Texts({L"J-single", L"A-single"}));
    EXPECT_EQ(AppState.PendingKey, 0);
}

TEST_F(KeyFilter, AKeyThatPassesReachesTheDoublePressLogic) {
    // Through the window procedure as the hook library's message: the key waits for its window.
    Config(Bindings({L"0041+=A-double"}));
    KeyMessage(0x41, 0x77);
    EXPECT_EQ(AppState.PendingKey, 0x41);
    KeyMessage(0x41, 0x77);
    EXPECT_EQ(Firings.What, Texts({L"A-double"}));
    EXPECT_EQ(AppState.TrayIconData.hIcon, MainImage);
    EXPECT_TRUE(SleepCalls.empty());
}

} // namespace
