// Reading a serial log that vx470 wrote (--log, or Save log... in its Serial log window) as the
// unit's side of the session. The simulator shares no code with the program: the format is
// read here from its text.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "sim/unit.h"

namespace vxsim {

struct ParsedReplay {
    std::vector<ReplayStep> steps;
    std::string error;  // empty when the log was read; else "line N: what is wrong"
};

// The last session of the log (each begins with a "# ... serial log" line): every frame the
// program wrote ("> " lines, 10 bytes) with the bytes it read after it ("< " lines) and how
// long after. Events ("- " lines) and comments are skipped.
ParsedReplay parseReplay(std::istream& log);

}  // namespace vxsim
