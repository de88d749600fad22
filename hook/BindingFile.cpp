#include "hook/BindingFile.h"

#include <vector>

namespace {

constexpr wchar_t SectionName[] = L"Keyloft";
// The section's text starts at this size and grows up to the cap (2 MB); a larger section is
// taken as far as it fits.
constexpr DWORD FirstSectionChars = 16384;
constexpr DWORD MaxSectionChars = 1u << 20;

} // namespace

bool operator==(const FileStamp& a, const FileStamp& b) {
    if (a.Exists != b.Exists)
        return false;
    if (!a.Exists)
        return true;
    return a.LastWrite.dwLowDateTime == b.LastWrite.dwLowDateTime &&
           a.LastWrite.dwHighDateTime == b.LastWrite.dwHighDateTime && a.Size == b.Size;
}

bool operator!=(const FileStamp& a, const FileStamp& b) {
    return !(a == b);
}

FileStamp ReadFileStamp(const std::wstring& path) {
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return stamp;
    stamp.Exists = true;
    stamp.LastWrite = data.ftLastWriteTime;
    stamp.Size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return stamp;
}

BoundKeys LoadBoundKeys(const std::wstring& path) {
    if (path.empty())
        return BoundKeys();
    // The whole section in one read, as "name=value" entries. The reader signals a cut list by
    // returning the capacity minus two; the list then grows, up to a cap.
    std::vector<wchar_t> list(FirstSectionChars);
    DWORD length = 0;
    bool cut = false;
    for (;;) {
        const DWORD capacity = static_cast<DWORD>(list.size());
        length = GetPrivateProfileSectionW(SectionName, list.data(), capacity, path.c_str());
        cut = length + 2 >= capacity;
        if (!cut || capacity >= MaxSectionChars)
            break;
        list.assign(static_cast<std::size_t>(capacity) * 4, L'\0');
    }
    if (length >= list.size())
        length = static_cast<DWORD>(list.size()) - 1;
    std::vector<std::wstring> entries = SplitProfileList(list.data(), length);
    // The last entry of a cut list may be cut itself.
    if (cut && !entries.empty())
        entries.pop_back();
    return BoundKeysOfSection(entries);
}

std::wstring ProcessExecutablePath() {
    // Grow the buffer until the whole path fits, as the program does for its own path.
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        if (buffer.size() >= 32768)
            return std::wstring(); // longer than any path the system allows
        buffer.resize(buffer.size() * 2);
    }
}
