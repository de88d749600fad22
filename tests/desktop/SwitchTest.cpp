// KeyloftSend --switch on the desktop: it starts a program that has no window, with its
// parameters as written and in its folder, and with the test program's own two windows as the
// program's, raises, goes round, minimizes and restores.
#include "support/ForegroundWindow.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// Runs KeyloftSend --switch with arguments, handling this thread's messages meanwhile: the
// windows it acts on belong to this thread. Then waits for window to be in front (or, with
// none given, for the calls to settle) and returns the exit status.
DWORD RunSwitch(const std::wstring& arguments, HWND front = nullptr) {
    const std::wstring program = BinFolder() + L"KeyloftSend.exe";
    std::wstring commandLine = L"\"" + program + L"\" --switch " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return 0xFFFFFFFF;
    PumpMessagesUntil([&] { return WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0; },
                      20000);
    DWORD status = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &status);
    if (status == STILL_ACTIVE)
        TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    if (front)
        PumpMessagesUntil([&] { return GetForegroundWindow() == front; }, 5000);
    else
        PumpMessagesFor(200);
    return status;
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return L"\"" + std::wstring(path, length) + L"\"";
}

} // namespace

TEST(Switch, StartsAProgramThatHasNoWindow) {
    TempFolder folder;
    const std::wstring log = folder.PathOf(L"probe.log");
    SetEnvironmentVariableW(L"KEYLOFT_PROBE_LOG", log.c_str());
    const std::wstring probe = BinFolder() + L"KeyloftProbe.exe";
    EXPECT_EQ(RunSwitch(L"\"" + probe + L"\" one \"two words\""), 0u);
    SetEnvironmentVariableW(L"KEYLOFT_PROBE_LOG", nullptr);
    ASSERT_TRUE(PumpMessagesUntil([&] { return !ReadBytes(log).empty(); }, 10000));
    const std::string bytes = ReadBytes(log);
    const std::wstring line(reinterpret_cast<const wchar_t*>(bytes.data()),
                            bytes.size() / sizeof(wchar_t));
    EXPECT_NE(line.find(L" one \"two words\"\t"), std::wstring::npos);
    std::wstring binFolder = BinFolder();
    binFolder.pop_back();
    const std::wstring started = line.substr(line.find(L'\t') + 1);
    EXPECT_EQ(CompareStringOrdinal(started.c_str(), static_cast<int>(binFolder.size()),
                                   binFolder.c_str(), -1, TRUE),
              CSTR_EQUAL);
}

TEST(Switch, RaisesGoesRoundMinimizesAndRestores) {
    ForegroundWindow first;
    ForegroundWindow second; // in front, the first behind it
    ASSERT_TRUE(first.Window && second.Window);
    ASSERT_EQ(GetForegroundWindow(), second.Window);
    // The one in front and another: the one furthest back comes up, each press in turn.
    EXPECT_EQ(RunSwitch(OwnPath(), first.Window), 0u);
    EXPECT_EQ(GetForegroundWindow(), first.Window);
    EXPECT_EQ(RunSwitch(OwnPath(), second.Window), 0u);
    EXPECT_EQ(GetForegroundWindow(), second.Window);

    // The only window, in front: minimized; then, minimized, restored and in front.
    DestroyWindow(first.Window);
    first.Window = nullptr;
    ASSERT_TRUE(second.Activate());
    EXPECT_EQ(RunSwitch(OwnPath()), 0u);
    EXPECT_TRUE(PumpMessagesUntil([&] { return IsIconic(second.Window) != FALSE; }, 5000));
    EXPECT_EQ(RunSwitch(OwnPath(), second.Window), 0u);
    EXPECT_FALSE(IsIconic(second.Window));
    EXPECT_EQ(GetForegroundWindow(), second.Window);
}
