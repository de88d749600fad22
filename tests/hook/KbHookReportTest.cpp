// kbhook.dll in this process: which injected keys it reports to the registered window, and with
// which code.
#include "HookHarness.h"

#include "hook/HookKeys.h"

#include <gtest/gtest.h>

namespace {

struct ReportCase {
    const char* Name;
    InjectedKey Key;
    WPARAM Code;
};

// Each key is bound in the configuration, so the desktop never acts on the media and sleep
// keys that the test injects.
const ReportCase ReportCases[] = {
    {"Mail", MailKey, 0xE06C},
    {"Sleep", SleepKey, 0xE05F},
    {"BrowserBack", {VK_BROWSER_BACK, 0x6A, true}, 0xE06A},
    {"VolumeUp", {VK_VOLUME_UP, 0x30, true}, 0xE030},
    {"LaunchApp2", {VK_LAUNCH_APP2, 0x21, true}, 0xE021},
    {"F13", F13Key, 0x64},
    {"F24", {VK_F24, 0x76, false}, 0x76},
    {"NoVirtualKey", {0xFF, 0x73, false}, 0x73},
    {"NoVirtualKeyExtended", {0xFF, 0x10, true}, 0xE010},
};

const char BindEveryReportedKey[] = "[Keyloft]\r\n"
                                    "E06C=calc.exe\r\n"
                                    "E05F=0x5F\r\n"
                                    "E06A=x\r\n"
                                    "E030=x\r\n"
                                    "E021=x\r\n"
                                    "0064=x\r\n"
                                    "0076=x\r\n"
                                    "0073=x\r\n"
                                    "E010=x\r\n";

using KbHookReport = LiveHookTest;

TEST_F(KbHookReport, ExtraKeysAreReportedWithTheirCodeAndVirtualKey) {
    Config.Write(BindEveryReportedKey);
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    for (const ReportCase& test : ReportCases) {
        SCOPED_TRACE(test.Name);
        PressAndSync(test.Key);
        const auto reports = ReportsTo(ReportWindow.Window);
        ASSERT_EQ(reports.size(), 1u) << "one report per key-down, none for the key-up";
        EXPECT_EQ(reports[0].WParam, test.Code);
        EXPECT_EQ(reports[0].LParam, test.Key.VirtualKey);
        EXPECT_EQ(Records.Reports.size(), 1u) << "reports go to the registered window only";
    }
    EXPECT_EQ(Library.HookKeyboard(0, ReportWindow.Window), 1);
}

TEST_F(KbHookReport, OrdinaryKeysAreNeverReported) {
    const InjectedKey ordinary[] = {
        LetterAKey,
        {VK_SPACE, 0x39, false},
        {VK_RETURN, 0x1C, true},    // the keypad's Enter: extended, yet ordinary
        {VK_LEFT, 0x4B, true},      // an arrow key
        {VK_F11, 0x57, false},      // just below the extra function keys
        {VK_OEM_1, 0x27, false},    // just above the media keys
        {VK_RMENU, 0x38, true},     // just below them
        {0xFF, SleepKeyCode, false} // no virtual key, but the code 0x29 is never reported
    };
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    for (const InjectedKey& key : ordinary)
        PressKey(key);
    PressKey(F13Key); // an extra key after them shows the hook was listening all along
    ASSERT_TRUE(SyncInput(Focus.Window));
    const auto reports = ReportsTo(ReportWindow.Window);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].WParam, 0x64u);
    for (const InjectedKey& key : ordinary)
        EXPECT_EQ(ObservedOf(key).size(), 2u) << "key " << key.VirtualKey << " passed on";
    EXPECT_EQ(KeysOf(LetterAKey, Focus.Window).size(), 2u);
}

TEST_F(KbHookReport, SleepKeyProcDoesNothing) {
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    EXPECT_EQ(Library.SystemSleepKeyProc(0, 0), 0);
    EXPECT_EQ(Library.SystemSleepKeyProc(1, 2), 0);
    PumpFor(50);
    for (const ReceivedMessage& message : Records.Reports)
        ADD_FAILURE() << "unexpected message " << message.Message;
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0x808, 0x808, PM_REMOVE))
        << "the library never sends the sleep key message";
}

} // namespace
