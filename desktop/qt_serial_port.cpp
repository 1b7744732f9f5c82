#include "desktop/qt_serial_port.h"

#include <QFile>
#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <thread>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vx470::desktop {

namespace {

// Qt calls a port another program holds and one the user may not open both PermissionError.
// Either is the user's to fix, so the reason says which it was; empty when it is neither.
const char* refusedBecause(const QString& device) {
#ifndef Q_OS_WIN
    // Our own open(2) tells them apart; it opens when only the other program's lock refused.
    const int fd =
        ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int error = fd < 0 ? errno : 0;
    if (fd >= 0) ::close(fd);
    if (error == EACCES || error == EPERM) {
        return "permission denied (is the user in the dialout group?)";
    }
    if (error != 0 && error != EBUSY) return "";  // gone meanwhile, or nothing to do about it
#else
    Q_UNUSED(device);
#endif
    return "busy (opened by another program)";
}

}  // namespace

QtSerialPort::QtSerialPort(QStringList devices, bool named, bool report)
    : devices_(std::move(devices)), named_(named), report_(report) {
    // A line that hangs up keeps waking the event loop (a message box's too) with a read
    // error, which would spin a core: the port is closed as soon as the loop can.
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError e) {
                         if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError) return;
                         QMetaObject::invokeMethod(
                             &port_,
                             [this, opened = opened_] {
                                 if (opened == opened_) close();
                             },
                             Qt::QueuedConnection);
                     });
}

QStringList QtSerialPort::systemPorts() {
    const QByteArray fromEnvironment = qgetenv("VX470_PORTS");
    if (!fromEnvironment.isNull()) {
        return QString::fromLocal8Bit(fromEnvironment).split(QLatin1Char(':'));
    }
    QStringList adapters;
    QStringList others;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString name = info.portName();
        const bool adapter = name.contains(QLatin1String("usb"), Qt::CaseInsensitive) ||
                             name.contains(QLatin1String("acm"), Qt::CaseInsensitive);
        (adapter ? adapters : others).append(info.systemLocation());
    }
    adapters.sort();
    others.sort();
    return adapters + others;
}

QString QtSerialPort::deviceFor(int number) const {
#ifdef Q_OS_WIN
    if (!named_) return number >= 1 ? QStringLiteral("COM%1").arg(number) : QString();
#endif
    if (number < 1 || number > devices_.size()) return {};
    return devices_.at(number - 1);
}

std::unique_ptr<SerialPort> QtSerialPort::another() {
    return std::make_unique<QtSerialPort>(devices_, named_, report_);
}

bool QtSerialPort::open(int number) {
    openError_.clear();
    const QString device = deviceFor(number);
    if (device.isEmpty() || port_.isOpen()) return false;
    port_.setPortName(device);
    // Line settings go in before open(): some drivers ignore them afterwards.
    port_.setBaudRate(QSerialPort::Baud4800);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(static_cast<qint64>(inBufferSize_));
    // A failed open leaves no descriptor: Qt closes it when the set-up after open(2) fails.
    if (!port_.open(QIODevice::ReadWrite)) {
        if (port_.error() == QSerialPort::PermissionError) openError_ = refusedBecause(device);
        if (port_.error() == QSerialPort::DeviceNotFoundError && named_) {
            openError_ = QStringLiteral("no such port");
        }
        if (report_ && !openError_.isEmpty()) {
            std::fprintf(stderr, "vx470: %s: %s\n", QFile::encodeName(device).constData(),
                         openError_.toLocal8Bit().constData());
        }
        port_.clearError();
        return false;
    }
    ++opened_;
    // Bytes the unit sent before we opened are not an answer to anything of ours.
    port_.clear(QSerialPort::Input);
    return !takeError();
}

void QtSerialPort::close() {
    if (port_.isOpen()) port_.close();
    port_.clearError();
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

void QtSerialPort::setBufferSizes(std::size_t inBufferSize, std::size_t inputLen) {
    inBufferSize_ = std::max<std::size_t>(inBufferSize, 1);
    inputLen_ = std::max<std::size_t>(inputLen, 1);
}

bool QtSerialPort::takeError() {
    const QSerialPort::SerialPortError e = port_.error();
    if (e == QSerialPort::NoError) return false;
    port_.clearError();
    if (e == QSerialPort::TimeoutError) return false;
    // A dead line answers nothing again; closed, it is a port that does not answer.
    close();
    return true;
}

bool QtSerialPort::write(std::span<const std::uint8_t> bytes) {
    if (!port_.isOpen()) return false;
    const auto size = static_cast<qint64>(bytes.size());
    const qint64 queued = port_.write(reinterpret_cast<const char*>(bytes.data()), size);
    // Without an event loop nothing leaves Qt's buffer until we wait for it.
    const bool flushed = queued == size && port_.waitForBytesWritten(1000);
    const bool dead = takeError();
    return flushed && !dead;
}

std::size_t QtSerialPort::bytesWaiting() {
    if (!port_.isOpen()) return 0;
    // Pull in what the system holds already; bytesAvailable() alone only sees what an
    // earlier wait or the event loop fetched.
    if (static_cast<std::size_t>(port_.bytesAvailable()) < inBufferSize_) {
        port_.waitForReadyRead(0);
        takeError();
    }
    return std::min(static_cast<std::size_t>(port_.bytesAvailable()), inBufferSize_);
}

std::size_t QtSerialPort::read(std::span<std::uint8_t> into) {
    if (!port_.isOpen()) return 0;
    const auto n = static_cast<qint64>(std::min(into.size(), inputLen_));
    const qint64 got = port_.read(reinterpret_cast<char*>(into.data()), n);
    takeError();
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

void QtSerialPort::dropInput() {
    if (!port_.isOpen()) return;
    port_.clear(QSerialPort::Input);
    takeError();
}

void QtSerialPort::waitForInput(std::chrono::nanoseconds limit) {
    using namespace std::chrono;
    if (limit <= nanoseconds::zero()) return;
    const auto start = steady_clock::now();
    // A closed port, or a full buffer, cannot receive anything within the limit.
    const bool full =
        port_.isOpen() && static_cast<std::size_t>(port_.bytesAvailable()) >= inBufferSize_;
    if (port_.isOpen() && !full) {
        const auto ms = std::max<long long>(1, ceil<milliseconds>(limit).count());
        if (port_.waitForReadyRead(static_cast<int>(std::min<long long>(ms, 1'000'000)))) return;
        if (!takeError()) return;  // a plain time-out: the limit has passed
    }
    // A dead line returns from every wait at once; sleeping out the limit keeps the
    // transaction's retries on time without spinning.
    std::this_thread::sleep_until(start + limit);
}

}  // namespace vx470::desktop
