#include "core/shell/tables.h"

namespace vx470 {
namespace {

constexpr bool strictlyIncreasing() {
    for (std::size_t i = 1; i < FrequencyGrid.size(); ++i) {
        if (!(FrequencyGrid[i - 1] < FrequencyGrid[i])) return false;
    }
    return true;
}

// A slip in the transcribed grid would shift every frequency code after it.
static_assert(strictlyIncreasing());
static_assert(FrequencyGrid.front() == 20 && FrequencyGrid.back() == 20000);

}  // namespace
}  // namespace vx470
