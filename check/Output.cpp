#include "check/Output.h"

#include <windows.h>

void WriteOut(const std::wstring& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // A file or pipe gets the line ends of Windows' own text files.
    std::wstring lines;
    for (const wchar_t c : text)
        lines += c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
    const int length = static_cast<int>(lines.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, lines.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return;
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, lines.data(), length, &bytes[0], size, nullptr, nullptr);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Quote(const std::wstring& text) {
    return L"\u00AB" + text + L"\u00BB";
}
