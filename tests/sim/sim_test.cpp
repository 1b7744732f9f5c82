// The simulator's own faults, pacing and options, and what the program never sends it, on an
// invented clock. Its replies, memory and reports are fuzz_sim_commands';
// what the program makes of the faults and of other devices is the e2e tests'.
#include <gtest/gtest.h>

#include <span>
#include <tuple>

#include "sim/options.h"
#include "sim/unit.h"

namespace vxsim {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

Frame frame(std::initializer_list<std::uint8_t> args) {
    Frame f{0xF0, 0x5B};
    std::copy(args.begin(), args.end(), f.begin() + 2);
    f[9] = 0xF7;
    return f;
}
// The reply to a probe.
const Bytes kProbeReply{0xF0, 0x5B, 0, 0x5B, 0, 0, 0, 0, 0, 0xF7};

struct Bench {
    explicit Bench(const Config& config = {}) : unit(config) {}
    // Bytes in now; what leaves at once.
    Bytes send(std::span<const std::uint8_t> in) {
        unit.receive(in, now);
        return unit.takeOutput(now);
    }
    Bytes advance(std::chrono::nanoseconds d) { return unit.takeOutput(now += d); }
    Unit unit;
    TimePoint now = TimePoint{} + 1h;
};

TEST(Unit, ResynchronisesAfterGarbageAndIgnoresFieldsOutOfRange) {
    Bench b(Config{.userPresets = {5}});
    // Junk with false starts, a frame with a bad end byte, one without the marker, a false
    // start, then two probes; read 7 bytes at a time, splitting the frames.
    const Bytes stream{0,    0,    0,    0xF7, 0x5B, 0xF0, 0xF0, 0xF0, 0x5B, 0x10, 0, 0, 0,
                       0,    0,    0,    0,    0xF0, 0,    0,    0,    0,    0,    0, 0, 0,
                       0xF7, 0xF0, 0x5B, 0xF0, 0x5B, 0,    0,    0,    0,    0,    0, 0, 0xF7,
                       0xF0, 0x5B, 0,    0,    0,    0,    0,    0,    0,    0xF7};
    Bytes out;
    for (std::size_t i = 0; i < stream.size(); i += 7) {
        const Bytes o = b.send(std::span(stream).subspan(i, 7));
        out.insert(out.end(), o.begin(), o.end());
    }
    EXPECT_EQ(out.size(), 20u);
    EXPECT_EQ(b.unit.receivedFrames(), (std::vector<Frame>{frame({0}), frame({0})}));

    // Fields out of range: a reply each, and nothing changes.
    const Memory memory = b.unit.memory();
    const Image image = b.unit.runningImage();
    const std::uint8_t x = 0xFF;
    for (const Frame& f :
         {frame({17, 0x10, 0, 0, 1}), frame({17, x, x, x, x, x, x}), frame({7, 2, 0, 1, 10, 2, 30}),
          frame({7, 0, 12, 1, 10, 2, 30}), frame({7, 0, 0, 2, 218, 2, 30}),
          frame({7, 0, 0, 1, 10, 4, 30}), frame({7, 0, 0, 1, 10, 2, 46}),
          frame({7, x, x, x, x, x, x}), frame({10, 3, 1, 1, 1, 1, 1}),
          frame({10, 0, x, x, x, x, x}), frame({49, 2, 0, 0, 1, 1}), frame({16, x, x, x, x, x, x})})
        EXPECT_EQ(b.send(f).size(), 10u) << int(f[2]);
    EXPECT_TRUE(b.unit.memory() == memory && b.unit.runningImage() == image);
    EXPECT_FALSE(b.unit.searching());
}

TEST(Unit, EachFaultShapesTheReplyToItsFrame) {
    using F = FaultKind;
    // What leaves for the faulted probe: junk or a report, the reply or its start, junk.
    const std::tuple<Fault, std::size_t, std::size_t, std::size_t> cases[] = {
        {{F::NoReply, 1, 0}, 0, 0, 0},        {{F::ShortReply, 1, 4}, 0, 4, 0},
        {{F::ExtraBytes, 1, 3}, 0, 10, 3},    {{F::Garbage, 1, 2}, 2, 10, 0},
        {{F::ReportBefore, 1, 0}, 10, 10, 0}, {{F::Delay, 1, 250}, 0, 10, 0},
        {{F::DieAfter, 1, 0}, 0, 10, 0},      {{F::HangUpAfter, 1, 0}, 0, 10, 0}};
    for (const auto& [fault, before, kept, after] : cases) {
        SCOPED_TRACE(static_cast<int>(fault.kind));
        Bench b(Config{.faults = {fault}});
        Bytes out = b.send(frame({0}));
        if (fault.kind == F::Delay) {
            EXPECT_TRUE(out.empty() && b.advance(249ms).empty());
            out = b.advance(1ms);
        }
        ASSERT_EQ(out.size(), before + kept + after);
        EXPECT_TRUE(std::equal(out.begin() + long(before), out.begin() + long(before + kept),
                               kProbeReply.begin()));
        const bool lineEnds = fault.kind == F::DieAfter || fault.kind == F::HangUpAfter;
        EXPECT_EQ(b.send(frame({0})).size(), lineEnds ? 0u : 10u);
        EXPECT_EQ(b.unit.hangUpDue(), fault.kind == F::HangUpAfter);
    }
    Bench b(Config{.faults = {{F::SearchGarbage, 0, 4}}});  // junk halfway between reports
    b.send(frame({10, 1, 3, 2, 0, 6, 1}));
    EXPECT_TRUE(b.advance(349ms).empty());
    EXPECT_EQ(b.advance(1ms).size(), 4u);
    EXPECT_EQ(b.advance(350ms).at(0), 0xFE);
}

TEST(Unit, PacedBytesTravelAt4800BaudAndOptionsReachTheConfig) {
    using Seconds = std::chrono::duration<double>;
    Bench b(Config{.paced = true});
    const TimePoint sent = b.now;
    EXPECT_TRUE(b.send(frame({11, 255})).empty());  // the frame is still on the line
    std::vector<TimePoint> times;
    for (auto wake = b.unit.nextWake(); wake; wake = b.unit.nextWake())
        times.insert(times.end(), b.unit.takeOutput(b.now = *wake).size(), b.now);
    ASSERT_EQ(times.size(), 160u);
    EXPECT_NEAR(Seconds(times.front() - sent).count(), 11 / 480.0, 1e-6);  // 10 bytes in, 1 out
    EXPECT_NEAR(Seconds(times.back() - times.front()).count(), 159 / 480.0, 1e-6);

    const Config c = parseOptions({"--presets", "9,5,9", "--short", "2:4"}).options.config;
    EXPECT_EQ(
        std::tuple(c.userPresets, c.faults.at(0).kind, c.faults.at(0).frame, c.faults.at(0).amount),
        std::tuple(std::vector<int>{9, 5}, FaultKind::ShortReply, 2u, 4u));
    EXPECT_EQ(parseOptions({"--wrong-baud"}).options.config.peer, Peer::WrongBaud);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--presets", "4"}, {"--presets", "5,"}, {"--short", "3"}, {"--paced=1"}, {"--x"}})
        EXPECT_NE(parseOptions(bad).error, "") << bad[0];
}

}  // namespace
}  // namespace vxsim
