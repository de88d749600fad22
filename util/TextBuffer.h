// Text written into a buffer of fixed size, cut at its capacity and always terminated: for the
// messages of KeyloftSend and the names and sentences it shares with the checker. No C++ library
// and nothing that allocates, so that KeyloftSend links it.
#pragma once

#include <cstddef>

struct TextBuffer {
    wchar_t* Out;
    std::size_t Capacity; // in characters, the terminator's place included; at least 1
    std::size_t Used;
};

// Adds text up to its terminator, or its first length characters, as far as the capacity goes.
void AddText(TextBuffer& buffer, const wchar_t* text, std::size_t length);
void AddText(TextBuffer& buffer, const wchar_t* text);
