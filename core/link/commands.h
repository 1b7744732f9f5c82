#pragma once

#include <array>
#include <cstdint>

namespace vx470 {

// The seven argument bytes b2..b8 of a frame; b2 is the command code.
using FrameArgs = std::array<std::uint8_t, 7>;

// Command codes (frame byte 2).
namespace Command {
inline constexpr std::uint8_t Probe = 0;
inline constexpr std::uint8_t NotchFilter = 7;
inline constexpr std::uint8_t AutoSection = 10;
inline constexpr std::uint8_t ReadBlock = 11;
inline constexpr std::uint8_t Closing = 15;
inline constexpr std::uint8_t ReadByte = 16;
inline constexpr std::uint8_t WriteByte = 17;
inline constexpr std::uint8_t Acknowledge = 48;
inline constexpr std::uint8_t ReleaseMode = 49;
}  // namespace Command

// Target byte of command 10: unlike commands 7 and 49 it counts channels from 1.
namespace SectionTarget {
inline constexpr std::uint8_t Both = 0;
inline constexpr std::uint8_t Left = 1;
inline constexpr std::uint8_t Right = 2;
}  // namespace SectionTarget

// Reply byte 6 of command 16 holds the memory byte; reply byte 3 of a probe is '['.
inline constexpr std::size_t kReadByteReplyIndex = 6;
inline constexpr std::size_t kProbeReplyIndex = 3;
inline constexpr std::uint8_t kFrameMarker = 0x5B;
// Block read of the image the unit is running rather than a stored preset.
inline constexpr std::uint8_t kRunningImage = 255;

// The frame layout of each command.
namespace Frames {

constexpr FrameArgs Probe() {
    return {Command::Probe, 0, 0, 0, 0, 0, 0};
}

constexpr FrameArgs NotchFilter(std::uint8_t channel, std::uint8_t filter, std::uint8_t freqHigh,
                                std::uint8_t freqLow, std::uint8_t q, std::uint8_t gain) {
    return {Command::NotchFilter, channel, filter, freqHigh, freqLow, q, gain};
}

constexpr FrameArgs AutoSection(std::uint8_t target, std::uint8_t numAuto, std::uint8_t qAuto,
                                std::uint8_t attenuation, std::uint8_t sensitivity,
                                std::uint8_t run) {
    return {Command::AutoSection, target, numAuto, qAuto, attenuation, sensitivity, run};
}

constexpr FrameArgs ReadBlock(std::uint8_t preset) {
    return {Command::ReadBlock, preset, 0, 0, 0, 0, 0};
}

constexpr FrameArgs Closing() {
    return {Command::Closing, 0, 0, 0, 0, 0, 0};
}

constexpr FrameArgs ReadByte(std::uint8_t addressHigh, std::uint8_t addressLow) {
    return {Command::ReadByte, addressHigh, addressLow, 0, 0, 0, 0};
}

constexpr FrameArgs WriteByte(std::uint8_t addressHigh, std::uint8_t addressLow,
                              std::uint8_t data) {
    return {Command::WriteByte, addressHigh, addressLow, 0, data, 0, 0};
}

constexpr FrameArgs Acknowledge() {
    return {Command::Acknowledge, 0, 0, 0, 0, 0, 0};
}

constexpr FrameArgs ReleaseMode(std::uint8_t channel, std::uint8_t release,
                                std::uint8_t modeSearch) {
    return {Command::ReleaseMode, channel, 0, 0, release, modeSearch, 0};
}

}  // namespace Frames
}  // namespace vx470
