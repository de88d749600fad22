#include "support/MessageBoxReader.h"

#include <atomic>
#include <thread>

namespace {

constexpr int MessageTextId = 0xFFFF;
constexpr UINT SendTimeoutMs = 2000;
constexpr DWORD PollMs = 20;

std::wstring ClassNameOf(HWND window) {
    wchar_t name[64] = {};
    const int length = GetClassNameW(window, name, 64);
    return std::wstring(name, length > 0 ? length : 0);
}

// The window's text asked for with WM_GETTEXT, which the system carries across processes.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, SendTimeoutMs,
                             &length))
        return std::wstring();
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, SendTimeoutMs, &copied))
        return std::wstring();
    text.resize(copied < length ? copied : length);
    return text;
}

bool IsMessageBox(HWND window) {
    return IsWindowVisible(window) && ClassNameOf(window) == L"#32770";
}

struct SearchState {
    MessageBoxOwner Owner;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectBox(HWND window, LPARAM parameter) {
    auto* state = reinterpret_cast<SearchState*>(parameter);
    if (state->Owner.ProcessId != 0) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != state->Owner.ProcessId)
            return TRUE;
    }
    if (IsMessageBox(window))
        state->Found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM parameter) {
    auto* buttons = reinterpret_cast<std::vector<MessageBoxButton>*>(parameter);
    if (IsWindowVisible(child) && ClassNameOf(child) == L"Button")
        buttons->push_back(MessageBoxButton{GetDlgCtrlID(child), TextOf(child)});
    return TRUE;
}

bool Contains(const std::vector<HWND>& windows, HWND window) {
    for (HWND w : windows)
        if (w == window)
            return true;
    return false;
}

} // namespace

MessageBoxOwner MessageBoxOfThread(DWORD threadId) {
    MessageBoxOwner owner;
    owner.ThreadId = threadId;
    return owner;
}

MessageBoxOwner MessageBoxOfProcess(DWORD processId) {
    MessageBoxOwner owner;
    owner.ProcessId = processId;
    return owner;
}

bool MessageBoxContent::HasButton(int id) const {
    for (const MessageBoxButton& button : Buttons)
        if (button.Id == id)
            return true;
    return false;
}

std::vector<int> MessageBoxContent::ButtonIds() const {
    std::vector<int> ids;
    for (const MessageBoxButton& button : Buttons)
        ids.push_back(button.Id);
    return ids;
}

std::vector<HWND> FindMessageBoxes(const MessageBoxOwner& owner) {
    SearchState state;
    state.Owner = owner;
    if (owner.ThreadId != 0)
        EnumThreadWindows(owner.ThreadId, CollectBox, reinterpret_cast<LPARAM>(&state));
    else
        EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&state));
    return state.Found;
}

HWND WaitForMessageBox(const MessageBoxOwner& owner, DWORD timeoutMs,
                       const std::vector<HWND>& ignore) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        for (HWND box : FindMessageBoxes(owner))
            if (!Contains(ignore, box))
                return box;
        if (GetTickCount64() >= deadline)
            return nullptr;
        Sleep(PollMs);
    }
}

MessageBoxContent ReadMessageBox(HWND box) {
    MessageBoxContent content;
    content.Box = box;
    content.Owner = GetWindow(box, GW_OWNER);
    content.Caption = TextOf(box);
    HWND message = GetDlgItem(box, MessageTextId);
    if (message)
        content.Text = TextOf(message);
    content.Topmost = (GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&content.Buttons));
    return content;
}

bool PressMessageBoxButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    if (!button || !IsWindowVisible(button))
        return false;
    // What a click on the button sends to the box; the box closes (or asks for help) as it
    // would for the user.
    return PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != FALSE;
}

void SendHelpRequest(HWND box) {
    HELPINFO help{};
    help.cbSize = sizeof(help);
    help.iContextType = HELPINFO_WINDOW;
    help.iCtrlId = IDHELP;
    help.hItemHandle = GetDlgItem(box, IDHELP);
    GetCursorPos(&help.MousePos);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(box, WM_HELP, 0, reinterpret_cast<LPARAM>(&help), SMTO_ABORTIFHUNG,
                        SendTimeoutMs, &result);
}

bool WaitForMessageBoxClosed(HWND box, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (IsWindow(box) && IsWindowVisible(box)) {
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(PollMs);
    }
    return true;
}

bool WithMessageBox(const std::function<void()>& show, const std::function<void(HWND box)>& answer,
                    DWORD timeoutMs) {
    const DWORD thread = GetCurrentThreadId();
    const std::vector<HWND> before = FindMessageBoxes(MessageBoxOfThread(thread));
    std::atomic<bool> returned{false};
    bool found = false;
    std::thread watcher([&] {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        HWND box = nullptr;
        // Give up early when show returned without opening a box.
        while (!box && !returned.load() && GetTickCount64() < deadline) {
            for (HWND candidate : FindMessageBoxes(MessageBoxOfThread(thread)))
                if (!Contains(before, candidate))
                    box = candidate;
            if (!box)
                Sleep(PollMs);
        }
        if (!box)
            return;
        found = true;
        answer(box);
    });
    show();
    returned = true;
    watcher.join();
    return found;
}

AnsweredMessageBox AnswerMessageBox(const std::function<void()>& show, int answer,
                                    DWORD timeoutMs) {
    AnsweredMessageBox result;
    result.Found = WithMessageBox(
        show,
        [&](HWND box) {
            result.Content = ReadMessageBox(box);
            result.Pressed = PressMessageBoxButton(box, answer);
            if (result.Pressed)
                return;
            // Close the box anyway, or show would never return. Help would leave it open.
            for (const MessageBoxButton& button : result.Content.Buttons)
                if (button.Id != IDHELP && PressMessageBoxButton(box, button.Id))
                    return;
        },
        timeoutMs);
    return result;
}

namespace {

constexpr wchar_t OwnerClassName[] = L"KeyloftTestOwnerWindow";

LRESULT CALLBACK OwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HELP) {
        auto* owner = reinterpret_cast<TestOwnerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (owner)
            InterlockedIncrement(&owner->HelpRequests);
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TestOwnerWindow::TestOwnerWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = OwnerWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = OwnerClassName;
    RegisterClassW(&windowClass); // fails harmlessly when an earlier window registered it
    Window = CreateWindowExW(0, OwnerClassName, L"test owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (Window)
        SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TestOwnerWindow::~TestOwnerWindow() {
    if (Window)
        DestroyWindow(Window);
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t from = 0;
    for (;;) {
        const size_t end = text.find(L'\n', from);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(from));
            return lines;
        }
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
}
