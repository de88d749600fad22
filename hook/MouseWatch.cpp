#include "hook/MouseWatch.h"

namespace {

bool IsMouseCode(std::uint32_t code) {
    return MouseInputOfCode(code & KeyCodeBits) != nullptr;
}

KeyEvent KeyEventOf(const MouseInput& mouse, bool up, const MouseEvent& event) {
    return {up ? static_cast<WPARAM>(WM_KEYUP) : static_cast<WPARAM>(WM_KEYDOWN),
            mouse.VirtualKey,
            mouse.Code & 0xFFu,
            MouseEventFlag | (up ? static_cast<DWORD>(LLKHF_UP) : 0),
            event.Time,
            event.ExtraInfo};
}

// True when a press of the input, with the modifiers the next event counts, is bound as a single
// or as a long press.
bool BoundNow(const KeyboardState& state, const BoundKeys& bound, const MouseInput& mouse) {
    const std::uint32_t code = mouse.Code | ModifierBitsNow(state);
    return IsBound(bound, code) || IsBound(bound, code | LongPressBit);
}

void Merge(StreamStep& into, const StreamStep& step) {
    into.Swallow = into.Swallow || step.Swallow;
    into.Inject = into.Inject || step.Inject;
    into.Report = into.Report || step.Report;
    into.TimerChange = into.TimerChange || step.TimerChange;
}

// The wheel's turn in whole notches, each a press and a release of the notch's code. A part of a
// notch goes where its notch will go: swallowed unless the library stands aside.
StreamStep FollowWheel(KeyboardState& state, const MouseInput& mouse, const MouseEvent& event,
                       const BoundKeys& bound, const KeyQuestions& questions) {
    int& rest = state.WheelRest[mouse.Message == WM_MOUSEHWHEEL ? 1 : 0];
    const int turn = static_cast<short>(HIWORD(event.Data));
    if ((rest > 0) != (turn > 0))
        rest = 0;
    StreamStep step;
    if (!BoundNow(state, bound, mouse)) {
        rest = 0;
        return step;
    }
    const int total = rest + turn;
    int notches = total / WHEEL_DELTA;
    rest = total - notches * WHEEL_DELTA;
    notches = notches < 0 ? -notches : notches;
    if (notches == 0) {
        step.Swallow = !(questions.StandsAside && questions.StandsAside(true));
        rest = step.Swallow ? rest : 0;
        return step;
    }
    for (int i = 0; i < notches && i < MaxNotchesPerEvent; ++i) {
        Merge(step, FollowKeyEvent(state, KeyEventOf(mouse, false, event), bound, questions));
        StreamStep release =
            FollowKeyEvent(state, KeyEventOf(mouse, true, event), bound, questions);
        release.Swallow = false; // the event is the presses'
        Merge(step, release);
    }
    return step;
}

} // namespace

const MouseInput* MouseOfEvent(const MouseEvent& event, bool& up) {
    up = event.Message == WM_MBUTTONUP || event.Message == WM_XBUTTONUP;
    const WPARAM message = up ? event.Message - 1 : event.Message;
    return MouseInputOfMessage(message, static_cast<short>(HIWORD(event.Data)));
}

bool BindsMouseCode(const BoundKeys& bound) {
    for (std::size_t i = 0; i < bound.Count; ++i)
        if (IsMouseCode(bound.Codes[i]))
            return true;
    return false;
}

bool HoldsMouseInput(const KeyboardState& state) {
    for (std::size_t i = 0; i < state.Held.Count; ++i)
        if (IsMouseCode(state.Held.Keys[i].Key))
            return true;
    for (std::size_t i = 0; i < state.Pending.Count; ++i)
        if (state.Pending.Events[i].Flags & MouseEventFlag)
            return true;
    for (std::size_t i = 0; i < state.Replay.Count; ++i)
        if (state.Replay.Events[i].Flags & MouseEventFlag)
            return true;
    return false;
}

StreamStep FollowMouseEvent(KeyboardState& state, const MouseEvent& event, const BoundKeys& bound,
                            const KeyQuestions& questions) {
    bool up = false;
    const MouseInput* mouse = MouseOfEvent(event, up);
    if (!mouse)
        return StreamStep();
    const KeyEvent key = KeyEventOf(*mouse, up, event);
    // The library's own injected input, coming back: noted as a key's is.
    if (IsAsideEvent(key))
        return FollowKeyEvent(state, key, bound, questions);
    if (mouse->Wheel)
        return FollowWheel(state, *mouse, event, bound, questions);
    if (KnowsKey(state, mouse->Code) || (!up && BoundNow(state, bound, *mouse)))
        return FollowKeyEvent(state, key, bound, questions);
    // Passed on, behind the events the library injected that are still on their way, as a key
    // is: a click given back comes before the button's next press.
    StreamStep step;
    DropLapsed(state.Replay, event.Time);
    if (state.Replay.Count && Enqueue(state.Replay, key.VirtualKey, key.ScanCode, key.Flags))
        step.Swallow = step.Inject = true;
    return step;
}

void MouseInputOf(const ReplayEvent& event, MOUSEINPUT& input) {
    input = MOUSEINPUT();
    const MouseInput* mouse = MouseInputOfCode(KeyCodeOf(event.ScanCode, event.Flags));
    if (!mouse || !(event.Flags & MouseEventFlag))
        return;
    // A button's release is the flag after its press's.
    input.dwFlags = (event.Flags & LLKHF_UP) ? mouse->InputFlag << 1 : mouse->InputFlag;
    input.mouseData = static_cast<DWORD>(static_cast<LONG>(mouse->Data));
}
