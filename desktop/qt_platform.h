#pragma once

#include <QObject>
#include <QTimer>
#include <map>

#include "core/platform/dialogs.h"
#include "core/platform/file_dialogs.h"
#include "core/platform/host.h"
#include "core/program.h"

namespace vx470::desktop {

class Gate;

// Message boxes as QMessageBox, over the window that is active.
class QtDialogs final : public Dialogs {
  public:
    // While a box is open nothing enters the program through the gate.
    void attach(Gate& gate) { gate_ = &gate; }
    Answer show(const MessageBox& box) override;

  private:
    Gate* gate_ = nullptr;
};

// Open and save dialogs as QFileDialog. Paths travel as UTF-8.
class QtFileDialogs final : public FileDialogs {
  public:
    void attach(Gate& gate) { gate_ = &gate; }
    std::string openFile(const FileDialogRequest& request) override;
    std::string saveFile(const FileDialogRequest& request) override;
    std::string chooseFolder(const FileDialogRequest& request) override;

  private:
    Gate* gate_ = nullptr;
};

// Screen, current directory, the program's timers and its modal dialogs.
class QtHost final : public QObject, public Host {
  public:
    // The program is built after the platform it uses, and its gate after it: ticks and
    // dialogs reach the program once both are attached.
    void attach(Program& program, Gate& gate);

    ScreenSize screenSize() override;
    std::string currentDirectory() override;
    UserFolders userFolders() override;
    void setTimer(TimerId timer, int intervalMs) override;
    bool flushToDisk(const std::string& path) override;
    void showModal(FrmRead& form) override;
    void showModal(FrmStore& form) override;
    void showModal(FrmUnitJob& form) override;

  private:
    Gate* gate_ = nullptr;
    Program* program_ = nullptr;
    std::map<TimerId, QTimer*> timers_;
};

// Qt's name filters for a "description|pattern|..." filter.
QStringList QtNameFilters(const std::string& filter);

}  // namespace vx470::desktop
