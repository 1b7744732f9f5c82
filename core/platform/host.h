#pragma once

#include <string>

namespace vx470 {

class FrmRead;
class FrmStore;
class FrmUnitJob;

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// Where an installed program keeps this user's files (UTF-8; the folders need not exist yet).
// Empty where the platform has no such place.
struct UserFolders {
    std::string program;  // the folder the executable is in
    std::string config;   // for "init.cfg"
    std::string data;     // for the "Preset" folder
};

// The program's timers; a tick comes back through Program::OnTimer.
enum class TimerId { Splash, Timer3 };

// The rest of the desktop the program needs: screen, current directory, timers, modal forms,
// and files that must reach the disk.
class Host {
  public:
    virtual ~Host() = default;
    virtual ScreenSize screenSize() = 0;
    virtual std::string currentDirectory() = 0;
    virtual UserFolders userFolders() = 0;
    // Starts (or restarts) the timer with this interval; 0 stops it.
    virtual void setTimer(TimerId timer, int intervalMs) = 0;
    // Puts what was written to the file at `path` (UTF-8) onto the disk; false when that failed.
    virtual bool flushToDisk(const std::string& path) = 0;
    // Shows the dialog modally; returns once it has unloaded itself.
    virtual void showModal(FrmRead& form) = 0;
    virtual void showModal(FrmStore& form) = 0;
    virtual void showModal(FrmUnitJob& form) = 0;
};

}  // namespace vx470
