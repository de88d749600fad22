// The places where the vendor's software may have put kbhook.dll, set up and removed by tests:
// the ErgoMediaPath registry value and the default installation directory.
#pragma once

#include <string>

// Sets ErgoMediaPath under HKLM\Software\KYE\ErgoMedia; the key is removed at the end.
struct VendorRegistryValue {
    explicit VendorRegistryValue(const std::wstring& directory);
    ~VendorRegistryValue();
};

// "%ProgramFiles%\KYE\ErgoMedia\", expanded; created on demand and removed at the end.
struct DefaultVendorFolder {
    DefaultVendorFolder();
    ~DefaultVendorFolder();
    std::wstring Path;
};

// Removes anything an interrupted earlier run may have left in either place.
void RemoveVendorInstall();
