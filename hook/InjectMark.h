// What KeyloftSend and kbhook.dll agree on about the events they inject.
#pragma once

#include <cstdint>

// The mark in dwExtraInfo of every event that KeyloftSend or kbhook.dll injects. kbhook.dll
// passes such events on untouched: a binding that sends its own key must not fire itself again.
constexpr std::uintptr_t KeyloftSendMark = 0x4B4C5346; // "KLSF"

// An unassigned virtual key, pressed and released before a lone release of Alt or Win that
// follows a key the user did not mean for the system, so that the release opens neither a menu
// bar nor the Start menu.
constexpr std::uint16_t MaskingVirtualKey = 0xE8;
