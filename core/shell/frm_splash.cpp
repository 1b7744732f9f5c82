#include "core/shell/frm_splash.h"

#include "core/program.h"

namespace vx470 {

FrmSplash::FrmSplash(Program& program) : program_(program) {
    Name = "frmSplash";
    Label1.Name = "Label1";
    Label1.SetCaption("Searching COM: please wait ");
    Label1.SetContainer(this);
}

void FrmSplash::Form_Load() {
    Label1.SetVisible(false);
    const ScreenSize screen = program_.platform.host.screenSize();
    if (screen.width < 800 || screen.height < 600) {
        program_.platform.dialogs.show(MessageBox{"Minimum display resolution is 800x600",
                                                  "Warning", MessageButtons::Ok, MessageIcon::None,
                                                  0});
    }
    program_.ProgramDir = program_.platform.host.currentDirectory();
    program_.platform.host.setTimer(TimerId::Splash, 2000);
}

void FrmSplash::Timer1_Timer() {
    program_.platform.host.setTimer(TimerId::Splash, 0);
    SetMousePointer(MousePointer::ArrowHourglass);
    program_.mainWindow.MDIForm_Load();
}

}  // namespace vx470
