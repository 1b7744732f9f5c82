#pragma once

#include <string>

namespace vx470 {

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// The rest of the desktop the program needs: screen, current directory and timers.
// Timer ticks come back into the program through its own entry points.
class Host {
public:
    virtual ~Host() = default;
    virtual ScreenSize screenSize() = 0;
    virtual std::string currentDirectory() = 0;
};

}  // namespace vx470
