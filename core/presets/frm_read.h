#pragma once

#include <array>

#include "core/controls/controls.h"

namespace vx470 {

class Program;

// The modal dialog that recalls one of the unit's 20 presets into the editor.
class FrmRead : public Form {
  public:
    explicit FrmRead(Program& program);

    ListBox List1;
    Label Label1;                    // the row numbers
    Label Label3;                    // heading
    std::array<Button, 2> Command1;  // 0 "Cancel", 1 "Read"

    void Form_Load();
    void Command1_Click(int index);
    void List1_DblClick() { Command1_Click(1); }
    void ReadDevicePreset(int p);

  private:
    Program& program_;
};

}  // namespace vx470
