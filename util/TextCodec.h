// Conversions between UTF-16 and the 8-bit ANSI code page of the current thread's locale.
#pragma once

#include <string>

// UTF-16 to 8-bit; characters the code page lacks become its default character.
std::string ToAnsi(const std::wstring& text);
// 8-bit to UTF-16.
std::wstring FromAnsi(const std::string& text);
