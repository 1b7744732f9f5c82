#include <gtest/gtest.h>

#include <set>

#include "sim_test_util.h"

namespace vxsim::test {
namespace {

constexpr auto kInterval = 700ms;

// Starts a search: channel code, num auto, auto Q.
Bytes start(Bench& b, std::uint8_t code, std::uint8_t numAuto, std::uint8_t q) {
    return b.send(frame(10, code, numAuto, q, 0, 6, 1));
}

// Acknowledges the last report and waits one interval for the next.
Bytes ackAndWait(Bench& b) {
    EXPECT_TRUE(b.send(frame(48)).empty());
    return b.advance(kInterval);
}

// The report must be mirrored in the running image.
void expectInImage(const Unit& u, const Bytes& report) {
    ASSERT_EQ(report.size(), 10u);
    const std::size_t r = notchOffset(report[1], report[2]);
    EXPECT_EQ(u.runningImage()[r], report[6]);
    if (report[0] == 0xFE) {
        EXPECT_EQ(u.runningImage()[r + 1], report[3]);
        EXPECT_EQ(u.runningImage()[r + 2], report[4]);
        EXPECT_EQ(u.runningImage()[r + 3], report[5]);
    }
}

TEST(UnitSearch, OneReportPerAcknowledgement) {
    Bench b;
    EXPECT_EQ(start(b, 1, 4, 1).size(), 10u);
    EXPECT_TRUE(b.unit.searching());
    EXPECT_TRUE(b.advance(kInterval - 1ms).empty());
    const Bytes first = b.advance(1ms);
    ASSERT_EQ(first.size(), 10u);
    EXPECT_EQ(first[0], 0xFE);
    EXPECT_EQ(first[1], 0);
    EXPECT_EQ(first[2], 0);
    EXPECT_LE(first[3] << 8 | first[4], 729);
    EXPECT_EQ(first[5], 1);
    EXPECT_GE(first[6], 15);
    EXPECT_LE(first[6], 39);
    EXPECT_EQ(Bytes(first.begin() + 7, first.end()), Bytes(3, 0));
    expectInImage(b.unit, first);

    EXPECT_TRUE(b.advance(1h).empty());  // nothing without an acknowledgement
    EXPECT_TRUE(b.send(frame(48)).empty());
    EXPECT_TRUE(b.advance(kInterval - 1ms).empty());
    const Bytes second = b.advance(1ms);
    ASSERT_EQ(second.size(), 10u);
    EXPECT_EQ(second[2], 1);
}

TEST(UnitSearch, PlacesEveryAutomaticNotchThenDeepensToTheBottom) {
    Bench b;
    start(b, 2, 3, 3);
    const Image leftBefore = b.unit.runningImage();
    std::vector<Bytes> reports{b.advance(kInterval)};
    for (int i = 0; i < 200; ++i) {
        const Bytes next = ackAndWait(b);
        if (next.empty()) {
            break;
        }
        reports.push_back(next);
    }
    ASSERT_GT(reports.size(), 3u);
    std::array<int, 3> gain{};
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const Bytes& r = reports[i];
        ASSERT_EQ(r.size(), 10u);
        EXPECT_EQ(r[1], 1);
        ASSERT_LT(r[2], 3);
        if (i < 3) {
            EXPECT_EQ(r[0], 0xFE);
            EXPECT_EQ(r[2], i);
            EXPECT_EQ(r[5], 3);
        } else {
            EXPECT_EQ(r[0], 0xFD);
            EXPECT_LT(r[6], gain[r[2]]);
        }
        gain[r[2]] = r[6];
    }
    EXPECT_EQ(gain, (std::array<int, 3>{0, 0, 0}));
    // The image holds the last report of each filter; the Left channel was not touched.
    for (std::size_t f = 0; f < 3; ++f) {
        EXPECT_EQ(b.unit.runningImage()[notchOffset(1, f)], 0);
    }
    EXPECT_TRUE(
        std::equal(leftBefore.begin(), leftBefore.begin() + 80, b.unit.runningImage().begin()));
    EXPECT_TRUE(b.unit.searching());
}

TEST(UnitSearch, BothChannelsTakeTurns) {
    Bench b;
    start(b, 0, 2, 2);
    std::set<std::pair<int, int>> placed;
    Bytes r = b.advance(kInterval);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(r[0], 0xFE);
        expectInImage(b.unit, r);
        placed.insert({r[1], r[2]});
        r = ackAndWait(b);
    }
    EXPECT_EQ(placed, (std::set<std::pair<int, int>>{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
    EXPECT_EQ(r[0], 0xFD);
    expectInImage(b.unit, r);
}

TEST(UnitSearch, StopEndsIt) {
    Bench b;
    start(b, 1, 4, 2);
    ASSERT_EQ(b.advance(kInterval).size(), 10u);
    EXPECT_EQ(b.send(frame(10, 1, 4, 2, 0, 6, 0)).size(), 10u);
    EXPECT_FALSE(b.unit.searching());
    EXPECT_TRUE(ackAndWait(b).empty());
    EXPECT_TRUE(b.advance(1h).empty());

    // A stop before the first report leaves nothing behind either.
    start(b, 1, 4, 2);
    b.advance(kInterval / 2);
    b.send(frame(10, 1, 4, 2, 0, 6, 0));
    EXPECT_TRUE(b.advance(1h).empty());
}

TEST(UnitSearch, RestartBeginsAgainAtTheFirstFilter) {
    Bench b;
    start(b, 1, 4, 2);
    b.advance(kInterval);
    ASSERT_EQ(ackAndWait(b)[2], 1);
    start(b, 1, 4, 2);
    EXPECT_EQ(b.advance(kInterval)[2], 0);
}

TEST(UnitSearch, SeedDecidesThePlacement) {
    auto firstReports = [](std::uint64_t seed) {
        Bench b(Config{.seed = seed});
        start(b, 0, 6, 2);
        Bytes all = b.advance(kInterval);
        for (int i = 0; i < 11; ++i) {
            const Bytes r = ackAndWait(b);
            all.insert(all.end(), r.begin(), r.end());
        }
        return all;
    };
    EXPECT_EQ(firstReports(3), firstReports(3));
    EXPECT_NE(firstReports(3), firstReports(4));
}

TEST(UnitSearch, IntervalIsConfigurable) {
    Bench b(Config{.searchInterval = 50ms});
    start(b, 1, 2, 2);
    EXPECT_TRUE(b.advance(49ms).empty());
    EXPECT_EQ(b.advance(1ms).size(), 10u);
    EXPECT_TRUE(b.send(frame(48)).empty());
    EXPECT_EQ(b.advance(50ms).size(), 10u);
}

TEST(UnitSearch, AckWithoutReportIsHarmless) {
    Bench b;
    const Image before = b.unit.runningImage();
    EXPECT_TRUE(b.send(frame(48)).empty());
    EXPECT_TRUE(b.advance(1h).empty());
    EXPECT_EQ(b.unit.runningImage(), before);
}

}  // namespace
}  // namespace vxsim::test
