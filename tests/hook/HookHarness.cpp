#include "HookHarness.h"

#include "hook/HookKeys.h"
#include "support/BoundCodes.h"
#include "support/TempFolder.h"

#include <atomic>
#include <cstring>
#include <vector>

HookRecords Records;

namespace {

constexpr wchar_t WindowClassName[] = L"KbHookTestWindow";
constexpr DWORD SyncTimeoutMs = 5000;

LRESULT CALLBACK ObserverProc(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
        Records.Observed.push_back(
            {message, event->vkCode, event->scanCode, event->flags, event->dwExtraInfo});
    }
    return CallNextHookEx(nullptr, code, message, data);
}

void RegisterTestClass() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = WindowClassName;
    registered = RegisterClassW(&windowClass) != 0;
}

void Record(const MSG& message) {
    if (message.message == HookKeyMessage)
        Records.Reports.push_back({message.hwnd, message.message, message.wParam, message.lParam});
    else if (message.message == WM_KEYDOWN || message.message == WM_KEYUP ||
             message.message == WM_SYSKEYDOWN || message.message == WM_SYSKEYUP)
        Records.Keys.push_back({message.hwnd, message.message, message.wParam, message.lParam});
}

// Handles every message that is waiting now.
void DrainMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        Record(message);
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool SyncSeen(HWND focus) {
    bool observed = false;
    for (const ObservedEvent& event : Records.Observed)
        if (event.VirtualKey == SyncKey.VirtualKey && event.Message == WM_KEYUP)
            observed = true;
    if (!observed || !focus)
        return observed;
    for (const ReceivedMessage& key : Records.Keys)
        if (key.Window == focus && key.Message == WM_KEYUP && key.WParam == SyncKey.VirtualKey)
            return true;
    return false;
}

} // namespace

void ClearRecords() {
    Records = HookRecords();
}

LoadedHookLibrary::LoadedHookLibrary() {
    Module = LoadLibraryW((BinFolder() + L"kbhook.dll").c_str());
    if (!Module)
        return;
    HookKeyboard = reinterpret_cast<HookKeyboardFn>(
        reinterpret_cast<void*>(GetProcAddress(Module, "HookKeyboard")));
    SystemSleepKeyProc = reinterpret_cast<SystemSleepKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(Module, "SystemSleepKeyProc")));
}

// Stops the library first, which waits for its threads to end: a process that ends while they
// still run has them killed by Wine in whatever call they are in, and was seen killed itself
// after its last test had passed.
LoadedHookLibrary::~LoadedHookLibrary() {
    if (HookKeyboard)
        HookKeyboard(0, nullptr);
    Release();
}

void LoadedHookLibrary::Release() {
    if (Module)
        FreeLibrary(Module);
    Module = nullptr;
    HookKeyboard = nullptr;
    SystemSleepKeyProc = nullptr;
}

ObserverHook::ObserverHook() {
    Hook = SetWindowsHookExW(WH_KEYBOARD_LL, ObserverProc, GetModuleHandleW(nullptr), 0);
}

ObserverHook::~ObserverHook() {
    if (Hook)
        UnhookWindowsHookEx(Hook);
}

TestWindow::TestWindow(bool visible) {
    RegisterTestClass();
    Window = CreateWindowExW(0, WindowClassName, L"kbhook test", WS_OVERLAPPEDWINDOW, 10, 10, 200,
                             100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (Window && visible) {
        ShowWindow(Window, SW_SHOW);
        BringToForeground(Window);
    }
}

TestWindow::~TestWindow() {
    // Under Wine without a window manager, hiding or destroying the foreground window waits
    // about two seconds for the X server; the process's end takes it down at no cost.
    if (Window && !IsWindowVisible(Window))
        DestroyWindow(Window);
    DrainMessages();
}

bool BringToForeground(HWND window) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        SetForegroundWindow(window);
        SetActiveWindow(window);
        SetFocus(window);
        DrainMessages();
        if (GetForegroundWindow() == window && GetFocus() == window)
            return true;
        Sleep(20);
    }
    return false;
}

void SendKey(const InjectedKey& key, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key.VirtualKey;
    input.ki.wScan = key.ScanCode;
    input.ki.dwFlags = (key.Extended ? KEYEVENTF_EXTENDEDKEY : 0) | (release ? KEYEVENTF_KEYUP : 0);
    SendInput(1, &input, sizeof(input));
}

void PressKey(const InjectedKey& key) {
    SendKey(key, false);
    SendKey(key, true);
}

void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        DrainMessages();
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

bool SyncInput(HWND focus) {
    PressKey(SyncKey);
    const DWORD start = GetTickCount();
    for (;;) {
        DrainMessages();
        if (SyncSeen(focus)) {
            // Reports posted for earlier keys are taken before input messages, so one more
            // pass collects any that are still queued.
            DrainMessages();
            return true;
        }
        if (GetTickCount() - start > SyncTimeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

std::vector<ObservedEvent> ObservedOf(const InjectedKey& key) {
    std::vector<ObservedEvent> events;
    for (const ObservedEvent& event : Records.Observed)
        if (event.VirtualKey == key.VirtualKey && event.ScanCode == key.ScanCode)
            events.push_back(event);
    return events;
}

std::vector<ReceivedMessage> KeysOf(const InjectedKey& key, HWND window) {
    std::vector<ReceivedMessage> keys;
    for (const ReceivedMessage& message : Records.Keys)
        if (message.Window == window && message.WParam == key.VirtualKey)
            keys.push_back(message);
    return keys;
}

std::vector<ReceivedMessage> ReportsTo(HWND window) {
    std::vector<ReceivedMessage> reports;
    for (const ReceivedMessage& message : Records.Reports)
        if (message.Window == window)
            reports.push_back(message);
    return reports;
}

std::vector<WPARAM> ReportedCodes(HWND window) {
    std::vector<WPARAM> codes;
    for (const ReceivedMessage& message : ReportsTo(window))
        codes.push_back(message.WParam);
    return codes;
}

int ObservedAt(DWORD virtualKey, WPARAM message) {
    for (std::size_t i = 0; i < Records.Observed.size(); ++i)
        if (Records.Observed[i].VirtualKey == virtualKey && Records.Observed[i].Message == message)
            return static_cast<int>(i);
    return -1;
}

ConfigFileGuard::ConfigFileGuard() {
    std::vector<wchar_t> buffer(32768);
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    Path = ConfigPathString(std::wstring(buffer.data(), length));
    DeleteFileW(Path.c_str());
}

ConfigFileGuard::~ConfigFileGuard() {
    Remove();
}

void ConfigFileGuard::Write(const std::string& text) {
    WriteBytes(Path, text);
    // Each write gets a last-write time a few seconds after the previous one.
    ++Writes;
    HANDLE file = CreateFileW(Path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time;
    time.LowPart = now.dwLowDateTime;
    time.HighPart = now.dwHighDateTime;
    time.QuadPart += static_cast<ULONGLONG>(Writes) * 3 * 10000000ull;
    FILETIME stamp{time.LowPart, time.HighPart};
    SetFileTime(file, nullptr, nullptr, &stamp);
    CloseHandle(file);
}

void ConfigFileGuard::Remove() {
    DeleteFileW(Path.c_str());
}

void LiveHookTest::SetUp() {
    ClearRecords();
    ASSERT_NE(Library.HookKeyboard, nullptr) << "kbhook.dll beside the test, by plain names";
    ASSERT_NE(Library.SystemSleepKeyProc, nullptr);
    ASSERT_NE(ReportWindow.Window, nullptr);
    ASSERT_NE(Observer.Hook, nullptr);
    ASSERT_TRUE(BringToForeground(Focus.Window));
}

void LiveHookTest::PressAndSync(const InjectedKey& key) {
    ClearRecords();
    PressKey(key);
    ASSERT_TRUE(SyncInput(Focus.Window)) << "injected keys did not come through";
}

namespace {

// Written on the library's thread, read on the test's.
std::atomic<int> InstallsSeen{0}; // of the procedure installed last
std::atomic<HOOKPROC> LatestProcedure{nullptr};
std::atomic<HHOOK> LatestHook{nullptr};
std::atomic<HHOOK> MouseHook{nullptr};

std::atomic<bool> FailNextInstall{false};

HHOOK WINAPI RecordingSetWindowsHookExW(int id, HOOKPROC procedure, HINSTANCE module,
                                        DWORD thread) {
    if (FailNextInstall.exchange(false))
        return nullptr;
    const HHOOK hook = SetWindowsHookExW(id, procedure, module, thread);
    if (id == WH_MOUSE_LL) {
        MouseHook = hook;
        return hook;
    }
    LatestHook = hook;
    if (LatestProcedure.exchange(procedure) == procedure)
        ++InstallsSeen;
    else
        InstallsSeen = 1;
    return hook;
}

BOOL WINAPI RecordingUnhookWindowsHookEx(HHOOK hook) {
    HHOOK mouse = hook;
    MouseHook.compare_exchange_strong(mouse, nullptr);
    return UnhookWindowsHookEx(hook);
}

} // namespace

// Points the library's import of function from dll at replacement.
bool PatchImport(HMODULE library, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(library);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0)
            continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE,
                           &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
            return true;
        }
    }
    return false;
}

bool SpyOnHookInstalls(HMODULE library) {
    InstallsSeen = 0;
    LatestProcedure = nullptr;
    LatestHook = MouseHook = nullptr;
    return PatchImport(library, "user32.dll", "SetWindowsHookExW",
                       reinterpret_cast<void*>(&RecordingSetWindowsHookExW)) &&
           PatchImport(library, "user32.dll", "UnhookWindowsHookEx",
                       reinterpret_cast<void*>(&RecordingUnhookWindowsHookEx));
}

bool MouseHookInPlace() {
    return MouseHook != nullptr;
}

int HookInstallsSeen() {
    return InstallsSeen;
}

HHOOK LatestInstalledHook() {
    return LatestHook;
}

namespace {

std::atomic<DWORD> SlowPassOnMs{0};

LRESULT WINAPI SlowCallNextHookEx(HHOOK hook, int code, WPARAM message, LPARAM data) {
    const DWORD ms = SlowPassOnMs.exchange(0);
    if (ms) {
        Sleep(ms);
        UnhookWindowsHookEx(LatestHook);
    }
    return CallNextHookEx(hook, code, message, data);
}

} // namespace

bool SlowNextPassOn(HMODULE library, DWORD ms) {
    SlowPassOnMs = ms;
    FailNextInstall = true;
    return PatchImport(library, "user32.dll", "CallNextHookEx",
                       reinterpret_cast<void*>(&SlowCallNextHookEx));
}

namespace {

HANDLE ReadsGoOn = nullptr; // manual reset: set while reads pass
std::atomic<int> ReadsWaiting{0};

DWORD WINAPI HeldGetPrivateProfileSectionW(LPCWSTR section, LPWSTR list, DWORD size, LPCWSTR file) {
    ++ReadsWaiting;
    WaitForSingleObject(ReadsGoOn, INFINITE);
    --ReadsWaiting;
    return GetPrivateProfileSectionW(section, list, size, file);
}

} // namespace

ReadHold::ReadHold() {
    if (!ReadsGoOn)
        ReadsGoOn = CreateEventW(nullptr, TRUE, TRUE, nullptr);
}

ReadHold::~ReadHold() {
    Release();
}

bool ReadHold::Patch(HMODULE library) {
    return ReadsGoOn && PatchImport(library, "kernel32.dll", "GetPrivateProfileSectionW",
                                    reinterpret_cast<void*>(&HeldGetPrivateProfileSectionW));
}

void ReadHold::Hold() {
    ResetEvent(ReadsGoOn);
}

void ReadHold::Release() {
    SetEvent(ReadsGoOn);
}

int ReadHold::Waiting() const {
    return ReadsWaiting;
}
