#include "util/TextBuffer.h"

void AddText(TextBuffer& buffer, const wchar_t* text, std::size_t length) {
    for (std::size_t i = 0; i < length && text[i] && buffer.Used + 1 < buffer.Capacity; ++i)
        buffer.Out[buffer.Used++] = text[i];
    buffer.Out[buffer.Used] = 0;
}

void AddText(TextBuffer& buffer, const wchar_t* text) {
    AddText(buffer, text, static_cast<std::size_t>(-1));
}
