#pragma once

#include <stdexcept>

namespace vx470 {

// Thrown where the program must end at once ("Time out", a refused demo mode, a confirmed
// exit). The entry point from the window system catches it, closes the port and every
// window without their close handlers, and leaves.
class ProgramEnd : public std::runtime_error {
public:
    ProgramEnd() : std::runtime_error("program end") {}
};

}  // namespace vx470
