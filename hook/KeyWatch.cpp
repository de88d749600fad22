#include "hook/KeyWatch.h"

namespace {

// The place of key among the held keys, or Count.
std::size_t HeldIndex(const HeldKeys& held, std::uint32_t key) {
    std::size_t i = 0;
    while (i < held.Count && held.Keys[i].Key != key)
        ++i;
    return i;
}

void Forget(HeldKeys& held, std::size_t index) {
    --held.Count;
    held.Keys[index] = held.Keys[held.Count];
}

// Adds a held key; more keys held at once than any keyboard reports: the oldest is forgotten, so
// that at worst one of its repeats counts as a press.
HeldKey& Hold(HeldKeys& held, std::uint32_t key, DWORD time) {
    if (held.Count == MaxHeldKeys)
        Forget(held, 0);
    HeldKey& entry = held.Keys[held.Count++];
    entry = HeldKey();
    entry.Key = key;
    entry.DownTime = entry.LastTime = time;
    return entry;
}

// True when a key-down at time repeats the held key: no key-up between, and not so long after
// its latest key-down that its key-up must have gone missing. Unsigned difference: right across
// the wrap of the millisecond clock.
bool Repeats(const HeldKey& entry, DWORD time) {
    return time - entry.LastTime < HeldKeyLapseMs;
}

// How long the key has been down at now; 0 when its time stamp lies ahead of now.
DWORD HeldFor(const HeldKey& entry, DWORD now) {
    const DWORD held = now - entry.DownTime;
    return static_cast<LONG>(held) < 0 ? 0 : held;
}

} // namespace

bool IsHeldRepeat(HeldKeys& held, WPARAM message, std::uint32_t code, DWORD time) {
    const std::size_t index = HeldIndex(held, code);
    if (IsKeyUpMessage(message)) {
        if (index < held.Count)
            Forget(held, index);
        return false;
    }
    if (!IsKeyDownMessage(message))
        return false;
    if (index < held.Count) {
        const bool repeat = Repeats(held.Keys[index], time);
        held.Keys[index].LastTime = time;
        return repeat;
    }
    Hold(held, code, time);
    return false;
}

KeyVerdict FollowKeyEvent(KeyboardState& state, WPARAM message, DWORD virtualKey, DWORD scanCode,
                          DWORD flags, DWORD time, const BoundKeys& bound) {
    if (NoteModifierEvent(state.Modifiers, message, virtualKey, scanCode, flags))
        return KeyVerdict();
    HeldKeys& held = state.Held;
    const std::uint32_t key = KeyCodeOf(scanCode, flags);
    const std::size_t index = HeldIndex(held, key);
    if (index < held.Count && (IsKeyUpMessage(message) || IsKeyDownMessage(message))) {
        HeldKey& entry = held.Keys[index];
        KeyVerdict verdict;
        verdict.Code = entry.Code;
        verdict.Swallow = entry.Swallowed;
        if (IsKeyUpMessage(message)) {
            verdict.Report = verdict.HoldChange = entry.HeldBack; // a tap
            Forget(held, index);
            return verdict;
        }
        if (Repeats(entry, time)) {
            entry.LastTime = time;
            return verdict;
        }
        Forget(held, index); // its key-up went missing: a new press
    }
    const KeyVerdict verdict = DecideKeyEvent(message, virtualKey, scanCode, flags,
                                              ModifierCodeBits(state.Modifiers), bound);
    if (IsKeyDownMessage(message) && (verdict.Report || verdict.Swallow)) {
        HeldKey& entry = Hold(held, key, time);
        entry.Code = verdict.Code;
        entry.VirtualKey = virtualKey;
        entry.Swallowed = verdict.Swallow;
        entry.HeldBack = verdict.HoldChange;
    }
    return verdict;
}

bool TakeLongPress(KeyboardState& state, DWORD now, DWORD holdDelay, std::uint32_t& code,
                   DWORD& virtualKey) {
    for (std::size_t i = 0; i < state.Held.Count; ++i) {
        HeldKey& entry = state.Held.Keys[i];
        if (entry.HeldBack && HeldFor(entry, now) >= holdDelay) {
            entry.HeldBack = false;
            code = entry.Code | LongPressBit;
            virtualKey = entry.VirtualKey;
            return true;
        }
    }
    return false;
}

DWORD LongPressWait(const KeyboardState& state, DWORD now, DWORD holdDelay) {
    DWORD wait = INFINITE;
    for (std::size_t i = 0; i < state.Held.Count; ++i) {
        const HeldKey& entry = state.Held.Keys[i];
        if (!entry.HeldBack)
            continue;
        const DWORD held = HeldFor(entry, now);
        const DWORD left = held >= holdDelay ? 0 : holdDelay - held;
        if (left < wait)
            wait = left;
    }
    return wait;
}

void ResumeAfterReinstall(KeyboardState& state, ModifierKeys downNow) {
    state.Modifiers = downNow;
}

WatchStep DecideWatchCheck(const WatchFacts& facts) {
    WatchStep step;
    const DWORD goOn = facts.KeysSeen ? WatchPeriodMs : INFINITE;
    if (facts.ProbeSent) {
        // Put back, the hook arms the watch again at its next key.
        step.Reinstall = !facts.ProbeSeen;
        step.NextCheckMs = step.Reinstall ? INFINITE : goOn;
        return step;
    }
    // Unsigned difference: right across the wrap of the millisecond clock.
    if (facts.LateCall || static_cast<LONG>(facts.LastInput - facts.LastKeyTime) > 0) {
        step.Probe = true;
        step.NextCheckMs = ProbeWaitMs;
        return step;
    }
    step.NextCheckMs = goOn;
    return step;
}
