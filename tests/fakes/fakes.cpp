#include "tests/fakes/fakes.h"

#include <algorithm>

#include "core/presets/frm_read.h"
#include "core/presets/frm_store.h"
#include "core/presets/frm_unit_job.h"

namespace vx470::test {

std::unique_ptr<SerialPort> FakeSerialPort::another() {
    auto port = std::make_unique<FakeSerialPort>(clock_);
    port->root_ = root_;
    return port;
}

bool FakeSerialPort::open(int number) {
    root_->opens.push_back(number);
    if (open_ || !root_->openable.contains(number)) return false;
    open_ = true;
    port_ = number;
    input_.clear();
    return true;
}

void FakeSerialPort::reset() {
    openable = {1};
    onWrite = nullptr;
    forgetWrites();
    opens.clear();
    inBufferSize = 1024;
    open_ = false;
    port_ = 0;
    input_.clear();
    pending_.clear();
    due_ = 0;
}

void FakeSerialPort::forgetWrites() {
    for (Write& w : writes) spare_.push_back(std::move(w.bytes));
    writes.clear();
}

bool FakeSerialPort::write(std::span<const std::uint8_t> bytes) {
    if (!open_) return false;
    Bytes record;
    if (!spare_.empty()) {
        record = std::move(spare_.back());
        spare_.pop_back();
    }
    record.assign(bytes.begin(), bytes.end());
    std::vector<Write>& all = root_->writes;
    all.push_back({port_, std::move(record), clock_.now()});
    if (root_->onWrite) root_->onWrite(*this, all.back().bytes);
    return true;
}

void FakeSerialPort::arriveNow(std::span<const std::uint8_t> bytes) {
    // Behind nothing that is still on its way it goes straight in, as bytesWaiting would take it.
    if (open_ && due_ == pending_.size())
        input_.insert(input_.end(), bytes.begin(), bytes.end());
    else
        queue(clock_.now(), Bytes(bytes.begin(), bytes.end()));
}

void FakeSerialPort::arrive(Bytes bytes, Clock::Duration after) {
    if (after <= Clock::Duration::zero()) return arriveNow(bytes);
    queue(clock_.now() + after, std::move(bytes));
}

void FakeSerialPort::queue(Clock::Duration at, Bytes bytes) {
    const auto later = std::find_if(pending_.begin() + static_cast<std::ptrdiff_t>(due_),
                                    pending_.end(), [&](const auto& p) { return p.first > at; });
    pending_.emplace(later, at, std::move(bytes));
}

std::size_t FakeSerialPort::bytesWaiting() {
    for (; due_ < pending_.size() && pending_[due_].first <= clock_.now(); ++due_)
        if (open_)
            input_.insert(input_.end(), pending_[due_].second.begin(), pending_[due_].second.end());
    if (due_ == pending_.size()) {
        pending_.clear();
        due_ = 0;
    }
    return std::min(input_.size(), inBufferSize);
}

std::size_t FakeSerialPort::read(std::span<std::uint8_t> into) {
    const std::size_t n = std::min(into.size(), bytesWaiting());
    std::copy_n(input_.begin(), n, into.begin());
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

void FakeSerialPort::dropInput() {
    bytesWaiting();
    input_.clear();
}

void FakeSerialPort::waitForInput(std::chrono::nanoseconds limit) {
    const auto next = due_ == pending_.size() ? clock_.now() + limit : pending_[due_].first;
    clock_.advance(std::clamp(next - clock_.now(), Clock::Duration::zero(), limit));
    bytesWaiting();
}

Answer FakeDialogs::show(const MessageBox& box) {
    shown.push_back({keep(box.text), keep(box.title), box.buttons, box.icon, box.defaultButton});
    if (answers.empty())
        return box.buttons == MessageButtons::Ok ? Answer::Ok
               : box.defaultButton == 1          ? Answer::No
                                                 : Answer::Yes;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

std::string FakeFileDialogs::next(const FileDialogRequest& request) {
    requests.push_back(request);
    if (paths.empty()) return {};
    std::string p = paths.front();
    paths.pop_front();
    return p;
}

void FakeHost::showModal(FrmRead& form) {
    if (onRead) onRead(form);
    if (!form.Unloaded()) form.Command1_Click(0);
}

void FakeHost::showModal(FrmStore& form) {
    if (onStore) onStore(form);
    if (!form.Unloaded()) form.Command1_Click(0);
}

void FakeHost::showModal(FrmUnitJob& form) {
    while (form.Running()) form.Timer_Tick();
    if (!form.Unloaded()) form.Command1_Click(0);
}

FrameBytes frameBytes(std::initializer_list<int> args) {
    FrameBytes f{};
    f[0] = 0xF0;
    f[1] = 0x5B;
    std::size_t i = 2;
    for (int a : args)
        if (i < 9) f[i++] = static_cast<std::uint8_t>(a);
    f[9] = 0xF7;
    return f;
}

Bytes frame(std::initializer_list<int> args) {
    const FrameBytes f = frameBytes(args);
    return Bytes(f.begin(), f.end());
}

FrameList framesOn(const FakeSerialPort& port) {
    FrameList f;
    for (const auto& w : port.writes) f.push_back(w.bytes);
    return f;
}

Texts boxesOn(const FakeDialogs& d, bool full) {
    static const char* const icons[] = {"", " (i)", " (!)", " (x)", " (?)"};
    Texts t;
    for (const FakeDialogs::Shown& b : d.shown) {
        const char* buttons = b.buttons == MessageButtons::Ok ? " [OK]"
                              : b.defaultButton               ? " [Yes/No*]"
                                                              : " [Yes*/No]";
        t.push_back(std::string(b.title) + ": " + std::string(b.text) +
                    (full ? icons[static_cast<int>(b.icon)] + std::string(buttons) : ""));
    }
    return t;
}

void MiniUnit::usePreset(int shown, const std::string& name) {
    memory[static_cast<std::size_t>(43 + shown)] = 0x55;
    std::copy_n(name.begin(), 8, memory.begin() + 3872 + 8 * (shown - 5));
}

void MiniUnit::attach(FakeSerialPort& fake) {
    fake.openable.insert(port);
    fake.onWrite = [this](FakeSerialPort& p, const Bytes& w) {
        if (p.currentPort() != port || w.size() != 10 || answers == 0) return;
        if (answers > 0) --answers;
        const std::uint8_t cmd = w[2];
        auto& cell = memory[static_cast<std::size_t>((w[3] << 8 | w[4]) & 0xFFF)];
        if (cmd == 17) cell = w[6];
        if (cmd == 11) p.arriveNow(running);
        if (cmd != 11 && cmd != 48)
            p.arriveNow(std::array<std::uint8_t, 10>{0xF0, 0x5B, cmd, 0x5B, w[3], w[4],
                                                     cmd == 16 ? cell : w[6], w[7], w[8], 0xF7});
    };
}

}  // namespace vx470::test
