#include "hook/HookKeys.h"

#include <algorithm>
#include <cwchar>
#include <set>
#include <utility>

namespace {

bool IsKeyDown(WPARAM message) {
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
}

bool IsKeyUp(WPARAM message) {
    return message == WM_KEYUP || message == WM_SYSKEYUP;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

std::wstring TrimProfileBlanks(const std::wstring& text) {
    const wchar_t* blanks = L" \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

wchar_t Upper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

} // namespace

bool IsExtraKey(DWORD virtualKey) {
    return (virtualKey >= VK_BROWSER_BACK && virtualKey <= VK_LAUNCH_APP2) ||
           virtualKey == VK_SLEEP || (virtualKey >= VK_F13 && virtualKey <= VK_F24) ||
           virtualKey == 0xFF;
}

std::uint32_t KeyCodeOf(DWORD scanCode, DWORD flags) {
    return static_cast<std::uint32_t>(scanCode) + ((flags & LLKHF_EXTENDED) ? ExtendedKeyBase : 0);
}

KeyVerdict DecideKeyEvent(WPARAM message, DWORD virtualKey, DWORD scanCode, DWORD flags,
                          const BoundKeys& bound) {
    KeyVerdict verdict;
    verdict.Code = KeyCodeOf(scanCode, flags);
    if (!IsExtraKey(virtualKey) || verdict.Code == SleepKeyCode)
        return verdict;
    const bool down = IsKeyDown(message);
    verdict.Report = down;
    verdict.Swallow = (down || IsKeyUp(message)) && IsBound(bound, verdict.Code);
    return verdict;
}

bool IsBound(const BoundKeys& bound, std::uint32_t code) {
    return std::binary_search(bound.begin(), bound.end(), code);
}

BoundKeys MakeBoundKeys(std::vector<std::uint32_t> codes) {
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

std::wstring KeyTextOf(std::uint32_t code) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%04X", static_cast<unsigned>(code));
    return buffer;
}

bool BindingKeyCode(const std::wstring& name, std::uint32_t& code) {
    std::wstring text = name;
    if (!text.empty() && text.back() == L'+')
        text.pop_back();
    if (text.size() < 4 || text.size() > 8)
        return false;
    std::uint32_t value = 0;
    for (wchar_t c : text) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    // Only the exact key text names the code: no extra leading zeros beyond four digits.
    const std::wstring canonical = KeyTextOf(value);
    if (canonical.size() != text.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (Upper(text[i]) != canonical[i])
            return false;
    code = value;
    return true;
}

bool IsBindingValue(const std::wstring& value) {
    return value.find_first_not_of(L' ') != std::wstring::npos;
}

std::vector<std::wstring> SplitProfileList(const wchar_t* list, std::size_t length) {
    std::vector<std::wstring> entries;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= length; ++i) {
        // The end of the counted range ends the last entry even without its own terminator.
        if (i == length || list[i] == L'\0') {
            if (i > start)
                entries.emplace_back(list + start, i - start);
            start = i + 1;
        }
    }
    return entries;
}

std::wstring ProfileValue(const std::wstring& raw) {
    std::wstring value = TrimProfileBlanks(raw);
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

BoundKeys BoundKeysOfSection(const std::vector<std::wstring>& entries) {
    std::set<std::pair<std::uint32_t, bool>> seen; // code, double-press key
    std::vector<std::uint32_t> codes;
    for (const std::wstring& entry : entries) {
        const std::size_t equals = entry.find(L'=');
        const std::wstring name = TrimProfileBlanks(entry.substr(0, equals));
        std::uint32_t code = 0;
        if (!BindingKeyCode(name, code))
            continue;
        if (!seen.insert({code, name.back() == L'+'}).second)
            continue;
        if (equals != std::wstring::npos && IsBindingValue(ProfileValue(entry.substr(equals + 1))))
            codes.push_back(code);
    }
    return MakeBoundKeys(std::move(codes));
}

std::wstring ConfigPathFor(const std::wstring& executablePath) {
    for (std::size_t i = executablePath.size(); i > 0; --i) {
        const wchar_t c = executablePath[i - 1];
        if (c == L'\\')
            break;
        if (c == L'.')
            return executablePath.substr(0, i - 1) + L".ini";
    }
    return executablePath + L".ini";
}
