// kbhook.dll keeps every key whole: a key-up follows its key-down whatever changed between, a
// tap of a key with only its long press bound comes back before the keys after it, a marked
// release leaves a chord its modifier, nothing is taken while Keyloft ignores keys, and a key
// event without a virtual key is left alone.
#include "HookHarness.h"

#include "hook/InjectMark.h"

#include <gtest/gtest.h>

namespace {

struct KbHookWholeKey : LiveHookTest {
    void Start(const char* config) {
        Config.Write(config);
        ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
        ClearRecords();
    }
};

TEST_F(KbHookWholeKey, KeyUpOfAPassedKeyPassesWhenItsChordIsBound) {
    const InjectedKey space{VK_SPACE, 0x39, false}, shift{VK_LSHIFT, 0x2A, false};
    Start("[Keyloft]\r\n10039=x\r\n");
    SendKey(space, false);
    SendKey(shift, false);
    SendKey(space, true);
    SendKey(shift, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(KeysOf(space, Focus.Window).size(), 2u) << "down and up";
}

TEST_F(KbHookWholeKey, TapOfALongPressKeyComesBackBeforeTheNextKey) {
    Start("[Keyloft]\r\n10003A=x\r\n");
    PressKey(CapsLockKey);
    PressKey(LetterAKey); // on its way before the tap is given back
    ASSERT_TRUE(SyncInput(Focus.Window));
    const auto caps = ObservedOf(CapsLockKey);
    ASSERT_EQ(caps.size(), 2u) << "one press of the key's own";
    EXPECT_EQ(caps[0].ExtraInfo, KeyloftSendMark);
    EXPECT_LT(ObservedAt(VK_CAPITAL, WM_KEYDOWN), ObservedAt(VK_CAPITAL, WM_KEYUP));
    EXPECT_LT(ObservedAt(VK_CAPITAL, WM_KEYUP), ObservedAt('A', WM_KEYDOWN));
    EXPECT_EQ(KeysOf(LetterAKey, Focus.Window).size(), 2u);
}

TEST_F(KbHookWholeKey, ChordKeepsItsModifierAfterAMarkedRelease) {
    Start("[Keyloft]\r\n20064=x\r\n");
    SendKey(LeftCtrlKey, false);
    PressKey(F13Key);
    INPUT release{}; // as KeyloftSend releases a held modifier
    release.type = INPUT_KEYBOARD;
    release.ki = {VK_LCONTROL, 0x1D, KEYEVENTF_KEYUP, 0, KeyloftSendMark};
    SendInput(1, &release, sizeof(release));
    PressKey(F13Key);
    SendKey(LeftCtrlKey, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), (std::vector<WPARAM>{0x20064, 0x20064}));
}

TEST_F(KbHookWholeKey, NothingIsTakenWhileKeyloftIgnoresKeys) {
    Start("[Keyloft]\r\nOnlyActiveUser=\r\n0064=x\r\n");
    PressKey(F13Key);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_TRUE(ReportedCodes(ReportWindow.Window).empty());
    EXPECT_EQ(ObservedOf(F13Key).size(), 2u);
}

TEST_F(KbHookWholeKey, KeyEventWithoutAVirtualKeyIsLeftAlone) {
    Start("[Keyloft]\r\n0064=x\r\n");
    keybd_event(0, 0x64, 0, 0); // what a key-event binding sends: a key-down alone
    PressKey(F13Key);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ObservedOf(InjectedKey{0, 0x64, false}).size(), 1u) << "passed on";
    const auto reports = ReportsTo(ReportWindow.Window);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].LParam, VK_F13) << "the real F13, not the key event";
}

} // namespace
