#include "hook/KeyWatch.h"

#include "hook/InjectMark.h"

namespace {

// The Ctrl that Windows sends before the right Alt key of a layout with AltGr carries this scan
// code; it is no key of the user's.
constexpr DWORD AltGrCtrlScanCode = 0x21D;

// The margin beyond the system's repeat delay before a held key's key-up counts as missed.
constexpr DWORD RepeatMarginMs = 500;

DWORD LapseOf(const KeyboardState& state) {
    return state.RepeatLapseMs ? state.RepeatLapseMs : HeldKeyLapseMs;
}

std::uint32_t KeyOfEvent(const KeyEvent& event) {
    return KeyCodeOf(event.ScanCode, event.Flags);
}

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
ModifierKeys ActingModifiers(const KeyboardState& state, const HeldKey* except = nullptr) {
    ModifierKeys bits = 0;
    for (std::size_t i = 0; i < state.Held.Count; ++i) {
        const HeldKey& entry = state.Held.Keys[i];
        if (entry.Mode == HeldMode::Acting && &entry != except)
            for (unsigned k = 0; k < entry.Acts.Count; ++k)
                bits = static_cast<ModifierKeys>(bits | ModifierBitOf(entry.Acts.Keys[k]));
    }
    return bits;
}

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

// The modifiers that keys acting as others released for the applications.
ModifierKeys ReleasedForActing(const KeyboardState& state) {
    ModifierKeys bits = 0;
    for (std::size_t i = 0; i < state.Held.Count; ++i)
        bits = static_cast<ModifierKeys>(bits | state.Held.Keys[i].Released);
    return bits;
}

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
        const bool lapsed =
            static_cast<LONG>(time - state.ModifierTimes[i]) >= static_cast<LONG>(LapseOf(state));
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
    const DWORD lapse = LapseOf(state);
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
    // Down in the system already: its key-down came before the hook or while it was away.
    const bool alreadyDown = verdict.Swallow && questions.KeyState && !state.Replay.Count &&
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
        swallow = ((ActingModifiers(state) | ReleasedForActing(state)) & own) != 0;
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
    code = PressCodeOf(event.ScanCode, event.Flags,
                       static_cast<ModifierKeys>(state.Modifiers | ActingModifiers(state)));
    return true;
}

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
    return ModifierCodeBits(static_cast<ModifierKeys>(held | ActingModifiers(state)));
}

bool KnowsKey(const KeyboardState& state, std::uint32_t key) {
    for (std::size_t i = 0; i < state.Pending.Count; ++i)
        if (KeyOfEvent(state.Pending.Events[i]) == key)
            return true;
    return HeldIndex(state.Held, key) != NoHeldKey;
}
