// Integer text as every part of Keyloft reads it: the program's settings, kbhook.dll's HoldDelay
// and KeyloftSend's vkXX keys. Counted text in, no C++ standard library and nothing that throws:
// kbhook.dll and KeyloftSend link it.
#pragma once

#include <cstddef>
#include <cstdint>

// The value of one hexadecimal digit in either letter case, or -1.
int HexDigitValue(wchar_t c);

// Integer text of length characters: leading blanks, an optional sign, "$", "x" or "0x" for
// hexadecimal, and digits to the end, within 32 bits (hexadecimal up to FFFFFFFF, taken as its
// bits). False for any other text; value is then left as it was.
bool ParseIntegerText(const wchar_t* text, std::size_t length, std::int32_t& value);
