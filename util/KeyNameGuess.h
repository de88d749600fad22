// The nearest key name for a word that names no key, and the sentence that offers it.
#pragma once

#include "util/KeyTable.h"

#include <cstddef>

// The key name nearest to a word that names no key, and the one sentence that offers it, so that
// KeyloftSend's message box, the checker's warnings and every other message about a misspelt
// key name say it the same way.
//
// A name is near a word when all of these hold:
// - the word has at least 3 characters: shorter ones are a step or two from too many names (A,
//   F1, Up) for a guess to mean anything;
// - the word turns into the name by at most one edit per four of its characters, and at least
//   one (one for 3 to 7 characters, two for 8 to 11, three for 12 to 15, ...), where an edit
//   inserts, deletes or replaces one character or swaps two neighbours, and letters match in any
//   case (ASCII): "Media_Nxt" is one edit from "Media_Next", "LShfit" one from "LShift", while
//   "Media_Pla", three from "Media_Prev", is near no name;
// - the word's digits, in order, are the name's: a number is never guessed, as no key answers
//   it (F25 is not near F2, Numpad10 not near Numpad1, Launch_App3 not near Launch_App1).
// The names tried are those of KeyTable in its order, then the modifiers in ModifierKeyTable's
// order, each left one followed by its L-form (Shift, LShift, RShift, Ctrl, LCtrl, ...). The
// fewest edits win; of names equally near, the first. vkXX words are never offered: they stand
// for keys without a name, and a name always reads better.

// The name nearest to a word, or a null Key when no name is near.
struct KeyNameGuess {
    const KeyInfo* Key;
    bool LeftForm; // the modifier's L-form: "L" and Key->Name (LCtrl)
};

KeyNameGuess NearestKeyName(const wchar_t* word, std::size_t length);

// A name that is no key's: the part [PartAt, PartAt + PartLength) of a word, which is the whole
// word or one part of a stroke ("Shft" of "Ctrl+Shft+A"). The word is shown as far as
// WordLength goes.
struct WrongKeyName {
    const wchar_t* Word;
    std::size_t WordLength;
    std::size_t PartAt;
    std::size_t PartLength;
};

// Writes the sentence that offers the nearest name: "Media_Nxt: no such key; did you mean
// Media_Next?", and for a part of a longer word "Shft (in «Ctrl+Shft+A»): no such key; did you
// mean Shift?"; at most capacity - 1 characters and a terminator. False, with nothing written,
// when no name is near: the caller then says what it always says of a name that is no key's.
bool WriteNoSuchKey(const WrongKeyName& wrong, wchar_t* out, std::size_t capacity);
