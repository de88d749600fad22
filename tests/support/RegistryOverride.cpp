#include "support/RegistryOverride.h"

#include <vector>

namespace {

void SetString(HKEY root, const std::wstring& subkey, const std::wstring& name,
               const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyW(root, subkey.c_str(), &key) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

} // namespace

RegistryOverride::RegistryOverride(HKEY root, const std::wstring& subkey, const std::wstring& name,
                                   const std::wstring& value)
    : Root(root), Subkey(subkey), Name(name) {
    HKEY key = nullptr;
    if (RegOpenKeyW(root, subkey.c_str(), &key) == ERROR_SUCCESS) {
        std::vector<wchar_t> buffer(4096);
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        DWORD type = 0;
        if (RegQueryValueExW(key, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            HadValue = true;
            OldValue.assign(buffer.data(), wcsnlen(buffer.data(), size / sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }
    SetString(root, subkey, name, value);
}

RegistryOverride::~RegistryOverride() {
    if (HadValue) {
        SetString(Root, Subkey, Name, OldValue);
        return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyW(Root, Subkey.c_str(), &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, Name.empty() ? nullptr : Name.c_str());
        RegCloseKey(key);
    }
}
