// A stand-in for the keyboard vendor's hook library: it reports nothing by itself and appends
// every call with its arguments to the file named by the environment variable KEYLOFT_HOOK_LOG,
// so that tests can see what the program asked of it and when.
#include <windows.h>

#include <cstdio>

namespace {

void Log(const char* name, unsigned long first, unsigned long second) {
    char path[MAX_PATH * 2];
    if (!GetEnvironmentVariableA("KEYLOFT_HOOK_LOG", path, sizeof(path)))
        return;
    char line[128];
    const int length = std::snprintf(line, sizeof(line), "%s %lu %lu\r\n", name, first, second);
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, length, &written, nullptr);
    CloseHandle(file);
}

} // namespace

extern "C" LONG WINAPI HookKeyboard(LONG start, HWND window) {
    Log("HookKeyboard", static_cast<unsigned long>(start),
        static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
    return 1;
}

#ifndef WITHOUT_SLEEP_KEY_PROC
extern "C" LONG WINAPI SystemSleepKeyProc(WPARAM wParam, LPARAM lParam) {
    Log("SystemSleepKeyProc", static_cast<unsigned long>(wParam),
        static_cast<unsigned long>(lParam));
    return 0;
}
#endif
