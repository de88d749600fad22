#include "shell/HookLibrary.h"

#include "shell/AppState.h"
#include "util/Error.h"
#include "util/TextCodec.h"
#include "util/Utils.h"

#include <windows.h>

namespace {

constexpr wchar_t LibraryName[] = L"kbhook.dll";
constexpr wchar_t VendorKey[] = L"Software\\KYE\\ErgoMedia";
constexpr wchar_t VendorPathValue[] = L"ErgoMediaPath";
constexpr wchar_t DefaultDirectory[] = L"%ProgramFiles%\\KYE\\ErgoMedia";
constexpr DWORD ExpansionChars = 260;

std::wstring RegistryCandidate() {
    return WithTrailingBackslash(
               ReadRegistryString(HKEY_LOCAL_MACHINE, VendorKey, VendorPathValue)) +
           LibraryName;
}

std::wstring DefaultCandidate() {
    const std::wstring unexpanded = WithTrailingBackslash(DefaultDirectory) + LibraryName;
    wchar_t buffer[ExpansionChars];
    const DWORD units = ExpandEnvironmentStringsW(unexpanded.c_str(), buffer, ExpansionChars);
    // 0 is a failure; more than the buffer means it holds no complete path.
    if (units == 0 || units > ExpansionChars)
        return std::wstring();
    return std::wstring(buffer, units - 1);
}

} // namespace

bool PathExists(const std::wstring& path) {
    const std::string ansi = ToAnsi(path);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(ansi.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    FILETIME local;
    FileTimeToLocalFileTime(&found.ftLastWriteTime, &local);
    WORD dosDate = 0;
    WORD dosTime = 0;
    return FileTimeToDosDateTime(&local, &dosDate, &dosTime) != FALSE;
}

void LocateHookLibrary(std::wstring& path) {
    std::wstring candidate = LibraryName;
    if (!PathExists(candidate)) {
        candidate = RegistryCandidate();
        if (!PathExists(candidate)) {
            candidate = DefaultCandidate();
            if (!PathExists(candidate))
                RaiseError("Cannot find %s from ErgoMedia software anywhere on your system.",
                           LibraryName);
        }
    }
    path = candidate;
}

void LoadHookLibrary() {
    LocateHookLibrary(AppState.HookLibraryPath);
    AppState.HookLibrary = LoadLibraryW(AppState.HookLibraryPath.c_str());
    if (!AppState.HookLibrary)
        RaiseError("Cannot load hook library %s.", AppState.HookLibraryPath);
    AppState.HookKeyboard = reinterpret_cast<HookKeyboardEntry>(
        reinterpret_cast<void*>(GetProcAddress(AppState.HookLibrary, HookKeyboardExport)));
    AppState.SystemSleepKeyProc = reinterpret_cast<SystemSleepKeyEntry>(
        reinterpret_cast<void*>(GetProcAddress(AppState.HookLibrary, SystemSleepKeyExport)));
    if (!AppState.HookKeyboard || !AppState.SystemSleepKeyProc)
        RaiseError("Cannot find necessary export routines in %s.", AppState.HookLibraryPath);
}
