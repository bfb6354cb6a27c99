#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/api_frame.h"

namespace links {

// Radio adapter frames (API mode 2): 0x7E, two length bytes high first, the frame data, and a
// checksum of 0xFF minus the 8-bit sum of the frame data. After the start delimiter every
// 0x7E, 0x7D, 0x11 and 0x13 goes out as 0x7D followed by the byte XOR 0x20.

inline constexpr std::uint8_t kStartDelimiter = 0x7E;
inline constexpr std::uint8_t kEscape = 0x7D;
inline constexpr std::size_t kMaxTxPayload = 52;  // the size of TxStr

// Frame types.
inline constexpr std::uint8_t kTransmitRequest = 0x10;
inline constexpr std::uint8_t kAtCommand = 0x08;
inline constexpr std::uint8_t kRemoteAtCommand = 0x17;
inline constexpr std::uint8_t kReceivePacket = 0x90;
inline constexpr std::uint8_t kAtResponse = 0x88;
inline constexpr std::uint8_t kRemoteAtResponse = 0x97;
inline constexpr std::uint8_t kTransmitStatus = 0x8B;

// Frame lengths the receiver takes; anything else is dropped at its length field.
inline constexpr int kMinFrameLength = 5;
inline constexpr int kMaxFrameLength = 999;

constexpr bool needsEscape(std::uint8_t b) {
    return b == kStartDelimiter || b == kEscape || b == 0x11 || b == 0x13;
}

// Writes one frame whose frame data is header followed by payload, byte by byte through
// put(byte): the delimiter, the escaped length, data and checksum. The radio adapter on the
// far end of the line frames its own replies the same way.
template <typename Put>
void writeFrame(std::span<const std::uint8_t> header, std::span<const std::uint8_t> payload,
                Put&& put) {
    auto escaped = [&put](std::uint8_t b) {
        if (needsEscape(b)) {
            put(kEscape);
            put(static_cast<std::uint8_t>(b ^ 0x20));
        } else {
            put(b);
        }
    };
    const std::size_t length = header.size() + payload.size();
    put(kStartDelimiter);
    escaped(static_cast<std::uint8_t>(length >> 8));
    escaped(static_cast<std::uint8_t>(length & 0xFF));
    std::uint8_t sum = 0;
    for (std::uint8_t b : header) {
        sum = static_cast<std::uint8_t>(sum + b);
        escaped(b);
    }
    for (std::uint8_t b : payload) {
        sum = static_cast<std::uint8_t>(sum + b);
        escaped(b);
    }
    escaped(static_cast<std::uint8_t>(0xFF - sum));
}

// 64-bit radio addresses travel most significant byte first.
constexpr void putAddress(std::uint8_t* out, std::uint64_t address) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(address >> (56 - 8 * i));
}
constexpr std::uint64_t readAddress(const std::uint8_t* in) {
    std::uint64_t a = 0;
    for (int i = 0; i < 8; ++i) a = (a << 8) | in[i];
    return a;
}

// One escaped frame ready for the wire. Worst case: every byte after the delimiter escaped.
struct EncodedFrame {
    std::array<std::uint8_t, 1 + 2 * (2 + 14 + kMaxTxPayload + 1)> bytes{};
    std::size_t size = 0;
    std::span<const std::uint8_t> span() const { return {bytes.data(), size}; }
};

// Payloads longer than kMaxTxPayload are cut to it. Every frame carries frame ID 1.
EncodedFrame transmitRequest(std::uint64_t destination, std::span<const std::uint8_t> payload);
EncodedFrame atCommand(std::span<const std::uint8_t> command);
EncodedFrame remoteAtCommand(std::uint64_t destination, std::span<const std::uint8_t> command);

// The 64-bit address from the two 32-bit halves callers pass (low word first).
constexpr std::uint64_t joinAddress(std::uint32_t low, std::uint32_t high) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// Receive state of one port: unescapes, checks the length and the checksum, and collects the
// frame data into its own RxFrame. A plain 0x7E always starts a new frame, also inside one
// (the adapter escapes every other 0x7E), so a frame behind noise is never lost.
class FrameDecoder {
  public:
    explicit FrameDecoder(FrameSource source = FrameSource::PortA) { frame_.source = source; }

    // True when this byte completed a frame with a correct checksum; frame() then holds it
    // until the next byte is fed.
    bool feed(std::uint8_t byte) {
        // The common case inline: a plain data byte inside a frame.
        const int index = index_;
        if (index < length_ && phase_ == Phase::Data && byte != kEscape &&
            byte != kStartDelimiter && !escapePending_) {
            // Members first, the frame byte last: the byte store may alias them.
            index_ = index + 1;
            checksum_ = static_cast<std::uint8_t>(checksum_ + byte);
            frame_.data[static_cast<std::size_t>(index)] = byte;
            return false;
        }
        return feedSlow(byte);
    }
    // Feeds bytes until a frame completes or they run out; returns how many it took. complete
    // tells whether the last byte taken completed a frame. Same result as feeding one by one.
    std::size_t feed(std::span<const std::uint8_t> bytes, bool& complete);
    const RxFrame& frame() const { return frame_; }
    bool insideFrame() const { return phase_ != Phase::Idle; }
    // Frames thrown away since the decoder was made: a length outside 5-999, or a checksum
    // that did not add up. A frame cut short by the next delimiter is neither.
    std::uint64_t badLengths() const { return badLengths_; }
    std::uint64_t badChecksums() const { return badChecksums_; }

  private:
    bool feedSlow(std::uint8_t byte);

    enum class Phase : std::uint8_t { Idle, LengthHigh, LengthLow, Data };

    RxFrame frame_;
    Phase phase_ = Phase::Idle;
    bool escapePending_ = false;
    std::uint8_t checksum_ = 0;
    int length_ = 0;
    int index_ = 0;
    std::uint64_t badLengths_ = 0;
    std::uint64_t badChecksums_ = 0;
};

}  // namespace links
