#pragma once

#include "core/link/converters.h"
#include "core/link/link.h"
#include "core/model/channel_state.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/platform/file_dialogs.h"
#include "core/platform/host.h"
#include "core/platform/serial_port.h"

namespace vx470 {

// The outside world as the program sees it; the desktop passes Qt adapters, tests fakes.
struct Platform {
    SerialPort& port;
    Clock& clock;
    Dialogs& dialogs;
    FileDialogs& fileDialogs;
    Host& host;
};

// The composition root: owns every piece of program state for the whole run. Nothing is
// global, so a test can build as many programs as it likes.
class Program {
public:
    explicit Program(const Platform& platform);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Platform platform;
    Link link;
    ChannelState channels;
    ByteScratchBuffer ByteScratch{};
};

}  // namespace vx470
