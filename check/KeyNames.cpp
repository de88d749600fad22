#include "check/KeyNames.h"

#include "hook/HookKeys.h"

#include <utility>

namespace {

struct NamedKey {
    std::uint32_t Key;
    const wchar_t* Name;
};

// Scan codes as the keyboard hook sees them, with 0xE000 for an extended key.
const NamedKey NamedKeys[] = {
    {0x01, L"Esc"},
    {0x0E, L"Backspace"},
    {0x0F, L"Tab"},
    {0x1C, L"Enter"},
    {0x1D, L"Left Ctrl"},
    {0x29, L"the key left of 1"},
    {0x2A, L"Left Shift"},
    {0x36, L"Right Shift"},
    {0x37, L"Num *"},
    {0x38, L"Left Alt"},
    {0x39, L"Space"},
    {0x3A, L"CapsLock"},
    {0x45, L"Pause"},
    {0x46, L"ScrollLock"},
    {0x4A, L"Num -"},
    {0x4E, L"Num +"},
    {0x53, L"Num Del"},
    {0x54, L"SysRq"},
    {0x56, L"the key left of Z"},
    {0x57, L"F11"},
    {0x58, L"F12"},
    {0x76, L"F24"},
    {0xE010, L"Previous Track"},
    {0xE019, L"Next Track"},
    {0xE01C, L"Num Enter"},
    {0xE01D, L"Right Ctrl"},
    {0xE020, L"Mute"},
    {0xE021, L"Calculator"},
    {0xE022, L"Play/Pause"},
    {0xE024, L"Media Stop"},
    {0xE02E, L"Volume Down"},
    {0xE030, L"Volume Up"},
    {0xE032, L"Browser Home"},
    {0xE035, L"Num /"},
    {0xE037, L"Print Screen"},
    {0xE038, L"Right Alt"},
    {0xE045, L"NumLock"},
    {0xE046, L"Break"},
    {0xE047, L"Home"},
    {0xE048, L"Up"},
    {0xE049, L"Page Up"},
    {0xE04B, L"Left"},
    {0xE04D, L"Right"},
    {0xE04F, L"End"},
    {0xE050, L"Down"},
    {0xE051, L"Page Down"},
    {0xE052, L"Insert"},
    {0xE053, L"Delete"},
    {0xE05B, L"Left Win"},
    {0xE05C, L"Right Win"},
    {0xE05D, L"Menu"},
    {0xE05E, L"Power"},
    {0xE05F, L"Sleep"},
    {0xE063, L"Wake"},
    {0xE065, L"Search"},
    {0xE066, L"Favorites"},
    {0xE067, L"Refresh"},
    {0xE068, L"Browser Stop"},
    {0xE069, L"Forward"},
    {0xE06A, L"Back"},
    {0xE06B, L"My Computer"},
    {0xE06C, L"Mail"},
    {0xE06D, L"Media Select"},
};

// The keys of the main block whose names are their characters, by scan code from 0x02.
const wchar_t MainBlock[] = L"1234567890-=\0\0QWERTYUIOP[]\0\0ASDFGHJKL;'\0\0\\ZXCVBNM,./";

// Numeric keypad 7 to 3 (0x47 to 0x51), skipping its - and +.
const wchar_t Keypad[] = L"789\0"
                         L"456\0"
                         L"123";

std::wstring Hex(std::uint32_t code) {
    wchar_t text[KeyTextChars];
    KeyTextOf(code, text);
    return text;
}

// The modifier bit that a modifier key itself stands for, or 0.
std::uint32_t OwnModifierBit(std::uint32_t key) {
    switch (key) {
    case 0x2A:
    case 0x36:
        return ShiftCodeBit;
    case 0x1D:
    case 0xE01D:
        return CtrlCodeBit;
    case 0x38:
    case 0xE038:
        return AltCodeBit;
    case 0xE05B:
    case 0xE05C:
        return WinCodeBit;
    default:
        return 0;
    }
}

} // namespace

std::wstring KeyName(std::uint32_t key) {
    for (const NamedKey& named : NamedKeys)
        if (named.Key == key)
            return named.Name;
    if (key >= 0x02 && key - 0x02 < sizeof(MainBlock) / sizeof(wchar_t) - 1 &&
        MainBlock[key - 0x02])
        return std::wstring(1, MainBlock[key - 0x02]);
    if (key >= 0x3B && key <= 0x44)
        return L"F" + std::to_wstring(key - 0x3B + 1);
    if (key >= 0x64 && key <= 0x6E)
        return L"F" + std::to_wstring(key - 0x64 + 13);
    if (key >= 0x47 && key <= 0x52 && (key == 0x52 || Keypad[key - 0x47]))
        return std::wstring(L"Num ") + (key == 0x52 ? L'0' : Keypad[key - 0x47]);
    return L"";
}

std::wstring CodeName(std::uint32_t code) {
    std::wstring name;
    const std::pair<std::uint32_t, const wchar_t*> modifiers[] = {{CtrlCodeBit, L"Ctrl+"},
                                                                  {AltCodeBit, L"Alt+"},
                                                                  {ShiftCodeBit, L"Shift+"},
                                                                  {WinCodeBit, L"Win+"}};
    for (const auto& [bit, word] : modifiers)
        if (code & bit)
            name += word;
    const std::uint32_t key = code & KeyCodeBits;
    const std::wstring keyName = KeyName(key);
    name += (keyName.empty() ? L"key" : keyName) + L" (" + Hex(key) + L")";
    if (code & LongPressBit)
        name += L", held";
    return name;
}

bool IsLongPressCode(std::uint32_t code) {
    return (code & LongPressBit) != 0;
}

bool IsPossibleCode(std::uint32_t code) {
    return code <= HighestCode;
}

unsigned long LibraryHoldDelay(const std::wstring& value) {
    return HoldDelayOf(value.c_str(), value.size());
}

bool HasWords(std::uint32_t code) {
    return (code & ~KeyCodeBits) != 0 || !KeyName(code & KeyCodeBits).empty();
}

std::wstring CodeProblem(std::uint32_t code, std::wstring& kind) {
    const std::uint32_t key = code & KeyCodeBits;
    if (code > HighestCode) {
        kind = L"code";
        return L"bits above 1FFFFF are never set: the library reports the key in the low four "
               L"digits, 10000 Shift, 20000 Ctrl, 40000 Alt, 80000 Win and 100000 a long press.";
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
