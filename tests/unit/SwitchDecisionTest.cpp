// KeyloftSend --switch's decision: which window a press acts on.
#include "send/Switch.h"

#include <gtest/gtest.h>

TEST(SwitchDecision, WhichWindowAPressActsOn) {
    const struct {
        int Count, Front;
        SwitchStep Step;
        int Window;
    } cases[] = {
        {0, -1, SwitchStep::Start, -1}, {1, -1, SwitchStep::Raise, 0},
        {3, -1, SwitchStep::Raise, 0},  {1, 0, SwitchStep::Minimize, 0},
        {2, 0, SwitchStep::Raise, 1},   {3, 0, SwitchStep::Raise, 2},
        {3, 2, SwitchStep::Raise, 1},   {3, 7, SwitchStep::Raise, 0},
    };
    for (const auto& c : cases) {
        const SwitchChoice choice = DecideSwitch(c.Count, c.Front);
        EXPECT_EQ(choice.Step, c.Step) << c.Count << " " << c.Front;
        EXPECT_EQ(choice.Window, c.Window) << c.Count << " " << c.Front;
    }
}
