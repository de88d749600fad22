// KeyloftCheck.exe on real files: the warnings of a file that holds each pitfall once, and the
// exit status for a clean file, a file with warnings and a missing file.
#include "support/ProgramRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <utility>

namespace {

// The (line, kind) of each warning in the output; line 0 for the file as a whole.
std::set<std::pair<int, std::string>> Warnings(const std::string& output) {
    std::set<std::pair<int, std::string>> found;
    for (size_t at = 0; at < output.size(); at = output.find('\n', at) + 1) {
        int line = 0;
        char kind[32] = {};
        if (std::sscanf(output.c_str() + at, "Line %d: warning (%31[A-Za-z])", &line, kind) == 2 ||
            std::sscanf(output.c_str() + at, "File: warning (%31[A-Za-z])", kind) == 1)
            found.insert({line, kind});
        if (output.find('\n', at) == std::string::npos)
            break;
    }
    return found;
}

} // namespace

TEST(KeyloftCheck, WarnsOfEachPitfallWithItsLine) {
    TempFolder folder;
    WriteBytes(folder.PathOf(L"pitfalls.ini"),
               "; every pitfall once\r\n"
               "[Keyloft]\r\n"
               "RepeatDelay=abc\r\n"                          // 3
               "OnlyActiveUser=0\r\n"                         // 4
               "41=notepad.exe\r\n"                           // 5
               "0029=notepad.exe\r\n"                         // 6
               "E06D=\"C:\\Program Files\\App\\app.exe\"\r\n" // 7
               "E06E=30\r\n"                                  // 8
               "E06F=C:\\M\xC3\xBCsik\\app.exe\r\n"           // 9: UTF-8 without a mark
               "E070=notepad.exe ; notes\r\n"                 // 10
               "E071=notepad.exe\r\n"                         // 11
               "e071=write.exe\r\n"                           // 12
               "E072=notepad.exe " +
                   std::string(3000, 'x') +
                   "\r\n"                                            // 13
                   "E073=0x1E\r\n"                                   // 14: sound
                   "E074=KeyloftSend.exe Ctrl+Shft+A\r\n"            // 15
                   "E075=keyloftsend ctrl+shift+esc Volume_Up*3\r\n" // 16: sound
                   "1234=notepad.exe\r\n"                            // 17
                   "20000=notepad.exe\r\n"                           // 18
                   "PauseIn=C:\\Games\\game.exe, obs64\r\n"          // 19
                   "PauseFullScreen=yes\r\n"                         // 20
                   "E076=KeyloftSend.exe --switch nosuch.exe -x\r\n" // 21
                   "E077=KeyloftSend.exe Hyper+A\r\n"                // 22
                   "9006E=notepad.exe\r\n"                           // 23: sound
                   "19006E=notepad.exe\r\n"                          // 24: sound
                   "10003A=as Ctrl\r\n"                              // 25: sound
                   "003A=AS esc\r\n"                                 // 26: sound
                   "003A+=as Esc\r\n"                                // 27
                   "0046=as ctrl+Shft\r\n"                           // 28
                   "0045=as Ctrl Esc\r\n"                            // 29
                   "10E06C=as Ctrl+home\r\n"                         // 30: sound
                   "E030=as  volume_up\r\n"                          // 31: sound
                   "F005=notepad.exe\r\n"                            // 32: sound, the library's
                   "10F00A=notepad.exe\r\n"                          // 33
                   "F007=notepad.exe\r\n"                            // 34
                   "[Other]\r\n"
                   "41=x\r\n");
    // Found beside the checker, as in the release.
    CopyFileW((BinFolder() + L"KeyloftSend.exe").c_str(), folder.PathOf(L"KeyloftSend.exe").c_str(),
              FALSE);
    const ProgramRun run = RunChecker(folder, L"\"" + folder.PathOf(L"pitfalls.ini") + L"\"");
    std::set<std::pair<int, std::string>> expected = {
        {3, "RepeatDelay"}, {4, "OnlyActiveUser"}, {5, "key"},
        {6, "key"},         {7, "quotes"},         {8, "number"},
        {9, "program"},     {10, "comment"},       {12, "duplicate"},
        {13, "length"},     {15, "send"},          {17, "code"},
        {18, "code"},       {19, "PauseIn"},       {20, "PauseFullScreen"},
        {21, "program"},    {22, "send"},          {33, "code"},
        {34, "code"},
    };
    expected.insert({{27, "as"}, {28, "as"}, {29, "as"}, {0, "library"}});
    EXPECT_EQ(Warnings(run.Output), expected) << run.Output;
    EXPECT_EQ(run.ExitCode, 1u);
    EXPECT_NE(run.Output.find(
                  "Line 7: E06D, Launch_Media (Media Select, E06D), single press: runs \xC2\xAB"
                  "C:\\Program\xC2\xBB with "
                  "parameters \xC2\xAB"
                  "Files\\App\\app.exe\xC2\xBB in \xC2\xAB"
                  "C:\\\xC2\xBB\r\n"),
              std::string::npos)
        << run.Output;
    EXPECT_NE(run.Output.find("Line 15: warning (send): Shft (in \xC2\xAB"
                              "Ctrl+Shft+A\xC2\xBB): no such key; did you mean Shift? KeyloftSend "
                              "sends nothing"),
              std::string::npos)
        << run.Output;
    EXPECT_NE(run.Output.find("Line 22: warning (send): in the word \xC2\xAB"
                              "Hyper+A\xC2\xBB, \xC2\xAB"
                              "Hyper\xC2\xBB is not the name of a key"),
              std::string::npos);
    EXPECT_NE(run.Output.find("Line 23: 9006E, Copilot key (Win+Shift+F23), 006E, single press: "
                              "runs \xC2\xABnotepad.exe\xC2\xBB"),
              std::string::npos);
    EXPECT_NE(run.Output.find("Line 24: 19006E, Copilot key (Win+Shift+F23), 006E, held: runs"),
              std::string::npos);
    EXPECT_NE(run.Output.find("Line 16: E075, single press: sends Ctrl+Shift+Esc, then Volume_Up "
                              "\xC3\x97"
                              "3\r\n"),
              std::string::npos);
    EXPECT_NE(run.Output.find("\xC2\xAB"
                              "C:\\M\xC3\xBCsik\\app.exe\xC2\xBB"),
              std::string::npos);
    EXPECT_NE(run.Output.find("Line 19: PauseIn pauses Keyloft while a window of \xC2\xAB"
                              "C:\\Games\\game.exe\xC2\xBB, \xC2\xAB"
                              "obs64\xC2\xBB is in front: the keys keep their own action"),
              std::string::npos)
        << run.Output;
    EXPECT_NE(run.Output.find("Line 32: F005, XButton1 (Back, F005), single press: runs \xC2\xAB"
                              "notepad.exe\xC2\xBB"),
              std::string::npos);
    EXPECT_NE(run.Output.find("single press: switches to or starts \xC2\xABnosuch.exe\xC2\xBB with "
                              "parameters \xC2\xAB-x\xC2\xBB\r\n"),
              std::string::npos);
    for (const char* acting : {
             "Line 25: 10003A, CapsLock (003A), held: tapped: Esc; held: Ctrl\r\n",
             "Line 26: 003A, CapsLock (003A), single press: tapped: Esc; held: Ctrl\r\n",
             "Line 30: 10E06C, Launch_Mail (E06C), held: tapped: gives the key's own press back; "
             "held: Ctrl+Home\r\n",
             "Line 31: E030, Volume_Up (E030), single press: acts as Volume_Up while held\r\n",
             "Line 28: warning (as): Shft (in \xC2\xAB"
             "ctrl+Shft\xC2\xBB): no such key; did you mean Shift? The line is a command line, "
             "which runs \xC2\xAB"
             "as\xC2\xBB.\r\n",
             "Line 29: warning (as): a key acts as one stroke, written as one word (Ctrl+Home): "
             "with more words the line is a command line, which runs \xC2\xAB"
             "as\xC2\xBB.\r\n",
         })
        EXPECT_NE(run.Output.find(acting), std::string::npos) << acting;
}

TEST(KeyloftCheck, ExitStatus) {
    TempFolder folder;
    // The shipped sample binds calc.exe, which Windows has and Wine may lack: a stand-in.
    CopyFileW((BinFolder() + L"KeyloftProbe.exe").c_str(), folder.PathOf(L"calc.exe").c_str(),
              FALSE);
    CopyFileW((BinFolder() + L"..\\release\\Keyloft.ini").c_str(),
              folder.PathOf(L"Keyloft.ini").c_str(), FALSE);
    WriteBytes(folder.PathOf(L"other.ini"), "[Settings]\r\n0041=notepad.exe\r\n");
    const struct {
        const wchar_t* File;
        DWORD ExitCode;
        std::set<std::pair<int, std::string>> Warnings;
    } cases[] = {
        {L"", 0, {}}, // the shipped sample, beside the checker
        {L"other.ini", 1, {{0, "section"}}},
        {L"absent.ini", 2, {}},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunChecker(folder, c.File);
        EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Output;
        EXPECT_EQ(Warnings(run.Output), c.Warnings) << run.Output;
    }
}

// The dry run of --try: the library's own decision over a script, the whole output compared.
TEST(KeyloftCheck, TriesAScriptWithTheLibrarysDecision) {
    TempFolder folder;
    const std::string bindings =
        "[Keyloft]\r\nHoldDelay=300\r\n10003A=notepad.exe\r\n2E06C=calc.exe\r\n";
    WriteBytes(folder.PathOf(L"hold.ini"), bindings);
    WriteBytes(folder.PathOf(L"Keyloft.ini"), bindings);
    const struct {
        const wchar_t* Arguments;
        DWORD ExitCode;
        const char* Output;
    } cases[] = {
        // A tap of a key whose long press alone is bound gives its own press back at the release.
        {L"--try CapsLock", 0, "10 ms  +CapsLock\r\n10 ms  -CapsLock\r\n"},
        // Held for the file's HoldDelay: the long press is reported then.
        {L"hold.ini --try \"+CapsLock 400ms -CapsLock\"", 0,
         "300 ms  reports 10003A: runs \xC2\xABnotepad.exe\xC2\xBB\r\n"},
        // A chord reported and swallowed; an unbound key passed on.
        {L"hold.ini --try \"+LCtrl launch_mail -Ctrl 100 ms J\"", 0,
         "0 ms  +Ctrl\r\n10 ms  reports 2E06C: runs \xC2\xAB"
         "calc.exe\xC2\xBB\r\n30 ms  -Ctrl\r\n130 ms  +J\r\n140 ms  -J\r\n"},
        {L"hold.ini --try \"J +Capslok\"", 2,
         "KeyloftCheck --try: Capslok (in \xC2\xAB+Capslok\xC2\xBB): no such key; did you mean "
         "CapsLock?\r\n"},
        {L"hold.ini --try \"J 12x\"", 2,
         "KeyloftCheck --try: \xC2\xAB"
         "12x\xC2\xBB is no wait: a wait is a number of milliseconds from 0 to 600000 (600 or "
         "600ms).\r\n"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunChecker(folder, c.Arguments);
        EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Output;
        EXPECT_EQ(run.Output, c.Output);
    }
}
