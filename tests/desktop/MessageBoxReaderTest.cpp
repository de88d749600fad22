// The message box reader that the box tests rely on: boxes of another process, and boxes of the
// test's own thread that do not come or lack the wanted button.
#include "support/MessageBoxReader.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A process handle that is closed at the end; the process is ended if it still runs.
struct ChildProcess {
    ~ChildProcess() {
        if (info.hProcess) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(info.hProcess, 99);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
    PROCESS_INFORMATION info{};
};

} // namespace

TEST(MessageBoxReader, ReadsAndAnswersABoxOfAnotherProcess) {
    // The scripting host shows a plain message box and ends with the answer as its exit code.
    TempFolder folder;
    const std::wstring script = folder.PathOf(L"box.vbs");
    WriteAnsiFile(script, L"r = MsgBox(\"First line\" & vbLf & \"second line\", 4 + 16 + 16384, "
                          L"\"Box of another process\")\r\nWScript.Quit r\r\n");
    std::wstring command = L"wscript.exe //nologo \"" + script + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ChildProcess child;
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &child.info))
        << GetLastError();

    const HWND box = WaitForMessageBox(MessageBoxOfProcess(child.info.dwProcessId), 20000);
    ASSERT_NE(box, nullptr);
    // Not a box of this test's thread.
    EXPECT_TRUE(FindMessageBoxes(MessageBoxOfThread(GetCurrentThreadId())).empty());
    const MessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(content.Caption, L"Box of another process");
    EXPECT_EQ(content.Text, L"First line\nsecond line");
    EXPECT_EQ(content.Owner, nullptr);
    EXPECT_EQ(content.ButtonIds(), (std::vector<int>{IDYES, IDNO, IDHELP}));
    ASSERT_TRUE(PressMessageBoxButton(box, IDNO));
    EXPECT_TRUE(WaitForMessageBoxClosed(box, 5000));
    ASSERT_EQ(WaitForSingleObject(child.info.hProcess, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.info.hProcess, &exitCode);
    EXPECT_EQ(exitCode, static_cast<DWORD>(IDNO));
}

TEST(MessageBoxReader, InProcessBoxWithoutTheWantedButtonStillCloses) {
    int result = 0;
    const AnsweredMessageBox box = AnswerMessageBox(
        [&] { result = MessageBoxW(nullptr, L"only OK", L"caption", MB_OK); }, IDYES);
    ASSERT_TRUE(box.Found);
    EXPECT_FALSE(box.Pressed);
    EXPECT_EQ(box.Content.Text, L"only OK");
    EXPECT_EQ(result, IDOK);
}

TEST(MessageBoxReader, NoBoxIsReportedAsNone) {
    bool ran = false;
    const AnsweredMessageBox box = AnswerMessageBox([&] { ran = true; }, IDOK, 5000);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(box.Found);
    EXPECT_EQ(WaitForMessageBox(MessageBoxOfThread(GetCurrentThreadId()), 100), nullptr);
}
