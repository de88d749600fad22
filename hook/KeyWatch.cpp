#include "hook/KeyWatch.h"

#include "hook/InjectMark.h"
#include "hook/KeyActing.h"

namespace {

// The margin beyond the system's repeat delay before a held key's key-up counts as missed.
constexpr DWORD RepeatMarginMs = 500;

std::uint32_t KeyOfEvent(const KeyEvent& event) {
    return KeyCodeOf(event.ScanCode, event.Flags);
}

// The place of the key that waits, or NoHeldKey; the state keeps one more than the place, so
// that a state of none is all zeros.
std::size_t WaitingIndex(const KeyboardState& state) {
    return state.WaitingAt ? state.WaitingAt - 1 : NoHeldKey;
}

void SetWaiting(KeyboardState& state, std::size_t index) {
    state.WaitingAt = index == NoHeldKey ? 0 : index + 1;
}

// Forgets a held key, keeping the place of the waiting key right.
void ForgetHeld(KeyboardState& state, std::size_t index) {
    const std::size_t moved = Forget(state.Held, index);
    if (WaitingIndex(state) == index)
        SetWaiting(state, NoHeldKey);
    else if (WaitingIndex(state) == moved)
        SetWaiting(state, index);
}

// The waiting key is decided: held, or tapped (released: at its key-up; or still down, when the
// events held back for it fill the queue).
void DecideWaiting(KeyboardState& state, bool hold, bool released, StreamStep& step) {
    const std::size_t index = WaitingIndex(state);
    SetWaiting(state, NoHeldKey);
    step.TimerChange = true;
    HeldKey& entry = state.Held.Keys[index];
    const PressOutcome outcome = hold ? entry.Hold : entry.Tap;
    if (outcome.Reports) {
        QueueReport(state.Reports, outcome.Code, entry.VirtualKey);
        step.Report = true;
    }
    entry.Mode = HeldMode::Swallowed;
    if (outcome.Acts.Count)
        BeginActing(state, entry, outcome.Acts, step);
    if (!released)
        return;
    if (entry.Mode == HeldMode::Acting)
        EndActing(state, entry, step);
    ForgetHeld(state, index);
}

// What a tap and a hold of a key whose long press is bound do.
void DecideOutcomes(HeldKey& entry, const KeyEvent& event, const BoundKeys& bound) {
    const std::uint32_t code = entry.Code;
    const Stroke* tapStroke = ActingStrokeOf(bound, code);
    const Stroke* holdStroke = ActingStrokeOf(bound, code | LongPressBit);
    entry.Tap = {};
    if (tapStroke) {
        entry.Tap.Acts = ActsOf(*tapStroke);
    } else if (IsBound(bound, code)) {
        entry.Tap.Reports = true;
    } else {
        // Its own press given back; an extra key is reported at every press, this one too.
        entry.Tap.Acts = OwnPressOf(event);
        entry.Tap.Reports = IsExtraKey(event.VirtualKey);
    }
    entry.Tap.Code = code;
    entry.Hold = {};
    if (holdStroke)
        entry.Hold.Acts = ActsOf(*holdStroke);
    else
        entry.Hold.Reports = true;
    entry.Hold.Code = code | LongPressBit;
    entry.HoldsByKeys = holdStroke != nullptr;
}

// The decision of a key event of the user's own, not a modifier key, with its code: true when it
// is swallowed.
bool DecideKey(KeyboardState& state, const KeyEvent& event, std::uint32_t code,
               const BoundKeys& bound, const KeyQuestions& questions, StreamStep& step) {
    HeldKeys& held = state.Held;
    const std::uint32_t key = code & KeyCodeBits;
    const bool down = IsKeyDownMessage(event.Message);
    const DWORD lapse = RepeatLapse(state);
    if (const std::size_t index = HeldIndex(held, key); index != NoHeldKey) {
        HeldKey& entry = held.Keys[index];
        const bool swallowed = entry.Mode != HeldMode::Passed;
        if (!down) {
            if (entry.Mode == HeldMode::Acting)
                EndActing(state, entry, step);
            ForgetHeld(state, index);
            return swallowed;
        }
        if (Repeats(entry, event.Time, lapse)) {
            entry.LastTime = event.Time;
            if (entry.Mode == HeldMode::Acting) { // the stroke's key repeats
                EnqueueSentKey(state.Replay, entry.Acts.Keys[entry.Acts.Count - 1], false);
                step.Inject = true;
            }
            return swallowed;
        }
        // Its key-up went missing: a new press.
        if (entry.Mode == HeldMode::Acting)
            EndActing(state, entry, step);
        ForgetHeld(state, index);
    }
    if (!down)
        return false; // never seen going down: passed on as it came
    KeyVerdict verdict = DecideKeyEvent(event, code, bound);
    const Stroke* acts = verdict.HoldChange ? nullptr : ActingStrokeOf(bound, verdict.Code);
    // Down in the system already: its key-down came before the hook or while it was away. Only
    // a key with a virtual key of its own can be: the wheel has none, and the system counts
    // virtual key 0 down for good once a key event without one (a binding's) has gone down.
    const bool alreadyDown = verdict.Swallow && questions.KeyState && !state.Replay.Count &&
                             event.VirtualKey != 0 &&
                             (questions.KeyState(static_cast<int>(event.VirtualKey)) & 0x8000);
    if ((verdict.Report || verdict.Swallow) &&
        (alreadyDown || (questions.StandsAside && questions.StandsAside(verdict.Swallow)))) {
        verdict = KeyVerdict();
        verdict.Code = code;
        acts = nullptr;
    }
    const std::uint32_t waiting =
        WaitingIndex(state) != NoHeldKey ? held.Keys[WaitingIndex(state)].Key : 0;
    HeldKey* entry = Hold(held, key, event.Time, lapse);
    if (WaitingIndex(state) != NoHeldKey) // its place may have moved
        SetWaiting(state, HeldIndex(held, waiting));
    if (!entry) { // more bound keys held than places: this one passes on, untouched
        if (verdict.Report && !acts) {
            QueueReport(state.Reports, verdict.Code, event.VirtualKey);
            step.Report = true;
        }
        return false;
    }
    entry->Code = verdict.Code;
    entry->VirtualKey = event.VirtualKey;
    entry->ScanCode = event.ScanCode;
    entry->Flags = event.Flags;
    if (verdict.HoldChange) {
        entry->Mode = HeldMode::Waiting;
        DecideOutcomes(*entry, event, bound);
        SetWaiting(state, static_cast<std::size_t>(entry - held.Keys));
        step.TimerChange = true;
    } else if (acts) {
        BeginActing(state, *entry, ActsOf(*acts), step);
        return true;
    } else {
        entry->Mode = verdict.Swallow ? HeldMode::Swallowed : HeldMode::Passed;
        if (verdict.Report) {
            QueueReport(state.Reports, verdict.Code, event.VirtualKey);
            step.Report = true;
        }
    }
    if (verdict.Mask && EnqueueMask(state.Replay))
        step.Inject = true;
    return entry->Mode != HeldMode::Passed;
}

// Decides one event of the user's and lets it pass or not. A live event is the one the hook is
// called for; any other (held back before) was swallowed then, so it passes by injection.
void Decide(KeyboardState& state, const KeyEvent& event, const BoundKeys& bound,
            const KeyQuestions& questions, bool live, StreamStep& step) {
    const bool repeat =
        IsKeyDownMessage(event.Message) && HeldIndex(state.Held, KeyOfEvent(event)) != NoHeldKey;
    const ModifierKeys own = ModifierBitOf(event.VirtualKey, event.ScanCode, event.Flags);
    std::uint32_t code = 0;
    bool swallow = false;
    if (FollowModifiers(state, event, questions, code))
        swallow = DecideKey(state, event, code, bound, questions, step);
    else if (IsKeyUpMessage(event.Message))
        // A modifier key's release while a key acting as it still holds it down, or after a key
        // acting as a stroke released it for the applications: they have seen it go up.
        swallow = ((ActingModifiers(state, nullptr) | ReleasedForActing(state)) & own) != 0;
    else // pressed again: the applications see it down from here on, and its release passes
        for (std::size_t i = 0; i < state.Held.Count; ++i)
            state.Held.Keys[i].Released =
                static_cast<ModifierKeys>(state.Held.Keys[i].Released & ~own);
    if (swallow) {
        step.Swallow = step.Swallow || live;
        return;
    }
    if (!live) {
        Enqueue(state.Replay, event.VirtualKey, event.ScanCode, event.Flags);
        step.Inject = true;
        return;
    }
    // A key that passes on while injected events are on their way follows them. Should the queue
    // be full (injected events that do not come back hold it for a second), an auto-repeat is
    // left out, and a press or release passes on now, out of turn rather than lost.
    if (!state.Replay.Count)
        return;
    if (Enqueue(state.Replay, event.VirtualKey, event.ScanCode, event.Flags))
        step.Swallow = step.Inject = true;
    else
        step.Swallow = repeat;
}

// True when the event is the waiting key's own.
bool OfWaitingKey(const KeyboardState& state, const KeyEvent& event) {
    return WaitingIndex(state) != NoHeldKey &&
           state.Held.Keys[WaitingIndex(state)].Key == KeyOfEvent(event);
}

// An event of the waiting key: its repeats are swallowed while it waits; its release taps it.
void FollowWaitingKey(KeyboardState& state, const KeyEvent& event, StreamStep& step) {
    if (IsKeyDownMessage(event.Message)) {
        state.Held.Keys[WaitingIndex(state)].LastTime = event.Time;
        return;
    }
    DecideWaiting(state, false, true, step);
}

// Keeps an event back behind the waiting key (or behind others kept back before it). Its release
// of a key pressed meanwhile decides a waiting key that holds as another key as held.
bool KeepBack(KeyboardState& state, const KeyEvent& event, StreamStep& step) {
    PendingEvents& pending = state.Pending;
    pending.Events[pending.Count++] = event;
    if (WaitingIndex(state) == NoHeldKey || !state.Held.Keys[WaitingIndex(state)].HoldsByKeys ||
        !IsKeyUpMessage(event.Message))
        return false;
    for (std::size_t i = 0; i + 1 < pending.Count; ++i)
        if (IsKeyDownMessage(pending.Events[i].Message) &&
            KeyOfEvent(pending.Events[i]) == KeyOfEvent(event)) {
            DecideWaiting(state, true, false, step);
            return true;
        }
    return false;
}

// Decides the events held back, in order, for as long as no key waits and the queue has room;
// the waiting key's own events are taken as they come, and each decision of a waiting key starts
// again from the first event still held back.
void DecideHeldBack(KeyboardState& state, const BoundKeys& bound, const KeyQuestions& questions,
                    StreamStep& step) {
    PendingEvents& pending = state.Pending;
    for (bool again = true; again;) {
        again = false;
        const std::size_t count = pending.Count;
        KeyEvent events[MaxPendingEvents];
        for (std::size_t i = 0; i < count; ++i)
            events[i] = pending.Events[i];
        pending.Count = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const KeyEvent& event = events[i];
            if (again) {
                pending.Events[pending.Count++] = event; // after a decision: the next round
            } else if (OfWaitingKey(state, event)) {
                FollowWaitingKey(state, event, step);
                again = WaitingIndex(state) == NoHeldKey;
            } else if (WaitingIndex(state) != NoHeldKey || pending.Count ||
                       !HasRoomForOneEvent(state.Replay)) {
                again = KeepBack(state, event, step);
            } else {
                Decide(state, event, bound, questions, false, step);
            }
        }
        step.TimerChange = true;
    }
}

} // namespace

StreamStep FollowKeyEvent(KeyboardState& state, const KeyEvent& event, const BoundKeys& bound,
                          const KeyQuestions& questions) {
    StreamStep step;
    if (IsAsideEvent(event)) {
        std::uint32_t unused = 0;
        FollowModifiers(state, event, questions, unused);
        if (event.ExtraInfo == KeyloftSendMark) {
            NoteReplayed(state.Replay, event);
            if (state.Pending.Count)
                DecideHeldBack(state, bound, questions, step);
        }
        return step;
    }
    KeyEvent own = event;
    if (!own.ScanCode) {
        // No scan code: the key table's key of its virtual key, or none at all.
        const std::uint32_t key = KeyCodeOfVirtualKey(own.VirtualKey);
        if (!key)
            return step;
        own.ScanCode = key & 0xFF;
        own.Flags = (own.Flags & ~LLKHF_EXTENDED) | ((key & ExtendedKeyBase) ? LLKHF_EXTENDED : 0);
    }
    DropLapsed(state.Replay, own.Time);
    if (OfWaitingKey(state, own)) {
        FollowWaitingKey(state, own, step);
        step.Swallow = step.TimerChange = true;
        if (WaitingIndex(state) == NoHeldKey)
            DecideHeldBack(state, bound, questions, step);
        return step;
    }
    if (WaitingIndex(state) == NoHeldKey && !state.Pending.Count) {
        Decide(state, own, bound, questions, true, step);
        return step;
    }
    // Held back. A wait that would hold more than the queue holds ends: the waiting key is
    // decided as tapped (while still down); and should the queue still be full, this event is
    // decided now, out of turn rather than lost.
    if (state.Pending.Count == MaxPendingEvents) {
        if (WaitingIndex(state) != NoHeldKey)
            DecideWaiting(state, false, false, step);
        DecideHeldBack(state, bound, questions, step);
        if (state.Pending.Count == MaxPendingEvents) {
            Decide(state, own, bound, questions, true, step);
            return step;
        }
    }
    step.Swallow = step.TimerChange = true;
    KeepBack(state, own, step);
    if (WaitingIndex(state) == NoHeldKey)
        DecideHeldBack(state, bound, questions, step);
    return step;
}

StreamStep FollowTime(KeyboardState& state, DWORD now, const BoundKeys& bound,
                      const KeyQuestions& questions) {
    StreamStep step;
    DropLapsed(state.Replay, now);
    const DWORD holdDelay = HoldDelayOfTable(bound);
    // Each round decides one waiting key; the held-back events may bring another that is due.
    for (std::size_t round = 0; round <= MaxPendingEvents; ++round) {
        const bool due = WaitingIndex(state) != NoHeldKey &&
                         HeldFor(state.Held.Keys[WaitingIndex(state)], now) >= holdDelay;
        if (due)
            DecideWaiting(state, true, false, step);
        if (state.Pending.Count && WaitingIndex(state) == NoHeldKey)
            DecideHeldBack(state, bound, questions, step);
        if (!due)
            break;
    }
    return step;
}

DWORD TimeToWait(const KeyboardState& state, DWORD now, const BoundKeys& bound) {
    DWORD wait = INFINITE;
    if (WaitingIndex(state) != NoHeldKey) {
        const DWORD holdDelay = HoldDelayOfTable(bound);
        const DWORD held = HeldFor(state.Held.Keys[WaitingIndex(state)], now);
        wait = held >= holdDelay ? 0 : holdDelay - held;
    }
    // Events held back for want of room wait for injected ones that may never come back.
    if (state.Pending.Count && state.Replay.Sent) {
        const LONG left = static_cast<LONG>(state.Replay.SentTime + ReplayLapseMs - now);
        const DWORD lapse = left > 0 ? static_cast<DWORD>(left) : 0;
        wait = lapse < wait ? lapse : wait;
    }
    return wait;
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

void ResumeAfterReinstall(KeyboardState& state, ModifierKeys downNow) {
    // A modifier that only a marked event released is still down, though the system says not.
    state.Modifiers = static_cast<ModifierKeys>(downNow | (state.Modifiers & state.MarkedUp));
    state.MarkedUp = static_cast<ModifierKeys>(state.MarkedUp & state.Modifiers);
}

void FinishAtStop(KeyboardState& state, const BoundKeys& bound) {
    StreamStep step;
    // Each round ends the wait of one key; the events held back behind it are decided as they
    // would have been, until one of them waits in turn.
    for (std::size_t round = 0; round <= MaxPendingEvents; ++round) {
        if (WaitingIndex(state) != NoHeldKey) {
            HeldKey& entry = state.Held.Keys[WaitingIndex(state)];
            if (entry.Tap.Acts.Count && !entry.Tap.Acts.ReleasesChord)
                EnqueueSentKey(state.Replay, entry.Tap.Acts.Keys[0], false);
            entry.Mode = HeldMode::Passed;
            SetWaiting(state, NoHeldKey);
        }
        if (!state.Pending.Count)
            break;
        DecideHeldBack(state, bound, {nullptr, nullptr}, step);
    }
    // Held back for want of room only: they go as they came.
    for (std::size_t i = 0; i < state.Pending.Count; ++i) {
        const KeyEvent& event = state.Pending.Events[i];
        Enqueue(state.Replay, event.VirtualKey, event.ScanCode, event.Flags);
    }
    state.Pending.Count = 0;
    for (std::size_t i = 0; i < state.Held.Count; ++i)
        if (state.Held.Keys[i].Mode == HeldMode::Acting)
            EndActing(state, state.Held.Keys[i], step);
}

DWORD RepeatLapseOf(DWORD repeatDelayMs) {
    const DWORD lapse = repeatDelayMs + RepeatMarginMs;
    return lapse > HeldKeyLapseMs ? lapse : HeldKeyLapseMs;
}

std::uint32_t ModifierBitsNow(const KeyboardState& state) {
    ModifierKeys held = state.Modifiers;
    for (std::size_t i = 0; i < state.Pending.Count; ++i) {
        const KeyEvent& event = state.Pending.Events[i];
        if (!IsAsideEvent(event))
            NoteModifierEvent(held, event.Message, event.VirtualKey, event.ScanCode, event.Flags);
    }
    return ModifierCodeBits(static_cast<ModifierKeys>(held | ActingModifiers(state, nullptr)));
}

bool KnowsKey(const KeyboardState& state, std::uint32_t key) {
    for (std::size_t i = 0; i < state.Pending.Count; ++i)
        if (KeyOfEvent(state.Pending.Events[i]) == key)
            return true;
    return HeldIndex(state.Held, key) != NoHeldKey;
}
