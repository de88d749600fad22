#include "hook/KeyActing.h"

#include "hook/InjectMark.h"

namespace {

// The Ctrl that Windows sends before the right Alt key of a layout with AltGr carries this scan
// code; it is no key of the user's.
constexpr DWORD AltGrCtrlScanCode = 0x21D;

// A modifier that the system counts as up is dropped: one the hook saw no key-up of, and one
// that only a marked event released once it has not been pressed since for the repeat lapse.
// While injected events are on their way, the system's view lags behind and is not asked; a
// modifier released for a key acting as another is kept while that key is held.
void ForgetReleasedModifiers(KeyboardState& state, DWORD time, AsyncKeyStateFn keyState) {
    if (!keyState || !state.Modifiers || state.Replay.Count)
        return;
    const ModifierKeys kept = ReleasedForActing(state);
    for (int i = 0; i < 8; ++i) {
        const ModifierKeys bit = static_cast<ModifierKeys>(1u << i);
        if (!(state.Modifiers & bit) || (kept & bit))
            continue;
        const bool lapsed = static_cast<LONG>(time - state.ModifierTimes[i]) >=
                            static_cast<LONG>(RepeatLapse(state));
        if (((state.MarkedUp & bit) && !lapsed) || (keyState(ModifierVirtualKeys[i]) & 0x8000))
            continue;
        state.Modifiers = static_cast<ModifierKeys>(state.Modifiers & ~bit);
        state.MarkedUp = static_cast<ModifierKeys>(state.MarkedUp & ~bit);
    }
}

void NoteModifierTime(KeyboardState& state, ModifierKeys bit, DWORD time) {
    for (int i = 0; i < 8; ++i)
        if (bit & (1u << i))
            state.ModifierTimes[i] = time;
}

} // namespace

DWORD RepeatLapse(const KeyboardState& state) {
    return state.RepeatLapseMs ? state.RepeatLapseMs : HeldKeyLapseMs;
}

bool IsAsideEvent(const KeyEvent& event) {
    return event.ExtraInfo == KeyloftSendMark || event.VirtualKey == VK_PACKET ||
           (event.VirtualKey == 0 && (event.Flags & LLKHF_INJECTED)) ||
           event.ScanCode == AltGrCtrlScanCode;
}

bool FollowModifiers(KeyboardState& state, const KeyEvent& event, const KeyQuestions& questions,
                     std::uint32_t& code) {
    code = 0;
    const ModifierKeys own = ModifierBitOf(event.VirtualKey, event.ScanCode, event.Flags);
    const WPARAM message = event.Message;
    if (IsAsideEvent(event)) {
        // The system's view of a modifier changes, the keys physically down do not: so with the
        // marked events and the Ctrl before AltGr. The others are not the user's keys at all.
        if (!own || (event.ExtraInfo != KeyloftSendMark && event.ScanCode != AltGrCtrlScanCode))
            return false;
        if (IsKeyUpMessage(message)) {
            state.MarkedUp = static_cast<ModifierKeys>((state.MarkedUp | own) & state.Modifiers);
            NoteModifierTime(state, own, event.Time);
        } else {
            state.MarkedUp = static_cast<ModifierKeys>(state.MarkedUp & ~own);
        }
        return false;
    }
    if (IsKeyDownMessage(message))
        ForgetReleasedModifiers(state, event.Time, questions.KeyState);
    if (own) {
        NoteModifierEvent(state.Modifiers, message, event.VirtualKey, event.ScanCode, event.Flags);
        state.MarkedUp = static_cast<ModifierKeys>(state.MarkedUp & ~own);
        if (IsKeyDownMessage(message))
            NoteModifierTime(state, own, event.Time);
        return false;
    }
    code =
        PressCodeOf(event.ScanCode, event.Flags,
                    static_cast<ModifierKeys>(state.Modifiers | ActingModifiers(state, nullptr)));
    return true;
}
