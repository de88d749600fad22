#include "mapping/Config.h"

#include "shell/AppState.h"
#include "util/IntegerText.h"
#include "util/TextCodec.h"
#include "util/Utils.h"

#include <windows.h>

#include <vector>

namespace {

constexpr wchar_t SectionName[] = L"Keyloft";
constexpr DWORD SettingBufferChars = MaxSettingChars + 1;

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
    return ParseIntegerText(text.data(), text.size(), value);
}

std::wstring KeyText(std::int32_t code) {
    return HexText(static_cast<std::uint32_t>(code), 4);
}
