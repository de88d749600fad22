// The program's base error type and the helper that raises it.
#pragma once

#include <exception>
#include <string>

// An error raised by the program itself: an 8-bit message (ANSI code page) and the code address
// of the call that raised it. Errors of other kinds are reported with their own kind names.
class Exception : public std::exception {
  public:
    Exception(std::string message, const void* address)
        : message_(std::move(message)), address_(address) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }
    const void* Address() const { return address_; }

  private:
    std::string message_;
    const void* address_;
};

// Raises Exception with format's single "%s" filled by argument (converted to the ANSI code
// page); the recorded address is that of the caller.
[[noreturn]] void RaiseError(const char* format, const std::wstring& argument);
