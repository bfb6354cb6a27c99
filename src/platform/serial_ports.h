#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace platform {

struct PortInfo {
    std::string label;       // e.g. "ttyUSB0 (FT232R USB UART)"
    int number = 0;          // stable while the program runs; 0 is never a port
    std::string systemPath;  // e.g. "/dev/ttyUSB0" or "COM12"
};

enum class Parity : std::uint8_t { None, Odd, Even };

struct SerialSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    int stopBits = 1;
};

// Result of an operation that can fail: ok, or a message naming the port and the cause.
struct PortStatus {
    int code = 0;  // >= 0 success, < 0 failure
    std::string message;
    bool ok() const { return code >= 0; }
};

// The computer's serial ports. Numbers identify open ports; every byte in and out passes here.
class SerialPorts {
public:
    virtual ~SerialPorts() = default;

    // nullopt-like failure is a negative status: the caller then leaves its lists as they are.
    virtual PortStatus list(std::vector<PortInfo>& out) = 0;
    // The number for a system path such as /dev/pts/5 (registered on first use), 0 if unusable.
    virtual int numberForPath(const std::string& path) = 0;

    virtual PortStatus open(int number, const SerialSettings& settings) = 0;
    virtual void close(int number) = 0;
    virtual bool isOpen(int number) const = 0;

    virtual int writeByte(int number, std::uint8_t byte) = 0;
    virtual int write(int number, std::span<const std::uint8_t> bytes) = 0;
    // Discards what is still waiting to be sent (the bytes before a handshake step).
    virtual void flushOutput(int number) = 0;
    // Bytes written to the port that have not left it yet (waiting in the program or the
    // driver for a slow line or a reader that has stopped). Ports that cannot tell say 0.
    virtual std::size_t outputPending(int /*number*/) const { return 0; }

    // Waits until every byte written has left for the line, at most maxMs; false when some
    // had not. Closing a port or ending the program drops what is still waiting, so both
    // drain first: the last command ("OC", the exit "g") must reach the unit.
    virtual bool drainOutput(int number, int maxMs) = 0;

    // Reading: -1 when nothing is waiting.
    virtual int readByte(int number) = 0;
    virtual int inputLength(int number) const = 0;
    // Up to out.size() waiting bytes at once; returns how many. Ports that can take a block in
    // one step override it.
    virtual int read(int number, std::span<std::uint8_t> out) {
        std::size_t n = 0;
        for (int b; n < out.size() && (b = readByte(number)) >= 0;) out[n++] = static_cast<std::uint8_t>(b);
        return static_cast<int>(n);
    }

    // Called from the event loop whenever bytes have arrived on the port. A callback may
    // leave part of the input waiting: it is called again, from the event loop, for the rest.
    virtual void onReceive(int number, std::function<void(int number)> callback) = 0;
    // Called when an open port disappears (adapter unplugged); the port is already closed.
    virtual void onLost(std::function<void(int number, const std::string& reason)> callback) = 0;
};

// How long a port may take to send what is still waiting before it is closed anyway.
inline constexpr int kDrainMs = 2000;

// Closes a port once what was written to it has left (within kDrainMs).
inline void drainAndClose(SerialPorts& ports, int number) {
    ports.drainOutput(number, kDrainMs);
    ports.close(number);
}

}  // namespace platform
