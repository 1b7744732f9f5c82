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

// The report must be valid and mirrored in the running image.
void expectInImage(const Unit& u, const Bytes& report) {
    ASSERT_EQ(report.size(), 10u);
    ASSERT_LT(report[2], 12);
    EXPECT_EQ(Bytes(report.begin() + 7, report.end()), Bytes(3, 0));
    const std::size_t r = notchOffset(report[1], report[2]);
    EXPECT_EQ(u.runningImage()[r], report[6]);
    if (report[0] == 0xFE) {
        EXPECT_LE(report[3] << 8 | report[4], 729);
        EXPECT_GE(report[6], 15);
        EXPECT_LE(report[6], 39);
        EXPECT_EQ(u.runningImage()[r + 1], report[3]);
        EXPECT_EQ(u.runningImage()[r + 2], report[4]);
        EXPECT_EQ(u.runningImage()[r + 3], report[5]);
    } else {
        EXPECT_EQ(report[0], 0xFD);
        EXPECT_EQ(Bytes(report.begin() + 3, report.begin() + 6), Bytes(3, 0));
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
    EXPECT_EQ(first[5], 1);
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
    std::array<int, 3> gain{};
    std::size_t count = 0;
    for (Bytes r = b.advance(kInterval); !r.empty() && count < 200; r = ackAndWait(b), ++count) {
        ASSERT_NO_FATAL_FAILURE(expectInImage(b.unit, r));
        EXPECT_EQ(r[1], 1);
        ASSERT_LT(r[2], 3);
        if (count < 3) {
            EXPECT_EQ(r[0], 0xFE);
            EXPECT_EQ(r[2], count);
            EXPECT_EQ(r[5], 3);
        } else {
            EXPECT_EQ(r[0], 0xFD);
            EXPECT_LT(r[6], gain[r[2]]);
        }
        gain[r[2]] = r[6];
    }
    EXPECT_GT(count, 3u);
    EXPECT_EQ(gain, (std::array<int, 3>{0, 0, 0}));
    // The Left channel was not touched.
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

    // A new search starts again at the first filter.
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
            expectInImage(b.unit, r);
            all.insert(all.end(), r.begin(), r.end());
        }
        return all;
    };
    EXPECT_EQ(firstReports(3), firstReports(3));
    EXPECT_NE(firstReports(3), firstReports(4));
}

}  // namespace
}  // namespace vxsim::test
