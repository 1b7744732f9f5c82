#pragma once

#include <QMainWindow>
#include <QWidget>

#include "core/program.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPushButton;

namespace vx470::desktop {

class EditorWindow;
class Gate;

// The splash window: the picture with the start-up label on it.
class SplashWindow final : public QWidget {
  public:
    explicit SplashWindow(Program& program, QWidget* parent = nullptr);
};

// The main window: the toolbar of six picture buttons and the editor as its only child.
class MainWindow final : public QMainWindow {
  public:
    MainWindow(Program& program, Gate& gate, QWidget* parent = nullptr);

    EditorWindow* Editor() const { return editor_; }
    QPushButton* ToolbarButton(int index) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void showForm();

    Program& program_;
    Gate& gate_;
    QMdiArea* area_ = nullptr;
    QMdiSubWindow* editorFrame_ = nullptr;
    EditorWindow* editor_ = nullptr;
};

}  // namespace vx470::desktop
