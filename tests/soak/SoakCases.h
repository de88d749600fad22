// The soak's cases. Each drives the running program, measures, and gives its table row; the
// program keeps running between them, all but the last.
#pragma once

#include "soak/SoakKeyloft.h"
#include "soak/SoakTable.h"
#include "support/ForegroundWindow.h"

#include <string>
#include <vector>

// The configuration that the cases under load start from: flood keys bound to key events, a
// launch key bound to the probe, and two keys with double-press bindings.
std::string SoakConfig();

// 10,000 key messages as fast as the queue takes them; every 200th launches the probe.
SoakRow FloodCase(SoakKeyloft& keyloft, ForegroundWindow& focus);
// 1,000 double presses, each followed by a press of a key without one.
SoakRow DoublePressCase(SoakKeyloft& keyloft, ForegroundWindow& focus);
// 10,000 key messages while the configuration is rewritten every 50 ms.
SoakRow EditCase(SoakKeyloft& keyloft, ForegroundWindow& focus);
// 1,000 restarts by power broadcast and 100 shell restarts ("TaskbarCreated").
SoakRow RestartCase(SoakKeyloft& keyloft, ForegroundWindow& focus);

// A locked, deleted, random, NUL-bearing and 50,000-line configuration file: a row each.
std::vector<SoakRow> BadFileCases(SoakKeyloft& keyloft, ForegroundWindow& focus);
// The hook library made unloadable before a restart: one error report, exit code 0. Ends the
// program.
SoakRow FailedRestartCase(SoakKeyloft& keyloft);
