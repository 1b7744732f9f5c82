// Backups and restores of the unit, run step by step against the simulator in-process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>

#include "cli/cli.h"
#include "core/device/backup.h"
#include "core/text/json.h"
#include "sim/unit.h"
#include "tests/support/files.h"
#include "tests/support/sim_line.h"

namespace vx470::test {
namespace {

namespace fs = std::filesystem;

struct Quiet final : Dialogs {
    Answer show(const MessageBox&) override { return Answer::Ok; }
};

// A unit on an opened line, as the program holds it after finding it.
struct Bench {
    explicit Bench(vxsim::Config config = {}) : unit(config) {
        link.CommPortNumber = 1;
        link.OpenCommPort();
        link.ReopenWithBufferSize(kReplySize);
    }
    vxsim::Unit unit;
    SimLine line{unit};
    Quiet quiet;
    Link link{line, line, quiet};
};

// Runs the job to its end, cancelling it once `cancelAt` steps are done.
UnitJob::State run(UnitJob& job, int cancelAt = -1) {
    for (int steps = 0; job.Step(); ++steps) {
        if (steps + 1 == cancelAt) job.Cancel();
    }
    return job.state();
}

bool sameSlot(const vxsim::Unit& a, const vxsim::Unit& b, int k) {
    const auto& ma = a.memory();
    const auto& mb = b.memory();
    const auto same = [&](int from, int n) {
        return std::equal(ma.begin() + from, ma.begin() + from + n, mb.begin() + from);
    };
    if (ma[std::size_t(DeviceAddress::Mark(k))] != mb[std::size_t(DeviceAddress::Mark(k))])
        return false;
    if (ma[std::size_t(DeviceAddress::Mark(k))] != DeviceAddress::Occupied) return true;
    return same(DeviceAddress::Image(k), 160) && same(DeviceAddress::Name(k), 8);
}

int frames(const vxsim::Unit& unit, int command) {
    int n = 0;
    for (const auto& f : unit.receivedFrames()) n += f[2] == command ? 1 : 0;
    return n;
}

TEST(Backup, ThenRestoreIntoAWipedUnitGivesTheSameMemoryAndChangesNothingTheUnitRuns) {
    TempDir parent;
    Bench from(vxsim::Config{.userPresets = {5, 9, 20}});
    // A name with the code page's unused code and a NUL must survive the round trip.
    poke(from.unit, DeviceAddress::Name(4),
         std::to_array<std::uint8_t>({0x81, 0, 'a', 'b', 'c', 'd', 'e', 'f'}));
    poke(from.unit, DeviceAddress::Mark(7), std::array<std::uint8_t, 1>{});  // empty, not erased
    const vxsim::Image running = from.unit.runningImage();
    const std::vector<std::uint8_t> name(
        from.unit.memory().begin() + DeviceAddress::CurrentName,
        from.unit.memory().begin() + DeviceAddress::CurrentName + 8);
    const auto writesBefore = frames(from.unit, Command::WriteByte);

    BackupJob backup(from.link, parent.path() / "unit", {});
    ASSERT_EQ(run(backup), UnitJob::State::Done) << backup.message();
    EXPECT_EQ(backup.total(), 16 + 3 * 168 + 8 + 1 + 1);
    EXPECT_EQ(frames(from.unit, Command::WriteByte), writesBefore);
    EXPECT_EQ(frames(from.unit, Command::ReadBlock), 1);
    EXPECT_EQ(from.unit.receivedFrames().back()[3], kRunningImage);
    EXPECT_EQ(from.unit.runningImage(), running);
    EXPECT_TRUE(std::equal(name.begin(), name.end(),
                           from.unit.memory().begin() + DeviceAddress::CurrentName));

    // Each slot is a preset file of its own, loadable as any other.
    const fs::path folder = parent.path() / "unit";
    EXPECT_EQ(parent.entries(), 1u);
    const Bytes bytes = readFile(folder / "09 __abcdef.Fbk");
    ASSERT_EQ(bytes.size(), 161u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end() - 1,
                           from.unit.memory().begin() + DeviceAddress::Image(4)));
    EXPECT_TRUE(fs::exists(folder / "current.Fbk"));

    std::string error;
    const std::optional<UnitCopy> copy = ReadBackup(folder, error);
    ASSERT_TRUE(copy) << error;
    Bench to;  // no user presets
    const vxsim::Image runningTo = to.unit.runningImage();
    std::vector<int> all(kUserSlots);
    std::iota(all.begin(), all.end(), 0);
    RestoreJob restore(to.link, *copy, all);
    ASSERT_EQ(run(restore), UnitJob::State::Done) << restore.message();
    for (int k = 0; k < kUserSlots; ++k) EXPECT_TRUE(sameSlot(from.unit, to.unit, k)) << k;
    EXPECT_EQ(restore.restored(), all);
    EXPECT_EQ(to.unit.runningImage(), runningTo);
    EXPECT_EQ(frames(to.unit, Command::ReadBlock), 0);
}

// What a Cancel or a dead line leaves of a restore: restored slots marked, the slot cut off
// unmarked, the rest as they were. (Of a backup, no folder: Cli.BackupRestoreRoundTrip...)
TEST(Backup, CancelOrLineFaultLeavesNoHalfSlot) {
    Bench from(vxsim::Config{.userPresets = {5, 6, 7}});
    TempDir parent;
    BackupJob backup(from.link, parent.path() / "unit", {});
    ASSERT_EQ(run(backup), UnitJob::State::Done);
    std::string error;
    const UnitCopy copy = *ReadBackup(parent.path() / "unit", error);
    // Slot 1 is occupied on the target: it is unmarked before it is written.
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancel" : "line fault");
        vxsim::Config config{.userPresets = {6, 8}};
        // Frames: 16 mark reads, slot 0 (337), then slot 1's unmark and 100 writes.
        if (!cancel) config.faults = {{vxsim::FaultKind::DieAfter, 16 + 337 + 101, 0}};
        Bench to(config);
        const auto untouched = to.unit.memory();
        RestoreJob restore(to.link, copy, {0, 1, 2, 3});
        EXPECT_EQ(run(restore, cancel ? 16 + 337 + 50 : -1),
                  cancel ? UnitJob::State::Cancelled : UnitJob::State::Failed);
        EXPECT_TRUE(sameSlot(from.unit, to.unit, 0));
        const auto& m = to.unit.memory();
        if (cancel) {
            // The slot under way when the Cancel came was finished; nothing after it began.
            EXPECT_EQ(restore.restored(), (std::vector<int>{0, 1}));
            EXPECT_TRUE(sameSlot(from.unit, to.unit, 1));
            for (const auto& [from, n] : {std::pair{DeviceAddress::Image(2), 320},
                                          {DeviceAddress::Name(2), 16},
                                          {DeviceAddress::Mark(2), 2}}) {
                EXPECT_TRUE(
                    std::equal(m.begin() + from, m.begin() + from + n, untouched.begin() + from));
            }
        } else {
            EXPECT_EQ(restore.restored(), (std::vector<int>{0}));
            EXPECT_NE(m[std::size_t(DeviceAddress::Mark(1))], DeviceAddress::Occupied);
            EXPECT_NE(restore.message().find("preset 06"), std::string::npos) << restore.message();
        }
        EXPECT_EQ(m[std::size_t(DeviceAddress::Mark(3))], untouched[DeviceAddress::Mark(3)]);
    }
}

TEST(Backup, AReadBackThatDiffersLeavesTheSlotUnmarked) {
    TempDir parent;
    Bench from(vxsim::Config{.userPresets = {5}});
    BackupJob backup(from.link, parent.path() / "unit", {});
    ASSERT_EQ(run(backup), UnitJob::State::Done);
    std::string error;
    const UnitCopy copy = *ReadBackup(parent.path() / "unit", error);
    // Junk before one read-back reply shifts the byte the reply carries.
    Bench to(vxsim::Config{.faults = {{vxsim::FaultKind::Garbage, 16 + 168 + 20, 3}}});
    RestoreJob restore(to.link, copy, {0});
    EXPECT_EQ(run(restore), UnitJob::State::Failed);
    EXPECT_NE(to.unit.memory()[std::size_t(DeviceAddress::Mark(0))], DeviceAddress::Occupied);
    EXPECT_NE(restore.message().find("05 did not read back"), std::string::npos)
        << restore.message();
}

// A folder that is not a sound backup is refused before anything is sent; the folder the
// user names for a new backup is never written into unless it is empty.
TEST(Backup, BadFoldersAreRefusedAndNoFileOfTheUsersIsTouched) {
    TempDir parent;
    Bench from(vxsim::Config{.userPresets = {5, 6}});
    BackupJob backup(from.link, parent.path() / "good", {});
    ASSERT_EQ(run(backup), UnitJob::State::Done);
    const fs::path good = parent.path() / "good";
    const Bytes bytes = readFile(good / kBackupIndex);
    const std::string index(bytes.begin(), bytes.end());
    // Changes the last entry that has `from`: a slot's, not the running preset's.
    const auto replace = [&](std::string from, const std::string& to) {
        std::string s = index;
        const auto at = s.rfind(from);
        return at == std::string::npos ? std::string() : s.replace(at, from.size(), to);
    };
    const struct {
        const char* what;
        std::string index;
    } cases[] = {
        {"not JSON", "{\"format\": 1, "},
        {"a later format", replace("\"format\": 1", "\"format\": 2")},
        {"a file outside the folder", replace("\"file\": \"06", "\"file\": \"../06")},
        {"a preset twice", replace("\"preset\": 6", "\"preset\": 5")},
        {"a checksum that differs", replace("\"crc32\": \"", "\"crc32\": \"0")},
        {"a name the unit has no codes for", replace("\"name\": \"", "\"name\": \"\u4e00")},
        {"deep nesting", std::string(100000, '[')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.index.empty());
        const fs::path bad = parent.path() / "bad";
        fs::remove_all(bad);
        fs::copy(good, bad);
        std::ofstream(bad / kBackupIndex, std::ios::trunc) << c.index;
        std::string error;
        EXPECT_FALSE(ReadBackup(bad, error));
        EXPECT_FALSE(error.empty());
    }

    const fs::path mine = parent.path() / "mine";
    fs::create_directory(mine);
    std::ofstream(mine / "notes.txt") << "mine";
    BackupJob into(from.link, mine, {});
    EXPECT_EQ(run(into), UnitJob::State::Failed);
    EXPECT_EQ(std::distance(fs::directory_iterator(mine), {}), 1);
    EXPECT_EQ(parent.entries(), 3u);  // good, bad, mine: no hidden folder left
}

// vx470-cli against the simulator in-process.
class CliHost final : public cli::Host {
  public:
    explicit CliHost(Bench& bench) : bench_(bench) {}
    int interruptAfter = -1;  // calls of interrupted() before Ctrl+C comes
    SerialPort& ports(const std::string&) override { return bench_.line; }
    int portCount() override { return 1; }
    std::string portName(int) override { return "sim"; }
    Clock& clock() override { return bench_.line; }
    bool flushToDisk(const std::string&) override { return true; }
    bool interrupted() override { return interruptAfter >= 0 && interruptAfter-- == 0; }
    bool terminal() override { return false; }

  private:
    Bench& bench_;
};

struct Cli {
    int rc;
    std::string out, err;
};

Cli cli(Bench& bench, std::vector<std::string> args, int interruptAfter = -1) {
    bench.link.port().close();  // the tool finds the unit itself
    CliHost host(bench);
    host.interruptAfter = interruptAfter;
    std::ostringstream out, err;
    const int rc = cli::Run(args, host, out, err);
    return {rc, out.str(), err.str()};
}

// Each command's exit status, what it prints and what reaches the unit; bad arguments are
// refused before anything goes out.
TEST(Cli, CommandsExitCodesAndWhatTheUnitReceives) {
    TempDir dir;
    const std::string file = (dir.path() / "p.Fbk").string();
    const struct {
        std::vector<std::string> args;
        int rc;
        const char* out;
        const char* err;
        int frames;  // -1: any
    } cases[] = {
        {{"--help"}, 0, "Usage: vx470-cli", "", 0},
        {{"--version"}, 0, "vx470-cli ", "", 0},
        {{}, 2, "", "no command given", 0},
        {{"erase"}, 2, "", "unknown command 'erase'", 0},
        {{"--prot", "x", "dump"}, 2, "", "unknown option '--prot'", 0},
        {{"get"}, 2, "", "get takes 1 argument", 0},
        {{"get", "left.notch13.gain"}, 2, "", "no setting named 'left.notch13.gain'", 0},
        {{"read", "21", file}, 2, "", "from 1 to 20", 0},
        {{"store", file, "4", "x"}, 2, "", "1 to 4 are the unit's own", 0},
        {{"restore", "x", "--slot", "3"}, 2, "", "--slot takes", 0},
        {{"dump", "--slot", "5"}, 2, "", "--slot goes with restore only", 0},
        {{"ports"}, 0, "1  sim  unit", "", 1},
        {{"get", "left.notch12.gain"}, 0, "0\n", "", -1},
        {{"--json", "get", "right.auto.q"},
         0,
         "{\"name\": \"right.auto.q\", \"value\": \"1/10\"",
         "",
         -1},
        {{"set", "left.notch12.gain", "-6"}, 0, "left.notch12.gain -6\n", "", -1},
        {{"set", "left.notch12.freq", "1000"}, 0, "left.notch12.freq 1003\n", "", -1},
        {{"set", "left.notch12.gain", "5"}, 2, "", "takes a whole number of dB from -45 to 0", -1},
        {{"set", "left.notch1.gain", "-6"}, 1, "", "one of the 4 automatic notches", -1},
        {{"set", "right.release", "slow"}, 0, "right.release Slow\n", "", -1},
        {{"read", "6", file}, 1, "", "preset 6 is empty", -1},
        {{"read", "5", file}, 0, "the unit now runs it", "", -1},
        {{"store", file, "7", "Kick drum"}, 2, "", "at most 8 characters", -1},
        {{"store", file, "7", "Kick"}, 0, "as preset 7 \"  Kick  \"", "", -1},
        {{"store", (dir.path() / "none").string(), "7", "x"}, 5, "", "no such file", -1},
        {{"restore", dir.path().string()}, 5, "", "not a backup folder", -1},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        Bench bench(vxsim::Config{.userPresets = {5}});
        const Cli r = cli(bench, c.args);
        EXPECT_EQ(r.rc, c.rc) << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (c.frames >= 0) {
            EXPECT_EQ(bench.unit.receivedFrames().size(), std::size_t(c.frames));
        }
        if (c.rc != 0 || c.frames == 0) continue;
        const auto& last = bench.unit.receivedFrames().back();
        if (c.args[0] == "set") {
            // The one frame that sets it, as the unit now runs it.
            EXPECT_EQ(
                frames(bench.unit, Command::NotchFilter) + frames(bench.unit, Command::ReleaseMode),
                1);
            if (c.args[1] == "left.notch12.gain") {
                EXPECT_EQ(bench.unit.runningImage()[72], 39);
            }
        }
        if (c.args[0] == "read") {
            EXPECT_EQ(last[2], Command::ReadBlock);
            EXPECT_EQ(last[3], 4);  // preset 5 recalled
            const auto bytes = readFile(file);
            ASSERT_EQ(bytes.size(), 161u);
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.end() - 1,
                                   bench.unit.memory().begin() + DeviceAddress::Image(0)));
        }
        if (c.args[0] == "store") {
            const auto& m = bench.unit.memory();
            const auto bytes = readFile(file);
            EXPECT_TRUE(
                std::equal(bytes.begin(), bytes.end() - 1, m.begin() + DeviceAddress::Image(2)));
            EXPECT_EQ(std::string(m.begin() + DeviceAddress::Name(2),
                                  m.begin() + DeviceAddress::Name(2) + 8),
                      "  Kick  ");
            EXPECT_EQ(last[4], DeviceAddress::Mark(2));  // the mark goes last
        }
    }
    Bench none;
    none.line.openable = false;
    EXPECT_EQ(cli(none, {"dump"}).rc, 3);
    EXPECT_EQ(cli(none, {"ports"}).rc, 3);
    Bench dumb;
    const Cli json = cli(dumb, {"--json", "dump"});
    const std::optional<Json> parsed = ParseJson(json.out);
    ASSERT_TRUE(parsed) << json.out;
    EXPECT_EQ(parsed->find("channels")->array()->at(1).find("notches")->array()->size(), 12u);
}

// The round trip through the tool; a Ctrl+C or a dead line leaves no backup folder.
TEST(Cli, BackupRestoreRoundTripAndInterruptions) {
    TempDir dir;
    const std::string folder = (dir.path() / "unit").string();
    Bench from(vxsim::Config{.userPresets = {5, 12, 20}});
    ASSERT_EQ(cli(from, {"backup", folder}).rc, 0);
    Bench to(vxsim::Config{.userPresets = {6}});
    EXPECT_EQ(cli(to, {"restore", folder, "--slot", "6"}).rc, 1);  // empty in the backup
    const Cli one = cli(to, {"restore", folder, "--slot=12"});
    EXPECT_EQ(one.rc, 0) << one.err;
    EXPECT_TRUE(sameSlot(from.unit, to.unit, 7));
    EXPECT_FALSE(sameSlot(from.unit, to.unit, 1));  // preset 6 was not restored

    // --log: every frame of the command, and a file that cannot be written is refused.
    const std::string log = (dir.path() / "cli.log").string();
    EXPECT_EQ(cli(to, {"--log", log, "get", "right.mode"}).rc, 0);
    const Bytes logged = readFile(log);
    const std::string text(logged.begin(), logged.end());
    EXPECT_NE(text.find("probe"), std::string::npos) << text;
    EXPECT_NE(text.find("read running image"), std::string::npos) << text;
    EXPECT_EQ(cli(to, {"--log", (dir.path() / "no/such.log").string(), "dump"}).rc, 5);
    fs::remove(log);

    Bench dying(vxsim::Config{.userPresets = {5}, .faults = {{vxsim::FaultKind::DieAfter, 40, 0}}});
    EXPECT_EQ(cli(dying, {"backup", folder + "2"}).rc, 4);
    EXPECT_EQ(cli(from, {"backup", folder + "3"}, 30).rc, 130);
    EXPECT_EQ(dir.entries(), 1u);
}

}  // namespace
}  // namespace vx470::test
