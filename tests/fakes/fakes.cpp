#include "tests/fakes/fakes.h"

#include <algorithm>

#include "core/presets/frm_read.h"
#include "core/presets/frm_store.h"

namespace vx470::test {

void FakeSerialPort::arrive(const Bytes& bytes, Clock::Duration after) {
    pending_.emplace(clock_.now() + after, bytes);
}

bool FakeSerialPort::open(int number) {
    opens.push_back(number);
    if (open_ || !openable.contains(number)) return false;
    open_ = true;
    port_ = number;
    input_.clear();
    return true;
}

void FakeSerialPort::close() {
    open_ = false;
}

void FakeSerialPort::setBufferSizes(std::size_t inBuffer, std::size_t len) {
    inBufferSize = inBuffer;
    inputLen = len;
}

bool FakeSerialPort::write(std::span<const std::uint8_t> bytes) {
    if (!open_ || writeFails) return false;
    writes.push_back({port_, Bytes(bytes.begin(), bytes.end()), clock_.now()});
    if (onWrite) onWrite(*this, writes.back().bytes);
    return true;
}

void FakeSerialPort::deliverDue() {
    while (!pending_.empty() && pending_.begin()->first <= clock_.now()) {
        if (open_) {
            const Bytes& b = pending_.begin()->second;
            input_.insert(input_.end(), b.begin(), b.end());
        }
        pending_.erase(pending_.begin());
    }
}

std::size_t FakeSerialPort::bytesWaiting() {
    deliverDue();
    return std::min(input_.size(), inBufferSize);
}

std::size_t FakeSerialPort::read(std::span<std::uint8_t> into) {
    const std::size_t n = std::min({into.size(), inputLen, bytesWaiting()});
    for (std::size_t i = 0; i < n; ++i) {
        into[i] = input_.front();
        input_.pop_front();
    }
    return n;
}

void FakeSerialPort::dropInput() {
    deliverDue();
    input_.clear();
    ++drops;
}

void FakeSerialPort::waitForInput(std::chrono::nanoseconds limit) {
    const auto deadline = clock_.now() + limit;
    if (!pending_.empty() && pending_.begin()->first <= deadline) {
        const auto at = pending_.begin()->first;
        if (at > clock_.now()) clock_.advance(at - clock_.now());
        deliverDue();
        return;
    }
    clock_.advance(limit);
}

Answer FakeDialogs::show(const MessageBox& box) {
    shown.push_back(box);
    if (onShow) onShow(box);
    if (!answers.empty()) {
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    if (box.buttons == MessageButtons::Ok) return Answer::Ok;
    return box.defaultButton == 1 ? Answer::No : Answer::Yes;
}

std::string FakeFileDialogs::next() {
    if (paths.empty()) return {};
    std::string p = paths.front();
    paths.pop_front();
    return p;
}

std::string FakeFileDialogs::openFile(const FileDialogRequest& request) {
    opened.push_back(request);
    return next();
}

std::string FakeFileDialogs::saveFile(const FileDialogRequest& request) {
    saved.push_back(request);
    return next();
}

void FakeHost::showModal(FrmRead& form) {
    ++modals;
    if (onRead) onRead(form);
    if (!form.Unloaded()) form.Command1_Click(0);  // an unscripted dialog is cancelled
}

void FakeHost::showModal(FrmStore& form) {
    ++modals;
    if (onStore) onStore(form);
    if (!form.Unloaded()) form.Command1_Click(0);
}

Bytes frame(std::initializer_list<int> args) {
    Bytes f{0xF0, 0x5B};
    for (int a : args) f.push_back(static_cast<std::uint8_t>(a));
    f.resize(9, 0);
    f.push_back(0xF7);
    return f;
}

}  // namespace vx470::test
