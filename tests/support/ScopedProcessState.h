// Guards that change a piece of the test process's own state for a scope and put it back.
#pragma once

#include <windows.h>

#include <string>

// Makes path the current directory for the scope.
struct ScopedCurrentDirectory {
    explicit ScopedCurrentDirectory(const std::wstring& path) {
        const DWORD size = GetCurrentDirectoryW(0, nullptr);
        Saved.resize(size);
        Saved.resize(GetCurrentDirectoryW(size, &Saved[0]));
        Changed = SetCurrentDirectoryW(path.c_str()) != FALSE;
    }
    ~ScopedCurrentDirectory() { SetCurrentDirectoryW(Saved.c_str()); }
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

    std::wstring Saved;
    bool Changed = false;
};

// Sets an environment variable for the scope (and for the programs started in it); removes it
// afterwards.
struct ScopedEnvironmentVariable {
    ScopedEnvironmentVariable(const wchar_t* name, const std::wstring& value) : Name(name) {
        SetEnvironmentVariableW(Name, value.c_str());
    }
    ~ScopedEnvironmentVariable() { SetEnvironmentVariableW(Name, nullptr); }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

    const wchar_t* Name;
};
