// kbhook.dll in this process: a bound extra key is swallowed, every other key keeps its usual
// way to the later hooks and the focused window, edits of the configuration apply while the hook
// runs, every key reaches the applications whole, and a key acts as another while it is held.
#include "HookHarness.h"

#include "hook/HookKeys.h"
#include "hook/InjectMark.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct ConfigCase {
    const char* Name;
    const char* Text; // nullptr: no configuration file
};

const ConfigCase MailUnbound[] = {
    {"NoFile", nullptr},
    {"EmptyValue", "[Keyloft]\r\nE06C=\r\nE06C+=\r\n"},
    {"QuotesOnly", "[Keyloft]\r\nE06C=\"\"\r\n"},
    {"BlanksInQuotes", "[Keyloft]\r\nE06C=\"   \"\r\n"},
    {"OtherSection", "[Other]\r\nE06C=calc.exe\r\n"},
    {"NotTheKeyText", "[Keyloft]\r\n6C=x\r\n0E06C=x\r\nE06C++=x\r\nE06D=x\r\n"},
};

const ConfigCase MailBound[] = {
    {"SinglePress", "[Keyloft]\r\nE06C=calc.exe\r\n"},
    {"DoublePressOnly", "[Keyloft]\r\nE06C+=calc.exe\r\n"},
    {"LowerCaseAndBlanks", "[keyloft]\r\n e06c = \"C:\\Program Files\\Mail\\mail.exe\" -new\r\n"},
    {"KeyEvent", "[Keyloft]\r\nRepeatDelay=400\r\nE06C=0x1E\r\n"},
};

using KbHookBinding = LiveHookTest;

void WriteConfig(ConfigFileGuard& config, const ConfigCase& test) {
    if (test.Text)
        config.Write(test.Text);
    else
        config.Remove();
}

TEST_F(KbHookBinding, UnboundExtraKeyIsReportedAndPassedOn) {
    for (const ConfigCase& test : MailUnbound) {
        SCOPED_TRACE(test.Name);
        WriteConfig(Config, test);
        ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
        PressAndSync(MailKey);
        EXPECT_EQ(ReportsTo(ReportWindow.Window).size(), 1u);
        EXPECT_EQ(ObservedOf(MailKey).size(), 2u) << "the earlier hook sees down and up";
        const auto keys = KeysOf(MailKey, Focus.Window);
        ASSERT_EQ(keys.size(), 2u) << "the focused window receives down and up";
        EXPECT_EQ(keys[0].Message, static_cast<UINT>(WM_KEYDOWN));
        EXPECT_EQ(keys[1].Message, static_cast<UINT>(WM_KEYUP));
        EXPECT_EQ(Library.HookKeyboard(0, ReportWindow.Window), 1);
    }
}

TEST_F(KbHookBinding, BoundExtraKeyIsReportedAndSwallowed) {
    for (const ConfigCase& test : MailBound) {
        SCOPED_TRACE(test.Name);
        WriteConfig(Config, test);
        ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
        PressAndSync(MailKey);
        const auto reports = ReportsTo(ReportWindow.Window);
        ASSERT_EQ(reports.size(), 1u) << "a bound key is still reported";
        EXPECT_EQ(reports[0].WParam, 0xE06Cu);
        EXPECT_TRUE(ObservedOf(MailKey).empty()) << "neither down nor up reaches later hooks";
        EXPECT_TRUE(KeysOf(MailKey, Focus.Window).empty());
        EXPECT_EQ(Library.HookKeyboard(0, ReportWindow.Window), 1);
    }
}

TEST_F(KbHookBinding, BoundOrdinaryKeyFiresAndIsSwallowedExcept29) {
    // 003A is CapsLock; 0029 is the code that is never reported, bound or not.
    Config.Write("[Keyloft]\r\n003A=x\r\n0029=x\r\n");
    const InjectedKey noVirtualKey29{0xFF, 0x29, false};
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressKey(CapsLockKey);
    PressKey(noVirtualKey29);
    PressKey(LetterAKey);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), std::vector<WPARAM>{0x3A});
    EXPECT_TRUE(ObservedOf(CapsLockKey).empty()) << "a later hook never sees CapsLock";
    EXPECT_EQ(ObservedOf(noVirtualKey29).size(), 2u);
    EXPECT_EQ(ObservedOf(LetterAKey).size(), 2u) << "an unbound ordinary key passes on";
    EXPECT_EQ(KeysOf(LetterAKey, Focus.Window).size(), 2u);
}

TEST_F(KbHookBinding, ChordFiresAndIsSwallowedWhileTheKeyAlonePassesOn) {
    Config.Write("[Keyloft]\r\n20064=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    ClearRecords();
    // Ctrl is released before F13: the key-up of F13 still belongs to the chord.
    SendKey(LeftCtrlKey, false);
    SendKey(F13Key, false);
    SendKey(LeftCtrlKey, true);
    SendKey(F13Key, true);
    PressKey(F13Key);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), (std::vector<WPARAM>{0x20064, 0x64}));
    const auto f13 = ObservedOf(F13Key);
    ASSERT_EQ(f13.size(), 2u) << "only the press of F13 alone reaches later hooks";
    EXPECT_GT(ObservedAt(F13Key.VirtualKey, WM_KEYDOWN), ObservedAt(VK_LCONTROL, WM_KEYUP));
    EXPECT_EQ(ObservedOf(LeftCtrlKey).size(), 2u) << "modifiers themselves pass on";
}

TEST_F(KbHookBinding, KeySwallowedWhileAltIsDownIsFollowedByTheMaskingKey) {
    Config.Write("[Keyloft]\r\n40064=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    ClearRecords();
    SendKey(LeftAltKey, false);
    PressKey(F13Key);
    PumpFor(60); // a quick hand releases Alt this much later
    SendKey(LeftAltKey, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), std::vector<WPARAM>{0x40064});
    EXPECT_TRUE(ObservedOf(F13Key).empty());
    const int altUp = ObservedAt(VK_LMENU, WM_KEYUP) >= 0 ? ObservedAt(VK_LMENU, WM_KEYUP)
                                                          : ObservedAt(VK_LMENU, WM_SYSKEYUP);
    const int maskDown = ObservedAt(MaskingVirtualKey, WM_SYSKEYDOWN) >= 0
                             ? ObservedAt(MaskingVirtualKey, WM_SYSKEYDOWN)
                             : ObservedAt(MaskingVirtualKey, WM_KEYDOWN);
    ASSERT_GE(altUp, 0);
    ASSERT_GE(maskDown, 0) << "a masking key was pressed";
    EXPECT_LT(maskDown, altUp) << "before Alt's release";
    ClearRecords();
    SendKey(LeftAltKey, false);
    PressKey(LetterAKey);
    SendKey(LeftAltKey, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ObservedAt(MaskingVirtualKey, WM_SYSKEYDOWN), -1) << "nothing swallowed, no mask";
}

// Presses the Mail key until it is swallowed (or passed on, when wantSwallowed is false), for
// at most timeoutMs. Returns the milliseconds that took, or -1.
long WaitForMailHandling(LiveHookTest& test, bool wantSwallowed, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        ClearRecords();
        PressKey(MailKey);
        if (!SyncInput(test.Focus.Window))
            return -1;
        const bool swallowed = ObservedOf(MailKey).empty();
        const DWORD elapsed = GetTickCount() - start;
        if (swallowed == wantSwallowed)
            return static_cast<long>(elapsed);
        if (elapsed > timeoutMs)
            return -1;
        PumpFor(50);
    }
}

TEST_F(KbHookBinding, EditsOfTheConfigurationApplyWhileTheHookRuns) {
    Config.Write("[Keyloft]\r\nRepeatDelay=400\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(MailKey);
    ASSERT_EQ(ObservedOf(MailKey).size(), 2u);

    // The library hears of the change at once; allow for a busy machine.
    Config.Write("[Keyloft]\r\nRepeatDelay=400\r\nE06C=calc.exe\r\n");
    const long bound = WaitForMailHandling(*this, true, 4000);
    EXPECT_GE(bound, 0) << "a new binding swallows the key";

    Config.Write("[Keyloft]\r\nRepeatDelay=400\r\nE06C=\r\n");
    const long emptied = WaitForMailHandling(*this, false, 4000);
    EXPECT_GE(emptied, 0) << "an emptied binding lets the key through again";

    Config.Write("[Keyloft]\r\nE06C+=x\r\n");
    EXPECT_GE(WaitForMailHandling(*this, true, 4000), 0);
    Config.Remove();
    const long removed = WaitForMailHandling(*this, false, 4000);
    EXPECT_GE(removed, 0) << "a removed file binds nothing";
    std::printf("edit applied after %ld ms, emptied after %ld ms, removal after %ld ms\n", bound,
                emptied, removed);
}

TEST_F(KbHookBinding, KeyUpOfAPassedKeyPassesWhenItsChordIsBound) {
    const InjectedKey space{VK_SPACE, 0x39, false}, shift{VK_LSHIFT, 0x2A, false};
    Config.Write("[Keyloft]\r\n10039=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    for (const bool release : {false, true}) {
        SendKey(space, release);
        SendKey(shift, release);
    }
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(KeysOf(space, Focus.Window).size(), 2u) << "down and up";
}

TEST_F(KbHookBinding, TapOfALongPressKeyComesBackBeforeTheNextKey) {
    Config.Write("[Keyloft]\r\n10003A=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressKey(CapsLockKey);
    PressKey(LetterAKey);  // on its way before the tap is given back
    PressKey(CapsLockKey); // and CapsLock as it was before
    ASSERT_TRUE(SyncInput(Focus.Window));
    ASSERT_EQ(ObservedOf(CapsLockKey).size(), 4u) << "two presses of the key's own";
    EXPECT_LT(ObservedAt(VK_CAPITAL, WM_KEYDOWN), ObservedAt(VK_CAPITAL, WM_KEYUP));
    EXPECT_LT(ObservedAt(VK_CAPITAL, WM_KEYUP), ObservedAt('A', WM_KEYDOWN));
    EXPECT_EQ(KeysOf(LetterAKey, Focus.Window).size(), 2u);
}

TEST_F(KbHookBinding, ChordKeepsItsModifierAfterAMarkedRelease) {
    Config.Write("[Keyloft]\r\n20064=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    SendKey(LeftCtrlKey, false);
    PressKey(F13Key);
    INPUT release{INPUT_KEYBOARD, {}}; // as KeyloftSend releases a held modifier
    release.ki = {VK_LCONTROL, 0x1D, KEYEVENTF_KEYUP, 0, KeyloftSendMark};
    SendInput(1, &release, sizeof(release));
    PressKey(F13Key);
    SendKey(LeftCtrlKey, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), (std::vector<WPARAM>{0x20064, 0x20064}));
}

TEST_F(KbHookBinding, NothingIsTakenWhileKeyloftIgnoresKeys) {
    Config.Write("[Keyloft]\r\nOnlyActiveUser=\r\n0064=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(F13Key);
    EXPECT_TRUE(ReportedCodes(ReportWindow.Window).empty());
    EXPECT_EQ(ObservedOf(F13Key).size(), 2u);
}

TEST_F(KbHookBinding, KeyEventWithoutAVirtualKeyIsLeftAlone) {
    Config.Write("[Keyloft]\r\n0064=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    keybd_event(0, 0x64, 0, 0); // what a key-event binding sends: a key-down alone
    PressKey(F13Key);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ObservedOf(InjectedKey{0, 0x64, false}).size(), 1u) << "passed on";
    ASSERT_EQ(ReportsTo(ReportWindow.Window).size(), 1u);
    EXPECT_EQ(ReportsTo(ReportWindow.Window)[0].LParam, VK_F13) << "the real F13";
    keybd_event(0, 0x64, KEYEVENTF_KEYUP, 0);
}

TEST_F(KbHookBinding, ProgramsTypingIsLeftAlone) {
    Config.Write("[Keyloft]\r\n0064=x\r\n003A=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    // What a text expander sends for "d:a": the characters' codes equal 0064 and 003A.
    INPUT typed[6] = {};
    const wchar_t text[] = L"d:a";
    for (int i = 0; i < 6; ++i) {
        typed[i].type = INPUT_KEYBOARD;
        typed[i].ki.wScan = text[i / 2];
        typed[i].ki.dwFlags = KEYEVENTF_UNICODE | (i % 2 ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(6, typed, sizeof(INPUT));
    PressKey(F13Key);
    ASSERT_TRUE(SyncInput(Focus.Window));
    int characters = 0;
    for (const ObservedEvent& event : Records.Observed)
        characters += event.VirtualKey == VK_PACKET;
    EXPECT_EQ(characters, 6) << "every character passed on";
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), (std::vector<WPARAM>{0x64})) << "the real F13";
}

TEST_F(KbHookBinding, KeyTypedWhileAKeyWaitsComesAfterIt) {
    const InjectedKey j{'J', 0x24, false}, u{'U', 0x16, false};
    Config.Write("[Keyloft]\r\n100024=x\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    SendKey(j, false);
    SendKey(u, false);
    SendKey(j, true);
    SendKey(u, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    ASSERT_EQ(ObservedOf(j).size(), 2u);
    ASSERT_EQ(ObservedOf(u).size(), 2u);
    EXPECT_LT(ObservedAt('J', WM_KEYDOWN), ObservedAt('U', WM_KEYDOWN)) << "ju, not uj";
    EXPECT_LT(ObservedAt('J', WM_KEYUP), ObservedAt('U', WM_KEYUP));
}

// The keys a later hook saw go down (+) and up (-), by virtual key, from the first one of vk on.
std::string SeenFrom(DWORD vk) {
    std::string seen;
    for (const ObservedEvent& event : Records.Observed) {
        if (event.VirtualKey == SyncKey.VirtualKey || (seen.empty() && event.VirtualKey != vk))
            continue;
        char text[8];
        std::snprintf(text, sizeof text, "%c%X ", (event.Flags & LLKHF_UP) ? '-' : '+',
                      static_cast<unsigned>(event.VirtualKey));
        seen += text;
    }
    return seen;
}

TEST_F(KbHookBinding, KeyActsAsItsStrokeExactlyWhileHeld) {
    Config.Write("[Keyloft]\r\n0064=as Shift+F14\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    for (int repeat = 0; repeat < 3; ++repeat)
        SendKey(F13Key, false);
    SendKey(F13Key, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(SeenFrom(VK_LSHIFT), "+A0 +7D +7D +7D -7D -A0 ") << "no F13, the stroke repeats";
    EXPECT_TRUE(ObservedOf(F13Key).empty());
    EXPECT_TRUE(ReportedCodes(ReportWindow.Window).empty());
}

TEST_F(KbHookBinding, TapAndHoldOnOneKey) {
    const InjectedKey j{'J', 0x24, false};
    Config.Write("[Keyloft]\r\n003A=as Esc\r\n10003A=as Ctrl\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressKey(CapsLockKey);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(SeenFrom(VK_ESCAPE), "+1B -1B ") << "tapped: Esc";
    ClearRecords();
    SendKey(CapsLockKey, false);
    PressKey(j);
    SendKey(CapsLockKey, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(SeenFrom(VK_LCONTROL), "+A2 +4A -4A -A2 ") << "held: Ctrl+J";
    EXPECT_TRUE(ObservedOf(CapsLockKey).empty());
}

} // namespace
