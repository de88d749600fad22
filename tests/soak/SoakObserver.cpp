#include "soak/SoakObserver.h"

#include "shell/MainWindow.h"
#include "support/TestShellTray.h"

#include <atomic>

namespace {

std::atomic<long> Seen[256];
TestShellTray* Tray = nullptr;
HANDLE Thread = nullptr;
DWORD ThreadId = 0;
HANDLE Ready = nullptr;
bool Started = false;

LRESULT CALLBACK CountKeyDowns(int code, WPARAM message, LPARAM data) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && message == WM_KEYDOWN && (key->flags & LLKHF_INJECTED))
        ++Seen[key->scanCode & 0xFF];
    return CallNextHookEx(nullptr, code, message, data);
}

DWORD WINAPI ObserverThread(void*) {
    TestShellTray tray;
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, CountKeyDowns, GetModuleHandleW(nullptr), 0);
    Tray = &tray;
    Started = hook && tray.Receives();
    SetEvent(Ready);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    if (hook)
        UnhookWindowsHookEx(hook);
    Tray = nullptr;
    return 0;
}

} // namespace

bool StartObserver() {
    Ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Thread = CreateThread(nullptr, 0, ObserverThread, nullptr, 0, &ThreadId);
    WaitForSingleObject(Ready, 10000);
    return Started;
}

void StopObserver() {
    PostThreadMessageW(ThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(Thread, 5000);
    CloseHandle(Thread);
    CloseHandle(Ready);
}

ScanCounts KeyDownsSeen() {
    ScanCounts counts{};
    for (size_t i = 0; i < counts.size(); ++i)
        counts[i] = Seen[i].load();
    return counts;
}

size_t TrayCallsSeen(DWORD message) {
    return Tray ? Tray->Count(message, TrayIconId) : 0;
}

ScanCounts Difference(const ScanCounts& later, const ScanCounts& earlier) {
    ScanCounts difference{};
    for (size_t i = 0; i < difference.size(); ++i)
        difference[i] = later[i] - earlier[i];
    return difference;
}
