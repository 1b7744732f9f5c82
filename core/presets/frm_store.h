#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/controls/controls.h"

namespace vx470 {

class Program;

// The modal dialog that stores the working image into one of the unit's 16 user slots
// under an 8-character name.
class FrmStore : public Form {
  public:
    explicit FrmStore(Program& program);

    ListBox List1;
    Label Label1;                 // the row numbers "05" .. "20"
    Label Label3;                 // heading
    std::array<Label, 2> Label2;  // "Select position", "Edit Name"
    ComboBox Combo1;              // positions "05" .. "20"
    TextBox Text1;                // the name, at most 8 characters
    ProgressBar ProgressBar1;
    std::array<Button, 2> Command1;  // 0 "Cancel", 1 "Store"

    // The centred name's character codes.
    std::array<std::uint8_t, 8> NameCodes{};

    void Form_Load();
    void List1_DblClick();
    void Command1_Click(int index);
    // Writes image, name and, last, the occupied mark of the chosen slot.
    void Memorize_eep();
    // Centres `name` to 8 characters with blanks (more before than after on an odd count)
    // and fills NameCodes.
    void CentreName(std::string& name);

  private:
    Program& program_;
};

}  // namespace vx470
