// What a binding value asks for, and what FireBinding does with the bindings of a real INI file
// (the effects on the system replaced by recorders).
#include "mapping/Binding.h"
#include "mapping/Config.h"
#include "shell/AppState.h"
#include "support/ConfigFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ValueCase {
    std::wstring Value;
    std::wstring Action; // as DescribeAction writes it; empty for nothing
};

// Values that inject one key-down.
const ValueCase KeyEventValues[] = {
    {L"0x1E", L"key 1E"},        {L"0X1e", L"key 1E"},
    {L"030", L"key 1E"},         {L"0x11E", L"key 1E"},
    {L"0300", L"key 2C"},        {L"0xFFFFFFFF", L"key FF"},
    {L"0", L"key 00"},           {L"0x0", L"key 00"},
    {L"02147483647", L"key FF"}, {L"0x00000000000041", L"key 41"},
};

// Values that run a command line: program, parameters, directory.
const ValueCase CommandValues[] = {
    {L"notepad.exe", L"run [notepad.exe] [] []"},
    {L"notepad.exe C:\\notes.txt", L"run [notepad.exe] [C:\\notes.txt] []"},
    {L"notepad.exe    C:\\a.txt", L"run [notepad.exe] [C:\\a.txt] []"},
    {L"notepad.exe  \"two words\"  x", L"run [notepad.exe] [\"two words\"  x] []"},
    {L"C:\\Windows\\System32\\calc.exe",
     L"run [C:\\Windows\\System32\\calc.exe] [] [C:\\Windows\\System32\\]"},
    {L"D:\\Docs\\plan.txt", L"run [D:\\Docs\\plan.txt] [] [D:\\Docs\\]"},
    {L"\"C:\\Program Files\\App\\app.exe\" \"D:\\My Files\\a.txt\" -q",
     L"run [C:\\Program Files\\App\\app.exe] [\"D:\\My Files\\a.txt\" -q] "
     L"[C:\\Program Files\\App\\]"},
    {L"C:\\My Tools\\app.exe", L"run [C:\\My] [Tools\\app.exe] [C:\\]"},
    {L"C:notepad.exe x", L"run [C:notepad.exe] [x] [C:]"},
    {L"cmd /c \"dir C:\\\"", L"run [cmd] [/c \"dir C:\\\"] []"},
    {L"ab\"c d\"e f", L"run [abc de] [f] []"},
    {L"\"abc \" x", L"run [abc ] [\" x] []"},
    {L"0x", L"run [0x] [] []"},
    {L"0 x", L"run [0] [x] []"},
    {L"30", L"run [30] [] []"},
    // Values that only look like key events.
    {L"x1E", L"run [x1E] [] []"},
    {L"0x1E h", L"run [0x1E] [h] []"},
    {L"0x100000000", L"run [0x100000000] [] []"},
    {L"02147483648", L"run [02147483648] [] []"},
    {L"0-5", L"run [0-5] [] []"},
    {L"5", L"run [5] [] []"},
    {L"0x\uFF11E", L"run [0x\uFF11E] [] []"}, // a fullwidth digit is no digit
    // Only the blank separates: a tab stays inside the program.
    {L"notepad.exe\tx", L"run [notepad.exe\tx] [] []"},
    // A value that starts with a blank (its quotes removed by the read) has no program.
    {L" app.exe x", L"run [] [app.exe x] []"},
    {L"C:\\Program Files\\App\\app.exe\" \"x",
     L"run [C:\\Program] [Files\\App\\app.exe\" \"x] [C:\\]"},
};

// The values that a configuration file can hold as they stand: the read drops blanks at both
// ends of a value.
std::vector<ValueCase> ValuesAsWritten() {
    std::vector<ValueCase> all(std::begin(KeyEventValues), std::end(KeyEventValues));
    for (const auto& c : CommandValues)
        if (c.Value.front() != L' ' && c.Value.back() != L' ')
            all.push_back(c);
    return all;
}

} // namespace

TEST(DecideBinding, EmptyValueDoesNothing) {
    EXPECT_EQ(DecideBinding(L"").Kind, BindingKind::Nothing);
}

TEST(DecideBinding, KeyEventValues) {
    for (const auto& c : KeyEventValues)
        EXPECT_EQ(DescribeAction(DecideBinding(c.Value)), c.Action) << c.Value;
}

TEST(DecideBinding, CommandLineValues) {
    for (const auto& c : CommandValues)
        EXPECT_EQ(DescribeAction(DecideBinding(c.Value)), c.Action) << c.Value;
}

TEST(FireBinding, EveryValueReadFromTheFile) {
    // Each value is bound to its own code; each fires through the real read.
    const std::vector<ValueCase> values = ValuesAsWritten();
    std::wstring file = L"[Keyloft]\r\n";
    for (size_t i = 0; i < values.size(); ++i)
        file += KeyText(static_cast<std::int32_t>(0x1000 + i)) + L"=" + values[i].Value + L"\r\n";
    ScopedConfig config(file, ScopedConfig::Utf16); // holds characters beyond the ANSI code page
    RecordedEffects recorded;
    for (size_t i = 0; i < values.size(); ++i) {
        RecordedEffects::Log().clear();
        volatile LONG slot = static_cast<LONG>(0x1000 + i);
        FireBinding(slot, L"");
        EXPECT_EQ(slot, 0);
        EXPECT_EQ(RecordedEffects::Log(), std::vector<std::wstring>{values[i].Action})
            << values[i].Value;
    }
}

TEST(FireBinding, KeysSuffixesAndSlots) {
    ScopedConfig config(L"[Keyloft]\r\n"
                        L"0041=0x1E\r\n"
                        L"0041+=notepad.exe C:\\notes.txt\r\n"
                        L"e05f=0x5F\r\n"
                        L"1E05F=0x20\r\n"
                        L"FFFFFFFF=0x21\r\n"
                        L"80000000+=0x22\r\n"
                        L"0042+=0x23\r\n"
                        L"0043=\r\n"
                        L"0044=     \r\n"
                        L"0045=\"C:\\My Tools\\app.exe\"\r\n"
                        L"0046=\"C:\\Program Files\\App\\app.exe\" \"x\"\r\n"
                        L"0047=  030  \r\n"
                        L"41=0x30\r\n"
                        L"00041=0x31\r\n"
                        L"[Other]\r\n"
                        L"0048=0x1E\r\n");
    const struct {
        LONG Code;
        std::wstring Suffix;
        std::wstring Action; // empty: nothing fires
    } cases[] = {
        {0x41, L"", L"key 1E"},
        {0x41, L"+", L"run [notepad.exe] [C:\\notes.txt] []"},
        {0xE05F, L"", L"key 5F"}, // letter case of the key text doesn't matter
        {0x1E05F, L"", L"key 20"},
        {-1, L"", L"key 21"},
        {LONG(0x80000000), L"+", L"key 22"},
        {LONG(0x80000000), L"", L""},
        {0x42, L"", L""}, // only the double-press key is bound
        {0x42, L"+", L"key 23"},
        {0x43, L"", L""}, // present and empty
        {0x44, L"", L""}, // blanks only
        {0x49, L"", L""}, // absent
        {0x48, L"", L""}, // bound in another section only
        {0x45, L"", L"run [C:\\My] [Tools\\app.exe] [C:\\]"},
        {0x46, L"", L"run [C:\\Program] [Files\\App\\app.exe\" \"x] [C:\\]"},
        {0x47, L"", L"key 1E"}, // the read drops the blanks around the value
        {0, L"", L""},          // an empty slot: nothing is read
        {0, L"+", L""},
    };
    RecordedEffects recorded;
    for (const auto& c : cases) {
        RecordedEffects::Log().clear();
        volatile LONG slot = c.Code;
        FireBinding(slot, c.Suffix);
        EXPECT_EQ(slot, 0);
        const std::vector<std::wstring> expected =
            c.Action.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.Action};
        EXPECT_EQ(RecordedEffects::Log(), expected) << std::hex << c.Code << c.Suffix;
    }
}

TEST(FireBinding, WithoutAFileNothingFires) {
    ScopedConfig config(L"");
    AppState.ConfigPath = config.Folder.PathOf(L"absent.ini");
    RecordedEffects recorded;
    for (LONG code : {0x41L, 0xE05FL, -1L}) {
        for (const wchar_t* suffix : {L"", L"+"}) {
            volatile LONG slot = code;
            FireBinding(slot, suffix);
            EXPECT_EQ(slot, 0);
        }
    }
    EXPECT_TRUE(RecordedEffects::Log().empty());
}

TEST(FireBinding, AnEditedBindingTakesEffectAtTheNextFiring) {
    ScopedConfig config(L"[Keyloft]\r\n0041=0x1E\r\n");
    RecordedEffects recorded;
    volatile LONG slot = 0x41;
    FireBinding(slot, L"");
    WriteAnsiFile(AppState.ConfigPath, L"[Keyloft]\r\n0041=calc.exe now\r\n");
    slot = 0x41;
    FireBinding(slot, L"");
    EXPECT_EQ(RecordedEffects::Log(),
              (std::vector<std::wstring>{L"key 1E", L"run [calc.exe] [now] []"}));
}
