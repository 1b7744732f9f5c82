// Command line of vx470-sim.
#pragma once

#include <string>
#include <vector>

#include "sim/unit.h"

namespace vxsim {

struct Options {
    Config config;
    bool log = false;      // print every received frame to stderr
    bool help = false;     // print usageText() and exit
    bool version = false;  // print the version and exit
};

struct ParsedOptions {
    Options options;
    std::string error;  // empty when the arguments were valid
};

// `args` without the program name.
ParsedOptions parseOptions(const std::vector<std::string>& args);
std::string usageText();

}  // namespace vxsim
