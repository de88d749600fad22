// The keys of a standard keyboard (scan code set 1) that Keyloft's programs know by name: the
// one table that KeyloftSend reads its key names from, that the checker and its key tester show,
// and that kbhook.dll classifies keys by. Plain data and plain functions, without the C++ standard
// library or exceptions: kbhook.dll and KeyloftSend link them. (The nearest name for a misspelt
// one is in KeyNameGuess.h.)
//
// The tables are constexpr, so that kbhook.dll can derive what it asks on every key when it is
// built (see hook/HookKeys.cpp) rather than search them; it reads the names only with the
// configuration file, for its "as STROKE" bindings.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// KeyInfo::Flags.
constexpr unsigned char KeyExtended = 1; // the keyboard sends E0 before the scan code
// Ordinary typing never uses the key: browser, media, volume, launch, sleep and wake keys, F13 to
// F24. kbhook.dll reports such a key at every press.
constexpr unsigned char KeyExtra = 2;

// A virtual key of KeyInfo that the keyboard layout decides (the key left of 1, punctuation).
constexpr unsigned char LayoutVirtualKey = 0;
// The virtual key of a key that has none of its own.
constexpr unsigned char NoVirtualKey = 0xFF;

struct KeyInfo {
    unsigned char VirtualKey;
    unsigned char ScanCode;
    unsigned char Flags;
    const wchar_t* Name;                  // the name KeyloftSend takes (any letter case), or null
    const wchar_t* Description = nullptr; // words the name leaves out, or those of a nameless key
};

// Every key once. Those with a name come first, so that the first key of a virtual key is the
// one KeyloftSend sends for it ("vk0D" is Enter, not the keypad's Enter). Letters and digits are
// those of the US layout, as KeyloftSend sends them.
inline constexpr KeyInfo KeyTable[] = {
    {VK_RETURN, 0x1C, 0, L"Enter"},
    {VK_ESCAPE, 0x01, 0, L"Esc"},
    {VK_TAB, 0x0F, 0, L"Tab"},
    {VK_SPACE, 0x39, 0, L"Space"},
    {VK_BACK, 0x0E, 0, L"Backspace"},
    {VK_DELETE, 0x53, KeyExtended, L"Delete"},
    {VK_INSERT, 0x52, KeyExtended, L"Insert"},
    {VK_HOME, 0x47, KeyExtended, L"Home"},
    {VK_END, 0x4F, KeyExtended, L"End"},
    {VK_PRIOR, 0x49, KeyExtended, L"PgUp"},
    {VK_NEXT, 0x51, KeyExtended, L"PgDn"},
    {VK_UP, 0x48, KeyExtended, L"Up"},
    {VK_DOWN, 0x50, KeyExtended, L"Down"},
    {VK_LEFT, 0x4B, KeyExtended, L"Left"},
    {VK_RIGHT, 0x4D, KeyExtended, L"Right"},
    // A keyboard sends E0 37: without the flag, 37 is the keypad's multiply key.
    {VK_SNAPSHOT, 0x37, KeyExtended, L"PrintScreen"},
    {VK_PAUSE, 0x45, 0, L"Pause"},
    {VK_CAPITAL, 0x3A, 0, L"CapsLock"},
    {VK_NUMLOCK, 0x45, KeyExtended, L"NumLock"},
    {VK_SCROLL, 0x46, 0, L"ScrollLock"},
    {VK_APPS, 0x5D, KeyExtended, L"Apps", L"Menu"},
    {VK_VOLUME_UP, 0x30, KeyExtended | KeyExtra, L"Volume_Up"},
    {VK_VOLUME_DOWN, 0x2E, KeyExtended | KeyExtra, L"Volume_Down"},
    {VK_VOLUME_MUTE, 0x20, KeyExtended | KeyExtra, L"Volume_Mute"},
    {VK_MEDIA_NEXT_TRACK, 0x19, KeyExtended | KeyExtra, L"Media_Next", L"Next Track"},
    {VK_MEDIA_PREV_TRACK, 0x10, KeyExtended | KeyExtra, L"Media_Prev", L"Previous Track"},
    {VK_MEDIA_STOP, 0x24, KeyExtended | KeyExtra, L"Media_Stop"},
    {VK_MEDIA_PLAY_PAUSE, 0x22, KeyExtended | KeyExtra, L"Media_Play_Pause"},
    {VK_BROWSER_BACK, 0x6A, KeyExtended | KeyExtra, L"Browser_Back"},
    {VK_BROWSER_FORWARD, 0x69, KeyExtended | KeyExtra, L"Browser_Forward"},
    {VK_BROWSER_REFRESH, 0x67, KeyExtended | KeyExtra, L"Browser_Refresh"},
    {VK_BROWSER_STOP, 0x68, KeyExtended | KeyExtra, L"Browser_Stop"},
    {VK_BROWSER_SEARCH, 0x65, KeyExtended | KeyExtra, L"Browser_Search"},
    {VK_BROWSER_FAVORITES, 0x66, KeyExtended | KeyExtra, L"Browser_Favorites"},
    {VK_BROWSER_HOME, 0x32, KeyExtended | KeyExtra, L"Browser_Home"},
    {VK_LAUNCH_MAIL, 0x6C, KeyExtended | KeyExtra, L"Launch_Mail"},
    {VK_LAUNCH_MEDIA_SELECT, 0x6D, KeyExtended | KeyExtra, L"Launch_Media", L"Media Select"},
    {VK_LAUNCH_APP1, 0x6B, KeyExtended | KeyExtra, L"Launch_App1", L"My Computer"},
    {VK_LAUNCH_APP2, 0x21, KeyExtended | KeyExtra, L"Launch_App2", L"Calculator"},
    {VK_SLEEP, 0x5F, KeyExtended | KeyExtra, L"Sleep"},
    {'A', 0x1E, 0, L"A"},
    {'B', 0x30, 0, L"B"},
    {'C', 0x2E, 0, L"C"},
    {'D', 0x20, 0, L"D"},
    {'E', 0x12, 0, L"E"},
    {'F', 0x21, 0, L"F"},
    {'G', 0x22, 0, L"G"},
    {'H', 0x23, 0, L"H"},
    {'I', 0x17, 0, L"I"},
    {'J', 0x24, 0, L"J"},
    {'K', 0x25, 0, L"K"},
    {'L', 0x26, 0, L"L"},
    {'M', 0x32, 0, L"M"},
    {'N', 0x31, 0, L"N"},
    {'O', 0x18, 0, L"O"},
    {'P', 0x19, 0, L"P"},
    {'Q', 0x10, 0, L"Q"},
    {'R', 0x13, 0, L"R"},
    {'S', 0x1F, 0, L"S"},
    {'T', 0x14, 0, L"T"},
    {'U', 0x16, 0, L"U"},
    {'V', 0x2F, 0, L"V"},
    {'W', 0x11, 0, L"W"},
    {'X', 0x2D, 0, L"X"},
    {'Y', 0x15, 0, L"Y"},
    {'Z', 0x2C, 0, L"Z"},
    {'1', 0x02, 0, L"1"},
    {'2', 0x03, 0, L"2"},
    {'3', 0x04, 0, L"3"},
    {'4', 0x05, 0, L"4"},
    {'5', 0x06, 0, L"5"},
    {'6', 0x07, 0, L"6"},
    {'7', 0x08, 0, L"7"},
    {'8', 0x09, 0, L"8"},
    {'9', 0x0A, 0, L"9"},
    {'0', 0x0B, 0, L"0"},
    {VK_F1, 0x3B, 0, L"F1"},
    {VK_F2, 0x3C, 0, L"F2"},
    {VK_F3, 0x3D, 0, L"F3"},
    {VK_F4, 0x3E, 0, L"F4"},
    {VK_F5, 0x3F, 0, L"F5"},
    {VK_F6, 0x40, 0, L"F6"},
    {VK_F7, 0x41, 0, L"F7"},
    {VK_F8, 0x42, 0, L"F8"},
    {VK_F9, 0x43, 0, L"F9"},
    {VK_F10, 0x44, 0, L"F10"},
    {VK_F11, 0x57, 0, L"F11"},
    {VK_F12, 0x58, 0, L"F12"},
    {VK_F13, 0x64, KeyExtra, L"F13"},
    {VK_F14, 0x65, KeyExtra, L"F14"},
    {VK_F15, 0x66, KeyExtra, L"F15"},
    {VK_F16, 0x67, KeyExtra, L"F16"},
    {VK_F17, 0x68, KeyExtra, L"F17"},
    {VK_F18, 0x69, KeyExtra, L"F18"},
    {VK_F19, 0x6A, KeyExtra, L"F19"},
    {VK_F20, 0x6B, KeyExtra, L"F20"},
    {VK_F21, 0x6C, KeyExtra, L"F21"},
    {VK_F22, 0x6D, KeyExtra, L"F22"},
    {VK_F23, 0x6E, KeyExtra, L"F23"},
    {VK_F24, 0x76, KeyExtra, L"F24"},
    {VK_NUMPAD0, 0x52, 0, L"Numpad0"},
    {VK_NUMPAD1, 0x4F, 0, L"Numpad1"},
    {VK_NUMPAD2, 0x50, 0, L"Numpad2"},
    {VK_NUMPAD3, 0x51, 0, L"Numpad3"},
    {VK_NUMPAD4, 0x4B, 0, L"Numpad4"},
    {VK_NUMPAD5, 0x4C, 0, L"Numpad5"},
    {VK_NUMPAD6, 0x4D, 0, L"Numpad6"},
    {VK_NUMPAD7, 0x47, 0, L"Numpad7"},
    {VK_NUMPAD8, 0x48, 0, L"Numpad8"},
    {VK_NUMPAD9, 0x49, 0, L"Numpad9"},
    // Keys without a name of KeyloftSend's.
    {VK_MULTIPLY, 0x37, 0, nullptr, L"Num *"},
    {VK_SUBTRACT, 0x4A, 0, nullptr, L"Num -"},
    {VK_ADD, 0x4E, 0, nullptr, L"Num +"},
    {VK_DECIMAL, 0x53, 0, nullptr, L"Num Del"},
    {VK_DIVIDE, 0x35, KeyExtended, nullptr, L"Num /"},
    {VK_RETURN, 0x1C, KeyExtended, nullptr, L"Num Enter"},
    {VK_CANCEL, 0x46, KeyExtended, nullptr, L"Break"},
    {VK_SNAPSHOT, 0x54, 0, nullptr, L"SysRq"},
    {NoVirtualKey, 0x5E, KeyExtended | KeyExtra, nullptr, L"Power"},
    {NoVirtualKey, 0x63, KeyExtended | KeyExtra, nullptr, L"Wake"},
    {LayoutVirtualKey, 0x29, 0, nullptr, L"the key left of 1"},
    {LayoutVirtualKey, 0x56, 0, nullptr, L"the key left of Z"},
    {LayoutVirtualKey, 0x0C, 0, nullptr, L"-"},
    {LayoutVirtualKey, 0x0D, 0, nullptr, L"="},
    {LayoutVirtualKey, 0x1A, 0, nullptr, L"["},
    {LayoutVirtualKey, 0x1B, 0, nullptr, L"]"},
    {LayoutVirtualKey, 0x27, 0, nullptr, L";"},
    {LayoutVirtualKey, 0x28, 0, nullptr, L"'"},
    {LayoutVirtualKey, 0x2B, 0, nullptr, L"\\"},
    {LayoutVirtualKey, 0x33, 0, nullptr, L","},
    {LayoutVirtualKey, 0x34, 0, nullptr, L"."},
    {LayoutVirtualKey, 0x35, 0, nullptr, L"/"},
};

// The modifier keys. KeyInfo::Name is the left key's name; "L" before it names it too (LCtrl).
struct ModifierKeyInfo {
    KeyInfo Key;
    unsigned char EitherSideKey; // the virtual key of either side (VK_SHIFT), or 0
};

// Left and right of each modifier, in the order of the code bits that kbhook.dll adds for them:
// Shift, Ctrl, Alt, Win. A modifier's bit in kbhook.dll's ModifierKeys and KeyloftSend's held
// keys is its place here.
constexpr int ModifierKeyCount = 8;
inline constexpr ModifierKeyInfo ModifierKeyTable[ModifierKeyCount] = {
    {{VK_LSHIFT, 0x2A, 0, L"Shift", L"Left Shift"}, VK_SHIFT},
    {{VK_RSHIFT, 0x36, 0, L"RShift", L"Right Shift"}, VK_SHIFT},
    {{VK_LCONTROL, 0x1D, 0, L"Ctrl", L"Left Ctrl"}, VK_CONTROL},
    {{VK_RCONTROL, 0x1D, KeyExtended, L"RCtrl", L"Right Ctrl"}, VK_CONTROL},
    {{VK_LMENU, 0x38, 0, L"Alt", L"Left Alt"}, VK_MENU},
    {{VK_RMENU, 0x38, KeyExtended, L"RAlt", L"Right Alt"}, VK_MENU},
    {{VK_LWIN, 0x5B, KeyExtended, L"Win", L"Left Win"}, 0},
    {{VK_RWIN, 0x5C, KeyExtended, L"RWin", L"Right Win"}, 0},
};

// Added to the scan code of an extended key in the codes kbhook.dll reports.
constexpr std::uint32_t ExtendedKeyBase = 0xE000;

// The code of a key as kbhook.dll reports it: the scan code, plus ExtendedKeyBase for an extended
// key.
constexpr std::uint32_t KeyCodeOfKey(const KeyInfo& key) {
    return key.ScanCode + ((key.Flags & KeyExtended) ? ExtendedKeyBase : 0u);
}

// A letter of a key name in lower case (ASCII; names match in any letter case).
wchar_t LowerKeyLetter(wchar_t c);

// True when the part (length characters, not terminated) is name in any letter case (ASCII).
bool SameKeyName(const wchar_t* part, std::size_t length, const wchar_t* name);

// The key or modifier key that KeyloftSend takes a name for (the modifiers by their left names
// too), or null.
const KeyInfo* KeyNamed(const wchar_t* part, std::size_t length);

// The first key or modifier key of a virtual key, or null (always for 0 and 0xFF).
const KeyInfo* KeyOfVirtualKey(unsigned virtualKey);

// The key or modifier key of a code (KeyCodeOfKey), or null.
// (This and the functions below it live in KeyWords.cpp, which kbhook.dll does not link.)
const KeyInfo* KeyOfCode(std::uint32_t code);

// The place of a modifier key in ModifierKeyTable, or -1 for every other key.
int ModifierPlace(const KeyInfo* key);

// KeyloftSend's word for any virtual key: "vk" and two uppercase hexadecimal digits.
void VirtualKeyWord(unsigned virtualKey, wchar_t (&word)[5]);

// The word KeyloftSend takes for exactly this key: its name; else "vkXX" (written into vkWord)
// when that virtual key gives this key; else null (keys of the keyboard layout, the keypad's
// Enter).
const wchar_t* SendWordOf(const KeyInfo& key, wchar_t (&vkWord)[5]);
