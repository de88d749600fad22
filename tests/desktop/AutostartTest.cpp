// KeyloftCheck --autostart in the prefix's own Startup folder: the shortcut written, read back and
// removed, Task Manager's off mark warned of and taken back, and a shortcut of another folder
// warned of.
#include "support/ProgramRun.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

const wchar_t ApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";

std::wstring StartupShortcut() {
    PWSTR path = nullptr;
    SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_CREATE, nullptr, &path);
    const std::wstring shortcut = std::wstring(path ? path : L"") + L"\\Keyloft.lnk";
    CoTaskMemFree(path);
    return shortcut;
}

bool HasMark() {
    return RegGetValueW(HKEY_CURRENT_USER, ApprovedKey, L"Keyloft.lnk", RRF_RT_REG_BINARY, nullptr,
                        nullptr, nullptr) == ERROR_SUCCESS;
}

// No shortcut and no mark before and after the test, so that no other test's check sees one.
struct AutostartCleared {
    AutostartCleared() { Clear(); }
    ~AutostartCleared() { Clear(); }
    void Clear() {
        DeleteFileW(Shortcut.c_str());
        RegDeleteKeyValueW(HKEY_CURRENT_USER, ApprovedKey, L"Keyloft.lnk");
    }

    std::wstring Shortcut = StartupShortcut();
};

struct Link {
    std::wstring Target, Folder, Arguments;
};

Link ReadShortcut(const std::wstring& path) {
    Link read;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    wchar_t target[MAX_PATH] = L"", folder[MAX_PATH] = L"", arguments[MAX_PATH] = L"";
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        link->GetPath(target, MAX_PATH, nullptr, 0);
        link->GetWorkingDirectory(folder, MAX_PATH);
        link->GetArguments(arguments, MAX_PATH);
        read = {target, folder, arguments};
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    CoUninitialize();
    return read;
}

std::wstring LongPath(const std::wstring& path) {
    wchar_t full[MAX_PATH * 4];
    const DWORD length = GetLongPathNameW(path.c_str(), full, MAX_PATH * 4);
    return length ? std::wstring(full, length) : path;
}

// An installed folder: Keyloft.exe beside the checker, and a file without warnings.
void Install(const TempFolder& folder) {
    CopyFileW((BinFolder() + L"Keyloft.exe").c_str(), folder.PathOf(L"Keyloft.exe").c_str(), FALSE);
    WriteBytes(folder.PathOf(L"Keyloft.ini"), "[Keyloft]\r\n");
}

bool Says(const ProgramRun& run, const std::string& text) {
    return run.Output.find(text) != std::string::npos;
}

std::string Narrow(const std::wstring& ascii) {
    return std::string(ascii.begin(), ascii.end());
}

} // namespace

TEST(Autostart, ShortcutWrittenWarnedOfAndRemoved) {
    const AutostartCleared aside;
    TempFolder folder;
    Install(folder);
    const std::wstring program = LongPath(folder.PathOf(L"Keyloft.exe"));
    ProgramRun run = RunChecker(folder, L"");
    EXPECT_EQ(run.ExitCode, 0u) << run.Output;
    EXPECT_TRUE(Says(run, "Keyloft does not start with Windows")) << run.Output;

    run = RunChecker(folder, L"--autostart on");
    EXPECT_EQ(run.ExitCode, 0u) << run.Output;
    const Link link = ReadShortcut(aside.Shortcut);
    EXPECT_EQ(CompareStringOrdinal(LongPath(link.Target).c_str(), -1, program.c_str(), -1, TRUE),
              CSTR_EQUAL)
        << Narrow(link.Target);
    EXPECT_EQ(LongPath(link.Folder + L"\\"), LongPath(folder.Path));
    EXPECT_EQ(link.Arguments, L"");
    run = RunChecker(folder, L"");
    EXPECT_EQ(run.ExitCode, 0u) << run.Output;
    EXPECT_TRUE(Says(run, "Keyloft starts with Windows")) << run.Output;

    // Turned off in Task Manager: warned of, then taken back by the user's explicit wish.
    const BYTE off[12] = {3};
    RegSetKeyValueW(HKEY_CURRENT_USER, ApprovedKey, L"Keyloft.lnk", REG_BINARY, off, sizeof off);
    run = RunChecker(folder, L"");
    EXPECT_EQ(run.ExitCode, 1u) << run.Output;
    EXPECT_TRUE(Says(run, "warning (autostart): Task Manager's Startup tab turned off"))
        << run.Output;
    run = RunChecker(folder, L"--autostart on");
    EXPECT_EQ(run.ExitCode, 0u) << run.Output;
    EXPECT_TRUE(Says(run, "Task Manager's Startup tab no longer keeps it off")) << run.Output;
    EXPECT_FALSE(HasMark());
    EXPECT_EQ(RunChecker(folder, L"").ExitCode, 0u);

    // A copied folder's checker names the program that the shortcut starts.
    TempFolder copy;
    Install(copy);
    run = RunChecker(copy, L"");
    EXPECT_EQ(run.ExitCode, 1u) << run.Output;
    EXPECT_TRUE(Says(run, "warning (autostart)")) << run.Output;
    EXPECT_TRUE(Says(run, Narrow(program))) << run.Output;

    run = RunChecker(folder, L"--autostart off");
    EXPECT_EQ(run.ExitCode, 0u) << run.Output;
    EXPECT_EQ(GetFileAttributesW(aside.Shortcut.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(Says(RunChecker(folder, L""), "Keyloft does not start with Windows"));

    // Without Keyloft.exe beside it, the checker writes nothing.
    TempFolder empty;
    EXPECT_EQ(RunChecker(empty, L"--autostart on").ExitCode, 2u);
    EXPECT_EQ(GetFileAttributesW(aside.Shortcut.c_str()), INVALID_FILE_ATTRIBUTES);
}
