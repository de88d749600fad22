#include "check/IniLines.h"

#include "util/TextCodec.h"
#include "util/Utils.h"

#include <windows.h>

namespace {

constexpr wchar_t Blanks[] = L" \t";

std::wstring Utf16FromBytes(const std::string& bytes, size_t from, bool bigEndian) {
    std::wstring text;
    for (size_t i = from; i + 1 < bytes.size(); i += 2) {
        const unsigned char first = static_cast<unsigned char>(bytes[i]);
        const unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
        text += static_cast<wchar_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    return text;
}

std::wstring Utf8FromBytes(const std::string& bytes) {
    const int length = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, nullptr, 0);
    std::wstring text(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, &text[0], size);
    return text;
}

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

std::wstring DecodeIniBytes(const std::string& bytes, bool& ansi) {
    ansi = false;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0)
        return Utf16FromBytes(bytes, 2, false);
    if (bytes.compare(0, 2, "\xFE\xFF") == 0)
        return Utf16FromBytes(bytes, 2, true);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return Utf8FromBytes(bytes.substr(3));
    ansi = true;
    return FromAnsi(bytes);
}

std::wstring WithoutEnclosingQuotes(const std::wstring& value) {
    const size_t n = value.size();
    if (n >= 2 && (value[0] == L'"' || value[0] == L'\'') && value[n - 1] == value[0])
        return value.substr(1, n - 2);
    return value;
}

IniSection ScanKeyloftSection(const std::wstring& text) {
    IniSection section;
    bool inside = false;
    int number = 0;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = TrimChars(text.substr(start, end - start), L" \t\r");
        start = end + 1;
        ++number;
        if (line.empty() || line[0] == L';')
            continue;
        if (line[0] == L'[') {
            const size_t close = line.find(L']');
            inside = close != std::wstring::npos &&
                     SameTextIgnoringCase(TrimChars(line.substr(1, close - 1), Blanks), L"Keyloft");
            section.Found = section.Found || inside;
            continue;
        }
        const size_t equals = line.find(L'=');
        if (!inside || equals == std::wstring::npos)
            continue;
        IniLine entry;
        entry.Number = number;
        entry.Key = TrimChars(line.substr(0, equals), Blanks);
        entry.Written = TrimChars(line.substr(equals + 1), Blanks);
        entry.ReaderLength = WithoutEnclosingQuotes(entry.Written).size();
        section.Lines.push_back(entry);
    }
    return section;
}
