#include "check/Autostart.h"

#include "check/Output.h"
#include "mapping/Config.h"
#include "util/ErrorText.h"
#include "util/Utils.h"

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

const wchar_t ShortcutName[] = L"Keyloft.lnk";
// Where Task Manager's Startup tab keeps its marks for the shortcuts of the Startup folder: a
// binary value per shortcut, named after it, whose first byte is odd while the entry is off.
const wchar_t ApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";

// COM for the scope of one call, on the calling thread.
struct ComScope {
    HRESULT Result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComScope() {
        if (SUCCEEDED(Result))
            CoUninitialize();
    }
};

// An interface pointer released at the end of its scope.
template <class Interface> struct Held {
    Interface* Pointer = nullptr;
    ~Held() {
        if (Pointer)
            Pointer->Release();
    }
};

// The system's reason for a failed call, from its HRESULT.
std::wstring Reason(HRESULT result) {
    std::wstring text;
    const DWORD code = HRESULT_FACILITY(result) == FACILITY_WIN32
                           ? static_cast<DWORD>(HRESULT_CODE(result))
                           : static_cast<DWORD>(result);
    SystemErrorText(code, text);
    wchar_t number[16];
    wsprintfW(number, L"0x%08X", static_cast<unsigned>(result));
    return text.empty() ? std::wstring(L"error ") + number : text;
}

// Equal without letter case, as Windows compares paths (and as the words on and off are read).
bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The path in the long form of each existing part, so that an 8.3 name compares equal.
std::wstring LongPath(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    const DWORD length = GetLongPathNameW(path.c_str(), &full[0], 32768);
    return length > 0 && length < 32768 ? full.substr(0, length) : path;
}

// True for the answer of a Startup folder that does not exist (yet): then there is no shortcut.
bool NoFolder(HRESULT result) {
    return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// The Startup folder; created when create is set and it does not exist yet (a new profile or a
// redirected folder may lack it).
HRESULT StartupFolder(bool create, std::wstring& folder) {
    PWSTR path = nullptr;
    const HRESULT result = SHGetKnownFolderPath(
        FOLDERID_Startup, create ? static_cast<DWORD>(KF_FLAG_CREATE) : 0u, nullptr, &path);
    if (SUCCEEDED(result))
        folder = path;
    CoTaskMemFree(path);
    return result;
}

bool TurnedOffInTaskManager() {
    BYTE data[256];
    DWORD size = sizeof data;
    return RegGetValueW(HKEY_CURRENT_USER, ApprovedKey, ShortcutName, RRF_RT_REG_BINARY, nullptr,
                        data, &size) == ERROR_SUCCESS &&
           size > 0 && (data[0] & 1);
}

// Deletes Task Manager's mark; true when there was one.
bool TakeBackMark(LSTATUS& status) {
    status = ERROR_SUCCESS;
    if (!TurnedOffInTaskManager())
        return false;
    HKEY key = nullptr;
    status = RegOpenKeyExW(HKEY_CURRENT_USER, ApprovedKey, 0, KEY_SET_VALUE, &key);
    if (status == ERROR_SUCCESS) {
        status = RegDeleteValueW(key, ShortcutName);
        RegCloseKey(key);
    }
    return true;
}

HRESULT ReadTarget(const std::wstring& shortcut, std::wstring& target) {
    Held<IShellLinkW> link;
    Held<IPersistFile> file;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void**>(&link.Pointer));
    if (SUCCEEDED(result))
        result =
            link.Pointer->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.Pointer));
    if (SUCCEEDED(result))
        result = file.Pointer->Load(shortcut.c_str(), STGM_READ);
    wchar_t path[MAX_PATH] = L"";
    if (SUCCEEDED(result))
        result = link.Pointer->GetPath(path, MAX_PATH, nullptr, 0);
    target = path;
    return result;
}

// The folder of a file without its last backslash, as a shortcut's "Start in" shows it; a drive's
// root keeps it.
std::wstring FolderOf(const std::wstring& file) {
    std::wstring folder = DirectoryOf(file);
    if (folder.size() > 3 && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

HRESULT WriteShortcut(const std::wstring& shortcut, const std::wstring& program) {
    Held<IShellLinkW> link;
    Held<IPersistFile> file;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void**>(&link.Pointer));
    if (SUCCEEDED(result))
        result = link.Pointer->SetPath(program.c_str());
    if (SUCCEEDED(result))
        result = link.Pointer->SetWorkingDirectory(FolderOf(program).c_str());
    if (SUCCEEDED(result))
        result = link.Pointer->SetArguments(L"");
    if (SUCCEEDED(result))
        result =
            link.Pointer->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.Pointer));
    if (SUCCEEDED(result))
        result = file.Pointer->Save(shortcut.c_str(), TRUE);
    return result;
}

int TurnOn() {
    const std::wstring program = ProgramBesideChecker();
    const DWORD attributes = GetFileAttributesW(program.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        WriteOut(L"Keyloft cannot start with Windows: there is no " + Quote(program) +
                 L" beside KeyloftCheck.\n");
        return 2;
    }
    const ComScope com;
    std::wstring folder;
    HRESULT result = StartupFolder(true, folder);
    const std::wstring shortcut = folder + L"\\" + ShortcutName;
    if (SUCCEEDED(result))
        result = WriteShortcut(shortcut, program);
    if (FAILED(result)) {
        WriteOut(L"Keyloft cannot start with Windows: the shortcut " +
                 (folder.empty() ? L"in the Startup folder" : Quote(shortcut)) +
                 L" cannot be written: " + Reason(result) + L".\n");
        return 2;
    }
    std::wstring text = L"Keyloft starts with Windows: the shortcut " + Quote(shortcut) +
                        L" starts " + Quote(program) + L" in its folder";
    LSTATUS status = ERROR_SUCCESS;
    if (TakeBackMark(status)) {
        if (status != ERROR_SUCCESS) {
            WriteOut(text +
                     L", but Task Manager's Startup tab keeps it off: its mark cannot be "
                     L"taken back: " +
                     Reason(HRESULT_FROM_WIN32(status)) + L".\n");
            return 2;
        }
        text += L", and Task Manager's Startup tab no longer keeps it off";
    }
    WriteOut(text + L".\n");
    return 0;
}

int TurnOff() {
    const ComScope com;
    std::wstring folder;
    const HRESULT result = StartupFolder(false, folder);
    const std::wstring shortcut = folder + L"\\" + ShortcutName;
    if (FAILED(result) && !NoFolder(result)) {
        WriteOut(L"Keyloft's shortcut cannot be deleted: the Startup folder is unknown: " +
                 Reason(result) + L".\n");
        return 2;
    }
    if (FAILED(result) || DeleteFileW(shortcut.c_str())) {
        WriteOut(FAILED(result) ? std::wstring(L"Keyloft does not start with Windows.\n")
                                : L"Keyloft no longer starts with Windows: deleted the shortcut " +
                                      Quote(shortcut) + L".\n");
        return 0;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        WriteOut(L"Keyloft does not start with Windows: there is no shortcut " + Quote(shortcut) +
                 L".\n");
        return 0;
    }
    WriteOut(L"Keyloft's shortcut " + Quote(shortcut) + L" cannot be deleted: " +
             Reason(HRESULT_FROM_WIN32(error)) + L".\n");
    return 2;
}

} // namespace

AutostartVerdict JudgeAutostart(const AutostartFacts& facts, const std::wstring& program) {
    AutostartVerdict verdict;
    if (!facts.Problem.empty()) {
        verdict.Line = L"Whether Keyloft starts with Windows is unknown: " + facts.Problem + L".";
        if (facts.Exists)
            verdict.Warnings.push_back(L"the shortcut " + Quote(facts.Shortcut) +
                                       L" cannot be read: " + facts.Problem + L".");
        return verdict;
    }
    if (!facts.Exists) {
        verdict.Line = L"Keyloft does not start with Windows (KeyloftCheck --autostart on turns "
                       L"it on).";
        return verdict;
    }
    if (facts.TurnedOff) {
        verdict.Line = L"Keyloft does not start with Windows: its shortcut " +
                       Quote(facts.Shortcut) + L" is turned off.";
        verdict.Warnings.push_back(L"Task Manager's Startup tab turned off the shortcut " +
                                   Quote(facts.Shortcut) +
                                   L". Turn it on there, or with KeyloftCheck --autostart on.");
        return verdict;
    }
    verdict.Line = L"Keyloft starts with Windows (the shortcut " + Quote(facts.Shortcut) + L").";
    if (SamePath(facts.Target, program)) {
        verdict.Starts = true;
        return verdict;
    }
    verdict.Warnings.push_back(
        L"the shortcut " + Quote(facts.Shortcut) + L" starts " + Quote(facts.Target) +
        (facts.TargetExists ? L"" : L", which does not exist,") + L" and not " + Quote(program) +
        L" beside this checker (a moved or copied folder). KeyloftCheck --autostart on points it "
        L"here.");
    return verdict;
}

AutostartFacts ReadAutostart() {
    AutostartFacts facts;
    const ComScope com;
    std::wstring folder;
    HRESULT result = StartupFolder(false, folder);
    if (NoFolder(result))
        return facts;
    if (FAILED(result)) {
        facts.Problem = L"the Startup folder is unknown: " + Reason(result);
        return facts;
    }
    facts.Shortcut = folder + L"\\" + ShortcutName;
    facts.Exists = GetFileAttributesW(facts.Shortcut.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!facts.Exists)
        return facts;
    result = ReadTarget(facts.Shortcut, facts.Target);
    if (FAILED(result)) {
        facts.Problem = Reason(result);
        return facts;
    }
    facts.TargetExists = GetFileAttributesW(facts.Target.c_str()) != INVALID_FILE_ATTRIBUTES;
    facts.Target = LongPath(facts.Target);
    facts.TurnedOff = TurnedOffInTaskManager();
    return facts;
}

std::wstring ProgramBesideChecker() {
    return LongPath(DirectoryOf(DeriveConfigPath()) + L"Keyloft.exe");
}

int TurnAutostart(const std::wstring& word) {
    if (SamePath(word, L"on"))
        return TurnOn();
    if (SamePath(word, L"off"))
        return TurnOff();
    WriteOut(L"Usage: KeyloftCheck --autostart on|off\n");
    return 2;
}

std::wstring AutostartOffer() {
    return JudgeAutostart(ReadAutostart(), ProgramBesideChecker()).Starts
               ? L"A to stop starting Keyloft with Windows, "
               : L"A to start Keyloft with Windows, ";
}

void ToggleAutostart() {
    WriteOut(L"\n");
    TurnAutostart(JudgeAutostart(ReadAutostart(), ProgramBesideChecker()).Starts ? L"off" : L"on");
}
