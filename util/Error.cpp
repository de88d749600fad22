#include "util/Error.h"

#include "util/TextCodec.h"

#include <windows.h>

#include <cstdio>
#include <vector>

__attribute__((noinline)) void RaiseError(const char* format, const std::wstring& argument) {
    // First of all: the conversions below may change the thread's last-error code.
    const DWORD lastError = GetLastError();
    const void* caller = __builtin_return_address(0);
    const std::string text = ToAnsi(argument);
    const int size = std::snprintf(nullptr, 0, format, text.c_str());
    std::vector<char> buffer(size > 0 ? size + 1 : 1);
    if (size > 0)
        std::snprintf(buffer.data(), buffer.size(), format, text.c_str());
    throw Exception(std::string(buffer.data()), caller, lastError);
}
