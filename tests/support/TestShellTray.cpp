#include "support/TestShellTray.h"

#include <shellapi.h>

#include <cstring>

namespace {

constexpr wchar_t ClassName[] = L"Shell_TrayWnd";
constexpr DWORD WindowsTraySignature = 0x34753423;

LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA)
        return DefWindowProcW(window, message, wParam, lParam);
    auto* tray = reinterpret_cast<TestShellTray*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    TrayCall call;
    if (!tray || !DecodeTrayCall(*reinterpret_cast<const COPYDATASTRUCT*>(lParam), call))
        return FALSE;
    std::lock_guard<std::mutex> guard(tray->Lock);
    tray->Calls.push_back(call);
    const bool refused = call.Message == NIM_ADD && tray->RefusedAdds > 0;
    tray->RefusedAdds -= refused ? 1 : 0;
    return refused ? FALSE : TRUE;
}

HWND WindowFrom32Bits(DWORD value) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(value)));
}

} // namespace

bool DecodeTrayCall(const COPYDATASTRUCT& data, TrayCall& call) {
    DWORD words[5] = {};
    const size_t size = data.cbData < sizeof(words) ? data.cbData : sizeof(words);
    if (!data.lpData || size < 2 * sizeof(DWORD))
        return false;
    std::memcpy(words, data.lpData, size);
    if (data.dwData == 1 && size == sizeof(words) && words[0] == WindowsTraySignature) {
        // Signature, message, then the 32-bit icon record: size, window, id.
        call = TrayCall{words[1], WindowFrom32Bits(words[3]), words[4]};
        return true;
    }
    call = TrayCall{static_cast<DWORD>(data.dwData), WindowFrom32Bits(words[0]), words[1]};
    return true;
}

TestShellTray::TestShellTray() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = TrayProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = ClassName;
    RegisterClassW(&windowClass); // fails harmlessly when an earlier tray registered it
    // Created last, the window is the top of the z-order, where the search for the class starts.
    Window = CreateWindowExW(WS_EX_TOOLWINDOW, ClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    if (Window)
        SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TestShellTray::~TestShellTray() {
    if (Window)
        DestroyWindow(Window);
}

bool TestShellTray::Receives() const {
    return Window && FindWindowExW(nullptr, nullptr, ClassName, nullptr) == Window;
}

size_t TestShellTray::Count(DWORD message, UINT id, HWND window) const {
    std::lock_guard<std::mutex> guard(Lock);
    size_t count = 0;
    for (const TrayCall& call : Calls)
        if (call.Message == message && call.Id == id && (!window || call.Window == window))
            ++count;
    return count;
}
