#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/link/converters.h"
#include "core/shell/tables.h"

namespace vx470 {
namespace {

TEST(FrequencySearch, ExactEntriesAndNeighbours) {
    EXPECT_EQ(FrequencyToIndex(20), 0);
    EXPECT_EQ(FrequencyToIndex(20000), 729);
    EXPECT_EQ(FrequencyToIndex(247.9), 266);
    // 1000 Hz: 993.6 is 6.4 away, 1003 is 3 away.
    EXPECT_EQ(FrequencyToIndex(1000), 413);
    EXPECT_EQ(SnapToFrequencyGrid(1000), 1003.0);
    EXPECT_EQ(FrequencyToIndex(995), 412);
    EXPECT_EQ(SnapToFrequencyGrid(995), 993.6);
    EXPECT_EQ(SnapToFrequencyGrid(19950), 19900.0);  // the closer-spaced top entries
    EXPECT_EQ(SnapToFrequencyGrid(19960), 20000.0);
}

TEST(FrequencySearch, ExactlyHalfWayTakesTheLowerEntry) {
    // 1012 and 1022 are entries 414 and 415.
    EXPECT_EQ(FrequencyToIndex(1017), 414);
    EXPECT_EQ(SnapToFrequencyGrid(1017), 1012.0);
    // 19859 and 19900 (727, 728): 19879.5; and 19900/20000: 19950.
    EXPECT_EQ(FrequencyToIndex(19879.5), 727);
    EXPECT_EQ(FrequencyToIndex(19950), 728);
    EXPECT_EQ(FrequencyToIndex(19950.001), 729);
}

TEST(FrequencySearch, OutsideTheGridGivesTheEnds) {
    EXPECT_EQ(FrequencyToIndex(5), 0);
    EXPECT_EQ(FrequencyToIndex(-1), 0);
    EXPECT_EQ(FrequencyToIndex(25000), 729);
    EXPECT_EQ(FrequencyToIndex(std::numeric_limits<double>::infinity()), 729);
    EXPECT_EQ(FrequencyToIndex(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(GainToIndex, NearestWholeDecibelLowerOnTies) {
    EXPECT_EQ(GainToIndex(0), 45);
    EXPECT_EQ(GainToIndex(-45), 0);
    EXPECT_EQ(GainToIndex(-10.5), 34);  // -11 dB
    EXPECT_EQ(GainToIndex(-10.4), 35);
    EXPECT_EQ(GainToIndex(-44.5), 0);
    EXPECT_EQ(GainToIndex(-0.5), 44);
    EXPECT_EQ(GainToIndex(3), 45);
    EXPECT_EQ(GainToIndex(-50), 0);
}

TEST(NearestSensitivity, ClampsAndTies) {
    EXPECT_EQ(NearestSensitivity(0), 1);
    EXPECT_EQ(NearestSensitivity(-7), 1);
    EXPECT_EQ(NearestSensitivity(1), 1);
    EXPECT_EQ(NearestSensitivity(7), 7);
    EXPECT_EQ(NearestSensitivity(7.5), 7);
    EXPECT_EQ(NearestSensitivity(7.51), 8);
    EXPECT_EQ(NearestSensitivity(16), 16);
    EXPECT_EQ(NearestSensitivity(20), 16);
}

TEST(PutLongBE, BigEndianBytes) {
    ByteScratchBuffer s{};
    PutLongBE(266, 0, s);
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(s[2], 1);
    EXPECT_EQ(s[3], 10);
    PutLongBE(729, 0, s);
    EXPECT_EQ(s[2], 2);
    EXPECT_EQ(s[3], 217);
    PutLongBE(3999, 0, s);
    EXPECT_EQ(s[2], 0x0F);
    EXPECT_EQ(s[3], 0x9F);
    PutLongBE(0x01020304, 4, s);
    EXPECT_EQ(s[4], 1);
    EXPECT_EQ(s[7], 4);
}

TEST(PutLongBE, RoundsHalvesToEvenAndStaysInBounds) {
    ByteScratchBuffer s{};
    PutLongBE(10.5, 0, s);
    EXPECT_EQ(s[3], 10);
    PutLongBE(11.5, 0, s);
    EXPECT_EQ(s[3], 12);
    s.fill(7);
    PutLongBE(1, 37, s);  // would run past the 40 bytes: nothing is written
    EXPECT_EQ(s[37], 7);
    EXPECT_EQ(s[39], 7);
}

TEST(Log10, MatchesTheGraphScale) {
    EXPECT_NEAR(575.0 / (Log10(20000) - Log10(20)), 191.6666666666667, 1e-9);
    EXPECT_DOUBLE_EQ(Log10(1000), std::log(1000.0) / std::log(10.0));
}

}  // namespace
}  // namespace vx470
