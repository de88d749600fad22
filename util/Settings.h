// The settings of section Keyloft besides the bindings: their names as the file writes them (in
// any letter case), and their defaults. Keyloft.exe reads RepeatDelay and OnlyActiveUser; the
// project's kbhook.dll reads OnlyActiveUser, HoldDelay, PauseIn and PauseFullScreen itself; the
// checker explains all of them. Each takes its names and numbers from here.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr wchar_t RepeatDelaySetting[] = L"RepeatDelay";
constexpr wchar_t OnlyActiveUserSetting[] = L"OnlyActiveUser";
constexpr wchar_t HoldDelaySetting[] = L"HoldDelay";
constexpr wchar_t PauseInSetting[] = L"PauseIn";
constexpr wchar_t PauseFullScreenSetting[] = L"PauseFullScreen";

// Every setting's name, in the order the checker and the guide list them.
inline constexpr const wchar_t* SettingNames[] = {RepeatDelaySetting, OnlyActiveUserSetting,
                                                  HoldDelaySetting, PauseInSetting,
                                                  PauseFullScreenSetting};

// The double-press window when RepeatDelay is absent or no number; the system's timers never
// run shorter than their minimum, so 0 and anything below it give that.
constexpr std::int32_t DefaultRepeatDelayMs = 500;
constexpr std::int32_t ShortestTimerMs = 10;

// OnlyActiveUser when absent: any value but an empty one lets keys through.
constexpr wchar_t DefaultOnlyActiveUser[] = L"1";

// The long-press delay when HoldDelay is absent or no number, and its bounds.
constexpr std::uint32_t DefaultHoldDelayMs = 500;
constexpr std::uint32_t ShortestHoldDelayMs = 100;
constexpr std::uint32_t LongestHoldDelayMs = 5000;
