#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/link/commands.h"
#include "core/model/preset_image.h"

namespace vx470 {

// The frames that carry image bytes to the unit: a notch's record (command 7), a channel's
// automatic section (command 10, `target` 1 Left, 2 Right, 0 both) and its release and
// search mode (command 49).
FrameArgs NotchFrame(const PresetImage& image, int n);
FrameArgs SectionFrame(const PresetImage& image, int ch, std::uint8_t target, std::uint8_t run = 0);
FrameArgs ReleaseModeFrame(const PresetImage& image, int ch);

// One parameter of the image by name, for scripts: "left.notch3.gain", "right.auto.count".
struct Parameter {
    enum Kind { Frequency, Gain, Q, AutoCount, AutoQ, Attenuation, Sensitivity, Release, Mode };
    Kind kind;
    int channel;     // 0 Left, 1 Right
    int filter = 0;  // 0..11, for the notch kinds
    bool notch() const { return kind == Frequency || kind == Gain || kind == Q; }
};

std::optional<Parameter> FindParameter(std::string_view name);
std::string ParameterName(const Parameter& p);
// Every parameter, Left before Right, the notches before the channel's settings.
std::vector<Parameter> AllParameters();
// The unit, if the value has one: "Hz", "dB".
std::string_view ParameterUnit(const Parameter& p);
// What the editor would show: "1003", "-6", "1/10", "Fixed"; bytes no control can show are
// "invalid (code N)".
std::string ParameterValue(const PresetImage& image, const Parameter& p);
// Whether the unit, not the user, sets this notch: it is one of the channel's automatic ones.
bool IsAutomaticNotch(const PresetImage& image, const Parameter& p);
// Puts `value` (as ParameterValue writes it; a frequency snaps to the unit's nearest one,
// names in any case) into the image; false, and why in `error`, for a value out of range.
bool SetParameter(PresetImage& image, const Parameter& p, std::string_view value,
                  std::string& error);
// The frame that sends the parameter as the image holds it.
FrameArgs ParameterFrame(const PresetImage& image, const Parameter& p);

}  // namespace vx470
