// The soak run: drives Keyloft.exe under load and faults for the minutes given (3 when none),
// then prints one table. Rounds of the cases repeat while the time lasts; the restart that
// fails comes last, once, since it ends the program. Exit code 1 when a row is not sound.
#include "soak/SoakCases.h"
#include "soak/SoakObserver.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

namespace {

void AddRows(std::vector<SoakRow>& table, const std::vector<SoakRow>& round, bool first) {
    for (size_t i = 0; i < round.size(); ++i) {
        if (first)
            table.push_back(round[i]);
        else
            AddRound(table[i], round[i]);
    }
}

std::vector<SoakRow> Round(SoakKeyloft& keyloft, ForegroundWindow& focus) {
    std::vector<SoakRow> rows = {FloodCase(keyloft, focus), DoublePressCase(keyloft, focus),
                                 EditCase(keyloft, focus), RestartCase(keyloft, focus)};
    for (const SoakRow& row : BadFileCases(keyloft, focus))
        rows.push_back(row);
    return rows;
}

} // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 3.0;
    if (!StartObserver()) {
        std::fprintf(stderr, "soak: the driver's tray window or keyboard hook did not start\n");
        return 2;
    }
    ForegroundWindow focus;
    SoakKeyloft keyloft;
    if (!StartSoakKeyloft(keyloft, SoakConfig())) {
        std::fprintf(stderr, "soak: Keyloft.exe did not start\n");
        return 2;
    }
    const DWORD start = GetTickCount();
    std::vector<SoakRow> table;
    int rounds = 0;
    DWORD roundMs = 0;
    do {
        const DWORD roundStart = GetTickCount();
        AddRows(table, Round(keyloft, focus), rounds == 0);
        roundMs = GetTickCount() - roundStart;
        std::printf("soak: round %d took %.0f s\n", ++rounds, roundMs / 1000.0);
        std::fflush(stdout);
    } while (GetTickCount() - start + roundMs < minutes * 60000);
    table.push_back(FailedRestartCase(keyloft));
    StopObserver();

    std::printf("\nKeyloft soak: %d round(s) in %.0f s; %u posts found the queue full.\n\n", rounds,
                (GetTickCount() - start) / 1000.0, keyloft.PostWaits);
    std::printf("%s", FormatTable(table).c_str());
    bool sound = true;
    for (const SoakRow& row : table)
        sound = sound && Sound(row);
    std::printf("%s\n", sound ? "Every row is sound." : "Some rows are NOT sound.");
    return sound ? 0 : 1;
}
