#include "hook/InputWake.h"

namespace {

// HID usages of the generic desktop page.
constexpr USHORT GenericDesktopPage = 0x01;
constexpr USHORT MouseUsage = 0x02;
constexpr USHORT KeyboardUsage = 0x06;

// Asks for one device's input to the window, or, with want false, stops asking when the process's
// request is still the window's own.
void Ask(HWND sink, USHORT usage, bool want) {
    RAWINPUTDEVICE device = {GenericDesktopPage, usage, RIDEV_INPUTSINK, sink};
    if (!want) {
        RAWINPUTDEVICE asked[8];
        UINT count = 8;
        const UINT got = GetRegisteredRawInputDevices(asked, &count, sizeof(RAWINPUTDEVICE));
        bool own = false;
        for (UINT i = 0; got != static_cast<UINT>(-1) && i < got; ++i)
            own = own || (asked[i].usUsagePage == GenericDesktopPage && asked[i].usUsage == usage &&
                          asked[i].hwndTarget == sink);
        if (!own)
            return;
        device.dwFlags = RIDEV_REMOVE;
        device.hwndTarget = nullptr;
    }
    RegisterRawInputDevices(&device, 1, sizeof(RAWINPUTDEVICE));
}

} // namespace

bool StartInputWake(InputWake& wake, HMODULE module) {
    // A system class: nothing to register, and its procedure hands WM_INPUT to DefWindowProc,
    // which frees the input's data.
    wake.Sink = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module,
                                nullptr);
    return wake.Sink != nullptr;
}

void WakeOnInput(InputWake& wake, bool keyboard, bool mouse) {
    if (!wake.Sink)
        return;
    if (keyboard != wake.Keyboard)
        Ask(wake.Sink, KeyboardUsage, keyboard);
    if (mouse != wake.Mouse)
        Ask(wake.Sink, MouseUsage, mouse);
    wake.Keyboard = keyboard;
    wake.Mouse = mouse;
}

bool IsKeyboardInput(LPARAM input) {
    RAWINPUTHEADER header;
    UINT size = sizeof(header);
    return GetRawInputData(reinterpret_cast<HRAWINPUT>(input), RID_HEADER, &header, &size,
                           sizeof(RAWINPUTHEADER)) != static_cast<UINT>(-1) &&
           header.dwType == RIM_TYPEKEYBOARD;
}

void StopInputWake(InputWake& wake) {
    WakeOnInput(wake, false, false);
    if (wake.Sink)
        DestroyWindow(wake.Sink);
    wake.Sink = nullptr;
}
