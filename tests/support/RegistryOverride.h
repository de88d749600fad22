// Sets a registry string value for the length of a test and puts the old one back afterwards.
#pragma once

#include <windows.h>

#include <string>

struct RegistryOverride {
    RegistryOverride(HKEY root, const std::wstring& subkey, const std::wstring& name,
                     const std::wstring& value);
    ~RegistryOverride();

    HKEY Root;
    std::wstring Subkey;
    std::wstring Name;
    bool HadValue = false;
    std::wstring OldValue;
};
