// The program's base error type and the helper that raises it.
#pragma once

#include <exception>
#include <string>

// An error raised by the program itself: an 8-bit message (ANSI code page), the code address
// of the call that raised it and the thread's last-error code at that moment, which the runtime's
// throw and the steps before the report overwrite. Errors of other kinds are reported with their
// own kind names.
class Exception : public std::exception {
  public:
    Exception(std::string message, const void* address, unsigned long lastError = 0)
        : message_(std::move(message)), address_(address), lastError_(lastError) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }
    const void* Address() const { return address_; }
    unsigned long LastError() const { return lastError_; }

  private:
    std::string message_;
    const void* address_;
    unsigned long lastError_;
};

// Raises Exception with format's single "%s" filled by argument (converted to the ANSI code
// page); the recorded address is that of the caller, the last-error code the one the failed step
// left.
[[noreturn]] void RaiseError(const char* format, const std::wstring& argument);
