#include "tests/support/editor_check.h"

#include <algorithm>
#include <sstream>
#include <tuple>
#include <vector>

#include "core/shell/tables.h"

namespace vx470::test {

namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

// `actual` lists what the editor shows for notch or channel `i`, `expected` what the image
// says, in the same order.
template <typename... A, typename... E>
bool same(std::string& out, const char* what, int i, const std::tuple<A...>& actual,
          const std::tuple<E...>& expected) {
    if (actual == expected) return true;
    std::ostringstream s;
    s.precision(17);
    s << what << ' ' << i << ':';
    std::apply([&](const auto&... v) { ((s << ' ' << v), ...); }, actual);
    s << "; expected";
    std::apply([&](const auto&... v) { ((s << ' ' << v), ...); }, expected);
    out = s.str();
    return false;
}

std::uint8_t clamped(int v, int max, int min = 0) {
    return static_cast<std::uint8_t>(std::clamp(v, min, max));
}

}  // namespace

// Worked out once: the fuzz targets check the editor after every step, and formatting was a
// third of their time.
const std::string& FrequencyText(int index) {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        for (int i = 0; i <= kMaxFrequencyIndex; ++i)
            t.push_back(FormatNumber(FrequencyGrid[at(i)]));
        return t;
    }();
    return texts[at(std::clamp(index, 0, kMaxFrequencyIndex))];
}

const std::string& GainText(int code) {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        for (int g = 0; g <= 255; ++g) t.push_back(std::to_string(g - kMaxGainCode));
        return t;
    }();
    return texts[at(std::clamp(code, 0, 255))];
}

std::array<std::uint8_t, NotchRecord::Size> ClampedRow(const std::uint8_t* row) {
    const int index = std::min(row[1] * 256 + row[2], kMaxFrequencyIndex);
    return {clamped(row[0], kMaxGainCode), static_cast<std::uint8_t>(index >> 8),
            static_cast<std::uint8_t>(index & 0xFF), clamped(row[3], kMaxQCode)};
}

PresetImage ClampedImage(const std::uint8_t* bytes) {
    PresetImage image{};
    std::copy_n(bytes, image.size(), image.begin());
    const auto limit = [&](int offset, int max, int min = 0) {
        return image[at(offset)] = clamped(image[at(offset)], max, min);
    };
    for (std::size_t c = 0; c < kChannels; ++c) {
        const int count = limit(NumAutoOffset[c], kNotchesPerChannel, 1);
        const std::uint8_t qAuto = limit(QAutoOffset[c], kMaxQCode);
        limit(AttenuationOffset[c], 1);
        limit(SensitivityOffset[c], kMaxSensitivity);
        for (int offset : {ReleaseOffset[c], ModeSearchOffset[c]})
            if (image[at(offset)] > 1) image[at(offset)] = 0;
        for (int k = 0; k < kNotchesPerChannel; ++k) {
            const std::size_t r = at(NotchOffset[c * kNotchesPerChannel + at(k)]);
            auto row = ClampedRow(&image[r]);
            if (k < count) row[NotchRecord::Q] = qAuto;
            std::copy(row.begin(), row.end(), image.begin() + static_cast<long>(r));
        }
    }
    return image;
}

std::string EditorMismatch(const Program& program, const TextsToSkip& skip) {
    std::string out;
    const FrmEq& eq = program.frmEq;
    const PresetImage& image = program.channels.image;
    const ChannelModel& model = program.channels.model;
    const auto name = [](const auto& names, int i) {
        return names[at(std::min<int>(i, names.size() - 1))];
    };

    for (int n = 0; n < kNotches; ++n) {
        const std::size_t i = at(n), r = at(NotchOffset[i]);
        const int gain = image[r + NotchRecord::Gain], q = image[r + NotchRecord::Q];
        const int index = image[r + NotchRecord::FreqHigh] * 256 + image[r + NotchRecord::FreqLow];
        const double hz = FrequencyGrid[at(std::min(index, kMaxFrequencyIndex))];
        const std::string& db = GainText(gain);
        const std::string& text2 = FrequencyText(index);
        // The rows of the automatic notches are locked, the others open.
        const bool open =
            n % kNotchesPerChannel >= image[at(NumAutoOffset[i / kNotchesPerChannel])];
        // Bytes in range; HScroll20, 6 and 30, Text3, Text1 and Text2; whether each is open; the
        // model.
        if (!same(out, "notch", n,
                  std::forward_as_tuple(
                      gain <= kMaxGainCode, index <= kMaxFrequencyIndex, q <= kMaxQCode,
                      eq.HScroll20[i].Value(), eq.HScroll6[i].Value(), eq.HScroll30[i].Value(),
                      eq.Text3[i].Text(), skip.gain[i] ? db : eq.Text1[i].Text(),
                      skip.frequency[i] ? text2 : eq.Text2[i].Text(), eq.HScroll20[i].Enabled(),
                      eq.HScroll6[i].Enabled(), eq.HScroll30[i].Enabled(), eq.Text3[i].Enabled(),
                      eq.Text1[i].Enabled(), eq.Text2[i].Enabled(), model.NotchGainDb[i],
                      model.NotchFrequency[i], model.NotchQ[i]),
                  std::forward_as_tuple(true, true, true, gain, index, q, name(QNames, q), db,
                                        text2, open, open, open, open, open, open,
                                        gain - kMaxGainCode, hz, q)))
            return out;
    }

    for (int ch = 0; ch < kChannels; ++ch) {
        const std::size_t c = at(ch);
        const int count = image[at(NumAutoOffset[c])], qAuto = image[at(QAutoOffset[c])];
        const int attenuation = image[at(AttenuationOffset[c])];
        const int sensitivity = image[at(SensitivityOffset[c])];
        const int release = image[at(ReleaseOffset[c])], mode = image[at(ModeSearchOffset[c])];
        const std::string text4 = std::to_string(sensitivity + 1);
        // Bytes in range; HScroll1 (plus 1), 2 and 3, Slider1, HScroll4 and 5; the model;
        // Label3, 5, 6, 1 and 9, Text4.
        if (!same(out, "channel", ch,
                  std::forward_as_tuple(
                      count >= 1 && count <= kNotchesPerChannel, qAuto <= kMaxQCode,
                      attenuation <= 1, sensitivity <= kMaxSensitivity, release <= 1, mode <= 1,
                      eq.HScroll1[c].Value() + 1, eq.HScroll2[c].Value(), eq.HScroll3[c].Value(),
                      eq.Slider1[c].Value(), eq.HScroll4[c].Value(), eq.HScroll5[c].Value(),
                      model.NumNotchAuto[c], model.NumNotchManual[c], model.QNotchAuto[c],
                      model.AttenuationNotch[c], model.Sensitivity[c], model.ReleaseNotch[c],
                      model.ModeSearch[c], eq.Label3[c].Caption(), eq.Label5[c].Caption(),
                      eq.Label6[c].Caption(), eq.Label1[c].Caption(), eq.Label9[c].Caption(),
                      skip.sensitivity[c] ? text4 : eq.Text4[c].Text()),
                  std::forward_as_tuple(
                      true, true, true, true, true, true, count, qAuto, attenuation, sensitivity,
                      release, mode, count, kNotchesPerChannel - count, qAuto, attenuation,
                      sensitivity, release, mode, std::to_string(count), name(QNames, qAuto),
                      name(AttenuationNames, attenuation), name(ReleaseNames, release),
                      name(ModeSearchNames, mode), text4)))
            return out;
    }
    return out;
}

}  // namespace vx470::test
