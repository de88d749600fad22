// Putting Unicode text on the real clipboard.
#include "util/Clipboard.h"

#include "support/ClipboardReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::wstring Sentinel = L"text the test put there";

// Keeps the clipboard open for a window on a thread of its own until the guard ends, as another
// program that holds it would.
struct ClipboardHeldElsewhere {
    ClipboardHeldElsewhere() {
        holder = std::thread([this] {
            HWND window = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, nullptr, nullptr);
            opened = window && OpenClipboard(window) != FALSE;
            ready = true;
            while (!release)
                Sleep(5);
            if (opened)
                CloseClipboard();
            if (window)
                DestroyWindow(window);
        });
        while (!ready)
            Sleep(5);
    }
    ~ClipboardHeldElsewhere() {
        release = true;
        holder.join();
    }
    std::atomic<bool> ready{false};
    std::atomic<bool> release{false};
    bool opened = false;
    std::thread holder;
};

HGLOBAL NewBlock(SIZE_T bytes) {
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
}

} // namespace

TEST(Clipboard, CopyPutsTheTextWithOneTerminatingNul) {
    ClipboardTestLock lock;
    const std::vector<std::wstring> texts = {
        L"",
        L"GetLastError = 2",
        L"Exception details:\nException @ 0040ABCD:\n\n    two\n    lines \u00FC\u20AC",
        std::wstring(5000, L'x') + L"\u3042",
    };
    for (const std::wstring& text : texts) {
        ASSERT_TRUE(PutClipboardText(Sentinel));
        CopyTextToClipboard(text);
        std::wstring units;
        ASSERT_TRUE(ReadClipboardUnits(units)) << text.size();
        EXPECT_EQ(units, text + L'\0') << text.size();
    }
}

TEST(Clipboard, FillHandsOverABlockThatHoldsTheText) {
    ClipboardTestLock lock;
    ASSERT_TRUE(PutClipboardText(Sentinel));
    const std::wstring text = L"copied";
    HGLOBAL block = NewBlock((text.size() + 1) * sizeof(wchar_t));
    ASSERT_NE(block, nullptr);
    ASSERT_TRUE(FillClipboard(block, text));
    std::wstring units;
    ASSERT_TRUE(ReadClipboardUnits(units));
    EXPECT_EQ(units, text + L'\0');
}

TEST(Clipboard, BlockThatCannotTakeTheTextIsRefusedAndStaysWithTheCaller) {
    ClipboardTestLock lock;
    ASSERT_TRUE(PutClipboardText(Sentinel));
    const std::wstring text = L"does not fit";
    EXPECT_FALSE(FillClipboard(nullptr, text));
    // One unit short: the terminating NUL would not fit.
    HGLOBAL small = NewBlock(text.size() * sizeof(wchar_t));
    ASSERT_NE(small, nullptr);
    EXPECT_FALSE(FillClipboard(small, text));
    EXPECT_EQ(GlobalFree(small), nullptr) << "the refused block must still belong to the caller";
    std::wstring units;
    ASSERT_TRUE(ReadClipboardUnits(units));
    EXPECT_EQ(units, Sentinel + L'\0');
}

TEST(Clipboard, ClipboardHeldByAnotherLeavesEverythingAsItWas) {
    ClipboardTestLock lock;
    ASSERT_TRUE(PutClipboardText(Sentinel));
    {
        ClipboardHeldElsewhere other;
        ASSERT_TRUE(other.opened);
        const std::wstring text = L"refused";
        HGLOBAL block = NewBlock((text.size() + 1) * sizeof(wchar_t));
        ASSERT_NE(block, nullptr);
        EXPECT_FALSE(FillClipboard(block, text));
        EXPECT_EQ(GlobalFree(block), nullptr)
            << "the refused block must still belong to the caller";
        // Reports nothing and changes nothing.
        CopyTextToClipboard(text);
    }
    std::wstring units;
    ASSERT_TRUE(ReadClipboardUnits(units));
    EXPECT_EQ(units, Sentinel + L'\0');
}
