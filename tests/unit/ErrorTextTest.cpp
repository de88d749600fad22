// The details text of an error and the system's texts for error codes.
#include "util/Error.h"
#include "util/ErrorText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// An error code for which the system has no text (the customer bit keeps it out of the
// system's own range).
constexpr DWORD CodeWithoutText = 0x2000ABCD;

// The system's text for code exactly as it comes, untrimmed.
std::wstring RawSystemText(DWORD code) {
    wchar_t buffer[1024];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, buffer, 1024, nullptr);
    return std::wstring(buffer, length);
}

// Details of the error that thrower raises, built in the handler with lastError set just before.
std::wstring DetailsOf(const std::function<void()>& thrower, DWORD lastError) {
    std::wstring text;
    try {
        thrower();
    } catch (...) {
        SetLastError(lastError);
        ExceptionDetails(text);
    }
    return text;
}

std::wstring Details(const std::wstring& kindAndAddress, const std::wstring& messageLines,
                     const std::wstring& lastErrorLine, const std::wstring& systemText) {
    return L"Exception details:\n" + kindAndAddress + L":\n\n    " + messageLines + L"\n\n" +
           lastErrorLine + L"\n    (" + systemText + L")";
}

// True when address lies in the image of the running test program.
bool InsideThisProgram(const void* address) {
    const auto base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto at = reinterpret_cast<const BYTE*>(address);
    return at >= base && at < base + nt->OptionalHeader.SizeOfImage;
}

// An address as the report writes it, given by its low eight digits: a 64-bit pointer has eight
// more, all zeros here.
std::wstring AddressText(const wchar_t* low8) {
    return std::wstring(2 * sizeof(void*) - 8, L'0') + low8;
}

struct DetailsCase {
    const char* Name;
    std::function<void()> Thrower;
    std::wstring KindAndAddress;
    std::wstring MessageLines;
};

} // namespace

TEST(ExceptionDetails, ShowsKindAddressWrappedMessageAndLastError) {
    ASSERT_TRUE(RawSystemText(CodeWithoutText).empty());
    const std::vector<DetailsCase> cases = {
        {"own error, long message",
         [] {
             throw Exception("Cannot find necessary export routines in "
                             "C:\\Program Files\\KYE\\ErgoMedia\\kbhook.dll. Reinstall the "
                             "vendor software.",
                             reinterpret_cast<const void*>(0x0040ABCD));
         },
         L"Exception @ " + AddressText(L"0040ABCD"),
         L"Cannot find necessary export routines in C:\\Program \n"
         L"    Files\\KYE\\ErgoMedia\\kbhook.dll. Reinstall the vendor software."},
        {"address with all eight digits",
         [] { throw Exception("x", reinterpret_cast<const void*>(0xFEDCBA98)); },
         L"Exception @ " + AddressText(L"FEDCBA98"), L"x"},
        {"address with every digit of the pointer's width",
         [] { throw Exception("x", reinterpret_cast<const void*>(~std::uintptr_t(0) - 0x10)); },
         L"Exception @ " + std::wstring(2 * sizeof(void*) - 2, L'F') + L"EF", L"x"},
        {"empty message", [] { throw Exception("", nullptr); },
         L"Exception @ " + AddressText(L"00000000"), L""},
        {"out of memory", [] { throw std::bad_alloc(); },
         L"std::bad_alloc @ " + AddressText(L"00000000"), L"std::bad_alloc"},
        {"standard error", [] { throw std::runtime_error("disk is gone"); },
         L"std::runtime_error @ " + AddressText(L"00000000"), L"disk is gone"},
        {"not an exception at all", [] { throw 42; },
         L"Unknown exception @ " + AddressText(L"00000000"), L""},
    };
    for (const DetailsCase& c : cases) {
        EXPECT_EQ(DetailsOf(c.Thrower, CodeWithoutText),
                  Details(c.KindAndAddress, c.MessageLines, L"GetLastError = 536914893", L""))
            << c.Name;
    }
}

TEST(ExceptionDetails, RaisedErrorCarriesTheAddressOfItsRaiser) {
    const void* address = nullptr;
    std::wstring text;
    try {
        RaiseError("Cannot load hook library %s.", L"C:\\kbhook.dll");
    } catch (const Exception& error) {
        address = error.Address();
        SetLastError(CodeWithoutText);
        ExceptionDetails(text);
    }
    ASSERT_NE(address, nullptr);
    EXPECT_TRUE(InsideThisProgram(address));
    // Every digit of the pointer's width: a 64-bit address is not cut to its low half.
    wchar_t hex[24];
    swprintf(hex, 24, L"%0*llX", static_cast<int>(2 * sizeof(void*)),
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(address)));
    EXPECT_EQ(text, Details(L"Exception @ " + std::wstring(hex),
                            L"Cannot load hook library C:\\kbhook.dll.",
                            L"GetLastError = 536914893", L""));
}

TEST(ExceptionDetails, WithoutCurrentErrorSaysNoException) {
    std::wstring text;
    SetLastError(CodeWithoutText);
    ExceptionDetails(text);
    EXPECT_EQ(text, Details(L"Exception @ " + AddressText(L"00000000"), L"No exception.",
                            L"GetLastError = 536914893", L""));
}

TEST(ExceptionDetails, LastErrorIsSignedAndExplainedBySystemText) {
    struct Case {
        DWORD Code;
        std::wstring Line;
    };
    const std::vector<Case> cases = {
        {ERROR_FILE_NOT_FOUND, L"GetLastError = 2"},
        {0x80004005, L"GetLastError = -2147467259"},
        {0xFFFFFFFF, L"GetLastError = -1"},
        {0x7FFFFFFF, L"GetLastError = 2147483647"},
    };
    for (const Case& c : cases) {
        // The system's text as it comes ends in a full stop and a line break (or there is
        // none); the report shows it without those three.
        const std::wstring raw = RawSystemText(c.Code);
        if (c.Code == ERROR_FILE_NOT_FOUND) {
            ASSERT_FALSE(raw.empty());
        }
        std::wstring shown;
        if (!raw.empty()) {
            ASSERT_GE(raw.size(), 4u) << c.Code;
            ASSERT_EQ(raw.substr(raw.size() - 3), L".\r\n") << c.Code;
            ASSERT_NE(raw[raw.size() - 4], L'.') << c.Code;
            shown = raw.substr(0, raw.size() - 3);
        }
        const std::wstring text = DetailsOf([] { throw Exception("m", nullptr); }, c.Code);
        EXPECT_EQ(text, Details(L"Exception @ " + AddressText(L"00000000"), L"m", c.Line, shown))
            << c.Code;
    }
}

TEST(SystemErrorText, DropsTrailingBreaksAndFullStops) {
    std::wstring text = L"left over";
    SystemErrorText(CodeWithoutText, text);
    EXPECT_EQ(text, L"");

    const std::wstring raw = RawSystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(raw.substr(raw.size() - 3), L".\r\n");
    SystemErrorText(ERROR_FILE_NOT_FOUND, text);
    EXPECT_EQ(text, raw.substr(0, raw.size() - 3));

    // Every text the system has: what it says, without its ending and without outer spaces.
    int withText = 0;
    for (DWORD code = 0; code < 2000; ++code) {
        const std::wstring full = RawSystemText(code);
        SystemErrorText(code, text);
        if (full.empty()) {
            EXPECT_EQ(text, L"") << code;
            continue;
        }
        ++withText;
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_GT(text.back(), L' ') << code;
        EXPECT_NE(text.back(), L'.') << code;
        EXPECT_NE(text.front(), L' ') << code;
        const size_t at = full.find(text);
        ASSERT_NE(at, std::wstring::npos) << code;
        for (size_t i = at + text.size(); i < full.size(); ++i)
            EXPECT_TRUE(full[i] <= L' ' || full[i] == L'.') << code;
    }
    EXPECT_GT(withText, 50);
}
