#pragma once

#include <array>
#include <string>

#include "core/controls/controls.h"
#include "core/model/preset_image.h"
#include "core/presets/preset_files.h"

namespace vx470 {

class Program;
class FrmUnitJob;

// The one setting kept between runs: the number of the port that answered.
inline constexpr const char* kConfigFile = "init.cfg";

// The main window: the frame of the application around the editor, with its toolbar of
// picture buttons. Button indexes are not contiguous: 0 load, 1 save, 2 store, 3 read,
// 7 copy Left to Right, 8 copy Right to Left.
class MDIFrmMain : public Form {
  public:
    explicit MDIFrmMain(Program& program);

    static constexpr std::array<int, 6> kToolbarButtons = {0, 1, 2, 3, 7, 8};
    std::array<Button, 9> Command1;
    // Beside the "Unit" menu: 0 "Compare with file...", 1 "Compare with preset...", 2 "Clear
    // comparison".
    std::array<Button, 3> CompareMenu;
    // "Compared with: 05 Vocal" while the graphs show another preset's curves; else empty.
    Label Label1;
    // The "Unit" menu: 0 "Back up unit...", 1 "Restore...".
    std::array<Button, 2> UnitMenu;
    // The "Edit" menu: 0 undo, 1 redo; their captions name the edit.
    std::array<Button, 2> EditMenu;
    // "Export curves...": both curves and every setting into a picture or document file,
    // drawn by DrawExport (the window system's).
    Button ExportButton;
    DrawSheet DrawExport;

    // The start-up sequence; ends with the program idle, waiting for the user.
    void MDIForm_Load();
    void Command1_Click(int index);
    void Timer3_Timer();
    // True keeps the window open. Ends the program (ProgramEnd) on a confirmed exit.
    bool MDIForm_QueryUnload();

    // A copy of everything the unit stores into a new folder, and back.
    void BackUpUnit();
    void RestoreUnit();
    // Another preset's curves under the live ones, read from a file or from one of the unit's
    // stored presets (byte by byte: nothing that changes the unit is sent), and away again.
    void CompareWithFile();
    void CompareWithPreset();
    void ClearComparison();

    void DumpDeviceMemory();
    void DemoSetup();

  private:
    // Stored port first, then 1..35; asks for demo mode when none answers.
    void findUnit();
    void readPortNumber();
    void writePortNumber();
    void copyChannels(const char* title, const char* text, bool leftToRight);
    // False, after saying why, when there is no unit or a search runs.
    bool unitFree(const char* title);
    // Shows the dialog, then the job's message; that a job is done only with `tellDone`.
    void runJob(FrmUnitJob& form, bool tellDone = true);
    void compareWith(const PresetImage& image, const std::string& name);

    Program& program_;
};

}  // namespace vx470
