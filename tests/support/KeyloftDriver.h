// Drives the real Keyloft.exe for end-to-end tests: a folder of its own with the program, its
// configuration and a hook library, the process, its window, and the logs of the test hook
// library and the probe program.
#pragma once

#include "support/TempFolder.h"

#include <windows.h>

#include <string>
#include <vector>

enum class HookVariant { None, Full, WithoutSleepKeyProc, NotALibrary };

struct KeyloftProcess {
    KeyloftProcess() = default;
    ~KeyloftProcess(); // ends the process if it still runs
    KeyloftProcess(const KeyloftProcess&) = delete;
    KeyloftProcess& operator=(const KeyloftProcess&) = delete;

    PROCESS_INFORMATION Info{};
};

// A folder holding Keyloft.exe; logs of the hook library and the probe go there too.
struct KeyloftFolder {
    TempFolder Folder;
    std::wstring ExePath() const { return Folder.PathOf(L"Keyloft.exe"); }
    std::wstring IniPath() const { return Folder.PathOf(L"Keyloft.ini"); }
    std::wstring HookLogPath() const { return Folder.PathOf(L"hook.log"); }
    std::wstring ProbeLogPath() const { return Folder.PathOf(L"probe.log"); }
};

// Copies Keyloft.exe into the folder and, unless variant is None, a hook library as
// kbhook.dll into directory (the folder itself when empty).
void PrepareKeyloft(KeyloftFolder& folder, HookVariant variant,
                    const std::wstring& directory = std::wstring());
// Puts a hook library of the given variant at path.
void PlaceHookLibrary(HookVariant variant, const std::wstring& path);
// Writes the configuration file (8-bit text).
void WriteConfig(const KeyloftFolder& folder, const std::wstring& text);
// Starts the program with currentDirectory (the folder when empty) as its current directory and
// with the folder's log paths in its environment.
bool StartKeyloft(const KeyloftFolder& folder, KeyloftProcess& process,
                  const std::wstring& currentDirectory = std::wstring());
// The main window of the running program (class and name are its title), or null after timeout.
HWND WaitForMainWindow(DWORD timeoutMs = 15000);
// Waits for a main window other than previous to appear (after a restart).
HWND WaitForNewMainWindow(HWND previous, DWORD timeoutMs = 15000);
// The process's exit code, or STILL_ACTIVE when it did not end within timeout.
DWORD WaitForExit(KeyloftProcess& process, DWORD timeoutMs = 20000);
// The lines of a log file written by the test hook library or the probe.
std::vector<std::string> ReadLogLines(const std::wstring& path);
// Waits until the log holds at least count lines; returns its lines.
std::vector<std::string> WaitForLogLines(const std::wstring& path, size_t count,
                                         DWORD timeoutMs = 15000);
// The hook library's log line for a call of HookKeyboard.
std::string HookKeyboardLine(int start, HWND window);
