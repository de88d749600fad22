// The mark that KeyloftSend puts in dwExtraInfo of every event it injects. kbhook.dll passes
// such events on untouched: a binding that sends its own key must not fire itself again.
#pragma once

#include <cstdint>

constexpr std::uintptr_t KeyloftSendMark = 0x4B4C5346; // "KLSF"
