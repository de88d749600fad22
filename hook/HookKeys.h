// kbhook.dll's decisions without any platform call: which keyboard events it reports, the code
// it reports them with, and which of them it swallows because the configuration binds them.
//
// The library lives in another program's process and in the path of every key of the desktop,
// so nothing here uses the C++ standard library or can throw: plain types, counted text, and
// tables that the caller owns.
#pragma once

#include "util/HookContract.h"
#include "util/IntegerText.h"
#include "util/KeyTable.h"
#include "util/MouseTable.h"
#include "util/Settings.h"
#include "util/StrokeWord.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// A key text has at most eight digits; with "+" and the terminator it fits in ten characters.
constexpr std::size_t KeyTextChars = 10;

// A code's low 16 bits name the key; the bits above tell the modifiers held at its key-down
// (left or right alike) and a long press.
constexpr std::uint32_t KeyCodeBits = 0xFFFF;
constexpr std::uint32_t ShiftCodeBit = 0x10000;
constexpr std::uint32_t CtrlCodeBit = 0x20000;
constexpr std::uint32_t AltCodeBit = 0x40000;
constexpr std::uint32_t WinCodeBit = 0x80000;
constexpr std::uint32_t LongPressBit = 0x100000;
// No code the library reports has a bit above these.
constexpr std::uint32_t HighestCode = 0x1FFFFF;

// A code bound to "as STROKE": while its key is held, the key acts as the stroke.
struct ActingCode {
    std::uint32_t Code;
    Stroke Acts; // its Repeat is 1
};

// Codes that have a single-press or double-press binding: sorted, without repeats, in memory from
// the process heap (see BindingFile.h). An empty table has no memory. Those of them whose
// single-press binding is "as STROKE" are in Acting too.
// The same file's HoldDelay comes with it; 0 stands for the default, so that a table in the
// library's state record needs no initial data (its zero-filled memory costs no file size).
// KeysIgnored: the file's OnlyActiveUser is present and empty, so Keyloft ignores every key and
// the library reports and swallows none.
struct BoundKeys {
    std::uint32_t* Codes = nullptr;
    std::size_t Count = 0;
    ActingCode* Acting = nullptr; // sorted by Code, without repeats; memory from the process heap
    std::size_t ActingCount = 0;
    DWORD HoldDelayMs = 0;
    bool KeysIgnored = false;
};

// The stroke a code acts as, or null.
const Stroke* ActingStrokeOf(const BoundKeys& bound, std::uint32_t code);

// The long-press delay of the table in milliseconds.
inline DWORD HoldDelayOfTable(const BoundKeys& bound) {
    return bound.HoldDelayMs ? bound.HoldDelayMs : DefaultHoldDelayMs;
}

// One low-level keyboard event as the hook is given it.
struct KeyEvent {
    WPARAM Message = 0; // WM_KEYDOWN, WM_SYSKEYDOWN, WM_KEYUP or WM_SYSKEYUP
    DWORD VirtualKey = 0;
    DWORD ScanCode = 0;
    DWORD Flags = 0; // LLKHF_EXTENDED, LLKHF_INJECTED, LLKHF_UP, ..., MouseEventFlag
    DWORD Time = 0;  // its time stamp in milliseconds
    ULONG_PTR ExtraInfo = 0;
};

// A bit of KeyEvent::Flags of the library's own, which no keyboard event of the system carries:
// the event is a mouse button's or a wheel notch's (see MouseWatch.h), and its scan code is the
// last two digits of its mouse code (util/MouseTable.h).
constexpr DWORD MouseEventFlag = 0x10000;

// What the hook does with one keyboard event.
struct KeyVerdict {
    bool Report = false;     // post HookKeyMessage with Code and the virtual-key code
    bool Swallow = false;    // keep the event from the later hooks and the applications
    bool Mask = false;       // press and release the masking key: swallowed while Alt or Win
    bool HoldChange = false; // a key was held back or let go: the long-press timer changes
    bool Replay = false;     // events were queued for injection (see KeyWatch.h)
    std::uint32_t Code = 0;  // the key code: scan code, extended base and modifier bits
};

// Modifier keys held down: one bit per key, left and right apart.
using ModifierKeys = std::uint8_t;

// True for the keys that ordinary typing never uses: browser, media, volume, launch and sleep
// keys, F13 to F24, and keys without a virtual-key code of their own (0xFF).
bool IsExtraKey(DWORD virtualKey);

// The key code of a keyboard event: its scan code, plus 0xE000 for an extended key; of a mouse
// event, its scan code plus MouseCodeBase.
std::uint32_t KeyCodeOf(DWORD scanCode, DWORD flags);

// The code of the key that the key table knows for a virtual key: its first key (the left one of
// an either-side modifier such as VK_SHIFT); 0 for a virtual key the table does not know.
std::uint32_t KeyCodeOfVirtualKey(DWORD virtualKey);

// Notes an event of a Shift, Ctrl, Alt or Win key in held; false for every other key, which
// leaves held as it was. The generic virtual keys (VK_SHIFT, ...) count by their scan code or
// extended flag.
bool NoteModifierEvent(ModifierKeys& held, WPARAM message, DWORD virtualKey, DWORD scanCode,
                       DWORD flags);

// The code bits of the modifiers held: Shift, Ctrl, Alt and Win, either side.
std::uint32_t ModifierCodeBits(ModifierKeys held);

// The code a key-down reports with these modifiers held: the key's code and their bits.
std::uint32_t PressCodeOf(DWORD scanCode, DWORD flags, ModifierKeys held);

// The virtual key that GetAsyncKeyState asks for each bit of ModifierKeys, by bit.
extern const BYTE ModifierVirtualKeys[8];

// The decision for one keyboard event taken as a press of its own, with the code bits of the
// modifiers held. A key is swallowed when its code is bound as a single, double or long press;
// its key-down is reported when it is an extra key or swallowed, unless its long press is bound:
// then the key-down is held back. The modifier keys themselves and the code 0x29 are neither
// reported nor swallowed.
KeyVerdict DecideKeyEvent(const KeyEvent& event, std::uint32_t modifierBits,
                          const BoundKeys& bound);

// The long-press delay of a HoldDelay value: its number kept within bounds, or the default.
DWORD HoldDelayOf(const wchar_t* text, std::size_t length);

bool IsKeyDownMessage(WPARAM message);
bool IsKeyUpMessage(WPARAM message);

// True when code is in the table.
bool IsBound(const BoundKeys& bound, std::uint32_t code);

// How a binding value reads as "as STROKE": "as" in any letter case, one or more blanks or tabs,
// and one stroke word (KeyloftSend's, without a count). Any other value is a command line.
enum class ActingRead {
    NotActing, // the value does not start with "as" and a blank
    Acts,      // "as" and one right stroke word
    WrongWord, // "as" and one wrong word
    Words,     // "as" and more than one word
};

struct ActingValue {
    ActingRead Read = ActingRead::NotActing;
    std::size_t WordAt = 0;     // where the first word after "as" starts in the value
    std::size_t WordLength = 0; // and its length
    StrokeFault Fault{};        // WrongWord: its wrong part, counted from the word's start
    Stroke Acts{};              // Acts: the stroke, Repeat 1
};

// Reads a binding value of length characters as the profile reader returns it (ProfileValue).
ActingValue ReadActingValue(const wchar_t* value, std::size_t length);

// Sorts count values in place, ascending: a heap sort, with no recursion and no extra memory,
// whatever the file holds.
template <typename Value> void HeapSort(Value* values, std::size_t count) {
    auto siftDown = [values](std::size_t root, std::size_t end) {
        for (;;) {
            std::size_t child = 2 * root + 1;
            if (child >= end)
                return;
            if (child + 1 < end && values[child + 1] > values[child])
                ++child;
            if (!(values[root] < values[child]))
                return;
            const Value swap = values[root];
            values[root] = values[child];
            values[child] = swap;
            root = child;
        }
    };
    for (std::size_t root = count / 2; root > 0; --root)
        siftDown(root - 1, count);
    for (std::size_t end = count; end > 1; --end) {
        const Value largest = values[0];
        values[0] = values[end - 1];
        values[end - 1] = largest;
        siftDown(0, end - 1);
    }
}

// Sorts count codes in place and moves repeats out; returns how many distinct codes lead.
std::size_t SortUniqueCodes(std::uint32_t* codes, std::size_t count);

// (In KeyTools.cpp, for the checker.) The configuration's name for a code: uppercase hexadecimal,
// at least four digits, written to text with its terminator. Returns the number of digits.
std::size_t KeyTextOf(std::uint32_t code, wchar_t (&text)[KeyTextChars]);

// The code a configuration key of length characters binds: a key text, or a key text followed
// by "+", in either letter case. False for every other name ("41" and "00041" never name the
// code 0x41). plus tells which of the two it is.
bool BindingKeyCode(const wchar_t* name, std::size_t length, std::uint32_t& code, bool& plus);

// True when a binding's value does something: it is not empty once blanks are trimmed.
bool IsBindingValue(const wchar_t* value, std::size_t length);

// The next entry of a NUL-separated list as the profile reader returns it, length characters
// without the list's final terminator: from position at, skipping empty entries. False at the
// end. Never reads beyond length, also when the last entry has no terminator of its own.
bool NextProfileEntry(const wchar_t* list, std::size_t length, std::size_t& at,
                      const wchar_t*& entry, std::size_t& entryLength);

// Narrows a raw value to what the profile reader's single-value read returns: without the
// blanks around it and without one pair of equal quotation marks (single or double) enclosing
// it.
void ProfileValue(const wchar_t*& text, std::size_t& length);

// True when name, of length characters, is the setting's name in any letter case.
bool IsSettingName(const wchar_t* name, std::size_t length, const wchar_t* setting);

// Narrows text to itself without the blanks, tabs and line ends around it.
void TrimProfileBlanks(const wchar_t*& text, std::size_t& length);

// A "name=value" entry of a section list: the name without the blanks around it, and the value
// as ProfileValue gives it; an entry without "=" has no value.
struct ProfileEntry {
    const wchar_t* Name = nullptr;
    std::size_t NameLength = 0;
    const wchar_t* Value = nullptr;
    std::size_t ValueLength = 0;
    bool HasValue = false;
};

// The next entry of a section list of length characters from position at (see
// NextProfileEntry); false at the end. When cut is set, the reader cut the list, and its last
// entry, which may be cut itself, is left out.
bool NextSectionEntry(const wchar_t* list, std::size_t length, bool cut, std::size_t& at,
                      ProfileEntry& entry);
