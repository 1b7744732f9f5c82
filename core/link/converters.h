#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vx470 {

// Scratch bytes PutLongBE writes into; callers take bytes 2 and 3 as a 16-bit value.
using ByteScratchBuffer = std::array<std::uint8_t, 40>;

// The FrequencyGrid entry nearest to f; a value exactly half-way takes the lower entry.
double SnapToFrequencyGrid(double f);
// The index 0..729 of that entry.
std::int16_t FrequencyToIndex(double f);
// What a frequency box shows for grid entry `index` (clamped to the grid), formatted once:
// every notch a preset file, a copy or a report sets shows one.
const std::string& GridFrequencyText(int index);
// The gain code 0..45 whose dB value (code - 45) is nearest to x, the lower one on a tie.
std::int16_t GainToIndex(double x);
// The whole number 1..16 nearest to x, the lower one on a tie.
std::int16_t NearestSensitivity(double x);
// Writes x, rounded half to even, as 4 bytes most significant first at ByteScratch[start].
void PutLongBE(double x, std::size_t start, ByteScratchBuffer& ByteScratch);
// ln x / ln 10, the form the graph scale is defined with.
double Log10(double x);

}  // namespace vx470
