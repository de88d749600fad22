// What a binding that runs KeyloftSend costs. Prints figures and asserts nothing.
//
// The time from FireBinding of the binding "KeyloftSend.exe Volume_Up" to the moment its key-down
// reaches a low-level hook, beside the time from FireBinding of a binding that runs a GUI program
// doing nothing (KeyloftBenchNothing.exe, which only signals an event) to its signal: both go
// through the same ShellExecuteW path, so their ratio is what KeyloftSend adds to the start of a
// program. Then the time from FireBinding of "KeyloftSend.exe --switch" with this benchmark as the
// program to the moment the benchmark's other window is in front, presses going round its two
// windows. Then the sizes of the two program files, which are linked stripped.
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
constexpr LONG SwitchCode = 0xE033;
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
template <typename Done>
bool PumpUntil(Done done, HANDLE event = nullptr, DWORD timeoutMs = TimeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
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

// A visible top-level window of the benchmark's own, for --switch to go round.
HWND MakeWindow(const wchar_t* title) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KeyloftSwitchBench";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           40, 40, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
}

// From the key press to the other window in front; -1 when it never comes.
double SwitchSample(HWND other) {
    volatile LONG slot = SwitchCode;
    const LONGLONG start = Now();
    FireBinding(slot, L"");
    if (!PumpUntil([other] { return GetForegroundWindow() == other; }))
        return -1;
    const double ms = TicksToMs(Now() - start);
    // KeyloftSend is still ending: let it go before the next press counts the windows again.
    PumpUntil([] { return false; }, nullptr, 300);
    return ms;
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
    // The switch names this benchmark by its full path; the file is read as UTF-8.
    std::string text = "[Keyloft]\r\nE030=KeyloftSend.exe Volume_Up\r\n"
                       "E031=KeyloftBenchNothing.exe\r\n"
                       "E032=KeyloftBenchNothingUser32.exe\r\n"
                       "E033=KeyloftSend.exe --switch \"";
    wchar_t program[MAX_PATH];
    const DWORD programLength = GetModuleFileNameW(nullptr, program, MAX_PATH);
    char self[MAX_PATH * 3];
    text.append(self, WideCharToMultiByte(CP_UTF8, 0, program, static_cast<int>(programLength),
                                          self, sizeof self, nullptr, nullptr));
    text += "\"\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
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
    // Two windows of this program, the second in front: each press brings up the other.
    HWND windows[2] = {MakeWindow(L"first"), MakeWindow(L"second")};
    SetForegroundWindow(windows[1]);
    PumpUntil([&windows] { return GetForegroundWindow() == windows[1]; });
    std::vector<double> switches;
    for (int round = -1; round < Rounds; ++round) {
        const double s = SwitchSample(windows[(round + 1) % 2]);
        if (round >= 0 && s >= 0)
            switches.push_back(s);
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
    if (!switches.empty())
        Print("FireBinding of KeyloftSend.exe --switch to window in front", switches);
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
