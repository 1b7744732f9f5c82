#include <gtest/gtest.h>

#include "core/model/channel_state.h"
#include "core/shell/tables.h"

namespace vx470 {
namespace {

TEST(ImageLayout, NotchOffsetsJumpOverTheRightBlocksHead) {
    for (int n = 0; n < kNotches; ++n) {
        EXPECT_EQ(NotchOffset[static_cast<std::size_t>(n)],
                  ChannelOfNotch(n) * 80 + 28 + 4 * FilterOfNotch(n)) << n;
    }
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
