// What KeyloftSend and kbhook.dll agree on about the events they inject.
#pragma once

#include <windows.h>

#include <cstdint>

// The mark in dwExtraInfo of every event that KeyloftSend or kbhook.dll injects. kbhook.dll
// passes such events on untouched: a binding that sends its own key must not fire itself again.
constexpr std::uintptr_t KeyloftSendMark = 0x4B4C5346; // "KLSF"

// An unassigned virtual key, pressed and released before a lone release of Alt or Win that
// follows a key the user did not mean for the system, so that the release opens neither a menu
// bar nor the Start menu.
constexpr std::uint16_t MaskingVirtualKey = 0xE8;

// Presses and releases the masking key, marked so that kbhook.dll passes it on: before a lone
// release of Alt or Win, and before KeyloftSend brings a window to the front (a program that sent
// the last input may take the focus).
inline void SendMaskingKey() {
    INPUT inputs[2] = {};
    for (int i = 0; i < 2; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = MaskingVirtualKey;
        inputs[i].ki.dwFlags = i ? KEYEVENTF_KEYUP : 0;
        inputs[i].ki.dwExtraInfo = KeyloftSendMark;
    }
    SendInput(2, inputs, sizeof(INPUT));
}
