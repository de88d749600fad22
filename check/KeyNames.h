// Codes in words for the checker and its key tester: "Ctrl+Mail (E06C)", "Calculator (E021),
// held", and what is odd about a code as a binding.
#pragma once

#include <cstdint>
#include <string>

// The name of a key (a code without modifier or long-press bits): "Mail", "F13", "CapsLock";
// empty for a key without a name of its own.
std::wstring KeyName(std::uint32_t key);

// A code in words: the modifiers, the key's name (or "key") and its key text in brackets, and
// ", held" for a long press.
std::wstring CodeName(std::uint32_t code);

// True for a code with the long-press bit.
bool IsLongPressCode(std::uint32_t code);

// True for a code that the library can report: no bit above 1FFFFF.
bool IsPossibleCode(std::uint32_t code);

// The long-press delay in milliseconds that the library takes from a HoldDelay value.
unsigned long LibraryHoldDelay(const std::wstring& value);

// True when the code has a word beyond its digits: a named key, a modifier or a long press.
bool HasWords(std::uint32_t code);

// What makes a bound code never fire, with the kind of warning: bits above 1FFFFF, a modifier
// key alone or chorded with itself, a chord that Windows keeps for itself. Empty text when none.
std::wstring CodeProblem(std::uint32_t code, std::wstring& kind);
