#include "core/link/device_reports.h"

#include <array>

#include "core/program.h"
#include "core/shell/tables.h"

namespace vx470 {

namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

}  // namespace

void DeviceReports::PollDeviceReports() {
    Link& link = program_.link;
    if (link.DemoMode) return;
    std::array<std::uint8_t, kReplySize> bytes{};
    if (!link.ReadReport(bytes)) return;
    std::copy_n(bytes.begin(), 7, link.RxBuffer.begin());

    // A report that no control could show changes nothing; it is still acknowledged.
    if (const std::optional<UnitReport> report = DecodeReport(bytes)) {
        const int n = report->notch;
        const std::size_t r = at(NotchOffset[at(n)]);
        PresetImage& image = program_.channels.image;
        FrmEq& eq = program_.frmEq;
        image[r + NotchRecord::Gain] = static_cast<std::uint8_t>(report->gain);
        if (report->wholeNotch) {
            image[r + NotchRecord::FreqHigh] = bytes[ReportBytes::FreqHigh];
            image[r + NotchRecord::FreqLow] = bytes[ReportBytes::FreqLow];
            image[r + NotchRecord::Q] = static_cast<std::uint8_t>(report->q);
        }
        program_.IgnoreControlEvents = true;
        eq.HScroll20[at(n)].SetValue(image[r + NotchRecord::Gain]);
        if (report->wholeNotch) {
            eq.Text2[at(n)].SetText(GridFrequencyText(report->frequencyIndex));
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
