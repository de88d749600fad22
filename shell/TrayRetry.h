// Asking the shell again for a tray icon it refused. Started with Windows, Keyloft may come up
// before the shell takes icons, and without its icon nobody could see it, switch report mode or
// end it. The decision here; the main window makes the calls.
#pragma once

// Two minutes of ticks every 2 s, counted from the first refusal: a shell that takes no icon
// for that long will announce itself with TaskbarCreated when it comes.
constexpr unsigned TrayRetryTickLimit = 60;

// The retries of the main window's icon.
struct TrayRetryRecord {
    bool Running = false; // the retry timer runs
    unsigned Ticks = 0;   // ticks of the retry timer since it started
};

enum class TrayRetryStep {
    Keep,  // nothing to change
    Start, // the first refusal: start the timer and count its ticks from 0
    Stop,  // the icon is there, or the ticks are up: stop the timer
};

// After an add that the shell took (added) or refused; retry.Ticks already counts the tick
// that made the add, if one did.
TrayRetryStep StepAfterTrayAdd(const TrayRetryRecord& retry, bool added);
