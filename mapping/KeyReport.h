// The key report shown in report mode: a key's code, its second value and its bindings.
#pragma once

#include <cstdint>
#include <string>

// The report's text for a key, with the key's current bindings read from the configuration.
std::wstring KeyReportText(std::int32_t code, std::int32_t secondValue);

// Shows the report of a key in a message box owned by the main window; returns when it closes.
void ShowKeyReport(std::int32_t code, std::int32_t secondValue);

// Appends the report entry of the binding under key to text; nothing when it is unbound.
void AppendAssignment(std::wstring& text, const std::wstring& key);
