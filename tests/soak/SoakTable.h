// The soak's table: one row per case, with what was sent, what fired against what should have,
// the process's figures before and after, and whether it still answers. Pure: it formats and
// judges figures that the cases measured.
#pragma once

#include "support/ProcessCounters.h"

#include <string>
#include <vector>

// One kind of outcome of a case: "key-downs", "launches", "error reports"...
struct Tally {
    std::string What;
    long Fired = 0;
    long Should = 0;
    bool AtMost = false; // Should is a bound, not a count: fewer is sound too
};

struct SoakRow {
    std::string Case;
    long Sent = 0;
    std::string SentWhat;       // "key messages", "restarts"...
    double Seconds = 0;         // time the program took for what was sent; 0 gives no rate
    std::vector<Tally> Outcome; // what fired against what should have
    long Stray = 0;             // key-downs that no version of the configuration says
    ProcessCounters Before;
    ProcessCounters After;
    bool Alive = false;
    bool ShouldLive = true; // false for the case that ends the program
};

// The same case once more (a later round): counts add up, the figures before stay those of the
// first round and the figures after become those of the last.
void AddRound(SoakRow& total, const SoakRow& round);
// Handles at most 5 and memory at most 1 MiB above where they began, the windows where they
// were; figures that could not be read judge nothing.
bool Flat(const ProcessCounters& before, const ProcessCounters& after);
// Everything fired as it should, nothing stray, flat, alive as the case wants.
bool Sound(const SoakRow& row);
// "12,345".
std::string Grouped(long long value);
// The whole table, a legend naming the counter behind each figure, and a verdict per row.
std::string FormatTable(const std::vector<SoakRow>& rows);
