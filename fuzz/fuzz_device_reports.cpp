// Whatever the unit sends by itself during a feedback search.
//
// Input: a set-up byte (which search box, linked or not), a byte for the automatic notch
// counts, then chunks: a length byte, the bytes, and how many polls follow the chunk.

#include "core/shell/tables.h"
#include "fuzz/harness.h"

namespace vx470::fuzz {
namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}
constexpr int kMaxChunks = 256;

// What a report does to the image: a notch report that every control can show places the
// whole notch, a gain report changes the gain; anything else changes nothing.
void applyReport(const Bytes& report, PresetImage& image) {
    const int filter = report[2];
    const int index = report[3] * 256 + report[4];
    const bool notch = report[0] == 0xFE && filter < kNotchesPerChannel &&
                       index <= kMaxFrequencyIndex && report[5] <= kMaxQCode &&
                       report[6] <= kMaxGainCode;
    const bool gain = report[0] == 0xFD && filter < kNotchesPerChannel && report[6] <= kMaxGainCode;
    if (!notch && !gain) return;
    const int n = filter + (report[1] != 0 ? kNotchesPerChannel : 0);
    const std::size_t r = at(NotchOffset[at(n)]);
    image[r + NotchRecord::Gain] = report[6];
    if (notch) {
        image[r + NotchRecord::FreqHigh] = report[3];
        image[r + NotchRecord::FreqLow] = report[4];
        image[r + NotchRecord::Q] = report[5];
    }
}

}  // namespace
}  // namespace vx470::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx470;
    using namespace vx470::fuzz;

    FuzzInput in(data, size);
    const std::uint8_t setup = in.byte();
    const std::uint8_t counts = in.byte();
    FuzzProgram fp(ImageWithAutomaticNotches(1 + counts % 12, 1 + (counts / 12) % 12));
    Program& program = fp.program;
    FrmEq& eq = program.frmEq;
    test::FakeSerialPort& port = fp.fakes.port;

    if ((setup & 4) != 0) eq.Check2.UserClick();  // the link question is answered Yes
    const int box = setup % 3;
    eq.Check1[at(box)].UserClick();
    Require(program.SearchActive, "the search did not start");
    CheckEditorMatchesImage(program);

    PresetImage expected = program.channels.image;
    Bytes waiting;  // what the port holds, as the harness counts it
    const Bytes ack = test::frame({Command::Acknowledge});
    for (int chunk = 0; chunk < kMaxChunks && !in.empty(); ++chunk) {
        const Bytes bytes = in.bytes(in.byte() % 24);
        port.arrive(bytes);
        waiting.insert(waiting.end(), bytes.begin(), bytes.end());
        const int polls = 1 + in.byte() % 3;
        for (int i = 0; i < polls; ++i) {
            const std::size_t first = port.writes.size();
            program.reports.PollDeviceReports();
            const auto written = fp.framesSince(first);
            if (waiting.size() < kReplySize) {
                Require(written.empty(), "a poll without a whole report wrote something");
                Require(port.queued() == waiting.size(), "a partial report was not kept");
                continue;
            }
            Require(written.size() == 1 && written[0] == ack,
                    "a whole report was not acknowledged exactly once");
            Require(port.queued() == 0, "bytes after a report were kept");
            applyReport(Bytes(waiting.begin(), waiting.begin() + kReplySize), expected);
            waiting.clear();
            Require(program.channels.image == expected, "the image differs from the reports");
            CheckEditorMatchesImage(program);
        }
    }

    eq.Check1[at(box)].UserClick();
    Require(!program.SearchActive, "the search did not stop");
    Require(program.channels.image == expected, "stopping the search changed the image");
    CheckEditorMatchesImage(program);
    return 0;
}
