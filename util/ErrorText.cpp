#include "util/ErrorText.h"

#include "util/Error.h"
#include "util/TextCodec.h"
#include "util/Utils.h"
#include "util/WrapLines.h"

#include <cxxabi.h>

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <exception>
#include <typeinfo>

namespace {

constexpr DWORD SystemTextFlags = FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_FROM_SYSTEM |
                                  FORMAT_MESSAGE_IGNORE_INSERTS; // 0x3200
constexpr DWORD SystemTextUnits = 256;
constexpr int MessageWidth = 75;

// What the report shows of one error.
struct ErrorFacts {
    std::string Kind;
    std::string Message; // 8-bit, ANSI code page
    const void* Address = nullptr;
};

// The readable name of a class, as the compiler spells it in the source ("std::bad_alloc").
std::string ClassName(const std::type_info& type) {
    int status = 0;
    char* readable = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    if (status != 0 || readable == nullptr)
        return type.name();
    std::string name(readable);
    std::free(readable);
    return name;
}

ErrorFacts CurrentErrorFacts() {
    ErrorFacts facts;
    facts.Kind = "Exception";
    facts.Message = "No exception.";
    const std::exception_ptr current = std::current_exception();
    if (!current)
        return facts;
    try {
        std::rethrow_exception(current);
    } catch (const Exception& error) {
        facts.Kind = ClassName(typeid(error));
        facts.Message = error.Message();
        facts.Address = error.Address();
    } catch (const std::exception& error) {
        facts.Kind = ClassName(typeid(error));
        facts.Message = error.what();
    } catch (...) {
        facts.Kind = "Unknown exception";
        facts.Message.clear();
    }
    return facts;
}

// The address in uppercase hexadecimal with as many digits as a pointer has: eight on 32-bit
// Windows, sixteen on 64-bit Windows, where a shorter form would cut the address.
std::wstring HexAddress(const void* address) {
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(address);
    std::wstring text(2 * sizeof value, L'0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[text.size() - 1 - i] = L"0123456789ABCDEF"[(value >> (4 * i)) & 0xF];
    return text;
}

} // namespace

void SystemErrorText(DWORD code, std::wstring& text) {
    wchar_t buffer[SystemTextUnits] = {};
    DWORD stored =
        FormatMessageW(SystemTextFlags, nullptr, code, 0, buffer, SystemTextUnits, nullptr);
    // A text that needs the whole buffer or more did not fit: none at all.
    if (stored >= SystemTextUnits)
        stored = 0;
    // System texts end in a full stop and a line break; the report adds its own punctuation.
    while (stored > 0 && (buffer[stored - 1] <= L' ' || buffer[stored - 1] == L'.'))
        --stored;
    text = TrimChars(std::wstring(buffer, stored), L" ");
}

void RestoreRaisedLastError() {
    DWORD code = GetLastError();
    const std::exception_ptr current = std::current_exception();
    if (current) {
        try {
            std::rethrow_exception(current);
        } catch (const Exception& error) {
            code = error.LastError();
        } catch (...) {
        }
    }
    SetLastError(code);
}

void ExceptionDetails(std::wstring& text) {
    // First of all: every later call may change the thread's last-error code.
    const DWORD lastError = GetLastError();
    const ErrorFacts facts = CurrentErrorFacts();
    const std::wstring message =
        FromAnsi(WrapLines(facts.Message, "\n    ", SpaceAndFullStop(), MessageWidth));
    std::wstring systemText;
    SystemErrorText(lastError, systemText);

    text = L"Exception details:\n";
    text += FromAnsi(facts.Kind);
    text += L" @ ";
    text += HexAddress(facts.Address);
    text += L":\n\n    ";
    text += message;
    text += L"\n\nGetLastError = ";
    text += DecimalText(static_cast<std::int32_t>(lastError));
    text += L"\n    (";
    text += systemText;
    text += L")";
}
