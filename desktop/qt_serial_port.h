#pragma once

#include <QSerialPort>
#include <QStringList>

#include "core/platform/serial_port.h"

namespace vx470::desktop {

// The serial line through QSerialPort, used in blocking style: the program's transactions
// wait here without running the event loop.
class QtSerialPort final : public SerialPort {
  public:
    // Port N is entry N - 1 of `devices` (on Windows COMN, unless the user named the device);
    // an empty entry is a port that cannot be opened. With `report`, why a port the user can
    // do something about did not open goes to standard error.
    explicit QtSerialPort(QStringList devices, bool named = false, bool report = true);

    // The ports as the program numbers them: COM1, COM2, ... on Windows; elsewhere the
    // entries of VX470_PORTS (':'-separated device paths) when it is set, else the system's
    // serial ports with USB and ACM adapters first, each group sorted by name.
    static QStringList systemPorts();
    // The device name of port `number`, empty when there is none.
    QString deviceFor(int number) const;
    // Why the last open failed, where the user can do something about it; else empty.
    QString openError() const { return openError_; }

    bool open(int number) override;
    void close() override;
    bool isOpen() const override;
    void setBufferSizes(std::size_t inBufferSize, std::size_t inputLen) override;
    bool write(std::span<const std::uint8_t> bytes) override;
    std::size_t bytesWaiting() override;
    std::size_t read(std::span<std::uint8_t> into) override;
    void dropInput() override;
    void waitForInput(std::chrono::nanoseconds limit) override;
    std::unique_ptr<SerialPort> another() override;

  private:
    // True when the last operation left an error other than a time-out: the line is dead,
    // and the port is closed.
    bool takeError();

    QStringList devices_;
    bool named_;
    bool report_;
    QString openError_;
    QSerialPort port_;
    // Counts the opens, so that a close meant for a dead line never hits a later open.
    std::uint64_t opened_ = 0;
    std::size_t inBufferSize_ = 1024;
    std::size_t inputLen_ = 1024;
};

}  // namespace vx470::desktop
