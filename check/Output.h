// The checker's output: wide characters on a console, UTF-8 when redirected to a file or pipe.
#pragma once

#include <string>

void WriteOut(const std::wstring& text);
