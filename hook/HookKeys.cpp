#include "hook/HookKeys.h"

namespace {

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
        const int digit = HexDigitValue(name[i]);
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
