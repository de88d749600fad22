// Test helpers for the configuration file and for what a binding does to the system.
#pragma once

#include "support/TempFolder.h"

#include "mapping/Binding.h"

#include <string>
#include <vector>

// A configuration file of the test's own, written into a temporary folder and used as the
// program's ConfigPath for the scope; the former ConfigPath comes back at the end.
struct ScopedConfig {
    enum Encoding { Ansi, Utf16 };
    explicit ScopedConfig(const std::wstring& content, Encoding encoding = Ansi);
    ~ScopedConfig();
    ScopedConfig(const ScopedConfig&) = delete;
    ScopedConfig& operator=(const ScopedConfig&) = delete;

    TempFolder Folder;
    std::wstring SavedPath;
};

// Replaces the binding effects by recorders for the scope. Each effect is written down as one
// text: "key 1E" for a key-down with scan code 0x1E, "run [program] [parameters] [directory]"
// for a command line.
struct RecordedEffects {
    RecordedEffects();
    ~RecordedEffects();
    RecordedEffects(const RecordedEffects&) = delete;
    RecordedEffects& operator=(const RecordedEffects&) = delete;

    // What fired since the scope began, in order.
    static std::vector<std::wstring>& Log();

    BindingEffects Saved;
};

// The record that RecordedEffects writes for a binding action.
std::wstring DescribeAction(const BindingAction& action);
