// The cases of faults: configuration files that cannot be read or say nothing sensible, and a
// restart whose hook library cannot be loaded.
#include "soak/SoakCases.h"

#include "shell/MainWindow.h"
#include "soak/SoakObserver.h"
#include "support/MessageBoxReader.h"
#include "support/TempFolder.h"

#include <shellapi.h>

#include <cstdio>
#include <functional>

namespace {

constexpr std::int32_t FirstKey = 0xE040;  // bound to 0x40
constexpr std::int32_t SecondKey = 0xE041; // bound to 0x41, after the NUL bytes
constexpr int Presses = 50;
const char GoodConfig[] = "[Keyloft]\r\nE040=0x40\r\nE041=0x41\r\n";

struct BadFile {
    const char* Name;
    std::function<void(SoakKeyloft&)> Spoil;
    long FirstShould; // key-downs of 0x40 that the spoilt file says
    long SecondShould;
};

std::string RandomBytes(size_t size) {
    std::string bytes(size, '\0');
    unsigned state = 11; // fixed seed: the same file every run
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

std::string LongSection() {
    std::string text = "[Keyloft]\r\n";
    char line[32];
    for (unsigned n = 0; n < 50000; ++n) {
        std::snprintf(line, sizeof(line), "%05X=0x7F\r\n", 0x20000 + n);
        text += line;
    }
    return text + "E040=0x40\r\nE041=0x41\r\n";
}

SoakRow BadFileCase(SoakKeyloft& keyloft, ForegroundWindow& focus, const BadFile& bad) {
    SoakRow row;
    row.Case = bad.Name;
    ReplaceConfig(keyloft, GoodConfig);
    focus.Activate();
    CurrentWindow(keyloft);
    row.Before = Counters(keyloft);
    HANDLE lock = INVALID_HANDLE_VALUE;
    if (!bad.Spoil) // the file held open by this process, no sharing at all
        lock = CreateFileW(keyloft.Folder.IniPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    else
        bad.Spoil(keyloft);
    const ScanCounts before = KeyDownsSeen();
    const size_t handledBefore = TrayCallsSeen(NIM_MODIFY);
    for (int n = 0; n < Presses; ++n) {
        PostKey(keyloft, n % 2 ? SecondKey : FirstKey);
        Sleep(20);
    }
    const long handled = static_cast<long>(WaitForPresses(handledBefore, Presses));
    const ScanCounts fired = Difference(KeyDownsSeen(), before);
    if (lock != INVALID_HANDLE_VALUE)
        CloseHandle(lock);
    row.Sent = Presses;
    row.SentWhat = "key messages, 20 ms apart";
    row.Outcome = {{"presses handled", handled, Presses},
                   {"E040 key-downs", fired[0x40], bad.FirstShould},
                   {"E041 key-downs", fired[0x41], bad.SecondShould}};
    long total = 0;
    for (const long count : fired)
        total += count;
    row.Stray = total - fired[0x40] - fired[0x41];
    // Back to the usual file, read once by a press, before the figures after: Wine keeps the
    // last file read in memory, and the program should not be charged with that.
    ReplaceConfig(keyloft, SoakConfig());
    const size_t pressedBefore = TrayCallsSeen(NIM_MODIFY);
    PostKey(keyloft, 0xE010);
    WaitForPresses(pressedBefore, 1);
    row.After = Counters(keyloft);
    row.Alive = Answers(keyloft);
    return row;
}

} // namespace

std::vector<SoakRow> BadFileCases(SoakKeyloft& keyloft, ForegroundWindow& focus) {
    const long half = Presses / 2;
    const std::string nulBytes =
        std::string("[Keyloft]\r\nE040=0x40\r\n") + std::string(64, '\0') + "\r\nE041=0x41\r\n";
    const BadFile files[] = {
        {"Locked file", nullptr, 0, 0},
        {"Deleted file", [](SoakKeyloft& k) { DeleteFileW(k.Folder.IniPath().c_str()); }, 0, 0},
        {"1 MiB of random bytes", [](SoakKeyloft& k) { ReplaceConfig(k, RandomBytes(1 << 20)); }, 0,
         0},
        {"NUL bytes", [&](SoakKeyloft& k) { ReplaceConfig(k, nulBytes); }, half, half},
        {"Section of 50,000 lines", [](SoakKeyloft& k) { ReplaceConfig(k, LongSection()); }, half,
         half},
    };
    std::vector<SoakRow> rows;
    for (const BadFile& file : files)
        rows.push_back(BadFileCase(keyloft, focus, file));
    return rows;
}

SoakRow FailedRestartCase(SoakKeyloft& keyloft) {
    SoakRow row;
    row.Case = "Restart that fails";
    row.ShouldLive = false;
    row.Before = Counters(keyloft);
    const std::wstring library = keyloft.Folder.Folder.PathOf(L"kbhook.dll");
    // The loaded library can be renamed, not overwritten; a file that is no library takes its
    // name, and the restart loads that.
    MoveFileW(library.c_str(), keyloft.Folder.Folder.PathOf(L"kbhook-loaded.dll").c_str());
    PlaceHookLibrary(HookVariant::NotALibrary, library);
    PostMessageW(CurrentWindow(keyloft), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    const MessageBoxOwner owner = MessageBoxOfProcess(keyloft.Process.Info.dwProcessId);
    HWND box = WaitForMessageBox(owner, 15000);
    Sleep(1000); // time for a second report, which must not come
    const long reports = static_cast<long>(FindMessageBoxes(owner).size());
    const MessageBoxContent content = box ? ReadMessageBox(box) : MessageBoxContent();
    const bool namesLibrary =
        content.Text.find(L"Cannot load hook library kbhook.dll.") != std::wstring::npos;
    if (box)
        PressMessageBoxButton(box, IDNO);
    const DWORD code = WaitForExit(keyloft.Process);
    row.Sent = 1;
    row.SentWhat = "restart with kbhook.dll no library";
    row.Outcome = {{"error reports", reports, 1},
                   {"naming the library", namesLibrary ? 1 : 0, 1},
                   {"exits with code 0", code == 0 ? 1 : 0, 1}};
    row.After = Counters(keyloft);
    row.Alive = Answers(keyloft);
    return row;
}
