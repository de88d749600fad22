#include "support/ProcessCounters.h"

#include <psapi.h>

#include <vector>

namespace {

// The system handle list as ntdll hands it out (information class 16).
struct SystemHandleEntry {
    ULONG OwnerProcessId;
    BYTE ObjectType;
    BYTE Flags;
    USHORT Value;
    PVOID Object;
    ULONG Access;
};
struct SystemHandleList {
    ULONG Count;
    SystemHandleEntry Entries[1];
};

constexpr ULONG SystemHandleInformationClass = 16;
constexpr LONG InfoLengthMismatch = static_cast<LONG>(0xC0000004);
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

// The handles that the system's list gives to the process; Known is false when there is none.
ProcessFigure HandlesFromSystemList(DWORD processId) {
    ProcessFigure figure;
    const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return figure;
    std::vector<unsigned char> buffer(1 << 16);
    LONG status = InfoLengthMismatch;
    // The list grows between the calls: ask again with room to spare until it fits.
    for (int attempt = 0; attempt < 16 && status == InfoLengthMismatch; ++attempt) {
        ULONG needed = 0;
        status = query(SystemHandleInformationClass, buffer.data(),
                       static_cast<ULONG>(buffer.size()), &needed);
        if (status == InfoLengthMismatch)
            buffer.resize((needed > buffer.size() ? needed : buffer.size()) * 2);
    }
    if (status < 0)
        return figure;
    const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
    const size_t room =
        (buffer.size() - offsetof(SystemHandleList, Entries)) / sizeof(SystemHandleEntry);
    const size_t count = list->Count < room ? list->Count : room;
    for (size_t i = 0; i < count; ++i)
        if (list->Entries[i].OwnerProcessId == processId)
            ++figure.Value;
    figure.Known = figure.Value > 0;
    figure.Source = "system handle list";
    return figure;
}

ProcessFigure Handles(HANDLE process, DWORD processId) {
    DWORD count = 0;
    // A running process always holds some handles: 0 is Wine's answer for "not counted".
    if (GetProcessHandleCount(process, &count) && count > 0)
        return ProcessFigure{true, count, "GetProcessHandleCount"};
    return HandlesFromSystemList(processId);
}

ProcessFigure GdiObjects(HANDLE process) {
    const DWORD count = GetGuiResources(process, GR_GDIOBJECTS);
    if (count > 0)
        return ProcessFigure{true, count, "GetGuiResources"};
    return ProcessFigure{false, 0, "GetGuiResources fails"};
}

ProcessFigure Memory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters)))
        return ProcessFigure{false, 0, "GetProcessMemoryInfo fails"};
    if (counters.PrivateUsage > 0)
        return ProcessFigure{true, counters.PrivateUsage, "PrivateUsage"};
    return ProcessFigure{true, counters.PagefileUsage, "PagefileUsage"};
}

struct WindowCount {
    DWORD ProcessId;
    unsigned Count;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM data) {
    auto* count = reinterpret_cast<WindowCount*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == count->ProcessId)
        ++count->Count;
    return TRUE;
}

} // namespace

unsigned CountProcessWindows(DWORD processId) {
    WindowCount count{processId, 0};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
    return count.Count;
}

ProcessCounters ReadProcessCounters(DWORD processId) {
    ProcessCounters counters;
    counters.Windows = ProcessFigure{true, CountProcessWindows(processId), "EnumWindows"};
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process)
        return counters;
    counters.Handles = Handles(process, processId);
    counters.GdiObjects = GdiObjects(process);
    counters.Memory = Memory(process);
    CloseHandle(process);
    return counters;
}

std::string FigureText(const ProcessFigure& figure, bool kibibytes) {
    if (!figure.Known)
        return "n/a";
    return std::to_string(kibibytes ? figure.Value / 1024 : figure.Value);
}
