#include "hook/MouseInputs.h"

#include "util/MouseTable.h"

#include <windows.h>

#include <cstddef>

namespace {

// The table's inputs without their names, derived when the library is built, so that the library
// carries neither the table nor its names.
constexpr std::size_t MouseInputCount = sizeof(MouseTable) / sizeof(MouseTable[0]);
struct MouseInputs {
    MouseInput Of[MouseInputCount];
};

constexpr MouseInputs InputsOfTable() {
    MouseInputs inputs{};
    for (std::size_t i = 0; i < MouseInputCount; ++i) {
        const MouseInfo& mouse = MouseTable[i];
        inputs.Of[i] = {mouse.Code,     mouse.VirtualKey,
                        IsWheel(mouse), static_cast<std::uint16_t>(mouse.Message),
                        mouse.Data,     static_cast<std::uint16_t>(mouse.InputFlag)};
    }
    return inputs;
}

constexpr MouseInputs Inputs = InputsOfTable();

} // namespace

const MouseInput* MouseInputOfCode(std::uint32_t key) {
    for (const MouseInput& mouse : Inputs.Of)
        if (mouse.Code == key)
            return &mouse;
    return nullptr;
}

const MouseInput* MouseInputOfMessage(unsigned message, short data) {
    for (const MouseInput& mouse : Inputs.Of) {
        if (mouse.Message != message)
            continue;
        if (mouse.Wheel ? data != 0 && (data > 0) == (mouse.Data > 0)
                        : message != WM_XBUTTONDOWN || data == mouse.Data)
            return &mouse;
    }
    return nullptr;
}
