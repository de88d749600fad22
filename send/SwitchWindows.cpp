#include "send/SwitchWindows.h"

#include "hook/InjectMark.h"
#include "send/FindProgram.h"
#include "send/Switch.h"

#include <windows.h>

namespace {

constexpr int ExitDone = 0;
constexpr int ExitRefused = 1;
constexpr int ExitNotStarted = 2;

// More windows of one program than anyone keeps open; the rest are left out.
constexpr int MaxWindows = 256;
// Processes whose answer is remembered while the windows are listed: a program's windows are
// often next to each other, and opening a process costs more than the rest of a window's look.
constexpr int RememberedProcesses = 64;
constexpr DWORD PathCapacity = 32768;

struct Search {
    const wchar_t* Wanted; // a full path, or a file name
    bool ByPath;
    HWND Windows[MaxWindows];
    int Count;
    DWORD Processes[RememberedProcesses];
    bool Matches[RememberedProcesses];
    int Remembered;
};

wchar_t WantedPath[PathCapacity];
wchar_t ImagePath[PathCapacity];

bool ProcessRunsProgram(Search& search, DWORD process) {
    for (int i = 0; i < search.Remembered; ++i)
        if (search.Processes[i] == process)
            return search.Matches[i];
    bool match = false;
    if (HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process)) {
        DWORD length = PathCapacity;
        match = QueryFullProcessImageNameW(handle, 0, ImagePath, &length) &&
                SameProgram(ImagePath, search.Wanted, search.ByPath);
        CloseHandle(handle);
    }
    const int slot =
        search.Remembered < RememberedProcesses ? search.Remembered++ : RememberedProcesses - 1;
    search.Processes[slot] = process;
    search.Matches[slot] = match;
    return match;
}

// A window the user switches to: visible, top-level without owner, no tool window.
BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    Search& search = *reinterpret_cast<Search*>(data);
    if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) ||
        (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
        return TRUE;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process && ProcessRunsProgram(search, process))
        search.Windows[search.Count++] = window;
    return search.Count < MaxWindows;
}

// One message box: the text, the program in guillemets and, after a colon, the system's reason.
void ShowProblem(const wchar_t* text, const wchar_t* program, DWORD error) {
    static wchar_t message[4096];
    static wchar_t reason[1024];
    reason[0] = 0;
    if (error)
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, reason, 1024, nullptr);
    const wchar_t* parts[] = {text,
                              program ? L"\u00AB" : L"",
                              program ? program : L"",
                              program ? L"\u00BB" : L"",
                              reason[0] ? L": " : L".",
                              reason};
    int used = 0;
    for (const wchar_t* part : parts)
        for (; *part && used + 1 < 4096; ++part)
            message[used++] = *part;
    message[used] = 0;
    MessageBoxW(nullptr, message, L"KeyloftSend", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Starts the program as Keyloft starts a command line, in the program's folder. shell32 is
// loaded only here: it costs more than the rest of KeyloftSend's start.
int Start(const wchar_t* program, const wchar_t* parameters) {
    static wchar_t folder[PathCapacity];
    if (!FindProgram(program, folder, PathCapacity))
        lstrcpynW(folder, program, PathCapacity);
    *const_cast<wchar_t*>(FileNamePart(folder)) = 0;
    using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    const HMODULE shell = LoadLibraryW(L"shell32.dll");
    const auto execute = shell ? reinterpret_cast<ShellExecuteFunction>(reinterpret_cast<void*>(
                                     GetProcAddress(shell, "ShellExecuteW")))
                               : nullptr;
    SetLastError(0);
    const INT_PTR result = execute ? reinterpret_cast<INT_PTR>(execute(
                                         nullptr, L"", program, parameters, folder, SW_SHOWNORMAL))
                                   : 0;
    if (result > 32)
        return ExitDone;
    const DWORD error = GetLastError() ? GetLastError() : ERROR_FILE_NOT_FOUND;
    ShowProblem(L"KeyloftSend --switch cannot start ", program, error);
    return ExitNotStarted;
}

// Brings window to the front. Windows lets a program take the focus when it sent the last
// input, so a marked press of the masking key (which no program acts on, and which kbhook.dll
// passes on untouched) comes first; attaching to the input of the thread in front for the call
// covers the rest. When Windows still refuses, it flashes the window's taskbar button.
bool BringToFront(HWND window) {
    SendMaskingKey();
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    const DWORD self = GetCurrentThreadId();
    const DWORD front = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const bool attached = front && front != self && AttachThreadInput(self, front, TRUE);
    SetForegroundWindow(window);
    BringWindowToTop(window);
    if (attached)
        AttachThreadInput(self, front, FALSE);
    return GetForegroundWindow() == window;
}

// The window of the program that is in front: the window in front itself, or the one that owns
// the dialog in front. A minimized window may keep the focus when no other window takes it, but
// it is not in front for the user.
int FrontIndex(const Search& search) {
    const HWND front = GetForegroundWindow();
    const HWND owner = front ? GetAncestor(front, GA_ROOTOWNER) : nullptr;
    for (int i = 0; i < search.Count; ++i)
        if ((search.Windows[i] == front || search.Windows[i] == owner) &&
            !IsIconic(search.Windows[i]))
            return i;
    return -1;
}

} // namespace

int SwitchToProgram(const wchar_t* commandLine, const wchar_t* const* words, int count) {
    if (count < 2 || !words[1][0]) {
        ShowProblem(L"KeyloftSend --switch is given no program. The form is: KeyloftSend.exe "
                    L"--switch PROGRAM [PARAMETERS]",
                    nullptr, 0);
        return ExitNotStarted;
    }
    const wchar_t* program = words[1];
    static Search search;
    search.ByPath = HasFolder(program);
    // A bare name is compared with the file name that the system finds for it ("notepad" runs
    // notepad.exe); a path as the full path, in its long form.
    if (FindProgram(program, WantedPath, PathCapacity)) {
        if (search.ByPath)
            GetLongPathNameW(WantedPath, WantedPath, PathCapacity);
    } else if (!search.ByPath || !GetFullPathNameW(program, PathCapacity, WantedPath, nullptr)) {
        lstrcpynW(WantedPath, program, PathCapacity);
    }
    search.Wanted = search.ByPath ? WantedPath : FileNamePart(WantedPath);
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));

    const SwitchChoice choice = DecideSwitch(search.Count, FrontIndex(search));
    switch (choice.Step) {
    case SwitchStep::Start: {
        const int length = lstrlenW(commandLine);
        auto* scratch = static_cast<wchar_t*>(
            HeapAlloc(GetProcessHeap(), 0, (static_cast<SIZE_T>(length) + 1) * sizeof(wchar_t)));
        auto* split = static_cast<wchar_t**>(HeapAlloc(
            GetProcessHeap(), 0, (static_cast<SIZE_T>(length) / 2 + 2) * sizeof(wchar_t*)));
        if (!scratch || !split)
            return ExitNotStarted;
        return Start(program, WordsFrom(commandLine, 2, scratch, split));
    }
    case SwitchStep::Raise:
        return BringToFront(search.Windows[choice.Window]) ? ExitDone : ExitRefused;
    case SwitchStep::Minimize:
        ShowWindow(search.Windows[choice.Window], SW_MINIMIZE);
        return ExitDone;
    }
    return ExitDone;
}
