// A stand-in program for launch tests: appends one line to the file named by the environment
// variable KEYLOFT_PROBE_LOG with its command line and working directory, tab-separated.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    wchar_t logPath[MAX_PATH * 4];
    if (!GetEnvironmentVariableW(L"KEYLOFT_PROBE_LOG", logPath, MAX_PATH * 4))
        return 1;
    wchar_t directory[MAX_PATH * 4];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, directory);
    std::wstring line = GetCommandLineW();
    line += L'\t';
    line.append(directory, length);
    line += L"\r\n";
    // Several launches may write at once: open for appending, retrying while another holds it.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileW(logPath, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)),
                      &written, nullptr);
            CloseHandle(file);
            return 0;
        }
        Sleep(10);
    }
    return 2;
}
