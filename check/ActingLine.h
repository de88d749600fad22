// What an "as STROKE" binding does, in words, decided with the library's own reading of the value
// (hook/HookKeys.h), so that the checker says what kbhook.dll will do: a key that acts as another
// while held, the tap and the hold of one key, and the pitfalls of such lines.
#pragma once

#include <cstdint>
#include <string>

// The words of a single-press line of code whose value is value (as the program reads it), when
// it or the other code of its key acts as a stroke; empty for any other line. The stroke is
// written in the key table's spelling, as KeyloftSend lines are: "acts as Ctrl+Home while held";
// with the ordinary and the long-press code of a key both bound, "tapped: Esc; held: Ctrl", and
// with only the long press bound, "tapped: gives the key's own press back; held: Ctrl".
std::wstring DescribeActing(std::uint32_t code, const std::wstring& value);

// What a single press or a long press of a key does with this value: "acts as Ctrl while held",
// or the binding's words.
std::wstring DescribePress(const std::wstring& value);

// True when the value acts as a stroke in a single-press line.
bool IsActingValue(const std::wstring& value);

// The warning for a value written as "as STROKE" that is a command line instead: a wrong stroke
// word (named as KeyloftSend's warning names it), more than one word, or a double press. Empty
// for every other value.
std::wstring ActingProblemOf(const std::wstring& value, bool doublePress);

// The warning, once per file with acting lines, that only the project's kbhook.dll reads them.
extern const wchar_t ActingLibraryWarning[];
