// KeyloftSend.exe injecting into the desktop: what a low-level hook sees of its strokes and its
// text, a wrong word, and Keyloft with the project's kbhook.dll running it for the very key that
// it sends.
#include "HookHarness.h"
#include "hook/InjectMark.h"
#include "send/Strokes.h"
#include "support/KeyloftDriver.h"
#include "support/MessageBoxReader.h"

#include <gtest/gtest.h>

namespace {

struct SendRun {
    DWORD ExitCode = STILL_ACTIVE;
    std::wstring BoxText; // of the message box it showed, which the run answered
};

// Runs KeyloftSend.exe with arguments and handles this thread's messages (the observer hook runs
// on it) until the program has ended, answering its message box if it shows one.
SendRun RunSend(const std::wstring& arguments) {
    SendRun run;
    const std::wstring program = BinFolder() + L"KeyloftSend.exe";
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return run;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT &&
           GetTickCount() - start < 20000) {
        PumpFor(20);
        for (HWND box : FindMessageBoxes(MessageBoxOfProcess(info.dwProcessId))) {
            run.BoxText += ReadMessageBox(box).Text;
            PressMessageBoxButton(box, IDOK);
        }
    }
    GetExitCodeProcess(info.hProcess, &run.ExitCode);
    if (run.ExitCode == STILL_ACTIVE)
        TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return run;
}

// What the observer hook saw, without the sync key.
std::vector<ObservedEvent> SentEvents() {
    std::vector<ObservedEvent> events;
    for (const ObservedEvent& event : Records.Observed)
        if (event.VirtualKey != SyncKey.VirtualKey)
            events.push_back(event);
    return events;
}

struct ExpectedEvent {
    DWORD VirtualKey;
    DWORD ScanCode;
    bool Extended;
    bool Up;
};

void ExpectEvents(const std::vector<ExpectedEvent>& expected) {
    const std::vector<ObservedEvent> events = SentEvents();
    ASSERT_EQ(events.size(), expected.size());
    for (size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE("event " + std::to_string(i));
        EXPECT_EQ(events[i].VirtualKey, expected[i].VirtualKey);
        EXPECT_EQ(events[i].ScanCode, expected[i].ScanCode);
        EXPECT_EQ((events[i].Flags & LLKHF_EXTENDED) != 0, expected[i].Extended);
        // By the message: Wine leaves LLKHF_UP out of a character's key-up.
        EXPECT_EQ(events[i].Message == WM_KEYUP || events[i].Message == WM_SYSKEYUP,
                  expected[i].Up);
        EXPECT_NE(events[i].Flags & LLKHF_INJECTED, 0u);
        EXPECT_EQ(events[i].ExtraInfo, KeyloftSendMark);
    }
}

struct KeyloftSendTest : ::testing::Test {
    ObserverHook Observer;
    TestWindow Focus{true};

    void SetUp() override {
        ClearRecords();
        ASSERT_NE(Observer.Hook, nullptr);
        ASSERT_TRUE(BringToForeground(Focus.Window));
    }
};

TEST_F(KeyloftSendTest, StrokesArriveInOrderWithKeysScanCodesAndExtendedFlags) {
    EXPECT_EQ(RunSend(L"Ctrl+Shift+Esc Volume_Up*2 media_play_pause").ExitCode, 0u);
    ASSERT_TRUE(SyncInput(Focus.Window));
    ExpectEvents({{VK_LCONTROL, 0x1D, false, false},
                  {VK_LSHIFT, 0x2A, false, false},
                  {VK_ESCAPE, 0x01, false, false},
                  {VK_ESCAPE, 0x01, false, true},
                  {VK_LSHIFT, 0x2A, false, true},
                  {VK_LCONTROL, 0x1D, false, true},
                  {VK_VOLUME_UP, 0x30, true, false},
                  {VK_VOLUME_UP, 0x30, true, true},
                  {VK_VOLUME_UP, 0x30, true, false},
                  {VK_VOLUME_UP, 0x30, true, true},
                  {VK_MEDIA_PLAY_PAUSE, 0x22, true, false},
                  {VK_MEDIA_PLAY_PAUSE, 0x22, true, true}});
}

TEST_F(KeyloftSendTest, HeldModifiersAreReleasedFirstWithTheMaskBeforeAlt) {
    // The chord that fired the binding, still held.
    SendKey({VK_LCONTROL, 0x1D, false}, false);
    SendKey({VK_LMENU, 0x38, false}, false);
    ASSERT_TRUE(SyncInput(Focus.Window));
    ClearRecords();
    EXPECT_EQ(RunSend(L"F4").ExitCode, 0u);
    ASSERT_TRUE(SyncInput(Focus.Window));
    ExpectEvents({{MaskingVirtualKey, 0, false, false},
                  {MaskingVirtualKey, 0, false, true},
                  {VK_LCONTROL, 0x1D, false, true},
                  {VK_LMENU, 0x38, false, true},
                  {VK_F4, 0x3E, false, false},
                  {VK_F4, 0x3E, false, true}});
}

TEST_F(KeyloftSendTest, TextArrivesAsCharactersWithSurrogatePairs) {
    // The euro sign is outside Latin-1, U+1F600 outside the BMP.
    EXPECT_EQ(RunSend(L"--text \"\u20AC\U0001F600\"").ExitCode, 0u);
    ASSERT_TRUE(SyncInput(Focus.Window));
    std::vector<ExpectedEvent> expected;
    for (const DWORD unit : {0x20ACu, 0xD83Du, 0xDE00u}) {
        expected.push_back({VK_PACKET, unit, false, false});
        expected.push_back({VK_PACKET, unit, false, true});
    }
    ExpectEvents(expected);
}

TEST_F(KeyloftSendTest, AWrongWordSendsNothingAndNamesTheWord) {
    const SendRun run = RunSend(L"Ctrl+A Shft+B Enter");
    EXPECT_EQ(run.ExitCode, 2u);
    EXPECT_NE(run.BoxText.find(L"KeyloftSend sent nothing. Shft (in \u00ABShft+B\u00BB): no such "
                               L"key; did you mean Shift?"),
              std::wstring::npos)
        << "one box names it, with the nearest name";
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_TRUE(SentEvents().empty()) << "not one event";
}

// F13 bound to KeyloftSend.exe F13, named without a folder, while Keyloft runs in another
// current folder: the key fires the binding once, and the F13 it sends passes kbhook.dll
// untouched instead of firing the binding again.
TEST_F(KeyloftSendTest, KeyloftRunsItBesideItselfAndItsOwnKeyDoesNotFireAgain) {
    KeyloftFolder keyloft;
    TempFolder elsewhere; // Keyloft's current folder: the hook library, but no KeyloftSend.exe
    PrepareKeyloft(keyloft, HookVariant::None);
    ASSERT_TRUE(CopyFileW((BinFolder() + L"kbhook.dll").c_str(),
                          elsewhere.PathOf(L"kbhook.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((BinFolder() + L"KeyloftSend.exe").c_str(),
                          keyloft.Folder.PathOf(L"KeyloftSend.exe").c_str(), FALSE));
    WriteConfig(keyloft, L"[Keyloft]\r\n0064=KeyloftSend.exe F13\r\n");
    KeyloftProcess process;
    ASSERT_TRUE(StartKeyloft(keyloft, process, elsewhere.Path));
    ASSERT_NE(WaitForMainWindow(), nullptr);
    PumpFor(1500); // the hook starts as the last step of start-up

    ASSERT_TRUE(BringToForeground(Focus.Window));
    ClearRecords();
    PressKey(F13Key);
    const DWORD start = GetTickCount();
    while (ObservedOf(F13Key).size() < 2 && GetTickCount() - start < 15000)
        PumpFor(50);
    PumpFor(2000); // time for a second firing, were there one
    ASSERT_TRUE(SyncInput(Focus.Window));
    ExpectEvents({{VK_F13, 0x64, false, false}, {VK_F13, 0x64, false, true}});
}

} // namespace
