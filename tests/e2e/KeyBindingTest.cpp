// Keys reported to the running program fire their bindings: launches seen by the probe,
// key-downs seen by a low-level keyboard hook.
#include "shell/MainWindow.h"
#include "support/ForegroundWindow.h"
#include "support/KeyloftDriver.h"

#include <gtest/gtest.h>

namespace {

std::vector<KBDLLHOOKSTRUCT> SeenKeys;

LRESULT CALLBACK RecordKeys(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION) {
        KBDLLHOOKSTRUCT key = *reinterpret_cast<KBDLLHOOKSTRUCT*>(data);
        key.time = static_cast<DWORD>(message); // keep the message beside the event
        SeenKeys.push_back(key);
    }
    return CallNextHookEx(nullptr, code, message, data);
}

class KeyBinding : public ::testing::Test {
  protected:
    void Start(const std::wstring& config) {
        PrepareKeyloft(Keyloft, HookVariant::Full);
        WriteConfig(Keyloft, config);
        ASSERT_TRUE(StartKeyloft(Keyloft, Process));
        Window = WaitForMainWindow();
        ASSERT_NE(Window, nullptr);
        WaitForLogLines(Keyloft.HookLogPath(), 1);
    }
    void Press(std::int32_t code) {
        ASSERT_TRUE(Focus.Activate());
        PostMessageW(Window, HookKeyMessage, static_cast<WPARAM>(code), 1);
    }
    std::wstring Probe() const { return L"\"" + BinFolder() + L"KeyloftProbe.exe\""; }

    ForegroundWindow Focus;
    KeyloftFolder Keyloft;
    KeyloftProcess Process;
    HWND Window = nullptr;
};

} // namespace

TEST_F(KeyBinding, ABoundKeyLaunchesItsProgramWithParametersInItsDirectory) {
    Start(L"[Keyloft]\r\ne06c = " + Probe() + L"  -new \"two words\"  x \r\n");
    Press(0xE06C);
    const std::vector<std::string> launches = WaitForLogLines(Keyloft.ProbeLogPath(), 1);
    ASSERT_EQ(launches.size(), 1u);
    const std::wstring folder = BinFolder();
    std::string bin(folder.begin(), folder.end());
    bin.pop_back();
    EXPECT_NE(launches[0].find("-new \"two words\"  x\t"), std::string::npos) << launches[0];
    EXPECT_EQ(launches[0].substr(launches[0].find('\t') + 1), bin);
}

TEST_F(KeyBinding, AKeyEventBindingInjectsOneKeyDownWithItsScanCode) {
    Start(L"[Keyloft]\r\nE05F=0x11E\r\n");
    SeenKeys.clear();
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, RecordKeys, GetModuleHandleW(nullptr), 0);
    ASSERT_NE(hook, nullptr);
    Press(0xE05F);
    PumpMessagesFor(1500);
    UnhookWindowsHookEx(hook);
    ASSERT_EQ(SeenKeys.size(), 1u);
    EXPECT_EQ(SeenKeys[0].scanCode, 0x1Eu);
    EXPECT_EQ(SeenKeys[0].time, static_cast<DWORD>(WM_KEYDOWN));
    EXPECT_TRUE(SeenKeys[0].flags & LLKHF_INJECTED);
    EXPECT_FALSE(SeenKeys[0].flags & LLKHF_UP);
}

TEST_F(KeyBinding, ADoublePressFiresTheDoublePressBindingInsteadOfTheSingle) {
    Start(L"[Keyloft]\r\nRepeatDelay=2000\r\nE010=" + Probe() + L" single\r\nE010+=" + Probe() +
          L" double\r\n");
    Press(0xE010);
    Press(0xE010);
    const std::vector<std::string> launches = WaitForLogLines(Keyloft.ProbeLogPath(), 1);
    PumpMessagesFor(2500); // past the window: the single-press binding must not follow
    const std::vector<std::string> all = ReadLogLines(Keyloft.ProbeLogPath());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_NE(all[0].find(" double\t"), std::string::npos) << all[0];
}

TEST_F(KeyBinding, ASinglePressWaitsForTheWindowThenFires) {
    Start(L"[Keyloft]\r\nRepeatDelay=300\r\nE010=" + Probe() + L" single\r\nE010+=" + Probe() +
          L" double\r\n");
    Press(0xE010);
    const std::vector<std::string> launches = WaitForLogLines(Keyloft.ProbeLogPath(), 1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_NE(launches[0].find(" single\t"), std::string::npos) << launches[0];
}

TEST_F(KeyBinding, KeysAreDroppedWhileOnlyActiveUserIsEmpty) {
    Start(L"[Keyloft]\r\nOnlyActiveUser=\r\nE06C=" + Probe() + L" x\r\n");
    Press(0xE06C);
    PumpMessagesFor(1500);
    EXPECT_TRUE(ReadLogLines(Keyloft.ProbeLogPath()).empty());
}
