// kbhook.dll's decisions: which keyboard events it reports and swallows, the code it forms, and
// how it recognises the configuration keys that bind a code.
#include "hook/HookKeys.h"

#include "support/BoundCodes.h"

#include "mapping/Config.h"
#include "util/Utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

constexpr DWORD Ext = LLKHF_EXTENDED;

struct EventCase {
    const char* Name;
    WPARAM Message;
    DWORD VirtualKey;
    DWORD ScanCode;
    DWORD Flags;
    bool Report;
    std::uint32_t Code;
};

const EventCase EventCases[] = {
    {"MailDown", WM_KEYDOWN, VK_LAUNCH_MAIL, 0x6C, Ext, true, 0xE06C},
    {"MailDownInjected", WM_KEYDOWN, VK_LAUNCH_MAIL, 0x6C, Ext | LLKHF_INJECTED, true, 0xE06C},
    {"MailWithAlt", WM_SYSKEYDOWN, VK_LAUNCH_MAIL, 0x6C, Ext | LLKHF_ALTDOWN, true, 0xE06C},
    {"MailUp", WM_KEYUP, VK_LAUNCH_MAIL, 0x6C, Ext | LLKHF_UP, false, 0xE06C},
    {"MailUpWithAlt", WM_SYSKEYUP, VK_LAUNCH_MAIL, 0x6C, Ext | LLKHF_UP, false, 0xE06C},
    {"SleepDown", WM_KEYDOWN, VK_SLEEP, 0x5F, Ext, true, 0xE05F},
    {"BrowserBackFirst", WM_KEYDOWN, VK_BROWSER_BACK, 0x6A, Ext, true, 0xE06A},
    {"VolumeMute", WM_KEYDOWN, VK_VOLUME_MUTE, 0x20, Ext, true, 0xE020},
    {"PlayPause", WM_KEYDOWN, VK_MEDIA_PLAY_PAUSE, 0x22, Ext, true, 0xE022},
    {"LaunchApp2Last", WM_KEYDOWN, VK_LAUNCH_APP2, 0x21, Ext, true, 0xE021},
    {"F13First", WM_KEYDOWN, VK_F13, 0x64, 0, true, 0x64},
    {"F24Last", WM_KEYDOWN, VK_F24, 0x76, 0, true, 0x76},
    {"NoVirtualKey", WM_KEYDOWN, 0xFF, 0x73, 0, true, 0x73},
    {"NoVirtualKeyExtended", WM_KEYDOWN, 0xFF, 0x6C, Ext, true, 0xE06C},
    {"MediaKeyWithoutExtendedFlag", WM_KEYDOWN, VK_LAUNCH_MAIL, 0x6C, 0, true, 0x6C},
    {"WideScanCode", WM_KEYDOWN, 0xFF, 0x1FF, Ext, true, 0xE1FF},
    {"ScanCodeZero", WM_KEYDOWN, 0xFF, 0, 0, true, 0},
    {"Extended29IsAnotherCode", WM_KEYDOWN, 0xFF, 0x29, Ext, true, 0xE029},
    // Never reported.
    {"Code29NoVirtualKey", WM_KEYDOWN, 0xFF, 0x29, 0, false, 0x29},
    {"Code29F13", WM_KEYDOWN, VK_F13, 0x29, 0, false, 0x29},
    {"LetterA", WM_KEYDOWN, 'A', 0x1E, 0, false, 0x1E},
    {"Grave", WM_KEYDOWN, VK_OEM_3, 0x29, 0, false, 0x29},
    {"KeypadEnter", WM_KEYDOWN, VK_RETURN, 0x1C, Ext, false, 0xE01C},
    {"LeftWindows", WM_KEYDOWN, VK_LWIN, 0x5B, Ext, false, 0xE05B},
    {"AppsBelowSleep", WM_KEYDOWN, VK_APPS, 0x5D, Ext, false, 0xE05D},
    {"Numpad0AboveSleep", WM_KEYDOWN, VK_NUMPAD0, 0x52, 0, false, 0x52},
    {"F12BelowF13", WM_KEYDOWN, VK_F12, 0x58, 0, false, 0x58},
    {"AboveF24", WM_KEYDOWN, 0x88, 0x77, 0, false, 0x77},
    {"RightAltBelowMedia", WM_KEYDOWN, VK_RMENU, 0x38, Ext, false, 0xE038},
    {"Oem1AboveMedia", WM_KEYDOWN, VK_OEM_1, 0x27, 0, false, 0x27},
    {"OemClearBelowFF", WM_KEYDOWN, VK_OEM_CLEAR, 0x73, 0, false, 0x73},
    {"NoVirtualKeyAtAll", WM_KEYDOWN, 0, 0x6C, 0, false, 0x6C},
    {"NotAKeyMessage", WM_CHAR, VK_LAUNCH_MAIL, 0x6C, Ext, false, 0xE06C},
};

TEST(HookKeys, ReportsKeyDownsOfExtraKeysWithScanCodeAndExtendedBase) {
    const BoundKeys none{};
    for (const EventCase& test : EventCases) {
        SCOPED_TRACE(test.Name);
        const KeyVerdict verdict =
            DecideKeyEvent({test.Message, test.VirtualKey, test.ScanCode, test.Flags}, 0, none);
        EXPECT_EQ(verdict.Report, test.Report);
        EXPECT_EQ(verdict.Code, test.Code);
        EXPECT_FALSE(verdict.Swallow) << "nothing is bound";
    }
}

struct SwallowCase {
    const char* Name;
    WPARAM Message;
    DWORD VirtualKey;
    DWORD ScanCode;
    DWORD Flags;
    bool Report;
    bool Swallow;
};

const SwallowCase SwallowCases[] = {
    {"BoundDown", WM_KEYDOWN, VK_LAUNCH_MAIL, 0x6C, Ext, true, true},
    {"BoundUp", WM_KEYUP, VK_LAUNCH_MAIL, 0x6C, Ext | LLKHF_UP, false, true},
    {"BoundSysDown", WM_SYSKEYDOWN, VK_LAUNCH_MAIL, 0x6C, Ext, true, true},
    {"BoundSysUp", WM_SYSKEYUP, VK_LAUNCH_MAIL, 0x6C, Ext, false, true},
    {"BoundF13", WM_KEYDOWN, VK_F13, 0x64, 0, true, true},
    {"BoundNoVirtualKey", WM_KEYDOWN, 0xFF, 0x73, 0, true, true},
    {"SameScanNotExtended", WM_KEYDOWN, VK_LAUNCH_MAIL, 0x6C, 0, true, false},
    {"UnboundExtraKey", WM_KEYDOWN, VK_VOLUME_UP, 0x30, Ext, true, false},
    {"BoundCodeOfOrdinaryKey", WM_KEYDOWN, 'A', 0x1E, 0, true, true},
    {"BoundCodeOfExtendedOrdinaryKey", WM_KEYDOWN, VK_RCONTROL, 0x6C, Ext, false, false},
    {"Bound29", WM_KEYDOWN, 0xFF, 0x29, 0, false, false},
    {"NotAKeyMessage", WM_CHAR, VK_LAUNCH_MAIL, 0x6C, Ext, false, false},
};

TEST(HookKeys, SwallowsDownAndUpOfBoundExtraKeysOnly) {
    const BoundKeysGuard bound({0xE06C, 0x64, 0x73, 0x1E, 0x29});
    for (const SwallowCase& test : SwallowCases) {
        SCOPED_TRACE(test.Name);
        const KeyVerdict verdict = DecideKeyEvent(
            {test.Message, test.VirtualKey, test.ScanCode, test.Flags}, 0, bound.Table);
        EXPECT_EQ(verdict.Report, test.Report);
        EXPECT_EQ(verdict.Swallow, test.Swallow);
    }
}

TEST(HookKeys, ModifierEventsCountLeftAndRightApart) {
    const struct {
        DWORD VirtualKey, ScanCode, Flags;
        int Bit; // -1: not a modifier
    } cases[] = {
        {VK_LSHIFT, 0x2A, 0, 0},         {VK_SHIFT, 0x2A, 0, 0},    {VK_SHIFT, 0x36, 0, 1},
        {VK_RSHIFT, 0x36, 0, 1},         {VK_CONTROL, 0x1D, 0, 2},  {VK_CONTROL, 0, Ext, 3},
        {VK_RCONTROL, 0x1D, Ext, 3},     {VK_MENU, 0x38, 0, 4},     {VK_MENU, 0x38, Ext, 5},
        {VK_LWIN, 0x5B, Ext, 6},         {VK_RWIN, 0x5C, Ext, 7},   {'A', 0x1E, 0, -1},
        {VK_LAUNCH_MAIL, 0x6C, Ext, -1}, {VK_CAPITAL, 0x3A, 0, -1}, {0x1FF, 0x2A, 0, -1},
    };
    for (const auto& c : cases) {
        ModifierKeys held = 0;
        EXPECT_EQ(NoteModifierEvent(held, WM_KEYDOWN, c.VirtualKey, c.ScanCode, c.Flags),
                  c.Bit >= 0)
            << c.VirtualKey;
        EXPECT_EQ(held, c.Bit >= 0 ? 1u << c.Bit : 0u) << c.VirtualKey;
    }
    // The key that GetAsyncKeyState asks for a bit is the key of that bit.
    for (int bit = 0; bit < 8; ++bit) {
        ModifierKeys held = 0;
        NoteModifierEvent(held, WM_KEYDOWN, ModifierVirtualKeys[bit], 0, 0);
        EXPECT_EQ(held, 1u << bit);
    }
}

TEST(HookKeys, BoundTableFindsExactlyItsCodes) {
    const BoundKeysGuard bound({0xE06C, 0x41, 0x1E05F, 0xE06C, 0, 0xFFFFFFFFu, 0x41, 0x41});
    EXPECT_EQ(CodesOf(bound.Table), (Codes{0, 0x41, 0xE06C, 0x1E05F, 0xFFFFFFFFu}));
    for (std::uint32_t code : {0u, 0x41u, 0xE06Cu, 0x1E05Fu, 0xFFFFFFFFu})
        EXPECT_TRUE(IsBound(bound.Table, code)) << std::hex << code;
    for (std::uint32_t code : {1u, 0x40u, 0x42u, 0x6Cu, 0xE06Bu, 0xE06Du, 0xE05Fu, 0xFFFFFFFEu})
        EXPECT_FALSE(IsBound(bound.Table, code)) << std::hex << code;
    EXPECT_FALSE(IsBound(BoundKeys(), 0));
    // A table of thousands in reverse order comes out sorted.
    Codes many;
    for (std::uint32_t code = 3000; code > 0; --code)
        many.push_back(code * 7);
    const BoundKeysGuard large(many);
    ASSERT_EQ(large.Table.Count, many.size());
    EXPECT_TRUE(std::is_sorted(large.Table.Codes, large.Table.Codes + large.Table.Count));
    EXPECT_TRUE(IsBound(large.Table, 7 * 1234));
    EXPECT_FALSE(IsBound(large.Table, 7 * 1234 + 1));
}

struct NameCase {
    const wchar_t* Name;
    bool Binds;
    std::uint32_t Code;
};

const NameCase NameCases[] = {
    {L"E06C", true, 0xE06C},
    {L"e06c", true, 0xE06C},
    {L"E06C+", true, 0xE06C},
    {L"e06C+", true, 0xE06C},
    {L"0041", true, 0x41},
    {L"0041+", true, 0x41},
    {L"0000", true, 0},
    {L"1E05F", true, 0x1E05F},
    {L"FFFFFFFF", true, 0xFFFFFFFF},
    {L"10000000+", true, 0x10000000},
    {L"41", false, 0},
    {L"041", false, 0},
    {L"00041", false, 0},
    {L"0E06C", false, 0},
    {L"000000041", false, 0},
    {L"100000000", false, 0},
    {L"E06C++", false, 0},
    {L"+E06C", false, 0},
    {L"E0 6C", false, 0},
    {L"G06C", false, 0},
    {L"0x6C", false, 0},
    {L"", false, 0},
    {L"+", false, 0},
    {L"RepeatDelay", false, 0},
    {L"OnlyActiveUser", false, 0},
};

TEST(HookKeys, BindingKeyNamesAreExactKeyTexts) {
    for (const NameCase& test : NameCases) {
        SCOPED_TRACE(testing::Message()
                     << "name '" << std::string(test.Name, test.Name + wcslen(test.Name)) << "'");
        std::uint32_t code = 0x12345678;
        bool plus = false;
        EXPECT_EQ(BindingKeyCode(test.Name, wcslen(test.Name), code, plus), test.Binds);
        if (test.Binds) {
            EXPECT_EQ(code, test.Code);
            EXPECT_EQ(plus, test.Name[wcslen(test.Name) - 1] == L'+');
        }
    }
}

TEST(HookKeys, KeyTextAgreesWithTheProgram) {
    for (std::uint32_t code :
         {0u, 0x29u, 0x41u, 0xFFu, 0xE05Fu, 0xE06Cu, 0xFFFFu, 0x1E05Fu, 0x80000000u, 0xFFFFFFFFu}) {
        const std::wstring text = KeyTextString(code);
        EXPECT_EQ(text, KeyText(static_cast<std::int32_t>(code)));
        std::uint32_t back = 0;
        bool plus = true;
        EXPECT_TRUE(BindingKeyCode(text.c_str(), text.size(), back, plus));
        EXPECT_EQ(back, code);
        EXPECT_FALSE(plus);
        const std::wstring doubled = text + L"+";
        EXPECT_TRUE(BindingKeyCode(doubled.c_str(), doubled.size(), back, plus));
        EXPECT_TRUE(plus);
    }
}

TEST(HookKeys, BindingValueCountsWhenNotBlank) {
    for (const wchar_t* blank : {L"", L"   "})
        EXPECT_FALSE(IsBindingValue(blank, wcslen(blank)));
    for (const wchar_t* value : {L"0", L"  calc.exe ", L"\t"})
        EXPECT_TRUE(IsBindingValue(value, wcslen(value)));
    EXPECT_FALSE(IsBindingValue(L"  x", 2)) << "nothing beyond the length counts";
}

std::vector<std::wstring> SplitProfileList(const wchar_t* list, std::size_t length) {
    std::vector<std::wstring> entries;
    std::size_t at = 0;
    const wchar_t* entry = nullptr;
    std::size_t entryLength = 0;
    while (NextProfileEntry(list, length, at, entry, entryLength))
        entries.emplace_back(entry, entryLength);
    return entries;
}

std::wstring ProfileValue(const std::wstring& raw) {
    const wchar_t* text = raw.c_str();
    std::size_t length = raw.size();
    ::ProfileValue(text, length);
    return std::wstring(text, length);
}

TEST(HookKeys, ProfileListIsSplitWithinItsLength) {
    const wchar_t list[] = L"E06C=x\0E05F+=y\0RepeatDelay=400\0\0";
    EXPECT_EQ(SplitProfileList(list, 31),
              (std::vector<std::wstring>{L"E06C=x", L"E05F+=y", L"RepeatDelay=400"}));
    // A cut list may end without its terminator; nothing beyond the length is read.
    const wchar_t cut[] = L"E06C=x\0E05F=XXXX";
    EXPECT_EQ(SplitProfileList(cut, 11), (std::vector<std::wstring>{L"E06C=x", L"E05F"}));
    EXPECT_TRUE(SplitProfileList(cut, 0).empty());
    EXPECT_TRUE(SplitProfileList(L"\0\0", 1).empty());
}

TEST(HookKeys, ProfileValueLosesBlanksAndOnePairOfQuotes) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"calc.exe", L"calc.exe"},
        {L"  calc.exe \t", L"calc.exe"},
        {L"\"C:\\My Tools\\app.exe\"", L"C:\\My Tools\\app.exe"},
        {L"'x'", L"x"},
        {L"\"\"", L""},
        {L"\"  \"", L"  "},
        {L"\"", L"\""},
        {L"\"x'", L"\"x'"},
        {L"\"a\" \"b\"", L"a\" \"b"},
        {L"", L""},
    };
    for (const auto& test : cases)
        EXPECT_EQ(ProfileValue(test.first), test.second);
}

struct SectionCase {
    const char* Name;
    std::vector<std::wstring> Entries;
    Codes Expected;
};

const SectionCase SectionCases[] = {
    {"Single", {L"E06C=calc.exe"}, {0xE06C}},
    {"DoubleOnly", {L"E06C+=calc.exe"}, {0xE06C}},
    {"Empty", {L"E06C=", L"E06C+="}, {}},
    {"EmptyQuotes", {L"E06C=\"\"", L"E05F='   '"}, {}},
    {"BlanksAroundName", {L"  e06c  = x"}, {0xE06C}},
    {"NoEquals", {L"E06C"}, {}},
    {"FirstRepeatCounts", {L"E06C=", L"e06c=x"}, {}},
    {"FirstRepeatCountsBound", {L"E06C=x", L"E06C="}, {0xE06C}},
    {"SingleEmptyDoubleBound", {L"E06C=", L"E06C+=x"}, {0xE06C}},
    {"Settings", {L"RepeatDelay=400", L"OnlyActiveUser="}, {}},
    {"NotKeyTexts", {L"6C=x", L"00041=x", L";E06C=x", L"E06C++=x", L"=x"}, {}},
    {"Several",
     {L"0041=30", L"E05F=0x5F", L"1E05F+=y", L"FFFFFFFF=z"},
     {0x41, 0xE05F, 0x1E05F, 0xFFFFFFFF}},
};

TEST(HookKeys, SectionEntriesGiveTheBoundCodes) {
    for (const SectionCase& test : SectionCases) {
        SCOPED_TRACE(test.Name);
        std::wstring list;
        for (const std::wstring& entry : test.Entries)
            list += entry + L'\0';
        BoundKeys table;
        ASSERT_TRUE(BoundKeysOfSection(list.c_str(), list.size(), false, table));
        EXPECT_EQ(CodesOf(table), test.Expected);
        // Cut by the reader: the last entry is left out.
        ASSERT_TRUE(BoundKeysOfSection(list.c_str(), list.size(), true, table));
        Codes withoutLast;
        if (!test.Entries.empty()) {
            std::wstring shorter;
            for (std::size_t i = 0; i + 1 < test.Entries.size(); ++i)
                shorter += test.Entries[i] + L'\0';
            BoundKeys reference;
            ASSERT_TRUE(BoundKeysOfSection(shorter.c_str(), shorter.size(), false, reference));
            withoutLast = CodesOf(reference);
            FreeBoundKeys(reference);
        }
        EXPECT_EQ(CodesOf(table), withoutLast);
        FreeBoundKeys(table);
    }
}

TEST(HookKeys, ConfigPathIsTheProgramsRule) {
    const wchar_t* paths[] = {
        L"D:\\Tools\\Keyloft.exe", L"C:\\a.b\\prog", L"C:\\x\\prog.tar.exe",           L"prog", L"",
        L"C:\\dir\\.hidden",       L"C:\\dir.d\\",   L"\\\\server\\share\\Keyloft.EXE"};
    for (const wchar_t* path : paths)
        EXPECT_EQ(ConfigPathString(path), ChangeExtension(path, L".ini"));
    EXPECT_EQ(ConfigPathString(L"D:\\Tools\\Keyloft.exe"), L"D:\\Tools\\Keyloft.ini");
    wchar_t small[12];
    EXPECT_FALSE(ConfigPathFor(L"D:\\Tools\\Keyloft.exe", small, 12)) << "does not fit";
    EXPECT_TRUE(ConfigPathFor(L"D:\\K.exe", small, 9));
    EXPECT_STREQ(small, L"D:\\K.ini");
}

TEST(HookKeys, HoldDelayIsAnIntegerWithinBounds) {
    const std::pair<const wchar_t*, DWORD> cases[] = {
        {L"", 500},      {L"abc", 500},   {L"300", 300},        {L" 300", 300},
        {L"$12C", 300},  {L"0x12c", 300}, {L"050", 100},        {L"-5", 100},
        {L"9999", 5000}, {L"300ms", 500}, {L"2147483648", 500}, {L"\uFF13", 500},
    };
    for (const auto& [text, delay] : cases) {
        SCOPED_TRACE(testing::Message() << "text of " << wcslen(text) << " characters");
        EXPECT_EQ(HoldDelayOf(text, wcslen(text)), delay);
    }
    // Read with the bindings, the first HoldDelay of the section counting.
    const wchar_t list[] = L"holddelay = 250\0HoldDelay=900\0E06C=x\0";
    BoundKeys table;
    ASSERT_TRUE(BoundKeysOfSection(list, sizeof list / sizeof list[0] - 1, false, table));
    EXPECT_EQ(table.HoldDelayMs, 250u);
    EXPECT_EQ(CodesOf(table), Codes{0xE06C});
    FreeBoundKeys(table);
}

} // namespace
