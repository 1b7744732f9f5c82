// Parameter blocks and names the simulated unit starts with, and the layout constants
// of its memory and of a 160-byte image.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vxsim {

inline constexpr std::size_t kImageSize = 160;
inline constexpr std::size_t kBlockSize = 80;  // one channel
inline constexpr std::size_t kChannels = 2;
inline constexpr std::size_t kFilters = 12;  // notches per channel

using Image = std::array<std::uint8_t, kImageSize>;
using Name = std::array<std::uint8_t, 8>;

// Offsets within a channel block.
inline constexpr std::size_t kReleaseOffset = 20;
inline constexpr std::size_t kSearchModeOffset = 21;
inline constexpr std::size_t kNotchBase = 28;
inline constexpr std::size_t kNumAutoOffset = 76;
inline constexpr std::size_t kAutoQOffset = 77;
inline constexpr std::size_t kAttenuationOffset = 78;
inline constexpr std::size_t kSensitivityOffset = 79;

// Largest valid value of each field.
inline constexpr std::uint8_t kMaxGain = 45;  // 45 = 0 dB
inline constexpr std::uint16_t kMaxFreqIndex = 729;
inline constexpr std::uint8_t kMaxQ = 3;
inline constexpr std::uint8_t kMaxSensitivity = 15;

// Memory map.
inline constexpr std::size_t kMemorySize = 4096;
inline constexpr std::size_t kMarkBase = 48;
inline constexpr std::size_t kCurrentNameBase = 112;
inline constexpr std::size_t kSlotImageBase = 288;
inline constexpr std::size_t kSlotNameBase = 3872;
inline constexpr std::size_t kFixedPresets = 4;
inline constexpr std::size_t kUserSlots = 16;
inline constexpr std::size_t kPresets = kFixedPresets + kUserSlots;
inline constexpr std::uint8_t kOccupied = 0x55;

constexpr std::size_t notchOffset(std::size_t channel, std::size_t filter) {
    return channel * kBlockSize + kNotchBase + 4 * filter;
}

// Writes one notch record; the caller passes valid fields.
void setNotch(Image& image, std::size_t channel, std::size_t filter, std::uint8_t gain,
              std::uint16_t freqIndex, std::uint8_t q);

// Both channels at 0 dB everywhere, 11 automatic notches.
Image plainImage();

// The four presets the unit holds outside its memory (p = 0..3); other p give the plain image.
Image fixedPreset(std::size_t p);
Name fixedPresetName(std::size_t p);

// Contents a used user slot k = 0..15 starts with.
Image userSlotImage(std::size_t slot);
Name userSlotName(std::size_t slot);

// A name of up to 8 characters padded with blanks, the extra blank going in front.
Name centredName(std::string_view text);

}  // namespace vxsim
