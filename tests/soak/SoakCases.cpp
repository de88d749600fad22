#include "soak/SoakCases.h"

#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "soak/SoakObserver.h"
#include "support/TempFolder.h"

#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

constexpr int FloodKeys = 20;
constexpr std::int32_t FirstFloodKey = 0xE010; // key i fires scan code 0x10 + i
constexpr int VersionBScan = 0x50;             // the edited file's other version: 0x50 + i
constexpr std::int32_t LaunchKey = 0xE0F0;
constexpr std::int32_t DoubleKeys[2] = {0xE030, 0xE031}; // single 0x30/0x32, double 0x31/0x33

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof(text), "%0*X", digits, value);
    return text;
}

std::string FloodBindings(int firstScan) {
    std::string lines;
    for (int i = 0; i < FloodKeys; ++i)
        lines += Hex(FirstFloodKey + i, 4) + "=0x" + Hex(firstScan + i, 2) + "\r\n";
    return lines;
}

long SumOf(const ScanCounts& counts, int first, int count) {
    long sum = 0;
    for (int i = first; i < first + count; ++i)
        sum += counts[i];
    return sum;
}

long Total(const ScanCounts& counts) {
    return SumOf(counts, 0, static_cast<int>(counts.size()));
}

// The common start of a row: what the program holds before, and the focus it needs.
SoakRow BeginRow(SoakKeyloft& keyloft, ForegroundWindow& focus, const char* name) {
    SoakRow row;
    row.Case = name;
    focus.Activate();
    CurrentWindow(keyloft);
    row.Before = Counters(keyloft);
    return row;
}

void EndRow(SoakKeyloft& keyloft, SoakRow& row) {
    row.After = Counters(keyloft);
    row.Alive = Answers(keyloft);
}

// Posts the codes as fast as the queue takes them and waits until they are handled. Gives the
// presses handled; seconds gets the time from the first post to the last press handled.
long Flood(SoakKeyloft& keyloft, const std::vector<std::int32_t>& codes, double& seconds) {
    const size_t handledBefore = TrayCallsSeen(NIM_MODIFY);
    const DWORD start = GetTickCount();
    for (const std::int32_t code : codes)
        PostKey(keyloft, code);
    DWORD last = start;
    const size_t handled = WaitForPresses(handledBefore, codes.size(), &last);
    seconds = (last - start) / 1000.0;
    return static_cast<long>(handled);
}

} // namespace

std::string SoakConfig() {
    std::string config = "[Keyloft]\r\nRepeatDelay=5000\r\n" + FloodBindings(0x10);
    for (int i = 0; i < 2; ++i)
        config += Hex(DoubleKeys[i], 4) + "=0x" + Hex(0x30 + 2 * i, 2) + "\r\n" +
                  Hex(DoubleKeys[i], 4) + "+=0x" + Hex(0x31 + 2 * i, 2) + "\r\n";
    std::wstring probe = BinFolder() + L"KeyloftProbe.exe";
    return config + Hex(LaunchKey, 4) + "=\"" + std::string(probe.begin(), probe.end()) +
           "\" flood\r\n";
}

SoakRow FloodCase(SoakKeyloft& keyloft, ForegroundWindow& focus) {
    SoakRow row = BeginRow(keyloft, focus, "Flood");
    std::vector<std::int32_t> codes;
    for (int n = 0; n < 10000; ++n)
        codes.push_back(n % 200 == 199 ? LaunchKey : FirstFloodKey + n % FloodKeys);
    const long launches = static_cast<long>(codes.size() / 200);
    const size_t launchesBefore = ReadLogLines(keyloft.Folder.ProbeLogPath()).size();
    const ScanCounts before = KeyDownsSeen();
    const long handled = Flood(keyloft, codes, row.Seconds);
    const size_t launched = WaitForLaunches(keyloft, launchesBefore + launches) - launchesBefore;
    const ScanCounts fired = Difference(KeyDownsSeen(), before);
    row.Sent = static_cast<long>(codes.size());
    row.SentWhat = "key messages";
    const long keyDowns = SumOf(fired, 0x10, FloodKeys);
    row.Outcome = {{"presses handled", handled, row.Sent},
                   {"key-downs", keyDowns, row.Sent - launches},
                   {"launches", static_cast<long>(launched), launches}};
    row.Stray = Total(fired) - keyDowns;
    EndRow(keyloft, row);
    return row;
}

SoakRow DoublePressCase(SoakKeyloft& keyloft, ForegroundWindow& focus) {
    SoakRow row = BeginRow(keyloft, focus, "Double presses");
    std::vector<std::int32_t> codes;
    for (int n = 0; n < 1000; ++n) {
        codes.push_back(DoubleKeys[n % 2]);
        codes.push_back(DoubleKeys[n % 2]);
        codes.push_back(FirstFloodKey + n % FloodKeys);
    }
    const ScanCounts before = KeyDownsSeen();
    const long handled = Flood(keyloft, codes, row.Seconds);
    const ScanCounts fired = Difference(KeyDownsSeen(), before);
    row.Sent = static_cast<long>(codes.size());
    row.SentWhat = "key messages: pairs, each with a single";
    row.Outcome = {{"presses handled", handled, row.Sent},
                   {"double-press bindings", fired[0x31] + fired[0x33], 1000},
                   {"single-press of a pair", fired[0x30] + fired[0x32], 0},
                   {"other keys", SumOf(fired, 0x10, FloodKeys), 1000}};
    row.Stray = Total(fired) - SumOf(fired, 0x30, 4) - SumOf(fired, 0x10, FloodKeys);
    EndRow(keyloft, row);
    return row;
}

SoakRow EditCase(SoakKeyloft& keyloft, ForegroundWindow& focus) {
    SoakRow row = BeginRow(keyloft, focus, "Edits during the flood");
    const std::string versions[2] = {"[Keyloft]\r\n" + FloodBindings(0x10),
                                     "[Keyloft]\r\n" + FloodBindings(VersionBScan)};
    ReplaceConfig(keyloft, versions[0]);
    std::atomic<bool> editing{true};
    long edits = 0;
    // Versions A and B in turn, each by a rename over the file and by a rewrite in place.
    std::thread editor([&] {
        for (; editing; ++edits) {
            Sleep(50);
            const std::string& version = versions[(edits + 1) % 2];
            if ((edits / 2) % 2 == 0)
                ReplaceConfig(keyloft, version);
            else
                RewriteConfigInPlace(keyloft, version);
        }
    });
    std::vector<std::int32_t> codes;
    for (int n = 0; n < 10000; ++n)
        codes.push_back(FirstFloodKey + n % FloodKeys);
    const ScanCounts before = KeyDownsSeen();
    const long handled = Flood(keyloft, codes, row.Seconds);
    editing = false;
    editor.join();
    ReplaceConfig(keyloft, SoakConfig());
    const ScanCounts fired = Difference(KeyDownsSeen(), before);
    long versionFired = 0;
    for (int i = 0; i < FloodKeys; ++i) {
        const long key = fired[0x10 + i] + fired[VersionBScan + i];
        versionFired += key;
        // A press fires once at most: more for a key than it was pressed is stray too.
        row.Stray += key > 10000 / FloodKeys ? key - 10000 / FloodKeys : 0;
    }
    row.Sent = static_cast<long>(codes.size());
    row.SentWhat = "key messages, file rewritten every 50 ms";
    row.Outcome = {{"presses handled", handled, row.Sent},
                   {"fired a version's binding", versionFired, row.Sent, true}};
    row.Stray += Total(fired) - versionFired;
    EndRow(keyloft, row);
    return row;
}

SoakRow RestartCase(SoakKeyloft& keyloft, ForegroundWindow& focus) {
    SoakRow row = BeginRow(keyloft, focus, "Restarts");
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    const size_t addsBefore = TrayCallsSeen(NIM_ADD);
    long restarted = 0;
    long shellRestarts = 0;
    // Each restart and each shell restart adds the icon once: wait for that add before going on.
    auto awaitAdds = [&](size_t adds) {
        for (const DWORD wait = GetTickCount();
             TrayCallsSeen(NIM_ADD) - addsBefore < adds && GetTickCount() - wait < 5000;)
            Sleep(1);
    };
    const DWORD start = GetTickCount();
    for (int n = 0; n < 1000; ++n) {
        HWND previous = keyloft.Window;
        PostMessageW(previous, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        const DWORD posted = GetTickCount();
        while ((!CurrentWindow(keyloft) || keyloft.Window == previous) &&
               GetTickCount() - posted < 10000)
            Sleep(1);
        if (keyloft.Window && keyloft.Window != previous)
            ++restarted;
        awaitAdds(static_cast<size_t>(restarted + shellRestarts));
        if (n % 10 == 9) {
            PostMessageW(keyloft.Window, taskbarCreated, 0, 0);
            ++shellRestarts;
            awaitAdds(static_cast<size_t>(restarted + shellRestarts));
        }
    }
    row.Seconds = (GetTickCount() - start) / 1000.0;
    const long adds = static_cast<long>(TrayCallsSeen(NIM_ADD) - addsBefore);
    long windows = 0;
    for (HWND window = nullptr;
         (window = FindWindowExW(nullptr, window, AppState.Title.c_str(), nullptr));)
        ++windows;
    // The program still fires bindings.
    focus.Activate();
    const ScanCounts before = KeyDownsSeen();
    const size_t handledBefore = TrayCallsSeen(NIM_MODIFY);
    PostKey(keyloft, FirstFloodKey);
    WaitForPresses(handledBefore, 1);
    const ScanCounts fired = Difference(KeyDownsSeen(), before);
    row.Sent = restarted + shellRestarts;
    row.SentWhat = "restarts (power broadcasts + shell)";
    row.Outcome = {{"new windows", restarted, 1000},
                   {"icon adds", adds, 1000 + shellRestarts},
                   {"rounds ending with one window", windows == 1 ? 1 : 0, 1},
                   {"rounds firing after", fired[0x10] == 1 ? 1 : 0, 1}};
    row.Stray = Total(fired) - fired[0x10];
    EndRow(keyloft, row);
    return row;
}
