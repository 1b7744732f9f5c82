#pragma once

#include <array>

#include "core/controls/controls.h"

namespace vx470 {

class Program;

// The main window: the frame of the application around the editor, with its toolbar of
// picture buttons. Button indexes are not contiguous: 0 load, 1 save, 2 store, 3 read,
// 7 copy Left to Right, 8 copy Right to Left.
class MDIFrmMain : public Form {
public:
    explicit MDIFrmMain(Program& program);

    static constexpr std::array<int, 6> kToolbarButtons = {0, 1, 2, 3, 7, 8};
    std::array<Button, 9> Command1;

private:
    [[maybe_unused]] Program& program_;
};

}  // namespace vx470
