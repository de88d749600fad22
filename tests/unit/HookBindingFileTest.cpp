// kbhook.dll's reading of the configuration file: the table of bound codes and the stamp that
// tells an edited file from an unchanged one.
#include "hook/BindingFile.h"

#include "support/BoundCodes.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

struct FileCase {
    const char* Name;
    const char* Text;
    Codes Expected;
    std::vector<std::string> Acting = {};
};

const FileCase FileCases[] = {
    {"SinglePress", "[Keyloft]\r\nE06C=calc.exe\r\n", {0xE06C}},
    {"DoublePress", "[Keyloft]\r\nE06C+=calc.exe\r\n", {0xE06C}},
    {"Both", "[Keyloft]\r\nE06C=a\r\nE06C+=b\r\n", {0xE06C}},
    {"CaseAndBlanks", "[keyloft]\r\n  e06c  =  x  \r\n", {0xE06C}},
    {"Empty", "[Keyloft]\r\nE06C=\r\nE06C+=\r\n", {}},
    {"EmptyQuotes", "[Keyloft]\r\nE06C=\"\"\r\nE05F='  '\r\n", {}},
    {"QuotedValue", "[Keyloft]\r\nE06C=\"C:\\My Tools\\app.exe\"\r\n", {0xE06C}},
    {"OtherSection", "[Other]\r\nE06C=x\r\n", {}},
    {"SectionAfterOther", "[Other]\r\nE06D=x\r\n[Keyloft]\r\nE06C=x\r\n", {0xE06C}},
    {"NotKeyTexts", "[Keyloft]\r\n6C=x\r\n41=x\r\n00041=x\r\n0E06C=x\r\nE06C++=x\r\n", {}},
    {"Settings", "[Keyloft]\r\nRepeatDelay=400\r\nOnlyActiveUser=\r\n", {}},
    {"Example",
     "[Keyloft]\r\nRepeatDelay=400\r\nOnlyActiveUser=1\r\nE05F=0x5F\r\n"
     "E05F+=notepad.exe C:\\notes.txt\r\ne06c = \"C:\\Program Files\\Mail\\mail.exe\" -new\r\n"
     "0041=30\r\n1E05F=x\r\nFFFFFFFF+=y\r\n[Other]\r\n0042=z\r\n",
     {0x41, 0xE05F, 0xE06C, 0x1E05F, 0xFFFFFFFF}},
    {"UnixLineEnds", "[Keyloft]\nE06C=x\nE05F=y\n", {0xE05F, 0xE06C}},
    {"NoSectionLine", "E06C=x\r\n", {}},
    {"EmptyFile", "", {}},
    {"TapAndHold",
     "[Keyloft]\r\n10003A = as Ctrl\r\n003A=as Esc\r\n003A+=as Tab\r\nE030=as Volume_Up\r\n",
     {0x3A, 0xE030, 0x10003A},
     {"3A=Esc", "E030=Volume_Up", "10003A=Ctrl"}},
};

TEST(HookBindingFile, BoundCodesAreThoseWithANonEmptyBinding) {
    for (const FileCase& test : FileCases) {
        SCOPED_TRACE(test.Name);
        TempFolder folder;
        const std::wstring path = folder.PathOf(L"Keyloft.ini");
        WriteBytes(path, test.Text);
        std::vector<std::string> acting;
        EXPECT_EQ(LoadedCodes(path, &acting), test.Expected);
        EXPECT_EQ(acting, test.Acting);
    }
}

// The program reads a binding with GetPrivateProfileStringW, one key at a time. The table built
// from one read of the whole section must say "bound" exactly where those reads find a value.
TEST(HookBindingFile, TableAgreesWithTheProgramsOwnReads) {
    const char* files[] = {
        "[Keyloft]\r\nE06C=\"\"\r\nE05F=\" \"\r\nE06A='x'\r\nE06B=\"\r\nE06D=''''\r\n",
        "[Keyloft]\r\nE06C=\r\ne06c=x\r\nE05F=x\r\nE05F=\r\nE06A\r\nE06B =\t\r\n",
        "[Keyloft]\r\n\tE06C\t=\tx\t\r\n E05F+ = \"a\" \"b\" \r\n;E06A=x\r\n#E06B=x\r\n",
        "[Keyloft]\r\nE06C=x\r\n[keyloft]\r\nE05F=y\r\n[Other]\r\nE06A=z\r\n",
        "[ Keyloft ]\r\nE06C=x\r\nE06D = = \r\nE06E==\r\n",
        "[Keyloft]\r\nE06C='\"'\r\nE05F=\"'\"\r\nE06A=\"\"\"\"\r\n",
        "[Keyloft]\r\nE06C=as Ctrl\r\ne06c=as Esc\r\nE05F=' as Tab '\r\nE06A=\"as  Home\"\r\n"
        "E06B=as Ctrl Esc\r\nE06D+=as Esc\r\nE06E=AS\tvk41 \r\n",
    };
    const std::uint32_t codes[] = {0xE06C, 0xE05F, 0xE06A, 0xE06B, 0xE06D, 0xE06E};
    for (const char* text : files) {
        SCOPED_TRACE(text);
        TempFolder folder;
        const std::wstring path = folder.PathOf(L"Keyloft.ini");
        WriteBytes(path, text);
        const BoundKeysGuard bound(path.c_str());
        for (std::uint32_t code : codes) {
            bool programFindsValue = false;
            for (const std::wstring& key : {KeyTextString(code), KeyTextString(code) + L"+"}) {
                wchar_t value[2048];
                const DWORD length = GetPrivateProfileStringW(L"Keyloft", key.c_str(), L"", value,
                                                              2048, path.c_str());
                programFindsValue |= IsBindingValue(value, length);
            }
            EXPECT_EQ(IsBound(bound.Table, code), programFindsValue) << std::hex << code;
            // The checker reads an "as" value the program's way: the same stroke or none.
            wchar_t value[2048];
            const DWORD length = GetPrivateProfileStringW(L"Keyloft", KeyTextString(code).c_str(),
                                                          L"", value, 2048, path.c_str());
            EXPECT_EQ(ActingStrokeOf(bound.Table, code) != nullptr,
                      ReadActingValue(value, length).Read == ActingRead::Acts)
                << std::hex << code;
        }
    }
}

TEST(HookBindingFile, MissingFileBindsNothing) {
    TempFolder folder;
    EXPECT_TRUE(LoadedCodes(folder.PathOf(L"absent.ini")).empty());
    EXPECT_TRUE(LoadedCodes(folder.Path).empty()) << "a folder";
    EXPECT_TRUE(LoadedCodes(L"").empty());
}

TEST(HookBindingFile, Utf16FileIsRead) {
    TempFolder folder;
    const std::wstring path = folder.PathOf(L"Keyloft.ini");
    WriteUtf16File(path, L"[Keyloft]\r\nE06C=caf\u00E9.exe\r\nE05F=\r\n");
    EXPECT_EQ(LoadedCodes(path), Codes{0xE06C});
}

TEST(HookBindingFile, LongValueStillCounts) {
    TempFolder folder;
    const std::wstring path = folder.PathOf(L"Keyloft.ini");
    WriteBytes(path, "[Keyloft]\r\nE06C=" + std::string(3000, 'x') + "\r\n");
    EXPECT_EQ(LoadedCodes(path), Codes{0xE06C});
}

TEST(HookBindingFile, LargeSectionIsReadWhole) {
    // 5000 keys of five characters overflow the first name list several times.
    TempFolder folder;
    const std::wstring path = folder.PathOf(L"Keyloft.ini");
    std::string text = "[Keyloft]\r\n";
    Codes expected;
    for (std::uint32_t code = 0x10000; code < 0x10000 + 5000; ++code) {
        char line[32];
        std::snprintf(line, sizeof(line), "%X=x\r\n", code);
        text += line;
        expected.push_back(code);
    }
    WriteBytes(path, text);
    EXPECT_EQ(LoadedCodes(path), expected);
}

TEST(HookBindingFile, SectionBeyondTheCapIsTakenAsFarAsItFits) {
    // About 1.5 million characters of entries; the section is read into at most a million.
    std::string entries;
    for (std::uint32_t code = 0x10000000; code < 0x10000000 + 150000; ++code) {
        char line[32];
        std::snprintf(line, sizeof(line), "%X=\r\n", code);
        entries += line;
    }
    TempFolder folder;
    const std::wstring path = folder.PathOf(L"Keyloft.ini");
    // Bound only beyond the cap: not seen.
    WriteBytes(path, "[Keyloft]\r\n" + entries + "0041=x\r\n");
    EXPECT_TRUE(LoadedCodes(path).empty());
    // Bound before it: seen.
    WriteBytes(path, "[Keyloft]\r\n0041=x\r\n" + entries);
    EXPECT_EQ(LoadedCodes(path), Codes{0x41});
}

TEST(HookBindingFile, StampChangesWithContentAndTime) {
    TempFolder folder;
    const std::wstring path = folder.PathOf(L"Keyloft.ini");
    const FileStamp missing = ReadFileStamp(path.c_str());
    EXPECT_FALSE(missing.Exists);
    EXPECT_TRUE(SameStamp(missing, ReadFileStamp(folder.PathOf(L"other.ini").c_str())));
    EXPECT_FALSE(ReadFileStamp(folder.Path.c_str()).Exists) << "a folder is no file";

    WriteBytes(path, "[Keyloft]\r\n");
    const FileStamp first = ReadFileStamp(path.c_str());
    EXPECT_TRUE(first.Exists);
    EXPECT_EQ(first.Size, 11u);
    EXPECT_FALSE(SameStamp(first, missing));
    EXPECT_TRUE(SameStamp(first, ReadFileStamp(path.c_str())))
        << "an unchanged file keeps its stamp";

    // Same size, another last-write time.
    WriteBytes(path, "[Keyloft]\n\n");
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME later = first.LastWrite;
    later.dwHighDateTime += 1;
    SetFileTime(file, nullptr, nullptr, &later);
    CloseHandle(file);
    const FileStamp second = ReadFileStamp(path.c_str());
    EXPECT_EQ(second.Size, first.Size);
    EXPECT_FALSE(SameStamp(second, first));

    // Same last-write time, another size.
    FileStamp resized = second;
    resized.Size += 1;
    EXPECT_FALSE(SameStamp(resized, second));
}

TEST(HookBindingFile, ExecutablePathIsThisProgram) {
    wchar_t path[MAX_PATH * 2];
    const std::size_t length = ProcessExecutablePath(path, MAX_PATH * 2);
    EXPECT_EQ(std::wstring(path, length), BinFolder() + L"KeyloftUnitTests.exe");
    EXPECT_EQ(ProcessExecutablePath(path, length), 0u) << "no room for the terminator";
}

} // namespace
