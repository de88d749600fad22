// The key report as the user sees it: a real message box, read from the screen and closed with
// its OK button.
#include "mapping/KeyReport.h"
#include "shell/AppState.h"

#include "support/MessageBoxReader.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// The report's first six lines for a key shown as code with second value lP.
std::wstring Message(const std::wstring& code, const std::wstring& lP) {
    return L"You have pressed a key with the following scan code:\n"
           L"\n"
           L"    " +
           code + L"\t\t\t\t\t\t\tlP=" + lP +
           L"\n"
           L"\n"
           L"Bind it by putting on the left side of the equality sign in the config file "
           L"(Keyloft.ini).\n"
           L"Double-click on the tray icon to open that file.";
}

// Runs with a configuration file Keyloft.ini in a fresh folder and a hidden main window.
struct KeyReport : ::testing::Test {
    void SetUp() override {
        ASSERT_NE(owner.Window, nullptr);
        savedConfigPath = AppState.ConfigPath;
        savedMainWindow = AppState.MainWindow;
        AppState.ConfigPath = folder.PathOf(L"Keyloft.ini");
        AppState.MainWindow = owner.Window;
    }
    void TearDown() override {
        AppState.ConfigPath = savedConfigPath;
        AppState.MainWindow = savedMainWindow;
    }

    void WriteConfig(const std::wstring& lines) {
        WriteUtf16File(AppState.ConfigPath, L"[Keyloft]\r\n" + lines);
    }

    // Shows the report of a key, reads the box and closes it with OK.
    AnsweredMessageBox Show(std::int32_t code, std::int32_t secondValue) {
        return AnswerMessageBox([&] { ShowKeyReport(code, secondValue); }, IDOK);
    }

    TempFolder folder;
    TestOwnerWindow owner;
    std::wstring savedConfigPath;
    HWND savedMainWindow = nullptr;
};

} // namespace

TEST_F(KeyReport, WorkedExampleAsTheUserSeesIt) {
    WriteConfig(L"E05F=calc.exe\r\n"
                L"E05F+=\"C:\\Program Files\\Media Player\\player.exe\" /play "
                L"\"D:\\Music\\Playlists\\Evening.m3u\" /shuffle /volume=40 /minimized\r\n");
    const AnsweredMessageBox box = Show(0xE05F, 1);
    ASSERT_TRUE(box.Found);
    EXPECT_TRUE(box.Pressed);
    EXPECT_EQ(box.Content.Caption, AppState.Title);
    EXPECT_EQ(box.Content.Owner, owner.Window);
    EXPECT_EQ(box.Content.ButtonIds(), (std::vector<int>{IDOK, IDHELP}));
    EXPECT_TRUE(box.Content.Topmost) << "system-modal";

    const std::vector<std::wstring> expected = {
        L"You have pressed a key with the following scan code:",
        L"",
        L"    E05F\t\t\t\t\t\t\tlP=1",
        L"",
        L"Bind it by putting on the left side of the equality sign in the config file "
        L"(Keyloft.ini).",
        L"Double-click on the tray icon to open that file.",
        L"",
        L"Current assignments:",
        L"",
        L"    calc.exe",
        L"",
        L"    \"C:\\Program Files\\Media Player\\player.exe\" /play "
        L"\"D:\\Music\\Playlists\\Evening.m3u\" ",
        L"    /shuffle /volume=40 /minimized",
    };
    EXPECT_EQ(SplitLines(box.Content.Text), expected);
    EXPECT_TRUE(WaitForMessageBoxClosed(box.Content.Box, 2000));
}

TEST_F(KeyReport, CodesValuesAndBindingsAsTheUserSeesThem) {
    const std::wstring ninety = std::wstring(85, L'a') + L" bcde";
    const std::wstring ninetyOne = std::wstring(85, L'a') + L" bcdef";
    struct Case {
        const char* Name;
        std::int32_t Code;
        std::int32_t SecondValue;
        std::wstring Config;
        std::wstring Expected;
    };
    const std::vector<Case> cases = {
        {"four digits at least, both bindings under those digits", 0x41, 0,
         L"41=not this\r\n0041=a.exe\r\n0041+=b.exe\r\n",
         Message(L"0041", L"0") + L"\n\nCurrent assignments:\n\n    a.exe\n\n    b.exe"},
        {"a code above 0xFFFF with all its digits", 0x1E05F, 7, L"1E05F=big key\r\n",
         Message(L"1E05F", L"7") + L"\n\nCurrent assignments:\n\n    big key"},
        {"the top bit set gives eight digits", -1, 1, L"FFFFFFFF+=x\r\n",
         Message(L"FFFFFFFF", L"1") + L"\n\nCurrent assignments:\n\n    x"},
        {"a negative second value", 0x42, -5, L"", Message(L"0042", L"-5")},
        {"only the double-press binding: one entry", 0x43, 1, L"0043+=notepad.exe\r\n",
         Message(L"0043", L"1") + L"\n\nCurrent assignments:\n\n    notepad.exe"},
        {"an empty value is no binding", 0x44, 1, L"0044=\r\n0044+=\r\n", Message(L"0044", L"1")},
        {"90 characters stay on one line, 91 are broken", 0x45, 1,
         L"0045=" + ninety + L"\r\n0045+=" + ninetyOne + L"\r\n",
         Message(L"0045", L"1") + L"\n\nCurrent assignments:\n\n    " + ninety + L"\n\n    " +
             std::wstring(85, L'a') + L" \n    bcdef"},
    };
    for (const Case& c : cases) {
        WriteConfig(c.Config);
        const AnsweredMessageBox box = Show(c.Code, c.SecondValue);
        ASSERT_TRUE(box.Found) << c.Name;
        EXPECT_TRUE(box.Pressed) << c.Name;
        EXPECT_EQ(box.Content.Caption, AppState.Title) << c.Name;
        EXPECT_EQ(box.Content.Text, c.Expected) << c.Name;
    }
}

TEST_F(KeyReport, WithoutBindingsTheMessageStandsAlone) {
    // No configuration file at all.
    const AnsweredMessageBox box = Show(0x29A, 2);
    ASSERT_TRUE(box.Found);
    EXPECT_EQ(box.Content.Text, Message(L"029A", L"2"));
    EXPECT_EQ(SplitLines(box.Content.Text).back(),
              L"Double-click on the tray icon to open that file.");
}

TEST_F(KeyReport, CharacterOutsideTheCodePageShowsReplaced) {
    ASSERT_EQ(GetACP(), 1252u) << "precondition: a Western code page without CJK characters";
    WriteConfig(L"0046=run \u4E2D.exe\r\n");
    const AnsweredMessageBox box = Show(0x46, 1);
    ASSERT_TRUE(box.Found);
    EXPECT_EQ(box.Content.Text,
              Message(L"0046", L"1") + L"\n\nCurrent assignments:\n\n    run ?.exe");
}

TEST_F(KeyReport, HelpRequestReachesTheOwnerAndLeavesTheBoxOpen) {
    bool stillOpen = false;
    const bool found = WithMessageBox([] { ShowKeyReport(0x47, 1); },
                                      [&](HWND box) {
                                          // Wine's Help button itself sends nothing; the help
                                          // request that F1 gives the box takes the same road
                                          // to its owner.
                                          PressMessageBoxButton(box, IDHELP);
                                          Sleep(200);
                                          if (owner.HelpRequests == 0)
                                              SendHelpRequest(box);
                                          stillOpen = IsWindow(box) && IsWindowVisible(box);
                                          PressMessageBoxButton(box, IDOK);
                                      });
    ASSERT_TRUE(found);
    EXPECT_TRUE(stillOpen);
    // Wine passes the request to the owner from the box and again from the box's default
    // handling, so it may arrive twice.
    EXPECT_GE(owner.HelpRequests, 1);
}
