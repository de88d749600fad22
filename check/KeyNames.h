// Codes in words for the checker and its key tester, with the names KeyloftSend takes:
// "Ctrl+Launch_Mail (E06C)", "Launch_App2 (Calculator, E021), held", and what is odd about a
// code as a binding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A key (a code without modifier or long-press bits) in words: the word KeyloftSend takes for it
// (a name, or vkXX; "key" where there is none), then in brackets what the name does not say and
// its key text: "Launch_App2 (Calculator, E021)", "F13 (0064)", "vk6A (Num *, 0037)",
// "key (Num Enter, E01C)"; the mouse's by its own names: "XButton1 (Back, F005)".
std::wstring KeyName(std::uint32_t key);

// A code in words: the modifiers, the key in words, and ", held" for a long press. A chord that a
// key of its own sends is named by that key, with the digits of the key of the chord:
// "Copilot key (Win+Shift+F23), 006E" (9006E), "Copilot key (Win+Shift+F23), 006E, held".
std::wstring CodeName(std::uint32_t code);

// True for a code with the long-press bit.
bool IsLongPressCode(std::uint32_t code);

// True for a code of the mouse's buttons or wheel, with any modifier or long-press bits.
bool IsMouseCode(std::uint32_t code);

// True for a code that a key can have: no bit above 1FFFFF, and the key part 00xx or E0xx with xx
// not 00, or one of the mouse's (util/MouseTable.h).
bool IsPossibleCode(std::uint32_t code);

// The long-press delay in milliseconds that the library takes from a HoldDelay value.
unsigned long LibraryHoldDelay(const std::wstring& value);

// True when the code has a word beyond its digits: a named key, a modifier or a long press.
bool HasWords(std::uint32_t code);

// What makes a bound code never fire, with the kind of warning: a code no key has, a wheel notch
// held, a modifier key alone or chorded with itself, a chord that Windows keeps for itself. Empty
// text when none.
std::wstring CodeProblem(std::uint32_t code, std::wstring& kind);

// The sentence that offers the key name nearest to a misspelt part [partAt, partAt + partLength)
// of word, as KeyloftSend's message says it: "Shft (in «Ctrl+Shft+A»): no such key; did you mean
// Shift?". Empty when no name is near.
std::wstring NoSuchKeyText(const std::wstring& word, std::size_t partAt, std::size_t partLength);
