#include "core/shell/frm_splash.h"

#include <filesystem>
#include <system_error>

#include "core/program.h"
#include "core/text/utf8.h"

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
    locateFiles();
    program_.platform.host.setTimer(TimerId::Splash, 2000);
}

// A folder with an "init.cfg" of its own keeps the program's files beside it: a portable
// copy, or a test. Otherwise they are the user's, where the platform keeps such files, so an
// installed program never leaves them in whatever directory it was started from.
void FrmSplash::locateFiles() {
    const UserFolders user = program_.platform.host.userFolders();
    const auto holdsConfig = [](const std::string& folder) {
        std::error_code error;
        return !folder.empty() &&
               std::filesystem::is_regular_file(PathFromUtf8(folder) / kConfigFile, error);
    };
    bool portable = holdsConfig(program_.ProgramDir);
    if (!portable && holdsConfig(user.program)) {
        program_.ProgramDir = user.program;
        portable = true;
    }
    portable = portable || user.config.empty() || user.data.empty();
    program_.ConfigDir = portable ? program_.ProgramDir : user.config;
    program_.PresetDir = portable ? "" : Utf8FromPath(PathFromUtf8(user.data) / "Preset");
}

void FrmSplash::Timer1_Timer() {
    program_.platform.host.setTimer(TimerId::Splash, 0);
    SetMousePointer(MousePointer::ArrowHourglass);
    program_.mainWindow.MDIForm_Load();
}

}  // namespace vx470
