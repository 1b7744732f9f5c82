#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/link/converters.h"
#include "core/shell/tables.h"

namespace vx470 {
namespace {

TEST(FrequencySearch, NearestEntryLowerOnTiesEndsOutside) {
    const std::pair<double, int> cases[] = {
        {20, 0},          {20000, 729}, {247.9, 266},
        {1000, 413},      {995, 412},   {1017, 414},  // half-way between 1012 and 1022
        {19879.5, 727},   {19950, 728}, {19950.001, 729},
        {5, 0},           {25000, 729}, {std::numeric_limits<double>::infinity(), 729},
        {std::nan(""), 0}};
    for (auto [hz, index] : cases) {
        EXPECT_EQ(FrequencyToIndex(hz), index) << hz;
        EXPECT_EQ(SnapToFrequencyGrid(hz), FrequencyGrid[static_cast<std::size_t>(index)]) << hz;
    }
}

TEST(GainAndSensitivity, NearestWholeValueLowerOnTies) {
    const std::pair<double, int> gains[] = {{0, 45},    {-45, 0}, {-10.5, 34}, {-10.4, 35},
                                            {-0.5, 44}, {3, 45},  {-50, 0}};
    for (auto [db, code] : gains) EXPECT_EQ(GainToIndex(db), code) << db;
    const std::pair<double, int> sensitivities[] = {{-7, 1}, {0, 1}, {7.5, 7}, {7.51, 8}, {20, 16}};
    for (auto [x, s] : sensitivities) EXPECT_EQ(NearestSensitivity(x), s) << x;
}

TEST(PutLongBE, BigEndianRoundedHalfToEvenAndBounded) {
    ByteScratchBuffer s{};
    const std::pair<double, std::array<int, 2>> cases[] = {
        {266, {1, 10}}, {729, {2, 217}}, {3999, {0x0F, 0x9F}}, {10.5, {0, 10}}, {11.5, {0, 12}}};
    for (auto [x, bytes] : cases) {
        PutLongBE(x, 0, s);
        EXPECT_EQ(s[2], bytes[0]) << x;
        EXPECT_EQ(s[3], bytes[1]) << x;
    }
    s.fill(7);
    PutLongBE(1, 37, s);  // would run past the 40 bytes: nothing is written
    EXPECT_EQ(s[39], 7);
}

TEST(Log10, GivesTheGraphScale) {
    EXPECT_NEAR(575.0 / (Log10(20000) - Log10(20)), 191.6666666666667, 1e-9);
}

}  // namespace
}  // namespace vx470
