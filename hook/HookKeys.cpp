#include "hook/HookKeys.h"

#include "util/KeyTable.h"

namespace {

// What the hook asks of a virtual key on every event, derived from the key tables when the
// library is built, so that the answer costs one look-up and no search of the tables.
constexpr unsigned char ExtraClass = 0x80;
// An either-side key (VK_SHIFT): the low bits name the left key of the pair.
constexpr unsigned char EitherSideClass = 0x40;
// One more than the modifier's place in ModifierKeyTable, or 0.
constexpr unsigned char ModifierClassBits = 0x0F;

struct VirtualKeyClasses {
    unsigned char Of[256];
    // The code of the first key of each virtual key, for events that come without a scan code.
    unsigned short CodeOf[256];
    // Per pair: the right key's scan code where it differs from the left key's, else 0 (then the
    // extended flag tells the right key).
    unsigned char RightScanCode[ModifierKeyCount / 2];
};

constexpr VirtualKeyClasses ClassesOfKeys() {
    VirtualKeyClasses classes{};
    for (const KeyInfo& key : KeyTable) {
        if (key.Flags & KeyExtra)
            classes.Of[key.VirtualKey] |= ExtraClass;
        if (key.VirtualKey != LayoutVirtualKey && key.VirtualKey != NoVirtualKey &&
            !classes.CodeOf[key.VirtualKey])
            classes.CodeOf[key.VirtualKey] = static_cast<unsigned short>(KeyCodeOfKey(key));
    }
    for (int i = 0; i < ModifierKeyCount; ++i) {
        const ModifierKeyInfo& modifier = ModifierKeyTable[i];
        classes.Of[modifier.Key.VirtualKey] |= static_cast<unsigned char>(i + 1);
        classes.CodeOf[modifier.Key.VirtualKey] =
            static_cast<unsigned short>(KeyCodeOfKey(modifier.Key));
        if (i % 2 == 0 && modifier.EitherSideKey)
            classes.CodeOf[modifier.EitherSideKey] =
                static_cast<unsigned short>(KeyCodeOfKey(modifier.Key));
        if (i % 2 == 0 && modifier.EitherSideKey) {
            classes.Of[modifier.EitherSideKey] |=
                static_cast<unsigned char>(EitherSideClass | (i + 1));
            const KeyInfo& right = ModifierKeyTable[i + 1].Key;
            classes.RightScanCode[i / 2] =
                right.ScanCode != modifier.Key.ScanCode ? right.ScanCode : 0;
        }
    }
    return classes;
}

constexpr VirtualKeyClasses KeyClasses = ClassesOfKeys();
// A key without a virtual key of its own is one that ordinary typing never uses.
static_assert(KeyClasses.Of[NoVirtualKey] & ExtraClass);

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
    return virtualKey < 256 && (KeyClasses.Of[virtualKey] & ExtraClass);
}

std::uint32_t KeyCodeOf(DWORD scanCode, DWORD flags) {
    if (flags & MouseEventFlag)
        return MouseCodeBase | (scanCode & 0xFF);
    const std::uint32_t code =
        static_cast<std::uint32_t>(scanCode) + ((flags & LLKHF_EXTENDED) ? ExtendedKeyBase : 0);
    return code & KeyCodeBits;
}

std::uint32_t KeyCodeOfVirtualKey(DWORD virtualKey) {
    return virtualKey < 256 ? KeyClasses.CodeOf[virtualKey] : 0;
}

namespace {

// The bit of a modifier key in ModifierKeys: its place in ModifierKeyTable; -1 for every other
// key. The either-side keys (VK_SHIFT, ...) count by their scan code or extended flag.
int ModifierIndex(DWORD virtualKey, DWORD scanCode, DWORD flags) {
    const unsigned char keyClass = virtualKey < 256 ? KeyClasses.Of[virtualKey] : 0;
    const int index = (keyClass & ModifierClassBits) - 1;
    if (index < 0 || !(keyClass & EitherSideClass))
        return index;
    const unsigned char rightScanCode = KeyClasses.RightScanCode[index / 2];
    const bool right = rightScanCode ? scanCode == rightScanCode : (flags & LLKHF_EXTENDED) != 0;
    return index + (right ? 1 : 0);
}

} // namespace

const BYTE ModifierVirtualKeys[8] = {
    ModifierKeyTable[0].Key.VirtualKey, ModifierKeyTable[1].Key.VirtualKey,
    ModifierKeyTable[2].Key.VirtualKey, ModifierKeyTable[3].Key.VirtualKey,
    ModifierKeyTable[4].Key.VirtualKey, ModifierKeyTable[5].Key.VirtualKey,
    ModifierKeyTable[6].Key.VirtualKey, ModifierKeyTable[7].Key.VirtualKey};

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

KeyVerdict DecideKeyEvent(const KeyEvent& event, std::uint32_t modifierBits,
                          const BoundKeys& bound) {
    KeyVerdict verdict;
    verdict.Code =
        KeyCodeOf(event.ScanCode, event.Flags) | (modifierBits & ~KeyCodeBits & ~LongPressBit);
    const bool down = IsKeyDownMessage(event.Message);
    if ((!down && !IsKeyUpMessage(event.Message)) || verdict.Code == SleepKeyCode ||
        ModifierIndex(event.VirtualKey, event.ScanCode, event.Flags) >= 0)
        return verdict;
    const bool holds = IsBound(bound, verdict.Code | LongPressBit);
    verdict.Swallow = holds || IsBound(bound, verdict.Code);
    verdict.Report = down && !holds && (verdict.Swallow || IsExtraKey(event.VirtualKey));
    verdict.HoldChange = down && holds;
    verdict.Mask = down && verdict.Swallow && (modifierBits & (AltCodeBit | WinCodeBit)) != 0;
    return verdict;
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

const Stroke* ActingStrokeOf(const BoundKeys& bound, std::uint32_t code) {
    std::size_t low = 0;
    std::size_t high = bound.ActingCount;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (bound.Acting[middle].Code < code)
            low = middle + 1;
        else
            high = middle;
    }
    return low < bound.ActingCount && bound.Acting[low].Code == code ? &bound.Acting[low].Acts
                                                                     : nullptr;
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

ActingValue ReadActingValue(const wchar_t* value, std::size_t length) {
    ActingValue read;
    auto blank = [value](std::size_t i) { return value[i] == L' ' || value[i] == L'\t'; };
    std::size_t at = 2;
    if (length < 3 || !SameKeyName(value, 2, L"as") || !blank(at))
        return read;
    while (at < length && blank(at))
        ++at;
    std::size_t end = at;
    while (end < length && !blank(end))
        ++end;
    read.WordAt = at;
    read.WordLength = end - at;
    std::size_t rest = end;
    while (rest < length && blank(rest))
        ++rest;
    if (read.WordLength == 0) // blanks alone after "as": ProfileValue never leaves them
        return read;
    if (rest < length)
        read.Read = ActingRead::Words;
    else if (ReadStrokeWord(value + at, end - at, false, read.Acts, read.Fault))
        read.Read = ActingRead::Acts;
    else
        read.Read = ActingRead::WrongWord;
    return read;
}

std::size_t SortUniqueCodes(std::uint32_t* codes, std::size_t count) {
    HeapSort(codes, count);
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < count; ++i)
        if (distinct == 0 || codes[distinct - 1] != codes[i])
            codes[distinct++] = codes[i];
    return distinct;
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

bool IsSettingName(const wchar_t* name, std::size_t length, const wchar_t* setting) {
    return CompareStringOrdinal(name, static_cast<int>(length), setting, -1, TRUE) == CSTR_EQUAL;
}
