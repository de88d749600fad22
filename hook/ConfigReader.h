// kbhook.dll's second thread, the reader: it watches the configuration's folder, reads the file,
// builds the table of bound codes and hands each new table to the hook's thread, which does no
// file work at all. A file on a network share that stops answering then holds up this thread
// alone, never a key. It also keeps the watch over the hook (see WatchFacts), and follows the
// window in front for the pause: the program that owns it is looked up here, once per change.
#pragma once

#include "hook/HookKeys.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

constexpr std::size_t ConfigPathChars = 32768;
// In dwExtraInfo of the reader's probe: the hook swallows it and notes that it saw it.
constexpr std::uintptr_t HookProbeMark = 0x4B4C5350; // "KLSP"
// Posted to the hook's thread: the hook is gone and must be put back.
constexpr UINT ReinstallMessage = WM_APP + 1;
// Posted to the hook's thread: a new table waits in Pending.
constexpr UINT NewTableMessage = WM_APP + 3;
// Monitors whose rectangles the full-screen test knows; a window on a monitor beyond them never
// counts as full-screen.
constexpr LONG MaxMonitors = 8;

// What the hook's thread and the reader share. The hook's thread makes it and starts the reader;
// each holds one reference and the last to let go frees it, so that a reader stuck in a read
// after the hook's thread has ended still finds it in place. Zero-filled when made.
struct ReaderLink {
    volatile LONG References;
    HANDLE Stop;       // manual reset: set when the hook's thread ends
    HANDLE Arm;        // auto reset: the hook saw a key while the watch slept
    HANDLE FirstTable; // manual reset: the first read is done and its table handed over
    DWORD HookThreadId;
    HMODULE Module;
    // The newest table not yet taken by the hook's thread; only ever exchanged whole.
    BoundKeys* volatile Pending;

    // Written by the hook, read by the watch.
    volatile DWORD LastKeyTime;
    volatile LONG KeysSeen;
    volatile bool Armed;
    volatile bool LateCall;
    volatile LONG ProbeSeen; // the number of the latest probe the hook saw

    // Written by the reader.
    volatile LONG ProbeSent;
    // The pause: a program of PauseIn owns Foreground, the window in front as the reader last
    // saw it; PauseFullScreen is on; Foreground is none of the desktop and the taskbar, which
    // never count as full-screen; the monitors' rectangles, as the reader last saw them.
    volatile bool PauseForProgram;
    volatile bool PauseFullScreen;
    HWND volatile Foreground;
    volatile bool ForegroundMayCover;
    RECT Monitors[MaxMonitors];
    volatile LONG MonitorCount;
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
