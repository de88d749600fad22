// The messages kbhook.dll's threads post to the hook's thread, which handles them between keys,
// outside any call of the hook.
#pragma once

#include <windows.h>

// The watch found the hook gone: put it back.
constexpr UINT ReinstallMessage = WM_APP + 1;
// The hook queued events to inject (the masking key, a tap given back, keys that follow them):
// they are sent from the thread's loop, after the hook's call has returned.
constexpr UINT ReplayMessage = WM_APP + 2;
// The reader left a new table in the link.
constexpr UINT NewTableMessage = WM_APP + 3;
