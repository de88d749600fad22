// The error report as the user sees it: a real message box, read from the screen and answered,
// and what the answer leaves on the real clipboard.
#include "shell/AppState.h"
#include "shell/ErrorReport.h"
#include "util/Error.h"

#include "support/ClipboardReader.h"
#include "support/MessageBoxReader.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

// An error code for which the system has no text.
constexpr DWORD CodeWithoutText = 0x2000ABCD;

const std::wstring Question =
    L"\n\nCopy this to the clipboard?\nPress Help to visit the project's homepage.";
const std::wstring Sentinel = L"what the user had copied before";

// The address as the report writes it: every digit of the pointer's width.
std::wstring HexAddress(const void* address) {
    wchar_t text[24];
    swprintf(text, 24, L"%0*llX", static_cast<int>(2 * sizeof(void*)),
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(address)));
    return text;
}

std::wstring RawSystemText(DWORD code) {
    wchar_t buffer[1024];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, buffer, 1024, nullptr);
    return std::wstring(buffer, length);
}

// Runs with a hidden main window that owns the report.
struct ErrorReport : ::testing::Test {
    void SetUp() override {
        ASSERT_NE(owner.Window, nullptr);
        savedMainWindow = AppState.MainWindow;
        AppState.MainWindow = owner.Window;
    }
    void TearDown() override { AppState.MainWindow = savedMainWindow; }

    // Raises the start-up failure of a missing export with the thread's last-error code set to
    // lastError, reports it from the handler after the code has changed, and answers the box.
    // address receives the error's raise address.
    AnsweredMessageBox Report(DWORD lastError, int answer, const void** address = nullptr) {
        return AnswerMessageBox(
            [&] {
                try {
                    SetLastError(lastError);
                    RaiseError("Cannot find necessary export routines in %s.",
                               L"C:\\Program Files\\KYE\\ErgoMedia\\kbhook.dll");
                } catch (const Exception& error) {
                    if (address)
                        *address = error.Address();
                    SetLastError(static_cast<DWORD>(-1));
                    ReportFatalError();
                }
            },
            answer);
    }

    TestOwnerWindow owner;
    HWND savedMainWindow = nullptr;
};

} // namespace

TEST_F(ErrorReport, LongMessageAsTheUserSeesIt) {
    const void* address = nullptr;
    const AnsweredMessageBox box = Report(CodeWithoutText, IDNO, &address);
    ASSERT_TRUE(box.Found);
    EXPECT_TRUE(box.Pressed);
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(box.Content.Caption, L"Keyloft keyboard mapper / 23.01.2015");
    EXPECT_EQ(box.Content.Owner, owner.Window);
    EXPECT_EQ(box.Content.ButtonIds(), (std::vector<int>{IDYES, IDNO, IDHELP}));
    EXPECT_TRUE(box.Content.Topmost) << "system-modal";
    const std::vector<std::wstring> expected = {
        L"Exception details:",
        L"Exception @ " + HexAddress(address) + L":",
        L"",
        L"    Cannot find necessary export routines in C:\\Program ",
        L"    Files\\KYE\\ErgoMedia\\kbhook.dll.",
        L"",
        L"GetLastError = 536914893",
        L"    ()",
        L"",
        L"Copy this to the clipboard?",
        L"Press Help to visit the project's homepage.",
    };
    EXPECT_EQ(SplitLines(box.Content.Text), expected);
}

TEST_F(ErrorReport, WithoutMainWindowTheBoxHasNoOwner) {
    AppState.MainWindow = nullptr;
    const AnsweredMessageBox box = Report(CodeWithoutText, IDNO);
    ASSERT_TRUE(box.Found);
    EXPECT_EQ(box.Content.Owner, nullptr);
    EXPECT_EQ(box.Content.Caption, AppState.Title);
    EXPECT_EQ(box.Content.ButtonIds(), (std::vector<int>{IDYES, IDNO, IDHELP}));
}

TEST_F(ErrorReport, LastErrorLinesAsTheUserSeesThem) {
    const std::wstring notFound = RawSystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_GE(notFound.size(), 4u);
    ASSERT_EQ(notFound.substr(notFound.size() - 3), L".\r\n") << "precondition";
    struct Case {
        DWORD Code;
        std::wstring LastErrorLine;
        std::wstring SystemTextLine;
    };
    const std::vector<Case> cases = {
        // The system's text loses its full stop, carriage return and line feed.
        {ERROR_FILE_NOT_FOUND, L"GetLastError = 2",
         L"    (" + notFound.substr(0, notFound.size() - 3) + L")"},
        // The top bit set: a negative number.
        {0xA000ABCD, L"GetLastError = -1610568755", L"    ()"},
    };
    ASSERT_TRUE(RawSystemText(0xA000ABCD).empty()) << "precondition";
    for (const Case& c : cases) {
        const AnsweredMessageBox box = Report(c.Code, IDNO);
        ASSERT_TRUE(box.Found) << c.Code;
        const std::vector<std::wstring> lines = SplitLines(box.Content.Text);
        ASSERT_EQ(lines.size(), 11u) << c.Code;
        EXPECT_EQ(lines[6], c.LastErrorLine) << c.Code;
        EXPECT_EQ(lines[7], c.SystemTextLine) << c.Code;
    }
}

TEST_F(ErrorReport, YesCopiesTheDetailsWithoutTheQuestion) {
    ClipboardTestLock lock;
    ASSERT_TRUE(PutClipboardText(Sentinel));
    const AnsweredMessageBox box = Report(ERROR_FILE_NOT_FOUND, IDYES);
    ASSERT_TRUE(box.Found);
    ASSERT_TRUE(box.Pressed);

    std::wstring units;
    ASSERT_TRUE(ReadClipboardUnits(units));
    // Exactly one terminating NUL, right after the closing parenthesis of the last line.
    ASSERT_GE(units.size(), 2u);
    EXPECT_EQ(units.back(), L'\0');
    const std::wstring copied = units.substr(0, units.size() - 1);
    EXPECT_EQ(copied.find(L'\0'), std::wstring::npos);
    EXPECT_EQ(copied.back(), L')');

    // The box's text without the question, except that the copy reads the last-error code anew.
    ASSERT_GT(box.Content.Text.size(), Question.size());
    ASSERT_EQ(box.Content.Text.substr(box.Content.Text.size() - Question.size()), Question);
    const std::wstring shown =
        box.Content.Text.substr(0, box.Content.Text.size() - Question.size());
    const size_t shownLastError = shown.find(L"\n\nGetLastError = ");
    const size_t copiedLastError = copied.find(L"\n\nGetLastError = ");
    ASSERT_NE(shownLastError, std::wstring::npos);
    ASSERT_NE(copiedLastError, std::wstring::npos);
    EXPECT_EQ(copied.substr(0, copiedLastError), shown.substr(0, shownLastError));
    const std::vector<std::wstring> tail = SplitLines(copied.substr(copiedLastError + 2));
    ASSERT_EQ(tail.size(), 2u);
    wchar_t rest = 0;
    int code = 0;
    EXPECT_EQ(swscanf(tail[0].c_str(), L"GetLastError = %d%lc", &code, &rest), 1) << tail[0];
    EXPECT_EQ(tail[1].substr(0, 5), L"    (");
    EXPECT_EQ(copied.find(L"Copy this"), std::wstring::npos);
    EXPECT_EQ(copied.find(L"Press Help"), std::wstring::npos);
}

TEST_F(ErrorReport, NoLeavesTheClipboardAsItWas) {
    ClipboardTestLock lock;
    ASSERT_TRUE(PutClipboardText(Sentinel));
    const AnsweredMessageBox box = Report(ERROR_FILE_NOT_FOUND, IDNO);
    ASSERT_TRUE(box.Found);
    ASSERT_TRUE(box.Pressed);
    std::wstring units;
    ASSERT_TRUE(ReadClipboardUnits(units));
    EXPECT_EQ(units, Sentinel + L'\0');
}

TEST_F(ErrorReport, DestroyedMainWindowStillShowsTheReport) {
    HWND gone =
        CreateWindowExW(0, L"STATIC", L"gone", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    AppState.MainWindow = gone;
    const AnsweredMessageBox box = Report(CodeWithoutText, IDNO);
    ASSERT_TRUE(box.Found);
    EXPECT_EQ(box.Content.Owner, nullptr);
}
