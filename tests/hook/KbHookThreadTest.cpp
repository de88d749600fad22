// kbhook.dll on a thread of its own: keys pass while the caller's thread is blocked, held keys
// report once, a key after a long idle spell still counts, a hook the system removed comes back
// by itself, and a read of the configuration that hangs holds up no key and no stop.
#include "HookHarness.h"

#include "hook/HookWatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

using KbHookThread = LiveHookTest;

// F13 to F17: extra keys the desktop does nothing with, each with a code of its own.
const InjectedKey TypedKeys[] = {
    {VK_F13, 0x64, false}, {VK_F14, 0x65, false}, {VK_F15, 0x66, false},
    {VK_F16, 0x67, false}, {VK_F17, 0x68, false},
};
constexpr int TypedCount = sizeof(TypedKeys) / sizeof(TypedKeys[0]);
constexpr DWORD BlockMs = 3000;

// Types the keys from a thread of its own, behind a hook of that thread installed before the
// library's, and notes when each key-down has come through that hook.
struct Typist {
    std::atomic<bool> HookReady{false};
    std::atomic<bool> Go{false};
    DWORD SeenAt[TypedCount] = {};
    DWORD SentAt[TypedCount] = {};
    std::atomic<int> Seen{0};
    std::thread Thread;
};

Typist* ActiveTypist = nullptr;
std::atomic<int> TypingIndex{-1};

LRESULT CALLBACK TypistHook(int code, WPARAM message, LPARAM data) {
    const int index = TypingIndex;
    if (code == HC_ACTION && message == WM_KEYDOWN && index >= 0 &&
        reinterpret_cast<const KBDLLHOOKSTRUCT*>(data)->vkCode == TypedKeys[index].VirtualKey &&
        !ActiveTypist->SeenAt[index]) {
        ActiveTypist->SeenAt[index] = GetTickCount();
        ++ActiveTypist->Seen;
    }
    return CallNextHookEx(nullptr, code, message, data);
}

void Type(Typist& typist) {
    const HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, TypistHook, GetModuleHandleW(nullptr), 0);
    typist.HookReady = true;
    while (!typist.Go)
        Sleep(5);
    Sleep(200); // well inside the block
    for (int i = 0; i < TypedCount; ++i) {
        TypingIndex = i;
        typist.SentAt[i] = GetTickCount();
        SendKey(TypedKeys[i], false);
        SendKey(TypedKeys[i], true);
        // This thread's hook is called through its own message loop.
        const DWORD start = GetTickCount();
        while (typist.Seen <= i && GetTickCount() - start < 5000) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    TypingIndex = -1;
    UnhookWindowsHookEx(hook);
}

TEST(KbHookBlockedCaller, KeysPassWhileTheCallersThreadIsBlockedAndAreReportedAfterwards) {
    ClearRecords();
    ConfigFileGuard config;
    Typist typist;
    ActiveTypist = &typist;
    typist.Thread = std::thread(Type, std::ref(typist));
    while (!typist.HookReady)
        Sleep(5);
    LoadedHookLibrary library;
    TestWindow reports(false);
    TestWindow focus(true);
    ASSERT_NE(library.HookKeyboard, nullptr);
    ASSERT_EQ(library.HookKeyboard(1, reports.Window), 1);

    // This thread started the library and now neither pumps nor returns for three seconds.
    typist.Go = true;
    Sleep(BlockMs);
    const DWORD blockEnded = GetTickCount();
    typist.Thread.join();
    ActiveTypist = nullptr;

    ASSERT_EQ(typist.Seen, TypedCount);
    for (int i = 0; i < TypedCount; ++i) {
        EXPECT_LT(static_cast<LONG>(typist.SeenAt[i] - blockEnded), 0)
            << "key " << i << " waited for the blocked thread";
        std::printf("key %d passed the hooks after %lu ms\n", i,
                    static_cast<unsigned long>(typist.SeenAt[i] - typist.SentAt[i]));
    }
    // The reports waited in this thread's queue.
    for (int wait = 0; wait < 50 && ReportsTo(reports.Window).size() < TypedCount; ++wait)
        PumpFor(100);
    PumpFor(200);
    const auto received = ReportsTo(reports.Window);
    ASSERT_EQ(received.size(), static_cast<std::size_t>(TypedCount));
    for (int i = 0; i < TypedCount; ++i)
        EXPECT_EQ(received[i].LParam, TypedKeys[i].VirtualKey) << "in the order of the presses";
    EXPECT_EQ(library.HookKeyboard(0, reports.Window), 1);
}

TEST_F(KbHookThread, HeldKeyIsReportedOnceAndSwallowedWhole) {
    Config.Write("[Keyloft]\r\nE06C=calc.exe\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    ClearRecords();
    for (int repeat = 0; repeat < 10; ++repeat)
        SendKey(MailKey, false);
    SendKey(MailKey, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ReportsTo(ReportWindow.Window).size(), 1u) << "one report for the held key";
    EXPECT_TRUE(ObservedOf(MailKey).empty()) << "all ten key-downs and the key-up swallowed";

    PressAndSync(MailKey);
    EXPECT_EQ(ReportsTo(ReportWindow.Window).size(), 1u) << "the next press reports again";
}

TEST_F(KbHookThread, LongPressReportsOnceAtTheDelayAndATapReportsAtTheRelease) {
    Config.Write("[Keyloft]\r\nHoldDelay=400\r\n0065=x\r\n100065=y\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    PressAndSync(F14Key);
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), std::vector<WPARAM>{0x65}) << "a tap";
    EXPECT_TRUE(ObservedOf(F14Key).empty());

    ClearRecords();
    SendKey(F14Key, false);
    // Held for the delay and 300 ms more, repeating as a held key does.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 700;) {
        PumpFor(40);
        SendKey(F14Key, false);
    }
    PumpFor(50);
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), std::vector<WPARAM>{0x100065})
        << "reported while still held";
    SendKey(F14Key, true);
    ASSERT_TRUE(SyncInput(Focus.Window));
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), std::vector<WPARAM>{0x100065}) << "once";
    EXPECT_TRUE(ObservedOf(F14Key).empty()) << "no event of the held key passes on";
}

TEST_F(KbHookThread, KeyAfterAnIdleSpellIsReported) {
    Config.Write("[Keyloft]\r\nE06C=calc.exe\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    // Wine passes over some threads that have not looked at their queues for five seconds.
    PumpFor(5500);
    PressAndSync(MailKey);
    EXPECT_EQ(ReportsTo(ReportWindow.Window).size(), 1u);
    EXPECT_TRUE(ObservedOf(MailKey).empty());
}

TEST_F(KbHookThread, HookRemovedBehindTheLibrarysBackIsInstalledAgain) {
    ASSERT_TRUE(SpyOnHookInstalls(Library.Module));
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    ASSERT_EQ(HookInstallsSeen(), 1);
    PressAndSync(F13Key);
    ASSERT_EQ(ReportsTo(ReportWindow.Window).size(), 1u);

    // What the system does to a hook that was too slow: it removes it without a word. The keys
    // typed on reach the desktop, and the watch that the key before armed finds them unseen.
    ASSERT_TRUE(UnhookWindowsHookEx(LatestInstalledHook()));
    PressAndSync(F13Key);
    EXPECT_TRUE(ReportsTo(ReportWindow.Window).empty());
    EXPECT_TRUE(PumpUntil([] { return HookInstallsSeen() == 2; })) << "installed again";

    PressAndSync(F13Key);
    EXPECT_EQ(ReportsTo(ReportWindow.Window).size(), 1u) << "the key after that is reported";
    PumpFor(2 * WatchPeriodMs);
    EXPECT_EQ(HookInstallsSeen(), 2) << "and once is enough";

    // Removed again while the watch sleeps: the keys typed on wake it all the same.
    ASSERT_TRUE(UnhookWindowsHookEx(LatestInstalledHook()));
    PressAndSync(F13Key);
    EXPECT_TRUE(PumpUntil([] { return HookInstallsSeen() == 3; })) << "installed again";
}

// The system removes the hook during the call for the last event of a burst, a call that began
// on time and ran long, and the first reinstall fails; then no input for three seconds, then keys.
TEST_F(KbHookThread, HookRemovedDuringTheLastLongCallIsBackWhenKeysCome) {
    Config.Write("[Keyloft]\r\n0064=x\r\n");
    ASSERT_TRUE(SpyOnHookInstalls(Library.Module));
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    SendKey(LetterAKey, false);
    PumpFor(100);
    ASSERT_TRUE(SlowNextPassOn(Library.Module, 2 * LateCallMs));
    SendKey(LetterAKey, true);
    PumpFor(3000);
    for (DWORD start = GetTickCount();
         ReportsTo(ReportWindow.Window).empty() && GetTickCount() - start < 2000;)
        PressAndSync(F13Key);
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), std::vector<WPARAM>{0x64})
        << "the hook is back within two seconds";
}

TEST_F(KbHookThread, ReadThatHangsDelaysNoKeyNorTheStop) {
    ReadHold reads;
    ASSERT_TRUE(reads.Patch(Library.Module));
    Config.Write("[Keyloft]\r\nE06C=calc.exe\r\n");
    ASSERT_EQ(Library.HookKeyboard(1, ReportWindow.Window), 1);
    reads.Hold();
    Config.Write("[Keyloft]\r\n0064=x\r\n");
    ASSERT_TRUE(PumpUntil([&reads] { return reads.Waiting() == 1; })) << "the edit is being read";

    PressAndSync(F13Key); // in time: SyncInput waits five seconds at most
    EXPECT_EQ(ObservedOf(F13Key).size(), 2u) << "F13 reaches the later hook";
    PressAndSync(MailKey);
    EXPECT_EQ(ReportedCodes(ReportWindow.Window), std::vector<WPARAM>{0xE06C});
    EXPECT_TRUE(ObservedOf(MailKey).empty()) << "the binding from before still holds";

    // Stopped and freed while its reader still waits: the library stays mapped for it.
    EXPECT_EQ(Library.HookKeyboard(0, ReportWindow.Window), 1);
    const HMODULE module = Library.Module;
    Library.Release();
    EXPECT_EQ(GetModuleHandleW(L"kbhook.dll"), module);
    PressAndSync(MailKey);
    EXPECT_EQ(ObservedOf(MailKey).size(), 2u) << "stopped all the same";
    reads.Release();
    EXPECT_TRUE(PumpUntil([] { return GetModuleHandleW(L"kbhook.dll") == nullptr; }))
        << "unloaded once the reader had left";
}

} // namespace
