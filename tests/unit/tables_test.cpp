#include <gtest/gtest.h>

#include <cmath>

#include "core/model/preset_image.h"
#include "core/shell/tables.h"

namespace vx470 {
namespace {

TEST(FrequencyGrid, EndsAndLandmarks) {
    ASSERT_EQ(FrequencyGrid.size(), 730u);
    EXPECT_EQ(FrequencyGrid[0], 20.0);
    EXPECT_EQ(FrequencyGrid[1], 20.05);
    EXPECT_EQ(FrequencyGrid[266], 247.9);
    EXPECT_EQ(FrequencyGrid[412], 993.6);
    EXPECT_EQ(FrequencyGrid[413], 1003.0);
    EXPECT_EQ(FrequencyGrid[727], 19859.0);
    EXPECT_EQ(FrequencyGrid[728], 19900.0);
    EXPECT_EQ(FrequencyGrid[729], 20000.0);
}

TEST(FrequencyGrid, OneDecimalBelowOneKilohertzWholeAbove) {
    for (std::size_t i = 0; i < FrequencyGrid.size(); ++i) {
        const double tenths = FrequencyGrid[i] * 10.0;
        if (i == 1) continue;  // 20.05, the one entry with two decimals
        if (i <= 412) {
            EXPECT_NEAR(tenths, std::round(tenths), 1e-6) << i;
        } else {
            EXPECT_EQ(FrequencyGrid[i], std::round(FrequencyGrid[i])) << i;
        }
    }
}

TEST(ValueTables, TextsAndFactors) {
    EXPECT_EQ(QNames[0], "1/70");
    EXPECT_EQ(QNames[3], "1/5");
    EXPECT_EQ(AttenuationNames[1], "Variable");
    EXPECT_EQ(ReleaseNames[0], "Slow");
    EXPECT_EQ(ModeSearchNames[0], "Sharp");
    EXPECT_EQ(ModeSearchNames[1], "Fast");
    ASSERT_EQ(DefaultPresetNames.size(), 16u);
    EXPECT_EQ(DefaultPresetNames[0], "Preset01");
    EXPECT_EQ(DefaultPresetNames[15], "Preset16");
    EXPECT_EQ(QFactors[0], 100.989);
    EXPECT_EQ(QFactors[3], 7.2);
}

TEST(DefaultImage, BothHalvesHoldTheSameBlock) {
    for (std::size_t i = 0; i < 80; ++i) EXPECT_EQ(DefaultImage[i], DefaultImage[i + 80]) << i;
    for (int c = 0; c < 2; ++c) {
        const auto ch = static_cast<std::size_t>(c);
        EXPECT_EQ(DefaultImage[static_cast<std::size_t>(NumAutoOffset[ch])], 11);
        EXPECT_EQ(DefaultImage[static_cast<std::size_t>(QAutoOffset[ch])], 2);
        EXPECT_EQ(DefaultImage[static_cast<std::size_t>(AttenuationOffset[ch])], 0);
        EXPECT_EQ(DefaultImage[static_cast<std::size_t>(SensitivityOffset[ch])], 6);
        for (std::size_t i = 20; i < 28; ++i) EXPECT_EQ(DefaultImage[80 * ch + i], 0) << i;
    }
    // Every notch: 0 dB at index 266 (bytes 1 and 10), Q code 2.
    for (int o : NotchOffset) {
        const auto r = static_cast<std::size_t>(o);
        EXPECT_EQ(DefaultImage[r], 45);
        EXPECT_EQ(DefaultImage[r + 1] * 256 + DefaultImage[r + 2], 266);
        EXPECT_EQ(DefaultImage[r + 3], 2);
    }
    EXPECT_EQ(DefaultImage[0], 30);
    EXPECT_EQ(DefaultImage[17], 36);
}

}  // namespace
}  // namespace vx470
