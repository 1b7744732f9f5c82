#include "core/program.h"

namespace vx470 {

Program::Program(const Platform& platform)
    : platform(platform), link(platform.port, platform.clock, platform.dialogs) {}

}  // namespace vx470
