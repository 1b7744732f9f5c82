#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/program.h"

namespace vx470::test {

// Text boxes whose last Enter was refused (or never came) still hold what the user typed;
// their texts are not compared.
struct TextsToSkip {
    std::array<bool, kNotches> gain{};
    std::array<bool, kNotches> frequency{};
    std::array<bool, kChannels> sensitivity{};
};

// What a gain box shows for a gain code, and a frequency box for a frequency index.
const std::string& GainText(int code);
const std::string& FrequencyText(int index);

// Every image byte the editor decodes is within its range; every control, label, text and
// the model show exactly what the image holds; the rows of the automatic notches are locked.
// Empty when all of that holds, else the first notch or channel that differs.
std::string EditorMismatch(const Program& program, const TextsToSkip& skip = {});

// A notch record (gain, frequency high and low, Q) with every byte in its control's range.
std::array<std::uint8_t, NotchRecord::Size> ClampedRow(const std::uint8_t* row);

// The image the editor makes of `bytes` (161 of them): every byte a control cannot hold is
// brought into the control's range, release and search mode above 1 read as 0, and the
// automatic notches take their channel's automatic Q. Bytes the editor does not decode stay.
PresetImage ClampedImage(const std::uint8_t* bytes);

}  // namespace vx470::test
