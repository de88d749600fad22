// Strokes in words, for KeyloftSend's message and the checker: apart from the reading of a
// stroke (util/StrokeWord.h), so that kbhook.dll, which reads strokes and says nothing, links
// none of it.
#pragma once

#include "util/StrokeWord.h"

#include <cstddef>

// The stroke's name as users write it, modifiers first ("Ctrl+Shift+Esc", "vk7B"), without the
// repeat; at most capacity - 1 characters and a terminator.
void StrokeName(const Stroke& stroke, wchar_t* out, std::size_t capacity);

// What is wrong with a part, to follow it in a sentence: "is not the name of a key or a
// modifier".
const wchar_t* StrokeProblemText(StrokeProblem problem);
