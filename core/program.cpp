#include "core/program.h"

namespace vx470 {

Program::Program(const Platform& platform)
    : platform(platform), link(platform.port, platform.clock, platform.dialogs) {}

void Program::OnTimer(TimerId timer) {
    switch (timer) {
        case TimerId::Splash:
            frmSplash.Timer1_Timer();
            break;
        case TimerId::Timer3:
            mainWindow.Timer3_Timer();
            break;
    }
}

}  // namespace vx470
