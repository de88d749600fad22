// The checker's output: wide characters on a console, UTF-8 when redirected to a file or pipe.
#pragma once

#include <string>

void WriteOut(const std::wstring& text);

// A text in guillemets, as the checker quotes what the file says: «text».
std::wstring Quote(const std::wstring& text);
