#include "util/TextCodec.h"

#include <windows.h>

std::string ToAnsi(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(
        CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()),
                            &result[0], size, nullptr, nullptr);
    return result;
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()),
                            &result[0], size);
    return result;
}
