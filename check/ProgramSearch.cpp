#include "check/ProgramSearch.h"

#include "util/Utils.h"

#include <windows.h>

#include <cwctype>

namespace {

const wchar_t* const ExecutableExtensions[] = {L".com", L".exe", L".bat", L".cmd"};

bool SearchFinds(const std::wstring& name, const wchar_t* extension) {
    wchar_t found[MAX_PATH];
    return SearchPathW(nullptr, name.c_str(), extension, MAX_PATH, found, nullptr) > 0;
}

} // namespace

bool IsExecutableName(const std::wstring& program) {
    const std::wstring name = FileNameOf(program);
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos)
        return true;
    std::wstring extension;
    for (const wchar_t c : name.substr(dot))
        extension += static_cast<wchar_t>(std::towlower(c));
    for (const wchar_t* known : ExecutableExtensions)
        if (extension == known)
            return true;
    return false;
}

bool ProgramFound(const std::wstring& program) {
    if (program.empty())
        return false;
    if (GetFileAttributesW(program.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    if (SearchFinds(program, nullptr))
        return true;
    for (const wchar_t* extension : ExecutableExtensions)
        if (SearchFinds(program, extension))
            return true;
    const std::wstring registered =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + FileNameOf(program);
    return !ReadRegistryString(HKEY_CURRENT_USER, registered, L"").empty() ||
           !ReadRegistryString(HKEY_LOCAL_MACHINE, registered, L"").empty();
}
