// kbhook.dll's second thread, the reader: it watches the configuration's folder, reads the file,
// builds the table of bound codes and hands each new table to the hook's thread, which does no
// file work at all. A file on a network share that stops answering then holds up this thread
// alone, never a key. It also keeps the watch over the hook (HookWatch.h), and follows the
// window in front for the pause (Foreground.h); input wakes it while both sleep (InputWake.h).
#pragma once

#include "hook/Foreground.h"
#include "hook/HookKeys.h"
#include "hook/HookWatch.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

constexpr std::size_t ConfigPathChars = 32768;

// What the hook's thread and the reader share. The hook's thread makes it and starts the reader;
// each holds one reference and the last to let go frees it, so that a reader stuck in a read
// after the hook's thread has ended still finds it in place. Zero-filled when made.
struct ReaderLink {
    volatile LONG References;
    HANDLE Stop;       // manual reset: set when the hook's thread ends
    HANDLE FirstTable; // manual reset: the first read is done and its table handed over
    DWORD HookThreadId;
    HMODULE Module;
    // The newest table not yet taken by the hook's thread; only ever exchanged whole.
    BoundKeys* volatile Pending;

    WatchLink Watch;
    PauseLink Pause;
    // How long a held key goes without a repeat before its key-up counts as missed, from the
    // system's repeat delay (see RepeatLapseOf); 0 until the reader has asked.
    volatile DWORD RepeatLapseMs;
    wchar_t ConfigPath[ConfigPathChars];
};

// A link with both references and its events, for the configuration of the running program;
// none when memory or handles run out.
ReaderLink* MakeReaderLink(HMODULE module);

// Gives one reference back; the last one frees the link with any table still pending.
void ReleaseReaderLink(ReaderLink* link);

// The pending table, now the caller's, or none.
BoundKeys* TakePendingTable(ReaderLink& link);

// Frees a table taken from the link.
void FreeTakenTable(BoundKeys* table);

// The reader's thread procedure; parameter is the link. It holds a reference to the library,
// taken for it by its starter, and gives it back as its very last step.
DWORD WINAPI ReaderThread(void* parameter);
