// kbhook.dll's decisions without any platform call: which keyboard events it reports, the code
// it reports them with, and which of them it swallows because the configuration binds them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Posted to the registered window for every reported key-down: wParam the key code, lParam the
// virtual-key code.
constexpr UINT HookKeyMessage = 0x802;
// Keyloft hands this code back to the library's sleep-key routine; the library never reports it.
constexpr std::uint32_t SleepKeyCode = 0x29;
// Added to the scan code of an extended key.
constexpr std::uint32_t ExtendedKeyBase = 0xE000;

// Codes that have a single-press or double-press binding, sorted, without repeats.
using BoundKeys = std::vector<std::uint32_t>;

// What the hook does with one keyboard event.
struct KeyVerdict {
    bool Report = false;    // post HookKeyMessage with Code and the virtual-key code
    bool Swallow = false;   // keep the event from the later hooks and the applications
    std::uint32_t Code = 0; // the key code formed from the scan code
};

// True for the keys that ordinary typing never uses: browser, media, volume, launch and sleep
// keys, F13 to F24, and keys without a virtual-key code of their own (0xFF).
bool IsExtraKey(DWORD virtualKey);

// The key code of a keyboard event: its scan code, plus 0xE000 for an extended key.
std::uint32_t KeyCodeOf(DWORD scanCode, DWORD flags);

// The decision for one low-level keyboard event (message WM_KEYDOWN, WM_SYSKEYDOWN, WM_KEYUP or
// WM_SYSKEYUP). Key-downs of extra keys are reported; both the down and the up of a bound extra
// key are swallowed. The code 0x29 is neither reported nor swallowed.
KeyVerdict DecideKeyEvent(WPARAM message, DWORD virtualKey, DWORD scanCode, DWORD flags,
                          const BoundKeys& bound);

// True when code is in the sorted table.
bool IsBound(const BoundKeys& bound, std::uint32_t code);

// Sorts the codes and removes repeats.
BoundKeys MakeBoundKeys(std::vector<std::uint32_t> codes);

// The configuration's name for a code: uppercase hexadecimal, at least four digits.
std::wstring KeyTextOf(std::uint32_t code);

// The code a configuration key binds: a key text, or a key text followed by "+", in either
// letter case. False for every other name ("41" and "00041" never name the code 0x41).
bool BindingKeyCode(const std::wstring& name, std::uint32_t& code);

// True when a binding's value does something: it is not empty once blanks are trimmed.
bool IsBindingValue(const std::wstring& value);

// The entries of a NUL-separated list as the profile reader returns it: length counts the
// characters stored without the list's final terminator. Never reads beyond length.
std::vector<std::wstring> SplitProfileList(const wchar_t* list, std::size_t length);

// A value as the profile reader's single-value read returns it: without the blanks and tabs
// around it and without one pair of equal quotation marks (single or double) enclosing it.
std::wstring ProfileValue(const std::wstring& raw);

// The codes bound by the "name=value" entries of a section: a code counts when the first entry
// of its single-press or of its double-press key has a value (later repeats of a name are not
// seen by the program's reads either).
BoundKeys BoundKeysOfSection(const std::vector<std::wstring>& entries);

// The configuration file of an executable: its path with the extension of the file name
// replaced by ".ini" (or ".ini" appended when the name has none).
std::wstring ConfigPathFor(const std::wstring& executablePath);
