// Text and path helpers, checked against the examples the program's behaviour is built on.
#include "support/ScopedProcessState.h"
#include "support/TempFolder.h"
#include "util/Utils.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct TextCase {
    std::wstring Input;
    std::wstring Expected;
};

} // namespace

TEST(Utils, MinAndMaxCompareSigned) {
    EXPECT_EQ(Min(-1, 1), -1);
    EXPECT_EQ(Max(-1, 1), 1);
    EXPECT_EQ(Min(INT_MIN, INT_MAX), INT_MIN);
    EXPECT_EQ(Max(INT_MIN, INT_MAX), INT_MAX);
    EXPECT_EQ(Min(7, 7), 7);
    EXPECT_EQ(Max(7, 7), 7);
}

TEST(Utils, DecimalTextAsPrintfWouldWriteIt) {
    for (const std::int32_t value : {0, 7, -1, 42, -305, INT_MAX, INT_MIN})
        EXPECT_EQ(DecimalText(value), std::to_wstring(value)) << value;
}

TEST(Utils, WithTrailingBackslash) {
    const TextCase cases[] = {
        {L"", L"\\"},
        {L"C:\\Tools", L"C:\\Tools\\"},
        {L"C:\\Tools\\", L"C:\\Tools\\"},
        {L"C:\\Tools\\\\", L"C:\\Tools\\\\"},
        {L"C:", L"C:\\"},
        {L"a/", L"a/\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithTrailingBackslash(c.Input), c.Expected) << c.Input;
}

TEST(Utils, ChangeExtension) {
    const TextCase cases[] = {
        {L"C:\\Tools\\Keyloft.exe", L"C:\\Tools\\Keyloft.ini"},
        {L"D:\\Tools\\Keyloft.exe", L"D:\\Tools\\Keyloft.ini"},
        {L"C:\\My.Tools\\Keyloft", L"C:\\My.Tools\\Keyloft.ini"},
        {L"archive.tar.gz", L"archive.tar.ini"},
        {L".profile", L".ini"},
        {L"name.", L"name.ini"},
        {L"C:\\Tools\\", L"C:\\Tools\\.ini"},
        {L"", L".ini"},
        {L"C:Keyloft", L"C:Keyloft.ini"},
        {L"C:a.b:c", L"C:a.ini"}, // the colon is no separator here
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChangeExtension(c.Input, L".ini"), c.Expected) << c.Input;
}

TEST(Utils, FileNameOfAndDirectoryOf) {
    struct Case {
        std::wstring Path, Directory, FileName;
    };
    const Case cases[] = {
        {L"C:\\Tools\\Keyloft.ini", L"C:\\Tools\\", L"Keyloft.ini"},
        {L"C:Keyloft.ini", L"C:", L"Keyloft.ini"},
        {L"Keyloft.ini", L"", L"Keyloft.ini"},
        {L"C:\\Tools\\", L"C:\\Tools\\", L""},
        {L"C:\\Windows\\notepad.exe", L"C:\\Windows\\", L"notepad.exe"},
        {L"C:notepad.exe", L"C:", L"notepad.exe"},
        {L"notepad.exe", L"", L"notepad.exe"},
        {L"", L"", L""},
        {L"C:", L"C:", L""},
        {L"a/b/c", L"", L"a/b/c"},
        {L"\\\\server\\share\\x:y", L"\\\\server\\share\\x:", L"y"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryOf(c.Path), c.Directory) << c.Path;
        EXPECT_EQ(FileNameOf(c.Path), c.FileName) << c.Path;
    }
}

TEST(Utils, FindFrom) {
    struct Case {
        std::wstring Part, Text;
        std::uint16_t Start;
        int Expected;
    };
    const Case cases[] = {
        {L"aab", L"aaab", 1, 2},  {L"aab", L"aaab", 0, 2}, // a start of 0 counts as 1
        {L"aab", L"aaab", 3, 0}, // begins before the start, though it reaches past it
        {L"b", L"abcb", 3, 4},    {L"b", L"abcb", 2, 2},
        {L"", L"abc", 1, 0},  // empty part
        {L"a", L"", 1, 0},    // empty text
        {L"c", L"abc", 4, 0}, // start past the end
        {L"c", L"abc", 65535, 0}, {L"abc", L"abc", 1, 1},
        {L"abcd", L"abc", 1, 0},  {L" ", L"notepad.exe C:\\x", 12, 12},
        {L"A", L"a", 1, 0}, // no case folding
        {L"ab", L"aab", 2, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindFrom(c.Part, c.Text, c.Start), c.Expected)
            << c.Part << L" in " << c.Text << L" from " << c.Start;
}

TEST(Utils, TrimChars) {
    struct Case {
        std::wstring Text, Set, Expected;
    };
    const Case cases[] = {
        {L"  a b  ", L" ", L"a b"},
        {L"a b", L" ", L"a b"},
        {L"    ", L" ", L""},
        {L" ", L" ", L""},
        {L"", L" ", L""},
        {L"  a  ", L"", L"  a  "}, // empty set leaves the text alone
        {L"x", L" ", L"x"},
        {L" x", L" ", L"x"},
        {L"x ", L" ", L"x"},
        {L"\tx\t", L" ", L"\tx\t"}, // only the characters of the set
        {L"-+a-b+-", L"+-", L"a-b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrimChars(c.Text, c.Set), c.Expected) << L"[" << c.Text << L"]";
}

TEST(Utils, CommandToken) {
    struct Case {
        std::wstring Line;
        int Index;
        std::wstring Expected;
    };
    const Case cases[] = {
        {L"notepad.exe C:\\notes.txt", 0, L"notepad.exe"},
        {L"notepad.exe C:\\notes.txt", 1, L"C:\\notes.txt"},
        {L"notepad.exe C:\\notes.txt", 2, L""},
        {L"\"C:\\Program Files\\Tool\\tool.exe\" /a", 0, L"C:\\Program Files\\Tool\\tool.exe"},
        {L"\"C:\\Program Files\\Tool\\tool.exe\" /a", 1, L"/a"},
        {L"a  b", 1, L"b"},
        {L"a     b", 1, L"b"},
        {L"  calc.exe", 0, L""},
        {L"  calc.exe", 1, L"calc.exe"},
        {L"ab\"c d\"e f", 0, L"abc de"},
        {L"ab\"c d\"e f", 1, L"f"},
        {L"a \"b c", 1, L"b c"}, // an unclosed quote runs to the end of the line
        {L"a \"b  c", 2, L""},
        {L"\"\"", 0, L""},
        {L"a\tb c", 0, L"a\tb"}, // a tab is an ordinary character
        {L"a b", -1, L""},
        {L"", 0, L""},
        {L"a ", 1, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandToken(c.Line, c.Index), c.Expected) << c.Line << L" #" << c.Index;
}

TEST(Utils, CurrentDirectoryOfARootKeepsItsOneBackslash) {
    ScopedCurrentDirectory root(L"C:\\");
    ASSERT_TRUE(root.Changed);
    EXPECT_EQ(CurrentDirectory(), L"C:\\");
}

TEST(Utils, CurrentDirectoryAddsTheBackslash) {
    TempFolder folder;
    const std::wstring path = folder.PathOf(L"plain");
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    ScopedCurrentDirectory inside(path);
    ASSERT_TRUE(inside.Changed);
    EXPECT_EQ(CurrentDirectory(), path + L"\\");
}

TEST(Utils, CurrentDirectoryOfALongPathIsTheWholeDirectory) {
    TempFolder folder;
    std::wstring path = folder.Path;
    path.pop_back();
    const std::wstring component(60, L'd');
    while (path.size() < 300) {
        path += L"\\" + component;
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr)) << path;
    }
    {
        ScopedCurrentDirectory inside(path);
        ASSERT_TRUE(inside.Changed) << "cannot enter " << path;
        EXPECT_EQ(CurrentDirectory(), path + L"\\");
    }
}
