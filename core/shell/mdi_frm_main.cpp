#include "core/shell/mdi_frm_main.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/device/port_search.h"
#include "core/presets/frm_read.h"
#include "core/presets/frm_store.h"
#include "core/presets/frm_unit_job.h"
#include "core/presets/preset_files.h"
#include "core/program.h"
#include "core/program_end.h"
#include "core/text/utf8.h"

namespace vx470 {

namespace {

namespace fs = std::filesystem;

constexpr int kLastSearchedPort = 35;

}  // namespace

MDIFrmMain::MDIFrmMain(Program& program) : program_(program) {
    Name = "MDIFrmMain";
    static constexpr std::array<const char*, 6> tips = {
        "Load Preset from PC",     "Save Preset to PC",  "Store Preset to device",
        "Read Preset from device", "Copy Left to Right", "Copy Right to Left"};
    for (std::size_t i = 0; i < kToolbarButtons.size(); ++i) {
        const int index = kToolbarButtons[i];
        Button& b = Command1[static_cast<std::size_t>(index)];
        b.ToolTip = tips[i];
        b.Name = "Command1(" + std::to_string(index) + ")";
        b.Click = [this, index] { Command1_Click(index); };
    }
    for (int unused : {4, 5, 6}) Command1[static_cast<std::size_t>(unused)].SetVisible(false);
    static constexpr std::array<const char*, 3> compares = {
        "Compare with file...", "Compare with preset...", "Clear comparison"};
    static constexpr std::array<const char*, 3> compareNames = {
        "mnuCompareFile", "mnuComparePreset", "mnuCompareClear"};
    for (std::size_t i = 0; i < CompareMenu.size(); ++i) {
        CompareMenu[i].Caption = compares[i];
        CompareMenu[i].Name = compareNames[i];
    }
    CompareMenu[0].Click = [this] { CompareWithFile(); };
    CompareMenu[1].Click = [this] { CompareWithPreset(); };
    CompareMenu[2].Click = [this] { ClearComparison(); };
    Label1.Name = "lblCompared";
    UnitMenu[0].Caption = "Back up unit...";
    UnitMenu[0].Name = "mnuBackup";
    UnitMenu[0].Click = [this] { BackUpUnit(); };
    UnitMenu[1].Caption = "Restore...";
    UnitMenu[1].Name = "mnuRestore";
    UnitMenu[1].Click = [this] { RestoreUnit(); };
    EditMenu[0].Name = "mnuUndo";
    EditMenu[0].Click = [this] { program_.history.Undo(); };
    EditMenu[1].Name = "mnuRedo";
    EditMenu[1].Click = [this] { program_.history.Redo(); };
    ExportButton.Caption = "Export curves...";
    ExportButton.Name = "mnuExport";
    ExportButton.Click = [this] { ExportCurves(program_, DrawExport); };
    QueryUnload = [this] { return MDIForm_QueryUnload(); };
    SetVisible(false);
}

void MDIFrmMain::MDIForm_Load() {
    Link& link = program_.link;
    link.DemoMode = false;
    program_.SkipExitQuestion = false;
    // The value tables are constants and the graph's scale is set when the graph is built.
    findUnit();
    writePortNumber();
    DumpDeviceMemory();
    link.SuppressSend = false;
    program_.platform.host.setTimer(TimerId::Timer3, 3000);
    PresetList& presets = program_.presets;
    presets.CurrentName.clear();
    presets.ShownPresetName = presets.CurrentName;
    program_.frmEq.ShowPresetName();
    program_.frmEq.Label7.SetCaption("Preset loaded from Device");
    program_.frmEq.Label8.SetCaption(presets.CurrentName);
    program_.frmEq.Label8.Refresh();
    SetWindowState(WindowState::Maximized);
    SetVisible(true);
    program_.frmSplash.SetMousePointer(MousePointer::Default);
    program_.frmSplash.Unload();
    program_.SearchActive = false;
    program_.QuitLoop = false;
    program_.history.Start();
}

void MDIFrmMain::findUnit() {
    Label& label = program_.frmSplash.Label1;
    label.SetVisible(true);
    label.Refresh();
    Link& link = program_.link;
    if (program_.PortFromCommandLine) {
        link.CommPortNumber = 1;
    } else {
        readPortNumber();
    }
    // The stored port first, then 1..35; all of them probed at once.
    std::vector<int> candidates{link.CommPortNumber};
    const int last = program_.PortFromCommandLine ? 0 : kLastSearchedPort;
    for (int p = 1; p <= last; ++p) {
        if (p != candidates[0]) candidates.push_back(p);
    }
    if (SearchPorts(link, candidates) >= 0) return;
    // Demo mode keeps the last number tried, as a search one port after another would.
    link.CommPortNumber = static_cast<std::int16_t>(candidates.back());
    const Answer answer = program_.platform.dialogs.show(
        MessageBox{"COM not found, do you want continue in demo mode?", "Warning",
                   MessageButtons::YesNo, MessageIcon::None, 0});
    if (answer == Answer::No) {
        program_.SkipExitQuestion = true;
        throw ProgramEnd(0);
    }
    link.DemoMode = true;
    DemoSetup();
}

void MDIFrmMain::readPortNumber() {
    std::ifstream file(PathFromUtf8(program_.ConfigDir) / kConfigFile, std::ios::binary);
    std::array<char, 2> bytes{};
    if (file) file.read(bytes.data(), bytes.size());
    // A missing or short file leaves the missing bytes 0: port 0 cannot be opened.
    const auto lo = static_cast<std::uint8_t>(bytes[0]);
    const auto hi = static_cast<std::uint8_t>(bytes[1]);
    program_.link.CommPortNumber = static_cast<std::int16_t>(lo | (hi << 8));
}

void MDIFrmMain::writePortNumber() {
    if (program_.PortFromCommandLine) return;
    const fs::path folder = PathFromUtf8(program_.ConfigDir);
    std::error_code error;
    fs::create_directories(folder, error);  // the user's own folder, on the first run
    const auto port = static_cast<std::uint16_t>(program_.link.CommPortNumber);
    const std::array<char, 2> bytes = {static_cast<char>(port & 0xFF),
                                       static_cast<char>(port >> 8)};
    std::ofstream file(folder / kConfigFile, std::ios::binary | std::ios::trunc);
    // A directory we may not write to costs only the remembered port.
    if (file) file.write(bytes.data(), bytes.size());
}

void MDIFrmMain::copyChannels(const char* title, const char* text, bool leftToRight) {
    const Answer answer = program_.platform.dialogs.show(
        MessageBox{text, title, MessageButtons::YesNo, MessageIcon::None, 0});
    if (answer == Answer::No) return;
    const EditHistory::Step step(program_.history, title);
    SetMousePointer(MousePointer::ArrowHourglass);
    if (leftToRight) {
        program_.channelOps.CopyChannelLeftToRight();
    } else {
        program_.channelOps.CopyChannelRightToLeft();
    }
    SetMousePointer(MousePointer::Default);
}

void MDIFrmMain::Command1_Click(int index) {
    switch (index) {
        case 0:
            LoadPresetFile(program_);
            break;
        case 1:
            SavePresetFile(program_);
            break;
        case 2: {
            // Loaded fresh each time, so it always shows the current names.
            auto form = std::make_unique<FrmStore>(program_);
            form->Form_Load();
            program_.platform.host.showModal(*form);
            break;
        }
        case 3: {
            auto form = std::make_unique<FrmRead>(program_);
            form->Form_Load();
            program_.platform.host.showModal(*form);
            break;
        }
        case 7:
            copyChannels("Copy Left to Right", "Copy Channel Left to Right, Are you sure ?", true);
            break;
        case 8:
            copyChannels("Copy Right to Left", "Copy Channel Right to Left, Are you sure ?", false);
            break;
        default:
            break;
    }
}

bool MDIFrmMain::unitFree(const char* title) {
    const char* why = program_.link.DemoMode  ? "There is no unit in demo mode."
                      : program_.SearchActive ? "Stop the feedback search first."
                                              : nullptr;
    if (why == nullptr) return true;
    program_.platform.dialogs.show(
        MessageBox{why, title, MessageButtons::Ok, MessageIcon::Exclamation, 0});
    return false;
}

void MDIFrmMain::runJob(FrmUnitJob& form, bool tellDone) {
    form.Form_Load();
    program_.platform.host.showModal(form);
    const UnitJob* job = form.Job();
    if (job == nullptr) return;
    const bool done = job->state() == UnitJob::State::Done;
    if (done && !tellDone) return;
    program_.platform.dialogs.show(
        MessageBox{job->message(), form.Caption(), MessageButtons::Ok,
                   done ? MessageIcon::Information : MessageIcon::Exclamation, 0});
}

void MDIFrmMain::BackUpUnit() {
    if (!unitFree("Back up unit")) return;
    const std::string parent = program_.platform.fileDialogs.chooseFolder(FileDialogRequest{
        "", PresetFolder(program_), false, "Back up the unit into a new folder in"});
    if (parent.empty()) return;
    FrmUnitJob form(program_, NewBackupFolder(PathFromUtf8(parent)));
    runJob(form);
}

void MDIFrmMain::RestoreUnit() {
    if (!unitFree("Restore")) return;
    const std::string chosen = program_.platform.fileDialogs.chooseFolder(FileDialogRequest{
        "", PresetFolder(program_), false, "Restore the unit from the backup folder"});
    if (chosen.empty()) return;
    std::string error;
    std::optional<UnitCopy> copy = ReadBackup(PathFromUtf8(chosen), error);
    if (!copy) {
        program_.platform.dialogs.show(MessageBox{"Nothing restored: " + error + ".", "Restore",
                                                  MessageButtons::Ok, MessageIcon::Exclamation, 0});
        return;
    }
    FrmUnitJob form(program_, PathFromUtf8(chosen), *copy);
    runJob(form);
    // The preset dialogs show what the unit now holds.
    const auto* restore = dynamic_cast<const RestoreJob*>(form.Job());
    if (restore == nullptr) return;
    PresetList& presets = program_.presets;
    for (const int k : restore->restored()) {
        const SlotCopy& s = copy->presets[static_cast<std::size_t>(k)];
        const auto p = static_cast<std::size_t>(k + kFixedPresets);
        presets.PresetUsed[p] = s.used();
        presets.PresetNames[p] = s.used() ? NameFromBytes(s.name) : kEmptyPresetName;
    }
    // A preset cut off half-way may have lost its mark: it is offered as empty.
    if (const int k = restore->failedSlot(); k >= 0) {
        presets.PresetUsed[static_cast<std::size_t>(k + kFixedPresets)] = false;
        presets.PresetNames[static_cast<std::size_t>(k + kFixedPresets)] = kEmptyPresetName;
    }
}

void MDIFrmMain::compareWith(const PresetImage& image, const std::string& name) {
    const std::array<ResponseGraph::Curve, kChannels> sums = ImageResponses(image);
    program_.graph.Compare(&sums);
    Label1.SetCaption("Compared with: " + name);
}

void MDIFrmMain::CompareWithFile() {
    std::string title;
    if (const std::optional<PresetImage> image = OpenPresetFile(program_, title))
        compareWith(*image, title);
}

void MDIFrmMain::CompareWithPreset() {
    if (!unitFree("Compare with preset")) return;
    FrmUnitJob form(program_);
    runJob(form, false);
    const auto* read = dynamic_cast<const SlotReadJob*>(form.Job());
    if (read == nullptr || read->state() != UnitJob::State::Done) return;
    PresetImage image{};
    std::copy(read->image().begin(), read->image().end(), image.begin());
    const std::string& name =
        program_.presets.PresetNames[static_cast<std::size_t>(read->slot() + kFixedPresets)];
    const auto first = name.find_first_not_of(' '), last = name.find_last_not_of(' ');
    compareWith(image,
                SlotNumber(read->slot()) +
                    (first == std::string::npos ? "" : " " + name.substr(first, last - first + 1)));
}

void MDIFrmMain::ClearComparison() {
    program_.graph.Compare(nullptr);
    Label1.SetCaption("");
}

void MDIFrmMain::Timer3_Timer() {
    program_.channels.CompareChannels();
    program_.platform.host.setTimer(TimerId::Timer3, 3000);
}

bool MDIFrmMain::MDIForm_QueryUnload() {
    if (program_.SkipExitQuestion) throw ProgramEnd(0);
    if (program_.SearchActive) return true;
    const Answer answer = program_.platform.dialogs.show(MessageBox{
        "               Are you sure ? ", "Exit", MessageButtons::YesNo, MessageIcon::None, 1});
    if (answer != Answer::Yes) return true;
    program_.link.SendFrame(Frames::Closing());
    program_.QuitLoop = true;
    throw ProgramEnd(0);
}

}  // namespace vx470
