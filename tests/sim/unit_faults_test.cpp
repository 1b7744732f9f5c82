#include <gtest/gtest.h>

#include "sim_test_util.h"

namespace vxsim::test {
namespace {

const Bytes kProbeReply{0xF0, 0x5B, 0, 0x5B, 0, 0, 0, 0, 0, 0xF7};

Bench withFault(FaultKind kind, std::size_t frameNumber, std::size_t amount = 0) {
    return Bench(Config{.faults = {{kind, frameNumber, amount}}});
}

TEST(UnitFaults, NoReply) {
    Bench b = withFault(FaultKind::NoReply, 2);
    EXPECT_EQ(b.send(frame(0)), kProbeReply);
    EXPECT_TRUE(b.send(frame(0)).empty());
    EXPECT_EQ(b.send(frame(0)), kProbeReply);

    // A silent unit hears and acts, but sends nothing, not even search reports.
    Bench silent = withFault(FaultKind::NoReply, 0);
    EXPECT_TRUE(silent.send(frame(17, 0, 5, 0, 9)).empty());
    EXPECT_TRUE(silent.send(frame(10, 1, 3, 2, 0, 6, 1)).empty());
    EXPECT_TRUE(silent.advance(1h).empty());
    EXPECT_EQ(silent.unit.receivedFrames().size(), 2u);
    EXPECT_EQ(silent.unit.memoryByte(5), 9);
}

TEST(UnitFaults, ShortGarbageAndExtraShapeTheReply) {
    Bench shortReply = withFault(FaultKind::ShortReply, 1, 4);
    EXPECT_EQ(shortReply.send(frame(0)), Bytes(kProbeReply.begin(), kProbeReply.begin() + 4));
    EXPECT_EQ(shortReply.send(frame(0)), kProbeReply);

    Bench shortBlock = withFault(FaultKind::ShortReply, 1, 100);
    EXPECT_EQ(shortBlock.send(frame(11, 255)).size(), 100u);

    // Faults on one frame combine: junk, the cut reply, junk.
    Bench all(Config{.faults = {{FaultKind::ShortReply, 1, 6},
                                {FaultKind::Garbage, 1, 2},
                                {FaultKind::ExtraBytes, 1, 3}}});
    const Bytes out = all.send(frame(0));
    ASSERT_EQ(out.size(), 11u);
    EXPECT_EQ(Bytes(out.begin() + 2, out.begin() + 8),
              Bytes(kProbeReply.begin(), kProbeReply.begin() + 6));
}

TEST(UnitFaults, DelayHoldsTheReply) {
    Bench b = withFault(FaultKind::Delay, 2, 250);
    EXPECT_EQ(b.send(frame(0)), kProbeReply);
    EXPECT_TRUE(b.send(frame(0)).empty());
    EXPECT_EQ(b.unit.nextWake(), b.now + 250ms);
    EXPECT_TRUE(b.advance(249ms).empty());
    EXPECT_EQ(b.advance(1ms), kProbeReply);
}

TEST(UnitFaults, GainReportBeforeReply) {
    Bench b = withFault(FaultKind::ReportBefore, 1);
    const std::uint8_t gain = b.unit.runningImage()[notchOffset(0, 0)];
    ASSERT_GT(gain, 0);
    const Bytes out = b.send(frame(16, 0, 112));
    ASSERT_EQ(out.size(), 20u);
    const std::uint8_t deeper = static_cast<std::uint8_t>(gain - 1);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 10), (Bytes{0xFD, 0, 0, 0, 0, 0, deeper, 0, 0, 0}));
    EXPECT_EQ(out[10], 0xF0);
    EXPECT_EQ(out[16], 'P');
    EXPECT_EQ(b.unit.runningImage()[notchOffset(0, 0)], deeper);
}

TEST(UnitFaults, DeadLineAfterNFrames) {
    Bench b = withFault(FaultKind::DieAfter, 2);
    EXPECT_EQ(b.send(frame(0)), kProbeReply);
    EXPECT_EQ(b.send(frame(10, 1, 3, 2, 0, 6, 1)).size(), 10u);  // starts a search
    EXPECT_TRUE(b.unit.lineDead());
    EXPECT_TRUE(b.send(frame(17, 0, 5, 0, 9)).empty());
    EXPECT_TRUE(b.advance(1h).empty());
    EXPECT_EQ(b.unit.receivedFrames().size(), 2u);
    EXPECT_EQ(b.unit.memoryByte(5), 0xFF);
    EXPECT_FALSE(b.unit.hangUpDue());
}

TEST(UnitFaults, HangUpWaitsForTheLastReply) {
    Bench b(Config{.faults = {{FaultKind::HangUpAfter, 1, 0}, {FaultKind::Delay, 1, 100}}});
    EXPECT_FALSE(b.unit.hangUpDue());
    EXPECT_TRUE(b.send(frame(0)).empty());
    EXPECT_FALSE(b.unit.hangUpDue());
    EXPECT_EQ(b.advance(100ms), kProbeReply);
    EXPECT_TRUE(b.unit.hangUpDue());

    Bench atOnce = withFault(FaultKind::HangUpAfter, 0);
    EXPECT_TRUE(atOnce.unit.hangUpDue());
}

TEST(UnitFaults, JunkHalfwayBetweenSearchReports) {
    Bench b = withFault(FaultKind::SearchGarbage, 0, 4);
    b.send(frame(10, 1, 3, 2, 0, 6, 1));
    EXPECT_TRUE(b.advance(349ms).empty());
    EXPECT_EQ(b.advance(1ms).size(), 4u);
    const Bytes report = b.advance(350ms);
    ASSERT_EQ(report.size(), 10u);
    EXPECT_EQ(report[0], 0xFE);
    b.send(frame(48));
    EXPECT_EQ(b.advance(350ms).size(), 4u);
    EXPECT_EQ(b.advance(350ms)[0], 0xFE);
}

// Times at which each output byte leaves, stepping the clock to each wake-up.
std::vector<TimePoint> emissionTimes(Bench& b, std::size_t count) {
    std::vector<TimePoint> times;
    while (times.size() < count) {
        const auto wake = b.unit.nextWake();
        if (!wake) {
            break;
        }
        b.now = std::max(b.now, *wake);
        for (std::size_t n = b.unit.takeOutput(b.now).size(); n > 0; --n) {
            times.push_back(b.now);
        }
    }
    return times;
}

constexpr double kByteSeconds = 1.0 / 480.0;

double seconds(TimePoint::duration d) {
    return std::chrono::duration<double>(d).count();
}

TEST(UnitPaced, BytesTravelAt4800Baud) {
    Bench b(Config{.paced = true});
    const TimePoint sent = b.now;
    EXPECT_TRUE(b.send(frame(11, 255)).empty());  // the frame is still on the line
    const std::vector<TimePoint> times = emissionTimes(b, 160);
    ASSERT_EQ(times.size(), 160u);
    // Ten frame bytes in, then the first reply byte out: eleven byte times.
    EXPECT_NEAR(seconds(times.front() - sent), 11 * kByteSeconds, 1e-6);
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_NEAR(seconds(times[i] - times[i - 1]), kByteSeconds, 1e-6) << i;
    }
}

TEST(UnitPaced, SlowInputIsNotDelayedFurther) {
    Bench b(Config{.paced = true});
    const Frame probe = frame(0);
    for (std::uint8_t byte : probe) {
        b.now += 10ms;
        b.unit.receive(Bytes{byte}, b.now);
    }
    const TimePoint last = b.now;
    const std::vector<TimePoint> times = emissionTimes(b, 10);
    ASSERT_EQ(times.size(), 10u);
    // The last frame byte completes one byte time after it was written, the reply follows.
    EXPECT_NEAR(seconds(times.front() - last), 2 * kByteSeconds, 1e-6);
    EXPECT_NEAR(seconds(times.back() - last), 11 * kByteSeconds, 1e-6);
}

}  // namespace
}  // namespace vxsim::test
