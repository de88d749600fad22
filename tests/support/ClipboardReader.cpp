#include "support/ClipboardReader.h"

#include <cstring>

namespace {

constexpr DWORD OpenTimeoutMs = 2000;

// The clipboard can be held open for a moment by another program (Wine's own clipboard
// synchronisation too): try again for a while.
bool OpenClipboardPatiently() {
    const ULONGLONG deadline = GetTickCount64() + OpenTimeoutMs;
    while (!OpenClipboard(nullptr)) {
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(10);
    }
    return true;
}

} // namespace

ClipboardTestLock::ClipboardTestLock() {
    Mutex = CreateMutexW(nullptr, FALSE, L"KeyloftTests.Clipboard");
    if (Mutex)
        WaitForSingleObject(Mutex, 60000);
}

ClipboardTestLock::~ClipboardTestLock() {
    if (Mutex) {
        ReleaseMutex(Mutex);
        CloseHandle(Mutex);
    }
}

bool ReadClipboardUnits(std::wstring& units) {
    units.clear();
    if (!OpenClipboardPatiently())
        return false;
    bool found = false;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data) {
        const SIZE_T bytes = GlobalSize(data);
        const void* locked = GlobalLock(data);
        if (locked) {
            units.assign(bytes / sizeof(wchar_t), L'\0');
            if (!units.empty())
                std::memcpy(&units[0], locked, units.size() * sizeof(wchar_t));
            GlobalUnlock(data);
            found = true;
        }
    }
    CloseClipboard();
    return found;
}

bool PutClipboardText(const std::wstring& text) {
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block)
        return false;
    void* locked = GlobalLock(block);
    if (!locked) {
        GlobalFree(block);
        return false;
    }
    std::memcpy(locked, text.c_str(), bytes);
    GlobalUnlock(block);
    if (!OpenClipboardPatiently()) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!taken)
        GlobalFree(block);
    return taken;
}

bool EmptyTheClipboard() {
    if (!OpenClipboardPatiently())
        return false;
    const bool emptied = EmptyClipboard() != FALSE;
    CloseClipboard();
    return emptied;
}
