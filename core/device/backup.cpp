#include "core/device/backup.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "core/app_info.h"
#include "core/text/json.h"
#include "core/text/numbers.h"
#include "core/text/utf8.h"
#include "core/text/windows1252.h"

namespace vx470 {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCurrentFile = "current.Fbk";
// A preset file is the 160-byte image and the spare byte; a backup's spare byte is 0.
constexpr std::size_t kFileSize = kPresetImageSize;
constexpr std::size_t kIndexLimit = 64 * 1024;

using File = std::array<std::uint8_t, kFileSize>;

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const std::uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

std::string hex8(std::uint32_t v) {
    char buffer[12];
    std::snprintf(buffer, sizeof buffer, "%08x", v);
    return buffer;
}

File fileOf(const std::array<std::uint8_t, kImageBlockSize>& image) {
    File file{};
    std::copy(image.begin(), image.end(), file.begin());
    return file;
}

std::tm utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &now);
#else
    gmtime_r(&now, &tm);
#endif
    return tm;
}

std::string timeText(const char* format) {
    const std::tm tm = utcNow();
    char buffer[40];
    std::strftime(buffer, sizeof buffer, format, &tm);
    return buffer;
}

// "05 Vocals.Fbk": the preset number and the name without its blanks, with the characters
// that some file system refuses replaced.
std::string slotFileName(int slot, const NameBytes& name) {
    const std::string text = NameFromBytes(name);
    constexpr std::string_view kRefused = "<>:\"/\\|?*";
    std::string clean;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = DecodeUtf8(text, at);
        const bool refused = c < 0x20 || (c >= 0x7F && c <= 0x9F) ||
                             (c < 0x80 && kRefused.find(static_cast<char>(c)) != kRefused.npos);
        AppendUtf8(clean, refused ? U'_' : c);
    }
    const auto first = clean.find_first_not_of(' ');
    const auto last = clean.find_last_not_of(" .");
    clean = first == std::string::npos || last < first ? "" : clean.substr(first, last - first + 1);
    return SlotNumber(slot) + (clean.empty() ? "" : " " + clean) + ".Fbk";
}

bool writeFile(const fs::path& path, const File& bytes, const FlushToDisk& flush) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (out.fail()) return false;
    }
    return !flush || flush(Utf8FromPath(path));
}

std::string indexText(const UnitCopy& copy, const std::array<std::string, kUserSlots>& files) {
    std::ostringstream j;
    j << "{\n  \"format\": " << kBackupFormat << ",\n";
    j << "  \"program\": " << JsonQuote(std::string(kApplicationTitle) + " " VX470_VERSION)
      << ",\n";
    j << "  \"date\": " << JsonQuote(timeText("%Y-%m-%dT%H:%M:%SZ")) << ",\n";
    j << "  \"current\": {\"name\": " << JsonQuote(NameFromBytes(copy.currentName))
      << ", \"file\": " << JsonQuote(kCurrentFile)
      << ", \"crc32\": " << JsonQuote(hex8(crc32(fileOf(copy.current)))) << "},\n";
    j << "  \"slots\": [\n";
    for (int k = 0; k < kUserSlots; ++k) {
        const SlotCopy& s = copy.presets[static_cast<std::size_t>(k)];
        j << "    {\"preset\": " << k + kFixedPresets + 1
          << ", \"used\": " << (s.used() ? "true" : "false")
          << ", \"mark\": " << static_cast<int>(s.mark);
        if (s.used()) {
            j << ", \"name\": " << JsonQuote(NameFromBytes(s.name))
              << ", \"file\": " << JsonQuote(files[static_cast<std::size_t>(k)])
              << ", \"crc32\": " << JsonQuote(hex8(crc32(fileOf(s.image))));
        }
        j << (k + 1 < kUserSlots ? "},\n" : "}\n");
    }
    j << "  ]\n}\n";
    return j.str();
}

fs::path hiddenBeside(const fs::path& folder) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::string name = "." + Utf8FromPath(folder.filename()) + ".partial-" +
                             std::to_string(random() % 1'000'000'000);
    return folder.parent_path() / PathFromUtf8(name);
}

// A file the index names must be in the folder itself.
bool plainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string::npos;
}

// The 161 bytes of a file the index names, if it has its checksum. Bounded: a file of
// another size is refused before it is read.
std::optional<std::array<std::uint8_t, kImageBlockSize>> readImage(const fs::path& folder,
                                                                   const Json& entry,
                                                                   std::string& error) {
    const std::string* name = entry.find("file") ? entry.find("file")->string() : nullptr;
    const std::string* sum = entry.find("crc32") ? entry.find("crc32")->string() : nullptr;
    if (name == nullptr || sum == nullptr || !plainName(*name)) {
        error = "the index names no file for a used slot";
        return std::nullopt;
    }
    const fs::path path = folder / PathFromUtf8(*name);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) != kFileSize) {
        error = *name + ": missing, or not a preset file of 161 bytes";
        return std::nullopt;
    }
    File bytes{};
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size())) {
        error = *name + ": cannot be read";
        return std::nullopt;
    }
    if (hex8(crc32(bytes)) != *sum) {
        error = *name + ": its checksum does not match the index (the file has changed)";
        return std::nullopt;
    }
    std::array<std::uint8_t, kImageBlockSize> image{};
    std::copy_n(bytes.begin(), kImageBlockSize, image.begin());
    return image;
}

// The whole number lo..hi that `v` holds, else -1.
int wholeNumber(const Json* v, int lo, int hi) {
    return WholeNumber(v != nullptr ? v->number() : std::nullopt, lo, hi).value_or(-1);
}

std::optional<NameBytes> nameOf(const Json& entry) {
    const Json* name = entry.find("name");
    if (name == nullptr || name->string() == nullptr) return std::nullopt;
    // Every character must have a code on the unit; a name typed into the index is centred
    // as a store would centre it.
    std::size_t at = 0;
    const std::string& text = *name->string();
    while (at < text.size()) {
        if (!ToWindows1252(DecodeUtf8(text, at))) return std::nullopt;
    }
    return CentredNameBytes(text);
}

}  // namespace

std::string ProgressText(Clock::Duration elapsed, int done, int total) {
    std::string text = std::to_string(total > 0 ? 100 * done / total : 0) + " %";
    if (done <= 0 || total < done) return text;
    const long long left =
        std::chrono::duration_cast<std::chrono::seconds>(elapsed * (total - done) / done).count();
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, ", about %lld:%02lld left", left / 60, left % 60);
    return text + buffer;
}

std::string SlotNumber(int slot) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", (slot + kFixedPresets + 1) % 100);
    return buffer;
}

bool WriteBackup(const UnitCopy& copy, const fs::path& chosen, const FlushToDisk& flush,
                 std::string& error) {
    // "backup/" names the folder "backup".
    fs::path folder = chosen.lexically_normal();
    if (folder.filename().empty()) folder = folder.parent_path();
    std::error_code ec;
    const bool existed = fs::exists(folder, ec);
    if (existed && !(fs::is_directory(folder, ec) && fs::is_empty(folder, ec))) {
        error = Utf8FromPath(folder) + ": already there, and not an empty folder";
        return false;
    }
    const fs::path hidden = hiddenBeside(folder);
    if (!fs::create_directory(hidden, ec)) {
        error = Utf8FromPath(folder.parent_path()) + ": cannot make a folder there";
        return false;
    }
    std::array<std::string, kUserSlots> files;
    bool ok = writeFile(hidden / kCurrentFile, fileOf(copy.current), flush);
    for (int k = 0; ok && k < kUserSlots; ++k) {
        const SlotCopy& s = copy.presets[static_cast<std::size_t>(k)];
        if (!s.used()) continue;
        std::string& name = files[static_cast<std::size_t>(k)];
        name = slotFileName(k, s.name);
        ok = writeFile(hidden / PathFromUtf8(name), fileOf(s.image), flush);
    }
    if (ok) {
        const std::string index = indexText(copy, files);
        std::ofstream out(hidden / kBackupIndex, std::ios::binary | std::ios::trunc);
        out << index;
        out.close();
        ok = !out.fail() && (!flush || flush(Utf8FromPath(hidden / kBackupIndex)));
    }
    if (ok && existed) fs::remove(folder, ec);  // only ever an empty folder
    if (ok) fs::rename(hidden, folder, ec);
    if (!ok || ec) {
        fs::remove_all(hidden, ec);
        error = Utf8FromPath(folder) + ": the backup could not be written";
        return false;
    }
    return true;
}

std::optional<UnitCopy> ReadBackup(const fs::path& folder, std::string& error) {
    const fs::path indexPath = folder / kBackupIndex;
    std::error_code ec;
    if (!fs::is_regular_file(indexPath, ec)) {
        error = Utf8FromPath(folder) + ": no " + kBackupIndex + " (not a backup folder)";
        return std::nullopt;
    }
    std::string text;
    {
        std::ifstream in(indexPath, std::ios::binary);
        text.resize(kIndexLimit + 1);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
    }
    const std::optional<Json> index = ParseJson(text, kIndexLimit);
    const Json* format = index ? index->find("format") : nullptr;
    const Json* list = index ? index->find("slots") : nullptr;
    if (!index || format == nullptr || format->number() != kBackupFormat || list == nullptr ||
        list->array() == nullptr || list->array()->size() != kUserSlots) {
        error = std::string(kBackupIndex) + ": not a backup index this program can read";
        return std::nullopt;
    }
    UnitCopy copy;
    std::array<bool, kUserSlots> seen{};
    const auto fault = [&](const std::string& why) {
        error = std::string(kBackupIndex) + ": " + why;
        return std::nullopt;
    };
    for (const Json& entry : *list->array()) {
        const int p = wholeNumber(entry.find("preset"), kFixedPresets + 1, kPresets);
        if (p < 0 || seen[static_cast<std::size_t>(p - kFixedPresets - 1)]) {
            return fault("a slot entry without a preset number 5..20 of its own");
        }
        const int m = wholeNumber(entry.find("mark"), 0, 255);
        if (m < 0) return fault("preset " + std::to_string(p) + " has no mark 0..255");
        const auto k = static_cast<std::size_t>(p - kFixedPresets - 1);
        seen[k] = true;
        SlotCopy& s = copy.presets[k];
        s.mark = static_cast<std::uint8_t>(m);
        if (!s.used()) continue;
        const std::optional<NameBytes> name = nameOf(entry);
        if (!name)
            return fault("preset " + std::to_string(k + 5) + " has no name the unit can keep");
        s.name = *name;
        const auto image = readImage(folder, entry, error);
        if (!image) return std::nullopt;
        s.image = *image;
    }
    if (const Json* current = index->find("current")) {
        const auto name = nameOf(*current);
        const auto image = readImage(folder, *current, error);
        if (!image) return std::nullopt;
        if (!name) return fault("the running preset has no name the unit can keep");
        copy.currentName = *name;
        copy.current = *image;
    }
    error.clear();
    return copy;
}

fs::path NewBackupFolder(const fs::path& parent) {
    const std::string base = "VX-470 backup " + timeText("%Y-%m-%d %H.%M");
    std::error_code ec;
    for (int n = 1;; ++n) {
        const fs::path candidate =
            parent / PathFromUtf8(n == 1 ? base : base + " (" + std::to_string(n) + ")");
        if (!fs::exists(candidate, ec)) return candidate;
    }
}

// The jobs.

bool UnitJob::Step() {
    if (state_ != State::Running) return false;
    if (next_ >= ops_.size()) {
        state_ = State::Done;
        return false;
    }
    // A copy: the plan grows once the marks are known.
    const Op op = ops_[next_];
    if (cancelRequested_ && (mayStopBefore(op) || next_ == 0)) {
        state_ = State::Cancelled;
        message_ = cancelled();
        return false;
    }
    activity_ = activityOf(op);
    if (!run(op)) {
        failedSlot_ = op.slot;
        if (state_ == State::Running) fail(Failure::Line, lineFault(op));
        return false;
    }
    ++next_;
    if (next_ == marksEnd_) marksRead();
    if (op.endsSlot) slotDone(op.slot);
    return true;
}

bool UnitJob::run(const Op& op) {
    switch (op.kind) {
        case Op::Read: {
            const std::optional<std::uint8_t> b = TryReadMemoryByte(link_, op.address);
            if (b) memory_[static_cast<std::size_t>(op.address)] = *b;
            return b.has_value();
        }
        case Op::Write:
            return TryWriteMemoryByte(link_, op.address, op.data);
        case Op::ReadRunning:
            return readRunning();
        case Op::Check:
            return check(op.slot);
        case Op::Finish:
            return finish();
    }
    return false;
}

void UnitJob::addReads(int address, int count, int slot) {
    for (int i = 0; i < count; ++i) add({Op::Read, address + i, 0, slot, false, false});
}

void UnitJob::fail(Failure why, std::string message) {
    state_ = State::Failed;
    failure_ = why;
    message_ = std::move(message);
}

BackupJob::BackupJob(Link& link, fs::path folder, FlushToDisk flush)
    : UnitJob(link), folder_(std::move(folder)), flush_(std::move(flush)) {
    addReads(DeviceAddress::Marks, kUserSlots, -1);
    marksEnd_ = kUserSlots;
}

void BackupJob::marksRead() {
    for (int k = 0; k < kUserSlots; ++k) {
        SlotCopy& s = copy_.presets[static_cast<std::size_t>(k)];
        s.mark = memory_[static_cast<std::size_t>(DeviceAddress::Mark(k))];
        if (!s.used()) continue;
        addReads(DeviceAddress::Image(k), static_cast<int>(kImageBlockSize), k);
        addReads(DeviceAddress::Name(k), DeviceAddress::NameLength, k);
    }
    addReads(DeviceAddress::CurrentName, DeviceAddress::NameLength, -1);
    add({Op::ReadRunning});
    add({Op::Finish});
}

bool BackupJob::readRunning() {
    return TryReadRunningImage(link_, copy_.current);
}

bool BackupJob::finish() {
    const auto bytes = [this](int address, auto& into) {
        std::copy_n(memory_.begin() + address, into.size(), into.begin());
    };
    for (int k = 0; k < kUserSlots; ++k) {
        SlotCopy& s = copy_.presets[static_cast<std::size_t>(k)];
        if (!s.used()) continue;
        bytes(DeviceAddress::Image(k), s.image);
        bytes(DeviceAddress::Name(k), s.name);
    }
    bytes(DeviceAddress::CurrentName, copy_.currentName);
    std::string error;
    if (!WriteBackup(copy_, folder_, flush_, error)) {
        fail(Failure::File, "No backup made: " + error + ".");
        return false;
    }
    int used = 0;
    for (const SlotCopy& s : copy_.presets) used += s.used() ? 1 : 0;
    std::string message = "Backed up " + std::to_string(used) + " stored preset";
    message += used == 1 ? "" : "s";
    message_ = message + " and the running one into " + Utf8FromPath(folder_) + ".";
    return true;
}

std::string BackupJob::activityOf(const Op& op) const {
    if (op.kind == Op::Finish) return "Writing the backup files";
    if (op.slot >= 0) return "Reading preset " + SlotNumber(op.slot);
    if (op.kind == Op::ReadRunning || op.address >= DeviceAddress::CurrentName) {
        return "Reading the running preset";
    }
    return "Reading which presets are stored";
}

std::string BackupJob::cancelled() const {
    return "Backup cancelled: nothing was saved.";
}

std::string BackupJob::lineFault(const Op&) const {
    return "No backup made: the unit stopped answering (" + activity() + ").";
}

RestoreJob::RestoreJob(Link& link, UnitCopy copy, std::vector<int> which)
    : UnitJob(link), copy_(copy), slots_(std::move(which)) {
    addReads(DeviceAddress::Marks, kUserSlots, -1);
    marksEnd_ = kUserSlots;
}

void RestoreJob::marksRead() {
    for (const int k : slots_) {
        if (k < 0 || k >= kUserSlots) continue;
        const SlotCopy& s = copy_.presets[static_cast<std::size_t>(k)];
        const std::uint8_t now = memory_[static_cast<std::size_t>(DeviceAddress::Mark(k))];
        const std::size_t first = static_cast<std::size_t>(total());
        if (!s.used()) {
            if (now != s.mark)
                add({Op::Write, DeviceAddress::Mark(k), s.mark, k, true, true});
            else
                add({Op::Check, 0, 0, k, true, true});  // nothing to write, still restored
            continue;
        }
        if (now == DeviceAddress::Occupied) {
            add({Op::Write, DeviceAddress::Mark(k), DeviceAddress::Erased, k, false, false});
        }
        std::vector<MemoryWrite> writes = SlotWrites(k, s.image, s.name);
        const MemoryWrite mark = writes.back();
        writes.pop_back();
        for (const MemoryWrite& w : writes) add({Op::Write, w.address, w.data, k, false, false});
        addReads(DeviceAddress::Image(k), static_cast<int>(kImageBlockSize), k);
        addReads(DeviceAddress::Name(k), DeviceAddress::NameLength, k);
        add({Op::Check, 0, 0, k, false, false});
        add({Op::Write, mark.address, mark.data, k, false, true});
        markStart(first);
    }
    add({Op::Finish});
}

bool RestoreJob::check(int slot) {
    const SlotCopy& s = copy_.presets[static_cast<std::size_t>(slot)];
    if (!s.used()) return true;
    const auto differs = [this](int address, std::span<const std::uint8_t> expected) {
        return !std::equal(expected.begin(), expected.end(), memory_.begin() + address);
    };
    if (differs(DeviceAddress::Image(slot), s.image) ||
        differs(DeviceAddress::Name(slot), s.name)) {
        fail(
            Failure::Mismatch,
            "Preset " + SlotNumber(slot) +
                " did not read back as written; it is left unmarked (empty). The restore stopped.");
        return false;
    }
    return true;
}

bool RestoreJob::finish() {
    message_ =
        "Restored " + std::to_string(restored_.size()) + " preset(s); each read back as written.";
    return true;
}

std::string RestoreJob::activityOf(const Op& op) const {
    if (op.slot < 0) return "Reading which presets are stored";
    if (op.kind == Op::Read) return "Checking preset " + SlotNumber(op.slot);
    return "Writing preset " + SlotNumber(op.slot);
}

std::string RestoreJob::cancelled() const {
    return "Restore cancelled: " + std::to_string(restored_.size()) +
           " preset(s) restored, the others left as they were.";
}

SlotReadJob::SlotReadJob(Link& link, int slot) : UnitJob(link), slot_(slot) {
    addReads(DeviceAddress::Mark(slot), 1, slot);
    add({Op::Check, 0, 0, slot, false, false});
    addReads(DeviceAddress::Image(slot), static_cast<int>(kImageBlockSize), slot);
    add({Op::Finish});
}

bool SlotReadJob::check(int slot) {
    if (memory_[static_cast<std::size_t>(DeviceAddress::Mark(slot))] == DeviceAddress::Occupied)
        return true;
    fail(Failure::Mismatch, "Preset " + SlotNumber(slot) + " is empty on the unit.");
    return false;
}

bool SlotReadJob::finish() {
    std::copy_n(memory_.begin() + DeviceAddress::Image(slot_), image_.size(), image_.begin());
    message_ = "Read preset " + SlotNumber(slot_) + ".";
    return true;
}

std::string SlotReadJob::activityOf(const Op&) const {
    return "Reading preset " + SlotNumber(slot_);
}

std::string SlotReadJob::cancelled() const {
    return "Comparison cancelled: nothing was compared.";
}

std::string SlotReadJob::lineFault(const Op&) const {
    return "Nothing compared: the unit stopped answering (" + activity() + ").";
}

std::string RestoreJob::lineFault(const Op& op) const {
    if (op.slot < 0) return "Nothing restored: the unit stopped answering.";
    return "The unit stopped answering while preset " + SlotNumber(op.slot) +
           " was restored: that preset is not restored, and the restore stopped.";
}

}  // namespace vx470
