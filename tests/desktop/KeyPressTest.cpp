// The double-press logic of HandleKeyPress and the tick of the double-press timer, run against a
// real configuration file and a real window timer, with the binding effects recorded.
#include "KeyPressHarness.h"

#include "shell/AppState.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::wstring>;
using Texts = std::vector<std::wstring>;

constexpr std::int32_t KeyK = 0x41;
constexpr std::int32_t KeyJ = 0xE05F;

// One press of a code with a given key waiting: what fires at once, what waits afterwards, and
// what became of the timer that ran before the press.
struct OutcomeRow {
    const char* Name;
    std::int32_t Waiting; // PendingKey before the press
    std::int32_t Pressed;
    Lines Extra; // lines besides the single-press bindings of K and J and J's double press
    Texts Fires;
    std::int32_t WaitingAfter;
    TimerOwner Timer;
};

void PrintTo(const OutcomeRow& row, std::ostream* out) {
    *out << row.Name;
}

const OutcomeRow OutcomeRows[] = {
    {"NothingWaits_KWithoutDoublePress", 0, KeyK, {}, {L"K-single"}, 0, TimerOwner::Marker},
    {"NothingWaits_KWithDoublePress", 0, KeyK, {L"0041+=K-double"}, {}, KeyK, TimerOwner::Program},
    {"KWaits_SecondPressOfK",
     KeyK,
     KeyK,
     {L"0041+=K-double"},
     {L"K-double"},
     0,
     TimerOwner::Marker},
    {"KWaits_SecondPressOfK_ZeroKeyHasADoublePress",
     KeyK,
     KeyK,
     {L"0041+=K-double", L"0000+=zero-double", L"0000=zero-single"},
     {L"K-double"},
     0,
     TimerOwner::Program},
    {"JWaits_KWithoutDoublePress",
     KeyJ,
     KeyK,
     {},
     {L"J-single", L"K-single"},
     0,
     TimerOwner::Marker},
    {"JWaits_KWithDoublePress",
     KeyJ,
     KeyK,
     {L"0041+=K-double"},
     {L"J-single"},
     KeyK,
     TimerOwner::Program},
    {"NothingWaits_CodeZeroOnlyFlipsTheIcon",
     0,
     0,
     {L"0000=zero-single"},
     {},
     0,
     TimerOwner::Marker},
    {"JWaits_CodeZeroFiresJ", KeyJ, 0, {L"0000=zero-single"}, {L"J-single"}, 0, TimerOwner::Marker},
};

class Outcomes : public KeyPressDesk, public ::testing::WithParamInterface<OutcomeRow> {};

TEST_P(Outcomes, OfOnePress) {
    const OutcomeRow& row = GetParam();
    Lines lines = {L"RepeatDelay=20", L"0041=K-single", L"E05F=J-single", L"E05F+=J-double"};
    lines.insert(lines.end(), row.Extra.begin(), row.Extra.end());
    Config(lines);
    AppState.PendingKey = row.Waiting;
    StartMarkerTimer();

    Press(row.Pressed);

    EXPECT_EQ(Firings.What, row.Fires);
    for (HICON shown : Firings.IconShown)
        EXPECT_EQ(shown, OppositeImage) << "the icon flips before any binding fires";
    EXPECT_EQ(AppState.TrayIconData.hIcon, OppositeImage);
    EXPECT_EQ(AppState.PendingKey, row.WaitingAfter);
    const TimerOwner timer = ObserveTimer();
    EXPECT_EQ(timer, row.Timer) << "timer: " << TimerOwnerName(timer) << ", expected "
                                << TimerOwnerName(row.Timer);
}

INSTANTIATE_TEST_SUITE_P(KeyPress, Outcomes, ::testing::ValuesIn(OutcomeRows),
                         [](const ::testing::TestParamInfo<OutcomeRow>& info) {
                             return std::string(info.param.Name);
                         });

// Sequences in time: presses of A (with a double-press binding) and B (without one), and the
// ticks that the timer delivers, each at its time in milliseconds. RepeatDelay is 500.
enum class Event { PressA, PressB, Tick };
struct Step {
    int At;
    Event What;
};
struct SequenceRow {
    const char* Name;
    std::vector<Step> Steps;
    Texts Fires; // "time binding"
};

void PrintTo(const SequenceRow& row, std::ostream* out) {
    *out << row.Name;
}

const SequenceRow SequenceRows[] = {
    {"A0", {{0, Event::PressA}, {500, Event::Tick}}, {L"500 A-single"}},
    {"A0_A300", {{0, Event::PressA}, {300, Event::PressA}, {500, Event::Tick}}, {L"300 A-double"}},
    {"A0_A300_A400",
     {{0, Event::PressA}, {300, Event::PressA}, {400, Event::PressA}, {900, Event::Tick}},
     {L"300 A-double", L"900 A-single"}},
    {"A0_A700",
     {{0, Event::PressA}, {500, Event::Tick}, {700, Event::PressA}, {1200, Event::Tick}},
     {L"500 A-single", L"1200 A-single"}},
    {"A0_B200",
     {{0, Event::PressA}, {200, Event::PressB}, {500, Event::Tick}},
     {L"200 A-single", L"200 B-single"}},
    {"B0", {{0, Event::PressB}}, {L"0 B-single"}},
};

class Sequences : public KeyPressDesk, public ::testing::WithParamInterface<SequenceRow> {};

TEST_P(Sequences, FireAtTheirTimes) {
    const SequenceRow& row = GetParam();
    Config({L"RepeatDelay=500", L"0041=A-single", L"0041+=A-double", L"0042=B-single"});
    int now = 0;
    Texts fired;
    Firings.OnFire = [&](const std::wstring& what) {
        fired.push_back(std::to_wstring(now) + L" " + what);
    };
    for (const Step& step : row.Steps) {
        now = step.At;
        switch (step.What) {
        case Event::PressA:
            Press(0x41);
            break;
        case Event::PressB:
            Press(0x42);
            break;
        case Event::Tick:
            Tick();
            break;
        }
    }
    EXPECT_EQ(fired, row.Fires);
    EXPECT_EQ(AppState.PendingKey, 0);
    EXPECT_FALSE(StopTimer()) << "the last tick of a window stops its timer";
}

INSTANTIATE_TEST_SUITE_P(KeyPress, Sequences, ::testing::ValuesIn(SequenceRows),
                         [](const ::testing::TestParamInfo<SequenceRow>& info) {
                             return std::string(info.param.Name);
                         });

class KeyPress : public KeyPressDesk {};

TEST_F(KeyPress, TheIconFlipsForEveryHandledKeyBeforeItsBindingFires) {
    Config({L"RepeatDelay=60000", L"0041=A-single", L"0041+=A-double", L"0043=C-single"});
    struct {
        std::int32_t Code;
        HICON IconAfter;
        Texts Fires;
    } const presses[] = {
        {0x42, OppositeImage, {}},            // unbound
        {0, MainImage, {}},                   // code 0
        {0x41, OppositeImage, {}},            // waits
        {0x41, MainImage, {L"A-double"}},     // double press
        {0x43, OppositeImage, {L"C-single"}}, // fires at once
        {0x41, MainImage, {}},                // waits again
        {0x43, OppositeImage, {L"A-single", L"C-single"}},
    };
    for (const auto& press : presses) {
        SCOPED_TRACE("code " + std::to_string(press.Code));
        Firings.What.clear();
        Firings.IconShown.clear();
        Press(press.Code);
        EXPECT_EQ(AppState.TrayIconData.hIcon, press.IconAfter);
        EXPECT_EQ(Firings.What, press.Fires);
        for (HICON shown : Firings.IconShown)
            EXPECT_EQ(shown, press.IconAfter);
    }
    // Any image other than the main one gives way to the main one.
    AppState.TrayIconData.hIcon = OtherImage;
    Press(0x42);
    EXPECT_EQ(AppState.TrayIconData.hIcon, MainImage);
}

TEST_F(KeyPress, AKeyPressedWhileTheTickFiresStartsAWindowThatKeepsItsTimer) {
    // A binding that shows a box lets the next key message in while it fires.
    Config({L"RepeatDelay=60000", L"0041=A-single", L"0041+=A-double", L"0042=B-single",
            L"0042+=B-double"});
    Press(0x41);
    Firings.OnFire = [this](const std::wstring& what) {
        if (what == L"A-single")
            Press(0x42);
    };
    Tick();
    EXPECT_EQ(Firings.What, Texts({L"A-single"}));
    EXPECT_EQ(AppState.PendingKey, 0x42);
    EXPECT_TRUE(StopTimer()) << "B's window lost its timer to the tick that fired A";
}

TEST_F(KeyPress, NoTickReachesTheWindowAfterTheLastTickOfAWindow) {
    Config({L"RepeatDelay=30", L"0041=A-single", L"0041+=A-double"});
    // A window that ends with its tick.
    Press(0x41);
    ASSERT_TRUE(PumpUntilTick());
    EXPECT_EQ(Firings.What, Texts({L"A-single"}));
    Pump(300); // ten periods
    EXPECT_EQ(TimerTicksSeen, 1);

    // A window that a double press ends: its one remaining tick finds nothing and is the last.
    TimerTicksSeen = 0;
    Press(0x41);
    Press(0x41);
    EXPECT_EQ(Firings.What, Texts({L"A-single", L"A-double"}));
    ASSERT_TRUE(PumpUntilTick());
    Pump(300);
    EXPECT_EQ(TimerTicksSeen, 1);
    EXPECT_EQ(Firings.What, Texts({L"A-single", L"A-double"}));
}

TEST_F(KeyPress, RepeatDelayIsReadWhenAWindowStarts) {
    Config({L"RepeatDelay=30", L"0041=A-single", L"0041+=A-double", L"0043=C-single",
            L"0043+=C-double"});
    Press(0x41);
    ASSERT_TRUE(PumpUntilTick()) << "a 30 ms window never ended";
    EXPECT_EQ(Firings.What, Texts({L"A-single"}));

    Config({L"RepeatDelay=600000", L"0041=A-single", L"0041+=A-double", L"0043=C-single",
            L"0043+=C-double"});
    Press(0x41);
    Pump(300);
    EXPECT_EQ(TimerTicksSeen, 1) << "the ten-minute window ticked";
    // Shortening the delay now leaves the running window as it is...
    Config({L"RepeatDelay=30", L"0041=A-single", L"0041+=A-double", L"0043=C-single",
            L"0043+=C-double"});
    Pump(300);
    EXPECT_EQ(TimerTicksSeen, 1);
    EXPECT_EQ(AppState.PendingKey, 0x41);
    // ...and applies to the next one.
    Press(0x43);
    EXPECT_EQ(Firings.What, Texts({L"A-single", L"A-single"}));
    ASSERT_TRUE(PumpUntilTick()) << "the next window kept the old delay";
    EXPECT_EQ(Firings.What, Texts({L"A-single", L"A-single", L"C-single"}));
}

TEST_F(KeyPress, ADelayOfZeroStillEndsTheWindow) {
    for (const wchar_t* delay : {L"RepeatDelay=0", L"RepeatDelay=-0", L"RepeatDelay=0x0"}) {
        SCOPED_TRACE(std::string(delay, delay + wcslen(delay)));
        Firings.What.clear();
        Config({delay, L"0041=A-single", L"0041+=A-double"});
        Press(0x41);
        ASSERT_TRUE(PumpUntilTick());
        EXPECT_EQ(Firings.What, Texts({L"A-single"}));
        EXPECT_EQ(AppState.PendingKey, 0);
        EXPECT_FALSE(StopTimer());
    }
}

TEST_F(KeyPress, ANegativeDelayGivesAWindowThatOnlyTheNextKeyEnds) {
    for (const wchar_t* delay :
         {L"RepeatDelay=-1", L"RepeatDelay=-2147483648", L"RepeatDelay=$FFFFFFFF"}) {
        SCOPED_TRACE(std::string(delay, delay + wcslen(delay)));
        Firings.What.clear();
        TimerTicksSeen = 0;
        Config({delay, L"0041=A-single", L"0041+=A-double", L"0042=B-single"});
        Press(0x41);
        Pump(200);
        EXPECT_EQ(TimerTicksSeen, 0);
        EXPECT_EQ(AppState.PendingKey, 0x41);
        Press(0x42);
        EXPECT_EQ(Firings.What, Texts({L"A-single", L"B-single"}));
        EXPECT_TRUE(StopTimer()) << "the long window's timer is running";
    }
}

TEST_F(KeyPress, ADelayThatIsNotANumberGivesHalfASecond) {
    // Not a timing test: the window must be long enough that 100 ms bring no tick, and end.
    for (const wchar_t* delay : {L"RepeatDelay=abc", L"RepeatDelay=", L"RepeatDelay=5 00"}) {
        SCOPED_TRACE(std::string(delay, delay + wcslen(delay)));
        Firings.What.clear();
        TimerTicksSeen = 0;
        Config({delay, L"0041=A-single", L"0041+=A-double"});
        Press(0x41);
        Pump(100);
        EXPECT_EQ(TimerTicksSeen, 0);
        ASSERT_TRUE(PumpUntilTick(10000));
        EXPECT_EQ(Firings.What, Texts({L"A-single"}));
    }
}

struct RestartRow {
    const char* Name;
    std::int32_t NextKey;
    Texts Fires;
    std::int32_t WaitingAfter;
};

void PrintTo(const RestartRow& row, std::ostream* out) {
    *out << row.Name;
}

class AcrossARestart : public KeyPressDesk, public ::testing::WithParamInterface<RestartRow> {};

TEST_P(AcrossARestart, AWaitingKeyFiresAtTheNextKey) {
    const RestartRow& row = GetParam();
    Config({L"RepeatDelay=30", L"0041=A-single", L"0041+=A-double", L"0042=B-single",
            L"0043=C-single", L"0043+=C-double"});
    Press(0x41);
    // A restart replaces the main window; the waiting key stays, its timer goes with the window.
    DestroyWindow(Window);
    Window = CreateTestWindow();
    AppState.MainWindow = Window;
    Pump(200);
    EXPECT_EQ(AppState.PendingKey, 0x41);
    EXPECT_TRUE(Firings.What.empty());

    Press(row.NextKey);
    EXPECT_EQ(Firings.What, row.Fires);
    EXPECT_EQ(AppState.PendingKey, row.WaitingAfter);
}

const RestartRow RestartRows[] = {
    {"AnotherKey", 0x42, {L"A-single", L"B-single"}, 0},
    {"TheSameKey", 0x41, {L"A-double"}, 0},
    {"AnotherWaitingKey", 0x43, {L"A-single"}, 0x43},
};

INSTANTIATE_TEST_SUITE_P(KeyPress, AcrossARestart, ::testing::ValuesIn(RestartRows),
                         [](const ::testing::TestParamInfo<RestartRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST_F(KeyPress, ADoublePressKeyThatLosesItsValueBeforeTheSecondPressFiresNothing) {
    for (const wchar_t* edit : {L"", L"0041+=", L"0041+=   ", L"0041+=\"\""}) {
        SCOPED_TRACE(std::string(edit, edit + wcslen(edit)));
        Firings.What.clear();
        Config({L"RepeatDelay=60000", L"0041=A-single", L"0041+=A-double"});
        Press(0x41);
        EXPECT_EQ(AppState.PendingKey, 0x41);
        Config({L"RepeatDelay=60000", L"0041=A-single", edit});
        Press(0x41);
        EXPECT_EQ(AppState.PendingKey, 0);
        Tick();
        EXPECT_TRUE(Firings.What.empty())
            << "first firing: " << ::testing::PrintToString(Firings.What);
    }
}

TEST_F(KeyPress, AKeyEventBindingSendsItsScanCode) {
    Config({L"0041=0x11E", L"0042=030", L"0042+=0xFFFFFFFF", L"RepeatDelay=60000"});
    Press(0x41);
    Press(0x42);
    Press(0x42);
    EXPECT_EQ(Firings.What, Texts({L"scan:1E", L"scan:FF"}));
}

} // namespace
