#pragma once

#include <string>

namespace vx470 {

struct FileDialogRequest {
    std::string filter;         // e.g. "file preset (*.Fbk)|*.Fbk"
    std::string initialFolder;  // where the dialog opens
    bool confirmOverwrite = false;
    std::string title;  // empty: the window system's own
};

// Open and save dialogs, and one that picks a folder. An empty result means the user
// cancelled.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    virtual std::string openFile(const FileDialogRequest& request) = 0;
    virtual std::string saveFile(const FileDialogRequest& request) = 0;
    virtual std::string chooseFolder(const FileDialogRequest& request) = 0;
};

}  // namespace vx470
