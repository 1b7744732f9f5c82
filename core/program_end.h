#pragma once

#include <stdexcept>

namespace vx470 {

// Thrown where the program must end at once ("Time out", a refused demo mode, a confirmed
// exit). The entry point from the window system catches it, closes the port and every
// window without their close handlers, and leaves with `exitCode`.
class ProgramEnd : public std::runtime_error {
  public:
    explicit ProgramEnd(int exitCode = 0) : std::runtime_error("program end"), exitCode(exitCode) {}
    int exitCode;
};

}  // namespace vx470
