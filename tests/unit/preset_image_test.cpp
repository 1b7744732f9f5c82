#include <gtest/gtest.h>

#include "core/model/channel_state.h"
#include "core/shell/tables.h"

namespace vx470 {
namespace {

TEST(ImageLayout, OffsetsFollowTheChannelBlock) {
    for (int n = 0; n < kNotches; ++n) {
        const int expected = ChannelOfNotch(n) * 80 + 28 + 4 * FilterOfNotch(n);
        EXPECT_EQ(NotchOffset[static_cast<std::size_t>(n)], expected) << n;
    }
    EXPECT_EQ(NotchOffset[11], 72);
    EXPECT_EQ(NotchOffset[12], 108);
    EXPECT_EQ(NotchOffset[17], 128);
    EXPECT_EQ(ReleaseOffset[1], 100);
    EXPECT_EQ(ModeSearchOffset[1], 101);
    EXPECT_EQ(SensitivityOffset[1], 159);
    EXPECT_EQ(PartnerNotch(3), 15);
    EXPECT_EQ(PartnerNotch(15), 3);
    static_assert(sizeof(PresetImage) == 161);
}

TEST(CompareChannels, AnyBlockByteCountsButTheSpareByteDoesNot) {
    ChannelState s;
    std::copy(DefaultImage.begin(), DefaultImage.end(), s.image.begin());
    s.ChannelsDiffer = true;
    s.CompareChannels();
    EXPECT_FALSE(s.ChannelsDiffer);

    s.image[160] = 99;
    s.CompareChannels();
    EXPECT_FALSE(s.ChannelsDiffer);

    s.image[80] = 31;  // byte 0 of the Right block, never decoded yet compared
    s.CompareChannels();
    EXPECT_TRUE(s.ChannelsDiffer);

    s.image[80] = s.image[0];
    s.image[79] = 9;  // the last byte of the Left block
    s.CompareChannels();
    EXPECT_TRUE(s.ChannelsDiffer);
}

}  // namespace
}  // namespace vx470
