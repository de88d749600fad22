// What a binding that runs KeyloftSend costs. Prints figures and asserts nothing.
//
// The time from FireBinding of the binding "KeyloftSend.exe Volume_Up" to the moment its key-down
// reaches a low-level hook, beside the time from FireBinding of a binding that runs a GUI program
// doing nothing (KeyloftBenchNothing.exe, which only signals an event) to its signal: both go
// through the same ShellExecuteW path, so their ratio is what KeyloftSend adds to the start of a
// program. Then the sizes of the two program files, which are linked stripped.
//
// It injects Volume_Up presses: run it under Wine in a display of its own, not on a desktop in
// use.
#include "hook/InjectMark.h"
#include "mapping/Binding.h"
#include "shell/AppState.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr LONG SendCode = 0xE030;
constexpr LONG NothingCode = 0xE031;
constexpr LONG NothingUser32Code = 0xE032;
constexpr int Rounds = 25;
constexpr DWORD TimeoutMs = 10000;

LONGLONG Now() {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

double TicksToMs(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

LONGLONG KeyDownSeen = 0; // when the hook saw the marked Volume_Up key-down
bool KeyUpSeen = false;

LRESULT CALLBACK ObserverHook(int code, WPARAM message, LPARAM data) {
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && event->vkCode == VK_VOLUME_UP &&
        event->dwExtraInfo == KeyloftSendMark) {
        if (message == WM_KEYDOWN && !KeyDownSeen)
            KeyDownSeen = Now();
        if (message == WM_KEYUP)
            KeyUpSeen = true;
    }
    return CallNextHookEx(nullptr, code, message, data);
}

// Handles messages (the hook runs on this thread) until done() or the timeout.
template <typename Done> bool PumpUntil(Done done, HANDLE event = nullptr) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > TimeoutMs)
            return false;
        MsgWaitForMultipleObjects(event ? 1 : 0, &event, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    return true;
}

double SendSample() {
    KeyDownSeen = 0;
    KeyUpSeen = false;
    volatile LONG slot = SendCode;
    const LONGLONG start = Now();
    FireBinding(slot, L"");
    if (!PumpUntil([] { return KeyUpSeen; }))
        return -1;
    return TicksToMs(KeyDownSeen - start);
}

double NothingSample(HANDLE started, LONG code) {
    ResetEvent(started);
    volatile LONG slot = code;
    const LONGLONG start = Now();
    FireBinding(slot, L"");
    if (!PumpUntil([started] { return WaitForSingleObject(started, 0) == WAIT_OBJECT_0; }, started))
        return -1;
    return TicksToMs(Now() - start);
}

void Print(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    std::printf("%-58s median %8.1f ms   p90 %8.1f ms   (%zu samples)\n", what,
                samples[samples.size() / 2], samples[samples.size() * 9 / 10], samples.size());
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)
               ? static_cast<long>(data.nFileSizeLow)
               : -1;
}

} // namespace

int main() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring bin(buffer, length);
    bin.erase(bin.rfind(L'\\') + 1);
    GetTempPathW(MAX_PATH, buffer);
    // Bare program names, as a user writes them: the shell finds both beside this benchmark.
    AppState.ConfigPath = std::wstring(buffer) + L"KeyloftSendBench.ini";
    HANDLE file = CreateFileW(AppState.ConfigPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const char text[] = "[Keyloft]\r\nE030=KeyloftSend.exe Volume_Up\r\n"
                        "E031=KeyloftBenchNothing.exe\r\n"
                        "E032=KeyloftBenchNothingUser32.exe\r\n";
    DWORD written = 0;
    WriteFile(file, text, sizeof text - 1, &written, nullptr);
    CloseHandle(file);

    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, L"KeyloftSendBenchStarted");
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, ObserverHook, GetModuleHandleW(nullptr), 0);
    std::vector<double> send, nothing, nothingUser32;
    // One untimed round of each: the first start loads what later starts find cached.
    for (int round = -1; round < Rounds; ++round) {
        const double s = SendSample();
        const double n = NothingSample(started, NothingCode);
        const double u = NothingSample(started, NothingUser32Code);
        if (round < 0)
            continue;
        if (u >= 0)
            nothingUser32.push_back(u);
        if (s >= 0)
            send.push_back(s);
        if (n >= 0)
            nothing.push_back(n);
    }
    UnhookWindowsHookEx(hook);
    DeleteFileW(AppState.ConfigPath.c_str());
    if (send.empty() || nothing.empty() || nothingUser32.empty()) {
        std::printf("no samples: KeyloftSend's key or the program's signal never came\n");
        return 0;
    }
    Print("FireBinding of KeyloftSend.exe Volume_Up to a hook", send);
    Print("FireBinding of a do-nothing GUI program to its start", nothing);
    Print("the same program, with user32 loaded", nothingUser32);
    std::printf("%-58s %.2f (target 1.3 or less)\n", "ratio of the medians, KeyloftSend : nothing",
                Median(send) / Median(nothing));
    std::printf("%-58s %.2f\n", "ratio of the medians, KeyloftSend : nothing with user32",
                Median(send) / Median(nothingUser32));
    std::printf("%-58s %ld bytes\n", "KeyloftSend.exe, stripped",
                FileSize(bin + L"KeyloftSend.exe"));
    std::printf("%-58s %ld bytes\n", "KeyloftBenchNothing.exe, stripped",
                FileSize(bin + L"KeyloftBenchNothing.exe"));
    return 0;
}
