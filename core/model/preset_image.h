#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vx470 {

// The unit's 160-byte parameter block plus one spare byte that only preset files carry:
// 0..79 the Left channel block, 80..159 the Right one, 160 the spare.
inline constexpr std::size_t kPresetImageSize = 161;
inline constexpr std::size_t kImageBlockSize = 160;
using PresetImage = std::array<std::uint8_t, kPresetImageSize>;

// Byte layout of one 80-byte channel block.
struct ChannelBlock {
    static constexpr std::size_t Size = 80;
    static constexpr std::size_t DeviceRecords = 0;  // 0..19, never decoded
    static constexpr std::size_t Release = 20;
    static constexpr std::size_t ModeSearch = 21;
    static constexpr std::size_t DeviceBytes = 22;  // 22..27, never decoded
    static constexpr std::size_t Notches = 28;      // twelve NotchRecords
    static constexpr std::size_t NumAuto = 76;
    static constexpr std::size_t QAuto = 77;
    static constexpr std::size_t Attenuation = 78;
    static constexpr std::size_t Sensitivity = 79;
};

// Byte layout of one notch filter's 4-byte record.
struct NotchRecord {
    static constexpr std::size_t Size = 4;
    static constexpr std::size_t Gain = 0;      // gain code 0..45, dB = code - 45
    static constexpr std::size_t FreqHigh = 1;  // frequency index 0..729, big-endian
    static constexpr std::size_t FreqLow = 2;
    static constexpr std::size_t Q = 3;  // Q code 0..3
};

inline constexpr int kChannels = 2;
inline constexpr int kNotchesPerChannel = 12;
inline constexpr int kNotches = kChannels * kNotchesPerChannel;
inline constexpr int kMaxGainCode = 45;
inline constexpr int kMaxQCode = 3;
inline constexpr int kMaxSensitivity = 15;

// Where each parameter sits in the image; notch n = channel * 12 + filter.
inline constexpr std::array<int, kNotches> NotchOffset = {28,  32,  36,  40,  44,  48,  52,  56,
                                                          60,  64,  68,  72,  108, 112, 116, 120,
                                                          124, 128, 132, 136, 140, 144, 148, 152};
inline constexpr std::array<int, kChannels> NumAutoOffset = {76, 156};
inline constexpr std::array<int, kChannels> QAutoOffset = {77, 157};
inline constexpr std::array<int, kChannels> AttenuationOffset = {78, 158};
inline constexpr std::array<int, kChannels> SensitivityOffset = {79, 159};
inline constexpr std::array<int, kChannels> ReleaseOffset = {20, 100};
inline constexpr std::array<int, kChannels> ModeSearchOffset = {21, 101};

// What the user calls channel ch (0 Left, 1 Right).
constexpr std::string_view ChannelName(int ch) {
    return ch == 0 ? "Left" : "Right";
}

// The frequency index notch n's record holds, as stored: a file may hold more than the grid.
inline int NotchFrequencyIndex(const PresetImage& image, int n) {
    const std::size_t r = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(n)]);
    return 256 * image[r + NotchRecord::FreqHigh] + image[r + NotchRecord::FreqLow];
}

constexpr int ChannelOfNotch(int n) {
    return n / kNotchesPerChannel;
}
constexpr int FilterOfNotch(int n) {
    return n % kNotchesPerChannel;
}
constexpr int PartnerNotch(int n) {
    return n < kNotchesPerChannel ? n + kNotchesPerChannel : n - kNotchesPerChannel;
}

}  // namespace vx470
