// FireBinding against the real system: a command line starts the probe program, a key event
// reaches a low-level keyboard hook.
#include "mapping/Binding.h"
#include "support/ConfigFixture.h"
#include "support/ScopedProcessState.h"
#include "support/TempFolder.h"
#include "util/Utils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Runs the thread's messages (the keyboard hook is called through them) until done() holds or
// the time is up.
template <typename Done> bool PumpUntil(Done done, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, Min(50, milliseconds - elapsed), QS_ALLINPUT);
    }
}

struct SeenKey {
    WPARAM Message;
    KBDLLHOOKSTRUCT Key;
};
std::vector<SeenKey> SeenKeys;

LRESULT CALLBACK RecordKey(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION)
        SeenKeys.push_back({message, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data)});
    return CallNextHookEx(nullptr, code, message, data);
}

// A low-level keyboard hook of the test, recording every key event of the desktop.
struct ScopedKeyboardHook {
    ScopedKeyboardHook() {
        SeenKeys.clear();
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread needs its queue
        Hook = SetWindowsHookExW(WH_KEYBOARD_LL, RecordKey, GetModuleHandleW(nullptr), 0);
    }
    ~ScopedKeyboardHook() {
        if (Hook)
            UnhookWindowsHookEx(Hook);
    }
    ScopedKeyboardHook(const ScopedKeyboardHook&) = delete;
    ScopedKeyboardHook& operator=(const ScopedKeyboardHook&) = delete;
    HHOOK Hook = nullptr;
};

// The probe's log (UTF-16, one line per start) once it holds a whole line; empty on time-out.
std::wstring WaitForProbeLine(const std::wstring& log, DWORD milliseconds) {
    std::wstring text;
    PumpUntil(
        [&] {
            const std::string bytes = ReadBytes(log);
            text.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
            return text.find(L"\r\n") != std::wstring::npos;
        },
        milliseconds);
    return text;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

TEST(FireBindingOnTheSystem, CommandLineStartsTheProgramInItsOwnDirectory) {
    TempFolder work;
    const std::wstring log = work.PathOf(L"probe.log");
    ScopedEnvironmentVariable logVariable(L"KEYLOFT_PROBE_LOG", log);
    const std::wstring probe = BinFolder() + L"KeyloftProbe.exe";
    ScopedConfig config(L"[Keyloft]\r\n1E05F+=\"" + probe +
                        L"\"   first \"two words\"  last  \r\n");
    // Elsewhere, so that the working directory can only come from the binding.
    ScopedCurrentDirectory elsewhere(work.Path);
    ASSERT_TRUE(elsewhere.Changed);

    volatile LONG slot = 0x1E05F;
    FireBinding(slot, L"+");
    EXPECT_EQ(slot, 0);

    const std::wstring line = WaitForProbeLine(log, 30000);
    ASSERT_FALSE(line.empty()) << "the probe did not start";
    EXPECT_EQ(line.find(L"\r\n"), line.size() - 2) << "started more than once: " << line;
    const size_t tab = line.rfind(L'\t');
    ASSERT_NE(tab, std::wstring::npos) << line;
    const std::wstring commandLine = line.substr(0, tab);
    const std::wstring directory = line.substr(tab + 1, line.size() - tab - 3);
    const std::wstring parameters = L" first \"two words\"  last";
    ASSERT_GE(commandLine.size(), parameters.size()) << commandLine;
    EXPECT_EQ(commandLine.substr(commandLine.size() - parameters.size()), parameters)
        << commandLine;
    EXPECT_NE(commandLine.find(L"KeyloftProbe.exe"), std::wstring::npos) << commandLine;
    EXPECT_TRUE(SamePath(WithTrailingBackslash(directory), BinFolder()))
        << directory << " vs " << BinFolder();
}

TEST(FireBindingOnTheSystem, KeyEventIsOneInjectedKeyDown) {
    ScopedConfig config(L"[Keyloft]\r\n0041=0x11E\r\n0042=\r\n");
    ScopedKeyboardHook hook;
    ASSERT_NE(hook.Hook, nullptr) << "error " << GetLastError();

    // Empty and absent bindings inject nothing.
    for (LONG code : {0x42L, 0x43L}) {
        volatile LONG slot = code;
        FireBinding(slot, L"");
        EXPECT_EQ(slot, 0);
    }
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(SeenKeys.empty());

    volatile LONG slot = 0x41;
    FireBinding(slot, L"");
    EXPECT_EQ(slot, 0);
    ASSERT_TRUE(PumpUntil([] { return !SeenKeys.empty(); }, 10000)) << "no key event arrived";
    // Time for a release, which must never come.
    PumpUntil([] { return false; }, 500);

    ASSERT_EQ(SeenKeys.size(), 1u);
    const SeenKey& seen = SeenKeys[0];
    EXPECT_EQ(seen.Message, static_cast<WPARAM>(WM_KEYDOWN));
    EXPECT_EQ(seen.Key.scanCode, 0x1Eu);
    EXPECT_NE(seen.Key.flags & LLKHF_INJECTED, 0u);
    EXPECT_EQ(seen.Key.flags & LLKHF_UP, 0u);
    EXPECT_EQ(seen.Key.flags & LLKHF_EXTENDED, 0u);
}
