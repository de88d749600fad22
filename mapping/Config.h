// The configuration file beside the executable: its path, its settings and the key text rule.
#pragma once

#include <cstdint>
#include <string>

// The running executable's full path with its extension replaced by ".ini".
std::wstring DeriveConfigPath();

// The most characters of a value that ReadSetting returns; the rest of a longer value is cut.
constexpr unsigned MaxSettingChars = 2047;

// The value of key in section "Keyloft" of the configuration file (AppState.ConfigPath), or
// defaultValue when the file, the section or the key is missing; at most 2047 characters as the
// profile reader returned them. A value of a file without a byte-order mark that is valid UTF-8
// comes back decoded from UTF-8.
std::wstring ReadSetting(const std::wstring& key, const std::wstring& defaultValue);

// Integer text: decimal, or hexadecimal after "$", "x" or "0x"; optional sign and leading
// blanks. Returns false for anything else or for a value outside 32 bits.
bool ParseInteger(const std::wstring& text, std::int32_t& value);

// A key code as the configuration file names it: uppercase hexadecimal, at least four digits.
std::wstring KeyText(std::int32_t code);
