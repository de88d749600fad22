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
    const std::uint32_t code =
        static_cast<std::uint32_t>(scanCode) + ((flags & LLKHF_EXTENDED) ? ExtendedKeyBase : 0);
    return code & KeyCodeBits;
}

namespace {

// The bit of a modifier key in ModifierKeys: Shift, Ctrl, Alt and Win, each left then right;
// -1 for every other key.
int ModifierIndex(DWORD virtualKey, DWORD scanCode, DWORD flags) {
    const bool extended = (flags & LLKHF_EXTENDED) != 0;
    switch (virtualKey) {
    case VK_LSHIFT:
        return 0;
    case VK_RSHIFT:
        return 1;
    case VK_SHIFT:
        return scanCode == 0x36 ? 1 : 0;
    case VK_LCONTROL:
        return 2;
    case VK_RCONTROL:
        return 3;
    case VK_CONTROL:
        return extended ? 3 : 2;
    case VK_LMENU:
        return 4;
    case VK_RMENU:
        return 5;
    case VK_MENU:
        return extended ? 5 : 4;
    case VK_LWIN:
        return 6;
    case VK_RWIN:
        return 7;
    default:
        return -1;
    }
}

} // namespace

const BYTE ModifierVirtualKeys[8] = {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL,
                                     VK_LMENU,  VK_RMENU,  VK_LWIN,     VK_RWIN};

bool NoteModifierEvent(ModifierKeys& held, WPARAM message, DWORD virtualKey, DWORD scanCode,
                       DWORD flags) {
    const int index = ModifierIndex(virtualKey, scanCode, flags);
    if (index < 0)
        return false;
    const auto bit = static_cast<ModifierKeys>(1u << index);
    if (IsKeyDownMessage(message))
        held = static_cast<ModifierKeys>(held | bit);
    else if (IsKeyUpMessage(message))
        held = static_cast<ModifierKeys>(held & ~bit);
    return true;
}

std::uint32_t ModifierCodeBits(ModifierKeys held) {
    std::uint32_t bits = 0;
    for (int kind = 0; kind < 4; ++kind)
        if (held & (3u << (2 * kind)))
            bits |= ShiftCodeBit << kind;
    return bits;
}

std::uint32_t PressCodeOf(DWORD scanCode, DWORD flags, ModifierKeys held) {
    return KeyCodeOf(scanCode, flags) | ModifierCodeBits(held);
}

KeyVerdict DecideKeyEvent(WPARAM message, DWORD virtualKey, DWORD scanCode, DWORD flags,
                          std::uint32_t modifierBits, const BoundKeys& bound) {
    KeyVerdict verdict;
    verdict.Code = KeyCodeOf(scanCode, flags) | (modifierBits & ~KeyCodeBits & ~LongPressBit);
    const bool down = IsKeyDownMessage(message);
    if ((!down && !IsKeyUpMessage(message)) || verdict.Code == SleepKeyCode ||
        ModifierIndex(virtualKey, scanCode, flags) >= 0)
        return verdict;
    const bool holds = IsBound(bound, verdict.Code | LongPressBit);
    verdict.Swallow = holds || IsBound(bound, verdict.Code);
    verdict.Report = down && !holds && (verdict.Swallow || IsExtraKey(virtualKey));
    verdict.HoldChange = down && holds;
    verdict.Mask = down && verdict.Swallow && (modifierBits & (AltCodeBit | WinCodeBit)) != 0;
    return verdict;
}

KeyVerdict DecideKeyEvent(WPARAM message, DWORD virtualKey, DWORD scanCode, DWORD flags,
                          const BoundKeys& bound) {
    return DecideKeyEvent(message, virtualKey, scanCode, flags, 0, bound);
}

bool ParseIntegerText(const wchar_t* text, std::size_t length, std::int32_t& value) {
    std::size_t i = 0;
    if (length == 0)
        return false;
    for (std::size_t k = 0; k < length; ++k)
        if (text[k] > 0x7F)
            return false;
    while (i < length && text[i] == L' ')
        ++i;
    bool negative = false;
    if (i < length && (text[i] == L'-' || text[i] == L'+'))
        negative = text[i++] == L'-';
    bool hex = false;
    if (i < length && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
        hex = true;
        i += 1;
    } else if (i + 1 < length && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        hex = true;
        i += 2;
    }
    if (i == length)
        return false;
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    for (; i < length; ++i) {
        const int digit =
            hex ? HexDigit(text[i]) : (text[i] >= L'0' && text[i] <= L'9' ? text[i] - L'0' : -1);
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

DWORD HoldDelayOf(const wchar_t* text, std::size_t length) {
    std::int32_t delay = 0;
    if (!text || !ParseIntegerText(text, length, delay))
        return DefaultHoldDelayMs;
    if (delay < static_cast<std::int32_t>(ShortestHoldDelayMs))
        return ShortestHoldDelayMs;
    if (delay > static_cast<std::int32_t>(LongestHoldDelayMs))
        return LongestHoldDelayMs;
    return static_cast<DWORD>(delay);
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

bool NextSectionEntry(const wchar_t* list, std::size_t length, bool cut, std::size_t& at,
                      ProfileEntry& entry) {
    const wchar_t* text = nullptr;
    std::size_t textLength = 0;
    if (!NextProfileEntry(list, length, at, text, textLength) || (cut && at >= length))
        return false;
    std::size_t equals = 0;
    while (equals < textLength && text[equals] != L'=')
        ++equals;
    entry.Name = text;
    entry.NameLength = equals;
    TrimProfileBlanks(entry.Name, entry.NameLength);
    entry.HasValue = equals < textLength;
    entry.Value = text + equals + (entry.HasValue ? 1 : 0);
    entry.ValueLength = entry.HasValue ? textLength - equals - 1 : 0;
    ProfileValue(entry.Value, entry.ValueLength);
    return true;
}
