#include "mapping/Config.h"

#include "shell/AppState.h"
#include "util/TextCodec.h"
#include "util/Utils.h"

#include <windows.h>

#include <vector>

namespace {

constexpr wchar_t SectionName[] = L"Keyloft";
constexpr DWORD SettingBufferChars = MaxSettingChars + 1;

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// True when the file starts with a byte-order mark (UTF-16 in either order, or UTF-8): the
// profile reader then decodes the text itself.
bool StartsWithByteOrderMark(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    unsigned char head[3] = {};
    DWORD read = 0;
    ReadFile(file, head, sizeof head, &read, nullptr);
    CloseHandle(file);
    return (read >= 2 &&
            ((head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF))) ||
           (read == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF);
}

} // namespace

std::wstring DeriveConfigPath() {
    // Grow the buffer until the whole path fits, so that long paths and paths with characters
    // outside the ANSI code page find their configuration file too.
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size())
            return ChangeExtension(std::wstring(buffer.data(), length), L".ini");
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ReadSetting(const std::wstring& key, const std::wstring& defaultValue) {
    std::wstring result(SettingBufferChars, L'\0');
    const DWORD length =
        GetPrivateProfileStringW(SectionName, key.c_str(), defaultValue.c_str(), &result[0],
                                 SettingBufferChars, AppState.ConfigPath.c_str());
    result.resize(length < SettingBufferChars ? length : SettingBufferChars - 1);
    // A file without a byte-order mark was read as ANSI text; Notepad writes UTF-8 there. Only
    // a value outside ASCII can differ, so the file is looked at only then. The defaults that
    // callers pass are ASCII, so a default is never taken for file text.
    for (const wchar_t c : result)
        if (c >= 0x80)
            return StartsWithByteOrderMark(AppState.ConfigPath) ? result : RecoverUtf8(result);
    return result;
}

bool ParseInteger(const std::wstring& text, std::int32_t& value) {
    // Only ASCII characters take part in integer text. The conversion below maps some other
    // characters to look-alikes (a fullwidth digit to an ASCII digit), which must not count.
    for (const wchar_t c : text)
        if (c > 0x7F)
            return false;
    const std::string bytes = ToAnsi(text);
    size_t i = 0;
    const size_t n = bytes.size();
    if (n == 0)
        return false;
    while (i < n && bytes[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (bytes[i] == '-' || bytes[i] == '+')) {
        negative = bytes[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && (bytes[i] == '$' || bytes[i] == 'x' || bytes[i] == 'X')) {
        hex = true;
        i += 1;
    } else if (i + 1 < n && bytes[i] == '0' && (bytes[i + 1] == 'x' || bytes[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == n)
        return false;
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    for (; i < n; ++i) {
        const int digit = hex ? HexDigitValue(bytes[i])
                              : (bytes[i] >= '0' && bytes[i] <= '9' ? bytes[i] - '0' : -1);
        if (digit < 0)
            return false;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<unsigned>(digit);
        if (magnitude > limit)
            return false;
    }
    std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    value = static_cast<std::int32_t>(bits);
    return true;
}

std::wstring KeyText(std::int32_t code) {
    return HexText(static_cast<std::uint32_t>(code), 4);
}
