// kbhook.dll's decision for the mouse, without any platform call: which events of a low-level
// mouse hook are the buttons and wheel notches that the table binds, and how they take the keys'
// path (KeyWatch.h) as key events of their own, so that the modifiers, standing aside, waiting
// keys, tap and hold and "as" apply to them as they do to keys.
//
// A bound button's press and release are a key's down and up, with the code of the button
// (util/MouseTable.h); a wheel notch is a down and an up at once, once per WHEEL_DELTA of the
// wheel's turn. What no binding asks for passes on untouched and is not remembered, so that it
// never waits behind a waiting key: every movement, the left and right buttons, and a press or a
// notch whose code, with the modifiers held, is bound neither as a single nor as a long press
// (only a button's event that comes while injected events are on their way follows them). A
// button's release (or a press again, its release missed) follows its press: decided with it
// when the press took the keys' path, passed on when it did not.
#pragma once

#include "hook/KeyWatch.h"
#include "hook/MouseInputs.h"

#include <windows.h>

#include <cstdint>

// One event of a low-level mouse hook, as it is given.
struct MouseEvent {
    WPARAM Message = 0;      // WM_MBUTTONDOWN, WM_XBUTTONUP, WM_MOUSEWHEEL, ...
    DWORD Data = 0;          // mouseData: the side button, or the wheel's turn, in its high word
    DWORD Time = 0;          // its time stamp in milliseconds
    ULONG_PTR ExtraInfo = 0; // the mark of an event the library injected
};

// The most notches that one event of the wheel counts: a longer turn counts as this many.
constexpr int MaxNotchesPerEvent = 8;

// The input of a hook's event, or null (movements, the left and right buttons, a wheel that did
// not turn); up for a button's release.
const MouseInput* MouseOfEvent(const MouseEvent& event, bool& up);

// True when the table binds a mouse code (with any modifier bits, any press): only then is the
// library's mouse hook in place.
bool BindsMouseCode(const BoundKeys& bound);

// True while the state holds something of the mouse's: a button held, an event held back, or an
// injected mouse event on its way. The mouse hook stays in place until it is let go, so that a
// button's release still finds the decision of its press.
bool HoldsMouseInput(const KeyboardState& state);

// One event of the mouse hook. Asks StandsAside as FollowKeyEvent does, and for the part of a
// notch that a wheel of finer steps turns.
StreamStep FollowMouseEvent(KeyboardState& state, const MouseEvent& event, const BoundKeys& bound,
                            const KeyQuestions& questions);

// What SendInput takes for a queued event of the mouse's (MouseEventFlag); an input without
// flags for any other.
void MouseInputOf(const ReplayEvent& event, MOUSEINPUT& input);
