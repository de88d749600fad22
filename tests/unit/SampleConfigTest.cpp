// The sample Keyloft.ini of the release: what it binds, and that every example in it does what
// its comment says when the program reads it.
#include "support/BoundCodes.h"
#include "mapping/Binding.h"
#include "mapping/Config.h"
#include "shell/AppState.h"
#include "support/TempFolder.h"
#include "util/TextCodec.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

namespace {

// The release folder that the build fills beside bin/.
std::wstring SamplePath() {
    return BinFolder() + L"..\\release\\Keyloft.ini";
}

struct ConfigPathGuard {
    explicit ConfigPathGuard(const std::wstring& path) : Saved(AppState.ConfigPath) {
        AppState.ConfigPath = path;
    }
    ~ConfigPathGuard() { AppState.ConfigPath = Saved; }
    std::wstring Saved;
};

struct Expected {
    BindingKind Kind;
    int ScanCode;
    const wchar_t* Program;
    const wchar_t* Parameters;
};

// Every commented-out example line of the sample, with what the program makes of it.
const std::map<std::string, Expected> Examples = {
    {";E066=", {BindingKind::Nothing, 0, L"", L""}},
    {";E066=0x1E", {BindingKind::KeyEvent, 0x1E, L"", L""}},
    {";E066=030", {BindingKind::KeyEvent, 0x1E, L"", L""}},
    {";E066=30", {BindingKind::Command, 0, L"30", L""}},
    {";E065=notepad.exe C:\\notes.txt",
     {BindingKind::Command, 0, L"notepad.exe", L"C:\\notes.txt"}},
    {";E06B=C:\\Users\\Public\\Documents\\todo.txt",
     {BindingKind::Command, 0, L"C:\\Users\\Public\\Documents\\todo.txt", L""}},
    {";E06B+=C:\\Users\\Public", {BindingKind::Command, 0, L"C:\\Users\\Public", L""}},
    {";E06D=\"C:\\Program Files\\Windows Media Player\\wmplayer.exe\" /prefetch:1",
     {BindingKind::Command, 0, L"C:\\Program Files\\Windows Media Player\\wmplayer.exe",
      L"/prefetch:1"}},
    {";E06D=\"\"C:\\Program Files\\Windows Media Player\\wmplayer.exe\"\"",
     {BindingKind::Command, 0, L"C:\\Program Files\\Windows Media Player\\wmplayer.exe", L""}},
    {";E06D+=\"C:\\Program Files\\App\\app.exe\" \"D:\\My Files\\a.txt\" -open",
     {BindingKind::Command, 0, L"C:\\Program Files\\App\\app.exe",
      L"\"D:\\My Files\\a.txt\" -open"}},
    {";E022=KeyloftSend.exe Media_Play_Pause",
     {BindingKind::Command, 0, L"KeyloftSend.exe", L"Media_Play_Pause"}},
    {";E030=KeyloftSend.exe Volume_Up*3",
     {BindingKind::Command, 0, L"KeyloftSend.exe", L"Volume_Up*3"}},
    {";E06A=KeyloftSend.exe Alt+Left", {BindingKind::Command, 0, L"KeyloftSend.exe", L"Alt+Left"}},
    {";E069=KeyloftSend.exe Ctrl+Shift+M",
     {BindingKind::Command, 0, L"KeyloftSend.exe", L"Ctrl+Shift+M"}},
    {";E069+=KeyloftSend.exe --text \"Kind regards, Anna\"",
     {BindingKind::Command, 0, L"KeyloftSend.exe", L"--text \"Kind regards, Anna\""}},
    {";E024=\"C:\\Tools\\Keyloft\\KeyloftSend.exe\" Media_Stop",
     {BindingKind::Command, 0, L"C:\\Tools\\Keyloft\\KeyloftSend.exe", L"Media_Stop"}},
    {";E06C=KeyloftSend.exe --switch \"C:\\Program Files\\Mail\\mail.exe\" -new",
     {BindingKind::Command, 0, L"KeyloftSend.exe",
      L"--switch \"C:\\Program Files\\Mail\\mail.exe\" -new"}},
    // The pitfalls the comments warn of.
    {"E06D=\"C:\\Program Files\\Windows Media Player\\wmplayer.exe\"",
     {BindingKind::Command, 0, L"C:\\Program", L"Files\\Windows Media Player\\wmplayer.exe"}},
    {"E06D=\"C:\\Program Files\\App\\app.exe\" \"D:\\My Files\\a.txt\"",
     {BindingKind::Command, 0, L"C:\\Program", L"Files\\App\\app.exe\" \"D:\\My Files\\a.txt"}},
    {"E06C=calc.exe ; calculator", {BindingKind::Command, 0, L"calc.exe", L"; calculator"}},
};

// The key of a line "E06C+=...", with or without the comment mark before it.
std::wstring KeyOf(const std::string& line) {
    const size_t start = line[0] == ';' ? 1 : 0;
    return FromAnsi(line.substr(start, line.find('=') - start));
}

bool IsExampleLine(const std::string& line) {
    return line.size() > 3 && line[0] == ';' && line[1] == 'E' && line[2] == '0' &&
           line.find('=') != std::string::npos;
}

TEST(SampleConfig, BindsTheCalculatorKeyAndF13) {
    ConfigPathGuard path(SamplePath());
    EXPECT_EQ(ReadSetting(L"RepeatDelay", L""), L"400");
    EXPECT_EQ(ReadSetting(L"OnlyActiveUser", L"1"), L"1") << "left out, so keys are handled";
    EXPECT_EQ(ReadSetting(L"0064", L""), L"notepad.exe");
    EXPECT_EQ(ReadSetting(L"E021", L""), L"calc.exe");
    EXPECT_EQ(ReadSetting(L"E021+", L""), L"notepad.exe");
    for (const wchar_t* commented :
         {L"E06C", L"E066", L"E065", L"E06B", L"E06B+", L"E06D", L"E06D+", L"E022", L"E030",
          L"E06A", L"E069", L"E069+", L"E024"})
        EXPECT_EQ(ReadSetting(commented, L""), L"") << "examples stay commented out";
    EXPECT_EQ(LoadedCodes(SamplePath()), (Codes{0x64, 0xE021}));
}

TEST(SampleConfig, EveryExampleDoesWhatItsCommentSays) {
    const std::string sample = ReadBytes(SamplePath());
    ASSERT_FALSE(sample.empty()) << "the build puts the sample into the release folder";
    EXPECT_EQ(sample.find("\n"), sample.find("\r\n") + 1) << "Windows line ends";

    std::istringstream lines(sample);
    std::string line;
    int examples = 0;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!IsExampleLine(line))
            continue;
        ++examples;
        EXPECT_EQ(Examples.count(line), 1u) << "example without an expectation: " << line;
    }
    EXPECT_EQ(examples, 17);

    // The keys and mouse buttons that act as other keys: each line acts once it is uncommented.
    std::istringstream again(sample);
    int acting = 0;
    while (std::getline(again, line))
        if (line.rfind(";", 0) == 0 && line.find("=as ") != std::string::npos) {
            TempFolder folder;
            WriteBytes(folder.PathOf(L"Keyloft.ini"), "[Keyloft]\r\n" + line.substr(1) + "\n");
            std::vector<std::string> acts;
            LoadedCodes(folder.PathOf(L"Keyloft.ini"), &acts);
            EXPECT_EQ(acts.size(), 1u) << line;
            ++acting;
        }
    EXPECT_EQ(acting, 8); // five of keys, three of the mouse

    for (const auto& [line, expected] : Examples) {
        SCOPED_TRACE(line);
        TempFolder folder;
        const std::wstring path = folder.PathOf(L"Keyloft.ini");
        const size_t start = line[0] == ';' ? 1 : 0;
        WriteBytes(path, "[Keyloft]\r\n" + line.substr(start) + "\r\n");
        ConfigPathGuard guard(path);
        const BindingAction action = DecideBinding(ReadSetting(KeyOf(line), L""));
        EXPECT_EQ(action.Kind, expected.Kind);
        if (expected.Kind == BindingKind::KeyEvent) {
            EXPECT_EQ(action.ScanCode, expected.ScanCode);
        }
        if (expected.Kind == BindingKind::Command) {
            EXPECT_EQ(action.Program, expected.Program);
            EXPECT_EQ(action.Parameters, expected.Parameters);
        }
    }
}

} // namespace
