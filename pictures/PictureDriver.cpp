// Drives a running Keyloft.exe to the screen that a README picture shows, then ends, so that
// scripts/pictures.sh can take the picture:
//   PictureDriver report CODE  turns report mode on and reports the key CODE (hexadecimal);
//   PictureDriver wait         only waits for a message box (the error report of a failed start).
// Once a message box of Keyloft shows, it prints the box's screen rectangle (left top right
// bottom) and ends with 0; it ends with 1 when none shows within 30 seconds.
#include "shell/AppState.h"
#include "shell/MainWindow.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD TimeoutMs = 30000;

// Dispatches this thread's messages for about ms milliseconds.
void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

// A message box (dialog class) of Keyloft's process, or null.
HWND FindKeyloftBox(DWORD processId) {
    for (HWND box = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); box;
         box = FindWindowExW(nullptr, box, L"#32770", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(box, &owner);
        if (IsWindowVisible(box) && (processId == 0 || owner == processId))
            return box;
    }
    return nullptr;
}

// Keyloft's hidden main window (class and name are its title), waited for.
HWND WaitForKeyloft() {
    for (DWORD waited = 0; waited < TimeoutMs; waited += 100) {
        if (HWND window = FindWindowW(AppState.Title.c_str(), AppState.Title.c_str()))
            return window;
        Pump(100);
    }
    return nullptr;
}

// Keyloft handles keys only while some window has the focus: a tiny one of our own, in a corner.
HWND FocusWindowOfOurOwn() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KeyloftPictureFocus";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"", WS_POPUP, 0, 0,
                                  1, 1, nullptr, nullptr, windowClass.hInstance, nullptr);
    for (int attempt = 0; attempt < 50 && GetForegroundWindow() != window; ++attempt) {
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        Pump(20);
    }
    return window;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    DWORD processId = 0;
    HWND focus = nullptr;
    if (mode == L"report" && argc > 2) {
        HWND keyloft = WaitForKeyloft();
        if (!keyloft)
            return 1;
        GetWindowThreadProcessId(keyloft, &processId);
        focus = FocusWindowOfOurOwn();
        // A left click on the tray icon, then the key as the hook library reports it.
        PostMessageW(keyloft, TrayCallbackMessage, TrayIconId, WM_LBUTTONUP);
        Pump(200);
        PostMessageW(keyloft, HookKeyMessage, std::wcstoul(argv[2], nullptr, 16), 0);
    } else if (mode != L"wait") {
        std::fputws(L"usage: PictureDriver report CODE | wait\n", stderr);
        return 2;
    }
    for (DWORD waited = 0; waited < TimeoutMs; waited += 100) {
        if (HWND box = FindKeyloftBox(processId)) {
            if (focus)
                DestroyWindow(focus);
            // The screen file holds the pointer too: out of the picture with it.
            SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
            Pump(500); // the box paints itself
            RECT frame{};
            GetWindowRect(box, &frame);
            std::wprintf(L"%ld %ld %ld %ld\n", frame.left, frame.top, frame.right, frame.bottom);
            return 0;
        }
        Pump(100);
    }
    return 1;
}
