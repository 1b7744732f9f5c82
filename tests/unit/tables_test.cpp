#include <gtest/gtest.h>

#include "core/model/channel_state.h"
#include "core/model/preset_image.h"
#include "core/shell/tables.h"

namespace vx470 {
namespace {

// The grid is transcribed, not computed: a slip shifts every code after it. Its ordering
// and ends are checked at compile time; these are the landmarks the program relies on.
TEST(Tables, FrequencyGridLandmarks) {
    EXPECT_EQ(FrequencyGrid.size(), 730u);
    const std::pair<std::size_t, double> marks[] = {{1, 20.05},  {266, 247.9}, {412, 993.6},
                                                    {413, 1003}, {486, 2008},  {727, 19859},
                                                    {728, 19900}};
    for (auto [i, hz] : marks) EXPECT_EQ(FrequencyGrid[i], hz) << i;
}

TEST(Tables, DefaultImageIsOneBlockForBothChannels) {
    for (std::size_t i = 0; i < 80; ++i) EXPECT_EQ(DefaultImage[i], DefaultImage[i + 80]) << i;
    EXPECT_EQ(DefaultImage[17], 36);
    for (std::size_t i = 20; i < 28; ++i) EXPECT_EQ(DefaultImage[i], 0) << i;
    for (int o : NotchOffset) {
        const auto r = static_cast<std::size_t>(o);
        EXPECT_EQ(DefaultImage[r], 45);                                   // 0 dB
        EXPECT_EQ(DefaultImage[r + 1] * 256 + DefaultImage[r + 2], 266);  // 247.9 Hz
        EXPECT_EQ(DefaultImage[r + 3], 2);
    }
    EXPECT_EQ(DefaultImage[156], 11);
    EXPECT_EQ(DefaultImage[159], 6);
}

TEST(ImageLayout, NotchOffsetsJumpOverTheRightBlocksHead) {
    for (int n = 0; n < kNotches; ++n)
        EXPECT_EQ(NotchOffset[static_cast<std::size_t>(n)],
                  ChannelOfNotch(n) * 80 + 28 + 4 * FilterOfNotch(n))
            << n;
    EXPECT_EQ(PartnerNotch(3), 15);
    EXPECT_EQ(PartnerNotch(15), 3);
}

TEST(CompareChannels, AnyBlockByteCountsButTheSpareByteDoesNot) {
    ChannelState s;
    std::copy(DefaultImage.begin(), DefaultImage.end(), s.image.begin());
    s.image[160] = 99;
    s.CompareChannels();
    EXPECT_FALSE(s.ChannelsDiffer);
    for (std::size_t i : {80u, 159u}) {
        s.image[i] ^= 1;  // the first (never decoded) and the last byte of the Right block
        s.CompareChannels();
        EXPECT_TRUE(s.ChannelsDiffer) << i;
        s.image[i] ^= 1;
    }
}

}  // namespace
}  // namespace vx470
