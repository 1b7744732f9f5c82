#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "core/platform/clock.h"
#include "core/platform/serial_port.h"

namespace vx470::cli {

// How vx470-cli ends; documented in its --help and manual page.
enum Exit {
    kOk = 0,
    kRefused = 1,    // not possible as the unit stands: an empty preset, an automatic notch
    kUsage = 2,      // a wrong command, option, parameter or value
    kNoUnit = 3,     // no port answers as the unit
    kLineFault = 4,  // the unit stopped answering part-way
    kFileError = 5,  // a file or folder that cannot be read or written, or is not one of ours
    kMismatch = 6,   // a restored preset read back other than written
    kInterrupted = 130,
};

// What the tool needs of the machine; the program passes Qt's serial ports, tests the
// simulator.
class Host {
  public:
    virtual ~Host() = default;
    // The serial ports, numbered from 1: the system's, or only `device` when one is named.
    virtual SerialPort& ports(const std::string& device) = 0;
    virtual int portCount() = 0;
    virtual std::string portName(int number) = 0;
    // Why the last port that failed to open did, when the user can do something about it.
    virtual std::string openError() { return {}; }
    virtual Clock& clock() = 0;
    virtual bool flushToDisk(const std::string& path) = 0;
    // The user pressed Ctrl+C.
    virtual bool interrupted() = 0;
    // Standard error is a terminal: a progress line is shown there.
    virtual bool terminal() = 0;
};

// Runs vx470-cli with its arguments (without the program's name).
int Run(const std::vector<std::string>& args, Host& host, std::ostream& out, std::ostream& err);

}  // namespace vx470::cli
