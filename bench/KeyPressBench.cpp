// What one key message costs on its way through the key message filter and HandleKeyPress to
// its binding's decision, next to the configuration reads that the message needs alone; and how
// often the double-press timer wakes the program once a window has ended. Prints figures only.
//
// The binding effects are replaced by counters, so no key is injected and nothing is launched.
// The tray icon is a real one, so the icon flip of every key costs what it costs.
#include "mapping/Binding.h"
#include "mapping/Config.h"
#include "mapping/KeyPress.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int Samples = 1000;
constexpr int WarmUp = 100;
constexpr int FirstBoundCode = 0xE000;
constexpr std::int32_t UnboundCode = 0xD001;

int KeyEventsSeen = 0;
int CommandsSeen = 0;
int TimerTicksSeen = 0;

void CountKeyDown(BYTE) {
    ++KeyEventsSeen;
}
void CountCommand(const BindingAction&) {
    ++CommandsSeen;
}

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        if (wParam == DoublePressTimer)
            ++TimerTicksSeen;
        return MainWindowProc(window, message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

double Microseconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

struct Figures {
    double Median;
    double P99;
};

Figures Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return {samples[n / 2], samples[std::min(n - 1, (n * 99) / 100)]};
}

void WriteText(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("cannot write %ls\n", path.c_str());
        return;
    }
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// A file of count bindings: key events and command lines, every fourth key with a double-press
// binding as well. The last one, a key event without a double press, is the bound key measured.
std::int32_t WriteBindings(const std::wstring& path, int count) {
    std::string text = "[Keyloft]\r\nRepeatDelay=500\r\nOnlyActiveUser=1\r\n";
    int written = 0;
    std::int32_t code = FirstBoundCode;
    char line[96];
    for (; written < count - 1; ++code) {
        std::snprintf(line, sizeof line, "%04X=%s\r\n", static_cast<unsigned>(code),
                      code % 3 ? "0x1E" : "notepad.exe C:\\notes.txt");
        text += line;
        ++written;
        if (written < count - 1 && code % 4 == 0) {
            std::snprintf(line, sizeof line, "%04X+=C:\\Tools\\app.exe -x\r\n",
                          static_cast<unsigned>(code));
            text += line;
            ++written;
        }
    }
    std::snprintf(line, sizeof line, "%04X=0x1E\r\n", static_cast<unsigned>(code));
    text += line;
    WriteText(path, text);
    return code;
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < ms) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

bool PumpUntilTick(DWORD limitMs) {
    const int before = TimerTicksSeen;
    const DWORD start = GetTickCount();
    MSG message;
    while (TimerTicksSeen == before && GetTickCount() - start < limitMs) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return TimerTicksSeen != before;
}

void MeasureMessage(HWND window, const char* label, std::int32_t code, int bindings) {
    const std::wstring single = KeyText(code);
    const std::wstring twice = single + L"+";
    // The reads that this message needs, in its order: the filter's setting, the key's
    // double-press binding, its single-press binding.
    size_t characters = 0; // keeps the reads from being optimised away
    auto reads = [&] {
        characters += ReadSetting(L"OnlyActiveUser", L"1").size();
        characters += ReadSetting(twice, L"").size();
        characters += ReadSetting(single, L"").size();
    };
    std::vector<double> message, readsAlone, iconAlone, readsAfterIcon;
    const int keyEventsBefore = KeyEventsSeen;
    for (int i = -WarmUp; i < Samples; ++i) {
        double start = Microseconds();
        MainWindowProc(window, HookKeyMessage, static_cast<WPARAM>(code), 0);
        const double messageTime = Microseconds() - start;

        start = Microseconds();
        reads();
        const double readTime = Microseconds() - start;

        // The one platform call of the message besides the reads and the foreground test, and
        // the same reads again right after it: the shell's work on the icon goes on meanwhile.
        start = Microseconds();
        Shell_NotifyIconW(NIM_MODIFY, &AppState.TrayIconData);
        const double iconTime = Microseconds() - start;
        start = Microseconds();
        reads();
        const double readAfterIconTime = Microseconds() - start;

        if (i >= 0) {
            message.push_back(messageTime);
            readsAlone.push_back(readTime);
            iconAlone.push_back(iconTime);
            readsAfterIcon.push_back(readAfterIconTime);
        }
    }
    const Figures m = Summarise(message);
    const Figures r = Summarise(readsAlone);
    const Figures t = Summarise(iconAlone);
    const Figures a = Summarise(readsAfterIcon);
    std::printf("%5d bindings, %-7s key: message median %7.1f p99 %7.1f | reads alone median "
                "%7.1f p99 %7.1f | ratio median %5.2f p99 %5.2f\n",
                bindings, label, m.Median, m.P99, r.Median, r.P99, m.Median / r.Median,
                m.P99 / r.P99);
    // What the message costs beyond the icon update, against the reads as they cost right
    // after one: an estimate of the program's own share.
    std::printf("%31s tray icon update alone median %7.1f p99 %7.1f | reads right after it "
                "median %7.1f p99 %7.1f | ratio without the update, median %5.2f\n",
                "", t.Median, t.P99, a.Median, a.P99, (m.Median - t.Median) / a.Median);
    const int fired = KeyEventsSeen - keyEventsBefore;
    const int expected = code == UnboundCode ? 0 : Samples + WarmUp;
    if (fired != expected || AppState.PendingKey != 0 || characters == 0)
        std::printf("      WARNING: %d key events for %d messages; the figures above are not "
                    "those of a decided key\n",
                    fired, Samples + WarmUp);
}

// A key waits for its double-press window, which ends by its tick, or by a second press and
// then the tick at the window's end that finds no key waiting. Counted afterwards: ticks in 5 s.
void MeasureWakeUps(HWND window, std::int32_t code, bool endByDoublePress) {
    MainWindowProc(window, HookKeyMessage, static_cast<WPARAM>(code), 0);
    int ticksInWindow = 0;
    if (endByDoublePress)
        MainWindowProc(window, HookKeyMessage, static_cast<WPARAM>(code), 0);
    const int beforeEnd = TimerTicksSeen;
    if (!PumpUntilTick(5000))
        std::printf("WARNING: the double-press window did not end within 5 s\n");
    ticksInWindow = TimerTicksSeen - beforeEnd;
    const int before = TimerTicksSeen;
    const double start = Microseconds();
    PumpFor(5000);
    std::printf("window ended by %-14s: ticks up to its end %d; timer wake-ups in the %.1f s "
                "after it: %d (target 0)\n",
                endByDoublePress ? "a double press" : "its tick", ticksInWindow,
                (Microseconds() - start) / 1e6, TimerTicksSeen - before);
    KillTimer(window, DoublePressTimer);
}

} // namespace

int main() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"keyloft-bench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring ini = folder + L"Keyloft.ini";
    AppState.ConfigPath = ini;

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = BenchWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KeyloftKeyPressBench";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    // Keys pass the filter only while a window has the focus.
    HWND front =
        CreateWindowExW(0, windowClass.lpszClassName, L"Keyloft benchmark", WS_OVERLAPPEDWINDOW, 20,
                        20, 200, 120, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(front, SW_SHOW);
    SetForegroundWindow(front);
    PumpFor(100);
    if (!GetForegroundWindow())
        std::printf("WARNING: no window has the focus; every key message will be dropped\n");

    AppState.MainWindow = window;
    AppState.MainIcon = LoadIconW(nullptr, IDI_APPLICATION);
    AppState.OppositeIcon = LoadIconW(nullptr, IDI_WARNING);
    AppState.GrayIcon = LoadIconW(nullptr, IDI_ERROR);
    AddTrayIcon(window);
    Effects.SendKeyDown = CountKeyDown;
    Effects.RunCommand = CountCommand;

    std::printf("One key message through the filter and HandleKeyPress to its binding's decision,\n"
                "against the configuration reads it needs alone; microseconds, %d samples each\n",
                Samples);
    std::int32_t lastBound = 0;
    for (int bindings : {10, 100, 1000}) {
        lastBound = WriteBindings(ini, bindings);
        MeasureMessage(window, "bound", lastBound, bindings);
        MeasureMessage(window, "unbound", UnboundCode, bindings);
    }

    // A key with a double-press binding and the default window of 500 ms.
    std::string text = "[Keyloft]\r\n";
    char line[64];
    std::snprintf(line, sizeof line, "%04X=0x1E\r\n%04X+=0x1F\r\n",
                  static_cast<unsigned>(lastBound), static_cast<unsigned>(lastBound));
    text += line;
    WriteText(ini, text);
    MeasureWakeUps(window, lastBound, false);
    MeasureWakeUps(window, lastBound, true);

    Effects = SystemEffects;
    Shell_NotifyIconW(NIM_DELETE, &AppState.TrayIconData);
    DestroyWindow(window);
    DeleteFileW(ini.c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
