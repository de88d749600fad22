#include "hook/KeyWatch.h"

#include "hook/HookKeys.h"

namespace {

// The place of code among the held keys, or Count.
std::size_t HeldIndex(const HeldKeys& held, std::uint32_t code) {
    std::size_t i = 0;
    while (i < held.Count && held.Codes[i] != code)
        ++i;
    return i;
}

void Forget(HeldKeys& held, std::size_t index) {
    --held.Count;
    held.Codes[index] = held.Codes[held.Count];
    held.Times[index] = held.Times[held.Count];
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
        // Unsigned difference: right across the wrap of the millisecond clock.
        const bool repeat = time - held.Times[index] < HeldKeyLapseMs;
        held.Times[index] = time;
        return repeat;
    }
    // More keys held at once than any keyboard reports: the oldest is forgotten, so that at
    // worst one of its repeats is reported.
    if (held.Count == MaxHeldKeys)
        Forget(held, 0);
    held.Codes[held.Count] = code;
    held.Times[held.Count] = time;
    ++held.Count;
    return false;
}

void NoteInstalled(HookWatch& watch, DWORD now) {
    watch.Balance = 0;
    watch.LastInstall = now;
    watch.EverInstalled = true;
}

void NoteHookCall(HookWatch& watch) {
    if (watch.Balance > -HookLeadLimit)
        --watch.Balance;
}

bool NoteWatchedKey(HookWatch& watch, DWORD now) {
    ++watch.Balance;
    return watch.EverInstalled && watch.Balance >= LostHookBalance &&
           now - watch.LastInstall >= ReinstallSpacingMs;
}
