#include "core/presets/preset_files.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/program.h"

namespace vx470 {

namespace {

namespace fs = std::filesystem;

// Open and Save start in the same folder, whatever the file system's case rules.
FileDialogRequest presetDialog(const Program& program) {
    return FileDialogRequest{"file preset (*.Fbk)|*.Fbk",
                             (fs::path(program.ProgramDir) / "Preset").string(), true};
}

void errorBox(Program& program, const char* text) {
    program.platform.dialogs.show(
        MessageBox{text, " Error", MessageButtons::Ok, MessageIcon::Exclamation, 0});
}

}  // namespace

void SavePresetFile(Program& program) {
    const std::string chosen = program.platform.fileDialogs.saveFile(presetDialog(program));
    if (chosen.empty()) return;
    const fs::path target(chosen);
    // Written beside the target and renamed over it, so a failed save never destroys the
    // file that was there.
    fs::path temporary = target;
    temporary += ".saving";
    bool written = false;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        const PresetImage& image = program.channels.image;
        file.write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        file.flush();
        written = file.good();
    }
    std::error_code error;
    if (written) fs::rename(temporary, target, error);
    if (!written || error) {
        fs::remove(temporary, error);
        errorBox(program, " File not saved. Try again.");
    }
}

void LoadPresetFile(Program& program) {
    const std::string chosen = program.platform.fileDialogs.openFile(presetDialog(program));
    if (chosen.empty()) return;
    const fs::path path(chosen);
    std::error_code error;
    if (!fs::exists(path, error)) {
        errorBox(program, " File not found. Try again.");
        return;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) return;
    PresetImage bytes{};
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (file.gcount() != static_cast<std::streamsize>(bytes.size())) {
        if (!file.bad()) errorBox(program, " Not a preset file: it holds fewer than 161 bytes.");
        return;
    }
    program.channels.image = bytes;
    FrmEq& eq = program.frmEq;
    eq.SetMousePointer(MousePointer::ArrowHourglass);
    program.channelOps.ApplyImageToEditor();
    eq.SetMousePointer(MousePointer::Default);
    eq.Label7.SetCaption("Preset loaded from PC");
    eq.Label7.Refresh();
    eq.Label8.SetCaption(path.filename().string());
    eq.Label8.Refresh();
}

}  // namespace vx470
