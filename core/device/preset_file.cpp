#include "core/device/preset_file.h"

#include <fstream>
#include <optional>
#include <random>
#include <system_error>

#include "core/text/utf8.h"

namespace vx470 {

namespace {

namespace fs = std::filesystem;

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

// Why the user could not change the file that is there, if so: a file marked read-only, or
// one that cannot be opened for writing, is left alone even by a user who could remove it.
std::optional<SaveResult> refusal(const fs::path& path, const fs::file_status& status) {
    if (!fs::exists(status)) return std::nullopt;
    if (!fs::is_regular_file(status)) return SaveResult::NotAFile;
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none)
        return SaveResult::ReadOnly;
    // In and out together open without creating or truncating anything.
    if (!std::fstream(path, std::ios::in | std::ios::out | std::ios::binary)) {
        return SaveResult::ReadOnly;
    }
    return std::nullopt;
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

// Writes the image to a new file and, once it is on the disk, puts it in place of `target`
// (of `status`) in one step: a save that fails half-way leaves the old file as it was.
bool replaceWith(std::string_view bytes, const fs::path& target, const fs::file_status& status,
                 const std::function<bool(const std::string&)>& flush) {
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
    written = written && flush(Utf8FromPath(temporary));
    // The new file keeps the permissions the old one had.
    if (written && fs::exists(status)) fs::permissions(temporary, status.permissions(), error);
    if (written) fs::rename(temporary, target, error);
    if (!written || error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace

SaveResult SavePresetImage(const fs::path& path, const PresetImage& image,
                           const std::function<bool(const std::string&)>& flush) {
    return SaveFileSafely(
        path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()), flush);
}

SaveResult SaveFileSafely(const fs::path& path, std::string_view bytes,
                          const std::function<bool(const std::string&)>& flush) {
    const fs::path target = fileBehind(path);
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (target.empty()) return SaveResult::NotAFile;
    if (const std::optional<SaveResult> refused = refusal(target, status)) return *refused;
    return replaceWith(bytes, target, status, flush) ? SaveResult::Saved : SaveResult::Failed;
}

LoadResult LoadPresetImage(const fs::path& path, PresetImage& image) {
    std::error_code error;
    if (!fs::exists(path, error)) return LoadResult::NotFound;
    PresetImage bytes{};
    std::ifstream file;
    // One read of a few bytes: a stream buffer would only be allocated and thrown away.
    file.rdbuf()->pubsetbuf(nullptr, 0);
    if (!fs::is_directory(path, error)) file.open(path, std::ios::binary);
    if (file) {
        file.read(reinterpret_cast<char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    if (!file.is_open() || file.bad()) return LoadResult::CannotRead;
    if (file.gcount() != static_cast<std::streamsize>(bytes.size())) return LoadResult::TooShort;
    image = bytes;
    return LoadResult::Loaded;
}

}  // namespace vx470
