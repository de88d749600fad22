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

namespace {

// The bytes of text in the system's ANSI code page; false when a character has no byte of its own
// there, since then the text did not come from such bytes.
bool ToSystemAnsiExactly(const std::wstring& text, std::string& bytes) {
    const int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr,
                                         0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault)
        return false;
    bytes.assign(size, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, &bytes[0], size, nullptr,
                        &usedDefault);
    return !usedDefault;
}

// Strict UTF-8 decoding; false for bytes that are not valid UTF-8.
bool FromUtf8Strictly(const std::string& bytes, std::wstring& text) {
    const int length = static_cast<int>(bytes.size());
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (size <= 0)
        return false;
    text.assign(size, L'\0');
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), length, &text[0],
                               size) == size;
}

} // namespace

std::wstring RecoverUtf8(const std::wstring& text) {
    bool ascii = true;
    for (const wchar_t c : text)
        ascii = ascii && c < 0x80;
    // With UTF-8 as the system code page the reader has decoded the bytes already.
    if (ascii || GetACP() == CP_UTF8)
        return text;
    std::string bytes;
    std::wstring decoded;
    if (!ToSystemAnsiExactly(text, bytes) || !FromUtf8Strictly(bytes, decoded))
        return text;
    return decoded;
}
