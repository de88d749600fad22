#include "util/Clipboard.h"

#include <cstring>

namespace {

constexpr UINT BlockFlags = GMEM_MOVEABLE | GMEM_DDESHARE; // 0x2002

// Keeps a global block locked for the scope; unlocks it however the scope ends.
struct BlockLock {
    explicit BlockLock(HGLOBAL block) : Block(block), Data(block ? GlobalLock(block) : nullptr) {}
    ~BlockLock() {
        if (Data)
            GlobalUnlock(Block);
    }
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;
    HGLOBAL Block;
    void* Data;
};

// Keeps the clipboard open for the scope; closes it however the scope ends.
struct ClipboardOpen {
    ClipboardOpen() : Opened(OpenClipboard(nullptr) != FALSE) {}
    ~ClipboardOpen() {
        if (Opened)
            CloseClipboard();
    }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
    bool Opened;
};

} // namespace

bool FillClipboard(HGLOBAL block, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    {
        BlockLock lock(block);
        // A block that cannot be locked, or is too small for the text and its NUL, takes nothing.
        if (lock.Data == nullptr || GlobalSize(block) < bytes)
            return false;
        std::memcpy(lock.Data, text.c_str(), bytes);
    }
    ClipboardOpen clipboard;
    if (!clipboard.Opened)
        return false;
    EmptyClipboard();
    return SetClipboardData(CF_UNICODETEXT, block) != nullptr;
}

void CopyTextToClipboard(const std::wstring& text) {
    HGLOBAL block = nullptr;
    bool taken = false;
    try {
        // The text and one terminating NUL.
        block = GlobalAlloc(BlockFlags, (text.size() + 1) * sizeof(wchar_t));
        if (block)
            taken = FillClipboard(block, text);
    } catch (...) {
        taken = false;
    }
    // Until the clipboard takes it, the block is ours to free; afterwards it is the system's.
    if (block && !taken)
        GlobalFree(block);
}
