// The keys that act as others in kbhook.dll's decision (KeyWatch.h): what a stroke holds down for
// the applications in a key's place, the modifiers released around it and pressed again after it,
// and which modifiers such keys hold down, for the codes.
#pragma once

#include "hook/KeyWatch.h"

// The bit of a key in ModifierKeys, or 0 for a key that is no modifier.
ModifierKeys ModifierBitOf(DWORD virtualKey, DWORD scanCode, DWORD flags);
ModifierKeys ModifierBitOf(const SentKey& key);

// The modifiers that keys acting as others hold down for the applications; those of except (or
// null) are left out.
ModifierKeys ActingModifiers(const KeyboardState& state, const HeldKey* except);

// The modifiers that keys acting as others released for the applications.
ModifierKeys ReleasedForActing(const KeyboardState& state);

// The keys of a stroke as the library sends them.
ActingKeys ActsOf(const Stroke& stroke);

// A key's own press, given back.
ActingKeys OwnPressOf(const KeyEvent& event);

// The key starts acting: the modifiers the applications see held are released first when it is
// a stroke of a binding (and pressed again after its up), then its keys go down.
void BeginActing(KeyboardState& state, HeldKey& entry, const ActingKeys& acts, StreamStep& step);

// The key stops acting: its keys go up in reverse order, but for one that the user or another
// acting key still holds down; then the modifiers released for it that are still held go down
// again.
void EndActing(KeyboardState& state, HeldKey& entry, StreamStep& step);
