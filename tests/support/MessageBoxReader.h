// Test helpers for real message boxes: find one that a thread or a process shows, read what the
// user would read (text, caption, buttons, owner) and answer it by pressing one of its buttons.
//
// A box shown by the test's own thread runs its modal loop on that thread, so the test cannot
// answer it from there: AnswerMessageBox runs the code that shows the box and lets a watcher
// thread read and answer it. A box of another process (Keyloft.exe) is found with
// WaitForMessageBox(MessageBoxOfProcess(id), ...), read with ReadMessageBox and answered with
// PressMessageBoxButton.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Whose boxes to look for: those of one thread, or of any thread of one process.
struct MessageBoxOwner {
    DWORD ThreadId = 0;
    DWORD ProcessId = 0;
};
MessageBoxOwner MessageBoxOfThread(DWORD threadId);
MessageBoxOwner MessageBoxOfProcess(DWORD processId);

struct MessageBoxButton {
    int Id = 0; // IDOK, IDYES, IDNO, IDHELP...
    std::wstring Text;
};

// What a message box shows.
struct MessageBoxContent {
    HWND Box = nullptr;
    HWND Owner = nullptr;                  // the window that owns the box; null for none
    std::wstring Caption;                  // the box's title
    std::wstring Text;                     // the message (the static control with id 0xFFFF)
    bool Topmost = false;                  // system-modal boxes stay above every other window
    std::vector<MessageBoxButton> Buttons; // the visible buttons, in the box's child order

    bool HasButton(int id) const;
    std::vector<int> ButtonIds() const;
};

// The visible message boxes (dialog class "#32770") of owner that are open now.
std::vector<HWND> FindMessageBoxes(const MessageBoxOwner& owner);

// Waits up to timeoutMs for a visible message box of owner that is not in ignore; returns it or
// null when none appeared in time.
HWND WaitForMessageBox(const MessageBoxOwner& owner, DWORD timeoutMs,
                       const std::vector<HWND>& ignore = {});

// Reads the box's caption, text, owner and visible buttons. Works across threads and processes:
// the texts are asked for with WM_GETTEXT (bounded by a timeout).
MessageBoxContent ReadMessageBox(HWND box);

// Presses the button with id as a click would (the box receives its WM_COMMAND). False when the
// box has no visible button with that id.
bool PressMessageBoxButton(HWND box, int id);

// Gives an in-process box the help request (WM_HELP) that F1 would; the box passes it on to its
// owner. Under Wine 8 the Help button of a message box sends nothing, so tests of what the owner
// does with a help request use this.
void SendHelpRequest(HWND box);

// Waits up to timeoutMs for the box to be gone; true when it closed.
bool WaitForMessageBoxClosed(HWND box, DWORD timeoutMs);

// Runs show on the calling thread. A watcher thread waits (up to timeoutMs) for the first
// message box that the calling thread opens and hands it to answer, which must make it close
// (PressMessageBoxButton); answer runs on the watcher thread. Returns after show has returned:
// true when a box appeared. Without a box in time, answer is not called.
bool WithMessageBox(const std::function<void()>& show, const std::function<void(HWND box)>& answer,
                    DWORD timeoutMs = 10000);

// What AnswerMessageBox saw and did.
struct AnsweredMessageBox {
    bool Found = false;   // a box appeared on the calling thread within the timeout
    bool Pressed = false; // the requested button was there and was pressed
    MessageBoxContent Content;
};

// WithMessageBox that reads the box and presses answer (IDOK, IDYES, IDNO). When that box has no
// such button, another one is pressed so that show returns anyway, and Pressed is false.
AnsweredMessageBox AnswerMessageBox(const std::function<void()>& show, int answer,
                                    DWORD timeoutMs = 10000);

// A hidden top-level window to own the boxes under test, as the program's main window does. It
// counts the help requests (WM_HELP) that a box's Help button sends to its owner.
struct TestOwnerWindow {
    TestOwnerWindow();
    ~TestOwnerWindow();
    TestOwnerWindow(const TestOwnerWindow&) = delete;
    TestOwnerWindow& operator=(const TestOwnerWindow&) = delete;
    HWND Window = nullptr;
    volatile LONG HelpRequests = 0;
};

// The text split at line feeds ("a\n\nb" gives "a", "", "b").
std::vector<std::wstring> SplitLines(const std::wstring& text);
