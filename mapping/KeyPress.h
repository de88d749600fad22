// What becomes of a key that the hook library reports: filter, report mode, double press.
#pragma once

#include "util/HookContract.h"

#include <cstdint>
// Timer on the main window that ends the double-press window.
constexpr unsigned DoublePressTimer = 1;

// The key message filter: the sleep key, the active-user setting and the foreground window;
// what passes goes to HandleKeyPress.
void FilterKeyMessage(std::int32_t code, std::int32_t secondValue);

// One key press: session test, report mode, icon flip and the double-press logic.
void HandleKeyPress(std::int32_t code, std::int32_t secondValue);

// A tick of DoublePressTimer: fires the waiting key's single-press binding.
void DoublePressTick();
