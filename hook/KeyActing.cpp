#include "hook/KeyActing.h"

namespace {

// True when another key acting as others holds key down for the applications.
bool HeldByOtherActing(const KeyboardState& state, const HeldKey& self, const SentKey& key) {
    for (std::size_t i = 0; i < state.Held.Count; ++i) {
        const HeldKey& entry = state.Held.Keys[i];
        if (entry.Mode != HeldMode::Acting || &entry == &self)
            continue;
        for (unsigned k = 0; k < entry.Acts.Count; ++k)
            if (entry.Acts.Keys[k].VirtualKey == key.VirtualKey)
                return true;
    }
    return false;
}

} // namespace

// The bit of a key in ModifierKeys, or 0 for a key that is no modifier.
ModifierKeys ModifierBitOf(DWORD virtualKey, DWORD scanCode, DWORD flags) {
    ModifierKeys bit = 0;
    NoteModifierEvent(bit, WM_KEYDOWN, virtualKey, scanCode, flags);
    return bit;
}

ModifierKeys ModifierBitOf(const SentKey& key) {
    return ModifierBitOf(key.VirtualKey, key.ScanCode, key.Extended ? LLKHF_EXTENDED : 0);
}

// The modifiers that keys acting as others hold down for the applications; except gives a key
// whose own are left out.
ModifierKeys ActingModifiers(const KeyboardState& state, const HeldKey* except) {
    ModifierKeys bits = 0;
    for (std::size_t i = 0; i < state.Held.Count; ++i) {
        const HeldKey& entry = state.Held.Keys[i];
        if (entry.Mode == HeldMode::Acting && &entry != except)
            for (unsigned k = 0; k < entry.Acts.Count; ++k)
                bits = static_cast<ModifierKeys>(bits | ModifierBitOf(entry.Acts.Keys[k]));
    }
    return bits;
}

// The modifiers that keys acting as others released for the applications.
ModifierKeys ReleasedForActing(const KeyboardState& state) {
    ModifierKeys bits = 0;
    for (std::size_t i = 0; i < state.Held.Count; ++i)
        bits = static_cast<ModifierKeys>(bits | state.Held.Keys[i].Released);
    return bits;
}

// The keys of a stroke as the library sends them.
ActingKeys ActsOf(const Stroke& stroke) {
    ActingKeys acts = {};
    auto add = [&acts](const StrokeKey& key) {
        acts.Keys[acts.Count++] = {static_cast<unsigned char>(key.VirtualKey),
                                   static_cast<unsigned char>(key.ScanCode), key.Extended, false};
    };
    for (int i = 0; i < stroke.ModifierCount && acts.Count + 1u < MaxActingKeys; ++i)
        add(stroke.Modifiers[i]);
    add(stroke.Key);
    acts.ReleasesChord = true;
    return acts;
}

// A key's own press, given back.
ActingKeys OwnPressOf(const KeyEvent& event) {
    ActingKeys acts = {};
    acts.Keys[0] = {static_cast<unsigned char>(event.VirtualKey),
                    static_cast<unsigned char>(event.ScanCode), (event.Flags & LLKHF_EXTENDED) != 0,
                    (event.Flags & MouseEventFlag) != 0};
    acts.Count = 1;
    return acts;
}

// The key starts acting: the modifiers the applications see held are released first when it is
// a stroke of a binding (and pressed again after its up), then its keys go down.
void BeginActing(KeyboardState& state, HeldKey& entry, const ActingKeys& acts, StreamStep& step) {
    ModifierKeys released = 0;
    if (acts.ReleasesChord)
        released = static_cast<ModifierKeys>(state.Modifiers & ~state.MarkedUp &
                                             ~ReleasedForActing(state));
    EnqueueModifiers(state.Replay, released, true);
    for (unsigned k = 0; k < acts.Count; ++k)
        EnqueueSentKey(state.Replay, acts.Keys[k], false);
    entry.Mode = HeldMode::Acting;
    entry.Acts = acts;
    entry.Released = released;
    step.Inject = true;
}

// The key stops acting: its keys go up in reverse order, but for one that the user or another
// acting key still holds down; then the modifiers released for it that are still held go down
// again.
void EndActing(KeyboardState& state, HeldKey& entry, StreamStep& step) {
    const ModifierKeys userHolds = static_cast<ModifierKeys>(state.Modifiers & ~state.MarkedUp);
    for (unsigned k = entry.Acts.Count; k > 0; --k) {
        const SentKey& key = entry.Acts.Keys[k - 1];
        if (!(ModifierBitOf(key) & userHolds) && !HeldByOtherActing(state, entry, key))
            EnqueueSentKey(state.Replay, key, true);
    }
    const ModifierKeys again = static_cast<ModifierKeys>(entry.Released & state.Modifiers);
    EnqueueModifiers(state.Replay, again, false);
    // Alt or Win down again, as at a key swallowed under them: their release opens no menu.
    if (again & AltOrWinKeys)
        EnqueueMask(state.Replay);
    entry.Released = 0;
    entry.Acts.Count = 0;
    entry.Mode = HeldMode::Swallowed;
    step.Inject = true;
}
