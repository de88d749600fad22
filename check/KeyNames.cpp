#include "check/KeyNames.h"

#include "hook/HookKeys.h"
#include "util/KeyNameGuess.h"
#include "util/KeyTable.h"
#include "util/MouseTable.h"

#include <vector>

namespace {

std::wstring Hex(std::uint32_t code) {
    wchar_t text[KeyTextChars];
    KeyTextOf(code, text);
    return text;
}

// Chords that a keyboard sends for a key of its own, by that key's name. The Copilot key of
// newer keyboards sends Win+Shift+F23 (F23 is 006E).
struct NamedChord {
    std::uint32_t Code;
    const wchar_t* Name;
};
constexpr NamedChord NamedChords[] = {
    {WinCodeBit | ShiftCodeBit | 0x006E, L"Copilot key (Win+Shift+F23)"},
};

// The modifier bit that a modifier key itself stands for, or 0.
std::uint32_t OwnModifierBit(std::uint32_t key) {
    const int place = ModifierPlace(KeyOfCode(key));
    return place < 0 ? 0 : ShiftCodeBit << (place / 2);
}

} // namespace

std::wstring KeyName(std::uint32_t key) {
    if (const MouseInfo* mouse = MouseOfCode(key))
        return std::wstring(mouse->Name) + L" (" +
               (mouse->Description ? std::wstring(mouse->Description) + L", " : L"") + Hex(key) +
               L")";
    const KeyInfo* info = KeyOfCode(key);
    wchar_t vkWord[5];
    const wchar_t* word = info ? SendWordOf(*info, vkWord) : nullptr;
    std::wstring name = word ? word : L"key";
    name += L" (";
    if (info && info->Description)
        name += std::wstring(info->Description) + L", ";
    return name + Hex(key) + L")";
}

std::wstring CodeName(std::uint32_t code) {
    const std::wstring held = (code & LongPressBit) ? L", held" : L"";
    for (const NamedChord& chord : NamedChords)
        if (chord.Code == (code & ~LongPressBit))
            return chord.Name + (L", " + Hex(code & KeyCodeBits)) + held;
    std::wstring name;
    // Written in the order Windows writes shortcuts, with KeyloftSend's names of the modifiers.
    for (const int kind : {1, 2, 0, 3})
        if (code & (ShiftCodeBit << kind))
            name += std::wstring(ModifierKeyTable[2 * kind].Key.Name) + L"+";
    return name + KeyName(code & KeyCodeBits) + held;
}

bool IsLongPressCode(std::uint32_t code) {
    return (code & LongPressBit) != 0;
}

bool IsMouseCode(std::uint32_t code) {
    return MouseOfCode(code & KeyCodeBits) != nullptr;
}

bool IsPossibleCode(std::uint32_t code) {
    const std::uint32_t key = code & KeyCodeBits;
    const std::uint32_t prefix = key & 0xFF00;
    return code <= HighestCode &&
           (((prefix == 0 || prefix == ExtendedKeyBase) && (key & 0xFF) != 0) || IsMouseCode(code));
}

unsigned long LibraryHoldDelay(const std::wstring& value) {
    return HoldDelayOf(value.c_str(), value.size());
}

bool HasWords(std::uint32_t code) {
    return (code & ~KeyCodeBits) != 0 || KeyOfCode(code & KeyCodeBits) != nullptr ||
           IsMouseCode(code);
}

std::wstring CodeProblem(std::uint32_t code, std::wstring& kind) {
    const std::uint32_t key = code & KeyCodeBits;
    if (code > HighestCode) {
        kind = L"code";
        return L"bits above 1FFFFF are never set: the library reports the key in the low four "
               L"digits, 10000 Shift, 20000 Ctrl, 40000 Alt, 80000 Win and 100000 a long press.";
    }
    if (!IsPossibleCode(code)) {
        kind = L"code";
        return L"the last four digits, " + Hex(key) +
               L", are no key's: a key is 00xx for its scan code xx, or E0xx for an extended "
               L"key, and xx is never 00; the mouse is F004 to F006 and F00A to F00D.";
    }
    if (const MouseInfo* mouse = MouseOfCode(key);
        mouse && IsWheel(*mouse) && IsLongPressCode(code)) {
        kind = L"code";
        return L"a notch of the wheel is never held: " + Hex(code) + L" never fires; " +
               Hex(code & ~LongPressBit) + L" is its notch.";
    }
    if (const std::uint32_t own = OwnModifierBit(key)) {
        kind = L"modifier";
        if (code & own)
            return L"a chord of a modifier key with itself: " + CodeName(code) +
                   L" never happens. A modifier key is never reported on its own either.";
        return L"modifier keys (Shift, Ctrl, Alt, Win) are never reported on their own: " +
               CodeName(code) + L" never fires.";
    }
    if (code == (SleepKeyCode | LongPressBit)) {
        kind = L"key";
        return L"the key left of 1 alone (0029) is never held back, as Keyloft hands its code "
               L"back to the library: 100029 never fires. Its chords can (120029).";
    }
    const std::uint32_t ctrlAlt = CtrlCodeBit | AltCodeBit;
    if (((key == 0x53 || key == 0xE053) && (code & ctrlAlt) == ctrlAlt) ||
        (key == 0x26 && (code & WinCodeBit))) {
        kind = L"system";
        return L"Windows keeps " + CodeName(code) +
               L" for itself (Ctrl+Alt+Delete, Win+L): it never reaches Keyloft.";
    }
    return L"";
}

std::wstring NoSuchKeyText(const std::wstring& word, std::size_t partAt, std::size_t partLength) {
    std::vector<wchar_t> text(word.size() + 128);
    return WriteNoSuchKey({word.c_str(), word.size(), partAt, partLength}, text.data(), text.size())
               ? std::wstring(text.data())
               : std::wstring();
}
