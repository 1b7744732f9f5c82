#include "core/presets/preset_files.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "core/device/preset_file.h"
#include "core/program.h"
#include "core/text/utf8.h"

namespace vx470 {

namespace {

namespace fs = std::filesystem;

FileDialogRequest presetDialog(const Program& program) {
    return FileDialogRequest{"file preset (*.Fbk)|*.Fbk", PresetFolder(program), true, {}};
}

void errorBox(Program& program, const char* text) {
    program.platform.dialogs.show(
        MessageBox{text, " Error", MessageButtons::Ok, MessageIcon::Exclamation, 0});
}

}  // namespace

// Open and Save start in the same folder, whatever the file system's case rules. A folder
// that is not there is never offered: a file dialog would take its name for a file name.
std::string PresetFolder(const Program& program) {
    std::error_code error;
    if (!program.PresetDir.empty()) {
        // The user's own folder is made on first use; failing that, the portable rule holds.
        const fs::path own = PathFromUtf8(program.PresetDir);
        fs::create_directories(own, error);
        if (fs::is_directory(own, error)) return Utf8FromPath(own);
    }
    const fs::path home = PathFromUtf8(program.ProgramDir);
    return Utf8FromPath(fs::is_directory(home / "Preset", error) ? home / "Preset" : home);
}

namespace {

// Asks where, then replaces or makes the file with what `contents` gives for the chosen
// name, saying why when it is refused. No contents: `contents` has said why.
void saveChosen(Program& program, const FileDialogRequest& request,
                const std::function<std::optional<std::string>(const std::string&)>& contents) {
    const std::string chosen = program.platform.fileDialogs.saveFile(request);
    if (chosen.empty()) return;
    const std::optional<std::string> bytes = contents(chosen);
    if (!bytes) return;
    Host& host = program.platform.host;
    switch (SaveFileSafely(PathFromUtf8(chosen), *bytes,
                           [&host](const std::string& path) { return host.flushToDisk(path); })) {
        case SaveResult::Saved:
            break;
        case SaveResult::NotAFile:
            errorBox(program, " File not saved: the name is not that of a file.");
            break;
        case SaveResult::ReadOnly:
            errorBox(program, " File not saved: the file there is read-only.");
            break;
        case SaveResult::Failed:
            errorBox(program, " File not saved. Try again.");
            break;
    }
}

}  // namespace

void SavePresetFile(Program& program) {
    const PresetImage& image = program.channels.image;
    saveChosen(program, presetDialog(program), [&image](const std::string&) {
        return std::string(reinterpret_cast<const char*>(image.data()), image.size());
    });
}

void SaveSerialLog(Program& program) {
    saveChosen(program, FileDialogRequest{"serial log (*.log)|*.log", program.ProgramDir, true, {}},
               [&program](const std::string&) { return program.trafficLog.text(); });
}

void ExportCurves(Program& program, const DrawSheet& draw) {
    const FileDialogRequest request{kSheetFilter, PresetFolder(program), true, "Export curves"};
    saveChosen(program, request, [&](const std::string& chosen) -> std::optional<std::string> {
        const std::optional<SheetFormat> format = SheetFormatOf(chosen);
        if (!format) {
            errorBox(program, " File not saved: the name must end in .png, .svg or .pdf.");
            return std::nullopt;
        }
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        if (const std::tm* t = std::localtime(&now)) local = *t;
        const ExportSheet sheet =
            MakeExportSheet(program.channels.model, program.frmEq.Label8.Caption(), local);
        std::optional<std::string> bytes = draw ? draw(sheet, *format) : std::nullopt;
        if (!bytes) errorBox(program, " File not saved: the curves could not be drawn.");
        return bytes;
    });
}

std::optional<PresetImage> OpenPresetFile(Program& program, std::string& title) {
    const std::string chosen = program.platform.fileDialogs.openFile(presetDialog(program));
    if (chosen.empty()) return std::nullopt;
    const fs::path path = PathFromUtf8(chosen);
    PresetImage bytes{};
    switch (LoadPresetImage(path, bytes)) {
        case LoadResult::Loaded:
            title = Utf8FromPath(path.filename());
            return bytes;
        case LoadResult::NotFound:
            errorBox(program, " File not found. Try again.");
            break;
        case LoadResult::CannotRead:
            errorBox(program, " File cannot be read. Try again.");
            break;
        case LoadResult::TooShort:
            errorBox(program, " Not a preset file: it holds fewer than 161 bytes.");
            break;
    }
    return std::nullopt;
}

void LoadPresetFile(Program& program) {
    std::string title;
    const std::optional<PresetImage> bytes = OpenPresetFile(program, title);
    if (!bytes) return;
    const EditHistory::Step step(program.history, "Load " + title, EditHistory::Kind::WholeImage);
    program.channels.image = *bytes;
    FrmEq& eq = program.frmEq;
    eq.SetMousePointer(MousePointer::ArrowHourglass);
    program.channelOps.ApplyImageToEditor();
    eq.SetMousePointer(MousePointer::Default);
    eq.Label7.SetCaption("Preset loaded from PC");
    eq.Label7.Refresh();
    eq.Label8.SetCaption(title);
    eq.Label8.Refresh();
}

}  // namespace vx470
