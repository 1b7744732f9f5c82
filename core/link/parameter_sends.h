#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/controls/controls.h"
#include "core/model/channel_state.h"

namespace vx470 {

class Program;

// The send function of each parameter: read the editor control, store the value in the
// model and the image, then send its frame (nothing goes out while sending is suppressed,
// so whole-image loads keep the three in step without echoing to the unit).
class ParameterSends {
  public:
    explicit ParameterSends(Program& program) : program_(program) {}

    void SendNotchFilter(int n);
    void SendReleaseNotch(int ch);
    void SendModeSearch(int ch);
    void SendNumNotchAutomatic(int ch);
    void SendQNotchAutomatic(int ch);
    void SendAttenuationNotch(int ch);
    void SendSensitivity(int ch);
    // Gain of every manual / automatic notch of the channel to 0 dB, sent and redrawn.
    void ResetManualNotches(int ch);
    void ResetAutomaticNotches(int ch);

  private:
    // A setting shown by name (attenuation, release, search mode): bar → model, label, image.
    template <std::size_t N>
    void storeSetting(int ch, const std::array<ScrollBar, kChannels>& bar,
                      std::array<Label, kChannels>& label,
                      std::array<std::int16_t, kChannels> ChannelModel::*model,
                      const std::array<int, kChannels>& offset,
                      const std::array<std::string_view, N>& names);
    // Command 10 with the channel's four automatic-section bytes.
    void sendSection(int ch);
    void sendReleaseAndMode(int ch);
    void resetNotches(int ch, bool automatic);

    Program& program_;
};

}  // namespace vx470
