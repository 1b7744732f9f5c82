// The simulator on its own: what the end-to-end tests, which drive it through the program,
// cannot see. A Unit runs on an invented clock; one test puts it on a real pty.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <span>
#include <tuple>

#include "sim/options.h"
#include "sim/pty_server.h"

namespace vxsim {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

Frame frame(std::uint8_t cmd, std::uint8_t b3 = 0, std::uint8_t b4 = 0, std::uint8_t b5 = 0,
            std::uint8_t b6 = 0, std::uint8_t b7 = 0, std::uint8_t b8 = 0) {
    return {0xF0, 0x5B, cmd, b3, b4, b5, b6, b7, b8, 0xF7};
}

Bytes bytes(std::span<const std::uint8_t> s) {
    return Bytes(s.begin(), s.end());
}

const Bytes kProbeReply{0xF0, 0x5B, 0, 0x5B, 0, 0, 0, 0, 0, 0xF7};

// A Unit on an invented clock.
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

TEST(UnitFraming, ResynchronisesAfterGarbage) {
    Bench b;
    // Junk with false starts, a frame with a bad end byte, one without the marker, a false
    // start, then two probes; 49 bytes in reads of 7 that split the frames.
    const Bytes stream{0x00, 0x00, 0x00, 0xF7, 0x5B, 0xF0, 0xF0, 0xF0, 0x5B, 0x10, 0, 0, 0,
                       0,    0,    0,    0x00, 0xF0, 0,    0,    0,    0,    0,    0, 0, 0,
                       0xF7, 0xF0, 0x5B, 0xF0, 0x5B, 0,    0,    0,    0,    0,    0, 0, 0xF7,
                       0xF0, 0x5B, 0,    0,    0,    0,    0,    0,    0,    0xF7};
    std::size_t out = 0;
    for (std::size_t i = 0; i < stream.size(); i += 7) {
        out += b.send(std::span(stream).subspan(i, 7)).size();
    }
    EXPECT_EQ(out, 20u);
    EXPECT_EQ(b.unit.receivedFrames(), (std::vector<Frame>{frame(0), frame(0)}));
}

TEST(UnitReplies, FieldsOutOfRangeChangeNothingAndEachCommandGetsItsReply) {
    EXPECT_THROW(Unit(Config{.userPresets = {4}}), std::invalid_argument);
    Bench b(Config{.userPresets = {5}});
    const Memory memory = b.unit.memory();
    const Image image = b.unit.runningImage();
    const std::uint8_t x = 0xFF;
    for (const Frame& f :
         {frame(17, 0x10, 0, 0, 1), frame(17, x, x, x, x, x, x), frame(7, 2, 0, 1, 10, 2, 30),
          frame(7, 0, 12, 1, 10, 2, 30), frame(7, 0, 0, 2, 218, 2, 30),
          frame(7, 0, 0, 1, 10, 4, 30), frame(7, 0, 0, 1, 10, 2, 46), frame(7, x, x, x, x, x, x),
          frame(10, 3, 1, 1, 1, 1, 1), frame(10, 0, x, x, x, x, x), frame(49, 2, 0, 0, 1, 1),
          frame(16, x, x, x, x, x, x)}) {
        EXPECT_EQ(b.send(f).size(), 10u) << int(f[2]);
    }
    EXPECT_EQ(b.unit.memory(), memory);
    EXPECT_EQ(b.unit.runningImage(), image);
    EXPECT_FALSE(b.unit.searching());
    const std::pair<Frame, Bytes> cases[] = {
        {frame(0), kProbeReply},
        {frame(15, 1, 2, 3, 4, 5, 6), {0xF0, 0x5B, 15, 0x5B, 1, 2, 4, 5, 6, 0xF7}},
        {frame(99, 9, 8, 7, 6, 5, 4), {0xF0, 0x5B, 99, 0x5B, 9, 8, 6, 5, 4, 0xF7}},
        {frame(16, 0, 48, 1, 2, 3, 4), {0xF0, 0x5B, 16, 0x5B, 0, 48, 0x55, 3, 4, 0xF7}},
        {frame(17, 0x0F, 0, 1, 0x42, 3), {0xF0, 0x5B, 17, 0x5B, 0x0F, 0, 0x42, 3, 0, 0xF7}},
        {frame(16, 0x0F, 0), {0xF0, 0x5B, 16, 0x5B, 0x0F, 0, 0x42, 0, 0, 0xF7}},
        {frame(7, 1, 5, 2, 217, 3, 30), {0xF0, 0x5B, 7, 0x5B, 1, 5, 217, 3, 30, 0xF7}},
        {frame(10, 2, 7, 3, 0, 2), {0xF0, 0x5B, 10, 0x5B, 2, 7, 0, 2, 0, 0xF7}},
        {frame(49, 1, 0, 0, 1, 1), {0xF0, 0x5B, 49, 0x5B, 1, 0, 1, 1, 0, 0xF7}},
        {frame(48), {}},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(b.send(in), out) << int(in[2]);
    }
    const Image& im = b.unit.runningImage();
    EXPECT_EQ(bytes(std::span(im).subspan(128, 4)), (Bytes{30, 2, 217, 3}));  // Right filter 5
    EXPECT_EQ(bytes(std::span(im).subspan(156, 4)), (Bytes{7, 3, 0, 2}));     // Right section
    EXPECT_EQ(bytes(std::span(im).subspan(100, 2)), (Bytes{1, 1}));           // Right release
    EXPECT_EQ(b.send(frame(11, 255)), bytes(im));
}

TEST(UnitPresets, ReadBlockMakesPresetPTheRunningImage) {
    Bench b(Config{.userPresets = {9}});
    ASSERT_NE(b.unit.runningImage(), fixedPreset(2));
    const std::tuple<std::uint8_t, Image, const char*> cases[] = {
        {2, fixedPreset(2), "Preset03"},
        {255, fixedPreset(2), "Preset03"},  // no such preset: the running image as it is
        {8, userSlotImage(4), "Stage 09"},
        {5, plainImage(), "Stage 09"},  // an empty slot
    };
    for (const auto& [p, image, name] : cases) {
        EXPECT_EQ(b.send(frame(11, p)), bytes(image)) << int(p);
        EXPECT_EQ(b.unit.runningImage(), image);
        EXPECT_EQ(bytes(std::span(b.unit.memory()).subspan(kCurrentNameBase, 8)),
                  Bytes(name, name + 8));
    }
}

TEST(UnitSearch, OneReportPerAcknowledgementThenGainReportsUntilStopped) {
    Bench b;
    EXPECT_EQ(b.send(frame(10, 1, 2, 2, 0, 6, 1)).size(), 10u);  // Left, 2 automatic, Q 2
    std::vector<Bytes> r;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(b.advance(699ms).empty());
        r.push_back(b.advance(1ms));
        ASSERT_EQ(r[i].size(), 10u);
        EXPECT_TRUE(b.advance(1h).empty());  // nothing before the acknowledgement
        EXPECT_TRUE(b.send(frame(48)).empty());
    }
    EXPECT_EQ(bytes(r[0]), (Bytes{0xFE, 0, 0, r[0][3], r[0][4], 2, r[0][6], 0, 0, 0}));
    EXPECT_EQ(bytes(std::span(r[1]).first(3)), (Bytes{0xFE, 0, 1}));
    EXPECT_EQ(r[2][0], 0xFD);  // every filter placed: deeper gains follow
    EXPECT_LT(r[2][6], r[r[2][2]][6]);
    b.send(frame(10, 1, 2, 2, 0, 6, 0));  // stop
    EXPECT_FALSE(b.unit.searching());
    EXPECT_TRUE(b.send(frame(48)).empty() && b.advance(1h).empty());
}

TEST(UnitFaults, EachKindShapesTheReplyToItsFrame) {
    using F = FaultKind;
    // What leaves for the faulted probe: junk or a report, the reply or its start, junk.
    const struct {
        Fault fault;
        std::size_t before, kept, after;
    } cases[] = {{{F::NoReply, 1, 0}, 0, 0, 0},        {{F::ShortReply, 1, 4}, 0, 4, 0},
                 {{F::ExtraBytes, 1, 3}, 0, 10, 3},    {{F::Garbage, 1, 2}, 2, 10, 0},
                 {{F::ReportBefore, 1, 0}, 10, 10, 0}, {{F::Delay, 1, 250}, 0, 10, 0},
                 {{F::DieAfter, 1, 0}, 0, 10, 0},      {{F::HangUpAfter, 1, 0}, 0, 10, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault.kind));
        Bench b(Config{.faults = {c.fault}});
        Bytes out = b.send(frame(0));
        if (c.fault.kind == F::Delay) {
            EXPECT_TRUE(out.empty() && b.advance(249ms).empty());
            out = b.advance(1ms);
        }
        ASSERT_EQ(out.size(), c.before + c.kept + c.after);
        EXPECT_EQ(bytes(std::span(out).subspan(c.before, c.kept)),
                  bytes(std::span(kProbeReply).first(c.kept)));
        const bool lineEnds = c.fault.kind == F::DieAfter || c.fault.kind == F::HangUpAfter;
        EXPECT_EQ(b.send(frame(0)).size(), lineEnds ? 0u : 10u);
        EXPECT_EQ(b.unit.hangUpDue(), c.fault.kind == F::HangUpAfter);
    }

    // Junk halfway between the search reports.
    Bench b(Config{.faults = {{F::SearchGarbage, 0, 4}}});
    b.send(frame(10, 1, 3, 2, 0, 6, 1));
    EXPECT_TRUE(b.advance(349ms).empty());
    EXPECT_EQ(b.advance(1ms).size(), 4u);
    EXPECT_EQ(b.advance(350ms).at(0), 0xFE);
}

TEST(UnitPaced, BytesTravelAt4800Baud) {
    using Seconds = std::chrono::duration<double>;
    Bench b(Config{.paced = true});
    const TimePoint sent = b.now;
    EXPECT_TRUE(b.send(frame(11, 255)).empty());  // the frame is still on the line
    std::vector<TimePoint> times;
    for (auto wake = b.unit.nextWake(); wake; wake = b.unit.nextWake()) {
        b.now = *wake;
        times.insert(times.end(), b.unit.takeOutput(b.now).size(), b.now);
    }
    ASSERT_EQ(times.size(), 160u);
    EXPECT_NEAR(Seconds(times.front() - sent).count(), 11 / 480.0, 1e-6);  // 10 bytes in, 1 out
    EXPECT_NEAR(Seconds(times.back() - times.front()).count(), 159 / 480.0, 1e-6);
}

TEST(Options, OptionsReachTheConfigAndBadOnesAreRefused) {
    const Config c = parseOptions({"--presets", "9,5,9", "--short", "2:4"}).options.config;
    EXPECT_EQ(c.userPresets, (std::vector<int>{9, 5}));
    EXPECT_EQ(std::tuple(c.faults.at(0).kind, c.faults.at(0).frame, c.faults.at(0).amount),
              std::tuple(FaultKind::ShortReply, 2u, 4u));
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--presets", "4"}, {"--presets", "5,"}, {"--short", "3"}, {"--paced=1"}, {"--x"}}) {
        EXPECT_NE(parseOptions(bad).error, "") << bad[0];
    }
}

TEST(PtyServer, AProbeRoundTripThenTheHangUp) {
    PtyServer server(Config{.faults = {{FaultKind::HangUpAfter, 1, 0}}});
    const int fd = ::open(server.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    EXPECT_EQ(::write(fd, frame(0).data(), 10), 10);
    // Reads until the line ends: the reply, then end of data or EIO.
    Bytes in(11);
    std::size_t got = 0;
    ssize_t n = 1;
    for (pollfd p{fd, POLLIN, 0}; n > 0 && poll(&p, 1, 2000) > 0; p.revents = 0) {
        n = ::read(fd, in.data() + got, in.size() - got);
        got += static_cast<std::size_t>(std::max<ssize_t>(n, 0));
    }
    EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO));
    EXPECT_EQ(Bytes(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(got)), kProbeReply);
    EXPECT_EQ(server.receivedFrames(), std::vector<Frame>{frame(0)});
    EXPECT_TRUE(server.waitForHangUp(2s));
    ::close(fd);
}

}  // namespace
}  // namespace vxsim
