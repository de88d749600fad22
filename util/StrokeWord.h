// One stroke word as every part of Keyloft reads it: a key name or vkXX, the modifiers before it
// joined by "+", in any letter case ("Ctrl+Shift+Esc", "win+d", "vk7B"), and where a count is
// taken, "*N". KeyloftSend reads its words with it, kbhook.dll its "as STROKE" bindings and the
// checker both, so that the three never disagree on a word. Plain data and counted text, without
// the C++ standard library or exceptions: kbhook.dll and KeyloftSend link it.
#pragma once

#include "util/KeyTable.h"

#include <windows.h>

#include <cstddef>

// A stroke sends its key at most this many times (STROKE*N).
constexpr int MaxStrokeRepeat = 100;

// A key as a keyboard sends it. Name is the name users write, or null for a vkXX key that has
// none; ScanCode 0 means that only the system knows it.
struct StrokeKey {
    const wchar_t* Name;
    WORD VirtualKey;
    WORD ScanCode;
    bool Extended;
};

// One stroke: its modifiers in the order written, the key, and how often it is sent.
struct Stroke {
    StrokeKey Modifiers[ModifierKeyCount];
    int ModifierCount;
    StrokeKey Key;
    int Repeat;
};

enum class StrokeProblem {
    None,
    UnknownName,      // a part is neither a key nor a modifier
    NotModifier,      // "A+B": only the last part is a key
    EmptyPart,        // "Ctrl++A", "+A", "Ctrl+"
    RepeatedModifier, // "Ctrl+Ctrl+A", "Ctrl+LCtrl+A"
    BadCount,         // "*0", "*101", "*x"
    CountNotTaken,    // "*3" where the stroke is taken once only
};

// What is wrong with a word, and its wrong part: its first character and its length.
struct StrokeFault {
    StrokeProblem Problem;
    std::size_t PartAt;
    std::size_t PartLength;
};

// The key that a part of length characters names (a modifier too, as a key of its own), or
// false: a name of the key table, or "vkXX" with two hexadecimal digits (not 00 or FF), which has
// no name and the table's scan code when the table knows that virtual key.
bool StrokeKeyOfName(const wchar_t* part, std::size_t length, StrokeKey& key);

// Reads one stroke word of length characters: parts joined by "+", the last one the key, and,
// when counted, an optional "*N" (1 to MaxStrokeRepeat; Repeat is 1 without it). False with the
// fault when the word is wrong; stroke may then be partly written.
bool ReadStrokeWord(const wchar_t* word, std::size_t length, bool counted, Stroke& stroke,
                    StrokeFault& fault);
