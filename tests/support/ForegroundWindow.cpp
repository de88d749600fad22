#include "support/ForegroundWindow.h"

namespace {

constexpr wchar_t ClassName[] = L"KeyloftTestForeground";

void RegisterOnce() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = ClassName;
    RegisterClassW(&windowClass);
    registered = true;
}

} // namespace

ForegroundWindow::ForegroundWindow() {
    RegisterOnce();
    Window = CreateWindowExW(0, ClassName, L"Keyloft test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                             10, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    Activate();
}

ForegroundWindow::~ForegroundWindow() {
    if (Window)
        DestroyWindow(Window);
}

bool ForegroundWindow::Activate() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        ShowWindow(Window, SW_SHOW);
        SetForegroundWindow(Window);
        PumpMessagesFor(10);
        if (GetForegroundWindow() == Window)
            return true;
    }
    return false;
}

void PumpMessagesFor(DWORD ms) {
    PumpMessagesUntil([] { return false; }, ms);
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(1);
    }
}
