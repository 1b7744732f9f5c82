#include "core/graph/export_sheet.h"

#include <algorithm>
#include <cctype>

#include "core/link/converters.h"
#include "core/shell/tables.h"

namespace vx470 {

namespace {

// A table entry for a model value, which came from the unit or a file: out of range, the
// nearest end.
template <typename Table>
std::string name(const Table& table, double value) {
    const double last = static_cast<double>(table.size() - 1);
    const double i = value >= 0 ? std::min(value, last) : 0.0;
    return std::string(table[static_cast<std::size_t>(i)]);
}

}  // namespace

ExportSheet MakeExportSheet(const ChannelModel& model, std::string_view presetName,
                            const std::tm& when) {
    ExportSheet sheet;
    sheet.title = "VX-470 response curves";
    sheet.preset = "Preset: " + std::string(presetName);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &when);
    sheet.date = std::string("Exported ") + date;
    sheet.notches.columns = {"Channel", "Notch", "Kind", "Frequency (Hz)", "Gain (dB)", "Q"};
    sheet.automatic.columns = {"Channel",     "Auto notches", "Auto Q",     "Attenuation",
                               "Sensitivity", "Release",      "Search mode"};
    for (int ch = 0; ch < kChannels; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        const std::string channel(ChannelName(ch));
        for (int k = 0; k < kNotchesPerChannel; ++k) {
            const auto n = static_cast<std::size_t>(ch * kNotchesPerChannel + k);
            sheet.notches.rows.push_back(
                {channel, std::to_string(k + 1), k < model.NumNotchAuto[c] ? "automatic" : "manual",
                 GridFrequencyText(FrequencyToIndex(model.NotchFrequency[n])),
                 std::to_string(GainToIndex(model.NotchGainDb[n]) - kMaxGainCode),
                 name(QNames, model.NotchQ[n])});
        }
        sheet.automatic.rows.push_back(
            {channel, std::to_string(std::clamp<int>(model.NumNotchAuto[c], 0, kNotchesPerChannel)),
             name(QNames, model.QNotchAuto[c]), name(AttenuationNames, model.AttenuationNotch[c]),
             std::to_string(std::clamp<int>(model.Sensitivity[c], 0, kMaxSensitivity) + 1),
             name(ReleaseNames, model.ReleaseNotch[c]),
             name(ModeSearchNames, model.ModeSearch[c])});
    }
    return sheet;
}

std::optional<SheetFormat> SheetFormatOf(std::string_view path) {
    const std::size_t dot = path.rfind('.'), slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return std::nullopt;
    }
    std::string extension(path.substr(dot + 1));
    for (char& ch : extension) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (extension == "png") return SheetFormat::Png;
    if (extension == "svg") return SheetFormat::Svg;
    if (extension == "pdf") return SheetFormat::Pdf;
    return std::nullopt;
}

}  // namespace vx470
