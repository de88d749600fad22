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

// One configuration entry as the table needs it: the code in the high 32 bits, then which of its
// two keys it is, then the entry's place in the section list (a list longer than MaxListChars is
// taken as far as that), then what its value is, so that sorting puts the first entry of each
// key in front of its repeats, and the entry can be read again from its place.
constexpr std::size_t MaxListChars = std::size_t{1} << 29;
constexpr std::uint64_t PlaceBits = MaxListChars - 1;
constexpr unsigned PlaceShift = 2;

enum EntryKind : unsigned { NoValue = 0, Valued = 1, Acting = 2 };

std::uint64_t EntryRecord(std::uint32_t code, bool plus, std::size_t place, EntryKind kind) {
    return (static_cast<std::uint64_t>(code) << 32) | (static_cast<std::uint64_t>(plus) << 31) |
           ((place & PlaceBits) << PlaceShift) | kind;
}

std::uint32_t CodeOfRecord(std::uint64_t record) {
    return static_cast<std::uint32_t>(record >> 32);
}

std::size_t PlaceOfRecord(std::uint64_t record) {
    return static_cast<std::size_t>((record >> PlaceShift) & PlaceBits);
}

EntryKind KindOfRecord(std::uint64_t record) {
    return static_cast<EntryKind>(record & 3);
}

// The acting codes of the first entries of their keys among the sorted records: each entry read
// again from its place. False when memory runs out.
bool MakeActingCodes(const wchar_t* list, std::size_t length, bool cut, const std::uint64_t* firsts,
                     std::size_t count, BoundKeys& table) {
    std::size_t acting = 0;
    for (std::size_t i = 0; i < count; ++i)
        acting += KindOfRecord(firsts[i]) == Acting;
    if (acting == 0)
        return true;
    table.Acting = static_cast<ActingCode*>(Allocate(acting * sizeof(ActingCode)));
    if (!table.Acting)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t at = PlaceOfRecord(firsts[i]);
        ProfileEntry entry;
        if (KindOfRecord(firsts[i]) != Acting || !NextSectionEntry(list, length, cut, at, entry))
            continue;
        const ActingValue value = ReadActingValue(entry.Value, entry.ValueLength);
        if (value.Read == ActingRead::Acts)
            table.Acting[table.ActingCount++] = {CodeOfRecord(firsts[i]), value.Acts};
    }
    return true;
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
    if (length > MaxListChars) {
        length = MaxListChars;
        cut = true;
    }
    // Every entry is at least "name" and its terminator: half the length bounds their number.
    const std::size_t most = length / 2 + 1;
    auto* records = static_cast<std::uint64_t*>(Allocate(most * sizeof(std::uint64_t)));
    auto* codes = static_cast<std::uint32_t*>(Allocate(most * sizeof(std::uint32_t)));
    bool done = records && codes;
    if (done) {
        std::size_t count = 0;
        std::size_t at = 0;
        ProfileEntry entry;
        bool delaySeen = false;
        bool activeUserSeen = false;
        bool keysIgnored = false;
        DWORD holdDelay = DefaultHoldDelayMs;
        for (std::size_t place = at; count < most && NextSectionEntry(list, length, cut, at, entry);
             place = at) {
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
            EntryKind kind = NoValue;
            if (entry.HasValue && IsBindingValue(entry.Value, entry.ValueLength))
                kind = !plus && ReadActingValue(entry.Value, entry.ValueLength).Read ==
                                    ActingRead::Acts
                           ? Acting
                           : Valued;
            records[count++] = EntryRecord(code, plus, place, kind);
        }
        HeapSort(records, count);
        // The first record of each key decides; the codes come out sorted. The first records
        // that bind move to the front.
        std::size_t bound = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const bool first = i == 0 || (records[i] >> 31) != (records[i - 1] >> 31);
            if (first && KindOfRecord(records[i]) != NoValue) {
                codes[bound] = CodeOfRecord(records[i]);
                records[bound++] = records[i];
            }
        }
        BoundKeys made;
        done = MakeBoundKeys(codes, bound, made) &&
               MakeActingCodes(list, length, cut, records, bound, made);
        if (done) {
            made.HoldDelayMs = holdDelay;
            made.KeysIgnored = keysIgnored;
            FreeBoundKeys(table);
            table = made;
        } else {
            FreeBoundKeys(made);
        }
    }
    Release(records);
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
