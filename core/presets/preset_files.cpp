#include "core/presets/preset_files.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "core/program.h"
#include "core/text/utf8.h"

namespace vx470 {

namespace {

namespace fs = std::filesystem;

// Open and Save start in the same folder, whatever the file system's case rules. A folder
// that is not there is never offered: a file dialog would take its name for a file name.
FileDialogRequest presetDialog(const Program& program) {
    const auto in = [](const fs::path& folder) {
        return FileDialogRequest{"file preset (*.Fbk)|*.Fbk", Utf8FromPath(folder), true};
    };
    std::error_code error;
    if (!program.PresetDir.empty()) {
        // The user's own folder is made on first use; failing that, the portable rule holds.
        const fs::path own = PathFromUtf8(program.PresetDir);
        fs::create_directories(own, error);
        if (fs::is_directory(own, error)) return in(own);
    }
    const fs::path home = PathFromUtf8(program.ProgramDir);
    return in(fs::is_directory(home / "Preset", error) ? home / "Preset" : home);
}

void errorBox(Program& program, const char* text) {
    program.platform.dialogs.show(
        MessageBox{text, " Error", MessageButtons::Ok, MessageIcon::Exclamation, 0});
}

// The file a save replaces: a symbolic link is followed to the file it names, so the link
// stays a link. Empty when the links go round in a circle.
fs::path fileBehind(fs::path path) {
    std::error_code error;
    for (int hops = 0; hops < 40; ++hops) {
        if (!fs::is_symlink(path, error)) return path;
        const fs::path to = fs::read_symlink(path, error);
        if (error) return {};
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    return {};
}

enum class Replace { Yes, NotAFile, ReadOnly };

// Whether the user could change the file that is there: a file marked read-only, or one
// that cannot be opened for writing, is left alone even by a user who could remove it.
Replace mayReplace(const fs::path& path, const fs::file_status& status) {
    if (!fs::exists(status)) return Replace::Yes;
    if (!fs::is_regular_file(status)) return Replace::NotAFile;
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none)
        return Replace::ReadOnly;
    // In and out together open without creating or truncating anything.
    if (!std::fstream(path, std::ios::in | std::ios::out | std::ios::binary)) {
        return Replace::ReadOnly;
    }
    return Replace::Yes;
}

// A name beside `target` that nobody has: random, and checked. It starts with a dot, so that
// file lists do not show it for the moment it exists.
fs::path unusedNameBeside(const fs::path& target) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".";
        name += Utf8FromPath(target.filename());
        name += '.';
        name += std::to_string(random() % 1'000'000'000);
        name += ".tmp";
        const fs::path candidate = target.parent_path() / PathFromUtf8(name);
        std::error_code error;
        if (!fs::exists(candidate, error) && !error) return candidate;
    }
    return {};
}

// Writes `bytes` to a new file and, once it is on the disk, puts it in place of `target`
// (of `status`) in one step: a save that fails half-way leaves the old file as it was.
bool replaceWith(Program& program, const fs::path& target, const fs::file_status& status,
                 std::string_view bytes) {
    const fs::path temporary = unusedNameBeside(target);
    if (temporary.empty()) return false;
    bool written = false;
    {
        std::ofstream file(temporary, std::ios::binary);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        written = !file.fail();
    }
    std::error_code error;
    written = written && program.platform.host.flushToDisk(Utf8FromPath(temporary));
    // The new file keeps the permissions the old one had.
    if (written && fs::exists(status)) fs::permissions(temporary, status.permissions(), error);
    if (written) fs::rename(temporary, target, error);
    if (!written || error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

// Puts `bytes` into the file the user chooses, or tells why not.
void saveChosen(Program& program, const FileDialogRequest& request, std::string_view bytes) {
    const std::string chosen = program.platform.fileDialogs.saveFile(request);
    if (chosen.empty()) return;
    const fs::path target = fileBehind(PathFromUtf8(chosen));
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    switch (target.empty() ? Replace::NotAFile : mayReplace(target, status)) {
        case Replace::NotAFile:
            errorBox(program, " File not saved: the name is not that of a file.");
            return;
        case Replace::ReadOnly:
            errorBox(program, " File not saved: the file there is read-only.");
            return;
        case Replace::Yes:
            break;
    }
    if (!replaceWith(program, target, status, bytes)) {
        errorBox(program, " File not saved. Try again.");
    }
}

}  // namespace

void SavePresetFile(Program& program) {
    const PresetImage& image = program.channels.image;
    saveChosen(program, presetDialog(program),
               std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
}

void SaveSerialLog(Program& program) {
    saveChosen(program, FileDialogRequest{"serial log (*.log)|*.log", program.ProgramDir, true},
               program.trafficLog.text());
}

void LoadPresetFile(Program& program) {
    const std::string chosen = program.platform.fileDialogs.openFile(presetDialog(program));
    if (chosen.empty()) return;
    const fs::path path = PathFromUtf8(chosen);
    std::error_code error;
    if (!fs::exists(path, error)) {
        errorBox(program, " File not found. Try again.");
        return;
    }
    PresetImage bytes{};
    std::ifstream file;
    // One read of a few bytes: a stream buffer would only be allocated and thrown away.
    file.rdbuf()->pubsetbuf(nullptr, 0);
    if (!fs::is_directory(path, error)) file.open(path, std::ios::binary);
    if (file) {
        file.read(reinterpret_cast<char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    if (!file.is_open() || file.bad()) {
        errorBox(program, " File cannot be read. Try again.");
        return;
    }
    if (file.gcount() != static_cast<std::streamsize>(bytes.size())) {
        errorBox(program, " Not a preset file: it holds fewer than 161 bytes.");
        return;
    }
    program.channels.image = bytes;
    FrmEq& eq = program.frmEq;
    eq.SetMousePointer(MousePointer::ArrowHourglass);
    program.channelOps.ApplyImageToEditor();
    eq.SetMousePointer(MousePointer::Default);
    eq.Label7.SetCaption("Preset loaded from PC");
    eq.Label7.Refresh();
    eq.Label8.SetCaption(Utf8FromPath(path.filename()));
    eq.Label8.Refresh();
}

}  // namespace vx470
