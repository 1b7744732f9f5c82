#include "core/model/channel_state.h"

#include <algorithm>

namespace vx470 {

static_assert(NotchOffset[0] == ChannelBlock::Notches);
static_assert(NotchOffset[12] == ChannelBlock::Size + ChannelBlock::Notches);
static_assert(NotchOffset[23] + NotchRecord::Size == ChannelBlock::Size + ChannelBlock::NumAuto);
static_assert(NumAutoOffset[1] == ChannelBlock::Size + ChannelBlock::NumAuto);
static_assert(ReleaseOffset[1] == ChannelBlock::Size + ChannelBlock::Release);

void ChannelState::CompareChannels() {
    const auto left = image.begin();
    const auto right = image.begin() + ChannelBlock::Size;
    ChannelsDiffer = !std::equal(left, right, right);
}

}  // namespace vx470
