// KeyloftSend --switch's decisions: which window a press acts on, and where the parameters begin.
#include "send/Switch.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(SwitchDecision, ParametersAsWritten) {
    const struct {
        const wchar_t* Line;
        const wchar_t* Parameters;
    } cases[] = {
        {L"KeyloftSend --switch notepad.exe", L""},
        {L"KeyloftSend --switch notepad.exe  a.txt", L"a.txt"},
        {L"\"C:\\x y\\KeyloftSend.exe\" --switch \"C:\\a b\\m.exe\" \"q \\\"r\\\"\" -n",
         L"\"q \\\"r\\\"\" -n"},
        {L"KeyloftSend --switch a\"b c\"d e", L"e"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        std::wstring scratch(std::wstring(c.Line).size() + 1, L'\0');
        wchar_t* words[64];
        EXPECT_EQ(std::wstring(WordsFrom(c.Line, 2, &scratch[0], words)), c.Parameters) << c.Line;
    }
}
