#include "hook/BindingFile.h"

namespace {

constexpr wchar_t SectionName[] = L"Keyloft";
// The section's text starts at this size and grows up to the cap (2 MB); a larger section is
// taken as far as it fits.
constexpr DWORD FirstSectionChars = 16384;
constexpr DWORD MaxSectionChars = 1u << 20;

void* Allocate(std::size_t bytes) {
    return HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
}

void Release(void* memory) {
    if (memory)
        HeapFree(GetProcessHeap(), 0, memory);
}

// One configuration key as the table needs it: the code in the high 32 bits, then which of its
// two keys it is, then the entry's place in the section (a section holds far fewer than 2^31
// entries), so that sorting puts the first entry of each key in front of its repeats.
constexpr std::uint64_t IndexBits = (1u << 31) - 1;

std::uint64_t EntryRecord(std::uint32_t code, bool plus, std::size_t index) {
    return (static_cast<std::uint64_t>(code) << 32) | (static_cast<std::uint64_t>(plus) << 31) |
           (index & IndexBits);
}

} // namespace

bool SameStamp(const FileStamp& a, const FileStamp& b) {
    if (a.Exists != b.Exists)
        return false;
    if (!a.Exists)
        return true;
    return a.LastWrite.dwLowDateTime == b.LastWrite.dwLowDateTime &&
           a.LastWrite.dwHighDateTime == b.LastWrite.dwHighDateTime && a.Size == b.Size;
}

FileStamp ReadFileStamp(const wchar_t* path) {
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !*path || !GetFileAttributesExW(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return stamp;
    stamp.Exists = true;
    stamp.LastWrite = data.ftLastWriteTime;
    stamp.Size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return stamp;
}

bool MakeBoundKeys(const std::uint32_t* codes, std::size_t count, BoundKeys& table) {
    BoundKeys made;
    if (count > 0) {
        made.Codes = static_cast<std::uint32_t*>(Allocate(count * sizeof(std::uint32_t)));
        if (!made.Codes)
            return false;
        for (std::size_t i = 0; i < count; ++i)
            made.Codes[i] = codes[i];
        made.Count = SortUniqueCodes(made.Codes, count);
    }
    FreeBoundKeys(table);
    table = made;
    return true;
}

void FreeBoundKeys(BoundKeys& table) {
    Release(table.Codes);
    Release(table.Acting);
    table = BoundKeys();
}

bool BoundKeysOfSection(const wchar_t* list, std::size_t length, bool cut, BoundKeys& table) {
    // Every entry is at least "name" and its terminator: half the length bounds their number.
    const std::size_t most = length / 2 + 1;
    auto* records = static_cast<std::uint64_t*>(Allocate(most * sizeof(std::uint64_t)));
    auto* valued = static_cast<bool*>(Allocate(most));
    auto* codes = static_cast<std::uint32_t*>(Allocate(most * sizeof(std::uint32_t)));
    bool done = records && valued && codes;
    if (done) {
        std::size_t count = 0;
        std::size_t at = 0;
        ProfileEntry entry;
        bool delaySeen = false;
        bool activeUserSeen = false;
        bool keysIgnored = false;
        DWORD holdDelay = DefaultHoldDelayMs;
        while (count < most && NextSectionEntry(list, length, cut, at, entry)) {
            // The first HoldDelay counts, as for the program's reads.
            if (!delaySeen && IsSettingName(entry.Name, entry.NameLength, HoldDelaySetting)) {
                delaySeen = true;
                holdDelay = HoldDelayOf(entry.Value, entry.ValueLength);
                continue;
            }
            // Only emptiness counts: absent, or any value, lets keys through.
            if (!activeUserSeen &&
                IsSettingName(entry.Name, entry.NameLength, OnlyActiveUserSetting)) {
                activeUserSeen = true;
                keysIgnored = entry.HasValue && entry.ValueLength == 0;
                continue;
            }
            std::uint32_t code = 0;
            bool plus = false;
            if (!BindingKeyCode(entry.Name, entry.NameLength, code, plus))
                continue;
            valued[count] = entry.HasValue && IsBindingValue(entry.Value, entry.ValueLength);
            records[count] = EntryRecord(code, plus, count);
            ++count;
        }
        HeapSort(records, count);
        // The first record of each key decides; the codes come out sorted.
        std::size_t bound = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const bool first = i == 0 || (records[i] >> 31) != (records[i - 1] >> 31);
            if (first && valued[records[i] & IndexBits])
                codes[bound++] = static_cast<std::uint32_t>(records[i] >> 32);
        }
        done = MakeBoundKeys(codes, bound, table);
        if (done) {
            table.HoldDelayMs = holdDelay;
            table.KeysIgnored = keysIgnored;
        }
    }
    Release(records);
    Release(valued);
    Release(codes);
    return done;
}

bool LoadBoundKeys(const wchar_t* path, BoundKeys& table, PauseSettings* pause) {
    if (!path || !*path) {
        FreeBoundKeys(table);
        if (pause)
            FreePauseSettings(*pause);
        return true;
    }
    // The whole section in one read, as "name=value" entries. The reader signals a cut list by
    // returning the capacity minus two; the list then grows, up to a cap.
    DWORD capacity = FirstSectionChars;
    for (;;) {
        auto* list = static_cast<wchar_t*>(Allocate(capacity * sizeof(wchar_t)));
        if (!list)
            return false;
        DWORD length = GetPrivateProfileSectionW(SectionName, list, capacity, path);
        const bool cut = length + 2 >= capacity;
        if (!cut || capacity >= MaxSectionChars) {
            if (length >= capacity)
                length = capacity - 1;
            BoundKeys fresh;
            bool done = BoundKeysOfSection(list, length, cut, fresh);
            if (done && pause)
                done = PauseSettingsOfSection(list, length, cut, *pause);
            if (done) {
                FreeBoundKeys(table);
                table = fresh;
            } else {
                FreeBoundKeys(fresh);
            }
            Release(list);
            return done;
        }
        Release(list);
        capacity *= 4;
    }
}

bool ConfigPathFor(const wchar_t* executablePath, wchar_t* path, std::size_t capacity) {
    std::size_t length = 0;
    while (executablePath[length])
        ++length;
    std::size_t stem = length;
    for (std::size_t i = length; i > 0; --i) {
        const wchar_t c = executablePath[i - 1];
        if (c == L'\\')
            break;
        if (c == L'.') {
            stem = i - 1;
            break;
        }
    }
    const wchar_t extension[] = L".ini";
    if (stem + 5 > capacity)
        return false;
    for (std::size_t i = 0; i < stem; ++i)
        path[i] = executablePath[i];
    for (std::size_t i = 0; i < 5; ++i)
        path[stem + i] = extension[i];
    return true;
}

std::size_t ProcessExecutablePath(wchar_t* path, std::size_t capacity) {
    if (capacity == 0)
        return 0;
    const DWORD size = capacity > 32768 ? 32768 : static_cast<DWORD>(capacity);
    const DWORD length = GetModuleFileNameW(nullptr, path, size);
    // A full buffer means the path was cut.
    if (length == 0 || length >= size)
        return 0;
    return length;
}
