// A second instance, or the vendor's own tray program, makes Keyloft refuse to start.
#include "shell/AppState.h"
#include "support/KeyloftDriver.h"
#include "support/MessageBoxReader.h"

#include <gtest/gtest.h>

namespace {

constexpr wchar_t AlreadyRunning[] = L"Keyloft is already running so this instance will quit.";
constexpr wchar_t VendorRunning[] = L"Exit ErgoMedia program before running Keyloft.";

// A window of the vendor's tray program class for the length of a test.
struct VendorTrayWindow {
    VendorTrayWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"SYTRAY";
        RegisterClassW(&windowClass);
        Window = CreateWindowExW(0, L"SYTRAY", L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    }
    ~VendorTrayWindow() {
        DestroyWindow(Window);
        UnregisterClassW(L"SYTRAY", GetModuleHandleW(nullptr));
    }
    HWND Window = nullptr;
};

// Starts a further instance, expects exactly one warning box with text, answers it and checks
// that the instance ends with 0.
void ExpectRefusal(KeyloftFolder& folder, const wchar_t* text) {
    KeyloftProcess process;
    ASSERT_TRUE(StartKeyloft(folder, process));
    HWND box = WaitForMessageBox(MessageBoxOfProcess(process.Info.dwProcessId), 15000);
    ASSERT_NE(box, nullptr);
    const MessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(content.Text, text);
    EXPECT_EQ(content.Caption, AppState.Title);
    EXPECT_EQ(content.Owner, nullptr);
    EXPECT_EQ(content.ButtonIds(), std::vector<int>{IDOK});
    EXPECT_TRUE(PressMessageBoxButton(box, IDOK));
    EXPECT_EQ(WaitForExit(process), 0u);
}

} // namespace

TEST(StartRefusal, ASecondInstanceWarnsAndQuitsWhileTheFirstRunsOn) {
    KeyloftFolder folder;
    PrepareKeyloft(folder, HookVariant::Full);
    KeyloftProcess first;
    ASSERT_TRUE(StartKeyloft(folder, first));
    HWND window = WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    WaitForLogLines(folder.HookLogPath(), 1);

    ExpectRefusal(folder, AlreadyRunning);
    EXPECT_EQ(WaitForExit(first, 0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(ReadLogLines(folder.HookLogPath()).size(), 1u) << "the first instance is untouched";
}

TEST(StartRefusal, TheVendorTrayProgramKeepsKeyloftFromStarting) {
    VendorTrayWindow vendor;
    ASSERT_NE(vendor.Window, nullptr);
    KeyloftFolder folder;
    PrepareKeyloft(folder, HookVariant::Full);
    ExpectRefusal(folder, VendorRunning);
    EXPECT_TRUE(ReadLogLines(folder.HookLogPath()).empty()) << "nothing was started";
    EXPECT_EQ(FindWindowW(AppState.Title.c_str(), nullptr), nullptr);
}

TEST(StartRefusal, WithBothOnlyTheRunningInstanceIsNamed) {
    KeyloftFolder folder;
    PrepareKeyloft(folder, HookVariant::Full);
    KeyloftProcess first;
    ASSERT_TRUE(StartKeyloft(folder, first));
    ASSERT_NE(WaitForMainWindow(), nullptr);
    WaitForLogLines(folder.HookLogPath(), 1);
    VendorTrayWindow vendor;
    ExpectRefusal(folder, AlreadyRunning);
}
