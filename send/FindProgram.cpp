#include "send/FindProgram.h"

namespace {

const wchar_t* const ExecutableExtensions[] = {L".com", L".exe", L".bat", L".cmd"};

const wchar_t AppPathsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// A path of up to MAX_PATH characters and the long paths that Windows allows.
constexpr DWORD PathCapacity = 32768;

bool Search(const wchar_t* program, const wchar_t* extension, wchar_t* found, DWORD capacity) {
    const DWORD length = SearchPathW(nullptr, program, extension, capacity, found, nullptr);
    return length > 0 && length < capacity;
}

// The default value of the program's App Paths key, without the quotes that some installers
// put around it.
bool Registered(HKEY root, const wchar_t* name, wchar_t* found, DWORD capacity) {
    static wchar_t subkey[PathCapacity];
    const int prefix = lstrlenW(AppPathsKey);
    if (prefix + lstrlenW(name) + 1 > static_cast<int>(PathCapacity))
        return false;
    lstrcpyW(subkey, AppPathsKey);
    lstrcpyW(subkey + prefix, name);
    DWORD bytes = capacity * sizeof(wchar_t);
    // RRF_RT_REG_SZ takes REG_EXPAND_SZ values too, expanded.
    if (RegGetValueW(root, subkey, nullptr, RRF_RT_REG_SZ, nullptr, found, &bytes) !=
            ERROR_SUCCESS ||
        found[0] == 0)
        return false;
    const int length = lstrlenW(found);
    if (found[0] == L'"' && length >= 2 && found[length - 1] == L'"') {
        for (int i = 0; i + 2 < length; ++i)
            found[i] = found[i + 1];
        found[length - 2] = 0;
    }
    return found[0] != 0;
}

} // namespace

bool IsExecutableExtension(const wchar_t* extension) {
    for (const wchar_t* known : ExecutableExtensions)
        if (CompareStringOrdinal(extension, -1, known, -1, TRUE) == CSTR_EQUAL)
            return true;
    return false;
}

const wchar_t* FileNamePart(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* c = path; *c; ++c)
        if (*c == L'\\' || *c == L'/' || *c == L':')
            name = c + 1;
    return name;
}

bool FindProgram(const wchar_t* program, wchar_t* found, DWORD capacity) {
    static wchar_t scratch[PathCapacity];
    if (!found || capacity == 0) {
        found = scratch;
        capacity = PathCapacity;
    }
    if (!program || !program[0])
        return false;
    if (GetFileAttributesW(program) != INVALID_FILE_ATTRIBUTES) {
        const DWORD length = GetFullPathNameW(program, capacity, found, nullptr);
        return length > 0 && length < capacity;
    }
    if (Search(program, nullptr, found, capacity))
        return true;
    for (const wchar_t* extension : ExecutableExtensions)
        if (Search(program, extension, found, capacity))
            return true;
    const wchar_t* name = FileNamePart(program);
    return Registered(HKEY_CURRENT_USER, name, found, capacity) ||
           Registered(HKEY_LOCAL_MACHINE, name, found, capacity);
}
