#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/device/unit_memory.h"

namespace vx470 {

// One user slot as the unit held it.
struct SlotCopy {
    std::uint8_t mark = DeviceAddress::Erased;
    NameBytes name{};
    std::array<std::uint8_t, kImageBlockSize> image{};
    bool used() const { return mark == DeviceAddress::Occupied; }
};

// What a backup keeps of the unit: every user slot, and the name and image it runs. The four
// fixed presets are the unit's constants and need no copy.
struct UnitCopy {
    std::array<SlotCopy, kUserSlots> presets{};
    NameBytes currentName{};
    std::array<std::uint8_t, kImageBlockSize> current{};
};

// A backup folder: a preset file per used slot ("05 Name.Fbk", loadable as any preset
// file), "current.Fbk" for the running image, and this index of them.
inline constexpr const char* kBackupIndex = "backup.json";
inline constexpr int kBackupFormat = 1;

using FlushToDisk = std::function<bool(const std::string& path)>;

// Writes `copy` as the new folder `folder`, which must not exist or be empty. The files are
// written into a hidden folder beside it and renamed only once all are on the disk, so there
// is a whole backup under that name or none. False, and why in `error`, when it failed.
bool WriteBackup(const UnitCopy& copy, const std::filesystem::path& folder,
                 const FlushToDisk& flush, std::string& error);
// Reads a backup folder: nothing, and why in `error`, unless the index is sound and every
// file it names is there with its checksum.
std::optional<UnitCopy> ReadBackup(const std::filesystem::path& folder, std::string& error);
// A folder name in `parent` that is not taken yet: "VX-470 backup 2026-12-07 11.32", with
// " (2)" and so on when that is.
std::filesystem::path NewBackupFolder(const std::filesystem::path& parent);

// A long exchange with the unit run one transaction per step, so that a window can show
// its progress and take a Cancel between two steps. Nothing is sent before the first step.
class UnitJob {
  public:
    enum class State { Running, Done, Cancelled, Failed };
    // Why a job failed: the unit stopped answering, a file could not be written, or a slot
    // read back other than written.
    enum class Failure { None, Line, File, Mismatch };
    virtual ~UnitJob() = default;

    // Runs the next transaction; false once the job has ended.
    bool Step();
    // Honoured at the next step that begins a slot: a slot is never left half done.
    void Cancel() { cancelRequested_ = true; }

    State state() const { return state_; }
    Failure failure() const { return failure_; }
    // The user slot under way when the job failed; -1 when none was.
    int failedSlot() const { return failedSlot_; }
    int done() const { return static_cast<int>(next_); }
    int total() const { return static_cast<int>(ops_.size()); }
    // What the job does now, e.g. "Reading slot 07".
    const std::string& activity() const { return activity_; }
    // Once ended: what happened, in one line.
    const std::string& message() const { return message_; }

  protected:
    struct Op {
        enum Kind { Read, Write, ReadRunning, Check, Finish } kind;
        int address = 0;
        std::uint8_t data = 0;
        int slot = -1;            // -1: not one slot's
        bool startsSlot = false;  // a Cancel may take effect before this op
        bool endsSlot = false;    // once done, the slot is
    };

    explicit UnitJob(Link& link) : link_(link) {}
    void add(Op op) { ops_.push_back(op); }
    // Adds reads of `count` bytes from `address` into memory_.
    void addReads(int address, int count, int slot);
    // The marks are known: the job plans the rest.
    virtual void marksRead() = 0;
    virtual bool check(int slot) = 0;
    virtual void slotDone(int) {}
    virtual bool readRunning() { return false; }
    // Whether a Cancel may end the job before `op`.
    virtual bool mayStopBefore(const Op& op) const { return op.startsSlot; }
    virtual bool finish() = 0;
    virtual std::string activityOf(const Op& op) const = 0;
    virtual std::string cancelled() const = 0;
    virtual std::string lineFault(const Op& op) const = 0;
    void fail(Failure why, std::string message);
    void markStart(std::size_t op) { ops_[op].startsSlot = true; }

    Link& link_;
    std::string message_;
    std::array<std::uint8_t, 4096> memory_{};  // what the unit answered, by address
    std::size_t marksEnd_ = 0;

  private:
    bool run(const Op& op);

    std::vector<Op> ops_;
    std::size_t next_ = 0;
    State state_ = State::Running;
    Failure failure_ = Failure::None;
    int failedSlot_ = -1;
    bool cancelRequested_ = false;
    std::string activity_;
};

// Reads every used slot byte by byte (command 16) and the running image with the block
// read 11 255, which, unlike 11 p, does not make the unit recall anything: a backup leaves
// what the unit runs as it was, and writes nothing to it.
class BackupJob final : public UnitJob {
  public:
    BackupJob(Link& link, std::filesystem::path folder, FlushToDisk flush);

  private:
    void marksRead() override;
    // Nothing is written before the last step: a backup may stop anywhere.
    bool mayStopBefore(const Op&) const override { return true; }
    bool check(int) override { return true; }
    bool readRunning() override;
    bool finish() override;
    std::string activityOf(const Op& op) const override;
    std::string cancelled() const override;
    std::string lineFault(const Op& op) const override;

    std::filesystem::path folder_;
    FlushToDisk flush_;
    UnitCopy copy_;
};

// Writes slots back as a store does (mark last), reads each one back and compares it byte
// for byte before its mark is written. A slot the unit marks as used is unmarked first, so
// that a slot cut off half-way is never taken for a stored preset. A slot empty in the
// backup is emptied. Never touches the fixed presets or what the unit runs.
class RestoreJob final : public UnitJob {
  public:
    // `which`: the user slots 0..15 to restore, in order.
    RestoreJob(Link& link, UnitCopy copy, std::vector<int> which);
    // The slots restored so far, in order.
    const std::vector<int>& restored() const { return restored_; }

  private:
    void marksRead() override;
    bool check(int slot) override;
    void slotDone(int slot) override { restored_.push_back(slot); }
    bool finish() override;
    std::string activityOf(const Op& op) const override;
    std::string cancelled() const override;
    std::string lineFault(const Op& op) const override;

    UnitCopy copy_;
    std::vector<int> slots_;
    std::vector<int> restored_;
};

// Reads one user slot's image byte by byte (command 16) after checking its mark, to compare
// it with what the unit runs: nothing is written, and the unit goes on running what it ran
// (the block read 11 p would make it run p).
class SlotReadJob final : public UnitJob {
  public:
    SlotReadJob(Link& link, int slot);
    int slot() const { return slot_; }
    // Once done.
    const std::array<std::uint8_t, kImageBlockSize>& image() const { return image_; }

  private:
    void marksRead() override {}
    bool mayStopBefore(const Op&) const override { return true; }
    bool check(int slot) override;
    bool finish() override;
    std::string activityOf(const Op& op) const override;
    std::string cancelled() const override;
    std::string lineFault(const Op& op) const override;

    int slot_;
    std::array<std::uint8_t, kImageBlockSize> image_{};
};

// How far a job of `total` steps is after `done` of them took `elapsed`: "34 %", then the
// time the rest will take at that pace, "34 %, about 1:12 left".
std::string ProgressText(Clock::Duration elapsed, int done, int total);

// Preset numbers as the user sees them: slot 0 is "05".
std::string SlotNumber(int slot);

}  // namespace vx470
