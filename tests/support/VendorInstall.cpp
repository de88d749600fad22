#include "support/VendorInstall.h"

#include <windows.h>

namespace {

constexpr wchar_t VendorKey[] = L"Software\\KYE\\ErgoMedia";

std::wstring ExpandedDefaultFolder() {
    wchar_t buffer[MAX_PATH];
    ExpandEnvironmentStringsW(L"%ProgramFiles%\\KYE\\ErgoMedia\\", buffer, MAX_PATH);
    return buffer;
}

void RemoveDefaultFolder() {
    const std::wstring folder = ExpandedDefaultFolder();
    DeleteFileW((folder + L"kbhook.dll").c_str());
    RemoveDirectoryW((folder + L"kbhook.dll").c_str());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(folder.substr(0, folder.size() - 11).c_str()); // ...\KYE\ (when empty)
}

void RemoveRegistryKey() {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, VendorKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\KYE");
}

} // namespace

VendorRegistryValue::VendorRegistryValue(const std::wstring& directory) {
    HKEY key = nullptr;
    RegCreateKeyW(HKEY_LOCAL_MACHINE, VendorKey, &key);
    RegSetValueExW(key, L"ErgoMediaPath", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(directory.c_str()),
                   static_cast<DWORD>((directory.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

VendorRegistryValue::~VendorRegistryValue() {
    RemoveRegistryKey();
}

DefaultVendorFolder::DefaultVendorFolder() : Path(ExpandedDefaultFolder()) {
    CreateDirectoryW(Path.substr(0, Path.size() - 11).c_str(), nullptr);
    CreateDirectoryW(Path.c_str(), nullptr);
}

DefaultVendorFolder::~DefaultVendorFolder() {
    RemoveDefaultFolder();
}

void RemoveVendorInstall() {
    RemoveRegistryKey();
    RemoveDefaultFolder();
}
