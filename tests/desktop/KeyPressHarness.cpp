#include "KeyPressHarness.h"

#include "mapping/Binding.h"
#include "mapping/KeyPress.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "util/TextCodec.h"

FiringRecord Firings;
int TimerTicksSeen = 0;

namespace {

constexpr wchar_t TestWindowClass[] = L"KeyloftKeyPressTestWindow";
constexpr UINT_PTR TimerId = 1;

void Record(const std::wstring& what) {
    Firings.What.push_back(what);
    Firings.IconShown.push_back(AppState.TrayIconData.hIcon);
    if (Firings.OnFire)
        Firings.OnFire(what);
}

void RecordKeyDown(BYTE scanCode) {
    wchar_t text[16];
    wsprintfW(text, L"scan:%02X", scanCode);
    Record(text);
}

void RecordCommand(const BindingAction& action) {
    Record(action.Program);
}

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        if (wParam == TimerId)
            ++TimerTicksSeen;
        return MainWindowProc(window, message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterTestWindowClass() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = TestWindowClass;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    registered = RegisterClassW(&windowClass) != 0;
}

VOID CALLBACK MarkerTimerProc(HWND, UINT, UINT_PTR, DWORD) {}

BOOL CALLBACK CloseOwnBox(HWND window, LPARAM lParam) {
    auto* watcher = reinterpret_cast<BoxWatcher*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (std::wstring(className) != L"#32770")
        return TRUE;
    InterlockedIncrement(&watcher->Seen);
    SendMessageW(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

DWORD WINAPI WatchForBoxes(void* parameter) {
    auto* watcher = static_cast<BoxWatcher*>(parameter);
    while (!watcher->Stopping) {
        EnumWindows(CloseOwnBox, reinterpret_cast<LPARAM>(watcher));
        Sleep(10);
    }
    return 0;
}

// The state this harness changes, put back after each test.
struct SavedState {
    std::wstring ConfigPath;
    HWND MainWindow;
    HICON MainIcon, OppositeIcon;
    NOTIFYICONDATAW TrayIconData;
    SystemSleepKeyEntry SystemSleepKeyProc;
} Saved;

} // namespace

void WriteKeyloftIni(const std::wstring& path, const std::vector<std::wstring>& lines) {
    std::wstring text = L"[Keyloft]\r\n";
    for (const std::wstring& line : lines)
        text += line + L"\r\n";
    const std::string bytes = ToAnsi(text);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write the configuration file";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    static ULONGLONG lastTime = 0;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG time = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    if (time <= lastTime)
        time = lastTime + 20000; // 2 ms later than the last write
    lastTime = time;
    FILETIME stamp{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    SetFileTime(file, nullptr, nullptr, &stamp);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

HWND CreateTestWindow() {
    RegisterTestWindowClass();
    return CreateWindowExW(0, TestWindowClass, L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

namespace {
HWND FrontWindow = nullptr;
} // namespace

HWND BringOwnWindowToFront() {
    RegisterTestWindowClass();
    if (!FrontWindow || !IsWindow(FrontWindow))
        FrontWindow =
            CreateWindowExW(0, TestWindowClass, L"Keyloft key press test", WS_OVERLAPPEDWINDOW, 20,
                            20, 200, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(FrontWindow, SW_SHOW);
    SetForegroundWindow(FrontWindow);
    MSG message;
    for (int i = 0; i < 50 && GetForegroundWindow() != FrontWindow; ++i) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(2);
    }
    return FrontWindow;
}

void LeaveNoWindowInFront() {
    if (FrontWindow)
        ShowWindow(FrontWindow, SW_HIDE);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

const char* TimerOwnerName(TimerOwner owner) {
    switch (owner) {
    case TimerOwner::None:
        return "no timer";
    case TimerOwner::Marker:
        return "the timer as it was";
    case TimerOwner::Program:
        return "a timer the program started";
    }
    return "?";
}

BoxWatcher::BoxWatcher() {
    Thread = CreateThread(nullptr, 0, WatchForBoxes, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
    Stop();
}

int BoxWatcher::Stop() {
    if (Thread) {
        InterlockedExchange(&Stopping, 1);
        WaitForSingleObject(Thread, INFINITE);
        CloseHandle(Thread);
        Thread = nullptr;
    }
    return Seen;
}

void KeyPressDesk::SetUp() {
    Saved = {AppState.ConfigPath,   AppState.MainWindow,   AppState.MainIcon,
             AppState.OppositeIcon, AppState.TrayIconData, AppState.SystemSleepKeyProc};
    Window = CreateTestWindow();
    ASSERT_NE(Window, nullptr);
    MainImage = LoadIconW(nullptr, IDI_APPLICATION);
    OppositeImage = LoadIconW(nullptr, IDI_WARNING);
    OtherImage = LoadIconW(nullptr, IDI_ERROR);
    ASSERT_NE(MainImage, OppositeImage);
    ASSERT_NE(MainImage, OtherImage);
    ASSERT_NE(OppositeImage, OtherImage);

    IniPath = Folder.PathOf(L"Keyloft.ini");
    AppState.ConfigPath = IniPath;
    AppState.MainWindow = Window;
    AppState.MainIcon = MainImage;
    AppState.OppositeIcon = OppositeImage;
    AppState.TrayIconData = NOTIFYICONDATAW{};
    AppState.TrayIconData.hIcon = MainImage;
    AppState.PendingKey = 0;
    AppState.ReportMode = false;
    AppState.Quitting = false;
    Effects.SendKeyDown = RecordKeyDown;
    Effects.RunCommand = RecordCommand;
    Firings = FiringRecord{};
    TimerTicksSeen = 0;
}

void KeyPressDesk::TearDown() {
    Effects = SystemEffects;
    Firings = FiringRecord{};
    if (Window) {
        KillTimer(Window, TimerId);
        DestroyWindow(Window);
    }
    AppState.ConfigPath = Saved.ConfigPath;
    AppState.MainWindow = Saved.MainWindow;
    AppState.MainIcon = Saved.MainIcon;
    AppState.OppositeIcon = Saved.OppositeIcon;
    AppState.TrayIconData = Saved.TrayIconData;
    AppState.SystemSleepKeyProc = Saved.SystemSleepKeyProc;
    AppState.PendingKey = 0;
    AppState.ReportMode = false;
    AppState.Quitting = false;
}

void KeyPressDesk::Press(std::int32_t code) {
    HandleKeyPress(code, 0);
}

void KeyPressDesk::KeyMessage(std::int32_t code, std::int32_t secondValue) {
    EXPECT_EQ(MainWindowProc(Window, HookKeyMessage, static_cast<WPARAM>(code),
                             static_cast<LPARAM>(secondValue)),
              0);
}

void KeyPressDesk::Tick() {
    EXPECT_EQ(MainWindowProc(Window, WM_TIMER, TimerId, 0), 0);
}

void KeyPressDesk::StartMarkerTimer() {
    SetTimer(Window, TimerId, 40, MarkerTimerProc);
}

TimerOwner KeyPressDesk::ObserveTimer(DWORD limitMs) {
    const DWORD start = GetTickCount();
    MSG message;
    TimerOwner owner = TimerOwner::None;
    while (GetTickCount() - start < limitMs) {
        if (PeekMessageW(&message, Window, WM_TIMER, WM_TIMER, PM_REMOVE) &&
            message.wParam == TimerId) {
            // A timer procedure travels in the tick; the program starts its timer without one.
            owner = message.lParam ? TimerOwner::Marker : TimerOwner::Program;
            break;
        }
        Sleep(1);
    }
    KillTimer(Window, TimerId);
    return owner;
}

bool KeyPressDesk::StopTimer() {
    return KillTimer(Window, TimerId) != 0;
}

void KeyPressDesk::Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG message;
    do {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    } while (GetTickCount() - start < ms);
}

bool KeyPressDesk::PumpUntilTick(DWORD limitMs) {
    const int before = TimerTicksSeen;
    const DWORD start = GetTickCount();
    MSG message;
    while (TimerTicksSeen == before && GetTickCount() - start < limitMs) {
        while (TimerTicksSeen == before && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    }
    return TimerTicksSeen != before;
}
