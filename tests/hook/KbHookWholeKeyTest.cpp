// kbhook.dll keeps every key whole: a key-up follows its key-down whatever changed between, a
// tap of a key with only its long press bound comes back before the keys after it, marked events
// leave the modifiers of a chord alone, nothing is taken while Keyloft ignores keys, and a key
// event without a virtual key is left alone.
#include "HookHarness.h"

#include "hook/InjectMark.h"

#include <gtest/gtest.h>

namespace {

using KbHookWholeKey = LiveHookTest;

constexpr InjectedKey SpaceKey{VK_SPACE, 0x39, false};
constexpr InjectedKey LeftShiftKey{VK_LSHIFT, 0x2A, false};

void SendMarkedKey(const InjectedKey& key, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key.VirtualKey;
    input.ki.wScan = key.ScanCode;
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    input.ki.dwExtraInfo = KeyloftSendMark;
    SendInput(1, &input, sizeof(input));
}

TEST_F(KbHookWholeKey, KeyUpOfAPassedKeyPassesWhenItsChordIsBound) {
    Config.Write("[Keyloft]\r\n10039=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    ClearRecords();
    SendKey(SpaceKey, false);
    SendKey(LeftShiftKey, false);
    SendKey(SpaceKey, true);
    SendKey(LeftShiftKey, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ObservedOf(SpaceKey).size(), 2u) << "down and up";
    EXPECT_EQ(KeysOf(SpaceKey, Focus.Window).size(), 2u);
    EXPECT_TRUE(ReportedCodes(ReportWindow.Window).empty());
}

TEST_F(KbHookWholeKey, TapOfALongPressKeyComesBackBeforeTheNextKey) {
    Config.Write("[Keyloft]\r\n10003A=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    ClearRecords();
    PressKey(CapsLockKey);
    PressKey(LetterAKey); // on its way before the tap is given back
    ASSERT_TRUE(SyncInput(Focus.Window));
    const auto caps = ObservedOf(CapsLockKey);
    ASSERT_EQ(caps.size(), 2u) << "one press of the key's own";
    EXPECT_EQ(caps[0].Message, static_cast<WPARAM>(WM_KEYDOWN));
    EXPECT_EQ(caps[1].Message, static_cast<WPARAM>(WM_KEYUP));
    EXPECT_EQ(caps[0].ExtraInfo, KeyloftSendMark);
    EXPECT_LT(ObservedAt(VK_CAPITAL, WM_KEYUP), ObservedAt('A', WM_KEYDOWN));
    EXPECT_EQ(KeysOf(CapsLockKey, Focus.Window).size(), 2u);
    EXPECT_EQ(KeysOf(LetterAKey, Focus.Window).size(), 2u);
    EXPECT_TRUE(ReportedCodes(ReportWindow.Window).empty());
}

TEST_F(KbHookWholeKey, ChordKeepsItsModifierAfterAMarkedRelease) {
    Config.Write("[Keyloft]\r\n20064=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    ClearRecords();
    SendKey(LeftCtrlKey, false);
    PressKey(F13Key);
    SendMarkedKey(LeftCtrlKey, true); // as KeyloftSend releases a held modifier
    PressKey(F13Key);
    SendKey(LeftCtrlKey, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), (std::vector<WPARAM>{0x20064, 0x20064}));
    EXPECT_TRUE(ObservedOf(F13Key).empty());
}

TEST_F(KbHookWholeKey, NothingIsTakenWhileKeyloftIgnoresKeys) {
    Config.Write("[Keyloft]\r\nOnlyActiveUser=\r\n0064=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(F13Key);
    EXPECT_TRUE(ReportedCodes(ReportWindow.Window).empty());
    EXPECT_EQ(ObservedOf(F13Key).size(), 2u);
}

TEST_F(KbHookWholeKey, KeyEventWithoutAVirtualKeyIsLeftAlone) {
    Config.Write("[Keyloft]\r\n0064=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    ClearRecords();
    keybd_event(0, 0x64, 0, 0); // what a key-event binding sends: a key-down alone
    PressKey(F13Key);
    ASSERT_TRUE(SyncInput(Focus.Window));
    const auto reports = ReportsTo(ReportWindow.Window);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].LParam, VK_F13) << "the real F13, not the key event";
    EXPECT_EQ(ObservedOf(InjectedKey{0, 0x64, false}).size(), 1u) << "passed on";
    EXPECT_TRUE(ObservedOf(F13Key).empty());
}

} // namespace
