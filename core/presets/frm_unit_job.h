#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <optional>

#include "core/controls/controls.h"
#include "core/device/backup.h"
#include "core/platform/clock.h"

namespace vx470 {

class Program;

// The modal dialog of a backup, a restore or the read of a stored preset to compare with. A
// restore first shows the backup's presets to choose from, a comparison the unit's. While the job
// runs the dialog shows what it does, how far it is and the time left, and takes a Cancel between
// two steps; the window calls Timer_Tick while Running().
class FrmUnitJob : public Form {
  public:
    // A backup into the new folder `folder`.
    FrmUnitJob(Program& program, std::filesystem::path folder);
    // A restore from `copy`, the backup in `folder`.
    FrmUnitJob(Program& program, std::filesystem::path folder, UnitCopy copy);
    // The read of one of the unit's stored presets, to compare with.
    explicit FrmUnitJob(Program& program);

    ListBox List1;  // the 16 user presets, as the backup (or the program) knows them
    Label Label3;   // their numbers "05" .. "20"
    Label Label1;   // what the job does now
    Label Label2;   // how far it is
    ProgressBar ProgressBar1;
    std::array<Button, 3> Command1;  // 0 "Cancel", 1 "Restore" or "Compare", 2 "Restore all"

    void Form_Load();
    void Command1_Click(int index);
    void List1_DblClick() { Command1_Click(1); }
    // Runs one step of the job; unloads the dialog once the job has ended.
    void Timer_Tick();
    bool Running() const { return job_ && job_->state() == UnitJob::State::Running; }
    // The job, once one has run; none when the dialog was closed before it began.
    const UnitJob* Job() const { return job_.get(); }

  private:
    void start(std::unique_ptr<UnitJob> job);
    void showProgress();

    Program& program_;
    std::filesystem::path folder_;
    std::optional<UnitCopy> restore_;
    bool compare_ = false;
    std::unique_ptr<UnitJob> job_;
    Clock::Duration started_{};
};

}  // namespace vx470
