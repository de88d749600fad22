#include "hook/HookWatch.h"

#include "hook/InjectMark.h"

namespace {

// Milliseconds until at, 0 when it has passed. Unsigned difference: right across the wrap of the
// millisecond clock.
DWORD Until(DWORD at, DWORD now) {
    const LONG left = static_cast<LONG>(at - now);
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// Injects the probe: a lone key-up of the masking key, which no application acts on should it
// pass a hook that is gone.
void SendProbe(WatchLink& link) {
    InterlockedIncrement(&link.ProbeSent);
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = MaskingVirtualKey;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    input.ki.dwExtraInfo = HookProbeMark;
    SendInput(1, &input, sizeof(INPUT));
    if (!link.MouseHooked)
        return;
    INPUT mouse = {};
    mouse.type = INPUT_MOUSE;
    mouse.mi.dwFlags = MOUSEEVENTF_HWHEEL; // a turn of nothing, should it pass a hook that is gone
    mouse.mi.dwExtraInfo = HookProbeMark;
    SendInput(1, &mouse, sizeof(INPUT));
}

// The wait before the probe of a hook put back, after failures unconfirmed reinstalls before it.
DWORD ReinstallWait(unsigned failures) {
    DWORD wait = ReinstallCheckMs;
    for (unsigned i = 0; i < failures && wait < LongestReinstallCheckMs; ++i)
        wait *= 2;
    return wait < LongestReinstallCheckMs ? wait : LongestReinstallCheckMs;
}

// Arms the watch once until its next check.
void Arm(WatchLink& link) {
    if (!link.Armed) {
        link.Armed = true;
        SetEvent(link.Arm);
    }
}

} // namespace

WatchStep DecideWatchCheck(const WatchFacts& facts) {
    WatchStep step;
    const DWORD goOn = facts.KeysSeen ? WatchPeriodMs : INFINITE;
    if (facts.ProbeSent) {
        step.Reinstall = !facts.ProbeSeen;
        step.NextCheckMs = step.Reinstall ? ReinstallWait(facts.Failures) : goOn;
        return step;
    }
    // Unsigned difference: right across the wrap of the millisecond clock.
    if (facts.Reinstalled || facts.LateCall ||
        static_cast<LONG>(facts.LastInput - facts.LastKeyTime) > 0) {
        step.Probe = true;
        step.NextCheckMs = ProbeWaitMs;
        return step;
    }
    step.NextCheckMs = goOn;
    return step;
}

bool NoteEventForWatch(WatchLink& link, const KBDLLHOOKSTRUCT& event) {
    link.LastKeyTime = event.time;
    if (event.dwExtraInfo == HookProbeMark) {
        link.ProbeSeen = link.ProbeSent;
        return true;
    }
    link.KeysSeen = link.KeysSeen + 1;
    Arm(link);
    return false;
}

void NoteCallEnd(WatchLink& link, const KBDLLHOOKSTRUCT& event) {
    if (static_cast<LONG>(GetTickCount() - event.time) >= static_cast<LONG>(LateCallMs)) {
        link.LateCall = true;
        Arm(link);
    }
}

void ArmWatch(WatchTimes& times, DWORD now) {
    if (times.CheckPending)
        return;
    times.CheckPending = true;
    times.CheckAt = now + WatchPeriodMs;
}

bool CheckHookIfDue(WatchLink& link, WatchTimes& times, DWORD now) {
    if (!times.CheckPending || Until(times.CheckAt, now) != 0)
        return false;
    // Cleared first, so that a key from here on arms the watch again.
    link.Armed = false;
    WatchFacts facts;
    LASTINPUTINFO input = {sizeof(LASTINPUTINFO), 0};
    facts.LastInput = GetLastInputInfo(&input) ? input.dwTime : link.LastKeyTime;
    facts.LastKeyTime = link.LastKeyTime;
    const LONG keys = link.KeysSeen;
    facts.KeysSeen = keys != times.KeysAtCheck;
    times.KeysAtCheck = keys;
    facts.LateCall = link.LateCall;
    link.LateCall = false;
    facts.ProbeSent = times.ProbeSent;
    facts.ProbeSeen = link.ProbeSeen == link.ProbeSent &&
                      (!times.MouseProbed || link.MouseProbeSeen == link.ProbeSent);
    facts.Reinstalled = times.Reinstalled;
    facts.Failures = times.Failures;
    const WatchStep step = DecideWatchCheck(facts);
    if (facts.ProbeSent && facts.ProbeSeen)
        times.Failures = 0;
    if (step.Reinstall)
        ++times.Failures;
    times.Reinstalled = step.Reinstall;
    times.ProbeSent = step.Probe;
    times.MouseProbed = step.Probe && link.MouseHooked;
    if (step.Probe)
        SendProbe(link);
    times.CheckPending = step.NextCheckMs != INFINITE;
    times.CheckAt = GetTickCount() + step.NextCheckMs;
    return step.Reinstall;
}

DWORD WatchWait(const WatchTimes& times, DWORD now) {
    return times.CheckPending ? Until(times.CheckAt, now) : INFINITE;
}

bool NoteMouseEventForWatch(WatchLink& link, const MSLLHOOKSTRUCT& event) {
    if (event.dwExtraInfo == HookProbeMark) {
        link.LastKeyTime = event.time;
        link.MouseProbeSeen = link.ProbeSent;
        return true;
    }
    KBDLLHOOKSTRUCT key = {};
    key.time = event.time;
    return NoteEventForWatch(link, key);
}
