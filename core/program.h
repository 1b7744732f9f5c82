#pragma once

#include "core/editor/edit_history.h"
#include "core/editor/frm_eq.h"
#include "core/editor/notch_drag.h"
#include "core/graph/response_graph.h"
#include "core/link/converters.h"
#include "core/link/device_reports.h"
#include "core/link/link.h"
#include "core/link/parameter_sends.h"
#include "core/link/traffic_log.h"
#include "core/model/channel_operations.h"
#include "core/model/channel_state.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/platform/file_dialogs.h"
#include "core/platform/host.h"
#include "core/platform/serial_port.h"
#include "core/presets/preset_list.h"
#include "core/shell/frm_splash.h"
#include "core/shell/mdi_frm_main.h"

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

    // The program starts with its splash window; everything else follows from there.
    void Start() { frmSplash.Form_Load(); }
    void OnTimer(TimerId timer);

    Platform platform;
    Link link;
    // What went over the line; the desktop attaches it to the link at start.
    TrafficLog trafficLog{platform.clock};
    ChannelState channels;
    ByteScratchBuffer ByteScratch{};

    // Code is setting control values: the editor's change handlers neither send nor mirror.
    bool IgnoreControlEvents = false;
    // A feedback search runs: reports are polled and the program refuses to close.
    bool SearchActive = false;
    bool QuitLoop = false;
    bool SkipExitQuestion = false;
    // The notch last edited.
    int CurrentNotch = 0;
    // The directory the program started in (or, when only that holds an "init.cfg", the
    // executable's): in portable use the home of "init.cfg" and of the preset folder.
    std::string ProgramDir;
    // The folder of "init.cfg": ProgramDir in portable use, else the user's own.
    std::string ConfigDir;
    // The user's own preset folder, made when first needed; empty in portable use, which looks
    // for the preset folder in ProgramDir.
    std::string PresetDir;
    // The user named the line on the command line: it is port 1, the only one tried, and
    // "init.cfg" keeps the port it holds.
    bool PortFromCommandLine = false;
    PresetList presets;

    ResponseGraph graph{channels.model};
    FrmSplash frmSplash{*this};
    MDIFrmMain mainWindow{*this};
    FrmEq frmEq{*this};
    ParameterSends sends{*this};
    ChannelOperations channelOps{*this};
    DeviceReports reports{*this};
    EditHistory history{*this};
    NotchDrag notchDrag{*this};
};

}  // namespace vx470
