// The program under soak: Keyloft.exe in a folder of its own with the tests' hook library, its
// configuration written in the ways an editor would, key messages posted to whichever window it
// has now, and the wait until it has handled them.
#pragma once

#include "support/KeyloftDriver.h"
#include "support/ProcessCounters.h"

#include <cstdint>
#include <string>

struct SoakKeyloft {
    KeyloftFolder Folder;
    KeyloftProcess Process;
    HWND Window = nullptr;
    unsigned PostWaits = 0; // posts that found the queue full and were made again
};

// Starts the program with the configuration text; false when no window appeared.
bool StartSoakKeyloft(SoakKeyloft& keyloft, const std::string& config);
// The program's main window now (it changes with every restart); null when there is none.
HWND CurrentWindow(SoakKeyloft& keyloft);
// Posts one key message, waiting and posting again while the queue is full.
void PostKey(SoakKeyloft& keyloft, std::int32_t code);
// Waits until the program has handled handledBefore + presses key presses (each flips the tray
// icon), or until it made no progress for idleMs; then lets what those presses started finish.
// Returns the presses handled; lastHandled gets the tick count of the last one seen.
size_t WaitForPresses(size_t handledBefore, size_t presses, DWORD* lastHandled = nullptr,
                      DWORD idleMs = 15000);
// Waits until the probe's log holds lines lines, or no new line came for idleMs.
size_t WaitForLaunches(const SoakKeyloft& keyloft, size_t lines, DWORD idleMs = 5000);
// True while the process runs and its window answers a message within 5 s.
bool Answers(SoakKeyloft& keyloft);
ProcessCounters Counters(const SoakKeyloft& keyloft);

// Replaces the configuration at once: a whole new file renamed over the old one.
void ReplaceConfig(const SoakKeyloft& keyloft, const std::string& bytes);
// Rewrites the configuration in place in two writes, with a pause between them in which the
// file holds the lines of the first half only.
void RewriteConfigInPlace(const SoakKeyloft& keyloft, const std::string& bytes);
