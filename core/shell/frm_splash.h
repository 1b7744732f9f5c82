#pragma once

#include "core/controls/controls.h"

namespace vx470 {

class Program;

// The splash window: checks the screen, remembers the start-up directory and, two seconds
// later, starts the main window. Its label tells what the start-up is doing.
class FrmSplash : public Form {
  public:
    explicit FrmSplash(Program& program);

    Label Label1;

    void Form_Load();
    void Timer1_Timer();

  private:
    void locateFiles();

    Program& program_;
};

}  // namespace vx470
