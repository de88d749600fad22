// Integer text, key text and the configuration read against real INI files.
#include "mapping/Config.h"
#include "shell/AppState.h"
#include "support/ConfigFixture.h"
#include "util/IntegerText.h"
#include "util/TextCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ParseCase {
    std::wstring Text;
    bool Parses;
    std::int32_t Value;
};

} // namespace

TEST(ParseInteger, Examples) {
    const ParseCase cases[] = {
        {L"500", true, 500},
        {L" 500", true, 500},
        {L"+500", true, 500},
        {L"0500", true, 500},
        {L"$1F4", true, 500},
        {L"x1F4", true, 500},
        {L"X1f4", true, 500},
        {L"0x1F4", true, 500},
        {L"0X1f4", true, 500},
        {L"-5", true, -5},
        {L"-$10", true, -16},
        {L"-0x10", true, -16},
        {L"0", true, 0},
        {L"-0", true, 0},
        {L"0x0", true, 0},
        {L"2147483647", true, 2147483647},
        {L"-2147483648", true, INT32_MIN},
        {L"$FFFFFFFF", true, -1},
        {L"030", true, 30}, // never octal
        {L"   -5", true, -5},
        {L"+$10", true, 16},
        {L"-$FFFFFFFF", true, 1},
        {L"0x0000000000FF", true, 255}, // leading zeros of any number
        {L"00000000002147483647", true, 2147483647},
        {L"-0x80000000", true, INT32_MIN},
        // Out of range.
        {L"2147483648", false, 0},
        {L"$100000000", false, 0},
        {L"-2147483649", false, 0},
        {L"99999999999999999999", false, 0},
        {L"0x1FFFFFFFF", false, 0},
        // Not integer text.
        {L"", false, 0},
        {L"-", false, 0},
        {L"+", false, 0},
        {L"$", false, 0},
        {L"x", false, 0},
        {L"0x", false, 0},
        {L"- 5", false, 0},
        {L"--5", false, 0},
        {L"+-5", false, 0},
        {L"5 00", false, 0},
        {L"500ms", false, 0},
        {L"1e3", false, 0},
        {L"0a", false, 0},
        {L"500 ", false, 0},
        {L" ", false, 0},
        {L"\t500", false, 0}, // only blanks are skipped
        {L"0x1E h", false, 0},
        {L"0x$1", false, 0},
        {L"$-1", false, 0},
        {L"0xx1", false, 0},
        {L"1F4", false, 0},
        // Characters outside ASCII are never digits, signs or blanks, look-alikes included.
        {L"12\u0663", false, 0},
        {L"\uFF15\uFF10\uFF10", false, 0},
        {L"0x\uFF11E", false, 0},
        {L"\u00A0500", false, 0},
        {L"\uFF0B5", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t value = 12345;
        EXPECT_EQ(ParseInteger(c.Text, value), c.Parses) << L"[" << c.Text << L"]";
        EXPECT_EQ(value, c.Parses ? c.Value : 12345) << L"[" << c.Text << L"]";
        // kbhook.dll reads counted text inside a profile list: what follows does not count.
        const std::wstring followed = c.Text + L"7";
        value = 12345;
        EXPECT_EQ(ParseIntegerText(followed.c_str(), c.Text.size(), value), c.Parses);
        EXPECT_EQ(value, c.Parses ? c.Value : 12345) << L"[" << c.Text << L"]";
    }
}

TEST(KeyText, PadsToFourUppercaseDigits) {
    const struct {
        std::int32_t Code;
        std::wstring Text;
    } cases[] = {
        {0x41, L"0041"},   {0xE05F, L"E05F"},        {0x1E05F, L"1E05F"},
        {0, L"0000"},      {0xabcde, L"ABCDE"},      {0x7FFFFFFF, L"7FFFFFFF"},
        {-1, L"FFFFFFFF"}, {INT32_MIN, L"80000000"}, {0x5, L"0005"},
        {0xFFFF, L"FFFF"}, {0x10000, L"10000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyText(c.Code), c.Text) << c.Code;
}

TEST(ReadSetting, KeysValuesAndSections) {
    ScopedConfig config(L"[Other]\r\n"
                        L"E05F=from another section\r\n"
                        L"OnlyInOther=x\r\n"
                        L"[keyloft]\r\n"
                        L"e05f = \"C:\\Program Files\\Mail\\mail.exe\" -new\r\n"
                        L"  RepeatDelay   =   400  \r\n"
                        L"OnlyActiveUser=\r\n"
                        L"Blanks=      \r\n"
                        L"Quoted=\"C:\\My Tools\\app.exe\"\r\n"
                        L"Single='single quoted'\r\n"
                        L"Mixed=\"mixed'\r\n"
                        L"Inner=a \"b\" c\r\n"
                        L"E05F+=notepad.exe C:\\notes.txt\r\n"
                        L"[Last]\r\n"
                        L"Later=x\r\n");
    const struct {
        std::wstring Key, Default, Expected;
    } cases[] = {
        {L"E05F", L"", L"\"C:\\Program Files\\Mail\\mail.exe\" -new"},
        {L"e05F", L"", L"\"C:\\Program Files\\Mail\\mail.exe\" -new"},
        {L"E05F+", L"", L"notepad.exe C:\\notes.txt"},
        {L"RepeatDelay", L"", L"400"},
        {L"repeatdelay", L"", L"400"},
        {L"OnlyActiveUser", L"1", L""}, // present and empty is not the default
        {L"Absent", L"1", L"1"},
        {L"Absent", L"", L""},
        {L"Blanks", L"1", L""},
        {L"Quoted", L"", L"C:\\My Tools\\app.exe"},
        {L"Single", L"", L"single quoted"},
        {L"Mixed", L"", L"\"mixed'"},
        {L"Inner", L"", L"a \"b\" c"},
        {L"OnlyInOther", L"d", L"d"},
        {L"Later", L"d", L"d"},
        {L"E05", L"d", L"d"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadSetting(c.Key, c.Default), c.Expected) << c.Key;
}

TEST(ReadSetting, LongValuesAreCutTo2047Characters) {
    std::wstring value;
    for (int i = 0; value.size() < 3000; ++i)
        value += static_cast<wchar_t>(L'a' + i % 26);
    ScopedConfig config(L"[Keyloft]\r\nLong=" + value + L"\r\nExact=" + value.substr(0, 2047) +
                        L"\r\nOneMore=" + value.substr(0, 2048) + L"\r\nAfter=next\r\n");
    EXPECT_EQ(ReadSetting(L"Long", L""), value.substr(0, 2047));
    EXPECT_EQ(ReadSetting(L"Exact", L""), value.substr(0, 2047));
    EXPECT_EQ(ReadSetting(L"OneMore", L""), value.substr(0, 2047));
    EXPECT_EQ(ReadSetting(L"After", L""), L"next");
}

TEST(ReadSetting, Utf16FileWithByteOrderMark) {
    const std::wstring program = L"C:\\Pr\u00F6gr\u00E4mme\\\u65E5\u672C\\\u03A9.exe";
    ScopedConfig config(L"[Keyloft]\r\n0041=" + program + L" -x\r\nRepeatDelay=300\r\n",
                        ScopedConfig::Utf16);
    EXPECT_EQ(ReadSetting(L"0041", L""), program + L" -x");
    EXPECT_EQ(ReadSetting(L"RepeatDelay", L""), L"300");
    EXPECT_EQ(ReadSetting(L"Absent", L"1"), L"1");
}

TEST(ReadSetting, MissingFileGivesTheDefaults) {
    ScopedConfig config(L"[Keyloft]\r\nOnlyActiveUser=\r\n");
    AppState.ConfigPath = config.Folder.PathOf(L"absent.ini");
    EXPECT_EQ(ReadSetting(L"OnlyActiveUser", L"1"), L"1");
    EXPECT_EQ(ReadSetting(L"0041", L""), L"");
    AppState.ConfigPath = config.Folder.PathOf(L"no folder\\Keyloft.ini");
    EXPECT_EQ(ReadSetting(L"OnlyActiveUser", L"1"), L"1");
}

TEST(ReadSetting, AnEditTakesEffectAtTheNextRead) {
    ScopedConfig config(L"[Keyloft]\r\n0041=first\r\n");
    EXPECT_EQ(ReadSetting(L"0041", L""), L"first");
    WriteAnsiFile(AppState.ConfigPath, L"[Keyloft]\r\n0041=the second value\r\n");
    EXPECT_EQ(ReadSetting(L"0041", L""), L"the second value");
    DeleteFileW(AppState.ConfigPath.c_str());
    EXPECT_EQ(ReadSetting(L"0041", L"gone"), L"gone");
}

TEST(ConfigPath, IsTheExecutablesPathWithIni) {
    EXPECT_EQ(DeriveConfigPath(), BinFolder() + L"KeyloftUnitTests.ini");
}

TEST(ReadSetting, Utf8WithoutByteOrderMarkAndTheOtherEncodings) {
    // "Müsik Á.exe" in UTF-8: Á (C3 81) holds a byte that code page 1252 leaves undefined.
    const std::string utf8 = "M\xC3\xBCsik \xC3\x81.exe";
    const std::wstring meant = L"M\u00FCsik \u00C1.exe";
    const std::string ansi = "M\xFCsik.exe"; // not UTF-8: kept as the code page reads it
    std::wstring utf16 = L"[Keyloft]\r\n0041=" + meant + L"\r\n";
    const struct {
        const char* Name;
        std::string Bytes;
        std::wstring Expected;
    } cases[] = {
        {"UTF-8", "[Keyloft]\r\n0041=" + utf8 + "\r\n", meant},
        {"UTF-8 with BOM", "\xEF\xBB\xBF[Keyloft]\r\n0041=" + utf8 + "\r\n", meant},
        {"UTF-16 with BOM",
         "\xFF\xFE" + std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2),
         meant},
        {"ANSI", "[Keyloft]\r\n0041=" + ansi + "\r\n", FromAnsi(ansi)},
        {"ASCII", "[Keyloft]\r\n0041=notepad.exe\r\n", L"notepad.exe"},
        // The 2047-character cut comes first: a cut through a sequence leaves the ANSI reading.
        {"cut UTF-8", "[Keyloft]\r\n0041=" + std::string(2046, 'a') + "\xC3\xBC\r\n",
         std::wstring(2046, L'a') + FromAnsi("\xC3")},
    };
    ScopedConfig config(L"");
    for (const auto& c : cases) {
        WriteBytes(AppState.ConfigPath, c.Bytes);
        EXPECT_EQ(ReadSetting(L"0041", L""), c.Expected) << c.Name;
    }
}
