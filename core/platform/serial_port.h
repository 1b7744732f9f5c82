#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace vx470 {

// The serial line to the unit, driven by polling only. Mirrors the few properties the program
// uses of a classic serial control: a numbered port opened at 4800 8N1, a receive buffer of
// a set size, reads of at most a set length, and dropping what waits.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Opens port `number` (1 = the first port) at 4800 baud, 8N1, with the receive buffer
    // emptied. False when the port cannot be opened; never throws.
    virtual bool open(int number) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Receive buffer size and the most bytes one read returns. Only while the port is closed.
    virtual void setBufferSizes(std::size_t inBufferSize, std::size_t inputLen) = 0;

    // Writes the whole block. False when the line refused it.
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    // Bytes received and not yet read.
    virtual std::size_t bytesWaiting() = 0;
    // Reads up to min(into.size(), inputLen) waiting bytes; returns how many were read.
    virtual std::size_t read(std::span<std::uint8_t> into) = 0;
    // Drops every received byte that waits.
    virtual void dropInput() = 0;
    // Blocks until more input arrives or `limit` has passed. A dead line waits out the limit
    // instead of returning at once, so callers never spin.
    virtual void waitForInput(std::chrono::nanoseconds limit) = 0;
    // Another line of the same kind over the same numbered ports, so that several ports can be
    // open at once; none where that is not possible.
    virtual std::unique_ptr<SerialPort> another() { return nullptr; }
};

}  // namespace vx470
