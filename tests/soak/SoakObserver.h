// The soak driver's eyes, on a thread of their own that does nothing but answer: a notification
// area of the driver's own, which counts the program's icon calls, and a low-level keyboard hook,
// which counts the key-downs that bindings inject, by scan code. The program waits for both
// while it works, so they must never wait for the driver's main thread.
#pragma once

#include <windows.h>

#include <array>

using ScanCounts = std::array<long, 256>;

// Starts the thread; false when its tray does not receive the icon calls or the hook failed.
bool StartObserver();
void StopObserver();

// Injected key-downs seen so far, by scan code.
ScanCounts KeyDownsSeen();
// The program's tray icon calls of this kind (NIM_ADD, NIM_MODIFY, NIM_DELETE) so far.
size_t TrayCallsSeen(DWORD message);

// What fired between two readings, by scan code.
ScanCounts Difference(const ScanCounts& later, const ScanCounts& earlier);
