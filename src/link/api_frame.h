#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace links {

// Which receive path a frame came from.
enum class FrameSource : std::uint8_t { PortA, PortB, File };

inline constexpr std::size_t kRxFrameSize = 1040;

// One received API frame: the frame data from the frame-type byte on (no start delimiter, no
// length), followed by its checksum byte at data[length].
struct RxFrame {
    std::array<std::uint8_t, kRxFrameSize> data{};
    int length = 0;  // the frame's length field: number of frame-data bytes
    FrameSource source = FrameSource::PortA;
};

// Where complete, checked frames go (the data service). scale is 1 when a wired staff's
// sample text carries tenths of millimetres (staffs longer than 10 m), 0 otherwise.
class FrameSink {
  public:
    virtual ~FrameSink() = default;
    virtual void RxDataService(const RxFrame& frame, int scale) = 0;
};

// The raw capture file (.DAT): every byte received from the radio adapter is appended to it,
// still escaped, while it is open.
class RawCapture {
  public:
    virtual ~RawCapture() = default;
    virtual bool APIFrameDataFileOpen() const = 0;
    virtual void captureByte(std::uint8_t byte) = 0;
    virtual void captureBytes(std::span<const std::uint8_t> bytes) {
        for (std::uint8_t b : bytes) captureByte(b);
    }
};

inline constexpr std::uint64_t kBroadcastAddress = 0x000000000000FFFFull;

// Sends commands inside API frames. TxStr is the one transmit text buffer all senders share:
// a caller formats its command into it and passes the number of bytes to send. TxWait is set
// while a reply to a sent command is awaited.
class ApiFrameWriter {
  public:
    virtual ~ApiFrameWriter() = default;
    std::array<char, 52> TxStr{};
    int TxWait = 0;
    // Transmit request to a unit's 64-bit address (low word first, high word second).
    virtual void ComWrtAPIFrame(std::uint32_t addrLow, std::uint32_t addrHigh, int n) = 0;
    // AT command to the local radio adapter.
    virtual void ComWrtATCommand(int n) = 0;
    // AT command to a remote radio's own settings.
    virtual void ComWrtRemoteATCommand(std::uint32_t addrLow, std::uint32_t addrHigh, int n) = 0;
};

}  // namespace links
