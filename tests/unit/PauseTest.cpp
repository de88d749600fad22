// kbhook.dll's pause: which window in front counts as full-screen.
#include "hook/Pause.h"

#include <gtest/gtest.h>

namespace {

constexpr LONG Popup = WS_POPUP | WS_VISIBLE;
constexpr RECT Primary{0, 0, 1920, 1080};
constexpr RECT Second{1920, 0, 3200, 1024};

struct FullScreenCase {
    const char* Name;
    FrontWindowFacts Window; // Rect, Style, Shell
    long MonitorCount;       // of Primary and Second, in that order
    bool FullScreen;
};

const FullScreenCase FullScreenCases[] = {
    {"BorderlessGameOnItsMonitor", {Primary, Popup, false}, 2, true},
    {"OnTheSecondMonitor", {Second, Popup, false}, 2, true},
    {"SmallerThanItsMonitor", {{0, 0, 1920, 1040}, Popup, false}, 2, false},
    {"Maximized", {{-8, -8, 1928, 1088}, WS_OVERLAPPEDWINDOW | WS_MAXIMIZE, false}, 2, false},
    {"CaptionWithoutSizingBorder", {Primary, Popup | WS_CAPTION, false}, 2, false},
    {"SizingBorderWithoutCaption", {Primary, Popup | WS_THICKFRAME, false}, 2, false},
    {"TheDesktop", {Primary, Popup, true}, 2, false},
    {"OnAMonitorNotCounted", {Second, Popup, false}, 1, false},
};

TEST(PauseFullScreen, OnlyABorderlessWindowThatCoversItsMonitorCounts) {
    MonitorRects monitors;
    monitors.Rects[0] = Primary;
    monitors.Rects[1] = Second;
    for (const FullScreenCase& test : FullScreenCases) {
        SCOPED_TRACE(test.Name);
        monitors.Count = test.MonitorCount;
        EXPECT_EQ(CountsAsFullScreen(test.Window, monitors), test.FullScreen);
    }
}

} // namespace
