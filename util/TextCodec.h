// Conversions between UTF-16 and the 8-bit ANSI code page of the current thread's locale.
#pragma once

#include <string>

// UTF-16 to 8-bit; characters the code page lacks become its default character.
std::string ToAnsi(const std::wstring& text);
// 8-bit to UTF-16.
std::wstring FromAnsi(const std::string& text);

// Text that the profile reader took from a file without a byte-order mark, as the file meant it:
// the reader turned each byte into a character of the system's ANSI code page, so the bytes are
// recovered, and when they are valid UTF-8 with at least one non-ASCII character (what Notepad
// saves by default) their UTF-8 decoding is returned. Any other text comes back unchanged.
std::wstring RecoverUtf8(const std::wstring& text);
