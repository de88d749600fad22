#include "hook/HookKeys.h"

namespace {

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

bool IsProfileBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

} // namespace

bool IsKeyDownMessage(WPARAM message) {
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
}

bool IsKeyUpMessage(WPARAM message) {
    return message == WM_KEYUP || message == WM_SYSKEYUP;
}

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
    const bool down = IsKeyDownMessage(message);
    verdict.Report = down;
    verdict.Swallow = (down || IsKeyUpMessage(message)) && IsBound(bound, verdict.Code);
    return verdict;
}

bool IsBound(const BoundKeys& bound, std::uint32_t code) {
    std::size_t low = 0;
    std::size_t high = bound.Count;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (bound.Codes[middle] < code)
            low = middle + 1;
        else
            high = middle;
    }
    return low < bound.Count && bound.Codes[low] == code;
}

std::size_t SortUniqueCodes(std::uint32_t* codes, std::size_t count) {
    HeapSort(codes, count);
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < count; ++i)
        if (distinct == 0 || codes[distinct - 1] != codes[i])
            codes[distinct++] = codes[i];
    return distinct;
}

std::size_t KeyTextOf(std::uint32_t code, wchar_t (&text)[KeyTextChars]) {
    std::size_t digits = 4;
    while (digits < 8 && (code >> (4 * digits)) != 0)
        ++digits;
    for (std::size_t i = 0; i < digits; ++i)
        text[i] = L"0123456789ABCDEF"[(code >> (4 * (digits - 1 - i))) & 0xF];
    text[digits] = L'\0';
    return digits;
}

bool BindingKeyCode(const wchar_t* name, std::size_t length, std::uint32_t& code, bool& plus) {
    plus = length > 0 && name[length - 1] == L'+';
    if (plus)
        --length;
    if (length < 4 || length > 8)
        return false;
    // Only the exact key text names the code: beyond four digits, no leading zero.
    if (length > 4 && name[0] == L'0')
        return false;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const int digit = HexDigit(name[i]);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    code = value;
    return true;
}

bool IsBindingValue(const wchar_t* value, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (value[i] != L' ')
            return true;
    return false;
}

bool NextProfileEntry(const wchar_t* list, std::size_t length, std::size_t& at,
                      const wchar_t*& entry, std::size_t& entryLength) {
    while (at < length) {
        std::size_t end = at;
        while (end < length && list[end] != L'\0')
            ++end;
        const std::size_t start = at;
        at = end + 1;
        if (end > start) {
            entry = list + start;
            entryLength = end - start;
            return true;
        }
    }
    return false;
}

void TrimProfileBlanks(const wchar_t*& text, std::size_t& length) {
    while (length > 0 && IsProfileBlank(text[0])) {
        ++text;
        --length;
    }
    while (length > 0 && IsProfileBlank(text[length - 1]))
        --length;
}

void ProfileValue(const wchar_t*& text, std::size_t& length) {
    TrimProfileBlanks(text, length);
    if (length >= 2 && (text[0] == L'"' || text[0] == L'\'') && text[length - 1] == text[0]) {
        ++text;
        length -= 2;
    }
}
