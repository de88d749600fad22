#include "hook/KeyWatch.h"

#include "hook/InjectMark.h"

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

// True when a key-down at time repeats the held key: no key-up between, and not so long after
// its latest key-down that its key-up must have gone missing. Unsigned difference: right across
// the wrap of the millisecond clock.
bool Repeats(const HeldKey& entry, DWORD time) {
    return time - entry.LastTime < HeldKeyLapseMs;
}

// The held key to forget for a new one when all places are taken, or Count for none. One that
// passed on costs nothing: its key-up passes on whether remembered or not. One that is swallowed
// is forgotten only once it has not repeated for the lapse, its key-up most likely missed; the
// oldest of a kind goes first.
std::size_t PlaceToFree(const HeldKeys& held, DWORD time) {
    std::size_t chosen = held.Count;
    for (std::size_t i = 0; i < held.Count; ++i) {
        const HeldKey& entry = held.Keys[i];
        if (entry.Swallowed && Repeats(entry, time))
            continue;
        if (chosen == held.Count || (held.Keys[chosen].Swallowed && !entry.Swallowed) ||
            (held.Keys[chosen].Swallowed == entry.Swallowed &&
             time - entry.LastTime > time - held.Keys[chosen].LastTime))
            chosen = i;
    }
    return chosen;
}

// Adds a held key; nullptr when every place holds a key that must be kept.
HeldKey* Hold(HeldKeys& held, std::uint32_t key, DWORD time) {
    if (held.Count == MaxHeldKeys) {
        const std::size_t index = PlaceToFree(held, time);
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

// How long the key has been down at now; 0 when its time stamp lies ahead of now.
DWORD HeldFor(const HeldKey& entry, DWORD now) {
    const DWORD held = now - entry.DownTime;
    return static_cast<LONG>(held) < 0 ? 0 : held;
}

bool Enqueue(ReplayQueue& queue, DWORD virtualKey, DWORD scanCode, DWORD flags) {
    if (queue.Count == MaxReplayEvents)
        return false;
    ReplayEvent& event = queue.Events[queue.Count++];
    event.VirtualKey = virtualKey;
    event.ScanCode = scanCode;
    event.Flags = flags & (LLKHF_EXTENDED | LLKHF_UP);
    return true;
}

// Queues a key's press, down and up, or nothing when both do not fit: never half a press.
bool EnqueuePress(ReplayQueue& queue, DWORD virtualKey, DWORD scanCode, DWORD flags) {
    return queue.Count + 2 <= MaxReplayEvents && Enqueue(queue, virtualKey, scanCode, flags) &&
           Enqueue(queue, virtualKey, scanCode, flags | LLKHF_UP);
}

void DropFront(ReplayQueue& queue, std::size_t count) {
    for (std::size_t i = count; i < queue.Count; ++i)
        queue.Events[i - count] = queue.Events[i];
    queue.Count -= count;
    queue.Sent -= count;
}

// A marked event that is the next one the library sent has come back: it no longer holds up the
// user's keys. Others (KeyloftSend's) leave the queue alone.
void NoteReplayed(ReplayQueue& queue, DWORD virtualKey, DWORD scanCode, DWORD flags) {
    if (queue.Sent == 0)
        return;
    const ReplayEvent& next = queue.Events[0];
    if ((next.Flags & LLKHF_UP) == (flags & LLKHF_UP) &&
        (next.VirtualKey == virtualKey || (scanCode && next.ScanCode == scanCode)))
        DropFront(queue, 1);
}

void QueueReport(ReportQueue& queue, std::uint32_t code, DWORD virtualKey) {
    if (queue.Count < MaxReports)
        queue.Reports[queue.Count++] = {code, virtualKey};
}

// A modifier that the system counts as up although the hook saw no key-up of it is dropped;
// while injected events are on their way, the system's view lags behind and is not asked.
void ForgetReleasedModifiers(KeyboardState& state, AsyncKeyStateFn asyncKeyState) {
    const ModifierKeys asked = static_cast<ModifierKeys>(state.Modifiers & ~state.MarkedUp);
    if (!asyncKeyState || !asked || state.Replay.Count)
        return;
    for (int i = 0; i < 8; ++i)
        if ((asked & (1u << i)) && !(asyncKeyState(ModifierVirtualKeys[i]) & 0x8000))
            state.Modifiers = static_cast<ModifierKeys>(state.Modifiers & ~(1u << i));
}

// The decision of a key event of the user's own, not a modifier key, with its code.
KeyVerdict DecideHeldKey(KeyboardState& state, const KeyEvent& event, std::uint32_t code,
                         const BoundKeys& bound, const KeyQuestions& questions) {
    HeldKeys& held = state.Held;
    const std::uint32_t key = code & KeyCodeBits;
    const std::size_t index = HeldIndex(held, key);
    const bool down = IsKeyDownMessage(event.Message);
    const DWORD time = event.Time;
    KeyVerdict verdict;
    verdict.Code = code;
    if (index < held.Count) {
        HeldKey& entry = held.Keys[index];
        verdict.Code = entry.Code;
        verdict.Swallow = entry.Swallowed;
        if (!down) {
            if (entry.HeldBack) { // a tap
                verdict.HoldChange = true;
                // An extra key is reported at every press, also when it gives its press back.
                verdict.Report = !entry.ReplaysTap || IsExtraKey(entry.VirtualKey);
                verdict.Replay = entry.ReplaysTap && EnqueuePress(state.Replay, entry.VirtualKey,
                                                                  entry.ScanCode, entry.Flags);
            }
            Forget(held, index);
            return verdict;
        }
        if (Repeats(entry, time)) {
            entry.LastTime = time;
            return verdict;
        }
        Forget(held, index); // its key-up went missing: a new press
        verdict = KeyVerdict();
        verdict.Code = code;
    }
    if (!down)
        return verdict; // never seen going down: passed on as it came
    verdict = DecideKeyEvent(event, code, bound);
    // Down in the system already: its key-down came before the hook or while it was away.
    const bool alreadyDown = verdict.Swallow && questions.KeyState && !state.Replay.Count &&
                             (questions.KeyState(static_cast<int>(event.VirtualKey)) & 0x8000);
    if ((verdict.Report || verdict.Swallow) &&
        (alreadyDown || (questions.StandsAside && questions.StandsAside(verdict.Swallow)))) {
        verdict = KeyVerdict();
        verdict.Code = code;
    }
    HeldKey* entry = Hold(held, key, time);
    if (!entry) { // more bound keys held than places: this one passes on, untouched
        verdict.Swallow = verdict.HoldChange = verdict.Mask = false;
        return verdict;
    }
    entry->Code = verdict.Code;
    entry->VirtualKey = event.VirtualKey;
    entry->ScanCode = event.ScanCode;
    entry->Flags = event.Flags;
    entry->Swallowed = verdict.Swallow;
    entry->HeldBack = verdict.HoldChange;
    entry->ReplaysTap = verdict.HoldChange && !IsBound(bound, verdict.Code);
    verdict.Replay = verdict.Mask && EnqueuePress(state.Replay, MaskingVirtualKey, 0, 0);
    return verdict;
}

} // namespace

bool IsAsideEvent(const KeyEvent& event) {
    return event.ExtraInfo == KeyloftSendMark ||
           (event.VirtualKey == 0 && (event.Flags & LLKHF_INJECTED));
}

bool FollowModifiers(KeyboardState& state, const KeyEvent& event, const KeyQuestions& questions,
                     std::uint32_t& code) {
    code = 0;
    ModifierKeys own = 0; // the bit of the event's key when it is a modifier
    const bool modifier =
        NoteModifierEvent(own, WM_KEYDOWN, event.VirtualKey, event.ScanCode, event.Flags);
    const WPARAM message = event.Message;
    if (IsAsideEvent(event)) {
        // The system's view of a modifier changes, the keys physically down do not.
        if (modifier && IsKeyUpMessage(message))
            state.MarkedUp = static_cast<ModifierKeys>((state.MarkedUp | own) & state.Modifiers);
        else if (modifier)
            state.MarkedUp = static_cast<ModifierKeys>(state.MarkedUp & ~own);
        return false;
    }
    if (IsKeyDownMessage(message))
        ForgetReleasedModifiers(state, questions.KeyState);
    if (modifier) {
        NoteModifierEvent(state.Modifiers, message, event.VirtualKey, event.ScanCode, event.Flags);
        state.MarkedUp = static_cast<ModifierKeys>(state.MarkedUp & ~own);
        return false;
    }
    code = PressCodeOf(event.ScanCode, event.Flags, state.Modifiers);
    return true;
}

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
    Hold(held, code, time); // none swallowed here: the oldest place is freed when all are taken
    return false;
}

StreamStep FollowKeyEvent(KeyboardState& state, const KeyEvent& event, const BoundKeys& bound,
                          const KeyQuestions& questions) {
    ReplayQueue& queue = state.Replay;
    if (IsAsideEvent(event)) {
        std::uint32_t unused = 0;
        FollowModifiers(state, event, questions, unused);
        if (event.ExtraInfo == KeyloftSendMark)
            NoteReplayed(queue, event.VirtualKey, event.ScanCode, event.Flags);
        return StreamStep();
    }
    if (queue.Sent &&
        static_cast<LONG>(event.Time - queue.SentTime) >= static_cast<LONG>(ReplayLapseMs))
        DropFront(queue, queue.Sent);
    const bool repeat =
        queue.Count && IsKeyDownMessage(event.Message) &&
        HeldIndex(state.Held, KeyCodeOf(event.ScanCode, event.Flags)) < state.Held.Count;
    std::uint32_t code = 0;
    KeyVerdict verdict;
    if (FollowModifiers(state, event, questions, code))
        verdict = DecideHeldKey(state, event, code, bound, questions);
    // A key that passes on while injected events are on their way follows them. Should the queue
    // be full (injected events that do not come back hold it for a second), an auto-repeat is
    // left out, and a press or release passes on now, out of turn rather than lost.
    if (!verdict.Swallow && queue.Count) {
        if (Enqueue(queue, event.VirtualKey, event.ScanCode, event.Flags))
            verdict.Swallow = verdict.Replay = true;
        else
            verdict.Swallow = repeat;
    }
    if (verdict.Report)
        QueueReport(state.Reports, verdict.Code, event.VirtualKey);
    StreamStep step;
    step.Swallow = verdict.Swallow;
    step.Inject = verdict.Replay;
    step.Report = verdict.Report;
    step.TimerChange = verdict.HoldChange;
    return step;
}

bool TakeReport(KeyboardState& state, KeyReport& report) {
    ReportQueue& queue = state.Reports;
    if (queue.Count == 0)
        return false;
    report = queue.Reports[0];
    for (std::size_t i = 1; i < queue.Count; ++i)
        queue.Reports[i - 1] = queue.Reports[i];
    --queue.Count;
    return true;
}

std::size_t NextReplay(KeyboardState& state, DWORD now, ReplayEvent (&events)[MaxReplayEvents]) {
    ReplayQueue& queue = state.Replay;
    const std::size_t count = queue.Count - queue.Sent;
    for (std::size_t i = 0; i < count; ++i)
        events[i] = queue.Events[queue.Sent + i];
    queue.Sent = queue.Count;
    if (count)
        queue.SentTime = now;
    return count;
}

StreamStep FollowTime(KeyboardState& state, DWORD now, const BoundKeys& bound) {
    StreamStep step;
    const DWORD holdDelay = HoldDelayOfTable(bound);
    for (std::size_t i = 0; i < state.Held.Count; ++i) {
        HeldKey& entry = state.Held.Keys[i];
        if (entry.HeldBack && HeldFor(entry, now) >= holdDelay) {
            entry.HeldBack = false;
            QueueReport(state.Reports, entry.Code | LongPressBit, entry.VirtualKey);
            step.Report = step.TimerChange = true;
        }
    }
    return step;
}

DWORD TimeToWait(const KeyboardState& state, DWORD now, const BoundKeys& bound) {
    const DWORD holdDelay = HoldDelayOfTable(bound);
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
    // A modifier that only a marked event released is still down, though the system says not.
    state.Modifiers = static_cast<ModifierKeys>(downNow | (state.Modifiers & state.MarkedUp));
    state.MarkedUp = static_cast<ModifierKeys>(state.MarkedUp & state.Modifiers);
}
