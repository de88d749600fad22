#include "util/Utils.h"

#include <vector>

int Min(int a, int b) {
    return a < b ? a : b;
}

int Max(int a, int b) {
    return a > b ? a : b;
}

namespace {

// A registry key that is closed when the scope ends.
struct RegistryKeyGuard {
    HKEY Key = nullptr;
    ~RegistryKeyGuard() {
        if (Key)
            RegCloseKey(Key);
    }
};

constexpr DWORD RegistryBufferChars = 260;

bool IsPathSeparator(wchar_t c) {
    return c == L'\\' || c == L':';
}

} // namespace

std::wstring ReadRegistryString(HKEY root, const std::wstring& subkey, const std::wstring& name) {
    RegistryKeyGuard guard;
    if (RegOpenKeyW(root, subkey.c_str(), &guard.Key) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t buffer[RegistryBufferChars];
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    if (RegQueryValueExW(guard.Key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS)
        return std::wstring();
    // A value of any other type holds no path; its bytes are not text.
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return std::wstring();
    // The stored bytes need not end in a NUL: read only what the query returned.
    const DWORD units = size / sizeof(wchar_t);
    DWORD length = 0;
    while (length < units && buffer[length] != L'\0')
        ++length;
    return std::wstring(buffer, length);
}

std::wstring WithTrailingBackslash(const std::wstring& path) {
    if (!path.empty() && path.back() == L'\\')
        return path;
    return path + L"\\";
}

std::wstring CurrentDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    // A longer directory: the call tells the size it needs (terminator included); ask again.
    while (length >= buffer.size()) {
        buffer.resize(length);
        length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    return WithTrailingBackslash(std::wstring(buffer.data(), length));
}

std::wstring ChangeExtension(const std::wstring& path, const std::wstring& extension) {
    for (size_t i = path.size(); i > 0; --i) {
        const wchar_t c = path[i - 1];
        if (c == L'\\')
            break;
        if (c == L'.')
            return path.substr(0, i - 1) + extension;
    }
    return path + extension;
}

std::wstring FileNameOf(const std::wstring& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsPathSeparator(path[i - 1]))
            return path.substr(i);
    return path;
}

std::wstring DirectoryOf(const std::wstring& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsPathSeparator(path[i - 1]))
            return path.substr(0, i);
    return std::wstring();
}

int FindFrom(const std::wstring& part, const std::wstring& text, std::uint16_t start) {
    if (part.empty())
        return 0;
    const int textLength = static_cast<int>(text.size());
    const int partLength = static_cast<int>(part.size());
    int i = Max(1, start);
    int j = 1;
    while (i <= textLength) {
        if (part[j - 1] == text[i - 1]) {
            if (j == partLength)
                return i - j + 1;
            ++i;
            ++j;
        } else {
            i = i - j + 2;
            j = 1;
        }
    }
    return 0;
}

std::wstring TrimChars(const std::wstring& text, const std::wstring& set) {
    const auto inSet = [&set](wchar_t c) { return FindFrom(std::wstring(1, c), set, 1) != 0; };
    size_t first = 0;
    while (first < text.size() && inSet(text[first]))
        ++first;
    size_t last = text.size();
    while (last > first + 1 && inSet(text[last - 1]))
        --last;
    if (first >= last)
        return std::wstring();
    return text.substr(first, last - first);
}

std::wstring CommandToken(const std::wstring& line, int index) {
    std::wstring token;
    if (index < 0)
        return token;
    int counter = 0;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const wchar_t c = line[i];
        if (c == L'"') {
            quoted = !quoted;
        } else if (c == L' ' && !quoted) {
            // A run of unquoted blanks counts once, at its last blank.
            if (i + 1 == line.size() || line[i + 1] != L' ')
                ++counter;
        } else {
            if (counter > index)
                break;
            if (counter == index)
                token += c;
        }
    }
    return token;
}

std::wstring DecimalText(std::int32_t value) {
    std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : value;
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    return value < 0 ? L"-" + digits : digits;
}

std::wstring HexText(std::uint32_t value, int minDigits) {
    std::wstring digits;
    for (int count = 0; count < minDigits || value != 0; ++count, value >>= 4)
        digits.insert(digits.begin(), L"0123456789ABCDEF"[value & 0xF]);
    return digits;
}
