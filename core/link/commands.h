#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "core/model/preset_image.h"
#include "core/shell/tables.h"

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

// Where each command keeps its arguments among the seven (0 is the command code).
namespace NotchArgs {
inline constexpr std::size_t Channel = 1, Filter = 2, FreqHigh = 3, FreqLow = 4, Q = 5, Gain = 6;
}
namespace SectionArgs {
inline constexpr std::size_t Target = 1, NumAuto = 2, QAuto = 3, Attenuation = 4, Sensitivity = 5,
                             Run = 6;
}
namespace BlockArgs {
inline constexpr std::size_t Preset = 1;
}
namespace MemoryArgs {
inline constexpr std::size_t AddressHigh = 1, AddressLow = 2, Data = 4;
}
namespace ReleaseArgs {
inline constexpr std::size_t Channel = 1, Release = 4, ModeSearch = 5;
}

// The frame layout of each command.
namespace Frames {

constexpr FrameArgs Probe() {
    return {Command::Probe, 0, 0, 0, 0, 0, 0};
}

constexpr FrameArgs NotchFilter(std::uint8_t channel, std::uint8_t filter, std::uint8_t freqHigh,
                                std::uint8_t freqLow, std::uint8_t q, std::uint8_t gain) {
    FrameArgs a{Command::NotchFilter};
    a[NotchArgs::Channel] = channel;
    a[NotchArgs::Filter] = filter;
    a[NotchArgs::FreqHigh] = freqHigh;
    a[NotchArgs::FreqLow] = freqLow;
    a[NotchArgs::Q] = q;
    a[NotchArgs::Gain] = gain;
    return a;
}

constexpr FrameArgs AutoSection(std::uint8_t target, std::uint8_t numAuto, std::uint8_t qAuto,
                                std::uint8_t attenuation, std::uint8_t sensitivity,
                                std::uint8_t run) {
    FrameArgs a{Command::AutoSection};
    a[SectionArgs::Target] = target;
    a[SectionArgs::NumAuto] = numAuto;
    a[SectionArgs::QAuto] = qAuto;
    a[SectionArgs::Attenuation] = attenuation;
    a[SectionArgs::Sensitivity] = sensitivity;
    a[SectionArgs::Run] = run;
    return a;
}

constexpr FrameArgs ReadBlock(std::uint8_t preset) {
    FrameArgs a{Command::ReadBlock};
    a[BlockArgs::Preset] = preset;
    return a;
}

constexpr FrameArgs Closing() {
    return {Command::Closing, 0, 0, 0, 0, 0, 0};
}

constexpr FrameArgs ReadByte(std::uint8_t addressHigh, std::uint8_t addressLow) {
    FrameArgs a{Command::ReadByte};
    a[MemoryArgs::AddressHigh] = addressHigh;
    a[MemoryArgs::AddressLow] = addressLow;
    return a;
}

constexpr FrameArgs WriteByte(std::uint8_t addressHigh, std::uint8_t addressLow,
                              std::uint8_t data) {
    FrameArgs a{Command::WriteByte};
    a[MemoryArgs::AddressHigh] = addressHigh;
    a[MemoryArgs::AddressLow] = addressLow;
    a[MemoryArgs::Data] = data;
    return a;
}

constexpr FrameArgs Acknowledge() {
    return {Command::Acknowledge, 0, 0, 0, 0, 0, 0};
}

constexpr FrameArgs ReleaseMode(std::uint8_t channel, std::uint8_t release,
                                std::uint8_t modeSearch) {
    FrameArgs a{Command::ReleaseMode};
    a[ReleaseArgs::Channel] = channel;
    a[ReleaseArgs::Release] = release;
    a[ReleaseArgs::ModeSearch] = modeSearch;
    return a;
}

}  // namespace Frames

// A report the unit sends by itself during a search: 10 bytes with no frame of their own.
// A gain report carries only the channel, the filter and the gain.
namespace ReportBytes {
inline constexpr std::size_t Type = 0, Channel = 1, Filter = 2, FreqHigh = 3, FreqLow = 4, Q = 5,
                             Gain = 6;
}
inline constexpr std::uint8_t kNotchReport = 0xFE;
inline constexpr std::uint8_t kGainReport = 0xFD;

struct UnitReport {
    bool wholeNotch;  // a notch placed (frequency, Q and gain), else only its gain changed
    int notch;        // 0..23: any channel byte but 0 is the Right channel
    int frequencyIndex;
    int q;
    int gain;
};

// What a report changes; nothing for bytes that are no report, or for a report that no control
// could show (a filter, frequency, Q or gain out of range).
constexpr std::optional<UnitReport> DecodeReport(std::span<const std::uint8_t> r) {
    if (r.size() <= ReportBytes::Gain) return std::nullopt;
    const int type = r[ReportBytes::Type];
    const int filter = r[ReportBytes::Filter];
    const UnitReport report{type == kNotchReport,
                            filter + (r[ReportBytes::Channel] != 0 ? kNotchesPerChannel : 0),
                            r[ReportBytes::FreqHigh] * 256 + r[ReportBytes::FreqLow],
                            r[ReportBytes::Q], r[ReportBytes::Gain]};
    if (type != kNotchReport && type != kGainReport) return std::nullopt;
    if (filter >= kNotchesPerChannel || report.gain > kMaxGainCode) return std::nullopt;
    if (report.wholeNotch && (report.frequencyIndex > kMaxFrequencyIndex || report.q > kMaxQCode))
        return std::nullopt;
    return report;
}

}  // namespace vx470
