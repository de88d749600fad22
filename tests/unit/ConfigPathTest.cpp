// The configuration file is found beside the executable wherever the executable lies, even in
// a folder named in characters that the ANSI code page lacks. (Wine cannot start a program
// whose path has 260 characters or more, so the long-path case cannot run here.)
#include "mapping/Config.h"
#include "shell/AppState.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr wchar_t ResultVariable[] = L"KEYLOFT_CONFIG_PATH_RESULT";

std::wstring Variable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return std::wstring();
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, &value[0], size));
    return value;
}

std::wstring ReadUtf16(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    if (bytes.size() < 2)
        return std::wstring();
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

} // namespace

TEST(ConfigPath, FoundBesideAnExecutableInAUnicodeFolder) {
    const std::wstring resultPath = Variable(ResultVariable);
    if (!resultPath.empty()) {
        // Started by the test below as a copy of this program: report what it finds.
        const std::wstring saved = AppState.ConfigPath;
        AppState.ConfigPath = DeriveConfigPath();
        WriteUtf16File(resultPath, AppState.ConfigPath + L"|" + ReadSetting(L"Marker", L""));
        AppState.ConfigPath = saved;
        return;
    }

    TempFolder folder;
    std::wstring directory = folder.Path;
    while (directory.size() < 200) {
        directory += L"\u03A9\u65E5\u672C-\u00E9t\u00E9-" + std::wstring(30, L'k') + L"\\";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + directory).c_str(), nullptr)) << directory;
    }
    const std::wstring program = directory + L"Keyl\u00F6ft \u0416.exe";
    const std::wstring config = directory + L"Keyl\u00F6ft \u0416.ini";
    ASSERT_TRUE(CopyFileW((BinFolder() + L"KeyloftUnitTests.exe").c_str(), program.c_str(), TRUE));
    WriteAnsiFile(config, L"[Keyloft]\r\nMarker=found beside the copy\r\n");

    const std::wstring result = folder.PathOf(L"result.txt");
    SetEnvironmentVariableW(ResultVariable, result.c_str());
    std::wstring commandLine = L"\"" + program + L"\" --gtest_filter=" +
                               L"ConfigPath.FoundBesideAnExecutableInAUnicodeFolder";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                                        0, nullptr, folder.Path.c_str(), &startup, &process);
    SetEnvironmentVariableW(ResultVariable, nullptr);
    ASSERT_TRUE(started) << "error " << GetLastError();
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 99);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(ReadUtf16(result), config + L"|found beside the copy");
}
