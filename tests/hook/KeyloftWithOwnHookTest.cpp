// The real Keyloft.exe with the project's own kbhook.dll: keys injected into the desktop reach
// the program and fire their bindings; bound extra keys are swallowed, unbound ones pass on, and
// unbound ordinary letters are never reported.
#include "HookHarness.h"
#include "support/KeyloftDriver.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Matching(const std::vector<std::string>& lines, const std::string& part) {
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos)
            found.push_back(line);
    return found;
}

} // namespace

TEST(KeyloftWithOwnHook, InjectedKeysFireBindingsAndOnlyUnboundKeysPassOn) {
    ClearRecords();
    // Installed before Keyloft's hook, so it sees only what the library passes on.
    ObserverHook observer;
    TestWindow focus(true);
    KeyloftFolder keyloft;
    PrepareKeyloft(keyloft, HookVariant::None);
    ASSERT_TRUE(CopyFileW((BinFolder() + L"kbhook.dll").c_str(),
                          keyloft.Folder.PathOf(L"kbhook.dll").c_str(), FALSE));
    const std::wstring probe = L"\"" + BinFolder() + L"KeyloftProbe.exe\"";
    // 0041 is the code of F7, not of the letter A (001E), which stays unbound.
    WriteConfig(keyloft,
                L"[Keyloft]\r\nE06C=" + probe + L" mail\r\n0041=" + probe + L" letter\r\n");
    KeyloftProcess process;
    ASSERT_TRUE(StartKeyloft(keyloft, process));
    ASSERT_NE(WaitForMainWindow(), nullptr);
    PumpFor(1500); // the hook starts as the last step of start-up

    ASSERT_TRUE(BringToForeground(focus.Window));
    PressKey(MailKey);
    PressKey(F13Key);
    PressKey(LetterAKey);
    ASSERT_TRUE(SyncInput(focus.Window));

    const std::vector<std::string> launches = WaitForLogLines(keyloft.ProbeLogPath(), 1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(Matching(launches, " mail\t").size(), 1u) << launches[0];
    EXPECT_TRUE(ObservedOf(MailKey).empty()) << "a bound extra key is swallowed";
    EXPECT_EQ(ObservedOf(F13Key).size(), 2u) << "an unbound extra key passes on";
    EXPECT_EQ(KeysOf(F13Key, focus.Window).size(), 2u);
    EXPECT_EQ(ObservedOf(LetterAKey).size(), 2u);
    EXPECT_EQ(KeysOf(LetterAKey, focus.Window).size(), 2u);

    PumpFor(1000);
    EXPECT_TRUE(Matching(ReadLogLines(keyloft.ProbeLogPath()), " letter\t").empty())
        << "unbound ordinary letters are never reported";
}
