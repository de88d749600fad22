#include "hook/Pause.h"

#include "hook/HookKeys.h"

namespace {

// The names of a PauseIn value in the form of PauseSettings::Names; true with none when it names
// nothing. False when memory runs out.
bool CopyNames(const wchar_t* value, std::size_t length, wchar_t*& names) {
    names = nullptr;
    std::size_t at = 0;
    const wchar_t* name = nullptr;
    std::size_t nameLength = 0;
    if (!NextPauseName(value, length, at, name, nameLength))
        return true;
    // The names and their terminators take no more than the value and two characters.
    names = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, (length + 2) * sizeof(wchar_t)));
    if (!names)
        return false;
    std::size_t written = 0;
    at = 0;
    while (NextPauseName(value, length, at, name, nameLength)) {
        for (std::size_t i = 0; i < nameLength; ++i)
            names[written++] = name[i];
        names[written++] = L'\0';
    }
    names[written] = L'\0';
    return true;
}

} // namespace

bool NextPauseName(const wchar_t* value, std::size_t length, std::size_t& at, const wchar_t*& name,
                   std::size_t& nameLength) {
    while (at < length) {
        std::size_t end = at;
        while (end < length && value[end] != L',')
            ++end;
        name = value + at;
        nameLength = end - at;
        at = end + 1;
        TrimProfileBlanks(name, nameLength);
        if (nameLength > 0)
            return true;
    }
    return false;
}

bool PausesFullScreen(const wchar_t* value, std::size_t length) {
    TrimProfileBlanks(value, length);
    return length > 0 && !(length == 1 && value[0] == L'0');
}

bool PauseSettingsOfSection(const wchar_t* list, std::size_t length, bool cut,
                            PauseSettings& settings) {
    PauseSettings made;
    bool namesSeen = false;
    bool fullScreenSeen = false;
    std::size_t at = 0;
    ProfileEntry entry;
    while (NextSectionEntry(list, length, cut, at, entry)) {
        // The first of each counts, as for the program's reads.
        if (!namesSeen && IsSettingName(entry.Name, entry.NameLength, PauseInSetting)) {
            namesSeen = true;
            if (!CopyNames(entry.Value, entry.ValueLength, made.Names)) {
                FreePauseSettings(made);
                return false;
            }
        } else if (!fullScreenSeen &&
                   IsSettingName(entry.Name, entry.NameLength, PauseFullScreenSetting)) {
            fullScreenSeen = true;
            made.FullScreen = PausesFullScreen(entry.Value, entry.ValueLength);
        }
    }
    FreePauseSettings(settings);
    settings = made;
    return true;
}

void FreePauseSettings(PauseSettings& settings) {
    if (settings.Names)
        HeapFree(GetProcessHeap(), 0, settings.Names);
    settings = PauseSettings();
}

bool ProgramListed(const PauseSettings& settings, const wchar_t* path) {
    if (!settings.Names || !path)
        return false;
    const wchar_t* file = path;
    for (const wchar_t* c = path; *c; ++c)
        if (*c == L'\\' || *c == L'/')
            file = c + 1;
    for (const wchar_t* name = settings.Names; *name;) {
        if (CompareStringOrdinal(file, -1, name, -1, TRUE) == CSTR_EQUAL)
            return true;
        while (*name)
            ++name;
        ++name;
    }
    return false;
}

bool CoversAnyMonitor(const RECT& window, const RECT* monitors, long count) {
    for (long i = 0; i < count; ++i)
        if (window.left <= monitors[i].left && window.top <= monitors[i].top &&
            window.right >= monitors[i].right && window.bottom >= monitors[i].bottom)
            return true;
    return false;
}

bool CountsAsFullScreen(const FrontWindowFacts& window, const MonitorRects& monitors) {
    if (window.Shell || (window.Style & WS_CAPTION) == WS_CAPTION || (window.Style & WS_THICKFRAME))
        return false;
    const long count = monitors.Count < MaxMonitors ? monitors.Count : MaxMonitors;
    return CoversAnyMonitor(window.Rect, monitors.Rects, count);
}
