#include "core/link/device_reports.h"

#include <array>

#include "core/program.h"
#include "core/shell/tables.h"

namespace vx470 {

namespace {

constexpr std::uint8_t kNotchReport = 0xFE;
constexpr std::uint8_t kGainReport = 0xFD;

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

}  // namespace

void DeviceReports::PollDeviceReports() {
    Link& link = program_.link;
    if (link.DemoMode) return;
    if (link.port().bytesWaiting() < kReplySize) return;

    std::array<std::uint8_t, kReplySize> report{};
    link.port().read(report);
    std::copy_n(report.begin(), 7, link.RxBuffer.begin());
    link.port().dropInput();

    const std::uint8_t type = report[0];
    const int filter = report[2];
    const int index = report[3] * 256 + report[4];
    const int q = report[5];
    const int gain = report[6];
    // A report that no control could show changes nothing; it is still acknowledged.
    const bool notch = type == kNotchReport && filter < kNotchesPerChannel &&
                       index <= kMaxFrequencyIndex && q <= kMaxQCode && gain <= kMaxGainCode;
    const bool gainOnly =
        type == kGainReport && filter < kNotchesPerChannel && gain <= kMaxGainCode;

    if (notch || gainOnly) {
        const int n = filter + (report[1] != 0 ? kNotchesPerChannel : 0);
        const std::size_t r = at(NotchOffset[at(n)]);
        PresetImage& image = program_.channels.image;
        FrmEq& eq = program_.frmEq;
        image[r + NotchRecord::Gain] = report[6];
        if (notch) {
            image[r + NotchRecord::FreqHigh] = report[3];
            image[r + NotchRecord::FreqLow] = report[4];
            image[r + NotchRecord::Q] = report[5];
        }
        program_.IgnoreControlEvents = true;
        eq.HScroll20[at(n)].SetValue(image[r + NotchRecord::Gain]);
        if (notch) {
            eq.Text2[at(n)].SetText(GridFrequencyText(index));
            eq.HScroll30[at(n)].SetValue(image[r + NotchRecord::Q]);
        }
        program_.IgnoreControlEvents = false;
        link.SuppressSend = true;
        program_.sends.SendNotchFilter(n);
        link.SuppressSend = false;
        program_.graph.DrawNotchResponse(n);
    }
    link.SendFrameNoReply(Frames::Acknowledge());
}

}  // namespace vx470
