#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "core/model/preset_image.h"

namespace vx470 {

// A preset file ("*.Fbk"): the 161 bytes of an image, no header.
enum class LoadResult { Loaded, NotFound, CannotRead, TooShort };
LoadResult LoadPresetImage(const std::filesystem::path& path, PresetImage& image);

enum class SaveResult { Saved, NotAFile, ReadOnly, Failed };
// Replaces the file at `path` (a symbolic link: the file it names) with the image in one
// step, once the new bytes are on the disk (`flush`): a save that fails half-way leaves the
// old file as it was. A file the user may not change is left alone.
SaveResult SavePresetImage(const std::filesystem::path& path, const PresetImage& image,
                           const std::function<bool(const std::string&)>& flush);
// The same careful replacement for any file the user saves (a serial log).
SaveResult SaveFileSafely(const std::filesystem::path& path, std::string_view bytes,
                          const std::function<bool(const std::string&)>& flush);

}  // namespace vx470
