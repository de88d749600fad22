// The mouse's buttons and wheel as triggers: the codes that kbhook.dll reports for them, written
// like key codes (the same modifier and long-press bits above the last four digits), their names
// as the checker and its key tester show them, and how the system tells of each: the message a
// low-level mouse hook is given and the flags that SendInput takes. One table for the library,
// the checker and the tester. Plain data, without the C++ standard library or exceptions.
//
// The left and right buttons are never triggers, and no code of theirs is here.
#pragma once

#include <windows.h>

#include <cstdint>

// The last four digits of a mouse code: this base and the input's own number.
constexpr std::uint32_t MouseCodeBase = 0xF000;

struct MouseInfo {
    std::uint16_t Code;
    unsigned char VirtualKey; // of a button; 0 for the wheel
    // The message of a button's press (its release is the next message) or of the wheel.
    WPARAM Message;
    // A side button: which one (XBUTTON1); the wheel: the sign of one notch in its direction
    // (WHEEL_DELTA forwards and to the right, -WHEEL_DELTA backwards and to the left).
    short Data;
    // SendInput's flag of a button's press (its release is the next flag), or of the wheel.
    DWORD InputFlag;
    const wchar_t* Name;
    const wchar_t* Description; // words the name leaves out, or null
};

inline constexpr MouseInfo MouseTable[] = {
    {0xF004, VK_MBUTTON, WM_MBUTTONDOWN, 0, MOUSEEVENTF_MIDDLEDOWN, L"MButton", nullptr},
    {0xF005, VK_XBUTTON1, WM_XBUTTONDOWN, XBUTTON1, MOUSEEVENTF_XDOWN, L"XButton1", L"Back"},
    {0xF006, VK_XBUTTON2, WM_XBUTTONDOWN, XBUTTON2, MOUSEEVENTF_XDOWN, L"XButton2", L"Forward"},
    {0xF00A, 0, WM_MOUSEWHEEL, WHEEL_DELTA, MOUSEEVENTF_WHEEL, L"WheelUp", nullptr},
    {0xF00B, 0, WM_MOUSEWHEEL, -WHEEL_DELTA, MOUSEEVENTF_WHEEL, L"WheelDown", nullptr},
    {0xF00C, 0, WM_MOUSEHWHEEL, -WHEEL_DELTA, MOUSEEVENTF_HWHEEL, L"WheelLeft", nullptr},
    {0xF00D, 0, WM_MOUSEHWHEEL, WHEEL_DELTA, MOUSEEVENTF_HWHEEL, L"WheelRight", nullptr},
};

// The mouse input of a code's last four digits, or null.
inline const MouseInfo* MouseOfCode(std::uint32_t key) {
    for (const MouseInfo& mouse : MouseTable)
        if (mouse.Code == key)
            return &mouse;
    return nullptr;
}

// True for the wheel's inputs, which are notches: each one a press and a release at once, never
// held.
constexpr bool IsWheel(const MouseInfo& mouse) {
    return mouse.Message == WM_MOUSEWHEEL || mouse.Message == WM_MOUSEHWHEEL;
}
