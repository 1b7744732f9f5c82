#include "core/device/parameters.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/link/converters.h"
#include "core/shell/tables.h"
#include "core/text/numbers.h"

namespace vx470 {

namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}
constexpr std::array<std::string_view, 2> kChannelNames = {"left", "right"};
constexpr std::array<std::string_view, 9> kKindNames = {
    "freq",        "gain",    "q",   "auto.count", "auto.q", "auto.attenuation",
    "sensitivity", "release", "mode"};

std::size_t recordOf(const Parameter& p) {
    return at(NotchOffset[at(p.channel * kNotchesPerChannel + p.filter)]);
}

// The byte the parameter lives in (the frequency's high byte for a frequency).
std::size_t offsetOf(const Parameter& p) {
    const auto c = at(p.channel);
    switch (p.kind) {
        case Parameter::Frequency:
            return recordOf(p) + NotchRecord::FreqHigh;
        case Parameter::Gain:
            return recordOf(p) + NotchRecord::Gain;
        case Parameter::Q:
            return recordOf(p) + NotchRecord::Q;
        case Parameter::AutoCount:
            return at(NumAutoOffset[c]);
        case Parameter::AutoQ:
            return at(QAutoOffset[c]);
        case Parameter::Attenuation:
            return at(AttenuationOffset[c]);
        case Parameter::Sensitivity:
            return at(SensitivityOffset[c]);
        case Parameter::Release:
            return at(ReleaseOffset[c]);
        case Parameter::Mode:
            return at(ModeSearchOffset[c]);
    }
    return 0;
}

template <std::size_t N>
std::optional<int> nameIndex(const std::array<std::string_view, N>& names, std::string_view v) {
    for (std::size_t i = 0; i < N; ++i) {
        if (std::equal(names[i].begin(), names[i].end(), v.begin(), v.end(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

template <std::size_t N>
std::string nameOrInvalid(const std::array<std::string_view, N>& names, int code) {
    if (code >= 0 && code < static_cast<int>(N)) return std::string(names[at(code)]);
    return "invalid (code " + std::to_string(code) + ")";
}

std::string numberOrInvalid(int shown, int code, bool valid) {
    return valid ? std::to_string(shown) : "invalid (code " + std::to_string(code) + ")";
}

}  // namespace

FrameArgs NotchFrame(const PresetImage& image, int n) {
    const std::size_t r = at(NotchOffset[at(n)]);
    return Frames::NotchFilter(static_cast<std::uint8_t>(ChannelOfNotch(n)),
                               static_cast<std::uint8_t>(FilterOfNotch(n)),
                               image[r + NotchRecord::FreqHigh], image[r + NotchRecord::FreqLow],
                               image[r + NotchRecord::Q], image[r + NotchRecord::Gain]);
}

FrameArgs SectionFrame(const PresetImage& image, int ch, std::uint8_t target, std::uint8_t run) {
    const std::size_t c = at(ch);
    return Frames::AutoSection(target, image[at(NumAutoOffset[c])], image[at(QAutoOffset[c])],
                               image[at(AttenuationOffset[c])], image[at(SensitivityOffset[c])],
                               run);
}

FrameArgs ReleaseModeFrame(const PresetImage& image, int ch) {
    const std::size_t c = at(ch);
    return Frames::ReleaseMode(static_cast<std::uint8_t>(ch), image[at(ReleaseOffset[c])],
                               image[at(ModeSearchOffset[c])]);
}

std::optional<Parameter> FindParameter(std::string_view name) {
    for (const Parameter& p : AllParameters()) {
        if (ParameterName(p) == name) return p;
    }
    return std::nullopt;
}

std::string ParameterName(const Parameter& p) {
    std::string name(kChannelNames[at(p.channel)]);
    name += '.';
    if (p.notch()) name += "notch" + std::to_string(p.filter + 1) + ".";
    return name + std::string(kKindNames[at(p.kind)]);
}

std::vector<Parameter> AllParameters() {
    std::vector<Parameter> all;
    for (int ch = 0; ch < kChannels; ++ch) {
        for (int f = 0; f < kNotchesPerChannel; ++f) {
            for (const auto kind : {Parameter::Frequency, Parameter::Gain, Parameter::Q}) {
                all.push_back({kind, ch, f});
            }
        }
        for (const auto kind : {Parameter::AutoCount, Parameter::AutoQ, Parameter::Attenuation,
                                Parameter::Sensitivity, Parameter::Release, Parameter::Mode}) {
            all.push_back({kind, ch});
        }
    }
    return all;
}

std::string_view ParameterUnit(const Parameter& p) {
    if (p.kind == Parameter::Frequency) return "Hz";
    if (p.kind == Parameter::Gain) return "dB";
    return "";
}

std::string ParameterValue(const PresetImage& image, const Parameter& p) {
    const int code = image[offsetOf(p)];
    switch (p.kind) {
        case Parameter::Frequency: {
            const int index = NotchFrequencyIndex(image, p.channel * kNotchesPerChannel + p.filter);
            if (index > kMaxFrequencyIndex) return "invalid (code " + std::to_string(index) + ")";
            return GridFrequencyText(index);
        }
        case Parameter::Gain:
            return numberOrInvalid(code - kMaxGainCode, code, code <= kMaxGainCode);
        case Parameter::Q:
        case Parameter::AutoQ:
            return nameOrInvalid(QNames, code);
        case Parameter::AutoCount:
            return numberOrInvalid(code, code, code >= 1 && code <= kNotchesPerChannel);
        case Parameter::Attenuation:
            return nameOrInvalid(AttenuationNames, code);
        case Parameter::Sensitivity:
            return numberOrInvalid(code + 1, code, code <= kMaxSensitivity);
        case Parameter::Release:
            return nameOrInvalid(ReleaseNames, code);
        case Parameter::Mode:
            return nameOrInvalid(ModeSearchNames, code);
    }
    return {};
}

bool IsAutomaticNotch(const PresetImage& image, const Parameter& p) {
    return p.notch() && p.filter < image[at(NumAutoOffset[at(p.channel)])];
}

bool SetParameter(PresetImage& image, const Parameter& p, std::string_view value,
                  std::string& error) {
    const std::optional<double> number = ParseNumber(std::string(value));
    std::optional<int> code;
    const auto whole = [&](int lo, int hi) { return WholeNumber(number, lo, hi); };
    const char* expected = "";
    switch (p.kind) {
        case Parameter::Frequency: {
            expected = "a frequency from 20 to 20000 Hz";
            if (!number || *number < FrequencyGrid.front() || *number > FrequencyGrid.back()) break;
            ByteScratchBuffer scratch{};
            PutLongBE(FrequencyToIndex(*number), 0, scratch);
            image[recordOf(p) + NotchRecord::FreqHigh] = scratch[2];
            image[recordOf(p) + NotchRecord::FreqLow] = scratch[3];
            return true;
        }
        case Parameter::Gain:
            expected = "a whole number of dB from -45 to 0";
            if (const auto db = whole(-kMaxGainCode, 0)) code = *db + kMaxGainCode;
            break;
        case Parameter::Q:
        case Parameter::AutoQ:
            expected = "1/70, 1/20, 1/10 or 1/5";
            code = nameIndex(QNames, value);
            break;
        case Parameter::AutoCount:
            expected = "a number of automatic notches from 1 to 12";
            code = whole(1, kNotchesPerChannel);
            break;
        case Parameter::Attenuation:
            expected = "Fixed or Variable";
            code = nameIndex(AttenuationNames, value);
            break;
        case Parameter::Sensitivity:
            expected = "a sensitivity from 1 to 16";
            if (const auto s = whole(1, kMaxSensitivity + 1)) code = *s - 1;
            break;
        case Parameter::Release:
            expected = "Slow or Fast";
            code = nameIndex(ReleaseNames, value);
            break;
        case Parameter::Mode:
            expected = "Sharp or Fast";
            code = nameIndex(ModeSearchNames, value);
            break;
    }
    if (!code) {
        error = ParameterName(p) + " takes " + expected + ", not \"" + std::string(value) + "\"";
        return false;
    }
    image[offsetOf(p)] = static_cast<std::uint8_t>(*code);
    // The automatic notches share their channel's automatic Q, as in the editor.
    if (p.kind == Parameter::AutoQ) {
        for (int k = 0; k < kNotchesPerChannel && k < image[at(NumAutoOffset[at(p.channel)])];
             ++k) {
            image[at(NotchOffset[at(p.channel * kNotchesPerChannel + k)]) + NotchRecord::Q] =
                static_cast<std::uint8_t>(*code);
        }
    }
    return true;
}

FrameArgs ParameterFrame(const PresetImage& image, const Parameter& p) {
    if (p.notch()) return NotchFrame(image, p.channel * kNotchesPerChannel + p.filter);
    if (p.kind == Parameter::Release || p.kind == Parameter::Mode)
        return ReleaseModeFrame(image, p.channel);
    return SectionFrame(image, p.channel, static_cast<std::uint8_t>(p.channel + 1));
}

}  // namespace vx470
