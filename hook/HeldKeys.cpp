#include "hook/HeldKeys.h"

namespace {

// A key that may be forgotten when room is needed: one that passed on, or one swallowed that has
// not repeated for the lapse. A key acting or waiting holds something for the applications.
bool MayForget(const HeldKey& entry, DWORD time, DWORD lapse) {
    return entry.Mode == HeldMode::Passed ||
           (entry.Mode == HeldMode::Swallowed && !Repeats(entry, time, lapse));
}

// The held key to forget for a new one, or Count for none: the oldest that passed on, else the
// oldest of the others that may go.
std::size_t PlaceToFree(const HeldKeys& held, DWORD time, DWORD lapse) {
    std::size_t chosen = held.Count;
    for (std::size_t i = 0; i < held.Count; ++i) {
        const HeldKey& entry = held.Keys[i];
        if (!MayForget(entry, time, lapse))
            continue;
        const bool passed = entry.Mode == HeldMode::Passed;
        const bool chosenPassed = chosen < held.Count && held.Keys[chosen].Mode == HeldMode::Passed;
        if (chosen == held.Count || (passed && !chosenPassed) ||
            (passed == chosenPassed && time - entry.LastTime > time - held.Keys[chosen].LastTime))
            chosen = i;
    }
    return chosen;
}

} // namespace

std::size_t HeldIndex(const HeldKeys& held, std::uint32_t key) {
    for (std::size_t i = 0; i < held.Count; ++i)
        if (held.Keys[i].Key == key)
            return i;
    return NoHeldKey;
}

std::size_t Forget(HeldKeys& held, std::size_t index) {
    --held.Count;
    held.Keys[index] = held.Keys[held.Count];
    return held.Count;
}

// Unsigned difference: right across the wrap of the millisecond clock.
bool Repeats(const HeldKey& entry, DWORD time, DWORD lapse) {
    return time - entry.LastTime < lapse;
}

HeldKey* Hold(HeldKeys& held, std::uint32_t key, DWORD time, DWORD lapse) {
    if (held.Count == MaxHeldKeys) {
        const std::size_t index = PlaceToFree(held, time, lapse);
        if (index == held.Count)
            return nullptr;
        Forget(held, index);
    }
    HeldKey& entry = held.Keys[held.Count++];
    entry = HeldKey();
    entry.Key = key;
    entry.DownTime = entry.LastTime = time;
    return &entry;
}

DWORD HeldFor(const HeldKey& entry, DWORD now) {
    const DWORD held = now - entry.DownTime;
    return static_cast<LONG>(held) < 0 ? 0 : held;
}
