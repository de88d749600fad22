#include "hook/ConfigReader.h"

#include "hook/BindingFile.h"
#include "hook/InputWake.h"
#include "hook/KeyWatch.h"
#include "hook/ThreadMessages.h"

namespace {

constexpr DWORD PollPeriodMs = 1000;

// The reader's own state. A reader left stuck in a read by a stop may still run beside the
// reader of the next start, so this lives on its thread, not in the library's state record.
struct ReaderState {
    ReaderLink* Link = nullptr;
    HANDLE Change = nullptr; // change notification on the configuration's folder
    FileStamp Stamp;
    bool LookPending = false; // one more look at LookAt
    DWORD LookAt = 0;
    WatchTimes Watch;
    PauseSettings Pause;
    ForegroundFollow Follow;
    InputWake Wake;
};

bool Stopped(const ReaderLink& link) {
    return WaitForSingleObject(link.Stop, 0) == WAIT_OBJECT_0;
}

// Puts a new table in place of the pending one, which the hook's thread never took, and tells
// that thread. Out of memory: the table is dropped and the one in use stays.
void HandOver(ReaderLink& link, BoundKeys& fresh) {
    auto* record = static_cast<BoundKeys*>(HeapAlloc(GetProcessHeap(), 0, sizeof(BoundKeys)));
    if (!record) {
        FreeBoundKeys(fresh);
        return;
    }
    *record = fresh;
    FreeTakenTable(static_cast<BoundKeys*>(
        InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&link.Pending), record)));
    if (!Stopped(link))
        PostThreadMessageW(link.HookThreadId, NewTableMessage, 0, 0);
}

// Reads the table again when the file's stamp differs from that of the table handed over last.
void ReloadIfChanged(ReaderState& reader) {
    ReaderLink& link = *reader.Link;
    const FileStamp stamp = ReadFileStamp(link.ConfigPath);
    if (SameStamp(stamp, reader.Stamp))
        return;
    // Stamp first: an edit made while the file is being read shows as a change next time.
    reader.Stamp = stamp;
    BoundKeys fresh;
    PauseSettings pause;
    if (stamp.Exists && !LoadBoundKeys(link.ConfigPath, fresh, &pause)) {
        // Out of memory: keep the table in use and read again at the next look.
        reader.Stamp.Exists = !stamp.Exists;
        return;
    }
    FreePauseSettings(reader.Pause);
    reader.Pause = pause;
    UpdatePause(link.Pause, reader.Follow, reader.Pause);
    HandOver(link, fresh);
}

// Watches the folder of the configuration file; the stamp tells whether the file itself
// changed. Some network shares refuse to be watched: then no notification, and a look once a
// second instead.
void WatchConfigFolder(ReaderState& reader) {
    wchar_t* path = reader.Link->ConfigPath;
    std::size_t slash = 0;
    for (std::size_t i = 0; path[i]; ++i)
        if (path[i] == L'\\')
            slash = i + 1;
    if (slash == 0)
        return;
    const wchar_t kept = path[slash];
    path[slash] = L'\0';
    const HANDLE change = FindFirstChangeNotificationW(
        path, FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
    path[slash] = kept;
    reader.Change = change == INVALID_HANDLE_VALUE ? nullptr : change;
}

// Milliseconds until at, 0 when it has passed.
DWORD Until(DWORD at, DWORD now) {
    const LONG left = static_cast<LONG>(at - now);
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// How long the thread may sleep: forever while nothing changes and no key armed the watch; until
// the next look at the file (a second after a change, for one more look that catches an edit
// that came while the file was read; a second at a time where the folder cannot be watched);
// until the watch's next check; until the next look at the window in front.
DWORD SleepLimit(const ReaderState& reader) {
    const DWORD now = GetTickCount();
    DWORD limit = INFINITE;
    if (reader.LookPending && Until(reader.LookAt, now) < limit)
        limit = Until(reader.LookAt, now);
    const DWORD watch = WatchWait(reader.Watch, now);
    if (watch < limit)
        limit = watch;
    const DWORD follow = FollowWait(reader.Follow, now);
    return follow < limit ? follow : limit;
}

// Tells the hook the system's delay before a held key repeats: the keyboard's (0 to 3: 250 ms to
// one second), or with Filter Keys on, their repeat delay and rate when longer. Asked when typing
// starts, so that a change of the settings counts from the next keys on.
void NoteRepeatDelay(ReaderLink& link) {
    constexpr DWORD LongestDelayMs = 20000; // beyond any setting the system offers
    int keyboardDelay = 1;
    if (!SystemParametersInfoW(SPI_GETKEYBOARDDELAY, 0, &keyboardDelay, 0) || keyboardDelay < 0 ||
        keyboardDelay > 3)
        keyboardDelay = 3;
    DWORD delay = static_cast<DWORD>(keyboardDelay + 1) * 250;
    FILTERKEYS filter = {};
    filter.cbSize = sizeof(FILTERKEYS);
    if (SystemParametersInfoW(SPI_GETFILTERKEYS, sizeof(FILTERKEYS), &filter, 0) &&
        (filter.dwFlags & FKF_FILTERKEYSON)) {
        const DWORD slowest =
            filter.iDelayMSec > filter.iRepeatMSec ? filter.iDelayMSec : filter.iRepeatMSec;
        if (slowest > delay)
            delay = slowest < LongestDelayMs ? slowest : LongestDelayMs;
    }
    link.RepeatLapseMs = RepeatLapseOf(delay);
}

// Handles the thread's messages; true when input came. The desktop's keys arm the watch.
bool HandleMessages(ReaderState& reader) {
    bool input = false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_INPUT) {
            input = true;
            if (IsKeyboardInput(message.lParam))
                ArmWatch(reader.Watch, GetTickCount());
        }
        DispatchMessageW(&message);
    }
    return input;
}

// Waits for the stop, a change of the folder, a key that arms the watch, the hook's word that
// the window in front changed unseen, or a message, and handles what came, until the stop is set.
void RunReaderLoop(ReaderState& reader) {
    ReaderLink& link = *reader.Link;
    WakeOnInput(reader.Wake, true, FollowWantsInput(link.Pause, reader.Follow));
    for (;;) {
        const HANDLE handles[4] = {link.Stop, link.Watch.Arm, link.Pause.Wake, reader.Change};
        const DWORD count = reader.Change ? 4 : 3;
        const DWORD woken = MsgWaitForMultipleObjectsEx(count, handles, SleepLimit(reader),
                                                        QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED)
            return;
        const DWORD now = GetTickCount();
        if (woken == WAIT_OBJECT_0 + 1) {
            ArmWatch(reader.Watch, now);
            NoteRepeatDelay(link);
        } else if (woken == WAIT_OBJECT_0 + 3) {
            // Rearmed before the read, so that an edit during the read wakes the thread again.
            if (!FindNextChangeNotification(reader.Change)) {
                FindCloseChangeNotification(reader.Change);
                reader.Change = nullptr;
            }
            ReloadIfChanged(reader);
            reader.LookPending = true;
            reader.LookAt = GetTickCount() + PollPeriodMs;
        }
        if (CheckHookIfDue(link.Watch, reader.Watch, GetTickCount()) && !Stopped(link))
            PostThreadMessageW(link.HookThreadId, ReinstallMessage, 0, 0);
        if (reader.LookPending && Until(reader.LookAt, GetTickCount()) == 0) {
            ReloadIfChanged(reader);
            // Where the folder cannot be watched, the looks go on.
            reader.LookPending = !reader.Change;
            reader.LookAt = GetTickCount() + PollPeriodMs;
        }
        const bool input = HandleMessages(reader);
        FollowForeground(link.Pause, reader.Follow, reader.Pause,
                         input || woken == WAIT_OBJECT_0 + 2);
        // Input wakes the thread only while nothing else would.
        WakeOnInput(reader.Wake, !reader.Watch.CheckPending,
                    FollowWantsInput(link.Pause, reader.Follow));
    }
}

} // namespace

ReaderLink* MakeReaderLink(HMODULE module) {
    auto* link =
        static_cast<ReaderLink*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ReaderLink)));
    if (!link)
        return nullptr;
    link->References = 2;
    link->Module = module;
    link->Stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    link->Watch.Arm = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    link->Pause.Wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    link->FirstTable = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wchar_t* executable = link->ConfigPath; // the configuration path takes its place
    if (!ProcessExecutablePath(executable, ConfigPathChars) ||
        !ConfigPathFor(executable, link->ConfigPath, ConfigPathChars))
        link->ConfigPath[0] = L'\0';
    if (!link->Stop || !link->Watch.Arm || !link->Pause.Wake || !link->FirstTable) {
        link->References = 1;
        ReleaseReaderLink(link);
        return nullptr;
    }
    return link;
}

void ReleaseReaderLink(ReaderLink* link) {
    if (!link || InterlockedDecrement(&link->References) != 0)
        return;
    FreeTakenTable(TakePendingTable(*link));
    const HANDLE handles[4] = {link->Stop, link->Watch.Arm, link->Pause.Wake, link->FirstTable};
    for (HANDLE handle : handles)
        if (handle)
            CloseHandle(handle);
    HeapFree(GetProcessHeap(), 0, link);
}

BoundKeys* TakePendingTable(ReaderLink& link) {
    return static_cast<BoundKeys*>(
        InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&link.Pending), nullptr));
}

void FreeTakenTable(BoundKeys* table) {
    if (!table)
        return;
    FreeBoundKeys(*table);
    HeapFree(GetProcessHeap(), 0, table);
}

DWORD WINAPI ReaderThread(void* parameter) {
    ReaderState reader;
    reader.Link = static_cast<ReaderLink*>(parameter);
    ReaderLink& link = *reader.Link;
    // The queue exists from here on: the foreground's events come through it.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    NoteRepeatDelay(link);
    StartInputWake(reader.Wake, link.Module);
    reader.Stamp.Exists = true; // differs from every real stamp: the first look reads
    ReloadIfChanged(reader);
    SetEvent(link.FirstTable);
    WatchConfigFolder(reader);
    reader.LookPending = !reader.Change;
    reader.LookAt = GetTickCount() + PollPeriodMs;
    RunReaderLoop(reader);
    if (reader.Change)
        FindCloseChangeNotification(reader.Change);
    StopFollowing(reader.Follow);
    StopInputWake(reader.Wake);
    FreePauseSettings(reader.Pause);
    const HMODULE module = link.Module;
    ReleaseReaderLink(&link);
    FreeLibraryAndExitThread(module, 0);
    return 0;
}
