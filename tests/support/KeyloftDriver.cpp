#include "support/KeyloftDriver.h"

#include "shell/AppState.h"

#include <cstdio>
#include <sstream>

namespace {

std::wstring HookSource(HookVariant variant) {
    switch (variant) {
    case HookVariant::Full:
        return BinFolder() + L"TestHook.dll";
    case HookVariant::WithoutSleepKeyProc:
        return BinFolder() + L"TestHookNoSleep.dll";
    default:
        return std::wstring();
    }
}

} // namespace

KeyloftProcess::~KeyloftProcess() {
    if (!Info.hProcess)
        return;
    if (WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(Info.hProcess, 99);
        WaitForSingleObject(Info.hProcess, 5000);
    }
    CloseHandle(Info.hProcess);
    CloseHandle(Info.hThread);
}

void PlaceHookLibrary(HookVariant variant, const std::wstring& path) {
    if (variant == HookVariant::NotALibrary)
        WriteBytes(path, "This file only carries the library's name.\r\n");
    else if (variant != HookVariant::None)
        CopyFileW(HookSource(variant).c_str(), path.c_str(), FALSE);
}

void PrepareKeyloft(KeyloftFolder& folder, HookVariant variant, const std::wstring& directory) {
    CopyFileW((BinFolder() + L"Keyloft.exe").c_str(), folder.ExePath().c_str(), FALSE);
    const std::wstring target = directory.empty() ? folder.Folder.Path : directory;
    PlaceHookLibrary(variant, target + L"kbhook.dll");
}

void WriteConfig(const KeyloftFolder& folder, const std::wstring& text) {
    WriteAnsiFile(folder.IniPath(), text);
}

bool StartKeyloft(const KeyloftFolder& folder, KeyloftProcess& process,
                  const std::wstring& currentDirectory) {
    SetEnvironmentVariableW(L"KEYLOFT_HOOK_LOG", folder.HookLogPath().c_str());
    SetEnvironmentVariableW(L"KEYLOFT_PROBE_LOG", folder.ProbeLogPath().c_str());
    const std::wstring directory = currentDirectory.empty() ? folder.Folder.Path : currentDirectory;
    std::wstring commandLine = L"\"" + folder.ExePath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return CreateProcessW(folder.ExePath().c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                          nullptr, directory.c_str(), &startup, &process.Info) != FALSE;
}

HWND WaitForMainWindow(DWORD timeoutMs) {
    return WaitForNewMainWindow(nullptr, timeoutMs);
}

HWND WaitForNewMainWindow(HWND previous, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowW(AppState.Title.c_str(), AppState.Title.c_str());
        if (window && window != previous)
            return window;
        if (GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(20);
    }
}

DWORD WaitForExit(KeyloftProcess& process, DWORD timeoutMs) {
    if (WaitForSingleObject(process.Info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.Info.hProcess, &code);
    return code;
}

std::vector<std::string> ReadLogLines(const std::wstring& path) {
    std::string bytes = ReadBytes(path);
    // The probe writes UTF-16; the hook library 8-bit text.
    if (bytes.size() >= 2 && bytes[1] == '\0') {
        std::string narrow;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            narrow += bytes[i + 1] == '\0' ? bytes[i] : '?';
        bytes = narrow;
    }
    std::vector<std::string> lines;
    std::istringstream stream(bytes);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> WaitForLogLines(const std::wstring& path, size_t count, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<std::string> lines = ReadLogLines(path);
        if (lines.size() >= count || GetTickCount() - start > timeoutMs)
            return lines;
        Sleep(20);
    }
}

std::string HookKeyboardLine(int start, HWND window) {
    char line[64];
    std::snprintf(line, sizeof(line), "HookKeyboard %d %lu", start,
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
    return line;
}
