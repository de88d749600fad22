// KeyloftCheck [file]: shows what each line of a Keyloft configuration file will do and warns of
// the lines that will not do what they seem to. Exit status: 0 without warnings, 1 with
// warnings, 2 when the file cannot be read. KeyloftCheck --autostart on|off starts Keyloft with
// Windows, or no longer (check/Autostart.h); KeyloftCheck [file] --try "SCRIPT" shows what keys
// would do (check/DryRun.h).
#include "check/Autostart.h"
#include "check/Checks.h"
#include "check/DryRun.h"
#include "check/IniLines.h"
#include "check/KeyTester.h"
#include "check/Output.h"
#include "mapping/Config.h"
#include "shell/AppState.h"
#include "util/TextCodec.h"
#include "util/Utils.h"

#include "KeyloftVersion.h"

#include <windows.h>

#include <string>

namespace {

// The whole file, or false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    char chunk[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &read, nullptr)) {
            ok = false;
            break;
        }
        if (read == 0)
            break;
        bytes.append(chunk, read);
    }
    CloseHandle(file);
    return ok;
}

// Keyloft.ini beside this program, where Keyloft.exe beside it reads its configuration.
std::wstring DefaultConfigPath() {
    return DirectoryOf(DeriveConfigPath()) + L"Keyloft.ini";
}

// The profile reader looks for a relative name in the Windows folder: make it absolute.
std::wstring FullPath(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    full.resize(length < size ? length : 0);
    return full.empty() ? path : full;
}

} // namespace

int CheckFile(int argc, wchar_t** argv);

// A console of the checker's own (started from Explorer) stays open until a key is pressed, and
// offers the key tester after the check.
int wmain(int argc, wchar_t** argv) {
    const bool own = OwnConsole();
    const bool keys = argc > 1 && std::wstring(argv[1]) == L"--keys";
    if (keys && argc <= 3)
        AppState.ConfigPath = FullPath(argc == 3 ? argv[2] : DefaultConfigPath());
    const int status = keys && argc <= 3 ? RunKeyTester() : CheckFile(argc, argv);
    const WORD key = own && !keys && status != 2 ? OfferKeyTester(AutostartOffer()) : 0;
    if (key == 'T')
        RunKeyTester();
    else if (key == 'A')
        ToggleAutostart();
    if (own)
        WaitBeforeClosing();
    return status;
}

// KeyloftCheck [file], or its version or usage.
int CheckFile(int argc, wchar_t** argv) {
    const std::wstring first = argc > 1 ? argv[1] : L"";
    if (first == L"--version") {
        WriteOut(L"KeyloftCheck " KEYLOFT_VERSION_W L"\n");
        return 0;
    }
    if (first == L"--autostart")
        return TurnAutostart(argc == 3 ? argv[2] : L"");
    // "--try SCRIPT" or "file --try SCRIPT".
    const bool tries =
        (argc == 3 && first == L"--try") || (argc == 4 && std::wstring(argv[2]) == L"--try");
    if ((argc > 2 && !tries) || first == L"--help" || first == L"/?") {
        WriteOut(L"Usage: KeyloftCheck [file]\n"
                 L"Shows what each line of Keyloft's configuration file does and warns of "
                 L"pitfalls.\nWithout a file it reads Keyloft.ini beside KeyloftCheck.exe.\n"
                 L"KeyloftCheck --keys [file] shows the code and the bindings of each key "
                 L"pressed, until Esc is pressed twice.\n"
                 L"KeyloftCheck --autostart on|off starts Keyloft with Windows, or no longer.\n"
                 L"KeyloftCheck [file] --try \"SCRIPT\" shows what the keys of SCRIPT would do, "
                 L"without pressing a key:\n  NAME presses and releases a key, +NAME presses it, "
                 L"-NAME releases it, 600 or 600ms waits;\n  NAME is a key as KeyloftSend names "
                 L"it (CapsLock, J, LCtrl); events are 10 ms apart.\n");
        return argc > 2 ? 2 : 0;
    }
    const std::wstring file = tries && argc == 3 ? L"" : first;
    AppState.ConfigPath = FullPath(file.empty() ? DefaultConfigPath() : file);
    std::string bytes;
    if (!ReadWholeFile(AppState.ConfigPath, bytes)) {
        WriteOut(L"Cannot read " + AppState.ConfigPath + L": the file is missing or locked.\n");
        return 2;
    }
    if (tries)
        return TryScript(argv[argc - 1]);
    bool ansi = false;
    IniSection section = ScanKeyloftSection(DecodeIniBytes(bytes, ansi));
    if (ansi)
        for (IniLine& line : section.Lines)
            line.Written = RecoverUtf8(line.Written);
    const CheckReport report = CheckConfiguration(section);

    std::wstring text = L"Checking " + AppState.ConfigPath + L"\n";
    for (const std::wstring& line : report.Lines)
        text += line + L"\n";
    for (const CheckWarning& warning : report.Warnings)
        text += (warning.Line > 0 ? L"Line " + std::to_wstring(warning.Line) : L"File") +
                L": warning (" + warning.Kind + L"): " + warning.Text + L"\n";
    const AutostartVerdict autostart = JudgeAutostart(ReadAutostart(), ProgramBesideChecker());
    text += autostart.Line + L"\n";
    for (const std::wstring& warning : autostart.Warnings)
        text += L"Windows: warning (autostart): " + warning + L"\n";
    const size_t warnings = report.Warnings.size() + autostart.Warnings.size();
    text += warnings == 0 ? std::wstring(L"No warnings.\n")
                          : std::to_wstring(warnings) + L" warning(s).\n";
    WriteOut(text);
    return warnings == 0 ? 0 : 1;
}
