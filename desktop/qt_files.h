#pragma once

#include <QString>

namespace vx470::desktop {

// Puts what was written to the file at `path` onto the disk; false when that failed.
bool FlushFileToDisk(const QString& path);

}  // namespace vx470::desktop
