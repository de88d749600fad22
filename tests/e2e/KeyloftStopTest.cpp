// KeyloftStop.exe, as `scripts/run.sh stop` runs it: it says that Keyloft stopped only once the
// process has ended, and says why otherwise.
#include "shell/AppState.h"
#include "support/KeyloftDriver.h"
#include "support/ProgramRun.h"

#include <gtest/gtest.h>

namespace {

ProgramRun RunStop(const TempFolder& folder) {
    return RunProgram(BinFolder() + L"KeyloftStop.exe", L"", folder);
}

LRESULT CALLBACK IgnoreEverything(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TEST(KeyloftStop, EndsARunningKeyloftAndSaysSoOnlyWhenItEnded) {
    KeyloftFolder keyloft;
    ProgramRun idle = RunStop(keyloft.Folder);
    EXPECT_EQ(idle.ExitCode, 3u) << idle.Output;
    EXPECT_EQ(idle.Output, "") << "the script says once that none runs";

    PrepareKeyloft(keyloft, HookVariant::Full);
    KeyloftProcess process;
    ASSERT_TRUE(StartKeyloft(keyloft, process));
    ASSERT_NE(WaitForMainWindow(), nullptr);
    const ProgramRun stopped = RunStop(keyloft.Folder);
    EXPECT_EQ(stopped.ExitCode, 0u);
    EXPECT_EQ(stopped.Output, "Keyloft stopped.\r\n");
    EXPECT_EQ(WaitForSingleObject(process.Info.hProcess, 0), WAIT_OBJECT_0);
}

// A window that answers to Keyloft's name but never ends: no success is claimed for it.
TEST(KeyloftStop, AProcessThatDoesNotEndIsAFailureWithItsReason) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = IgnoreEverything;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = AppState.Title.c_str();
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    const HWND window =
        CreateWindowExW(0, AppState.Title.c_str(), AppState.Title.c_str(), WS_POPUP, 0, 0, 0, 0,
                        nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr) << GetLastError();

    TempFolder folder;
    const ProgramRun run = RunStop(folder);
    DestroyWindow(window);
    UnregisterClassW(AppState.Title.c_str(), windowClass.hInstance);
    EXPECT_EQ(run.ExitCode, 1u);
    EXPECT_EQ(run.Output, "Keyloft was asked to end but still runs after ten seconds.\r\n");
}
