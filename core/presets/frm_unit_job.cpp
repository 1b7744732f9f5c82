#include "core/presets/frm_unit_job.h"

#include <numeric>

#include "core/program.h"
#include "core/text/utf8.h"

namespace vx470 {

FrmUnitJob::FrmUnitJob(Program& program, std::filesystem::path folder)
    : program_(program), folder_(std::move(folder)) {
    Name = "FrmUnitJob";
    SetCaption("Back up unit");
    Command1[0].Caption = "Cancel";
    Command1[1].Caption = "Restore";
    Command1[2].Caption = "Restore all";
    List1.Name = "List1";
    List1.ToolTip = "Double click to restore a preset";
    ProgressBar1.Name = "ProgressBar1";
    Label1.Name = "Label1";
    Label2.Name = "Label2";
    std::string numbers;
    for (int k = 0; k < kUserSlots; ++k) numbers += (k > 0 ? " " : "") + SlotNumber(k);
    Label3.SetCaption(numbers);
    for (int i = 0; i < 3; ++i) {
        Button& b = Command1[static_cast<std::size_t>(i)];
        b.Name = "Command1(" + std::to_string(i) + ")";
        b.Click = [this, i] { Command1_Click(i); };
    }
    List1.DblClick = [this] { List1_DblClick(); };
    // The close box is the Cancel button.
    QueryUnload = [this] {
        Command1_Click(0);
        return !Unloaded();
    };
}

FrmUnitJob::FrmUnitJob(Program& program, std::filesystem::path folder, UnitCopy copy)
    : FrmUnitJob(program, std::move(folder)) {
    SetCaption("Restore");
    restore_ = std::move(copy);
}

FrmUnitJob::FrmUnitJob(Program& program) : FrmUnitJob(program, {}) {
    SetCaption("Compare with preset");
    compare_ = true;
    Command1[1].Caption = "Compare";
    List1.ToolTip = "Double click to compare with a preset";
}

void FrmUnitJob::Form_Load() {
    ProgressBar1.SetValue(0);
    if (compare_) {
        List1.Clear();
        for (int k = 0; k < kUserSlots; ++k)
            List1.AddItem(
                program_.presets.PresetNames[static_cast<std::size_t>(k + kFixedPresets)]);
        List1.SetListIndex(0);
        Command1[2].SetVisible(false);
        Label1.SetCaption("Read only: the unit goes on running what it runs.");
        ProgressBar1.SetVisible(false);
        return;
    }
    if (!restore_) {
        List1.SetVisible(false);
        Command1[1].SetVisible(false);
        Command1[2].SetVisible(false);
        Host& host = program_.platform.host;
        start(std::make_unique<BackupJob>(program_.link, folder_, [&host](const std::string& path) {
            return host.flushToDisk(path);
        }));
        return;
    }
    List1.Clear();
    for (int k = 0; k < kUserSlots; ++k) {
        const SlotCopy& s = restore_->presets[static_cast<std::size_t>(k)];
        List1.AddItem(s.used() ? NameFromBytes(s.name) : kEmptyPresetName);
    }
    List1.SetListIndex(0);
    Label1.SetCaption("From " + Utf8FromPath(folder_.filename()));
    Label2.SetCaption("Presets empty in the backup are emptied on the unit.");
    ProgressBar1.SetVisible(false);
}

void FrmUnitJob::Command1_Click(int index) {
    if (index == 0) {
        if (Running()) {
            job_->Cancel();
            Label1.SetCaption("Cancelling...");
            Command1[0].SetEnabled(false);
        } else {
            Unload();
        }
        return;
    }
    if ((!restore_ && !compare_) || job_) return;
    if (compare_) {
        const int k = List1.ListIndex();
        if (k < 0 || k >= kUserSlots) return;
        if (!program_.presets.PresetUsed[static_cast<std::size_t>(k + kFixedPresets)]) {
            program_.platform.dialogs.show(MessageBox{"Preset empty", Caption(), MessageButtons::Ok,
                                                      MessageIcon::Critical, 0});
            return;
        }
        List1.SetEnabled(false);
        Command1[1].SetEnabled(false);
        start(std::make_unique<SlotReadJob>(program_.link, k));
        return;
    }
    std::vector<int> which(kUserSlots);
    std::iota(which.begin(), which.end(), 0);
    if (index == 1) {
        const int k = List1.ListIndex();
        if (k < 0 || k >= kUserSlots) return;
        which = {k};
    }
    const std::string text =
        index == 1 ? "Restore preset " + SlotNumber(which[0]) + " from the backup, are you sure ? "
                   : "Restore all 16 user presets from the backup, are you sure ? ";
    const Answer answer = program_.platform.dialogs.show(
        MessageBox{text, "Restore", MessageButtons::YesNo, MessageIcon::None, 0});
    if (answer != Answer::Yes) return;
    List1.SetEnabled(false);
    Command1[1].SetEnabled(false);
    Command1[2].SetEnabled(false);
    start(std::make_unique<RestoreJob>(program_.link, *restore_, std::move(which)));
}

void FrmUnitJob::start(std::unique_ptr<UnitJob> job) {
    job_ = std::move(job);
    started_ = program_.platform.clock.now();
    ProgressBar1.SetVisible(true);
    Label1.SetCaption("Starting");
    Label2.SetCaption("");
}

void FrmUnitJob::Timer_Tick() {
    if (!Running()) return;
    if (!job_->Step()) {
        Unload();
        return;
    }
    showProgress();
}

void FrmUnitJob::showProgress() {
    const int done = job_->done();
    const int total = job_->total();
    ProgressBar1.SetMax(total);
    ProgressBar1.SetValue(done);
    if (Command1[0].Enabled()) Label1.SetCaption(job_->activity());
    Label2.SetCaption(ProgressText(program_.platform.clock.now() - started_, done, total));
}

}  // namespace vx470
