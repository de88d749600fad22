#include "soak/SoakKeyloft.h"

#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "soak/SoakObserver.h"
#include "support/TempFolder.h"

#include <shellapi.h>

namespace {

constexpr DWORD FinishMs = 300; // what a handled press started (a key-down, a launch) lands

bool WriteWhole(HANDLE file, const char* bytes, size_t size) {
    DWORD written = 0;
    return WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

} // namespace

bool StartSoakKeyloft(SoakKeyloft& keyloft, const std::string& config) {
    PrepareKeyloft(keyloft.Folder, HookVariant::Full);
    WriteBytes(keyloft.Folder.IniPath(), config);
    if (!StartKeyloft(keyloft.Folder, keyloft.Process))
        return false;
    keyloft.Window = WaitForMainWindow();
    return keyloft.Window != nullptr;
}

HWND CurrentWindow(SoakKeyloft& keyloft) {
    keyloft.Window = FindWindowW(AppState.Title.c_str(), AppState.Title.c_str());
    return keyloft.Window;
}

void PostKey(SoakKeyloft& keyloft, std::int32_t code) {
    while (!PostMessageW(keyloft.Window, HookKeyMessage, static_cast<WPARAM>(code), 1)) {
        if (!IsWindow(keyloft.Window))
            return;
        ++keyloft.PostWaits;
        Sleep(1);
    }
}

size_t WaitForPresses(size_t handledBefore, size_t presses, DWORD* lastHandled, DWORD idleMs) {
    size_t handled = TrayCallsSeen(NIM_MODIFY) - handledBefore;
    DWORD progress = GetTickCount();
    while (handled < presses && GetTickCount() - progress < idleMs) {
        Sleep(10);
        const size_t now = TrayCallsSeen(NIM_MODIFY) - handledBefore;
        if (now != handled)
            progress = GetTickCount();
        handled = now;
    }
    if (lastHandled)
        *lastHandled = progress;
    Sleep(FinishMs);
    return TrayCallsSeen(NIM_MODIFY) - handledBefore;
}

size_t WaitForLaunches(const SoakKeyloft& keyloft, size_t lines, DWORD idleMs) {
    size_t seen = ReadLogLines(keyloft.Folder.ProbeLogPath()).size();
    DWORD progress = GetTickCount();
    while (seen < lines && GetTickCount() - progress < idleMs) {
        Sleep(50);
        const size_t now = ReadLogLines(keyloft.Folder.ProbeLogPath()).size();
        if (now != seen)
            progress = GetTickCount();
        seen = now;
    }
    return seen;
}

bool Answers(SoakKeyloft& keyloft) {
    if (WaitForSingleObject(keyloft.Process.Info.hProcess, 0) != WAIT_TIMEOUT)
        return false;
    DWORD_PTR result = 0;
    HWND window = CurrentWindow(keyloft);
    return window &&
           SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

ProcessCounters Counters(const SoakKeyloft& keyloft) {
    return ReadProcessCounters(keyloft.Process.Info.dwProcessId);
}

void ReplaceConfig(const SoakKeyloft& keyloft, const std::string& bytes) {
    const std::wstring next = keyloft.Folder.IniPath() + L".new";
    WriteBytes(next, bytes);
    // The program may hold the file open for a moment while it reads: try again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (MoveFileExW(next.c_str(), keyloft.Folder.IniPath().c_str(), MOVEFILE_REPLACE_EXISTING))
            return;
        Sleep(1);
    }
}

void RewriteConfigInPlace(const SoakKeyloft& keyloft, const std::string& bytes) {
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileW(keyloft.Folder.IniPath().c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            Sleep(1);
    }
    if (file == INVALID_HANDLE_VALUE)
        return;
    // Cut after a whole line, so that the half-written file holds complete lines only.
    size_t half = bytes.find('\n', bytes.size() / 2);
    half = half == std::string::npos ? bytes.size() : half + 1;
    WriteWhole(file, bytes.data(), half);
    FlushFileBuffers(file);
    Sleep(5);
    WriteWhole(file, bytes.data() + half, bytes.size() - half);
    CloseHandle(file);
}
