// Whatever the unit sends by itself during a feedback search.
//
// Input: a set-up byte (which search box, linked or not), a byte for the automatic notch
// counts, then chunks: a length byte, the bytes, and how many polls follow the chunk.

#include "fuzz/harness.h"

using namespace vx470;
using namespace vx470::fuzz;

// What a report does to the image: a notch report that every control can show places the
// whole notch, a gain report changes the gain; anything else changes nothing.
static void applyReport(const Bytes& report, PresetImage& image) {
    const bool shown = report[2] < kNotchesPerChannel && report[6] <= kMaxGainCode;
    const bool notch = shown && report[0] == 0xFE && report[5] <= kMaxQCode &&
                       report[3] * 256 + report[4] <= kMaxFrequencyIndex;
    if (!notch && !(shown && report[0] == 0xFD)) return;
    const std::size_t r =
        at(NotchOffset[at(report[2] + (report[1] != 0 ? kNotchesPerChannel : 0))]);
    image[r + NotchRecord::Gain] = report[6];
    // Frequency high and low, then Q.
    if (notch)
        std::copy_n(report.begin() + 3, 3,
                    image.begin() + static_cast<long>(r + NotchRecord::FreqHigh));
}

int vx470::fuzz::FuzzOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kMaxChunks = 32;
    FuzzInput in{data, size};
    const std::uint8_t setup = in.byte(), counts = in.byte();
    FuzzProgram& fp =
        FuzzProgram::WithImage(ImageWithAutomaticNotches(1 + counts % 12, 1 + counts / 12 % 12));
    Program& program = fp.program;
    test::FakeSerialPort& port = fp.fakes.port;
    if ((setup & 4) != 0) fp.link();
    const std::size_t box = setup % 3;
    program.frmEq.Check1[box].UserClick();
    Require(program.SearchActive, "the search did not start");
    CheckEditorMatchesImage(program);

    PresetImage expected = program.channels.image;
    Bytes waiting;  // what the port holds, as the harness counts it
    for (int chunk = 0; chunk < kMaxChunks && !in.empty(); ++chunk) {
        const auto bytes = in.bytes(in.byte() % 24);
        port.arriveNow(bytes);
        waiting.insert(waiting.end(), bytes.begin(), bytes.end());
        for (int polls = 1 + in.byte() % 3; polls > 0; --polls) {
            const auto written = fp.sent([&] { program.reports.PollDeviceReports(); });
            if (waiting.size() < kReplySize) {
                Require(written.empty() && port.queued() == waiting.size(),
                        "a poll without a whole report wrote something or lost the part");
                continue;
            }
            Require(written == std::array<test::FrameBytes, 1>{test::frameBytes(
                                   {Command::Acknowledge})} &&
                        port.queued() == 0,
                    "a whole report was not acknowledged exactly once or left bytes behind");
            applyReport(waiting, expected);
            waiting.clear();
            Require(program.channels.image == expected, "the image differs from the reports");
            CheckEditorMatchesImage(program);
        }
    }

    program.frmEq.Check1[box].UserClick();
    Require(!program.SearchActive && program.channels.image == expected,
            "the search did not stop or stopping it changed the image");
    CheckEditorMatchesImage(program);
    return 0;
}
