// A left double-click on the tray icon opens the configuration file with its associated program.
#include "shell/MainWindow.h"
#include "support/KeyloftDriver.h"
#include "support/RegistryOverride.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::string Lower(std::wstring text) {
    std::string result;
    for (wchar_t c : text)
        result += static_cast<char>(towlower(c));
    return result;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    return text;
}

} // namespace

TEST(TrayOpenConfig, ALeftDoubleClickOpensTheConfigurationInTheCurrentDirectory) {
    KeyloftFolder keyloft;
    PrepareKeyloft(keyloft, HookVariant::Full);
    WriteConfig(keyloft, L"[Keyloft]\r\n");
    TempFolder current;
    PlaceHookLibrary(HookVariant::Full, current.PathOf(L"kbhook.dll"));
    // .ini files open with the probe for the length of the test.
    RegistryOverride association(HKEY_LOCAL_MACHINE,
                                 L"Software\\Classes\\inifile\\shell\\open\\command", L"",
                                 L"\"" + BinFolder() + L"KeyloftProbe.exe\" \"%1\"");
    KeyloftProcess process;
    ASSERT_TRUE(StartKeyloft(keyloft, process, current.Path));
    HWND window = WaitForMainWindow();
    ASSERT_NE(window, nullptr);

    PostMessageW(window, TrayCallbackMessage, TrayIconId, WM_LBUTTONUP);
    PostMessageW(window, TrayCallbackMessage, TrayIconId, WM_LBUTTONDBLCLK);
    PostMessageW(window, TrayCallbackMessage, TrayIconId, WM_LBUTTONUP);
    const std::vector<std::string> launches = WaitForLogLines(keyloft.ProbeLogPath(), 1);
    ASSERT_EQ(launches.size(), 1u);
    const std::string line = Lower(launches[0]);
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos);
    EXPECT_NE(line.substr(0, tab).find(Lower(keyloft.IniPath())), std::string::npos) << line;
    std::string directory = Lower(current.Path);
    directory.pop_back(); // the probe sees the directory without its trailing backslash
    EXPECT_EQ(line.substr(tab + 1), directory);
}
