// The watch over kbhook.dll's keyboard hook. The system removes a low-level hook without a word
// when a call of it was too slow, and nothing tells the library. A second hook that counts keys
// would cost every key a second call, so the watch runs on the reader's thread instead, armed by
// the keys the hook sees and asleep while none come: at each check it compares the desktop's
// latest input (GetLastInputInfo, keyboard and mouse alike) with the latest event the hook was
// called for. Input the hook never saw, or a call that ended late, makes it inject one probe (a
// marked key-up of the masking key, which the hook swallows); a probe the hook does not see means
// the hook is gone. A hook put back, or one that could not be, is probed again a moment later,
// and again at growing intervals, until a probe comes through. While the watch sleeps, the
// desktop's keys wake it all the same (InputWake.h), since a hook that is gone arms nothing.
#pragma once

#include <windows.h>

#include <cstdint>

// In dwExtraInfo of the watch's probe: the hook swallows it and notes that it saw it.
constexpr std::uintptr_t HookProbeMark = 0x4B4C5350; // "KLSP"

struct WatchFacts {
    DWORD LastInput = 0;      // of the desktop, from GetLastInputInfo
    DWORD LastKeyTime = 0;    // time stamp of the latest event the hook was called for
    bool KeysSeen = false;    // the hook saw keys since the previous check
    bool LateCall = false;    // a call of the hook ended at least LateCallMs after its event's time
    bool ProbeSent = false;   // the previous check sent a probe
    bool ProbeSeen = false;   // and the hook has seen it
    bool Reinstalled = false; // the previous check had the hook put back
    unsigned Failures = 0;    // the hook was put back this many times in a row without a probe seen
};

struct WatchStep {
    bool Reinstall = false; // the hook is gone: put it back
    bool Probe = false;     // send a probe now
    DWORD NextCheckMs = 0;  // when to check again; INFINITE: once a key arms the watch again
};

// A check every second while the hook sees keys; a probe answered within this long.
constexpr DWORD WatchPeriodMs = 1000;
constexpr DWORD ProbeWaitMs = 500;
// A call of the hook this long after its event's time may have outlasted the system's patience
// with a hook (LowLevelHooksTimeout, commonly a few hundred milliseconds).
constexpr DWORD LateCallMs = 200;
// A hook put back is probed this long after; each time it still does not answer, twice as long,
// up to a minute between tries.
constexpr DWORD ReinstallCheckMs = 250;
constexpr DWORD LongestReinstallCheckMs = 60000;

WatchStep DecideWatchCheck(const WatchFacts& facts);

// What the hook tells the watch: written on the hook's thread (ProbeSent on the reader's), read
// on the other. Zero-filled with the reader's link.
struct WatchLink {
    HANDLE Arm; // auto reset: the hook saw a key while the watch slept
    volatile DWORD LastKeyTime;
    volatile LONG KeysSeen;
    volatile bool Armed;
    volatile bool LateCall;
    volatile LONG ProbeSeen; // the number of the latest probe the hook saw
    volatile LONG ProbeSent; // the number of the latest probe the watch sent
    // The mouse hook, while it is in place: the probe goes to it too, as a turn of nothing of the
    // horizontal wheel, which it swallows (see NoteMouseEventForWatch).
    volatile bool MouseHooked;
    volatile LONG MouseProbeSeen;
};

// The watch's own state, on the reader's thread.
struct WatchTimes {
    bool CheckPending = false; // a check at CheckAt
    DWORD CheckAt = 0;
    bool ProbeSent = false;   // the latest check sent a probe
    LONG KeysAtCheck = 0;     // the hook's count of keys at the latest check
    bool Reinstalled = false; // the latest check had the hook put back
    unsigned Failures = 0;    // reinstalls since a probe was last seen
    bool MouseProbed = false; // the latest check sent its probe to the mouse hook too
};

// On the hook's thread, for every event: memory only, and one SetEvent when a key comes while the
// watch sleeps. True for the watch's own probe, which goes no further.
bool NoteEventForWatch(WatchLink& link, const KBDLLHOOKSTRUCT& event);

// On the hook's thread at the end of every call: a call that ended late may have outlasted the
// system's patience, however early it began.
void NoteCallEnd(WatchLink& link, const KBDLLHOOKSTRUCT& event);

// The same for every event of the mouse hook but its movements, which cost it nothing more than
// the test of their message: a button or the wheel arms the watch as a key does.
bool NoteMouseEventForWatch(WatchLink& link, const MSLLHOOKSTRUCT& event);

// On the reader's thread once the hook or the desktop's keys armed the watch: the first check a
// period from now.
void ArmWatch(WatchTimes& times, DWORD now);

// The check when it is due at now, with its probe; true when the hook is gone and must be put
// back.
bool CheckHookIfDue(WatchLink& link, WatchTimes& times, DWORD now);

// Milliseconds until the next check from now; INFINITE while the watch sleeps.
DWORD WatchWait(const WatchTimes& times, DWORD now);
