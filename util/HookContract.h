// What Keyloft.exe and its hook library kbhook.dll agree on: the two exports, the two messages
// the library sends to the window it reports to, and the sleep key's code. The vendor's library
// and the project's own both keep to it; Keyloft.exe and the project's library both include this
// header, so that neither has a copy of its own.
#pragma once

#include <windows.h>

#include <cstdint>

// The exports, looked up by these plain names: stdcall, two 32-bit arguments each.
// HookKeyboard(1, window) starts reporting to window, HookKeyboard(0, window) stops it.
using HookKeyboardEntry = LONG(WINAPI*)(LONG start, HWND window);
// Takes back the sleep key's messages: (0, 0) for a report of SleepKeyCode, and the wParam and
// lParam of every SleepKeyMessage.
using SystemSleepKeyEntry = LONG(WINAPI*)(WPARAM wParam, LPARAM lParam);
constexpr char HookKeyboardExport[] = "HookKeyboard";
constexpr char SystemSleepKeyExport[] = "SystemSleepKeyProc";

// A key: wParam its code, lParam a value of the library's own (the project's library: the
// virtual-key code).
constexpr UINT HookKeyMessage = 0x802;
// The vendor's sleep-key handshake; Keyloft hands both values back to SystemSleepKeyProc.
constexpr UINT SleepKeyMessage = 0x808;
// A report with this code goes back to the library's sleep-key routine; it never reaches a
// binding.
constexpr std::uint32_t SleepKeyCode = 0x29;
