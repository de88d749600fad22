// The mouse's inputs as kbhook.dll knows them: the facts of util/MouseTable.h without the names,
// derived when the library is built, for the decision (MouseWatch.h) and the queue of what it
// injects (KeyOutput.h) alike.
#pragma once

#include <cstdint>

// A mouse input as the library knows it: the facts of util/MouseTable.h without the names.
struct MouseInput {
    std::uint16_t Code;
    unsigned char VirtualKey;
    bool Wheel;
    std::uint16_t Message;
    short Data;
    std::uint16_t InputFlag;
};

// The input of a code's last four digits, or null.
const MouseInput* MouseInputOfCode(std::uint32_t key);

// The input of a press's message (WM_MBUTTONDOWN, WM_XBUTTONDOWN, WM_MOUSEWHEEL, ...) with the
// high word of its mouseData (the side button, or the wheel's turn), or null.
const MouseInput* MouseInputOfMessage(unsigned message, short data);
