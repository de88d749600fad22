// Where Keyloft looks for the vendor's hook library, and in which order.
#include "support/KeyloftDriver.h"
#include "support/VendorInstall.h"

#include <gtest/gtest.h>

namespace {

class HookSearch : public ::testing::Test {
  protected:
    void SetUp() override { RemoveVendorInstall(); }
    void TearDown() override { RemoveVendorInstall(); }

    // Starts Keyloft from its folder with `current` as its current directory and tells whether
    // it started reporting with the test library (the library's log shows the start).
    bool StartsFrom(const std::wstring& current) {
        EXPECT_TRUE(StartKeyloft(Keyloft, Process, current));
        HWND window = WaitForMainWindow();
        if (!window)
            return false;
        const std::vector<std::string> log = WaitForLogLines(Keyloft.HookLogPath(), 1, 10000);
        return log.size() == 1 && log[0] == HookKeyboardLine(1, window);
    }

    KeyloftFolder Keyloft; // the program, without a library beside it
    TempFolder Current;    // its current directory
    TempFolder Vendor;     // a vendor installation named by the registry
    KeyloftProcess Process;
};

} // namespace

TEST_F(HookSearch, TheCurrentFolderComesFirst) {
    PrepareKeyloft(Keyloft, HookVariant::None);
    PlaceHookLibrary(HookVariant::Full, Current.PathOf(L"kbhook.dll"));
    // Were the registry's candidate taken, start-up would fail on it.
    PlaceHookLibrary(HookVariant::NotALibrary, Vendor.PathOf(L"kbhook.dll"));
    VendorRegistryValue value(Vendor.Path);
    EXPECT_TRUE(StartsFrom(Current.Path));
}

TEST_F(HookSearch, TheRegistryDirectoryWorksWithAndWithoutATrailingBackslash) {
    PrepareKeyloft(Keyloft, HookVariant::None);
    PlaceHookLibrary(HookVariant::Full, Vendor.PathOf(L"kbhook.dll"));
    for (const std::wstring& directory :
         {Vendor.Path, Vendor.Path.substr(0, Vendor.Path.size() - 1)}) {
        SCOPED_TRACE(std::string(directory.begin(), directory.end()));
        VendorRegistryValue value(directory);
        DeleteFileW(Keyloft.HookLogPath().c_str());
        KeyloftProcess process;
        ASSERT_TRUE(StartKeyloft(Keyloft, process, Current.Path));
        HWND window = WaitForMainWindow();
        ASSERT_NE(window, nullptr);
        const std::vector<std::string> log = WaitForLogLines(Keyloft.HookLogPath(), 1);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0], HookKeyboardLine(1, window));
        PostThreadMessageW(process.Info.dwThreadId, WM_QUIT, 0, 0);
        EXPECT_EQ(WaitForExit(process), 0u);
    }
}

TEST_F(HookSearch, TheRegistryTextIsTakenLiterallyWithoutExpansion) {
    PrepareKeyloft(Keyloft, HookVariant::None);
    // A folder literally named "%ProgramFiles%" below the current directory; the expanded
    // default directory holds no library.
    const std::wstring literal = Current.PathOf(L"%ProgramFiles%");
    CreateDirectoryW(literal.c_str(), nullptr);
    CreateDirectoryW((literal + L"\\KYE").c_str(), nullptr);
    CreateDirectoryW((literal + L"\\KYE\\ErgoMedia").c_str(), nullptr);
    PlaceHookLibrary(HookVariant::Full, literal + L"\\KYE\\ErgoMedia\\kbhook.dll");
    VendorRegistryValue value(L"%ProgramFiles%\\KYE\\ErgoMedia");
    EXPECT_TRUE(StartsFrom(Current.Path));
}

TEST_F(HookSearch, TheDefaultInstallationDirectoryComesLast) {
    PrepareKeyloft(Keyloft, HookVariant::None);
    DefaultVendorFolder folder;
    PlaceHookLibrary(HookVariant::Full, folder.Path + L"kbhook.dll");
    EXPECT_TRUE(StartsFrom(Current.Path));
}

TEST_F(HookSearch, AFolderNamedLikeTheLibraryIsSkipped) {
    PrepareKeyloft(Keyloft, HookVariant::None);
    CreateDirectoryW(Current.PathOf(L"kbhook.dll").c_str(), nullptr);
    PlaceHookLibrary(HookVariant::Full, Vendor.PathOf(L"kbhook.dll"));
    VendorRegistryValue value(Vendor.Path);
    EXPECT_TRUE(StartsFrom(Current.Path));
}
